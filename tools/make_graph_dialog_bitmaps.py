#!/usr/bin/env python3
"""Draws the graph dialogs' bitmaps into graph/dialogs/res: the tick of the Set Waveform Order list.

Each picture is drawn below as text, one character per pixel, and written as an 8-bit BMP.
Run from anywhere: python3 tools/make_graph_dialog_bitmaps.py
"""
import os
import struct

PALETTE = {
    ".": (192, 192, 192),  # button face
    "K": (0, 0, 0),
    "W": (255, 255, 255),
    "G": (128, 128, 128),  # button shadow
    "L": (223, 223, 223),  # button light
    "B": (0, 0, 192),
    "R": (192, 0, 0),
    "E": (0, 128, 0),
}
ORDER = [".", "K", "W", "G", "L", "B", "R", "E"]

# The tick drawn inside a shown channel's box: 8 x 8, white behind it.
CHECK = [
    "WWWWWWWW",
    "WWWWWWKW",
    "WWWWWKKW",
    "WKWWKKKW",
    "WKKKKKWW",
    "WWKKKWWW",
    "WWWKWWWW",
    "WWWWWWWW",
]


def bitmap_bytes(face):
    """An 8-bit bottom-up BMP of the picture with the small palette above."""
    width, height = len(face[0]), len(face)
    assert all(len(r) == width for r in face)
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(face):
        pixels += bytes(ORDER.index(c) for c in row) + bytes(stride - width)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in (PALETTE[c] for c in ORDER))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, len(ORDER), 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


PICTURES = {"check.bmp": CHECK}


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "graph", "dialogs", "res")
    os.makedirs(res, exist_ok=True)
    for name, face in PICTURES.items():
        with open(os.path.join(res, name), "wb") as f:
            f.write(bitmap_bytes(face))


if __name__ == "__main__":
    main()
