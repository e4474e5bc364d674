#!/usr/bin/env python3
"""Writes the bolt pictures of the electric discharge. Run from this folder.

bolt_95.png and bolt_98.png: 256 x 64 strips, white with the bolt in the
alpha. Each half (rows 0-31 and 32-63) holds one variant of the bolt. The
middle, u from 0.195 to 0.805, is one period of a zigzag that starts and
ends on the centre line, so segments laid end to end join up; the end caps
(u below 0.195 and above 0.805) taper the bolt to a point at u = 0 and 1.
95 is a sharp, jagged bolt; 98 a softer, wider, smoother one."""
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

WIDTH, HALF = 256, 32
CAP0, CAP1 = 0.195, 0.805


def offset(u, zig, amplitude):
    """Sideways offset in pixels of the bolt's centre line at u."""
    if u <= CAP0 or u >= CAP1:
        return 0.0
    t = (u - CAP0) / (CAP1 - CAP0)          # 0..1 over the middle
    k = len(zig)
    x = t * k
    i = min(int(x), k - 1)
    a, b = zig[i], zig[(i + 1) % k]          # ends on zig[0] = 0
    return (a + (b - a) * (x - i)) * amplitude


def taper(u):
    """Width factor of the end caps: 0 at the tips, 1 in the middle."""
    if u < CAP0:
        return math.sin(u / CAP0 * math.pi / 2)
    if u > CAP1:
        return math.sin((1.0 - u) / (1.0 - CAP1) * math.pi / 2)
    return 1.0


def half_rows(zig, amplitude, core, halo):
    rows = [[] for _ in range(HALF)]
    for x in range(WIDTH):
        u = (x + 0.5) / WIDTH
        centre = HALF / 2 + offset(u, zig, amplitude)
        w = taper(u)
        for y in range(HALF):
            d = abs(y + 0.5 - centre)
            if w <= 0.0:
                a = 0.0
            else:
                inner = max(0.0, 1.0 - d / (core * w))
                outer = math.exp(-(d / (halo * w)) ** 2) * 0.45
                a = min(1.0, inner + outer)
            rows[y] += [255, 255, 255, int(a * 255 + 0.5)]
    return rows


def bolt(path, variants, amplitude, core, halo):
    rows = half_rows(variants[0], amplitude, core, halo) + half_rows(variants[1], amplitude, core, halo)
    png(path, WIDTH, 2 * HALF, rows)


bolt('bolt_95.png', ([0, 0.9, -0.4, 0.6, -1.0, 0.3, -0.5], [0, -0.7, 0.8, -0.2, 1.0, -0.6, 0.4]),
     amplitude=6.0, core=1.6, halo=5.0)
bolt('bolt_98.png', ([0, 0.5, 0.9, 0.4, -0.3, -0.8, -0.5], [0, -0.6, -0.9, -0.2, 0.5, 0.9, 0.3]),
     amplitude=4.0, core=2.5, halo=8.0)
