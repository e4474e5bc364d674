#pragma once
// Whole-file decoding for the graph's source filters: WAV (PCM), FLAC, Ogg
// Vorbis and MP3, recognised by their contents, into 16-bit interleaved PCM.
#include <cstdint>
#include <string>
#include <vector>

struct PcmData {
  uint32_t channels = 0;
  uint32_t rate = 0;
  std::vector<int16_t> samples;  // interleaved
  uint64_t Frames() const { return channels ? samples.size() / channels : 0; }
};

enum class AudioFileKind { Unknown, Wav, Flac, Ogg, Mp3 };

AudioFileKind DetectAudioFileKind(const uint8_t* head, size_t size);

// False, with a short reason, when the file is missing, of an unknown kind,
// damaged before its first sample, or holds no samples.
bool DecodeAudioFile(const std::string& pathUtf8, PcmData* out, std::string* why);
bool DecodeAudioMemory(const uint8_t* data, size_t size, PcmData* out, std::string* why);
