#!/usr/bin/env python3
"""Draws Kestrelcue's icon and writes resources/kestrelcue.ico.

A kestrel's head in profile (cream, with the dark stripe under the eye that
the bird is known by and an amber hooked beak) on a rounded blue square.
Each size is drawn from the same shapes, sampled 4 x 4 times a pixel, so the
small sizes are not a scaled-down picture but the motif at that size.

Run from the repository's top folder with Python 3 alone (no packages):

    python3 resources/draw_icon.py

It rewrites resources/kestrelcue.ico; commit the result with any change here.
The 256-pixel image is stored as PNG, the smaller ones as 32-bit bitmaps,
as Windows itself stores them.
"""

import math
import os
import struct
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
SAMPLES = 4  # per side of a pixel

BACK_TOP = (0x2a, 0x6f, 0xb8)
BACK_BOTTOM = (0x10, 0x2f, 0x5c)
HEAD = (0xf6, 0xe7, 0xcf)
CAP = (0x8a, 0x9b, 0xb0)
BEAK = (0xf2, 0xa1, 0x3a)
DARK = (0x1a, 0x1a, 0x24)


def rounded_square(x, y, margin, radius):
    """Signed distance (negative inside) to a square with rounded corners."""
    half = 0.5 - margin
    qx = abs(x - 0.5) - (half - radius)
    qy = abs(y - 0.5) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def triangle(x, y, a, b, c):
    """Negative inside the triangle a, b, c (any winding)."""
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    inside = (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)
    return -1.0 if inside else 1.0


def stroke(x, y, a, b, width):
    """Distance to a segment a-b, less half its width."""
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) - width / 2


def colour_at(x, y):
    """The colour and coverage (0 or 1) of one sample; y grows downwards."""
    if rounded_square(x, y, 0.03, 0.2) > 0:
        return (0, 0, 0), 0
    # The beak first: its hook lies over the head's edge.
    if triangle(x, y, (0.62, 0.36), (0.86, 0.47), (0.64, 0.55)) < 0 and circle(x, y, 0.60, 0.62, 0.13) > 0:
        return BEAK, 1
    if circle(x, y, 0.70, 0.50, 0.05) < 0 and y > 0.47 and x > 0.70:
        return BEAK, 1
    if circle(x, y, 0.46, 0.52, 0.27) < 0 and y < 0.80:
        if circle(x, y, 0.565, 0.43, 0.045) < 0:
            return DARK, 1
        if stroke(x, y, (0.545, 0.53), (0.505, 0.69), 0.04) < 0:
            return DARK, 1
        if circle(x, y, 0.40, 0.40, 0.21) < 0 and y < 0.36:
            return CAP, 1
        return HEAD, 1
    t = max(0.0, min(1.0, y))
    return tuple(int(BACK_TOP[i] + (BACK_BOTTOM[i] - BACK_TOP[i]) * t) for i in range(3)), 1


def draw(size):
    """Rows of (r, g, b, a) from the top, the samples of each pixel averaged."""
    rows = []
    n = SAMPLES * SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    (cr, cg, cb), covered = colour_at(x, y)
                    if covered:
                        r += cr
                        g += cg
                        b += cb
                        a += 1
            if a:
                row.append((r // a, g // a, b // a, 255 * a // n))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(size, rows):
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def bitmap(size, rows):
    """A BITMAPINFOHEADER, BGRA rows from the bottom, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colours + bytes(mask)


def main():
    images = []
    for size in SIZES:
        rows = draw(size)
        images.append((size, png(size, rows) if size >= 256 else bitmap(size, rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "kestrelcue.ico")
    with open(path, "wb") as f:
        f.write(out)
    print(f"wrote {path}: {len(out)} bytes, sizes {', '.join(map(str, SIZES))}")


if __name__ == "__main__":
    main()
