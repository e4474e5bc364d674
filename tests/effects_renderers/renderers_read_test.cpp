// The four slide renderers read from their records at every version, through
// the DS_2D_Light registry; truncated records are errors.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "effects/registration.h"
#include "effects/slide_renderers_glass.h"
#include "effects/slide_renderers_glyphs.h"
#include "effects/slide_renderers_lake.h"
#include "effects/slide_renderers_water.h"
#include "tools/writer/renderers_writer.h"

namespace {

template <class X>
std::unique_ptr<X> Read(const pw::ByteBuilder& b) {
  RegisterEffectReaders();
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<X> x = ReadObjectAs<X, DS_2D_Light>(ar);
  EXPECT_EQ(ar.Remaining(), 0u) << "the whole record is read";
  return x;
}

pw::LightRecord Base() {
  pw::LightRecord l;
  l.version = 2;
  l.linkName = u"bg.png";
  l.linkId = 7;
  return l;
}

TEST(RenderersRead, GlassBallFieldsInOrder) {
  pw::GlassBallRecord r;
  r.overlay1 = {u"a.png", 11};
  r.overlay2 = {u"b.png", 12};
  r.stand = {u"c.png", 13};
  r.picture = {u"d.png", 14};
  r.rotationSpeed = 40;
  r.ballX = -3;
  r.ballY = 9;
  r.ballSize = 80;
  r.lensStrength = 6;
  r.overlay1On = 0;
  r.overlay2On = 2;
  r.standOn = 1;
  r.pictureMode = 1;
  r.motion = 2;
  r.topColor = 0x00112233;
  r.bottomColor = 0x00445566;
  r.light = Base();
  pw::ByteBuilder b;
  pw::WriteGlassBall(b, r);
  auto g = Read<DS_GlassBallLight>(b);
  EXPECT_EQ(g->OverlayImage1.name, u"a.png");
  EXPECT_EQ(g->OverlayImage1.id, 11);
  EXPECT_EQ(g->OverlayImage2.id, 12);
  EXPECT_EQ(g->StandImage.id, 13);
  EXPECT_EQ(g->PictureImage.name, u"d.png");
  EXPECT_EQ(g->PictureImage.id, 14);
  EXPECT_EQ(g->RotationSpeed.value, 40u);
  EXPECT_FLOAT_EQ(g->RotationSpeed.derived, 1.2f);
  EXPECT_EQ(g->BallPosition.value.x, -3);
  EXPECT_EQ(g->BallPosition.value.y, 9);
  EXPECT_EQ(g->BallSize.value, 80u);
  EXPECT_EQ(g->LensStrength.value, 6u);
  EXPECT_EQ(g->Overlay1.value, 0);
  EXPECT_EQ(g->Overlay2.value, 2);
  EXPECT_EQ(g->Stand.value, 1);
  EXPECT_EQ(g->PictureMode.value, 1);
  EXPECT_EQ(g->Motion.value, 2);
  EXPECT_EQ(g->TopColor.value, 0x00112233u);
  EXPECT_EQ(g->BottomColor.value, 0x00445566u);
  EXPECT_EQ(g->backgroundLink.name, u"bg.png");
  EXPECT_EQ(g->backgroundLink.id, 7);
}

TEST(RenderersRead, GlassBallVersionOneSpeedIsConverted) {
  const std::pair<uint32_t, uint32_t> cases[] = {{30, 53}, {0, 33}, {31, 53}, {33, 55}};
  for (auto [stored, expected] : cases) {
    pw::GlassBallRecord r;
    r.version = 1;
    r.rotationSpeed = stored;
    pw::ByteBuilder b;
    pw::WriteGlassBall(b, r);
    EXPECT_EQ(Read<DS_GlassBallLight>(b)->RotationSpeed.value, expected) << stored;
  }
}

TEST(RenderersRead, GlyphRainAtEachVersion) {
  for (int32_t version : {1, 2, 3}) {
    SCOPED_TRACE(version);
    pw::MatrixCodeRecord r;
    r.version = version;
    r.cellSize = 12;
    r.density = 33;
    r.highlightCount = 7;
    r.flicker = 1;
    r.backgroundMode = 1;
    r.startMode = 0;
    r.glyphColor = 0x0000FF00;
    r.highlightColor = 0x00FFFFFF;
    r.transparency = 25;
    r.glyphImage = {u"glyphs.png", 3};
    r.inFront = 1;
    r.light = Base();
    pw::ByteBuilder b;
    pw::WriteMatrixCode(b, r);
    auto m = Read<DS_MatrixCodeLight>(b);
    EXPECT_EQ(m->CellSize.value, 12u);
    EXPECT_EQ(m->Density.value, 33u);
    EXPECT_EQ(m->HighlightCount.value, 7u);
    EXPECT_EQ(m->Flicker.value, 1);
    EXPECT_EQ(m->BackgroundMode.value, 1);
    EXPECT_EQ(m->StartMode.value, 0);
    EXPECT_EQ(m->GlyphColor.value, 0x0000FF00u);
    EXPECT_EQ(m->HighlightColor.value, 0x00FFFFFFu);
    EXPECT_FLOAT_EQ(m->Transparency.derived, 0.75f);
    EXPECT_EQ(m->GlyphImage.id, version > 1 ? 3 : 40);
    EXPECT_EQ(m->InFront.value, version > 2 ? 1 : 0);
    EXPECT_EQ(m->backgroundLink.id, 7);
  }
}

TEST(RenderersRead, LakeAtEachVersion) {
  const GUID key{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    pw::LakeRecord r;
    r.version = version;
    r.waveScale = 200;
    r.waveSpeed = 100;
    r.horizon = 0;
    r.noiseOpacity = 40;
    r.tintOpacity = 50;
    r.tintFade = 10;
    r.bumpAmplitude = 30;
    r.hazeHeight = 9;
    r.reflectionDetail = 2;
    r.lakeColor = 0x00102030;
    r.normalMapGuid = key;
    r.normalMapName = u"water";
    r.normalMapFlag = 0;
    r.light = Base();
    pw::ByteBuilder b;
    pw::WriteLake(b, r);
    auto l = Read<FakeLake2D>(b);
    const bool v2 = version > 1;
    EXPECT_FLOAT_EQ(l->WaveScale.derived, v2 ? 2.0f : 1.0f);
    EXPECT_FLOAT_EQ(l->WaveSpeed.derived, v2 ? 2.0f : 1.0f);
    EXPECT_FLOAT_EQ(l->Horizon.derived, v2 ? 0.5f : 0.375f);
    EXPECT_FLOAT_EQ(l->NoiseOpacity.derived, v2 ? 0.4f : 1.0f);
    EXPECT_FLOAT_EQ(l->TintOpacity.derived, v2 ? 0.4f : 0.248f);
    EXPECT_FLOAT_EQ(l->TintFade.derived, v2 ? 0.1f : 0.58f);
    EXPECT_EQ(l->BumpAmplitude.value, v2 ? 30u : 25u);
    EXPECT_EQ(l->HazeHeight.value, v2 ? 9u : 7u);
    EXPECT_EQ(l->ReflectionDetail.value, v2 ? 2 : 1);
    EXPECT_EQ(l->LakeColor.value, v2 ? 0x00102030u : 0x408000u);
    EXPECT_EQ(std::memcmp(&l->NormalMapKey.guid, &key, sizeof(GUID)), 0);
    EXPECT_EQ(l->NormalMapKey.name, u"water");
    EXPECT_EQ(l->NormalMapKey.flag, 0);
    EXPECT_EQ(l->backgroundLink.id, 7);
  }
}

TEST(RenderersRead, WaterRingsAtEachVersion) {
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    pw::WaterRingRecord r;
    r.version = version;
    r.ringSpeed = 1;
    r.gridStretch = 2;
    r.gridDetail = 3;
    r.dropStrength = 4;
    r.damping = 5;
    r.refractionDepth = 6;
    r.dropRate = 120;
    r.specularLevel = 10;
    r.shininess = 20;
    r.overSlide = 1;
    r.light = Base();
    pw::ByteBuilder b;
    pw::WriteWaterRing(b, r);
    auto w = Read<DS_WaterRingLight>(b);
    const bool v2 = version > 1;
    EXPECT_EQ(w->RingSpeed.value, v2 ? 1u : 0u);
    EXPECT_EQ(w->GridStretch.value, v2 ? 2u : 0u);
    EXPECT_EQ(w->GridDetail.value, v2 ? 3u : 0u);
    EXPECT_EQ(w->DropStrength.value, v2 ? 4u : 50u);
    EXPECT_EQ(w->Damping.value, v2 ? 5u : 50u);
    EXPECT_EQ(w->RefractionDepth.value, v2 ? 6u : 20u);
    EXPECT_FLOAT_EQ(w->DropRate.derived, v2 ? 2.0f : 0.5f);
    EXPECT_FLOAT_EQ(w->SpecularLevel.derived, v2 ? 0.1f : 0.9f);
    EXPECT_FLOAT_EQ(w->Shininess.derived, v2 ? 16.0f : 40.0f);
    EXPECT_EQ(w->OverSlide.value, 1);
    EXPECT_TRUE(w->NeedsClear());
    EXPECT_EQ(w->backgroundLink.id, 7);
  }
}

TEST(RenderersRead, EveryTruncationIsAnError) {
  RegisterEffectReaders();
  std::vector<pw::ByteBuilder> records(4);
  pw::WriteGlassBall(records[0], pw::GlassBallRecord{});
  pw::WriteMatrixCode(records[1], pw::MatrixCodeRecord{});
  pw::WriteLake(records[2], pw::LakeRecord{});
  pw::WriteWaterRing(records[3], pw::WaterRingRecord{});
  for (const pw::ByteBuilder& b : records) {
    for (size_t cut = 0; cut < b.size(); ++cut) {
      MemoryArchive ar(b.bytes().data(), cut, true);
      EXPECT_THROW(ReadObjectOf<DS_2D_Light>(ar), DS_Error) << cut;
    }
  }
}

TEST(RenderersRead, DefaultsOfTheRegistry) {
  RegisterEffectReaders();
  for (const char16_t* name : {u"DS_GlassBallLight", u"DS_MatrixCodeLight", u"FakeLake2D", u"DS_WaterRingLight"}) {
    EXPECT_NE(CreateDefaultByName<DS_2D_Light>(name), nullptr) << static_cast<int>(name[3]);
  }
  auto g = std::make_unique<DS_GlassBallLight>();
  EXPECT_FLOAT_EQ(g->RotationSpeed.derived, 0.99f);
  EXPECT_EQ(g->Motion.value, 3);
  EXPECT_TRUE(g->NeedsClear());
  auto w = std::make_unique<DS_WaterRingLight>();
  EXPECT_FALSE(w->NeedsClear());
}

}  // namespace
