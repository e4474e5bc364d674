// A sector emitter under 100 parents, each releasing 50 particles a second
// (with forces): births per second (spawn, InitParticle, forces and
// kinematics attached) and held-list steps per second once 10 000 live.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "particles/nodes/physics.h"
#include "player/app/register_all.h"
#include "tools/writer/geometry_emitters_writer.h"

namespace {

std::unique_ptr<ZVI_PtclSys_Geometry> Sector(float lifetime) {
  pw::EmitterRecord e;
  e.count = 50;
  e.lifetime = lifetime;
  e.speed = 100;
  e.speedJitter = 30;
  e.geometry.sizeValue = 100;
  pw::ForcesRecord forces;
  forces.gravityMode = 1;
  forces.gravity = 20;
  forces.dragMode = 2;
  pw::ByteBuilder b;
  pw::WriteEmitSector(b, 2, 90, 60, forces, e);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
  return std::unique_ptr<ZVI_PtclSys_Geometry>(dynamic_cast<ZVI_PtclSys_Geometry*>(item.release()));
}

ParticleVector Parents() {
  ParticleVector parents;
  for (int i = 0; i < 100; ++i) parents.push_back(ParticlePtr(new Particle(D3DXVECTOR3(10.0f * i, 0, 0))));
  return parents;
}

void BM_SectorBirths(benchmark::State& state) {
  RegisterEverything();
  std::unique_ptr<ZVI_PtclSys_Geometry> g = Sector(2.0f);
  const ParticleVector parents = Parents();
  int64_t births = 0;
  for (auto _ : state) {
    for (const ParticlePtr& parent : parents) births += static_cast<int64_t>(g->Emit(0.04f, parent).size());
    state.PauseTiming();
    g->ClearHeld();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(births);
}
BENCHMARK(BM_SectorBirths);

void BM_HeldListSteps(benchmark::State& state) {
  RegisterEverything();
  std::unique_ptr<ZVI_PtclSys_Geometry> g = Sector(1000.0f);
  const ParticleVector parents = Parents();
  while (g->held.size() < 10000)
    for (const ParticlePtr& parent : parents) g->Emit(0.04f, parent);
  for (auto _ : state) StepParticleVector(g->held, 0.001f);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(g->held.size()));
}
BENCHMARK(BM_HeldListSteps);

}  // namespace

BENCHMARK_MAIN();
