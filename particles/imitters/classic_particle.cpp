#include "particles/imitters/classic_particle.h"

#include <algorithm>
#include <cmath>

#include "core/colour_params.h"
#include "core/crt.h"
#include "core/envelope_params.h"
#include "core/math_routines.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "geometry/curve.h"
#include "geometry/paths.h"

namespace {

bool ValidMultiplier(int k) { return k >= 0 && k < 7; }

float SidewaysOffset(ClassicParticle& p, const MediaParamT<unsigned int>* width) {
  const float w = width ? static_cast<float>(width->value) : 0.0f;
  return p.Multiplier(6) * p.Free(2) * w;
}

}  // namespace

ClassicParticle::ClassicParticle(const D3DXVECTOR3& where) : position(where) { D3DXMatrixIdentity(&matrix); }

void ClassicParticle::AddRoutine(const RoutinePtr& routine, bool applyNow) {
  routines.push_back(routine);
  if (applyNow && routine) routine->Apply(0.0f, *this);
}

D3DXVECTOR3 ClassicParticle::TestPoint() const {
  const float along = Multiplier(4);
  const float side = Multiplier(5);
  return D3DXVECTOR3(position.x + along * direction.x + side * normal.x,
                     position.y + along * direction.y + side * normal.y,
                     position.z + along * direction.z + side * normal.z);
}

bool StepClassicParticle(ClassicParticle& p, float dt) {
  if (p.lifeController && !p.lifeController->Apply(dt, p)) return false;
  for (int k = 0; k < 7; ++k) p.Multiplier(k) = 1.0f;
  p.frameForce = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  bool alive = true;
  // Indexing, not iterators: a routine may append to the list.
  for (size_t i = 0; i < p.routines.size(); ++i) {
    InnerParticleRoutine* r = p.routines[i].get();
    if (r && !r->Apply(dt, p)) {
      alive = false;
      break;
    }
  }
  const D3DXVECTOR3& v = p.velocity;
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length > 0.0f) p.direction = D3DXVECTOR3(v.x / length, v.y / length, v.z / length);
  else p.direction = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  p.normal.x = -p.direction.y;
  p.normal.y = p.direction.x;
  return alive;
}

void StepClassicParticles(ClassicParticleList& list, float dt) {
  size_t kept = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    ClassicParticle* p = list[i].get();
    if (!p || !StepClassicParticle(*p, dt)) continue;
    if (kept != i) list[kept] = std::move(list[i]);
    ++kept;
  }
  list.resize(kept);
}

// ---- life controllers

bool IPR_ConstantAge::Apply(float dt, ClassicParticle& p) {
  p.Age() += dt;
  return p.Age() <= maximum;
}

bool IPR_ConstDistance::Apply(float dt, ClassicParticle& p) {
  p.Age() += dt * (speed ? speed->derived : 0.0f);
  return p.Age() <= GetLifeSpan();
}

float IPR_ConstPath::GetLifeSpan() const { return path ? path->total_length : 0.0f; }

bool IPR_PathTracker::Apply(float dt, ClassicParticle& p) {
  const float d = factor * dt * (speed ? speed->derived : 0.0f);
  p.Age() += d;
  if (!cursor) return false;
  return cursor->AdvanceOffset(d, SidewaysOffset(p, width), &p.position, &p.velocity);
}

float IPR_PathTracker::GetLifeSpan() const {
  if (!cursor || !cursor->samples || cursor->samples->size() < 2) return 0.0f;
  const std::vector<PathSample>& s = *cursor->samples;
  return s[s.size() - 2].cumulative;
}

// ---- path placement

bool IPR_IndexedPathPoint::Apply(float dt, ClassicParticle& p) {
  if (!cursor || !cursor->samples || cursor->samples->size() < 2) return false;
  const std::vector<PathSample>& s = *cursor->samples;
  const int32_t last = static_cast<int32_t>(s.size()) - 1;
  const PathSample& at = s[static_cast<size_t>(std::clamp(p.pathIndex, 0, last))];
  const float b = SidewaysOffset(p, width);
  p.position = D3DXVECTOR3(at.position.x + at.tangent.y * b, at.position.y - at.tangent.x * b, 0.0f);
  p.velocity = at.tangent;
  return true;
}

bool IPR_PathPoint::Apply(float dt, ClassicParticle& p) {
  if (!cursor) return false;
  const bool ok = cursor->Seek(p.Age(), SidewaysOffset(p, width), &p.position, &p.velocity);
  p.pathIndex = cursor->segment;
  return ok;
}

// ---- motion and colour

bool IPR_Kinematic::Apply(float dt, ClassicParticle& p) {
  const D3DXVECTOR3 a = p.acceleration + p.frameForce;
  const float half = dt * dt / 2.0f;
  p.position.x += p.velocity.x * dt + a.x * half;
  p.position.y += p.velocity.y * dt + a.y * half;
  p.position.z += p.velocity.z * dt + a.z * half;
  p.velocity += a * dt;
  return true;
}

bool IPR_AirResist::Apply(float dt, ClassicParticle& p) {
  p.frameForce -= p.velocity * k;
  return true;
}

bool IPR_Wind::Apply(float dt, ClassicParticle& p) {
  p.frameForce += (wind - p.velocity) * c;
  return true;
}

bool IPR_Color::Apply(float dt, ClassicParticle& p) {
  if (!colours) return true;
  const std::vector<COLORREF>& list = colours->colours.value;
  const int32_t mode = colours->colourMode.value;
  // Too few colours for the mode: the particle keeps the colour it has.
  if (mode == 0) {
    if (!list.empty()) p.colour = list[0];
    return true;
  }
  const float t = colours->pick.value != 0 ? pick : p.Age() / p.LifeSpan();
  if (mode == 1) {
    if (list.size() < 2) return true;
    const COLORREF c0 = list[0], c1 = list[1];
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const float a = static_cast<float>((c0 >> shift) & 0xFF);
      const float b = static_cast<float>((c1 >> shift) & 0xFF);
      out |= TruncatedLowByte((b - a) * t + a) << shift;
    }
    p.colour = out;
    return true;
  }
  if (list.empty()) return true;
  const int32_t i = RoundFloatToInt(static_cast<float>(list.size() - 1) * t);
  if (i >= 0 && static_cast<size_t>(i) < list.size()) p.colour = list[static_cast<size_t>(i)];
  return true;
}

// ---- values over the life

bool IPR_Increment::Apply(float dt, ClassicParticle& p) {
  if (k < 0 || k >= ClassicParticle::kRunSize) return true;
  if (remaining > 0.0f && p.Age() > lastAge) {
    const float d = std::fabs((p.Age() - lastAge) * rate);
    p.run[k] += std::copysign(std::min(remaining, d), rate);
    lastAge = p.Age();
    remaining -= d;
  }
  return true;
}

bool IPR_IncrementM::Apply(float dt, ClassicParticle& p) {
  if (!ValidMultiplier(k)) return true;
  const float age = p.Age();
  float f;
  if (age <= t0) f = a;
  else if (age <= t1) f = a + (b - a) * (age - t0) / (t1 - t0);
  else f = b;
  p.Multiplier(k) *= f;
  return true;
}

bool IPR_Harmonic::Apply(float dt, ClassicParticle& p) {
  if (ValidMultiplier(k)) p.Multiplier(k) *= std::cos(p.Age() * frequency + phase) * amplitude + base;
  return true;
}

IPR_Perlin::IPR_Perlin(ClassicParticle& p, int index, float amplitudeValue, float baseValue, float frequencyValue)
    : OscilationRoutine(index), base(baseValue), noise(new PerlinNoise1D()) {
  noise->persistence = 0.5;
  noise->frequency = frequencyValue;
  noise->amplitude = static_cast<double>(amplitudeValue) * 0.5;
  noise->octaves = 3;
  const int32_t r = crt_rand() % 32767;
  noise->seed = r * r + 2;
  Apply(0.0f, p);
}

bool IPR_Perlin::Apply(float dt, ClassicParticle& p) {
  ownTime += dt;
  if (!ValidMultiplier(k) || !noise) return true;
  p.Multiplier(k) *= static_cast<float>(noise->amplitude * noise->Sum(ownTime)) + base;
  return true;
}

namespace {

void AttachOscillation(const VariationParams& block, int k, ClassicParticle& p, float base) {
  const float frequency = block.frequency.derived;
  const float amplitude = block.amplitude.derived;
  if (block.mode.value == 1) {
    const float phase = static_cast<float>(crt_rand()) / 32767.0f * 6.2831855f;
    p.AddRoutine(RoutinePtr(new IPR_Harmonic(k, phase, base, frequency, amplitude)), true);
  } else if (block.mode.value == 2) {
    p.AddRoutine(RoutinePtr(new IPR_Perlin(p, k, amplitude * 4.0f, base, frequency)), false);
  }
}

}  // namespace

void AttachRoutineAroundOne(const VariationParams& block, int k, ClassicParticle& p) {
  AttachOscillation(block, k, p, 1.0f - block.amplitude.derived);
}

void AttachRoutineAroundZero(const VariationParams& block, int k, ClassicParticle& p) {
  AttachOscillation(block, k, p, 0.0f);
}

// ---- conditions and actions

bool PRC_OR::Check(float dt, ClassicParticle& p) {
  for (auto& c : conditions)
    if (c && c->Check(dt, p)) return true;
  return false;
}

PRC_CrossLine* PRC_CrossLine::Through(float x1, float y1, float x2, float y2) {
  return new PRC_CrossLine(y1 - y2, x2 - x1, x1 * y2 - x2 * y1);
}

bool PRC_CrossLine::Check(float dt, ClassicParticle& p) {
  const D3DXVECTOR3 q = p.TestPoint();
  return a * q.x + b * q.y + c < 0.0f;
}

PRC_CrossQuad::PRC_CrossQuad(const MediaQuad& quad) {
  static constexpr int kEdges[4][2] = {{0, 2}, {2, 3}, {3, 1}, {1, 0}};
  for (const auto& e : kEdges) {
    const D3DXVECTOR3& from = quad.corners[e[0]].value;
    const D3DXVECTOR3& to = quad.corners[e[1]].value;
    Add(DS_SafePtr<RoutineCondition>(PRC_CrossLine::Through(from.x, from.y, to.x, to.y)));
  }
}

bool IPR_InteractionRoutine::Apply(float dt, ClassicParticle& p) {
  if (!condition || !condition->Check(dt, p)) return true;
  if (!action) return true;
  ClassicParticlePtr made;
  return action->Act(p, made);
}
