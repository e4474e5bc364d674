// The sample's classic fountain: its plume of added soft dots brightens the
// Dawn picture above its source, and the rest of the picture is unchanged.
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "tools/sample/sample_classic.h"

using e2e::PixelNear;

namespace {

TEST(SampleClassic, DawnFountainBrightensItsPlumeOnly) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const sample::ClassicFountain& f = sample::DawnFountain();
  ASSERT_EQ(f.slide, 0u);
  const sample::Slide& dawn = d.slides[0];
  // Into the shown part of the first slide (it starts without its fade-in).
  for (double t = 0.0; t <= 2.0; t += 0.05) runner::FrameAt(t);
  ASSERT_EQ(runner::CurrentSlideIndex(), 0);
  runner::Frame frame = runner::ReadBackBuffer();
  ASSERT_EQ(frame.width, 460);
  const float scale = 460.0f / static_cast<float>(dawn.picture.width);
  // Half-way up the plume, on its axis.
  const float px = f.x, py = f.y - f.range * 0.4f;
  const int wx = static_cast<int>(px * scale), wy = static_cast<int>(py * scale);
  const sample::Rgb under = dawn.picture.At(px, py);
  const int sum = frame.Red(wx, wy) + frame.Green(wx, wy) + frame.Blue(wx, wy);
  EXPECT_GT(sum, static_cast<int>(under.r + under.g + under.b) + 30) << "plume at " << wx << ", " << wy;
  // Away from the plume the picture is untouched.
  for (auto [x, y] : {std::pair{300, 40}, std::pair{420, 190}, std::pair{20, 20}}) {
    const sample::Rgb want = dawn.picture.At(x / scale, y / scale);
    EXPECT_TRUE(PixelNear(frame, x, y, want, 6));
  }
}

}  // namespace
