// The sample's generators played through the player: the sparkles of the
// dawn slide are brighter than the picture under them, and the aurora of the
// night slide moves from one frame to the next.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e_support.h"
#include "tools/sample/sample_generators.h"

namespace {

int Brightness(const runner::Frame& f, int x, int y) { return f.Red(x, y) + f.Green(x, y) + f.Blue(x, y); }

TEST(SampleGenerators, SparklesOutshineTheDawnAndTheAuroraMoves) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  ASSERT_EQ(d.slides[0].name, u"Dawn");
  ASSERT_EQ(d.slides[3].name, u"Night");

  e2e::SlideClock clock(d);
  double t = 0.0;
  const double step = 0.05;
  ASSERT_TRUE(e2e::PlayInto(clock, t, 0, 1.5f + d.slides[0].fadeIn, step));
  ASSERT_EQ(runner::CurrentSlideIndex(), 0);
  runner::Frame dawn = runner::ReadBackBuffer();
  // The dawn picture fills the window at half its size.
  for (const auto& s : sample::kSparkles) {
    const int x = static_cast<int>(s[0] * 0.5f), y = static_cast<int>(s[1] * 0.5f);
    const sample::Rgb under = d.slides[0].picture.At(s[0], s[1]);
    EXPECT_GT(Brightness(dawn, x, y), static_cast<int>(under.r + under.g + under.b) + 60)
        << "sparkle at " << x << ", " << y;
  }

  t += step;
  ASSERT_TRUE(e2e::PlayInto(clock, t, 3, d.slides[3].fadeIn + 0.5f, step));
  ASSERT_EQ(runner::CurrentSlideIndex(), 3);
  runner::Frame first = runner::ReadBackBuffer();
  t += step;
  for (const double end = t + 0.6; t < end; t += step) runner::FrameAt(t);
  ASSERT_EQ(runner::CurrentSlideIndex(), 3);
  runner::Frame second = runner::ReadBackBuffer();

  // The night picture (300 x 450) letterboxed into 460 x 215.
  const float scale = 215.0f / 450.0f, left = (460.0f - 300.0f * scale) * 0.5f;
  const int y0 = static_cast<int>((sample::kAuroraY - sample::kAuroraHeight * 0.5f) * scale);
  const int y1 = static_cast<int>((sample::kAuroraY + sample::kAuroraHeight * 0.5f) * scale);
  long changed = 0, green = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = static_cast<int>(left + 30 * scale); x < static_cast<int>(left + 270 * scale); ++x) {
      changed += std::abs(first.Green(x, y) - second.Green(x, y));
      green += first.Green(x, y) - first.Red(x, y);
    }
  EXPECT_GT(changed, 2000) << "the curtain moves";
  EXPECT_GT(green, 20000) << "the curtain shows";
}

}  // namespace
