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
