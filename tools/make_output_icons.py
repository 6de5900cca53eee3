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
import struct

W, H = 49, 18
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
GREEN = (0, 160, 0)
BLUE = (0, 64, 200)
RED = (200, 0, 0)
AMBER = (255, 176, 0)
GREY = (128, 128, 128)


class Canvas:
    def __init__(self):
        self.pixels = [[WHITE] * W for _ in range(H)]

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.pixels[y][x] = colour

    def hline(self, x0, x1, y, colour):
        self.rect(x0, y, x1, y, colour)

    def vline(self, x, y0, y1, colour):
        self.rect(x, y0, x, y1, colour)

    def pulse(self, x0, x1, colour, top=3, base=14):
        """A rectangular pulse from x0 to x1 on the base line, its sides and top in colour."""
        self.vline(x0, top, base, colour)
        self.vline(x1, top, base, colour)
        self.hline(x0, x1, top, colour)

    def ico(self):
        header = struct.pack('<IiiHHIIiiII', 40, W, 2 * H, 1, 32, 0, 0, 0, 0, 0, 0)
        rows = b''
        for y in range(H - 1, -1, -1):
            rows += b''.join(bytes((b, g, r, 255)) for (r, g, b) in self.pixels[y])
        mask_row = (W + 31) // 32 * 4
        image = header + rows + b'\0' * (mask_row * H)
        entry = struct.pack('<BBBBHHII', W, H, 0, 0, 1, 32, len(image), 6 + 16)
        return struct.pack('<HHH', 0, 1, 1) + entry + image


def baseline(c):
    c.hline(1, W - 2, 14, BLACK)


def pulse_count():
    # probes: (10, 3) green pulse top, (4, 14) black base line, (24, 8) white
    c = Canvas()
    baseline(c)
    for x in (7, 21, 35):
        c.pulse(x, x + 6, GREEN)
    return c


def pulse_repetition():
    # probes: (24, 9) blue period arrow, (11, 3) black pulse top, (24, 2) white
    c = Canvas()
    baseline(c)
    c.pulse(8, 14, BLACK)
    c.pulse(34, 40, BLACK)
    c.hline(9, 39, 9, BLUE)
    c.vline(9, 7, 11, BLUE)
    c.vline(39, 7, 11, BLUE)
    return c


def pulse_width():
    # probes: (24, 3) red pulse top, (8, 14) black base line, (24, 9) white
    c = Canvas()
    baseline(c)
    c.vline(17, 3, 14, BLACK)
    c.vline(31, 3, 14, BLACK)
    c.hline(17, 31, 3, RED)
    c.vline(17, 1, 5, RED)
    c.vline(31, 1, 5, RED)
    return c


def pulse_level():
    # probes: (36, 8) amber level mark, (20, 3) black pulse top, (8, 8) white
    c = Canvas()
    baseline(c)
    c.pulse(14, 28, BLACK)
    c.vline(36, 3, 14, AMBER)
    c.hline(34, 38, 3, AMBER)
    c.hline(34, 38, 14, AMBER)
    return c


def stimulator():
    # probes: (38, 8) green lamp, (6, 2) grey box edge, (24, 8) white
    c = Canvas()
    c.rect(4, 2, 44, 15, GREY)
    c.rect(5, 3, 43, 14, WHITE)
    c.pulse(10, 18, BLACK, top=5, base=12)
    c.hline(6, 10, 12, BLACK)
    c.hline(18, 26, 12, BLACK)
    c.rect(36, 6, 40, 10, GREEN)
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
