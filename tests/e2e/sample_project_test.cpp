// The sample project as the program carries it: the embedded "DDS" 107 is
// the project the builder writes from its description, and its music loop
// survives encoding sample for sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/audio/flac_decoder.h"
#include "platform/win32/windows.h"
#include "resources/builtin_resources.h"
#include "tools/sample/sample_project.h"
#include "tools/writer/byte_builder.h"

namespace {

std::vector<uint8_t> EmbeddedProject() {
  RegisterBuiltInResources();
  HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(107), u"DDS");
  if (!res) return {};
  DWORD size = SizeofResource(nullptr, res);
  const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, res)));
  if (!data) return {};
  return std::vector<uint8_t>(data, data + size);
}

TEST(SampleProject, EmbeddedResourceIsTheBuiltSample) {
  const std::vector<uint8_t> embedded = EmbeddedProject();
  ASSERT_FALSE(embedded.empty());
  EXPECT_EQ(embedded, sample::BuildProject(sample::TheSample()));

  // Header, the 32-bit 1, the slide show's class and version, its slide
  // count and the first slide's class and version.
  pw::ByteBuilder start;
  start.Raw("\xFF\xFE\xFF\x0B", 4).Raw(u"QMF v 5.0.0", 22).U32(1);
  start.Raw("\xFF\xFE\xFF\x12", 4).Raw(u"DS_SlideShow_Light", 36).U32(2);
  start.U32(static_cast<uint32_t>(sample::TheSample().slides.size()));
  start.Raw("\xFF\xFE\xFF\x11", 4).Raw(u"DS_SlideContainer", 34).U32(6);
  ASSERT_GE(embedded.size(), start.size());
  EXPECT_TRUE(std::equal(start.bytes().begin(), start.bytes().end(), embedded.begin()));
}

TEST(SampleProject, MusicLoopDecodesToItsSamples) {
  const sample::Music& music = sample::TheSample().music;
  const std::vector<int16_t> samples = sample::SynthesiseMusic(music);
  ASSERT_EQ(samples.size(), 2u * static_cast<size_t>(music.seconds * music.sampleRate));
  const std::vector<uint8_t> flac = sample::EncodeFlac(samples, music.sampleRate);

  drflac* decoder = drflac_open_memory(flac.data(), flac.size(), nullptr);
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(decoder->sampleRate, music.sampleRate);
  EXPECT_EQ(decoder->channels, 2u);
  EXPECT_EQ(decoder->totalPCMFrameCount, samples.size() / 2);
  std::vector<int16_t> decoded(samples.size() + 2);
  uint64_t frames = drflac_read_pcm_frames_s16(decoder, decoded.size() / 2, decoded.data());
  drflac_close(decoder);
  ASSERT_EQ(frames, samples.size() / 2);
  decoded.resize(samples.size());
  EXPECT_EQ(decoded, samples);
  // The loop's ends meet in silence, and there is music in between.
  EXPECT_EQ(samples.front(), 0);
  EXPECT_LE(std::abs(samples.back()), 64);
  EXPECT_GT(*std::max_element(samples.begin(), samples.end()), 4000);
  // No silence baked into the file: its first and last 50 ms already sound.
  const size_t edge = static_cast<size_t>(music.sampleRate / 20) * 2;
  auto loudest = [](auto from, auto to) {
    int most = 0;
    for (auto it = from; it != to; ++it) most = std::max(most, std::abs(static_cast<int>(*it)));
    return most;
  };
  EXPECT_GT(loudest(samples.begin(), samples.begin() + edge), 300);
  EXPECT_GT(loudest(samples.end() - edge, samples.end()), 100);
}

}  // namespace
