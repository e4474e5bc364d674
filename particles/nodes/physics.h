#pragma once
// What the nodes hold of their sources: the physics interface that owns a
// node's particles, the root point's values, the trail and curve physics'
// operations and the emitter geometry of tree nodes. The nodes declare these
// seams; particles/sources implements them.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/envelope_params.h"
#include "core/graph_params.h"
#include "core/io_item.h"
#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/reader_registry.h"
#include "core/safe_ptr.h"
#include "core/smart_points.h"
#include "core/zvi_string.h"
#include "geometry/figures.h"
#include "particles/nodes/param_blocks.h"
#include "particles/nodes/particle.h"

class DS_IOF_Archive;
class ZVI_SmartTiming;
class ZVI_PtclSys_Node;
class ZVI_PSTree_Node;

// An animatable parameter as a node lists it: a name and the parameter.
struct AnimatedParamEntry {
  zvi_string name;
  MediaParam* param = nullptr;
};
using AnimatedParamList = std::vector<DS_SafePtr<AnimatedParamEntry>>;

// The particle store of a node.
class ZVI_PtclSys_Physics : public ZVI_IOF_Item {
 public:
  ~ZVI_PtclSys_Physics() override = default;

  // Drops every particle (the point family marks them dead first).
  virtual void Clear() = 0;
  // Only the text physics keeps the timing block.
  virtual void SetTiming(ZVI_SmartTiming* timing) {}
  // Particles made for newly born parents (sources may be null).
  virtual ParticleVector Generate(const ParticleVector* sources) { return {}; }
  // Steps the own particles, drops the dead, returns those born this step.
  virtual ParticleVector Update(const ParticleVector* sources, float dt) = 0;
  // Re-runs the transforms of the own particles.
  virtual ParticleVector Refresh() { return {}; }
  // Adds the physics' animatable parameters to a node's list.
  virtual void CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node* owner) {}
  // Whether this physics keeps its emitter node alive (the depth-sort test
  // of the point family): false but for the figure source.
  virtual bool IsAlive() { return false; }

  // The node's particles in creation order.
  ParticleVector particles;
  // The emission figure (possibly none).
  ZVI_SmartGeom<ZVI_VGeom2D> figure;
};

// A physics record through the ZVI_IOF_Item registry; another class of the
// family is read, freed and refused (DS_Error).
std::unique_ptr<ZVI_PtclSys_Physics> ReadPhysics(DS_IOF_Archive& ar);

// The root point's values that the root node and the system object reach
// (a physics holding exactly one particle, the root).
class ZVI_PtclSys_RootPoint {
 public:
  virtual ~ZVI_PtclSys_RootPoint() = default;
  // The root particle, or null after a clear.
  virtual Particle* RootParticle() = 0;
  // The offset added to the position at every update.
  void SetOffset(float x, float y, float z) { offset = D3DXVECTOR3(x, y, z); }

  MediaParamT<D3DXVECTOR3> position{D3DXVECTOR3(0, 0, 0)};
  D3DXVECTOR3 offset{0, 0, 0};
  // The root node lists them as "Size" and "Translucency".
  DS_SafePtr<AnimatedParamEntry> sizeEntry;
  DS_SafePtr<AnimatedParamEntry> translucencyEntry;
};

// One particle of a node with its private point container (trail points or
// curve points, in order).
struct ParticleStripe {
  ParticlePtr particle;
  DS_SafePtr<ZVI_PtclSys_Physics> points;
};

// What the trace node calls on its trail physics.
class ZVI_PtclSys_TrailOps {
 public:
  virtual ~ZVI_PtclSys_TrailOps() = default;
  // Appends {particle, new empty container}.
  virtual void StartTrail(const ParticlePtr& particle) = 0;
  virtual std::vector<ParticleStripe>& Trails() = 0;
};

// What the line nodes and the tree curve node call on their curve physics.
class ZVI_PtclSys_CurveOps {
 public:
  virtual ~ZVI_PtclSys_CurveOps() = default;
  // {curve record particle, its point container}, in order.
  virtual std::vector<ParticleStripe>& Curves() = 0;
  // The curve's point data rebuilt for a curve particle, as a new holder.
  virtual DS_SafePtr<ZVI_PtclSys_Physics> RebuildCurve(const ParticlePtr& curve) = 0;
  virtual void AttachCurveTransforms(Particle* curve) = 0;
  // The record the stripe-line nodes read before their own fields.
  virtual bool ReadRecord(DS_IOF_Archive& ar, int32_t version) = 0;
  // The size, width and alpha blocks of the curves.
  virtual JitterGraphParam& SizeBlock() = 0;
  virtual JitterGraphParam& WidthBlock() = 0;
  virtual JitterGraphParam& AlphaBlock() = 0;
};

// The placing and emitting object of a tree node.
class ZVI_PtclSys_Geometry : public ZVI_IOF_Item {
 public:
  ZVI_PtclSys_Geometry();
  ~ZVI_PtclSys_Geometry() override = default;

  // Gives a new particle its atlas cell and the transforms that vary its
  // size, alpha, offsets and rotation.
  virtual void InitParticle(Particle* particle);
  // The particles that belong to a newly born parent (kept in `held` too).
  virtual ParticleVector Place(ParticlePtr parent) { return {}; }
  // The particles released for a parent in this step (kept in `held` too).
  virtual ParticleVector Emit(float dt, const ParticlePtr& parent) { return {}; }
  // Editing hooks of the authoring tool; the player gives them constant
  // answers.
  virtual bool Query1(void*) { return false; }
  virtual ParticleVector Query2() { return {}; }
  virtual void Hook1(void*, void*) {}
  virtual bool Query3(void*) { return false; }
  // Told which tree node owns the geometry.
  virtual void SetOwner(ZVI_PSTree_Node* owner) {}
  virtual void Hook2(void*) {}
  void ClearHeld() { held.clear(); }
  // A new particle under the parent at `position`, set up by InitParticle
  // and appended to `held`.
  ParticlePtr NewHeldParticle(const ParticlePtr& parent);

  zvi_string name;
  MediaParamT<D3DXVECTOR3> position{D3DXVECTOR3(0, 0, 0)};
  JitterValue sizeJitter;
  VariationParams sizeOscillation;
  VariationParams alphaOscillation;
  ZVI_JitterParam alphaJitter;
  ScaledParamGroup sizeEnvelope;
  ScaledParamGroup alphaEnvelope;
  VariationParams offsetXOscillation;
  VariationParams offsetYOscillation;
  SpinParams spin;
  ParticleVector held;
  int32_t atlasColumns = 1;
  int32_t atlasRows = 1;
};
