// Light rays: the record, the ray's three quads, its life and the count cap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/imitters/ray_of_light.h"
#include "player/app/register_all.h"
#include "tools/writer/imitters_writer.h"

namespace {

using namespace pw;

RayOfLightRecord Sample() {
  RayOfLightRecord r;
  r.edges = {100, 0, 0, 100, 200, 0, 0, 0, 0, 0, 200, 0};
  r.rayCount = 7;
  r.life = 40, r.lifeJitter = 10;
  r.width = 10, r.widthJitter = 20;
  r.drift = 500, r.driftJitter = 30;
  r.endWidth = 20, r.fadeIn = 25, r.fadeOut = 25, r.edgeFade = 40;
  r.kept = -3;
  return r;
}

std::unique_ptr<DS_RayOfLight> ReadRay(const ByteBuilder& b) {
  RegisterEverything();
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<DS_ABObj_Constructor> model = ReadObject(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  auto* ray = dynamic_cast<DS_RayOfLight*>(model.get());
  if (!ray) return nullptr;
  model.release();
  return std::unique_ptr<DS_RayOfLight>(ray);
}

TEST(RayOfLight, RecordFieldsAndScales) {
  ByteBuilder b;
  WriteRayOfLight(b, Sample());
  auto ray = ReadRay(b);
  ASSERT_NE(ray, nullptr);
  EXPECT_EQ(ray->edges.corners[1].value, D3DXVECTOR3(100.0f, 200.0f, 0.0f));
  EXPECT_EQ(ray->edges.corners[3].value, D3DXVECTOR3(0.0f, 200.0f, 0.0f));
  EXPECT_EQ(ray->rayCount.value, 7u);
  EXPECT_FLOAT_EQ(ray->rayLife.derived, 4.0f);
  EXPECT_FLOAT_EQ(ray->rayLife.jitter.derived, 0.9f);
  EXPECT_FLOAT_EQ(ray->rayWidth.derived, 10.0f);
  EXPECT_FLOAT_EQ(ray->rayWidth.jitter.derived, 0.8f);
  EXPECT_FLOAT_EQ(ray->drift.derived, 0.1f);
  EXPECT_FLOAT_EQ(ray->drift.jitter.derived, 0.7f);
  EXPECT_FLOAT_EQ(ray->endWidth.derived, 2.0f);
  EXPECT_FLOAT_EQ(ray->fadeIn.derived, 0.25f);
  EXPECT_FLOAT_EQ(ray->fadeOut.derived, 0.25f);
  EXPECT_FLOAT_EQ(ray->edgeFade.derived, 0.2f);
  EXPECT_EQ(ray->kept.value, -3);
  // Stored 0 keeps the width along the ray.
  DS_RayOfLight fresh;
  EXPECT_FLOAT_EQ(fresh.endWidth.derived, 1.0f);
}

TEST(RayOfLight, TruncatedRecordsAreRefused) {
  RegisterEverything();
  ByteBuilder b;
  WriteRayOfLight(b, Sample());
  for (size_t cut = 0; cut + 1 < b.size(); cut += 7) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObject(ar), DS_Error) << cut;
  }
}

TEST(RayOfLight, ThreeQuadsOfOneRay) {
  ByteBuilder b;
  RayOfLightRecord r = Sample();
  r.edgeFade = 0;
  WriteRayOfLight(b, r);
  auto ray = ReadRay(b);
  ASSERT_NE(ray, nullptr);
  ClassicParticle p(D3DXVECTOR3(0.5f, 0.0f, 0.0f));
  p.Factor1() = 10.0f;
  p.Factor2() = 1.0f;
  const float V = 0.5f, U = 0.75f;
  DX_V::PCT q[12];
  ray->WriteRay(p, U, V, q);
  const float band[4][4] = {{58.75f, 150, 0, 0.75f}, {56.25f, 50, 0, 0.25f}, {41.25f, 150, U, 0.75f}, {43.75f, 50, U, 0.25f}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(q[i].x, band[i][0], 1e-4f) << i;
    EXPECT_NEAR(q[i].y, band[i][1], 1e-4f) << i;
    EXPECT_FLOAT_EQ(q[i].u, band[i][2]) << i;
    EXPECT_FLOAT_EQ(q[i].v, band[i][3] * V) << i;
    EXPECT_EQ(q[i].color >> 24, 255u) << i;
  }
  // The A end: to (45, 0) and (55, 0), v 0; the B end from (60, 200), v V.
  EXPECT_NEAR(q[5].x, 55.0f, 1e-4f);
  EXPECT_NEAR(q[7].x, 45.0f, 1e-4f);
  EXPECT_FLOAT_EQ(q[5].v, 0.0f);
  EXPECT_NEAR(q[8].x, 60.0f, 1e-4f);
  EXPECT_NEAR(q[8].y, 200.0f, 1e-4f);
  EXPECT_FLOAT_EQ(q[10].v, V);
  for (int i : {5, 7, 8, 10}) {
    EXPECT_EQ(q[i].color >> 24, 0u) << i;
    EXPECT_EQ(q[i].color & 0xFFFFFFu, q[0].color & 0xFFFFFFu) << i;
  }
  // Outside [0, 1] the edge factor is negative: transparent, also with no
  // edge fade (0 x -inf).
  for (float place : {-0.1f, 1.1f}) {
    p.position.x = place;
    ray->WriteRay(p, U, V, q);
    EXPECT_EQ(q[0].color >> 24, 0u) << place;
  }
  ray->params.colors.colours.value.clear();  // empty set: white
  p.position.x = 0.5f;
  ray->WriteRay(p, U, V, q);
  EXPECT_EQ(q[0].color, 0xFFFFFFFFu);
}

TEST(RayOfLight, LifeRisesToFullAtAQuarterAndEndsAtHalf) {
  DS_RayOfLight ray;
  ray.rayCount.value = 1;
  ray.rayLife.SetScaleOffset(0.1f, 0.0f, 40u);  // L = 4 s, no jitter
  ray.rayWidth.SetScaleOffset(1.0f, 0.0f, 10u);
  ray.UpdateParticles(0.0f);
  ASSERT_EQ(ray.particles.size(), 1u);
  const ClassicParticle* first = ray.particles[0].get();
  EXPECT_FLOAT_EQ(first->Factor2(), 0.0f);
  EXPECT_FLOAT_EQ(first->Factor1(), 10.0f);
  float t = 0.0f;
  for (int k = 1; k <= 10; ++k) ray.UpdateParticles(t = 0.1f * k);
  EXPECT_NEAR(first->Factor2(), 1.0f, 1e-4f);
  ray.UpdateParticles(1.1f);
  EXPECT_NEAR(first->Factor2(), 0.9f, 1e-3f);
  for (int k = 12; k <= 19; ++k) ray.UpdateParticles(0.1f * k);
  ASSERT_EQ(ray.particles[0].get(), first);
  EXPECT_GT(first->Age(), 3.7f);
  ray.UpdateParticles(2.1f);
  // Replaced in the same frame by a newborn (its memory may be reused).
  ASSERT_EQ(ray.particles.size(), 1u);
  EXPECT_FLOAT_EQ(ray.particles[0]->Age(), 0.0f);
}

TEST(RayOfLight, CountZeroMakesNothingAndHugeCountsAreCapped) {
  DS_RayOfLight ray;
  ray.UpdateParticles(0.0f);
  ray.UpdateParticles(0.1f);
  EXPECT_TRUE(ray.particles.empty());
  ray.rayCount.value = 4000000000u;
  EXPECT_EQ(ray.Rays(), 5461u);
}

// A newborn draws its place, life, width, the drift's sign and the drift's
// size, in that order.
TEST(RayOfLight, NewbornDrawsPlaceLifeWidthSignThenDrift) {
  DS_RayOfLight ray;
  ray.rayCount.value = 1;
  ray.rayLife.SetScaleOffset(0.1f, 0.0f, 40u);
  ray.rayLife.jitter.SetValue(50u);
  ray.rayWidth.SetScaleOffset(1.0f, 0.0f, 10u);
  ray.rayWidth.jitter.SetValue(20u);
  ray.drift.SetScaleOffset(0.0002f, 0.0f, 500u);
  ray.drift.jitter.SetValue(30u);
  crt_srand(1234u);
  ClassicParticleList out;
  ray.Emit(out, 0.1f);
  ASSERT_EQ(ray.particles.size(), 1u);
  const ClassicParticle& p = *ray.particles[0];
  crt_srand(1234u);
  const float u0 = crt_rand01(), u1 = crt_rand01(), u2 = crt_rand01();
  const float sign = crt_rand() % 2 == 0 ? 1.0f : -1.0f;
  const float u3 = crt_rand01();
  const float jL = ray.rayLife.jitter.derived, jW = ray.rayWidth.jitter.derived, jD = ray.drift.jitter.derived;
  EXPECT_FLOAT_EQ(p.position.x, u0);
  // The life is an ordinary routine, the first.
  ASSERT_FALSE(p.routines.empty());
  const auto* age = dynamic_cast<const IPR_ConstantAge*>(p.routines[0].get());
  ASSERT_NE(age, nullptr);
  EXPECT_FLOAT_EQ(age->maximum, 4.0f * (u1 * (1.0f - jL) + jL));
  EXPECT_FLOAT_EQ(p.Factor1(), 10.0f * (u2 * (1.0f - jW) + jW));
  EXPECT_FLOAT_EQ(p.velocity.x, sign * 0.1f * (u3 * (1.0f - jD) + jD));
}

}  // namespace
