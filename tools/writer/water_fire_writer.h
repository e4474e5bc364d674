#pragma once
// Writers for the water and fire screen effects and for the flame and
// underwater slide renderers (each renderer ends with the DS_2D_Light record).
#include <array>
#include <cstdint>
#include <string>

#include "tools/writer/effects_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/renderers_writer.h"

namespace pw {

// "DS_WavesFX" (1).
struct WavesRecord {
  uint32_t amplitude = 50, frequency = 50, angle = 0;
  int32_t longitudinal = 0;
  FXRecord fx;
};
ByteBuilder& WriteWaves(ByteBuilder& b, const WavesRecord& r);

// "DS_UnderwaterFX" (1): the record the underwater renderer embeds.
struct UnderwaterRecord {
  uint32_t amplitude = 50, frequency = 50;
  FXRecord fx;
};
ByteBuilder& WriteUnderwater(ByteBuilder& b, const UnderwaterRecord& r);

// "DS_WaterFX" (1).
struct WaterRecord {
  uint32_t surface = 20, bumpScale = 20, waveStrength = 20, waveLength = 20, angle = 40;
  uint32_t shadows = 0, lightHeight = 0;
  uint32_t color = 0x00FFFFFF;  // COLORREF
  LinkSpec bump{u"common_res.dll", 89};
  FXRecord fx;
};
ByteBuilder& WriteWater(ByteBuilder& b, const WaterRecord& r);

// "DS_MoveFX" (versions 1 to 3; backAmplitude from 2).
struct MoveRecord {
  int32_t version = 3;
  int32_t waveKind = 0;
  uint32_t backAmplitude = 0;
  DirectionRecord direction;
};
ByteBuilder& WriteMove(ByteBuilder& b, const MoveRecord& r);

// "DS_WaterfallFX" (1).
struct WaterfallRecord {
  uint32_t layerFade = 0, layerCount = 0, noiseAmplitude = 0, spareValue = 0, threshold = 0;
  LinkSpec noise{u"", 0};
  uint32_t color = 0;  // COLORREF
  int32_t disabled = 0;
  DirectionRecord direction;
};
ByteBuilder& WriteWaterfall(ByteBuilder& b, const WaterfallRecord& r);

// "DS_FireFX" (versions 1 to 3). Version 2 writes the quad and the reserved
// word of fx itself (and fx should then be a base record without them).
struct FireRecord {
  int32_t version = 3;
  uint32_t tipColor = 0x0000FFFF, baseColor = 0x000000FF;  // COLORREF
  int32_t spareInt = 0;
  LinkSpec pattern{u"common_res.dll", 93}, noise{u"common_res.dll", 8};
  uint32_t density = 100, brightness = 15, repeat = 100;
  FXRecord fx;
};
ByteBuilder& WriteFire(ByteBuilder& b, const FireRecord& r);

// "DS_FlameLight" (versions 1 and 2).
struct FlameLightRecord {
  int32_t version = 2;
  uint32_t fireLayer = 1, distortion = 1, fireOffset = 0;
  uint32_t fireSpeed = 50;  // version 1
  LinkSpec bump{u"common_res.dll", 62}, effect{u"common_res.dll", 63};
  uint32_t speed = 50, strength = 25, bumpScale = 88;
  LinkSpec skipped1{u"common_res.dll", 7}, skipped2{u"common_res.dll", 8};  // version 1
  FireRecord fire;                                                           // version 2
  LightRecord light;
};
ByteBuilder& WriteFlameLight(ByteBuilder& b, const FlameLightRecord& r);

// "FakeUndervater" (versions 1 and 2).
struct UnderwaterLightRecord {
  int32_t version = 2;
  uint32_t speed = 50;  // version 1
  UnderwaterRecord effect;
  LightRecord light;
};
ByteBuilder& WriteUnderwaterLight(ByteBuilder& b, const UnderwaterLightRecord& r);

}  // namespace pw
