// The sample's screen-effect slide: a warm picture that a light wave sweeps
// along its left part while a colour shift turns every hue half round during
// odd seconds of its clock.
#include <cmath>

#include "tools/sample/sample_project.h"
#include "tools/writer/effects_writer.h"

namespace sample {

// Glow: amber at the left fading to rose at the right, brighter in the middle.
Rgb GlowColour(float x, float y, float w, float h) {
  const float u = x / w, v = y / h;
  const float lift = std::exp(-((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) * 4.0f);
  return {170.0f + 60.0f * lift, 110.0f - 40.0f * u + 40.0f * lift, 40.0f + 90.0f * u};
}

void AddEffectsSlide(Description& d) {
  Slide glow;
  glow.name = u"Glow";
  glow.picture = {u"glow.png", 920, 430, GlowColour};
  glow.fadeIn = 1.0f;
  glow.show = 4.0f;
  glow.fadeOut = 1.0f;
  // Drawn from the last: the light wave first, then the colour shift over it.
  glow.objects.push_back([](pw::ByteBuilder& b) {
    pw::ColorShiftRecord shift;
    shift.waveKind = 1;       // odd whole seconds only
    shift.amplitude = 100;    // half a turn
    shift.hueShift = 0;
    shift.fx.speed = 50;      // 1.0
    shift.fx.mode = 1;
    pw::WriteColorShift(b, shift);
  });
  glow.objects.push_back([](pw::ByteBuilder& b) {
    pw::LightWaveRecord wave;
    wave.waveStart = {20.0f, 215.0f, 0.0f};
    wave.waveEnd = {200.0f, 215.0f, 0.0f};
    wave.waveLength = 60;     // a band 60 pixels wide
    wave.light.intensity = 70;
    wave.light.flicker = 1;   // back and forth on the triangle wave
    wave.light.color = 0x00E0F0FF;
    wave.light.fx.speed = 50;
    wave.light.fx.effectName = u"common_res.dll";
    pw::WriteLightWave(b, wave);
  });
  d.slides.push_back(glow);
}

}  // namespace sample
