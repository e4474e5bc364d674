#pragma once
// Small geometric routines shared by emitters, particles and renderers.
// Angles in degrees convert with 3.1415927 / 180, in single precision.
#include <cstdint>

#include "platform/d3dx9/d3dx9_math.h"

// Defined here once; smart_values.h takes it from this header.
constexpr float kDegToRadPi = 3.1415927f;

#include "core/smart_values.h"

// (length, 0, 0) turned about z by minus an angle drawn uniformly in [a, b]
// degrees (one crt_rand draw): length x (cos t, -sin t, 0).
D3DXVECTOR3 RandomPlanarDirection(float length, float a, float b);

// As above, then turned about y by an angle drawn uniformly in
// [-(b - a) / 2, (b - a) / 2] degrees (a second draw).
D3DXVECTOR3 RandomConeDirection(float length, float a, float b);

// out = Translation(-p) x Scaling(sx, sy, sz) x Translation(p).
D3DXMATRIX* MatrixScalingAboutPoint(D3DXMATRIX* out, const D3DXVECTOR3& p, float sx, float sy, float sz);

// A rotation about z with _11 = _22 = u . v, _21 = s, _12 = -s, where
// s = |u x v| signed like (u x v).z; identity when u x v is zero. Written
// for column vectors; exact only for unit vectors.
D3DXMATRIX* MatrixRotationBetween(D3DXMATRIX* out, const D3DXVECTOR3& u, const D3DXVECTOR3& v);

// Intersection of the 2-D lines p1-p2 and p3-p4 (x and y only), in double
// precision. False, with out untouched, for parallel or degenerate lines.
bool IntersectLines(const D3DXVECTOR3& p1, const D3DXVECTOR3& p2, const D3DXVECTOR3& p3, const D3DXVECTOR3& p4,
                    D3DXVECTOR3* out);

// Rounds half to even (2.5 -> 2, 3.5 -> 4). Values outside the int range and
// NaN give INT32_MIN, as the processor's conversion does.
int32_t RoundFloatToInt(float x);
