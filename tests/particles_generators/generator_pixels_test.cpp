// Generators drawn headlessly through the slide's render context: sparkles in
// each blend mode over a grey picture, a custom picture without an effect,
// a dab that lands on its scene pixel under a zooming camera in a letterboxed,
// supersampled slide, and the last quad of a layer past 16 384 quads.
#include <gtest/gtest.h>

#include <memory>

#include "core/safe_ptr.h"
#include "gen_fixtures.h"
#include "particles/generators/air_brushes.h"
#include "player/camera.h"
#include "player/current_device.h"
#include "player/render_target_set.h"

using namespace gen_test;

namespace {

constexpr D3DCOLOR kGrey = 0xFF808080, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

class GeneratorPixels : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    pw::DocResRecord r;
    auto file = [](const char16_t* name, std::vector<uint8_t> bytes) {
      return pw::LinkFiles{name, 0, {{0, u"", name, std::move(bytes)}}};
    };
    r.imageFiles.push_back(file(u"grey.png", Png(64, 64, [](int, int) { return kGrey; })));
    r.imageFiles.push_back(file(u"dab.png", Png(8, 8, [](int, int) { return kWhite; })));
    r.imageFiles.push_back(file(u"red.png", Png(8, 8, [](int, int) { return kRed; })));
    // 128 x 64 grey with a blue 4 x 4 marker around scene pixel (70, 30).
    r.imageFiles.push_back(file(u"wide.png", Png(128, 64, [](int x, int y) {
                                  return x >= 68 && x < 72 && y >= 28 && y < 32 ? kBlue : kGrey;
                                })));
    UseDocument(MakeDocument(r));
  }

  static DS_SafePtr<DS_ABObj> Hold(DS_ABObj_Constructor& model) { return DS_SafePtr<DS_ABObj>(model.CreateRuntime()); }
};

TEST_F(GeneratorPixels, SparklesInEachBlendMode) {
  auto light = MakeLight(u"grey.png", kFitStretch);
  int dab[5] = {};
  for (int mode : {0, 1, 2, 3, 7}) {
    SCOPED_TRACE(mode);
    DS_Bling model;
    model.brushSize = 16u;
    model.minimumSize.SetValue(100u);  // always the full size
    model.strokes.emplace_back(32, 32, 0);
    model.imageLinks = {DS_ImageFileLink(0, u"dab.png"), DS_ImageFileLink(0, u"dab.png")};
    model.effectLink = DS_HLSLEffectFile(u"common_res.dll", 1);
    model.colour1.transparency.SetValue(50u);   // half-covering white
    model.colour2.transparency.SetValue(100u);  // the second layer invisible
    model.blendMode = mode;
    RuntimeObjects objects{Hold(model)};
    auto* object = static_cast<DS_ParticlesObj*>(objects[0].get());
    ASSERT_NE(static_cast<DS_Bling*>(object->generator)->effect, nullptr);
    object->Update(0.0f);
    Pixels px = Frame(*light, objects);
    dab[mode == 7 ? 4 : mode] = Sum(px.at(32, 32));
    // Away from the dab the picture is as it was (modes 1 and 2 read it back).
    // An unknown mode sets no technique and binds nothing, so the screen quad
    // is drawn as the layer was: the white dab image over the whole slide.
    const D3DCOLOR away = mode == 7 ? kWhite : kGrey;
    EXPECT_TRUE(Near(px.at(6, 6), away)) << std::hex << px.at(6, 6);
    EXPECT_TRUE(Near(px.at(56, 50), away)) << std::hex << px.at(56, 50);
  }
  const int grey = Sum(kGrey);
  EXPECT_GT(dab[0], grey + 60);
  EXPECT_GT(dab[1], grey + 60);
  EXPECT_GT(dab[2], grey + 60);
  EXPECT_GT(dab[3], dab[0] + 60);  // added rather than laid over
  EXPECT_NEAR(dab[4], Sum(kWhite), 6);
}

// Brushes that draw their layer through the targets have them from the
// attach, so a slide's first frame makes none.
TEST_F(GeneratorPixels, BrushTargetsAreMadeAtTheAttach) {
  auto light = MakeLight(u"grey.png", kFitStretch);
  auto targetsOf = [](DS_TexParticleGenerator& model, bool withEffect) {
    model.imageLinks = {DS_ImageFileLink(0, u"dab.png")};
    if (withEffect) model.effectLink = DS_HLSLEffectFile(u"common_res.dll", 1);
    auto object = std::unique_ptr<DS_ParticlesObj>(static_cast<DS_ParticlesObj*>(model.CreateRuntime()));
    auto* g = static_cast<DS_TexParticleGenerator*>(object->generator);
    EXPECT_EQ(g->effect != nullptr, withEffect);
    return g->targets;
  };
  for (bool withEffect : {true, false}) {
    SCOPED_TRACE(withEffect);
    DS_CustomAirBrush custom;
    DS_TwinklingStars twinkling;
    for (DS_TexParticleGenerator* model :
         {static_cast<DS_TexParticleGenerator*>(&custom), static_cast<DS_TexParticleGenerator*>(&twinkling)}) {
      RenderTargetSet* set = targetsOf(*model, withEffect);
      if (!withEffect) {
        EXPECT_EQ(set, nullptr) << "drawn straight, without targets";
        continue;
      }
      ASSERT_NE(set, nullptr);
      EXPECT_TRUE(set->active);
      EXPECT_EQ(set->width, GetBackBufferInfo().width);
    }
  }
}

TEST_F(GeneratorPixels, CustomPictureWithoutEffectAtItsDab) {
  auto light = MakeLight(u"grey.png", kFitStretch);
  DS_CustomAirBrush model;
  model.brushSize = 8u;
  model.pictureLink = DS_ImageFileLink(0, u"red.png");
  model.strokes.emplace_back(16, 40, 0);
  RuntimeObjects objects{Hold(model)};
  objects[0]->Update(0.0f);
  Pixels px = Frame(*light, objects);
  EXPECT_TRUE(Near(px.at(16, 40), kRed)) << std::hex << px.at(16, 40);
  EXPECT_TRUE(Near(px.at(16, 50), kGrey)) << std::hex << px.at(16, 50);
  EXPECT_TRUE(Near(px.at(40, 40), kGrey)) << std::hex << px.at(40, 40);
}

// Where the blue marker shows on the screen.
bool FindMarker(const Pixels& px, int* mx, int* my) {
  int n = 0, sx = 0, sy = 0;
  for (UINT y = 0; y < px.height; ++y)
    for (UINT x = 0; x < px.width; ++x) {
      D3DCOLOR c = px.at(x, y);
      if ((c & 0xFF) > 160 && ((c >> 16) & 0xFF) < 90) {
        ++n;
        sx += static_cast<int>(x);
        sy += static_cast<int>(y);
      }
    }
  if (n == 0) return false;
  *mx = sx / n;
  *my = sy / n;
  return true;
}

TEST_F(GeneratorPixels, DabLandsOnItsScenePixelUnderAZoomingCamera) {
  auto light = MakeLight(u"wide.png", kFitLetterbox);
  light->camera.mode = DSM_Camera::kWander;
  light->camera.zoom.SetValue(200u);
  light->RestartCamera(1);
  light->UpdateCamera(0.0f);
  RuntimeObjects none;
  int mx = 0, my = 0;
  ASSERT_TRUE(FindMarker(Frame(*light, none), &mx, &my));

  // Through the generator's own target, composited in the screen mode, which
  // makes the slide draw in its supersampled background chain.
  DS_CustomAirBrush model;
  model.brushSize = 6u;
  model.pictureLink = DS_ImageFileLink(0, u"red.png");
  model.effectLink = DS_HLSLEffectFile(u"common_res.dll", 1);
  model.blendMode = 1;
  model.strokes.emplace_back(70, 30, 0);
  RuntimeObjects objects{Hold(model)};
  ASSERT_EQ(objects[0]->NeedsBackground(), 1);
  ASSERT_TRUE(light->HasTargets());
  EXPECT_GT(light->targets.width, kBack);
  objects[0]->Update(0.0f);
  Pixels px = Frame(*light, objects);
  const D3DCOLOR at = px.at(static_cast<UINT>(mx), static_cast<UINT>(my));
  EXPECT_GT((at >> 16) & 0xFF, 200u) << std::hex << at << " at " << std::dec << mx << "," << my;
  EXPECT_GT(at & 0xFF, 160u) << std::hex << at;  // screened over the marker's blue
  // The grey beside the dab stays.
  EXPECT_TRUE(Near(px.at(static_cast<UINT>(mx) + 12, static_cast<UINT>(my)), kGrey)) << std::hex
                                                                                        << px.at(mx + 12, my);
}

TEST_F(GeneratorPixels, LastQuadOfABigLayerInPlace) {
  auto light = MakeLight(u"grey.png", kFitStretch);
  DS_CustomAirBrush model;
  model.brushSize = 6u;
  model.pictureLink = DS_ImageFileLink(0, u"red.png");
  for (int i = 0; i < 19999; ++i) model.strokes.emplace_back(-50.0f - static_cast<float>(i % 7), -50.0f, 0.0f);
  model.strokes.emplace_back(40, 20, 0);
  RuntimeObjects objects{Hold(model)};
  auto* object = static_cast<DS_ParticlesObj*>(objects[0].get());
  EXPECT_EQ(object->QuadCount(0), 20000u);
  Pixels px = Frame(*light, objects);
  EXPECT_TRUE(Near(px.at(40, 20), kRed)) << std::hex << px.at(40, 20);
  EXPECT_TRUE(Near(px.at(30, 30), kGrey)) << std::hex << px.at(30, 30);
}

}  // namespace
