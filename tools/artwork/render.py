#!/usr/bin/python3
"""Renders the module's pictures from the SVG sources in svg/ into resources/png/ (100%) and
resources/png/125/, 150/, 175/ and 200/ (the larger display scales).

    /usr/bin/python3 tools/artwork/render.py

Installs librsvg2-bin, python3-pil, fonts-wqy-microhei and zopfli when they are missing (as
root).
The output depends only on the sources and on those packages, so a second run rewrites the
same bytes.
"""

import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
SOURCES = os.path.join(HERE, "svg")
OUTPUT = os.path.join(ROOT, "resources", "png")

# Display scales in percent. The page multiplies its 96-DPI layout by the window's DPI / 96,
# so each scale gets its own render rather than a stretched 100% picture.
SCALES = [100, 125, 150, 175, 200]

PACKAGES = ["librsvg2-bin", "python3-pil", "fonts-wqy-microhei", "zopfli"]

# Colour types written: RGBA unless noted. "p64" is a 64-entry palette built along the line
# between two colours (the sources use no other colours), so every step stays below one
# level per channel and the gradient needs no dithering.
RGBA, RGB, P64 = "rgba", "rgb", "p64"

# (file stem, width, height, colour type, extra), sizes at 100%
# extra: for P64 the two ends of the colour line; for three-slice images the edge widths,
# whose middle columns must be identical or the stretch shows a seam; for button strips the
# number of frames side by side, which must each stay a whole number of pixels wide.
PICTURES = [
    ("101_status_background", 741, 526, P64, {"line": ("#FFFFFF", "#D9E3EE")}),
    ("102_generic_phone", 204, 373, RGBA, {}),
    ("103_usb_cable", 234, 21, RGBA, {}),
    ("105_progress_knob", 19, 19, RGBA, {"slices": (8, 8)}),
    ("106_progress_fill", 16, 16, RGBA, {"slices": (6, 6)}),
    ("109_small_phone", 65, 106, RGBA, {}),
    ("112_info_card", 60, 337, RGBA, {"slices": (18, 18)}),
    ("115_battery_body", 91, 48, RGBA, {}),
    ("116_battery_fill", 79, 33, RGBA, {}),
    ("120_idle_heading", 232, 23, RGBA, {}),
    ("122_connect_steps", 659, 103, RGBA, {}),
    ("126_reconnect_button", 366, 48, RGBA, {"frames": 3}),
    ("128_connected_mark", 41, 40, RGBA, {}),
    ("129_battery_glow", 209, 66, RGBA, {}),
    ("130_tile_apps", 52, 52, RGBA, {}),
    ("131_tile_pictures", 52, 52, RGBA, {}),
    ("132_tile_music", 52, 52, RGBA, {}),
    ("133_tile_videos", 52, 52, RGBA, {}),
    ("134_tile_novels", 52, 52, RGBA, {}),
    ("135_tile_contacts", 52, 52, RGBA, {}),
    ("136_tile_sms", 52, 52, RGBA, {}),
    ("137_tile_games", 52, 52, RGBA, {}),
    ("138_computer", 116, 106, RGBA, {}),
    ("139_connecting_heading", 160, 23, RGBA, {}),
    ("140_current_dot", 20, 20, RGBA, {}),
    ("141_resting_ring", 12, 14, RGBA, {}),
    ("142_failed_heading", 288, 23, RGBA, {}),
    ("143_info_background", 742, 526, P64, {"line": ("#EEF3F8", "#DAE4EE")}),
    ("144_top_band", 147, 50, RGB, {"slices": (70, 70)}),
    ("145_card_tab", 116, 37, RGBA, {}),
    ("146_install_button", 568, 46, RGBA, {"frames": 4}),
]

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
COLOUR_TYPES = {RGBA: 6, RGB: 2, P64: 3}


def scaled(length, percent):
    """A logical length at a display scale, rounded half up: 19 at 125% is 24."""
    return (length * percent + 50) // 100


def scaled_size(width, height, extra, percent):
    # rsvg-convert stretches the drawing to the size asked for, so scaling a strip's frame
    # width puts every frame boundary on a whole pixel; the other pictures scale as a whole.
    frames = extra.get("frames", 1)
    if width % frames:
        sys.exit("a strip's width must be a whole number of frames")
    return frames * scaled(width // frames, percent), scaled(height, percent)


def output_folder(percent):
    return OUTPUT if percent == 100 else os.path.join(OUTPUT, str(percent))


def log(text):
    print("== " + text, file=sys.stderr)


def ensure_packages():
    missing = []
    for package in PACKAGES:
        status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package],
                                capture_output=True, text=True).stdout
        if status != "install ok installed":
            missing.append(package)
    if not missing:
        return
    if os.geteuid() != 0:
        sys.exit("installing packages needs root: run as root, or install: " + " ".join(missing))
    log("installing: " + " ".join(missing))
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "update", "-q"], check=True, env=env)
    subprocess.run(["apt-get", "install", "-y", "-q", "--no-install-recommends"] + missing,
                   check=True, env=env)


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def rasterise(svg, width, height, scratch):
    from PIL import Image
    target = os.path.join(scratch, "out.png")
    subprocess.run(["rsvg-convert", "--width", str(width), "--height", str(height),
                    "--format", "png", "--output", target, svg], check=True)
    image = Image.open(target)
    image.load()
    if image.size != (width, height):
        sys.exit("%s renders %dx%d, not %dx%d" % (svg, image.size[0], image.size[1], width, height))
    return image.convert("RGBA")


def line_palette(first, last):
    a, b = hex_colour(first), hex_colour(last)
    return [tuple(round(a[c] + (b[c] - a[c]) * i / 63) for c in range(3)) for i in range(64)]


def to_palette64(image, line):
    from PIL import Image
    if image.getextrema()[3][0] != 255:
        sys.exit("a palette picture must be fully opaque")
    palette = line_palette(*line)
    # PIL's own palette mapping works on a coarse colour cube and merges neighbouring steps,
    # so each colour is matched against the 64 entries exactly.
    nearest = {}
    for colour in set(image.convert("RGB").getdata()):
        nearest[colour] = min(range(64), key=lambda i: (
            sum((colour[c] - palette[i][c]) ** 2 for c in range(3)), i))
    worst = max(sum((colour[c] - palette[i][c]) ** 2 for c in range(3))
                for colour, i in nearest.items())
    if worst > 3:
        sys.exit("a colour lies off the palette's line; keep to the two ends and their mixes")
    indexed = Image.new("P", image.size)
    indexed.putdata([nearest[colour] for colour in image.convert("RGB").getdata()])
    indexed.putpalette([v for colour in palette for v in colour])
    return indexed


def check_slices(name, image, left, right):
    width, height = image.size
    pixels = image.load()
    for y in range(height):
        first = pixels[left, y]
        for x in range(left + 1, width - right):
            if pixels[x, y] != first:
                sys.exit("%s: middle column %d differs from column %d at row %d"
                         % (name, x, left, y))


def png_chunks(data):
    if data[:8] != PNG_SIGNATURE:
        raise ValueError("not a PNG")
    offset = 8
    while offset < len(data):
        length, kind = struct.unpack(">I4s", data[offset:offset + 8])
        yield kind, data[offset + 8:offset + 8 + length]
        offset += 12 + length


def problems_of(path, width, height, colour_type):
    with open(path, "rb") as f:
        data = f.read()
    chunks = list(png_chunks(data))
    kinds = [kind for kind, _ in chunks]
    ihdr = chunks[0][1]
    w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", ihdr)
    problems = []
    if (w, h) != (width, height):
        problems.append("size %dx%d" % (w, h))
    if depth != 8 or ctype != colour_type or interlace != 0:
        problems.append("depth %d, colour type %d, interlace %d" % (depth, ctype, interlace))
    if b"tRNS" in kinds:
        problems.append("has tRNS")
    if colour_type == 3:
        plte = [payload for kind, payload in chunks if kind == b"PLTE"]
        if len(plte) != 1 or len(plte[0]) != 64 * 3:
            problems.append("palette is not 64 entries")
    return problems


def check_written(path, width, height, colour_type):
    problems = problems_of(path, width, height, colour_type)
    if problems:
        sys.exit("%s: %s" % (path, ", ".join(problems)))


def same_pixels(first, second):
    from PIL import Image
    with Image.open(first) as a, Image.open(second) as b:
        return a.size == b.size and a.convert("RGBA").tobytes() == b.convert("RGBA").tobytes()


def recompress(path, width, height, colour_type, scratch):
    """Packs the PNG tighter (the pictures make up most of the module) without changing a pixel.

    zopflipng may also pick another colour type; such a result is not taken, since the page
    relies on each picture's type."""
    smaller = os.path.join(scratch, "smaller.png")
    if os.path.exists(smaller):
        os.remove(smaller)
    subprocess.run(["zopflipng", "-y", path, smaller], check=True, stdout=subprocess.DEVNULL)
    if not os.path.exists(smaller) or os.path.getsize(smaller) >= os.path.getsize(path):
        return
    if problems_of(smaller, width, height, colour_type):
        return
    if not same_pixels(path, smaller):
        sys.exit("%s: zopflipng changed the pixels" % path)
    os.replace(smaller, path)


def render(stem, width, height, kind, extra, percent, scratch):
    svg = os.path.join(SOURCES, stem + ".svg")
    image = rasterise(svg, width, height, scratch)
    if kind == P64:
        image = to_palette64(image, extra["line"])
    elif kind == RGB:
        if image.getextrema()[3][0] != 255:
            sys.exit("%s: an RGB picture must be fully opaque" % stem)
        image = image.convert("RGB")
    if "slices" in extra:
        left, right = (scaled(edge, percent) for edge in extra["slices"])
        check_slices("%s at %d%%" % (stem, percent), image.convert("RGBA"), left, right)
    path = os.path.join(output_folder(percent), stem + ".png")
    # No dpi, text or time chunks: the bytes depend on the pixels alone.
    image.save(path, "PNG", optimize=True)
    check_written(path, width, height, COLOUR_TYPES[kind])
    recompress(path, width, height, COLOUR_TYPES[kind], scratch)


def main():
    ensure_packages()
    with tempfile.TemporaryDirectory() as scratch:
        for percent in SCALES:
            os.makedirs(output_folder(percent), exist_ok=True)
            for stem, width, height, kind, extra in PICTURES:
                width, height = scaled_size(width, height, extra, percent)
                render(stem, width, height, kind, extra, percent, scratch)
                log("%s at %d%%: %dx%d" % (stem, percent, width, height))
    log("written to " + os.path.relpath(OUTPUT, ROOT))


if __name__ == "__main__":
    main()
