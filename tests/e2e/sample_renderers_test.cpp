// The sample's glass-ball and lake slides played through the application:
// the ball stands in a gradient, the lake mirrors the sky above its horizon.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e_support.h"

using e2e::PixelNear;

namespace {

// Plays the sample until the slide of the given name is shown, past its fade-in.
const sample::Slide* ShowSlide(const char16_t* name) {
  const sample::Description& d = sample::TheSample();
  int index = -1;
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == name) index = static_cast<int>(i);
  if (index < 0) return nullptr;
  e2e::SlideClock clock(d);
  double t = 0.0;
  if (!e2e::PlayInto(clock, t, index, d.slides[index].fadeIn + 0.5f, 0.05)) return nullptr;
  if (runner::CurrentSlideIndex() != index || runner::Document()->OverlayAlpha() != 0.0f) return nullptr;
  return &d.slides[index];
}

double Distance(const runner::Frame& f, int x, int y, sample::Rgb c) {
  return std::abs(f.Red(x, y) - c.r) + std::abs(f.Green(x, y) - c.g) + std::abs(f.Blue(x, y) - c.b);
}

TEST(SampleRenderers, GlassBallStandsInTheGradient) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Slide* glass = ShowSlide(u"Glass");
  ASSERT_NE(glass, nullptr);
  runner::Frame frame = runner::ReadBackBuffer();
  // The ball's middle shows the slide's middle.
  const sample::Picture& p = glass->picture;
  EXPECT_TRUE(PixelNear(frame, 230, 107, p.At(p.width * 0.5f, p.height * 0.5f), 6));
  // Beside the ball: the gradient from the top colour to black, half way down.
  EXPECT_TRUE(PixelNear(frame, 40, 107, {8.0f, 16.0f, 32.0f}, 4));
  EXPECT_TRUE(PixelNear(frame, 420, 4, {16.0f, 32.0f, 64.0f}, 4));
}

TEST(SampleRenderers, LakeMirrorsTheSkyBelowItsHorizon) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Slide* lake = ShowSlide(u"Lake");
  ASSERT_NE(lake, nullptr);
  runner::Frame frame = runner::ReadBackBuffer();
  const sample::Picture& p = lake->picture;
  // The window shows the whole 920 x 430 picture at half size; the lake
  // covers the lower 0.375 of it, its horizon at row 134.4.
  const float horizon = 215.0f * 0.625f;
  for (int x : {60, 230, 400}) {
    const int y = 200;
    const float mirrored = horizon - (static_cast<float>(y) + 0.5f - horizon);
    const sample::Rgb sky = p.At((x + 0.5f) * 2.0f, mirrored * 2.0f);
    const sample::Rgb own = p.At((x + 0.5f) * 2.0f, (y + 0.5f) * 2.0f);
    // Tinted towards (0, 128, 64) by about 0.22 and rippled: near the sky it mirrors.
    const float a = 0.22f;
    const sample::Rgb want{sky.r * (1 - a), sky.g * (1 - a) + 128.0f * a, sky.b * (1 - a) + 64.0f * a};
    EXPECT_TRUE(PixelNear(frame, x, y, want, 24)) << x;
    EXPECT_LT(Distance(frame, x, y, want), Distance(frame, x, y, own)) << x;
  }
  // Above the horizon the picture is as it is.
  EXPECT_TRUE(PixelNear(frame, 230, 60, p.At(460.0f, 120.0f), 4));
}

// The water moves: the sample stores a normal map of its own, so frames a
// moment apart differ below the horizon and not above it.
TEST(SampleRenderers, LakeRipplesOverTime) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  int index = -1;
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == u"Lake") index = static_cast<int>(i);
  ASSERT_GE(index, 0);
  e2e::SlideClock clock(d);
  double t = 0.0;
  ASSERT_TRUE(e2e::PlayInto(clock, t, index, d.slides[index].fadeIn + 0.5f, 0.05));
  const runner::Frame first = runner::ReadBackBuffer();
  runner::FrameAt(t + 0.3);
  const runner::Frame later = runner::ReadBackBuffer();
  const int horizon = static_cast<int>(215.0f * 0.625f);
  int changedBelow = 0, changedAbove = 0;
  for (int y = 0; y < first.height; ++y)
    for (int x = 0; x < first.width; ++x) {
      const int diff = std::abs(first.Red(x, y) - later.Red(x, y)) + std::abs(first.Green(x, y) - later.Green(x, y)) +
                       std::abs(first.Blue(x, y) - later.Blue(x, y));
      if (diff <= 12) continue;
      if (y > horizon + 2) ++changedBelow;
      if (y < horizon - 12) ++changedAbove;
    }
  // A good share of the water moves; the sky stands still.
  EXPECT_GT(changedBelow, first.width * (first.height - horizon) / 10);
  EXPECT_EQ(changedAbove, 0);
}

}  // namespace
