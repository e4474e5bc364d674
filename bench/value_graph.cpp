// Per-particle look-ups: a value graph over the particle's age (a fresh
// cursor each time, and one cursor kept while the ages increase) and a colour
// gradient.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/colour_params.h"
#include "geometry/value_graph.h"

namespace {

ZVI_VGraph_Line MakeGraph(int keys) {
  std::vector<VGraphKey> k;
  for (int i = 0; i < keys; ++i) {
    const float x = static_cast<float>(i) / static_cast<float>(keys - 1);
    k.push_back({x, x * x});
  }
  ZVI_VGraph_Line g;
  g.SetKeys(k);
  return g;
}

void BM_GraphFreshCursor(benchmark::State& state) {
  const ZVI_VGraph_Line g = MakeGraph(static_cast<int>(state.range(0)));
  const int particles = 1000;
  for (auto _ : state) {
    float sum = 0.0f;
    for (int p = 0; p < particles; ++p) {
      int32_t cursor = 1;
      sum += g.ValueAt(static_cast<float>(p) / particles, cursor);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * particles);
}
BENCHMARK(BM_GraphFreshCursor)->Arg(4)->Arg(32);

void BM_GraphResumedCursor(benchmark::State& state) {
  const ZVI_VGraph_Line g = MakeGraph(static_cast<int>(state.range(0)));
  const int particles = 1000;
  for (auto _ : state) {
    float sum = 0.0f;
    int32_t cursor = 1;
    for (int p = 0; p < particles; ++p) sum += g.ValueAt(static_cast<float>(p) / particles, cursor);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * particles);
}
BENCHMARK(BM_GraphResumedCursor)->Arg(4)->Arg(32);

void BM_GradientColorAt(benchmark::State& state) {
  const SmartGradientColor gradient;
  const int particles = 1000;
  for (auto _ : state) {
    COLORREF acc = 0;
    for (int p = 0; p < particles; ++p) acc ^= GradientColorAt(gradient.Items(), static_cast<float>(p) / particles);
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * particles);
}
BENCHMARK(BM_GradientColorAt);

}  // namespace

BENCHMARK_MAIN();
