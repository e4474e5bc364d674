#include "player/audio_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#include "core/archive.h"
#include "platform/win32/windows.h"

DS_AudioFile::DS_AudioFile() : value1(0.0f), value2(0.0f) { volume.SetScaleOffset(0.01f, 0.0f, 100u); }

DS_AudioFile::~DS_AudioFile() = default;

bool DS_AudioFile::WriteRecord(DS_IOF_Archive&) { return true; }

void DS_AudioFile::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadWideString(&text);
  ar.ReadBlob(&file);
  if (version > 1) ReadScaledValue(ar, volume);
  if (version > 2) {
    ar.ReadFloat(&value1.value);
    ar.ReadFloat(&value2.value);
  }
}

namespace {
// A folder of that name is no file to play.
bool IsExistingFile(const zvi_string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}
}  // namespace

bool DS_AudioFile::Playable() const { return IsExistingFile(file.path); }

zvi_string TempFileNameOfPath(const zvi_string& storedPath) {
  size_t cut = storedPath.find_last_of(u"\\/");
  zvi_string name = cut == zvi_string::npos ? storedPath : storedPath.substr(cut + 1);
  for (char16_t& c : name) {
    if (c < 0x20 || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' || c == u'|') c = u'_';
  }
  if (name.empty() || name == u"." || name == u"..") return zvi_string();
  return name;
}

zvi_string TempCopyPath(const zvi_string& storedPath) {
  zvi_string name = TempFileNameOfPath(storedPath);
  if (name.empty()) return name;
  char16_t dir[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH, dir);
  if (n == 0 || n > MAX_PATH) return zvi_string();
  return zvi_string(dir, n) + name;
}

bool WriteWholeFile(const zvi_string& path, const uint8_t* data, uint32_t size) {
  const std::filesystem::path p(path);
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) {
    std::error_code ec;
    std::filesystem::remove(p, ec);
  }
  return ok;
}

namespace {
std::mutex& TempLock() {
  static std::mutex* m = new std::mutex;
  return *m;
}
std::vector<zvi_string>& TempCopies() {
  static std::vector<zvi_string>* v = new std::vector<zvi_string>;
  return *v;
}
}  // namespace

void RememberTempCopy(const zvi_string& path) {
  std::lock_guard<std::mutex> g(TempLock());
  static bool registered = false;
  if (!registered) {
    registered = true;
    std::atexit(RemoveTempCopies);
  }
  for (const zvi_string& p : TempCopies()) {
    if (p == path) return;
  }
  TempCopies().push_back(path);
}

void RemoveTempCopies() {
  std::vector<zvi_string> copies;
  {
    std::lock_guard<std::mutex> g(TempLock());
    copies.swap(TempCopies());
  }
  for (const zvi_string& p : copies) {
    std::error_code ec;
    std::filesystem::remove(std::filesystem::path(p), ec);
  }
}

bool DS_AudioFile::ExtractEmbeddedData() {
  if (file.size == 0 || !file.data) return true;
  if (IsExistingFile(file.path)) {
    file.FreeData();
    return true;
  }
  const zvi_string copy = TempCopyPath(file.path);
  if (copy.empty() || !WriteWholeFile(copy, file.data.get(), file.size)) return false;
  RememberTempCopy(copy);
  file.SetPath(copy);
  return true;
}
