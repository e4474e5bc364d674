#pragma once
// FLAC decoding with the small open / read frames / close interface the music
// streamer calls, over libFLAC. Samples come out as 16-bit: wider samples keep
// their top 16 bits, narrower ones are scaled up.
#include <cstddef>
#include <cstdint>

struct drflac {
  uint32_t sampleRate = 0;
  uint32_t channels = 0;
  uint32_t bitsPerSample = 0;
  uint64_t totalPCMFrameCount = 0;  // 0 when the stream does not say
  struct Impl;
  Impl* impl = nullptr;
};

// Null when the file cannot be opened or does not start a valid FLAC stream.
drflac* drflac_open_file(const char* pathUtf8, const void* allocationCallbacks);
// Over a caller-owned block that must outlive the decoder.
drflac* drflac_open_memory(const void* data, size_t size, const void* allocationCallbacks);
// Decodes up to framesToRead frames (interleaved) into out; fewer, or 0, at
// the end of the data or at damage that cannot be skipped.
uint64_t drflac_read_pcm_frames_s16(drflac* flac, uint64_t framesToRead, int16_t* out);
void drflac_close(drflac* flac);
