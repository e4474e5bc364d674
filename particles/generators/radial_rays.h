#pragma once
// Radial rays: a fan of textured rays around the origin, evenly spaced or
// with lengths and spacing from a fixed seed, turning, turning backwards or
// swinging, fading with the timeline, composited through the target.
#include <cstdint>
#include <string_view>

#include "particles/generators/static_generators.h"
#include "platform/d3dx9/d3dx9_math.h"

class DS_RadialRays : public DS_StaticGenerator {
 public:
  DS_RadialRays();
  DS_RadialRays(const DS_RadialRays& other) = default;

  // The ray fields, then the static generator's record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  // Rebuilds the rays for this frame's rotation and visibility, then draws
  // them with the image at the image index (nothing when there is none).
  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_RadialRays(*this); }
  std::u16string_view ClassName() const override { return u"DS_RadialRays"; }

  // The ray quads of layer 0. With random rays the shared random sequence is
  // seeded with the seed and afterwards with a number drawn from it before.
  void BuildRays(DS_ParticlesObj* object);

  MediaParamT<unsigned int> rayLength{0u};
  MediaParamT<unsigned int> rayWidth{0u};
  MediaParamT<unsigned int> rayCount{0u};
  MediaParamT<int> imageIndex{0};
  MediaParamT<int> randomRays{0};
  MediaParamT<unsigned int> seed{0u};
  UINTSclaleTo<float> lengthVariation;
  MediaSpeedParam turnSpeed;
  MediaParamT<int> turnMode{0};
  UINTSclaleTo<float> fadeDepth;
  UINTSclaleTo<float> swingAmplitude;
  D3DXMATRIX rotation;
};
