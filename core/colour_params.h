#pragma once
// Colour parameters: a COLORREF with a transparency, an HSB colour, gradients
// of colour keys, colour lists and the colour look-up over them. COLORREF
// words hold red in the low byte, then green, then blue.
#include <cstdint>
#include <utility>
#include <vector>

#include "core/list_param.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "platform/win32/win_types.h"

class DS_IOF_Archive;

// A transparency percentage whose derived byte is the alpha 255 - 2.55 x t.
class TransparencyParam : public UINTSclaleTo<unsigned char> {
 public:
  TransparencyParam() { SetScaleOffset(-2.55f, 255.0f); }
  TransparencyParam(const TransparencyParam&) = default;
  TransparencyParam& operator=(const TransparencyParam&) = default;
};

// A colour (white when made) with its transparency.
class SmartCOLORREF : public MediaParamT<COLORREF> {
 public:
  SmartCOLORREF() : MediaParamT<COLORREF>(0x00FFFFFFu) {}
  explicit SmartCOLORREF(COLORREF colour) : MediaParamT<COLORREF>(colour) {}
  SmartCOLORREF(const SmartCOLORREF&) = default;
  SmartCOLORREF& operator=(const SmartCOLORREF&) = default;

  uint8_t Alpha() const { return transparency.derived; }

  TransparencyParam transparency;
};

// A colour channel from a product on the byte scale: truncated towards zero,
// then its low 8 bits (-51 gives 205, 382.5 gives 126). NaN and values past
// the 32-bit range give 0.
uint32_t TruncatedLowByte(float v);

// Red, green and blue in [0, 1] of a hue in degrees and a saturation and a
// brightness in percent. A hue of 360 or more wraps round the colour circle.
void HSBToRGB(unsigned int hue, unsigned int saturation, unsigned int brightness,
              float* red, float* green, float* blue);

// An HSB colour: observes its own three parameters and keeps the derived
// floats current on every change of them. The floats are not computed when
// it is made.
class SmartColorHSB : public MediaControl {
 public:
  SmartColorHSB();
  // Copies the three values and computes the floats.
  SmartColorHSB(const SmartColorHSB& other);
  SmartColorHSB& operator=(const SmartColorHSB& other);
  ~SmartColorHSB() override;

  // Stores the three values without notification, then recomputes.
  void SetHSB(unsigned int h, unsigned int s, unsigned int b);
  void Recompute();
  void OnChanged(MediaControl* source) override { Recompute(); }

  MediaParamT<unsigned int> hue{0u};
  MediaParamT<unsigned int> saturation{0u};
  MediaParamT<unsigned int> brightness{0u};
  float red = 0.0f;
  float green = 0.0f;
  float blue = 0.0f;
  float alpha = 0.0f;
};

// {position, colour} keys in ascending position.
using GradientKey = std::pair<float, COLORREF>;

// A gradient: white at 0, grey 0x7F7F7F at 0.5, black at 1 when made.
class SmartGradientColor : public ZVI_SmartArray<GradientKey> {
 public:
  SmartGradientColor();
  SmartGradientColor(const SmartGradientColor&) = default;
  SmartGradientColor& operator=(const SmartGradientColor&) = default;
};

// The colour at t of a gradient: channels blended between the two keys
// around t; 0 outside [0, 1] and where no key lies at or beyond t. Channels
// are clamped to 0..255.
COLORREF GradientColorAt(const std::vector<GradientKey>& keys, float t);
// Entry floor((n - 1) x t + 0.5) of a list of n colours; t is clamped to
// [0, 1] and an empty list gives black.
COLORREF ListColorAt(const std::vector<COLORREF>& colours, float t);

// The colour source of the colour particle effects: a list or a gradient.
class ColorSourceParams {
 public:
  ColorSourceParams();
  ColorSourceParams(const ColorSourceParams&) = default;
  ColorSourceParams& operator=(const ColorSourceParams&) = default;
  virtual ~ColorSourceParams() = default;

  // Mode 1 looks the gradient up; any other mode the list.
  COLORREF ColorAt(float t) const;

  MediaParamT<int32_t> mode{0};
  ZVI_SmartArray<COLORREF> colours;
  SmartGradientColor gradient;
};

// The colour block of particle nodes: two colours to blend or a list to pick
// from, and a transparency.
class ColorSetParams {
 public:
  ColorSetParams();
  ColorSetParams(const ColorSetParams&) = default;
  ColorSetParams& operator=(const ColorSetParams&) = default;

  MediaParamT<int32_t> colourMode{0};
  MediaParamT<int32_t> pick{0};
  ZVI_SmartVector<COLORREF> colours;
  TransparencyParam transparency;
};

// Version (ignored), colours (count, then that many words; replaced without
// notification, the selection kept), colour mode and pick (raw), then the
// transparency (notified when changed).
void ReadColorSetParams(DS_IOF_Archive& ar, ColorSetParams& block);
void WriteColorSetParams(DS_IOF_Archive& ar, const ColorSetParams& block);
