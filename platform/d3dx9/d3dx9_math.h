#pragma once
// The D3DX vector, matrix, quaternion and colour helpers the engine calls.
// Row-vector convention: v' = v x M; a product A x B applies A first.
#include <cstdint>

#include "platform/d3d9/d3d9_math_types.h"
#include "platform/win32/win_types.h"

#ifndef D3DX_PI
#define D3DX_PI 3.141592654f
#endif
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

struct D3DXVECTOR2 {
  float x = 0, y = 0;
  D3DXVECTOR2() = default;
  D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}
  explicit D3DXVECTOR2(const float* f) : x(f[0]), y(f[1]) {}
  operator float*() { return &x; }
  operator const float*() const { return &x; }
  D3DXVECTOR2& operator+=(const D3DXVECTOR2& v) { x += v.x; y += v.y; return *this; }
  D3DXVECTOR2& operator-=(const D3DXVECTOR2& v) { x -= v.x; y -= v.y; return *this; }
  D3DXVECTOR2& operator*=(float f) { x *= f; y *= f; return *this; }
  D3DXVECTOR2& operator/=(float f) { float inv = 1.0f / f; x *= inv; y *= inv; return *this; }
  D3DXVECTOR2 operator+() const { return *this; }
  D3DXVECTOR2 operator-() const { return {-x, -y}; }
  D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return {x + v.x, y + v.y}; }
  D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return {x - v.x, y - v.y}; }
  D3DXVECTOR2 operator*(float f) const { return {x * f, y * f}; }
  D3DXVECTOR2 operator/(float f) const { float inv = 1.0f / f; return {x * inv, y * inv}; }
  friend D3DXVECTOR2 operator*(float f, const D3DXVECTOR2& v) { return {f * v.x, f * v.y}; }
  bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
  bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};

struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() : D3DVECTOR{0, 0, 0} {}
  D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}
  D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
  explicit D3DXVECTOR3(const float* f) : D3DVECTOR{f[0], f[1], f[2]} {}
  operator float*() { return &x; }
  operator const float*() const { return &x; }
  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
  D3DXVECTOR3& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
  D3DXVECTOR3& operator/=(float f) { float inv = 1.0f / f; x *= inv; y *= inv; z *= inv; return *this; }
  D3DXVECTOR3 operator+() const { return *this; }
  D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
  D3DXVECTOR3 operator*(float f) const { return {x * f, y * f, z * f}; }
  D3DXVECTOR3 operator/(float f) const { float inv = 1.0f / f; return {x * inv, y * inv, z * inv}; }
  friend D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return {f * v.x, f * v.y, f * v.z}; }
  bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4 {
  float x = 0, y = 0, z = 0, w = 0;
  D3DXVECTOR4() = default;
  D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
  D3DXVECTOR4(const D3DVECTOR& v, float fw) : x(v.x), y(v.y), z(v.z), w(fw) {}
  explicit D3DXVECTOR4(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  operator float*() { return &x; }
  operator const float*() const { return &x; }
  D3DXVECTOR4& operator+=(const D3DXVECTOR4& v) { x += v.x; y += v.y; z += v.z; w += v.w; return *this; }
  D3DXVECTOR4& operator-=(const D3DXVECTOR4& v) { x -= v.x; y -= v.y; z -= v.z; w -= v.w; return *this; }
  D3DXVECTOR4& operator*=(float f) { x *= f; y *= f; z *= f; w *= f; return *this; }
  D3DXVECTOR4& operator/=(float f) { float inv = 1.0f / f; x *= inv; y *= inv; z *= inv; w *= inv; return *this; }
  D3DXVECTOR4 operator+() const { return *this; }
  D3DXVECTOR4 operator-() const { return {-x, -y, -z, -w}; }
  D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const { return {x + v.x, y + v.y, z + v.z, w + v.w}; }
  D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const { return {x - v.x, y - v.y, z - v.z, w - v.w}; }
  D3DXVECTOR4 operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
  D3DXVECTOR4 operator/(float f) const { float inv = 1.0f / f; return {x * inv, y * inv, z * inv, w * inv}; }
  friend D3DXVECTOR4 operator*(float f, const D3DXVECTOR4& v) { return {f * v.x, f * v.y, f * v.z, f * v.w}; }
  bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
  bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};

struct D3DXMATRIX : public D3DMATRIX {
  // Zero-filled by default so an unset matrix is never garbage.
  D3DXMATRIX() : D3DMATRIX{} {}
  D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}
  explicit D3DXMATRIX(const float* f);
  D3DXMATRIX(float f11, float f12, float f13, float f14,
             float f21, float f22, float f23, float f24,
             float f31, float f32, float f33, float f34,
             float f41, float f42, float f43, float f44);
  float& operator()(UINT row, UINT col) { return m[row][col]; }
  float operator()(UINT row, UINT col) const { return m[row][col]; }
  operator float*() { return &_11; }
  operator const float*() const { return &_11; }
  D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator*=(float f);
  D3DXMATRIX& operator/=(float f);
  D3DXMATRIX operator+() const { return *this; }
  D3DXMATRIX operator-() const;
  D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator+(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator-(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator*(float f) const;
  D3DXMATRIX operator/(float f) const;
  friend D3DXMATRIX operator*(float f, const D3DXMATRIX& mat) { return mat * f; }
  bool operator==(const D3DXMATRIX& mat) const;
  bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};

struct D3DXQUATERNION {
  float x = 0, y = 0, z = 0, w = 0;
  D3DXQUATERNION() = default;
  D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
  bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
  bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};

struct D3DXPLANE {
  float a = 0, b = 0, c = 0, d = 0;
  D3DXPLANE() = default;
  D3DXPLANE(float fa, float fb, float fc, float fd) : a(fa), b(fb), c(fc), d(fd) {}
};

// Colour with components 0..1 (r, g, b, a); converts to and from a packed
// A8R8G8B8 value.
struct D3DXCOLOR {
  float r = 0, g = 0, b = 0, a = 0;
  D3DXCOLOR() = default;
  D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}
  D3DXCOLOR(DWORD argb);
  D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}
  operator DWORD() const;
  operator D3DCOLORVALUE() const { return {r, g, b, a}; }
  D3DXCOLOR operator+(const D3DXCOLOR& c) const { return {r + c.r, g + c.g, b + c.b, a + c.a}; }
  D3DXCOLOR operator-(const D3DXCOLOR& c) const { return {r - c.r, g - c.g, b - c.b, a - c.a}; }
  D3DXCOLOR operator*(float f) const { return {r * f, g * f, b * f, a * f}; }
  bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
  bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }
};

// --- 2-D vectors ---
float D3DXVec2Length(const D3DXVECTOR2* v);
float D3DXVec2LengthSq(const D3DXVECTOR2* v);
float D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b);
// z of the 3-D cross product.
float D3DXVec2CCW(const D3DXVECTOR2* a, const D3DXVECTOR2* b);
D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b);
D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b);
D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, float s);
D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b, float s);
// A zero vector normalises to zero.
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v);
// (x, y, 0, 1) x M.
D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
// (x, y, 0, 1) x M, divided by w.
D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
// (x, y, 0, 0) x M.
D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);

// --- 3-D vectors ---
float D3DXVec3Length(const D3DXVECTOR3* v);
float D3DXVec3LengthSq(const D3DXVECTOR3* v);
float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s);
D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, float s);
D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// A zero vector normalises to zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// (x, y, z, 1) x M.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 1) x M, divided by w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 0) x M: directions ignore the translation.
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* out, UINT out_stride, const D3DXVECTOR3* v, UINT v_stride, const D3DXMATRIX* m, UINT n);

// --- 4-D vectors ---
float D3DXVec4Length(const D3DXVECTOR4* v);
float D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b);
D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b, float s);
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v);
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m);

// --- matrices ---
D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m);
// out = a x b (a applied first); out may alias a or b.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
float D3DXMatrixDeterminant(const D3DXMATRIX* m);
// Returns null (out untouched) for a singular matrix.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
// Left-handed rotations: positive angles turn y towards z (X), z towards x
// (Y) and x towards y (Z).
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
// Roll about z, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf);
// Splits an affine matrix into scale, rotation and translation (no shear);
// fails on a zero scale.
HRESULT D3DXMatrixDecompose(D3DXVECTOR3* scale, D3DXQUATERNION* rotation, D3DXVECTOR3* translation, const D3DXMATRIX* m);

// --- quaternions ---
D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle);
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll);
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
// out = a then b (the rotation of a followed by that of b).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b);
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b, float t);

// --- colours ---
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b, float s);
D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b);
