#pragma once
// Builds project bytes for tests and the sample project: little-endian values,
// wide strings in their stored form, embedded files, file links, GUIDs and
// object record headers. Writers for each class add their fields in stored
// order on top of this (one free function per record, in tools/writer/).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/zvi_string.h"

struct GUID;

namespace pw {

// How a string length is stored: the shortest form that holds it, or one of
// the three forms forced (a reader accepts any form for any length).
enum class LengthForm { Shortest, Byte, Word, Dword };

class ByteBuilder {
 public:
  ByteBuilder& U8(uint8_t v);
  ByteBuilder& Bool(bool v) { return U8(v ? 1 : 0); }
  ByteBuilder& I16(int16_t v);
  ByteBuilder& U16(uint16_t v);
  ByteBuilder& I32(int32_t v);
  ByteBuilder& U32(uint32_t v);
  ByteBuilder& Dword(uint32_t v) { return U32(v); }
  ByteBuilder& I64(int64_t v);
  ByteBuilder& U64(uint64_t v);
  ByteBuilder& F32(float v);
  ByteBuilder& F64(double v);
  ByteBuilder& Pair(int32_t first, int32_t second) { return I32(first).I32(second); }
  ByteBuilder& Raw(const void* data, size_t size);
  ByteBuilder& Raw(std::span<const uint8_t> data) { return Raw(data.data(), data.size()); }
  ByteBuilder& Append(const ByteBuilder& other) { return Raw(other.bytes_); }

  // The length prefix alone (1, 3 or 7 bytes).
  ByteBuilder& Length(uint32_t length, LengthForm form = LengthForm::Shortest);
  // FF FE FF, the length in code units, the units.
  ByteBuilder& WideString(std::u16string_view text, LengthForm form = LengthForm::Shortest);
  // The length in bytes, the bytes (no markers).
  ByteBuilder& NarrowString(std::string_view text, LengthForm form = LengthForm::Shortest);

  // A GUID as its 38-character braced upper-case text.
  ByteBuilder& Guid(const GUID& guid);
  // A file link: wide name, then the 64-bit id.
  ByteBuilder& FileLink(std::u16string_view name, uint64_t id);
  // EmbeddedFileData: byte count, bytes, path.
  ByteBuilder& Blob(std::u16string_view path, std::span<const uint8_t> data);
  // EmbeddedFile: resource id, module name, then the blob part.
  ByteBuilder& EmbeddedFile(uint32_t resourceId, std::u16string_view moduleName,
                            std::u16string_view path, std::span<const uint8_t> data);
  // The start of an object record: class name and version. The class's
  // fields follow, then its base class's record.
  ByteBuilder& Header(std::u16string_view className, int32_t version);

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t>& bytes() { return bytes_; }
  size_t size() const { return bytes_.size(); }
  // Writes the bytes to a file; false when it cannot be written.
  bool SaveTo(const std::string& path) const;

 private:
  std::vector<uint8_t> bytes_;
};

// A GUID's braced text, as stored.
zvi_string GuidText(const GUID& guid);

}  // namespace pw
