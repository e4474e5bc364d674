#include "core/text_params.h"

#include <algorithm>

#include "core/archive.h"

namespace {
template <class T>
void ReadRaw(DS_IOF_Archive& ar, MediaParamT<T>& p) {
  uint32_t v = 0;
  ar.ReadDword(&v);
  p = static_cast<T>(v);
}

void ReadRawColour(DS_IOF_Archive& ar, SmartCOLORREF& colour) {
  uint32_t v = 0;
  ar.ReadDword(&v);
  colour.value = v;
  colour.undo.OnChanged(nullptr);
}

}  // namespace

void ReadTextFontParams(DS_IOF_Archive& ar, TextFontParams& font) {
  uint32_t version = 0;
  ar.ReadDword(&version);
  zvi_string face;
  ar.ReadWideString(&face);
  font.face = face;
  ReadRaw(ar, font.size);
  ReadRaw(ar, font.option1);
  ReadRaw(ar, font.option2);
  ReadRawColour(ar, font.colour);
  font.transparency.Read(ar);
}

void ReadTextParams(DS_IOF_Archive& ar, TextParams& params) {
  uint32_t version = 0;
  ar.ReadDword(&version);
  zvi_string text;
  ar.ReadWideString(&text);
  params.text = text;
  ReadTextFontParams(ar, params.font);
  ReadRaw(ar, params.vertical_alignment);
  ReadRaw(ar, params.horizontal_alignment);
  if (version >= 2) ReadRaw(ar, params.layout_option);
}

void ReadTextPaintParams(DS_IOF_Archive& ar, TextPaintParams& paint) {
  ReadRaw(ar, paint.mode);
  ReadRawColour(ar, paint.colour);
  paint.transparency.Read(ar);
  ReadRaw(ar, paint.amount);
}

void ReadTextLine(DS_IOF_Archive& ar, TextLine& line) {
  line = TextLine();
  uint32_t version = 0;
  ar.ReadDword(&version);
  ar.ReadFloat(&line.x);
  ar.ReadFloat(&line.y);
  ar.ReadFloat(&line.z);
  // A glyph takes at least 24 bytes; a negative count reads no glyph.
  const uint32_t count = ar.ReadSignedCount(24);
  line.glyphs.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    TextGlyph g;
    uint32_t glyphVersion = 0;
    ar.ReadDword(&glyphVersion);
    ar.ReadUInt(&g.code);
    ar.ReadFloat(&g.x);
    ar.ReadFloat(&g.y);
    ar.ReadFloat(&g.w);
    ar.ReadFloat(&g.h);
    if (glyphVersion >= 2) ar.ReadByte(&g.visible);
    line.glyphs.push_back(g);
  }
  ar.ReadFloat(&line.width);
  if (version >= 2) ar.ReadFloat(&line.height);
  if (version >= 3) ar.ReadFloat(&line.top);
}

void ReadGlyphAtlas(DS_IOF_Archive& ar, GlyphAtlas& atlas) {
  // An entry takes 24 bytes; a negative count reads no entry.
  const uint32_t count = ar.ReadSignedCount(24);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t code = 0, dropped = 0;
    GlyphAtlasEntry e;
    ar.ReadUInt(&code);
    ar.ReadDword(&dropped);
    ar.ReadFloat(&e.umin);
    ar.ReadFloat(&e.umax);
    ar.ReadFloat(&e.vmin);
    ar.ReadFloat(&e.vmax);
    atlas.emplace(code, e);
  }
}
