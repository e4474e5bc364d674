#pragma once
// The parameter blocks of particle sources and physics that particle
// transforms read live: spin, swarm, flow, loop, spiral, velocity field and
// curve following, and the root point's orientation. Plain aggregates of
// observable parameters; their records are read by the sources that own them.
#include <cstdint>

#include "core/graph_params.h"
#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/noise.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "platform/d3dx9/d3dx9_math.h"

// JitterValue rule: v x (k + (1 - k) x r), k the jitter factor.
inline float JitteredValue(float value, float factor, float r) { return value * (factor + (1.0f - factor) * r); }
inline float JitteredValue(const UINTSclaleTo<float>& value, const UINTSclaleTo<float>& jitter, float r) {
  return JitteredValue(value.derived, jitter.derived, r);
}
inline float JitteredValue(const ZVI_JitterParam& p, float r) { return JitteredValue(p.derived, p.jitter.derived, r); }
inline float JitteredValue(const JitterValue& p, float r) { return JitteredValue(p.value.derived, p.jitter.derived, r); }

// Spin of particles (emitter figures, curve physics).
struct SpinParams {
  SpinParams();
  SpinParams(const SpinParams&) = default;
  SpinParams& operator=(const SpinParams&) = default;

  // 0 positive sense, 1 negative, any other value a sign drawn per particle.
  MediaParamT<int32_t> directionMode{0};
  // Radians per second (scale 0.05, default 50).
  JitterValue rate;
  // 0 fixed start angle, 1 turned into the heading, 2 spinning.
  MediaParamT<int32_t> orientationMode{0};
  // Degrees; its jitter member is the spread in degrees, not a factor.
  JitterValue startAngle;
};

// The swarm physics' flight: speed factor (2.0), vertical factor (1.0),
// turn rate per second (1.1) and steering time in seconds (0.42).
struct SwarmParams {
  SwarmParams();
  SwarmParams(const SwarmParams&) = default;
  SwarmParams& operator=(const SwarmParams&) = default;

  UINTSclaleTo<float> speedFactor;
  UINTSclaleTo<float> verticalFactor;
  UINTSclaleTo<float> turnRate;
  UINTSclaleTo<float> steeringTime;
};

// The flow physics' drift: speed with jitter, direction, spread fraction.
struct FlowParams {
  FlowParams();
  FlowParams(const FlowParams&) = default;
  FlowParams& operator=(const FlowParams&) = default;

  JitterValue speed;
  ZVI_SmartAngle direction;
  UINTSclaleTo<float> spread;
};

// Travel across a two-parameter shape (loop law, fixed spots).
struct LoopMotionParams {
  LoopMotionParams();
  LoopMotionParams(const LoopMotionParams&) = default;
  LoopMotionParams& operator=(const LoopMotionParams&) = default;

  // Scale 0.0001, default 100 (0.01 of the shape per frame).
  JitterGraphParam speed;
  ZVI_SmartAngle direction;
  // 1: leaving the shape kills; otherwise the coordinates wrap.
  MediaParamT<int32_t> edgeMode{0};
};

// The spiral motion law: degrees per second about the centre and units per
// second along the radius (defaults 100 and 0).
struct SpiralMotionParams {
  SpiralMotionParams();
  SpiralMotionParams(const SpiralMotionParams&) = default;
  SpiralMotionParams& operator=(const SpiralMotionParams&) = default;

  JitterValue angularSpeed;
  JitterValue radialSpeed;
  MediaParamT<D3DXVECTOR3> centreOffset{D3DXVECTOR3(0, 0, 0)};
  // 1 negative sense, 2 a sign drawn per particle, else positive.
  MediaParamT<int32_t> rotationSense{0};
  MediaParamT<int32_t> inward{0};
};

// The velocity-field motion law.
struct VelocityFieldParams {
  VelocityFieldParams();
  VelocityFieldParams(const VelocityFieldParams&) = default;
  VelocityFieldParams& operator=(const VelocityFieldParams&) = default;

  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> noiseScale;
  UINTSclaleTo<float> timeRate;
  JitterValue drift;
  ZVI_SmartAngle driftDirection;
  ImprovedNoise noiseX;
  ImprovedNoise noiseY;
};

// Speed (units per second) and the three modes of curve following.
struct FollowCurveHead {
  FollowCurveHead();
  FollowCurveHead(const FollowCurveHead&) = default;
  FollowCurveHead& operator=(const FollowCurveHead&) = default;

  UINTSclaleTo<float> speed;
  MediaParamT<int32_t> pingPong{1};
  // 1 cosine, 2 square, 3 smoothstep, 4 smootherstep, else linear.
  MediaParamT<int32_t> easing{0};
  // 1 turned to the tangent, 2 mirrored in x, 3 mirrored in y, else none.
  MediaParamT<int32_t> orientation{0};
};

// The track physics' path block.
struct FollowCurveParams {
  FollowCurveParams();
  FollowCurveParams(const FollowCurveParams&) = default;
  FollowCurveParams& operator=(const FollowCurveParams&) = default;

  FollowCurveHead head;
  UINTSclaleTo<float> perspectiveDepth;  // 5.0
  MediaParamT<int32_t> reverse{0};
  MediaParamT<int32_t> fixedPosition{0};
  UINTSclaleTo<float> fixedFraction;
};

// The waits of a track: seconds at the start and at the end of a run, and
// whether the particle is hidden while each runs.
struct FollowCurveWaits {
  FollowCurveWaits() = default;
  FollowCurveWaits(const FollowCurveWaits&) = default;
  FollowCurveWaits& operator=(const FollowCurveWaits&) = default;

  TimeParam startWait;
  TimeParam endWait;
  MediaParamT<int32_t> hideAtStart{0};
  MediaParamT<int32_t> hideAtEnd{0};
};

// The root point's orientation: base angle, rotation direction (0 or 1) and
// rotation speed (radians per second; 900 units make one turn).
struct RootOrientationParams {
  RootOrientationParams();
  RootOrientationParams(const RootOrientationParams&) = default;
  RootOrientationParams& operator=(const RootOrientationParams&) = default;

  ZVI_SmartAngle angle;
  MediaParamT<int32_t> direction{0};
  UINTSclaleTo<float> rotationSpeed;
};
