// Line ribbons and single objects drawn headlessly over a grey slide: the
// ribbon band, the multiply mode over the background copy, the head
// particle at the tip, and a static object turned a quarter.
#include <gtest/gtest.h>

#include <memory>

#include "player/slide_render_context.h"
#include "resources/builtin_resources.h"
#include "scene/line_effects.h"
#include "scene/single_objects.h"
#include "tests/player/render_fixtures.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kGrey = kSlideGrey;  // the slide picture

class LinePixels : public SlideLightTest {
 protected:
  void SetUp() override {
    SlideLightTest::SetUp();
    RegisterBuiltInResources();
    pw::DocResRecord r;
    r.rawFrames.push_back({u"white.png", 3, {{1, Png(2, 2, [](int, int) { return 0xFFFFFFFFu; }), 0.0f}}});
    StartSlide(r);
  }

  static void White(ClassicParticleParams& block) {
    block.particleImage.value.links.push_back(DS_ImageFileLink(DS_FileLink3()));
    block.particleImage.value.links.back().name = u"white.png";
    block.particleImage.value.links.back().id = 3;
  }
  // A horizontal path at y = 32 from x0 to x1, samples evenly spaced.
  static void Horizontal(ZVI_LineCtrl& line, float x0, float x1) {
    const float third = (x1 - x0) / 3.0f;
    for (float x : {x0, x1}) {
      DS_SafePtr<DX_BSplinePnt> p(new DX_BSplinePnt());
      p->value = D3DXVECTOR3(x, 32.0f, 0.0f);
      p->outTangent.value = D3DXVECTOR3(third, 0.0f, 0.0f);
      p->inTangent.value = D3DXVECTOR3(-third, 0.0f, 0.0f);
      line.path.points.push_back(p);
    }
  }
  void Add(DS_ABObj_Constructor& model) {
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
};

TEST_F(LinePixels, TenPixelRibbonAlongAHorizontalPath) {
  ZVI_GrovingLine line;
  Horizontal(line, 4.0f, 60.0f);
  line.width.SetValue(10u);
  White(line.ribbon);
  line.ribbon.colors.colours.value = {0x0000FF00u};  // green
  Add(line);
  Pixels px = Frame();
  for (UINT y : {28u, 32u, 36u}) EXPECT_TRUE(Near(px.at(32, y), 0xFF00FF00, 6)) << y << std::hex << " " << px.at(32, y);
  for (UINT y : {25u, 39u}) EXPECT_TRUE(Near(px.at(32, y), kGrey)) << y << std::hex << " " << px.at(32, y);
  EXPECT_TRUE(Near(px.at(62, 32), kGrey)) << std::hex << px.at(62, 32);
}

TEST_F(LinePixels, MultiplyRibbonOverGrey) {
  ZVI_GrovingLine line;
  Horizontal(line, 4.0f, 60.0f);
  line.width.SetValue(10u);
  White(line.ribbon);
  line.ribbon.colors.colours.value = {0x000080FFu};  // (255, 128, 0)
  line.ribbon.blendMode.value = 1;
  Add(line);
  EXPECT_EQ(objects_[0]->NeedsBackground(), 1);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFC86400, 4)) << std::hex << px.at(32, 32);
  EXPECT_TRUE(Near(px.at(32, 20), kGrey)) << std::hex << px.at(32, 20);
}

TEST_F(LinePixels, HeadParticleAtTheTip) {
  ZVI_GrovingLine line;
  Horizontal(line, 4.0f, 40.0f);
  line.width.SetValue(4u);
  line.ribbon.colors.colours.value = {0x00000000u};  // a black ribbon
  White(line.ribbon);
  White(line.params);
  line.params.particleSize.value = 8;
  line.showParticles.value = 1;
  Add(line);
  Pixels px = Frame();
  // The white head covers the tip (40, 32) and a little beyond; the black
  // ribbon lies behind it.
  EXPECT_TRUE(Near(px.at(42, 30), 0xFFFFFFFF, 6)) << std::hex << px.at(42, 30);
  EXPECT_TRUE(Near(px.at(20, 32), 0xFF000000, 6)) << std::hex << px.at(20, 32);
  EXPECT_TRUE(Near(px.at(50, 32), kGrey)) << std::hex << px.at(50, 32);
}

TEST_F(LinePixels, StaticObjectTurnedAQuarterCoversTheSwappedRectangle) {
  ZVI_StaticObject object;
  object.quad.SetCentredRect(40.0f, 10.0f, D3DXVECTOR3(32.0f, 32.0f, 0.0f));
  White(object.params);
  object.params.colors.colours.value = {0x000000FFu};  // red
  object.rotationSpeed.SetValue(225u);                // 90 degrees a second
  objects_.push_back(DS_SafePtr<DS_ABObj>(object.CreateRuntime()));
  for (int k = 0; k <= 10; ++k) objects_.back()->Update(0.1f * static_cast<float>(k));
  Pixels px = Frame();
  // Upright it spans x 12..52, y 27..37; turned it spans x 27..37, y 12..52.
  EXPECT_TRUE(Near(px.at(32, 15), 0xFFFF0000, 6)) << std::hex << px.at(32, 15);
  EXPECT_TRUE(Near(px.at(32, 49), 0xFFFF0000, 6)) << std::hex << px.at(32, 49);
  EXPECT_TRUE(Near(px.at(15, 32), kGrey)) << std::hex << px.at(15, 32);
  EXPECT_TRUE(Near(px.at(49, 32), kGrey)) << std::hex << px.at(49, 32);
}

}  // namespace
