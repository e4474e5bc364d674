// Tree-structured systems read from crafted records and played with the
// real emitter geometries, headless on a 64 x 64 scene: a source group's
// grid, a sector emitter's streak and a tilted field's far particles. The
// roots sit at scene points and scale their trees by 0.2.
#include <gtest/gtest.h>

#include <memory>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "particles/nodes/tree_leaves.h"
#include "player/app/register_all.h"
#include "player/meshes.h"
#include "player/slide_render_context.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/geometry_emitters_writer.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/sources_writer.h"
#include "tools/writer/tree_writer.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kBackground = 0xFF202060;

pw::TreeLeafRecord WhiteLeaf(uint32_t quadSize, const pw::ByteBuilder& geometry) {
  pw::TreeLeafRecord leaf;
  pw::ByteBuilder source;
  pw::TextureSourceRecord image;
  image.block.links = {{u"dot.png", 2}};
  pw::WriteTextureSource(source, image);
  pw::WriteAlerterTextureSource(leaf.texture, source, 100, 0);
  leaf.quadSize = quadSize;
  leaf.node.geometry = geometry;
  return leaf;
}

pw::ByteBuilder PointGeometry() {
  pw::GeometryRecord g;
  g.sizeValue = 100;
  pw::ByteBuilder b;
  pw::WriteGeomPoint(b, g);
  return b;
}

class TreeGeometryPixels : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    RegisterEverything();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(64, 64, [](int, int) { return kBackground; })}}});
    r.rawFrames.push_back({u"dot.png", 2, {{1, Png(8, 8, [](int, int) { return 0xFFFFFFFF; }), 0.0f}}});
    UseDocument(MakeDocument(r));
    light_ = StartPictureLight(kBack);
  }
  void TearDown() override {
    runtime_.reset();
    model_.reset();
    light_.reset();
    RenderTest::TearDown();
  }

  // Reads a root at (x, y) of size 20 holding the given top-level nodes and
  // makes its runtime object.
  void Play(float x, float y, std::vector<pw::ByteBuilder> children) {
    pw::TreeRootRecord root;
    root.x = x;
    root.y = y;
    root.size = 20;
    root.children = std::move(children);
    pw::ByteBuilder b;
    pw::WriteTreeRoot(b, root);
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    std::unique_ptr<DS_ABObj_Constructor> read = ReadObjectOf<DS_ABObj_Constructor>(ar);
    ASSERT_EQ(ar.Remaining(), 0u);
    model_.reset(dynamic_cast<ZVI_PSTree_Root*>(read.release()));
    ASSERT_TRUE(model_);
    runtime_.reset(static_cast<ZVI_PtclSys_Mesh*>(model_->CreateRuntime()));
  }
  Pixels Frame() {
    runtime_->Update(time_ += 0.04f);
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light_->ClearBackground(0);
    int pass = runtime_->NeedsBackground();
    runtime_->Render(light_.get(), &pass);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  std::unique_ptr<DS_2D_Light> light_;
  std::unique_ptr<ZVI_PSTree_Root> model_;
  std::unique_ptr<ZVI_PtclSys_Mesh> runtime_;
  float time_ = 0.0f;
};

TEST_F(TreeGeometryPixels, AGroupLightsSixSquaresAtItsGridCentres) {
  pw::ByteBuilder figure;
  pw::WriteVFigureRect(figure, 300, 200);
  pw::GeometryRecord g;
  g.sizeValue = 100;
  pw::ByteBuilder group;
  pw::WriteSourceGroup(group, 2, 3, 0, 180, 90, figure, g);
  pw::ByteBuilder leaf;
  pw::WriteTreeLeaf(leaf, WhiteLeaf(40, group));  // 8 pixels once scaled
  Play(32, 32, {leaf});
  Pixels px = Frame();
  // Grid x -100, 0, 100 and y -50, 50, scaled by 0.2 about (32, 32).
  for (int x : {12, 32, 52}) {
    for (int y : {22, 42}) EXPECT_TRUE(Near(px.at(x, y), 0xFFFFFFFF)) << x << ", " << y << std::hex << " " << px.at(x, y);
  }
  for (auto [x, y] : {std::pair{22, 22}, std::pair{42, 42}, std::pair{32, 32}, std::pair{12, 32}}) {
    EXPECT_TRUE(Near(px.at(x, y), kBackground)) << x << ", " << y;
  }
}

TEST_F(TreeGeometryPixels, ASectorEmitterDrawsAHorizontalStreak) {
  pw::EmitterRecord e;
  e.count = 50;  // one every 2 units at speed 100
  e.duration = 1.0f;
  e.lifetime = 3.0f;
  e.speed = 100;
  e.geometry.sizeValue = 100;
  pw::ForcesRecord still;
  still.drag = 0;
  pw::ByteBuilder dot;
  pw::WriteVFigureRect(dot, 1, 1);
  pw::TreeNodeRecord stem;
  pw::WriteEmitSector(stem.geometry, 2, 0, 0, still, e, dot);
  pw::WriteTreeLeaf(stem.children.emplace_back(), WhiteLeaf(10, PointGeometry()));
  pw::ByteBuilder b;
  pw::WriteTreeStem(b, stem);
  Play(8, 32, {b});
  Pixels px;
  for (int i = 0; i < 25; ++i) px = Frame();  // one second: 100 units, 20 pixels
  for (int x = 10; x <= 25; x += 3) EXPECT_TRUE(Near(px.at(x, 32), 0xFFFFFFFF, 8)) << x << std::hex << " " << px.at(x, 32);
  EXPECT_TRUE(Near(px.at(33, 32), kBackground)) << std::hex << px.at(33, 32);
  EXPECT_TRUE(Near(px.at(18, 36), kBackground)) << std::hex << px.at(18, 36);
  EXPECT_TRUE(Near(px.at(18, 28), kBackground)) << std::hex << px.at(18, 28);
}

TEST_F(TreeGeometryPixels, ATiltedFieldDrawsItsFarParticlesSmaller) {
  pw::EmitterRecord e;
  e.count = 30;
  e.duration = 0.1f;
  e.lifetime = 5.0f;
  e.geometry.sizeValue = 100;
  pw::TreeNodeRecord stem;
  pw::WriteEmitField(stem.geometry, 200, 100, 60, e);
  pw::WriteTreeLeaf(stem.children.emplace_back(), WhiteLeaf(20, PointGeometry()));
  pw::ByteBuilder b;
  pw::WriteTreeStem(b, stem);
  Play(32, 32, {b});
  for (int i = 0; i < 3; ++i) Frame();
  auto* node = dynamic_cast<ZVI_PSTree_Stem*>(model_->children.value.at(0).get());
  ASSERT_TRUE(node);
  auto* leaf = dynamic_cast<ZVI_PSTree_Leaf*>(node->children.value.at(0).get());
  ASSERT_TRUE(leaf && leaf->geometry);
  const ParticleVector& held = leaf->geometry->held;
  ASSERT_GE(held.size(), 10u);
  MeshRecord& batch = runtime_->batches.at(0);
  void* data = nullptr;
  ASSERT_EQ(batch.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  const auto* v = static_cast<const DX_V::PCT*>(data);
  // Quad widths against the ground depth v of the field particle each rides.
  std::vector<std::pair<float, float>> depthWidth;
  for (size_t i = 0; i < held.size(); ++i) {
    const float width = v[4 * i + 2].x - v[4 * i].x;
    depthWidth.emplace_back(held[i]->parent->velocity.y, width);
  }
  batch.vertexBuffer->Unlock();
  int compared = 0;
  for (const auto& [va, wa] : depthWidth) {
    for (const auto& [vb, wb] : depthWidth) {
      if (vb - va > 0.3f) {
        EXPECT_LT(wb, wa) << "v " << vb << " against " << va;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 3);
}

TEST_F(TreeGeometryPixels, ACurveLeafDrawsTheStripOfAStraightLineCurve) {
  // A stem placing one particle on the root; a curve leaf growing a
  // four-segment straight line on it: a strip 40 long and 16 wide.
  pw::CurvesRecord blocks;
  blocks.spinRate = 0;
  blocks.start = 0;
  pw::TreeCurveRecord curve;
  curve.selected = 1;
  pw::WriteLineCurv(curve.physics, 4, blocks);
  curve.middleLength = 40;
  curve.curveWidth = 16;
  curve.leaf = WhiteLeaf(0, pw::ByteBuilder());
  curve.leaf.node.geometry = pw::ByteBuilder();
  pw::WriteGeomPoint(curve.leaf.node.geometry, pw::GeometryRecord{});
  pw::TreeNodeRecord stem;
  stem.geometry = PointGeometry();
  pw::WriteTreeCurve(stem.children.emplace_back(), curve);
  pw::ByteBuilder b;
  pw::WriteTreeStem(b, stem);
  Play(32, 32, {b});
  runtime_->model->size.SetValue(100u);  // full size
  Pixels px;
  for (int i = 0; i < 3; ++i) px = Frame();
  int lit = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) lit += Near(px.at(x, y), 0xFFFFFFFF, 24) ? 1 : 0;
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFFFFFF, 24)) << std::hex << px.at(32, 32);
  EXPECT_GT(lit, 300) << "about 40 x 16 pixels";
  EXPECT_LT(lit, 900);
  EXPECT_TRUE(Near(px.at(2, 2), kBackground));
}

}  // namespace
