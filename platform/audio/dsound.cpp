#include "platform/audio/dsound.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/audio/com_object.h"
#include "platform/audio/mixer.h"
#include "platform/win32/sync.h"

const IID IID_IDirectSound8 = {0xC50A7E93, 0xF395, 0x4834, {0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5, 0x09, 0x66}};
const IID IID_IDirectSoundBuffer = {0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xAE, 0x60}};
const IID IID_IDirectSoundBuffer8 = {0x6825A449, 0x7524, 0x4D82, {0x92, 0x0F, 0x50, 0xE3, 0x6A, 0xB3, 0xAB, 0x1E}};
const IID IID_IDirectSoundNotify = {0xB0210783, 0x89CD, 0x11D0, {0xAF, 0x08, 0x00, 0xA0, 0xC9, 0x25, 0xCD, 0x16}};

namespace {

std::atomic<uint32_t> g_liveDevices{0};
std::atomic<uint32_t> g_liveBuffers{0};
std::atomic<bool> g_createFails{false};

bool ValidFormat(const WAVEFORMATEX* f) {
  if (!f || f->wFormatTag != WAVE_FORMAT_PCM) return false;
  if (f->nChannels < 1 || f->nChannels > 8) return false;
  if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return false;
  if (f->nSamplesPerSec < 100 || f->nSamplesPerSec > 200000) return false;
  return f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8;
}

class SoundBuffer final : public IDirectSoundBuffer8, public IDirectSoundNotify, public MixerVoice {
 public:
  SoundBuffer(DWORD flags, DWORD bytes, const WAVEFORMATEX& format)
      : flags_(flags), format_(format), data_(bytes, 0), frames_(bytes / format.nBlockAlign) {
    // 8-bit PCM is unsigned: its silence is 0x80.
    if (format.wBitsPerSample == 8) std::memset(data_.data(), 0x80, data_.size());
    ++g_liveBuffers;
  }
  ~SoundBuffer() override {
    AudioMixer_Remove(this);
    --g_liveBuffers;
  }

  // IUnknown
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == kIID_IUnknown || iid == IID_IDirectSoundBuffer || iid == IID_IDirectSoundBuffer8) {
      *out = static_cast<IDirectSoundBuffer8*>(this);
    } else if (iid == IID_IDirectSoundNotify && (flags_ & DSBCAPS_CTRLPOSITIONNOTIFY)) {
      *out = static_cast<IDirectSoundNotify*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IDirectSoundBuffer
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write) override {
    auto g = AudioMixer_Guard();
    const DWORD size = static_cast<DWORD>(data_.size());
    const DWORD p = PlayByte();
    if (play) *play = p;
    if (write) {
      // The mixer reads ahead by about ten milliseconds.
      DWORD lead = playing_ ? (format_.nSamplesPerSec / 100) * format_.nBlockAlign : 0;
      *write = size ? (p + lead) % size : 0;
    }
    return DS_OK;
  }
  HRESULT GetFormat(WAVEFORMATEX* format, DWORD size, DWORD* written) override {
    if (written) *written = sizeof(WAVEFORMATEX);
    if (!format) return written ? DS_OK : DSERR_INVALIDPARAM;
    if (size < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
    *format = format_;
    return DS_OK;
  }
  HRESULT GetVolume(LONG* volume) override {
    if (!volume) return DSERR_INVALIDPARAM;
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    auto g = AudioMixer_Guard();
    *volume = volume_;
    return DS_OK;
  }
  HRESULT GetPan(LONG* pan) override {
    if (!pan) return DSERR_INVALIDPARAM;
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    auto g = AudioMixer_Guard();
    *pan = pan_;
    return DS_OK;
  }
  HRESULT GetStatus(DWORD* status) override {
    if (!status) return DSERR_INVALIDPARAM;
    auto g = AudioMixer_Guard();
    *status = playing_ ? (DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0)) : 0;
    return DS_OK;
  }
  HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* ptr1, DWORD* bytes1, LPVOID* ptr2, DWORD* bytes2,
               DWORD flags) override {
    if (!ptr1 || !bytes1) return DSERR_INVALIDPARAM;
    *ptr1 = nullptr;
    *bytes1 = 0;
    if (ptr2) *ptr2 = nullptr;
    if (bytes2) *bytes2 = 0;
    const DWORD size = static_cast<DWORD>(data_.size());
    if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    const DWORD first = bytes < size - offset ? bytes : size - offset;
    const DWORD second = bytes - first;
    if (second && (!ptr2 || !bytes2)) return DSERR_INVALIDPARAM;
    *ptr1 = data_.data() + offset;
    *bytes1 = first;
    if (second) {
      *ptr2 = data_.data();
      *bytes2 = second;
    }
    return DS_OK;
  }
  HRESULT Play(DWORD, DWORD, DWORD flags) override {
    auto g = AudioMixer_Guard();
    looping_ = (flags & DSBPLAY_LOOPING) != 0;
    if (!playing_) {
      playing_ = true;
      AudioMixer_Add(this);
    }
    return DS_OK;
  }
  HRESULT SetCurrentPosition(DWORD position) override {
    auto g = AudioMixer_Guard();
    if (position >= data_.size()) return DSERR_INVALIDPARAM;
    position_ = static_cast<double>(position / format_.nBlockAlign);
    return DS_OK;
  }
  HRESULT SetVolume(LONG volume) override {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    auto g = AudioMixer_Guard();
    volume_ = volume;
    return DS_OK;
  }
  HRESULT SetPan(LONG pan) override {
    if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    auto g = AudioMixer_Guard();
    pan_ = pan;
    return DS_OK;
  }
  HRESULT Stop() override {
    auto g = AudioMixer_Guard();
    StopLocked();
    return DS_OK;
  }
  HRESULT Unlock(LPVOID ptr1, DWORD bytes1, LPVOID ptr2, DWORD bytes2) override {
    const uint8_t* begin = data_.data();
    const uint8_t* end = begin + data_.size();
    auto inside = [&](LPVOID p, DWORD n) {
      const uint8_t* b = static_cast<const uint8_t*>(p);
      return b >= begin && b <= end && n <= static_cast<size_t>(end - b);
    };
    if (!ptr1 || !inside(ptr1, bytes1)) return DSERR_INVALIDPARAM;
    if (ptr2 && !inside(ptr2, bytes2)) return DSERR_INVALIDPARAM;
    return DS_OK;
  }

  // IDirectSoundNotify
  HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) override {
    if (count && !positions) return DSERR_INVALIDPARAM;
    auto g = AudioMixer_Guard();
    if (playing_) return DSERR_INVALIDCALL;
    for (DWORD i = 0; i < count; ++i) {
      if (positions[i].dwOffset != DSBPN_OFFSETSTOP && positions[i].dwOffset >= data_.size()) return DSERR_INVALIDPARAM;
    }
    notify_.assign(positions, positions + count);
    return DS_OK;
  }

  // MixerVoice
  void Mix(float* out, uint32_t frames) override {
    if (!playing_ || frames_ == 0) return;
    float left, right;
    AudioMixer_VolumePan(volume_, pan_, &left, &right);
    const double step = static_cast<double>(format_.nSamplesPerSec) / kMixerRate;
    const uint32_t ch = format_.nChannels;
    constexpr float kScale = 1.0f / 32768.0f;
    for (uint32_t n = 0; n < frames; ++n) {
      const uint32_t i = static_cast<uint32_t>(position_);
      const float f = static_cast<float>(position_ - i);
      uint32_t j = i + 1;
      if (j >= frames_) j = looping_ ? 0 : i;
      float l = Sample(i, 0) + (Sample(j, 0) - Sample(i, 0)) * f;
      float r = ch > 1 ? Sample(i, 1) + (Sample(j, 1) - Sample(i, 1)) * f : l;
      out[2 * n] += l * kScale * left;
      out[2 * n + 1] += r * kScale * right;
      double next = position_ + step;
      const uint32_t nextFrame = static_cast<uint32_t>(next);
      for (uint32_t k = i; k < nextFrame; ++k) FramePlayed(k % frames_);
      if (next >= frames_) {
        if (!looping_) {
          position_ = 0;
          StopLocked();
          return;
        }
        next -= frames_ * std::floor(next / frames_);
      }
      position_ = next;
    }
  }

 private:
  DWORD PlayByte() const { return static_cast<DWORD>(position_) * format_.nBlockAlign; }

  float Sample(uint32_t frame, uint32_t channel) const {
    const uint8_t* p = data_.data() + static_cast<size_t>(frame) * format_.nBlockAlign;
    if (format_.wBitsPerSample == 8) return static_cast<float>((static_cast<int>(p[channel]) - 128) * 256);
    int16_t s;
    std::memcpy(&s, p + 2 * channel, 2);
    return s;
  }

  void FramePlayed(uint32_t frame) {
    for (const DSBPOSITIONNOTIFY& n : notify_) {
      if (n.dwOffset != DSBPN_OFFSETSTOP && n.dwOffset / format_.nBlockAlign == frame) SetEvent(n.hEventNotify);
    }
  }

  void StopLocked() {
    if (!playing_) return;
    playing_ = false;
    AudioMixer_Remove(this);
    for (const DSBPOSITIONNOTIFY& n : notify_) {
      if (n.dwOffset == DSBPN_OFFSETSTOP) SetEvent(n.hEventNotify);
    }
  }

  std::atomic<ULONG> refs_{1};
  const DWORD flags_;
  const WAVEFORMATEX format_;
  std::vector<uint8_t> data_;
  const uint32_t frames_;
  // Playing state, under the mixer lock.
  double position_ = 0;
  bool playing_ = false;
  bool looping_ = false;
  LONG volume_ = 0;
  LONG pan_ = 0;
  std::vector<DSBPOSITIONNOTIFY> notify_;
};

class SoundDevice final : public ComObject<IDirectSound8> {
 public:
  SoundDevice() : ComObject(IID_IDirectSound8) { ++g_liveDevices; }
  ~SoundDevice() override { --g_liveDevices; }

  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** out, IUnknown* outer) override {
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!desc || outer) return DSERR_INVALIDPARAM;
    if (desc->dwSize != kDSBufferDescSize32 && desc->dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
    if (level_ == 0) return DSERR_PRIOLEVELNEEDED;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) return DSERR_UNSUPPORTED;
    if (!ValidFormat(desc->lpwfxFormat)) return DSERR_BADFORMAT;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
    if (desc->dwBufferBytes < desc->lpwfxFormat->nBlockAlign) return DSERR_INVALIDPARAM;
    try {
      *out = static_cast<IDirectSoundBuffer8*>(new SoundBuffer(desc->dwFlags, desc->dwBufferBytes, *desc->lpwfxFormat));
    } catch (const std::bad_alloc&) {
      return DSERR_OUTOFMEMORY;
    }
    return DS_OK;
  }
  HRESULT SetCooperativeLevel(HWND, DWORD level) override {
    if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
    level_ = level;
    return DS_OK;
  }

 private:
  DWORD level_ = 0;
};

}  // namespace

HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, IUnknown* outer) {
  if (!out) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (outer) return DSERR_INVALIDPARAM;
  if (device && *device != GUID_NULL) return DSERR_NODRIVER;
  if (g_createFails || !AudioMixer_Open()) return DSERR_NODRIVER;
  *out = new SoundDevice;
  return DS_OK;
}

uint32_t DirectSound_LiveDevices() { return g_liveDevices; }
uint32_t DirectSound_LiveBuffers() { return g_liveBuffers; }
void DirectSound_SetCreateFailsForTest(bool fail) { g_createFails = fail; }
