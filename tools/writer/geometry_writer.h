#pragma once
// Records of the 2D figures, emitter figures and gradients. Each Write*
// function writes a whole object record: class name, version, fields, base
// records. Older layouts are written on request through the version arguments.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"

namespace pw {

using Vec3 = std::array<float, 3>;

// A curve node or B-spline point: position and tangents.
struct NodeRecord {
  Vec3 position{0, 0, 0};
  Vec3 outTangent{0, 0, 0};
  Vec3 inTangent{0, 0, 0};
};
using NodeList = std::vector<NodeRecord>;

// Count, then 40 bytes per node.
ByteBuilder& WriteNodeList(ByteBuilder& b, const NodeList& nodes);
// "ZVI_VGeom2D", version 1.
ByteBuilder& WriteVGeom2DBase(ByteBuilder& b);
// "ZVI_VGeom2D_Curve" with its version (an extra u32 below 2), then the figure base.
ByteBuilder& WriteVGeom2DCurveBase(ByteBuilder& b, int32_t curveVersion = 2);
// "ZVI_VGeom2D_Figure", version 1, centre, then the figure base.
ByteBuilder& WriteVGeom2DFigureBase(ByteBuilder& b, const Vec3& centre);

ByteBuilder& WriteVGeom2DPolyline(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion = 2);
ByteBuilder& WriteVGeom2DLineSegment(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion = 2);
ByteBuilder& WriteVGeom2DCubicSpline(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion = 2);
ByteBuilder& WriteVGeom2DLoop(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion = 2);
ByteBuilder& WriteVGeom2DBSpline(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion = 2);

ByteBuilder& WriteVGeom2DRect(ByteBuilder& b, uint32_t width, uint32_t height, const Vec3& centre = {0, 0, 0});
ByteBuilder& WriteVGeom2DSector(ByteBuilder& b, uint32_t outer, uint32_t inner, uint32_t direction,
                                uint32_t spread, const Vec3& centre = {0, 0, 0});

struct SpiralRecord {
  uint32_t radius = 300;
  uint32_t start = 0;
  uint32_t step = 45;
  uint32_t arms = 3;
  int32_t sense = 0;
  uint32_t twist = 100;
  Vec3 centre{0, 0, 0};
};
// Written under the registered class name "ZVI_VGeom2D_Spiral".
ByteBuilder& WriteVGeom2DSpiral(ByteBuilder& b, const SpiralRecord& spiral);
ByteBuilder& WriteVGeom2DSphere(ByteBuilder& b, uint32_t radius, const Vec3& centre = {0, 0, 0});

// A centre figure record and a jitter-graph block already built; version 1
// has no start and end.
ByteBuilder& WriteVGeom2DStripe(ByteBuilder& b, const ByteBuilder& centreFigure, const ByteBuilder& widthBlock,
                                uint32_t start = 0, uint32_t end = 100, int32_t version = 2);

struct FreeformCellRecord {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0, cumulative = 0;
};
struct FreeformRecord {
  int32_t integerField = 1;
  float totalWeight = 0;
  std::vector<FreeformCellRecord> cells;
  std::vector<uint8_t> bytes;
  float bytesFloat = 0;
};
ByteBuilder& WriteVGeom2DFreeform(ByteBuilder& b, const FreeformRecord& freeform);

struct TextFontRecord {
  std::u16string face;
  uint32_t size = 0;
  int32_t option1 = 0, option2 = 0;
  uint32_t colour = 0;
  uint32_t transparency = 0;
};
struct TextParamsRecord {
  uint32_t version = 2;  // 1 has no layout option
  std::u16string text;
  TextFontRecord font;
  int32_t verticalAlignment = 0, horizontalAlignment = 0, layoutOption = 0;
};
ByteBuilder& WriteTextParams(ByteBuilder& b, const TextParamsRecord& text);
ByteBuilder& WriteVGeom2DText(ByteBuilder& b, const TextParamsRecord& text, const Vec3& offset,
                              const FreeformRecord& cells);

ByteBuilder& WriteVFigureRect(ByteBuilder& b, uint32_t width, uint32_t height, const Vec3& position = {0, 0, 0});
ByteBuilder& WriteVFigureSector(ByteBuilder& b, uint32_t inner, uint32_t outer, uint32_t direction, uint32_t spread,
                                const Vec3& position = {0, 0, 0});
ByteBuilder& WriteVFigureBSpline(ByteBuilder& b, const NodeList& points, const Vec3& position = {0, 0, 0});

ByteBuilder& WriteVGradientLinear(ByteBuilder& b, const Vec3& start, const Vec3& end, uint32_t startValue = 100,
                                  uint32_t endValue = 0);
ByteBuilder& WriteVGradientCircular(ByteBuilder& b, const Vec3& centre, const Vec3& edge, uint32_t startValue = 100,
                                    uint32_t endValue = 0);

}  // namespace pw
