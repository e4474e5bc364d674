// The sample's slides drawn by the flame and underwater renderers: a hearth
// at night with a band of fire behind the slide, and shafts of light on a
// seabed seen through the underwater wobble.
#include <cmath>

#include "tools/sample/sample_project.h"
#include "tools/writer/water_fire_writer.h"

namespace sample {
namespace {

float Mix(float a, float b, float t) { return a + (b - a) * t; }
float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
Rgb MixRgb(Rgb a, Rgb b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }

// Hearth: a dark night sky over a darker ground; the fire band lights it.
Rgb HearthColour(float, float y, float, float h) {
  const float v = y / h;
  return MixRgb({18, 22, 48}, {30, 16, 12}, Clamp01(v * 1.2f));
}

float Smooth(float e0, float e1, float v) {
  const float t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}

// Seabed: blue water brightening towards the surface with slanting shafts of
// light, a sandy floor with a net of caustic light, a few dark rocks.
Rgb SeabedColour(float x, float y, float w, float h) {
  const float u = x / w, v = y / h;
  Rgb c = MixRgb({40, 120, 170}, {8, 40, 85}, Clamp01(v * 1.3f));
  const float shafts = 0.5f + 0.5f * std::sin((u + v * 0.35f) * 18.0f);
  c = MixRgb(c, {120, 200, 225}, shafts * shafts * shafts * (1.0f - Smooth(0.0f, 0.75f, v)) * 0.45f);
  // The floor's edge rolls gently; sand lit by a net of caustics.
  const float edge = 0.66f + 0.04f * std::sin(u * 9.0f) + 0.02f * std::sin(u * 23.0f + 1.0f);
  const float sand = Smooth(edge - 0.015f, edge + 0.015f, v);
  const float a = std::sin(x * 0.09f + std::sin(y * 0.07f) * 1.5f), b = std::sin(y * 0.11f + std::sin(x * 0.05f) * 1.8f);
  const float caustic = std::pow(Clamp01(1.0f - std::fabs(a * b) * 2.2f), 3.0f);
  Rgb floor = MixRgb({150, 130, 90}, {205, 185, 130}, Clamp01(v - edge) * 2.0f);
  floor = MixRgb(floor, {235, 245, 220}, caustic * 0.5f);
  c = MixRgb(c, floor, sand);
  // Rocks on the floor: soft dark mounds.
  const float rocks[][3] = {{0.18f, 0.74f, 0.07f}, {0.63f, 0.78f, 0.09f}, {0.86f, 0.70f, 0.05f}};
  for (const auto& r : rocks) {
    const float dx = (u - r[0]) * w / h, dy = (v - r[1]) * 1.6f;
    const float d = std::sqrt(dx * dx + dy * dy) / r[2];
    c = MixRgb(c, MixRgb({35, 45, 50}, {80, 85, 80}, Clamp01(-dy * 6.0f)), 1.0f - Smooth(0.85f, 1.0f, d));
  }
  return c;
}

pw::LightRecord Light(const Slide& s) {
  pw::LightRecord light;
  light.linkName = s.picture.name;
  light.linkId = 0;
  light.camera.mode = s.camera.mode;
  light.camera.zoom = s.camera.zoom;
  light.camera.speed = s.camera.speed;
  return light;
}

}  // namespace

void AddWaterFireSlides(Description& d) {
  Slide flame;
  flame.name = u"Hearth";
  flame.picture = {u"hearth.png", 920, 430, HearthColour};
  flame.fadeIn = 0.5f;
  flame.show = 2.0f;
  flame.fadeOut = 0.5f;
  flame.renderContext = [](pw::ByteBuilder& b, const Slide& s) {
    pw::FlameLightRecord r;
    r.light = Light(s);
    pw::WriteFlameLight(b, r);
  };
  d.slides.push_back(flame);

  Slide under;
  under.name = u"Seabed";
  under.picture = {u"seabed.png", 920, 430, SeabedColour};
  under.fadeIn = 0.5f;
  under.show = 2.0f;
  under.fadeOut = 0.5f;
  under.renderContext = [](pw::ByteBuilder& b, const Slide& s) {
    pw::UnderwaterLightRecord r;
    r.effect.amplitude = 50;  // a gentle wobble: 0.00625 of the picture
    r.effect.fx.speed = 10;
    r.light = Light(s);
    pw::WriteUnderwaterLight(b, r);
  };
  d.slides.push_back(under);
}

}  // namespace sample
