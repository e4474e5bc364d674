#pragma once
// Geometries that give every parent particle its own children (point,
// swarm, group) and the trace that follows its parents.
#include <cstdint>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "geometry/emitter_figures.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/physics.h"

class DS_IOF_Archive;

// One child on each parent, with the parent's age and heading.
class ZVI_PSGeometry_Point : public ZVI_PtclSys_Geometry {
 public:
  ParticleVector Place(ParticlePtr parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// One chain of points about 10 units apart behind the parents.
class ZVI_PSGeometry_Trace : public ZVI_PtclSys_Geometry {
 public:
  ParticleVector Emit(float dt, const ParticlePtr& parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// Children wandering inside a box around the geometry's position.
class ZVI_PSGeometry_Swarm : public ZVI_PtclSys_Geometry, public PtclSwarmBox {
 public:
  ZVI_PSGeometry_Swarm();
  ParticleVector Place(ParticlePtr parent) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  D3DXVECTOR3 SwarmCentre() const override { return position.value; }
  uint32_t SwarmWidth() const override { return width.value; }
  uint32_t SwarmHeight() const override { return height.value; }
  float TurnRate() const override { return changeRate.derived; }
  float SteeringTime() const override { return responseTime.derived; }
  float SpeedFactor() const override { return speed.derived; }

  MediaParamT<unsigned int> count{0u};
  UINTSclaleTo<float> speed;
  UINTSclaleTo<float> changeRate;
  UINTSclaleTo<float> responseTime;
  MediaParamT<unsigned int> width{0u};
  MediaParamT<unsigned int> height{0u};
};

// The figure of the group.
class ZVI_PtclSys_Source : public ZVI_PtclSys_Geometry {
 public:
  ZVI_PtclSys_Source();
  // This class's name and version, the figure, then the base record.
  void ReadSourceRecord(DS_IOF_Archive& ar);

  ZVI_CustomFigure figure;
};

// A rows x columns grid of children whose oscillations step in phase.
class ZVI_PSSource_Group : public ZVI_PtclSys_Source {
 public:
  ZVI_PSSource_Group();
  ParticleVector Place(ParticlePtr parent) override;
  // The base set-up, with the current phase for the four oscillators.
  void InitParticle(Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> rows{0u};
  MediaParamT<unsigned int> columns{0u};
  MediaParamT<int32_t> placement{0};
  UINTSclaleTo<float> rowStep;
  UINTSclaleTo<float> columnStep;
  float currentPhase = 0.0f;
};

void RegisterPlacementGeometryReaders();
