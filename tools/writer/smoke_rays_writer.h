#pragma once
// Writers for "DS_Smoke" and "DS_RadialRays" (version 1 each).
#include <cstdint>

#include "tools/writer/generators_writer.h"

namespace pw {

struct SmokeRecord {
  uint32_t wind = 50;
  OriginGeneratorRecord origin;
};
ByteBuilder& WriteSmoke(ByteBuilder& b, const SmokeRecord& r);

struct RadialRaysRecord {
  uint32_t length = 0, width = 0, count = 0;
  int32_t imageIndex = 0, randomRays = 0;
  uint32_t seed = 0, lengthVariation = 0, turnSpeed = 1;
  int32_t turnMode = 0;
  uint32_t fadeDepth = 0, swingAmplitude = 0;
  StaticGeneratorRecord base;
};
ByteBuilder& WriteRadialRays(ByteBuilder& b, const RadialRaysRecord& r);

}  // namespace pw
