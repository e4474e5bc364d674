#pragma once
// One entry of the slide show's music playlist.
#include <cstdint>

#include "core/embedded_file.h"
#include "core/io_item.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/zvi_string.h"

class DS_IOF_Archive;

class DS_AudioFile : public DS_IOF_Item {
 public:
  DS_AudioFile();
  ~DS_AudioFile() override;
  DS_AudioFile(const DS_AudioFile&) = delete;
  DS_AudioFile& operator=(const DS_AudioFile&) = delete;

  // Writes nothing in the player (the archive's writes are inert).
  virtual bool WriteRecord(DS_IOF_Archive& ar);
  // Reads the fields after the class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // Makes the path name a real file: bytes of a path that exists are dropped;
  // otherwise they are written to the temporary folder under the path's file
  // name and the path becomes that copy. A copy that cannot be written is
  // reported by false and leaves the entry as it was (no path to play).
  bool ExtractEmbeddedData();

  // True when the path names an existing file (after extraction).
  bool Playable() const;
  float Volume() const { return volume.derived; }
  const zvi_string& Path() const { return file.path; }

  UINTSclaleTo<float> volume;  // percent, 0.01 scale: 1.0 is full volume
  MediaParamT<float> value1;
  MediaParamT<float> value2;
  zvi_string text;
  EmbeddedFileData file;
};

// Name of a temporary copy for a stored path: the part after the last
// backslash or slash, with characters no file system takes replaced; empty
// when nothing usable is left ("", ".", "..").
zvi_string TempFileNameOfPath(const zvi_string& storedPath);
// Full path of the temporary copy (temporary folder + name), or empty.
zvi_string TempCopyPath(const zvi_string& storedPath);
// Writes bytes to path (create or truncate); false, with no file left, when
// any byte could not be written.
bool WriteWholeFile(const zvi_string& path, const uint8_t* data, uint32_t size);
// Temporary copies made by this process, removed at exit (and on request).
void RememberTempCopy(const zvi_string& path);
void RemoveTempCopies();
