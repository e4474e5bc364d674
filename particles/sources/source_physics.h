#pragma once
// Source physics: every parent particle becomes a small emitter running a
// cycle of delay, emission and pause; the figure source launches its
// children with a motion law, the lattice lays grids of them over its figure.
#include <cstdint>
#include <vector>

#include "core/graph_params.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/time_params.h"
#include "particles/sources/block_readers.h"
#include "particles/sources/motion_laws.h"
#include "particles/sources/points.h"

class ZVI_PtclSysPhys_Source;

// The lifetime of a physics' new particles (value x jitter factor x graph(0)).
float LifetimeSeconds(const JitterGraphParam& lifetime);

// New particles live for a limited time.
class ZVI_PtclSysPhys_LifeLimit : public ZVI_PtclSysPhys_Points {
 public:
  ZVI_PtclSysPhys_LifeLimit();
  // Attaches PtclTr_MaxAge with the lifetime.
  void InitParticle(Particle* particle) override;
  // Name and version (ignored), the lifetime, then the points tail.
  void ReadLifeLimitBase(DS_IOF_Archive& ar);

  // Tenths of a second, default 10 (1.0 s).
  JitterGraphParam lifetime;
};

// The emission cycle of one parent particle.
struct SourceEmitterState {
  static constexpr int32_t kDelay = 0;
  static constexpr int32_t kEmission = 1;
  static constexpr int32_t kPause = 2;

  ParticlePtr parent;
  float accumulator = 0.0f;
  ZVI_PtclSysPhys_Source* source = nullptr;
  float remaining = 0.0f;
  int32_t phase = kDelay;
};
using EmitterStatePtr = DS_SafePtr<SourceEmitterState>;

class ZVI_PtclSysPhys_Source : public ZVI_PtclSysPhys_LifeLimit {
 public:
  ZVI_PtclSysPhys_Source();
  ~ZVI_PtclSysPhys_Source() override = default;

  void Clear() override;
  // One emitter state per parent (a parent given twice emits twice).
  ParticleVector Generate(const ParticleVector* parents) override;
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  void CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node* owner) override;
  // Turns whole owed particles into children of the state's parent.
  virtual void Emit(SourceEmitterState& state, ParticleVector& out);

  // Advances a state by dt; false when its parent is gone or dead.
  bool StepCycle(SourceEmitterState& state, float dt);
  // count in effect / emission duration, or 0.
  float Rate() const;
  // Name and version, then the record with that version.
  void ReadSourceBase(DS_IOF_Archive& ar);
  void ReadSourceRecord(DS_IOF_Archive& ar, int32_t version);

  // Stored count, and the count in effect (`driven`) the clock sets.
  ChronoWrap<MediaParamT<unsigned int>> count;
  EmissionCycleParams cycle;
  std::vector<EmitterStatePtr> states;
  // The entry CollectParams hands out ("Emission").
  DS_SafePtr<AnimatedParamEntry> countEntry;

 protected:
  // Drops owed particles that do not fit under the cap (the fraction kept).
  void DropUnpayable(SourceEmitterState& state);
};

// A source whose children a motion law places and launches from the figure.
class ZVI_PtclSysPhys_SourceFig : public ZVI_PtclSysPhys_Source {
 public:
  void InitParticle(Particle* particle) override;
  bool SetOriginUI(const OriginUIPtr& marker) override;
  // The motion law's answer (false without a law).
  bool IsAlive() override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<ZVI_PtclSys_MotionLaw> law;
};

// One grid laid by a lattice.
struct LatticeTask {
  float span = 0.0f;
  float elapsed = 0.0f;
  ParticlePtr parent;
};
using LatticeTaskPtr = DS_SafePtr<LatticeTask>;

class ZVI_PtclSysPhys_Lattice : public ZVI_PtclSysPhys_Source {
 public:
  ZVI_PtclSysPhys_Lattice();
  void Clear() override;
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  // Starts one task per whole owed emission.
  void Emit(SourceEmitterState& state, ParticleVector& out) override;
  // The cells of the task due in (elapsed, elapsed + dt], column by column.
  ParticleVector EmitLatticeCells(LatticeTask& task, float dt, size_t room);
  // (rows - 1) x row delay + (columns - 1) x column delay.
  float Span() const;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> rows{5u};
  MediaParamT<unsigned int> columns{5u};
  MediaParamT<int32_t> rowFlip{0};
  MediaParamT<int32_t> columnFlip{0};
  TimeParam rowDelay;
  TimeParam columnDelay;
  std::vector<LatticeTaskPtr> tasks;
};

void RegisterSourcePhysicsReaders();
