#pragma once
// Audio test support: tones written as WAV and FLAC files, fixture paths,
// and the mixer's test sink.
#include <FLAC/stream_encoder.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <string>
#include <vector>

#include "platform/audio/mixer.h"

namespace audio_test {

// Sample of channel c at frame i.
using SampleFn = std::function<int32_t(uint32_t i, uint32_t c)>;

inline SampleFn Sine(int32_t amplitude, double freq, uint32_t rate) {
  return [=](uint32_t i, uint32_t c) {
    const double s = amplitude * std::sin(2.0 * M_PI * freq * i / rate);
    return static_cast<int32_t>(std::lround(c == 0 ? s : s / 2));
  };
}
inline SampleFn Constant(int32_t left, int32_t right) {
  return [=](uint32_t, uint32_t c) { return c == 0 ? left : right; };
}

inline void PutLe(std::vector<uint8_t>& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A RIFF WAVE image: format chunk (18 bytes, PCM) then data.
inline std::vector<uint8_t> WavBytes(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t frames,
                                     const SampleFn& fn) {
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < frames; ++i) {
    for (uint32_t c = 0; c < channels; ++c) {
      const int32_t s = fn(i, c);
      if (bits == 8) data.push_back(static_cast<uint8_t>(s + 128));
      else PutLe(data, static_cast<uint32_t>(s), bits / 8);
    }
  }
  std::vector<uint8_t> b;
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  PutLe(b, static_cast<uint32_t>(4 + 8 + 18 + 8 + data.size()), 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe(b, 18, 4);
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  PutLe(b, 1, 2);
  PutLe(b, channels, 2);
  PutLe(b, rate, 4);
  PutLe(b, rate * align, 4);
  PutLe(b, align, 2);
  PutLe(b, bits, 2);
  PutLe(b, 0, 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  PutLe(b, static_cast<uint32_t>(data.size()), 4);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

inline void WriteFile(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Encodes a tone with libFLAC; bits 8..24.
inline bool WriteFlac(const std::filesystem::path& p, uint32_t rate, uint32_t channels, uint32_t bits,
                      uint32_t frames, const SampleFn& fn) {
  FLAC__StreamEncoder* enc = FLAC__stream_encoder_new();
  if (!enc) return false;
  FLAC__stream_encoder_set_channels(enc, channels);
  FLAC__stream_encoder_set_bits_per_sample(enc, bits);
  FLAC__stream_encoder_set_sample_rate(enc, rate);
  FLAC__stream_encoder_set_compression_level(enc, 1);
  FLAC__stream_encoder_set_total_samples_estimate(enc, frames);
  bool ok = FLAC__stream_encoder_init_file(enc, p.string().c_str(), nullptr, nullptr) ==
            FLAC__STREAM_ENCODER_INIT_STATUS_OK;
  std::vector<FLAC__int32> block;
  for (uint32_t i = 0; ok && i < frames;) {
    const uint32_t n = std::min<uint32_t>(4096, frames - i);
    block.clear();
    for (uint32_t k = 0; k < n; ++k)
      for (uint32_t c = 0; c < channels; ++c) block.push_back(fn(i + k, c));
    ok = FLAC__stream_encoder_process_interleaved(enc, block.data(), n);
    i += n;
  }
  ok = FLAC__stream_encoder_finish(enc) && ok;
  FLAC__stream_encoder_delete(enc);
  return ok;
}

inline std::filesystem::path DataFile(const char* name) {
  return std::filesystem::path(TEST_DATA_DIR) / "audio" / name;
}

// A fresh folder per test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("audio_test_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Pulls frames from the test sink (stereo, interleaved).
inline std::vector<float> Pull(uint32_t frames) {
  std::vector<float> out(2 * static_cast<size_t>(frames));
  AudioMixer_Pull(out.data(), frames);
  return out;
}

inline double Rms(const std::vector<float>& mix, int channel, size_t from = 0, size_t to = SIZE_MAX) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = from; i < std::min(to, mix.size() / 2); ++i, ++n) sum += mix[2 * i + channel] * mix[2 * i + channel];
  return n ? std::sqrt(sum / n) : 0.0;
}

// Every audio test mixes through the test sink.
class SinkTest : public ::testing::Test {
 protected:
  void SetUp() override { AudioMixer_UseTestSink(true); }
};

}  // namespace audio_test
