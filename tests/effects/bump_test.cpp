// Heat shimmer and bump lighting: records, the values they send (read back
// from the probe effect), their own clocks, and their stand-ins leaving the
// picture as it is at zero strength or on a flat bump.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "effects/bump_effects.h"
#include "effects_fixtures.h"

using namespace fx_test;

namespace {

using V = std::vector<float>;

MATCHER_P(FloatsAre, expected, "") {
  if (arg.size() != expected.size()) return false;
  for (size_t i = 0; i < arg.size(); ++i)
    if (std::fabs(arg[i] - expected[i]) > 1e-4f * std::max(1.0f, std::fabs(expected[i]))) return false;
  return true;
}

class BumpEffects : public EffectTest {
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
  static IDirect3DBaseTexture9* Bound(DS_FX_Constructor* fx, const char* name) {
    IDirect3DBaseTexture9* t = nullptr;
    fx->Effect()->GetTexture(name, &t);
    if (t) t->Release();
    return t;
  }
  std::unique_ptr<DS_2D_Light> light_;
  std::vector<std::unique_ptr<DS_FX_Constructor>> models_;
};

TEST_F(BumpEffects, HeatRecordsScaleAndClock) {
  for (int32_t version : {2, 3}) {
    pw::HeatRecord r;
    r.version = version;
    r.heatSpeed = 500;  // 0.5
    r.strength = 100;
    r.bumpScale = version == 3 ? 100 : 0;
    r.perspective.center = {4, 6, 0};
    r.perspective.tilt = 20;
    r.perspective.fx = ProbeFX();
    r.fx = ProbeFX();
    pw::ByteBuilder b;
    pw::WriteHeat(b, r);
    auto runtime = Load<DS_HeatDistortion>(b);
    auto* fx = static_cast<DS_HeatDistortion*>(Clone(runtime));
    SCOPED_TRACE(version);
    if (version == 3) {
      EXPECT_FLOAT_EQ(fx->center.value.x, 4.0f);
      EXPECT_EQ(fx->tilt.value, 20u);
    } else {
      EXPECT_FLOAT_EQ(fx->center.value.x, 16.0f) << "no centre stored: the picture's centre";
      EXPECT_FLOAT_EQ(fx->center.value.y, 8.0f);
      EXPECT_EQ(fx->axis.value, 90u);
    }
    fx->ResetTime();
    fx->heatSpeed.last_time = 0.0f;
    runtime->Update(0.1f);
    runtime->Draw(light_.get());  // 32 x 16
    const float b8 = version == 3 ? 0.1f : 1.0f;
    EXPECT_THAT(Floats(fx, "bump_scale", 2), FloatsAre(V{b8, b8 * 0.5f}));
    EXPECT_THAT(Floats(fx, "stenght", 1), FloatsAre(V{0.2f * 0.05f}));
    EXPECT_THAT(Floats(fx, "Offset", 2), FloatsAre(V{0.05f, -0.05f})) << "its own clock";
    EXPECT_NE(Bound(fx, "Bumpmap"), nullptr) << "the pack's picture 62";
  }
}

TEST_F(BumpEffects, BumpLightAndAnimator) {
  const struct {
    uint32_t elevation, azimuth;
    V dir;
    float ambient;
  } lights[] = {{90, 0, {0.0f, 0.0f, 1.0f}, 0.0f}, {0, 0, {-1.0f, 0.0f, 0.0f}, 1.0f}};
  for (const auto& l : lights) {
    pw::BumpRecord r;
    r.lightElevation = l.elevation;
    r.lightAzimuth = l.azimuth;
    r.fx = ProbeFX();
    pw::ByteBuilder b;
    pw::WriteBump(b, r);
    auto runtime = Load<DS_BumpFX>(b);
    DS_FX_Constructor* fx = Clone(runtime);
    runtime->Draw(light_.get());
    const V dir = Floats(fx, "LightDir", 3);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(dir[i], l.dir[i], 1e-6) << l.elevation;
    EXPECT_NEAR(Floats(fx, "AmbientLight", 1)[0], l.ambient, 1e-6);
  }
  const struct {
    int32_t mode;
    V animator;
  } modes[] = {{1, {10.0f, 0.75f}}, {0, {2.5f, 0.0f}}, {2, {10.0f, 0.0f}}};
  for (const auto& m : modes) {
    pw::BumpRecord r;
    r.animationMode = m.mode;
    r.waveKind = 0;
    r.fx = ProbeFX(1);
    pw::ByteBuilder b;
    pw::WriteBump(b, r);
    auto runtime = Load<DS_BumpFX>(b);
    DS_FX_Constructor* fx = Clone(runtime);
    fx->timing.Current()->visibility = 0.25f;
    // A picture bound before stays: this bump image has no textures.
    IDirect3DTexture9* marker = light_->imageQuad.texture.Get();
    fx->Effect()->SetTexture("Bumpmap1", marker);
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "Animator", 2), FloatsAre(m.animator)) << m.mode;
    EXPECT_EQ(Bound(fx, "Bumpmap1"), marker);
    EXPECT_EQ(Technique(fx), "MainFX");
  }
}

TEST_F(BumpEffects, BumpClockAndTextureScale) {
  pw::BumpRecord r;
  r.bumpSpeed = 100;  // 2.0
  r.fx = ProbeFX();
  r.fx.quad = {{{8, 4, 0}, {8, 12, 0}, {24, 4, 0}, {24, 12, 0}}};
  pw::ByteBuilder b;
  pw::WriteBump(b, r);
  auto runtime = Load<DS_BumpFX>(b);
  auto* fx = static_cast<DS_BumpFX*>(Clone(runtime));
  fx->bumpSpeed.last_time = 0.0f;
  runtime->Update(0.1f);
  EXPECT_FLOAT_EQ(fx->bumpSpeed.elapsed, 0.2f);
  runtime->Draw(light_.get());  // 32 x 16
  EXPECT_THAT(Floats(fx, "BumpTexScale", 4), FloatsAre(V{0.25f, 0.25f, 2.0f, 2.0f}));
  EXPECT_TRUE(std::isinf(Floats(fx, "BumpStep", 1)[0])) << "a missing picture: sent as computed";
}

TEST_F(BumpEffects, ZeroStrengthAndFlatBumpsChangeNothing) {
  pw::DocResRecord extra;
  extra.imageFiles.push_back({u"flat.png", 5, {{0, u"", u"flat.png", Png(16, 16, [](int, int) { return 0xFF808080u; })}}});
  MakeDocumentWith(PictureSpec{64, 64, [](int x, int y) -> D3DCOLOR { return D3DCOLOR_ARGB(255, x * 4, y * 4, 70); }},
                   extra);
  light_ = MakeLight();
  RuntimeObjects none;
  const Pixels plain = Frame(*light_, none);
  pw::FXRecord full;
  full.quad = {{{0, 0, 0}, {0, 64, 0}, {64, 0, 0}, {64, 64, 0}}};
  for (int32_t mode : {0, 1}) {
    full.mode = mode;
    pw::HeatRecord heat;
    heat.strength = 0;
    heat.perspective.center = {32, 32, 0};
    heat.perspective.fx = full;
    pw::ByteBuilder h;
    pw::WriteHeat(h, heat);
    pw::BumpRecord bump;
    bump.imageName = u"flat.png";
    bump.imageId = 5;
    bump.waveKind = 0;
    bump.fx = full;
    pw::ByteBuilder bb;
    pw::WriteBump(bb, bump);
    for (auto obj : {Load<DS_HeatDistortion>(h), Load<DS_BumpFX>(bb)}) {
      RuntimeObjects list{obj};
      obj->Update(0.0f);
      Pixels px = Frame(*light_, list);
      int worst = 0;
      for (UINT y = 2; y < 64; y += 3)
        for (UINT x = 0; x < 64; x += 3)
          for (int s : {8, 16})
            worst = std::max(worst, std::abs(static_cast<int>((px.at(x, y) >> s) & 0xFF) -
                                             static_cast<int>((plain.at(x, y) >> s) & 0xFF)));
      EXPECT_LE(worst, 3) << Clone(obj)->ClassName().size() << " in mode " << mode;
    }
  }
}

}  // namespace
