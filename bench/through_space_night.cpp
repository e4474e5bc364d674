// Flight through space: the projected quad fill of 10 000 particles (the
// projection about the centre, the atlas mapping and the alpha factor per
// particle), and whole 1920 x 1080 frames of the sample's Night slide (its
// starfield, fireflies and generators) played by the frame runner.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/crt.h"
#include "particles/imitters/through_space.h"
#include "tools/frame_runner/frame_runner.h"

namespace {

void BM_ThroughSpaceProjectedFill(benchmark::State& state) {
  ZVI_ThroughSpaceCtrl s;
  s.centre.value = D3DXVECTOR3(960.0f, 540.0f, 0.0f);
  s.params.particleSize.value = 4;
  s.params.orientation.value = 1;  // turned away from the centre
  constexpr int kParticles = 10000;
  for (int i = 0; i < kParticles; ++i) {
    const D3DXVECTOR3 where(crt_rand01() * 400.0f + 760.0f, crt_rand01() * 300.0f + 390.0f,
                            0.05f + 0.95f * crt_rand01());
    s.particles.push_back(ClassicParticlePtr(new ClassicParticle(where)));
  }
  std::vector<DX_V::PCT> quads(4 * kParticles);
  size_t done = 0;
  for (auto _ : state) {
    DX_V::PCT* v = quads.data();
    for (const auto& p : s.particles) {
      s.WriteQuad(*p, 1.0f, v);
      v[0].color = static_cast<D3DCOLOR>(255.0f * s.params.AlphaFactor(*p));
      v += 4;
    }
    benchmark::DoNotOptimize(quads.data());
    done += s.particles.size();
  }
  state.SetItemsProcessed(static_cast<int64_t>(done));
}
BENCHMARK(BM_ThroughSpaceProjectedFill)->Unit(benchmark::kMicrosecond);

// The sample at 1920 x 1080, played on to its Night slide (the fourth).
bool OpenOnNight(double* t) {
  static int state = 0;
  static double start = 0.0;
  if (state == 0) {
    state = -1;
    runner::Options options;
    options.width = 1920;
    options.height = 1080;
    std::string error;
    if (!runner::Open(options, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return false;
    }
    double u = 0.0;
    while (runner::CurrentSlideIndex() != 3 && u < 60.0) runner::FrameAt(u += 0.5);
    // Into the shown part, past the fade-in.
    for (int k = 0; k < 10; ++k) runner::FrameAt(u += 0.1);
    if (runner::CurrentSlideIndex() != 3) return false;
    start = u;
    state = 1;
  }
  *t = start;
  return state == 1;
}

void BM_NightSlideFullHdFrames(benchmark::State& state) {
  double t = 0.0;
  if (!OpenOnNight(&t)) {
    state.SkipWithError("no headless device or no Night slide");
    return;
  }
  for (auto _ : state) runner::FrameAt(t += 1.0 / 30.0);
}
// Two seconds of the slide's shown part.
BENCHMARK(BM_NightSlideFullHdFrames)->Unit(benchmark::kMillisecond)->Iterations(60);

}  // namespace

BENCHMARK_MAIN();
