// The sample's garden slide played headlessly: its blades stand on the
// bottom edge of their view with their feet where they grew, the fish
// stay near the pond's view and the leaf travels its two-point path.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e_support.h"
#include "particles/generators/particle_generator.h"
#include "player/slide_container.h"
#include "scene/sprite_animations.h"
#include "scene/sprite_placed.h"
#include "scene/sprite_runtime.h"
#include "scene/sprite_wanderers.h"
#include "tools/sample/sample_scene.h"

namespace {

int SlideIndex(const sample::Description& d, const char16_t* name) {
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == name) return static_cast<int>(i);
  return -1;
}

TEST(SampleGarden, BladesStandOnTheViewsBottomEdgeAndFishKeepToThePond) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const int garden = SlideIndex(d, sample::kGardenSlideName);
  ASSERT_GE(garden, 0);
  const sample::Slide& slide = d.slides[garden];
  const float W = static_cast<float>(slide.picture.width), H = static_cast<float>(slide.picture.height);

  e2e::SlideClock clock(d);
  const double step = 0.05;
  double t = 0.0;
  int checks = 0, leafChecks = 0;
  float firstLocal = -1.0f;
  for (;; t += e2e::NextStep(clock, garden, step)) {
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide == garden && firstLocal < 0.0f) firstLocal = clock.local;
    if (clock.slide != garden || clock.local < slide.fadeIn) {
      ASSERT_LT(t, 300.0) << "the garden slide never came";
      if (checks > 0) break;
      continue;
    }
    ASSERT_EQ(runner::CurrentSlideIndex(), garden);
    bool sawGrass = false, sawFish = false;
    for (auto& object : runner::Document()->slides[garden]->drawnObjects) {
      auto* sprites = dynamic_cast<DS_SpriteArrayObj*>(object.get());
      if (!sprites) continue;
      if (dynamic_cast<DS_GrassConstructor*>(sprites->spriteModel)) {
        sawGrass = true;
        ASSERT_FALSE(sprites->sprites.empty());
        // The runtime's copy holds its view edges in whole pixels.
        const float bottom = std::floor(sample::kGrassView[3] * H);
        for (const auto& s : sprites->sprites) {
          EXPECT_NEAR(s->position.y + s->halfHeight, bottom, 1e-2f);
          EXPECT_NEAR(s->position.x + s->halfHeight * s->yAxis.x, s->velocity.z, 1e-2f);
          EXPECT_GE(s->velocity.z, std::floor(sample::kGrassView[0] * W));
          EXPECT_LE(s->velocity.z, std::floor(sample::kGrassView[1] * W));
        }
      } else if (dynamic_cast<DS_FishConstructor*>(sprites->spriteModel)) {
        sawFish = true;
        // A fish turns once it is fully out, so it never gets farther out
        // than its own length and a step.
        for (const auto& s : sprites->sprites) {
          const float reach = 2.0f * std::fabs(s->halfWidth) + 10.0f;
          EXPECT_GT(s->position.x, sample::kPondView[0] * W - reach);
          EXPECT_LT(s->position.x, sample::kPondView[1] * W + reach);
        }
      }
    }
    EXPECT_TRUE(sawGrass);
    EXPECT_TRUE(sawFish);
    // The leaf's centre: 60 px/s of slide time since its first frame, back
    // and forth over the 300 px between its points.
    for (auto& object : runner::Document()->slides[garden]->drawnObjects) {
      auto* leaf = dynamic_cast<DS_ParticlesObj*>(object.get());
      if (!leaf || !dynamic_cast<DS_PathAnimtion*>(leaf->generator)) continue;
      ASSERT_EQ(leaf->QuadCount(0), 1u);
      DX_V::PCT* v = leaf->LayerMesh(0)->LockVertices();
      ASSERT_NE(v, nullptr);
      const float cx = (v[0].x + v[3].x) / 2.0f, cy = (v[0].y + v[3].y) / 2.0f;
      leaf->LayerMesh(0)->Unlock();
      const float span = sample::kLeafTo[0] - sample::kLeafFrom[0];
      const float s = std::fmod(sample::kLeafSpeed * (clock.local - firstLocal), 2.0f * span);
      const float want = sample::kLeafFrom[0] + (s <= span ? s : 2.0f * span - s);
      EXPECT_NEAR(cx, want, 1.0f) << clock.local;
      EXPECT_NEAR(cy, sample::kLeafFrom[1], 1e-3f);
      ++leafChecks;
    }
    ++checks;
  }
  EXPECT_GT(checks, 20);
  EXPECT_EQ(leafChecks, checks);
}

}  // namespace
