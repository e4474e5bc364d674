// The flame light and the underwater scene: their records at each version,
// read field by field from crafted bytes; the flame's quads and clocks; and
// both drawn headlessly, before and after a device reset.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "effects/pattern_effects.h"
#include "effects/registration.h"
#include "effects/slide_renderers_flame.h"
#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/timelines.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"
#include "tools/writer/effects_writer.h"
#include "tools/writer/water_fire_writer.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

template <class X>
std::unique_ptr<X> Read(const pw::ByteBuilder& b) {
  RegisterEffectReaders();
  RegisterTimelineReaders();
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<X> x = ReadObjectAs<X, DS_2D_Light>(ar);
  EXPECT_EQ(ar.Remaining(), 0u) << "the whole record is read";
  return x;
}

// The DS_2D_Light record of version 2 with a background link.
pw::ByteBuilder& Light(pw::ByteBuilder& b) { return b.Header(u"DS_2D_Light", 2).FileLink(u"bg.png", 7); }

TEST(FlameUnderwaterRead, FlameVersionOneCarriesTheFireSpeedAndTwoSkippedLinks) {
  pw::ByteBuilder b;
  b.Header(u"DS_FlameLight", 1).U32(0).U32(1).U32(30).U32(80);
  b.FileLink(u"bump.png", 3).FileLink(u"heat.fx", 4).U32(60).U32(30).U32(50);
  b.FileLink(u"a.png", 5).FileLink(u"b.png", 6);
  Light(b);
  auto f = Read<DS_FlameLight>(b);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->FireLayer.value, 0);
  EXPECT_EQ(f->Distortion.value, 1);
  EXPECT_EQ(f->FireOffset.value, 30u);
  EXPECT_EQ(f->fire.speed.value, 80u);
  EXPECT_FLOAT_EQ(f->fire.speed.derived, 1.6f);
  EXPECT_EQ(f->heat.bumpImage.name, u"bump.png");
  EXPECT_EQ(f->heat.bumpImage.id, 3);
  EXPECT_EQ(f->heat.effectFile.name, u"heat.fx");
  EXPECT_FLOAT_EQ(f->heat.Speed.derived, 0.06f);
  EXPECT_FLOAT_EQ(f->heat.Strength.derived, 0.06f);
  EXPECT_FLOAT_EQ(f->heat.BumpScale.derived, 1.0f - 0.45f);
  EXPECT_EQ(f->fire.patternImage.id, 7) << "the skipped links leave the fire's own";
  EXPECT_EQ(f->fire.noiseImage.id, 8);
  EXPECT_EQ(f->backgroundLink.name, u"bg.png");
}

TEST(FlameUnderwaterRead, FlameVersionTwoCarriesAWholeFireRecord) {
  pw::ByteBuilder b;
  b.Header(u"DS_FlameLight", 2).U32(1).U32(0).U32(0);
  b.FileLink(u"common_res.dll", 62).FileLink(u"common_res.dll", 63).U32(50).U32(25).U32(88);
  b.Header(u"DS_FireFX", 3).U32(0x00112233).U32(0x00445566).I32(0);
  b.FileLink(u"flame.png", 9).FileLink(u"noise.png", 10).U32(150).U32(30).U32(200);
  pw::FXRecord fx;
  fx.speed = 100;
  pw::WriteFXBase(b, fx);
  Light(b);
  auto f = Read<DS_FlameLight>(b);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Distortion.value, 0);
  EXPECT_EQ(f->fire.tipColor.value, 0x00112233u);
  EXPECT_EQ(f->fire.baseColor.value, 0x00445566u);
  EXPECT_EQ(f->fire.patternImage.name, u"flame.png");
  EXPECT_EQ(f->fire.noiseImage.id, 10);
  EXPECT_FLOAT_EQ(f->fire.density.derived, 0.5f);
  EXPECT_FLOAT_EQ(f->fire.brightness.derived, 0.6f);
  EXPECT_FLOAT_EQ(f->fire.repeat.derived, 2.0f);
  EXPECT_FLOAT_EQ(f->fire.speed.derived, 2.0f);
  EXPECT_FLOAT_EQ(f->heat.BumpScale.derived, 1.0f - 88 * 0.009f);
}

TEST(FlameUnderwaterRead, UnderwaterAtEachVersion) {
  struct Case {
    uint32_t stored, want;
  };
  for (const Case& c : {Case{100, 50}, Case{1, 0}, Case{25, 12}}) {
    pw::ByteBuilder b;
    b.Header(u"FakeUndervater", 1).U32(c.stored);
    Light(b);
    auto u = Read<FakeUndervater>(b);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->effect.speed.value, c.want) << c.stored;
    EXPECT_FLOAT_EQ(u->effect.amplitude.derived, 0.00625f);
  }
  pw::ByteBuilder b;
  b.Header(u"FakeUndervater", 2).Header(u"DS_UnderwaterFX", 1).U32(80).U32(10);
  pw::FXRecord fx;
  fx.speed = 40;
  fx.scale = 25;
  pw::WriteFXBase(b, fx);
  Light(b);
  auto u = Read<FakeUndervater>(b);
  ASSERT_NE(u, nullptr);
  EXPECT_FLOAT_EQ(u->effect.amplitude.derived, 80 * 0.000125f);
  EXPECT_FLOAT_EQ(u->effect.frequency.derived, 10 * 0.002f + 0.001f);
  EXPECT_FLOAT_EQ(u->effect.speed.derived, 40.0f) << "the underwater factor is 1";
  EXPECT_FLOAT_EQ(u->effect.scale.derived, 0.5f);
  EXPECT_TRUE(u->NeedsClear());
}

TEST(FlameUnderwaterRead, EveryTruncationIsAnErrorAndDefaultsComeFromTheRegistry) {
  RegisterEffectReaders();
  std::vector<pw::ByteBuilder> records(4);
  pw::WriteFlameLight(records[0], pw::FlameLightRecord{});
  pw::FlameLightRecord old;
  old.version = 1;
  pw::WriteFlameLight(records[1], old);
  pw::WriteUnderwaterLight(records[2], pw::UnderwaterLightRecord{});
  pw::UnderwaterLightRecord oldWater;
  oldWater.version = 1;
  pw::WriteUnderwaterLight(records[3], oldWater);
  for (const pw::ByteBuilder& b : records) {
    for (size_t cut = 0; cut < b.size(); cut += 2) {
      MemoryArchive ar(b.bytes().data(), cut, true);
      EXPECT_THROW(ReadObjectOf<DS_2D_Light>(ar), DS_Error) << cut;
    }
  }
  for (const char16_t* name : {u"DS_FlameLight", u"FakeUndervater"}) {
    EXPECT_NE(CreateDefaultByName<DS_2D_Light>(name), nullptr);
  }
  DS_FlameLight f;
  EXPECT_EQ(f.FireLayer.value, 1);
  EXPECT_EQ(f.Distortion.value, 1);
  EXPECT_EQ(f.fire.patternImage.id, 7);
  EXPECT_FLOAT_EQ(f.heat.Speed.derived, 0.05f);
  EXPECT_FLOAT_EQ(f.heat.Strength.derived, 0.05f);
  EXPECT_NEAR(f.heat.BumpScale.derived, 0.208f, 1e-6f);
  EXPECT_FALSE(f.NeedsClear()) << "no shimmer effect before the slide begins";
}

// ---------------------------------------------------------------------------
// Drawn

class FlameUnderwater : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    RegisterTimelineReaders();
    RegisterEffectReaders();
  }
  // The mask of the test brush: opaque in the lower left quarter only.
  static constexpr GUID kMaskGuid = {0x5A11E0A1, 0x1, 0x2, {0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0xA}};
  void Picture(std::vector<uint8_t> background) {
    pw::DocResRecord r;
    std::vector<uint8_t> mask =
        Png(64, 64, [](int x, int y) -> D3DCOLOR { return x < 32 && y >= 32 ? 0xFFFFFFFF : 0x00FFFFFF; });
    r.rawFrames.push_back({GuidToString(kMaskGuid).name, 0, {{1, mask, 0.0f}}});
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", std::move(background)}}});
    r.imageFiles.push_back({u"white.png", 2, {{0, u"", u"white.png", Png(8, 8, [](int, int) { return kWhite; })}}});
    UseDocument(MakeDocument(r));
  }
  void Start(DS_2D_Light& light) {
    light.backgroundLink.name = u"bg.png";
    light.backgroundLink.id = 1;
    light.BeginSlide();
    QuadCorners screen;
    screen.SetRect(kBack, kBack);
    light.SetupView(screen);
    light.SetViewMode(1);
    light.RestartCamera(1);
    light.OnResetDevice();
  }
  Pixels Frame(DS_2D_Light& light, float t, RuntimeObjects objects = {}) {
    light.UpdateCamera(t);
    for (auto& o : objects) o->Update(t);
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF7F7F7F, 1.0f, 0);
    int n = light.NeedsClear() ? 1 : 0;
    for (auto& o : objects) n += o->NeedsBackground();
    if (n > 0) {
      dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
      light.BeginBackgroundChain();
    }
    light.ClearBackground(0);
    light.RenderObjects(objects, n);
    light.EndFrame(0);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }
  void ResetDevice(DS_2D_Light& light) {
    light.OnLostDevice();
    if (doc_) doc_->OnLostDevice();
    D3D9_SimulateDeviceLoss(dev_);
    dev_->TestCooperativeLevel();
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = kBack;
    pp.BackBufferHeight = kBack;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    ASSERT_EQ(dev_->Reset(&pp), D3D_OK) << "every default-pool resource was released";
    light.OnResetDevice();
  }
  // A white pattern brush over the lower left quarter.
  static RuntimeObjects Brush(std::unique_ptr<DS_ABObj_Constructor>& model) {
    pw::PatternBrushRecord r;
    r.imageName = u"white.png";
    r.imageId = 2;
    r.fx.maskGuid = kMaskGuid;
    r.fx.quad = {{{0, 0, 0}, {0, 64, 0}, {64, 0, 0}, {64, 64, 0}}};
    pw::ByteBuilder b;
    pw::WritePatternBrush(b, r);
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    model = ReadObjectOf<DS_ABObj_Constructor>(ar);
    return RuntimeObjects{DS_SafePtr<DS_ABObj>(model->CreateRuntime())};
  }
  // Rows with fire: some pixel clearly red.
  static bool Burning(const Pixels& px, UINT y) {
    for (UINT x = 32; x < kBack; ++x) {
      const D3DCOLOR c = px.at(x, y);
      if (((c >> 16) & 0xFF) > 0x50 && (c & 0xFF) < 0x20) return true;
    }
    return false;
  }
};

TEST_F(FlameUnderwater, FlameQuadsAndTheShimmerClock) {
  Picture(Png(64, 32, [](int, int) { return kBlack; }));
  DS_FlameLight light;
  light.FireOffset.value = 100;
  Start(light);
  const DX_V::PT* f = light.FireQuad.vertices;
  const float band[4][4] = {{0, 27.2f, 0, 0}, {64, 27.2f, 1, 0}, {0, 48, 0, 0.95f}, {64, 48, 1, 0.95f}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FLOAT_EQ(f[i].x, band[i][0]);
    EXPECT_NEAR(f[i].y, band[i][1], 1e-4f) << "0.85 h to 1.5 h";
    EXPECT_FLOAT_EQ(f[i].u, band[i][2]);
    EXPECT_FLOAT_EQ(f[i].v, band[i][3]);
  }
  const DX_V::PT* h = light.heat.mesh.vertices;
  const float heat[4][4] = {{0, 32, 0, 1}, {0, 0, 0, 0}, {64, 32, 1, 1}, {64, 0, 1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(h[i].x, heat[i][0]);
    EXPECT_FLOAT_EQ(h[i].y, heat[i][1]);
    EXPECT_FLOAT_EQ(h[i].u, heat[i][2]);
    EXPECT_FLOAT_EQ(h[i].v, heat[i][3]);
  }
  EXPECT_FLOAT_EQ(light.heat.aspect, 0.5f);
  ASSERT_NE(light.heat.effect, nullptr) << "the pack's shimmer";
  EXPECT_EQ(light.Distortion.value, 1);

  float offset[2] = {-1, -1};
  light.UpdateCamera(5.0f);
  light.heat.effect->GetFloatArray("Offset", offset, 2);
  EXPECT_EQ(offset[0], 0.0f) << "the first frame advances nothing";
  light.UpdateCamera(5.1f);
  light.heat.effect->GetFloatArray("Offset", offset, 2);
  EXPECT_NEAR(offset[0], 0.005f, 1e-6f);
  EXPECT_NEAR(offset[1], -0.005f, 1e-6f);
  light.UpdateCamera(1.0f);
  light.heat.effect->GetFloatArray("Offset", offset, 2);
  EXPECT_NEAR(offset[0], 0.005f, 1e-6f) << "a jump back leaves the phase";
  float strength = 0, scale[2] = {0, 0};
  light.heat.effect->GetFloatArray("stenght", &strength, 1);
  light.heat.effect->GetFloatArray("bump_scale", scale, 2);
  EXPECT_FLOAT_EQ(strength, 0.0025f);
  EXPECT_NEAR(scale[0], 0.208f, 1e-6f);
  EXPECT_NEAR(scale[1], 0.104f, 1e-6f);
}

TEST_F(FlameUnderwater, FlameBandLiesBehindTheSlidesObjects) {
  Picture(Png(64, 64, [](int, int) { return kBlack; }));
  DS_FlameLight light;
  light.fire.brightness.SetValue(50u);  // unused by the layer: the effect's own 0.3 holds
  Start(light);
  ASSERT_NE(light.fire.Effect(), nullptr);
  std::unique_ptr<DS_ABObj_Constructor> brush;
  RuntimeObjects objects = Brush(brush);

  auto check = [&](const Pixels& px) {
    for (UINT y = 0; y < 21; y += 2) {
      for (UINT x = 0; x < 64; x += 3) EXPECT_TRUE(Near(px.at(x, y), kBlack, 3)) << x << "," << y << std::hex << " " << px.at(x, y);
    }
    int rows = 0;
    for (UINT y = 44; y < 64; ++y) rows += Burning(px, y) ? 1 : 0;
    EXPECT_GT(rows, 12) << "the band burns in its lower part";
    for (UINT y = 36; y < 62; y += 4) EXPECT_TRUE(Near(px.at(10, y), kWhite, 6)) << y << std::hex << " " << px.at(10, y);
  };
  Pixels px = Frame(light, 0.0f, objects);
  check(px);
  px = Frame(light, 0.5f, objects);
  check(px);
  ResetDevice(light);
  px = Frame(light, 0.6f, objects);
  check(px);
}

TEST_F(FlameUnderwater, FlameWithoutItsEffectsDrawsThePlainSlide) {
  Picture(Png(64, 64, [](int x, int) { return x < 32 ? kBlack : kWhite; }));
  DS_FlameLight light;
  Start(light);
  // The pack always has both; a device that could not make them leaves none.
  light.fire.effect = nullptr;
  light.heat.effect = nullptr;
  EXPECT_FALSE(light.NeedsClear()) << "nothing would show an off-screen slide";
  const Pixels px = Frame(light, 0.2f);
  for (UINT y : {10u, 50u}) {
    EXPECT_TRUE(Near(px.at(10, y), kBlack, 3)) << y;
    EXPECT_TRUE(Near(px.at(50, y), kWhite, 3)) << y;
  }
}

TEST_F(FlameUnderwater, OddDistortionValuesKeepTheSlidesObjects) {
  Picture(Png(64, 64, [](int, int) { return kBlack; }));
  DS_FlameLight light;
  light.FireLayer.value = 0;
  light.Distortion.value = 2;
  Start(light);
  EXPECT_TRUE(light.NeedsClear()) << "any non-zero value draws off-screen";
  std::unique_ptr<DS_ABObj_Constructor> brush;
  RuntimeObjects objects = Brush(brush);
  const Pixels px = Frame(light, 0.1f, objects);
  EXPECT_TRUE(Near(px.at(10, 50), kWhite, 6)) << std::hex << px.at(10, 50);
  EXPECT_TRUE(Near(px.at(50, 50), kBlack, 6)) << std::hex << px.at(50, 50);
}

TEST_F(FlameUnderwater, UnderwaterDrawsTheFinishedSlideThroughItsWobble) {
  // A white column 30..33 over dark blue.
  Picture(Png(64, 64, [](int x, int) -> D3DCOLOR { return x >= 30 && x < 34 ? kWhite : 0xFF000040; }));
  FakeUndervater light;
  light.effect.amplitude.SetValue(0u);
  Start(light);
  ASSERT_NE(light.effect.Effect(), nullptr);
  auto stripe = [](const Pixels& px, UINT y) {
    std::vector<UINT> xs;
    for (UINT x = 0; x < px.width; ++x)
      if (((px.at(x, y) >> 8) & 0xFF) > 0x80) xs.push_back(x);
    return xs;
  };
  Pixels still = Frame(light, 0.0f);
  ASSERT_TRUE(light.HasTargets());
  EXPECT_EQ(light.backgroundCopy.Get(), light.targets.active.Get()) << "the finished slide is the background copy";
  const std::vector<UINT> straight = stripe(still, 8);
  ASSERT_FALSE(straight.empty());
  EXPECT_GE(straight.front(), 29u);
  EXPECT_LE(straight.back(), 34u);
  for (UINT y : {20u, 40u, 60u}) EXPECT_EQ(stripe(still, y), straight) << y;

  auto wobbles = [&](const Pixels& px) {
    bool moved = false;
    for (UINT y = 0; y < 64; y += 3) {
      const std::vector<UINT> xs = stripe(px, y);
      if (xs.empty()) return false;
      if (xs.front() + 4 < straight.front() || xs.back() > straight.back() + 4) return false;
      moved = moved || xs != straight;
    }
    return moved;
  };
  light.effect.amplitude.SetValue(400u);  // 0.05 of the width: 3.2 pixels
  light.effect.speed.elapsed = 1.0f;
  EXPECT_TRUE(wobbles(Frame(light, 0.1f)));
  ResetDevice(light);
  EXPECT_TRUE(wobbles(Frame(light, 0.2f)));
}

// The fuzz seed holding every record of these classes reads into its four
// slides (playing it compiles every stand-in: the fuzz targets do that).
TEST_F(FlameUnderwater, SeedProjectHoldsEachRecord) {
  RegisterSlideReaders();
  RegisterRenderReaders();
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectFile(u"" TEST_DATA_DIR "/fuzz/project_reader/water_fire.qmf"));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 4u);
  EXPECT_EQ(show->slides[0]->drawnModels.size(), 10u);
  EXPECT_NE(dynamic_cast<DS_FlameLight*>(show->slides[0]->RenderContext()), nullptr);
  EXPECT_NE(dynamic_cast<FakeUndervater*>(show->slides[1]->RenderContext()), nullptr);
  auto* old = dynamic_cast<DS_FlameLight*>(show->slides[2]->RenderContext());
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->Distortion.value, 3);
  EXPECT_NE(dynamic_cast<FakeUndervater*>(show->slides[3]->RenderContext()), nullptr);
  show.reset();
  DestroyCurrentDocResManager();
}

}  // namespace
