#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio/decoders.h"
#include "platform/audio/flac_decoder.h"
#include "tests/platform/audio_fixtures.h"

namespace {

using namespace audio_test;

double ChannelRms(const PcmData& pcm, uint32_t channel) {
  double sum = 0;
  const uint64_t n = pcm.Frames();
  for (uint64_t i = 0; i < n; ++i) {
    const double s = pcm.samples[i * pcm.channels + channel];
    sum += s * s;
  }
  return n ? std::sqrt(sum / n) : 0;
}

TEST(FlacDecoder, GivesTheEncodedSamplesAsSixteenBits) {
  TempDir dir;
  struct Case {
    uint32_t bits;
    int32_t sample;
    int16_t expected;
  } cases[] = {
      {16, -12345, -12345},
      {24, 0x123456, 0x1234},        // top 16 bits kept
      {24, -0x123456, -0x1235},      // arithmetic shift of a negative sample
      {20, 0x7FFFF, 0x7FFF},
      {8, 100, 100 * 256},           // narrower samples scaled up
  };
  for (const Case& c : cases) {
    const auto path = dir / ("c" + std::to_string(c.bits) + "_" + std::to_string(c.sample) + ".flac");
    ASSERT_TRUE(WriteFlac(path, 8000, 2, c.bits, 1000, Constant(c.sample, -c.sample / 2)));
    drflac* f = drflac_open_file(path.string().c_str(), nullptr);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->channels, 2u);
    EXPECT_EQ(f->sampleRate, 8000u);
    EXPECT_EQ(f->totalPCMFrameCount, 1000u);
    std::vector<int16_t> out(2 * 1200, 7);
    uint64_t total = 0, n;
    while ((n = drflac_read_pcm_frames_s16(f, 300, out.data() + total * 2)) != 0) total += n;
    EXPECT_EQ(total, 1000u) << c.bits;
    EXPECT_EQ(out[0], c.expected) << c.bits;
    EXPECT_EQ(out[2 * 999], c.expected) << c.bits;
    EXPECT_EQ(drflac_read_pcm_frames_s16(f, 10, out.data()), 0u);
    drflac_close(f);
  }
}

TEST(FlacDecoder, RefusesWhatIsNotAFlacStream) {
  TempDir dir;
  EXPECT_EQ(drflac_open_file((dir / "missing.flac").string().c_str(), nullptr), nullptr);
  EXPECT_EQ(drflac_open_file("", nullptr), nullptr);
  EXPECT_EQ(drflac_open_file(nullptr, nullptr), nullptr);
  const std::vector<uint8_t> junk = {'f', 'L', 'a', 'C', 0, 0, 0, 1, 2, 3, 4};
  EXPECT_EQ(drflac_open_memory(junk.data(), junk.size(), nullptr), nullptr);
  EXPECT_EQ(drflac_open_memory(junk.data(), 3, nullptr), nullptr);
  drflac_close(nullptr);
}

TEST(FlacDecoder, DamagedFramesEndTheStreamCleanly) {
  TempDir dir;
  const auto path = dir / "tone.flac";
  ASSERT_TRUE(WriteFlac(path, 8000, 1, 16, 8000, Sine(8000, 440, 8000)));
  std::vector<uint8_t> bytes = ReadFile(path);
  // Truncate halfway and scramble a stretch of the audio frames.
  bytes.resize(bytes.size() / 2);
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 200; ++i) bytes[i] ^= 0x5A;
  drflac* f = drflac_open_memory(bytes.data(), bytes.size(), nullptr);
  ASSERT_NE(f, nullptr);
  std::vector<int16_t> out(8000);
  const uint64_t got = drflac_read_pcm_frames_s16(f, 8000, out.data());
  EXPECT_LT(got, 8000u);
  EXPECT_EQ(drflac_read_pcm_frames_s16(f, 8000, out.data()), 0u);
  drflac_close(f);
}

TEST(Decoders, EachFormatGivesItsSampleCountAndLevel) {
  TempDir dir;
  // The tone of the committed fixtures: 1 s at 44100 Hz, 440 Hz, peaks 8000/4000.
  const double leftRms = 8000 / std::sqrt(2.0), rightRms = 4000 / std::sqrt(2.0);
  const auto wav = dir / "tone.wav";
  WriteFile(wav, WavBytes(44100, 2, 16, 44100, Sine(8000, 440, 44100)));
  const auto flac = dir / "tone.flac";
  ASSERT_TRUE(WriteFlac(flac, 44100, 2, 16, 44100, Sine(8000, 440, 44100)));
  struct Case {
    std::string path;
    AudioFileKind kind;
    uint64_t frames, slack;
    double tolerance;
  } cases[] = {
      {wav.string(), AudioFileKind::Wav, 44100, 0, 1.0},
      {flac.string(), AudioFileKind::Flac, 44100, 0, 1.0},
      {DataFile("tone_stereo.ogg").string(), AudioFileKind::Ogg, 44100, 0, 0.05 * leftRms},
      // MP3 frames are 1152 samples; the encoder's gapless tag trims most padding.
      {DataFile("tone_stereo.mp3").string(), AudioFileKind::Mp3, 44100, 1152, 0.05 * leftRms},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> bytes = ReadFile(c.path);
    EXPECT_EQ(DetectAudioFileKind(bytes.data(), bytes.size()), c.kind) << c.path;
    PcmData pcm;
    std::string why;
    ASSERT_TRUE(DecodeAudioFile(c.path, &pcm, &why)) << c.path << ": " << why;
    EXPECT_EQ(pcm.channels, 2u) << c.path;
    EXPECT_EQ(pcm.rate, 44100u) << c.path;
    EXPECT_GE(pcm.Frames(), c.frames) << c.path;
    EXPECT_LE(pcm.Frames(), c.frames + c.slack) << c.path;
    EXPECT_NEAR(ChannelRms(pcm, 0), leftRms, c.tolerance) << c.path;
    EXPECT_NEAR(ChannelRms(pcm, 1), rightRms, c.tolerance) << c.path;
  }
}

TEST(Decoders, WavSampleWidthsBecomeSixteenBits) {
  struct Case {
    uint16_t bits;
    int32_t sample;
    int16_t expected;
  } cases[] = {{8, -64, -64 * 256}, {16, 1234, 1234}, {24, 0x123456, 0x1234}, {32, -0x12345678, -0x1235}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> bytes = WavBytes(22050, 1, c.bits, 10, Constant(c.sample, c.sample));
    PcmData pcm;
    ASSERT_TRUE(DecodeAudioMemory(bytes.data(), bytes.size(), &pcm, nullptr)) << c.bits;
    EXPECT_EQ(pcm.channels, 1u);
    EXPECT_EQ(pcm.rate, 22050u);
    ASSERT_EQ(pcm.Frames(), 10u);
    EXPECT_EQ(pcm.samples[9], c.expected) << c.bits;
  }
}

TEST(Decoders, DamagedOrForeignDataFailsWithAReason) {
  const std::vector<uint8_t> wav = WavBytes(8000, 1, 16, 100, Constant(1, 1));
  std::vector<uint8_t> noData(wav.begin(), wav.begin() + 12 + 8 + 18);
  std::vector<uint8_t> badFormat = wav;
  badFormat[20] = 3;  // float tag
  std::vector<uint8_t> hugeChunk = wav;
  hugeChunk[16] = 0xFF, hugeChunk[17] = 0xFF, hugeChunk[18] = 0xFF, hugeChunk[19] = 0x7F;
  std::vector<uint8_t> ogg = ReadFile(DataFile("tone_stereo.ogg"));
  ogg.resize(60);
  std::vector<uint8_t> mp3 = {0xFF, 0xFB, 0x90, 0x00};
  mp3.resize(2000, 0x33);
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'};
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {{"WAV without data", noData}, {"float WAV", badFormat}, {"chunk past the end", hugeChunk},
               {"cut Ogg", ogg},             {"MP3 without frames", mp3}, {"text", text},
               {"empty", {}}};
  for (const Case& c : cases) {
    PcmData pcm;
    std::string why;
    EXPECT_FALSE(DecodeAudioMemory(c.bytes.data(), c.bytes.size(), &pcm, &why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
    EXPECT_TRUE(pcm.samples.empty()) << c.what;
  }
  PcmData pcm;
  std::string why;
  EXPECT_FALSE(DecodeAudioFile("/nonexistent/tone.wav", &pcm, &why));
  EXPECT_EQ(why, "cannot open file");
}

}  // namespace

namespace {

// Damaged copies of every format: flipped bytes, cut tails. Each must decode
// or fail, never crash or hang.
TEST(Decoders, MutatedFilesFailOrDecodeCleanly) {
  TempDir dir;
  ASSERT_TRUE(WriteFlac(dir / "t.flac", 8000, 2, 16, 4000, Sine(8000, 440, 8000)));
  const std::vector<std::vector<uint8_t>> originals = {
      WavBytes(8000, 2, 16, 400, Sine(8000, 440, 8000)), ReadFile(dir / "t.flac"),
      ReadFile(DataFile("tone_stereo.ogg")), ReadFile(DataFile("tone_stereo.mp3"))};
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (const std::vector<uint8_t>& original : originals) {
    for (int round = 0; round < 60; ++round) {
      std::vector<uint8_t> bytes = original;
      const int flips = 1 + static_cast<int>(next() % 16);
      for (int i = 0; i < flips; ++i) bytes[next() % bytes.size()] = static_cast<uint8_t>(next());
      if (round % 3 == 0) bytes.resize(next() % bytes.size());
      PcmData pcm;
      std::string why;
      if (DecodeAudioMemory(bytes.data(), bytes.size(), &pcm, &why)) {
        EXPECT_GT(pcm.Frames(), 0u);
        EXPECT_EQ(pcm.samples.size() % pcm.channels, 0u);
      } else {
        EXPECT_FALSE(why.empty());
      }
    }
  }
}

}  // namespace

namespace {

// Recomputes the checksum of every page, as a careful forger would.
void FixOggChecksums(std::vector<uint8_t>& d) {
  size_t pos = 0;
  while (pos + 27 <= d.size() && std::memcmp(&d[pos], "OggS", 4) == 0) {
    const uint8_t segments = d[pos + 26];
    size_t len = 27u + segments;
    for (int i = 0; i < segments; ++i) len += d[pos + 27 + i];
    std::memset(&d[pos + 22], 0, 4);
    uint32_t crc = 0;
    for (size_t i = 0; i < len; ++i) {
      uint32_t r = ((crc >> 24) ^ d[pos + i]) << 24;
      for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
      crc = (crc << 8) ^ r;
    }
    std::memcpy(&d[pos + 22], &crc, 4);
    pos += len;
  }
}

TEST(Decoders, OggHeadersWithLyingLengthsAreRefusedBeforeDecoding) {
  const std::vector<uint8_t> original = ReadFile(DataFile("tone_stereo.ogg"));
  // The comment header starts the second page: "\x03vorbis", vendor length, ...
  const size_t page2 = 27 + 1 + original[27];
  ASSERT_EQ(std::memcmp(&original[page2], "OggS", 4), 0);
  const size_t comment = page2 + 27 + original[page2 + 26];
  ASSERT_EQ(original[comment], 3);
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
  } cases[] = {{"vendor length", comment + 7, 0xFFFFFFFFu},
               {"comment count", comment + 11 + original[comment + 7], 0x40000000u},
               {"channels", 28 + 11, 0}};
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = original;
    std::memcpy(&bytes[c.offset], &c.value, c.offset == 28 + 11 ? 1 : 4);
    FixOggChecksums(bytes);
    PcmData pcm;
    std::string why;
    EXPECT_FALSE(DecodeAudioMemory(bytes.data(), bytes.size(), &pcm, &why)) << c.what;
  }
  std::vector<uint8_t> same = original;
  FixOggChecksums(same);
  EXPECT_EQ(same, original);  // the fixture's own checksums are right
}

}  // namespace
