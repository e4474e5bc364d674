// The sample's background pictures, drawn by formula: soft gradients and
// glows with no hard edges, so every point is predictable after filtering.
#include <cmath>
#include <cstring>

#include "tools/sample/sample_project.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace sample {
namespace {

float Mix(float a, float b, float t) { return a + (b - a) * t; }
float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }
float Smooth(float e0, float e1, float v) {
  float t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}
float Glow(float x, float y, float cx, float cy, float radius) {
  float dx = x - cx, dy = y - cy;
  return std::exp(-(dx * dx + dy * dy) / (radius * radius));
}
Rgb MixRgb(Rgb a, Rgb b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }
Rgb Clamp(Rgb c) { return {255.0f * Clamp01(c.r / 255.0f), 255.0f * Clamp01(c.g / 255.0f), 255.0f * Clamp01(c.b / 255.0f)}; }

// A small deterministic hash for scattered details.
float Hash(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

}  // namespace

// Dawn: a sky from night blue to warm orange, a soft sun and low hills.
Rgb DawnColour(float x, float y, float w, float h) {
  float v = y / h;
  Rgb sky = MixRgb({40, 60, 140}, {250, 150, 90}, Smooth(0.0f, 0.85f, v));
  float sun = Glow(x, y, w * 0.5f, h * 0.62f, h * 0.28f);
  Rgb c = MixRgb(sky, {255, 230, 170}, sun * 0.8f);
  float ridge = h * (0.84f + 0.05f * std::sin(x / w * 9.0f) + 0.03f * std::sin(x / w * 23.0f + 1.0f));
  float hill = Smooth(ridge - 4.0f, ridge + 4.0f, y);
  return Clamp(MixRgb(c, {60, 40, 60}, hill));
}

// Forest: a wide wood at day. Light through a green canopy, rows of dark
// trunks that thin with distance, a mossy floor along the bottom.
Rgb ForestColour(float x, float y, float w, float h) {
  float u = x / w, v = y / h;
  float light = Glow(x, y, w * 0.45f, h * 0.25f, h * 0.55f);
  Rgb c = MixRgb({40, 95, 45}, {190, 225, 150}, Clamp01(light * 0.9f));
  float leaves = 0.5f + 0.25f * std::sin(u * 47.0f + std::sin(v * 19.0f) * 2.0f) + 0.25f * std::sin(v * 31.0f - u * 13.0f);
  c = MixRgb(c, {30, 80, 35}, (1.0f - Smooth(0.15f, 0.55f, v)) * leaves * 0.6f);
  // Three rows of trunks, the far ones pale and thin.
  const float rows[3][4] = {{23.0f, 0.010f, 0.35f, 0.0f}, {13.0f, 0.018f, 0.6f, 0.37f}, {7.0f, 0.030f, 0.85f, 0.71f}};
  for (const auto& r : rows) {
    float k = u * r[0] + r[3];
    float cell = std::floor(k);
    float centre = 0.3f + 0.4f * Hash(static_cast<int>(cell), static_cast<int>(r[0]));
    float d = std::fabs(k - cell - centre) / r[0];
    float trunk = 1.0f - Smooth(r[1] * 0.6f, r[1], d);
    c = MixRgb(c, MixRgb({90, 110, 80}, {45, 32, 22}, r[2]), trunk * r[2]);
  }
  float floor = Smooth(0.8f, 0.9f, v);
  float moss = 0.5f + 0.5f * std::sin(u * 61.0f + v * 17.0f);
  return Clamp(MixRgb(c, MixRgb({70, 95, 40}, {105, 130, 55}, moss), floor));
}

// Voyage: a wide dusk sea; red grows to the right, green downwards, so the
// point under the camera can be read from the colour.
Rgb VoyageColour(float x, float y, float w, float h) {
  float r = 30.0f + 190.0f * (x / w);
  float g = 40.0f + 160.0f * (y / h);
  float b = 150.0f + 50.0f * std::sin(x / 70.0f) * std::cos(y / 50.0f);
  return Clamp({r, g, b});
}

// Night: deep blue, a moon glow in the middle, faint stars in the upper sky.
Rgb NightColour(float x, float y, float w, float h) {
  float v = y / h;
  Rgb c = MixRgb({10, 20, 60}, {30, 40, 110}, v);
  float moon = Glow(x, y, w * 0.5f, h * 0.45f, w * 0.22f);
  c = MixRgb(c, {230, 235, 255}, moon * 0.85f);
  // Stars on a coarse grid, each a soft dot, none near the moon.
  const float cell = 24.0f;
  int cx = static_cast<int>(x / cell), cy = static_cast<int>(y / cell);
  float sx = (static_cast<float>(cx) + 0.2f + 0.6f * Hash(cx, cy)) * cell;
  float sy = (static_cast<float>(cy) + 0.2f + 0.6f * Hash(cy, cx + 7)) * cell;
  float far = Smooth(w * 0.35f, w * 0.5f, std::hypot(sx - w * 0.5f, sy - h * 0.45f)) * (sy < h * 0.3f ? 1.0f : 0.0f);
  if (Hash(cx + 3, cy) > 0.55f) c = MixRgb(c, {255, 250, 230}, far * Glow(x, y, sx, sy, 1.6f));
  return Clamp(c);
}

std::vector<uint8_t> EncodePicture(const Picture& picture) {
  std::vector<uint8_t> rgb(static_cast<size_t>(picture.width) * picture.height * 3);
  for (uint32_t y = 0; y < picture.height; ++y)
    for (uint32_t x = 0; x < picture.width; ++x) {
      // Pixel centres, as a texture is sampled.
      Rgb c = picture.At(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
      uint8_t* p = &rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
      p[0] = static_cast<uint8_t>(std::lround(c.r));
      p[1] = static_cast<uint8_t>(std::lround(c.g));
      p[2] = static_cast<uint8_t>(std::lround(c.b));
    }
  std::vector<uint8_t> png;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        const auto* bytes = static_cast<const uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
      },
      &png, static_cast<int>(picture.width), static_cast<int>(picture.height), 3, rgb.data(),
      static_cast<int>(picture.width * 3));
  return png;
}

std::vector<uint8_t> EncodeRgbaPicture(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba) {
  std::vector<uint8_t> png;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        const auto* bytes = static_cast<const uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
      },
      &png, static_cast<int>(width), static_cast<int>(height), 4, rgba.data(), static_cast<int>(width * 4));
  return png;
}

}  // namespace sample
