"""sign_kit.py FOLDER --cert FILE --key FILE [--timestamp URL]
sign_kit.py --zip KIT.zip SIGNED.zip --cert FILE --key FILE [--timestamp URL]

Signs the kit's programs, MobileInfoPage.dll and harness/harness.exe, with Authenticode
(osslsigncode; the certificate and key in PEM or DER, the key without a password). The first
form signs them in place in a kit folder, before make_zip.py writes SHA256SUMS over them. The
second makes a signed copy of a finished kit: the same entries in the same order, SHA256SUMS
made again, and SIGNED.zip.sha256 beside it. A time stamp is asked of URL (RFC 3161) only when
given. A signature carries its signing time, so a signed kit differs from one signed at
another time; the unsigned kit does not change."""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

import make_zip

PROGRAMS = ["MobileInfoPage.dll", "harness/harness.exe"]
DESCRIPTION = "Mobile Information Page"


def sign_folder(folder, cert, key, timestamp=None):
    for name in PROGRAMS:
        path = os.path.join(folder, name)
        # osslsigncode writes a new file; the unsigned one is replaced only by a whole signed one.
        command = ["osslsigncode", "sign", "-certs", cert, "-key", key, "-h", "sha256", "-n", DESCRIPTION]
        if timestamp:
            command += ["-ts", timestamp]
        command += ["-in", path, "-out", path + ".signed"]
        run = subprocess.run(command, capture_output=True, text=True)
        if run.returncode != 0:
            print("sign_kit: signing %s failed:\n%s%s" % (name, run.stdout, run.stderr), file=sys.stderr)
            if os.path.exists(path + ".signed"):
                os.remove(path + ".signed")
            return False
        os.replace(path + ".signed", path)
    return True


def sign_zip(kit_zip, signed_zip, cert, key, timestamp=None):
    folder = tempfile.mkdtemp(prefix="sign-kit-")
    try:
        with zipfile.ZipFile(kit_zip) as kit:
            names = [n for n in kit.namelist() if n != "SHA256SUMS"]
            kit.extractall(folder)
        missing = [n for n in PROGRAMS if n not in names]
        if missing:
            print("sign_kit: %s has no %s" % (kit_zip, ", ".join(missing)), file=sys.stderr)
            return False
        if not sign_folder(folder, cert, key, timestamp):
            return False
        if make_zip.main([signed_zip, folder] + names) != 0:
            return False
        with open(signed_zip, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        with open(signed_zip + ".sha256", "w", newline="\n") as f:
            f.write("%s  %s\n" % (digest, os.path.basename(signed_zip)))
        return True
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main(argv):
    parser = argparse.ArgumentParser(usage=__doc__.strip().split("\n\n")[0])
    parser.add_argument("paths", nargs="+")
    parser.add_argument("--zip", action="store_true")
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--timestamp")
    args = parser.parse_args(argv)
    if args.zip:
        if len(args.paths) != 2:
            parser.error("--zip takes KIT.zip and SIGNED.zip")
        ok = sign_zip(args.paths[0], args.paths[1], args.cert, args.key, args.timestamp)
    else:
        if len(args.paths) != 1:
            parser.error("a kit folder, or --zip KIT.zip SIGNED.zip")
        ok = sign_folder(args.paths[0], args.cert, args.key, args.timestamp)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
