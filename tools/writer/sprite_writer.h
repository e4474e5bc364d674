#pragma once
// Writers for the sprite models: "DS_ViewObjCtrl" (versions 1 and 2),
// "DS_BaseSpriteProp" (versions 1 to 7), the effect-sprite bases
// "DS_FXParticleSystemCtrl", "DS_GlowEffectCtrl", "DS_BaseFXCtrl",
// "DS_StatBaseFXCtrl" (versions 1 and 2), "DS_DischargeFXConstructor", and
// the plain sprite effects built on the sprite record.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/generators_writer.h"
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

// Rays, sparkles, fog and lightning flashes.
struct GodRayRecord {
  uint32_t rayAngle = 80;
  BaseSpriteRecord sprite;
};
ByteBuilder& WriteGodRay(ByteBuilder& b, const GodRayRecord& r);
ByteBuilder& WriteSparkle(ByteBuilder& b, const BaseSpriteRecord& sprite);
struct FogRecord {
  float maxSpeedX = 40.0f, maxSpeedY = 40.0f;
  BaseSpriteRecord sprite;
};
ByteBuilder& WriteFog(ByteBuilder& b, const FogRecord& r);
struct LightingRecord {
  int32_t version = 2;
  uint32_t minPause = 100, maxPause = 500;  // version 2
  BaseSpriteRecord sprite;
};
ByteBuilder& WriteLighting(ByteBuilder& b, const LightingRecord& r);

// Flow and rain ("DS_FlowConstructor" versions 1 to 4).
struct BoundControlRecord {
  int32_t mode = 0;
  uint32_t fadeOut = 0, fadeIn = 0, minPause = 0, maxPause = 0;  // milliseconds
};
ByteBuilder& WriteBoundControl(ByteBuilder& b, const BoundControlRecord& r);
struct FlowRecord {
  int32_t version = 4;
  uint32_t flowAngle = 0, wobbleAmplitude = 0, wobbleRate = 0;
  float flowSpeed = 0.0f;
  int32_t orientation = 0;                 // version 2: a flag; 3 on: the value
  std::array<BoundControlRecord, 4> bounds;  // version 4: top, bottom, left, right
  BaseSpriteRecord sprite;
};
ByteBuilder& WriteFlow(ByteBuilder& b, const FlowRecord& r);
ByteBuilder& WriteRain(ByteBuilder& b, const FlowRecord& r);

// Fish, birds and ghosts ("DS_GhostConstructor" versions 1 and 2).
struct FishRecord {
  float maxSpeedX = 80.0f, maxSpeedY = 50.0f;
  BaseSpriteRecord sprite;
};
ByteBuilder& WriteFish(ByteBuilder& b, const FishRecord& r);
ByteBuilder& WriteBird(ByteBuilder& b, const FishRecord& r);
ByteBuilder& WriteGhost(ByteBuilder& b, const FishRecord& r, int32_t version = 2);

// Placed and swaying sprites ("DS_StatObjConstructor" versions 1 and 2).
struct StatObjRecord {
  int32_t version = 2;
  std::array<int32_t, 6> rect{0, 0, 0, 0, 0, 0};  // left, right, top, bottom, centre x, centre y
  uint32_t rotationAngle = 0;
  int32_t flipVertical = 0, flipHorizontal = 0;  // version 1
  BaseSpriteRecord sprite;
};
ByteBuilder& WriteStatObj(ByteBuilder& b, const StatObjRecord& r);
ByteBuilder& WriteFlower(ByteBuilder& b, float swayAmplitude, const StatObjRecord& r);
ByteBuilder& WriteDischargeSprite(ByteBuilder& b, const StatObjRecord& r);
ByteBuilder& WriteGrass(ByteBuilder& b, float swayAmplitude, const BaseSpriteRecord& sprite);

// Sprite animations on the generator chain: "DS_PathAnimtion" (versions 1
// and 2) on "DS_PathGenerator", "DS_StaticAnimation" on "DS_SingleRectGN",
// "DS_BrownAnimation" (versions 1 and 2) on "DS_ParticleRctRgnGenerator".
struct PathAnimationRecord {
  int32_t version = 2;
  uint32_t travelSpeed = 1, size = 100;
  int32_t orientation = 0, flipVertical = 0, flipHorizontal = 0;
  uint32_t frameSpeed = 100;  // version 2
  std::vector<Point3> points;
  TexGeneratorRecord tex;
};
ByteBuilder& WritePathAnimation(ByteBuilder& b, const PathAnimationRecord& r);
struct StaticAnimationRecord {
  uint32_t frameSpeed = 100;
  int32_t reverse = 0;
  SingleRectRecord rect;
};
ByteBuilder& WriteStaticAnimation(ByteBuilder& b, const StaticAnimationRecord& r);
struct BrownAnimationRecord {
  int32_t version = 2;
  uint32_t count = 10, size = 100, wanderSpeed = 0, retargetInterval = 0, steeringTime = 0;
  uint32_t frameSpeed = 100;  // version 2
  RegionRecord region;
};
ByteBuilder& WriteBrownAnimation(ByteBuilder& b, const BrownAnimationRecord& r);

}  // namespace pw
