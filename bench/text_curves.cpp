// Text glyphs and noise curves: 2 000 glyphs appearing with Fly effects on a
// scripted timeline, and 200 noise curves of 13 points. Items are glyph
// steps and curve steps.
#include <benchmark/benchmark.h>

#include "core/crt.h"
#include "particles/sources/stripe_physics.h"
#include "particles/sources/text_physics.h"
#include "player/app/register_all.h"
#include "player/scene_object.h"
#include "player/timelines.h"

namespace {

void BM_GlyphsWithFly(benchmark::State& state) {
  RegisterEverything();
  crt_srand(1);
  ZVI_PtclSysPhys_Text text;
  text.appearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fly());
  text.appearEffect.value->duration.SetValue(100u);
  text.disappearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fly());
  text.disappearEffect.value->duration.SetValue(100u);
  for (int l = 0; l < 40; ++l) {
    TextLine line;
    line.y = 12.0f * l;
    line.height = 12.0f;
    line.width = 500.0f;
    for (int g = 0; g < 50; ++g) {
      TextGlyph glyph;
      glyph.code = 'A' + g % 26;
      glyph.x = 10.0f * g;
      glyph.w = 10.0f;
      glyph.h = 12.0f;
      glyph.visible = 1;
      line.glyphs.push_back(glyph);
    }
    text.lines.push_back(line);
  }
  ZVI_SmartTiming timing;
  timing.value = 1;
  text.SetTiming(&timing);
  DS_SafePtr<ZVI_Timing> timeline(new ZVI_Timing());
  timing.current = timeline;
  ParticleVector parents{ParticlePtr(new Particle())};
  text.Generate(&parents);
  int frame = 0;
  int64_t steps = 0;
  for (auto _ : state) {
    // Appearing over 2 s, shown, disappearing, hidden: 60 frames each.
    const int phase = (frame / 60) % 4;
    const float s = static_cast<float>(frame % 60) / 59.0f;
    const uint32_t states[4] = {kTimelineAppearing, kTimelineShown, kTimelineDisappearing, kTimelineHidden};
    timeline->state = states[phase];
    timeline->visibility = phase == 0 ? s : phase == 1 ? 1.0f : phase == 2 ? 1.0f - s : 0.0f;
    text.Update(nullptr, 1.0f / 30.0f);
    steps += static_cast<int64_t>(text.particles.size());
    ++frame;
  }
  state.SetItemsProcessed(steps);
  state.counters["glyphs"] = static_cast<double>(text.particles.size());
}
BENCHMARK(BM_GlyphsWithFly)->Unit(benchmark::kMillisecond);

void BM_NoiseCurves(benchmark::State& state) {
  RegisterEverything();
  crt_srand(1);
  ZVI_PtclSysPhys_PerlinCurv perlin;
  perlin.scroll.SetValue(20u);
  ParticleVector parents;
  for (int i = 0; i < 200; ++i) parents.push_back(ParticlePtr(new Particle()));
  perlin.Generate(&parents);
  int64_t steps = 0;
  for (auto _ : state) {
    perlin.Update(nullptr, 1.0f / 30.0f);
    steps += static_cast<int64_t>(perlin.Curves().size());
  }
  state.SetItemsProcessed(steps);
  state.counters["points"] = static_cast<double>(perlin.Curves().front().points->particles.size());
}
BENCHMARK(BM_NoiseCurves)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
