// The 3-D text's update: 30 glyphs swinging one after another, repeated
// every period, bent along an arc while the whole text sways about its
// centre. Items are glyph updates.
#include <benchmark/benchmark.h>

#include "scene/text_objects.h"

namespace {

void BM_SolidTextUpdate30Glyphs(benchmark::State& state) {
  constexpr int kGlyphs = 30;
  ZVI_3DTex text;
  text.text.font.size.value = 24;
  text.position.value = D3DXVECTOR3(400.0f, 300.0f, 0.0f);
  text.textQuad.SetCentredRect(D3DXVECTOR3(15.0f, 0.5f, 0.0f), 30.0f, 1.0f);
  text.glyphQuads.resize(kGlyphs);
  for (int i = 0; i < kGlyphs; ++i)
    text.glyphQuads[i].SetCentredRect(D3DXVECTOR3(static_cast<float>(i) + 0.5f, 0.5f, 0.0f), 0.8f, 1.0f);
  text.glyphMatrices.resize(kGlyphs);
  text.depth.SetValue(50u);
  text.rotationKind.value = 3;
  text.rotationAxis.value = 1;
  text.rotationAmplitude.SetValue(20u);
  text.glyphAnimation.value = 4;
  text.glyphAmplitude.value = 50;
  text.repeatMode.value = 1;
  text.glyphDelay.SetValue(100u);
  text.period.SetValue(25u);
  text.arcAngle.SetValue(60u);
  text.ResetTime();
  float t = 0.0f;
  for (auto _ : state) {
    t += 1.0f / 60.0f;
    text.Update(t);
    benchmark::DoNotOptimize(text.glyphMatrices.data());
  }
  state.SetItemsProcessed(state.iterations() * kGlyphs);
}
BENCHMARK(BM_SolidTextUpdate30Glyphs)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
