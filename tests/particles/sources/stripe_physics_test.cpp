// Trails and curves: points laid behind moving particles, and the straight,
// fractal, random and noise lines of the curve physics, with their records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/stripe_physics.h"
#include "player/timelines.h"
#include "tests/particles/sources/source_fakes.h"
#include "tests/particles/sources/stripe_seeds.h"

namespace {

class StripePhysicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_fakes::RegisterAll();
    RegisterTimelineReaders();
    crt_srand(1);
  }

  template <class T>
  std::unique_ptr<T> Read(const pw::ByteBuilder& b) {
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    T* t = dynamic_cast<T*>(item.get());
    EXPECT_NE(t, nullptr);
    if (t) item.release();
    return std::unique_ptr<T>(t);
  }

  // One curve under one parent; the points of it.
  static ParticleVector& OneCurve(ZVI_PtclSys_Physics& physics, ParticleVector& parents) {
    physics.Generate(&parents);
    auto* ops = dynamic_cast<ZVI_PtclSys_CurveOps*>(&physics);
    return ops->Curves().at(0).points->particles;
  }
};

TEST_F(StripePhysicsTest, StillParticleKeepsTwoPointsAndThreeUnitsAppend) {
  ZVI_PtclSysPhys_TraceLine trail;
  ParticlePtr p(new Particle(D3DXVECTOR3(10, 0, 0)));
  trail.StartTrail(p);
  for (int i = 0; i < 5; ++i) trail.Update(nullptr, 0.01f);
  ParticleVector& points = trail.Trails().at(0).points->particles;
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[1]->position, D3DXVECTOR3(10, 0, 0));
  // Just under 3 units: the newest point follows, nothing is added.
  p->position.x = 12.99f;
  trail.Update(nullptr, 0.01f);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_FLOAT_EQ(points[1]->position.x, 12.99f);
  // Exactly 3 units from the lasting point: the last point moves there and
  // a new one is appended on top of it.
  p->position.x = 13.0f;
  trail.Update(nullptr, 0.01f);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_FLOAT_EQ(points[1]->position.x, 13.0f);
  EXPECT_FLOAT_EQ(points[2]->position.x, 13.0f);
  // A trail point's size is the size block (20) times the particle's size.
  EXPECT_FLOAT_EQ(points[2]->size, 20.0f);
}

TEST_F(StripePhysicsTest, TrailBehindParticleMovingRight) {
  ZVI_PtclSysPhys_TraceLine trail;
  ParticlePtr p(new Particle());
  trail.StartTrail(p);
  for (int frame = 1; frame <= 30; ++frame) {
    p->position.x = 100.0f * frame / 30.0f;
    trail.Update(nullptr, 1.0f / 30.0f);
  }
  const ParticleVector& points = trail.Trails().at(0).points->particles;
  ASSERT_GE(points.size(), 3u);
  EXPECT_FLOAT_EQ(points.back()->position.x, 100.0f);
  for (size_t i = 1; i < points.size(); ++i) EXPECT_GE(points[i]->position.x, points[i - 1]->position.x);
  // The oldest points have faded (the alpha graph drops at once after birth).
  EXPECT_LT(points.front()->alpha, points.back()->alpha);
}

TEST_F(StripePhysicsTest, JumpStartsNewTrailWhileOldFadesAndGoes) {
  ZVI_PtclSysPhys_TraceLine trail;
  ParticlePtr p(new Particle());
  trail.StartTrail(p);
  trail.Update(nullptr, 0.1f);
  trail.Update(nullptr, 0.1f);
  p->flags |= ParticleFlags::Jumped;
  p->position.x = 500.0f;
  trail.Update(nullptr, 0.1f);
  ASSERT_EQ(trail.Trails().size(), 2u);
  EXPECT_EQ(trail.Trails()[0].particle.get(), nullptr);
  EXPECT_EQ(trail.Trails()[1].particle.get(), p.get());
  ASSERT_EQ(trail.Trails()[1].points->particles.size(), 1u);
  EXPECT_FLOAT_EQ(trail.Trails()[1].points->particles[0]->position.x, 500.0f);
  p->flags &= ~ParticleFlags::Jumped;
  // Points live 1 s: the old pair is gone once its last point has died.
  for (int i = 0; i < 11; ++i) trail.Update(nullptr, 0.1f);
  ASSERT_EQ(trail.Trails().size(), 1u);
  EXPECT_EQ(trail.Trails()[0].particle.get(), p.get());
  // A dead particle's trail goes when its points have.
  p->flags |= ParticleFlags::Dead;
  for (int i = 0; i < 12; ++i) trail.Update(nullptr, 0.1f);
  EXPECT_TRUE(trail.Trails().empty());
}

TEST_F(StripePhysicsTest, DefaultLineHasElevenEvenPoints) {
  ZVI_PtclSysPhys_LineCurv line;
  ParticleVector parents = source_fakes::Parents(1);
  const ParticleVector& points = OneCurve(line, parents);
  ASSERT_EQ(points.size(), 11u);
  for (size_t i = 0; i < points.size(); ++i) EXPECT_NEAR(points[i]->position.x, 0.1f * i, 1e-6f);
  const Particle& curve = *line.Curves()[0].particle;
  EXPECT_EQ(curve.parent.get(), parents[0].get());
  EXPECT_EQ(curve.flags & 0x6u, 0x6u);
  // Curve particles die with their parent, and their pair goes.
  line.Update(nullptr, 0.1f);
  EXPECT_EQ(line.Curves().size(), 1u);
  parents[0]->flags |= ParticleFlags::Dead;
  line.Update(nullptr, 0.1f);
  EXPECT_TRUE(line.Curves().empty());
}

TEST_F(StripePhysicsTest, ShapeValuesByCurveRecordVersion) {
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    pw::CurvesRecord c;
    c.version = version;
    c.size = 3;
    c.width = 4;
    c.start = 50;  // version 2 only; constant graph
    c.end = 1;
    pw::ByteBuilder b;
    pw::WriteLineCurv(b, 4, c);
    auto line = Read<ZVI_PtclSysPhys_LineCurv>(b);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->segments.value, 4u);
    ParticleVector parents = source_fakes::Parents(1);
    EXPECT_EQ(OneCurve(*line, parents).size(), 5u);
    line->Update(nullptr, 0.0f);
    const ParticleQuad& shape = line->Curves()[0].particle->curveWindow;
    EXPECT_FLOAT_EQ(shape[0], 4.0f);
    EXPECT_FLOAT_EQ(shape[1], 3.0f);
    EXPECT_FLOAT_EQ(shape[2], version == 1 ? 0.0f : 50.0f);
    EXPECT_FLOAT_EQ(shape[3], 1.0f);
  }
}

TEST_F(StripePhysicsTest, DegenerateCurvesAreStraightTwoPointLines) {
  ParticleVector parents = source_fakes::Parents(1);
  ZVI_PtclSysPhys_LineCurv line;
  line.segments = 0u;
  ZVI_PtclSysPhys_RandomCurv random;
  random.segments = 0u;
  ZVI_PtclSysPhys_PerlinCurv noOctave;
  noOctave.octaves = 0u;
  ZVI_PtclSysPhys_PerlinCurv noMultiplier;
  noMultiplier.multiplier = 0u;
  ZVI_PtclSys_Physics* all[] = {&line, &random, &noOctave, &noMultiplier};
  for (ZVI_PtclSys_Physics* physics : all) {
    const ParticleVector& points = OneCurve(*physics, parents);
    for (int i = 0; i < 3; ++i) physics->Update(nullptr, 0.1f);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0]->GetWorldPosition(), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(points[1]->GetWorldPosition(), D3DXVECTOR3(1, 0, 0));
  }
}

TEST_F(StripePhysicsTest, CurvesAreCappedInPoints) {
  ParticleVector parents = source_fakes::Parents(1);
  ZVI_PtclSysPhys_FractalCurv fractal;
  fractal.levels = 40u;
  EXPECT_EQ(fractal.LevelsInEffect(), 15u);  // 32 769 points
  fractal.levels = 8u;
  EXPECT_EQ(OneCurve(fractal, parents).size(), 257u);
  ZVI_PtclSysPhys_PerlinCurv perlin;
  perlin.subdivisions = 4000000000u;
  perlin.octaves = 30u;
  perlin.multiplier = 4000000000u;
  EXPECT_EQ(perlin.OctavesInEffect(), 16u);
  EXPECT_EQ(perlin.MultiplierInEffect(), 1u);
  EXPECT_EQ(perlin.CurvePointCount(), kMaxCurvePoints);
  perlin.octaves = 2u;
  perlin.subdivisions = 5u;
  perlin.multiplier = 4000000000u;
  EXPECT_EQ(perlin.MultiplierInEffect(), kMaxCurvePoints / 3);
}

TEST_F(StripePhysicsTest, FractalLevelsAndFixedEnds) {
  for (uint32_t levels : {0u, 5u}) {
    ZVI_PtclSysPhys_FractalCurv fractal;
    fractal.levels = levels;
    ParticleVector parents = source_fakes::Parents(1);
    const ParticleVector& points = OneCurve(fractal, parents);
    ASSERT_EQ(points.size(), levels == 0 ? 2u : 33u);
    float wiggle = 0.0f;
    for (int frame = 0; frame < 10; ++frame) {
      fractal.Update(nullptr, 0.05f);
      EXPECT_EQ(points.front()->position, D3DXVECTOR3(0, 0, 0));
      EXPECT_EQ(points.back()->position, D3DXVECTOR3(1, 0, 0));
      for (const ParticlePtr& p : points) wiggle = std::max(wiggle, std::fabs(p->position.y));
    }
    if (levels == 0) {
      EXPECT_EQ(wiggle, 0.0f);
    } else {
      // Each inner point lies within amplitude x its span of the middle.
      EXPECT_GT(wiggle, 0.0f);
      EXPECT_LE(wiggle, 0.2f + 1e-4f);
    }
  }
}

TEST_F(StripePhysicsTest, FractalPointSitsOffTheMiddleOfItsNeighbours) {
  ZVI_PtclSysPhys_FractalCurv fractal;
  fractal.levels = 1u;
  ParticleVector parents = source_fakes::Parents(1);
  const ParticleVector& points = OneCurve(fractal, parents);
  ASSERT_EQ(points.size(), 3u);
  auto* t = dynamic_cast<PtclTr_FractalPnt*>(points[1]->transforms.at(0).get());
  ASSERT_NE(t, nullptr);
  fractal.Update(nullptr, 0.0f);
  const float f = t->t * t->t * t->t * (t->t * (6 * t->t - 15) + 10);
  const float c = t->a + (t->b - t->a) * f;
  EXPECT_NEAR(points[1]->position.x, 0.5f, 1e-6f);
  EXPECT_NEAR(points[1]->position.y, c * 0.2f, 1e-6f);
}

TEST_F(StripePhysicsTest, RandomCurveOfOneSegmentIsStraight) {
  ZVI_PtclSysPhys_RandomCurv random;
  random.segments = 1u;
  ParticleVector parents = source_fakes::Parents(1);
  const ParticleVector& points = OneCurve(random, parents);
  for (int i = 0; i < 40; ++i) random.Update(nullptr, 0.1f);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0]->position, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(points[1]->position, D3DXVECTOR3(1, 0, 0));
}

TEST_F(StripePhysicsTest, RandomCurveRetargetsOnlyAfterItsClockPasses) {
  ZVI_PtclSysPhys_RandomCurv random;
  random.segments = 4u;
  ParticleVector parents = source_fakes::Parents(1);
  const ParticleVector& points = OneCurve(random, parents);
  ASSERT_EQ(points.size(), 5u);
  EXPECT_FLOAT_EQ(points[0]->age, 1.0f);
  const D3DXVECTOR3 velocity = points[2]->velocity;
  // Speed 5: two steps of 0.1 s bring the clock to exactly 1, not past it.
  random.Update(nullptr, 0.1f);
  random.Update(nullptr, 0.1f);
  EXPECT_FLOAT_EQ(random.speed.elapsed, 1.0f);
  EXPECT_FLOAT_EQ(points[0]->age, 1.0f);
  EXPECT_EQ(points[2]->velocity, velocity);
  random.Update(nullptr, 0.1f);
  EXPECT_FLOAT_EQ(points[0]->age, 2.5f);
  EXPECT_NE(points[2]->velocity, velocity);
  EXPECT_EQ(points[4]->position, D3DXVECTOR3(1, 0, 0));
}

TEST_F(StripePhysicsTest, DefaultPerlinCurve) {
  ZVI_PtclSysPhys_PerlinCurv perlin;
  ParticleVector parents = source_fakes::Parents(1);
  const ParticleVector& points = OneCurve(perlin, parents);
  ASSERT_EQ(points.size(), 13u);
  for (size_t i = 0; i < points.size(); ++i) EXPECT_NEAR(points[i]->position.x, i / 12.0f, 1e-6f);
  const Particle& curve = *perlin.Curves()[0].particle;
  auto* noise = dynamic_cast<PtclTr_PerlinCurve*>(curve.transforms.back().get());
  ASSERT_NE(noise, nullptr);
  ASSERT_EQ(noise->octaves.size(), 2u);
  EXPECT_EQ(noise->octaves[0]->entries.size(), 2u);
  EXPECT_FLOAT_EQ(noise->octaves[0]->weight, 1.0f);
  EXPECT_EQ(noise->octaves[1]->entries.size(), 3u);
  EXPECT_FLOAT_EQ(noise->octaves[1]->weight, 0.5f);
  // Every point carries the same two octaves.
  for (const ParticlePtr& p : points) {
    ASSERT_EQ(p->transforms.size(), 2u);
    EXPECT_EQ(p->transforms[0].get(), noise->octaves[0].get());
  }
  // Scroll 0: the point at x = 0 takes entry 0 of each octave.
  perlin.Update(nullptr, 0.1f);
  const float expected =
      (noise->octaves[0]->entries[0].v * 1.0f + noise->octaves[1]->entries[0].v * 0.5f) * 0.1f;
  EXPECT_NEAR(points[0]->offsetAlong, expected, 1e-6f);
  EXPECT_NEAR(points[0]->GetWorldPosition().y, expected, 1e-6f);
}

TEST_F(StripePhysicsTest, PerlinRecordVersions) {
  for (int32_t v = 1; v <= 4; ++v) {
    SCOPED_TRACE(v);
    pw::PerlinCurvRecord p;
    p.version = v;
    p.subdivisions = 2;
    p.amplitude = 80;
    p.amplitudeJitter = 10;
    p.octaves = 3;
    p.multiplier = 2;
    p.change = 30;
    p.scroll = 40;
    pw::ByteBuilder b;
    pw::WritePerlinCurv(b, p);
    auto perlin = Read<ZVI_PtclSysPhys_PerlinCurv>(b);
    ASSERT_NE(perlin, nullptr);
    EXPECT_EQ(perlin->subdivisions.value, 2u);
    EXPECT_EQ(perlin->amplitude.value.value, v == 1 ? 0u : 80u);
    EXPECT_EQ(perlin->amplitude.jitter.value, v >= 3 ? 10u : 0u);
    EXPECT_EQ(perlin->octaves.value, v >= 3 ? 3u : 2u);
    EXPECT_EQ(perlin->multiplier.value, v >= 3 ? 2u : 1u);
    EXPECT_EQ(perlin->change.value, v >= 3 ? 30u : 50u);
    EXPECT_EQ(perlin->scroll.value, v >= 4 ? 40u : 0u);
    if (v == 1) {
      // Amplitude 0: the points stay on the line.
      ParticleVector parents = source_fakes::Parents(1);
      const ParticleVector& points = OneCurve(*perlin, parents);
      for (int i = 0; i < 5; ++i) perlin->Update(nullptr, 0.1f);
      for (const ParticlePtr& q : points) EXPECT_EQ(q->GetWorldPosition().y, 0.0f);
    }
  }
}

TEST_F(StripePhysicsTest, FractalAndRandomRecords) {
  for (int32_t v : {1, 2}) {
    pw::ByteBuilder b;
    pw::WriteFractalCurv(b, v, 3, 70, 20);
    auto fractal = Read<ZVI_PtclSysPhys_FractalCurv>(b);
    ASSERT_NE(fractal, nullptr);
    EXPECT_EQ(fractal->levels.value, 3u);
    EXPECT_FLOAT_EQ(fractal->amplitude.derived, 0.28f);
    EXPECT_FLOAT_EQ(fractal->speed.derived, v == 2 ? 2.0f : 5.0f);
  }
  pw::CurvesRecord c;
  c.spinDirection = 2;
  c.spinRate = 10;
  pw::ByteBuilder b;
  pw::WriteRandomCurv(b, 9, 25, 10, c);
  auto random = Read<ZVI_PtclSysPhys_RandomCurv>(b);
  ASSERT_NE(random, nullptr);
  EXPECT_EQ(random->segments.value, 9u);
  EXPECT_FLOAT_EQ(random->amplitude.derived, 0.4f);
  EXPECT_FLOAT_EQ(random->speed.derived, 1.0f);
  EXPECT_EQ(random->spin.directionMode.value, 2);
  pw::TraceLineRecord t;
  t.lifetime = 25;
  t.size = 7;
  t.alpha = 50;
  pw::ByteBuilder tb;
  pw::WriteTraceLine(tb, t);
  auto trail = Read<ZVI_PtclSysPhys_TraceLine>(tb);
  ASSERT_NE(trail, nullptr);
  EXPECT_FLOAT_EQ(trail->lifetime.value.derived, 2.5f);
  EXPECT_FLOAT_EQ(trail->pointSize.value.derived, 7.0f);
  EXPECT_FLOAT_EQ(trail->pointAlpha.value.derived, 0.5f);
}

// The stripe-line nodes read a curve record's fields after its header.
TEST_F(StripePhysicsTest, CurveOpsReadRecordAfterHeader) {
  pw::ByteBuilder b;
  pw::WriteFractalCurvBody(b, 2, 4, 50, 10);
  ZVI_PtclSysPhys_FractalCurv fractal;
  ZVI_PtclSys_CurveOps& ops = fractal;
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  EXPECT_TRUE(ops.ReadRecord(ar, 2));
  EXPECT_EQ(ar.Remaining(), 0u);
  EXPECT_EQ(fractal.levels.value, 4u);
  EXPECT_EQ(&ops.WidthBlock(), &fractal.width);
}

TEST_F(StripePhysicsTest, EverySeedReadsAndPlays) {
  for (const auto& [name, bytes] : stripe_seeds::All()) {
    SCOPED_TRACE(name);
    MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
    std::unique_ptr<ZVI_IOF_Item> item;
    ASSERT_NO_THROW(item = ReadObjectOf<ZVI_IOF_Item>(ar));
    EXPECT_EQ(ar.Remaining(), 0u);
    auto* physics = dynamic_cast<ZVI_PtclSys_Physics*>(item.get());
    if (!physics) continue;
    ParticleVector parents = source_fakes::Parents(1);
    if (auto* trail = dynamic_cast<ZVI_PtclSys_TrailOps*>(physics)) trail->StartTrail(parents[0]);
    physics->Generate(&parents);
    for (int frame = 0; frame < 30; ++frame) {
      parents[0]->position.x += 1.0f;
      physics->Update(&parents, 1.0f / 30.0f);
    }
    physics->Clear();
  }
}

TEST_F(StripePhysicsTest, TruncatedRecordsFailCleanly) {
  for (const auto& [name, bytes] : stripe_seeds::All()) {
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
      MemoryArchive ar(bytes.bytes().data(), cut, true);
      EXPECT_THROW(ReadObjectOf<ZVI_IOF_Item>(ar), DS_Error) << name << " cut at " << cut;
    }
  }
}

// With STRIPE_SEEDS_OUT set, writes these seeds of the node_sources fuzzer.
TEST(StripeSeedsTest, WriteFuzzSeedsOnRequest) {
  const char* dir = std::getenv("STRIPE_SEEDS_OUT");
  if (!dir) GTEST_SKIP() << "STRIPE_SEEDS_OUT not set";
  for (const auto& [name, bytes] : stripe_seeds::All()) {
    EXPECT_TRUE(bytes.SaveTo(std::string(dir) + "/" + name + ".bin")) << name;
  }
}

}  // namespace
