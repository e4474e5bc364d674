#pragma once
// The particle of every generator (and of the path, static and Brownian
// animations): a position, the position at the last trail emission, five
// channels, five per-particle factors and an owned, ordered list of
// behaviours stepped once per frame. Also the emission-rate parameter.
#include <cstddef>
#include <cstdint>
#include <list>

#include "core/scaled_param.h"
#include "platform/d3dx9/d3dx9_math.h"

class MediaQuad;
class PProcess;

// Channel indices of a GeneratorParticle.
enum GeneratorChannel : int32_t {
  kChannelLife = 0,
  kChannelSize = 1,
  kChannelOpacity = 2,
  kChannelAge = 3,
  kChannelAngle = 4,
};

// The most particles one generator list holds; emissions beyond it are dropped.
constexpr size_t kMaxGeneratorParticles = 262144;

class GeneratorParticle {
 public:
  GeneratorParticle() = default;
  GeneratorParticle(float x, float y, float z);
  // Copies positions, channels and factors; the behaviours are cloned.
  GeneratorParticle(const GeneratorParticle& other);
  GeneratorParticle(GeneratorParticle&& other) noexcept;
  GeneratorParticle& operator=(const GeneratorParticle& other);
  GeneratorParticle& operator=(GeneratorParticle&& other) noexcept;
  ~GeneratorParticle();

  // Deletes every behaviour; the other fields stay.
  void ClearProcesses();
  void SavePreviousPosition() { previous = position; }
  // Takes ownership.
  void AddProcess(PProcess* process) { processes.push_back(process); }
  // Every behaviour once with dt; true unless one of them reported death.
  // All behaviours run, also after one has returned false.
  bool StepProcesses(float dt);

  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 previous{0.0f, 0.0f, 0.0f};
  float channels[5] = {0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
  float factors[5] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
  std::list<PProcess*> processes;
};

using GeneratorParticleList = std::list<GeneratorParticle>;

// A behaviour of a generator particle.
class PProcess {
 public:
  virtual ~PProcess() = default;
  // False when the particle must die.
  virtual bool Step(float dt, GeneratorParticle& p) = 0;
  virtual PProcess* Clone() const = 0;
};

// Life grows at a constant rate; dead at 1.
class PLifeConst : public PProcess {
 public:
  explicit PLifeConst(float r = 0.0f) : rate(r) {}
  bool Step(float dt, GeneratorParticle& p) override;
  PProcess* Clone() const override { return new PLifeConst(*this); }
  float rate;
};

// Age grows with time; dead at the maximum age.
class PAgeConst : public PProcess {
 public:
  explicit PAgeConst(float max = 0.0f) : maxAge(max) {}
  bool Step(float dt, GeneratorParticle& p) override;
  PProcess* Clone() const override { return new PAgeConst(*this); }
  float maxAge;
};

// Moves a channel by a fixed total amount between two ages, in proportion to
// the age reached, whatever the step sizes.
class PFade : public PProcess {
 public:
  PFade(int32_t ch = 0, float start = 0.0f, float end = 0.0f, float amount = 0.0f)
      : channel(ch), startAge(start), endAge(end), remaining(amount) {}
  bool Step(float dt, GeneratorParticle& p) override;
  PProcess* Clone() const override { return new PFade(*this); }
  int32_t channel;
  float startAge;
  float endAge;
  float remaining;
};

// Changes a channel at a constant rate while life is strictly inside (from, to).
class PSteady : public PProcess {
 public:
  PSteady(int32_t ch = 0, float f = 0.0f, float t = 0.0f, float r = 0.0f) : channel(ch), from(f), to(t), rate(r) {}
  bool Step(float dt, GeneratorParticle& p) override;
  PProcess* Clone() const override { return new PSteady(*this); }
  int32_t channel;
  float from;
  float to;
  float rate;
};

// Sets a channel to its base value or up to half as much again at random
// intervals.
class PTwinkle : public PProcess {
 public:
  PTwinkle(int32_t ch = 0, float t = 0.0f, float base = 0.0f, float i = 0.0f)
      : channel(ch), timer(t), baseValue(base), interval(i) {}
  bool Step(float dt, GeneratorParticle& p) override;
  PProcess* Clone() const override { return new PTwinkle(*this); }
  int32_t channel;
  float timer;
  float baseValue;
  float interval;
};

// Constant acceleration.
class PKinetic : public PProcess {
 public:
  PKinetic() = default;
  PKinetic(const D3DXVECTOR3& v, const D3DXVECTOR3& a) : velocity(v), acceleration(a) {}
  bool Step(float dt, GeneratorParticle& p) override;
  PProcess* Clone() const override { return new PKinetic(*this); }
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 acceleration{0.0f, 0.0f, 0.0f};
};

// Turns the angle channel at a constant rate (radians per second).
class PSpin : public PProcess {
 public:
  explicit PSpin(float r = 0.0f) : rate(r) {}
  bool Step(float dt, GeneratorParticle& p) override;
  PProcess* Clone() const override { return new PSpin(*this); }
  float rate;
};

// What the owner of Brownian particles keeps for their lifetime: the allowed
// rectangle (corners 0 and 3), the speed factor, the retarget interval and
// the steering time, read at every step.
struct BrownianSettings {
  const MediaQuad* area = nullptr;
  const UINTSclaleTo<float>* speed = nullptr;
  const UINTSclaleTo<float>* interval = nullptr;
  const UINTSclaleTo<float>* steerTime = nullptr;
};

// A random walk that steers back into its rectangle.
class PBrownian : public PProcess {
 public:
  explicit PBrownian(const BrownianSettings* s = nullptr) : settings(s) {}
  bool Step(float dt, GeneratorParticle& p) override;
  PProcess* Clone() const override { return new PBrownian(*this); }
  // Turns the velocity toward `target` over the steering time T.
  void Steer(const D3DXVECTOR3& target, float T);
  const BrownianSettings* settings;
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 acceleration{0.0f, 0.0f, 0.0f};
  float accelerationTime = 0.0f;
  float retargetTimer = 0.0f;
  uint8_t inside = 1;
};

// Steps every particle of the list; those whose behaviours report death are
// removed (and their behaviours deleted).
void StepGeneratorParticles(GeneratorParticleList& list, float dt);

// An emission rate (events per second) with the clock time of the last count.
class PerSecondCounter : public UINTSclaleTo<float> {
 public:
  PerSecondCounter() = default;
  PerSecondCounter(const PerSecondCounter&) = default;
  PerSecondCounter& operator=(const PerSecondCounter&) = default;
  virtual ~PerSecondCounter() = default;

  // Whole events due at clock time t; when any are, the last time becomes t.
  // Counted in 64 bits and saturated, so a huge rate or a long pause gives a
  // large count, never an undefined conversion.
  int64_t Count(float t);

  float lastTime = 0.0f;
};

class PerSecondCounterRnd : public PerSecondCounter {
 public:
  PerSecondCounterRnd() = default;
  PerSecondCounterRnd(const PerSecondCounterRnd&) = default;
  PerSecondCounterRnd& operator=(const PerSecondCounterRnd&) = default;
};

// truncate(x) saturated to the int64 range; NaN gives 0.
int64_t SaturatingTruncate(double x);
