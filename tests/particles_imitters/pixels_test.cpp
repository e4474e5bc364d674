// Classic particles drawn headlessly over a grey slide: the two blends, the
// picture's orientation, and the glow laid over the scene or screened with
// the slide's background copy.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "particles/imitters/brownian.h"
#include "particles/imitters/burst_fountain.h"
#include "particles/imitters/ray_of_light.h"
#include "particles/imitters/splash_spray.h"
#include "particles/imitters/single_particle.h"
#include "particles/imitters/stream_vortex.h"
#include "particles/imitters/through_space.h"
#include "player/slide_render_context.h"
#include "resources/builtin_resources.h"
#include "tests/player/render_fixtures.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kGrey = 0xFF808080;
constexpr D3DCOLOR kBlack = 0xFF000000;

class ClassicPixels : public RenderTest {
 protected:
  virtual D3DCOLOR BackgroundColour() const { return kGrey; }

  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();  // the stand-in effect and the blur
    pw::DocResRecord r;
    const D3DCOLOR bg = BackgroundColour();
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(kBack, kBack, [bg](int, int) { return bg; })}}});
    // Upper half red, lower half blue, both half transparent.
    r.rawFrames.push_back(
        {u"dot.png", 2, {{1, Png(8, 8, [](int, int y) { return y < 4 ? 0x80FF0000u : 0x800000FFu; }), 0.0f}}});
    r.rawFrames.push_back({u"white.png", 3, {{1, Png(2, 2, [](int, int) { return 0xFFFFFFFFu; }), 0.0f}}});
    UseDocument(MakeDocument(r));
    light_ = StartPictureLight(kBack);
  }
  void TearDown() override {
    objects_.clear();
    light_.reset();
    RenderTest::TearDown();
  }

  // One burst particle of 16 x 16 that neither moves nor dies, centred one
  // unit off its point by the unit offset multipliers: at (31, 33).
  void AddParticle(int blendMode, int glowMode) {
    ZVI_BurstPtclSys model;
    model.source.point.value = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
    model.burstCount.value = 1;
    model.range.value = 100;
    model.params.particleSize.value = 16;
    model.params.particleImage.value.links.push_back(DS_ImageFileLink(DS_FileLink3()));
    model.params.particleImage.value.links.back().name = u"dot.png";
    model.params.particleImage.value.links.back().id = 2;
    model.params.blendMode.value = blendMode;
    model.params.glowMode.value = glowMode;
    model.params.glowColorRef.value = 0x000000FFu;  // red
    objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
    objects_.back()->Update(0.0f);
  }

  // A small opaque white sprite on the model, its runtime object added.
  void AddWhite(ZVI_ParticleSystemCtrl& model, uint32_t size) {
    model.params.particleSize.value = size;
    model.params.particleImage.value.links.push_back(DS_ImageFileLink(DS_FileLink3()));
    model.params.particleImage.value.links.back().name = u"white.png";
    model.params.particleImage.value.links.back().id = 3;
    objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
  }
  // Updates every object over the seconds in frames of 1/30 s.
  void Play(float seconds) {
    for (float t = 0.0f; t <= seconds + 1e-4f; t += 1.0f / 30.0f)
      for (auto& o : objects_) o->Update(t);
  }

  Pixels Frame() {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    int n = 0;
    for (auto& o : objects_) n += o->NeedsBackground();
    if (n > 0) {
      dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
      light_->BeginBackgroundChain();
    }
    light_->ClearBackground(0);
    light_->RenderObjects(objects_, n);
    light_->EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  std::unique_ptr<DS_2D_Light> light_;
  RuntimeObjects objects_;
};

TEST_F(ClassicPixels, BlendNormalUprightOverGrey) {
  AddParticle(0, 0);
  auto* mech = dynamic_cast<ZVI_ParticleSystemMech*>(objects_[0].get());
  ASSERT_NE(mech, nullptr);
  EXPECT_EQ(mech->CountAt(0), 1u);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 28), 0xFFBF4040, 6)) << std::hex << px.at(32, 28);  // upper half: red
  EXPECT_TRUE(Near(px.at(32, 36), 0xFF4040BF, 6)) << std::hex << px.at(32, 36);  // lower half: blue
  EXPECT_TRUE(Near(px.at(32, 20), kGrey)) << std::hex << px.at(32, 20);
  EXPECT_TRUE(Near(px.at(20, 32), kGrey)) << std::hex << px.at(20, 32);
  EXPECT_TRUE(Near(px.at(44, 32), kGrey)) << std::hex << px.at(44, 32);
}

TEST_F(ClassicPixels, BlendSumAdds) {
  AddParticle(1, 0);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 28), 0xFFFF8080, 6)) << std::hex << px.at(32, 28);
  EXPECT_TRUE(Near(px.at(32, 36), 0xFF8080FF, 6)) << std::hex << px.at(32, 36);
  EXPECT_TRUE(Near(px.at(10, 10), kGrey));
}

TEST_F(ClassicPixels, UnknownBlendModeDrawsNormally) {
  AddParticle(7, 0);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 28), 0xFFBF4040, 6)) << std::hex << px.at(32, 28);
}

D3DCOLOR Channel(D3DCOLOR c, int shift) { return (c >> shift) & 0xFF; }

TEST_F(ClassicPixels, GlowReddensAroundTheQuad) {
  AddParticle(0, 1);
  Pixels px = Frame();
  const D3DCOLOR outside = px.at(32, 42);  // two pixels below the quad
  EXPECT_GT(Channel(outside, 16), 0x80u + 8) << std::hex << outside;
  EXPECT_LT(Channel(outside, 8), 0x80u) << std::hex << outside;  // laid over: grey covered
  EXPECT_TRUE(Near(px.at(2, 2), kGrey)) << std::hex << px.at(2, 2);
  // The sharp particle lies over its glow: its blue half stays blue.
  const D3DCOLOR inside = px.at(32, 36);
  EXPECT_GT(Channel(inside, 0), Channel(inside, 16) + 0x30) << std::hex << inside;
}

TEST_F(ClassicPixels, ScreenGlowComposesOverTheBackgroundCopy) {
  AddParticle(0, 2);
  EXPECT_EQ(objects_[0]->NeedsBackground(), 1);
  Pixels px = Frame();
  const D3DCOLOR outside = px.at(32, 42);
  EXPECT_GT(Channel(outside, 16), 0x80u + 8) << std::hex << outside;
  EXPECT_NEAR(static_cast<int>(Channel(outside, 8)), 0x80, 4) << std::hex << outside;  // screened: grey kept
  EXPECT_TRUE(Near(px.at(2, 2), kGrey)) << std::hex << px.at(2, 2);
  const D3DCOLOR inside = px.at(32, 36);
  EXPECT_GT(Channel(inside, 0), Channel(inside, 16) + 0x30) << std::hex << inside;
}

// The player masks alpha off the screen; the glow, which reads its blur
// target's alpha, still shows in both modes.
TEST_F(ClassicPixels, GlowShowsWhileTheScreenAlphaIsMasked) {
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    objects_.clear();
    AddParticle(0, mode);
    dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 7);
    Pixels px = Frame();
    const D3DCOLOR outside = px.at(32, 42);
    EXPECT_GT(Channel(outside, 16), 0x80u + 8) << std::hex << outside;
    EXPECT_TRUE(Near(px.at(2, 2), kGrey)) << std::hex << px.at(2, 2);
    DWORD mask = 0;
    dev_->GetRenderState(D3DRS_COLORWRITEENABLE, &mask);
    EXPECT_EQ(mask, 7u) << "the screen's mask comes back";
    dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);  // the device outlives the test
  }
}

class ClassicPixelsOverBlack : public ClassicPixels {
 protected:
  D3DCOLOR BackgroundColour() const override { return kBlack; }
  static bool Lit(D3DCOLOR c) { return Channel(c, 16) + Channel(c, 8) + Channel(c, 0) > 24; }
};

TEST_F(ClassicPixelsOverBlack, VortexArmsOnTheTwoAxes) {
  ZVI_VortexPtclSys v;
  v.source.point.value = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
  v.arms.value = 4;
  v.speed.SetValue(10u);  // 20 pixels per second
  v.range.value = 26;
  v.rotationSpeed.SetValue(0u);
  v.counter.rate.SetValue(300u);
  AddWhite(v, 2);
  Play(1.0f);
  Pixels px = Frame();
  // Quads sit one pixel off their particles (the unit offset multipliers):
  // the arms are the bands around the lines x = 31..33 and y = 31..33.
  int onAxes = 0;
  for (UINT y = 0; y < kBack; ++y)
    for (UINT x = 0; x < kBack; ++x) {
      const int dx = static_cast<int>(x) - 32, dy = static_cast<int>(y) - 32;
      const bool axis = std::abs(dx) <= 3 || std::abs(dy) <= 3;
      if (!axis) {
        EXPECT_FALSE(Lit(px.at(x, y))) << x << "," << y << " " << std::hex << px.at(x, y);
      } else if (Lit(px.at(x, y))) {
        ++onAxes;
      }
    }
  EXPECT_GT(onAxes, 40);
  for (int d : {8, 14, 20}) {
    EXPECT_FALSE(Lit(px.at(32 + d, 32 + d)));
    EXPECT_FALSE(Lit(px.at(32 - d, 32 + d)));
  }
}

TEST_F(ClassicPixelsOverBlack, SplashInAQuarterSector) {
  ZVI_SplashPtclSys s;
  s.useSector.value = 1;
  s.sectorSource.point.value = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
  s.sectorSource.radius.value = 20;
  s.sectorSource.sector.value = 0;  // towards +x, 45 degrees either side
  s.sectorSource.sector.Recompute();
  s.sectorSource.sector.spread.value = 90;
  s.burstCount.value = 600;
  s.life.SetValue(1000u);
  AddWhite(s, 2);
  Play(0.1f);
  Pixels px = Frame();
  // The wedge's apex sits at (31, 33): one unit along the normal and direction.
  int inside = 0;
  for (UINT y = 0; y < kBack; ++y)
    for (UINT x = 0; x < kBack; ++x) {
      const float dx = x + 0.5f - 31.0f, dy = y + 0.5f - 33.0f;
      const float r = std::sqrt(dx * dx + dy * dy);
      const bool near = dx > -2.5f && std::fabs(dy) <= dx + 3.0f && r <= 23.0f;
      if (!near) {
        EXPECT_FALSE(Lit(px.at(x, y))) << x << "," << y;
      } else if (Lit(px.at(x, y))) {
        ++inside;
      }
    }
  EXPECT_GT(inside, 100);
}

TEST_F(ClassicPixels, StreamStaysInItsBand) {
  DS_StreamPtclSys s;
  // From the left edge (x 8, y 24..36) to the right edge (x 56).
  s.edges.corners[0].value = D3DXVECTOR3(8.0f, 24.0f, 0.0f);
  s.edges.corners[1].value = D3DXVECTOR3(56.0f, 24.0f, 0.0f);
  s.edges.corners[2].value = D3DXVECTOR3(8.0f, 36.0f, 0.0f);
  s.edges.corners[3].value = D3DXVECTOR3(56.0f, 36.0f, 0.0f);
  s.speedJitter.SetValue(10u);  // 20 pixels per second
  s.life.SetValue(200u);
  s.counter.rate.SetValue(500u);
  AddWhite(s, 3);
  Play(1.0f);
  Pixels px = Frame();
  int lit = 0;
  // Row 0 is the slide's own border row, not the picture.
  for (UINT y = 1; y < kBack; ++y)
    for (UINT x = 0; x < kBack; ++x) {
      const bool band = y >= 21 && y <= 39 && x >= 5 && x <= 60;
      if (!band) {
        EXPECT_TRUE(Near(px.at(x, y), kGrey)) << x << "," << y << " " << std::hex << px.at(x, y);
      } else if (!Near(px.at(x, y), kGrey, 8)) {
        ++lit;
      }
    }
  EXPECT_GT(lit, 50);
}


TEST_F(ClassicPixels, UprightBatchFromThePixelSize) {
  ZVI_BurstPtclSys model;
  AddWhite(model, 16);
  auto* mech = static_cast<ZVI_ParticleSystemMech*>(objects_[0].get());
  ClassicParticleList list;
  list.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(20.0f, 30.0f, 0.0f))));
  list[0]->Factor1() = 0.5f;
  list[0]->Factor2() = 0.5f;
  list[0]->matrix._11 = 0.0f;  // neither rotation nor atlas cell applies
  mech->system->params.FillUprightBatch(mech->system, 3.0f, list);
  ASSERT_EQ(mech->CountAt(0), 1u);
  DX_V::PCT* v = mech->BatchAt(0)->LockVertices();
  ASSERT_NE(v, nullptr);
  // The 2 x 2 picture x 3 x 0.5: half sides of 1.5.
  const float want[4][2] = {{18.5f, 31.5f}, {18.5f, 28.5f}, {21.5f, 31.5f}, {21.5f, 28.5f}};
  for (int c = 0; c < 4; ++c) {
    EXPECT_FLOAT_EQ(v[c].x, want[c][0]) << c;
    EXPECT_FLOAT_EQ(v[c].y, want[c][1]) << c;
    EXPECT_EQ(v[c].color, 0x80FFFFFFu) << c;
  }
  EXPECT_FLOAT_EQ(v[0].v, 1.0f);
  EXPECT_FLOAT_EQ(v[1].v, 0.0f);
  mech->BatchAt(0)->Unlock();
}

}  // namespace

namespace {

// One white ray down the middle of a 64 x 64 slide, held still at full
// intensity: brightest in the band, fading at both ends. Its corners wind
// its quads clockwise on screen: drawn all the same.
TEST_F(ClassicPixels, RayIsBrightestMidBandAndFadesAtBothEnds) {
  DS_RayOfLight model;
  model.edges.corners[0].value = D3DXVECTOR3(40.0f, 2.0f, 0.0f);
  model.edges.corners[1].value = D3DXVECTOR3(40.0f, 62.0f, 0.0f);
  model.edges.corners[2].value = D3DXVECTOR3(24.0f, 2.0f, 0.0f);
  model.edges.corners[3].value = D3DXVECTOR3(24.0f, 62.0f, 0.0f);
  model.rayCount.value = 1;
  model.rayLife.SetScaleOffset(0.1f, 0.0f, 1000u);
  model.rayWidth.SetScaleOffset(1.0f, 0.0f, 8u);
  model.fadeIn.SetScaleOffset(0.01f, 0.0f, 30u);
  model.fadeOut.SetScaleOffset(0.01f, 0.0f, 30u);
  model.params.blendMode.value = 1;
  AddWhite(model, 16);
  auto* mech = dynamic_cast<ZVI_ParticleSystemMech*>(objects_[0].get());
  ASSERT_NE(mech, nullptr);
  ASSERT_EQ(mech->system->particles.size(), 1u);
  ClassicParticle& ray = *mech->system->particles[0];
  ray.routines.clear();
  ray.position.x = 0.5f;
  ray.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  ray.Factor2() = 1.0f;
  objects_[0]->Update(0.0f);
  EXPECT_EQ(mech->CountAt(0), 3u);
  Pixels px = Frame();
  const D3DCOLOR mid = px.at(32, 32);
  EXPECT_GT(Channel(mid, 8), 0xF0u) << std::hex << mid;
  EXPECT_TRUE(Near(px.at(20, 32), kGrey)) << std::hex << px.at(20, 32);  // beside the ray
  for (int y : {3, 61}) {
    const D3DCOLOR end = px.at(32, y);
    EXPECT_LT(Channel(end, 8), 0x80u + 0x20u) << y << " " << std::hex << end;
  }
  // Brighter towards the band than at the ends.
  EXPECT_GT(Channel(px.at(32, 16), 8), Channel(px.at(32, 5), 8));
  EXPECT_GT(Channel(px.at(32, 48), 8), Channel(px.at(32, 59), 8));
}

}  // namespace

namespace {

void UseImage(ClassicParticleParams& block, const char16_t* name, int64_t id) {
  block.particleImage.value.links.push_back(DS_ImageFileLink(DS_FileLink3()));
  block.particleImage.value.links.back().name = name;
  block.particleImage.value.links.back().id = id;
}

// A particle at (40, 32, 0.5) about the centre (32, 32) lands at (48, 32)
// with its 4-unit quad drawn 8 wide.
TEST_F(ClassicPixelsOverBlack, ThroughSpaceParticleOnItsProjectedPixel) {
  ZVI_ThroughSpaceCtrl model;
  model.centre.value = D3DXVECTOR3(32.0f, 32.0f, 0.0f);
  model.counter.rate.SetValue(0u);
  model.rotationSpeed.SetValue(0u);
  AddWhite(model, 4);
  auto* mech = static_cast<ZVI_ParticleSystemMech*>(objects_[0].get());
  mech->system->particles.clear();
  mech->system->particles.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(40.0f, 32.0f, 0.5f))));
  objects_[0]->Update(0.0f);
  ASSERT_EQ(mech->CountAt(0), 1u);
  Pixels px = Frame();
  for (UINT y = 1; y < kBack; ++y)
    for (UINT x = 0; x < kBack; ++x) {
      const bool inside = x >= 45 && x <= 50 && y >= 29 && y <= 34;
      const bool outside = x < 43 || x > 52 || y < 27 || y > 36;
      if (inside) EXPECT_TRUE(Near(px.at(x, y), 0xFFFFFFFF, 6)) << x << "," << y << " " << std::hex << px.at(x, y);
      if (outside) EXPECT_TRUE(Near(px.at(x, y), kBlack)) << x << "," << y << " " << std::hex << px.at(x, y);
    }
}

TEST_F(ClassicPixels, BrownianUprightQuadFromTheImageSize) {
  ZVI_BrownAnimation model;
  model.count.value = 1;
  model.area.rect.SetCentredRect(2.0f, 2.0f, D3DXVECTOR3(20.0f, 30.0f, 0.0f));
  AddWhite(model, 300);  // k = 3: the 2 x 2 picture drawn 6 x 6
  auto* mech = static_cast<ZVI_ParticleSystemMech*>(objects_[0].get());
  ASSERT_EQ(mech->system->particles.size(), 1u);
  const D3DXVECTOR3 q = mech->system->particles[0]->position;  // speed 0: still
  objects_[0]->Update(0.0f);
  ASSERT_EQ(mech->CountAt(0), 1u);
  DX_V::PCT* v = mech->BatchAt(0)->LockVertices();
  ASSERT_NE(v, nullptr);
  EXPECT_FLOAT_EQ(v[0].x, q.x - 3.0f);
  EXPECT_FLOAT_EQ(v[0].y, q.y + 3.0f);
  EXPECT_FLOAT_EQ(v[3].x, q.x + 3.0f);
  EXPECT_FLOAT_EQ(v[3].y, q.y - 3.0f);
  EXPECT_EQ(v[0].color, 0xFFFFFFFFu);
  mech->BatchAt(0)->Unlock();
}

// A white firefly of 6 over its trail of 16, the red-over-blue dot: white in
// the middle, the trail's colours around it.
TEST_F(ClassicPixelsOverBlack, FireflyOverItsTrail) {
  ZVI_Firefly model;
  model.count.value = 1;
  model.area.rect.SetCentredRect(0.0f, 0.0f, D3DXVECTOR3(33.0f, 31.0f, 0.0f));
  model.tracer.counter.rate.SetValue(100u);
  model.tracer.trailLife.SetValue(1000u);
  model.tracer.block.particleSize.value = 16;
  UseImage(model.tracer.block, u"dot.png", 2);
  AddWhite(model, 6);
  EXPECT_EQ(objects_[0]->NeedsBackground(), 0);
  Play(0.3f);
  auto* mech = static_cast<ZVI_ParticleSystemMech*>(objects_[0].get());
  auto* firefly = static_cast<ZVI_Firefly*>(mech->system);
  ASSERT_FALSE(firefly->trails.empty());
  EXPECT_EQ(mech->CountAt(1), 1u);
  EXPECT_EQ(mech->CountAt(0), firefly->trails.size());
  Pixels px = Frame();
  // The leader's quad sits one unit left and up of its point: (32, 32).
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFFFFFF, 6)) << std::hex << px.at(32, 32);
  EXPECT_GT(Channel(px.at(31, 25), 16), 0x60u) << std::hex << px.at(31, 25);
  EXPECT_GT(Channel(px.at(31, 39), 0), 0x60u) << std::hex << px.at(31, 39);
  EXPECT_TRUE(Near(px.at(10, 10), kBlack));
}

class Picture : public ZVI_SingleParticle {
 public:
  ZVI_ParticleSystemCtrl* Clone() const override { return new Picture(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override { return EmptyParticleList(out, dt); }
  std::u16string_view ClassName() const override { return u"ZVI_BurstPtclSys"; }
  void UpdateParticles(float) override {}
};

// The single quad shows the red-over-blue picture upright, opaque white
// vertices, within its corners (12..44, 20..36), the background elsewhere.
TEST_F(ClassicPixels, SingleQuadShowsItsPictureUprightWithinItsCorners) {
  Picture model;
  model.quad.SetCentredRect(32.0f, 16.0f, D3DXVECTOR3(28.0f, 28.0f, 0.0f));
  UseImage(model.params, u"dot.png", 2);
  objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
  auto* mech = static_cast<ZVI_ParticleSystemMech*>(objects_[0].get());
  ASSERT_EQ(mech->CountAt(0), 1u);
  {
    DX_V::PCT* v = mech->BatchAt(0)->LockVertices();
    ASSERT_NE(v, nullptr);
    for (int k = 0; k < 4; ++k) v[k].color = 0xFFFFFFFFu;
    mech->BatchAt(0)->Unlock();
  }
  Pixels px = Frame();
  for (UINT x : {14u, 28u, 42u}) {
    EXPECT_TRUE(Near(px.at(x, 23), 0xFFBF4040, 8)) << x << " " << std::hex << px.at(x, 23);
    EXPECT_TRUE(Near(px.at(x, 33), 0xFF4040BF, 8)) << x << " " << std::hex << px.at(x, 33);
  }
  for (auto [x, y] : {std::pair<UINT, UINT>{10, 28}, {46, 28}, {28, 17}, {28, 39}})
    EXPECT_TRUE(Near(px.at(x, y), kGrey)) << x << "," << y << " " << std::hex << px.at(x, y);
}

}  // namespace
