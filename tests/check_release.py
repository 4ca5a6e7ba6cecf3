"""The release kit of the current commit (tools/release/make-release), as a host developer
gets it: its exact listing, its checksums, the DLL's version resource, imports and exports,
header, PDB, debug link and size, its third-party notices, the commands its documents give,
hosts linked through each import library and run under Wine, the DLL and harness from the zip
passing the demo scenario under Wine, and a copy of the kit signed with a throw-away
certificate whose signatures verify.

check_release.py --root SOURCE --work FOLDER --wine-run WINE_RUN --objdump OBJDUMP
The kit is made again only when FOLDER holds none for the commit at HEAD."""

import argparse
import glob
import hashlib
import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message)
    return condition


def git(root, *args):
    return subprocess.run(["git", "-C", root] + list(args), check=True, capture_output=True, text=True).stdout


def make_kit(root, work, head, zip_path):
    stamp = os.path.join(work, "commit")
    if os.path.exists(zip_path) and os.path.exists(stamp) and open(stamp).read().strip() == head:
        print("reusing the kit of %s in %s" % (head, work))
        return
    if os.path.exists(stamp):
        os.remove(stamp)
    subprocess.run([os.path.join(root, "tools/release/make-release"), "--out", os.path.join(work, "out"),
                    "--build", os.path.join(work, "build")], check=True)
    with open(stamp, "w") as f:
        f.write(head + "\n")


def expected_names(root):
    tracked = git(root, "ls-tree", "-r", "--name-only", "HEAD").splitlines()
    names = ["MobileInfoPage.dll", "MobileInfoPage.dll.debug", "MobileInfoPage.pdb"]
    names += sorted(n for n in tracked if n.startswith("include/"))
    names += [n for n in tracked if n == "INTEGRATION.md"]
    names += [n for n in ("LOOKUP-SERVICE.md", "CHANGELOG.md") if n in tracked]
    names += ["THIRD-PARTY-NOTICES"]
    names += ["lib/MobileInfoPage.def", "lib/MobileInfoPage.lib", "lib/libMobileInfoPage.dll.a"]
    names += ["sample/README.md", "sample/sample_host.c"]
    names += ["harness/harness.exe", "harness/demo.txt", "harness/README.md"]
    lookup = "tools/lookup_service/"
    names += sorted("lookup_service/" + n[len(lookup):] for n in tracked if n.startswith(lookup) and (
        re.fullmatch(r"[^/]+\.py|README\.md|data/.+", n[len(lookup):])))
    return names + ["SHA256SUMS"]


def check_listing(kit, root):
    names = [entry.filename for entry in kit.infolist()]
    check(names == expected_names(root), "the zip lists %s, expected %s" % (names, expected_names(root)))
    for entry in kit.infolist():
        check(entry.date_time == (1980, 1, 1, 0, 0, 0) and entry.extra == b"" and
              entry.external_attr == 0o100644 << 16, "%s has its own time, permissions or extra fields" % entry.filename)


def check_sums(kit):
    lines = kit.read("SHA256SUMS").decode("ascii").splitlines()
    others = [n for n in kit.namelist() if n != "SHA256SUMS"]
    listed = [line.split("  ", 1)[1] for line in lines]
    check(listed == others, "SHA256SUMS lists %s, the zip has %s" % (listed, others))
    for line in lines:
        digest, name = line.split("  ", 1)
        if name in others:
            check(hashlib.sha256(kit.read(name)).hexdigest() == digest, "SHA256SUMS is wrong for " + name)


def check_version(pe, version, head):
    parts = tuple(int(p) for p in version.split(".")) + (0,)
    file_version, product_version, strings = pe.version_info()
    check(file_version == parts and product_version == parts,
          "FILEVERSION %s, PRODUCTVERSION %s, expected %s" % (file_version, product_version, parts))
    expected = {
        "Comments": "commit " + head,
        "FileDescription": "Phone information page module",
        "FileVersion": version,
        "InternalName": "MobileInfoPage",
        "OriginalFilename": "MobileInfoPage.dll",
        "ProductName": "Mobile Information Page",
        "ProductVersion": version,
    }
    check(strings == expected, "the version strings are %s, expected %s" % (strings, expected))


def check_debug_link(pe, debug_file):
    if not check(".gnu_debuglink" in pe.sections, "the DLL has no debug link"):
        return
    link = pe.section(".gnu_debuglink")
    end = link.index(b"\0")
    crc_at = (end + 4) & ~3
    name = link[:end].decode("ascii")
    crc = int.from_bytes(link[crc_at:crc_at + 4], "little")
    check(name == "MobileInfoPage.dll.debug", "the debug link names " + name)
    check(crc == zlib.crc32(debug_file), "the debug link's CRC %08x is not the debug file's %08x" % (
        crc, zlib.crc32(debug_file)))
    check(not any(s.startswith(".debug_") for s in pe.sections), "the DLL still has debug sections")


def tool(command):
    run = subprocess.run(command, capture_output=True, text=True)
    check(run.returncode == 0, "%s failed: %s" % (" ".join(command), run.stderr))
    return run.stdout


def check_symbols(dll):
    """The DLL's CodeView record names the PDB beside it by its file name, with the PDB's GUID
    and age, and the PDB names the function at an export's address, as a Windows debugger or
    llvm-symbolizer finds it."""
    pdb = os.path.join(os.path.dirname(dll), "MobileInfoPage.pdb")
    record = re.search(r"PDBGUID: \(([0-9A-F ]+)\)\s+PDBAge: (\d+)\s+PDBFileName: (\S+)",
                       tool(["llvm-readobj", "--coff-debug-directory", dll]))
    if not check(record, "the DLL's debug directory has no CodeView record"):
        return
    check(record.group(3) == "MobileInfoPage.pdb", "the CodeView record names " + record.group(3))
    raw = bytes.fromhex(record.group(1))
    guid = "{%08X-%04X-%04X-%s-%s}" % (int.from_bytes(raw[0:4], "little"), int.from_bytes(raw[4:6], "little"),
                                       int.from_bytes(raw[6:8], "little"), raw[8:10].hex().upper(),
                                       raw[10:].hex().upper())
    summary = tool(["llvm-pdbutil", "dump", "--summary", pdb])
    check("GUID: " + guid in summary and re.search(r"\bAge: %s\b" % record.group(2), summary),
          "the PDB is not the one the DLL names (GUID %s, age %s):\n%s" % (guid, record.group(2), summary))
    export = re.search(r"Name: InitPage\s+RVA: (0x[0-9A-Fa-f]+)", tool(["llvm-readobj", "--coff-exports", dll]))
    if check(export, "InitPage is not exported"):
        named = tool(["llvm-symbolizer", "--obj=" + dll, "--relative-address", export.group(1)]).splitlines()
        check(named[:1] == ["InitPage"], "the PDB names the function at InitPage's address %s" % named[:1])
        # INTEGRATION.md's way to a source line: the address at the preferred base, in the debug file.
        address = "%#x" % (0x10000000 + int(export.group(1), 16))
        lines = tool(["i686-w64-mingw32-addr2line", "-f", "-C", "-e", dll + ".debug", address]).splitlines()
        line = lines[1] if len(lines) > 1 else ""
        check(lines[:1] == ["InitPage"] and re.search(r"(^|/)module/page_module_win\.cpp:[0-9]+$", line),
              "the debug file names %s at InitPage's address %s" % (lines, address))


# The module's own weight, code and pictures at 100 percent. The pictures for the larger
# display scales (resource types PNG125 and up) come on top of it.
MODULE_BUDGET = 1000000


def check_size(dll_size, pe):
    resources = pe.resource_sizes()
    scaled = sum(size for kind, size in resources.items() if isinstance(kind, str) and kind.startswith("PNG")
                 and kind != "PNG")
    print("the stripped DLL: %d bytes, %d of them pictures for the larger scales" % (dll_size, scaled))
    check(dll_size - scaled <= MODULE_BUDGET, "the DLL without the larger scales' pictures is %d bytes, over %d" % (
        dll_size - scaled, MODULE_BUDGET))


def installed_version(package):
    return subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], check=True, capture_output=True,
                          text=True).stdout


# What the module and the harness link beside their own code, and the Debian packages of it.
LINKED_PACKAGES = ["libz-mingw-w64-dev", "g++-mingw-w64-i686-posix", "gcc-mingw-w64-i686-posix",
                   "mingw-w64-i686-dev"]


def check_notices(folder, root):
    path = os.path.join(folder, "THIRD-PARTY-NOTICES")
    if not check(os.path.exists(path), "the kit has no THIRD-PARTY-NOTICES"):
        return
    text = open(path, encoding="utf-8").read()
    # Headings and sentences are wrapped: read them with every run of blanks as one space.
    headings = " ".join(text.split())
    check("licence terms of MobileInfoPage itself are not stated" in headings,
          "the notices do not say that the module's own licence is not stated there")
    for package in LINKED_PACKAGES:
        heading = "Debian package: %s %s" % (package, installed_version(package))
        check(heading in headings, "the notices have no section for %s as installed (%s)" % (package, heading))
        with open("/usr/share/doc/%s/copyright" % package, encoding="utf-8") as f:
            check(f.read().rstrip("\n") in text, "the notices lack the copyright file of " + package)
    sources = glob.glob(os.path.join(root, "build/deps/src/libpng1.6-*/debian/changelog"))
    if check(len(sources) == 1, "no single libpng source under build/deps/src"):
        source = os.path.dirname(os.path.dirname(sources[0]))
        version = re.match(r"\S+ \(([^)]+)\)", open(sources[0]).readline()).group(1)
        check("Debian package: libpng1.6 %s " % version in headings, "the notices do not name libpng " + version)
        for name in ("LICENSE", "debian/copyright"):
            check(open(os.path.join(source, name)).read().rstrip("\n") in text, "the notices lack libpng's " + name)
    # The libraries' own copyright lines inside the binaries name their holders: each must be
    # in the notices.
    for program in ("MobileInfoPage.dll", "harness/harness.exe"):
        data = open(os.path.join(folder, program), "rb").read()
        for found in re.finditer(rb"Copyright (?:\(c\) )?[0-9][0-9, -]*[0-9] ([A-Za-z][ -~]*)", data):
            holder = found.group(1).decode("ascii").strip().rstrip(".")
            check(holder in text, "%s carries a copyright of %s, which the notices do not name" % (program, holder))


def check_document_commands(folder):
    """Every program a document of the kit tells to run is in the kit where it says."""
    for doc in sorted(glob.glob(os.path.join(folder, "**", "*.md"), recursive=True)):
        here = os.path.dirname(doc)
        for found in re.finditer(r"\b(?:python3|wine) ([\w./-]+\.(?:py|exe))\b", open(doc, encoding="utf-8").read()):
            target = found.group(1)
            check(os.path.isfile(os.path.join(folder, target)) or os.path.isfile(os.path.join(here, target)),
                  "%s runs %s, which is not in the kit there" % (os.path.relpath(doc, folder), target))


def security_directory(pe):
    """The certificate table's place and size from the optional header (PE32)."""
    return struct.unpack_from("<II", pe.data, pe.pe + 24 + 128)


def check_signing(root, zip_path, work):
    """A copy of the kit signed with a certificate made for the occasion: both programs verify
    against it, their checksums hold, and SHA256SUMS covers the signed files."""
    from pe_file import PeFile
    with zipfile.ZipFile(zip_path) as unsigned:
        names = [e.filename for e in unsigned.infolist()]
        for program in ("MobileInfoPage.dll", "harness/harness.exe"):
            check(security_directory(PeFile(unsigned.read(program))) == (0, 0), program + " is signed in the unsigned kit")
    folder = tempfile.mkdtemp(prefix="signed-", dir=work)
    try:
        cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout", key, "-out",
                        cert, "-subj", "/CN=MobileInfoPage throw-away test signer", "-addext",
                        "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
        signed_zip = os.path.join(folder, "signed.zip")
        sign = subprocess.run([sys.executable, os.path.join(root, "tools/release/sign_kit.py"), "--zip", zip_path,
                               signed_zip, "--cert", cert, "--key", key], capture_output=True, text=True)
        if not check(sign.returncode == 0, "signing the kit failed: " + sign.stdout + sign.stderr):
            return
        with zipfile.ZipFile(signed_zip) as kit:
            check([e.filename for e in kit.infolist()] == names, "the signed kit lists other files than the unsigned one")
            check_sums(kit)
            kit.extractall(os.path.join(folder, "kit"))
        for program in ("MobileInfoPage.dll", "harness/harness.exe"):
            path = os.path.join(folder, "kit", program)
            pe = PeFile(open(path, "rb").read())
            check(security_directory(pe)[1] > 0, program + " has no certificate table after signing")
            check(pe.checksum == pe.computed_checksum(), program + "'s PE checksum is wrong after signing")
            verify = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", cert], capture_output=True,
                                    text=True)
            print("osslsigncode verify %s:\n%s" % (program, verify.stdout))
            check(verify.returncode == 0 and "Signature verification: ok" in verify.stdout,
                  "the signature of %s does not verify: %s" % (program, verify.stdout + verify.stderr))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def run_demo(folder, wine_run):
    """The kit's harness and DLL through the demo scenario, with the kit's lookup stand-in."""
    port_file = os.path.join(folder, "port")
    lookup = subprocess.Popen([sys.executable, "lookup_service/lookup_service.py", "--host", "127.0.0.1",
                               "--port", "0", "--port-file", port_file, "--idle-exit", "300"], cwd=folder)
    try:
        for _ in range(100):
            if lookup.poll() is not None or (os.path.exists(port_file) and open(port_file).read().strip()):
                break
            time.sleep(0.1)
        if not check(lookup.poll() is None, "the kit's lookup stand-in did not start"):
            return
        port = open(port_file).read().strip()
        env = dict(os.environ, MOBILEINFOPAGE_LOOKUP_BASE="http://127.0.0.1:" + port, no_proxy="127.0.0.1;localhost")
        run = subprocess.run([wine_run, "harness/harness.exe", "--module", "MobileInfoPage.dll", "--scenario",
                              "harness/demo.txt", "--out", "shots"], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                             capture_output=True, text=True, timeout=240)
        print(run.stdout + run.stderr)
        check(run.returncode == 0 and "every expectation held" in run.stdout,
              "the kit's harness and DLL did not pass the demo scenario (exit %d)" % run.returncode)
    finally:
        lookup.terminate()
        lookup.wait()


# What a host built as Visual Studio builds one imports from the system, with the sizes of
# its stdcall arguments, for system import libraries that lld-link takes.
SYSTEM_IMPORTS = {"kernel32": ["ExitProcess@4"], "user32": ["CreateWindowExW@48", "DestroyWindow@4", "SendMessageW@16"]}
SAMPLE_OUTPUT = ["page window created", "the page took the record", "link: the applications page", "page closed"]
# Nothing listens there: the page's lookup for the sample's phone fails at once.
CLOSED_LOOKUP = "http://127.0.0.1:1"


def built(what, command, cwd):
    run = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    return check(run.returncode == 0, "%s: %s failed\n%s" % (what, " ".join(command), run.stdout + run.stderr))


def run_host(folder, wine_run, program, *args):
    env = dict(os.environ, MOBILEINFOPAGE_LOOKUP_BASE=CLOSED_LOOKUP)
    return subprocess.run([wine_run, program] + list(args), cwd=folder, env=env, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=60)


def run_sample(folder, wine_run):
    """The kit's sample host, built by the MinGW command of sample/README.md (strict C89 on top)
    through the MinGW import library, and run under Wine with the kit's DLL beside it."""
    readme = open(os.path.join(folder, "sample/README.md")).read().splitlines()
    commands = [shlex.split(line) for line in readme if line.startswith("i686-w64-mingw32-gcc ")]
    if not check(len(commands) == 1, "sample/README.md has %d MinGW commands, not one" % len(commands)):
        return
    strict = ["-std=c89", "-pedantic", "-Wall", "-Wextra", "-Werror"]
    if not built("the sample host", commands[0] + strict, folder):
        return
    run = run_host(folder, wine_run, "sample_host.exe", "--once")
    print(run.stdout + run.stderr)
    check(run.returncode == 0 and run.stdout.splitlines() == SAMPLE_OUTPUT,
          "the sample host exited %d saying %r, expected 0 and %r" % (run.returncode, run.stdout, SAMPLE_OUTPUT))


def run_msvc_host(folder, source, wine_run):
    """A C host compiled for the MSVC ABI and linked by lld-link through MobileInfoPage.lib."""
    work = os.path.join(folder, "msvc")
    os.mkdir(work)
    for dll, names in SYSTEM_IMPORTS.items():
        with open(os.path.join(work, dll + ".def"), "w") as f:
            f.write("LIBRARY %s.dll\nEXPORTS\n%s\n" % (dll, "\n".join(names)))
        if not built("the %s import library" % dll, ["llvm-dlltool", "-m", "i386", "-k", "-d", dll + ".def", "-l",
                                                      dll + ".lib"], work):
            return
    compile_host = ["clang", "--target=i686-pc-windows-msvc", "-ffreestanding", "-fms-extensions", "-std=c89",
                    "-pedantic", "-Wall", "-Wextra", "-Werror", "-I", "../include", "-c", source, "-o", "host.obj"]
    link_host = ["lld-link", "/subsystem:console", "/entry:mainCRTStartup", "/nodefaultlib", "/out:../msvc_host.exe",
                 "host.obj", "../lib/MobileInfoPage.lib", "kernel32.lib", "user32.lib"]
    if not (built("the MSVC-ABI host", compile_host, work) and built("the MSVC-ABI host", link_host, work)):
        return
    run = run_host(folder, wine_run, "msvc_host.exe")
    check(run.returncode == 0, "the host linked through MobileInfoPage.lib exited %d" % run.returncode)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--root", "--work", "--wine-run", "--objdump"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.root, "tools/release"))
    from pe_file import PeFile

    head = git(args.root, "rev-parse", "HEAD").strip()
    version = git(args.root, "show", "HEAD:VERSION").strip()
    zip_path = os.path.join(args.work, "out", "MobileInfoPage-%s-win32.zip" % version)
    make_kit(args.root, args.work, head, zip_path)
    with open(zip_path + ".sha256") as f:
        check(f.read() == "%s  %s\n" % (hashlib.sha256(open(zip_path, "rb").read()).hexdigest(),
                                        os.path.basename(zip_path)), "the .sha256 file does not match the zip")

    folder = tempfile.mkdtemp(prefix="kit-", dir=args.work)
    try:
        with zipfile.ZipFile(zip_path) as kit:
            check_listing(kit, args.root)
            check_sums(kit)
            kit.extractall(folder)
        dll_path = os.path.join(folder, "MobileInfoPage.dll")
        dll = PeFile(open(dll_path, "rb").read())
        check_version(dll, version, head)
        check_debug_link(dll, open(dll_path + ".debug", "rb").read())
        check_symbols(dll_path)
        check_size(os.path.getsize(dll_path), dll)
        imports = subprocess.run(["cmake", "-DDLL=" + dll_path, "-DOBJDUMP=" + args.objdump, "-P",
                                  os.path.join(args.root, "tests/check_dll.cmake")], capture_output=True, text=True)
        check(imports.returncode == 0, "imports or exports: " + imports.stdout + imports.stderr)
        check_notices(folder, args.root)
        check_document_commands(folder)
        run_sample(folder, args.wine_run)
        run_msvc_host(folder, os.path.join(args.root, "tests/msvc_import_host.c"), args.wine_run)
        run_demo(folder, args.wine_run)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    check_signing(args.root, zip_path, args.work)
    print("%d failed" % len(failures) if failures else "the kit is complete")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
