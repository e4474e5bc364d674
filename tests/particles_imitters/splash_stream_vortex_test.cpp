#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/imitters/splash_spray.h"
#include "particles/imitters/stream_vortex.h"
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
  T* typed = dynamic_cast<T*>(model.get());
  EXPECT_NE(typed, nullptr);
  if (!typed) return nullptr;
  model.release();
  return std::unique_ptr<T>(typed);
}

// A legacy system record: it carries no envelopes to override the old timing.
ParticleSystemRecord LegacySystem() {
  ParticleSystemRecord s;
  s.version = 4;
  return s;
}

// ---- splash and spray records

TEST(SplashRecords, OldTimingForm) {
  struct Case {
    uint32_t t[3];
    int32_t flag;
    uint32_t life, size[2], alpha[2];
  } cases[] = {
      {{25, 50, 25}, 0, 100, {0, 100}, {25, 75}},
      {{25, 50, 25}, 1, 100, {25, 75}, {0, 100}},
      {{10, 10, 10}, 0, 30, {0, 100}, {33, 66}},
      {{0, 0, 0}, 1, 0, {0, 100}, {0, 100}},  // no durations: no fades
  };
  for (const Case& c : cases) {
    SplashRecord r;
    r.version = 1;
    r.velocitySpread = 10;
    r.speed = 40;
    std::copy(std::begin(c.t), std::end(c.t), r.durations);
    r.envelopeFlag = c.flag;
    r.sizeVariation = 30;
    r.system = LegacySystem();
    ByteBuilder b;
    WriteSplash(b, r);
    auto s = Read<ZVI_SplashPtclSys>(b);
    ASSERT_TRUE(s);
    SCOPED_TRACE(c.t[0]);
    EXPECT_EQ(s->life.value, c.life);
    EXPECT_FLOAT_EQ(s->life.derived, c.life * 0.01f);
    EXPECT_EQ(s->params.sizeEnvelope.fadeInEnd.value, c.size[0]);
    EXPECT_EQ(s->params.sizeEnvelope.fadeOutStart.value, c.size[1]);
    EXPECT_EQ(s->params.alphaEnvelope.fadeInEnd.value, c.alpha[0]);
    EXPECT_EQ(s->params.alphaEnvelope.fadeOutStart.value, c.alpha[1]);
    EXPECT_EQ(s->velocitySector.spread.value, 360u);
    EXPECT_FLOAT_EQ(s->speed.derived, 0.0f);
    EXPECT_EQ(s->params.sizeVariation.value, 30u);
  }
}

TEST(SplashRecords, CurrentSplashAndBothSprays) {
  SplashRecord r;
  r.area = {1, 2, 0, 0, 0, 0, 0, 0, 0, 7, 8, 0};
  r.sectorPosition[0] = 5.0f;
  r.sectorRadius = 9;
  r.sectorAngle = 90;
  r.sectorSpread = 45;
  r.useSector = 1;
  r.burstCount = 33;
  r.life = 150;
  r.velocityAngle = 180;
  r.velocitySpread = 12;
  r.speed = 70;
  ByteBuilder b;
  WriteSplash(b, r);
  auto s = Read<ZVI_SplashPtclSys>(b);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->area.rect.corners[3].value, D3DXVECTOR3(7, 8, 0));
  EXPECT_FLOAT_EQ(s->sectorSource.point.value.x, 5.0f);
  EXPECT_EQ(s->sectorSource.radius.value, 9u);
  EXPECT_NEAR(s->sectorSource.sector.direction.y, 1.0f, 1e-6f);
  EXPECT_EQ(s->sectorSource.sector.spread.value, 45u);
  EXPECT_EQ(s->useSector.value, 1);
  EXPECT_EQ(s->burstCount.value, 33u);
  EXPECT_FLOAT_EQ(s->life.derived, 1.5f);
  EXPECT_NEAR(s->velocitySector.direction.x, -1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(s->speed.derived, 70.0f);

  for (int32_t v : {1, 2}) {
    SprayRecord spray;
    spray.version = v;
    spray.rate = 60;
    spray.splash = r;
    spray.splash.system = LegacySystem();
    ByteBuilder c;
    WriteSpray(c, spray);
    auto p = Read<ZVI_SprayPtclSys>(c);
    ASSERT_TRUE(p);
    EXPECT_FLOAT_EQ(p->counter.rate.derived, 12.0f);
    EXPECT_EQ(p->area.rect.corners[0].value, D3DXVECTOR3(1, 2, 0));
    // The first layout has no sector, no burst count and the old timing.
    EXPECT_EQ(p->useSector.value, v == 1 ? 0 : 1);
    EXPECT_EQ(p->burstCount.value, v == 1 ? 0u : 33u);
    EXPECT_EQ(p->life.value, v == 1 ? 100u : 150u);
  }
}

TEST(SplashRecords, PresetsAndTheFogsScales) {
  const char16_t* names[] = {u"DS_PtclFog", u"DS_BokehLights", u"DS_PtclSmoke3", u"DS_Shimmer"};
  for (const char16_t* name : names) {
    SprayPresetRecord p;
    p.className = name;
    p.kept = 4;
    p.spray.rate = 2000;
    p.spray.splash.speed = 300;
    p.spray.splash.system.block.spinSpeed = 40;
    ByteBuilder b;
    WriteSprayPreset(b, p);
    auto s = Read<ZVI_SprayPtclSys>(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ClassName(), std::u16string_view(name));
    const bool fog = std::u16string_view(name) == u"DS_PtclFog";
    // A fog emits at 1/20 of the spray's rate, moves at 1/100 and spins at 1/100.
    EXPECT_FLOAT_EQ(s->counter.rate.derived, fog ? 20.0f : 400.0f);
    EXPECT_FLOAT_EQ(s->speed.derived, fog ? 3.0f : 300.0f);
    EXPECT_FLOAT_EQ(s->params.spinSpeed.derived, fog ? 0.02f : 2.0f);
    std::unique_ptr<ZVI_ParticleSystemCtrl> copy(s->Clone());
    auto* spray = static_cast<ZVI_SprayPtclSys*>(copy.get());
    EXPECT_FLOAT_EQ(spray->speed.derived, s->speed.derived);
    EXPECT_FLOAT_EQ(spray->counter.rate.derived, s->counter.rate.derived);
    EXPECT_FLOAT_EQ(spray->params.spinSpeed.derived, s->params.spinSpeed.derived);
  }
}

// Counts the steps of its warm-up.
class CountingFog : public DS_PtclFog {
 public:
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override {
    ++emits;
    return DS_PtclFog::Emit(out, dt);
  }
  int emits = 0;
};

TEST(SplashBehaviour, FogWarmsUpForEightSeconds) {
  CountingFog fog;
  fog.ResetTime();
  EXPECT_EQ(fog.emits, 81);
  ZVI_SplashPtclSys splash;
  splash.particles.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3())));
  splash.emittedCount = 3;
  splash.ResetTime();
  EXPECT_TRUE(splash.particles.empty());
  EXPECT_EQ(splash.emittedCount, 0);
}

TEST(SplashBehaviour, EqualCornersPutEveryParticleOnThePoint) {
  ZVI_SplashPtclSys s;
  for (auto& c : s.area.rect.corners) c.value = D3DXVECTOR3(12, 34, 0);
  s.life.SetValue(100u);
  ClassicParticleList out;
  s.MakeParticles(out, 10);
  ASSERT_EQ(out.size(), 10u);
  for (auto& p : out) EXPECT_EQ(p->position, D3DXVECTOR3(12, 34, 0));
  EXPECT_EQ(s.particles.size(), 10u);
}

TEST(SplashBehaviour, VelocityAlongTheSectorAndFactorTwoKept) {
  ZVI_SplashPtclSys s;
  s.velocitySector.value = 90;
  s.velocitySector.Recompute();
  s.speed.SetValue(30u);
  s.life.SetValue(100u);
  crt_srand(1);
  ClassicParticleList out;
  s.MakeParticles(out, 5);
  for (auto& p : out) {
    EXPECT_NEAR(p->velocity.x, 0.0f, 1e-4f);
    EXPECT_NEAR(p->velocity.y, -30.0f, 1e-4f);
  }
  for (auto& p : out) EXPECT_GT(p->Factor2(), 0.0f);  // as InitParticle drew it
  s.velocitySector.spread.value = 180;
  s.MakeParticles(out, 200);
  bool left = false, right = false;
  for (auto& p : out) {
    left = left || p->velocity.x < -29.0f;
    right = right || p->velocity.x > 29.0f;
  }
  EXPECT_TRUE(left && right);
}

TEST(SplashBehaviour, LifeZeroEndsAtTheFirstRealStep) {
  ZVI_SplashPtclSys s;
  s.burstCount.value = 3;
  s.Simulate(0.1f);
  // Advanced by 0, 1/3 and 2/3 of the step: only the first is still alive.
  ASSERT_EQ(s.particles.size(), 3u);
  s.Simulate(0.0f);
  EXPECT_EQ(s.particles.size(), 1u);
  s.Simulate(0.1f);
  EXPECT_TRUE(s.particles.empty());
}

// ---- streams

StreamRecord Stream() {
  StreamRecord r;
  // A parallelogram: start edge c2 -> c0, far edge c3 -> c1.
  r.edges = {10, 0, 0, 60, 10, 0, 0, 20, 0, 50, 30, 0};
  r.life = 1000;
  r.speed = 25;  // 50 units per second
  return r;
}

TEST(StreamRecords, TheSecondSpeedPairIsKept) {
  StreamRecord r = Stream();
  r.firstSpeed = 5;
  r.firstJitter = 90;
  r.jitter = 40;
  r.deviation = 100;
  ByteBuilder b;
  WriteStream(b, r);
  auto s = Read<DS_StreamPtclSys>(b);
  ASSERT_TRUE(s);
  EXPECT_FLOAT_EQ(s->speedJitter.derived, 50.0f);
  EXPECT_FLOAT_EQ(s->speedJitter.jitter.derived, 0.6f);
  EXPECT_FLOAT_EQ(s->deviation.derived, 0.2f);
  EXPECT_FLOAT_EQ(s->life.derived, 10.0f);
  EXPECT_EQ(s->edges.corners[3].value, D3DXVECTOR3(50, 30, 0));
  ByteBuilder c;
  WriteSmoke2(c, 7, 8, -9, r);
  auto m = Read<DS_PtclSmoke2>(c);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->kept1.value, 7u);
  EXPECT_EQ(m->kept3, -9);
  EXPECT_FLOAT_EQ(m->speedJitter.derived, 50.0f);
}

TEST(StreamBehaviour, ParallelFlowAtTheJitteredSpeed) {
  ByteBuilder b;
  WriteStream(b, Stream());
  auto s = Read<DS_StreamPtclSys>(b);
  ASSERT_TRUE(s);
  s->counter.rate.SetValue(500u);  // 100 per second
  ClassicParticleList out;
  s->Emit(out, 0.5f);
  EXPECT_TRUE(out.empty());
  ASSERT_EQ(s->particles.size(), 50u);
  // c3 - c2 = (50, 10): every particle moves along it at exactly 50.
  const float len = std::sqrt(50.0f * 50.0f + 10.0f * 10.0f);
  for (auto& p : s->particles) {
    EXPECT_NEAR(p->velocity.x, 50.0f * 50.0f / len, 1e-3f);
    EXPECT_NEAR(p->velocity.y, 50.0f * 10.0f / len, 1e-3f);
  }
  s->speedJitter.jitter.SetValue(100u);
  s->particles.clear();
  s->Emit(out, 1.0f);
  float low = 100.0f, high = 0.0f;
  for (auto& p : s->particles) {
    const float v = std::sqrt(p->velocity.x * p->velocity.x + p->velocity.y * p->velocity.y);
    low = std::min(low, v);
    high = std::max(high, v);
  }
  EXPECT_GE(low, 0.0f);
  EXPECT_LE(high, 50.0f + 1e-3f);
  EXPECT_LT(low, 10.0f);
  EXPECT_GT(high, 40.0f);
  // No newborn: the list stays as it is.
  const size_t before = s->particles.size();
  s->counter.rate.SetValue(0u);
  s->Emit(out, 1.0f);
  EXPECT_EQ(s->particles.size(), before);
  EXPECT_TRUE(out.empty());
}

TEST(StreamBehaviour, CoincidentEndsGiveAZeroVelocity) {
  DS_StreamPtclSys s;
  s.life.SetValue(100u);
  s.speedJitter.SetValue(10u);
  ClassicParticleList out;
  s.Emit(out, 1.0f);
  ASSERT_EQ(s.particles.size(), 20u);
  for (auto& p : s.particles) EXPECT_EQ(p->velocity, D3DXVECTOR3(0, 0, 0));
}

// ---- the vortex

TEST(VortexRecords, Fields) {
  VortexRecord r;
  r.rate = 50;
  r.source[0] = 3.0f;
  r.speed = 10;
  r.twist = 150;
  r.reverse = 1;
  r.angle = 90;
  r.spread = 30;
  r.arms = 6;
  r.rotationSpeed = 5;
  r.rotationReverse = 1;
  r.range = 77;
  ByteBuilder b;
  WriteVortex(b, r);
  auto v = Read<ZVI_VortexPtclSys>(b);
  ASSERT_TRUE(v);
  EXPECT_FLOAT_EQ(v->counter.rate.derived, 10.0f);
  EXPECT_FLOAT_EQ(v->source.point.value.x, 3.0f);
  EXPECT_FLOAT_EQ(v->speed.derived, 20.0f);
  EXPECT_FLOAT_EQ(v->twist.derived, 1.5f);
  EXPECT_EQ(v->reverse.value, 1);
  EXPECT_NEAR(v->direction.direction.y, 1.0f, 1e-6f);
  EXPECT_EQ(v->direction.spread.value, 30u);
  EXPECT_EQ(v->arms.value, 6u);
  EXPECT_FLOAT_EQ(v->rotationSpeed.derived, 10.0f);
  EXPECT_EQ(v->rotationReverse.value, 1);
  EXPECT_EQ(v->range.value, 77u);
}

TEST(VortexBehaviour, ArmAfterInitParticlesSevenDraws) {
  ZVI_VortexPtclSys v;
  v.arms.value = 4;
  v.speed.SetValue(10u);
  v.range.value = 100;
  v.rotationSpeed.SetValue(0u);
  crt_srand(1);
  ClassicParticlePtr p(new ClassicParticle(D3DXVECTOR3(0, 0, 0)));
  v.SetupParticle(p);
  // 29358 mod 4 = 2: the arm at 180 degrees.
  EXPECT_NEAR(p->velocity.x, -20.0f, 1e-4f);
  EXPECT_NEAR(p->velocity.y, 0.0f, 1e-4f);
  EXPECT_FLOAT_EQ(p->LifeSpan(), 5.0f);
  ASSERT_EQ(p->routines.size(), 3u);
  EXPECT_NE(dynamic_cast<IPR_Kinematic*>(p->routines[1].get()), nullptr);
  EXPECT_NE(dynamic_cast<IPR_VortexVel*>(p->routines[2].get()), nullptr);
}

TEST(VortexBehaviour, ArmsTurnOnlyWithAStoredRotationSpeed) {
  ZVI_VortexPtclSys v;
  v.arms.value = 0;  // counts as one arm
  v.speed.SetValue(10u);
  v.rotationSpeed.elapsed = 90.0f;
  v.rotationSpeed.SetValue(0u);
  ClassicParticlePtr p(new ClassicParticle(D3DXVECTOR3(0, 0, 0)));
  v.SetupParticle(p);
  EXPECT_NEAR(p->velocity.x, 20.0f, 1e-4f);
  v.rotationSpeed.SetValue(1u);
  v.SetupParticle(p);
  // Turned by -90 degrees: (cos -90, -sin -90) x 20.
  EXPECT_NEAR(p->velocity.x, 0.0f, 1e-4f);
  EXPECT_NEAR(p->velocity.y, 20.0f, 1e-4f);
  v.rotationReverse.value = 1;
  v.SetupParticle(p);
  EXPECT_NEAR(p->velocity.y, -20.0f, 1e-4f);
  // Emit accumulates the turn and keeps the step.
  ClassicParticleList out;
  v.Emit(out, 0.5f);
  EXPECT_FLOAT_EQ(v.rotationSpeed.step, 1.0f);
  EXPECT_FLOAT_EQ(v.RotationAngle(), 91.0f);
  EXPECT_FLOAT_EQ(v.rotationSpeed.last_time, 0.5f);
}

TEST(VortexBehaviour, SwirlAboutTheCentre) {
  ZVI_VortexPtclSys v;
  v.source.point.value = D3DXVECTOR3(10, 10, 0);
  v.speed.SetValue(5u);  // S = 10
  IPR_VortexVel swirl(&v.source.point, &v.speed, &v.twist, &v.reverse);
  ClassicParticle p(D3DXVECTOR3(13, 14, 0));
  swirl.Apply(0.1f, p);
  EXPECT_NEAR(p.velocity.x, 6.0f, 1e-5f);  // twist 0: radial at S
  EXPECT_NEAR(p.velocity.y, 8.0f, 1e-5f);
  v.twist.SetValue(50u);  // w = 0.5, read live
  swirl.Apply(0.1f, p);
  // d = (3, 4): outward (6, 8) minus 0.5 x (4, -3).
  EXPECT_NEAR(p.velocity.x, 4.0f, 1e-5f);
  EXPECT_NEAR(p.velocity.y, 9.5f, 1e-5f);
  v.reverse.value = 1;
  swirl.Apply(0.1f, p);
  EXPECT_NEAR(p.velocity.x, 8.0f, 1e-5f);
  EXPECT_NEAR(p.velocity.y, 6.5f, 1e-5f);
  ClassicParticle centre(D3DXVECTOR3(10, 10, 0));
  centre.velocity = D3DXVECTOR3(1, 2, 3);
  swirl.Apply(0.1f, centre);
  EXPECT_EQ(centre.velocity, D3DXVECTOR3(1, 2, 3));
}

TEST(VortexBehaviour, RadialMotionAfterTheFirstFrame) {
  ZVI_VortexPtclSys v;
  v.source.point.value = D3DXVECTOR3(0, 0, 0);
  v.arms.value = 3;
  v.direction.spread.value = 40;
  v.speed.SetValue(5u);
  v.range.value = 1000;
  v.counter.rate.SetValue(100u);
  v.Simulate(0.5f);
  v.Simulate(0.1f);
  ASSERT_FALSE(v.particles.empty());
  for (auto& p : v.particles) {
    const D3DXVECTOR3& q = p->position;
    const float r = std::sqrt(q.x * q.x + q.y * q.y);
    if (r == 0.0f) continue;
    EXPECT_NEAR(p->velocity.x, q.x / r * 10.0f, 1e-3f);
    EXPECT_NEAR(p->velocity.y, q.y / r * 10.0f, 1e-3f);
  }
}

TEST(VortexBehaviour, SpeedZeroIsBoundedByTheBatch) {
  ZVI_VortexPtclSys v;
  v.range.value = 10;
  v.counter.rate.SetValue(1000000u);
  for (int i = 0; i < 3; ++i) v.Simulate(0.2f);
  EXPECT_EQ(v.particles.size(), kMaxBatchParticles);
}

}  // namespace
