// Sprite arrays on the headless device: sprites following the count, the
// vertex fill (atlas frames, flips, image frame delays, static models) and
// the frames drawn over a grey picture.
#include <gtest/gtest.h>

#include <memory>

#include "player/slide_render_context.h"
#include "render_fixtures.h"
#include "scene/sprite_effects.h"
#include "scene/sprite_runtime.h"
#include "scene/sprite_wanderers.h"
#include "scene_fixtures.h"

using namespace render_test;
using scene_test::TestSprites;

namespace {

constexpr D3DCOLOR kGrey = 0xFF808080, kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

// The test's pictures: a grey background, a red square, a red | blue strip,
// a 64 x 256 strip, two animation frames and a green mask.
pw::DocResRecord Pictures() {
  pw::DocResRecord r;
  auto file = [](std::u16string name, std::vector<uint8_t> png) {
    return pw::EmbeddedFileSpec{0, u"", std::move(name), std::move(png)};
  };
  r.imageFiles.push_back({u"grey.png", 1, {file(u"grey.png", Png(64, 64, [](int, int) { return kGrey; }))}});
  r.imageFiles.push_back({u"red.png", 1, {file(u"red.png", Png(16, 16, [](int, int) { return kRed; }))}});
  r.imageFiles.push_back(
      {u"halves.png", 1, {file(u"halves.png", Png(16, 16, [](int x, int) { return x < 8 ? kRed : kBlue; }))}});
  r.imageFiles.push_back({u"tall.png", 1, {file(u"tall.png", Png(64, 256, [](int, int) { return kRed; }))}});
  r.imageFiles.push_back({u"anim.png",
                          1,
                          {file(u"anim0.png", Png(16, 16, [](int, int) { return kRed; })),
                           file(u"anim1.png", Png(16, 16, [](int, int) { return kBlue; }))}});
  r.delays.push_back({u"anim.png", 1, {0.1f, 0.2f}});
  r.imageFiles.push_back({u"mask.png", 1, {file(u"mask.png", Png(16, 16, [](int, int) { return kGreen; }))}});
  r.imageFiles.push_back({u"dim.png", 1, {file(u"dim.png", Png(16, 16, [](int, int) { return 0xFF000080; }))}});
  return r;
}

class SpriteArrays : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    UseDocument(MakeDocument(Pictures()));
    doc_->Settings().pictureWidth = 64;
    doc_->Settings().pictureHeight = 64;
  }

  // A model showing the named picture, one 16-pixel sprite at (32, 32).
  static std::unique_ptr<TestSprites> Model(const char16_t* picture) {
    auto m = std::make_unique<TestSprites>();
    m->imageLink.name = picture;
    m->imageLink.id = 1;
    return m;
  }

  // The runtime object of a clone of the model, and the clone.
  static std::unique_ptr<DS_SpriteArrayObj> Runtime(TestSprites& model) {
    return std::unique_ptr<DS_SpriteArrayObj>(static_cast<DS_SpriteArrayObj*>(model.CreateRuntime()));
  }
  static TestSprites& ModelOf(DS_SpriteArrayObj& obj) { return static_cast<TestSprites&>(*obj.spriteModel); }

  static std::vector<DX_V::PCT> Vertices(ParticleGeomArray& a) {
    std::vector<DX_V::PCT> out(static_cast<size_t>(a.vertexCount));
    DX_V::PCT* v = a.LockVertices();
    if (v) std::copy(v, v + out.size(), out.begin());
    a.Unlock();
    return out;
  }

  // A slide light showing grey.png over the whole 64 x 64 back buffer.
  std::unique_ptr<DS_2D_Light> Light() {
    auto light = std::make_unique<DS_2D_Light>();
    light->backgroundLink.name = u"grey.png";
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

  Pixels Frame(DS_2D_Light& light, ZVI_RenderObj* object) {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    int n = object ? object->NeedsBackground() : 0;
    if (n > 0) {
      dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
      light.BeginBackgroundChain();
    }
    light.ClearBackground(0);
    if (object) object->Render(&light, &n);
    light.EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }
};

TEST_F(SpriteArrays, CountChangesKeepTheFirstSpritesAndSpawnAtTheEnd) {
  auto model = Model(u"red.png");
  model->count.value = 5;
  auto obj = Runtime(*model);
  TestSprites& m = ModelOf(*obj);
  ASSERT_EQ(obj->sprites.size(), 5u);
  EXPECT_EQ(obj->vertexCount, 20);
  const SpriteRecord* first[3] = {obj->sprites[0].get(), obj->sprites[1].get(), obj->sprites[2].get()};
  m.count.SetValue(3u);
  ASSERT_EQ(obj->sprites.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(obj->sprites[i].get(), first[i]);
  EXPECT_EQ(obj->vertexCount, 12);
  m.count.SetValue(5u);
  ASSERT_EQ(obj->sprites.size(), 5u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(obj->sprites[i].get(), first[i]);
  EXPECT_EQ(m.spawned, 7);
  m.count.SetValue(0u);
  EXPECT_TRUE(obj->sprites.empty());
  EXPECT_EQ(obj->SpriteCount(), 0);
}

TEST_F(SpriteArrays, HostileCountsStopAtSixteenThousandQuads) {
  auto model = Model(u"red.png");
  model->count.value = 4000000000u;
  auto obj = Runtime(*model);
  EXPECT_EQ(obj->sprites.size(), kMaxSprites);
  EXPECT_EQ(obj->vertexCount, static_cast<int32_t>(4 * kMaxSprites));
  obj->Update(0.1f);
  EXPECT_EQ(obj->SpriteCount(), static_cast<int32_t>(kMaxSprites));
}

TEST_F(SpriteArrays, QuadsCornersColoursAndDefaultTextureCoordinates) {
  auto model = Model(u"red.png");
  model->translucency.SetValue(50u);
  model->colour.value = 0x00FF0000;  // blue
  auto obj = Runtime(*model);
  obj->Update(0.05f);
  auto v = Vertices(*obj);
  ASSERT_EQ(v.size(), 4u);
  const float want[4][4] = {{24, 40, 0, 1}, {24, 24, 0, 0}, {40, 40, 1, 1}, {40, 24, 1, 0}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(v[k].x, want[k][0]) << k;
    EXPECT_FLOAT_EQ(v[k].y, want[k][1]) << k;
    EXPECT_EQ(v[k].u, want[k][2]) << k;
    EXPECT_EQ(v[k].v, want[k][3]) << k;
    EXPECT_EQ(v[k].color, 0x7F0000FFu) << k;
  }
}

TEST_F(SpriteArrays, AtlasFramesFollowTheViewClockAndFlipsSwapRanges) {
  auto model = Model(u"red.png");
  model->frameCount = 4;
  model->frameRate = 10.0f;
  model->atlasFlag = 1;
  auto obj = Runtime(*model);
  // View clock at normal speed: frames switch when more than 0.1 s passed.
  const float times[] = {0.05f, 0.12f, 0.17f, 0.25f, 0.37f, 0.49f, 0.61f};
  const uint32_t frames[] = {0, 1, 1, 2, 3, 0, 1};
  for (size_t i = 0; i < std::size(times); ++i) {
    obj->Update(times[i]);
    auto v = Vertices(*obj);
    SCOPED_TRACE(times[i]);
    EXPECT_EQ(obj->atlasFrame, frames[i]);
    EXPECT_FLOAT_EQ(v[0].u, frames[i] * 0.25f);
    EXPECT_FLOAT_EQ(v[2].u, frames[i] * 0.25f + 0.25f);
  }
  ModelOf(*obj).flipHorizontal.value = 1;
  obj->Update(0.65f);
  auto v = Vertices(*obj);
  EXPECT_FLOAT_EQ(v[0].u, 0.5f);
  EXPECT_FLOAT_EQ(v[2].u, 0.25f);

  auto plain = Model(u"red.png");
  plain->flipHorizontal.value = 1;
  plain->flipVertical.value = 1;
  auto flipped = Runtime(*plain);
  flipped->Update(0.1f);
  v = Vertices(*flipped);
  EXPECT_EQ(v[0].u, 1.0f);
  EXPECT_EQ(v[2].u, 0.0f);
  EXPECT_EQ(v[0].v, 0.0f);
  EXPECT_EQ(v[1].v, 1.0f);
}

TEST_F(SpriteArrays, AtlasStripAspectGivesHalfSizes) {
  auto model = Model(u"tall.png");  // 64 x 256, aspect 4
  model->frameCount = 4;
  model->atlasFlag = 1;
  model->size.value = 32;
  auto obj = Runtime(*model);
  const SpriteRecord& s = *obj->sprites[0];
  EXPECT_FLOAT_EQ(s.aspect, 16.0f);
  EXPECT_FLOAT_EQ(s.halfWidth, 1.0f);
  EXPECT_FLOAT_EQ(s.halfHeight, 16.0f);
}

TEST_F(SpriteArrays, FrameDelaysRunOnTheSpriteClock) {
  auto model = Model(u"anim.png");
  auto obj = Runtime(*model);
  ASSERT_EQ(obj->frames.size(), 2u);
  // Sprite clock steps: 0 at the first update, then the time since.
  const float times[] = {0.0f, 0.05f, 0.1f, 0.2f, 0.29f, 0.31f, 0.4f};
  const uint32_t frames[] = {0, 0, 1, 1, 1, 0, 0};
  for (size_t i = 0; i < std::size(times); ++i) {
    obj->Update(times[i]);
    EXPECT_EQ(obj->frameIndex, frames[i]) << times[i];
  }
}

TEST_F(SpriteArrays, StaticModelRefillsOnlyAtFrameSwitches) {
  auto model = Model(u"anim.png");
  model->staticFlag.value = 1;
  auto obj = Runtime(*model);
  obj->Update(0.0f);  // the first update fills
  EXPECT_FLOAT_EQ(Vertices(*obj)[1].x, 24.0f);
  obj->sprites[0]->position.x = 10.0f;
  obj->Update(0.05f);
  EXPECT_FLOAT_EQ(Vertices(*obj)[1].x, 24.0f);
  obj->Update(0.1f);  // frame switch
  EXPECT_FLOAT_EQ(Vertices(*obj)[1].x, 2.0f);

  // Without delays: filled once at the start and after count changes.
  auto still = Model(u"red.png");
  still->staticFlag.value = 1;
  auto other = Runtime(*still);
  other->Update(0.0f);
  EXPECT_FLOAT_EQ(Vertices(*other)[1].x, 24.0f);
  other->sprites[0]->position.x = 10.0f;
  other->Update(0.1f);
  EXPECT_FLOAT_EQ(Vertices(*other)[1].x, 24.0f);
  ModelOf(*other).count.SetValue(2u);
  other->Update(0.2f);
  EXPECT_FLOAT_EQ(Vertices(*other)[1].x, 2.0f);
}

TEST_F(SpriteArrays, TimersClearOnRestart) {
  auto model = Model(u"red.png");
  auto obj = Runtime(*model);
  SpriteRecord& s = *obj->sprites[0];
  s.switchTime = 1.0f;
  s.delay = 2.0f;
  s.deadline = 3.0f;
  s.waitClock = 4.0f;
  ModelOf(*obj).viewTime = 5.0f;
  obj->Restart();
  EXPECT_EQ(s.switchTime + s.delay + s.deadline + s.waitClock, 0.0f);
  EXPECT_EQ(ModelOf(*obj).viewTime, 0.0f);
}

TEST_F(SpriteArrays, ScreenRectsPerSprite) {
  auto model = Model(u"red.png");
  model->count.value = 2;
  model->spacing = 10.0f;
  auto obj = Runtime(*model);
  std::vector<ScreenRect> rects;
  EXPECT_FALSE(obj->GetScreenRects(rects));
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_FLOAT_EQ(rects[1].x, 34.0f);
  EXPECT_FLOAT_EQ(rects[1].width, 16.0f);
}

// ---------------------------------------------------------------------------
// Pixels

TEST_F(SpriteArrays, NormalBlendShowsThePicture) {
  auto light = Light();
  auto model = Model(u"red.png");
  auto obj = Runtime(*model);
  obj->Update(0.05f);
  Pixels px = Frame(*light, obj.get());
  EXPECT_TRUE(Near(px.at(32, 32), kRed)) << std::hex << px.at(32, 32);
  EXPECT_TRUE(Near(px.at(8, 8), kGrey)) << std::hex << px.at(8, 8);
}

TEST_F(SpriteArrays, AdditiveBlendAddsThePicture) {
  auto light = Light();
  auto model = Model(u"dim.png");
  model->blendMode.value = 1;
  auto obj = Runtime(*model);
  obj->Update(0.05f);
  Pixels px = Frame(*light, obj.get());
  EXPECT_TRUE(Near(px.at(32, 32), 0xFF8080FF)) << std::hex << px.at(32, 32);
}

TEST_F(SpriteArrays, SecondImageDrawsASecondPass) {
  auto light = Light();
  auto model = Model(u"red.png");
  model->secondImageLink.name = u"mask.png";
  model->secondImageLink.id = 1;
  auto obj = Runtime(*model);
  ASSERT_NE(obj->mask.Get(), nullptr);
  obj->Update(0.05f);
  Pixels px = Frame(*light, obj.get());
  EXPECT_TRUE(Near(px.at(32, 32), kGreen)) << std::hex << px.at(32, 32);
  // The stage is left as the fade overlay expects it.
  DWORD colourOp = 0, alphaOp = 0;
  dev_->GetTextureStageState(0, D3DTSS_COLOROP, &colourOp);
  dev_->GetTextureStageState(0, D3DTSS_ALPHAOP, &alphaOp);
  EXPECT_EQ(colourOp, static_cast<DWORD>(D3DTOP_MODULATE));
  EXPECT_EQ(alphaOp, static_cast<DWORD>(D3DTOP_SELECTARG1));
}

TEST_F(SpriteArrays, FlipsAndAtlasFramesPickTheirPart) {
  auto light = Light();
  struct Case {
    int flip;
    uint8_t atlas;
    float time;
    D3DCOLOR left, right;
  };
  // halves.png is red on the left, blue on the right.
  const Case cases[] = {
      {0, 0, 0.05f, kRed, kBlue},
      {1, 0, 0.05f, kBlue, kRed},
      {0, 1, 0.05f, kRed, kRed},    // atlas frame 0: the left half, a narrower quad
      {0, 1, 0.15f, kBlue, kBlue},   // frame 1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    auto model = Model(u"halves.png");
    model->flipHorizontal.value = c.flip;
    model->atlasFlag = c.atlas;
    model->frameCount = 2;
    model->frameRate = 10.0f;
    auto obj = Runtime(*model);
    obj->Update(0.05f);
    if (c.time > 0.05f) obj->Update(c.time);
    Pixels px = Frame(*light, obj.get());
    EXPECT_TRUE(Near(px.at(30, 32), c.left)) << std::hex << px.at(30, 32);
    EXPECT_TRUE(Near(px.at(34, 32), c.right)) << std::hex << px.at(34, 32);
  }
}

// The mean x of the reddish pixels of a row, or -1.
float RedCentre(const Pixels& px, UINT y) {
  float sum = 0.0f;
  int n = 0;
  for (UINT x = 0; x < px.width; ++x) {
    const D3DCOLOR c = px.at(x, y);
    if (((c >> 16) & 0xFF) > 0xC0 && ((c >> 8) & 0xFF) < 0x40) {
      sum += static_cast<float>(x);
      ++n;
    }
  }
  return n ? sum / static_cast<float>(n) : -1.0f;
}

TEST_F(SpriteArrays, RaysOfAngleEightyLeanLeftGoingDown) {
  auto light = Light();
  DS_GodRayConstructor model;
  model.imageLink.name = u"red.png";
  model.imageLink.id = 1;
  model.size.value = 6;
  std::unique_ptr<DS_SpriteArrayObj> obj(static_cast<DS_SpriteArrayObj*>(model.CreateRuntime()));
  obj->sprites[0]->position = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
  obj->FillVertices(obj->spriteModel);
  Pixels px = Frame(*light, obj.get());
  const float top = RedCentre(px, 4), bottom = RedCentre(px, 60);
  ASSERT_GE(top, 0.0f);
  ASSERT_GE(bottom, 0.0f);
  EXPECT_GT(top - bottom, 5.0f) << top << " " << bottom;
}

TEST_F(SpriteArrays, LeftFacingFishIsMirrored) {
  auto light = Light();
  DS_FishConstructor model;
  model.imageLink.name = u"halves.png";
  model.imageLink.id = 1;
  model.size.value = 16;
  std::unique_ptr<DS_SpriteArrayObj> obj(static_cast<DS_SpriteArrayObj*>(model.CreateRuntime()));
  SpriteRecord& s = *obj->sprites[0];
  s.position = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
  s.halfWidth = -8.0f;
  s.halfHeight = 8.0f;
  obj->FillVertices(obj->spriteModel);
  Pixels px = Frame(*light, obj.get());
  EXPECT_TRUE(Near(px.at(30, 32), kBlue)) << std::hex << px.at(30, 32);
  EXPECT_TRUE(Near(px.at(34, 32), kRed)) << std::hex << px.at(34, 32);
}

TEST_F(SpriteArrays, CountZeroAndMissingPicturesDrawNothing) {
  auto light = Light();
  auto model = Model(u"red.png");
  model->count.value = 0;
  auto obj = Runtime(*model);
  obj->Update(0.05f);
  Pixels px = Frame(*light, obj.get());
  EXPECT_TRUE(Near(px.at(32, 32), kGrey)) << std::hex << px.at(32, 32);

  auto missing = Model(u"nothing.png");
  auto none = Runtime(*missing);
  none->Update(0.05f);
  px = Frame(*light, none.get());
  EXPECT_TRUE(Near(px.at(32, 32), kGrey)) << std::hex << px.at(32, 32);
}

}  // namespace

namespace {

TEST(SpriteTrack, SegmentsCloseOnBreaksAndStartFromTheFirstFramesState) {
  TestSprites m;
  auto* timeline = new ZVI_RandomTimeLine();
  m.timing.SetCurrentTimeline(timeline);
  timeline->state = 1;  // hidden from the first frame on: no break for it
  ParticleGeomArray array;
  array.Attach(&m);
  SpriteTrackCollector c;
  for (int i = 0; i < 11; ++i) array.WriteTrack(&c, false);
  array.WriteTrack(&c, true);
  EXPECT_EQ(c.header, "[ [0,1,11],[1,2,1] ]");
  const std::string key = "[ {x:24,y:24,cx:16,cy:16,tr:[1,0,0,0,1,0],a:1}, ],";
  EXPECT_EQ(c.body, "[ " + key + key + key + " ]");

  // A change of state closes the segment at once.
  SpriteTrackCollector d;
  array.WriteTrack(&d, false);
  timeline->state = 0;
  array.WriteTrack(&d, false);
  EXPECT_EQ(d.header, "[ [0,1,2],[1,2,");
}

}  // namespace
