// The sample's classic fountain: its plume of added soft dots brightens the
// Dawn picture above its source, and the rest of the picture is unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "e2e_support.h"
#include "core/crt.h"
#include "particles/imitters/particle_system.h"
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

namespace {

// Plays the sample to the first frame where the slide has been shown for
// `local` seconds; returns that frame's time.
double PlayInto(int slide, float local) {
  e2e::SlideClock clock(sample::TheSample());
  double t = 0.0;
  return e2e::PlayInto(clock, t, slide, local, 0.03) ? t : -1.0;
}

// The slide's classic particle systems (kind 8; with only >= 0 the only-th
// of them alone), drawn or not: the frame at time t again. Other objects of
// the slide (generators) draw in both.
runner::Frame FrameWith(int slide, bool shown, double t, int only = -1) {
  auto& objects = runner::Document()->slides[static_cast<size_t>(slide)]->drawnObjects;
  int k = 0;
  for (auto& o : objects)
    if (o->GetKind() == 8 && (only < 0 || k++ == only)) o->SetRunning(shown);
  runner::FrameAt(t);
  runner::Frame f = runner::ReadBackBuffer();
  for (auto& o : objects) o->SetRunning(true);
  return f;
}

size_t ClassicSystems(int slide) {
  size_t n = 0;
  for (auto& o : runner::Document()->slides[static_cast<size_t>(slide)]->drawnObjects)
    if (o->GetKind() == 8) ++n;
  return n;
}

int Brightness(const runner::Frame& f, int x, int y) { return f.Red(x, y) + f.Green(x, y) + f.Blue(x, y); }

TEST(SampleClassic, ForestFogLightensTheGroundOnly) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::ClassicFog& fog = sample::ForestFog();
  const double t = PlayInto(static_cast<int>(fog.slide), 1.0f);
  ASSERT_GT(t, 0.0);
  // The fog and the light rays; only the fog is left out.
  ASSERT_EQ(ClassicSystems(static_cast<int>(fog.slide)), 2u);
  // The fog warmed up again from a seed of its own: where its puffs lie then
  // does not hang on how many numbers the slides before it drew.
  ZVI_ParticleSystemMech* mech = nullptr;
  for (auto& o : runner::Document()->slides[fog.slide]->drawnObjects)
    if (o->GetKind() == 8 && !mech) mech = dynamic_cast<ZVI_ParticleSystemMech*>(o.get());
  ASSERT_NE(mech, nullptr);
  mech->system->particles.clear();
  crt_srand(1);
  mech->system->ResetTime();
  const runner::Frame without = FrameWith(static_cast<int>(fog.slide), false, t, 0);
  const runner::Frame with = FrameWith(static_cast<int>(fog.slide), true, t, 0);
  int lighter = 0;
  for (int y = 0; y < with.height; ++y)
    for (int x = 0; x < with.width; ++x) {
      const int d = Brightness(with, x, y) - Brightness(without, x, y);
      EXPECT_GE(d, -6) << x << ", " << y;  // fog only lightens
      if (d > 12) {
        ++lighter;
        // The band lies along the bottom of the picture, below the middle of the view.
        EXPECT_GT(y, 120) << x;
      }
    }
  EXPECT_GT(lighter, 200);
}

TEST(SampleClassic, VoyageSparksStayWithinTheVortexRange) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::ClassicVortex& vortex = sample::VoyageVortex();
  // The path camera rests on its second point, next to the vortex.
  const double t = PlayInto(static_cast<int>(vortex.slide), 2.0f);
  ASSERT_GT(t, 0.0);
  const runner::Frame without = FrameWith(static_cast<int>(vortex.slide), false, t);
  const runner::Frame with = FrameWith(static_cast<int>(vortex.slide), true, t);
  int lit = 0, left = with.width, right = -1, top = with.height, bottom = -1;
  for (int y = 0; y < with.height; ++y)
    for (int x = 0; x < with.width; ++x) {
      const int d = Brightness(with, x, y) - Brightness(without, x, y);
      EXPECT_GE(d, -6) << x << ", " << y;  // sparks only add light
      if (d <= 12) continue;
      ++lit;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  // The swirl reads across the frame: its sparks light a good share of it.
  EXPECT_GT(lit, with.width * with.height / 50);
  // The widest view shows 600 picture pixels in 460: at most 1.15 window
  // pixels per picture pixel at the camera's 150 % zoom.
  const float reach = 2.0f * (vortex.range + static_cast<float>(vortex.size)) * 1.15f;
  EXPECT_LE(right - left, reach);
  EXPECT_LE(bottom - top, reach);
  // Living sparks never leave the range about the centre.
  auto* mech = dynamic_cast<ZVI_ParticleSystemMech*>(
      runner::Document()->slides[vortex.slide]->drawnObjects[0].get());
  ASSERT_NE(mech, nullptr);
  ASSERT_FALSE(mech->system->particles.empty());
  for (auto& p : mech->system->particles) {
    const float dx = p->position.x - vortex.x, dy = p->position.y - vortex.y;
    // Within a step's travel: a spark past the range goes at the next step.
    EXPECT_LE(std::sqrt(dx * dx + dy * dy), vortex.range + 8.0f);
  }
}

}  // namespace
