#pragma once
// One record per class and version of the trail, curve, exploding-picture
// and text physics and of the text type effects, as the project writer
// writes them (the fuzz seeds are these bytes).
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/geometry_writer.h"
#include "tools/writer/sources_writer.h"

namespace stripe_seeds {

using Seed = std::pair<std::string, pw::ByteBuilder>;

// A text record of two lines (3 and 2 glyphs) with a four-entry atlas.
inline pw::TextPhysicsRecord Text(int32_t version) {
  pw::TextPhysicsRecord r;
  r.version = version;
  r.text.text = u"ABC DE";
  r.text.font.colour = 0x000080FFu;
  r.appearOrder = 1;
  pw::TextLineRecord first;
  first.x = -40;
  first.width = 30;
  first.height = 10;
  for (int i = 0; i < 3; ++i) first.glyphs.push_back(pw::GlyphRecord{2, uint32_t('A' + i), 10.0f * i, 0, 10, 10, 1});
  pw::TextLineRecord second = first;
  second.y = -12;
  second.glyphs.resize(2);
  second.glyphs[1].visible = 0;
  r.lines = {first, second};
  for (int i = 0; i < 4; ++i) r.atlas.push_back(pw::AtlasRecord{uint32_t('A' + i), 0.25f * i, 0, 0.25f * (i + 1), 1});
  if (version >= 3) {
    pw::WriteTxtSlide(r.appear, 2);
    pw::WriteTxtFly(r.disappear);
  }
  r.baseFigure = [] {
    pw::ByteBuilder f;
    pw::WriteVGeom2DRect(f, 200, 100);
    return f;
  }();
  return r;
}

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
  add("txtfade_v1", [] {
    pw::ByteBuilder b;
    pw::WriteTxtFade(b, 50);
    return b;
  }());
  for (int32_t v = 1; v <= 2; ++v) {
    pw::ByteBuilder b;
    pw::WriteTxtSlide(b, v, 90, 40, 30, 20);
    add("txtslide_v" + std::to_string(v), std::move(b));
  }
  add("txtfly_v1", [] {
    pw::ByteBuilder b;
    pw::WriteTxtFly(b);
    return b;
  }());
  add("txtzoom_v1", [] {
    pw::ByteBuilder b;
    pw::WriteTxtZoom(b);
    return b;
  }());
  for (int32_t v = 1; v <= 3; ++v) {
    pw::TextPhysicsRecord r = Text(v);
    pw::ByteBuilder b;
    pw::WriteTextPhysics(b, r);
    add("text_v" + std::to_string(v), std::move(b));
    pw::CrawlRecord c;
    c.direction = 1;
    c.gap = 50;
    pw::ByteBuilder crawl;
    pw::WriteCrawlingText(crawl, c, r);
    add("crawlingtext_v1_text_v" + std::to_string(v), std::move(crawl));
  }
  return seeds;
}

}  // namespace stripe_seeds
