#include "platform/d3dx9/d3dx9_math.h"

#include <cmath>

namespace {
// The device's "invalid call" code, returned where the call cannot be done.
constexpr HRESULT kInvalidCall = static_cast<HRESULT>(0x8876086Cu);

D3DXMATRIX Product(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  return r;
}

D3DXMATRIX Identity() {
  D3DXMATRIX r;
  r._11 = r._22 = r._33 = r._44 = 1.0f;
  return r;
}
}  // namespace

D3DXMATRIX::D3DXMATRIX(const float* f) : D3DMATRIX{} {
  for (int i = 0; i < 16; ++i) (&_11)[i] = f[i];
}

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44)
    : D3DMATRIX{} {
  _11 = f11; _12 = f12; _13 = f13; _14 = f14;
  _21 = f21; _22 = f22; _23 = f23; _24 = f24;
  _31 = f31; _32 = f32; _33 = f33; _34 = f34;
  _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) { return *this = Product(*this, mat); }
D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) {
  for (int i = 0; i < 16; ++i) (&_11)[i] += (&mat._11)[i];
  return *this;
}
D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) {
  for (int i = 0; i < 16; ++i) (&_11)[i] -= (&mat._11)[i];
  return *this;
}
D3DXMATRIX& D3DXMATRIX::operator*=(float f) {
  for (int i = 0; i < 16; ++i) (&_11)[i] *= f;
  return *this;
}
D3DXMATRIX& D3DXMATRIX::operator/=(float f) { return *this *= 1.0f / f; }
D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }
D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const { return Product(*this, mat); }
D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const { D3DXMATRIX r(*this); return r += mat; }
D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const { D3DXMATRIX r(*this); return r -= mat; }
D3DXMATRIX D3DXMATRIX::operator*(float f) const { D3DXMATRIX r(*this); return r *= f; }
D3DXMATRIX D3DXMATRIX::operator/(float f) const { D3DXMATRIX r(*this); return r /= f; }
bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
  for (int i = 0; i < 16; ++i)
    if ((&_11)[i] != (&mat._11)[i]) return false;
  return true;
}

D3DXCOLOR::D3DXCOLOR(DWORD argb)
    : r(static_cast<float>((argb >> 16) & 0xFF) / 255.0f),
      g(static_cast<float>((argb >> 8) & 0xFF) / 255.0f),
      b(static_cast<float>(argb & 0xFF) / 255.0f),
      a(static_cast<float>((argb >> 24) & 0xFF) / 255.0f) {}

D3DXCOLOR::operator DWORD() const {
  auto byte = [](float v) -> DWORD {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 0xFF;
    return static_cast<DWORD>(v * 255.0f + 0.5f);
  };
  return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

// --- 2-D ---
float D3DXVec2Length(const D3DXVECTOR2* v) { return std::sqrt(v->x * v->x + v->y * v->y); }
float D3DXVec2LengthSq(const D3DXVECTOR2* v) { return v->x * v->x + v->y * v->y; }
float D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->x + a->y * b->y; }
float D3DXVec2CCW(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->y - a->y * b->x; }
D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
  *out = D3DXVECTOR2(a->x + b->x, a->y + b->y);
  return out;
}
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b) {
  *out = D3DXVECTOR2(a->x - b->x, a->y - b->y);
  return out;
}
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, float s) {
  *out = D3DXVECTOR2(v->x * s, v->y * s);
  return out;
}
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b, float s) {
  *out = D3DXVECTOR2(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y));
  return out;
}
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v) {
  float len = D3DXVec2Length(v);
  if (len == 0.0f) *out = D3DXVECTOR2(0, 0);
  else *out = D3DXVECTOR2(v->x / len, v->y / len);
  return out;
}
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  float x = v->x, y = v->y;
  *out = D3DXVECTOR4(x * m->_11 + y * m->_21 + m->_41, x * m->_12 + y * m->_22 + m->_42,
                     x * m->_13 + y * m->_23 + m->_43, x * m->_14 + y * m->_24 + m->_44);
  return out;
}
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 r;
  D3DXVec2Transform(&r, v, m);
  *out = D3DXVECTOR2(r.x / r.w, r.y / r.w);
  return out;
}
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m) {
  float x = v->x, y = v->y;
  *out = D3DXVECTOR2(x * m->_11 + y * m->_21, x * m->_12 + y * m->_22);
  return out;
}

// --- 3-D ---
float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z); }
float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
  return out;
}
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->x + b->x, a->y + b->y, a->z + b->z);
  return out;
}
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(a->x - b->x, a->y - b->y, a->z - b->z);
  return out;
}
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s) {
  *out = D3DXVECTOR3(v->x * s, v->y * s, v->z * s);
  return out;
}
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s) {
  *out = D3DXVECTOR3(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z));
  return out;
}
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(std::fmin(a->x, b->x), std::fmin(a->y, b->y), std::fmin(a->z, b->z));
  return out;
}
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  *out = D3DXVECTOR3(std::fmax(a->x, b->x), std::fmax(a->y, b->y), std::fmax(a->z, b->z));
  return out;
}
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  float len = D3DXVec3Length(v);
  if (len == 0.0f) *out = D3DXVECTOR3(0, 0, 0);
  else *out = D3DXVECTOR3(v->x / len, v->y / len, v->z / len);
  return out;
}
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  float x = v->x, y = v->y, z = v->z;
  *out = D3DXVECTOR4(x * m->_11 + y * m->_21 + z * m->_31 + m->_41, x * m->_12 + y * m->_22 + z * m->_32 + m->_42,
                     x * m->_13 + y * m->_23 + z * m->_33 + m->_43, x * m->_14 + y * m->_24 + z * m->_34 + m->_44);
  return out;
}
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 r;
  D3DXVec3Transform(&r, v, m);
  *out = D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
  return out;
}
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  float x = v->x, y = v->y, z = v->z;
  *out = D3DXVECTOR3(x * m->_11 + y * m->_21 + z * m->_31, x * m->_12 + y * m->_22 + z * m->_32,
                     x * m->_13 + y * m->_23 + z * m->_33);
  return out;
}
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT out_stride, const D3DXVECTOR3* v, UINT v_stride,
                                         const D3DXMATRIX* m, UINT n) {
  for (UINT i = 0; i < n; ++i) {
    auto* dst = reinterpret_cast<D3DXVECTOR3*>(reinterpret_cast<char*>(out) + static_cast<size_t>(i) * out_stride);
    auto* src = reinterpret_cast<const D3DXVECTOR3*>(reinterpret_cast<const char*>(v) + static_cast<size_t>(i) * v_stride);
    D3DXVec3TransformCoord(dst, src, m);
  }
  return out;
}

// --- 4-D ---
float D3DXVec4Length(const D3DXVECTOR4* v) { return std::sqrt(D3DXVec4Dot(v, v)); }
float D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b, float s) {
  *out = D3DXVECTOR4(a->x + s * (b->x - a->x), a->y + s * (b->y - a->y), a->z + s * (b->z - a->z),
                     a->w + s * (b->w - a->w));
  return out;
}
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v) {
  float len = D3DXVec4Length(v);
  if (len == 0.0f) *out = D3DXVECTOR4(0, 0, 0, 0);
  else *out = *v / len;
  return out;
}
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
  float x = v->x, y = v->y, z = v->z, w = v->w;
  *out = D3DXVECTOR4(x * m->_11 + y * m->_21 + z * m->_31 + w * m->_41,
                     x * m->_12 + y * m->_22 + z * m->_32 + w * m->_42,
                     x * m->_13 + y * m->_23 + z * m->_33 + w * m->_43,
                     x * m->_14 + y * m->_24 + z * m->_34 + w * m->_44);
  return out;
}

// --- matrices ---
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  *out = Identity();
  return out;
}
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m) { return *m == Identity() ? TRUE : FALSE; }
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  *out = Product(*a, *b);
  return out;
}
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
  *out = r;
  return out;
}

namespace {
// Cofactor expansion; returns the adjugate (transposed cofactors) and the determinant.
float Adjugate(const D3DXMATRIX& a, D3DXMATRIX* adj) {
  const float* m = &a._11;
  float inv[16];
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
  if (adj) *adj = D3DXMATRIX(inv);
  return m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
}
}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* m) { return Adjugate(*m, nullptr); }

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
  D3DXMATRIX adj;
  float det = Adjugate(*m, &adj);
  if (determinant) *determinant = det;
  if (det == 0.0f || !std::isfinite(det)) return nullptr;
  *out = adj * (1.0f / det);
  return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  *out = Identity();
  out->_41 = x;
  out->_42 = y;
  out->_43 = z;
  return out;
}
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  *out = D3DXMATRIX();
  out->_11 = sx;
  out->_22 = sy;
  out->_33 = sz;
  out->_44 = 1.0f;
  return out;
}
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = Identity();
  out->_22 = c; out->_23 = s;
  out->_32 = -s; out->_33 = c;
  return out;
}
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = Identity();
  out->_11 = c; out->_13 = -s;
  out->_31 = s; out->_33 = c;
  return out;
}
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = Identity();
  out->_11 = c; out->_12 = s;
  out->_21 = -s; out->_22 = c;
  return out;
}
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, axis);
  float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  *out = Identity();
  out->_11 = t * v.x * v.x + c;
  out->_12 = t * v.x * v.y + s * v.z;
  out->_13 = t * v.x * v.z - s * v.y;
  out->_21 = t * v.x * v.y - s * v.z;
  out->_22 = t * v.y * v.y + c;
  out->_23 = t * v.y * v.z + s * v.x;
  out->_31 = t * v.x * v.z + s * v.y;
  out->_32 = t * v.y * v.z - s * v.x;
  out->_33 = t * v.z * v.z + c;
  return out;
}
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
  D3DXMATRIX z, x, y;
  D3DXMatrixRotationZ(&z, roll);
  D3DXMatrixRotationX(&x, pitch);
  D3DXMatrixRotationY(&y, yaw);
  *out = Product(Product(z, x), y);
  return out;
}
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
  float x = q->x, y = q->y, z = q->z, w = q->w;
  *out = Identity();
  out->_11 = 1.0f - 2.0f * (y * y + z * z);
  out->_12 = 2.0f * (x * y + z * w);
  out->_13 = 2.0f * (x * z - y * w);
  out->_21 = 2.0f * (x * y - z * w);
  out->_22 = 1.0f - 2.0f * (x * x + z * z);
  out->_23 = 2.0f * (y * z + x * w);
  out->_31 = 2.0f * (x * z + y * w);
  out->_32 = 2.0f * (y * z - x * w);
  out->_33 = 1.0f - 2.0f * (x * x + y * y);
  return out;
}

namespace {
D3DXMATRIX LookAt(const D3DXVECTOR3& eye, const D3DXVECTOR3& zaxis_in, const D3DXVECTOR3& up) {
  D3DXVECTOR3 zaxis, xaxis, yaxis;
  D3DXVec3Normalize(&zaxis, &zaxis_in);
  D3DXVec3Cross(&xaxis, &up, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
  return D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0, xaxis.y, yaxis.y, zaxis.y, 0, xaxis.z, yaxis.z, zaxis.z, 0,
                    -D3DXVec3Dot(&xaxis, &eye), -D3DXVec3Dot(&yaxis, &eye), -D3DXVec3Dot(&zaxis, &eye), 1);
}
}  // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
  *out = LookAt(*eye, *at - *eye, *up);
  return out;
}
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
  *out = LookAt(*eye, *eye - *at, *up);
  return out;
}
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
  float ys = 1.0f / std::tan(fovy / 2.0f);
  *out = D3DXMATRIX();
  out->_11 = ys / aspect;
  out->_22 = ys;
  out->_33 = zf / (zf - zn);
  out->_34 = 1.0f;
  out->_43 = -zn * zf / (zf - zn);
  return out;
}
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
  float ys = 1.0f / std::tan(fovy / 2.0f);
  *out = D3DXMATRIX();
  out->_11 = ys / aspect;
  out->_22 = ys;
  out->_33 = zf / (zn - zf);
  out->_34 = -1.0f;
  out->_43 = zn * zf / (zn - zf);
  return out;
}
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
  *out = Identity();
  out->_11 = 2.0f / w;
  out->_22 = 2.0f / h;
  out->_33 = 1.0f / (zf - zn);
  out->_43 = zn / (zn - zf);
  return out;
}
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
  *out = Identity();
  out->_11 = 2.0f / (r - l);
  out->_22 = 2.0f / (t - b);
  out->_33 = 1.0f / (zf - zn);
  out->_41 = (l + r) / (l - r);
  out->_42 = (t + b) / (b - t);
  out->_43 = zn / (zn - zf);
  return out;
}
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
  D3DXMatrixOrthoOffCenterLH(out, l, r, b, t, zn, zf);
  out->_33 = 1.0f / (zn - zf);
  return out;
}

HRESULT D3DXMatrixDecompose(D3DXVECTOR3* scale, D3DXQUATERNION* rotation, D3DXVECTOR3* translation,
                            const D3DXMATRIX* m) {
  if (translation) *translation = D3DXVECTOR3(m->_41, m->_42, m->_43);
  D3DXVECTOR3 rows[3] = {D3DXVECTOR3(m->_11, m->_12, m->_13), D3DXVECTOR3(m->_21, m->_22, m->_23),
                         D3DXVECTOR3(m->_31, m->_32, m->_33)};
  D3DXVECTOR3 s(D3DXVec3Length(&rows[0]), D3DXVec3Length(&rows[1]), D3DXVec3Length(&rows[2]));
  if (scale) *scale = s;
  if (s.x == 0.0f || s.y == 0.0f || s.z == 0.0f) return kInvalidCall;
  D3DXMATRIX r = Identity();
  for (int i = 0; i < 3; ++i) {
    float len = (&s.x)[i];
    r.m[i][0] = rows[i].x / len;
    r.m[i][1] = rows[i].y / len;
    r.m[i][2] = rows[i].z / len;
  }
  if (rotation) D3DXQuaternionRotationMatrix(rotation, &r);
  return S_OK;
}

// --- quaternions ---
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
  *out = D3DXQUATERNION(0, 0, 0, 1);
  return out;
}
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, axis);
  float s = std::sin(angle / 2.0f);
  *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(angle / 2.0f));
  return out;
}
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
  float trace = m->_11 + m->_22 + m->_33;
  D3DXQUATERNION q;
  if (trace > 0.0f) {
    float s = 2.0f * std::sqrt(trace + 1.0f);
    q.w = s / 4.0f;
    q.x = (m->_23 - m->_32) / s;
    q.y = (m->_31 - m->_13) / s;
    q.z = (m->_12 - m->_21) / s;
  } else if (m->_11 >= m->_22 && m->_11 >= m->_33) {
    float s = 2.0f * std::sqrt(1.0f + m->_11 - m->_22 - m->_33);
    q.x = s / 4.0f;
    q.y = (m->_12 + m->_21) / s;
    q.z = (m->_13 + m->_31) / s;
    q.w = (m->_23 - m->_32) / s;
  } else if (m->_22 >= m->_33) {
    float s = 2.0f * std::sqrt(1.0f + m->_22 - m->_11 - m->_33);
    q.y = s / 4.0f;
    q.x = (m->_12 + m->_21) / s;
    q.z = (m->_23 + m->_32) / s;
    q.w = (m->_31 - m->_13) / s;
  } else {
    float s = 2.0f * std::sqrt(1.0f + m->_33 - m->_11 - m->_22);
    q.z = s / 4.0f;
    q.x = (m->_13 + m->_31) / s;
    q.y = (m->_23 + m->_32) / s;
    q.w = (m->_12 - m->_21) / s;
  }
  *out = q;
  return out;
}
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b) {
  // Hamilton product b * a: the rotation of a, then that of b.
  const D3DXQUATERNION p = *b, q = *a;
  *out = D3DXQUATERNION(p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y, p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x,
                        p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w, p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z);
  return out;
}
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll) {
  D3DXQUATERNION qz, qx, qy, t;
  D3DXVECTOR3 ax(1, 0, 0), ay(0, 1, 0), az(0, 0, 1);
  D3DXQuaternionRotationAxis(&qz, &az, roll);
  D3DXQuaternionRotationAxis(&qx, &ax, pitch);
  D3DXQuaternionRotationAxis(&qy, &ay, yaw);
  D3DXQuaternionMultiply(&t, &qz, &qx);
  D3DXQuaternionMultiply(out, &t, &qy);
  return out;
}
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  float len = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w);
  if (len == 0.0f) *out = D3DXQUATERNION(0, 0, 0, 0);
  else *out = D3DXQUATERNION(q->x / len, q->y / len, q->z / len, q->w / len);
  return out;
}
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b, float t) {
  float dot = a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
  float sign = 1.0f;
  if (dot < 0.0f) {
    dot = -dot;
    sign = -1.0f;
  }
  float wa = 1.0f - t, wb = t;
  if (dot < 0.9999f) {
    float theta = std::acos(dot);
    float st = std::sin(theta);
    wa = std::sin((1.0f - t) * theta) / st;
    wb = std::sin(t * theta) / st;
  }
  wb *= sign;
  *out = D3DXQUATERNION(wa * a->x + wb * b->x, wa * a->y + wb * b->y, wa * a->z + wb * b->z, wa * a->w + wb * b->w);
  return out;
}

// --- colours ---
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b, float s) {
  *out = D3DXCOLOR(a->r + s * (b->r - a->r), a->g + s * (b->g - a->g), a->b + s * (b->b - a->b),
                   a->a + s * (b->a - a->a));
  return out;
}
D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b) {
  *out = D3DXCOLOR(a->r * b->r, a->g * b->g, a->b * b->b, a->a * b->a);
  return out;
}
