#pragma once
// Writers for the screen effects: the "DS_FX_Constructor" base (versions 1
// to 4) and the records of the pattern, copy, colour and light effects.
#include <array>
#include <cstdint>
#include <string>

#include "platform/com/com.h"
#include "tools/writer/byte_builder.h"
#include "tools/writer/slides_writer.h"

namespace pw {

using Corner = std::array<float, 3>;

// "DS_FX_Constructor": speed, mode, mask, effect link; scale from version 2;
// quad and the reserved word from 3; phase from 4; the scene-object base.
struct FXRecord {
  int32_t version = 4;
  uint32_t speed = 50;
  int32_t mode = 0;
  GUID maskGuid = GUID_NULL;
  std::u16string maskName;
  uint8_t maskFlag = 1;
  std::u16string effectName = u"common_res.dll";
  int64_t effectId = 0;
  uint32_t scale = 50;
  std::array<Corner, 4> quad{};
  int32_t reserved = 0;
  uint32_t phase = 0;
  ConstructorRecord base;
};
ByteBuilder& WriteFXBase(ByteBuilder& b, const FXRecord& r);

struct PatternBrushRecord {
  std::u16string imageName;
  int64_t imageId = 0;
  int32_t flipY = 0, flipX = 0;
  uint32_t angle = 0;
  uint32_t patternScale = 100;
  uint32_t offsetX = 0, offsetY = 0;
  FXRecord fx;
};
ByteBuilder& WritePatternBrush(ByteBuilder& b, const PatternBrushRecord& r);
// "DS_PatternBrushC" (1) around a whole "DS_PatternBrush" record.
ByteBuilder& WritePatternBrushC(ByteBuilder& b, const PatternBrushRecord& r);

struct BackgroundCopyRecord {
  int32_t version = 2;
  int32_t rect[4] = {0, 0, 0, 0};  // left, right, top, bottom
  int32_t offsetX = 0, offsetY = 0;
  int32_t shiftY = 0, shiftX = 0;
  GUID source = GUID_NULL;  // version 2 on
  FXRecord fx;
};
ByteBuilder& WriteBackgroundCopy(ByteBuilder& b, const BackgroundCopyRecord& r);

ByteBuilder& WriteEraseLayer(ByteBuilder& b, int32_t invert, const FXRecord& fx);

struct LightFXRecord {
  uint32_t intensity = 40;
  int32_t flicker = 0;
  FXRecord fx;
};
ByteBuilder& WriteLightFX(ByteBuilder& b, const LightFXRecord& r);

struct LightIIRecord {
  int32_t version = 3;
  uint32_t intensity = 0;
  int32_t flicker = 0;
  int32_t blendMode = 0;
  uint32_t color = 0;  // COLORREF: red in the lowest byte
  int32_t layerMode = 0;  // version 3 on
  FXRecord fx;
};
ByteBuilder& WriteLightII(ByteBuilder& b, const LightIIRecord& r);

struct LightWaveRecord {
  int32_t version = 2;
  Corner waveStart{}, waveEnd{};
  uint32_t waveLength = 100;
  int32_t oneWay = 0;  // version 2 on
  LightIIRecord light;
};
ByteBuilder& WriteLightWave(ByteBuilder& b, const LightWaveRecord& r);

struct ColorShiftRecord {
  int32_t waveKind = 2;
  uint32_t amplitude = 50, hueShift = 0, saturation = 100, brightness = 100;
  FXRecord fx;
};
ByteBuilder& WriteColorShift(ByteBuilder& b, const ColorShiftRecord& r);

struct SaturationRecord {
  int32_t waveKind = 2;
  uint32_t spareFactor = 50, strength = 100;
  uint32_t direction = 0;  // degrees
  uint32_t waveWidth = 100;
  FXRecord fx;
};
ByteBuilder& WriteSaturationWave(ByteBuilder& b, const SaturationRecord& r);
// "DS_SaturationFX" (1) around a whole "DS_SaturationWaveFX" record.
ByteBuilder& WriteSaturation(ByteBuilder& b, const SaturationRecord& r);

struct BlurRecord {
  uint32_t radius = 10;
  int32_t waveKind = 0;
  FXRecord fx;
};
ByteBuilder& WriteBlur(ByteBuilder& b, const BlurRecord& r);

}  // namespace pw

namespace pw {

// "DS_CentralBased" (1): the centre, then the base record.
struct CentralRecord {
  Corner center{};
  FXRecord fx;
};
ByteBuilder& WriteCentralBase(ByteBuilder& b, const CentralRecord& r);

struct ExpandRecord {
  int32_t version = 2;
  uint32_t upper = 50, lower = 0;
  int32_t waveKind = 0;
  CentralRecord central;
};
ByteBuilder& WriteExpand(ByteBuilder& b, const ExpandRecord& r);

struct RadialWaveRecord {
  int32_t version = 3;
  uint32_t amplitude = 50, wavelength = 50, ringScale = 50;  // version 2 on
  int32_t waveDirection = 0;
  CentralRecord central;
};
ByteBuilder& WriteRadialWave(ByteBuilder& b, const RadialWaveRecord& r);

struct RotationRecord {
  int32_t version = 2;
  uint32_t ellipseRatio = 1000;
  uint32_t ellipseAngle = 0;
  int32_t reverse = 0;
  int32_t rotationMode = 0;  // version 2 on
  uint32_t rotation = 0;
  CentralRecord central;
};
ByteBuilder& WriteRotation(ByteBuilder& b, const RotationRecord& r);

struct BendRecord {
  int32_t version = 2;
  uint32_t upper = 0, lower = 0, bend = 0;
  int32_t waveKind = 0;
  CentralRecord central;
};
ByteBuilder& WriteBend(ByteBuilder& b, const BendRecord& r);

struct KestraneRadialRecord {
  int32_t version = 2;
  uint32_t amplitude = 0;
  int32_t variant = 0;  // version 2 on
  CentralRecord central;
};
ByteBuilder& WriteKestraneRadial(ByteBuilder& b, const KestraneRadialRecord& r);

struct KestraneVorticalRecord {
  uint32_t ellipseDeform = 0;
  uint32_t ellipseAngle = 0;
  int32_t reverse = 0;
  uint32_t amplitude = 0;
  CentralRecord central;
};
ByteBuilder& WriteKestraneVortical(ByteBuilder& b, const KestraneVorticalRecord& r);

}  // namespace pw

namespace pw {

// "DS_LineBased" (1): axis, centre, the base record; no inner header.
struct LineBasedRecord {
  uint32_t axis = 0;
  Corner center{};
  FXRecord fx;
};
ByteBuilder& WriteLineBase(ByteBuilder& b, const LineBasedRecord& r);

// "DS_PerspectiveBased" (1): tilt, scale, axis, centre, the base record.
struct PerspectiveBaseRecord {
  uint32_t tilt = 0;
  uint32_t perspectiveScale = 100;
  uint32_t axis = 90;
  Corner center{};
  FXRecord fx;
};
ByteBuilder& WritePerspectiveBase(ByteBuilder& b, const PerspectiveBaseRecord& r);

// "DS_DirectionBased" (1): amplitude, angle, the base record.
struct DirectionRecord {
  uint32_t amplitude = 0;
  uint32_t angle = 0;
  FXRecord fx;
};
ByteBuilder& WriteDirectionBase(ByteBuilder& b, const DirectionRecord& r);

struct PerspectiveFXRecord {
  int32_t version = 3;
  uint32_t upper = 0, depth = 0;
  int32_t waveKind = 0;      // version 2 on
  uint32_t lower = 0;        // version 3 on
  int32_t legacyMode = 0;    // version 1
  LineBasedRecord line;
};
ByteBuilder& WritePerspectiveFX(ByteBuilder& b, const PerspectiveFXRecord& r);

struct StretchRecord {
  int32_t waveKind = 0;
  uint32_t upper = 0, lower = 0;
  LineBasedRecord line;
};
ByteBuilder& WriteStretch(ByteBuilder& b, const StretchRecord& r);

// "DS_TurnFX" (1): no own fields, then the perspective base record.
ByteBuilder& WriteTurn(ByteBuilder& b, const PerspectiveBaseRecord& r);

struct KestraneLinearRecord {
  int32_t version = 2;
  uint32_t tilt = 0, perspectiveScale = 100, axis = 0;  // version 2 on
  Corner center{};
  DirectionRecord direction;
};
ByteBuilder& WriteKestraneLinear(ByteBuilder& b, const KestraneLinearRecord& r);

}  // namespace pw

namespace pw {

struct CloudRecord {
  uint32_t colorK1 = 0, colorK2 = 0;
  std::u16string cloudName;
  int64_t cloudId = 0;
  std::u16string secondName;
  int64_t secondId = 0;
  uint32_t threshold = 0, density = 0, depth = 0, height = 0, shift = 0;
  int32_t flipShift = 0;
  uint32_t spare1 = 0, spare2 = 0;
  DirectionRecord direction;
};
ByteBuilder& WriteCloud(ByteBuilder& b, const CloudRecord& r);

struct CausticRecord {
  int32_t version = 2;
  uint32_t brightness = 100, scaleX = 200, scaleY = 200;
  uint32_t blendColor = 0x00FFFFFF;
  int32_t blendMode = 0, backgroundMode = 0;
  uint32_t power = 100;
  PerspectiveBaseRecord perspective;  // version 2 on
  LineBasedRecord line;                    // version 1
};
ByteBuilder& WriteCaustic(ByteBuilder& b, const CausticRecord& r);

struct DayToNightRecord {
  uint32_t mulColor = 0;
  uint32_t hue = 0, saturation = 0, brightness = 0;
  float rgba[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // as stored; the player recomputes them
  uint32_t desaturate = 0;
  FXRecord fx;
};
ByteBuilder& WriteDayToNight(ByteBuilder& b, const DayToNightRecord& r);

}  // namespace pw

namespace pw {

struct HeatRecord {
  int32_t version = 3;
  uint32_t heatSpeed = 1, strength = 0, bumpScale = 0;
  PerspectiveBaseRecord perspective;  // version 3 on
  FXRecord fx;                        // versions 1 and 2: the base record directly
};
ByteBuilder& WriteHeat(ByteBuilder& b, const HeatRecord& r);

struct BumpRecord {
  int32_t animationMode = 1, waveKind = 1;
  uint32_t animationAmount = 100;
  std::u16string imageName;
  int64_t imageId = 0;
  uint32_t lightElevation = 45, lightAzimuth = 0, bumpSpeed = 50;
  FXRecord fx;
};
ByteBuilder& WriteBump(ByteBuilder& b, const BumpRecord& r);

}  // namespace pw
