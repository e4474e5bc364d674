#!/usr/bin/env python3
"""Writes the pack's pictures. Run from this folder.

glyphs_40.png: the glyph strip of the glyph rain, 32 x 448: a renderer
reading it makes height / width + 2 = 16 slots of 28 rows, each holding one
white glyph of strokes on a 4 x 6 lattice (transparent elsewhere).

glass_highlight_58.png, glass_rim_59.png: 512 x 512 overlays of the glass
ball: a soft highlight at the upper left, and the rim with a shadow at the
lower right. stand_184.png: the ball's stand, 320 x 128, a dark base.

trace_228.png: the default texture of particle traces. Trace bands take u
across the band (0.5 on the centre line) and v = 0, so the picture is white
with an alpha that is 1 on the centre column and falls smoothly to 0 at both
edges, the same in every row.

particle_dot_6001.png: the classic systems' soft dot: white, its alpha 1 at
the centre falling smoothly to 0 at the rim.

particle_atlas_6002.png: a 4 x 2 atlas of numbered cells (1 to 8 row by
row), each a coloured disc with its number in white, for atlas tests.

raindrops_6101.png: the 2 x 2 atlas of rain on glass: a running drop (a
round head with a tail above it) in the upper left cell and three resting
drops (round, wide and tall) in the others; pale blue-white, the alpha
highest at the rims and a bright spot at the upper left of each head, as
water on a pane refracts the light."""
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


def clamp(v):
    return max(0, min(255, int(v + 0.5)))


def glyphs(width=32, slots=16, slot_height=28):
    rows = [[0, 0, 0, 0] * width for _ in range(slots * slot_height)]
    for g in range(slots):
        seed = 2654435761 * (g + 7) & 0xFFFFFFFF
        # Strokes between lattice points of a 4 x 6 grid inside the slot.
        points = [(6 + 6 * (i % 4), g * slot_height + 3 + 4 * (i // 4)) for i in range(24)]
        strokes = []
        for k in range(5):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            a = points[seed % 24]
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            b = points[seed % 24]
            strokes.append((a, b))
        for (x0, y0), (x1, y1) in strokes:
            n = max(abs(x1 - x0), abs(y1 - y0), 1) * 2
            for i in range(n + 1):
                x = x0 + (x1 - x0) * i / n
                y = y0 + (y1 - y0) * i / n
                for dx in (0, 1):
                    for dy in (0, 1):
                        px, py = int(x) + dx, int(y) + dy
                        if 0 <= px < width and g * slot_height <= py < (g + 1) * slot_height:
                            rows[py][px * 4:px * 4 + 4] = [255, 255, 255, 255]
    png('glyphs_40.png', width, slots * slot_height, rows)


def highlight(size=512):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = (x - 190) / 150.0, (y - 150) / 95.0
            d = math.sqrt(dx * dx + dy * dy)
            a = max(0.0, 1.0 - d) ** 2 * 0.75
            r = math.hypot(x - 255.5, y - 255.5)
            if r > 250:
                a = 0.0
            row += [255, 255, 255, clamp(a * 255)]
        rows.append(row)
    png('glass_highlight_58.png', size, size, rows)


def rim(size=512):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = math.hypot(x - 255.5, y - 255.5) / 254.0
            if r > 1.0:
                row += [0, 0, 0, 0]
                continue
            edge = max(0.0, (r - 0.85) / 0.15) ** 2
            # Darker towards the lower right, as if lit from the upper left.
            side = ((x - 255.5) + (y - 255.5)) / (2 * 254.0)
            shade = clamp(200 - 120 * max(0.0, side))
            row += [shade, shade, clamp(shade + 20), clamp(edge * 200)]
        rows.append(row)
    png('glass_rim_59.png', size, size, rows)


def stand(width=320, height=128):
    rows = []
    for y in range(height):
        t = y / (height - 1.0)
        half = 70 + 80 * t  # wider towards the floor
        row = []
        for x in range(width):
            inside = abs(x - width / 2.0 + 0.5) <= half and y >= 8
            light = 90 + 60 * math.cos((x - width / 2.0) / half * math.pi / 2) if inside else 0
            row += [clamp(light * 0.8), clamp(light * 0.6), clamp(light * 0.4), 255 if inside else 0]
        rows.append(row)
    png('stand_184.png', width, height, rows)



def dot(size=32):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            dx = (x + 0.5) / size * 2.0 - 1.0
            dy = (y + 0.5) / size * 2.0 - 1.0
            r = min(1.0, math.sqrt(dx * dx + dy * dy))
            a = math.cos(r * math.pi / 2) ** 2
            row += [255, 255, 255, int(a * 255 + 0.5)]
        rows.append(row)
    png('particle_dot_6001.png', size, size, rows)


# 3 x 5 digits, one string of rows per digit.
DIGITS = {
    1: ['010', '110', '010', '010', '111'], 2: ['111', '001', '111', '100', '111'],
    3: ['111', '001', '011', '001', '111'], 4: ['101', '101', '111', '001', '001'],
    5: ['111', '100', '111', '001', '111'], 6: ['111', '100', '111', '101', '111'],
    7: ['111', '001', '010', '010', '010'], 8: ['111', '101', '111', '101', '111'],
}
CELL_COLOURS = [(220, 60, 60), (60, 180, 60), (60, 90, 220), (220, 180, 40),
                (180, 60, 200), (40, 190, 190), (230, 120, 40), (120, 120, 120)]


def atlas(cell=32, cols=4, rows=2):
    width, height = cell * cols, cell * rows
    pixels = [[0, 0, 0, 0] * width for _ in range(height)]
    scale = 4                            # a digit is 12 x 20 pixels
    for index in range(cols * rows):
        cx, cy = (index % cols) * cell, (index // cols) * cell
        colour = CELL_COLOURS[index]
        glyph = DIGITS[index + 1]
        ox, oy = (cell - 3 * scale) // 2, (cell - 5 * scale) // 2
        for y in range(cell):
            for x in range(cell):
                dx, dy = x + 0.5 - cell / 2, y + 0.5 - cell / 2
                if dx * dx + dy * dy > (cell / 2 - 1) ** 2:
                    continue
                gx, gy = (x - ox) // scale, (y - oy) // scale
                on = 0 <= gx < 3 and 0 <= gy < 5 and x >= ox and y >= oy and glyph[gy][gx] == '1'
                rgb = (255, 255, 255) if on else colour
                pixels[cy + y][(cx + x) * 4:(cx + x) * 4 + 4] = [rgb[0], rgb[1], rgb[2], 255]
    png('particle_atlas_6002.png', width, height, pixels)


def puff(size=64):
    lumps = [(0.0, 0.0, 0.55), (-0.3, -0.2, 0.35), (0.32, -0.12, 0.38), (-0.12, 0.3, 0.33), (0.25, 0.28, 0.3)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px = (x + 0.5) / size * 2.0 - 1.0
            py = (y + 0.5) / size * 2.0 - 1.0
            a = 0.0
            for cx, cy, r in lumps:
                d = math.sqrt((px - cx) ** 2 + (py - cy) ** 2) / r
                if d < 1.0:
                    a += 0.45 * math.cos(d * math.pi / 2) ** 2
            edge = min(1.0, math.sqrt(px * px + py * py))
            a = min(1.0, a) * (1.0 - edge ** 4)
            row += [255, 255, 255, int(a * 255 + 0.5)]
        rows.append(row)
    png('particle_puff_6003.png', size, size, rows)


def ray_profile(width=32, height=8):
    row = []
    for x in range(width):
        d = abs((x + 0.5) / width * 2.0 - 1.0)
        a = math.cos(d * math.pi / 2) ** 2
        row += [255, 255, 255, int(a * 255 + 0.5)]
    png('ray_profile_6004.png', width, height, [row] * height)


def firefly(size=32):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            dx = (x + 0.5) / size * 2.0 - 1.0
            dy = (y + 0.5) / size * 2.0 - 1.0
            r = min(1.0, math.sqrt(dx * dx + dy * dy))
            core = max(0.0, 1.0 - r / 0.35)
            halo = math.cos(r * math.pi / 2) ** 4
            a = min(1.0, core + 0.6 * halo)
            white = core * 0.6
            rgb = [clamp(210 + 45 * white), 255, clamp(90 + 165 * white)]
            row += rgb + [int(a * 255 + 0.5)]
        rows.append(row)
    png('firefly_glow_6005.png', size, size, rows)
def raindrops(cell=32):
    size = cell * 2
    pixels = [[0, 0, 0, 0] * size for _ in range(size)]
    # (centre x, centre y, radius x, radius y) of each head, in cell units;
    # the running drop also has a tail that narrows upwards.
    shapes = [(0.5, 0.68, 0.26, 0.26), (0.5, 0.5, 0.36, 0.36), (0.5, 0.5, 0.42, 0.28), (0.5, 0.5, 0.26, 0.4)]
    for index, (sx, sy, rx, ry) in enumerate(shapes):
        ox, oy = (index % 2) * cell, (index // 2) * cell
        for y in range(cell):
            for x in range(cell):
                u, v = (x + 0.5) / cell, (y + 0.5) / cell
                d = math.sqrt(((u - sx) / rx) ** 2 + ((v - sy) / ry) ** 2)
                if index == 0 and v < sy:
                    # Tail: a width shrinking linearly to the top of the cell.
                    w = rx * (v - 0.06) / (sy - 0.06)
                    d = abs(u - sx) / w if w > 0 else 2.0
                if d > 1.0:
                    continue
                a = 0.35 + 0.55 * d ** 3
                hx, hy = (u - (sx - rx * 0.35)) / (rx * 0.3), (v - (sy - ry * 0.35)) / (ry * 0.3)
                spot = max(0.0, 1.0 - math.sqrt(hx * hx + hy * hy))
                a = min(1.0, a + spot)
                rgb = (clamp(200 + 55 * spot), clamp(220 + 35 * spot), 255)
                pixels[oy + y][(ox + x) * 4:(ox + x) * 4 + 4] = [rgb[0], rgb[1], rgb[2], clamp(a * 255)]
    png('raindrops_6101.png', size, size, pixels)


trace()
glyphs()
highlight()
rim()
stand()
dot()
atlas()
puff()
ray_profile()
firefly()
raindrops()
