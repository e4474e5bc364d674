#include "platform/audio/decoders.h"

#include <mpg123.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>

#include "platform/audio/flac_decoder.h"

#include "platform/audio/ogg_check.h"
#include "platform/audio/vorbis_arena.h"

namespace {

// About 50 minutes of CD audio (512 MB); what a longer or hostile file holds
// beyond that is cut.
constexpr uint64_t kMaxSamples = 1ull << 28;

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool Fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

bool DecodeWav(const uint8_t* data, size_t size, PcmData* out, std::string* why) {
  if (size < 12) return Fail(why, "truncated RIFF header");
  const uint8_t* fmt = nullptr;
  uint32_t fmtSize = 0;
  const uint8_t* pcm = nullptr;
  size_t pcmSize = 0;
  size_t pos = 12;
  const size_t riffEnd = std::min<size_t>(size, static_cast<size_t>(Le32(data + 4)) + 8);
  while (pos + 8 <= riffEnd) {
    const uint32_t id = Le32(data + pos);
    const uint32_t len = Le32(data + pos + 4);
    const size_t body = pos + 8;
    const size_t avail = std::min<size_t>(len, riffEnd - body);
    if (id == Le32(reinterpret_cast<const uint8_t*>("fmt "))) {
      fmt = data + body;
      fmtSize = static_cast<uint32_t>(avail);
    } else if (id == Le32(reinterpret_cast<const uint8_t*>("data"))) {
      pcm = data + body;
      pcmSize = avail;
    }
    pos = body + static_cast<size_t>(len) + (len & 1);
    if (pos < body) break;
  }
  if (!fmt || fmtSize < 16) return Fail(why, "no format chunk");
  if (!pcm) return Fail(why, "no data chunk");
  const uint16_t tag = Le16(fmt);
  const uint32_t channels = Le16(fmt + 2);
  const uint32_t rate = Le32(fmt + 4);
  const uint32_t bits = Le16(fmt + 14);
  if (tag != 1 || channels == 0 || channels > 8 || rate == 0 || (bits != 8 && bits != 16 && bits != 24 && bits != 32))
    return Fail(why, "unsupported WAV format");
  const size_t bytes = bits / 8;
  const size_t frames = pcmSize / (bytes * channels);
  if (frames == 0) return Fail(why, "no samples");
  out->channels = channels;
  out->rate = rate;
  out->samples.resize(frames * channels);
  for (size_t i = 0; i < frames * channels; ++i) {
    const uint8_t* s = pcm + i * bytes;
    int16_t v;
    if (bits == 8) v = static_cast<int16_t>((s[0] - 128) * 256);
    else v = static_cast<int16_t>(s[bytes - 2] | (s[bytes - 1] << 8));  // top 16 bits
    out->samples[i] = v;
  }
  return true;
}

bool DecodeFlac(const uint8_t* data, size_t size, PcmData* out, std::string* why) {
  drflac* f = drflac_open_memory(data, size, nullptr);
  if (!f) return Fail(why, "damaged FLAC stream");
  out->channels = f->channels;
  out->rate = f->sampleRate;
  std::vector<int16_t> chunk(4096 * f->channels);
  for (;;) {
    const uint64_t n = drflac_read_pcm_frames_s16(f, 4096, chunk.data());
    if (n == 0 || out->samples.size() + n * f->channels > kMaxSamples) break;
    out->samples.insert(out->samples.end(), chunk.begin(), chunk.begin() + static_cast<ptrdiff_t>(n * f->channels));
  }
  drflac_close(f);
  return out->samples.empty() ? Fail(why, "no samples") : true;
}

bool DecodeOgg(const uint8_t* data, size_t size, PcmData* out, std::string* why) {
  if (size > static_cast<size_t>(std::numeric_limits<int>::max())) return Fail(why, "file too large");
  if (!OggVorbisLooksSound(data, size)) return Fail(why, "damaged Ogg Vorbis stream");
  int error = 0;
  VorbisArena arena;
  stb_vorbis* v = stb_vorbis_open_memory(data, static_cast<int>(size), &error, arena.Get());
  if (!v) return Fail(why, "damaged Ogg Vorbis stream");
  const stb_vorbis_info info = stb_vorbis_get_info(v);
  if (info.channels < 1 || info.channels > 8 || info.sample_rate == 0) {
    stb_vorbis_close(v);
    return Fail(why, "unsupported Ogg Vorbis stream");
  }
  out->channels = static_cast<uint32_t>(info.channels);
  out->rate = info.sample_rate;
  std::vector<short> chunk(4096 * info.channels);
  for (;;) {
    const int n = stb_vorbis_get_samples_short_interleaved(v, info.channels, chunk.data(), static_cast<int>(chunk.size()));
    if (n <= 0 || out->samples.size() + static_cast<size_t>(n) * info.channels > kMaxSamples) break;
    out->samples.insert(out->samples.end(), chunk.begin(), chunk.begin() + n * info.channels);
  }
  stb_vorbis_close(v);
  return out->samples.empty() ? Fail(why, "no samples") : true;
}

bool DecodeMp3(const uint8_t* data, size_t size, PcmData* out, std::string* why) {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
  mpg123_handle* h = mpg123_new(nullptr, nullptr);
  if (!h) return Fail(why, "no MP3 decoder");
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(h);
  const long* rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i) mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  bool ok = mpg123_open_feed(h) == MPG123_OK && mpg123_feed(h, data, size) == MPG123_OK;
  long rate = 0;
  int channels = 0, encoding = 0;
  std::vector<unsigned char> chunk(16384);
  while (ok) {
    size_t done = 0;
    const int r = mpg123_read(h, chunk.data(), chunk.size(), &done);
    if (r == MPG123_NEW_FORMAT) {
      mpg123_getformat(h, &rate, &channels, &encoding);
      // Streams that change format midway are cut at the change.
      if (out->channels && (out->channels != static_cast<uint32_t>(channels) || out->rate != static_cast<uint32_t>(rate)))
        break;
      out->channels = static_cast<uint32_t>(channels);
      out->rate = static_cast<uint32_t>(rate);
    }
    if (done && out->channels) {
      const size_t n = done / 2;
      if (out->samples.size() + n > kMaxSamples) break;
      const size_t at = out->samples.size();
      out->samples.resize(at + n);
      std::memcpy(out->samples.data() + at, chunk.data(), n * 2);
    }
    if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;  // done, need more (all fed) or error
  }
  mpg123_delete(h);
  if (out->channels) out->samples.resize(out->samples.size() - out->samples.size() % out->channels);
  return out->samples.empty() || out->rate == 0 ? Fail(why, "no MP3 frames") : true;
}

bool LooksLikeMp3(const uint8_t* d, size_t n) {
  if (n >= 3 && std::memcmp(d, "ID3", 3) == 0) return true;
  return n >= 2 && d[0] == 0xFF && (d[1] & 0xE0) == 0xE0;
}

}  // namespace

AudioFileKind DetectAudioFileKind(const uint8_t* d, size_t n) {
  if (n >= 12 && std::memcmp(d, "RIFF", 4) == 0 && std::memcmp(d + 8, "WAVE", 4) == 0) return AudioFileKind::Wav;
  if (n >= 4 && std::memcmp(d, "fLaC", 4) == 0) return AudioFileKind::Flac;
  if (n >= 4 && std::memcmp(d, "OggS", 4) == 0) return AudioFileKind::Ogg;
  if (LooksLikeMp3(d, n)) return AudioFileKind::Mp3;
  return AudioFileKind::Unknown;
}

bool DecodeAudioMemory(const uint8_t* data, size_t size, PcmData* out, std::string* why) {
  *out = PcmData();
  bool ok = false;
  switch (DetectAudioFileKind(data, size)) {
    case AudioFileKind::Wav: ok = DecodeWav(data, size, out, why); break;
    case AudioFileKind::Flac: ok = DecodeFlac(data, size, out, why); break;
    case AudioFileKind::Ogg: ok = DecodeOgg(data, size, out, why); break;
    case AudioFileKind::Mp3: ok = DecodeMp3(data, size, out, why); break;
    case AudioFileKind::Unknown: ok = Fail(why, "unknown audio format"); break;
  }
  if (!ok) *out = PcmData();
  return ok;
}

bool DecodeAudioFile(const std::string& pathUtf8, PcmData* out, std::string* why) {
  *out = PcmData();
  std::ifstream in(pathUtf8, std::ios::binary);
  if (!in) return Fail(why, "cannot open file");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) return Fail(why, "empty file");
  return DecodeAudioMemory(bytes.data(), bytes.size(), out, why);
}
