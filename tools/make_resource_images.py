#!/usr/bin/env python3
"""Draws the module's camera pictures and writes them as resource files.

    resources/camera.ico    icon 209: 32 x 32 and 16 x 16, 16 colours
    resources/toolbox.bmp   bitmap 102, the toolbox picture: 16 x 16, 4 bits per pixel

Both use the standard 16-colour palette. The camera is built from a few
outlined shapes (viewfinder housing, shutter button, body, flash, lens),
each given in whole pixels for every size, so the small pictures stay crisp.
The output is deterministic: rerun after changing a shape and commit the
script together with the files it wrote.

Usage: tools/make_resource_images.py [output folder, default resources/]
"""
import math
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, RED, YELLOW, BLUE, WHITE = 0, 4, 7, 8, 9, 11, 12, 15
TRANSPARENT = None


class RoundedRect:
    """Pixels x0..x1, y0..y1 inclusive, with `cut` pixels taken off each corner diagonal."""

    def __init__(self, x0, y0, x1, y1, cut=0):
        self.x0, self.y0, self.x1, self.y1, self.cut = x0, y0, x1, y1, cut

    def contains(self, x, y):
        if not (self.x0 <= x <= self.x1 and self.y0 <= y <= self.y1):
            return False
        dx = min(x - self.x0, self.x1 - x)
        dy = min(y - self.y0, self.y1 - y)
        return dx + dy >= self.cut


class Circle:
    """Pixels whose centres lie within `radius` of (cx, cy); pixel (x, y) has its centre at x + 0.5."""

    def __init__(self, cx, cy, radius):
        self.cx, self.cy, self.radius = cx, cy, radius

    def contains(self, x, y):
        return math.hypot(x + 0.5 - self.cx, y + 0.5 - self.cy) <= self.radius


def draw(size, layers, background):
    """Paints the layers in order into a size x size grid of palette indexes.

    A layer is (shape, fill, outline): pixels of the shape that touch a pixel
    outside it (left, right, above, below) get the outline colour, the others
    the fill colour; None as outline paints the whole shape in the fill.
    """
    grid = [[background] * size for _ in range(size)]
    for shape, fill, outline in layers:
        for y in range(size):
            for x in range(size):
                if not shape.contains(x, y):
                    continue
                edge = any(not shape.contains(x + dx, y + dy)
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                grid[y][x] = outline if edge and outline is not None else fill
    return grid


def camera_layers(size):
    """The camera's shapes for a 32 or 16 pixel picture, back to front."""
    if size == 32:
        return [
            (RoundedRect(9, 4, 18, 10, 1), GREY, BLACK),      # viewfinder housing
            (RoundedRect(22, 6, 27, 10, 1), RED, BLACK),      # shutter button
            (RoundedRect(1, 9, 30, 28, 2), GREY, BLACK),      # body
            (RoundedRect(3, 10, 28, 10), SILVER, None),       # light top edge of the body
            (RoundedRect(4, 12, 8, 15), YELLOW, BLACK),       # flash
            (Circle(16, 19, 8.2), SILVER, BLACK),             # lens mount
            (Circle(16, 19, 5.6), NAVY, BLACK),               # glass
            (Circle(16, 19, 3.2), BLUE, None),                # inner glass
            (RoundedRect(13, 16, 14, 17), WHITE, None),       # reflection
        ]
    if size == 16:
        return [
            (RoundedRect(5, 2, 10, 5, 1), GREY, BLACK),
            (RoundedRect(12, 3, 14, 5), RED, BLACK),
            (RoundedRect(0, 5, 15, 14, 1), GREY, BLACK),
            (RoundedRect(2, 6, 13, 6), SILVER, None),
            (RoundedRect(2, 8, 3, 9), YELLOW, None),
            (Circle(8, 10, 3.7), NAVY, BLACK),
            (Circle(8, 10, 2.0), BLUE, None),
            (RoundedRect(7, 8, 7, 8), WHITE, None),
        ]
    raise ValueError(size)


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def pack_4bit_rows(grid, fill_for_transparent):
    """Rows bottom-up, two pixels a byte (high nibble first), each row padded to 4 bytes."""
    out = bytearray()
    for row in reversed(grid):
        line = bytearray()
        for i in range(0, len(row), 2):
            hi, lo = (fill_for_transparent if p is TRANSPARENT else p for p in row[i:i + 2])
            line.append(hi << 4 | lo)
        line.extend(b"\0" * (-len(line) % 4))
        out += line
    return bytes(out)


def pack_mask_rows(grid):
    """AND mask, bottom-up, one bit a pixel (1 = transparent), rows padded to 4 bytes."""
    out = bytearray()
    for row in reversed(grid):
        line = bytearray((len(row) + 7) // 8)
        for x, p in enumerate(row):
            if p is TRANSPARENT:
                line[x // 8] |= 0x80 >> (x % 8)
        line.extend(b"\0" * (-len(line) % 4))
        out += line
    return bytes(out)


def info_header(width, height, image_size):
    # BITMAPINFOHEADER: 4 bits per pixel, uncompressed, 16 palette entries.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def icon_file(grids):
    images = []
    for grid in grids:
        size = len(grid)
        pixels = pack_4bit_rows(grid, BLACK)
        mask = pack_mask_rows(grid)
        # An icon image's header counts the colour rows and the mask rows.
        images.append(info_header(size, 2 * size, len(pixels) + len(mask)) + palette_bytes() +
                      pixels + mask)
    data = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for grid, image in zip(grids, images):
        size = len(grid)
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    for image in images:
        data += image
    return bytes(data)


def bitmap_file(grid):
    size = len(grid)
    pixels = pack_4bit_rows(grid, SILVER)
    header = info_header(size, size, len(pixels)) + palette_bytes()
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0,
                              14 + len(header))
    return file_header + header + pixels


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources")
    icon = icon_file([draw(32, camera_layers(32), TRANSPARENT),
                      draw(16, camera_layers(16), TRANSPARENT)])
    toolbox = bitmap_file(draw(16, camera_layers(16), SILVER))
    for name, data in (("camera.ico", icon), ("toolbox.bmp", toolbox)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
