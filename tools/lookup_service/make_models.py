#!/usr/bin/python3
"""Draws the stand-in's model pictures and writes their profiles.

    python3 tools/lookup_service/make_models.py

Each made-up model gets a front view of its own look (body colour, shape, screen, keys) as an
RGBA PNG of at most 204 x 400, in data/pictures, and a profile naming that picture and its
screen rectangle, in data/profiles. Standard library only.
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 3  # per axis, for smooth edges


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x >= x1 or y < y0 or y >= y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside, (x0, y0, x1, y1)


def circle(cx, cy, r):
    return (lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r), (cx - r, cy - r, cx + r, cy + r)


def vertical_gradient(top, bottom, y0, y1):
    def colour(x, y):
        t = min(max((y - y0) / float(y1 - y0), 0.0), 1.0)
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)) + (255,)
    return colour


def hex_colour(text, alpha=255):
    return (int(text[1:3], 16), int(text[3:5], 16), int(text[5:7], 16), alpha)


def render(width, height, layers):
    """layers: (shape, colour) bottom first; colour is RGBA or a function of (x, y)."""
    rows = []
    for py in range(height):
        row = bytearray([0])  # filter type: none
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            relevant = [(inside, colour) for (inside, (x0, y0, x1, y1)), colour in layers
                        if x0 <= px + 1 and px <= x1 and y0 <= py + 1 and py <= y1]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    r = g = b = a = 0.0
                    for inside, colour in relevant:
                        if not inside(x, y):
                            continue
                        cr, cg, cb, ca = colour(x, y) if callable(colour) else colour
                        ca /= 255.0
                        r = cr * ca + r * (1 - ca)
                        g = cg * ca + g * (1 - ca)
                        b = cb * ca + b * (1 - ca)
                        a = ca + a * (1 - ca)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha <= 0:
                row += b"\0\0\0\0"
            else:
                row += bytes([min(255, round(acc[0] / n / alpha)), min(255, round(acc[1] / n / alpha)),
                              min(255, round(acc[2] / n / alpha)), round(alpha * 255)])
        rows.append(bytes(row))
    return png(width, height, b"".join(rows))


def png(width, height, raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def fennick_f2():
    w, h = 180, 360
    screen = (12, 44, 168, 312)
    layers = [
        (rounded_rect(0, 0, w, h, 28), hex_colour("#1F8A8A")),
        (rounded_rect(3, 3, w - 3, h - 3, 25), hex_colour("#27A3A3")),
        (rounded_rect(*screen, 4), vertical_gradient((18, 32, 72), (40, 90, 160), screen[1], screen[3])),
        (rounded_rect(66, 20, 114, 26, 3), hex_colour("#0E4C4C")),
        (circle(90, 336, 13), hex_colour("#0E4C4C")),
        (circle(90, 336, 10), hex_colour("#27A3A3")),
    ]
    return w, h, screen, layers


def tallow_t9_pro():
    w, h = 200, 396
    screen = (8, 8, 192, 388)
    layers = [
        (rounded_rect(0, 0, w, h, 34), hex_colour("#E07B24")),
        (rounded_rect(*screen, 28), vertical_gradient((92, 38, 140), (232, 96, 150), screen[1], screen[3])),
        (rounded_rect(62, 8, 138, 30, 10), hex_colour("#1A1A1A")),
        (circle(118, 19, 4), hex_colour("#3A4A6A")),
        (rounded_rect(70, 376, 130, 380, 2), hex_colour("#FFFFFF", 200)),
    ]
    return w, h, screen, layers


def brisa_mini():
    w, h = 150, 300
    screen = (16, 34, 134, 146)
    layers = [
        (rounded_rect(0, 0, w, h, 20), hex_colour("#A98BD0")),
        (rounded_rect(10, 28, 140, 152, 8), hex_colour("#5E4785")),
        (rounded_rect(*screen, 3), vertical_gradient((200, 230, 190), (150, 190, 140), screen[1], screen[3])),
        (circle(75, 180, 17), hex_colour("#7C63A8")),
        (circle(75, 180, 8), hex_colour("#C9B6E4")),
    ]
    for row in range(4):
        for col in range(3):
            x = 22 + col * 38
            y = 206 + row * 22
            layers.append((rounded_rect(x, y, x + 30, y + 16, 6), hex_colour("#F1EAF9")))
    layers.append((rounded_rect(60, 14, 90, 18, 2), hex_colour("#5E4785")))
    return w, h, screen, layers


def quorle_q5():
    w, h = 190, 380
    screen = (10, 14, 180, 366)
    layers = [
        (rounded_rect(0, 0, w, h, 24), hex_colour("#3B4252")),
        (rounded_rect(2, 2, w - 2, h - 2, 22), hex_colour("#4C566A")),
        (rounded_rect(*screen, 18), vertical_gradient((24, 120, 96), (40, 196, 210), screen[1], screen[3])),
        (circle(30, 34, 7), hex_colour("#111418")),
        (rounded_rect(w - 2, 90, w, 140, 1), hex_colour("#2E3440")),
    ]
    return w, h, screen, layers


def ostrel_8x():
    w, h = 204, 400
    screen = (14, 52, 190, 348)
    layers = [
        (rounded_rect(0, 0, w, h, 40), hex_colour("#B3263A")),
        (rounded_rect(6, 6, w - 6, h - 6, 34), hex_colour("#C93448")),
        (rounded_rect(*screen, 10), vertical_gradient((255, 214, 102), (240, 112, 48), screen[1], screen[3])),
        (circle(102, 200, 36), hex_colour("#FFF3C4", 150)),
        (rounded_rect(77, 26, 127, 32, 3), hex_colour("#6E1220")),
        (circle(140, 29, 5), hex_colour("#6E1220")),
    ]
    for i in range(3):
        layers.append((circle(72 + i * 30, 374, 6), hex_colour("#6E1220")))
    return w, h, screen, layers


# Raw model name, name to show, picture file, drawing, and whether the profile has a BOM.
MODELS = [
    ("Fennick F2", "Fennick F2", "fennick_f2.png", fennick_f2, False),
    ("Tallow T9 Pro", "Tallow T9 Pro", "tallow_t9_pro.png", tallow_t9_pro, False),
    ("Brisa Mini", "Brisa Mini", "brisa_mini.png", brisa_mini, True),
    ("Quorle Q5", "Quorle Q5", "quorle_q5.png", quorle_q5, False),
    ("Ostrel 8X", "Ostrel 8X \u9752\u6625\u7248", "ostrel_8x.png", ostrel_8x, False),
]


def main():
    pictures = os.path.join(HERE, "data", "pictures")
    profiles = os.path.join(HERE, "data", "profiles")
    os.makedirs(pictures, exist_ok=True)
    os.makedirs(profiles, exist_ok=True)
    for raw, shown, picture, draw, bom in MODELS:
        width, height, (x0, y0, x1, y1), layers = draw()
        assert width <= 204 and height <= 400
        with open(os.path.join(pictures, picture), "wb") as f:
            f.write(render(width, height, layers))
        text = ("[{model}]\r\nFixedPhoneModel=%s\r\nImageUrl={base}/pictures/%s\r\n"
                "ScreenCoordinate=%d,%d;%d,%d\r\n" % (shown, picture, x0, y0, x1, y1))
        with open(os.path.join(profiles, raw + ".ini"), "wb") as f:
            f.write((b"\xef\xbb\xbf" if bom else b"") + text.encode("utf-8"))
        print("%s: %s %dx%d" % (raw, picture, width, height))


if __name__ == "__main__":
    main()
