#include "particles/generators/generator_particle.h"

#include <cmath>
#include <limits>
#include <utility>

#include "core/crt.h"
#include "core/smart_values.h"

// ---- GeneratorParticle

GeneratorParticle::GeneratorParticle(float x, float y, float z) : position(x, y, z), previous(x, y, z) {}

GeneratorParticle::GeneratorParticle(const GeneratorParticle& other)
    : position(other.position), previous(other.previous) {
  for (int i = 0; i < 5; ++i) {
    channels[i] = other.channels[i];
    factors[i] = other.factors[i];
  }
  for (const PProcess* p : other.processes) processes.push_back(p->Clone());
}

GeneratorParticle::GeneratorParticle(GeneratorParticle&& other) noexcept
    : position(other.position), previous(other.previous), processes(std::move(other.processes)) {
  for (int i = 0; i < 5; ++i) {
    channels[i] = other.channels[i];
    factors[i] = other.factors[i];
  }
  other.processes.clear();
}

GeneratorParticle& GeneratorParticle::operator=(const GeneratorParticle& other) {
  if (this == &other) return *this;
  GeneratorParticle copy(other);
  return *this = std::move(copy);
}

GeneratorParticle& GeneratorParticle::operator=(GeneratorParticle&& other) noexcept {
  if (this == &other) return *this;
  ClearProcesses();
  position = other.position;
  previous = other.previous;
  for (int i = 0; i < 5; ++i) {
    channels[i] = other.channels[i];
    factors[i] = other.factors[i];
  }
  processes = std::move(other.processes);
  other.processes.clear();
  return *this;
}

GeneratorParticle::~GeneratorParticle() { ClearProcesses(); }

void GeneratorParticle::ClearProcesses() {
  for (PProcess* p : processes) delete p;
  processes.clear();
}

bool GeneratorParticle::StepProcesses(float dt) {
  bool alive = true;
  for (PProcess* p : processes) alive = p->Step(dt, *this) && alive;
  return alive;
}

// ---- behaviours

bool PLifeConst::Step(float dt, GeneratorParticle& p) {
  p.channels[kChannelLife] = p.channels[kChannelLife] + rate * dt;
  return p.channels[kChannelLife] < 1.0f;
}

bool PAgeConst::Step(float dt, GeneratorParticle& p) {
  p.channels[kChannelAge] = p.channels[kChannelAge] + dt;
  return p.channels[kChannelAge] < maxAge;
}

bool PFade::Step(float, GeneratorParticle& p) {
  const float age = p.channels[kChannelAge];
  if (remaining == 0.0f || startAge > age) return true;
  float& ch = p.channels[channel];
  if (age >= endAge) {
    ch = ch + remaining;
    remaining = 0.0f;
    return true;
  }
  // endAge > age >= startAge here, so the span is positive.
  const float f = (age - startAge) / (endAge - startAge) * remaining;
  ch = ch + f;
  remaining = remaining - f;
  startAge = age;
  return true;
}

bool PSteady::Step(float dt, GeneratorParticle& p) {
  const float life = p.channels[kChannelLife];
  if (from < life && life < to) p.channels[channel] = p.channels[channel] + rate * dt;
  return true;
}

bool PTwinkle::Step(float dt, GeneratorParticle& p) {
  timer = timer + dt;
  if (timer > interval) {
    if (crt_rand() % 3 != 0) {
      p.channels[channel] = baseValue;
      interval = crt_rand01() * 2.3f + 0.2f;
    } else {
      p.channels[channel] = baseValue * (crt_rand01() * 0.5f + 1.0f);
      interval = 0.2f;
    }
    timer = 0.0f;
  }
  return true;
}

namespace {

// position += a dt^2 / 2 + v dt, per axis, times scale; then v += a dt.
void Integrate(D3DXVECTOR3& position, D3DXVECTOR3& velocity, const D3DXVECTOR3& a, float dt, float scale) {
  const float dt2 = dt * dt;
  position.x = position.x + (a.x * dt2 / 2.0f + velocity.x * dt) * scale;
  position.y = position.y + (a.y * dt2 / 2.0f + velocity.y * dt) * scale;
  position.z = position.z + (a.z * dt2 / 2.0f + velocity.z * dt) * scale;
  velocity.x = velocity.x + a.x * dt;
  velocity.y = velocity.y + a.y * dt;
  velocity.z = velocity.z + a.z * dt;
}

}  // namespace

bool PKinetic::Step(float dt, GeneratorParticle& p) {
  const float dt2 = dt * dt;
  p.position.x = p.position.x + acceleration.x * dt2 / 2.0f + velocity.x * dt;
  p.position.y = p.position.y + acceleration.y * dt2 / 2.0f + velocity.y * dt;
  p.position.z = p.position.z + acceleration.z * dt2 / 2.0f + velocity.z * dt;
  velocity.x = velocity.x + acceleration.x * dt;
  velocity.y = velocity.y + acceleration.y * dt;
  velocity.z = velocity.z + acceleration.z * dt;
  return true;
}

bool PSpin::Step(float dt, GeneratorParticle& p) {
  p.channels[kChannelAngle] = p.channels[kChannelAngle] + rate * dt;
  return true;
}

void PBrownian::Steer(const D3DXVECTOR3& target, float T) {
  if (!(T > 0.0f)) {
    // No steering time: the turn would be over before it starts (any step
    // longer than 0 ends it before the move), so none is made.
    acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    accelerationTime = 0.0f;
    return;
  }
  const float k = 1.0f / T;
  acceleration = D3DXVECTOR3((target.x - velocity.x) * k, (target.y - velocity.y) * k, (target.z - velocity.z) * k);
  accelerationTime = T;
}

bool PBrownian::Step(float dt, GeneratorParticle& p) {
  if (!settings || !settings->area || !settings->speed || !settings->interval || !settings->steerTime) return true;
  const D3DXVECTOR3 c0 = settings->area->corners[0].value;
  const D3DXVECTOR3 c3 = settings->area->corners[3].value;
  const float S = settings->speed->derived;
  const float I = settings->interval->derived;
  const float T = settings->steerTime->derived;
  const D3DXVECTOR3& pos = p.position;
  const bool in = c0.x <= pos.x && pos.x <= c3.x && c0.y <= pos.y && pos.y <= c3.y;
  const bool still = acceleration.x == 0.0f && acceleration.y == 0.0f && acceleration.z == 0.0f;
  if (!in && (inside != 0 || still)) {
    D3DXVECTOR3 d((c0.x + c3.x) / 2.0f - pos.x, (c0.y + c3.y) / 2.0f - pos.y, 0.0f - pos.z);
    D3DXVec3Normalize(&d, &d);
    Steer(d * 100.0f, T);
  }
  inside = in ? 1 : 0;
  retargetTimer = retargetTimer - dt;
  if (retargetTimer < 0.0f) {
    retargetTimer = crt_rand01() * (1.5f * I - 0.5f * I) + 0.5f * I;
    if (in) {
      const float ty = crt_rand01() * 200.0f - 100.0f;
      const float tx = crt_rand01() * 200.0f - 100.0f;
      Steer(D3DXVECTOR3(tx, ty, 0.0f), T);
    }
  }
  accelerationTime = accelerationTime - dt;
  if (accelerationTime < 0.0f) {
    acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    accelerationTime = 0.0f;
  }
  Integrate(p.position, velocity, acceleration, dt, S);
  return true;
}

void StepGeneratorParticles(GeneratorParticleList& list, float dt) {
  for (auto it = list.begin(); it != list.end();) {
    if (it->StepProcesses(dt))
      ++it;
    else
      it = list.erase(it);
  }
}

// ---- rate counter

int64_t SaturatingTruncate(double x) {
  if (std::isnan(x)) return 0;
  constexpr double kMax = 9.2233720368547748e18;  // 2^63, the first value out of range
  if (x >= kMax) return std::numeric_limits<int64_t>::max();
  if (x <= -kMax) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(x);
}

int64_t PerSecondCounter::Count(float t) {
  const float elapsed = t - lastTime;
  const int64_t n = SaturatingTruncate(static_cast<double>(derived * elapsed));
  if (n != 0) lastTime = t;
  return n;
}
