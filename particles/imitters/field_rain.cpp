#include "particles/imitters/field_rain.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"

// ---- field

ZVI_FieldPtclSys::ZVI_FieldPtclSys() { fill.SetScaleOffset(0.01f, 0.0f); }

ZVI_FieldPtclSys::ZVI_FieldPtclSys(const ZVI_FieldPtclSys& other)
    : ZVI_ParticleSystemCtrl(other),
      life(other.life),
      fill(other.fill),
      direction(other.direction),
      speed(other.speed) {
  positions.positions.reserve(other.positions.positions.size());
  for (const ZVI_PosArrImitter::Entry& e : other.positions.positions)
    positions.positions.push_back(ZVI_PosArrImitter::Entry{e.position, nullptr});
  positions.freeList = other.positions.freeList;
}

void ZVI_FieldPtclSys::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
}

int ZVI_FieldPtclSys::TargetPopulation() const {
  // Clamped before the conversion: a fill above 100 % keeps every position
  // occupied and no more.
  const float n = static_cast<float>(positions.positions.size());
  const float k = n * fill.derived;
  if (!(k > 0.0f)) return 0;
  if (k >= n) return static_cast<int>(positions.positions.size());
  return static_cast<int>(k);
}

ClassicParticleList& ZVI_FieldPtclSys::Emit(ClassicParticleList& out, float dt) {
  out.clear();
  const int64_t shortfall = static_cast<int64_t>(TargetPopulation()) - static_cast<int64_t>(particles.size());
  if (shortfall <= 0) return out;
  positions.Make(out, static_cast<int>(std::min<int64_t>(shortfall, RoomLeft(particles))));
  for (const ClassicParticlePtr& p : out)
    if (p) SetupFieldParticle(*p, 0.0f);
  particles.insert(particles.end(), out.begin(), out.end());
  return out;
}

void ZVI_FieldPtclSys::ResetTime() {
  particles.clear();
  if (timing.value != 0) return;
  const int64_t shortfall = static_cast<int64_t>(TargetPopulation()) - static_cast<int64_t>(particles.size());
  if (shortfall <= 0) return;
  ClassicParticleList made;
  positions.Make(made, static_cast<int>(std::min<int64_t>(shortfall, RoomLeft(particles))));
  for (const ClassicParticlePtr& p : made) {
    if (!p) continue;
    const float age = crt_rand01() * life.derived;
    SetupFieldParticle(*p, age);
  }
  particles.insert(particles.end(), made.begin(), made.end());
}

void ZVI_FieldPtclSys::SetupFieldParticle(ClassicParticle& p, float age) {
  params.InitParticle(p, RoutinePtr(new IPR_ConstantAge(life.derived)));
  p.Age() = age;
  p.AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  p.velocity = direction.RandomDirection() * speed.derived;
}

bool ZVI_FieldPtclSys::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  life.Read(ar);
  life.Notify(nullptr);
  fill.Read(ar);
  const uint32_t n = ar.ReadSignedCount(12);
  std::vector<D3DXVECTOR3> where;
  where.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    D3DXVECTOR3 v(0.0f, 0.0f, 0.0f);
    ar.ReadFloat(&v.x);
    ar.ReadFloat(&v.y);
    ar.ReadFloat(&v.z);
    where.push_back(v);
  }
  positions.SetPositions(where);
  uint32_t u = 0;
  ar.ReadUInt(&u);
  direction.value = u;
  direction.Recompute();
  ar.ReadUInt(&direction.spread.value);
  speed.Read(ar);
  return ReadNestedRecord(ar);
}

// ---- rain routines

bool IPR_RainFall::Apply(float dt, ClassicParticle& p) {
  if (dt >= timeLeft) {
    // The step that ends the fall does not move the drop: a drop caught
    // part way lands short of its point.
    timeLeft = 0.0f;
    p.stateBits &= ~static_cast<uint32_t>(kDropArriving);
    if ((p.stateBits & kDropMerging) == 0) p.Factor2() = 1.0f;
    return true;
  }
  const float x = 1.0f - dt / timeLeft;
  timeLeft -= dt;
  p.position = landing - (landing - p.position) * x;
  p.Factor2() = 1.0f - (1.0f - p.Factor2()) * x;
  return true;
}

bool IPR_RainDynamic::Apply(float dt, ClassicParticle& p) {
  if ((p.stateBits & kDropRunning) == 0 || (p.stateBits & (kDropMerging | kDropArriving)) != 0) return true;
  const float s = p.Factor1();
  D3DXVECTOR3& v = p.velocity;
  if (s > 1.0f) {
    p.acceleration = gravity;
  } else if (!(s > 0.0f)) {
    // A drop with no water left has unbounded friction: it stands still.
    p.acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    v = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  } else if (gravity.x * v.x + gravity.y * v.y + gravity.z * v.z >= 0.0f) {
    p.acceleration = gravity - v * (friction / (s * s * s));
  } else {
    p.acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    v = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  }
  if (s > 0.7f) {
    const float speed = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    p.Factor1() = s - speed * dt * 0.001f;
  }
  if (timer > reroll) {
    friction = 1.0f + 19.0f * crt_rand01();
    reroll = 0.1f + 0.9f * crt_rand01();
    timer = 0.0f;
  } else {
    timer += dt;
  }
  return true;
}

float MergedDropSize(float a, float b) {
  const float volume = a * a * a + b * b * b;
  const double root = std::pow(static_cast<double>(volume), static_cast<double>(0.33333334f));
  return std::min(static_cast<float>(root), 1.3f);
}

bool IPR_RainMerge::Apply(float dt, ClassicParticle& a) {
  ClassicParticle* b = target.get();
  if (!b) return false;
  if (dt > timeLeft) {
    b->Factor1() = MergedDropSize(a.Factor1(), b->Factor1());
    if ((b->stateBits & kDropRunning) == 0) {
      b->stateBits |= kDropRunning;
      b->atlasScale[0] = b->atlasScale[1] = 0.5f;
      b->atlasOffset[0] = b->atlasOffset[1] = 0.0f;
      D3DXMatrixIdentity(&b->matrix);
    }
    return false;
  }
  const float x = 1.0f - dt / timeLeft;
  timeLeft -= dt;
  a.Factor2() *= x;
  a.position = b->position - (b->position - a.position) * x;
  return true;
}

IPR_RainInteractionRoutine::IPR_RainInteractionRoutine(const MediaQuad& area)
    : IPR_InteractionRoutine(new PRC_CrossQuad(area), new PRA_Die()) {}

bool IPR_RainInteractionRoutine::Apply(float dt, ClassicParticle& p) {
  if ((p.stateBits & kDropArriving) != 0) return true;
  return IPR_InteractionRoutine::Apply(dt, p);
}

bool PRA_RainMerge::Act(ClassicParticle& a, ClassicParticlePtr& b) {
  if ((a.stateBits & (kDropMerging | kDropArriving)) != 0) return false;
  if (!b || (b->stateBits & (kDropMerging | kDropArriving)) != 0) return true;
  a.AddRoutine(RoutinePtr(new IPR_RainMerge(b, 0.1f)), false);
  a.stateBits |= kDropMerging;
  a.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  a.acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  return false;
}

// ---- rain on glass

DS_RainOnGlass::DS_RainOnGlass() = default;

DS_RainOnGlass::DS_RainOnGlass(const DS_RainOnGlass& other)
    : ZVI_ParticleSystemCtrl(other),
      area(other.area),
      counter(other.counter),
      gravity(other.gravity),
      gravityDirection(other.gravityDirection),
      interaction(other.interaction) {}

void DS_RainOnGlass::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  params.flags |= kClassicSizeFactorOnly | kClassicAlphaFactorOnly;
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
  // Drops made before keep the routine (and the area) they were given.
  interaction = DS_SafePtr<IPR_RainInteractionRoutine>(new IPR_RainInteractionRoutine(area.rect));
}

D3DXVECTOR3 DS_RainOnGlass::GravityVector() const {
  const D3DXVECTOR4& d = gravityDirection.direction;
  return D3DXVECTOR3(d.x, -d.y, d.z) * gravity.derived;
}

void DS_RainOnGlass::MergeDrops() {
  const float r = static_cast<float>(params.particleSize.value) * 0.9f * 0.5f;
  std::stable_sort(particles.begin(), particles.end(), [r](const ClassicParticlePtr& a, const ClassicParticlePtr& b) {
    return a->position.y - a->Factor1() * r < b->position.y - b->Factor1() * r;
  });
  static PRA_RainMerge merge;
  const size_t n = particles.size();
  // Drops spread along one line (an area of no height) never end a scan
  // early: the pairs tested per update are bounded, far above what a pane
  // of rain needs, so such a project cannot stall its frames.
  size_t budget = kMaxMergeTests;
  for (size_t i = 0; i < n && budget > 0; ++i) {
    ClassicParticle& a = *particles[i];
    const float ea = a.Factor1() * r;
    for (size_t j = i + 1; j < n && budget > 0; ++j, --budget) {
      ClassicParticle& b = *particles[j];
      const float eb = b.Factor1() * r;
      if (b.position.y - eb > a.position.y + ea) break;
      if (b.position.x - eb > a.position.x + ea || a.position.x - ea > b.position.x + eb) continue;
      if (!merge.Act(a, particles[j])) break;
    }
  }
}

ClassicParticleList& DS_RainOnGlass::Emit(ClassicParticleList& out, float dt) {
  out.clear();
  StepClassicParticles(particles, dt);
  MergeDrops();
  const int n = std::min(counter.Count(dt), RoomLeft(particles));
  area.Make(out, n);
  for (const ClassicParticlePtr& p : out) {
    if (!p) continue;
    SetupDrop(*p);
    particles.push_back(p);
  }
  out.clear();
  return out;
}

void DS_RainOnGlass::SetupDrop(ClassicParticle& drop) {
  const int32_t variant = crt_rand() % 4;
  const D3DXVECTOR4& d = gravityDirection.direction;
  drop.AddRoutine(RoutinePtr(new IPR_RainFall(drop.position, 0.15f)), false);
  drop.stateBits |= kDropArriving;
  drop.Factor2() = 0.0f;
  const float back = static_cast<float>(params.particleSize.value) * 10.0f * drop.Factor1();
  drop.position -= D3DXVECTOR3(d.x, -d.y, d.z) * back;
  const float friction = 1.0f + 19.0f * crt_rand01();
  const float reroll = 0.1f + 0.9f * crt_rand01();
  drop.AddRoutine(RoutinePtr(new IPR_RainDynamic(GravityVector(), friction, reroll)), false);
  drop.AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  const float pick = crt_rand01();
  drop.AddRoutine(RoutinePtr(new IPR_Color(&params.colors, pick)), true);
  if (interaction) drop.AddRoutine(RoutinePtr(interaction), false);
  drop.atlasScale[0] = drop.atlasScale[1] = 0.5f;
  float angle;
  if (variant == 0) {
    drop.stateBits |= kDropRunning;
    drop.atlasOffset[0] = drop.atlasOffset[1] = 0.0f;
    angle = static_cast<float>(params.startAngle.value);
  } else {
    drop.Factor1() = 0.5f + 0.3f * crt_rand01();
    // In 64 bits: twice a spread near 2^32 does not wrap to a modulus of 0.
    const int64_t spread = params.angleSpread.value;
    const int64_t offset = static_cast<int64_t>(crt_rand()) % (2 * spread + 1) - spread;
    angle = static_cast<float>(static_cast<int64_t>(params.startAngle.value) + offset);
    drop.atlasOffset[0] = (variant == 1 || variant == 3) ? 0.5f : 0.0f;
    drop.atlasOffset[1] = variant >= 2 ? 0.5f : 0.0f;
  }
  D3DXMatrixRotationZ(&drop.matrix, angle * kDegToRadPi / 180.0f);
}

bool DS_RainOnGlass::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  counter.rate.Read(ar);
  ReadMediaQuad(ar, area.rect);
  gravity.Read(ar);
  uint32_t u = 0;
  ar.ReadUInt(&u);
  gravityDirection.value = u;
  gravityDirection.Recompute();
  return ReadNestedRecord(ar);
}
