// The sample's generators and their pictures, drawn by formula.
#include "tools/sample/sample_generators.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/sample/sample_project.h"
#include "tools/writer/generators_writer.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace sample {
namespace {

struct Rgba {
  float r, g, b, a;  // 0..1
};

std::vector<uint8_t> EncodeRgba(int w, int h, const std::function<Rgba(float, float)>& at) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // u, v in [-1, 1] at pixel centres.
      Rgba c = at((static_cast<float>(x) + 0.5f) / static_cast<float>(w) * 2.0f - 1.0f,
                  (static_cast<float>(y) + 0.5f) / static_cast<float>(h) * 2.0f - 1.0f);
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      const float v[4] = {c.r, c.g, c.b, c.a};
      for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(std::lround(255.0f * std::fmin(1.0f, std::fmax(0.0f, v[i]))));
    }
  std::vector<uint8_t> png;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        const auto* bytes = static_cast<const uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
      },
      &png, w, h, 4, px.data(), w * 4);
  return png;
}

// A four-pointed glint: a bright core and two thin crossing rays.
Rgba Glint(float u, float v) {
  const float core = std::exp(-(u * u + v * v) * 18.0f);
  const float rays = std::exp(-v * v * 400.0f) * (1.0f - std::fabs(u)) + std::exp(-u * u * 400.0f) * (1.0f - std::fabs(v));
  return {1.0f, 1.0f, 1.0f, std::fmin(1.0f, core + rays)};
}

// A soft round star.
Rgba Star(float u, float v) {
  const float d = u * u + v * v;
  return {1.0f, 1.0f, 0.95f, std::exp(-d * 6.0f) * (d < 1.0f ? 1.0f : 0.0f)};
}

// A curtain strip: bright along its lower edge, fading upwards and at the sides.
Rgba Curtain(float u, float v) {
  const float t = (v + 1.0f) * 0.5f;  // 0 top, 1 bottom
  const float rise = std::pow(t, 1.5f) * std::exp(-std::pow(std::fmax(0.0f, t - 0.85f) * 8.0f, 2.0f));
  const float side = std::exp(-u * u * 2.5f);
  return {0.6f * (1.0f - t), 1.0f, 0.6f + 0.3f * t, rise * side};
}

// A firework spark: a hot core fading out.
Rgba Spark(float u, float v) {
  const float d = u * u + v * v;
  return {1.0f, 0.95f, 0.8f, std::exp(-d * 5.0f) * (d < 1.0f ? 1.0f : 0.0f)};
}

// A fern: fronds fanning out of one root at the bottom, each a bent midrib
// with leaflets that narrow to its tip, soft at every edge.
Rgba Plant(float u, float v) {
  const float x = u, y = (v + 1.0f) * 0.5f;  // y 0 top, 1 bottom (root)
  float a = 0.0f, shade = 0.0f;
  const float angles[] = {-1.15f, -0.7f, -0.25f, 0.2f, 0.65f, 1.1f};
  for (int i = 0; i < 6; ++i) {
    const float ang = angles[i];
    const float length = 0.85f + 0.12f * std::cos(ang * 3.0f);
    // Along the frond from the root (0) to the tip (1), the midrib bending outwards.
    const float dx = x, dy = 1.0f - y;
    const float t = (dx * std::sin(ang) + dy * std::cos(ang)) / length;
    if (t < 0.0f || t > 1.0f) continue;
    const float bend = 0.25f * t * t * (ang < 0.0f ? -1.0f : 1.0f);
    const float side = dx * std::cos(ang) - dy * std::sin(ang) - bend;
    const float width = 0.17f * (1.0f - t) * std::fabs(std::sin(t * 40.0f)) + 0.012f;
    const float inside = 1.0f - std::fmin(1.0f, std::fmax(0.0f, (std::fabs(side) - width) / 0.02f));
    if (inside > a) {
      a = inside;
      shade = 0.5f + 0.5f * t;
    }
  }
  return {0.12f + 0.25f * shade, 0.4f + 0.45f * shade, 0.1f + 0.1f * shade, a};
}

// A 5 x 7 letter, one glyph picture of the title in two colours (frames).
Rgba Letter(const char* rows, float u, float v, bool second) {
  const int x = static_cast<int>((u + 1.0f) * 0.5f * 5.0f), y = static_cast<int>((v + 1.0f) * 0.5f * 7.0f);
  const bool on = x >= 0 && x < 5 && y >= 0 && y < 7 && rows[y * 5 + x] == '#';
  return second ? Rgba{1.0f, 0.85f, 0.4f, on ? 1.0f : 0.0f} : Rgba{1.0f, 1.0f, 1.0f, on ? 1.0f : 0.0f};
}

constexpr const char* kLetters[4] = {
    "####.#...##...##...##...##...#####.",  // D
    ".###.#...##...#######...##...##...#",  // A
    "#...##...##...##.#.##.#.##.#.#.#.#.",  // W
    "#...###..##.#.##..###...##...##...#",  // N
};

// Bytes as another tool's compiled effects look to us: not our text format.
std::vector<uint8_t> ForeignEffect() {
  std::vector<uint8_t> bytes = {0x01, 0x09, 0xFF, 0xFE};
  for (uint32_t i = 0; i < 60; ++i) bytes.push_back(static_cast<uint8_t>(i * 37u + 11u));
  return bytes;
}

pw::LinkFiles Stored(const char16_t* name, std::vector<uint8_t> bytes) {
  pw::EmbeddedFileSpec file;
  file.path = name;
  file.bytes = std::move(bytes);
  return pw::LinkFiles{name, 0, {std::move(file)}};
}

Slide* FindSlide(Description& d, const char16_t* name) {
  for (Slide& s : d.slides)
    if (s.name == name) return &s;
  return nullptr;
}

pw::TexGeneratorRecord Tex(std::vector<std::pair<std::u16string, int64_t>> images, uint32_t colour1,
                           uint32_t colour2, int32_t blend) {
  pw::TexGeneratorRecord t;
  t.images = std::move(images);
  t.effectName = u"glow_brush.fxo";
  t.colour1 = colour1;
  t.colour2 = colour2;
  t.blendMode = blend;
  return t;
}

}  // namespace

void AddGenerators(Description& d) {
  d.storedFiles.push_back(Stored(u"glint.png", EncodeRgba(32, 32, Glint)));
  d.storedFiles.push_back(Stored(u"star.png", EncodeRgba(16, 16, Star)));
  d.storedFiles.push_back(Stored(u"curtain.png", EncodeRgba(16, 64, Curtain)));
  d.storedFiles.push_back(Stored(u"glow_brush.fxo", ForeignEffect()));

  if (Slide* dawn = FindSlide(d, u"Dawn")) {
    dawn->objects.push_back([](pw::ByteBuilder& b) {
      pw::BlingRecord r;
      r.pulseSpeed = 50;
      r.growTime = 60;
      r.shrinkTime = 120;
      r.turnSpeed = 20;
      r.minimumSize = 60;
      r.brush.brushSize = 70;
      for (const auto& p : kSparkles) {
        pw::DabRecord dab;
        dab.x = p[0];
        dab.y = p[1];
        dab.factors[4] = p[0] * 0.01f;  // each turned its own way
        r.brush.dabs.push_back(dab);
      }
      // Warm white over a golden halo, added to the sky.
      r.brush.tex = Tex({{u"glint.png", 0}, {u"glint.png", 0}}, 0x00E0F8FF, 0x0040C0FF, 3);
      r.brush.tex.transparency2 = 40;
      pw::WriteBling(b, r);
    });
  }

  d.storedFiles.push_back(Stored(u"spark.png", EncodeRgba(16, 16, Spark)));
  d.storedFiles.push_back(Stored(u"plant.png", EncodeRgba(128, 144, Plant)));

  if (Slide* forest = FindSlide(d, u"Forest")) {
    forest->objects.push_back([](pw::ByteBuilder& b) {
      pw::PlantRecord r;
      r.speed = 50;
      r.frequency = 12;   // 1.2 radians per second
      r.wMagnitude = 60;  // 0.12 of the width
      r.bMagnitude = 20;
      const float l = kPlantRect[0], t = kPlantRect[1], rr = kPlantRect[2], bt = kPlantRect[3];
      // Corners 1 to 4: (left, top), (left, bottom), (right, top), (right, bottom).
      r.rect.corners = {{{l, t, 0.0f}, {l, bt, 0.0f}, {rr, t, 0.0f}, {rr, bt, 0.0f}}};
      r.rect.base.origin = {(l + rr) * 0.5f, (t + bt) * 0.5f, 0.0f};
      r.rect.base.tex = Tex({{u"plant.png", 0}}, 0x00FFFFFF, 0x00FFFFFF, 0);
      pw::WritePlant(b, r);
    });
  }

  // The title's glyphs: two frames each, stored under pack ids with delays.
  for (unsigned i = 0; i < 4; ++i) {
    pw::LinkFiles files{u"common_res.dll", static_cast<int64_t>(kTitleFirstId + i), {}};
    for (int frame = 0; frame < 2; ++frame) {
      pw::EmbeddedFileSpec f;
      f.resourceId = kTitleFirstId + i;
      f.module = u"common_res.dll";
      f.path = u"title.png";
      f.bytes = EncodeRgba(20, 28, [i, frame](float u, float v) { return Letter(kLetters[i], u, v, frame == 1); });
      files.files.push_back(std::move(f));
    }
    d.storedModuleImages.push_back(std::move(files));
    d.storedDelays.push_back({u"common_res.dll", static_cast<int64_t>(kTitleFirstId + i), {0.6f, 0.6f}});
  }
  if (Slide* dawn = FindSlide(d, u"Dawn")) {
    dawn->objects.push_back([](pw::ByteBuilder& b) {
      pw::AnimatedFontRecord r;
      r.text = u"DAWN";
      r.animationSpeed = 100;
      r.scale = 100;
      for (unsigned i = 0; i < 4; ++i) {
        r.glyphMap.push_back({u"DAWN"[i], u"common_res.dll", static_cast<int64_t>(kTitleFirstId + i)});
        r.glyphLinks.push_back({u"common_res.dll", static_cast<int64_t>(kTitleFirstId + i)});
        r.base.tex.generator.heads.push_back({380.0f + 40.0f * static_cast<float>(i), 24.0f, 0.0f});
      }
      r.base.origin = {460.0f, 38.0f, 0.0f};
      r.base.tex.effectName = u"glow_brush.fxo";
      pw::WriteAnimatedFont(b, r);
    });
  }

  if (Slide* night = FindSlide(d, u"Night")) {
    night->objects.push_back([](pw::ByteBuilder& b) {
      pw::FallingStarsRecord r;
      r.fallSpeed = 6;      // 48 pixels per second
      r.starRate = 200;     // up to four stars a second
      r.direction = 200;    // left and a little down
      r.starSize = 10;
      r.glowFactor = 50;
      r.holdTime = 60;
      r.fadeInTime = 30;
      r.fadeOutTime = 60;
      r.region.corners = {{{kStarRegion[0], kStarRegion[1], 0.0f}, {kStarRegion[0], kStarRegion[3], 0.0f},
                           {kStarRegion[2], kStarRegion[1], 0.0f}, {kStarRegion[2], kStarRegion[3], 0.0f}}};
      r.region.tex = Tex({{u"star.png", 0}, {u"star.png", 0}, {u"star.png", 0}, {u"star.png", 0}}, 0x00FFF0E0,
                         0x00FFC080, 0);
      r.region.tex.transparency2 = 50;
      r.region.tex.generator.life = 40;  // trails of 0.4 s
      r.region.tex.generator.rate = 10;  // 20 a second
      r.region.tex.generator.size = 50;
      r.region.tex.generator.trail = 1;
      pw::WriteFallingStars(b, r);
    });
    night->objects.push_back([](pw::ByteBuilder& b) {
      pw::FireworkSimpleRecord r;
      r.sparkCount = kFireworkSparks;
      // A burst that fills much of the sky: fast sparks with long, widening trails.
      r.sparkSize = 10;
      r.launchSpeed = 24;  // 96 pixels per second
      r.glowFactor = 75;
      r.origin.speed = 50;
      r.origin.base.origin = {kFireworkOrigin[0], kFireworkOrigin[1], 0.0f};
      r.origin.base.tex = Tex({{u"spark.png", 0}}, 0x0060D0FF, 0x002060FF, 0);
      r.origin.base.tex.generator.life = 90;
      r.origin.base.tex.generator.rate = 12;  // 25 a second
      r.origin.base.tex.generator.size = 20;
      r.origin.base.tex.generator.trail = 1;
      pw::ConstructorRecord& base = r.origin.base.tex.generator.base;
      base.kind = 1;
      pw::RandomTimeLineRecord timeline;
      timeline.minHidden = timeline.maxHidden = 60;
      timeline.minShown = timeline.maxShown = 120;
      timeline.fadeIn = timeline.fadeOut = 20;
      pw::WriteRandomTimeLine(base.timeline, timeline);
      pw::WriteFireworkSimple(b, r);
    });
  }

  if (Slide* night = FindSlide(d, u"Night")) {
    night->objects.push_back([](pw::ByteBuilder& b) {
      pw::AuroraRecord r;
      r.curtainHeight = static_cast<uint32_t>(kAuroraHeight);
      r.waves[0] = {30, 30, 60};   // height
      r.waves[1] = {45, 40, 40};   // opacity
      r.waves[2] = {60, 10, 80};   // sideways, 10 pixels
      r.direction = 0;
      r.brush.brushSize = 22;
      for (float x = 20.0f; x <= 280.0f; x += 6.0f) {
        pw::DabRecord dab;
        dab.x = x;
        dab.y = kAuroraY;
        dab.channels[0] = x;  // stroke position
        dab.channels[2] = 0.7f;
        r.brush.dabs.push_back(dab);
      }
      r.brush.tex = Tex({{u"curtain.png", 0}}, 0x0090FF70, 0x00FFFFFF, 3);
      pw::WriteAurora(b, r);
    });
    night->objects.push_back([](pw::ByteBuilder& b) {
      pw::TwinklingStarsRecord r;
      r.twinkleSpeed = 0;
      r.brush.brushSize = 12;
      const float stars[][2] = {{40, 30}, {95, 55}, {170, 25}, {230, 60}, {265, 20}, {60, 150}, {250, 160}};
      for (const auto& s : stars) {
        pw::DabRecord dab;
        dab.x = s[0];
        dab.y = s[1];
        r.brush.dabs.push_back(dab);
      }
      r.brush.tex = Tex({{u"star.png", 0}}, 0x00FFF4E8, 0x00FFFFFF, 0);
      pw::WriteTwinklingStars(b, r);
    });
  }
}

}  // namespace sample
