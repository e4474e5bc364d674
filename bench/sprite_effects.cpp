// A flow of 10 000 sprites whose four edges fade out and re-enter (mode 0):
// the clocks, every sprite's update with its edge checks, and the vertex
// fill. Items per second are sprites.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_device.h"
#include "core/thread_slots.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "scene/sprite_flow.h"
#include "scene/sprite_runtime.h"

namespace {

constexpr uint32_t kSprites = 10000;

void BM_FlowStep(benchmark::State& state) {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = CreateBenchDevice(&d3d, 64, 64);
  if (!dev) {
    state.SkipWithError("no device");
    return;
  }
  SetCurrentDevice(dev);
  auto doc = std::make_unique<DS_DocResManager>();
  doc->Settings().pictureWidth = 1920;
  doc->Settings().pictureHeight = 1080;
  SetCurrentDocResManager(doc.get());
  {
    DS_FlowConstructor authored;
    authored.flowSpeed = 300.0f;
    authored.flowAngle.SetValue(300u);
    authored.wobbleAmplitude.SetValue(5u);
    authored.wobbleRate.SetValue(4u);
    authored.size.value = 12;
    authored.count.value = kSprites;
    for (DS_BoundControl& b : authored.bounds) {
      b.fadeOut.value = 200;
      b.fadeIn.value = 200;
      b.maxPause.value = 300;
    }
    std::unique_ptr<DS_ParticleSystemCtrl> model(authored.Clone());
    ParticleGeomArray array;
    array.Attach(model.get());
    float t = 0.0f;
    for (auto _ : state) {
      t += 0.02f;
      array.Advance(t);
      array.FillVertices(model.get());
      benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kSprites);
  }
  SetCurrentDocResManager(nullptr);
  doc.reset();
  SetCurrentDevice(nullptr);
  dev->Release();
  d3d->Release();
}
BENCHMARK(BM_FlowStep)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
