#include "particles/sources/effect_reads.h"

#include "core/archive.h"
#include "core/reader_registry.h"
#include "particles/sources/motion_laws.h"

void ReadScaledFloat(DS_IOF_Archive& ar, DS_SafePtr<UINTSclaleTo<float>>& param) {
  if (!param) param = DS_SafePtr<UINTSclaleTo<float>>(new UINTSclaleTo<float>());
  param->Read(ar);
}

void ReadSmartAngle(DS_IOF_Archive& ar, DS_SafePtr<ZVI_SmartAngle>& param) {
  if (!param) param = DS_SafePtr<ZVI_SmartAngle>(new ZVI_SmartAngle());
  ReadScaledValue(ar, *param);
}

void ReadByteParam(DS_IOF_Archive& ar, DS_SafePtr<MediaParamT<unsigned char>>& param) {
  if (!param) param = DS_SafePtr<MediaParamT<unsigned char>>(new MediaParamT<unsigned char>(0));
  uint8_t v = 0;
  ar.ReadByte(&v);
  *param = v;
}

void ReadColorSource(DS_IOF_Archive& ar, DS_SafePtr<ColorSourceParams>& block) {
  if (!block) block = DS_SafePtr<ColorSourceParams>(new ColorSourceParams());
  ColorSourceParams& c = *block;
  int32_t version = 0;
  ar.ReadInt(&version);
  ReadStoredInt(ar, c.mode);
  std::vector<COLORREF> colours;
  const uint32_t count = ar.ReadCount(4);
  colours.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t v = 0;
    ar.ReadUInt(&v);
    colours.push_back(v);
  }
  c.colours.value.second = std::move(colours);
  c.colours.value.first = c.colours.value.second.empty() ? -1 : 0;
  c.colours.Notify(nullptr);
  ar.ReadInt(&version);
  std::vector<GradientKey> keys;
  const uint32_t keyCount = ar.ReadCount(8);
  keys.reserve(keyCount);
  for (uint32_t i = 0; i < keyCount; ++i) {
    float at = 0.0f;
    uint32_t colour = 0;
    ar.ReadFloat(&at);
    ar.ReadUInt(&colour);
    keys.emplace_back(at, colour);
  }
  c.gradient.value.second = std::move(keys);
  c.gradient.value.first = c.gradient.value.second.empty() ? -1 : 0;
  c.gradient.Notify(nullptr);
}

void ReadTimeFuncParams(DS_IOF_Archive& ar, DS_SafePtr<TimeFuncParams>& block) {
  if (!block) block = DS_SafePtr<TimeFuncParams>(new TimeFuncParams());
  int32_t version = 0;
  ar.ReadInt(&version);
  ReadStoredInt(ar, block->mode);
  block->frequency.Read(ar);
  block->amplitude.Read(ar);
  block->third.Read(ar);
}

DS_SafePtr<ZVI_PtclSys_MotionLaw> ReadMotionLaw(DS_IOF_Archive& ar) {
  std::unique_ptr<ZVI_PtclSys_MotionLaw> law = ReadObjectAs<ZVI_PtclSys_MotionLaw, ZVI_IOF_Item>(ar);
  return DS_SafePtr<ZVI_PtclSys_MotionLaw>(law.release());
}
