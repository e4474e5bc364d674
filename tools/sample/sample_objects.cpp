// The lines slide: a dusk gradient, a warm ribbon growing from left to right
// across the sky as its random timeline fades it in, and a green tile
// turning about its centre in the lower half.
#include "tools/sample/sample_objects.h"

#include "tools/writer/line_writer.h"

namespace sample {
namespace {

Rgb DuskColour(float x, float y, float w, float h) {
  const float v = y / h, u = x / w;
  return {40.0f + 30.0f * v + 10.0f * u, 30.0f + 20.0f * v, 70.0f + 40.0f * v};
}
Rgb Flat(float, float, float, float) { return {255.0f, 255.0f, 255.0f}; }
Rgb TileColour(float, float, float, float) { return kTileColour; }

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
  auto store = [&d](uint32_t id, const sample::Picture& picture) {
    pw::EmbeddedFileSpec f;
    f.resourceId = id;
    f.module = u"common_res.dll";
    f.path = picture.name;
    f.bytes = EncodePicture(picture);
    d.storedModuleImages.push_back({u"common_res.dll", static_cast<int64_t>(id), {std::move(f)}});
  };
  store(kRibbonPicture, {u"ribbon.png", 4, 4, Flat});
  store(kTilePicture, {u"tile.png", 16, 8, TileColour});
}

}  // namespace sample
