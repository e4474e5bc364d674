// Smoke, radial rays and a lightning bolt on the screen: smoke drifting to
// smaller x without wind, rays lit along their spokes and dark between them,
// the bolt's core between its ends.
#include <gtest/gtest.h>

#include "core/safe_ptr.h"
#include "gen_fixtures.h"
#include "particles/generators/lightning.h"
#include "particles/generators/radial_rays.h"
#include "particles/generators/smoke.h"

using namespace gen_test;

namespace {

constexpr D3DCOLOR kGrey = 0xFF808080, kWhite = 0xFFFFFFFF;

class BoltPixels : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    pw::DocResRecord r;
    auto file = [](const char16_t* name, std::vector<uint8_t> bytes) {
      return pw::LinkFiles{name, 0, {{0, u"", name, std::move(bytes)}}};
    };
    r.imageFiles.push_back(file(u"grey.png", Png(64, 64, [](int, int) { return kGrey; })));
    r.imageFiles.push_back(file(u"dab.png", Png(8, 8, [](int, int) { return kWhite; })));
    UseDocument(MakeDocument(r));
  }
};

TEST_F(BoltPixels, RaysLitOnTheirSpokesDarkBetween) {
  auto light = MakeLight(u"grey.png", kFitLetterbox);
  DS_RadialRays model;
  model.origin = D3DXVECTOR3(32, 32, 0);
  model.rayLength = 30u;
  model.rayWidth = 6u;
  model.rayCount = 4u;
  model.imageLinks = {DS_ImageFileLink(0, u"dab.png")};
  RuntimeObjects objects{DS_SafePtr<DS_ABObj>(model.CreateRuntime())};
  objects[0]->Update(0.0f);
  Pixels px = Frame(*light, objects);
  for (auto [x, y] : {std::pair{52u, 32u}, {32u, 52u}, {12u, 32u}, {32u, 12u}})
    EXPECT_GT(Sum(px.at(x, y)), 700) << x << "," << y << " " << std::hex << px.at(x, y);
  for (auto [x, y] : {std::pair{48u, 48u}, {16u, 16u}, {48u, 16u}, {16u, 48u}})
    EXPECT_TRUE(Near(px.at(x, y), kGrey)) << x << "," << y << " " << std::hex << px.at(x, y);
}

// Half-covering yellow rays through the off-screen target over the grey
// picture: each blend mode weighs the ray's colour by its coverage once, so
// a normal blend lies halfway between grey and yellow, never darker.
TEST_F(BoltPixels, RaysWeighTheirColourByTheirCoverageOnce) {
  pw::DocResRecord r;
  r.imageFiles.push_back({u"grey.png", 0, {{0, u"", u"grey.png", Png(64, 64, [](int, int) { return kGrey; })}}});
  r.imageFiles.push_back({u"half.png", 0, {{0, u"", u"half.png", Png(8, 8, [](int, int) { return 0x80FFFF00u; })}}});
  UseDocument(MakeDocument(r));
  auto light = MakeLight(u"grey.png", kFitLetterbox);
  // Grey b = 128, ray c = (255, 255, 0) with coverage a = 128 / 255.
  struct Case {
    int32_t mode;
    D3DCOLOR want;
  };
  const Case cases[] = {
      {0, 0xFFC0C040},  // c a + b (1 - a)
      {1, 0xFFC0C080},  // screen of b and c a
      {2, 0xFFFFFF80},  // b / (1 - c a)
      {3, 0xFFFFFF80},  // b + c a
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    DS_RadialRays model;
    model.origin = D3DXVECTOR3(32, 32, 0);
    model.rayLength = 30u;
    model.rayWidth = 8u;
    model.rayCount = 4u;
    model.imageLinks = {DS_ImageFileLink(0, u"half.png")};
    model.effectLink = DS_HLSLEffectFile(u"common_res.dll", 7001);
    model.blendMode = c.mode;
    RuntimeObjects objects{DS_SafePtr<DS_ABObj>(model.CreateRuntime())};
    objects[0]->Update(0.0f);
    const Pixels px = Frame(*light, objects);
    for (auto [x, y] : {std::pair{50u, 32u}, {32u, 50u}})
      EXPECT_TRUE(Near(px.at(x, y), c.want, 6)) << x << "," << y << " " << std::hex << px.at(x, y);
    EXPECT_TRUE(Near(px.at(48u, 48u), kGrey)) << std::hex << px.at(48u, 48u);
  }
}

TEST_F(BoltPixels, BoltCoreBetweenItsEnds) {
  auto light = MakeLight(u"grey.png", kFitLetterbox);
  DS_LightningGN model;
  model.start = D3DXVECTOR3(8, 32, 0);
  model.end = D3DXVECTOR3(56, 32, 0);  // detail 0: the core ends at 0.67 of the way, x = 40.16
  model.coreWidth = 6u;
  model.imageLinks = {DS_ImageFileLink(0, u"dab.png")};
  model.colour1.value = 0x000000FFu;  // red core
  model.colour2.transparency.SetValue(100u);
  RuntimeObjects objects{DS_SafePtr<DS_ABObj>(model.CreateRuntime())};
  objects[0]->Update(0.0f);
  Pixels px = Frame(*light, objects);
  for (UINT x : {12u, 24u, 36u}) {
    const D3DCOLOR c = px.at(x, 32);
    EXPECT_GT((c >> 16) & 0xFF, 200u) << x << " " << std::hex << c;
    EXPECT_LT(c & 0xFF, 100u) << x << " " << std::hex << c;
  }
  for (auto [x, y] : {std::pair{50u, 32u}, {24u, 20u}, {24u, 44u}, {2u, 32u}})
    EXPECT_TRUE(Near(px.at(x, y), kGrey)) << x << "," << y << " " << std::hex << px.at(x, y);
}

TEST_F(BoltPixels, SmokeDriftsTowardsSmallerXWithoutWind) {
  auto light = MakeLight(u"grey.png", kFitLetterbox);
  DS_Smoke model;
  model.origin = D3DXVECTOR3(40, 32, 0);
  model.originLifetime.SetValue(25u);  // 1 s
  model.launchRate = 20u;
  model.originSize = 10u;
  model.sector.value = 90u;  // straight up or down, spread 0
  model.sector.Recompute();
  model.wind.SetValue(0u);  // -100
  model.imageLinks = {DS_ImageFileLink(0, u"dab.png")};
  RuntimeObjects objects{DS_SafePtr<DS_ABObj>(model.CreateRuntime())};
  objects[0]->Update(0.0f);
  Pixels px = Frame(*light, objects);
  int left = 0, right = 0;
  for (UINT y = 0; y < px.height; ++y)
    for (UINT x = 0; x < px.width; ++x) {
      if (Sum(px.at(x, y)) <= Sum(kGrey) + 12) continue;
      if (x < 38) ++left;
      if (x >= 48) ++right;
    }
  EXPECT_GT(left, 20);
  EXPECT_EQ(right, 0);
}

}  // namespace
