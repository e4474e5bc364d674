// Reads one sub-object record of the particle sources (physics or motion
// law) from arbitrary bytes and plays it: a physics makes its particles
// under one parent and runs 30 frames; a law launches a particle from a
// square; a geometry places and emits for one parent over 30 frames. Every input must end in an object or the reader's own error.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "geometry/figures.h"
#include "particles/nodes/physics.h"
#include "particles/sources/motion_laws.h"
#include "particles/nodes/particle.h"
#include "player/app/register_all.h"

namespace {

// Files may ask for a million particles; the harness looks for faults, not
// for the time such a system takes, so it stops stepping a crowd.
constexpr size_t kSteppedParticles = 20000;

void Play(ZVI_PtclSys_Physics& physics) {
  ParticleVector parents{ParticlePtr(new Particle())};
  physics.Generate(&parents);
  for (int frame = 0; frame < 30 && physics.particles.size() <= kSteppedParticles; ++frame) {
    physics.Update(&parents, 1.0f / 30.0f);
    if (frame == 20) parents[0]->flags |= ParticleFlags::Dead;
  }
  physics.Refresh();
  physics.IsAlive();
  AnimatedParamList params;
  physics.CollectParams(params, nullptr);
  physics.Clear();
}

void Launch(ZVI_PtclSys_MotionLaw& law) {
  FigurePtr square = CreateVGeom2DByName("ZVI_VGeom2D_Rect");
  for (const FigurePtr& figure : {square, FigurePtr()}) {
    law.SetFigure(figure);
    ParticlePtr parent(new Particle());
    ParticlePtr p(new Particle(parent));
    law.InitParticle(p.get(), figure);
    for (int frame = 0; frame < 30; ++frame) StepParticle(p.get(), 1.0f / 30.0f);
  }
}

void Grow(ZVI_PtclSys_Geometry& geometry) {
  ParticlePtr parent(new Particle());
  geometry.Place(parent);
  for (int frame = 0; frame < 30 && geometry.held.size() <= kSteppedParticles; ++frame) {
    geometry.Emit(1.0f / 30.0f, parent);
    StepParticleVector(geometry.held, 1.0f / 30.0f);
    StepParticle(parent.get(), 1.0f / 30.0f);
  }
  geometry.ClearHeld();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RegisterEverything();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    MemoryArchive ar(data, size, true);
    std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
    if (auto* physics = dynamic_cast<ZVI_PtclSys_Physics*>(item.get())) Play(*physics);
    if (auto* law = dynamic_cast<ZVI_PtclSys_MotionLaw*>(item.get())) Launch(*law);
    if (auto* geometry = dynamic_cast<ZVI_PtclSys_Geometry*>(item.get())) Grow(*geometry);
  } catch (const DS_Error&) {
  }
  return 0;
}
