// The line, perspective and direction distortions: records by version
// (the perspective's legacy modes, the linear kestrane without a centre),
// the values they send, read back from the probe effect, and their
// stand-ins at zero strength.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "effects/line_distortions.h"
#include "effects_fixtures.h"
#include "player/render_context.h"

using namespace fx_test;

namespace {

using V = std::vector<float>;

MATCHER_P(FloatsAre, expected, "") {
  if (arg.size() != expected.size()) return false;
  for (size_t i = 0; i < arg.size(); ++i)
    if (std::fabs(arg[i] - expected[i]) > 1e-4f * std::max(1.0f, std::fabs(expected[i]))) return false;
  return true;
}

pw::LineBasedRecord ProbeLine(int32_t mode = 0) {
  pw::LineBasedRecord l;
  l.center = {16.0f, 8.0f, 0.0f};
  l.fx = ProbeFX(mode);
  return l;
}

class LineDistortions : public EffectTest {
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

TEST_F(LineDistortions, PerspectiveRecordsByVersion) {
  pw::PerspectiveFXRecord r;
  r.upper = 100;
  r.depth = 3;
  r.waveKind = 5;
  r.lower = 40;
  r.line = ProbeLine();
  r.line.axis = 30;
  for (int32_t version : {1, 2, 3}) {
    for (int32_t legacy : {0, 1, 2}) {
      if (version > 1 && legacy > 0) continue;
      r.version = version;
      r.legacyMode = legacy;
      pw::ByteBuilder b;
      pw::WritePerspectiveFX(b, r);
      auto m = Read<DS_PerspectiveFX>(b);
      ASSERT_NE(m, nullptr);
      SCOPED_TRACE(version * 10 + legacy);
      EXPECT_EQ(m->axis.value, 30u);
      EXPECT_FLOAT_EQ(m->center.value.x, 16.0f);
      EXPECT_FLOAT_EQ(m->depthAmount.derived, 30.0f);
      if (version == 1) {
        EXPECT_EQ(m->waveKind.value, 3);
        EXPECT_EQ(m->upperAmplitude.value, legacy == 1 ? 0u : 100u);
        EXPECT_EQ(m->lowerAmplitude.value, legacy == 0 ? 0u : 100u);
      } else {
        EXPECT_EQ(m->waveKind.value, 5);
        EXPECT_EQ(m->lowerAmplitude.value, version >= 3 ? 40u : 0u) << "version 2 has no lower amplitude";
      }
    }
  }
}

TEST_F(LineDistortions, OtherRecords) {
  pw::ByteBuilder s;
  pw::WriteStretch(s, {4, 30, 20, ProbeLine()});
  auto stretch = Read<DS_StretchFX>(s);
  EXPECT_EQ(stretch->waveKind.value, 4);
  EXPECT_FLOAT_EQ(stretch->upperAmplitude.derived, 0.3f);
  EXPECT_FLOAT_EQ(stretch->lowerAmplitude.derived, 0.2f);

  pw::PerspectiveBaseRecord base;
  base.tilt = 30;
  base.perspectiveScale = 200;
  base.axis = 45;
  base.center = {3, 4, 5};
  base.fx = ProbeFX();
  pw::ByteBuilder t;
  pw::WriteTurn(t, base);
  auto turn = Read<DS_TurnFX>(t);
  EXPECT_NEAR(turn->tilt.derived, 30 * 3.14159265f / 180, 1e-6);
  EXPECT_FLOAT_EQ(turn->perspectiveScale.derived, 2.0f);
  EXPECT_EQ(turn->axis.value, 45u);
  EXPECT_FLOAT_EQ(turn->center.value.z, 5.0f);
  EXPECT_FLOAT_EQ(turn->upperAmplitude.derived, 0.2f) << "never saved";
  EXPECT_EQ(turn->waveKind.value, 3);

  pw::KestraneLinearRecord k;
  k.tilt = 10;
  k.axis = 60;
  k.center = {7, 8, 0};
  k.direction = {250, 90, ProbeFX()};
  for (int32_t version : {1, 2}) {
    k.version = version;
    pw::ByteBuilder b;
    pw::WriteKestraneLinear(b, k);
    auto m = Read<DS_KestraneLinear>(b);
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->amplitude.derived, 0.5f);
    EXPECT_NEAR(m->direction.y, 0.0f, 1e-6) << "the angle is stored without notification";
    EXPECT_NEAR(DS_KestraneLinear(*m).direction.y, -1.0f, 1e-6) << "a copy recomputes it";
    EXPECT_EQ(m->axis.value, version > 1 ? 60u : 0u);
    EXPECT_EQ(m->centerRead, version > 1);
  }
}

TEST_F(LineDistortions, PerspectiveAmplitudes) {
  const struct {
    uint32_t upper, lower;
    float amplitude, pAmplitude;
  } cases[] = {{200, 100, (std::cos(1.0f) - 1.0f) * 0.4f, std::sin(1.0f) * 20.0f * 0.4f * 10.0f}, {0, 0, 0.0f, 0.0f}};
  for (const auto& c : cases) {
    pw::PerspectiveFXRecord r;
    r.upper = c.upper;
    r.lower = c.lower;
    r.depth = 2;  // 20
    r.waveKind = 0;
    r.line = ProbeLine();
    pw::ByteBuilder b;
    pw::WritePerspectiveFX(b, r);
    auto runtime = Load<DS_PerspectiveFX>(b);
    DS_FX_Constructor* fx = Clone(runtime);
    runtime->Update(0.0f);
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "amplitude", 1), FloatsAre(V{c.amplitude})) << c.upper;
    EXPECT_THAT(Floats(fx, "p_amplitude", 1), FloatsAre(V{c.pAmplitude})) << c.upper;
  }
  EXPECT_NEAR((std::cos(1.0f) - 1.0f) * 0.4f, -0.1839f, 1e-4);
}

TEST_F(LineDistortions, StretchPairingAndTurnSwing) {
  for (int32_t kind : {0, 1}) {
    pw::ByteBuilder b;
    pw::WriteStretch(b, {kind, 30, 20, ProbeLine()});
    auto runtime = Load<DS_StretchFX>(b);
    DS_FX_Constructor* fx = Clone(runtime);
    fx->timing.Current()->visibility = 0.5f;
    runtime->Update(0.0f);
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "amplitude", 1), FloatsAre(V{kind == 0 ? -0.1f : 0.15f})) << kind;
  }

  pw::PerspectiveBaseRecord base;
  base.perspectiveScale = 50;
  base.center = {16, 8, 0};
  base.fx = ProbeFX();
  pw::ByteBuilder t;
  pw::WriteTurn(t, base);
  auto runtime = Load<DS_TurnFX>(t);
  DS_FX_Constructor* fx = Clone(runtime);
  fx->Effect()->SetFloatArray("Center", V{9, 9}.data(), 2);
  fx->Effect()->SetFloatArray("Ln", V{9, 9, 9}.data(), 3);
  fx->phase.SetValue(25u);  // sine 1
  runtime->Update(0.0f);
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "PerspectivePrm", 2), FloatsAre(V{0.2f, 2.0f}));
  EXPECT_THAT(Floats(fx, "Center", 2), FloatsAre(V{9, 9})) << "the turn sends no centre";
  EXPECT_THAT(Floats(fx, "Ln", 3), FloatsAre(V{9, 9, 9}));
  // Axis 90 turned by a further 90 about (0.5, 0.5): a half turn.
  const D3DXMATRIX m2 = Matrix(fx, "r_matrix2");
  EXPECT_NEAR(m2._11, -1.0f, 1e-6);
  EXPECT_NEAR(m2._31, 0.5f, 1e-6);
  EXPECT_NEAR(m2._32, 0.5f, 1e-6);
}

TEST_F(LineDistortions, KestraneLinearValuesAndItsDefaultCentre) {
  pw::KestraneLinearRecord k;
  k.version = 1;
  k.direction = {500, 0, ProbeFX()};
  pw::ByteBuilder b;
  pw::WriteKestraneLinear(b, k);
  auto runtime = Load<DS_KestraneLinear>(b);
  auto* fx = static_cast<DS_KestraneLinear*>(Clone(runtime));
  EXPECT_FLOAT_EQ(fx->center.value.x, 16.0f) << "an old record: the picture's centre";
  EXPECT_FLOAT_EQ(fx->center.value.y, 8.0f);
  fx->Effect()->SetFloatArray("Center", V{9, 9}.data(), 2);
  runtime->Update(0.0f);
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "Direction", 2), FloatsAre(V{1.0f, 0.0f}));
  EXPECT_THAT(Floats(fx, "PerspectivePrm", 2), FloatsAre(V{0.0f, 1.0f}));
  EXPECT_THAT(Floats(fx, "Center", 2), FloatsAre(V{9, 9})) << "no centre is sent";
}

TEST_F(LineDistortions, ZeroStrengthGivesThePictureBack) {
  MakeDocumentWith(PictureSpec{64, 64, [](int x, int y) -> D3DCOLOR { return D3DCOLOR_ARGB(255, x * 4, y * 4, 90); }});
  light_ = MakeLight();
  RuntimeObjects none;
  const Pixels plain = Frame(*light_, none);
  auto fx = [](int32_t mode) {
    pw::FXRecord f;
    f.mode = mode;
    f.quad = {{{0, 0, 0}, {0, 64, 0}, {64, 0, 0}, {64, 64, 0}}};
    return f;
  };
  for (int32_t mode : {0, 1}) {
    pw::LineBasedRecord line;
    line.axis = 30;
    line.center = {32, 32, 0};
    line.fx = fx(mode);
    pw::ByteBuilder p, s, t, k;
    pw::PerspectiveFXRecord pr;
    pr.line = line;
    pw::WritePerspectiveFX(p, pr);
    pw::WriteStretch(s, {1, 0, 0, line});
    pw::PerspectiveBaseRecord tb;
    tb.center = {32, 32, 0};
    tb.fx = fx(mode);
    pw::WriteTurn(t, tb);
    pw::KestraneLinearRecord kr;
    kr.center = {32, 32, 0};
    kr.direction.fx = fx(mode);
    pw::WriteKestraneLinear(k, kr);
    std::vector<std::pair<const char*, DS_SafePtr<DS_ABObj>>> objects = {
        {"perspective", Load<DS_PerspectiveFX>(p)}, {"stretch", Load<DS_StretchFX>(s)},
        {"turn", Load<DS_TurnFX>(t)}, {"kestrane linear", Load<DS_KestraneLinear>(k)}};
    for (auto& [name, obj] : objects) {
      Clone(obj)->timing.Current()->visibility = std::string(name) == "turn" ? 0.0f : 1.0f;
      RuntimeObjects list{obj};
      obj->Update(0.0f);
      Pixels px = Frame(*light_, list);
      int worst = 0;
      for (UINT y = 2; y < 64; y += 3)
        for (UINT x = 0; x < 64; x += 3)
          for (int shift : {8, 16})
            worst = std::max(worst, std::abs(static_cast<int>((px.at(x, y) >> shift) & 0xFF) -
                                             static_cast<int>((plain.at(x, y) >> shift) & 0xFF)));
      EXPECT_LE(worst, 3) << name << " in mode " << mode;
    }
  }
}

}  // namespace
