#pragma once
// The one software mixer under every sound buffer and filter graph. It mixes
// stereo float frames at kMixerRate, either for the SDL audio device (its own
// thread) or, for tests, for a sink that only advances when pulled by hand.
#include <cstdint>

constexpr uint32_t kMixerRate = 44100;

// Something that sounds: a playing sound buffer or a graph's renderer.
// Mix runs on the mixer thread with the mixer lock held and adds its frames
// to out (interleaved left, right).
class MixerVoice {
 public:
  virtual ~MixerVoice() = default;
  virtual void Mix(float* out, uint32_t frames) = 0;
};

// A voice sounds from Add until Remove; Remove waits for a running mix to end,
// so the voice may be destroyed right after it.
void AudioMixer_Add(MixerVoice* voice);
void AudioMixer_Remove(MixerVoice* voice);

// Opens the output device when neither it nor the test sink is open; false
// when SDL has no audio output (the mixer still works through pulls).
bool AudioMixer_Open();

// For a process about to end: the output device falls silent at once and for
// good, without waiting for voices or threads to stop.
void AudioMixer_Silence();

// Test sink: while on, no device is opened (an open one is closed) and the
// mixer advances only through AudioMixer_Pull.
void AudioMixer_UseTestSink(bool on);
bool AudioMixer_TestSinkOn();
// Mixes the next frames (stereo, interleaved) into out, overwriting it.
void AudioMixer_Pull(float* out, uint32_t frames);

// Gains of the hundredths-of-a-decibel laws: attenuation 0 is 1.0,
// -10000 or below is silence.
float AudioMixer_Gain(int32_t hundredthsDb);
// Left and right gains of a volume and a pan (-10000 left .. 10000 right).
void AudioMixer_VolumePan(int32_t volume, int32_t pan, float* left, float* right);

// Adds interleaved 16-bit PCM to out, resampling from rate to kMixerRate
// (linear). position is in source frames and advances; returns frames of out
// filled before the source ran out (at most frames).
uint32_t AudioMixer_AddPcm16(float* out, uint32_t frames, const int16_t* pcm, uint32_t channels,
                             uint32_t rate, double* position, double endFrame, float left, float right);

#include <mutex>
// The lock every voice's playing state lives under (the mix holds it).
std::unique_lock<std::recursive_mutex> AudioMixer_Guard();
