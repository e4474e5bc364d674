// One rain-on-glass update with 3 000 drops on a 1920 x 1080 pane (the
// double step, the stable sort and the merge scan), and 5 000 path
// particles stepped (path tracker, harmonic wobble, two ramps).
#include <benchmark/benchmark.h>

#include "core/crt.h"
#include "particles/imitters/field_rain.h"
#include "particles/imitters/path_trace.h"

namespace {

void TopUp(DS_RainOnGlass& rain, size_t n) {
  while (rain.particles.size() < n) {
    const D3DXVECTOR3 at(crt_rand01() * 1920.0f, crt_rand01() * 1080.0f, 0.0f);
    ClassicParticlePtr d(new ClassicParticle(at));
    rain.SetupDrop(*d);
    StepClassicParticle(*d, 0.2f);  // landed
    rain.particles.push_back(d);
  }
}

void BM_RainUpdate3000(benchmark::State& state) {
  crt_srand(1);
  DS_RainOnGlass rain;
  rain.counter.rate.SetValue(0);
  rain.area.rect.SetCentredRect(1920.0f, 1080.0f, D3DXVECTOR3(960.0f, 540.0f, 0.0f));
  rain.interaction = DS_SafePtr<IPR_RainInteractionRoutine>(new IPR_RainInteractionRoutine(rain.area.rect));
  rain.gravity.SetValue(60);
  rain.gravityDirection.value = 270;
  rain.gravityDirection.Recompute();
  rain.params.particleSize.value = 6;
  for (auto _ : state) {
    state.PauseTiming();
    TopUp(rain, 3000);
    state.ResumeTiming();
    rain.Simulate(1.0f / 60.0f);
    benchmark::DoNotOptimize(rain.particles.data());
  }
  state.SetItemsProcessed(state.iterations() * 3000);
}
BENCHMARK(BM_RainUpdate3000);

void BM_PathParticles5000(benchmark::State& state) {
  crt_srand(2);
  ZVI_ParticlePath path;
  path.path.AddPoint(DX_BSplinePnt(0.0f, 500.0f), nullptr);
  path.path.AddPoint(DX_BSplinePnt(500000.0f, 600.0f), nullptr);
  path.path.AddPoint(DX_BSplinePnt(1000000.0f, 500.0f), nullptr);
  path.path.Resample();
  path.speed.SetValue(100);
  path.speedVariation.SetValue(30);
  path.wobbleWidth.value = 20;
  path.wobbleFrequency.SetValue(250);
  path.rampInEnd.SetValue(10);
  path.rampOutStart.SetValue(90);
  ClassicParticleList list;
  for (int i = 0; i < 5000; ++i) {
    ClassicParticlePtr p(new ClassicParticle(D3DXVECTOR3(0.0f, 500.0f, 0.0f)));
    path.SetupPathParticle(*p);
    list.push_back(p);
  }
  for (auto _ : state) {
    StepClassicParticles(list, 1.0f / 60.0f);
    benchmark::DoNotOptimize(list.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(list.size()));
}
BENCHMARK(BM_PathParticles5000);

}  // namespace

BENCHMARK_MAIN();
