// The clock and the butterfly drawn headlessly with the pack's meshes and
// pictures over a grey slide: hands at an injected time, a butterfly where
// its flight put it.
#include <gtest/gtest.h>

#include <memory>

#include "core/crt.h"
#include "player/slide_render_context.h"
#include "resources/builtin_resources.h"
#include "scene/butterfly_clock.h"
#include "tests/player/render_fixtures.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kGrey = kSlideGrey;  // the slide picture

class ClockPixels : public SlideLightTest {
 protected:
  void SetUp() override {
    SlideLightTest::SetUp();
    RegisterBuiltInResources();
    StartSlide();
  }
  void TearDown() override {
    crt_set_local_time(nullptr);
    SlideLightTest::TearDown();
  }
  static bool Dark(D3DCOLOR c) { return (c & 0xFF) < 100 && (c >> 8 & 0xFF) < 100 && (c >> 16 & 0xFF) < 100; }
  // The dial's cream: red above 200, blue below red.
  static bool Cream(D3DCOLOR c) { return (c >> 16 & 0xFF) > 200 && (c & 0xFF) < (c >> 16 & 0xFF); }
};

TEST_F(ClockPixels, AtThreeTheHourHandPointsRightAndTheMinuteHandUp) {
  crt_set_local_time([] { return CrtTimeOfDay{3, 0, 0}; });
  DS_ClockConstructor clock;
  clock.clockRect.extra1.value = 32;
  clock.clockRect.extra2.value = 32;
  clock.size.value = 400;  // hands 4 pixels wide, the dial past the picture
  objects_.push_back(DS_SafePtr<DS_ABObj>(clock.CreateRuntime()));
  objects_.back()->Update(0.0f);
  Pixels px = Frame();
  for (UINT x : {44u, 52u, 60u}) EXPECT_TRUE(Dark(px.at(x, 32))) << "hour hand at x " << x << std::hex << " " << px.at(x, 32);
  for (UINT y : {20u, 12u, 4u}) EXPECT_TRUE(Dark(px.at(32, y))) << "minute hand at y " << y << std::hex << " " << px.at(32, y);
  // Beyond the short tails the dial shows: left of the centre and below it.
  for (auto [x, y] : {std::pair{8u, 32u}, std::pair{32u, 58u}, std::pair{52u, 12u}})
    EXPECT_TRUE(Cream(px.at(x, y))) << x << ", " << y << std::hex << " " << px.at(x, y);

  // Half past nine: the hour hand between nine and ten, the minute hand down.
  crt_set_local_time([] { return CrtTimeOfDay{9, 30, 0}; });
  objects_.back()->Update(0.1f);
  px = Frame();
  for (auto [x, y] : {std::pair{13u, 27u}, std::pair{7u, 25u}})  // 285 degrees: left, a little up
    EXPECT_TRUE(Dark(px.at(x, y))) << x << ", " << y << std::hex << " " << px.at(x, y);
  EXPECT_TRUE(Dark(px.at(32, 58))) << std::hex << px.at(32, 58);  // the minute hand down
  EXPECT_TRUE(Cream(px.at(56, 32))) << std::hex << px.at(56, 32);
  EXPECT_TRUE(Cream(px.at(32, 4))) << std::hex << px.at(32, 4);
}

TEST_F(ClockPixels, AButterflyShowsItsBodyWhereItFlies) {
  crt_srand(5);
  DS_ButterflyConstructor butterfly;
  butterfly.size.value = 200;  // a 50-pixel body
  butterfly.imageLink.name = u"common_res.dll";
  butterfly.imageLink.id = 6;  // the body's picture on the wings too
  objects_.push_back(DS_SafePtr<DS_ABObj>(butterfly.CreateRuntime()));
  auto* array = static_cast<DS_3DObjArray*>(objects_.back().get());
  auto* flight = static_cast<AC_Butterfly*>(array->roots.front()->controller);
  flight->position = D3DXVECTOR3(32, 32, 0);
  flight->heading = {0, 0, 350};
  flight->vertical = {0, 0, 250};
  flight->forward = {0, 0, 350};
  objects_.back()->Update(0.0f);
  Pixels px = Frame();
  // The body, 50 pixels long, lies along x with its head raised by the tilt
  // and the slow-flight pitch; nothing is drawn far from the position.
  int body = 0, astray = 0;
  for (UINT y = 0; y < kBack; ++y)
    for (UINT x = 0; x < kBack; ++x) {
      if (Near(px.at(x, y), kGrey, 8)) continue;
      const int dx = static_cast<int>(x) - 32, dy = static_cast<int>(y) - 32;
      ++(dx * dx <= 28 * 28 && dy * dy <= 16 * 16 ? body : astray);
    }
  EXPECT_GT(body, 150);
  EXPECT_EQ(astray, 0);
  EXPECT_TRUE(Near(px.at(2, 2), kGrey)) << std::hex << px.at(2, 2);
  EXPECT_TRUE(Near(px.at(61, 61), kGrey)) << std::hex << px.at(61, 61);
}

TEST_F(ClockPixels, ANewFaceLinkReloadsTheFaceOnly) {
  DS_ClockConstructor clock;
  DS_SafePtr<DS_ABObj> runtime(clock.CreateRuntime());
  auto* array = static_cast<DS_3DObjArray*>(runtime.get());
  auto* clone = static_cast<DS_ClockConstructor*>(array->ObjModel());
  IDirect3DTexture9* face = array->meshes[0].texture.Get();
  IDirect3DTexture9* hand = array->meshes[1].texture.Get();
  ASSERT_NE(face, nullptr);
  ASSERT_NE(hand, nullptr);
  ASSERT_NE(face, hand);
  clone->imageLink.id = 72;  // the hand's picture as the face
  clone->imageLink.Notify(nullptr);
  EXPECT_EQ(array->meshes[0].texture.Get(), hand);
  EXPECT_EQ(array->meshes[1].texture.Get(), hand);
  EXPECT_TRUE(array->meshes[0].HasMesh());
  // The model the project holds is not the runtime's: it remembers nothing.
  EXPECT_EQ(clock.loaded, nullptr);
}

}  // namespace
