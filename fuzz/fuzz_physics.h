#pragma once
// Stand-in physics for the fuzz targets, registered under names of their own
// so that node-tree records reach every node reader and the tree runs: a
// root point (three floats) and a point group (a per-parent count, capped).
#include <algorithm>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "particles/nodes/physics.h"

namespace fuzz {

class FuzzPointPhysics : public ZVI_PtclSys_Physics {
 public:
  void Clear() override {
    for (auto& p : particles) {
      if (p) p->flags |= ParticleFlags::Dead;
    }
    particles.clear();
  }
  ParticleVector Generate(const ParticleVector* sources) override {
    ParticleVector made;
    if (!sources) return made;
    for (const ParticlePtr& parent : *sources) {
      for (int32_t k = 0; k < perParent && particles.size() < 4096; ++k) {
        ParticlePtr child(new Particle(parent));
        child->flags |= ParticleFlags::DiesWithParent | ParticleFlags::ParentRelative;
        child->position = D3DXVECTOR3(static_cast<float>(k), 0, 0);
        particles.push_back(child);
        made.push_back(child);
      }
    }
    return made;
  }
  ParticleVector Update(const ParticleVector*, float dt) override {
    StepParticleVector(particles, dt);
    return {};
  }
  void ReadRecord(DS_IOF_Archive& ar, int32_t) {
    ar.ReadInt(&perParent);
    perParent = std::clamp(perParent, 0, 16);
  }
  int32_t perParent = 1;
};

class FuzzRootPoint : public FuzzPointPhysics, public ZVI_PtclSys_RootPoint {
 public:
  FuzzRootPoint() { particles.push_back(ParticlePtr(new Particle())); }
  Particle* RootParticle() override { return particles.empty() ? nullptr : particles.front().get(); }
  ParticleVector Update(const ParticleVector*, float dt) override {
    if (Particle* root = RootParticle()) {
      root->position = position.value + offset;
      StepParticle(root, dt);
    }
    return {};
  }
  void ReadRecord(DS_IOF_Archive& ar, int32_t) {
    D3DXVECTOR3 at;
    ar.ReadFloat(&at.x);
    ar.ReadFloat(&at.y);
    ar.ReadFloat(&at.z);
    position.value = at;
  }
};

inline void RegisterFuzzPhysics() {
  RegisterReader<FuzzPointPhysics, ZVI_IOF_Item>(u"FuzzPointPhysics");
  RegisterReader<FuzzRootPoint, ZVI_IOF_Item>(u"FuzzRootPoint");
}

}  // namespace fuzz
