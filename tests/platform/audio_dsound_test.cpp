#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/audio/dsound.h"
#include "platform/audio/mixer.h"
#include "platform/win32/sync.h"
#include "tests/platform/audio_fixtures.h"

namespace {

using audio_test::Pull;

WAVEFORMATEX Format(WORD channels, DWORD rate, WORD bits = 16) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  f.wBitsPerSample = bits;
  return f;
}

class DirectSoundTest : public audio_test::SinkTest {
 protected:
  void SetUp() override {
    SinkTest::SetUp();
    ASSERT_EQ(DirectSoundCreate8(nullptr, &ds_, nullptr), DS_OK);
    ASSERT_EQ(ds_->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  }
  void TearDown() override {
    if (ds_) ds_->Release();
  }
  // A buffer of 16-bit frames holding (left, right) = (value(i), -value(i)).
  IDirectSoundBuffer* Make(DWORD flags, DWORD frames, WORD channels = 2, DWORD rate = kMixerRate) {
    WAVEFORMATEX f = Format(channels, rate);
    DSBUFFERDESC d{};
    d.dwSize = kDSBufferDescSize32;
    d.dwFlags = flags;
    d.dwBufferBytes = frames * f.nBlockAlign;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    EXPECT_EQ(ds_->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    return b;
  }
  static void Fill(IDirectSoundBuffer* b, const std::vector<int16_t>& samples) {
    void* p1;
    void* p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    ASSERT_EQ(n1, samples.size() * 2);
    std::memcpy(p1, samples.data(), n1);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  }
  IDirectSound8* ds_ = nullptr;
};

TEST_F(DirectSoundTest, LockWrapsAroundTheEndOfTheBuffer) {
  IDirectSoundBuffer* b = Make(0, 100);  // 400 bytes
  struct Case {
    DWORD offset, bytes, n1, n2;
  } cases[] = {{0, 400, 400, 0}, {300, 200, 100, 100}, {399, 2, 1, 1}, {396, 4, 4, 0}};
  for (const Case& c : cases) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(c.offset, c.bytes, &p1, &n1, &p2, &n2, 0), DS_OK) << c.offset;
    EXPECT_EQ(n1, c.n1);
    EXPECT_EQ(n2, c.n2);
    EXPECT_EQ(p2 != nullptr, c.n2 != 0);
    if (p2) EXPECT_EQ(static_cast<uint8_t*>(p1) + n1 - 400, static_cast<uint8_t*>(p2));
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  }
  void* p1;
  void* p2;
  DWORD n1, n2;
  EXPECT_EQ(b->Lock(400, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Lock(0, 401, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
  b->Release();
}

TEST_F(DirectSoundTest, RefusesFormatsAndDescriptionsItCannotPlay) {
  struct Case {
    const char* what;
    WORD tag, channels, bits, align;
    DWORD rate, bytes, size;
    HRESULT expected;
  } cases[] = {
      {"compressed tag", 2, 2, 16, 4, 44100, 400, 36, DSERR_BADFORMAT},
      {"no channels", 1, 0, 16, 0, 44100, 400, 36, DSERR_BADFORMAT},
      {"12-bit", 1, 1, 12, 2, 44100, 400, 36, DSERR_BADFORMAT},
      {"block align", 1, 2, 16, 3, 44100, 400, 36, DSERR_BADFORMAT},
      {"rate 0", 1, 2, 16, 4, 0, 400, 36, DSERR_BADFORMAT},
      {"too small", 1, 2, 16, 4, 44100, 2, 36, DSERR_INVALIDPARAM},
      {"bad size field", 1, 2, 16, 4, 44100, 400, 12, DSERR_INVALIDPARAM},
  };
  for (const Case& c : cases) {
    WAVEFORMATEX f{c.tag, c.channels, c.rate, c.rate * c.align, c.align, c.bits, 0};
    DSBUFFERDESC d{c.size, 0, c.bytes, 0, &f, GUID_NULL};
    IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(1);
    EXPECT_EQ(ds_->CreateSoundBuffer(&d, &b, nullptr), c.expected) << c.what;
    EXPECT_EQ(b, nullptr) << c.what;
  }
}

TEST_F(DirectSoundTest, SoundsWithItsSamplesAndVolumeAndPanLaws) {
  IDirectSoundBuffer* b = Make(DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN, 64);
  Fill(b, std::vector<int16_t>(128, 16384));  // 0.5 full scale both sides
  struct Case {
    LONG volume, pan;
    double left, right;
  } cases[] = {
      {0, 0, 0.5, 0.5},
      {-2000, 0, 0.05, 0.05},                        // -20 dB
      {-5000, -5000, 0.5 * 0.0031623, 0.5 * 0.0031623 * 0.0031623},  // WAV object at volume 0, pan 0
      {0, 5000, 0.5 * 0.0031623, 0.5},               // pan 100: left attenuated 50 dB
      {0, -10000, 0.5, 0.0},
      {-10000, 0, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(b->SetVolume(c.volume), DS_OK);
    ASSERT_EQ(b->SetPan(c.pan), DS_OK);
    ASSERT_EQ(b->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    std::vector<float> mix = Pull(32);
    b->Stop();
    EXPECT_NEAR(mix[20], c.left, 1e-6 + c.left * 1e-4) << c.volume << "," << c.pan;
    EXPECT_NEAR(mix[21], c.right, 1e-6 + c.right * 1e-4) << c.volume << "," << c.pan;
  }
  EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetPan(10001), DSERR_INVALIDPARAM);
  b->Release();
}

TEST_F(DirectSoundTest, VolumeNeedsItsControlFlag) {
  IDirectSoundBuffer* b = Make(DSBCAPS_GLOBALFOCUS, 16);
  EXPECT_EQ(b->SetVolume(-100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(b->SetPan(-100), DSERR_CONTROLUNAVAIL);
  IDirectSoundNotify* n = nullptr;
  EXPECT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&n)), E_NOINTERFACE);
  b->Release();
}

TEST_F(DirectSoundTest, OneShotPlayStopsAtTheEndAndLoopingWraps) {
  std::vector<int16_t> ramp;
  for (int i = 0; i < 10; ++i) ramp.insert(ramp.end(), {static_cast<int16_t>(1000 * (i + 1)), 0});
  IDirectSoundBuffer* b = Make(0, 10);
  Fill(b, ramp);

  ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
  DWORD status = 0;
  b->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_PLAYING);
  std::vector<float> mix = Pull(15);
  for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(mix[2 * i], 1000.0f * (i + 1) / 32768.0f) << i;
  for (int i = 10; i < 15; ++i) EXPECT_EQ(mix[2 * i], 0.0f) << i;
  b->GetStatus(&status);
  EXPECT_EQ(status, 0u);

  ASSERT_EQ(b->SetCurrentPosition(7 * 4), DS_OK);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  b->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  mix = Pull(25);
  for (int i = 0; i < 25; ++i) EXPECT_FLOAT_EQ(mix[2 * i], 1000.0f * ((7 + i) % 10 + 1) / 32768.0f) << i;
  DWORD play = 0, write = 0;
  b->GetCurrentPosition(&play, &write);
  EXPECT_EQ(play, ((7 + 25) % 10) * 4u);
  b->Stop();
  b->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  b->Release();
}

TEST_F(DirectSoundTest, MonoAndEightBitBuffersAndOtherRates) {
  // Mono 8-bit at half the mixer rate: every source frame sounds twice
  // (linear interpolation in between), on both sides.
  WAVEFORMATEX f = Format(1, kMixerRate / 2, 8);
  DSBUFFERDESC d{kDSBufferDescSize32, 0, 4, 0, &f, GUID_NULL};
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(ds_->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
  void* p1;
  void* p2;
  DWORD n1, n2;
  ASSERT_EQ(b->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DS_OK);
  const uint8_t bytes[4] = {128 + 64, 128, 128 - 64, 128};
  std::memcpy(p1, bytes, 4);
  b->Unlock(p1, n1, p2, n2);
  b->Play(0, 0, DSBPLAY_LOOPING);
  std::vector<float> mix = Pull(4);
  const float expected[4] = {0.5f, 0.25f, 0.0f, -0.25f};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(mix[2 * i], expected[i]) << i;
    EXPECT_FLOAT_EQ(mix[2 * i + 1], expected[i]) << i;
  }
  b->Release();
}

TEST_F(DirectSoundTest, NotificationPositionsSignalEventsAsThePlayCursorPasses) {
  IDirectSoundBuffer* b = Make(DSBCAPS_CTRLPOSITIONNOTIFY, 100);
  IDirectSoundNotify* n = nullptr;
  ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&n)), S_OK);
  HANDLE half = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE end = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  DSBPOSITIONNOTIFY pos[2] = {{200 - 1, half}, {400 - 1, end}};
  ASSERT_EQ(n->SetNotificationPositions(2, pos), DS_OK);
  DSBPOSITIONNOTIFY bad{400, half};
  EXPECT_EQ(n->SetNotificationPositions(1, &bad), DSERR_INVALIDPARAM);

  b->Play(0, 0, DSBPLAY_LOOPING);
  EXPECT_EQ(n->SetNotificationPositions(2, pos), DSERR_INVALIDCALL);  // not while playing
  Pull(49);
  EXPECT_EQ(WaitForSingleObject(half, 0), WAIT_TIMEOUT);
  Pull(1);
  EXPECT_EQ(WaitForSingleObject(half, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(half, 0), WAIT_TIMEOUT);  // auto-reset
  EXPECT_EQ(WaitForSingleObject(end, 0), WAIT_TIMEOUT);
  Pull(50);
  HANDLE both[2] = {half, end};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  Pull(50);  // the second lap signals the half again
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0);
  b->Stop();
  n->Release();
  b->Release();
  CloseHandle(half);
  CloseHandle(end);
}

TEST_F(DirectSoundTest, ReleasingAPlayingBufferSilencesIt) {
  const uint32_t before = DirectSound_LiveBuffers();
  IDirectSoundBuffer* b = Make(0, 8);
  Fill(b, std::vector<int16_t>(16, 1000));
  b->Play(0, 0, DSBPLAY_LOOPING);
  EXPECT_GT(Pull(4)[0], 0.0f);
  b->Release();
  EXPECT_EQ(DirectSound_LiveBuffers(), before);
  EXPECT_EQ(Pull(4)[0], 0.0f);
}

TEST(DirectSoundDevice, NeedsACooperativeLevelAndCanBeMadeToFail) {
  AudioMixer_UseTestSink(true);
  IDirectSound8* ds = nullptr;
  ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
  WAVEFORMATEX f = Format(2, 44100);
  DSBUFFERDESC d{kDSBufferDescSize32, 0, 400, 0, &f, GUID_NULL};
  IDirectSoundBuffer* b = nullptr;
  EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_PRIOLEVELNEEDED);
  EXPECT_EQ(ds->SetCooperativeLevel(nullptr, 9), DSERR_INVALIDPARAM);
  ds->Release();

  DirectSound_SetCreateFailsForTest(true);
  EXPECT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(ds, nullptr);
  DirectSound_SetCreateFailsForTest(false);
}

TEST(Events, AutoAndManualResetAndTimeouts) {
  HANDLE a = CreateEventW(nullptr, FALSE, TRUE, nullptr);
  HANDLE m = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(a, 10), WAIT_TIMEOUT);
  SetEvent(m);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // stays signalled
  ResetEvent(m);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(CloseHandle(a));
  EXPECT_FALSE(CloseHandle(a));
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(0, nullptr, FALSE, 0), WAIT_FAILED);
  CloseHandle(m);
}

}  // namespace

namespace {

// Through the SDL audio device (the dummy driver under test) the mixer
// consumes a playing buffer in real time.
TEST(AudioDevice, APlayingBufferIsConsumedByTheOutputDevice) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);  // tests never use a real sound card
  AudioMixer_UseTestSink(false);
  if (!AudioMixer_Open()) {
    AudioMixer_UseTestSink(true);
    GTEST_SKIP() << "no audio output: " << SDL_GetError();
  }
  IDirectSound8* ds = nullptr;
  ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
  ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
  WAVEFORMATEX f = Format(2, kMixerRate);
  DSBUFFERDESC d{kDSBufferDescSize32, DSBCAPS_CTRLPOSITIONNOTIFY, kMixerRate * 4, 0, &f, GUID_NULL};
  IDirectSoundBuffer* b = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
  IDirectSoundNotify* n = nullptr;
  b->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&n));
  HANDLE e = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  DSBPOSITIONNOTIFY pos{400 * 4 - 1, e};  // after 400 frames (about 9 ms)
  n->SetNotificationPositions(1, &pos);
  n->Release();
  b->Play(0, 0, DSBPLAY_LOOPING);
  EXPECT_EQ(WaitForSingleObject(e, 5000), WAIT_OBJECT_0);
  b->Release();
  ds->Release();
  CloseHandle(e);
  AudioMixer_UseTestSink(true);
}

}  // namespace
