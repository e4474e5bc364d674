// The storm slide: a dark sky over a low horizon, crossed by an electric arc
// high above the middle of the picture. The garden slide: rain falling over
// a meadow with a pond, fish in the pond and grass along the meadow.
#include "tools/sample/sample_scene.h"

#include <cmath>
#include <cstdint>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

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

// A w x h RGBA picture from colour(u, v) -> {r, g, b, a} in 0..1.
template <class F>
std::vector<uint8_t> Sprite(int w, int h, F colour) {
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto c = colour((x + 0.5f) / w, (y + 0.5f) / h);
      uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(std::lround(255.0f * Clamp01(c[k])));
    }
  std::vector<uint8_t> png;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        const auto* bytes = static_cast<const uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
      },
      &png, w, h, 4, rgba.data(), w * 4);
  return png;
}

struct Rgba {
  float v[4];
  float operator[](int i) const { return v[i]; }
};

// A drop: a pale blue streak, soft at both ends.
Rgba Drop(float u, float v) {
  const float across = 1.0f - std::fabs(2.0f * u - 1.0f);
  return {{0.75f, 0.85f, 1.0f, across * std::sin(3.1415927f * v) * 0.8f}};
}
// A fish facing right: an orange oval body and a tail on the left.
Rgba Fish(float u, float v) {
  const float bx = (u - 0.58f) / 0.4f, by = (v - 0.5f) / 0.38f;
  const bool body = bx * bx + by * by < 1.0f;
  const bool tail = u < 0.25f && std::fabs(v - 0.5f) < (0.25f - u) * 1.6f + 0.05f;
  const bool eye = (u - 0.82f) * (u - 0.82f) + (v - 0.42f) * (v - 0.42f) < 0.003f;
  if (eye) return {{0.1f, 0.1f, 0.1f, 1.0f}};
  if (body || tail) return {{1.0f, 0.55f + 0.2f * v, 0.15f, 1.0f}};
  return {{0.0f, 0.0f, 0.0f, 0.0f}};
}
// A blade: green, widest at the foot, pointed at the top.
Rgba Blade(float u, float v) {
  const float half = 0.45f * v;
  const bool in = std::fabs(u - 0.5f) < half;
  return {{0.2f, 0.5f + 0.3f * (1.0f - v), 0.15f, in ? 1.0f : 0.0f}};
}

// Smooth everywhere, so every point can be predicted after filtering: a grey
// sky fading into the meadow around the middle, a pond with a soft shore.
Rgb GardenColour(float x, float y, float w, float h) {
  const float v = Clamp01(y / h), u = Clamp01(x / w);
  auto smooth = [](float e0, float e1, float t) {
    const float k = Clamp01((t - e0) / (e1 - e0));
    return k * k * (3.0f - 2.0f * k);
  };
  const Rgb sky{110.0f + 40.0f * v, 140.0f + 50.0f * v, 170.0f + 30.0f * v};
  const Rgb meadow{60.0f + 20.0f * u, 110.0f + 30.0f * (1.0f - v), 50.0f};
  const float m = smooth(0.3f, 0.7f, v);
  Rgb c{sky.r + (meadow.r - sky.r) * m, sky.g + (meadow.g - sky.g) * m, sky.b + (meadow.b - sky.b) * m};
  const float px = (u - 0.5f) / 0.42f, py = (v - 0.7f) / 0.14f;
  const float water = 1.0f - smooth(0.7f, 1.0f, px * px + py * py);
  const Rgb pond{40.0f, 90.0f + 20.0f * py, 120.0f};
  return {c.r + (pond.r - c.r) * water, c.g + (pond.g - c.g) * water, c.b + (pond.b - c.b) * water};
}

void WriteView(pw::ViewObjRecord& view, const float edges[4], const char16_t* name) {
  view.left = edges[0];
  view.right = edges[1];
  view.top = edges[2];
  view.bottom = edges[3];
  view.base.name = name;
}

void WriteRain(pw::ByteBuilder& b) {
  pw::FlowRecord r;
  r.flowAngle = 270;
  r.flowSpeed = 500.0f;
  r.orientation = 1;
  pw::BaseSpriteRecord& s = r.sprite;
  s.count = 80;
  s.size = kDropSize;
  s.sizeMin = 0.5f;
  s.sizeMax = 1.0f;
  s.twinkleSpeed = 0.6f;
  s.twinkleMin = 0.3f;
  s.imageName = u"drop.png";
  // Over the right of the picture, clear of its centre.
  const float rightSide[4] = {0.62f, 1.0f, 0.0f, 1.0f};
  WriteView(s.view, rightSide, u"Rain");
  pw::WriteRain(b, r);
}

void WriteFish(pw::ByteBuilder& b) {
  pw::FishRecord r;
  r.maxSpeedX = 60.0f;
  r.maxSpeedY = 15.0f;
  r.sprite.count = 4;
  r.sprite.size = 70;
  r.sprite.imageName = u"fish.png";
  WriteView(r.sprite.view, kPondView, u"Fish");
  pw::WriteFish(b, r);
}

// A leaf: a green oval with a darker vein.
Rgba Leaf(float u, float v) {
  const float x = (u - 0.5f) / 0.45f, y = (v - 0.5f) / 0.3f;
  if (x * x + y * y >= 1.0f) return {{0.0f, 0.0f, 0.0f, 0.0f}};
  const float vein = std::fabs(v - 0.5f) < 0.04f ? 0.7f : 1.0f;
  return {{0.35f * vein, 0.7f * vein, 0.2f * vein, 1.0f}};
}

void WriteLeaf(pw::ByteBuilder& b) {
  pw::PathAnimationRecord r;
  r.travelSpeed = static_cast<uint32_t>(kLeafSpeed / 3.0f);
  r.size = 100;
  r.orientation = 2;  // mirrored while it travels towards -x
  r.points = {{kLeafFrom[0], kLeafFrom[1], 0.0f}, {kLeafTo[0], kLeafTo[1], 0.0f}};
  r.tex.images = {{u"leaf.png", 0}};
  r.tex.generator.base.name = u"Leaf";
  pw::WritePathAnimation(b, r);
}

void WriteGrass(pw::ByteBuilder& b) {
  pw::BaseSpriteRecord s;
  s.count = 60;
  s.size = 90;
  s.sizeMin = 0.6f;
  s.sizeMax = 1.0f;
  s.imageName = u"blade.png";
  WriteView(s.view, kGrassView, u"Grass");
  pw::WriteGrass(b, 6.0f, s);
}

}  // namespace

void AddSceneSlides(Description& d) {
  Slide storm;
  storm.name = kStormSlideName;
  storm.picture = {u"storm.png", 920, 430, StormColour};
  storm.fadeIn = 0.5f;
  storm.show = 2.5f;
  storm.fadeOut = 0.5f;
  storm.objects.push_back(WriteArc);
  d.slides.push_back(storm);

  Slide garden;
  garden.name = kGardenSlideName;
  garden.picture = {u"garden.png", 920, 430, GardenColour};
  garden.fadeIn = 0.5f;
  garden.show = 2.5f;
  garden.fadeOut = 0.5f;
  garden.objects = {WriteFish, WriteGrass, WriteRain, WriteLeaf};
  d.slides.push_back(garden);

  d.images.push_back({u"drop.png", Sprite(8, 32, Drop)});
  d.images.push_back({u"fish.png", Sprite(64, 32, Fish)});
  d.images.push_back({u"blade.png", Sprite(16, 64, Blade)});
  d.images.push_back({u"leaf.png", Sprite(32, 20, Leaf)});
}

}  // namespace sample
