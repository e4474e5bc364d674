#include "particles/nodes/motion_transforms.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/noise.h"

namespace {

constexpr float kPi = 3.1415927f;

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

bool IsZero(const D3DXVECTOR3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

float Frac(float x) { return x - std::floor(x); }

D3DXVECTOR3 FigureCentre(ZVI_VGeom2D* figure) {
  D3DXVECTOR3 c(0, 0, 0);
  if (figure && !figure->CenterPoint(&c)) c = D3DXVECTOR3(0, 0, 0);
  return c;
}

}  // namespace

bool PtclTr_Kinematic::Apply(float dt, Particle* p) {
  const D3DXVECTOR3 v = p->velocity;
  const D3DXVECTOR3 a = p->acceleration;
  p->position += v * dt + a * (dt * dt / 2.0f);
  p->velocity += a * dt;
  return true;
}

StandardForcesParams::StandardForcesParams() {
  gravity.SetScaleOffset(5.0f, 0.0f, 0u);
  drag.SetScaleOffset(-0.01f, 0.0f, 50u);
}

void ReadStandardForcesParams(DS_IOF_Archive& ar, StandardForcesParams& block) {
  int32_t version = 0;
  ar.ReadInt(&version);
  if (version >= 2) {
    int32_t mode = 0;
    ar.ReadInt(&mode);
    block.dragMode = mode;
  } else {
    // Blocks written before the drag modes existed drag linearly.
    block.dragMode.SetValue(3);
  }
  int32_t gravity_mode = 0;
  ar.ReadInt(&gravity_mode);
  block.gravityMode = gravity_mode;
  block.gravity.Read(ar);
  block.drag.Read(ar);
}

bool PtclTr_StandardForces::Apply(float dt, Particle* p) {
  const StandardForcesParams& f = *owner;
  float g = 0.0f;
  if (f.gravityMode.value >= 1) g = f.gravity.derived;
  if (f.gravityMode.value >= 2) g = -g;
  D3DXVECTOR3 d(0, 0, 0);
  const int32_t mode = f.dragMode.value;
  if (mode >= 3) {
    d = p->velocity * f.drag.derived;
  } else if (mode == 1 || mode == 2) {
    float m = D3DXVec3LengthSq(&p->velocity);
    if (mode == 1 && spreadJitter) {
      const float k = spreadJitter->derived;
      m *= k + (1.0f - k) * p->random[1];
    }
    d = p->heading * (f.drag.derived * 0.02f * m);
  }
  p->acceleration += D3DXVECTOR3(d.x, d.y + g, d.z);
  return true;
}

bool PtclTr_Circular::Apply(float dt, Particle* p) {
  const int32_t mode = directionMode->value;
  const float d = mode == 0 ? 1.0f : (mode == 1 ? -1.0f : sign);
  const float angle = JitteredValue(*speed, r) * d * dt;
  const float radians = angle * 2.0f * kPi / 360.0f;
  D3DXMATRIX to, rot, back, m;
  D3DXMatrixTranslation(&to, -centre.x, -centre.y, -centre.z);
  const D3DXVECTOR3 axis(0, 0, 1);
  D3DXMatrixRotationAxis(&rot, &axis, radians);
  D3DXMatrixTranslation(&back, centre.x, centre.y, centre.z);
  D3DXMatrixMultiply(&m, &to, &rot);
  D3DXMatrixMultiply(&m, &m, &back);
  const D3DXVECTOR3 at = p->position;
  D3DXVec3TransformCoord(&p->position, &at, &m);
  p->velocity = D3DXVECTOR3(-(p->position.y - centre.y) * d, (p->position.x - centre.x) * d, 0.0f);
  return true;
}

bool PtclTr_Radial::Apply(float dt, Particle* p) {
  const D3DXVECTOR3 u = Normalised(p->position - centre);
  const float s = JitteredValue(*speed, r) * (1.0f - 2.0f * static_cast<float>(direction->value)) * dt;
  p->position += u * s;
  return true;
}

bool PtclTr_Spiral::Apply(float dt, Particle* p) {
  const SpiralMotionParams& law = *owner;
  const int32_t sense = law.rotationSense.value;
  const float d = sense == 1 ? -1.0f : (sense == 2 ? sign : 1.0f);
  const float w = JitteredValue(law.angularSpeed, r) * d;
  D3DXVECTOR3 c = FigureCentre(figure.get()) + law.centreOffset.value;
  if (offset) c += *offset;
  const D3DXVECTOR3 radius = p->position - c;
  const float rho = D3DXVec3Length(&radius);
  const D3DXVECTOR3 u = rho > 0.0f ? radius / rho : RandomPlanarDirection(1.0f, 0.0f, 360.0f);
  const float q = JitteredValue(law.radialSpeed, r) * (1.0f - 2.0f * static_cast<float>(law.inward.value));
  const float W = w * kPi / 180.0f;
  p->velocity = D3DXVECTOR3(-u.y * rho * W + u.x * q, u.x * rho * W + u.y * q, u.z * q);
  return true;
}

bool PtclTr_Loop::Apply(float dt, Particle* p) {
  const LoopMotionParams& law = *owner;
  int32_t cursor = 1;
  const ZVI_VGraph* graph = law.speed.graph.Graph();
  const float s = JitteredValue(law.speed, r) * (graph ? graph->ValueAt(0.0f, cursor) : 1.0f);
  // Once per frame: dt plays no part, as stored projects expect.
  const float du = law.direction.direction.x * s;
  const float dv = law.direction.direction.y * s;
  u += du;
  v += dv;
  ZVI_VGeom2D* f = figure.get();
  if (law.edgeMode.value == 1) {
    if (u > 1.0f || v > 1.0f || u < 0.0f || v < 0.0f) return false;
  } else {
    if (!(f && f->IsClosed())) {
      if (u > 1.0f) {
        u -= 1.0f;
        p->flags |= ParticleFlags::Jumped;
      } else if (u < 0.0f) {
        u += 1.0f;
        p->flags |= ParticleFlags::Jumped;
      }
    }
    if (!(f && f->QueryFlag())) {
      if (v > 1.0f) {
        v -= 1.0f;
        p->flags |= ParticleFlags::Jumped;
      } else if (v < 0.0f) {
        v += 1.0f;
        p->flags |= ParticleFlags::Jumped;
      }
    }
  }
  if (!f) return true;
  D3DXVECTOR3 t(0, 0, 0);
  f->PointAtUV(u, v, &p->position, &t);
  D3DXVECTOR3 dir, normal;
  if (f->NormalAt(p->position, D3DXVECTOR3(u, v, 0.0f), &dir, &normal)) {
    p->velocity = dir * du + normal * dv;
  } else {
    p->velocity = D3DXVECTOR3(du * t.x - dv * t.y, dv * t.x + du * t.y, du * t.z);
  }
  return true;
}

bool PtclTr_VelocityField::Apply(float dt, Particle* p) {
  const VelocityFieldParams& law = *owner;
  const float s = JitteredValue(law.drift, r);
  const double t = static_cast<double>(crt_clock()) / 1000.0 * 0.1 * law.timeRate.derived;
  const double x = p->position.x * 0.01 * law.noiseScale.derived;
  const double y = p->position.y * 0.01 * law.noiseScale.derived;
  const float na = static_cast<float>(law.noiseX.Noise(x, y, t));
  const float nb = static_cast<float>(law.noiseY.Noise(x, y, t));
  const D3DXVECTOR4& dir = law.driftDirection.direction;
  const float a = law.amplitude.derived;
  p->velocity = D3DXVECTOR3(na * a + dir.x * s, nb * a + dir.y * s, dir.z * s);
  return true;
}

D3DXVECTOR3 RandomFlyVelocity() {
  const float speed = 75.0f + 25.0f * crt_rand01();
  return RandomPlanarDirection(speed, 0.0f, 360.0f);
}

namespace {

float TurnInterval(float rate) {
  const float lo = 1.0f / rate * 0.5f;
  const float hi = 1.0f / rate * 1.5f;
  return lo + crt_rand01() * (hi - lo);
}

// One step of the wandering walk; returns the displacement before the
// speed factors.
D3DXVECTOR3 Wander(WanderState& s, Particle* p, float dt, bool inside, const D3DXVECTOR3& home, float rate,
                   float steering) {
  // A steering time of 0 would make an infinite acceleration (NaN at dt 0):
  // such a walk sets none.
  const bool can_steer = steering > 0.0f;
  if (!inside) {
    if ((s.inside || IsZero(s.acceleration)) && can_steer) {
      const D3DXVECTOR3 n = Normalised(home - p->position);
      s.acceleration = (n * 100.0f - s.velocity) / steering;
      s.steeringLeft = steering;
    }
    s.inside = 0;
  } else {
    s.inside = 1;
  }
  s.turnTimer -= dt;
  if (s.turnTimer < 0.0f) {
    s.turnTimer = TurnInterval(rate);
    if (inside) {
      const D3DXVECTOR3 target = RandomFlyVelocity();
      if (can_steer) {
        s.acceleration = (target - s.velocity) / steering;
        s.steeringLeft = steering;
      }
    }
  }
  s.steeringLeft -= dt;
  if (s.steeringLeft < 0.0f) {
    s.steeringLeft = 0.0f;
    s.acceleration = D3DXVECTOR3(0, 0, 0);
  }
  const D3DXVECTOR3 move = s.acceleration * (dt * dt / 2.0f) + s.velocity * dt;
  p->velocity = s.velocity;
  s.velocity += s.acceleration * dt;
  return move;
}

}  // namespace

PtclTr_Brownian::PtclTr_Brownian(const PtclSwarmBox* swarm) : owner(swarm) {
  state.velocity = RandomFlyVelocity();
  state.turnTimer = TurnInterval(owner->TurnRate());
}

bool PtclTr_Brownian::Apply(float dt, Particle* p) {
  const D3DXVECTOR3 q = owner->SwarmCentre();
  const float half_w = static_cast<float>(owner->SwarmWidth()) / 2.0f;
  const float half_h = static_cast<float>(owner->SwarmHeight()) / 2.0f;
  const bool inside = std::fabs(p->position.x - q.x) <= half_w && std::fabs(p->position.y - q.y) <= half_h;
  const D3DXVECTOR3 move = Wander(state, p, dt, inside, q, owner->TurnRate(), owner->SteeringTime());
  p->position += move * owner->SpeedFactor();
  return true;
}

PtclTr_RandomFly::PtclTr_RandomFly(DS_SafePtr<ZVI_VGeom2D> area, const SwarmParams* swarm)
    : figure(std::move(area)), owner(swarm) {
  state.velocity = RandomFlyVelocity();
  state.turnTimer = TurnInterval(owner->turnRate.derived);
}

bool PtclTr_RandomFly::Apply(float dt, Particle* p) {
  ZVI_VGeom2D* f = figure.get();
  if (!f) return true;
  const bool inside = f->Contains(p->position);
  const D3DXVECTOR3 home = FigureCentre(f);
  const D3DXVECTOR3 move =
      Wander(state, p, dt, inside, home, owner->turnRate.derived, owner->steeringTime.derived);
  const float k = owner->speedFactor.derived;
  p->position += D3DXVECTOR3(move.x * k, move.y * k * owner->verticalFactor.derived, move.z * k);
  return true;
}

bool PtclTr_Flow::Apply(float dt, Particle* p) {
  ZVI_VGeom2D* f = figure.get();
  if (!f) return true;
  const FlowParams& flow = *owner;
  const float a = (u - 0.5f) * 2.0f * kPi * flow.spread.derived;
  const D3DXVECTOR3 local(std::cos(a), -std::sin(a), 0.0f);
  D3DXVECTOR3 e;
  D3DXVec3TransformCoord(&e, &local, &flow.direction.rotation);
  const float s = JitteredValue(flow.speed, r);
  p->velocity = e * s;
  p->position += e * (s * dt);
  if (!f->Contains(p->position)) {
    if (f->RandomPoint(&p->position, &p->auxVector)) {
      D3DXVECTOR3 edge;
      if (f->ExitPoint(p->position, -e, &edge)) p->position = edge;
    }
  }
  return true;
}

bool PtclTr_PathTracker::Apply(float dt, Particle* p) {
  PathCursor* c = cursor.get();
  if (!c) return false;
  const bool on_path = c->Advance(JitteredValue(*speed, r) * dt, &p->position, &p->heading);
  p->velocity = p->heading;
  const std::vector<PathSample>* samples = c->samples;
  if (samples && samples->size() >= 2) {
    const std::vector<PathSample>& v = *samples;
    const float total = v[v.size() - 2].cumulative;
    const float travelled = (c->segment > 0 ? v[static_cast<size_t>(c->segment) - 1].cumulative : 0.0f) + c->distance;
    // A path of length 0 has no fraction to give: age stays.
    if (total > 0.0f) p->age = travelled / total;
  }
  return on_path;
}

bool PtclTr_PerspectiveFlow::Apply(float dt, Particle* p) {
  float a = 1.0f;
  if (owner->PerspectiveOn()) {
    const D3DXVECTOR3 A = owner->AxisStart();
    const D3DXVECTOR3 B = owner->AxisEnd();
    const D3DXVECTOR3 axis = B - A;
    const float L = D3DXVec3Length(&axis);
    if (L > 0.0f) {
      const D3DXVECTOR3 u = axis / L;
      const D3DXVECTOR3 q = p->position - owner->StreamOrigin();
      const float d = std::fabs(u.x * (q.y - A.y) - u.y * (q.x - A.x));
      auto ratio = [&u](const D3DXVECTOR3& side) {
        const D3DXVECTOR3 n(side.x, -side.y, side.z);
        return D3DXVec3Dot(&n, &u) / (n.x * u.y - n.y * u.x);
      };
      const float candidate = 1.0f - (d / L) * (ratio(owner->SideA()) - ratio(owner->SideB()));
      // A side along the axis divides by zero: no perspective there.
      if (std::isfinite(candidate)) a = candidate;
    }
  }
  const float s = JitteredValue(owner->SpeedValue(), owner->SpeedJitterFactor(), r);
  p->velocity = p->heading * (s * a);
  p->size *= a;
  return true;
}

bool PtclTr_PerspectiveField::Apply(float dt, Particle* p) {
  const float D = static_cast<float>(owner->FieldDepth());
  const float W = static_cast<float>(owner->FieldWidth());
  const float c = owner->TiltCosine();
  const D3DXVECTOR3 o = owner->FieldOrigin();
  const float sq = 1.0f - c * c;
  const float s = sq > 0.0f ? std::sqrt(sq) : 0.0f;
  const float u = p->velocity.x;
  const float v = p->velocity.y;
  // Depth 0 takes the limit of D / (s v D + D) instead of 0 / 0.
  const float g = D != 0.0f ? D / (s * v * D + D) : 1.0f / (s * v + 1.0f);
  p->position.y = v * D * g * c + o.y;
  p->position.x = W * u * g + o.x;
  // Set, not accumulated: a depth that grew with every frame is no place.
  p->position.z = o.z;
  p->size *= g;
  return true;
}

PtclTr_FollowCurve::PtclTr_FollowCurve(const ZVI_SmartGeom<ZVI_VGeom2D_Curve>* track_curve,
                                       const FollowCurveParams* motion_params, const FollowCurveWaits* wait_params)
    : curve(track_curve), motion(motion_params), waits(wait_params) {
  waitTimer = waits ? waits->startWait.derived : 0.0f;
}

float PtclTr_FollowCurve::Advance(float dt, Particle* p) {
  ZVI_VGeom2D_Curve* c = curve ? curve->value.get() : nullptr;
  const float length = c ? c->GetLength() : 0.0f;
  // Nothing to travel: held at the start, with no laps of 0 / 0.
  if (!(length > 0.0f) || !std::isfinite(length)) return 0.0f;
  const bool ping_pong = motion->head.pingPong.value != 0;
  for (;;) {
    while (state >= 0 && waitTimer >= 0.0f) {
      waitTimer -= dt;
      if (waitTimer >= 0.0f) {
        const bool hide = state == kWaitingAtEnd ? waits->hideAtEnd.value != 0 : waits->hideAtStart.value != 0;
        if (hide) p->alpha = 0.0f;
        return state == kWaitingAtEnd ? 1.0f : 0.0f;
      }
      const float overshoot = -waitTimer;
      dt = overshoot;
      if (!ping_pong && state == kWaitingAtEnd) {
        // The overshoot comes off here and once more at the next pass of
        // the loop, as stored projects play it.
        state = kWaitingAtStart;
        waitTimer = waits->startWait.derived - overshoot;
      } else {
        state = kMoving;
      }
    }
    distance += motion->head.speed.derived * dt;
    const float laps = distance / length;
    if (state >= 0 && std::floor(laps) != std::floor(p->age)) {
      if (goingBack) {
        state = kWaitingAtStart;
        waitTimer = waits->startWait.derived;
      } else {
        state = kWaitingAtEnd;
        waitTimer = waits->endWait.derived;
      }
      p->age = laps;
      dt = 0.0f;
      continue;
    }
    p->age = laps;
    float f;
    if (!ping_pong) {
      f = Frac(laps);
    } else {
      const float h = Frac(laps / 2.0f);
      goingBack = h >= 0.5f ? 1 : 0;
      f = 1.0f - 2.0f * std::fabs(h - 0.5f);
    }
    switch (motion->head.easing.value) {
      case 1:
        return (1.0f - std::cos(kPi * f)) / 2.0f;
      case 2:
        return f * f;
      case 3:
        return 3.0f * f * f - 2.0f * f * f * f;
      case 4:
        return f * f * f * (6.0f * f * f - 15.0f * f + 10.0f);
      default:
        return f;
    }
  }
}

void PtclTr_FollowCurve::Orient(const D3DXVECTOR3& tangent, Particle* p) {
  D3DXMATRIX k;
  D3DXMatrixIdentity(&k);
  switch (motion->head.orientation.value) {
    case 1: {
      D3DXMATRIX rot;
      MatrixRotationBetween(&rot, Normalised(tangent), D3DXVECTOR3(1, 0, 0));
      if (goingBack) {
        D3DXMATRIX mirror;
        D3DXMatrixScaling(&mirror, -1.0f, 1.0f, 1.0f);
        D3DXMatrixMultiply(&k, &mirror, &rot);
      } else {
        k = rot;
      }
      break;
    }
    case 2: {
      const float tx = goingBack ? -tangent.x : tangent.x;
      if (tx < 0.0f) D3DXMatrixScaling(&k, -1.0f, 1.0f, 1.0f);
      break;
    }
    case 3: {
      const float ty = goingBack ? -tangent.y : tangent.y;
      if (ty > 0.0f) D3DXMatrixScaling(&k, 1.0f, -1.0f, 1.0f);
      break;
    }
    default:
      break;
  }
  D3DXMatrixMultiply(&p->modifier1, &p->modifier1, &k);
}

bool PtclTr_FollowCurve::Apply(float dt, Particle* p) {
  const float f = Advance(dt, p);
  ZVI_VGeom2D_Curve* c = curve ? curve->value.get() : nullptr;
  if (!c) return true;
  D3DXVECTOR3 tangent(1, 0, 0);
  c->PointAtLength(f * c->GetLength(), 0.0f, &p->position, &tangent);
  Orient(tangent, p);
  return true;
}

PtclTr_PerspectivePath::PtclTr_PerspectivePath(ZVI_VGeom2D_Curve* own_line, const FollowCurveParams* motion_params,
                                               const FollowCurveWaits* wait_params,
                                               const ZVI_SmartGeom<ZVI_VGeom2D_Curve>* track_curve)
    : PtclTr_FollowCurve(nullptr, motion_params, wait_params), track(track_curve) {
  line.SetGeometry(own_line);
  curve = &line;
}

bool PtclTr_PerspectivePath::Apply(float dt, Particle* p) {
  ZVI_VGeom2D_Curve* c = track ? track->value.get() : nullptr;
  const float len = c ? c->GetLength() : 0.0f;
  const float e = motion->perspectiveDepth.derived;
  float h = motion->fixedPosition.value != 0 ? motion->fixedFraction.derived : Advance(dt, p);
  const bool reversed = motion->reverse.value != 0;
  if (reversed) h = 1.0f - h;
  float l;
  if (e != 0.0f) {
    const float inv = 1.0f / e;
    p->size = inv / (h + inv);
    l = h * (len / e + len) / (h + inv);
  } else {
    // No depth: the limit, no perspective.
    p->size = 1.0f;
    l = h * len;
  }
  if (reversed) l = len - l;
  if (!c) return true;
  D3DXVECTOR3 tangent(1, 0, 0);
  c->PointAtLength(l, 0.0f, &p->position, &tangent);
  Orient(tangent, p);
  return true;
}
