// What the screen effects send, read back from the probe effect the test
// project stores in our format: the effect clock and its wave shapes, the
// brush object by mode and running flag, and the values of each class at the
// edges their rules name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "effects/light_effects.h"
#include "effects/pattern_effects.h"
#include "effects_fixtures.h"
#include "player/file_links.h"
#include "player/render_context.h"

using namespace fx_test;
using ::testing::ElementsAre;
using ::testing::FloatNear;
using ::testing::Pointwise;

namespace {

constexpr float kPi = 3.14159265f;

class EffectValues : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    light_ = MakeLight();
  }
  // A runtime object of the record, drawing with the probe.
  template <class T>
  DS_SafePtr<DS_ABObj> Load(const pw::ByteBuilder& b) {
    model_ = Read<T>(b);
    return Runtime(*model_);
  }
  static void SetVisibility(DS_FX_Constructor* fx, float v) { fx->timing.Current()->visibility = v; }
  // A time step of 0 at effect time t.
  static void At(DS_FX_Constructor* fx, float t) {
    fx->ResetTime();
    fx->speed.elapsed = t;
    fx->AdvanceTime(0.0f);
  }

  std::unique_ptr<DS_2D_Light> light_;
  std::unique_ptr<DS_FX_Constructor> model_;
};

MATCHER_P(FloatsAre, expected, "") {
  if (arg.size() != expected.size()) return false;
  for (size_t i = 0; i < arg.size(); ++i)
    if (std::fabs(arg[i] - expected[i]) > 1e-5f) return false;
  return true;
}
using V = std::vector<float>;

pw::ByteBuilder LightBytes(int32_t mode, uint32_t intensity = 40, int32_t flicker = 0) {
  pw::FXRecord fx = ProbeFX(mode);
  fx.speed = 40;
  pw::ByteBuilder b;
  pw::WriteLightFX(b, {intensity, flicker, fx});
  return b;
}

TEST_F(EffectValues, ClockSteps) {
  auto runtime = Load<DS_LightFX>(LightBytes(0));
  DS_FX_Constructor* fx = Clone(runtime);  // speed 40
  runtime->Update(3.0f);
  EXPECT_FLOAT_EQ(fx->LastStep(), 0.0f) << "the first step after construction";
  EXPECT_FLOAT_EQ(fx->Time(), 0.0f);
  fx->ResetTime();
  runtime->Update(0.1f);
  EXPECT_FLOAT_EQ(fx->LastStep(), 0.1f * 40.0f);
  fx->ResetTime();
  runtime->Update(0.5f);
  EXPECT_FLOAT_EQ(fx->LastStep(), 0.2f * 40.0f) << "min(t, 0.2) x speed after a reset";
  runtime->Update(0.3f);
  EXPECT_FLOAT_EQ(fx->LastStep(), 0.0f) << "time went back";
  EXPECT_FLOAT_EQ(fx->LastTime(), 0.3f);
  const float before = fx->Time();
  runtime->Update(1.3f);
  EXPECT_FLOAT_EQ(fx->Time() - before, 0.2f * 40.0f) << "a one-second jump counts 0.2 s";
}

TEST_F(EffectValues, WaveShapes) {
  auto runtime = Load<DS_LightFX>(LightBytes(0));
  DS_FX_Constructor* fx = Clone(runtime);
  const struct {
    uint32_t phase;  // hundredths of a turn
    float triangle;
  } cases[] = {{0, 0.0f}, {25, 1.0f}, {50, 0.0f}, {75, -1.0f}};
  for (const auto& c : cases) {
    fx->phase.SetValue(c.phase);
    EXPECT_NEAR(fx->WaveValue(2), c.triangle, 1e-5) << c.phase;
    EXPECT_NEAR(fx->WaveValue(3), std::sin(c.phase * 0.06283186f), 1e-5) << c.phase;
    for (int32_t kind : {0, 1, 6}) EXPECT_EQ(fx->WaveValue(kind), 0.0f) << kind;
  }
  // The clock adds to the phase.
  fx->phase.SetValue(0u);
  fx->ResetTime();
  fx->speed.SetValue(1u);
  fx->AdvanceTime(0.0f);
  for (int i = 0; i < 8; ++i) fx->AdvanceTime(0.2f * (i + 1));  // time 1.6 ~ pi/2
  EXPECT_NEAR(fx->WaveValue(5), 0.6f * std::sin(3.2f + kPi / 2) + std::sin(1.6f), 1e-4);
}

// The brush object by mode: steps it asks for and takes, eraser, technique.
TEST_F(EffectValues, BrushByModeAndRunningFlag) {
  const struct {
    int32_t mode;
    int32_t needs;
    bool eraser;
    const char* technique;
    int steps;  // taken by Render
  } cases[] = {
      {-1, 0, false, "MainFX", 0}, {0, 0, false, "Main", 0}, {1, 1, false, "MainFX", 1},
      {2, 1, true, "MainFX", 0},   {3, 0, false, "MainFX", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    auto runtime = Load<DS_LightFX>(LightBytes(c.mode));
    EXPECT_EQ(runtime->NeedsBackground(), c.needs);
    EXPECT_EQ(runtime->IsEraser(), c.eraser);
    EXPECT_EQ(runtime->GetKind(), 4);
    EXPECT_FALSE(runtime->ReadsBackground());
    int counter = 5;
    runtime->Render(light_.get(), &counter);
    EXPECT_EQ(5 - counter, c.steps);
    EXPECT_EQ(Technique(Clone(runtime)), c.technique);
    runtime->SetRunning(false);
    EXPECT_EQ(runtime->NeedsBackground(), 0);
  }
}

TEST_F(EffectValues, SharedParametersOfTheFullScreenDraw) {
  auto runtime = Load<DS_LightFX>(LightBytes(0));
  DS_FX_Constructor* fx = Clone(runtime);
  fx->scale.SetValue(25u);  // 0.5
  runtime->SetOffset(8.0f, 4.0f, 0.0f);
  fx->SetCommonParams(light_.get());
  EXPECT_THAT(Floats(fx, "Scale", 4), FloatsAre(V{4.0f, 2.0f, 0.25f, 0.5f}));
  runtime->Draw(light_.get());  // 32 x 16 picture: aspect 2
  EXPECT_THAT(Floats(fx, "mask_position", 2), FloatsAre(V{-0.25f, -0.25f}));
  EXPECT_THAT(Floats(fx, "Scale", 4), FloatsAre(V{4.0f, 2.0f, 0.25f, 0.5f})) << "two floats write the first two";
  std::vector<ScreenRect> rects;
  fx->quad.corners[0].value = D3DXVECTOR3(2, 3, 0);
  fx->quad.corners[3].value = D3DXVECTOR3(12, 8, 0);
  EXPECT_FALSE(runtime->GetScreenRects(rects));
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_FLOAT_EQ(rects[0].width, 10.0f);
  EXPECT_FLOAT_EQ(rects[0].height, 5.0f);
}

TEST_F(EffectValues, EraseLayerMaskModifier) {
  for (int32_t invert : {0, 1}) {
    pw::ByteBuilder b;
    pw::WriteEraseLayer(b, invert, ProbeFX(2));
    auto runtime = Load<DS_EraseLayerFX>(b);
    DS_FX_Constructor* fx = Clone(runtime);
    EXPECT_TRUE(runtime->IsEraser());
    EXPECT_TRUE(runtime->ReadsBackground());
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "mask_mod", 2), FloatsAre(invert ? V{0.0f, 1.0f} : V{1.0f, -1.0f}));
    SetVisibility(fx, 0.5f);
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "mask_mod", 2), FloatsAre(invert ? V{0.0f, 0.5f} : V{1.0f, -0.5f}));
  }
}

TEST_F(EffectValues, LightFlickerAlternatesWithAPeriodOfTenPi) {
  auto runtime = Load<DS_LightFX>(LightBytes(0, 40, 1));
  DS_FX_Constructor* fx = Clone(runtime);
  SetVisibility(fx, 0.5f);
  const float period = 10.0f * kPi;
  for (float t : {0.1f, 0.25f, 0.45f, 0.55f, 0.75f, 0.95f, 1.1f, 1.3f}) {
    fx->speed.elapsed = t * period;
    runtime->Draw(light_.get());
    const float frac = t - std::floor(t);
    EXPECT_THAT(Floats(fx, "multiplier", 1), FloatsAre(V{frac < 0.5f ? 0.4f * 0.5f : 0.0f})) << t;
  }
}

TEST_F(EffectValues, LightTwoBlendsAndColour) {
  pw::LightIIRecord r;
  r.intensity = 50;
  r.color = 0x00FF8000;  // blue 255, green 128, red 0
  r.blendMode = 1;
  r.fx = ProbeFX(0);
  pw::ByteBuilder b;
  pw::WriteLightII(b, r);
  auto runtime = Load<DS_LightFX_II>(b);
  auto* fx = static_cast<DS_LightFX_II*>(Clone(runtime));
  EXPECT_EQ(runtime->NeedsBackground(), 1) << "layer mode 0 steps whatever the mode";
  SetVisibility(fx, 0.5f);
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "BlendColor", 4), FloatsAre(V{0.0f, 128 / 255.0f, 1.0f, 0.25f}));
  EXPECT_EQ(Technique(fx), "Blend_Screen");
  fx->blendMode.SetValue(7);
  runtime->Draw(light_.get());
  EXPECT_EQ(Technique(fx), "Blend_Screen") << "blend 7 keeps the technique";
  const char* names[] = {"Blend_Normal", "Blend_Screen", "Blend_ColorDodge", "Linear_Dodge", "Blend_Sum"};
  for (int m = 0; m < 5; ++m) {
    fx->blendMode.SetValue(m);
    runtime->Draw(light_.get());
    EXPECT_EQ(Technique(fx), names[m]);
  }
  // Layer modes: 0 background step, 1 eraser, anything else neither.
  fx->layerMode.SetValue(1);
  EXPECT_TRUE(runtime->IsEraser());
  EXPECT_EQ(runtime->NeedsBackground(), 1);
  fx->layerMode.SetValue(2);
  EXPECT_FALSE(runtime->IsEraser());
  EXPECT_EQ(runtime->NeedsBackground(), 0) << "a step nobody takes is not counted";
}

TEST_F(EffectValues, LightWavePositionAndBand) {
  pw::LightWaveRecord r;
  r.waveStart = {10, 20, 0};
  r.waveEnd = {110, 20, 0};
  r.waveLength = 40;
  r.light.intensity = 60;
  r.light.color = 0x000000FF;
  r.light.fx = ProbeFX(0);
  pw::ByteBuilder b;
  pw::WriteLightWave(b, r);
  auto runtime = Load<DS_LightWaveFX>(b);
  auto* fx = static_cast<DS_LightWaveFX*>(Clone(runtime));
  SetVisibility(fx, 0.25f);
  runtime->Update(0.0f);
  EXPECT_FLOAT_EQ(fx->wavePos.x, 35.0f) << "flicker 0 follows the visibility";
  EXPECT_FLOAT_EQ(fx->waveDir.x, -1.0f);
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "WavePos", 2), FloatsAre(V{35.0f, 20.0f}));
  EXPECT_THAT(Floats(fx, "WaveDir", 2), FloatsAre(V{-1.0f, 0.0f}));
  EXPECT_THAT(Floats(fx, "WaveFreq", 1), FloatsAre(V{kPi / 40.0f}));
  EXPECT_THAT(Floats(fx, "BgSize", 2), FloatsAre(V{rc_->visibleSize.x, rc_->visibleSize.y}));
  EXPECT_THAT(Floats(fx, "BlendColor", 4), FloatsAre(V{1.0f, 0.0f, 0.0f, 0.6f})) << "flicker 0: no visibility";
  EXPECT_EQ(Technique(fx), "Blend_Normal");
  // A wave of kind 2 (triangle) one way: back to the start while cos < 0.
  fx->flicker.SetValue(1);
  fx->oneWay.SetValue(1);
  for (uint32_t phase : {20u, 60u}) {  // cos > 0, then cos < 0: mirrored
    fx->phase.SetValue(phase);
    At(fx, 0.0f);
    const float w = phase == 60u ? -fx->WaveValue(2) : fx->WaveValue(2);
    EXPECT_NEAR(fx->wavePos.x, 10.0f + 100.0f * ((w + 1.0f) * 0.5f), 1e-3) << phase;
  }
}

TEST_F(EffectValues, ColourShiftPairsAndWaveKindOne) {
  const struct {
    uint32_t brightness;
    V pair;
  } cases[] = {{150, {0.5f, 0.5f}}, {25, {0.25f, 0.0f}}, {100, {1.0f, 0.0f}}};
  for (const auto& c : cases) {
    pw::ByteBuilder b;
    pw::WriteColorShift(b, {0, 50, 0, 100, c.brightness, ProbeFX(0)});
    auto runtime = Load<DS_ColorShiftFX>(b);
    DS_FX_Constructor* fx = Clone(runtime);
    runtime->Update(0.0f);
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "val_shift", 2), FloatsAre(c.pair)) << c.brightness;
    EXPECT_THAT(Floats(fx, "sat_shift", 2), FloatsAre(V{1.0f, 0.0f}));
  }

  pw::ByteBuilder b;
  pw::WriteColorShift(b, {1, 50, 30, 150, 50, ProbeFX(0)});  // amplitude 0.25, hue 0.3, sat +0.5, value -0.5
  auto runtime = Load<DS_ColorShiftFX>(b);
  auto* fx = static_cast<DS_ColorShiftFX*>(Clone(runtime));
  SetVisibility(fx, 0.5f);
  for (float t : {0.5f, 1.5f, 2.5f, 3.5f}) {
    At(fx, t);
    runtime->Draw(light_.get());
    const bool odd = static_cast<int>(t) % 2 == 1;
    EXPECT_THAT(Floats(fx, "color_shift", 1), FloatsAre(V{(0.3f + (odd ? 0.25f : 0.0f)) * 0.5f})) << t;
    EXPECT_THAT(Floats(fx, "sat_shift", 2), FloatsAre(odd ? V{0.75f, 0.25f} : V{1.0f, 0.0f})) << t;
    EXPECT_THAT(Floats(fx, "val_shift", 2), FloatsAre(odd ? V{0.75f, 0.0f} : V{1.0f, 0.0f})) << t;
  }
}

TEST_F(EffectValues, SaturationWaveSwapsEverySecond) {
  pw::SaturationRecord r{1, 50, 80, 0, 20, ProbeFX(0)};
  r.fx.quad = {{{0, 0, 0}, {0, 16, 0}, {32, 0, 0}, {32, 16, 0}}};
  pw::ByteBuilder b;
  pw::WriteSaturationWave(b, r);
  auto runtime = Load<DS_SaturationWaveFX>(b);
  auto* fx = static_cast<DS_SaturationWaveFX*>(Clone(runtime));
  for (float t : {0.25f, 1.25f, 2.25f}) {
    At(fx, t);
    runtime->Draw(light_.get());
    const bool odd = static_cast<int>(t) % 2 == 1;
    EXPECT_EQ(fx->raising, odd ? 0 : 1) << t;
    EXPECT_THAT(Floats(fx, "SatMax", 1), FloatsAre(V{odd ? 0.0f : 0.8f})) << t;
    EXPECT_THAT(Floats(fx, "SatMin", 1), FloatsAre(V{odd ? 0.8f : 0.0f})) << t;
    // From projection 0 to 32 + 20 along x, a quarter of the way.
    EXPECT_THAT(Floats(fx, "WavePos", 2), FloatsAre(V{52.0f * 0.25f, 0.0f})) << t;
  }
  EXPECT_THAT(Floats(fx, "WaveDir", 2), FloatsAre(V{1.0f, -0.0f}));
  EXPECT_THAT(Floats(fx, "WaveFreq", 1), FloatsAre(V{kPi / 20.0f}));

  // The uniform form: strength by the wave, position at the viewport's right.
  pw::ByteBuilder u;
  pw::WriteSaturation(u, {0, 50, 80, 0, 0, ProbeFX(1)});
  auto uniform = Load<DS_SaturationFX>(u);
  auto* ufx = static_cast<DS_SaturationFX*>(Clone(uniform));
  SetVisibility(ufx, 0.5f);
  uniform->Update(0.0f);
  EXPECT_FLOAT_EQ(ufx->currentStrength, 0.4f);
  EXPECT_FLOAT_EQ(ufx->wavePos.x, rc_->visibleSize.x);
  uniform->Draw(light_.get());
  EXPECT_EQ(Technique(ufx), "MainFX");
  const float freq = Floats(ufx, "WaveFreq", 1)[0];
  EXPECT_TRUE(std::isinf(freq)) << "a width of 0";
}

TEST_F(EffectValues, BlurRadius) {
  pw::ByteBuilder b;
  pw::WriteBlur(b, {10, 0, ProbeFX(0)});
  auto runtime = Load<DS_BlureFX>(b);
  DS_FX_Constructor* fx = Clone(runtime);
  for (float v : {1.0f, 0.5f}) {
    SetVisibility(fx, v);
    runtime->Draw(light_.get());
    EXPECT_THAT(Floats(fx, "Radius", 1), FloatsAre(V{5.0f * v}));
    EXPECT_EQ(Technique(fx), "FinalPass");
  }
  EXPECT_THAT(Floats(fx, "PixelSize", 2), FloatsAre(V{1.0f / 32.0f, 0.0f})) << "the horizontal pass last";
}

TEST_F(EffectValues, PatternFramesAndTransform) {
  pw::PatternBrushRecord r;
  r.imageName = u"none.png";
  r.angle = 90;
  r.flipX = 1;
  r.offsetX = 50;
  r.offsetY = 25;
  r.fx = ProbeFX(0);
  pw::ByteBuilder b;
  pw::WritePatternBrush(b, r);
  auto runtime = Load<DS_PatternBrush>(b);
  auto* fx = static_cast<DS_PatternBrush*>(Clone(runtime));

  // A missing picture: only the mix colour goes out.
  fx->Effect()->SetFloatArray("scale", V{7.0f, 7.0f}.data(), 2);
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "mix_color", 4), FloatsAre(V{1, 1, 1, 1}));
  EXPECT_THAT(Floats(fx, "scale", 2), FloatsAre(V{7.0f, 7.0f}));

  fx->pattern.width = 8;
  fx->pattern.height = 4;
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "scale", 2), FloatsAre(V{2.0f, 1.0f}));
  EXPECT_THAT(Floats(fx, "offset", 2), FloatsAre(V{-0.5f, 0.25f}));
  // Scaling (-32 / 8, 16 / 4) then a quarter turn.
  std::vector<float> m = Floats(fx, "coord_transf", 4);
  EXPECT_THAT(m, Pointwise(FloatNear(1e-5f), V{0.0f, -4.0f, -4.0f, 0.0f}));
  EXPECT_EQ(Technique(fx), "Main");

  fx->pattern.delays = {0.1f, 0.1f, 0.1f};
  fx->ResetTime();
  std::vector<uint32_t> frames;
  for (float t : {0.0f, 0.11f, 0.22f, 0.33f, 0.44f}) {
    fx->AdvanceTime(t);
    frames.push_back(fx->frameIndex);
  }
  EXPECT_THAT(frames, ElementsAre(0u, 1u, 2u, 0u, 1u));
  fx->ResetTime();
  fx->AdvanceTime(0.05f);
  EXPECT_EQ(fx->frameIndex, 1u);
  EXPECT_FLOAT_EQ(fx->frameStart, 0.05f) << "a jump back restarts the frame timing";

  // The random timeline's visibility reaches the mix colour's alpha.
  fx->timing.SetValue(1);
  SetVisibility(fx, 0.25f);
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "mix_color", 4), FloatsAre(V{1, 1, 1, 0.25f}));
}

TEST_F(EffectValues, CopyOffsetAndTargetRetries) {
  pw::BackgroundCopyRecord r;
  r.shiftX = 1;
  r.fx = ProbeFX(0);
  pw::ByteBuilder b;
  pw::WriteBackgroundCopy(b, r);
  auto runtime = Load<DS_BackgroundCopy>(b);
  DS_FX_Constructor* fx = Clone(runtime);
  EXPECT_TRUE(runtime->ReadsBackground());
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "offset", 2), FloatsAre(V{1.0f, 0.0f}));
  auto* copy = static_cast<DS_BackgroundCopy*>(fx);
  copy->copyRect.extra1.value = 8;
  copy->copyRect.extra2.value = -4;
  copy->shiftX.value = 0;
  copy->shiftY.value = 1;
  runtime->Draw(light_.get());
  EXPECT_THAT(Floats(fx, "offset", 2), FloatsAre(V{0.25f, 0.75f}));

  // k x the back buffer for k = 3, 2, 1: 4096 texels is the largest target.
  const struct {
    uint32_t w, h, made;
  } cases[] = {{1000, 500, 3000}, {1500, 400, 3000}, {3000, 200, 3000}, {5000, 100, 0}};
  for (const auto& c : cases) {
    SetBackBufferInfo(c.w, c.h);
    copy->CreateDeviceObjects();
    EXPECT_EQ(copy->targets->active != nullptr, c.made != 0) << c.w;
    if (c.made != 0) EXPECT_EQ(copy->targets->width, c.made) << c.w;
    copy->ReleaseDeviceObjects();
  }
  SetBackBufferInfo(kBack, kBack);
}

// Objects of one link share the effect: a value one does not send stays as
// the other left it.
TEST_F(EffectValues, UnsentValuesStayAcrossObjectsSharingAnEffect) {
  auto light = Load<DS_LightFX>(LightBytes(0, 80));
  auto lightModel = std::move(model_);
  pw::ByteBuilder b;
  pw::WriteEraseLayer(b, 0, ProbeFX(2));
  auto erase = Load<DS_EraseLayerFX>(b);
  ASSERT_EQ(Clone(light)->Effect(), Clone(erase)->Effect());
  light->Draw(light_.get());
  erase->Draw(light_.get());
  EXPECT_THAT(Floats(Clone(erase), "multiplier", 1), FloatsAre(V{Floats(Clone(light), "multiplier", 1)[0]}));
  EXPECT_THAT(Floats(Clone(light), "mask_mod", 2), FloatsAre(V{1.0f, -1.0f}));
}

TEST_F(EffectValues, MasksFromTheDocument) {
  const GUID stored = {0xCAFE, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  pw::DocResRecord extra;
  extra.rawFrames.push_back({GuidToString(stored).name, 0, {{1, Png(4, 4, [](int, int) { return 0x80FFFFFFu; }), 0.0f}}});
  MakeDocumentWith(PictureSpec{32, 16, [](int, int) -> D3DCOLOR { return 0xFF808080; }}, extra);
  pw::FXRecord fx = ProbeFX(0);
  fx.maskGuid = stored;
  pw::ByteBuilder b;
  pw::WriteLightFX(b, {40, 0, fx});
  auto runtime = Load<DS_LightFX>(b);
  DS_FX_Constructor* clone = Clone(runtime);
  ASSERT_NE(clone->maskTexture.Get(), nullptr) << "the runtime clone takes the stored mask";
  EXPECT_EQ(clone->GetMaskTexture()->Get(), doc_->GetTextureByGuid(stored)->Get());

  // The model loads the mask under a fresh GUID, then drops it.
  model_->LoadMask();
  EXPECT_NE(model_->maskTexture.Get(), nullptr);
  EXPECT_NE(model_->mask.guid, stored);
  EXPECT_EQ(doc_->GetTextureByGuid(model_->mask.guid)->Get(), model_->maskTexture.Get());
  const GUID loaded = model_->mask.guid;
  model_->NewMask();
  EXPECT_EQ(model_->maskTexture.Get(), nullptr);
  EXPECT_NE(model_->mask.guid, loaded);
  EXPECT_EQ(model_->maskFlag, 1);
}

TEST_F(EffectValues, WithoutAnEffectNothingIsSentOrDrawn) {
  SetCurrentDocResManager(nullptr);
  pw::ByteBuilder b;
  pw::WriteLightFX(b, {40, 0, ProbeFX(1)});
  auto model = Read<DS_LightFX>(b);
  DS_SafePtr<DS_ABObj> runtime(model->CreateRuntime());
  SetCurrentDocResManager(doc_.get());
  EXPECT_EQ(Clone(runtime)->Effect(), nullptr);
  int counter = 1;
  runtime->Render(light_.get(), &counter);
  runtime->Update(1.0f);
  EXPECT_EQ(counter, 0) << "the step is still taken";
}

}  // namespace
