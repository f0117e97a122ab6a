#!/usr/bin/python3
"""Draws the program's icons as PNG files (standard library only).

Run it from this folder after changing a drawing: ./make_icons.py
Each picture is a list of shapes painted in order, supersampled 4x4 for smooth edges.
"""
import struct
import zlib

SUPER = 4


def png(path, size, pixels):
    rows = b"".join(b"\x00" + bytes(c for px in pixels[y * size:(y + 1) * size] for c in px) for y in range(size))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, w):
    return lambda x, y: (r - w) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(ax, ay, bx, by, w):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / float(dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2.0) ** 2
    return inside


def render(size, shapes):
    """shapes: (inside(x, y) in units of a 64-wide canvas, (r, g, b, a))."""
    scale = 64.0 / size
    out = []
    for y in range(size):
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUPER):
                for sx in range(SUPER):
                    u = (x + (sx + 0.5) / SUPER) * scale
                    v = (y + (sy + 0.5) / SUPER) * scale
                    colour = (0, 0, 0, 0)
                    for inside, c in shapes:
                        if inside(u, v):
                            colour = c
                    a = colour[3] / 255.0
                    for i in range(3):
                        acc[i] += colour[i] * a
                    acc[3] += a
            n = SUPER * SUPER
            alpha = acc[3] / n
            rgb = [int(round(acc[i] / acc[3])) if acc[3] else 0 for i in range(3)]
            out.append((rgb[0], rgb[1], rgb[2], int(round(alpha * 255))))
    return out


BOX = [
    (rounded_rect(6, 14, 58, 58, 6), (40, 96, 168, 255)),         # archive box
    (rounded_rect(10, 18, 54, 54, 4), (74, 142, 214, 255)),
    (rounded_rect(4, 8, 60, 22, 4), (28, 74, 138, 255)),           # lid
    (rounded_rect(28, 8, 36, 58, 1), (236, 196, 64, 255)),         # zipper band
]
for i in range(6):                                                 # zipper teeth
    y = 12 + i * 7
    BOX.append((rounded_rect(25 if i % 2 else 33, y, 31 if i % 2 else 39, y + 3, 1), (150, 110, 20, 255)))


def clock(cx, cy, r, face):
    return [
        (circle(cx, cy, r), (255, 255, 255, 255)),
        (circle(cx, cy, r - 2.5), face),
        (ring(cx, cy, r - 2.5, 2), (30, 30, 30, 255)),
        (segment(cx, cy, cx, cy - r * 0.55, 3.2), (255, 255, 255, 255)),
        (segment(cx, cy, cx + r * 0.45, cy + r * 0.1, 3.2), (255, 255, 255, 255)),
    ]


GREEN = (46, 160, 67, 255)
GREY = (130, 130, 130, 255)

png("mainicon.png", 64, render(64, BOX))
png("forauto.png", 64, render(64, BOX + clock(44, 44, 19, GREEN)))
png("fornormal.png", 64, render(64, BOX + clock(44, 44, 19, GREY)))
png("marker.png", 16, render(16, clock(32, 32, 31, GREEN)))
