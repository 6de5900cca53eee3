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
import sys

sys.dont_write_bytecode = True  # the shared canvas is imported; no cache in tools/
from canvas import AMBER, BLACK, BLUE, Canvas, FACE, GREEN, GREY, RED, WHITE

START_SIZE = (40, 18)
TOGGLE_SIZE = (32, 18)


def page(c, left, top, right, bottom):
    """A sheet with a folded corner and a few text lines."""
    c.rect(left, top, right, bottom, WHITE, BLACK)
    fold = 3
    for i in range(fold):
        for j in range(fold - i):
            c.put(right - 1 - j, top + i, FACE)
    for i in range(fold + 1):
        c.put(right - 1 - fold + i, top + i, BLACK)
    for y in range(top + 4, bottom - 2, 2):
        for x in range(left + 2, right - 2):
            c.put(x, y, GREY)


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
    page(c, 3, 2, 14, 16)
    c.triangle_right(19, 2, 15, BLUE, BLACK)
    return c


def playback_running():
    # probes: (7, 4) white page, (25, 9) blue, (36, 1) face
    c = Canvas(*START_SIZE)
    page(c, 3, 2, 14, 16)
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
