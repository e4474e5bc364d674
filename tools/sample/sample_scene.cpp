// The storm slide: a dark sky over a low horizon, crossed by an electric arc
// high above the middle of the picture.
#include "tools/sample/sample_scene.h"

#include <cmath>

#include "tools/writer/sprite_writer.h"

namespace sample {
namespace {

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

Rgb StormColour(float x, float y, float w, float h) {
  const float v = Clamp01(y / h), u = Clamp01(x / w);
  // Slate clouds darkening upwards, a faint violet band at the horizon.
  const float band = std::exp(-((v - 0.78f) * (v - 0.78f)) / 0.01f);
  Rgb c{30.0f + 30.0f * v + 10.0f * u, 34.0f + 28.0f * v, 60.0f + 40.0f * v};
  c.r += 40.0f * band;
  c.b += 50.0f * band;
  if (v > 0.85f) c = {20.0f, 22.0f, 30.0f};  // the ground
  return c;
}

void WriteArc(pw::ByteBuilder& b) {
  pw::DischargeRecord r = pw::DefaultDischarge();
  r.start = {kArcStart[0], kArcStart[1], 0.0f};
  r.end = {kArcEnd[0], kArcEnd[1], 0.0f};
  r.jitter = 20;
  pw::BaseSpriteRecord& s = r.glow.fx.sprite;
  s.count = 12;
  s.size = 40;
  // The softer bolt is the glow's shape.
  s.secondName = u"common_res.dll";
  s.secondId = 98;
  s.view.base.name = u"Arc";
  pw::WriteDischarge(b, r);
}

}  // namespace

void AddSceneSlides(Description& d) {
  Slide storm;
  storm.name = kStormSlideName;
  storm.picture = {u"storm.png", 920, 430, StormColour};
  storm.fadeIn = 1.0f;
  storm.show = 3.0f;
  storm.fadeOut = 1.0f;
  storm.objects.push_back(WriteArc);
  d.slides.push_back(storm);
}

}  // namespace sample
