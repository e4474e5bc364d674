// Vector, matrix and quaternion helpers (row vectors: v' = v x M).
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx9/d3dx9_math.h"

namespace {

constexpr float kEps = 1e-5f;

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float eps = kEps) {
  EXPECT_NEAR(v.x, x, eps);
  EXPECT_NEAR(v.y, y, eps);
  EXPECT_NEAR(v.z, z, eps);
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = kEps) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], eps) << i << "," << j;
}

D3DXVECTOR3 Apply(const D3DXMATRIX& m, const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

TEST(D3DXMathTest, QuarterTurnsAboutEachAxis) {
  const float q = D3DX_PI / 2;
  D3DXMATRIX m;
  struct Case {
    D3DXMATRIX* (*rotate)(D3DXMATRIX*, float);
    D3DXVECTOR3 in, out;
  };
  const Case cases[] = {
      {D3DXMatrixRotationX, {0, 1, 0}, {0, 0, 1}},  // y turns towards z
      {D3DXMatrixRotationY, {0, 0, 1}, {1, 0, 0}},  // z turns towards x
      {D3DXMatrixRotationZ, {1, 0, 0}, {0, 1, 0}},  // x turns towards y
  };
  for (const Case& c : cases) {
    c.rotate(&m, q);
    D3DXVECTOR3 r = Apply(m, c.in);
    ExpectVec(r, c.out.x, c.out.y, c.out.z);
  }
  D3DXMatrixRotationZ(&m, 0.3f);
  EXPECT_FLOAT_EQ(m._11, std::cos(0.3f));
  EXPECT_FLOAT_EQ(m._12, std::sin(0.3f));
  EXPECT_FLOAT_EQ(m._21, -std::sin(0.3f));

  // An axis rotation about a basis axis equals the basis rotation.
  D3DXMATRIX axis, basis;
  D3DXVECTOR3 z(0, 0, 2);  // not unit: normalised
  D3DXMatrixRotationAxis(&axis, &z, 0.7f);
  D3DXMatrixRotationZ(&basis, 0.7f);
  ExpectMatrixNear(axis, basis);
}

TEST(D3DXMathTest, ProductAppliesTheLeftMatrixFirst) {
  D3DXMATRIX t, r, tr, rt;
  D3DXMatrixTranslation(&t, 1, 0, 0);
  D3DXMatrixRotationZ(&r, D3DX_PI / 2);
  D3DXMatrixMultiply(&tr, &t, &r);
  D3DXMatrixMultiply(&rt, &r, &t);
  D3DXVECTOR3 o(0, 0, 0);
  ExpectVec(Apply(tr, o), 0, 1, 0);  // moved, then turned
  ExpectVec(Apply(rt, o), 1, 0, 0);  // turned, then moved
  D3DXMatrixMultiply(&t, &t, &r);    // out may alias an input
  ExpectMatrixNear(t, tr);
}

TEST(D3DXMathTest, YawPitchRollIsRollThenPitchThenYaw) {
  D3DXMATRIX ypr, x, y, z, expected;
  D3DXMatrixRotationYawPitchRoll(&ypr, 0.4f, 0.5f, 0.6f);
  D3DXMatrixRotationZ(&z, 0.6f);
  D3DXMatrixRotationX(&x, 0.5f);
  D3DXMatrixRotationY(&y, 0.4f);
  expected = z * x * y;
  ExpectMatrixNear(ypr, expected);
}

TEST(D3DXMathTest, InverseTransposeAndDeterminant) {
  D3DXMATRIX m, inv, id, prod;
  D3DXMatrixRotationYawPitchRoll(&m, 0.3f, -1.1f, 2.0f);
  m._41 = 5;
  m._42 = -2;
  m._43 = 7;
  m._11 *= 2;
  float det = 0;
  ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
  D3DXMatrixIdentity(&id);
  D3DXMatrixMultiply(&prod, &m, &inv);
  ExpectMatrixNear(prod, id, 1e-4f);

  D3DXMATRIX singular;  // all zeros
  D3DXMATRIX untouched = m;
  EXPECT_EQ(D3DXMatrixInverse(&untouched, &det, &singular), nullptr);
  EXPECT_EQ(det, 0.0f);
  EXPECT_TRUE(untouched == m);

  D3DXMATRIX s, st;
  D3DXMatrixScaling(&s, 2, 3, 4);
  EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&s), 24.0f);
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 1, 2, 3);
  D3DXMatrixTranspose(&st, &t);
  EXPECT_EQ(st._14, 1.0f);
  EXPECT_EQ(st._24, 2.0f);
  EXPECT_EQ(st._34, 3.0f);
  EXPECT_EQ(st._41, 0.0f);
}

TEST(D3DXMathTest, VectorHelpers) {
  D3DXVECTOR3 zero(0, 0, 0), out(9, 9, 9);
  D3DXVec3Normalize(&out, &zero);
  ExpectVec(out, 0, 0, 0, 0);  // zero stays zero, no NaN
  D3DXVECTOR2 z2(0, 0), o2(5, 5);
  D3DXVec2Normalize(&o2, &z2);
  EXPECT_EQ(o2, D3DXVECTOR2(0, 0));

  D3DXVECTOR3 v(3, 4, 0);
  EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
  D3DXVec3Normalize(&out, &v);
  ExpectVec(out, 0.6f, 0.8f, 0);

  D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), c;
  D3DXVec3Cross(&c, &x, &y);
  ExpectVec(c, 0, 0, 1, 0);
  EXPECT_EQ(D3DXVec3Dot(&x, &y), 0.0f);
  D3DXVECTOR3 l;
  D3DXVec3Lerp(&l, &x, &y, 0.25f);
  ExpectVec(l, 0.75f, 0.25f, 0);

  // Normals ignore the translation; coordinates are divided by w.
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 10, 20, 30);
  D3DXVec3TransformNormal(&out, &x, &t);
  ExpectVec(out, 1, 0, 0, 0);
  D3DXMATRIX scaled_w;
  D3DXMatrixIdentity(&scaled_w);
  scaled_w._44 = 2;
  D3DXVECTOR3 p(2, 4, 6);
  D3DXVec3TransformCoord(&out, &p, &scaled_w);
  ExpectVec(out, 1, 2, 3, 0);
  D3DXVECTOR4 p4;
  D3DXVec3Transform(&p4, &p, &t);
  EXPECT_EQ(p4, D3DXVECTOR4(12, 24, 36, 1));
  D3DXVECTOR2 q(1, 2), q2;
  D3DXVec2TransformCoord(&q2, &q, &t);
  EXPECT_EQ(q2, D3DXVECTOR2(11, 22));
}

TEST(D3DXMathTest, CameraAndProjectionMatrices) {
  D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  ExpectVec(Apply(view, eye), 0, 0, 0);
  ExpectVec(Apply(view, at), 0, 0, 10);  // looking down +z
  ExpectVec(Apply(view, D3DXVECTOR3(1, 0, -10)), 1, 0, 0);

  D3DXMATRIX proj;
  D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 2.0f, 1.0f, 100.0f);
  EXPECT_NEAR(Apply(proj, D3DXVECTOR3(0, 0, 1)).z, 0.0f, kEps);
  EXPECT_NEAR(Apply(proj, D3DXVECTOR3(0, 0, 100)).z, 1.0f, kEps);
  ExpectVec(Apply(proj, D3DXVECTOR3(2, 1, 1)), 1, 1, 0);

  // Scene pixels to clip space: top-left (0,0) -> (-1, 1), bottom-right -> (1, -1).
  D3DXMATRIX ortho;
  D3DXMatrixOrthoOffCenterLH(&ortho, 0, 800, 600, 0, 0, 1);
  ExpectVec(Apply(ortho, D3DXVECTOR3(0, 0, 0)), -1, 1, 0);
  ExpectVec(Apply(ortho, D3DXVECTOR3(800, 600, 1)), 1, -1, 1);
  D3DXMATRIX ortho_rh;
  D3DXMatrixOrthoOffCenterRH(&ortho_rh, 0, 800, 600, 0, 0, 1);
  ExpectVec(Apply(ortho_rh, D3DXVECTOR3(800, 600, -1)), 1, -1, 1);
}

TEST(D3DXMathTest, QuaternionsAndDecomposition) {
  D3DXVECTOR3 axis(1, 2, 3);
  D3DXQUATERNION q;
  D3DXQuaternionRotationAxis(&q, &axis, 1.2f);
  D3DXMATRIX from_q, from_axis;
  D3DXMatrixRotationQuaternion(&from_q, &q);
  D3DXMatrixRotationAxis(&from_axis, &axis, 1.2f);
  ExpectMatrixNear(from_q, from_axis);

  // Quaternion product: the first rotation, then the second.
  D3DXQUATERNION qx, qz, both;
  D3DXVECTOR3 ax(1, 0, 0), az(0, 0, 1);
  D3DXQuaternionRotationAxis(&qx, &ax, 0.5f);
  D3DXQuaternionRotationAxis(&qz, &az, 0.9f);
  D3DXQuaternionMultiply(&both, &qx, &qz);
  D3DXMATRIX mb, mx, mz;
  D3DXMatrixRotationQuaternion(&mb, &both);
  D3DXMatrixRotationX(&mx, 0.5f);
  D3DXMatrixRotationZ(&mz, 0.9f);
  ExpectMatrixNear(mb, mx * mz);

  D3DXMATRIX s, r, t, srt;
  D3DXMatrixScaling(&s, 2, 3, 4);
  D3DXMatrixRotationYawPitchRoll(&r, 0.2f, 2.5f, -1.0f);  // a large pitch exercises the non-trace branches
  D3DXMatrixTranslation(&t, 7, 8, 9);
  srt = s * r * t;
  D3DXVECTOR3 scale, trans;
  D3DXQUATERNION rot;
  ASSERT_EQ(D3DXMatrixDecompose(&scale, &rot, &trans, &srt), S_OK);
  ExpectVec(scale, 2, 3, 4, 1e-4f);
  ExpectVec(trans, 7, 8, 9);
  D3DXMATRIX back;
  D3DXMatrixRotationQuaternion(&back, &rot);
  ExpectMatrixNear(back, r, 1e-4f);

  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  EXPECT_TRUE(FAILED(D3DXMatrixDecompose(&scale, &rot, &trans, &flat)));
}

TEST(D3DXMathTest, SlerpTakesTheShortWay) {
  D3DXVECTOR3 az(0, 0, 1);
  D3DXQUATERNION id, quarter, half, expected;
  D3DXQuaternionIdentity(&id);
  D3DXQuaternionRotationAxis(&quarter, &az, D3DX_PI / 2);
  D3DXQuaternionRotationAxis(&expected, &az, D3DX_PI / 4);
  D3DXQuaternionSlerp(&half, &id, &quarter, 0.5f);
  EXPECT_NEAR(half.z, expected.z, kEps);
  EXPECT_NEAR(half.w, expected.w, kEps);
  // The same rotation written with the opposite sign interpolates the same way.
  D3DXQUATERNION negated(-quarter.x, -quarter.y, -quarter.z, -quarter.w), other;
  D3DXQuaternionSlerp(&other, &id, &negated, 0.5f);
  EXPECT_NEAR(other.z, expected.z, kEps);
  EXPECT_NEAR(other.w, expected.w, kEps);
}

TEST(D3DXMathTest, TransformCoordArrayHonoursStrides) {
  struct Vertex {
    D3DXVECTOR3 pos;
    float u, v;
  };
  Vertex in[2] = {{{1, 0, 0}, 7, 8}, {{0, 1, 0}, 9, 10}};
  Vertex out[2] = {};
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 0, 0, 5);
  D3DXVec3TransformCoordArray(&out[0].pos, sizeof(Vertex), &in[0].pos, sizeof(Vertex), &t, 2);
  EXPECT_EQ(out[0].pos, D3DXVECTOR3(1, 0, 5));
  EXPECT_EQ(out[1].pos, D3DXVECTOR3(0, 1, 5));
  EXPECT_EQ(out[1].u, 0.0f);  // only positions are written
}

TEST(D3DXMathTest, ColourPacking) {
  D3DXCOLOR c(0x80FF4000u);
  EXPECT_FLOAT_EQ(c.a, 128 / 255.0f);
  EXPECT_FLOAT_EQ(c.r, 1.0f);
  EXPECT_FLOAT_EQ(c.g, 64 / 255.0f);
  EXPECT_FLOAT_EQ(c.b, 0.0f);
  EXPECT_EQ(static_cast<DWORD>(c), 0x80FF4000u);
  EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);  // clamped, rounded
}

}  // namespace
