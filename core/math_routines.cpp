#include "core/math_routines.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include "core/crt.h"

D3DXVECTOR3 RandomPlanarDirection(float length, float a, float b) {
  float theta = crt_rand01() * (b - a) + a;
  D3DXMATRIX rot;
  D3DXMatrixRotationZ(&rot, theta * (-kDegToRadPi) / 180.0f);
  D3DXVECTOR3 v(length, 0, 0), out;
  D3DXVec3TransformCoord(&out, &v, &rot);
  return out;
}

D3DXVECTOR3 RandomConeDirection(float length, float a, float b) {
  float w = b - a;
  D3DXVECTOR3 v = RandomPlanarDirection(length, a, b);
  float half = w / 2.0f;
  float phi = crt_rand01() * (half - (-half)) + (-half);
  D3DXMATRIX rot;
  D3DXMatrixRotationY(&rot, phi * kDegToRadPi / 180.0f);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &rot);
  return out;
}

D3DXMATRIX* MatrixScalingAboutPoint(D3DXMATRIX* out, const D3DXVECTOR3& p, float sx, float sy, float sz) {
  D3DXMATRIX to_origin, scale, back, tmp;
  D3DXMatrixTranslation(&to_origin, -p.x, -p.y, -p.z);
  D3DXMatrixScaling(&scale, sx, sy, sz);
  D3DXMatrixTranslation(&back, p.x, p.y, p.z);
  D3DXMatrixMultiply(&tmp, &scale, &back);
  D3DXMatrixMultiply(out, &to_origin, &tmp);
  return out;
}

D3DXMATRIX* MatrixRotationBetween(D3DXMATRIX* out, const D3DXVECTOR3& u, const D3DXVECTOR3& v) {
  D3DXMatrixIdentity(out);
  D3DXVECTOR3 c;
  D3DXVec3Cross(&c, &u, &v);
  float m = D3DXVec3Length(&c);
  if (!(m > 0.0f)) return out;
  float s = c.z < 0.0f ? -m : m;
  float d = D3DXVec3Dot(&u, &v);
  out->_11 = d;
  out->_22 = d;
  out->_21 = s;
  out->_12 = -s;
  return out;
}

bool IntersectLines(const D3DXVECTOR3& p1, const D3DXVECTOR3& p2, const D3DXVECTOR3& p3, const D3DXVECTOR3& p4,
                    D3DXVECTOR3* out) {
  double x1 = p1.x, y1 = p1.y, x2 = p2.x, y2 = p2.y;
  double x3 = p3.x, y3 = p3.y, x4 = p4.x, y4 = p4.y;
  double d = (x1 - x2) * (y3 - y4) - (y1 - y2) * (x3 - x4);
  if (!(std::fabs(d) >= 1e-7)) return false;
  double a = x1 * y2 - y1 * x2;
  double b = x3 * y4 - y3 * x4;
  out->x = static_cast<float>((a * (x3 - x4) - (x1 - x2) * b) / d);
  out->y = static_cast<float>((a * (y3 - y4) - (y1 - y2) * b) / d);
  out->z = 0.0f;
  return true;
}

int32_t RoundFloatToInt(float x) {
  if (!(x >= -2147483648.0f && x < 2147483648.0f)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::nearbyint(x));
}
