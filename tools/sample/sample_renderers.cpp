// The sample's slides drawn by slide renderers: a still glass ball on a
// stand over a dark gradient, and a lake under an evening sky.
#include <cmath>
#include <cstring>
#include <vector>

#include "tools/sample/sample_project.h"
#include "tools/writer/renderers_writer.h"

namespace sample {
namespace {

float Mix(float a, float b, float t) { return a + (b - a) * t; }
float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
Rgb MixRgb(Rgb a, Rgb b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }

// Meadow: soft bands of green and gold under a pale sky, seen in the ball.
Rgb MeadowColour(float x, float y, float w, float h) {
  const float u = x / w, v = y / h;
  Rgb sky = MixRgb({150, 190, 235}, {235, 225, 190}, Clamp01(v * 1.6f));
  Rgb field = MixRgb({90, 150, 60}, {210, 180, 70}, 0.5f + 0.5f * std::sin(u * 6.0f + v * 3.0f));
  return MixRgb(sky, field, Clamp01((v - 0.45f) * 4.0f));
}

// Lakeside: an evening sky over dark blue hills; the lower part becomes the lake.
Rgb LakesideColour(float x, float y, float w, float h) {
  const float u = x / w, v = y / h;
  Rgb sky = MixRgb({70, 90, 170}, {250, 170, 120}, Clamp01(v * 1.5f));
  const float ridge = 0.58f + 0.02f * std::sin(u * 7.0f) + 0.01f * std::sin(u * 17.0f + 2.0f);
  return MixRgb(sky, {40, 50, 80}, Clamp01((v - ridge) * 12.0f));
}

constexpr float kPi = 3.14159265f;

// The lake's normal map, our own: a 128 x 128 DDS of signed slopes (V8U8) of
// ripples that run mostly across the view, so the mirrored sky wavers.
std::vector<uint8_t> RippleNormalMap() {
  constexpr uint32_t n = 128;
  std::vector<uint8_t> out(128 + n * n * 2, 0);
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  std::memcpy(out.data(), "DDS ", 4);
  put(4, 124);
  put(8, 0x1007 | 0x8);  // caps, height, width, pixel format, pitch
  put(12, n);
  put(16, n);
  put(20, n * 2);
  put(28, 1);
  put(76, 32);
  put(80, 0x80000);  // signed bump pixels
  put(88, 16);
  put(92, 0xFF);
  put(96, 0xFF00);
  put(108, 0x1000);
  // Waves whose whole periods fit the tile, so it repeats without a seam.
  const float waves[][3] = {{1, 6, 0.9f}, {-2, 9, 0.6f}, {3, 14, 0.4f}, {-5, 21, 0.25f}};
  for (uint32_t y = 0; y < n; ++y)
    for (uint32_t x = 0; x < n; ++x) {
      float du = 0.0f, dv = 0.0f;
      for (const auto& w : waves) {
        const float phase = 2.0f * kPi * (w[0] * x + w[1] * y) / n;
        const float slope = w[2] * std::cos(phase);
        du += slope * w[0] / w[1];
        dv += slope;
      }
      auto byte = [](float v) { return static_cast<uint8_t>(static_cast<int8_t>(std::lround(std::fmax(-1.0f, std::fmin(1.0f, v * 0.6f)) * 127.0f))); };
      out[128 + (y * n + x) * 2] = byte(du);
      out[128 + (y * n + x) * 2 + 1] = byte(dv);
    }
  return out;
}

constexpr GUID kLakeNormalMap{0x7A4E0C21, 0x5B3D, 0x4F60, {0x9A, 0x1E, 0x33, 0x52, 0x6C, 0x0D, 0x48, 0x17}};
// Stored frames are found by the map's GUID as text.
constexpr const char16_t* kLakeNormalMapLink = u"{7A4E0C21-5B3D-4F60-9A1E-33526C0D4817}";

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

void AddRendererSlides(Description& d) {
  Slide glass;
  glass.name = u"Glass";
  glass.picture = {u"meadow.png", 920, 430, MeadowColour};
  glass.fadeIn = 0.5f;
  glass.show = 2.5f;
  glass.fadeOut = 0.5f;
  glass.renderContext = [](pw::ByteBuilder& b, const Slide& s) {
    pw::GlassBallRecord r;
    r.picture = {s.picture.name, 0};  // the gradient fills the window's shape
    r.motion = 0;
    r.standOn = 1;
    r.topColor = 0x00402010;
    r.bottomColor = 0x00000000;
    r.light = Light(s);
    pw::WriteGlassBall(b, r);
  };
  d.slides.push_back(glass);

  Slide lake;
  lake.name = u"Lake";
  lake.picture = {u"lakeside.png", 920, 430, LakesideColour};
  lake.fadeIn = 0.5f;
  lake.show = 2.5f;
  lake.fadeOut = 0.5f;
  lake.renderContext = [](pw::ByteBuilder& b, const Slide& s) {
    pw::LakeRecord r;
    r.normalMapGuid = kLakeNormalMap;
    r.light = Light(s);
    pw::WriteLake(b, r);
  };
  d.slides.push_back(lake);
  d.storedRawFrames.push_back({kLakeNormalMapLink, 0, {{1, RippleNormalMap(), 0.0f}}});
}

}  // namespace sample
