// The trace node with a fake trail store: its record, the switch, and the
// bands of its trails written into one batch (the newest point of a trail
// is not part of its band).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "node_tree_fixtures.h"
#include "particles/nodes/trace_node.h"
#include "render_fixtures.h"
#include "tools/writer/render_writer.h"

using namespace node_tree_test;

namespace {

pw::ByteBuilder TrailsRecord(int32_t tag) {
  pw::ByteBuilder b;
  b.Header(u"ZVI_PtclSysPhys_TraceLine", 1).I32(tag);
  return b;
}

TEST(TraceRecord, FieldsInOrderAndTheTrailPhysicsKeptOnlyWhenItIsOne) {
  RegisterTraceFakes();
  pw::TextureSourceRecord band;
  band.block.links = {{u"common_res.dll", 228}};
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, band);
  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.particleSize = 9;
  picture.physics = PointsRecord(1);
  for (bool trailPhysics : {true, false}) {
    SCOPED_TRACE(trailPhysics);
    pw::ByteBuilder b;
    b.Header(u"ZVI_PtclSysNode_Trace", 2);
    b.Append(trailPhysics ? TrailsRecord(7) : PointsRecord(2));
    b.U32(0x0000FF00u).U32(0xDEADBEEFu).I32(1).WideString(u"My trace");
    pw::WritePictureNode(b, picture);
    uint64_t left = 1;
    std::unique_ptr<ZVI_PtclSysNode_Trace> node = ReadItem<ZVI_PtclSysNode_Trace>(b, &left);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(node->traceColor.value, 0x0000FF00u);
    EXPECT_EQ(node->enabled.value, 1);
    EXPECT_EQ(static_cast<ZVI_PtclSys_Option&>(*node).name, u"My trace");
    EXPECT_EQ(node->particleSize.value, 9u);
    EXPECT_EQ(node->traceMode.value, 1);
    if (trailPhysics) {
      auto* trails = dynamic_cast<FakeTrails*>(node->trails.get());
      ASSERT_NE(trails, nullptr);
      EXPECT_EQ(trails->tag, 7);
    } else {
      EXPECT_EQ(node->TrailOps(), nullptr);
    }
  }
}

TEST(TraceRecord, ANewTraceNode) {
  RegisterTraceFakes();
  ZVI_PtclSysNode_Trace node;
  EXPECT_EQ(static_cast<ZVI_PtclSys_Option&>(node).name, u"Trace");
  EXPECT_EQ(node.enabled.value, 0);
  EXPECT_EQ(node.traceColor.value, 0x00FFFFFFu);
  EXPECT_NE(dynamic_cast<FakeTrails*>(node.trails.get()), nullptr);
  ASSERT_NE(node.texture.value.get(), nullptr);
  ASSERT_EQ(node.texture.value->links.size(), 1u);
  EXPECT_EQ(node.texture.value->links[0].name, u"common_res.dll");
  EXPECT_EQ(node.texture.value->links[0].id, 228);
}

// A child that takes one batch and one background pass, and logs the
// batch indices it filled and drew.
class BatchChild : public ZVI_PtclSys_Node {
 public:
  int32_t Step(float dt, const ParticleVector* sources) override {
    ++steps;
    return ZVI_PtclSys_Node::Step(dt, sources) + 1;
  }
  void FillBatch(ZVI_PtclSys_Obj*, int32_t* index) override { filled.push_back((*index)++); }
  void DrawBatch(ZVI_PtclSys_Obj*, int32_t* index, DS_ABRender*, int*) override { drawn.push_back((*index)++); }
  int32_t PassCount() override { return 1; }

  int steps = 0;
  std::vector<int32_t> filled, drawn;
};

class TraceBands : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterTraceFakes();
    model_ = new ZVI_PtclSys_Constructor;
    object_ = std::make_unique<ZVI_PtclSys_Obj>(model_);
    trace_ = new ZVI_PtclSysNode_Trace;
    trace_->parent = model_->root.get();
    model_->root->children.Append(NodePtr(trace_));
    trails_ = dynamic_cast<FakeTrails*>(trace_->trails.get());
  }

  // A trail of n points 10 apart along y = row, each of size 4.
  void AddTrail(int n, float row) {
    ParticlePtr tracked(new Particle);
    trails_->StartTrail(tracked);
    auto& points = trails_->trails.back().points->particles;
    for (int k = 0; k < n; ++k) {
      ParticlePtr p(new Particle(D3DXVECTOR3(10.0f * k, row, 0)));
      p->size = 4.0f;
      p->alpha = 1.0f;
      points.push_back(p);
    }
  }

  // The trace's fill into a fresh batch list; the index it ends with.
  int32_t Fill() {
    object_->batches.resize(1);
    object_->filled.assign(1, 0);
    int32_t index = 0;
    trace_->FillBatch(object_.get(), &index);
    return index;
  }

  ZVI_PtclSys_Constructor* model_ = nullptr;
  std::unique_ptr<ZVI_PtclSys_Obj> object_;
  ZVI_PtclSysNode_Trace* trace_ = nullptr;
  FakeTrails* trails_ = nullptr;
};

TEST_F(TraceBands, ADisabledTraceTakesNoBatch) {
  AddTrail(4, 0);
  EXPECT_EQ(trace_->Step(0.04f, nullptr), 0);
  EXPECT_EQ(trails_->updates, 0);
  EXPECT_EQ(Fill(), 0);
  EXPECT_EQ(object_->batches[0].triangleCount, 0);
  trace_->enabled.value = 1;
  EXPECT_EQ(trace_->Step(0.04f, nullptr), 1);
  EXPECT_EQ(trails_->updates, 1);
}

// Switched off, the trace still steps its children but neither counts, fills
// nor draws them; hidden, it fills its band and passes it over when drawing,
// its children drawn in the order they were filled.
TEST_F(TraceBands, ChildrenOfADisabledOrHiddenTrace) {
  struct Case {
    int32_t enabled, visible, childrenAfter;
    int32_t batches, passes;
    std::vector<int32_t> childBatch;
  };
  const Case cases[] = {
      {0, 1, 0, 0, 0, {}},
      {0, 0, 1, 0, 0, {}},
      {1, 0, 0, 2, 1, {0}},
      {1, 0, 1, 2, 1, {1}},
  };
  for (const Case& c : cases) {
    auto* child = new BatchChild;
    child->parent = trace_;
    trace_->children.value.clear();
    trace_->children.Append(NodePtr(child));
    trace_->enabled.value = c.enabled;
    trace_->visible.value = c.visible;
    trace_->childrenAfter.value = c.childrenAfter;
    EXPECT_EQ(trace_->Step(0.04f, nullptr), c.batches) << c.enabled << c.visible;
    EXPECT_EQ(child->steps, 1);
    EXPECT_EQ(trace_->PassCount(), c.passes);
    object_->batches.resize(2);
    object_->filled.assign(2, 0);
    int32_t index = 0;
    trace_->FillBatch(object_.get(), &index);
    EXPECT_EQ(index, c.batches);
    EXPECT_EQ(child->filled, c.childBatch);
    index = 0;
    int pass = c.passes;
    trace_->DrawBatch(object_.get(), &index, nullptr, &pass);
    EXPECT_EQ(index, c.batches);
    EXPECT_EQ(child->drawn, c.childBatch);
  }
}

TEST_F(TraceBands, TrailsOfOneToThreePoints) {
  ASSERT_NE(trails_, nullptr);
  trace_->enabled.value = 1;
  for (int n : {1, 2}) {
    trails_->trails.clear();
    AddTrail(n, 0);
    EXPECT_EQ(Fill(), 1);
    EXPECT_EQ(object_->batches[0].triangleCount, 0) << n;
    EXPECT_EQ(object_->batches[0].vertexCount, 0) << n;
    EXPECT_TRUE(object_->filled[0]);
  }
  trails_->trails.clear();
  AddTrail(3, 0);
  Fill();
  const MeshRecord& b = object_->batches[0];
  EXPECT_GT(b.triangleCount, 0);
  EXPECT_GT(b.vertexCount, 0);
  // The band lies over the first two points: x in [0, 10] give or take the
  // half-width of 2.
  void* data = nullptr;
  ASSERT_EQ(b.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  const auto* v = static_cast<const BandVertex*>(data);
  for (int32_t k = 0; k < b.vertexCount; ++k) {
    EXPECT_GE(v[k].x, -2.01f) << k;
    EXPECT_LE(v[k].x, 12.01f) << k;
    EXPECT_LE(std::fabs(v[k].y), 2.01f) << k;
    EXPECT_EQ(v[k].color, 0xFFFFFFFFu) << k;
  }
  b.vertexBuffer->Unlock();
}

TEST_F(TraceBands, TwoTrailsShareTheBatchTheSecondAfterTheFirst) {
  trace_->enabled.value = 1;
  AddTrail(4, 0);
  Fill();
  const int32_t firstVertices = object_->batches[0].vertexCount;
  const int32_t firstTriangles = object_->batches[0].triangleCount;
  ASSERT_GT(firstTriangles, 0);
  AddTrail(4, 50);
  Fill();
  const MeshRecord& b = object_->batches[0];
  EXPECT_EQ(b.vertexCount, 2 * firstVertices);
  EXPECT_EQ(b.triangleCount, 2 * firstTriangles);
  void* data = nullptr;
  ASSERT_EQ(b.indexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  const auto* index = static_cast<const uint16_t*>(data);
  for (int32_t k = 0; k < 3 * firstTriangles; ++k) EXPECT_LT(index[k], firstVertices) << k;
  for (int32_t k = 3 * firstTriangles; k < 3 * b.triangleCount; ++k) {
    EXPECT_GE(index[k], firstVertices) << k;
    EXPECT_LT(index[k], 2 * firstVertices) << k;
  }
  b.indexBuffer->Unlock();
}

// Without a usable trail store the node still takes its batch, empty, so its
// fill and draw keep in step; its children fill around it.
TEST_F(TraceBands, WithoutTrailPhysicsAnEmptyBatch) {
  trace_->trails = PhysicsPtr();
  trace_->enabled.value = 1;
  EXPECT_EQ(trace_->Step(0.04f, nullptr), 1);
  EXPECT_EQ(Fill(), 1);
  EXPECT_EQ(object_->batches[0].triangleCount, 0);
}

TEST_F(TraceBands, TheSwitchStartsTrailsForTheParentsParticlesOrClearsThem) {
  auto* emitter = new ZVI_PtclSysNode_Emitter;
  emitter->physics = PhysicsPtr(new HeldPoints);
  for (int k = 0; k < 3; ++k) emitter->physics->particles.push_back(ParticlePtr(new Particle));
  auto* trace = new ZVI_PtclSysNode_Trace;
  trace->parent = emitter;
  emitter->children.Append(NodePtr(trace));
  auto* trails = dynamic_cast<FakeTrails*>(trace->trails.get());
  ASSERT_NE(trails, nullptr);
  trace->enabled.SetValue(1);
  ASSERT_EQ(trails->trails.size(), 3u);
  EXPECT_EQ(trails->trails[1].particle.get(), emitter->physics->particles[1].get());
  trace->enabled.SetValue(0);
  EXPECT_TRUE(trails->trails.empty());
  EXPECT_GE(trails->clears, 1);
  NodePtr owner(emitter);  // frees the emitter and the trace
}

}  // namespace
