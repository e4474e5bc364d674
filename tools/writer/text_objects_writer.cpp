#include "tools/writer/text_objects_writer.h"

#include <cstring>

namespace pw {

namespace {

void Corners(ByteBuilder& b, const QuadCorners12& c) {
  for (float v : c) b.F32(v);
}

void Paint(ByteBuilder& b, const TextPaintRecord& p) { b.I32(p.mode).U32(p.colour).U32(p.transparency).U32(p.amount); }

template <class T>
void Put(std::vector<uint8_t>& out, const T& v) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &v, sizeof(T));
  out.insert(out.end(), bytes, bytes + sizeof(T));
}

}  // namespace

ByteBuilder& WriteTextObjectBase(ByteBuilder& b, const TextObjectBaseRecord& r) {
  b.Header(u"ZVI_Text", 1);
  WriteTextParams(b, r.text);
  return WriteConstructorBase(b, r.base);
}

ByteBuilder& WriteFlatText(ByteBuilder& b, const FlatTextRecord& r) {
  b.Header(u"ZVI_2DTex", 1).FileLink(r.effectName, static_cast<uint64_t>(r.effectId));
  Corners(b, r.corners);
  Paint(b, r.paintA);
  Paint(b, r.paintB);
  Paint(b, r.shadow);
  b.U32(r.value6).U32(r.shadowDirection);
  WriteNamedFileLinkData(b, r.textImages);
  b.I32(r.fillEnabled);
  WriteNamedFileLinkData(b, r.fillImage);
  b.U32(r.fillScale).U32(r.speed);
  b.I32(r.keptInt1).U32(r.keptPercent1).I32(r.keptInt2).U32(r.keptPercent2);
  b.U32(r.keptValues[0]).U32(r.keptValues[1]);
  b.I32(r.appearEffect).I32(r.disappearEffect);
  if (r.timeline.size() == 0) {
    WriteRandomTimeLine(b, {});
  } else {
    b.Append(r.timeline);
  }
  return WriteTextObjectBase(b, r.base);
}

ByteBuilder& WriteTextMesh(ByteBuilder& b, const TextMeshRecord& r) {
  b.I32(r.faces).I32(r.vertices).I32(r.options).I32(r.fvf).I32(r.stride);
  return b.Raw(r.bytes);
}

TextMeshRecord GlyphQuadMesh(const std::vector<GlyphQuad>& glyphs, float z, float nz, const GlyphQuad* extraSubset0) {
  std::vector<std::pair<GlyphQuad, uint32_t>> quads;
  if (extraSubset0) quads.push_back({*extraSubset0, 0u});
  for (size_t i = 0; i < glyphs.size(); ++i) quads.push_back({glyphs[i], static_cast<uint32_t>(i + 1)});
  TextMeshRecord r;
  r.faces = static_cast<int32_t>(quads.size() * 2);
  r.vertices = static_cast<int32_t>(quads.size() * 4);
  std::vector<uint8_t> vertices, indices, attributes;
  for (size_t k = 0; k < quads.size(); ++k) {
    const GlyphQuad& q = quads[k].first;
    const float corners[4][2] = {{q.x0, q.y0}, {q.x1, q.y0}, {q.x0, q.y1}, {q.x1, q.y1}};
    for (const auto& c : corners) {
      Put(vertices, c[0]);
      Put(vertices, c[1]);
      Put(vertices, z);
      Put(vertices, 0.0f);
      Put(vertices, 0.0f);
      Put(vertices, nz);
    }
    const uint16_t base = static_cast<uint16_t>(k * 4);
    for (uint16_t i : {0, 1, 2, 2, 1, 3}) Put(indices, static_cast<uint16_t>(base + i));
    Put(attributes, quads[k].second);
    Put(attributes, quads[k].second);
  }
  r.bytes = vertices;
  r.bytes.insert(r.bytes.end(), indices.begin(), indices.end());
  r.bytes.insert(r.bytes.end(), attributes.begin(), attributes.end());
  return r;
}

ByteBuilder& WriteSolidText(ByteBuilder& b, const SolidTextRecord& r) {
  b.Header(u"ZVI_3DTex", r.version).F32(r.position[0]).F32(r.position[1]).F32(r.position[2]);
  b.U32(r.depth).I32(r.storedInteger).U32(r.ambient).U32(r.lightAngle1).U32(r.lightAngle2);
  b.I32(r.rotationAxis).I32(r.rotationKind).U32(r.rotationAmplitude).U32(r.rotationSpeed);
  b.I32(r.glyphAnimation).I32(r.repeatMode).U32(r.glyphAmplitude);
  b.U32(r.glyphSpeed).U32(r.glyphDelay).U32(r.period);
  WriteTextMesh(b, r.mesh);
  Corners(b, r.textQuad);
  b.I32(static_cast<int32_t>(r.glyphQuads.size()));
  for (const QuadCorners12& q : r.glyphQuads) Corners(b, q);
  if (r.version >= 2) b.U32(r.arcAngle).I32(r.arcSide);
  return WriteTextObjectBase(b, r.base);
}

std::vector<ByteBuilder> TextObjectSampleRecords() {
  std::vector<ByteBuilder> out;
  FlatTextRecord flat;
  flat.textImages.links = {{u"common_res.dll", 40}, {u"common_res.dll", 6001}, {u"common_res.dll", 40}};
  flat.shadow = {1, 0x00404040, 50, 3};
  flat.shadowDirection = 315;
  flat.appearEffect = 2;
  flat.disappearEffect = 6;
  flat.base.text.text = u"Flat";
  flat.base.text.horizontalAlignment = 1;
  WriteFlatText(out.emplace_back(), flat);

  SolidTextRecord solid;
  solid.position[0] = 100;
  solid.position[1] = 60;
  solid.glyphAnimation = 1;
  solid.glyphAmplitude = 50;
  solid.repeatMode = 1;
  solid.period = 10;
  solid.rotationKind = 3;
  solid.rotationAmplitude = 20;
  solid.mesh = GlyphQuadMesh({{0, 0, 0.6f, 1}, {0.7f, 0, 1.3f, 1}, {1.4f, 0, 2, 1}});
  solid.textQuad = {0, 0, 0, 0, 1, 0, 2, 0, 0, 2, 1, 0};
  solid.glyphQuads = {{0, 0, 0, 0, 1, 0, 0.6f, 0, 0, 0.6f, 1, 0},
                      {0.7f, 0, 0, 0.7f, 1, 0, 1.3f, 0, 0, 1.3f, 1, 0},
                      {1.4f, 0, 0, 1.4f, 1, 0, 2, 0, 0, 2, 1, 0}};
  solid.arcAngle = 30;
  solid.base.text.text = u"abc";
  solid.base.text.font.size = 20;
  for (int32_t v : {2, 1}) {
    solid.version = v;
    WriteSolidText(out.emplace_back(), solid);
  }
  return out;
}

}  // namespace pw
