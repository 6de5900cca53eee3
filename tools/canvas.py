"""The drawing tools' one canvas: pictures for the program's resources, written as Windows bitmap
and icon files.

A picture is drawn either as text, one character per pixel, and written as a palette bitmap
(bmp_bytes), or on a Canvas of (R, G, B) pixels with a few shapes, written as a 24-bit bitmap or
a 32-bit icon. Each drawing tool beside this file has its own pictures and colours.
"""
import struct

# Colours the tools share.
FACE = (192, 192, 192)  # the classic button face
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
GREEN = (0, 160, 0)
RED = (200, 0, 0)
BLUE = (0, 64, 200)
AMBER = (255, 176, 0)


def bmp_bytes(picture, order, colours, bits=8):
    """The BMP file of `picture` (rows of characters). `order` lists the characters in palette
    order and `colours` their (R, G, B); `bits` is 8 or 4 per pixel."""
    width, height = len(picture[0]), len(picture)
    assert all(len(r) == width for r in picture), "every row is as wide as the first"
    stride = ((width * bits + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(picture):
        indices = [order.index(c) for c in row]
        if bits == 4:
            line = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, width, 2))
        else:
            line = bytes(indices)
        pixels += line + bytes(stride - len(line))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, len(order), 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def disabled(picture):
    """A text picture's disabled face: the picture in shadow grey ("G") over a white ("W") copy one
    pixel down and right, on the button face (".")."""
    width, height = len(picture[0]), len(picture)
    out = [["."] * width for _ in range(height)]
    for y, row in enumerate(picture):
        for x, c in enumerate(row):
            if c != "." and x + 1 < width and y + 1 < height:
                out[y + 1][x + 1] = "W"
    for y, row in enumerate(picture):
        for x, c in enumerate(row):
            if c != "." and c != "W":
                out[y][x] = "G"
    return ["".join(r) for r in out]


def icon_bytes(rows, sized=False):
    """A one-image 32-bit icon file of `rows` (top row first) of (R, G, B, A), with an AND mask of
    zeros; `sized` writes the image's byte count into its bitmap header."""
    width, height = len(rows[0]), len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask = b"\0" * ((width + 31) // 32 * 4 * height)
    size = len(pixels) + len(mask) if sized else 0
    info = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 32, 0, size, 0, 0, 0, 0)
    image = info + pixels + mask
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 32, len(image), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


class Canvas:
    """(R, G, B) pixels, top row first; drawing outside the canvas is clipped."""

    def __init__(self, width, height, background=FACE):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, fill, outline=None):
        """Fills [left, right) x [top, bottom), with a one-pixel outline when given."""
        for y in range(top, bottom):
            for x in range(left, right):
                edge = x in (left, right - 1) or y in (top, bottom - 1)
                self.put(x, y, outline if (outline and edge) else fill)

    def hline(self, x0, x1, y, colour):
        """From x0 to x1, both included."""
        self.rect(x0, y, x1 + 1, y + 1, colour)

    def vline(self, x, y0, y1, colour):
        """From y0 to y1, both included."""
        self.rect(x, y0, x + 1, y1 + 1, colour)

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

    def bmp(self):
        """A 24-bit bottom-up BMP file."""
        row_bytes = (self.width * 3 + 3) & ~3
        image = bytearray()
        for y in range(self.height - 1, -1, -1):
            row = bytearray()
            for (r, g, b) in self.pixels[y]:
                row += bytes((b, g, r))
            row += bytes(row_bytes - len(row))
            image += row
        header = struct.pack('<IiiHHIIiiII', 40, self.width, self.height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
        file_header = struct.pack('<2sIHHI', b'BM', 14 + len(header) + len(image), 0, 0, 14 + len(header))
        return file_header + header + bytes(image)

    def ico(self):
        """A 32-bit icon file, every pixel opaque."""
        return icon_bytes([[(r, g, b, 255) for (r, g, b) in row] for row in self.pixels])
