// The single-quad system: one batch of one quad following the corners, and
// the empty emission.
#include <gtest/gtest.h>

#include <memory>

#include "particles/imitters/single_particle.h"
#include "tests/player/render_fixtures.h"

using namespace render_test;

namespace {

class OneQuad : public ZVI_SingleParticle {
 public:
  ZVI_ParticleSystemCtrl* Clone() const override { return new OneQuad(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override { return EmptyParticleList(out, dt); }
  std::u16string_view ClassName() const override { return u"OneQuad"; }
};

TEST(EmptyParticleList, EmptiesTheOutList) {
  ClassicParticleList out;
  out.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(0.0f, 0.0f, 0.0f))));
  EXPECT_TRUE(EmptyParticleList(out, 0.5f).empty());
}

class SingleParticle : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    model_.quad.corners[0].value = D3DXVECTOR3(100.0f, 0.0f, 0.0f);
    model_.quad.corners[1].value = D3DXVECTOR3(100.0f, 200.0f, 1.0f);
    model_.quad.corners[2].value = D3DXVECTOR3(0.0f, 0.0f, 2.0f);
    model_.quad.corners[3].value = D3DXVECTOR3(0.0f, 200.0f, 3.0f);
  }
  OneQuad model_;
};

void ExpectAt(const DX_V::PCT& v, const D3DXVECTOR3& c) {
  EXPECT_FLOAT_EQ(v.x, c.x);
  EXPECT_FLOAT_EQ(v.y, c.y);
  EXPECT_FLOAT_EQ(v.z, c.z);
}

TEST_F(SingleParticle, PrepareMakesOneQuadOnTheCornersAndUpdateFollowsThem) {
  ZVI_ParticleSystemMech mech(model_.Clone());
  auto* system = static_cast<OneQuad*>(mech.system);
  system->Prepare(&mech);
  ASSERT_EQ(mech.batches.size(), 1u);
  EXPECT_EQ(mech.CountAt(0), 1u);
  {
    DX_V::PCT* v = mech.BatchAt(0)->LockVertices();
    ASSERT_NE(v, nullptr);
    const int order[4] = {1, 0, 3, 2};
    for (int i = 0; i < 4; ++i) ExpectAt(v[i], system->quad.corners[order[i]].value);
    // Texture coordinates: u from left to right, v from bottom up.
    EXPECT_FLOAT_EQ(v[0].u, 0.0f);
    EXPECT_FLOAT_EQ(v[3].u, 1.0f);
    v[0].color = 0x12345678u;
    mech.BatchAt(0)->Unlock();
  }
  system->quad.corners[1].value = D3DXVECTOR3(7.0f, 8.0f, 9.0f);
  system->UpdateQuad();
  DX_V::PCT* v = mech.BatchAt(0)->LockVertices();
  ASSERT_NE(v, nullptr);
  ExpectAt(v[0], D3DXVECTOR3(7.0f, 8.0f, 9.0f));
  EXPECT_EQ(v[0].color, 0x12345678u);  // colours are the subclass's
  mech.BatchAt(0)->Unlock();
}

TEST_F(SingleParticle, UpdateWithoutABatchChangesNothing) {
  ZVI_ParticleSystemMech mech(model_.Clone());
  auto* system = static_cast<OneQuad*>(mech.system);
  system->UpdateQuad();  // no runtime yet
  system->runtime = &mech;
  mech.SizeBatches(0);
  system->UpdateQuad();
  EXPECT_TRUE(mech.batches.empty());
  EXPECT_TRUE(mech.batchCounts.empty());
}

}  // namespace
