// Random directions, matrix helpers, intersections, rounding and frames.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/crt.h"
#include "core/ds_frame.h"
#include "core/math_routines.h"

namespace {

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float eps = 1e-5f) {
  EXPECT_NEAR(v.x, x, eps);
  EXPECT_NEAR(v.y, y, eps);
  EXPECT_NEAR(v.z, z, eps);
}

D3DXVECTOR3 Apply(const D3DXMATRIX& m, const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

TEST(MathRoutinesTest, PlanarDirectionTurnsByMinusTheDrawnAngle) {
  crt_srand(1);
  ExpectVec(RandomPlanarDirection(2.0f, 90.0f, 90.0f), 0.0f, -2.0f, 0.0f);

  crt_srand(1);  // first draw 41: theta = 41 / 32767 x 360 degrees
  float theta = (41.0f / 32767.0f) * 360.0f * 3.1415927f / 180.0f;
  ExpectVec(RandomPlanarDirection(1.0f, 0.0f, 360.0f), std::cos(theta), -std::sin(theta), 0.0f);
}

TEST(MathRoutinesTest, ConeWithoutSpreadEqualsPlanar) {
  crt_srand(7);
  D3DXVECTOR3 cone = RandomConeDirection(3.0f, 40.0f, 40.0f);
  crt_srand(7);
  D3DXVECTOR3 planar = RandomPlanarDirection(3.0f, 40.0f, 40.0f);
  EXPECT_EQ(cone, planar);

  // Two draws: the second turns about y within half the width either way.
  crt_srand(1);  // draws 41, 18467
  D3DXVECTOR3 v = RandomConeDirection(1.0f, 0.0f, 60.0f);
  float theta = (41.0f / 32767.0f) * 60.0f * 3.1415927f / 180.0f;
  float phi = ((18467.0f / 32767.0f) * 60.0f - 30.0f) * 3.1415927f / 180.0f;
  float x = std::cos(theta), y = -std::sin(theta);
  ExpectVec(v, x * std::cos(phi), y, -x * std::sin(phi));  // row vector x RotationY
}

TEST(MathRoutinesTest, ScalingAboutAPoint) {
  D3DXMATRIX m;
  MatrixScalingAboutPoint(&m, D3DXVECTOR3(1, 1, 0), 2, 2, 2);
  ExpectVec(Apply(m, D3DXVECTOR3(1, 1, 0)), 1, 1, 0);
  ExpectVec(Apply(m, D3DXVECTOR3(2, 1, 0)), 3, 1, 0);
}

TEST(MathRoutinesTest, RotationBetween) {
  D3DXMATRIX m, id;
  D3DXMatrixIdentity(&id);
  D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
  MatrixRotationBetween(&m, x, x);
  EXPECT_TRUE(m == id);
  MatrixRotationBetween(&m, x, y);
  EXPECT_EQ(m._11, 0.0f);
  EXPECT_EQ(m._22, 0.0f);
  EXPECT_EQ(m._21, 1.0f);
  EXPECT_EQ(m._12, -1.0f);
  EXPECT_EQ(m._33, 1.0f);
  MatrixRotationBetween(&m, y, x);  // clockwise: negative sine
  EXPECT_EQ(m._21, -1.0f);
  EXPECT_EQ(m._12, 1.0f);
}

TEST(MathRoutinesTest, IntersectLines) {
  D3DXVECTOR3 out(9, 9, 9);
  ASSERT_TRUE(IntersectLines({0, 0, 5}, {2, 2, 5}, {0, 2, 5}, {2, 0, 5}, &out));
  ExpectVec(out, 1, 1, 0, 0);
  ASSERT_TRUE(IntersectLines({0, 0, 0}, {1, 0, 0}, {3, -1, 0}, {3, 1, 0}, &out));
  ExpectVec(out, 3, 0, 0, 0);  // beyond the segment: lines, not segments

  const D3DXVECTOR3 before(9, 9, 9);
  struct Case { D3DXVECTOR3 p1, p2, p3, p4; };
  const Case no_point[] = {
      {{0, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 2, 0}},  // parallel
      {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 2, 0}},  // degenerate first line
      {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}},  // the same line
  };
  for (const Case& c : no_point) {
    out = before;
    EXPECT_FALSE(IntersectLines(c.p1, c.p2, c.p3, c.p4, &out));
    EXPECT_EQ(out, before);
  }
}

TEST(MathRoutinesTest, RoundFloatToIntHalvesToEven) {
  struct Case { float in; int32_t out; };
  const Case cases[] = {
      {2.5f, 2}, {3.5f, 4}, {-2.5f, -2}, {-0.5f, 0}, {1.5f, 2}, {0.49f, 0}, {-1.51f, -2}, {1e9f, 1000000000},
      {std::numeric_limits<float>::quiet_NaN(), INT32_MIN}, {3e9f, INT32_MIN}, {-3e9f, INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundFloatToInt(c.in), c.out) << c.in;
}

struct FixedController : DS_AnimationBase {
  static inline int destroyed = 0;
  ~FixedController() override { ++destroyed; }
  void Apply(DS_Frame* frame) override { D3DXMatrixScaling(&frame->world, 2, 2, 2); }
};

TEST(DSFrameTest, UpdateComposesWithTheParent) {
  DS_Frame root, child, grandchild;
  D3DXMATRIX id;
  D3DXMatrixIdentity(&id);
  EXPECT_TRUE(root.world == id);
  EXPECT_TRUE(root.local == id);
  EXPECT_TRUE(root.mirror);
  EXPECT_EQ(root.controller, nullptr);

  D3DXMatrixTranslation(&root.local, 10, 0, 0);
  D3DXMatrixRotationZ(&child.local, D3DX_PI / 2);
  D3DXMatrixTranslation(&grandchild.local, 0, 0, 5);
  root.children.push_back(&child);
  child.children.push_back(&grandchild);
  root.Update();

  // child world = U x T: a point is turned by the child, then moved by the root.
  ExpectVec(Apply(child.world, D3DXVECTOR3(1, 0, 0)), 10, 1, 0);
  ExpectVec(Apply(grandchild.world, D3DXVECTOR3(1, 0, 0)), 10, 1, 5);
}

TEST(DSFrameTest, ControllerReplacesTheLocalMatrixAndDiesWithTheFrame) {
  FixedController::destroyed = 0;
  {
    DS_Frame root, child;
    D3DXMatrixTranslation(&root.local, 1, 0, 0);
    D3DXMatrixTranslation(&child.local, 100, 100, 100);  // ignored
    child.SetController(new FixedController);
    root.children.push_back(&child);
    root.Update();
    ExpectVec(Apply(child.world, D3DXVECTOR3(1, 1, 1)), 3, 2, 2);

    DS_Frame copy(child);  // a copy does not share the owned controller
    EXPECT_EQ(copy.controller, nullptr);
    EXPECT_TRUE(copy.world == child.world);
  }
  EXPECT_EQ(FixedController::destroyed, 1);
}

}  // namespace
