// The sample's screen-effect slide played headlessly: during even seconds of
// the colour shift's clock the picture shows as it is, during odd seconds
// every hue is turned half round (for a colour, max + min - channel), while
// the light wave keeps to the picture's left part.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e_support.h"

using e2e::PixelNear;

namespace {

constexpr int kCentreX = 230, kCentreY = 107;  // of the 460 x 215 window

sample::Rgb HalfTurn(sample::Rgb c) {
  const float mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
  return {mx + mn - c.r, mx + mn - c.g, mx + mn - c.b};
}

TEST(SampleEffects, ColourShiftAlternatesEverySecond) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const int last = static_cast<int>(d.slides.size()) - 1;
  const sample::Slide& slide = d.slides[last];
  ASSERT_EQ(slide.name, u"Glow");
  const sample::Rgb centre = slide.picture.At(slide.picture.width * 0.5f, slide.picture.height * 0.5f);

  e2e::SlideClock clock(d);
  const double step = 0.05;
  int checks = 0;
  bool evenSeen = false, oddSeen = false;
  for (int n = 0; !(evenSeen && oddSeen); ++n) {
    const double t = n * step;
    ASSERT_LT(t, 60.0) << "the effect slide never showed both seconds";
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    ASSERT_EQ(runner::CurrentSlideIndex(), clock.slide);
    // Mid-second times of the shown phase, away from the whole seconds.
    const float frac = clock.local - std::floor(clock.local);
    if (clock.slide != last || clock.local < 1.5f || clock.local > 4.8f || frac < 0.3f || frac > 0.7f) continue;
    const bool odd = static_cast<int>(std::floor(clock.local)) % 2 == 1;
    runner::Frame frame = runner::ReadBackBuffer();
    EXPECT_TRUE(PixelNear(frame, kCentreX, kCentreY, odd ? HalfTurn(centre) : centre, 6)) << "local " << clock.local;
    (odd ? oddSeen : evenSeen) = true;
    ++checks;
  }
  EXPECT_GT(checks, 4);
}

}  // namespace
