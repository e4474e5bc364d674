#pragma once
// One record per class and version of the trail, curve, exploding-picture
// and text physics and of the text type effects, as the project writer
// writes them (the fuzz seeds are these bytes).
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/sources_writer.h"

namespace stripe_seeds {

using Seed = std::pair<std::string, pw::ByteBuilder>;

inline std::vector<Seed> All() {
  std::vector<Seed> seeds;
  auto add = [&](std::string name, pw::ByteBuilder b) { seeds.emplace_back(std::move(name), std::move(b)); };
  {
    pw::ByteBuilder b;
    pw::TraceLineRecord r;
    r.lifetime = 5;
    r.size = 12;
    pw::WriteTraceLine(b, r);
    add("traceline_v1", std::move(b));
  }
  for (int32_t cv = 1; cv <= 2; ++cv) {
    pw::CurvesRecord c;
    c.version = cv;
    c.widthJitter = 20;
    const std::string tail = "_curves_v" + std::to_string(cv);
    pw::ByteBuilder l;
    pw::WriteLineCurv(l, 7, c);
    add("linecurv_v1" + tail, std::move(l));
    for (int32_t v = 1; v <= 2; ++v) {
      pw::ByteBuilder f;
      pw::WriteFractalCurv(f, v, 3, 60, 40, c);
      add("fractalcurv_v" + std::to_string(v) + tail, std::move(f));
    }
    pw::ByteBuilder r;
    pw::WriteRandomCurv(r, 6, 40, 30, c);
    add("randomcurv_v1" + tail, std::move(r));
    for (int32_t v = 1; v <= 4; ++v) {
      pw::PerlinCurvRecord p;
      p.version = v;
      p.subdivisions = 3;
      p.octaves = 3;
      p.scroll = 20;
      pw::ByteBuilder b;
      pw::WritePerlinCurv(b, p, c);
      add("perlincurv_v" + std::to_string(v) + tail, std::move(b));
    }
  }
  {
    pw::ExplodingPicRecord r;
    r.wholeMin = 10;
    r.wholeMax = 30;
    r.burstMin = 5;
    r.burstMax = 20;
    r.fragments = 12;
    r.count = 2;
    pw::ByteBuilder b;
    pw::WriteExplodingPic(b, r);
    add("explodingpic_v1", std::move(b));
  }
  return seeds;
}

}  // namespace stripe_seeds
