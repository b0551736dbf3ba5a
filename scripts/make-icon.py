#!/usr/bin/env python3
"""Draws the program's icon and writes it as app/varnel.ico: one 48 by 48 image, 32 bits per pixel,
opaque throughout. Uses only Python's standard library, so the icon can be made again anywhere.

The picture: three columns on a blue tile, as in the window. The left and middle columns hold
lines; the right column holds the lines of the left one that the middle one does not hold; the middle
column's lines, the ones to remove, are red.

Usage: scripts/make-icon.py [OUTPUT]   (default: app/varnel.ico next to this script's folder)
"""
import pathlib
import struct
import sys

SIZE = 48
TILE = (0x2B, 0x5F, 0xA8)
TILE_EDGE = (0x1B, 0x3F, 0x72)
PAPER = (0xFF, 0xFF, 0xFF)
INK = (0x33, 0x33, 0x33)
KEPT = (0x1E, 0x8C, 0x3C)
STRUCK = (0xD2, 0x2B, 0x2B)


def draw():
    """Returns rows of (r, g, b) pixels, top row first."""
    pixels = [[TILE for _ in range(SIZE)] for _ in range(SIZE)]

    def box(left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                pixels[y][x] = colour

    # A darker rim so the tile stands out on light and dark backgrounds alike.
    box(0, 0, SIZE, 2, TILE_EDGE)
    box(0, SIZE - 2, SIZE, SIZE, TILE_EDGE)
    box(0, 0, 2, SIZE, TILE_EDGE)
    box(SIZE - 2, 0, SIZE, SIZE, TILE_EDGE)

    columns = [(5, 17), (18, 30), (31, 43)]
    for left, right in columns:
        box(left, 6, right, 42, PAPER)

    source = [8, 6, 9, 7, 8, 5]
    removed = {1, 3}
    for row, length in enumerate(source):
        y = 10 + row * 5
        box(7, y, 7 + length, y + 2, INK)
    for row in sorted(removed):
        y = 10 + row * 5
        box(20, y, 20 + source[row], y + 2, STRUCK)
    kept = [length for row, length in enumerate(source) if row not in removed]
    for row, length in enumerate(kept):
        y = 10 + row * 5
        box(33, y, 33 + length, y + 2, KEPT)
    return pixels


def ico(pixels):
    """An icon file holding one 32-bit image: BGRA rows bottom up, then an all-clear AND mask."""
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b in row:
            xor += bytes((b, g, r, 0xFF))
    mask_row = ((SIZE + 31) // 32) * 4
    and_mask = bytes(mask_row * SIZE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask),
                         0, 0, 0, 0)
    image = header + bytes(xor) + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    output = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "app" / "varnel.ico"
    output.write_bytes(ico(draw()))


if __name__ == "__main__":
    main()
