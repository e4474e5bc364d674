#pragma once
// Jittered values: a value with a random spread. Users draw a value between
// value x factor and value, where factor = 1 - jitter / 100.
#include <cstdint>

#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"

class DS_IOF_Archive;

// A jitter percentage whose derived value is the factor 1 - percentage / 100.
class ZVI_JitterMediaPrm : public UINTSclaleTo<float> {
 public:
  ZVI_JitterMediaPrm() { SetScaleOffset(-0.01f, 1.0f); }
  ZVI_JitterMediaPrm(const ZVI_JitterMediaPrm&) = default;
  ZVI_JitterMediaPrm& operator=(const ZVI_JitterMediaPrm&) = default;
};

// The value (scale 1.0 unless the owner sets its own) and its jitter.
class ZVI_JitterParam : public UINTSclaleTo<float> {
 public:
  ZVI_JitterParam() = default;
  ZVI_JitterParam(const ZVI_JitterParam&) = default;
  ZVI_JitterParam& operator=(const ZVI_JitterParam&) = default;
  virtual ~ZVI_JitterParam() = default;

  ZVI_JitterMediaPrm jitter;
};

// The same two members as a plain block.
struct JitterValue {
  JitterValue() = default;
  JitterValue(const JitterValue&) = default;
  JitterValue& operator=(const JitterValue&) = default;

  UINTSclaleTo<float> value;
  ZVI_JitterMediaPrm jitter;
};

// An angle in degrees and a spread in degrees, both with derived radians.
struct JitterAngle : JitterValue {
  JitterAngle() {
    value.SetScaleOffset(0.017453292f, 0.0f);
    jitter.SetScaleOffset(0.017453292f, 0.0f);
  }
  JitterAngle(const JitterAngle&) = default;
  JitterAngle& operator=(const JitterAngle&) = default;
};

// Value, then jitter (u32 each); each is stored and notified after its read,
// also when unchanged.
void ReadJitterParam(DS_IOF_Archive& ar, UINTSclaleTo<float>& value, UINTSclaleTo<float>& jitter);
inline void ReadJitterParam(DS_IOF_Archive& ar, ZVI_JitterParam& param) {
  ReadJitterParam(ar, param, param.jitter);
}
void WriteJitterParam(DS_IOF_Archive& ar, const UINTSclaleTo<float>& value,
                      const UINTSclaleTo<float>& jitter);

// Make a default block first when the pointer holds none; then value and
// jitter (angle and spread), each notified when changed.
void ReadJitterValue(DS_IOF_Archive& ar, DS_SafePtr<JitterValue>& block);
void ReadJitterAngle(DS_IOF_Archive& ar, DS_SafePtr<JitterAngle>& block);
