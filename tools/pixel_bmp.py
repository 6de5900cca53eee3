"""Pictures drawn as text, one character per pixel, written as bottom-up Windows bitmaps.

The drawing tools beside this file share it; each has its own characters and colours.
"""
import struct


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
