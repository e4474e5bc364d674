#pragma once
// Generators whose particles are born inside a rectangle of the scene, and
// the falling stars: shooting stars that fade in, drift, spin, trail emitted
// particles and are drawn with a glow through two targets.
#include <cstdint>
#include <string_view>

#include "core/smart_values.h"
#include "core/time_params.h"
#include "particles/generators/particle_generator.h"

class DS_ParticleRctRgnGenerator : public DS_TexParticleGenerator {
 public:
  DS_ParticleRctRgnGenerator() = default;
  DS_ParticleRctRgnGenerator(const DS_ParticleRctRgnGenerator& other) = default;

  // The region is the one the record stored.
  void AttachRenderObject(DS_ParticlesObj* object) override { DS_TexParticleGenerator::AttachRenderObject(object); }
  // The part after the class name and version: the region, then the texture
  // generator's record with its class name and version.
  void ReadRegionPart(DS_IOF_Archive& ar);
  // The whole record with its own class name and version.
  void ReadRegionRecord(DS_IOF_Archive& ar);

  MediaQuad region;
};

class DS_FallingStars : public DS_ParticleRctRgnGenerator {
 public:
  DS_FallingStars();
  DS_FallingStars(const DS_FallingStars& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  int32_t NeedsBackground() override { return 1; }
  DS_ParticleGenerator* Clone() const override { return new DS_FallingStars(*this); }
  std::u16string_view ClassName() const override { return u"DS_FallingStars"; }

  // New stars for the clock's count since the last one.
  void SpawnStars();
  // The four layers: stars, trails, star glows, trail glows.
  void FillLayers(DS_ParticlesObj* object);

  UINTSclaleTo<float> fallSpeed;
  PerSecondCounterRnd starRate;
  MediaDirection direction;
  MediaParamT<unsigned int> starSize{0u};
  UINTSclaleTo<float> glowFactor;
  TimeParam holdTime;
  TimeParam fadeInTime;
  TimeParam fadeOutTime;
};

// The two-target glow pass of falling stars and fireworks: layers drawn with
// "BlendMask_Max" into two targets, then "Main" over the scene. Without an
// effect or targets the layers are drawn straight (glows first).
struct GlowPass {
  struct Layer {
    size_t layer;
    IDirect3DTexture9* texture;
  };
  // Layers into the first target, then into the second (the glow target).
  static void Draw(DS_TexParticleGenerator& g, DS_ABRender* context, DS_ParticlesObj* object,
                   std::initializer_list<Layer> first, std::initializer_list<Layer> glow);
};
