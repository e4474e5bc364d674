#pragma once
// Particle transforms for life, float parameters and appearance: death by
// age or timer, inherited age and vectors, constant, jittered, enveloped,
// graphed, oscillating and noisy factors, colour, atlas animation and
// rotation. Each is made per particle by an owner (geometry, physics, node)
// and reads the owner's parameter blocks live, so edits reach living
// particles.
#include <cstdint>

#include "core/colour_params.h"
#include "core/envelope_params.h"
#include "core/graph_params.h"
#include "core/jitter_params.h"
#include "core/noise.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "particles/nodes/param_blocks.h"
#include "particles/nodes/particle.h"

// Dies when age reaches 1 over the span (seconds); a span of 0 kills at once.
class PtclTr_MaxAge : public ZVI_PtclTransform {
 public:
  explicit PtclTr_MaxAge(float span_seconds) : span(span_seconds) {}
  bool Apply(float dt, Particle* p) override;
  float span;
};

// Age cycles through [0, 1) for ever.
class PtclTr_PhoenixLife : public ZVI_PtclTransform {
 public:
  explicit PtclTr_PhoenixLife(float cycle_seconds) : cycle(cycle_seconds) {}
  bool Apply(float dt, Particle* p) override;
  float cycle;
};

// Alive while timeAlive is below the limit.
class PtclTr_DieOnTimer : public ZVI_PtclTransform {
 public:
  explicit PtclTr_DieOnTimer(float limit_seconds) : limit(limit_seconds) {}
  bool Apply(float dt, Particle* p) override;
  float limit;
};

class PtclTr_InheritAge : public ZVI_PtclTransform {
 public:
  bool Apply(float dt, Particle* p) override;
};

// Vector parameter i = the parent's vector i.
class PtclTr_InheritVectorPrm : public ZVI_PtclTransform {
 public:
  explicit PtclTr_InheritVectorPrm(int32_t vector_index) : index(vector_index) {}
  bool Apply(float dt, Particle* p) override;
  int32_t index;
};

// Base of the transforms that change float parameter i; its random factor
// is parameter i + 6.
class PtclTr_FloatPrm : public ZVI_PtclTransform {
 public:
  explicit PtclTr_FloatPrm(int32_t param_index) : index(param_index) {}
  int32_t index;
};

class PtclTr_PrmMultiplicator : public PtclTr_FloatPrm {
 public:
  PtclTr_PrmMultiplicator(int32_t i, float constant_factor) : PtclTr_FloatPrm(i), factor(constant_factor) {}
  bool Apply(float dt, Particle* p) override;
  float factor;
};

// Multiplies by the current value of a float its owner keeps.
class PtclTr_RefMultiplicator : public PtclTr_FloatPrm {
 public:
  PtclTr_RefMultiplicator(int32_t i, const float* referenced) : PtclTr_FloatPrm(i), ref(referenced) {}
  bool Apply(float dt, Particle* p) override;
  const float* ref;
};

// Parameter i x= the jittered value of the owner's value and jitter.
class PtclTr_JitterCtrl : public PtclTr_FloatPrm {
 public:
  PtclTr_JitterCtrl(int32_t i, const ZVI_JitterParam* owner)
      : PtclTr_FloatPrm(i), value(owner), jitter(&owner->jitter) {}
  PtclTr_JitterCtrl(int32_t i, const JitterValue* owner)
      : PtclTr_FloatPrm(i), value(&owner->value), jitter(&owner->jitter) {}
  bool Apply(float dt, Particle* p) override;
  const UINTSclaleTo<float>* value;
  const UINTSclaleTo<float>* jitter;
};

class PtclTr_JitterUpdater : public PtclTr_JitterCtrl {
 public:
  using PtclTr_JitterCtrl::PtclTr_JitterCtrl;
};

// Parameter i x= graph(age) x the jittered value.
class PtclTr_TimePrm : public PtclTr_FloatPrm {
 public:
  PtclTr_TimePrm(int32_t i, const JitterGraphParam* owner_block) : PtclTr_FloatPrm(i), owner(owner_block) {}
  bool Apply(float dt, Particle* p) override;
  const JitterGraphParam* owner;
};

// Parameter i x= the fade-in / fade-out envelope at the particle's age.
class PtclTr_AgeTransform : public PtclTr_FloatPrm {
 public:
  PtclTr_AgeTransform(int32_t i, const ScaledParamGroup* envelope) : PtclTr_FloatPrm(i), owner(envelope) {}
  bool Apply(float dt, Particle* p) override;
  const ScaledParamGroup* owner;
};

// A cosine swing of parameter i around a base (1: a factor, 0: an addition).
class PtclTr_Harmonic : public PtclTr_FloatPrm {
 public:
  PtclTr_Harmonic(int32_t i, const VariationParams* owner_block, float base_value, float start_phase)
      : PtclTr_FloatPrm(i), owner(owner_block), base(base_value), phase(start_phase) {}
  bool Apply(float dt, Particle* p) override;
  const VariationParams* owner;
  float base;
  float phase;
};

// As the harmonic swing with a value noise in place of the cosine. The
// constructor draws the noise seed (one rand()).
class PtclTr_Perlin : public PtclTr_FloatPrm {
 public:
  PtclTr_Perlin(int32_t i, const VariationParams* owner_block, float base_value);
  bool Apply(float dt, Particle* p) override;
  const VariationParams* owner;
  float base;
  float time = 0.0f;
  DS_SafePtr<PerlinNoise1D> noise;
};

// Runs the harmonic (mode 1) or the noise (mode 2) swing of its block.
class PtclTr_Oscilator : public ZVI_PtclTransform {
 public:
  PtclTr_Oscilator(int32_t i, const VariationParams* owner_block, float base_value, float start_phase)
      : harmonic(i, owner_block, base_value, start_phase), perlin(i, owner_block, base_value), owner(owner_block) {}
  bool Apply(float dt, Particle* p) override;
  PtclTr_Harmonic harmonic;
  PtclTr_Perlin perlin;
  const VariationParams* owner;
};

// The particle's colour (0 to 255 scale) from a colour set, by age or by a
// pick of its own.
class PtclTr_Color : public ZVI_PtclTransform {
 public:
  PtclTr_Color(const ColorSetParams* owner_block, float own_pick) : owner(owner_block), pick(own_pick) {}
  bool Apply(float dt, Particle* p) override;
  const ColorSetParams* owner;
  float pick;
};

// Steps through the cells of an atlas at a frame rate; a sheet that does not
// loop ends its particle after the last cell.
class PtclTr_TexAtlasAnimation : public ZVI_PtclTransform {
 public:
  PtclTr_TexAtlasAnimation(int32_t column_count, int32_t row_count, const UINTSclaleTo<float>* frames_per_second,
                           const MediaParamT<int32_t>* loop_param)
      : columns(column_count), rows(row_count), frameRate(frames_per_second), loop(loop_param) {}
  bool Apply(float dt, Particle* p) override;
  int32_t columns;
  int32_t rows;
  const UINTSclaleTo<float>* frameRate;
  const MediaParamT<int32_t>* loop;
  float timer = 0.0f;
};

// Start angle with spread, optional spin and heading alignment, into
// modifier1 (times the parent's modifier1).
class PtclTr_StandardSpin : public ZVI_PtclTransform {
 public:
  PtclTr_StandardSpin(const SpinParams* owner_block, float spread_factor, float spin_random, float random_sign)
      : owner(owner_block), spreadFactor(spread_factor), spinRandom(spin_random), sign(random_sign) {}
  bool Apply(float dt, Particle* p) override;
  const SpinParams* owner;
  float spreadFactor;
  float spinRandom;
  float spin = 0.0f;
  float sign;
};

// The root particle's turning.
class PtclTr_Orientation : public ZVI_PtclTransform {
 public:
  explicit PtclTr_Orientation(const RootOrientationParams* owner_block) : owner(owner_block) {}
  bool Apply(float dt, Particle* p) override;
  const RootOrientationParams* owner;
  float angle = 0.0f;
};
