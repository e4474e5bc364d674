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
  for (;;) {
    t += e2e::NextStep(clock, grove, 0.04);
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

namespace {

// The row under the root pulses (a cell's dot grows and shrinks) in a wave
// (neighbouring cells at other sizes), and the stream's sparks light a fan
// up and to the right of it.
TEST(SampleTrees, TheRowPulsesInWavesAndTheStreamFansSparks) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  int grove = 0;
  while (grove < static_cast<int>(d.slides.size()) && d.slides[grove].name != u"Grove") ++grove;
  ASSERT_LT(grove, static_cast<int>(d.slides.size()));
  const sample::Slide& slide = d.slides[grove];
  const sample::TreeGrove& g = sample::Grove();
  const float scale = 460.0f / static_cast<float>(slide.picture.width);

  // A spot 12 picture pixels right of each cell's centre is covered only
  // while that cell's dot is large.
  auto covered = [&](const runner::Frame& f, int cell) {
    const float px = g.x + (static_cast<float>(cell) - (g.cells - 1) * 0.5f) * g.cellStep + 12.0f;
    const float py = g.y + g.rowBelow;
    const int wx = static_cast<int>(px * scale), wy = static_cast<int>(py * scale);
    const sample::Rgb under = slide.picture.At(px, py);
    return f.Blue(wx, wy) > under.b + 60;
  };
  e2e::SlideClock clock(d);
  double t = -0.04;
  std::vector<std::vector<bool>> rows;
  runner::Frame sparks;
  for (;;) {
    t += e2e::NextStep(clock, grove, 0.04);
    ASSERT_LT(t, 120.0) << "the Grove slide never showed";
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide != grove || clock.local < slide.fadeIn + 0.5f) continue;
    if (clock.local > slide.fadeIn + slide.show) break;
    runner::Frame f = runner::ReadBackBuffer();
    std::vector<bool> row;
    for (int c = 0; c < g.cells; ++c) row.push_back(covered(f, c));
    rows.push_back(row);
    if (clock.local >= slide.fadeIn + 1.5f && sparks.width == 0) sparks = f;
  }
  ASSERT_GT(rows.size(), 10u);
  int pulsing = 0, waves = 0;
  for (int c = 0; c < g.cells; ++c) {
    bool on = false, off = false;
    for (const auto& row : rows) (row[static_cast<size_t>(c)] ? on : off) = true;
    if (on && off) ++pulsing;
  }
  for (const auto& row : rows) {
    bool on = false, off = false;
    for (bool b : row) (b ? on : off) = true;
    if (on && off) ++waves;
  }
  EXPECT_GE(pulsing, g.cells - 1) << "cells grow and shrink";
  EXPECT_GT(waves, static_cast<int>(rows.size()) / 2) << "cells pulse at different times";

  ASSERT_EQ(sparks.width, 460);
  // The fan: from the stream, 0 to 40 degrees up from the right.
  const float reach = g.sparkSpeed * g.sparkLife;
  int lit = 0, looked = 0;
  for (float r = 0.2f * reach; r < 0.9f * reach; r += 0.1f * reach) {
    for (float a = 5.0f; a < 40.0f; a += 5.0f) {
      const float px = g.x + g.streamX + 20.0f + r * std::cos(a * 0.01745329f);
      const float py = g.y + g.streamY - r * std::sin(a * 0.01745329f);
      const int wx = static_cast<int>(px * scale), wy = static_cast<int>(py * scale);
      const sample::Rgb under = slide.picture.At(px, py);
      ++looked;
      if (sparks.Red(wx, wy) > under.r + 60) ++lit;
    }
  }
  EXPECT_GT(lit, looked / 10) << lit << " of " << looked;
}

}  // namespace
