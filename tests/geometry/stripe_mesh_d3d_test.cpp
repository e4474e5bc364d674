#include "geometry/stripe_mesh_d3d.h"

#include "geometry/skeleton_offset.h"
#include "tests/platform/d3d9_fixture.h"

namespace {

class BandDraw : public D3D9Test {};

TEST_F(BandDraw, BandInDeviceBuffersDrawsItsColour) {
  const std::vector<D3DXVECTOR3> outline{D3DXVECTOR3(-0.5f, 0, 0), D3DXVECTOR3(0.5f, 0, 0)};
  ZVI_StraightSkeletonOffset maker;
  maker.Build(2, [&](uint32_t i) -> const D3DXVECTOR3& { return outline[i]; });
  maker.Compute(1);
  ZVI_D3DBandVertexHolder vertices(dev_);
  ZVI_D3DBandIndexHolder indices(dev_);
  uint16_t vc = 0, tc = 0;
  auto builder = maker.CreateMeshBuilder(&indices, &vertices);
  ASSERT_TRUE(builder->Build(tc, vc, [](uint32_t, float& w, uint32_t& c) {
    w = 0.25f;
    c = 0xFFFF0000u;
  }));
  ASSERT_EQ(vc, 6);
  ASSERT_EQ(tc, 4);
  EXPECT_EQ(vertices.Capacity(), kBandGrowStep);
  EXPECT_EQ(indices.Capacity(), kBandGrowStep);
  D3DVERTEXBUFFER_DESC vd;
  ASSERT_EQ(vertices.Buffer()->GetDesc(&vd), D3D_OK);
  EXPECT_EQ(vd.FVF, kBandVertexFVF);
  EXPECT_EQ(vd.Size, kBandGrowStep * 32);

  Begin();
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev_->SetFVF(kBandVertexFVF);
  dev_->SetStreamSource(0, vertices.Buffer(), 0, sizeof(BandVertex));
  dev_->SetIndices(indices.Buffer());
  ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vc, 0, tc), D3D_OK);
  End();
  EXPECT_TRUE(Near(Pixel(32, 36), 0xFFFF0000u));  // inside the band, right side
  EXPECT_TRUE(Near(Pixel(40, 28), 0xFFFF0000u));  // and left side
  // Half-width 0.25 of the clip space: rows 24 to 40 of 64.
  EXPECT_TRUE(Near(Pixel(32, 21), 0xFF000000u));  // above it
  EXPECT_TRUE(Near(Pixel(32, 43), 0xFF000000u));  // below it
  EXPECT_TRUE(Near(Pixel(5, 32), 0xFF000000u));   // left of its start
}

TEST_F(BandDraw, GrowthKeepsWrittenVertices) {
  ZVI_D3DBandVertexHolder vertices(dev_);
  BandVertex* v = vertices.Grow(0, 4);
  ASSERT_NE(v, nullptr);
  v[0] = BandVertex{1, 2, 3, 0xFF00FF00u, 0.5f, 0, 0.5f, 0};
  v = vertices.Grow(1, 8);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(vertices.Capacity(), 8u);
  EXPECT_EQ(v[0].y, 2.0f);
  EXPECT_EQ(v[0].color, 0xFF00FF00u);
  vertices.Unlock();
  ZVI_D3DBandVertexHolder no_device(nullptr);
  EXPECT_EQ(no_device.Grow(0, 4), nullptr);
  EXPECT_EQ(no_device.Lock(), nullptr);
}

}  // namespace
