// The emitter geometries: the release schedule, launch, and their records at
// every version.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "particles/sources/emitter_geometry.h"
#include "tests/particles/sources/source_fakes.h"
#include "tools/writer/geometry_emitters_writer.h"
#include "tools/writer/geometry_writer.h"

namespace {

std::unique_ptr<ZVI_PSGeometry_Emitter> Schedule(unsigned n, float d, float pause, float delay) {
  auto e = std::make_unique<ZVI_PSGeometry_Emitter>();
  e->count.value = n;
  e->duration.value = d;
  e->pause.value = pause;
  e->delay.value = delay;
  return e;
}

TEST(EmitCountTest, FivePerSecondInQuarterSteps) {
  auto e = Schedule(5, 1.0f, 0.0f, 0.0f);
  const int expected[] = {1, 1, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(e->EmitCount(0.25f, 0.25f * k), expected[k]) << k;
}

TEST(EmitCountTest, PauseAndDelay) {
  auto paused = Schedule(5, 1.0f, 1.0f, 0.0f);
  int per_second[4] = {0, 0, 0, 0};
  for (int k = 0; k < 16; ++k) per_second[k / 4] += paused->EmitCount(0.25f, 0.25f * k);
  EXPECT_EQ(per_second[0], 5);
  EXPECT_EQ(per_second[1], 0);
  EXPECT_EQ(per_second[2], 5);
  EXPECT_EQ(per_second[3], 0);

  auto delayed = Schedule(5, 1.0f, 0.0f, 2.0f);
  int before = 0;
  for (int k = 0; k < 16; ++k) before += delayed->EmitCount(0.125f, 0.125f * k);
  EXPECT_EQ(before, 0);
  EXPECT_EQ(delayed->EmitCount(0.125f, 2.0f), 0);
  EXPECT_EQ(delayed->EmitCount(0.125f, 2.125f), 1);  // the release at 2.2 s
}

TEST(EmitCountTest, StepAcrossTheWindowEndMakesNoNextCycleReleases) {
  auto e = Schedule(5, 1.0f, 0.0f, 0.0f);
  EXPECT_EQ(e->EmitCount(0.3f, 0.9f), 1);
  EXPECT_EQ(e->EmitCount(0.25f, 1.2f), 1);  // 1.4 only; 1.2 was lost
}

// Counted as D / N intervals in single precision, these lose their last release.
TEST(EmitCountTest, WholeWindowGivesEveryRelease) {
  for (unsigned n : {23u, 46u, 49u, 51u, 5u, 7u}) {
    auto e = Schedule(n, 0.1f, 0.0f, 0.0f);
    EXPECT_EQ(e->EmitCount(0.1f, 0.0f), static_cast<int>(n)) << n;
    EXPECT_EQ(e->EmitCount(0.05f, 0.0f) + e->EmitCount(0.05f, 0.05f), static_cast<int>(n)) << n;
  }
}

TEST(EmitCountTest, EmptySchedulesReleaseNothing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(Schedule(0, 1.0f, 0.0f, 0.0f)->EmitCount(1.0f, 0.0f), 0);
  EXPECT_EQ(Schedule(5, 0.0f, 0.0f, 0.0f)->EmitCount(1.0f, 0.0f), 0);
  EXPECT_EQ(Schedule(5, 0.0f, 1.0f, 0.0f)->EmitCount(1.0f, 0.5f), 0);
  EXPECT_EQ(Schedule(5, 1.0f, -1.0f, 0.0f)->EmitCount(1.0f, 0.5f), 0);
  EXPECT_EQ(Schedule(5, 1.0f, 0.0f, 0.0f)->EmitCount(1.0f, nan), 0);
  EXPECT_EQ(Schedule(5, 1.0f, 0.0f, 0.0f)->EmitCount(nan, 0.0f), 0);
  // A huge count stops at the particle ceiling.
  EXPECT_EQ(Schedule(4000000000u, 1.0f, 0.0f, 0.0f)->EmitCount(1.0f, 0.0f), 1 << 20);
}

TEST(EnvelopeFactorTest, FadeInPlateauFadeOut) {
  ScaledParamGroup g;
  g.fadeInEnd.SetValue(20u);
  g.fadeOutStart.SetValue(80u);
  g.startFactor.SetValue(50u);
  g.endFactor.SetValue(0u);
  g.base.SetValue(2u);
  EXPECT_FLOAT_EQ(EnvelopeFactor(g, 0.0f), 1.0f);
  EXPECT_FLOAT_EQ(EnvelopeFactor(g, 0.1f), 1.5f);
  EXPECT_FLOAT_EQ(EnvelopeFactor(g, 0.5f), 2.0f);
  EXPECT_FLOAT_EQ(EnvelopeFactor(g, 1.0f), 0.0f);
}

class EmitterGeometryTest : public ::testing::Test {
 protected:
  void SetUp() override { source_fakes::RegisterAll(); }

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

  static pw::EmitterRecord Emitter(uint32_t speed, uint32_t jitter) {
    pw::EmitterRecord r;
    r.count = 10;
    r.duration = 0.5f;
    r.speed = speed;
    r.speedJitter = jitter;
    r.lifetime = 3.0f;
    r.geometry.sizeValue = 100;
    return r;
  }
};

TEST_F(EmitterGeometryTest, EmitterFieldsAndGeometryRecord) {
  pw::EmitterRecord r = Emitter(100, 40);
  r.pause = 0.25f;
  r.delay = 1.5f;
  r.parentRelative = 1;
  r.geometry.position = {1, 2, 3};
  r.geometry.transparency = 30;
  r.geometry.sizeEnvelope = {0, 10, 90, 90, 50, 20, 1};
  pw::ByteBuilder figure;
  pw::WriteVFigureRect(figure, 40, 20);
  pw::ByteBuilder b;
  pw::WriteEmitSector(b, 2, 45, 30, pw::ForcesRecord{}, r, figure);
  auto e = Read<ZVI_PSGeomEmit_Sector>(b);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->lifetime.value, 3.0f);
  EXPECT_EQ(e->count.value, 10u);
  EXPECT_EQ(e->duration.value, 0.5f);
  EXPECT_EQ(e->pause.value, 0.25f);
  EXPECT_EQ(e->delay.value, 1.5f);
  EXPECT_FLOAT_EQ(e->speed.derived, 100.0f);
  EXPECT_FLOAT_EQ(e->speed.jitter.derived, 0.6f);
  EXPECT_EQ(e->parentRelative.value, 1);
  EXPECT_EQ(e->direction.value, 45u);
  EXPECT_EQ(e->direction.spread.value, 30u);
  auto* rect = dynamic_cast<ZVI_VFigure_Rect*>(e->figure.Figure());
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->width.value, 40u);
  EXPECT_EQ(e->position.value, D3DXVECTOR3(1, 2, 3));
  EXPECT_FLOAT_EQ(e->sizeJitter.value.derived, 1.0f);
  EXPECT_FLOAT_EQ(e->alphaJitter.derived, 0.7f);
  EXPECT_FLOAT_EQ(EnvelopeFactor(e->sizeEnvelope, 0.0f), 0.5f);
}

TEST_F(EmitterGeometryTest, EveryShapeAndVersionReadsToItsEnd) {
  pw::EmitterRecord r = Emitter(50, 0);
  pw::EmitterRecord old = r;
  old.version = 1;
  pw::ForcesRecord forces;
  for (int32_t v : {1, 2, 3}) {
    SCOPED_TRACE(v);
    pw::ByteBuilder point;
    pw::WriteEmitPoint(point, v, 1, forces, 1, v < 2 ? old : r);
    auto p = Read<ZVI_PSGeomEmit_Point>(point);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->spatial.value, 1);
    EXPECT_EQ(p->inward.value, v >= 3 ? 1 : 0);
    if (v < 2) EXPECT_NE(dynamic_cast<ZVI_VFigure_Sector*>(p->figure.Figure()), nullptr);

    pw::ByteBuilder rect;
    pw::WriteEmitRect(rect, v, 10, 20, forces, 1, v < 2 ? old : r);
    auto q = Read<ZVI_PSGeomEmit_Rect>(rect);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->edgeMode.value, v >= 3 ? 1 : 0);
    auto* fig = dynamic_cast<ZVI_VFigure_Rect*>(q->figure.Figure());
    ASSERT_NE(fig, nullptr);
    EXPECT_EQ(fig->width.value, v < 2 ? 300u : 100u);
  }
  for (int32_t v : {1, 2}) {
    SCOPED_TRACE(v);
    pw::ByteBuilder sector;
    pw::WriteEmitSector(sector, v, 10, 20, forces, v < 2 ? old : r);
    auto s = Read<ZVI_PSGeomEmit_Sector>(sector);
    ASSERT_TRUE(s);
    if (v < 2) EXPECT_NE(dynamic_cast<ZVI_VFigure_Sector*>(s->figure.Figure()), nullptr);

    pw::ByteBuilder circ;
    pw::WriteEmitCircular(circ, v, 2, 30, 0, 1, r);
    auto c = Read<ZVI_PSGeomEmit_Circular>(circ);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->sense.value, 2);
    EXPECT_EQ(c->radialSpeed.value, v >= 2 ? 30u : 0u);
    EXPECT_EQ(c->radialInward.value, v >= 2 ? 1 : 0);
  }
}

TEST_F(EmitterGeometryTest, VersionOneForcesAreLinear) {
  pw::ForcesRecord forces;
  forces.version = 1;
  pw::ByteBuilder b;
  pw::WriteEmitSector(b, 2, 0, 0, forces, Emitter(10, 0));
  auto s = Read<ZVI_PSGeomEmit_Sector>(b);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->forces.dragMode.value, 3);
}

TEST_F(EmitterGeometryTest, TruncatedRecordsAreErrors) {
  pw::ByteBuilder b;
  pw::WriteEmitRect(b, 3, 0, 0, pw::ForcesRecord{}, 1, Emitter(10, 0));
  for (size_t cut : {size_t{30}, b.size() / 2, b.size() - 1}) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObjectOf<ZVI_IOF_Item>(ar), DS_Error) << cut;
  }
}

TEST_F(EmitterGeometryTest, SectorLaunchSpeedAndJitter) {
  ZVI_PSGeomEmit_Sector still;
  still.count.value = 50;
  still.speed.SetValue(100u);
  ParticlePtr parent(new Particle(D3DXVECTOR3(10, 20, 0)));
  crt_srand(1);
  ParticleVector made = still.Emit(1.0f, parent);
  ASSERT_EQ(made.size(), 50u);
  EXPECT_EQ(still.held.size(), 50u);
  for (const ParticlePtr& p : made) {
    EXPECT_FLOAT_EQ(p->velocity.x, 100.0f);
    EXPECT_NEAR(p->velocity.y, 0.0f, 1e-4f);
    EXPECT_FALSE(p->flags & ParticleFlags::ParentRelative);
    EXPECT_EQ(p->parent.get(), parent.get());
  }

  ZVI_PSGeomEmit_Sector jittered;
  jittered.count.value = 200;
  jittered.speed.SetValue(100u);
  jittered.speed.jitter.SetValue(100u);
  made = jittered.Emit(1.0f, parent);
  float lo = 1e9f, hi = -1e9f;
  for (const ParticlePtr& p : made) {
    lo = std::min(lo, p->velocity.x);
    hi = std::max(hi, p->velocity.x);
  }
  EXPECT_GE(lo, 0.0f);
  EXPECT_LE(hi, 100.0f);
  EXPECT_LT(lo, 10.0f);
  EXPECT_GT(hi, 90.0f);
}

TEST_F(EmitterGeometryTest, PlacedAtParentOrRelativeToIt) {
  ParticlePtr parent(new Particle(D3DXVECTOR3(10, 20, 0)));
  ZVI_PSGeomEmit_Sector e;
  e.figure.SetFigure(DS_SafePtr<ZVI_VFigure>(new ZVI_VFigure_Rect()), nullptr);
  e.position.value = D3DXVECTOR3(1, 2, 3);
  ParticleVector made = e.Emit(1.0f, parent);
  ASSERT_EQ(made.size(), 5u);
  EXPECT_EQ(made[0]->position, D3DXVECTOR3(11, 22, 3));
  e.parentRelative.value = 1;
  made = e.Emit(1.0f, parent);
  ASSERT_EQ(made.size(), 5u);
  EXPECT_EQ(made[0]->position, D3DXVECTOR3(1, 2, 3));
  EXPECT_TRUE(made[0]->flags & ParticleFlags::ParentRelative);
  EXPECT_EQ(e.held.size(), 10u);
}

TEST_F(EmitterGeometryTest, InwardReversesThePointHeading) {
  ParticlePtr parent(new Particle());
  ZVI_PSGeomEmit_Point out;
  out.speed.SetValue(10u);
  crt_srand(7);
  ParticleVector a = out.Emit(1.0f, parent);
  ZVI_PSGeomEmit_Point in;
  in.speed.SetValue(10u);
  in.inward.value = 1;
  crt_srand(7);
  ParticleVector b = in.Emit(1.0f, parent);
  ASSERT_EQ(a.size(), b.size());
  for (size_t k = 0; k < a.size(); ++k) {
    EXPECT_EQ(a[k]->position, b[k]->position);
    EXPECT_EQ(a[k]->heading, -b[k]->heading);
  }
}

TEST_F(EmitterGeometryTest, EveryShapeEmitsAndStepsWithoutParent) {
  ZVI_PSGeomEmit_Point point;
  ZVI_PSGeomEmit_Sector sector;
  ZVI_PSGeomEmit_Rect rect;
  rect.edgeMode.value = 1;
  ZVI_PSGeomEmit_Circular circular;
  circular.speed.SetValue(90u);
  ZVI_PSGeometry_Emitter* all[] = {&point, &sector, &rect, &circular};
  ParticlePtr parent(new Particle());
  for (ZVI_PSGeometry_Emitter* e : all) {
    EXPECT_TRUE(e->Emit(0.1f, ParticlePtr()).empty());
    for (int frame = 0; frame < 30; ++frame) {
      e->Emit(1.0f / 30.0f, parent);
      StepParticleVector(e->held, 1.0f / 30.0f);
      parent->timeAlive += 1.0f / 30.0f;
    }
    parent->timeAlive = 0.0f;
    EXPECT_EQ(e->held.size(), 5u);
    for (const ParticlePtr& p : e->held) EXPECT_TRUE(std::isfinite(p->position.x));
  }
}

TEST_F(EmitterGeometryTest, FieldPerspectiveAndDepthOrder) {
  pw::EmitterRecord r = Emitter(0, 0);
  r.count = 40;
  pw::ByteBuilder b;
  pw::WriteEmitField(b, 200, 100, 60, r);
  auto field = Read<ZVI_PSGeomEmit_Field>(b);
  ASSERT_TRUE(field);
  EXPECT_FLOAT_EQ(field->TiltCosine(), 0.4f);
  PtclTr_PerspectiveField place(field.get());
  Particle p;
  p.velocity = D3DXVECTOR3(0, 0.5f, 0);
  p.size = 1.0f;
  place.Apply(0.0f, &p);
  EXPECT_NEAR(p.size, 0.686f, 0.005f);
  EXPECT_NEAR(p.position.y, 13.7f, 0.05f);

  ZVI_PSGeomEmit_Field flat;
  flat.depth.value = 100;
  flat.width.value = 200;
  Particle q;
  q.velocity = D3DXVECTOR3(0.25f, 0.5f, 0);
  q.size = 1.0f;
  PtclTr_PerspectiveField(&flat).Apply(0.0f, &q);
  EXPECT_FLOAT_EQ(q.size, 1.0f);
  EXPECT_FLOAT_EQ(q.position.x, 50.0f);

  ParticlePtr parent(new Particle());
  for (int k = 0; k < 3; ++k) {
    field->Emit(0.5f, parent);
    parent->timeAlive += 0.5f;
  }
  ASSERT_GT(field->held.size(), 40u);
  for (size_t k = 1; k < field->held.size(); ++k) {
    EXPECT_LE(field->held[k - 1]->velocity.y, field->held[k]->velocity.y);
    EXPECT_GE(field->held[k]->velocity.x, -0.5f);
    EXPECT_LE(field->held[k]->velocity.x, 0.5f);
  }
}

TEST_F(EmitterGeometryTest, StreamWithEqualEdgesHeadsThatWay) {
  pw::EmitterRecord r = Emitter(100, 0);
  pw::ByteBuilder b;
  pw::WriteEmitStream(b, {0, 0, 0}, {100, 0, 0}, 30, 30, 1, r);
  auto stream = Read<ZVI_PSGeomEmit_Stream>(b);
  ASSERT_TRUE(stream);
  ParticlePtr parent(new Particle());
  ParticleVector made = stream->Emit(0.5f, parent);
  ASSERT_EQ(made.size(), 10u);
  const float c = std::cos(30.0f * 3.14159265f / 180.0f);
  for (const ParticlePtr& p : made) {
    EXPECT_NEAR(p->heading.x, c, 1e-5f);
    EXPECT_NEAR(p->heading.y, -0.5f, 1e-5f);
    EXPECT_GE(p->position.x, 0.0f);
    EXPECT_LE(p->position.x, 100.0f);
    StepParticle(p.get(), 0.01f);
    EXPECT_NEAR(D3DXVec3Length(&p->velocity), 100.0f, 1e-3f);  // a = 1
  }
}

TEST_F(EmitterGeometryTest, LineEmitterTravelsThePathAndDiesAtItsEnd) {
  pw::EmitterRecord r = Emitter(100, 0);
  r.count = 1;
  r.duration = 1.0f;
  const pw::NodeList straight{{{0, 0, 0}}, {{300, 0, 0}}};
  for (int32_t v : {1, 2}) {
    SCOPED_TRACE(v);
    pw::ByteBuilder b;
    pw::WriteEmitLine(b, v, straight, r);
    auto line = Read<ZVI_PSGeomEmit_Line>(b);
    ASSERT_TRUE(line);
    EXPECT_NEAR(line->path.total_length, 300.0f, 0.01f);
    ParticlePtr parent(new Particle());
    ParticleVector made = line->Emit(1.0f, parent);
    ASSERT_EQ(made.size(), 1u);
    Particle* p = made[0].get();
    EXPECT_NEAR(p->position.x, 0.0f, 1e-3f);
    for (int k = 0; k < 150; ++k) StepParticle(p, 0.01f);
    EXPECT_NEAR(p->age, 0.5f, 0.01f);
    EXPECT_NEAR(p->position.x, 150.0f, 1.0f);
    for (int k = 0; k < 140; ++k) StepParticle(p, 0.01f);
    EXPECT_FALSE(p->IsDead());
    for (int k = 0; k < 20; ++k) StepParticle(p, 0.01f);
    EXPECT_TRUE(p->IsDead());
  }
}

TEST_F(EmitterGeometryTest, PathEmitterFollowsTangentOrDirection) {
  pw::EmitterRecord r = Emitter(10, 0);
  const pw::NodeList diagonal{{{0, 0, 0}}, {{100, 100, 0}}};
  const float h = std::sqrt(0.5f);
  for (int32_t mode : {0, 1}) {
    SCOPED_TRACE(mode);
    pw::ByteBuilder b;
    pw::WriteEmitPath(b, mode, 0, 0, diagonal, r);
    auto path = Read<ZVI_PSGeomEmit_Path>(b);
    ASSERT_TRUE(path);
    ParticlePtr parent(new Particle());
    ParticleVector made = path->Emit(0.5f, parent);
    ASSERT_EQ(made.size(), 10u);
    for (const ParticlePtr& p : made) {
      EXPECT_NEAR(p->position.x, p->position.y, 0.01f);
      EXPECT_NEAR(p->heading.x, mode == 0 ? h : 1.0f, 1e-4f);
      EXPECT_NEAR(p->heading.y, mode == 0 ? h : 0.0f, 1e-4f);
      EXPECT_NEAR(D3DXVec3Length(&p->velocity), 10.0f, 1e-3f);
    }
  }
}

}  // namespace
