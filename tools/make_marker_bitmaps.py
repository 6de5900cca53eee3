#!/usr/bin/env python3
"""Draws the marker bar's images into shell/res as 24-bit BMP files (9 x 9 on the light grey of
the existing "mark" images) and its two step-button icons (16 x 16).

  mark_post.bmp / mark_post0.bmp      a marker placed with the mouse: a hollow pennant,
                                      green when its label is open, dark green otherwise
  mark_append.bmp / mark_append0.bmp  an append marker: a solid square with a stem,
                                      magenta when its label is open, purple otherwise
  search.bmp                          the SEARCH button of the bar (20 x 21): a black magnifier
  marker_prev.ico / marker_next.ico   black triangles pointing left and right

The tests probe the pixel (4, 0) of each image against the loaded resource. Run from anywhere:
python3 tools/make_marker_bitmaps.py. The output is committed; the build only reads it.
"""
import os
import sys

sys.dont_write_bytecode = True  # the shared canvas is imported; no cache in tools/
from canvas import Canvas, icon_bytes

GREY = (192, 192, 192)
GREEN, DARK_GREEN = (0, 200, 0), (0, 96, 0)
MAGENTA, PURPLE = (200, 0, 200), (96, 0, 128)


def canvas(size=9):
    return Canvas(size, size, GREY)


def post(colour):
    c = canvas()
    for y in range(9):
        c.put(4, y, colour)
    for y in range(5):
        for x in range(4, 9 - y):
            if y in (0, 4) or x in (4, 8 - y):
                c.put(x, y, colour)
    return c


def append(colour):
    c = canvas()
    c.rect(0, 0, 9, 5, colour)
    for y in range(5, 9):
        c.put(4, y, colour)
    return c


def search():
    c = Canvas(20, 21, GREY)
    for y in range(21):
        for x in range(20):
            d2 = (x - 8) ** 2 + (y - 8) ** 2
            if 16 <= d2 <= 30:
                c.put(x, y, (0, 0, 0))
    for i in range(5):
        c.put(12 + i, 12 + i, (0, 0, 0))
        c.put(13 + i, 12 + i, (0, 0, 0))
    return c


def icon(pointing_right):
    size = 16
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            reach = 5 - abs(y - 7.5) + 0.5
            dx = (x - 5) if pointing_right else (10 - x)
            row.append(0 <= dx <= reach * 1.2 and 2 <= y <= 13)
        rows.append(row)
    # Black where the triangle is, transparent elsewhere.
    return icon_bytes([[(0, 0, 0, 255) if on else (0, 0, 0, 0) for on in row] for row in rows], sized=True)

IMAGES = {
    'mark_post.bmp': lambda: post(GREEN),
    'mark_post0.bmp': lambda: post(DARK_GREEN),
    'mark_append.bmp': lambda: append(MAGENTA),
    'mark_append0.bmp': lambda: append(PURPLE),
    'search.bmp': search,
}


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'shell', 'res')
    for name, draw in IMAGES.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(draw().bmp())
    for name, right in (('marker_prev.ico', False), ('marker_next.ico', True)):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(icon(right))


if __name__ == '__main__':
    main()
