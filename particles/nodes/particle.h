#pragma once
// The node particle record: every node-based particle system (node trees,
// tree-structured systems, line nodes and the physics that feed them)
// simulates this one record. Once per frame its owner calls StepParticle,
// which resets the per-frame values, runs the particle's transforms in order
// and rebuilds its heading and scale matrix. Sizes and alphas multiply up the
// parent chain.
#include <cstdint>
#include <vector>

#include "core/safe_ptr.h"
#include "platform/d3dx9/d3dx9_math.h"

struct Particle;

// The bits of Particle::flags.
struct ParticleFlags {
  static constexpr uint32_t Dead = 0x1;
  // position is relative to the parent's world position, and the parent's
  // scale matrix is inherited.
  static constexpr uint32_t ParentRelative = 0x2;
  static constexpr uint32_t DiesWithParent = 0x4;
  // Drawn with the background texture this frame; cleared by every step.
  static constexpr uint32_t BackgroundTexture = 0x8;
  // Brings its own motion: the emitter node attaches no kinematic transform.
  static constexpr uint32_t OwnMotion = 0x10;
  // The position wrapped this frame: trails break here.
  static constexpr uint32_t Jumped = 0x20;
  // scale survives the frame reset.
  static constexpr uint32_t KeepScale = 0x40;
  static constexpr uint32_t TextMarker = 0x80;
};

// A per-particle transform, run once per frame by the step.
class ZVI_PtclTransform {
 public:
  virtual ~ZVI_PtclTransform() = default;
  // Updates the particle for one frame; false means the particle is to die.
  virtual bool Apply(float dt, Particle* particle) = 0;
  // Re-initialises the transform before a zero-time re-run.
  virtual void Reset(Particle* particle) {}
};

using ParticlePtr = DS_SafePtr<Particle>;
using ParticleVector = std::vector<ParticlePtr>;
using TransformPtr = DS_SafePtr<ZVI_PtclTransform>;

// Four floats: texture and quad windows, atlas cells.
struct ParticleQuad {
  float v[4] = {0, 0, 0, 0};
  float& operator[](int i) { return v[i]; }
  float operator[](int i) const { return v[i]; }
};

struct Particle {
  // An empty parent block, no transforms, flags 0, Reset, then the position.
  explicit Particle(const D3DXVECTOR3& at = D3DXVECTOR3(0, 0, 0));
  // As above under a parent (shared), without a position.
  explicit Particle(const ParticlePtr& parent_particle);
  Particle(const Particle&) = delete;
  Particle& operator=(const Particle&) = delete;

  // Float parameters 0 to 5.
  float age = 0;           // 0: life fraction
  float size = 0;          // 1: size factor of this frame
  float alpha = 0;         // 2: opacity factor of this frame
  float offsetAlong = 0;   // 3: offset along the heading
  float offsetAcross = 0;  // 4: offset to the left of the heading
  float timeAlive = 0;     // 5: seconds since the last reset
  // Float parameters 6 to 11: random factor of parameter i is parameter i + 6.
  float random[6] = {0, 0, 0, 0, 0, 0};
  // Vector parameters 0 to 7.
  D3DXVECTOR3 position;
  D3DXVECTOR3 velocity;
  D3DXVECTOR3 acceleration;
  D3DXVECTOR3 heading;
  D3DXVECTOR3 color;
  D3DXVECTOR3 offset;
  D3DXVECTOR3 scale;
  D3DXVECTOR3 auxVector;
  D3DXMATRIX modifier1;
  D3DXMATRIX modifier2;
  D3DXMATRIX scaleMatrix;
  D3DXMATRIX birthMatrix;
  D3DXMATRIX previousWorld;
  ParticleQuad texWindow;       // u from, u to, v from, v to
  ParticleQuad atlasCell;       // column (0) and row (2)
  ParticleQuad quadWindow;      // x from, x to, y from, y to
  uint32_t flags = 0;
  ParticleQuad texScaleOffset;  // scale u, scale v, offset u, offset v
  ParticleQuad curveWindow;     // width scale, length scale, from, to
  ParticlePtr parent;
  D3DXMATRIX baseMatrix;
  std::vector<TransformPtr> transforms;

  static constexpr int kFloatParamCount = 12;
  static constexpr int kVectorParamCount = 8;
  // Float parameter i (0 to 11); an index outside gives a scratch value.
  float& FloatParam(int32_t i);
  // Vector parameter i (0 to 7); an index outside gives a scratch vector.
  D3DXVECTOR3& VectorParam(int32_t i);

  void Reset();
  void ResetFrameState();
  bool HasParent() const { return parent.get() != nullptr; }
  bool IsDead() const { return (flags & ParticleFlags::Dead) != 0; }

  D3DXVECTOR3 GetWorldPosition() const;
  D3DXMATRIX GetWorldMatrix() const;
  D3DXVECTOR3 GetWorldOrigin() const;
  D3DXVECTOR3 GetWorldVelocity() const;
  float GetWorldSize() const;
  float GetWorldAlpha() const;
  bool HasJumped() const;
  void DetachFromParent();
  // m = m x K, K the scale chain of this particle.
  void ComposeScaleMatrix(D3DXMATRIX* m) const;
  // Appends a transform (held by counted pointer).
  void AddTransform(ZVI_PtclTransform* transform) { transforms.push_back(TransformPtr(transform)); }
  void AddTransform(const TransformPtr& transform) { transforms.push_back(transform); }

 private:
  // position plus the heading-relative offset (x and y).
  D3DXVECTOR3 OffsetPoint(const D3DXVECTOR3& base) const;
};

// One frame of a particle; false when it is dead.
bool StepParticle(Particle* particle, float dt);
// Steps every element in order; a dead one is erased in place and the same
// index is stepped next.
void StepParticleVector(ParticleVector& particles, float dt);
