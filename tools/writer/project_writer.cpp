#include "tools/writer/project_writer.h"

#include "tools/writer/audio_writer.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/imitters_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/slides_writer.h"

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

ByteBuilder BuildSampleOfEveryRecord() {
  SlideShowRecord show;
  for (int i = 0; i < 2; ++i) {
    SlideRecord slide;
    slide.name = i == 0 ? u"first" : u"second";
    LightRecord light;
    light.camera.points = {{1, 0.0f, 0.0f, 0.0f, 2.0f, 100}, {1, 10.0f, 5.0f, 0.0f, 3.0f, 120}};
    WriteLight(slide.renderContext, light);

    Mp3Record mp3;
    mp3.path = u"C:\\sounds\\bell.mp3";
    mp3.data = {0xFF, 0xFB, 0x90, 0x00};
    mp3.sound.base.name = u"bell";
    mp3.sound.base.guid.Data1 = 0x100u + static_cast<uint32_t>(i);
    WriteRandomTimeLine(mp3.sound.base.timeline, RandomTimeLineRecord{});
    ByteBuilder m1;
    WriteMp3Object(m1, mp3);

    WavRecord wav;
    wav.linkName = u"C:\\sounds\\drip.wav";
    wav.linkId = 77;
    wav.sound.base.guid.Data1 = 0x200u + static_cast<uint32_t>(i);
    WriteManualTimeLine(wav.sound.base.timeline, 1000, {{0.0f, 0.5f, 0.1f, 0.4f}});
    ByteBuilder m2;
    WriteWavObject(m2, wav);

    Mp3Record old;
    old.sound.version = 1;
    old.sound.base.version = 3;
    old.sound.base.guid.Data1 = 0x300u + static_cast<uint32_t>(i);
    ByteBuilder m3;
    WriteMp3Object(m3, old);

    WavRecord follower;
    follower.sound.base.guid.Data1 = 0x400u + static_cast<uint32_t>(i);
    DependedTimeLineRecord depended;
    depended.followed = mp3.sound.base.guid;
    WriteDependedTimeLine(follower.sound.base.timeline, depended);
    ByteBuilder m4;
    WriteWavObject(m4, follower);

    slide.drawn = {m1, m2};
    if (i == 1) for (ByteBuilder& classic : ClassicSampleRecords()) slide.drawn.push_back(std::move(classic));
    slide.updated = {m3, m4};
    show.slides.push_back(ByteBuilder());
    WriteSlide(show.slides.back(), slide);
  }
  AudioFileRecord track;
  track.text = u"track";
  track.path = u"C:\\music\\loop.ogg";
  track.data = {'O', 'g', 'g', 'S', 0, 2};
  track.volume = 80;
  AudioFileRecord old = track;
  old.version = 1;
  show.playlist = {track, old};

  DocResRecord res;
  res.imageFiles.push_back({u"C:\\p\\photo.png", 11, {{0, u"", u"C:\\p\\photo.png", {0x89, 'P', 'N', 'G'}}}});
  res.delays.push_back({u"C:\\p\\anim.gif", 5, {0.1f, 0.2f}});
  res.moduleImages.push_back({u"common_res.dll", 228, {{228, u"common_res.dll", u"", {1, 2, 3}}}});
  GuidImageSpec mask;
  mask.guid.Data1 = 0x12345678;
  mask.name = u"mask";
  mask.bytes = {9, 9, 9};
  res.guidImages.push_back(mask);
  res.rawFrames.push_back({u"C:\\p\\frames", 7, {{1, {4, 5, 6, 7}, 0.04f}, {1, {8}, 0.04f}}});
  ByteBuilder manager;
  WriteDocResManager(manager, res);
  return BuildProject(show, manager);
}

}  // namespace pw
