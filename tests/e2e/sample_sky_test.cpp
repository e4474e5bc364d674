// The sample's sky slides played through the player: the sun rays turn and
// the chimney smokes; every appearance of the bolt shows a new bolt and the
// explosion grows while it appears.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "e2e_support.h"
#include "particles/generators/lightning.h"
#include "particles/generators/radial_rays.h"
#include "particles/generators/smoke.h"
#include "player/slide_container.h"
#include "player/timelines.h"
#include "scene/explosion.h"
#include "scene/sprite_runtime.h"
#include "tools/sample/sample_sky.h"

namespace {

int SlideIndex(const sample::Description& d, const char16_t* name) {
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == name) return static_cast<int>(i);
  return -1;
}

template <class G>
G* FindGenerator(int slide) {
  for (auto& holder : runner::Document()->slides[slide]->drawnObjects)
    if (auto* object = dynamic_cast<DS_ParticlesObj*>(holder.get()))
      if (auto* g = dynamic_cast<G*>(object->generator)) return g;
  return nullptr;
}

DS_FXObj* FindBlast(int slide) {
  for (auto& holder : runner::Document()->slides[slide]->drawnObjects)
    if (auto* object = dynamic_cast<DS_FXObj*>(holder.get()))
      if (dynamic_cast<DS_ExplosionConstructor*>(object->fxModel)) return object;
  return nullptr;
}

float FanAngle(const DS_RadialRays& rays) { return std::atan2(rays.rotation._12, rays.rotation._11); }

TEST(SampleSky, RaysTurnSmokeRisesBoltsChangeAndTheBlastGrows) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const int sunrise = SlideIndex(d, sample::kSunriseSlideName);
  const int thunder = SlideIndex(d, sample::kThunderSlideName);
  ASSERT_GE(sunrise, 0);
  ASSERT_GE(thunder, 0);

  e2e::SlideClock clock(d);
  const double step = 0.05;
  double t = 0.0;
  // The sunrise: the fan turns at 0.2 radians a second of its clock.
  std::vector<float> angles;
  size_t puffs = 0;
  // The thunder: the bolt's first point after each appearance, and the
  // blast's half width while it appears.
  std::vector<D3DXVECTOR3> bolts;
  uint32_t lastBoltState = kTimelineHidden;
  int growingRuns = 0, frames = 0;
  float lastHalf = -1.0f;
  bool seenThunder = false;
  for (;; t += clock.slide < sunrise ? d.slides[clock.slide].Duration() - clock.local + 0.01 : step) {
    // The slides before come and go in one frame each.
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (seenThunder && clock.slide != thunder) break;
    ASSERT_LT(t, 400.0) << "the thunder slide never came";
    if (clock.slide == sunrise && clock.local > 0.6f && clock.local < 3.4f) {
      ASSERT_EQ(runner::CurrentSlideIndex(), sunrise);
      auto* rays = FindGenerator<DS_RadialRays>(sunrise);
      auto* smoke = FindGenerator<DS_Smoke>(sunrise);
      ASSERT_NE(rays, nullptr);
      ASSERT_NE(smoke, nullptr);
      angles.push_back(FanAngle(*rays));
      puffs = std::max(puffs, smoke->origins.size());
    }
    if (clock.slide != thunder || clock.local < 0.1f) continue;
    seenThunder = true;
    ASSERT_EQ(runner::CurrentSlideIndex(), thunder);
    auto* bolt = FindGenerator<DS_LightningGN>(thunder);
    DS_FXObj* blast = FindBlast(thunder);
    ASSERT_NE(bolt, nullptr);
    ASSERT_NE(blast, nullptr);
    const uint32_t state = bolt->timing.Current()->GetState();
    if (state != kTimelineHidden && lastBoltState == kTimelineHidden && bolt->bolt.size() > 2)
      bolts.push_back(bolt->bolt[bolt->bolt.size() / 2].position);
    lastBoltState = state;
    ASSERT_EQ(blast->sprites.size(), 1u);
    const float half = blast->sprites[0]->halfWidth;
    if (blast->fxModel->timing.Current()->GetState() == kTimelineAppearing) {
      if (lastHalf >= 0.0f) {
        EXPECT_GE(half, lastHalf - 1e-3f);
        if (half > lastHalf) ++frames;
      }
      lastHalf = half;
    } else {
      if (frames >= 5) ++growingRuns;
      frames = 0;
      lastHalf = -1.0f;
    }
    EXPECT_LE(half, static_cast<float>(sample::kBlastSize / 2) + 1e-3f);
  }

  ASSERT_GT(angles.size(), 20u);
  // 0.05 s frames at speed 0.02 x 10: each frame turns the fan 0.01 radians.
  int turned = 0;
  for (size_t i = 1; i < angles.size(); ++i) {
    float delta = angles[i] - angles[i - 1];
    if (delta < -3.14159f) delta += 6.2831853f;
    if (std::fabs(delta - 0.01f) < 0.002f) ++turned;
  }
  EXPECT_GE(turned, static_cast<int>(angles.size()) * 3 / 4);
  EXPECT_GT(puffs, 5u);

  ASSERT_GE(bolts.size(), 2u);
  int different = 0;
  for (size_t i = 1; i < bolts.size(); ++i) different += bolts[i] != bolts[i - 1];
  EXPECT_EQ(different, static_cast<int>(bolts.size()) - 1) << "each appearance has a new bolt";
  EXPECT_GE(growingRuns + (frames >= 5 ? 1 : 0), 1) << "the blast never grew";
}

}  // namespace
