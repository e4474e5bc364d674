// Render surfaces on a headless device: blur target sizes, the Gaussian
// blur read back, push and pop around it, and device loss and reset through
// the document.
#include <gtest/gtest.h>

#include <memory>

#include "player/render_surfaces.h"
#include "player/render_target_set.h"
#include "resources/builtin_resources.h"
#include "player/slide_render_context.h"
#include "render_fixtures.h"

using namespace render_test;

namespace {

TEST(BlurTargetSize, QualityShrinksTheTargets) {
  struct Case {
    UINT full;
    unsigned quality;
    UINT scaled;
  };
  const Case cases[] = {{100, 0, 100}, {100, 50, 50}, {100, 80, 20}, {100, 95, 20}, {3, 80, 1}, {7, 30, 4}, {0, 0, 1}};
  for (const Case& c : cases) {
    ZVI_BlurEffect blur;
    blur.fullWidth = c.full;
    blur.fullHeight = c.full * 2;
    blur.quality.value = c.quality;
    blur.ComputeTargetSize();
    EXPECT_EQ(blur.scaledWidth, c.scaled) << c.full << " at " << c.quality;
    EXPECT_EQ(blur.scaledHeight, std::max<UINT>(1, c.full * 2 * (100 - std::min(c.quality, 80u)) / 100));
  }
}

class Surfaces : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();  // the blur effect 202 of the pack
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(32, 16, [](int, int) { return 0xFF203040; })}}});
    UseDocument(MakeDocument(r));
    light_ = StartPictureLight(kBack);
  }
  void TearDown() override {
    light_.reset();
    RenderTest::TearDown();
  }

  // A white square at scene (12, 4)-(20, 12) through the current view.
  void DrawSquare() {
    ColorQuad quad;
    quad.Create(QuadRect{12, 4, 8, 8}, 0xFFFFFFFF);
    dev_->SetTransform(D3DTS_VIEW, &rc_->view);
    dev_->SetTransform(D3DTS_PROJECTION, &rc_->projection);
    rc_->SetWorldTransform(quad.world);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    DrawColorQuad(&quad);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }

  Pixels Background() {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light_->ClearBackground(0);
    light_->EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  // The square blurred n times (or not, without an effect); target A.
  Pixels Blurred(bool withEffect, int n) {
    ZVI_BlurSurface blur;
    blur.OnResize();
    EXPECT_EQ(blur.fullWidth, 32u);
    EXPECT_EQ(blur.scaledHeight, 16u);
    if (withEffect) {
      EXPECT_TRUE(blur.LoadEffect());
    }
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    EXPECT_TRUE(blur.Begin(light_.get()));
    EXPECT_TRUE(light_->flags & kLightBlurTarget);
    DrawSquare();
    blur.GaussianBlur(light_.get(), n);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    EXPECT_FALSE(light_->flags & kLightBlurTarget);
    return ReadTexture(blur.targetA);
  }

  std::unique_ptr<DS_2D_Light> light_;
};

TEST_F(Surfaces, GaussianBlurSpreadsTheDrawing) {
  Pixels sharp = Blurred(false, 0);
  ASSERT_EQ(sharp.width, 32u);
  EXPECT_EQ(sharp.at(16, 8), 0xFFFFFFFFu);
  EXPECT_EQ(sharp.at(9, 8), 0u) << "a missing effect leaves the content unblurred";

  Pixels once = Blurred(true, 0);
  EXPECT_GT(once.at(16, 8) >> 24, 0x80u);
  EXPECT_LT(once.at(16, 8) >> 24, sharp.at(16, 8) >> 24) << "the centre gives some of its light";
  EXPECT_GT(once.at(10, 8) >> 24, 0u) << "light reaches past the edge";
  EXPECT_EQ(once.at(1, 8) >> 24, 0u);

  Pixels thrice = Blurred(true, 2);
  EXPECT_GT(thrice.at(8, 8) >> 24, once.at(8, 8) >> 24) << "more passes spread further";
}

TEST_F(Surfaces, BlurRestoresTheTargetAndTheView) {
  Pixels before = Background();
  Blurred(true, 1);
  Pixels after = Background();
  EXPECT_EQ(after.argb, before.argb);
  EXPECT_TRUE(light_->viewStack.empty());
  EXPECT_EQ(rc_->fitMode, kFitLetterbox);
}

TEST_F(Surfaces, BlurWithoutTargetsDrawsNothing) {
  ZVI_BlurSurface blur;  // no size yet: no targets
  EXPECT_FALSE(blur.CreateTargets());
  EXPECT_FALSE(blur.Begin(light_.get()));
  blur.GaussianBlur(light_.get(), 3);
  EXPECT_EQ(light_->flags, 0u);
  EXPECT_TRUE(light_->viewStack.empty());
}

TEST_F(Surfaces, LossAndResetThroughTheDocument) {
  auto surface = std::make_unique<ZVI_PrerenderSurface>();
  surface->width = 16;
  surface->height = 8;
  auto blur = std::make_unique<ZVI_BlurSurface>();
  blur->OnResize();
  auto glow = std::make_unique<ZVI_InnerGlowEffect>();
  EXPECT_TRUE(glow->Resize());
  EXPECT_TRUE(glow->targetC);
  EXPECT_EQ(doc_->DeviceObjects().size(), 3u);
  EXPECT_NE(surface->Key().name, blur->Key().name);

  doc_->OnLostDevice();
  EXPECT_FALSE(blur->targetA || blur->targetB || glow->targetA || glow->targetC || surface->texture);
  doc_->OnResetDevice();
  ASSERT_TRUE(surface->texture);
  D3DSURFACE_DESC d{};
  surface->texture->GetLevelDesc(0, &d);
  EXPECT_EQ(d.Width, 16u);
  EXPECT_EQ(d.Usage, static_cast<DWORD>(D3DUSAGE_RENDERTARGET));
  EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
  EXPECT_TRUE(blur->targetA && blur->targetB && glow->targetA && glow->targetC);

  blur->quality.SetValue(50);
  blur->targetA->GetLevelDesc(0, &d);
  EXPECT_EQ(d.Width, 16u) << "a quality change remakes the targets";

  surface.reset();
  EXPECT_EQ(doc_->DeviceObjects().size(), 2u);
}

// Made ahead for a slide about to show, the blur family makes one target a
// step and ends as a reset makes it; a start or a loss in the middle leaves
// it whole or let go, never half made.
TEST_F(Surfaces, BlurTargetsAreMadeAheadOneAStep) {
  const int shown = 0, blurSlide = 0, glowSlide = 0, lostSlide = 0;  // owner tags
  std::unique_ptr<ZVI_BlurSurface> blur, lost;
  std::unique_ptr<ZVI_InnerGlowEffect> glow;
  {
    LosableOwnerScope owner(&blurSlide);
    blur = std::make_unique<ZVI_BlurSurface>();
    blur->quality.value = 50;
    blur->OnResize();
  }
  {
    LosableOwnerScope owner(&glowSlide);
    glow = std::make_unique<ZVI_InnerGlowEffect>();
    ASSERT_TRUE(glow->Resize());
  }
  {
    LosableOwnerScope owner(&lostSlide);
    lost = std::make_unique<ZVI_BlurSurface>();
    lost->OnResize();
  }
  auto width = [](const ComPtr<IDirect3DTexture9>& t) {
    D3DSURFACE_DESC d{};
    if (t) t->GetLevelDesc(0, &d);
    return d.Width;
  };

  doc_->SetLiveOwners(&shown, &blurSlide);
  ASSERT_TRUE(doc_->PrepareOneObject(&blurSlide));
  EXPECT_TRUE(blur->targetA);
  EXPECT_FALSE(blur->targetB);
  EXPECT_FALSE(blur->Prepared());
  ASSERT_TRUE(doc_->PrepareOneObject(&blurSlide));
  EXPECT_TRUE(blur->Prepared());
  EXPECT_EQ(width(blur->targetA), 16u);
  EXPECT_EQ(width(blur->targetB), 16u);
  EXPECT_FALSE(doc_->PrepareOneObject(&blurSlide)) << "whole: nothing left";
  IDirect3DTexture9* madeAhead = blur->targetA.Get();
  doc_->OnResetDevice();  // the start's walk keeps what was made ahead
  EXPECT_EQ(blur->targetA.Get(), madeAhead);

  doc_->SetLiveOwners(&shown, &glowSlide);
  for (int step = 1; step <= 3; ++step) {
    ASSERT_TRUE(doc_->PrepareOneObject(&glowSlide)) << step;
    EXPECT_EQ(static_cast<bool>(glow->targetB), step >= 2) << step;
    EXPECT_EQ(static_cast<bool>(glow->targetC), step >= 3) << step;
    EXPECT_EQ(glow->Prepared(), step == 3) << step;
  }
  EXPECT_TRUE(glow->targetA);

  // Half made, then a start's walk: made whole.
  doc_->SetLiveOwners(&shown, &lostSlide);
  ASSERT_TRUE(doc_->PrepareOneObject(&lostSlide));
  EXPECT_FALSE(lost->targetB);
  doc_->OnResetDevice();
  EXPECT_TRUE(lost->targetA && lost->targetB);
  // Half made, then a loss and a reset: let go, then made whole; made ahead
  // once more, the steps start over from the first.
  doc_->ClearPrepared(&lostSlide);
  ASSERT_TRUE(doc_->PrepareOneObject(&lostSlide));
  EXPECT_FALSE(lost->targetB);
  doc_->OnLostDevice();
  EXPECT_FALSE(lost->targetA);
  doc_->OnResetDevice();
  EXPECT_TRUE(lost->targetA && lost->targetB);
  doc_->ClearPrepared(&lostSlide);
  ASSERT_TRUE(doc_->PrepareOneObject(&lostSlide));
  EXPECT_TRUE(lost->targetA);
  EXPECT_FALSE(lost->targetB) << "the first step again";
  ASSERT_TRUE(doc_->PrepareOneObject(&lostSlide));
  EXPECT_TRUE(lost->targetA && lost->targetB && lost->Prepared());
}

IDirect3DSurface9* BoundTarget(IDirect3DDevice9* dev) {
  IDirect3DSurface9* s = nullptr;
  dev->GetRenderTarget(0, &s);
  if (s) s->Release();
  return s;
}

IDirect3DSurface9* Level0(IDirect3DTexture9* t) {
  IDirect3DSurface9* s = nullptr;
  t->GetSurfaceLevel(0, &s);
  if (s) s->Release();
  return s;
}

TEST_F(Surfaces, TargetSetCreateBeginEnd) {
  RenderTargetSet set;
  EXPECT_FALSE(set.Create(0, 8));
  EXPECT_FALSE(set.Create(5000, 8)) << "beyond the device caps";
  ASSERT_TRUE(set.Create(16, 8));
  EXPECT_EQ(set.width, 16u);
  EXPECT_EQ(set.active.Get(), set.textures[0].Get());
  EXPECT_TRUE(set.textures[1] && set.textures[2]);

  IDirect3DSurface9* back = BoundTarget(dev_);
  ASSERT_EQ(dev_->BeginScene(), D3D_OK);
  set.Begin();
  EXPECT_EQ(BoundTarget(dev_), Level0(set.active));
  IDirect3DSurface9* depth = nullptr;
  dev_->GetDepthStencilSurface(&depth);
  EXPECT_EQ(depth, nullptr);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF112233, 1.0f, 0);
  ComPtr<IDirect3DTexture9>* result = set.End(true);
  ASSERT_EQ(dev_->EndScene(), D3D_OK);
  EXPECT_EQ(BoundTarget(dev_), back);
  EXPECT_EQ(result->Get(), set.active.Get());
  EXPECT_EQ(ReadTexture(*result).at(3, 3), 0xFF112233u);
  EXPECT_EQ(ReadBackBuffer().at(3, 3) & 0xFFFFFF, 0xFFFFFFu) << "cleared to transparent white";
}

TEST_F(Surfaces, TargetSetSelectAndSwapSpare) {
  RenderTargetSet set;
  ASSERT_TRUE(set.Create(8, 8));
  IDirect3DTexture9* t0 = set.textures[0].Get();
  IDirect3DTexture9* t1 = set.textures[1].Get();
  IDirect3DTexture9* spare = set.textures[2].Get();
  ASSERT_EQ(dev_->BeginScene(), D3D_OK);
  set.Begin();
  set.Select(1);
  EXPECT_EQ(set.active.Get(), t1);
  EXPECT_EQ(BoundTarget(dev_), Level0(t1));
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);

  // With clearing: the active one and the spare change places.
  ComPtr<IDirect3DTexture9>* other = set.SwapSpare(true);
  EXPECT_EQ(other->Get(), t0);
  EXPECT_EQ(set.textures[1].Get(), spare);
  EXPECT_EQ(set.textures[2].Get(), t1);
  EXPECT_EQ(set.active.Get(), spare);
  EXPECT_EQ(BoundTarget(dev_), Level0(spare));
  // Without: the other one and the spare change places.
  other = set.SwapSpare(false);
  EXPECT_EQ(other->Get(), t1);
  EXPECT_EQ(set.textures[0].Get(), t1);
  EXPECT_EQ(set.textures[2].Get(), t0);
  set.End(false);
  ASSERT_EQ(dev_->EndScene(), D3D_OK);
  EXPECT_EQ(ReadTexture(spare).at(1, 1), 0u) << "the swapped-in target is cleared to transparent black";
  EXPECT_EQ(ReadTexture(t1).at(1, 1), 0xFFFFFFFFu);
}

TEST_F(Surfaces, TargetSetMadeATargetACall) {
  RenderTargetSet set;
  EXPECT_EQ(set.CreateNext(0, 8), -1);
  EXPECT_EQ(set.CreateNext(16, 8), 1);
  EXPECT_TRUE(set.textures[0] && !set.textures[1] && !set.active);
  EXPECT_EQ(set.CreateNext(16, 8), 1);
  EXPECT_EQ(set.CreateNext(16, 8), 0);
  EXPECT_TRUE(set.textures[2]);
  EXPECT_EQ(set.active.Get(), set.textures[0].Get());
  IDirect3DTexture9* first = set.textures[0].Get();
  EXPECT_EQ(set.CreateNext(16, 8), 0) << "a whole set stays as it is";
  EXPECT_EQ(set.textures[0].Get(), first);
  // Another size starts again.
  EXPECT_EQ(set.CreateNext(8, 8), 1);
  EXPECT_TRUE(set.textures[0] && !set.textures[1] && !set.textures[2]);
  EXPECT_EQ(set.width, 8u);
  EXPECT_EQ(set.CreateNext(5000, 8), -1) << "beyond the device caps";
  EXPECT_TRUE(!set.textures[0] && !set.active);
}

TEST_F(Surfaces, DeferredTargetSetKeepsItsSizeOnly) {
  RenderTargetSet set;
  ASSERT_TRUE(set.Create(16, 8));
  {
    DeferredTargets deferred;
    EXPECT_TRUE(set.Create(8, 4));
    EXPECT_FALSE(set.active || set.textures[0] || set.textures[1] || set.textures[2]) << "as one let go";
    EXPECT_EQ(set.width, 8u);
    EXPECT_EQ(set.height, 4u);
    EXPECT_FALSE(set.Create(0, 4));
    {
      DeferredTargets nested;
    }
    EXPECT_TRUE(DeferredTargets::Open()) << "a nested scope leaves the outer one open";
  }
  EXPECT_FALSE(DeferredTargets::Open());
  // Made later in slices, as a set that was let go.
  EXPECT_EQ(set.CreateNext(8, 4), 1);
  EXPECT_EQ(set.CreateNext(8, 4), 1);
  EXPECT_EQ(set.CreateNext(8, 4), 0);
  EXPECT_TRUE(set.active);
}

TEST_F(Surfaces, TakenTargetsAreClearedWhenFirstDrawnInto) {
  RenderTargetSet left;
  ASSERT_TRUE(left.Create(8, 8));
  IDirect3DSurface9* back = BoundTarget(dev_);
  ASSERT_EQ(dev_->BeginScene(), D3D_OK);
  left.Begin();
  for (int k : {0, 1, 2}) {
    left.Select(k);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF804020, 1.0f, 0);
  }
  left.End(false);
  IDirect3DTexture9* t[3] = {left.textures[0].Get(), left.textures[1].Get(), left.textures[2].Get()};

  RenderTargetSet taking;
  taking.TakeFrom(left);
  EXPECT_FALSE(left.active || left.textures[0] || left.textures[1] || left.textures[2]);
  for (int k : {0, 1, 2}) EXPECT_EQ(taking.textures[k].Get(), t[k]);
  EXPECT_EQ(taking.active.Get(), t[0]);
  // Not drawn into yet: no clear has been paid for.
  EXPECT_EQ(ReadTexture(t[2]).at(1, 1), 0xFF804020u);

  taking.Begin();
  EXPECT_EQ(BoundTarget(dev_), Level0(t[0]));
  taking.End(false);
  ASSERT_EQ(dev_->EndScene(), D3D_OK);
  EXPECT_EQ(BoundTarget(dev_), back);
  for (int k : {0, 1, 2}) EXPECT_EQ(ReadTexture(t[k]).at(1, 1), 0u) << "target " << k << " shows what the other drew";
}

TEST_F(Surfaces, TargetsMadeAheadASliceAtATimeAndKeptByTheReset) {
  struct Case {
    uint32_t width, height;
    int calls;        // calls that made something
    UINT targetWidth;  // of the set made
  };
  // 3 x 1500 is beyond the device caps: the set is made at twice the screen.
  const Case cases[] = {{kBack, kBack, 3, kBack * 3}, {1500, 20, 4, 3000}, {5000, 20, 3, 0}};
  for (const Case& c : cases) {
    SetBackBufferInfo(c.width, c.height);
    light_->OnLostDevice();
    int calls = 0;
    while (light_->PrepareTargets() && calls < 10) ++calls;
    EXPECT_EQ(calls, c.calls) << c.width;
    EXPECT_TRUE(light_->TargetsPrepared());
    EXPECT_EQ(light_->HasTargets(), c.targetWidth != 0) << c.width;
    if (c.targetWidth != 0) {
      EXPECT_EQ(light_->targets.width, c.targetWidth);
    }
    IDirect3DTexture9* made = light_->targets.textures[0].Get();
    light_->OnResetDevice();
    EXPECT_EQ(light_->targets.textures[0].Get(), made) << "the reset keeps what was made ahead";
    EXPECT_FALSE(light_->TargetsPrepared());
  }
  SetBackBufferInfo(kBack, kBack);
}

TEST_F(Surfaces, TargetSetFromTexture) {
  RenderTargetSet set;
  ComPtr<IDirect3DTexture9> picture = light_->imageQuad.picture.texture;
  ASSERT_TRUE(picture);
  set.CreateFromTexture(picture.Get(), 8, 4);
  ASSERT_TRUE(set.active);
  EXPECT_TRUE(Near(ReadTexture(set.active).at(4, 2), 0xFF203040, 2, true));
}

}  // namespace
