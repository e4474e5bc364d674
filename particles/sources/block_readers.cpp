#include "particles/sources/block_readers.h"

#include "core/archive.h"
#include "core/crt.h"
#include "core/zvi_string.h"

SpinDirection::SpinDirection() : mode(new MediaParamT<int32_t>(0)) { sign = (crt_rand() % 2 == 0) ? 1.0f : -1.0f; }

TimeFuncParams::TimeFuncParams() {
  frequency.SetScaleOffset(0.05f, 0.0f, 50u);
  amplitude.SetScaleOffset(0.01f, 0.0f, 50u);
  third.SetScaleOffset(0.01f, 0.0f, 0u);
}

void ReadStoredInt(DS_IOF_Archive& ar, MediaParamT<int32_t>& param) {
  int32_t v = 0;
  ar.ReadInt(&v);
  param = v;
}

void ReadStoredUnsigned(DS_IOF_Archive& ar, MediaParamT<unsigned int>& param) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  param = v;
}

void ReadNotifiedUnsigned(DS_IOF_Archive& ar, MediaParamT<unsigned int>& param) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  param.SetValue(v);
}

void ReadJitterValueBlock(DS_IOF_Archive& ar, JitterValue& block) {
  ReadNotifiedUnsigned(ar, block.value);
  ReadNotifiedUnsigned(ar, block.jitter);
}

void SkipRecordName(DS_IOF_Archive& ar) { ReadRecordName(ar); }

int32_t ReadRecordName(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return version;
}

namespace {
int32_t ReadBlockVersion(DS_IOF_Archive& ar) {
  int32_t v = 0;
  ar.ReadInt(&v);
  return v;
}
}  // namespace

void ReadSpinParams(DS_IOF_Archive& ar, SpinParams& block) {
  ReadBlockVersion(ar);
  ReadStoredInt(ar, block.directionMode);
  ReadJitterValueBlock(ar, block.rate);
  ReadStoredInt(ar, block.orientationMode);
  ReadJitterValueBlock(ar, block.startAngle);
}

void ReadFollowCurveHead(DS_IOF_Archive& ar, FollowCurveHead& block) {
  ReadBlockVersion(ar);
  ReadNotifiedUnsigned(ar, block.speed);
  ReadStoredInt(ar, block.pingPong);
  ReadStoredInt(ar, block.easing);
  ReadStoredInt(ar, block.orientation);
}

void ReadSwarmParams(DS_IOF_Archive& ar, SwarmParams& block) {
  ReadBlockVersion(ar);
  ReadNotifiedUnsigned(ar, block.speedFactor);
  ReadNotifiedUnsigned(ar, block.verticalFactor);
  ReadNotifiedUnsigned(ar, block.turnRate);
  ReadNotifiedUnsigned(ar, block.steeringTime);
}

void ReadFlowParams(DS_IOF_Archive& ar, FlowParams& block) {
  ReadBlockVersion(ar);
  ReadJitterValueBlock(ar, block.speed);
  ReadNotifiedUnsigned(ar, block.direction);
  ReadNotifiedUnsigned(ar, block.spread);
}

void ReadVelocityFieldParams(DS_IOF_Archive& ar, VelocityFieldParams& block) {
  int32_t v = ReadBlockVersion(ar);
  ReadNotifiedUnsigned(ar, block.amplitude);
  ReadNotifiedUnsigned(ar, block.noiseScale);
  ReadNotifiedUnsigned(ar, block.timeRate);
  ReadNotifiedUnsigned(ar, block.drift.value);
  if (v >= 2) ReadNotifiedUnsigned(ar, block.drift.jitter);
  ReadNotifiedUnsigned(ar, block.driftDirection);
}

void ReadLoopMotionParams(DS_IOF_Archive& ar, LoopMotionParams& block) {
  int32_t v = ReadBlockVersion(ar);
  ReadJitterGraphParam(ar, block.speed);
  ReadNotifiedUnsigned(ar, block.direction);
  if (v >= 2) ReadStoredInt(ar, block.edgeMode);
}

void ReadSpiralMotionParams(DS_IOF_Archive& ar, SpiralMotionParams& block) {
  int32_t v = ReadBlockVersion(ar);
  ReadJitterValueBlock(ar, block.angularSpeed);
  ReadJitterValueBlock(ar, block.radialSpeed);
  D3DXVECTOR3 offset(0, 0, 0);
  ar.ReadFloat(&offset.x);
  ar.ReadFloat(&offset.y);
  ar.ReadFloat(&offset.z);
  block.centreOffset = offset;
  ReadStoredInt(ar, block.rotationSense);
  if (v >= 2) ReadStoredInt(ar, block.inward);
}

void ReadCountedInt(DS_IOF_Archive& ar, DS_SafePtr<MediaParamT<int32_t>>& param) {
  if (!param) param = DS_SafePtr<MediaParamT<int32_t>>(new MediaParamT<int32_t>(0));
  ReadStoredInt(ar, *param);
}
