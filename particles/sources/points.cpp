#include "particles/sources/points.h"

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/zvi_string.h"
#include "particles/sources/block_readers.h"

void SetPhysicsGeometry(ZVI_PtclSys_Physics& physics, ZVI_VGeom2D* figure) { physics.figure.SetGeometry(figure); }

void SetPhysicsGeometry(ZVI_PtclSys_Physics& physics, const DS_SafePtr<ZVI_VGeom2D>& figure) {
  if (figure.get() == physics.figure.value.get()) return;
  physics.figure.value = figure;
  physics.figure.Notify(nullptr);
}

void ReadPhysicsBody(DS_IOF_Archive& ar, ZVI_PtclSys_Physics& physics, int32_t version, OriginUIPtr* marker) {
  if (version >= 2) {
    zvi_string markerName;
    ar.ReadWideString(&markerName);
    OriginUIPtr found(CreateOriginUIByName(markerName));
    if (marker) *marker = found;
  }
  if (version >= 3) {
    uint32_t hasFigure = 0;
    ar.ReadUInt(&hasFigure);
    if (hasFigure != 0) SetPhysicsGeometry(physics, ReadVGeom2D(ar));
  }
}

void ReadPhysicsRecord(DS_IOF_Archive& ar, ZVI_PtclSys_Physics& physics, OriginUIPtr* marker) {
  int32_t version = ReadRecordName(ar);
  ReadPhysicsBody(ar, physics, version, marker);
}

bool SetPhysicsOriginUI(ZVI_PtclSys_Physics& physics, OriginUIPtr& held, const OriginUIPtr& marker) {
  if (!marker) return false;
  ZVI_VGeom2D* derived = marker->DeriveFigure(physics.figure.value.get());
  if (!derived) return false;
  held = marker;
  SetPhysicsGeometry(physics, derived);
  return true;
}

float ParticleWorldZ(const Particle* p) {
  float z = 0.0f;
  // Bounded: a parent chain cannot loop, but a hostile depth should not hang.
  for (int depth = 0; p && depth < 4096; ++depth) {
    z += p->position.z;
    if (!(p->flags & ParticleFlags::ParentRelative) || !p->parent) break;
    p = p->parent.get();
  }
  return z;
}

bool ParticleDepthGreater(const ParticlePtr& a, const ParticlePtr& b) {
  return ParticleWorldZ(a.get()) > ParticleWorldZ(b.get());
}

// ---------------------------------------------------------------------------

void ZVI_PtclSysPhys_Points::Clear() {
  for (ParticlePtr& p : particles) {
    if (p) p->flags |= ParticleFlags::Dead;
  }
  particles.clear();
}

ParticleVector ZVI_PtclSysPhys_Points::Update(const ParticleVector*, float dt) {
  StepParticleVector(particles, dt);
  return {};
}

ParticleVector ZVI_PtclSysPhys_Points::Refresh() {
  for (const ParticlePtr& p : particles) {
    if (!p) continue;
    // Index walk: a transform may append transforms while it runs.
    for (size_t i = 0; i < p->transforms.size(); ++i) {
      TransformPtr t = p->transforms[i];
      if (!t) continue;
      t->Reset(p.get());
      t->Apply(0.0f, p.get());
    }
  }
  return {};
}

bool ZVI_PtclSysPhys_Points::SetOriginUI(const OriginUIPtr& marker) {
  return SetPhysicsOriginUI(*this, originMarker, marker);
}

void ZVI_PtclSysPhys_Points::AppendParticles(const ParticleVector& born) {
  particles.reserve(particles.size() + born.size());
  particles.insert(particles.end(), born.begin(), born.end());
}

void ZVI_PtclSysPhys_Points::ReadPointsRecord(DS_IOF_Archive& ar) {
  SkipRecordName(ar);
  ReadPhysicsRecord(ar, *this, &originMarker);
}

void ZVI_PtclSysPhys_Points::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadPhysicsRecord(ar, *this, &originMarker); }

// ---------------------------------------------------------------------------

void ZVI_PtclSysPhys_PntStripes::Clear() { stripes.clear(); }

bool ZVI_PtclSysPhys_PntStripes::SetOriginUI(const OriginUIPtr& marker) {
  return SetPhysicsOriginUI(*this, originMarker, marker);
}

void ZVI_PtclSysPhys_PntStripes::AppendStripe(const ParticlePtr& particle,
                                              const DS_SafePtr<ZVI_PtclSys_Physics>& points) {
  stripes.push_back(ParticleStripe{particle, points});
}

void ZVI_PtclSysPhys_PntStripes::ReadStripesRecord(DS_IOF_Archive& ar) {
  SkipRecordName(ar);
  ReadPhysicsRecord(ar, *this, &originMarker);
}
