#pragma once
// Sound objects of a slide: MP3 (or anything the filter graph plays) through
// a graph of their own, WAV from a sound buffer. The model read from the
// project is never played; its runtime object DS_Sound plays a private copy.
#include <cstdint>

#include "core/embedded_file.h"
#include "core/media_param.h"
#include "platform/audio/dshow.h"
#include "platform/audio/dsound.h"
#include "player/file_links.h"
#include "player/scene_object.h"

class DS_IOF_Archive;

class DS_Sound_Ctrl : public DS_ABObj_Constructor {
 public:
  DS_Sound_Ctrl();
  DS_Sound_Ctrl(const DS_Sound_Ctrl& other);
  ~DS_Sound_Ctrl() override;

  // Given a random timeline: shown times become the duration, fades 0.
  bool FitTimeline(ZVI_Timing* timeline, float value) override;
  DS_ABObj* CreateRuntime() override;

  virtual void Prepare() = 0;
  virtual void Stop() = 0;
  virtual void UpdatePlayback(float localTime) = 0;
  virtual DS_Sound_Ctrl* Clone() const = 0;

  // The "DS_Sound_Ctrl" record: its class name and version, volume, pan,
  // the legacy timing values of old versions, then the base record.
  void ReadSoundCtrlRecord(DS_IOF_Archive& ar);
  void ReadSoundCtrlFields(DS_IOF_Archive& ar, int32_t version);

  // The timeline's state (0 shown, 1 hidden, 2 appearing, 3 disappearing).
  uint32_t TimelineState();

  MediaParamT<unsigned int> volume{100u};
  MediaParamT<unsigned int> pan{50u};
  uint32_t duration = 0;  // hundredths of a second, computed by Prepare
};

class DS_MP3_Constructor : public DS_Sound_Ctrl {
 public:
  DS_MP3_Constructor() = default;
  // Copies the model: its bytes duplicated, no playback objects.
  DS_MP3_Constructor(const DS_MP3_Constructor& other);
  ~DS_MP3_Constructor() override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Prepare() override;
  void Stop() override;
  void UpdatePlayback(float localTime) override;
  DS_Sound_Ctrl* Clone() const override { return new DS_MP3_Constructor(*this); }

  EmbeddedFileData file;
  IGraphBuilder* graph = nullptr;
  IMediaControl* control = nullptr;
  IMediaSeeking* seeking = nullptr;
  IMediaEventEx* events = nullptr;
  IBasicAudio* audio = nullptr;
  IBaseFilter* source = nullptr;
  zvi_string tempPath;

 private:
  void ApplyVolumePan();
};

class DS_WAV_Constructor : public DS_Sound_Ctrl {
 public:
  DS_WAV_Constructor() = default;
  // Copies the model and shares its buffer.
  DS_WAV_Constructor(const DS_WAV_Constructor& other);
  ~DS_WAV_Constructor() override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // Makes the sound buffer from the document's stored WAV data.
  bool LoadWave();
  void Prepare() override;
  void Stop() override;
  void UpdatePlayback(float localTime) override;
  DS_Sound_Ctrl* Clone() const override { return new DS_WAV_Constructor(*this); }

  DS_FileLink3 link;
  IDirectSoundBuffer8* buffer = nullptr;
};

// Runtime object of every sound model; owns the copy it plays.
class DS_Sound : public DS_ABObj {
 public:
  explicit DS_Sound(DS_Sound_Ctrl* copy);
  ~DS_Sound() override;

  void SetRunning(bool flag) override;
  void Update(float localTime) override;
  int32_t GetKind() override { return 1; }
  bool HitTest(float, float) override { return false; }

  DS_Sound_Ctrl* sound;
};

// The WAV objects' process-wide sound device: made on first use, released
// at exit. Null when no device can be made.
IDirectSound8* WavSoundDevice();

// Volume laws of the sound objects (hundredths of a decibel).
LONG WavVolume(uint32_t volume);
LONG WavPan(uint32_t pan);
LONG Mp3Volume(uint32_t volume);
LONG Mp3Balance(uint32_t pan);
// Duration in hundredths of a second of WAV data.
uint32_t WavDuration(uint32_t dataBytes, uint32_t avgBytesPerSecond);

void RegisterAudioReaders();
