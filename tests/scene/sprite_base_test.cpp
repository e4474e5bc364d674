// The sprite base: view rectangle and its pixel edges, the two clocks, the
// sprite parameters and their records, the per-sprite record.
#include <gtest/gtest.h>

#include <cmath>

#include "core/crt.h"
#include "player/render_context.h"
#include "scene/discharge.h"
#include "scene/sprite_runtime.h"
#include "scene_fixtures.h"
#include "tools/writer/sprite_writer.h"

using namespace scene_test;

namespace {

TEST(ViewObject, DefaultEdgesCoverThePictureInWholePixels) {
  PictureDocument doc(800, 600);
  TestSprites m;
  EXPECT_EQ(m.left, 0.0f);
  EXPECT_EQ(m.right, 1.0f);
  EXPECT_EQ(m.top, 0.0f);
  EXPECT_EQ(m.bottom, 1.0f);
  EXPECT_EQ(m.pixelRect.left.value, 0);
  EXPECT_EQ(m.pixelRect.right.value, 800);
  EXPECT_EQ(m.pixelRect.top.value, 0);
  EXPECT_EQ(m.pixelRect.bottom.value, 600);
  EXPECT_EQ(m.viewSpeed.value, 50u);
}

TEST(ViewObject, PixelEdgesMoveTheNormalisedEdges) {
  PictureDocument doc(800, 600);
  TestSprites m;
  m.pixelRect.left.SetValue(100);
  EXPECT_FLOAT_EQ(m.left, 0.125f);
  m.pixelRect.bottom.SetValue(300);
  EXPECT_FLOAT_EQ(m.bottom, 0.5f);
}

TEST(ViewObject, CopyTruncatesEdgesToWholePixels) {
  PictureDocument doc(1000, 500);
  TestSprites m;
  m.left = 0.3337f;
  TestSprites copy(m);
  EXPECT_FLOAT_EQ(copy.left, 0.333f);
  EXPECT_EQ(copy.pixelRect.left.value, 333);
  // The copy's edges are its own.
  copy.pixelRect.left.SetValue(500);
  EXPECT_FLOAT_EQ(copy.left, 0.5f);
  EXPECT_FLOAT_EQ(m.left, 0.3337f);
}

TEST(ViewObject, WithoutAPictureTheNormalisedEdgesStay) {
  TestSprites m;  // no document: picture 0 x 0
  EXPECT_EQ(m.right, 1.0f);
  m.pixelRect.right.SetValue(10);
  EXPECT_EQ(m.right, 1.0f);
  EXPECT_TRUE(std::isfinite(m.right));
}

TEST(ViewObject, ViewRectAndRandomPoint) {
  PictureDocument doc(800, 600);
  TestSprites m;
  m.left = 0.25f;
  m.right = 0.75f;
  m.top = 0.5f;
  m.bottom = 1.0f;
  QuadCorners q;
  m.GetViewRect(&q);
  const float want[4][2] = {{200, 600}, {200, 300}, {600, 600}, {600, 300}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(q.c[i].x, want[i][0]);
    EXPECT_FLOAT_EQ(q.c[i].y, want[i][1]);
  }
  EXPECT_EQ(q.c[0].v, 1.0f);
  crt_srand(1);
  D3DXVECTOR3 p = m.RandomPointInView();
  // x takes the first number (41), y the second (18467).
  EXPECT_FLOAT_EQ(p.x, 41.0f / 32767.0f * 400.0f + 200.0f);
  EXPECT_FLOAT_EQ(p.y, 18467.0f / 32767.0f * 300.0f + 300.0f);
  EXPECT_EQ(p.z, 0.0f);
  EXPECT_FALSE(m.HitTest(300.0f, 400.0f));
}

TEST(SpriteClocks, ViewClockCountsJumpsBackAndSpriteClockDoesNot) {
  TestSprites m;
  m.viewSpeed.value = 100;  // x 2
  m.AdvanceViewClock(10.0f);
  m.AdvanceSpriteClock(10.0f);
  const float viewBefore = m.viewTime, spriteBefore = m.spriteTime;
  m.AdvanceViewClock(2.0f);
  m.AdvanceSpriteClock(2.0f);
  EXPECT_FLOAT_EQ(m.viewStep, 0.2f * 100 * 0.02f);
  EXPECT_FLOAT_EQ(m.viewTime - viewBefore, 0.4f);
  EXPECT_EQ(m.spriteStep, 0.0f);
  EXPECT_EQ(m.spriteTime, spriteBefore);
  EXPECT_EQ(m.viewLast, 2.0f);
  m.ResetTime();
  EXPECT_EQ(m.viewTime, 0.0f);
  EXPECT_EQ(m.viewLast, 0.0f);
}

TEST(SpriteClocks, SpriteClockScalesTheClampedStepBySpeed) {
  TestSprites m;
  EXPECT_FLOAT_EQ(m.speed.derived, 1.0f);
  m.speed.SetValue(150u);
  m.AdvanceSpriteClock(0.1f);
  EXPECT_FLOAT_EQ(m.spriteStep, 1.5f * 0.1f);
  m.AdvanceSpriteClock(0.6f);  // 0.5 s counts as 0.2 s
  EXPECT_FLOAT_EQ(m.spriteStep, 1.5f * 0.2f);
  EXPECT_FLOAT_EQ(m.spriteTime, 0.15f + 0.3f);
}

TEST(SpriteParameters, TranslucencyGivesTheAlphaByte) {
  TestSprites m;
  const std::pair<unsigned, int> cases[] = {{50u, 127}, {0u, 255}, {100u, 0}};
  for (auto [value, alpha] : cases) {
    m.translucency.SetValue(value);
    EXPECT_EQ(m.translucency.derived, alpha) << value;
  }
}

TEST(SpriteParameters, NextFrameWrapsAndZeroFramesCountAsOne) {
  TestSprites m;
  m.frameCount = 4;
  EXPECT_EQ(m.NextFrame(2), 3u);
  EXPECT_EQ(m.NextFrame(3), 0u);
  m.frameCount = 0;
  EXPECT_EQ(m.NextFrame(0), 0u);
}

TEST(SpriteParameters, SpriteColourScalesAlphaByVisibilityAndKeepsItsLowByte) {
  TestSprites m;
  EXPECT_EQ(m.GetSpriteColor(0x80123456u), 0x80123456u);
  auto* random = new ZVI_RandomTimeLine();
  m.timing.SetCurrentTimeline(random);
  random->visibility = 0.5f;
  EXPECT_EQ(m.GetSpriteColor(0xFF123456u), 0x7F123456u);
  EXPECT_EQ(m.NeedsTrackBreak(10), false);
  EXPECT_EQ(m.NeedsTrackBreak(11), true);
}

TEST(SpriteRecord, FirstSpriteAfterSeedOneDrawsSizeThenTwinkleSign) {
  TestSprites m;
  m.size.value = 20;
  m.sizeMin = 1.0f;
  m.sizeMax = 3.0f;
  m.twinkleSpeed = 0.5f;
  m.translucency.SetValue(50u);
  m.colour.value = 0x00332211;  // red 0x11, green 0x22, blue 0x33
  crt_srand(1);
  ParticleGeomArray array;
  array.Attach(&m);
  ASSERT_EQ(array.sprites.size(), 1u);
  const SpriteRecord& s = *array.sprites[0];
  EXPECT_FLOAT_EQ(s.sizeFactor, 1.0025026f);
  EXPECT_EQ(s.twinkleSpeed, -0.5f);
  EXPECT_EQ(s.alphaFactor, 1.0f);
  EXPECT_EQ(s.handlingEdge, -1);
  EXPECT_EQ(s.colour, 0x7F112233u);
  EXPECT_EQ(s.position, D3DXVECTOR3(32.0f, 32.0f, 0.0f));  // moved by SpawnSprite
  // No image: aspect 1, both half sizes size x factor / 2.
  EXPECT_FLOAT_EQ(s.halfWidth, 10.0f * 1.0025026f);
  EXPECT_FLOAT_EQ(s.halfHeight, 10.0f * 1.0025026f);
  EXPECT_EQ(s.uRange[1], 1.0f);
  EXPECT_EQ(s.yAxis, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
  EXPECT_EQ(m.spawned, 1);
}

TEST(WindowToPicture, StillCameraMapsTheFittedPictureOntoItsPixels) {
  RenderSettings s;
  s.pictureWidth = 800;
  s.pictureHeight = 400;
  s.corners.SetRect(0.0f, 0.0f);
  // The picture fitted into (10, 20)-(410, 220).
  s.corners.c[0].x = 10.0f;
  s.corners.c[0].y = 220.0f;
  s.corners.c[1].x = 10.0f;
  s.corners.c[1].y = 20.0f;
  s.corners.c[2].x = 410.0f;
  s.corners.c[2].y = 220.0f;
  s.corners.c[3].x = 410.0f;
  s.corners.c[3].y = 20.0f;
  D3DXVECTOR3 out;
  s.WindowToPicture(&out, 210.0f, 120.0f, 7.0f);
  EXPECT_FLOAT_EQ(out.x, 400.0f);
  EXPECT_FLOAT_EQ(out.y, 200.0f);
  EXPECT_EQ(out.z, 7.0f);

  // A moving camera that doubles the picture about its origin and pans by 30.
  RenderContext* rc = CreateRenderContext();
  SetCurrentRenderContext(rc);
  rc->cameraMoving = true;
  D3DXMatrixScaling(&rc->camera, 2.0f, 2.0f, 1.0f);
  rc->camera._41 = 30.0f;
  rc->camera._42 = 30.0f;
  s.WindowToPicture(&out, 210.0f, 120.0f, 0.0f);
  EXPECT_FLOAT_EQ(out.x, (400.0f - 30.0f) / 2.0f);
  EXPECT_FLOAT_EQ(out.y, (200.0f - 30.0f) / 2.0f);
  SetCurrentRenderContext(nullptr);
  DestroyRenderContext(rc);
}

// ---------------------------------------------------------------------------
// Records

pw::DischargeRecord DischargeWithSprite(int32_t spriteVersion, int32_t viewVersion) {
  pw::DischargeRecord r = pw::DefaultDischarge();
  pw::BaseSpriteRecord& s = r.glow.fx.sprite;
  s.version = spriteVersion;
  s.view.version = viewVersion;
  return r;
}

TEST(SpriteRecords, ViewSpeedSitsInTheSpriteRecordBeforeVersionThree) {
  PictureDocument doc(800, 600);
  {
    pw::DischargeRecord r = DischargeWithSprite(2, 1);
    r.glow.fx.sprite.legacyViewSpeed = 77;
    r.glow.fx.sprite.count = 5;
    pw::ByteBuilder b;
    pw::WriteDischarge(b, r);
    auto m = ReadModel(b);
    auto* d = dynamic_cast<DS_DischargeFXConstructor*>(m.get());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->viewSpeed.value, 77u);
    EXPECT_EQ(d->count.value, 5u);
  }
  {
    pw::DischargeRecord r = DischargeWithSprite(7, 2);
    r.glow.fx.sprite.view.viewSpeed = 88;
    pw::ByteBuilder b;
    pw::WriteDischarge(b, r);
    auto m = ReadModel(b);
    EXPECT_EQ(dynamic_cast<DS_DischargeFXConstructor&>(*m).viewSpeed.value, 88u);
  }
}

TEST(SpriteRecords, EveryVersionReadsItsFields) {
  PictureDocument doc(800, 600);
  for (int32_t v = 1; v <= 7; ++v) {
    SCOPED_TRACE(v);
    pw::DischargeRecord r = DischargeWithSprite(v, 2);
    pw::BaseSpriteRecord& s = r.glow.fx.sprite;
    s.view.pixels = {1, 2, 3, 4, 5, 6};
    s.view.left = 0.125f;
    s.view.right = 0.75f;
    s.view.flag = 9;
    s.view.base.name = u"arc";
    s.count = 3;
    s.size = 40;
    s.translucency = 50;
    s.blendMode = 0;
    s.colour = 0x00445566;
    s.twinkleSpeed = 1.5f;
    s.sizeMin = 0.5f;
    s.sizeMax = 2.0f;
    s.imageName = u"pic.png";
    s.imageId = 12;
    s.secondName = u"glow.png";
    s.secondId = 13;
    s.legacyFrames = {{0, u"", u"a.png", {1, 2, 3}}, {0, u"", u"b.png", {4}}};
    s.legacySecond = {7, u"mod.dll", u"", {}};
    s.legacyDelays = {0.1f, 0.2f};
    s.frameCount = 4;
    s.frameRate = 10.0f;
    s.atlas = 1;
    s.imageKind = 2;
    s.flipVertical = 1;
    s.flipHorizontal = 1;
    s.staticFlag = 1;
    s.speed = 150;
    pw::ByteBuilder b;
    pw::WriteDischarge(b, r);
    auto m = ReadModel(b);
    auto& d = dynamic_cast<DS_DischargeFXConstructor&>(*m);
    EXPECT_EQ(d.pixelRect.right.value, 2);
    EXPECT_EQ(d.pixelRect.extra2.value, 6);
    EXPECT_EQ(d.left, 0.125f);
    EXPECT_EQ(d.flagByte, 9);
    EXPECT_EQ(d.name, u"arc");
    EXPECT_EQ(d.count.value, 3u);
    EXPECT_EQ(d.size.value, 40u);
    EXPECT_EQ(d.translucency.derived, 127);
    EXPECT_EQ(d.blendMode.value, 0);
    EXPECT_EQ(d.colour.value, 0x00445566u);
    EXPECT_EQ(d.twinkleSpeed, 1.5f);
    EXPECT_EQ(d.sizeMax, 2.0f);
    EXPECT_EQ(d.frameCount, 4u);
    EXPECT_EQ(d.frameRate, 10.0f);
    EXPECT_EQ(d.atlasFlag, 1);
    if (v == 1) {
      ASSERT_EQ(d.legacyFrames.size(), 2u);
      EXPECT_EQ(d.legacyFrames[0].path, u"a.png");
      EXPECT_EQ(d.legacySecond.resourceId, 7u);
      EXPECT_EQ(d.legacyDelays, (std::vector<float>{0.1f, 0.2f}));
      EXPECT_TRUE(d.imageLink.name.empty());
    } else {
      EXPECT_EQ(d.imageLink.name, u"pic.png");
      EXPECT_EQ(d.imageLink.id, 12);
      EXPECT_EQ(d.secondImageLink.name, u"glow.png");
      EXPECT_EQ(d.secondImageLink.id, 13);
    }
    EXPECT_EQ(d.imageKind, v >= 4 ? 2 : 0);
    EXPECT_EQ(d.flipVertical.value, v >= 5 ? 1 : 0);
    EXPECT_EQ(d.flipHorizontal.value, v >= 5 ? 1 : 0);
    EXPECT_EQ(d.staticFlag.value, v >= 6 ? 1 : 0);
    EXPECT_FLOAT_EQ(d.speed.derived, v >= 7 ? 1.5f : 1.0f);
  }
}

TEST(SpriteRecords, TruncatedRecordsAreRefused) {
  PictureDocument doc(800, 600);
  pw::ByteBuilder b;
  pw::WriteDischarge(b, pw::DefaultDischarge());
  for (size_t cut : {size_t{10}, b.size() / 2, b.size() - 1}) {
    pw::ByteBuilder part;
    part.Raw(b.bytes().data(), cut);
    EXPECT_THROW(ReadModel(part), DS_Error) << cut;
  }
}

TEST(SpriteRecords, HostileLegacyFrameCountIsBoundedByTheData) {
  PictureDocument doc(800, 600);
  pw::DischargeRecord r = DischargeWithSprite(1, 2);
  pw::ByteBuilder b;
  pw::WriteDischarge(b, r);
  // The legacy frame count follows the five floats after the colour; find
  // it by writing the same record with a marker count.
  r.glow.fx.sprite.legacyFrames.resize(1);
  pw::ByteBuilder one;
  pw::WriteDischarge(one, r);
  // A count of 2^31 - 1 with no frames behind it.
  size_t at = 0;
  for (size_t i = 0; i + 4 <= b.size(); ++i)
    if (b.bytes()[i] == 0 && one.bytes()[i] == 1) {
      at = i;
      break;
    }
  ASSERT_NE(at, 0u);
  b.bytes()[at] = 0xFF;
  b.bytes()[at + 1] = 0xFF;
  b.bytes()[at + 2] = 0xFF;
  b.bytes()[at + 3] = 0x7F;
  EXPECT_THROW(ReadModel(b), DS_Error);
}

TEST(SpriteRecords, LegacyImagesBecomeDocumentImages) {
  PictureDocument doc(800, 600);
  pw::DischargeRecord r = DischargeWithSprite(1, 2);
  r.glow.fx.sprite.legacyFrames = {{0, u"", u"a.png", {1, 2, 3}}};
  r.glow.fx.sprite.legacySecond = {0, u"", u"", {}};
  r.glow.fx.sprite.legacyDelays = {0.25f};
  pw::ByteBuilder b;
  pw::WriteDischarge(b, r);
  auto m = ReadModel(b);
  auto& d = dynamic_cast<DS_DischargeFXConstructor&>(*m);
  d.ConvertLegacyImages();
  EXPECT_FALSE(d.imageLink.name.empty() && d.imageLink.id == 0);
  EXPECT_TRUE(d.legacyFrames.empty());
  EXPECT_TRUE(d.legacyDelays.empty());
  EXPECT_TRUE(d.secondImageLink.name.empty());  // no second image: resource id 0
  EXPECT_EQ(doc.doc().GetTextures(d.imageLink).delays, std::vector<float>{0.25f});
}

}  // namespace
