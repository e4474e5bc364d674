// Clouds, caustics and the day-to-night grade: records, the values they
// send (read back from the probe effect) and their stand-ins drawn over a
// known picture, limited by a mask stored in the document.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "effects/procedural_effects.h"
#include "effects_fixtures.h"
#include "player/file_links.h"

using namespace fx_test;

namespace {

using V = std::vector<float>;

MATCHER_P(FloatsAre, expected, "") {
  if (arg.size() != expected.size()) return false;
  for (size_t i = 0; i < arg.size(); ++i)
    if (std::fabs(arg[i] - expected[i]) > 1e-4f * std::max(1.0f, std::fabs(expected[i]))) return false;
  return true;
}

class Procedural : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    light_ = MakeLight();
  }
  template <class T>
  DS_SafePtr<DS_ABObj> Load(const pw::ByteBuilder& b) {
    models_.push_back(Read<T>(b));
    return Runtime(*models_.back());
  }
  std::unique_ptr<DS_2D_Light> light_;
  std::vector<std::unique_ptr<DS_FX_Constructor>> models_;
};

TEST_F(Procedural, CloudProjectionAndPicture) {
  pw::CloudRecord r;
  r.colorK1 = 0x000000FF;
  r.colorK2 = 0x00FF0000;
  r.height = 8;  // 2
  r.shift = 50;
  r.flipShift = 1;
  r.threshold = 50;
  r.density = 100;
  r.direction = {0, 90, ProbeFX()};
  r.direction.fx.quad = {{{0, 0, 0}, {0, 16, 0}, {16, 0, 0}, {16, 16, 0}}};
  pw::ByteBuilder b;
  pw::WriteCloud(b, r);
  auto runtime = Load<DS_CloudFX>(b);
  auto* fx = static_cast<DS_CloudFX*>(Clone(runtime));
  fx->speed.elapsed = 3.0f;
  runtime->Draw(light_.get());  // 32 x 16
  EXPECT_THAT(Floats(fx, "PX_Transform", 1), FloatsAre(V{0.0f}));
  EXPECT_THAT(Floats(fx, "PY_TransformH", 1), FloatsAre(V{3.0f}));
  EXPECT_THAT(Floats(fx, "PY_TransformZ", 1), FloatsAre(V{2.0f}));
  EXPECT_THAT(Floats(fx, "tex_shift", 4), FloatsAre(V{1.0f, -1.0f, -0.5f, 1.0f}));
  EXPECT_THAT(Floats(fx, "Threshold", 1), FloatsAre(V{2.0f}));
  EXPECT_THAT(Floats(fx, "Density", 1), FloatsAre(V{2.0f}));
  EXPECT_THAT(Floats(fx, "ColorK1", 3), FloatsAre(V{1.0f, 0.0f, 0.0f}));
  EXPECT_THAT(Floats(fx, "ColorK2", 3), FloatsAre(V{0.0f, 0.0f, 1.0f}));
  EXPECT_THAT(Floats(fx, "Velocity", 2), FloatsAre(V{0.0f, 3.0f})) << "direction (0, -1) times -time";
  EXPECT_THAT(Floats(fx, "mask_tex_shift", 4), FloatsAre(V{0.5f, 0.0f, 1.0f, 0.0f}));
  EXPECT_THAT(Floats(fx, "Scale", 2), FloatsAre(V{2.0f / 0.4f, 1.0f / 0.4f}));
  IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
  fx->Effect()->GetTexture("Background", &bound);
  EXPECT_EQ(bound, nullptr) << "a missing cloud picture binds nothing";
  if (bound) bound->Release();
}

TEST_F(Procedural, CausticModesAndRecords) {
  pw::CausticRecord r;
  r.blendMode = 2;
  r.blendColor = 0x00336699;
  r.perspective.tilt = 30;
  r.perspective.center = {16, 8, 0};
  r.perspective.fx = ProbeFX();
  pw::ByteBuilder b;
  pw::WriteCaustic(b, r);
  auto runtime = Load<DS_CausticFX>(b);
  auto* fx = static_cast<DS_CausticFX*>(Clone(runtime));
  EXPECT_EQ(runtime->NeedsBackground(), 1) << "background mode 0 steps in base mode 0";
  fx->timing.Current()->visibility = 0.5f;
  fx->speed.elapsed = 1.5f;
  runtime->Draw(light_.get());
  EXPECT_EQ(Technique(fx), "Blend_ColorDodge");
  EXPECT_THAT(Floats(fx, "fBrightness", 1), FloatsAre(V{12.5f}));
  EXPECT_THAT(Floats(fx, "fTime", 1), FloatsAre(V{1.5f}));
  EXPECT_THAT(Floats(fx, "fPower", 1), FloatsAre(V{7.0f}));
  EXPECT_THAT(Floats(fx, "cauScale", 2), FloatsAre(V{2.0f, 2.0f}));
  EXPECT_THAT(Floats(fx, "BlendColor", 4), FloatsAre(V{0x99 / 255.0f, 0x66 / 255.0f, 0x33 / 255.0f, 1.0f}));
  const float a = 30 * 3.14159265f / 180;
  EXPECT_THAT(Floats(fx, "Perspective", 2), FloatsAre(V{std::cos(a), std::sin(a)}));
  fx->blendMode.SetValue(7);
  runtime->Draw(light_.get());
  EXPECT_EQ(Technique(fx), "Blend_ColorDodge") << "blend 7 keeps the technique";
  fx->backgroundMode.SetValue(1);
  EXPECT_TRUE(runtime->IsEraser());
  fx->backgroundMode.SetValue(2);
  EXPECT_EQ(runtime->NeedsBackground(), 0) << "no step is counted that nobody takes";

  r.version = 1;
  r.line.axis = 20;
  r.line.fx = ProbeFX();
  pw::ByteBuilder old;
  pw::WriteCaustic(old, r);
  auto m = Read<DS_CausticFX>(old);
  EXPECT_EQ(m->axis.value, 20u);
  EXPECT_EQ(m->tilt.value, 0u);
  EXPECT_FLOAT_EQ(m->perspectiveScale.derived, 1.0f);
}

TEST_F(Procedural, DayToNightFadeAndRecomputedColour) {
  pw::DayToNightRecord r;
  r.mulColor = 0x00404040;
  r.hue = 0;
  r.saturation = 100;
  r.brightness = 100;
  r.rgba[0] = 0.1f;
  r.rgba[1] = 0.2f;
  r.rgba[2] = 0.3f;
  r.rgba[3] = 0.4f;
  r.desaturate = 50;
  r.fx = ProbeFX();
  pw::ByteBuilder b;
  pw::WriteDayToNight(b, r);
  auto runtime = Load<DS_DayToNight>(b);
  auto* model = static_cast<DS_DayToNight*>(models_.back().get());
  EXPECT_FLOAT_EQ(model->softLightColor.red, 0.1f) << "the model keeps the stored floats";
  DS_FX_Constructor* fx = Clone(runtime);
  fx->timing.Current()->visibility = 0.5f;
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "Fade", 1), FloatsAre(V{0.70710677f}));
  EXPECT_THAT(Floats(fx, "soft_light_color", 4), FloatsAre(V{1.0f, 0.0f, 0.0f, 1.0f}));
  EXPECT_THAT(Floats(fx, "mul_color", 4), FloatsAre(V{0x40 / 255.0f, 0x40 / 255.0f, 0x40 / 255.0f, 1.0f}));
  EXPECT_THAT(Floats(fx, "Disaturate", 1), FloatsAre(V{0.5f}));
}

// ---------------------------------------------------------------------------
// Pixels

constexpr GUID kMaskGuid = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

class ProceduralPixels : public Procedural {
 protected:
  void SetUp() override {
    Procedural::SetUp();
    pw::DocResRecord extra;
    // The mask: opaque on the left half only.
    std::vector<uint8_t> mask = Png(64, 64, [](int x, int) -> D3DCOLOR { return x < 32 ? 0xFFFFFFFF : 0x00FFFFFF; });
    const zvi_string maskKey = GuidToString(kMaskGuid).name;
    extra.rawFrames.push_back({maskKey, 0, {{1, mask, 0.0f}}});
    extra.imageFiles.push_back({u"white.png", 4, {{0, u"", u"white.png", Png(16, 16, [](int, int) { return 0xFFFFFFFFu; })}}});
    MakeDocumentWith(PictureSpec{64, 64, [](int x, int y) -> D3DCOLOR { return D3DCOLOR_ARGB(255, 40 + x * 2, 200 - y * 2, 120); }},
                     extra);
    light_ = MakeLight();
    RuntimeObjects none;
    plain_ = Frame(*light_, none);
  }
  Pixels Draw(const DS_SafePtr<DS_ABObj>& obj, float visibility = 1.0f) {
    Clone(obj)->timing.Current()->visibility = visibility;
    obj->Update(0.0f);
    RuntimeObjects list{obj};
    return Frame(*light_, list);
  }
  // The largest channel difference from the plain picture over a half.
  int Change(const Pixels& px, bool left) const {
    int worst = 0;
    for (UINT y = 2; y < 62; y += 2)
      for (UINT x = left ? 2 : 36; x < (left ? 28u : 62u); x += 2)
        for (int s : {0, 8, 16})
          worst = std::max(worst, std::abs(static_cast<int>((px.at(x, y) >> s) & 0xFF) -
                                           static_cast<int>((plain_.at(x, y) >> s) & 0xFF)));
    return worst;
  }
  static pw::FXRecord Pack(int32_t mode, bool masked) {
    pw::FXRecord fx;
    fx.mode = mode;
    if (masked) fx.maskGuid = kMaskGuid;
    fx.quad = {{{0, 0, 0}, {0, 64, 0}, {64, 0, 0}, {64, 64, 0}}};
    return fx;
  }
  Pixels plain_;
};

TEST_F(ProceduralPixels, DayToNightFollowsItsFade) {
  pw::DayToNightRecord r;
  r.mulColor = 0x00808080;
  r.desaturate = 100;
  r.fx = Pack(0, false);
  pw::ByteBuilder b;
  pw::WriteDayToNight(b, r);
  for (int32_t mode : {0, 1}) {
    r.fx.mode = mode;
    pw::ByteBuilder bytes;
    pw::WriteDayToNight(bytes, r);
    auto runtime = Load<DS_DayToNight>(bytes);
    EXPECT_LE(Change(Draw(runtime, 0.0f), true), 3) << "visibility 0 changes nothing, mode " << mode;
    const Pixels night = Draw(runtime, 1.0f);
    const D3DCOLOR c = night.at(20, 20), p = plain_.at(20, 20);
    const int r8 = (c >> 16) & 0xFF, g8 = (c >> 8) & 0xFF, b8 = c & 0xFF;
    EXPECT_NEAR(r8, g8, 3) << "grey";
    EXPECT_NEAR(g8, b8, 3) << "grey";
    EXPECT_LT(r8 + g8 + b8, static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 2) << "darker";
  }
}

TEST_F(ProceduralPixels, CausticsAndCloudsChangeOnlyWhereTheMaskAllows) {
  pw::CausticRecord caustic;
  caustic.brightness = 400;  // bright
  caustic.perspective.center = {32, 32, 0};
  caustic.perspective.fx = Pack(0, true);
  pw::ByteBuilder cb;
  pw::WriteCaustic(cb, caustic);
  Pixels px = Draw(Load<DS_CausticFX>(cb));
  EXPECT_LE(Change(px, false), 3) << "masked off";
  EXPECT_GT(Change(px, true), 30) << "the net shows";
  caustic.brightness = 0;
  pw::ByteBuilder dark;
  pw::WriteCaustic(dark, caustic);
  EXPECT_LE(Change(Draw(Load<DS_CausticFX>(dark)), true), 3) << "no light, no change";

  pw::CloudRecord cloud;
  cloud.cloudName = u"white.png";
  cloud.cloudId = 4;
  cloud.colorK1 = 0x00FFFFFF;
  cloud.colorK2 = 0x00FFFFFF;
  cloud.density = 100;
  cloud.direction.fx = Pack(0, true);
  pw::ByteBuilder wb;
  pw::WriteCloud(wb, cloud);
  px = Draw(Load<DS_CloudFX>(wb));
  EXPECT_LE(Change(px, false), 3) << "masked off";
  EXPECT_TRUE(Near(px.at(16, 30), 0xFFFFFFFF)) << std::hex << px.at(16, 30);
}

}  // namespace
