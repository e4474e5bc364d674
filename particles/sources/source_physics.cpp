#include "particles/sources/source_physics.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "particles/nodes/transforms.h"

namespace {

// Whole cycles beyond this many in one step are folded arithmetically.
constexpr double kCyclesWalked = 8.0;
// Columns looked at per lattice task and frame.
constexpr int64_t kColumnVisits = int64_t{1} << 22;

float GraphAtZero(const JitterGraphParam& block) {
  int32_t cursor = 1;
  ZVI_VGraph* g = block.graph.Graph();
  return g ? g->ValueAt(0.0f, cursor) : 1.0f;
}

int32_t NextPhase(int32_t phase) {
  if (phase == SourceEmitterState::kDelay) return SourceEmitterState::kEmission;
  if (phase == SourceEmitterState::kEmission) return SourceEmitterState::kPause;
  return SourceEmitterState::kDelay;
}

int64_t ClampIndex(double v, int64_t lo, int64_t hi) {
  if (!(v > static_cast<double>(lo))) return lo;
  if (!(v < static_cast<double>(hi))) return hi;
  return static_cast<int64_t>(v);
}

}  // namespace

float LifetimeSeconds(const JitterGraphParam& lifetime) {
  return lifetime.value.derived * lifetime.jitter.derived * GraphAtZero(lifetime);
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_LifeLimit::ZVI_PtclSysPhys_LifeLimit() { lifetime.value.SetScaleOffset(0.1f, 0.0f, 10u); }

void ZVI_PtclSysPhys_LifeLimit::InitParticle(Particle* particle) {
  particle->AddTransform(new PtclTr_MaxAge(LifetimeSeconds(lifetime)));
}

void ZVI_PtclSysPhys_LifeLimit::ReadLifeLimitBase(DS_IOF_Archive& ar) {
  ReadRecordName(ar);
  ReadJitterGraphParam(ar, lifetime);
  ReadPointsRecord(ar);
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_Source::ZVI_PtclSysPhys_Source() : countEntry(new AnimatedParamEntry()) {
  count.value = 10u;
  count.driven = 10.0f;
  countEntry->name = u"Emission";
  countEntry->param = &count.chrono;
}

void ZVI_PtclSysPhys_Source::Clear() {
  ZVI_PtclSysPhys_Points::Clear();
  states.clear();
}

ParticleVector ZVI_PtclSysPhys_Source::Generate(const ParticleVector* parents) {
  if (!parents) return {};
  states.reserve(states.size() + parents->size());
  for (const ParticlePtr& parent : *parents) {
    EmitterStatePtr state(new SourceEmitterState());
    state->parent = parent;
    state->source = this;
    state->remaining = cycle.delay.value;
    state->phase = SourceEmitterState::kDelay;
    states.push_back(state);
  }
  return {};
}

float ZVI_PtclSysPhys_Source::Rate() const {
  const float duration = cycle.duration.value;
  return duration > 0.0f ? count.driven / duration : 0.0f;
}

bool ZVI_PtclSysPhys_Source::StepCycle(SourceEmitterState& s, float dt) {
  int transitions = 0;
  float dtAtCycleStart = dt;
  for (;;) {
    if (!s.parent || s.parent->IsDead()) return false;
    const float rate = Rate();
    if (!(dt > s.remaining)) {
      if (s.phase == SourceEmitterState::kEmission) s.accumulator += rate * dt;
      s.remaining -= dt;
      return true;
    }
    if (s.phase == SourceEmitterState::kEmission) s.accumulator += rate * s.remaining;
    dt -= s.remaining;
    s.phase = NextPhase(s.phase);
    if (s.phase == SourceEmitterState::kEmission) s.remaining = cycle.duration.value;
    else if (s.phase == SourceEmitterState::kPause) s.remaining = cycle.pause.value;
    else s.remaining = cycle.delay.value;
    if (++transitions % 3 != 0) continue;

    // A whole cycle has run. With many left, all but the last few are
    // skipped at once (tiny cycles would take for ever one by one).
    double times[3];
    int32_t phase = s.phase;
    for (double& t : times) {
      t = phase == SourceEmitterState::kEmission ? cycle.duration.value
          : phase == SourceEmitterState::kPause  ? cycle.pause.value
                                                 : cycle.delay.value;
      phase = NextPhase(phase);
    }
    const double length = times[0] + times[1] + times[2];
    const double highest = std::max({0.0, times[0], times[0] + times[1], length});
    if (length > 0.0) {
      const double whole = std::floor((static_cast<double>(dt) - highest) / length);
      if (whole > kCyclesWalked) {
        const double skipped = whole - 2.0;
        dt = static_cast<float>(static_cast<double>(dt) - skipped * length);
        const double duration = cycle.duration.value;
        if (duration > 0.0) s.accumulator = static_cast<float>(s.accumulator + skipped * rate * duration);
        dtAtCycleStart = dt;
        continue;
      }
    }
    // One that took no time would run for ever: the rest of the step is
    // dropped.
    if (!(dt < dtAtCycleStart)) return true;
    dtAtCycleStart = dt;
  }
}

void ZVI_PtclSysPhys_Source::DropUnpayable(SourceEmitterState& state) {
  const float a = state.accumulator;
  state.accumulator = std::isfinite(a) ? a - std::floor(a) : 0.0f;
}

void ZVI_PtclSysPhys_Source::Emit(SourceEmitterState& state, ParticleVector& out) {
  while (state.accumulator >= 1.0f) {
    if (particles.size() + out.size() >= kMaxPhysicsParticles) {
      DropUnpayable(state);
      return;
    }
    ParticlePtr p(new Particle(state.parent));
    InitParticle(p.get());
    out.push_back(p);
    state.accumulator -= 1.0f;
  }
}

ParticleVector ZVI_PtclSysPhys_Source::Update(const ParticleVector* sources, float dt) {
  ZVI_PtclSysPhys_Points::Update(sources, dt);
  ParticleVector out;
  for (size_t i = 0; i < states.size();) {
    EmitterStatePtr state = states[i];
    if (!state || !StepCycle(*state, dt)) {
      states.erase(states.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    Emit(*state, out);
    ++i;
  }
  AppendParticles(out);
  return out;
}

void ZVI_PtclSysPhys_Source::CollectParams(AnimatedParamList& list, ZVI_PtclSys_Node*) {
  countEntry->name = u"Emission";
  list.push_back(countEntry);
}

void ZVI_PtclSysPhys_Source::ReadSourceBase(DS_IOF_Archive& ar) {
  int32_t version = ReadRecordName(ar);
  ReadSourceRecord(ar, version);
}

void ZVI_PtclSysPhys_Source::ReadSourceRecord(DS_IOF_Archive& ar, int32_t version) {
  float duration = cycle.duration.value, pause = cycle.pause.value, delay = cycle.delay.value;
  if (version >= 4) {
    int32_t flag = 0;
    ar.ReadInt(&flag);
    uint32_t stored = 0;
    ar.ReadUInt(&stored);
    count.value = stored;
    DS_SafePtr<ZVI_ChronoCtrl> control = ReadChronoCtrl(ar);
    if (control) count.InstallChrono(control);
    ar.ReadInt(&flag);
    ReadStoredInt(ar, cycle.cycle);
    ar.ReadFloat(&duration);
    ar.ReadFloat(&pause);
    ar.ReadFloat(&delay);
  } else {
    // Older files kept the count as a jittered value; only its value counts.
    JitterGraphParam old;
    old.value.value = count.value;
    old.value.Recompute();
    ReadJitterGraphParam(ar, old);
    count.SetValue(old.value.value);
    if (version == 3) {
      int32_t ignored = 0;
      ar.ReadInt(&ignored);
      ReadStoredInt(ar, cycle.cycle);
      ar.ReadFloat(&duration);
      ar.ReadFloat(&pause);
      ar.ReadFloat(&delay);
    } else if (version == 2) {
      ar.ReadFloat(&duration);
      ar.ReadFloat(&pause);
      ReadStoredInt(ar, cycle.cycle);
    } else {
      ar.ReadFloat(&duration);
    }
  }
  cycle.duration = duration;
  cycle.pause = pause;
  cycle.delay = delay;
  // Until the clock's next tick the stored count is in effect.
  count.driven = static_cast<float>(count.value);
  ReadLifeLimitBase(ar);
}

// ---------------------------------------------------------------------------

void ZVI_PtclSysPhys_SourceFig::InitParticle(Particle* particle) {
  ZVI_PtclSysPhys_LifeLimit::InitParticle(particle);
  if (law) law->InitParticle(particle, figure.value);
}

bool ZVI_PtclSysPhys_SourceFig::SetOriginUI(const OriginUIPtr& marker) {
  if (!ZVI_PtclSysPhys_Source::SetOriginUI(marker)) return false;
  if (law) law->SetFigure(figure.value);
  return true;
}

bool ZVI_PtclSysPhys_SourceFig::IsAlive() { return law ? law->KeepsAlive() : false; }

void ZVI_PtclSysPhys_SourceFig::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version < 2) SetPhysicsGeometry(*this, ReadVGeom2D(ar));
  std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
  law = DS_SafePtr<ZVI_PtclSys_MotionLaw>();
  if (auto* l = dynamic_cast<ZVI_PtclSys_MotionLaw*>(item.get())) {
    item.release();
    law = DS_SafePtr<ZVI_PtclSys_MotionLaw>(l);
  }
  ReadSourceBase(ar);
  if (law) law->SetFigure(figure.value);
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_Lattice::ZVI_PtclSysPhys_Lattice() {
  count.value = 1u;
  count.driven = 1.0f;
  cycle.duration = 2.0f;
  columnDelay.SetValue(20u);
}

void ZVI_PtclSysPhys_Lattice::Clear() {
  ZVI_PtclSysPhys_Source::Clear();
  tasks.clear();
}

float ZVI_PtclSysPhys_Lattice::Span() const {
  const uint32_t r = rows.value - 1u;
  const uint32_t c = columns.value - 1u;
  return static_cast<float>(r) * rowDelay.derived + static_cast<float>(c) * columnDelay.derived;
}

void ZVI_PtclSysPhys_Lattice::Emit(SourceEmitterState& state, ParticleVector&) {
  while (state.accumulator >= 1.0f) {
    // An empty grid would make a task that never ends and lays nothing.
    if (rows.value == 0 || columns.value == 0 || tasks.size() >= kMaxPhysicsParticles) {
      DropUnpayable(state);
      return;
    }
    LatticeTaskPtr task(new LatticeTask());
    task->span = Span();
    task->parent = state.parent;
    tasks.push_back(task);
    state.accumulator -= 1.0f;
  }
}

ParticleVector ZVI_PtclSysPhys_Lattice::EmitLatticeCells(LatticeTask& task, float dt, size_t room) {
  ZVI_VGeom2D* f = figure.value.get();
  ParticleVector out;
  if (!f || !f->HasDirections()) return out;
  const uint32_t rowCount = rows.value, columnCount = columns.value;
  if (rowCount == 0 || columnCount == 0) return out;
  const float t0 = task.elapsed;
  const float t1 = t0 + dt;
  const float a = 0.5f / static_cast<float>(rowCount);
  const float b = 0.5f / static_cast<float>(columnCount);
  const float rd = rowDelay.derived, cd = columnDelay.derived;
  // A cell is due in [t0, t1]: one on a frame boundary is laid in both frames.
  auto due = [&](float t) { return t >= t0 && t <= t1; };
  const double lastRowTime = static_cast<double>(rowCount - 1) * rd;

  // Columns whose cells can fall in the window (a little wider; `due`
  // decides).
  int64_t iLo = 0, iHi = static_cast<int64_t>(columnCount) - 1;
  if (cd > 0.0f) {
    iLo = ClampIndex(std::floor((t0 - lastRowTime) / cd) - 1.0, 0, iHi);
    iHi = ClampIndex(std::ceil(static_cast<double>(t1) / cd) + 1.0, 0, iHi);
  }
  int64_t visits = 0;
  for (int64_t i = iLo; i <= iHi && visits < kColumnVisits; ++i, ++visits) {
    const float columnTime = static_cast<float>(i) * cd;
    int64_t jLo = 0, jHi = static_cast<int64_t>(rowCount) - 1;
    if (rd > 0.0f) {
      jLo = ClampIndex(std::floor((t0 - static_cast<double>(columnTime)) / rd) - 1.0, 0, jHi);
      jHi = ClampIndex(std::ceil((t1 - static_cast<double>(columnTime)) / rd) + 1.0, 0, jHi);
    } else if (!due(0.0f * rd + columnTime)) {
      // Every row of this column is due together or not at all.
      if (cd == 0.0f) break;
      continue;
    }
    for (int64_t j = jLo; j <= jHi; ++j) {
      const float t = static_cast<float>(j) * rd + static_cast<float>(i) * cd;
      if (!due(t)) continue;
      if (out.size() >= room) return out;
      float u = static_cast<float>(2 * i + 1) * b;
      if (columnFlip.value != 0) u = 1.0f - u;
      float v = static_cast<float>(2 * j + 1) * a;
      if (rowFlip.value != 0) v = 1.0f - v;
      ParticlePtr p(new Particle(task.parent));
      InitParticle(p.get());
      p->auxVector = D3DXVECTOR3(u, v, 0);
      f->PointAtUV(u, v, &p->position, nullptr);
      out.push_back(p);
    }
  }
  return out;
}

ParticleVector ZVI_PtclSysPhys_Lattice::Update(const ParticleVector* sources, float dt) {
  ZVI_PtclSysPhys_Source::Update(sources, dt);
  ParticleVector out;
  for (size_t i = 0; i < tasks.size();) {
    LatticeTaskPtr task = tasks[i];
    const size_t used = particles.size() + out.size();
    const size_t room = used >= kMaxPhysicsParticles ? 0 : kMaxPhysicsParticles - used;
    ParticleVector cells = EmitLatticeCells(*task, dt, room);
    out.insert(out.end(), cells.begin(), cells.end());
    bool lives = task->parent && !task->parent->IsDead();
    if (lives) {
      task->elapsed += dt;
      lives = task->span > task->elapsed;
    }
    if (lives) {
      ++i;
    } else {
      tasks.erase(tasks.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  AppendParticles(out);
  return out;
}

void ZVI_PtclSysPhys_Lattice::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version < 2) SetPhysicsGeometry(*this, ReadVGeom2D(ar));
  ReadStoredUnsigned(ar, rows);
  ReadStoredUnsigned(ar, columns);
  ReadStoredInt(ar, rowFlip);
  ReadStoredInt(ar, columnFlip);
  ReadStoredUnsigned(ar, rowDelay);
  rowDelay.Notify(nullptr);
  ReadStoredUnsigned(ar, columnDelay);
  columnDelay.Notify(nullptr);
  ReadSourceBase(ar);
}

void RegisterSourcePhysicsReaders() {
  RegisterReader<ZVI_PtclSysPhys_SourceFig, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_SourceFig");
  RegisterReader<ZVI_PtclSysPhys_Lattice, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_Lattice");
}
