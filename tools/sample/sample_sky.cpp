// The sample's sky slides and their pictures, drawn by formula.
#include "tools/sample/sample_sky.h"

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "tools/sample/sample_project.h"
#include "tools/writer/explosion_writer.h"
#include "tools/writer/lightning_writer.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/smoke_rays_writer.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace sample {
namespace {

float Clamp01(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }

// A w x h RGBA picture from colour(u, v, out rgba) with u, v in 0..1.
template <class F>
std::vector<uint8_t> Rgba(int w, int h, F colour) {
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float c[4];
      colour((x + 0.5f) / static_cast<float>(w), (y + 0.5f) / static_cast<float>(h), c);
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

// A ray: bright at its root (u = 0), fading along, soft across.
void Beam(float u, float v, float c[4]) {
  const float across = std::exp(-std::pow((v - 0.5f) * 4.0f, 2.0f));
  c[0] = 1.0f;
  c[1] = 0.95f;
  c[2] = 0.75f;
  c[3] = across * (1.0f - u) * 0.7f;
}
// A puff: a soft grey ball.
void Puff(float u, float v, float c[4]) {
  const float d = (u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f);
  c[0] = c[1] = c[2] = 0.85f;
  c[3] = std::exp(-d * 14.0f) * (d < 0.25f ? 1.0f : 0.0f);
}
// The bolt's texture: white, softer towards its edges.
void Streak(float, float v, float c[4]) {
  c[0] = c[1] = c[2] = 1.0f;
  c[3] = std::exp(-std::pow((v - 0.5f) * 3.0f, 2.0f));
}
// The fireball's colours along its heat: red rim, orange, yellow-white core.
void Heat(float u, float, float c[4]) {
  c[0] = 1.0f;
  c[1] = 0.3f + 0.7f * u;
  c[2] = 0.1f + 0.8f * u * u;
  c[3] = 1.0f;
}

Rgb SunriseColour(float x, float y, float w, float h) {
  const float v = Clamp01(y / h);
  const float dx = (x - kSunCentre[0]) / w, dy = (y - kSunCentre[1]) / h;
  const float glow = std::exp(-(dx * dx * 6.0f + dy * dy * 4.0f));
  const float ground = Clamp01((v - 0.8f) * 12.0f);
  Rgb sky{60.0f + 160.0f * v + 35.0f * glow, 70.0f + 90.0f * v + 40.0f * glow, 140.0f - 60.0f * v};
  const Rgb land{50.0f, 45.0f, 40.0f};
  return {sky.r + (land.r - sky.r) * ground, sky.g + (land.g - sky.g) * ground, sky.b + (land.b - sky.b) * ground};
}

Rgb ThunderColour(float x, float y, float w, float h) {
  const float v = Clamp01(y / h), u = Clamp01(x / w);
  return {30.0f + 20.0f * v + 10.0f * u, 34.0f + 22.0f * v, 52.0f + 18.0f * v};
}

pw::TexGeneratorRecord Tex(const char16_t* image, uint32_t colour1) {
  pw::TexGeneratorRecord t;
  t.images = {{image, 0}};
  t.colour1 = colour1;
  return t;
}

void WriteSunRays(pw::ByteBuilder& b) {
  pw::RadialRaysRecord r;
  r.length = 320;
  r.width = 80;
  r.count = 10;
  r.turnSpeed = 10;  // 0.2 radians a second
  r.fadeDepth = 0;
  r.base.origin = {kSunCentre[0], kSunCentre[1], 0.0f};
  r.base.tex = Tex(u"beam.png", 0x0080E0FF);
  r.base.tex.effectName = u"common_res.dll";
  r.base.tex.effectId = 7001;
  pw::WriteRadialRays(b, r);
}

void WriteSmoke(pw::ByteBuilder& b) {
  pw::SmokeRecord r;
  r.wind = 60;  // a light breeze towards +x
  r.origin.lifetime = 100;  // 4 s
  r.origin.launchRate = 6;
  r.origin.originSize = 50;
  r.origin.direction = 90;  // up
  r.origin.spread = 15;
  r.origin.speed = 50;
  r.origin.base.origin = {kChimney[0], kChimney[1], 0.0f};
  r.origin.base.tex = Tex(u"puff.png", 0x00D0D0D0);
  r.origin.base.tex.transparency1 = 30;
  pw::WriteSmoke(b, r);
}

void WriteBolt(pw::ByteBuilder& b) {
  pw::LightningRecord r;
  r.coreWidth = 5;
  r.glowWidth = 24;
  r.detail = 5;
  r.jitter = 45;
  r.seed = 11;
  r.branchLength = 45;
  r.branchAngle = 35;
  r.taper = 50;
  r.branches = {3, 2, 0};
  r.flicker = 30;
  r.newShapeEachTime = 1;
  r.base.start = {kBoltStart[0], kBoltStart[1], 0.0f};
  r.base.end = {kBoltEnd[0], kBoltEnd[1], 0.0f};
  r.base.tex = Tex(u"streak.png", 0x00FFF0E0);
  r.base.tex.colour2 = 0x00FF9060;  // a blue glow
  pw::ConstructorRecord& base = r.base.tex.generator.base;
  base.kind = 1;
  pw::RandomTimeLineRecord timeline;
  timeline.minHidden = 40;
  timeline.maxHidden = 70;
  timeline.minShown = timeline.maxShown = 40;
  timeline.fadeIn = 5;
  timeline.fadeOut = 15;
  pw::WriteRandomTimeLine(base.timeline, timeline);
  pw::WriteLightning(b, r);
}

void WriteBlast(pw::ByteBuilder& b) {
  pw::ExplosionRecord r = pw::DefaultExplosion(920.0f, 430.0f);
  r.stat.x = kBlast[0];
  r.stat.y = kBlast[1];
  r.seed = 5;
  r.secondColour = 0x00101060;  // dark red rim
  r.stat.fx.sprite.size = kBlastSize;
  r.stat.fx.sprite.colour = 0x0080F0FF;  // warm yellow core
  r.stat.fx.sprite.imageName = u"heat.png";
  pw::ConstructorRecord& base = r.stat.fx.sprite.view.base;
  base.name = u"Blast";
  base.kind = 1;
  pw::RandomTimeLineRecord timeline;
  timeline.minHidden = timeline.maxHidden = 30;
  timeline.minShown = timeline.maxShown = 100;
  timeline.fadeIn = 100;
  timeline.fadeOut = 40;
  pw::WriteRandomTimeLine(base.timeline, timeline);
  pw::WriteExplosion(b, r);
}

}  // namespace

void AddSkySlides(Description& d) {
  // Before the pool, which closes the show.
  const bool poolLast = !d.slides.empty() && d.slides.back().name == u"Pool";
  std::vector<Slide> pool;
  if (poolLast) {
    pool.push_back(d.slides.back());
    d.slides.pop_back();
  }
  Slide sunrise;
  sunrise.name = kSunriseSlideName;
  sunrise.picture = {u"sunrise.png", 920, 430, SunriseColour};
  sunrise.fadeIn = 0.5f;
  sunrise.show = 2.5f;
  sunrise.fadeOut = 0.5f;
  sunrise.objects = {WriteSunRays, WriteSmoke};
  d.slides.push_back(sunrise);

  Slide thunder;
  thunder.name = kThunderSlideName;
  thunder.picture = {u"thunder.png", 920, 430, ThunderColour};
  thunder.fadeIn = 0.5f;
  thunder.show = 2.5f;
  thunder.fadeOut = 0.5f;
  thunder.objects = {WriteBolt, WriteBlast};
  d.slides.push_back(thunder);
  for (Slide& s : pool) d.slides.push_back(std::move(s));

  d.images.push_back({u"beam.png", Rgba(64, 16, Beam)});
  d.images.push_back({u"puff.png", Rgba(32, 32, Puff)});
  d.images.push_back({u"streak.png", Rgba(16, 16, Streak)});
  d.images.push_back({u"heat.png", Rgba(64, 4, Heat)});
}

}  // namespace sample
