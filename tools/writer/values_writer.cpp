#include "tools/writer/values_writer.h"

namespace pw {

ByteBuilder& WriteVGraphKeyBody(ByteBuilder& b, const GraphKeys& keys) {
  b.I32(static_cast<int32_t>(keys.size()));
  for (const auto& k : keys) b.F32(k.first).F32(k.second);
  return b.Header(u"ZVI_VGraph", 1);
}

ByteBuilder& WriteVGraphConst(ByteBuilder& b, int32_t version) {
  return b.Header(u"ZVI_VGraph_Const", version).Header(u"ZVI_VGraph", 1);
}

ByteBuilder& WriteVGraphLine(ByteBuilder& b, const GraphKeys& keys, int32_t version) {
  b.Header(u"ZVI_VGraph_Line", version);
  return WriteVGraphKeyBody(b, keys);
}

ByteBuilder& WriteVGraphStraightLine(ByteBuilder& b, const GraphKeys& keys, int32_t version) {
  b.Header(u"ZVI_VGraph_StraightLine", version);
  return WriteVGraphKeyBody(b, keys);
}

ByteBuilder& WriteVGraphQBezier(ByteBuilder& b, const std::array<float, 6>& control,
                                const GraphKeys& keys, int32_t version) {
  b.Header(u"ZVI_VGraph_QBezier", version);
  for (float f : control) b.F32(f);
  b.Header(u"ZVI_VGraph_Line", 1);
  return WriteVGraphKeyBody(b, keys);
}

ByteBuilder& WriteVGraphGradientLine(ByteBuilder& b, const std::array<float, 4>& ends,
                                     const GraphKeys& keys, int32_t version) {
  b.Header(u"ZVI_VGraph_GradientLine", version);
  for (float f : ends) b.F32(f);
  b.Header(u"ZVI_VGraph_Line", 1);
  return WriteVGraphKeyBody(b, keys);
}

ByteBuilder& WriteJitterGraphParam(ByteBuilder& b, const ByteBuilder& graphRecord, uint32_t value,
                                   uint32_t jitter) {
  return b.Append(graphRecord).U32(value).U32(jitter);
}

ByteBuilder& WriteJitterParam(ByteBuilder& b, uint32_t value, uint32_t jitter) {
  return b.U32(value).U32(jitter);
}

ByteBuilder& WriteColorSetParams(ByteBuilder& b, const ColorSetRecord& block) {
  b.Dword(block.version).I32(static_cast<int32_t>(block.colours.size()));
  for (uint32_t c : block.colours) b.I32(static_cast<int32_t>(c));
  b.Dword(static_cast<uint32_t>(block.colourMode)).Dword(static_cast<uint32_t>(block.pick));
  return b.U32(block.transparency);
}

ByteBuilder& WriteLifeEnvelopeParams(ByteBuilder& b, const std::array<uint32_t, 4>& values) {
  for (uint32_t v : values) b.U32(v);
  return b;
}

ByteBuilder& WriteScaledParamGroup(ByteBuilder& b, const std::array<uint32_t, 7>& values,
                                   uint32_t version) {
  b.Dword(version);
  for (uint32_t v : values) b.U32(v);
  return b;
}

ByteBuilder& WriteVariationParams(ByteBuilder& b, uint32_t amplitude, uint32_t frequency, int32_t mode) {
  return b.U32(amplitude).U32(frequency).Dword(static_cast<uint32_t>(mode));
}

ByteBuilder& WriteMediaQuad(ByteBuilder& b, const std::array<float, 12>& corners) {
  for (float f : corners) b.F32(f);
  return b;
}

ByteBuilder& WriteMediaRectangle(ByteBuilder& b, const std::array<int32_t, 6>& values) {
  for (int32_t v : values) b.Dword(static_cast<uint32_t>(v));
  return b;
}

ByteBuilder& WriteSmartPnt(ByteBuilder& b, float x, float y, float z) { return b.F32(x).F32(y).F32(z); }

ByteBuilder& WriteSmartPoints(ByteBuilder& b, const std::vector<std::array<float, 3>>& points) {
  b.I32(static_cast<int32_t>(points.size()));
  for (const auto& p : points) WriteSmartPnt(b, p[0], p[1], p[2]);
  return b;
}

ByteBuilder& WriteBSplinePnt(ByteBuilder& b, const std::array<float, 3>& position,
                             const std::array<float, 3>& outTangent,
                             const std::array<float, 3>& inTangent, uint32_t version) {
  b.Dword(version);
  for (const auto* v : {&position, &outTangent, &inTangent}) WriteSmartPnt(b, (*v)[0], (*v)[1], (*v)[2]);
  return b;
}

ByteBuilder& WriteCamPathPnt(ByteBuilder& b, const std::array<float, 3>& position, float duration,
                             uint32_t zoom, uint32_t version) {
  b.U32(version);
  WriteSmartPnt(b, position[0], position[1], position[2]).F32(duration);
  if (version > 0) b.U32(zoom);
  return b;
}

}  // namespace pw
