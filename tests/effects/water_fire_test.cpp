// The water and fire screen effects: records read field by field from crafted
// bytes, the values they send (read back from a probe effect of their own
// names) and their stand-ins drawn over known pictures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "core/ds_error.h"
#include "effects/fire_effect.h"
#include "effects/water_effects.h"
#include "effects_fixtures.h"
#include "player/file_links.h"
#include "tools/writer/water_fire_writer.h"

using namespace fx_test;

namespace {

using V = std::vector<float>;

MATCHER_P(FloatsAre, expected, "") {
  if (arg.size() != expected.size()) return false;
  for (size_t i = 0; i < arg.size(); ++i)
    if (std::fabs(arg[i] - expected[i]) > 1e-4f * std::max(1.0f, std::fabs(expected[i]))) return false;
  return true;
}

constexpr char16_t kWaterProbe[] = u"water_probe.fx";
constexpr int64_t kWaterProbeId = 11;

// Every parameter of these effects as a float4 (matrices as matrices), every
// technique they choose, each drawing nothing.
std::string WaterProbeText() {
  static const char* const kFloats[] = {
      "mask_position", "Scale",     "direction", "direction_n", "frequency",  "amplitude",      "time",
      "BampTrans",     "P1",        "P2",        "Time",        "Direction1", "Direction2",     "Shadows",
      "Vhalf",         "Color",     "Direction", "noise_shift", "bump_scale", "noise_amplitude", "base_color",
      "treshold",      "shift",     "transluency", "c11",       "c12",        "c13",            "ColorK1",
      "ColorK2",       "bg_scale_factor", "Brightness", "Density"};
  std::string s = "effect 1\n";
  for (const char* f : kFloats) s += std::string("float4 ") + f + "\n";
  s += "matrix WorldViewProj\nmatrix ViewProj\n";
  s += "texture Mask\ntexture Background\ntexture BumpMap\ntexture NoiseMap\ntexture Noise\ntexture Pattern\n";
  s += "program Nothing\nvoid main() { o_color = vec4(0.0); }\nend\n";
  for (const char* t : {"Start", "Main", "MainFX", "Noise", "ColorWaves", "AsEffect"}) {
    s += std::string("technique ") + t + "\n  pass P0\n    state ALPHABLENDENABLE = TRUE\n"
         "    state SRCBLEND = ZERO\n    state DESTBLEND = ONE\n    fragment Nothing\n  end\nend\n";
  }
  return s;
}

pw::FXRecord WaterProbe() {
  pw::FXRecord fx;
  fx.effectName = kWaterProbe;
  fx.effectId = kWaterProbeId;
  return fx;
}

class WaterFire : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    pw::DocResRecord extra;
    const std::string probe = WaterProbeText();
    extra.moduleImages.push_back(
        {kWaterProbe, kWaterProbeId, {{0, u"", kWaterProbe, std::vector<uint8_t>(probe.begin(), probe.end())}}});
    MakeDocumentWith(PictureSpec{32, 16, [](int, int) -> D3DCOLOR { return 0xFF808080; }}, extra);
    light_ = MakeLight();
  }
  template <class T>
  T* Load(const pw::ByteBuilder& b) {
    auto m = Read<T>(b);
    if (!m) return nullptr;
    runtimes_.push_back(Runtime(*m));
    models_.push_back(std::move(m));
    return static_cast<T*>(Clone(runtimes_.back()));
  }
  void Draw() { runtimes_.back()->Draw(light_.get()); }
  static bool Bound(DS_FX_Constructor* fx, const char* name) {
    IDirect3DBaseTexture9* t = nullptr;
    fx->Effect()->GetTexture(name, &t);
    if (t) t->Release();
    return t != nullptr;
  }

  std::unique_ptr<DS_2D_Light> light_;
  std::vector<std::unique_ptr<DS_FX_Constructor>> models_;
  std::vector<DS_SafePtr<DS_ABObj>> runtimes_;
};

// ---------------------------------------------------------------------------
// Records

TEST_F(WaterFire, WavesWaterAndWaterfallFieldsInOrder) {
  pw::ByteBuilder waves;
  waves.Header(u"DS_WavesFX", 1).U32(80).U32(40).U32(30).I32(1);
  pw::WriteFXBase(waves, WaterProbe());
  auto w = Read<DS_WavesFX>(waves);
  ASSERT_NE(w, nullptr);
  EXPECT_FLOAT_EQ(w->amplitude.derived, 80 * 0.00025f);
  EXPECT_FLOAT_EQ(w->frequency.derived, 40 * 0.0005f + 0.001f);
  EXPECT_EQ(w->angle.value, 30u);
  EXPECT_EQ(w->longitudinal.value, 1);
  EXPECT_EQ(w->effectFile.name, kWaterProbe);

  pw::ByteBuilder water;
  water.Header(u"DS_WaterFX", 1).U32(10).U32(11).U32(12).U32(13).U32(90).U32(14).U32(15).U32(0x00112233);
  water.FileLink(u"ripple.png", 4);
  pw::WriteFXBase(water, WaterProbe());
  auto s = Read<DS_WaterFX>(water);
  ASSERT_NE(s, nullptr);
  EXPECT_FLOAT_EQ(s->surface.derived, 10 * 0.0001f);
  EXPECT_FLOAT_EQ(s->bumpScale.derived, 11 * 0.001f);
  EXPECT_FLOAT_EQ(s->waveStrength.derived, 12 * 0.00025f);
  EXPECT_FLOAT_EQ(s->waveLength.derived, 13 * 0.0005f + 0.001f);
  EXPECT_EQ(s->angle.value, 90u);
  EXPECT_FLOAT_EQ(s->shadows.derived, 0.14f);
  EXPECT_FLOAT_EQ(s->lightHeight.derived, 1.5f);
  EXPECT_EQ(s->color.value, 0x00112233u);
  EXPECT_EQ(s->bumpImage.name, u"ripple.png");
  EXPECT_EQ(s->bumpImage.id, 4);
  // The angle is stored without notification: the clone turns its direction.
  std::unique_ptr<DS_FX_Constructor> clone(s->Clone());
  EXPECT_NEAR(static_cast<DS_WaterFX*>(clone.get())->direction.y, 1.0f, 1e-6f);

  pw::ByteBuilder fall;
  fall.Header(u"DS_WaterfallFX", 1).U32(20).U32(4).U32(30).U32(7).U32(100);
  fall.FileLink(u"noise.png", 5).U32(0x00FF8000).I32(1);
  fall.Header(u"DS_DirectionBased", 1).U32(25).U32(180);
  pw::WriteFXBase(fall, WaterProbe());
  auto f = Read<DS_WaterfallFX>(fall);
  ASSERT_NE(f, nullptr);
  EXPECT_FLOAT_EQ(f->layerFade.derived, 0.8f);
  EXPECT_EQ(f->layerCount.value, 4u);
  EXPECT_FLOAT_EQ(f->noiseAmplitude.derived, 0.003f);
  EXPECT_FLOAT_EQ(f->spareValue.derived, 7.0f);
  EXPECT_FLOAT_EQ(f->threshold.derived, 0.9f);
  EXPECT_EQ(f->noiseImage.name, u"noise.png");
  EXPECT_EQ(f->color.value, 0x00FF8000u);
  EXPECT_EQ(f->disabled.value, 1);
  EXPECT_FLOAT_EQ(f->amplitude.derived, 0.1f);
  EXPECT_EQ(f->angle.value, 180u);
}

TEST_F(WaterFire, MoveRecordsOfEveryVersion) {
  struct Case {
    int32_t version;
    int32_t kind;
    int32_t wantKind;
    float wantBack;
  };
  // Version 1 carries no back amplitude: it takes the amplitude's (raw 60).
  const Case cases[] = {{1, 0, 3, 60 * 0.0002f}, {2, 1, 4, 40 * 0.0002f}, {3, 1, 1, 40 * 0.0002f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    pw::ByteBuilder b;
    b.Header(u"DS_MoveFX", c.version).I32(c.kind);
    if (c.version >= 2) b.U32(40);
    b.Header(u"DS_DirectionBased", 1).U32(60).U32(0);
    pw::WriteFXBase(b, WaterProbe());
    auto m = Read<DS_MoveFX>(b);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->waveKind.value, c.wantKind);
    EXPECT_FLOAT_EQ(m->backAmplitude.derived, c.wantBack);
    EXPECT_FLOAT_EQ(m->amplitude.derived, 60 * 0.0002f);
  }
}

TEST_F(WaterFire, FireRecordsOfEveryVersion) {
  pw::FXRecord base = WaterProbe();
  base.version = 2;  // no quad of its own
  pw::ByteBuilder v2;
  v2.Header(u"DS_FireFX", 2);
  for (float f : {1.f, 2.f, 3.f, 4.f, 5.f, 6.f, 7.f, 8.f, 9.f, 10.f, 11.f, 12.f}) v2.F32(f);
  v2.U32(0x00010203).U32(0x00040506).I32(9).FileLink(u"pattern.png", 2).FileLink(u"noise.png", 3).I32(-4);
  v2.U32(150).U32(30).U32(200);
  pw::WriteFXBase(v2, base);
  auto f = Read<DS_FireFX>(v2);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->quad.corners[0].value, D3DXVECTOR3(1, 2, 3));
  EXPECT_EQ(f->quad.corners[3].value, D3DXVECTOR3(10, 11, 12));
  EXPECT_EQ(f->tipColor.value, 0x00010203u);
  EXPECT_EQ(f->baseColor.value, 0x00040506u);
  EXPECT_EQ(f->spareInt.value, 9);
  EXPECT_EQ(f->patternImage.name, u"pattern.png");
  EXPECT_EQ(f->noiseImage.id, 3);
  EXPECT_EQ(f->reserved.value, -4);
  EXPECT_FLOAT_EQ(f->density.derived, 0.5f);
  EXPECT_FLOAT_EQ(f->brightness.derived, 0.6f);
  EXPECT_FLOAT_EQ(f->repeat.derived, 2.0f);

  pw::ByteBuilder v3;
  v3.Header(u"DS_FireFX", 3).U32(1).U32(2).I32(0).FileLink(u"p.png", 2).FileLink(u"n.png", 3);
  v3.U32(100).U32(15).U32(100);
  pw::FXRecord full = WaterProbe();
  full.quad = {{{5, 6, 0}, {5, 9, 0}, {8, 6, 0}, {8, 9, 0}}};
  full.reserved = 7;
  pw::WriteFXBase(v3, full);
  f = Read<DS_FireFX>(v3);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->quad.corners[3].value, D3DXVECTOR3(8, 9, 0)) << "the base record holds the quad";
  EXPECT_EQ(f->reserved.value, 7);
  EXPECT_EQ(f->tipColor.value, 1u);

  pw::ByteBuilder v1;
  v1.Header(u"DS_FireFX", 1);
  pw::WriteFXBase(v1, WaterProbe());
  f = Read<DS_FireFX>(v1);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->tipColor.value, 0x0000FFFFu);
  EXPECT_EQ(f->baseColor.value, 0x000000FFu);
  EXPECT_EQ(f->patternImage.id, 93);
  EXPECT_EQ(f->noiseImage.id, 8);
  EXPECT_FLOAT_EQ(f->density.derived, 0.0f);
  EXPECT_FLOAT_EQ(f->brightness.derived, 0.3f);
  EXPECT_FLOAT_EQ(f->speed.derived, 1.0f);
}

// Every cut of every record is refused with an error, never read past its end.
TEST_F(WaterFire, TruncatedRecordsAreRefused) {
  std::vector<std::function<void(pw::ByteBuilder&)>> writers = {
      [](pw::ByteBuilder& b) { pw::WriteWaves(b, {}); },
      [](pw::ByteBuilder& b) { pw::WriteWater(b, {}); },
      [](pw::ByteBuilder& b) { pw::WriteMove(b, {}); },
      [](pw::ByteBuilder& b) { pw::WriteWaterfall(b, {}); },
      [](pw::ByteBuilder& b) { pw::WriteFire(b, {}); },
  };
  for (auto& write : writers) {
    pw::ByteBuilder whole;
    write(whole);
    for (size_t cut = 0; cut < whole.size(); cut += 3) {
      MemoryArchive ar(whole.bytes().data(), cut, true);
      EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
    }
  }
}

// ---------------------------------------------------------------------------
// Values sent

TEST_F(WaterFire, WavesAndUnderwaterValues) {
  pw::ByteBuilder b;
  pw::WriteWaves(b, {50, 50, 90, 0, WaterProbe()});
  auto* w = Load<DS_WavesFX>(b);
  ASSERT_NE(w, nullptr);
  w->speed.elapsed = 2.0f;
  w->timing.Current()->visibility = 0.5f;
  Draw();
  EXPECT_THAT(Floats(w, "direction", 2), FloatsAre(V{0.0f, 1.0f}));
  EXPECT_THAT(Floats(w, "direction_n", 2), FloatsAre(V{1.0f, 0.0f}));
  EXPECT_THAT(Floats(w, "frequency", 1), FloatsAre(V{1.0f / 0.026f}));
  EXPECT_THAT(Floats(w, "amplitude", 1), FloatsAre(V{0.0125f * 0.5f}));
  EXPECT_THAT(Floats(w, "time", 1), FloatsAre(V{0.16f}));
  w->longitudinal.SetValue(1);
  Draw();
  EXPECT_THAT(Floats(w, "direction_n", 2), FloatsAre(Floats(w, "direction", 2)));

  DS_UnderwaterFX u;
  u.effectFile = DS_HLSLEffectFile(kWaterProbe, kWaterProbeId);
  u.LoadEffect(nullptr);
  u.speed.elapsed = 3.0f;
  u.DrawEffect(light_.get());  // a 32 x 16 picture
  const float f = 1.0f / 0.101f;
  EXPECT_THAT(Floats(&u, "frequency", 2), FloatsAre(V{f * 2.0f, f}));
  EXPECT_THAT(Floats(&u, "amplitude", 1), FloatsAre(V{0.00625f}));
  EXPECT_THAT(Floats(&u, "time", 1), FloatsAre(V{0.24f}));
  EXPECT_FLOAT_EQ(u.speed.derived, 25.0f);
}

TEST_F(WaterFire, WaterSurfaceValues) {
  pw::WaterRecord r;
  r.angle = 90;
  r.lightHeight = 20;  // 2
  r.color = 0x00FF0080;
  r.fx = WaterProbe();
  pw::ByteBuilder b;
  pw::WriteWater(b, r);
  auto* s = Load<DS_WaterFX>(b);
  ASSERT_NE(s, nullptr);
  s->speed.elapsed = 1.5f;
  s->AdvanceTime(0.0f);  // first step is 0
  Draw();
  const float p = 0.002f, x = 999.0f;
  EXPECT_THAT(Floats(s, "P1", 3), FloatsAre(V{p - 1.0f, -1.0f, p - 1.0f}));
  const std::vector<float> p2 = Floats(s, "P2", 3);
  EXPECT_NEAR(p2[1], (std::sqrt(x) + x) / (x - 1.0f), 1e-3f);
  EXPECT_NEAR(p2[1], 1.03267f, 1e-4f);
  EXPECT_THAT(Floats(s, "Time", 1), FloatsAre(V{3.0f}));
  const float c = std::cos(4.5f * 1.5f) * 0.02f, sn = std::sin(4.5f * 1.5f) * 0.02f;
  EXPECT_THAT(Floats(s, "BampTrans", 4), FloatsAre(V{c, -sn, sn, c}));
  // Direction (0, 1) at 90 degrees; wave length 0.011, strength 0.005.
  EXPECT_THAT(Floats(s, "Direction1", 2), FloatsAre(V{0.0f, -0.5f / 0.011f}));
  EXPECT_THAT(Floats(s, "Direction2", 2), FloatsAre(V{0.0f, -0.5f * 0.005f}));
  const float n = std::sqrt(1.0f + 4.0f + 4.0f);
  EXPECT_THAT(Floats(s, "Vhalf", 3), FloatsAre(V{1.0f / n, 2.0f / n, 2.0f / n}));
  EXPECT_THAT(Floats(s, "Color", 3), FloatsAre(V{128 / 255.0f, 0.0f, 1.0f}));
  EXPECT_THAT(Floats(s, "Shadows", 1), FloatsAre(V{0.0f}));
}

TEST_F(WaterFire, MoveShiftsAgainstOrAlongItsDirection) {
  struct Case {
    int32_t kind;
    float sign;
  };
  for (const Case& c : {Case{0, -1.0f}, Case{1, 1.0f}}) {
    pw::MoveRecord r;
    r.waveKind = c.kind;
    r.direction = {50, 0, WaterProbe()};  // amplitude 0.01 along (1, 0)
    pw::ByteBuilder b;
    pw::WriteMove(b, r);
    auto* m = Load<DS_MoveFX>(b);
    ASSERT_NE(m, nullptr);
    m->AdvanceTime(0.0f);
    Draw();
    EXPECT_THAT(Floats(m, "Direction", 2), FloatsAre(V{c.sign * 0.01f, 0.0f})) << c.kind;
  }
  // A sway between -back and the amplitude: sine at phase pi / 2 gives a.
  pw::MoveRecord sway;
  sway.waveKind = 3;
  sway.backAmplitude = 25;
  sway.direction = {50, 90, WaterProbe()};
  pw::ByteBuilder b;
  pw::WriteMove(b, sway);
  auto* m = Load<DS_MoveFX>(b);
  ASSERT_NE(m, nullptr);
  m->speed.elapsed = 3.14159265f / 2.0f;
  m->speed.last_time = 0.0f;
  m->AdvanceTime(0.0f);
  Draw();
  EXPECT_THAT(Floats(m, "Direction", 2), FloatsAre(V{0.0f, 0.01f}));
}

TEST_F(WaterFire, WaterfallLayersAndDisabledUploads) {
  pw::WaterfallRecord r;
  r.layerFade = 20;  // 0.8
  r.layerCount = 4;
  r.noiseAmplitude = 30;
  r.threshold = 100;
  r.color = 0x00FF0000;
  r.direction = {25, 0, WaterProbe()};  // amplitude 0.1 along (1, 0)
  // Disabled first: the probe keeps what the enabled one sends.
  r.disabled = 1;
  pw::ByteBuilder off;
  pw::WriteWaterfall(off, r);
  auto* f = Load<DS_WaterfallFX>(off);
  ASSERT_NE(f, nullptr);
  f->AdvanceTime(1.2f);
  Draw();
  EXPECT_EQ(Technique(f), "Start") << "no technique chosen";
  EXPECT_THAT(Floats(f, "noise_amplitude", 1), FloatsAre(V{0.0f}));
  EXPECT_THAT(Floats(f, "transluency", 1), FloatsAre(V{0.0f}));

  r.disabled = 0;
  pw::ByteBuilder b;
  pw::WriteWaterfall(b, r);
  f = Load<DS_WaterfallFX>(b);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->layers.size(), 4u);
  f->speed.elapsed = 0.5f;
  f->speed.last_time = 0.0f;
  f->AdvanceTime(0.0f);
  const float phases[] = {0.5f, 0.75f, 0.0f, 0.25f};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(f->layers[i].x, -phases[i] * 0.1f, 1e-6f);
    EXPECT_NEAR(f->layers[i].alpha, (1.0f - std::fabs(2.0f * phases[i] - 1.0f)) * 0.8f, 1e-6f);
  }
  EXPECT_FLOAT_EQ(f->layers[0].alpha, 0.8f) << "phase 0.5 shows the whole fade";
  EXPECT_FLOAT_EQ(f->layers[2].alpha, 0.0f);
  Draw();
  EXPECT_EQ(Technique(f), "ColorWaves");
  EXPECT_THAT(Floats(f, "transluency", 1), FloatsAre(V{f->layers[3].alpha}));
  EXPECT_THAT(Floats(f, "noise_amplitude", 1), FloatsAre(V{0.003f}));
  EXPECT_THAT(Floats(f, "treshold", 1), FloatsAre(V{0.9f}));
  EXPECT_THAT(Floats(f, "base_color", 3), FloatsAre(V{0.0f, 0.0f, 1.0f}));
  EXPECT_THAT(Floats(f, "noise_shift", 2), FloatsAre(V{-0.1f * 0.5f, 0.0f}));

  // A large authored count keeps every layer, each a hundredth of a cycle
  // ahead of the one before.
  r.layerCount = 100;
  pw::ByteBuilder hundred;
  pw::WriteWaterfall(hundred, r);
  f = Load<DS_WaterfallFX>(hundred);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->layers.size(), 100u);
  f->speed.elapsed = 0.0f;
  f->speed.last_time = 0.0f;
  f->AdvanceTime(0.0f);
  for (int i : {0, 1, 37, 50, 99}) {
    SCOPED_TRACE(i);
    const float phase = static_cast<float>(i) / 100.0f;
    EXPECT_NEAR(f->layers[i].x, -phase * 0.1f, 1e-5f);
    EXPECT_NEAR(f->layers[i].alpha, (1.0f - std::fabs(2.0f * phase - 1.0f)) * 0.8f, 1e-5f);
  }
  EXPECT_NEAR(f->layers[50].alpha, 0.8f, 1e-5f);

  // A hostile count makes no more layers than the bound, which lies far
  // above any authored count.
  EXPECT_GE(DS_WaterfallFX::kMaxLayers, 1000u);
  r.layerCount = 0xFFFFFFFFu;
  pw::ByteBuilder many;
  pw::WriteWaterfall(many, r);
  f = Load<DS_WaterfallFX>(many);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->layers.size(), DS_WaterfallFX::kMaxLayers);
}

TEST_F(WaterFire, FireValuesAndGrid) {
  pw::FireRecord r;
  r.repeat = 200;
  r.fx = WaterProbe();
  r.fx.quad = {{{0, 0, 0}, {0, 16, 0}, {32, 0, 0}, {32, 16, 0}}};
  pw::ByteBuilder b;
  pw::WriteFire(b, r);
  auto* f = Load<DS_FireFX>(b);
  ASSERT_NE(f, nullptr);
  f->speed.elapsed = 2.0f;
  Draw();
  EXPECT_EQ(Technique(f), "Main");
  EXPECT_THAT(Floats(f, "ColorK1", 3), FloatsAre(V{1.0f, 0.0f, 0.0f}));
  EXPECT_THAT(Floats(f, "ColorK2", 3), FloatsAre(V{0.0f, 1.0f, 0.0f}));
  EXPECT_THAT(Floats(f, "Brightness", 1), FloatsAre(V{0.3f}));
  EXPECT_THAT(Floats(f, "Density", 1), FloatsAre(V{0.0f}));
  EXPECT_THAT(Floats(f, "c11", 2), FloatsAre(V{0.0f, 2.6f}));
  EXPECT_THAT(Floats(f, "c12", 2), FloatsAre(V{0.0f, 4.2f}));
  EXPECT_THAT(Floats(f, "c13", 2), FloatsAre(V{0.0f, 4.6f}));
  EXPECT_THAT(Floats(f, "bg_scale_factor", 2), FloatsAre(V{1.0f / 32.0f, 1.0f / 16.0f}));
  EXPECT_TRUE(Bound(f, "Pattern")) << "the pack's flame picture";
  EXPECT_TRUE(Bound(f, "Noise"));
  f->timing.Current()->visibility = 0.5f;
  Draw();
  EXPECT_THAT(Floats(f, "Brightness", 1), FloatsAre(V{0.075f}));
  EXPECT_THAT(Floats(f, "Density", 1), FloatsAre(V{-0.5f}));

  ASSERT_EQ(f->grid.columns, 8);
  ASSERT_EQ(f->grid.rows, 8);
  const DX_V::PT* v = f->grid.LockVertices();
  ASSERT_NE(v, nullptr);
  float maxU = 0.0f, maxV = 0.0f;
  for (int i = 0; i < 81; ++i) {
    maxU = std::max(maxU, v[i].u);
    maxV = std::max(maxV, v[i].v);
  }
  EXPECT_FLOAT_EQ(v[80].x, 32.0f) << "positions in picture pixels";
  f->grid.Unlock();
  EXPECT_FLOAT_EQ(maxU, 0.5f) << "repeat 2 reaches half the pattern";
  EXPECT_FLOAT_EQ(maxV, 1.0f);
}

// ---------------------------------------------------------------------------
// Stand-ins drawn

class WaterFirePixels : public EffectTest {
 protected:
  // 64 x 64: a white stripe x 30..33 over dark blue, a red row band y 30..33.
  void SetUp() override {
    EffectTest::SetUp();
    MakeDocumentWith(PictureSpec{64, 64, [](int x, int y) -> D3DCOLOR {
                       if (x >= 30 && x < 34) return 0xFFFFFFFF;
                       if (y >= 30 && y < 34) return 0xFFFF0000;
                       return 0xFF000040;
                     }});
    light_ = MakeLight();
    RuntimeObjects none;
    plain_ = Frame(*light_, none);
  }
  Pixels Draw(const pw::ByteBuilder& b, float t = 0.0f) {
    std::unique_ptr<DS_FX_Constructor> m(Read<DS_FX_Constructor>(b));
    if (!m) return {};
    DS_SafePtr<DS_ABObj> runtime = Runtime(*m);
    runtime->Update(0.0f);
    if (t > 0.0f) runtime->Update(t);
    RuntimeObjects list{runtime};
    return Frame(*light_, list);
  }
  // The columns of row y where the stripe is white.
  static std::vector<UINT> Stripe(const Pixels& px, UINT y) {
    std::vector<UINT> xs;
    for (UINT x = 0; x < px.width; ++x)
      if (((px.at(x, y) >> 8) & 0xFF) > 0x80) xs.push_back(x);
    return xs;
  }
  static pw::FXRecord Full() {
    pw::FXRecord fx;
    fx.quad = {{{0, 0, 0}, {0, 64, 0}, {64, 0, 0}, {64, 64, 0}}};
    return fx;
  }
  std::unique_ptr<DS_2D_Light> light_;
  Pixels plain_;
};

TEST_F(WaterFirePixels, MoveShiftsThePictureByItsOffsetToThePixel) {
  pw::MoveRecord r;
  r.waveKind = 0;
  r.direction = {625, 180, Full()};  // 0.125 of the picture towards the left: content moves right by 8
  pw::ByteBuilder b;
  pw::WriteMove(b, r);
  const Pixels px = Draw(b);
  ASSERT_EQ(px.width, 64u);
  for (UINT y : {10u, 40u}) {
    for (UINT x = 8; x < 64; ++x) EXPECT_TRUE(Near(px.at(x, y), plain_.at(x - 8, y), 2)) << x << "," << y;
  }
}

TEST_F(WaterFirePixels, WavesAndUnderwaterMoveAStripeByAtMostTheirAmplitude) {
  const std::vector<UINT> straight = Stripe(plain_, 5);
  ASSERT_FALSE(straight.empty());
  pw::WavesRecord still;
  still.amplitude = 0;
  still.fx = Full();
  pw::ByteBuilder s;
  pw::WriteWaves(s, still);
  Pixels px = Draw(s, 0.3f);
  for (UINT y : {5u, 20u, 50u}) EXPECT_EQ(Stripe(px, y), straight) << y;

  pw::WavesRecord moving;
  moving.amplitude = 250;  // 0.0625 of the width: 4 pixels
  moving.frequency = 200;  // waves along y, shifting x
  moving.angle = 90;
  moving.fx = Full();
  pw::ByteBuilder m;
  pw::WriteWaves(m, moving);
  px = Draw(m, 0.3f);
  bool moved = false;
  for (UINT y = 0; y < 64; y += 3) {
    const std::vector<UINT> xs = Stripe(px, y);
    ASSERT_FALSE(xs.empty()) << y;
    EXPECT_GE(xs.front(), 25u) << y;
    EXPECT_LE(xs.back(), 38u) << y;
    moved = moved || xs != straight;
  }
  EXPECT_TRUE(moved);

  pw::UnderwaterRecord under;
  under.amplitude = 0;
  under.fx = Full();
  pw::ByteBuilder u0;
  pw::WriteUnderwater(u0, under);
  // The underwater effect has no reader of its own: read through its class.
  DS_UnderwaterFX plain;
  {
    MemoryArchive ar(u0.bytes().data(), u0.size(), true);
    zvi_string name;
    int32_t version = 0;
    ar.ReadWideString(&name);
    ar.ReadInt(&version);
    plain.ReadRecord(ar, version);
  }
  EXPECT_FLOAT_EQ(plain.amplitude.derived, 0.0f);
  DS_SafePtr<DS_ABObj> runtime(plain.CreateRuntime());
  runtime->Update(0.0f);
  runtime->Update(0.2f);
  RuntimeObjects list{runtime};
  px = Frame(*light_, list);
  for (UINT y : {5u, 20u, 50u}) EXPECT_EQ(Stripe(px, y), straight) << y;
  static_cast<DS_UnderwaterFX*>(Clone(runtime))->amplitude.SetValue(400);  // 0.05: 3.2 pixels
  px = Frame(*light_, list);
  moved = false;
  for (UINT y = 0; y < 64; y += 3) {
    const std::vector<UINT> xs = Stripe(px, y);
    ASSERT_FALSE(xs.empty()) << y;
    EXPECT_GE(xs.front(), 26u) << y;
    EXPECT_LE(xs.back(), 37u) << y;
    moved = moved || xs != straight;
  }
  EXPECT_TRUE(moved);
}

TEST_F(WaterFirePixels, FireGridShowsRedToYellowInsideItsQuadOnly) {
  MakeDocumentWith(PictureSpec{64, 64, [](int, int) -> D3DCOLOR { return 0xFF000000; }});
  light_ = MakeLight();
  pw::FireRecord r;
  r.brightness = 50;  // 1.0: the whole flame
  r.fx.quad = {{{16, 16, 0}, {16, 48, 0}, {48, 16, 0}, {48, 48, 0}}};
  pw::ByteBuilder b;
  pw::WriteFire(b, r);
  const Pixels px = Draw(b, 0.1f);
  int lit = 0;
  for (UINT y = 0; y < 64; y += 2) {
    for (UINT x = 0; x < 64; x += 2) {
      const D3DCOLOR c = px.at(x, y);
      const int red = (c >> 16) & 0xFF, green = (c >> 8) & 0xFF, blue = c & 0xFF;
      const bool inside = x >= 17 && x < 47 && y >= 17 && y < 47;
      const bool outside = x < 15 || x > 48 || y < 15 || y > 48;
      if (outside) EXPECT_TRUE(Near(c, 0xFF000000)) << x << "," << y << std::hex << " " << c;
      if (!inside) continue;
      EXPECT_LE(blue, 4) << x << "," << y;
      EXPECT_GE(red + 2, green) << "between red and yellow at " << x << "," << y;
      if (red > 0x40) ++lit;
    }
  }
  EXPECT_GT(lit, 30) << "the flames show";
  // The lower rows of the quad are the hottest: yellow.
  int yellow = 0;
  for (UINT x = 18; x < 46; x += 2) {
    const D3DCOLOR c = px.at(x, 45);
    if (((c >> 16) & 0xFF) > 0xC0 && ((c >> 8) & 0xFF) > 0x80) ++yellow;
  }
  EXPECT_GT(yellow, 4);
}

// The fire over the whole picture with a mask opaque on the left half only:
// the flames show where the mask allows and nowhere else.
TEST_F(WaterFirePixels, FireIsWeighedByItsMask) {
  constexpr GUID kMask = {0x2468ACE0, 0x1357, 0x9BDF, {1, 3, 5, 7, 9, 11, 13, 15}};
  pw::DocResRecord extra;
  extra.rawFrames.push_back({GuidToString(kMask).name, 0,
                             {{1, Png(64, 64, [](int x, int) -> D3DCOLOR { return x < 32 ? 0xFFFFFFFF : 0x00FFFFFF; }),
                               0.0f}}});
  MakeDocumentWith(PictureSpec{64, 64, [](int, int) -> D3DCOLOR { return 0xFF000000; }}, extra);
  light_ = MakeLight();
  for (bool masked : {false, true}) {
    SCOPED_TRACE(masked);
    pw::FireRecord r;
    r.brightness = 50;
    r.fx = Full();
    if (masked) r.fx.maskGuid = kMask;
    pw::ByteBuilder b;
    pw::WriteFire(b, r);
    const Pixels px = Draw(b, 0.1f);
    int litLeft = 0, litRight = 0;
    for (UINT y = 2; y < 62; y += 2) {
      for (UINT x = 2; x < 62; x += 2) {
        if (x >= 28 && x < 36) continue;
        const bool lit = ((px.at(x, y) >> 16) & 0xFF) > 0x20;
        (x < 32 ? litLeft : litRight) += lit ? 1 : 0;
        if (masked && x >= 36) EXPECT_TRUE(Near(px.at(x, y), 0xFF000000, 2)) << x << "," << y;
      }
    }
    EXPECT_GT(litLeft, 40);
    if (masked) EXPECT_EQ(litRight, 0);
    else EXPECT_GT(litRight, 40) << "without a mask the fire covers its quad";
  }
}

}  // namespace

namespace {

// The water surface and the waterfall over the striped picture: the surface
// ripples it without losing it, also when "P2" is not finite; the waterfall's
// layers and noise lay the picture over itself.
TEST_F(WaterFirePixels, WaterSurfaceAndWaterfallKeepThePicture) {
  for (uint32_t surface : {20u, 0u}) {
    pw::WaterRecord r;
    r.surface = surface;  // 0 gives an infinite "P2"
    r.bump = {u"common_res.dll", 89};
    r.fx = Full();
    pw::ByteBuilder b;
    pw::WriteWater(b, r);
    const Pixels px = Draw(b, 0.2f);
    const std::vector<UINT> xs = Stripe(px, 10);
    ASSERT_FALSE(xs.empty()) << surface;
    EXPECT_GE(xs.front(), 26u) << surface;
    EXPECT_LE(xs.back(), 37u) << surface;
    EXPECT_TRUE(Near(px.at(5, 5), plain_.at(5, 5), 12)) << surface << std::hex << " " << px.at(5, 5);
  }
  pw::WaterfallRecord f;
  f.layerCount = 3;
  f.noiseAmplitude = 100;
  f.noise = {u"common_res.dll", 8};
  f.threshold = 1000;  // 0: every layer shows
  f.color = 0x00FFFFFF;
  f.direction = {25, 90, Full()};
  pw::ByteBuilder b;
  pw::WriteWaterfall(b, f);
  const Pixels px = Draw(b, 0.2f);
  EXPECT_FALSE(Stripe(px, 20).empty());
  int changed = 0;
  for (UINT y = 0; y < 64; y += 4)
    for (UINT x = 0; x < 64; x += 4) changed += Near(px.at(x, y), plain_.at(x, y), 6) ? 0 : 1;
  EXPECT_GT(changed, 20) << "the layers tint the picture";
}

}  // namespace
