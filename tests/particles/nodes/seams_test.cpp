// The seams to the sources: effect base and effects vector, the physics
// reader, and the geometry's particle set-up.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/archive.h"
#include "core/crt.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "particles/nodes/effects.h"
#include "particles/nodes/physics.h"
#include "particles/nodes/transforms.h"
#include "tests/particles/nodes/node_fakes.h"
#include "tools/writer/byte_builder.h"

using node_fakes::FakeEffect;
using node_fakes::FakeGeometry;

namespace {

constexpr float kPi = 3.1415927f;

EffectList TwoEffectsAndAHole(FakeEffect** first = nullptr) {
  EffectList list;
  auto* a = new FakeEffect;
  auto* b = new FakeEffect;
  list.value.push_back(EffectPtr(a));
  list.value.push_back(EffectPtr());  // an unknown class name left this
  list.value.push_back(EffectPtr(b));
  if (first) *first = a;
  return list;
}

FakeEffect* CloneAt(const PtclTr_EffectsVector& v, size_t i) { return static_cast<FakeEffect*>(v.clones[i].get()); }

TEST(EffectsVectorTest, BirthClonesAndRunsAtClockZero) {
  EffectList list = TwoEffectsAndAHole();
  ParticlePtr p(new Particle());
  auto* vec = new PtclTr_EffectsVector(&list, nullptr);
  p->AddTransform(vec);
  // Birth as the emitter node does it: Reset, then Apply (0).
  vec->Reset(p.get());
  vec->Apply(0.0f, p.get());
  ASSERT_EQ(vec->clones.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(CloneAt(*vec, i)->inits, 1);
    EXPECT_EQ(CloneAt(*vec, i)->clocks, std::vector<float>({0.0f}));
    EXPECT_EQ(CloneAt(*vec, i)->steps, std::vector<float>({0.0f}));
  }
  // The prototypes are never run.
  EXPECT_EQ(static_cast<FakeEffect*>(list.value[0].get())->applied, 0);
}

TEST(EffectsVectorTest, ClockAdvancesBySpeedTimesClampedStep) {
  EffectList list = TwoEffectsAndAHole();
  ParticlePtr p(new Particle());
  auto* vec = new PtclTr_EffectsVector(&list, nullptr);
  p->AddTransform(vec);
  vec->Reset(p.get());
  StepParticle(p.get(), 0.5f);
  StepParticle(p.get(), 0.1f);
  EXPECT_EQ(CloneAt(*vec, 0)->steps, std::vector<float>({0.2f, 0.1f}));
  EXPECT_FLOAT_EQ(vec->context.Clock(), 0.3f);
  EXPECT_TRUE(std::isinf(vec->context.speed.last_time));
  vec->context.speed.SetValue(2u);
  StepParticle(p.get(), 0.1f);
  EXPECT_FLOAT_EQ(CloneAt(*vec, 0)->steps.back(), 0.2f);
  // A refresh clones anew but the clock runs on.
  vec->Reset(p.get());
  StepParticle(p.get(), 0.0f);
  EXPECT_EQ(CloneAt(*vec, 0)->applied, 1);
  EXPECT_FLOAT_EQ(CloneAt(*vec, 0)->clocks.back(), 0.5f);
}

TEST(EffectsVectorTest, EffectsRunInListOrderAndNeverKill) {
  EffectList list;
  auto* doubler = new FakeEffect;
  doubler->body = [](EffectContext&, Particle* p) { p->size *= 2.0f; };
  auto* adder = new FakeEffect;
  adder->body = [](EffectContext&, Particle* p) { p->size += 1.0f; };
  list.value = {EffectPtr(doubler), EffectPtr(adder)};
  ParticlePtr p(new Particle());
  auto* vec = new PtclTr_EffectsVector(&list, nullptr);
  p->AddTransform(vec);
  vec->Reset(p.get());
  EXPECT_TRUE(StepParticle(p.get(), 0.1f));
  EXPECT_EQ(p->size, 3.0f);
  // Without effects (or without a list) the transform does nothing.
  EffectList none;
  PtclTr_EffectsVector empty(&none, nullptr);
  empty.Reset(p.get());
  EXPECT_TRUE(empty.Apply(0.1f, p.get()));
  PtclTr_EffectsVector orphan(nullptr, nullptr);
  orphan.Reset(p.get());
  EXPECT_TRUE(orphan.Apply(0.1f, p.get()));
}

TEST(EffectsVectorTest, AWrapperOnAParticleSeesClockZero) {
  auto* effect = new FakeEffect;
  ParticlePtr p(new Particle());
  p->AddTransform(effect);
  for (int i = 0; i < 3; ++i) StepParticle(p.get(), 0.1f);
  EXPECT_EQ(effect->clocks, std::vector<float>({0, 0, 0}));
  EXPECT_EQ(effect->steps, std::vector<float>({0, 0, 0}));
}

TEST(EffectRecordTest, BaseRecordByVersion) {
  struct Row {
    int32_t version;
    bool kind_name, flag;
  } rows[] = {{1, false, false}, {2, true, false}, {3, true, true}};
  for (const Row& r : rows) {
    pw::ByteBuilder b;
    b.WideString(u"glow");
    if (r.kind_name) b.WideString(u"SomeKind");
    if (r.flag) b.U8(1);
    b.U32(0xDEADBEEF);
    MemoryArchive ar(b.bytes().data(), b.size());
    FakeEffect e;
    const DS_SafePtr<EffectKind> before = e.kind;
    e.ReadRecord(ar, r.version);
    EXPECT_EQ(e.name, u"glow");
    EXPECT_EQ(e.timeSource, r.flag ? 1 : 0);
    EXPECT_EQ(e.kind.get(), nullptr);
    EXPECT_TRUE(e.kind.HasBlock());
    // From version 2 the kind block is replaced, even by an empty one.
    EXPECT_EQ(e.kind.SameBlock(before), !r.kind_name) << r.version;
    uint32_t tail = 0;
    ar.ReadUInt(&tail);
    EXPECT_EQ(tail, 0xDEADBEEFu);
  }
}

TEST(EffectRecordTest, ARegisteredKindIsMadeAndNamedAndSharedByClones) {
  EffectKindRegistry()[u"Sparkle"] = [] { return new EffectKind; };
  pw::ByteBuilder b;
  b.Header(u"ZVI_ParticlSystem_Effect", 2).WideString(u"").WideString(u"Sparkle");
  MemoryArchive ar(b.bytes().data(), b.size());
  FakeEffect e;
  e.ReadBaseRecord(ar);
  EffectKindRegistry().erase(u"Sparkle");
  ASSERT_NE(e.kind.get(), nullptr);
  EXPECT_EQ(e.kind->name, u"Sparkle");
  std::unique_ptr<ZVI_ParticlSystem_Effect> clone(e.Clone());
  EXPECT_TRUE(clone->kind.SameBlock(e.kind));
  EXPECT_FALSE(clone->ScrollsTexture());
}

// Minimal classes of the ZVI_IOF_Item family for the physics reader.
class TestPhysics : public ZVI_PtclSys_Physics {
 public:
  void Clear() override {}
  ParticleVector Update(const ParticleVector*, float) override { return {}; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) {
    read_version = version;
    ar.ReadUInt(&word);
  }
  int32_t read_version = 0;
  uint32_t word = 0;
};
class TestNotPhysics : public ZVI_IOF_Item {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t) { ar.ReadUInt(&word); }
  uint32_t word = 0;
};

TEST(PhysicsReaderTest, KeepsPhysicsAndDropsOtherClassesReadInFull) {
  RegisterReader<TestPhysics, ZVI_IOF_Item>(u"TestPhysics");
  RegisterReader<TestNotPhysics, ZVI_IOF_Item>(u"TestNotPhysics");
  pw::ByteBuilder b;
  b.Header(u"TestPhysics", 3).U32(7);
  b.Header(u"TestNotPhysics", 1).U32(8);
  b.Header(u"TestPhysics", 1).U32(9);
  b.Header(u"NoSuchPhysics", 1);
  MemoryArchive ar(b.bytes().data(), b.size());
  std::unique_ptr<ZVI_PtclSys_Physics> first = ReadPhysics(ar);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(static_cast<TestPhysics*>(first.get())->read_version, 3);
  EXPECT_EQ(static_cast<TestPhysics*>(first.get())->word, 7u);
  EXPECT_EQ(ReadPhysics(ar), nullptr);
  std::unique_ptr<ZVI_PtclSys_Physics> third = ReadPhysics(ar);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(static_cast<TestPhysics*>(third.get())->word, 9u);
  EXPECT_THROW(ReadPhysics(ar), DS_Error);
  ReaderRegistry<ZVI_IOF_Item>().erase(u"TestPhysics");
  ReaderRegistry<ZVI_IOF_Item>().erase(u"TestNotPhysics");
}

TEST(PhysicsSeamTest, DefaultsOfTheInterface) {
  TestPhysics physics;
  EXPECT_TRUE(physics.Generate(nullptr).empty());
  EXPECT_TRUE(physics.Refresh().empty());
  EXPECT_FALSE(physics.IsAlive());
  EXPECT_EQ(physics.figure.value.get(), nullptr);
  node_fakes::FakeRootPoint root;
  root.position.value = D3DXVECTOR3(10, 20, 0);
  root.SetOffset(1, 2, 3);
  root.Update(nullptr, 0.1f);
  EXPECT_EQ(root.RootParticle()->position, D3DXVECTOR3(11, 22, 3));
}

TEST(GeometrySeamTest, InitParticleDrawsInOrder) {
  crt_srand(1);
  std::vector<int> draws;
  for (int i = 0; i < 16; ++i) draws.push_back(crt_rand());
  FakeGeometry geometry;
  geometry.atlasColumns = 4;
  geometry.atlasRows = 2;
  geometry.position.value = D3DXVECTOR3(5, 6, 7);
  ParticlePtr parent(new Particle());
  crt_srand(1);
  ParticlePtr p = geometry.NewHeldParticle(parent);
  // Reset drew twice first; the next draw is the sixteenth.
  EXPECT_EQ(crt_rand(), draws[15]);
  EXPECT_EQ(p->parent.get(), parent.get());
  EXPECT_EQ(p->position, D3DXVECTOR3(5, 6, 7));
  ASSERT_EQ(geometry.held.size(), 1u);
  EXPECT_EQ(p->texScaleOffset[0], 0.25f);
  EXPECT_EQ(p->texScaleOffset[1], 0.5f);
  EXPECT_EQ(p->texScaleOffset[2], static_cast<float>(draws[2] % 4) / 4.0f);
  EXPECT_EQ(p->texScaleOffset[3], static_cast<float>(draws[3] % 2) / 2.0f);
  ASSERT_EQ(p->transforms.size(), 7u);
  EXPECT_NE(dynamic_cast<PtclTr_JitterCtrl*>(p->transforms[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<PtclTr_JitterUpdater*>(p->transforms[1].get()), nullptr);
  const VariationParams* blocks[4] = {&geometry.sizeOscillation, &geometry.alphaOscillation,
                                      &geometry.offsetXOscillation, &geometry.offsetYOscillation};
  for (int k = 0; k < 4; ++k) {
    auto* osc = dynamic_cast<PtclTr_Oscilator*>(p->transforms[1 + k + 1].get());
    ASSERT_NE(osc, nullptr);
    EXPECT_EQ(osc->owner, blocks[k]);
    EXPECT_EQ(osc->harmonic.index, k + 1);
    EXPECT_EQ(osc->harmonic.base, k < 2 ? 1.0f : 0.0f);
    EXPECT_FLOAT_EQ(osc->harmonic.phase, static_cast<float>(draws[4 + 2 * k]) / 32767.0f * 2.0f * kPi);
    const int32_t r = draws[5 + 2 * k] % 32767;
    EXPECT_EQ(osc->perlin.noise->seed, r * r + 2);
  }
  auto* spin = dynamic_cast<PtclTr_StandardSpin*>(p->transforms[6].get());
  ASSERT_NE(spin, nullptr);
  EXPECT_FLOAT_EQ(spin->spreadFactor, static_cast<float>(draws[12]) / 32767.0f * 2.0f - 1.0f);
  EXPECT_FLOAT_EQ(spin->spinRandom, static_cast<float>(draws[13]) / 32767.0f);
  EXPECT_EQ(spin->sign, (draws[14] & 1) ? 1.0f : -1.0f);
}

TEST(GeometrySeamTest, AtlasCellAndNeutralFactors) {
  struct Row {
    int32_t columns, rows;
  } rows[] = {{1, 1}, {0, -3}};
  for (const Row& r : rows) {
    FakeGeometry geometry;
    geometry.atlasColumns = r.columns;
    geometry.atlasRows = r.rows;
    // Size value 100 with no jitter: factor exactly 1; alpha 1 by default.
    geometry.sizeJitter.value.SetValue(100u);
    ParticlePtr p = geometry.NewHeldParticle(ParticlePtr::MakeEmpty());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p->texScaleOffset[i], i < 2 ? 1.0f : 0.0f);
    EXPECT_TRUE(StepParticle(p.get(), 0.1f));
    EXPECT_EQ(p->size, 1.0f);
    EXPECT_EQ(p->alpha, 1.0f);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&p->modifier1));
  }
  // The default size value 0 makes particles of size 0.
  FakeGeometry geometry;
  ParticlePtr p = geometry.NewHeldParticle(ParticlePtr::MakeEmpty());
  StepParticle(p.get(), 0.1f);
  EXPECT_EQ(p->size, 0.0f);
  geometry.ClearHeld();
  EXPECT_TRUE(geometry.held.empty());
  EXPECT_EQ(p.UseCount(), 1);
}

}  // namespace
