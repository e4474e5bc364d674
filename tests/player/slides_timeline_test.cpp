#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/crt.h"
#include "player/scene_object.h"
#include "player/timelines.h"
#include "slides_fixtures.h"
#include "tools/writer/slides_writer.h"

using namespace slides_test;

namespace {

// Advances a timeline in 0.05 s frames from 0 up to and including t.
void RunTo(ZVI_Timing& tl, float& clock, float t) {
  while (clock + 0.025f < t) {
    clock += 0.05f;
    tl.Advance(clock);
  }
}

}  // namespace

TEST(SlidesTimeline, StepIsClampedScaledAndNeverNegative) {
  ZVI_ContinuesTimeLine tl;
  tl.Advance(0.0f);
  tl.Advance(1.0f);  // a one-second frame counts 0.2 s
  EXPECT_FLOAT_EQ(tl.total, 0.2f);
  tl.Advance(0.5f);  // time went back: nothing
  EXPECT_FLOAT_EQ(tl.total, 0.2f);
  EXPECT_FLOAT_EQ(tl.lastTime, 0.5f);
  tl.Advance(0.6f);
  EXPECT_NEAR(tl.total, 0.3f, 1e-6);

  ZVI_ContinuesTimeLine fast;
  fast.speed.SetValue(2u);
  fast.Advance(0.0f);
  fast.Advance(1.0f);
  EXPECT_FLOAT_EQ(fast.total, 0.4f);
  EXPECT_EQ(fast.GetState(), kTimelineShown);
  EXPECT_FLOAT_EQ(fast.GetVisibility(), 1.0f);
}

TEST(SlidesTimeline, RandomWithDefaultsCyclesFadeShowFadeHide) {
  ZVI_RandomTimeLine tl;
  EXPECT_EQ(tl.GetState(), kTimelineHidden);
  EXPECT_FLOAT_EQ(tl.GetCycleLength(), 2.0f);
  float clock = 0.0f;
  tl.Advance(0.0f);
  struct Point {
    float t;
    uint32_t state;
    float visibility;
  };
  const Point points[] = {
      {0.25f, kTimelineAppearing, 0.5f},    {1.0f, kTimelineShown, 1.0f},
      {1.75f, kTimelineDisappearing, 0.5f}, {2.5f, kTimelineHidden, 0.0f},
      {3.25f, kTimelineAppearing, 0.5f},    {4.0f, kTimelineShown, 1.0f},
  };
  for (const Point& p : points) {
    RunTo(tl, clock, p.t);
    EXPECT_EQ(tl.GetState(), p.state) << "at " << p.t;
    EXPECT_NEAR(tl.GetVisibility(), p.visibility, 1e-3) << "at " << p.t;
  }
  EXPECT_NEAR(tl.GetPhaseProgress(), 0.5f, 1e-3);
}

TEST(SlidesTimeline, RandomDrawsUseTheRuntimeSequence) {
  ZVI_RandomTimeLine tl;
  tl.minShown.SetValue(100);
  tl.maxShown.SetValue(300);
  crt_srand(1);
  tl.Reset();  // rand 41: 100 + 41 % 201
  EXPECT_FLOAT_EQ(tl.shownDuration, 1.41f);
  tl.Reset();  // rand 18467: 100 + 18467 % 201
  EXPECT_FLOAT_EQ(tl.shownDuration, 2.76f);

  // max below min: always min, and no number is drawn.
  tl.minShown.SetValue(200);
  tl.maxShown.SetValue(100);
  crt_srand(1);
  tl.Reset();
  EXPECT_FLOAT_EQ(tl.shownDuration, 2.0f);
  EXPECT_EQ(crt_rand(), 41);
}

TEST(SlidesTimeline, FullUnsignedRangeDoesNotWrapTheModulus) {
  crt_srand(1);
  EXPECT_FLOAT_EQ(DrawDuration(0u, 0xFFFFFFFFu), 0.41f);
  crt_srand(1);
  EXPECT_FLOAT_EQ(DrawDuration(0xFFFFFF00u, 0xFFFFFFFFu), static_cast<float>(0xFFFFFF00u + 41u % 256u) * 0.01f);
}

TEST(SlidesTimeline, ManualIntervalStates) {
  ZVI_ManualTimeLine tl;
  tl.intervals.insert({2.0f, 6.0f, 3.0f, 5.0f});
  struct Case {
    float phase;
    uint32_t state;
    float visibility;
    float cycle;
  };
  const Case cases[] = {
      {2.5f, kTimelineAppearing, 0.5f, 4.0f},    {4.0f, kTimelineShown, 1.0f, 4.0f},
      {5.5f, kTimelineDisappearing, 0.5f, 4.0f}, {8.0f, kTimelineHidden, 0.0f, 0.0f},
      {1.5f, kTimelineHidden, 0.0f, 4.0f},       {0.5f, kTimelineHidden, 0.0f, 4.0f},
  };
  for (const Case& c : cases) {
    tl.Reset();
    tl.phase = c.phase;
    EXPECT_FLOAT_EQ(tl.Advance(0.0f), c.phase);
    EXPECT_EQ(tl.GetState(), c.state) << "phase " << c.phase;
    EXPECT_FLOAT_EQ(tl.GetVisibility(), c.visibility) << "phase " << c.phase;
    EXPECT_FLOAT_EQ(tl.GetCycleLength(), c.cycle) << "phase " << c.phase;
  }
  tl.Reset();
  tl.phase = 4.5f;
  tl.Advance(0.0f);
  EXPECT_FLOAT_EQ(tl.GetPhaseProgress(), 0.75f);

  // The cycle length is known only within three seconds of the start.
  ZVI_ManualTimeLine late;
  late.intervals.insert({7.0f, 9.0f, 7.5f, 8.5f});
  const std::pair<float, float> cycles[] = {{1.0f, 0.0f}, {3.9f, 0.0f}, {4.5f, 2.0f}};
  for (auto [phase, cycle] : cycles) {
    late.Reset();
    late.phase = phase;
    late.Advance(0.0f);
    EXPECT_EQ(late.GetState(), kTimelineHidden);
    EXPECT_FLOAT_EQ(late.GetCycleLength(), cycle) << "phase " << phase;
  }
}

TEST(SlidesTimeline, BrokenIntervalsAreDroppedAndNeverGiveNaN) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  pw::ByteBuilder b;
  pw::WriteManualTimeLine(b, 1000, {{nan, 2, 1, 1.5f}, {5, 4, 4.5f, 4.6f}, {6, 7, 6, 7}, {1, 2, 1.2f, 1.8f}});
  RegisterTimelineReaders();
  ReadBytes(b, [&](DS_IOF_Archive& ar) {
    auto t = ReadTiming(ar);
    auto* m = dynamic_cast<ZVI_ManualTimeLine*>(t.get());
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->intervals.size(), 2u);
    for (float phase : {6.0f, 6.5f, 7.0f}) {
      m->Reset();
      m->phase = phase;
      m->Advance(0.0f);
      EXPECT_FALSE(std::isnan(m->GetVisibility())) << phase;
    }
  });
}

TEST(SlidesTimeline, ManualPhaseWrapsWithThePeriod) {
  ZVI_ManualTimeLine tl;
  tl.SetPeriod(100);  // 1 s
  tl.intervals.insert({0.0f, 0.5f, 0.1f, 0.4f});
  float t = 0.0f;
  for (int i = 0; i < 12; ++i) tl.Advance(t += 0.1f);  // 1.2 s of steps
  EXPECT_NEAR(tl.phase, 0.2f, 1e-4);
  EXPECT_EQ(tl.GetState(), kTimelineShown);
}

TEST(SlidesTimeline, ManualWithZeroPeriodStaysHidden) {
  ZVI_ManualTimeLine tl;
  tl.SetPeriod(0);
  tl.intervals.insert({0.0f, 5.0f, 1.0f, 4.0f});
  for (float t = 0.0f; t < 2.0f; t += 0.1f) tl.Advance(t);
  EXPECT_EQ(tl.GetState(), kTimelineHidden);
  EXPECT_FLOAT_EQ(tl.GetVisibility(), 0.0f);
  EXPECT_FALSE(std::isnan(tl.phase));
}

TEST(SlidesTimeline, RecordsReadWithOverlappingIntervalsDropped) {
  pw::ByteBuilder b;
  pw::WriteManualTimeLine(b, 2000, {{1, 3, 1.5f, 2.5f}, {2, 4, 2.5f, 3.5f}, {5, 6, 5.2f, 5.8f}});
  pw::RandomTimeLineRecord r;
  r.minHidden = 10;
  r.maxHidden = 20;
  r.minShown = 30;
  r.maxShown = 40;
  r.fadeIn = 150;
  r.fadeOut = 250;
  pw::WriteRandomTimeLine(b, r);
  pw::DependedTimeLineRecord d1;
  d1.version = 1;
  d1.followed = MakeGuid(7);
  pw::WriteDependedTimeLine(b, d1);
  b.U32(0xC0FFEE);

  RegisterTimelineReaders();
  ReadBytes(b, [&](DS_IOF_Archive& ar) {
    auto manual = ReadTiming(ar);
    auto* m = dynamic_cast<ZVI_ManualTimeLine*>(manual.get());
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->period.derived, 20.0f);
    ASSERT_EQ(m->intervals.size(), 2u);
    EXPECT_FLOAT_EQ(m->intervals.begin()->start, 1.0f);
    EXPECT_FLOAT_EQ(m->intervals.rbegin()->start, 5.0f);

    auto random = ReadTiming(ar);
    auto* rt = dynamic_cast<ZVI_RandomTimeLine*>(random.get());
    ASSERT_NE(rt, nullptr);
    EXPECT_EQ(rt->minHidden.value, 10u);
    EXPECT_EQ(rt->maxShown.value, 40u);
    EXPECT_FLOAT_EQ(rt->fadeIn.derived, 1.5f);
    EXPECT_FLOAT_EQ(rt->fadeOut.derived, 2.5f);

    auto dep = ReadTiming(ar);
    auto* dt = dynamic_cast<ZVI_DependedTimeLine*>(dep.get());
    ASSERT_NE(dt, nullptr);
    EXPECT_EQ(dt->followedGuid.value, MakeGuid(7));
    EXPECT_EQ(dt->mode.value, 0);
    EXPECT_EQ(dt->minShown.value, 100u);

    uint32_t tail = 0;
    ar.ReadUInt(&tail);
    EXPECT_EQ(tail, 0xC0FFEEu);
  });
}

TEST(SlidesTimeline, UnknownTimelineClassMakesTheDataInvalid) {
  RegisterTimelineReaders();
  pw::ByteBuilder b;
  b.Header(u"ZVI_continuesTimeLine", 1);
  ReadBytes(b, [&](DS_IOF_Archive& ar) { EXPECT_THROW(ReadTiming(ar), DS_Error); });
  EXPECT_FALSE(CreateTimingByName(u"NoSuchTimeline"));
  EXPECT_TRUE(dynamic_cast<ZVI_RandomTimeLine*>(CreateTimingByName(u"ZVI_RandomTimeLine").get()));
}

namespace {

// A followed object with a random timeline (defaults), registered by GUID.
struct Followed {
  explicit Followed(const GUID& g) {
    TestModel model;
    model.guid = g;
    model.timing.SetValue(1);
    object.reset(static_cast<TestObject*>(model.CreateRuntime()));
  }
  std::unique_ptr<TestObject> object;
};

}  // namespace

TEST(SlidesTimeline, DependedCycleStartsWhenTheFollowedObjectAppears) {
  Followed f(MakeGuid(0x51));
  ZVI_DependedTimeLine dep;
  dep.mode.SetValue(1);
  dep.minShown.SetValue(500);
  dep.maxShown.SetValue(500);
  dep.followedGuid.SetValue(MakeGuid(0x51));  // resolves the link
  ASSERT_EQ(dep.followed, f.object->GetTiming());

  float t = 0.0f;
  f.object->UpdateTime(t);
  dep.Advance(t);
  EXPECT_FALSE(dep.cycleRunning);
  t += 0.05f;
  f.object->UpdateTime(t);  // the followed timeline leaves hidden now
  dep.Advance(t);
  EXPECT_TRUE(dep.cycleRunning);
  EXPECT_FLOAT_EQ(dep.appearStart, t);
  EXPECT_NEAR(dep.end, t + 6.0f, 1e-4);

  // The followed object hides and appears again (after 3 s) while the own
  // cycle still runs: no new cycle.
  while (t < 4.0f) {
    t += 0.05f;
    f.object->UpdateTime(t);
    dep.Advance(t);
    if (std::fabs(t - 0.3f) < 0.01f) {
      EXPECT_EQ(dep.GetState(), kTimelineAppearing);
      EXPECT_NEAR(dep.GetVisibility(), 0.5f, 1e-3);
    }
  }
  EXPECT_NEAR(dep.appearStart, 0.05f, 1e-6);
  EXPECT_EQ(dep.GetState(), kTimelineShown);

  // After its end, the next appearance of the followed object starts a cycle.
  while (t < 9.2f) {
    t += 0.05f;
    f.object->UpdateTime(t);
    dep.Advance(t);
  }
  EXPECT_TRUE(dep.cycleRunning);
  EXPECT_GT(dep.appearStart, 6.05f);
}

TEST(SlidesTimeline, DependedMirrorsInModeZero) {
  Followed f(MakeGuid(0x52));
  ZVI_DependedTimeLine dep;
  dep.followedGuid.SetValue(MakeGuid(0x52));
  for (float t = 0.0f; t < 0.26f; t += 0.05f) {
    f.object->UpdateTime(t);
    dep.Advance(t);
  }
  ZVI_Timing* followed = f.object->GetTiming()->Current();
  EXPECT_EQ(dep.GetState(), followed->GetState());
  EXPECT_FLOAT_EQ(dep.GetVisibility(), followed->GetVisibility());
}

TEST(SlidesTimeline, DependedWithoutItsObjectStaysHidden) {
  for (int mode : {0, 1}) {
    ZVI_DependedTimeLine dep;
    dep.mode.SetValue(mode);
    dep.followedGuid.SetValue(MakeGuid(0xDEAD));
    for (float t = 0.0f; t < 1.0f; t += 0.05f) dep.Advance(t);
    EXPECT_EQ(dep.GetState(), kTimelineHidden);
    EXPECT_FLOAT_EQ(dep.GetVisibility(), 0.0f);
    EXPECT_FALSE(dep.cycleRunning);
  }
}

TEST(SlidesTimeline, DependedForgetsAFollowedObjectThatIsGone) {
  ZVI_DependedTimeLine dep;
  dep.mode.SetValue(1);
  {
    Followed f(MakeGuid(0x53));
    dep.followedGuid.SetValue(MakeGuid(0x53));
    f.object->UpdateTime(0.0f);
    dep.Advance(0.0f);
    f.object->UpdateTime(0.05f);
    dep.Advance(0.05f);
    EXPECT_TRUE(dep.cycleRunning);
  }
  dep.Advance(0.3f);
  EXPECT_EQ(dep.GetState(), kTimelineHidden);
  EXPECT_FLOAT_EQ(dep.GetVisibility(), 0.0f);
  EXPECT_EQ(dep.followed, nullptr);
}
