#include "particles/nodes/transforms.h"

#include <cmath>

#include "core/crt.h"
#include "core/math_routines.h"

namespace {
constexpr float kPi = 3.1415927f;

float ChannelOf(COLORREF c, int shift) { return static_cast<float>((c >> shift) & 0xFFu); }
}  // namespace

bool PtclTr_MaxAge::Apply(float dt, Particle* p) {
  if (span == 0.0f) return false;
  p->age += dt / span;
  if (p->age >= 1.0f) {
    p->age = 1.0f;
    return false;
  }
  return true;
}

bool PtclTr_PhoenixLife::Apply(float dt, Particle* p) {
  // A cycle of 0 (a lifetime jittered to nothing) would make the age
  // infinite or NaN for good: the age then stands still.
  if (!(cycle > 0.0f)) return true;
  p->age += dt / cycle;
  if (p->age >= 1.0f) p->age -= 1.0f;
  return true;
}

bool PtclTr_DieOnTimer::Apply(float dt, Particle* p) { return p->timeAlive < limit; }

bool PtclTr_InheritAge::Apply(float dt, Particle* p) {
  if (p->parent.get()) p->age = p->parent->age;
  return true;
}

bool PtclTr_InheritVectorPrm::Apply(float dt, Particle* p) {
  if (p->parent.get()) p->VectorParam(index) = p->parent->VectorParam(index);
  return true;
}

bool PtclTr_PrmMultiplicator::Apply(float dt, Particle* p) {
  p->FloatParam(index) *= factor;
  return true;
}

bool PtclTr_RefMultiplicator::Apply(float dt, Particle* p) {
  if (ref) p->FloatParam(index) *= *ref;
  return true;
}

bool PtclTr_JitterCtrl::Apply(float dt, Particle* p) {
  const float r = p->FloatParam(index + 6);
  p->FloatParam(index) *= JitteredValue(value->derived, jitter->derived, r);
  return true;
}

bool PtclTr_TimePrm::Apply(float dt, Particle* p) {
  int32_t cursor = 1;
  const ZVI_VGraph* graph = owner->graph.Graph();
  const float g = graph ? graph->ValueAt(p->age, cursor) : 1.0f;
  p->FloatParam(index) *= g * JitteredValue(*owner, p->FloatParam(index + 6));
  return true;
}

bool PtclTr_AgeTransform::Apply(float dt, Particle* p) {
  p->FloatParam(index) *= owner->Evaluate(p->age);
  return true;
}

namespace {
// Around base B: p = (B + (swing - B) x A) x p; around 0: p += swing x A.
void Swing(float& param, float base, float swing, float amplitude) {
  if (base != 0.0f) {
    param = (base + (swing - base) * amplitude) * param;
  } else {
    param += swing * amplitude;
  }
}
}  // namespace

bool PtclTr_Harmonic::Apply(float dt, Particle* p) {
  phase += owner->frequency.derived * dt;
  Swing(p->FloatParam(index), base, std::cos(phase), owner->amplitude.derived);
  return true;
}

PtclTr_Perlin::PtclTr_Perlin(int32_t i, const VariationParams* owner_block, float base_value)
    : PtclTr_FloatPrm(i), owner(owner_block), base(base_value), noise(new PerlinNoise1D) {
  const int32_t r = crt_rand() % 32767;
  noise->seed = r * r + 2;
}

bool PtclTr_Perlin::Apply(float dt, Particle* p) {
  time += owner->frequency.derived * dt;
  const float n = static_cast<float>(noise->amplitude * noise->Sum(time));
  Swing(p->FloatParam(index), base, n, owner->amplitude.derived);
  return true;
}

bool PtclTr_Oscilator::Apply(float dt, Particle* p) {
  switch (owner->mode.value) {
    case 1:
      return harmonic.Apply(dt, p);
    case 2:
      return perlin.Apply(dt, p);
    default:
      return true;
  }
}

bool PtclTr_Color::Apply(float dt, Particle* p) {
  const std::vector<COLORREF>& colours = owner->colours.value;
  if (colours.empty()) return true;
  const float t = owner->pick.value == 0 ? p->age : pick;
  COLORREF c = colours[0];
  const int32_t mode = owner->colourMode.value;
  if (mode == 2) {
    const size_t n = colours.size();
    const float at = std::floor(static_cast<float>(n) * t);
    // Below 0 (or NaN) takes the first colour, at or past the end the last.
    size_t i = 0;
    if (at >= static_cast<float>(n - 1)) {
      i = n - 1;
    } else if (at > 0.0f) {
      i = static_cast<size_t>(at);
    }
    c = colours[i];
  } else if (mode == 1) {
    if (colours.size() < 2) return true;
    const COLORREF b = colours[1];
    for (int k = 0; k < 3; ++k) {
      const float from = ChannelOf(c, 8 * k);
      const float to = ChannelOf(b, 8 * k);
      (&p->color.x)[k] = from + (to - from) * t;
    }
    return true;
  }
  p->color = D3DXVECTOR3(ChannelOf(c, 0), ChannelOf(c, 8), ChannelOf(c, 16));
  return true;
}

bool PtclTr_TexAtlasAnimation::Apply(float dt, Particle* p) {
  timer += dt;
  const float period = 1.0f / frameRate->derived;
  if (timer > period) {
    timer -= period;
    p->atlasCell[0] += 1.0f;
    if (p->atlasCell[0] >= static_cast<float>(columns)) {
      p->atlasCell[0] = 0.0f;
      p->atlasCell[2] += 1.0f;
      if (p->atlasCell[2] >= static_cast<float>(rows)) {
        p->atlasCell[2] = 0.0f;
        return loop->value == 1;
      }
    }
  }
  return true;
}

bool PtclTr_StandardSpin::Apply(float dt, Particle* p) {
  const SpinParams& s = *owner;
  float a = -(s.startAngle.value.derived + s.startAngle.jitter.derived * spreadFactor) * kPi / 180.0f;
  const int32_t mode = s.orientationMode.value;
  if (mode == 2) {
    const int32_t dm = s.directionMode.value;
    const float d = dm == 0 ? 1.0f : (dm == 1 ? -1.0f : sign);
    spin += JitteredValue(s.rate, spinRandom) * d * dt;
    a += spin;
  }
  D3DXMATRIX r;
  D3DXMatrixRotationZ(&r, a);
  if (mode == 1) {
    D3DXMATRIX toHeading;
    MatrixRotationBetween(&toHeading, p->heading, D3DXVECTOR3(1, 0, 0));
    D3DXMatrixMultiply(&r, &r, &toHeading);
  }
  if (p->parent.get()) D3DXMatrixMultiply(&r, &r, &p->parent->modifier1);
  p->modifier1 = r;
  return true;
}

bool PtclTr_Orientation::Apply(float dt, Particle* p) {
  const RootOrientationParams& o = *owner;
  if (o.rotationSpeed.value == 0u) {
    angle = 0.0f;
  } else {
    angle += (1.0f - 2.0f * static_cast<float>(o.direction.value)) * dt * o.rotationSpeed.derived;
  }
  D3DXMatrixRotationZ(&p->modifier1, angle - o.angle.radians);
  return true;
}
