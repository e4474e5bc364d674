#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/music_graph.h"
#include "audio/music_output.h"
#include "platform/audio/dsound.h"
#include "platform/win32/windows.h"
#include "player/audio_file.h"
#include "tests/platform/audio_fixtures.h"

namespace {

using namespace audio_test;

// Sample i of the streamed test tracks: a ramp that never repeats within a second.
int32_t Ramp(uint32_t i, uint32_t) { return static_cast<int32_t>((i * 7) % 20000) - 10000; }

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The shared music graph made as the player shell makes it.
class MusicTest : public SinkTest {
 protected:
  void SetUp() override {
    SinkTest::SetUp();
    AudioLayer_Register();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, 3, IID_IGraphBuilder, reinterpret_cast<void**>(&g_MusicGraph)), S_OK);
    g_MusicGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&g_MusicControl));
    g_MusicGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&g_MusicSeeking));
    g_MusicGraph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&g_MusicEvents));
    g_MusicGraph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&g_MusicAudio));
    buffersBefore = DirectSound_LiveBuffers();
    devicesBefore = DirectSound_LiveDevices();
  }
  void TearDown() override {
    StopMusicOutput();
    ReleaseMusicGraph();
    EXPECT_EQ(DirectSound_LiveBuffers(), buffersBefore);
    EXPECT_EQ(DirectSound_LiveDevices(), devicesBefore);
    EXPECT_FALSE(MusicWorkerActive());
  }
  LONG NextEvent(LONG timeoutMs = 0) {
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    if (g_MusicEvents->GetEvent(&code, &p1, &p2, timeoutMs) != S_OK) return -1;
    g_MusicEvents->FreeEventParams(code, p1, p2);
    return code;
  }
  std::u16string Flac(const char* name, uint32_t rate, uint32_t channels, uint32_t frames, const SampleFn& fn) {
    const auto p = dir / name;
    EXPECT_TRUE(WriteFlac(p, rate, channels, 16, frames, fn));
    return Win32_FromUtf8(p.string());
  }
  // Pulls one second; then waits until the worker has handled `steps` events.
  std::vector<float> PullSecond(uint32_t steps) {
    std::vector<float> mix = Pull(kMixerRate);
    EXPECT_TRUE(WaitFor([&] { return MusicWorkerSteps() >= steps; })) << steps;
    return mix;
  }
  bool GraphRunning() {
    OAFilterState s = State_Stopped;
    g_MusicControl->GetState(0, &s);
    return s == State_Running;
  }

  TempDir dir;
  uint32_t buffersBefore = 0, devicesBefore = 0;
};

TEST(FlacLayout, SizesOfTheStreamingBuffer) {
  struct Case {
    uint32_t rate, channels, buffer, half, chunk;
  } cases[] = {
      {44100, 2, 352800, 176400, 4410},
      {2000, 1, 8000, 4000, 256},
      {2560, 1, 10240, 5120, 256},
      {48000, 1, 192000, 96000, 4800},
  };
  for (const Case& c : cases) {
    const FlacStreamLayout l = FlacLayout(c.rate, c.channels);
    EXPECT_EQ(l.bufferBytes, c.buffer) << c.rate;
    EXPECT_EQ(l.halfBytes, c.half) << c.rate;
    EXPECT_EQ(l.chunkFrames, c.chunk) << c.rate;
  }
}

TEST_F(MusicTest, FlacStreamsEveryFrameThenStopsAndReportsCompletion) {
  const uint32_t frames = kMixerRate * 5 / 2;  // 2.5 s
  ASSERT_TRUE(StartFlacStream(Flac("tone.flac", kMixerRate, 1, frames, Ramp)));
  EXPECT_TRUE(MusicWorkerActive());
  const uint32_t steps = MusicWorkerSteps();
  std::vector<float> heard;
  for (uint32_t s = 1; s <= 3; ++s) {
    std::vector<float> second = PullSecond(steps + s);
    heard.insert(heard.end(), second.begin(), second.end());
  }
  for (uint32_t i = 0; i < 3 * kMixerRate; ++i) {
    const float expected = i < frames ? Ramp(i, 0) / 32768.0f : 0.0f;
    ASSERT_EQ(heard[2 * i], expected) << i;
    ASSERT_EQ(heard[2 * i + 1], expected) << i;
  }
  // The buffer stopped after the silent rest: nothing old loops back.
  DWORD status = 1;
  MusicBufferForTest()->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(Rms(Pull(kMixerRate), 0), 0.0);
  EXPECT_EQ(NextEvent(2000), EC_COMPLETE);
}

TEST_F(MusicTest, FlacShorterThanOneHalfPlaysOnceAndEnds) {
  const uint32_t frames = kMixerRate * 3 / 10;
  ASSERT_TRUE(StartFlacStream(Flac("short.flac", kMixerRate, 2, frames, Ramp)));
  const uint32_t steps = MusicWorkerSteps();
  std::vector<float> heard = PullSecond(steps + 1);
  EXPECT_EQ(heard[0], Ramp(0, 0) / 32768.0f);
  EXPECT_EQ(heard[2 * (frames - 1)], Ramp(frames - 1, 0) / 32768.0f);
  EXPECT_EQ(Rms(heard, 0, frames), 0.0);
  EXPECT_EQ(Rms(Pull(kMixerRate), 0), 0.0);
  EXPECT_EQ(NextEvent(2000), EC_COMPLETE);
}

TEST_F(MusicTest, StoppingTheMusicJoinsTheWorkerBeforeReleasingItsBuffer) {
  ASSERT_TRUE(StartFlacStream(Flac("long.flac", 8000, 1, 8000 * 10, Ramp)));
  Pull(kMixerRate / 10);
  StopMusicOutput();
  EXPECT_FALSE(MusicWorkerActive());
  EXPECT_EQ(MusicBufferForTest(), nullptr);
  EXPECT_EQ(DirectSound_LiveBuffers(), buffersBefore);
  EXPECT_EQ(Rms(Pull(100), 0), 0.0);
  EXPECT_EQ(NextEvent(300), -1);  // a stop is no completion
  StopFlacStream();               // again, with nothing left: harmless
  StopMusicOutput();
}

TEST_F(MusicTest, FlacFailuresLeaveNothingBehind) {
  std::vector<uint8_t> damaged = {'f', 'L', 'a', 'C', 0x80, 0, 0, 34};
  damaged.resize(60, 0xEE);
  WriteFile(dir / "damaged.flac", damaged);
  const std::u16string good = Flac("good.flac", 8000, 1, 800, Ramp);
  struct Case {
    const char* what;
    std::u16string path;
    bool deviceFails;
  } cases[] = {
      {"missing", Win32_FromUtf8((dir / "missing.flac").string()), false},
      {"damaged", Win32_FromUtf8((dir / "damaged.flac").string()), false},
      {"empty path", u"", false},
      {"no sound device", good, true},
  };
  for (const Case& c : cases) {
    DirectSound_SetCreateFailsForTest(c.deviceFails);
    EXPECT_FALSE(StartFlacStream(c.path)) << c.what;
    DirectSound_SetCreateFailsForTest(false);
    EXPECT_FALSE(MusicWorkerActive()) << c.what;
    EXPECT_EQ(MusicBufferForTest(), nullptr) << c.what;
    EXPECT_EQ(DirectSound_LiveBuffers(), buffersBefore) << c.what;
    StopMusicOutput();
  }
}

TEST_F(MusicTest, OggPlaysOnceAtFullLevelAndReportsItsEnd) {
  ASSERT_TRUE(PlayOggFile(Win32_FromUtf8(DataFile("tone_stereo.ogg").string())));
  void* p1;
  void* p2;
  DWORD n1 = 0, n2 = 0;
  ASSERT_EQ(MusicBufferForTest()->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
  EXPECT_EQ(n1, 44100u * 4);  // every decoded frame, 16-bit stereo
  MusicBufferForTest()->Unlock(p1, n1, p2, n2);
  if (g_MusicAudio) g_MusicAudio->put_Volume(-4000);  // the graph's volume does not reach it
  std::vector<float> mix = Pull(kMixerRate);
  EXPECT_NEAR(Rms(mix, 0), 8000 / 32768.0 / std::sqrt(2.0), 0.01);
  EXPECT_NEAR(Rms(mix, 1), 4000 / 32768.0 / std::sqrt(2.0), 0.01);
  EXPECT_EQ(NextEvent(2000), EC_COMPLETE);
  EXPECT_EQ(Rms(Pull(1000), 0), 0.0);
}

TEST_F(MusicTest, OggWithoutSamplesFailsBeforeMakingADevice) {
  std::vector<uint8_t> cut = ReadFile(DataFile("tone_stereo.ogg"));
  cut.resize(200);
  WriteFile(dir / "cut.ogg", cut);
  WriteFile(dir / "text.ogg", std::vector<uint8_t>(100, 'x'));
  for (const char* name : {"cut.ogg", "text.ogg", "missing.ogg"}) {
    EXPECT_FALSE(PlayOggFile(Win32_FromUtf8((dir / name).string()))) << name;
    EXPECT_EQ(DirectSound_LiveDevices(), devicesBefore) << name;
    EXPECT_EQ(MusicBufferForTest(), nullptr) << name;
  }
}

TEST_F(MusicTest, RenderSourceFilterOutputNeedsASourceItsPinAndTheGraph) {
  EXPECT_FALSE(RenderSourceFilterOutput(nullptr));
  const auto wav = dir / "a.wav";
  WriteFile(wav, WavBytes(kMixerRate, 2, 16, 100, Constant(1000, 1000)));
  const std::u16string path = Win32_FromUtf8(wav.string());
  IBaseFilter* source = nullptr;
  ASSERT_EQ(g_MusicGraph->AddSourceFilter(path.c_str(), path.c_str(), &source), S_OK);

  IMediaControl* control = g_MusicControl;
  g_MusicControl = nullptr;
  EXPECT_FALSE(RenderSourceFilterOutput(source));
  g_MusicControl = control;

  ASSERT_TRUE(RenderSourceFilterOutput(source));
  EXPECT_TRUE(GraphRunning());
  EXPECT_FLOAT_EQ(Pull(1)[0], 1000 / 32768.0f);

  // The renderer has an input pin only.
  IEnumFilters* en = nullptr;
  g_MusicGraph->EnumFilters(&en);
  IBaseFilter* filters[2] = {};
  ULONG got = 0;
  en->Next(2, filters, &got);
  en->Release();
  ASSERT_EQ(got, 2u);
  IBaseFilter* renderer = filters[0] == source ? filters[1] : filters[0];
  EXPECT_FALSE(RenderSourceFilterOutput(renderer));
  filters[0]->Release();
  filters[1]->Release();
  source->Release();
}

TEST_F(MusicTest, ExtensionsChooseTheRouteAfterLowerCasing) {
  const std::u16string upper = Flac("LOUD.FLAC", 8000, 1, 8000, Ramp);
  std::filesystem::copy_file(dir / "LOUD.FLAC", dir / "x.flac2");
  StartMusicFile(upper);
  EXPECT_TRUE(MusicWorkerActive());
  EXPECT_FALSE(GraphRunning());
  StartMusicFile(Win32_FromUtf8((dir / "x.flac2").string()));
  EXPECT_FALSE(MusicWorkerActive());
  EXPECT_EQ(MusicBufferForTest(), nullptr);
  EXPECT_TRUE(GraphRunning());  // the graph plays it
  struct Case {
    std::u16string path, ext;
  } cases[] = {{u"C:\\Music\\Song.OGG", u".ogg"}, {u"a.b\\noext", u""}, {u"dir/track.Mp3", u".mp3"}, {u"x.flac2", u".flac2"}};
  for (const Case& c : cases) EXPECT_EQ(LowerCaseFileExtension(c.path), c.ext);
}

TEST(MusicVolume, LawOfTheSharedGraph) {
  struct Case {
    int32_t master;
    float track;
    LONG expected;
  } cases[] = {{100, 1.0f, 0}, {0, 1.0f, -4000}, {100, 0.5f, -2000}, {50, 0.5f, -3000}, {100, 0.0f, -4000}, {33, 1.0f, -2680}};
  for (const Case& c : cases) EXPECT_EQ(MusicGraphVolume(c.master, c.track), c.expected) << c.master << " " << c.track;
}

// The shell's playlist walk: start the entry under the cursor (the cursor
// wraps to the first entry after the last), apply the volume law; a
// completion starts the next one.
class Playlist {
 public:
  explicit Playlist(std::vector<DS_SafePtr<DS_AudioFile>> entries) : entries_(std::move(entries)) {}
  size_t StartNext() {
    DS_AudioFile* e = StartPlaylistEntry(entries_, &cursor_);
    const size_t started = cursor_ - 1;
    if (cursor_ >= entries_.size()) cursor_ = 0;
    if (e && g_MusicAudio) g_MusicAudio->put_Volume(MusicGraphVolume(100, e->Volume()));
    return e ? started : SIZE_MAX;
  }
  size_t cursor() const { return cursor_; }

 private:
  std::vector<DS_SafePtr<DS_AudioFile>> entries_;
  size_t cursor_ = 0;
};

DS_SafePtr<DS_AudioFile> Entry(const std::u16string& stored, const std::vector<uint8_t>& bytes, uint32_t volume = 100) {
  DS_SafePtr<DS_AudioFile> e(new DS_AudioFile());
  e->file.path = stored;
  if (!bytes.empty()) std::memcpy(e->file.Allocate(static_cast<uint32_t>(bytes.size())), bytes.data(), bytes.size());
  e->volume.SetValue(volume);
  return e;
}

TEST_F(MusicTest, APlaylistOfFlacOggAndMp3PlaysInOrderAndLoops) {
  setenv("TMPDIR", dir.path().c_str(), 1);
  const auto flacPath = dir / "made.flac";
  // Longer than the first pull: a track of exactly the pulled length may rightly
  // complete before the check that nothing completed early.
  ASSERT_TRUE(WriteFlac(flacPath, kMixerRate, 2, 16, kMixerRate * 8 / 10, Constant(3000, 3000)));
  // All three travel inside the project under paths that do not exist here.
  struct Spec {
    std::u16string stored;
    std::vector<uint8_t> bytes;
    uint32_t volume;
  } specs[] = {{u"C:\\Music\\first.flac", ReadFile(flacPath), 100},
               {u"C:\\Music\\second.ogg", ReadFile(DataFile("tone_stereo.ogg")), 100},
               {u"D:\\third.mp3", ReadFile(DataFile("tone_stereo.mp3")), 50}};
  std::vector<DS_SafePtr<DS_AudioFile>> entries;
  for (const Spec& s : specs) {
    entries.push_back(Entry(s.stored, s.bytes, s.volume));
    ASSERT_TRUE(entries.back()->ExtractEmbeddedData());
    EXPECT_TRUE(entries.back()->Playable());
  }
  Playlist list(entries);
  enum Route { kFlac, kOgg, kGraph };
  const Route expected[] = {kFlac, kOgg, kGraph, kFlac};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(list.StartNext(), static_cast<size_t>(n % 3));
    const Route route = MusicWorkerActive() && !GraphRunning() && MusicBufferForTest()
                            ? (LowerCaseFileExtension(entries[n % 3]->Path()) == u".flac" ? kFlac : kOgg)
                            : kGraph;
    EXPECT_EQ(route, expected[n]) << n;
    if (route == kGraph) {
      LONG v = 0;
      g_MusicAudio->get_Volume(&v);
      EXPECT_EQ(v, -2000);
    }
    // Nothing completes early; after about a second the track reports its end.
    std::vector<float> first = Pull(kMixerRate / 2);
    EXPECT_GT(Rms(first, 0), 0.01) << n;  // the MP3 entry sounds at -20 dB
    EXPECT_EQ(NextEvent(0), -1) << n;
    const uint32_t steps = MusicWorkerSteps();
    Pull(kMixerRate * 6 / 10);
    if (route == kFlac) EXPECT_TRUE(WaitFor([&] { return MusicWorkerSteps() > steps; }));
    EXPECT_EQ(NextEvent(2000), EC_COMPLETE) << n;
  }
  StopMusicOutput();
  RemoveTempCopies();
  for (const char* name : {"first.flac", "second.ogg", "third.mp3"}) EXPECT_FALSE(std::filesystem::exists(dir / name));
  unsetenv("TMPDIR");
}

}  // namespace

namespace {

TEST_F(MusicTest, EntriesThatCannotPlayAreSkippedEachTriedOnce) {
  setenv("TMPDIR", dir.path().c_str(), 1);
  std::vector<uint8_t> junkOgg(300, 'j');
  const std::vector<uint8_t> wav = WavBytes(kMixerRate, 2, 16, 1000, Constant(2000, 2000));
  std::vector<DS_SafePtr<DS_AudioFile>> entries = {
      Entry(u"C:\\gone\\missing.mp3", {}),         // no file, no bytes
      Entry(u"C:\\Music\\broken.ogg", junkOgg),     // copied, does not decode
      Entry(u"C:\\Music\\", wav),                  // no usable name for a copy
      Entry(u"C:\\Music\\good.wav", wav)};
  for (auto& e : entries) e->ExtractEmbeddedData();
  size_t cursor = 0;
  DS_AudioFile* started = StartPlaylistEntry(entries, &cursor);
  EXPECT_EQ(started, entries[3].get());
  EXPECT_EQ(cursor, 4u);
  EXPECT_TRUE(GraphRunning());
  EXPECT_FLOAT_EQ(Pull(1)[0], 2000 / 32768.0f);

  // Nothing playable at all: nothing sounds and nothing is reported, so the
  // shell is not kept busy starting tracks that fail.
  std::vector<DS_SafePtr<DS_AudioFile>> bad = {entries[0], entries[1], entries[2]};
  cursor = 1;
  EXPECT_EQ(StartPlaylistEntry(bad, &cursor), nullptr);
  EXPECT_EQ(cursor, 1u);
  EXPECT_FALSE(GraphRunning());
  EXPECT_EQ(Rms(Pull(100), 0), 0.0);
  EXPECT_EQ(NextEvent(100), -1);
  RemoveTempCopies();
  unsetenv("TMPDIR");
}

}  // namespace

namespace {

// A playlist of one FLAC track loops without a gap: the track completes as
// soon as its last frame has been heard (not after the silent rest of the
// streaming buffer's half), and the restart plays from the first frame.
TEST_F(MusicTest, AOneTrackFlacPlaylistLoopsWithoutAGap) {
  setenv("TMPDIR", dir.path().c_str(), 1);
  const uint32_t chunk = kMixerRate / 100;  // 10 ms pulls; a restart happens between two
  // Ends at a half's close after a refill, inside a refilled half, at the
  // prefill's close, and inside the first half.
  const uint32_t lengths[] = {kMixerRate * 3, kMixerRate * 5 / 2, kMixerRate, kMixerRate * 3 / 10};
  for (uint32_t frames : lengths) {
    const auto path = dir / "loop.flac";
    ASSERT_TRUE(WriteFlac(path, kMixerRate, 1, 16, frames, Ramp));
    std::vector<DS_SafePtr<DS_AudioFile>> entries = {Entry(u"C:\\Music\\loop.flac", ReadFile(path))};
    ASSERT_TRUE(entries[0]->ExtractEmbeddedData());
    Playlist list(entries);
    ASSERT_EQ(list.StartNext(), 0u);
    std::vector<float> heard;
    uint32_t restartAt = 0;
    while (restartAt == 0) {
      const uint32_t before = static_cast<uint32_t>(heard.size() / 2);
      const uint32_t steps = MusicWorkerSteps();
      std::vector<float> part = Pull(chunk);
      heard.insert(heard.end(), part.begin(), part.end());
      const uint32_t pulled = before + chunk;
      // A half that gets refilled from the file: wait for the worker.
      if (pulled % kMixerRate == 0 && frames >= pulled + kMixerRate) {
        ASSERT_TRUE(WaitFor([&] { return MusicWorkerSteps() > steps; })) << frames;
      }
      if (pulled < frames) {
        ASSERT_EQ(NextEvent(0), -1) << frames << " " << pulled;
        continue;
      }
      ASSERT_EQ(NextEvent(2000), EC_COMPLETE) << frames << " at " << pulled;
      ASSERT_EQ(list.StartNext(), 0u);
      restartAt = pulled;
    }
    std::vector<float> again = Pull(chunk);
    for (uint32_t i = 0; i < frames; ++i) ASSERT_EQ(heard[2 * i], Ramp(i, 0) / 32768.0f) << frames << " " << i;
    // The silence between the loops is what is left of one pull, under 10 ms.
    EXPECT_LT(restartAt - frames, chunk) << frames;
    for (uint32_t i = 0; i < chunk; ++i) ASSERT_EQ(again[2 * i], Ramp(i, 0) / 32768.0f) << frames << " " << i;
    StopMusicOutput();
    RemoveTempCopies();
  }
  unsetenv("TMPDIR");
}

}  // namespace
