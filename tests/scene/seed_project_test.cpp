// A project holding every sprite record the player reads: the discharge in
// each sprite-record version, with both view-record versions, and every
// other sprite effect in each of its record versions. It is read
// through the project reader, its slides are built and played a few frames;
// with FUZZ_SEED_DIR set it is also written as the fuzzers' seeds.
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

pw::SlideShowRecord SpriteShow() {
  pw::SlideRecord slide;
  slide.name = u"sprites";
  slide.renderContext.Header(u"DS_2D_Light", 1);
  for (int32_t v = 1; v <= 7; ++v) {
    pw::DischargeRecord r = pw::DefaultDischarge();
    r.start = {10.0f * v, 20.0f, 0.0f};
    r.end = {300.0f, 40.0f * v, 0.0f};
    r.style = v % 2;
    pw::BaseSpriteRecord& s = r.glow.fx.sprite;
    s.version = v;
    s.view.version = v < 3 ? 1 : 2;
    s.count = static_cast<uint32_t>(v + 1);
    s.secondName = u"common_res.dll";
    s.secondId = 98;
    if (v == 1) {
      s.legacyFrames = {{95, u"common_res.dll", u"", {}}};
      s.legacyDelays = {0.1f};
    }
    pw::ByteBuilder object;
    pw::WriteDischarge(object, r);
    slide.drawn.push_back(std::move(object));
  }
  // The other sprite effects, each record version once.
  pw::BaseSpriteRecord sprite;
  sprite.count = 3;
  sprite.size = 16;
  sprite.twinkleSpeed = 0.5f;
  sprite.imageName = u"common_res.dll";
  sprite.imageId = 95;
  auto add = [&](auto write) {
    pw::ByteBuilder object;
    write(object);
    slide.drawn.push_back(std::move(object));
  };
  add([&](pw::ByteBuilder& b) { pw::WriteGodRay(b, {80, sprite}); });
  add([&](pw::ByteBuilder& b) { pw::WriteSparkle(b, sprite); });
  add([&](pw::ByteBuilder& b) { pw::WriteFog(b, {40.0f, 30.0f, sprite}); });
  for (int32_t v : {1, 2}) add([&](pw::ByteBuilder& b) { pw::WriteLighting(b, {v, 100, 500, sprite}); });
  for (int32_t v = 1; v <= 4; ++v) {
    pw::FlowRecord flow;
    flow.version = v;
    flow.flowAngle = 30u * static_cast<uint32_t>(v);
    flow.flowSpeed = 50.0f;
    flow.wobbleAmplitude = 3;
    flow.wobbleRate = 2;
    flow.orientation = v;
    flow.bounds = {{{0, 300, 300, 0, 100}, {1, 0, 0, 0, 0}, {2, 0, 0, 200, 400}, {0, 0, 0, 0, 0}}};
    flow.sprite = sprite;
    add([&](pw::ByteBuilder& b) { pw::WriteFlow(b, flow); });
    if (v == 4) add([&](pw::ByteBuilder& b) { pw::WriteRain(b, flow); });
  }
  add([&](pw::ByteBuilder& b) { pw::WriteFish(b, {80.0f, 50.0f, sprite}); });
  add([&](pw::ByteBuilder& b) { pw::WriteBird(b, {80.0f, 50.0f, sprite}); });
  for (int32_t v : {1, 2}) add([&](pw::ByteBuilder& b) { pw::WriteGhost(b, {50.0f, 50.0f, sprite}, v); });
  for (int32_t v : {1, 2}) {
    pw::StatObjRecord stat;
    stat.version = v;
    stat.rect = {0, 0, 0, 0, 150, 100};
    stat.rotationAngle = 30;
    stat.sprite = sprite;
    stat.sprite.frameCount = 4;
    stat.sprite.atlas = 1;
    stat.sprite.frameRate = 10.0f;
    add([&](pw::ByteBuilder& b) { pw::WriteStatObj(b, stat); });
    if (v == 2) {
      add([&](pw::ByteBuilder& b) { pw::WriteFlower(b, 10.0f, stat); });
      add([&](pw::ByteBuilder& b) { pw::WriteDischargeSprite(b, stat); });
    }
  }
  add([&](pw::ByteBuilder& b) { pw::WriteGrass(b, 5.0f, sprite); });

  pw::ByteBuilder record;
  pw::WriteSlide(record, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(record));
  return show;
}

TEST(SeedProject, EverySpriteRecordReadsAndPlays) {
  RegisterEverything();
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(SpriteShow(), manager);
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(project.bytes().data(),
                                                             static_cast<uint32_t>(project.size())));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 1u);
  show->slides[0]->BuildRuntime();
  EXPECT_EQ(show->slides[0]->drawnObjects.size(), 7u + 19u);
  for (float t = 0.0f; t < 1.0f; t += 0.07f)
    for (auto& object : show->slides[0]->drawnObjects) object->UpdateTime(t);
  show.reset();
  DestroyCurrentDocResManager();

  if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/project_reader/sprites.qmf"));
    // The steps fuzzer reads 32 frame-time bytes, then the show record
    // from its version on.
    pw::ByteBuilder showBytes;
    pw::WriteSlideShow(showBytes, SpriteShow());
    pw::ByteBuilder steps;
    for (int i = 0; i < 32; ++i) steps.U8(static_cast<uint8_t>(127 + (i % 5) * 3));
    const size_t header = 40;  // the class name "DS_SlideShow_Light"
    steps.Raw(showBytes.bytes().data() + header, showBytes.size() - header);
    EXPECT_TRUE(steps.SaveTo(std::string(dir) + "/slide_show_steps/sprites"));
  }
}

}  // namespace
