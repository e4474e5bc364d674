// The lightning bolt: displacement and smoothing counts, the branch plan,
// taper and ramp, brightness while appearing, fixed shapes from the seed,
// the quads per layer, and the records with their legacy timing.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <set>

#include "core/archive.h"
#include "core/crt.h"
#include "gen_fixtures.h"
#include "particles/generators/lightning.h"
#include "player/scene_object.h"
#include "player/timelines.h"
#include "tools/writer/lightning_writer.h"

using namespace gen_test;

namespace {

using Lightning = DeviceTest;

DS_LightningGN Bolt(uint32_t detail) {
  DS_LightningGN g;
  g.start = D3DXVECTOR3(0, 0, 0);
  g.end = D3DXVECTOR3(300, 0, 0);
  g.detail = detail;
  g.jitter.SetValue(50u);
  g.coreWidth = 4u;
  g.glowWidth = 12u;
  g.seed = 11u;
  return g;
}

size_t Branches(const BoltBranch& b) {
  size_t n = 1;
  for (const BoltPoint& p : b)
    if (!p.branch.empty()) n += Branches(p.branch);
  return n;
}

TEST_F(Lightning, DetailZeroEndsAtTwoThirds) {
  DS_LightningGN g = Bolt(0);
  g.GenerateBolt();
  ASSERT_EQ(g.bolt.size(), 2u);
  EXPECT_EQ(g.bolt[0].position, D3DXVECTOR3(0, 0, 0));
  EXPECT_NEAR(g.bolt[1].position.x, 201.0f, 1e-3f);
  EXPECT_EQ(g.bolt[0].ramp, 1.0f);
  EXPECT_EQ(g.bolt[1].ramp, 0.0f);
}

TEST_F(Lightning, DetailThreeGivesSixteenPointsAndTheirQuads) {
  DS_LightningGN model = Bolt(3);
  std::unique_ptr<DS_ParticlesObj> object(static_cast<DS_ParticlesObj*>(model.CreateRuntime()));
  auto* g = static_cast<DS_LightningGN*>(object->generator);
  ASSERT_EQ(g->bolt.size(), 16u);
  g->Update(0.0f, object.get());
  EXPECT_EQ(object->QuadCount(0), 15u + 2u);  // segments and two caps
  EXPECT_EQ(object->QuadCount(1), 15u);
  EXPECT_EQ(object->QuadCount(2), 2u);
  // The ramp falls evenly from the root to the end.
  for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(g->bolt[i].ramp, (15.0f - i) / 15.0f, 1e-6f);
}

TEST_F(Lightning, SharedAttachmentMakesOneBranch) {
  DS_LightningGN g = Bolt(0);
  g.branches[0] = 3u;  // three entries on two points
  g.branchLength.SetValue(50u);
  g.GenerateBolt();
  CrtRandom replay(11u);
  std::set<int> indices;
  for (int i = 0; i < 3; ++i) indices.insert(replay.Next() % 2);
  size_t rooted = 0;
  for (const BoltPoint& p : g.bolt) rooted += p.branch.empty() ? 0 : 1;
  EXPECT_EQ(rooted, indices.size());
  EXPECT_LT(rooted, 3u);
}

TEST_F(Lightning, TaperWidths) {
  for (uint32_t taperValue : {0u, 100u}) {
    DS_LightningGN g = Bolt(2);
    g.taper.SetValue(taperValue);
    g.GenerateBolt();
    const size_t n = g.bolt.size();
    ASSERT_EQ(n, 8u);
    for (size_t i = 0; i < n; ++i) {
      const float want = taperValue == 0 ? 1.0f : static_cast<float>(n - 1 - i) / n;
      EXPECT_NEAR(g.bolt[i].width, want, 1e-6f) << taperValue << " " << i;
    }
  }
}

TEST_F(Lightning, BrightnessWhileAppearing) {
  DS_LightningGN g = Bolt(0);
  ZVI_Timing* t = g.timing.Current();
  t->state = kTimelineAppearing;
  t->visibility = 0.5f;
  EXPECT_NEAR(g.BoltBrightness(0.2f), 0.102f, 1e-5f);
  EXPECT_EQ(g.BoltBrightness(0.6f), 1.0f);
  t->state = kTimelineDisappearing;
  EXPECT_EQ(g.BoltBrightness(0.6f), 0.25f);
  t->state = kTimelineHidden;
  EXPECT_EQ(g.BoltBrightness(0.6f), 0.5f);
  t->state = kTimelineShown;
  g.flicker.SetValue(0u);
  EXPECT_EQ(g.BoltBrightness(0.6f), 1.0f);
}

TEST_F(Lightning, SameSeedSameBoltWithoutTouchingTheSharedSequence) {
  DS_LightningGN g = Bolt(4);
  g.branches[0] = 4u;
  g.branches[1] = 3u;
  g.branches[2] = 2u;
  g.branchLength.SetValue(40u);
  g.branchAngle.SetValue(30u);
  crt_srand(5);
  const int want = [] {
    crt_srand(5);
    return crt_rand();
  }();
  crt_srand(5);
  g.GenerateBolt();
  EXPECT_EQ(crt_rand(), want);
  const BoltBranch first = g.bolt;
  EXPECT_GT(Branches(first), 1u);
  g.GenerateBolt();
  ASSERT_EQ(g.bolt.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(g.bolt[i].position, first[i].position);
    EXPECT_EQ(g.bolt[i].branch.size(), first[i].branch.size());
  }
  EXPECT_EQ(Branches(g.bolt), Branches(first));
  // New shape each time draws from the shared sequence.
  g.newShapeEachTime = 1;
  crt_srand(5);
  g.GenerateBolt();
  EXPECT_NE(crt_rand(), want);
}

TEST_F(Lightning, HostileCountsStayBounded) {
  for (uint32_t detail : {0u, 1u, 1000u}) {
    DS_LightningGN g = Bolt(detail);
    g.branches[0] = 0xFFFFFFFFu;
    g.branches[1] = 0xFFFFFFFFu;
    g.branches[2] = 0xFFFFFFFFu;
    g.branchLength.SetValue(50u);
    const auto t0 = std::chrono::steady_clock::now();
    g.GenerateBolt();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(s, 30.0);  // a hang guard, not a speed figure
    EXPECT_LE(g.bolt.size(), kMaxBoltPoints);
  }
  // Coinciding ends: no NaN anywhere.
  DS_LightningGN g = Bolt(3);
  g.end = g.start.value;
  g.branches[0] = 2u;
  g.branchLength.SetValue(50u);
  g.GenerateBolt();
  for (const BoltPoint& p : g.bolt) {
    EXPECT_FALSE(std::isnan(p.position.x));
    for (const BoltPoint& q : p.branch) EXPECT_FALSE(std::isnan(q.position.x));
  }
}

pw::TexGeneratorRecord TexRecord() {
  pw::TexGeneratorRecord t;
  t.images = {{u"s.png", 0}};
  t.generator.life = 150;
  t.generator.rate = 10;
  return t;
}

TEST_F(Lightning, RecordsAtBothVersions) {
  for (int32_t version : {1, 2}) {
    pw::ByteBuilder b;
    b.WideString(u"DS_LightningGN").I32(version);
    for (uint32_t v : {6u, 5u, 25u, 77u, 50u, 100u, 30u, 4u, 3u, 2u}) b.U32(v);
    if (version < 2)
      for (uint32_t v : {500u, 2000u, 700u, 1000u, 3000u, 9u, 9u}) b.U32(v);
    b.U32(40).U32(16).I32(1);
    b.WideString(u"DS_StringGenerator").I32(1).F32(1).F32(2).F32(3).F32(4).F32(5).F32(6);
    pw::WriteTexGenerator(b, TexRecord());
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    auto obj = ReadObject(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    auto* g = dynamic_cast<DS_LightningGN*>(obj.get());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->coreWidth.value, 6u);
    EXPECT_EQ(g->detail.value, 5u);
    EXPECT_FLOAT_EQ(g->jitter.derived, 0.1f);
    EXPECT_EQ(g->seed.value, 77u);
    EXPECT_FLOAT_EQ(g->branchLength.derived, 0.5f);
    EXPECT_FLOAT_EQ(g->branchAngle.derived, 1.5707964f);
    EXPECT_FLOAT_EQ(g->taper.derived, 0.7f);
    EXPECT_EQ(g->branches[2].value, 2u);
    EXPECT_FLOAT_EQ(g->flicker.derived, 0.4f);
    EXPECT_EQ(g->glowWidth.value, 16u);
    EXPECT_EQ(g->newShapeEachTime.value, 1);
    EXPECT_EQ(g->start.value, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(g->end.value, D3DXVECTOR3(4, 5, 6));
    if (version < 2) {
      auto* random = dynamic_cast<ZVI_RandomTimeLine*>(g->timing.Current());
      ASSERT_NE(random, nullptr);
      EXPECT_EQ(g->timing.value, 1);
      EXPECT_EQ(random->fadeIn.value, 50u);
      EXPECT_EQ(random->fadeOut.value, 200u);
      EXPECT_EQ(random->minShown.value, 70u);
      EXPECT_EQ(random->maxShown.value, 70u);
      EXPECT_EQ(random->minHidden.value, 100u);
      EXPECT_EQ(random->maxHidden.value, 300u);
    }
    pw::LightningRecord r;
    r.version = version;
    r.coreWidth = 6;
    r.detail = 5;
    r.jitter = 25;
    r.seed = 77;
    r.branchLength = 50;
    r.branchAngle = 100;
    r.taper = 30;
    r.branches = {4, 3, 2};
    r.legacy = {500, 2000, 700, 1000, 3000, 9, 9};
    r.flicker = 40;
    r.glowWidth = 16;
    r.newShapeEachTime = 1;
    r.base.start = {1, 2, 3};
    r.base.end = {4, 5, 6};
    r.base.tex = TexRecord();
    pw::ByteBuilder written;
    pw::WriteLightning(written, r);
    EXPECT_EQ(written.bytes(), b.bytes()) << version;
  }
}

}  // namespace
