// A project holding butterflies (both record versions) and a clock: read
// through the project reader, built and played a few frames headlessly; with
// FUZZ_SEED_DIR set it is also written as the fuzzers' seeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "resources/builtin_resources.h"
#include "scene/butterfly_clock.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/butterfly_clock_writer.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/project_writer.h"

namespace {

std::vector<pw::ByteBuilder> Records() {
  std::vector<pw::ByteBuilder> out(3);
  pw::ButterflyRecord butterfly;
  butterfly.base.count = 2;
  butterfly.base.imageName = u"common_res.dll";
  butterfly.base.imageId = 6;
  butterfly.wingScale = 1.5f;
  pw::WriteButterfly(out[0], butterfly);
  butterfly.version = 1;
  butterfly.base.view.left = 0.5f;
  pw::WriteButterfly(out[1], butterfly);
  pw::ClockRecord clock;
  clock.rect = {100, 300, 50, 250, 200, 150};
  clock.base.size = 200;
  pw::WriteClock(out[2], clock);
  return out;
}

pw::SlideShowRecord Show() {
  pw::SlideRecord slide;
  slide.name = u"butterflies and a clock";
  slide.renderContext.Header(u"DS_2D_Light", 1);
  for (pw::ByteBuilder& record : Records()) slide.drawn.push_back(std::move(record));
  pw::ByteBuilder record;
  pw::WriteSlide(record, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(record));
  return show;
}

class ButterflyClockSeed : public render_test::RenderTest {};

TEST_F(ButterflyClockSeed, EveryRecordReadsAndPlays) {
  RegisterEverything();
  RegisterBuiltInResources();
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(Show(), manager);
  {
    std::unique_ptr<DS_SlideShow_Light> show(
        ReadProjectMemory(project.bytes().data(), static_cast<uint32_t>(project.size())));
    ASSERT_NE(show, nullptr);
    ASSERT_EQ(show->slides.size(), 1u);
    show->slides[0]->BuildRuntime();
    auto& objects = show->slides[0]->drawnObjects;
    ASSERT_EQ(objects.size(), 3u);
    for (float t = 0.0f; t < 1.0f; t += 0.07f)
      for (auto& object : objects) object->UpdateTime(t);
    // The pack gives both meshes of each object.
    for (auto& object : objects) {
      auto* array = dynamic_cast<DS_3DObjArray*>(object.get());
      ASSERT_NE(array, nullptr);
      ASSERT_EQ(array->meshes.size(), 2u);
      for (MeshInstance& m : array->meshes) EXPECT_TRUE(m.HasMesh());
    }
  }
  DestroyCurrentDocResManager();

  if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/project_reader/butterfly_clock.qmf"));
    pw::ByteBuilder showBytes;
    pw::WriteSlideShow(showBytes, Show());
    pw::ByteBuilder steps;
    for (int i = 0; i < 32; ++i) steps.U8(static_cast<uint8_t>(127 + (i % 5) * 3));
    const size_t header = 40;  // the class name "DS_SlideShow_Light"
    steps.Raw(showBytes.bytes().data() + header, showBytes.size() - header);
    EXPECT_TRUE(steps.SaveTo(std::string(dir) + "/slide_show_steps/butterfly_clock"));
  }
}

}  // namespace
