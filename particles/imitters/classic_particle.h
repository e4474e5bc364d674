#pragma once
// The particle of every classic system and the small routines that make it
// live: a life controller and an ordered list of routines, each changing the
// particle once per step; a routine answering false ends the particle.
#include <cstdint>
#include <vector>

#include "core/noise.h"
#include "core/safe_ptr.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "platform/win32/win_types.h"

class ColorSetParams;
class ClassicParticle;
class MediaQuad;
class SplinePath;
class VariationParams;
template <class T> class UINTSclaleTo;
template <class T> class MediaParamT;
struct PathCursor;

using ClassicParticlePtr = DS_SafePtr<ClassicParticle>;
using ClassicParticleList = std::vector<ClassicParticlePtr>;

class InnerParticleRoutine {
 public:
  virtual ~InnerParticleRoutine() = default;
  // One step of dt seconds; false ends the particle.
  virtual bool Apply(float dt, ClassicParticle& p) = 0;
  // What the age is divided by for the life fraction (life controllers).
  virtual float GetLifeSpan() const { return 1.0f; }
};
using RoutinePtr = DS_SafePtr<InnerParticleRoutine>;

class ClassicParticle {
 public:
  // Indices of the float run that IPR_Increment addresses.
  static constexpr int kAge = 0;
  static constexpr int kFactor1 = 1;
  static constexpr int kFactor2 = 2;
  static constexpr int kSpin = 3;
  static constexpr int kFree = 4;
  static constexpr int kMultipliers = 7;
  static constexpr int kRunSize = 14;

  explicit ClassicParticle(const D3DXVECTOR3& where);

  // Appends the routine; with applyNow runs it once with dt 0 (result ignored).
  void AddRoutine(const RoutinePtr& routine, bool applyNow);
  void SetLifeController(const RoutinePtr& routine) { lifeController = routine; }
  // The life controller's span, 1 without one.
  float LifeSpan() const { return lifeController ? lifeController->GetLifeSpan() : 1.0f; }

  float& Age() { return run[kAge]; }
  float Age() const { return run[kAge]; }
  float& Factor1() { return run[kFactor1]; }
  float& Factor2() { return run[kFactor2]; }
  float Factor1() const { return run[kFactor1]; }
  float Factor2() const { return run[kFactor2]; }
  float& Spin() { return run[kSpin]; }
  float& Free(int i) { return run[kFree + i]; }
  // [1] size, [2] alpha, [4] offset along the direction, [5] along the
  // normal, [6] sideways path offset factor.
  float& Multiplier(int k) { return run[kMultipliers + k]; }
  float Multiplier(int k) const { return run[kMultipliers + k]; }
  // Position moved by multipliers 4 and 5 along the direction and normal:
  // where the quad is centred and what the crossing conditions test.
  D3DXVECTOR3 TestPoint() const;

  D3DXMATRIX matrix;
  D3DXVECTOR3 position;
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 acceleration{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 frameForce{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 direction{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 normal{0.0f, 0.0f, 0.0f};
  // age, factor 1, factor 2, spin, three free values, seven multipliers.
  float run[kRunSize] = {0, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1};
  int32_t pathIndex = 0;
  float atlasScale[2] = {1.0f, 1.0f};
  float atlasOffset[2] = {0.0f, 0.0f};
  // White until a colour routine writes one.
  COLORREF colour = 0x00FFFFFFu;
  uint32_t stateBits = 0;
  std::vector<RoutinePtr> routines;
  RoutinePtr lifeController;
};

// One step; false means the particle dies.
bool StepClassicParticle(ClassicParticle& p, float dt);
// Steps every particle in order and unlinks those whose step failed.
void StepClassicParticles(ClassicParticleList& list, float dt);

// ---- life controllers

class IPR_ConstantAge : public InnerParticleRoutine {
 public:
  explicit IPR_ConstantAge(float max) : maximum(max) {}
  bool Apply(float dt, ClassicParticle& p) override;
  float GetLifeSpan() const override { return maximum; }
  float maximum;
};

// Ages by distance: dt x the speed parameter's derived value.
class IPR_ConstDistance : public IPR_ConstantAge {
 public:
  IPR_ConstDistance(float max, const UINTSclaleTo<float>* speedParam) : IPR_ConstantAge(max), speed(speedParam) {}
  bool Apply(float dt, ClassicParticle& p) override;
  const UINTSclaleTo<float>* speed;
};

// Lives as long as the path is long.
class IPR_ConstPath : public IPR_ConstDistance {
 public:
  IPR_ConstPath(float max, const UINTSclaleTo<float>* speedParam, const SplinePath* pathRef)
      : IPR_ConstDistance(max, speedParam), path(pathRef) {}
  float GetLifeSpan() const override;
  const SplinePath* path;
};

// Moves the particle along a path (shifted sideways) as it ages.
class IPR_PathTracker : public IPR_ConstantAge {
 public:
  IPR_PathTracker(const MediaParamT<unsigned int>* widthParam, const DS_SafePtr<PathCursor>& pathCursor,
                  const UINTSclaleTo<float>* speedParam, float f)
      : IPR_ConstantAge(0.0f), width(widthParam), cursor(pathCursor), speed(speedParam), factor(f) {}
  bool Apply(float dt, ClassicParticle& p) override;
  float GetLifeSpan() const override;
  const MediaParamT<unsigned int>* width;
  DS_SafePtr<PathCursor> cursor;
  const UINTSclaleTo<float>* speed;
  float factor;
};

// ---- path placement

class IPR_IndexedPathPoint : public InnerParticleRoutine {
 public:
  IPR_IndexedPathPoint(const MediaParamT<unsigned int>* widthParam, const DS_SafePtr<PathCursor>& pathCursor)
      : width(widthParam), cursor(pathCursor) {}
  bool Apply(float dt, ClassicParticle& p) override;
  const MediaParamT<unsigned int>* width;
  DS_SafePtr<PathCursor> cursor;
};

class IPR_PathPoint : public InnerParticleRoutine {
 public:
  IPR_PathPoint(const MediaParamT<unsigned int>* widthParam, const DS_SafePtr<PathCursor>& pathCursor)
      : width(widthParam), cursor(pathCursor) {}
  bool Apply(float dt, ClassicParticle& p) override;
  const MediaParamT<unsigned int>* width;
  DS_SafePtr<PathCursor> cursor;
};

// ---- motion and colour

class IPR_Kinematic : public InnerParticleRoutine {
 public:
  bool Apply(float dt, ClassicParticle& p) override;
};

class IPR_AirResist : public InnerParticleRoutine {
 public:
  explicit IPR_AirResist(float coefficient) : k(coefficient) {}
  bool Apply(float dt, ClassicParticle& p) override;
  float k;
};

class IPR_Wind : public InnerParticleRoutine {
 public:
  IPR_Wind(const D3DXVECTOR3& windVelocity, float coefficient) : wind(windVelocity), c(coefficient) {}
  bool Apply(float dt, ClassicParticle& p) override;
  D3DXVECTOR3 wind;
  float c;
};

// The particle's colour from a colour set: the first colour, a blend of the
// first two, or a pick from the list, by life fraction or a fixed pick.
class IPR_Color : public InnerParticleRoutine {
 public:
  IPR_Color(const ColorSetParams* colourSet, float pickValue) : colours(colourSet), pick(pickValue) {}
  bool Apply(float dt, ClassicParticle& p) override;
  const ColorSetParams* colours;
  float pick;
};

// ---- values over the life

class FloatParamRoutine : public InnerParticleRoutine {
 public:
  explicit FloatParamRoutine(int index) : k(index) {}
  int k;
};

class OscilationRoutine : public FloatParamRoutine {
 public:
  using FloatParamRoutine::FloatParamRoutine;
};

// Moves float k of the run by a total amount at a rate per second of age.
class IPR_Increment : public FloatParamRoutine {
 public:
  IPR_Increment(int index, float amount, float ratePerSecond)
      : FloatParamRoutine(index), remaining(amount), rate(ratePerSecond) {}
  bool Apply(float dt, ClassicParticle& p) override;
  float lastAge = 0.0f;
  float remaining;
  float rate;
};

// Multiplier k times a value going from a to b between ages t0 and t1.
class IPR_IncrementM : public FloatParamRoutine {
 public:
  IPR_IncrementM(int index, float from, float to, float startAge, float endAge)
      : FloatParamRoutine(index), a(from), b(to), t0(startAge), t1(endAge) {}
  bool Apply(float dt, ClassicParticle& p) override;
  float a, b, t0, t1;
};

class IPR_Harmonic : public OscilationRoutine {
 public:
  IPR_Harmonic(int index, float phaseValue, float baseValue, float frequencyValue, float amplitudeValue)
      : OscilationRoutine(index), phase(phaseValue), base(baseValue), frequency(frequencyValue),
        amplitude(amplitudeValue) {}
  bool Apply(float dt, ClassicParticle& p) override;
  float phase, base, frequency, amplitude;
};

class IPR_Perlin : public OscilationRoutine {
 public:
  // Noise of persistence 0.5, 3 octaves, amplitude half the given one and a
  // random seed; applied once at once with dt 0.
  IPR_Perlin(ClassicParticle& p, int index, float amplitudeValue, float baseValue, float frequencyValue);
  bool Apply(float dt, ClassicParticle& p) override;
  float ownTime = 0.0f;
  float base;
  DS_SafePtr<PerlinNoise1D> noise;
};

// The oscillation a variation block describes on multiplier k: around 1
// (base 1 - amplitude) or around 0.
void AttachRoutineAroundOne(const VariationParams& block, int k, ClassicParticle& p);
void AttachRoutineAroundZero(const VariationParams& block, int k, ClassicParticle& p);

// ---- conditions and actions

class RoutineCondition {
 public:
  virtual ~RoutineCondition() = default;
  virtual bool Check(float dt, ClassicParticle& p) = 0;
};

class PRC_OR : public RoutineCondition {
 public:
  bool Check(float dt, ClassicParticle& p) override;
  void Add(const DS_SafePtr<RoutineCondition>& condition) { conditions.push_back(condition); }
  std::vector<DS_SafePtr<RoutineCondition>> conditions;
};

// True when a x X + b x Y + c < 0 at the particle's test point.
class PRC_CrossLine : public RoutineCondition {
 public:
  PRC_CrossLine(float av, float bv, float cv) : a(av), b(bv), c(cv) {}
  // The line through two points, negative on the right of the direction.
  static PRC_CrossLine* Through(float x1, float y1, float x2, float y2);
  bool Check(float dt, ClassicParticle& p) override;
  float a, b, c;
};

// True when the test point leaves the quad: the edges c0->c2, c2->c3, c3->c1, c1->c0.
class PRC_CrossQuad : public PRC_OR {
 public:
  explicit PRC_CrossQuad(const MediaQuad& quad);
};

class RoutineAction {
 public:
  virtual ~RoutineAction() = default;
  virtual bool Act(ClassicParticle& p, ClassicParticlePtr& out) = 0;
};

class PRA_Die : public RoutineAction {
 public:
  bool Act(ClassicParticle& p, ClassicParticlePtr& out) override { return false; }
};

// When the condition holds: the action's answer; else true.
class IPR_InteractionRoutine : public InnerParticleRoutine {
 public:
  IPR_InteractionRoutine() = default;
  IPR_InteractionRoutine(RoutineCondition* c, RoutineAction* a) : condition(c), action(a) {}
  void SetCondition(RoutineCondition* c) { condition = DS_SafePtr<RoutineCondition>(c); }
  bool Apply(float dt, ClassicParticle& p) override;
  DS_SafePtr<RoutineCondition> condition;
  DS_SafePtr<RoutineAction> action;
};
