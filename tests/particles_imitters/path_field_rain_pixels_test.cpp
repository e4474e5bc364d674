// Paths, fields and rain drops drawn headlessly over a grey slide.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/crt.h"
#include "particles/imitters/field_rain.h"
#include "particles/imitters/path_trace.h"
#include "player/app/register_all.h"
#include "player/project_reader.h"
#include "player/slide_show.h"
#include "player/slide_render_context.h"
#include "resources/builtin_resources.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/imitters_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/slides_writer.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kGrey = 0xFF808080;
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kGreen = 0xFF00FF00;
constexpr D3DCOLOR kBlue = 0xFF0000FF;
constexpr D3DCOLOR kYellow = 0xFFFFFF00;

class PathFieldRainPixels : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(kBack, kBack, [](int, int) { return kGrey; })}}});
    r.rawFrames.push_back({u"white.png", 3, {{1, Png(2, 2, [](int, int) { return 0xFFFFFFFFu; }), 0.0f}}});
    // A 2 x 2 atlas of four opaque colours.
    r.rawFrames.push_back({u"atlas.png", 4, {{1, Png(4, 4, [](int x, int y) {
                                                 if (y < 2) return x < 2 ? kRed : kGreen;
                                                 return x < 2 ? kBlue : kYellow;
                                               }),
                                               0.0f}}});
    UseDocument(MakeDocument(r));
    light_ = StartPictureLight(kBack);
  }
  void TearDown() override {
    objects_.clear();
    light_.reset();
    RenderTest::TearDown();
  }

  ZVI_ParticleSystemMech* Add(ZVI_ParticleSystemCtrl& model, uint32_t size, const char16_t* image, int64_t id) {
    model.params.particleSize.value = size;
    model.params.colors.colours.value = {0x00FFFFFFu};
    model.params.particleImage.value.links.push_back(DS_ImageFileLink(DS_FileLink3()));
    model.params.particleImage.value.links.back().name = image;
    model.params.particleImage.value.links.back().id = id;
    objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
    return dynamic_cast<ZVI_ParticleSystemMech*>(objects_.back().get());
  }
  void Play(float seconds) {
    for (float t = 0.0f; t <= seconds + 1e-4f; t += 1.0f / 30.0f)
      for (auto& o : objects_) o->Update(t);
  }
  Pixels Frame() {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light_->ClearBackground(0);
    light_->RenderObjects(objects_, 0);
    light_->EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  std::unique_ptr<DS_2D_Light> light_;
  RuntimeObjects objects_;
};

// A landed drop made right after the seed, on the runtime copy, put on its
// landing point at (32, 32).
void LandDrop(ZVI_ParticleSystemMech* mech, uint32_t seed) {
  auto* rain = dynamic_cast<DS_RainOnGlass*>(mech->system);
  ASSERT_NE(rain, nullptr);
  ClassicParticlePtr drop(new ClassicParticle(D3DXVECTOR3(32.0f, 32.0f, 0.0f)));
  crt_srand(seed);
  rain->SetupDrop(*drop);
  rain->particles.push_back(drop);
  const D3DXVECTOR3 start = drop->position;
  mech->Update(0.0f);
  mech->Update(0.2f);  // the fall is over in one step, which does not move it
  ASSERT_EQ(rain->particles.size(), 1u);
  EXPECT_EQ(drop->stateBits & kDropArriving, 0u);
  EXPECT_EQ(drop->position, start);
  drop->position = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
  mech->Update(0.2f);
}

TEST_F(PathFieldRainPixels, RestingAndRunningDropsShowTheirAtlasCells) {
  // Seed 1: a resting drop of variant 1, cell (0.5, 0); the first seed whose
  // first number is a multiple of 4 makes a running drop, cell (0, 0).
  uint32_t running = 2;
  for (;; ++running) {
    crt_srand(running);
    if (crt_rand() % 4 == 0) break;
  }
  const struct {
    uint32_t seed;
    D3DCOLOR colour;
  } cases[] = {{1, kGreen}, {running, kRed}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seed);
    objects_.clear();
    DS_RainOnGlass model;
    model.counter.rate.SetValue(0);
    model.params.angleSpread.value = 10;
    ZVI_ParticleSystemMech* mech = Add(model, 16, u"atlas.png", 4);
    ASSERT_NE(mech, nullptr);
    LandDrop(mech, c.seed);
    Pixels px = Frame();
    // Centred one unit off the drop by the unit offset multipliers.
    EXPECT_TRUE(Near(px.at(31, 33), c.colour, 12)) << std::hex << px.at(31, 33);
    EXPECT_TRUE(Near(px.at(31, 20), kGrey)) << std::hex << px.at(31, 20);
    EXPECT_TRUE(Near(px.at(45, 33), kGrey)) << std::hex << px.at(45, 33);
  }
}

TEST_F(PathFieldRainPixels, StraightPathWithoutWobbleLightsItsLineOnly) {
  ZVI_ParticlePath model;
  model.path.AddPoint(DX_BSplinePnt(8.0f, 32.0f), nullptr);
  model.path.AddPoint(DX_BSplinePnt(56.0f, 32.0f), nullptr);
  model.counter.rate.SetValue(500);
  model.speed.SetValue(40);
  model.wobbleWidth.value = 0;
  model.wobbleFrequency.SetValue(2000);
  Add(model, 2, u"white.png", 3);
  Play(0.5f);
  Pixels px = Frame();
  int lit = 0;
  for (int y = 0; y < static_cast<int>(kBack); ++y)
    for (int x = 0; x < static_cast<int>(kBack); ++x) {
      if (Near(px.at(x, y), kGrey)) continue;
      ++lit;
      // The quads are centred one unit along and one across the path.
      EXPECT_TRUE(y == 32 || y == 33) << x << ", " << y;
      EXPECT_GE(x, 8) << y;
      EXPECT_LE(x, 58) << y;
    }
  EXPECT_GT(lit, 40);
}

TEST_F(PathFieldRainPixels, StillFieldLightsOnlyItsPositions) {
  ZVI_FieldPtclSys model;
  const D3DXVECTOR3 where[] = {{16, 16, 0}, {48, 16, 0}, {32, 48, 0}};
  model.positions.SetPositions({where[0], where[1], where[2]});
  model.fill.SetValue(100);
  model.life.SetValue(50);
  model.speed.SetValue(0);
  Add(model, 4, u"white.png", 3);
  Play(1.0f);
  Pixels px = Frame();
  for (const D3DXVECTOR3& w : where) {
    const int cx = static_cast<int>(w.x) - 1, cy = static_cast<int>(w.y) + 1;
    EXPECT_FALSE(Near(px.at(cx, cy), kGrey, 20)) << cx << ", " << cy;
  }
  for (int y = 0; y < static_cast<int>(kBack); ++y)
    for (int x = 0; x < static_cast<int>(kBack); ++x) {
      bool near = false;
      for (const D3DXVECTOR3& w : where)
        near = near || (std::abs(x - (w.x - 1.0f)) <= 3.0f && std::abs(y - (w.y + 1.0f)) <= 3.0f);
      if (!near) {
        EXPECT_TRUE(Near(px.at(x, y), kGrey)) << x << ", " << y;
      }
    }
}

// One slide holding a record of each class: read as a project, built and
// played; with FUZZ_SEED_DIR set it is also written as the fuzzers' seeds.
pw::SlideShowRecord PathFieldRainShow() {
  pw::SlideRecord slide;
  slide.name = u"path_field_rain";
  pw::LightRecord light;
  pw::WriteLight(slide.renderContext, light);
  pw::AppendPathFieldRainSamples(slide.drawn);
  pw::ByteBuilder record;
  pw::WriteSlide(record, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(record));
  return show;
}

using PathFieldRainSeedProject = RenderTest;

TEST_F(PathFieldRainSeedProject, ReadsBuildsAndPlays) {
  RegisterEverything();
  RegisterBuiltInResources();
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(PathFieldRainShow(), manager);
  std::unique_ptr<DS_SlideShow_Light> show(
      ReadProjectMemory(project.bytes().data(), static_cast<uint32_t>(project.size())));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 1u);
  show->slides[0]->BuildRuntime();
  ASSERT_EQ(show->slides[0]->drawnObjects.size(), 5u);
  for (float t = 0.0f; t < 1.0f; t += 0.07f)
    for (auto& object : show->slides[0]->drawnObjects) object->UpdateTime(t);
  for (auto& object : show->slides[0]->drawnObjects) {
    auto* mech = dynamic_cast<ZVI_ParticleSystemMech*>(object.get());
    ASSERT_NE(mech, nullptr);
    EXPECT_FALSE(mech->system->particles.empty()) << std::string(mech->system->ClassName().begin(),
                                                                 mech->system->ClassName().end());
  }
  show.reset();
  DestroyCurrentDocResManager();

  if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/project_reader/path_field_rain.qmf"));
    // The steps fuzzer reads 32 frame-time bytes, then the show record from
    // its version on.
    pw::ByteBuilder showBytes;
    pw::WriteSlideShow(showBytes, PathFieldRainShow());
    pw::ByteBuilder steps;
    for (int i = 0; i < 32; ++i) steps.U8(static_cast<uint8_t>(127 + (i % 5) * 3));
    const size_t header = 40;  // the class name "DS_SlideShow_Light"
    steps.Raw(showBytes.bytes().data() + header, showBytes.size() - header);
    EXPECT_TRUE(steps.SaveTo(std::string(dir) + "/slide_show_steps/path_field_rain"));
  }
}

}  // namespace
