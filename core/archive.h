#pragma once
// The archive stream every project object is read through: fixed-width
// little-endian values with no tags or alignment, strings and embedded files.
// The player never writes: every write operation does nothing.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/ds_error.h"
#include "core/embedded_file.h"
#include "core/zvi_string.h"

struct GUID;

// The message of every project that cannot be read as a whole.
inline constexpr char16_t kWrongFileFormat[] = u"Cannot open file: Wrong file format.";

// Bytes of a project: an open file or a bounded memory block. The end of the
// block behaves like the end of a file: a read that meets it copies what is
// left and every later read copies nothing.
class ResourceBuffer {
 public:
  ResourceBuffer() = default;
  ~ResourceBuffer();
  ResourceBuffer(const ResourceBuffer&) = delete;
  ResourceBuffer& operator=(const ResourceBuffer&) = delete;

  // Opens a file for binary input; false when it cannot be opened.
  bool Open(const zvi_string& path);
  bool IsOpen() const { return file_ != nullptr; }
  // Reads from a caller-owned block (it wins over an open file).
  void SetMemory(const void* data, size_t size);
  void Close();

  // Copies up to n bytes; returns how many were copied.
  size_t Read(void* dst, size_t n);
  // Bytes left before the end of the data.
  uint64_t Remaining() const;
  // True once a read asked for more than was left.
  bool MetEnd() const { return metEnd_; }
  // Strict: a read or a length that runs past the end raises DS_Error
  // (kWrongFileFormat) instead of stopping quietly. Used once a project's
  // header has been accepted.
  void SetStrict(bool strict) { strict_ = strict; }
  bool Strict() const { return strict_; }

  void ReadUInt32(uint32_t* value);
  void ReadWideString(zvi_string* s);
  void ReadString(std::string* s);
  void ReadBlob(EmbeddedFileData* blob);
  void ReadEmbeddedFile(EmbeddedFile* file);

  // The part of a length read from the data that the data can hold; a
  // strict buffer throws when it cannot hold all of it.
  uint64_t CapLength(uint64_t wanted);
  // Records that the data ended inside a read (throws when strict).
  void MarkEnd();

 private:
  std::FILE* file_ = nullptr;
  uint64_t fileSize_ = 0;
  uint64_t filePos_ = 0;
  const uint8_t* cursor_ = nullptr;
  const uint8_t* end_ = nullptr;
  bool metEnd_ = false;
  bool strict_ = false;
};

// The abstract stream: writes first, then typed reads.
class DS_IOF_Virtual {
 public:
  virtual ~DS_IOF_Virtual() = default;

  virtual void WriteEmbeddedFile(const EmbeddedFile* v) = 0;
  virtual void WriteBlob(const EmbeddedFileData* v) = 0;
  virtual void WriteWideString(const zvi_string* v) = 0;
  virtual void Write8Bytes(const void* v) = 0;
  virtual void WriteFloat(const float* v) = 0;
  virtual void WritePair(const int32_t* first, const int32_t* second) = 0;
  virtual void WriteInt(const int32_t* v) = 0;
  virtual void WriteShort(const int16_t* v) = 0;
  virtual void WriteUInt(const uint32_t* v) = 0;
  virtual void WriteBool(const bool* v) = 0;
  virtual void WriteByte(const uint8_t* v) = 0;
  virtual void WriteDword(const uint32_t* v) = 0;
  virtual void WriteBytes(uint32_t count, const void* buffer) = 0;

  virtual void ReadEmbeddedFile(EmbeddedFile* v) = 0;
  virtual void ReadBlob(EmbeddedFileData* v) = 0;
  virtual void ReadString(std::string* v) = 0;
  virtual void ReadWideString(zvi_string* v) = 0;
  virtual void ReadDouble(double* v) = 0;
  virtual void ReadInt64(int64_t* v) = 0;
  virtual void ReadFloat(float* v) = 0;
  virtual void ReadPair(int32_t* first, int32_t* second) = 0;
  virtual void ReadInt(int32_t* v) = 0;
  virtual void ReadShort(int16_t* v) = 0;
  virtual void ReadUInt(uint32_t* v) = 0;
  virtual void ReadBool(bool* v) = 0;
  virtual void ReadByte(uint8_t* v) = 0;
  virtual void ReadDword(uint32_t* v) = 0;
  virtual void ReadBytes(uint32_t count, void* buffer) = 0;

  // Bytes left to read, and the part of a claimed length the data can hold
  // (a strict stream raises DS_Error instead of cutting it).
  virtual uint64_t Remaining() const = 0;
  virtual uint64_t CapLength(uint64_t wantedBytes) = 0;
};

// The player's stream over a ResourceBuffer (not owned).
class DS_IOF_R : public DS_IOF_Virtual {
 public:
  explicit DS_IOF_R(ResourceBuffer* buffer) : buffer_(buffer) {}

  void WriteEmbeddedFile(const EmbeddedFile*) override {}
  void WriteBlob(const EmbeddedFileData*) override {}
  void WriteWideString(const zvi_string*) override {}
  void Write8Bytes(const void*) override {}
  void WriteFloat(const float*) override {}
  void WritePair(const int32_t*, const int32_t*) override {}
  void WriteInt(const int32_t*) override {}
  void WriteShort(const int16_t*) override {}
  void WriteUInt(const uint32_t*) override {}
  void WriteBool(const bool*) override {}
  void WriteByte(const uint8_t*) override {}
  void WriteDword(const uint32_t*) override {}
  void WriteBytes(uint32_t, const void*) override {}

  void ReadEmbeddedFile(EmbeddedFile* v) override { buffer_->ReadEmbeddedFile(v); }
  void ReadBlob(EmbeddedFileData* v) override { buffer_->ReadBlob(v); }
  void ReadString(std::string* v) override { buffer_->ReadString(v); }
  void ReadWideString(zvi_string* v) override { buffer_->ReadWideString(v); }
  void ReadDouble(double* v) override { buffer_->Read(v, 8); }
  void ReadInt64(int64_t* v) override { buffer_->Read(v, 8); }
  void ReadFloat(float* v) override { buffer_->Read(v, 4); }
  void ReadPair(int32_t* first, int32_t* second) override {
    buffer_->Read(first, 4);
    buffer_->Read(second, 4);
  }
  void ReadInt(int32_t* v) override { buffer_->Read(v, 4); }
  void ReadShort(int16_t* v) override { buffer_->Read(v, 2); }
  void ReadUInt(uint32_t* v) override { buffer_->Read(v, 4); }
  void ReadBool(bool* v) override;
  void ReadByte(uint8_t* v) override { buffer_->Read(v, 1); }
  void ReadDword(uint32_t* v) override { buffer_->Read(v, 4); }
  void ReadBytes(uint32_t count, void* buffer) override;

  uint64_t Remaining() const override { return buffer_->Remaining(); }
  uint64_t CapLength(uint64_t wantedBytes) override { return buffer_->CapLength(wantedBytes); }
  ResourceBuffer* Buffer() const { return buffer_; }

 private:
  ResourceBuffer* buffer_;
};

// Handed to every reader; owns its stream. The typed reads forward to it.
class DS_IOF_Archive {
 public:
  explicit DS_IOF_Archive(std::unique_ptr<DS_IOF_Virtual> stream) : stream_(std::move(stream)) {}
  virtual ~DS_IOF_Archive() = default;
  DS_IOF_Archive(const DS_IOF_Archive&) = delete;
  DS_IOF_Archive& operator=(const DS_IOF_Archive&) = delete;

  // The archive's one virtual operation; nothing in the player uses it.
  virtual int32_t ResolvePath(const zvi_string&, const zvi_string&) { return 0; }

  DS_IOF_Virtual* Stream() const { return stream_.get(); }

  void ReadEmbeddedFile(EmbeddedFile* v) { stream_->ReadEmbeddedFile(v); }
  void ReadBlob(EmbeddedFileData* v) { stream_->ReadBlob(v); }
  void ReadString(std::string* v) { stream_->ReadString(v); }
  void ReadWideString(zvi_string* v) { stream_->ReadWideString(v); }
  void ReadDouble(double* v) { stream_->ReadDouble(v); }
  void ReadInt64(int64_t* v) { stream_->ReadInt64(v); }
  void ReadInt64(uint64_t* v) { stream_->ReadInt64(reinterpret_cast<int64_t*>(v)); }
  void ReadFloat(float* v) { stream_->ReadFloat(v); }
  void ReadPair(int32_t* first, int32_t* second) { stream_->ReadPair(first, second); }
  void ReadInt(int32_t* v) { stream_->ReadInt(v); }
  void ReadShort(int16_t* v) { stream_->ReadShort(v); }
  void ReadUInt(uint32_t* v) { stream_->ReadUInt(v); }
  void ReadBool(bool* v) { stream_->ReadBool(v); }
  void ReadByte(uint8_t* v) { stream_->ReadByte(v); }
  void ReadDword(uint32_t* v) { stream_->ReadDword(v); }
  void ReadBytes(uint32_t count, void* buffer) { stream_->ReadBytes(count, buffer); }
  uint64_t Remaining() const { return stream_->Remaining(); }

  // A count for a list whose entries take at least minBytesPerItem bytes
  // each, read with ReadUInt into 0. When the data left cannot hold that many
  // entries it is cut to what fits (a strict stream raises DS_Error). Use it
  // before any loop or allocation sized by a count from the file.
  uint32_t ReadCount(uint32_t minBytesPerItem = 1);
  // The same for counts stored signed (ReadInt): 0 or below gives 0.
  uint32_t ReadSignedCount(uint32_t minBytesPerItem = 1);

  // Object records nest (groups, node trees); a hostile file could nest them
  // until the stack runs out. Entering a record deeper than kMaxNesting
  // raises DS_Error (kWrongFileFormat).
  static constexpr int kMaxNesting = 256;
  void EnterRecord();
  void LeaveRecord() { --nesting_; }

  // Braced registry form; a text that does not parse leaves the null GUID.
  void ReadGuid(GUID* guid);
  // Count (ReadInt), then that many floats; a count of 0 or below empties it.
  void ReadFloatVector(std::vector<float>* values);

 private:
  std::unique_ptr<DS_IOF_Virtual> stream_;
  int nesting_ = 0;
};

// An archive that reads a memory block, owning its buffer and stream.
class MemoryArchive : public DS_IOF_Archive {
 public:
  MemoryArchive(const void* data, size_t size, bool strict = false);
  ResourceBuffer& Buffer() { return *buffer_; }

 private:
  MemoryArchive(std::unique_ptr<ResourceBuffer> buffer, bool strict);
  std::unique_ptr<ResourceBuffer> buffer_;
};
