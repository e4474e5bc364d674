#pragma once
// Files carried inside a project: a path and its bytes, and the same plus the
// resource module (and id) the file came from.
#include <cstdint>
#include <memory>

#include "core/zvi_string.h"

struct EmbeddedFileData {
  zvi_string path;
  std::unique_ptr<uint8_t[]> data;  // null when the project carries no bytes
  uint32_t size = 0;                // 0 whenever data is null

  EmbeddedFileData() = default;
  EmbeddedFileData(EmbeddedFileData&&) noexcept = default;
  EmbeddedFileData& operator=(EmbeddedFileData&&) noexcept = default;
  virtual ~EmbeddedFileData() = default;

  // A different path drops the bytes that belonged to the old one.
  void SetPath(const zvi_string& newPath);
  // Copies path and bytes; any bytes held before are released.
  void CopyFrom(const EmbeddedFileData& source);
  void FreeData();
  // Takes a fresh array of n bytes (uninitialised) and returns it.
  uint8_t* Allocate(uint32_t n);
};

struct EmbeddedFile : EmbeddedFileData {
  uint32_t resourceId = 0;  // non-zero: resource of moduleName
  zvi_string moduleName;

  // Replaces the bytes with resource resourceId of moduleName ("DDS" type,
  // then RCDATA); false, record unchanged, when the module has no such entry.
  bool LoadFromModule();
  // A copy of path, bytes and module entry (the bytes are owned, so the
  // record has no copy constructor).
  EmbeddedFile Copy() const;
};

// The part of a path after its last backslash; empty when there is none.
zvi_string FileNameOfPath(const zvi_string& path);
