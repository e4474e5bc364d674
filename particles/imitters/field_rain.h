#pragma once
// The field, which keeps a share of fixed positions occupied by short-lived
// particles, and rain on glass: drops land on a pane, rest or run under
// gravity, merge when they touch and die when they leave the pane.
#include <cstdint>
#include <string_view>

#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "particles/imitters/imitters.h"
#include "particles/imitters/particle_system.h"

class ZVI_FieldPtclSys : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_FieldPtclSys();
  // The positions and the free pool as they stand; no particle holds a
  // position of the copy.
  ZVI_FieldPtclSys(const ZVI_FieldPtclSys& other);

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  // Fills the field at once with particles of random ages; no pre-run.
  void ResetTime() override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_FieldPtclSys(*this); }
  // Tops the population up; ignores the step and the visibility.
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_FieldPtclSys"; }

  // Positions x fill, at most the number of positions.
  int TargetPopulation() const;
  void SetupFieldParticle(ClassicParticle& p, float age);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);

  TimeParam life;
  UINTSclaleTo<float> fill;
  ZVI_PosArrImitter positions;
  MediaSector direction;
  UINTSclaleTo<float> speed;
};

// State bits of a rain drop.
enum RainDropBits : uint32_t {
  kDropMerging = 0x1,
  kDropArriving = 0x2,
  kDropRunning = 0x4,
};

// Slides the drop from where it starts to its landing point and fades it in.
class IPR_RainFall : public InnerParticleRoutine {
 public:
  IPR_RainFall(const D3DXVECTOR3& landingPoint, float time) : landing(landingPoint), timeLeft(time) {}
  bool Apply(float dt, ClassicParticle& p) override;
  D3DXVECTOR3 landing;
  float timeLeft;
};

// The acceleration of a running drop: gravity against a friction redrawn at
// random moments; a small drop moving against gravity stops.
class IPR_RainDynamic : public InnerParticleRoutine {
 public:
  IPR_RainDynamic(const D3DXVECTOR3& g, float frictionValue, float rerollTime)
      : gravity(g), friction(frictionValue), reroll(rerollTime) {}
  bool Apply(float dt, ClassicParticle& p) override;
  D3DXVECTOR3 gravity;
  float friction;
  float reroll;
  float timer = 0.0f;
};

// Flows the drop into its target; when done the target grows by its volume.
class IPR_RainMerge : public InnerParticleRoutine {
 public:
  IPR_RainMerge(const ClassicParticlePtr& into, float time) : target(into), timeLeft(time) {}
  bool Apply(float dt, ClassicParticle& p) override;
  ClassicParticlePtr target;
  float timeLeft;
};

// Ends a landed drop that leaves the pane.
class IPR_RainInteractionRoutine : public IPR_InteractionRoutine {
 public:
  explicit IPR_RainInteractionRoutine(const MediaQuad& area);
  bool Apply(float dt, ClassicParticle& p) override;
};

// A starts to flow into B unless either is already merging or landing.
class PRA_RainMerge : public RoutineAction {
 public:
  bool Act(ClassicParticle& a, ClassicParticlePtr& b) override;
};

// The merged size factor: the cube root of the summed volumes, at most 1.3.
float MergedDropSize(float a, float b);

class DS_RainOnGlass : public ZVI_ParticleSystemCtrl {
 public:
  // The most drop pairs one merge scan tests.
  static constexpr size_t kMaxMergeTests = size_t{1} << 20;

  DS_RainOnGlass();
  DS_RainOnGlass(const DS_RainOnGlass& other);

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_RainOnGlass(*this); }
  // Steps the drops a second time, merges them, lands new ones; returns an
  // empty list.
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  float GetWarmUpTime() override { return 15.0f; }
  std::u16string_view ClassName() const override { return u"DS_RainOnGlass"; }

  // gravity x (dx, -dy, dz) of the direction vector.
  D3DXVECTOR3 GravityVector() const;
  void SetupDrop(ClassicParticle& drop);
  // Sorts the drops by their upper edge and merges those that overlap.
  void MergeDrops();
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_RectImitter area;
  ZVI_EvenImitter counter;
  UINTSclaleTo<float> gravity;
  MediaDirection gravityDirection;
  DS_SafePtr<IPR_RainInteractionRoutine> interaction;
};
