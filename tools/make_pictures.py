#!/usr/bin/python3
"""Draws the window's seven pictures and writes them into app/pictures/.

Run by hand with Debian's python3 and python3-pil after changing a picture:
    /usr/bin/python3 tools/make_pictures.py
The files it writes are committed; the build embeds them as resources.
"""

import io
import math
import os
import struct

from PIL import Image, ImageDraw

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "pictures")

FRAME_BLUE = (0xD6, 0xDE, 0xEF)
FRAME_EDGE = (0x84, 0x94, 0xC6)
DARK_BLUE = (0x42, 0x63, 0x94)
BAND_PALE = (0xD6, 0xDE, 0xF7)
BAND_LIGHT = (0xEF, 0xF7, 0xFF)
WHITE = (0xFF, 0xFF, 0xFF)
INK = (0x1F, 0x3A, 0x7A)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def band_colour(row, rows):
    """Pale at the first and last rows, near-white in the middle."""
    middle = (rows - 1) / 2
    return mix(BAND_LIGHT, BAND_PALE, (abs(row - middle) / middle) ** 1.6)


def save_gif(image, name, colours, transparent=None):
    """Writes a one-frame GIF89a whose global palette has exactly `colours` entries."""
    opaque = colours - (1 if transparent is not None else 0)
    rgb = image.convert("RGB")
    quantised = rgb.quantize(colors=opaque, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = quantised.getpalette()[: 3 * opaque]
    palette += [0, 0, 0] * (opaque - len(palette) // 3)
    pixels = list(quantised.getdata())
    if transparent is not None:
        # The last entry is the transparent one, shown as the margin's colour.
        palette += list(FRAME_BLUE)
        mask = transparent.getdata()
        pixels = [opaque if not m else p for p, m in zip(pixels, mask)]
    out = Image.new("P", image.size)
    out.putpalette(palette)
    out.putdata(pixels)
    options = {"optimize": False}
    if transparent is not None:
        options["transparency"] = opaque
    data = io.BytesIO()
    out.save(data, "GIF", **options)
    # Pillow labels a file without extensions 87a; every picture here is 89a.
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(b"GIF89a" + data.getvalue()[6:])


def background():
    w, h = 218, 245
    img = Image.new("RGB", (w, h), WHITE)
    d = ImageDraw.Draw(img)
    # Outer frame: rounded top corners, a wide curve cutting the bottom-right.
    d.rectangle((0, 7, 213, 244), fill=FRAME_BLUE, outline=FRAME_EDGE)
    d.rounded_rectangle((0, 0, 213, 20), radius=7, fill=FRAME_BLUE, outline=FRAME_EDGE)
    d.rectangle((1, 7, 212, 20), fill=FRAME_BLUE)
    cx, cy, rx, ry = 173, 238, 40, 6
    for x in range(cx, 214):
        edge = cy + ry * math.sqrt(max(0.0, 1 - ((x - cx) / rx) ** 2))
        for y in range(int(edge) + 1, 245):
            img.putpixel((x, y), WHITE)
        img.putpixel((x, min(244, int(edge) + 1)), FRAME_EDGE)
    # Fine vertical stripes in the right margin.
    for x in range(192, 213):
        if x % 2 == 0:
            for y in range(8, 236):
                img.putpixel((x, y), mix(FRAME_BLUE, WHITE, 0.35))
    # Inner panel: outline, title band, body, footer band.
    d.rectangle((12, 13, 191, 231), outline=DARK_BLUE)
    for y in range(14, 36):
        d.line((13, y, 190, y), fill=band_colour(y - 14, 22))
    d.line((13, 36, 190, 36), fill=DARK_BLUE)
    d.rectangle((13, 37, 190, 208), fill=WHITE)
    d.line((13, 209, 190, 209), fill=DARK_BLUE)
    for y in range(210, 231):
        d.line((13, y, 190, y), fill=band_colour(y - 210, 21))
    # The tab on the panel's right edge, with its left-pointing arrowhead.
    d.rectangle((191, 23, 199, 55), fill=BAND_PALE, outline=DARK_BLUE)
    d.line((191, 24, 191, 54), fill=BAND_PALE)
    for i, x in enumerate(range(193, 196)):
        d.line((x, 39 - i, x, 39 + i), fill=DARK_BLUE)
    # The grip: six 2 x 2 dots in a triangle.
    for row, xs in enumerate(((210,), (205, 210), (200, 205, 210))):
        for x in xs:
            d.rectangle((x, 227 + 4 * row, x + 1, 228 + 4 * row), fill=DARK_BLUE)
    save_gif(img, "background.gif", 256)


def supersampled(size, draw, scale=4):
    """Draws at `scale` times the size and shrinks, for smooth edges."""
    big = Image.new("RGBA", (size[0] * scale, size[1] * scale), (0, 0, 0, 0))
    draw(ImageDraw.Draw(big), scale)
    return big.resize(size, Image.LANCZOS)


def flatten(rgba, backdrop):
    base = Image.new("RGBA", rgba.size, backdrop + (255,))
    return Image.alpha_composite(base, rgba).convert("RGB")


def go_button():
    w, h = 47, 43

    def draw(d, s):
        d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), radius=5 * s, fill=(0x7E, 0x95, 0xB8))
        d.rounded_rectangle((0, 0, (w - 2) * s - 1, (h - 2) * s - 1), radius=5 * s,
                            fill=(0xB9, 0xD3, 0xF2))
        # Gloss: the top half lighter.
        d.rounded_rectangle((2 * s, 2 * s, (w - 4) * s, (h // 2) * s), radius=4 * s,
                            fill=(0xE4, 0xF0, 0xFD))

    img = flatten(supersampled((w, h), draw), WHITE)
    letters = {
        "G": ["011110", "110011", "110000", "110111", "110011", "110011", "011111"],
        "O": ["011110", "110011", "110011", "110011", "110011", "110011", "011110"],
    }
    # Pixel letters: each bit is a 2 x 3 block, filled mid blue, outlined dark blue.
    cells = set()
    for index, letter in enumerate("GO"):
        ox, oy = 8 + index * 16, 10
        for y, row in enumerate(letters[letter]):
            for x, bit in enumerate(row):
                if bit == "1":
                    cells |= {(ox + 2 * x + dx, oy + 3 * y + dy) for dx in range(2) for dy in range(3)}
    px = img.load()
    for x, y in cells:
        for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
            if (nx, ny) not in cells:
                px[nx, ny] = INK
    for x, y in cells:
        px[x, y] = (0x4A, 0x7C, 0xD0)
    save_gif(img, "go.gif", 256)


def minimise_button():
    w, h = 19, 18
    img = Image.new("RGB", (w, h), FRAME_BLUE)
    mask = Image.new("1", (w, h), 0)
    d, m = ImageDraw.Draw(img), ImageDraw.Draw(mask)
    shape = [(3, 0), (w - 4, 0), (w - 1, 3), (w - 1, h - 4), (w - 4, h - 1), (3, h - 1),
             (0, h - 4), (0, 3)]
    m.polygon(shape, fill=1)
    d.polygon(shape, fill=(0xC6, 0xDB, 0xF5), outline=(0x6B, 0x86, 0xB8))
    for y in range(1, h // 2):
        d.line((3, y, w - 4, y), fill=mix((0xEC, 0xF4, 0xFE), (0xC6, 0xDB, 0xF5), y / (h / 2)))
    for top in (4, 9):
        d.line((5, top, 9, top + 4), fill=INK, width=2)
        d.line((9, top + 4, 13, top), fill=INK, width=2)
    save_gif(img, "minimise.gif", 256, transparent=mask)


def about_button():
    w, h = 22, 23

    def draw(d, s):
        d.ellipse((0, 0, w * s - 1, 18 * s), fill=(0x4F, 0x79, 0xB6, 255))
        d.ellipse((s, s, (w - 1) * s - 1, 17 * s), fill=(0xB5, 0xD4, 0xF4, 255))
        d.ellipse((3 * s, 2 * s, (w - 4) * s, 9 * s), fill=(0xE3, 0xEF, 0xFC, 255))
        d.polygon([(7 * s, 15 * s), (12 * s, 16 * s), (6 * s, (h - 1) * s)],
                  fill=(0x4F, 0x79, 0xB6, 255))
        d.polygon([(8 * s, 15 * s), (11 * s, 15 * s), (7 * s, 20 * s)],
                  fill=(0xB5, 0xD4, 0xF4, 255))
        # The letter i.
        d.ellipse((9 * s, 3 * s, 12 * s, 6 * s), fill=INK + (255,))
        d.rounded_rectangle((9 * s, 7 * s, 12 * s, 15 * s), radius=s, fill=INK + (255,))

    rgba = supersampled((w, h), draw)
    mask = rgba.getchannel("A").point(lambda a: 1 if a >= 96 else 0, "1")
    save_gif(flatten(rgba, FRAME_BLUE), "about.gif", 128, transparent=mask)


def close_button():
    size = 13
    img = Image.new("RGB", (size, size), (0xE8, 0x5A, 0x2C))
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, size - 1, size - 1), outline=(0xB8, 0x3A, 0x16))
    d.line((3, 3, 9, 9), fill=WHITE, width=2)
    d.line((3, 9, 9, 3), fill=WHITE, width=2)
    img.save(os.path.join(OUT, "close.jpg"), "JPEG", quality=92, subsampling=0)


def bmp_image(rows, palette, bits):
    """A BITMAPINFOHEADER image for an icon or cursor: colour bits, then the mask.

    `rows` is a list of rows of palette indexes, or None for transparent."""
    height, width = len(rows), len(rows[0])
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    stride = ((width * bits + 31) // 32) * 4
    mask_stride = ((width + 31) // 32) * 4
    xor, andmask = b"", b""
    for row in reversed(rows):
        bits_row = 0
        for x, index in enumerate(row):
            bits_row = (bits_row << bits) | (0 if index is None else index)
        xor += bits_row.to_bytes(width * bits // 8, "big").ljust(stride, b"\0")
        mask_row = 0
        for index in row:
            mask_row = (mask_row << 1) | (1 if index is None else 0)
        andmask += mask_row.to_bytes(width // 8, "big").ljust(mask_stride, b"\0")
    return header + colours + xor + andmask


def icon():
    size = 16

    def draw(d, s):
        def figure(x, y, scale, colour):
            d.ellipse(((x - 3 * scale) * s, (y - 3 * scale) * s, (x + 3 * scale) * s,
                       (y + 3 * scale) * s), fill=colour)
            d.pieslice(((x - 6 * scale) * s, (y + 3.5 * scale) * s, (x + 6 * scale) * s,
                        (y + 15 * scale) * s), 180, 360, fill=colour)

        figure(6.5, 4, 1.0, (0, 0, 0, 255))
        figure(11, 9.5, 0.62, (255, 255, 255, 255))

    shape = supersampled((size, size), draw, scale=8)
    big = Image.new("RGB", (size, size))
    small = Image.new("RGB", (size, size))
    for y in range(size):
        for x in range(size):
            big.putpixel((x, y), mix((0x3C, 0xB0, 0x44), (0x2C, 0x5C, 0xD8), x / (size - 1)))
            small.putpixel((x, y), mix((0xFF, 0xE0, 0x3A), (0xF0, 0x8A, 0x1C), y / (size - 1)))
    # The small figure sits over the large one's lower right.
    small_mask = Image.new("1", (size, size), 0)
    alpha = shape.getchannel("A")
    for y in range(size):
        for x in range(size):
            r, g, b, a = shape.getpixel((x, y))
            if a >= 128 and r > 128:
                small_mask.putpixel((x, y), 1)
    art = Image.composite(small, big, small_mask.convert("L").point(lambda v: 255 if v else 0))
    quantised = art.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = quantised.getpalette()[:765]
    palette += [0, 0, 0] * (255 - len(palette) // 3)
    palette = [tuple(palette[i:i + 3]) for i in range(0, 765, 3)] + [(0, 0, 0)]
    rows = [[quantised.getpixel((x, y)) if alpha.getpixel((x, y)) >= 128 else None
             for x in range(size)] for y in range(size)]
    image = bmp_image(rows, palette, 8)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8,
                                                           len(image), 22)
    with open(os.path.join(OUT, "stowlark.ico"), "wb") as f:
        f.write(directory + image)


HAND = [
    ".....BB..........",
    "....BWWB.........",
    "....BWWB.........",
    "....BWWB.........",
    "....BWWB.........",
    "....BWWBBB.......",
    "....BWWBWWBBB....",
    "....BWWBWWBWWBB..",
    "BB..BWWBWWBWWBWB.",
    "BWB.BWWWWWWWWBWB.",
    "BWWBBWWWWWWWWWWB.",
    ".BWWBWWWWWWWWWWB.",
    "..BWWWWWWWWWWWWB.",
    "..BWWWWWWWWWWWWB.",
    "...BWWWWWWWWWWWB.",
    "...BWWWWWWWWWWB..",
    "....BWWWWWWWWWB..",
    "....BWWWWWWWWB...",
    ".....BWWWWWWWB...",
    ".....BWWWWWWWB...",
    ".....BBBBBBBBB...",
]


def cursor():
    size, left, top = 32, 8, 4  # the fingertip lands on the hot spot (13, 4)
    palette = [(0, 0, 0), (255, 255, 255)] + [(0, 0, 0)] * 14
    rows = [[None] * size for _ in range(size)]
    for y, line in enumerate(HAND):
        for x, c in enumerate(line):
            if c != ".":
                rows[top + y][left + x] = 0 if c == "B" else 1
    image = bmp_image(rows, palette, 4)
    directory = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 13, 4,
                                                           len(image), 22)
    with open(os.path.join(OUT, "hand.cur"), "wb") as f:
        f.write(directory + image)


def main():
    os.makedirs(OUT, exist_ok=True)
    background()
    go_button()
    minimise_button()
    about_button()
    close_button()
    icon()
    cursor()
    for name in sorted(os.listdir(OUT)):
        print(name, os.path.getsize(os.path.join(OUT, name)), "bytes")


if __name__ == "__main__":
    main()
