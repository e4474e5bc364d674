#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/audio/mmio.h"
#include "tests/platform/audio_fixtures.h"

namespace {

HMMIO OpenMemory(std::vector<uint8_t>& bytes) {
  MMIOINFO info{};
  info.fccIOProc = FOURCC_MEM;
  info.pchBuffer = reinterpret_cast<HPSTR>(bytes.data());
  info.cchBuffer = static_cast<LONG>(bytes.size());
  return mmioOpenW(nullptr, &info, MMIO_READ);
}

// A RIFF WAVE with a LIST chunk of odd size before "fmt " and "data".
std::vector<uint8_t> Sample() {
  std::vector<uint8_t> wav = audio_test::WavBytes(8000, 1, 16, 3, audio_test::Constant(7, 7));
  std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 5, 0, 0, 0, 'I', 'N', 'F', 'O', 'x', 0};
  wav.insert(wav.begin() + 12, list.begin(), list.end());
  const uint32_t riff = static_cast<uint32_t>(wav.size() - 8);
  std::memcpy(&wav[4], &riff, 4);
  return wav;
}

TEST(MemoryRiff, DescendsIntoTheWaveChunksAsTheWavObjectsDo) {
  std::vector<uint8_t> bytes = Sample();
  HMMIO h = OpenMemory(bytes);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(mmioSeek(h, 0, SEEK_SET_MMIO), 0);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  EXPECT_EQ(riff.dwDataOffset, 8u);
  MMCKINFO fmt{};
  fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
  ASSERT_EQ(mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(fmt.cksize, 18u);
  uint8_t format[18];
  ASSERT_EQ(mmioRead(h, reinterpret_cast<HPSTR>(format), 18), 18);
  EXPECT_EQ(format[0], 1);  // PCM

  mmioSeek(h, 0, SEEK_SET_MMIO);
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  ASSERT_EQ(mmioDescend(h, &data, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(data.cksize, 6u);
  int16_t samples[3];
  EXPECT_EQ(mmioRead(h, reinterpret_cast<HPSTR>(samples), 6), 6);
  EXPECT_EQ(samples[2], 7);
  EXPECT_EQ(mmioRead(h, reinterpret_cast<HPSTR>(samples), 6), 0);  // end of the block

  MMCKINFO missing{};
  missing.ckid = mmioFOURCC('c', 'u', 'e', ' ');
  mmioSeek(h, riff.dwDataOffset + 4, SEEK_SET_MMIO);
  EXPECT_EQ(mmioDescend(h, &missing, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
}

TEST(MemoryRiff, HostileSizesAndPositionsStayInsideTheBlock) {
  std::vector<uint8_t> bytes = Sample();
  // The LIST chunk claims 2 GB: the search for "fmt " ends instead of jumping.
  bytes[16] = 0xFF, bytes[17] = 0xFF, bytes[18] = 0xFF, bytes[19] = 0x7F;
  HMMIO h = OpenMemory(bytes);
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO fmt{};
  fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
  EXPECT_EQ(mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  EXPECT_EQ(mmioSeek(h, -1, SEEK_SET_MMIO), -1);
  EXPECT_EQ(mmioSeek(h, static_cast<LONG>(bytes.size()) + 1, SEEK_SET_MMIO), -1);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_END_MMIO), static_cast<LONG>(bytes.size()));
  char c;
  EXPECT_EQ(mmioRead(h, &c, 1), 0);
  mmioClose(h, 0);

  std::vector<uint8_t> tiny = {'R', 'I', 'F'};
  h = OpenMemory(tiny);
  EXPECT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
  mmioClose(h, 0);
  MMIOINFO file{};
  EXPECT_EQ(mmioOpenW(nullptr, &file, MMIO_READ), nullptr);  // only memory files exist
}

}  // namespace
