#!/usr/bin/env python3
"""Draws the graph dialogs' bitmaps into graph/dialogs/res: the tick of the Set Waveform Order list
and the faces of the graph toolbar's buttons (16 x 15, the classic button grey behind them; the
disabled face is the picture in shadow grey over a white copy one pixel down and right).

Each picture is drawn below as text, one character per pixel, and written as an 8-bit BMP.
Run from anywhere: python3 tools/make_graph_dialog_bitmaps.py
"""
import os
import sys

sys.dont_write_bytecode = True  # the shared canvas is imported; no cache in tools/
from canvas import bmp_bytes, disabled

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


def face(*rows):
    """A 16 x 15 face; short rows are padded with the button grey."""
    out = [r.ljust(16, ".") for r in rows]
    out += ["." * 16] * (15 - len(out))
    assert len(out) == 15 and all(len(r) == 16 for r in out), rows
    return out


# Scope: one trace across a screen.
SCOPE = face(
    "KKKKKKKKKKKKKKKK",
    "KWWWWWWWWWWWWWWK",
    "KWWWWWWWWWWWWWWK",
    "KWWWBBWWWWWWWWWK",
    "KWWBWWBWWWWWWWWK",
    "KWBWWWWBWWWWWWWK",
    "KBWWWWWWBWWWWWBK",
    "KWWWWWWWWBWWWBWK",
    "KWWWWWWWWWBWBWWK",
    "KWWWWWWWWWWBWWWK",
    "KWWWWWWWWWWWWWWK",
    "KKKKKKKKKKKKKKKK",
    "......KKKK",
    "....KKKKKKKK",
)
# Chart: three traces in stacked bands.
CHART = face(
    "KKKKKKKKKKKKKKKK",
    "KWWWWWBWWWWWWWWK",
    "KBBBBBWBBBBBBBBK",
    "KWWWWWWWWWWWWWWK",
    "KGGGGGGGGGGGGGGK",
    "KWWWWWWWWWRWWWWK",
    "KRRRRRRRRRWRRRRK",
    "KWWWWWWWWWWWWWWK",
    "KGGGGGGGGGGGGGGK",
    "KWWWEWWWWWWWWWWK",
    "KEEEWEEEEEEEEEEK",
    "KWWWWWWWWWWWWWWK",
    "KKKKKKKKKKKKKKKK",
)
# XY: two axes and a loop.
XY = face(
    ".K",
    "KKK",
    ".K.....BBBB",
    ".K....B....B",
    ".K...B......B",
    ".K...B......B",
    ".K...B.....B",
    ".K....B...B",
    ".K.....BBB",
    ".K",
    ".K",
    ".KKKKKKKKKKKKKK",
    ".............KKK",
    "..............K",
)
# The arrow tool.
ARROW = face(
    "...K",
    "...KK",
    "...KWK",
    "...KWWK",
    "...KWWWK",
    "...KWWWWK",
    "...KWWWWWK",
    "...KWWWWWWK",
    "...KWWWWKKKK",
    "...KWKKWK",
    "...KK..KWK",
    "...K...KWK",
    "........KWK",
    "........KK",
)
# The zoom tool: a magnifier.
ZOOM = face(
    "....KKKK",
    "..KKWWWWKK",
    ".KWWWWWWWWK",
    ".KWWWKWWWWK",
    "KWWWWKWWWWWK",
    "KWWKKKKKWWWK",
    "KWWWWKWWWWWK",
    ".KWWWKWWWWK",
    ".KWWWWWWWWK",
    "..KKWWWWKKK",
    "....KKKK.KKK",
    "..........KKK",
    "...........KKK",
    "............KK",
)
# Overlap segment mode: two segments of a wave over each other.
OVERLAP = face(
    "",
    "",
    "...BB......RR",
    "..B..B....R..R",
    ".B....B..R....R",
    "B......BR......R",
    "........B",
    ".......R.B",
    "..RRB.R...B.....",
    ".R..BR.....B...B",
    "R...RB......B.B",
    "...R..B......B",
    "..R....B",
)
# Vertical autoscale: a wave stretched between two arrow heads.
VAUTO = face(
    ".......K",
    "......KKK",
    ".....KKKKK",
    ".......K",
    ".......K...BB",
    "..BB...K..B..B",
    ".B..B..K.B....B",
    "B....B.KB",
    "......BK",
    ".......K",
    ".....KKKKK",
    "......KKK",
    ".......K",
)
# Horizontal autoscale: a wave between two sideways arrow heads.
HAUTO = face(
    "",
    "",
    "......BB",
    ".....B..B",
    "..K.B....B...K",
    ".KKB......B..KK",
    "KKKKKKKKKKKKKKKK",
    ".KK.........BKK",
    "..K..........BK.",
    "",
    "",
)
# Centre vertically: arrows pointing at a middle line.
VCENTER = face(
    ".......K",
    ".......K",
    ".....KKKKK",
    "......KKK",
    ".......K",
    "",
    "RRRRRRRRRRRRRRRR",
    "",
    ".......K",
    "......KKK",
    ".....KKKKK",
    ".......K",
    ".......K",
)
# Centre horizontally: arrows pointing at a middle column.
HCENTER = face(
    ".......R",
    ".......R",
    ".......R",
    "....K..R..K",
    "....KK.R.KK",
    "KKKKKKKRKKKKKKK",
    "....KK.R.KK",
    "....K..R..K",
    ".......R",
    ".......R",
    ".......R",
)
# Find peak: an arrow above the top of a peak.
FINDPEAK = face(
    ".......R",
    ".......R",
    ".....RRRRR",
    "......RRR",
    ".......R",
    "",
    ".......B",
    "......B.B",
    ".....B...B",
    "....B.....B",
    "...B.......B",
    "BBB.........BBBB",
)
# Find next peak: the arrow over the second of two peaks.
FINDNEXT = face(
    "...........R",
    "...........R",
    ".........RRRRR",
    "..........RRR",
    "...........R",
    "",
    "...B.......B",
    "..B.B.....B.B",
    ".B...B...B...B",
    "B.....B.B.....B",
    ".......B",
)
# Grid: major lines with a wave over them.
GRID = face(
    "KKKKKKKKKKKKKKKK",
    "K....G....G....K",
    "K....G....G....K",
    "K....G....G....K",
    "KGGGGGGGGGGGGGGK",
    "K....G....G....K",
    "K....G....G....K",
    "K....G....G....K",
    "KGGGGGGGGGGGGGGK",
    "K....G....G....K",
    "K....G....G....K",
    "K....G....G....K",
    "KKKKKKKKKKKKKKKK",
)
# Measurements: a row of boxes with a value.
MEASURE = face(
    "",
    "KKKKKKKKKKKKKKKK",
    "KWWWWWWKWWWWWWWK",
    "KWKWKKWKWKKWKKWK",
    "KWKWWKWKWWKWWKWK",
    "KWKWKWWKWKWWKKWK",
    "KWKWKKWKWKKWKKWK",
    "KWWWWWWKWWWWWWWK",
    "KKKKKKKKKKKKKKKK",
    "",
    "..B....B....B",
    ".B.B..B.B..B.B",
    "B...BB...BB...B",
)
# Channel buttons: two numbered buttons.
CHANNELS = face(
    "",
    "WWWWWWW.WWWWWWW",
    "W.....G.W.....G",
    "W..K..G.W.KK..G",
    "W.KK..G.W...K.G",
    "W..K..G.W..K..G",
    "W..K..G.W.K...G",
    "W.KKK.G.W.KKK.G",
    "W.....G.W.....G",
    "GGGGGGG.GGGGGGG",
    "",
    "..BB.......BB",
    ".B..B.....B..B",
    "B....BBBBB....B",
)
# Markers: a flag on a marker line over a wave.
MARKERS = face(
    ".....K",
    ".....KRRRR",
    ".....KRRRRR",
    ".....KRRRR",
    ".....K",
    ".....K",
    "..BB.K......BB",
    ".B..BK.....B..B",
    "B....K....B....B",
    ".....KB..B",
    ".....K.BB",
    ".....K",
    ".....K",
    "....KKK",
)
# Journal: a page of text.
JOURNAL = face(
    "..KKKKKKKKKK",
    "..KWWWWWWWWKK",
    "..KWKKKKKWWKWK",
    "..KWWWWWWWWKKKK",
    "..KWKKKKKKKKWWK",
    "..KWWWWWWWWWWWK",
    "..KWKKKKKKKKKWK",
    "..KWWWWWWWWWWWK",
    "..KWKKKKKKKWWWK",
    "..KWWWWWWWWWWWK",
    "..KWKKKKKKKKKWK",
    "..KWWWWWWWWWWWK",
    "..KKKKKKKKKKKKK",
)

# Toolbar resource number -> face: each button's enabled and disabled pictures.
TOOLBAR = {
    103: SCOPE, 199: disabled(SCOPE),
    104: CHART, 186: disabled(CHART),
    105: XY, 182: disabled(XY),
    220: ARROW, 222: disabled(ARROW),
    227: ZOOM, 228: disabled(ZOOM),
    275: OVERLAP, 276: disabled(OVERLAP),
    107: VAUTO, 197: disabled(VAUTO),
    108: HAUTO, 198: disabled(HAUTO),
    109: VCENTER, 184: disabled(VCENTER),
    110: HCENTER, 183: disabled(HCENTER),
    121: FINDPEAK, 192: disabled(FINDPEAK),
    122: FINDNEXT, 191: disabled(FINDNEXT),
    116: GRID, 193: disabled(GRID),
    118: MEASURE, 195: disabled(MEASURE),
    119: CHANNELS, 185: disabled(CHANNELS),
    117: MARKERS, 194: disabled(MARKERS),
    120: JOURNAL, 200: disabled(JOURNAL),
}


def bitmap_bytes(face):
    """An 8-bit bottom-up BMP of the picture with the small palette above."""
    return bmp_bytes(face, ORDER, [PALETTE[c] for c in ORDER])

PICTURES = {"check.bmp": CHECK}
PICTURES.update({"tb%d.bmp" % n: f for n, f in TOOLBAR.items()})


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "graph", "dialogs", "res")
    os.makedirs(res, exist_ok=True)
    for name, face in PICTURES.items():
        with open(os.path.join(res, name), "wb") as f:
            f.write(bitmap_bytes(face))


if __name__ == "__main__":
    main()
