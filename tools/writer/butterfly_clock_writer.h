#pragma once
// Writers for the butterfly ("DS_ButterflyConstructor", versions 1 and 2) and
// the clock ("DS_ClockConstructor", version 1). Each ends with the bytes of
// its "DS_3D_Obj_Ctrl" record, written by the 3-D object writer.
#include <array>
#include <cstdint>
#include <string>

#include "tools/writer/byte_builder.h"

namespace pw {

struct ButterflyRecord {
  int32_t version = 2;
  std::u16string bodyImageName = u"common_res.dll";
  int64_t bodyImageId = 6;
  std::u16string bodyMeshName = u"common_res.dll";
  int64_t bodyMeshId = 68;
  uint32_t percentages[2] = {50, 50};
  float wingScale = 1.0f;  // version 2 on
  ByteBuilder objCtrl;     // the whole "DS_3D_Obj_Ctrl" record
};
ByteBuilder& WriteButterfly(ByteBuilder& b, const ButterflyRecord& r);

struct ClockRecord {
  int32_t version = 1;
  // Left, right, top, bottom, centre x, centre y in picture pixels.
  std::array<int32_t, 6> rect{0, 0, 0, 0, 0, 0};
  std::u16string handImageName = u"common_res.dll";
  int64_t handImageId = 72;
  ByteBuilder objCtrl;  // the whole "DS_3D_Obj_Ctrl" record
};
ByteBuilder& WriteClock(ByteBuilder& b, const ClockRecord& r);

}  // namespace pw
