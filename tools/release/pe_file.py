"""The few parts of a 32-bit PE file that a release needs: its sections, its COFF time stamp
and its VERSIONINFO resource. Standard library only."""

import array
import struct

RT_VERSION = 16


class PeFile:
    def __init__(self, data):
        self.data = bytearray(data)
        if self.data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        self.pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[self.pe:self.pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        coff = self.pe + 4
        (_, count, _, symbols, symbol_count, optional_size, _) = struct.unpack_from("<HHIIIHH", self.data, coff)
        self.timestamp_offset = coff + 4
        self.checksum_offset = coff + 20 + 64
        self.sections = {}
        table = coff + 20 + optional_size
        for i in range(count):
            entry = table + 40 * i
            name = bytes(self.data[entry:entry + 8]).rstrip(b"\0").decode("ascii")
            if name.startswith("/"):
                # A long name sits in the string table after the symbols.
                strings = symbols + 18 * symbol_count
                start = strings + int(name[1:])
                name = bytes(self.data[start:self.data.index(b"\0", start)]).decode("ascii")
            vsize, vaddr, raw_size, raw_at = struct.unpack_from("<IIII", self.data, entry + 8)
            self.sections[name] = (vaddr, vsize, raw_at, raw_size)

    @property
    def timestamp(self):
        return struct.unpack_from("<I", self.data, self.timestamp_offset)[0]

    @timestamp.setter
    def timestamp(self, value):
        struct.pack_into("<I", self.data, self.timestamp_offset, value)

    @property
    def checksum(self):
        return struct.unpack_from("<I", self.data, self.checksum_offset)[0]

    def computed_checksum(self):
        """The optional header's CheckSum as the loader's check computes it: the file's 16-bit
        words added with end-around carry, without the field itself, plus the file's length."""
        words = array.array("H")
        words.frombytes(bytes(self.data) + b"\0" * (len(self.data) % 2))
        low = self.checksum_offset // 2
        total = sum(words) - words[low] - words[low + 1]
        while total > 0xFFFF:
            total = (total & 0xFFFF) + (total >> 16)
        return total + len(self.data)

    def section(self, name):
        vaddr, vsize, raw_at, raw_size = self.sections[name]
        return bytes(self.data[raw_at:raw_at + min(vsize or raw_size, raw_size)])

    def _entries(self, directory):
        """(name or number, target) of each entry of a resource directory."""
        _, _, rsrc_at, _ = self.sections[".rsrc"]
        named, numbered = struct.unpack_from("<HH", self.data, rsrc_at + directory + 12)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", self.data, rsrc_at + directory + 16 + 8 * i)
            if ident & 0x80000000:
                at = rsrc_at + (ident & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                ident = bytes(self.data[at + 2:at + 2 + 2 * length]).decode("utf-16-le")
            yield ident, target

    def _leaves(self, target):
        """(start in the file, size) of every resource under a directory entry."""
        if target & 0x80000000:
            for _, child in self._entries(target & 0x7FFFFFFF):
                yield from self._leaves(child)
            return
        rsrc_vaddr, _, rsrc_at, _ = self.sections[".rsrc"]
        data_rva, size = struct.unpack_from("<II", self.data, rsrc_at + target)
        yield rsrc_at + data_rva - rsrc_vaddr, size

    def resource_sizes(self):
        """{resource type (a number, or a name for named types): the bytes of its resources}."""
        return {kind: sum(size for _, size in self._leaves(target)) for kind, target in self._entries(0)}

    def version_info(self):
        """(FILEVERSION, PRODUCTVERSION, {string name: value}) of the first VERSIONINFO."""
        for ident, target in self._entries(0):
            if ident == RT_VERSION:
                start, size = next(self._leaves(target))
                return parse_version_info(bytes(self.data[start:start + size]))
        raise ValueError("no VERSIONINFO resource")


def _align4(offset):
    return (offset + 3) & ~3


def _block(data, offset):
    """One node of the version tree: (length, value length, type, key, value offset, end)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    return length, value_length, kind, key, _align4(key_end + 2), offset + length


def _children(data, start, end):
    offset = _align4(start)
    while offset < end:
        node = _block(data, offset)
        if node[0] == 0:
            break
        yield offset, node
        offset = _align4(node[5])


def _four_part(high, low):
    return (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)


def parse_version_info(data):
    length, value_length, _, key, value_at, end = _block(data, 0)
    if key != "VS_VERSION_INFO" or value_length < 52:
        raise ValueError("not a VS_VERSION_INFO block")
    fixed = struct.unpack_from("<13I", data, value_at)
    if fixed[0] != 0xFEEF04BD:
        raise ValueError("no VS_FIXEDFILEINFO")
    file_version = _four_part(fixed[2], fixed[3])
    product_version = _four_part(fixed[4], fixed[5])
    strings = {}
    for _, (_, _, _, name, child_at, child_end) in _children(data, value_at + value_length, end):
        if name != "StringFileInfo":
            continue
        for _, (_, _, _, _, table_at, table_end) in _children(data, child_at, child_end):
            for _, (_, chars, _, string_name, string_at, _) in _children(data, table_at, table_end):
                text = data[string_at:string_at + 2 * chars].decode("utf-16-le")
                strings[string_name] = text.rstrip("\0")
    return file_version, product_version, strings


def main(argv):
    """pe_file.py stamp SECONDS FILE...: sets the COFF time stamp of each file, and its
    CheckSum again when it has one (objcopy writes one over the time it ran at)."""
    if len(argv) < 3 or argv[0] != "stamp":
        print("usage: pe_file.py stamp SECONDS FILE...")
        return 2
    for path in argv[2:]:
        with open(path, "rb") as f:
            pe = PeFile(f.read())
        pe.timestamp = int(argv[1])
        if pe.checksum:
            struct.pack_into("<I", pe.data, pe.checksum_offset, pe.computed_checksum())
        with open(path, "wb") as f:
            f.write(pe.data)
    return 0


if __name__ == "__main__":
    import sys

    sys.exit(main(sys.argv[1:]))
