// Falling stars and fireworks on the screen: a star and a spark land on their
// scene pixel after "Main" under a zooming, letterboxing camera, and a spark's
// glow reaches the glow factor times its half side.
#include <gtest/gtest.h>

#include "core/crt.h"
#include "core/safe_ptr.h"
#include "gen_fixtures.h"
#include "particles/generators/origin_generators.h"
#include "particles/generators/region_generators.h"
#include "player/camera.h"

using namespace gen_test;

namespace {

constexpr D3DCOLOR kGrey = 0xFF808080, kWhite = 0xFFFFFFFF, kBlue = 0xFF0000FF;

class GlowPixels : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    pw::DocResRecord r;
    auto file = [](const char16_t* name, std::vector<uint8_t> bytes) {
      return pw::LinkFiles{name, 0, {{0, u"", name, std::move(bytes)}}};
    };
    r.imageFiles.push_back(file(u"grey.png", Png(64, 64, [](int, int) { return kGrey; })));
    r.imageFiles.push_back(file(u"dab.png", Png(8, 8, [](int, int) { return kWhite; })));
    r.imageFiles.push_back(file(u"wide.png", Png(128, 64, [](int x, int y) {
                                  return x >= 68 && x < 72 && y >= 28 && y < 32 ? kBlue : kGrey;
                                })));
    UseDocument(MakeDocument(r));
  }

  // The slide of wide.png under a camera zoomed to 200 %, and where its blue
  // marker at scene pixel (70, 30) shows.
  std::unique_ptr<DS_2D_Light> ZoomedLight(int* mx, int* my) {
    auto light = MakeLight(u"wide.png", kFitLetterbox);
    light->camera.mode = DSM_Camera::kWander;
    light->camera.zoom.SetValue(200u);
    light->RestartCamera(1);
    light->UpdateCamera(0.0f);
    RuntimeObjects none;
    Pixels px = Frame(*light, none);
    int n = 0, sx = 0, sy = 0;
    for (UINT y = 0; y < px.height; ++y)
      for (UINT x = 0; x < px.width; ++x) {
        const D3DCOLOR c = px.at(x, y);
        if ((c & 0xFF) > 160 && ((c >> 16) & 0xFF) < 90) {
          ++n;
          sx += static_cast<int>(x);
          sy += static_cast<int>(y);
        }
      }
    EXPECT_GT(n, 0);
    *mx = n ? sx / n : 0;
    *my = n ? sy / n : 0;
    return light;
  }
};

TEST_F(GlowPixels, StarLandsOnItsScenePixel) {
  int mx = 0, my = 0;
  auto light = ZoomedLight(&mx, &my);
  DS_FallingStars model;
  model.region.corners[0].value = D3DXVECTOR3(70, 30, 0);
  model.region.corners[3].value = D3DXVECTOR3(70, 30, 0);
  model.starRate.SetValue(5000u);
  model.starSize = 6u;
  model.holdTime.SetValue(1000u);
  model.imageLinks.assign(4, DS_ImageFileLink(0, u"dab.png"));
  model.colour1.value = 0x000000FF;  // red stars
  model.colour2.transparency.SetValue(100u);
  RuntimeObjects objects{DS_SafePtr<DS_ABObj>(model.CreateRuntime())};
  auto* object = static_cast<DS_ParticlesObj*>(objects[0].get());
  ASSERT_NE(static_cast<DS_FallingStars*>(object->generator)->effect, nullptr);  // the stand-in, from an empty link
  for (int i = 0; i < 4; ++i) object->Update(i * 0.1f);
  ASSERT_FALSE(static_cast<DS_FallingStars*>(object->generator)->heads.empty());
  Pixels px = Frame(*light, objects);
  const D3DCOLOR at = px.at(static_cast<UINT>(mx), static_cast<UINT>(my));
  EXPECT_GT((at >> 16) & 0xFF, 200u) << std::hex << at;
  EXPECT_LT(at & 0xFF, 60u) << std::hex << at;  // laid over the blue marker
  EXPECT_TRUE(Near(px.at(static_cast<UINT>(mx) + 14, static_cast<UINT>(my)), kGrey)) << std::hex
                                                                                        << px.at(mx + 14, my);
}

TEST_F(GlowPixels, SparkLandsOnItsScenePixel) {
  int mx = 0, my = 0;
  auto light = ZoomedLight(&mx, &my);
  DS_FireworkSimple model;
  model.origin = D3DXVECTOR3(70, 30, 0);
  model.sparkCount = 1u;
  model.sparkSize = 6u;
  model.generatorSpeed.SetValue(50u);
  model.imageLinks = {DS_ImageFileLink(0, u"dab.png")};
  model.colour1.value = 0x000000FF;
  model.colour2.transparency.SetValue(100u);
  RuntimeObjects objects{DS_SafePtr<DS_ABObj>(model.CreateRuntime())};
  objects[0]->Update(0.0f);
  objects[0]->Update(0.05f);
  Pixels px = Frame(*light, objects);
  const D3DCOLOR at = px.at(static_cast<UINT>(mx), static_cast<UINT>(my));
  EXPECT_GT((at >> 16) & 0xFF, 200u) << std::hex << at;
  EXPECT_LT(at & 0xFF, 60u) << std::hex << at;
}

TEST_F(GlowPixels, SparkGlowReachesGlowFactorTimesHalfSide) {
  auto light = MakeLight(u"grey.png", kFitStretch);
  DS_FireworkSimple model;
  model.origin = D3DXVECTOR3(32, 32, 0);
  model.sparkCount = 1u;
  model.sparkSize = 8u;
  model.glowFactor.SetValue(50u);  // 3: a glow 24 wide
  model.generatorSpeed.SetValue(50u);
  model.imageLinks = {DS_ImageFileLink(0, u"dab.png")};
  model.colour1.value = 0x000000FF;  // red spark
  model.colour2.value = 0x0000FF00;  // green glow
  RuntimeObjects objects{DS_SafePtr<DS_ABObj>(model.CreateRuntime())};
  objects[0]->Update(0.0f);
  objects[0]->Update(0.05f);
  Pixels px = Frame(*light, objects);
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFF0000, 8)) << std::hex << px.at(32, 32);
  for (auto [x, y] : {std::pair{42, 32}, std::pair{32, 22}, std::pair{23, 41}})
    EXPECT_TRUE(Near(px.at(x, y), 0xFF00FF00, 8)) << x << "," << y << " " << std::hex << px.at(x, y);
  for (auto [x, y] : {std::pair{46, 32}, std::pair{32, 18}})
    EXPECT_TRUE(Near(px.at(x, y), kGrey)) << x << "," << y << " " << std::hex << px.at(x, y);
}

}  // namespace
