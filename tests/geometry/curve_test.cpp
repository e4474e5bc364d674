#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/archive.h"
#include "geometry/curve.h"
#include "geometry/paths.h"
#include "tools/writer/byte_builder.h"

namespace {
using pw::ByteBuilder;

// A curve whose samples are set by hand.
class HandCurve : public ZVI_Curve {
 public:
  int32_t GetPointCount() const override { return 0; }
  void RemovePoint(int32_t, MediaControl*) override {}
  DX_SmartPnt* GetPoint(int32_t) override { return nullptr; }
  DX_SmartPnt* AddPoint(const DX_SmartPnt&, MediaControl*) override { return nullptr; }
  DX_SmartPnt* InsertPoint(int32_t, const DX_SmartPnt&, MediaControl*) override { return nullptr; }
};

PathSample S(float x, float y, float z, float tx = 0, float ty = 0) {
  PathSample s;
  s.position = D3DXVECTOR3(x, y, z);
  s.tangent = D3DXVECTOR3(tx, ty, 0);
  return s;
}

// (0,0,5) -> (10,0,5) -> (10,10,5) with tangents along x, the diagonal, along y.
std::vector<PathSample> Bend() {
  const float r = std::sqrt(0.5f);
  std::vector<PathSample> v{S(0, 0, 5, 1, 0), S(10, 0, 5, r, r), S(10, 10, 5, 0, 1)};
  FinishSampleLengths(v);
  return v;
}

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-4f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

TEST(PathSamples, LengthsFollowTheConvention) {
  auto v = Bend();
  EXPECT_EQ(v[0].length, 10.0f);
  EXPECT_EQ(v[0].cumulative, 10.0f);
  EXPECT_EQ(v[1].cumulative, 20.0f);
  EXPECT_EQ(v[2].length, 0.0f);
  EXPECT_EQ(v[2].cumulative, 0.0f);
}

TEST(PathCursor, SeekTable) {
  auto v = Bend();
  struct Case {
    float s, b;
    bool ok;
    float x, y, dx, dy;
  } cases[] = {
      {-0.5f, 0, false, 0, 0, 1, 0},          // below 0: zero point, unit x
      {5, 0, true, 5, 0, 10, 0},              // direction of the segment, not normalised
      {10, 0, true, 10, 0, 10, 0},            // a joint belongs to the earlier segment
      {20, 0, true, 10, 10, 0, 10},           // exactly the length
      {20.01f, 0, false, 10, 10, 0, 10},      // beyond: clamped to the end
      {5, 1, true, 5.3535534f, -0.8535534f,   // shifted along (t.y, -t.x)
       10.707107f, 0.29289323f},
  };
  for (const Case& c : cases) {
    PathCursor cur(&v);
    D3DXVECTOR3 p(9, 9, 9), d(9, 9, 9);
    EXPECT_EQ(cur.Seek(c.s, c.b, &p, &d), c.ok) << c.s;
    ExpectVec(p, c.x, c.y, 0);  // z is always 0 on the sampled plane
    ExpectVec(d, c.dx, c.dy, 0);
  }
}

TEST(PathCursor, SeekOnOneOrNoSample) {
  std::vector<PathSample> one{S(3, 4, 5, 0, 1)};
  PathCursor cur(&one);
  D3DXVECTOR3 p, d;
  EXPECT_TRUE(cur.Seek(123, 7, &p, &d));
  ExpectVec(p, 3, 4, 5);
  ExpectVec(d, 0, 1, 0);
  std::vector<PathSample> none;
  PathCursor empty(&none);
  EXPECT_FALSE(empty.Seek(0, 0, &p, &d));
}

TEST(PathCursor, AdvanceClampsAndGivesTheInterpolatedTangent) {
  auto v = Bend();
  PathCursor cur(&v);
  D3DXVECTOR3 p, t;
  ASSERT_TRUE(cur.Advance(5, &p, &t));
  ExpectVec(p, 5, 0, 5);
  // Halfway between (1,0,0) and the diagonal, as interpolated: shorter than 1.
  const float r = std::sqrt(0.5f);
  ExpectVec(t, (1 + r) / 2, r / 2, 0, 1e-6f);
  EXPECT_NEAR(D3DXVec3Length(&t), 0.92388f, 1e-4f);
  ASSERT_TRUE(cur.Advance(10, &p, &t));
  ExpectVec(p, 10, 5, 5);
  EXPECT_FALSE(cur.Advance(100, &p, &t));
  ExpectVec(p, 10, 10, 5);
  EXPECT_EQ(cur.segment, 1);
  EXPECT_EQ(cur.distance, 10.0f);
  EXPECT_TRUE(cur.Advance(0, &p, &t));
  ExpectVec(p, 10, 10, 5);
  ExpectVec(t, 0, 1, 0);
  std::vector<PathSample> one{S(1, 1, 1)};
  PathCursor short_cursor(&one);
  EXPECT_FALSE(short_cursor.Advance(1, &p, &t));
}

TEST(PathCursor, AdvanceOffsetStaysInPlaneAndClamps) {
  auto v = Bend();
  PathCursor cur(&v);
  D3DXVECTOR3 p, d;
  ASSERT_TRUE(cur.AdvanceOffset(15, 0, &p, &d));
  ExpectVec(p, 10, 5, 0);
  EXPECT_FALSE(cur.AdvanceOffset(50, 2, &p, &d));
  ExpectVec(p, 12, 10, 0);  // end of the curve shifted by 2 along (1, 0)
}

TEST(PathCursor, ZeroLengthSegmentsStayFinite) {
  std::vector<PathSample> v{S(1, 1, 0, 1, 0), S(1, 1, 0, 1, 0), S(4, 5, 0, 0.6f, 0.8f)};
  FinishSampleLengths(v);
  PathCursor cur(&v);
  D3DXVECTOR3 p, d;
  ASSERT_TRUE(cur.Advance(0, &p, &d));
  ExpectVec(p, 1, 1, 0);
  PathCursor cur2(&v);
  ASSERT_TRUE(cur2.AdvanceOffset(0, 1, &p, &d));
  EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
  PathCursor cur3(&v);
  ASSERT_TRUE(cur3.Seek(2.5f, 0, &p, &d));
  ExpectVec(p, 2.5f, 3, 0);
}

TEST(Curve, TwoSampleQueries) {
  HandCurve c;
  c.samples = {S(0, 0, 0), S(3, 4, 0)};
  FinishSampleLengths(c.samples);
  EXPECT_EQ(c.GetLength(), 5.0f);
  D3DXVECTOR3 d;
  for (float s : {0.0f, 5.0f}) {
    ASSERT_TRUE(c.DirectionAtLength(s, &d)) << s;
    ExpectVec(d, 0.6f, 0.8f, 0);
  }
  EXPECT_FALSE(c.DirectionAtLength(-0.001f, &d));
  D3DXVECTOR3 p;
  EXPECT_TRUE(c.PointAtLength(2.5f, 0, &p, nullptr));
  ExpectVec(p, 1.5f, 2, 0);
}

TEST(Curve, NearestPointPrefersEarlierSegmentAndClampsAtEnds) {
  HandCurve c;
  c.samples = Bend();
  D3DXVECTOR3 n, d;
  // (12, -2) is 2 from the first segment's end and from the second's start;
  // (5, 5) is 5 from both: the earlier segment wins.
  ASSERT_TRUE(c.NearestPoint(D3DXVECTOR3(5, 5, 5), &n, &d));
  ExpectVec(n, 5, 0, 5);
  ExpectVec(d, 1, 0, 0);
  ASSERT_TRUE(c.NearestPoint(D3DXVECTOR3(10, 30, 5), &n, &d));
  ExpectVec(n, 10, 10, 5);
  ExpectVec(d, 0, 1, 0);
  HandCurve empty;
  EXPECT_FALSE(empty.NearestPoint(D3DXVECTOR3(), &n, &d));
}

TEST(Curve, WalksOverSegmentsAndSpans) {
  HandCurve c;
  c.samples = Bend();
  int calls = 0;
  c.ForEachSegment([&](const D3DXVECTOR3& a, const D3DXVECTOR3& b) { ++calls; });
  EXPECT_EQ(calls, 2);
  std::vector<std::pair<float, float>> spans;
  c.ForEachLengthSpan([&](float a, float b) { spans.emplace_back(a, b); });
  EXPECT_EQ(spans, (std::vector<std::pair<float, float>>{{0, 10}, {10, 20}}));
  EXPECT_THROW(c.ForEachSegment(SegmentVisitor()), std::bad_function_call);
  c.samples.resize(1);
  c.ForEachSegment(SegmentVisitor());  // never called: no failure
  c.Resample();
  EXPECT_TRUE(c.samples.empty());
  EXPECT_EQ(c.GetLength(), 0.0f);
}

DX_SmartPnt Pnt(float x, float y, float z = 0) { return DX_SmartPnt(D3DXVECTOR3(x, y, z)); }

TEST(SplinePath, AddPointSetsThirdTangents) {
  SplinePath path;
  auto* a = static_cast<DX_BSplinePnt*>(path.AddPoint(Pnt(1, 2), nullptr));
  EXPECT_EQ(a->outTangent.value, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(a->inTangent.value, D3DXVECTOR3(0, 0, 0));
  auto* b = static_cast<DX_BSplinePnt*>(path.AddPoint(Pnt(11, 12), nullptr));
  ExpectVec(a->outTangent.value, 3.3f, 3.3f, 0);
  ExpectVec(b->inTangent.value, -3.3f, -3.3f, 0);
  EXPECT_EQ(path.InsertPoint(0, Pnt(5, 5), nullptr), b);
  EXPECT_EQ(path.GetPointCount(), 2);
}

TEST(SplinePath, StraightSegmentSamples) {
  SplinePath path;
  path.points.emplace_back(new DX_BSplinePnt(0, 0));
  path.points.emplace_back(new DX_BSplinePnt(10, 0));
  auto fwd = path.BuildSamples(20, false);
  ASSERT_EQ(fwd.size(), 21u);
  EXPECT_NEAR(path.total_length, 10.0f, 1e-4f);
  for (const auto& s : fwd) EXPECT_EQ(s.position.y, 0.0f);
  EXPECT_LT(fwd[0].length, fwd[10].length);  // zero tangents: slow at the ends
  EXPECT_LT(fwd[19].length, fwd[9].length);
  auto back = path.BuildSamples(20, true);
  ASSERT_EQ(back.size(), 21u);
  for (size_t i = 0; i < 21; ++i) EXPECT_NEAR(back[i].position.x, fwd[20 - i].position.x, 1e-4f);
  path.Resample();
  EXPECT_EQ(path.samples.size(), 21u);

  SplinePath one;
  one.points.emplace_back(new DX_BSplinePnt(4, 5));
  auto s = one.BuildSamples(20, false);
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].tangent, D3DXVECTOR3(1, 0, 0));
  EXPECT_EQ(one.total_length, 0.0f);
}

TEST(PathCtrlPoints, TravelPingPong) {
  SplinePath path;
  for (auto p : {Pnt(0, 0), Pnt(10, 0), Pnt(10, 10)}) path.SmartPath<DX_BSplinePnt>::AddPoint(p, nullptr);
  path.ZVI_PathCtrlPoints::Resample();
  ASSERT_EQ(path.polyline.size(), 3u);
  const float want[][2] = {{5, 0}, {10, 5}, {10, 5}, {5, 0}};
  const uint8_t flags[] = {1, 1, 0, 0};
  D3DXVECTOR3 p;
  for (int i = 0; i < 4; ++i) {
    path.travel_distance += i == 0 ? 5.0f : 10.0f;
    path.TravelPoint(&p);
    ExpectVec(p, want[i][0], want[i][1], 0);
    EXPECT_EQ(path.direction_flag, flags[i]) << i;
  }
  ExpectVec(path.travel_direction, -1, 0, 0);
}

TEST(PathCtrlPoints, TravelOnDegeneratePolylinesEnds) {
  SplinePath path;
  D3DXVECTOR3 p(7, 7, 7);
  path.travel_distance = 3;
  path.TravelPoint(&p);  // nothing to travel on
  ExpectVec(p, 7, 7, 7);
  path.polyline = {D3DXVECTOR3(2, 2, 0), D3DXVECTOR3(2, 2, 0), D3DXVECTOR3(2, 2, 0)};
  path.travel_distance = 3;
  path.TravelPoint(&p);
  ExpectVec(p, 2, 2, 0);
  path.polyline = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(4, 0, 0)};
  path.travel_distance = 1e30f;  // far more than any number of round trips
  path.TravelPoint(&p);
  EXPECT_TRUE(std::isfinite(p.x));
  EXPECT_GE(p.x, 0.0f);
  EXPECT_LE(p.x, 4.0f);
}

TEST(PathCtrlPoints, SmoothingSamplesASpline) {
  for (int n : {3, 4}) {
    SmartPath<DX_SmartPnt> path;
    for (int i = 0; i < n; ++i) path.AddPoint(Pnt(i * 10.0f, (i % 2) * 5.0f, 9), nullptr);
    path.smoothing.value = 1;
    path.Resample();
    EXPECT_EQ(path.polyline.size(), n == 3 ? 100u : 101u);
    for (const auto& q : path.polyline) EXPECT_EQ(q.z, 0.0f);
    path.smoothing.value = 0;
    path.Resample();
    EXPECT_EQ(path.polyline.size(), static_cast<size_t>(n));
    EXPECT_EQ(path.polyline[0].z, 9.0f);
  }
  SmartPath<DX_SmartPnt> path;
  EXPECT_THROW(path.InsertPoint(0, Pnt(1, 1), nullptr), int);
  EXPECT_THROW(path.GetPoint(0), std::out_of_range);
}

TEST(ReadBSplinePoints, ReadsFortyBytePointsAndStopsAtTheEnd) {
  ByteBuilder b;
  b.I32(2);
  for (int i = 0; i < 2; ++i) {
    b.U32(1).F32(1.0f + i).F32(2).F32(3);
    b.F32(4).F32(5).F32(6).F32(-7).F32(-8).F32(-9);
  }
  MemoryArchive ar(b.bytes().data(), b.size());
  std::vector<DS_SafePtr<DX_BSplinePnt>> pts;
  pts.emplace_back(new DX_BSplinePnt(99, 99));
  ReadBSplinePoints(ar, pts);
  ASSERT_EQ(pts.size(), 2u);
  EXPECT_EQ(pts[1]->value, D3DXVECTOR3(2, 2, 3));
  EXPECT_EQ(pts[1]->outTangent.value, D3DXVECTOR3(4, 5, 6));
  EXPECT_EQ(pts[1]->inTangent.value, D3DXVECTOR3(-7, -8, -9));

  // A negative count reads nothing; a count larger than the data is cut.
  ByteBuilder neg;
  neg.I32(-5);
  MemoryArchive ar2(neg.bytes().data(), neg.size());
  ReadBSplinePoints(ar2, pts);
  EXPECT_TRUE(pts.empty());
  ByteBuilder huge;
  huge.I32(0x7FFFFFFF).U32(1).F32(1).F32(2).F32(3);
  MemoryArchive ar3(huge.bytes().data(), huge.size());
  ReadBSplinePoints(ar3, pts);
  EXPECT_LE(pts.size(), 1u);
}

}  // namespace
