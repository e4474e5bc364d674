#pragma once
// Records of the slide renderers without compiled effects: glass ball,
// glyph rain, lake and water rings. Each ends with the DS_2D_Light record.
#include <cstdint>
#include <string>

#include "platform/com/com.h"
#include "tools/writer/byte_builder.h"
#include "tools/writer/render_writer.h"

namespace pw {

struct LinkSpec {
  std::u16string name = u"common_res.dll";
  int64_t id = 0;
};

// "DS_GlassBallLight" (versions 1 and 2).
struct GlassBallRecord {
  int32_t version = 2;
  LinkSpec overlay1{u"common_res.dll", 58}, overlay2{u"common_res.dll", 59};
  LinkSpec stand{u"common_res.dll", 184}, picture{u"common_res.dll", 5};
  uint32_t rotationSpeed = 33;
  int32_t ballX = 0, ballY = 0;
  uint32_t ballSize = 100, lensStrength = 0;
  uint32_t overlay1On = 1, overlay2On = 1, standOn = 0, pictureMode = 0, motion = 3;
  uint32_t topColor = 0, bottomColor = 0;  // COLORREF
  LightRecord light;
};
ByteBuilder& WriteGlassBall(ByteBuilder& b, const GlassBallRecord& r);

// "DS_MatrixCodeLight" (versions 1 to 3).
struct MatrixCodeRecord {
  int32_t version = 3;
  uint32_t cellSize = 16, density = 20, highlightCount = 50;
  uint32_t flicker = 0, backgroundMode = 0, startMode = 2;
  uint32_t glyphColor = 0, highlightColor = 0;  // COLORREF
  uint32_t transparency = 0;
  LinkSpec glyphImage{u"common_res.dll", 40};  // version 2 on
  uint32_t inFront = 0;                        // version 3
  LightRecord light;
};
ByteBuilder& WriteMatrixCode(ByteBuilder& b, const MatrixCodeRecord& r);

// "FakeLake2D" (versions 1 and 2).
struct LakeRecord {
  int32_t version = 2;
  uint32_t waveScale = 100, waveSpeed = 50, horizon = 25, noiseOpacity = 100, tintOpacity = 31, tintFade = 58;
  uint32_t bumpAmplitude = 25, hazeHeight = 7, reflectionDetail = 1;
  uint32_t lakeColor = 0x408000;  // COLORREF
  GUID normalMapGuid{};
  std::u16string normalMapName;
  uint8_t normalMapFlag = 1;
  LightRecord light;
};
ByteBuilder& WriteLake(ByteBuilder& b, const LakeRecord& r);

// "DS_WaterRingLight" (versions 1 and 2).
struct WaterRingRecord {
  int32_t version = 2;
  uint32_t ringSpeed = 0, gridStretch = 0, gridDetail = 0, dropStrength = 50, damping = 50, refractionDepth = 20;
  uint32_t dropRate = 30, specularLevel = 90, shininess = 50;
  uint32_t overSlide = 0;
  LightRecord light;
};
ByteBuilder& WriteWaterRing(ByteBuilder& b, const WaterRingRecord& r);

}  // namespace pw
