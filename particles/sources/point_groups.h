#pragma once
// Point groups: a fixed set of children per parent (plain, on a track, at
// random points, swarming, flowing, cycling for ever, on a grid of spots),
// and the root point.
#include <cstdint>

#include "core/graph_params.h"
#include "core/scaled_param.h"
#include "core/smart_points.h"
#include "core/time_params.h"
#include "particles/nodes/param_blocks.h"
#include "particles/sources/points.h"

class ZVI_PtclSysPhys_ConstPntGroup : public ZVI_PtclSysPhys_Points {
 public:
  // count children per parent, in parent order.
  ParticleVector Generate(const ParticleVector* parents) override;
  // Children die with their parent.
  void InitParticle(Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Name and version, then the record.
  void ReadGroupBase(DS_IOF_Archive& ar);

  MediaParamT<unsigned int> count{1u};
};

class ZVI_PtclSysPhys_Track : public ZVI_PtclSysPhys_ConstPntGroup {
 public:
  ZVI_PtclSysPhys_Track();
  // Follows the curve (nothing without a curve).
  void InitParticle(Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_SmartGeom<ZVI_VGeom2D_Curve> curve;
  FollowCurveParams path;
  FollowCurveWaits waits;
};

class ZVI_PtclSysPhys_TrackPerspective : public ZVI_PtclSysPhys_Track {
 public:
  void InitParticle(Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

class ZVI_PtclSysPhys_PntNest : public ZVI_PtclSysPhys_ConstPntGroup {
 public:
  ZVI_PtclSysPhys_PntNest();
  // A random point of the figure (unplaced without one).
  void InitParticle(Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void ReadNestBase(DS_IOF_Archive& ar);
};

class ZVI_PtclSysPhys_Swarm : public ZVI_PtclSysPhys_PntNest {
 public:
  void InitParticle(Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  SwarmParams swarm;
};

class ZVI_PtclSysPhys_Flow : public ZVI_PtclSysPhys_PntNest {
 public:
  void InitParticle(Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  FlowParams flow;
};

class ZVI_PtclSysPhys_LifeEndless : public ZVI_PtclSysPhys_Points {
 public:
  ZVI_PtclSysPhys_LifeEndless();
  // Dies with its parent; its age cycles over the lifetime.
  void InitParticle(Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void ReadEndlessBase(DS_IOF_Archive& ar);

  JitterGraphParam lifetime;
};

class ZVI_PtclSysPhys_FixedSpots : public ZVI_PtclSysPhys_LifeEndless {
 public:
  // rows x columns spots per parent at the cell centres of the figure.
  ParticleVector Generate(const ParticleVector* parents) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> rows{3u};
  MediaParamT<unsigned int> columns{3u};
  // Exactly 1: the spots loop over the figure.
  MediaParamT<int32_t> loop{0};
  LoopMotionParams loopBlock;
};

class ZVI_PtclSysPhys_RootPnt : public ZVI_PtclSysPhys_Points, public ZVI_PtclSys_RootPoint {
 public:
  explicit ZVI_PtclSysPhys_RootPnt(const D3DXVECTOR3& at = D3DXVECTOR3(0, 0, 0));
  ZVI_PtclSysPhys_RootPnt(float x, float y, float z) : ZVI_PtclSysPhys_RootPnt(D3DXVECTOR3(x, y, z)) {}

  // Places the root at position + offset and steps it; never removes it.
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  Particle* RootParticle() override { return particles.empty() ? nullptr : particles.front().get(); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  RootOrientationParams orientation;
  ChronoWrap<UINTSclaleTo<float>> scale;
  ChronoWrap<ZVI_SmartAlpha> transparency;
};

void RegisterPointGroupReaders();
