#pragma once
// Writers for the sound objects: "DS_MP3_Constructor" and "DS_WAV_Constructor"
// with their "DS_Sound_Ctrl" part (current version 3; 1 and 2 carry the old
// timing values) and the scene-object base record.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/slides_writer.h"

namespace pw {

struct SoundCtrlRecord {
  int32_t version = 3;
  uint32_t volume = 100;
  uint32_t pan = 50;
  uint32_t legacyKind = 0, legacyMinPause = 0, legacyMaxPause = 0;  // versions 1 and 2
  ConstructorRecord base;
};

// "DS_Sound_Ctrl", the version, its fields and the base record.
ByteBuilder& WriteSoundCtrl(ByteBuilder& b, const SoundCtrlRecord& r);

struct Mp3Record {
  std::u16string path;
  std::vector<uint8_t> data;  // empty: the project carries no bytes
  SoundCtrlRecord sound;
};
ByteBuilder& WriteMp3Object(ByteBuilder& b, const Mp3Record& r);

struct WavRecord {
  std::u16string linkName;
  int64_t linkId = 0;
  SoundCtrlRecord sound;
};
ByteBuilder& WriteWavObject(ByteBuilder& b, const WavRecord& r);

}  // namespace pw
