// The emission cycle, the figure source and the lattice.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "core/crt.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/source_physics.h"
#include "tests/particles/sources/source_fakes.h"

using source_fakes::Parents;

namespace {

void SetCycle(ZVI_PtclSysPhys_Source& s, float count, float duration, float pause, float delay) {
  s.count.value = static_cast<unsigned>(count);
  s.count.driven = count;
  s.cycle.duration = duration;
  s.cycle.pause = pause;
  s.cycle.delay = delay;
}

TEST(EmissionCycleTest, CountThreeInQuarterSecondSteps) {
  ZVI_PtclSysPhys_Source source;
  SetCycle(source, 3, 1.0f, 0.0f, 0.0f);
  ParticleVector parents = Parents(1);
  source.Generate(&parents);
  ASSERT_EQ(source.states.size(), 1u);
  SourceEmitterState& s = *source.states[0];
  const float owed[] = {0.75f, 1.5f, 1.25f, 1.0f};
  const size_t made[] = {0, 1, 1, 1};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(source.StepCycle(s, 0.25f));
    EXPECT_FLOAT_EQ(s.accumulator, owed[i]) << i;
    ParticleVector out;
    source.Emit(s, out);
    EXPECT_EQ(out.size(), made[i]) << i;
  }
  EXPECT_FLOAT_EQ(s.accumulator, 0.0f);
}

TEST(EmissionCycleTest, TenPerSecondGivesTwoPerFifthOfASecondPerParent) {
  ZVI_PtclSysPhys_Source source;  // count 10, duration 1 by default
  ParticleVector parents = Parents(2);
  source.Generate(&parents);
  for (int step = 0; step < 5; ++step) {
    ParticleVector born = source.Update(nullptr, 0.2f);
    ASSERT_EQ(born.size(), 4u) << step;
    EXPECT_EQ(born[0]->parent.get(), parents[0].get());
    EXPECT_EQ(born[1]->parent.get(), parents[0].get());
    EXPECT_EQ(born[2]->parent.get(), parents[1].get());
  }
  EXPECT_EQ(source.particles.size(), 20u);
  // Every child carries the life limit of 1 s.
  auto* age = dynamic_cast<PtclTr_MaxAge*>(source.particles[0]->transforms[0].get());
  ASSERT_NE(age, nullptr);
  EXPECT_FLOAT_EQ(age->span, 1.0f);
}

TEST(EmissionCycleTest, DelayEmissionPauseWithLongSteps) {
  ZVI_PtclSysPhys_Source source;
  SetCycle(source, 10, 1.0f, 1.0f, 0.5f);
  ParticleVector parents = Parents(1);
  source.Generate(&parents);
  EXPECT_EQ(source.Update(nullptr, 0.5f).size(), 0u);  // the delay
  // 0.25 s inside the emission phase only.
  EXPECT_EQ(source.Update(nullptr, 0.25f).size(), 2u);
  // The rest of the emission phase, then 0.25 s of pause.
  EXPECT_EQ(source.Update(nullptr, 1.0f).size(), 8u);
  EXPECT_EQ(source.states[0]->phase, SourceEmitterState::kPause);
  // Pause 0.75, delay 0.5, then 0.25 s of emission again.
  EXPECT_EQ(source.Update(nullptr, 1.5f).size(), 2u);
  EXPECT_EQ(source.states[0]->phase, SourceEmitterState::kEmission);
}

TEST(EmissionCycleTest, AStepEqualToTheRemainingTimeKeepsThePhase) {
  ZVI_PtclSysPhys_Source source;
  SetCycle(source, 10, 1.0f, 0.0f, 0.5f);
  ParticleVector parents = Parents(1);
  source.Generate(&parents);
  SourceEmitterState& s = *source.states[0];
  ASSERT_TRUE(source.StepCycle(s, 0.5f));
  EXPECT_EQ(s.phase, SourceEmitterState::kDelay);
  EXPECT_FLOAT_EQ(s.remaining, 0.0f);
  ASSERT_TRUE(source.StepCycle(s, 0.0f));
  EXPECT_EQ(s.phase, SourceEmitterState::kDelay);
  ASSERT_TRUE(source.StepCycle(s, 0.1f));
  EXPECT_EQ(s.phase, SourceEmitterState::kEmission);
  EXPECT_FLOAT_EQ(s.accumulator, 1.0f);
}

TEST(EmissionCycleTest, TheFractionIsCarriedIntoTheNextEmissionPhase) {
  ZVI_PtclSysPhys_Source source;
  SetCycle(source, 2.5f, 1.0f, 1.0f, 0.0f);
  ParticleVector parents = Parents(1);
  source.Generate(&parents);
  EXPECT_EQ(source.Update(nullptr, 1.0f).size(), 2u);
  EXPECT_FLOAT_EQ(source.states[0]->accumulator, 0.5f);
  EXPECT_EQ(source.Update(nullptr, 1.0f).size(), 0u);  // the pause
  EXPECT_EQ(source.Update(nullptr, 0.2f).size(), 1u);  // 0.5 + 0.5
}

TEST(EmissionCycleTest, CyclesThatTakeNoTimeReturn) {
  struct Case {
    float duration, pause, delay;
  };
  const Case cases[] = {{0, 0, 0}, {-1, 0, 0}, {1, -2, 0}, {-0.5f, -0.5f, -0.5f}};
  for (const Case& c : cases) {
    ZVI_PtclSysPhys_Source source;
    SetCycle(source, 10, c.duration, c.pause, c.delay);
    ParticleVector parents = Parents(1);
    source.Generate(&parents);
    EXPECT_TRUE(source.StepCycle(*source.states[0], 0.1f)) << c.duration << " " << c.pause << " " << c.delay;
    EXPECT_TRUE(std::isfinite(source.states[0]->accumulator));
  }
}

TEST(EmissionCycleTest, TinyCyclesAreFoldedNotWalked) {
  ZVI_PtclSysPhys_Source source;
  SetCycle(source, 1, 1e-7f, 1e-7f, 1e-7f);
  ParticleVector parents = Parents(1);
  source.Generate(&parents);
  SourceEmitterState& s = *source.states[0];
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(source.StepCycle(s, 1000.0f));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  // About one particle owed per whole cycle.
  EXPECT_NEAR(s.accumulator / (1000.0f / 3e-7f), 1.0f, 0.01f);
}

TEST(EmissionCycleTest, WhatIsOwedBeyondTheCapIsDroppedWithTheFractionKept) {
  ZVI_PtclSysPhys_Source source;
  ParticlePtr filler(new Particle());
  source.particles.assign(kMaxPhysicsParticles - 1, filler);
  ParticleVector parents = Parents(1);
  source.Generate(&parents);
  SourceEmitterState& s = *source.states[0];
  s.accumulator = 5.25f;
  ParticleVector out;
  source.Emit(s, out);
  EXPECT_EQ(out.size(), 1u);
  EXPECT_FLOAT_EQ(s.accumulator, 0.25f);
}

TEST(SourcePhysicsTest, DeadParentsAndParentsGivenTwice) {
  ZVI_PtclSysPhys_Source source;
  ParticleVector parents = Parents(2);
  ParticleVector twice = {parents[0], parents[0], parents[1]};
  EXPECT_TRUE(source.Generate(&twice).empty());
  EXPECT_EQ(source.Update(nullptr, 0.2f).size(), 6u);
  parents[1]->flags |= ParticleFlags::Dead;
  EXPECT_EQ(source.Update(nullptr, 0.2f).size(), 4u);
  EXPECT_EQ(source.states.size(), 2u);
  // The children already made live on.
  EXPECT_EQ(source.particles.size(), 10u);
  source.Clear();
  EXPECT_TRUE(source.states.empty());
  EXPECT_TRUE(source.particles.empty());
}

TEST(SourcePhysicsTest, TheClockSetsTheCountInEffect) {
  source_fakes::RegisterAll();
  source_fakes::PublishedClock published;
  ZVI_PtclSysPhys_Source source;
  source.count.value = 4u;
  published.clock.Tick(0.0f);
  EXPECT_FLOAT_EQ(source.count.driven, 4.0f);
  AnimatedParamList list;
  source.CollectParams(list, nullptr);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->name, u"Emission");
  EXPECT_EQ(list[0]->param, &source.count.chrono);
}

// ---------------------------------------------------------------------------

struct LatticeFixture : ::testing::Test {
  LatticeFixture() {
    auto* f = new node_fakes::FakeFigure();
    lattice.SetGeometry(f);
    parents = Parents(1);
    lattice.count.driven = 0.0f;
  }
  // A task started by hand: no cycle runs.
  LatticeTask& Start() {
    LatticeTaskPtr task(new LatticeTask());
    task->span = lattice.Span();
    task->parent = parents[0];
    lattice.tasks.push_back(task);
    return *task;
  }
  ZVI_PtclSysPhys_Lattice lattice;
  ParticleVector parents;
};

TEST_F(LatticeFixture, DefaultsLayOneColumnPerColumnDelay) {
  EXPECT_EQ(lattice.count.value, 1u);
  EXPECT_FLOAT_EQ(lattice.cycle.duration.value, 2.0f);
  Start();
  EXPECT_FLOAT_EQ(lattice.tasks[0]->span, 0.8f);
  // Frames of one column delay: each window [t0, t1] takes the column on its
  // start and the one on its end.
  const float dt = lattice.columnDelay.derived;
  const size_t perFrame[] = {10, 10, 10, 10};
  size_t total = 0;
  for (int frame = 0; frame < 4; ++frame) {
    ParticleVector born = lattice.Update(nullptr, dt);
    ASSERT_EQ(born.size(), perFrame[frame]) << frame;
    total += born.size();
    // The last column of this frame.
    const float u = born.back()->auxVector.x;
    EXPECT_NEAR(u, 0.1f + 0.2f * static_cast<float>(frame + 1), 1e-6f) << frame;
  }
  EXPECT_EQ(total, 40u);
  EXPECT_TRUE(lattice.tasks.empty());  // ends once elapsed reaches 0.8 s
  EXPECT_EQ(lattice.particles.size(), 40u);
}

TEST_F(LatticeFixture, CellsGoColumnByColumnAndSitOnTheFigure) {
  Start();
  ParticleVector born = lattice.Update(nullptr, 0.1f);
  ASSERT_EQ(born.size(), 5u);
  for (int j = 0; j < 5; ++j) {
    EXPECT_FLOAT_EQ(born[j]->auxVector.x, 0.1f);
    EXPECT_FLOAT_EQ(born[j]->auxVector.y, 0.1f + 0.2f * j);
    EXPECT_FLOAT_EQ(born[j]->position.x, 10.0f);
    EXPECT_FLOAT_EQ(born[j]->position.y, 10.0f + 20.0f * j);
    EXPECT_EQ(born[j]->parent.get(), parents[0].get());
    EXPECT_NE(dynamic_cast<PtclTr_MaxAge*>(born[j]->transforms[0].get()), nullptr);
  }
}

TEST_F(LatticeFixture, BothFlipsStartAtTheFarCorner) {
  lattice.rowFlip = 1;
  lattice.columnFlip = 1;
  Start();
  ParticleVector born = lattice.Update(nullptr, 0.1f);
  ASSERT_FALSE(born.empty());
  EXPECT_FLOAT_EQ(born[0]->auxVector.x, 0.9f);
  EXPECT_FLOAT_EQ(born[0]->auxVector.y, 0.9f);
}

// Both window ends are inclusive: with frames of half a column delay (the
// defaults: 0.1 s) column 1 ends the second frame and starts the third.
TEST_F(LatticeFixture, ACellOnAFrameBoundaryIsEmittedInBothFrames) {
  struct Case {
    uint32_t columnDelay;
    float dt;
  };
  for (const Case& c : {Case{20, 0.0f}, Case{25, 0.125f}}) {
    lattice.tasks.clear();
    lattice.columnDelay.SetValue(c.columnDelay);
    const float dt = c.dt > 0.0f ? c.dt : lattice.columnDelay.derived / 2;
    Start();
    SCOPED_TRACE(dt);
    EXPECT_EQ(lattice.Update(nullptr, dt).size(), 5u);  // column 0
    EXPECT_EQ(lattice.Update(nullptr, dt).size(), 5u);  // column 1 on the window's end
    EXPECT_EQ(lattice.Update(nullptr, dt).size(), 5u);  // and again on the next one's start
  }
}

TEST_F(LatticeFixture, AnEmptyGridMakesNoTask) {
  lattice.rows = 0u;
  lattice.count.driven = 10.0f;
  lattice.cycle.duration = 1.0f;
  lattice.Generate(&parents);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(lattice.Update(nullptr, 0.5f).empty());
  EXPECT_TRUE(lattice.tasks.empty());
}

TEST_F(LatticeFixture, EmissionStartsTasksAndADeadParentEndsThem) {
  lattice.count.driven = 1.0f;
  lattice.cycle.duration = 1.0f;
  lattice.Generate(&parents);
  EXPECT_TRUE(lattice.Update(nullptr, 0.5f).empty());
  // A task starts in this frame; its window [0, 0.5] holds columns 0 to 2.
  ParticleVector born = lattice.Update(nullptr, 0.5f);
  EXPECT_EQ(born.size(), 15u);
  EXPECT_EQ(lattice.tasks.size(), 1u);
  parents[0]->flags |= ParticleFlags::Dead;
  born = lattice.Update(nullptr, 0.2f);
  EXPECT_EQ(born.size(), 5u);  // still due under the dead parent
  EXPECT_TRUE(lattice.tasks.empty());
  EXPECT_TRUE(lattice.states.empty());
}

TEST_F(LatticeFixture, AFigureWithoutCoordinatesOrNoneLaysNothing) {
  ZVI_PtclSysPhys_Lattice bare;
  bare.count.driven = 0.0f;
  LatticeTaskPtr task(new LatticeTask());
  task->span = bare.Span();
  task->parent = parents[0];
  bare.tasks.push_back(task);
  EXPECT_TRUE(bare.Update(nullptr, 0.2f).empty());
}

}  // namespace
