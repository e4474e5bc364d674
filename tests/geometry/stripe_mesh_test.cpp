#include "geometry/stripe_mesh.h"

#include <gtest/gtest.h>

#include "geometry/skeleton_offset.h"

namespace {

struct Band {
  ZVI_StraightSkeletonOffset maker;
  MemoryBandVertexHolder vertices;
  MemoryBandIndexHolder indices;
  uint16_t vc = 0, tc = 0;

  explicit Band(const std::vector<D3DXVECTOR3>& pts, float max_width = 10) {
    maker.Build(static_cast<uint32_t>(pts.size()), [&](uint32_t i) -> const D3DXVECTOR3& { return pts[i]; });
    maker.Compute(max_width);
  }
  bool Build(float half, uint32_t colour = 0xFF00FF00u) {
    auto builder = maker.CreateMeshBuilder(&indices, &vertices);
    return builder->Build(tc, vc, [&](uint32_t, float& w, uint32_t& c) {
      w = half;
      c = colour;
    });
  }
  std::vector<uint16_t> Triangle(size_t t) const {
    return {indices.data[3 * t], indices.data[3 * t + 1], indices.data[3 * t + 2]};
  }
};

std::vector<D3DXVECTOR3> Line(int n, float step = 1) {
  std::vector<D3DXVECTOR3> pts;
  for (int i = 0; i < n; ++i) pts.emplace_back(i * step, 0.0f, 0.0f);
  return pts;
}

TEST(StripeMesh, StraightTwoPointBand) {
  Band band({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0)});
  ASSERT_TRUE(band.Build(2));
  EXPECT_EQ(band.vc, 6);
  EXPECT_EQ(band.tc, 4);
  const auto& v = band.vertices.data;
  struct Want {
    float x, y, u;
  } want[] = {{0, 0, 0.5f}, {10, 0, 0.5f}, {0, -2, 0}, {10, -2, 0}, {0, 2, 1}, {10, 2, 1}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(v[i].x, want[i].x, 1e-5f) << i;
    EXPECT_NEAR(v[i].y, want[i].y, 1e-5f) << i;
    EXPECT_EQ(v[i].u0, want[i].u);
    EXPECT_EQ(v[i].u1, want[i].u);
    EXPECT_EQ(v[i].v0, 0.0f);
    EXPECT_EQ(v[i].z, 0.0f);
    EXPECT_EQ(v[i].color, 0xFF00FF00u);
  }
  EXPECT_EQ(band.Triangle(0), (std::vector<uint16_t>{0, 1, 2}));
  EXPECT_EQ(band.Triangle(1), (std::vector<uint16_t>{1, 2, 3}));
  EXPECT_EQ(band.Triangle(2), (std::vector<uint16_t>{0, 1, 4}));
  EXPECT_EQ(band.Triangle(3), (std::vector<uint16_t>{1, 4, 5}));
  // A second band in the same buffers continues after the first.
  ASSERT_TRUE(band.Build(0));
  EXPECT_EQ(band.vc, 12);
  EXPECT_EQ(band.Triangle(4), (std::vector<uint16_t>{6, 7, 8}));
  EXPECT_EQ(band.vertices.data[8].x, 0.0f);  // half-width 0: on the outline
  EXPECT_EQ(band.vertices.data[8].y, 0.0f);
}

TEST(StripeMesh, BendAddsAFanOnTheOuterSide) {
  Band band({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(10, 10, 0)});
  ASSERT_TRUE(band.Build(2));
  EXPECT_EQ(band.vc, 3 + 5 + 3);
  EXPECT_EQ(band.tc, 6 + 4);
  // Fan around centre 1 on the right side: vertices 4, 5, 6.
  EXPECT_EQ(band.Triangle(2), (std::vector<uint16_t>{1, 4, 5}));
  EXPECT_EQ(band.Triangle(3), (std::vector<uint16_t>{1, 5, 6}));
}

TEST(StripeMesh, BuffersGrowInStepsAndKeepTheirContents) {
  Band band(Line(400));
  ASSERT_TRUE(band.Build(1));
  EXPECT_EQ(band.vc, 1200);
  EXPECT_EQ(band.vertices.Capacity(), 2048u);
  EXPECT_EQ(band.vertices.grow_count, 2u);
  EXPECT_EQ(band.vertices.data[0].x, 0.0f);
  EXPECT_EQ(band.vertices.data[399].x, 399.0f);
  EXPECT_EQ(band.vertices.data[0].u0, 0.5f);
}

TEST(StripeMesh, TooManyVerticesAreRefusedWithoutWrapping) {
  Band band(Line(30000, 0.1f), 1);
  EXPECT_FALSE(band.Build(0.5f));
  EXPECT_EQ(band.vc, 0);
  EXPECT_EQ(band.tc, 0);
  // The buffers still serve bands that fit.
  Band small({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0)});
  small.vc = 65533;
  EXPECT_FALSE(small.Build(1));
  EXPECT_EQ(small.vc, 65533);
}

TEST(StripeMesh, FailedGrowthStopsCleanly) {
  Band band({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0)});
  band.indices.fail_grow_after = 0;
  EXPECT_FALSE(band.Build(1));
  EXPECT_EQ(band.vc, 0);
  EXPECT_EQ(band.tc, 0);
  Band short_band({D3DXVECTOR3(0, 0, 0)});
  EXPECT_TRUE(short_band.Build(1));  // one point: nothing to build
  EXPECT_EQ(short_band.vc, 0);
}

TEST(StripeMesh, EmptyCallbackFails) {
  Band band({D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0)});
  auto builder = band.maker.CreateMeshBuilder(&band.indices, &band.vertices);
  EXPECT_THROW(builder->Build(band.tc, band.vc, BandPointCallback()), std::bad_function_call);
}

}  // namespace
