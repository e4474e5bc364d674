// Classic particles: the step and quad fill of a 10 000-particle fountain
// (colour by life, kinematics with gravity, alpha and size oscillations);
// whole frames of a 1920 x 1080 slide holding it with 16-pixel sprites,
// played by the frame runner on the manual clock; 10 000 vortex particles
// stepped with their swirl; and the time from making a fog's runtime object
// (its 8 s warm-up) to its first frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "particles/imitters/burst_fountain.h"
#include "particles/imitters/splash_spray.h"
#include "particles/imitters/stream_vortex.h"
#include "resources/builtin_resources.h"
#include "tools/frame_runner/frame_runner.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/imitters_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"

namespace {

// 2000 per second living 5 s: 10 000 particles in flow.
pw::FountainRecord Fountain(float x, float y, uint32_t size) {
  pw::FountainRecord r;
  r.rate = 10000;
  pw::BurstRecord& b = r.burst;
  b.source[0] = x;
  b.source[1] = y;
  b.speed = 25;
  b.range = 500;
  b.spread = 120;
  pw::ClassicBlockRecord& k = b.system.block;
  k.image.links = {{u"common_res.dll", 6001}};
  k.particleSize = size;
  k.colours.colours = {0x00FFC080u, 0x004060FFu};
  k.colours.colourMode = 1;
  k.blendMode = 1;
  k.alphaOscillation = {100, 50, 1};
  k.sizeOscillation = {100, 50, 2};
  k.flags = 1;
  k.gravityDirection = 1;
  k.gravity = 10;
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
    pw::ByteBuilder fountain;
    pw::WriteFountain(fountain, Fountain(960.0f, 900.0f, 16));
    slide.drawn.push_back(fountain);
    show.slides.push_back(pw::ByteBuilder());
    pw::WriteSlide(show.slides.back(), slide);
    pw::ByteBuilder manager;
    pw::WriteDocResManager(manager, pw::DocResRecord{});
    const std::string path = "/tmp/bench_classic_particles.qmf";
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

void BM_FountainStepAndFill(benchmark::State& state) {
  if (!OpenRunner()) {
    state.SkipWithError("no headless device");
    return;
  }
  pw::FountainRecord wrapper = Fountain(400.0f, 400.0f, 16);
  pw::ByteBuilder bytes;
  pw::WriteFountain(bytes, wrapper);
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
  std::unique_ptr<DS_ABObj_Constructor> model = ReadObject(ar);
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  auto* mech = static_cast<ZVI_ParticleSystemMech*>(runtime.get());
  float t = 0.0f;
  size_t particles = 0;
  for (auto _ : state) {
    t += 1.0f / 30.0f;
    mech->Update(t);
    particles += mech->system->particles.size();
  }
  state.counters["particles"] = static_cast<double>(mech->system->particles.size());
  state.SetItemsProcessed(static_cast<int64_t>(particles));
}
BENCHMARK(BM_FountainStepAndFill)->Unit(benchmark::kMillisecond);

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

void BM_VortexStep(benchmark::State& state) {
  ZVI_VortexPtclSys v;
  v.source.point.value = D3DXVECTOR3(500.0f, 500.0f, 0.0f);
  v.speed.SetValue(20u);
  v.twist.SetValue(100u);
  v.arms.value = 5;
  v.range.value = 200;               // 5 s of life
  v.counter.rate.SetValue(10000u);   // 2000 per second
  v.ResetTime();
  size_t particles = 0;
  for (auto _ : state) {
    v.Simulate(1.0f / 30.0f);
    particles += v.particles.size();
  }
  state.counters["particles"] = static_cast<double>(v.particles.size());
  state.SetItemsProcessed(static_cast<int64_t>(particles));
}
BENCHMARK(BM_VortexStep)->Unit(benchmark::kMillisecond);

void BM_FogFirstFrame(benchmark::State& state) {
  if (!OpenRunner()) {
    state.SkipWithError("no headless device");
    return;
  }
  pw::SprayPresetRecord r;
  r.className = u"DS_PtclFog";
  r.spray.rate = 20000;  // x 0.01: 200 per second
  r.spray.splash.area = {0, 900, 0, 0, 1000, 0, 1920, 900, 0, 1920, 1000, 0};
  r.spray.splash.life = 800;
  r.spray.splash.speed = 800;
  r.spray.splash.velocitySpread = 180;
  r.spray.splash.system.block.image.links = {{u"common_res.dll", 6003}};
  r.spray.splash.system.block.particleSize = 120;
  pw::ByteBuilder bytes;
  pw::WriteSprayPreset(bytes, r);
  for (auto _ : state) {
    MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
    std::unique_ptr<DS_ABObj_Constructor> model = ReadObject(ar);
    std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
    runtime->Update(0.0f);
    benchmark::DoNotOptimize(runtime.get());
  }
}
BENCHMARK(BM_FogFirstFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
