// Shooting lines and the waving line: records, the pre-run, shots and
// their trails, and the rope with its cut and head particle.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scene/shooting_lines.h"
#include "scene/waving_line.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/line_writer.h"

using namespace render_test;

namespace {

using namespace pw;

ShootingLineRecord ShootingSample(int32_t version) {
  ShootingLineRecord r;
  r.version = version;
  r.points = {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{90, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
  r.ribbonShape = u"Trail";
  r.ribbon.particleSize = 5;
  r.shotMin = 0.25f, r.shotMax = 0.75f;
  r.speed = 120, r.amplitude = 8, r.tailLength = 40, r.width = 6;
  r.widthEnvelope = {10, 80, 30, 40};
  r.frequency = 500;
  r.showParticles = 1;
  r.kept[0] = 1.5f, r.kept[1] = -2.0f;
  r.system.shapeName = u"Shot";
  r.system.block.particleSize = 9;
  return r;
}

TEST(ShootingRecords, VersionsTearsAndTruncations) {
  for (int32_t version : {1, 2}) {
    for (bool tears : {false, true}) {
      ByteBuilder b;
      if (tears) WriteTears(b, ShootingSample(version));
      else WriteShootingLine(b, ShootingSample(version));
      auto model = scene_test::ReadModel(b);
      auto* line = dynamic_cast<ZVI_ShootingLine*>(model.get());
      ASSERT_NE(line, nullptr);
      EXPECT_EQ(dynamic_cast<ZVI_Tears*>(line) != nullptr, tears);
      EXPECT_EQ(line->GetKind(), 8);
      EXPECT_EQ(line->path.points.size(), 2u);
      EXPECT_FLOAT_EQ(line->shotTimer.minimum.value, 0.25f);
      EXPECT_FLOAT_EQ(line->shotTimer.maximum.value, 0.75f);
      EXPECT_FLOAT_EQ(line->speed.derived, 120.0f);
      EXPECT_EQ(line->amplitude.value, 8u);
      EXPECT_EQ(line->tailLength.value, 40u);
      EXPECT_FLOAT_EQ(line->width.derived, 6.0f);
      EXPECT_EQ(line->widthEnvelope.endFactor.value, 40u);
      EXPECT_FLOAT_EQ(line->frequency.derived, 0.1f);
      EXPECT_EQ(line->showParticles.value, 1);
      EXPECT_FLOAT_EQ(line->kept[1], -2.0f);
      const bool swapped = version == 1;
      EXPECT_EQ(line->ribbon.particleSize.value, swapped ? 9u : 5u);
      EXPECT_EQ(line->params.particleSize.value, swapped ? 5u : 9u);
      RegisterEverything();
      for (size_t cut = 0; cut + 1 < b.size(); cut += 9) {
        MemoryArchive ar(b.bytes().data(), cut, true);
        EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
      }
    }
  }
}

TEST(WavingRecords, FieldsAndTruncations) {
  WavingLineRecord r;
  r.width = 14;
  r.widthEnvelope = {1, 2, 3, 4};
  r.ribbon.particleSize = 5;
  r.amplitude = 30, r.secondWave = 50;
  r.showParticles = 1;
  r.headSide = 2.0f, r.headForward = -3.0f;
  r.base.start = {1, 2, 3};
  r.base.end = {4, 5, 6};
  r.base.system.block.particleSize = 9;
  ByteBuilder b;
  WriteWavingLine(b, r);
  auto model = scene_test::ReadModel(b);
  auto* line = dynamic_cast<ZVI_WavingLine*>(model.get());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->GetKind(), 8);
  EXPECT_FLOAT_EQ(line->width.derived, 14.0f);
  EXPECT_EQ(line->widthEnvelope.startFactor.value, 3u);
  EXPECT_EQ(line->ribbon.particleSize.value, 5u);
  EXPECT_EQ(line->params.particleSize.value, 9u);
  EXPECT_EQ(line->amplitude.value, 30u);
  EXPECT_FLOAT_EQ(line->secondWave.derived, 0.5f);
  EXPECT_FLOAT_EQ(line->headForwardOffset.value, -3.0f);
  EXPECT_EQ(line->start.value, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(line->end.value, D3DXVECTOR3(4, 5, 6));
  RegisterEverything();
  for (size_t cut = 0; cut + 1 < b.size(); cut += 7) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
  }
}

// A straight path along y = 50, samples 1 pixel apart.
void Straight(SplinePath& path, float x0, float x1) {
  const float third = (x1 - x0) / 3.0f;
  for (float x : {x0, x1}) {
    DS_SafePtr<DX_BSplinePnt> p(new DX_BSplinePnt());
    p->value = D3DXVECTOR3(x, 50.0f, 0.0f);
    p->outTangent.value = D3DXVECTOR3(third, 0.0f, 0.0f);
    p->inTangent.value = D3DXVECTOR3(-third, 0.0f, 0.0f);
    path.points.push_back(p);
  }
}

class Shooting : public RenderTest {
 protected:
  Shooting() {
    Straight(model_.path, 0.0f, 100.0f);
    model_.speed.SetValue(400u);
    model_.width.SetValue(6u);
    model_.tailLength.SetValue(50u);
  }
  ZVI_ShootingLine* Run() {
    runtime_.reset(model_.CreateRuntime());
    return static_cast<ZVI_ShootingLine*>(static_cast<ZVI_ParticleSystemMech*>(runtime_.get())->system);
  }
  ZVI_ParticleSystemMech* Mech() { return static_cast<ZVI_ParticleSystemMech*>(runtime_.get()); }
  // Forgets what the pre-run made: the next frame fires the first shot.
  static void Fresh(ZVI_ShootingLine* line) {
    line->particles.clear();
    line->trails.clear();
    line->shotTimer.time = line->shotTimer.next = 0.0f;
  }

  ZVI_ShootingLine model_;
  std::unique_ptr<DS_ABObj> runtime_;
};

TEST_F(Shooting, PreRunStepsUntilAShotCouldCrossThePath) {
  // P / Speed = 0.25 s: three steps of 0.1 s.
  ZVI_ShootingLine* line = Run();
  EXPECT_NEAR(line->GetWarmUpTime(), 0.25f, 1e-4f);
  EXPECT_NEAR(line->shotTimer.time, 0.3f, 1e-5f);
  EXPECT_FALSE(line->trails.empty());
  // Speed 0 would never end: no step at all.
  model_.speed.SetValue(0u);
  line = Run();
  EXPECT_FLOAT_EQ(line->shotTimer.time, 0.0f);
  // 1000 px at 10 px/s: the whole 100 s.
  model_.path.points.clear();
  Straight(model_.path, 0.0f, 1000.0f);
  model_.speed.SetValue(10u);
  line = Run();
  EXPECT_NEAR(line->GetWarmUpTime(), 100.0f, 0.1f);
  EXPECT_NEAR(line->shotTimer.time, 100.0f, 0.2f);
}

TEST_F(Shooting, HiddenOrSinglePointLinesFireNothing) {
  ZVI_ShootingLine* line = Run();
  line->particles.clear();
  line->trails.clear();
  line->timing.Current()->visibility = 0.0f;
  for (int k = 0; k < 20; ++k) line->UpdateParticles(0.1f * static_cast<float>(k));
  EXPECT_TRUE(line->particles.empty());
  EXPECT_TRUE(line->trails.empty());

  model_.path.points.resize(1);
  line = Run();
  for (int k = 0; k < 20; ++k) line->UpdateParticles(0.1f * static_cast<float>(k));
  EXPECT_TRUE(line->particles.empty());
}

TEST_F(Shooting, TrailWithinOneSegmentWritesOneQuad) {
  model_.speed.SetValue(10u);
  model_.shotTimer.minimum.value = model_.shotTimer.maximum.value = 100.0f;
  ZVI_ShootingLine* line = Run();
  Fresh(line);
  line->UpdateParticles(0.0f);
  line->UpdateParticles(0.05f);  // the head 0.5 pixel along, the tail at 0
  ASSERT_EQ(line->trails.size(), 1u);
  EXPECT_EQ(line->trails.front().head->pathIndex, line->trails.front().tail->pathIndex);
  EXPECT_EQ(Mech()->CountAt(1), 1u);
  // Later a trail spans one quad per segment plus the one at the head.
  for (int k = 2; k <= 11; ++k) line->UpdateParticles(0.05f * static_cast<float>(k));
  const ClassicParticlePair& t = line->trails.front();
  EXPECT_EQ(Mech()->CountAt(1), static_cast<uint32_t>(t.head->pathIndex - t.tail->pathIndex + 1));
}

TEST_F(Shooting, FrequencyZeroKeepsAConstantOffset) {
  model_.speed.SetValue(50u);
  model_.amplitude.SetValue(20u);
  model_.shotTimer.minimum.value = model_.shotTimer.maximum.value = 100.0f;
  ZVI_ShootingLine* line = Run();
  Fresh(line);
  line->UpdateParticles(1.0f);
  line->UpdateParticles(1.1f);
  ASSERT_EQ(line->particles.size(), 1u);
  ClassicParticle& shot = *line->particles.front();
  const float b = std::cos(line->trails.front().phase) * shot.Free(2) * 20.0f;
  for (int k = 2; k < 12; ++k) {
    line->UpdateParticles(1.0f + 0.1f * static_cast<float>(k));
    EXPECT_NEAR(shot.position.y, 50.0f - b, 1e-3f) << k;
  }
  EXPECT_GT(shot.position.x, 20.0f);
}

class Waving : public RenderTest {
 protected:
  Waving() {
    model_.start.value = D3DXVECTOR3(10.0f, 40.0f, 0.0f);
    model_.end.value = D3DXVECTOR3(110.0f, 40.0f, 0.0f);
    model_.width.SetValue(4u);
  }
  ZVI_WavingLine* Run() {
    runtime_.reset(model_.CreateRuntime());
    return static_cast<ZVI_WavingLine*>(Mech()->system);
  }
  ZVI_ParticleSystemMech* Mech() { return static_cast<ZVI_ParticleSystemMech*>(runtime_.get()); }

  ZVI_WavingLine model_;
  std::unique_ptr<DS_ABObj> runtime_;
};

TEST(WavingShapes, SecondWave) {
  EXPECT_FLOAT_EQ(ZVI_WavingLine::SecondShape(0.0f), 0.0f);
  EXPECT_NEAR(ZVI_WavingLine::SecondShape(0.42f), 0.5625f, 1e-3f);
  EXPECT_NEAR(ZVI_WavingLine::SecondShape(1.0f), -1.0f, 1e-6f);
}

TEST_F(Waving, AmplitudeZeroIsAStraightRibbonOfEqualQuads) {
  model_.headSideOffset.value = 3.0f;
  model_.headForwardOffset.value = 2.0f;
  ZVI_WavingLine* line = Run();
  line->UpdateParticles(0.0f);
  line->UpdateParticles(0.2f);
  ASSERT_EQ(Mech()->CountAt(0), 100u);
  DX_V::PCT* v = Mech()->BatchAt(0)->LockVertices();
  ASSERT_NE(v, nullptr);
  for (int q = 0; q < 100; ++q) {
    EXPECT_NEAR(v[4 * q].x - v[4 * q + 1].x, 1.0f, 1e-3f) << q;
    EXPECT_NEAR(v[4 * q].y, 42.0f, 1e-3f) << q;  // left edge: +y
    EXPECT_NEAR(v[4 * q + 2].y, 38.0f, 1e-3f) << q;
  }
  EXPECT_FLOAT_EQ(v[1].v, 0.0f);
  EXPECT_NEAR(v[4 * 99].v, 100.0f / 4.0f, 1e-3f);  // Length / K
  Mech()->BatchAt(0)->Unlock();
  // The head particle at End, moved 2 along the line and 3 across it.
  const ClassicParticle& head = *line->particles.front();
  EXPECT_NEAR(head.position.x, 112.0f, 1e-3f);
  EXPECT_NEAR(head.position.y, 43.0f, 1e-3f);
}

TEST_F(Waving, LargeAmplitudeCutsTheRope) {
  model_.amplitude.SetValue(200u);
  ZVI_WavingLine* line = Run();
  for (int k = 0; k <= 4; ++k) line->UpdateParticles(0.2f * static_cast<float>(k));
  const uint32_t n = Mech()->CountAt(0);
  EXPECT_LT(n, 100u);
  EXPECT_GT(n, 0u);
  DX_V::PCT* v = Mech()->BatchAt(0)->LockVertices();
  ASSERT_NE(v, nullptr);
  EXPECT_NEAR(v[4 * (n - 1)].v, 25.0f, 1e-3f);
  Mech()->BatchAt(0)->Unlock();
}

TEST_F(Waving, StartEqualToEndDrawsNothing) {
  model_.end.value = model_.start.value;
  model_.amplitude.SetValue(50u);
  ZVI_WavingLine* line = Run();
  line->UpdateParticles(0.0f);
  line->UpdateParticles(0.2f);
  EXPECT_EQ(Mech()->CountAt(0), 0u);
  EXPECT_EQ(line->particles.front()->position, model_.start.value);
}

}  // namespace
