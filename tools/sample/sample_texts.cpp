// The texts slide: a label "BACK" in a pixel font of our own, stored as a
// picture and drawn by a text link that jumps back to the first slide; a
// wall clock from the pack's plate, face and hand; a butterfly with the
// pack's body and wings of a picture of our own.
#include "tools/sample/sample_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/writer/butterfly_clock_writer.h"
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

void WriteClock(pw::ByteBuilder& b) {
  pw::ClockRecord r;
  const int32_t cx = static_cast<int32_t>(kClockCentre[0]), cy = static_cast<int32_t>(kClockCentre[1]);
  const int32_t half = static_cast<int32_t>(kClockSize / 2);
  r.rect = {cx - half, cx + half, cy - half, cy + half, cx, cy};
  r.base.size = kClockSize;
  r.base.view.base.name = u"Clock";
  pw::WriteClock(b, r);
}

void WriteButterfly(pw::ByteBuilder& b) {
  pw::ButterflyRecord r;
  r.base.size = kButterflySize;
  r.base.imageName = u"wing.png";
  r.base.imageId = 0;
  pw::ViewObjRecord& v = r.base.view;
  v.left = kButterflyView[0];
  v.right = kButterflyView[1];
  v.top = kButterflyView[2];
  v.bottom = kButterflyView[3];
  v.pixels = {static_cast<int32_t>(v.left * 920.0f), static_cast<int32_t>(v.right * 920.0f),
              static_cast<int32_t>(v.top * 430.0f), static_cast<int32_t>(v.bottom * 430.0f), 0, 0};
  v.base.name = u"Butterfly";
  pw::WriteButterfly(b, r);
}

// One wing, hinged at u = 0, the front edge at v = 0: a large forewing and a
// smaller hindwing, orange with a dark rim and pale spots near the tip.
std::vector<uint8_t> WingPicture() {
  constexpr uint32_t n = 64;
  std::vector<uint8_t> rgba(n * n * 4);
  for (uint32_t y = 0; y < n; ++y)
    for (uint32_t x = 0; x < n; ++x) {
      const float u = (static_cast<float>(x) + 0.5f) / n, v = (static_cast<float>(y) + 0.5f) / n;
      const float fore = std::hypot((u - 0.48f) / 0.5f, (v - 0.3f) / 0.3f);
      const float hind = std::hypot((u - 0.32f) / 0.34f, (v - 0.72f) / 0.27f);
      const float d = std::min(fore, hind);
      const float alpha = std::clamp((1.0f - d) * 12.0f, 0.0f, 1.0f);
      const bool rim = d > 0.78f;
      const bool spot = std::hypot(u - 0.8f, v - 0.22f) < 0.07f || std::hypot(u - 0.66f, v - 0.12f) < 0.05f;
      const float rgb[3] = {rim ? 40.0f : spot ? 250.0f : 240.0f, rim ? 28.0f : spot ? 240.0f : 130.0f,
                            rim ? 20.0f : spot ? 220.0f : 30.0f};
      uint8_t* p = &rgba[(y * n + x) * 4];
      for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(rgb[k]);
      p[3] = static_cast<uint8_t>(std::lround(alpha * 255.0f));
    }
  return EncodeRgbaPicture(n, n, rgba);
}

}  // namespace

void AddTextsSlide(Description& d) {
  Slide s;
  s.name = kTextsSlideName;
  s.picture = {u"evening.png", 920, 430, EveningColour};
  s.fadeIn = 0.5f;
  s.show = 2.5f;
  s.fadeOut = 0.5f;
  s.objects.push_back(WriteBackLink);
  s.objects.push_back(WriteClock);
  s.objects.push_back(WriteButterfly);
  d.slides.push_back(s);
  // The 3-D objects take their pictures from stored frames.
  d.storedRawFrames.push_back({u"wing.png", 0, {{1, WingPicture(), 0.0f}}});
  pw::EmbeddedFileSpec f;
  f.resourceId = kLabelPicture;
  f.module = u"common_res.dll";
  f.path = u"back_label.png";
  f.bytes = EncodePicture({u"back_label.png", kLabelWidth, kLabelHeight, LabelColour});
  d.storedModuleImages.push_back({u"common_res.dll", static_cast<int64_t>(kLabelPicture), {std::move(f)}});
}

}  // namespace sample
