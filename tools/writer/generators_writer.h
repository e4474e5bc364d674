#pragma once
// Writers for the generator records: "DS_ParticleGenerator" (versions 1 to
// 3), "DS_TexParticleGenerator" (1 to 3), the air-brush base "DS_AirBrush"
// (1 to 3) and the four air brushes with their own parts; the static, single
// rectangle, region and origin generators with the animated font, the plant,
// the falling stars and the simple firework.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/slides_writer.h"

namespace pw {

struct ParticleGeneratorRecord {
  int32_t version = 3;
  std::vector<std::array<float, 3>> heads;  // version 2 on
  uint32_t life = 20, rate = 30, size = 0, speed = 0;  // version 3 on
  int32_t trail = 0;
  ConstructorRecord base;
};
ByteBuilder& WriteParticleGenerator(ByteBuilder& b, const ParticleGeneratorRecord& r);

struct TexGeneratorRecord {
  int32_t version = 3;
  std::vector<std::pair<std::u16string, int64_t>> images;
  std::u16string effectName;
  int64_t effectId = 0;
  uint32_t colour1 = 0x00FFFFFF, transparency1 = 0;  // COLORREF: red in the low byte
  uint32_t colour2 = 0x00FFFFFF, transparency2 = 0;
  int32_t blendMode = 0;
  int32_t verticalMirror = 0, horizontalMirror = 0;  // version 2 on
  int32_t imageLinkKind = 0;                         // version 3 on
  ParticleGeneratorRecord generator;
};
ByteBuilder& WriteTexGenerator(ByteBuilder& b, const TexGeneratorRecord& r);

struct DabRecord {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  std::array<float, 5> channels{0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
  std::array<float, 5> factors{1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
};

struct AirBrushRecord {
  int32_t version = 3;
  uint32_t brushSize = 16;
  std::vector<DabRecord> dabs;
  // Values written per dab (version 2 on); past 5 the extra ones are zeros.
  uint32_t valueCount = 5;
  TexGeneratorRecord tex;
};
ByteBuilder& WriteAirBrush(ByteBuilder& b, const AirBrushRecord& r);

struct BlingRecord {
  int32_t version = 2;
  uint32_t pulseSpeed = 50, shrinkTime = 100, growTime = 100;
  uint32_t turnSpeed = 50, minimumSize = 0;  // version 2 on
  AirBrushRecord brush;
};
ByteBuilder& WriteBling(ByteBuilder& b, const BlingRecord& r);

struct CustomAirBrushRecord {
  std::u16string pictureName;
  int64_t pictureId = 0;
  uint32_t animationSpeed = 100;
  AirBrushRecord brush;
};
ByteBuilder& WriteCustomAirBrush(ByteBuilder& b, const CustomAirBrushRecord& r);

struct TwinklingStarsRecord {
  uint32_t twinkleSpeed = 0;
  AirBrushRecord brush;
};
ByteBuilder& WriteTwinklingStars(ByteBuilder& b, const TwinklingStarsRecord& r);

struct AuroraRecord {
  uint32_t curtainHeight = 100;
  struct Wave {
    uint32_t speed = 33, amplitude = 0, length = 99;
  };
  std::array<Wave, 3> waves;
  uint32_t direction = 0;
  AirBrushRecord brush;
};
ByteBuilder& WriteAurora(ByteBuilder& b, const AuroraRecord& r);

using Point3 = std::array<float, 3>;

struct StaticGeneratorRecord {
  Point3 origin{0.0f, 0.0f, 0.0f};
  TexGeneratorRecord tex;
};
// "DS_StaticGenerator", version 1.
ByteBuilder& WriteStaticGenerator(ByteBuilder& b, const StaticGeneratorRecord& r);

struct GlyphEntry {
  char16_t character = 0;
  std::u16string name;
  int64_t id = 0;
};

struct AnimatedFontRecord {
  std::u16string text;
  uint32_t animationSpeed = 100, scale = 100;
  std::array<uint32_t, 3> settings{0, 0, 0};
  int32_t setting = 0;
  std::vector<GlyphEntry> glyphMap;
  std::vector<std::pair<std::u16string, int64_t>> glyphLinks;
  StaticGeneratorRecord base;
};
ByteBuilder& WriteAnimatedFont(ByteBuilder& b, const AnimatedFontRecord& r);

struct SingleRectRecord {
  int32_t version = 2;
  std::array<Point3, 4> corners{};
  std::array<float, 2> extra{0.0f, 0.0f};  // version 1 only
  StaticGeneratorRecord base;
};
ByteBuilder& WriteSingleRect(ByteBuilder& b, const SingleRectRecord& r);

struct PlantRecord {
  uint32_t speed = 50, frequency = 0, wMagnitude = 0, bMagnitude = 0;
  SingleRectRecord rect;
};
ByteBuilder& WritePlant(ByteBuilder& b, const PlantRecord& r);

struct RegionRecord {
  std::array<Point3, 4> corners{};
  TexGeneratorRecord tex;
};
// The region part as falling stars store it (no class name or version).
ByteBuilder& WriteRegionPart(ByteBuilder& b, const RegionRecord& r);
// The whole record, "DS_ParticleRctRgnGenerator" version 1.
ByteBuilder& WriteRegionGenerator(ByteBuilder& b, const RegionRecord& r);

struct FallingStarsRecord {
  uint32_t fallSpeed = 0, starRate = 0, direction = 0, starSize = 0, glowFactor = 0;
  uint32_t holdTime = 0, fadeInTime = 0, fadeOutTime = 0;
  RegionRecord region;
};
ByteBuilder& WriteFallingStars(ByteBuilder& b, const FallingStarsRecord& r);

struct OriginGeneratorRecord {
  int32_t version = 2;
  uint32_t lifetime = 0, launchRate = 0, originSize = 0, direction = 0;
  uint32_t spread = 0;  // version 2 on
  uint32_t speed = 50;
  StaticGeneratorRecord base;
};
ByteBuilder& WriteOriginGenerator(ByteBuilder& b, const OriginGeneratorRecord& r);

struct FireworkSimpleRecord {
  uint32_t sparkCount = 0, sparkSize = 0, launchSpeed = 0, glowFactor = 0;
  OriginGeneratorRecord origin;
};
ByteBuilder& WriteFireworkSimple(ByteBuilder& b, const FireworkSimpleRecord& r);

}  // namespace pw
