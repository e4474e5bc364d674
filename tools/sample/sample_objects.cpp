// The lines slide: a dusk gradient, a warm ribbon growing from left to right
// across the sky as its random timeline fades it in, and a green tile
// turning about its centre in the lower half.
#include "tools/sample/sample_objects.h"

#include <cmath>
#include <vector>

#include "tools/writer/line_writer.h"

namespace sample {
namespace {

Rgb DuskColour(float x, float y, float w, float h) {
  const float v = y / h, u = x / w;
  return {40.0f + 30.0f * v + 10.0f * u, 30.0f + 20.0f * v, 70.0f + 40.0f * v};
}

uint32_t ColourRef(const Rgb& c) {
  return static_cast<uint32_t>(c.r) | static_cast<uint32_t>(c.g) << 8 | static_cast<uint32_t>(c.b) << 16;
}

// Classic blocks take their pictures from the pack: the project stores its
// own copies under pack ids the pack does not use.
constexpr uint32_t kRibbonPicture = 8101;
constexpr uint32_t kTilePicture = 8102;

pw::ClassicBlockRecord Picture(uint32_t id) {
  pw::ClassicBlockRecord k;
  k.image.links = {{u"common_res.dll", id}};
  k.image.currentName = u"common_res.dll";
  k.image.currentId = id;
  k.colours.colours = {0x00FFFFFFu};
  k.particleSize = 100;
  return k;
}

void WriteRibbon(pw::ByteBuilder& b) {
  pw::GrowingLineRecord r;
  pw::StaticLineRecord& s = r.base;
  s.width = static_cast<uint32_t>(kRibbonWidth);
  pw::LineRecord& line = s.line;
  const float third = (kRibbonTo - kRibbonFrom) / 3.0f;
  line.points = {{{kRibbonFrom, kRibbonY, 0}, {third, 0, 0}, {-third, 0, 0}},
                 {{kRibbonTo, kRibbonY, 0}, {third, 0, 0}, {-third, 0, 0}}};
  line.ribbon = Picture(kRibbonPicture);
  line.ribbon.colours.colours = {ColourRef(kRibbonColour)};
  line.system.block = Picture(kRibbonPicture);
  pw::ConstructorRecord& base = line.system.base;
  base.name = u"Growing ribbon";
  base.kind = 1;  // random timeline
  pw::RandomTimeLineRecord t;
  t.minHidden = t.maxHidden = 100;
  t.minShown = t.maxShown = 400;
  t.fadeIn = static_cast<uint32_t>(kRibbonFadeIn * 100.0f);
  t.fadeOut = 100;
  pw::WriteRandomTimeLine(base.timeline, t);
  pw::WriteGrowingLine(b, r);
}

void WriteTile(pw::ByteBuilder& b) {
  pw::StaticObjectRecord r;
  r.rotationSpeed = static_cast<uint32_t>(kTileDegreesPerSecond / 0.4f);
  const float l = kTileCentre[0] - kTileWidth / 2.0f, rt = kTileCentre[0] + kTileWidth / 2.0f;
  const float t = kTileCentre[1] - kTileHeight / 2.0f, bt = kTileCentre[1] + kTileHeight / 2.0f;
  r.base.corners = {l, t, 0, l, bt, 0, rt, t, 0, rt, bt, 0};
  r.base.system.block = Picture(kTilePicture);
  r.base.system.base.name = u"Turning tile";
  pw::WriteStaticObject(b, r);
}

}  // namespace

void AddObjectsSlide(Description& d) {
  Slide s;
  s.name = kObjectsSlideName;
  s.picture = {u"dusk.png", 920, 430, DuskColour};
  s.fadeIn = 0.5f;
  s.show = 2.5f;
  s.fadeOut = 0.5f;
  s.objects.push_back(WriteRibbon);
  s.objects.push_back(WriteTile);
  d.slides.push_back(s);
  // Soft pictures: the ribbon fades to both sides of its width, the tile has a
  // soft rim, so neither draws as a hard-edged flat bar.
  auto storeRgba = [&d](uint32_t id, const char16_t* name, uint32_t w, uint32_t h, Rgb c, float rim, bool across) {
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const float ex = std::fmin(x + 0.5f, w - x - 0.5f) / (w * rim);
        const float ey = std::fmin(y + 0.5f, h - y - 0.5f) / (h * rim);
        const float t = std::fmin(1.0f, across ? ex : std::fmin(ex, ey));
        uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
        p[0] = static_cast<uint8_t>(c.r);
        p[1] = static_cast<uint8_t>(c.g);
        p[2] = static_cast<uint8_t>(c.b);
        p[3] = static_cast<uint8_t>(std::lround(255.0f * t * t * (3.0f - 2.0f * t)));
      }
    pw::EmbeddedFileSpec f;
    f.resourceId = id;
    f.module = u"common_res.dll";
    f.path = name;
    f.bytes = EncodeRgbaPicture(w, h, rgba);
    d.storedModuleImages.push_back({u"common_res.dll", static_cast<int64_t>(id), {std::move(f)}});
  };
  storeRgba(kRibbonPicture, u"ribbon.png", 32, 32, {255.0f, 255.0f, 255.0f}, 0.3f, true);
  storeRgba(kTilePicture, u"tile.png", 64, 32, kTileColour, 0.05f, false);
}

}  // namespace sample
