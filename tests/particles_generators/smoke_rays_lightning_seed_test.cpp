// A project holding smoke, radial rays and lightning at every record
// version, some lightning with hostile detail and branch counts: read
// through the project reader, built and played a few frames; with
// FUZZ_SEED_DIR set it is also written as the fuzzers' seeds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gen_fixtures.h"
#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/lightning_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/smoke_rays_writer.h"

using namespace gen_test;

namespace {

pw::TexGeneratorRecord Tex(std::u16string effect) {
  pw::TexGeneratorRecord t;
  t.images = {{u"common_res.dll", 95}};
  t.effectName = effect;
  t.effectId = effect.empty() ? 0 : 7001;
  t.generator.life = 100;
  return t;
}

pw::SlideShowRecord BoltShow() {
  pw::SlideRecord slide;
  slide.name = u"smoke, rays and bolts";
  slide.renderContext.Header(u"DS_2D_Light", 1);
  auto add = [&](auto write) {
    pw::ByteBuilder object;
    write(object);
    slide.drawn.push_back(std::move(object));
  };
  for (int32_t originVersion : {1, 2}) {
    pw::SmokeRecord smoke;
    smoke.wind = 30;
    smoke.origin.version = originVersion;
    smoke.origin.lifetime = 75;
    smoke.origin.launchRate = 5;
    smoke.origin.originSize = 40;
    smoke.origin.direction = 90;
    smoke.origin.spread = 20;
    smoke.origin.base.origin = {100, 200, 0};
    smoke.origin.base.tex = Tex(originVersion == 1 ? u"" : u"common_res.dll");
    add([&](pw::ByteBuilder& b) { pw::WriteSmoke(b, smoke); });
  }
  for (int32_t random : {0, 1}) {
    pw::RadialRaysRecord rays{200, 30, 12, random, random, 7, 40, 20, random * 2, 50, 30, {}};
    rays.base.origin = {160, 120, 0};
    rays.base.tex = Tex(random ? u"common_res.dll" : u"");
    add([&](pw::ByteBuilder& b) { pw::WriteRadialRays(b, rays); });
  }
  struct Counts {
    uint32_t detail, first, second, third;
  };
  int k = 0;
  for (const Counts c : {Counts{5, 4, 3, 2}, Counts{0, 3, 0, 5}, Counts{1, 2, 2, 9}, Counts{40, 0xFFFFu, 0xFFFFu, 7}}) {
    pw::LightningRecord bolt;
    bolt.version = k % 2 ? 1 : 2;
    bolt.coreWidth = 4;
    bolt.glowWidth = 16;
    bolt.detail = c.detail;
    bolt.jitter = 40;
    bolt.seed = 3;
    bolt.branchLength = 50;
    bolt.branchAngle = 30;
    bolt.taper = 50;
    bolt.branches = {c.first, c.second, c.third};
    bolt.legacy = {500, 2000, 700, 1000, 3000, 0, 0};
    bolt.flicker = 30;
    bolt.newShapeEachTime = k % 2;
    bolt.base.start = {20, 20, 0};
    bolt.base.end = {280, 220, 0};
    bolt.base.tex = Tex(u"");
    add([&](pw::ByteBuilder& b) { pw::WriteLightning(b, bolt); });
    ++k;
  }
  pw::ByteBuilder record;
  pw::WriteSlide(record, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(record));
  return show;
}

using BoltSeedProject = DeviceTest;

TEST_F(BoltSeedProject, SmokeRaysAndLightningReadAndPlay) {
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(BoltShow(), manager);
  std::unique_ptr<DS_SlideShow_Light> show(
      ReadProjectMemory(project.bytes().data(), static_cast<uint32_t>(project.size())));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 1u);
  show->slides[0]->BuildRuntime();
  EXPECT_EQ(show->slides[0]->drawnObjects.size(), 8u);
  for (float t = 0.0f; t < 1.0f; t += 0.07f)
    for (auto& object : show->slides[0]->drawnObjects) object->UpdateTime(t);
  show.reset();
  DestroyCurrentDocResManager();

  if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/project_reader/smoke_rays_lightning.qmf"));
    // The steps fuzzer reads 32 frame-time bytes, then the show record
    // from its version on.
    pw::ByteBuilder showBytes;
    pw::WriteSlideShow(showBytes, BoltShow());
    pw::ByteBuilder steps;
    for (int i = 0; i < 32; ++i) steps.U8(static_cast<uint8_t>(127 + (i % 5) * 3));
    const size_t header = 40;  // the class name "DS_SlideShow_Light"
    steps.Raw(showBytes.bytes().data() + header, showBytes.size() - header);
    EXPECT_TRUE(steps.SaveTo(std::string(dir) + "/slide_show_steps/smoke_rays_lightning"));
  }
}

}  // namespace
