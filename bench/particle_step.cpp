// The node particle step: 100 000 particles under one root, each with the
// transforms a point emitter gives its particles (size and alpha jitter,
// four oscillators, spin, maximum age, forces, kinematic).
#include <benchmark/benchmark.h>

#include "core/crt.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/particle.h"
#include "particles/nodes/physics.h"
#include "particles/nodes/transforms.h"

namespace {

// The point emitter's geometry without a record: its defaults, swinging size
// and alpha (mode 1 or 2 as given), spinning.
class BenchGeometry : public ZVI_PtclSys_Geometry {};

void BM_StepParticles(benchmark::State& state) {
  const int32_t oscillation_mode = static_cast<int32_t>(state.range(0));
  crt_srand(1);
  BenchGeometry geometry;
  geometry.sizeJitter.value.SetValue(100u);
  geometry.sizeJitter.jitter.SetValue(30u);
  geometry.alphaJitter.jitter.SetValue(30u);
  geometry.sizeOscillation.mode.SetValue(oscillation_mode);
  geometry.alphaOscillation.mode.SetValue(oscillation_mode);
  geometry.offsetXOscillation.mode.SetValue(oscillation_mode);
  geometry.offsetYOscillation.mode.SetValue(oscillation_mode);
  geometry.spin.orientationMode.SetValue(2);
  StandardForcesParams forces;
  forces.gravityMode.SetValue(1);
  forces.gravity.SetValue(2u);
  forces.dragMode.SetValue(1);
  ZVI_JitterMediaPrm spread;

  ParticlePtr root(new Particle(D3DXVECTOR3(400, 300, 0)));
  constexpr int kCount = 100000;
  ParticleVector particles;
  particles.reserve(kCount);
  for (int i = 0; i < kCount; ++i) {
    ParticlePtr p(new Particle(root));
    p->flags = ParticleFlags::ParentRelative;
    geometry.InitParticle(p.get());
    // Long lives: the population stays whole while it is measured.
    p->AddTransform(new PtclTr_MaxAge(1.0e6f));
    p->AddTransform(new PtclTr_StandardForces(&forces, &spread));
    p->AddTransform(new PtclTr_Kinematic);
    p->velocity = D3DXVECTOR3(static_cast<float>(i % 100), static_cast<float>(i % 37), 0);
    particles.push_back(p);
  }
  for (auto _ : state) {
    StepParticle(root.get(), 1.0f / 60.0f);
    StepParticleVector(particles, 1.0f / 60.0f);
    benchmark::DoNotOptimize(particles.data());
  }
  state.SetItemsProcessed(state.iterations() * kCount);
  state.counters["alive"] = static_cast<double>(particles.size());
}
BENCHMARK(BM_StepParticles)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
