#pragma once
// Records of the slide render context, its camera and the texture sources.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/docres_writer.h"

namespace pw {

// A camera path point: version, x, y, z, duration, zoom (version 1 on).
struct CameraPointRecord {
  uint32_t version = 1;
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float duration = 5.0f;
  uint32_t zoom = 100;
};
ByteBuilder& WriteCameraPoint(ByteBuilder& b, const CameraPointRecord& p);

// "DSM_Camera" (versions 1 to 3).
struct CameraRecord {
  int32_t version = 3;
  uint32_t mode = 0;                    // version 3 on
  uint32_t viewWidth = 0, viewHeight = 0;
  std::vector<CameraPointRecord> points;
  uint32_t moving = 0;                  // versions 1 and 2: the mode flag
  uint32_t zoom = 120;
  uint32_t speed = 50;
  std::u16string linkName = u"common_res.dll";  // version 2 on
  int64_t linkId = 6;
};
ByteBuilder& WriteCamera(ByteBuilder& b, const CameraRecord& r);

// "DS_2D_Light" (versions 1 to 3).
struct LightRecord {
  int32_t version = 3;
  std::u16string linkName = u"common_res.dll";  // version 2 on
  int64_t linkId = 5;
  CameraRecord camera;                           // version 3
};
ByteBuilder& WriteLight(ByteBuilder& b, const LightRecord& r);

// A texture source record of the named class, version 1 for both headers.
struct TextureSourceRecord {
  std::u16string className = u"ZVI_ResIDTex";
  // ZVI_SoftCircleTex: first, second, third; ZVI_PolygonTex: all five.
  uint32_t values[5] = {0, 0, 0, 0, 0};
  // ZVI_TextTexure.
  std::u16string text;
  std::u16string face;
  uint32_t fontSize = 0, fontOption1 = 0, fontOption2 = 0, fontColour = 0, fontTransparency = 0;
  uint32_t paintMode = 0, paintColour = 0, paintTransparency = 0, paintAmount = 0;
  NamedFileLinkSpec block;
};
ByteBuilder& WriteTextureSource(ByteBuilder& b, const TextureSourceRecord& r);

// The held source (already written), the speed value and the reverse flag.
ByteBuilder& WriteAlerterTextureSource(ByteBuilder& b, const ByteBuilder& source, uint32_t speed, uint32_t reverse);

}  // namespace pw
