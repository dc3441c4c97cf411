#!/usr/bin/env python3
"""Draws the upgrader's icon (Quorindo.ico): a blue rounded square with a white arrow
pointing up over a bar, at 16x16 and 32x32, 32-bit with alpha. Run it again after a change."""
import os
import struct


def inside_rounded_square(x, y, size, radius):
    lo, hi = radius - 0.5, size - radius - 0.5
    cx = min(max(x, lo), hi)
    cy = min(max(y, lo), hi)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_arrow(x, y, size):
    # Coordinates in a 0..1 square, y pointing down.
    u, v = (x + 0.5) / size, (y + 0.5) / size
    head = 0.18 <= v <= 0.50 and abs(u - 0.5) <= (v - 0.18) * 1.05
    shaft = 0.48 <= v <= 0.70 and abs(u - 0.5) <= 0.11
    bar = 0.76 <= v <= 0.84 and 0.24 <= u <= 0.76
    return head or shaft or bar


def pixel(x, y, size):
    if not inside_rounded_square(x, y, size, size * 0.22):
        return (0, 0, 0, 0)
    if in_arrow(x, y, size):
        return (255, 255, 255, 255)
    # Blue, a little lighter at the top.
    t = y / (size - 1)
    r, g, b = int(40 - 20 * t), int(120 - 50 * t), int(215 - 45 * t)
    return (r, g, b, 255)


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):  # bottom-up
        rows.append(b"".join(bytes((b, g, r, a)) for r, g, b, a in (pixel(x, y, size) for x in range(size))))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # alpha decides; the AND mask is all zeros
    return header + b"".join(rows) + mask


def main():
    sizes = (16, 32)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Quorindo.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
