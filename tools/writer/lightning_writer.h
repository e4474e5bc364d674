#pragma once
// Writers for "DS_StringGenerator" (version 1) and "DS_LightningGN"
// (versions 1 and 2; version 1 carries seven timing values).
#include <array>
#include <cstdint>

#include "tools/writer/generators_writer.h"

namespace pw {

struct StringGeneratorRecord {
  Point3 start{0.0f, 0.0f, 0.0f};
  Point3 end{0.0f, 0.0f, 0.0f};
  TexGeneratorRecord tex;
};
ByteBuilder& WriteStringGenerator(ByteBuilder& b, const StringGeneratorRecord& r);

struct LightningRecord {
  int32_t version = 2;
  uint32_t coreWidth = 0, detail = 0, jitter = 0, seed = 0, branchLength = 0, branchAngle = 0, taper = 0;
  std::array<uint32_t, 3> branches{0, 0, 0};
  std::array<uint32_t, 7> legacy{0, 0, 0, 0, 0, 0, 0};  // version 1 only
  uint32_t flicker = 0, glowWidth = 0;
  int32_t newShapeEachTime = 0;
  StringGeneratorRecord base;
};
ByteBuilder& WriteLightning(ByteBuilder& b, const LightningRecord& r);

}  // namespace pw
