#include "tools/writer/objects_3d_writer.h"

namespace pw {

ByteBuilder& Write3DIn2DArray(ByteBuilder& b, const Array3DIn2DRecord& r) {
  b.Header(u"DS_3D_in_2D_array_Constructor", r.version);
  b.WideString(r.name);
  b.U32(r.count);
  WriteEmbeddedFileSpec(b, r.mesh);
  WriteEmbeddedFileSpec(b, r.texture);
  b.U32(r.size).U32(r.speed).U32(r.sway).U32(r.changeRate).U32(r.spin).U32(r.direction);
  return WriteConstructorBase(b, r.base);
}

Array3DIn2DRecord Sample3DIn2DArray() {
  static const char kPlate[] =
      "xof 0303txt 0032\nMesh {\n 4;\n -1;-1;0;,\n 1;-1;0;,\n -1;1;0;,\n 1;1;0;;\n"
      " 2;\n 3;0,1,2;,\n 3;2,1,3;;\n}\n";
  Array3DIn2DRecord r;
  r.name = u"leaves";
  r.base.name = u"leaves";
  r.count = 2;
  r.mesh.path = u"plate.x";
  r.mesh.bytes.assign(kPlate, kPlate + sizeof kPlate - 1);
  r.size = 32;
  r.sway = 20;
  r.changeRate = 10;
  r.direction = 270;
  return r;
}

ByteBuilder& Write3DObjCtrl(ByteBuilder& b, const ObjCtrl3DRecord& r) {
  b.Header(u"DS_3D_Obj_Ctrl", r.version);
  b.U32(r.count).U32(r.size);
  b.FileLink(r.imageName, static_cast<uint64_t>(r.imageId));
  b.FileLink(r.meshName, static_cast<uint64_t>(r.meshId));
  return WriteViewObjCtrl(b, r.view);
}

}  // namespace pw
