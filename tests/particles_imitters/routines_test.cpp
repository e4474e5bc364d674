#include <gtest/gtest.h>

#include <cmath>

#include "core/colour_params.h"
#include "core/crt.h"
#include "core/envelope_params.h"
#include "core/smart_values.h"
#include "geometry/curve.h"
#include "particles/imitters/classic_particle.h"

namespace {

ClassicParticle Make(float x = 0.0f, float y = 0.0f) { return ClassicParticle(D3DXVECTOR3(x, y, 0.0f)); }

// Answers a fixed result and counts its calls.
class Probe : public InnerParticleRoutine {
 public:
  explicit Probe(bool result, int k = -1, float factor = 1.0f) : answer(result), index(k), scale(factor) {}
  bool Apply(float dt, ClassicParticle& p) override {
    ++calls;
    if (index >= 0) p.Multiplier(index) *= scale;
    return answer;
  }
  bool answer;
  int index;
  float scale;
  int calls = 0;
};

TEST(ClassicParticleStep, FreshParticleHoldsItsStartValues) {
  ClassicParticle p = Make(3.0f, 4.0f);
  EXPECT_EQ(p.position, D3DXVECTOR3(3.0f, 4.0f, 0.0f));
  EXPECT_FLOAT_EQ(p.matrix._11, 1.0f);
  EXPECT_FLOAT_EQ(p.matrix._44, 1.0f);
  EXPECT_FLOAT_EQ(p.Factor1(), 1.0f);
  EXPECT_FLOAT_EQ(p.Factor2(), 1.0f);
  for (int k = 0; k < 7; ++k) EXPECT_FLOAT_EQ(p.Multiplier(k), 1.0f);
  EXPECT_FLOAT_EQ(p.LifeSpan(), 1.0f);
}

TEST(ClassicParticleStep, ZeroVelocityPointsDownTheYAxis) {
  ClassicParticle p = Make();
  EXPECT_TRUE(StepClassicParticle(p, 0.1f));
  EXPECT_EQ(p.direction, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
  EXPECT_FLOAT_EQ(p.normal.x, -1.0f);
  EXPECT_FLOAT_EQ(p.normal.y, 0.0f);
  p.velocity = D3DXVECTOR3(3.0f, 4.0f, 0.0f);
  StepClassicParticle(p, 0.1f);
  EXPECT_FLOAT_EQ(p.direction.x, 0.6f);
  EXPECT_FLOAT_EQ(p.direction.y, 0.8f);
  EXPECT_FLOAT_EQ(p.normal.x, -0.8f);
  EXPECT_FLOAT_EQ(p.normal.y, 0.6f);
}

TEST(ClassicParticleStep, FailingLifeControllerKeepsLastStepsMultipliers) {
  ClassicParticle p = Make();
  p.SetLifeController(RoutinePtr(new IPR_ConstantAge(0.15f)));
  auto* halve = new Probe(true, 1, 0.5f);
  p.AddRoutine(RoutinePtr(halve), false);
  EXPECT_TRUE(StepClassicParticle(p, 0.1f));
  EXPECT_FLOAT_EQ(p.Multiplier(1), 0.5f);
  EXPECT_FALSE(StepClassicParticle(p, 0.1f));
  EXPECT_FLOAT_EQ(p.Multiplier(1), 0.5f);
  EXPECT_EQ(halve->calls, 1);
}

TEST(ClassicParticleStep, FailingRoutineStopsTheRestButDirectionFollows) {
  ClassicParticle p = Make();
  auto* first = new Probe(false);
  auto* second = new Probe(true);
  p.AddRoutine(RoutinePtr(first), false);
  p.AddRoutine(RoutinePtr(second), false);
  p.velocity = D3DXVECTOR3(0.0f, -2.0f, 0.0f);
  EXPECT_FALSE(StepClassicParticle(p, 0.1f));
  EXPECT_EQ(second->calls, 0);
  EXPECT_EQ(p.direction, D3DXVECTOR3(0.0f, -1.0f, 0.0f));
}

TEST(ClassicParticleStep, ListStepRemovesTheDeadAndKeepsOrder) {
  ClassicParticleList list;
  for (int i = 0; i < 4; ++i) {
    list.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(static_cast<float>(i), 0, 0))));
    list.back()->AddRoutine(RoutinePtr(new Probe(i % 2 == 0)), false);
  }
  StepClassicParticles(list, 0.1f);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_FLOAT_EQ(list[0]->position.x, 0.0f);
  EXPECT_FLOAT_EQ(list[1]->position.x, 2.0f);
}

TEST(ClassicParticleStep, AddRoutineAppliesAtOnceOnRequest) {
  ClassicParticle p = Make();
  auto* probe = new Probe(true);
  p.AddRoutine(RoutinePtr(probe), true);
  EXPECT_EQ(probe->calls, 1);
  p.AddRoutine(RoutinePtr(new Probe(true)), false);
  EXPECT_EQ(p.routines.size(), 2u);
}

TEST(LifeControllers, ConstantAgeLivesThroughItsMaximum) {
  ClassicParticle p = Make();
  p.SetLifeController(RoutinePtr(new IPR_ConstantAge(2.0f)));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(StepClassicParticle(p, 0.5f)) << i;
  EXPECT_FLOAT_EQ(p.Age(), 2.0f);
  EXPECT_FALSE(StepClassicParticle(p, 0.5f));
  EXPECT_FLOAT_EQ(p.LifeSpan(), 2.0f);
}

TEST(LifeControllers, ConstDistanceAgesBySpeed) {
  UINTSclaleTo<float> speed;
  speed.SetScaleOffset(2.0f, 0.0f, 5u);  // 10 units per second
  ClassicParticle p = Make();
  p.SetLifeController(RoutinePtr(new IPR_ConstDistance(3.0f, &speed)));
  EXPECT_TRUE(StepClassicParticle(p, 0.25f));
  EXPECT_FLOAT_EQ(p.Age(), 2.5f);
  EXPECT_FALSE(StepClassicParticle(p, 0.25f));
}

TEST(Routines, KinematicUsesTheVelocityBeforeTheStep) {
  ClassicParticle p = Make(1.0f, 2.0f);
  p.velocity = D3DXVECTOR3(10.0f, 0.0f, 1.0f);
  p.acceleration = D3DXVECTOR3(0.0f, 4.0f, 0.0f);
  p.AddRoutine(RoutinePtr(new IPR_AirResist(0.5f)), false);
  p.AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  StepClassicParticle(p, 0.5f);
  // a = (0, 4, 0) - 0.5 x (10, 0, 1) = (-5, 4, -0.5)
  EXPECT_FLOAT_EQ(p.position.x, 1.0f + 5.0f - 5.0f * 0.125f);
  EXPECT_FLOAT_EQ(p.position.y, 2.0f + 4.0f * 0.125f);
  EXPECT_FLOAT_EQ(p.position.z, 0.5f - 0.5f * 0.125f);
  EXPECT_FLOAT_EQ(p.velocity.x, 7.5f);
  EXPECT_FLOAT_EQ(p.velocity.y, 2.0f);
}

TEST(Routines, WindPullsTowardsItsVelocity) {
  ClassicParticle p = Make();
  p.velocity = D3DXVECTOR3(2.0f, 0.0f, 0.0f);
  IPR_Wind wind(D3DXVECTOR3(10.0f, 0.0f, 0.0f), 0.5f);
  wind.Apply(0.1f, p);
  EXPECT_FLOAT_EQ(p.frameForce.x, 4.0f);
}

TEST(Routines, IncrementStopsAfterItsAmount) {
  ClassicParticle p = Make();
  p.Free(0) = 5.0f;
  p.SetLifeController(RoutinePtr(new IPR_ConstantAge(100.0f)));
  p.AddRoutine(RoutinePtr(new IPR_Increment(ClassicParticle::kFree, 1.0f, -2.0f)), false);
  StepClassicParticle(p, 0.25f);
  EXPECT_FLOAT_EQ(p.Free(0), 4.5f);
  for (int i = 0; i < 20; ++i) StepClassicParticle(p, 0.25f);
  EXPECT_FLOAT_EQ(p.Free(0), 4.0f);
}

TEST(Routines, IncrementMWithEqualAgesJumps) {
  ClassicParticle p = Make();
  IPR_IncrementM jump(1, 2.0f, 3.0f, 1.0f, 1.0f);
  p.Age() = 1.0f;
  jump.Apply(0.0f, p);
  EXPECT_FLOAT_EQ(p.Multiplier(1), 2.0f);
  p.Multiplier(1) = 1.0f;
  p.Age() = 1.01f;
  jump.Apply(0.0f, p);
  EXPECT_FLOAT_EQ(p.Multiplier(1), 3.0f);
  IPR_IncrementM ramp(2, 0.0f, 1.0f, 1.0f, 3.0f);
  p.Age() = 2.0f;
  ramp.Apply(0.0f, p);
  EXPECT_FLOAT_EQ(p.Multiplier(2), 0.5f);
}

TEST(Routines, ColourModes) {
  ColorSetParams set;
  set.colours.value = {0x000000FFu, 0x00FF0000u, 0x0000FF00u};
  ClassicParticle p = Make();
  struct Case {
    int mode, pickMode;
    float pick;
    COLORREF want;
  } cases[] = {
      {0, 0, 0.9f, 0x000000FFu},  // the first colour
      {1, 1, 0.5f, 0x007F007Fu},  // halfway from red to blue
      {2, 1, 0.5f, 0x00FF0000u},  // entry 1 of 3
      {2, 1, 0.75f, 0x0000FF00u},  // 1.5 rounds to even: 2
  };
  for (const Case& c : cases) {
    set.colourMode.value = c.mode;
    set.pick.value = c.pickMode;
    IPR_Color colour(&set, c.pick);
    colour.Apply(0.0f, p);
    EXPECT_EQ(p.colour, c.want) << c.mode << " " << c.pick;
  }
}

TEST(Routines, ColourByLifeFraction) {
  ColorSetParams set;
  set.colours.value = {0x00000000u, 0x00C8C8C8u};
  set.colourMode.value = 1;
  ClassicParticle p = Make();
  p.SetLifeController(RoutinePtr(new IPR_ConstantAge(4.0f)));
  p.Age() = 1.0f;
  IPR_Color colour(&set, 0.9f);
  colour.Apply(0.0f, p);
  EXPECT_EQ(p.colour, 0x00323232u);
  // Past the life span the channels keep the low byte of their truncation:
  // 255 x 1.25 = 318 -> 62, 100 x 1.25 = 125.
  set.colours.value = {0x00000000u, 0x00FF64FFu};
  p.Age() = 5.0f;
  colour.Apply(0.0f, p);
  EXPECT_EQ(p.colour, 0x003E7D3Eu);
}

TEST(Routines, ColourShortOfColoursKeepsTheColour) {
  ColorSetParams set;
  set.colours.value = {0x00123456u};
  set.colourMode.value = 1;
  ClassicParticle p = Make();
  EXPECT_EQ(p.colour, 0x00FFFFFFu);
  IPR_Color colour(&set, 0.5f);
  EXPECT_TRUE(colour.Apply(0.0f, p));
  EXPECT_EQ(p.colour, 0x00FFFFFFu);
  set.colours.value.clear();
  set.colourMode.value = 0;
  colour.Apply(0.0f, p);
  EXPECT_EQ(p.colour, 0x00FFFFFFu);
}

TEST(Routines, HarmonicMultipliesByItsWave) {
  ClassicParticle p = Make();
  p.Age() = 0.5f;
  IPR_Harmonic h(1, 0.25f, 0.7f, 2.0f, 0.3f);
  h.Apply(0.0f, p);
  EXPECT_FLOAT_EQ(p.Multiplier(1), std::cos(0.5f * 2.0f + 0.25f) * 0.3f + 0.7f);
}

TEST(Routines, AttachAroundOneAndZero) {
  VariationParams block;  // frequency 5, amplitude 0.5
  ClassicParticle p = Make();
  AttachRoutineAroundOne(block, 1, p);
  EXPECT_TRUE(p.routines.empty());  // mode 0 attaches nothing

  block.mode.value = 1;
  crt_srand(1);
  AttachRoutineAroundOne(block, 1, p);
  ASSERT_EQ(p.routines.size(), 1u);
  auto* h = dynamic_cast<IPR_Harmonic*>(p.routines[0].get());
  ASSERT_NE(h, nullptr);
  EXPECT_FLOAT_EQ(h->phase, 41.0f / 32767.0f * 6.2831855f);
  EXPECT_FLOAT_EQ(h->base, 0.5f);
  EXPECT_FLOAT_EQ(p.Multiplier(1), std::cos(h->phase) * 0.5f + 0.5f);  // applied at once

  block.mode.value = 2;
  crt_srand(1);
  AttachRoutineAroundZero(block, 4, p);
  ASSERT_EQ(p.routines.size(), 2u);
  auto* n = dynamic_cast<IPR_Perlin*>(p.routines[1].get());
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->noise->seed, 41 * 41 + 2);
  EXPECT_EQ(n->noise->octaves, 3);
  EXPECT_DOUBLE_EQ(n->noise->amplitude, 1.0);  // twice the block's amplitude
  EXPECT_DOUBLE_EQ(n->noise->persistence, 0.5);
  EXPECT_FLOAT_EQ(n->base, 0.0f);
  // Applied once by its constructor, with the noise at time 0.
  EXPECT_FLOAT_EQ(p.Multiplier(4), static_cast<float>(n->noise->amplitude * n->noise->Sum(0.0)));
}

TEST(Conditions, EmptyOrNeverFires) {
  ClassicParticle p = Make();
  auto* any = new PRC_OR();
  IPR_InteractionRoutine r(any, new PRA_Die());
  EXPECT_FALSE(any->Check(0.0f, p));
  EXPECT_TRUE(r.Apply(0.0f, p));
}

TEST(Conditions, CrossQuadFiresOutsideTheRectangle) {
  MediaQuad quad;
  quad.SetCentredRect(20.0f, 10.0f, D3DXVECTOR3(100.0f, 50.0f, 0.0f));
  IPR_InteractionRoutine r(new PRC_CrossQuad(quad), new PRA_Die());
  const float inside[][2] = {{100, 50}, {91, 46}, {109, 54}};
  const float outside[][2] = {{89, 50}, {111, 50}, {100, 44}, {100, 56}};
  for (auto& q : inside) {
    ClassicParticle p = Make(q[0], q[1]);
    EXPECT_TRUE(r.Apply(0.0f, p)) << q[0] << "," << q[1];
  }
  for (auto& q : outside) {
    ClassicParticle p = Make(q[0], q[1]);
    EXPECT_FALSE(r.Apply(0.0f, p)) << q[0] << "," << q[1];
  }
}

TEST(Conditions, TestPointIncludesTheOffsetMultipliers) {
  ClassicParticle p = Make(10.0f, 10.0f);
  p.direction = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  p.normal = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  p.Multiplier(4) = 3.0f;
  p.Multiplier(5) = -2.0f;
  EXPECT_EQ(p.TestPoint(), D3DXVECTOR3(13.0f, 8.0f, 0.0f));
  PRC_CrossLine left(1.0f, 0.0f, -12.0f);  // x < 12
  EXPECT_FALSE(left.Check(0.0f, p));
}

TEST(PathRoutines, IndexedPathPointClampsItsIndex) {
  std::vector<PathSample> samples(3);
  samples[0].position = D3DXVECTOR3(0, 0, 0);
  samples[1].position = D3DXVECTOR3(10, 0, 0);
  samples[2].position = D3DXVECTOR3(10, 10, 0);
  samples[0].tangent = D3DXVECTOR3(1, 0, 0);
  samples[1].tangent = D3DXVECTOR3(0, 1, 0);
  samples[2].tangent = D3DXVECTOR3(0, 1, 0);
  DS_SafePtr<PathCursor> cursor(new PathCursor(&samples));
  MediaParamT<unsigned int> width(4u);
  IPR_IndexedPathPoint r(&width, cursor);
  ClassicParticle p = Make();
  p.Free(2) = 0.5f;  // sideways offset 1 x 0.5 x 4 = 2
  p.pathIndex = -3;
  EXPECT_TRUE(r.Apply(0.0f, p));
  EXPECT_EQ(p.position, D3DXVECTOR3(0.0f, -2.0f, 0.0f));
  p.pathIndex = 7;
  EXPECT_TRUE(r.Apply(0.0f, p));
  EXPECT_EQ(p.position, D3DXVECTOR3(12.0f, 10.0f, 0.0f));
  EXPECT_EQ(p.velocity, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
  samples.resize(1);
  EXPECT_FALSE(r.Apply(0.0f, p));
}

TEST(PathRoutines, PathPointFollowsTheAgeAndDiesPastTheEnd) {
  std::vector<PathSample> samples(2);
  samples[0].position = D3DXVECTOR3(0, 0, 0);
  samples[1].position = D3DXVECTOR3(10, 0, 0);
  samples[0].tangent = samples[1].tangent = D3DXVECTOR3(1, 0, 0);
  FinishSampleLengths(samples);
  DS_SafePtr<PathCursor> cursor(new PathCursor(&samples));
  MediaParamT<unsigned int> width(0u);
  ClassicParticle p = Make();
  p.AddRoutine(RoutinePtr(new IPR_PathPoint(&width, cursor)), false);
  p.SetLifeController(RoutinePtr(new IPR_ConstantAge(100.0f)));
  EXPECT_TRUE(StepClassicParticle(p, 4.0f));
  EXPECT_NEAR(p.position.x, 4.0f, 1e-5f);
  EXPECT_FALSE(StepClassicParticle(p, 7.0f));

  UINTSclaleTo<float> speed;
  speed.SetScaleOffset(1.0f, 0.0f, 5u);
  DS_SafePtr<PathCursor> walker(new PathCursor(&samples));
  IPR_PathTracker tracker(&width, walker, &speed, 1.0f);
  EXPECT_FLOAT_EQ(tracker.GetLifeSpan(), 10.0f);
  ClassicParticle q = Make();
  q.SetLifeController(RoutinePtr(new IPR_PathTracker(&width, walker, &speed, 1.0f)));
  EXPECT_TRUE(StepClassicParticle(q, 1.0f));
  EXPECT_NEAR(q.position.x, 5.0f, 1e-5f);
  EXPECT_FALSE(StepClassicParticle(q, 2.0f));
}

}  // namespace
