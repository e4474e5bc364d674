#include "player/project_reader.h"

#include <string>
#include <string_view>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "core/string_codec.h"
#include "core/strings.h"
#include "core/thread_slots.h"
#include "player/doc_res_manager.h"
#include "player/slide_show.h"

namespace {

// Slide show, then the new manager in place of the previous one.
std::unique_ptr<DS_SlideShow_Light> ReadDocument(ResourceBuffer& buffer) {
  DS_IOF_Archive ar(std::make_unique<DS_IOF_R>(&buffer));
  std::unique_ptr<DS_SlideShow_Light> show = ReadFixedRecord<DS_SlideShow_Light>(ar);
  DestroyCurrentDocResManager();
  std::unique_ptr<DS_DocResManager> manager = ReadDocResManagerRecord(ar);
  SetCurrentDocResManager(manager.release());
  return show;
}

// The header string is exactly kProjectHeader (in any length form). A
// length other than its own is refused without reading the units.
bool ReadHeaderMatches(ResourceBuffer& buffer) {
  constexpr size_t kUnits = std::char_traits<char16_t>::length(kProjectHeader);
  uint8_t markers[3];
  buffer.Read(markers, 3);
  if (DecodeLength(buffer) != kUnits) return false;
  char16_t units[kUnits] = {};
  if (buffer.Read(units, sizeof units) != sizeof units) return false;
  return std::u16string_view(units, kUnits) == kProjectHeader;
}

}  // namespace

bool IsRefusedProjectExtension(const zvi_string& path) { return LowerCaseExtension(path) == u".qmx"; }

void DestroyCurrentDocResManager() {
  DS_DocResManager* previous = CurrentDocResManager();
  SetCurrentDocResManager(nullptr);
  delete previous;
}

std::unique_ptr<DS_SlideShow_Light> LoadProjectFile(const zvi_string& path) {
  ResourceBuffer buffer;
  if (!buffer.Open(path)) throw kCannotOpenFileCode;
  if (IsRefusedProjectExtension(path)) {
    buffer.Close();
    throw DS_Error(kFormatNotSupported);
  }
  if (!ReadHeaderMatches(buffer)) throw DS_Error(kOutdatedFormat);
  // From here on the data must hold every record it announces.
  buffer.SetStrict(true);
  uint32_t value = 0;
  buffer.ReadUInt32(&value);
  return ReadDocument(buffer);
}

std::unique_ptr<DS_SlideShow_Light> ReadProjectFromMemory(ResourceBuffer& buffer) {
  buffer.SetStrict(true);
  zvi_string header;
  uint32_t value = 0;
  buffer.ReadWideString(&header);
  buffer.ReadUInt32(&value);
  return ReadDocument(buffer);
}

DS_SlideShow_Light* ReadProjectFile(const char16_t* path) {
  return LoadProjectFile(path ? zvi_string(path) : zvi_string()).release();
}

DS_SlideShow_Light* ReadProjectMemory(const uint8_t* data, uint32_t size) {
  ResourceBuffer buffer;
  buffer.SetMemory(data, size);
  return ReadProjectFromMemory(buffer).release();
}
