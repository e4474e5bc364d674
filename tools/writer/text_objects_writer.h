#pragma once
// Writers for the texts the authoring tool finished: the flat text
// ("ZVI_2DTex", version 1) and the 3-D text ("ZVI_3DTex", versions 1 and 2),
// both ending with the "ZVI_Text" record, and the 3-D text's mesh block.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/slides_writer.h"

namespace pw {

using QuadCorners12 = std::array<float, 12>;  // x, y, z of corners 0..3

// "ZVI_Text" (version 1): the text block, then the base record.
struct TextObjectBaseRecord {
  TextParamsRecord text;
  ConstructorRecord base;
};
ByteBuilder& WriteTextObjectBase(ByteBuilder& b, const TextObjectBaseRecord& r);

// The paint block: mode, colour, transparency, amount.
struct TextPaintRecord {
  int32_t mode = 0;
  uint32_t colour = 0;
  uint32_t transparency = 0;
  uint32_t amount = 0;
};

// "ZVI_2DTex" (version 1).
struct FlatTextRecord {
  std::u16string effectName = u"common_res.dll";
  int64_t effectId = 8001;
  QuadCorners12 corners{10, 10, 0, 10, 40, 0, 90, 10, 0, 90, 40, 0};
  TextPaintRecord paintA, paintB, shadow;
  uint32_t value6 = 0;
  uint32_t shadowDirection = 0;  // degrees
  NamedFileLinkSpec textImages;
  int32_t fillEnabled = 0;
  NamedFileLinkSpec fillImage;
  uint32_t fillScale = 1;
  uint32_t speed = 100;
  int32_t keptInt1 = 0;
  uint32_t keptPercent1 = 100;
  int32_t keptInt2 = 0;
  uint32_t keptPercent2 = 100;
  uint32_t keptValues[2] = {0, 0};
  int32_t appearEffect = 0;
  int32_t disappearEffect = 0;
  ByteBuilder timeline;  // a whole timeline record; empty: a default random one
  TextObjectBaseRecord base;
};
ByteBuilder& WriteFlatText(ByteBuilder& b, const FlatTextRecord& r);

// The mesh block of a 3-D text, written as given (counts may be damaged on
// purpose).
struct TextMeshRecord {
  int32_t faces = 0;
  int32_t vertices = 0;
  int32_t options = 0x110;  // system memory
  int32_t fvf = 0x012;      // XYZ|NORMAL
  int32_t stride = 24;
  std::vector<uint8_t> bytes;  // vertices, 16-bit indices, 32-bit attributes
};
ByteBuilder& WriteTextMesh(ByteBuilder& b, const TextMeshRecord& r);

// A mesh of flat glyph quads in the x-y plane at z, normals (0, 0, nz), two
// faces each; glyph quad i takes attribute i + 1 (subset 0 is left empty
// unless extraSubset0 adds a quad of attribute 0).
struct GlyphQuad {
  float x0, y0, x1, y1;
};
TextMeshRecord GlyphQuadMesh(const std::vector<GlyphQuad>& glyphs, float z = 0.0f, float nz = 1.0f,
                             const GlyphQuad* extraSubset0 = nullptr);

// "ZVI_3DTex" (versions 1 and 2; version 1 has no arc fields).
struct SolidTextRecord {
  int32_t version = 2;
  float position[3] = {0, 0, 0};
  uint32_t depth = 0;
  int32_t storedInteger = 1;
  uint32_t ambient = 0;
  uint32_t lightAngle1 = 90, lightAngle2 = 90;
  int32_t rotationAxis = 0, rotationKind = 0;
  uint32_t rotationAmplitude = 0, rotationSpeed = 100;
  int32_t glyphAnimation = 0, repeatMode = 0;
  uint32_t glyphAmplitude = 0, glyphSpeed = 100, glyphDelay = 0, period = 0;
  TextMeshRecord mesh;
  QuadCorners12 textQuad{};
  std::vector<QuadCorners12> glyphQuads;
  uint32_t arcAngle = 0;  // version 2
  int32_t arcSide = 0;    // version 2
  TextObjectBaseRecord base;
};
ByteBuilder& WriteSolidText(ByteBuilder& b, const SolidTextRecord& r);

// A flat text with three pack images and a 3-D text of three glyphs of
// each version: seeds for the readers.
std::vector<ByteBuilder> TextObjectSampleRecords();

}  // namespace pw
