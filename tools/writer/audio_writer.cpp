#include "tools/writer/audio_writer.h"

namespace pw {

ByteBuilder& WriteSoundCtrl(ByteBuilder& b, const SoundCtrlRecord& r) {
  b.Header(u"DS_Sound_Ctrl", r.version).U32(r.volume).U32(r.pan);
  if (r.version < 3) b.U32(r.legacyKind).U32(r.legacyMinPause).U32(r.legacyMaxPause);
  return WriteConstructorBase(b, r.base);
}

ByteBuilder& WriteMp3Object(ByteBuilder& b, const Mp3Record& r) {
  b.Header(u"DS_MP3_Constructor", 1).Blob(r.path, r.data);
  return WriteSoundCtrl(b, r.sound);
}

ByteBuilder& WriteWavObject(ByteBuilder& b, const WavRecord& r) {
  b.Header(u"DS_WAV_Constructor", 1).FileLink(r.linkName, static_cast<uint64_t>(r.linkId));
  return WriteSoundCtrl(b, r.sound);
}

}  // namespace pw
