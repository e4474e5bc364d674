// The sample's node-tree slide played headlessly: its glowing dots stand in
// a row across the middle of the picture, white at their centres, with an
// amber glow about them, and a cyan ribbon that a group carried half-way along
// its curve, and a comet with an orange tail fading behind it on its track; the
// rest of the picture is unchanged; a picture of four coloured quarters
// stands whole, then bursts: its centre shows the picture behind it with
// fragments around.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e_support.h"
#include "particles/nodes/groups.h"
#include "particles/nodes/particle_system.h"
#include "tools/sample/sample_nodes.h"

using e2e::PixelNear;

namespace {

int SlideIndex(const sample::Description& d, const char16_t* name) {
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == name) return static_cast<int>(i);
  return -1;
}

// The slide's node systems and groups drawn or not: the frame at time t again.
runner::Frame FrameWith(int slide, bool shown, double t) {
  auto& objects = runner::Document()->slides[static_cast<size_t>(slide)]->drawnObjects;
  for (auto& o : objects)
    if (dynamic_cast<ZVI_PtclSys_Obj*>(o.get()) || dynamic_cast<ZVI_Group_Obj*>(o.get())) o->SetRunning(shown);
  runner::FrameAt(t);
  runner::Frame f = runner::ReadBackBuffer();
  for (auto& o : objects) o->SetRunning(true);
  return f;
}

TEST(SampleNodes, GlowingDotsInARowAndARibbonCarriedByAGroup) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const sample::NodeGlowSlide& lanterns = sample::LanternSlide();
  const int index = SlideIndex(d, lanterns.name);
  ASSERT_GE(index, 0);
  const sample::Slide& slide = d.slides[index];
  e2e::SlideClock clock(d);
  double t = 0.0;
  for (;; t += e2e::NextStep(clock, index, 0.1)) {
    ASSERT_LT(t, 300.0) << "the node slide never came";
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide == index && clock.local >= slide.fadeIn + 0.5f) break;
  }
  ASSERT_EQ(runner::CurrentSlideIndex(), index);
  int systems = 0;
  for (auto& o : runner::Document()->slides[index]->drawnObjects)
    if (dynamic_cast<ZVI_PtclSys_Obj*>(o.get())) ++systems;
  ASSERT_EQ(systems, 2);
  const runner::Frame without = FrameWith(index, false, t);
  const runner::Frame with = FrameWith(index, true, t);
  if (std::getenv("NODE_SAMPLE_PNG")) {
    runner::WritePng(with, "node_sample_with.png");
    runner::WritePng(without, "node_sample_without.png");
  }
  ASSERT_EQ(with.width, 460);
  const float scale = 460.0f / static_cast<float>(lanterns.width);
  // Without the system the picture shows as it is.
  for (auto [x, y] : {std::pair{230, 107}, std::pair{40, 30}}) {
    EXPECT_TRUE(PixelNear(without, x, y, slide.picture.At(x / scale, y / scale), 6));
  }
  const int radius = static_cast<int>(lanterns.dotSize * scale * 0.5f);
  for (uint32_t i = 0; i < lanterns.columns; ++i) {
    const int x = static_cast<int>(lanterns.DotX(i) * scale), y = static_cast<int>(lanterns.DotY() * scale);
    SCOPED_TRACE(i);
    // The opaque middle of the dot.
    EXPECT_TRUE(PixelNear(with, x, y, {255, 255, 255}, 8));
    // Just outside the dot's quad: amber light added to the picture, red
    // and green raised much more than blue.
    for (int dx : {-radius - 3, radius + 3}) {
      const sample::Rgb under = slide.picture.At((x + dx) / scale, y / scale);
      EXPECT_GT(with.Red(x + dx, y), under.r + 30) << dx;
      EXPECT_GT(with.Green(x + dx, y), under.g + 20) << dx;
      EXPECT_LT(with.Blue(x + dx, y), under.b + 30) << dx;
    }
  }
  // The group stands half-way along its curve: the cyan ribbon starts there.
  const sample::NodeRibbon& ribbon = sample::LanternRibbon();
  const int ry = static_cast<int>(ribbon.Y() * scale);
  const int rx0 = static_cast<int>(ribbon.StartX() * scale), rx1 = static_cast<int>((ribbon.StartX() + ribbon.length) * scale);
  for (int x : {rx0 + 3, (rx0 + rx1) / 2, rx1 - 3}) EXPECT_TRUE(PixelNear(with, x, ry, {0, 255, 255}, 8)) << x;
  for (int x : {rx0 - 6, rx1 + 6})
    EXPECT_TRUE(PixelNear(with, x, ry, slide.picture.At(x / scale, ry / scale), 6)) << x;
  // The comet runs right along its row: its white head is the rightmost
  // changed pixel, the orange band lies behind it, no longer than the trail
  // lives, and nothing changes ahead of it or beside the band.
  const sample::NodeComet& comet = sample::LanternComet();
  const int cy = static_cast<int>(comet.y * scale);
  const auto changed = [&](int x, int y) {
    return !PixelNear(with, x, y, slide.picture.At(x / scale, y / scale), 12);
  };
  int head = -1;
  for (int x = with.width - 1; x >= 0 && head < 0; --x)
    if (changed(x, cy)) head = x;
  const int cx0 = static_cast<int>(comet.startX * scale), cx1 = static_cast<int>(comet.endX * scale);
  ASSERT_GT(head, cx0 + 40) << "no comet far enough along its track";
  ASSERT_LT(head, cx1 + 12);
  const int band = static_cast<int>(comet.speed * comet.trailLife / 10.0f * scale);
  // The tail fades: strongly orange just behind the head, fainter further back.
  float lastExcess = 1e9f;
  for (int back : {12, 30, 60}) {
    const int x = head - back;
    SCOPED_TRACE(x);
    if (x < cx0 + 2) continue;
    const sample::Rgb under = slide.picture.At(x / scale, cy / scale);
    const float excess = static_cast<float>(with.Red(x, cy)) - under.r;
    if (back == 12) {
      EXPECT_GT(excess, 120.0f);
      EXPECT_GT(with.Green(x, cy), under.g + 40);
      EXPECT_LT(with.Blue(x, cy), with.Red(x, cy) - 120);
    } else {
      EXPECT_GT(excess, 8.0f);
      EXPECT_LT(excess, lastExcess - 10.0f);
    }
    lastExcess = excess;
    EXPECT_TRUE(PixelNear(without, x, cy, under, 6));
    // Beside the band.
    const int half = static_cast<int>(comet.bandWidth * scale * 0.5f);
    for (int dy : {-half - 4, half + 4}) EXPECT_FALSE(changed(x, cy + dy)) << dy;
  }
  for (int x : {head + 4, head + 40, head - band - 12})
    if (x >= 0 && x < with.width) EXPECT_FALSE(changed(x, cy)) << x;
  // Far from the dots the picture is untouched.
  for (auto [x, y] : {std::pair{30, 20}, std::pair{430, 200}, std::pair{180, 20}}) {
    EXPECT_TRUE(PixelNear(with, x, y, slide.picture.At(x / scale, y / scale), 6));
  }
  // The exploding picture, whole before its burst.
  const sample::NodeExplosion& box = sample::LanternExplosion();
  ASSERT_LT(clock.local, box.burstAt - 0.2f);
  const int bx = static_cast<int>(box.x * scale), by = static_cast<int>(box.y * scale);
  const int quarter = static_cast<int>(box.size * scale * 0.25f);
  for (int k = 0; k < 4; ++k) {
    const int x = bx + (k % 2 ? quarter : -quarter), y = by + (k / 2 ? quarter : -quarter);
    EXPECT_TRUE(PixelNear(with, x, y, box.quarters[k], 10)) << k;
  }
  // A little after the burst, still inside the slide's show time.
  const double burst = t + (box.burstAt - clock.local) + 0.15;
  ASSERT_LT(burst - t + clock.local, slide.fadeIn + slide.show);
  for (double u = t + 0.1; u < burst; u += 0.1) runner::FrameAt(u);  // frames step a bounded time
  runner::FrameAt(burst);
  const runner::Frame after = runner::ReadBackBuffer();
  if (std::getenv("NODE_SAMPLE_PNG")) runner::WritePng(after, "node_sample_burst.png");
  auto moved = [&](int x, int y) { return !PixelNear(after, x, y, slide.picture.At(x / scale, y / scale), 12); };
  // Fragment speeds are random: one slow fragment may still lie over a point.
  int covered = 0;
  for (int k = 0; k < 4; ++k) {
    const int x = bx + (k % 2 ? quarter / 2 : -quarter / 2), y = by + (k / 2 ? quarter / 2 : -quarter / 2);
    if (moved(x, y)) ++covered;
  }
  EXPECT_LE(covered, 1) << "the centre is still covered";
  // Fragments fly out from where they lay: the red ones to the top left.
  int fragments = 0, redTopLeft = 0, redBottomRight = 0;
  for (int y = by - 4 * quarter; y <= by + 4 * quarter; ++y)
    for (int x = bx - 4 * quarter; x <= bx + 4 * quarter; ++x) {
      if (y < 0 || y >= after.height || !moved(x, y)) continue;
      ++fragments;
      const bool red = after.Red(x, y) > 180 && after.Green(x, y) < 90 && after.Blue(x, y) < 90;
      if (red && x < bx && y < by) ++redTopLeft;
      if (red && x > bx && y > by) ++redBottomRight;
    }
  EXPECT_GT(fragments, 40) << "no fragments about the burst";
  EXPECT_GT(redTopLeft, 5);
  EXPECT_LT(redBottomRight, redTopLeft / 4);
}

}  // namespace
