// Air brushes with a device: the quads their updates write, the pulse, twinkle
// and wave rules seen in those quads, and the picture animation.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/crt.h"
#include "core/safe_ptr.h"
#include "gen_fixtures.h"
#include "particles/generators/air_brushes.h"

using namespace gen_test;

namespace {

// The vertices of quad i of a layer.
std::vector<DX_V::PCT> QuadOf(DS_ParticlesObj& object, size_t layer, uint32_t i) {
  std::vector<DX_V::PCT> out(4);
  DS_IndexedMesh<DX_V::PCT>* mesh = object.LayerMesh(layer);
  void* data = nullptr;
  if (!mesh || !mesh->vertexBuffer || FAILED(mesh->vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY))) return {};
  const auto* v = static_cast<const DX_V::PCT*>(data) + static_cast<size_t>(i) * 4;
  out.assign(v, v + 4);
  mesh->vertexBuffer->Unlock();
  return out;
}

float Width(const std::vector<DX_V::PCT>& q) { return std::hypot(q[2].x - q[0].x, q[2].y - q[0].y); }
float Height(const std::vector<DX_V::PCT>& q) { return std::hypot(q[0].x - q[1].x, q[0].y - q[1].y); }

template <class T>
std::unique_ptr<DS_ParticlesObj> Runtime(const T& model) {
  return std::unique_ptr<DS_ParticlesObj>(static_cast<DS_ParticlesObj*>(const_cast<T&>(model).CreateRuntime()));
}

using AirBrushDevice = DeviceTest;

TEST_F(AirBrushDevice, SparklePulseParameters) {
  DS_Bling b;
  b.growTime.SetValue(100u);
  b.shrinkTime.SetValue(300u);
  GeneratorParticle dab;
  EXPECT_FLOAT_EQ(b.InitSparkle(dab), 4.0f);
  ASSERT_EQ(dab.processes.size(), 3u);
  auto it = dab.processes.begin();
  auto* life = dynamic_cast<PLifeConst*>(*it++);
  auto* up = dynamic_cast<PSteady*>(*it++);
  auto* down = dynamic_cast<PSteady*>(*it++);
  ASSERT_TRUE(life && up && down);
  EXPECT_FLOAT_EQ(life->rate, 0.25f);
  EXPECT_EQ(up->channel, kChannelSize);
  EXPECT_FLOAT_EQ(up->to, 0.25f);
  EXPECT_FLOAT_EQ(up->rate, 1.0f);
  EXPECT_FLOAT_EQ(down->from, 0.25f);
  EXPECT_FLOAT_EQ(down->to, 1.0f);
  EXPECT_FLOAT_EQ(down->rate, -0.25f / 0.75f);

  // Without a grow time the sparkle only shrinks and T is the shrink time.
  DS_Bling shrinkOnly;
  shrinkOnly.shrinkTime.SetValue(200u);
  GeneratorParticle d2;
  EXPECT_FLOAT_EQ(shrinkOnly.InitSparkle(d2), 2.0f);
  d2.channels[kChannelSize] = 1.0f;
  for (int i = 0; i < 3; ++i) d2.StepProcesses(0.5f);
  // Life moves first in each step, so every step of the pulse shrinks it.
  EXPECT_FLOAT_EQ(d2.channels[kChannelSize], 1.0f - 3.0f * 0.5f * 0.5f);
}

TEST_F(AirBrushDevice, BlingRestartsAnEndedPulseBeforeItsQuad) {
  DS_Bling model;
  model.brushSize = 20u;
  model.growTime.SetValue(10u);
  model.shrinkTime.SetValue(10u);
  model.pulseSpeed.SetValue(50u);  // 1.0
  model.colour1.value = 0x000000FFu;  // red
  model.colour2.value = 0x0000FF00u;  // green
  model.strokes.emplace_back(30, 30, 0);
  auto object = Runtime(model);
  auto* bling = static_cast<DS_Bling*>(object->generator);
  ASSERT_EQ(object->LayerCount(), 2u);
  bling->Update(0.0f, object.get());
  GeneratorParticle& dab = bling->strokes.front();
  dab.channels[kChannelLife] = 0.99f;
  dab.channels[kChannelSize] = 0.5f;
  bling->Update(0.1f, object.get());  // life passes 1: restarted in this update
  EXPECT_EQ(dab.channels[kChannelLife], 0.0f);
  EXPECT_EQ(dab.channels[kChannelSize], 0.0f);
  EXPECT_EQ(dab.processes.size(), 3u);
  auto q0 = QuadOf(*object, 0, 0), q1 = QuadOf(*object, 1, 0);
  ASSERT_EQ(q0.size(), 4u);
  EXPECT_EQ(Width(q0), 0.0f);
  EXPECT_EQ(q0[0].color, 0xFF00FF00u);  // colour 2 on layer 0
  EXPECT_EQ(q1[0].color, 0xFFFF0000u);  // colour 1 on layer 1
  EXPECT_EQ(q0[0].x, 30.0f);
}

TEST_F(AirBrushDevice, BlingWithoutPulseStaysAtItsMinimumSize) {
  DS_Bling model;
  model.brushSize = 20u;
  model.minimumSize.SetValue(50u);
  model.strokes.emplace_back(30, 30, 0);
  model.strokes.back().factors[1] = 2.0f;
  auto object = Runtime(model);
  auto* bling = static_cast<DS_Bling*>(object->generator);
  EXPECT_TRUE(bling->strokes.front().processes.empty());
  for (float t : {0.0f, 0.1f, 0.2f}) bling->Update(t, object.get());
  auto q = QuadOf(*object, 1, 0);
  ASSERT_EQ(q.size(), 4u);
  EXPECT_NEAR(Width(q), 0.5f * 20.0f * 2.0f, 1e-4f);
  EXPECT_TRUE(std::isfinite(q[0].x));
}

TEST_F(AirBrushDevice, SparklesTurnWithTheTurnClockAndTheirOffset) {
  DS_Bling model;
  model.brushSize = 10u;
  model.minimumSize.SetValue(100u);
  model.turnSpeed.SetValue(50u);  // one radian per second
  model.AddStrokeParticle(0, 0, 0, 1.0f, 0.0f, 0.25f, 0.0f);  // a quarter turn
  EXPECT_FLOAT_EQ(model.strokes.front().factors[4], 6.2831855f * 0.25f);
  auto object = Runtime(model);
  auto* bling = static_cast<DS_Bling*>(object->generator);
  bling->Update(0.0f, object.get());
  bling->Update(0.1f, object.get());
  auto q = QuadOf(*object, 0, 0);
  ASSERT_EQ(q.size(), 4u);
  // U = R(1, 0, 0) by pi/2 + 0.1: vertex 2 - vertex 0 = U x s... (U + V) - (V - U) = 2U x s/2.
  const float a = 1.5707964f + 0.1f;
  EXPECT_NEAR(q[2].x - q[0].x, 10.0f * std::cos(a), 1e-4f);
  EXPECT_NEAR(q[2].y - q[0].y, 10.0f * std::sin(a), 1e-4f);
}

TEST_F(AirBrushDevice, TwinklesStayBetweenTheSizeAndHalfAsMuchAgain) {
  crt_srand(1);
  DS_TwinklingStars model;
  model.brushSize = 10u;
  model.AddStrokeParticle(5, 5, 0, 2.0f, 0.0f, 0.0f, 0.0f);
  const float opacity = model.strokes.front().channels[kChannelOpacity];
  EXPECT_FLOAT_EQ(opacity, 41.0f / 32767.0f * 0.5f + 0.5f);
  model.strokes.front().ClearProcesses();  // the runtime adds its own at attach
  auto object = Runtime(model);
  auto* stars = static_cast<DS_TwinklingStars*>(object->generator);
  ASSERT_EQ(stars->strokes.front().processes.size(), 1u);
  bool flashed = false;
  for (int i = 0; i <= 400; ++i) {
    stars->Update(i * 0.05f, object.get());
    const float s = stars->strokes.front().channels[kChannelSize];
    ASSERT_GE(s, 2.0f);
    ASSERT_LE(s, 3.0f);
    flashed = flashed || s > 2.0f;
    auto q = QuadOf(*object, 0, 0);
    ASSERT_NEAR(Width(q), s * 10.0f, 1e-4f);
  }
  EXPECT_TRUE(flashed);
}

TEST_F(AirBrushDevice, AuroraCurtainAndItsWaves) {
  DS_Aurora model;
  model.brushSize = 8u;
  model.curtainHeight = 40u;
  for (float p : {0.0f, 10.0f, 20.0f}) model.AddStrokeParticle(p, 50, 0, 1.0f, 1.0f, 0.0f, p);
  {
    auto object = Runtime(model);
    auto* aurora = static_cast<DS_Aurora*>(object->generator);
    aurora->Update(0.0f, object.get());
    aurora->Update(0.5f, object.get());
    for (uint32_t k = 0; k < 3; ++k) {
      auto q = QuadOf(*object, 0, k);
      ASSERT_EQ(q.size(), 4u);
      EXPECT_FLOAT_EQ(Width(q), 8.0f);  // all amplitudes 0: a still curtain
      EXPECT_FLOAT_EQ(Height(q), 40.0f);
      EXPECT_FLOAT_EQ((q[0].x + q[3].x) / 2.0f, 10.0f * k);
    }
  }
  model.waves[0].amplitude.SetValue(50u);   // height x (1 +- 0.5)
  model.waves[2].amplitude.SetValue(4u);    // 4 pixels sideways
  model.waves[2].speed.SetValue(100u);      // 3 radians per second
  model.direction = 90u;                    // along y
  auto object = Runtime(model);
  auto* aurora = static_cast<DS_Aurora*>(object->generator);
  aurora->Update(0.0f, object.get());
  aurora->Update(0.2f, object.get());
  const float c1 = aurora->waves[0].speed.elapsed, c3 = aurora->waves[2].speed.elapsed;
  EXPECT_FLOAT_EQ(c3, 0.6f);
  auto q = QuadOf(*object, 0, 1);
  EXPECT_NEAR(Height(q), 40.0f * (std::sin(10.0f / 1.0f + c1) * 0.5f + 1.0f), 1e-3f);
  EXPECT_NEAR((q[0].y + q[3].y) / 2.0f, 50.0f + std::sin(10.0f + c3) * 4.0f, 1e-3f);
  EXPECT_EQ(aurora->strokes.front().position, D3DXVECTOR3(0, 50, 0));  // restored after the quad
}

TEST_F(AirBrushDevice, CustomPictureFrames) {
  DS_CustomAirBrush model;
  auto object = Runtime(model);
  auto* custom = static_cast<DS_CustomAirBrush*>(object->generator);
  custom->animationSpeed.SetValue(100u);  // 1.0
  custom->picture.delays = {0.1f};
  for (int i = 0; i < 10; ++i) {
    custom->Update(i * 0.05f, object.get());
    EXPECT_EQ(custom->picture.frameIndex, 0u);
  }
  custom->picture.delays = {0.1f, 0.1f, 0.1f};
  custom->picture.frameIndex = 0;
  custom->picture.lastSwitch = custom->animationSpeed.elapsed;
  const float start = 0.45f;
  custom->Update(start + 0.05f, object.get());
  EXPECT_EQ(custom->picture.frameIndex, 0u);
  custom->Update(start + 0.2f, object.get());
  EXPECT_EQ(custom->picture.frameIndex, 1u);
  // A frame beyond the pictures is no texture: that layer is left undrawn.
  EXPECT_TRUE(custom->picture.textures.empty());
  custom->picture.delays.assign(5, 0.01f);
  custom->picture.frameIndex = 7;
  custom->Update(start + 0.4f, object.get());
  EXPECT_LT(custom->picture.frameIndex, 5u);
}

TEST_F(AirBrushDevice, OrientedQuadMatchesTheParticleQuadAndStoresRectangles) {
  DS_AirBrush model;
  auto object = Runtime(model);
  object->ReserveQuads(0, 2);
  ASSERT_TRUE(object->LockLayer(0));
  GeneratorParticle p(10, 20, 0);
  p.channels[kChannelSize] = 2.0f;
  p.channels[kChannelOpacity] = 0.5f;
  SmartCOLORREF colour(0x000080FFu);
  object->SetParticleQuad(0, 0, p, 3.0f, 1.0f, colour);
  object->SetOrientedParticleQuad(1, p, 3.0f, 3.0f, 1.0f, colour);
  object->SetQuad(0, 5, nullptr);  // past the reserved quads: ignored
  object->UnlockLayer(0);
  auto a = QuadOf(*object, 0, 0), b = QuadOf(*object, 0, 1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(a[i].x, b[i].x);
    EXPECT_EQ(a[i].y, b[i].y);
    EXPECT_EQ(a[i].u, b[i].u);
    EXPECT_EQ(a[i].v, b[i].v);
    EXPECT_EQ(a[i].color, 0x80FF8000u);
    EXPECT_EQ(b[i].color, 0x80FF8000u);
  }
  std::vector<ScreenRect> rects;
  EXPECT_FALSE(object->GetScreenRects(rects));
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0].x, 7.0f);
  EXPECT_EQ(rects[0].y, 17.0f);
  EXPECT_EQ(rects[0].width, 6.0f);
  EXPECT_EQ(rects[0].height, 6.0f);

  // Buffers only grow.
  IDirect3DVertexBuffer9* buffer = object->LayerMesh(0)->vertexBuffer.Get();
  object->ReserveQuads(0, 1);
  EXPECT_EQ(object->LayerMesh(0)->vertexBuffer.Get(), buffer);
  EXPECT_EQ(object->QuadCount(0), 1u);
  object->ReserveQuads(0, 3);
  EXPECT_NE(object->LayerMesh(0)->vertexBuffer.Get(), nullptr);
}

}  // namespace
