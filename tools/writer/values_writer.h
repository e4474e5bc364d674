#pragma once
// Records of the value blocks: points, quads, rectangles, colour sets,
// envelopes, variations, jitter values and value graphs.
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "tools/writer/byte_builder.h"

namespace pw {

using GraphKeys = std::vector<std::pair<float, float>>;

// Value graph object records (class name, version, fields, base records).
ByteBuilder& WriteVGraphConst(ByteBuilder& b, int32_t version = 1);
ByteBuilder& WriteVGraphLine(ByteBuilder& b, const GraphKeys& keys, int32_t version = 1);
ByteBuilder& WriteVGraphStraightLine(ByteBuilder& b, const GraphKeys& keys, int32_t version = 1);
ByteBuilder& WriteVGraphQBezier(ByteBuilder& b, const std::array<float, 6>& control,
                                const GraphKeys& keys, int32_t version = 1);
ByteBuilder& WriteVGraphGradientLine(ByteBuilder& b, const std::array<float, 4>& ends,
                                     const GraphKeys& keys, int32_t version = 1);
// The key body alone: count, keys, the graph base record.
ByteBuilder& WriteVGraphKeyBody(ByteBuilder& b, const GraphKeys& keys);

// A jitter-graph block: a graph record already built, then value and jitter.
ByteBuilder& WriteJitterGraphParam(ByteBuilder& b, const ByteBuilder& graphRecord, uint32_t value,
                                   uint32_t jitter);
ByteBuilder& WriteJitterParam(ByteBuilder& b, uint32_t value, uint32_t jitter);

struct ColorSetRecord {
  std::vector<uint32_t> colours{0x00FFFFFFu, 0x00000000u};
  int32_t colourMode = 0;
  int32_t pick = 0;
  uint32_t transparency = 0;
  uint32_t version = 1;
};
ByteBuilder& WriteColorSetParams(ByteBuilder& b, const ColorSetRecord& block);

// Fade-in end, fade-out start, start factor, end factor.
ByteBuilder& WriteLifeEnvelopeParams(ByteBuilder& b, const std::array<uint32_t, 4>& values);
// The version word, then the seven values in field order.
ByteBuilder& WriteScaledParamGroup(ByteBuilder& b, const std::array<uint32_t, 7>& values,
                                   uint32_t version = 1);
ByteBuilder& WriteVariationParams(ByteBuilder& b, uint32_t amplitude, uint32_t frequency, int32_t mode);

// x, y, z of corners 0..3.
ByteBuilder& WriteMediaQuad(ByteBuilder& b, const std::array<float, 12>& corners);
// left, right, top, bottom, then the two further integers.
ByteBuilder& WriteMediaRectangle(ByteBuilder& b, const std::array<int32_t, 6>& values);

ByteBuilder& WriteSmartPnt(ByteBuilder& b, float x, float y, float z);
ByteBuilder& WriteSmartPoints(ByteBuilder& b, const std::vector<std::array<float, 3>>& points);
// Version word, position, out tangent, in tangent.
ByteBuilder& WriteBSplinePnt(ByteBuilder& b, const std::array<float, 3>& position,
                             const std::array<float, 3>& outTangent,
                             const std::array<float, 3>& inTangent, uint32_t version = 1);

// Version, x, y, z, duration, then the zoom percent when the version is above 0.
ByteBuilder& WriteCamPathPnt(ByteBuilder& b, const std::array<float, 3>& position, float duration,
                             uint32_t zoom, uint32_t version = 1);

}  // namespace pw
