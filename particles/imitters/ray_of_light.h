#pragma once
// A fan of soft light rays across a quadrilateral. Each particle is one ray
// in place space: x is the place across the quad (0..1), factor 1 the width,
// factor 2 the intensity, velocity x the sideways drift.
#include <cstdint>

#include "core/jitter_params.h"
#include "core/smart_values.h"
#include "particles/imitters/particle_system.h"

class DS_RayOfLight : public ZVI_ParticleSystemCtrl {
 public:
  // Three quads per ray must fit one batch.
  static constexpr uint32_t kMaxRays = 16384 / 3;

  DS_RayOfLight();
  DS_RayOfLight(const DS_RayOfLight& other) = default;

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void UpdateParticles(float t) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_RayOfLight(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"DS_RayOfLight"; }

  bool ReadFields(DS_IOF_Archive& ar, int32_t version);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version) { return ReadFields(ar, version); }

  // RayCount capped at kMaxRays.
  uint32_t Rays() const;
  // The three quads of one ray (middle band, A end, B end) for image extents
  // u and v.
  void WriteRay(const ClassicParticle& ray, float u, float v, DX_V::PCT* quads) const;

  MediaQuad edges;
  MediaParamT<unsigned int> rayCount{0u};
  ZVI_JitterParam rayLife, rayWidth, drift;
  UINTSclaleTo<float> endWidth, fadeIn, fadeOut, edgeFade;
  MediaParamT<int> kept{0};
};
