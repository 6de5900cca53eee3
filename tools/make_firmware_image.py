#!/usr/bin/env python3
"""Writes devlib/res/vk40_firmware.bin, the firmware image the device library carries for the
first unit model: 11,950 bytes, a 32-byte header naming it, a deterministic byte pattern, and a
16-bit sum of everything before it in its last two bytes (big-endian), so a copy that lost or
moved a byte shows."""
import os

SIZE = 11950
HEADER = b"VK40 FIRMWARE IMAGE 1.00".ljust(32, b"\0")


def image():
    data = bytearray(HEADER)
    state = 0x2545F491
    while len(data) < SIZE - 2:
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        data.append((state >> 16) & 0xFF)
    total = sum(data) & 0xFFFF
    data += bytes([total >> 8, total & 0xFF])
    return bytes(data)


if __name__ == "__main__":
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.path.join(root, "devlib", "res", "vk40_firmware.bin")
    with open(path, "wb") as f:
        f.write(image())
    print(path)
