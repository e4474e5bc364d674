#include "particles/nodes/particle.h"

#include <cmath>
#include <utility>

#include "core/crt.h"

namespace {

constexpr float Particle::* kNamedFloats[6] = {&Particle::age,         &Particle::size,
                                               &Particle::alpha,       &Particle::offsetAlong,
                                               &Particle::offsetAcross, &Particle::timeAlive};
constexpr D3DXVECTOR3 Particle::* kVectors[8] = {
    &Particle::position, &Particle::velocity, &Particle::acceleration, &Particle::heading,
    &Particle::color,    &Particle::offset,   &Particle::scale,        &Particle::auxVector};

const D3DXMATRIX& IdentityMatrix() {
  static const D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return identity;
}

// The row-vector product a x b with the sums in the order D3DXMatrixMultiply
// takes them, inlined for the per-frame path.
inline void Multiply(D3DXMATRIX* out, const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    }
  }
  *out = r;
}

bool IsIdentity(const D3DXMATRIX& m) {
  const D3DXMATRIX& id = IdentityMatrix();
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (m.m[i][j] != id.m[i][j]) return false;
    }
  }
  return true;
}

// Translation(-p) x Scaling(s) x Translation(p), written out: the same
// values as the three products, without them.
void ScalingAboutPoint(D3DXMATRIX* out, const D3DXVECTOR3& p, float s) {
  *out = D3DXMATRIX(s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, -p.x * s + p.x, -p.y * s + p.y, -p.z * s + p.z, 1);
}

void SetQuad(ParticleQuad& q, float a, float b, float c, float d) {
  q[0] = a;
  q[1] = b;
  q[2] = c;
  q[3] = d;
}

}  // namespace

Particle::Particle(const D3DXVECTOR3& at) : parent(ParticlePtr::MakeEmpty()) {
  Reset();
  position = at;
}

Particle::Particle(const ParticlePtr& parent_particle)
    : parent(parent_particle.HasBlock() ? parent_particle : ParticlePtr::MakeEmpty()) {
  Reset();
}

float& Particle::FloatParam(int32_t i) {
  if (i >= 0 && i < 6) return this->*kNamedFloats[i];
  if (i >= 6 && i < kFloatParamCount) return random[i - 6];
  static thread_local float scratch;
  scratch = 0.0f;
  return scratch;
}

D3DXVECTOR3& Particle::VectorParam(int32_t i) {
  if (i >= 0 && i < kVectorParamCount) return this->*kVectors[i];
  static thread_local D3DXVECTOR3 scratch;
  scratch = D3DXVECTOR3(0, 0, 0);
  return scratch;
}

void Particle::Reset() {
  age = 0.0f;
  size = 1.0f;
  alpha = 1.0f;
  timeAlive = 0.0f;
  // The alpha factor is drawn before the size factor.
  random[2] = crt_rand01();
  random[1] = crt_rand01();
  ResetFrameState();
  position = velocity = acceleration = D3DXVECTOR3(0, 0, 0);
  heading = D3DXVECTOR3(0, 1, 0);
  color = D3DXVECTOR3(1, 1, 1);
  scale = D3DXVECTOR3(1, 1, 1);
  scaleMatrix = baseMatrix = IdentityMatrix();
  SetQuad(texWindow, 0, 1, 0, 1);
  SetQuad(atlasCell, 0, 1, 0, 1);
  SetQuad(quadWindow, 0, 1, 0, 1);
  SetQuad(texScaleOffset, 1, 1, 0, 0);
  SetQuad(curveWindow, 1, 1, 0, 1);
}

void Particle::ResetFrameState() {
  previousWorld = GetWorldMatrix();
  modifier1 = modifier2 = IdentityMatrix();
  acceleration = offset = D3DXVECTOR3(0, 0, 0);
  size = alpha = 1.0f;
  offsetAlong = offsetAcross = 0.0f;
  if (!(flags & ParticleFlags::KeepScale)) scale = D3DXVECTOR3(1, 1, 1);
}

D3DXVECTOR3 Particle::OffsetPoint(const D3DXVECTOR3& base) const {
  D3DXVECTOR3 p = base;
  p.x += offsetAlong * heading.x - offsetAcross * heading.y;
  p.y += offsetAlong * heading.y + offsetAcross * heading.x;
  return p;
}

D3DXVECTOR3 Particle::GetWorldPosition() const {
  D3DXVECTOR3 p = position;
  if ((flags & ParticleFlags::ParentRelative) && parent.get()) p = parent->GetWorldPosition() + position;
  return OffsetPoint(p);
}

D3DXMATRIX Particle::GetWorldMatrix() const {
  // Scaling(size) x modifier2 x modifier1 x Translation(position + offset) x
  // (the parent's world matrix or baseMatrix); the scaling and translation
  // products are written out.
  D3DXMATRIX m;
  if (IsIdentity(modifier2)) {
    m = D3DXMATRIX(size, 0, 0, 0, 0, size, 0, 0, 0, 0, size, 0, 0, 0, 0, 1);
  } else {
    m = modifier2;
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 4; ++j) m.m[i][j] *= size;
    }
  }
  Multiply(&m, m, modifier1);
  const D3DXVECTOR3 at = position + offset;
  for (int i = 0; i < 4; ++i) {
    m.m[i][0] += m.m[i][3] * at.x;
    m.m[i][1] += m.m[i][3] * at.y;
    m.m[i][2] += m.m[i][3] * at.z;
  }
  if (parent.get()) {
    Multiply(&m, m, parent->GetWorldMatrix());
  } else {
    Multiply(&m, m, baseMatrix);
  }
  return m;
}

D3DXVECTOR3 Particle::GetWorldOrigin() const {
  const D3DXMATRIX w = GetWorldMatrix();
  const D3DXVECTOR3 zero(0, 0, 0);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &zero, &w);
  return out;
}

D3DXVECTOR3 Particle::GetWorldVelocity() const {
  return parent.get() ? velocity + parent->GetWorldVelocity() : velocity;
}

float Particle::GetWorldSize() const { return parent.get() ? size * parent->GetWorldSize() : size; }

float Particle::GetWorldAlpha() const {
  const float a = parent.get() ? alpha * parent->GetWorldAlpha() : alpha;
  return a > 1.0f ? 1.0f : a;
}

bool Particle::HasJumped() const {
  for (const Particle* p = this; p; p = p->parent.get()) {
    if (p->flags & ParticleFlags::Jumped) return true;
  }
  return false;
}

void Particle::DetachFromParent() {
  if (!parent.get()) return;
  baseMatrix = parent->GetWorldMatrix();
  parent = ParticlePtr::MakeEmpty();
}

void Particle::ComposeScaleMatrix(D3DXMATRIX* m) const {
  if (!parent.get()) {
    // Kept as stored projects play it: a root multiplies its own scaling in
    // a second time.
    const D3DXMATRIX k = scaleMatrix;
    Multiply(m, *m, k);
    return;
  }
  if (flags & ParticleFlags::ParentRelative) {
    Multiply(m, *m, parent->scaleMatrix);
    return;
  }
  D3DXMATRIX k;
  ScalingAboutPoint(&k, OffsetPoint(position), parent->size);
  parent->ComposeScaleMatrix(&k);
  Multiply(m, *m, k);
}

bool StepParticle(Particle* p, float dt) {
  p->flags &= ~ParticleFlags::Jumped;
  if (p->parent.get() && p->parent->IsDead() && (p->flags & ParticleFlags::DiesWithParent)) {
    p->flags |= ParticleFlags::Dead;
    return false;
  }
  p->ResetFrameState();
  p->flags &= ~ParticleFlags::BackgroundTexture;
  p->timeAlive += dt;
  // Indexed: a transform may append to the list while it runs.
  for (size_t i = 0; i < p->transforms.size(); ++i) {
    ZVI_PtclTransform* t = p->transforms[i].get();
    if (t && !t->Apply(dt, p)) p->flags |= ParticleFlags::Dead;
  }
  const float len = D3DXVec3Length(&p->velocity);
  p->heading = len > 0.0f ? p->velocity / len : D3DXVECTOR3(0, 1, 0);
  const D3DXVECTOR3 at = p->GetWorldPosition();
  ScalingAboutPoint(&p->scaleMatrix, at, p->size);
  p->ComposeScaleMatrix(&p->scaleMatrix);
  return !p->IsDead();
}

void StepParticleVector(ParticleVector& particles, float dt) {
  // Survivors move down over the dead in one pass: the same order and the
  // same releases as erasing each dead one where it stands, without the
  // quadratic shifting.
  size_t kept = 0;
  for (size_t i = 0; i < particles.size(); ++i) {
    Particle* p = particles[i].get();
    if (p && StepParticle(p, dt)) {
      if (kept != i) particles[kept] = std::move(particles[i]);
      ++kept;
    } else {
      particles[i].Release();
    }
  }
  particles.resize(kept);
}
