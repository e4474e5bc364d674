// The generator base without a device: the clock, emission along head paths,
// the default emitted particle, the records at every version, the colour
// rule, the vertex builders and the runtime object's layers.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "particles/generators/particle_generator.h"
#include "player/app/register_all.h"
#include "tools/writer/generators_writer.h"

namespace {

class TestGenerator : public DS_TexParticleGenerator {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadTexGeneratorRecord(ar, version); }
  void Draw(DS_ABRender*, DS_ParticlesObj*) override {}
  DS_ParticleGenerator* Clone() const override { return new TestGenerator(*this); }
  std::u16string_view ClassName() const override { return u"TestGenerator"; }
};

class GeneratorBase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterEverything(); }
};

TEST_F(GeneratorBase, ClockStepsAreClampedAndScaled) {
  TestGenerator g;
  struct Step {
    float time, step, elapsed;
  };
  const Step steps[] = {
      {5.0f, 0.0f, 0.0f},    // the first update
      {5.1f, 0.1f, 0.1f},    //
      {4.0f, 0.0f, 0.1f},    // back in time: becomes the last time
      {4.05f, 0.05f, 0.15f},  //
      {10.0f, 0.2f, 0.35f},  // a jump of seconds
  };
  for (const Step& s : steps) {
    g.Update(s.time, nullptr);
    EXPECT_NEAR(g.clock.step, s.step, 1e-5f) << s.time;
    EXPECT_NEAR(g.clock.elapsed, s.elapsed, 1e-5f) << s.time;
  }
  TestGenerator fast;
  fast.clock.SetValue(100u);  // speed 2
  fast.Update(0.0f, nullptr);
  fast.Update(3.0f, nullptr);
  EXPECT_NEAR(fast.clock.step, 0.4f, 1e-6f);
}

TEST_F(GeneratorBase, UpdateStepsBothListsAndDropsTheDead) {
  TestGenerator g;
  g.heads.emplace_back(0, 0, 0);
  g.heads.back().AddProcess(new PAgeConst(0.15f));
  g.emitted.emplace_back(0, 0, 0);
  g.emitted.back().AddProcess(new PSpin(1.0f));
  g.Update(0.0f, nullptr);
  g.Update(0.1f, nullptr);
  EXPECT_EQ(g.heads.size(), 1u);
  g.Update(0.2f, nullptr);
  EXPECT_TRUE(g.heads.empty());
  ASSERT_EQ(g.emitted.size(), 1u);
  EXPECT_NEAR(g.emitted.front().channels[kChannelAngle], 0.2f, 1e-6f);
}

TEST_F(GeneratorBase, EmissionSpacesParticlesAlongTheHeadPath) {
  TestGenerator g;
  g.rate.SetValue(10u);
  g.trail = 1;
  g.heads.emplace_back(0, 0, 0);
  g.heads.back().position = D3DXVECTOR3(10, 20, 0);
  g.heads.back().channels[kChannelOpacity] = 0.5f;

  g.EmitAlongHeadPaths(0.05f);  // half a particle due: nothing moves
  EXPECT_TRUE(g.emitted.empty());
  EXPECT_EQ(g.rate.lastTime, 0.0f);
  EXPECT_EQ(g.heads.front().previous, D3DXVECTOR3(0, 0, 0));

  g.EmitAlongHeadPaths(0.35f);  // three due, at i / 4 of the path
  ASSERT_EQ(g.emitted.size(), 3u);
  float i = 1.0f;
  for (const GeneratorParticle& p : g.emitted) {
    EXPECT_FLOAT_EQ(p.position.x, 10.0f * i * 0.25f);
    EXPECT_FLOAT_EQ(p.position.y, 20.0f * i * 0.25f);
    EXPECT_EQ(p.channels[kChannelOpacity], 0.5f);
    i += 1.0f;
  }
  EXPECT_EQ(g.rate.lastTime, 0.35f);
  EXPECT_EQ(g.heads.front().previous, D3DXVECTOR3(10, 20, 0));

  // A head that did not move gets its particles at its own position.
  g.emitted.clear();
  g.EmitAlongHeadPaths(0.55f);
  ASSERT_EQ(g.emitted.size(), 2u);
  for (const GeneratorParticle& p : g.emitted) EXPECT_EQ(p.position, D3DXVECTOR3(10, 20, 0));
}

TEST_F(GeneratorBase, EmissionOffOrWithoutHeadsStillCounts) {
  TestGenerator g;
  g.rate.SetValue(10u);
  g.trail = 0;
  g.heads.emplace_back(0, 0, 0);
  g.heads.back().position = D3DXVECTOR3(5, 0, 0);
  g.EmitAlongHeadPaths(1.0f);
  EXPECT_TRUE(g.emitted.empty());
  EXPECT_EQ(g.rate.lastTime, 1.0f);
  EXPECT_EQ(g.heads.front().previous, D3DXVECTOR3(0, 0, 0));

  // A huge count is emitted up to the list's cap, never forever.
  TestGenerator flood;
  flood.rate.SetValue(0xFFFFFFFFu);
  flood.trail = 1;
  flood.heads.emplace_back(0, 0, 0);
  flood.EmitAlongHeadPaths(1e9f);
  EXPECT_EQ(flood.emitted.size(), kMaxGeneratorParticles);
  flood.EmitAlongHeadPaths(2e9f);
  EXPECT_EQ(flood.emitted.size(), kMaxGeneratorParticles);
}

TEST_F(GeneratorBase, DefaultEmittedParticleFadesAndFlies) {
  TestGenerator g;
  g.life.SetValue(4u);
  g.speed.SetValue(30u);
  GeneratorParticle head(1, 1, 0);
  head.channels[kChannelOpacity] = 0.8f;
  GeneratorParticle p(1, 1, 0);
  crt_srand(1);
  g.InitEmittedParticle(p, head);
  crt_srand(1);
  const float length = 30.0f * (static_cast<float>(crt_rand()) / 32767.0f);
  const D3DXVECTOR3 velocity = RandomConeDirection(length, 0.0f, 360.0f);

  EXPECT_EQ(p.channels[kChannelOpacity], 0.8f);
  ASSERT_EQ(p.processes.size(), 3u);
  auto it = p.processes.begin();
  auto* age = dynamic_cast<PAgeConst*>(*it++);
  auto* fade = dynamic_cast<PFade*>(*it++);
  auto* kinetic = dynamic_cast<PKinetic*>(*it++);
  ASSERT_TRUE(age && fade && kinetic);
  EXPECT_EQ(age->maxAge, 4.0f);
  EXPECT_EQ(fade->channel, kChannelOpacity);
  EXPECT_EQ(fade->startAge, 0.0f);
  EXPECT_EQ(fade->endAge, 4.0f);
  EXPECT_EQ(fade->remaining, -1.0f);
  EXPECT_EQ(kinetic->velocity, velocity);
  EXPECT_EQ(kinetic->acceleration, D3DXVECTOR3(0, 0, 0));
}

// The two generator records, field by field.
pw::ByteBuilder GeneratorBody(int32_t version) {
  pw::ByteBuilder b;
  b.WideString(u"DS_ParticleGenerator").I32(version);
  if (version >= 2) b.I32(2).F32(1).F32(2).F32(3).F32(-4).F32(5).F32(6);
  if (version >= 3) b.U32(7).U32(8).U32(9).U32(10).I32(1);
  pw::WriteConstructorBase(b, pw::ConstructorRecord{});
  return b;
}

pw::ByteBuilder TexRecord(int32_t version, int32_t baseVersion) {
  pw::ByteBuilder b;
  b.I32(2).FileLink(u"a.png", 3).FileLink(u"common_res.dll", 62);
  b.FileLink(u"fx.fxo", 9);
  b.U32(0x000080FF).U32(50);
  b.U32(0x00102030).U32(0);
  b.I32(3);
  if (version >= 2) b.I32(1).I32(1);
  if (version >= 3) b.I32(1);
  b.Append(GeneratorBody(baseVersion));
  return b;
}

std::unique_ptr<TestGenerator> Read(const pw::ByteBuilder& b, int32_t version) {
  auto g = std::make_unique<TestGenerator>();
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  g->ReadRecord(ar, version);
  EXPECT_EQ(ar.Remaining(), 0u);
  return g;
}

TEST_F(GeneratorBase, RecordsAtEveryVersion) {
  for (int32_t version = 1; version <= 3; ++version) {
    for (int32_t base = 1; base <= 3; ++base) {
      SCOPED_TRACE(version * 10 + base);
      auto g = Read(TexRecord(version, base), version);
      ASSERT_EQ(g->imageLinks.size(), 2u);
      EXPECT_EQ(g->imageLinks[1].name, u"common_res.dll");
      EXPECT_EQ(g->imageLinks[1].id, 62);
      EXPECT_EQ(g->effectLink.name, u"fx.fxo");
      EXPECT_EQ(g->colour1.value, 0x000080FFu);
      EXPECT_EQ(g->colour1.Alpha(), 127);  // 255 - 2.55 x 50, truncated
      EXPECT_EQ(g->colour2.value, 0x00102030u);
      EXPECT_EQ(g->blendMode.value, 3);
      EXPECT_EQ(g->verticalMirror.value, version >= 2 ? 1 : 0);
      EXPECT_EQ(g->horizontalMirror.value, version >= 2 ? 1 : 0);
      EXPECT_EQ(g->imageLinkKind, version >= 3 ? 1 : 0);
      EXPECT_EQ(g->heads.size(), base >= 2 ? 2u : 0u);
      if (base >= 2) {
        EXPECT_EQ(g->heads.back().position, D3DXVECTOR3(-4, 5, 6));
        EXPECT_EQ(g->heads.back().channels[kChannelSize], 1.0f);
      }
      const uint32_t want[5] = {base >= 3 ? 7u : 20u, base >= 3 ? 8u : 30u, base >= 3 ? 9u : 0u,
                                base >= 3 ? 10u : 0u, base >= 3 ? 1u : 0u};
      EXPECT_EQ(g->life.value, want[0]);
      EXPECT_EQ(g->rate.value, want[1]);
      EXPECT_EQ(g->size.value, want[2]);
      EXPECT_EQ(g->speed.value, want[3]);
      EXPECT_EQ(static_cast<uint32_t>(g->trail.value), want[4]);
      // Life follows at once; the rate's derived value follows in the clone.
      EXPECT_EQ(g->life.derived, static_cast<float>(want[0]));
      std::unique_ptr<DS_ParticleGenerator> clone(g->Clone());
      EXPECT_EQ(clone->rate.derived, static_cast<float>(want[1]));
    }
  }
}

TEST_F(GeneratorBase, WriterMatchesTheRecordLayout) {
  for (int32_t version = 1; version <= 3; ++version) {
    for (int32_t base = 1; base <= 3; ++base) {
      pw::TexGeneratorRecord r;
      r.version = version;
      r.images = {{u"a.png", 3}, {u"common_res.dll", 62}};
      r.effectName = u"fx.fxo";
      r.effectId = 9;
      r.colour1 = 0x000080FF;
      r.transparency1 = 50;
      r.colour2 = 0x00102030;
      r.blendMode = 3;
      r.verticalMirror = r.horizontalMirror = 1;
      r.imageLinkKind = 1;
      r.generator.version = base;
      r.generator.heads = {{1, 2, 3}, {-4, 5, 6}};
      r.generator.life = 7;
      r.generator.rate = 8;
      r.generator.size = 9;
      r.generator.speed = 10;
      r.generator.trail = 1;
      pw::ByteBuilder written;
      pw::WriteTexGenerator(written, r);
      pw::ByteBuilder expected;
      expected.WideString(u"DS_TexParticleGenerator").I32(version).Append(TexRecord(version, base));
      EXPECT_EQ(written.bytes(), expected.bytes()) << version << " " << base;
    }
  }
}

TEST_F(GeneratorBase, TruncatedRecordsRaiseErrors) {
  pw::ByteBuilder full = TexRecord(3, 3);
  for (size_t n = 0; n < full.size(); n += 7) {
    pw::ByteBuilder cut;
    cut.Raw(full.bytes().data(), n);
    TestGenerator g;
    MemoryArchive ar(cut.bytes().data(), cut.size(), true);
    EXPECT_THROW(g.ReadRecord(ar, 3), DS_Error) << n;
  }
}

TEST_F(GeneratorBase, VertexColourRule) {
  struct Case {
    COLORREF colour;
    uint32_t transparency;
    float opacity;
    D3DCOLOR expected;
  };
  const Case cases[] = {
      {0x000080FF, 0, 0.5f, 0x80FF8000},
      {0x00FFFFFF, 0, 2.0f, 0xFFFFFFFF},
      {0x00FFFFFF, 100, 1.0f, 0x00FFFFFF},
      {0x00010203, 0, -1.0f, 0x00030201},
      {0x00000000, 0, std::nanf(""), 0x00000000},
  };
  for (const Case& c : cases) {
    SmartCOLORREF colour(c.colour);
    colour.transparency.SetValue(c.transparency);
    EXPECT_EQ(VertexColour(colour, c.opacity), c.expected) << std::hex << c.colour;
  }
  EXPECT_EQ(ChannelByte(0.5f), 128);
  EXPECT_EQ(ChannelByte(1.0f / 255.0f), 1);
}

TEST_F(GeneratorBase, VertexBuilders) {
  DX_V::PCT q[4];
  BuildQuadVertices(q, 4, 2, D3DXVECTOR3(10, 20, 1));
  const float expected[4][5] = {{8, 21, 1, 0, 1}, {8, 19, 1, 0, 0}, {12, 21, 1, 1, 1}, {12, 19, 1, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(q[i].x, expected[i][0]);
    EXPECT_EQ(q[i].y, expected[i][1]);
    EXPECT_EQ(q[i].z, expected[i][2]);
    EXPECT_EQ(q[i].u, expected[i][3]);
    EXPECT_EQ(q[i].v, expected[i][4]);
    EXPECT_EQ(q[i].color, 0xFFFFFFFFu);
  }

  DX_V::PCT o[4];
  BuildOrientedQuadVertices(o, D3DXVECTOR3(10, 20, 1), D3DXVECTOR3(4, 0, 0), D3DXVECTOR3(0, 2, 0), 1.0f);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(o[i].x, q[i].x);
    EXPECT_EQ(o[i].y, q[i].y);
    EXPECT_EQ(o[i].u, q[i].u);
    EXPECT_EQ(o[i].v, q[i].v);
  }

  // A segment (0,0) -> (10,0): 2 wide at its start, 6 at its end.
  DX_V::PCT s[4];
  BuildSegmentQuadVertices(s, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), 10.0f, 2.0f, 6.0f);
  EXPECT_FLOAT_EQ(s[0].y, 1.0f);
  EXPECT_FLOAT_EQ(s[1].y, -1.0f);
  EXPECT_FLOAT_EQ(s[2].x, 10.0f);
  EXPECT_FLOAT_EQ(s[2].y, 3.0f);
  EXPECT_FLOAT_EQ(s[3].y, -3.0f);
  // Zero length: zero width, no division.
  BuildSegmentQuadVertices(s, D3DXVECTOR3(5, 5, 0), D3DXVECTOR3(0, 0, 0), 0.0f, 2.0f, 6.0f);
  for (const auto& v : s) {
    EXPECT_EQ(v.x, 5.0f);
    EXPECT_EQ(v.y, 5.0f);
  }

  const D3DXVECTOR3 r = RotateZ(D3DXVECTOR3(1, 0, 2), 1.5707964f);
  EXPECT_NEAR(r.x, 0.0f, 1e-6f);
  EXPECT_NEAR(r.y, 1.0f, 1e-6f);
  EXPECT_EQ(r.z, 2.0f);
}

TEST_F(GeneratorBase, RuntimeLayersWithoutADevice) {
  TestGenerator model;
  DS_ParticlesObj object(static_cast<DS_ParticleGenerator*>(model.Clone()));
  EXPECT_EQ(static_cast<TestGenerator*>(object.generator)->runtime, &object);
  std::vector<ScreenRect> rects;
  EXPECT_FALSE(object.GetScreenRects(rects));
  EXPECT_TRUE(rects.empty());
  object.SetLayerCount(2);
  EXPECT_FALSE(object.GetScreenRects(rects));
  EXPECT_TRUE(rects.empty());
  EXPECT_FALSE(object.LockLayer(2));
  object.ReserveQuads(1, 5);
  EXPECT_EQ(object.QuadCount(1), 5u);
  EXPECT_EQ(object.QuadCount(0), 0u);
  object.ReserveQuads(1, 0xFFFFFFFFu);
  EXPECT_EQ(object.QuadCount(1), kMaxLayerQuads);
  object.SetLayerCount(1);
  EXPECT_EQ(object.LayerCount(), 1u);

  // Blend modes 1 and 2 read the background, and only while running.
  object.generator->Update(0.0f, &object);
  for (int mode = 0; mode < 5; ++mode) {
    static_cast<TestGenerator*>(object.generator)->blendMode = mode;
    EXPECT_EQ(object.NeedsBackground(), mode == 1 || mode == 2 ? 1 : 0) << mode;
  }
  object.running = false;
  EXPECT_EQ(object.NeedsBackground(), 0);
  EXPECT_FALSE(object.HitTest(1, 1));
}

TEST_F(GeneratorBase, ClonesKeepTheTargetKeyAndTheParticles) {
  TestGenerator a, b;
  EXPECT_NE(std::memcmp(&a.targetKey.guid, &b.targetKey.guid, sizeof(GUID)), 0);
  a.heads.emplace_back(1, 2, 3);
  a.heads.back().AddProcess(new PSpin(1.0f));
  std::unique_ptr<DS_ParticleGenerator> clone(a.Clone());
  auto* c = static_cast<TestGenerator*>(clone.get());
  EXPECT_EQ(std::memcmp(&a.targetKey.guid, &c->targetKey.guid, sizeof(GUID)), 0);
  ASSERT_EQ(c->heads.size(), 1u);
  EXPECT_NE(c->heads.front().processes.front(), a.heads.front().processes.front());
  EXPECT_EQ(c->clock.derived, 1.0f);
}

}  // namespace
