#!/usr/bin/env python3
"""Draws the program's icon, a tile of tessellated triangles, as a 128 x 128 PNG image and
wraps it in an .ico file with that one image.

Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys
import zlib

SIZE = 128
RADIUS = 22  # corner radius of the tile
CELL = 32  # side of the squares that the diagonals cut into triangles

TOP = (0x1F, 0x6F, 0x8B)
BOTTOM = (0x12, 0x3F, 0x5C)
LIGHT = (0xF2, 0xB1, 0x34)


def coverage(x, y):
    """How much of pixel (x, y) the rounded tile covers, from 0 to 1 (4 x 4 samples)."""
    inside = 0
    for sy in range(4):
        for sx in range(4):
            px = x + (sx + 0.5) / 4
            py = y + (sy + 0.5) / 4
            cx = min(max(px, RADIUS), SIZE - RADIUS)
            cy = min(max(py, RADIUS), SIZE - RADIUS)
            if (px - cx) ** 2 + (py - cy) ** 2 <= RADIUS ** 2:
                inside += 1
    return inside / 16


def colour(x, y):
    t = y / (SIZE - 1)
    base = tuple(round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM))
    # Each square is cut by a diagonal whose direction alternates like a checkerboard; the
    # lower triangle of every other square is lit.
    cx, cy = x // CELL, y // CELL
    u, v = (x % CELL) / CELL, (y % CELL) / CELL
    lower = v > u if (cx + cy) % 2 == 0 else v > 1 - u
    if lower and (cx + cy) % 2 == 0 and 0 < cx < 3 and 0 < cy < 3:
        return LIGHT
    if lower:
        return tuple(min(255, c + 24) for c in base)
    return base


def png(pixels):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    rows = b"".join(b"\x00" + bytes(row) for row in pixels)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def main():
    pixels = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            alpha = round(255 * coverage(x, y))
            row.extend(colour(x, y) + (alpha,) if alpha else (0, 0, 0, 0))
        pixels.append(row)
    image = png(pixels)
    # ICONDIR, then one ICONDIRENTRY: the image follows the 22-byte header.
    icon = struct.pack("<HHH", 0, 1, 1)
    icon += struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(sys.argv[1], "wb") as out:
        out.write(icon + image)


if __name__ == "__main__":
    main()
