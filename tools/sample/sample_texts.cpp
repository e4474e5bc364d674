// The texts slide: a label "BACK" in a pixel font of our own, stored as a
// picture and drawn by a text link that jumps back to the first slide.
#include <cstdint>

#include "tools/sample/sample_project.h"
#include "tools/writer/text_writer.h"

namespace sample {
namespace {

// Glyphs of 3 x 5 pixels, rows top to bottom, bit 2 the left column.
constexpr uint8_t kGlyphs[4][5] = {
    {6, 5, 6, 5, 6},  // B
    {2, 5, 7, 5, 5},  // A
    {3, 4, 4, 4, 3},  // C
    {5, 5, 6, 5, 5},  // K
};
constexpr uint32_t kLabelWidth = 17, kLabelHeight = 7;  // a pixel of margin
constexpr uint32_t kLabelPicture = 8103;
constexpr float kLabelScale = 8.0f;
constexpr float kLabelCentre[2] = {460.0f, 320.0f};

Rgb EveningColour(float x, float y, float w, float h) {
  const float v = y / h;
  return {60.0f + 80.0f * v + 20.0f * x / w, 50.0f + 40.0f * v, 90.0f - 30.0f * v};
}

Rgb LabelColour(float x, float y, float, float) {
  const int px = static_cast<int>(x) - 1, py = static_cast<int>(y) - 1;
  const bool inGlyphRow = py >= 0 && py < 5 && px >= 0 && px < 15 && px % 4 != 3;
  if (inGlyphRow && (kGlyphs[px / 4][py] >> (2 - px % 4) & 1)) return {250.0f, 240.0f, 200.0f};
  return {30.0f, 30.0f, 60.0f};
}

void WriteBackLink(pw::ByteBuilder& b) {
  pw::TextLinkRecord r;
  r.slideIndex = 0;
  r.base.text = u"BACK";
  r.base.face = u"Pixel";
  r.base.size = 5;
  const float hw = kLabelWidth * kLabelScale / 2.0f, hh = kLabelHeight * kLabelScale / 2.0f;
  const float l = kLabelCentre[0] - hw, rt = kLabelCentre[0] + hw;
  const float t = kLabelCentre[1] - hh, bt = kLabelCentre[1] + hh;
  r.base.base.base.corners = {l, t, 0, l, bt, 0, rt, t, 0, rt, bt, 0};
  pw::ClassicBlockRecord& k = r.base.base.base.system.block;
  k.image.links = {{u"common_res.dll", kLabelPicture}};
  k.image.currentName = u"common_res.dll";
  k.image.currentId = kLabelPicture;
  k.colours.colours = {0x00FFFFFFu};
  k.particleSize = 100;
  r.base.base.base.system.base.name = u"Back link";
  pw::WriteTextLink(b, r);
}

}  // namespace

void AddTextsSlide(Description& d) {
  Slide s;
  s.name = u"Texts";
  s.picture = {u"evening.png", 920, 430, EveningColour};
  s.fadeIn = 0.5f;
  s.show = 2.5f;
  s.fadeOut = 0.5f;
  s.objects.push_back(WriteBackLink);
  d.slides.push_back(s);
  pw::EmbeddedFileSpec f;
  f.resourceId = kLabelPicture;
  f.module = u"common_res.dll";
  f.path = u"back_label.png";
  f.bytes = EncodePicture({u"back_label.png", kLabelWidth, kLabelHeight, LabelColour});
  d.storedModuleImages.push_back({u"common_res.dll", static_cast<int64_t>(kLabelPicture), {std::move(f)}});
}

}  // namespace sample
