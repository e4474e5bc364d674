// Hot paths of the slide renderers: the water grid's step (simulation and
// vertex fill, here into memory) and the glyph rain's step and fill.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "core/crt.h"
#include "effects/slide_renderers_glyphs.h"
#include "effects/slide_renderers_water.h"

namespace {

void WaterStep(benchmark::State& state) {
  WaterGrid grid;
  grid.columns = static_cast<int32_t>(state.range(0));
  grid.rows = static_cast<int32_t>(state.range(1));
  grid.nodeCount = grid.columns * grid.rows;
  grid.nodes.assign(static_cast<size_t>(grid.nodeCount), WaterNode{});
  grid.width = 40.0f;
  grid.height = 30.0f;
  grid.impulse = 0.45f;
  std::vector<WaterVertex> vertices(static_cast<size_t>(grid.nodeCount));
  crt_srand(1);
  for (int i = 0; i < 20; ++i) grid.AddDrop();
  const D3DXVECTOR3 eye(0.0f, 120.0f, 0.0f);
  for (auto _ : state) {
    grid.Simulate();
    grid.FillVertices(eye, vertices.data());
    benchmark::DoNotOptimize(vertices.data());
  }
}
BENCHMARK(WaterStep)->Args({128, 96})->Args({256, 192})->Unit(benchmark::kMillisecond);

// A 1920 x 1080 picture at cell 16, busy with drops, highlights and flicker;
// the batches have no buffers, so this measures the simulation and the walk.
void GlyphStepAndFill(benchmark::State& state) {
  DS_MatrixCodeLight light;
  light.settings.cellSize = static_cast<uint32_t>(state.range(0));
  light.settings.density = 100;
  light.settings.highlightCount = 200;
  light.settings.flicker = 1;
  light.settings.startMode = 2;
  light.settings.glyphCount = 16;
  crt_srand(1);
  light.grid = std::make_unique<GlyphGrid>(1920, 1080, light.settings);
  light.CreateBatches();
  for (int i = 0; i < 200; ++i) light.StepAndFill(0.0f);
  for (auto _ : state) light.StepAndFill(0.0f);
  state.counters["glyphs"] = light.glyphCountNow;
}
BENCHMARK(GlyphStepAndFill)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
