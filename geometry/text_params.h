#pragma once
// The text and font settings stored with every text element (text objects,
// text texture sources, the text figure and the text particles).
#include <cstdint>

#include "core/colour_params.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/zvi_string.h"

class DS_IOF_Archive;

struct TextFontParams {
  TextFontParams() { transparency.SetScaleOffset(-2.55f, 255.0f); }
  TextFontParams(const TextFontParams&) = default;
  TextFontParams& operator=(const TextFontParams&) = default;

  int32_t version = 1;
  MediaParamT<zvi_string> face;
  MediaParamT<unsigned int> size{0u};
  MediaParamT<int32_t> option1{0};
  MediaParamT<int32_t> option2{0};
  SmartCOLORREF colour{0u};  // 0x00BBGGRR
  UINTSclaleTo<unsigned char> transparency;  // derived alpha = 255 - 2.55 x value
};

struct TextParams {
  int32_t version = 2;
  MediaParamT<zvi_string> text;
  TextFontParams font;
  MediaParamT<int32_t> vertical_alignment{0};
  MediaParamT<int32_t> horizontal_alignment{0};
  MediaParamT<int32_t> layout_option{0};
};

// Version (ignored), face, size, two options, colour (raw), transparency (notified).
void ReadTextFontParams(DS_IOF_Archive& ar, TextFontParams& font);
// Version (gates the layout option, read from version 2 on), text, font,
// vertical and horizontal alignment, layout option.
void ReadTextParams(DS_IOF_Archive& ar, TextParams& params);
