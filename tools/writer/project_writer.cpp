#include "tools/writer/project_writer.h"

namespace pw {

void WriteProjectHeader(ByteBuilder& b, std::u16string_view header, uint32_t value) {
  b.WideString(header).U32(value);
}

void WriteAudioFile(ByteBuilder& b, const AudioFileRecord& e) {
  b.Header(u"DS_AudioFile", e.version);
  b.WideString(e.text);
  b.Blob(e.path, e.data);
  if (e.version >= 2) b.U32(e.volume);
  if (e.version >= 3) b.F32(e.value1).F32(e.value2);
}

void WriteSlideShow(ByteBuilder& b, const SlideShowRecord& show) {
  b.Header(u"DS_SlideShow_Light", show.version);
  b.U32(static_cast<uint32_t>(show.slides.size()));
  for (const ByteBuilder& slide : show.slides) b.Append(slide);
  b.U32(static_cast<uint32_t>(show.playlist.size()));
  for (const AudioFileRecord& e : show.playlist) WriteAudioFile(b, e);
  if (show.version >= 2) b.I32(show.integerParam);
}

ByteBuilder BuildProject(const SlideShowRecord& show, const ByteBuilder& docResManager) {
  ByteBuilder b;
  WriteProjectHeader(b);
  WriteSlideShow(b, show);
  b.Append(docResManager);
  return b;
}

}  // namespace pw
