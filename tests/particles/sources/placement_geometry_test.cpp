// Placement geometries: point children, swarms, grids of children and the
// trace chain, with their records.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/placement_geometry.h"
#include "tests/particles/sources/source_fakes.h"
#include "tools/writer/geometry_emitters_writer.h"
#include "tools/writer/geometry_writer.h"

namespace {

constexpr float kPi = 3.14159265f;

class PlacementGeometryTest : public ::testing::Test {
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
};

TEST_F(PlacementGeometryTest, GroupGridAndPhases) {
  pw::ByteBuilder figure;
  pw::WriteVFigureRect(figure, 300, 200);
  pw::GeometryRecord g;
  g.position = {5, 7, 0};
  pw::ByteBuilder b;
  pw::WriteSourceGroup(b, 2, 3, 0, 180, 90, figure, g);
  auto group = Read<ZVI_PSSource_Group>(b);
  ASSERT_TRUE(group);
  ParticlePtr parent(new Particle());
  ParticleVector kids = group->Place(parent);
  ASSERT_EQ(kids.size(), 6u);
  EXPECT_EQ(group->held.size(), 6u);
  const float xs[3] = {-100, 0, 100};
  for (size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const Particle& p = *kids[i];
    EXPECT_NEAR(p.position.x, xs[i % 3] + 5.0f, 1e-3f);
    EXPECT_NEAR(std::fabs(p.position.y - 7.0f), 50.0f, 1e-3f);
    if (i >= 3) EXPECT_NEAR(p.position.y - 7.0f, -(kids[i - 3]->position.y - 7.0f), 1e-3f);
    EXPECT_TRUE(p.flags & ParticleFlags::DiesWithParent);
    EXPECT_TRUE(p.flags & ParticleFlags::ParentRelative);
    for (size_t k = 2; k < 6; ++k) {
      auto* osc = dynamic_cast<PtclTr_Oscilator*>(p.transforms[k].get());
      ASSERT_NE(osc, nullptr);
      EXPECT_NEAR(osc->harmonic.phase, static_cast<float>(i) * kPi / 6.0f, 1e-5f);
    }
  }
  group->rows.value = 0;
  EXPECT_TRUE(group->Place(parent).empty());
}

// No phase draws: the atlas cell's two, the four noise seeds, the spin's three.
TEST_F(PlacementGeometryTest, GroupInitParticleDrawsNoPhases) {
  ZVI_PSSource_Group group;
  Particle p;
  crt_srand(1);
  group.InitParticle(&p);
  const uint32_t after = crt_rand_state();
  crt_srand(1);
  for (int k = 0; k < 9; ++k) crt_rand();
  EXPECT_EQ(after, crt_rand_state());
}

TEST_F(PlacementGeometryTest, PointChildFollowsParentAgeAndHeading) {
  pw::ByteBuilder b;
  pw::WriteGeomPoint(b, pw::GeometryRecord{});
  auto point = Read<ZVI_PSGeometry_Point>(b);
  ASSERT_TRUE(point);
  ParticlePtr parent(new Particle());
  parent->age = 0.5f;
  parent->heading = D3DXVECTOR3(0, 1, 0);
  ParticleVector kids = point->Place(parent);
  ASSERT_EQ(kids.size(), 1u);
  StepParticle(kids[0].get(), 0.01f);
  EXPECT_FLOAT_EQ(kids[0]->age, 0.5f);
  EXPECT_EQ(kids[0]->heading, D3DXVECTOR3(0, 1, 0));
  EXPECT_TRUE(kids[0]->flags & ParticleFlags::DiesWithParent);
}

TEST_F(PlacementGeometryTest, EmptySwarmSteersBackAtSpeedHundred) {
  pw::ByteBuilder b;
  pw::WriteGeomSwarm(b, 4, 25, 0, 0, 0, 0, pw::GeometryRecord{});
  auto swarm = Read<ZVI_PSGeometry_Swarm>(b);
  ASSERT_TRUE(swarm);
  EXPECT_FLOAT_EQ(swarm->SpeedFactor(), 1.0f);
  ParticlePtr parent(new Particle());
  crt_srand(3);
  ParticleVector kids = swarm->Place(parent);
  ASSERT_EQ(kids.size(), 4u);
  for (int frame = 0; frame < 10; ++frame) StepParticleVector(swarm->held, 0.01f);
  for (const ParticlePtr& p : kids) {
    EXPECT_NEAR(D3DXVec3Length(&p->velocity), 100.0f, 15.0f);
    EXPECT_LT(D3DXVec3Length(&p->position), 5.0f);
  }
}

TEST_F(PlacementGeometryTest, TraceUnderStillParentKeepsTwoPoints) {
  pw::ByteBuilder b;
  pw::WriteGeomTrace(b, pw::GeometryRecord{});
  auto trace = Read<ZVI_PSGeometry_Trace>(b);
  ASSERT_TRUE(trace);
  ParticlePtr parent(new Particle(D3DXVECTOR3(3, 4, 0)));
  EXPECT_EQ(trace->Emit(0.1f, parent).size(), 1u);
  EXPECT_EQ(trace->Emit(0.1f, parent).size(), 1u);
  for (int frame = 0; frame < 10; ++frame) {
    EXPECT_TRUE(trace->Emit(0.1f, parent).empty());
    StepParticleVector(trace->held, 0.1f);
  }
  EXPECT_EQ(trace->held.size(), 2u);
  for (int frame = 0; frame < 11; ++frame) {
    trace->Emit(0.1f, parent);
    StepParticleVector(trace->held, 0.1f);
  }
  // 2 s after they were made the two points are gone; the chain restarts.
  EXPECT_LE(trace->held.size(), 1u);
}

TEST_F(PlacementGeometryTest, TraceUnderMovingParentSpacesPointsByEight) {
  ZVI_PSGeometry_Trace trace;
  ParticlePtr parent(new Particle());
  parent->velocity = D3DXVECTOR3(40, 0, 0);
  for (int frame = 0; frame <= 12; ++frame) {
    parent->position = D3DXVECTOR3(4.0f * frame, 0, 0);
    trace.Emit(0.1f, parent);
  }
  ASSERT_GE(trace.held.size(), 4u);
  for (size_t k = 1; k + 1 < trace.held.size(); ++k) {
    EXPECT_NEAR(trace.held[k]->position.x - trace.held[k - 1]->position.x, 8.0f, 1e-4f);
  }
  EXPECT_EQ(trace.held.back()->heading, D3DXVECTOR3(1, 0, 0));
  EXPECT_FALSE(trace.held.back()->HasParent());
}

}  // namespace
