#pragma once
// Drifting and falling-leaf controllers: each moves one copy of a mesh across
// the picture (pixels, y down), wobbling sideways and respawning at the
// opposite edge; the falling leaf also spins and swings it.
#include <cstdint>

#include "core/ds_frame.h"
#include "core/media_param.h"
#include "platform/d3dx9/d3dx9_math.h"

// The motion parameters every leaf of one object shares.
struct LeafParams {
  LeafParams() { SetDirection(0); }
  // The degrees and the unit vectors dir = (cos a, -sin a), side =
  // (-sin a, -cos a).
  void SetDirection(int32_t degrees);

  MediaParamT<unsigned> size{0u};  // pixels: a copy's diameter and the margin outside the picture
  MediaParamT<int32_t> direction{0};
  MediaParamT<unsigned> speed{50u};
  MediaParamT<unsigned> sway{0u};
  MediaParamT<unsigned> changeRate{0u};
  MediaParamT<unsigned> spin{100u};
  D3DXVECTOR2 dir{1.0f, 0.0f};
  D3DXVECTOR2 side{0.0f, -1.0f};
};

class DS_SreamAnim : public DS_AnimationBase {
 public:
  // Starts at the current position of the sequence: wobble, then speed factor.
  explicit DS_SreamAnim(const LeafParams* params);

  // rest x the drift matrix.
  void Apply(DS_Frame* frame) override;
  // One drift step at the global frame time; returns its clamped dt.
  float Drift();

  // The time every leaf drifts to, set once per frame by its object.
  static float frameTime;

  D3DXMATRIX drift;
  float wobble = 0.0f;
  float speedFactor = 0.0f;
  float previousTime = 0.0f;
  float step = 0.0f;
  float lastWobbleChange = 0.0f;
  const LeafParams* params;

 protected:
  // For the falling leaf, which draws its position first.
  DS_SreamAnim(const LeafParams* params, float x, float y);
};

class DS_LeafFallAnim : public DS_SreamAnim {
 public:
  // A random position in the picture, random wobble, speed factor, spins and
  // swings.
  explicit DS_LeafFallAnim(const LeafParams* params);

  // The drift, then the spins and swings: rest x Scaling x spins x swings x drift.
  void Apply(DS_Frame* frame) override;

  float spinAngle[3] = {0.0f, 0.0f, 0.0f};
  float spinRate[3] = {0.0f, 0.0f, 0.0f};
  float swingAngle[2] = {0.0f, 0.0f};
  float swingRate[2] = {0.0f, 0.0f};

 private:
  // The position is drawn before the wobble and speed factor.
  struct Start {
    float x = 0.0f, y = 0.0f;
  };
  static Start RandomStart();
  DS_LeafFallAnim(const LeafParams* params, Start at);
};
