// Filling the band batches of the node engine on the CPU: a trace node of
// 100 trails of 60 points (one skeleton band per trail, all into one batch)
// and a line node of 2 000 particles drawing a 3-segment ribbon each.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench/bench_device.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "particles/nodes/line_node.h"
#include "particles/nodes/particle_system.h"
#include "particles/nodes/trace_node.h"
#include "player/current_device.h"
#include "player/render_context.h"

namespace {

class HeldPoints : public ZVI_PtclSys_Physics {
 public:
  void Clear() override { particles.clear(); }
  ParticleVector Update(const ParticleVector*, float) override { return {}; }
};

// Trails given to it; nothing moves while the fill is measured.
class HeldTrails : public ZVI_PtclSys_Physics, public ZVI_PtclSys_TrailOps {
 public:
  void Clear() override { trails.clear(); }
  ParticleVector Update(const ParticleVector*, float) override { return {}; }
  void StartTrail(const ParticlePtr& p) override {
    trails.push_back({p, DS_SafePtr<ZVI_PtclSys_Physics>(new HeldPoints)});
  }
  std::vector<ParticleStripe>& Trails() override { return trails; }
  std::vector<ParticleStripe> trails;
};

struct Device {
  Device() {
    dev = CreateBenchDevice(&d3d, 64, 64);
    if (!dev) return;
    SetCurrentDevice(dev);
    rc = CreateRenderContext();
    rc->sceneSize = D3DXVECTOR2(1920, 1080);
    SetCurrentRenderContext(rc);
  }
  ~Device() {
    if (!dev) return;
    SetCurrentRenderContext(nullptr);
    DestroyRenderContext(rc);
    SetCurrentDevice(nullptr);
    dev->Release();
    d3d->Release();
  }
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = nullptr;
  RenderContext* rc = nullptr;
};

void BM_TraceBands(benchmark::State& state) {
  Device device;
  if (!device.dev) {
    state.SkipWithError("no device");
    return;
  }
  {
    auto* model = new ZVI_PtclSys_Constructor;
    ZVI_PtclSys_Obj object(model);
    ZVI_PtclSysNode_Trace trace;
    auto* trails = new HeldTrails;
    trace.trails = PhysicsPtr(trails);
    trace.enabled.value = 1;
    // 100 wavy trails of 60 points, 6 pixels apart, 8 pixels wide.
    for (int t = 0; t < 100; ++t) {
      trails->StartTrail(ParticlePtr(new Particle));
      auto& points = trails->trails.back().points->particles;
      for (int k = 0; k < 60; ++k) {
        const float x = 20.0f + 6.0f * k;
        ParticlePtr p(new Particle(D3DXVECTOR3(x, 10.0f * t + 8.0f * std::sin(0.2f * k + t), 0)));
        p->size = 8.0f;
        p->alpha = 1.0f;
        points.push_back(p);
      }
    }
    object.batches.resize(1);
    object.filled.assign(1, 0);
    for (auto _ : state) {
      int32_t index = 0;
      trace.FillBatch(&object, &index);
      benchmark::DoNotOptimize(object.batches[0].triangleCount);
    }
    state.counters["triangles"] = object.batches[0].triangleCount;
    state.SetItemsProcessed(state.iterations() * 100);
  }
}
BENCHMARK(BM_TraceBands)->Unit(benchmark::kMillisecond);

void BM_LineRibbons(benchmark::State& state) {
  Device device;
  if (!device.dev) {
    state.SkipWithError("no device");
    return;
  }
  {
    auto* model = new ZVI_PtclSys_Constructor;
    ZVI_PtclSys_Obj object(model);
    ZVI_PtclSysNode_Line line;
    line.segments.value.push_back(SegmentPtr(new ZVI_StraightWidehtLine));
    line.segments.value.push_back(SegmentPtr(new ZVI_StraightWidehtLine));
    line.clipMode.value = 1;
    auto* points = new HeldPoints;
    line.physics = PhysicsPtr(points);
    for (int k = 0; k < 2000; ++k) {
      ParticlePtr p(new Particle(D3DXVECTOR3(static_cast<float>(k % 1920), static_cast<float>(k % 1080), 0)));
      D3DXMatrixRotationZ(&p->modifier1, 0.01f * static_cast<float>(k));
      p->size = 1.0f;
      p->alpha = 1.0f;
      p->color = D3DXVECTOR3(1, 1, 1);
      p->scale = D3DXVECTOR3(0.75f, 1, 1);
      points->particles.push_back(p);
    }
    object.batches.resize(1);
    object.filled.assign(1, 0);
    for (auto _ : state) {
      int32_t index = 0;
      line.FillBatch(&object, &index);
      benchmark::DoNotOptimize(object.batches[0].triangleCount);
    }
    state.counters["triangles"] = object.batches[0].triangleCount;
    state.SetItemsProcessed(state.iterations() * 2000);
  }
}
BENCHMARK(BM_LineRibbons)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
