#pragma once
// Writers for the generator records: "DS_ParticleGenerator" (versions 1 to
// 3), "DS_TexParticleGenerator" (1 to 3), the air-brush base "DS_AirBrush"
// (1 to 3) and the four air brushes with their own parts.
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

}  // namespace pw
