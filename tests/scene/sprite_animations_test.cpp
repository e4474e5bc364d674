// Path, static and Brownian animations: their records, the travel along the
// path and its ends, orientations and mirrors, frames played backwards, the
// static rectangle's colour, the Brownian sprites kept at their count, and
// headless frames.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/crt.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"
#include "scene/sprite_animations.h"
#include "scene_fixtures.h"
#include "tools/writer/sprite_writer.h"

using namespace render_test;
using scene_test::PictureDocument;
using scene_test::ReadModel;

namespace {

pw::TexGeneratorRecord Tex(std::u16string image) {
  pw::TexGeneratorRecord t;
  t.images = {{image, 1}};
  t.colour1 = 0x00FFFFFF;
  return t;
}

TEST(SpriteAnimationRecords, PathAnimationOfBothVersions) {
  PictureDocument doc(200, 100);
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    pw::ByteBuilder b;
    b.Header(u"DS_PathAnimtion", version);
    b.U32(100).U32(50).I32(2).I32(1).I32(0);  // travel speed, size, orientation, flips
    if (version >= 2) b.U32(30);               // frame speed
    b.Header(u"DS_PathGenerator", 1);
    b.I32(2).F32(10.0f).F32(20.0f).F32(0.0f).F32(310.0f).F32(20.0f).F32(0.0f);
    pw::WriteTexGenerator(b, Tex(u"a.png"));
    auto model = ReadModel(b);
    auto* m = dynamic_cast<DS_PathAnimtion*>(model.get());
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->travelSpeed.derived, 300.0f);
    EXPECT_FLOAT_EQ(m->spriteSize.derived, 0.5f);
    EXPECT_EQ(m->orientation.value, 2);
    EXPECT_EQ(m->flipVertical.value, 1);
    EXPECT_EQ(m->flipHorizontal.value, 0);
    EXPECT_FLOAT_EQ(m->frameSpeed.derived, version >= 2 ? 0.3f : 1.0f);
    ASSERT_EQ(m->path.points.size(), 2u);
    EXPECT_EQ(m->path.points[1]->value, D3DXVECTOR3(310.0f, 20.0f, 0.0f));
    ASSERT_EQ(m->imageLinks.size(), 1u);
  }
}

TEST(SpriteAnimationRecords, StaticAndBrownianRecords) {
  PictureDocument doc(200, 100);
  {
    pw::ByteBuilder b;
    b.Header(u"DS_StaticAnimation", 1);
    b.U32(250).I32(1);  // frame speed, reverse
    pw::SingleRectRecord rect;
    rect.corners = {{{0, 0, 0}, {0, 10, 0}, {10, 0, 0}, {10, 10, 0}}};
    rect.base.tex = Tex(u"a.png");
    rect.base.tex.effectName = u"mine.fx";
    rect.base.tex.effectId = 4;
    pw::WriteSingleRect(b, rect);
    auto model = ReadModel(b);
    auto* m = dynamic_cast<DS_StaticAnimation*>(model.get());
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->frameSpeed.derived, 2.5f);
    EXPECT_EQ(m->reverse.value, 1);
    EXPECT_EQ(m->rect.corners[3].value, D3DXVECTOR3(10.0f, 10.0f, 0.0f));
    EXPECT_EQ(m->effectLink.name, u"mine.fx");  // the record replaces the default
    DS_StaticAnimation fresh;
    EXPECT_EQ(fresh.effectLink.name, u"common_res.dll");
    EXPECT_EQ(fresh.effectLink.id, 116);
  }
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    pw::ByteBuilder b;
    b.Header(u"DS_BrownAnimation", version);
    b.U32(7).U32(40).U32(25).U32(10).U32(5);  // count, size, speed, interval, steering
    if (version >= 2) b.U32(200);
    pw::RegionRecord region;
    region.corners = {{{0, 0, 0}, {0, 300, 0}, {400, 0, 0}, {400, 300, 0}}};
    region.tex = Tex(u"a.png");
    pw::WriteRegionGenerator(b, region);
    auto model = ReadModel(b);
    auto* m = dynamic_cast<DS_BrownAnimation*>(model.get());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->count.value, 7u);
    EXPECT_FLOAT_EQ(m->spriteSize.derived, 0.4f);
    EXPECT_FLOAT_EQ(m->wanderSpeed.derived, 1.0f);
    EXPECT_FLOAT_EQ(m->retargetInterval.derived, 1.05f);
    EXPECT_FLOAT_EQ(m->steeringTime.derived, 0.12f);
    EXPECT_FLOAT_EQ(m->frameSpeed.derived, version >= 2 ? 2.0f : 1.0f);
    EXPECT_EQ(m->region.corners[3].value, D3DXVECTOR3(400.0f, 300.0f, 0.0f));
  }
}

TEST(SpriteAnimationRecords, TruncatedRecordsAreErrors) {
  PictureDocument doc(200, 100);
  pw::PathAnimationRecord r;
  r.points = {{0, 0, 0}, {10, 0, 0}};
  r.tex = Tex(u"a.png");
  pw::ByteBuilder whole;
  pw::WritePathAnimation(whole, r);
  for (size_t cut : {size_t{30}, size_t{70}, whole.size() - 1}) {
    pw::ByteBuilder part;
    part.Raw(whole.bytes().data(), cut);
    EXPECT_ANY_THROW(ReadModel(part));
  }
  ReadModel(whole);
}

// ---------------------------------------------------------------------------
// The travel along the path.

std::unique_ptr<DS_PathAnimtion> PathOf(std::vector<D3DXVECTOR3> points, uint32_t speed) {
  auto m = std::make_unique<DS_PathAnimtion>();
  for (const auto& p : points) m->path.points.emplace_back(new DX_SmartPnt(p));
  m->travelSpeed.SetValue(speed);
  return m;
}

// Steps the travel clock in 0.1 s frames to time t, moving at each.
void TravelTo(DS_PathAnimtion& m, float& now, float t) {
  while (now < t - 1e-4f) {
    now += 0.1f;
    m.travelSpeed.Advance(now);
    m.MoveAlongPath();
  }
}

TEST(PathAnimation, TwoPointsThereAndHalfWayBack) {
  auto m = PathOf({{10, 20, 0}, {310, 20, 0}}, 100);
  float now = 0.0f;
  m->travelSpeed.Advance(now);
  m->MoveAlongPath();
  EXPECT_EQ(m->position, D3DXVECTOR3(10.0f, 20.0f, 0.0f));
  TravelTo(*m, now, 1.0f);
  EXPECT_NEAR(m->position.x, 310.0f, 0.05f);
  TravelTo(*m, now, 1.5f);
  EXPECT_NEAR(m->position.x, 160.0f, 0.05f);
  EXPECT_EQ(m->backwards, 1);
  TravelTo(*m, now, 2.5f);  // back at the start and out again
  EXPECT_NEAR(m->position.x, 160.0f, 0.05f);
  EXPECT_EQ(m->backwards, 0);
}

TEST(PathAnimation, DegeneratePathsStayFiniteAndDefined) {
  struct Case {
    std::vector<D3DXVECTOR3> points;
    float wantX;
  };
  const Case cases[] = {
      // One point holds the sprite.
      {{{5, 5, 0}}, 5.0f},
      // Coinciding points are passed over: 90 px along 0..30 and back.
      {{{0, 0, 0}, {0, 0, 0}, {30, 0, 0}, {30, 0, 0}}, 30.0f},
      // Every point at the same place.
      {{{7, 1, 0}, {7, 1, 0}, {7, 1, 0}}, 7.0f},
  };
  for (const Case& c : cases) {
    auto m = PathOf(c.points, 10);  // 30 px/s
    float now = 0.0f;
    m->travelSpeed.Advance(now);
    TravelTo(*m, now, 3.0f);
    EXPECT_TRUE(std::isfinite(m->position.x));
    EXPECT_NEAR(m->position.x, c.wantX, 0.05f) << c.points.size();
  }
  // A huge step is reduced to one back-and-forth travel first.
  auto m = PathOf({{0, 0, 0}, {100, 0, 0}}, 1);
  m->travelSpeed.step = 1e9f + 50.0f;
  m->MoveAlongPath();
  EXPECT_GE(m->position.x, 0.0f);
  EXPECT_LE(m->position.x, 100.0f);
  m->travelSpeed.step = std::nanf("");
  m->MoveAlongPath();
  EXPECT_TRUE(std::isfinite(m->position.x));
}

class AnimationFrames : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"black.png", 1, {{0, u"", u"black.png", Png(64, 64, [](int, int) { return 0xFF000000u; })}}});
    r.imageFiles.push_back({u"white.png", 1, {{0, u"", u"white.png", Png(20, 10, [](int, int) { return 0xFFFFFFFFu; })}}});
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

  static std::vector<DX_V::PCT> Quad(DS_ParticlesObj& obj) {
    std::vector<DX_V::PCT> out;
    DS_IndexedMesh<DX_V::PCT>* mesh = obj.LayerMesh(0);
    if (!mesh || obj.QuadCount(0) == 0) return out;
    DX_V::PCT* v = mesh->LockVertices();
    if (v) out.assign(v, v + 4);
    mesh->Unlock();
    return out;
  }
};

TEST_F(AnimationFrames, OrientationsAndMirrors) {
  const struct {
    int orientation, flipH, flipV;
    D3DXVECTOR3 from, to;
    bool uSwapped, vSwapped;
  } cases[] = {
      {0, 0, 0, {40, 30, 0}, {10, 30, 0}, false, false},
      {2, 0, 0, {40, 30, 0}, {10, 30, 0}, true, false},  // towards -x: mirrored
      {2, 1, 0, {40, 30, 0}, {10, 30, 0}, false, false},  // and flipped: cancelled
      {2, 0, 0, {10, 30, 0}, {40, 30, 0}, false, false},
      {3, 0, 0, {20, 10, 0}, {20, 50, 0}, false, true},  // towards +y
      {3, 0, 1, {20, 10, 0}, {20, 50, 0}, false, false},
      {0, 0, 1, {40, 30, 0}, {10, 30, 0}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.orientation << " " << c.flipH << c.flipV);
    auto m = PathOf({c.from, c.to}, 10);
    m->imageLinks = {DS_ImageFileLink()};
    m->imageLinks[0].name = u"white.png";
    m->imageLinks[0].id = 1;
    m->spriteSize.SetValue(100u);
    m->orientation.value = c.orientation;
    m->flipHorizontal.value = c.flipH;
    m->flipVertical.value = c.flipV;
    std::unique_ptr<DS_ABObj> obj(m->CreateRuntime());
    auto& runtime = static_cast<DS_ParticlesObj&>(*obj);
    runtime.Update(0.0f);
    runtime.Update(0.1f);
    const auto q = Quad(runtime);
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[0].u, c.uSwapped ? 1.0f : 0.0f);
    EXPECT_EQ(q[1].u, c.uSwapped ? 1.0f : 0.0f);
    EXPECT_EQ(q[0].v, c.vSwapped ? 0.0f : 1.0f);
    EXPECT_EQ(q[2].v, c.vSwapped ? 0.0f : 1.0f);
    // 20 x 10 pixels of image at size 100 %.
    EXPECT_NEAR(q[2].x - q[0].x, 20.0f, 1e-4f);
    EXPECT_NEAR(q[0].y - q[1].y, 10.0f, 1e-4f);
    EXPECT_EQ(q[0].color, 0xFFFFFFFFu);
  }
}

TEST_F(AnimationFrames, TurnedSpriteLiesAlongItsTravel) {
  auto m = PathOf({{10, 10, 0}, {40, 50, 0}}, 10);
  m->imageLinks = {DS_ImageFileLink()};
  m->imageLinks[0].name = u"white.png";
  m->imageLinks[0].id = 1;
  m->spriteSize.SetValue(100u);
  m->orientation.value = 1;
  std::unique_ptr<DS_ABObj> obj(m->CreateRuntime());
  auto& runtime = static_cast<DS_ParticlesObj&>(*obj);
  runtime.Update(0.0f);
  runtime.Update(0.1f);
  const auto q = Quad(runtime);
  ASSERT_EQ(q.size(), 4u);
  // From the u = 0 edge to the u = 1 edge: 20 px along (0.6, 0.8).
  const float ux = (q[2].x + q[3].x - q[0].x - q[1].x) / 2.0f, uy = (q[2].y + q[3].y - q[0].y - q[1].y) / 2.0f;
  EXPECT_NEAR(ux, 12.0f, 1e-3f);
  EXPECT_NEAR(uy, 16.0f, 1e-3f);
}

TEST_F(AnimationFrames, PathWithoutPointsDrawsNothing) {
  DS_PathAnimtion m;
  std::unique_ptr<DS_ABObj> obj(m.CreateRuntime());
  auto& runtime = static_cast<DS_ParticlesObj&>(*obj);
  runtime.Update(0.1f);
  EXPECT_EQ(runtime.QuadCount(0), 0u);
}

TEST(StaticAnimation, FramesForwardsBackwardsAndWithoutDelays) {
  for (bool backwards : {false, true}) {
    DocImage image;
    image.delays = {0.1f, 0.1f, 0.1f, 0.1f};
    std::vector<uint32_t> seen;
    for (int i = 0; i <= 10; ++i) {
      StepImageFrame(image, 0.15f * static_cast<float>(i), backwards);
      if (seen.empty() || seen.back() != image.frameIndex) seen.push_back(image.frameIndex);
    }
    const std::vector<uint32_t> want = backwards ? std::vector<uint32_t>{0, 3, 2, 1, 0, 3, 2, 1, 0, 3, 2}
                                                 : std::vector<uint32_t>{0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2};
    EXPECT_EQ(seen, want);
  }
  DocImage still;
  still.frameIndex = 2;
  StepImageFrame(still, 5.0f, true);
  EXPECT_EQ(still.frameIndex, 2u);
}

TEST(StaticAnimation, HalfTheAlphaAtHalfVisibility) {
  DS_StaticAnimation m;
  m.colour1.value = 0x00336699u;
  m.colour1.transparency.SetValue(50u);  // alpha byte 127
  m.timing.Current()->visibility = 0.5f;
  float c[4];
  m.SpriteColour(c);
  EXPECT_FLOAT_EQ(c[0], 0x99 / 255.0f);
  EXPECT_FLOAT_EQ(c[2], 0x33 / 255.0f);
  EXPECT_FLOAT_EQ(c[3], 127.0f * 0.5f / 255.0f);
}

TEST_F(AnimationFrames, StaticAnimationBlendsHalfWayAtHalfVisibility) {
  auto light = Light();
  DS_StaticAnimation m;
  m.imageLinks = {DS_ImageFileLink()};
  m.imageLinks[0].name = u"white.png";
  m.imageLinks[0].id = 1;
  m.rect.corners[0].value = D3DXVECTOR3(16, 16, 0);
  m.rect.corners[1].value = D3DXVECTOR3(16, 48, 0);
  m.rect.corners[2].value = D3DXVECTOR3(48, 16, 0);
  m.rect.corners[3].value = D3DXVECTOR3(48, 48, 0);
  m.timing.Current()->visibility = 0.5f;
  RuntimeObjects objects;
  objects.push_back(DS_SafePtr<DS_ABObj>(m.CreateRuntime()));
  objects[0]->Update(0.1f);
  const Pixels p = Draw(*light, objects);
  EXPECT_TRUE(Near(p.at(32, 32), 0xFF808080, 3)) << std::hex << p.at(32, 32);
  EXPECT_TRUE(Near(p.at(4, 4), 0xFF000000, 2)) << std::hex << p.at(4, 4);
}

// ---------------------------------------------------------------------------
// The Brownian sprites.

TEST(BrownAnimation, FirstSpriteOfTheRegion) {
  DS_BrownAnimation m;
  m.region.corners[0].value = D3DXVECTOR3(0, 0, 0);
  m.region.corners[3].value = D3DXVECTOR3(400, 300, 0);
  m.count.value = 1;
  crt_srand(1);
  m.KeepSpriteCount();
  ASSERT_EQ(m.heads.size(), 1u);
  const GeneratorParticle& p = m.heads.front();
  EXPECT_NEAR(p.position.x, 225.434f, 1e-3f);
  EXPECT_NEAR(p.position.y, 0.375378f, 1e-5f);
  ASSERT_EQ(p.processes.size(), 1u);
  auto* walk = dynamic_cast<PBrownian*>(p.processes.front());
  ASSERT_NE(walk, nullptr);
  EXPECT_NEAR(walk->velocity.x, 61.7481f, 1e-3f);
  EXPECT_NEAR(walk->velocity.y, -61.3392f, 1e-3f);
  EXPECT_NEAR(walk->retargetTimer, 3.34004f, 1e-4f);
  EXPECT_EQ(walk->inside, 1);
  EXPECT_EQ(walk->settings, &m.settings);
  // A copy's wanderers follow the copy's settings.
  DS_BrownAnimation copy(m);
  EXPECT_EQ(dynamic_cast<PBrownian*>(copy.heads.front().processes.front())->settings, &copy.settings);
  EXPECT_EQ(copy.settings.area, &copy.region);
}

TEST(BrownAnimation, CountDownDropsTheLastAndIsCapped) {
  DS_BrownAnimation m;
  m.region.corners[3].value = D3DXVECTOR3(100, 100, 0);
  m.count.value = 10;
  m.KeepSpriteCount();
  ASSERT_EQ(m.heads.size(), 10u);
  std::vector<D3DXVECTOR3> first;
  for (const auto& p : m.heads) first.push_back(p.position);
  m.count.value = 4;
  m.KeepSpriteCount();
  ASSERT_EQ(m.heads.size(), 4u);
  size_t i = 0;
  for (const auto& p : m.heads) EXPECT_EQ(p.position, first[i++]);
  m.count.value = 0xFFFFFFFFu;
  EXPECT_EQ(m.SpriteCount(), kMaxBrownSprites);
}

TEST_F(AnimationFrames, BrownianSpritesWanderInsideAndDraw) {
  auto light = Light();
  DS_BrownAnimation m;
  m.imageLinks = {DS_ImageFileLink()};
  m.imageLinks[0].name = u"white.png";
  m.imageLinks[0].id = 1;
  m.spriteSize.SetValue(20u);  // 4 x 2 pixels
  m.wanderSpeed.SetValue(25u);
  m.steeringTime.SetValue(10u);  // 0.22 s: longer than a frame
  m.count.value = 6;
  m.region.corners[0].value = D3DXVECTOR3(20, 20, 0);
  m.region.corners[3].value = D3DXVECTOR3(44, 44, 0);
  RuntimeObjects objects;
  objects.push_back(DS_SafePtr<DS_ABObj>(m.CreateRuntime()));
  auto& runtime = static_cast<DS_ParticlesObj&>(*objects[0]);
  for (int i = 0; i <= 40; ++i) runtime.Update(0.05f * static_cast<float>(i));
  EXPECT_EQ(runtime.QuadCount(0), 6u);
  const auto& model = static_cast<DS_BrownAnimation&>(*runtime.generator);
  for (const auto& p : model.heads) {
    EXPECT_GT(p.position.x, 0.0f);
    EXPECT_LT(p.position.x, 64.0f);
  }
  const Pixels px = Draw(*light, objects);
  int lit = 0;
  for (D3DCOLOR c : px.argb) lit += (c & 0xFF) > 128;
  EXPECT_GT(lit, 0);
  for (auto xy : {std::pair{1, 1}, std::pair{62, 62}, std::pair{1, 62}})
    EXPECT_TRUE(Near(px.at(xy.first, xy.second), 0xFF000000, 2));
}

}  // namespace
