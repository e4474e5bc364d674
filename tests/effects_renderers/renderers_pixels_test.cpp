// The four slide renderers drawn headlessly: the glass ball's centre and
// corners, highlighted glyphs, the lake's mirror, the water surface and a
// drop in it, and each renderer again after a device reset.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/crt.h"
#include "effects/registration.h"
#include "effects/slide_renderers_flame.h"
#include "effects/slide_renderers_glass.h"
#include "effects/slide_renderers_glyphs.h"
#include "effects/slide_renderers_lake.h"
#include "effects/slide_renderers_water.h"
#include "render_fixtures.h"
#include "player/project_reader.h"
#include "player/slide_container.h"
#include "resources/builtin_resources.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                   kBlack = 0xFF000000;

class RendererPixels : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
  }

  // A document with bg.png (link 1) and glyphs.png (link 2).
  void Pictures(std::vector<uint8_t> background) {
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", std::move(background)}}});
    r.imageFiles.push_back({u"glyphs.png", 2, {{0, u"", u"glyphs.png", Png(16, 32, [](int, int) { return kWhite; })}}});
    UseDocument(MakeDocument(r));
  }

  // The slide show's start of a slide, on the whole back buffer.
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

  // One frame as a slide draws it, without objects.
  Pixels Frame(DS_2D_Light& light, float t = 0.0f) {
    light.UpdateCamera(t);
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF7F7F7F, 1.0f, 0);
    const int n = light.NeedsClear() ? 1 : 0;
    if (n > 0) {
      dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
      light.BeginBackgroundChain();
    }
    light.ClearBackground(0);
    RuntimeObjects none;
    light.RenderObjects(none, n);
    light.EndFrame(0);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  // Loss and reset of the device as the framework runs them.
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
};

// 64 x 64: green in the middle square, red around it.
std::vector<uint8_t> CentreSquare() {
  return Png(64, 64, [](int x, int y) { return x >= 16 && x < 48 && y >= 16 && y < 48 ? kGreen : kRed; });
}

TEST_F(RendererPixels, GlassBallShowsTheSlideInsideAndTheGradientOutside) {
  Pictures(CentreSquare());
  DS_GlassBallLight light;
  light.Motion.value = 0;
  light.TopColor.value = 0x00FF0000;  // blue
  light.BottomColor.value = 0x00FF0000;
  // The gradient fills the fitted background picture's area: a square one.
  light.PictureImage.name = u"bg.png";
  light.PictureImage.id = 1;
  Start(light);
  Pixels px = Frame(light);
  EXPECT_TRUE(Near(px.at(32, 32), kGreen, 8)) << std::hex << px.at(32, 32);
  for (auto [x, y] : {std::pair{0u, 0u}, {63u, 0u}, {0u, 63u}, {63u, 63u}}) {
    EXPECT_TRUE(Near(px.at(x, y), kBlue, 8)) << x << "," << y << ": " << std::hex << px.at(x, y);
  }
  // The lens magnifies: the red rim of the slide is not in the ball's middle.
  EXPECT_TRUE(Near(px.at(22, 32), kGreen, 8)) << std::hex << px.at(22, 32);

  ResetDevice(light);
  px = Frame(light);
  EXPECT_TRUE(Near(px.at(32, 32), kGreen, 8)) << std::hex << px.at(32, 32);
  EXPECT_TRUE(Near(px.at(0, 0), kBlue, 8)) << std::hex << px.at(0, 0);
}

// A wide background picture leaves the gradient a band across the middle of
// the square screen with black above and below. The ball's square reaches
// the screen's edges; outside its circle every pixel shows what the screen
// shows there without the ball: no seam of a shifted gradient, no gradient
// in the black.
TEST_F(RendererPixels, GlassBallCornersMatchTheBackgroundAroundThem) {
  Pictures(Png(64, 32, [](int, int) { return kGreen; }));
  DS_GlassBallLight light;
  light.Motion.value = 0;
  light.TopColor.value = 0x000000FF;     // red
  light.BottomColor.value = 0x00FF0000;  // blue
  light.PictureImage.name = u"bg.png";
  light.PictureImage.id = 1;
  Start(light);
  const Pixels px = Frame(light);
  int checked = 0;
  for (UINT y = 0; y < 64; ++y) {
    for (UINT x = 0; x < 64; ++x) {
      const float dx = static_cast<float>(x) - 31.5f, dy = static_cast<float>(y) - 31.5f;
      if (dx * dx + dy * dy < 34.0f * 34.0f) continue;
      // The band covers rows 16 to 47, red at its top, blue at its foot.
      D3DCOLOR want = kBlack;
      if (y >= 16 && y < 48) {
        const int blue = static_cast<int>((static_cast<float>(y) - 16.0f) / 32.0f * 255.0f + 0.5f);
        want = D3DCOLOR_ARGB(255, 255 - blue, 0, blue);
      }
      EXPECT_TRUE(Near(px.at(x, y), want, 12)) << x << "," << y << ": " << std::hex << px.at(x, y) << " not " << want;
      ++checked;
    }
  }
  EXPECT_GT(checked, 200);
}

TEST_F(RendererPixels, TurningBallScrollsTheSlide) {
  Pictures(Png(64, 64, [](int x, int) { return x < 32 ? kGreen : kRed; }));
  DS_GlassBallLight light;
  light.Motion.value = 2;
  Start(light);
  DS_GlassBallLight::Phase() = {true, 0.0f, 1.0f};  // k = 0.5: the halves swap
  Pixels px = Frame(light);
  DS_GlassBallLight::Phase() = {};
  EXPECT_TRUE(Near(px.at(28, 32), kRed, 8)) << std::hex << px.at(28, 32);
  EXPECT_TRUE(Near(px.at(36, 32), kGreen, 8)) << std::hex << px.at(36, 32);
}

TEST_F(RendererPixels, HighlightedGlyphsShowTheHighlightColour) {
  Pictures(Png(64, 64, [](int, int) { return kBlack; }));
  DS_MatrixCodeLight light;
  light.GlyphImage.name = u"glyphs.png";
  light.GlyphImage.id = 2;
  light.HighlightColor.value = 0x000000FF;  // red
  light.GlyphColor.value = 0x0000FF00;      // green
  light.HighlightCount.value = 0;
  crt_srand(7);
  Start(light);
  ASSERT_NE(light.grid, nullptr);
  ASSERT_EQ(light.grid->columns, 5);
  auto put = [&] {
    light.grid->Cell(1, 3) = 1 | GlyphGrid::kHighlight;
    light.grid->Cell(3, 3) = 1;
  };
  put();
  Pixels px = Frame(light);
  EXPECT_TRUE(Near(px.at(24, 56), kRed, 8)) << std::hex << px.at(24, 56);
  EXPECT_TRUE(Near(px.at(56, 56), kGreen, 8)) << std::hex << px.at(56, 56);
  EXPECT_TRUE(Near(px.at(40, 56), kBlack, 8)) << std::hex << px.at(40, 56);

  ResetDevice(light);
  put();
  px = Frame(light);
  EXPECT_TRUE(Near(px.at(24, 56), kRed, 8)) << std::hex << px.at(24, 56);
}

TEST_F(RendererPixels, EachRendererStartsWithTheTargetsMadeAhead) {
  Pictures(CentreSquare());
  const std::vector<std::function<std::unique_ptr<DS_2D_Light>()>> makers = {
      [] { return std::make_unique<DS_2D_Light>(); },        [] { return std::make_unique<DS_FlameLight>(); },
      [] { return std::make_unique<FakeUndervater>(); },     [] { return std::make_unique<DS_WaterRingLight>(); },
      [] { return std::make_unique<DS_MatrixCodeLight>(); }, [] { return std::make_unique<DS_GlassBallLight>(); },
      [] { return std::make_unique<FakeLake2D>(); }};
  for (size_t i = 0; i < makers.size(); ++i) {
    std::unique_ptr<DS_2D_Light> light = makers[i]();
    while (light->PrepareTargets()) {
    }
    ASSERT_TRUE(light->HasTargets()) << i;
    IDirect3DTexture9* made[3] = {light->targets.textures[0].Get(), light->targets.textures[1].Get(),
                                  light->targets.textures[2].Get()};
    Start(*light);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(light->targets.textures[k].Get(), made[k]) << "renderer " << i;
    Frame(*light);
    // A real reset makes them anew.
    ResetDevice(*light);
    EXPECT_TRUE(light->HasTargets()) << i;
    light->OnLostDevice();
  }
}

TEST_F(RendererPixels, FlatLakeMirrorsTheUpperHalf) {
  // Bands of 16 rows: red, green, blue, white.
  Pictures(Png(64, 64, [](int, int y) { return y < 16 ? kRed : y < 32 ? kGreen : y < 48 ? kBlue : kWhite; }));
  FakeLake2D light;
  light.Horizon.SetValue(0u);
  light.TintOpacity.SetValue(0u);
  Start(light);
  ComPtr<IDirect3DTexture9> flat;
  ASSERT_EQ(dev_->CreateTexture(4, 4, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, flat.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(flat->LockRect(0, &lr, nullptr, 0), D3D_OK);
  for (int y = 0; y < 4; ++y) std::memset(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, 0, 8);
  flat->UnlockRect(0);
  light.normalMap = flat;
  Pixels px = Frame(light);
  const std::pair<UINT, D3DCOLOR> rows[] = {{8, kRed}, {24, kGreen}, {40, kGreen}, {56, kRed}};
  for (auto [y, want] : rows) {
    for (UINT x : {4u, 32u, 60u}) EXPECT_TRUE(Near(px.at(x, y), want, 8)) << x << "," << y << std::hex << px.at(x, y);
  }
  // Row k below the horizon shows row k above it.
  for (UINT k : {4u, 12u, 20u, 28u}) EXPECT_TRUE(Near(px.at(32, 32 + k), px.at(32, 31 - k), 24)) << k;

  ResetDevice(light);
  light.normalMap = flat;
  px = Frame(light);
  EXPECT_TRUE(Near(px.at(32, 56), kRed, 8)) << std::hex << px.at(32, 56);
}

TEST_F(RendererPixels, TintedLakeDarkensTowardsTheBottom) {
  Pictures(Png(64, 64, [](int, int) { return kWhite; }));
  FakeLake2D light;
  light.Horizon.SetValue(0u);
  light.TintOpacity.SetValue(125u);  // 1.0 at the bottom
  light.TintFade.SetValue(100u);     // 0 at the horizon
  light.LakeColor.value = 0x00000000;
  Start(light);
  Pixels px = Frame(light);
  EXPECT_TRUE(Near(px.at(32, 20), kWhite, 8)) << std::hex << px.at(32, 20);
  EXPECT_LT(px.at(32, 62) & 0xFF, 0x20u) << std::hex << px.at(32, 62);
  EXPECT_GT(px.at(32, 36) & 0xFF, 0xC0u) << std::hex << px.at(32, 36);
}

TEST_F(RendererPixels, WaterShowsThePictureAndADropDisplacesIt) {
  // Vertical stripes of 4 pixels around a green centre.
  Pictures(Png(64, 64, [](int x, int y) {
    if (x >= 28 && x < 36 && y >= 28 && y < 36) return kGreen;
    return (x / 4) % 2 ? kRed : kBlue;
  }));
  DS_WaterRingLight light;
  Start(light);
  ASSERT_EQ(light.grid.columns, 128);
  ASSERT_EQ(light.grid.rows, 128);
  std::fill(light.grid.nodes.begin(), light.grid.nodes.end(), WaterNode{});
  Pixels flat = Frame(light);
  EXPECT_TRUE(Near(flat.at(32, 32), kGreen, 8)) << std::hex << flat.at(32, 32);
  EXPECT_TRUE(Near(flat.at(10, 10), kBlue, 20)) << std::hex << flat.at(10, 10);  // stripe 2
  // The specular highlight of light 0 adds a few levels.
  EXPECT_TRUE(Near(flat.at(13, 50), kRed, 20)) << std::hex << flat.at(13, 50);   // stripe 3
  EXPECT_TRUE(Near(flat.at(2, 40), kBlue, 20)) << std::hex << flat.at(2, 40);    // stripe 0

  // A deep drop left of the centre bends the stripes near it only.
  for (int r = 60; r < 68; ++r)
    for (int c = 36; c < 44; ++c) light.grid.nodes[static_cast<size_t>(r) * 128 + c].height = -3.0f;
  Pixels drop = Frame(light, 0.01f);
  int near = 0, far = 0;
  for (UINT y = 0; y < kBack; ++y) {
    for (UINT x = 0; x < kBack; ++x) {
      if (Near(drop.at(x, y), flat.at(x, y), 24)) continue;
      const int dx = static_cast<int>(x) - 20, dy = static_cast<int>(y) - 32;
      (dx * dx + dy * dy < 14 * 14 ? near : far)++;
    }
  }
  EXPECT_GT(near, 10);
  EXPECT_LT(far, near / 4 + 4);

  ResetDevice(light);
  EXPECT_NE(light.grid.vertexBuffer, nullptr) << "default-pool buffers made again";
  EXPECT_NE(light.grid.indexBuffer, nullptr);
  std::fill(light.grid.nodes.begin(), light.grid.nodes.end(), WaterNode{});
  Pixels again = Frame(light, 0.02f);
  EXPECT_TRUE(Near(again.at(32, 32), kGreen, 8)) << std::hex << again.at(32, 32);
}

TEST_F(RendererPixels, WaterOverTheFinishedSlide) {
  Pictures(CentreSquare());
  DS_WaterRingLight light;
  light.OverSlide.value = 1;
  Start(light);
  std::fill(light.grid.nodes.begin(), light.grid.nodes.end(), WaterNode{});
  Pixels px = Frame(light);
  EXPECT_TRUE(Near(px.at(32, 32), kGreen, 8)) << std::hex << px.at(32, 32);
  EXPECT_TRUE(Near(px.at(4, 4), kRed, 8)) << std::hex << px.at(4, 4);
}

// The fuzz seed holding one slide of each renderer plays through the slide
// show: every slide starts, draws and changes to the next.
TEST_F(RendererPixels, SeedProjectPlaysEachRenderer) {
  RegisterSlideReaders();
  RegisterRenderReaders();
  RegisterEffectReaders();
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectFile(u"" TEST_DATA_DIR "/fuzz/project_reader/slide_renderers.qmf"));
  ASSERT_NE(show, nullptr);
  ASSERT_EQ(show->slides.size(), 4u);
  show->SetRenderContext(rc_, nullptr);
  for (auto& slide : show->slides) slide->BuildRuntime();
  int changes = 0;
  DS_SlideContainer* last = nullptr;
  for (int frame = 0; frame < 100; ++frame) {
    show->Update(0.1f * static_cast<float>(frame));
    if (show->currentSlide.get() != last) ++changes;
    last = show->currentSlide.get();
    ASSERT_EQ(dev_->BeginScene(), D3D_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    show->Render(0);
    ASSERT_EQ(dev_->EndScene(), D3D_OK);
  }
  EXPECT_GE(changes, 5) << "all four slides and the first again";
  show.reset();
  DestroyCurrentDocResManager();
}

}  // namespace
