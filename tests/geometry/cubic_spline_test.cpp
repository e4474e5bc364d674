#include "geometry/cubic_spline.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(CubicSpline, HandComputedNodesAndValues) {
  // Knots 0, 1, 2 with values 0, 1, 0: the sweep gives c1 = c2 = -2.4,
  // b1 = 0.2, b2 = -2.2, d1 = -2.4, d2 = 0.
  const double x[] = {0, 1, 2}, y[] = {0, 1, 0};
  CubicSpline s;
  s.Build(x, y, 3);
  ASSERT_EQ(s.nodes().size(), 3u);
  EXPECT_DOUBLE_EQ(s.nodes()[0].c, 0.0);
  EXPECT_NEAR(s.nodes()[1].c, -2.4, 1e-12);
  EXPECT_NEAR(s.nodes()[2].c, -2.4, 1e-12);
  EXPECT_NEAR(s.nodes()[1].b, 0.2, 1e-12);
  EXPECT_NEAR(s.nodes()[2].b, -2.2, 1e-12);
  struct Case {
    double x, want;
  } cases[] = {
      {0.0, 0.0}, {0.5, 0.65}, {1.0, 1.0}, {2.0, 0.0},
      {-1.0, -1.0},  // extrapolates the first cubic
      {3.0, -3.4},   // extrapolates the last cubic
  };
  for (const Case& c : cases) EXPECT_NEAR(s.Evaluate(c.x), c.want, 1e-12) << "x = " << c.x;
}

TEST(CubicSpline, EmptyIsNaNAndShortListsStayFinite) {
  CubicSpline s;
  EXPECT_TRUE(std::isnan(s.Evaluate(0.5)));
  const double x[] = {0, 2}, y[] = {1, 5};
  s.Build(x, y, 1);
  EXPECT_DOUBLE_EQ(s.Evaluate(7.0), 1.0);
  s.Build(x, y, 2);
  EXPECT_DOUBLE_EQ(s.Evaluate(1.0), 3.0);
  EXPECT_DOUBLE_EQ(s.Evaluate(3.0), 7.0);
}

TEST(CubicSpline2D, SampleCountFollowsAccumulatedStep) {
  struct Case {
    int points;
    size_t want;
  } cases[] = {{3, 100}, {4, 101}};
  for (const Case& c : cases) {
    CubicSpline2D s;
    for (int i = 0; i < c.points; ++i) s.AddPoint(static_cast<float>(i), static_cast<float>(i));
    s.Build();
    std::vector<D3DXVECTOR3> out;
    s.Sample(out);
    EXPECT_EQ(out.size(), c.want) << c.points << " points";
    for (const D3DXVECTOR3& p : out) {
      EXPECT_NEAR(p.x, p.y, 1e-5);
      EXPECT_EQ(p.z, 0.0f);
    }
  }
}

TEST(CubicSpline2D, FractionEndsAreTheEndPoints) {
  CubicSpline2D s;
  s.AddPoint(3, 4);
  s.AddPoint(7, -1);
  s.AddPoint(10, 6);
  s.Build();
  D3DXVECTOR3 a = s.PointAtFraction(0), b = s.PointAtFraction(1);
  EXPECT_NEAR(a.x, 3, 1e-5);
  EXPECT_NEAR(a.y, 4, 1e-5);
  EXPECT_NEAR(b.x, 10, 1e-5);
  EXPECT_NEAR(b.y, 6, 1e-5);
  EXPECT_EQ(b.z, 0.0f);
}

TEST(SampleCubicBezier, ChainedSegmentSharesJointAndEndsExactly) {
  std::vector<D3DXVECTOR3> pos{D3DXVECTOR3(1, 2, 3)}, der{D3DXVECTOR3()};
  const D3DXVECTOR3 p0(1, 2, 3), p1(4, 7, 3), p2(8, -2, 1), p3(9.3f, 0.7f, -2.1f);
  SampleCubicBezier(pos, der, p0, p1, p2, p3, 20);
  ASSERT_EQ(pos.size(), 21u);
  ASSERT_EQ(der.size(), 21u);
  EXPECT_EQ(pos.back(), p3);
  // Midpoint of a cubic: (P0 + 3 P1 + 3 P2 + P3) / 8.
  EXPECT_NEAR(pos[10].x, (1 + 12 + 24 + 9.3f) / 8, 1e-5);
}

TEST(SampleCubicBezier, ZeroTangentsGiveZeroEndDerivatives) {
  std::vector<D3DXVECTOR3> pos, der;
  const D3DXVECTOR3 a(0, 0, 0), b(10, 0, 0);
  SampleCubicBezier(pos, der, a, a, b, b, 4);
  ASSERT_EQ(pos.size(), 5u);
  EXPECT_EQ(der.front(), D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(der.back(), D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(pos.front(), a);
}

TEST(SampleCubicBezier, NoStepsIsGuarded) {
  std::vector<D3DXVECTOR3> pos, der;
  const D3DXVECTOR3 a(1, 1, 0), b(5, 1, 0);
  SampleCubicBezier(pos, der, a, a, b, b, 0);
  ASSERT_EQ(pos.size(), 1u);  // the start point, not NaN
  EXPECT_EQ(pos[0], a);
  SampleCubicBezier(pos, der, a, a, b, b, 0);  // ends at a already: nothing
  EXPECT_EQ(pos.size(), 1u);
  SampleCubicBezier(pos, der, b, a, b, b, -3);
  EXPECT_EQ(pos.size(), 1u);
}

}  // namespace
