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

// Seabed: vertical shafts of light every 80 pixels over deep blue water.
Rgb SeabedColour(float x, float, float, float) {
  const float shaft = 0.5f + 0.5f * std::sin(x * 6.2831853f / 80.0f);
  return MixRgb({10, 40, 90}, {120, 210, 230}, shaft * shaft);
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
    r.effect.amplitude = 100;  // 0.0125 of the picture
    r.effect.fx.speed = 10;
    r.light = Light(s);
    pw::WriteUnderwaterLight(b, r);
  };
  d.slides.push_back(under);
}

}  // namespace sample
