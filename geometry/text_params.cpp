#include "geometry/text_params.h"

#include "core/archive.h"

namespace {
template <class T>
void ReadRaw(DS_IOF_Archive& ar, MediaParamT<T>& p) {
  uint32_t v = 0;
  ar.ReadDword(&v);
  p = static_cast<T>(v);
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
  uint32_t colour = 0;
  ar.ReadDword(&colour);
  font.colour.value = colour;
  font.colour.undo.OnChanged(nullptr);
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
