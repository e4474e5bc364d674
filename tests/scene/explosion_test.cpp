// The explosion: its record (every version, the legacy timing), the quad's
// size and alpha through the timeline, the parameters it uploads, the seeded
// noise offsets and the drift, and the quad drawn headlessly.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "core/crt.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"
#include "scene/explosion.h"
#include "scene/sprite_runtime.h"
#include "scene_fixtures.h"
#include "tools/writer/explosion_writer.h"

using namespace render_test;
using scene_test::PictureDocument;
using scene_test::ReadModel;

namespace {

// The record of the given version, laid out field by field.
pw::ByteBuilder ExplosionBytes(int32_t version, uint32_t seed, const uint32_t legacy[5]) {
  pw::ByteBuilder b;
  b.Header(u"DS_ExplosionConstructor", version);
  b.U32(30).U32(40).U32(50);  // noise parameters
  b.U32(90);                  // drift direction
  b.U32(100);                 // drift speed
  if (version < 2)
    for (int i = 0; i < 5; ++i) b.U32(legacy[i]);
  b.U32(seed);
  b.I32(1);            // random each time
  b.U32(0x00336699u);  // second colour
  pw::StatBaseFXRecord stat;
  stat.x = 11.0f;
  stat.y = 22.0f;
  stat.height = 7;
  stat.width = 8;
  stat.fx.sprite.size = 60;
  pw::WriteStatBaseFXCtrl(b, stat);
  return b;
}

TEST(Explosion, NewObjectDefaults) {
  PictureDocument doc(200, 100);
  DS_ExplosionConstructor m;
  EXPECT_FLOAT_EQ(m.noise1.derived, 0.79f);
  EXPECT_FLOAT_EQ(m.noise2.derived, 0.15f);
  EXPECT_FLOAT_EQ(m.noise3.derived, 0.42f);
  EXPECT_FLOAT_EQ(m.driftSpeed.derived, 0.25f);
  EXPECT_EQ(m.size.value, 250u);
  EXPECT_EQ(m.viewSpeed.value, 100u);
  EXPECT_EQ(m.count.value, 1u);
  EXPECT_EQ(m.drawCounter, 1);
  EXPECT_EQ(m.position.value, D3DXVECTOR3(100.0f, 50.0f, 0.0f));
  const auto u = m.MakeUpload();
  EXPECT_FLOAT_EQ(u.noiseParams[0], 0.79f);
  EXPECT_FLOAT_EQ(u.noiseParams[1], 0.15f);
  EXPECT_FLOAT_EQ(u.noiseParams[2], 0.42f);
}

TEST(Explosion, RecordsOfEveryVersion) {
  PictureDocument doc(200, 100);
  const uint32_t legacy[5] = {500, 2000, 700, 1000, 3000};
  for (int32_t version : {1, 2, 3}) {
    SCOPED_TRACE(version);
    auto model = ReadModel(ExplosionBytes(version, 1234, legacy));
    auto* m = dynamic_cast<DS_ExplosionConstructor*>(model.get());
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->noise1.derived, 0.7f);
    EXPECT_FLOAT_EQ(m->noise2.derived, 0.4f);
    EXPECT_FLOAT_EQ(m->noise3.derived, 0.5f);
    EXPECT_NEAR(m->driftDirection.direction.x, 0.0f, 1e-6f);
    EXPECT_NEAR(m->driftDirection.direction.y, 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(m->driftSpeed.derived, 0.5f);
    EXPECT_EQ(m->seed.value, 1234u);
    EXPECT_EQ(m->randomEachTime.value, 1);
    EXPECT_EQ(m->secondColour.value, 0x00336699u);
    EXPECT_EQ(m->position.value, D3DXVECTOR3(11.0f, 22.0f, 0.0f));
    EXPECT_EQ(m->height.value, 7u);
    EXPECT_EQ(m->size.value, 60u);
    auto* random = dynamic_cast<ZVI_RandomTimeLine*>(m->timing.Current());
    if (version >= 2) {
      EXPECT_EQ(random, nullptr);
      continue;
    }
    ASSERT_NE(random, nullptr);
    EXPECT_EQ(m->timing.value, 1);
    EXPECT_EQ(random->fadeIn.value, 50u);
    EXPECT_EQ(random->minShown.value, 200u);
    EXPECT_EQ(random->maxShown.value, 200u);
    EXPECT_EQ(random->fadeOut.value, 70u);
    EXPECT_EQ(random->minHidden.value, 400u);
    EXPECT_EQ(random->maxHidden.value, 400u);
  }
}

TEST(Explosion, TruncatedRecordIsAnError) {
  PictureDocument doc(200, 100);
  const uint32_t legacy[5] = {0xFFFFFFFFu, 1, 2, 0xFFFFFFFFu, 0xFFFFFFFFu};
  const pw::ByteBuilder whole = ExplosionBytes(1, 1, legacy);
  for (size_t cut : {size_t{40}, size_t{80}, whole.size() - 1}) {
    pw::ByteBuilder part;
    part.Raw(whole.bytes().data(), cut);
    EXPECT_ANY_THROW(ReadModel(part));
  }
  // Hidden times that would wrap a 32-bit sum stay large.
  auto model = ReadModel(whole);
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(model->timing.Current());
  ASSERT_NE(random, nullptr);
  EXPECT_EQ(random->minHidden.value, 858993459u);
}

// The model's timeline in a given state and visibility.
void SetTimeline(DS_ExplosionConstructor& m, uint32_t state, float v) {
  ZVI_Timing* t = m.timing.Current();
  ASSERT_NE(t, nullptr);
  t->state = state;
  t->visibility = v;
}

TEST(Explosion, QuadSizeAndAlphaThroughTheTimeline) {
  PictureDocument doc(200, 100);
  const struct {
    uint32_t size, state;
    float v, half, alphaFactor;
  } cases[] = {
      {250, kTimelineShown, 1.0f, 125.0f, 1.0f},       {251, kTimelineShown, 1.0f, 125.0f, 1.0f},
      {250, kTimelineAppearing, 0.1f, 40.625f, 0.5f},  {250, kTimelineAppearing, 0.2f, 50.0f, 1.0f},
      {250, kTimelineAppearing, 0.6f, 87.5f, 1.0f},    {250, kTimelineHidden, 0.0f, 0.0f, 1.0f},
      {250, kTimelineDisappearing, 0.3f, 125.0f, 1.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.state << " " << c.v);
    DS_ExplosionConstructor m;
    m.size.value = c.size;
    m.colour.value = 0x00102030u;
    m.position.value = D3DXVECTOR3(5.0f, 6.0f, 7.0f);
    SetTimeline(m, c.state, c.v);
    SpriteRecord s;
    s.colour = 0x12345678u;
    m.UpdateSprite(s);
    EXPECT_FLOAT_EQ(s.halfWidth, c.half);
    EXPECT_FLOAT_EQ(s.halfHeight, c.half);
    EXPECT_EQ(s.position, D3DXVECTOR3(5.0f, 6.0f, 7.0f));
    EXPECT_FLOAT_EQ(s.alphaFactor, c.alphaFactor);
    if (c.state == kTimelineAppearing)
      EXPECT_EQ(s.colour, (c.alphaFactor < 1.0f ? 0x7F000000u : 0xFF000000u) | 0x302010u);
    else
      EXPECT_EQ(s.colour, 0x12345678u);  // kept
  }
}

TEST(Explosion, PhasesFollowTheTimeline) {
  PictureDocument doc(200, 100);
  const struct {
    uint32_t state;
    float v, phase1, q;
  } cases[] = {
      {kTimelineAppearing, 0.0f, 2.0f, 0.0f},    {kTimelineAppearing, 0.5f, 1.0f, 0.0f},
      {kTimelineAppearing, 1.0f, 0.0f, 0.0f},    {kTimelineShown, 1.0f, 0.0f, 0.0f},
      {kTimelineDisappearing, 1.0f, 0.0f, 0.0f}, {kTimelineDisappearing, 0.25f, 0.0f, 0.75f},
  };
  for (const auto& c : cases) {
    DS_ExplosionConstructor m;
    m.colour.value = 0x00FF8000u;  // blue 255, green 128, red 0
    m.secondColour.value = 0x000000FFu;
    SetTimeline(m, c.state, c.v);
    const auto u = m.MakeUpload();
    EXPECT_FLOAT_EQ(u.phase1st, c.phase1);
    EXPECT_FLOAT_EQ(u.phase3rd[0], c.q);
    EXPECT_FLOAT_EQ(u.phase3rd[1], 1.0f - c.q);
    EXPECT_FLOAT_EQ(u.color1[0], 0.0f);
    EXPECT_FLOAT_EQ(u.color1[1], 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(u.color1[2], 1.0f);
    EXPECT_FLOAT_EQ(u.color2[0], 1.0f);
    EXPECT_FLOAT_EQ(u.color2[2], 0.0f);
  }
}

// Steps the model as the runtime does: clocks, sprite, then the draw.
void Frame(DS_ExplosionConstructor& m, float t) {
  m.AdvanceViewClock(t);
  m.AdvanceSpriteClock(t);
  SpriteRecord s;
  m.UpdateSprite(s);
  m.Draw(nullptr, nullptr);
}

TEST(Explosion, SeededOffsetsRepeatAndLeaveTheSharedSequenceAlone) {
  PictureDocument doc(200, 100);
  auto run = [](std::vector<std::array<float, 4>>* shifts) {
    DS_ExplosionConstructor m;
    m.seed.value = 77;
    m.driftSpeed.SetValue(0u);
    crt_srand(5);
    m.LoadEffect();
    EXPECT_EQ(crt_rand_state(), 5u);
    EXPECT_EQ(m.drawCounter, 2);
    for (int i = 1; i <= 50; ++i) {
      Frame(m, 0.04f * static_cast<float>(i));
      shifts->push_back({m.last.noiseShift[0], m.last.noiseShift[1], m.last.noiseShift[2], m.last.noiseShift[3]});
    }
    EXPECT_EQ(crt_rand_state(), 5u);
    return m.drawCounter;
  };
  std::vector<std::array<float, 4>> a, b;
  const int32_t counter = run(&a);
  run(&b);
  EXPECT_EQ(a, b);
  // 50 frames of 0.04 s at view speed 100: four whole seconds, four renewals.
  EXPECT_EQ(counter, 6);
  CrtRandom seq(77);
  float pairs[6][2];
  for (auto& p : pairs) {
    p[0] = static_cast<float>(seq.Next()) / 32767.0f;
    p[1] = static_cast<float>(seq.Next()) / 32767.0f;
  }
  // Before the first whole second: previous (0, 0), next the first pair.
  EXPECT_EQ(a[0][0], 0.0f);
  EXPECT_EQ(a[0][2], pairs[0][0]);
  EXPECT_EQ(a[0][3], pairs[0][1]);
  // At view time 1.04 (frame 13): previous the first pair, next the second.
  EXPECT_EQ(a[12][0], pairs[0][0]);
  EXPECT_EQ(a[12][2], pairs[1][0]);
  EXPECT_EQ(a[12][3], pairs[1][1]);
}

TEST(Explosion, HiddenRestartsTheSequenceButNotTheViewClock) {
  PictureDocument doc(200, 100);
  DS_ExplosionConstructor m;
  m.seed.value = 9;
  m.LoadEffect();
  for (int i = 1; i <= 30; ++i) Frame(m, 0.04f * static_cast<float>(i));
  EXPECT_GT(m.drawCounter, 2);
  const float view = m.viewTime;
  const float second = m.lastWholeSecond;
  SetTimeline(m, kTimelineHidden, 0.0f);
  Frame(m, 1.24f);
  EXPECT_EQ(m.drawCounter, 1);
  EXPECT_EQ(m.nextOffset[0], 0.0f);
  EXPECT_EQ(m.previousOffset[1], 0.0f);
  EXPECT_EQ(m.driftSpeed.elapsed, 0.0f);
  EXPECT_GT(m.viewTime, view);
  EXPECT_EQ(m.lastWholeSecond, second);
  // The first renewal after the hidden phase is the sequence's first pair.
  SetTimeline(m, kTimelineShown, 1.0f);
  for (int i = 32; m.drawCounter == 1; ++i) Frame(m, 0.04f * static_cast<float>(i));
  CrtRandom seq(9);
  EXPECT_EQ(m.nextOffset[0], static_cast<float>(seq.Next()) / 32767.0f);
  // ResetTime does the same, and keeps the view clock.
  const float before = m.viewTime;
  m.ResetTime();
  EXPECT_EQ(m.drawCounter, 1);
  EXPECT_EQ(m.nextOffset[1], 0.0f);
  EXPECT_EQ(m.driftSpeed.last_time, 0.0f);
  EXPECT_EQ(m.viewTime, before);
}

TEST(Explosion, RandomEachTimeDrawsFromTheSharedSequence) {
  PictureDocument doc(200, 100);
  DS_ExplosionConstructor m;
  m.randomEachTime.value = 1;
  crt_srand(3);
  m.NewSeeds();
  crt_srand(3);
  const float x = crt_rand01(), y = crt_rand01();
  EXPECT_EQ(m.nextOffset[0], x);
  EXPECT_EQ(m.nextOffset[1], y);
  EXPECT_EQ(m.drawCounter, 1);
}

TEST(Explosion, DriftAndClocksAtTwentyFiveFrames) {
  PictureDocument doc(200, 100);
  for (uint32_t degrees : {0u, 90u}) {
    SCOPED_TRACE(degrees);
    DS_ExplosionConstructor m;
    m.driftDirection.SetValue(degrees);
    m.driftDirection.Recompute();
    m.ResetTime();
    Frame(m, 0.0f);
    for (int i = 1; i <= 5; ++i) {
      const float view = m.viewTime, drift = m.driftSpeed.elapsed;
      const auto before = m.last;
      Frame(m, 0.04f * static_cast<float>(i));
      EXPECT_NEAR(m.viewTime - view, 0.08f, 1e-6f);
      EXPECT_NEAR(m.driftSpeed.elapsed - drift, 0.02f, 1e-6f);
      const int moving = degrees == 0 ? 0 : 1, still = 1 - moving;
      EXPECT_LT(m.last.noiseShift[moving], before.noiseShift[moving]);
      EXPECT_NEAR(m.last.noiseShift[still], before.noiseShift[still], 1e-6f);
    }
  }
}

// ---------------------------------------------------------------------------
// Headless frames.

constexpr char kSolidEffect[] =
    "effect 1\n"
    "texture GradientTex\ntexture NoiseTex\n"
    "program Solid\nvoid main() { o_color = vec4(1.0); }\nend\n"
    "technique Main\n  pass P0\n    state ALPHABLENDENABLE = FALSE\n    state ZENABLE = FALSE\n"
    "    state CULLMODE = NONE\n    fragment Solid\n  end\nend\n";

class ExplosionFrames : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"black.png", 1, {{0, u"", u"black.png", Png(64, 64, [](int, int) { return 0xFF000000u; })}}});
    r.imageFiles.push_back({u"ramp.png", 1, {{0, u"", u"ramp.png", Png(16, 1, [](int, int) { return 0xFFFFFFFFu; })}}});
    const std::string solid = kSolidEffect;
    r.moduleImages.push_back({u"solid.fx", 5, {{0, u"", u"solid.fx", std::vector<uint8_t>(solid.begin(), solid.end())}}});
    UseDocument(MakeDocument(r));
    doc_->Settings().pictureWidth = 64;
    doc_->Settings().pictureHeight = 64;
  }

  std::unique_ptr<DS_2D_Light> Light() {
    auto light = std::make_unique<DS_2D_Light>();
    light->backgroundLink.name = u"black.png";
    light->backgroundLink.id = 1;
    light->BeginSlide();
    QuadCorners screen;
    screen.SetRect(kBack, kBack);
    light->SetupView(screen);
    light->SetViewMode(kFitStretch);
    light->RestartCamera(1);
    light->OnResetDevice();
    return light;
  }

  Pixels Draw(DS_2D_Light& light, RuntimeObjects& objects) {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light.ClearBackground(0);
    light.RenderObjects(objects, 0);
    light.EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  // Lit pixels along the middle row.
  static int LitRow(const Pixels& p) {
    int n = 0;
    for (UINT x = 0; x < p.width; ++x) n += (p.at(x, 32) & 0xFF) > 128;
    return n;
  }
};

TEST_F(ExplosionFrames, QuadSizeWhenAppearingShownAndHidden) {
  auto light = Light();
  const struct {
    uint32_t state;
    float v;
    int lit;
  } cases[] = {{kTimelineShown, 1.0f, 40}, {kTimelineAppearing, 0.0f, 10}, {kTimelineAppearing, 0.6f, 28},
               {kTimelineHidden, 0.0f, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    DS_ExplosionConstructor m;
    m.effectLink.name = u"solid.fx";
    m.effectLink.id = 5;
    m.size.value = 40;
    m.position.value = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
    SetTimeline(m, c.state, c.v);
    RuntimeObjects objects;
    objects.push_back(DS_SafePtr<DS_ABObj>(m.CreateRuntime()));
    ASSERT_NE(objects[0].get(), nullptr);
    objects[0]->Update(0.04f);
    const Pixels p = Draw(*light, objects);
    EXPECT_NEAR(LitRow(p), c.lit, 1);
    EXPECT_EQ(p.at(2, 2) & 0xFFFFFF, 0u);
  }
}

TEST_F(ExplosionFrames, TheBuiltInFireballLightsItsCentreOnly) {
  auto light = Light();
  DS_ExplosionConstructor m;  // no effect link: the built-in fireball
  m.size.value = 48;
  m.position.value = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
  m.colour.value = 0x0000FFFFu;  // yellow
  m.imageLink.name = u"ramp.png";
  m.imageLink.id = 1;
  RuntimeObjects objects;
  objects.push_back(DS_SafePtr<DS_ABObj>(m.CreateRuntime()));
  ASSERT_NE(objects[0].get(), nullptr);
  auto& model = static_cast<DS_ExplosionConstructor&>(*static_cast<DS_FXObj&>(*objects[0]).fxModel);
  EXPECT_NE(model.effect.Get(), nullptr);
  EXPECT_NE(model.noiseTexture.Get(), nullptr);  // the player's own noise
  objects[0]->Update(0.04f);
  const Pixels p = Draw(*light, objects);
  const D3DCOLOR centre = p.at(32, 32);
  EXPECT_GT(centre >> 16 & 0xFF, 200u);
  EXPECT_GT(centre >> 8 & 0xFF, 150u);
  EXPECT_LT(centre & 0xFF, 60u);
  // Outside the quad and in its corners, the black picture.
  for (auto xy : {std::pair{2, 2}, std::pair{10, 10}, std::pair{60, 32}, std::pair{32, 4}})
    EXPECT_LT(p.at(xy.first, xy.second) & 0xFFFFFF, 0x101010u) << xy.first << "," << xy.second;
}

}  // namespace
