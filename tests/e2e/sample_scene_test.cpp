// The sample's storm slide played headlessly: the electric arc brightens the
// sky along its line, leaves the corners alone and changes from frame to
// frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "e2e_support.h"
#include "tools/sample/sample_scene.h"

namespace {

// The storm slide's index and the picture-to-window scale (the 920 x 430
// picture fills the 460 x 215 window).
constexpr float kScale = 0.5f;

int StormIndex(const sample::Description& d) {
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == sample::kStormSlideName) return static_cast<int>(i);
  return -1;
}

int Brightness(const runner::Frame& f, int x, int y) { return f.Red(x, y) + f.Green(x, y) + f.Blue(x, y); }

TEST(SampleScene, ArcBrightensTheSkyAlongItsLineAndMoves) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const int storm = StormIndex(d);
  ASSERT_GE(storm, 0);
  const sample::Slide& slide = d.slides[storm];

  // Play to the middle of the storm slide's show time.
  e2e::SlideClock clock(d);
  const double step = 0.05;
  double t = 0.0;
  for (;; t += e2e::NextStep(clock, storm, step)) {
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide == storm && clock.local > slide.fadeIn + 1.0f) break;
    ASSERT_LT(t, 200.0) << "the storm slide never came";
  }
  ASSERT_EQ(runner::CurrentSlideIndex(), storm);
  runner::Frame first = runner::ReadBackBuffer();
  runner::FrameAt(t + 0.1);
  runner::FrameAt(t + 0.2);
  runner::Frame later = runner::ReadBackBuffer();

  // Along the straight line between the ends: the brightest pixel near the
  // line is brighter than the picture there.
  int lit = 0, samples = 0, changed = 0;
  for (float u = 0.1f; u <= 0.9f; u += 0.05f, ++samples) {
    const float px = sample::kArcStart[0] + (sample::kArcEnd[0] - sample::kArcStart[0]) * u;
    const float py = sample::kArcStart[1] + (sample::kArcEnd[1] - sample::kArcStart[1]) * u;
    const int x = static_cast<int>(px * kScale), y = static_cast<int>(py * kScale);
    const sample::Rgb c = slide.picture.At(px, py);
    const int picture = static_cast<int>(c.r + c.g + c.b);
    int brightest = 0;
    for (int dy = -14; dy <= 14; ++dy) {
      const int yy = std::clamp(y + dy, 0, first.height - 1);
      brightest = std::max(brightest, Brightness(first, x, yy));
      if (std::abs(Brightness(first, x, yy) - Brightness(later, x, yy)) > 24) ++changed;
    }
    if (brightest > picture + 60) ++lit;
  }
  EXPECT_GE(lit, samples * 3 / 4) << lit << " of " << samples;
  EXPECT_GT(changed, 0) << "the arc looks the same 0.2 s later";

  for (auto [x, y] : {std::pair{2, 2}, std::pair{457, 2}, std::pair{2, 212}, std::pair{457, 212}}) {
    EXPECT_TRUE(e2e::PixelNear(first, x, y, slide.picture.At(x / kScale, y / kScale), 6)) << x << "," << y;
  }
}

}  // namespace
