// Rays, sparkles, fog, lightning flashes, fish, birds, ghosts and placed
// and swaying sprites: their spawns and updates with the draws in order,
// and their records.
#include <gtest/gtest.h>

#include <cmath>

#include "core/crt.h"
#include "player/timelines.h"
#include "scene/sprite_effects.h"
#include "scene/sprite_placed.h"
#include "scene/sprite_runtime.h"
#include "scene/sprite_wanderers.h"
#include "scene_fixtures.h"
#include "tools/writer/sprite_writer.h"

using namespace scene_test;

namespace {

// One update of a model's sprite with a view-clock step dt.
void Step(DS_BaseSpriteProp& m, SpriteRecord& s, float dt) {
  m.viewStep = dt;
  m.viewTime += dt;
  m.viewLast += dt;
  m.UpdateSprite(s);
}

TEST(GodRays, FirstRayAfterSeedOne) {
  PictureDocument doc(800, 600);
  DS_GodRayConstructor m;
  m.size.value = 10;
  crt_srand(1);
  ParticleGeomArray array;
  array.Attach(&m);
  const SpriteRecord& s = *array.sprites[0];
  // Rands 6334, 26500, 19169 after the size factor and the twinkle sign.
  EXPECT_NEAR(s.position.x, 154.643f, 1e-3f);
  EXPECT_NEAR(s.velocity.x, 6.17481f, 1e-4f);
  EXPECT_NEAR(s.alphaFactor, 0.585009f, 1e-6f);
  EXPECT_FLOAT_EQ(s.position.y, 300.0f);
  EXPECT_FLOAT_EQ(s.halfWidth, 5.0f);
  EXPECT_FLOAT_EQ(s.halfHeight, 300.0f);
  // Angle 80: the lower end leans left.
  EXPECT_LT(s.yAxis.x, 0.0f);
  EXPECT_NEAR(s.yAxis.x, 1.0f / std::tan(100.0f * 3.1415927f / 180.0f), 1e-5f);
}

TEST(GodRays, AngleNinetyIsUprightAndLowAlphaRespawns) {
  PictureDocument doc(800, 600);
  DS_GodRayConstructor m;
  m.rayAngle.value = 90;
  m.twinkleMin = 0.3f;
  SpriteRecord s;
  m.SpawnSprite(s);
  EXPECT_NEAR(s.yAxis.x, 0.0f, 1e-6f);
  EXPECT_EQ(s.yAxis.y, 1.0f);
  s.alphaFactor = 0.31f;
  s.twinkleSpeed = -1.0f;
  s.switchTime = 100.0f;  // no velocity change
  Step(m, s, 0.05f);
  EXPECT_EQ(s.alphaFactor, 0.3f);
  EXPECT_EQ(s.twinkleSpeed, 1.0f);
}

TEST(GodRays, AngleOneEightyGivesAHugeSlantAndTwinkleZeroKeepsAlpha) {
  PictureDocument doc(800, 600);
  DS_GodRayConstructor m;
  m.rayAngle.value = 180;
  SpriteRecord s;
  m.SpawnSprite(s);
  EXPECT_GT(std::fabs(s.yAxis.x), 1e5f);
  const float a = s.alphaFactor;
  s.twinkleSpeed = 0.0f;
  for (int i = 0; i < 10; ++i) Step(m, s, 0.1f);
  EXPECT_EQ(s.alphaFactor, a);
}

TEST(Sparkles, PulseWithTheirAlpha) {
  PictureDocument doc(800, 600);
  DS_SparkleConstructor m;
  EXPECT_EQ(m.flagByte, 1);
  EXPECT_EQ(m.timing.flags & 1u, 1u);
  m.size.value = 8;
  SpriteRecord s;
  m.SpawnSprite(s);
  s.alphaFactor = 0.5f;
  s.twinkleSpeed = 0.0f;
  const D3DXVECTOR3 p = s.position;
  Step(m, s, 0.1f);
  EXPECT_FLOAT_EQ(s.position.x, p.x + s.velocity.x * 0.1f);
  const float e = 8.0f * s.sizeFactor * 0.25f;
  EXPECT_FLOAT_EQ(s.halfWidth, e * 0.5f + e);
  EXPECT_FLOAT_EQ(s.halfHeight, (e * 0.5f + e) * 0.5f * 0.5f + e);
}

TEST(Fog, TurnsBackAtTheRightEdgeAndTurnsSlowly) {
  PictureDocument doc(800, 600);
  DS_FogConstructor m;
  EXPECT_EQ(m.translucency.derived, 127);
  EXPECT_EQ(m.timing.timeMode.value, 1);
  SpriteRecord s;
  m.SpawnSprite(s);
  s.position = D3DXVECTOR3(799.0f, 300.0f, 0.0f);
  s.velocity = D3DXVECTOR3(20.0f, 0.0f, 0.0f);
  Step(m, s, 0.1f);
  EXPECT_FLOAT_EQ(s.position.x, 801.0f);
  EXPECT_EQ(s.velocity.x, -20.0f);
  Step(m, s, 0.1f);
  EXPECT_FLOAT_EQ(s.position.x, 799.0f);
  EXPECT_NEAR(std::hypot(s.xAxis.x, s.xAxis.y), 1.0f, 1e-5f);
}

TEST(Lightning, PausesAreWholeHundredthsInTheirRange) {
  DS_LightingConstructor m;
  EXPECT_EQ(m.blendMode.value, 1);
  for (int i = 0; i < 500; ++i) {
    const float p = m.DrawPause();
    ASSERT_GE(p, 1.0f);
    ASSERT_LE(p, 5.0f);
    EXPECT_NEAR(p * 100.0f, std::round(p * 100.0f), 1e-3f);
  }
  m.minPause.value = 300;
  m.maxPause.value = 200;
  EXPECT_FLOAT_EQ(m.DrawPause(), 3.0f);
  // The whole unsigned range.
  m.minPause.value = 0;
  m.maxPause.value = 0xFFFFFFFFu;
  EXPECT_GE(m.DrawPause(), 0.0f);
  EXPECT_EQ(m.GetSpriteColor(0x40112233u), 0x40112233u);
}

TEST(Lightning, AFlashDecaysInAboutASixthOfASecond) {
  PictureDocument doc(800, 600);
  DS_LightingConstructor m;
  m.size.value = 20;
  SpriteRecord s;
  m.SpawnSprite(s);
  EXPECT_EQ(s.alphaFactor, 0.0f);
  s.alphaFactor = 1.0f;
  s.switchTime = 1e6f;  // no flicker
  int steps = 0;
  while (s.alphaFactor > 0.0f && steps < 100) {
    Step(m, s, 0.01f);
    ++steps;
  }
  EXPECT_EQ(steps, 17);
  EXPECT_EQ(s.switchTime, m.viewLast);
  EXPECT_GE(s.delay, 1.0f);
  EXPECT_LE(s.delay, 5.0f);
  // Dark until the pause has passed, then a new flash.
  const float pause = s.delay, darkFrom = s.switchTime;
  for (int guard = 0; s.alphaFactor == 0.0f && guard < 200; ++guard) Step(m, s, 0.05f);
  EXPECT_EQ(s.alphaFactor, 1.0f);
  const float waited = m.viewLast - darkFrom;
  EXPECT_GT(waited, pause);
  EXPECT_LE(waited, pause + 0.0501f);
}

TEST(Lightning, RecordSwitchesToTheRandomTimeline) {
  PictureDocument doc(800, 600);
  pw::LightingRecord r;
  r.minPause = 150;
  r.maxPause = 250;
  pw::ByteBuilder b;
  pw::WriteLighting(b, r);
  auto m = ReadModel(b);
  auto& l = dynamic_cast<DS_LightingConstructor&>(*m);
  EXPECT_EQ(l.minPause.value, 150u);
  EXPECT_EQ(l.maxPause.value, 250u);
  EXPECT_EQ(l.timing.value, 1);
  EXPECT_NE(dynamic_cast<ZVI_RandomTimeLine*>(l.timing.Current()), nullptr);
  EXPECT_EQ(l.timing.flags & 1u, 0u);

  r.version = 1;
  pw::ByteBuilder old;
  pw::WriteLighting(old, r);
  auto m1 = ReadModel(old);
  EXPECT_EQ(dynamic_cast<DS_LightingConstructor&>(*m1).minPause.value, 100u);
}

TEST(Fish, FirstFishAfterSeedOneFacesLeft) {
  PictureDocument doc(800, 600);
  DS_FishConstructor m;
  m.size.value = 20;
  crt_srand(1);
  ParticleGeomArray array;
  array.Attach(&m);
  const SpriteRecord& s = *array.sprites[0];
  EXPECT_NEAR(s.velocity.x, -49.0713f, 1e-3f);
  EXPECT_NEAR(s.velocity.y, 30.8740f, 1e-3f);
  EXPECT_LT(s.halfWidth, 0.0f);
}

TEST(Fish, TurnsOnlyWhenFullyOutsideAndBouncesOffTheTop) {
  PictureDocument doc(800, 600);
  DS_FishConstructor m;
  m.size.value = 20;
  SpriteRecord s;
  m.SpawnSprite(s);
  s.switchTime = 1e6f;
  s.velocity = D3DXVECTOR3(-100.0f, 0.0f, 0.0f);
  s.halfWidth = -10.0f;
  s.halfHeight = 10.0f;
  s.position = D3DXVECTOR3(-5.0f, 300.0f, 0.0f);  // half out: keeps going
  Step(m, s, 0.01f);
  EXPECT_EQ(s.velocity.x, -100.0f);
  EXPECT_EQ(m.frozen, 0);
  Step(m, s, 0.05f);  // x = -11: fully out
  EXPECT_EQ(s.velocity.x, 100.0f);
  EXPECT_EQ(s.halfWidth, 10.0f);
  EXPECT_EQ(m.frozen, 1);
  EXPECT_TRUE(m.NeedsTrackBreak(0));

  s.position = D3DXVECTOR3(400.0f, 9.0f, 0.0f);
  s.velocity = D3DXVECTOR3(10.0f, -5.0f, 0.0f);
  Step(m, s, 0.01f);
  EXPECT_EQ(s.velocity.y, 5.0f);
}

TEST(Birds, KeepSeventyPercentOfTheirSpeeds) {
  PictureDocument doc(800, 600);
  DS_BirdConstructor m;
  SpriteRecord s;
  m.SpawnSprite(s);
  s.switchTime = 1e6f;
  s.position = D3DXVECTOR3(400.0f, 300.0f, 0.0f);
  s.velocity = D3DXVECTOR3(60.0f, 0.0f, 0.0f);
  Step(m, s, 0.01f);
  EXPECT_FLOAT_EQ(s.velocity.y, 0.7f * 50.0f);
  EXPECT_EQ(s.velocity.x, 60.0f);
  s.velocity.x = -10.0f;
  Step(m, s, 0.01f);
  EXPECT_LE(s.velocity.x, -56.0f);
  EXPECT_GE(s.velocity.x, -80.0f);
}

TEST(Ghosts, OnlyTheFirstGhostMovesAfterAHiddenPhase) {
  PictureDocument doc(800, 600);
  DS_GhostConstructor m;
  EXPECT_FLOAT_EQ(m.twinkleSpeed, 0.66f);
  auto* timeline = new ZVI_RandomTimeLine();
  m.timing.SetCurrentTimeline(timeline);
  SpriteRecord a, b;
  m.SpawnSprite(a);
  m.SpawnSprite(b);
  a.switchTime = b.switchTime = 1e6f;
  a.velocity = b.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  a.position = b.position = D3DXVECTOR3(400.0f, 300.0f, 0.0f);
  timeline->state = 1;
  timeline->visibility = 0.0f;
  Step(m, a, 0.01f);
  Step(m, b, 0.0f);
  EXPECT_EQ(m.hiddenMarker, 1);
  EXPECT_EQ(a.alphaFactor, 0.0f);
  timeline->state = 2;
  timeline->visibility = 0.5f;
  Step(m, a, 0.01f);
  Step(m, b, 0.0f);
  EXPECT_NE(a.position, D3DXVECTOR3(400.0f, 300.0f, 0.0f));
  EXPECT_EQ(b.position, D3DXVECTOR3(400.0f, 300.0f, 0.0f));
  EXPECT_EQ(m.hiddenMarker, 0);
  EXPECT_EQ(b.alphaFactor, 0.5f);
  // Alpha 127 x 0.5, then the visibility once more in GetSpriteColor.
  EXPECT_EQ(b.colour >> 24, 63u);
  EXPECT_EQ(m.GetSpriteColor(b.colour) >> 24, 31u);
}

TEST(Ghosts, VersionOneGetsTheContinuousFadeTimeline) {
  PictureDocument doc(800, 600);
  pw::FishRecord r;
  pw::ByteBuilder b;
  pw::WriteGhost(b, r, 1);
  auto m = ReadModel(b);
  auto& g = dynamic_cast<DS_GhostConstructor&>(*m);
  EXPECT_EQ(g.timing.value, 1);
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(g.timing.Current());
  ASSERT_NE(random, nullptr);
  EXPECT_EQ(random->maxHidden.value, 0u);
  EXPECT_EQ(random->maxShown.value, 0u);
  EXPECT_EQ(random->fadeIn.value, 150u);
  EXPECT_EQ(random->fadeOut.value, 150u);

  pw::ByteBuilder bird;
  r.maxSpeedX = 33.0f;
  pw::WriteBird(bird, r);
  auto m2 = ReadModel(bird);
  EXPECT_EQ(dynamic_cast<DS_BirdConstructor&>(*m2).maxSpeedX, 33.0f);
}

TEST(PlacedSprites, RectangleFollowsTheTurnedSprite) {
  PictureDocument doc(800, 600);
  DS_StatObjConstructor m;
  m.size.value = 40;
  m.objectRect.extra1.value = 100;
  m.objectRect.extra2.value = 50;
  for (unsigned angle : {0u, 90u}) {
    SCOPED_TRACE(angle);
    m.rotationAngle.value = angle;
    SpriteRecord s;
    s.aspect = 0.5f;  // twice as wide as high
    s.sizeFactor = 1.0f;
    m.SpawnSprite(s);
    EXPECT_EQ(s.position, D3DXVECTOR3(100.0f, 50.0f, 0.0f));
    const int ex = angle == 0 ? 20 : 10, ey = angle == 0 ? 10 : 20;
    EXPECT_NEAR(m.objectRect.left.value, 100 - ex, 1);
    EXPECT_NEAR(m.objectRect.right.value, 100 + ex, 1);
    EXPECT_NEAR(m.objectRect.top.value, 50 - ey, 1);
    EXPECT_NEAR(m.objectRect.bottom.value, 50 + ey, 1);
  }
  QuadCorners q;
  m.GetViewRect(&q);
  EXPECT_EQ(q.c[1].x, static_cast<float>(m.objectRect.left.value));
  EXPECT_EQ(q.c[0].y, static_cast<float>(m.objectRect.bottom.value));
  EXPECT_TRUE(m.HitTest(100.0f, 50.0f));
  EXPECT_FALSE(m.HitTest(300.0f, 50.0f));
  EXPECT_FALSE(m.NeedsTrackBreak(100));
}

TEST(PlacedSprites, StillFlowerAndBladeFeet) {
  PictureDocument doc(800, 600);
  DS_FlowerConstructor flower;
  flower.swayAmplitude = 0.0f;
  flower.size.value = 30;
  flower.objectRect.extra1.value = 200;
  flower.objectRect.extra2.value = 100;
  SpriteRecord f;
  flower.SpawnSprite(f);
  for (float t : {0.3f, 1.1f, 2.0f}) {
    flower.spriteTime = t;
    flower.UpdateSprite(f);
    EXPECT_FLOAT_EQ(f.position.x, 200.0f);
    EXPECT_FLOAT_EQ(f.position.y, 100.0f);
    EXPECT_NEAR(f.yAxis.x, 0.0f, 1e-6f);
  }

  // A swaying flower keeps the bottom middle of its quad in place.
  flower.swayAmplitude = 20.0f;
  for (float t : {0.4f, 1.3f}) {
    flower.spriteTime = t;
    flower.UpdateSprite(f);
    EXPECT_GT(std::fabs(f.yAxis.x), 0.01f);
    EXPECT_NEAR(f.position.x + f.halfHeight * f.yAxis.x, 200.0f, 1e-3f);
    EXPECT_NEAR(f.position.y + f.halfHeight * f.yAxis.y, 100.0f + f.halfHeight, 1e-3f);
  }

  DS_GrassConstructor grass;
  EXPECT_EQ(grass.timing.timeMode.value, 2);
  grass.size.value = 40;
  SpriteRecord g;
  g.sizeFactor = 1.0f;
  g.SetHalfSizes(grass);
  grass.SpawnSprite(g);
  const float base = g.velocity.z;
  EXPECT_FLOAT_EQ(g.position.y + g.halfHeight, 600.0f);
  for (int i = 0; i < 5; ++i) {
    Step(grass, g, 0.3f);
    // The foot: the quad's bottom middle, P + hh Y.
    EXPECT_NEAR(g.position.x + g.halfHeight * g.yAxis.x, base, 1e-3f);
  }
  // A lean of 90 degrees or more stays finite.
  EXPECT_TRUE(std::isfinite(LeanSlope(90.0f)));
  EXPECT_TRUE(std::isfinite(LeanSlope(-135.0f)));
  EXPECT_NEAR(LeanSlope(45.0f), 1.0f, 1e-5f);
}

TEST(PlacedSprites, DischargeSpriteFramesAreRandomOthers) {
  DS_DischargeConstructor m;
  m.frameCount = 4;
  for (uint32_t f = 0; f < 4; ++f)
    for (int i = 0; i < 20; ++i) {
      const uint32_t n = m.NextFrame(f);
      EXPECT_NE(n, f);
      EXPECT_LT(n, 4u);
    }
  m.frameCount = 1;
  EXPECT_EQ(m.NextFrame(0), 0u);
  m.frameCount = 0;
  EXPECT_EQ(m.NextFrame(0), 0u);
}

TEST(PlacedSprites, RecordsOfEveryVersion) {
  PictureDocument doc(800, 600);
  pw::StatObjRecord r;
  r.version = 1;
  r.rect = {1, 2, 3, 4, 5, 6};
  r.rotationAngle = 30;
  r.flipVertical = 1;
  r.flipHorizontal = 1;
  r.sprite.version = 4;  // an old sprite record has no flips of its own
  pw::ByteBuilder b;
  pw::WriteStatObj(b, r);
  auto m = ReadModel(b);
  auto& stat = dynamic_cast<DS_StatObjConstructor&>(*m);
  EXPECT_EQ(stat.objectRect.extra2.value, 6);
  EXPECT_EQ(stat.rotationAngle.value, 30u);
  EXPECT_EQ(stat.flipVertical.value, 1);
  EXPECT_EQ(stat.flipHorizontal.value, 1);

  r.version = 2;
  r.sprite.version = 7;
  pw::ByteBuilder flower;
  pw::WriteFlower(flower, 2.5f, r);
  auto fm = ReadModel(flower);
  EXPECT_EQ(dynamic_cast<DS_FlowerConstructor&>(*fm).swayAmplitude, 2.5f);
  EXPECT_EQ(dynamic_cast<DS_FlowerConstructor&>(*fm).flipVertical.value, 0);

  pw::ByteBuilder discharge;
  pw::WriteDischargeSprite(discharge, r);
  EXPECT_NE(dynamic_cast<DS_DischargeConstructor*>(ReadModel(discharge).get()), nullptr);

  pw::ByteBuilder grass;
  pw::WriteGrass(grass, 4.0f, r.sprite);
  auto gm = ReadModel(grass);
  EXPECT_EQ(dynamic_cast<DS_GrassConstructor&>(*gm).swayAmplitude, 4.0f);

  pw::GodRayRecord ray;
  ray.rayAngle = 70;
  pw::ByteBuilder rb;
  pw::WriteGodRay(rb, ray);
  EXPECT_EQ(dynamic_cast<DS_GodRayConstructor&>(*ReadModel(rb)).rayAngle.value, 70u);
  pw::FogRecord fog;
  fog.maxSpeedY = 12.0f;
  pw::ByteBuilder fb;
  pw::WriteFog(fb, fog);
  EXPECT_EQ(dynamic_cast<DS_FogConstructor&>(*ReadModel(fb)).maxSpeedY, 12.0f);
  pw::ByteBuilder sb;
  pw::WriteSparkle(sb, r.sprite);
  EXPECT_NE(dynamic_cast<DS_SparkleConstructor*>(ReadModel(sb).get()), nullptr);
  pw::FishRecord fish;
  fish.maxSpeedY = 7.0f;
  pw::ByteBuilder fishBytes;
  pw::WriteFish(fishBytes, fish);
  EXPECT_EQ(dynamic_cast<DS_FishConstructor&>(*ReadModel(fishBytes)).maxSpeedY, 7.0f);
}

}  // namespace
