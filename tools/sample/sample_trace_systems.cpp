// The sample's path, field and rain systems.
#include "tools/sample/sample_trace_systems.h"

#include <cmath>

#include "tools/writer/imitters_writer.h"

namespace sample {

namespace {

float Unit(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// A fixed pseudo-random value in [0, 1) for an integer pair.
float Scatter(int a, int b) {
  uint32_t h = static_cast<uint32_t>(a) * 374761393u + static_cast<uint32_t>(b) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<float>((h ^ (h >> 16)) & 0xFFFFu) / 65536.0f;
}

// Where the twinkling lights of the city sit, in picture pixels.
std::vector<std::array<float, 3>> TwinklePositions(const RainWindow& w) {
  std::vector<std::array<float, 3>> out;
  for (int i = 0; i < 48; ++i) {
    const float x = w.left + 30.0f + Scatter(i, 1) * (w.right - w.left - 60.0f);
    const float y = w.top + 150.0f + Scatter(i, 2) * 140.0f;
    out.push_back({x, y, 0.0f});
  }
  return out;
}

pw::ClassicBlockRecord PackImage(uint32_t id, uint32_t size) {
  pw::ClassicBlockRecord k;
  k.image.links = {{u"common_res.dll", static_cast<int64_t>(id)}};
  k.image.currentName = u"common_res.dll";
  k.image.currentId = id;
  k.particleSize = size;
  return k;
}

void AddRainSlide(Description& d) {
  const RainWindow& w = TheRainWindow();
  Slide rain;
  rain.name = u"Rain";
  rain.picture = {u"window.png", 920, 430, WindowColour};
  rain.fadeIn = 0.5f;
  rain.show = 2.5f;
  rain.fadeOut = 0.5f;
  rain.objects.push_back([w](pw::ByteBuilder& b) {
    pw::FieldRecord f;
    f.life = 120;  // 1.2 s each
    f.fill = 50;
    f.positions = TwinklePositions(w);
    f.speed = 0;
    f.system.block = PackImage(6001, w.twinkleSize);
    f.system.block.colours.colours = {0x0080D8FFu};  // warm yellow
    f.system.block.blendMode = 1;
    f.system.block.alphaFadeIn = 40;
    f.system.block.alphaFadeOut = 60;
    f.system.block.sizeVariation = 40;
    f.system.base.name = u"City lights";
    pw::WriteField(b, f);
  });
  rain.objects.push_back([w](pw::ByteBuilder& b) {
    pw::RainOnGlassRecord r;
    r.rate = 150;  // 30 drops per second
    r.area = {w.left, w.top, 0, w.left, w.bottom, 0, w.right, w.top, 0, w.right, w.bottom, 0};
    r.gravity = 90;        // pixels per second squared
    r.gravityAngle = 270;  // down the picture
    r.system.block = PackImage(6101, w.dropSize);
    r.system.block.colours.colours = {0x00FFF4E8u};
    r.system.block.angleSpread = 20;
    r.system.base.name = u"Rain on the pane";
    pw::WriteRainOnGlass(b, r);
  });
  const size_t at = w.slide < d.slides.size() ? w.slide : d.slides.size();
  d.slides.insert(d.slides.begin() + static_cast<std::ptrdiff_t>(at), rain);
}

void AddHorizonPath(Description& d) {
  const VoyageHorizonPath& h = TheVoyageHorizonPath();
  if (h.slide >= d.slides.size()) return;
  d.slides[h.slide].objects.push_back([h](pw::ByteBuilder& b) {
    pw::ParticlePathRecord r;
    r.points = pw::StraightPathPoints({h.left, h.y}, {h.right, h.y}, 3);
    r.rate = 100;  // 20 sparks per second
    r.speed = 120;
    r.speedVariation = 25;
    r.wobbleWidth = h.wobbleWidth;
    r.wobbleMode = 0;
    r.wobbleFrequency = 250;  // 0.1 radian per pixel travelled
    r.rampInEnd = 15;
    r.rampOutStart = 85;
    r.system.block = PackImage(6001, h.size);
    r.system.block.colours.colours = {0x00FFE0A0u};  // pale cyan
    r.system.block.blendMode = 1;
    r.system.base.name = u"Voyage horizon";
    pw::WriteParticlePath(b, r);
  });
}

}  // namespace

const RainWindow& TheRainWindow() {
  static const RainWindow window{};
  return window;
}

const VoyageHorizonPath& TheVoyageHorizonPath() {
  static const VoyageHorizonPath path{};
  return path;
}

Rgb WindowColour(float x, float y, float w, float h) {
  const RainWindow& pane = TheRainWindow();
  const bool inside = x >= pane.left && x < pane.right && y >= pane.top && y < pane.bottom;
  if (!inside) {
    // The frame: dark wood, lighter towards the sill.
    const float grain = 0.5f + 0.5f * std::sin(x * 0.05f + std::sin(y * 0.02f) * 3.0f);
    return Mix({60, 38, 24}, {96, 64, 40}, Unit(y / h * 0.6f + grain * 0.3f));
  }
  // Behind the glass: a blue-grey night sky over a dark skyline.
  const float v = (y - pane.top) / (pane.bottom - pane.top);
  Rgb c = Mix({34, 44, 70}, {70, 78, 96}, v);
  const int block = static_cast<int>(x / 40.0f);
  const float roof = pane.top + 120.0f + Scatter(block, 5) * 60.0f;
  if (y > roof) c = Mix(c, {18, 20, 30}, 0.8f);
  return c;
}

void AddTraceSystems(Description& d) {
  AddHorizonPath(d);
  AddRainSlide(d);
}

}  // namespace sample
