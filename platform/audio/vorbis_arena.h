#pragma once
// Working memory for one Ogg Vorbis decoder. The decoder takes all it needs
// from this block, so a damaged header that asks for gigabytes fails to open
// instead of allocating them.
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

class VorbisArena {
 public:
  // Ample for stereo and 5.1 streams of any quality.
  static constexpr int kBytes = 8 << 20;
  VorbisArena() : memory_(kBytes) {
    alloc_.alloc_buffer = memory_.data();
    alloc_.alloc_buffer_length_in_bytes = kBytes;
  }
  const stb_vorbis_alloc* Get() const { return &alloc_; }

 private:
  std::vector<char> memory_;
  stb_vorbis_alloc alloc_{};
};
