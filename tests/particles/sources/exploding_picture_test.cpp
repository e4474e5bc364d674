// The exploding picture: whole and burst phases, fragments and their draws.
#include <gtest/gtest.h>

#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/reader_registry.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/exploding_picture.h"
#include "tests/particles/sources/source_fakes.h"
#include "tools/writer/sources_writer.h"

namespace {

class ExplodingPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_fakes::RegisterAll();
    crt_srand(1);
  }
};

size_t Living(const ParticleVector& v) {
  size_t n = 0;
  for (const ParticlePtr& p : v) n += p->IsDead() ? 0 : 1;
  return n;
}

TEST_F(ExplodingPictureTest, DefaultsWithOneSource) {
  ZVI_PtclSysPhys_ExplodingPic pic;
  EXPECT_FLOAT_EQ(pic.phaseLength, 1.0f);
  ParticleVector sources = source_fakes::Parents(1);
  ParticleVector whole = pic.Generate(&sources);
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_TRUE(whole[0]->flags & ParticleFlags::DiesWithParent);
  const float dt = 0.125f;
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(pic.Update(&sources, dt).empty());  // 1.0 s: not above
  ParticleVector fragments = pic.Update(&sources, dt);
  EXPECT_EQ(pic.phase, ZVI_PtclSysPhys_ExplodingPic::kBurst);
  ASSERT_EQ(fragments.size(), 100u);
  EXPECT_TRUE(whole[0]->IsDead());
  EXPECT_EQ(pic.particles.size(), 100u);
  for (const ParticlePtr& f : fragments) {
    EXPECT_EQ(f->parent.get(), sources[0].get());
    EXPECT_FALSE(f->flags & ParticleFlags::DiesWithParent);
    auto* timer = dynamic_cast<PtclTr_DieOnTimer*>(f->transforms.at(1).get());
    ASSERT_NE(timer, nullptr);
    EXPECT_GE(timer->limit, 0.25f);
    EXPECT_LE(timer->limit, 0.5f);
    auto* size = dynamic_cast<PtclTr_PrmMultiplicator*>(f->transforms.at(0).get());
    ASSERT_NE(size, nullptr);
    EXPECT_GE(size->factor, 0.04f);
    EXPECT_LE(size->factor, 0.08f);
    EXPECT_NEAR(D3DXVec3Length(&f->velocity), 600.0f, 300.0f + 1e-3f);
  }
  // None has gone an eighth of a second later; half a second later all have.
  pic.Update(&sources, dt);
  EXPECT_EQ(Living(pic.particles), 100u);
  for (int i = 0; i < 3; ++i) pic.Update(&sources, dt);
  EXPECT_EQ(Living(pic.particles), 0u);
  // The whole child comes back on the first step past 2.0 s.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(pic.Update(&sources, dt).empty());
  ParticleVector back = pic.Update(&sources, dt);
  EXPECT_EQ(pic.phase, ZVI_PtclSysPhys_ExplodingPic::kWhole);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(pic.particles.size(), 1u);
}

TEST_F(ExplodingPictureTest, FragmentDrawsInOrder) {
  ZVI_PtclSysPhys_ExplodingPic pic;
  pic.fragments = 1u;
  ParticleVector sources = source_fakes::Parents(1);
  crt_srand(1);
  ParticleVector f = pic.Update(&sources, 1.5f);
  ASSERT_EQ(f.size(), 1u);
  // Replay: the burst length, the particle's two reset draws, size, cone
  // direction, speed, lifetime, then the spinner copy's own two.
  crt_srand(1);
  crt_rand();
  crt_rand();
  crt_rand();
  const float size = 0.08f * (0.5f + 0.5f * crt_rand01());
  const D3DXVECTOR3 d = RandomConeDirection(1.0f, 0.0f, 360.0f);
  const float speed = 600.0f * (0.5f + 0.5f * crt_rand01());
  const float life = 0.5f * (0.5f + 0.5f * crt_rand01());
  const float w = crt_rand01();
  auto* sizeT = dynamic_cast<PtclTr_PrmMultiplicator*>(f[0]->transforms.at(0).get());
  auto* lifeT = dynamic_cast<PtclTr_DieOnTimer*>(f[0]->transforms.at(1).get());
  auto* spin = dynamic_cast<ZVI_PtclSysEffect<ZVI_PtclSysEffect_Spiner>*>(f[0]->transforms.at(2).get());
  ASSERT_TRUE(sizeT && lifeT && spin);
  EXPECT_FLOAT_EQ(sizeT->factor, size);
  EXPECT_FLOAT_EQ(lifeT->limit, life);
  EXPECT_NEAR(f[0]->velocity.x, speed * d.x, 1e-3f);
  EXPECT_NEAR(f[0]->velocity.y, speed * d.y, 1e-3f);
  EXPECT_NEAR(f[0]->position.x, 0.5f * d.x, 1e-6f);
  EXPECT_FLOAT_EQ(spin->w, w);
  // The copy shares the prototype's rate block.
  EXPECT_EQ(spin->speed.get(), pic.spinner.speed.get());
  EXPECT_FLOAT_EQ(pic.spinner.speed->value.derived, 1000.0f);
  EXPECT_EQ(pic.spinner.mode->value, 2);
}

TEST_F(ExplodingPictureTest, OneSwitchPerLongStepAndZeroLengthPhases) {
  ZVI_PtclSysPhys_ExplodingPic pic;
  ParticleVector sources = source_fakes::Parents(2);
  pic.count = 3u;
  pic.Update(&sources, 5.0f);
  EXPECT_EQ(pic.phase, ZVI_PtclSysPhys_ExplodingPic::kBurst);
  EXPECT_FLOAT_EQ(pic.elapsed, 4.0f);
  EXPECT_EQ(pic.particles.size(), 200u);
  ParticleVector whole = pic.Update(&sources, 0.01f);
  EXPECT_EQ(pic.phase, ZVI_PtclSysPhys_ExplodingPic::kWhole);
  ASSERT_EQ(whole.size(), 6u);
  EXPECT_EQ(whole[0]->parent.get(), sources[0].get());
  EXPECT_EQ(whole[5]->parent.get(), sources[1].get());
  // A range of 0 to 0 switches at every positive step.
  for (TimeParam* t : {&pic.wholeMin, &pic.wholeMax, &pic.burstMin, &pic.burstMax}) t->SetValue(0u);
  pic.Clear();
  EXPECT_EQ(pic.phase, ZVI_PtclSysPhys_ExplodingPic::kWhole);
  EXPECT_EQ(pic.elapsed, 0.0f);
  for (int i = 0; i < 4; ++i) {
    const int32_t before = pic.phase;
    pic.Update(&sources, 0.01f);
    EXPECT_NE(pic.phase, before);
  }
  // No sources: the burst makes nothing.
  pic.Clear();
  pic.Update(nullptr, 0.01f);
  EXPECT_TRUE(pic.particles.empty());
}

TEST_F(ExplodingPictureTest, Record) {
  pw::ExplodingPicRecord r;
  r.wholeMin = 20;
  r.wholeMax = 40;
  r.burstMin = 10;
  r.burstMax = 30;
  r.fragments = 7;
  r.size = 10;
  r.sizeJitter = 0;
  r.lifetime = 80;
  r.lifetimeJitter = 20;
  r.speed = 5;
  r.speedJitter = 100;
  r.spinRate = 30;
  r.spinJitter = 40;
  r.spinMode = 1;
  r.count = 4;
  pw::ByteBuilder b;
  pw::WriteExplodingPic(b, r);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  auto* pic = dynamic_cast<ZVI_PtclSysPhys_ExplodingPic*>(item.get());
  ASSERT_NE(pic, nullptr);
  EXPECT_FLOAT_EQ(pic->wholeMin.derived, 0.2f);
  EXPECT_FLOAT_EQ(pic->wholeMax.derived, 0.4f);
  EXPECT_FLOAT_EQ(pic->burstMin.derived, 0.1f);
  EXPECT_FLOAT_EQ(pic->burstMax.derived, 0.3f);
  EXPECT_EQ(pic->fragments.value, 7u);
  EXPECT_FLOAT_EQ(pic->fragmentSize.value.derived, 0.1f);
  EXPECT_FLOAT_EQ(pic->fragmentSize.jitter.derived, 1.0f);
  EXPECT_FLOAT_EQ(pic->fragmentLifetime.value.derived, 0.8f);
  EXPECT_FLOAT_EQ(pic->fragmentSpeed.value.derived, 50.0f);
  EXPECT_FLOAT_EQ(pic->fragmentSpeed.jitter.derived, 0.0f);
  EXPECT_FLOAT_EQ(pic->spinner.speed->value.derived, 300.0f);
  EXPECT_EQ(pic->spinner.speed->jitter.value, 40u);
  EXPECT_EQ(pic->spinner.mode->value, 1);
  EXPECT_EQ(pic->count.value, 4u);
}

}  // namespace
