// Device creation, states, clearing, render targets and device loss.
#include <cstring>

#include "tests/platform/d3d9_fixture.h"

namespace {

TEST_F(D3D9Test, ClearFillsTheViewportAndIgnoresTheColourWriteMask) {
  ASSERT_EQ(dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0), D3D_OK);
  D3DVIEWPORT9 vp = {8, 16, 20, 10, 0.f, 1.f};
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.f, 0), D3D_OK);
  ASSERT_EQ(dev_->SetViewport(&vp), D3D_OK);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFC08040, 1.f, 0), D3D_OK);
  EXPECT_TRUE(Near(Pixel(8, 16), 0xFFC08040, 0));
  EXPECT_TRUE(Near(Pixel(27, 25), 0xFFC08040, 0));
  EXPECT_TRUE(Near(Pixel(7, 16), 0xFF102030, 0));
  EXPECT_TRUE(Near(Pixel(28, 25), 0xFF102030, 0));
  EXPECT_TRUE(Near(Pixel(8, 26), 0xFF102030, 0));
}

TEST_F(D3D9Test, PretransformedQuadCoversExactlyItsPixels) {
  Begin();
  TLVertex v[4];
  ScreenQuad(v, 10, 20, 30, 25, 0xFF00FF00);
  ASSERT_EQ(dev_->SetFVF(kTLFVF), D3D_OK);
  ASSERT_EQ(dev_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
  ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)), D3D_OK);
  End();
  EXPECT_TRUE(Near(Pixel(10, 20), 0xFF00FF00, 0));
  EXPECT_TRUE(Near(Pixel(29, 24), 0xFF00FF00, 0));
  EXPECT_TRUE(Near(Pixel(9, 20), 0xFF000000, 0));
  EXPECT_TRUE(Near(Pixel(30, 20), 0xFF000000, 0));
  EXPECT_TRUE(Near(Pixel(10, 19), 0xFF000000, 0));
  EXPECT_TRUE(Near(Pixel(10, 25), 0xFF000000, 0));
}

}  // namespace
