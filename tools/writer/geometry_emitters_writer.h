#pragma once
// Records of the tree nodes' geometries: the shared geometry record, the
// emitter record and the scatter emitters, at any version.
#include <array>
#include <cstdint>

#include "tools/writer/byte_builder.h"
#include "tools/writer/geometry_writer.h"

namespace pw {

struct GeometryRecord {
  std::array<float, 3> position{0, 0, 0};
  uint32_t sizeValue = 0;
  uint32_t sizeJitter = 0;
  uint32_t transparency = 0;
  uint32_t alphaJitter = 0;
  std::array<uint32_t, 7> sizeEnvelope{0, 0, 100, 100, 0, 0, 1};
  std::array<uint32_t, 7> alphaEnvelope{0, 0, 100, 100, 0, 0, 1};
  // The size oscillation: amplitude, frequency (stored values), mode.
  uint32_t sizeSwing = 100, sizeSwingRate = 50;
  int32_t sizeSwingMode = 0;
};

struct EmitterRecord {
  int32_t version = 2;  // the emitter record's own version
  float lifetime = 2.0f;
  uint32_t count = 5;
  float duration = 1.0f;
  float pause = 0.0f;
  float delay = 0.0f;
  uint32_t speed = 0;
  uint32_t speedJitter = 0;
  int32_t parentRelative = 0;
  GeometryRecord geometry;
};

struct ForcesRecord {
  int32_t version = 2;
  int32_t gravityMode = 0;
  uint32_t gravity = 0;
  int32_t dragMode = 0;
  uint32_t drag = 50;
};

// "ZVI_PtclSys_Geometry" version 1 and its fields.
ByteBuilder& WriteGeometryBase(ByteBuilder& b, const GeometryRecord& r);
// "ZVI_PSGeometry_Emitter"; from version 2 the figure record (a rectangle of
// 100 x 100 when none is given), then the geometry record.
ByteBuilder& WriteEmitterBase(ByteBuilder& b, int32_t version, const EmitterRecord& r,
                              const ByteBuilder& figure = ByteBuilder());
ByteBuilder& WriteEmitPoint(ByteBuilder& b, int32_t version, int32_t spatial, const ForcesRecord& forces,
                            int32_t inward, const EmitterRecord& r, const ByteBuilder& figure = ByteBuilder());
ByteBuilder& WriteEmitCircular(ByteBuilder& b, int32_t version, int32_t sense, uint32_t radialSpeed,
                               uint32_t radialJitter, int32_t radialInward, const EmitterRecord& r,
                               const ByteBuilder& figure = ByteBuilder());
ByteBuilder& WriteEmitSector(ByteBuilder& b, int32_t version, uint32_t direction, uint32_t spread,
                             const ForcesRecord& forces, const EmitterRecord& r, const ByteBuilder& figure = ByteBuilder());
ByteBuilder& WriteEmitRect(ByteBuilder& b, int32_t version, uint32_t direction, uint32_t spread,
                           const ForcesRecord& forces, int32_t edgeMode, const EmitterRecord& r,
                           const ByteBuilder& figure = ByteBuilder());

}  // namespace pw

namespace pw {

// "ZVI_PSGeometry_Point" / "ZVI_PSGeometry_Trace" version 1: the geometry record.
ByteBuilder& WriteGeomPoint(ByteBuilder& b, const GeometryRecord& r);
ByteBuilder& WriteGeomTrace(ByteBuilder& b, const GeometryRecord& r);
ByteBuilder& WriteGeomSwarm(ByteBuilder& b, uint32_t count, uint32_t speed, uint32_t changeRate, uint32_t responseTime,
                            uint32_t width, uint32_t height, const GeometryRecord& r);
// "ZVI_PSSource_Group", then "ZVI_PtclSys_Source" with the figure record.
ByteBuilder& WriteSourceGroup(ByteBuilder& b, uint32_t rows, uint32_t columns, int32_t placement, uint32_t rowStep,
                              uint32_t columnStep, const ByteBuilder& figure, const GeometryRecord& r);

}  // namespace pw

namespace pw {

ByteBuilder& WriteEmitField(ByteBuilder& b, uint32_t width, uint32_t depth, uint32_t tilt, const EmitterRecord& r,
                            const ByteBuilder& figure = ByteBuilder());
ByteBuilder& WriteEmitStream(ByteBuilder& b, const std::array<float, 3>& start, const std::array<float, 3>& end,
                             uint32_t firstEdge, uint32_t secondEdge, int32_t perspective, const EmitterRecord& r,
                             const ByteBuilder& figure = ByteBuilder());

}  // namespace pw

namespace pw {

// Version 2 wraps the points in "ZVI_PSGeometry_Line"; version 1 holds them inline.
ByteBuilder& WriteEmitLine(ByteBuilder& b, int32_t version, const NodeList& points, const EmitterRecord& r);
ByteBuilder& WriteEmitPath(ByteBuilder& b, int32_t mode, uint32_t direction, uint32_t spread, const NodeList& points,
                           const EmitterRecord& r);

}  // namespace pw
