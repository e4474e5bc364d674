#include "particles/imitters/path_trace.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

}  // namespace

// ---- path

ZVI_ParticlePath::ZVI_ParticlePath() {
  speedVariation.SetScaleOffset(-0.01f, 1.0f);
  wobbleFrequency.SetScaleOffset(0.0004f, 0.0f);
  startFactor.SetScaleOffset(0.01f, 0.0f);
  endFactor.SetScaleOffset(0.01f, 0.0f);
  rampInEnd.SetScaleOffset(0.01f, 0.0f);
  rampOutStart.SetScaleOffset(0.01f, 0.0f);
}

ZVI_ParticlePath::ZVI_ParticlePath(const ZVI_ParticlePath& other)
    : ZVI_ParticleSystemCtrl(other),
      path(other.path),
      counter(other.counter),
      speed(other.speed),
      speedVariation(other.speedVariation),
      wobbleWidth(other.wobbleWidth),
      wobbleMode(other.wobbleMode),
      wobbleFrequency(other.wobbleFrequency),
      startFactor(other.startFactor),
      endFactor(other.endFactor),
      rampInEnd(other.rampInEnd),
      rampOutStart(other.rampOutStart) {
  speed.step = other.speed.step;
  speed.elapsed = other.speed.elapsed;
  speed.last_time = other.speed.last_time;
}

void ZVI_ParticlePath::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
  path.Resample();
}

float ZVI_ParticlePath::GetWarmUpTime() {
  // Speed 0 gives an infinite (or NaN) time: the base then does not pre-run.
  return path.total_length / speed.derived;
}

ClassicParticleList& ZVI_ParticlePath::Emit(ClassicParticleList& out, float dt) {
  out.clear();
  if (path.points.size() < 2 || !path.points[0]) return out;
  const int n = std::min(counter.Count(dt * timing.Current()->GetVisibility()), RoomLeft(particles));
  const D3DXVECTOR3 start = path.points[0]->value;
  for (int i = 0; i < n; ++i) {
    ClassicParticlePtr p(new ClassicParticle(start));
    SetupPathParticle(*p);
    StepClassicParticle(*p, static_cast<float>(i) * dt / static_cast<float>(n));
    particles.push_back(p);
  }
  return out;
}

void ZVI_ParticlePath::SetupPathParticle(ClassicParticle& p) {
  const float length = path.total_length;
  const float frequency = wobbleFrequency.derived;
  if (wobbleMode.value == 0) {
    p.Free(2) = crt_rand01() - 0.5f;
    const float sign = (crt_rand() & 1) != 0 ? -1.0f : 1.0f;
    const float phase = crt_rand01() * kTwoPi;
    p.AddRoutine(RoutinePtr(new IPR_Harmonic(6, phase, 0.0f, sign * frequency, 1.0f)), true);
  } else {
    p.Free(2) = 1.0f;
    p.AddRoutine(RoutinePtr(new IPR_Perlin(p, 6, 1.0f, 0.0f, frequency)), false);
  }
  float a = 0.0f, b = 0.0f;
  if (rampOutStart.value > rampInEnd.value) {
    a = startFactor.derived;
    b = endFactor.derived;
  }
  p.AddRoutine(RoutinePtr(new IPR_IncrementM(6, a, 1.0f, 0.0f, rampInEnd.derived * length)), false);
  p.AddRoutine(RoutinePtr(new IPR_IncrementM(6, 1.0f, b, rampOutStart.derived * length, length)), false);
  const float s = speedVariation.derived;
  const float factor = 2.0f - (crt_rand01() * (1.0f - s) + s);
  DS_SafePtr<PathCursor> cursor(new PathCursor(&path.samples));
  params.InitParticle(p, RoutinePtr(new IPR_PathTracker(&wobbleWidth, cursor, &speed, factor)));
}

bool ZVI_ParticlePath::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadBSplinePoints(ar, path.points);
  counter.rate.Read(ar);
  speed.Read(ar);
  speedVariation.Read(ar);
  ar.ReadUInt(&wobbleWidth.value);
  ar.ReadInt(&wobbleMode.value);
  wobbleFrequency.Read(ar);
  startFactor.Read(ar);
  endFactor.Read(ar);
  rampInEnd.Read(ar);
  rampOutStart.Read(ar);
  return ReadNestedRecord(ar);
}

// ---- trace

ZVI_ParticleTrace::ZVI_ParticleTrace() = default;

ZVI_ParticleTrace::ZVI_ParticleTrace(const ZVI_ParticleTrace& other)
    : ZVI_ParticleSystemCtrl(other),
      path(other.path),
      particleCount(other.particleCount),
      life(other.life),
      spread(other.spread),
      flySpeed(other.flySpeed),
      carried(other.carried),
      cursor(other.cursor) {}

void ZVI_ParticleTrace::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
  path.Resample();
  cursor = DS_SafePtr<PathCursor>(new PathCursor(&path.samples));
}

ClassicParticleList& ZVI_ParticleTrace::Emit(ClassicParticleList& out, float dt) {
  out.clear();
  const float length = path.total_length;
  ZVI_Timing* t = timing.Current();
  const float cycle = t->GetCycleLength();
  const uint32_t count = particleCount.value;
  if (t->GetState() != kTimelineShown || !(length > 0.0f) || !(cycle > 0.0f) || count <= 1 || !cursor) {
    if (cursor) {
      cursor->segment = 0;
      cursor->distance = 0.0f;
    }
    carried = 0.0f;
    return out;
  }
  D3DXVECTOR3 point(0.0f, 0.0f, 0.0f), direction(1.0f, 0.0f, 0.0f);
  int room = RoomLeft(particles);
  if (carried == 0.0f && room > 0) {
    cursor->AdvanceOffset(0.0f, 0.0f, &point, &direction);
    DropParticle(point, direction);
    --room;
  }
  carried += length * dt / cycle;
  const float spacing = length / static_cast<float>(count - 1);
  while (carried > spacing && room > 0) {
    cursor->AdvanceOffset(spacing, 0.0f, &point, &direction);
    DropParticle(point, direction);
    carried -= spacing;
    --room;
  }
  if (carried > spacing) {
    // No room left (or a spacing too small to subtract): the remaining
    // whole spacings are passed in one advance, dropping nothing.
    float rest = std::fmod(carried, spacing);
    if (!(rest <= spacing)) rest = 0.0f;
    cursor->AdvanceOffset(carried - rest, 0.0f, &point, &direction);
    carried = rest;
  }
  return out;
}

void ZVI_ParticleTrace::DropParticle(const D3DXVECTOR3& point, const D3DXVECTOR3& direction) {
  ClassicParticlePtr p(
      new ClassicParticle(point + RandomPlanarDirection(static_cast<float>(spread.value), 0.0f, 360.0f)));
  params.InitParticle(*p, RoutinePtr(new IPR_ConstantAge(life.derived)));
  D3DXVECTOR3 unit(0.0f, 0.0f, 0.0f);
  const float n = std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
  if (n > 0.0f) unit = direction / n;
  if (params.orientation.value == 1) {
    D3DXMATRIX r;
    MatrixRotationBetween(&r, unit, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    D3DXMatrixMultiply(&p->matrix, &p->matrix, &r);
  }
  const float angle = crt_rand01() * 360.0f * kDegToRadPi / 180.0f;
  D3DXMATRIX turn;
  // A path without direction (coincident samples) turns about x.
  const D3DXVECTOR3 axis = n > 0.0f ? unit : D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  D3DXMatrixRotationAxis(&turn, &axis, angle);
  D3DXVECTOR3 v(0.0f, 0.0f, flySpeed.derived);
  D3DXVec3TransformNormal(&v, &v, &turn);
  p->AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  p->velocity = v;
  particles.push_back(p);
}

bool ZVI_ParticleTrace::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadBSplinePoints(ar, path.points);
  ar.ReadUInt(&particleCount.value);
  life.Read(ar);
  life.Notify(nullptr);
  ar.ReadUInt(&spread.value);
  flySpeed.Read(ar);
  return ReadNestedRecord(ar);
}
