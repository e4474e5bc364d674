#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "core/warm_up.h"
#include "particles/imitters/burst_fountain.h"
#include "player/app/register_all.h"
#include "tools/writer/imitters_writer.h"

namespace {

using namespace pw;

// Records the step each particle is given.
class StepLog : public InnerParticleRoutine {
 public:
  explicit StepLog(std::vector<float>* log) : steps(log) {}
  bool Apply(float dt, ClassicParticle& p) override {
    steps->push_back(dt);
    return true;
  }
  std::vector<float>* steps;
};

// A system that emits a fixed number per step and logs what it is asked.
class TestSystem : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_ParticleSystemCtrl* Clone() const override { return new TestSystem(*this); }
  std::u16string_view ClassName() const override { return u"TestSystem"; }
  float GetWarmUpTime() override { return warmUp; }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override {
    emitSteps.push_back(dt);
    source.Make(out, perEmit);
    for (auto& p : out) {
      p->AddRoutine(RoutinePtr(new StepLog(&newbornSteps)), false);
      particles.push_back(p);
    }
    return out;
  }
  ZVI_PointImitter source;
  int perEmit = 0;
  float warmUp = 5.0f;
  std::vector<float> emitSteps;
  std::vector<float> newbornSteps;
};

// A timeline whose state and visibility a test sets.
void UseTimeline(ZVI_ParticleSystemCtrl& s, uint32_t state, float visibility) {
  ZVI_Timing* t = s.timing.Current();
  t->state = state;
  t->visibility = visibility;
}

TEST(ClassicSystem, WarmUpOfAContinuousSystem) {
  TestSystem s;
  s.ResetTime();
  EXPECT_EQ(s.emitSteps.size(), 51u);
  for (float dt : s.emitSteps) EXPECT_FLOAT_EQ(dt, 0.1f);
  // On any other timeline the particles are cleared and nothing runs.
  TestSystem r;
  r.particles.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3())));
  r.timing.value = 1;
  r.ResetTime();
  EXPECT_TRUE(r.particles.empty());
  EXPECT_TRUE(r.emitSteps.empty());
}

// The steps of the 32-bit loop "step, add 0.1, while the time is greater".
size_t WarmUpSteps(float seconds) {
  size_t n = 0;
  float x = 0.0f;
  do {
    x += 0.1f;
    ++n;
  } while (seconds > x);
  return n;
}

// A system that keeps a fixed population, for the work budget.
class Populated : public TestSystem {
 public:
  explicit Populated(size_t n) {
    for (size_t i = 0; i < n; ++i) particles.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3())));
  }
};

TEST(ClassicSystem, WarmUpRunsItsWholeTimeUnlessItsWorkPassesTheBudget) {
  struct Case {
    float seconds;
    size_t population;
    size_t steps;
  };
  const size_t many = 8192;
  const Case cases[] = {
      {INFINITY, 0, 0},
      {NAN, 0, 0},
      {-1.0f, 0, 0},
      {100.0f, 0, WarmUpSteps(100.0f)},            // no minute's cap
      {100.0f, many, WarmUpSteps(100.0f)},
      {1.0e9f, many, static_cast<size_t>((kWarmUpParticleSteps + many - 1) / many)},
      {1.0e9f, 0, static_cast<size_t>((kWarmUpParticleSteps + kWarmUpStepCost - 1) / kWarmUpStepCost)},
  };
  for (const Case& c : cases) {
    Populated s(c.population);
    s.warmUp = c.seconds;
    s.ResetTime();
    EXPECT_EQ(s.emitSteps.size(), c.steps) << c.seconds << " " << c.population;
  }
}

TEST(ClassicSystem, NewbornsAreSpreadOverTheStep) {
  TestSystem s;
  s.perEmit = 3;
  s.Simulate(0.03f);
  ASSERT_EQ(s.newbornSteps.size(), 3u);
  EXPECT_FLOAT_EQ(s.newbornSteps[0], 0.0f);
  EXPECT_FLOAT_EQ(s.newbornSteps[1], 0.01f);
  EXPECT_FLOAT_EQ(s.newbornSteps[2], 0.02f);
  EXPECT_EQ(s.particles.size(), 3u);
}

TEST(ClassicSystem, SpeedClock) {
  TestSystem s;
  s.UpdateParticles(3.0f);  // the first update steps by 0, Emit still asked
  s.UpdateParticles(3.1f);
  s.UpdateParticles(2.0f);  // time went back
  s.UpdateParticles(3.0f);  // a long frame counts 0.2
  s.systemSpeed.SetValue(50u);
  s.UpdateParticles(3.1f);
  ASSERT_EQ(s.emitSteps.size(), 5u);
  EXPECT_FLOAT_EQ(s.emitSteps[0], 0.0f);
  EXPECT_NEAR(s.emitSteps[1], 0.1f, 1e-5f);
  EXPECT_FLOAT_EQ(s.emitSteps[2], 0.0f);
  EXPECT_FLOAT_EQ(s.emitSteps[3], 0.2f);
  EXPECT_NEAR(s.emitSteps[4], 0.05f, 1e-5f);
}

TEST(ClassicSystem, CloneSharesParticlesAndDrawsNothingUnprepared) {
  TestSystem s;
  s.perEmit = 2;
  s.Simulate(0.1f);
  std::unique_ptr<ZVI_ParticleSystemCtrl> copy(s.Clone());
  ASSERT_EQ(copy->particles.size(), 2u);
  EXPECT_EQ(copy->particles[0].get(), s.particles[0].get());
  EXPECT_EQ(copy->runtime, nullptr);
  EXPECT_EQ(copy->params.FirstImage(), nullptr);
}

TEST(ClassicSystem, RuntimeWithoutImagesHasNoQuads) {
  ZVI_FontainPtclSys model;
  model.range.value = 1000;
  model.speed.SetValue(1u);
  std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
  auto* mech = dynamic_cast<ZVI_ParticleSystemMech*>(runtime.get());
  ASSERT_NE(mech, nullptr);
  EXPECT_EQ(mech->GetKind(), 8);
  ASSERT_EQ(mech->batches.size(), 1u);
  // Warmed up: 5 s at 20 per second.
  EXPECT_NEAR(static_cast<int>(mech->system->particles.size()), 100, 2);
  EXPECT_NE(mech->system->params.flags & kClassicOffsetOscillations, 0);
  mech->Update(0.0f);
  mech->Update(0.1f);
  EXPECT_EQ(mech->CountAt(0), 0u);
  mech->system->params.glowMode.value = 2;
  EXPECT_EQ(mech->NeedsBackground(), 1);
  mech->SetRunning(false);
  EXPECT_EQ(mech->NeedsBackground(), 0);
  // Batch indices outside the vectors do nothing.
  mech->SetCount(5, 3);
  EXPECT_EQ(mech->CountAt(5), 0u);
  EXPECT_EQ(mech->BatchAt(5), nullptr);
}

// ---- bursts

BurstRecord Burst(int32_t version) {
  BurstRecord r;
  r.version = version;
  r.source[0] = 100.0f;
  r.source[1] = 50.0f;
  r.burstCount = 10;
  r.speed = 25;  // 100 units per second
  r.range = 200;
  r.angle = 90;
  r.spread = 0;
  r.gravity = 3;
  r.gravityFlag = 1;
  r.areaMode = 0;
  r.areaRadius = 0;
  r.system.block.sizeFadeIn = 30;
  r.system.block.sizeFadeOut = 80;
  r.system.block.alphaFadeIn = 5;
  r.system.block.alphaFadeOut = 90;
  return r;
}

template <class T>
std::unique_ptr<T> ReadModel(const ByteBuilder& b) {
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

TEST(BurstRecords, EveryVersion) {
  for (int32_t v = 1; v <= 4; ++v) {
    SCOPED_TRACE(v);
    BurstRecord r = Burst(v);
    r.areaMode = 1;
    r.areaRadius = 7;
    // A legacy system record, which carries neither gravity nor envelopes.
    r.system.version = 4;
    ByteBuilder b;
    WriteBurst(b, r);
    auto s = ReadModel<ZVI_BurstPtclSys>(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->source.point.value, D3DXVECTOR3(100.0f, 50.0f, 0.0f));
    EXPECT_EQ(s->burstCount.value, 10u);
    EXPECT_FLOAT_EQ(s->speed.derived, 100.0f);
    EXPECT_EQ(s->range.value, 200u);
    EXPECT_EQ(s->direction.value, 90u);
    EXPECT_NEAR(s->direction.direction.y, 1.0f, 1e-6f);
    EXPECT_EQ(s->areaMode.value, v >= 2 ? 1 : 0);
    EXPECT_EQ(s->areaRadius.value, v >= 2 ? 7u : 0u);
    EXPECT_FLOAT_EQ(s->params.gravity.derived, v < 4 ? 15.0f : 0.0f);
    EXPECT_EQ(s->params.gravityDirection.value, v < 4 ? 2 : 0);
    EXPECT_EQ(s->params.flags & kClassicPhysics, v < 4 ? kClassicPhysics : 0);
    // Records before version 3 get fixed envelopes.
    EXPECT_EQ(s->params.sizeEnvelope.fadeInEnd.value, 0u);
    EXPECT_EQ(s->params.sizeEnvelope.fadeOutStart.value, 100u);
    EXPECT_EQ(s->params.alphaEnvelope.fadeInEnd.value, v < 3 ? 10u : 0u);
    EXPECT_EQ(s->params.alphaEnvelope.fadeOutStart.value, v < 3 ? 60u : 100u);
  }
}

TEST(BurstRecords, TheNestedBlockIsReadLast) {
  // The burst fields come first: a current block record overrides them.
  BurstRecord r = Burst(2);
  ByteBuilder b;
  WriteBurst(b, r);
  auto s = ReadModel<ZVI_BurstPtclSys>(b);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->params.alphaEnvelope.fadeOutStart.value, 90u);
  EXPECT_EQ(s->params.gravityDirection.value, 0);
  EXPECT_EQ(s->params.flags & kClassicPhysics, 0);
}

TEST(BurstRecords, FountainsAndPresets) {
  for (int32_t v : {1, 2}) {
    SCOPED_TRACE(v);
    FountainRecord f;
    f.version = v;
    f.rate = 50;
    f.burst = Burst(3);
    f.burst.areaMode = 1;
    f.burst.system.version = 4;
    ByteBuilder b;
    WriteFountain(b, f);
    auto s = ReadModel<ZVI_FontainPtclSys>(b);
    ASSERT_TRUE(s);
    EXPECT_FLOAT_EQ(s->counter.rate.derived, 10.0f);
    EXPECT_EQ(s->burstCount.value, 10u);
    EXPECT_EQ(s->areaMode.value, v == 1 ? 0 : 1);
    EXPECT_EQ(s->params.alphaEnvelope.fadeOutStart.value, v == 1 ? 60u : 100u);
    EXPECT_EQ(s->params.flags & kClassicPhysics, kClassicPhysics);
  }
  const char16_t* names[] = {u"DS_PtclFire", u"DS_WaterJet", u"DS_LightBeams", u"DS_PtclSmoke", u"DS_PtclFireStream"};
  for (const char16_t* name : names) {
    PresetRecord p;
    p.className = name;
    p.kept[0] = 11;
    p.wind = 60;
    p.fountain.rate = 30;
    ByteBuilder b;
    WritePreset(b, p);
    auto s = ReadModel<ZVI_FontainPtclSys>(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ClassName(), std::u16string_view(name));
    EXPECT_FLOAT_EQ(s->counter.rate.derived, 6.0f);
    if (auto* smoke = dynamic_cast<DS_PtclSmoke*>(s.get())) {
      EXPECT_FLOAT_EQ(smoke->wind.derived, 100.0f);
    }
  }
}

TEST(BurstRecords, TruncatedRecordsAreRefused) {
  RegisterEverything();
  PresetRecord p;
  p.className = u"DS_PtclSmoke";
  ByteBuilder b;
  WritePreset(b, p);
  for (size_t cut = 0; cut + 1 < b.size(); cut += 5) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObject(ar), DS_Error) << cut;
  }
}

TEST(SystemRecords, LegacyVersions) {
  for (int32_t v = 1; v <= 4; ++v) {
    SCOPED_TRACE(v);
    BurstRecord r = Burst(4);
    ParticleSystemRecord& s = r.system;
    s.version = v;
    s.block.image.links = {{u"a.png", 3}};
    s.block.effectName = u"fx.bin";
    s.block.effectId = 9;
    s.block.frameSpeed = 200;
    s.block.particleSize = 12;
    s.block.colours.colours = {0x00112233u};
    s.block.colours.transparency = 40;
    s.block.mirrorV = 1;
    s.shapeIndex = 5;
    s.shapeList = {4, 1};
    s.systemSpeed = 150;
    ByteBuilder b;
    WriteBurst(b, r);
    auto m = ReadModel<ZVI_BurstPtclSys>(b);
    ASSERT_TRUE(m);
    const ClassicParticleParams& k = m->params;
    EXPECT_EQ(k.shapeName.value, v < 3 ? u"Rain dreop" : u"Bubble");
    EXPECT_EQ(k.particleImage.value.currentLinkName, u"a.png");
    EXPECT_EQ(k.particleImage.value.currentLinkId, 3);
    EXPECT_EQ(k.effectLink.name, u"fx.bin");
    EXPECT_FLOAT_EQ(k.frameSpeed.derived, 2.0f);
    EXPECT_EQ(k.particleSize.value, 12u);
    EXPECT_EQ(k.colors.colours.value[0], 0x00112233u);
    EXPECT_EQ(k.colors.transparency.value, 40u);
    EXPECT_EQ(k.mirrorV.value, v >= 2 ? 1 : 0);
    EXPECT_FLOAT_EQ(m->systemSpeed.derived, v >= 4 ? 1.5f : 1.0f);
  }
}

TEST(SystemRecords, LegacyShapeListsAndVersionFive) {
  BurstRecord r = Burst(4);
  r.system.version = 3;
  r.system.shapeList.clear();
  ByteBuilder b;
  WriteBurst(b, r);
  auto m = ReadModel<ZVI_BurstPtclSys>(b);
  ASSERT_TRUE(m);
  EXPECT_TRUE(m->params.shapeName.value.empty());
  r.system.version = 2;
  r.system.shapeIndex = 9;  // outside the table: unchanged
  ByteBuilder c;
  WriteBurst(c, r);
  m = ReadModel<ZVI_BurstPtclSys>(c);
  EXPECT_TRUE(m->params.shapeName.value.empty());
  r.system.version = 5;
  r.system.shapeName = u"Sphere";
  r.system.systemSpeed = 30;
  ByteBuilder d;
  WriteBurst(d, r);
  m = ReadModel<ZVI_BurstPtclSys>(d);
  EXPECT_EQ(m->params.shapeName.value, u"Sphere");
  EXPECT_FLOAT_EQ(m->systemSpeed.derived, 0.3f);
}

// ---- burst and fountain behaviour

class BurstBehaviour : public ::testing::Test {
 protected:
  void SetUp() override { crt_srand(1); }
  ZVI_BurstPtclSys burst_;
  ClassicParticleList out_;
};

TEST_F(BurstBehaviour, AllAtOnceWhenShown) {
  burst_.burstCount.value = 10;
  burst_.range.value = 1000;
  burst_.speed.SetValue(1u);
  burst_.Simulate(0.1f);
  EXPECT_EQ(burst_.particles.size(), 10u);
  EXPECT_EQ(burst_.emittedCount, 10);
  burst_.Simulate(0.1f);
  EXPECT_EQ(burst_.particles.size(), 10u);  // never a second time while shown
}

TEST_F(BurstBehaviour, SpreadOverTheFadeAndFiredAgainAfterHidden) {
  burst_.burstCount.value = 10;
  burst_.range.value = 1000;
  burst_.speed.SetValue(1u);
  const float fade[] = {0.25f, 0.5f, 0.95f, 1.0f};
  const size_t want[] = {2, 5, 9, 10};
  for (int i = 0; i < 4; ++i) {
    UseTimeline(burst_, kTimelineAppearing, fade[i]);
    burst_.Simulate(0.05f);
    EXPECT_EQ(burst_.particles.size(), want[i]) << i;
  }
  UseTimeline(burst_, kTimelineDisappearing, 0.5f);
  burst_.Simulate(0.05f);
  EXPECT_EQ(burst_.particles.size(), 10u);
  UseTimeline(burst_, kTimelineHidden, 0.0f);
  burst_.Simulate(0.05f);
  EXPECT_EQ(burst_.emittedCount, 0);
  UseTimeline(burst_, kTimelineShown, 1.0f);
  burst_.Simulate(0.05f);
  EXPECT_EQ(burst_.particles.size(), 20u);
  burst_.ResetTime();
  EXPECT_TRUE(burst_.particles.empty());
  EXPECT_EQ(burst_.emittedCount, 0);
}

TEST_F(BurstBehaviour, HugeBurstsFillOneBatch) {
  burst_.burstCount.value = 4000000000u;
  burst_.range.value = 10;  // speed 0: never die, never move
  burst_.Simulate(0.1f);
  EXPECT_EQ(burst_.particles.size(), kMaxBatchParticles);
  burst_.Simulate(0.1f);
  EXPECT_EQ(burst_.particles.size(), kMaxBatchParticles);
}

TEST_F(BurstBehaviour, FountainOfSpeedZeroStopsAtOneBatch) {
  ZVI_FontainPtclSys f;
  f.range.value = 10;
  f.counter.rate.SetValue(100000u);  // 20000 per second
  for (int i = 0; i < 10; ++i) f.Simulate(0.2f);
  EXPECT_EQ(f.particles.size(), kMaxBatchParticles);
  ZVI_FontainPtclSys none;  // range 0 and speed 0: dead in the first step
  none.Simulate(0.2f);
  none.Simulate(0.2f);
  EXPECT_EQ(none.particles.size(), 4u);  // only this step's newborns
}

TEST_F(BurstBehaviour, PointModeAlongTheDirection) {
  burst_.source.point.value = D3DXVECTOR3(10, 20, 0);
  burst_.speed.SetValue(5u);
  burst_.range.value = 100;
  burst_.direction.value = 90;
  burst_.direction.Recompute();
  burst_.areaRadius.value = 0;
  burst_.MakeParticles(out_, 3);
  ASSERT_EQ(out_.size(), 3u);
  for (auto& p : out_) {
    EXPECT_NEAR(p->velocity.x, 0.0f, 1e-4f);
    EXPECT_NEAR(p->velocity.y, -20.0f, 1e-4f);
    EXPECT_EQ(p->position, D3DXVECTOR3(10, 20, 0));
    EXPECT_FLOAT_EQ(p->Factor2(), 0.0f);
    EXPECT_FLOAT_EQ(p->LifeSpan(), 5.0f);
    EXPECT_NE(dynamic_cast<IPR_Kinematic*>(p->routines.back().get()), nullptr);
  }
  EXPECT_EQ(burst_.particles.size(), 3u);
}

TEST_F(BurstBehaviour, AreaModeConvergesOnTheFocus) {
  burst_.speed.SetValue(1u);
  burst_.direction.value = 0;
  burst_.direction.Recompute();
  burst_.direction.spread.value = 60;
  burst_.areaMode.value = 1;
  burst_.areaRadius.value = 10;
  burst_.MakeParticles(out_, 20);
  // Focus = source + (1, 0, 0) x 10 / sin(30 degrees).
  for (auto& p : out_) {
    D3DXVECTOR3 to = D3DXVECTOR3(20.0f, 0.0f, 0.0f) - p->position;
    const float len = std::sqrt(to.x * to.x + to.y * to.y);
    EXPECT_NEAR(p->velocity.x, to.x / len * 4.0f, 1e-3f);
    EXPECT_NEAR(p->velocity.y, to.y / len * 4.0f, 1e-3f);
  }
  burst_.direction.spread.value = 0;
  burst_.MakeParticles(out_, 2);
  EXPECT_NEAR(out_[0]->velocity.x, 4.0f, 1e-5f);
}

TEST_F(BurstBehaviour, FireAcceleratesAlongItsDirectionSmokeDriftsWithWind) {
  DS_PtclFire fire;
  fire.direction.value = 90;
  fire.direction.Recompute();
  fire.params.gravity.SetValue(2u);
  fire.MakeParticles(out_, 1);
  EXPECT_NEAR(out_[0]->acceleration.x, 0.0f, 1e-5f);
  EXPECT_NEAR(out_[0]->acceleration.y, -10.0f, 1e-5f);

  DS_PtclSmoke smoke;
  smoke.params.flags = kClassicPhysics;
  smoke.params.gravityDirection.value = 1;
  smoke.params.gravity.SetValue(2u);
  smoke.params.airResistance.SetValue(10u);
  smoke.wind.SetValue(60u);
  smoke.MakeParticles(out_, 1);
  EXPECT_EQ(smoke.params.flags & kClassicPhysics, 0);
  ClassicParticle& p = *out_[0];
  EXPECT_EQ(p.acceleration, D3DXVECTOR3(0, 0, 0));
  auto* wind = dynamic_cast<IPR_Wind*>(p.routines[0].get());
  ASSERT_NE(wind, nullptr);
  EXPECT_FLOAT_EQ(wind->wind.x, 100.0f);
  EXPECT_FLOAT_EQ(wind->c, 0.1f);
  for (auto& r : p.routines) EXPECT_EQ(dynamic_cast<IPR_AirResist*>(r.get()), nullptr);
}

TEST_F(BurstBehaviour, FountainRateFollowsVisibility) {
  ZVI_FontainPtclSys f;
  f.range.value = 1000;
  f.speed.SetValue(1u);
  UseTimeline(f, kTimelineAppearing, 0.5f);
  f.Simulate(1.0f);
  EXPECT_EQ(f.particles.size(), 10u);
  UseTimeline(f, kTimelineHidden, 0.0f);
  f.Simulate(1.0f);
  EXPECT_EQ(f.particles.size(), 10u);
}

}  // namespace
