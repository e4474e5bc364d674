// Flight through space: the record and its version gates, the projection
// about the centre, the batch's turn and where newborns join the list.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "particles/imitters/through_space.h"
#include "player/app/register_all.h"
#include "tools/writer/imitters_writer.h"

namespace {

using namespace pw;

std::unique_ptr<ZVI_ThroughSpaceCtrl> Read(const ByteBuilder& b) {
  RegisterEverything();
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<DS_ABObj_Constructor> model = ReadObject(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  auto* s = dynamic_cast<ZVI_ThroughSpaceCtrl*>(model.get());
  if (!s) return nullptr;
  model.release();
  return std::unique_ptr<ZVI_ThroughSpaceCtrl>(s);
}

ThroughSpaceRecord Sample(int32_t version) {
  ThroughSpaceRecord r;
  r.version = version;
  r.rate = 30;
  r.area = {10, 20, 0, 110, 20, 0, 10, 70, 0, 110, 70, 0};
  r.rotationSpeed = 25;
  r.rotationDirection = 1;
  r.centre[0] = 100.0f, r.centre[1] = 50.0f, r.centre[2] = 0.5f;
  r.reverse = 1;
  r.motionSpeed = 150;
  return r;
}

TEST(ThroughSpace, RecordOfVersion3) {
  ByteBuilder b;
  WriteThroughSpace(b, Sample(3));
  auto s = Read(b);
  ASSERT_NE(s, nullptr);
  EXPECT_FLOAT_EQ(s->counter.rate.derived, 6.0f);
  EXPECT_EQ(s->spawnArea.rect.corners[3].value, D3DXVECTOR3(110.0f, 70.0f, 0.0f));
  EXPECT_FLOAT_EQ(s->rotationSpeed.derived, 10.0f);
  EXPECT_EQ(s->rotationDirection.value, 1);
  EXPECT_EQ(s->centre.value, D3DXVECTOR3(100.0f, 50.0f, 0.5f));
  EXPECT_TRUE(s->reverse);
  EXPECT_FLOAT_EQ(s->motionSpeed.derived, 1.5f);
  // A block that stores envelopes keeps its own.
  EXPECT_EQ(s->params.alphaEnvelope.fadeOutStart.value, 100u);
}

TEST(ThroughSpace, OldVersionsSetEnvelopesAndVersion1TakesTheFrameSpeed) {
  struct Case {
    int32_t version;
    uint8_t reverse;
    unsigned alphaIn, alphaOut;
  };
  for (const Case& c : {Case{1, 0, 10, 100}, Case{2, 1, 0, 90}, Case{2, 0, 10, 100}}) {
    ThroughSpaceRecord r = Sample(c.version);
    r.reverse = c.reverse;
    r.system.version = 4;  // a legacy record stores no envelopes
    r.system.block.frameSpeed = 70;
    ByteBuilder b;
    WriteThroughSpace(b, r);
    auto s = Read(b);
    ASSERT_NE(s, nullptr) << c.version;
    EXPECT_EQ(s->params.sizeEnvelope.fadeInEnd.value, 0u);
    EXPECT_EQ(s->params.sizeEnvelope.fadeOutStart.value, 100u);
    EXPECT_EQ(s->params.alphaEnvelope.fadeInEnd.value, c.alphaIn) << c.version;
    EXPECT_EQ(s->params.alphaEnvelope.fadeOutStart.value, c.alphaOut) << c.version;
    if (c.version == 1) {
      EXPECT_EQ(s->motionSpeed.value, 70u);
      EXPECT_FLOAT_EQ(s->motionSpeed.derived, s->motionSpeed.scale * 70.0f);
      EXPECT_EQ(s->params.frameSpeed.value, 100u);
    } else {
      EXPECT_FLOAT_EQ(s->motionSpeed.derived, 1.5f);
      EXPECT_EQ(s->params.frameSpeed.value, 70u);
    }
  }
}

TEST(ThroughSpace, TruncatedRecordsAreRefused) {
  RegisterEverything();
  ByteBuilder b;
  WriteThroughSpace(b, Sample(3));
  for (size_t cut = 0; cut + 1 < b.size(); cut += 5) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObject(ar), DS_Error) << cut;
  }
}

TEST(ThroughSpace, ProjectsAboutTheCentreByTheReciprocalDepth) {
  ZVI_ThroughSpaceCtrl s;
  s.centre.value = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
  s.params.particleSize.value = 10;
  ClassicParticle p(D3DXVECTOR3(150.0f, 100.0f, 0.5f));
  DX_V::PCT v[4] = {};
  const float baseU[4] = {0, 0, 1, 1}, baseV[4] = {1, 0, 1, 0};
  for (int k = 0; k < 4; ++k) v[k].u = baseU[k], v[k].v = baseV[k];
  p.atlasScale[0] = 0.5f, p.atlasOffset[0] = 0.25f;
  s.WriteQuad(p, 1.0f, v);
  // Centred on (200, 100), its sides doubled from 10 to 20.
  const float want[4][2] = {{190, 110}, {190, 90}, {210, 110}, {210, 90}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(v[k].x, want[k][0], 1e-4f) << k;
    EXPECT_NEAR(v[k].y, want[k][1], 1e-4f) << k;
    EXPECT_FLOAT_EQ(v[k].z, 1.0f) << k;
  }
  EXPECT_FLOAT_EQ(v[0].u, 0.25f);
  EXPECT_FLOAT_EQ(v[2].u, 0.75f);
  EXPECT_FLOAT_EQ(v[0].v, 1.0f);
  // Orientation 1 turns the quad's x axis away from the centre: a particle
  // straight below it gets a quad turned a quarter.
  s.params.orientation.value = 1;
  s.params.particleSize.value = 4;
  ClassicParticle below(D3DXVECTOR3(100.0f, 150.0f, 1.0f));
  s.WriteQuad(below, 0.5f, v);
  EXPECT_NEAR(std::fabs(v[0].x - v[3].x), 2.0f, 1e-4f);
  EXPECT_NEAR(std::fabs(v[0].y - v[3].y), 4.0f, 1e-4f);
  // At depth 0 or behind: a collapsed quad on the centre.
  s.params.orientation.value = 0;
  for (float z : {0.0f, -0.5f}) {
    ClassicParticle q(D3DXVECTOR3(150.0f, 120.0f, z));
    s.WriteQuad(q, 1.0f, v);
    for (int k = 0; k < 4; ++k) {
      EXPECT_FLOAT_EQ(v[k].x, 100.0f) << z;
      EXPECT_FLOAT_EQ(v[k].y, 100.0f) << z;
      EXPECT_TRUE(std::isfinite(v[k].z));
    }
  }
}

TEST(ThroughSpace, BatchTurnsTenDegreesInASecondEitherWay) {
  for (int direction : {0, 1}) {
    ZVI_ThroughSpaceCtrl model;
    model.centre.value = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
    model.rotationSpeed.SetValue(25u);
    model.rotationDirection.value = direction;
    model.counter.rate.SetValue(0u);
    ZVI_ParticleSystemMech mech(model.Clone());
    mech.system->runtime = &mech;
    mech.SizeBatches(1);
    for (int k = 0; k <= 10; ++k) mech.Update(0.1f * k);
    auto* s = static_cast<ZVI_ThroughSpaceCtrl*>(mech.system);
    const float want = direction == 0 ? 10.0f : -10.0f;
    EXPECT_NEAR(s->rotationAngle, want, 1e-4f);
    // The batch's world turns (110, 100) about the centre.
    D3DXVECTOR3 q(110.0f, 100.0f, 0.0f), out;
    D3DXVec3TransformCoord(&out, &q, &mech.BatchAt(0)->world);
    const float a = want * 3.14159265f / 180.0f;
    EXPECT_NEAR(out.x, 100.0f + 10.0f * std::cos(a), 1e-3f);
    EXPECT_NEAR(out.y, 100.0f + 10.0f * std::sin(a), 1e-3f);
    // Speed 0 keeps the angle.
    s->rotationSpeed.SetValue(0u);
    mech.Update(1.1f);
    EXPECT_NEAR(s->rotationAngle, want, 1e-4f);
  }
}

TEST(ThroughSpace, NewbornsJoinAtTheFrontOrInReverseAtTheEnd) {
  for (bool reverse : {false, true}) {
    ZVI_ThroughSpaceCtrl s;
    s.reverse = reverse;
    s.spawnArea.rect.corners[3].value = D3DXVECTOR3(50.0f, 50.0f, 0.0f);
    s.counter.rate.SetValue(50u);  // 10 per second of motion time
    s.motionSpeed.SetValue(100u);
    s.UpdateParticles(0.0f);
    s.UpdateParticles(0.1f);
    ASSERT_EQ(s.particles.size(), 1u) << reverse;
    const ClassicParticle* first = s.particles[0].get();
    EXPECT_FLOAT_EQ(first->velocity.z, reverse ? 0.2f : -0.2f);
    EXPECT_FLOAT_EQ(first->LifeSpan(), 5.0f);
    s.UpdateParticles(0.2f);
    ASSERT_EQ(s.particles.size(), 2u);
    EXPECT_EQ(s.particles[reverse ? 0 : 1].get(), first) << reverse;
    // Stepped twice a frame: 2 x 0.1 x 0.2 of depth since its first frame.
    EXPECT_NEAR(first->position.z, reverse ? 0.04f : 0.96f, 1e-5f);
  }
}

TEST(ThroughSpace, AnInvisibleTimelineEmitsNothingWhileOthersFly) {
  ZVI_ThroughSpaceCtrl s;
  s.counter.rate.SetValue(50u);
  s.motionSpeed.SetValue(100u);
  s.UpdateParticles(0.0f);
  s.UpdateParticles(0.1f);
  ASSERT_EQ(s.particles.size(), 1u);
  const float z = s.particles[0]->position.z;
  s.timing.Current()->visibility = 0.0f;
  for (int k = 2; k <= 5; ++k) s.UpdateParticles(0.1f * k);
  ASSERT_EQ(s.particles.size(), 1u);
  EXPECT_LT(s.particles[0]->position.z, z);
}

}  // namespace
