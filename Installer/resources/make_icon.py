#!/usr/bin/env python3
"""Draws the program icon (app.ico): a blue shield with a white check mark,
as five square 256-colour images of 16, 32, 45, 48 and 64 pixels.

    python3 make_icon.py app.ico
"""
import struct
import sys

SIZES = (16, 32, 45, 48, 64)
SAMPLES = 4  # per axis, for the coverage of the edges

# Palette: 0 unused (transparent pixels), 1-96 the shield's vertical gradient,
# 97-112 outline shades, 113-176 check mark blended into the shield, rest black.
TOP, BOTTOM, OUTLINE, WHITE = (58, 134, 226), (14, 62, 148), (8, 38, 96), (255, 255, 255)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def palette():
    colours = [(0, 0, 0)]
    colours += [mix(TOP, BOTTOM, i / 95) for i in range(96)]
    colours += [mix(OUTLINE, BOTTOM, i / 15) for i in range(16)]
    colours += [mix(BOTTOM, WHITE, i / 63) for i in range(64)]
    colours += [(0, 0, 0)] * (256 - len(colours))
    return colours


def inside_shield(x, y):
    """Unit square coordinates, y downwards. Flat top, straight sides down to
    the middle, then two curves meeting in a point at the bottom."""
    if y < 0.06 or y > 0.96:
        return False
    half = 0.40
    if y > 0.5:
        t = (y - 0.5) / 0.46
        half = 0.40 * (1 - t * t) ** 0.5
    return abs(x - 0.5) <= half


def near_check(x, y, width=0.085):
    """Distance test against the two strokes of a check mark."""
    def seg(ax, ay, bx, by):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx - x, ay + t * dy - y
        return (px * px + py * py) ** 0.5 <= width
    return seg(0.30, 0.50, 0.45, 0.66) or seg(0.45, 0.66, 0.72, 0.32)


def image(size):
    pixels, mask = [], []
    for row in range(size):
        line, mline = [], []
        for col in range(size):
            cover = check = edge = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (col + (sx + 0.5) / SAMPLES) / size
                    y = (row + (sy + 0.5) / SAMPLES) / size
                    if inside_shield(x, y):
                        cover += 1
                        check += near_check(x, y)
                        inner = 1.4 / size
                        edge += not all(inside_shield(x + ex, y + ey)
                                        for ex, ey in ((inner, 0), (-inner, 0), (0, inner), (0, -inner)))
            n = SAMPLES * SAMPLES
            if cover * 2 < n:
                line.append(0)
                mline.append(1)
                continue
            mline.append(0)
            if edge * 2 >= cover:
                line.append(97 + min(15, round(15 * (1 - edge / cover))))
            elif check:
                line.append(113 + round(63 * check / cover))
            else:
                line.append(1 + round(95 * row / max(1, size - 1)))
        pixels.append(line)
        mask.append(mline)
    return pixels, mask


def dib(size):
    pixels, mask = image(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette())
    stride = (size + 3) & ~3
    xor = b''.join(bytes(pixels[r]) + bytes(stride - size) for r in reversed(range(size)))
    mstride = ((size + 31) // 32) * 4
    and_rows = []
    for r in reversed(range(size)):
        bits = bytearray(mstride)
        for c, m in enumerate(mask[r]):
            if m:
                bits[c // 8] |= 0x80 >> (c % 8)
        and_rows.append(bytes(bits))
    return header + pal + xor + b''.join(and_rows)


def main(path):
    images = [dib(s) for s in SIZES]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'app.ico')
