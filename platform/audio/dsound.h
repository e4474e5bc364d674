#pragma once
// DirectSound-shaped sound device and buffers over the software mixer: the
// subset the music output and the WAV objects use. Values are DirectSound's.
#include "platform/com/com.h"
#include "platform/win32/win_types.h"

#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is packed");
using LPWAVEFORMATEX = WAVEFORMATEX*;
constexpr WORD WAVE_FORMAT_PCM = 1;

struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  WAVEFORMATEX* lpwfxFormat;
  GUID guid3DAlgorithm;
};
// The size of the 32-bit layout, which the engine passes; the native size is
// accepted too.
constexpr DWORD kDSBufferDescSize32 = 36;

struct DSBPOSITIONNOTIFY {
  DWORD dwOffset;
  HANDLE hEventNotify;
};

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSSCL_EXCLUSIVE = 3;
constexpr DWORD DSSCL_WRITEPRIMARY = 4;

constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
constexpr DWORD DSBCAPS_STATIC = 0x00000002;
constexpr DWORD DSBCAPS_LOCHARDWARE = 0x00000004;
constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x00000008;
constexpr DWORD DSBCAPS_CTRL3D = 0x00000010;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020;
constexpr DWORD DSBCAPS_CTRLPAN = 0x00000040;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080;
constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
constexpr DWORD DSBCAPS_STICKYFOCUS = 0x00004000;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x00008000;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;

constexpr DWORD DSBPLAY_LOOPING = 0x00000001;
constexpr DWORD DSBSTATUS_PLAYING = 0x00000001;
constexpr DWORD DSBSTATUS_BUFFERLOST = 0x00000002;
constexpr DWORD DSBSTATUS_LOOPING = 0x00000004;
constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x00000001;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x00000002;
constexpr DWORD DSBPN_OFFSETSTOP = 0xFFFFFFFFu;
constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_CENTER = 0;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT DSERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001Eu);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);

extern const IID IID_IDirectSound8;
extern const IID IID_IDirectSoundBuffer;
extern const IID IID_IDirectSoundBuffer8;
extern const IID IID_IDirectSoundNotify;

struct IDirectSoundBuffer : IUnknown {
  virtual HRESULT GetCurrentPosition(DWORD* play, DWORD* write) = 0;
  virtual HRESULT GetFormat(WAVEFORMATEX* format, DWORD size, DWORD* written) = 0;
  virtual HRESULT GetVolume(LONG* volume) = 0;
  virtual HRESULT GetPan(LONG* pan) = 0;
  virtual HRESULT GetStatus(DWORD* status) = 0;
  virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* ptr1, DWORD* bytes1, LPVOID* ptr2, DWORD* bytes2,
                       DWORD flags) = 0;
  virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
  virtual HRESULT SetCurrentPosition(DWORD position) = 0;
  virtual HRESULT SetVolume(LONG volume) = 0;
  virtual HRESULT SetPan(LONG pan) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Unlock(LPVOID ptr1, DWORD bytes1, LPVOID ptr2, DWORD bytes2) = 0;
};
using LPDIRECTSOUNDBUFFER = IDirectSoundBuffer*;

struct IDirectSoundBuffer8 : IDirectSoundBuffer {};
using LPDIRECTSOUNDBUFFER8 = IDirectSoundBuffer8*;

struct IDirectSoundNotify : IUnknown {
  virtual HRESULT SetNotificationPositions(DWORD count, const DSBPOSITIONNOTIFY* positions) = 0;
};

struct IDirectSound8 : IUnknown {
  virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** out, IUnknown* outer) = 0;
  virtual HRESULT SetCooperativeLevel(HWND hwnd, DWORD level) = 0;
};
using LPDIRECTSOUND8 = IDirectSound8*;

// Device null means the default device. Fails with DSERR_NODRIVER when there
// is no audio output (unless the mixer's test sink is on).
HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, IUnknown* outer);

// Test hooks: objects alive now, and a switch that makes device creation fail.
uint32_t DirectSound_LiveDevices();
uint32_t DirectSound_LiveBuffers();
void DirectSound_SetCreateFailsForTest(bool fail);
