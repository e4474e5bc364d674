#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "audio/sound_objects.h"
#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "platform/win32/windows.h"
#include "player/doc_res_manager.h"
#include "player/slide_container.h"
#include "player/timelines.h"
#include "tests/platform/audio_fixtures.h"
#include "tools/writer/audio_writer.h"

namespace {

using namespace audio_test;

std::unique_ptr<DS_ABObj_Constructor> ReadModel(const pw::ByteBuilder& b) {
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  auto model = ReadObjectOf<DS_ABObj_Constructor>(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  return model;
}

class SoundTest : public SinkTest {
 protected:
  void SetUp() override {
    SinkTest::SetUp();
    AudioLayer_Register();
    RegisterTimelineReaders();
    RegisterAudioReaders();
    SetCurrentDocResManager(&manager);
    setenv("TMPDIR", dir.path().c_str(), 1);
  }
  void TearDown() override {
    SetCurrentDocResManager(nullptr);
    unsetenv("TMPDIR");
  }
  // Stores WAV bytes in the document under the link's key.
  void StoreWav(const std::u16string& name, int64_t id, std::vector<uint8_t> bytes) {
    EmbeddedFile entry;
    entry.path = name;
    std::memcpy(entry.Allocate(static_cast<uint32_t>(bytes.size())), bytes.data(), bytes.size());
    DS_FileLink3 link;
    link.name = name;
    link.id = id;
    manager.DocumentData(link.Key()).push_back(std::move(entry));
  }
  std::unique_ptr<DS_WAV_Constructor> WavModel(uint32_t volume, uint32_t pan, uint32_t kind = 0) {
    pw::WavRecord r;
    r.linkName = u"beep.wav";
    r.linkId = 42;
    r.sound.volume = volume;
    r.sound.pan = pan;
    r.sound.base.kind = kind;
    pw::ByteBuilder b;
    pw::WriteWavObject(b, r);
    auto m = ReadModel(b);
    auto* wav = dynamic_cast<DS_WAV_Constructor*>(m.get());
    EXPECT_NE(wav, nullptr);
    m.release();
    return std::unique_ptr<DS_WAV_Constructor>(wav);
  }
  static void Show(DS_Sound* s, uint32_t state) { s->sound->timing.Current()->state = state; }

  TempDir dir;
  DS_DocResManager manager;
};

TEST_F(SoundTest, RecordsOfBothObjectsAndTheirLegacyTiming) {
  pw::Mp3Record mp3;
  mp3.path = u"C:\\Sounds\\x.mp3";
  mp3.data = {1, 2, 3};
  mp3.sound.volume = 30;
  mp3.sound.pan = 70;
  pw::ByteBuilder b;
  pw::WriteMp3Object(b, mp3);
  auto m = ReadModel(b);
  auto* model = dynamic_cast<DS_MP3_Constructor*>(m.get());
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->file.path, u"C:\\Sounds\\x.mp3");
  EXPECT_EQ(model->file.size, 3u);
  EXPECT_EQ(model->volume.value, 30u);
  EXPECT_EQ(model->pan.value, 70u);
  EXPECT_EQ(model->duration, 0u);

  struct Case {
    uint32_t kind, minPause, maxPause;
    const char* timeline;
  } cases[] = {{1, 3, 7, "random"}, {0, 0, 0, "continuous"}, {5, 1, 2, "base"}};
  for (const Case& c : cases) {
    pw::WavRecord wav;
    wav.linkName = u"common_res.dll";
    wav.linkId = 9;
    wav.sound.version = 2;
    wav.sound.legacyKind = c.kind;
    wav.sound.legacyMinPause = c.minPause;
    wav.sound.legacyMaxPause = c.maxPause;
    wav.sound.base.version = 1;  // an old base record without a timing block
    pw::ByteBuilder w;
    pw::WriteWavObject(w, wav);
    auto read = ReadModel(w);
    auto* obj = dynamic_cast<DS_WAV_Constructor*>(read.get());
    ASSERT_NE(obj, nullptr) << c.timeline;
    EXPECT_EQ(obj->link.name, u"common_res.dll");
    EXPECT_EQ(obj->link.id, 9);
    EXPECT_EQ(obj->timing.value, static_cast<int>(c.kind)) << c.timeline;
    ZVI_Timing* t = obj->timing.Current();
    if (c.kind == 1) {
      auto* random = dynamic_cast<ZVI_RandomTimeLine*>(t);
      ASSERT_NE(random, nullptr);
      EXPECT_EQ(random->minHidden.value, 300u);
      EXPECT_EQ(random->maxHidden.value, 700u);
    } else if (c.kind == 0) {
      EXPECT_NE(dynamic_cast<ZVI_ContinuesTimeLine*>(t), nullptr);
    }
  }
}

TEST_F(SoundTest, DamagedRecordsFailCleanly) {
  pw::WavRecord wav;
  wav.linkName = u"a.wav";
  pw::ByteBuilder b;
  pw::WriteWavObject(b, wav);
  for (size_t cut : {size_t(40), size_t(70), b.size() - 2}) {
    pw::ByteBuilder part;
    part.Raw(b.bytes().data(), cut);
    EXPECT_THROW(ReadModel(part), DS_Error) << cut;
  }
}

TEST(SoundLaws, VolumePanAndDurationValues) {
  struct Law {
    uint32_t volume, pan;
    LONG wavVolume, wavPan, mp3Volume, mp3Balance;
  } laws[] = {{0, 0, -5000, -5000, -4000, -4000}, {100, 100, 0, 5000, 0, 4000}, {100, 50, 0, 0, 0, 0}, {37, 12, -3150, -3800, -2520, -3040}};
  for (const Law& l : laws) {
    EXPECT_EQ(WavVolume(l.volume), l.wavVolume);
    EXPECT_EQ(WavPan(l.pan), l.wavPan);
    EXPECT_EQ(Mp3Volume(l.volume), l.mp3Volume);
    EXPECT_EQ(Mp3Balance(l.pan), l.mp3Balance);
  }
  struct Duration {
    uint32_t bytes, rate, expected;
  } durations[] = {{88200, 44100, 200}, {1000, 3000, 33}, {2000, 3000, 67}, {500, 0, 0}};
  for (const Duration& d : durations) EXPECT_EQ(WavDuration(d.bytes, d.rate), d.expected) << d.bytes;
}

TEST_F(SoundTest, FitTimelineGivesARandomTimelineTheSoundsLength) {
  auto model = WavModel(100, 50);
  model->duration = 250;
  ZVI_RandomTimeLine random;
  random.fadeIn.SetValue(50u);
  random.fadeOut.SetValue(80u);
  EXPECT_FALSE(model->FitTimeline(&random, 0.0f));
  EXPECT_EQ(random.minShown.value, 250u);
  EXPECT_EQ(random.maxShown.value, 250u);
  EXPECT_EQ(random.fadeIn.value, 0u);
  EXPECT_EQ(random.fadeOut.value, 0u);
  ZVI_ContinuesTimeLine other;
  EXPECT_FALSE(model->FitTimeline(&other, 0.0f));
}

TEST_F(SoundTest, AWavObjectSoundsWithItsSlideAndStopsWithIt) {
  StoreWav(u"beep.wav", 42, WavBytes(kMixerRate, 2, 16, 441, Constant(16384, 16384)));
  auto model = WavModel(0, 0);  // volume 0, pan 0: -50 dB, right -50 dB more
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  auto* sound = dynamic_cast<DS_Sound*>(runtime.get());
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->GetKind(), 1);
  EXPECT_FALSE(sound->HitTest(1, 1));
  auto* wav = dynamic_cast<DS_WAV_Constructor*>(sound->sound);
  ASSERT_NE(wav->buffer, nullptr);
  EXPECT_EQ(wav->duration, 1u);  // 1764 bytes at 176400 per second
  LONG v = 0, p = 0;
  wav->buffer->GetVolume(&v);
  wav->buffer->GetPan(&p);
  EXPECT_EQ(v, -5000);
  EXPECT_EQ(p, -5000);
  EXPECT_EQ(model->buffer, nullptr);  // the model itself is never prepared

  EXPECT_EQ(Pull(10)[0], 0.0f);  // nothing before the first update
  Show(sound, kTimelineShown);
  sound->Update(0.0f);
  std::vector<float> mix = Pull(1000);  // more than the data: it loops (continuous timeline)
  EXPECT_NEAR(mix[0], 0.5 * 0.0031623, 1e-6);
  EXPECT_NEAR(mix[1], 0.5 * 0.0031623 * 0.0031623, 1e-8);
  EXPECT_NEAR(mix[2 * 900], 0.5 * 0.0031623, 1e-6);

  sound->SetRunning(false);  // the slide stops
  EXPECT_FALSE(sound->running);
  EXPECT_EQ(Pull(10)[0], 0.0f);
  sound->Update(1.0f);  // no longer running: stays silent
  EXPECT_EQ(Pull(10)[0], 0.0f);
}

TEST_F(SoundTest, AWavObjectOnASlidePlaysWhileTheSlideRunsAndStopsWithIt) {
  StoreWav(u"beep.wav", 42, WavBytes(kMixerRate, 1, 16, 64, Constant(8192, 8192)));
  DS_SlideContainer slide;
  slide.updatedModels.push_back(WavModel(100, 50));
  slide.BuildRuntime();
  ASSERT_EQ(slide.updatedObjects.size(), 1u);
  DS_ABObj* obj = slide.updatedObjects[0].get();
  obj->UpdateTime(0.0f);  // the continuous timeline shows it
  obj->UpdateTime(0.05f);
  EXPECT_FLOAT_EQ(Pull(200)[2 * 150], 0.25f);  // looping
  slide.SetObjectsRunning(false);
  obj->UpdateTime(0.1f);
  EXPECT_EQ(Rms(Pull(100), 0), 0.0);
  slide.SetObjectsRunning(true);  // the slide comes round again
  obj->UpdateTime(0.15f);
  EXPECT_FLOAT_EQ(Pull(10)[0], 0.25f);
}

TEST_F(SoundTest, ContinuousWavsLoopOthersPlayOnceAndRestartWhileShown) {
  StoreWav(u"beep.wav", 42, WavBytes(kMixerRate, 1, 16, 100, Constant(8192, 8192)));
  struct Case {
    uint32_t kind;
    bool loops;
  } cases[] = {{0, true}, {1, false}};
  for (const Case& c : cases) {
    auto model = WavModel(100, 50, c.kind);
    std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
    auto* sound = static_cast<DS_Sound*>(runtime.get());
    auto* wav = static_cast<DS_WAV_Constructor*>(sound->sound);
    Show(sound, kTimelineShown);
    sound->Update(0.0f);
    std::vector<float> mix = Pull(150);
    EXPECT_FLOAT_EQ(mix[2 * 120], c.loops ? 0.25f : 0.0f) << c.kind;
    DWORD status = 0;
    wav->buffer->GetStatus(&status);
    EXPECT_EQ((status & DSBSTATUS_PLAYING) != 0, c.loops) << c.kind;
    sound->Update(0.1f);  // still shown: a finished one-shot starts again
    wav->buffer->GetStatus(&status);
    EXPECT_TRUE(status & DSBSTATUS_PLAYING) << c.kind;
    // Hidden: a looping sound stops at once, a one-shot plays to its end.
    Show(sound, kTimelineHidden);
    sound->Update(0.2f);
    wav->buffer->GetStatus(&status);
    EXPECT_EQ((status & DSBSTATUS_PLAYING) != 0, !c.loops) << c.kind;
  }
}

TEST_F(SoundTest, WavDataThatCannotBeParsedLeavesTheObjectSilent) {
  std::vector<uint8_t> good = WavBytes(kMixerRate, 2, 16, 10, Constant(100, 100));
  std::vector<uint8_t> noData(good.begin(), good.begin() + 38);
  std::vector<uint8_t> badFormat = good;
  badFormat[20] = 0x55;  // not PCM: the sound buffer refuses it
  std::vector<uint8_t> hugeData = good;
  hugeData[42] = 0xFF, hugeData[43] = 0xFF, hugeData[44] = 0xFF, hugeData[45] = 0x7F;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool sounds;
  } cases[] = {{"no data chunk", noData, false},
               {"not PCM", badFormat, false},
               {"text", std::vector<uint8_t>(64, 't'), false},
               {"data size past the end", hugeData, true}};
  int64_t id = 100;
  for (const Case& c : cases) {
    StoreWav(u"beep.wav", id, c.bytes);
    pw::WavRecord r;
    r.linkName = u"beep.wav";
    r.linkId = id++;
    pw::ByteBuilder b;
    pw::WriteWavObject(b, r);
    auto m = ReadModel(b);
    std::unique_ptr<DS_ABObj> runtime(m->CreateRuntime());
    auto* sound = static_cast<DS_Sound*>(runtime.get());
    auto* wav = static_cast<DS_WAV_Constructor*>(sound->sound);
    EXPECT_EQ(wav->buffer != nullptr, c.sounds) << c.what;
    Show(sound, kTimelineShown);
    sound->Update(0.0f);
    sound->SetRunning(false);
  }
  // No stored data at all.
  pw::WavRecord r;
  r.linkName = u"absent.wav";
  pw::ByteBuilder b;
  pw::WriteWavObject(b, r);
  auto m = ReadModel(b);
  std::unique_ptr<DS_ABObj> runtime(m->CreateRuntime());
  EXPECT_EQ(static_cast<DS_WAV_Constructor*>(static_cast<DS_Sound*>(runtime.get())->sound)->buffer, nullptr);
}

TEST_F(SoundTest, AnMp3ObjectPlaysFromItsTemporaryCopyWhileShown) {
  pw::Mp3Record r;
  r.path = u"C:\\Sounds\\tone.mp3";
  r.data = ReadFile(DataFile("tone_stereo.mp3"));
  r.sound.volume = 50;
  r.sound.pan = 100;
  pw::ByteBuilder b;
  pw::WriteMp3Object(b, r);
  auto m = ReadModel(b);
  const auto copy = dir.path() / "tone.mp3";
  {
    std::unique_ptr<DS_ABObj> runtime(m->CreateRuntime());
    auto* sound = static_cast<DS_Sound*>(runtime.get());
    auto* mp3 = static_cast<DS_MP3_Constructor*>(sound->sound);
    EXPECT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(std::filesystem::path(mp3->tempPath), copy);
    EXPECT_EQ(mp3->duration, 100u);  // 1.0x s: whole seconds only
    OAFilterState state = State_Running;
    mp3->control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);  // prepared, then stopped
    EXPECT_EQ(Pull(10)[0], 0.0f);

    Show(sound, kTimelineShown);
    sound->Update(0.0f);
    mp3->control->GetState(0, &state);
    EXPECT_EQ(state, State_Running);
    LONG v = 0, bal = 0;
    mp3->audio->get_Volume(&v);
    mp3->audio->get_Balance(&bal);
    EXPECT_EQ(v, -2000);
    EXPECT_EQ(bal, 4000);
    std::vector<float> mix = Pull(kMixerRate / 2);
    // Volume -20 dB on both sides; balance 4000 takes 40 dB more off the left
    // (whose tone is twice as loud as the right one).
    EXPECT_NEAR(Rms(mix, 1), 4000 / 32768.0 / std::sqrt(2.0) * 0.1, 0.001);
    EXPECT_NEAR(Rms(mix, 0) / Rms(mix, 1), 2 * 0.01, 0.002);

    Pull(kMixerRate * 6 / 10);  // past its end
    sound->Update(1.1f);        // at the end: stopped ...
    mp3->control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    sound->Update(1.2f);  // ... and started again on the next frame while shown
    mp3->control->GetState(0, &state);
    EXPECT_EQ(state, State_Running);

    Show(sound, kTimelineHidden);
    sound->Update(1.3f);
    mp3->control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
  }
  EXPECT_FALSE(std::filesystem::exists(copy));  // removed with the object
}

TEST_F(SoundTest, AnMp3ObjectWithoutUsableDataStaysSilent) {
  struct Case {
    std::u16string path;
    std::vector<uint8_t> bytes;
  } cases[] = {{u"C:\\gone\\missing.mp3", {}}, {u"C:\\junk.mp3", std::vector<uint8_t>(300, 0x11)}, {u"C:\\dir\\", {1, 2, 3}}};
  for (const Case& c : cases) {
    pw::Mp3Record r;
    r.path = c.path;
    r.data = c.bytes;
    pw::ByteBuilder b;
    pw::WriteMp3Object(b, r);
    auto m = ReadModel(b);
    std::unique_ptr<DS_ABObj> runtime(m->CreateRuntime());
    auto* sound = static_cast<DS_Sound*>(runtime.get());
    auto* mp3 = static_cast<DS_MP3_Constructor*>(sound->sound);
    EXPECT_EQ(mp3->duration, 0u);
    EXPECT_EQ(mp3->source, nullptr);
    Show(sound, kTimelineShown);
    sound->Update(0.0f);
    EXPECT_EQ(Pull(10)[0], 0.0f);
    sound->SetRunning(false);
  }
}

}  // namespace
