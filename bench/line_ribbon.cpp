// Line ribbons: BuildRibbon over a 10-segment spline of about 1 000
// samples, a shooting line's update with about 60 live trails, and whole
// 1920 x 1080 frames of a slide holding a growing line, a multiply ribbon
// and a turning static object, played by the frame runner.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "scene/line_effects.h"
#include "scene/shooting_lines.h"
#include "tools/frame_runner/frame_runner.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/line_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"

namespace {

pw::ClassicBlockRecord Dot() {
  pw::ClassicBlockRecord k;
  k.image.links = {{u"common_res.dll", 6001}};
  k.image.currentName = u"common_res.dll";
  k.image.currentId = 6001;
  k.particleSize = 24;
  return k;
}

// Eleven points zig-zagging across the picture: ten segments of 100 samples.
std::vector<pw::SplinePointRecord> Zigzag(float y, float amplitude) {
  std::vector<pw::SplinePointRecord> points;
  for (int i = 0; i <= 10; ++i) {
    const float x = 100.0f + 170.0f * static_cast<float>(i);
    points.push_back({{x, y + (i % 2 ? amplitude : -amplitude), 0}, {50, 0, 0}, {-50, 0, 0}});
  }
  return points;
}

pw::GrowingLineRecord Growing(float y, int32_t blend) {
  pw::GrowingLineRecord r;
  r.base.width = 40;
  r.base.line.points = Zigzag(y, 120.0f);
  r.base.line.ribbon = Dot();
  r.base.line.ribbon.blendMode = blend;
  r.base.line.ribbon.colours.colours = {blend ? 0x000080FFu : 0x0040E0FFu};
  r.base.line.showParticles = 1;
  r.base.line.system.block = Dot();
  return r;
}

bool OpenRunner() {
  static int state = 0;
  if (state == 0) {
    state = -1;
    pw::SlideShowRecord show;
    pw::SlideRecord slide;
    slide.showTime = 1000.0f;
    pw::LightRecord light;
    WriteLight(slide.renderContext, light);
    slide.drawn.emplace_back();
    pw::WriteGrowingLine(slide.drawn.back(), Growing(300.0f, 0));
    // LINE_BENCH_PLAIN=1 leaves the multiply ribbon out, to see its share.
    const char* plain = std::getenv("LINE_BENCH_PLAIN");
    if (!plain || plain[0] != '1') {
      slide.drawn.emplace_back();
      pw::WriteGrowingLine(slide.drawn.back(), Growing(700.0f, 1));
    }
    pw::StaticObjectRecord o;
    o.rotationSpeed = 75;
    o.base.corners = {760, 440, 0, 760, 640, 0, 1160, 440, 0, 1160, 640, 0};
    o.base.system.block = Dot();
    slide.drawn.emplace_back();
    pw::WriteStaticObject(slide.drawn.back(), o);
    show.slides.push_back(pw::ByteBuilder());
    pw::WriteSlide(show.slides.back(), slide);
    pw::ByteBuilder manager;
    pw::WriteDocResManager(manager, pw::DocResRecord{});
    const std::string path = "/tmp/bench_line_ribbon.qmf";
    if (!pw::BuildProject(show, manager).SaveTo(path)) return false;
    runner::Options options;
    options.project = path;
    options.width = 1920;
    options.height = 1080;
    std::string error;
    if (!runner::Open(options, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return false;
    }
    state = 1;
  }
  return state == 1;
}

template <class T, class Record, class Write>
std::unique_ptr<DS_ABObj> Runtime(const Record& record, Write write) {
  pw::ByteBuilder bytes;
  write(bytes, record);
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
  std::unique_ptr<DS_ABObj_Constructor> model = ReadObject(ar);
  return std::unique_ptr<DS_ABObj>(model->CreateRuntime());
}

void BM_BuildRibbon(benchmark::State& state) {
  if (!OpenRunner()) {
    state.SkipWithError("no headless device");
    return;
  }
  auto runtime = Runtime<ZVI_GrovingLine>(Growing(500.0f, 0), pw::WriteGrowingLine);
  auto* line = static_cast<ZVI_GrovingLine*>(static_cast<ZVI_ParticleSystemMech*>(runtime.get())->system);
  const float P = line->PathLength();
  for (auto _ : state) line->BuildRibbon(0.0f, P);
  state.counters["samples"] = static_cast<double>(line->samples.size());
  state.counters["quads"] = static_cast<double>(static_cast<ZVI_ParticleSystemMech*>(runtime.get())->CountAt(0));
}
BENCHMARK(BM_BuildRibbon)->Unit(benchmark::kMicrosecond);

void BM_ShootingLineUpdate(benchmark::State& state) {
  if (!OpenRunner()) {
    state.SkipWithError("no headless device");
    return;
  }
  // A shot every 0.1 s living 5 s on the path, its trail 1 s more: 60 trails.
  pw::ShootingLineRecord r;
  r.points = {{{100, 500, 0}, {333, 0, 0}, {0, 0, 0}}, {{1100, 500, 0}, {0, 0, 0}, {-333, 0, 0}}};
  r.ribbon = Dot();
  r.system.block = Dot();
  r.shotMin = r.shotMax = 0.1f;
  r.speed = 200;
  r.tailLength = 200;
  r.amplitude = 20;
  r.frequency = 100;
  r.width = 12;
  auto runtime = Runtime<ZVI_ShootingLine>(r, pw::WriteShootingLine);
  auto* line = static_cast<ZVI_ShootingLine*>(static_cast<ZVI_ParticleSystemMech*>(runtime.get())->system);
  float t = 0.0f;
  for (int k = 0; k < 60; ++k) line->UpdateParticles(t += 1.0f / 30.0f);
  for (auto _ : state) line->UpdateParticles(t += 1.0f / 30.0f);
  state.counters["trails"] = static_cast<double>(line->trails.size());
}
BENCHMARK(BM_ShootingLineUpdate)->Unit(benchmark::kMillisecond);

void BM_FullHdFrames(benchmark::State& state) {
  if (!OpenRunner()) {
    state.SkipWithError("no headless device");
    return;
  }
  double t = 0.0;
  for (auto _ : state) {
    t += 1.0 / 30.0;
    runner::FrameAt(t);
  }
}
BENCHMARK(BM_FullHdFrames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
