// Warm-ups at the population cap (16 384): a fountain, a particle path and
// a shooting line that each ask for an endless-looking warm-up and so run
// until the shared work budget stops them, an empty path that asks the same,
// and a rain on glass pane that fills up within its 15 s. Each should take at
// most about 2 s here.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/crt.h"
#include "core/warm_up.h"
#include "particles/imitters/burst_fountain.h"
#include "particles/imitters/field_rain.h"
#include "particles/imitters/path_trace.h"
#include "scene/shooting_lines.h"

namespace {

// A fountain that asks for a day of warm-up, its particles living long.
class EndlessFountain : public ZVI_FontainPtclSys {
 public:
  ZVI_ParticleSystemCtrl* Clone() const override { return new EndlessFountain(*this); }
  float GetWarmUpTime() override { return 86400.0f; }
};

template <class System>
void Run(benchmark::State& state, const System& model) {
  size_t live = 0;
  for (auto _ : state) {
    std::unique_ptr<ZVI_ParticleSystemCtrl> copy(model.Clone());
    crt_srand(1);
    copy->ResetTime();
    live = copy->particles.size();
    benchmark::DoNotOptimize(copy->particles.data());
  }
  state.counters["live"] = static_cast<double>(live);
}

void BM_WarmUpFountainAtCap(benchmark::State& state) {
  EndlessFountain f;
  f.counter.rate.SetValue(200000);
  f.speed.SetValue(10);
  f.range.value = 1000u;
  f.direction.spread.value = 360u;
  Run(state, f);
}
BENCHMARK(BM_WarmUpFountainAtCap)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_WarmUpPathAtCap(benchmark::State& state) {
  ZVI_ParticlePath p;
  p.path.AddPoint(DX_BSplinePnt(0.0f, 500.0f), nullptr);
  p.path.AddPoint(DX_BSplinePnt(500000.0f, 600.0f), nullptr);
  p.path.AddPoint(DX_BSplinePnt(1000000.0f, 500.0f), nullptr);
  p.path.Resample();
  p.speed.SetValue(1);  // a million seconds to cross
  p.counter.rate.SetValue(200000);
  p.wobbleWidth.value = 20;
  p.wobbleFrequency.SetValue(250);
  Run(state, p);
}
BENCHMARK(BM_WarmUpPathAtCap)->Unit(benchmark::kMillisecond)->Iterations(2);

// The same path emitting nothing: every step is counted as the least a
// step costs, so an empty endless warm-up ends too.
void BM_WarmUpEmptyPath(benchmark::State& state) {
  ZVI_ParticlePath p;
  p.path.AddPoint(DX_BSplinePnt(0.0f, 500.0f), nullptr);
  p.path.AddPoint(DX_BSplinePnt(1000000.0f, 500.0f), nullptr);
  p.path.Resample();
  p.speed.SetValue(1);
  p.counter.rate.SetValue(0);
  Run(state, p);
}
BENCHMARK(BM_WarmUpEmptyPath)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_WarmUpShootingLineAtCap(benchmark::State& state) {
  ZVI_ShootingLine line;
  for (float x : {0.0f, 1000000.0f}) {
    DS_SafePtr<DX_BSplinePnt> point(new DX_BSplinePnt());
    point->value = D3DXVECTOR3(x, 50.0f, 0.0f);
    point->outTangent.value = D3DXVECTOR3(1000.0f, 0.0f, 0.0f);
    point->inTangent.value = D3DXVECTOR3(-1000.0f, 0.0f, 0.0f);
    line.path.points.push_back(point);
  }
  line.path.Resample();
  line.RebuildSamples();
  line.speed.SetValue(1u);  // a million seconds for a shot
  line.shotTimer.minimum.value = 0.0001f;
  line.shotTimer.maximum.value = 0.0001f;
  line.amplitude.value = 10u;
  line.tailLength.value = 50u;
  Run(state, line);
}
BENCHMARK(BM_WarmUpShootingLineAtCap)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_WarmUpRainAtCap(benchmark::State& state) {
  DS_RainOnGlass rain;
  rain.area.rect.SetCentredRect(1920.0f, 1080.0f, D3DXVECTOR3(960.0f, 540.0f, 0.0f));
  rain.interaction = DS_SafePtr<IPR_RainInteractionRoutine>(new IPR_RainInteractionRoutine(rain.area.rect));
  rain.counter.rate.SetValue(1000000);
  rain.gravity.SetValue(60);
  rain.params.particleSize.value = 2;
  Run(state, rain);
}
BENCHMARK(BM_WarmUpRainAtCap)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
