#include "particles/sources/motion_laws.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/sources/block_readers.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

D3DXVECTOR3 ReadVector3(DS_IOF_Archive& ar) {
  D3DXVECTOR3 v(0, 0, 0);
  ar.ReadFloat(&v.x);
  ar.ReadFloat(&v.y);
  ar.ReadFloat(&v.z);
  return v;
}

// (x, y) turned about z by -a: (x cos a + y sin a, -x sin a + y cos a).
D3DXVECTOR3 TurnedBack(const D3DXVECTOR3& v, float a) {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, -a);
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

D3DXVECTOR3 RandomPlanarDirection(ZVI_VGeom2D* figure) {
  D3DXVECTOR3 d(1, 0, 0);
  if (figure) {
    figure->RandomDirection(&d);
    return d;
  }
  const float a = crt_rand01() * kTwoPi;
  return D3DXVECTOR3(std::cos(a), -std::sin(a), 0.0f);
}

float SignFromRand() { return (crt_rand() % 2 != 0) ? -1.0f : 1.0f; }

}  // namespace

float SpeedFactor(const JitterGraphParam& speed, float r) {
  int32_t cursor = 1;
  ZVI_VGraph* g = speed.graph.Graph();
  float curve = g ? g->ValueAt(0.0f, cursor) : 1.0f;
  return JitteredValue(speed.value.derived, speed.jitter.derived, r) * curve;
}

// ---------------------------------------------------------------------------

void ZVI_PtclSys_MotionLaw::PlaceCommon(Particle* p, ZVI_VGeom2D* figure) {
  if (figure && !figure->RandomPoint(&p->position, &p->auxVector)) p->flags |= ParticleFlags::Dead;
  if (detach.value != 0) p->DetachFromParent();
}

void ZVI_PtclSys_MotionLaw::InitParticle(Particle* particle, const FigurePtr& figure) {
  PlaceCommon(particle, figure.get());
}

void ZVI_PtclSys_MotionLaw::ReadLawRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 2) ReadStoredInt(ar, detach);
}

void ZVI_PtclSys_MotionLaw::ReadLawBase(DS_IOF_Archive& ar) { ReadLawRecord(ar, ReadRecordName(ar)); }

// ---------------------------------------------------------------------------

ZVI_PtclSysMLaw_Kinematic::ZVI_PtclSysMLaw_Kinematic() { speed.value.SetScaleOffset(1.0f, 0.0f, 100u); }

void ZVI_PtclSysMLaw_Kinematic::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadJitterGraphParam(ar, speed);
  ReadLawBase(ar);
}

void ZVI_PtclSysMLaw_Kinematic::ReadKinematicBase(DS_IOF_Archive& ar) { ReadRecord(ar, ReadRecordName(ar)); }

// ---------------------------------------------------------------------------

void ZVI_PtclSysMLaw_Vector::InitParticle(Particle* p, const FigurePtr& figure) {
  PlaceCommon(p, figure.get());
  const float s = spread.derived;
  const float a = direction.derived + (crt_rand01() * 2.0f * s - s) * 0.5f;
  p->heading = TurnedBack(D3DXVECTOR3(1, 0, 0), a);
  p->velocity = p->heading * SpeedFactor(speed, crt_rand01());
}

void ZVI_PtclSysMLaw_Vector::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadNotifiedUnsigned(ar, direction);
  if (version >= 2) ReadNotifiedUnsigned(ar, spread);
  ReadKinematicBase(ar);
}

void ZVI_PtclSysMLaw_Vector::ReadVectorBase(DS_IOF_Archive& ar) {
  ZVI_PtclSysMLaw_Vector::ReadRecord(ar, ReadRecordName(ar));
}

// ---------------------------------------------------------------------------

void ZVI_PtclSysMLaw_Normal::InitParticle(Particle* p, const FigurePtr& figure) {
  ZVI_VGeom2D* f = figure.get();
  if (!f) return;  // nothing to stand on: the particle stays as it is
  const float u = crt_rand01();
  const float v = crt_rand01();
  p->auxVector = D3DXVECTOR3(u, v, 0);
  D3DXVECTOR3 along(0, 0, 0);
  if (!f->PointAtUV(u, v, &p->position, &along)) {
    p->flags |= ParticleFlags::Dead;
    return;
  }
  D3DXVECTOR3 heading = along;
  if (heading.x == 0.0f && heading.y == 0.0f && heading.z == 0.0f) {
    heading = D3DXVECTOR3(0, 0, 0);
    f->NormalNear(&heading, p->position);
  }
  const float s = spread.derived;
  p->heading = TurnedBack(heading, direction.derived + (crt_rand01() * 2.0f * s - s) * 0.5f);
  p->velocity = p->heading * SpeedFactor(speed, crt_rand01());
}

void ZVI_PtclSysMLaw_Normal::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadVectorBase(ar); }

// ---------------------------------------------------------------------------

void ZVI_PtclSysMLaw_VelocityField::InitParticle(Particle* p, const FigurePtr& figure) {
  PlaceCommon(p, figure.get());
  p->AddTransform(new PtclTr_VelocityField(&field, crt_rand01()));
}

void ZVI_PtclSysMLaw_VelocityField::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 2) ReadVelocityFieldParams(ar, field);
  ReadKinematicBase(ar);
}

// ---------------------------------------------------------------------------

void ZVI_PtclSysMLaw_Loop::InitParticle(Particle* p, const FigurePtr& figure) {
  ZVI_VGeom2D* f = figure.get();
  const float u = crt_rand01();
  const float v = crt_rand01();
  if (f) {
    p->auxVector = D3DXVECTOR3(u, v, 0);
    if (!f->PointAtUV(u, v, &p->position, nullptr) && !f->RandomPoint(&p->position, &p->auxVector)) {
      p->flags |= ParticleFlags::Dead;
    }
  }
  if (followMode.value == 1) {
    p->DetachFromParent();
  } else if (followMode.value == 2 && f) {
    p->AddTransform(new PtclTr_Loop(figure, p->auxVector.x, p->auxVector.y, &loop, crt_rand01()));
  }
}

void ZVI_PtclSysMLaw_Loop::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadLoopMotionParams(ar, loop);
  if (version >= 2) ReadStoredInt(ar, followMode);
  ReadLawBase(ar);
}

// ---------------------------------------------------------------------------

ZVI_PtclSysMLaw_Centred::ZVI_PtclSysMLaw_Centred() { speed.value.SetScaleOffset(1.0f, 0.0f, 50u); }

void ZVI_PtclSysMLaw_Centred::ReadCentredBase(DS_IOF_Archive& ar) {
  ReadRecordName(ar);
  ReadJitterGraphParam(ar, speed);
  centreOffset = ReadVector3(ar);
  ReadLawBase(ar);
}

D3DXVECTOR3 ZVI_PtclSysMLaw_Centred::Centre(ZVI_VGeom2D* figure) const {
  D3DXVECTOR3 q(0, 0, 0);
  if (figure) figure->CenterPoint(&q);
  return q + centreOffset.value;
}

void ZVI_PtclSysMLaw_Radial::InitParticle(Particle* p, const FigurePtr& figure) {
  ZVI_VGeom2D* f = figure.get();
  PlaceCommon(p, f);
  const D3DXVECTOR3 d = p->position - Centre(f);
  const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  p->heading = length > 0.0f ? d / length : RandomPlanarDirection(f);
  float sign = 1.0f;
  if (signMode.value == 1) sign = -1.0f;
  else if (signMode.value == 2) sign = SignFromRand();
  p->velocity = p->heading * sign * SpeedFactor(speed, crt_rand01());
}

void ZVI_PtclSysMLaw_Radial::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 2) ReadStoredInt(ar, signMode);
  if (version >= 3) {
    ReadCentredBase(ar);
  } else {
    // An older record holds a kinematic law's record: its speed, no offset.
    ReadRecordName(ar);
    ReadJitterGraphParam(ar, speed);
    ReadLawBase(ar);
  }
}

void ZVI_PtclSysMLaw_Spiral::InitParticle(Particle* p, const FigurePtr& figure) {
  PlaceCommon(p, figure.get());
  const float r = crt_rand01();
  const float sign = SignFromRand();
  p->AddTransform(new PtclTr_Spiral(r, sign, &spiral, figure, &centreOffset.value));
}

void ZVI_PtclSysMLaw_Spiral::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadSpiralMotionParams(ar, spiral);
  if (version >= 2) ReadCentredBase(ar);
  else ReadLawBase(ar);
}

// ---------------------------------------------------------------------------

TunnelLawData::TunnelLawData() {
  // Degrees per second: the default 50 reads as 100.
  speed.value.SetScaleOffset(2.0f, 0.0f, 50u);
  depth.SetScaleOffset(1.0f, 0.0f, 0u);
  focal.SetScaleOffset(0.1f, 1.0f, 100u);
}

ZVI_PtclSysMLCentred_Tunel::ZVI_PtclSysMLCentred_Tunel() : data(new TunnelLawData()) {}

void ZVI_PtclSysMLCentred_Tunel::InitParticle(Particle* p, const FigurePtr& figure) {
  PlaceCommon(p, figure.get());
  p->AddTransform(new Transform(data, SignFromRand()));
  p->flags |= ParticleFlags::OwnMotion;
}

bool ZVI_PtclSysMLCentred_Tunel::Transform::Apply(float dt, Particle* p) {
  const TunnelLawData& d = *law;
  D3DXVECTOR3 q(0, 0, 0);
  if (d.figure) d.figure->CenterPoint(&q);
  q += d.centreOffset.value;
  float s = sign;
  if (d.rotationMode.value == 0) s = 1.0f;
  else if (d.rotationMode.value == 1) s = -1.0f;
  const float w = SpeedFactor(d.speed, crt_rand01());
  const float angle = s * w * dt * kTwoPi / 360.0f;
  const float c = std::cos(angle), sn = std::sin(angle);
  const float rx = p->position.x - q.x, ry = p->position.y - q.y;
  p->position.x = q.x + rx * c - ry * sn;
  p->position.y = q.y + rx * sn + ry * c;
  const float depth = d.depth.derived;
  const float focal = d.focal.derived;
  const float h = d.inward.value == 0 ? depth * p->age : depth * (1.0f - p->age);
  const D3DXVECTOR3 towards = q - p->position;
  p->position.z = h;
  p->velocity = towards;
  const float k = h / (focal + h);
  p->offset = towards * k;
  p->size *= 1.0f - k;
  D3DXVec3Normalize(&p->heading, &towards);
  if (d.inward.value == 1) p->offset -= towards * (depth / (focal + depth));
  return true;
}

void ZVI_PtclSysMLCentred_Tunel::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  TunnelLawData& d = *data;
  ReadNotifiedUnsigned(ar, d.depth);
  ReadStoredInt(ar, d.rotationMode);
  ReadStoredInt(ar, d.inward);
  ReadNotifiedUnsigned(ar, d.focal);
  ReadRecordName(ar);
  ReadJitterGraphParam(ar, d.speed);
  D3DXVECTOR3 offset = ReadVector3(ar);
  d.centreOffset = offset;
  ReadLawBase(ar);
}

void RegisterMotionLawReaders() {
  RegisterReader<ZVI_PtclSysMLaw_Kinematic, ZVI_IOF_Item>(u"ZVI_PtclSysMLaw_Kinematic");
  RegisterReader<ZVI_PtclSysMLaw_Vector, ZVI_IOF_Item>(u"ZVI_PtclSysMLaw_Vector");
  RegisterReader<ZVI_PtclSysMLaw_Normal, ZVI_IOF_Item>(u"ZVI_PtclSysMLaw_Normal");
  RegisterReader<ZVI_PtclSysMLaw_VelocityField, ZVI_IOF_Item>(u"ZVI_PtclSysMLaw_VelocityField");
  RegisterReader<ZVI_PtclSysMLaw_Loop, ZVI_IOF_Item>(u"ZVI_PtclSysMLaw_Loop");
  RegisterReader<ZVI_PtclSysMLaw_Radial, ZVI_IOF_Item>(u"ZVI_PtclSysMLaw_Radial");
  RegisterReader<ZVI_PtclSysMLaw_Spiral, ZVI_IOF_Item>(u"ZVI_PtclSysMLaw_Spiral");
  RegisterReader<ZVI_PtclSysMLCentred_Tunel, ZVI_IOF_Item>(u"ZVI_PtclSysMLCentred_Tunel");
}
