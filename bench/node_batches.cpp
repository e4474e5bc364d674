// Filling a picture node's quad batch on the CPU: 10 000 and 50 000 particles
// with rotation and scale in their world matrices, written into one managed
// vertex buffer per frame (the batch keeps its buffers while the count holds).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_device.h"
#include "core/thread_slots.h"
#include "particles/nodes/particle_system.h"
#include "particles/nodes/picture_node.h"
#include "player/current_device.h"
#include "player/render_context.h"

namespace {

// Holds the particles it is given; no stepping is measured here.
class HeldPoints : public ZVI_PtclSys_Physics {
 public:
  void Clear() override { particles.clear(); }
  ParticleVector Update(const ParticleVector*, float) override { return {}; }
};

void BM_FillPictureBatch(benchmark::State& state) {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = CreateBenchDevice(&d3d, 64, 64);
  if (!dev) {
    state.SkipWithError("no device");
    return;
  }
  SetCurrentDevice(dev);
  RenderContext* rc = CreateRenderContext();
  rc->sceneSize = D3DXVECTOR2(1920, 1080);
  SetCurrentRenderContext(rc);
  {
    auto* model = new ZVI_PtclSys_Constructor;
    ZVI_PtclSys_Obj object(model);
    ZVI_PtclSysNode_Picture picture;
    picture.particleSize.value = 64;
    auto* points = new HeldPoints;
    picture.physics = PhysicsPtr(points);
    const auto n = static_cast<int32_t>(state.range(0));
    for (int32_t k = 0; k < n; ++k) {
      ParticlePtr p(new Particle(D3DXVECTOR3(static_cast<float>(k % 1920), static_cast<float>(k % 1080), 0)));
      D3DXMatrixRotationZ(&p->modifier1, 0.001f * static_cast<float>(k));
      p->scale = D3DXVECTOR3(1.5f, 0.5f, 1);
      p->color = D3DXVECTOR3(1, 0.5f, 0.25f);
      points->particles.push_back(p);
    }
    object.batches.resize(1);
    object.filled.assign(1, 0);
    for (auto _ : state) {
      int32_t index = 0;
      picture.FillBatch(&object, &index);
      benchmark::DoNotOptimize(object.batches[0].triangleCount);
    }
    state.SetItemsProcessed(state.iterations() * n);
  }
  SetCurrentRenderContext(nullptr);
  DestroyRenderContext(rc);
  SetCurrentDevice(nullptr);
  dev->Release();
  d3d->Release();
}
BENCHMARK(BM_FillPictureBatch)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
