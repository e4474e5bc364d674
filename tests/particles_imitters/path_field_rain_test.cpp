#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/imitters/field_rain.h"
#include "particles/imitters/path_trace.h"
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

// A B-spline point record: version, position, out and in tangents.
void Point(ByteBuilder& b, float x, float y, float ox, float oy) {
  b.U32(1).F32(x).F32(y).F32(0).F32(ox).F32(oy).F32(0).F32(-ox).F32(-oy).F32(0);
}

ByteBuilder& System(ByteBuilder& b) { return WriteParticleSystem(b, ParticleSystemRecord{}); }

// A straight path from (x0, y) to (x1, y).
void Straight(SplinePath& path, float x0, float x1, float y) {
  path.AddPoint(DX_BSplinePnt(x0, y), nullptr);
  path.AddPoint(DX_BSplinePnt(x1, y), nullptr);
  path.Resample();
}

std::vector<D3DXVECTOR3> TenPositions() {
  std::vector<D3DXVECTOR3> v;
  for (int i = 0; i < 10; ++i) v.emplace_back(10.0f * i, 5.0f, 0.0f);
  return v;
}

// A timeline with a cycle whose state a test sets.
class CycleTimeline : public ZVI_Timing {
 public:
  explicit CycleTimeline(float length) : cycle(length) {}
  float GetCycleLength() override { return cycle; }
  float cycle;
};

template <class T>
T* Find(ClassicParticle& p, int nth = 0) {
  for (auto& r : p.routines)
    if (auto* t = dynamic_cast<T*>(r.get()))
      if (nth-- == 0) return t;
  return nullptr;
}

// ---- records

TEST(PathFieldRainRecords, PathFieldsInOrder) {
  ByteBuilder b;
  b.Header(u"ZVI_ParticlePath", 1);
  b.I32(2);
  Point(b, 0, 10, 3, 0);
  Point(b, 9, 10, 3, 0);
  b.U32(50).U32(7).U32(30).U32(12).I32(1).U32(2500).U32(10).U32(20).U32(30).U32(70);
  System(b);
  auto s = Read<ZVI_ParticlePath>(b);
  ASSERT_TRUE(s);
  ASSERT_EQ(s->path.points.size(), 2u);
  EXPECT_EQ(s->path.points[1]->value, D3DXVECTOR3(9, 10, 0));
  EXPECT_FLOAT_EQ(s->counter.rate.derived, 10.0f);
  EXPECT_FLOAT_EQ(s->speed.derived, 7.0f);
  EXPECT_FLOAT_EQ(s->speedVariation.derived, 0.7f);
  EXPECT_EQ(s->wobbleWidth.value, 12u);
  EXPECT_EQ(s->wobbleMode.value, 1);
  EXPECT_FLOAT_EQ(s->wobbleFrequency.derived, 1.0f);
  EXPECT_FLOAT_EQ(s->startFactor.derived, 0.1f);
  EXPECT_FLOAT_EQ(s->endFactor.derived, 0.2f);
  EXPECT_FLOAT_EQ(s->rampInEnd.derived, 0.3f);
  EXPECT_FLOAT_EQ(s->rampOutStart.derived, 0.7f);
}

TEST(PathFieldRainRecords, TraceFieldAndRainFieldsInOrder) {
  ByteBuilder t;
  t.Header(u"ZVI_ParticleTrace", 1);
  t.I32(1);
  Point(t, 4, 5, 0, 0);
  t.U32(9).U32(150).U32(3).U32(20);
  System(t);
  auto trace = Read<ZVI_ParticleTrace>(t);
  ASSERT_TRUE(trace);
  EXPECT_EQ(trace->path.points.size(), 1u);
  EXPECT_EQ(trace->particleCount.value, 9u);
  EXPECT_FLOAT_EQ(trace->life.derived, 1.5f);
  EXPECT_EQ(trace->spread.value, 3u);
  EXPECT_FLOAT_EQ(trace->flySpeed.derived, 20.0f);
  EXPECT_FALSE(trace->cursor);

  ByteBuilder f;
  f.Header(u"ZVI_FieldPtclSys", 1);
  f.U32(250).U32(55).I32(3);
  for (int i = 0; i < 3; ++i) f.F32(10.0f * i).F32(1).F32(2);
  f.U32(90).U32(15).U32(6);
  System(f);
  auto field = Read<ZVI_FieldPtclSys>(f);
  ASSERT_TRUE(field);
  EXPECT_FLOAT_EQ(field->life.derived, 2.5f);
  EXPECT_FLOAT_EQ(field->fill.derived, 0.55f);
  ASSERT_EQ(field->positions.positions.size(), 3u);
  EXPECT_EQ(field->positions.positions[2].position, D3DXVECTOR3(20, 1, 2));
  EXPECT_EQ(field->positions.freeList, (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(field->direction.value, 90u);
  EXPECT_NEAR(field->direction.direction.y, 1.0f, 1e-6f);
  EXPECT_EQ(field->direction.spread.value, 15u);
  EXPECT_FLOAT_EQ(field->speed.derived, 6.0f);

  ByteBuilder r;
  r.Header(u"DS_RainOnGlass", 1);
  r.U32(25);
  for (int i = 0; i < 12; ++i) r.F32(static_cast<float>(i));
  r.U32(30).U32(90);
  System(r);
  auto rain = Read<DS_RainOnGlass>(r);
  ASSERT_TRUE(rain);
  EXPECT_FLOAT_EQ(rain->counter.rate.derived, 5.0f);
  EXPECT_EQ(rain->area.rect.corners[3].value, D3DXVECTOR3(9, 10, 11));
  EXPECT_FLOAT_EQ(rain->gravity.derived, 30.0f);
  // Angle 90: gravity is the direction (0, 1, 0) with y turned over.
  const D3DXVECTOR3 g = rain->GravityVector();
  EXPECT_NEAR(g.x, 0.0f, 1e-4f);
  EXPECT_NEAR(g.y, -30.0f, 1e-4f);
  EXPECT_FLOAT_EQ(rain->GetWarmUpTime(), 15.0f);
}

TEST(PathFieldRainRecords, WritersRoundTripAndTruncationsFailCleanly) {
  std::vector<ByteBuilder> records;
  AppendPathFieldRainSamples(records);
  ASSERT_EQ(records.size(), 5u);
  RegisterEverything();
  for (const ByteBuilder& b : records) {
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    auto model = ReadObject(ar);
    ASSERT_TRUE(model);
    EXPECT_EQ(ar.Remaining(), 0u);
    for (size_t cut : {size_t{8}, b.size() / 3, b.size() - 1}) {
      MemoryArchive bad(b.bytes().data(), cut, true);
      EXPECT_THROW(ReadObject(bad), DS_Error) << cut;
    }
  }
}

TEST(PathFieldRainRecords, ClonesShareWhatTheyShould) {
  ZVI_ParticlePath path;
  Straight(path.path, 0, 10, 0);
  std::unique_ptr<ZVI_ParticleSystemCtrl> pathCopy(path.Clone());
  auto* p = dynamic_cast<ZVI_ParticlePath*>(pathCopy.get());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->path.points[1].get(), path.path.points[1].get());  // control points shared

  ZVI_ParticleTrace trace;
  trace.cursor = DS_SafePtr<PathCursor>(new PathCursor(&trace.path.samples));
  std::unique_ptr<ZVI_ParticleSystemCtrl> traceCopy(trace.Clone());
  auto* t = dynamic_cast<ZVI_ParticleTrace*>(traceCopy.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->cursor.get(), trace.cursor.get());
  EXPECT_EQ(trace.cursor.UseCount(), 2);

  ZVI_FieldPtclSys field;
  field.positions.SetPositions(TenPositions());
  field.fill.SetValue(30);
  field.Simulate(0.0f);
  std::unique_ptr<ZVI_ParticleSystemCtrl> fieldCopy(field.Clone());
  auto* f = dynamic_cast<ZVI_FieldPtclSys*>(fieldCopy.get());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->positions.freeList, field.positions.freeList);
  EXPECT_EQ(f->positions.positions.size(), 10u);

  DS_RainOnGlass rain;
  rain.interaction = DS_SafePtr<IPR_RainInteractionRoutine>(new IPR_RainInteractionRoutine(rain.area.rect));
  std::unique_ptr<ZVI_ParticleSystemCtrl> rainCopy(rain.Clone());
  EXPECT_EQ(dynamic_cast<DS_RainOnGlass*>(rainCopy.get())->interaction.get(), rain.interaction.get());
}

// ---- path

TEST(ParticlePath, OneControlPointEmitsNothing) {
  ZVI_ParticlePath s;
  s.path.AddPoint(DX_BSplinePnt(5, 5), nullptr);
  s.path.Resample();
  s.counter.rate.SetValue(500);
  for (int i = 0; i < 5; ++i) s.Simulate(0.2f);
  EXPECT_TRUE(s.particles.empty());

  s.path.AddPoint(DX_BSplinePnt(50, 5), nullptr);
  s.path.Resample();
  s.Simulate(0.2f);
  EXPECT_EQ(s.particles.size(), 20u);
  // Newborns start at control point 0 and are stepped by their share.
  EXPECT_NEAR(s.particles.front()->position.x, 5.0f, 1e-3f);
  EXPECT_GT(s.particles.back()->position.x, 5.0f);
}

TEST(ParticlePath, RampsOfTheWobble) {
  struct Case {
    uint32_t start, end, rampIn, rampOut;
    float at0, at50, at100;
  } cases[] = {
      {0, 0, 20, 80, 0.0f, 1.0f, 0.0f},
      {50, 25, 20, 80, 0.5f, 1.0f, 0.25f},
      {50, 25, 50, 50, 0.0f, 1.0f, 0.0f},  // ramp-out not after ramp-in: factors 0
      {50, 25, 70, 30, 0.0f, 0.5102041f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rampOut);
    ZVI_ParticlePath s;
    Straight(s.path, 0, 100, 0);
    ASSERT_NEAR(s.path.total_length, 100.0f, 1e-3f);
    s.startFactor.SetValue(c.start);
    s.endFactor.SetValue(c.end);
    s.rampInEnd.SetValue(c.rampIn);
    s.rampOutStart.SetValue(c.rampOut);
    ClassicParticle p(D3DXVECTOR3(0, 0, 0));
    s.SetupPathParticle(p);
    auto* in = Find<IPR_IncrementM>(p, 0);
    auto* out = Find<IPR_IncrementM>(p, 1);
    ASSERT_TRUE(in && out);
    const float expected[] = {c.at0, c.at50, c.at100};
    const float ages[] = {0.0f, 50.0f, 100.0f};
    for (int i = 0; i < 3; ++i) {
      ClassicParticle q(D3DXVECTOR3(0, 0, 0));
      q.Age() = ages[i];
      in->Apply(0.0f, q);
      out->Apply(0.0f, q);
      EXPECT_NEAR(q.Multiplier(6), expected[i], 1e-5f) << ages[i];
    }
  }
}

TEST(ParticlePath, SpeedFactorsAndHarmonicWobble) {
  for (uint32_t variation : {0u, 30u}) {
    ZVI_ParticlePath s;
    Straight(s.path, 0, 100, 0);
    s.speedVariation.SetValue(variation);
    s.wobbleFrequency.SetValue(2500);  // 1 radian per unit
    crt_srand(5);
    float lo = 10.0f, hi = 0.0f;
    for (int i = 0; i < 200; ++i) {
      ClassicParticle p(D3DXVECTOR3(0, 0, 0));
      s.SetupPathParticle(p);
      auto* tracker = dynamic_cast<IPR_PathTracker*>(p.lifeController.get());
      ASSERT_NE(tracker, nullptr);
      lo = std::min(lo, tracker->factor);
      hi = std::max(hi, tracker->factor);
      EXPECT_GE(p.Free(2), -0.5f);
      EXPECT_LE(p.Free(2), 0.5f);
      auto* h = Find<IPR_Harmonic>(p);
      ASSERT_NE(h, nullptr);
      EXPECT_FLOAT_EQ(std::fabs(h->frequency), 1.0f);
    }
    EXPECT_GE(lo, 1.0f);
    EXPECT_LE(hi, 1.0f + variation / 100.0f + 1e-6f);
    if (variation > 0) {
      EXPECT_GT(hi - lo, 0.2f);
    }
  }
}

TEST(ParticlePath, TrackerDrawsItsFactorBeforeTheBlock) {
  ZVI_ParticlePath s;
  Straight(s.path, 0, 100, 0);
  s.speedVariation.SetValue(40);
  s.wobbleFrequency.SetValue(100);
  crt_srand(3);
  const float r = crt_rand01();
  const int odd = crt_rand() & 1;
  const float phase = crt_rand01();
  const float factor = 2.0f - (crt_rand01() * (1.0f - 0.6f) + 0.6f);
  crt_srand(3);
  ClassicParticle p(D3DXVECTOR3(0, 0, 0));
  s.SetupPathParticle(p);
  EXPECT_FLOAT_EQ(p.Free(2), r - 0.5f);
  EXPECT_FLOAT_EQ(Find<IPR_Harmonic>(p)->phase, phase * 6.2831855f);
  EXPECT_EQ(Find<IPR_Harmonic>(p)->frequency < 0.0f, odd == 1);
  EXPECT_FLOAT_EQ(dynamic_cast<IPR_PathTracker*>(p.lifeController.get())->factor, factor);
}

class CountingPath : public ZVI_ParticlePath {
 public:
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override {
    ++calls;
    return ZVI_ParticlePath::Emit(out, dt);
  }
  int calls = 0;
};

TEST(ParticlePath, WarmUpIsTheCrossingTime) {
  CountingPath s;
  Straight(s.path, 0, 100, 0);
  s.path.total_length = 100.0f;
  s.speed.SetValue(20);
  s.ResetTime();
  EXPECT_EQ(s.calls, 51);
  EXPECT_FALSE(s.particles.empty());

  // Length 100 at speed 1: the whole 100 s, a thousand steps of 0.1 s.
  CountingPath slow;
  Straight(slow.path, 0, 100, 0);
  slow.path.total_length = 100.0f;
  slow.speed.SetValue(1);
  slow.ResetTime();
  EXPECT_GE(slow.calls, 1000);
  EXPECT_LE(slow.calls, 1001);

  // Speed 0: an infinite crossing is not pre-run at all.
  CountingPath still;
  Straight(still.path, 0, 100, 0);
  still.speed.SetValue(0);
  still.ResetTime();
  EXPECT_EQ(still.calls, 0);
}

TEST(ParticlePath, ParticlesFollowThePathAndDieAtItsEnd) {
  ZVI_ParticlePath s;
  Straight(s.path, 0, 100, 20);
  s.speed.SetValue(50);
  s.wobbleWidth.value = 10;
  s.counter.rate.SetValue(100);
  for (int i = 0; i < 10; ++i) s.Simulate(0.2f);
  ASSERT_FALSE(s.particles.empty());
  for (auto& p : s.particles) {
    EXPECT_NEAR(p->position.y, 20.0f, 5.0f + 1e-3f);  // within half the width
    EXPECT_LE(p->Age(), 100.0f + 1e-3f);               // age is the distance
    EXPECT_NEAR(p->position.x, p->Age(), 1e-2f);
  }
  // Two seconds to cross at 50: older particles have gone.
  EXPECT_LE(s.particles.size(), 41u);
}

// ---- trace

TEST(ParticleTrace, DropsNParticlesPerCycleAtEqualSpacing) {
  ZVI_ParticleTrace s;
  Straight(s.path, 0, 100, 50);
  s.cursor = DS_SafePtr<PathCursor>(new PathCursor(&s.path.samples));
  s.timing.SetCurrentTimeline(new CycleTimeline(1.0f));
  s.particleCount.value = 5;
  s.life.SetValue(1000);
  const size_t expected[] = {1, 1, 2, 2, 2, 3, 3, 4, 4, 4, 5};
  for (size_t n : expected) {
    s.Simulate(0.1f);
    EXPECT_EQ(s.particles.size(), n);
  }
  for (size_t i = 0; i < s.particles.size(); ++i) {
    EXPECT_NEAR(s.particles[i]->position.x, 25.0f * i, 0.05f);
    EXPECT_NEAR(s.particles[i]->position.y, 50.0f, 0.05f);
  }
  // Leaving the shown state restarts from the start of the path.
  s.timing.Current()->state = kTimelineHidden;
  s.Simulate(0.1f);
  EXPECT_EQ(s.carried, 0.0f);
  s.timing.Current()->state = kTimelineShown;
  s.particles.clear();
  s.Simulate(0.05f);
  ASSERT_EQ(s.particles.size(), 1u);
  EXPECT_NEAR(s.particles[0]->position.x, 0.0f, 0.05f);
}

TEST(ParticleTrace, NoCycleOrOneParticleDropsNothing) {
  struct Case {
    float cycle;
    uint32_t count;
  } cases[] = {{0.0f, 5}, {1.0f, 1}, {1.0f, 0}};
  for (const Case& c : cases) {
    ZVI_ParticleTrace s;
    Straight(s.path, 0, 100, 50);
    s.cursor = DS_SafePtr<PathCursor>(new PathCursor(&s.path.samples));
    if (c.cycle > 0.0f) s.timing.SetCurrentTimeline(new CycleTimeline(c.cycle));
    s.particleCount.value = c.count;
    s.life.SetValue(1000);
    for (int i = 0; i < 20; ++i) s.Simulate(0.1f);
    EXPECT_TRUE(s.particles.empty()) << c.count;
    EXPECT_EQ(s.GetWarmUpTime(), 0.0f);
  }
}

TEST(ParticleTrace, DroppedParticlesFlyAcrossThePath) {
  ZVI_ParticleTrace s;
  Straight(s.path, 0, 100, 0);
  s.cursor = DS_SafePtr<PathCursor>(new PathCursor(&s.path.samples));
  s.flySpeed.SetValue(10);
  s.spread.value = 4;
  s.life.SetValue(50);
  crt_srand(9);
  for (int i = 0; i < 20; ++i) s.DropParticle(D3DXVECTOR3(30, 0, 0), D3DXVECTOR3(2, 0, 0));
  for (auto& p : s.particles) {
    const D3DXVECTOR3 d = p->position - D3DXVECTOR3(30, 0, 0);
    EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y), 4.0f, 1e-4f);
    EXPECT_NEAR(p->velocity.x, 0.0f, 1e-4f);  // perpendicular to the path
    EXPECT_NEAR(std::hypot(p->velocity.y, p->velocity.z), 10.0f, 1e-4f);
    EXPECT_FLOAT_EQ(p->LifeSpan(), 0.5f);
  }
}

TEST(ParticleTrace, ATinySpacingCannotHangAFrame) {
  ZVI_ParticleTrace s;
  Straight(s.path, 0, 100, 0);
  s.cursor = DS_SafePtr<PathCursor>(new PathCursor(&s.path.samples));
  s.timing.SetCurrentTimeline(new CycleTimeline(1.0f));
  s.particleCount.value = 4000000000u;
  s.life.SetValue(1000);
  for (int i = 0; i < 3; ++i) s.Simulate(0.2f);
  EXPECT_EQ(s.particles.size(), kMaxBatchParticles);
  EXPECT_LE(s.carried, 100.0f / 3999999999.0f);
}

// ---- field

TEST(FieldSystem, KeepsItsShareOfThePositionsOccupied) {
  struct Case {
    size_t positions;
    uint32_t fill;
    size_t kept;
  } cases[] = {{10, 55, 5}, {10, 100, 10}, {10, 200, 10}, {10, 4000000000u, 10}, {0, 100, 0}, {10, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fill);
    ZVI_FieldPtclSys s;
    std::vector<D3DXVECTOR3> where = TenPositions();
    where.resize(c.positions);
    s.positions.SetPositions(where);
    s.fill.SetValue(c.fill);
    s.life.SetValue(30);
    for (int i = 0; i < 12; ++i) {
      s.Simulate(0.1f);
      ASSERT_EQ(s.particles.size(), c.kept);
      std::set<float> xs;
      for (auto& p : s.particles) xs.insert(p->position.x);
      EXPECT_EQ(xs.size(), c.kept);  // one particle per position
    }
  }
}

TEST(FieldSystem, ResetFillsAtOnceWithRandomAges) {
  ZVI_FieldPtclSys one;
  one.positions.SetPositions({D3DXVECTOR3(1, 2, 0)});
  one.fill.SetValue(100);
  one.life.SetValue(200);
  crt_srand(7);
  crt_rand();  // the free position drawn
  const float r = crt_rand01();
  crt_srand(7);
  one.ResetTime();
  ASSERT_EQ(one.particles.size(), 1u);
  EXPECT_FLOAT_EQ(one.particles[0]->Age(), r * 2.0f);
  EXPECT_EQ(one.particles[0]->position, D3DXVECTOR3(1, 2, 0));

  ZVI_FieldPtclSys s;
  s.positions.SetPositions(TenPositions());
  s.fill.SetValue(100);
  s.life.SetValue(100);
  s.ResetTime();
  ASSERT_EQ(s.particles.size(), 10u);
  std::set<float> ages;
  for (auto& p : s.particles) {
    EXPECT_GE(p->Age(), 0.0f);
    EXPECT_LE(p->Age(), 1.0f);
    ages.insert(p->Age());
  }
  EXPECT_GT(ages.size(), 5u);
  // A second reset gives every position back before filling again.
  s.ResetTime();
  EXPECT_EQ(s.particles.size(), 10u);

  // Not continuous: cleared, not filled.
  s.timing.value = 2;
  s.ResetTime();
  EXPECT_TRUE(s.particles.empty());
  EXPECT_EQ(s.positions.freeList.size(), 10u);
}

TEST(FieldSystem, MovesInItsSectorAtItsSpeed) {
  ZVI_FieldPtclSys s;
  s.positions.SetPositions(TenPositions());
  s.fill.SetValue(100);
  s.life.SetValue(100);
  s.speed.SetValue(8);
  s.direction.value = 90;
  s.direction.Recompute();
  s.Simulate(0.0f);
  for (auto& p : s.particles) {
    EXPECT_NEAR(p->velocity.x, 0.0f, 1e-4f);
    EXPECT_NEAR(std::fabs(p->velocity.y), 8.0f, 1e-4f);
  }
}

// ---- rain

TEST(RainOnGlass, MergedSizeIsTheCubeRootOfTheVolumes) {
  EXPECT_EQ(MergedDropSize(1.0f, 1.0f), 1.2599211f);
  EXPECT_EQ(MergedDropSize(1.3f, 1.3f), 1.3f);
  EXPECT_EQ(MergedDropSize(1.2f, 0.9f), 1.3f);
  EXPECT_NEAR(MergedDropSize(0.5f, 0.6f), std::cbrt(0.125 + 0.216), 1e-6);
}

TEST(RainOnGlass, SetupDropAfterSeedOne) {
  DS_RainOnGlass s;
  s.params.angleSpread.value = 10;
  s.params.startAngle.value = 20;
  s.params.particleSize.value = 4;
  s.gravityDirection.value = 270;
  s.gravityDirection.Recompute();
  ClassicParticle d(D3DXVECTOR3(30, 40, 0));
  crt_srand(1);
  s.SetupDrop(d);
  EXPECT_EQ(d.stateBits, static_cast<uint32_t>(kDropArriving));
  EXPECT_FLOAT_EQ(d.atlasOffset[0], 0.5f);
  EXPECT_FLOAT_EQ(d.atlasOffset[1], 0.0f);
  EXPECT_FLOAT_EQ(d.atlasScale[0], 0.5f);
  EXPECT_FLOAT_EQ(d.atlasScale[1], 0.5f);
  auto* dynamic = Find<IPR_RainDynamic>(d);
  ASSERT_NE(dynamic, nullptr);
  EXPECT_NEAR(dynamic->friction, 11.708f, 5e-4f);
  EXPECT_NEAR(dynamic->reroll, 0.2740f, 5e-5f);
  EXPECT_NEAR(Find<IPR_Color>(d)->pick, 0.8087f, 5e-5f);
  EXPECT_NEAR(d.Factor1(), 0.6755f, 5e-5f);
  EXPECT_EQ(d.Factor2(), 0.0f);
  const float a = 26.0f * 3.1415927f / 180.0f;
  EXPECT_NEAR(d.matrix._11, std::cos(a), 1e-6f);
  EXPECT_NEAR(d.matrix._12, std::sin(a), 1e-6f);
  // Started back against gravity (270: (0, -1, 0), so G points to +y) by
  // size 4 x 10 x size factor 1 (still 1 at that moment).
  auto* fall = Find<IPR_RainFall>(d);
  ASSERT_NE(fall, nullptr);
  EXPECT_EQ(fall->landing, D3DXVECTOR3(30, 40, 0));
  EXPECT_NEAR(d.position.x, 30.0f, 1e-4f);
  EXPECT_NEAR(d.position.y, 0.0f, 1e-3f);
  // Routines in their order; no life controller.
  ASSERT_EQ(d.routines.size(), 4u);  // no interaction routine before Prepare
  EXPECT_TRUE(dynamic_cast<IPR_RainFall*>(d.routines[0].get()));
  EXPECT_TRUE(dynamic_cast<IPR_Kinematic*>(d.routines[2].get()));
  EXPECT_FALSE(d.lifeController);
}

TEST(RainOnGlass, NegativeAngleAndAWideSpread) {
  DS_RainOnGlass s;
  s.params.angleSpread.value = 0xFFFFFFFFu;
  for (uint32_t seed = 1; seed < 40; ++seed) {
    ClassicParticle d(D3DXVECTOR3(0, 0, 0));
    crt_srand(seed);
    s.SetupDrop(d);
    EXPECT_TRUE(std::isfinite(d.matrix._11));
  }
}

// A landed drop (no arrival left) at x, y of size factor s.
ClassicParticlePtr Landed(DS_RainOnGlass& sys, float x, float y, float size, bool running) {
  ClassicParticlePtr d(new ClassicParticle(D3DXVECTOR3(x, y, 0)));
  sys.SetupDrop(*d);
  StepClassicParticle(*d, 0.2f);
  d->position = D3DXVECTOR3(x, y, 0);
  d->Factor1() = size;
  d->stateBits = running ? kDropRunning : 0u;
  return d;
}

TEST(RainOnGlass, OverlappingDropsMergeAndTheSurvivorRuns) {
  DS_RainOnGlass s;
  s.params.particleSize.value = 10;  // extent 4.5 x size factor
  s.area.rect.SetCentredRect(200.0f, 200.0f, D3DXVECTOR3(0, 0, 0));
  s.interaction = DS_SafePtr<IPR_RainInteractionRoutine>(new IPR_RainInteractionRoutine(s.area.rect));
  s.particles.push_back(Landed(s, 0, 5, 1.0f, false));
  s.particles.push_back(Landed(s, 3, 0, 1.0f, false));
  s.particles.push_back(Landed(s, 50, 0, 1.0f, false));  // too far to touch
  s.MergeDrops();
  // Sorted by upper edge: the drop at y 0 comes first and flows into the other.
  EXPECT_EQ(s.particles[0]->position.y, 0.0f);
  ClassicParticlePtr b = s.particles[2]->position.y == 5.0f ? s.particles[2] : s.particles[1];
  ASSERT_EQ(b->position.y, 5.0f);
  ClassicParticlePtr a = s.particles[0]->position.x == 3.0f ? s.particles[0] : s.particles[1];
  EXPECT_EQ(a->stateBits & kDropMerging, static_cast<uint32_t>(kDropMerging));
  EXPECT_EQ(b->stateBits, 0u);
  StepClassicParticles(s.particles, 0.05f);
  EXPECT_EQ(s.particles.size(), 3u);
  EXPECT_NEAR(a->Factor2(), 0.5f, 1e-5f);
  StepClassicParticles(s.particles, 0.06f);
  EXPECT_EQ(s.particles.size(), 2u);
  EXPECT_EQ(b->Factor1(), 1.2599211f);
  EXPECT_EQ(b->stateBits, static_cast<uint32_t>(kDropRunning));
  EXPECT_FLOAT_EQ(b->atlasOffset[0], 0.0f);
  EXPECT_FLOAT_EQ(b->matrix._11, 1.0f);
}

TEST(RainOnGlass, LeavingTheAreaKillsAndZeroGravityKeepsRunningDrops) {
  DS_RainOnGlass s;
  s.area.rect.SetCentredRect(100.0f, 100.0f, D3DXVECTOR3(0, 0, 0));
  s.counter.rate.SetValue(0);
  s.interaction = DS_SafePtr<IPR_RainInteractionRoutine>(new IPR_RainInteractionRoutine(s.area.rect));
  ClassicParticlePtr in = Landed(s, 10, 10, 1.0f, true);
  ClassicParticlePtr out = Landed(s, 80, 10, 1.0f, false);
  s.particles = {in, out};
  s.Simulate(0.1f);
  ASSERT_EQ(s.particles.size(), 1u);
  EXPECT_EQ(s.particles[0].get(), in.get());
  for (int i = 0; i < 20; ++i) s.Simulate(0.1f);
  EXPECT_EQ(in->position, D3DXVECTOR3(10, 10, 0));

  // With gravity a small running drop moves down the pane; one moving
  // against gravity stops dead.
  s.gravity.SetValue(50);
  s.gravityDirection.value = 90;
  s.gravityDirection.Recompute();
  ClassicParticlePtr runner = Landed(s, 0, 0, 1.0f, true);
  auto* dyn = Find<IPR_RainDynamic>(*runner);
  dyn->gravity = s.GravityVector();
  dyn->Apply(0.1f, *runner);
  EXPECT_LT(runner->acceleration.y, 0.0f);
  runner->velocity = D3DXVECTOR3(0, 5, 0);
  dyn->Apply(0.1f, *runner);
  EXPECT_EQ(runner->velocity, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(runner->acceleration, D3DXVECTOR3(0, 0, 0));
  // A grown drop falls with full gravity.
  runner->Factor1() = 1.2f;
  runner->velocity = D3DXVECTOR3(0, -5, 0);
  dyn->Apply(0.1f, *runner);
  EXPECT_EQ(runner->acceleration, s.GravityVector());
  EXPECT_LT(runner->Factor1(), 1.2f);
}

// A fall that runs out leaves the drop where it is: only its alpha and
// flags change. Landing (30, 40), started 40 back at (30, 0), 0.15 s.
TEST(RainOnGlass, AFallThatRunsOutStopsWhereItIs) {
  struct Case {
    std::vector<float> steps;
    float y;
  };
  const Case cases[] = {
      {{0.2f}, 0.0f},                   // one long step: not moved at all
      {{0.1f, 0.1f}, 40.0f - 40.0f / 3.0f},  // a third of the way back
      {{0.1f, 0.01f, 0.2f}, 40.0f - 40.0f / 3.0f * 0.8f},
  };
  for (const Case& c : cases) {
    DS_RainOnGlass s;
    s.params.particleSize.value = 4;
    s.gravityDirection.value = 270;
    s.gravityDirection.Recompute();
    ClassicParticle d(D3DXVECTOR3(30, 40, 0));
    crt_srand(1);
    s.SetupDrop(d);
    ASSERT_NEAR(d.position.y, 0.0f, 1e-3f);
    for (float dt : c.steps) EXPECT_TRUE(StepClassicParticle(d, dt));
    EXPECT_NEAR(d.position.y, c.y, 1e-3f) << c.steps.size();
    EXPECT_NEAR(d.position.x, 30.0f, 1e-4f);
    EXPECT_EQ(d.Factor2(), 1.0f);
    EXPECT_EQ(d.stateBits & kDropArriving, 0u);
  }
}

// Warmed up in 0.1 s steps, every drop stops a third of its fall short of
// where it would land: along the downstream edge (gravity to +x) a strip of
// 10 x size / 3 stays dry.
TEST(RainOnGlass, WarmUpLeavesADryStripDownstream) {
  DS_RainOnGlass s;
  s.params.particleSize.value = 6;  // falls of 60, stopped 20 short
  s.area.rect.SetCentredRect(200.0f, 100.0f, D3DXVECTOR3(100.0f, 50.0f, 0.0f));
  s.counter.rate.SetValue(40);
  s.interaction = DS_SafePtr<IPR_RainInteractionRoutine>(new IPR_RainInteractionRoutine(s.area.rect));
  crt_srand(3);
  s.ResetTime();
  ASSERT_GT(s.particles.size(), 50u);
  float most = 0.0f;
  for (auto& d : s.particles) most = std::max(most, d->position.x);
  EXPECT_LE(most, 180.0f + 1e-3f);
  EXPECT_GT(most, 170.0f);
}

// A running drop loses water by |v| dt / 1000 on every step while it is
// above 0.7, also on the step that takes it below.
TEST(RainOnGlass, RunningDropsShrinkPastSevenTenths) {
  struct Case {
    float size, speed, dt, after;
  };
  const Case cases[] = {
      {0.71f, 100.0f, 0.2f, 0.69f},
      {0.9f, 50.0f, 0.1f, 0.895f},
      {0.7f, 100.0f, 0.2f, 0.7f},  // at 0.7 it keeps what it has
  };
  for (const Case& c : cases) {
    DS_RainOnGlass s;
    s.gravity.SetValue(10);
    ClassicParticlePtr d = Landed(s, 0, 0, c.size, true);
    auto* dyn = Find<IPR_RainDynamic>(*d);
    dyn->gravity = s.GravityVector();
    d->velocity = D3DXVECTOR3(c.speed, 0, 0);
    dyn->Apply(c.dt, *d);
    EXPECT_NEAR(d->Factor1(), c.after, 1e-6f) << c.size;
  }
}

// A hostile gravity can drain a drop to nothing in one step; it then stands
// still instead of dividing by its size.
TEST(RainOnGlass, ADrainedDropStandsStill) {
  DS_RainOnGlass s;
  s.gravity.SetValue(4000000000u);
  ClassicParticlePtr d = Landed(s, 0, 0, 0.75f, true);
  auto* dyn = Find<IPR_RainDynamic>(*d);
  dyn->gravity = s.GravityVector();
  d->velocity = D3DXVECTOR3(1.0e5f, 0, 0);
  dyn->Apply(0.1f, *d);
  ASSERT_LE(d->Factor1(), 0.0f);
  for (int i = 0; i < 3; ++i) StepClassicParticle(*d, 0.1f);
  EXPECT_EQ(d->velocity, D3DXVECTOR3(0, 0, 0));
  EXPECT_TRUE(std::isfinite(d->position.x));
}

class CountingRain : public DS_RainOnGlass {
 public:
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override {
    ++calls;
    return DS_RainOnGlass::Emit(out, dt);
  }
  int calls = 0;
};

TEST(RainOnGlass, WarmsUpFifteenSecondsAndACollapsedAreaIsCapped) {
  CountingRain s;
  s.ResetTime();
  EXPECT_EQ(s.calls, 150);

  DS_RainOnGlass flat;  // every corner at the origin: no drop gets out
  flat.counter.rate.SetValue(4000000000u);
  flat.interaction = DS_SafePtr<IPR_RainInteractionRoutine>(new IPR_RainInteractionRoutine(flat.area.rect));
  for (int i = 0; i < 3; ++i) flat.Simulate(0.2f);
  EXPECT_EQ(flat.particles.size(), kMaxBatchParticles);
}

}  // namespace
