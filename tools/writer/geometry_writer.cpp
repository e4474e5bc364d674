#include "tools/writer/geometry_writer.h"

#include "tools/writer/values_writer.h"

namespace pw {

namespace {
ByteBuilder& V3(ByteBuilder& b, const Vec3& v) { return b.F32(v[0]).F32(v[1]).F32(v[2]); }

ByteBuilder& NodeFigure(ByteBuilder& b, std::u16string_view name, const NodeList& nodes, int32_t curveVersion) {
  b.Header(name, 1);
  WriteNodeList(b, nodes);
  return WriteVGeom2DCurveBase(b, curveVersion);
}

ByteBuilder& FreeformFields(ByteBuilder& b, const FreeformRecord& f) {
  b.I32(f.integerField).F32(f.totalWeight).I32(static_cast<int32_t>(f.cells.size()));
  for (const auto& c : f.cells) b.U32(1).F32(c.x0).F32(c.y0).F32(c.x1).F32(c.y1).F32(c.cumulative);
  b.U32(1).I32(static_cast<int32_t>(f.bytes.size()));
  if (!f.bytes.empty()) b.Raw(f.bytes.data(), f.bytes.size());
  b.F32(f.bytesFloat);
  return WriteVGeom2DBase(b);
}
}  // namespace

ByteBuilder& WriteNodeList(ByteBuilder& b, const NodeList& nodes) {
  b.I32(static_cast<int32_t>(nodes.size()));
  for (const auto& n : nodes) WriteBSplinePnt(b, n.position, n.outTangent, n.inTangent);
  return b;
}

ByteBuilder& WriteVGeom2DBase(ByteBuilder& b) { return b.Header(u"ZVI_VGeom2D", 1); }

ByteBuilder& WriteVGeom2DCurveBase(ByteBuilder& b, int32_t curveVersion) {
  b.Header(u"ZVI_VGeom2D_Curve", curveVersion);
  if (curveVersion < 2) b.U32(0);
  return WriteVGeom2DBase(b);
}

ByteBuilder& WriteVGeom2DFigureBase(ByteBuilder& b, const Vec3& centre) {
  b.Header(u"ZVI_VGeom2D_Figure", 1);
  V3(b, centre);
  return WriteVGeom2DBase(b);
}

ByteBuilder& WriteVGeom2DPolyline(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion) {
  return NodeFigure(b, u"ZVI_VGeom2D_Polyline", nodes, curveVersion);
}

ByteBuilder& WriteVGeom2DLineSegment(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion) {
  b.Header(u"ZVI_VGeom2D_LineSegment", 1).Header(u"ZVI_VGeom2D_Polyline", 1);
  WriteNodeList(b, nodes);
  return WriteVGeom2DCurveBase(b, curveVersion);
}

ByteBuilder& WriteVGeom2DCubicSpline(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion) {
  return NodeFigure(b, u"ZVI_VGeom2D_CubicSpline", nodes, curveVersion);
}

ByteBuilder& WriteVGeom2DLoop(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion) {
  return NodeFigure(b, u"ZVI_VGeom2D_Loop", nodes, curveVersion);
}

ByteBuilder& WriteVGeom2DBSpline(ByteBuilder& b, const NodeList& nodes, int32_t curveVersion) {
  return NodeFigure(b, u"ZVI_VGeom2D_BSpline", nodes, curveVersion);
}

ByteBuilder& WriteVGeom2DRect(ByteBuilder& b, uint32_t width, uint32_t height, const Vec3& centre) {
  b.Header(u"ZVI_VGeom2D_Rect", 1).U32(width).U32(height);
  return WriteVGeom2DFigureBase(b, centre);
}

ByteBuilder& WriteVGeom2DSector(ByteBuilder& b, uint32_t outer, uint32_t inner, uint32_t direction, uint32_t spread,
                                const Vec3& centre) {
  b.Header(u"ZVI_VGeom2D_Sector", 1).U32(outer).U32(inner).U32(direction).U32(spread);
  return WriteVGeom2DFigureBase(b, centre);
}

ByteBuilder& WriteVGeom2DSpiral(ByteBuilder& b, const SpiralRecord& s) {
  b.Header(u"ZVI_VGeom2D_Spiral", 1).U32(s.radius);
  b.U32(1).U32(s.start).U32(s.step).U32(s.arms).I32(s.sense).U32(s.twist);
  return WriteVGeom2DFigureBase(b, s.centre);
}

ByteBuilder& WriteVGeom2DSphere(ByteBuilder& b, uint32_t radius, const Vec3& centre) {
  b.Header(u"ZVI_VGeom2D_Sphere", 1).U32(radius);
  return WriteVGeom2DFigureBase(b, centre);
}

ByteBuilder& WriteVGeom2DStripe(ByteBuilder& b, const ByteBuilder& centreFigure, const ByteBuilder& widthBlock,
                                uint32_t start, uint32_t end, int32_t version) {
  b.Header(u"ZVI_VGeom2D_Stripe", version).Append(centreFigure).Append(widthBlock);
  if (version >= 2) b.U32(start).U32(end);
  return WriteVGeom2DBase(b);
}

ByteBuilder& WriteVGeom2DFreeform(ByteBuilder& b, const FreeformRecord& freeform) {
  b.Header(u"ZVI_VGeom2D_Freeform", 1);
  return FreeformFields(b, freeform);
}

ByteBuilder& WriteTextParams(ByteBuilder& b, const TextParamsRecord& t) {
  b.Dword(t.version).WideString(t.text);
  b.Dword(1).WideString(t.font.face).U32(t.font.size).I32(t.font.option1).I32(t.font.option2);
  b.U32(t.font.colour).U32(t.font.transparency);
  b.I32(t.verticalAlignment).I32(t.horizontalAlignment);
  if (t.version >= 2) b.I32(t.layoutOption);
  return b;
}

ByteBuilder& WriteVGeom2DText(ByteBuilder& b, const TextParamsRecord& text, const Vec3& offset,
                              const FreeformRecord& cells) {
  b.Header(u"ZVI_VGeom2D_Text", 1);
  WriteTextParams(b, text);
  V3(b, offset);
  b.Header(u"ZVI_VGeom2D_Freeform", 1);
  return FreeformFields(b, cells);
}

ByteBuilder& WriteVFigureRect(ByteBuilder& b, uint32_t width, uint32_t height, const Vec3& position) {
  b.Header(u"ZVI_VFigure_Rect", 1).U32(width).U32(height).Header(u"ZVI_VFigure", 1);
  return V3(b, position);
}

ByteBuilder& WriteVFigureSector(ByteBuilder& b, uint32_t inner, uint32_t outer, uint32_t direction, uint32_t spread,
                                const Vec3& position) {
  b.Header(u"ZVI_VFigure_Sector", 1).U32(inner).U32(outer).U32(direction).U32(spread);
  b.Header(u"ZVI_VFigure", 1);
  return V3(b, position);
}

ByteBuilder& WriteVFigureBSpline(ByteBuilder& b, const NodeList& points, const Vec3& position) {
  b.Header(u"ZVI_VFigure_BSpline", 1);
  WriteNodeList(b, points);
  b.Header(u"ZVI_VFigure", 1);
  return V3(b, position);
}

ByteBuilder& WriteVGradientLinear(ByteBuilder& b, const Vec3& start, const Vec3& end, uint32_t startValue,
                                  uint32_t endValue) {
  b.Header(u"ZVI_VGradient_Linear", 1);
  V3(b, start);
  V3(b, end);
  return b.U32(startValue).U32(endValue).Header(u"ZVI_VGradient", 1);
}

ByteBuilder& WriteVGradientCircular(ByteBuilder& b, const Vec3& centre, const Vec3& edge, uint32_t startValue,
                                    uint32_t endValue) {
  b.Header(u"ZVI_VGradient_Circular", 1).Header(u"ZVI_VGradient_Linear", 1);
  V3(b, centre);
  V3(b, edge);
  return b.U32(startValue).U32(endValue).Header(u"ZVI_VGradient", 1);
}

}  // namespace pw
