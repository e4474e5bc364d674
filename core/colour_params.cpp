#include "core/colour_params.h"

#include <cmath>

#include "core/archive.h"

uint32_t TruncatedLowByte(float v) {
  if (!(v >= -2147483648.0f && v < 2147483648.0f)) return 0;
  return static_cast<uint32_t>(static_cast<int32_t>(v)) & 0xFFu;
}

void HSBToRGB(unsigned int hue, unsigned int saturation, unsigned int brightness,
              float* red, float* green, float* blue) {
  const float s = static_cast<float>(saturation) * 0.01f;
  const float v = static_cast<float>(brightness) * 0.01f;
  if (s == 0.0f) {
    *red = *green = *blue = v;
    return;
  }
  // The hue is not wrapped: sector 6 and above (360 degrees on) take the
  // last sector's formula, whatever the fraction.
  const float h = static_cast<float>(hue) / 60.0f;
  const double i = std::floor(static_cast<double>(h));
  const float f = static_cast<float>(static_cast<double>(h) - i);
  const float p = (1.0f - s) * v;
  const float q = (1.0f - f * s) * v;
  const float t = (1.0f - (1.0f - f) * s) * v;
  float r, g, b;
  switch (static_cast<int>(i)) {
    case 0: r = v; g = t; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    default: r = v; g = p; b = q; break;
  }
  *red = r;
  *green = g;
  *blue = b;
}

// ---------------------------------------------------------------------------

SmartColorHSB::SmartColorHSB() {
  hue.AddControl(this);
  saturation.AddControl(this);
  brightness.AddControl(this);
}

SmartColorHSB::SmartColorHSB(const SmartColorHSB& other)
    : MediaControl(), hue(other.hue), saturation(other.saturation), brightness(other.brightness) {
  hue.AddControl(this);
  saturation.AddControl(this);
  brightness.AddControl(this);
  Recompute();
}

SmartColorHSB& SmartColorHSB::operator=(const SmartColorHSB& other) {
  if (this != &other) SetHSB(other.hue.value, other.saturation.value, other.brightness.value);
  return *this;
}

SmartColorHSB::~SmartColorHSB() {
  hue.RemoveControl(this);
  saturation.RemoveControl(this);
  brightness.RemoveControl(this);
}

void SmartColorHSB::SetHSB(unsigned int h, unsigned int s, unsigned int b) {
  hue = h;
  saturation = s;
  brightness = b;
  Recompute();
}

void SmartColorHSB::Recompute() {
  alpha = 1.0f;
  HSBToRGB(hue.value, saturation.value, brightness.value, &red, &green, &blue);
}

// ---------------------------------------------------------------------------

SmartGradientColor::SmartGradientColor() {
  Insert(static_cast<int32_t>(Items().size()), GradientKey(0.0f, 0x00FFFFFFu));
  Insert(static_cast<int32_t>(Items().size()), GradientKey(0.5f, 0x007F7F7Fu));
  Insert(static_cast<int32_t>(Items().size()), GradientKey(1.0f, 0x00000000u));
}

namespace {

// truncate(float(hi - lo) x w + lo), kept within a byte.
uint32_t BlendChannel(uint32_t lo, uint32_t hi, float w) {
  const float delta = static_cast<float>(static_cast<int32_t>(hi) - static_cast<int32_t>(lo));
  const float c = delta * w + static_cast<float>(lo);
  if (!(c > 0.0f)) return 0;  // also NaN
  if (c >= 255.0f) return 255;
  return static_cast<uint32_t>(c);
}

}  // namespace

COLORREF GradientColorAt(const std::vector<GradientKey>& keys, float t) {
  if (t < 0.0f || t > 1.0f) return 0;
  for (size_t i = 1; i < keys.size(); ++i) {
    if (keys[i].first > t) {
      const float w = (t - keys[i - 1].first) / (keys[i].first - keys[i - 1].first);
      const COLORREF a = keys[i - 1].second;
      const COLORREF b = keys[i].second;
      const uint32_t red = BlendChannel(a & 0xFF, b & 0xFF, w);
      const uint32_t green = BlendChannel((a >> 8) & 0xFF, (b >> 8) & 0xFF, w);
      const uint32_t blue = BlendChannel((a >> 16) & 0xFF, (b >> 16) & 0xFF, w);
      return red | green << 8 | blue << 16;
    }
  }
  if (!keys.empty() && t == keys.back().first) return keys.back().second;
  return 0;
}

COLORREF ListColorAt(const std::vector<COLORREF>& colours, float t) {
  if (colours.empty()) return 0;
  if (!(t >= 0.0f)) t = 0.0f;  // also NaN
  if (t > 1.0f) t = 1.0f;
  const float scaled = static_cast<float>(colours.size() - 1) * t;
  const double index = std::floor(static_cast<double>(scaled) + 0.5);
  size_t i = static_cast<size_t>(index);
  if (i >= colours.size()) i = colours.size() - 1;
  return colours[i];
}

// ---------------------------------------------------------------------------

ColorSourceParams::ColorSourceParams() { colours.Insert(0, 0x00FFFFFFu); }

COLORREF ColorSourceParams::ColorAt(float t) const {
  if (mode.value == 1) return GradientColorAt(gradient.Items(), t);
  return ListColorAt(colours.Items(), t);
}

ColorSetParams::ColorSetParams() {
  colours.Append(0x00FFFFFFu);
  colours.Append(0x00000000u);
}

void ReadColorSetParams(DS_IOF_Archive& ar, ColorSetParams& block) {
  uint32_t version = 0;
  ar.ReadDword(&version);
  const uint32_t count = ar.ReadSignedCount(4);
  std::vector<COLORREF> colours;
  colours.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    int32_t c = 0;
    ar.ReadInt(&c);
    colours.push_back(static_cast<COLORREF>(c));
  }
  block.colours.value = std::move(colours);
  block.colours.undo.OnChanged(nullptr);
  uint32_t word = static_cast<uint32_t>(block.colourMode.value);
  ar.ReadDword(&word);
  block.colourMode.value = static_cast<int32_t>(word);
  word = static_cast<uint32_t>(block.pick.value);
  ar.ReadDword(&word);
  block.pick.value = static_cast<int32_t>(word);
  block.transparency.Read(ar);
}

void WriteColorSetParams(DS_IOF_Archive& ar, const ColorSetParams& block) {
  DS_IOF_Virtual* s = ar.Stream();
  const uint32_t version = 1;
  s->WriteDword(&version);
  const int32_t count = static_cast<int32_t>(block.colours.value.size());
  s->WriteInt(&count);
  for (COLORREF c : block.colours.value) {
    const int32_t word = static_cast<int32_t>(c);
    s->WriteInt(&word);
  }
  const uint32_t colourMode = static_cast<uint32_t>(block.colourMode.value);
  const uint32_t pick = static_cast<uint32_t>(block.pick.value);
  s->WriteDword(&colourMode);
  s->WriteDword(&pick);
  s->WriteUInt(&block.transparency.value);
}
