// The distortion bases and the centre-based distortions: their records by
// version, the values they send read back from the probe effect, and their
// stand-ins drawn over a gradient picture shown one to one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "effects/centre_distortions.h"
#include "effects_fixtures.h"
#include "player/render_context.h"

using namespace fx_test;

namespace {

using V = std::vector<float>;
constexpr float kPi = 3.14159265f;

MATCHER_P(FloatsAre, expected, "") {
  if (arg.size() != expected.size()) return false;
  for (size_t i = 0; i < arg.size(); ++i)
    if (std::fabs(arg[i] - expected[i]) > 1e-4f * std::max(1.0f, std::fabs(expected[i]))) return false;
  return true;
}

// Concrete forms of the abstract bases, for what only the bases do.
class TestDirection : public DS_DirectionBased {
 public:
  std::u16string_view ClassName() const override { return u"TestDirection"; }
  void DrawEffect(DS_ABRender*) override {}
  DS_FX_Constructor* Clone() const override { return new TestDirection(*this); }
};
class TestLine : public DS_LineBased {
 public:
  std::u16string_view ClassName() const override { return u"TestLine"; }
  void DrawEffect(DS_ABRender* context) override { UploadLines(context); }
  DS_FX_Constructor* Clone() const override { return new TestLine(*this); }
};
class TestPerspective : public DS_PerspectiveBased {
 public:
  std::u16string_view ClassName() const override { return u"TestPerspective"; }
  void DrawEffect(DS_ABRender* context) override { UploadPerspective(context); }
  DS_FX_Constructor* Clone() const override { return new TestPerspective(*this); }
};

pw::CentralRecord ProbeCentral(float x = 32.0f, float y = 32.0f, int32_t mode = 0) {
  pw::CentralRecord c;
  c.center = {x, y, 0.0f};
  c.fx = ProbeFX(mode);
  return c;
}

class Distortions : public EffectTest {
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
  static void At(DS_FX_Constructor* fx, float t) {
    fx->ResetTime();
    fx->speed.elapsed = t;
    fx->AdvanceTime(0.0f);
  }

  std::unique_ptr<DS_2D_Light> light_;
  std::vector<std::unique_ptr<DS_FX_Constructor>> models_;
};

TEST_F(Distortions, BaseDirectionsAndLines) {
  TestDirection direction;
  direction.angle.SetValue(90u);
  EXPECT_NEAR(direction.direction.x, 0.0f, 1e-6);
  EXPECT_NEAR(direction.direction.y, -1.0f, 1e-6);
  TestDirection copy(direction);
  EXPECT_NEAR(copy.direction.y, -1.0f, 1e-6);

  TestPerspective perspective;
  EXPECT_EQ(perspective.axis.value, 90u) << "a fresh perspective base";
  EXPECT_NEAR(perspective.axis.direction.y, 1.0f, 1e-6);

  TestLine line;
  line.effectFile = DS_HLSLEffectFile(kProbeName, kProbeId);
  rc_->visibleSize = D3DXVECTOR2(80.0f, 40.0f);
  line.center.value = D3DXVECTOR3(40.0f, 20.0f, 0.0f);
  line.LoadEffect(nullptr);
  line.DrawEffect(light_.get());
  EXPECT_THAT(Floats(&line, "Ln", 3), FloatsAre(V{0.0f, 1.0f, -0.5f}));
  EXPECT_THAT(Floats(&line, "Lt", 3), FloatsAre(V{1.0f, 0.0f, -0.5f}));
  EXPECT_THAT(Floats(&line, "Center", 2), FloatsAre(V{0.5f, 0.5f}));
  line.axis.SetValue(30u);
  line.UpdateLines();
  line.DrawEffect(light_.get());
  for (const char* name : {"t", "n"}) {
    const V v = Floats(&line, name, 2);
    EXPECT_NEAR(std::hypot(v[0], v[1]), 1.0f, 1e-5) << name;
  }
}

TEST_F(Distortions, RecordsByVersion) {
  pw::ByteBuilder e1;
  pw::WriteExpand(e1, {1, 60, 40, 0, ProbeCentral(10, 20)});
  auto expand = Read<DS_ExpandFX>(e1);
  EXPECT_EQ(expand->waveKind.value, 2) << "old kinds start at the triangle";
  EXPECT_FLOAT_EQ(expand->upperAmplitude.derived, 0.3f);
  EXPECT_FLOAT_EQ(expand->lowerAmplitude.derived, 0.2f);
  EXPECT_FLOAT_EQ(expand->center.value.y, 20.0f);

  pw::ByteBuilder b1;
  pw::WriteBend(b1, {1, 10, 20, 30, 0, ProbeCentral()});
  auto bend = Read<DS_BendFX>(b1);
  EXPECT_EQ(bend->waveKind.value, 3);
  EXPECT_FLOAT_EQ(bend->bend.derived, 0.6f);

  pw::RadialWaveRecord radial;
  radial.version = 1;
  radial.amplitude = 99;
  radial.central = ProbeCentral(5, 6);
  pw::ByteBuilder r1;
  pw::WriteRadialWave(r1, radial);
  auto old = Read<DS_RadialWaveFX>(r1);
  EXPECT_FLOAT_EQ(old->amplitude.derived, 0.0125f) << "version 1 has no own fields";
  EXPECT_FLOAT_EQ(old->center.value.x, 5.0f);
  radial.version = 3;
  radial.waveDirection = 1;
  pw::ByteBuilder r3;
  pw::WriteRadialWave(r3, radial);
  auto current = Read<DS_RadialWaveFX>(r3);
  EXPECT_FLOAT_EQ(current->amplitude.derived, 99 * 0.00025f);
  EXPECT_EQ(current->waveDirection.value, 1);

  pw::RotationRecord rotation;
  rotation.version = 1;
  rotation.ellipseAngle = 30;
  rotation.reverse = 1;
  rotation.rotationMode = 1;
  rotation.central = ProbeCentral();
  pw::ByteBuilder o1;
  pw::WriteRotation(o1, rotation);
  auto rot = Read<DS_RotationFX>(o1);
  EXPECT_EQ(rot->rotationMode.value, 0);
  EXPECT_EQ(rot->ellipseAngle.value, 30u);
  EXPECT_FLOAT_EQ(rot->speed.derived, 50 * 0.005f);

  pw::ByteBuilder k1;
  pw::WriteKestraneRadial(k1, {1, 40, 7, ProbeCentral()});
  EXPECT_EQ(Read<DS_KestraneRadial>(k1)->variant.value, 0);
  pw::ByteBuilder v;
  pw::WriteKestraneVortical(v, {500, 45, 1, 20, ProbeCentral()});
  auto vortical = Read<DS_KestraneVortical>(v);
  EXPECT_FLOAT_EQ(vortical->ellipseDeform.derived, 0.5f);
  EXPECT_FLOAT_EQ(vortical->amplitude.derived, 0.1f);
  EXPECT_FALSE(vortical->IsDisplacement());

  EXPECT_EQ(DS_RotationFX().timing.value, 2) << "the rotation presets a manual timeline";
  EXPECT_EQ(DS_ExpandFX().effectFile.id, 102);
  EXPECT_EQ(DS_RadialWaveFX().effectFile.id, 103);
  EXPECT_FLOAT_EQ(DS_RadialWaveFX().speed.derived, 50.0f);
}

TEST_F(Distortions, ExpandAndBendAmplitudes) {
  const struct {
    int32_t kind;
    uint32_t upper, lower;
    V sent;
  } cases[] = {{0, 50, 0, {0.25f, 0.0f}}, {1, 0, 40, {0.0f, 0.2f}}, {-3, 0, 40, {0.0f, 0.2f}}};
  for (const auto& c : cases) {
    for (float v : {1.0f, 0.5f}) {
      pw::ByteBuilder b;
      pw::WriteExpand(b, {2, c.upper, c.lower, c.kind, ProbeCentral()});
      auto runtime = Load<DS_ExpandFX>(b);
      DS_FX_Constructor* fx = Clone(runtime);
      fx->timing.Current()->visibility = v;
      runtime->Update(0.0f);
      runtime->Draw(light_.get());
      EXPECT_THAT(Floats(fx, "amplitude", 2), FloatsAre(V{c.sent[0] * v, c.sent[1] * v})) << c.kind;
    }
  }
  // Bend: kind 0 by -upper, kind 1 by +upper.
  for (int32_t kind : {0, 1}) {
    pw::ByteBuilder b;
    pw::WriteBend(b, {2, 100, 0, 10, kind, ProbeCentral()});
    auto runtime = Load<DS_BendFX>(b);
    DS_FX_Constructor* fx = Clone(runtime);
    runtime->Update(0.0f);
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "Angle", 1), FloatsAre(V{kind == 0 ? -0.2f : 0.2f}));
    EXPECT_THAT(Floats(fx, "Bend", 1), FloatsAre(V{0.2f}));
  }
}

TEST_F(Distortions, RadialWaveDefaults) {
  pw::RadialWaveRecord r;
  r.central = ProbeCentral(16, 8);
  pw::ByteBuilder b;
  pw::WriteRadialWave(b, r);
  auto runtime = Load<DS_RadialWaveFX>(b);
  DS_FX_Constructor* fx = Clone(runtime);
  At(fx, 2.0f);
  runtime->Draw(light_.get());  // 32 x 16 picture
  EXPECT_THAT(Floats(fx, "bg_scale_factor", 2), FloatsAre(V{1.0f, 0.5f}));
  EXPECT_THAT(Floats(fx, "frequency", 1), FloatsAre(V{1.0f / 0.006f}));
  EXPECT_THAT(Floats(fx, "time", 1), FloatsAre(V{2.0f * -0.08f}));
  EXPECT_THAT(Floats(fx, "center", 2), FloatsAre(V{0.5f, 0.5f}));
  EXPECT_THAT(Floats(fx, "amplitude", 1), FloatsAre(V{0.0125f}));
}

TEST_F(Distortions, RotationFollowsTheVisibilityInModeOne) {
  for (int32_t reverse : {0, 1}) {
    pw::RotationRecord r;
    r.rotationMode = 1;
    r.rotation = 90;
    r.reverse = reverse;
    r.central = ProbeCentral(16, 8);
    pw::ByteBuilder b;
    pw::WriteRotation(b, r);
    auto runtime = Load<DS_RotationFX>(b);
    auto* fx = static_cast<DS_RotationFX*>(Clone(runtime));
    fx->timing.Current()->visibility = 0.5f;
    runtime->Update(0.0f);
    const float a = (reverse ? -1.0f : 1.0f) * kPi / 4.0f;
    EXPECT_NEAR(fx->currentRotation, a, 1e-6);
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "coord_transf", 4), FloatsAre(V{std::cos(a), std::sin(a), -std::sin(a), std::cos(a)}));
    EXPECT_THAT(Floats(fx, "mix_color", 4), FloatsAre(V{1, 1, 1, 1}));
  }
}

TEST_F(Distortions, KestraneShiftWrapsAndVorticalSign) {
  pw::ByteBuilder b;
  pw::WriteKestraneRadial(b, {2, 40, 1, ProbeCentral()});
  auto runtime = Load<DS_KestraneRadial>(b);
  DS_FX_Constructor* fx = Clone(runtime);
  At(fx, 2.0f * kPi - 0.01f);
  runtime->Draw(light_.get());
  EXPECT_GT(Floats(fx, "Shift", 1)[0], 0.99f);
  EXPECT_THAT(Floats(fx, "Amplitude", 2), FloatsAre(V{0.2f, 0.0f}));
  At(fx, 2.0f * kPi + 0.01f);
  runtime->Draw(light_.get());
  EXPECT_LT(Floats(fx, "Shift", 1)[0], 0.01f);

  for (int32_t reverse : {0, 1, 2}) {
    pw::ByteBuilder v;
    pw::WriteKestraneVortical(v, {100, 90, reverse, 20, ProbeCentral()});
    auto vortex = Load<DS_KestraneVortical>(v);
    DS_FX_Constructor* vfx = Clone(vortex);
    vortex->Draw(light_.get());
    EXPECT_THAT(Floats(vfx, "Amplitude", 1), FloatsAre(V{reverse == 1 ? -0.1f : 0.1f})) << reverse;
    EXPECT_NEAR(Matrix(vfx, "r_matrix2")._12, 1.0f, 1e-6);
    EXPECT_NEAR(Matrix(vfx, "r_matrix3")._12, -1.0f, 1e-6);
  }
}

// ---------------------------------------------------------------------------
// Pixels

D3DCOLOR Gradient(int x, int y) { return D3DCOLOR_ARGB(255, x * 4, y * 4, 128); }

class DistortionPixels : public Distortions {
 protected:
  void SetUp() override {
    Distortions::SetUp();
    MakeDocumentWith(PictureSpec{64, 64, Gradient});
    light_ = MakeLight();
  }
  Pixels Draw(const DS_SafePtr<DS_ABObj>& obj) {
    RuntimeObjects objects{obj};
    obj->Update(0.0f);
    return Frame(*light_, objects);
  }
  static pw::CentralRecord Pack(int32_t mode) {
    pw::CentralRecord c;
    c.center = {32.0f, 32.0f, 0.0f};
    c.fx.mode = mode;
    c.fx.quad = {{{0, 0, 0}, {0, 64, 0}, {64, 0, 0}, {64, 64, 0}}};
    return c;
  }
  static int Red(D3DCOLOR c) { return static_cast<int>((c >> 16) & 0xFF); }
  static int Green(D3DCOLOR c) { return static_cast<int>((c >> 8) & 0xFF); }
};

TEST_F(DistortionPixels, ZeroStrengthGivesThePictureBack) {
  RuntimeObjects none;
  const Pixels plain = Frame(*light_, none);
  for (int32_t mode : {0, 1}) {
    std::vector<std::pair<const char*, DS_SafePtr<DS_ABObj>>> objects;
    pw::ByteBuilder e, r, o, bd, kr, kv;
    pw::WriteExpand(e, {2, 0, 0, 0, Pack(mode)});
    objects.emplace_back("expand", Load<DS_ExpandFX>(e));
    pw::RadialWaveRecord radial;
    radial.amplitude = 0;
    radial.central = Pack(mode);
    pw::WriteRadialWave(r, radial);
    objects.emplace_back("radial", Load<DS_RadialWaveFX>(r));
    pw::RotationRecord rotation;
    rotation.rotationMode = 1;
    rotation.central = Pack(mode);
    pw::WriteRotation(o, rotation);
    objects.emplace_back("rotation", Load<DS_RotationFX>(o));
    pw::WriteBend(bd, {2, 0, 0, 10, 0, Pack(mode)});
    objects.emplace_back("bend", Load<DS_BendFX>(bd));
    pw::WriteKestraneRadial(kr, {2, 0, 0, Pack(mode)});
    objects.emplace_back("kestrane radial", Load<DS_KestraneRadial>(kr));
    pw::WriteKestraneVortical(kv, {100, 30, 0, 0, Pack(mode)});
    objects.emplace_back("kestrane vortical", Load<DS_KestraneVortical>(kv));
    for (auto& [name, obj] : objects) {
      Pixels px = Draw(obj);
      int worst = 0;
      for (UINT y = 2; y < 64; y += 3)
        for (UINT x = 0; x < 64; x += 3)
          worst = std::max({worst, std::abs(Red(px.at(x, y)) - Red(plain.at(x, y))),
                            std::abs(Green(px.at(x, y)) - Green(plain.at(x, y)))});
      EXPECT_LE(worst, 3) << name << " in mode " << mode;
    }
  }
}

TEST_F(DistortionPixels, ExpandMovesAPixelNearTheCentreOutwards) {
  RuntimeObjects none;
  const Pixels plain = Frame(*light_, none);
  pw::ByteBuilder b;
  pw::WriteExpand(b, {2, 100, 0, 0, Pack(0)});  // swell 0.5
  Pixels px = Draw(Load<DS_ExpandFX>(b));
  // Right of the centre the picture shows what lay between it and the centre.
  for (UINT x : {40u, 44u, 48u}) {
    const int shown = Red(px.at(x, 32)), plainHere = Red(plain.at(x, 32)), centre = Red(plain.at(32, 32));
    EXPECT_LT(shown, plainHere - 2) << x;
    EXPECT_GE(shown, centre + (plainHere - centre) / 2 - 4) << x << ": by at most half the way";
  }
  EXPECT_NEAR(Red(px.at(32, 32)), Red(plain.at(32, 32)), 3) << "the centre stays";
  EXPECT_NEAR(Red(px.at(4, 4)), Red(plain.at(4, 4)), 3) << "far away nothing moves";
}

TEST_F(DistortionPixels, QuarterTurnSendsAPointWhereTheMatrixSays) {
  pw::RotationRecord r;
  r.rotationMode = 1;
  r.rotation = 90;
  r.central = Pack(0);
  pw::ByteBuilder b;
  pw::WriteRotation(b, r);
  Pixels px = Draw(Load<DS_RotationFX>(b));
  // Rows (0, 1), (-1, 0): the point 8 right of the centre shows the one 8
  // below it, and the one 8 above shows the one 8 right.
  const D3DCOLOR right = px.at(40, 32), above = px.at(32, 24);
  EXPECT_NEAR(Red(right), 32 * 4, 6);
  EXPECT_NEAR(Green(right), 40 * 4, 6);
  EXPECT_NEAR(Red(above), 40 * 4, 6);
  EXPECT_NEAR(Green(above), 32 * 4, 6);
}

}  // namespace
