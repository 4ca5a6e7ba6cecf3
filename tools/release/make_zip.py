"""make_zip.py ZIP FOLDER NAME...: writes SHA256SUMS of the named files of FOLDER, then ZIP
with those files in the given order and SHA256SUMS last. Every entry gets the same time,
permissions and system, and no extra fields, so the same files give the same bytes."""

import hashlib
import os
import sys
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip())
        return 2
    zip_path, folder, names = argv[0], argv[1], argv[2:]
    sums = []
    for name in names:
        with open(os.path.join(folder, name), "rb") as f:
            sums.append("%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name))
    with open(os.path.join(folder, "SHA256SUMS"), "w", newline="\n") as f:
        f.writelines(sums)
    with zipfile.ZipFile(zip_path + ".part", "w") as kit:
        for name in names + ["SHA256SUMS"]:
            entry = zipfile.ZipInfo(name, FIXED_TIME)
            entry.create_system = 3
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as f:
                kit.writestr(entry, f.read(), compresslevel=9)
    os.replace(zip_path + ".part", zip_path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
