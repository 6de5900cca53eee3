#!/usr/bin/env python3
"""Draws the script editor's tool pictures into scripts/editor/res as 16 x 15, 16-colour bitmaps.

Each picture is drawn below as text, one character per pixel, and is stored under the command
id of its tool (tool134.bmp for New Script and so on), which is the resource number the editor
loads it by. The background is the button face grey (192, 192, 192): the button draws the
disabled look from it by etching the picture's dark pixels.

Run from anywhere: python3 tools/make_editor_tool_bitmaps.py
"""
import os
import sys

sys.dont_write_bytecode = True  # the shared canvas is imported; no cache in tools/
from canvas import bmp_bytes

WIDTH, HEIGHT = 16, 15

# The 16 palette entries (R, G, B), in the order they are stored.
PALETTE = [
    (".", (192, 192, 192)),  # button face
    ("K", (0, 0, 0)),
    ("W", (255, 255, 255)),
    ("G", (128, 128, 128)),
    ("R", (224, 0, 0)),      # breakpoints
    ("r", (128, 0, 0)),
    ("Y", (255, 224, 0)),    # folders, sparks, the current-line arrow
    ("y", (160, 128, 0)),
    ("E", (0, 176, 0)),      # run
    ("e", (0, 96, 0)),
    ("B", (0, 64, 224)),     # disks, arrows
    ("b", (0, 0, 128)),
    ("C", (0, 160, 160)),
    ("L", (224, 224, 224)),
    ("M", (192, 0, 192)),
    ("O", (255, 128, 0)),
]
ORDER = [c for c, _ in PALETTE]

# New Script: a blank page with a spark at its corner.
NEW = [
    "..KKKKKKK...Y...",
    "..KWWWWWKK.Y.Y..",
    "..KWWWWWKWK.Y...",
    "..KWWWWWKKKK....",
    "..KWWWWWWWWK....",
    "..KWWWWWWWWK....",
    "..KWWWWWWWWK....",
    "..KWWWWWWWWK....",
    "..KWWWWWWWWK....",
    "..KWWWWWWWWK....",
    "..KWWWWWWWWK....",
    "..KWWWWWWWWK....",
    "..KWWWWWWWWK....",
    "..KKKKKKKKKK....",
    "................",
]

# Open Script: an open folder.
OPEN = [
    "................",
    "................",
    "..........KKK...",
    ".KKKK....K...K.K",
    "KYWYWK.......KK.",
    "KWYWYKKKKKK.KKK.",
    "KYWYWYWYWYK.....",
    "KWYWYKKKKKKKKKKK",
    "KYWYKyyyyyyyyyK.",
    "KWYKyyyyyyyyyK..",
    "KYKyyyyyyyyyK...",
    "KKyyyyyyyyyK....",
    "KKKKKKKKKKK.....",
    "................",
    "................",
]

# Save Script: a disk.
SAVE = [
    "................",
    ".KKKKKKKKKKKKK..",
    ".KBKWWWWWWWKBK..",
    ".KBKWWWWWWWKBK..",
    ".KBKWWWWWWWKBK..",
    ".KBKWWWWWWWKBK..",
    ".KBBKKKKKKKBBK..",
    ".KBBBBBBBBBBBK..",
    ".KBBKKKKKKKBBK..",
    ".KBBKGGKLLKBBK..",
    ".KBBKGGKLLKBBK..",
    ".KBBKGGKLLKBBK..",
    "..KKKKKKKKKKKK..",
    "................",
    "................",
]

# Save Script As: the disk with a pencil across it.
SAVE_AS = [
    "............KK..",
    ".KKKKKKKKKKKOOK.",
    ".KBKWWWWWWKOOK..",
    ".KBKWWWWWKOOK...",
    ".KBKWWWWKOOK....",
    ".KBKWWWKOOK.....",
    ".KBBKKKYYK......",
    ".KBBBBBKK.......",
    ".KBBKKKKKKKBBK..",
    ".KBBKGGKLLKBBK..",
    ".KBBKGGKLLKBBK..",
    ".KBBKGGKLLKBBK..",
    "..KKKKKKKKKKKK..",
    "................",
    "................",
]

# Print Script: a printer with a page coming out.
PRINT = [
    "................",
    "....KKKKKKKK....",
    "....KWWWWWWK....",
    "....KWKKKKWK....",
    "....KWWWWWWK....",
    "..KKKKKKKKKKKK..",
    ".KLLLLLLLLLLLLK.",
    ".KLLLLLLLLLEELK.",
    ".KGGGGGGGGGGGGK.",
    ".KGKKKKKKKKKKGK.",
    ".KGKWWWWWWWWKGK.",
    "..KKWKKKKKKWKK..",
    "....KWWWWWWK....",
    "....KKKKKKKK....",
    "................",
]

# Run Script: a green triangle pointing right.
RUN = [
    "................",
    "....K...........",
    "....KK..........",
    "....KEK.........",
    "....KEEK........",
    "....KEEEK.......",
    "....KEEEEK......",
    "....KEEEEEK.....",
    "....KEEEEeK.....",
    "....KEEEeK......",
    "....KEEeK.......",
    "....KEeK........",
    "....KeK.........",
    "....KK..........",
    "................",
]

# Step Over: an arrow arching over a statement line and landing below it.
STEP_OVER = [
    "................",
    ".....BBBBB......",
    "...BB.....BB....",
    "..B.........B...",
    "..B.........B...",
    ".KKKKK...BBBBBBB",
    "..........BBBBB.",
    "...........BBB..",
    "............B...",
    ".KKKKKKKKKKK....",
    "................",
    ".KKKKKKKK.......",
    "................",
    ".KKKKKKKKKK.....",
    "................",
]

# Step Into: an arrow going down into an indented statement.
STEP_INTO = [
    "................",
    "......BB........",
    "......BB........",
    "......BB........",
    "......BB........",
    "....BBBBBB......",
    ".....BBBB.......",
    "......BB........",
    "................",
    "....KKKKKKKKKK..",
    "................",
    "....KKKKKKK.....",
    "................",
    ".KKKKKKKKK......",
    "................",
]

# Step To Cursor: an arrow running to a text cursor.
STEP_TO_CURSOR = [
    "................",
    "...........KKK..",
    "............K...",
    "............K...",
    "........B...K...",
    "........BB..K...",
    ".BBBBBBBBBB.K...",
    ".BBBBBBBBBBBK...",
    ".BBBBBBBBBB.K...",
    "........BB..K...",
    "........B...K...",
    "............K...",
    "............K...",
    "...........KKK..",
    "................",
]

# Toggle Breakpoint: a red dot beside a statement line.
BREAKPOINT = [
    "................",
    "................",
    "................",
    "....rrrr........",
    "...rRRRRr.......",
    "..rRWRRRRr......",
    "..rRRRRRRr.KKKK.",
    "..rRRRRRRr......",
    "..rRRRRRRr......",
    "...rRRRRr.......",
    "....rrrr........",
    "................",
    "................",
    "................",
    "................",
]

# Delete All Breakpoints: two red dots struck out with a black cross.
DELETE_BREAKPOINTS = [
    "................",
    ".rrr............",
    "rRRRr...........",
    "rRRRr.K.......K.",
    "rRRRr..K.....K..",
    ".rrr....K...K...",
    ".........K.K....",
    "..........K.....",
    ".........K.K....",
    "...rrr..K...K...",
    "..rRRRrK.....K..",
    "..rRRRK.......K.",
    "..rRRRr.........",
    "...rrr..........",
    "................",
]

# Inspect variables: a magnifying glass over a value.
WATCH = [
    "................",
    "...KKKK.........",
    "..KLLLLK........",
    ".KLWLLLLK.......",
    ".KLLLLLLK.......",
    ".KLLLLLLK.......",
    ".KLLLLLLK.......",
    "..KLLLLK........",
    "...KKKKKK.......",
    ".......KKK......",
    "........KKK.CCC.",
    ".........KK.....",
    "............CCC.",
    "................",
    "................",
]

# Insert: a page with a plus.
INSERT = [
    "................",
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWWWWWWKWK....",
    "..KWWWWWWKKKK...",
    "..KWWWWWWWWWK...",
    "..KWWWWEWWWWK...",
    "..KWWWWEWWWWK...",
    "..KWWEEEEEWWK...",
    "..KWWWWEWWWWK...",
    "..KWWWWEWWWWK...",
    "..KWWWWWWWWWK...",
    "..KKKKKKKKKKK...",
    "................",
    "................",
]


def bitmap_bytes(picture):
    assert len(picture) == HEIGHT and all(len(r) == WIDTH for r in picture), "pictures are 16 x 15"
    return bmp_bytes(picture, ORDER, [rgb for _, rgb in PALETTE], bits=4)

# Command id of the tool -> its picture.
PICTURES = {
    134: NEW,
    140: OPEN,
    141: SAVE,
    142: SAVE_AS,
    143: PRINT,
    144: RUN,
    158: STEP_OVER,
    145: STEP_INTO,
    146: STEP_TO_CURSOR,
    159: BREAKPOINT,
    160: DELETE_BREAKPOINTS,
    147: WATCH,
    154: INSERT,
}


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts", "editor", "res")
    for number, picture in PICTURES.items():
        with open(os.path.join(res, "tool%d.bmp" % number), "wb") as f:
            f.write(bitmap_bytes(picture))


if __name__ == "__main__":
    main()
