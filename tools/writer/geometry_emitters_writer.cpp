#include "tools/writer/geometry_emitters_writer.h"

#include "tools/writer/geometry_writer.h"
#include "tools/writer/nodes_writer.h"
#include "tools/writer/sources_writer.h"
#include "tools/writer/values_writer.h"

namespace pw {

namespace {

ByteBuilder& WriteForces(ByteBuilder& b, const ForcesRecord& f) {
  return WriteStandardForcesParams(b, f.version, f.gravityMode, f.gravity, f.dragMode, f.drag);
}

}  // namespace

ByteBuilder& WriteGeometryBase(ByteBuilder& b, const GeometryRecord& r) {
  b.WideString(u"ZVI_PtclSys_Geometry").I32(1);
  b.WideString(u"");
  b.F32(r.position[0]).F32(r.position[1]).F32(r.position[2]);
  WriteVariationParams(b, r.sizeSwing, r.sizeSwingRate, r.sizeSwingMode);
  WriteVariationParams(b, 100, 50, 0);
  b.U32(r.sizeValue).U32(r.sizeJitter).U32(r.transparency).U32(r.alphaJitter);
  WriteScaledParamGroup(b, r.sizeEnvelope);
  WriteScaledParamGroup(b, r.alphaEnvelope);
  WriteVariationParams(b, 50, 50, 0);
  WriteVariationParams(b, 50, 50, 0);
  return WriteSpinParams(b, 0, 0, 0, 0, 0, 0);
}

ByteBuilder& WriteEmitterBase(ByteBuilder& b, int32_t version, const EmitterRecord& r, const ByteBuilder& figure) {
  b.WideString(u"ZVI_PSGeometry_Emitter").I32(version);
  b.F32(r.lifetime).U32(r.count).F32(r.duration).F32(r.pause).F32(r.delay);
  b.U32(r.speed).U32(r.speedJitter).I32(r.parentRelative);
  if (version >= 2) {
    if (figure.size() == 0) {
      WriteVFigureRect(b, 100, 100);
    } else {
      b.Append(figure);
    }
  }
  return WriteGeometryBase(b, r.geometry);
}

ByteBuilder& WriteEmitPoint(ByteBuilder& b, int32_t version, int32_t spatial, const ForcesRecord& forces,
                            int32_t inward, const EmitterRecord& r, const ByteBuilder& figure) {
  b.WideString(u"ZVI_PSGeomEmit_Point").I32(version);
  if (version < 2) b.U32(0).U32(90).U32(50);
  b.I32(spatial);
  WriteForces(b, forces);
  if (version >= 3) b.I32(inward);
  return WriteEmitterBase(b, r.version, r, figure);
}

ByteBuilder& WriteEmitCircular(ByteBuilder& b, int32_t version, int32_t sense, uint32_t radialSpeed,
                               uint32_t radialJitter, int32_t radialInward, const EmitterRecord& r,
                               const ByteBuilder& figure) {
  b.WideString(u"ZVI_PSGeomEmit_Circular").I32(version);
  b.I32(sense);
  if (version >= 2) b.U32(radialSpeed).U32(radialJitter).I32(radialInward);
  return WriteEmitterBase(b, r.version, r, figure);
}

ByteBuilder& WriteEmitSector(ByteBuilder& b, int32_t version, uint32_t direction, uint32_t spread,
                             const ForcesRecord& forces, const EmitterRecord& r, const ByteBuilder& figure) {
  b.WideString(u"ZVI_PSGeomEmit_Sector").I32(version);
  if (version < 2) b.U32(0).U32(90).U32(50);
  b.U32(direction).U32(spread);
  WriteForces(b, forces);
  return WriteEmitterBase(b, r.version, r, figure);
}

ByteBuilder& WriteEmitRect(ByteBuilder& b, int32_t version, uint32_t direction, uint32_t spread,
                           const ForcesRecord& forces, int32_t edgeMode, const EmitterRecord& r,
                           const ByteBuilder& figure) {
  b.WideString(u"ZVI_PSGeomEmit_Rect").I32(version);
  if (version < 2) b.U32(300).U32(200);
  b.U32(direction).U32(spread);
  WriteForces(b, forces);
  if (version >= 3) b.I32(edgeMode);
  return WriteEmitterBase(b, r.version, r, figure);
}

}  // namespace pw

namespace pw {

ByteBuilder& WriteGeomPoint(ByteBuilder& b, const GeometryRecord& r) {
  b.WideString(u"ZVI_PSGeometry_Point").I32(1);
  return WriteGeometryBase(b, r);
}

ByteBuilder& WriteGeomTrace(ByteBuilder& b, const GeometryRecord& r) {
  b.WideString(u"ZVI_PSGeometry_Trace").I32(1);
  return WriteGeometryBase(b, r);
}

ByteBuilder& WriteGeomSwarm(ByteBuilder& b, uint32_t count, uint32_t speed, uint32_t changeRate, uint32_t responseTime,
                            uint32_t width, uint32_t height, const GeometryRecord& r) {
  b.WideString(u"ZVI_PSGeometry_Swarm").I32(1);
  b.U32(count).U32(speed).U32(changeRate).U32(responseTime).U32(width).U32(height);
  return WriteGeometryBase(b, r);
}

ByteBuilder& WriteSourceGroup(ByteBuilder& b, uint32_t rows, uint32_t columns, int32_t placement, uint32_t rowStep,
                              uint32_t columnStep, const ByteBuilder& figure, const GeometryRecord& r) {
  b.WideString(u"ZVI_PSSource_Group").I32(1);
  b.U32(rows).U32(columns).I32(placement).U32(rowStep).U32(columnStep);
  b.WideString(u"ZVI_PtclSys_Source").I32(1);
  b.Append(figure);
  return WriteGeometryBase(b, r);
}

}  // namespace pw

namespace pw {

ByteBuilder& WriteEmitField(ByteBuilder& b, uint32_t width, uint32_t depth, uint32_t tilt, const EmitterRecord& r,
                            const ByteBuilder& figure) {
  b.WideString(u"ZVI_PSGeomEmit_Field").I32(1);
  b.U32(width).U32(depth).U32(tilt);
  return WriteEmitterBase(b, r.version, r, figure);
}

ByteBuilder& WriteEmitStream(ByteBuilder& b, const std::array<float, 3>& start, const std::array<float, 3>& end,
                             uint32_t firstEdge, uint32_t secondEdge, int32_t perspective, const EmitterRecord& r,
                             const ByteBuilder& figure) {
  b.WideString(u"ZVI_PSGeomEmit_Stream").I32(1);
  for (float v : start) b.F32(v);
  for (float v : end) b.F32(v);
  b.U32(firstEdge).U32(secondEdge).I32(perspective);
  return WriteEmitterBase(b, r.version, r, figure);
}

}  // namespace pw

namespace pw {

ByteBuilder& WriteEmitLine(ByteBuilder& b, int32_t version, const NodeList& points, const EmitterRecord& r) {
  b.WideString(u"ZVI_PSGeomEmit_Line").I32(version);
  if (version >= 2) b.WideString(u"ZVI_PSGeometry_Line").I32(1);
  WriteNodeList(b, points);
  return WriteEmitterBase(b, r.version, r);
}

ByteBuilder& WriteEmitPath(ByteBuilder& b, int32_t mode, uint32_t direction, uint32_t spread, const NodeList& points,
                           const EmitterRecord& r) {
  b.WideString(u"ZVI_PSGeomEmit_Path").I32(1);
  b.I32(mode).U32(direction).U32(spread);
  b.WideString(u"ZVI_PSGeometry_Line").I32(1);
  WriteNodeList(b, points);
  return WriteEmitterBase(b, r.version, r);
}

}  // namespace pw
