#!/usr/bin/env python3
"""Writes the pack's noise, flame and ripple pictures. Run from this folder.

noise_8.png: 128 x 128 tileable grey fractal noise (value noise on wrapping
lattices of 4, 8, 16 and 32 cells, halving weights).
flame_7.png, flame_93.png: 64 x 128 flame shapes, tileable across: tongues of
whole periods across the width, bright at the bottom and fading upwards.
ripples_89.png: 128 x 128 tileable water ripple bump, red and green the
slopes around 128 of sums of sines with whole periods."""
import math
import random
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


def byte(v):
    return max(0, min(255, int(v * 255 + 0.5)))


def noise(size=128):
    rng = random.Random(8)
    octaves = []
    for cells in (4, 8, 16, 32):
        octaves.append((cells, [[rng.random() for _ in range(cells)] for _ in range(cells)]))

    def smooth(t):
        return t * t * (3 - 2 * t)

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            total, weight, w = 0.0, 0.0, 1.0
            for cells, lattice in octaves:
                fx, fy = x * cells / size, y * cells / size
                ix, iy = int(fx), int(fy)
                tx, ty = smooth(fx - ix), smooth(fy - iy)
                a = lattice[iy % cells][ix % cells]
                b = lattice[iy % cells][(ix + 1) % cells]
                c = lattice[(iy + 1) % cells][ix % cells]
                d = lattice[(iy + 1) % cells][(ix + 1) % cells]
                total += w * ((a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty)
                weight += w
                w *= 0.5
            g = byte(total / weight)
            row += [g, g, g, 255]
        rows.append(row)
    return rows


def flame(tongues, phase, width=64, height=128):
    rows = []
    for y in range(height):
        v = (y + 0.5) / height  # 0 at the top, 1 at the bottom
        row = []
        for x in range(width):
            u = (x + 0.5) / width
            wave = 0.5 + 0.5 * sum(w * math.sin(2 * math.pi * k * u + p) for k, w, p in tongues)
            reach = 0.35 + 0.55 * wave  # how far up the tongue reaches
            t = (v - (1 - reach)) / reach
            g = byte(max(0.0, min(1.0, t)) ** 1.5)
            row += [g, g, g, 255]
        rows.append(row)
    return rows


RED = [(1, 2, 0.3, 0.4), (3, 1, 1.7, 0.3), (2, 5, 4.1, 0.2), (6, 4, 2.2, 0.1)]
GREEN = [(2, 1, 2.6, 0.4), (1, 3, 0.4, 0.3), (5, 2, 3.3, 0.2), (4, 6, 5.0, 0.1)]


def ripples(size=128):
    def slope(terms, u, v, axis):
        s = 0.0
        for a, b, p, w in terms:
            k = a if axis == 0 else b
            s += w * k * math.cos(2 * math.pi * (a * u + b * v) + p)
        return s / 3.0

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            u, v = x / size, y / size
            h = slope(RED, u, v, 0) + slope(GREEN, u, v, 0)
            k = slope(RED, u, v, 1) + slope(GREEN, u, v, 1)
            row += [byte(0.5 + 0.5 * max(-1, min(1, h))), byte(0.5 + 0.5 * max(-1, min(1, k))), 128, 255]
        rows.append(row)
    return rows


png('noise_8.png', 128, 128, noise())
png('flame_7.png', 64, 128, flame([(2, 0.5, 0.0), (3, 0.3, 1.3), (5, 0.2, 2.1)], 0))
png('flame_93.png', 64, 128, flame([(1, 0.4, 0.7), (4, 0.4, 2.9), (7, 0.2, 0.4)], 0))
png('ripples_89.png', 128, 128, ripples())
