#!/usr/bin/env python3
"""Writes the pack's pictures. Run from this folder.

trace_228.png: the default texture of particle traces. Trace bands take u
across the band (0.5 on the centre line) and v = 0, so the picture is white
with an alpha that is 1 on the centre column and falls smoothly to 0 at both
edges, the same in every row."""
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


def trace(width=64, height=8):
    row = []
    for x in range(width):
        u = (x + 0.5) / width            # texel centre
        d = abs(2.0 * u - 1.0)           # 0 on the centre line, 1 at the edges
        a = math.cos(d * math.pi / 2) ** 2
        row += [255, 255, 255, int(a * 255 + 0.5)]
    png('trace_228.png', width, height, [row] * height)


trace()
