#include "particles/imitters/burst_fountain.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"

namespace {

void ReadNestedHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

D3DXVECTOR3 RandomDirection(bool spatial, float a, float b) {
  return spatial ? RandomConeDirection(1.0f, a, b) : RandomPlanarDirection(1.0f, a, b);
}

}  // namespace

ZVI_BurstPtclSys::ZVI_BurstPtclSys() { speed.SetScaleOffset(4.0f, 0.0f); }

ZVI_BurstPtclSys::ZVI_BurstPtclSys(const ZVI_BurstPtclSys& other)
    : ZVI_ParticleSystemCtrl(other),
      burstCount(other.burstCount),
      speed(other.speed),
      range(other.range),
      spatial(other.spatial),
      direction(other.direction),
      areaMode(other.areaMode),
      areaRadius(other.areaRadius),
      emittedCount(other.emittedCount) {
  source.point.value = other.source.point.value;
}

float ZVI_BurstPtclSys::Visibility() { return timing.Current()->GetVisibility(); }

int32_t ZVI_BurstPtclSys::TimelineState() { return static_cast<int32_t>(timing.Current()->GetState()); }

void ZVI_BurstPtclSys::ResetTime() {
  particles.clear();
  emittedCount = 0;
}

void ZVI_BurstPtclSys::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  params.flags |= kClassicOffsetOscillations;
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
}

ClassicParticleList& ZVI_BurstPtclSys::Emit(ClassicParticleList& out, float dt) {
  if (TimelineState() == 1) emittedCount = 0;
  const float due = static_cast<float>(burstCount.value) * Visibility() - static_cast<float>(emittedCount);
  int64_t c = 0;
  // Burst counts beyond 2^32 cannot be stored, so the float fits an int64.
  if (due >= 1.0f && due < 1.0e18f) c = static_cast<int64_t>(due);
  if (c > 0) emittedCount += c;
  // What the batch cannot hold of the burst is dropped, not kept for later.
  return MakeParticles(out, static_cast<int>(std::min<int64_t>(c, kMaxBatchParticles)));
}

ClassicParticleList& ZVI_BurstPtclSys::MakeParticles(ClassicParticleList& out, int count) {
  count = std::clamp(count, 0, RoomLeft(particles));
  source.Make(out, count);
  for (const ClassicParticlePtr& p : out) SetupParticle(p);
  particles.insert(particles.end(), out.begin(), out.end());
  return out;
}

void ZVI_BurstPtclSys::SetupParticle(const ClassicParticlePtr& p) {
  if (!p) return;
  ClassicParticle& particle = *p;
  const float life = static_cast<float>(range.value) / speed.derived;
  params.InitParticle(particle, RoutinePtr(new IPR_ConstantAge(life)));
  particle.AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  const float angle = static_cast<float>(direction.value);
  const float spread = static_cast<float>(direction.spread.value);
  const float radius = static_cast<float>(areaRadius.value);
  const bool cone = spatial.value != 0;
  const D3DXVECTOR3 axis(direction.direction.x, -direction.direction.y, direction.direction.z);
  if (areaMode.value == 0) {
    const D3DXVECTOR3 d = RandomDirection(cone, angle - spread / 2.0f, angle + spread / 2.0f);
    particle.velocity = d;
    particle.position += d * (crt_rand01() * radius);
  } else {
    const D3DXVECTOR3 e = RandomDirection(cone, 0.0f, 360.0f);
    particle.position += e * (crt_rand01() * radius);
    if (direction.spread.value != 0 && areaRadius.value != 0) {
      const float s = std::sin(spread * (kDegToRadPi / 2.0f) / 180.0f);
      const D3DXVECTOR3 focus = source.point.value + axis * (radius / s);
      D3DXVECTOR3 toward = focus - particle.position;
      D3DXVec3Normalize(&particle.velocity, &toward);
    } else {
      particle.velocity = axis;
    }
  }
  particle.velocity *= speed.derived;
  particle.Factor2() = 0.0f;
}

void ZVI_BurstPtclSys::ApplyOldEnvelopes() {
  params.sizeEnvelope.fadeInEnd.SetValue(0u);
  params.sizeEnvelope.fadeOutStart.SetValue(100u);
  params.alphaEnvelope.fadeInEnd.SetValue(10u);
  params.alphaEnvelope.fadeOutStart.SetValue(60u);
}

void ZVI_BurstPtclSys::ReadBurstFields(DS_IOF_Archive& ar, int32_t v) {
  D3DXVECTOR3& at = source.point.value;
  ar.ReadFloat(&at.x);
  ar.ReadFloat(&at.y);
  ar.ReadFloat(&at.z);
  uint32_t u = 0;
  ar.ReadUInt(&u);
  burstCount.SetValue(u);
  speed.Read(ar);
  ar.ReadUInt(&u);
  range.SetValue(u);
  int32_t i = 0;
  ar.ReadInt(&i);
  spatial.SetValue(i);
  ar.ReadUInt(&u);
  direction.value = u;
  direction.Recompute();
  ar.ReadUInt(&u);
  direction.spread.SetValue(u);
  if (v < 4) {
    params.gravity.Read(ar);
    ar.ReadInt(&i);
    params.gravityDirection.value = i != 0 ? 2 : 1;
    params.flags |= kClassicPhysics;
  }
  if (v > 1) {
    ar.ReadInt(&i);
    areaMode.SetValue(i);
    ar.ReadUInt(&u);
    areaRadius.SetValue(u);
  }
}

bool ZVI_BurstPtclSys::ReadFields(DS_IOF_Archive& ar, int32_t v) {
  ReadBurstFields(ar, v);
  if (v < 3) ApplyOldEnvelopes();
  return ReadNestedRecord(ar);
}

// ---------------------------------------------------------------------------

ClassicParticleList& ZVI_FontainPtclSys::Emit(ClassicParticleList& out, float dt) {
  return MakeParticles(out, counter.Count(Visibility() * dt));
}

bool ZVI_FontainPtclSys::ReadFields(DS_IOF_Archive& ar, int32_t v) {
  counter.rate.Read(ar);
  if (v == 1) {
    // The burst fields of its first layout follow without a header.
    ReadBurstFields(ar, 1);
    ApplyOldEnvelopes();
    return ReadNestedRecord(ar);
  }
  int32_t burstVersion = 0;
  ReadNestedHeader(ar, &burstVersion);
  return ZVI_BurstPtclSys::ReadFields(ar, burstVersion);
}

bool ZVI_FontainPtclSys::ReadNestedFountain(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadNestedHeader(ar, &version);
  return ReadFields(ar, version);
}

// ---------------------------------------------------------------------------

void DS_PtclFire::SetupParticle(const ClassicParticlePtr& p) {
  ZVI_FontainPtclSys::SetupParticle(p);
  if (!p) return;
  const float g = params.gravity.derived;
  const D3DXVECTOR4& d = direction.direction;
  p->acceleration = D3DXVECTOR3(d.x * g, -d.y * g, d.z * g);
}

bool DS_PtclFire::ReadRecord(DS_IOF_Archive& ar, int32_t v) {
  ar.ReadInt(&kept0);
  uint32_t u = 0;
  ar.ReadUInt(&u);
  kept1.SetValue(u);
  ar.ReadUInt(&u);
  kept2.SetValue(u);
  ar.ReadUInt(&u);
  kept3.SetValue(u);
  return ReadNestedFountain(ar);
}

void DS_PtclSmoke::SetupParticle(const ClassicParticlePtr& p) {
  if (!p) return;
  p->AddRoutine(RoutinePtr(new IPR_Wind(D3DXVECTOR3(wind.derived, 0.0f, 0.0f), params.airResistance.derived)), false);
  // Smoke drifts with its wind alone: the block's physics is switched off.
  params.flags &= ~kClassicPhysics;
  ZVI_FontainPtclSys::SetupParticle(p);
}

bool DS_PtclSmoke::ReadRecord(DS_IOF_Archive& ar, int32_t v) {
  uint32_t u = 0;
  ar.ReadUInt(&u);
  kept.SetValue(u);
  wind.Read(ar);
  return ReadNestedFountain(ar);
}

bool DS_PtclFireStream::ReadRecord(DS_IOF_Archive& ar, int32_t v) {
  uint32_t u = 0;
  ar.ReadUInt(&u);
  kept.SetValue(u);
  return ReadNestedFountain(ar);
}
