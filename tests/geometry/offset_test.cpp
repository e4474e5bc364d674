#include <gtest/gtest.h>

#include <cmath>

#include "geometry/onion_offset.h"
#include "geometry/skeleton_offset.h"

namespace {

template <class Maker>
void BuildFrom(Maker& m, const std::vector<D3DXVECTOR3>& pts) {
  m.Build(static_cast<uint32_t>(pts.size()), [&](uint32_t i) -> const D3DXVECTOR3& { return pts.at(i); });
}

void ExpectNear(const D3DXVECTOR3& got, float x, float y, float tol = 1e-4f) {
  EXPECT_NEAR(got.x, x, tol);
  EXPECT_NEAR(got.y, y, tol);
}

std::vector<D3DXVECTOR3> Trace(ZVI_StraightSkeletonOffset& m, int side, uint32_t i, float d) {
  std::vector<D3DXVECTOR3> out;
  m.TraceVertex(side, i, d, out);
  return out;
}

TEST(StraightSkeleton, TooFewPointsProduceNothing) {
  for (size_t n : {0u, 1u}) {
    ZVI_StraightSkeletonOffset m;
    BuildFrom(m, std::vector<D3DXVECTOR3>(n, D3DXVECTOR3(3, 4, 5)));
    m.Compute(10);
    EXPECT_TRUE(Trace(m, 0, 0, 2).empty());
    EXPECT_TRUE(Trace(m, 1, 0, 2).empty());
  }
}

TEST(StraightSkeleton, StraightLineTracesPerpendicularPoints) {
  ZVI_StraightSkeletonOffset m;
  BuildFrom(m, {D3DXVECTOR3(0, 0, 7), D3DXVECTOR3(6, 8, 7)});  // f = (0.6, 0.8)
  m.Compute(5);
  for (uint32_t i = 0; i < 2; ++i) {
    const float px = i ? 6.0f : 0.0f, py = i ? 8.0f : 0.0f;
    auto left = Trace(m, 1, i, 2), right = Trace(m, 0, i, 2);
    ASSERT_EQ(left.size(), 1u);
    ASSERT_EQ(right.size(), 1u);
    ExpectNear(left[0], px - 1.6f, py + 1.2f);   // (-f.y, f.x) * 2
    ExpectNear(right[0], px + 1.6f, py - 1.2f);  // (f.y, -f.x) * 2
    EXPECT_EQ(left[0].z, 0.0f);
  }
}

TEST(StraightSkeleton, RightAngleBendHasRoundOuterFanAndFastInnerVertex) {
  ZVI_StraightSkeletonOffset m;
  BuildFrom(m, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(10, 10, 0)});
  m.Compute(3);
  // Turning from +x to +y bends toward the left: left is the inner side.
  auto inner = Trace(m, 1, 1, 2);
  ASSERT_EQ(inner.size(), 1u);
  ExpectNear(inner[0], 8, 2);
  const auto& e = *m.vertices(1)[m.starts(1)[1][0]];
  EXPECT_NEAR(e.speed, std::sqrt(2.0f), 1e-5f);
  EXPECT_TRUE(e.inner);
  auto outer = Trace(m, 0, 1, 2);
  ASSERT_EQ(outer.size(), 3u);
  ExpectNear(outer[0], 10, -2);
  ExpectNear(outer[1], 10 + std::sqrt(2.0f), -std::sqrt(2.0f));
  ExpectNear(outer[2], 12, 0);
}

TEST(StraightSkeleton, SharpBendSplitsFanToFortyFiveDegrees) {
  ZVI_StraightSkeletonOffset m;
  // Nearly turning back: the outer normals differ by almost 180 degrees.
  BuildFrom(m, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(0, 0.5f, 0)});
  m.Compute(1);
  auto fan = Trace(m, 0, 1, 1);
  ASSERT_GE(fan.size(), 5u);
  for (size_t k = 1; k < fan.size(); ++k) {
    const float ax = fan[k - 1].x - 10, ay = fan[k - 1].y, bx = fan[k].x - 10, by = fan[k].y;
    EXPECT_GE(ax * bx + ay * by, 0.707f - 1e-4f) << k;  // neighbours at most ~45 degrees apart
  }
}

TEST(StraightSkeleton, ConvergingInnerVerticesMerge) {
  // A U turn: both bends are left turns; their inner vertices meet at (8, 2)
  // at distance 2, where the edge between them has shrunk to nothing.
  ZVI_StraightSkeletonOffset m;
  BuildFrom(m, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(10, 4, 0), D3DXVECTOR3(0, 4, 0)});
  m.Compute(3);
  const auto& a = *m.vertices(1)[m.starts(1)[1][0]];
  const auto& b = *m.vertices(1)[m.starts(1)[2][0]];
  EXPECT_NEAR(a.end_time, 2.0f, 1e-5f);
  EXPECT_NEAR(b.end_time, 2.0f, 1e-5f);
  ASSERT_TRUE(a.successor);
  EXPECT_EQ(a.successor, b.successor);
  // At exactly the merge distance the vertex itself still answers.
  ExpectNear(Trace(m, 1, 1, 2)[0], 8, 2);
  ExpectNear(Trace(m, 1, 2, 2)[0], 8, 2);
  // Beyond it both follow the merged vertex, which stays finite and on the
  // centre line although the two remaining edges are parallel.
  auto p = Trace(m, 1, 1, 2.5f);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_TRUE(std::isfinite(p[0].x));
  EXPECT_NEAR(p[0].y, 2.0f, 1e-4f);
}

TEST(StraightSkeleton, MergedVertexKeepsEqualDistanceToItsEdges) {
  // Edge 1 along y = 0 and edge 3 from (6, 6) to (-30, 12); the short edge 2
  // between them vanishes, and the merged vertex then runs on their bisector.
  const std::vector<D3DXVECTOR3> pts{D3DXVECTOR3(-30, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(6, 6, 0),
                                     D3DXVECTOR3(-30, 12, 0)};
  ZVI_StraightSkeletonOffset m;
  BuildFrom(m, pts);
  m.Compute(100);
  const auto& a = *m.vertices(1)[m.starts(1)[1][0]];
  ASSERT_TRUE(a.successor);
  const float D = a.end_time + 0.5f;
  ASSERT_GT(a.successor->end_time, D);
  auto q = Trace(m, 1, 1, D)[0];
  EXPECT_NEAR(q.y, D, 1e-3f);  // distance from edge 1
  const float dx = pts[3].x - pts[2].x, dy = pts[3].y - pts[2].y, len = std::sqrt(dx * dx + dy * dy);
  const float dist3 = std::fabs((q.x - pts[2].x) * dy - (q.y - pts[2].y) * dx) / len;
  EXPECT_NEAR(dist3, D, 1e-3f);
}

TEST(StraightSkeleton, CoincidentPointsNeverCollapseWithEachOther) {
  ZVI_StraightSkeletonOffset m;
  BuildFrom(m, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(10, 0, 0)});
  m.Compute(4);
  for (uint32_t i = 0; i < 4; ++i)
    for (int side = 0; side < 2; ++side)
      for (const auto& p : Trace(m, side, i, 3)) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

TEST(OnionOffset, StraightLineGivesTwoRingsPerSide) {
  ZVI_OnionOffseter m;
  BuildFrom(m, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0)});
  m.Compute(2);
  ASSERT_EQ(m.right_rings().size(), 2u);
  ASSERT_EQ(m.left_rings().size(), 2u);
  EXPECT_EQ(m.right_rings()[0].remaining, 2.0f);
  EXPECT_EQ(m.right_rings()[1].remaining, 0.0f);
  EXPECT_EQ(m.GetLength(), 10.0f);
  auto tracer = m.CreateTracer();
  D3DXVECTOR3 p, d;
  struct Case {
    float s, b;
    bool ok;
    float x, y, dx, dy;
  } cases[] = {
      {5, 1, true, 5, -1, 0, 1},   // halfway between outline and ring at offset 2 (right)
      {5, -1, true, 5, 1, 0, 1},   // left side, same left-hand normal
      {5, 0, true, 5, 0, 0, 1},    // the outline itself
      {2, 2, true, 2, -2, 0, 1},   // the outer ring
      {5, 2.5f, false, 0, 0, 0, 0},
      {5, -3, false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(tracer->PointAt(c.s, c.b, &p, &d), c.ok) << c.s << "," << c.b;
    if (!c.ok) continue;
    ExpectNear(p, c.x, c.y);
    ExpectNear(d, c.dx, c.dy);
  }
}

TEST(OnionOffset, RightAngleBendRoundsOuterSideAndShortensInner) {
  ZVI_OnionOffseter m;
  BuildFrom(m, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(10, 10, 0)});
  m.Compute(2);
  ASSERT_EQ(m.right_rings().size(), 2u);
  // Outer (right) ring at offset 2: two straight sides and a 45-degree fan
  // whose two chords are 4 sin(22.5 deg) long.
  const auto& outer = m.right_rings()[1].samples;
  ASSERT_EQ(outer.size(), 4u);
  const float chord = 4.0f * std::sin(3.1415927f / 8);
  EXPECT_NEAR(outer[1].length, chord, 1e-4f);
  EXPECT_NEAR(outer.back().cumulative, 20 + 2 * chord, 1e-4f);
  // Inner (left) ring: the bisector vertex moved to (8, 2): 8 + 8.
  ASSERT_EQ(m.left_rings().size(), 2u);
  EXPECT_NEAR(m.left_rings()[1].samples.back().cumulative, 16.0f, 1e-4f);
  auto tracer = m.CreateTracer();
  D3DXVECTOR3 p;
  ASSERT_TRUE(tracer->PointAt(10, 2, &p, nullptr));  // the corner maps to the middle of the arc
  ExpectNear(p, 10 + std::sqrt(2.0f), -std::sqrt(2.0f), 1e-3f);
  ASSERT_TRUE(tracer->PointAt(5, -2, &p, nullptr));  // 3/4 along the 16-long inner ring
  ExpectNear(p, 4, 2, 1e-3f);
  uint32_t cursor = 0;
  int count = 0;
  while (tracer->NextRightPoint(cursor, p)) ++count;
  EXPECT_EQ(count, 5);
}

TEST(OnionOffset, CollinearAndShortSegmentsAreMerged) {
  ZVI_OnionOffseter m;
  BuildFrom(m, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(3, 0, 0), D3DXVECTOR3(6, 0, 0), D3DXVECTOR3(6.5f, 0, 0),
                D3DXVECTOR3(10, 0, 0)});
  m.Compute(1);
  const auto& ring = m.right_rings()[0].samples;
  ASSERT_EQ(ring.size(), 2u);  // (0..3) and (3..10): 6 and 6.5 are not segment starts
  EXPECT_EQ(ring[1].x, 3.0f);
  EXPECT_EQ(ring[1].length, 7.0f);
  auto t = m.CreateTracer();
  uint32_t cursor = 0;
  D3DXVECTOR3 p;
  std::vector<float> xs;
  while (t->NextCentrePoint(cursor, p)) xs.push_back(p.x);
  EXPECT_EQ(xs, (std::vector<float>{0, 3, 10}));
}

TEST(OnionOffset, PointsCloserThanOneGiveNoBand) {
  ZVI_OnionOffseter m;
  BuildFrom(m, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0, 0), D3DXVECTOR3(0.9f, 0.2f, 0)});
  m.Compute(3);
  EXPECT_EQ(m.GetLength(), 0.0f);
  D3DXVECTOR3 p;
  EXPECT_FALSE(m.CreateTracer()->PointAt(0, 0, &p, nullptr));
}

TEST(OnionOffset, InwardZigZagEndsWithFiniteRings) {
  // A tight zig-zag collides on the inner sides many times; the rings must
  // stop and every recorded point must be finite.
  std::vector<D3DXVECTOR3> pts;
  for (int i = 0; i < 40; ++i) pts.emplace_back(i * 3.0f, (i % 2) * 3.0f, 0.0f);
  ZVI_OnionOffseter m;
  BuildFrom(m, pts);
  m.Compute(50);
  for (const auto* rings : {&m.right_rings(), &m.left_rings()})
    for (const auto& r : *rings)
      for (const auto& s : r.samples) EXPECT_TRUE(std::isfinite(s.x) && std::isfinite(s.cumulative));
  auto t = m.CreateTracer();
  D3DXVECTOR3 p;
  for (float b : {-40.0f, -3.0f, 0.0f, 2.0f, 49.0f})
    if (t->PointAt(30, b, &p, nullptr)) {
      EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << b;
    }
}

TEST(OnionOffset, RingsAtEqualDistancesReadFinitely) {
  // Zero-distance collisions leave neighbouring rings at the same offset.
  auto ring = [](float y, float remaining) {
    OnionRing r;
    r.remaining = remaining;
    ZVI_OnionOffseter::AddRingPoint(r, {0, y}, {10, y}, true);
    return r;
  };
  std::vector<OnionRing> right{ring(0, 2), ring(-1, 1), ring(-1, 1), ring(-2, 0)};
  std::vector<OnionRing> left{ring(0, 2)};
  ZVI_OnionTracer t(&right, &left);
  D3DXVECTOR3 p, d;
  for (float b : {0.0f, 0.5f, 1.0f, 1.5f, 2.0f}) {
    ASSERT_TRUE(t.PointAt(5, b, &p, &d)) << b;
    EXPECT_NEAR(p.y, -b, 1e-5f) << b;
    EXPECT_TRUE(std::isfinite(d.x) && std::isfinite(d.y));
  }
  // The left side collapsed before 1: its last ring stands for the rest.
  ASSERT_TRUE(t.PointAt(5, -1.5f, &p, &d));
  EXPECT_NEAR(p.y, 0.0f, 1e-5f);
}

TEST(LoopTracer, SquareWrapsAndRepeatsFirstPoint) {
  ZVI_LoopZerroLine loop;
  BuildFrom(loop, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(10, 10, 0), D3DXVECTOR3(0, 10, 0)});
  EXPECT_EQ(loop.GetLength(), 40.0f);
  auto t = loop.CreateTracer();
  D3DXVECTOR3 p, d;
  struct Case {
    float s, x, y, dx, dy;
  } cases[] = {
      {45, 5, 0, 0, -1},   // wraps once
      {15, 10, 5, 1, 0},   // second edge
      {-5, -5, 0, 0, -1},  // fmod keeps the sign: before the first point
      {10, 10, 0, 0, -1},  // a joint belongs to the earlier edge
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(t->PointAt(c.s, 123, &p, &d)) << c.s;
    ExpectNear(p, c.x, c.y);
    ExpectNear(d, c.dx, c.dy);
    EXPECT_EQ(p.z, 0.0f);
  }
  uint32_t cursor = 0;
  std::vector<D3DXVECTOR3> pts;
  while (t->NextCentrePoint(cursor, p)) pts.push_back(p);
  ASSERT_EQ(pts.size(), 5u);
  EXPECT_EQ(pts.front(), pts.back());
  EXPECT_FALSE(t->NextRightPoint(cursor, p));
}

TEST(LoopTracer, DegenerateLoopsStayFinite) {
  ZVI_LoopZerroLine empty;
  EXPECT_EQ(empty.GetLength(), 0.0f);
  D3DXVECTOR3 p(1, 1, 1);
  EXPECT_FALSE(empty.CreateTracer()->PointAt(3, 0, &p, nullptr));

  ZVI_LoopZerroLine one;
  BuildFrom(one, {D3DXVECTOR3(2, 3, 0)});
  EXPECT_EQ(one.GetLength(), 0.0f);
  auto t = one.CreateTracer();
  ASSERT_TRUE(t->PointAt(7, 0, &p, nullptr));  // no NaN from fmod by zero
  ExpectNear(p, 2, 3);
  uint32_t cursor = 0;
  int n = 0;
  while (t->NextCentrePoint(cursor, p)) ++n;
  EXPECT_EQ(n, 2);
}

}  // namespace
