// The sample's starfield and fireflies on the Night slide and light rays on
// the Forest slide: each system's own pixels, found by drawing the frame
// again without it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "e2e_support.h"
#include "particles/imitters/brownian.h"
#include "particles/imitters/ray_of_light.h"
#include "particles/imitters/through_space.h"
#include "particles/generators/origin_generators.h"
#include "player/slide_container.h"
#include "tools/sample/sample_night_forest.h"

namespace {

double PlayInto(int slide, float local) {
  e2e::SlideClock clock(sample::TheSample());
  double t = 0.0;
  return e2e::PlayInto(clock, t, slide, local, 0.03) ? t : -1.0;
}

// The slide's runtime object whose model is a T.
template <class T>
ZVI_ParticleSystemMech* Find(size_t slide) {
  for (auto& o : runner::Document()->slides[slide]->drawnObjects) {
    auto* mech = dynamic_cast<ZVI_ParticleSystemMech*>(o.get());
    if (mech && dynamic_cast<T*>(mech->system)) return mech;
  }
  return nullptr;
}

int Brightness(const runner::Frame& f, int x, int y) { return f.Red(x, y) + f.Green(x, y) + f.Blue(x, y); }

// How much brighter each pixel of the frame at t is with the object drawn.
std::vector<int> Difference(DS_ABObj* object, double t, int* width) {
  object->SetRunning(false);
  runner::FrameAt(t);
  const runner::Frame without = runner::ReadBackBuffer();
  object->SetRunning(true);
  runner::FrameAt(t);
  const runner::Frame with = runner::ReadBackBuffer();
  *width = with.width;
  std::vector<int> d(static_cast<size_t>(with.width) * with.height);
  for (int y = 0; y < with.height; ++y)
    for (int x = 0; x < with.width; ++x) d[y * with.width + x] = Brightness(with, x, y) - Brightness(without, x, y);
  return d;
}

// The night picture (300 x 450) letterboxed into 460 x 215.
constexpr float kNightScale = 215.0f / 450.0f;
constexpr float kNightLeft = (460.0f - 300.0f * kNightScale) * 0.5f;

// How far from the centre the star is drawn.
float Spread(const ClassicParticle& p, const D3DXVECTOR3& c) {
  const D3DXVECTOR3 d = (p.position - c) / p.position.z;
  return std::sqrt(d.x * d.x + d.y * d.y);
}

TEST(SampleNightForest, StarsFlyOutAboveTheCentreAndFirefliesKeepToTheirArea) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::NightStarfield& s = sample::TheNightStarfield();
  const double t = PlayInto(static_cast<int>(s.slide), 1.5f);
  ASSERT_GT(t, 0.0);
  ZVI_ParticleSystemMech* mech = Find<ZVI_ThroughSpaceCtrl>(s.slide);
  ASSERT_NE(mech, nullptr);
  int width = 0;
  const std::vector<int> d = Difference(mech, t, &width);
  int lit = 0;
  const float rowOfCentre = s.cy * kNightScale;
  for (size_t i = 0; i < d.size(); ++i) {
    EXPECT_GE(d[i], -6) << i;  // stars only add light
    if (d[i] <= 12) continue;
    ++lit;
    EXPECT_LT(static_cast<float>(i / width), rowOfCentre) << "pixel " << i % width << ", " << i / width;
  }
  EXPECT_GT(lit, 10);
  // Each star keeps moving away from the centre.
  const D3DXVECTOR3 c(s.cx, s.cy, 0.0f);
  // Held, so that no newborn takes a dead star's place.
  std::map<const ClassicParticle*, std::pair<ClassicParticlePtr, float>> before;
  for (auto& p : mech->system->particles)
    if (p->position.z > 0.05f) before[p.get()] = {p, Spread(*p, c)};
  ASSERT_GT(before.size(), 10u);
  for (double u = t + 0.03; u < t + 0.31; u += 0.03) runner::FrameAt(u);
  int compared = 0;
  for (auto& p : mech->system->particles) {
    auto it = before.find(p.get());
    if (it == before.end() || !(p->position.z > 0.0f)) continue;
    EXPECT_GT(Spread(*p, c), it->second.second);
    ++compared;
  }
  EXPECT_GT(compared, 5);

  // Fireflies, on the same slide, a moment later.
  const sample::NightFireflies& f = sample::TheNightFireflies();
  ASSERT_EQ(f.slide, s.slide);
  ZVI_ParticleSystemMech* flies = Find<ZVI_Firefly>(f.slide);
  ASSERT_NE(flies, nullptr);
  EXPECT_EQ(flies->system->particles.size(), f.count);
  EXPECT_FALSE(static_cast<ZVI_Firefly*>(flies->system)->trails.empty());
  const std::vector<int> e = Difference(flies, t + 0.33, &width);
  // A firefly may overshoot its area a little before it turns home.
  const float margin = 30.0f;
  lit = 0;
  for (size_t i = 0; i < e.size(); ++i) {
    EXPECT_GE(e[i], -6) << i;
    if (e[i] <= 12) continue;
    ++lit;
    const float x = (static_cast<float>(i % width) + 0.5f - kNightLeft) / kNightScale;
    const float y = (static_cast<float>(i / width) + 0.5f) / kNightScale;
    EXPECT_TRUE(x > f.left - margin && x < f.right + margin && y > f.top - margin && y < f.bottom + margin)
        << "picture pixel " << x << ", " << y;
  }
  EXPECT_GT(lit, 10);
}

TEST(SampleNightForest, ForestRaysLightenTheirBand) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::ForestRays& r = sample::TheForestRays();
  const double t = PlayInto(static_cast<int>(r.slide), 2.0f);
  ASSERT_GT(t, 0.0);
  ZVI_ParticleSystemMech* mech = Find<DS_RayOfLight>(r.slide);
  ASSERT_NE(mech, nullptr);
  EXPECT_EQ(mech->system->particles.size(), r.count);
  int width = 0;
  const std::vector<int> d = Difference(mech, t, &width);
  int lighter = 0;
  for (size_t i = 0; i < d.size(); ++i) {
    EXPECT_GE(d[i], -6) << i;  // added light only
    if (d[i] > 12) ++lighter;
  }
  EXPECT_GT(lighter, 200);
}

// The firework reads as one: at its peak its sparks and trails light at least
// a twentieth of the frame.
TEST(SampleNightForest, TheFireworkFillsAGoodPartOfTheSky) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::NightStarfield& s = sample::TheNightStarfield();
  const sample::Slide& night = sample::TheSample().slides[s.slide];
  ASSERT_EQ(night.name, u"Night");
  double t = PlayInto(static_cast<int>(s.slide), night.fadeIn);
  ASSERT_GT(t, 0.0);
  DS_ParticlesObj* firework = nullptr;
  for (auto& holder : runner::Document()->slides[s.slide]->drawnObjects)
    if (auto* object = dynamic_cast<DS_ParticlesObj*>(holder.get()))
      if (dynamic_cast<DS_FireworkSimple*>(object->generator)) firework = object;
  ASSERT_NE(firework, nullptr);
  double peak = 0.0;
  const double end = t + night.show;
  for (; t < end; t += 0.1) {
    int width = 0;
    const std::vector<int> d = Difference(firework, t, &width);
    const double lit = static_cast<double>(std::count_if(d.begin(), d.end(), [](int v) { return v > 24; }));
    peak = std::max(peak, lit / static_cast<double>(d.size()));
  }
  EXPECT_GE(peak, 0.05);
}

}  // namespace
