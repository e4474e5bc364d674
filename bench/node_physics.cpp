// A root point and a figure source with a Vector law: 10 000 particles a
// second living 1 s, so about 10 000 alive, emission included in every frame.
#include <benchmark/benchmark.h>

#include "core/crt.h"
#include "geometry/figures.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/sources/point_groups.h"
#include "particles/sources/source_physics.h"
#include "player/app/register_all.h"

namespace {

void BM_RootAndFigureSource(benchmark::State& state) {
  RegisterEverything();
  crt_srand(1);
  ZVI_PtclSysPhys_RootPnt root(D3DXVECTOR3(400, 300, 0));
  ZVI_PtclSysPhys_SourceFig source;
  SetPhysicsGeometry(source, CreateVGeom2DByName("ZVI_VGeom2D_Rect"));
  auto* law = new ZVI_PtclSysMLaw_Vector();
  law->direction.SetValue(90u);
  law->spread.SetValue(30u);
  law->speed.jitter.SetValue(20u);
  source.law = DS_SafePtr<ZVI_PtclSys_MotionLaw>(law);
  source.law->SetFigure(source.figure.value);
  source.count.value = 10000u;
  source.count.driven = 10000.0f;
  constexpr float kDt = 1.0f / 60.0f;

  // What the emitter node does with the newborns: a kinematic transform.
  auto frame = [&]() -> size_t {
    root.Update(nullptr, kDt);
    const size_t stepped = source.particles.size();
    ParticleVector born = source.Update(&root.particles, kDt);
    for (const ParticlePtr& p : born) p->AddTransform(new PtclTr_Kinematic);
    return stepped + born.size();
  };
  source.Generate(&root.particles);
  for (int i = 0; i < 90; ++i) frame();  // to the steady state
  int64_t steps = 0;
  for (auto _ : state) steps += static_cast<int64_t>(frame());
  state.SetItemsProcessed(steps);
  state.counters["alive"] = static_cast<double>(source.particles.size());
}
BENCHMARK(BM_RootAndFigureSource)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
