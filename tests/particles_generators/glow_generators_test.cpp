// Falling stars and fireworks: spawning against the runtime's random
// sequence, drift, fades, launches of origins, bursts per appearance and the
// continuous stream, their records, and the glow pass on the screen.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "gen_fixtures.h"
#include "particles/generators/origin_generators.h"
#include "particles/generators/region_generators.h"
#include "player/camera.h"
#include "player/scene_object.h"
#include "tools/writer/generators_writer.h"

using namespace gen_test;

namespace {

constexpr int kSeq[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
float U(int n) { return static_cast<float>(kSeq[n]) / 32767.0f; }

template <class P>
P* Find(GeneratorParticle& p, int nth = 0) {
  for (PProcess* q : p.processes)
    if (auto* x = dynamic_cast<P*>(q))
      if (nth-- == 0) return x;
  return nullptr;
}

// A timeline whose state and cycle the test sets.
class SetTimeline : public ZVI_Timing {
 public:
  uint32_t GetState() override { return state; }
  float GetCycleLength() override { return cycle; }
  float cycle = 0.0f;
};

using GlowGenerators = DeviceTest;

TEST_F(GlowGenerators, StarsSpawnAtTheRatesCountAndTheSequence) {
  DS_FallingStars stars;
  stars.starRate.SetValue(50u);  // one per second
  stars.region.corners[0].value = D3DXVECTOR3(10, 20, 0);
  stars.region.corners[3].value = D3DXVECTOR3(110, 70, 0);
  stars.fallSpeed.SetValue(10u);
  crt_srand(1);
  stars.clock.elapsed = 0.5f;
  stars.SpawnStars();
  EXPECT_TRUE(stars.heads.empty());
  EXPECT_EQ(stars.starRate.lastTime, 0.0f);
  stars.clock.elapsed = 1.0f;
  stars.SpawnStars();  // n = 2: rand() % 3 stars
  EXPECT_EQ(stars.starRate.lastTime, 1.0f);
  ASSERT_EQ(stars.heads.size(), static_cast<size_t>(kSeq[0] % 3));
  int n = 1;
  const float spin[2] = {-0.16f, 0.16f};  // 19169 is odd, 26962 even
  int k = 0;
  for (GeneratorParticle& s : stars.heads) {
    EXPECT_FLOAT_EQ(s.position.y, U(n) * 50.0f + 20.0f);
    EXPECT_FLOAT_EQ(s.position.x, U(n + 1) * 100.0f + 10.0f);
    EXPECT_FLOAT_EQ(s.channels[kChannelAngle], U(n + 2) * 6.2831855f);
    EXPECT_EQ(s.channels[kChannelOpacity], 0.0f);
    ASSERT_EQ(s.processes.size(), 5u);
    EXPECT_FLOAT_EQ(Find<PSpin>(s)->rate, spin[k++]);
    n += 4;
  }
}

TEST_F(GlowGenerators, StarsDriftFadeAndDie) {
  struct Case {
    uint32_t direction;
    D3DXVECTOR3 velocity;
  };
  for (const Case c : {Case{0, D3DXVECTOR3(80, 0, 0)}, Case{270, D3DXVECTOR3(0, 80, 0)},
                       Case{90, D3DXVECTOR3(0, -80, 0)}}) {
    DS_FallingStars stars;
    stars.starRate.SetValue(5000u);
    stars.fallSpeed.SetValue(10u);
    stars.direction.SetValue(c.direction);
    stars.holdTime.SetValue(100u);
    stars.fadeInTime.SetValue(50u);
    stars.fadeOutTime.SetValue(200u);
    crt_srand(7);
    stars.clock.elapsed = 1.0f;
    while (stars.heads.empty()) {
      stars.clock.elapsed += 1.0f;
      stars.SpawnStars();
    }
    GeneratorParticle& s = stars.heads.front();
    auto* kinetic = Find<PKinetic>(s);
    EXPECT_NEAR(kinetic->velocity.x, c.velocity.x, 1e-4f) << c.direction;
    EXPECT_NEAR(kinetic->velocity.y, c.velocity.y, 1e-4f) << c.direction;
    // Fade-in 0.5 s, hold 1 s, fade-out 2 s.
    struct Age {
      float age, opacity;
      bool alive;
    };
    const Age ages[] = {{0.25f, 0.5f, true}, {0.5f, 1.0f, true},  {1.5f, 1.0f, true},
                        {2.5f, 0.5f, true},  {3.25f, 0.125f, true}, {3.5f, 0.0f, false}};
    float age = 0.0f;
    for (const Age& a : ages) {
      const bool alive = s.StepProcesses(a.age - age);
      age = a.age;
      EXPECT_NEAR(s.channels[kChannelOpacity], a.opacity, 1e-5f) << a.age;
      EXPECT_EQ(alive, a.alive) << a.age;
    }
  }
}

TEST_F(GlowGenerators, OriginsLaunchAtRateTimesVisibility) {
  struct Case {
    float visibility;
    size_t launched;  // in 2 s of steps of 0.125 s
  };
  // A launch needs the accumulator strictly past 1 / (r v): 0.5 s, then 1 s.
  for (const Case c : {Case{1.0f, 3}, Case{0.5f, 1}, Case{0.0f, 0}}) {
    DS_FireworkSimple g;
    g.launchRate = 2u;
    g.originLifetime.SetValue(1000u);  // 40 s
    g.timing.Current()->visibility = c.visibility;
    for (int i = 0; i < 16; ++i) g.UpdateOrigins(0.125f);
    EXPECT_EQ(g.origins.size(), c.launched) << c.visibility;
    if (c.visibility == 0.0f) {
      EXPECT_EQ(g.accumulator, 2.0f);  // keeps growing
    }
  }
  DS_FireworkSimple g;
  g.launchRate = 2u;
  g.originLifetime.SetValue(25u);  // 1 s
  g.origin = D3DXVECTOR3(5, 6, 0);
  g.UpdateOrigins(0.6f);
  ASSERT_EQ(g.origins.size(), 1u);
  EXPECT_EQ(g.origins.front()->position, D3DXVECTOR3(5, 6, 0));
  EXPECT_NEAR(D3DXVec3Length(&g.origins.front()->velocity), 100.0f, 1e-3f);
  g.launchRate = 0u;
  g.origins.front()->remaining = 0.5f;
  g.UpdateOrigins(0.5f);  // exactly 0 left: survives
  EXPECT_EQ(g.origins.size(), 1u);
  g.UpdateOrigins(0.01f);
  EXPECT_TRUE(g.origins.empty());
  // A huge rate launches a bounded number per step.
  g.launchRate = 0xFFFFFFFFu;
  g.UpdateOrigins(1.0f);
  EXPECT_EQ(g.origins.size(), static_cast<size_t>(kMaxLaunchesPerStep));
  // Clones own their origins.
  std::unique_ptr<DS_ParticleGenerator> clone(g.Clone());
  EXPECT_EQ(static_cast<DS_FireworkSimple*>(clone.get())->origins.size(), g.origins.size());
  EXPECT_NE(static_cast<DS_FireworkSimple*>(clone.get())->origins.front().get(), g.origins.front().get());
}

TEST_F(GlowGenerators, ContinuousSparksEveryTenthOfASecond) {
  DS_FireworkSimple model;
  model.sparkCount = 5u;
  model.sparkSize = 4u;
  model.launchSpeed.SetValue(25u);
  model.generatorSpeed.SetValue(50u);
  std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(model.CreateRuntime()));
  auto* g = static_cast<DS_FireworkSimple*>(object->generator);
  int launched = 0;
  for (int i = 0; i <= 100; ++i) {
    const float next = g->nextLaunch;
    g->Update(i * 0.01f, object.get());
    if (g->nextLaunch != next) {
      ++launched;
      EXPECT_NEAR(g->nextLaunch - g->generatorSpeed.elapsed, 0.1f, 1e-6f);
    }
  }
  // One second: a spark per 0.1 s (the first frame past it), each living
  // 0.5 s, so about five alive.
  EXPECT_GE(launched, 9);
  EXPECT_LE(launched, 10);
  EXPECT_NEAR(static_cast<double>(g->heads.size()), 5.0, 1.0);
  GeneratorParticle& spark = g->heads.back();
  EXPECT_FLOAT_EQ(Find<PLifeConst>(spark)->rate, 2.0f);
  EXPECT_NEAR(D3DXVec3Length(&Find<PKinetic>(spark)->velocity), 100.0f, 1e-3f);
  EXPECT_EQ(Find<PKinetic>(spark)->acceleration, D3DXVECTOR3(0, 0, 0));
}

TEST_F(GlowGenerators, ABurstPerAppearance) {
  DS_FireworkSimple model;
  model.sparkCount = 6u;
  model.glowFactor.SetValue(50u);
  EXPECT_FLOAT_EQ(model.glowFactor.derived, 3.0f);
  auto* timeline = new SetTimeline();
  timeline->cycle = 3.0f;
  model.timing.value = 1;
  model.timing.SetCurrentTimeline(timeline);
  std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(model.CreateRuntime()));
  auto* g = static_cast<DS_FireworkSimple*>(object->generator);
  auto* tl = static_cast<SetTimeline*>(g->timing.Current());
  tl->state = kTimelineShown;
  g->Update(0.0f, object.get());
  ASSERT_EQ(g->heads.size(), 6u);
  EXPECT_FLOAT_EQ(Find<PLifeConst>(g->heads.front())->rate, 1.0f / 3.0f);
  g->Update(0.1f, object.get());
  EXPECT_EQ(g->heads.size(), 6u);  // one burst per appearance
  tl->state = kTimelineHidden;
  g->Update(0.2f, object.get());
  EXPECT_EQ(g->heads.size(), 6u);  // none while hidden
  tl->state = 2;                   // appearing again
  g->Update(0.3f, object.get());
  EXPECT_EQ(g->heads.size(), 12u);
  // A cycle of no length: the sparks end at their first step, without NaN.
  tl->state = kTimelineHidden;
  g->Update(0.4f, object.get());
  tl->cycle = 0.0f;
  tl->state = kTimelineShown;
  g->heads.clear();
  g->Update(0.5f, object.get());
  ASSERT_EQ(g->heads.size(), 6u);
  g->Update(0.6f, object.get());
  EXPECT_TRUE(g->heads.empty());
}

TEST_F(GlowGenerators, FireworkQuadsAndGlows) {
  DS_FireworkSimple model;
  model.sparkCount = 1u;
  model.sparkSize = 4u;
  model.glowFactor.SetValue(50u);
  model.origin = D3DXVECTOR3(20, 30, 0);
  std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(model.CreateRuntime()));
  auto* g = static_cast<DS_FireworkSimple*>(object->generator);
  g->Update(0.0f, object.get());
  g->Update(0.01f, object.get());
  ASSERT_EQ(g->heads.size(), 1u);
  std::vector<ScreenRect> rects;
  object->GetScreenRects(rects);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_NEAR(rects[0].width, 4.0f, 1e-4f);
  EXPECT_NEAR(rects[1].width, 12.0f, 1e-4f);
}

void TexPart(pw::ByteBuilder& b) {
  b.WideString(u"DS_TexParticleGenerator").I32(3);
  b.I32(1).FileLink(u"s.png", 0).FileLink(u"", 0);
  b.U32(0x00FFFFFF).U32(0).U32(0x00FFFFFF).U32(0).I32(0).I32(0).I32(0).I32(0);
  b.WideString(u"DS_ParticleGenerator").I32(3).I32(0).U32(150).U32(10).U32(50).U32(20).I32(1);
  pw::WriteConstructorBase(b, pw::ConstructorRecord{});
}

pw::TexGeneratorRecord TexRecord() {
  pw::TexGeneratorRecord t;
  t.images = {{u"s.png", 0}};
  t.generator.life = 150;
  t.generator.rate = 10;
  t.generator.size = 50;
  t.generator.speed = 20;
  t.generator.trail = 1;
  return t;
}

std::unique_ptr<DS_ABObj_Constructor> ReadWhole(const pw::ByteBuilder& b) {
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  auto obj = ReadObject(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  return obj;
}

TEST_F(GlowGenerators, FallingStarsRecord) {
  pw::ByteBuilder b;
  b.WideString(u"DS_FallingStars").I32(1);
  for (uint32_t v : {10u, 50u, 270u, 12u, 50u, 100u, 50u, 200u}) b.U32(v);
  for (int i = 0; i < 12; ++i) b.F32(static_cast<float>(i));
  TexPart(b);
  auto obj = ReadWhole(b);
  auto* stars = dynamic_cast<DS_FallingStars*>(obj.get());
  ASSERT_NE(stars, nullptr);
  EXPECT_FLOAT_EQ(stars->fallSpeed.derived, 80.0f);
  EXPECT_EQ(stars->starRate.value, 50u);
  EXPECT_NEAR(stars->direction.direction.y, -1.0f, 1e-6f);
  EXPECT_EQ(stars->starSize.value, 12u);
  EXPECT_FLOAT_EQ(stars->glowFactor.derived, 3.0f);
  EXPECT_FLOAT_EQ(stars->fadeOutTime.derived, 2.0f);
  EXPECT_EQ(stars->region.corners[3].value, D3DXVECTOR3(9, 10, 11));
  EXPECT_FLOAT_EQ(stars->life.derived, 1.5f);  // hundredths
  std::unique_ptr<DS_ParticleGenerator> clone(stars->Clone());
  EXPECT_FLOAT_EQ(clone->rate.derived, 20.0f);  // doubled
  EXPECT_FLOAT_EQ(static_cast<DS_FallingStars*>(clone.get())->starRate.derived, 1.0f);
  EXPECT_FLOAT_EQ(clone->size.derived, 0.5f);  // a percentage

  pw::FallingStarsRecord r{10, 50, 270, 12, 50, 100, 50, 200, {}};
  for (int i = 0; i < 4; ++i) r.region.corners[i] = {3.0f * i, 3.0f * i + 1, 3.0f * i + 2};
  r.region.tex = TexRecord();
  pw::ByteBuilder written;
  pw::WriteFallingStars(written, r);
  EXPECT_EQ(written.bytes(), b.bytes());
  // With its own header, as the region record is stored elsewhere.
  pw::ByteBuilder region;
  pw::WriteRegionGenerator(region, r.region);
  DS_ParticleRctRgnGenerator* base = stars;
  MemoryArchive ar(region.bytes().data(), region.size(), true);
  base->ReadRegionRecord(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
}

TEST_F(GlowGenerators, FireworkRecordAtBothOriginVersions) {
  for (int32_t version = 1; version <= 2; ++version) {
    pw::ByteBuilder b;
    b.WideString(u"DS_FireworkSimple").I32(1).U32(30).U32(6).U32(25).U32(50);
    b.WideString(u"DS_ParticleOriginGenerator").I32(version).U32(50).U32(2).U32(3).U32(90);
    if (version >= 2) b.U32(45);
    b.U32(100);
    b.WideString(u"DS_StaticGenerator").I32(1).F32(200).F32(150).F32(0);
    TexPart(b);
    auto obj = ReadWhole(b);
    auto* fw = dynamic_cast<DS_FireworkSimple*>(obj.get());
    ASSERT_NE(fw, nullptr);
    EXPECT_EQ(fw->sparkCount.value, 30u);
    EXPECT_EQ(fw->sparkSize.value, 6u);
    EXPECT_FLOAT_EQ(fw->launchSpeed.derived, 100.0f);
    EXPECT_FLOAT_EQ(fw->glowFactor.derived, 3.0f);
    EXPECT_FLOAT_EQ(fw->gravity.derived, 0.0f);
    EXPECT_FLOAT_EQ(fw->originLifetime.derived, 2.0f);
    EXPECT_EQ(fw->launchRate.value, 2u);
    EXPECT_EQ(fw->sector.value, 90u);
    EXPECT_EQ(fw->sector.spread.value, version >= 2 ? 45u : 0u);
    EXPECT_FLOAT_EQ(fw->generatorSpeed.derived, 2.0f);
    EXPECT_EQ(fw->origin.value, D3DXVECTOR3(200, 150, 0));
    std::unique_ptr<DS_ParticleGenerator> clone(fw->Clone());
    EXPECT_FLOAT_EQ(clone->rate.derived, 21.0f);  // value x 2 + 1
    EXPECT_FLOAT_EQ(clone->size.derived, 5.0f);

    pw::FireworkSimpleRecord r{30, 6, 25, 50, {}};
    r.origin.version = version;
    r.origin.lifetime = 50;
    r.origin.launchRate = 2;
    r.origin.originSize = 3;
    r.origin.direction = 90;
    r.origin.spread = 45;
    r.origin.speed = 100;
    r.origin.base.origin = {200, 150, 0};
    r.origin.base.tex = TexRecord();
    pw::ByteBuilder written;
    pw::WriteFireworkSimple(written, r);
    EXPECT_EQ(written.bytes(), b.bytes()) << version;
  }
}

}  // namespace
