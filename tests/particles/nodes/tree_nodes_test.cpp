// Tree-structured particle systems without a device: the records of roots,
// presets, stems, leaves, traces and balloons, the runtime's frame clock,
// the order of births, steps, fills and draws, resets, trails and the
// leaf's texture cells and blend techniques.
#include <gtest/gtest.h>

#include "core/crt.h"
#include "core/ds_error.h"
#include "geometry/value_graph.h"
#include "player/file_links.h"
#include "player/stand_in_effects.h"
#include "tools/writer/render_writer.h"
#include "tree_fixtures.h"

using namespace tree_test;

namespace {

class TreeNodes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterTreeFakes(); }
};

pw::ByteBuilder Texture() {
  pw::ByteBuilder source;
  pw::TextureSourceRecord r;
  r.block.links = {{u"dot.png", 2}};
  pw::WriteTextureSource(source, r);
  pw::ByteBuilder b;
  pw::WriteAlerterTextureSource(b, source, 100, 0);
  return b;
}

pw::TreeLeafRecord Leaf(int32_t version = 5, int32_t perParent = 1) {
  pw::TreeLeafRecord r;
  r.version = version;
  r.texture = Texture();
  r.oldLink.links = {{u"dot.png", 2}};
  r.node.geometry = GeometryRecord(perParent);
  return r;
}

pw::ByteBuilder LeafBytes(const pw::TreeLeafRecord& r) {
  pw::ByteBuilder b;
  pw::WriteTreeLeaf(b, r);
  return b;
}

// A root with the given top-level nodes (owned by the root).
ZVI_PSTree_Root* RootWith(std::initializer_list<ZVI_PSTree_Node*> nodes) {
  auto* root = new ZVI_PSTree_Root;
  for (ZVI_PSTree_Node* n : nodes) {
    root->children.Append(TreeNodePtr(n));
    n->SetParent(root);
  }
  return root;
}

ZVI_PSTree_Leaf* LeafWith(int perParent) {
  auto* leaf = new ZVI_PSTree_Leaf;
  auto* g = new TreeGeometry;
  g->perParent = perParent;
  leaf->geometry = DS_SafePtr<ZVI_PtclSys_Geometry>(g);
  return leaf;
}

TEST_F(TreeNodes, RootRecordsOfEveryVersion) {
  struct Case {
    int32_t version;
    int restart;
    uint32_t size, translucency, speed;
  };
  for (const Case& c : {Case{1, 1, 100, 0, 100}, Case{2, 0, 100, 0, 100}, Case{3, 0, 50, 40, 100},
                        Case{4, 0, 50, 40, 200}}) {
    pw::TreeRootRecord r;
    r.version = c.version;
    r.x = 10;
    r.y = 20;
    r.z = 30;
    r.storedValue = 7;
    r.restartOnReset = 0;
    r.size = 50;
    r.translucency = 40;
    r.speed = 200;
    r.children.push_back(LeafBytes(Leaf()));
    pw::ByteBuilder b;
    pw::WriteTreeRoot(b, r);
    uint64_t left = 1;
    std::unique_ptr<ZVI_PSTree_Root> root = ReadModel<ZVI_PSTree_Root>(b, &left);
    ASSERT_TRUE(root) << c.version;
    EXPECT_EQ(left, 0u) << c.version;
    EXPECT_EQ(root->restartOnReset.value, c.restart) << c.version;
    EXPECT_EQ(root->size.value, c.size);
    EXPECT_EQ(root->translucency.value, c.translucency);
    EXPECT_EQ(root->speed.value, c.speed);
    EXPECT_FLOAT_EQ(root->size.derived, c.size * 0.01f);
    EXPECT_FLOAT_EQ(root->translucency.derived, 1.0f - c.translucency * 0.01f);
    EXPECT_FLOAT_EQ(root->speed.derived, c.speed * 0.01f);
    EXPECT_EQ(root->position.value, D3DXVECTOR3(10, 20, 30));
    EXPECT_EQ(root->storedValue, 7u);
    EXPECT_EQ(root->effect.id, 185);
    ASSERT_EQ(root->children.value.size(), 1u);
    EXPECT_EQ(root->children.value[0]->parentLink, root.get());
  }
}

TEST_F(TreeNodes, PresetVersionsOneAndThree) {
  pw::TreePresetRecord r;
  r.version = 1;
  r.presetValue = 9;
  r.floats = {1.5f};
  r.values = {3, 4};
  pw::ByteBuilder one;
  pw::WriteTreePreset(one, r);
  uint64_t left = 1;
  std::unique_ptr<ZVI_PtclSysPreset> p = ReadModel<ZVI_PtclSysPreset>(one, &left);
  ASSERT_TRUE(p);
  EXPECT_EQ(left, 0u);
  EXPECT_EQ(p->presetValue, 9u);
  EXPECT_TRUE(p->presetFloats.empty());
  EXPECT_TRUE(p->presetValues.empty());

  r.version = 3;
  pw::ByteBuilder three;
  pw::WriteTreePreset(three, r);
  p = ReadModel<ZVI_PtclSysPreset>(three, &left);
  ASSERT_TRUE(p);
  EXPECT_EQ(left, 0u);
  EXPECT_EQ(p->presetFloats, std::vector<float>{1.5f});
  ASSERT_EQ(p->presetValues.size(), 2u);
  EXPECT_EQ(p->presetValues[1].value, 4u);

  r.floats.clear();
  r.values.clear();
  pw::ByteBuilder empty;
  pw::WriteTreePreset(empty, r);
  p = ReadModel<ZVI_PtclSysPreset>(empty, &left);
  ASSERT_TRUE(p);
  EXPECT_TRUE(p->presetFloats.empty());
  EXPECT_TRUE(p->presetValues.empty());
}

TEST_F(TreeNodes, LeafRecordsOfEveryVersion) {
  for (int32_t version = 1; version <= 5; ++version) {
    pw::TreeLeafRecord r = Leaf(version, 3);
    r.quadSize = 12;
    r.blendMode = 1;
    r.glowMode = 2;
    r.glowBrightness = 50;
    r.stretch = 150;
    r.stretchJitter = 20;
    r.stretchDirection = 90;
    r.anchorX = 30;
    r.anchorY = 70;
    uint64_t left = 1;
    std::unique_ptr<ZVI_PSTree_Leaf> leaf = node_tree_test::ReadItem<ZVI_PSTree_Leaf>(LeafBytes(r), &left);
    ASSERT_TRUE(leaf) << version;
    EXPECT_EQ(left, 0u) << version;
    EXPECT_EQ(leaf->quadSize.value, 12u);
    EXPECT_EQ(leaf->blendMode.value, 1);
    EXPECT_EQ(leaf->NeedsBackground(), 1);
    EXPECT_FLOAT_EQ(leaf->glowBrightness.derived, 1.0f);
    ASSERT_TRUE(leaf->texture.value) << version;
    EXPECT_EQ(leaf->texture.value->links.size(), 1u);
    TreeGeometry* g = GeometryOf(leaf.get());
    ASSERT_TRUE(g);
    EXPECT_EQ(g->perParent, 3);
    EXPECT_EQ(g->owner, leaf.get());
    const bool stretched = version >= 3;
    EXPECT_EQ(leaf->stretch.value.value, stretched ? 150u : 100u) << version;
    EXPECT_EQ(leaf->stretch.jitter.value, stretched ? 20u : 0u) << version;
    EXPECT_EQ(leaf->stretchDirection.value, stretched ? 90u : 0u);
    if (stretched) {
      EXPECT_NEAR(leaf->stretchDirection.direction.y, 1.0f, 1e-6f);
    }
    EXPECT_FLOAT_EQ(leaf->anchorX.derived, version >= 5 ? -0.2f : 0.0f) << version;
    EXPECT_FLOAT_EQ(leaf->anchorY.derived, version >= 5 ? 0.2f : 0.0f) << version;
  }
}

TEST_F(TreeNodes, StemTraceAndBalloonRecords) {
  pw::TreeTraceRecord t;
  t.trailLife = 2.5f;
  t.sizeEnvelope[6] = 80;
  t.leaf = Leaf();
  pw::ByteBuilder trace;
  pw::WriteTreeTrace(trace, t);
  pw::ByteBuilder balloon;
  pw::WritePartyBalloon(balloon, 30, 60, Leaf());
  pw::TreeNodeRecord stem;
  stem.name = u"branch";
  stem.geometry = GeometryRecord(2, 1);
  stem.children = {trace, balloon};
  pw::ByteBuilder b;
  pw::WriteTreeStem(b, stem);
  uint64_t left = 1;
  std::unique_ptr<ZVI_PSTree_Stem> s = node_tree_test::ReadItem<ZVI_PSTree_Stem>(b, &left);
  ASSERT_TRUE(s);
  EXPECT_EQ(left, 0u);
  EXPECT_EQ(s->name, u"branch");
  EXPECT_EQ(GeometryOf(s.get())->perEmit, 1);
  ASSERT_EQ(s->children.value.size(), 2u);
  auto* tr = dynamic_cast<ZVI_PSTree_Trace*>(s->children.value[0].get());
  auto* ba = dynamic_cast<ZVI_PartyBalloon*>(s->children.value[1].get());
  ASSERT_TRUE(tr && ba);
  EXPECT_FLOAT_EQ(tr->trailLife.value, 2.5f);
  EXPECT_EQ(tr->sizeEnvelope.base.value, 80u);
  EXPECT_FLOAT_EQ(ba->lightMap1Opacity.derived, 0.3f);
  EXPECT_FLOAT_EQ(ba->lightMap2Opacity.derived, 0.6f);
  EXPECT_EQ(tr->parentLink, s.get());
  EXPECT_EQ(ba->parentLink, s.get());
}

TEST_F(TreeNodes, DamagedRecordsAreRefused) {
  pw::ByteBuilder whole = LeafBytes(Leaf());
  // Cut anywhere inside the record.
  for (size_t cut : {size_t{10}, whole.size() / 2, whole.size() - 1}) {
    pw::ByteBuilder part;
    part.Raw(whole.bytes().data(), cut);
    EXPECT_THROW(node_tree_test::ReadItem<ZVI_PSTree_Leaf>(part), DS_Error) << cut;
  }
  pw::TreeNodeRecord stem;
  stem.geometry.Header(u"Test_NoSuchGeometry", 1);
  pw::ByteBuilder b;
  pw::WriteTreeStem(b, stem);
  EXPECT_THROW(node_tree_test::ReadItem<ZVI_PSTree_Stem>(b), DS_Error);
  // A registered class of another kind is no geometry: the node keeps none.
  pw::TreeNodeRecord other;
  other.geometry.Header(u"Test_NotANode", 1).I32(5);
  pw::ByteBuilder o;
  pw::WriteTreeStem(o, other);
  std::unique_ptr<ZVI_PSTree_Stem> s = node_tree_test::ReadItem<ZVI_PSTree_Stem>(o);
  ASSERT_TRUE(s);
  EXPECT_FALSE(s->geometry);
  // Without a geometry the node places, steps and fills nothing.
  s->Generate(ParticlePtr(new Particle));
  EXPECT_EQ(s->Step(0.1f, ParticleVector{ParticlePtr(new Particle)}), 0);
}

// The tree runtime answers only the background query itself: the next object
// of an off-screen run does not read its output as premultiplied.
TEST_F(TreeNodes, TheRuntimeKeepsTheBaseOutputAnswers) {
  ZVI_PSTree_Root* model = RootWith({LeafWith(1)});
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  EXPECT_TRUE(dynamic_cast<ZVI_PtclSys_Mesh*>(runtime.get()));
  EXPECT_FALSE(runtime->PassesOutput());
  EXPECT_FALSE(runtime->ReadsBackground());
  runtime.reset();
  delete model;
}

TEST_F(TreeNodes, FrameClockOfTheRuntime) {
  ZVI_PSTree_Leaf* leaf = LeafWith(1);
  ZVI_PSTree_Root* model = RootWith({leaf});
  model->speed.SetValue(50u);
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  auto* mesh = static_cast<ZVI_PtclSys_Mesh*>(runtime.get());
  ZVI_PSTree_Root* clone = mesh->model;
  ASSERT_NE(clone, model);
  // Model and clone share nodes and root particle.
  EXPECT_EQ(clone->children.value[0].get(), leaf);
  EXPECT_EQ(clone->rootParticle.get(), model->rootParticle.get());
  Particle* child = leaf->geometry->held.at(0).get();

  mesh->Update(0.1f);
  EXPECT_FLOAT_EQ(clone->lastStep, 0.05f);
  EXPECT_FLOAT_EQ(clone->rootParticle->timeAlive, 0.0f) << "the first update does not age the root";
  EXPECT_FLOAT_EQ(child->timeAlive, 0.05f);
  mesh->Update(1.1f);  // a 1 s jump advances 0.2 s times the speed
  EXPECT_FLOAT_EQ(clone->lastStep, 0.1f);
  EXPECT_FLOAT_EQ(clone->rootParticle->timeAlive, 0.1f);
  mesh->Update(0.5f);  // time going back: a zero step
  EXPECT_FLOAT_EQ(clone->lastStep, 0.0f);
  EXPECT_FLOAT_EQ(child->timeAlive, 0.15f);
  mesh->Update(0.6f);
  EXPECT_FLOAT_EQ(clone->lastStep, 0.05f);
  delete model;
}

TEST_F(TreeNodes, RootParticleTakesPositionOpacityAndSize) {
  ZVI_PSTree_Root* model = RootWith({LeafWith(1)});
  model->position.value = D3DXVECTOR3(100, 50, 0);
  model->translucency.SetValue(25u);
  model->size.SetValue(200u);
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  static_cast<ZVI_PtclSys_Mesh*>(runtime.get())->Update(0.04f);
  Particle* root = model->rootParticle.get();
  EXPECT_EQ(root->position, D3DXVECTOR3(100, 50, 0));
  EXPECT_FLOAT_EQ(root->alpha, 0.75f);
  // Scaling by 2 about the position.
  D3DXVECTOR3 p(110, 50, 0), out;
  D3DXVec3TransformCoord(&out, &p, &root->scaleMatrix);
  EXPECT_FLOAT_EQ(out.x, 120.0f);
  delete model;
}

TEST_F(TreeNodes, LastNodeFillsTheFirstBatchAndDrawsInTheSameOrder) {
  auto* a = new LogNode;
  auto* b = new LogNode;
  b->batches = 2;  // a subtree of two drawing nodes
  auto* c = new LogNode;
  ZVI_PSTree_Root* model = RootWith({a, b, c});
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  auto* mesh = static_cast<ZVI_PtclSys_Mesh*>(runtime.get());
  mesh->Update(0.04f);
  EXPECT_EQ(mesh->batches.size(), 4u);
  EXPECT_EQ(a->lastParents, 1u);  // the root particle alone
  EXPECT_EQ(c->filledAt, 0);
  EXPECT_EQ(b->filledAt, 1);
  EXPECT_EQ(a->filledAt, 2);
  int pass = 0;
  mesh->Render(nullptr, &pass);
  EXPECT_EQ(c->drawnAt, 0);
  EXPECT_EQ(b->drawnAt, 1);
  EXPECT_EQ(a->drawnAt, 2);
  delete model;
}

TEST_F(TreeNodes, AStemBirthsBeforeItStepsAndParentsBeforeChildren) {
  auto* stem = new ZVI_PSTree_Stem;
  auto* g = new TreeGeometry;
  g->perParent = 0;
  g->perEmit = 2;
  stem->geometry = DS_SafePtr<ZVI_PtclSys_Geometry>(g);
  ZVI_PSTree_Leaf* leaf = LeafWith(1);
  stem->children.Append(TreeNodePtr(leaf));
  leaf->SetParent(stem);
  ZVI_PSTree_Root* model = RootWith({stem});
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  auto* mesh = static_cast<ZVI_PtclSys_Mesh*>(runtime.get());
  EXPECT_TRUE(g->held.empty());
  mesh->Update(0.1f);
  ASSERT_EQ(g->held.size(), 2u);
  // Newborns and their placed children are stepped in their first frame.
  EXPECT_FLOAT_EQ(g->held[0]->timeAlive, 0.1f);
  ASSERT_EQ(leaf->geometry->held.size(), 2u);
  EXPECT_FLOAT_EQ(leaf->geometry->held[0]->timeAlive, 0.1f);
  EXPECT_EQ(leaf->geometry->held[1]->parent.get(), g->held[1].get());
  EXPECT_EQ(mesh->batches.size(), 1u);
  mesh->Update(0.2f);
  EXPECT_EQ(g->held.size(), 4u);
  EXPECT_EQ(leaf->geometry->held.size(), 4u);
  delete model;
}

TEST_F(TreeNodes, ResetRegeneratesOnlyWhenAsked) {
  ZVI_PSTree_Leaf* leaf = LeafWith(2);
  ZVI_PSTree_Root* model = RootWith({leaf});
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  auto* mesh = static_cast<ZVI_PtclSys_Mesh*>(runtime.get());
  mesh->Update(0.1f);
  mesh->Update(0.2f);
  const Particle* before = leaf->geometry->held[0].get();
  mesh->model->restartOnReset.value = 0;
  mesh->model->ResetTime();
  ASSERT_EQ(leaf->geometry->held.size(), 2u);
  EXPECT_EQ(leaf->geometry->held[0].get(), before);
  EXPECT_FLOAT_EQ(before->timeAlive, 0.2f);

  mesh->model->restartOnReset.value = 1;
  mesh->model->ResetTime();
  ASSERT_EQ(leaf->geometry->held.size(), 2u);
  EXPECT_NE(leaf->geometry->held[0].get(), before);
  EXPECT_FLOAT_EQ(model->rootParticle->timeAlive, 0.0f);
  delete model;
}

TEST_F(TreeNodes, RestartKillsAndRegenerates) {
  ZVI_PSTree_Leaf* leaf = LeafWith(1);
  ZVI_PSTree_Root* model = RootWith({leaf});
  std::unique_ptr<DS_ABObj> runtime(model->CreateRuntime());
  ParticlePtr old = leaf->geometry->held[0];
  leaf->Restart();
  EXPECT_TRUE(old->IsDead());
  ASSERT_EQ(leaf->geometry->held.size(), 2u);
  static_cast<ZVI_PtclSys_Mesh*>(runtime.get())->Update(0.04f);
  EXPECT_EQ(leaf->geometry->held.size(), 1u);
  delete model;
}

TEST_F(TreeNodes, RefreshTextureGivesEveryParticleACellOnTheRandSequence) {
  ZVI_PSTree_Leaf* leaf = LeafWith(3);
  auto* source = new ZVI_ResIDTex;
  source->atlasColumns = 4;
  source->atlasRows = 0;  // counts as one row
  leaf->texture.value = DS_SafePtr<ZVI_TextureSRC>(source);
  ParticlePtr parent(new Particle);
  leaf->Generate(parent);
  crt_srand(1);
  leaf->RefreshTexture();
  EXPECT_EQ(leaf->geometry->atlasColumns, 4);
  EXPECT_EQ(leaf->geometry->atlasRows, 1);
  crt_srand(1);
  for (const ParticlePtr& p : leaf->geometry->held) {
    const int c = crt_rand() % 4;
    crt_rand();
    EXPECT_FLOAT_EQ(p->texScaleOffset[0], 0.25f);
    EXPECT_FLOAT_EQ(p->texScaleOffset[1], 1.0f);
    EXPECT_FLOAT_EQ(p->texScaleOffset[2], c / 4.0f);
    EXPECT_FLOAT_EQ(p->texScaleOffset[3], 0.0f);
  }
  delete leaf;
}

TEST_F(TreeNodes, BlendTechniques) {
  ZVI_PSTree_Leaf leaf;
  auto* source = new ZVI_ResIDTex;
  leaf.texture.value = DS_SafePtr<ZVI_TextureSRC>(source);
  struct Case {
    int mode;
    uint8_t premultiplied;
    const char* technique;
  };
  for (const Case& c : {Case{0, 0, "BlendNormal"}, Case{0, 1, "BlendNormal_AlphaPM"}, Case{1, 0, "BlendSum"},
                        Case{1, 1, "BlendSum"}, Case{7, 1, "BlendSum"}, Case{-1, 0, "BlendSum"}}) {
    leaf.blendMode.value = c.mode;
    source->premultiplied = c.premultiplied;
    EXPECT_STREQ(leaf.Technique(), c.technique) << c.mode << " " << int(c.premultiplied);
  }
}

TEST_F(TreeNodes, TheRootAndARadialGlowLinkingOneIdGetTwoEffects) {
  DS_FileLink3 link;
  link.name = u"common_res.dll";
  link.id = 185;
  EXPECT_EQ(StandInEffectId(u"ZVI_PSTree_Root", link), 4001u);
  EXPECT_EQ(StandInEffectId(u"ZVI_PtclSysOption_RadialGlow", link), 185u);
  link.id = 202;
  EXPECT_EQ(StandInEffectId(u"ZVI_PSTree_Leaf", link), 4002u);
  EXPECT_EQ(StandInEffectId(u"ZVI_PSTree_Curve", link), 202u);
}

// --- traces ---

class TreeTraces : public TreeNodes {
 protected:
  void SetUp() override {
    trace_.trailLife.value = 1.0f;
    trace_.quadSize.value = 10;
    parent_ = ParticlePtr(new Particle(D3DXVECTOR3(0, 0, 0)));
  }
  ZVI_PSTree_Trace trace_;
  ParticlePtr parent_;
};

TEST_F(TreeTraces, AStandingParentKeepsTwoPointsAndTheNewestFollows) {
  trace_.Generate(parent_);
  for (int i = 0; i < 5; ++i) trace_.Step(0.04f, ParticleVector{parent_});
  ASSERT_EQ(trace_.trails.size(), 1u);
  ASSERT_EQ(trace_.trails[0].points.size(), 2u);
  parent_->position = D3DXVECTOR3(3, 0, 0);
  trace_.Step(0.04f, ParticleVector{parent_});
  ASSERT_EQ(trace_.trails[0].points.size(), 2u);
  EXPECT_EQ(trace_.trails[0].points[1]->position, D3DXVECTOR3(3, 0, 0));
  EXPECT_FLOAT_EQ(trace_.trails[0].points[1]->texScaleOffset[0], 3.0f);
  EXPECT_EQ(trace_.trails[0].points[0]->position, D3DXVECTOR3(0, 0, 0));
  // Past 5 units from the second newest a point is added.
  parent_->position = D3DXVECTOR3(6, 0, 0);
  trace_.Step(0.04f, ParticleVector{parent_});
  EXPECT_EQ(trace_.trails[0].points.size(), 3u);
  EXPECT_FLOAT_EQ(trace_.trails[0].points[2]->texScaleOffset[0], 6.0f);
}

TEST_F(TreeTraces, ATrailEndsTrailLifeAfterItsParentDied) {
  trace_.Generate(parent_);
  trace_.Step(0.1f, ParticleVector{parent_});
  parent_->flags |= ParticleFlags::Dead;
  float t = 0.0f;
  while (!trace_.trails.empty() && t < 3.0f) {
    trace_.Step(0.1f, ParticleVector());
    t += 0.1f;
  }
  EXPECT_TRUE(trace_.trails.empty());
  EXPECT_NEAR(t, 0.9f, 0.15f);  // the newest point was made 0.1 s before the death
}

TEST_F(TreeTraces, TrailsKeepTheOrderTheirParentsArrivedIn) {
  ParticleVector parents;
  for (int i = 0; i < 8; ++i) parents.push_back(ParticlePtr(new Particle(D3DXVECTOR3(10.0f * i, 0, 0))));
  for (auto it = parents.rbegin(); it != parents.rend(); ++it) trace_.Generate(*it);
  ASSERT_EQ(trace_.trails.size(), 8u);
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(trace_.trails[i].parent.get(), parents[7 - i].get());
  trace_.Clear();
  EXPECT_TRUE(trace_.trails.empty());
}

// --- curves ---

TEST_F(TreeNodes, CurveRecordsOfEveryVersion) {
  for (int32_t version = 1; version <= 4; ++version) {
    pw::TreeCurveRecord r;
    r.version = version;
    r.selected = 3;
    r.physics = CurvePhysicsRecord(7);
    r.middleLength = 100;
    r.endLength = 20;
    r.startLength = 10;
    r.curveWidth = 24;
    r.normalizeLength = 0;
    r.innerGlowSize = 5;
    r.innerGlowColour = 0x000000FF;
    r.innerGlowTransparency = 20;
    r.leaf = Leaf();
    pw::ByteBuilder b;
    pw::WriteTreeCurve(b, r);
    uint64_t left = 1;
    std::unique_ptr<ZVI_PSTree_Curve> c = node_tree_test::ReadItem<ZVI_PSTree_Curve>(b, &left);
    ASSERT_TRUE(c) << version;
    EXPECT_EQ(left, 0u) << version;
    auto* physics = dynamic_cast<TreeCurvePhysics*>(c->physics.get());
    ASSERT_TRUE(physics) << version;
    EXPECT_EQ(physics->points, 7);
    // Version 1 files the physics under 1 only when it is a fractal curve.
    const int key = version == 1 ? 2 : 3;
    EXPECT_EQ(c->selector.value, key);
    EXPECT_EQ(c->selector.Get(key).get(), physics);
    EXPECT_EQ(c->middleLength.value, 100u);
    EXPECT_EQ(c->endLength.value, 20u);
    EXPECT_EQ(c->startLength.value, 10u);
    // Version 1 takes the width from the physics' width block.
    EXPECT_EQ(c->curveWidth.value, version >= 2 ? 24u : 0u);
    EXPECT_EQ(c->normalizeLength.value, version >= 3 ? 0 : 1);
    EXPECT_EQ(c->innerGlowSize.value, version >= 4 ? 5u : 0u);
    EXPECT_EQ(c->innerGlowColor.Alpha(), version >= 4 ? 204 : 255);
    EXPECT_TRUE(c->widthProfile[2].Graph());
    EXPECT_EQ(c->quadSize.value, 0u);
  }
}

TEST_F(TreeNodes, CurveProfilesOverTheThreeSections) {
  auto keys = [](std::vector<VGraphKey> k) {
    auto* g = new ZVI_VGraph_Line;
    g->SetKeys(k);
    return DS_SafePtr<ZVI_VGraph>(g);
  };
  ZVI_PSTree_Curve c;
  c.widthProfile[0].value = keys({{0, 2}, {1, 3}});  // middle
  c.widthProfile[1].value = keys({{0, 1}, {1, 0}});  // end, falling
  c.widthProfile[2].value = keys({{0, 0}, {1, 1}});  // start, rising
  c.startLength.value = 20;
  c.endLength.value = 20;
  // No middle (L = 40): start times end along the whole strip, each read
  // unclamped: the end graph runs on before its first key, the start graph
  // gives 0 past its last one.
  struct Case {
    float t, want;
  };
  for (const Case& k : {Case{0.25f, 0.75f},  // start 0.5 x end at -0.5 = 1.5
                        Case{0.75f, 0.0f},   // start at 1.5 = 0
                        Case{0.5f, 1.0f}}) {
    EXPECT_FLOAT_EQ(c.CurveProfile(k.t, c.widthProfile, 1.0f), k.want) << k.t;
  }
  // Middle 100 (L = 140): start to x 20, middle to x 120, end after.
  c.middleLength.value = 100;
  EXPECT_FLOAT_EQ(c.CurveProfile(10.0f / 140.0f, c.widthProfile, 1.0f), 0.5f);
  EXPECT_NEAR(c.CurveProfile(70.0f / 140.0f, c.widthProfile, 1.0f), 2.5f, 1e-5f);
  EXPECT_NEAR(c.CurveProfile(130.0f / 140.0f, c.widthProfile, 1.0f), 0.5f, 1e-5f);
  // A length scale of 2 stretches the middle only.
  EXPECT_NEAR(c.CurveProfile(140.0f / 280.0f, c.widthProfile, 2.0f), 2.5f, 1e-5f);
  // All lengths 0: no division by zero.
  c.startLength.value = c.endLength.value = c.middleLength.value = 0;
  for (float t : {0.0f, 0.5f, 1.0f}) {
    const float f = c.CurveProfile(t, c.widthProfile, 1.0f);
    EXPECT_TRUE(std::isfinite(f)) << t;
  }
}

TEST_F(TreeNodes, CurveSamplesFlipTheirSidesAtTurns) {
  ZVI_PSTree_Curve c;
  ParticleStripe zigzag;
  auto* points = new node_fakes::FakePointPhysics;
  for (float x = 0; x <= 4; x += 1) points->particles.push_back(ParticlePtr(new Particle(D3DXVECTOR3(x, std::fmod(x, 2.0f), 0))));
  zigzag.points = DS_SafePtr<ZVI_PtclSys_Physics>(points);
  std::vector<CurveSample> s;
  c.BuildCurveSamples(zigzag, s);
  ASSERT_EQ(s.size(), 5u);
  const uint8_t sides[5] = {1, 0, 1, 0, 1};
  for (int j = 0; j < 5; ++j) EXPECT_EQ(s[j].side, sides[j]) << j;
  EXPECT_FLOAT_EQ(s[0].t, 0.0f);
  EXPECT_FLOAT_EQ(s[2].t, 0.5f);
  EXPECT_FLOAT_EQ(s[4].t, 1.0f);
  // The first sample: both sides the outgoing normal, the third the other way.
  const float h = std::sqrt(0.5f);
  EXPECT_NEAR(s[0].sa.x, h, 1e-6f);
  EXPECT_NEAR(s[0].sa.y, -h, 1e-6f);
  EXPECT_EQ(s[0].sc, -s[0].sb);
  // At a turn the third vector points through the mitre (flipped with it).
  EXPECT_NEAR(s[1].sc.x, 0.0f, 1e-5f);
  EXPECT_NEAR(s[1].sc.y, -std::sqrt(2.0f), 1e-5f);

  // A straight curve: the third vector is minus the side, no flips.
  ParticleStripe straight;
  auto* line = new node_fakes::FakePointPhysics;
  for (float x : {0.0f, 2.0f, 4.0f}) line->particles.push_back(ParticlePtr(new Particle(D3DXVECTOR3(x, 0, 0))));
  straight.points = DS_SafePtr<ZVI_PtclSys_Physics>(line);
  c.normalizeLength.value = 0;
  c.BuildCurveSamples(straight, s);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_FLOAT_EQ(s[2].t, 4.0f);
  EXPECT_EQ(s[1].side, 1);
  EXPECT_EQ(s[1].sc, -s[1].sa);

  // One point, or coinciding points.
  ParticleStripe single;
  auto* one = new node_fakes::FakePointPhysics;
  one->particles.push_back(ParticlePtr(new Particle));
  single.points = DS_SafePtr<ZVI_PtclSys_Physics>(one);
  c.BuildCurveSamples(single, s);
  EXPECT_TRUE(s.empty());
  one->particles.push_back(ParticlePtr(new Particle));
  c.normalizeLength.value = 1;
  c.BuildCurveSamples(single, s);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[1].t, 0.0f);
}

TEST_F(TreeNodes, CurveNodesGrowCurvesForTheirParents) {
  auto* curve = new ZVI_PSTree_Curve;
  auto* physics = new TreeCurvePhysics;
  curve->physics = DS_SafePtr<ZVI_PtclSys_Physics>(physics);
  ParticleVector parents{ParticlePtr(new Particle), ParticlePtr(new Particle)};
  curve->GenerateForAll(parents);
  ASSERT_EQ(physics->curves.size(), 2u);
  EXPECT_EQ(physics->attached, 2);
  curve->Restart();
  EXPECT_EQ(physics->attached, 4);
  EXPECT_EQ(curve->Step(0.1f, parents), 1);
  curve->Clear();
  EXPECT_TRUE(physics->curves.empty());
  // Another physics than a curve physics grows nothing.
  curve->physics = DS_SafePtr<ZVI_PtclSys_Physics>(new node_fakes::FakePointPhysics);
  curve->GenerateForAll(parents);
  EXPECT_EQ(curve->Step(0.1f, parents), 1);
  delete curve;
}

}  // namespace
