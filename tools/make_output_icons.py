#!/usr/bin/env python3
"""Draws the output panels' small pulse pictures into outputs/res as 49 x 18 icons.

Each is a black trace on white with one part in colour, the part its field sets:
  pulse_count.ico       (249) a train of three pulses, the pulses green
  pulse_repetition.ico  (250) two pulses with the period between them in blue
  pulse_width.ico       (257) one pulse with its width in red
  pulse_level.ico       (294) one pulse with its height marked in amber
  stimulator.ico        (274) a stimulator box with a green output lamp

Run from anywhere: python3 tools/make_output_icons.py. The output is committed; the build
only reads it. The probe points the tests check are noted beside each picture.
"""
import os
import sys

sys.dont_write_bytecode = True  # the shared canvas is imported; no cache in tools/
from canvas import AMBER, BLACK, BLUE, Canvas, GREEN, GREY, RED, WHITE

W, H = 49, 18


def canvas():
    return Canvas(W, H, WHITE)


def box(c, x0, y0, x1, y1, colour):
    """Fills from (x0, y0) to (x1, y1), both corners included."""
    c.rect(x0, y0, x1 + 1, y1 + 1, colour)


def pulse(c, x0, x1, colour, top=3, base=14):
    """A rectangular pulse from x0 to x1 on the base line, its sides and top in colour."""
    c.vline(x0, top, base, colour)
    c.vline(x1, top, base, colour)
    c.hline(x0, x1, top, colour)


def baseline(c):
    c.hline(1, W - 2, 14, BLACK)


def pulse_count():
    # probes: (10, 3) green pulse top, (4, 14) black base line, (24, 8) white
    c = canvas()
    baseline(c)
    for x in (7, 21, 35):
        pulse(c, x, x + 6, GREEN)
    return c


def pulse_repetition():
    # probes: (24, 9) blue period arrow, (11, 3) black pulse top, (24, 2) white
    c = canvas()
    baseline(c)
    pulse(c, 8, 14, BLACK)
    pulse(c, 34, 40, BLACK)
    c.hline(9, 39, 9, BLUE)
    c.vline(9, 7, 11, BLUE)
    c.vline(39, 7, 11, BLUE)
    return c


def pulse_width():
    # probes: (24, 3) red pulse top, (8, 14) black base line, (24, 9) white
    c = canvas()
    baseline(c)
    c.vline(17, 3, 14, BLACK)
    c.vline(31, 3, 14, BLACK)
    c.hline(17, 31, 3, RED)
    c.vline(17, 1, 5, RED)
    c.vline(31, 1, 5, RED)
    return c


def pulse_level():
    # probes: (36, 8) amber level mark, (20, 3) black pulse top, (8, 8) white
    c = canvas()
    baseline(c)
    pulse(c, 14, 28, BLACK)
    c.vline(36, 3, 14, AMBER)
    c.hline(34, 38, 3, AMBER)
    c.hline(34, 38, 14, AMBER)
    return c


def stimulator():
    # probes: (38, 8) green lamp, (6, 2) grey box edge, (24, 8) white
    c = canvas()
    box(c, 4, 2, 44, 15, GREY)
    box(c, 5, 3, 43, 14, WHITE)
    pulse(c, 10, 18, BLACK, top=5, base=12)
    c.hline(6, 10, 12, BLACK)
    c.hline(18, 26, 12, BLACK)
    box(c, 36, 6, 40, 10, GREEN)
    return c


PICTURES = {
    'pulse_count.ico': pulse_count,
    'pulse_repetition.ico': pulse_repetition,
    'pulse_width.ico': pulse_width,
    'pulse_level.ico': pulse_level,
    'stimulator.ico': stimulator,
}

if __name__ == '__main__':
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'outputs', 'res')
    os.makedirs(out, exist_ok=True)
    for name, draw in PICTURES.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(draw().ico())
