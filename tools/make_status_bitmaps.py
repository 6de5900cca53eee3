#!/usr/bin/env python3
"""Draws the device library's acquisition status images into devlib/res as 24-bit BMP files.

Each image is 12 x 12 pixels on the button-face grey, drawn in the graph's status strip beside
the Start button; the centre pixel (6, 6) tells them apart, and the tests probe it:
  status_no_unit.bmp   (2010) no unit: a red cross          centre red
  status_ready.bmp     (2011) ready: a green lamp           centre green
  status_running.bmp   (2012) data flowing: a red record dot on white   centre red, (1, 6) white
  status_waiting.bmp   (2013) waiting for data: an amber hourglass      centre amber
  status_busy.bmp      (2014) unit busy: a blue square      centre blue
  status_other.bmp     (2015) unit in another state: a black ring, hollow   centre face
  status_restart.bmp   (2018) restart pending: a green lamp with a black core   centre black
  status_finishing.bmp (137)  finishing: a dark grey bar    centre dark grey

Run from anywhere: python3 tools/make_status_bitmaps.py. The output is committed; the build only
reads it.
"""
import os
import sys

sys.dont_write_bytecode = True  # the shared canvas is imported; no cache in tools/
from canvas import AMBER, BLACK, BLUE, Canvas, FACE, GREEN, RED, WHITE

SIZE = (12, 12)
DARK = (64, 64, 64)


def no_unit():
    c = Canvas(*SIZE)
    for i in range(2, 11):
        for d in (0, 1):
            c.put(i + d - 1, i - 1, RED)
            c.put(11 - i + d, i - 1, RED)
    c.put(6, 6, RED)
    return c


def ready():
    c = Canvas(*SIZE)
    c.disc(6, 6, 5, GREEN, BLACK)
    return c


def running():
    c = Canvas(*SIZE)
    c.rect(0, 0, 12, 12, WHITE, BLACK)
    c.disc(6, 6, 4, RED, RED)
    c.put(1, 6, WHITE)
    return c


def waiting():
    c = Canvas(*SIZE)
    for y in range(1, 11):
        half = abs(y - 6) if y != 6 else 0
        half = max(half, 1)
        for x in range(6 - half, 6 + half + 1):
            c.put(x, y, AMBER)
    c.rect(1, 0, 12, 1, BLACK)
    c.rect(1, 11, 12, 12, BLACK)
    c.put(6, 6, AMBER)
    return c


def busy():
    c = Canvas(*SIZE)
    c.rect(2, 2, 11, 11, BLUE, BLACK)
    return c


def other():
    c = Canvas(*SIZE)
    c.disc(6, 6, 5, BLACK, BLACK)
    c.disc(6, 6, 3, FACE, FACE)
    return c


def restart():
    c = Canvas(*SIZE)
    c.disc(6, 6, 5, GREEN, BLACK)
    c.disc(6, 6, 1, BLACK, BLACK)
    return c


def finishing():
    c = Canvas(*SIZE)
    c.rect(1, 4, 12, 9, DARK)
    return c


IMAGES = {
    'status_no_unit.bmp': no_unit,
    'status_ready.bmp': ready,
    'status_running.bmp': running,
    'status_waiting.bmp': waiting,
    'status_busy.bmp': busy,
    'status_other.bmp': other,
    'status_restart.bmp': restart,
    'status_finishing.bmp': finishing,
}


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'devlib', 'res')
    os.makedirs(out, exist_ok=True)
    for name, draw in IMAGES.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(draw().bmp())


if __name__ == '__main__':
    main()
