#include "platform/audio/mixer.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct MixerState {
  std::recursive_mutex lock;
  std::vector<MixerVoice*> voices;
  SDL_AudioDeviceID device = 0;
  bool testSink = false;
  bool sdlAudioInit = false;
};

// Never destroyed: the device thread may still mix while statics go away.
MixerState& State() {
  static MixerState* s = new MixerState;
  return *s;
}

void MixLocked(float* out, uint32_t frames) {
  std::memset(out, 0, sizeof(float) * 2 * frames);
  // A voice may remove itself while mixing; walk a copy.
  std::vector<MixerVoice*> voices = State().voices;
  for (MixerVoice* v : voices) {
    if (std::find(State().voices.begin(), State().voices.end(), v) != State().voices.end()) v->Mix(out, frames);
  }
}

// Set once the process is ending: the device only gets silence.
std::atomic<bool> g_silenced{false};

void DeviceCallback(void*, Uint8* stream, int len) {
  if (g_silenced.load(std::memory_order_relaxed)) {
    std::memset(stream, 0, static_cast<size_t>(len));
    return;
  }
  std::lock_guard<std::recursive_mutex> g(State().lock);
  MixLocked(reinterpret_cast<float*>(stream), static_cast<uint32_t>(len) / (2 * sizeof(float)));
}

// The device thread is stopped before the rest of the process goes away.
void CloseDeviceAtExit() { AudioMixer_UseTestSink(true); }

}  // namespace

std::unique_lock<std::recursive_mutex> AudioMixer_Guard() {
  return std::unique_lock<std::recursive_mutex>(State().lock);
}

void AudioMixer_Add(MixerVoice* voice) {
  auto g = AudioMixer_Guard();
  auto& v = State().voices;
  if (std::find(v.begin(), v.end(), voice) == v.end()) v.push_back(voice);
}

void AudioMixer_Remove(MixerVoice* voice) {
  auto g = AudioMixer_Guard();
  auto& v = State().voices;
  v.erase(std::remove(v.begin(), v.end(), voice), v.end());
}

bool AudioMixer_Open() {
  MixerState& s = State();
  {
    auto g = AudioMixer_Guard();
    if (s.testSink || s.device) return true;
  }
  if (!s.sdlAudioInit) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    s.sdlAudioInit = true;
  }
  SDL_AudioSpec want{};
  want.freq = static_cast<int>(kMixerRate);
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = DeviceCallback;
  SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (!dev) return false;
  {
    auto g = AudioMixer_Guard();
    if (s.testSink || s.device) {
      SDL_CloseAudioDevice(dev);
      return true;
    }
    s.device = dev;
  }
  static bool registered = false;
  if (!registered) {
    registered = true;
    std::atexit(CloseDeviceAtExit);
  }
  SDL_PauseAudioDevice(dev, 0);
  return true;
}

void AudioMixer_UseTestSink(bool on) {
  SDL_AudioDeviceID dev = 0;
  {
    auto g = AudioMixer_Guard();
    State().testSink = on;
    if (on) std::swap(dev, State().device);
  }
  // Closing waits for the device thread, which takes the lock: do it outside.
  if (dev) SDL_CloseAudioDevice(dev);
}

void AudioMixer_Silence() {
  g_silenced = true;
  SDL_AudioDeviceID dev = 0;
  {
    auto g = AudioMixer_Guard();
    dev = State().device;
  }
  if (dev) SDL_PauseAudioDevice(dev, 1);
}

bool AudioMixer_TestSinkOn() {
  auto g = AudioMixer_Guard();
  return State().testSink;
}

void AudioMixer_Pull(float* out, uint32_t frames) {
  auto g = AudioMixer_Guard();
  MixLocked(out, frames);
}

float AudioMixer_Gain(int32_t hundredthsDb) {
  if (hundredthsDb <= -10000) return 0.0f;
  if (hundredthsDb >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

void AudioMixer_VolumePan(int32_t volume, int32_t pan, float* left, float* right) {
  const float g = AudioMixer_Gain(volume);
  *left = g * (pan > 0 ? AudioMixer_Gain(-pan) : 1.0f);
  *right = g * (pan < 0 ? AudioMixer_Gain(pan) : 1.0f);
}

uint32_t AudioMixer_AddPcm16(float* out, uint32_t frames, const int16_t* pcm, uint32_t channels, uint32_t rate,
                             double* position, double endFrame, float left, float right) {
  if (channels == 0 || rate == 0) return 0;
  const double step = static_cast<double>(rate) / kMixerRate;
  const int64_t last = static_cast<int64_t>(endFrame) - 1;
  double p = *position;
  uint32_t n = 0;
  constexpr float kScale = 1.0f / 32768.0f;
  for (; n < frames && p < endFrame; ++n, p += step) {
    const int64_t i = static_cast<int64_t>(p);
    const float f = static_cast<float>(p - static_cast<double>(i));
    const int64_t j = i < last ? i + 1 : i;
    const int16_t* a = pcm + i * channels;
    const int16_t* b = pcm + j * channels;
    float l = a[0] + (b[0] - a[0]) * f;
    float r = channels > 1 ? a[1] + (b[1] - a[1]) * f : l;
    out[2 * n] += l * kScale * left;
    out[2 * n + 1] += r * kScale * right;
  }
  *position = p;
  return n;
}
