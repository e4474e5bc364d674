#pragma once
// Scaled parameters: an unsigned stored value (what files and undo hold) with
// a derived value = value x scale + offset that the owner reads every frame.
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/media_param.h"

class DS_IOF_Archive;

namespace scaled_detail {
// value x scale + offset in single precision; the unsigned value converts
// exactly through double to the nearest float.
inline float Scale(uint32_t value, float scale, float offset) {
  float v = static_cast<float>(static_cast<double>(value));
  float product = v * scale;
  return product + offset;
}
template <class T>
T ToDerived(float f);
template <>
inline float ToDerived<float>(float f) { return f; }
// Truncated toward zero to a 32-bit integer whose low 8 bits are kept, so
// results outside 0..255 wrap (transparency 101 gives alpha 254). A result
// no 32-bit integer holds converts to 0x80000000, whose low byte is 0.
template <>
inline unsigned char ToDerived<unsigned char>(float f) {
  if (!(f > -2147483648.0f && f < 2147483648.0f)) return 0;
  return static_cast<unsigned char>(static_cast<uint32_t>(static_cast<int32_t>(f)) & 0xFFu);
}
}  // namespace scaled_detail

template <class T>
class UINTSclaleTo : public MediaParamT<unsigned int> {
 public:
  UINTSclaleTo() : MediaParamT<unsigned int>(0u) {
    recompute.Attach(this);
    Recompute();
  }
  // The base starts afresh; scale, offset and value are copied, then a
  // notification primes the undo control and recomputes the derived value.
  UINTSclaleTo(const UINTSclaleTo& other)
      : MediaParamT<unsigned int>(0u), scale(other.scale), offset(other.offset) {
    recompute.Attach(this);
    value = other.value;
    Notify(nullptr);
  }
  // Copies scale, offset and value; nobody is notified.
  UINTSclaleTo& operator=(const UINTSclaleTo& other) {
    scale = other.scale;
    offset = other.offset;
    MediaParamT<unsigned int>::operator=(other);
    Recompute();
    return *this;
  }

  // Recomputes the derived value from the current one without notifying.
  void SetScaleOffset(float new_scale, float new_offset) {
    scale = new_scale;
    offset = new_offset;
    Recompute();
  }
  // As above, then stores the value with notification when it differs.
  void SetScaleOffset(float new_scale, float new_offset, unsigned int new_value) {
    SetScaleOffset(new_scale, new_offset);
    SetValue(new_value);
  }
  void Recompute() { derived = scaled_detail::ToDerived<T>(scaled_detail::Scale(value, scale, offset)); }

  // Reads the stored value (4 bytes) and notifies only when it changed.
  void Read(DS_IOF_Archive& ar);

  T derived = T();
  float scale = 1.0f;
  float offset = 0.0f;
  SmartCalbackCtrl<UINTSclaleTo<T>> recompute{&UINTSclaleTo<T>::Recompute, this};
};

// Reads a scaled parameter's stored value (u32), notifying when it changed.
void ReadScaledValue(DS_IOF_Archive& ar, MediaParamT<unsigned int>& param);

template <class T>
void UINTSclaleTo<T>::Read(DS_IOF_Archive& ar) {
  ReadScaledValue(ar, *this);
}

// Hundredths of a second -> seconds.
class TimeParam : public UINTSclaleTo<float> {
 public:
  TimeParam() { SetScaleOffset(0.01f, 0.0f); }
  TimeParam(const TimeParam&) = default;
  TimeParam& operator=(const TimeParam&) = default;
};

// Whole degrees -> radians.
class ZVI_Angle : public UINTSclaleTo<float> {
 public:
  ZVI_Angle() { SetScaleOffset(0.017453292f, 0.0f); }
  ZVI_Angle(const ZVI_Angle&) = default;
  ZVI_Angle& operator=(const ZVI_Angle&) = default;
};

// A speed factor with the clock of the object that owns it.
class MediaSpeedParam : public UINTSclaleTo<float> {
 public:
  MediaSpeedParam() { SetScaleOffset(1.0f, 0.0f, 1u); }
  MediaSpeedParam(const MediaSpeedParam&) = default;
  MediaSpeedParam& operator=(const MediaSpeedParam&) = default;

  // Advances the clock to absolute time t (seconds) and returns the step:
  // derived x min(dt, 0.2); time running backwards restarts from t.
  float Advance(float t) {
    if (t < last_time) last_time = t;
    float dt = t - last_time;
    last_time = last_time + dt;
    step = derived * std::fmin(dt, 0.2f);
    elapsed = elapsed + step;
    return step;
  }

  float step = 0.0f;
  float elapsed = 0.0f;
  float last_time = std::numeric_limits<float>::infinity();
};

// A float parameter with a step command: 0 adds one, 1 subtracts one.
class ZVI_MediaFloat : public MediaParamT<float> {
 public:
  ZVI_MediaFloat() : MediaParamT<float>(0.0f) {}
  explicit ZVI_MediaFloat(float v) : MediaParamT<float>(v) {}
  ZVI_MediaFloat(const ZVI_MediaFloat&) = default;
  ZVI_MediaFloat& operator=(const ZVI_MediaFloat&) = default;
  void Command(int32_t code, MediaControl* source) override {
    float next;
    if (code == 0) next = value + 1.0f;
    else if (code == 1) next = value - 1.0f;
    else return;
    SetValue(next, source);
  }
};

// An unsigned parameter that observes itself to keep a derived float.
template <class T>
class MediaFloat : public MediaParamT<T>, public MediaControlT<MediaParamT<T>> {
 public:
  MediaFloat() : MediaParamT<T>(T()) { Hook(); }
  explicit MediaFloat(T v) : MediaParamT<T>(v) { Hook(); }
  MediaFloat(const MediaFloat& other) : MediaParamT<T>(other), scale(other.scale), offset(other.offset) { Hook(); }
  MediaFloat& operator=(const MediaFloat& other) {
    scale = other.scale;
    offset = other.offset;
    MediaParamT<T>::operator=(other);
    OnChanged(nullptr);
    return *this;
  }
  // Sets scale and offset and primes the derived value again.
  void SetScaleOffset(float new_scale, float new_offset) {
    scale = new_scale;
    offset = new_offset;
    OnChanged(nullptr);
  }
  void OnChanged(MediaControl* source) override {
    derived = scaled_detail::Scale(static_cast<uint32_t>(this->value), scale, offset);
  }

  float derived = 0.0f;
  float scale = 1.0f;
  float offset = 0.0f;

 private:
  void Hook() {
    this->Attach(this);
    OnChanged(nullptr);
  }
};
