#!/usr/bin/env python3
"""Writes bump_62.png, the pack's offset map. Run from this folder.

A tileable, smooth two-channel map of 256 x 256: red and green are two
independent sums of sines with whole periods across the picture (so the map
tiles seamlessly), around 128; blue is 128 and alpha opaque. Heat shimmer and
the flame scroll it to offset what lies behind them."""
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


# (x periods, y periods, phase, weight) per channel.
RED = [(1, 2, 0.3, 0.35), (3, 1, 1.7, 0.25), (2, 5, 4.1, 0.2), (7, 3, 2.2, 0.12), (5, 8, 0.9, 0.08)]
GREEN = [(2, 1, 2.6, 0.35), (1, 3, 0.4, 0.25), (5, 2, 3.3, 0.2), (3, 7, 5.0, 0.12), (8, 5, 1.4, 0.08)]


def channel(terms, u, v):
    s = sum(w * math.sin(2 * math.pi * (a * u + b * v) + p) for a, b, p, w in terms)
    return max(0, min(255, int(128 + 127 * s + 0.5)))


def bump(size=256):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            u, v = x / size, y / size
            row += [channel(RED, u, v), channel(GREEN, u, v), 128, 255]
        rows.append(row)
    png('bump_62.png', size, size, rows)


bump()
