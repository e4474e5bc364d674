#pragma once
// Systems of exactly one textured quad (the scene objects' base) and the
// emission of systems that make no particles of their own.
#include "core/smart_values.h"
#include "particles/imitters/particle_system.h"

// Makes out a new empty list: nothing is born.
ClassicParticleList& EmptyParticleList(ClassicParticleList& out, float dt);

class ZVI_SingleParticle : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_SingleParticle() = default;
  ZVI_SingleParticle(const ZVI_SingleParticle& other) = default;

  // One batch of one quad matching the corners.
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  // Quad 0 of batch 0 moved to the corners (c1, c0, c3, c2) with fresh
  // texture coordinates; colours untouched. No batch: nothing happens.
  virtual void UpdateQuad();

  MediaQuad quad;

 private:
  void RewriteQuad();
};
