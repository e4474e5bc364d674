// The tree curve node with the real curve physics: a new node makes a
// fractal curve physics by class name, a record carries a curve physics'
// record, and the node's fractal line wiggles between fixed ends.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/crt.h"
#include "particles/sources/stripe_physics.h"
#include "player/texture_sources.h"
#include "tests/particles/nodes/tree_fixtures.h"
#include "tests/particles/sources/source_fakes.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/sources_writer.h"

namespace {

class TreeCurvePhysicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterValueGraphReaders();
    RegisterTextureSourceReaders();
    RegisterNodeParticleReaders();
    RegisterReader<tree_test::TreeGeometry, ZVI_IOF_Item>(u"Test_TreeGeometry");
    source_fakes::RegisterAll();
    crt_srand(1);
  }
};

pw::TreeLeafRecord Leaf() {
  pw::ByteBuilder source;
  pw::TextureSourceRecord t;
  t.block.links = {{u"dot.png", 2}};
  pw::WriteTextureSource(source, t);
  pw::TreeLeafRecord r;
  pw::WriteAlerterTextureSource(r.texture, source, 100, 0);
  r.oldLink.links = {{u"dot.png", 2}};
  r.node.geometry = tree_test::GeometryRecord(1);
  return r;
}

TEST_F(TreeCurvePhysicsTest, ANewCurveNodeHoldsAFractalLineThatWigglesBetweenFixedEnds) {
  ZVI_PSTree_Curve node;
  auto* fractal = dynamic_cast<ZVI_PtclSysPhys_FractalCurv*>(node.physics.get());
  ASSERT_NE(fractal, nullptr);
  ParticleVector parents = source_fakes::Parents(1);
  parents[0]->position = D3DXVECTOR3(30, 40, 0);
  node.GenerateForAll(parents);
  ASSERT_EQ(fractal->Curves().size(), 1u);
  std::vector<CurveSample> samples;
  std::vector<float> middle;
  for (int frame = 0; frame < 20; ++frame) {
    node.Step(0.05f, parents);
    ASSERT_EQ(fractal->Curves().size(), 1u);
    node.BuildCurveSamples(fractal->Curves()[0], samples);
    ASSERT_EQ(samples.size(), 33u);
    EXPECT_EQ(samples.front().position, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(samples.back().position, D3DXVECTOR3(1, 0, 0));
    middle.push_back(samples[16].position.y);
    for (const CurveSample& s : samples) EXPECT_TRUE(std::isfinite(s.position.y));
  }
  float spread = 0.0f;
  for (float y : middle) spread = std::max(spread, std::fabs(y - middle.front()));
  EXPECT_GT(spread, 0.0f) << "the middle point moves";
  // The curve particle sits on its parent.
  EXPECT_EQ(fractal->Curves()[0].particle->GetWorldPosition(), D3DXVECTOR3(30, 40, 0));
}

TEST_F(TreeCurvePhysicsTest, CurveRecordsCarryTheirPhysics) {
  for (int32_t version : {1, 4}) {
    SCOPED_TRACE(version);
    pw::TreeCurveRecord r;
    r.version = version;
    r.selected = 2;
    pw::CurvesRecord c;
    c.width = 9;
    pw::WriteFractalCurv(r.physics, 2, 3, 50, 50, c);
    r.middleLength = 100;
    r.curveWidth = 24;
    r.leaf = Leaf();
    pw::ByteBuilder b;
    pw::WriteTreeCurve(b, r);
    uint64_t left = 1;
    std::unique_ptr<ZVI_PSTree_Curve> node = node_tree_test::ReadItem<ZVI_PSTree_Curve>(b, &left);
    ASSERT_TRUE(node);
    EXPECT_EQ(left, 0u);
    auto* fractal = dynamic_cast<ZVI_PtclSysPhys_FractalCurv*>(node->physics.get());
    ASSERT_NE(fractal, nullptr);
    EXPECT_EQ(fractal->levels.value, 3u);
    // Version 1 takes the width from the physics' width block.
    EXPECT_EQ(node->curveWidth.value, version == 1 ? 9u : 24u);
    ParticleVector parents = source_fakes::Parents(1);
    node->GenerateForAll(parents);
    ASSERT_EQ(fractal->Curves().size(), 1u);
    EXPECT_EQ(fractal->Curves()[0].points->particles.size(), 9u);
  }
}

}  // namespace
