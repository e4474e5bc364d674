#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "particles/imitters/classic_params.h"
#include "player/meshes.h"
#include "tools/writer/imitters_writer.h"

namespace {

using namespace pw;

// Reads a block record of the given version and checks every byte was used.
void ReadBlock(const ClassicBlockRecord& r, ClassicParticleParams& block) {
  ByteBuilder b;
  WriteClassicBlock(b, r);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  block.Read(ar, r.version);
  EXPECT_EQ(ar.Remaining(), 0u) << "version " << r.version;
}

TEST(ClassicBlock, Defaults) {
  ClassicParticleParams k;
  EXPECT_FLOAT_EQ(k.frameSpeed.derived, 0.01f);
  EXPECT_FLOAT_EQ(k.spinSpeed.derived, 0.0f);
  EXPECT_FLOAT_EQ(k.spinSpread.derived, 1.0f);
  EXPECT_FLOAT_EQ(k.glowLevel.derived, 2.0f);
  EXPECT_EQ(k.glowColorRef.value, 0x0000FFFFu);
  EXPECT_EQ(k.blurPasses.value, 2);
  EXPECT_EQ(k.blurQuality.value, 50u);
  EXPECT_FLOAT_EQ(k.alphaOscillation.frequency.derived, 5.0f);
  EXPECT_FLOAT_EQ(k.alphaOscillation.amplitude.derived, 0.5f);
  EXPECT_FLOAT_EQ(k.forwardOscillation.amplitude.derived, 50.0f);
  EXPECT_FLOAT_EQ(k.sideOscillation.frequency.derived, 5.0f);
  EXPECT_FLOAT_EQ(k.alphaEnvelope.fadeOutStart.derived, 1.0f);
  EXPECT_EQ(k.colors.transparency.derived, 255);
  EXPECT_EQ(k.AtlasColumns(), 1u);
  // A copy keeps values and recomputed derived floats.
  k.gravity.SetValue(3u);
  ClassicParticleParams copy(k);
  EXPECT_FLOAT_EQ(copy.gravity.derived, 15.0f);
  EXPECT_FLOAT_EQ(copy.forwardOscillation.amplitude.derived, 50.0f);
}

TEST(ClassicBlock, InitParticleDrawsInOrder) {
  ClassicParticleParams k;
  k.particleImage.value.atlasColumns = 4;
  k.particleImage.value.atlasRows = 2;
  k.spinSpread.SetValue(30u);
  k.spinDirection.SetValue(2);
  k.startAngle.SetValue(90u);
  k.angleSpread.SetValue(10u);
  crt_srand(1);
  ClassicParticle p(D3DXVECTOR3(0, 0, 0));
  k.InitParticle(p, RoutinePtr(new IPR_ConstantAge(2.0f)));
  EXPECT_FLOAT_EQ(p.atlasScale[0], 0.25f);
  EXPECT_FLOAT_EQ(p.atlasScale[1], 0.5f);
  EXPECT_FLOAT_EQ(p.atlasOffset[0], 0.25f);  // 41 mod 4
  EXPECT_FLOAT_EQ(p.atlasOffset[1], 0.5f);   // 18467 mod 2
  ASSERT_EQ(p.routines.size(), 1u);
  auto* colour = dynamic_cast<IPR_Color*>(p.routines[0].get());
  ASSERT_NE(colour, nullptr);
  EXPECT_NEAR(colour->pick, 0.1933f, 1e-4f);
  EXPECT_EQ(p.colour, 0x00FFFFFFu);  // applied at once: the first colour
  EXPECT_NEAR(p.Spin(), 0.9426f, 1e-4f);  // 11478 is even: positive
  EXPECT_NEAR(p.Factor1(), 0.5850f, 1e-4f);
  EXPECT_NEAR(p.Factor2(), 0.4799f, 1e-4f);
  const float angle = 97.92f * 3.1415927f / 180.0f;
  EXPECT_NEAR(p.matrix._11, std::cos(-angle), 1e-4f);
  EXPECT_NEAR(p.matrix._12, std::sin(-angle), 1e-4f);
  EXPECT_FLOAT_EQ(p.LifeSpan(), 2.0f);
}

TEST(ClassicBlock, InitParticleOptions) {
  ClassicParticleParams k;
  k.particleImage.value.atlasColumns = 0;  // counts as one
  k.particleImage.value.atlasRows = 0;
  k.spinDirection.SetValue(1);
  k.sizeOscillation.mode.value = 1;
  k.forwardOscillation.mode.value = 2;
  k.flags = kClassicPhysics;
  k.gravityDirection.value = 2;
  k.gravity.SetValue(10u);
  k.airResistance.SetValue(20u);
  ClassicParticle p(D3DXVECTOR3(0, 0, 0));
  k.InitParticle(p, RoutinePtr());
  EXPECT_FLOAT_EQ(p.atlasScale[0], 1.0f);
  EXPECT_FLOAT_EQ(p.atlasOffset[0], 0.0f);
  EXPECT_LT(p.Spin(), 0.0f);
  EXPECT_FALSE(p.lifeController);
  EXPECT_EQ(p.acceleration, D3DXVECTOR3(0.0f, -50.0f, 0.0f));
  // Colour, size harmonic, air resistance: no offset oscillation without bit 16.
  ASSERT_EQ(p.routines.size(), 3u);
  EXPECT_NE(dynamic_cast<IPR_Harmonic*>(p.routines[1].get()), nullptr);
  auto* air = dynamic_cast<IPR_AirResist*>(p.routines[2].get());
  ASSERT_NE(air, nullptr);
  EXPECT_FLOAT_EQ(air->k, 0.2f);

  k.flags |= kClassicOffsetOscillations;
  ClassicParticle q(D3DXVECTOR3(0, 0, 0));
  k.InitParticle(q, RoutinePtr());
  ASSERT_EQ(q.routines.size(), 4u);
  EXPECT_NE(dynamic_cast<IPR_Perlin*>(q.routines[2].get()), nullptr);
}

TEST(ClassicBlock, SizeAndAlphaEnvelopes) {
  ClassicParticleParams k;
  k.sizeEnvelope.fadeInEnd.SetValue(20u);
  k.sizeEnvelope.startFactor.SetValue(50u);
  ClassicParticle p(D3DXVECTOR3(0, 0, 0));
  p.SetLifeController(RoutinePtr(new IPR_ConstantAge(1.0f)));
  EXPECT_FLOAT_EQ(k.SizeFactor(p), 0.5f);
  p.Age() = 0.1f;
  EXPECT_FLOAT_EQ(k.SizeFactor(p), 0.75f);
  // The default alpha envelope does not fade at the end of life.
  p.Age() = 1.0f;
  EXPECT_FLOAT_EQ(k.AlphaFactor(p), 1.0f);
  k.alphaVariation.SetValue(50u);
  p.Factor2() = 0.5f;
  p.Multiplier(2) = 0.8f;
  EXPECT_FLOAT_EQ(k.AlphaFactor(p), 0.6f);
  k.flags = kClassicAlphaFactorOnly | kClassicSizeFactorOnly;
  p.Factor1() = 0.3f;
  EXPECT_FLOAT_EQ(k.AlphaFactor(p), 0.5f);
  EXPECT_FLOAT_EQ(k.SizeFactor(p), 0.3f);
  // A life span of 0 skips the envelope.
  k.flags = 0;
  ClassicParticle q(D3DXVECTOR3(0, 0, 0));
  q.SetLifeController(RoutinePtr(new IPR_ConstantAge(0.0f)));
  EXPECT_FLOAT_EQ(k.SizeFactor(q), 1.0f);
}

TEST(ClassicBlock, QuadColourPacksRounded) {
  DX_V::PCT quad[4] = {};
  SetQuadVertexColor(0x000000FFu, quad, 127.5f);
  for (auto& v : quad) EXPECT_EQ(v.color, 0x80FF0000u);
  SetQuadVertexColor(0x00FF8000u, quad, 400.0f);
  EXPECT_EQ(quad[3].color, 0xFF0080FFu);
  SetQuadVertexColor(0x00FFFFFFu, quad, NAN);
  EXPECT_EQ(quad[0].color, 0x00FFFFFFu);
}

TEST(ClassicBlock, RecordOfEveryVersion) {
  for (int32_t v = 1; v <= 11; ++v) {
    ClassicBlockRecord r;
    r.version = v;
    r.image.links = {{u"dot.png", 7}};
    r.image.atlasColumns = 4;
    r.image.atlasRows = 2;
    r.image.currentName = u"dot.png";
    r.image.currentId = 7;
    r.effectName = u"common_res.dll";
    r.effectId = 99;
    r.frameSpeed = 30;
    r.mirrorU = 1;
    r.particleSize = 24;
    r.colours.colours = {0x000000FFu, 0x00FF0000u};
    r.colours.colourMode = 1;
    r.colours.transparency = 20;
    r.sizeFadeIn = 10;
    r.alphaFadeOut = 70;
    r.spinSpeed = 40;
    r.blendMode = 1;
    r.sizeStart = 25;
    r.alphaStart = 30;
    r.orientation = 1;
    r.startAngle = 45;
    r.glowMode = 1;
    r.glowLevel = 50;
    r.blurPasses = 3;
    r.sizeOscillation = {200, 10, 1};
    r.flags = kClassicFilterImages;
    r.gravityDirection = 1;
    r.gravity = 4;
    r.sideOscillation = {8, 20, 2};
    ClassicParticleParams k;
    k.alphaEnvelope.endFactor.SetValue(33u);
    ReadBlock(r, k);
    SCOPED_TRACE(v);
    EXPECT_EQ(k.particleImage.value.links.size(), 1u);
    EXPECT_EQ(k.particleImage.value.currentLinkName, u"dot.png");
    EXPECT_EQ(k.particleImage.value.currentLinkId, 7);
    EXPECT_EQ(k.particleImage.value.atlasColumns, v >= 7 ? 4u : 1u);
    EXPECT_EQ(k.effectLink.id, 99);
    EXPECT_FLOAT_EQ(k.frameSpeed.derived, 0.3f);
    EXPECT_EQ(k.mirrorU.value, 1);
    EXPECT_EQ(k.particleSize.value, 24u);
    EXPECT_EQ(k.colors.colours.value[0], 0x000000FFu);
    EXPECT_EQ(k.colors.colourMode.value, v >= 11 ? 1 : 0);
    EXPECT_EQ(k.colors.transparency.value, 20u);
    EXPECT_EQ(k.sizeEnvelope.fadeInEnd.value, v >= 2 ? 10u : 0u);
    EXPECT_EQ(k.alphaEnvelope.fadeOutStart.value, v >= 2 ? 70u : 100u);
    EXPECT_EQ(k.blendMode.value, v >= 2 ? 1 : 0);
    EXPECT_EQ(k.sizeEnvelope.startFactor.value, v >= 3 ? 25u : 0u);
    EXPECT_EQ(k.alphaEnvelope.startFactor.value, v >= 3 ? 30u : 0u);
    EXPECT_EQ(k.alphaEnvelope.endFactor.value, 33u);  // never stored
    // Before version 4 a spinning record turns its particles by the spin.
    EXPECT_EQ(k.orientation.value, v >= 4 ? 1 : (v >= 2 ? 2 : 0));
    EXPECT_EQ(k.startAngle.value, v >= 4 ? 45u : 0u);
    EXPECT_EQ(k.glowMode.value, v >= 5 ? 1 : 0);
    EXPECT_FLOAT_EQ(k.glowLevel.derived, v >= 5 ? 1.0f : 2.0f);
    EXPECT_EQ(k.blurPasses.value, v >= 5 ? 3 : 2);
    EXPECT_EQ(k.sizeOscillation.mode.value, v >= 8 ? 1 : 0);
    EXPECT_FLOAT_EQ(k.sizeOscillation.amplitude.derived, v >= 8 ? 1.0f : 0.5f);
    EXPECT_EQ(k.flags, v >= 9 ? kClassicFilterImages : 0);
    EXPECT_FLOAT_EQ(k.gravity.derived, v >= 9 ? 20.0f : 0.0f);
    EXPECT_EQ(k.sideOscillation.mode.value, v >= 10 ? 2 : 0);
    EXPECT_FLOAT_EQ(k.sideOscillation.amplitude.derived, v >= 10 ? 8.0f : 50.0f);
  }
}

// The glow draws as many extra blur pairs as the record stores; only a
// count no one sets by hand (each pair two full passes a frame) is cut.
TEST(ClassicBlock, GlowBlurPassesAreTheStoredCount) {
  struct Case {
    int32_t stored, drawn;
  };
  for (const Case& c : {Case{0, 0}, Case{2, 2}, Case{33, 33}, Case{100, 100}, Case{256, 256}, Case{257, 256},
                        Case{-5, 0}, Case{INT32_MAX, 256}}) {
    EXPECT_EQ(GlowBlurPasses(c.stored), c.drawn) << c.stored;
  }
}

TEST(ClassicBlock, LegacyRecordWithoutImageLinks) {
  ClassicBlockRecord r;
  r.version = 6;
  ClassicParticleParams k;
  k.particleImage.value.currentLinkName = u"stale";
  k.particleImage.value.currentLinkId = 5;
  ReadBlock(r, k);
  EXPECT_TRUE(k.particleImage.value.links.empty());
  EXPECT_TRUE(k.particleImage.value.currentLinkName.empty());
  EXPECT_EQ(k.particleImage.value.currentLinkId, 0);
}

TEST(ClassicBlock, TruncatedRecordsRaise) {
  ClassicBlockRecord r;
  ByteBuilder b;
  WriteClassicBlock(b, r);
  for (size_t cut = 0; cut < b.size(); cut += 7) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    ClassicParticleParams k;
    EXPECT_THROW(k.Read(ar, r.version), DS_Error) << cut;
  }
}

}  // namespace
