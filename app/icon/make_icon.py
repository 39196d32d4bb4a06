#!/usr/bin/env python3
"""Draws the program's icon, PatchConverter.ico, with the standard library only.

The picture: an instrument definition (a text page with a folded corner)
above a green arrow that points into a patch map (a card with a blue title bar
and a list of patches, each with the colour tag of its bank).

The icon holds nine images: 16, 32 and 48 pixels square, each at 4, 8 and 24
bits per pixel, stored as bitmaps with a one-bit transparency mask, so that
every Windows version can show them.

    python3 make_icon.py [output.ico]      (default: PatchConverter.ico beside it)
"""

import os
import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLING = 4  # samples per pixel side for the 24-bit images

# The 16 colours of 4-bit images, in the system's standard order.
VGA_PALETTE = (
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
)


class Colour:
    """A full colour (top and bottom of a vertical gradient) and the entry of
    VGA_PALETTE that stands for it in 4-bit images."""

    def __init__(self, top, vga_index, bottom=None):
        self.top = top
        self.bottom = bottom or top
        self.vga_index = vga_index

    def at(self, t):
        return tuple(round(a + (b - a) * t) for a, b in zip(self.top, self.bottom))


OUTLINE = Colour((0x3A, 0x3A, 0x44), 8)
PAGE = Colour((0xFF, 0xFF, 0xFF), 15, (0xE8, 0xEC, 0xF2))
FOLD = Colour((0xC8, 0xCC, 0xD4), 7)
TEXT = Colour((0x8C, 0x92, 0x9C), 8)
HEADER_TEXT = Colour((0x28, 0x5C, 0xC8), 12)
CARD_OUTLINE = Colour((0x14, 0x30, 0x70), 4)
CARD = Colour((0xFF, 0xFF, 0xF4), 15, (0xF0, 0xF0, 0xE0))
TITLE_BAR = Colour((0x4A, 0x86, 0xE8), 12, (0x1E, 0x50, 0xB4))
TAGS = (
    Colour((0xE8, 0x3C, 0x2C), 9),
    Colour((0xF4, 0xB4, 0x1C), 11),
    Colour((0x2C, 0xB4, 0x4C), 10),
)
ARROW = Colour((0x4C, 0xC8, 0x4C), 2, (0x1C, 0x8C, 0x2C))
ARROW_OUTLINE = Colour((0x10, 0x50, 0x18), 0)


def rectangle(left, top, right, bottom):
    return [(left, top), (right, top), (right, bottom), (left, bottom)]


def inset(polygon, distance):
    """The polygon with every edge moved inward by `distance` (mitred
    corners), for the inside of a one-pixel outline."""
    area = sum(x1 * y2 - x2 * y1
               for (x1, y1), (x2, y2) in zip(polygon, polygon[1:] + polygon[:1]))
    side = 1 if area > 0 else -1
    count = len(polygon)
    moved = []
    for i in range(count):
        (x1, y1), (x2, y2) = polygon[i], polygon[(i + 1) % count]
        length = ((x2 - x1) ** 2 + (y2 - y1) ** 2) ** 0.5
        nx, ny = -(y2 - y1) / length * side, (x2 - x1) / length * side
        moved.append(((x1 + nx * distance, y1 + ny * distance),
                      (x2 + nx * distance, y2 + ny * distance)))
    corners = []
    for i in range(count):
        (ax, ay), (bx, by) = moved[i - 1]
        (cx, cy), (dx, dy) = moved[i]
        denominator = (bx - ax) * (dy - cy) - (by - ay) * (dx - cx)
        t = ((cx - ax) * (dy - cy) - (cy - ay) * (dx - cx)) / denominator
        corners.append((ax + t * (bx - ax), ay + t * (by - ay)))
    return corners


def shapes(size):
    """The picture as (polygon, colour, top, bottom) in units of 1/16 of the
    icon, painted in order; top and bottom span the colour's gradient.
    Corners are put on the pixel grid of the size, and a line of one pixel
    is 16 / size units, so edges stay sharp and outlines one pixel wide."""
    px = 16 / size

    def snap(polygon):
        return [(round(x / px) * px, round(y / px) * px) for x, y in polygon]

    drawn = []

    def add(polygon, colour, top=None, bottom=None):
        ys = [y for _, y in polygon]
        drawn.append((polygon, colour, min(ys) if top is None else top,
                      max(ys) if bottom is None else bottom))

    def add_outlined(polygon, outline, fill, outline_from=16):
        # Small shapes get their outline only from `outline_from` pixels up:
        # below that it would swallow them.
        polygon = snap(polygon)
        if size < outline_from:
            add(polygon, fill)
            return
        add(polygon, outline)
        add(inset(polygon, px), fill, min(y for _, y in polygon), max(y for _, y in polygon))

    def add_line(left, top, right, colour):
        # One pixel high at 16 and 32 pixels, two at 48.
        add(snap(rectangle(left, top, right, top + max(px, 2 / 3))), colour)

    # The instrument definition: a page with a folded top right corner and
    # lines of text, the first a bracketed header.
    add_outlined([(1, 0), (7, 0), (10, 3), (10, 10), (1, 10)], OUTLINE, PAGE)
    add_outlined([(7, 0), (10, 3), (7, 3)], OUTLINE, FOLD, outline_from=32)
    add_line(2.5, 2, 5.5, HEADER_TEXT)
    for y, right in ((4, 8.5), (6, 7.5), (8, 8.5)):
        add_line(2.5, y, right, TEXT)

    # The patch map: a card with a title bar and three patch lines, each with
    # the colour tag of its bank.
    add_outlined(rectangle(7, 6, 16, 16), CARD_OUTLINE, CARD)
    add(snap(rectangle(7 + px, 6 + px, 16 - px, 8.5)), TITLE_BAR)
    for row, tag in enumerate(TAGS):
        y = 9.5 + row * 2
        add(snap(rectangle(8.5, y, 10.5, y + 1.25)), tag)
        add_line(11.5, y + 0.25, 14.5, TEXT)

    # The conversion: an arrow from below the page into the card.
    add_outlined([(0, 12), (3, 12), (3, 10), (7, 13), (3, 16), (3, 14), (0, 14)],
                 ARROW_OUTLINE, ARROW, outline_from=32)
    return drawn


def inside(polygon, x, y):
    """Even-odd test of the point against the polygon."""
    result = False
    for (x1, y1), (x2, y2) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


def shape_at(drawn, x, y):
    """The topmost shape under a point in units, or None."""
    for polygon, colour, top, bottom in reversed(drawn):
        if inside(polygon, x, y):
            span = bottom - top
            return colour, (0.0 if span <= 0 else min(1.0, max(0.0, (y - top) / span)))
    return None


def render_full_colour(size):
    """Rows of (r, g, b) or None (transparent), supersampled: a pixel is
    opaque when most of its samples are, and takes their mean colour."""
    drawn = shapes(size)
    scale = 16 / size
    rows = []
    for row in range(size):
        pixels = []
        for column in range(size):
            samples = []
            for sy in range(SUPERSAMPLING):
                for sx in range(SUPERSAMPLING):
                    hit = shape_at(drawn, (column + (sx + 0.5) / SUPERSAMPLING) * scale,
                                   (row + (sy + 0.5) / SUPERSAMPLING) * scale)
                    if hit:
                        samples.append(hit[0].at(hit[1]))
            if len(samples) * 2 < SUPERSAMPLING * SUPERSAMPLING:
                pixels.append(None)
            else:
                pixels.append(tuple(round(sum(c[i] for c in samples) / len(samples))
                                    for i in range(3)))
        rows.append(pixels)
    return rows


def render_vga(size):
    """Rows of VGA_PALETTE indexes or None, one sample at each pixel's centre."""
    drawn = shapes(size)
    scale = 16 / size
    rows = []
    for row in range(size):
        pixels = []
        for column in range(size):
            hit = shape_at(drawn, (column + 0.5) * scale, (row + 0.5) * scale)
            pixels.append(hit[0].vga_index if hit else None)
        rows.append(pixels)
    return rows


def fixed_palette():
    """256 colours: the 16 VGA ones, a 6x6x6 cube and greys between."""
    palette = list(VGA_PALETTE)
    levels = (0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF)
    palette += [(r, g, b) for r in levels for g in levels for b in levels]
    greys = [v for v in range(0x08, 0xFF, 0x0A) if v not in levels]
    palette += [(v, v, v) for v in greys]
    palette = list(dict.fromkeys(palette))
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette[:256]


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def to_palette(rows, palette):
    cache = {}
    return [[None if c is None else cache.setdefault(c, nearest(palette, c)) for c in row]
            for row in rows]


def row_bytes(bits):
    """Packs one row of bit values into bytes, padded to four bytes."""
    data = bytearray()
    for start in range(0, len(bits), 8):
        byte = 0
        for i, bit in enumerate(bits[start:start + 8]):
            byte |= bit << (7 - i)
        data.append(byte)
    return bytes(data) + b"\0" * (-len(data) % 4)


def pack_indexes(indexes, bits_per_pixel):
    data = bytearray()
    per_byte = 8 // bits_per_pixel
    for start in range(0, len(indexes), per_byte):
        byte = 0
        for i, index in enumerate(indexes[start:start + per_byte]):
            byte |= index << (8 - bits_per_pixel * (i + 1))
        data.append(byte)
    return bytes(data) + b"\0" * (-len(data) % 4)


def icon_image(size, bits_per_pixel, pixels, palette):
    """One image as stored in an icon: a bitmap header of twice the height,
    the palette, the colour rows and the mask rows, both bottom up.
    Transparent pixels are black in the colour rows and 1 in the mask."""
    colour_rows = []
    mask_rows = []
    for row in reversed(pixels):
        if bits_per_pixel == 24:
            line = b"".join(bytes((0, 0, 0)) if c is None else bytes((c[2], c[1], c[0]))
                            for c in row)
            colour_rows.append(line + b"\0" * (-len(line) % 4))
        else:
            colour_rows.append(pack_indexes([0 if i is None else i for i in row],
                                            bits_per_pixel))
        mask_rows.append(row_bytes([1 if c is None else 0 for c in row]))
    bitmap = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits_per_pixel, 0,
                         len(bitmap), 0, 0, 0, 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colours + bitmap


def images():
    full_palette = fixed_palette()
    for size in SIZES:
        full = render_full_colour(size)
        yield size, 4, icon_image(size, 4, render_vga(size), VGA_PALETTE)
        yield size, 8, icon_image(size, 8, to_palette(full, full_palette), full_palette)
        yield size, 24, icon_image(size, 24, full, ())


def icon_file(entries):
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(directory) + 16 * len(entries)
    data = b""
    for size, bits_per_pixel, image in entries:
        colour_count = 16 if bits_per_pixel == 4 else 0
        directory += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bits_per_pixel,
                                 len(image), offset + len(data))
        data += image
    return directory + data


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "PatchConverter.ico")
    with open(output, "wb") as file:
        file.write(icon_file(list(images())))


if __name__ == "__main__":
    main()
