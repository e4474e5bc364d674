#include "audio/music_output.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/music_graph.h"
#include "core/strings.h"
#include "platform/audio/com_object.h"
#include "platform/audio/dsound.h"
#include "platform/audio/flac_decoder.h"
#include "platform/win32/focus.h"
#include "platform/win32/sync.h"
#include "platform/win32/windows.h"
#include "player/audio_file.h"

#include "platform/audio/ogg_check.h"
#include "platform/audio/vorbis_arena.h"

IGraphBuilder* g_MusicGraph = nullptr;
IMediaControl* g_MusicControl = nullptr;
IMediaSeeking* g_MusicSeeking = nullptr;
IMediaEventEx* g_MusicEvents = nullptr;
IBasicAudio* g_MusicAudio = nullptr;

namespace {

IDirectSound8* g_sound = nullptr;
IDirectSoundBuffer* g_buffer = nullptr;
HANDLE g_events[2] = {nullptr, nullptr};
std::atomic<bool> g_running{false};
std::atomic<uint32_t> g_workerSteps{0};
// Heap-held so that no joinable thread object is ever destroyed at exit.
std::thread& Worker() {
  static std::thread* t = new std::thread;
  return *t;
}

void JoinWorkerAtExit() { StopFlacStream(); }

void StartWorker(std::thread t) {
  static bool registered = false;
  if (!registered) {
    registered = true;
    std::atexit(JoinWorkerAtExit);
  }
  Worker() = std::move(t);
}

WAVEFORMATEX PcmFormat(uint32_t channels, uint32_t rate) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = static_cast<WORD>(channels);
  f.nSamplesPerSec = rate;
  f.nAvgBytesPerSec = channels * 2 * rate;
  f.nBlockAlign = static_cast<WORD>(channels * 2);
  f.wBitsPerSample = 16;
  f.cbSize = 0;
  return f;
}

bool EnsureSoundDevice() {
  if (g_sound) return true;
  HRESULT hr = DirectSoundCreate8(nullptr, &g_sound, nullptr);
  if (SUCCEEDED(hr)) hr = g_sound->SetCooperativeLevel(GetForegroundWindow(), DSSCL_PRIORITY);
  if (FAILED(hr)) {
    SafeRelease(g_sound);
    return false;
  }
  return true;
}

// Completion of a decoded track goes into the shared graph's event queue
// (and from there to the shell's window), like a graph track's.
IMediaEventSink* CompletionSink() {
  IMediaEventSink* sink = nullptr;
  if (g_MusicGraph) g_MusicGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink));
  return sink;
}

void FillSilence(IDirectSoundBuffer* buffer, DWORD offset, DWORD bytes) {
  if (!buffer || bytes == 0) return;
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  if (SUCCEEDED(buffer->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0))) {
    std::memset(p1, 0, n1);
    if (p2) std::memset(p2, 0, n2);
    buffer->Unlock(p1, n1, p2, n2);
  }
}

// Fills one half from the decoder; false when the data ended in it (the rest
// of the half is then silence, and *endBytes says where in the half it began).
bool RefillHalf(drflac* decoder, DWORD offset, DWORD half, uint32_t chunkFrames, std::vector<int16_t>& chunk,
                bool checkRunning, DWORD* endBytes) {
  const uint32_t channels = decoder->channels;
  const uint32_t frameBytes = channels * 2;
  DWORD written = 0;
  while (written < half) {
    if (checkRunning && !g_running) return true;
    const uint32_t frames = std::min<uint32_t>((half - written) / frameBytes, chunkFrames);
    if (frames == 0) break;
    const uint64_t got = drflac_read_pcm_frames_s16(decoder, frames, chunk.data());
    if (got == 0) {
      FillSilence(g_buffer, offset + written, half - written);
      if (endBytes) *endBytes = written;
      return false;
    }
    const DWORD bytes = static_cast<DWORD>(got) * frameBytes;
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(g_buffer->Lock(offset + written, bytes, &p1, &n1, &p2, &n2, 0))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;  // this chunk is lost
    }
    std::memcpy(p1, chunk.data(), n1);
    if (p2) std::memcpy(p2, reinterpret_cast<const uint8_t*>(chunk.data()) + n1, n2);
    g_buffer->Unlock(p1, n1, p2, n2);
    written += bytes;
  }
  return true;
}

// Waits, once the half holding the end of the data has begun to play, until
// its last frame has been heard: the track completes there and not at the end
// of the silent rest of the half, so a looping playlist has no gap. Short
// timed waits on the play cursor, only for this last stretch.
bool WaitForDataEnd(DWORD halfStart, DWORD endBytes) {
  if (endBytes == 0) return true;  // the end lay at the close of the other half
  for (;;) {
    const DWORD r = WaitForMultipleObjects(2, g_events, FALSE, 2);
    if (!g_running) return false;
    if (r == WAIT_OBJECT_0 || r == WAIT_OBJECT_0 + 1) return true;  // the half itself has played out
    DWORD play = 0;
    if (FAILED(g_buffer->GetCurrentPosition(&play, nullptr))) continue;
    DWORD status = 0;
    if (SUCCEEDED(g_buffer->GetStatus(&status)) && !(status & DSBSTATUS_PLAYING)) return true;
    // Outside the half means it has played past it.
    if (play < halfStart || play >= halfStart + endBytes) return true;
  }
}

// endHalf: the half (0 or 1) in which the data ended during the prefill, or
// -1; endBytes: where in that half it ended.
void FlacStreamWorker(drflac* decoder, DWORD bufferBytes, DWORD half, int endHalf, DWORD endBytes,
                      IMediaEventSink* sink) {
  (void)bufferBytes;
  bool completed = false;
  if (decoder && g_buffer) {
    const FlacStreamLayout layout = FlacLayout(decoder->sampleRate, decoder->channels);
    std::vector<int16_t> chunk(static_cast<size_t>(layout.chunkFrames) * decoder->channels, 0);
    // A track shorter than a half ends in the half that is playing already.
    if (endHalf == 0 && WaitForDataEnd(0, endBytes)) {
      g_buffer->Stop();
      completed = g_running.exchange(false);
      if (completed && sink) sink->Notify(EC_COMPLETE, S_OK, 0);
      ++g_workerSteps;
    }
    while (g_running) {
      const DWORD r = WaitForMultipleObjects(2, g_events, FALSE, INFINITE);
      if (!g_running) break;
      if (r != WAIT_OBJECT_0 && r != WAIT_OBJECT_0 + 1) continue;
      const int played = static_cast<int>(r - WAIT_OBJECT_0);
      if (endHalf < 0) {
        if (!RefillHalf(decoder, played * half, half, layout.chunkFrames, chunk, true, &endBytes)) endHalf = played;
        ++g_workerSteps;
        continue;
      }
      // Draining: the last audio sits in the other half and the start of
      // endHalf. The half just played gets silence in case the stop comes late.
      bool heard = played == endHalf;
      if (!heard) {
        FillSilence(g_buffer, played * half, half);
        ++g_workerSteps;
        heard = WaitForDataEnd(endHalf * half, endBytes);
      }
      if (heard) {
        g_buffer->Stop();
        // Reported at once, and only while nobody has stopped the stream:
        // a stop that comes first must not let a stale completion skip the
        // track started after it.
        completed = g_running.exchange(false);
        if (completed && sink) sink->Notify(EC_COMPLETE, S_OK, 0);
        ++g_workerSteps;
        break;
      }
    }
    // After a completion the next track starts at once: no pause before the join.
    if (!completed) std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  drflac_close(decoder);
  if (sink) sink->Release();
}

// A one-shot decoded track: waits for its last frame or for the stop signal.
void OggEndWatcher(IMediaEventSink* sink) {
  const DWORD r = WaitForMultipleObjects(2, g_events, FALSE, INFINITE);
  if (r == WAIT_OBJECT_0 && g_running.exchange(false) && sink) sink->Notify(EC_COMPLETE, S_OK, 0);
  if (sink) sink->Release();
}

bool CreateEvents() {
  g_events[0] = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  g_events[1] = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (g_events[0] && g_events[1]) return true;
  for (HANDLE& e : g_events) {
    if (e) CloseHandle(e);
    e = nullptr;
  }
  return false;
}

}  // namespace

FlacStreamLayout FlacLayout(uint32_t rate, uint32_t channels) {
  FlacStreamLayout l;
  l.bufferBytes = channels * 2 * rate * 2;
  l.halfBytes = l.bufferBytes / 2;
  l.chunkFrames = rate >= 2560 ? rate / 10 : 256;
  return l;
}

void StopFlacStream() {
  g_running.exchange(false);
  for (HANDLE e : g_events) {
    if (e) SetEvent(e);
  }
  if (Worker().joinable()) Worker().join();
  if (g_buffer) {
    g_buffer->Stop();
    SafeRelease(g_buffer);
  }
  for (HANDLE& e : g_events) {
    if (e) CloseHandle(e);
    e = nullptr;
  }
}

bool StartFlacStream(const zvi_string& path) {
  if (!EnsureSoundDevice()) return false;
  StopFlacStream();
  if (path.empty()) return false;
  const std::string utf8 = Win32_ToUtf8(path);
  if (utf8.empty()) return false;
  drflac* probe = drflac_open_file(utf8.c_str(), nullptr);
  if (!probe) return false;
  const uint32_t channels = probe->channels;
  const uint32_t rate = probe->sampleRate;
  drflac_close(probe);
  const FlacStreamLayout layout = FlacLayout(rate, channels);

  WAVEFORMATEX format = PcmFormat(channels, rate);
  DSBUFFERDESC desc{};
  desc.dwSize = kDSBufferDescSize32;
  desc.dwFlags = DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
  desc.dwBufferBytes = layout.bufferBytes;
  desc.lpwfxFormat = &format;
  if (FAILED(g_sound->CreateSoundBuffer(&desc, &g_buffer, nullptr))) {
    g_buffer = nullptr;
    return false;
  }
  if (!CreateEvents()) {
    SafeRelease(g_buffer);
    return false;
  }
  IDirectSoundNotify* notify = nullptr;
  HRESULT hr = g_buffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify));
  if (SUCCEEDED(hr)) {
    DSBPOSITIONNOTIFY pos[2] = {{layout.halfBytes - 1, g_events[0]}, {layout.bufferBytes - 1, g_events[1]}};
    hr = notify->SetNotificationPositions(2, pos);
    notify->Release();
  }
  if (FAILED(hr)) {
    StopFlacStream();
    return false;
  }
  drflac* decoder = drflac_open_file(utf8.c_str(), nullptr);
  if (!decoder) {
    StopFlacStream();
    return false;
  }
  std::vector<int16_t> chunk(static_cast<size_t>(layout.chunkFrames) * channels, 0);
  int endHalf = -1;
  DWORD endBytes = 0;
  if (!RefillHalf(decoder, 0, layout.halfBytes, layout.chunkFrames, chunk, false, &endBytes)) {
    endHalf = 0;
    FillSilence(g_buffer, layout.halfBytes, layout.halfBytes);
  } else if (!RefillHalf(decoder, layout.halfBytes, layout.halfBytes, layout.chunkFrames, chunk, false, &endBytes)) {
    endHalf = 1;
  }
  if (FAILED(g_buffer->Play(0, 0, DSBPLAY_LOOPING))) {
    drflac_close(decoder);
    StopFlacStream();
    return false;
  }
  if (Worker().joinable()) Worker().join();
  g_running = true;
  StartWorker(
      std::thread(FlacStreamWorker, decoder, layout.bufferBytes, layout.halfBytes, endHalf, endBytes, CompletionSink()));
  return true;
}

bool PlayOggFile(const zvi_string& path) {
  // A streaming worker must not outlive the buffer it writes.
  StopFlacStream();
  const std::string utf8 = Win32_ToUtf8(path);
  if (utf8.empty() || utf8.size() >= MAX_PATH) return false;
  {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!OggVorbisLooksSound(bytes.data(), bytes.size())) return false;
  }
  int error = 0;
  VorbisArena arena;
  stb_vorbis* v = stb_vorbis_open_filename(utf8.c_str(), &error, arena.Get());
  if (!v) return false;
  const stb_vorbis_info info = stb_vorbis_get_info(v);
  const int channels = info.channels;
  const uint32_t rate = info.sample_rate;
  // Decoded in pieces: the length a file claims is not trusted for the allocation.
  std::vector<int16_t> samples;
  if (channels >= 1 && channels <= 8 && rate > 0) {
    std::vector<short> piece(4096 * channels);
    for (;;) {
      const int n = stb_vorbis_get_samples_short_interleaved(v, channels, piece.data(), static_cast<int>(piece.size()));
      if (n <= 0) break;
      samples.insert(samples.end(), piece.begin(), piece.begin() + n * channels);
      if (samples.size() * 2 > DSBSIZE_MAX) break;
    }
  }
  stb_vorbis_close(v);
  const size_t frames = channels > 0 ? samples.size() / channels : 0;
  if (frames == 0) return false;
  if (!EnsureSoundDevice()) return false;

  WAVEFORMATEX format = PcmFormat(static_cast<uint32_t>(channels), rate);
  DSBUFFERDESC desc{};
  desc.dwSize = kDSBufferDescSize32;
  // Position notification added to the one-shot buffer so its end is reported.
  desc.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY;
  desc.dwBufferBytes = static_cast<DWORD>(frames * channels * 2);
  desc.lpwfxFormat = &format;
  if (FAILED(g_sound->CreateSoundBuffer(&desc, &g_buffer, nullptr))) {
    g_buffer = nullptr;
    SafeRelease(g_sound);
    return false;
  }
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  if (SUCCEEDED(g_buffer->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0))) {
    std::memcpy(p1, samples.data(), n1);
    if (p2) std::memcpy(p2, reinterpret_cast<const uint8_t*>(samples.data()) + n1, n2);
    g_buffer->Unlock(p1, n1, p2, n2);
  }
  bool watch = false;
  if (CreateEvents()) {
    IDirectSoundNotify* notify = nullptr;
    if (SUCCEEDED(g_buffer->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify)))) {
      DSBPOSITIONNOTIFY pos{desc.dwBufferBytes - 1, g_events[0]};
      watch = SUCCEEDED(notify->SetNotificationPositions(1, &pos));
      notify->Release();
    }
  }
  g_buffer->Play(0, 0, 0);
  if (watch) {
    if (Worker().joinable()) Worker().join();
    g_running = true;
    StartWorker(std::thread(OggEndWatcher, CompletionSink()));
  }
  return true;
}

bool RenderSourceOnGraph(IBaseFilter* source, IGraphBuilder* graph, IMediaControl* control, IMediaSeeking* seeking) {
  if (!source) return false;
  IPin* pin = nullptr;
  if (FAILED(source->FindPin(u"Output", &pin)) || !pin) return false;
  if (!control || !graph) {
    pin->Release();
    return false;
  }
  control->Stop();
  IEnumFilters* en = nullptr;
  ULONG count = 0;
  if (FAILED(graph->EnumFilters(&en)) || !en) {
    pin->Release();
    return false;
  }
  while (en->Skip(1) == S_OK) ++count;
  if (count == 0) {
    en->Release();
    pin->Release();
    return false;
  }
  en->Reset();
  std::vector<IBaseFilter*> filters(count, nullptr);
  ULONG fetched = 0;
  en->Next(count, filters.data(), &fetched);
  en->Release();
  bool ok = true;
  for (ULONG i = 0; i < count; ++i) {
    IBaseFilter* f = filters[i];
    if (!f) {
      ok = false;
      continue;
    }
    // Removing and adding again drops every connection of the last track.
    graph->RemoveFilter(f);
    graph->AddFilter(f, nullptr);
    f->Release();
  }
  if (!ok) {
    pin->Release();
    return false;
  }
  try {
    ok = SUCCEEDED(graph->Render(pin));
  } catch (...) {
    ok = false;
  }
  pin->Release();
  if (!ok) return false;
  if (seeking) {
    LONGLONG zero = 0;
    seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, &zero, AM_SEEKING_NoPositioning);
  }
  control->Run();
  return true;
}

bool RenderSourceFilterOutput(IBaseFilter* source) {
  return RenderSourceOnGraph(source, g_MusicGraph, g_MusicControl, g_MusicSeeking);
}

void StopMusicOutput() {
  if (g_MusicControl) g_MusicControl->Stop();
  // The worker is joined before the buffer it writes is released.
  StopFlacStream();
  SafeRelease(g_sound);
}

zvi_string LowerCaseFileExtension(const zvi_string& path) {
  // Either separator ends the folder part; a dot before it is no extension.
  const size_t slash = path.find_last_of(u"\\/");
  return LowerCaseExtension(slash == zvi_string::npos ? path : path.substr(slash + 1));
}

bool StartMusicFile(const zvi_string& path) {
  const zvi_string ext = LowerCaseFileExtension(path);
  StopMusicOutput();
  if (ext == u".flac") return StartFlacStream(path);
  if (ext == u".ogg") return PlayOggFile(path);
  IBaseFilter* source = nullptr;
  if (g_MusicGraph && FAILED(g_MusicGraph->AddSourceFilter(path.c_str(), path.c_str(), &source))) source = nullptr;
  const bool rendered = RenderSourceFilterOutput(source);
  if (source) source->Release();
  if (rendered) return true;
  StopMusicOutput();
  if (g_MusicGraph && SUCCEEDED(g_MusicGraph->RenderFile(path.c_str(), nullptr)) && g_MusicControl)
    return SUCCEEDED(g_MusicControl->Run());
  return false;
}

DS_AudioFile* StartPlaylistEntry(const std::vector<DS_SafePtr<DS_AudioFile>>& playlist, size_t* cursor) {
  const size_t n = playlist.size();
  if (n == 0 || !cursor) return nullptr;
  size_t at = *cursor % n;
  for (size_t tries = 0; tries < n; ++tries, at = (at + 1) % n) {
    DS_AudioFile* entry = playlist[at].get();
    if (!entry || !entry->Playable()) continue;
    if (!StartMusicFile(entry->Path())) continue;
    *cursor = at + 1;
    return entry;
  }
  StopMusicOutput();
  return nullptr;
}

void ReleaseMusicGraph() {
  SafeRelease(g_MusicAudio);
  SafeRelease(g_MusicEvents);
  SafeRelease(g_MusicSeeking);
  SafeRelease(g_MusicControl);
  SafeRelease(g_MusicGraph);
}

LONG MusicGraphVolume(int32_t master, float track) {
  const int32_t level = static_cast<int32_t>(static_cast<float>(master) * track);
  return static_cast<LONG>(0.4f * 100.0f * static_cast<float>(level - 100));
}

bool MusicWorkerActive() { return Worker().joinable(); }
uint32_t MusicWorkerSteps() { return g_workerSteps; }
IDirectSoundBuffer* MusicBufferForTest() { return g_buffer; }
