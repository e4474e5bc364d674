// Ribbon samples of straight segments, their clipping per particle, ribbons
// written into buffers, and the per-point callbacks of the band builder.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/crt.h"
#include "geometry/value_graph.h"
#include "particles/nodes/line_meshes.h"

namespace {

DS_SafePtr<ZVI_VGraph> Keys(std::vector<VGraphKey> keys) {
  auto* g = new ZVI_VGraph_Line;
  g->SetKeys(keys);
  return DS_SafePtr<ZVI_VGraph>(g);
}

std::vector<StripSample> Sampled(const ZVI_StraightWidehtLine& segment, float x0 = 0.0f) {
  std::vector<StripSample> out;
  AppendSegmentSamples(segment, out, x0);
  return out;
}

TEST(LineSamples, ConstantGraphsGiveTheTwoEnds) {
  ZVI_StraightWidehtLine segment;
  std::vector<StripSample> s;
  float x0 = 10.0f;
  AppendSegmentSamples(segment, s, x0);
  EXPECT_FLOAT_EQ(x0, 110.0f);
  ASSERT_EQ(s.size(), 2u);
  const float xs[2] = {10.0f, 110.0f};
  for (int k = 0; k < 2; ++k) {
    EXPECT_FLOAT_EQ(s[k].position.x, xs[k]);
    EXPECT_FLOAT_EQ(s[k].length, xs[k]);
    EXPECT_FLOAT_EQ(s[k].t, static_cast<float>(k));
    EXPECT_FLOAT_EQ(s[k].width, 25.0f);
    EXPECT_FLOAT_EQ(s[k].colour[3], 1.0f);
    EXPECT_EQ(s[k].flag, 1);
    EXPECT_EQ(s[k].sideA, D3DXVECTOR3(0, -1, 0));
    EXPECT_EQ(s[k].sideB, D3DXVECTOR3(0, 1, 0));
  }
}

// Width knots take the knot value without jitter and draw the opacity
// jitter; opacity knots the reverse; the end draws both, width first.
TEST(LineSamples, KnotsInOrderWithJitterOnTheRandSequence) {
  ZVI_StraightWidehtLine segment;
  segment.width.graph.InstallGraph(Keys({{0, 1}, {0.5f, 2}, {1, 1}}));
  segment.width.jitter.SetValue(20u);  // factor 0.8
  segment.opacity.graph.InstallGraph(Keys({{0, 1}, {0.25f, 0.5f}, {0.5f, 0.2f}, {1, 1}}));
  segment.opacity.jitter.SetValue(50u);  // factor 0.5
  crt_srand(5);
  float r[5];
  for (float& v : r) v = crt_rand01();
  crt_srand(5);
  std::vector<StripSample> s = Sampled(segment);
  struct Want {
    float t, width, alpha;
  };
  const Want want[] = {
      {0.0f, 25.0f, 1.0f},
      {0.25f, 25.0f * (0.8f + 0.2f * r[0]) * 1.5f, 0.5f},  // opacity knot: width jittered
      {0.5f, 50.0f, (0.5f + 0.5f * r[1]) * 0.2f},          // width knot first
      {0.5f, 25.0f * (0.8f + 0.2f * r[2]) * 2.0f, 0.2f},   // then the opacity knot
      {1.0f, 25.0f * (0.8f + 0.2f * r[3]), 0.5f + 0.5f * r[4]},
  };
  ASSERT_EQ(s.size(), 5u);
  for (size_t k = 0; k < s.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_FLOAT_EQ(s[k].t, want[k].t);
    EXPECT_FLOAT_EQ(s[k].position.x, 100.0f * want[k].t);
    EXPECT_FLOAT_EQ(s[k].length, 100.0f * want[k].t);
    EXPECT_NEAR(s[k].width, want[k].width, 1e-4f);
    EXPECT_NEAR(s[k].colour[3], want[k].alpha, 1e-5f);
  }
}

TEST(LineSamples, AWidthKnotAtTheMiddleAddsOneSampleAtFifty) {
  ZVI_StraightWidehtLine segment;
  segment.width.graph.InstallGraph(Keys({{0, 1}, {0.5f, 3}, {1, 1}}));
  segment.opacity.value.SetValue(40u);  // opacity factor 0.6
  std::vector<StripSample> s = Sampled(segment);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_FLOAT_EQ(s[1].position.x, 50.0f);
  EXPECT_FLOAT_EQ(s[1].width, 75.0f);
  EXPECT_FLOAT_EQ(s[1].colour[3], 0.6f);  // no jitter: the factor itself
}

TEST(LineSamples, LerpBetweenSamplesOfEqualXTakesTheFirst) {
  StripSample a, b;
  a.width = 4.0f;
  b.width = 8.0f;
  b.length = 10.0f;
  EXPECT_FLOAT_EQ(LerpStripSample(a, b, 0.0f).width, 4.0f);
  b.position.x = 10.0f;
  b.colour[0] = 0.0f;
  b.t = 1.0f;
  const StripSample m = LerpStripSample(a, b, 2.5f);
  EXPECT_FLOAT_EQ(m.width, 5.0f);
  EXPECT_FLOAT_EQ(m.length, 2.5f);
  EXPECT_FLOAT_EQ(m.colour[0], 0.75f);
  EXPECT_FLOAT_EQ(m.t, 0.0f);  // t stays a's
}

TEST(LineSamples, ClippingByModeAndScale) {
  ZVI_StraightWidehtLine segment;
  const std::vector<StripSample> line = Sampled(segment);
  struct Case {
    int32_t mode;
    float scale;
    std::vector<float> xs, lengths;
  };
  const Case cases[] = {
      {0, 0.5f, {0, 100}, {0, 100}},
      {1, 1.0f, {0, 100}, {0, 100}},
      {1, 0.5f, {0, 50}, {0, 50}},
      {1, 0.0f, {0, 0}, {0, 0}},
      {2, 0.25f, {0, 25}, {75, 100}},  // shifted by -75: the last quarter shows
      {2, 1.0f, {0, 100}, {0, 100}},
      {7, 0.0f, {0, 100}, {0, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " scale " << c.scale);
    Particle p;
    p.scale = D3DXVECTOR3(c.scale, 1, 1);
    const std::vector<StripSample> s = ClipLineSamples(line, c.mode, 100.0f, p);
    ASSERT_EQ(s.size(), c.xs.size());
    for (size_t k = 0; k < s.size(); ++k) {
      EXPECT_NEAR(s[k].position.x, c.xs[k], 1e-4f);
      EXPECT_NEAR(s[k].length, c.lengths[k], 1e-4f);
    }
  }
}

TEST(Ribbons, ThreeSamplesGiveEightVerticesAndEightTriangles) {
  std::vector<StripSample> s(3);
  for (int k = 0; k < 3; ++k) {
    s[k].position = D3DXVECTOR3(50.0f * k, 0, 0);
    s[k].length = 50.0f * k;
    s[k].width = 10.0f + 10.0f * k;
  }
  s[2].colour[3] = 0.0f;
  std::vector<BandVertex> vertices(16);
  std::vector<uint16_t> indices(48);
  RibbonOutput out{vertices.data(), indices.data(), 5, 6};  // after another ribbon
  RibbonPaint paint;
  paint.colour[0] = 0.5f;
  paint.uRate = 2.0f / 64.0f;
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 1, 2, 0);
  WriteRibbon(s, m, paint, out);
  EXPECT_EQ(out.vertexCount, 5u + 8u);
  EXPECT_EQ(out.indexCount, 6u + 24u);
  EXPECT_EQ(out.vertices, vertices.data() + 8);
  EXPECT_EQ(out.indices, indices.data() + 24);
  // Pairs at 0, 3, 6; middles at 2 and 5: side B (u 0) at +y, side A (u 1) at -y.
  const float want[8][4] = {{1, 7, 0, 0},      {1, -3, 1, 0},     {26, 2, 0.5f, 25 / 32.0f},
                            {51, 12, 0, 50 / 32.0f}, {51, -8, 1, 50 / 32.0f}, {76, 2, 0.5f, 75 / 32.0f},
                            {101, 17, 0, 100 / 32.0f}, {101, -13, 1, 100 / 32.0f}};
  for (int k = 0; k < 8; ++k) {
    SCOPED_TRACE(k);
    EXPECT_FLOAT_EQ(vertices[k].x, want[k][0]);
    EXPECT_FLOAT_EQ(vertices[k].y, want[k][1]);
    EXPECT_FLOAT_EQ(vertices[k].u0, want[k][2]);
    EXPECT_FLOAT_EQ(vertices[k].v0, want[k][3]);
    EXPECT_EQ(vertices[k].u1, vertices[k].u0);
    EXPECT_EQ(vertices[k].v1, vertices[k].v0);
  }
  EXPECT_EQ(vertices[0].color, 0xFF7FFFFFu);  // red factor 0.5, truncated
  EXPECT_EQ(vertices[5].color, 0x7F7FFFFFu);  // the middle: alpha half-way to 0
  EXPECT_EQ(vertices[6].color, 0x007FFFFFu);
  const uint16_t first[24] = {5, 8, 7, 5, 7, 6, 6, 7, 9, 7, 8, 9, 8, 11, 10, 8, 10, 9, 9, 10, 12, 10, 11, 12};
  for (int k = 0; k < 24; ++k) EXPECT_EQ(indices[k], first[k]) << k;

  RibbonOutput none{vertices.data(), indices.data(), 0, 0};
  WriteRibbon(std::vector<StripSample>(1), m, paint, none);
  EXPECT_EQ(none.vertexCount, 0u);
  EXPECT_EQ(none.indexCount, 0u);
}

// The default segment drawn as a ribbon: x 0 to 100, 25 wide, white, v
// rising to 100 x 2 / image width.
TEST(Ribbons, TheDefaultSegment) {
  ZVI_StraightWidehtLine segment;
  const std::vector<StripSample> s = Sampled(segment);
  std::vector<BandVertex> v(RibbonVertices(s.size()));
  std::vector<uint16_t> i(3 * RibbonTriangles(s.size()));
  RibbonOutput out{v.data(), i.data(), 0, 0};
  RibbonPaint paint;
  paint.uRate = 2.0f / 128.0f;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  WriteRibbon(s, identity, paint, out);
  ASSERT_EQ(out.vertexCount, 5u);
  EXPECT_FLOAT_EQ(v[0].y - v[1].y, 25.0f);
  EXPECT_FLOAT_EQ(v[3].x, 100.0f);
  EXPECT_FLOAT_EQ(v[4].v0, 100.0f * 2.0f / 128.0f);
  for (const BandVertex& w : v) EXPECT_EQ(w.color, 0xFFFFFFFFu);
}

TEST(Ribbons, ColourFactorsKeepTheLowByte) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // 1.5 x 255 = 382 -> 126; -0.2 x 255 = -51 -> 205; NaN -> 0.
  EXPECT_EQ(PackFactors(1.5f, -0.2f, nan, 0.5f), 0x7F7ECD00u);
  EXPECT_EQ(PackFactors(0.999f, 0.0f, 1.0f, 1.0f), 0xFFFE00FFu);
  // Past the 32-bit range the channel falls back to 0.
  EXPECT_EQ(PackFactors(1e8f, -1e8f, 1.0f, 1.0f), 0xFF0000FFu);
}

TEST(BandCallbacks, StripeTintTimesSampleAndHalfWidth) {
  std::vector<StripeSample> samples(1);
  samples[0].r = 0.5f;
  samples[0].a = 0.5f;
  samples[0].width = 12.0f;
  BandPointCallback cb = StripeLineCallback(samples, 0x00FF80FFu, 255);
  float half = 0;
  uint32_t colour = 0;
  cb(0, half, colour);
  EXPECT_FLOAT_EQ(half, 6.0f);
  EXPECT_EQ(colour, 0x7F7F80FFu);
}

// The trace rounds its channels and ignores its colour's transparency; the
// accessor hands out world positions and keeps the largest half-size.
TEST(BandCallbacks, TraceRoundsAndTheAccessorKeepsTheLargestHalfSize) {
  ParticleVector trail;
  const float sizes[3] = {4.0f, 10.0f, 6.0f};
  const float alphas[3] = {0.5f, 2.0f, -1.0f};
  for (int k = 0; k < 3; ++k) {
    ParticlePtr p(new Particle(D3DXVECTOR3(10.0f * k, 5.0f, 0)));
    p->size = sizes[k];
    p->alpha = alphas[k];
    trail.push_back(p);
  }
  BandPointCallback cb = TraceCallback(trail, 0x7F0080FFu);
  const uint32_t want[3] = {0x80FF8000u, 0xFFFF8000u, 0x00FF8000u};
  for (uint32_t k = 0; k < 3; ++k) {
    float half = 0;
    uint32_t colour = 0;
    cb(k, half, colour);
    EXPECT_FLOAT_EQ(half, sizes[k] * 0.5f);
    EXPECT_EQ(colour, want[k]) << std::hex << colour;
  }
  TracePointAccessor points(trail);
  OffsetPointAccessor at = points.Function();
  EXPECT_EQ(at(1), D3DXVECTOR3(10, 5, 0));
  EXPECT_FLOAT_EQ(points.maxHalfWidth, 5.0f);
  EXPECT_EQ(at(2), D3DXVECTOR3(20, 5, 0));
  EXPECT_FLOAT_EQ(points.maxHalfWidth, 5.0f);
}

}  // namespace
