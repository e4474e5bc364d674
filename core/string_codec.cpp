#include "core/string_codec.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/archive.h"

uint32_t DecodeLength(ResourceBuffer& in) {
  uint8_t b = 0;
  in.Read(&b, 1);
  if (b != 0xFF) return b;
  uint16_t w = 0;
  in.Read(&w, 2);
  if (w != 0xFFFF) return w;
  uint32_t d = 0;
  in.Read(&d, 4);
  return d;
}

void DecodeWideString(ResourceBuffer& in, zvi_string* out) {
  uint8_t markers[3];
  in.Read(markers, 3);  // never tested
  uint32_t len = DecodeLength(in);
  if (len == 0) {
    out->clear();
    return;
  }
  uint64_t want = static_cast<uint64_t>(len) * 2;
  uint64_t have = in.CapLength(want);
  // A half unit at the very end keeps its low byte.
  zvi_string s(static_cast<size_t>((have + 1) / 2), u'\0');
  if (have) in.Read(s.data(), static_cast<size_t>(have));
  if (have < want) in.MarkEnd();
  size_t zero = s.find(u'\0');
  if (zero != zvi_string::npos) s.resize(zero);
  *out = std::move(s);
}

void DecodeNarrowString(ResourceBuffer& in, std::string* out) {
  uint32_t len = DecodeLength(in);
  if (len == 0) {
    out->clear();
    return;
  }
  uint64_t have = in.CapLength(len);
  std::string s(static_cast<size_t>(have), '\0');
  if (have) in.Read(s.data(), static_cast<size_t>(have));
  if (have < len) in.MarkEnd();
  size_t zero = s.find('\0');
  if (zero != std::string::npos) s.resize(zero);
  *out = std::move(s);
}

size_t DecodeWideString(const uint8_t* data, size_t size, zvi_string* out) {
  ResourceBuffer in;
  in.SetMemory(data, size);
  DecodeWideString(in, out);
  return size - static_cast<size_t>(in.Remaining());
}
