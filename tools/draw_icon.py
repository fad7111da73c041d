#!/usr/bin/env python3
"""Draws the program icon "MYICON" (16x16 and 32x32, 32-bit colour): a blue box
with an arrow pointing into it. Run once; the result is src/ui/setup.ico."""
import struct
import sys


def pixel(size, x, y):
    s = size / 32.0
    # box
    if 4 * s <= x < 28 * s and 14 * s <= y < 29 * s:
        edge = x < 5 * s or x >= 27 * s or y < 15 * s or y >= 28 * s
        return (0x20, 0x40, 0x90, 255) if edge else (0x40, 0x80, 0xE0, 255)
    # arrow shaft and head
    if 13 * s <= x < 19 * s and 2 * s <= y < 10 * s:
        return (0x10, 0xA0, 0x30, 255)
    if 9 * s <= y < 16 * s and abs(x - 16 * s + 0.5) < (16 * s - y) + 1:
        return (0x10, 0xA0, 0x30, 255)
    return (0, 0, 0, 0)


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):  # bottom-up
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            rows.append(struct.pack("BBBB", b, g, r, a))
    mask_row = b"\0" * (((size + 31) // 32) * 4)
    return header + b"".join(rows) + mask_row * size


def main(path):
    images = [image(16), image(32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/ui/setup.ico")
