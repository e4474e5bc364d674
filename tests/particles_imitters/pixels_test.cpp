// Classic particles drawn headlessly over a grey slide: the two blends, the
// picture's orientation, and the glow laid over the scene or screened with
// the slide's background copy.
#include <gtest/gtest.h>

#include <memory>

#include "particles/imitters/burst_fountain.h"
#include "player/slide_render_context.h"
#include "resources/builtin_resources.h"
#include "tests/player/render_fixtures.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kGrey = 0xFF808080;

class ClassicPixels : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();  // the stand-in effect and the blur
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(kBack, kBack, [](int, int) { return kGrey; })}}});
    // Upper half red, lower half blue, both half transparent.
    r.rawFrames.push_back(
        {u"dot.png", 2, {{1, Png(8, 8, [](int, int y) { return y < 4 ? 0x80FF0000u : 0x800000FFu; }), 0.0f}}});
    UseDocument(MakeDocument(r));
    light_ = std::make_unique<DS_2D_Light>();
    light_->backgroundLink.name = u"bg.png";
    light_->backgroundLink.id = 1;
    light_->BeginSlide();
    QuadCorners screen;
    screen.SetRect(kBack, kBack);
    light_->SetupView(screen);
    light_->SetViewMode(kFitLetterbox);
    light_->RestartCamera(1);
    light_->OnResetDevice();
  }
  void TearDown() override {
    objects_.clear();
    light_.reset();
    RenderTest::TearDown();
  }

  // One burst particle of 16 x 16 that neither moves nor dies, centred one
  // unit off its point by the unit offset multipliers: at (31, 33).
  void AddParticle(int blendMode, int glowMode) {
    ZVI_BurstPtclSys model;
    model.source.point.value = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
    model.burstCount.value = 1;
    model.range.value = 100;
    model.params.particleSize.value = 16;
    model.params.particleImage.value.links.push_back(DS_ImageFileLink(DS_FileLink3()));
    model.params.particleImage.value.links.back().name = u"dot.png";
    model.params.particleImage.value.links.back().id = 2;
    model.params.blendMode.value = blendMode;
    model.params.glowMode.value = glowMode;
    model.params.glowColorRef.value = 0x000000FFu;  // red
    objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
    objects_.back()->Update(0.0f);
  }

  Pixels Frame() {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    int n = 0;
    for (auto& o : objects_) n += o->NeedsBackground();
    if (n > 0) {
      dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
      light_->BeginBackgroundChain();
    }
    light_->ClearBackground(0);
    light_->RenderObjects(objects_, n);
    light_->EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  std::unique_ptr<DS_2D_Light> light_;
  RuntimeObjects objects_;
};

TEST_F(ClassicPixels, BlendNormalUprightOverGrey) {
  AddParticle(0, 0);
  auto* mech = dynamic_cast<ZVI_ParticleSystemMech*>(objects_[0].get());
  ASSERT_NE(mech, nullptr);
  EXPECT_EQ(mech->CountAt(0), 1u);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 28), 0xFFBF4040, 6)) << std::hex << px.at(32, 28);  // upper half: red
  EXPECT_TRUE(Near(px.at(32, 36), 0xFF4040BF, 6)) << std::hex << px.at(32, 36);  // lower half: blue
  EXPECT_TRUE(Near(px.at(32, 20), kGrey)) << std::hex << px.at(32, 20);
  EXPECT_TRUE(Near(px.at(20, 32), kGrey)) << std::hex << px.at(20, 32);
  EXPECT_TRUE(Near(px.at(44, 32), kGrey)) << std::hex << px.at(44, 32);
}

TEST_F(ClassicPixels, BlendSumAdds) {
  AddParticle(1, 0);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 28), 0xFFFF8080, 6)) << std::hex << px.at(32, 28);
  EXPECT_TRUE(Near(px.at(32, 36), 0xFF8080FF, 6)) << std::hex << px.at(32, 36);
  EXPECT_TRUE(Near(px.at(10, 10), kGrey));
}

TEST_F(ClassicPixels, UnknownBlendModeDrawsNormally) {
  AddParticle(7, 0);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 28), 0xFFBF4040, 6)) << std::hex << px.at(32, 28);
}

D3DCOLOR Channel(D3DCOLOR c, int shift) { return (c >> shift) & 0xFF; }

TEST_F(ClassicPixels, GlowReddensAroundTheQuad) {
  AddParticle(0, 1);
  Pixels px = Frame();
  const D3DCOLOR outside = px.at(32, 42);  // two pixels below the quad
  EXPECT_GT(Channel(outside, 16), 0x80u + 8) << std::hex << outside;
  EXPECT_LT(Channel(outside, 8), 0x80u) << std::hex << outside;  // laid over: grey covered
  EXPECT_TRUE(Near(px.at(2, 2), kGrey)) << std::hex << px.at(2, 2);
  // The sharp particle lies over its glow: its blue half stays blue.
  const D3DCOLOR inside = px.at(32, 36);
  EXPECT_GT(Channel(inside, 0), Channel(inside, 16) + 0x30) << std::hex << inside;
}

TEST_F(ClassicPixels, ScreenGlowComposesOverTheBackgroundCopy) {
  AddParticle(0, 2);
  EXPECT_EQ(objects_[0]->NeedsBackground(), 1);
  Pixels px = Frame();
  const D3DCOLOR outside = px.at(32, 42);
  EXPECT_GT(Channel(outside, 16), 0x80u + 8) << std::hex << outside;
  EXPECT_NEAR(static_cast<int>(Channel(outside, 8)), 0x80, 4) << std::hex << outside;  // screened: grey kept
  EXPECT_TRUE(Near(px.at(2, 2), kGrey)) << std::hex << px.at(2, 2);
  const D3DCOLOR inside = px.at(32, 36);
  EXPECT_GT(Channel(inside, 0), Channel(inside, 16) + 0x30) << std::hex << inside;
}

}  // namespace
