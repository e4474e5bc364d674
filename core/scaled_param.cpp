#include "core/scaled_param.h"

#include "core/archive.h"

void ReadScaledValue(DS_IOF_Archive& ar, MediaParamT<unsigned int>& param) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  param.SetValue(v, nullptr);
}
