#include "particles/sources/stripe_physics.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/nodes/motion_transforms.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/block_readers.h"

namespace {

void InstallGraph(JitterGraphParam& block, const char* className, const std::vector<VGraphKey>& keys) {
  std::unique_ptr<ZVI_VGraph> g = CreateVGraphByName(className);
  if (!g) return;
  if (!keys.empty()) g->SetKeys(keys);
  block.graph.InstallGraph(DS_SafePtr<ZVI_VGraph>(g.release()));
}

float Quintic(float t) { return t * t * t * (t * (6.0f * t - 15.0f) + 10.0f); }
float Cubic(float t) { return t * t * (3.0f - 2.0f * t); }

DS_SafePtr<ZVI_PtclSys_Physics> NewPoints(ParticleVector&& points) {
  auto* holder = new ZVI_PtclSysPhys_Points();
  holder->particles = std::move(points);
  return DS_SafePtr<ZVI_PtclSys_Physics>(holder);
}

ParticlePtr NewPoint(const D3DXVECTOR3& at) { return ParticlePtr(new Particle(at)); }

}  // namespace

float BlockGraphAt(const JitterGraphParam& block, float x) {
  int32_t cursor = 1;
  ZVI_VGraph* g = block.graph.Graph();
  return g ? g->ValueAt(x, cursor) : 1.0f;
}

float BlockValueAt(const JitterGraphParam& block, float x) {
  return block.value.derived * block.jitter.derived * BlockGraphAt(block, x);
}

void TickCurveClock(MediaSpeedParam& clock, float dt) {
  clock.step = clock.derived * dt;
  clock.elapsed += clock.step;
  clock.last_time = dt;
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_TraceLine::ZVI_PtclSysPhys_TraceLine() {
  lifetime.value.SetScaleOffset(0.1f, 0.0f, 10u);
  pointSize.value.SetScaleOffset(1.0f, 0.0f, 20u);
  pointAlpha.value.SetScaleOffset(0.01f, 0.0f, 100u);
  InstallGraph(pointSize, "ZVI_VGraph_Const", {});
  // The quadratic Bezier's three control points.
  InstallGraph(pointAlpha, "ZVI_VGraph_QBezier", {{0.0f, 1.0f}, {0.05f, 0.0f}, {1.0f, 0.0f}});
}

void ZVI_PtclSysPhys_TraceLine::StartTrail(const ParticlePtr& particle) {
  if (stripes.size() >= kMaxPhysicsParticles) return;
  AppendStripe(particle, DS_SafePtr<ZVI_PtclSys_Physics>(new ZVI_PtclSysPhys_Points()));
}

ParticleVector ZVI_PtclSysPhys_TraceLine::Update(const ParticleVector*, float dt) {
  for (size_t i = 0; i < stripes.size();) {
    if (stripes[i].points) stripes[i].points->Update(nullptr, dt);
    Particle* followed = stripes[i].particle.get();
    const bool hasPoints = stripes[i].points && !stripes[i].points->particles.empty();
    if (!followed || followed->IsDead()) {
      if (!hasPoints) {
        stripes.erase(stripes.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
    } else if (followed->HasJumped() && hasPoints) {
      // The old trail stays behind unfollowed; the new pair comes later in
      // this walk.
      ParticlePtr keep = stripes[i].particle;
      StartTrail(keep);
      stripes[i].particle = ParticlePtr();
    } else {
      AddTrailPoint(stripes[i]);
    }
    ++i;
  }
  return {};
}

ParticlePtr ZVI_PtclSysPhys_TraceLine::MakeTrailPoint(const Particle& followed, const D3DXVECTOR3& at) {
  ParticlePtr point = NewPoint(at);
  point->AddTransform(new PtclTr_MaxAge(BlockValueAt(lifetime, 0.0f)));
  point->AddTransform(new PtclTr_TimePrm(1, &pointSize));
  point->AddTransform(new PtclTr_TimePrm(2, &pointAlpha));
  point->AddTransform(new PtclTr_PrmMultiplicator(1, followed.GetWorldSize()));
  point->AddTransform(new PtclTr_PrmMultiplicator(2, std::min(1.0f, followed.GetWorldAlpha())));
  StepParticle(point.get(), 0.0f);
  return point;
}

void ZVI_PtclSysPhys_TraceLine::AddTrailPoint(ParticleStripe& stripe) {
  if (!stripe.points) stripe.points = DS_SafePtr<ZVI_PtclSys_Physics>(new ZVI_PtclSysPhys_Points());
  const Particle& followed = *stripe.particle;
  const D3DXVECTOR3 at = followed.GetWorldOrigin();
  ParticleVector& points = stripe.points->particles;
  if (points.size() >= 2) {
    points.back() = MakeTrailPoint(followed, at);
    const D3DXVECTOR3 d = points[points.size() - 2]->GetWorldPosition() - at;
    if (D3DXVec3LengthSq(&d) < 9.0f) return;
  }
  if (points.size() >= kMaxPhysicsParticles) return;
  points.push_back(MakeTrailPoint(followed, at));
}

void ZVI_PtclSysPhys_TraceLine::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadJitterGraphParam(ar, lifetime);
  ReadJitterGraphParam(ar, pointSize);
  ReadJitterGraphParam(ar, pointAlpha);
  ReadStripesRecord(ar);
}

// ---------------------------------------------------------------------------

bool PtclTr_LineGeom::Apply(float, Particle* p) {
  const JitterGraphParam* blocks[4] = {&physics->width, &physics->size, &physics->start, &physics->end};
  for (int i = 0; i < 4; ++i) {
    const JitterGraphParam& b = *blocks[i];
    const float r = crt_rand01();
    const float j = b.jitter.derived;
    p->curveWindow[i] = b.value.derived * (r * (1.0f - j) + j) * BlockGraphAt(b, p->age);
  }
  return true;
}

ZVI_PtclSysPhys_Curves::ZVI_PtclSysPhys_Curves() {
  width.value.SetValue(1u);
  start.value.SetValue(1u);
  end.value.SetValue(1u);
  InstallGraph(start, "ZVI_VGraph_Line", {{0.0f, 0.0f}, {0.25f, 0.0f}, {0.75f, 0.0f}, {1.0f, 0.0f}});
}

ParticleVector ZVI_PtclSysPhys_Curves::Generate(const ParticleVector* parents) {
  ParticleVector out;
  if (!parents) return out;
  for (const ParticlePtr& parent : *parents) {
    if (stripes.size() >= kMaxPhysicsParticles) break;
    ParticlePtr curve(new Particle(parent));
    AttachCurveTransforms(curve.get());
    curve->flags |= ParticleFlags::ParentRelative | ParticleFlags::DiesWithParent;
    AppendStripe(curve, BuildCurve(curve.get()));
    out.push_back(curve);
  }
  return out;
}

void ZVI_PtclSysPhys_Curves::AttachCurveTransforms(Particle* curve) {
  curve->AddTransform(new PtclTr_InheritAge());
  curve->AddTransform(new PtclTr_LineGeom(this));
  curve->AddTransform(new PtclTr_TimePrm(2, &alpha));
  const float startFactor = crt_rand01() * 2.0f - 1.0f;
  const float factor = crt_rand01();
  const float sign = (crt_rand() % 2 != 0) ? 1.0f : -1.0f;
  curve->AddTransform(new PtclTr_StandardSpin(&spin, startFactor, factor, sign));
}

template <class F>
void ZVI_PtclSysPhys_Curves::StepCurves(float dt, F alive) {
  size_t kept = 0;
  for (size_t i = 0; i < stripes.size(); ++i) {
    Particle* curve = stripes[i].particle.get();
    if (!curve || !StepParticle(curve, dt)) continue;
    if (kept != i) stripes[kept] = std::move(stripes[i]);
    alive(stripes[kept]);
    ++kept;
  }
  stripes.resize(kept);
}

ParticleVector ZVI_PtclSysPhys_Curves::Update(const ParticleVector*, float dt) {
  StepCurves(dt, [](ParticleStripe&) {});
  return {};
}

void ZVI_PtclSysPhys_Curves::ReadCurvesRecord(DS_IOF_Archive& ar) {
  const int32_t version = ReadRecordName(ar);
  ReadSpinParams(ar, spin);
  ReadJitterGraphParam(ar, size);
  ReadJitterGraphParam(ar, width);
  ReadJitterGraphParam(ar, alpha);
  if (version > 1) {
    ReadJitterGraphParam(ar, start);
    ReadJitterGraphParam(ar, end);
  }
  ReadStripesRecord(ar);
}

DS_SafePtr<ZVI_PtclSys_Physics> ZVI_PtclSysPhys_Curves::StraightLine(uint32_t segments) {
  // No segments would divide 0 by 0: the line keeps its two ends.
  const uint32_t n = std::clamp<uint32_t>(segments, 1u, kMaxCurvePoints - 1);
  ParticleVector points;
  points.reserve(n + 1);
  for (uint32_t i = 0; i <= n; ++i) {
    points.push_back(NewPoint(D3DXVECTOR3(static_cast<float>(i) / static_cast<float>(n), 0, 0)));
  }
  return NewPoints(std::move(points));
}

DS_SafePtr<ZVI_PtclSys_Physics> ZVI_PtclSysPhys_LineCurv::BuildCurve(Particle*) {
  return StraightLine(segments.value);
}

bool ZVI_PtclSysPhys_LineCurv::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadStoredUnsigned(ar, segments);
  ReadCurvesRecord(ar);
  return true;
}

// ---------------------------------------------------------------------------

bool PtclTr_FractalPnt::Apply(float, Particle* p) {
  t += physics->speed.step;
  if (t > 1.0f) {
    a = b;
    t -= 1.0f;
    b = crt_rand01() * 2.0f - 1.0f;
  }
  const float c = a + (b - a) * Quintic(t);
  const D3DXVECTOR3& l = left->position;
  const D3DXVECTOR3& r = right->position;
  const float d = physics->amplitude.derived;
  p->position = D3DXVECTOR3((l.x + r.x) / 2.0f - c * d * (r.y - l.y), (l.y + r.y) / 2.0f + c * d * (r.x - l.x),
                            (l.z + r.z) / 2.0f);
  return true;
}

ZVI_PtclSysPhys_FractalCurv::ZVI_PtclSysPhys_FractalCurv() {
  size.value.SetValue(1u);
  alpha.value.SetValue(1u);
  amplitude.SetScaleOffset(0.004f, 0.0f, 50u);
  speed.SetScaleOffset(0.1f, 0.0f, 50u);
}

DS_SafePtr<ZVI_PtclSys_Physics> ZVI_PtclSysPhys_FractalCurv::BuildCurve(Particle*) {
  ParticleVector line{NewPoint(D3DXVECTOR3(0, 0, 0)), NewPoint(D3DXVECTOR3(1, 0, 0))};
  const uint32_t levelCount = LevelsInEffect();
  for (uint32_t level = 0; level < levelCount; ++level) {
    ParticleVector finer;
    finer.reserve(line.size() * 2 - 1);
    for (size_t i = 0; i + 1 < line.size(); ++i) {
      finer.push_back(line[i]);
      ParticlePtr mid = NewPoint(D3DXVECTOR3(0, 0, 0));
      const float t = crt_rand01();
      const float a = crt_rand01() * 2.0f - 1.0f;
      const float b = crt_rand01() * 2.0f - 1.0f;
      mid->AddTransform(new PtclTr_FractalPnt(this, line[i], line[i + 1], t, a, b));
      StepParticle(mid.get(), 0.0f);
      finer.push_back(mid);
    }
    finer.push_back(line.back());
    line.swap(finer);
  }
  return NewPoints(std::move(line));
}

void ZVI_PtclSysPhys_FractalCurv::Subdivide(ParticleVector& points, size_t lo, size_t hi) {
  size_t mid = lo + (hi - lo) / 2;
  while (mid > lo) {
    StepParticle(points[mid].get(), 0.0f);
    Subdivide(points, lo, mid);
    lo = mid;
    mid = mid + (hi - mid) / 2;
  }
}

ParticleVector ZVI_PtclSysPhys_FractalCurv::Update(const ParticleVector*, float dt) {
  TickCurveClock(speed, dt);
  StepCurves(dt, [this](ParticleStripe& s) {
    if (!s.points || s.points->particles.size() < 2) return;
    Subdivide(s.points->particles, 0, s.points->particles.size() - 1);
  });
  return {};
}

bool ZVI_PtclSysPhys_FractalCurv::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadStoredUnsigned(ar, levels);
  amplitude.Read(ar);
  if (version >= 2) speed.Read(ar);
  ReadCurvesRecord(ar);
  return true;
}

// ---------------------------------------------------------------------------

ZVI_PtclSysPhys_RandomCurv::ZVI_PtclSysPhys_RandomCurv() {
  size.value.SetValue(1u);
  alpha.value.SetValue(1u);
  amplitude.SetScaleOffset(0.016f, 0.0f, 50u);
  speed.SetScaleOffset(0.1f, 0.0f, 50u);
}

std::vector<D3DXVECTOR3> ZVI_PtclSysPhys_RandomCurv::RandomLine() const {
  // 0 segments would wrap the loop bound: the line keeps its two ends.
  const uint32_t n = std::clamp<uint32_t>(segments.value, 1u, kMaxCurvePoints - 1);
  const float amp = amplitude.derived;
  const D3DXVECTOR3 target(1, 0, 0);
  std::vector<D3DXVECTOR3> line;
  line.reserve(n + 1);
  D3DXVECTOR3 p(0, 0, 0);
  line.push_back(p);
  for (uint32_t i = 0; i + 1 < n; ++i) {
    const D3DXVECTOR3 d = target - p;
    const float s = D3DXVec3Length(&d) / static_cast<float>(n - i);
    const float k1 = crt_rand01() * 2.0f * amp - amp;
    const float k2 = crt_rand01() * 2.0f * amp - amp;
    D3DXVECTOR3 v(d.x + k1 * d.y, d.y + k2 * d.x, d.z);
    const float len = D3DXVec3Length(&v);
    if (len > 0.0f) p += v * (s / len);
    line.push_back(p);
  }
  line.push_back(target);
  return line;
}

DS_SafePtr<ZVI_PtclSys_Physics> ZVI_PtclSysPhys_RandomCurv::BuildCurve(Particle*) {
  const std::vector<D3DXVECTOR3> from = RandomLine();
  const std::vector<D3DXVECTOR3> to = RandomLine();
  ParticleVector points;
  points.reserve(from.size());
  for (size_t i = 0; i < from.size(); ++i) {
    ParticlePtr p = NewPoint(from[i]);
    p->velocity = to[i] - from[i];
    p->AddTransform(new PtclTr_Kinematic());
    points.push_back(p);
  }
  points.front()->age = speed.elapsed + 1.0f;
  return NewPoints(std::move(points));
}

ParticleVector ZVI_PtclSysPhys_RandomCurv::Update(const ParticleVector*, float dt) {
  TickCurveClock(speed, dt);
  StepCurves(dt, [this](ParticleStripe& s) {
    if (!s.points) return;
    ParticleVector& points = s.points->particles;
    if (!points.empty() && speed.elapsed > points.front()->age) {
      const std::vector<D3DXVECTOR3> next = RandomLine();
      for (size_t i = 0; i < points.size() && i < next.size(); ++i) points[i]->velocity = next[i] - points[i]->position;
      points.front()->age = speed.elapsed + 1.0f;
    }
    StepParticleVector(points, speed.step);
  });
  return {};
}

bool ZVI_PtclSysPhys_RandomCurv::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadStoredUnsigned(ar, segments);
  amplitude.Read(ar);
  speed.Read(ar);
  ReadCurvesRecord(ar);
  return true;
}

// ---------------------------------------------------------------------------

NoiseEntry::NoiseEntry() {
  t = crt_rand01();
  a = crt_rand01() * 2.0f - 1.0f;
  b = crt_rand01() * 2.0f - 1.0f;
  v = a;
}

PtclTr_PerlinOctave::PtclTr_PerlinOctave(const ZVI_PtclSysPhys_PerlinCurv* owner, uint32_t entry_count,
                                         float octave_weight)
    : physics(owner), span(static_cast<float>(entry_count) - 1.0f), weight(octave_weight) {
  entries.reserve(entry_count);
  for (uint32_t i = 0; i < entry_count; ++i) entries.emplace_back();
}

bool PtclTr_PerlinOctave::Apply(float, Particle* p) {
  if (entries.empty()) return true;
  if (!p) {
    const float step = physics->change.step;
    for (NoiseEntry& e : entries) {
      e.t += step;
      if (e.t > 1.0f) {
        e.a = e.b;
        e.t -= 1.0f;
        e.b = crt_rand01() * 2.0f - 1.0f;
      }
      e.v = e.a + (e.b - e.a) * Cubic(e.t);
    }
    return true;
  }
  const float x = p->position.x;
  const float amp = BlockValueAt(physics->amplitude, x);
  const double u = (static_cast<double>(physics->scroll.elapsed) + x) * span;
  if (!std::isfinite(u)) return true;
  const double whole = std::floor(u);
  const float w = static_cast<float>(u - whole);
  const double count = static_cast<double>(entries.size());
  double wrapped = std::fmod(whole, count);
  if (wrapped < 0) wrapped += count;
  const size_t h = std::min(static_cast<size_t>(wrapped), entries.size() - 1);
  float noise = entries[h].v;
  if (w != 0.0f) noise += (entries[(h + 1) % entries.size()].v - noise) * Cubic(w);
  p->FloatParam(paramIndex) += noise * weight * amp;
  return true;
}

bool PtclTr_PerlinCurve::Apply(float dt, Particle*) {
  for (const DS_SafePtr<PtclTr_PerlinOctave>& o : octaves) o->Apply(dt, nullptr);
  return true;
}

ZVI_PtclSysPhys_PerlinCurv::ZVI_PtclSysPhys_PerlinCurv() {
  size.value.SetValue(1u);
  alpha.value.SetValue(1u);
  amplitude.value.SetScaleOffset(0.002f, 0.0f, 50u);
  change.SetScaleOffset(0.05f, 0.0f, 50u);
  scroll.SetScaleOffset(0.01f, 0.0f, 0u);
}

namespace {
// Entries of octave k (from 1) for a multiplier of 1.
uint64_t OctaveBase(uint32_t k) { return k == 1 ? 2u : (uint64_t{1} << (k - 1)) + 1; }
}  // namespace

uint32_t ZVI_PtclSysPhys_PerlinCurv::OctavesInEffect() const {
  // No octave or a multiplier of 0 would take a remainder by 0.
  if (octaves.value == 0 || multiplier.value == 0) return 0;
  return std::min<uint32_t>(octaves.value, 16);
}

uint32_t ZVI_PtclSysPhys_PerlinCurv::MultiplierInEffect() const {
  const uint32_t k = OctavesInEffect();
  return k == 0 ? 0 : static_cast<uint32_t>(std::min<uint64_t>(multiplier.value, kMaxCurvePoints / OctaveBase(k)));
}

uint32_t ZVI_PtclSysPhys_PerlinCurv::CurvePointCount() const {
  const uint32_t k = OctavesInEffect();
  if (k == 0) return 2;
  const uint64_t c = OctaveBase(k) * MultiplierInEffect();
  const uint64_t wanted = c + (c - 1) * static_cast<uint64_t>(subdivisions.value);
  return static_cast<uint32_t>(std::clamp<uint64_t>(wanted, 2, kMaxCurvePoints));
}

DS_SafePtr<ZVI_PtclSys_Physics> ZVI_PtclSysPhys_PerlinCurv::BuildCurve(Particle* curve) {
  const uint32_t k = OctavesInEffect();
  if (k == 0) return StraightLine(1);
  const uint64_t m = MultiplierInEffect();
  const uint32_t n = CurvePointCount();
  auto* transform = new PtclTr_PerlinCurve(this);
  for (uint32_t octave = 1; octave <= k; ++octave) {
    const uint32_t entryCount = static_cast<uint32_t>(OctaveBase(octave) * m);
    transform->octaves.push_back(
        DS_SafePtr<PtclTr_PerlinOctave>(new PtclTr_PerlinOctave(this, entryCount, 1.0f / static_cast<float>(octave))));
  }
  ParticleVector points;
  points.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    ParticlePtr p = NewPoint(D3DXVECTOR3(static_cast<float>(i) / static_cast<float>(n - 1), 0, 0));
    for (const DS_SafePtr<PtclTr_PerlinOctave>& o : transform->octaves) p->AddTransform(TransformPtr(o));
    points.push_back(p);
  }
  if (curve) curve->AddTransform(transform);
  else delete transform;
  return NewPoints(std::move(points));
}

ParticleVector ZVI_PtclSysPhys_PerlinCurv::Update(const ParticleVector*, float dt) {
  TickCurveClock(change, dt);
  TickCurveClock(scroll, dt);
  StepCurves(dt, [](ParticleStripe& s) {
    if (!s.points) return;
    for (const ParticlePtr& p : s.points->particles) StepParticle(p.get(), 0.0f);
  });
  return {};
}

bool ZVI_PtclSysPhys_PerlinCurv::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadStoredUnsigned(ar, subdivisions);
  if (version <= 1) {
    amplitude.value.SetValue(0u);
  } else if (version == 2) {
    amplitude.value.Read(ar);
  } else {
    ReadJitterGraphParam(ar, amplitude);
    ReadStoredUnsigned(ar, octaves);
    ReadStoredUnsigned(ar, multiplier);
    change.Read(ar);
    if (version >= 4) scroll.Read(ar);
  }
  ReadCurvesRecord(ar);
  return true;
}

// ---------------------------------------------------------------------------

void RegisterStripePhysicsReaders() {
  RegisterReader<ZVI_PtclSysPhys_TraceLine, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_TraceLine");
  RegisterReader<ZVI_PtclSysPhys_LineCurv, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_LineCurv");
  RegisterReader<ZVI_PtclSysPhys_FractalCurv, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_FractalCurv");
  RegisterReader<ZVI_PtclSysPhys_RandomCurv, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_RandomCurv");
  RegisterReader<ZVI_PtclSysPhys_PerlinCurv, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_PerlinCurv");
}
