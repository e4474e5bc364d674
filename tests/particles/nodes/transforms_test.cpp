// Transforms for life, float parameters and appearance.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/crt.h"
#include "core/math_routines.h"
#include "core/noise.h"
#include "particles/nodes/transforms.h"
#include "tests/particles/nodes/node_fakes.h"

namespace {

constexpr float kPi = 3.1415927f;

ParticlePtr Fresh() { return ParticlePtr(new Particle()); }

// Steps until the particle dies or `limit` steps pass; the steps taken.
int StepsToDeath(Particle* p, float dt, int limit) {
  for (int i = 1; i <= limit; ++i) {
    if (!StepParticle(p, dt)) return i;
  }
  return -1;
}

TEST(LifeTransformTest, MaxAgeEndsAtExactlyOne) {
  struct Row {
    float span, dt;
    int steps;
  } rows[] = {
      {2.0f, 0.5f, 4},
      {2.0f, 0.7f, 3},
      {1.0f, 0.25f, 4},
      // A span of 0 kills at once.
      {0.0f, 0.1f, 1},
      {0.0f, 0.0f, 1},
  };
  for (const Row& r : rows) {
    ParticlePtr p = Fresh();
    p->AddTransform(new PtclTr_MaxAge(r.span));
    EXPECT_EQ(StepsToDeath(p.get(), r.dt, 20), r.steps) << r.span << " " << r.dt;
    if (r.span > 0.0f) EXPECT_EQ(p->age, 1.0f);
  }
}

TEST(LifeTransformTest, PhoenixCyclesAndTimerLimits) {
  ParticlePtr phoenix = Fresh();
  phoenix->AddTransform(new PtclTr_PhoenixLife(1.0f));
  EXPECT_TRUE(StepParticle(phoenix.get(), 1.5f));
  EXPECT_FLOAT_EQ(phoenix->age, 0.5f);
  // Subtracted once only, and a cycle of 0 leaves the age alone.
  EXPECT_TRUE(StepParticle(phoenix.get(), 2.0f));
  EXPECT_FLOAT_EQ(phoenix->age, 1.5f);
  ParticlePtr stalled = Fresh();
  stalled->age = 0.25f;
  stalled->AddTransform(new PtclTr_PhoenixLife(0.0f));
  EXPECT_TRUE(StepParticle(stalled.get(), 0.0f));
  EXPECT_TRUE(StepParticle(stalled.get(), 0.1f));
  EXPECT_EQ(stalled->age, 0.25f);

  struct Row {
    float limit, dt;
    int steps;
  } rows[] = {{0.0f, 0.1f, 1}, {0.0f, 0.0f, 1}, {1.0f, 0.25f, 4}, {1.0f, 0.3f, 4}};
  for (const Row& r : rows) {
    ParticlePtr p = Fresh();
    p->AddTransform(new PtclTr_DieOnTimer(r.limit));
    EXPECT_EQ(StepsToDeath(p.get(), r.dt, 20), r.steps) << r.limit << " " << r.dt;
  }
}

TEST(LifeTransformTest, InheritAgeAndVectors) {
  ParticlePtr parent = Fresh();
  parent->age = 0.375f;
  parent->color = D3DXVECTOR3(10, 20, 30);
  ParticlePtr child(new Particle(parent));
  child->AddTransform(new PtclTr_InheritAge);
  child->AddTransform(new PtclTr_InheritVectorPrm(4));
  EXPECT_TRUE(StepParticle(child.get(), 0.1f));
  EXPECT_EQ(child->age, 0.375f);
  EXPECT_EQ(child->color, D3DXVECTOR3(10, 20, 30));
}

TEST(FloatTransformTest, MultiplicatorsReadTheirFactorLive) {
  ParticlePtr p = Fresh();
  float owner_value = 0.5f;
  p->AddTransform(new PtclTr_PrmMultiplicator(1, 3.0f));
  p->AddTransform(new PtclTr_RefMultiplicator(2, &owner_value));
  StepParticle(p.get(), 0.1f);
  EXPECT_FLOAT_EQ(p->size, 3.0f);
  EXPECT_FLOAT_EQ(p->alpha, 0.5f);
  owner_value = 0.25f;
  StepParticle(p.get(), 0.1f);
  EXPECT_FLOAT_EQ(p->alpha, 0.25f);
}

TEST(FloatTransformTest, JitteredFactorsUseTheParametersRandom) {
  struct Row {
    uint32_t value, jitter;
    float r, expected;
  } rows[] = {
      {100, 0, 0.3f, 1.0f},    // no jitter: every particle gets v
      {100, 100, 0.3f, 0.3f},  // full jitter: spread over [0, v]
      {200, 50, 0.5f, 1.5f},   // v x (0.5 + 0.5 x 0.5)
  };
  for (const Row& r : rows) {
    ZVI_JitterParam owner;
    owner.SetScaleOffset(0.01f, 0.0f, r.value);
    owner.jitter.SetValue(r.jitter);
    ParticlePtr p = Fresh();
    p->random[1] = r.r;
    p->random[2] = r.r;
    p->AddTransform(new PtclTr_JitterCtrl(1, &owner));
    p->AddTransform(new PtclTr_JitterUpdater(2, &owner));
    StepParticle(p.get(), 0.1f);
    EXPECT_FLOAT_EQ(p->size, r.expected) << r.value << " " << r.jitter;
    EXPECT_FLOAT_EQ(p->alpha, r.expected);
  }
}

TEST(FloatTransformTest, TimeParamShapesByTheGraphAtTheAge) {
  JitterGraphParam owner;
  owner.value.SetValue(4u);
  ParticlePtr p = Fresh();
  p->AddTransform(new PtclTr_TimePrm(2, &owner));
  StepParticle(p.get(), 0.1f);
  // The constant graph gives 1.
  EXPECT_FLOAT_EQ(p->alpha, 4.0f);
}

TEST(FloatTransformTest, AgeEnvelope) {
  ScaledParamGroup env;
  env.fadeInEnd.SetValue(20u);
  struct Row {
    float age, expected;
  } rows[] = {{0.0f, 0.0f}, {0.1f, 0.5f}, {0.5f, 1.0f}, {0.99f, 1.0f}, {1.0f, 1.0f}};
  for (const Row& r : rows) {
    ParticlePtr p = Fresh();
    p->age = r.age;
    p->AddTransform(new PtclTr_AgeTransform(1, &env));
    StepParticle(p.get(), 0.0f);
    EXPECT_FLOAT_EQ(p->size, r.expected) << r.age;
  }
}

VariationParams Variation(int32_t mode, uint32_t amplitude_percent, uint32_t frequency = 0) {
  VariationParams v;
  v.mode.SetValue(mode);
  v.amplitude.SetScaleOffset(0.01f, 0.0f, amplitude_percent);
  v.frequency.SetValue(frequency);
  return v;
}

TEST(FloatTransformTest, HarmonicAroundOneAndAroundZero) {
  const VariationParams owner = Variation(1, 50);
  struct Row {
    int32_t index;
    float base, phase, expected;
  } rows[] = {
      // Base 1 moves size between 0 and 1.
      {1, 1.0f, 0.0f, 1.0f},
      {1, 1.0f, kPi, 0.0f},
      {1, 1.0f, kPi / 2, 0.5f},
      // Base 0 adds a cosine of amplitude 0.5.
      {3, 0.0f, 0.0f, 0.5f},
      {3, 0.0f, kPi, -0.5f},
  };
  for (const Row& r : rows) {
    ParticlePtr p = Fresh();
    p->AddTransform(new PtclTr_Harmonic(r.index, &owner, r.base, r.phase));
    StepParticle(p.get(), 0.1f);
    EXPECT_NEAR(p->FloatParam(r.index), r.expected, 1e-6f) << r.base << " " << r.phase;
  }
  // The phase advances by the frequency's value x dt.
  VariationParams moving = Variation(1, 50, 10);  // 1 radian per second
  PtclTr_Harmonic h(1, &moving, 1.0f, 0.0f);
  Particle q;
  h.Apply(0.5f, &q);
  EXPECT_FLOAT_EQ(h.phase, 0.5f);
}

TEST(FloatTransformTest, PerlinSeedAndValue) {
  crt_srand(1);
  const VariationParams owner = Variation(2, 50, 10);
  PtclTr_Perlin first(3, &owner, 0.0f);
  EXPECT_EQ(first.noise->seed, 1683);  // 41 squared plus 2
  EXPECT_EQ(first.noise->octaves, 1);
  EXPECT_EQ(first.noise->persistence, 0.5);
  EXPECT_EQ(first.noise->frequency, 1.0);
  EXPECT_EQ(first.noise->amplitude, 2.0);
  PtclTr_Perlin second(3, &owner, 0.0f);
  EXPECT_EQ(second.noise->seed, 18467 * 18467 + 2);
  Particle p;
  p.offsetAlong = 1.0f;
  first.Apply(0.25f, &p);
  EXPECT_FLOAT_EQ(first.time, 0.25f);
  const double n = 2.0 * SmoothNoise2D(1683.0, 0.25 + 1683.0);
  EXPECT_FLOAT_EQ(p.offsetAlong, 1.0f + static_cast<float>(n) * 0.5f);
  Particle q;
  PtclTr_Perlin around_one(1, &owner, 1.0f);
  around_one.Apply(0.25f, &q);
  const double m = 2.0 * SmoothNoise2D(around_one.noise->seed, 0.25 + around_one.noise->seed);
  EXPECT_FLOAT_EQ(q.size, 1.0f + (static_cast<float>(m) - 1.0f) * 0.5f);
}

TEST(FloatTransformTest, OscillatorFollowsTheModeLive) {
  crt_srand(1);
  VariationParams owner = Variation(0, 50);
  PtclTr_Oscilator osc(1, &owner, 1.0f, kPi);
  // The noise part drew its seed when it was built.
  EXPECT_EQ(osc.perlin.noise->seed, 1683);
  Particle p;
  osc.Apply(0.1f, &p);
  EXPECT_EQ(p.size, 1.0f);
  owner.mode.SetValue(1);
  EXPECT_TRUE(osc.Apply(0.1f, &p));
  EXPECT_NEAR(p.size, 0.0f, 1e-6f);
  owner.mode.SetValue(2);
  p.size = 1.0f;
  osc.Apply(0.1f, &p);
  EXPECT_NE(p.size, 1.0f);
  EXPECT_EQ(osc.perlin.time, 0.0f);  // frequency 0
  owner.mode.SetValue(7);
  p.size = 1.0f;
  EXPECT_TRUE(osc.Apply(0.1f, &p));
  EXPECT_EQ(p.size, 1.0f);
}

TEST(AppearanceTransformTest, ColourByModeAndPick) {
  const std::vector<COLORREF> three = {0x000000FFu, 0x0000FF00u, 0x00FF0000u};
  struct Row {
    int32_t mode, pick_mode;
    std::vector<COLORREF> colours;
    float age, own_pick;
    D3DXVECTOR3 expected;
  } rows[] = {
      {2, 0, three, 1.0f, 0.0f, {0, 0, 255}},
      {2, 0, three, 0.5f, 0.0f, {0, 255, 0}},
      {2, 0, three, 0.0f, 0.0f, {255, 0, 0}},
      {2, 1, three, 0.0f, 0.7f, {0, 0, 255}},
      {1, 0, {0x00000000u, 0x00FF80C8u}, 0.5f, 0.0f, {100, 64, 127.5f}},
      {0, 0, three, 0.9f, 0.0f, {255, 0, 0}},
      // Nothing to take the colour from: unchanged.
      {2, 0, {}, 0.5f, 0.0f, {1, 1, 1}},
      {1, 0, {0x00FFFFFFu}, 0.5f, 0.0f, {1, 1, 1}},
  };
  for (const Row& r : rows) {
    ColorSetParams owner;
    owner.colourMode.SetValue(r.mode);
    owner.pick.SetValue(r.pick_mode);
    owner.colours.value = r.colours;
    Particle p;
    p.age = r.age;
    PtclTr_Color t(&owner, r.own_pick);
    EXPECT_TRUE(t.Apply(0.1f, &p));
    EXPECT_EQ(p.color, r.expected) << r.mode << " " << r.age;
  }
}

TEST(AppearanceTransformTest, AtlasAnimationEndsOrLoops) {
  UINTSclaleTo<float> fps;
  fps.SetValue(10u);
  for (int32_t loop_value : {0, 1, 2}) {
    MediaParamT<int32_t> loop(loop_value);
    ParticlePtr p = Fresh();
    p->AddTransform(new PtclTr_TexAtlasAnimation(4, 2, &fps, &loop));
    // 0.11 s steps exceed the 0.1 s period once each: one cell per step.
    const int steps = StepsToDeath(p.get(), 0.11f, 40);
    if (loop_value == 1) {
      EXPECT_EQ(steps, -1);
    } else {
      EXPECT_EQ(steps, 8) << loop_value;
      EXPECT_EQ(p->atlasCell[0], 0.0f);
      EXPECT_EQ(p->atlasCell[2], 0.0f);
    }
  }
  // At most one cell per step, and a step of exactly the period waits.
  MediaParamT<int32_t> loop(1);
  ParticlePtr p = Fresh();
  p->AddTransform(new PtclTr_TexAtlasAnimation(4, 2, &fps, &loop));
  StepParticle(p.get(), 0.35f);
  EXPECT_EQ(p->atlasCell[0], 1.0f);
  ParticlePtr q = Fresh();
  q->AddTransform(new PtclTr_TexAtlasAnimation(4, 2, &fps, &loop));
  StepParticle(q.get(), 0.1f);
  EXPECT_EQ(q->atlasCell[0], 0.0f);
}

void ExpectRotationZ(const D3DXMATRIX& m, float angle) {
  D3DXMATRIX r;
  D3DXMatrixRotationZ(&r, angle);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(m.m[i][j], r.m[i][j], 1e-5f) << i << j << " angle " << angle;
  }
}

TEST(AppearanceTransformTest, StandardSpinAngles) {
  SpinParams spin;
  spin.startAngle.value.SetValue(90u);
  spin.startAngle.jitter.SetValue(30u);
  // Fixed start angle with the spread share.
  {
    Particle p;
    PtclTr_StandardSpin t(&spin, 0.5f, 0.0f, 1.0f);
    t.Apply(1.0f, &p);
    ExpectRotationZ(p.modifier1, -(90.0f + 15.0f) * kPi / 180.0f);
  }
  // Spinning: rate 2.5 rad/s in each direction mode.
  struct Row {
    int32_t direction;
    float sign, expected_spin;
  } rows[] = {{0, -1.0f, 2.5f}, {1, 1.0f, -2.5f}, {2, -1.0f, -2.5f}, {5, 1.0f, 2.5f}};
  spin.orientationMode.SetValue(2);
  spin.startAngle.value.SetValue(0u);
  for (const Row& r : rows) {
    spin.directionMode.SetValue(r.direction);
    Particle p;
    PtclTr_StandardSpin t(&spin, 0.0f, 1.0f, r.sign);
    t.Apply(1.0f, &p);
    EXPECT_FLOAT_EQ(t.spin, r.expected_spin) << r.direction;
    ExpectRotationZ(p.modifier1, r.expected_spin);
  }
  // Under a parent the parent's modifier1 follows.
  spin.orientationMode.SetValue(0);
  spin.startAngle.jitter.SetValue(0u);
  ParticlePtr parent = Fresh();
  D3DXMatrixRotationZ(&parent->modifier1, 0.5f);
  ParticlePtr child(new Particle(parent));
  PtclTr_StandardSpin t(&spin, 0.0f, 0.0f, 1.0f);
  t.Apply(0.1f, child.get());
  ExpectRotationZ(child->modifier1, 0.5f);
}

TEST(AppearanceTransformTest, RootOrientationTurns) {
  RootOrientationParams owner;
  owner.rotationSpeed.SetValue(900u);
  EXPECT_FLOAT_EQ(owner.rotationSpeed.derived, 6.2831855f);
  Particle p;
  PtclTr_Orientation t(&owner);
  t.Apply(0.25f, &p);
  EXPECT_FLOAT_EQ(t.angle, 6.2831855f * 0.25f);
  owner.direction.SetValue(1);
  t.Apply(0.25f, &p);
  EXPECT_NEAR(t.angle, 0.0f, 1e-6f);
  // Off: the accumulated angle is 0, the base angle remains.
  owner.rotationSpeed.SetValue(0u);
  owner.angle.SetValue(90u);
  t.Apply(0.25f, &p);
  EXPECT_EQ(t.angle, 0.0f);
  ExpectRotationZ(p.modifier1, -owner.angle.radians);
}

}  // namespace
