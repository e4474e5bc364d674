#include "core/jitter_params.h"

#include "core/archive.h"

namespace {
void ReadAndNotify(DS_IOF_Archive& ar, UINTSclaleTo<float>& param) {
  uint32_t v = param.value;
  ar.ReadUInt(&v);
  param.value = v;
  param.Notify(nullptr);
}
}  // namespace

void ReadJitterParam(DS_IOF_Archive& ar, UINTSclaleTo<float>& value, UINTSclaleTo<float>& jitter) {
  ReadAndNotify(ar, value);
  ReadAndNotify(ar, jitter);
}

void WriteJitterParam(DS_IOF_Archive& ar, const UINTSclaleTo<float>& value,
                      const UINTSclaleTo<float>& jitter) {
  ar.Stream()->WriteUInt(&value.value);
  ar.Stream()->WriteUInt(&jitter.value);
}

void ReadJitterValue(DS_IOF_Archive& ar, DS_SafePtr<JitterValue>& block) {
  if (!block) block = DS_SafePtr<JitterValue>(new JitterValue());
  block->value.Read(ar);
  block->jitter.Read(ar);
}

void ReadJitterAngle(DS_IOF_Archive& ar, DS_SafePtr<JitterAngle>& block) {
  if (!block) block = DS_SafePtr<JitterAngle>(new JitterAngle());
  block->value.Read(ar);
  block->jitter.Read(ar);
}
