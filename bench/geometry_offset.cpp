// Offsetting a 1 000-point outline into 20 rings: the onion maker's rings of
// a wavy outline, and the straight-skeleton wavefront traced at 20 distances.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "geometry/onion_offset.h"
#include "geometry/skeleton_offset.h"

namespace {

std::vector<D3DXVECTOR3> WavyOutline(int n) {
  std::vector<D3DXVECTOR3> pts;
  pts.reserve(n);
  for (int i = 0; i < n; ++i) {
    const float x = i * 2.0f;
    pts.emplace_back(x, 40.0f * std::sin(x * 0.05f) + 6.0f * std::sin(x * 0.7f), 0.0f);
  }
  return pts;
}

template <class Maker>
void BuildFrom(Maker& m, const std::vector<D3DXVECTOR3>& pts) {
  m.Build(static_cast<uint32_t>(pts.size()), [&](uint32_t i) -> const D3DXVECTOR3& { return pts[i]; });
}

void BM_OnionRings(benchmark::State& state) {
  const auto pts = WavyOutline(1000);
  ZVI_OnionOffseter m;
  BuildFrom(m, pts);
  size_t rings = 0;
  for (auto _ : state) {
    m.Compute(static_cast<float>(state.range(0)));
    rings = m.right_rings().size() + m.left_rings().size();
    benchmark::DoNotOptimize(rings);
  }
  state.counters["rings"] = static_cast<double>(rings);
}
BENCHMARK(BM_OnionRings)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);

void BM_SkeletonTwentyRings(benchmark::State& state) {
  const auto pts = WavyOutline(1000);
  ZVI_StraightSkeletonOffset m;
  BuildFrom(m, pts);
  std::vector<D3DXVECTOR3> out;
  for (auto _ : state) {
    m.Compute(20.0f);
    for (int ring = 1; ring <= 20; ++ring) {
      out.clear();
      for (uint32_t i = 0; i < pts.size(); ++i) {
        m.TraceVertex(0, i, static_cast<float>(ring), out);
        m.TraceVertex(1, i, static_cast<float>(ring), out);
      }
      benchmark::DoNotOptimize(out.data());
    }
  }
}
BENCHMARK(BM_SkeletonTwentyRings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
