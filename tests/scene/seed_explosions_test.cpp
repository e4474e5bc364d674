// A project holding explosions in every record version (legacy timing
// values among them, some hostile), read through the project reader, built
// and played a few frames; with FUZZ_SEED_DIR set it is also written as the
// fuzzers' seeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "scene_fixtures.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/explosion_writer.h"
#include "tools/writer/project_writer.h"

namespace {

pw::SlideShowRecord ExplosionShow() {
  pw::SlideRecord slide;
  slide.name = u"explosions";
  slide.renderContext.Header(u"DS_2D_Light", 1);
  auto add = [&](auto write) {
    pw::ByteBuilder object;
    write(object);
    slide.drawn.push_back(std::move(object));
  };
  for (int32_t v = 1; v <= 3; ++v) {
    for (int32_t random : {0, 1}) {
      pw::ExplosionRecord r = pw::DefaultExplosion(320.0f, 240.0f);
      r.version = v;
      r.randomEachTime = random;
      r.seed = static_cast<uint32_t>(7 * v + random);
      r.driftDirection = 45u * static_cast<uint32_t>(v);
      r.legacy = random ? std::array<uint32_t, 5>{500, 2000, 700, 1000, 3000}
                        : std::array<uint32_t, 5>{0xFFFFFFFFu, 0, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
      r.stat.version = random ? 2 : 1;
      r.stat.fx.effectName = v == 3 ? u"common_res.dll" : u"";
      r.stat.fx.effectId = v == 3 ? 7024 : 0;
      r.stat.fx.sprite.size = random ? 251u : 0xFFFFFFFFu;
      r.stat.fx.sprite.imageName = u"common_res.dll";
      r.stat.fx.sprite.imageId = 95;
      add([&](pw::ByteBuilder& b) { pw::WriteExplosion(b, r); });
    }
  }
  pw::ByteBuilder record;
  pw::WriteSlide(record, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(record));
  return show;
}

TEST(SeedProject, EveryExplosionRecordReadsAndPlays) {
  RegisterEverything();
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(ExplosionShow(), manager);
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(project.bytes().data(),
                                                             static_cast<uint32_t>(project.size())));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 1u);
  show->slides[0]->BuildRuntime();
  EXPECT_EQ(show->slides[0]->drawnObjects.size(), 6u);
  for (float t = 0.0f; t < 3.0f; t += 0.13f)
    for (auto& object : show->slides[0]->drawnObjects) object->UpdateTime(t);
  show.reset();
  DestroyCurrentDocResManager();

  if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/project_reader/explosions.qmf"));
    pw::ByteBuilder showBytes;
    pw::WriteSlideShow(showBytes, ExplosionShow());
    pw::ByteBuilder steps;
    for (int i = 0; i < 32; ++i) steps.U8(static_cast<uint8_t>(127 + (i % 5) * 3));
    const size_t header = 40;  // the class name "DS_SlideShow_Light"
    steps.Raw(showBytes.bytes().data() + header, showBytes.size() - header);
    EXPECT_TRUE(steps.SaveTo(std::string(dir) + "/slide_show_steps/explosions"));
  }
}

}  // namespace
