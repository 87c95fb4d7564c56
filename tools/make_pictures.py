#!/usr/bin/python3
"""Draws the window's pictures, icon and cursor and writes them into app/pictures/,
and the setup's pictures into installer/.

Each is drawn for 96 dots per inch and drawn again, from the same shapes, for
120, 144 and 192 (125, 150 and 200 %), so that no density shows a stretched
picture. The 96-dot files keep their plain names; the others end in -120,
-144 and -192. The icon is one file holding every size Windows shows.

Run by hand with Debian's python3 and python3-pil after changing a picture:
    /usr/bin/python3 tools/make_pictures.py
The files it writes are committed; the build embeds them as resources.
"""

import io
import math
import os
import struct

from PIL import Image, ImageDraw

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
OUT = os.path.join(ROOT, "app", "pictures")
SETUP_OUT = os.path.join(ROOT, "installer")
DENSITIES = (96, 120, 144, 192)

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
    """Writes a one-frame GIF89a whose global palette has exactly `colours` entries;
    None gives the smallest palette that holds every colour of the picture."""
    if colours is None:
        shown = image.convert("RGB").getdata()
        if transparent is not None:
            shown = [p for p, m in zip(shown, transparent.getdata()) if m]
        needed = len(set(shown)) + (transparent is not None)
        colours = min(256, 1 << (needed - 1).bit_length())
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


class Scale:
    """Maps the 96-dot layout onto a density: a pixel of the 96-dot picture
    covers the pixels from at(x) to at(x + 1) - 1, and a line keeps its
    thickness as seen on the screen."""

    def __init__(self, dpi):
        self.dpi = dpi
        self.k = dpi / 96
        self.line = self.at(1)

    def at(self, v):
        """round(v * dpi / 96), halves rounded up as the program rounds them."""
        return (v * self.dpi + 48) // 96

    def box(self, x0, y0, x1, y1):
        """The pixels that the 96-dot box (inclusive corners) covers."""
        return (self.at(x0), self.at(y0), self.at(x1 + 1) - 1, self.at(y1 + 1) - 1)

    def hline(self, x0, x1, y):
        return (self.at(x0), self.at(y), self.at(x1 + 1) - 1, self.at(y) + self.line - 1)

    def vline(self, x, y0, y1):
        return (self.at(x), self.at(y0), self.at(x) + self.line - 1, self.at(y1 + 1) - 1)

    def name(self, stem, extension):
        return f"{stem}.{extension}" if self.dpi == 96 else f"{stem}-{self.dpi}.{extension}"


def first_palette(colours, g):
    """The 96-dot pictures keep the palette sizes they were first made with."""
    return colours if g.dpi == 96 else None


def background(g):
    w, h = g.at(218), g.at(245)
    img = Image.new("RGB", (w, h), WHITE)
    d = ImageDraw.Draw(img)
    # Outer frame: rounded top corners, a wide curve cutting the bottom-right.
    right = g.at(214) - 1
    d.rectangle((0, g.at(7), right, h - 1), fill=FRAME_BLUE, outline=FRAME_EDGE, width=g.line)
    d.rounded_rectangle((0, 0, right, g.at(21) - 1), radius=g.at(7), fill=FRAME_BLUE,
                        outline=FRAME_EDGE, width=g.line)
    d.rectangle((g.line, g.at(7), right - g.line, g.at(21) - 1), fill=FRAME_BLUE)
    cx, cy, rx, ry = g.at(173), g.at(238), 40 * g.k, 6 * g.k
    for x in range(cx, right + 1):
        edge = cy + ry * math.sqrt(max(0.0, 1 - ((x - cx) / rx) ** 2))
        for y in range(int(edge) + 1, h):
            img.putpixel((x, y), WHITE)
        for y in range(int(edge) + 1, int(edge) + 1 + g.line):
            img.putpixel((x, min(h - 1, y)), FRAME_EDGE)
    # Fine vertical stripes in the right margin.
    for x in range(192, 213):
        if x % 2 == 0:
            d.rectangle(g.box(x, 8, x, 235), fill=mix(FRAME_BLUE, WHITE, 0.35))
    # Inner panel: outline, title band, body, footer band.
    panel = g.box(12, 13, 191, 231)
    d.rectangle(panel, outline=DARK_BLUE, width=g.line)
    inside = (panel[0] + g.line, panel[2] - g.line)
    title_rows = range(panel[1] + g.line, g.at(36))
    for y in title_rows:
        d.line((inside[0], y, inside[1], y), fill=band_colour(y - title_rows[0], len(title_rows)))
    d.rectangle(g.hline(13, 190, 36), fill=DARK_BLUE)
    d.rectangle((inside[0], g.at(36) + g.line, inside[1], g.at(209) - 1), fill=WHITE)
    d.rectangle(g.hline(13, 190, 209), fill=DARK_BLUE)
    footer_rows = range(g.at(209) + g.line, panel[3] - g.line + 1)
    for y in footer_rows:
        d.line((inside[0], y, inside[1], y), fill=band_colour(y - footer_rows[0], len(footer_rows)))
    # The tab on the panel's right edge, with its left-pointing arrowhead.
    # It overlaps the panel's outline, whatever thickness a line has.
    tab = (panel[2] - g.line + 1, g.at(23), g.at(200) - 1, g.at(56) - 1)
    d.rectangle(tab, fill=BAND_PALE, outline=DARK_BLUE, width=g.line)
    d.rectangle((panel[2] - g.line + 1, g.at(24), panel[2], g.at(55) - 1), fill=BAND_PALE)
    tip, middle = g.at(193), (g.at(39) + g.at(40) - 1) / 2
    for x in range(tip, g.at(196)):
        reach = (x - tip) + (g.at(40) - g.at(39) - 1) / 2
        d.line((x, math.ceil(middle - reach), x, math.floor(middle + reach)), fill=DARK_BLUE)
    # The grip: six 2 x 2 dots in a triangle.
    for row, xs in enumerate(((210,), (205, 210), (200, 205, 210))):
        for x in xs:
            d.rectangle(g.box(x, 227 + 4 * row, x + 1, 228 + 4 * row), fill=DARK_BLUE)
    save_gif(img, g.name("background", "gif"), first_palette(256, g))


def supersampled(size, draw, scale=4):
    """Draws at `scale` times the size and shrinks, for smooth edges."""
    big = Image.new("RGBA", (size[0] * scale, size[1] * scale), (0, 0, 0, 0))
    draw(ImageDraw.Draw(big), scale)
    return big.resize(size, Image.LANCZOS)


def flatten(rgba, backdrop):
    base = Image.new("RGBA", rgba.size, backdrop + (255,))
    return Image.alpha_composite(base, rgba).convert("RGB")


def go_button(g):
    w, h = g.at(47), g.at(43)

    def draw(d, s):
        d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), radius=g.at(5) * s, fill=(0x7E, 0x95, 0xB8))
        d.rounded_rectangle((0, 0, (w - g.at(2)) * s - 1, (h - g.at(2)) * s - 1),
                            radius=g.at(5) * s, fill=(0xB9, 0xD3, 0xF2))
        # Gloss: the top half lighter.
        d.rounded_rectangle((g.at(2) * s, g.at(2) * s, (w - g.at(4)) * s, (h // 2) * s),
                            radius=g.at(4) * s, fill=(0xE4, 0xF0, 0xFD))

    img = flatten(supersampled((w, h), draw), WHITE)
    letters = {
        "G": ["011110", "110011", "110000", "110111", "110011", "110011", "011111"],
        "O": ["011110", "110011", "110011", "110011", "110011", "110011", "011110"],
    }
    # Block letters: each bit is a 2 x 3 block, filled mid blue, outlined dark blue.
    cells = set()
    for index, letter in enumerate("GO"):
        ox, oy = 8 + index * 16, 10
        for y, row in enumerate(letters[letter]):
            for x, bit in enumerate(row):
                if bit == "1":
                    x0, y0, x1, y1 = g.box(ox + 2 * x, oy + 3 * y, ox + 2 * x + 1, oy + 3 * y + 2)
                    cells |= {(cx, cy) for cx in range(x0, x1 + 1) for cy in range(y0, y1 + 1)}
    px = img.load()
    outline = set()
    for _ in range(g.line):
        grown = cells | outline
        outline |= {(x + dx, y + dy) for x, y in grown
                    for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1))} - cells
    for x, y in outline:
        px[x, y] = INK
    for x, y in cells:
        px[x, y] = (0x4A, 0x7C, 0xD0)
    save_gif(img, g.name("go", "gif"), first_palette(256, g))


def minimise_button(g):
    w, h, corner = g.at(19), g.at(18), g.at(3)
    img = Image.new("RGB", (w, h), FRAME_BLUE)
    mask = Image.new("1", (w, h), 0)
    d, m = ImageDraw.Draw(img), ImageDraw.Draw(mask)
    shape = [(corner, 0), (w - 1 - corner, 0), (w - 1, corner), (w - 1, h - 1 - corner),
             (w - 1 - corner, h - 1), (corner, h - 1), (0, h - 1 - corner), (0, corner)]
    m.polygon(shape, fill=1)
    d.polygon(shape, fill=(0xC6, 0xDB, 0xF5))
    for y in range(g.line, h // 2):
        d.line((corner, y, w - 1 - corner, y),
               fill=mix((0xEC, 0xF4, 0xFE), (0xC6, 0xDB, 0xF5), y / (h / 2)))
    d.polygon(shape, outline=(0x6B, 0x86, 0xB8), width=g.line)
    for top in (4, 9):
        d.line((g.at(5), g.at(top), g.at(9), g.at(top + 4)), fill=INK, width=g.at(2))
        d.line((g.at(9), g.at(top + 4), g.at(13), g.at(top)), fill=INK, width=g.at(2))
    save_gif(img, g.name("minimise", "gif"), first_palette(256, g), transparent=mask)


def about_button(g):
    w, h = g.at(22), g.at(23)

    def draw(d, s):
        def xy(*points):
            return [round(v * g.k * s) for v in points]

        d.ellipse((0, 0, w * s - 1, g.at(18) * s), fill=(0x4F, 0x79, 0xB6, 255))
        d.ellipse(xy(1, 1) + [(w - g.at(1)) * s - 1, g.at(17) * s], fill=(0xB5, 0xD4, 0xF4, 255))
        d.ellipse(xy(3, 2) + [(w - g.at(4)) * s, g.at(9) * s], fill=(0xE3, 0xEF, 0xFC, 255))
        d.polygon(xy(7, 15, 12, 16) + [g.at(6) * s, (h - 1) * s], fill=(0x4F, 0x79, 0xB6, 255))
        d.polygon(xy(8, 15, 11, 15, 7, 20), fill=(0xB5, 0xD4, 0xF4, 255))
        # The letter i.
        d.ellipse(xy(9, 3, 12, 6), fill=INK + (255,))
        d.rounded_rectangle(xy(9, 7, 12, 15), radius=g.at(1) * s, fill=INK + (255,))

    rgba = supersampled((w, h), draw)
    mask = rgba.getchannel("A").point(lambda a: 1 if a >= 96 else 0, "1")
    save_gif(flatten(rgba, FRAME_BLUE), g.name("about", "gif"), 128, transparent=mask)


def close_button(g):
    size, inset = g.at(13), g.at(3)
    img = Image.new("RGB", (size, size), (0xE8, 0x5A, 0x2C))
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, size - 1, size - 1), outline=(0xB8, 0x3A, 0x16), width=g.line)
    far = size - 1 - inset
    d.line((inset, inset, far, far), fill=WHITE, width=g.at(2))
    d.line((inset, far, far, inset), fill=WHITE, width=g.at(2))
    img.save(os.path.join(OUT, g.name("close", "jpg")), "JPEG", quality=92, subsampling=0)


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
        mask_row <<= -width % 8
        andmask += mask_row.to_bytes((width + 7) // 8, "big").ljust(mask_stride, b"\0")
    return header + colours + xor + andmask


# Every size Windows shows a program's icon at, from the title bar's 16 at
# 96 dots per inch to the 256 of Explorer's largest view.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def figure(size):
    """The icon's drawing at `size` pixels: its colours, and how much of each
    pixel it covers (0 to 255)."""
    k = size / 16

    def draw(d, s):
        s *= k

        def person(x, y, scale, colour):
            d.ellipse(((x - 3 * scale) * s, (y - 3 * scale) * s, (x + 3 * scale) * s,
                       (y + 3 * scale) * s), fill=colour)
            d.pieslice(((x - 6 * scale) * s, (y + 3.5 * scale) * s, (x + 6 * scale) * s,
                        (y + 15 * scale) * s), 180, 360, fill=colour)

        person(6.5, 4, 1.0, (0, 0, 0, 255))
        person(11, 9.5, 0.62, (255, 255, 255, 255))

    shape = supersampled((size, size), draw, scale=8)
    big = Image.new("RGB", (size, size))
    small = Image.new("RGB", (size, size))
    for y in range(size):
        for x in range(size):
            big.putpixel((x, y), mix((0x3C, 0xB0, 0x44), (0x2C, 0x5C, 0xD8), x / (size - 1)))
            small.putpixel((x, y), mix((0xFF, 0xE0, 0x3A), (0xF0, 0x8A, 0x1C), y / (size - 1)))
    # The small figure sits over the large one's lower right.
    small_mask = Image.new("1", (size, size), 0)
    for y in range(size):
        for x in range(size):
            red, _, _, a = shape.getpixel((x, y))
            if a >= 128 and red > 128:
                small_mask.putpixel((x, y), 1)
    art = Image.composite(small, big, small_mask.convert("L").point(lambda v: 255 if v else 0))
    return art, shape.getchannel("A")


def icon_bitmap(size):
    """256 colours and a mask, which every Windows from XP on shows."""
    art, alpha = figure(size)
    quantised = art.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = quantised.getpalette()[:765]
    palette += [0, 0, 0] * (255 - len(palette) // 3)
    palette = [tuple(palette[i:i + 3]) for i in range(0, 765, 3)] + [(0, 0, 0)]
    rows = [[quantised.getpixel((x, y)) if alpha.getpixel((x, y)) >= 128 else None
             for x in range(size)] for y in range(size)]
    return bmp_image(rows, palette, 8), 8


def icon_png(size):
    """Full colour with soft edges, compressed: Vista and later read PNG images."""
    art, alpha = figure(size)
    art.putalpha(alpha)
    data = io.BytesIO()
    art.save(data, "PNG", optimize=True)
    return data.getvalue(), 32


def icon():
    """One icon file holding every size, so that the program file's icon is
    drawn, not stretched, wherever Windows shows it."""
    images = [icon_png(size) if size == 256 else icon_bitmap(size) for size in ICON_SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    for size, (image, bits) in zip(ICON_SIZES, images):
        # A size of 256 is written as 0.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(image),
                                 offset)
        offset += len(image)
    with open(os.path.join(OUT, "stowlark.ico"), "wb") as f:
        f.write(directory + b"".join(image for image, _ in images))


def with_figure(backdrop, size, left, top):
    art, alpha = figure(size)
    backdrop.paste(art, (left, top), alpha)
    return backdrop


def save_bmp(image, name):
    """256 colours, which the setup's pages show on every Windows."""
    quantised = image.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    quantised.save(os.path.join(SETUP_OUT, name), "BMP")


def setup_header():
    """The top right of the setup's and the uninstaller's pages: the window's
    pale band behind the figure, out of the pages' white on the left."""
    w, h = 150, 57
    band = Image.new("RGB", (w, h))
    for y in range(h):
        for x in range(w):
            band.putpixel((x, y), mix(WHITE, band_colour(y, h), min(1, x / (w / 2))))
    save_bmp(with_figure(band, 48, w - 48 - 10, (h - 48) // 2), "header.bmp")


def setup_side():
    """The left of the setup's finish page: the window's frame blues, darker
    downwards, under the figure."""
    w, h = 164, 314
    side = Image.new("RGB", (w, h))
    for y in range(h):
        colour = mix(FRAME_BLUE, DARK_BLUE, y / (h - 1))
        for x in range(w):
            side.putpixel((x, y), colour)
    save_bmp(with_figure(side, 128, (w - 128) // 2, 36), "side.bmp")


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


def cursor(g):
    # The fingertip lands on the hot spot, (13, 4) at 96 dots per inch.
    size, left, top = g.at(32), g.at(8), g.at(4)
    # The 96-dot cursor keeps the 16 colours it was first made with; the
    # larger ones need only black and white.
    bits = 4 if g.dpi == 96 else 1
    palette = [(0, 0, 0), (255, 255, 255)] + [(0, 0, 0)] * ((1 << bits) - 2)
    rows = [[None] * size for _ in range(size)]
    for y, line in enumerate(HAND):
        for x, c in enumerate(line):
            if c != ".":
                x0, y0, x1, y1 = g.box(x, y, x, y)
                for ty in range(y0, y1 + 1):
                    for tx in range(x0, x1 + 1):
                        rows[top + ty][left + tx] = 0 if c == "B" else 1
    image = bmp_image(rows, palette, bits)
    hot_x, hot_y = g.at(13), g.at(4)
    directory = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", size, size, len(palette) % 256, 0, hot_x,
                                                           hot_y, len(image), 22)
    with open(os.path.join(OUT, g.name("hand", "cur")), "wb") as f:
        f.write(directory + image)


def main():
    os.makedirs(OUT, exist_ok=True)
    for dpi in DENSITIES:
        for draw in (background, go_button, minimise_button, about_button, close_button, cursor):
            draw(Scale(dpi))
    icon()
    setup_header()
    setup_side()
    for name in sorted(os.listdir(OUT)):
        print(name, os.path.getsize(os.path.join(OUT, name)), "bytes")


if __name__ == "__main__":
    main()
