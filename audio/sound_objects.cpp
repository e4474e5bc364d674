#include "audio/sound_objects.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "audio/music_output.h"
#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "platform/audio/com_object.h"
#include "platform/audio/mmio.h"
#include "platform/win32/focus.h"
#include "platform/win32/windows.h"
#include "player/audio_file.h"
#include "player/doc_res_manager.h"
#include "player/timelines.h"

namespace {

void ReadHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string className;
  ar.ReadWideString(&className);
  ar.ReadInt(version);
}

IDirectSound8* g_wavSound = nullptr;

void ReleaseWavSound() { SafeRelease(g_wavSound); }

}  // namespace

// ---------------------------------------------------------------------------
// Laws

LONG WavVolume(uint32_t volume) { return (static_cast<LONG>(volume) - 100) * 50; }
LONG WavPan(uint32_t pan) { return (static_cast<LONG>(pan) - 50) * 100; }
LONG Mp3Volume(uint32_t volume) { return static_cast<LONG>(((static_cast<LONG>(volume) - 100) * 100) * 0.4); }
LONG Mp3Balance(uint32_t pan) { return static_cast<LONG>(((static_cast<LONG>(pan) - 50) * 200) * 0.4); }

uint32_t WavDuration(uint32_t dataBytes, uint32_t avgBytesPerSecond) {
  // Without a byte rate there is no length to tell.
  if (avgBytesPerSecond == 0) return 0;
  const uint32_t scaled = dataBytes * 100u;
  return static_cast<uint32_t>(std::floor(static_cast<float>(scaled) / static_cast<float>(avgBytesPerSecond) + 0.5f));
}

IDirectSound8* WavSoundDevice() {
  if (g_wavSound) return g_wavSound;
  IDirectSound8* ds = nullptr;
  if (FAILED(DirectSoundCreate8(nullptr, &ds, nullptr))) return nullptr;
  if (FAILED(ds->SetCooperativeLevel(GetForegroundWindow(), DSSCL_PRIORITY))) {
    ds->Release();
    return nullptr;
  }
  g_wavSound = ds;
  static bool registered = false;
  if (!registered) {
    registered = true;
    std::atexit(ReleaseWavSound);
  }
  return g_wavSound;
}

// ---------------------------------------------------------------------------
// DS_Sound_Ctrl

DS_Sound_Ctrl::DS_Sound_Ctrl() = default;

DS_Sound_Ctrl::DS_Sound_Ctrl(const DS_Sound_Ctrl& other)
    : DS_ABObj_Constructor(other), volume(other.volume), pan(other.pan), duration(other.duration) {}

DS_Sound_Ctrl::~DS_Sound_Ctrl() = default;

uint32_t DS_Sound_Ctrl::TimelineState() { return timing.Current()->GetState(); }

bool DS_Sound_Ctrl::FitTimeline(ZVI_Timing* timeline, float) {
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(timeline);
  if (!random) return false;
  random->maxShown.SetValue(duration);
  random->minShown.SetValue(duration);
  if (random->fadeOut.value != 0) random->fadeOut.SetValue(0u);
  if (random->fadeIn.value != 0) random->fadeIn.SetValue(0u);
  return false;
}

DS_ABObj* DS_Sound_Ctrl::CreateRuntime() {
  DS_Sound_Ctrl* copy = Clone();
  auto* runtime = new DS_Sound(copy);
  runtime->running = true;
  copy->Prepare();
  return runtime;
}

void DS_Sound_Ctrl::ReadSoundCtrlRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadHeader(ar, &version);
  ReadSoundCtrlFields(ar, version);
}

void DS_Sound_Ctrl::ReadSoundCtrlFields(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&volume.value);
  ar.ReadUInt(&pan.value);
  uint32_t legacyKind = 0, legacyMin = 0, legacyMax = 0;
  if (version < 3) {
    ar.ReadUInt(&legacyKind);
    ar.ReadUInt(&legacyMin);
    ar.ReadUInt(&legacyMax);
  }
  ReadConstructorBase(ar);
  if (version >= 3) return;
  timing.value = static_cast<int>(legacyKind);
  if (legacyKind == 0) {
    timing.SetCurrentTimeline(new ZVI_ContinuesTimeLine());
  } else if (legacyKind == 1) {
    DS_SafePtr<ZVI_Timing> made = CreateTimingByName(kTimelineClassNames[1]);
    if (auto* random = dynamic_cast<ZVI_RandomTimeLine*>(made.get())) {
      random->minHidden.SetValue(legacyMin * 100u);
      random->maxHidden.SetValue(legacyMax * 100u);
      timing.SetCurrentTimeline(made);
    }
  }
}

// ---------------------------------------------------------------------------
// DS_Sound

DS_Sound::DS_Sound(DS_Sound_Ctrl* copy) : DS_ABObj(copy), sound(copy) {}

DS_Sound::~DS_Sound() = default;

void DS_Sound::SetRunning(bool flag) {
  if (!flag) sound->Stop();
  running = flag;
}

void DS_Sound::Update(float localTime) {
  if (running) sound->UpdatePlayback(localTime);
}

// ---------------------------------------------------------------------------
// DS_MP3_Constructor

DS_MP3_Constructor::DS_MP3_Constructor(const DS_MP3_Constructor& other)
    : DS_Sound_Ctrl(other), tempPath(other.tempPath) {
  file.CopyFrom(other.file);
}

DS_MP3_Constructor::~DS_MP3_Constructor() {
  SafeRelease(audio);
  SafeRelease(events);
  SafeRelease(seeking);
  SafeRelease(control);
  SafeRelease(source);
  SafeRelease(graph);
  if (!tempPath.empty()) DeleteFileW(tempPath.c_str());
}

void DS_MP3_Constructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadBlob(&file);
  ReadSoundCtrlRecord(ar);
}

void DS_MP3_Constructor::Prepare() {
  CoInitialize(nullptr);
  if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                 IID_IGraphBuilder, reinterpret_cast<void**>(&graph))) &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control))) &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking))) &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events))) &&
      SUCCEEDED(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)))) {
    events->SetNotifyWindow(0, WM_APP, 0);
  }
  // The copy is named after the stored file name alone, inside the
  // temporary folder; a name that leaves nothing usable makes no copy.
  tempPath = TempCopyPath(file.path);
  bool copied = false;
  if (!tempPath.empty()) {
    if (file.data && file.size) {
      copied = WriteWholeFile(tempPath, file.data.get(), file.size);
    } else if (!file.path.empty()) {
      std::error_code ec;
      copied = std::filesystem::copy_file(std::filesystem::path(file.path), std::filesystem::path(tempPath),
                                          std::filesystem::copy_options::overwrite_existing, ec);
    }
    if (copied) RememberTempCopy(tempPath);
    else tempPath.clear();
  }
  if (graph && copied && FAILED(graph->AddSourceFilter(tempPath.c_str(), tempPath.c_str(), &source))) source = nullptr;
  RenderSourceOnGraph(source, graph, control, seeking);
  LONGLONG length = 0;
  if (seeking && FAILED(seeking->GetDuration(&length))) length = 0;
  duration = static_cast<uint32_t>(length / 10000000) * 100u;
  Stop();
}

void DS_MP3_Constructor::ApplyVolumePan() {
  if (!audio) return;
  audio->put_Volume(Mp3Volume(volume.value));
  audio->put_Balance(Mp3Balance(pan.value));
}

void DS_MP3_Constructor::UpdatePlayback(float) {
  if (!graph) return;
  OAFilterState state = State_Running;
  if (control) control->GetState(100, &state);
  const uint32_t shown = TimelineState();
  if (state == State_Stopped && shown == kTimelineShown) {
    RenderSourceOnGraph(source, graph, control, seeking);
    ApplyVolumePan();
  }
  LONGLONG current = 0, stop = 0;
  if (seeking) seeking->GetPositions(&current, &stop);
  if (current >= stop || shown == kTimelineHidden) Stop();
}

void DS_MP3_Constructor::Stop() {
  if (graph && control) control->Stop();
}

// ---------------------------------------------------------------------------
// DS_WAV_Constructor

DS_WAV_Constructor::DS_WAV_Constructor(const DS_WAV_Constructor& other)
    : DS_Sound_Ctrl(other), link(other.link), buffer(other.buffer) {
  if (buffer) buffer->AddRef();
}

DS_WAV_Constructor::~DS_WAV_Constructor() { SafeRelease(buffer); }

void DS_WAV_Constructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadFileLink3(ar, link);
  ReadSoundCtrlRecord(ar);
}

bool DS_WAV_Constructor::LoadWave() {
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return false;
  std::vector<EmbeddedFile>& entries = manager->DocumentData(link.Key());
  if (entries.empty() && link.GetExtension() == u".dll") {
    EmbeddedFile entry;
    entry.resourceId = static_cast<uint32_t>(link.id);
    entry.moduleName = link.name;
    entry.LoadFromModule();
    entries.push_back(std::move(entry));
  }
  if (entries.empty() || !entries.front().data || entries.front().size == 0) return false;
  const EmbeddedFile& wav = entries.front();

  MMIOINFO info{};
  info.fccIOProc = FOURCC_MEM;
  info.pchBuffer = reinterpret_cast<HPSTR>(wav.data.get());
  info.cchBuffer = static_cast<LONG>(std::min<uint32_t>(wav.size, 0x7FFFFFFF));
  HMMIO h = mmioOpenW(nullptr, &info, MMIO_READ);
  if (!h) return false;
  WAVEFORMATEX format{};
  std::vector<uint8_t> data;
  bool ok = false;
  MMCKINFO riff{}, chunk{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  mmioSeek(h, 0, SEEK_SET_MMIO);
  if (mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR) {
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(h, &chunk, &riff, MMIO_FINDCHUNK) == MMSYSERR_NOERROR &&
        mmioRead(h, reinterpret_cast<HPSTR>(&format), sizeof(format)) > 0) {
      mmioSeek(h, 0, SEEK_SET_MMIO);
      MMCKINFO riff2{};
      riff2.fccType = riff.fccType;
      chunk = MMCKINFO{};
      chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
      if (mmioDescend(h, &riff2, nullptr, MMIO_FINDRIFF) == MMSYSERR_NOERROR &&
          mmioDescend(h, &chunk, &riff2, MMIO_FINDCHUNK) == MMSYSERR_NOERROR) {
        // A size claiming more than the block holds keeps what is there.
        const uint32_t left = wav.size - std::min<uint32_t>(wav.size, chunk.dwDataOffset);
        data.resize(std::min(chunk.cksize, left));
        const LONG got = data.empty() ? 0 : mmioRead(h, reinterpret_cast<HPSTR>(data.data()), static_cast<LONG>(data.size()));
        data.resize(got > 0 ? static_cast<size_t>(got) : 0);
        ok = true;
      }
    }
  }
  mmioClose(h, 0);
  if (!ok) return false;

  duration = WavDuration(static_cast<uint32_t>(data.size()), format.nAvgBytesPerSec);
  IDirectSound8* device = WavSoundDevice();
  if (!device) return false;
  DSBUFFERDESC desc{};
  desc.dwSize = kDSBufferDescSize32;
  desc.dwFlags = DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
  desc.dwBufferBytes = static_cast<DWORD>(data.size());
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* made = nullptr;
  if (FAILED(device->CreateSoundBuffer(&desc, &made, nullptr)) || !made) return false;
  SafeRelease(buffer);
  if (FAILED(made->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&buffer)))) {
    buffer = nullptr;
    made->Release();
    return false;
  }
  void* p1 = nullptr;
  void* p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  if (SUCCEEDED(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER))) {
    std::memcpy(p1, data.data(), n1);
    if (p2) std::memcpy(p2, data.data() + n1, n2);
    buffer->Unlock(p1, n1, p2, n2);
  }
  made->Release();
  return true;
}

void DS_WAV_Constructor::Prepare() {
  if (!buffer) LoadWave();
  if (buffer) {
    buffer->SetVolume(WavVolume(volume.value));
    buffer->SetPan(WavPan(pan.value));
  }
}

void DS_WAV_Constructor::UpdatePlayback(float) {
  if (!buffer) return;
  DWORD status = 0;
  buffer->GetStatus(&status);
  const uint32_t shown = TimelineState();
  if (status & DSBSTATUS_PLAYING) {
    // A one-shot play is left to finish.
    if (shown == kTimelineHidden && (status & DSBSTATUS_LOOPING)) buffer->Stop();
  } else if (shown == kTimelineShown) {
    if (SUCCEEDED(buffer->SetCurrentPosition(0))) buffer->Play(0, 0, timing.value == 0 ? DSBPLAY_LOOPING : 0);
  }
}

void DS_WAV_Constructor::Stop() {
  if (buffer) buffer->Stop();
}

// ---------------------------------------------------------------------------

void RegisterAudioReaders() {
  RegisterReader<DS_MP3_Constructor, DS_ABObj_Constructor>(u"DS_MP3_Constructor");
  RegisterReader<DS_WAV_Constructor, DS_ABObj_Constructor>(u"DS_WAV_Constructor");
}
