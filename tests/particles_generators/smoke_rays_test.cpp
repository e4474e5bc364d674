// Smoke puffs (launch, behaviours, quads, record) and radial rays (the fan's
// vertices, the seeded random fan, turn modes, fades, record).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/archive.h"
#include "core/crt.h"
#include "gen_fixtures.h"
#include "particles/generators/radial_rays.h"
#include "particles/generators/smoke.h"
#include "player/scene_object.h"
#include "tools/writer/smoke_rays_writer.h"

using namespace gen_test;

namespace {

std::vector<DX_V::PCT> QuadOf(DS_ParticlesObj& object, uint32_t i) {
  DS_IndexedMesh<DX_V::PCT>* mesh = object.LayerMesh(0);
  void* data = nullptr;
  if (!mesh || !mesh->vertexBuffer || FAILED(mesh->vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY))) return {};
  const auto* v = static_cast<const DX_V::PCT*>(data) + static_cast<size_t>(i) * 4;
  std::vector<DX_V::PCT> out(v, v + 4);
  mesh->vertexBuffer->Unlock();
  return out;
}

template <class G>
std::unique_ptr<DS_ParticlesObj> Runtime(G& model) {
  return std::unique_ptr<DS_ParticlesObj>(static_cast<DS_ParticlesObj*>(model.CreateRuntime()));
}

void TexPart(pw::ByteBuilder& b) {
  b.WideString(u"DS_TexParticleGenerator").I32(3);
  b.I32(1).FileLink(u"s.png", 0).FileLink(u"", 0);
  b.U32(0x00FFFFFF).U32(0).U32(0x00FFFFFF).U32(0).I32(0).I32(0).I32(0).I32(0);
  b.WideString(u"DS_ParticleGenerator").I32(3).I32(0).U32(150).U32(10).U32(50).U32(20).I32(1);
  pw::WriteConstructorBase(b, pw::ConstructorRecord{});
}

pw::TexGeneratorRecord TexRecord() {
  pw::TexGeneratorRecord t;
  t.images = {{u"s.png", 0}};
  t.generator.life = 150;
  t.generator.rate = 10;
  t.generator.size = 50;
  t.generator.speed = 20;
  t.generator.trail = 1;
  return t;
}

std::unique_ptr<DS_ABObj_Constructor> ReadWhole(const pw::ByteBuilder& b) {
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  auto obj = ReadObject(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  return obj;
}

using SmokeRays = DeviceTest;

// ---- smoke

TEST_F(SmokeRays, SmokeRecordAndWind) {
  for (uint32_t wind : {50u, 0u, 100u}) {
    pw::ByteBuilder b;
    b.WideString(u"DS_Smoke").I32(1).U32(wind);
    b.WideString(u"DS_ParticleOriginGenerator").I32(2).U32(50).U32(2).U32(3).U32(90).U32(45).U32(100);
    b.WideString(u"DS_StaticGenerator").I32(1).F32(200).F32(150).F32(0);
    TexPart(b);
    auto obj = ReadWhole(b);
    auto* smoke = dynamic_cast<DS_Smoke*>(obj.get());
    ASSERT_NE(smoke, nullptr);
    EXPECT_FLOAT_EQ(smoke->wind.derived, wind * 2.0f - 100.0f) << wind;
    EXPECT_FLOAT_EQ(smoke->originLifetime.derived, 2.0f);
    EXPECT_EQ(smoke->originSize.value, 3u);
    EXPECT_EQ(smoke->origin.value, D3DXVECTOR3(200, 150, 0));
    std::unique_ptr<DS_ParticleGenerator> clone(smoke->Clone());
    EXPECT_FLOAT_EQ(static_cast<DS_Smoke*>(clone.get())->wind.derived, smoke->wind.derived);

    pw::SmokeRecord r;
    r.wind = wind;
    r.origin.lifetime = 50;
    r.origin.launchRate = 2;
    r.origin.originSize = 3;
    r.origin.direction = 90;
    r.origin.spread = 45;
    r.origin.speed = 100;
    r.origin.base.origin = {200, 150, 0};
    r.origin.base.tex = TexRecord();
    pw::ByteBuilder written;
    pw::WriteSmoke(written, r);
    EXPECT_EQ(written.bytes(), b.bytes());
  }
  DS_Smoke fresh;
  EXPECT_FLOAT_EQ(fresh.wind.derived, -100.0f);
}

TEST_F(SmokeRays, PuffDrawsSectorThenSpinThenStartAngle) {
  DS_Smoke smoke;
  smoke.originLifetime.SetValue(25u);  // 1 s
  smoke.sector.value = 30u;
  smoke.sector.spread.value = 20u;
  smoke.sector.Recompute();
  smoke.wind.SetValue(0u);
  smoke.origin = D3DXVECTOR3(4, 5, 0);
  crt_srand(3);
  const D3DXVECTOR3 dir = smoke.sector.RandomDirection();
  const float spin = crt_rand01() * 100.0f - 50.0f;
  const float start = crt_rand01() * 360.0f * 3.1415927f / 180.0f;
  const int next = crt_rand();
  crt_srand(3);
  auto puff = smoke.LaunchPuff();
  EXPECT_EQ(crt_rand(), next);
  EXPECT_EQ(puff->position, D3DXVECTOR3(4, 5, 0));
  EXPECT_EQ(puff->velocity, dir * 100.0f);
  EXPECT_EQ(puff->acceleration, D3DXVECTOR3(-100, 0, 0));
  EXPECT_EQ(puff->sizeFactor, 0.5f);
  EXPECT_EQ(puff->opacity, 0.0f);
  EXPECT_NEAR(puff->axisU.x, std::cos(start), 1e-6f);
  EXPECT_NEAR(puff->axisU.y, std::sin(start), 1e-6f);
  EXPECT_NEAR(puff->axisV.x, -std::sin(start), 1e-6f);
  ASSERT_EQ(puff->behaviours.size(), 5u);
  auto* last = dynamic_cast<SmokeBehaviour*>(puff->behaviours.back().get());
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->function, &SmokeSpin);
  EXPECT_FLOAT_EQ(last->params[0], spin);
}

TEST_F(SmokeRays, PuffFadesInForAFifthThenOutToZero) {
  DS_Smoke smoke;
  smoke.originLifetime.SetValue(25u);  // 1 s
  smoke.wind.SetValue(50u);            // no wind
  smoke.timing.Current()->visibility = 1.0f;
  smoke.origins.push_back(smoke.LaunchPuff());
  OriginRecord& puff = *smoke.origins.front();
  const D3DXVECTOR3 v0 = puff.velocity;
  // Fine steps: the fade-in ends within one step of the fifth.
  const float dt = 1.0f / 1024.0f;
  float t = 0.0f;
  float peak = 0.0f;
  while (t < 1.0f - dt / 2) {
    smoke.UpdateOrigins(dt);
    t += dt;
    peak = std::max(peak, puff.opacity);
    // Rises at 4 per second for the first fifth, then falls at 1 per second.
    const float want = t <= 0.2f ? 4.0f * t : 0.8f - (t - 0.2f);
    ASSERT_NEAR(puff.opacity, want, 0.01f) << t;
  }
  EXPECT_NEAR(peak, 0.8f, 0.01f);
  EXPECT_NEAR(puff.opacity, 0.0f, 0.01f);
  EXPECT_NEAR(puff.sizeFactor, 1.5f, 1e-4f);
  EXPECT_NEAR(puff.position.x, v0.x, 1e-3f);  // one second at the launch velocity
  EXPECT_NEAR(puff.position.y, v0.y, 1e-3f);
}

TEST_F(SmokeRays, WindAcceleratesSideways) {
  DS_Smoke smoke;
  smoke.originLifetime.SetValue(25u);
  smoke.wind.SetValue(0u);
  smoke.origins.push_back(smoke.LaunchPuff());
  OriginRecord& puff = *smoke.origins.front();
  const D3DXVECTOR3 v0 = puff.velocity;
  smoke.UpdateOrigins(0.5f);
  EXPECT_NEAR(puff.position.x, v0.x * 0.5f - 100.0f * 0.125f, 1e-3f);
  EXPECT_NEAR(puff.velocity.x, v0.x - 50.0f, 1e-3f);
}

TEST_F(SmokeRays, PuffQuadsSizeAndAlpha) {
  DS_Smoke model;
  model.launchRate = 2u;
  model.originLifetime.SetValue(250u);  // 10 s: the pre-run keeps every puff
  model.originSize = 0u;
  model.colour1.value = 0x00FFFFFFu;
  auto object = Runtime(model);
  auto* g = static_cast<DS_Smoke*>(object->generator);
  EXPECT_GE(g->origins.size(), 9u);  // five seconds at two a second
  g->Update(0.0f, object.get());
  ASSERT_EQ(object->QuadCount(0), g->origins.size());
  for (uint32_t k = 0; k < object->QuadCount(0); ++k) {
    auto q = QuadOf(*object, k);
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[0].x, q[3].x);
    EXPECT_EQ(q[0].y, q[3].y);
  }
  // An opacity above 1 raises the alpha to full; below 0 hides.
  g->originSize = 10u;
  g->origins.front()->opacity = 3.0f;
  g->origins.back()->opacity = -1.0f;
  g->WritePuffs(object.get());
  EXPECT_EQ(QuadOf(*object, 0)[0].color >> 24, 255u);
  EXPECT_EQ(QuadOf(*object, object->QuadCount(0) - 1)[0].color >> 24, 0u);
}

// A file's rate and lifetime may ask for billions of puffs: the warm-up and
// the frames after it keep at most one batch alive, the oldest kept.
TEST_F(SmokeRays, HugeRateAndLifetimeStayWithinThePuffCap) {
  DS_Smoke model;
  model.launchRate = 0xFFFFFFFFu;
  model.originLifetime.SetValue(100000u);  // 4000 s
  model.originSize = 10u;
  auto object = Runtime(model);
  auto* g = static_cast<DS_Smoke*>(object->generator);
  ASSERT_EQ(g->origins.size(), kMaxSmokePuffs);
  // The oldest puffs stay: the first, launched at the end of the first of
  // the warm-up's 100 steps of 0.05 s, has lived the 99 others.
  EXPECT_NEAR(g->originLifetime.derived - g->origins.front()->remaining, 4.95f, 0.01f);
  g->Update(0.0f, object.get());
  g->Update(0.1f, object.get());
  EXPECT_EQ(g->origins.size(), kMaxSmokePuffs);
  EXPECT_EQ(object->QuadCount(0), kMaxSmokePuffs);
}

// ---- radial rays

DS_RadialRays Rays(uint32_t count) {
  DS_RadialRays r;
  r.rayLength = 100u;
  r.rayWidth = 10u;
  r.rayCount = count;
  r.origin = D3DXVECTOR3(50, 50, 0);
  r.colour1.value = 0x00FFFFFFu;
  return r;
}

TEST_F(SmokeRays, FourRaysAtRightAngles) {
  DS_RadialRays model = Rays(4);
  auto object = Runtime(model);
  ASSERT_EQ(object->QuadCount(0), 4u);
  struct V {
    float x, y, u, v;
  };
  const V want[4][4] = {
      {{50, 55, 0.01f, 0.99f}, {50, 45, 0.01f, 0.01f}, {150, 55, 0.99f, 0.99f}, {150, 45, 0.99f, 0.01f}},
      {{45, 50, 0.01f, 0.99f}, {55, 50, 0.01f, 0.01f}, {45, 150, 0.99f, 0.99f}, {55, 150, 0.99f, 0.01f}},
      {{50, 45, 0.01f, 0.99f}, {50, 55, 0.01f, 0.01f}, {-50, 45, 0.99f, 0.99f}, {-50, 55, 0.99f, 0.01f}},
      {{55, 50, 0.01f, 0.99f}, {45, 50, 0.01f, 0.01f}, {55, -50, 0.99f, 0.99f}, {45, -50, 0.99f, 0.01f}},
  };
  for (uint32_t i = 0; i < 4; ++i) {
    auto q = QuadOf(*object, i);
    ASSERT_EQ(q.size(), 4u);
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(q[j].x, want[i][j].x, 1e-3f) << i << " " << j;
      EXPECT_NEAR(q[j].y, want[i][j].y, 1e-3f) << i << " " << j;
      EXPECT_EQ(q[j].u, want[i][j].u);
      EXPECT_EQ(q[j].v, want[i][j].v);
      EXPECT_EQ(q[j].color, 0xFFFFFFFFu);
    }
  }
  // No rays: no quads.
  DS_RadialRays none = Rays(0);
  auto empty = Runtime(none);
  EXPECT_EQ(empty->QuadCount(0), 0u);
}

TEST_F(SmokeRays, RandomFanIsTheSameEveryFrameAndRestoresTheSequence) {
  DS_RadialRays model = Rays(6);
  model.randomRays = 1;
  model.seed = 99u;
  model.lengthVariation.SetValue(60u);  // k = 0.4
  auto object = Runtime(model);
  auto* g = static_cast<DS_RadialRays*>(object->generator);
  crt_srand(7);
  const int s0 = crt_rand();
  crt_srand(s0);
  const int afterReseed = crt_rand();
  crt_srand(7);
  g->BuildRays(object.get());
  EXPECT_EQ(crt_rand(), afterReseed);
  std::vector<std::vector<DX_V::PCT>> first;
  for (uint32_t i = 0; i < 6; ++i) first.push_back(QuadOf(*object, i));
  crt_srand(12345);
  g->BuildRays(object.get());
  bool someShort = false;
  for (uint32_t i = 0; i < 6; ++i) {
    auto q = QuadOf(*object, i);
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(q[j].x, first[i][j].x);
      EXPECT_EQ(q[j].y, first[i][j].y);
    }
    const float len = std::hypot(q[2].x - q[0].x, q[2].y - q[0].y);
    EXPECT_GE(len, 40.0f - 1e-3f);
    EXPECT_LE(len, 100.0f + 1e-3f);
    someShort = someShort || len < 99.0f;
  }
  EXPECT_TRUE(someShort);
}

TEST_F(SmokeRays, LengthVariationZeroGivesEvenFullRays) {
  DS_RadialRays even = Rays(5);
  DS_RadialRays random = Rays(5);
  random.randomRays = 1;
  random.seed = 5u;
  auto a = Runtime(even);
  auto b = Runtime(random);
  for (uint32_t i = 0; i < 5; ++i) {
    auto qa = QuadOf(*a, i), qb = QuadOf(*b, i);
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(qa[j].x, qb[j].x, 1e-3f);
      EXPECT_NEAR(qa[j].y, qb[j].y, 1e-3f);
    }
  }
}

TEST_F(SmokeRays, TurnModes) {
  struct Case {
    int mode;
    float angle;  // after 0.5 s at 1 radian per second, swing amplitude 0.5
  };
  for (const Case c : {Case{0, 0.5f}, Case{1, -0.5f}, Case{2, std::sin(0.5f) * 0.5f}}) {
    DS_RadialRays g = Rays(1);
    g.turnSpeed.SetValue(50u);
    g.turnMode = c.mode;
    g.swingAmplitude.SetValue(25u);
    g.Update(0.0f, nullptr);
    g.Update(0.2f, nullptr);
    g.Update(0.4f, nullptr);
    g.Update(0.5f, nullptr);
    EXPECT_NEAR(g.rotation._11, std::cos(c.angle), 1e-5f) << c.mode;
    EXPECT_NEAR(g.rotation._12, std::sin(c.angle), 1e-5f) << c.mode;
  }
}

TEST_F(SmokeRays, FadeDepthAndVisibilityModes) {
  struct Case {
    int visibilityMode;
    uint32_t fadeDepth;
    float length;
    uint32_t alpha;
  };
  // Visibility 0.25.
  for (const Case c : {Case{0, 0, 100, 255}, Case{0, 100, 25, 255}, Case{0, 50, 62.5f, 255},
                       Case{1, 100, 100, 63}, Case{1, 0, 100, 255}, Case{2, 100, 100, 255}}) {
    DS_RadialRays model = Rays(1);
    model.fadeDepth.SetValue(c.fadeDepth);
    model.timing.timeMode = c.visibilityMode;
    model.timing.Current()->visibility = 0.25f;
    auto object = Runtime(model);
    auto q = QuadOf(*object, 0);
    ASSERT_EQ(q.size(), 4u);
    EXPECT_NEAR(q[2].x - q[0].x, c.length, 1e-3f) << c.visibilityMode << " " << c.fadeDepth;
    EXPECT_NEAR(q[0].y - q[1].y, c.length / 10.0f, 1e-3f);
    EXPECT_EQ(q[0].color >> 24, c.alpha);
  }
}

TEST_F(SmokeRays, RadialRaysRecord) {
  pw::ByteBuilder b;
  b.WideString(u"DS_RadialRays").I32(1);
  b.U32(300).U32(20).U32(12).I32(1).I32(1).U32(77).U32(25).U32(10).I32(2).U32(40).U32(50);
  b.WideString(u"DS_StaticGenerator").I32(1).F32(200).F32(150).F32(0);
  TexPart(b);
  auto obj = ReadWhole(b);
  auto* rays = dynamic_cast<DS_RadialRays*>(obj.get());
  ASSERT_NE(rays, nullptr);
  EXPECT_EQ(rays->rayLength.value, 300u);
  EXPECT_EQ(rays->rayWidth.value, 20u);
  EXPECT_EQ(rays->rayCount.value, 12u);
  EXPECT_EQ(rays->imageIndex.value, 1);
  EXPECT_EQ(rays->randomRays.value, 1);
  EXPECT_EQ(rays->seed.value, 77u);
  EXPECT_FLOAT_EQ(rays->lengthVariation.derived, 0.75f);
  EXPECT_FLOAT_EQ(rays->turnSpeed.derived, 0.2f);
  EXPECT_EQ(rays->turnMode.value, 2);
  EXPECT_FLOAT_EQ(rays->fadeDepth.derived, 0.6f);
  EXPECT_FLOAT_EQ(rays->swingAmplitude.derived, 1.0f);
  EXPECT_EQ(rays->origin.value, D3DXVECTOR3(200, 150, 0));

  pw::RadialRaysRecord r{300, 20, 12, 1, 1, 77, 25, 10, 2, 40, 50, {}};
  r.base.origin = {200, 150, 0};
  r.base.tex = TexRecord();
  pw::ByteBuilder written;
  pw::WriteRadialRays(written, r);
  EXPECT_EQ(written.bytes(), b.bytes());

  DS_RadialRays fresh;
  EXPECT_FLOAT_EQ(fresh.lengthVariation.derived, 1.0f);
  EXPECT_FLOAT_EQ(fresh.fadeDepth.derived, 1.0f);
  EXPECT_FLOAT_EQ(fresh.turnSpeed.derived, 0.02f);
  EXPECT_FLOAT_EQ(fresh.swingAmplitude.derived, 0.0f);
}

}  // namespace
