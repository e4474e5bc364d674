#pragma once
// Streams, which flow across a quadrilateral from one edge to the matching
// point of the opposite edge, and the vortex, which throws particles out of
// a centre in turning arms while each swirls about the centre.
#include <cstdint>
#include <string_view>

#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "particles/imitters/imitters.h"
#include "particles/imitters/particle_system.h"

class DS_StreamPtclSys : public ZVI_ParticleSystemCtrl {
 public:
  DS_StreamPtclSys();
  DS_StreamPtclSys(const DS_StreamPtclSys& other) = default;

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_StreamPtclSys(*this); }
  // Places, sets up and steps the newborns itself; returns an empty list.
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"DS_StreamPtclSys"; }

  bool ReadFields(DS_IOF_Archive& ar, int32_t v);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadFields(ar, v); }

  ZVI_EvenImitter counter;
  MediaQuad edges;
  TimeParam life;
  ZVI_JitterParam speedJitter;
  UINTSclaleTo<float> deviation;
};

class DS_PtclSmoke2 : public DS_StreamPtclSys {
 public:
  DS_PtclSmoke2() = default;
  DS_PtclSmoke2(const DS_PtclSmoke2& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_PtclSmoke2(*this); }
  std::u16string_view ClassName() const override { return u"DS_PtclSmoke2"; }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v);

  MediaParamT<unsigned int> kept1{0u};
  MediaParamT<unsigned int> kept2{0u};
  int32_t kept3 = 0;
};

class ZVI_VortexPtclSys : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_VortexPtclSys();
  ZVI_VortexPtclSys(const ZVI_VortexPtclSys& other);

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_VortexPtclSys(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_VortexPtclSys"; }

  void SetupParticle(const ClassicParticlePtr& p);
  bool ReadFields(DS_IOF_Archive& ar, int32_t v);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadFields(ar, v); }

  // The clock of RotationSpeed keeps the last turn, the accumulated turn in
  // degrees and the last dt.
  float RotationAngle() const { return rotationSpeed.elapsed; }

  ZVI_PointImitter source;
  ZVI_EvenImitter counter;
  UINTSclaleTo<float> speed;
  UINTSclaleTo<float> twist;
  MediaParamT<int32_t> reverse{0};
  MediaSector direction;
  MediaParamT<unsigned int> arms{0u};
  MediaSpeedParam rotationSpeed;
  MediaParamT<int32_t> rotationReverse{0};
  MediaParamT<unsigned int> range{0u};
};

// Outward at the system's speed plus a swirl growing with the distance from
// its centre; reads the system's parameters live.
class IPR_VortexVel : public InnerParticleRoutine {
 public:
  IPR_VortexVel(const MediaParamT<D3DXVECTOR3>* centre, const UINTSclaleTo<float>* speedParam,
                const UINTSclaleTo<float>* twistParam, const MediaParamT<int32_t>* reverseParam)
      : source(centre), speed(speedParam), twist(twistParam), reverse(reverseParam) {}
  bool Apply(float dt, ClassicParticle& p) override;

  const MediaParamT<D3DXVECTOR3>* source;
  const UINTSclaleTo<float>* speed;
  const UINTSclaleTo<float>* twist;
  const MediaParamT<int32_t>* reverse;
};
