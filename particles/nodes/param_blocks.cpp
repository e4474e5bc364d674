#include "particles/nodes/param_blocks.h"

SpinParams::SpinParams() {
  rate.value.SetScaleOffset(0.05f, 0.0f, 50u);
  startAngle.jitter.SetScaleOffset(1.0f, 0.0f, 0u);
}

SwarmParams::SwarmParams() {
  speedFactor.SetScaleOffset(0.02f, 0.0f, 100u);
  verticalFactor.SetScaleOffset(0.01f, 0.0f, 100u);
  turnRate.SetScaleOffset(0.02f, 0.1f, 50u);
  steeringTime.SetScaleOffset(0.02f, 0.02f, 20u);
}

FlowParams::FlowParams() {
  speed.value.SetScaleOffset(1.0f, 0.0f, 100u);
  spread.SetScaleOffset(0.01f, 0.0f, 0u);
}

LoopMotionParams::LoopMotionParams() { speed.value.SetScaleOffset(0.0001f, 0.0f, 100u); }

SpiralMotionParams::SpiralMotionParams() { angularSpeed.value.SetScaleOffset(1.0f, 0.0f, 100u); }

VelocityFieldParams::VelocityFieldParams() {
  amplitude.SetScaleOffset(1.0f, 0.0f, 100u);
  noiseScale.SetScaleOffset(0.005f, 0.0f, 100u);
  timeRate.SetScaleOffset(0.01f, 0.0f, 100u);
}

FollowCurveHead::FollowCurveHead() { speed.SetScaleOffset(1.0f, 0.0f, 50u); }

FollowCurveParams::FollowCurveParams() {
  perspectiveDepth.SetScaleOffset(0.1f, 0.0f, 50u);
  fixedFraction.SetScaleOffset(0.01f, 0.0f, 0u);
}

RootOrientationParams::RootOrientationParams() { rotationSpeed.SetScaleOffset(0.0069813174f, 0.0f, 0u); }
