// Node particle effects: 10 000 particles, each with its clones of five
// node effects (ColorD, Pulsation, Spin, a Graph multiplicator on the size,
// ForceDrag). Stepping measures particle steps per second; birth measures
// the clones and the geometry's InitParticle per particle.
#include <benchmark/benchmark.h>

#include "core/crt.h"
#include "geometry/registration.h"
#include "geometry/value_graph.h"
#include "particles/nodes/effects.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/particle.h"
#include "particles/nodes/physics.h"
#include "particles/sources/node_effects.h"

namespace {

constexpr int kCount = 10000;

class BenchGeometry : public ZVI_PtclSys_Geometry {};

EffectList FiveEffects() {
  RegisterValueGraphReaders();
  RegisterGeometryReaders();
  EffectList list;
  auto* colour = new ZVI_PtclSysEffect<ZVI_PtclSysEffect_ColorD>();
  colour->source->mode.value = 1;
  list.Append(EffectPtr(static_cast<ZVI_ParticlSystem_Effect*>(colour)));
  list.Append(EffectPtr(static_cast<ZVI_ParticlSystem_Effect*>(new ZVI_PtclSysEffect<ZVI_PtclSysEffect_Pulsation>())));
  list.Append(EffectPtr(static_cast<ZVI_ParticlSystem_Effect*>(new ZVI_PtclSysEffect<ZVI_PtclSysEffect_Spin>())));
  auto* graph = new ZVI_PtclSysEffect<ZVI_PtclSysEff_Graph>();
  graph->index = 1;
  if (auto line = CreateVGraphByName("ZVI_VGraph_Line")) {
    line->SetKeys({{0, 1}, {1, 0}});
    graph->graph.InstallGraph(DS_SafePtr<ZVI_VGraph>(line.release()));
  }
  list.Append(EffectPtr(static_cast<ZVI_ParticlSystem_Effect*>(graph)));
  auto* drag = new ZVI_PtclSysEffect<ZVI_PtclSysEffect_ForceDrag>();
  drag->drag->SetValue(10u);
  list.Append(EffectPtr(static_cast<ZVI_ParticlSystem_Effect*>(drag)));
  return list;
}

ParticlePtr Birth(const EffectList& list, BenchGeometry& geometry, const ParticlePtr& root, int i) {
  ParticlePtr p(new Particle(root));
  geometry.InitParticle(p.get());
  p->AddTransform(new PtclTr_EffectsVector(&list, nullptr));
  for (const TransformPtr& t : p->transforms) t->Reset(p.get());
  for (const TransformPtr& t : p->transforms) t->Apply(0.0f, p.get());
  p->AddTransform(new PtclTr_Kinematic);
  p->velocity = D3DXVECTOR3(static_cast<float>(i % 100), static_cast<float>(i % 37), 0);
  p->age = static_cast<float>(i % 1000) / 1000.0f;
  return p;
}

void BM_StepEffectParticles(benchmark::State& state) {
  crt_srand(1);
  EffectList list = FiveEffects();
  BenchGeometry geometry;
  ParticlePtr root(new Particle(D3DXVECTOR3(400, 300, 0)));
  ParticleVector particles;
  particles.reserve(kCount);
  for (int i = 0; i < kCount; ++i) particles.push_back(Birth(list, geometry, root, i));
  for (auto _ : state) {
    StepParticleVector(particles, 1.0f / 60.0f);
    benchmark::DoNotOptimize(particles.data());
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_StepEffectParticles)->Unit(benchmark::kMillisecond);

// Arg 0: the node holds no effects (the particle's own set-up alone).
void BM_BirthEffectParticles(benchmark::State& state) {
  crt_srand(1);
  EffectList list = state.range(0) ? FiveEffects() : EffectList();
  BenchGeometry geometry;
  ParticlePtr root(new Particle(D3DXVECTOR3(400, 300, 0)));
  ParticleVector particles;
  particles.reserve(kCount);
  for (auto _ : state) {
    for (int i = 0; i < kCount; ++i) particles.push_back(Birth(list, geometry, root, i));
    benchmark::DoNotOptimize(particles.data());
    state.PauseTiming();
    particles.clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_BirthEffectParticles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
