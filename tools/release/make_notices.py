"""make_notices.py OUT --version VERSION --libpng-source DIR --libpng-library FILE
                  --build DIR [--own DIR]... BINARY=PDB...

Writes the kit's third-party notices: for every library that the PDB's module list shows
linked into BINARY (lld records the library each object came from), its Debian package, that
package's version and its copyright file as installed (for libpng, LICENSE and
debian/copyright of the Debian source it was built from). The link named files of the build
folder DIR relative to it, and the PDB gives them under "obj\\". Files under an --own folder
are the project's own. A linked file that no package owns, or a package without a description
below, stops it: a new library needs its notice before it can ship. The same PDBs and package
versions give the same bytes."""

import argparse
import collections
import os
import re
import subprocess
import sys
import textwrap

# What each package linked from is, for the section's heading. A package missing here
# stops the notices rather than ship without a word on it.
LIBRARIES = {
    "g++-mingw-w64-i686-posix": "libstdc++ (the GCC C++ runtime)",
    "gcc-mingw-w64-i686-posix": "libgcc (the GCC low-level runtime)",
    "libz-mingw-w64-dev": "zlib (compression)",
    "mingw-w64-i686-dev": "MinGW-w64 runtime (C run-time support, winpthread, system import libraries)",
}
# Licence texts that a copyright file names only by their place on a Debian system, where the
# libraries linked from that package are under that licence.
NAMED_LICENCES = {
    "g++-mingw-w64-i686-posix": ["GPL-3"],
    "gcc-mingw-w64-i686-posix": ["GPL-3"],
}
COMMON_LICENCES = "/usr/share/common-licenses"
RULE = "=" * 78

HEADER = """Third-party notices for MobileInfoPage {version}

MobileInfoPage.dll and harness/harness.exe are linked statically with the libraries below.
Each section names the library, what it is linked into, and the Debian package and version it
came from, followed by that package's copyright notices and licences as Debian ships them.

These notices cover the third-party libraries only. The licence terms of MobileInfoPage itself
are not stated here.
"""


def dpkg(*args):
    return subprocess.run(["dpkg-query"] + list(args), check=True, capture_output=True, text=True).stdout


def linked_files(pdb_path, build):
    """The object files the linker loaded and the libraries it took objects from."""
    dump = subprocess.run(["llvm-pdbutil", "dump", "--modules", pdb_path], check=True, capture_output=True,
                          text=True).stdout
    files = set()
    for found in re.finditer(r"^\s*Obj: `([^`]+)`", dump, re.M):
        path = found.group(1)
        if path.startswith("obj\\"):
            path = os.path.join(build, path[len("obj\\"):].replace("\\", "/"))
        files.add(path)
    if not files:
        raise SystemExit("make_notices: %s lists no modules" % pdb_path)
    return files


def package_of(path):
    for candidate in (os.path.normpath(path), os.path.realpath(path)):
        found = subprocess.run(["dpkg-query", "-S", candidate], capture_output=True, text=True)
        for line in found.stdout.splitlines():
            owners, _, owned = line.partition(": ")
            if owned == candidate and not owners.startswith("diversion by"):
                return owners.split(", ")[0].split(":")[0]
    return None


def section(title, linked_into, packages, files, notices):
    heading = [title, "Linked into: " + ", ".join(sorted(linked_into))]
    heading += ["Debian package: %s" % p for p in packages]
    heading += ["Files linked: " + ", ".join(sorted(files)), "Notices from: " + ", ".join(n for n, _ in notices)]
    lines = [RULE] + [textwrap.fill(h, len(RULE), subsequent_indent="  ", break_on_hyphens=False) for h in heading]
    lines += [RULE, ""]
    for _, text in notices:
        lines += [text.rstrip("\n"), ""]
    return "\n".join(lines) + "\n"


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--version", required=True)
    parser.add_argument("--libpng-source", required=True)
    parser.add_argument("--libpng-library", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--own", action="append", default=[])
    parser.add_argument("pdbs", nargs="+", metavar="BINARY=PDB")
    args = parser.parse_args(argv)
    own = [os.path.realpath(d) + os.sep for d in args.own]
    libpng = os.path.realpath(args.libpng_library)

    # package -> the binaries it is linked into, and the files it gave them
    into = collections.defaultdict(set)
    given = collections.defaultdict(set)
    for pair in args.pdbs:
        binary, _, pdb_path = pair.partition("=")
        for path in linked_files(pdb_path, args.build):
            real = os.path.realpath(path)
            if real == libpng:
                package = "libpng"
            elif not os.path.isabs(path) or any(real.startswith(d) for d in own):
                continue
            else:
                package = package_of(path)
                if package is None:
                    print("make_notices: no Debian package owns %s, linked into %s" % (path, binary), file=sys.stderr)
                    return 1
                if package not in LIBRARIES:
                    print("make_notices: %s (package %s) is linked into %s, and has no notice yet" % (
                        path, package, binary), file=sys.stderr)
                    return 1
            into[package].add(binary)
            given[package].add(os.path.basename(path))

    sections = []
    if "libpng" in into:
        source = os.path.realpath(args.libpng_source)
        with open(os.path.join(source, "debian/changelog"), encoding="utf-8") as f:
            name, version = re.match(r"(\S+) \(([^)]+)\)", f.readline()).groups()
        notices = []
        for relative in ("LICENSE", "debian/copyright"):
            with open(os.path.join(source, relative), encoding="utf-8") as f:
                notices.append(("%s of the source package" % relative, f.read()))
        sections.append(("libpng (PNG decoding)", section(
            "libpng (PNG decoding)", into["libpng"],
            ["%s %s (source package, built for this kit)" % (name, version)], given["libpng"], notices)))

    # Packages that share one copyright file share one section.
    by_notice = collections.defaultdict(list)
    for package in into:
        if package != "libpng":
            by_notice[os.path.realpath("/usr/share/doc/%s/copyright" % package)].append(package)
    for copyright_path, packages in by_notice.items():
        packages.sort()
        title = "; ".join(LIBRARIES[p] for p in packages)
        versions = ["%s %s" % (p, dpkg("-W", "-f=${Version}", p)) for p in packages]
        with open(copyright_path, encoding="utf-8") as f:
            notices = [("/usr/share/doc/%s/copyright" % packages[0], f.read())]
        for licence in sorted({n for p in packages for n in NAMED_LICENCES.get(p, [])}):
            path = os.path.join(COMMON_LICENCES, licence)
            owner = package_of(path)
            with open(path, encoding="utf-8") as f:
                notices.append(("%s (%s %s)" % (path, owner, dpkg("-W", "-f=${Version}", owner)), f.read()))
        linked_into = set().union(*(into[p] for p in packages))
        files = set().union(*(given[p] for p in packages))
        sections.append((title, section(title, linked_into, versions, files, notices)))

    text = HEADER.format(version=args.version) + "\n" + "".join(s for _, s in sorted(sections, key=lambda t: t[0].lower()))
    with open(args.out, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
