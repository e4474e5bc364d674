// Records of the screen effects, read field by field from crafted bytes: the
// base part in its four versions, each class's own fields, the outer records
// of the two classes stored under another name, the old Light II and copy
// versions, and damaged records refused with an error.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/ds_error.h"
#include "effects/light_effects.h"
#include "effects/pattern_effects.h"
#include "effects_fixtures.h"

using namespace fx_test;

namespace {

class EffectRecords : public EffectTest {};

GUID Guid(uint32_t n) {
  GUID g = GUID_NULL;
  g.Data1 = n;
  g.Data4[7] = 0x33;
  return g;
}

pw::FXRecord FullFX(int32_t version) {
  pw::FXRecord fx;
  fx.version = version;
  fx.speed = 75;
  fx.mode = 1;
  fx.maskGuid = Guid(0xABCD);
  fx.maskName = u"mask one";
  fx.maskFlag = 0;
  fx.effectName = u"some.fxo";
  fx.effectId = 0x123456789;
  fx.scale = 25;
  fx.quad = {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}};
  fx.reserved = -5;
  fx.phase = 50;
  fx.base.name = u"Light one";
  return fx;
}

TEST_F(EffectRecords, BaseFieldsByVersion) {
  for (int32_t version = 1; version <= 4; ++version) {
    SCOPED_TRACE(version);
    pw::ByteBuilder b;
    pw::WriteLightFX(b, {40, 0, FullFX(version)});
    auto m = Read<DS_LightFX>(b);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->speed.value, 75u);
    EXPECT_FLOAT_EQ(m->speed.derived, 75.0f);  // the light's factor is 1
    EXPECT_EQ(m->mode.value, 1);
    EXPECT_EQ(m->mask.guid, Guid(0xABCD));
    EXPECT_EQ(m->mask.name, u"mask one");
    EXPECT_EQ(m->maskFlag, 0);
    EXPECT_EQ(m->effectFile.name, u"some.fxo");
    EXPECT_EQ(m->effectFile.id, 0x123456789);
    EXPECT_EQ(m->name, u"Light one");
    EXPECT_FLOAT_EQ(m->scale.derived, version >= 2 ? 0.5f : 1.0f);
    EXPECT_FLOAT_EQ(m->quad.corners[3].value.x, version >= 3 ? 10.0f : 0.0f);
    EXPECT_FLOAT_EQ(m->quad.corners[1].value.z, version >= 3 ? 6.0f : 0.0f);
    EXPECT_EQ(m->reserved.value, version >= 3 ? -5 : 0);
    EXPECT_EQ(m->phase.value, version >= 4 ? 50u : 0u);
    EXPECT_FLOAT_EQ(m->phase.derived, version >= 4 ? 50 * 0.06283186f : 0.0f);
  }
}

TEST_F(EffectRecords, DefaultsOfEachClass) {
  struct Case {
    std::unique_ptr<DS_FX_Constructor> model;
    float speed;
    std::u16string link;
    int64_t id;
    int32_t mode;
  };
  Case cases[] = {
      {std::make_unique<DS_PatternBrush>(), 1.0f, u"common_res.dll", 78, 0},
      {std::make_unique<DS_PatternBrushC>(), 1.0f, u"common_res.dll", 78, 0},
      {std::make_unique<DS_BackgroundCopy>(), 1.0f, u"common_res.dll", 75, 0},
      {std::make_unique<DS_EraseLayerFX>(), 1.0f, u"", 0, 2},
      {std::make_unique<DS_LightFX>(), 40.0f, u"common_res.dll", 76, 0},
      {std::make_unique<DS_LightFX_II>(), 1.0f, u"", 0, 0},
      {std::make_unique<DS_LightWaveFX>(), 0.02f, u"", 0, 0},
      {std::make_unique<DS_ColorShiftFX>(), 1.0f, u"", 0, 0},
      {std::make_unique<DS_SaturationWaveFX>(), 0.5f, u"", 0, 0},
      {std::make_unique<DS_SaturationFX>(), 5.0f, u"", 0, 0},
      {std::make_unique<DS_BlureFX>(), 0.04f, u"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.model->ClassName().begin(), c.model->ClassName().end()));
    EXPECT_FLOAT_EQ(c.model->speed.derived, c.speed);
    EXPECT_EQ(c.model->effectFile.name, c.link);
    EXPECT_EQ(c.model->effectFile.id, c.id);
    EXPECT_EQ(c.model->mode.value, c.mode);
    EXPECT_FLOAT_EQ(c.model->scale.derived, 1.0f);
    EXPECT_EQ(c.model->maskFlag, 1);
    EXPECT_FALSE(IsNullGuid(c.model->mask.guid));
    EXPECT_TRUE(std::isinf(c.model->LastTime()));
  }
  DS_ColorShiftFX shift;
  EXPECT_FLOAT_EQ(shift.amplitude.derived, 0.25f);
  EXPECT_FLOAT_EQ(shift.saturation.derived, 0.0f);
  EXPECT_FLOAT_EQ(shift.brightness.derived, 0.0f);
  EXPECT_EQ(shift.waveKind.value, 2);
  DS_SaturationFX uniform;
  EXPECT_EQ(uniform.waveWidth.value, 0u);
  EXPECT_EQ(DS_SaturationWaveFX().waveWidth.value, 100u);
  DS_PatternBrush brush;
  EXPECT_FLOAT_EQ(brush.patternScale.derived, 1.0f);
  EXPECT_FLOAT_EQ(DS_LightFX().intensity.derived, 0.4f);
}

TEST_F(EffectRecords, PatternBrushAndItsOtherName) {
  pw::PatternBrushRecord r;
  r.imageName = u"tiles.png";
  r.imageId = 9;
  r.flipY = 1;
  r.flipX = 0;
  r.angle = 30;
  r.patternScale = 200;
  r.offsetX = 25;
  r.offsetY = 50;
  r.fx = FullFX(4);
  for (bool other : {false, true}) {
    pw::ByteBuilder b;
    if (other) pw::WritePatternBrushC(b, r);
    else pw::WritePatternBrush(b, r);
    std::unique_ptr<DS_PatternBrush> m =
        other ? std::unique_ptr<DS_PatternBrush>(Read<DS_PatternBrushC>(b)) : Read<DS_PatternBrush>(b);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->patternImage.name, u"tiles.png");
    EXPECT_EQ(m->patternImage.id, 9);
    EXPECT_EQ(m->flipY.value, 1);
    EXPECT_EQ(m->flipX.value, 0);
    EXPECT_EQ(m->angle.value, 30u);
    EXPECT_FLOAT_EQ(m->patternScale.derived, 2.0f);
    EXPECT_FLOAT_EQ(m->offsetX.derived, -0.25f);
    EXPECT_FLOAT_EQ(m->offsetY.derived, 0.5f);
    EXPECT_FLOAT_EQ(m->speed.derived, 75 * 0.02f);
    EXPECT_EQ(m->ClassName(), other ? u"DS_PatternBrushC" : u"DS_PatternBrush");
  }
}

TEST_F(EffectRecords, BackgroundCopyVersions) {
  pw::BackgroundCopyRecord r;
  r.rect[0] = 1;
  r.rect[3] = 4;
  r.offsetX = 12;
  r.offsetY = -7;
  r.shiftY = 1;
  r.shiftX = 0;
  r.source = Guid(77);
  r.fx = FullFX(4);
  for (int32_t version : {1, 2}) {
    r.version = version;
    pw::ByteBuilder b;
    pw::WriteBackgroundCopy(b, r);
    auto m = Read<DS_BackgroundCopy>(b);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->copyRect.left.value, 1);
    EXPECT_EQ(m->copyRect.bottom.value, 4);
    EXPECT_EQ(m->copyRect.extra1.value, 12);
    EXPECT_EQ(m->copyRect.extra2.value, -7);
    EXPECT_EQ(m->shiftY.value, 1);
    EXPECT_EQ(m->shiftX.value, 0);
    EXPECT_EQ(m->sourceObject.value, version >= 2 ? Guid(77) : GUID_NULL);
    EXPECT_TRUE(m->IsDisplacement());
  }
}

TEST_F(EffectRecords, LightRecords) {
  pw::ByteBuilder erase;
  pw::WriteEraseLayer(erase, 1, FullFX(4));
  EXPECT_EQ(Read<DS_EraseLayerFX>(erase)->invert.value, 1);

  pw::ByteBuilder light;
  pw::WriteLightFX(light, {120, 2, FullFX(4)});
  auto l = Read<DS_LightFX>(light);
  EXPECT_FLOAT_EQ(l->intensity.derived, 1.2f);
  EXPECT_EQ(l->flicker.value, 2);

  pw::LightIIRecord two;
  two.intensity = 80;
  two.flicker = 3;
  two.blendMode = 3;
  two.color = 0x00102030;
  two.layerMode = 1;
  two.fx = FullFX(4);
  for (int32_t version : {1, 2, 3}) {
    SCOPED_TRACE(version);
    two.version = version;
    pw::ByteBuilder b;
    pw::WriteLightII(b, two);
    auto m = Read<DS_LightFX_II>(b);
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->intensity.derived, 0.8f);
    EXPECT_EQ(m->flicker.value, 3);
    EXPECT_EQ(m->color.value, 0x00102030u);
    EXPECT_EQ(m->layerMode.value, version >= 3 ? 1 : 0);
    // Old records name the light's own effect and had no blend 3.
    EXPECT_EQ(m->blendMode.value, version >= 2 ? 3 : 4);
    EXPECT_EQ(m->effectFile.id, version >= 2 ? 0x123456789 : 190);
    EXPECT_EQ(m->effectFile.name, version >= 2 ? u"some.fxo" : u"common_res.dll");
  }

  pw::LightWaveRecord wave;
  wave.waveStart = {10, 20, 0};
  wave.waveEnd = {110, 20, 0};
  wave.waveLength = 40;
  wave.oneWay = 1;
  wave.light = two;
  wave.light.version = 3;
  for (int32_t version : {1, 2}) {
    wave.version = version;
    pw::ByteBuilder b;
    pw::WriteLightWave(b, wave);
    auto m = Read<DS_LightWaveFX>(b);
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->waveStart.value.y, 20.0f);
    EXPECT_FLOAT_EQ(m->waveEnd.value.x, 110.0f);
    EXPECT_EQ(m->waveLength.value, 40u);
    EXPECT_EQ(m->oneWay.value, version >= 2 ? 1 : 0);
    EXPECT_EQ(m->layerMode.value, 1);
    EXPECT_FLOAT_EQ(m->speed.derived, 75 * 0.02f);
  }
}

TEST_F(EffectRecords, ColourAndBlurRecords) {
  pw::ByteBuilder shift;
  pw::WriteColorShift(shift, {5, 20, 30, 150, 40, FullFX(4)});
  auto c = Read<DS_ColorShiftFX>(shift);
  EXPECT_EQ(c->waveKind.value, 5);
  EXPECT_FLOAT_EQ(c->amplitude.derived, 0.1f);
  EXPECT_FLOAT_EQ(c->hueShift.derived, 0.3f);
  EXPECT_FLOAT_EQ(c->saturation.derived, 0.5f);
  EXPECT_FLOAT_EQ(c->brightness.derived, -0.6f);

  pw::SaturationRecord sat{1, 60, 70, 90, 55, FullFX(4)};
  for (bool uniform : {false, true}) {
    pw::ByteBuilder b;
    if (uniform) pw::WriteSaturation(b, sat);
    else pw::WriteSaturationWave(b, sat);
    std::unique_ptr<DS_SaturationWaveFX> m =
        uniform ? std::unique_ptr<DS_SaturationWaveFX>(Read<DS_SaturationFX>(b)) : Read<DS_SaturationWaveFX>(b);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->waveKind.value, 1);
    EXPECT_FLOAT_EQ(m->spareFactor.derived, 0.6f);
    EXPECT_FLOAT_EQ(m->strength.derived, 0.7f);
    EXPECT_EQ(m->direction.value, 90u);
    EXPECT_NEAR(m->direction.direction.y, 1.0f, 1e-6);
    EXPECT_EQ(m->waveWidth.value, 55u);
    EXPECT_FLOAT_EQ(m->speed.derived, 75 * (uniform ? 0.1f : 0.01f));
  }

  pw::ByteBuilder blur;
  pw::WriteBlur(blur, {12, 3, FullFX(4)});
  auto bl = Read<DS_BlureFX>(blur);
  EXPECT_EQ(bl->radius.value, 12u);
  EXPECT_EQ(bl->waveKind.value, 3);
  EXPECT_FLOAT_EQ(bl->speed.derived, 75 * 0.04f);
}

// Every cut of every record is refused with an error, never read past its end.
TEST_F(EffectRecords, TruncatedRecordsAreRefused) {
  std::vector<std::function<void(pw::ByteBuilder&)>> writers = {
      [](pw::ByteBuilder& b) { pw::WritePatternBrushC(b, {u"p.png", 1, 0, 0, 0, 100, 0, 0, FullFX(4)}); },
      [](pw::ByteBuilder& b) { pw::WriteBackgroundCopy(b, {}); },
      [](pw::ByteBuilder& b) { pw::WriteLightWave(b, {}); },
      [](pw::ByteBuilder& b) { pw::WriteSaturation(b, {}); },
      [](pw::ByteBuilder& b) { pw::WriteBlur(b, {}); },
  };
  for (auto& write : writers) {
    pw::ByteBuilder whole;
    write(whole);
    for (size_t cut = 0; cut < whole.size(); cut += 3) {
      MemoryArchive ar(whole.bytes().data(), cut, true);
      EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
    }
  }
}

}  // namespace
