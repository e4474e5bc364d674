// The generator particle and its behaviours over step sequences, with the
// runtime's random numbers where a behaviour draws them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/crt.h"
#include "core/smart_values.h"
#include "particles/generators/generator_particle.h"

namespace {

// rand() / 32767 of the n-th number of the runtime's sequence from seed 1.
constexpr int kSeq[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
float U(int n) { return static_cast<float>(kSeq[n]) / 32767.0f; }

// Records that it ran and answers as told.
class Probe : public PProcess {
 public:
  Probe(std::string* log, char name, bool alive) : log_(log), name_(name), alive_(alive) {}
  bool Step(float, GeneratorParticle&) override {
    *log_ += name_;
    return alive_;
  }
  PProcess* Clone() const override { return new Probe(*this); }

 private:
  std::string* log_;
  char name_;
  bool alive_;
};

TEST(GeneratorParticle, DefaultsAndPointConstructor) {
  GeneratorParticle p;
  const float channels[5] = {0, 1, 1, 0, 0};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(p.channels[i], channels[i]);
    EXPECT_EQ(p.factors[i], 1.0f);
  }
  GeneratorParticle q(1, 2, 3);
  EXPECT_EQ(q.position, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(q.previous, D3DXVECTOR3(1, 2, 3));
  EXPECT_TRUE(q.processes.empty());
}

TEST(GeneratorParticle, CopiesCloneTheBehavioursWithTheirState) {
  GeneratorParticle a;
  a.AddProcess(new PKinetic(D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(2, 0, 0)));
  a.StepProcesses(1.0f);  // velocity now 3
  GeneratorParticle b(a);
  ASSERT_EQ(b.processes.size(), 1u);
  EXPECT_NE(b.processes.front(), a.processes.front());
  b.StepProcesses(1.0f);
  EXPECT_FLOAT_EQ(b.position.x, 2.0f + 1.0f + 3.0f);  // from x = 2 with velocity 3
  EXPECT_FLOAT_EQ(a.position.x, 2.0f);
  auto* ka = static_cast<PKinetic*>(a.processes.front());
  auto* kb = static_cast<PKinetic*>(b.processes.front());
  EXPECT_FLOAT_EQ(ka->velocity.x, 3.0f);
  EXPECT_FLOAT_EQ(kb->velocity.x, 5.0f);
  b.ClearProcesses();
  EXPECT_TRUE(b.processes.empty());
  EXPECT_FLOAT_EQ(b.position.x, 6.0f);
}

TEST(StepGeneratorParticles, EveryBehaviourRunsAndTheDeadAreRemoved) {
  GeneratorParticleList list;
  StepGeneratorParticles(list, 0.1f);
  EXPECT_TRUE(list.empty());

  std::string log;
  list.emplace_back(0, 0, 0);  // no behaviours: never dies
  list.emplace_back(1, 0, 0);
  list.back().AddProcess(new Probe(&log, 'a', false));
  list.back().AddProcess(new Probe(&log, 'b', true));
  list.emplace_back(2, 0, 0);
  list.back().AddProcess(new Probe(&log, 'c', true));
  StepGeneratorParticles(list, 0.1f);
  EXPECT_EQ(log, "abc");  // b runs although a reported death; the walk goes on to c
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.front().position.x, 0.0f);
  EXPECT_EQ(list.back().position.x, 2.0f);
}

TEST(Behaviours, LifeAndAgeDieWhenTheyReachTheirLimit) {
  GeneratorParticle p;
  PLifeConst life(0.25f);
  PAgeConst age(0.75f);
  const bool lifeAlive[] = {true, true, true, false};
  const bool ageAlive[] = {true, true, false, false};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(life.Step(1.0f, p), lifeAlive[i]) << i;  // life exactly 1 is dead
    EXPECT_EQ(age.Step(0.25f, p), ageAlive[i]) << i;   // age exactly 0.75 is dead
  }
  EXPECT_EQ(p.channels[kChannelLife], 1.0f);
  EXPECT_EQ(p.channels[kChannelAge], 1.0f);
}

TEST(Behaviours, FadeSpreadsItsAmountOverTheAgesWhateverTheSteps) {
  GeneratorParticle p;
  PAgeConst age(100.0f);
  PFade fade(kChannelOpacity, 1.0f, 3.0f, -1.0f);
  struct Step {
    float dt, opacity, remaining;
  };
  // Ages 0.5 (before the start), 1.5, 2.0, 4.0 (past the end), 5.0.
  const Step steps[] = {{0.5f, 1.0f, -1.0f}, {1.0f, 0.75f, -0.75f}, {0.5f, 0.5f, -0.5f},
                        {2.0f, 0.0f, 0.0f},  {1.0f, 0.0f, 0.0f}};
  for (const Step& s : steps) {
    age.Step(s.dt, p);
    EXPECT_TRUE(fade.Step(s.dt, p));
    EXPECT_FLOAT_EQ(p.channels[kChannelOpacity], s.opacity);
    EXPECT_FLOAT_EQ(fade.remaining, s.remaining);
  }
}

TEST(Behaviours, FadeEdges) {
  {
    // At its start age exactly: nothing yet, the amount kept.
    GeneratorParticle p;
    p.channels[kChannelAge] = 2.0f;
    PFade fade(kChannelSize, 2.0f, 4.0f, 3.0f);
    fade.Step(0.0f, p);
    EXPECT_EQ(p.channels[kChannelSize], 1.0f);
    EXPECT_EQ(fade.remaining, 3.0f);
  }
  {
    // End not after the start: the whole amount at the first age past the start.
    GeneratorParticle p;
    p.channels[kChannelAge] = 2.0f;
    PFade fade(kChannelSize, 2.0f, 2.0f, 3.0f);
    fade.Step(0.0f, p);
    EXPECT_EQ(p.channels[kChannelSize], 4.0f);
    EXPECT_EQ(fade.remaining, 0.0f);
    EXPECT_TRUE(std::isfinite(p.channels[kChannelSize]));
  }
}

TEST(Behaviours, SteadyActsStrictlyInsideItsLifeWindow) {
  struct Case {
    float life, expected;
  };
  const Case cases[] = {{0.2f, 1.0f}, {0.3f, 1.5f}, {0.5f, 1.0f}, {0.1f, 1.0f}};
  for (const Case& c : cases) {
    GeneratorParticle p;
    p.channels[kChannelLife] = c.life;
    PSteady steady(kChannelSize, 0.2f, 0.5f, 2.0f);
    EXPECT_TRUE(steady.Step(0.25f, p));
    EXPECT_FLOAT_EQ(p.channels[kChannelSize], c.expected) << c.life;
  }
}

TEST(Behaviours, KineticAndSpin) {
  GeneratorParticle p(1, 2, 3);
  PKinetic k(D3DXVECTOR3(1, -2, 0.5f), D3DXVECTOR3(4, 0, -8));
  PSpin spin(2.0f);
  for (int i = 0; i < 2; ++i) {
    k.Step(0.5f, p);
    spin.Step(0.5f, p);
  }
  // x: 1 + (4 x 0.25 / 2 + 0.5) + (0.5 + 3 x 0.5) ; velocity x 1 -> 3 -> 5
  EXPECT_FLOAT_EQ(p.position.x, 1.0f + 1.0f + 2.0f);
  EXPECT_FLOAT_EQ(p.position.y, 2.0f - 2.0f);
  EXPECT_FLOAT_EQ(p.position.z, 3.0f + (-1.0f + 0.25f) + (-1.0f - 1.75f));
  EXPECT_FLOAT_EQ(k.velocity.x, 5.0f);
  EXPECT_FLOAT_EQ(k.velocity.z, -7.5f);
  EXPECT_FLOAT_EQ(p.channels[kChannelAngle], 2.0f);
}

TEST(Behaviours, TwinkleFromSeedOne) {
  crt_srand(1);
  GeneratorParticle p;
  PTwinkle t(kChannelSize, 0.0f, 2.0f, 0.0f);
  struct Step {
    float dt, size, interval;
  };
  const Step steps[] = {
      {3.0f, 2.0f, U(1) * 2.3f + 0.2f},         // 41: not a multiple of 3
      {3.0f, 2.0f, U(3) * 2.3f + 0.2f},         // 6334
      {3.0f, 2.0f, U(5) * 2.3f + 0.2f},         // 19169
      {3.0f, 2.0f * (U(7) * 0.5f + 1.0f), 0.2f},  // 11478: a flash
      {0.1f, 2.0f * (U(7) * 0.5f + 1.0f), 0.2f},  // timer 0.1 is not past 0.2
      {0.15f, 2.0f, U(9) * 2.3f + 0.2f},        // 26962
  };
  for (const Step& s : steps) {
    EXPECT_TRUE(t.Step(s.dt, p));
    EXPECT_FLOAT_EQ(p.channels[kChannelSize], s.size);
    EXPECT_FLOAT_EQ(t.interval, s.interval);
  }
  EXPECT_EQ(t.timer, 0.0f);
  EXPECT_EQ(crt_rand(), 5705);  // nothing else was drawn
}

class BrownianTest : public ::testing::Test {
 protected:
  void SetUp() override {
    area.corners[0].value = D3DXVECTOR3(0, 0, 0);
    area.corners[3].value = D3DXVECTOR3(100, 50, 0);
    speed.SetScaleOffset(1.0f, 0.0f, 2u);
    interval.SetScaleOffset(1.0f, 0.0f, 4u);
    steer.SetScaleOffset(1.0f, 0.0f, 1u);
    settings = {&area, &speed, &interval, &steer};
  }
  MediaQuad area;
  UINTSclaleTo<float> speed, interval, steer;
  BrownianSettings settings;
};

TEST_F(BrownianTest, RetargetsInsideDrawingYBeforeX) {
  crt_srand(1);
  GeneratorParticle p(50, 25, 0);
  PBrownian b(&settings);
  b.retargetTimer = 0.0f;
  EXPECT_TRUE(b.Step(0.5f, p));
  EXPECT_FLOAT_EQ(b.retargetTimer, U(0) * (6.0f - 2.0f) + 2.0f);
  const float ty = U(1) * 200.0f - 100.0f, tx = U(2) * 200.0f - 100.0f;
  EXPECT_FLOAT_EQ(b.acceleration.x, tx);
  EXPECT_FLOAT_EQ(b.acceleration.y, ty);
  EXPECT_FLOAT_EQ(b.accelerationTime, 0.5f);
  // Moved by a dt^2 / 2 scaled by S = 2; the velocity is not scaled.
  EXPECT_FLOAT_EQ(p.position.x, 50.0f + tx * 0.25f);
  EXPECT_FLOAT_EQ(p.position.y, 25.0f + ty * 0.25f);
  EXPECT_FLOAT_EQ(b.velocity.x, tx * 0.5f);
  EXPECT_EQ(b.inside, 1);
}

TEST_F(BrownianTest, SteersBackOnceWhenItLeavesTheRectangle) {
  GeneratorParticle p(150, 25, 0);
  PBrownian b(&settings);
  b.retargetTimer = 10.0f;
  b.velocity = D3DXVECTOR3(10, 0, 0);
  b.Step(0.25f, p);
  // Towards the centre (50, 25): d = (-1, 0, 0); a = (d x 100 - v) / T.
  EXPECT_FLOAT_EQ(b.acceleration.x, -110.0f);
  EXPECT_FLOAT_EQ(b.acceleration.y, 0.0f);
  EXPECT_FLOAT_EQ(b.accelerationTime, 0.75f);
  EXPECT_EQ(b.inside, 0);

  // Still outside with the flag clear and a non-zero acceleration: kept.
  b.acceleration = D3DXVECTOR3(3, 4, 0);
  p.position = D3DXVECTOR3(150, 25, 0);
  b.Step(0.25f, p);
  EXPECT_FLOAT_EQ(b.acceleration.x, 3.0f);
  EXPECT_FLOAT_EQ(b.acceleration.y, 4.0f);
  // Once the acceleration time runs out it is zeroed.
  b.Step(0.6f, p);
  EXPECT_EQ(b.acceleration, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(b.accelerationTime, 0.0f);
}

// With steering time 0 a turn is over before it moves anything: a step of
// 0 s (a generator's first) leaves the sprite where it was, and the next
// step moves it by its velocity alone.
TEST_F(BrownianTest, SteeringTimeZeroTurnsNothing) {
  struct Case {
    float x, retarget;  // outside (steering home) or inside and retargeting
  };
  steer.SetValue(0u);
  for (const Case& c : {Case{150, 10.0f}, Case{50, -1.0f}}) {
    GeneratorParticle p(c.x, 25, 0);
    PBrownian b(&settings);
    b.retargetTimer = c.retarget;
    b.velocity = D3DXVECTOR3(10, 0, 0);
    b.Step(0.0f, p);
    EXPECT_EQ(p.position, D3DXVECTOR3(c.x, 25, 0)) << c.x;
    EXPECT_EQ(b.acceleration, D3DXVECTOR3(0, 0, 0)) << c.x;
    EXPECT_EQ(b.accelerationTime, 0.0f) << c.x;
    b.Step(0.5f, p);
    EXPECT_FLOAT_EQ(p.position.x, c.x + 10.0f * 0.5f * 2.0f) << c.x;  // S = 2
    EXPECT_EQ(b.velocity, D3DXVECTOR3(10, 0, 0)) << c.x;
  }
}

TEST(PerSecondCounter, CountsWholeEventsAndMovesOnlyWhenSome) {
  PerSecondCounter rate;
  rate.SetValue(10u);
  EXPECT_EQ(rate.Count(0.05f), 0);
  EXPECT_EQ(rate.lastTime, 0.0f);
  EXPECT_EQ(rate.Count(0.35f), 3);
  EXPECT_EQ(rate.lastTime, 0.35f);

  PerSecondCounter none;
  EXPECT_EQ(none.Count(1000.0f), 0);
  EXPECT_EQ(none.lastTime, 0.0f);

  PerSecondCounterRnd copy;
  copy.SetValue(4u);
  copy.lastTime = 2.0f;
  PerSecondCounterRnd other(copy);
  EXPECT_EQ(other.derived, 4.0f);
  EXPECT_EQ(other.lastTime, 2.0f);

  // A huge count saturates instead of overflowing.
  PerSecondCounter huge;
  huge.SetValue(0xFFFFFFFFu);
  EXPECT_GT(huge.Count(1e30f), 0);
  EXPECT_EQ(SaturatingTruncate(std::nan("")), 0);
}

}  // namespace
