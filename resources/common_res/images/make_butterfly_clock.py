#!/usr/bin/env python3
"""Writes the pictures of the butterfly and the clock. Run from this folder.

butterfly_body_6.png: the body texture, 128 x 32, wrapped round the body
mesh: u runs from the head (left) to the tail (right), v once around. A dark
head with two pale eyes, a furry orange-brown thorax and a dark abdomen with
light rings; opaque.

clock_face_71.png: the face of the wall clock, 256 x 256: a cream dial in a
dark rim with 60 minute ticks and 12 bolder hour ticks (twelve o'clock at
the top), transparent outside the rim.

clock_hand_72.png: a hand, 16 x 256, stretched over a thin plate: its tip at
the top edge, the pivot hub at 84% of the height (where the clock's hand
frames put the dial's centre), a short tail below; dark, transparent
around it."""
import math
import struct
import zlib


def png(path, width, height, rgba_rows):
    def chunk(kind, data):
        c = struct.pack('>I', len(data)) + kind + data
        return c + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b''.join(b'\x00' + bytes(row) for row in rgba_rows)
    data = b'\x89PNG\r\n\x1a\n'
    data += chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(raw, 9))
    data += chunk(b'IEND', b'')
    open(path, 'wb').write(data)


def clamp(v):
    return max(0, min(255, int(v + 0.5)))


def coverage(inside, x, y, n=4):
    hits = 0
    for j in range(n):
        for i in range(n):
            hits += inside(x + (i + 0.5) / n, y + (j + 0.5) / n)
    return hits / float(n * n)


def hash01(i, j):
    h = (i * 73856093) ^ (j * 19349663)
    h = (h ^ (h >> 13)) * 1274126177 & 0xFFFFFFFF
    return (h & 0xFFFF) / 65535.0


def body(width=128, height=32):
    rows = []
    for y in range(height):
        row = []
        v = (y + 0.5) / height
        for x in range(width):
            u = (x + 0.5) / width
            if u < 0.16:
                r, g, b = 28, 24, 22
                # Two eyes, on either side of the head.
                for ev in (0.25, 0.75):
                    d = math.hypot((u - 0.09) * 4.0, v - ev)
                    if d < 0.09:
                        r, g, b = 200, 190, 150
            elif u < 0.40:
                fur = hash01(x, y)
                r, g, b = 150 + 60 * fur, 90 + 40 * fur, 40 + 20 * fur
            else:
                ring = 0.5 + 0.5 * math.cos((u - 0.40) / 0.60 * 7 * 2 * math.pi)
                shade = 0.75 + 0.25 * math.cos((v - 0.25) * 2 * math.pi)
                r, g, b = (50 + 120 * ring ** 6) * shade, (38 + 90 * ring ** 6) * shade, (30 + 40 * ring ** 6) * shade
            row += [clamp(r), clamp(g), clamp(b), 255]
        rows.append(row)
    png('butterfly_body_6.png', width, height, rows)


def face(size=256):
    c = size / 2.0
    rim_out, rim_in = c - 1.0, c - 12.0

    def tick_shape(px, py):
        dx, dy = px - c, py - c
        r = math.hypot(dx, dy)
        if r > rim_in - 6 or r < rim_in - 30:
            return False
        a = math.atan2(dx, -dy)  # 0 at twelve o'clock, clockwise
        k = round(a / (2 * math.pi / 60))
        off = abs(r * math.sin(a - k * 2 * math.pi / 60))
        hour = k % 5 == 0
        if hour:
            return off < 3.2 and r > rim_in - 30
        return off < 1.0 and r > rim_in - 16

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            disc = coverage(lambda px, py: math.hypot(px - c, py - c) < rim_out, x, y)
            if disc == 0.0:
                row += [0, 0, 0, 0]
                continue
            dial = coverage(lambda px, py: math.hypot(px - c, py - c) < rim_in, x, y)
            ticks = coverage(tick_shape, x, y)
            hub = coverage(lambda px, py: math.hypot(px - c, py - c) < 7, x, y)
            r = math.hypot(x + 0.5 - c, y + 0.5 - c) / rim_in
            cream = (244 - 18 * r * r, 236 - 22 * r * r, 214 - 26 * r * r)
            rim = (60, 44, 32)
            col = [rim[i] + (cream[i] - rim[i]) * dial for i in range(3)]
            ink = max(ticks, hub)
            col = [col[i] * (1 - ink) + 30 * ink for i in range(3)]
            row += [clamp(col[0]), clamp(col[1]), clamp(col[2]), clamp(255 * disc)]
        rows.append(row)
    png('clock_face_71.png', size, size, rows)


def hand(width=16, height=256):
    pivot = 0.84

    def inside(px, py):
        u, v = px / width, py / height
        if math.hypot((u - 0.5) * width / height * 8, v - pivot) < 0.045:
            return True
        if 0.02 <= v <= pivot:
            half = 0.12 + 0.33 * (v - 0.02) / (pivot - 0.02)
            return abs(u - 0.5) < half
        if pivot < v <= 0.97:
            return abs(u - 0.5) < 0.3
        return False

    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            a = coverage(inside, x, y)
            row += [24, 26, 34, clamp(255 * a)]
        rows.append(row)
    png('clock_hand_72.png', width, height, rows)


body()
face()
hand()
