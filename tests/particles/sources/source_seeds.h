#pragma once
// One record per class and version of the particle sources, as written by
// the project writer (the fuzz seeds are these bytes).
#include <string>
#include <utility>
#include <vector>

#include "tests/particles/sources/geometry_seeds.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/sources_writer.h"

namespace source_seeds {

using Seed = std::pair<std::string, pw::ByteBuilder>;

inline pw::ByteBuilder Rect(uint32_t w = 100, uint32_t h = 100) {
  pw::ByteBuilder b;
  pw::WriteVGeom2DRect(b, w, h);
  return b;
}

inline pw::ByteBuilder Law(int kind, int32_t version) {
  pw::ByteBuilder b;
  switch (kind) {
    case 0: pw::WriteKinematicLaw(b, 120, 10, 1); break;
    case 1: pw::WriteVectorLaw(b, version, 90, 30, 100); break;
    case 2: pw::WriteNormalLaw(b, 45, 0, 80); break;
    case 3: {
      pw::VelocityFieldRecord r;
      r.version = version;
      r.drift = 7;
      r.driftJitter = 20;
      r.driftDirection = 30;
      pw::WriteVelocityFieldLaw(b, version, r);
      break;
    }
    case 4: {
      pw::LoopMotionRecord r;
      r.version = version;
      r.speed = 300;
      r.edgeMode = 1;
      pw::WriteLoopLaw(b, version, r, 1);
      break;
    }
    case 5: pw::WriteRadialLaw(b, version, 1, 70, {1, 2, 3}); break;
    case 6: {
      pw::SpiralMotionRecord r;
      r.version = version;
      r.angular = 45;
      r.radial = 10;
      r.offset = {4, 5, 6};
      r.sense = 2;
      r.inward = 1;
      pw::WriteSpiralLaw(b, version, r, 60);
      break;
    }
    default: pw::WriteTunelLaw(b, 100, 1, 1, 50, 40, {1, 1, 0}); break;
  }
  return b;
}

inline std::vector<Seed> All() {
  std::vector<Seed> seeds;
  auto add = [&](std::string name, pw::ByteBuilder b) { seeds.emplace_back(std::move(name), std::move(b)); };
  // Figure sources with every source version; below version 2 the figure
  // sits in the record.
  for (int32_t sv = 0; sv <= 4; ++sv) {
    pw::SourceRecord s;
    s.version = sv;
    s.count = 20;
    s.cycle = 3;
    s.duration = 0.5f;
    s.pause = 0.25f;
    s.delay = 0.125f;
    s.lifetime = 15;
    for (int32_t v = 1; v <= 2; ++v) {
      pw::ByteBuilder b;
      pw::WriteSourceFig(b, v, Rect(), Law(1, 2), s);
      add("sourcefig_v" + std::to_string(v) + "_source_v" + std::to_string(sv), std::move(b));
    }
  }
  for (int32_t v = 1; v <= 2; ++v) {
    pw::ByteBuilder b;
    pw::LatticeRecord l;
    l.rows = 3;
    l.columns = 4;
    l.rowFlip = 1;
    l.rowDelay = 5;
    l.columnDelay = 10;
    pw::SourceRecord s;
    s.count = 2;
    s.baseFigure = Rect();
    pw::WriteLattice(b, v, Rect(), l, s);
    add("lattice_v" + std::to_string(v), std::move(b));
  }
  {
    pw::ByteBuilder b;
    pw::WriteConstPntGroup(b, 3, Rect());
    add("constpntgroup_v1", std::move(b));
    pw::ByteBuilder c;
    pw::WriteConstPntGroup(c, 2, pw::ByteBuilder(), u"ZVI_PtclSysPhys_PntCloud");
    add("pntcloud_v1", std::move(c));
  }
  pw::NodeList nodes = {pw::NodeRecord{{0, 0, 0}}, pw::NodeRecord{{50, 20, 0}}, pw::NodeRecord{{100, 0, 0}}};
  for (int32_t v = 1; v <= 2; ++v) {
    for (int32_t inner = 1; inner <= 2; ++inner) {
      if (v == 1 && inner == 2) continue;
      pw::TrackRecord t;
      t.inner = inner;
      t.depth = 30;
      t.reverse = 1;
      t.speed = 80;
      t.startPause = 50;
      t.endPause = 25;
      t.hideStart = 1;
      t.count = 2;
      pw::ByteBuilder curve;
      pw::WriteVGeom2DBSpline(curve, nodes);
      pw::ByteBuilder b;
      pw::WriteTrack(b, v, curve, t);
      add("track_v" + std::to_string(v) + "_inner" + std::to_string(inner), std::move(b));
      pw::ByteBuilder p;
      pw::WriteTrackPerspective(p, v, curve, t);
      add("trackdepth_track_v" + std::to_string(v) + "_inner" + std::to_string(inner), std::move(p));
    }
  }
  for (int32_t v = 1; v <= 2; ++v) {
    pw::ByteBuilder s;
    pw::WriteSwarm(s, v, Rect(), {150, 50, 60, 30}, 4);
    add("swarm_v" + std::to_string(v), std::move(s));
    pw::ByteBuilder f;
    pw::WriteFlow(f, v, Rect(), {60, 25, 90, 40}, 3);
    add("flow_v" + std::to_string(v), std::move(f));
  }
  for (int32_t v = 1; v <= 2; ++v) {
    pw::SpotsRecord r;
    r.rows = 2;
    r.columns = 4;
    r.loop = 1;
    r.loopBlock.speed = 200;
    r.lifetime = 20;
    pw::ByteBuilder b;
    pw::WriteFixedSpots(b, v, r, Rect());
    add("fixedspots_v" + std::to_string(v), std::move(b));
  }
  for (int32_t v = 1; v <= 3; ++v) {
    for (int32_t encoding : {1, 2}) {
      pw::RootRecord r;
      r.position = {10, 20, 30};
      r.encoding = encoding;
      r.direction = 1;
      r.speed = 900;
      r.angle = 90;
      r.scale = 50;
      r.transparency = 25;
      pw::ByteBuilder b;
      pw::WriteRootPnt(b, v, r);
      add("rootpnt_v" + std::to_string(v) + "_encoding" + std::to_string(encoding), std::move(b));
    }
  }
  const int32_t lawVersions[][2] = {{1, 1}, {1, 2}, {1, 1}, {1, 2}, {1, 2}, {1, 3}, {1, 2}, {1, 1}};
  for (int kind = 0; kind < 8; ++kind) {
    for (int32_t v = lawVersions[kind][0]; v <= lawVersions[kind][1]; ++v) {
      add("law" + std::to_string(kind) + "_v" + std::to_string(v), Law(kind, v));
    }
  }
  geometry_seeds::Append(seeds);
  return seeds;
}

}  // namespace source_seeds
