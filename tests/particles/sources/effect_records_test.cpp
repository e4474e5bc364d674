// Effect records at every version: the 24 registered names, fields by
// version, and damaged records that end in an object or the format error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "core/archive.h"
#include "core/crt.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "particles/sources/motion_laws.h"
#include "particles/sources/node_effects.h"
#include "tests/particles/sources/effect_seeds.h"
#include "tests/particles/sources/source_fakes.h"

namespace {

class EffectRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { source_fakes::RegisterAll(); }

  template <class E>
  std::unique_ptr<ZVI_PtclSysEffect<E>> Read(const pw::ByteBuilder& b) {
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    auto* e = dynamic_cast<ZVI_PtclSysEffect<E>*>(item.get());
    EXPECT_NE(e, nullptr);
    if (e) item.release();
    return std::unique_ptr<ZVI_PtclSysEffect<E>>(e);
  }
};

TEST_F(EffectRecordTest, TheTwentyFourNamesMakeEffectWrappers) {
  const char16_t* names[] = {
      u"ZVI_PtclSysEffect_Pulsation",   u"ZVI_PtclSysEffect_Vibration",        u"ZVI_OrientationInMotion",
      u"ZVI_PtclSysEffect_AlignToSource", u"ZVI_PtclSysEffect_NailToSource",   u"ZVI_PtclSysEffect_Swinging",
      u"ZVI_PtclSysEffect_Deformation", u"ZVI_PtclSysEffect_Stretch",          u"ZVI_PtclSysEffect_ColorV",
      u"ZVI_PtclSysEffect_ColorD",      u"ZVI_PtclSysEff_VariatorMF",          u"ZVI_PtclSysEff_Graph",
      u"ZVI_PtclSysEffect_AngleBase",   u"ZVI_PtclSysEffect_Spin",             u"ZVI_PtclSysEffect_AngleDyn",
      u"ZVI_PtclSysEffect_ForceGravitation", u"ZVI_PtclSysEffect_ForceDrag",   u"ZVI_PtclSysEffect_BgTex",
      u"ZVI_PtclSysEffect_ScrollTex",   u"ZVI_PtclSysEffect_MotionLaw",        u"ZVI_PtclSysEff_Gradient",
      u"ZVI_PtclSysEff_ColorGradient",  u"ZVI_PtclSysEffect_ClockTime",        u"ZVI_PtclSysEffect_ClockHand"};
  for (const char16_t* name : names) {
    std::unique_ptr<ZVI_IOF_Item> item = CreateDefaultByName<ZVI_IOF_Item>(name);
    ASSERT_NE(item, nullptr);
    auto* effect = dynamic_cast<ZVI_ParticlSystem_Effect*>(item.get());
    ASSERT_NE(effect, nullptr);
    EXPECT_NE(dynamic_cast<ZVI_PtclTransform*>(effect), nullptr);
    EXPECT_EQ(effect->ScrollsTexture(), std::u16string_view(name) == u"ZVI_PtclSysEffect_ScrollTex");
  }
  EXPECT_EQ(FindReader<ZVI_IOF_Item>(u"ZVI_PtclSysEffect_Spiner"), nullptr);
  EXPECT_EQ(FindReader<ZVI_IOF_Item>(u"ZVI_PtclSysEffect_Angle"), nullptr);
}

TEST_F(EffectRecordTest, EverySeedReadsToItsEnd) {
  for (const auto& [name, bytes] : effect_seeds::All()) {
    SCOPED_TRACE(name);
    MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
    std::unique_ptr<ZVI_IOF_Item> item;
    ASSERT_NO_THROW(item = ReadObjectOf<ZVI_IOF_Item>(ar));
    EXPECT_NE(dynamic_cast<ZVI_ParticlSystem_Effect*>(item.get()), nullptr);
    EXPECT_EQ(ar.Remaining(), 0u);
  }
}

TEST_F(EffectRecordTest, BaseRecordByVersion) {
  struct Case {
    int32_t version;
    uint8_t timeSource;
  } cases[] = {{1, 0}, {2, 0}, {3, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    pw::EffectBaseRecord base;
    base.version = c.version;
    base.name = u"named";
    base.kind = u"unknown kind";
    base.timeSource = 1;
    pw::ByteBuilder b;
    pw::WriteBareEffect(b, u"ZVI_PtclSysEffect_BgTex", base);
    auto e = Read<ZVI_PtclSysEffect_BgTex>(b);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->name, u"named");
    EXPECT_EQ(e->timeSource, c.timeSource);
    EXPECT_EQ(e->kind.get(), nullptr);
  }
}

TEST_F(EffectRecordTest, MotionAndForceFields) {
  pw::ByteBuilder b;
  pw::WriteForceGravitation(b, 180, 7);
  auto g = Read<ZVI_PtclSysEffect_ForceGravitation>(b);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->direction->value, 180u);
  EXPECT_FLOAT_EQ(g->strength->derived, 7.0f);

  pw::ByteBuilder d;
  pw::WriteForceDrag(d, 25);
  auto drag = Read<ZVI_PtclSysEffect_ForceDrag>(d);
  ASSERT_NE(drag, nullptr);
  EXPECT_FLOAT_EQ(drag->drag->derived, -0.0025f);

  pw::ByteBuilder o;
  pw::WriteOrientationInMotion(o, 3);
  EXPECT_EQ(Read<ZVI_OrientationInMotion>(o)->mode->value, 3);

  pw::ByteBuilder law;
  pw::WriteKinematicLaw(law, 120);
  pw::ByteBuilder m;
  pw::WriteMotionLawEffect(m, law);
  auto withLaw = Read<ZVI_PtclSysEffect_MotionLaw>(m);
  EXPECT_NE(dynamic_cast<ZVI_PtclSysMLaw_Kinematic*>(withLaw->law.get()), nullptr);
}

TEST_F(EffectRecordTest, AMotionLawFieldHoldingAnotherClassLeavesNoLawAndDoesNothing) {
  pw::ByteBuilder other;
  pw::WriteBareEffect(other, u"ZVI_PtclSysEffect_BgTex");
  pw::ByteBuilder m;
  pw::WriteMotionLawEffect(m, other);
  auto e = Read<ZVI_PtclSysEffect_MotionLaw>(m);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->law.get(), nullptr);
  Particle p;
  EXPECT_TRUE(e->InitParticle(&p));
  EXPECT_EQ(p.velocity, D3DXVECTOR3(0, 0, 0));
}

TEST_F(EffectRecordTest, TimeFunctionFieldsByVersion) {
  pw::TimeFuncRecord r;
  r.value = 3;
  r.jitter = 4;
  r.mode = 1;
  r.frequency = 20;
  r.amplitude = 80;
  r.third = 5;
  r.randomPhase = 1;
  r.phase = 25;
  for (int32_t v = 1; v <= 2; ++v) {
    SCOPED_TRACE(v);
    r.version = v;
    pw::ByteBuilder b;
    pw::WritePulsation(b, 2, r);
    auto e = Read<ZVI_PtclSysEffect_Pulsation>(b);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->index, 2);
    EXPECT_EQ(e->jitter->value.value, 3u);
    EXPECT_EQ(e->oscillator->mode.value, 1);
    EXPECT_FLOAT_EQ(e->oscillator->frequency.derived, 1.0f);
    EXPECT_FLOAT_EQ(e->oscillator->amplitude.derived, 0.8f);
    EXPECT_EQ(e->randomPhase->value, v >= 2 ? 1 : 0);
    EXPECT_FLOAT_EQ(e->phase->derived, v >= 2 ? 25 * 0.06283186f : 0.0f);
  }
  // The subclasses' amplitude scales.
  pw::ByteBuilder s;
  pw::WriteSwinging(s, r);
  EXPECT_FLOAT_EQ(Read<ZVI_PtclSysEffect_Swinging>(s)->oscillator->amplitude.derived, 80 * 1.8f);
  pw::ByteBuilder d;
  pw::WriteDeformation(d, 2, 30, r);
  auto def = Read<ZVI_PtclSysEffect_Deformation>(d);
  EXPECT_FLOAT_EQ(def->oscillator->amplitude.derived, 0.8f);
  EXPECT_EQ(def->direction->value, 30u);
}

TEST_F(EffectRecordTest, VibrationReadsLocalAxesFromVersionTwo) {
  for (int32_t v = 1; v <= 2; ++v) {
    pw::ByteBuilder b;
    pw::WriteVibration(b, v, 45, 1);
    auto e = Read<ZVI_PtclSysEffect_Vibration>(b);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->direction->value, 45u);
    EXPECT_EQ(e->localAxes.value, v >= 2 ? 1 : 0);
    EXPECT_FLOAT_EQ(e->oscillator->amplitude.derived, 50.0f);
  }
}

TEST_F(EffectRecordTest, ColourSourcesAndTextures) {
  pw::ColorSourceRecord r;
  r.mode = 1;
  r.colours = {1, 2, 3};
  r.keys = {{0.0f, 0xFF}, {1.0f, 0xFF0000}};
  pw::ByteBuilder b;
  pw::WriteColorV(b, r);
  auto v = Read<ZVI_PtclSysEffect_ColorV>(b);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->source->mode.value, 1);
  EXPECT_EQ(v->source->colours.Items(), (std::vector<COLORREF>{1, 2, 3}));
  ASSERT_EQ(v->source->gradient.Items().size(), 2u);
  EXPECT_EQ(v->source->gradient.Items()[1].second, 0xFF0000u);

  pw::ByteBuilder g;
  pw::WriteColorGradient(g, r, effect_seeds::LinearGradient());
  auto cg = Read<ZVI_PtclSysEff_ColorGradient>(g);
  ASSERT_NE(cg->gradient.Gradient(), nullptr);
  EXPECT_FLOAT_EQ(cg->gradient.Gradient()->ValueAt(D3DXVECTOR3(50, 0, 0)), 0.5f);

  pw::ByteBuilder s;
  pw::WriteScrollTex(s, 40, 2);
  auto scroll = Read<ZVI_PtclSysEffect_ScrollTex>(s);
  EXPECT_FLOAT_EQ(scroll->speed->derived, 0.2f);
  EXPECT_EQ(scroll->directionMode->value, 2);
}

TEST_F(EffectRecordTest, AngleAndClockFields) {
  pw::EffectBaseRecord clockBase;
  clockBase.timeSource = 1;
  pw::ByteBuilder a;
  pw::WriteAngleBase(a, 90, 10, clockBase);
  auto angle = Read<ZVI_PtclSysEffect_AngleBase>(a);
  EXPECT_NEAR(angle->angle->value.derived, 1.5707964f, 1e-6);
  EXPECT_NEAR(angle->angle->jitter.derived, 0.17453292f, 1e-6);
  EXPECT_EQ(angle->timeSource, 1);

  pw::ByteBuilder d;
  pw::WriteAngleDyn(d, effect_seeds::LineGraph(0, 2), 1);
  auto dyn = Read<ZVI_PtclSysEffect_AngleDyn>(d);
  int32_t cursor = 1;
  EXPECT_FLOAT_EQ(dyn->graph.Graph()->ValueAt(1.0f, cursor), 2.0f);
  EXPECT_EQ(dyn->mode->value, 1);
  EXPECT_EQ(dyn->sign, 0.0f);

  pw::ByteBuilder s;
  pw::WriteSpin(s, 30, 40, 2);
  auto spin = Read<ZVI_PtclSysEffect_Spin>(s);
  EXPECT_FLOAT_EQ(spin->speed->value.derived, 30.0f);
  EXPECT_FLOAT_EQ(spin->speed->jitter.derived, 0.6f);
  EXPECT_EQ(spin->mode->value, 2);

  pw::ByteBuilder c;
  pw::WriteClockTime(c, 200, 0, 3, 15, 30);
  auto clock = Read<ZVI_PtclSysEffect_ClockTime>(c);
  EXPECT_FLOAT_EQ(clock->speed->derived, 2.0f);
  EXPECT_EQ(clock->realTime->value, 0);
  EXPECT_EQ(clock->hours->value, 3);
  EXPECT_EQ(clock->minutes->value, 15);
  EXPECT_EQ(clock->seconds->value, 30);

  pw::ByteBuilder h;
  pw::WriteClockHand(h, 0.25f);
  EXPECT_FLOAT_EQ(Read<ZVI_PtclSysEffect_ClockHand>(h)->factor, 0.25f);
}

TEST_F(EffectRecordTest, MultiplicatorFieldsByVersion) {
  pw::MultiplicatorRecord r;
  r.index = 4;
  r.kind = 1;
  r.weightX = 1.0f;
  r.weightY = 0.5f;
  r.weightZ = 0.25f;
  for (int32_t v = 1; v <= 2; ++v) {
    SCOPED_TRACE(v);
    r.version = v;
    pw::ByteBuilder b;
    pw::WriteGraphMultiplicator(b, effect_seeds::LineGraph(1, 0), r);
    auto e = Read<ZVI_PtclSysEff_Graph>(b);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->index, 4);
    EXPECT_EQ(e->kind, v >= 2 ? 1 : 0);
    EXPECT_EQ(e->weightX, v >= 2 ? 1.0f : 0.0f);
    EXPECT_EQ(e->weightY, v >= 2 ? 0.5f : 0.0f);
    EXPECT_EQ(e->weightZ, v >= 2 ? 0.25f : 0.0f);
  }
}

TEST_F(EffectRecordTest, VariatorVersionTwoKeepsItsRawFloatsUntilTheValueChanges) {
  pw::VariatorRecord same;  // value 100 as held: the stored derived value stays
  same.derived = 3.0f;
  same.scale = 0.5f;
  same.jitter = 20;
  pw::ByteBuilder b;
  pw::WriteVariatorMF(b, same);
  auto e = Read<ZVI_PtclSysEff_VariatorMF>(b);
  EXPECT_FLOAT_EQ(e->factor->value.derived, 3.0f);
  EXPECT_FLOAT_EQ(e->factor->value.scale, 0.5f);
  EXPECT_FLOAT_EQ(e->factor->jitter.derived, 0.8f);

  pw::VariatorRecord changed = same;
  changed.value = 10;
  pw::ByteBuilder c;
  pw::WriteVariatorMF(c, changed);
  EXPECT_FLOAT_EQ(Read<ZVI_PtclSysEff_VariatorMF>(c)->factor->value.derived, 5.0f);

  pw::VariatorRecord v1;
  v1.version = 1;
  v1.value = 150;
  pw::ByteBuilder d;
  pw::WriteVariatorMF(d, v1);
  EXPECT_FLOAT_EQ(Read<ZVI_PtclSysEff_VariatorMF>(d)->factor->value.derived, 1.5f);
}

TEST_F(EffectRecordTest, DamagedRecordsGiveAnEffectOrTheFormatError) {
  std::mt19937 rng(7);
  for (const auto& [name, bytes] : effect_seeds::All()) {
    SCOPED_TRACE(name);
    auto attempt = [](const std::vector<uint8_t>& data) {
      try {
        MemoryArchive ar(data.data(), data.size(), true);
        std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
        if (auto* e = dynamic_cast<ZVI_ParticlSystem_Effect*>(item.get())) {
          EffectList list;
          list.Append(EffectPtr(static_cast<ZVI_ParticlSystem_Effect*>(e)));
          item.release();
          ParticlePtr parent(new Particle());
          ParticlePtr p(new Particle(parent));
          p->AddTransform(new PtclTr_EffectsVector(&list, nullptr));
          for (const TransformPtr& t : p->transforms) t->Reset(p.get());
          for (int i = 0; i < 5; ++i) StepParticle(p.get(), 0.1f);
        }
      } catch (const DS_Error&) {
      }
    };
    const std::vector<uint8_t>& whole = bytes.bytes();
    for (size_t cut = 0; cut < whole.size(); cut += 3) attempt({whole.begin(), whole.begin() + cut});
    for (int round = 0; round < 20; ++round) {
      std::vector<uint8_t> damaged = whole;
      const size_t at = rng() % damaged.size();
      damaged[at] = static_cast<uint8_t>(rng());
      attempt(damaged);
    }
  }
}

// With EFFECT_SEEDS_OUT set, writes the effect seeds of the node_sources fuzzer.
TEST(EffectSeedsTest, WriteFuzzSeedsOnRequest) {
  const char* dir = std::getenv("EFFECT_SEEDS_OUT");
  if (!dir) GTEST_SKIP() << "EFFECT_SEEDS_OUT not set";
  for (const auto& [name, bytes] : effect_seeds::All()) {
    EXPECT_TRUE(bytes.SaveTo(std::string(dir) + "/effect_" + name + ".bin")) << name;
  }
}

}  // namespace
