// The sample's static, region and origin generators played through the
// player: the fireworks burst once at each appearance of their random
// timeline and not while hidden, the falling stars move along their
// direction, the plant's sway clock runs and the title shows its glyphs.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e_support.h"
#include "particles/generators/origin_generators.h"
#include "particles/generators/region_generators.h"
#include "particles/generators/static_generators.h"
#include "player/slide_container.h"
#include "tools/sample/sample_generators.h"

namespace {

template <class G>
G* FindGenerator(int slide) {
  for (auto& holder : runner::Document()->slides[slide]->drawnObjects)
    if (auto* object = dynamic_cast<DS_ParticlesObj*>(holder.get()))
      if (auto* g = dynamic_cast<G*>(object->generator)) return g;
  return nullptr;
}

TEST(SampleGlowGenerators, BurstsStarsPlantAndTitle) {
  e2e::StartSample();
  const sample::Description& d = sample::TheSample();
  ASSERT_EQ(d.slides[1].name, u"Forest");
  e2e::SlideClock clock(d);
  double t = 0.0;
  const double step = 0.05;
  ASSERT_TRUE(e2e::PlayInto(clock, t, 0, d.slides[0].fadeIn + 0.95f, step));
  auto* title = FindGenerator<DS_AnimatedFont>(0);
  ASSERT_NE(title, nullptr);
  ASSERT_EQ(title->glyphPictures.size(), 4u);
  for (const DocImage& glyph : title->glyphPictures) {
    EXPECT_EQ(glyph.textures.size(), 2u) << "the stored copies, not the pack";
    EXPECT_EQ(glyph.delays.size(), 2u);
  }

  // The forest slide: the plant's clock ("Time") runs with its speed.
  t += step;
  ASSERT_TRUE(e2e::PlayInto(clock, t, 1, d.slides[1].fadeIn + 0.5f, step));
  ASSERT_EQ(runner::CurrentSlideIndex(), 1);
  t += step;
  auto* plant = FindGenerator<DS_Plant>(1);
  ASSERT_NE(plant, nullptr);
  EXPECT_NE(plant->effect, nullptr);
  const float time0 = plant->speed.elapsed;
  for (const double end = t + 1.0; t < end; t += step) {
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
  }
  EXPECT_NEAR(plant->speed.elapsed - time0, 1.0f, 0.06f);

  // The night slide, from its first frame.
  ASSERT_TRUE(e2e::PlayInto(clock, t, 3, 0.0f, step));
  ASSERT_EQ(runner::CurrentSlideIndex(), 3);
  const double night = t;
  t += step;
  auto* fireworks = FindGenerator<DS_FireworkSimple>(3);
  auto* stars = FindGenerator<DS_FallingStars>(3);
  ASSERT_NE(fireworks, nullptr);
  ASSERT_NE(stars, nullptr);
  ASSERT_NE(stars->effect, nullptr);

  int bursts = 0, appearances = 0;
  bool hidden = fireworks->timing.Current()->GetState() == kTimelineHidden;
  size_t sparks = fireworks->heads.size();
  int starChecks = 0;
  int starMisses = 0;
  const double end = night + d.slides[3].Duration() - 0.2;
  for (; t < end; t += step) {
    const GeneratorParticle* star = stars->heads.empty() ? nullptr : &stars->heads.front();
    const D3DXVECTOR3 at = star ? star->position : D3DXVECTOR3(0, 0, 0);
    runner::FrameAt(t);
    ASSERT_EQ(runner::CurrentSlideIndex(), 3);
    const bool nowHidden = fireworks->timing.Current()->GetState() == kTimelineHidden;
    const size_t now = fireworks->heads.size();
    if (hidden && !nowHidden) ++appearances;
    if (now > sparks) {
      EXPECT_EQ(now - sparks, sample::kFireworkSparks) << "a whole burst at t " << t;
      EXPECT_FALSE(nowHidden) << "no spark while hidden, t " << t;
      ++bursts;
    }
    hidden = nowHidden;
    sparks = now;
    // The front star, when it is still the same, moved left and down (200 degrees).
    // A star born in a dead one's slot has the same address, so a far jump or a
    // move the other way is counted apart and may happen at most once.
    if (star && !stars->heads.empty() && &stars->heads.front() == star) {
      if (star->position.x < at.x && star->position.y > at.y)
        ++starChecks;
      else
        ++starMisses;
    }
  }
  EXPECT_GE(appearances, 1);
  EXPECT_EQ(bursts, appearances);
  EXPECT_GT(starChecks, 5);
  EXPECT_LE(starMisses, 1);
}

}  // namespace
