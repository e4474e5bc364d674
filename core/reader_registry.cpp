#include "core/reader_registry.h"

zvi_string ClassNameFromUtf8(std::string_view name) {
  zvi_string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    auto b = static_cast<uint8_t>(name[i]);
    uint32_t c = b;
    size_t extra = 0;
    if (b >= 0xF0) { c = b & 0x07; extra = 3; }
    else if (b >= 0xE0) { c = b & 0x0F; extra = 2; }
    else if (b >= 0xC0) { c = b & 0x1F; extra = 1; }
    ++i;
    for (size_t k = 0; k < extra && i < name.size(); ++k, ++i)
      c = (c << 6) | (static_cast<uint8_t>(name[i]) & 0x3F);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}
