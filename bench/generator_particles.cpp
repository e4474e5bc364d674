// Generator hot paths: one step of 100 000 particles that age, fade and fly,
// the two quad layers a field of 10 000 sparkles writes every frame, and a
// firework of 2 000 sparks, each trailing 101 particles a second.
#include <benchmark/benchmark.h>

#include "bench/bench_device.h"
#include "particles/generators/air_brushes.h"
#include "particles/generators/generator_particle.h"
#include "particles/generators/origin_generators.h"
#include "player/current_device.h"

namespace {

void BM_StepGeneratorParticles(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  GeneratorParticleList list;
  for (int i = 0; i < n; ++i) {
    list.emplace_back(static_cast<float>(i % 640), static_cast<float>(i % 480), 0.0f);
    GeneratorParticle& p = list.back();
    p.AddProcess(new PAgeConst(1e9f));
    p.AddProcess(new PFade(kChannelOpacity, 0.0f, 1e9f, -1.0f));
    p.AddProcess(new PKinetic(D3DXVECTOR3(1.0f, -2.0f, 0.0f), D3DXVECTOR3(0.0f, 9.8f, 0.0f)));
  }
  for (auto _ : state) {
    StepGeneratorParticles(list, 0.016f);
    benchmark::DoNotOptimize(list.front().position);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StepGeneratorParticles)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_BlingQuads(benchmark::State& state) {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = CreateBenchDevice(&d3d, 64, 64);
  if (!dev) {
    state.SkipWithError("no device");
    return;
  }
  SetCurrentDevice(dev);
  const int n = static_cast<int>(state.range(0));
  {
    DS_Bling model;
    model.brushSize = 16u;
    model.growTime.SetValue(50u);
    model.shrinkTime.SetValue(100u);
    model.minimumSize.SetValue(30u);
    for (int i = 0; i < n; ++i)
      model.AddStrokeParticle(static_cast<float>(i % 640), static_cast<float>(i / 640), 0.0f, 1.0f, 0.0f,
                              static_cast<float>(i % 7) / 7.0f, 0.0f);
    std::unique_ptr<DS_ABObj> object(model.CreateRuntime());
    float t = 0.0f;
    for (auto _ : state) {
      object->Update(t);
      t += 0.016f;
    }
    state.SetItemsProcessed(state.iterations() * n * 2);
  }
  SetCurrentDevice(nullptr);
  dev->Release();
  d3d->Release();
}
BENCHMARK(BM_BlingQuads)->Arg(10000)->Unit(benchmark::kMillisecond);

// Always shown, with cycles long enough that no spark ends.
class EndlessShow : public ZVI_Timing {
 public:
  float GetCycleLength() override { return 1e6f; }
};

void BM_FireworkTrails(benchmark::State& state) {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = CreateBenchDevice(&d3d, 64, 64);
  if (!dev) {
    state.SkipWithError("no device");
    return;
  }
  SetCurrentDevice(dev);
  {
    DS_FireworkSimple model;
    model.sparkCount = 2000u;
    model.sparkSize = 6u;
    model.launchSpeed.SetValue(25u);
    model.generatorSpeed.SetValue(50u);
    model.rate.SetValue(50u);  // 101 a second
    model.life.SetValue(50u);  // 0.5 s
    model.size.SetValue(10u);
    model.trail = 1;
    model.timing.value = 1;
    model.timing.SetCurrentTimeline(new EndlessShow());
    std::unique_ptr<DS_ABObj> object(model.CreateRuntime());
    auto* g = static_cast<DS_FireworkSimple*>(static_cast<DS_ParticlesObj*>(object.get())->generator);
    float t = 0.0f;
    for (int i = 0; i < 60; ++i, t += 0.016f) object->Update(t);  // to the steady state
    int64_t particles = 0;
    for (auto _ : state) {
      object->Update(t);
      t += 0.016f;
      particles += static_cast<int64_t>(g->heads.size() + g->emitted.size());
    }
    state.SetItemsProcessed(particles);
    state.counters["particles"] = static_cast<double>(g->heads.size() + g->emitted.size());
  }
  SetCurrentDevice(nullptr);
  dev->Release();
  d3d->Release();
}
BENCHMARK(BM_FireworkTrails)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
