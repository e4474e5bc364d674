#pragma once
// Flight through a field of stars or flakes: particles are born in a
// rectangle at the far depth 1 (or at 0 in reverse mode), travel through the
// depth range and are drawn scaled about a centre by the reciprocal of their
// depth; the whole batch turns slowly about the centre.
#include <cstdint>
#include <string_view>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "particles/imitters/imitters.h"
#include "particles/imitters/particle_system.h"

class ZVI_ThroughSpaceCtrl : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_ThroughSpaceCtrl();
  ZVI_ThroughSpaceCtrl(const ZVI_ThroughSpaceCtrl& other) = default;

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void UpdateParticles(float t) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_ThroughSpaceCtrl(*this); }
  // Newborns go to the front of Particles (to its end in reverse mode).
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_ThroughSpaceCtrl"; }

  void SetupParticle(ClassicParticle& p);
  bool ReadFields(DS_IOF_Archive& ar, int32_t version);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version) { return ReadFields(ar, version); }

  // The quad of one particle, projected about the centre: four vertices'
  // positions and mapped texture coordinates (the base ones in v on entry).
  void WriteQuad(const ClassicParticle& p, float aspect, DX_V::PCT* v) const;
  // The batch's turn about the centre at the current angle.
  D3DXMATRIX BatchMatrix() const;

  ZVI_RectImitter spawnArea;
  ZVI_EvenImitter counter;
  MediaSpeedParam rotationSpeed;
  MediaParamT<int32_t> rotationDirection{0};
  MediaParamT<D3DXVECTOR3> centre{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  bool reverse = false;
  MediaSpeedParam motionSpeed;
  float rotationAngle = 0.0f;  // degrees; not saved
};
