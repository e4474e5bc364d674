#include "particles/imitters/stream_vortex.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"

namespace {

// The unit vector of v; the zero vector stays zero.
D3DXVECTOR3 UnitOrZero(const D3DXVECTOR3& v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (!(length > 0.0f)) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  return v / length;
}

}  // namespace

DS_StreamPtclSys::DS_StreamPtclSys() {
  speedJitter.SetScaleOffset(2.0f, 0.0f);
  deviation.SetScaleOffset(0.002f, 0.0f);
}

void DS_StreamPtclSys::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
}

ClassicParticleList& DS_StreamPtclSys::Emit(ClassicParticleList& out, float dt) {
  out.clear();
  const int n = std::min(counter.Count(timing.Current()->GetVisibility() * dt), RoomLeft(particles));
  const D3DXVECTOR3& c0 = edges.corners[0].value;
  const D3DXVECTOR3& c1 = edges.corners[1].value;
  const D3DXVECTOR3& c2 = edges.corners[2].value;
  const D3DXVECTOR3& c3 = edges.corners[3].value;
  const float s = deviation.derived;
  const float j = speedJitter.jitter.derived;
  for (int i = 0; i < n; ++i) {
    const float u1 = crt_rand01();
    const D3DXVECTOR3 start = c2 + (c0 - c2) * u1;
    const float u2 = crt_rand01();
    const float f = u1 + (u2 * 2.0f * s - s);
    const D3DXVECTOR3 target = c3 + (c1 - c3) * f;
    const D3DXVECTOR3 d = UnitOrZero(target - start);
    ClassicParticlePtr p(new ClassicParticle(start));
    particles.push_back(p);
    params.InitParticle(*p, RoutinePtr(new IPR_ConstantAge(life.derived)));
    p->AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
    const float u3 = crt_rand01();
    p->velocity = d * (speedJitter.derived * (u3 * (1.0f - j) + j));
    StepClassicParticle(*p, static_cast<float>(i) * dt / static_cast<float>(n));
  }
  return out;
}

bool DS_StreamPtclSys::ReadFields(DS_IOF_Archive& ar, int32_t v) {
  counter.rate.Read(ar);
  ReadMediaQuad(ar, edges);
  life.Read(ar);
  life.Notify(nullptr);
  // The pair is stored twice; the second is the one kept.
  for (int k = 0; k < 2; ++k) {
    speedJitter.Read(ar);
    speedJitter.jitter.Read(ar);
  }
  deviation.Read(ar);
  return ReadNestedRecord(ar);
}

bool DS_PtclSmoke2::ReadRecord(DS_IOF_Archive& ar, int32_t v) {
  uint32_t u = 0;
  ar.ReadUInt(&u);
  kept1.SetValue(u);
  ar.ReadUInt(&u);
  kept2.SetValue(u);
  ar.ReadInt(&kept3);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return DS_StreamPtclSys::ReadFields(ar, version);
}

// ---------------------------------------------------------------------------

ZVI_VortexPtclSys::ZVI_VortexPtclSys() {
  speed.SetScaleOffset(2.0f, 0.0f);
  twist.SetScaleOffset(0.01f, 0.0f);
  rotationSpeed.SetScaleOffset(2.0f, 0.0f);
}

ZVI_VortexPtclSys::ZVI_VortexPtclSys(const ZVI_VortexPtclSys& other)
    : ZVI_ParticleSystemCtrl(other),
      source(other.source),
      counter(other.counter),
      speed(other.speed),
      twist(other.twist),
      reverse(other.reverse),
      direction(other.direction),
      arms(other.arms),
      rotationSpeed(other.rotationSpeed),
      rotationReverse(other.rotationReverse),
      range(other.range) {
  rotationSpeed.step = other.rotationSpeed.step;
  rotationSpeed.elapsed = other.rotationSpeed.elapsed;
  rotationSpeed.last_time = other.rotationSpeed.last_time;
}

void ZVI_VortexPtclSys::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
}

ClassicParticleList& ZVI_VortexPtclSys::Emit(ClassicParticleList& out, float dt) {
  rotationSpeed.last_time = dt;
  rotationSpeed.step = rotationSpeed.derived * dt;
  rotationSpeed.elapsed += rotationSpeed.step;
  const int n = std::min(counter.Count(timing.Current()->GetVisibility() * dt), RoomLeft(particles));
  source.Make(out, n);
  for (const ClassicParticlePtr& p : out) SetupParticle(p);
  particles.insert(particles.end(), out.begin(), out.end());
  return out;
}

void ZVI_VortexPtclSys::SetupParticle(const ClassicParticlePtr& p) {
  if (!p) return;
  const float life = static_cast<float>(range.value) / speed.derived;
  params.InitParticle(*p, RoutinePtr(new IPR_ConstantAge(life)));
  p->AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  p->AddRoutine(RoutinePtr(new IPR_VortexVel(&source.point, &speed, &twist, &reverse)), false);
  const float angle = static_cast<float>(direction.value);
  const float spread = static_cast<float>(direction.spread.value);
  float lo = angle - spread / 2.0f;
  float hi = angle + spread / 2.0f;
  if (rotationSpeed.value != 0) {
    const float turn = rotationReverse.value == 0 ? -RotationAngle() : RotationAngle();
    lo += turn;
    hi += turn;
  }
  // No arms counts as one.
  const uint32_t count = std::max(1u, arms.value);
  const uint32_t k = static_cast<uint32_t>(crt_rand()) % count;
  const float o = static_cast<float>(k) * (360.0f / static_cast<float>(count));
  p->velocity = RandomPlanarDirection(speed.derived, lo + o, hi + o);
}

bool ZVI_VortexPtclSys::ReadFields(DS_IOF_Archive& ar, int32_t v) {
  counter.rate.Read(ar);
  D3DXVECTOR3& at = source.point.value;
  ar.ReadFloat(&at.x);
  ar.ReadFloat(&at.y);
  ar.ReadFloat(&at.z);
  speed.Read(ar);
  twist.Read(ar);
  ar.ReadInt(&reverse.value);
  uint32_t u = 0;
  ar.ReadUInt(&u);
  direction.value = u;
  direction.Recompute();
  ar.ReadUInt(&direction.spread.value);
  ar.ReadUInt(&arms.value);
  rotationSpeed.Read(ar);
  ar.ReadInt(&rotationReverse.value);
  ar.ReadUInt(&range.value);
  return ReadNestedRecord(ar);
}

bool IPR_VortexVel::Apply(float dt, ClassicParticle& p) {
  const D3DXVECTOR3 d = p.position - source->value;
  const float r = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  if (r > 0.0f) {
    D3DXVECTOR3 t(d.y, -d.x, 0.0f);
    if (reverse->value != 0) t = -t;
    p.velocity = d / r * speed->derived - t * twist->derived;
  }
  return true;
}
