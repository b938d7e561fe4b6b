#!/usr/bin/env python3
"""Writes src/app/velmira.ico: a 32x32 and a 16x16 image, 256 colours each.

The picture is a speech bubble with three coloured stripes, drawn from a few
shapes so it can be remade at any size.
"""
import struct
import sys

PALETTE = [
    (0, 0, 0),        # 0 transparent (masked)
    (40, 40, 40),     # 1 outline
    (255, 255, 255),  # 2 bubble
    (230, 60, 60),    # 3 red stripe
    (60, 170, 80),    # 4 green stripe
    (60, 110, 230),   # 5 blue stripe
]


def pixel(x, y, size):
    """Palette index at (x, y), y counted from the top; None when transparent."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    # Bubble body: a rounded rectangle over the top three quarters.
    left, right, top, bottom, radius = 0.06, 0.94, 0.08, 0.72, 0.16
    cx = min(max(u, left + radius), right - radius)
    cy = min(max(v, top + radius), bottom - radius)
    inside = (u - cx) ** 2 + (v - cy) ** 2 <= radius ** 2
    # Tail: a triangle under the lower left of the body.
    tail = 0.72 <= v <= 0.94 and 0.22 <= u <= 0.22 + (0.94 - v) * 0.9
    if not (inside or tail):
        return None
    edge = 1.5 / size
    near = any(
        not (((u + dx - min(max(u + dx, left + radius), right - radius)) ** 2
              + (v + dy - min(max(v + dy, top + radius), bottom - radius)) ** 2 <= radius ** 2)
             or (0.72 <= v + dy <= 0.94 and 0.22 <= u + dx <= 0.22 + (0.94 - v - dy) * 0.9))
        for dx, dy in ((edge, 0), (-edge, 0), (0, edge), (0, -edge)))
    if near:
        return 1
    for index, (low, high) in enumerate(((0.20, 0.32), (0.36, 0.48), (0.52, 0.64)), start=3):
        if low <= v < high and 0.2 <= u <= 0.8:
            return index
    return 2


def image(size):
    rows = [[pixel(x, y, size) for x in range(size)] for y in range(size)]
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    palette += b'\0' * (4 * (256 - len(PALETTE)))
    xor = b''.join(bytes(p or 0 for p in row) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = 0
        for x, p in enumerate(row):
            if p is None:
                bits |= 1 << (mask_stride * 8 - 1 - x)
        mask += bits.to_bytes(mask_stride, 'big')
    return header + palette + xor + mask


def main(path):
    sizes = (32, 16)
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'src/app/velmira.ico')
