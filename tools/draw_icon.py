#!/usr/bin/env python3
"""Draws the program icon "MYICON" (16x16 and 32x32, 16 colours): a blue box with
an arrow pointing into it. Sixteen colours with an AND mask is the icon format
Windows 95 and NT 4 draw (they cannot draw 32-bit icons with alpha), and it keeps
the icon at a fifth of the size. Run once; the result is src/ui/setup.ico."""
import struct
import sys


# The standard 16-colour VGA palette, as (r, g, b).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
NAVY, GREEN, BLUE = 4, 2, 12


def pixel(size, x, y):
    """Palette index of a pixel, or None where the icon is transparent."""
    s = size / 32.0
    # box
    if 4 * s <= x < 28 * s and 14 * s <= y < 29 * s:
        edge = x < 5 * s or x >= 27 * s or y < 15 * s or y >= 28 * s
        return NAVY if edge else BLUE
    # arrow shaft and head
    if 13 * s <= x < 19 * s and 2 * s <= y < 10 * s:
        return GREEN
    if 9 * s <= y < 16 * s and abs(x - 16 * s + 0.5) < (16 * s - y) + 1:
        return GREEN
    return None


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_rows, mask_rows = [], []
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bottom-up
        indices = [pixel(size, x, y) for x in range(size)]
        nibbles = [0 if i is None else i for i in indices]
        row = bytes((nibbles[x] << 4) | nibbles[x + 1] for x in range(0, size, 2))
        colour_rows.append(row + b"\0" * (-len(row) % 4))
        bits = 0
        for x, i in enumerate(indices):
            if i is None:
                bits |= 1 << (mask_stride * 8 - 1 - x)
        mask_rows.append(bits.to_bytes(mask_stride, "big"))
    return header + palette + b"".join(colour_rows) + b"".join(mask_rows)


def main(path):
    images = [image(16), image(32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/ui/setup.ico")
