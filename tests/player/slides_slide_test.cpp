#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "core/reader_registry.h"
#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "player/timelines.h"
#include "slides_fixtures.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/slides_writer.h"

using namespace slides_test;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A model record with the given background passes and timeline.
pw::ByteBuilder ModelRecord(uint32_t passes, const GUID& guid, const pw::ByteBuilder& timeline, uint32_t kind) {
  pw::ConstructorRecord r;
  r.guid = guid;
  r.kind = kind;
  r.timeline = timeline;
  pw::ByteBuilder b;
  b.Header(kModelClass, 1).U32(passes);
  return pw::WriteConstructorBase(b, r);
}

pw::ByteBuilder ManualModel(uint32_t period) {
  pw::ByteBuilder tl;
  pw::WriteManualTimeLine(tl, period, {});
  return ModelRecord(0, GUID_NULL, tl, 2);
}

std::unique_ptr<DS_SlideContainer> ReadSlide(const pw::ByteBuilder& b) {
  std::unique_ptr<DS_SlideContainer> slide;
  ReadBytes(b, [&](DS_IOF_Archive& ar) { slide = ReadObjectOf<DS_SlideContainer>(ar); });
  return slide;
}

// A model with a field that expects a depended timeline, then a u32.
class CastModel : public DS_ABObj_Constructor {
 public:
  CastModel() = default;
  CastModel(const CastModel& other) : DS_ABObj_Constructor(other), after(other.after) {}
  void ReadRecord(DS_IOF_Archive& ar, int32_t) {
    follower = ReadObjectAs<ZVI_DependedTimeLine, ZVI_Timing>(ar);
    ar.ReadUInt(&after);
    ReadConstructorBase(ar);
  }
  DS_ABObj* CreateRuntime() override;
  std::unique_ptr<ZVI_DependedTimeLine> follower;
  uint32_t after = 0;
};
class CastObject : public DS_ABObj {
 public:
  explicit CastObject(CastModel* model) : DS_ABObj(model) {}
  void Update(float) override {}
};
DS_ABObj* CastModel::CreateRuntime() { return new CastObject(new CastModel(*this)); }

class SlidesSlide : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    RegisterSlideContainerReader();
    RegisterTimelineReaders();
  }
};

}  // namespace

TEST_F(SlidesSlide, RecordsOfEveryVersion) {
  struct Case {
    int32_t version;
    float fadeIn, fadeOut, show;
    uint32_t mode;
    uint32_t expectedPeriod;  // of the manual timeline of the drawn model
    size_t updated;
  };
  const Case cases[] = {
      {1, 2, 3, 8, 0, 1000, 0}, {2, 2, 3, 8, 0, 1000, 1}, {3, 2, 3, 8, 0, 1000, 1},
      {4, 2, 3, 8, 0, 10, 1},   {5, 0.5f, 1.5f, 6.25f, 1, 10, 1}, {6, 0.5f, 1.5f, 6.25f, 1, 250, 1},
      {6, kNaN, kInf, 2, 0, 250, 1},
  };
  for (const Case& c : cases) {
    pw::SlideRecord r;
    r.version = c.version;
    r.mode = c.mode;
    r.fadeIn = c.fadeIn;
    r.fadeOut = c.fadeOut;
    r.showTime = c.show;
    r.second = 9;
    r.name = u"Intro";
    r.legacyPeriod = 10;
    r.renderContext = LightRecord();
    r.drawn.push_back(ManualModel(250));
    r.updated.push_back(ModelRecord(0, GUID_NULL, {}, 0));
    pw::ByteBuilder b;
    pw::WriteSlide(b, r);

    auto slide = ReadSlide(b);
    ASSERT_NE(slide, nullptr);
    // Times that are not numbers read as 0.
    EXPECT_FLOAT_EQ(slide->FadeIn(), std::isfinite(c.fadeIn) ? c.fadeIn : 0.0f) << "v" << c.version;
    EXPECT_FLOAT_EQ(slide->FadeOut(), std::isfinite(c.fadeOut) ? c.fadeOut : 0.0f) << "v" << c.version;
    EXPECT_FLOAT_EQ(slide->ShowTime(), c.show) << "v" << c.version;
    EXPECT_EQ(slide->Mode(), static_cast<int32_t>(c.mode)) << "v" << c.version;
    EXPECT_EQ(slide->second.value, 9);
    EXPECT_EQ(slide->name.value, u"Intro");
    EXPECT_NE(dynamic_cast<RecordingLight*>(slide->RenderContext()), nullptr);
    ASSERT_EQ(slide->drawnModels.size(), 1u);
    auto* manual = dynamic_cast<ZVI_ManualTimeLine*>(slide->drawnModels[0]->timing.Current());
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(manual->period.value, c.expectedPeriod) << "v" << c.version;
    EXPECT_EQ(slide->updatedModels.size(), c.updated) << "v" << c.version;
  }
}

TEST_F(SlidesSlide, UnknownRenderContextOrModelClassIsRefused) {
  pw::SlideRecord r;
  r.renderContext.Header(u"NoSuchLight", 3);
  pw::ByteBuilder b;
  pw::WriteSlide(b, r);
  EXPECT_THROW(ReadSlide(b), DS_Error);

  pw::SlideRecord m;
  m.renderContext = LightRecord();
  pw::ByteBuilder bad;
  bad.Header(u"NoSuchModel", 1);
  m.drawn.push_back(bad);
  pw::ByteBuilder b2;
  pw::WriteSlide(b2, m);
  EXPECT_THROW(ReadSlide(b2), DS_Error);
}

TEST_F(SlidesSlide, TruncatedRecordIsAnError) {
  pw::SlideRecord r;
  r.renderContext = LightRecord();
  r.drawn.push_back(ModelRecord(1, MakeGuid(0x200), {}, 0));
  pw::ByteBuilder b;
  pw::WriteSlide(b, r);
  for (size_t cut = 8; cut < b.size(); cut += 7) {
    pw::ByteBuilder part;
    part.Raw(b.bytes().data(), cut);
    EXPECT_THROW(ReadSlide(part), DS_Error) << "cut at " << cut;
  }
  // A count far beyond the data does not allocate or loop: it is an error.
  pw::ByteBuilder huge;
  huge.Header(u"DS_SlideContainer", 6).U32(0).F32(1).F32(1).F32(10).U32(0).WideString(u"");
  huge.Append(LightRecord()).U32(0x7FFFFFFF);
  EXPECT_THROW(ReadSlide(huge), DS_Error);
}

TEST_F(SlidesSlide, BuildRuntimeSharesGuidsAndDropsTheModels) {
  pw::SlideRecord r;
  r.renderContext = LightRecord();
  r.drawn.push_back(ModelRecord(0, MakeGuid(0x201), {}, 0));
  r.drawn.push_back(ModelRecord(0, MakeGuid(0x201), {}, 0));
  r.drawn.push_back(ModelRecord(0, GUID_NULL, {}, 0));
  r.updated.push_back(ModelRecord(0, MakeGuid(0x201), {}, 0));
  pw::ByteBuilder b;
  pw::WriteSlide(b, r);
  auto slide = ReadSlide(b);
  slide->BuildRuntime();

  ASSERT_EQ(slide->drawnObjects.size(), 3u);
  EXPECT_EQ(slide->drawnObjects[0].get(), slide->drawnObjects[1].get());
  EXPECT_NE(slide->drawnObjects[2].get(), slide->drawnObjects[0].get());
  ASSERT_EQ(slide->updatedObjects.size(), 1u);
  EXPECT_NE(slide->updatedObjects[0].get(), slide->drawnObjects[0].get());
  EXPECT_TRUE(slide->drawnModels.empty());
  EXPECT_TRUE(slide->updatedModels.empty());

  auto* light = static_cast<RecordingLight*>(slide->RenderContext());
  EXPECT_EQ(light->beginSlides, 1);
  ASSERT_EQ(light->views.size(), 1u);
  EXPECT_FLOAT_EQ(light->views[0].c[0].y, 1.0f);
  EXPECT_FLOAT_EQ(light->views[0].c[3].x, 1.0f);
  EXPECT_FLOAT_EQ(light->views[0].c[1].x, 0.0f);

  slide->SetObjectsRunning(false);
  EXPECT_FALSE(slide->drawnObjects[2]->running);
  EXPECT_FALSE(slide->updatedObjects[0]->running);
}

TEST_F(SlidesSlide, DependedTimelinesResolveWhenTheSlideIsBuilt) {
  pw::DependedTimeLineRecord d;
  d.followed = MakeGuid(0x202);
  d.mode = 1;
  pw::ByteBuilder dep;
  pw::WriteDependedTimeLine(dep, d);
  pw::RandomTimeLineRecord rr;
  pw::ByteBuilder random;
  pw::WriteRandomTimeLine(random, rr);

  pw::SlideRecord r;
  r.renderContext = LightRecord();
  r.drawn.push_back(ModelRecord(0, GUID_NULL, dep, 3));  // follows the later object
  r.drawn.push_back(ModelRecord(0, MakeGuid(0x202), random, 1));
  pw::ByteBuilder b;
  pw::WriteSlide(b, r);
  auto slide = ReadSlide(b);
  slide->BuildRuntime();
  auto* follower = dynamic_cast<ZVI_DependedTimeLine*>(slide->drawnObjects[0]->GetTiming()->Current());
  ASSERT_NE(follower, nullptr);
  EXPECT_EQ(follower->followed, slide->drawnObjects[1]->GetTiming());
}

TEST_F(SlidesSlide, DependedTimelineKeepsTheObjectOfItsOwnSlide) {
  pw::DependedTimeLineRecord d;
  d.followed = MakeGuid(0x303);
  pw::ByteBuilder dep;
  pw::WriteDependedTimeLine(dep, d);
  pw::ByteBuilder random;
  pw::WriteRandomTimeLine(random, pw::RandomTimeLineRecord{});
  pw::ByteBuilder manual;
  pw::WriteManualTimeLine(manual, 1000, {});

  pw::SlideRecord first;
  first.renderContext = LightRecord();
  first.drawn.push_back(ModelRecord(0, GUID_NULL, dep, 3));
  first.drawn.push_back(ModelRecord(0, MakeGuid(0x303), random, 1));
  // A later slide reuses the GUID for an object that stays hidden.
  pw::SlideRecord second;
  second.renderContext = LightRecord();
  second.drawn.push_back(ModelRecord(0, MakeGuid(0x303), manual, 2));
  pw::ByteBuilder a, b;
  pw::WriteSlide(a, first);
  pw::WriteSlide(b, second);
  auto slideA = ReadSlide(a);
  auto slideB = ReadSlide(b);
  slideA->BuildRuntime();
  slideB->BuildRuntime();

  DS_SafePtr<DS_ABObj> follower = slideA->drawnObjects[0];
  for (float t : {0.0f, 0.1f, 0.2f, 0.35f}) {
    slideA->drawnObjects[1]->UpdateTime(t);
    follower->UpdateTime(t);
  }
  ZVI_Timing* followed = slideA->drawnObjects[1]->GetTiming()->Current();
  ZVI_Timing* timeline = follower->GetTiming()->Current();
  // Timeline time 0.35 s of the default random timeline: appearing, 0.7.
  EXPECT_EQ(timeline->GetState(), kTimelineAppearing);
  EXPECT_NEAR(timeline->GetVisibility(), 0.7f, 1e-5f);
  EXPECT_EQ(timeline->GetVisibility(), followed->GetVisibility());

  // Once the followed object is gone the timeline follows nothing.
  slideA->drawnObjects[1].Reset();
  EXPECT_EQ(timeline->GetState(), kTimelineHidden);
  EXPECT_EQ(timeline->GetVisibility(), 0.0f);
}

TEST_F(SlidesSlide, KnownRecordOfTheWrongKindInACastReadLeavesTheFieldEmptyAndThePlayGoesOn) {
  RegisterReader<CastModel, DS_ABObj_Constructor>(u"Test_CastModel");
  pw::ByteBuilder random;  // a timeline, but not the depended kind the field expects
  pw::WriteRandomTimeLine(random, pw::RandomTimeLineRecord{});
  pw::ByteBuilder body;
  body.Header(u"Test_CastModel", 1).Append(random).U32(0xC0FFEE);
  pw::ConstructorRecord base;
  base.guid = MakeGuid(0x404);
  pw::WriteConstructorBase(body, base);

  pw::SlideRecord slide;
  slide.renderContext = LightRecord();
  slide.drawn.push_back(body);
  slide.drawn.push_back(ModelRecord(2, MakeGuid(0x405), {}, 0));  // the record after it
  pw::SlideShowRecord show;
  pw::ByteBuilder slideBytes;
  pw::WriteSlide(slideBytes, slide);
  show.slides.push_back(slideBytes);
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder file = pw::BuildProject(show, manager);

  std::unique_ptr<DS_SlideShow_Light> project(ReadProjectMemory(file.bytes().data(), file.size()));
  ASSERT_NE(project, nullptr);
  ASSERT_EQ(project->slides.size(), 1u);
  DS_SlideContainer& read = *project->slides[0];
  ASSERT_EQ(read.drawnModels.size(), 2u);
  auto* cast = dynamic_cast<CastModel*>(read.drawnModels[0].get());
  ASSERT_NE(cast, nullptr);
  EXPECT_EQ(cast->follower, nullptr);
  EXPECT_EQ(cast->after, 0xC0FFEEu);
  EXPECT_EQ(cast->guid, MakeGuid(0x404));
  auto* next = dynamic_cast<TestModel*>(read.drawnModels[1].get());
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->passes, 2u);
  EXPECT_EQ(next->guid, MakeGuid(0x405));
  read.BuildRuntime();
  EXPECT_EQ(read.drawnObjects.size(), 2u);
  project.reset();
  DestroyCurrentDocResManager();
}

TEST_F(SlidesSlide, RenderCountsBackgroundPasses) {
  struct Case {
    uint32_t passA, passB;
    bool needsClear;
    const char* log;
  };
  const Case cases[] = {
      {0, 0, false, "clear;objects 2 count 0;"},
      {1, 2, false, "chain;clear;objects 2 count 3;"},
      {0, 0, true, "chain;clear;objects 2 count 1;"},
  };
  for (const Case& c : cases) {
    pw::SlideRecord r;
    r.renderContext = LightRecord();
    r.drawn.push_back(ModelRecord(c.passA, GUID_NULL, {}, 0));
    r.drawn.push_back(ModelRecord(c.passB, GUID_NULL, {}, 0));
    pw::ByteBuilder b;
    pw::WriteSlide(b, r);
    auto slide = ReadSlide(b);
    slide->BuildRuntime();
    auto* light = static_cast<RecordingLight*>(slide->RenderContext());
    light->needsClear = c.needsClear;
    slide->Render(slide->drawnObjects, 0);
    EXPECT_EQ(light->log, c.log);
  }
}

TEST_F(SlidesSlide, DeviceLossReachesDrawnModelsOnly) {
  pw::SlideRecord r;
  r.renderContext = LightRecord();
  r.drawn.push_back(ModelRecord(0, GUID_NULL, {}, 0));
  r.updated.push_back(ModelRecord(0, GUID_NULL, {}, 0));
  pw::ByteBuilder b;
  pw::WriteSlide(b, r);
  auto slide = ReadSlide(b);
  slide->BuildRuntime();
  slide->OnLostDevice();
  EXPECT_EQ(static_cast<TestModel*>(slide->drawnObjects[0]->Model())->releases, 1);
  EXPECT_EQ(static_cast<TestModel*>(slide->updatedObjects[0]->Model())->releases, 0);
  EXPECT_EQ(static_cast<RecordingLight*>(slide->RenderContext())->losses, 1);
  slide->SetViewMode(2);
  EXPECT_EQ(static_cast<RecordingLight*>(slide->RenderContext())->viewMode, 2);
}
