#pragma once
// One record per emitter geometry class and version (fuzz seeds too).
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/geometry_emitters_writer.h"
#include "tools/writer/geometry_writer.h"

namespace geometry_seeds {

inline void Append(std::vector<std::pair<std::string, pw::ByteBuilder>>& seeds) {
  auto add = [&](std::string name, pw::ByteBuilder b) { seeds.emplace_back(std::move(name), std::move(b)); };
  pw::EmitterRecord r;
  r.count = 12;
  r.duration = 0.5f;
  r.pause = 0.25f;
  r.speed = 80;
  r.speedJitter = 30;
  r.geometry.sizeValue = 100;
  r.geometry.sizeEnvelope = {0, 20, 80, 80, 50, 0, 1};
  pw::EmitterRecord old = r;
  old.version = 1;
  pw::ForcesRecord forces;
  forces.gravityMode = 1;
  forces.gravity = 20;
  forces.dragMode = 2;
  pw::ForcesRecord oldForces = forces;
  oldForces.version = 1;
  pw::ByteBuilder sector;
  pw::WriteVFigureSector(sector, 0, 50, 90, 60);
  for (int32_t v = 1; v <= 3; ++v) {
    const pw::EmitterRecord& e = v < 2 ? old : r;
    const pw::ForcesRecord& f = v < 2 ? oldForces : forces;
    pw::ByteBuilder point;
    pw::WriteEmitPoint(point, v, 1, f, 1, e, sector);
    add("geom_emit_point_v" + std::to_string(v), std::move(point));
    pw::ByteBuilder rect;
    pw::WriteEmitRect(rect, v, 30, 40, f, 1, e);
    add("geom_emit_rect_v" + std::to_string(v), std::move(rect));
  }
  for (int32_t v = 1; v <= 2; ++v) {
    pw::ByteBuilder s;
    pw::WriteEmitSector(s, v, 90, 30, forces, v < 2 ? old : r);
    add("geom_emit_sector_v" + std::to_string(v), std::move(s));
    pw::ByteBuilder c;
    pw::WriteEmitCircular(c, v, 2, 20, 50, 1, r);
    add("geom_emit_circular_v" + std::to_string(v), std::move(c));
  }
  pw::GeometryRecord g;
  g.sizeValue = 100;
  pw::ByteBuilder placed;
  pw::WriteGeomPoint(placed, g);
  add("geom_point_v1", std::move(placed));
  pw::ByteBuilder trace;
  pw::WriteGeomTrace(trace, g);
  add("geom_trace_v1", std::move(trace));
  pw::ByteBuilder swarm;
  pw::WriteGeomSwarm(swarm, 6, 25, 10, 10, 100, 50, g);
  add("geom_swarm_v1", std::move(swarm));
  pw::ByteBuilder rect;
  pw::WriteVFigureRect(rect, 300, 200);
  for (int32_t placement : {0, 1}) {
    pw::ByteBuilder group;
    pw::WriteSourceGroup(group, 2, 3, placement, 180, 90, rect, g);
    add("geom_group_placement" + std::to_string(placement), std::move(group));
  }
  pw::ByteBuilder field;
  pw::WriteEmitField(field, 200, 100, 60, r);
  add("geom_emit_field_v1", std::move(field));
  for (int32_t perspective : {0, 1}) {
    pw::ByteBuilder stream;
    pw::WriteEmitStream(stream, {0, 0, 0}, {100, 20, 0}, 20, 70, perspective, r);
    add("geom_emit_stream_depth" + std::to_string(perspective), std::move(stream));
  }
  const pw::NodeList bend{{{0, 0, 0}, {50, 0, 0}, {0, 0, 0}}, {{200, 100, 0}, {0, 0, 0}, {0, -50, 0}}};
  for (int32_t v : {1, 2}) {
    pw::ByteBuilder line;
    pw::WriteEmitLine(line, v, bend, r);
    add("geom_emit_line_v" + std::to_string(v), std::move(line));
  }
  for (int32_t mode : {0, 1}) {
    pw::ByteBuilder path;
    pw::WriteEmitPath(path, mode, 30, 20, bend, r);
    add("geom_emit_path_mode" + std::to_string(mode), std::move(path));
  }
}

}  // namespace geometry_seeds
