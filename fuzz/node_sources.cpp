// Reads one sub-object record of the particle sources (physics, motion law,
// geometry or particle effect) from arbitrary bytes and plays it: a physics
// makes its particles under one parent (a trail follows it, a text physics
// may get a timing that walks through every timeline state) and runs 30
// frames; a law launches a
// particle from a square; a geometry places and emits for one parent over 30
// frames; an effect is cloned onto a particle under a parent (with a square
// as the source) and stepped 30 frames, and is also hung on a particle
// directly. Every input must end in an object or the reader's own error.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "geometry/figures.h"
#include "particles/nodes/effects.h"
#include "particles/nodes/physics.h"
#include "particles/sources/emitter_geometry.h"
#include "particles/sources/exploding_picture.h"
#include "particles/sources/motion_laws.h"
#include "particles/sources/placement_geometry.h"
#include "particles/sources/point_groups.h"
#include "particles/sources/source_physics.h"
#include "particles/sources/stripe_physics.h"
#include "particles/sources/text_physics.h"
#include "particles/nodes/particle.h"
#include "player/app/register_all.h"
#include "player/scene_object.h"

namespace {

// The harness looks for faults, not for the time a crowd takes: it stops
// stepping one.
constexpr size_t kSteppedParticles = 20000;

// Counts a file may set up to the physics' cap of 2^20 are trimmed first:
// making and freeing a million particles is slow, not wrong.
void TrimCounts(ZVI_PtclSys_Physics& physics) {
  constexpr unsigned kCount = 64;
  if (auto* group = dynamic_cast<ZVI_PtclSysPhys_ConstPntGroup*>(&physics)) {
    if (group->count.value > kCount) group->count = kCount;
  }
  if (auto* spots = dynamic_cast<ZVI_PtclSysPhys_FixedSpots*>(&physics)) {
    if (spots->rows.value > kCount) spots->rows = kCount;
    if (spots->columns.value > kCount) spots->columns = kCount;
  }
  if (auto* lattice = dynamic_cast<ZVI_PtclSysPhys_Lattice*>(&physics)) {
    if (lattice->rows.value > 16u) lattice->rows = 16u;
    if (lattice->columns.value > 16u) lattice->columns = 16u;
  }
  if (auto* source = dynamic_cast<ZVI_PtclSysPhys_Source*>(&physics)) {
    if (!(source->Rate() <= 100.0f)) source->count.driven = 100.0f * source->cycle.duration.value;
  }
  if (auto* pic = dynamic_cast<ZVI_PtclSysPhys_ExplodingPic*>(&physics)) {
    if (pic->fragments.value > kCount) pic->fragments = kCount;
  }
  // Curves of tens of thousands of points are slow to step, not wrong.
  if (auto* line = dynamic_cast<ZVI_PtclSysPhys_LineCurv*>(&physics)) {
    if (line->segments.value > 1024u) line->segments = 1024u;
  }
  if (auto* fractal = dynamic_cast<ZVI_PtclSysPhys_FractalCurv*>(&physics)) {
    if (fractal->levels.value > 8u) fractal->levels = 8u;
  }
  if (auto* random = dynamic_cast<ZVI_PtclSysPhys_RandomCurv*>(&physics)) {
    if (random->segments.value > 1024u) random->segments = 1024u;
  }
  if (auto* perlin = dynamic_cast<ZVI_PtclSysPhys_PerlinCurv*>(&physics)) {
    if (perlin->octaves.value > 6u) perlin->octaves = 6u;
    if (perlin->multiplier.value > 8u) perlin->multiplier = 8u;
    if (perlin->subdivisions.value > 16u) perlin->subdivisions = 16u;
  }
}

// A timing that is not continuous, so text glyphs get their appearance
// transforms, walking through every timeline state.
class FuzzTiming {
 public:
  FuzzTiming() : timeline(new ZVI_Timing()) { timing.value = 1; }
  void Attach(ZVI_PtclSys_Physics& physics) {
    physics.SetTiming(&timing);
    timing.current = timeline;
  }
  void Frame(int frame) {
    timeline->state = static_cast<uint32_t>((frame / 4) % 5);
    timeline->visibility = static_cast<float>(frame % 7) / 6.0f;
  }
  ZVI_SmartTiming timing;
  DS_SafePtr<ZVI_Timing> timeline;
};

void Play(ZVI_PtclSys_Physics& physics, FuzzTiming& timing) {
  TrimCounts(physics);
  ParticleVector parents{ParticlePtr(new Particle())};
  if (auto* trail = dynamic_cast<ZVI_PtclSys_TrailOps*>(&physics)) trail->StartTrail(parents[0]);
  physics.Generate(&parents);
  for (int frame = 0; frame < 30 && physics.particles.size() <= kSteppedParticles; ++frame) {
    timing.Frame(frame);
    parents[0]->position.x += 2.0f;
    if (frame == 10) parents[0]->flags |= ParticleFlags::Jumped;
    physics.Update(&parents, 1.0f / 30.0f);
    parents[0]->flags &= ~ParticleFlags::Jumped;
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

void Run(ZVI_ParticlSystem_Effect* effect, std::unique_ptr<ZVI_IOF_Item>& item) {
  FigurePtr square = CreateVGeom2DByName("ZVI_VGeom2D_Rect");
  EffectList list;
  list.Append(EffectPtr(effect));
  item.release();
  for (ZVI_VGeom2D* source : {square.get(), static_cast<ZVI_VGeom2D*>(nullptr)}) {
    ParticlePtr parent(new Particle());
    ParticlePtr p(new Particle(parent));
    p->AddTransform(new PtclTr_EffectsVector(&list, source));
    for (const TransformPtr& t : p->transforms) t->Reset(p.get());
    for (int frame = 0; frame < 30; ++frame) {
      p->age = frame / 29.0f;
      StepParticle(p.get(), 1.0f / 30.0f);
      parent->timeAlive += 1.0f / 30.0f;
    }
  }
  if (auto* transform = dynamic_cast<ZVI_PtclTransform*>(effect)) {
    Particle alone;
    for (int frame = 0; frame < 3; ++frame) transform->Apply(1.0f / 30.0f, &alone);
  }
}

// As for the physics: a geometry may place or release up to the particle cap
// at once, which is slow under the sanitizers, not wrong.
void TrimCounts(ZVI_PtclSys_Geometry& geometry) {
  constexpr unsigned kCount = 64;
  if (auto* swarm = dynamic_cast<ZVI_PSGeometry_Swarm*>(&geometry)) {
    if (swarm->count.value > kCount) swarm->count = kCount;
  }
  if (auto* group = dynamic_cast<ZVI_PSSource_Group*>(&geometry)) {
    if (group->rows.value > 16u) group->rows = 16u;
    if (group->columns.value > 16u) group->columns = 16u;
  }
  if (auto* emitter = dynamic_cast<ZVI_PSGeometry_Emitter*>(&geometry)) {
    if (emitter->count.value > kCount) emitter->count = kCount;
  }
}

void Grow(ZVI_PtclSys_Geometry& geometry) {
  TrimCounts(geometry);
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
  // Made first: the glyphs of a text physics keep the timing to the end.
  FuzzTiming timing;
  try {
    MemoryArchive ar(data, size, true);
    std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
    if (auto* physics = dynamic_cast<ZVI_PtclSys_Physics*>(item.get())) {
      if (dynamic_cast<ZVI_PtclSysPhys_Text*>(physics) && (data[size - 1] & 1)) timing.Attach(*physics);
      Play(*physics, timing);
    }
    if (auto* law = dynamic_cast<ZVI_PtclSys_MotionLaw*>(item.get())) Launch(*law);
    if (auto* effect = dynamic_cast<ZVI_ParticlSystem_Effect*>(item.get())) Run(effect, item);
    if (auto* geometry = dynamic_cast<ZVI_PtclSys_Geometry*>(item.get())) Grow(*geometry);
    if (auto* text = dynamic_cast<ZVI_PtclSys_TextEffect*>(item.get())) {
      Particle glyph;
      glyph.scale = D3DXVECTOR3(10, 10, 0);
      for (float x : {0.0f, 0.25f, 0.5f, 1.0f}) {
        for (int32_t mode : {0, 1}) text->ApplyAppearance(&glyph, x, mode);
      }
    }
  } catch (const DS_Error&) {
  }
  return 0;
}
