// The sample's screen-effect slides played headlessly. Glow: during even seconds of
// the colour shift's clock the picture shows as it is, during odd seconds
// every hue is turned half round (for a colour, max + min - channel), while
// the light wave keeps to the picture's left part.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "e2e_support.h"

using e2e::PixelNear;

namespace {

constexpr int kCentreX = 230, kCentreY = 107;  // of the 460 x 215 window

// Twice the sample's loop: every slide shows within it.
double TwoLoops(const sample::Description& d) {
  double loop = 0.0;
  for (const auto& s : d.slides) loop += s.Duration();
  return 2.0 * loop;
}

sample::Rgb HalfTurn(sample::Rgb c) {
  const float mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
  return {mx + mn - c.r, mx + mn - c.g, mx + mn - c.b};
}

TEST(SampleEffects, ColourShiftAlternatesEverySecond) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  int last = 0;
  while (last < static_cast<int>(d.slides.size()) && d.slides[last].name != u"Glow") ++last;
  ASSERT_LT(last, static_cast<int>(d.slides.size()));
  const sample::Slide& slide = d.slides[last];
  const sample::Rgb centre = slide.picture.At(slide.picture.width * 0.5f, slide.picture.height * 0.5f);

  e2e::SlideClock clock(d);
  const double step = 0.05;
  int checks = 0;
  bool evenSeen = false, oddSeen = false;
  for (double t = 0.0; !(evenSeen && oddSeen); t += e2e::NextStep(clock, last, step)) {
    ASSERT_LT(t, TwoLoops(d)) << "the effect slide never showed both seconds";
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    ASSERT_EQ(runner::CurrentSlideIndex(), clock.slide);
    // Mid-second times of the shown phase, away from the whole seconds.
    const float frac = clock.local - std::floor(clock.local);
    if (clock.slide != last || clock.local < slide.fadeIn || clock.local > slide.fadeIn + slide.show || frac < 0.3f ||
        frac > 0.7f)
      continue;
    const bool odd = static_cast<int>(std::floor(clock.local)) % 2 == 1;
    runner::Frame frame = runner::ReadBackBuffer();
    EXPECT_TRUE(PixelNear(frame, kCentreX, kCentreY, odd ? HalfTurn(centre) : centre, 6)) << "local " << clock.local;
    (odd ? oddSeen : evenSeen) = true;
    ++checks;
  }
  EXPECT_GT(checks, 4);
}

}  // namespace

namespace {

// The pool ripples and shimmers in its middle while its white corners stay.
TEST(SampleEffects, PoolMovesInTheMiddleAndNotInTheCorners) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  int last = -1;
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == u"Pool") last = static_cast<int>(i);
  ASSERT_GE(last, 0) << "the sample has a pool slide";
  e2e::SlideClock clock(d);
  const double step = 0.05;
  std::vector<runner::Frame> shown;
  const sample::Slide& pool = d.slides[last];
  const float early = pool.fadeIn + 0.2f * pool.show, late = pool.fadeIn + 0.8f * pool.show;
  for (double t = 0.0; shown.size() < 2; t += e2e::NextStep(clock, last, step)) {
    ASSERT_LT(t, TwoLoops(d)) << "the pool slide never showed";
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide != last) continue;
    // Two frames of the shown phase, well apart.
    if ((shown.empty() && clock.local >= early) || (shown.size() == 1 && clock.local >= late))
      shown.push_back(runner::ReadBackBuffer());
  }
  int moved = 0;
  for (int y = 97; y <= 117; y += 5)
    for (int x = 220; x <= 240; x += 5)
      for (int c = 0; c < 3; ++c) {
        const size_t i = shown[0].Index(x, y) + c;
        moved = std::max(moved, std::abs(shown[0].bgra[i] - shown[1].bgra[i]));
      }
  EXPECT_GT(moved, 20) << "the middle changes over time";
  for (auto [x, y] : {std::pair{4, 4}, std::pair{455, 4}, std::pair{4, 210}, std::pair{455, 210}})
    for (const runner::Frame& f : shown)
      EXPECT_TRUE(PixelNear(f, x, y, {255.0f, 255.0f, 255.0f})) << "corner " << x << ", " << y;
}

}  // namespace
