#!/usr/bin/env python3
"""Draws the device library's shared button faces into devlib/res as 24-bit BMP files.

The faces are small symbols on the button-face grey, so a disabled button can emboss them:
  start_idle.bmp      (166) record from the unit: green play triangle and a red record dot
  start_running.bmp   (167) recording: red stop square
  playback_idle.bmp   (169) play back a file: a page and a blue play triangle
  playback_running.bmp(168) playing back: a page and a blue stop square
  toggle_on.bmp       (152) output on: slide switch, green track, knob to the right
  toggle_off.bmp      (151) output off: slide switch, grey track, knob to the left
  toggle_armed.bmp    (179) off, armed: as off, with an amber lamp on the track
  row_presets.bmp     (148) a Setup Channels row's presets button: a triangle pointing down
  row_setup.bmp       (149) a row's set-up button: three dots
  preset_analog.bmp   (141) the presets organiser's input-channel preset image
  preset_calc.bmp     (140) its calculation preset image

Run from anywhere: python3 tools/make_devlib_bitmaps.py. The output is committed; the build
only reads it. The probe points the tests check are noted beside each face.
"""
import os
import struct

FACE = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREEN = (0, 160, 0)
RED = (200, 0, 0)
BLUE = (0, 64, 200)
AMBER = (255, 176, 0)
GREY = (128, 128, 128)

START_SIZE = (40, 18)
TOGGLE_SIZE = (32, 18)


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[FACE] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, fill, outline=None):
        """Fills [left, right) x [top, bottom), with a one-pixel outline when given."""
        for y in range(top, bottom):
            for x in range(left, right):
                edge = x in (left, right - 1) or y in (top, bottom - 1)
                self.put(x, y, outline if (outline and edge) else fill)

    def triangle_right(self, left, top, bottom, fill, outline):
        """A play triangle: the left edge from top to bottom, the point to the right."""
        half = (bottom - top) / 2.0
        mid = top + half
        for y in range(top, bottom + 1):
            reach = int(round((half - abs(y - mid)) * 1.7))
            for x in range(left, left + reach + 1):
                edge = x in (left, left + reach) or y in (top, bottom)
                self.put(x, y, outline if edge else fill)

    def disc(self, cx, cy, radius, fill, outline):
        for y in range(cy - radius, cy + radius + 1):
            for x in range(cx - radius, cx + radius + 1):
                d2 = (x - cx) ** 2 + (y - cy) ** 2
                if d2 <= radius * radius + radius:
                    inner = d2 <= (radius - 1) * (radius - 1) + (radius - 1)
                    self.put(x, y, fill if inner else outline)

    def page(self, left, top, right, bottom):
        """A sheet with a folded corner and a few text lines."""
        self.rect(left, top, right, bottom, WHITE, BLACK)
        fold = 3
        for i in range(fold):
            for j in range(fold - i):
                self.put(right - 1 - j, top + i, FACE)
        for i in range(fold + 1):
            self.put(right - 1 - fold + i, top + i, BLACK)
        for y in range(top + 4, bottom - 2, 2):
            for x in range(left + 2, right - 2):
                self.put(x, y, GREY)

    def bmp(self):
        row_bytes = (self.width * 3 + 3) & ~3
        image = bytearray()
        for y in range(self.height - 1, -1, -1):  # bottom-up
            row = bytearray()
            for (r, g, b) in self.pixels[y]:
                row += bytes((b, g, r))
            row += bytes(row_bytes - len(row))
            image += row
        header = struct.pack('<IiiHHIIiiII', 40, self.width, self.height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
        file_header = struct.pack('<2sIHHI', b'BM', 14 + len(header) + len(image), 0, 0, 14 + len(header))
        return file_header + header + bytes(image)


def start_idle():
    # probes: (15, 9) green, (28, 9) red, (1, 1) face
    c = Canvas(*START_SIZE)
    c.triangle_right(9, 2, 15, GREEN, BLACK)
    c.disc(28, 9, 5, RED, BLACK)
    return c


def start_running():
    # probes: (20, 9) red, (13, 3) black outline, (3, 9) face
    c = Canvas(*START_SIZE)
    c.rect(13, 3, 27, 16, RED, BLACK)
    return c


def playback_idle():
    # probes: (7, 4) white page, (23, 9) blue, (36, 1) face
    c = Canvas(*START_SIZE)
    c.page(3, 2, 14, 16)
    c.triangle_right(19, 2, 15, BLUE, BLACK)
    return c


def playback_running():
    # probes: (7, 4) white page, (25, 9) blue, (36, 1) face
    c = Canvas(*START_SIZE)
    c.page(3, 2, 14, 16)
    c.rect(19, 3, 32, 16, BLUE, BLACK)
    return c


def switch(knob_right, track, lamp=None):
    c = Canvas(*TOGGLE_SIZE)
    c.rect(3, 4, 29, 14, track, BLACK)
    knob = 18 if knob_right else 3
    c.rect(knob, 2, knob + 11, 16, WHITE, BLACK)
    if lamp:
        c.disc(23, 9, 3, lamp, BLACK)
    return c


def toggle_on():
    # probes: (8, 9) green track, (23, 9) white knob, (1, 1) face
    return switch(True, GREEN)


def toggle_off():
    # probes: (8, 9) white knob, (23, 8) grey track, (1, 1) face
    return switch(False, GREY)


def toggle_armed():
    # probes: (8, 9) white knob, (23, 9) amber lamp, (27, 6) grey track
    return switch(False, GREY, AMBER)


def row_presets():
    # The Setup Channels row's presets button: a black triangle pointing down.
    c = Canvas(12, 12)
    for y in range(3, 9):
        half = (8 - y) * 0.75 + 0.25
        for x in range(12):
            if abs(x - 5.5) <= half:
                c.put(x, y, BLACK)
    return c


def row_setup():
    # The row's set-up button: three dots.
    c = Canvas(12, 12)
    for x in (1, 2, 5, 6, 9, 10):
        for y in (8, 9):
            c.put(x, y, BLACK)
    return c


def preset_kind(colour):
    # The presets organiser's item images: a square in the kind's colour on magenta (the mask).
    c = Canvas(16, 16)
    c.rect(0, 0, 16, 16, (255, 0, 255))
    c.rect(2, 3, 14, 13, colour)
    return c


FACES = {
    'start_idle.bmp': start_idle,
    'start_running.bmp': start_running,
    'playback_idle.bmp': playback_idle,
    'playback_running.bmp': playback_running,
    'toggle_on.bmp': toggle_on,
    'toggle_off.bmp': toggle_off,
    'toggle_armed.bmp': toggle_armed,
    'row_presets.bmp': row_presets,
    'row_setup.bmp': row_setup,
    'preset_analog.bmp': lambda: preset_kind((0, 96, 192)),
    'preset_calc.bmp': lambda: preset_kind((192, 96, 0)),
}


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'devlib', 'res')
    os.makedirs(out, exist_ok=True)
    for name, draw in FACES.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(draw().bmp())


if __name__ == '__main__':
    main()
