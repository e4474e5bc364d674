#include "core/embedded_file.h"

#include <cstring>

void EmbeddedFileData::FreeData() {
  data.reset();
  size = 0;
}

uint8_t* EmbeddedFileData::Allocate(uint32_t n) {
  data = std::make_unique_for_overwrite<uint8_t[]>(n);
  size = n;
  return data.get();
}

void EmbeddedFileData::SetPath(const zvi_string& newPath) {
  if (newPath == path) return;
  FreeData();
  path = newPath;
}

void EmbeddedFileData::CopyFrom(const EmbeddedFileData& source) {
  if (&source == this) return;
  path = source.path;
  if (source.data && source.size) {
    std::memcpy(Allocate(source.size), source.data.get(), source.size);
  } else {
    FreeData();
  }
}

EmbeddedFile EmbeddedFile::Copy() const {
  EmbeddedFile copy;
  copy.CopyFrom(*this);
  copy.resourceId = resourceId;
  copy.moduleName = moduleName;
  return copy;
}

zvi_string FileNameOfPath(const zvi_string& path) {
  size_t slash = path.rfind(u'\\');
  if (slash == zvi_string::npos) return zvi_string();
  return path.substr(slash + 1);
}
