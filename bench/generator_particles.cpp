// Generator hot paths: one step of 100 000 particles that age, fade and fly,
// and the two quad layers a field of 10 000 sparkles writes every frame.
#include <benchmark/benchmark.h>

#include "bench/bench_device.h"
#include "particles/generators/air_brushes.h"
#include "particles/generators/generator_particle.h"
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

}  // namespace

BENCHMARK_MAIN();
