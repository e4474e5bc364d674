// The sample's lines slide played headlessly: half-way through its fade-in
// the growing ribbon covers the first half of its path and nothing beyond,
// and a corner of the turning tile lies where its angle puts it.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e_support.h"
#include "tools/sample/sample_objects.h"

namespace {

constexpr float kScale = 0.5f;  // the 920 x 430 picture in the 460 x 215 window

int SlideIndex(const sample::Description& d) {
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == sample::kObjectsSlideName) return static_cast<int>(i);
  return -1;
}

TEST(SampleObjects, HalfGrownRibbonAndTurnedTile) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const int index = SlideIndex(d);
  ASSERT_GE(index, 0);
  const sample::Slide& slide = d.slides[index];

  e2e::SlideClock clock(d);
  const float half = sample::kRibbonFadeIn / 2.0f;
  double t = 0.0;
  for (;; t += e2e::NextStep(clock, index, 0.05)) {
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide == index && clock.local >= half - 1e-3f) break;
    ASSERT_LT(t, 400.0) << "the lines slide never came";
  }
  ASSERT_EQ(runner::CurrentSlideIndex(), index);
  const runner::Frame f = runner::ReadBackBuffer();
  const float local = clock.local;

  // The ribbon: its colour over the first 45 % of the path, the picture from
  // 55 % on.
  const float y = sample::kRibbonY;
  const float length = sample::kRibbonTo - sample::kRibbonFrom;
  for (float share : {0.05f, 0.25f, 0.45f}) {
    const float x = sample::kRibbonFrom + length * share;
    EXPECT_TRUE(e2e::PixelNear(f, static_cast<int>(x * kScale), static_cast<int>(y * kScale),
                               sample::kRibbonColour, 8))
        << share;
  }
  for (float share : {0.55f, 0.75f, 0.95f}) {
    const float x = sample::kRibbonFrom + length * share;
    EXPECT_TRUE(e2e::PixelNear(f, static_cast<int>(x * kScale), static_cast<int>(y * kScale),
                               slide.picture.At(x, y), 8))
        << share;
  }

  // The ribbon's picture is soft across its width: near its edge it lies
  // between its colour and the picture behind.
  {
    const float x = sample::kRibbonFrom + length * 0.25f;
    const int px = static_cast<int>(x * kScale);
    const float edgeY = y + sample::kRibbonWidth * 0.42f;
    const int py = static_cast<int>(edgeY * kScale);
    const sample::Rgb under = slide.picture.At(x, edgeY);
    const float got = static_cast<float>(f.Red(px, py));
    EXPECT_GT(got, under.r + 20.0f);
    EXPECT_LT(got, under.r + 0.8f * (sample::kRibbonColour.r - under.r));
  }

  // The tile's right-bottom corner turned by its angle about the centre.
  const float a = sample::kTileDegreesPerSecond * local * 3.1415927f / 180.0f;
  const float dx = sample::kTileWidth / 2.0f, dy = sample::kTileHeight / 2.0f;
  auto turned = [&](float s) {
    return std::pair{sample::kTileCentre[0] + s * (dx * std::cos(a) - dy * std::sin(a)),
                     sample::kTileCentre[1] + s * (dx * std::sin(a) + dy * std::cos(a))};
  };
  const auto [ix, iy] = turned(0.85f);
  EXPECT_TRUE(e2e::PixelNear(f, static_cast<int>(ix * kScale), static_cast<int>(iy * kScale), sample::kTileColour, 8));
  // Where the right-top corner stood upright there is picture now.
  const float ux = sample::kTileCentre[0] + 0.95f * dx, uy = sample::kTileCentre[1] - 0.95f * dy;
  EXPECT_TRUE(e2e::PixelNear(f, static_cast<int>(ux * kScale), static_cast<int>(uy * kScale), slide.picture.At(ux, uy), 8));
}

}  // namespace
