#!/usr/bin/env python3
"""Writes rgba_5x3.png, the test module's PNG resource: pixel (x, y) is red 40x+10, green
60y+20, blue 200-30x, alpha 255 left of x = 3, then 64 and 128."""
import struct
import zlib


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)


def main():
    width, height = 5, 3
    rows = b''
    for y in range(height):
        rows += b'\x00' + b''.join(
            bytes((40 * x + 10, 60 * y + 20, 200 - 30 * x, 255 if x < 3 else 64 * (x - 2))) for x in range(width))
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    with open('rgba_5x3.png', 'wb') as out:
        out.write(png)


if __name__ == '__main__':
    main()
