#include <gtest/gtest.h>

#include <memory>

#include "core/thread_slots.h"
#include "core/time_params.h"
#include "player/current_document.h"
#include "player/project_reader.h"
#include "player/render_context.h"
#include "player/slide_show.h"
#include "slides_fixtures.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/slides_writer.h"

using namespace slides_test;

namespace {

pw::ByteBuilder SlideBytes(uint32_t mode, float fadeIn, float show, float fadeOut, int objects) {
  pw::SlideRecord r;
  r.mode = mode;
  r.fadeIn = fadeIn;
  r.showTime = show;
  r.fadeOut = fadeOut;
  r.renderContext = LightRecord();
  for (int i = 0; i < objects; ++i) {
    pw::ConstructorRecord c;
    pw::ByteBuilder m;
    m.Header(kModelClass, 1).U32(0);
    pw::WriteConstructorBase(m, c);
    r.drawn.push_back(m);
  }
  pw::ByteBuilder b;
  return pw::WriteSlide(b, r);
}

// Reads a slide-show record as the project reader does, and builds it.
std::unique_ptr<DS_SlideShow_Light> ReadShow(const pw::SlideShowRecord& record) {
  RegisterTestClasses();
  RegisterSlideReaders();
  pw::ByteBuilder b;
  pw::WriteSlideShow(b, record);
  auto show = std::make_unique<DS_SlideShow_Light>();
  ReadBytes(b, [&](DS_IOF_Archive& ar) {
    zvi_string name;
    int32_t version = 0;
    ar.ReadWideString(&name);
    ar.ReadInt(&version);
    show->ReadRecord(ar, version);
    EXPECT_EQ(ar.Remaining(), 0u);
  });
  for (auto& slide : show->slides) slide->BuildRuntime();
  return show;
}

RecordingLight* LightOf(DS_SlideContainer* slide) { return static_cast<RecordingLight*>(slide->RenderContext()); }

uint32_t OverlayAlphaByte(const DS_SlideShow_Light& show) { return show.overlay->Vertex(0).color >> 24; }

}  // namespace

TEST(SlidesShow, TwoSlidesFadeThroughBlackAndWrap) {
  pw::SlideShowRecord rec;
  rec.slides.push_back(SlideBytes(0, 1, 10, 1, 1));
  rec.slides.push_back(SlideBytes(0, 1, 10, 1, 0));
  pw::AudioFileRecord entry;
  entry.path = u"music.ogg";
  rec.playlist.push_back(entry);
  rec.integerParam = 7;
  auto show = ReadShow(rec);
  ASSERT_EQ(show->slides.size(), 2u);
  ASSERT_EQ(show->playlist.size(), 1u);
  EXPECT_EQ(show->playlist[0]->Path(), u"music.ogg");
  EXPECT_EQ(show->integerParam.value, 7);
  DS_SlideContainer* first = show->slides[0].get();
  DS_SlideContainer* second = show->slides[1].get();

  // The first slide starts at once, without a fade from black.
  show->Update(100.0f);
  EXPECT_EQ(show->CurrentSlide(), first);
  EXPECT_FLOAT_EQ(show->slideStartTime, 99.0f);
  ASSERT_NE(show->overlay, nullptr);
  EXPECT_EQ(OverlayAlphaByte(*show), 0u);
  EXPECT_EQ(LightOf(first)->cameraRestarts, 1);
  EXPECT_FLOAT_EQ(static_cast<TestObject*>(first->drawnObjects[0].get())->times.back(), 1.0f);

  struct Step {
    float t;
    DS_SlideContainer* slide;
    float alpha;
  };
  const Step steps[] = {
      {105.0f, first, 0.0f},    {110.5f, first, 0.5f},   {111.0f, first, 1.0f},
      {111.25f, second, 1.0f},  {111.75f, second, 0.5f}, {112.25f, second, 0.0f},
      {122.75f, second, 0.5f},  {123.5f, first, 1.0f},   {124.0f, first, 0.5f},
  };
  for (const Step& s : steps) {
    show->Update(s.t);
    EXPECT_EQ(show->CurrentSlide(), s.slide) << "t " << s.t;
    EXPECT_FLOAT_EQ(show->OverlayAlpha(), s.alpha) << "t " << s.t;
    EXPECT_EQ(OverlayAlphaByte(*show), static_cast<uint32_t>(s.alpha * 255.0f)) << "t " << s.t;
  }
  EXPECT_EQ(LightOf(first)->pops, 1);
  EXPECT_EQ(LightOf(second)->pops, 1);
  EXPECT_EQ(show->nextSlideIndex, 1u);
  EXPECT_FLOAT_EQ(show->lastTime, 124.0f);
  // Back on the first slide its object's local time restarted.
  EXPECT_FLOAT_EQ(static_cast<TestObject*>(first->drawnObjects[0].get())->times.back(), 0.5f);
  EXPECT_TRUE(first->drawnObjects[0]->running);
}

TEST(SlidesShow, OneSlideNeverChangesOrFades) {
  pw::SlideShowRecord rec;
  rec.slides.push_back(SlideBytes(0, 1, 2, 1, 1));
  auto show = ReadShow(rec);
  for (float t : {0.0f, 0.5f, 3.5f, 50.0f, 1000.0f}) {
    show->Update(t);
    EXPECT_EQ(OverlayAlphaByte(*show), 0u) << t;
  }
  EXPECT_EQ(LightOf(show->CurrentSlide())->pops, 0);
  EXPECT_FLOAT_EQ(LightOf(show->CurrentSlide())->cameraTimes.back(), 1001.0f);
}

TEST(SlidesShow, StayUntilLinkFadesInAndStays) {
  pw::SlideShowRecord rec;
  rec.slides.push_back(SlideBytes(0, 1, 1, 1, 0));
  rec.slides.push_back(SlideBytes(kSlideModeUntilLink, 2, 1, 1, 0));
  auto show = ReadShow(rec);
  show->Update(0.0f);
  show->Update(2.5f);  // the first slide's three seconds are over
  EXPECT_EQ(show->CurrentSlide(), show->slides[1].get());
  show->Update(3.5f);
  EXPECT_FLOAT_EQ(show->OverlayAlpha(), 0.5f);
  for (float t : {5.0f, 60.0f, 600.0f}) {
    show->Update(t);
    EXPECT_EQ(show->CurrentSlide(), show->slides[1].get());
    EXPECT_FLOAT_EQ(show->OverlayAlpha(), 0.0f);
  }
}

TEST(SlidesShow, RestartingTheCurrentSlideFadesItIn) {
  pw::SlideShowRecord rec;
  rec.slides.push_back(SlideBytes(0, 1, 10, 1, 1));
  rec.slides.push_back(SlideBytes(0, 1, 10, 1, 0));
  auto show = ReadShow(rec);
  show->Update(10.0f);
  show->Update(15.0f);
  EXPECT_FLOAT_EQ(show->OverlayAlpha(), 0.0f);

  // What a link jump to slide 0 does with the show's fields.
  for (auto& obj : show->CurrentSlide()->drawnObjects) obj->SetRunning(false);
  show->currentSlide = show->slides[0];
  show->nextSlideIndex = 1;
  show->slideStartTime = show->lastTime;
  show->StartSlide();

  show->Update(15.25f);
  EXPECT_FLOAT_EQ(show->OverlayAlpha(), 0.75f);
  EXPECT_TRUE(show->CurrentSlide()->drawnObjects[0]->running);
  EXPECT_FLOAT_EQ(static_cast<TestObject*>(show->CurrentSlide()->drawnObjects[0].get())->times.back(), 0.25f);
}

TEST(SlidesShow, ProjectWithoutSlidesPlaysBlack) {
  pw::SlideShowRecord rec;
  auto show = ReadShow(rec);
  show->Update(0.0f);
  show->Update(5.0f);
  show->Render(0);
  EXPECT_EQ(show->CurrentSlide(), nullptr);
  EXPECT_EQ(show->overlay, nullptr);
  show->OnLostDevice();
  show->OnResetDevice();
}

TEST(SlidesShow, RenderDrawsTheSlideThenTheOverlay) {
  pw::SlideShowRecord rec;
  rec.slides.push_back(SlideBytes(0, 1, 10, 1, 2));
  auto show = ReadShow(rec);
  show->Update(1.0f);
  show->Render(3);
  RecordingLight* light = LightOf(show->CurrentSlide());
  EXPECT_EQ(light->log, "clear;objects 2 count 0;");
  EXPECT_EQ(light->endFrames, 1);
  EXPECT_EQ(light->overlays, 1);
  show->OnResetDevice();
  EXPECT_EQ(light->resets, 2);  // once at the slide start
  show->OnLostDevice();
  EXPECT_EQ(light->losses, 1);
}

TEST(SlidesShow, UpdateTicksTheSlideShowClock) {
  pw::SlideShowRecord rec;
  auto show = ReadShow(rec);
  ChronoContext clock;
  ChronoContext* saved = CurrentChronoContext();
  SetCurrentChronoContext(&clock);
  show->Update(3.0f);
  show->Update(3.1f);
  SetCurrentChronoContext(saved);
  EXPECT_NEAR(clock.Elapsed(), 0.1f, 1e-5);
}

TEST(SlidesShow, BadSlideShowRecordsAreErrors) {
  RegisterTestClasses();
  RegisterSlideReaders();
  pw::SlideShowRecord rec;
  rec.slides.push_back(SlideBytes(0, 1, 10, 1, 1));
  pw::ByteBuilder whole;
  pw::WriteSlideShow(whole, rec);
  pw::ByteBuilder bad;
  bad.Header(u"DS_SlideShow_Light", 2).U32(1).Header(u"DS_SlideContainerX", 6);
  for (const pw::ByteBuilder* b : {&bad}) {
    ReadBytes(*b, [&](DS_IOF_Archive& ar) {
      zvi_string name;
      int32_t version = 0;
      ar.ReadWideString(&name);
      ar.ReadInt(&version);
      DS_SlideShow_Light show;
      EXPECT_THROW(show.ReadRecord(ar, version), DS_Error);
    });
  }
  for (size_t cut = 48; cut < whole.size(); cut += 13) {
    pw::ByteBuilder part;
    part.Raw(whole.bytes().data(), cut);
    ReadBytes(part, [&](DS_IOF_Archive& ar) {
      zvi_string name;
      int32_t version = 0;
      ar.ReadWideString(&name);
      ar.ReadInt(&version);
      DS_SlideShow_Light show;
      EXPECT_THROW(show.ReadRecord(ar, version), DS_Error) << "cut " << cut;
    });
  }
}

TEST(SlidesShow, FadeAlphaIsClampedAndTruncated) {
  struct Case {
    float e, fadeIn, show, fadeOut;
    int32_t mode;
    float alpha;
  };
  const Case cases[] = {
      {0.5f, 1, 10, 1, 0, 0.5f},  {11.5f, 1, 10, 1, 0, 0.5f}, {5.0f, 1, 10, 1, 0, 0.0f},
      {11.5f, 1, 10, 1, 1, 0.0f}, {11.5f, 1, 10, 0, 0, 1.0f}, {-1.0f, 0, 10, 1, 0, 1.0f},
      {-1.0f, 1, 10, 1, 0, 1.0f}, {13.0f, 1, 10, 1, 0, 1.0f}, {0.0f, 0, 0, 0, 0, 0.0f},
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(SlideFadeAlpha(c.e, c.fadeIn, c.show, c.fadeOut, c.mode), c.alpha)
        << c.e << " " << c.fadeIn << " " << c.show << " " << c.fadeOut;
  }

  ScreenQuad quad;
  QuadCorners corners;
  corners.SetRect(640, 480);
  quad.Create(corners, 0x00102030u);
  EXPECT_FLOAT_EQ(quad.Vertex(2).x, 640.0f);
  EXPECT_FLOAT_EQ(quad.Vertex(2).y, 480.0f);
  EXPECT_FLOAT_EQ(quad.Vertex(2).rhw, 1.0f);
  const std::pair<float, uint32_t> bytes[] = {{0.99f, 252}, {0.5f, 127}, {1.0f, 255}, {1.5f, 255}, {-0.2f, 0}};
  for (auto [a, expected] : bytes) {
    quad.SetVertexAlphas(a, 0, 0, 0);
    EXPECT_EQ(quad.Vertex(0).color, (expected << 24) | 0x102030u) << a;
    EXPECT_EQ(quad.Vertex(1).color, 0x00102030u);
  }
}

TEST(SlidesShow, CraftedProjectFilePlaysThroughBothSlides) {
  RegisterTestClasses();
  RegisterSlideReaders();
  pw::SlideShowRecord rec;
  rec.slides.push_back(SlideBytes(0, 0.5f, 2, 0.5f, 1));
  rec.slides.push_back(SlideBytes(0, 1, 1, 1, 1));
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder file = pw::BuildProject(rec, manager);
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(file.bytes().data(), static_cast<uint32_t>(file.size())));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 2u);
  for (auto& slide : show->slides) slide->BuildRuntime();

  // 0.5 + 2 + 0.5 s, then 1 + 1 + 1 s, then the first again.
  std::vector<size_t> order;
  for (float t = 0.0f; t < 9.0f; t += 0.125f) {
    show->Update(t);
    size_t index = show->CurrentSlide() == show->slides[0].get() ? 0 : 1;
    if (order.empty() || order.back() != index) order.push_back(index);
  }
  EXPECT_EQ(order, (std::vector<size_t>{0, 1, 0, 1}));
  DestroyCurrentDocResManager();
}

TEST(SlidesShow, OwnedRenderContextIsPublishedAndUnpublished) {
  static int destroyed = 0;
  destroyed = 0;
  auto show = std::make_unique<DS_SlideShow_Light>();
  show->SetRenderContext(new RenderContext(), [](RenderContext* c) {
    ++destroyed;
    delete c;
  });
  RenderContext* first = CurrentRenderContext();
  ASSERT_NE(first, nullptr);
  show->SetRenderContext(new RenderContext(), [](RenderContext* c) {
    ++destroyed;
    delete c;
  });
  EXPECT_EQ(destroyed, 1);
  EXPECT_NE(CurrentRenderContext(), nullptr);
  show.reset();
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(CurrentRenderContext(), nullptr);
}

TEST(SlidesShow, LinkJumpRestartsTheTargetWithItsFadeIn) {
  pw::SlideShowRecord rec;
  rec.slides.push_back(SlideBytes(0, 1, 10, 1, 1));
  rec.slides.push_back(SlideBytes(kSlideModeUntilLink, 2, 10, 1, 1));
  auto show = ReadShow(rec);
  DS_SlideShow_Light* saved = GetCurrentDocument();
  SetCurrentDocument(show.get());
  show->Update(4.0f);
  show->Update(6.0f);
  DS_SlideContainer* first = show->slides[0].get();

  GoToSlide(7);  // beyond the slides: nothing happens
  EXPECT_EQ(show->CurrentSlide(), first);
  GoToSlide(1);
  EXPECT_FALSE(first->drawnObjects[0]->running);
  show->Update(6.5f);
  EXPECT_EQ(show->CurrentSlide(), show->slides[1].get());
  EXPECT_FLOAT_EQ(show->OverlayAlpha(), 0.75f);
  EXPECT_EQ(show->nextSlideIndex, 0u);
  GoToSlide(1);  // the current slide itself starts over
  show->Update(7.0f);
  EXPECT_FLOAT_EQ(show->OverlayAlpha(), 0.75f);
  SetCurrentDocument(saved);
}

TEST(SlidesShow, TexturedScreenQuadTakesCornersAndUv) {
  TexturedScreenQuad quad;
  QuadCorners corners;
  corners.SetRect(200, 100);
  corners.c[3].u = 0.5f;
  quad.CreateFromResource(corners);
  EXPECT_EQ(quad.texture.Get(), nullptr);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(quad.vertices[i].color, 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(quad.vertices[i].x, corners.c[i].x);
    EXPECT_FLOAT_EQ(quad.vertices[i].y, corners.c[i].y);
    EXPECT_FLOAT_EQ(quad.vertices[i].z, 0.0f);
    EXPECT_FLOAT_EQ(quad.vertices[i].rhw, 1.0f);
    EXPECT_FLOAT_EQ(quad.vertices[i].u, corners.c[i].u);
    EXPECT_FLOAT_EQ(quad.vertices[i].v, corners.c[i].v);
  }
  EXPECT_FLOAT_EQ(quad.vertices[3].u, 0.5f);
  EXPECT_EQ(quad.primitiveType, 5);
  EXPECT_EQ(quad.primitiveCount, 2);
}
