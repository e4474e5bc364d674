#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/music_graph.h"
#include "audio/music_output.h"
#include "platform/audio/dshow.h"
#include "platform/audio/mixer.h"
#include "platform/com/com.h"
#include "player/app/player_app.h"
#include "player/audio_file.h"
#include "player/slide_show.h"

namespace {

// A short silent WAV file: 16-bit mono at 8 kHz.
std::string WriteWav(const std::string& name) {
  std::string path = testing::TempDir() + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  const uint32_t samples = 800, data = samples * 2;
  auto u32 = [&](uint32_t v) { fwrite(&v, 4, 1, f); };
  auto u16 = [&](uint16_t v) { fwrite(&v, 2, 1, f); };
  fwrite("RIFF", 1, 4, f), u32(36 + data), fwrite("WAVEfmt ", 1, 8, f);
  u32(16), u16(1), u16(1), u32(8000), u32(16000), u16(2), u16(16);
  fwrite("data", 1, 4, f), u32(data);
  std::vector<uint8_t> silence(data, 0);
  fwrite(silence.data(), 1, data, f);
  fclose(f);
  return path;
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

class Playlist : public ::testing::Test {
 protected:
  void SetUp() override {
    AudioMixer_UseTestSink(true);
    AudioLayer_Register();
    void* out = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, 3, IID_IGraphBuilder, &out), S_OK);
    g_MusicGraph = static_cast<IGraphBuilder*>(out);
    g_MusicGraph->QueryInterface(IID_IMediaControl, &out), g_MusicControl = static_cast<IMediaControl*>(out);
    g_MusicGraph->QueryInterface(IID_IMediaSeeking, &out), g_MusicSeeking = static_cast<IMediaSeeking*>(out);
    g_MusicGraph->QueryInterface(IID_IMediaEventEx, &out), g_MusicEvents = static_cast<IMediaEventEx*>(out);
    g_MusicGraph->QueryInterface(IID_IBasicAudio, &out), g_MusicAudio = static_cast<IBasicAudio*>(out);
    app.masterVolume = 100;
    app.document = new DS_SlideShow_Light();
  }
  void TearDown() override {
    StopMusicOutput();
    delete app.document;
    app.document = nullptr;
    ReleaseMusicGraph();
  }
  void Add(const std::string& path, uint32_t volumePercent) {
    auto* entry = new DS_AudioFile();
    entry->file.path = Wide(path);
    entry->volume.SetValue(volumePercent);
    app.document->playlist.push_back(DS_SafePtr<DS_AudioFile>(entry));
  }
  long Volume() {
    LONG v = 0;
    g_MusicAudio->get_Volume(&v);
    return v;
  }
  PlayerApp app;
};

TEST_F(Playlist, CompletionStartsTheNextEntryAndLoops) {
  Add(WriteWav("one.wav"), 100);
  Add(WriteWav("two.wav"), 50);
  app.StartDocument();
  EXPECT_EQ(app.playlistCursor, 1u);
  EXPECT_EQ(Volume(), -10000);  // silent until the start-up applies the volume law
  app.OnMediaEvent(1);
  EXPECT_EQ(app.playlistCursor, 0u);  // the last entry started: back on the first
  EXPECT_FLOAT_EQ(app.trackVolume, 0.5f);
  EXPECT_EQ(Volume(), -2000);
  app.OnMediaEvent(1);
  EXPECT_EQ(app.playlistCursor, 1u);
  EXPECT_FLOAT_EQ(app.trackVolume, 1.0f);
  EXPECT_EQ(Volume(), 0);
}

TEST_F(Playlist, OtherEventsAndEmptyPlaylistsChangeNothing) {
  app.StartDocument();
  app.OnMediaEvent(1);
  EXPECT_EQ(app.playlistCursor, 0u);
  Add(WriteWav("only.wav"), 100);
  app.StartDocument();
  size_t cursor = app.playlistCursor;
  app.OnMediaEvent(-1);
  app.OnMediaEvent(2);
  EXPECT_EQ(app.playlistCursor, cursor);
  // A single entry starts itself again at each completion.
  app.OnMediaEvent(1);
  EXPECT_EQ(app.playlistCursor, 0u);
}

}  // namespace
