// The sample's screen-effect slides: a warm picture that a light wave sweeps
// along its left part while a colour shift turns every hue half round during
// odd seconds of its clock; and a pool whose middle ripples with rings from
// its centre under a caustic net, its white corners left as they are.
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

// Pool: deep blue in the middle, white from 40 % of the half-diagonal out.
Rgb PoolColour(float x, float y, float w, float h) {
  const float dx = (x - w * 0.5f) / (w * 0.5f), dy = (y - h * 0.5f) / (h * 0.5f);
  const float r = std::sqrt(dx * dx + dy * dy) / 1.4142135f;
  const float t = r < 0.1f ? 0.0f : (r > 0.4f ? 1.0f : (r - 0.1f) / 0.3f);
  const float s = t * t * (3.0f - 2.0f * t);
  return {30.0f + 225.0f * s, 90.0f + 165.0f * s + 40.0f * (1.0f - s) * std::sin(x / w * 12.0f), 170.0f + 85.0f * s};
}

void AddEffectsSlide(Description& d) {
  Slide glow;
  glow.name = u"Glow";
  glow.picture = {u"glow.png", 920, 430, GlowColour};
  glow.fadeIn = 0.5f;
  glow.show = 2.5f;
  glow.fadeOut = 0.5f;
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

  Slide pool;
  pool.name = u"Pool";
  pool.picture = {u"pool.png", 920, 430, PoolColour};
  pool.fadeIn = 0.5f;
  pool.show = 2.5f;
  pool.fadeOut = 0.5f;
  // Drawn from the last: the rings first, the caustic over them.
  pool.objects.push_back([](pw::ByteBuilder& b) {
    pw::CausticRecord caustic;
    caustic.blendMode = 3;  // linear dodge: white stays white
    caustic.blendColor = 0x00C0A060;
    caustic.brightness = 60;
    caustic.perspective.tilt = 40;
    caustic.perspective.center = {460.0f, 215.0f, 0.0f};
    pw::WriteCaustic(b, caustic);
  });
  pool.objects.push_back([](pw::ByteBuilder& b) {
    pw::RadialWaveRecord wave;
    wave.amplitude = 200;  // 0.05 of the picture
    wave.central.center = {460.0f, 215.0f, 0.0f};
    wave.central.fx.speed = 20;
    pw::WriteRadialWave(b, wave);
  });
  d.slides.push_back(pool);
}

}  // namespace sample
