#pragma once
// Writers for the butterfly ("DS_ButterflyConstructor", versions 1 and 2) and
// the clock ("DS_ClockConstructor", version 1). Each ends with its
// "DS_3D_Obj_Ctrl" record; the defaults are the objects' own.
#include <array>
#include <cstdint>
#include <string>

#include "tools/writer/byte_builder.h"
#include "tools/writer/objects_3d_writer.h"

namespace pw {

struct ButterflyRecord {
  int32_t version = 2;
  std::u16string bodyImageName = u"common_res.dll";
  int64_t bodyImageId = 6;
  std::u16string bodyMeshName = u"common_res.dll";
  int64_t bodyMeshId = 68;
  uint32_t percentages[2] = {50, 50};
  float wingScale = 1.0f;  // version 2 on
  // Wing mesh and picture, size in percent.
  ObjCtrl3DRecord base = [] {
    ObjCtrl3DRecord r;
    r.size = 100;
    r.meshName = u"common_res.dll";
    r.meshId = 69;
    r.view.flag = 1;
    return r;
  }();
};
ByteBuilder& WriteButterfly(ByteBuilder& b, const ButterflyRecord& r);

struct ClockRecord {
  int32_t version = 1;
  // Left, right, top, bottom, centre x, centre y in picture pixels.
  std::array<int32_t, 6> rect{0, 0, 0, 0, 0, 0};
  std::u16string handImageName = u"common_res.dll";
  int64_t handImageId = 72;
  // Plate mesh and face picture, size in picture pixels.
  ObjCtrl3DRecord base = [] {
    ObjCtrl3DRecord r;
    r.size = 400;
    r.meshName = r.imageName = u"common_res.dll";
    r.meshId = 70;
    r.imageId = 71;
    return r;
  }();
};
ByteBuilder& WriteClock(ByteBuilder& b, const ClockRecord& r);

}  // namespace pw
