#pragma once
// The text and font settings stored with every text element (text objects,
// text texture sources, the text figure and the text particles), and the
// finished layout of text particles: lines of glyph boxes and a map from
// character code to the glyph's cell in an atlas image. The player never
// lays out or rasterises text; it only reads what the authoring tool stored.
#include <cstdint>
#include <map>
#include <vector>

#include "core/colour_params.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/zvi_string.h"

class DS_IOF_Archive;

// The authoring font of the sprite texts: kept, never used to draw.
struct FontData {
  int32_t size = 32;
  uint32_t weight = 700;
  int32_t style = 0;
  zvi_string face = u"Arial";
  bool operator==(const FontData& o) const {
    return size == o.size && weight == o.weight && style == o.style && face == o.face;
  }
};
using FontMediaParam = MediaParamT<FontData>;

// The colour starts black (0), as the font block's own definition has it.
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

// How a text is painted: mode, colour with its transparency, amount.
struct TextPaintParams {
  TextPaintParams() { transparency.SetScaleOffset(-2.55f, 255.0f); }
  TextPaintParams(const TextPaintParams&) = default;
  TextPaintParams& operator=(const TextPaintParams&) = default;

  MediaParamT<int32_t> mode{0};
  SmartCOLORREF colour{0u};
  UINTSclaleTo<unsigned char> transparency;
  MediaParamT<unsigned int> amount{0u};
};

// Version (ignored), face, size, two options, colour (raw), transparency (notified).
void ReadTextFontParams(DS_IOF_Archive& ar, TextFontParams& font);
// Version (gates the layout option, read from version 2 on), text, font,
// vertical and horizontal alignment, layout option.
void ReadTextParams(DS_IOF_Archive& ar, TextParams& params);
// Mode, colour (raw), transparency (notified), amount (raw); no version.
void ReadTextPaintParams(DS_IOF_Archive& ar, TextPaintParams& paint);
// The player's archive writes nothing.
inline void WriteTextFontParams(DS_IOF_Archive&, const TextFontParams&) {}
inline void WriteTextParams(DS_IOF_Archive&, const TextParams&) {}

// One laid-out character. (x, y) is the box corner with the smaller
// coordinates, relative to its line's origin.
struct TextGlyph {
  uint32_t code = 0;
  float x = 0, y = 0, w = 0, h = 0;
  uint8_t visible = 0;
  int32_t version = 2;
};

struct TextLine {
  float x = 0, y = 0, z = 0;
  std::vector<TextGlyph> glyphs;
  float width = 0;
  float height = 0;
  float top = 0;
  int32_t version = 3;
};

// A glyph's cell in the atlas image.
struct GlyphAtlasEntry {
  float umin = 0, vmin = 0, umax = 0, vmax = 0;
  int32_t count = 1;
};
using GlyphAtlas = std::map<uint32_t, GlyphAtlasEntry>;

// Replaces the line with the one read (line version 1 has no height and no
// top, version 2 no top; glyph version 1 no visible byte).
void ReadTextLine(DS_IOF_Archive& ar, TextLine& line);
inline void WriteTextLine(DS_IOF_Archive&, const TextLine&) {}
// Count, then per entry code, count (dropped), umin, umax, vmin, vmax; the
// first entry of a code wins.
void ReadGlyphAtlas(DS_IOF_Archive& ar, GlyphAtlas& atlas);
