// The sample's tree-structured system: its stem scatters added yellow leaves
// round the Grove picture's centre; far from it the picture is unchanged.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e_support.h"
#include "tools/sample/sample_trees.h"

using e2e::PixelNear;

namespace {

TEST(SampleTrees, TheStemScattersLeavesRoundItsRoot) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  int grove = 0;
  while (grove < static_cast<int>(d.slides.size()) && d.slides[grove].name != u"Grove") ++grove;
  ASSERT_LT(grove, static_cast<int>(d.slides.size()));
  const sample::Slide& slide = d.slides[grove];
  const sample::TreeGrove& g = sample::Grove();

  // Into the shown part of the slide, leaves flying for over a second.
  e2e::SlideClock clock(d);
  double t = -0.04;
  // Coarse steps through the slides before it.
  for (;;) {
    t += clock.slide == grove ? 0.04 : 0.25;
    ASSERT_LT(t, 120.0) << "the Grove slide never showed";
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide == grove && clock.local >= slide.fadeIn + 1.5f) break;
  }
  ASSERT_EQ(runner::CurrentSlideIndex(), grove);
  runner::Frame frame = runner::ReadBackBuffer();
  ASSERT_EQ(frame.width, 460);
  const float scale = 460.0f / static_cast<float>(slide.picture.width);
  // Leaves brighten spots within their flight round the root.
  const float reach = g.speed * g.life;
  int lit = 0, looked = 0;
  for (float r = 0.15f * reach; r < reach; r += 0.1f * reach) {
    for (int a = 0; a < 36; ++a) {
      const float px = g.x + r * std::cos(a * 0.1745329f), py = g.y + r * std::sin(a * 0.1745329f);
      const int wx = static_cast<int>(px * scale), wy = static_cast<int>(py * scale);
      const sample::Rgb under = slide.picture.At(px, py);
      ++looked;
      if (frame.Red(wx, wy) > under.r + 60 && frame.Green(wx, wy) > under.g + 40) ++lit;
    }
  }
  EXPECT_GT(lit, looked / 20) << lit << " of " << looked;
  // Beyond their reach the picture shows as it is.
  for (auto [x, y] : {std::pair{10, 10}, std::pair{450, 10}, std::pair{10, 205}, std::pair{450, 205}}) {
    EXPECT_TRUE(PixelNear(frame, x, y, slide.picture.At(x / scale, y / scale), 6)) << x << ", " << y;
  }
}

}  // namespace
