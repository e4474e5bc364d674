// Records of every source class at every version: the fields land where they
// belong, and damaged records give an object or the file-format error.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

#include "core/archive.h"
#include "core/crt.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "particles/sources/block_readers.h"
#include "particles/sources/point_groups.h"
#include "particles/sources/source_physics.h"
#include "tests/particles/sources/source_fakes.h"
#include "tests/particles/sources/source_seeds.h"
#include "tools/writer/values_writer.h"

namespace {

class SourceRecordTest : public ::testing::Test {
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

TEST_F(SourceRecordTest, EverySeedReadsToItsEnd) {
  for (const auto& [name, bytes] : source_seeds::All()) {
    SCOPED_TRACE(name);
    MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
    std::unique_ptr<ZVI_IOF_Item> item;
    ASSERT_NO_THROW(item = ReadObjectOf<ZVI_IOF_Item>(ar));
    EXPECT_NE(item, nullptr);
    EXPECT_EQ(ar.Remaining(), 0u);
  }
}

// What the fuzz target does with a record: play it for 30 frames.
TEST_F(SourceRecordTest, EverySeedPlaysThirtyFrames) {
  for (const auto& [name, bytes] : source_seeds::All()) {
    SCOPED_TRACE(name);
    MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
    std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
    ParticleVector parents = source_fakes::Parents(1);
    if (auto* physics = dynamic_cast<ZVI_PtclSys_Physics*>(item.get())) {
      physics->Generate(&parents);
      size_t made = physics->particles.size();
      for (int frame = 0; frame < 30; ++frame) made += physics->Update(&parents, 1.0f / 30.0f).size();
      physics->Refresh();
      if (name.rfind("rootpnt", 0) == 0) EXPECT_EQ(made, 1u);
      else EXPECT_GT(made, 0u);
      physics->Clear();
      EXPECT_TRUE(physics->particles.empty());
    } else if (auto* geometry = dynamic_cast<ZVI_PtclSys_Geometry*>(item.get())) {
      ParticlePtr parent = parents[0];
      geometry->Place(parent);
      for (int frame = 0; frame < 30; ++frame) {
        geometry->Emit(1.0f / 30.0f, parent);
        StepParticleVector(geometry->held, 1.0f / 30.0f);
        StepParticle(parent.get(), 1.0f / 30.0f);
      }
      EXPECT_GT(geometry->held.size(), 0u);
      for (const ParticlePtr& p : geometry->held) EXPECT_TRUE(std::isfinite(p->position.x));
    } else {
      auto* law = dynamic_cast<ZVI_PtclSys_MotionLaw*>(item.get());
      ASSERT_NE(law, nullptr);
      FigurePtr figure(new node_fakes::FakeFigure());
      for (const FigurePtr& f : {figure, FigurePtr()}) {
        law->SetFigure(f);
        ParticlePtr p(new Particle(parents[0]));
        law->InitParticle(p.get(), f);
        for (int frame = 0; frame < 30; ++frame) StepParticle(p.get(), 1.0f / 30.0f);
        EXPECT_TRUE(std::isfinite(p->position.x));
      }
    }
  }
}

TEST_F(SourceRecordTest, SourceFieldsByVersion) {
  struct Case {
    int32_t version;
    float pause, delay;
    int32_t cycle;
  };
  for (Case c : {Case{0, 0, 0, 0}, Case{1, 0, 0, 0}, Case{2, 0.25f, 0, 3}, Case{3, 0.25f, 0.125f, 3},
                 Case{4, 0.25f, 0.125f, 3}}) {
    SCOPED_TRACE(c.version);
    pw::SourceRecord s;
    s.version = c.version;
    s.count = 20;
    s.cycle = 3;
    s.duration = 0.5f;
    s.pause = 0.25f;
    s.delay = 0.125f;
    s.lifetime = 15;
    s.lifetimeJitter = 20;
    pw::ByteBuilder b;
    pw::WriteSourceFig(b, 2, pw::ByteBuilder(), source_seeds::Law(1, 2), s);
    auto fig = Read<ZVI_PtclSysPhys_SourceFig>(b);
    ASSERT_NE(fig, nullptr);
    EXPECT_EQ(fig->count.value, 20u);
    EXPECT_FLOAT_EQ(fig->count.driven, 20.0f);
    EXPECT_FLOAT_EQ(fig->cycle.duration.value, 0.5f);
    EXPECT_FLOAT_EQ(fig->cycle.pause.value, c.pause);
    EXPECT_FLOAT_EQ(fig->cycle.delay.value, c.delay);
    EXPECT_EQ(fig->cycle.cycle.value, c.cycle);
    EXPECT_FLOAT_EQ(LifetimeSeconds(fig->lifetime), 1.2f);
    auto* law = dynamic_cast<ZVI_PtclSysMLaw_Vector*>(fig->law.get());
    ASSERT_NE(law, nullptr);
    EXPECT_EQ(law->direction.value, 90u);
    EXPECT_EQ(law->spread.value, 30u);
  }
}

TEST_F(SourceRecordTest, FigureSourceFigureAndLawFigure) {
  pw::ByteBuilder b;
  pw::WriteSourceFig(b, 1, source_seeds::Rect(40, 20), source_seeds::Law(5, 3), pw::SourceRecord());
  auto fig = Read<ZVI_PtclSysPhys_SourceFig>(b);
  ASSERT_NE(fig, nullptr);
  ASSERT_NE(fig->figure.value.get(), nullptr);
  EXPECT_EQ(fig->figure.value->GetTypeName(), "ZVI_VGeom2D_Rect");
  ASSERT_NE(fig->law.get(), nullptr);
  EXPECT_EQ(fig->law->GetFigure().get(), fig->figure.value.get());
  auto* radial = dynamic_cast<ZVI_PtclSysMLaw_Radial*>(fig->law.get());
  ASSERT_NE(radial, nullptr);
  EXPECT_EQ(radial->signMode.value, 1);
  EXPECT_EQ(radial->centreOffset.value, D3DXVECTOR3(1, 2, 3));
  EXPECT_FLOAT_EQ(radial->speed.value.derived, 70.0f);
}

TEST_F(SourceRecordTest, ALawOfAnotherClassLeavesTheLawEmpty) {
  pw::ByteBuilder other;
  pw::WriteConstPntGroup(other, 2);
  pw::ByteBuilder b;
  pw::WriteSourceFig(b, 2, pw::ByteBuilder(), other, pw::SourceRecord());
  auto fig = Read<ZVI_PtclSysPhys_SourceFig>(b);
  ASSERT_NE(fig, nullptr);
  EXPECT_EQ(fig->law.get(), nullptr);
}

TEST_F(SourceRecordTest, LatticeFields) {
  for (const auto& [name, bytes] : source_seeds::All()) {
    if (name.rfind("lattice", 0) != 0) continue;
    auto lattice = Read<ZVI_PtclSysPhys_Lattice>(bytes);
    ASSERT_NE(lattice, nullptr);
    EXPECT_EQ(lattice->rows.value, 3u);
    EXPECT_EQ(lattice->columns.value, 4u);
    EXPECT_EQ(lattice->rowFlip.value, 1);
    EXPECT_EQ(lattice->columnFlip.value, 0);
    EXPECT_FLOAT_EQ(lattice->rowDelay.derived, 0.05f);
    EXPECT_FLOAT_EQ(lattice->columnDelay.derived, 0.1f);
    EXPECT_EQ(lattice->count.value, 2u);
    EXPECT_NE(lattice->figure.value.get(), nullptr);
  }
}

TEST_F(SourceRecordTest, TrackFieldsByVersion) {
  for (const auto& [name, bytes] : source_seeds::All()) {
    if (name.rfind("track_", 0) != 0) continue;
    SCOPED_TRACE(name);
    auto track = Read<ZVI_PtclSysPhys_Track>(bytes);
    ASSERT_NE(track, nullptr);
    ASSERT_NE(track->curve.value.get(), nullptr);
    EXPECT_FLOAT_EQ(track->path.head.speed.derived, 80.0f);
    EXPECT_EQ(track->count.value, 2u);
    const bool v1 = name.find("_v1") != std::string::npos;
    const bool inner2 = name.find("inner2") != std::string::npos;
    EXPECT_FLOAT_EQ(track->path.perspectiveDepth.derived, v1 ? 5.0f : 3.0f);
    EXPECT_EQ(track->path.reverse.value, inner2 ? 1 : 0);
    EXPECT_FLOAT_EQ(track->waits.startWait.derived, v1 ? 0.0f : 0.5f);
    EXPECT_FLOAT_EQ(track->waits.endWait.derived, v1 ? 0.0f : 0.25f);
    EXPECT_EQ(track->waits.hideAtStart.value, v1 ? 0 : 1);
  }
}

TEST_F(SourceRecordTest, ATrackFigureThatIsNoCurveLeavesTheCurveEmpty) {
  pw::TrackRecord t;
  pw::ByteBuilder b;
  pw::WriteTrack(b, 2, source_seeds::Rect(), t);
  auto track = Read<ZVI_PtclSysPhys_Track>(b);
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(track->curve.value.get(), nullptr);
  ParticleVector parents = source_fakes::Parents(1);
  ParticleVector born = track->Generate(&parents);
  ASSERT_EQ(born.size(), 1u);
  EXPECT_TRUE(born[0]->transforms.empty());
}

TEST_F(SourceRecordTest, SwarmFlowAndSpotsFields) {
  for (const auto& [name, bytes] : source_seeds::All()) {
    SCOPED_TRACE(name);
    if (name.rfind("swarm", 0) == 0) {
      auto swarm = Read<ZVI_PtclSysPhys_Swarm>(bytes);
      ASSERT_NE(swarm, nullptr);
      EXPECT_FLOAT_EQ(swarm->swarm.speedFactor.derived, 3.0f);
      EXPECT_FLOAT_EQ(swarm->swarm.turnRate.derived, 1.3f);
      EXPECT_EQ(swarm->count.value, 4u);
      EXPECT_NE(swarm->figure.value.get(), nullptr);
    } else if (name.rfind("flow", 0) == 0) {
      auto flow = Read<ZVI_PtclSysPhys_Flow>(bytes);
      ASSERT_NE(flow, nullptr);
      EXPECT_FLOAT_EQ(flow->flow.speed.value.derived, 60.0f);
      EXPECT_FLOAT_EQ(flow->flow.speed.jitter.derived, 0.75f);
      EXPECT_EQ(flow->flow.direction.value, 90u);
      EXPECT_FLOAT_EQ(flow->flow.spread.derived, 0.4f);
      EXPECT_NE(flow->figure.value.get(), nullptr);
    } else if (name.rfind("fixedspots", 0) == 0) {
      auto spots = Read<ZVI_PtclSysPhys_FixedSpots>(bytes);
      ASSERT_NE(spots, nullptr);
      EXPECT_EQ(spots->rows.value, 2u);
      EXPECT_EQ(spots->columns.value, 4u);
      const bool v2 = name.find("_v2") != std::string::npos;
      EXPECT_EQ(spots->loop.value, v2 ? 1 : 0);
      EXPECT_FLOAT_EQ(spots->loopBlock.speed.value.derived, v2 ? 0.02f : 0.01f);
      EXPECT_FLOAT_EQ(LifetimeSeconds(spots->lifetime), 2.0f);
      ParticleVector parents = source_fakes::Parents(1);
      EXPECT_EQ(spots->Generate(&parents).size(), 8u);
    }
  }
}

TEST_F(SourceRecordTest, RootPointAnglesAndValuesByVersion) {
  struct Case {
    int32_t encoding;
    uint32_t angle, expected;
  };
  for (Case c : {Case{1, 90, 270}, Case{1, 180, 180}, Case{1, 0, 360}, Case{0, 45, 315}, Case{2, 90, 90}}) {
    for (int32_t v = 1; v <= 3; ++v) {
      SCOPED_TRACE(testing::Message() << c.encoding << " " << c.angle << " v" << v);
      pw::RootRecord r;
      r.position = {10, 20, 30};
      r.encoding = c.encoding;
      r.direction = 1;
      r.speed = 900;
      r.angle = c.angle;
      r.scale = 50;
      r.transparency = 25;
      pw::ByteBuilder b;
      pw::WriteRootPnt(b, v, r);
      auto root = Read<ZVI_PtclSysPhys_RootPnt>(b);
      ASSERT_NE(root, nullptr);
      EXPECT_EQ(root->orientation.angle.value, c.expected);
      EXPECT_EQ(root->position.value, D3DXVECTOR3(10, 20, 30));
      EXPECT_EQ(root->orientation.direction.value, 1);
      EXPECT_FLOAT_EQ(root->orientation.rotationSpeed.derived, 6.2831855f);
      EXPECT_FLOAT_EQ(root->scale.derived, v >= 2 ? 0.5f : 1.0f);
      EXPECT_FLOAT_EQ(root->transparency.derived, v >= 2 ? 0.75f : 1.0f);
      EXPECT_EQ(root->particles.size(), 1u);
    }
  }
}

TEST_F(SourceRecordTest, MotionLawFieldsByVersion) {
  {
    auto law = Read<ZVI_PtclSysMLaw_Kinematic>(source_seeds::Law(0, 1));
    EXPECT_FLOAT_EQ(law->speed.value.derived, 120.0f);
    EXPECT_FLOAT_EQ(law->speed.jitter.derived, 0.9f);
    EXPECT_EQ(law->detach.value, 1);
  }
  {
    auto v1 = Read<ZVI_PtclSysMLaw_Vector>(source_seeds::Law(1, 1));
    EXPECT_EQ(v1->direction.value, 90u);
    EXPECT_EQ(v1->spread.value, 0u);
  }
  {
    auto f1 = Read<ZVI_PtclSysMLaw_VelocityField>(source_seeds::Law(3, 1));
    EXPECT_FLOAT_EQ(f1->field.drift.value.derived, 0.0f);  // version 1 keeps the defaults
    auto f2 = Read<ZVI_PtclSysMLaw_VelocityField>(source_seeds::Law(3, 2));
    EXPECT_FLOAT_EQ(f2->field.drift.value.derived, 7.0f);
    EXPECT_FLOAT_EQ(f2->field.drift.jitter.derived, 0.8f);
    EXPECT_EQ(f2->field.driftDirection.value, 30u);
  }
  {
    auto l1 = Read<ZVI_PtclSysMLaw_Loop>(source_seeds::Law(4, 1));
    EXPECT_EQ(l1->followMode.value, 2);
    EXPECT_EQ(l1->loop.edgeMode.value, 0);
    auto l2 = Read<ZVI_PtclSysMLaw_Loop>(source_seeds::Law(4, 2));
    EXPECT_EQ(l2->followMode.value, 1);
    EXPECT_EQ(l2->loop.edgeMode.value, 1);
    EXPECT_FLOAT_EQ(l2->loop.speed.value.derived, 0.03f);
  }
  {
    auto r1 = Read<ZVI_PtclSysMLaw_Radial>(source_seeds::Law(5, 1));
    EXPECT_EQ(r1->signMode.value, 0);
    EXPECT_FLOAT_EQ(r1->speed.value.derived, 70.0f);
    auto r2 = Read<ZVI_PtclSysMLaw_Radial>(source_seeds::Law(5, 2));
    EXPECT_EQ(r2->signMode.value, 1);
    EXPECT_EQ(r2->centreOffset.value, D3DXVECTOR3(0, 0, 0));
  }
  {
    auto s1 = Read<ZVI_PtclSysMLaw_Spiral>(source_seeds::Law(6, 1));
    EXPECT_EQ(s1->spiral.inward.value, 0);
    EXPECT_FLOAT_EQ(s1->speed.value.derived, 50.0f);
    auto s2 = Read<ZVI_PtclSysMLaw_Spiral>(source_seeds::Law(6, 2));
    EXPECT_EQ(s2->spiral.inward.value, 1);
    EXPECT_EQ(s2->spiral.rotationSense.value, 2);
    EXPECT_EQ(s2->spiral.centreOffset.value, D3DXVECTOR3(4, 5, 6));
    EXPECT_FLOAT_EQ(s2->spiral.angularSpeed.value.derived, 45.0f);
    EXPECT_FLOAT_EQ(s2->speed.value.derived, 60.0f);
  }
  {
    auto t = Read<ZVI_PtclSysMLCentred_Tunel>(source_seeds::Law(7, 1));
    EXPECT_FLOAT_EQ(t->data->depth.derived, 100.0f);
    EXPECT_FLOAT_EQ(t->data->focal.derived, 6.0f);
    EXPECT_EQ(t->data->rotationMode.value, 1);
    EXPECT_EQ(t->data->inward.value, 1);
    EXPECT_FLOAT_EQ(t->data->speed.value.derived, 80.0f);  // scale 2
    EXPECT_EQ(t->data->centreOffset.value, D3DXVECTOR3(1, 1, 0));
  }
}

TEST_F(SourceRecordTest, PhysicsBaseByVersion) {
  for (int32_t v = 1; v <= 3; ++v) {
    pw::ByteBuilder b;
    b.Header(u"ZVI_PtclSysPhys_ConstPntGroup", 1).U32(1);
    pw::WritePointsTail(b, v, source_seeds::Rect());
    auto group = Read<ZVI_PtclSysPhys_ConstPntGroup>(b);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->figure.value.get() != nullptr, v >= 3) << v;
    EXPECT_EQ(group->originMarker.get(), nullptr);
  }
}

TEST(BlockReaderTest, BlocksByVersion) {
  source_fakes::RegisterAll();
  pw::ByteBuilder b;
  pw::WriteSpinParams(b, 2, 100, 30, 1, 45, 10);
  pw::WriteFollowCurveHead(b, 70, 0, 3, 1);
  pw::WriteSpiralMotionParams(b, pw::SpiralMotionRecord{1, 10, 20, 30, 40, {1, 2, 3}, 1, 1});
  b.I32(9);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  SpinParams spin;
  ReadSpinParams(ar, spin);
  EXPECT_EQ(spin.directionMode.value, 2);
  EXPECT_FLOAT_EQ(spin.rate.value.derived, 5.0f);
  EXPECT_FLOAT_EQ(spin.rate.jitter.derived, 0.7f);
  EXPECT_EQ(spin.orientationMode.value, 1);
  EXPECT_FLOAT_EQ(spin.startAngle.value.derived, 45.0f);
  EXPECT_FLOAT_EQ(spin.startAngle.jitter.derived, 10.0f);
  FollowCurveHead head;
  ReadFollowCurveHead(ar, head);
  EXPECT_FLOAT_EQ(head.speed.derived, 70.0f);
  EXPECT_EQ(head.pingPong.value, 0);
  EXPECT_EQ(head.easing.value, 3);
  SpiralMotionParams spiral;
  ReadSpiralMotionParams(ar, spiral);  // version 1: no inward flag
  EXPECT_EQ(spiral.inward.value, 0);
  EXPECT_EQ(spiral.rotationSense.value, 1);
  DS_SafePtr<MediaParamT<int32_t>> counted;
  ReadCountedInt(ar, counted);
  ASSERT_TRUE(counted);
  EXPECT_EQ(counted->value, 9);
  EXPECT_EQ(ar.Remaining(), 0u);
}

TEST(BlockReaderTest, DefaultsOfTheUnreadBlocks) {
  EmissionCycleParams cycle;
  EXPECT_FLOAT_EQ(cycle.duration.value, 1.0f);
  EXPECT_FLOAT_EQ(cycle.pause.value, 0.0f);
  TimeFuncParams time;
  EXPECT_FLOAT_EQ(time.frequency.derived, 2.5f);
  EXPECT_FLOAT_EQ(time.amplitude.derived, 0.5f);
  crt_srand(1);  // 41: odd
  SpinDirection spin;
  EXPECT_EQ(spin.sign, -1.0f);
  SpinDirection copy = spin;
  EXPECT_EQ(copy.mode.get(), spin.mode.get());
}

// Every prefix and random damage: an object or the file-format error.
TEST_F(SourceRecordTest, PrefixesAndFlipsGiveAnObjectOrTheFormatError) {
  std::mt19937 rng(18);
  const int flips = std::getenv("SOURCES_QUICK") ? 300 : 3000;
  for (const auto& [name, seed] : source_seeds::All()) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t>& bytes = seed.bytes();
    auto attempt = [&](const std::vector<uint8_t>& data) {
      try {
        MemoryArchive ar(data.data(), data.size(), true);
        std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
        (void)item;
      } catch (const DS_Error& e) {
        EXPECT_EQ(e.message, kWrongFileFormat);
      }
    };
    for (size_t n = 0; n < bytes.size(); ++n) attempt(std::vector<uint8_t>(bytes.begin(), bytes.begin() + n));
    for (int i = 0; i < flips; ++i) {
      std::vector<uint8_t> damaged = bytes;
      const size_t at = rng() % damaged.size();
      damaged[at] = (rng() % 2) ? static_cast<uint8_t>(damaged[at] ^ (1u << (rng() % 8))) : static_cast<uint8_t>(rng());
      attempt(damaged);
    }
  }
}

}  // namespace

namespace {

// With SOURCE_SEEDS_OUT set, writes the seeds of the node_sources fuzzer.
TEST(SourceSeedsTest, WriteFuzzSeedsOnRequest) {
  const char* dir = std::getenv("SOURCE_SEEDS_OUT");
  if (!dir) GTEST_SKIP() << "SOURCE_SEEDS_OUT not set";
  for (const auto& [name, bytes] : source_seeds::All()) {
    EXPECT_TRUE(bytes.SaveTo(std::string(dir) + "/" + name + ".bin")) << name;
  }
}

}  // namespace
