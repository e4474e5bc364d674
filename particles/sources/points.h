#pragma once
// The point family of physics: a flat list of particles stepped every frame,
// and the stripe family that keeps a point container per particle. Also the
// base record every physics ends with.
#include <cstddef>
#include <cstdint>

#include "core/safe_ptr.h"
#include "geometry/figures.h"
#include "particles/nodes/particle.h"
#include "particles/nodes/physics.h"

class DS_IOF_Archive;

// No physics holds more particles than this; what a file asks beyond it is
// dropped.
inline constexpr size_t kMaxPhysicsParticles = size_t{1} << 20;

// An authoring tool's origin marker: offers a figure derived from the
// current one. The player never makes one.
class ZVI_PtclSys_OriginUI {
 public:
  virtual ~ZVI_PtclSys_OriginUI() = default;
  // A new figure (the caller takes it) or null.
  virtual ZVI_VGeom2D* DeriveFigure(ZVI_VGeom2D* current) = 0;
};
using OriginUIPtr = DS_SafePtr<ZVI_PtclSys_OriginUI>;

// Installs a newly made figure (taken over); the figure already held
// changes nothing and notifies nobody.
void SetPhysicsGeometry(ZVI_PtclSys_Physics& physics, ZVI_VGeom2D* figure);
// The same with a counted figure (a figure record just read).
void SetPhysicsGeometry(ZVI_PtclSys_Physics& physics, const DS_SafePtr<ZVI_VGeom2D>& figure);
// The base record after the name and version: from version 2 the marker's
// name, from version 3 a flag and, when set, a figure record.
void ReadPhysicsBody(DS_IOF_Archive& ar, ZVI_PtclSys_Physics& physics, int32_t version, OriginUIPtr* marker);
// The base record with its name and version.
void ReadPhysicsRecord(DS_IOF_Archive& ar, ZVI_PtclSys_Physics& physics, OriginUIPtr* marker);
// Asks the marker for a figure derived from the current one; on success it
// becomes the marker and the figure.
bool SetPhysicsOriginUI(ZVI_PtclSys_Physics& physics, OriginUIPtr& held, const OriginUIPtr& marker);

// Back-to-front order of node particles: a's world z above b's.
bool ParticleDepthGreater(const ParticlePtr& a, const ParticlePtr& b);
// A particle's own z plus, when parent-relative, its parents' world z.
float ParticleWorldZ(const Particle* p);

// A physics keeping a flat list of particles in creation order.
class ZVI_PtclSysPhys_Points : public ZVI_PtclSys_Physics {
 public:
  ZVI_PtclSysPhys_Points() = default;
  ZVI_PtclSysPhys_Points(const ZVI_PtclSysPhys_Points&) = delete;
  ZVI_PtclSysPhys_Points& operator=(const ZVI_PtclSysPhys_Points&) = delete;

  // Marks every particle dead, then empties the list.
  void Clear() override;
  // Steps every particle and drops the dead; makes none.
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  // Reset and Apply(0) of every transform of every particle.
  ParticleVector Refresh() override;
  virtual bool SetOriginUI(const OriginUIPtr& marker);
  // Prepares a particle this physics has just made.
  virtual void InitParticle(Particle* particle) {}

  void SetGeometry(ZVI_VGeom2D* figure) { SetPhysicsGeometry(*this, figure); }
  void AppendParticles(const ParticleVector& born);
  // How many more particles fit under the cap.
  size_t Room() const { return particles.size() >= kMaxPhysicsParticles ? 0 : kMaxPhysicsParticles - particles.size(); }
  // The record tail of every point physics: this class's name and version
  // (ignored), then the base record.
  void ReadPointsRecord(DS_IOF_Archive& ar);
  // As a plain container: its name and version already read.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  OriginUIPtr originMarker;
};

// A physics keeping, per particle, a private container of points.
class ZVI_PtclSysPhys_PntStripes : public ZVI_PtclSys_Physics {
 public:
  // Releases both halves of every pair; the particles are not flagged.
  void Clear() override;
  virtual bool SetOriginUI(const OriginUIPtr& marker);
  void AppendStripe(const ParticlePtr& particle, const DS_SafePtr<ZVI_PtclSys_Physics>& points);
  void ReadStripesRecord(DS_IOF_Archive& ar);

  std::vector<ParticleStripe> stripes;
  OriginUIPtr originMarker;
};
