#include "tools/writer/render_writer.h"

namespace pw {

ByteBuilder& WriteCameraPoint(ByteBuilder& b, const CameraPointRecord& p) {
  b.U32(p.version).F32(p.x).F32(p.y).F32(p.z).F32(p.duration);
  if (p.version > 0) b.U32(p.zoom);
  return b;
}

ByteBuilder& WriteCamera(ByteBuilder& b, const CameraRecord& r) {
  b.Header(u"DSM_Camera", r.version);
  if (r.version >= 3) {
    b.U32(r.mode).U32(r.viewWidth).U32(r.viewHeight).I32(static_cast<int32_t>(r.points.size()));
    for (const auto& p : r.points) WriteCameraPoint(b, p);
  } else {
    b.U32(r.moving);
  }
  b.U32(r.zoom).U32(r.speed);
  if (r.version >= 2) b.FileLink(r.linkName, static_cast<uint64_t>(r.linkId));
  return b;
}

ByteBuilder& WriteLight(ByteBuilder& b, const LightRecord& r) {
  b.Header(u"DS_2D_Light", r.version);
  if (r.version >= 2) b.FileLink(r.linkName, static_cast<uint64_t>(r.linkId));
  if (r.version >= 3) WriteCamera(b, r.camera);
  return b;
}

ByteBuilder& WriteTextureSource(ByteBuilder& b, const TextureSourceRecord& r) {
  b.Header(r.className, 1);
  if (r.className == u"ZVI_SoftCircleTex") {
    b.U32(r.values[0]).U32(r.values[1]).U32(r.values[2]);
  } else if (r.className == u"ZVI_PolygonTex") {
    for (uint32_t v : r.values) b.U32(v);
  } else if (r.className == u"ZVI_TextTexure") {
    b.WideString(r.text);
    b.I32(1).WideString(r.face).U32(r.fontSize).U32(r.fontOption1).U32(r.fontOption2).U32(r.fontColour).U32(
        r.fontTransparency);
    b.U32(r.paintMode).U32(r.paintColour).U32(r.paintTransparency).U32(r.paintAmount);
  }
  b.Header(u"ZVI_TextureSRC", 1);
  return WriteNamedFileLinkData(b, r.block);
}

ByteBuilder& WriteAlerterTextureSource(ByteBuilder& b, const ByteBuilder& source, uint32_t speed, uint32_t reverse) {
  return b.Append(source).U32(speed).U32(reverse);
}

}  // namespace pw
