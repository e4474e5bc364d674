#pragma once
// Writers for the 3-D objects: "DS_3D_in_2D_array_Constructor" (version 1)
// and the "DS_3D_Obj_Ctrl" base record (version 1) that the butterfly and
// clock records end with.
#include <cstdint>
#include <string>

#include "tools/writer/byte_builder.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/sprite_writer.h"

namespace pw {

struct Array3DIn2DRecord {
  int32_t version = 1;
  std::u16string name;
  uint32_t count = 0;
  EmbeddedFileSpec mesh;
  EmbeddedFileSpec texture;
  uint32_t size = 0;
  uint32_t speed = 50;
  uint32_t sway = 0;
  uint32_t changeRate = 0;
  uint32_t spin = 100;
  uint32_t direction = 0;  // degrees
  ConstructorRecord base;
};
// The class name and version, the fields, then the "DS_ABObj_Constructor" record.
ByteBuilder& Write3DIn2DArray(ByteBuilder& b, const Array3DIn2DRecord& r);
// Two falling copies of a small stored plate mesh (a text .X), without a picture.
Array3DIn2DRecord Sample3DIn2DArray();

struct ObjCtrl3DRecord {
  int32_t version = 1;
  uint32_t count = 1;
  uint32_t size = 50;
  std::u16string imageName;
  int64_t imageId = 0;
  std::u16string meshName;
  int64_t meshId = 0;
  ViewObjRecord view;
};
// "DS_3D_Obj_Ctrl", the version, the fields, then the "DS_ViewObjCtrl" record.
ByteBuilder& Write3DObjCtrl(ByteBuilder& b, const ObjCtrl3DRecord& r);

}  // namespace pw
