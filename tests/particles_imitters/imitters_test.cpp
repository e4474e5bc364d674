#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "core/crt.h"
#include "particles/imitters/imitters.h"

namespace {

TEST(EvenImitter, CarriesTheFraction) {
  ZVI_EvenImitter even;
  EXPECT_FLOAT_EQ(even.rate.derived, 20.0f);
  EXPECT_EQ(even.Count(1.0f), 20);
  ZVI_EvenImitter twice;
  EXPECT_EQ(twice.Count(0.04f), 0);
  EXPECT_EQ(twice.Count(0.04f), 1);
  ZVI_EvenImitter steps;
  int got[4];
  for (int& n : got) n = steps.Count(0.03f);
  EXPECT_EQ(got[0], 0);
  EXPECT_EQ(got[1], 1);
  EXPECT_EQ(got[2], 0);
  EXPECT_EQ(got[3], 1);
  int total = 0;
  ZVI_EvenImitter second;
  for (int i = 0; i < 100; ++i) total += second.Count(0.01f);
  EXPECT_NEAR(total, 20, 1);
}

TEST(EvenImitter, RateZeroAccumulatesNothing) {
  ZVI_EvenImitter even;
  even.accumulated = 0.3f;
  even.rate.SetValue(0u);
  EXPECT_EQ(even.Count(5.0f), 0);
  EXPECT_FLOAT_EQ(even.accumulated, 0.3f);
}

TEST(EvenImitter, HugeStepsAskForOneBatchAtMost) {
  ZVI_EvenImitter even;
  even.rate.SetValue(4000000000u);
  EXPECT_EQ(even.Count(100.0f), static_cast<int>(kMaxBatchParticles));
  EXPECT_EQ(even.Count(NAN), 0);
}

TEST(RndImitter, OneParticlePerElapsedInterval) {
  ZVI_RndImitter rnd;
  rnd.minimum.value = 0.5f;
  rnd.maximum.value = 0.5f;
  // Time 1.2 has passed the emissions due at 0, 0.5 and 1.0.
  EXPECT_EQ(rnd.Count(1.2f), 3);
  EXPECT_FLOAT_EQ(rnd.next, 1.5f);
  EXPECT_EQ(rnd.Count(0.2f), 0);
  EXPECT_EQ(rnd.Count(0.2f), 1);
  EXPECT_FLOAT_EQ(rnd.next, 2.0f);
}

TEST(RndImitter, ZeroIntervalsGiveOneEveryCall) {
  ZVI_RndImitter rnd;
  EXPECT_EQ(rnd.Count(0.0f), 0);  // time 0 is not past next 0
  EXPECT_EQ(rnd.Count(0.1f), 1);
  EXPECT_EQ(rnd.Count(0.1f), 1);
  EXPECT_FLOAT_EQ(rnd.next, 0.0f);
}

TEST(RndImitter, HostileIntervalsEnd) {
  ZVI_RndImitter negative;
  negative.minimum.value = -2.0f;
  negative.maximum.value = -1.0f;
  EXPECT_EQ(negative.Count(1.0f), 1);
  ZVI_RndImitter nan;
  nan.minimum.value = NAN;
  nan.maximum.value = 1.0f;
  EXPECT_EQ(nan.Count(1.0f), 1);
  ZVI_RndImitter tiny;
  tiny.minimum.value = 1e-30f;
  tiny.maximum.value = 1e-30f;
  EXPECT_EQ(tiny.Count(1.0f), static_cast<int>(kMaxBatchParticles));
}

TEST(Shapes, PointCircleSectorRect) {
  ClassicParticleList out;
  ZVI_PointImitter point;
  point.point.value = D3DXVECTOR3(5, 6, 7);
  point.Make(out, 3);
  ASSERT_EQ(out.size(), 3u);
  for (auto& p : out) EXPECT_EQ(p->position, D3DXVECTOR3(5, 6, 7));
  point.Make(out, -2);
  EXPECT_TRUE(out.empty());

  ZVI_CircleImitter circle;
  circle.point.value = D3DXVECTOR3(100, 100, 0);
  circle.size = 20.0f;
  circle.Make(out, 200);
  for (auto& p : out) {
    const float dx = p->position.x - 100.0f, dy = p->position.y - 100.0f;
    EXPECT_LE(std::sqrt(dx * dx + dy * dy), 10.0f + 1e-4f);
  }

  // Spread 0: one ray at 90 degrees, turned clockwise on screen (towards -y).
  ZVI_SectorImitter sector;
  sector.sector.value = 90;
  sector.radius.value = 50;
  sector.Make(out, 50);
  for (auto& p : out) {
    EXPECT_NEAR(p->position.x, 0.0f, 1e-4f);
    EXPECT_LE(p->position.y, 0.0f);
    EXPECT_GE(p->position.y, -50.0f);
  }

  ZVI_RectImitter rect;
  rect.rect.corners[0].value = D3DXVECTOR3(30, 10, 5);
  rect.rect.corners[3].value = D3DXVECTOR3(10, 20, 5);
  crt_srand(1);
  rect.Make(out, 100);
  for (auto& p : out) {
    EXPECT_GE(p->position.x, 10.0f);
    EXPECT_LE(p->position.x, 30.0f);
    EXPECT_GE(p->position.y, 10.0f);
    EXPECT_LE(p->position.y, 20.0f);
    EXPECT_EQ(p->position.z, 0.0f);
  }
  // y is drawn first.
  EXPECT_FLOAT_EQ(out[0]->position.y, 41.0f / 32767.0f * 10.0f + 10.0f);
  EXPECT_FLOAT_EQ(out[0]->position.x, 18467.0f / 32767.0f * -20.0f + 30.0f);
}

TEST(PositionArray, UsesEachPositionOnceAndFreesItAgain) {
  ZVI_PosArrImitter arr;
  arr.SetPositions({D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(2, 0, 0), D3DXVECTOR3(3, 0, 0)});
  ClassicParticleList out;
  arr.Make(out, 5);  // stops when no position is left
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(arr.freeList.empty());
  std::set<float> xs;
  for (auto& p : out) xs.insert(p->position.x);
  EXPECT_EQ(xs.size(), 3u);
  for (auto& e : arr.positions) EXPECT_NE(e.holder, nullptr);
  const float freed = out[1]->position.x;
  out.erase(out.begin() + 1);
  ASSERT_EQ(arr.freeList.size(), 1u);
  EXPECT_FLOAT_EQ(arr.positions[arr.freeList[0]].position.x, freed);
  EXPECT_EQ(arr.positions[arr.freeList[0]].holder, nullptr);
  // The owner ends a particle through the flag; its position stays taken.
  auto* death = static_cast<IPR_ArrayPtclDeath*>(out[0]->routines[0].get());
  EXPECT_TRUE(StepClassicParticle(*out[0], 0.1f));
  death->dead = 1;
  EXPECT_FALSE(StepClassicParticle(*out[0], 0.1f));
  const uint32_t kept = death->index;
  out.erase(out.begin());
  EXPECT_EQ(arr.freeList.size(), 1u);
  EXPECT_EQ(arr.positions[kept].holder, nullptr);  // no pointer to the gone routine
}

TEST(PositionArray, ParticlesOutliveTheImitter) {
  ClassicParticleList out;
  {
    ZVI_PosArrImitter arr;
    arr.SetPositions({D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(2, 0, 0)});
    arr.Make(out, 2);
  }
  ASSERT_EQ(out.size(), 2u);
  EXPECT_FALSE(StepClassicParticle(*out[0], 0.1f));
  out.clear();  // must not touch the gone imitter
}

}  // namespace
