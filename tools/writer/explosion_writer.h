#pragma once
// Writer for "DS_ExplosionConstructor" (versions 1 to 3; version 1 carries
// five timing values) on its "DS_StatBaseFXCtrl" record.
#include <array>
#include <cstdint>

#include "tools/writer/sprite_writer.h"

namespace pw {

struct ExplosionRecord {
  int32_t version = 3;
  uint32_t noise1 = 21, noise2 = 15, noise3 = 42;
  uint32_t driftDirection = 0;
  uint32_t driftSpeed = 50;
  std::array<uint32_t, 5> legacy{0, 0, 0, 0, 0};  // version 1 only
  uint32_t seed = 0;
  int32_t randomEachTime = 0;
  uint32_t secondColour = 0;  // COLORREF
  StatBaseFXRecord stat;
};
ByteBuilder& WriteExplosion(ByteBuilder& b, const ExplosionRecord& r);
// A new explosion's record: size 250, view speed 100, centred on a w x h
// picture.
ExplosionRecord DefaultExplosion(float w, float h);

}  // namespace pw
