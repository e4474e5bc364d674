// A 3-D-in-2-D array at its cap of 4 096 falling leaves: one frame's update
// (every leaf's drift, spins and swings, then the frame tree). Items per
// second are leaves.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/thread_slots.h"
#include "player/doc_res_manager.h"
#include "scene/objects_3d.h"

namespace {

void BM_LeafArrayUpdate(benchmark::State& state) {
  DS_DocResManager doc;
  doc.Settings().pictureWidth = 1920;
  doc.Settings().pictureHeight = 1080;
  SetCurrentDocResManager(&doc);
  DS_3D_in_2D_array_Constructor model;
  model.count.value = kMax3DCopies;
  model.leaf.size.value = 40;
  model.leaf.sway.value = 30;
  model.leaf.changeRate.value = 20;
  std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
  float t = 0.0f;
  for (auto _ : state) {
    t += 0.016f;
    runtime->Update(t);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kMax3DCopies);
  runtime.reset();
  SetCurrentDocResManager(nullptr);
}
BENCHMARK(BM_LeafArrayUpdate)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
