#pragma once
// Readers of the parameter blocks that sources, physics, motion laws and
// effects share, and the blocks that no transform reads.
#include <cstdint>

#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "particles/nodes/param_blocks.h"

class DS_IOF_Archive;

// The spin sense of the spin and dynamic-angle effects: a counted mode
// shared between copies, and a sign drawn once at construction.
struct SpinDirection {
  SpinDirection();
  SpinDirection(const SpinDirection&) = default;
  SpinDirection& operator=(const SpinDirection&) = default;

  DS_SafePtr<MediaParamT<int32_t>> mode;
  float sign = 1.0f;
};

// The time-function effects' settings: mode, frequency (2.5), amplitude
// (0.5), a third value (0).
struct TimeFuncParams {
  TimeFuncParams();
  TimeFuncParams(const TimeFuncParams&) = default;
  TimeFuncParams& operator=(const TimeFuncParams&) = default;

  MediaParamT<int32_t> mode{0};
  UINTSclaleTo<float> frequency;
  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> third;
};

// The source physics' cycle: an integer kept but unused, then emission
// duration, pause and delay in seconds.
struct EmissionCycleParams {
  EmissionCycleParams() = default;
  EmissionCycleParams(const EmissionCycleParams&) = default;
  EmissionCycleParams& operator=(const EmissionCycleParams&) = default;

  MediaParamT<int32_t> cycle{0};
  MediaParamT<float> duration{1.0f};
  MediaParamT<float> pause{0.0f};
  MediaParamT<float> delay{0.0f};
};

// Small field reads: a 4-byte integer stored raw, an unsigned value that
// notifies only when it changed.
void ReadStoredInt(DS_IOF_Archive& ar, MediaParamT<int32_t>& param);
void ReadStoredUnsigned(DS_IOF_Archive& ar, MediaParamT<unsigned int>& param);
void ReadNotifiedUnsigned(DS_IOF_Archive& ar, MediaParamT<unsigned int>& param);
// Value then jitter, each notified when changed.
void ReadJitterValueBlock(DS_IOF_Archive& ar, JitterValue& block);
// A base record's class name and version, both ignored.
void SkipRecordName(DS_IOF_Archive& ar);
// A base record's name (ignored) and its version.
int32_t ReadRecordName(DS_IOF_Archive& ar);

void ReadSpinParams(DS_IOF_Archive& ar, SpinParams& block);
void ReadFollowCurveHead(DS_IOF_Archive& ar, FollowCurveHead& block);
void ReadSwarmParams(DS_IOF_Archive& ar, SwarmParams& block);
void ReadFlowParams(DS_IOF_Archive& ar, FlowParams& block);
void ReadVelocityFieldParams(DS_IOF_Archive& ar, VelocityFieldParams& block);
void ReadLoopMotionParams(DS_IOF_Archive& ar, LoopMotionParams& block);
void ReadSpiralMotionParams(DS_IOF_Archive& ar, SpiralMotionParams& block);
// Makes a 0 parameter first when the pointer holds none; the value stored.
void ReadCountedInt(DS_IOF_Archive& ar, DS_SafePtr<MediaParamT<int32_t>>& param);
