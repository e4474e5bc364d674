#!/usr/bin/env python3
"""Writes the pack's meshes: a unit cube and a textured 2 x 2 plane, each as
.X text and as .X binary tokens. Run from this folder."""
import struct

CUBE_POS = [(-0.5, -0.5, -0.5), (0.5, -0.5, -0.5), (0.5, 0.5, -0.5), (-0.5, 0.5, -0.5),
            (-0.5, -0.5, 0.5), (0.5, -0.5, 0.5), (0.5, 0.5, 0.5), (-0.5, 0.5, 0.5)]
# Clockwise seen from outside (front faces of a left-handed view).
CUBE_FACES = [(0, 3, 2, 1), (4, 5, 6, 7), (0, 1, 5, 4), (2, 3, 7, 6), (1, 2, 6, 5), (0, 4, 7, 3)]
CUBE_NORMALS = [(0, 0, -1), (0, 0, 1), (0, -1, 0), (0, 1, 0), (1, 0, 0), (-1, 0, 0)]
CUBE_UV = [(0, 1), (1, 1), (1, 0), (0, 0), (1, 1), (0, 1), (0, 0), (1, 0)]

PLANE_POS = [(-1, -1, 0), (-1, 1, 0), (1, 1, 0), (1, -1, 0)]
PLANE_FACES = [(0, 1, 2), (0, 2, 3)]
PLANE_NORMALS = [(0, 0, -1)]
PLANE_UV = [(0, 1), (0, 0), (1, 0), (1, 1)]


def num(v):
    return ('%.6f' % v).rstrip('0').rstrip('.') if v != int(v) else str(int(v))


def text_mesh(name, pos, faces, normals, uv):
    vec = lambda v: ';'.join(num(c) for c in v) + ';'
    lines = ['xof 0303txt 0032', 'Mesh %s {' % name, '  %d;' % len(pos)]
    lines.append('  ' + ',\n  '.join(vec(p) for p in pos) + ';')
    lines.append('  %d;' % len(faces))
    lines.append('  ' + ',\n  '.join('%d;%s;' % (len(f), ','.join(map(str, f))) for f in faces) + ';')
    lines.append('  MeshNormals {')
    lines.append('    %d;' % len(normals))
    lines.append('    ' + ',\n    '.join(vec(n) for n in normals) + ';')
    lines.append('    %d;' % len(faces))
    idx = [i if len(normals) == len(faces) else 0 for i in range(len(faces))]
    lines.append('    ' + ',\n    '.join('%d;%s;' % (len(f), ','.join([str(idx[i])] * len(f)))
                                        for i, f in enumerate(faces)) + ';')
    lines.append('  }')
    lines.append('  MeshTextureCoords {')
    lines.append('    %d;' % len(uv))
    lines.append('    ' + ',\n    '.join(vec(t) for t in uv) + ';')
    lines.append('  }')
    lines.append('}')
    return ('\n'.join(lines) + '\n').encode('ascii')


class Binary:
    def __init__(self):
        self.out = bytearray(b'xof 0303bin 0032')

    def name(self, n):
        self.out += struct.pack('<HI', 1, len(n)) + n.encode('ascii')

    def open(self):
        self.out += struct.pack('<H', 10)

    def close(self):
        self.out += struct.pack('<H', 11)

    def ints(self, v):
        self.out += struct.pack('<HI', 6, len(v)) + struct.pack('<%dI' % len(v), *v)

    def floats(self, v):
        self.out += struct.pack('<HI', 7, len(v)) + struct.pack('<%df' % len(v), *v)


def binary_mesh(name, pos, faces, normals, uv):
    b = Binary()
    b.name('Mesh')
    b.name(name)
    b.open()
    b.ints([len(pos)])
    b.floats([c for p in pos for c in p])
    b.ints([len(faces)] + [x for f in faces for x in [len(f)] + list(f)])
    b.name('MeshNormals')
    b.open()
    b.ints([len(normals)])
    b.floats([c for n in normals for c in n])
    idx = [i if len(normals) == len(faces) else 0 for i in range(len(faces))]
    b.ints([len(faces)] + [x for i, f in enumerate(faces) for x in [len(f)] + [idx[i]] * len(f)])
    b.close()
    b.name('MeshTextureCoords')
    b.open()
    b.ints([len(uv)])
    b.floats([c for t in uv for c in t])
    b.close()
    b.close()
    return bytes(b.out)


for stem, args in (('cube', ('Cube', CUBE_POS, CUBE_FACES, CUBE_NORMALS, CUBE_UV)),
                   ('plane', ('Plane', PLANE_POS, PLANE_FACES, PLANE_NORMALS, PLANE_UV))):
    open(stem + '_text.x', 'wb').write(text_mesh(*args))
    open(stem + '_binary.x', 'wb').write(binary_mesh(*args))


# Meshes of the butterfly and the clock (pack ids 68, 69, 70): smooth meshes
# with one normal and one uv per vertex. Seen from the slide camera (x right,
# y down the picture, looking along +z) the visible side of a triangle runs
# clockwise on screen, so faces are wound with (b - a) x (c - a) pointing into
# the solid.
import math


def smooth_text_mesh(name, pos, faces, normals, uv):
    vec = lambda v: ';'.join(num(round(c, 5)) for c in v) + ';'
    lines = ['xof 0303txt 0032', 'Mesh %s {' % name, '  %d;' % len(pos)]
    lines.append('  ' + ',\n  '.join(vec(p) for p in pos) + ';')
    lines.append('  %d;' % len(faces))
    lines.append('  ' + ',\n  '.join('%d;%s;' % (len(f), ','.join(map(str, f))) for f in faces) + ';')
    lines.append('  MeshNormals {')
    lines.append('    %d;' % len(normals))
    lines.append('    ' + ',\n    '.join(vec(n) for n in normals) + ';')
    lines.append('    %d;' % len(faces))
    lines.append('    ' + ',\n    '.join('%d;%s;' % (len(f), ','.join(map(str, f))) for f in faces) + ';')
    lines.append('  }')
    lines.append('  MeshTextureCoords {')
    lines.append('    %d;' % len(uv))
    lines.append('    ' + ',\n    '.join(vec(t) for t in uv) + ';')
    lines.append('  }')
    lines.append('}')
    return ('\n'.join(lines) + '\n').encode('ascii')


def body_radius(z):
    """Head (z 17..25), thorax (5..17), a tapering abdomen (-25..5)."""
    if z >= 17:
        t = (z - 21) / 4.0
        return 3.2 * math.sqrt(max(0.0, 1 - t * t))
    if z >= 5:
        t = (z - 11) / 6.5
        return 4.0 * math.sqrt(max(0.0, 1 - t * t)) + 0.6
    t = (5 - z) / 30.0
    return max(0.0, 3.0 * math.sqrt(max(0.0, 1 - t ** 4)) * (1 - 0.6 * t))


def butterfly_body(rings=32, segments=12):
    """Mesh 68: the body along model z, head at +25, tail at -25; u runs
    from the head (0) to the tail (1), v once around."""
    pos, nrm, uv, faces = [], [], [], []
    zs = [25 - 50.0 * i / rings for i in range(rings + 1)]
    for i, z in enumerate(zs):
        r = body_radius(z)
        dz = 0.25
        slope = (body_radius(min(25, z + dz)) - body_radius(max(-25, z - dz))) / (2 * dz)
        for s in range(segments + 1):
            a = 2 * math.pi * s / segments
            ca, sa = math.cos(a), math.sin(a)
            pos.append((r * ca, r * sa, z))
            if i == 0:
                n = (0.0, 0.0, 1.0)
            elif i == rings:
                n = (0.0, 0.0, -1.0)
            else:
                n = (ca, sa, -slope)
                length = math.sqrt(sum(c * c for c in n))
                n = tuple(c / length for c in n)
            nrm.append(n)
            uv.append((i / float(rings), s / float(segments)))
    row = segments + 1
    for i in range(rings):
        for s in range(segments):
            a, b, c, d = i * row + s, i * row + s + 1, (i + 1) * row + s, (i + 1) * row + s + 1
            # Outward normal along +radius: wind so the cross product points inward.
            faces.append((a, b, c))
            faces.append((b, d, c))
    return pos, faces, nrm, uv


def butterfly_wing(cols=6, rows=6, span=60.0, depth=60.0):
    """Mesh 69: one flat wing in the x-z plane, hinged on the z axis and
    spanning x 0..60, z -30..30; u = x / 60 (hinge 0, tip 1), v from the
    front edge (z = +30, v 0) to the back edge (v 1). The picture's alpha
    cuts the wing's outline."""
    pos, nrm, uv, faces = [], [], [], []
    for j in range(rows + 1):
        for i in range(cols + 1):
            u, v = i / float(cols), j / float(rows)
            pos.append((u * span, 0.0, depth * 0.5 - v * depth))
            nrm.append((0.0, -1.0, 0.0))
            uv.append((u, v))
    row = cols + 1
    for j in range(rows):
        for i in range(cols):
            a, b, c, d = j * row + i, j * row + i + 1, (j + 1) * row + i, (j + 1) * row + i + 1
            faces.append((a, b, c))
            faces.append((b, d, c))
    return pos, faces, nrm, uv


def plate(size=100.0):
    """Mesh 70: a size x size plate in the x-z plane, centred on the origin;
    u = (x + 50) / 100, v = (50 - z) / 100, so the picture's top edge lies at
    +z (twelve o'clock once the clock turns the plate up into the picture)."""
    h = size * 0.5
    pos = [(-h, 0.0, h), (h, 0.0, h), (-h, 0.0, -h), (h, 0.0, -h)]
    nrm = [(0.0, -1.0, 0.0)] * 4
    uv = [(0.0, 0.0), (1.0, 0.0), (0.0, 1.0), (1.0, 1.0)]
    faces = [(0, 1, 2), (1, 3, 2)]
    return pos, faces, nrm, uv


for stem, name, make in (('butterfly_body_68', 'ButterflyBody', butterfly_body),
                         ('butterfly_wing_69', 'ButterflyWing', butterfly_wing),
                         ('plate_70', 'Plate', plate)):
    open(stem + '.x', 'wb').write(smooth_text_mesh(name, *make()))
