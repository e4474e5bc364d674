#include "tools/writer/byte_builder.h"

#include <cstdio>
#include <cstring>

#include "platform/com/com.h"

namespace pw {

namespace {
template <class T>
void Put(std::vector<uint8_t>& out, T v) {
  uint8_t b[sizeof(T)];
  std::memcpy(b, &v, sizeof(T));  // the host is little-endian, as stored
  out.insert(out.end(), b, b + sizeof(T));
}
}  // namespace

ByteBuilder& ByteBuilder::U8(uint8_t v) { bytes_.push_back(v); return *this; }
ByteBuilder& ByteBuilder::I16(int16_t v) { Put(bytes_, v); return *this; }
ByteBuilder& ByteBuilder::U16(uint16_t v) { Put(bytes_, v); return *this; }
ByteBuilder& ByteBuilder::I32(int32_t v) { Put(bytes_, v); return *this; }
ByteBuilder& ByteBuilder::U32(uint32_t v) { Put(bytes_, v); return *this; }
ByteBuilder& ByteBuilder::I64(int64_t v) { Put(bytes_, v); return *this; }
ByteBuilder& ByteBuilder::U64(uint64_t v) { Put(bytes_, v); return *this; }
ByteBuilder& ByteBuilder::F32(float v) { Put(bytes_, v); return *this; }
ByteBuilder& ByteBuilder::F64(double v) { Put(bytes_, v); return *this; }

ByteBuilder& ByteBuilder::Raw(const void* data, size_t size) {
  auto p = static_cast<const uint8_t*>(data);
  if (size) bytes_.insert(bytes_.end(), p, p + size);
  return *this;
}

ByteBuilder& ByteBuilder::Length(uint32_t length, LengthForm form) {
  if (form == LengthForm::Shortest)
    form = length < 0xFF ? LengthForm::Byte : length < 0xFFFF ? LengthForm::Word : LengthForm::Dword;
  switch (form) {
    case LengthForm::Byte:
      return U8(static_cast<uint8_t>(length));
    case LengthForm::Word:
      return U8(0xFF).U16(static_cast<uint16_t>(length));
    default:
      return U8(0xFF).U16(0xFFFF).U32(length);
  }
}

ByteBuilder& ByteBuilder::WideString(std::u16string_view text, LengthForm form) {
  U8(0xFF).U8(0xFE).U8(0xFF);
  Length(static_cast<uint32_t>(text.size()), form);
  for (char16_t c : text) U16(static_cast<uint16_t>(c));
  return *this;
}

ByteBuilder& ByteBuilder::NarrowString(std::string_view text, LengthForm form) {
  Length(static_cast<uint32_t>(text.size()), form);
  return Raw(text.data(), text.size());
}

zvi_string GuidText(const GUID& guid) {
  char16_t buf[64] = {};
  int n = StringFromGUID2(guid, buf, 64);
  return n > 0 ? zvi_string(buf, static_cast<size_t>(n - 1)) : zvi_string();
}

ByteBuilder& ByteBuilder::Guid(const GUID& guid) { return WideString(GuidText(guid)); }

ByteBuilder& ByteBuilder::FileLink(std::u16string_view name, uint64_t id) {
  return WideString(name).U64(id);
}

ByteBuilder& ByteBuilder::Blob(std::u16string_view path, std::span<const uint8_t> data) {
  U32(static_cast<uint32_t>(data.size()));
  Raw(data);
  return WideString(path);
}

ByteBuilder& ByteBuilder::EmbeddedFile(uint32_t resourceId, std::u16string_view moduleName,
                                       std::u16string_view path, std::span<const uint8_t> data) {
  U32(resourceId);
  WideString(moduleName);
  return Blob(path, data);
}

ByteBuilder& ByteBuilder::Header(std::u16string_view className, int32_t version) {
  return WideString(className).I32(version);
}

bool ByteBuilder::SaveTo(const std::string& path) const {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = bytes_.empty() || std::fwrite(bytes_.data(), 1, bytes_.size(), f) == bytes_.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace pw
