#include "core/archive.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/string_codec.h"
#include "platform/win32/windows.h"

static_assert(std::endian::native == std::endian::little,
              "values are copied as stored: the host must be little-endian");

ResourceBuffer::~ResourceBuffer() { Close(); }

bool ResourceBuffer::Open(const zvi_string& path) {
  Close();
  std::FILE* f = std::fopen(Win32_ToUtf8(path).c_str(), "rb");
  if (!f) return false;
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    return false;
  }
  std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
  file_ = f;
  fileSize_ = static_cast<uint64_t>(st.st_size);
  filePos_ = 0;
  metEnd_ = false;
  return true;
}

void ResourceBuffer::SetMemory(const void* data, size_t size) {
  cursor_ = static_cast<const uint8_t*>(data);
  end_ = cursor_ ? cursor_ + size : nullptr;
  metEnd_ = false;
}

void ResourceBuffer::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  fileSize_ = filePos_ = 0;
}

void ResourceBuffer::MarkEnd() {
  metEnd_ = true;
  if (strict_) throw DS_Error(kWrongFileFormat);
}

size_t ResourceBuffer::Read(void* dst, size_t n) {
  if (n == 0) return 0;
  size_t got = 0;
  if (cursor_) {
    got = std::min(n, static_cast<size_t>(end_ - cursor_));
    if (got) std::memcpy(dst, cursor_, got);
    cursor_ += got;
  } else if (file_ && !metEnd_) {
    got = std::fread(dst, 1, n, file_);
    filePos_ += got;
  }
  if (got < n) MarkEnd();
  return got;
}

uint64_t ResourceBuffer::Remaining() const {
  if (cursor_) return static_cast<uint64_t>(end_ - cursor_);
  if (file_ && !metEnd_) return fileSize_ > filePos_ ? fileSize_ - filePos_ : 0;
  return 0;
}

uint64_t ResourceBuffer::CapLength(uint64_t wanted) {
  uint64_t left = Remaining();
  if (wanted <= left) return wanted;
  if (strict_) MarkEnd();
  return left;
}

void ResourceBuffer::ReadUInt32(uint32_t* value) { Read(value, 4); }
void ResourceBuffer::ReadWideString(zvi_string* s) { DecodeWideString(*this, s); }
void ResourceBuffer::ReadString(std::string* s) { DecodeNarrowString(*this, s); }

void ResourceBuffer::ReadBlob(EmbeddedFileData* blob) {
  uint32_t count = 0;
  Read(&count, 4);
  if (count != 0) {
    uint32_t n = static_cast<uint32_t>(CapLength(count));
    if (n != 0) {
      uint8_t* bytes = blob->Allocate(n);
      Read(bytes, n);
    } else {
      blob->FreeData();
    }
    if (n < count) MarkEnd();
  }
  ReadWideString(&blob->path);
}

void ResourceBuffer::ReadEmbeddedFile(EmbeddedFile* file) {
  Read(&file->resourceId, 4);
  ReadWideString(&file->moduleName);
  ReadBlob(file);
}

void DS_IOF_R::ReadBool(bool* v) {
  uint8_t b = 0;
  if (buffer_->Read(&b, 1) == 1) *v = b != 0;
}

void DS_IOF_R::ReadBytes(uint32_t count, void* buffer) { buffer_->Read(buffer, count); }

void DS_IOF_Archive::EnterRecord() {
  if (nesting_ >= kMaxNesting) throw DS_Error(kWrongFileFormat);
  ++nesting_;
}

namespace {
uint32_t CapCount(DS_IOF_Virtual& stream, uint32_t n, uint32_t minBytesPerItem) {
  if (minBytesPerItem == 0) minBytesPerItem = 1;
  uint64_t fits = stream.CapLength(static_cast<uint64_t>(n) * minBytesPerItem) / minBytesPerItem;
  return static_cast<uint32_t>(std::min<uint64_t>(n, fits));
}
}  // namespace

uint32_t DS_IOF_Archive::ReadCount(uint32_t minBytesPerItem) {
  uint32_t n = 0;
  ReadUInt(&n);
  return CapCount(*stream_, n, minBytesPerItem);
}

uint32_t DS_IOF_Archive::ReadSignedCount(uint32_t minBytesPerItem) {
  int32_t n = 0;
  ReadInt(&n);
  return n <= 0 ? 0 : CapCount(*stream_, static_cast<uint32_t>(n), minBytesPerItem);
}

void DS_IOF_Archive::ReadFloatVector(std::vector<float>* values) {
  uint32_t n = ReadSignedCount(4);
  values->clear();
  values->reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    float f = 0.0f;
    ReadFloat(&f);
    values->push_back(f);
  }
}

MemoryArchive::MemoryArchive(const void* data, size_t size, bool strict)
    : MemoryArchive(std::make_unique<ResourceBuffer>(), strict) {
  buffer_->SetMemory(data, size);
}

MemoryArchive::MemoryArchive(std::unique_ptr<ResourceBuffer> buffer, bool strict)
    : DS_IOF_Archive(std::make_unique<DS_IOF_R>(buffer.get())), buffer_(std::move(buffer)) {
  buffer_->SetStrict(strict);
}
