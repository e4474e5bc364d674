// A sprite array of 16 384 sprites of a trivial model: the clocks and every
// sprite's update, then the quads written into the managed vertex buffer.
// Items per second are sprites.
#include <benchmark/benchmark.h>

#include "bench/bench_device.h"
#include "player/current_device.h"
#include "scene/sprite_runtime.h"

namespace {

// Sprites that drift right a little every frame.
class DriftingSprites : public DS_ParticleSystemCtrl {
 public:
  DriftingSprites() { size.value = 8; }
  DriftingSprites(const DriftingSprites&) = default;
  DS_ParticleSystemCtrl* Clone() const override { return new DriftingSprites(*this); }
  void SpawnSprite(SpriteRecord& s) override {
    s.position = D3DXVECTOR3(static_cast<float>(next % 1024), static_cast<float>(next / 1024 * 8), 0.0f);
    ++next;
  }
  void UpdateSprite(SpriteRecord& s) override { s.position.x += viewStep; }
  uint32_t next = 0;
};

void BM_AdvanceAndFill(benchmark::State& state) {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = CreateBenchDevice(&d3d, 64, 64);
  if (!dev) {
    state.SkipWithError("no device");
    return;
  }
  SetCurrentDevice(dev);
  DriftingSprites model;
  model.count.value = kMaxSprites;
  ParticleGeomArray array;
  array.Attach(&model);
  float t = 0.0f;
  for (auto _ : state) {
    t += 0.016f;
    array.Advance(t);
    array.FillVertices(&model);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kMaxSprites);
  SetCurrentDevice(nullptr);
  dev->Release();
  d3d->Release();
}
BENCHMARK(BM_AdvanceAndFill)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
