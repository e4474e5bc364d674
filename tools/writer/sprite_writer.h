#pragma once
// Writers for the sprite models: "DS_ViewObjCtrl" (versions 1 and 2),
// "DS_BaseSpriteProp" (versions 1 to 7), the effect-sprite bases
// "DS_FXParticleSystemCtrl", "DS_GlowEffectCtrl", "DS_BaseFXCtrl",
// "DS_StatBaseFXCtrl" (versions 1 and 2) and "DS_DischargeFXConstructor".
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/slides_writer.h"

namespace pw {

struct ViewObjRecord {
  int32_t version = 2;
  std::array<int32_t, 6> pixels{0, 0, 0, 0, 0, 0};  // left, right, top, bottom, two extras
  float left = 0.0f, right = 1.0f, top = 0.0f, bottom = 1.0f;
  uint8_t flag = 0;
  uint32_t viewSpeed = 50;  // version 2 on
  ConstructorRecord base;
};
ByteBuilder& WriteViewObjCtrl(ByteBuilder& b, const ViewObjRecord& r);

struct BaseSpriteRecord {
  int32_t version = 7;
  ViewObjRecord view;
  uint32_t count = 1;
  uint32_t legacyViewSpeed = 50;  // versions 1 and 2
  uint32_t size = 32;
  uint32_t translucency = 0;
  int32_t blendMode = 0;
  uint32_t colour = 0x00FFFFFF;  // COLORREF
  float twinkleSpeed = 0.0f, twinkleMin = 0.0f, twinkleMax = 1.0f;
  float sizeMin = 1.0f, sizeMax = 1.0f;
  std::vector<EmbeddedFileSpec> legacyFrames;  // version 1
  EmbeddedFileSpec legacySecond;               // version 1
  std::u16string imageName;                    // version 2 on
  int64_t imageId = 0;
  std::u16string secondName;
  int64_t secondId = 0;
  uint32_t reservedUnsigned = 1;
  float reservedFloat = 0.0f;
  uint32_t frameCount = 1;
  float frameRate = 0.0f;
  uint8_t atlas = 0;
  std::vector<float> legacyDelays;  // version 1
  int32_t imageKind = 0;            // version 4 on
  int32_t flipVertical = 0;         // version 5 on
  int32_t flipHorizontal = 0;
  int32_t staticFlag = 0;  // version 6 on
  uint32_t speed = 100;    // version 7
};
// "DS_BaseSpriteProp", the version, the whole view record, then its fields.
ByteBuilder& WriteBaseSprite(ByteBuilder& b, const BaseSpriteRecord& r);

struct FXParticleRecord {
  std::u16string effectName;
  int64_t effectId = 0;
  BaseSpriteRecord sprite;
};
ByteBuilder& WriteFXParticleSystemCtrl(ByteBuilder& b, const FXParticleRecord& r);

struct GlowEffectRecord {
  uint32_t glowColour = 0;  // COLORREF
  uint32_t glowIntensity = 100;
  FXParticleRecord fx;
};
ByteBuilder& WriteGlowEffectCtrl(ByteBuilder& b, const GlowEffectRecord& r);

struct StatBaseFXRecord {
  int32_t version = 2;
  float x = 0.0f, y = 0.0f, z = 0.0f;
  uint32_t height = 0, width = 0;  // version 2
  FXParticleRecord fx;
};
// "DS_StatBaseFXCtrl", its fields, "DS_BaseFXCtrl" and the effect record.
ByteBuilder& WriteStatBaseFXCtrl(ByteBuilder& b, const StatBaseFXRecord& r);

struct DischargeRecord {
  std::array<float, 3> start{0.0f, 0.0f, 0.0f};
  std::array<float, 3> end{100.0f, 0.0f, 0.0f};
  uint32_t jitter = 50;
  int32_t style = 1;
  uint32_t flickerInterval = 100;
  uint32_t morphRate = 50;
  GlowEffectRecord glow;
};
ByteBuilder& WriteDischarge(ByteBuilder& b, const DischargeRecord& r);
// A discharge record with the defaults of a new discharge.
DischargeRecord DefaultDischarge();

}  // namespace pw
