// Brownian animations and fireflies: records and their gates, the wandering
// routine, the population, the tracer's trails and the firefly's blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/imitters/brownian.h"
#include "player/app/register_all.h"
#include "tools/writer/imitters_writer.h"

namespace {

using namespace pw;

template <class T>
std::unique_ptr<T> Read(const ByteBuilder& b) {
  RegisterEverything();
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<DS_ABObj_Constructor> model = ReadObject(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  auto* s = dynamic_cast<T*>(model.get());
  if (!s) return nullptr;
  model.release();
  return std::unique_ptr<T>(s);
}

BrownianRecord SampleBrownian() {
  BrownianRecord r;
  r.count = 12;
  r.speed = 50;
  r.changeRate = 45;
  r.responseTime = 4;
  r.area = {10, 20, 0, 90, 20, 0, 10, 80, 0, 90, 80, 0};
  return r;
}

TEST(Brownian, RecordFieldsAndScales) {
  ByteBuilder b;
  WriteBrownian(b, SampleBrownian());
  auto s = Read<ZVI_BrownAnimation>(b);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->count.value, 12u);
  EXPECT_FLOAT_EQ(s->speed.derived, 2.0f);
  EXPECT_FLOAT_EQ(s->changeRate.derived, 1.0f);
  EXPECT_FLOAT_EQ(s->responseTime.derived, 0.1f);
  EXPECT_EQ(s->area.rect.corners[3].value, D3DXVECTOR3(90.0f, 80.0f, 0.0f));
  EXPECT_FLOAT_EQ(s->timeSpeed.derived, 1.0f);
  ZVI_BrownAnimation fresh;
  EXPECT_FLOAT_EQ(fresh.changeRate.derived, 0.1f);
  EXPECT_FLOAT_EQ(fresh.responseTime.derived, 0.02f);
}

TEST(Brownian, FireflyRecordsOfEveryTracerVersion) {
  for (int32_t tv = 1; tv <= 4; ++tv) {
    FireflyRecord r;
    r.tracer.version = tv;
    r.tracer.block.particleSize = 40;
    r.tracer.block.alphaFadeIn = 33;
    r.tracer.particleSize = 7;
    r.tracer.rate = 20;
    r.tracer.life = 150;
    r.tracer.circleSize = 200;
    r.tracer.drift = 100;
    r.brownian = SampleBrownian();
    ByteBuilder b;
    WriteFirefly(b, r);
    auto f = Read<ZVI_Firefly>(b);
    ASSERT_NE(f, nullptr) << tv;
    const ZVI_ParticleTracer& t = f->tracer;
    EXPECT_FLOAT_EQ(t.counter.rate.derived, 4.0f);
    EXPECT_FLOAT_EQ(t.trailLife.derived, 1.5f);
    EXPECT_FLOAT_EQ(t.circleSize.derived, 2.0f);
    EXPECT_FLOAT_EQ(t.drift.derived, 1.0f);
    EXPECT_EQ(t.block.particleSize.value, tv < 2 ? 7u : 40u) << tv;
    EXPECT_EQ((t.block.flags & kClassicPhysics) != 0, tv < 4) << tv;
    EXPECT_EQ(t.block.alphaEnvelope.fadeInEnd.value, tv < 3 ? 10u : 33u) << tv;
    EXPECT_EQ(t.block.sizeEnvelope.fadeOutStart.value, tv < 3 ? 0u : 100u) << tv;
    EXPECT_EQ(f->count.value, 12u);
  }
}

TEST(Brownian, OldFireflySplitsItsImageLinks) {
  struct Case {
    int links;
    int64_t trail, own;
  };
  for (const Case& c : {Case{2, 11, 12}, Case{1, 11, 11}, Case{0, 0, 0}}) {
    FireflyRecord r;
    r.version = 1;
    r.tracer.version = 1;
    r.brownian = SampleBrownian();
    ClassicBlockRecord& k = r.brownian.system.block;
    for (int i = 0; i < c.links; ++i) k.image.links.push_back({u"pack.dll", 11 + i});
    k.effectName = u"fx.dll";
    k.effectId = 77;
    k.colours.colours = {0x00123456u};
    ByteBuilder b;
    WriteFirefly(b, r);
    auto f = Read<ZVI_Firefly>(b);
    ASSERT_NE(f, nullptr) << c.links;
    const auto& trail = f->tracer.block.particleImage.value;
    const auto& own = f->params.particleImage.value;
    ASSERT_EQ(trail.links.size(), c.links ? 1u : 0u);
    ASSERT_EQ(own.links.size(), c.links ? 1u : 0u);
    if (c.links) {
      EXPECT_EQ(trail.links[0].id, c.trail);
      EXPECT_EQ(own.links[0].id, c.own);
      EXPECT_EQ(trail.currentLinkId, c.trail);
      EXPECT_EQ(own.currentLinkId, c.own);
    }
    EXPECT_EQ(f->tracer.block.effectLink.id, 77);
    EXPECT_EQ(f->tracer.block.effectLink.name, u"fx.dll");
    EXPECT_EQ(f->tracer.block.colors.colours.value, std::vector<COLORREF>{0x00123456u});
  }
}

TEST(Brownian, TruncatedRecordsAreRefused) {
  RegisterEverything();
  FireflyRecord r;
  r.brownian = SampleBrownian();
  ByteBuilder b;
  WriteFirefly(b, r);
  for (size_t cut = 0; cut + 1 < b.size(); cut += 9) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObject(ar), DS_Error) << cut;
  }
}

struct Wanderer : ::testing::Test {
  void SetUp() override {
    sys.area.rect.corners[0].value = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    sys.area.rect.corners[3].value = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
    sys.speed.SetValue(25u);         // 1.0
    sys.responseTime.SetValue(24u);  // 0.5 s
  }
  IPR_Brownian Routine() { return IPR_Brownian(&sys.area.rect, &sys.speed, &sys.changeRate, &sys.responseTime); }
  ZVI_BrownAnimation sys;
};

TEST_F(Wanderer, OutsideItSteersHomeAndTakesNoRandomTarget) {
  IPR_Brownian b = Routine();
  b.velocity = D3DXVECTOR3(0.0f, 80.0f, 0.0f);
  b.timeToChange = 5.0f;
  ClassicParticle p(D3DXVECTOR3(150.0f, 50.0f, 0.0f));  // right of the area
  ASSERT_TRUE(b.Apply(0.0f, p));
  // d = (-1, 0, 0): (100 d - v) / T.
  EXPECT_EQ(b.acceleration, D3DXVECTOR3(-200.0f, -160.0f, 0.0f));
  EXPECT_FLOAT_EQ(b.accelerationTime, 0.5f);
  EXPECT_FALSE(b.inside);
  // Still outside with its steering on: kept; a due change takes no target.
  b.timeToChange = 0.05f;
  ASSERT_TRUE(b.Apply(0.1f, p));
  EXPECT_FLOAT_EQ(b.acceleration.x, -200.0f);
  EXPECT_FLOAT_EQ(b.accelerationTime, 0.4f);
  EXPECT_GE(b.timeToChange, 0.5f / 0.1f);
  // x += (v dt + a dt^2 / 2) x speed, then v += a dt.
  EXPECT_NEAR(p.position.x, 150.0f - 1.0f, 1e-4f);
  EXPECT_NEAR(p.position.y, 50.0f + 8.0f - 0.8f, 1e-4f);
  EXPECT_NEAR(b.velocity.x, -20.0f, 1e-4f);
  // Once back inside a due change picks a target of 75 to 100 units.
  p.position = D3DXVECTOR3(50.0f, 50.0f, 0.0f);
  b.timeToChange = -1.0f;
  const D3DXVECTOR3 v = b.velocity;
  ASSERT_TRUE(b.Apply(0.0f, p));
  EXPECT_TRUE(b.inside);
  const D3DXVECTOR3 w = b.acceleration * 0.5f + v;
  const float len = std::sqrt(w.x * w.x + w.y * w.y + w.z * w.z);
  EXPECT_GE(len, 75.0f - 1e-3f);
  EXPECT_LE(len, 100.0f + 1e-3f);
}

TEST_F(Wanderer, SteeringEndsWithItsTimeAndRestartsOnlyFromZero) {
  IPR_Brownian b = Routine();
  b.timeToChange = 50.0f;
  ClassicParticle p(D3DXVECTOR3(-30.0f, 50.0f, 0.0f));
  b.inside = false;  // outside before, acceleration 0: steered
  ASSERT_TRUE(b.Apply(0.0f, p));
  EXPECT_FLOAT_EQ(b.acceleration.x, 200.0f);
  b.Apply(0.6f, p);  // time runs out
  EXPECT_EQ(b.acceleration, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  p.position.x = -1000.0f;
  b.Apply(0.0f, p);  // still outside, acceleration 0: steered again
  EXPECT_GT(b.acceleration.x, 0.0f);
}

TEST(Brownian, SyncCountAppendsAndTrimsFromTheEnd) {
  ZVI_BrownAnimation s;
  s.area.rect.corners[3].value = D3DXVECTOR3(40.0f, 40.0f, 0.0f);
  s.count.value = 5;
  s.SyncCount();
  ASSERT_EQ(s.particles.size(), 5u);
  for (const auto& p : s.particles) {
    EXPECT_EQ(p->routines.size(), 1u);
    EXPECT_FLOAT_EQ(p->Factor1(), 1.0f);
    EXPECT_FLOAT_EQ(p->Factor2(), 1.0f);
    EXPECT_LE(p->position.x, 40.0f);
  }
  const ClassicParticle* second = s.particles[1].get();
  const D3DXVECTOR3 where = second->position;
  s.count.value = 2;
  s.SyncCount();
  ASSERT_EQ(s.particles.size(), 2u);
  EXPECT_EQ(s.particles[1].get(), second);
  EXPECT_EQ(s.particles[1]->position, where);
  s.count.value = 4000000000u;  // capped at one batch
  s.SyncCount();
  EXPECT_EQ(s.particles.size(), 16384u);
}

TEST(Brownian, MovesAtTheFixedTimeSpeedAndEmitsNothing) {
  ZVI_BrownAnimation s;
  s.area.rect.corners[3].value = D3DXVECTOR3(1000.0f, 1000.0f, 0.0f);
  s.count.value = 3;
  s.speed.SetValue(25u);
  s.systemSpeed.SetValue(0u);  // plays no part
  s.SyncCount();
  const D3DXVECTOR3 before = s.particles[0]->position;
  s.UpdateParticles(0.0f);
  s.UpdateParticles(0.1f);
  EXPECT_FLOAT_EQ(s.timeSpeed.step, 0.1f);
  EXPECT_NE(s.particles[0]->position, before);
  EXPECT_EQ(s.particles.size(), 3u);
  ClassicParticleList out;
  EXPECT_TRUE(s.Emit(out, 0.1f).empty());
}

TEST(Brownian, ResetOnAManualTimelineClearsUntilThePrepare) {
  ZVI_BrownAnimation s;
  s.count.value = 3;
  s.SyncCount();
  s.timing.value = 1;
  s.ResetTime();
  EXPECT_TRUE(s.particles.empty());
  s.UpdateParticles(0.0f);
  EXPECT_TRUE(s.particles.empty());
}

TEST(Firefly, NeedsBackgroundCountsTheScreenGlowBlocks) {
  for (int trail : {0, 2})
    for (int own : {1, 2}) {
      ZVI_Firefly f;
      f.tracer.block.glowMode.value = trail;
      f.params.glowMode.value = own;
      EXPECT_EQ(f.NeedsBackground(), (trail == 2) + (own == 2)) << trail << own;
    }
}

struct Trails : ::testing::Test {
  void SetUp() override {
    leaders.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(20.0f, 30.0f, 0.0f))));
    tracer.counter.rate.SetValue(50u);  // 10 per second
    tracer.trailLife.SetValue(100u);    // 1 s
    tracer.circleSize.SetValue(100u);
  }
  ZVI_ParticleTracer tracer;
  ClassicParticleList leaders, trails;
};

TEST_F(Trails, LifeZeroStopsEmissionWhileOldTrailsMoveOn) {
  tracer.Update(8.0f, 0.5f, leaders, trails);
  ASSERT_EQ(trails.size(), 5u);
  for (const auto& p : trails) EXPECT_FLOAT_EQ(p->Factor2(), 0.0f);
  const ClassicParticle* first = trails[0].get();
  const D3DXVECTOR3 where = first->position;
  const float age = first->Age();
  tracer.trailLife.SetValue(0u);
  tracer.Update(8.0f, 0.2f, leaders, trails);
  ASSERT_EQ(trails.size(), 5u);
  EXPECT_FLOAT_EQ(first->Age(), age + 0.2f);
  if (first->velocity != D3DXVECTOR3(0.0f, 0.0f, 0.0f)) EXPECT_NE(first->position, where);
}

TEST_F(Trails, PulledToTheLeaderPointOrLeftStillByTheDrift) {
  // Drift stored 0 (-1): each reaches the leader's point as its life ends.
  tracer.Update(8.0f, 0.1f, leaders, trails);
  ASSERT_EQ(trails.size(), 1u);
  const ClassicParticle& p = *trails[0];
  const D3DXVECTOR3 c = leaders[0]->TestPoint();
  // Born and stepped once since: the rest of its life takes it there.
  const D3DXVECTOR3 end = p.position + p.velocity * (1.0f - p.Age());
  EXPECT_NEAR(end.x, c.x, 1e-3f);
  EXPECT_NEAR(end.y, c.y, 1e-3f);
  // Stored 50 (0): no drift at all.
  tracer.drift.SetValue(50u);
  trails.clear();
  tracer.Update(8.0f, 0.1f, leaders, trails);
  ASSERT_EQ(trails.size(), 1u);
  EXPECT_EQ(trails[0]->velocity, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  const D3DXVECTOR3 still = trails[0]->position;
  tracer.trailLife.SetValue(0u);
  tracer.Update(8.0f, 0.3f, leaders, trails);
  EXPECT_EQ(trails[0]->position, still);
}

TEST_F(Trails, OneCounterSharedByEveryLeader) {
  leaders.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(60.0f, 30.0f, 0.0f))));
  // 10 per second x 0.05 s: half a particle each; the fraction carries over.
  tracer.Update(8.0f, 0.05f, leaders, trails);
  EXPECT_EQ(trails.size(), 1u);
}

}  // namespace
