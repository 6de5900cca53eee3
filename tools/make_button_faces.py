#!/usr/bin/env python3
"""Draws the graph window's tool button faces into shell/res as 16 x 15 palette bitmaps.

Each face is drawn below as text, one character per pixel. The background is the classic
button grey (192, 192, 192) and the program loads the faces with LR_LOADMAP3DCOLORS, so that
grey, the shadow grey and the light grey take the system's button colours. Disabled faces are
made from the enabled ones: the picture in shadow grey over a white copy one pixel down and right.

Run from anywhere: python3 tools/make_button_faces.py
"""
import os
import sys

sys.dont_write_bytecode = True  # the shared canvas is imported; no cache in tools/
from canvas import bmp_bytes, disabled

WIDTH, HEIGHT = 16, 15

# Palette entries (R, G, B); the three greys are the ones LR_LOADMAP3DCOLORS maps.
PALETTE = {
    ".": (192, 192, 192),  # button face
    "K": (0, 0, 0),
    "W": (255, 255, 255),
    "G": (128, 128, 128),  # button shadow
    "L": (223, 223, 223),  # button light
    "B": (0, 0, 192),      # data: a recorded wave
}
ORDER = [".", "K", "W", "G", "L", "B"]

# The arrow tool: a pointer.
ARROW = [
    "...K............",
    "...KK...........",
    "...KWK..........",
    "...KWWK.........",
    "...KWWWK........",
    "...KWWWWK.......",
    "...KWWWWWK......",
    "...KWWWWWWK.....",
    "...KWWWWWWWK....",
    "...KWWWWKKKKK...",
    "...KWWKWWK......",
    "...KWK.KWWK.....",
    "...KK...KWWK....",
    "...K.....KWWK...",
    "..........KK....",
]

# The I-beam tool: a text cursor standing in a recorded wave, for selecting a time range.
IBEAM = [
    "................",
    "....KKK.KKK.....",
    ".......K........",
    ".......K........",
    "..BB...K........",
    ".B..B..K........",
    "B....B.K.......B",
    "......BK......B.",
    ".......K.....B..",
    ".......KB...B...",
    ".......K.BBB....",
    ".......K........",
    ".......K........",
    "....KKK.KKK.....",
    "................",
]

# The I-beam tool in XY mode, where it reads values off the plot: a cross-hair on an XY loop.
IBEAM_XY = [
    "................",
    ".......K........",
    ".......K........",
    ".....BBKBB......",
    "....B..K..B.....",
    "...B...K...B....",
    "..B....K....B...",
    ".KKKKKK.KKKKKK..",
    "..B....K....B...",
    "...B...K...B....",
    "....B..K..B.....",
    ".....BBKBB......",
    ".......K........",
    ".......K........",
    "................",
]

# The zoom tool: a magnifying glass with a plus in its lens.
ZOOM = [
    "................",
    "....KKKK........",
    "..KKWWWWKK......",
    "..KWWWKWWK......",
    ".KWWWWKWWWK.....",
    ".KWWKKKKKWK.....",
    ".KWWWWKWWWK.....",
    ".KWWWWKWWWK.....",
    "..KWWWWWWK......",
    "..KKWWWWKKK.....",
    "....KKKK.KKK....",
    "..........KKK...",
    "...........KKK..",
    "............KK..",
    "................",
]


# The journal's Insert Time: a clock face.
CLOCK = [
    "................",
    ".....KKKKK......",
    "...KKWWWWWKK....",
    "..KWWWWKWWWWK...",
    "..KWWWWKWWWWK...",
    ".KWWWWWKWWWWWK..",
    ".KWWWWWKWWWWWK..",
    ".KWWWWWKKKKWWK..",
    ".KWWWWWWWWWWWK..",
    ".KWWWWWWWWWWWK..",
    "..KWWWWWWWWWK...",
    "..KWWWWWWWWWK...",
    "...KKWWWWWKK....",
    ".....KKKKK......",
    "................",
]

# The journal's Insert Date: a calendar leaf.
CALENDAR = [
    "................",
    "...K.....K......",
    ".KKKKKKKKKKKK...",
    ".KBBBBBBBBBBK...",
    ".KKKKKKKKKKKK...",
    ".KWWWWWWWWWWK...",
    ".KWKWKWKWKWWK...",
    ".KWWWWWWWWWWK...",
    ".KWKWKWKWKWWK...",
    ".KWWWWWWWWWWK...",
    ".KWKWKWKWWWWK...",
    ".KWWWWWWWWWWK...",
    ".KKKKKKKKKKKK...",
    "................",
    "................",
]

# The journal's Autotime: a clock over a line of text.
AUTOTIME = [
    "................",
    "....KKKKK.......",
    "..KKWWKWWKK.....",
    "..KWWWKWWWK.....",
    ".KWWWWKWWWWK....",
    ".KWWWWKKKWWK....",
    ".KWWWWWWWWWK....",
    "..KWWWWWWWK.....",
    "..KKWWWWWKK.....",
    "....KKKKK.......",
    "................",
    ".KKK.KKKKK.KKKK.",
    "................",
    ".KKKKK.KKK.KKK..",
    "................",
]

# The journal's Load Text: a page with an arrow coming in.
LOAD_TEXT = [
    "......KKKKKKK...",
    "......KWWWWWKK..",
    "......KWKKKWWK..",
    "...K..KWWWWWWK..",
    "...KK.KWKKKKWK..",
    "KKKKKKKWWWWWWK..",
    "KKKKKKKKWKKKWK..",
    "KKKKKKKWWWWWWK..",
    "...KK.KWKKKKWK..",
    "...K..KWWWWWWK..",
    "......KWKKKKWK..",
    "......KWWWWWWK..",
    "......KKKKKKKK..",
    "................",
    "................",
]

# The journal's Save Text: a page with an arrow going out.
SAVE_TEXT = [
    "KKKKKKK.........",
    "KWWWWWKK........",
    "KWKKKWWK........",
    "KWWWWWWK..K.....",
    "KWKKKKWK..KK....",
    "KWWWWWWKKKKKK...",
    "KWKKKKWKKKKKKK..",
    "KWWWWWWKKKKKK...",
    "KWKKKKWK..KK....",
    "KWWWWWWK..K.....",
    "KWKKKKWK........",
    "KWWWWWWK........",
    "KKKKKKKK........",
    "................",
    "................",
]

# The journal's Print: a printer with a page.
PRINT = [
    "................",
    "....KKKKKKK.....",
    "....KWWWWWK.....",
    "....KWKKKWK.....",
    "....KWWWWWK.....",
    ".KKKKKKKKKKKKK..",
    "KLLLLLLLLLLLLLK.",
    "KLLLLLLLLLLBBLK.",
    "KGGGGGGGGGGGGGK.",
    "KLLLLLLLLLLLLLK.",
    ".KKKKKKKKKKKKK..",
    "....KWWWWWK.....",
    "....KWKKKWK.....",
    "....KKKKKKK.....",
    "................",
]


def bitmap_bytes(face):
    assert len(face) == HEIGHT and all(len(r) == WIDTH for r in face), "faces are 16 x 15"
    return bmp_bytes(face, ORDER, [PALETTE[c] for c in ORDER])

# Resource number -> face, in the order the program loads them: enabled arrow, I-beam, XY
# I-beam, zoom, then their disabled faces, then the toolbar's I-beam and XY I-beam pairs.
FACES = {
    115: ARROW,
    114: IBEAM,
    123: IBEAM_XY,
    113: ZOOM,
    187: disabled(ARROW),
    188: disabled(IBEAM),
    189: disabled(IBEAM_XY),
    190: disabled(ZOOM),
    223: IBEAM,
    224: disabled(IBEAM),
    225: IBEAM_XY,
    226: disabled(IBEAM_XY),
    # The journal's tool buttons; their disabled faces are drawn by the button itself.
    124: CLOCK,
    125: CALENDAR,
    177: AUTOTIME,
    131: LOAD_TEXT,
    132: SAVE_TEXT,
    130: PRINT,
}


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "shell", "res")
    for number, face in FACES.items():
        with open(os.path.join(res, "btn%d.bmp" % number), "wb") as f:
            f.write(bitmap_bytes(face))


if __name__ == "__main__":
    main()
