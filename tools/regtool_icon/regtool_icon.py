#!/usr/bin/env python3
"""Draws TavrelReg's program icon: a .ico file with a 32 by 32 and a 16 by 16
image, 16 colours (4 bits per pixel) each.

The picture is a fader in its slot on a dark panel, crossed out in red: the
program removes the surface plug-in. It is described in a 32-unit square and
drawn at each size, so the two images agree.

Usage: regtool_icon.py OUTPUT.ico
"""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, LIGHT_GREY, WHITE, RED, NAVY = 0, 8, 7, 15, 9, 4


def colour_at(u, v):
    """Palette index at (u, v) in the 32-unit square (origin top left), or
    None where the icon is transparent."""
    # Red cross-out bar, top right to bottom left, over everything.
    if 2 <= u <= 29 and 2 <= v <= 29 and abs((u + v) - 31) <= 2:
        return RED
    # Panel with clipped corners.
    if not (1 <= u <= 30 and 1 <= v <= 30) or min(u, 31 - u) + min(v, 31 - v) < 4:
        return None
    if u in (1, 30) or v in (1, 30):
        return BLACK
    # Fader slot down the middle, the cap a third of the way down.
    if 9 <= v <= 14 and 9 <= u <= 22:
        return WHITE if v == 9 else LIGHT_GREY
    if 14 <= u <= 17 and 5 <= v <= 26:
        return BLACK
    # Scale marks either side of the slot.
    if v % 4 == 2 and 5 <= v <= 26 and (7 <= u <= 10 or 21 <= u <= 24):
        return WHITE
    return NAVY if v > 20 else DARK_GREY


def image(size):
    scale = 32 / size
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            # Sample the centre of the pixel's area of the 32-unit square.
            row.append(colour_at(int((x + 0.5) * scale), int((y + 0.5) * scale)))
        rows.append(row)
    return rows


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def dib(rows):
    """An icon image: BITMAPINFOHEADER (height doubled for the mask), the
    palette, the 4-bit colour rows and the 1-bit transparency mask, both
    bottom up, each row padded to 4 bytes."""
    size = len(rows)
    colour = b""
    mask = b""
    for row in reversed(rows):
        nibbles = [0 if c is None else c for c in row]
        colour += pad4(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2)))
        bits = 0
        packed = bytearray()
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                packed.append(bits)
                bits = 0
        mask += pad4(bytes(packed))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + colour + mask


def icon_file(sizes):
    images = [dib(image(s)) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", s, s, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    return data + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()
