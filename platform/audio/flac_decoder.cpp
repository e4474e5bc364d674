#include "platform/audio/flac_decoder.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

struct drflac::Impl {
  FLAC__StreamDecoder* decoder = nullptr;
  std::FILE* file = nullptr;
  const uint8_t* memory = nullptr;
  size_t memorySize = 0;
  size_t memoryPos = 0;
  bool haveInfo = false;
  bool failed = false;
  drflac* owner = nullptr;
  std::vector<int16_t> pending;  // decoded, not yet read (interleaved)
  size_t pendingPos = 0;
};

namespace {

FLAC__StreamDecoderReadStatus MemRead(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* data) {
  auto* d = static_cast<drflac::Impl*>(data);
  const size_t left = d->memorySize - d->memoryPos;
  if (left == 0) {
    *bytes = 0;
    return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
  }
  const size_t n = std::min(*bytes, left);
  std::memcpy(buffer, d->memory + d->memoryPos, n);
  d->memoryPos += n;
  *bytes = n;
  return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderWriteStatus OnWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                       const FLAC__int32* const buffer[], void* data) {
  auto* d = static_cast<drflac::Impl*>(data);
  const uint32_t channels = d->owner->channels;
  const uint32_t bps = frame->header.bits_per_sample ? frame->header.bits_per_sample : d->owner->bitsPerSample;
  if (!d->haveInfo || frame->header.channels != channels || bps == 0 || bps > 32) {
    d->failed = true;
    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
  }
  if (d->pendingPos == d->pending.size()) {
    d->pending.clear();
    d->pendingPos = 0;
  }
  const uint32_t n = frame->header.blocksize;
  d->pending.reserve(d->pending.size() + static_cast<size_t>(n) * channels);
  for (uint32_t i = 0; i < n; ++i) {
    for (uint32_t c = 0; c < channels; ++c) {
      const int32_t s = buffer[c][i];
      d->pending.push_back(static_cast<int16_t>(bps > 16 ? (s >> (bps - 16)) : (s * (1 << (16 - bps)))));
    }
  }
  return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void* data) {
  auto* d = static_cast<drflac::Impl*>(data);
  if (m->type != FLAC__METADATA_TYPE_STREAMINFO) return;
  d->owner->sampleRate = m->data.stream_info.sample_rate;
  d->owner->channels = m->data.stream_info.channels;
  d->owner->bitsPerSample = m->data.stream_info.bits_per_sample;
  d->owner->totalPCMFrameCount = m->data.stream_info.total_samples;
  d->haveInfo = true;
}

void OnError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {
  // libFLAC resynchronises by itself; a stream that never does ends at EOF.
}

drflac* Open(drflac::Impl* impl) {
  auto* f = new drflac;
  f->impl = impl;
  impl->owner = f;
  impl->decoder = FLAC__stream_decoder_new();
  bool ok = impl->decoder != nullptr;
  if (ok) {
    FLAC__StreamDecoderInitStatus st;
    if (impl->file) {
      st = FLAC__stream_decoder_init_FILE(impl->decoder, impl->file, OnWrite, OnMetadata, OnError, impl);
      // Once initialised, the decoder owns the file and closes it.
      if (st == FLAC__STREAM_DECODER_INIT_STATUS_OK) impl->file = nullptr;
    } else {
      st = FLAC__stream_decoder_init_stream(impl->decoder, MemRead, nullptr, nullptr, nullptr, nullptr, OnWrite,
                                            OnMetadata, OnError, impl);
    }
    ok = st == FLAC__STREAM_DECODER_INIT_STATUS_OK;
  }
  if (ok) ok = FLAC__stream_decoder_process_until_end_of_metadata(impl->decoder) != 0;
  if (ok) ok = impl->haveInfo && f->channels >= 1 && f->channels <= 8 && f->sampleRate > 0;
  if (!ok) {
    drflac_close(f);
    return nullptr;
  }
  return f;
}

}  // namespace

drflac* drflac_open_file(const char* pathUtf8, const void*) {
  if (!pathUtf8 || !*pathUtf8) return nullptr;
  std::FILE* file = std::fopen(pathUtf8, "rb");
  if (!file) return nullptr;
  auto* impl = new drflac::Impl;
  impl->file = file;
  return Open(impl);
}

drflac* drflac_open_memory(const void* data, size_t size, const void*) {
  if (!data || size == 0) return nullptr;
  auto* impl = new drflac::Impl;
  impl->memory = static_cast<const uint8_t*>(data);
  impl->memorySize = size;
  return Open(impl);
}

uint64_t drflac_read_pcm_frames_s16(drflac* flac, uint64_t framesToRead, int16_t* out) {
  if (!flac || !flac->impl || !out || framesToRead == 0) return 0;
  drflac::Impl* d = flac->impl;
  const uint32_t ch = flac->channels;
  uint64_t done = 0;
  while (done < framesToRead) {
    const size_t avail = (d->pending.size() - d->pendingPos) / ch;
    if (avail == 0) {
      if (d->failed) break;
      const FLAC__StreamDecoderState st = FLAC__stream_decoder_get_state(d->decoder);
      if (st == FLAC__STREAM_DECODER_END_OF_STREAM || st >= FLAC__STREAM_DECODER_OGG_ERROR) break;
      if (!FLAC__stream_decoder_process_single(d->decoder)) break;
      continue;
    }
    const uint64_t n = std::min<uint64_t>(avail, framesToRead - done);
    std::memcpy(out + done * ch, d->pending.data() + d->pendingPos, static_cast<size_t>(n * ch) * sizeof(int16_t));
    d->pendingPos += static_cast<size_t>(n * ch);
    done += n;
  }
  return done;
}

void drflac_close(drflac* flac) {
  if (!flac) return;
  if (flac->impl) {
    if (flac->impl->decoder) FLAC__stream_decoder_delete(flac->impl->decoder);
    if (flac->impl->file) std::fclose(flac->impl->file);
    delete flac->impl;
  }
  delete flac;
}
