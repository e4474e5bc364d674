// The node-tree particle system with fake physics: the runtime object's
// frame step, its batches and fade, the walk orders of the tree, the
// emitter's particle set-up, and the records of nodes and models read from
// crafted bytes.
#include <cmath>
#include <limits>

#include "core/crt.h"
#include "core/ds_error.h"
#include "node_tree_fixtures.h"
#include "particles/nodes/motion_transforms.h"
#include "tools/writer/render_writer.h"

using namespace node_tree_test;
using node_fakes::FakePointPhysics;
using node_fakes::ScriptedTransform;

namespace {

// A node that logs its walks as "<tag> <walk>" and what sources it saw.
class LoggingNode : public ZVI_PtclSysNode_Emitter {
 public:
  LoggingNode(std::vector<std::string>* log, std::string tag) : log_(log), tag_(std::move(tag)) {}
  void Attach(ZVI_PtclSys_Constructor* c) override { Log("attach"), ZVI_PtclSysNode_Emitter::Attach(c); }
  void ResetNode() override { Log("reset"), ZVI_PtclSysNode_Emitter::ResetNode(); }
  void Start(const ParticleVector* sources) override {
    Log("start");
    started.push_back(sources ? *sources : ParticleVector());
    ZVI_PtclSysNode_Emitter::Start(sources);
  }
  int32_t Step(float dt, const ParticleVector* sources) override {
    Log("step");
    stepSources = sources;
    return ZVI_PtclSysNode_Emitter::Step(dt, sources) + 1;
  }
  void FillBatch(ZVI_PtclSys_Obj* o, int32_t* i) override { Log("fill"), ZVI_PtclSys_Node::FillBatch(o, i); }
  void DrawBatch(ZVI_PtclSys_Obj* o, int32_t* i, DS_ABRender* c, int* p) override {
    Log("draw"), ZVI_PtclSys_Node::DrawBatch(o, i, c, p);
  }
  int32_t PassCount() override { return Log("pass"), ZVI_PtclSys_Node::PassCount(); }
  void CollectParams(AnimatedParamList& l, ZVI_PtclSys_Node* o) override {
    Log("collect"), ZVI_PtclSys_Node::CollectParams(l, o);
  }

  std::vector<ParticleVector> started;
  const ParticleVector* stepSources = nullptr;

 private:
  int Log(const char* walk) {
    log_->push_back(tag_ + " " + walk);
    return 0;
  }
  std::vector<std::string>* log_;
  std::string tag_;
};

template <class N>
N* AddChild(ZVI_PtclSys_Node* parent, N* child) {
  child->parent = parent;
  parent->children.Append(NodePtr(child));
  return child;
}

// A model whose runtime object exists; the tree started.
struct System {
  System() : model(new ZVI_PtclSys_Constructor), object(model) {}
  ZVI_PtclSys_Constructor* model;
  ZVI_PtclSys_Obj object;
};

TEST_F(NodeTree, FrameStepFollowsLocalTimeAndSpeed) {
  struct Case {
    uint32_t speed;
    float first, second;
    float step;
  };
  const Case cases[] = {
      {100, 1.0f, 6.0f, 0.2f},  // a 5 s jump is cut to 0.2 s
      {50, 1.0f, 6.0f, 0.1f},   {0, 1.0f, 6.0f, 0.0f},
      {100, 1.0f, 1.05f, 0.05f},
      {100, 5.0f, 3.0f, 0.0f},  // time went back
  };
  for (const Case& c : cases) {
    System s;
    s.model->speed.SetValue(c.speed);
    s.model->StartTree();
    auto* root = dynamic_cast<FakePointPhysics*>(s.model->root->physics.get());
    ASSERT_NE(root, nullptr);
    s.object.Update(c.first);
    const float clock = s.model->scaledClock;
    s.object.Update(c.second);
    EXPECT_NEAR(s.model->frameStep, c.step, 1e-6f) << c.speed << " " << c.first << " -> " << c.second;
    EXPECT_NEAR(s.model->scaledClock, clock + c.step, 1e-6f);
    EXPECT_EQ(s.model->lastLocalTime, c.second);
    EXPECT_EQ(root->updates, 2);  // the tree steps even with step 0
  }
}

TEST_F(NodeTree, TimeModeOneFadesTheWholeTreeWithItsTimeline) {
  System s;
  auto* picture = AddChild(s.model->root.get(), new ZVI_PtclSysNode_Picture);
  s.model->StartTree();
  s.model->timing.timeMode.value = 1;
  s.model->timing.Current()->visibility = 0.5f;
  s.object.Update(0.1f);
  ASSERT_EQ(picture->physics->particles.size(), 1u);
  EXPECT_FLOAT_EQ(s.model->root->physics->particles[0]->alpha, 0.5f);
  EXPECT_FLOAT_EQ(picture->physics->particles[0]->GetWorldAlpha(), 0.5f);

  s.model->timing.timeMode.value = 0;
  s.object.Update(0.2f);
  EXPECT_FLOAT_EQ(picture->physics->particles[0]->GetWorldAlpha(), 1.0f);
}

TEST_F(NodeTree, BatchesFollowTheCountTheTreeAsksFor) {
  System s;
  std::vector<ZVI_PtclSysNode_Picture*> pictures;
  for (int k = 0; k < 3; ++k) pictures.push_back(AddChild(s.model->root.get(), new ZVI_PtclSysNode_Picture));
  pictures[0]->radialGlow.enabled.value = 1;
  s.model->StartTree();
  s.object.Update(0.1f);
  ASSERT_EQ(s.object.batches.size(), 4u);
  s.object.batches[0].triangleCapacity = 1234;  // a mark the shrink must keep
  const MeshRecord* first = &s.object.batches[0];
  pictures[1]->visible.value = 0;
  pictures[2]->visible.value = 0;
  pictures[0]->radialGlow.enabled.value = 0;
  s.object.Update(0.2f);
  ASSERT_EQ(s.object.batches.size(), 1u);
  EXPECT_EQ(&s.object.batches[0], first);
  // Without a device nothing could be filled; the record was refilled in place.
  EXPECT_EQ(s.object.batches[0].triangleCount, 0);
}

TEST_F(NodeTree, ChildrenWalkInListOrderAndDrawInReverse) {
  std::vector<std::string> log;
  ZVI_PtclSysNode_Root root;
  for (const char* tag : {"a", "b", "c"}) AddChild(&root, new LoggingNode(&log, tag));
  ZVI_PtclSys_Constructor model;
  root.Attach(&model);
  root.ResetNode();
  root.Start(nullptr);
  EXPECT_EQ(root.Step(0.1f, nullptr), 3);
  EXPECT_EQ(log, (std::vector<std::string>{"a attach", "b attach", "c attach", "a reset", "b reset", "c reset",
                                           "a start", "b start", "c start", "a step", "b step", "c step"}));
  log.clear();
  System s;
  int32_t index = 0;
  root.FillBatch(&s.object, &index);
  root.DrawBatch(&s.object, &index, nullptr, nullptr);
  EXPECT_EQ(root.PassCount(), 0);
  AnimatedParamList params;
  root.CollectParams(params, &root);
  EXPECT_EQ(log, (std::vector<std::string>{"c fill", "b fill", "a fill", "c draw", "b draw", "a draw", "c pass",
                                           "b pass", "a pass", "c collect", "b collect", "a collect"}));
  // The root lists its root point's two entries first.
  ASSERT_EQ(params.size(), 2u);
  EXPECT_EQ(params[0]->name, u"Size");
  EXPECT_EQ(params[1]->name, u"Translucency");
}

TEST_F(NodeTree, EmitterStartsEveryChildWithTheSameNewborns) {
  std::vector<std::string> log;
  ZVI_PtclSysNode_Root root;
  auto* emitter = AddChild(&root, new ZVI_PtclSysNode_Emitter);
  auto* points = new FakePointPhysics;
  points->per_parent = 3;
  emitter->physics = PhysicsPtr(points);
  auto* first = AddChild(emitter, new LoggingNode(&log, "first"));
  auto* second = AddChild(emitter, new LoggingNode(&log, "second"));
  root.Start(nullptr);
  ASSERT_EQ(first->started.size(), 1u);
  ASSERT_EQ(first->started[0].size(), 3u);
  ASSERT_EQ(second->started[0].size(), 3u);
  for (size_t k = 0; k < 3; ++k) EXPECT_EQ(first->started[0][k].get(), second->started[0][k].get());
  EXPECT_EQ(log, (std::vector<std::string>{"first start", "second start"}));

  // Depth three: the grandchildren step with their emitter's sources, the
  // root's particles; only the root passes its own.
  auto* grandchild = AddChild(first, new LoggingNode(&log, "grandchild"));
  root.Step(0.1f, nullptr);
  EXPECT_EQ(first->stepSources, &root.physics->particles);
  EXPECT_EQ(grandchild->stepSources, &root.physics->particles);
}

TEST_F(NodeTree, SetupResetsAndRunsTheTransformsThenAddsKinematicUnlessTheMotionMovesIt) {
  for (bool ownMotion : {false, true}) {
    ZVI_PtclSysNode_Emitter emitter;
    Particle p;
    auto* scripted = new ScriptedTransform;
    p.AddTransform(scripted);
    if (ownMotion) p.flags |= ParticleFlags::OwnMotion;
    emitter.SetupParticle(&p);
    EXPECT_EQ(scripted->resets, 1);
    EXPECT_EQ(scripted->applied, 1);
    EXPECT_EQ(scripted->last_dt, 0.0f);
    ASSERT_GE(p.transforms.size(), 2u);
    EXPECT_NE(dynamic_cast<PtclTr_EffectsVector*>(p.transforms[1].get()), nullptr);
    const bool kinematic = dynamic_cast<PtclTr_Kinematic*>(p.transforms.back().get()) != nullptr;
    EXPECT_EQ(kinematic, !ownMotion);
    EXPECT_EQ(p.transforms.size(), ownMotion ? 2u : 3u);
  }
}

TEST_F(NodeTree, PictureAsksForItsBatchesAndSortsBackToFrontNaNLast) {
  ZVI_PtclSysNode_Picture picture;
  auto* points = new FakePointPhysics;
  points->alive = true;  // a physics that wants its particles sorted
  picture.physics = PhysicsPtr(points);
  const float zs[] = {1.0f, std::numeric_limits<float>::quiet_NaN(), 5.0f, 3.0f};
  for (float z : zs) points->particles.push_back(ParticlePtr(new Particle(D3DXVECTOR3(0, 0, z))));
  picture.DepthSort();
  ASSERT_EQ(points->particles.size(), 4u);
  EXPECT_EQ(points->particles[0]->position.z, 5.0f);
  EXPECT_EQ(points->particles[1]->position.z, 3.0f);
  EXPECT_EQ(points->particles[2]->position.z, 1.0f);
  EXPECT_TRUE(std::isnan(points->particles[3]->position.z));

  EXPECT_EQ(picture.Step(0.0f, nullptr), 1);
  picture.radialGlow.enabled.value = 1;
  EXPECT_EQ(picture.Step(0.0f, nullptr), 2);
  picture.visible.value = 0;
  EXPECT_EQ(picture.Step(0.0f, nullptr), 0);
}

// Blanks and hidden pictures ask for batches they never fill; pictures
// without a frame or buffers still take their indices: fill and draw end
// on the same index, within the batches of the frame.
TEST_F(NodeTree, FillAndDrawTakeTheSameIndices) {
  System s;
  ZVI_PtclSysNode_Root* root = s.model->root.get();
  auto* a = AddChild(root, new ZVI_PtclSysNode_Picture);
  a->radialGlow.enabled.value = 1;
  auto* blank = AddChild(root, new ZVI_PtclSysNode_Blank);
  blank->radialGlow.enabled.value = 1;
  auto* hidden = AddChild(root, new ZVI_PtclSysNode_Picture);
  hidden->visible.value = 0;
  AddChild(hidden, new ZVI_PtclSysNode_Picture)->childrenAfter.value = 1;
  s.model->StartTree();
  s.object.Update(0.1f);
  EXPECT_EQ(s.object.batches.size(), 5u);
  int32_t filled = 0;
  root->FillBatch(&s.object, &filled);
  int32_t drawn = 0;
  int pass = 0;
  s.object.Render(nullptr, &pass);
  root->DrawBatch(&s.object, &drawn, nullptr, &pass);
  EXPECT_EQ(filled, 3);
  EXPECT_EQ(drawn, filled);
  // The running flag gates the background passes.
  a->glow.enabled.value = 1;
  a->glow.mode.value = 2;
  EXPECT_EQ(s.object.NeedsBackground(), 1);
  a->glow.mode.value = 0;
  EXPECT_EQ(s.object.NeedsBackground(), 0);
  a->glow.mode.value = 2;
  s.object.SetRunning(false);
  EXPECT_EQ(s.object.NeedsBackground(), 0);
}

TEST_F(NodeTree, SetOffsetMovesTheRootPoint) {
  System s;
  s.model->StartTree();
  s.object.SetOffset(10, 20, 0);
  s.object.Update(0.1f);
  const D3DXVECTOR3 at = s.model->root->physics->particles[0]->GetWorldPosition();
  EXPECT_FLOAT_EQ(at.x, 10.0f);
  EXPECT_FLOAT_EQ(at.y, 20.0f);
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  s.model->root->GetWorldMatrix(&m);
  EXPECT_FLOAT_EQ(m._41, 10.0f);
  EXPECT_FLOAT_EQ(m._42, 20.0f);
}

// --- values ---

TEST(NodeValues, QuadColourMultipliesTintAndKeepsTheLowByte) {
  struct Case {
    COLORREF tint;
    uint32_t transparency;
    D3DXVECTOR3 colour;
    float alpha;
    uint32_t want;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {0x00FFFFFF, 0, {1, 1, 1}, 1.0f, 0xFFFFFFFF},
      {0x00FF8040, 0, {1, 0.5f, 1}, 0.5f, 0x7F4040FF},  // red 0x40, green 0x80 x 0.5, blue 0xFF
      {0x00FFFFFF, 100, {1, 1, 1}, 1.0f, 0x00FFFFFF},  // transparency 100: alpha 0 whatever the particle's
      {0x00FFFFFF, 0, {2, 1.5f, -1}, 3.0f, 0xFFFE7E01},  // 510 -> 254, 382 -> 126, -255 -> 1; alpha at most 1
      {0x00FFFFFF, 0, {1, 1, 1}, -0.2f, 0xCDFFFFFF},     // world alpha -0.2: -51 -> 205
      {0x00FFFFFF, 0, {nan, 1, 1}, nan, 0x0000FFFF},
      {0x00FFFFFF, 0, {1e8f, 1, 1}, 1.0f, 0xFF00FFFF},  // outside 32 bits: 0
  };
  for (const Case& c : cases) {
    SmartCOLORREF tint(c.tint);
    tint.transparency.SetValue(c.transparency);
    EXPECT_EQ(QuadColour(tint.value, tint.Alpha(), c.colour, c.alpha), c.want) << std::hex << c.want;
  }
}

TEST(NodeValues, GlowTechniqueNeedsABackgroundCopyForItsBlendModes) {
  EXPECT_STREQ(ZVI_PtclSysOption_Glow::Technique(0, true), "DrawGlowNormal");
  EXPECT_STREQ(ZVI_PtclSysOption_Glow::Technique(1, true), "DrawGlowScreen");
  EXPECT_STREQ(ZVI_PtclSysOption_Glow::Technique(2, true), "DrawGlowColorDodge");
  EXPECT_STREQ(ZVI_PtclSysOption_Glow::Technique(3, true), "DrawGlowLinearDodge");
  EXPECT_STREQ(ZVI_PtclSysOption_Glow::Technique(2, false), "DrawGlowNormal");
  EXPECT_STREQ(ZVI_PtclSysOption_Glow::Technique(7, true), "DrawGlowNormal");
}

TEST(NodeValues, OptionDefaults) {
  ZVI_PtclSysOption_Glow glow;
  EXPECT_EQ(glow.name, u"Outer Glow");
  EXPECT_FLOAT_EQ(glow.brightness.derived, 2.0f);
  EXPECT_EQ(glow.mode.value, 3);
  ZVI_PtclSysOption_Shadow shadow;
  EXPECT_FLOAT_EQ(shadow.brightness.derived, 0.5f);
  const D3DXVECTOR3 offset = shadow.Offset();  // 315 degrees, distance 10, constant graph of 1
  EXPECT_NEAR(offset.x, 7.071f, 1e-3f);
  EXPECT_NEAR(offset.y, 7.071f, 1e-3f);
  shadow.distance.jitter.SetValue(50u);
  EXPECT_NEAR(shadow.Offset().x, 3.536f, 1e-3f);
}

TEST(NodeValues, RotationClonesShareTheAngleAndDrawTheirPhasesInTurn) {
  crt_srand(11);
  const float p0 = crt_rand01(), p1 = crt_rand01(), p2 = crt_rand01();
  crt_srand(11);
  RotationEffect rotation;
  RotationEffect first(rotation);
  std::unique_ptr<ZVI_ParticlSystem_Effect> second(first.Clone());
  auto* copy = dynamic_cast<RotationEffect*>(second.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(rotation.phase, p0);
  EXPECT_EQ(first.phase, p1);
  EXPECT_EQ(copy->phase, p2);
  EXPECT_EQ(first.angle.get(), rotation.angle.get());
  EXPECT_EQ(copy->angle.get(), rotation.angle.get());

  // Turning the shared angle turns both particles; the spread moves each by
  // its phase.
  rotation.angle->value.SetValue(90u);
  rotation.angle->jitter.SetValue(10u);
  for (RotationEffect* r : {&first, copy}) {
    Particle p;
    r->Apply(0.0f, &p);
    const float turn = -(1.5707964f + 0.17453292f * (2.0f * r->phase - 1.0f));
    EXPECT_NEAR(p.modifier1._11, std::cos(turn), 1e-5f);
    EXPECT_NEAR(p.modifier1._12, std::sin(turn), 1e-5f);
  }
}

// A visitor meets a rotation clone at its rotation operation only.
TEST(NodeValues, RotationAcceptsTheVisitorAtItsOwnOperation) {
  struct Seen : ZVI_PtclSysEffectVisitor {
    void VisitEffect(ZVI_ParticlSystem_Effect&) override { ++others; }
    void VisitSpin(ZVI_PtclSysEffect_Spin&) override { ++others; }
    void VisitRotation(ZVI_PtclSysEffect_Rotation& r) override { rotation = &r; }
    ZVI_PtclSysEffect_Rotation* rotation = nullptr;
    int others = 0;
  } seen;
  RotationEffect rotation;
  std::unique_ptr<ZVI_ParticlSystem_Effect> clone(rotation.Clone());
  clone->Accept(seen);
  EXPECT_EQ(seen.rotation, dynamic_cast<ZVI_PtclSysEffect_Rotation*>(clone.get()));
  EXPECT_EQ(seen.others, 0);
}

// --- records ---

pw::ByteBuilder Emitter(const pw::NodeBaseRecord& base, int32_t perParent = 1) {
  pw::ByteBuilder b;
  return pw::WriteEmitterNode(b, PointsRecord(perParent), base);
}

TEST_F(NodeTree, NodeRecordKeepsNodesAndEffectsOnly) {
  pw::NodeBaseRecord child;
  child.name = u"child";
  pw::ByteBuilder other;
  other.Header(u"Test_NotANode", 1).I32(5);
  for (int32_t version : {1, 2}) {
    pw::NodeBaseRecord base;
    base.version = version;
    base.name = u"emitter";
    base.children = {Emitter(child), other};
    base.extension = u"Unregistered";
    base.effects = {TestEffectRecord(u"spin"), other};
    pw::ByteBuilder bytes = Emitter(base, 4);
    bytes.I32(0x5EA1);
    uint64_t left = 0;
    auto node = ReadItem<ZVI_PtclSysNode_Emitter>(bytes, &left);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(left, 4u);
    EXPECT_EQ(node->name, u"emitter");
    EXPECT_EQ(static_cast<RecordPoints*>(node->physics.get())->per_parent, 4);
    ASSERT_EQ(node->children.value.size(), 1u);  // the other family's record was read and dropped
    EXPECT_EQ(node->children.value[0]->name, u"child");
    EXPECT_EQ(node->children.value[0]->parent, node.get());
    EXPECT_EQ(node->children.selected.value, 0);
    EXPECT_FALSE(node->extension);
    ASSERT_EQ(node->effects.value.size(), version >= 2 ? 1u : 0u) << version;
    if (version >= 2) EXPECT_EQ(node->effects.value[0]->name, u"spin");
  }
}

TEST_F(NodeTree, ANameWithoutAReaderMakesTheRecordInvalid) {
  pw::NodeBaseRecord base;
  pw::ByteBuilder unknown;
  unknown.Header(u"ZVI_PtclSysNode_Unknown", 1);
  base.children = {unknown};
  EXPECT_THROW(ReadItem<ZVI_PtclSysNode_Emitter>(Emitter(base)), DS_Error);
  pw::ByteBuilder truncated = Emitter(pw::NodeBaseRecord{});
  truncated.bytes().resize(truncated.size() - 3);
  EXPECT_THROW(ReadItem<ZVI_PtclSysNode_Emitter>(truncated), DS_Error);
}

TEST_F(NodeTree, RootAndEmitterKeepOnlyPhysicsOfTheirFamily) {
  pw::ByteBuilder root;
  pw::WriteRootNode(root, RootPointRecord(3, 4, 5), pw::NodeBaseRecord{});
  auto r = ReadItem<ZVI_PtclSysNode_Root>(root);
  ASSERT_NE(r, nullptr);
  ASSERT_NE(r->RootPoint(), nullptr);
  EXPECT_EQ(r->RootPoint()->position.value, D3DXVECTOR3(3, 4, 5));

  pw::ByteBuilder pointsRoot;
  pw::WriteRootNode(pointsRoot, PointsRecord(), pw::NodeBaseRecord{});
  r = ReadItem<ZVI_PtclSysNode_Root>(pointsRoot);
  ASSERT_NE(r, nullptr);
  EXPECT_FALSE(r->physics);
  // A root without its root point moves and draws nothing; its children still walk.
  auto* child = AddChild(r.get(), new ZVI_PtclSysNode_Picture);
  r->Start(nullptr);
  EXPECT_EQ(r->Step(0.1f, nullptr), 1);
  EXPECT_TRUE(child->physics->particles.empty());
}

TEST_F(NodeTree, TrackAndBlankReadExactlyTheirEmitterRecord) {
  pw::NodeBaseRecord base;
  base.name = u"inner";
  for (const char16_t* cls : {u"ZVI_PtclSysNode_Track", u"ZVI_PtclSysNode_Blank"}) {
    pw::ByteBuilder bytes;
    if (std::u16string_view(cls) == u"ZVI_PtclSysNode_Track") {
      pw::WriteTrackNode(bytes, Emitter(base, 6));
    } else {
      pw::WriteBlankNode(bytes, Emitter(base, 6));
    }
    bytes.I32(0x5EA1);
    uint64_t left = 0;
    auto node = ReadItem<ZVI_PtclSysNode_Emitter>(bytes, &left);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(left, 4u);
    EXPECT_EQ(node->name, u"inner");
    EXPECT_EQ(static_cast<RecordPoints*>(node->physics.get())->per_parent, 6);
  }
}

pw::ByteBuilder AlerterTexture(uint32_t columns = 1, uint32_t rows = 1) {
  pw::TextureSourceRecord source;
  source.block.links = {{u"dot.png", 1}};
  source.block.atlasColumns = columns;
  source.block.atlasRows = rows;
  pw::ByteBuilder s;
  pw::WriteTextureSource(s, source);
  pw::ByteBuilder b;
  return pw::WriteAlerterTextureSource(b, s, 100, 0);
}

TEST_F(NodeTree, PictureRecordsOfEveryVersion) {
  for (int32_t v : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}) {
    pw::PictureRecord r;
    r.version = v;
    r.effectId = 777;
    r.texture = AlerterTexture(4, 2);
    r.particleSize = 33;
    r.flipVertical = 1;
    r.flipHorizontal = 1;
    r.tintColour = 0x00102030;
    r.tintTransparency = 40;
    r.glow.mode = 2;
    r.blendSum = 1;
    r.radialGlow.size = 70;
    r.shadow.angle = 90;
    r.rotationAngle = 45;
    r.rotationSpread = 5;
    r.rotationBase.name = u"turn";
    r.atlasLoop = 0;
    r.childrenAfter = 1;
    r.visible = 0;
    r.physics = PointsRecord(9);
    r.base.name = u"picture";
    pw::ByteBuilder bytes;
    pw::WritePictureNode(bytes, r);
    bytes.I32(0x5EA1);
    uint64_t left = 0;
    auto p = ReadItem<ZVI_PtclSysNode_Picture>(bytes, &left);
    ASSERT_NE(p, nullptr) << v;
    EXPECT_EQ(left, 4u) << v;
    EXPECT_EQ(p->effectLink.id, 777) << v;
    EXPECT_EQ(p->Columns(), 4);
    EXPECT_EQ(p->Rows(), 2);
    EXPECT_EQ(p->particleSize.value, 33u);
    EXPECT_EQ(p->flipVertical.value, 1);
    EXPECT_EQ(p->flipHorizontal.value, 1);
    EXPECT_EQ(p->tint.value, v >= 6 ? 0x00102030u : 0x00FFFFFFu) << v;
    EXPECT_EQ(p->tint.Alpha(), v >= 6 ? 153 : 255) << v;
    EXPECT_EQ(p->glow.mode.value, v >= 4 ? 2 : 3) << v;
    EXPECT_EQ(p->blendSum.value, v >= 5 ? 1 : 0) << v;
    EXPECT_EQ(p->radialGlow.size.value, v >= 7 ? 70u : 50u) << v;
    EXPECT_EQ(p->shadow.angle.value, v >= 9 ? 90u : 315u) << v;
    EXPECT_EQ(p->rotation.angle->value.value, v >= 11 ? 45u : 0u) << v;
    EXPECT_EQ(p->rotation.name, v >= 11 ? u"turn" : u"") << v;
    EXPECT_EQ(p->atlasLoop.value, v >= 11 ? 0 : 1) << v;
    EXPECT_EQ(p->childrenAfter.value, v >= 12 ? 1 : 0) << v;
    EXPECT_EQ(p->visible.value, v >= 13 ? 0 : 1) << v;
    EXPECT_EQ(static_cast<RecordPoints*>(p->physics.get())->per_parent, 9) << v;
    EXPECT_EQ(p->name, u"picture") << v;
  }
}

TEST_F(NodeTree, OptionRecordsReadTheirFields) {
  pw::PictureRecord r;
  r.texture = AlerterTexture();
  r.physics = PointsRecord();
  r.glow = {1, u"Glow!", 1, 3, 0x00112233, 150, 20};
  r.radialGlow.enabled = 1;
  r.radialGlow.size = 80;
  r.radialGlow.blendMode = 1;
  r.radialGlow.colour = 0x000000FF;
  r.radialGlow.transparency = 100;
  r.shadow.enabled = 1;
  r.shadow.colour = 0x00FF0000;
  r.shadow.blurPasses = 2;
  r.shadow.brightness = 80;
  r.shadow.distance = 20;
  r.shadow.distanceJitter = 50;
  r.shadow.angle = 0;
  pw::ByteBuilder bytes;
  pw::WritePictureNode(bytes, r);
  auto p = ReadItem<ZVI_PtclSysNode_Picture>(bytes);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->glow.enabled.value, 1);
  EXPECT_EQ(p->glow.name, u"Glow!");
  EXPECT_EQ(p->glow.blurPasses.value, 3);
  EXPECT_EQ(p->glow.color.value, 0x00112233u);
  EXPECT_FLOAT_EQ(p->glow.brightness.derived, 3.0f);
  EXPECT_EQ(p->glow.blur.quality.value, 20u);
  EXPECT_FLOAT_EQ(p->radialGlow.size.derived, 0.8f);
  EXPECT_STREQ(p->radialGlow.Technique(), "BlendSum");
  EXPECT_EQ(p->radialGlow.color.Alpha(), 0);
  ASSERT_TRUE(p->radialGlow.source);
  EXPECT_EQ(p->radialGlow.texture.value.get(), p->radialGlow.source.get());
  EXPECT_EQ(p->shadow.blurPasses.value, 2);
  EXPECT_FLOAT_EQ(p->shadow.brightness.derived, 0.8f);
  EXPECT_NEAR(p->shadow.Offset().x, 10.0f, 1e-4f);  // 20 x (1 - 0.5) along 0 degrees
  EXPECT_NEAR(p->shadow.Offset().y, 0.0f, 1e-4f);
}

pw::ByteBuilder RootWith(std::vector<pw::ByteBuilder> children) {
  pw::NodeBaseRecord base;
  base.children = std::move(children);
  pw::ByteBuilder b;
  return pw::WriteRootNode(b, RootPointRecord(1, 2, 0), base);
}

std::unique_ptr<DS_ABObj_Constructor> ReadModel(const pw::ByteBuilder& bytes) {
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
  return ReadObject(ar);
}

TEST_F(NodeTree, ModelRecordsWithAndWithoutSpeedAndTheBuilderForm) {
  pw::NodeBaseRecord child;
  child.name = u"emitter";
  for (int32_t version : {1, 2}) {
    for (bool builder : {false, true}) {
      pw::NodeSystemRecord r;
      r.version = version;
      r.root = RootWith({Emitter(child)});
      r.speed = 40;
      r.object.name = u"sparks";
      pw::ByteBuilder bytes;
      if (builder) {
        pw::WriteNodeSystemBuilder(bytes, r);
      } else {
        pw::WriteNodeSystem(bytes, r);
      }
      auto model = ReadModel(bytes);
      auto* system = dynamic_cast<ZVI_PtclSys_Constructor*>(model.get());
      ASSERT_NE(system, nullptr);
      EXPECT_EQ(dynamic_cast<ZVI_PtclSys_Builder*>(system) != nullptr, builder);
      EXPECT_FLOAT_EQ(system->speed.derived, version > 1 ? 0.4f : 1.0f);
      EXPECT_EQ(system->name, u"sparks");
      ASSERT_TRUE(system->root);
      ASSERT_EQ(system->root->children.value.size(), 1u);
      EXPECT_EQ(system->root->RootPoint()->position.value, D3DXVECTOR3(1, 2, 0));

      // The runtime copy shares the tree and is the same class.
      std::unique_ptr<DS_ABObj> runtime(system->CreateRuntime());
      auto* object = dynamic_cast<ZVI_PtclSys_Obj*>(runtime.get());
      ASSERT_NE(object, nullptr);
      EXPECT_EQ(object->system->root.get(), system->root.get());
      EXPECT_EQ(dynamic_cast<ZVI_PtclSys_Builder*>(object->system) != nullptr, builder);
      EXPECT_TRUE(object->PassesOutput());
      EXPECT_TRUE(object->ReadsBackground());
    }
  }
}

TEST_F(NodeTree, AModelWhoseRootIsNoRootDrawsNothing) {
  pw::NodeSystemRecord r;
  r.root = Emitter(pw::NodeBaseRecord{});
  pw::ByteBuilder bytes;
  pw::WriteNodeSystem(bytes, r);
  auto model = ReadModel(bytes);
  auto* system = dynamic_cast<ZVI_PtclSys_Constructor*>(model.get());
  ASSERT_NE(system, nullptr);
  EXPECT_FALSE(system->root);
  std::unique_ptr<DS_ABObj> runtime(system->CreateRuntime());
  auto* object = static_cast<ZVI_PtclSys_Obj*>(runtime.get());
  object->Update(0.5f);
  int pass = 0;
  object->Render(nullptr, &pass);
  object->SetOffset(1, 2, 3);
  system->ResetTime();
  EXPECT_TRUE(object->batches.empty());
  EXPECT_EQ(object->NeedsBackground(), 0);
}

}  // namespace
