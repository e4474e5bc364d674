#pragma once
// Particle transforms that move node particles: free flight with forces,
// turning about a centre, radial and spiral motion, travel across a shape, a
// noise velocity field, swarms that steer home, flows, and travel along paths
// and curves with waits, ping-pong, easing and perspective. Owners attach
// them to newborn particles and they read the owners' blocks live. Whole
// owner objects of particles/sources are reached through the small owner
// interfaces below.
#include <cstdint>

#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_points.h"
#include "geometry/curve.h"
#include "geometry/figures.h"
#include "particles/nodes/param_blocks.h"
#include "particles/nodes/particle.h"

class DS_IOF_Archive;

// position += v dt + a dt^2 / 2, then velocity += a dt.
class PtclTr_Kinematic : public ZVI_PtclTransform {
 public:
  bool Apply(float dt, Particle* p) override;
};

// Gravity and drag of the point, sector and rectangle emitters.
struct StandardForcesParams {
  StandardForcesParams();
  StandardForcesParams(const StandardForcesParams&) = default;
  StandardForcesParams& operator=(const StandardForcesParams&) = default;

  // 0 none, 1 added to y, 2 and above subtracted.
  MediaParamT<int32_t> gravityMode{0};
  UINTSclaleTo<float> gravity;  // scale 5
  // 0 none, 1 quadratic with a per-particle spread, 2 quadratic, 3+ linear.
  MediaParamT<int32_t> dragMode{0};
  UINTSclaleTo<float> drag;  // scale -0.01, value 50: -0.5
};
// Version; from version 2 the drag mode (older blocks are linear); gravity
// mode, gravity, drag.
void ReadStandardForcesParams(DS_IOF_Archive& ar, StandardForcesParams& block);

// Adds gravity and drag to the acceleration (attached before the kinematic).
class PtclTr_StandardForces : public ZVI_PtclTransform {
 public:
  // spread: the jitter whose factor spreads the quadratic drag in mode 1.
  PtclTr_StandardForces(const StandardForcesParams* forces, const UINTSclaleTo<float>* spread)
      : owner(forces), spreadJitter(spread) {}
  bool Apply(float dt, Particle* p) override;
  const StandardForcesParams* owner;
  const UINTSclaleTo<float>* spreadJitter;
};

// Turns the position about the z axis through a centre (degrees per second).
class PtclTr_Circular : public ZVI_PtclTransform {
 public:
  PtclTr_Circular(float random, float random_sign, const D3DXVECTOR3& centre_point, const ZVI_JitterParam* speed_param,
                  const MediaParamT<int32_t>* direction_mode)
      : r(random), sign(random_sign), centre(centre_point), speed(speed_param), directionMode(direction_mode) {}
  bool Apply(float dt, Particle* p) override;
  float r;
  float sign;
  D3DXVECTOR3 centre;
  const ZVI_JitterParam* speed;
  const MediaParamT<int32_t>* directionMode;
};

// Moves the position away from (0) or towards (1) a centre.
class PtclTr_Radial : public ZVI_PtclTransform {
 public:
  PtclTr_Radial(float random, const D3DXVECTOR3& centre_point, const ZVI_JitterParam* speed_param,
                const MediaParamT<int32_t>* inward_param)
      : r(random), centre(centre_point), speed(speed_param), direction(inward_param) {}
  bool Apply(float dt, Particle* p) override;
  float r;
  D3DXVECTOR3 centre;
  const ZVI_JitterParam* speed;
  const MediaParamT<int32_t>* direction;
};

// Sets the velocity of a spiral about the figure's centre (the kinematic
// transform moves the particle).
class PtclTr_Spiral : public ZVI_PtclTransform {
 public:
  PtclTr_Spiral(float random, float random_sign, const SpiralMotionParams* law, DS_SafePtr<ZVI_VGeom2D> emission_figure,
                const D3DXVECTOR3* centre_offset)
      : r(random), sign(random_sign), owner(law), figure(std::move(emission_figure)), offset(centre_offset) {}
  bool Apply(float dt, Particle* p) override;
  float r;
  float sign;
  const SpiralMotionParams* owner;
  DS_SafePtr<ZVI_VGeom2D> figure;  // may hold none: centred on the origin
  const D3DXVECTOR3* offset;       // may be null
};

// Travels across a two-parameter figure, once per frame whatever dt is.
class PtclTr_Loop : public ZVI_PtclTransform {
 public:
  PtclTr_Loop(DS_SafePtr<ZVI_VGeom2D> shape, float u0, float v0, const LoopMotionParams* law, float random)
      : figure(std::move(shape)), u(u0), v(v0), owner(law), r(random) {}
  bool Apply(float dt, Particle* p) override;
  DS_SafePtr<ZVI_VGeom2D> figure;  // may hold none: the particle stays
  float u;
  float v;
  const LoopMotionParams* owner;
  float r;
};

// Velocity from two noise fields that drift with wall-clock time.
class PtclTr_VelocityField : public ZVI_PtclTransform {
 public:
  PtclTr_VelocityField(const VelocityFieldParams* law, float random) : owner(law), r(random) {}
  bool Apply(float dt, Particle* p) override;
  const VelocityFieldParams* owner;
  float r;
};

// (75 to 100, 0, 0) turned about z by minus a random angle in [0, 360).
D3DXVECTOR3 RandomFlyVelocity();

// What PtclTr_Brownian reads of its swarm geometry.
class PtclSwarmBox {
 public:
  virtual ~PtclSwarmBox() = default;
  virtual D3DXVECTOR3 SwarmCentre() const = 0;
  virtual uint32_t SwarmWidth() const = 0;
  virtual uint32_t SwarmHeight() const = 0;
  virtual float TurnRate() const = 0;      // turns per second
  virtual float SteeringTime() const = 0;  // seconds to reach a new velocity
  virtual float SpeedFactor() const = 0;
};

// Shared state of the two wandering walks.
struct WanderState {
  D3DXVECTOR3 velocity;
  D3DXVECTOR3 acceleration;
  float steeringLeft = 0.0f;
  float turnTimer = 0.0f;
  uint8_t inside = 1;
};

// A swarm member wandering in a box: new headings inside, steering home
// outside.
class PtclTr_Brownian : public ZVI_PtclTransform {
 public:
  // Starts with RandomFlyVelocity() and a turn timer in [0.5 / R, 1.5 / R].
  explicit PtclTr_Brownian(const PtclSwarmBox* swarm);
  bool Apply(float dt, Particle* p) override;
  const PtclSwarmBox* owner;
  WanderState state;
};

// The same walk in the area of a figure, with the swarm physics' factors.
class PtclTr_RandomFly : public ZVI_PtclTransform {
 public:
  // Starts with RandomFlyVelocity() and a turn timer in [0.5 / R, 1.5 / R].
  PtclTr_RandomFly(DS_SafePtr<ZVI_VGeom2D> area, const SwarmParams* swarm);
  bool Apply(float dt, Particle* p) override;
  DS_SafePtr<ZVI_VGeom2D> figure;  // may hold none: the particle stays
  const SwarmParams* owner;
  WanderState state;
};

// Drifts through an area and re-enters upstream when it leaves.
class PtclTr_Flow : public ZVI_PtclTransform {
 public:
  PtclTr_Flow(DS_SafePtr<ZVI_VGeom2D> area, const FlowParams* flow, float random, float spread_position)
      : figure(std::move(area)), owner(flow), r(random), u(spread_position) {}
  bool Apply(float dt, Particle* p) override;
  DS_SafePtr<ZVI_VGeom2D> figure;  // may hold none: the particle stays
  const FlowParams* owner;
  float r;
  float u;
};

// Travels a path at a jittered speed; dies past its end.
class PtclTr_PathTracker : public ZVI_PtclTransform {
 public:
  PtclTr_PathTracker(DS_SafePtr<PathCursor> path_cursor, const ZVI_JitterParam* speed_param, float random)
      : cursor(std::move(path_cursor)), speed(speed_param), r(random) {}
  bool Apply(float dt, Particle* p) override;
  DS_SafePtr<PathCursor> cursor;
  const ZVI_JitterParam* speed;
  float r;
};

// What PtclTr_PerspectiveFlow reads of its stream geometry.
class PtclStreamAxis {
 public:
  virtual ~PtclStreamAxis() = default;
  virtual bool PerspectiveOn() const = 0;
  // The axis ends: x, y and the depth in z.
  virtual D3DXVECTOR3 AxisStart() const = 0;
  virtual D3DXVECTOR3 AxisEnd() const = 0;
  virtual D3DXVECTOR3 StreamOrigin() const = 0;
  // The two side directions as the stream holds them (y is negated here).
  virtual D3DXVECTOR3 SideA() const = 0;
  virtual D3DXVECTOR3 SideB() const = 0;
  virtual float SpeedValue() const = 0;
  virtual float SpeedJitterFactor() const = 0;
};

// Speed along the heading (and size) shrinking towards the far end.
class PtclTr_PerspectiveFlow : public ZVI_PtclTransform {
 public:
  PtclTr_PerspectiveFlow(const PtclStreamAxis* stream, float random) : owner(stream), r(random) {}
  bool Apply(float dt, Particle* p) override;
  const PtclStreamAxis* owner;
  float r;
};

// What PtclTr_PerspectiveField reads of its field geometry.
class PtclFieldPlane {
 public:
  virtual ~PtclFieldPlane() = default;
  virtual uint32_t FieldDepth() const = 0;
  virtual uint32_t FieldWidth() const = 0;
  virtual float TiltCosine() const = 0;
  virtual D3DXVECTOR3 FieldOrigin() const = 0;
};

// Maps the ground-plane place held in the velocity onto the screen.
class PtclTr_PerspectiveField : public ZVI_PtclTransform {
 public:
  explicit PtclTr_PerspectiveField(const PtclFieldPlane* field) : owner(field) {}
  bool Apply(float dt, Particle* p) override;
  const PtclFieldPlane* owner;
};

// Curve following with waits at the ends, ping-pong and easing.
class PtclTr_FollowCurve : public ZVI_PtclTransform {
 public:
  static constexpr int32_t kWaitingAtStart = 0;
  static constexpr int32_t kWaitingAtEnd = 1;
  static constexpr int32_t kMoving = 2;

  // curve: the track's curve parameter. Starts waiting at the start for the
  // start wait.
  PtclTr_FollowCurve(const ZVI_SmartGeom<ZVI_VGeom2D_Curve>* track_curve, const FollowCurveParams* motion_params,
                     const FollowCurveWaits* wait_params);
  bool Apply(float dt, Particle* p) override;
  // The eased fraction along the curve.
  float Advance(float dt, Particle* p);
  // modifier1 x= the orientation by the tangent.
  void Orient(const D3DXVECTOR3& tangent, Particle* p);

  const ZVI_SmartGeom<ZVI_VGeom2D_Curve>* curve;
  const FollowCurveParams* motion;
  const FollowCurveWaits* waits;
  float distance = 0.0f;
  uint8_t goingBack = 0;
  int32_t state = kWaitingAtStart;
  float waitTimer = 0.0f;
  // The length Advance measures laps against.
  float travelLength = 0.0f;
};

// Curve following mapped onto the track's curve with a perspective depth.
class PtclTr_PerspectivePath : public PtclTr_FollowCurve {
 public:
  // own_line: the straight curve travelled (taken over); track_curve: the
  // curve drawn on.
  PtclTr_PerspectivePath(ZVI_VGeom2D_Curve* own_line, const FollowCurveParams* motion_params,
                         const FollowCurveWaits* wait_params, const ZVI_SmartGeom<ZVI_VGeom2D_Curve>* track_curve);
  bool Apply(float dt, Particle* p) override;
  ZVI_SmartGeom<ZVI_VGeom2D_Curve> line;
  const ZVI_SmartGeom<ZVI_VGeom2D_Curve>* track;
};
