// The sample's music loop: a short pentatonic tune over a soft bass,
// synthesised here and encoded as FLAC.
#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "tools/sample/sample_project.h"

namespace sample {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A plucked tone: a few harmonics under a fast attack and an exponential decay.
double Pluck(double t, double frequency, double length) {
  if (t < 0.0 || t > length) return 0.0;
  double attack = std::min(1.0, t / 0.01);
  double release = std::min(1.0, (length - t) / 0.05);
  double env = attack * release * std::exp(-3.0 * t / length);
  double w = 2.0 * kPi * frequency * t;
  return env * (std::sin(w) + 0.35 * std::sin(2.0 * w) + 0.12 * std::sin(3.0 * w));
}

double NoteFrequency(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

struct Note {
  double beat;
  double beats;
  int pitch;  // semitones from A4
};

// Degrees of the major pentatonic on C5 (C D E G A), in semitones from A4.
constexpr int kScale[] = {3, 5, 7, 10, 12, 15, 17, 19};

// Blocks of data the encoder writes, kept in memory with seek and tell so the
// stream header gets its final values.
struct MemorySink {
  std::vector<uint8_t> bytes;
  size_t position = 0;
};

FLAC__StreamEncoderWriteStatus Write(const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes,
                                     uint32_t, uint32_t, void* context) {
  auto* sink = static_cast<MemorySink*>(context);
  if (sink->position + bytes > sink->bytes.size()) sink->bytes.resize(sink->position + bytes);
  std::memcpy(sink->bytes.data() + sink->position, buffer, bytes);
  sink->position += bytes;
  return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

FLAC__StreamEncoderSeekStatus Seek(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* context) {
  auto* sink = static_cast<MemorySink*>(context);
  if (offset > sink->bytes.size()) return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
  sink->position = static_cast<size_t>(offset);
  return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus Tell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* context) {
  *offset = static_cast<const MemorySink*>(context)->position;
  return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

}  // namespace

std::vector<int16_t> SynthesiseMusic(const Music& music) {
  const double rate = music.sampleRate;
  const size_t frames = static_cast<size_t>(music.seconds * rate);
  const double beat = music.seconds / 16.0;  // four bars of four beats
  // The melody walks the scale by a fixed pattern; the bass holds the bar's root.
  std::vector<Note> melody;
  const int pattern[] = {0, 2, 4, 3, 5, 4, 2, 1, 2, 4, 6, 5, 4, 2, 1, 0};
  for (int i = 0; i < 16; ++i) melody.push_back({static_cast<double>(i), 0.9, kScale[pattern[i]]});
  const int bassRoots[] = {-21, -16, -19, -14};  // C3, F3, D3, G3 from A4
  std::vector<int16_t> out(frames * 2);
  for (size_t n = 0; n < frames; ++n) {
    double t = n / rate;
    double left = 0.0, right = 0.0;
    for (const Note& note : melody) {
      double start = note.beat * beat;
      if (t < start || t > start + note.beats * beat) continue;
      double v = Pluck(t - start, NoteFrequency(note.pitch), note.beats * beat);
      double pan = 0.5 + 0.3 * std::sin(note.beat * 0.8);
      left += v * (1.0 - pan);
      right += v * pan;
    }
    int bar = static_cast<int>(t / (4.0 * beat));
    if (bar > 3) bar = 3;
    double bass = Pluck(t - bar * 4.0 * beat, NoteFrequency(bassRoots[bar]), 4.0 * beat);
    left += 0.5 * bass;
    right += 0.5 * bass;
    // The loop's ends meet in silence.
    double edge = std::min(1.0, std::min(t, music.seconds - t) / 0.02);
    out[2 * n] = static_cast<int16_t>(std::lround(std::clamp(left * edge * 0.3, -1.0, 1.0) * 32767.0));
    out[2 * n + 1] = static_cast<int16_t>(std::lround(std::clamp(right * edge * 0.3, -1.0, 1.0) * 32767.0));
  }
  return out;
}

std::vector<uint8_t> EncodeFlac(const std::vector<int16_t>& stereo, uint32_t sampleRate) {
  FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
  if (!encoder) throw std::runtime_error("cannot create the FLAC encoder");
  const size_t frames = stereo.size() / 2;
  FLAC__stream_encoder_set_channels(encoder, 2);
  FLAC__stream_encoder_set_bits_per_sample(encoder, 16);
  FLAC__stream_encoder_set_sample_rate(encoder, sampleRate);
  FLAC__stream_encoder_set_compression_level(encoder, 8);
  FLAC__stream_encoder_set_total_samples_estimate(encoder, frames);
  MemorySink sink;
  bool ok = FLAC__stream_encoder_init_stream(encoder, Write, Seek, Tell, nullptr, &sink) ==
            FLAC__STREAM_ENCODER_INIT_STATUS_OK;
  std::vector<FLAC__int32> block;
  const size_t chunk = 4096;
  for (size_t at = 0; ok && at < frames; at += chunk) {
    size_t count = std::min(chunk, frames - at);
    block.assign(stereo.begin() + static_cast<std::ptrdiff_t>(2 * at),
                 stereo.begin() + static_cast<std::ptrdiff_t>(2 * (at + count)));
    ok = FLAC__stream_encoder_process_interleaved(encoder, block.data(), static_cast<uint32_t>(count));
  }
  ok = FLAC__stream_encoder_finish(encoder) && ok;
  FLAC__stream_encoder_delete(encoder);
  if (!ok) throw std::runtime_error("FLAC encoding failed");
  return sink.bytes;
}

}  // namespace sample
