#pragma once
// The geometries of the tree nodes: the shared record, the emitter schedule
// and the scatter emitters.
#include <cstdint>

#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/smart_values.h"
#include "geometry/emitter_figures.h"
#include "geometry/paths.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/physics.h"

class DS_IOF_Archive;

// The ZVI_PtclSys_Geometry record: class name and version (ignored), name,
// position, oscillations, jitters, envelopes, offset oscillations, spin.
void ReadGeometryRecord(DS_IOF_Archive& ar, ZVI_PtclSys_Geometry& geometry);
// The group's factor at age fraction t (the fade-in test first).
float EnvelopeFactor(const ScaledParamGroup& group, float t);
// A figure record through the figure registry; an unknown class name is a
// damaged file (DS_Error), since its fields could not be skipped.
DS_SafePtr<ZVI_VFigure> ReadFigureByName(DS_IOF_Archive& ar);

// What every emitter shares: the release schedule, lifetime, launch speed,
// figure and whether new particles follow their parent.
class ZVI_PSGeometry_Emitter : public ZVI_PtclSys_Geometry {
 public:
  ZVI_PSGeometry_Emitter();

  // Releases in a step of dt starting when the parent has lived t seconds.
  int32_t EmitCount(float dt, float t) const;
  // EmitCount new particles under the parent, placed and initialised; they
  // are not yet held.
  ParticleVector SpawnParticles(float dt, const ParticlePtr& parent);
  // (s (1 - j) + j) V with s drawn now.
  float LaunchSpeed() const;
  // The size and alpha envelope factors at the parent's age, fixed now.
  void AddEnvelopes(Particle* p, const Particle& parent);
  // Appends the finished particles to the held list.
  void Hold(const ParticleVector& made);
  // This class's name and version, then its fields and the base record.
  void ReadEmitterRecord(DS_IOF_Archive& ar);

  MediaParamTB<float> lifetime{2.0f};
  MediaParamT<unsigned int> count{5u};
  MediaParamTB<float> duration{1.0f};
  MediaParamTB<float> pause{0.0f};
  MediaParamTB<float> delay{0.0f};
  ZVI_JitterParam speed;
  MediaParamT<int32_t> parentRelative{0};
  ZVI_CustomFigure figure;
};

class ZVI_PSGeomEmit_Point : public ZVI_PSGeometry_Emitter {
 public:
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<int32_t> spatial{0};
  StandardForcesParams forces;
  MediaParamT<int32_t> inward{0};
};

class ZVI_PSGeomEmit_Sector : public ZVI_PSGeometry_Emitter {
 public:
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaSector direction;
  StandardForcesParams forces;
};

class ZVI_PSGeomEmit_Rect : public ZVI_PSGeometry_Emitter {
 public:
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaSector direction;
  StandardForcesParams forces;
  MediaParamT<int32_t> edgeMode{0};
};

class ZVI_PSGeomEmit_Circular : public ZVI_PSGeometry_Emitter {
 public:
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<int32_t> sense{0};
  ZVI_JitterParam radialSpeed;
  MediaParamT<int32_t> radialInward{0};
};

// Particles on a tilted plane seen in perspective; (u, v) kept in the
// velocity, the held list sorted by v after each emission.
class ZVI_PSGeomEmit_Field : public ZVI_PSGeometry_Emitter, public PtclFieldPlane {
 public:
  ZVI_PSGeomEmit_Field();
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  uint32_t FieldDepth() const override { return depth.value; }
  uint32_t FieldWidth() const override { return width.value; }
  float TiltCosine() const override { return tilt.derived; }
  D3DXVECTOR3 FieldOrigin() const override { return position.value; }

  MediaParamT<unsigned int> width{0u};
  MediaParamT<unsigned int> depth{0u};
  UINTSclaleTo<float> tilt;
};

// Particles released along a segment, fanning between two edge directions.
class ZVI_PSGeomEmit_Stream : public ZVI_PSGeometry_Emitter, public PtclStreamAxis {
 public:
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  bool PerspectiveOn() const override { return perspective.value != 0; }
  D3DXVECTOR3 AxisStart() const override { return start.value; }
  D3DXVECTOR3 AxisEnd() const override { return end.value; }
  D3DXVECTOR3 StreamOrigin() const override { return position.value; }
  D3DXVECTOR3 SideA() const override;
  D3DXVECTOR3 SideB() const override;
  float SpeedValue() const override { return speed.derived; }
  float SpeedJitterFactor() const override { return speed.jitter.derived; }

  MediaParamT<D3DXVECTOR3> start{D3DXVECTOR3(0, 0, 0)};
  MediaParamT<D3DXVECTOR3> end{D3DXVECTOR3(0, 0, 0)};
  MediaDirection firstEdge;
  MediaDirection secondEdge;
  MediaParamT<int32_t> perspective{0};
};

// The path of the line and path emitters, sampled 30 times a segment.
class ZVI_PSGeometry_Line : public ZVI_PSGeometry_Emitter {
 public:
  ZVI_PSGeometry_Line() { path.samples_per_segment = 30; }
  // Control points, then the path sampled again.
  void ReadPathPoints(DS_IOF_Archive& ar);
  // This class's name and version, the points, then the emitter record.
  void ReadLineRecord(DS_IOF_Archive& ar);

  SplinePath path;
};

// Particles travelling the path at the emitter's speed, dying at its end.
class ZVI_PSGeomEmit_Line : public ZVI_PSGeometry_Line {
 public:
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// Particles launched from random points of the path.
class ZVI_PSGeomEmit_Path : public ZVI_PSGeomEmit_Line {
 public:
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<int32_t> mode{0};
  MediaSector direction;
};

void RegisterEmitterGeometryReaders();
