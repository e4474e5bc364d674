// Flows and rain: direction and speed, wobble, the three edge modes followed
// position by position, fewer sprites while fading, and the records.
#include <gtest/gtest.h>

#include <cmath>

#include "player/timelines.h"
#include "scene/sprite_flow.h"
#include "scene/sprite_runtime.h"
#include "scene_fixtures.h"
#include "tools/writer/sprite_writer.h"

using namespace scene_test;

namespace {

void Step(DS_FlowConstructor& m, SpriteRecord& s, float dt) {
  m.viewStep = dt;
  m.viewTime += dt;
  m.viewLast += dt;
  m.UpdateSprite(s);
}

// A flow copied as the runtime does, with one 20-pixel sprite at (x, y).
struct OneSprite {
  OneSprite(const DS_FlowConstructor& model, float x, float y) : m(model) {
    m.size.value = 20;
    s.sizeFactor = 1.0f;
    s.SetHalfSizes(m);
    s.xMultiplier = s.yMultiplier = 1.0f;
    s.velocity.z = 0.0f;  // no wobble
    s.position = D3DXVECTOR3(x, y, 0.0f);
    s.switchTime = 1e6f;
  }
  DS_FlowConstructor m;
  SpriteRecord s;
};

DS_FlowConstructor Flow(unsigned angle, float speed) {
  DS_FlowConstructor f;
  f.flowSpeed = speed;
  f.flowAngle.SetValue(angle);
  f.OnAngleChanged(angle);
  return f;
}

TEST(Flow, AngleSetsTheDirectionAndSizeTheSpeed) {
  PictureDocument doc(800, 600);
  const struct {
    unsigned angle;
    float dx, dy;
  } cases[] = {{0, 20, 0}, {90, 0, -20}, {270, 0, 20}, {180, -20, 0}};
  for (auto c : cases) {
    SCOPED_TRACE(c.angle);
    OneSprite one(Flow(c.angle, 100.0f), 400.0f, 300.0f);
    one.s.sizeFactor = 2.0f;
    Step(one.m, one.s, 0.1f);
    EXPECT_NEAR(one.s.position.x - 400.0f, c.dx, 1e-3f);
    EXPECT_NEAR(one.s.position.y - 300.0f, c.dy, 1e-3f);
  }
}

TEST(Flow, WobbleAddsSidewaysSpeedAlongTheLateralVector) {
  PictureDocument doc(800, 600);
  DS_FlowConstructor model = Flow(270, 100.0f);
  model.wobbleAmplitude.SetValue(10u);
  EXPECT_FLOAT_EQ(model.wobbleAmplitude.derived, 30.0f);
  OneSprite one(model, 400.0f, 300.0f);
  one.s.sizeFactor = 2.0f;
  one.s.velocity.z = 1.0f;
  Step(one.m, one.s, 0.1f);
  // P = (0, 1) turned by 360 - 270 degrees: (-1, 0).
  EXPECT_NEAR(one.s.velocity.x, -60.0f, 1e-3f);
  EXPECT_NEAR(one.s.velocity.y, 200.0f, 1e-3f);
}

TEST(Flow, BounceModeReversesAtTheBottomAndPushesInside) {
  PictureDocument doc(800, 600);
  DS_FlowConstructor model = Flow(270, 100.0f);
  model.bounds[DS_BoundControl::kBottom].mode.value = 1;
  OneSprite one(model, 400.0f, 585.0f);
  SpriteRecord& s = one.s;
  Step(one.m, s, 0.1f);  // y 595: the lower side passes 600
  EXPECT_FLOAT_EQ(s.position.y, 595.0f);
  EXPECT_EQ(s.yMultiplier, -1.0f);
  EXPECT_EQ(s.handlingEdge, DS_BoundControl::kBottom);
  Step(one.m, s, 0.01f);  // moving up 1: 594, pushed to 600 - 10 - 1
  EXPECT_FLOAT_EQ(s.position.y, 589.0f);
  EXPECT_EQ(s.handlingEdge, -1);
  Step(one.m, s, 0.1f);
  EXPECT_FLOAT_EQ(s.position.y, 579.0f);
}

TEST(Flow, FadeModeLeavesRightAndComesBackLeft) {
  PictureDocument doc(800, 600);
  DS_FlowConstructor model = Flow(0, 100.0f);
  DS_BoundControl& right = model.bounds[DS_BoundControl::kRight];
  right.fadeOut.value = 500;
  right.fadeIn.value = 500;
  OneSprite one(model, 805.0f, 300.0f);
  SpriteRecord& s = one.s;
  Step(one.m, s, 0.1f);  // 815: fully outside, taken
  EXPECT_EQ(s.handlingEdge, DS_BoundControl::kRight);
  EXPECT_EQ(s.alphaFactor, 1.0f);
  int fading = 0;
  while (s.alphaFactor > 0.0f && fading < 10) {
    Step(one.m, s, 0.1f);  // fades while it keeps moving
    ++fading;
  }
  EXPECT_GE(fading, 5);
  EXPECT_LE(fading, 6);
  EXPECT_GT(s.position.x, 860.0f);
  Step(one.m, s, 0.1f);  // released, paused
  EXPECT_EQ(s.handlingEdge, -1);
  EXPECT_EQ(s.frozen, 1);
  const float x = s.position.x;
  Step(one.m, s, 0.1f);  // frozen in place, moved to the left side
  EXPECT_FLOAT_EQ(s.position.x, 0.0f - 10.0f + 1.0f);
  EXPECT_NE(x, s.position.x);
  EXPECT_EQ(s.reentered, 1);
  float previousAlpha = s.alphaFactor;
  for (int i = 0; i < 8; ++i) {
    Step(one.m, s, 0.1f);
    EXPECT_GE(s.alphaFactor, previousAlpha);
    previousAlpha = s.alphaFactor;
  }
  EXPECT_EQ(s.alphaFactor, 1.0f);
  EXPECT_EQ(s.reentered, 0);
  EXPECT_EQ(s.handlingEdge, -1);
  EXPECT_GT(s.position.x, 20.0f);
}

TEST(Flow, PauseModeStopsOutsideForThePause) {
  PictureDocument doc(800, 600);
  DS_FlowConstructor model = Flow(180, 100.0f);
  DS_BoundControl& left = model.bounds[DS_BoundControl::kLeft];
  left.mode.value = 2;
  left.minPause.value = 1000;
  left.maxPause.value = 1000;
  OneSprite one(model, -5.0f, 300.0f);
  SpriteRecord& s = one.s;
  Step(one.m, s, 0.1f);  // -15: fully outside
  EXPECT_EQ(s.frozen, 1);
  EXPECT_EQ(s.xMultiplier, -1.0f);
  EXPECT_NEAR(s.deadline - one.m.viewTime, 1.0f, 1e-5f);
  Step(one.m, s, 0.1f);  // held in the band just outside the side
  const float stopped = s.position.x;
  EXPECT_FLOAT_EQ(stopped, 0.0f - 10.0f + 1.0f);
  for (int i = 0; i < 8; ++i) {
    Step(one.m, s, 0.1f);
    EXPECT_FLOAT_EQ(s.position.x, stopped) << i;
  }
  Step(one.m, s, 0.11f);
  Step(one.m, s, 0.1f);
  EXPECT_GT(s.position.x, stopped);
  EXPECT_EQ(s.frozen, 0);
}

TEST(Flow, FadingTimelineShowsFewerSprites) {
  DS_FlowConstructor m;
  m.count.value = 10;
  auto* random = new ZVI_RandomTimeLine();
  m.timing.SetCurrentTimeline(random);
  random->visibility = 0.55f;
  EXPECT_EQ(m.GetSpriteCount(), 5u);
  EXPECT_EQ(m.GetSpriteColor(0xFF000000u), 0xFF000000u);
  m.timing.timeMode.value = 1;
  EXPECT_EQ(m.GetSpriteCount(), 10u);
  EXPECT_EQ(m.GetSpriteColor(0xFF000000u) >> 24, 140u);
}

TEST(Rain, DropsFallFastAndRestartBelowTheMinimum) {
  PictureDocument doc(800, 600);
  DS_RainConstructor rain;
  EXPECT_EQ(rain.flowAngle.value, 270u);
  EXPECT_EQ(rain.flowSpeed, 2000.0f);
  EXPECT_EQ(rain.orientation.value, 1);
  EXPECT_TRUE(rain.NeedsTrackBreak(2));
  std::unique_ptr<DS_ParticleSystemCtrl> clone(rain.Clone());
  auto& r = static_cast<DS_RainConstructor&>(*clone);
  r.size.value = 10;
  r.twinkleMin = 0.5f;
  SpriteRecord s;
  s.sizeFactor = 1.0f;
  r.SpawnSprite(s);
  s.switchTime = 1e6f;
  s.position = D3DXVECTOR3(400.0f, 100.0f, 0.0f);
  s.alphaFactor = 0.8f;
  s.twinkleSpeed = 0.0f;
  r.viewStep = 0.01f;
  r.UpdateSprite(s);
  EXPECT_NEAR(s.position.y, 120.0f, 1e-3f);
  EXPECT_EQ(s.alphaFactor, 0.8f);
  s.alphaFactor = 0.49f;
  r.UpdateSprite(s);
  EXPECT_EQ(s.alphaFactor, 0.5f);
}

TEST(FlowRecords, EveryVersion) {
  PictureDocument doc(800, 600);
  for (int32_t v = 1; v <= 4; ++v) {
    SCOPED_TRACE(v);
    pw::FlowRecord r;
    r.version = v;
    r.flowAngle = 45;
    r.wobbleAmplitude = 2;
    r.wobbleRate = 4;
    r.flowSpeed = 60.0f;
    r.orientation = 3;
    r.bounds[3] = {2, 10, 20, 30, 40};
    pw::ByteBuilder b;
    pw::WriteFlow(b, r);
    auto m = ReadModel(b);
    auto& f = dynamic_cast<DS_FlowConstructor&>(*m);
    EXPECT_EQ(f.flowAngle.value, 45u);
    EXPECT_EQ(f.wobbleRate.value, 4u);
    EXPECT_EQ(f.flowSpeed, 60.0f);
    EXPECT_EQ(f.orientation.value, v == 1 ? 0 : (v == 2 ? 1 : 3));
    EXPECT_EQ(f.bounds[3].mode.value, v >= 4 ? 2 : 0);
    EXPECT_EQ(f.bounds[3].maxPause.value, v >= 4 ? 40u : 0u);
    // The runtime's copy recomputes what the record stored raw.
    std::unique_ptr<DS_ParticleSystemCtrl> copy(f.Clone());
    auto& c = static_cast<DS_FlowConstructor&>(*copy);
    EXPECT_FLOAT_EQ(c.wobbleRate.derived, 1.0f);
    EXPECT_NEAR(c.flowVector.x, 60.0f * std::cos(3.1415927f / 4.0f), 1e-3f);
    EXPECT_EQ(c.bounds[3].owner, &c);
    EXPECT_EQ(c.bounds[3].edge, 3);
  }
  pw::FlowRecord r;
  pw::ByteBuilder b;
  pw::WriteRain(b, r);
  EXPECT_NE(dynamic_cast<DS_RainConstructor*>(ReadModel(b).get()), nullptr);
}

}  // namespace
