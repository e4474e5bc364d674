// Noise evaluated per particle per frame: the value noises and the
// gradient noise over a fixed field of sample points.
#include <benchmark/benchmark.h>

#include "core/noise.h"

static void BM_OctaveNoise1D(benchmark::State& state) {
  double x = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(OctaveNoise1D(static_cast<int32_t>(state.range(0)), x, 3.0, 0.5));
    x += 0.013;
  }
}
BENCHMARK(BM_OctaveNoise1D)->Arg(1)->Arg(4)->Arg(8);

static void BM_SmoothNoise2D(benchmark::State& state) {
  double y = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(SmoothNoise2D(17.0, y));
    y += 0.013;
  }
}
BENCHMARK(BM_SmoothNoise2D);

static void BM_ImprovedNoise(benchmark::State& state) {
  ImprovedNoise noise(42u);
  double t = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(noise.Noise(t, t * 0.5, 3.25));
    t += 0.017;
  }
}
BENCHMARK(BM_ImprovedNoise);

BENCHMARK_MAIN();
