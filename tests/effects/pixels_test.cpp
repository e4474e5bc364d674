// The screen effects drawn headlessly with their built-in stand-ins over a
// known 64 x 64 picture shown one to one: the copy's shift and its copy of
// an object that draws only while rendered, a copy naming itself, effects
// that change nothing at zero, the five light blends, the blur, the modes
// over a pattern drawn first, and the private targets across a device reset.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "effects/light_effects.h"
#include "effects/pattern_effects.h"
#include "effects_fixtures.h"
#include "player/current_device.h"
#include "player/render_context.h"

using namespace fx_test;

namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                   kBlack = 0xFF000000, kYellow = 0xFFFFFF00, kCyan = 0xFF00FFFF;

// Four vertical stripes of 16 pixels: red, green, blue, white.
D3DCOLOR Stripes(int x, int) { return x < 16 ? kRed : x < 32 ? kGreen : x < 48 ? kBlue : kWhite; }
// Red, green and blue rising across and down, for effects that must keep it.
D3DCOLOR Gradient(int x, int y) {
  return D3DCOLOR_ARGB(255, x * 4, y * 4, 255 - x * 2);
}

pw::FXRecord PackFX(int32_t mode, int64_t id = 0) {
  pw::FXRecord fx;
  fx.mode = mode;
  fx.effectId = id;
  return fx;
}

// Near with the colour seen in the failure message.
::testing::AssertionResult Shows(const Pixels& px, UINT x, UINT y, D3DCOLOR want, int tol = 4) {
  const D3DCOLOR got = px.at(x, y);
  if (Near(got, want, tol)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", expected "
                                       << want;
}

int Channel(D3DCOLOR c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

class EffectPixels : public EffectTest {
 protected:
  void Use(D3DCOLOR (*colour)(int, int), const pw::DocResRecord& extra = {}) {
    MakeDocumentWith(PictureSpec{64, 64, colour}, extra);
    light_ = MakeLight();
  }
  // The objects in drawing order (the slide draws its list from the back).
  Pixels Draw(std::initializer_list<DS_SafePtr<DS_ABObj>> list) {
    RuntimeObjects objects(std::rbegin(list), std::rend(list));
    for (auto& o : objects) o->Update(0.0f);
    return Frame(*light_, objects);
  }
  template <class T>
  DS_SafePtr<DS_ABObj> Make(const pw::ByteBuilder& b) {
    models_.push_back(Read<T>(b));
    return Runtime(*models_.back());
  }

  std::unique_ptr<DS_2D_Light> light_;
  std::vector<std::unique_ptr<DS_FX_Constructor>> models_;
};

TEST_F(EffectPixels, StandInsCarryTheNamesTheirClassesUse) {
  struct Case {
    uint32_t id;
    std::vector<const char*> techniques, parameters;
  };
  const std::vector<const char*> main = {"Main", "MainFX"};
  const Case cases[] = {
      {75, main, {"offset", "mask_position", "Scale", "Mask", "Background"}},
      {76, main, {"multiplier", "mask_position", "Scale", "Mask", "Background"}},
      {78, main, {"mix_color", "Pattern", "scale", "offset", "coord_transf", "mask_position", "Scale", "Mask",
                  "Background"}},
      {190, {"Blend_Normal", "Blend_Screen", "Blend_ColorDodge", "Linear_Dodge", "Blend_Sum"},
       {"BlendColor", "Mask", "Background"}},
      {9001, main, {"mask_mod", "mask_position", "Scale", "Mask", "Background"}},
      {9002, {"Blend_Normal"}, {"WaveDir", "WavePos", "BgSize", "WaveFreq", "BlendColor", "Mask", "Background"}},
      {9003, main, {"color_shift", "val_shift", "sat_shift", "mask_position", "Scale", "Mask", "Background"}},
      {9004, main, {"BgSize", "WaveDir", "WavePos", "WaveFreq", "SatMax", "SatMin", "mask_position", "Mask",
                    "Background"}},
      {9005, {"BlurPassBG", "BlurPass", "FinalPass"}, {"Radius", "Mask", "Background", "WorldViewProj", "PixelSize"}},
      {102, main, {"Scale", "Mask", "Background", "mask_position", "Center", "amplitude"}},
      {103, main, {"Scale", "Mask", "Background", "mask_position", "bg_scale_factor", "center", "frequency",
                   "amplitude", "time"}},
      {9006, main, {"Scale", "Mask", "Background", "mask_position", "coord_transf", "offset", "mix_color"}},
      {9007, main, {"Scale", "Mask", "Background", "mask_position", "Center", "Angle", "Bend"}},
      {9008, main, {"Scale", "Mask", "Background", "mask_position", "Center", "Amplitude", "Shift"}},
      {9009, main, {"Scale", "Mask", "Background", "mask_position", "Center", "r_matrix2", "r_matrix3",
                    "ElipsDeform", "Amplitude", "Shift"}},
      {9013, main, {"Scale", "Mask", "Background", "mask_position", "Center", "Ln", "Lt", "t", "n", "amplitude",
                    "p_amplitude"}},
      {9014, main, {"Scale", "Mask", "Background", "mask_position", "Center", "Ln", "Lt", "t", "n", "amplitude"}},
      {9015, main, {"Scale", "Mask", "Background", "mask_position", "r_matrix2", "r_matrix5", "PerspectivePrm"}},
      {9016, main, {"Scale", "Mask", "Background", "mask_position", "r_matrix2", "r_matrix5", "PerspectivePrm",
                    "Direction", "Shift"}},
      {9010, main, {"Scale", "Mask", "Background", "mask_position", "Threshold", "Density", "ColorK1", "ColorK2",
                    "Velocity", "mask_tex_shift", "PX_Transform", "PY_TransformH", "PY_TransformZ", "tex_shift"}},
      {9011, {"Blend_Normal", "Blend_Screen", "Blend_ColorDodge", "Linear_Dodge", "Blend_Sum"},
       {"Perspective", "r_matrix2", "r_matrix5", "WorldViewProj", "cauScale", "fTime", "fBrightness", "fPower",
        "BlendColor", "Mask", "Background"}},
      {9012, main, {"Scale", "Mask", "Background", "mask_position", "mul_color", "soft_light_color", "Fade",
                    "Disaturate"}},
      {9017, main, {"Scale", "Mask", "Background", "mask_position", "Center", "Ln", "Lt", "t", "n", "Perspective",
                    "r_matrix2", "r_matrix5", "WorldViewProj", "stenght", "Offset", "bump_scale", "Bumpmap"}},
      {9018, main, {"Background", "BumpStep", "BumpTexScale", "LightDir", "AmbientLight", "Animator", "Bumpmap1"}},
  };
  for (const Case& c : cases) {
    ID3DXEffect* fx = nullptr;
    ASSERT_EQ(CreateBuiltInEffect(dev_, c.id, &fx), D3D_OK) << c.id;
    for (const char* t : c.techniques) EXPECT_NE(fx->GetTechniqueByName(t), nullptr) << c.id << " " << t;
    for (const char* p : c.parameters) EXPECT_NE(fx->GetParameterByName(nullptr, p), nullptr) << c.id << " " << p;
    D3DXEFFECT_DESC desc{};
    fx->GetDesc(&desc);
    EXPECT_EQ(desc.Techniques, c.techniques.size()) << c.id;
    EXPECT_EQ(desc.Parameters, c.parameters.size()) << c.id;
    fx->Release();
  }
}

TEST_F(EffectPixels, CopyShiftsThePictureByItsOffset) {
  Use(Stripes);
  for (int32_t mode : {0, 1}) {
    SCOPED_TRACE(mode);
    pw::BackgroundCopyRecord r;
    r.offsetX = 16;
    r.fx = PackFX(mode);
    pw::ByteBuilder b;
    pw::WriteBackgroundCopy(b, r);
    Pixels px = Draw({Make<DS_BackgroundCopy>(b)});
    const D3DCOLOR want[] = {kRed, kRed, kGreen, kBlue};
    for (int i = 0; i < 4; ++i)
      for (UINT y : {4u, 60u}) EXPECT_TRUE(Shows(px, 8 + 16 * i, y, want[i])) << i << " " << std::hex << px.at(8 + 16 * i, y);
  }
}

// Draws a yellow square over the picture's left half, only while rendered.
class RenderOnlyModel : public DS_ABObj_Constructor {
 public:
  DS_ABObj* CreateRuntime() override;
};

class RenderOnly : public DS_ABObj {
 public:
  explicit RenderOnly(const GUID& g) : DS_ABObj(MakeModel(g)) {}
  static RenderOnlyModel* MakeModel(const GUID& g) {
    auto* m = new RenderOnlyModel();
    m->guid = g;
    return m;
  }
  void Update(float) override {}
  void Render(DS_ABRender*, int*) override {
    IDirect3DDevice9* d = CurrentDevice();
    RenderContext* rc = CurrentRenderContext();
    if (!quad.vertexBuffer) quad.Create(QuadRect{0, 0, 32, 64}, kYellow);
    d->SetTransform(D3DTS_VIEW, &rc->view);
    d->SetTransform(D3DTS_PROJECTION, &rc->projection);
    rc->SetWorldTransform(quad.world);
    d->SetTexture(0, nullptr);
    DrawColorQuad(&quad);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }
  ColorQuad quad;
};

DS_ABObj* RenderOnlyModel::CreateRuntime() { return new RenderOnly(guid); }

GUID TestGuid(uint32_t n) {
  GUID g = GUID_NULL;
  g.Data1 = n;
  g.Data4[0] = 0x42;
  return g;
}

TEST_F(EffectPixels, CopyOfAnObjectThatDrawsOnlyWhenRendered) {
  Use(Stripes);
  DS_SafePtr<DS_ABObj> source(new RenderOnly(TestGuid(1)));
  pw::BackgroundCopyRecord r;
  r.offsetX = 32;
  r.source = TestGuid(1);
  r.fx = PackFX(0);
  pw::ByteBuilder b;
  pw::WriteBackgroundCopy(b, r);
  Pixels px = Draw({source, Make<DS_BackgroundCopy>(b)});
  EXPECT_TRUE(Shows(px, 8, 20, kYellow)) << "the object itself";
  EXPECT_TRUE(Shows(px, 40, 20, kYellow)) << "its copy, 32 pixels on";
  EXPECT_TRUE(Shows(px, 56, 20, kYellow));

  // A source that names no object: the cleared target is copied.
  r.source = TestGuid(99);
  pw::ByteBuilder none;
  pw::WriteBackgroundCopy(none, r);
  px = Draw({Make<DS_BackgroundCopy>(none)});
  EXPECT_TRUE(Shows(px, 8, 20, kRed));
  EXPECT_TRUE(Shows(px, 40, 20, kBlack));
}

TEST_F(EffectPixels, CopiesNamingThemselvesOrEachOtherFinishTheirFrame) {
  Use(Stripes);
  auto copyOf = [&](uint32_t self, uint32_t source, int32_t mode) {
    pw::BackgroundCopyRecord r;
    r.offsetX = 32;
    r.source = TestGuid(source);
    r.fx = PackFX(mode);
    r.fx.base.guid = TestGuid(self);
    pw::ByteBuilder b;
    pw::WriteBackgroundCopy(b, r);
    return Make<DS_BackgroundCopy>(b);
  };
  // Its own source is skipped: the cleared target is copied; in mode 1 the
  // copy writes that target's picture everywhere.
  for (int32_t mode : {0, 1}) {
    Pixels px = Draw({copyOf(5, 5, mode)});
    EXPECT_TRUE(Shows(px, 8, 20, mode == 0 ? kRed : kBlack)) << mode;
    EXPECT_TRUE(Shows(px, 40, 20, kBlack)) << mode;
  }
  auto a = copyOf(6, 7, 0);
  auto b = copyOf(7, 6, 1);
  Pixels px = Draw({a, b});
  EXPECT_EQ(px.width, kBack);
}

// Effects set to change nothing leave the picture as it is, in both modes.
TEST_F(EffectPixels, ZeroShiftAndZeroLightChangeNothing) {
  Use(Gradient);
  RuntimeObjects none;
  const Pixels plain = Frame(*light_, none);
  for (int32_t mode : {0, 1}) {
    pw::ByteBuilder shift;
    pw::WriteColorShift(shift, {0, 50, 0, 100, 100, PackFX(mode)});
    pw::ByteBuilder light;
    pw::WriteLightFX(light, {0, 0, PackFX(mode, 76)});
    pw::LightIIRecord two;
    two.intensity = 0;
    two.color = 0x00FFFFFF;
    two.fx = PackFX(mode);
    pw::ByteBuilder blend;
    pw::WriteLightII(blend, two);
    for (auto obj : {Make<DS_ColorShiftFX>(shift), Make<DS_LightFX>(light), Make<DS_LightFX_II>(blend)}) {
      Pixels px = Draw({obj});
      int worst = 0;
      for (UINT y = 0; y < 64; y += 3)
        for (UINT x = 0; x < 64; x += 3)
          for (int s : {0, 8, 16}) worst = std::max(worst, std::abs(Channel(px.at(x, y), s) - Channel(plain.at(x, y), s)));
      EXPECT_LE(worst, 3) << "mode " << mode << " " << typeid(*Clone(obj)).name();
    }
  }
}

TEST_F(EffectPixels, EachLightBlendGivesItsFormulaOnAFlatPicture) {
  Use([](int, int) -> D3DCOLOR { return 0xFF806040; });
  const float b[3] = {0x80 / 255.0f, 0x60 / 255.0f, 0x40 / 255.0f};
  const float c[3] = {0.2f, 0.6f, 0.8f};
  const float a = 0.5f;
  auto expect = [&](int mode, int i) {
    float x = b[i], y = c[i], blended;
    switch (mode) {
      case 0: blended = y; break;
      case 1: blended = 1 - (1 - x) * (1 - y); break;
      case 2: blended = std::min(x / (1 - y), 1.0f); break;
      case 3: blended = std::min(x + y, 1.0f); break;
      default: return std::min(x + y * a, 1.0f) * 255.0f;
    }
    return (x + (blended - x) * a) * 255.0f;
  };
  for (int mode = 0; mode < 5; ++mode) {
    pw::LightIIRecord r;
    r.intensity = 50;
    r.blendMode = mode;
    r.color = RGB(51, 153, 204);
    r.fx = PackFX(0);
    pw::ByteBuilder bytes;
    pw::WriteLightII(bytes, r);
    Pixels px = Draw({Make<DS_LightFX_II>(bytes)});
    const D3DCOLOR got = px.at(30, 30);
    EXPECT_NEAR(Channel(got, 16), expect(mode, 0), 3.0) << mode;
    EXPECT_NEAR(Channel(got, 8), expect(mode, 1), 3.0) << mode;
    EXPECT_NEAR(Channel(got, 0), expect(mode, 2), 3.0) << mode;
  }
}

TEST_F(EffectPixels, BlurKeepsFlatFlatAndSpreadsAnEdgeSymmetrically) {
  // The picture is drawn with pixel centres on integers: its edge falls on
  // the middle of column 32, which shows the mean of both sides.
  Use([](int x, int) -> D3DCOLOR { return x < 32 ? kBlack : kWhite; });
  for (int32_t mode : {0, 1}) {
    SCOPED_TRACE(mode);
    pw::ByteBuilder bytes;
    pw::WriteBlur(bytes, {16, 0, PackFX(mode)});  // wave 0: radius 8
    Pixels px = Draw({Make<DS_BlureFX>(bytes)});
    for (UINT x : {4u, 16u, 48u, 60u}) EXPECT_TRUE(Shows(px, x, 30, x < 32 ? kBlack : kWhite));
    EXPECT_NEAR(Channel(px.at(32, 30), 8), 128, 10);
    for (int k = 1; k < 7; ++k) {
      const int left = Channel(px.at(32 - k, 30), 8), right = Channel(px.at(32 + k, 30), 8);
      EXPECT_NEAR(left + right, 255, 12) << k;
      EXPECT_GT(left, 2) << k << ": the edge spreads";
    }
    EXPECT_NEAR(Channel(px.at(30, 30), 8), Channel(px.at(30, 10), 8), 2) << "only across";
  }

  Use([](int, int) -> D3DCOLOR { return 0xFF336699; });
  for (int32_t mode : {0, 1}) {
    pw::ByteBuilder flat;
    pw::WriteBlur(flat, {16, 0, PackFX(mode)});
    Pixels even = Draw({Make<DS_BlureFX>(flat)});
    for (UINT x : {0u, 20u, 40u, 63u})
      for (UINT y : {10u, 31u, 54u}) EXPECT_TRUE(Shows(even, x, y, 0xFF336699)) << mode;
  }
}

// A red pattern covers the blue picture first; then a half-turn colour shift
// in mode 0 reads the picture, in mode 1 the pattern; the erase layer (mode
// 2) takes the pattern away, or keeps it when inverted.
TEST_F(EffectPixels, ModesOverAPatternDrawnFirst) {
  pw::DocResRecord red;
  red.imageFiles.push_back({u"red.png", 3, {{0, u"", u"red.png", Png(8, 8, [](int, int) { return kRed; })}}});
  Use([](int, int) -> D3DCOLOR { return kBlue; }, red);
  pw::PatternBrushRecord pattern;
  pattern.imageName = u"red.png";
  pattern.imageId = 3;
  pattern.fx = PackFX(0, 78);
  pw::ByteBuilder patternBytes;
  pw::WritePatternBrush(patternBytes, pattern);

  auto shiftIn = [&](int32_t mode) {
    pw::ByteBuilder b;
    pw::WriteColorShift(b, {0, 50, 50, 100, 100, PackFX(mode)});
    return Make<DS_ColorShiftFX>(b);
  };
  auto erase = [&](int32_t invert) {
    pw::ByteBuilder b;
    pw::WriteEraseLayer(b, invert, PackFX(2));
    return Make<DS_EraseLayerFX>(b);
  };
  EXPECT_TRUE(Shows(Draw({Make<DS_PatternBrush>(patternBytes)}), 20, 20, kRed)) << "the pattern alone";
  EXPECT_TRUE(Shows(Draw({Make<DS_PatternBrush>(patternBytes), shiftIn(0)}), 20, 20, kYellow));
  EXPECT_TRUE(Shows(Draw({Make<DS_PatternBrush>(patternBytes), shiftIn(1)}), 20, 20, kCyan));
  EXPECT_TRUE(Shows(Draw({Make<DS_PatternBrush>(patternBytes), erase(0)}), 20, 20, kBlue));
  EXPECT_TRUE(Shows(Draw({Make<DS_PatternBrush>(patternBytes), erase(1)}), 20, 20, kRed));
}

// A 16 x 8 tile, red on its left half and green on its right, shown one to
// one: turned by a quarter the halves become bands 8 pixels high, as wide as
// they were, in both modes.
TEST_F(EffectPixels, PatternTurnsInPixelsNotInTiles) {
  pw::DocResRecord tile;
  tile.imageFiles.push_back(
      {u"tile.png", 5, {{0, u"", u"tile.png", Png(16, 8, [](int x, int) { return x < 8 ? kRed : kGreen; })}}});
  Use([](int, int) -> D3DCOLOR { return kBlue; }, tile);
  struct Case {
    uint32_t angle;
    int stepX, stepY;  // one half further on
  };
  const Case cases[] = {{0, 8, 0}, {90, 0, 8}, {180, 8, 0}, {270, 0, 8}};
  for (const Case& c : cases) {
    for (int32_t mode : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "angle " << c.angle << " mode " << mode);
      pw::PatternBrushRecord r;
      r.imageName = u"tile.png";
      r.imageId = 5;
      r.angle = c.angle;
      r.fx = PackFX(mode, 78);
      pw::ByteBuilder b;
      pw::WritePatternBrush(b, r);
      const Pixels px = Draw({Make<DS_PatternBrush>(b)});
      const bool redFirst = Near(px.at(4, 4), kRed, 4);
      ASSERT_TRUE(redFirst || Shows(px, 4, 4, kGreen));
      for (int k = 0; k < 6; ++k) {
        // Centres of the halves along the step; across it the colour holds.
        const UINT x = static_cast<UINT>(4 + k * c.stepX + (c.stepX == 0 ? 16 : 0));
        const UINT y = static_cast<UINT>(4 + k * c.stepY + (c.stepY == 0 ? 16 : 0));
        const D3DCOLOR want = redFirst == (k % 2 == 0) ? kRed : kGreen;
        EXPECT_TRUE(Shows(px, x, y, want)) << k;
        EXPECT_TRUE(Shows(px, x + c.stepY, y + c.stepX, want)) << k << " across";
      }
    }
  }
}

TEST_F(EffectPixels, DeviceResetBringsThePrivateTargetsBack) {
  Use(Stripes);
  pw::BackgroundCopyRecord r;
  r.offsetX = 16;
  r.source = TestGuid(11);
  r.fx = PackFX(0);
  pw::ByteBuilder b;
  pw::WriteBackgroundCopy(b, r);
  DS_SafePtr<DS_ABObj> source(new RenderOnly(TestGuid(11)));
  auto copy = Make<DS_BackgroundCopy>(b);
  pw::ByteBuilder blurBytes;
  pw::WriteBlur(blurBytes, {4, 0, PackFX(0)});
  auto blur = Make<DS_BlureFX>(blurBytes);
  auto* copyFx = static_cast<DS_BackgroundCopy*>(Clone(copy));
  auto* blurFx = static_cast<DS_BlureFX*>(Clone(blur));
  ASSERT_NE(copyFx->targets->active, nullptr);
  doc_->OnLostDevice();
  EXPECT_EQ(copyFx->targets->active, nullptr);
  EXPECT_EQ(blurFx->targets->active, nullptr);
  EXPECT_TRUE(Shows(Draw({copy}), 24, 20, kGreen)) << "without targets the copy draws nothing";
  doc_->OnResetDevice();
  EXPECT_NE(copyFx->targets->active, nullptr);
  EXPECT_NE(blurFx->targets->active, nullptr);
  EXPECT_EQ(copyFx->targets->width, 3 * kBack);
  EXPECT_TRUE(Shows(Draw({source, copy}), 40, 20, kYellow));
}

}  // namespace
