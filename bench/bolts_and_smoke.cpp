// A lightning bolt of detail 8 with 8, 16 and 32 first-level branches built
// from scratch, and the smoke's five-second pre-run at 20 puffs a second.
#include <benchmark/benchmark.h>

#include <memory>

#include "particles/generators/lightning.h"
#include "particles/generators/smoke.h"

namespace {

size_t CountPoints(const BoltBranch& branch) {
  size_t n = branch.size();
  for (const BoltPoint& p : branch) n += CountPoints(p.branch);
  return n;
}

void BM_GenerateBolt(benchmark::State& state) {
  DS_LightningGN bolt;
  bolt.start.value = D3DXVECTOR3(100.0f, 50.0f, 0.0f);
  bolt.end.value = D3DXVECTOR3(900.0f, 700.0f, 0.0f);
  bolt.detail.value = 8;
  bolt.jitter.SetValue(40u);
  bolt.branchLength.SetValue(50u);
  bolt.branchAngle.SetValue(30u);
  bolt.taper.SetValue(50u);
  bolt.seed.value = 7;
  bolt.branches[0].value = static_cast<unsigned>(state.range(0));
  bolt.branches[1].value = 2;
  for (auto _ : state) {
    bolt.GenerateBolt();
    benchmark::DoNotOptimize(bolt.bolt.data());
  }
  state.counters["points"] = static_cast<double>(CountPoints(bolt.bolt));
}
BENCHMARK(BM_GenerateBolt)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_SmokePreRun(benchmark::State& state) {
  DS_Smoke authored;
  authored.origin.value = D3DXVECTOR3(400.0f, 500.0f, 0.0f);
  authored.originLifetime.SetValue(125u);  // 5 s
  authored.launchRate.value = 20;
  authored.originSize.value = 40;
  authored.sector.value = 90u;
  authored.sector.Recompute();
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<DS_Smoke> smoke(static_cast<DS_Smoke*>(authored.Clone()));
    state.ResumeTiming();
    for (int i = 0; i < 100; ++i) smoke->StepPuffs(0.05f);
    benchmark::DoNotOptimize(smoke->origins.size());
  }
}
BENCHMARK(BM_SmokePreRun)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
