#include <gtest/gtest.h>

#include <memory>

#include "core/thread_slots.h"
#include "player/render_context.h"
#include "player/scene_object.h"
#include "player/timelines.h"
#include "slides_fixtures.h"
#include "tools/writer/slides_writer.h"

using namespace slides_test;

TEST(SlidesSceneObject, SameGuidTwiceKeepsTheOtherRegistration) {
  TestModel model;
  model.guid = MakeGuid(0x100);
  auto* first = model.CreateRuntime();
  auto* second = model.CreateRuntime();
  EXPECT_EQ(FindRuntimeObject(model.guid), second);
  delete first;  // the later object keeps its entry
  EXPECT_EQ(FindRuntimeObject(model.guid), second);
  delete second;
  EXPECT_EQ(FindRuntimeObject(model.guid), nullptr);

  auto* a = model.CreateRuntime();
  auto* b = model.CreateRuntime();
  delete b;  // removes the entry it owns
  EXPECT_EQ(FindRuntimeObject(model.guid), nullptr);
  delete a;
}

TEST(SlidesSceneObject, NullGuidGetsAFreshOneInTheRuntimeCopy) {
  TestModel model;
  std::unique_ptr<DS_ABObj> obj(model.CreateRuntime());
  EXPECT_TRUE(IsNullGuid(model.guid));
  EXPECT_FALSE(IsNullGuid(obj->Model()->guid));
  EXPECT_EQ(FindRuntimeObject(obj->Model()->guid), obj.get());

  TestModel invalid;
  invalid.guid = MakeGuid(0x101);
  invalid.guidValid = false;
  std::unique_ptr<DS_ABObj> renewed(invalid.CreateRuntime());
  EXPECT_NE(renewed->Model()->guid, MakeGuid(0x101));
}

TEST(SlidesSceneObject, KindChangeMakesAndCachesTimelines) {
  TestModel model;
  ZVI_Timing* continuous = model.timing.Current();
  EXPECT_NE(dynamic_cast<ZVI_ContinuesTimeLine*>(continuous), nullptr);

  model.timing.defaultShown = 2.5f;
  model.timing.SetValue(1);
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(model.timing.Current());
  ASSERT_NE(random, nullptr);
  EXPECT_EQ(random->fadeIn.value, 50u);
  EXPECT_EQ(random->fadeOut.value, 50u);
  EXPECT_EQ(random->minShown.value, 250u);
  EXPECT_EQ(random->maxShown.value, 250u);

  model.timing.SetValue(0);
  EXPECT_EQ(model.timing.Current(), continuous);
  model.timing.SetValue(1);
  EXPECT_EQ(model.timing.Current(), random);
}

TEST(SlidesSceneObject, CopySharesTimelinesAndLeavesTheGroup) {
  TestModel model;
  model.timing.SetValue(2);
  model.parentGroup = MakeGuid(0x102);
  model.name = u"leaf";
  model.depth.SetValue(40);
  TestModel copy(model);
  EXPECT_EQ(copy.timing.Current(), model.timing.Current());
  EXPECT_EQ(copy.timing.CurrentHolder().UseCount(), 4);  // current and cache, in each
  EXPECT_TRUE(IsNullGuid(copy.parentGroup));
  EXPECT_EQ(copy.name, u"leaf");
  EXPECT_EQ(copy.depth.value, 40);
}

TEST(SlidesSceneObject, LocalTimeFollowsTheTimeMode) {
  struct Case {
    int timeMode;
    uint32_t flags;
    float expectedAfterFade;
  };
  // A random timeline fading in over 0.5 s: in time mode 2 the local clock
  // runs at the speed of the visibility.
  const Case cases[] = {{0, 0, 0.5f}, {2, 0, 0.275f}, {2, kTimingFlagNoTimeScale, 0.5f}};
  for (const Case& c : cases) {
    TestModel model;
    model.timing.SetValue(1);
    model.timing.timeMode.SetValue(c.timeMode);
    model.timing.flags = c.flags;
    std::unique_ptr<TestObject> obj(static_cast<TestObject*>(model.CreateRuntime()));
    for (int i = 0; i <= 10; ++i) obj->UpdateTime(0.05f * i);
    EXPECT_NEAR(obj->times.back(), c.expectedAfterFade, 0.02f) << "mode " << c.timeMode;
  }
}

TEST(SlidesSceneObject, SlideRestartStepsLocalTimeBack) {
  TestModel model;
  std::unique_ptr<TestObject> obj(static_cast<TestObject*>(model.CreateRuntime()));
  obj->UpdateTime(0.0f);
  obj->UpdateTime(3.0f);
  // The object gets the whole step; its timeline only 0.2 s of it.
  EXPECT_FLOAT_EQ(obj->times.back(), 3.0f);
  EXPECT_FLOAT_EQ(obj->GetTiming()->Current()->total, 0.2f);
  obj->ResetTiming();
  obj->UpdateTime(0.5f);
  EXPECT_FLOAT_EQ(obj->times.back(), 0.5f);
  obj->Restart();
  obj->UpdateTime(0.25f);
  EXPECT_FLOAT_EQ(obj->times.back(), 0.25f);
}

TEST(SlidesSceneObject, GetOrCreateRuntimeSharesByGuidWithinABuild) {
  TestModel a, b, c, d;
  a.guid = b.guid = MakeGuid(0x103);
  RuntimeObjects objects;
  RuntimeMap map;
  for (TestModel* m : {&a, &b, &c, &d}) m->GetOrCreateRuntime(objects, map);
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(objects[0].get(), objects[1].get());
  EXPECT_NE(objects[2].get(), objects[3].get());
}

TEST(SlidesSceneObject, GroupNodeNeedsAGroupInTheMap) {
  TestModel member;
  EXPECT_EQ(member.GetGroupNode(), nullptr);
  member.parentGroup = MakeGuid(0x104);
  EXPECT_EQ(member.GetGroupNode(), nullptr);  // no such object
}

TEST(SlidesSceneObject, LegacyBaseRecordsReadAndConvert) {
  RegisterTestClasses();
  RegisterTimelineReaders();

  struct Expect {
    int32_t version;
    uint32_t oldMode;
    int kind;
    int timeMode;
    int depth;
    const char* timeline;
  };
  const Expect cases[] = {
      {1, 0, 0, 0, 100, "continuous"}, {2, 1, 1, 1, 100, "random"},   {3, 2, 2, 3, 60, "manual"},
      {3, 0, 0, 2, 60, "continuous"},  {4, 0, 1, 2, 60, "random"},     {2, 5, 5, 1, 100, "continuous"},
  };
  for (const Expect& e : cases) {
    pw::ConstructorRecord r;
    r.version = e.version;
    r.name = u"obj";
    r.depth = 60;
    r.oldTiming.mode = e.oldMode;
    r.oldTiming.second = static_cast<uint32_t>(e.timeMode);
    r.oldTiming.minHidden = 11;
    r.oldTiming.maxShown = 300;
    r.oldTiming.fadeIn = 70;
    r.oldTiming.intervals = {{1, 2, 1.2f, 1.8f}};
    r.oldTiming.period = 500;
    r.guid = MakeGuid(0x105);
    r.kind = 1;
    r.timeMode = 2;
    r.flags = 0x21;
    pw::RandomTimeLineRecord rr;
    rr.minHidden = 11;
    rr.maxShown = 300;
    rr.fadeIn = 70;
    pw::WriteRandomTimeLine(r.timeline, rr);
    r.resetFlag = 0;

    pw::ByteBuilder b;
    b.Header(kModelClass, 1).U32(2);
    pw::WriteConstructorBase(b, r);
    b.U32(0xABCD);

    ReadBytes(b, [&](DS_IOF_Archive& ar) {
      std::unique_ptr<DS_ABObj_Constructor> m = ReadObject(ar);
      ASSERT_NE(m, nullptr);
      EXPECT_EQ(static_cast<TestModel*>(m.get())->passes, 2u);
      EXPECT_EQ(m->name, u"obj");
      EXPECT_EQ(m->depth.value, e.depth) << "v" << e.version;
      EXPECT_EQ(m->timing.value, e.kind) << "v" << e.version;
      EXPECT_EQ(m->timing.timeMode.value, e.timeMode) << "v" << e.version;
      ZVI_Timing* t = m->timing.Current();
      if (std::string(e.timeline) == "continuous") {
        EXPECT_NE(dynamic_cast<ZVI_ContinuesTimeLine*>(t), nullptr);
      } else if (std::string(e.timeline) == "random") {
        auto* rt = dynamic_cast<ZVI_RandomTimeLine*>(t);
        ASSERT_NE(rt, nullptr) << "v" << e.version;
        EXPECT_EQ(rt->minHidden.value, 11u);
        EXPECT_EQ(rt->maxShown.value, 300u);
        EXPECT_FLOAT_EQ(rt->fadeIn.derived, 0.7f);
        EXPECT_EQ(m->timing.byKind[1].get(), t);
      } else {
        auto* mt = dynamic_cast<ZVI_ManualTimeLine*>(t);
        ASSERT_NE(mt, nullptr);
        EXPECT_FLOAT_EQ(mt->period.derived, 5.0f);
        EXPECT_EQ(mt->intervals.size(), 1u);
      }
      if (e.version == 4) {
        EXPECT_EQ(m->guid, MakeGuid(0x105));
        EXPECT_EQ(m->timing.flags, 0x21u);
        EXPECT_EQ(m->resetFlag.value, 0);
      } else {
        EXPECT_TRUE(IsNullGuid(m->guid));
        EXPECT_EQ(m->resetFlag.value, 1);
      }
      uint32_t tail = 0;
      ar.ReadUInt(&tail);
      EXPECT_EQ(tail, 0xABCDu) << "v" << e.version;
    });
  }
}

TEST(SlidesSceneObject, TruncatedModelRecordIsAnError) {
  RegisterTestClasses();
  RegisterTimelineReaders();
  pw::ConstructorRecord r;
  pw::ByteBuilder b;
  b.Header(kModelClass, 1).U32(0);
  pw::WriteConstructorBase(b, r);
  for (size_t cut : {b.size() - 1, b.size() / 2, size_t{30}}) {
    pw::ByteBuilder part;
    part.Raw(b.bytes().data(), cut);
    ReadBytes(part, [&](DS_IOF_Archive& ar) { EXPECT_THROW(ReadObject(ar), DS_Error) << cut; });
  }
}

TEST(SlidesSceneObject, ScreenRectsSpanTheScene) {
  TestModel model;
  RenderContext* saved = CurrentRenderContext();
  RenderContext context;
  context.sceneSize = D3DXVECTOR2(640.0f, 480.0f);
  SetCurrentRenderContext(&context);
  std::vector<ScreenRect> rects;
  EXPECT_TRUE(model.GetScreenRects(rects));
  SetCurrentRenderContext(saved);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_FLOAT_EQ(rects[0].x, 0.0f);
  EXPECT_FLOAT_EQ(rects[0].width, 640.0f);
  EXPECT_FLOAT_EQ(rects[0].height, 480.0f);
}

TEST(SlidesSceneObject, ObjectWithoutTimelinePlaysContinuously) {
  TestModel model;
  model.timing.SetCurrentTimeline(DS_SafePtr<ZVI_Timing>());
  std::unique_ptr<TestObject> obj(static_cast<TestObject*>(model.CreateRuntime()));
  obj->ResetTiming();
  obj->UpdateTime(0.0f);
  obj->UpdateTime(0.5f);
  EXPECT_FLOAT_EQ(obj->times.back(), 0.5f);
  EXPECT_NE(dynamic_cast<ZVI_ContinuesTimeLine*>(obj->GetTiming()->Current()), nullptr);
}
