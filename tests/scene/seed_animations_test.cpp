// A project holding the path, static and Brownian animations in every record
// version (paths of no, one and coinciding points, a hostile sprite count),
// read through the project reader, built and played a few frames; with
// FUZZ_SEED_DIR set it is also written as the fuzzers' seeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "scene_fixtures.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/sprite_writer.h"

namespace {

pw::TexGeneratorRecord Tex(int64_t id) {
  pw::TexGeneratorRecord t;
  t.images = {{u"common_res.dll", id}};
  t.colour1 = 0x0080FFFF;
  return t;
}

pw::SlideShowRecord AnimationShow() {
  pw::SlideRecord slide;
  slide.name = u"animations";
  slide.renderContext.Header(u"DS_2D_Light", 1);
  auto add = [&](auto write) {
    pw::ByteBuilder object;
    write(object);
    slide.drawn.push_back(std::move(object));
  };
  const std::vector<std::vector<pw::Point3>> paths = {
      {}, {{50, 50, 0}}, {{10, 10, 0}, {10, 10, 0}, {200, 80, 0}, {200, 80, 0}}, {{0, 0, 0}, {300, 0, 0}}};
  int k = 0;
  for (const auto& points : paths) {
    pw::PathAnimationRecord r;
    r.version = k % 2 ? 1 : 2;
    r.travelSpeed = 40;
    r.size = 50;
    r.orientation = k;
    r.flipHorizontal = k % 2;
    r.points = points;
    r.tex = Tex(95);
    r.tex.effectName = k == 3 ? u"common_res.dll" : u"";
    r.tex.effectId = k == 3 ? 7001 : 0;
    add([&](pw::ByteBuilder& b) { pw::WritePathAnimation(b, r); });
    ++k;
  }
  for (int32_t reverse : {0, 1}) {
    pw::StaticAnimationRecord r;
    r.reverse = reverse;
    r.rect.version = reverse ? 1 : 2;
    r.rect.corners = {{{20, 20, 0}, {20, 120, 0}, {120, 20, 0}, {120, 120, 0}}};
    r.rect.base.tex = Tex(95);
    r.rect.base.tex.effectName = u"common_res.dll";
    r.rect.base.tex.effectId = 116;
    add([&](pw::ByteBuilder& b) { pw::WriteStaticAnimation(b, r); });
  }
  for (int32_t version : {1, 2}) {
    pw::BrownAnimationRecord r;
    r.version = version;
    r.count = version == 1 ? 70000u : 12u;
    r.size = 20;
    r.wanderSpeed = 25;
    r.retargetInterval = 5;
    r.steeringTime = 10;
    r.region.corners = {{{0, 0, 0}, {0, 200, 0}, {300, 0, 0}, {300, 200, 0}}};
    r.region.tex = Tex(95);
    add([&](pw::ByteBuilder& b) { pw::WriteBrownAnimation(b, r); });
  }
  pw::ByteBuilder record;
  pw::WriteSlide(record, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(record));
  return show;
}

TEST(SeedProject, EveryAnimationRecordReadsAndPlays) {
  RegisterEverything();
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(AnimationShow(), manager);
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(project.bytes().data(),
                                                             static_cast<uint32_t>(project.size())));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 1u);
  show->slides[0]->BuildRuntime();
  EXPECT_EQ(show->slides[0]->drawnObjects.size(), 8u);
  for (float t = 0.0f; t < 1.0f; t += 0.13f)
    for (auto& object : show->slides[0]->drawnObjects) object->UpdateTime(t);
  show.reset();
  DestroyCurrentDocResManager();

  if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/project_reader/animations.qmf"));
    pw::ByteBuilder showBytes;
    pw::WriteSlideShow(showBytes, AnimationShow());
    pw::ByteBuilder steps;
    for (int i = 0; i < 32; ++i) steps.U8(static_cast<uint8_t>(127 + (i % 5) * 3));
    const size_t header = 40;  // the class name "DS_SlideShow_Light"
    steps.Raw(showBytes.bytes().data() + header, showBytes.size() - header);
    EXPECT_TRUE(steps.SaveTo(std::string(dir) + "/slide_show_steps/animations"));
  }
}

}  // namespace
