// The sample's flame-light and underwater slides played through the
// application: the fire band burns red to yellow in the lower part of the
// hearth and leaves the sky above it; the seabed shows its own picture (water,
// sand under caustic light) moved by no more than the wobble's amplitude.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e_support.h"

using e2e::PixelNear;

namespace {

// Plays the sample until the slide of the given name is shown, past its fade-in.
const sample::Slide* ShowSlide(const char16_t* name, float past = 0.5f) {
  const sample::Description& d = sample::TheSample();
  int index = -1;
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == name) index = static_cast<int>(i);
  if (index < 0) return nullptr;
  e2e::SlideClock clock(d);
  double t = 0.0;
  if (!e2e::PlayInto(clock, t, index, d.slides[index].fadeIn + past, 0.05)) return nullptr;
  if (runner::CurrentSlideIndex() != index || runner::Document()->OverlayAlpha() != 0.0f) return nullptr;
  return &d.slides[index];
}

TEST(SampleWaterFire, HearthBurnsInTheLowerPartOnly) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Slide* hearth = ShowSlide(u"Hearth");
  ASSERT_NE(hearth, nullptr);
  runner::Frame frame = runner::ReadBackBuffer();
  const sample::Picture& p = hearth->picture;
  // The window shows the whole 920 x 430 picture at half size; the band
  // starts at 0.35 of its height (row 75) and only its lower part is bright.
  for (int y : {10, 40, 70})
    for (int x : {30, 230, 430})
      EXPECT_TRUE(PixelNear(frame, x, y, p.At((x + 0.5f) * 2.0f, (y + 0.5f) * 2.0f), 6)) << x << "," << y;
  int burning = 0, checked = 0;
  for (int y = 185; y < 213; y += 3) {
    for (int x = 5; x < 460; x += 10) {
      const sample::Rgb under = p.At((x + 0.5f) * 2.0f, (y + 0.5f) * 2.0f);
      const float dr = frame.Red(x, y) - under.r, dg = frame.Green(x, y) - under.g, db = frame.Blue(x, y) - under.b;
      ++checked;
      EXPECT_LT(db, 12.0f) << "fire adds no blue at " << x << "," << y;
      EXPECT_GE(dr + 6.0f, dg) << "red to yellow at " << x << "," << y;
      if (dr > 60.0f) ++burning;
    }
  }
  EXPECT_GT(burning, checked / 3) << "the lower band burns";
}

TEST(SampleWaterFire, SeabedShowsItsPictureThroughAGentleWobble) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Slide* seabed = ShowSlide(u"Seabed");
  ASSERT_NE(seabed, nullptr);
  runner::Frame frame = runner::ReadBackBuffer();
  const sample::Picture& p = seabed->picture;
  // The window shows the 920 x 430 picture at half size; a wobble of 0.00625
  // of the width moves it by up to about 3 window pixels.
  int moved = 0;
  for (int y = 10; y < 215; y += 16) {
    for (int x = 10; x < 450; x += 11) {
      auto distance = [&](float px, float py) {
        const sample::Rgb c = p.At(px * 2.0f, py * 2.0f);
        return std::abs(frame.Red(x, y) - c.r) + std::abs(frame.Green(x, y) - c.g) + std::abs(frame.Blue(x, y) - c.b);
      };
      float best = 1e9f;
      for (float dy = -3.5f; dy <= 3.5f; dy += 0.5f)
        for (float dx = -3.5f; dx <= 3.5f; dx += 0.5f) best = std::min(best, distance(x + 0.5f + dx, y + 0.5f + dy));
      EXPECT_LT(best, 16.0f) << "shows the picture from near by at " << x << "," << y;
      if (distance(x + 0.5f, y + 0.5f) > 20.0f) ++moved;
    }
  }
  EXPECT_GT(moved, 5) << "the light pattern wobbles";
  // Water above, sand below.
  EXPECT_GT(frame.Blue(230, 30), frame.Red(230, 30) + 60);
  EXPECT_GT(frame.Red(300, 200), frame.Blue(300, 200) + 30);
}

}  // namespace
