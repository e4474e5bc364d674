// Tree-structured systems drawn headless on a 64 x 64 back buffer whose
// slide picture is 64 x 64: a leaf's pivot and stretch, flips, blends and
// glow, a trail ribbon, a party balloon's light maps, and leaf batches past
// one 16-bit index pattern. A root made in the program sits at the scene
// centre (32, 32).
#include <memory>

#include "player/slide_render_context.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"
#include "tree_fixtures.h"

using namespace render_test;
using namespace tree_test;

namespace {

constexpr D3DCOLOR kBackground = 0xFF202060;

DS_SafePtr<ZVI_TextureSRC> Source(std::vector<std::pair<const char16_t*, int64_t>> images, uint32_t columns = 1) {
  auto* s = new ZVI_ResIDTex;
  s->links.clear();
  for (const auto& [name, id] : images) {
    DS_FileLink3 link;
    link.name = name;
    link.id = id;
    s->links.push_back(DS_ImageFileLink(link));
  }
  s->atlasColumns = columns;
  return DS_SafePtr<ZVI_TextureSRC>(s);
}

class TreePixels : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    RegisterTreeFakes();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(64, 64, [](int, int) { return kBackground; })}}});
    auto add = [&](const char16_t* name, int64_t id, std::vector<uint8_t> png) {
      r.rawFrames.push_back({name, id, {{1, std::move(png), 0.0f}}});
    };
    add(u"dot.png", 2, Png(8, 8, [](int, int) { return 0xFFFFFFFF; }));
    add(u"halves.png", 3, Png(16, 16, [](int x, int) { return x < 8 ? 0xFFFF0000 : 0xFF00FF00; }));
    add(u"dim.png", 4, Png(8, 8, [](int, int) { return 0xFF400000; }));
    add(u"green.png", 5, Png(8, 8, [](int, int) { return 0xFF00FF00; }));
    add(u"blue.png", 6, Png(8, 8, [](int, int) { return 0xFF0000FF; }));
    UseDocument(MakeDocument(r));
    light_ = StartPictureLight(kBack);
    model_ = new ZVI_PSTree_Root;
  }
  void TearDown() override {
    runtime_.reset();
    delete model_;
    light_.reset();
    RenderTest::TearDown();
  }

  // A top-level leaf of the given kind placing `count` particles `spacing`
  // apart from the root.
  template <class Leaf = ZVI_PSTree_Leaf>
  Leaf* AddLeaf(DS_SafePtr<ZVI_TextureSRC> source, int count = 1, float spacing = 0.0f, D3DXVECTOR3 at = {}) {
    auto* leaf = new Leaf;
    auto* g = new TreeGeometry;
    g->perParent = count;
    g->spacing = spacing;
    g->position.value = at;
    leaf->geometry = DS_SafePtr<ZVI_PtclSys_Geometry>(g);
    leaf->texture.value = source;
    leaf->quadSize.value = 16;
    model_->children.Append(TreeNodePtr(leaf));
    leaf->SetParent(model_);
    return leaf;
  }
  Pixels Frame() {
    if (!runtime_) runtime_.reset(static_cast<ZVI_PtclSys_Mesh*>(model_->CreateRuntime()));
    runtime_->Update(time_ += 0.04f);
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light_->ClearBackground(0);
    int pass = runtime_->NeedsBackground();
    runtime_->Render(light_.get(), &pass);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  std::unique_ptr<DS_2D_Light> light_;
  ZVI_PSTree_Root* model_ = nullptr;
  std::unique_ptr<ZVI_PtclSys_Mesh> runtime_;
  float time_ = 0.0f;
};

TEST_F(TreePixels, ALeafQuadSitsOnItsParticle) {
  AddLeaf(Source({{u"dot.png", 2}}), 2, -20.0f);
  Pixels px = Frame();
  EXPECT_EQ(model_->position.value, D3DXVECTOR3(0, 0, 0)) << "the model keeps its place";
  EXPECT_EQ(runtime_->model->position.value, D3DXVECTOR3(32, 32, 0));
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFFFFFF)) << std::hex << px.at(32, 32);
  EXPECT_TRUE(Near(px.at(25, 25), 0xFFFFFFFF)) << std::hex << px.at(25, 25);
  EXPECT_TRUE(Near(px.at(41, 32), kBackground)) << std::hex << px.at(41, 32);
  EXPECT_TRUE(Near(px.at(32, 41), kBackground));
  EXPECT_TRUE(Near(px.at(12, 32), 0xFFFFFFFF)) << "the second particle 20 to the left";
}

TEST_F(TreePixels, PivotAndStretchMoveAndWidenTheQuad) {
  ZVI_PSTree_Leaf* leaf = AddLeaf(Source({{u"dot.png", 2}}));
  leaf->anchorX.SetValue(0u);     // the pivot at the left edge
  leaf->stretch.value.SetValue(200u);  // twice as wide along x
  Pixels px = Frame();
  // x from 32 to 64, y from 24 to 40.
  EXPECT_TRUE(Near(px.at(34, 32), 0xFFFFFFFF)) << std::hex << px.at(34, 32);
  EXPECT_TRUE(Near(px.at(61, 32), 0xFFFFFFFF)) << std::hex << px.at(61, 32);
  EXPECT_TRUE(Near(px.at(29, 32), kBackground)) << std::hex << px.at(29, 32);
  EXPECT_TRUE(Near(px.at(50, 26), 0xFFFFFFFF));
  EXPECT_TRUE(Near(px.at(50, 42), kBackground));

  // Stretched along 90 degrees instead: twice as tall, the pivot still left.
  leaf->stretchDirection.SetValue(90u);
  px = Frame();
  EXPECT_TRUE(Near(px.at(40, 34), 0xFFFFFFFF)) << std::hex << px.at(40, 34);
  EXPECT_TRUE(Near(px.at(40, 18), 0xFFFFFFFF)) << std::hex << px.at(40, 18);
  EXPECT_TRUE(Near(px.at(40, 46), 0xFFFFFFFF)) << std::hex << px.at(40, 46);
  EXPECT_TRUE(Near(px.at(52, 32), kBackground)) << std::hex << px.at(52, 32);
}

TEST_F(TreePixels, FlipsMirrorThePicture) {
  // Left half red, right half green; mirrored across u the green is left.
  ZVI_PSTree_Leaf* plain = AddLeaf(Source({{u"halves.png", 3}}), 1, 0.0f, D3DXVECTOR3(-16, 0, 0));
  ZVI_PSTree_Leaf* flipped = AddLeaf(Source({{u"halves.png", 3}}), 1, 0.0f, D3DXVECTOR3(16, 0, 0));
  flipped->flipHorizontal.value = 1;
  (void)plain;
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(11, 32), 0xFFFF0000)) << std::hex << px.at(11, 32);
  EXPECT_TRUE(Near(px.at(20, 32), 0xFF00FF00)) << std::hex << px.at(20, 32);
  EXPECT_TRUE(Near(px.at(43, 32), 0xFF00FF00)) << std::hex << px.at(43, 32);
  EXPECT_TRUE(Near(px.at(52, 32), 0xFFFF0000)) << std::hex << px.at(52, 32);
}

TEST_F(TreePixels, NormalAndAdditiveBlends) {
  ZVI_PSTree_Leaf* normal = AddLeaf(Source({{u"dot.png", 2}}), 1, 0.0f, D3DXVECTOR3(-16, 0, 0));
  normal->colors.transparency.SetValue(50u);  // opacity byte 127
  ZVI_PSTree_Leaf* sum = AddLeaf(Source({{u"dot.png", 2}}), 1, 0.0f, D3DXVECTOR3(16, 0, 0));
  sum->blendMode.value = 1;
  sum->colors.colours.value = {0x00808080u};
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(16, 32), 0xFF8F8FAF, 6)) << std::hex << px.at(16, 32);  // half white over the blue
  EXPECT_TRUE(Near(px.at(48, 32), 0xFFA0A0E0, 6)) << std::hex << px.at(48, 32);  // grey added
}

TEST_F(TreePixels, GlowLightsTheSurroundings) {
  ZVI_PSTree_Leaf* leaf = AddLeaf(Source({{u"dot.png", 2}}));
  leaf->quadSize.value = 8;
  leaf->glowMode.value = 1;
  leaf->glowBlur.value = 1;
  leaf->glowColor.value = 0x0000FFFF;  // yellow
  leaf->glowBrightness.SetValue(100u);
  Pixels px = Frame();
  ASSERT_TRUE(leaf->glow.targetA);
  ASSERT_TRUE(leaf->compiledEffect);
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFFFFFF, 8)) << std::hex << px.at(32, 32);
  const D3DCOLOR near = px.at(32, 38);
  EXPECT_GT((near >> 16) & 0xFF, 0x40u) << std::hex << near;
  EXPECT_GT((near >> 8) & 0xFF, 0x40u) << std::hex << near;
  EXPECT_TRUE(Near(px.at(4, 4), kBackground));
}

// The player masks alpha off the screen; the glow reads its target's alpha.
TEST_F(TreePixels, GlowShowsWhileTheScreenAlphaIsMasked) {
  ZVI_PSTree_Leaf* leaf = AddLeaf(Source({{u"dot.png", 2}}));
  leaf->quadSize.value = 8;
  leaf->glowMode.value = 1;
  leaf->glowBlur.value = 1;
  leaf->glowColor.value = 0x0000FFFF;  // yellow
  leaf->glowBrightness.SetValue(100u);
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 7);
  Pixels px = Frame();
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);  // the device outlives the test
  const D3DCOLOR near = px.at(32, 38);
  EXPECT_GT((near >> 16) & 0xFF, 0x40u) << std::hex << near;
  EXPECT_TRUE(Near(px.at(4, 4), kBackground));
}

TEST_F(TreePixels, GlowTargetsReadBeforeTheirDocumentGoWithALostDevice) {
  ZVI_PSTree_Leaf* leaf = AddLeaf(Source({{u"dot.png", 2}}));
  // As when the leaf was read before the document's manager existed.
  SetLosableObject(doc_.get(), leaf->glow.Key().name, nullptr);
  ASSERT_EQ(leaf->glow.RegisteredWith(), nullptr);
  Frame();
  ASSERT_TRUE(leaf->glow.targetA);
  EXPECT_EQ(leaf->glow.RegisteredWith(), doc_.get());
  doc_->OnLostDevice();
  EXPECT_FALSE(leaf->glow.targetA);
  doc_->OnResetDevice();
  EXPECT_TRUE(leaf->glow.targetA);
}

TEST_F(TreePixels, ABalloonAddsItsLightMaps) {
  auto* balloon = AddLeaf<ZVI_PartyBalloon>(Source({{u"dim.png", 4}, {u"green.png", 5}, {u"blue.png", 6}}));
  Pixels px = Frame();
  // Both opacities 0: the picture alone.
  EXPECT_TRUE(Near(px.at(32, 32), 0xFF400000)) << std::hex << px.at(32, 32);
  balloon->lightMap1Opacity.SetValue(50u);
  balloon->lightMap2Opacity.SetValue(100u);
  px = Frame();
  EXPECT_TRUE(Near(px.at(32, 32), 0xFF4080FF, 4)) << std::hex << px.at(32, 32);
  EXPECT_TRUE(Near(px.at(44, 32), kBackground));
}

TEST_F(TreePixels, ATrailDrawsARibbonBehindItsParent) {
  auto* trace = AddLeaf<ZVI_PSTree_Trace>(Source({{u"dot.png", 2}}));
  trace->quadSize.value = 4;
  trace->trailLife.value = 5.0f;
  trace->geometry = DS_SafePtr<ZVI_PtclSys_Geometry>();
  Frame();
  // The root particle moves down 4 units a frame; its heading stays (0, 1):
  // the ribbon is 2 x 4 wide across it.
  for (int i = 0; i < 6; ++i) {
    runtime_->model->position.value.y += 4.0f;
    Frame();
  }
  Pixels px = Frame();
  ASSERT_EQ(trace->trails.size(), 1u);
  EXPECT_GE(trace->trails[0].points.size(), 3u);
  EXPECT_TRUE(Near(px.at(32, 40), 0xFFFFFFFF)) << std::hex << px.at(32, 40);
  EXPECT_TRUE(Near(px.at(34, 50), 0xFFFFFFFF)) << std::hex << px.at(34, 50);
  EXPECT_TRUE(Near(px.at(38, 40), kBackground)) << std::hex << px.at(38, 40);
  EXPECT_TRUE(Near(px.at(32, 26), kBackground)) << std::hex << px.at(32, 26);
}

TEST_F(TreePixels, LeafBatchesPastOneIndexPatternAreAllDrawn) {
  ZVI_PSTree_Leaf* leaf = AddLeaf(Source({{u"dot.png", 2}}), 20000, 0.0f, D3DXVECTOR3(-100, -100, 0));
  leaf->quadSize.value = 4;
  Frame();
  ParticleVector& held = leaf->geometry->held;
  ASSERT_EQ(held.size(), 20000u);
  held[100]->position = D3DXVECTOR3(-22, -22, 0);
  held[16384]->position = D3DXVECTOR3(-2, -2, 0);
  held[19999]->position = D3DXVECTOR3(18, 18, 0);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(10, 10), 0xFFFFFFFF)) << std::hex << px.at(10, 10);
  EXPECT_TRUE(Near(px.at(30, 30), 0xFFFFFFFF)) << std::hex << px.at(30, 30);
  EXPECT_TRUE(Near(px.at(50, 50), 0xFFFFFFFF)) << std::hex << px.at(50, 50);
}

TEST_F(TreePixels, ALeafWithoutParticlesKeepsAnEmptyBatch) {
  AddLeaf(Source({{u"dot.png", 2}}), 0);
  Pixels px = Frame();
  ASSERT_EQ(runtime_->batches.size(), 1u);
  EXPECT_EQ(runtime_->batches[0].triangleCount, 0);
  EXPECT_TRUE(Near(px.at(32, 32), kBackground));
}

// A curve leaf under a stem that places one particle on the root: one
// horizontal curve through the root, its middle section 40 long (x from 12
// to 52).
ZVI_PSTree_Curve* AddCurve(ZVI_PSTree_Root* model, std::vector<D3DXVECTOR3> shape = {}) {
  auto* curve = new ZVI_PSTree_Curve;
  auto* physics = new TreeCurvePhysics;
  physics->shape = std::move(shape);
  curve->physics = DS_SafePtr<ZVI_PtclSys_Physics>(physics);
  curve->middleLength.value = 40;
  curve->curveWidth.value = 16;
  curve->texture.value = Source({{u"dot.png", 2}});
  auto* stem = new ZVI_PSTree_Stem;
  stem->geometry = DS_SafePtr<ZVI_PtclSys_Geometry>(new TreeGeometry);
  stem->children.Append(TreeNodePtr(curve));
  curve->SetParent(stem);
  model->children.Append(TreeNodePtr(stem));
  stem->SetParent(model);
  return curve;
}

TEST_F(TreePixels, ACurveStripFollowsItsWidthProfile) {
  ZVI_PSTree_Curve* curve = AddCurve(model_);
  curve->widthProfile[0].value = Linear(0, 1);  // no width at the start, full at the end
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(48, 32), 0xFFFFFFFF)) << std::hex << px.at(48, 32);
  EXPECT_TRUE(Near(px.at(48, 38), 0xFFFFFFFF)) << std::hex << px.at(48, 38);  // half width 7.2 at t 0.9
  EXPECT_TRUE(Near(px.at(16, 36), kBackground)) << std::hex << px.at(16, 36);  // 0.8 at t 0.1
  EXPECT_TRUE(Near(px.at(56, 32), kBackground)) << std::hex << px.at(56, 32);
  EXPECT_TRUE(Near(px.at(8, 32), kBackground)) << std::hex << px.at(8, 32);

  // Only the visible range [0.5, 0.75] of the curve is drawn.
  for (const ParticleStripe& c : static_cast<TreeCurvePhysics*>(curve->physics.get())->curves) {
    c.particle->AddTransform(new node_fakes::ScriptedTransform(true, [](float, Particle* p) {
      p->curveWindow[2] = 0.5f;
      p->curveWindow[3] = 0.75f;
    }));
  }
  px = Frame();
  EXPECT_TRUE(Near(px.at(36, 32), 0xFFFFFFFF)) << std::hex << px.at(36, 32);
  EXPECT_TRUE(Near(px.at(28, 32), kBackground)) << std::hex << px.at(28, 32);
  EXPECT_TRUE(Near(px.at(46, 32), kBackground)) << std::hex << px.at(46, 32);
}

TEST_F(TreePixels, ZigZagSegmentsUseTheCrossedPattern) {
  AddCurve(model_, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0.5f, 0.25f, 0), D3DXVECTOR3(1, 0, 0)});
  Frame();
  ASSERT_EQ(runtime_->batches.size(), 1u);
  MeshRecord& b = runtime_->batches[0];
  ASSERT_EQ(b.triangleCount, 10);
  ASSERT_EQ(b.vertexCount, 12);
  void* data = nullptr;
  ASSERT_EQ(b.indexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  const auto* index = static_cast<const uint16_t*>(data);
  // The middle sample turns the other way (side flag 0): both segments cross.
  EXPECT_EQ(index[0], 0);
  EXPECT_EQ(index[1], 6);
  EXPECT_EQ(index[2], 5);
  EXPECT_EQ(index[8], 4);
  EXPECT_EQ(index[15 + 1], 4 + 6);
  b.indexBuffer->Unlock();
}

TEST_F(TreePixels, ASinglePointCurveDrawsNothing) {
  AddCurve(model_, {D3DXVECTOR3(0.5f, 0, 0)});
  Pixels px = Frame();
  EXPECT_EQ(runtime_->batches[0].triangleCount, 0);
  EXPECT_TRUE(Near(px.at(32, 32), kBackground));
}

TEST_F(TreePixels, TheInnerGlowTintsTheStripInsideItsEdges) {
  ZVI_PSTree_Curve* curve = AddCurve(model_);
  curve->curveWidth.value = 24;  // y from 20 to 44
  Pixels plain = Frame();
  EXPECT_TRUE(Near(plain.at(32, 42), 0xFFFFFFFF)) << "innerGlowSize 0: no glow pass";
  curve->innerGlowSize.value = 5;
  curve->innerGlowColor.value = 0x000000FF;  // red
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 7);  // as the player draws
  Pixels px = Frame();
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  const D3DCOLOR edge = px.at(32, 42);
  EXPECT_GT((edge >> 16) & 0xFF, 0xE0u) << std::hex << edge;
  EXPECT_LT((edge >> 8) & 0xFF, 0xD0u) << std::hex << edge;
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFFFFFF, 24)) << std::hex << px.at(32, 32);
  EXPECT_TRUE(Near(px.at(32, 50), kBackground)) << std::hex << px.at(32, 50);
}

}  // namespace
