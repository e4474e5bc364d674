#include "geometry/smart_curves.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

DX_SmartPnt Pnt(float x, float y) { return DX_SmartPnt(D3DXVECTOR3(x, y, 0)); }

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-4f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

TEST(SmartCurve, CornerRuleTangents) {
  ZVI_SmartPolyline c;
  c.AddPoint(Pnt(0, 0), nullptr);
  c.AddPoint(Pnt(10, 20), nullptr);
  auto* p0 = c.Point(0);
  auto* p1 = c.Point(1);
  ExpectVec(p1->inTangent.value, -3.3f, -6.6f, 0);
  ExpectVec(p0->outTangent.value, 3.3f, 6.6f, 0);
  c.AddPoint(Pnt(50, 20), nullptr);
  // The middle point leaves along its own arrival, not toward the new point.
  ExpectVec(p1->outTangent.value, 3.3f, 6.6f, 0);
  EXPECT_EQ(c.points.selected.value, 2);
  c.InsertPoint(0, Pnt(-5, -5), nullptr);
  EXPECT_EQ(c.points.selected.value, 0);
  EXPECT_EQ(c.Point(0)->outTangent.value, D3DXVECTOR3(0, 0, 0));
  ExpectVec(p1->outTangent.value, 3.3f, 6.6f, 0);
  c.RemovePoint(0, nullptr);
  EXPECT_EQ(c.GetPoint(0), p0);
  EXPECT_THROW(c.GetPoint(3), std::out_of_range);
  EXPECT_THROW(c.GetPoint(-1), std::out_of_range);
  try {
    c.GetPoint(7);
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "invalid vector subscript");
  }
}

TEST(SmartCurve, PolylineSamplesAndTangents) {
  ZVI_SmartPolyline c;
  for (auto p : {Pnt(0, 0), Pnt(3, 4), Pnt(6, 8)}) c.AddPoint(p, nullptr);
  c.Resample();
  ASSERT_EQ(c.samples.size(), 3u);
  EXPECT_EQ(c.samples[0].length, 5.0f);
  EXPECT_EQ(c.samples[1].cumulative, 10.0f);
  EXPECT_EQ(c.GetLength(), 10.0f);
  ExpectVec(c.samples[1].tangent, 0.6f, 0.8f, 0);
  ExpectVec(c.samples[2].tangent, 0.6f, 0.8f, 0);
}

TEST(SmartCurve, SampleCounts) {
  struct Case {
    int kind, points;
    size_t want;
  } cases[] = {
      {0, 2, 2},   // cubic spline of two points: a polyline
      {0, 3, 61},  // 3 x 20 + 1
      {1, 2, 21},  // B-spline segment: r + 1
      {1, 3, 41},  // shared joint once: 2r + 1
      {1, 1, 1},
      {1, 0, 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<ZVI_Curve> curve;
    if (c.kind == 0)
      curve = std::make_unique<ZVI_SmartCubicSpline>();
    else
      curve = std::make_unique<ZVI_SmartBSpline>();
    for (int i = 0; i < c.points; ++i) curve->AddPoint(Pnt(i * 10.0f, (i % 2) * 10.0f), nullptr);
    curve->Resample();
    EXPECT_EQ(curve->samples.size(), c.want) << c.kind << "/" << c.points;
  }
}

TEST(SmartCurve, CoincidentPolylinePointsGiveFiniteTangents) {
  ZVI_SmartPolyline c;
  for (auto p : {Pnt(1, 1), Pnt(1, 1), Pnt(4, 5)}) c.AddPoint(p, nullptr);
  c.Resample();
  for (const auto& s : c.samples) EXPECT_TRUE(std::isfinite(s.tangent.x) && std::isfinite(s.tangent.y));
}

TEST(OffsetCurves, OffsetPolylineAnswersThroughItsMaker) {
  ZVI_SmartOffsetPolyline c;
  for (auto p : {Pnt(0, 0), Pnt(10, 0), Pnt(10, 10)}) c.AddPoint(p, nullptr);
  c.Resample();
  EXPECT_TRUE(c.samples.empty());
  D3DXVECTOR3 n, d, p;
  EXPECT_FALSE(c.NearestPoint(D3DXVECTOR3(1, 1, 0), &n, &d));
  EXPECT_EQ(c.GetLength(), 20.0f);
  ASSERT_TRUE(c.PointAtLength(15, 0, &p, &d));
  ExpectVec(p, 10, 5, 0);
  EXPECT_FALSE(c.DirectionAtLength(5, &d));
  int calls = 0;
  c.ForEachSegment([&](const D3DXVECTOR3&, const D3DXVECTOR3&) { ++calls; });
  EXPECT_EQ(calls, 2);
  // The band computed by the owner survives later edits.
  c.GetOffsetMaker()->Compute(4);
  c.AddPoint(Pnt(20, 10), nullptr);
  c.Resample();
  ASSERT_TRUE(c.PointAtLength(25, 2, &p, nullptr));
  EXPECT_NEAR(p.y, 8.0f, 1e-4f);  // 2 to the right of the last edge
  EXPECT_GT(p.x, 10.0f);
  EXPECT_LT(p.x, 20.0f);
}

TEST(OffsetCurves, LoopClosesAndHasNoDirection) {
  ZVI_SmartPolyLoop c;
  for (auto p : {Pnt(0, 0), Pnt(10, 0), Pnt(10, 10), Pnt(0, 10)}) c.AddPoint(p, nullptr);
  c.Resample();
  EXPECT_EQ(c.GetLength(), 40.0f);
  D3DXVECTOR3 p, d;
  ASSERT_TRUE(c.PointAtLength(35, 0, &p, &d));
  ExpectVec(p, 0, 5, 0);
  EXPECT_FALSE(c.DirectionAtLength(1, &d));
  std::vector<D3DXVECTOR3> ends;
  c.ForEachSegment([&](const D3DXVECTOR3&, const D3DXVECTOR3& b) { ends.push_back(b); });
  ASSERT_EQ(ends.size(), 4u);
  EXPECT_EQ(ends.back(), D3DXVECTOR3(0, 0, 0));
}

TEST(OffsetCurves, BSplineStripeIsSampledFinelyForItsMaker) {
  ZVI_SmartOffsetBSpline c;
  c.AddPoint(Pnt(0, 0), nullptr);
  c.AddPoint(Pnt(30, 0), nullptr);
  c.Resample();
  EXPECT_NEAR(c.GetLength(), 30.0f, 1e-3f);
  auto* onion = dynamic_cast<ZVI_OnionOffseter*>(c.PeekOffsetMaker());
  ASSERT_NE(onion, nullptr);
  EXPECT_EQ(onion->points().size(), 101u);
  // A copy shares the maker.
  ZVI_SmartOffsetBSpline copy(c);
  EXPECT_EQ(copy.PeekOffsetMaker(), c.PeekOffsetMaker());
  EXPECT_EQ(copy.GetPoint(1), c.GetPoint(1));
}

}  // namespace
