#pragma once
// Small reads shared by the figure and gradient records.
#include <cstdint>

#include "core/archive.h"
#include "core/media_param.h"
#include "platform/d3dx9/d3dx9_math.h"

namespace geometry_records {

inline D3DXVECTOR3 ReadVector(DS_IOF_Archive& ar) {
  D3DXVECTOR3 v;
  ar.ReadFloat(&v.x);
  ar.ReadFloat(&v.y);
  ar.ReadFloat(&v.z);
  return v;
}

// Stored without notification.
inline void ReadRawU32(DS_IOF_Archive& ar, MediaParamT<unsigned int>& p) {
  uint32_t v = 0;
  ar.ReadDword(&v);
  p = v;
}

// Observers hear of it only when it changed.
inline void ReadNotifiedU32(DS_IOF_Archive& ar, MediaParamT<unsigned int>& p) {
  uint32_t v = 0;
  ar.ReadDword(&v);
  p.SetValue(v);
}

// A base record's class name and version, both ignored.
inline void SkipRecordHeader(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
}

}  // namespace geometry_records
