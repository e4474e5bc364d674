#pragma once
// Motion laws: where a newborn particle starts on a figure and how it moves.
// Called once per particle by the figure source and the motion-law effect
// (which passes no figure).
#include <cstdint>

#include "core/graph_params.h"
#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "geometry/figures.h"
#include "particles/nodes/param_blocks.h"
#include "particles/nodes/particle.h"

class DS_IOF_Archive;
using FigurePtr = DS_SafePtr<ZVI_VGeom2D>;

// value x (j + r (1 - j)) x graph(0).
float SpeedFactor(const JitterGraphParam& speed, float r);

class ZVI_PtclSys_MotionLaw : public ZVI_IOF_Item {
 public:
  virtual bool SetFigure(const FigurePtr& figure) { return true; }
  virtual FigurePtr GetFigure() { return FigurePtr(); }
  // Places and launches a newborn particle (figure may hold none).
  virtual void InitParticle(Particle* particle, const FigurePtr& figure);
  // Whether the figure source keeps its node alive.
  virtual bool KeepsAlive() { return false; }
  // This class's record after its name and version.
  void ReadLawRecord(DS_IOF_Archive& ar, int32_t version);
  // The record with its name and version.
  void ReadLawBase(DS_IOF_Archive& ar);

  // Non-zero: the particle is cut loose from its parent.
  MediaParamT<int32_t> detach{0};

 protected:
  // A random point of the figure (dead when there is none), then the
  // detach.
  void PlaceCommon(Particle* particle, ZVI_VGeom2D* figure);
};

class ZVI_PtclSysMLaw_Kinematic : public ZVI_PtclSys_MotionLaw {
 public:
  ZVI_PtclSysMLaw_Kinematic();
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The record with its name and version.
  void ReadKinematicBase(DS_IOF_Archive& ar);

  JitterGraphParam speed;
};

class ZVI_PtclSysMLaw_Vector : public ZVI_PtclSysMLaw_Kinematic {
 public:
  void InitParticle(Particle* particle, const FigurePtr& figure) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void ReadVectorBase(DS_IOF_Archive& ar);

  ZVI_Angle direction;
  ZVI_Angle spread;
};

class ZVI_PtclSysMLaw_Normal : public ZVI_PtclSysMLaw_Vector {
 public:
  void InitParticle(Particle* particle, const FigurePtr& figure) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

class ZVI_PtclSysMLaw_VelocityField : public ZVI_PtclSysMLaw_Kinematic {
 public:
  void InitParticle(Particle* particle, const FigurePtr& figure) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  VelocityFieldParams field;
};

class ZVI_PtclSysMLaw_Loop : public ZVI_PtclSys_MotionLaw {
 public:
  void InitParticle(Particle* particle, const FigurePtr& figure) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  LoopMotionParams loop;
  // 1 detaches, 2 attaches the loop transform, else the particle stays.
  MediaParamT<int32_t> followMode{2};
};

// Laws about a centre: the figure's centre plus an offset (the origin plus
// the offset without a figure).
class ZVI_PtclSysMLaw_Centred : public ZVI_PtclSys_MotionLaw {
 public:
  ZVI_PtclSysMLaw_Centred();
  bool SetFigure(const FigurePtr& figure) override {
    storedFigure = figure;
    return true;
  }
  FigurePtr GetFigure() override { return storedFigure; }
  void ReadCentredBase(DS_IOF_Archive& ar);
  D3DXVECTOR3 Centre(ZVI_VGeom2D* figure) const;

  JitterGraphParam speed;
  MediaParamT<D3DXVECTOR3> centreOffset{D3DXVECTOR3(0, 0, 0)};
  FigurePtr storedFigure;
};

class ZVI_PtclSysMLaw_Radial : public ZVI_PtclSysMLaw_Centred {
 public:
  void InitParticle(Particle* particle, const FigurePtr& figure) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // 1 inwards, 2 a sign drawn per particle, else outwards.
  MediaParamT<int32_t> signMode{0};
};

class ZVI_PtclSysMLaw_Spiral : public ZVI_PtclSysMLaw_Centred {
 public:
  void InitParticle(Particle* particle, const FigurePtr& figure) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  SpiralMotionParams spiral;
};

// What the tunnel's per-particle transform reads; shared with every
// transform so a particle never outlives it.
struct TunnelLawData {
  TunnelLawData();
  JitterGraphParam speed;
  MediaParamT<D3DXVECTOR3> centreOffset{D3DXVECTOR3(0, 0, 0)};
  FigurePtr figure;
  UINTSclaleTo<float> depth;
  UINTSclaleTo<float> focal;
  MediaParamT<int32_t> rotationMode{0};
  MediaParamT<int32_t> inward{0};
};

// Turns about the centre and pulls the drawn particle towards it with depth.
class ZVI_PtclSysMLCentred_Tunel : public ZVI_PtclSys_MotionLaw {
 public:
  class Transform : public ZVI_PtclTransform {
   public:
    Transform(DS_SafePtr<TunnelLawData> law_data, float random_sign) : law(std::move(law_data)), sign(random_sign) {}
    bool Apply(float dt, Particle* p) override;
    DS_SafePtr<TunnelLawData> law;
    float sign;
  };

  ZVI_PtclSysMLCentred_Tunel();
  bool SetFigure(const FigurePtr& figure) override {
    data->figure = figure;
    return true;
  }
  FigurePtr GetFigure() override { return data->figure; }
  void InitParticle(Particle* particle, const FigurePtr& figure) override;
  bool KeepsAlive() override { return true; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // The Centred part and the law's own values.
  DS_SafePtr<TunnelLawData> data;
};

void RegisterMotionLawReaders();
