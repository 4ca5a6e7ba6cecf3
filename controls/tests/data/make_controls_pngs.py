#!/usr/bin/env python3
"""Writes the pictures of the control tests: flat opaque colours, so every drawn pixel can be
named. The colours are repeated in controls_test_support.h; change both together.

controls_strip3.png  366 x 48, three 122-pixel frames: normal, hover, pressed.
controls_strip4.png  570 x 46, four 142-pixel frames and two spare columns.
controls_track.png   19 x 19: 8 left-edge columns, 3 middle, 8 right-edge.
controls_fill.png    16 x 16: 6 left-edge columns, 4 middle, 6 right-edge.
controls_glow.png    209 x 66, one colour.
controls_body.png    91 x 48, one colour.
controls_level.png   79 x 33: column c is red 100 + c, green 0x28, blue 0x50.
controls_icon.png    52 x 52, one colour.
"""
import struct
import zlib

NORMAL = (0xC0, 0x30, 0x30)
HOVER = (0x30, 0xC0, 0x30)
PRESSED = (0x30, 0x30, 0xC0)
FOURTH = (0xC0, 0xC0, 0x30)
SPARE = (0xC0, 0x30, 0xC0)
TRACK_LEFT = (0x10, 0x20, 0x30)
TRACK_MIDDLE = (0x11, 0x21, 0x31)
TRACK_RIGHT = (0x12, 0x22, 0x32)
FILL_LEFT = (0x40, 0x50, 0x60)
FILL_MIDDLE = (0x41, 0x51, 0x61)
FILL_RIGHT = (0x42, 0x52, 0x62)
GLOW = (0x20, 0x60, 0x20)
BODY = (0x50, 0x50, 0x70)
ICON = (0x90, 0x20, 0x60)


def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)


def write(name, width, height, colour_at):
    rows = b''
    for y in range(height):
        rows += b'\x00' + b''.join(bytes(colour_at(x, y) + (255,)) for x in range(width))
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')
    with open(name, 'wb') as out:
        out.write(png)


def bands(*spans):
    """Colour by column: spans of (width, colour) from the left."""
    def colour_at(x, _y):
        for width, colour in spans:
            if x < width:
                return colour
            x -= width
        raise ValueError('column outside the spans')
    return colour_at


def main():
    write('controls_strip3.png', 366, 48, bands((122, NORMAL), (122, HOVER), (122, PRESSED)))
    write('controls_strip4.png', 570, 46,
          bands((142, NORMAL), (142, HOVER), (142, PRESSED), (142, FOURTH), (2, SPARE)))
    write('controls_track.png', 19, 19, bands((8, TRACK_LEFT), (3, TRACK_MIDDLE), (8, TRACK_RIGHT)))
    write('controls_fill.png', 16, 16, bands((6, FILL_LEFT), (4, FILL_MIDDLE), (6, FILL_RIGHT)))
    write('controls_glow.png', 209, 66, bands((209, GLOW)))
    write('controls_body.png', 91, 48, bands((91, BODY)))
    write('controls_level.png', 79, 33, lambda x, _y: (100 + x, 0x28, 0x50))
    write('controls_icon.png', 52, 52, bands((52, ICON)))


if __name__ == '__main__':
    main()
