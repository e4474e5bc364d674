// The sample's horizon path on the Voyage slide and the Rain slide: sparks
// keep within the wobble width of the horizon, drops stay on the pane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "e2e_support.h"
#include "particles/imitters/field_rain.h"
#include "particles/imitters/path_trace.h"
#include "tools/sample/sample_trace_systems.h"

namespace {

// Plays on in frames of 0.1 s on the slide (the slides before it passed
// quickly) until it has been shown for `local` seconds; returns that frame's
// time (negative when it never comes).
double PlayOnInto(e2e::SlideClock& clock, double& t, int slide, float local) {
  for (int n = 0; n < 2000; ++n, t += e2e::NextStep(clock, slide, 0.1)) {
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide == slide && clock.local >= local) return t;
  }
  return -1.0;
}

template <class T>
T* SystemOf(int slide) {
  for (auto& o : runner::Document()->slides[static_cast<size_t>(slide)]->drawnObjects)
    if (auto* mech = dynamic_cast<ZVI_ParticleSystemMech*>(o.get()))
      if (auto* s = dynamic_cast<T*>(mech->system)) return s;
  return nullptr;
}

int Brightness(const runner::Frame& f, int x, int y) { return f.Red(x, y) + f.Green(x, y) + f.Blue(x, y); }

TEST(SampleTraceSystems, HorizonSparksAndRainOnThePane) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const sample::VoyageHorizonPath& h = sample::TheVoyageHorizonPath();
  const sample::RainWindow& w = sample::TheRainWindow();
  ASSERT_EQ(d.slides[w.slide].name, u"Rain");
  ASSERT_EQ(d.slides[h.slide].name, u"Voyage");
  e2e::SlideClock clock(d);
  double t = 0.0;

  ASSERT_GT(PlayOnInto(clock, t, static_cast<int>(h.slide), 3.0f), 0.0);
  ZVI_ParticlePath* path = SystemOf<ZVI_ParticlePath>(static_cast<int>(h.slide));
  ASSERT_NE(path, nullptr);
  ASSERT_GT(path->particles.size(), 20u);
  for (auto& p : path->particles) {
    EXPECT_LE(std::fabs(p->position.y - h.y), h.wobbleWidth / 2.0f + 0.01f);
    EXPECT_GE(p->position.x, h.left - 0.01f);
    EXPECT_LE(p->position.x, h.right + 0.01f);
  }

  const double rainAt = PlayOnInto(clock, t, static_cast<int>(w.slide), 2.0f);
  ASSERT_GT(rainAt, 0.0);
  ASSERT_EQ(runner::CurrentSlideIndex(), static_cast<int>(w.slide));
  DS_RainOnGlass* rain = SystemOf<DS_RainOnGlass>(static_cast<int>(w.slide));
  ASSERT_NE(rain, nullptr);
  size_t landed = 0;
  for (auto& p : rain->particles) {
    if (p->stateBits & kDropArriving) continue;
    ++landed;
    EXPECT_GE(p->position.x, w.left - 2.0f);
    EXPECT_LE(p->position.x, w.right + 2.0f);
    EXPECT_GE(p->position.y, w.top - 2.0f);
    EXPECT_LE(p->position.y, w.bottom + 2.0f);
  }
  EXPECT_GT(landed, 50u);  // warmed up: the pane is wet from the start
  ASSERT_NE(SystemOf<ZVI_FieldPtclSys>(static_cast<int>(w.slide)), nullptr);

  // On the frame the drops and lights change the pane and leave the frame's
  // sides and sill alone (the picture fills the window at half its size).
  auto& objects = runner::Document()->slides[w.slide]->drawnObjects;
  for (auto& o : objects) o->SetRunning(false);
  runner::FrameAt(rainAt);
  const runner::Frame without = runner::ReadBackBuffer();
  for (auto& o : objects) o->SetRunning(true);
  runner::FrameAt(rainAt);
  const runner::Frame with = runner::ReadBackBuffer();
  ASSERT_EQ(with.width, 460);
  const float scale = 0.5f;
  const float margin = static_cast<float>(w.dropSize) * 0.7f;
  int changed = 0;
  for (int y = 0; y < with.height; ++y)
    for (int x = 0; x < with.width; ++x) {
      if (std::abs(Brightness(with, x, y) - Brightness(without, x, y)) <= 12) continue;
      ++changed;
      EXPECT_GE(x, (w.left - margin) * scale) << y;
      EXPECT_LE(x, (w.right + margin) * scale) << y;
      EXPECT_LE(y, (w.bottom + margin) * scale) << x;
    }
  EXPECT_GT(changed, 200);
}

}  // namespace
