// Effect sprites and the electric discharge: the effect-sprite records, the
// effect held once, the arc and its segments, and the glowing arc drawn
// through the built-in glow effect over a grey picture.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/crt.h"
#include "player/slide_render_context.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"
#include "scene/discharge.h"
#include "scene/sprite_runtime.h"
#include "scene_fixtures.h"
#include "player/app/register_all.h"
#include "tools/writer/sprite_writer.h"

using namespace render_test;
using scene_test::PictureDocument;

namespace {

constexpr D3DCOLOR kGrey = 0xFF808080;

class TestStatFX : public DS_StatBaseFXCtrl {
 public:
  TestStatFX() {
    height.value = 5;
    width.value = 7;
  }
  TestStatFX(const TestStatFX&) = default;
  DS_ParticleSystemCtrl* Clone() const override { return new TestStatFX(*this); }
  bool Draw(DS_ABRender*, ParticleGeomArray*) override {
    ++draws;
    return false;
  }
  int draws = 0;
};

TEST(EffectSprites, StatBaseRecordOfVersionOneKeepsItsSize) {
  PictureDocument doc(200, 100);
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    pw::StatBaseFXRecord r;
    r.version = version;
    r.x = 3.0f;
    r.y = 4.0f;
    r.z = 5.0f;
    r.height = 50;
    r.width = 60;
    r.fx.effectName = u"fx.bin";
    r.fx.effectId = 9;
    r.fx.sprite.count = 2;
    pw::ByteBuilder b;
    pw::WriteStatBaseFXCtrl(b, r);
    RegisterEverything();
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    TestStatFX m;
    EXPECT_EQ(m.position.value, D3DXVECTOR3(100.0f, 50.0f, 0.0f));
    m.ReadStatRecord(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_EQ(m.position.value, D3DXVECTOR3(3.0f, 4.0f, 5.0f));
    EXPECT_EQ(m.height.value, version == 1 ? 5u : 50u);
    EXPECT_EQ(m.width.value, version == 1 ? 7u : 60u);
    EXPECT_EQ(m.effectLink.name, u"fx.bin");
    EXPECT_EQ(m.effectLink.id, 9);
    EXPECT_EQ(m.count.value, 2u);
  }
}

class Discharge : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"grey.png", 1, {{0, u"", u"grey.png", Png(64, 64, [](int, int) { return kGrey; })}}});
    // A soft white band along the middle of each half: the glow shape.
    r.imageFiles.push_back({u"soft.png", 1, {{0, u"", u"soft.png", Png(64, 64, [](int, int y) {
                                                 const float d = (static_cast<float>(y % 32) - 15.5f) / 8.0f;
                                                 const auto a = static_cast<uint32_t>(255.0f * std::exp(-d * d));
                                                 return (a << 24) | 0xFFFFFFu;
                                               })}}});
    UseDocument(MakeDocument(r));
    doc_->Settings().pictureWidth = 64;
    doc_->Settings().pictureHeight = 64;
  }

  // A discharge from (8, 32) to (56, 32) of n segments.
  static std::unique_ptr<DS_DischargeFXConstructor> Model(uint32_t n, uint32_t jitter) {
    auto m = std::make_unique<DS_DischargeFXConstructor>();
    m->startPoint.value = D3DXVECTOR3(8.0f, 32.0f, 0.0f);
    m->endPoint.value = D3DXVECTOR3(56.0f, 32.0f, 0.0f);
    m->jitter.SetValue(jitter);
    m->count.value = n;
    m->size.SetValue(12u);
    m->secondImageLink.name = u"soft.png";
    m->secondImageLink.id = 1;
    return m;
  }

  static DS_GlowingObj* Runtime(DS_DischargeFXConstructor& m) {
    return static_cast<DS_GlowingObj*>(m.CreateRuntime());
  }
  static DS_DischargeFXConstructor& ModelOf(DS_GlowingObj& obj) {
    return static_cast<DS_DischargeFXConstructor&>(*obj.glowModel);
  }

  std::unique_ptr<DS_2D_Light> Light() {
    auto light = std::make_unique<DS_2D_Light>();
    light->backgroundLink.name = u"grey.png";
    light->backgroundLink.id = 1;
    light->BeginSlide();
    QuadCorners screen;
    screen.SetRect(kBack, kBack);
    light->SetupView(screen);
    light->SetViewMode(kFitStretch);
    light->RestartCamera(1);
    light->OnResetDevice();
    return light;
  }

  Pixels Frame(DS_2D_Light& light, RuntimeObjects& objects) {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    int n = 0;
    for (auto& o : objects) n += o->NeedsBackground();
    if (n > 0) {
      dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
      light.BeginBackgroundChain();
    }
    light.ClearBackground(0);
    light.RenderObjects(objects, n);
    light.EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }
};

TEST_F(Discharge, DefaultsAndTheForcedBoltPicture) {
  DS_DischargeFXConstructor m;
  EXPECT_EQ(m.effectLink.name, u"common_res.dll");
  EXPECT_EQ(m.effectLink.id, 97);
  EXPECT_EQ(m.size.value, 50u);
  EXPECT_EQ(m.blendMode.value, 1);
  EXPECT_EQ(m.colour.value, 0xFFFFCCu);
  EXPECT_EQ(m.glowColour.value, 0xFF9900u);
  EXPECT_FLOAT_EQ(m.glowIntensity.derived, 1.0f);
  EXPECT_FLOAT_EQ(m.jitter.derived, 0.5f);
  EXPECT_FLOAT_EQ(m.flickerInterval.derived, 0.0f);
  EXPECT_FLOAT_EQ(m.morphRate.derived, 5.0f);
  EXPECT_EQ(m.style.value, 1);
  m.imageLink.name = u"mine.png";
  m.LoadEffect();
  EXPECT_EQ(m.imageLink.name, u"common_res.dll");
  EXPECT_EQ(m.imageLink.id, 95);
  ASSERT_NE(m.spriteTexture.Get(), nullptr);
  ASSERT_NE(m.effect.Get(), nullptr);
  m.style.value = 0;
  EXPECT_EQ(m.imageLink.id, 95);  // only the next load changes it
  m.LoadEffect();
  EXPECT_EQ(m.imageLink.id, 98);
}

TEST_F(Discharge, TwoLoadsHoldOneReference) {
  DS_DischargeFXConstructor m;
  m.LoadEffect();
  ID3DXEffect* e = m.effect.Get();
  ASSERT_NE(e, nullptr);
  const ULONG first = e->AddRef();
  e->Release();
  m.LoadEffect();
  EXPECT_EQ(m.effect.Get(), e);
  EXPECT_EQ(e->AddRef(), first);
  e->Release();
  // A clone shares it.
  {
    std::unique_ptr<DS_ParticleSystemCtrl> clone(m.Clone());
    EXPECT_EQ(static_cast<DS_DischargeFXConstructor&>(*clone).effect.Get(), e);
    EXPECT_EQ(e->AddRef(), first + 1);
    e->Release();
  }
}

TEST_F(Discharge, OneSegmentRunsStraightOverTheWholePicture) {
  auto model = Model(1, 50);
  std::unique_ptr<DS_GlowingObj> obj(Runtime(*model));
  DS_DischargeFXConstructor& m = ModelOf(*obj);
  ASSERT_EQ(m.currentArc.size(), 1u);
  const ArcSegment& seg = m.currentArc[0];
  EXPECT_EQ(seg.direction, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(seg.normal, D3DXVECTOR3(0.0f, -1.0f, 0.0f));
  EXPECT_FLOAT_EQ(seg.length, 48.0f);
  EXPECT_EQ(seg.position, D3DXVECTOR3(32.0f, 32.0f, 0.0f));
  obj->Update(0.05f);
  const SpriteRecord& s = *obj->sprites[0];
  EXPECT_EQ(s.uRange[0], 0.0f);
  EXPECT_EQ(s.uRange[1], 1.0f);
  EXPECT_FLOAT_EQ(s.halfWidth, 24.0f);
  EXPECT_FLOAT_EQ(s.halfHeight, 6.0f);
}

TEST_F(Discharge, WithoutJitterEverySegmentLiesOnTheLine) {
  auto model = Model(5, 0);
  std::unique_ptr<DS_GlowingObj> obj(Runtime(*model));
  DS_DischargeFXConstructor& m = ModelOf(*obj);
  float x = 8.0f;
  for (const ArcSegment& seg : m.currentArc) {
    EXPECT_FLOAT_EQ(seg.position.y, 32.0f);
    EXPECT_FLOAT_EQ(seg.length, 9.6f);
    EXPECT_NEAR(seg.position.x, x + 4.8f, 1e-4f);
    x += 9.6f;
  }
  obj->Update(0.05f);
  EXPECT_EQ(obj->sprites[0]->uRange[0], 0.0f);
  EXPECT_EQ(obj->sprites[0]->uRange[1], 0.805f);
  EXPECT_EQ(obj->sprites[2]->uRange[0], 0.195f);
  EXPECT_EQ(obj->sprites[4]->uRange[1], 1.0f);
}

TEST_F(Discharge, SegmentsMorphFromTheLastArcUnclamped) {
  auto model = Model(3, 50);
  std::unique_ptr<DS_GlowingObj> obj(Runtime(*model));
  DS_DischargeFXConstructor& m = ModelOf(*obj);
  m.viewTime = 0.2f;
  m.PrepareFrame();  // rebuild: the previous arc is the last complete one
  EXPECT_EQ(m.rebuilt, 1);
  EXPECT_EQ(m.rebuildTime, 0.2f);
  const ArcSegment a = m.previousArc[1], b = m.currentArc[1];
  SpriteRecord s;
  const struct {
    float elapsed, f;
  } steps[] = {{0.1f, 0.5f}, {0.3f, 1.5f}};
  for (auto step : steps) {
    m.segmentCounter = 1;
    m.viewTime = 0.2f + step.elapsed;
    m.UpdateSprite(s);
    const D3DXVECTOR3 want = a.position + (b.position - a.position) * step.f;
    EXPECT_NEAR(s.position.x, want.x, 1e-3f);
    EXPECT_NEAR(s.position.y, want.y, 1e-3f);
    EXPECT_NEAR(s.halfWidth, (a.length + (b.length - a.length) * step.f) * 0.5f, 1e-3f);
  }
  EXPECT_EQ(m.segmentCounter, 2);
  // No rebuild before 0.1 s of view-clock time has passed.
  m.viewTime = 0.29f;
  m.PrepareFrame();
  EXPECT_EQ(m.rebuilt, 0);
}

TEST_F(Discharge, FlickerIntervalSetsHowOftenTheRowsChange) {
  for (uint32_t interval : {100u, 0u}) {
    SCOPED_TRACE(interval);
    auto model = Model(1, 0);
    model->flickerInterval.SetValue(interval);
    std::unique_ptr<DS_GlowingObj> obj(Runtime(*model));
    int changes = 0;
    float last = -1.0f;
    for (int i = 1; i <= 10; ++i) {
      obj->Update(0.03f * static_cast<float>(i));
      const float sw = obj->sprites[0]->switchTime;
      if (sw != last) ++changes;
      last = sw;
      const float v0 = obj->sprites[0]->vRange[0], v1 = obj->sprites[0]->vRange[1];
      if (sw != 0.0f) {
        EXPECT_EQ(std::fabs(v1 - v0), 0.5f);
      }
    }
    // 100: every update; 0: whenever 0.1 s of raw time passed (0.12, 0.24).
    EXPECT_EQ(changes, interval == 100 ? 10 : 3);
  }
}

TEST_F(Discharge, LongArcsAreTheArcsOfTheLastSpawn) {
  const uint32_t n = 300;
  auto ref = Model(n, 50);
  ref->previousArc.resize(n);
  ref->currentArc.resize(n);
  crt_srand(7);
  for (uint32_t k = 0; k < n; ++k) {
    crt_rand();  // size factor
    crt_rand();  // twinkle sign
    ref->BuildArc(ref->previousArc);
    ref->BuildArc(ref->currentArc);
  }
  const int next[2] = {crt_rand(), crt_rand()};

  auto model = Model(n, 50);
  crt_srand(7);
  ParticleGeomArray array;
  array.Attach(model.get());
  const int first = crt_rand();
  model->EnsureArcs();
  EXPECT_EQ(first, next[0]);
  EXPECT_EQ(crt_rand(), next[1]);
  for (uint32_t i = 0; i < n; i += 37) {
    EXPECT_EQ(model->currentArc[i].position, ref->currentArc[i].position) << i;
    EXPECT_EQ(model->previousArc[i].direction, ref->previousArc[i].direction) << i;
  }
}

TEST_F(Discharge, ResetTimeRestartsTheRebuildClock) {
  auto model = Model(2, 50);
  model->viewTime = 3.0f;
  model->viewLast = 3.0f;
  model->rebuildTime = 2.9f;
  model->ResetTime();
  EXPECT_EQ(model->viewTime, 0.0f);
  EXPECT_EQ(model->viewLast, 0.0f);
  EXPECT_EQ(model->rebuildTime, 0.0f);
}

TEST_F(Discharge, RecordReadsIntoTheDischarge) {
  pw::DischargeRecord r = pw::DefaultDischarge();
  r.start = {1.0f, 2.0f, 3.0f};
  r.end = {4.0f, 5.0f, 6.0f};
  r.jitter = 20;
  r.style = 0;
  r.flickerInterval = 50;
  r.morphRate = 10;
  r.glow.glowColour = 0x123456;
  r.glow.glowIntensity = 40;
  r.glow.fx.effectName = u"glow.fx";
  r.glow.fx.effectId = 3;
  pw::ByteBuilder b;
  pw::WriteDischarge(b, r);
  auto read = scene_test::ReadModel(b);
  auto& m = dynamic_cast<DS_DischargeFXConstructor&>(*read);
  EXPECT_EQ(m.startPoint.value, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(m.endPoint.value, D3DXVECTOR3(4.0f, 5.0f, 6.0f));
  EXPECT_FLOAT_EQ(m.jitter.derived, 0.2f);
  EXPECT_EQ(m.style.value, 0);
  EXPECT_FLOAT_EQ(m.flickerInterval.derived, 0.05f);
  EXPECT_FLOAT_EQ(m.morphRate.derived, 1.0f);
  EXPECT_EQ(m.glowColour.value, 0x123456u);
  EXPECT_FLOAT_EQ(m.glowIntensity.derived, 0.4f);
  EXPECT_EQ(m.effectLink.name, u"glow.fx");
  EXPECT_EQ(m.effectLink.id, 3);
  EXPECT_EQ(m.count.value, 8u);
}

TEST_F(Discharge, ArcGlowsBlueAlongItsLineAndLeavesTheRestAlone) {
  auto light = Light();
  auto model = Model(4, 0);
  RuntimeObjects objects;
  objects.push_back(DS_SafePtr<DS_ABObj>(Runtime(*model)));
  auto* obj = static_cast<DS_GlowingObj*>(objects[0].get());
  ASSERT_EQ(obj->NeedsBackground(), 1);
  obj->Update(0.05f);
  Pixels px = Frame(*light, objects);
  // Beside the bolt's core: the glow, screen-blended blue over grey.
  int brighter = 0;
  for (UINT x = 16; x <= 48; x += 4) {
    const D3DCOLOR c = px.at(x, 28);
    const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    if (b > 0x80 + 8 && b > r + 4 && g >= r) ++brighter;
  }
  EXPECT_GE(brighter, 6) << std::hex << px.at(32, 28);
  for (auto [x, y] : {std::pair<UINT, UINT>{2, 2}, {60, 60}, {32, 6}, {32, 58}, {2, 32}})
    EXPECT_TRUE(Near(px.at(x, y), kGrey)) << x << "," << y << ": " << std::hex << px.at(x, y);
  // The effect's own states are gone afterwards.
  DWORD op = 0, src = 0, dest = 0, blend = 0;
  dev_->GetRenderState(D3DRS_BLENDOP, &op);
  dev_->GetRenderState(D3DRS_SRCBLEND, &src);
  dev_->GetRenderState(D3DRS_DESTBLEND, &dest);
  dev_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  EXPECT_EQ(op, static_cast<DWORD>(D3DBLENDOP_ADD));
  EXPECT_EQ(src, static_cast<DWORD>(D3DBLEND_SRCALPHA));
  EXPECT_EQ(dest, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
}

TEST_F(Discharge, WithoutAnEffectNothingIsDrawnAndThePictureStays) {
  auto light = Light();
  auto model = Model(4, 0);
  model->effectLink.name = u"missing.fx";
  model->effectLink.id = 1;
  RuntimeObjects objects;
  objects.push_back(DS_SafePtr<DS_ABObj>(Runtime(*model)));
  auto* obj = static_cast<DS_GlowingObj*>(objects[0].get());
  // The stand-in row still gives the discharge its glow effect.
  ASSERT_NE(obj->glowModel->effect.Get(), nullptr);
  obj->glowModel->effect = nullptr;
  EXPECT_EQ(obj->NeedsBackground(), 0);
  obj->Update(0.05f);
  Pixels px = Frame(*light, objects);
  EXPECT_TRUE(Near(px.at(32, 32), kGrey)) << std::hex << px.at(32, 32);
}

}  // namespace
