// The line node: its record at versions 1 and 2, its segment list, and the
// ribbons it fills per particle (anchor, stretch and clipping, the vertex
// cap of one batch).
#include <gtest/gtest.h>

#include <memory>

#include "node_tree_fixtures.h"
#include "particles/nodes/line_node.h"
#include "render_fixtures.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/values_writer.h"

using namespace node_tree_test;

namespace {

pw::PictureRecord Picture() {
  pw::TextureSourceRecord dot;
  dot.block.links = {{u"dot.png", 2}};
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, dot);
  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.particleSize = 7;
  picture.physics = PointsRecord(1);
  return picture;
}

// A segment as the record lays it out: two flags, the length, the opacity
// block and the width block (graph record, value, jitter).
void Segment(pw::ByteBuilder& b, uint32_t length, uint32_t opacity, uint32_t width, uint32_t widthJitter) {
  b.I32(0).I32(7).U32(length);
  pw::WriteVGraphConst(b).U32(opacity).U32(0);
  pw::WriteVGraphConst(b).U32(width).U32(widthJitter);
}

TEST_F(NodeTree, LineRecordAtBothVersions) {
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    pw::ByteBuilder b;
    b.Header(u"ZVI_PtclSysNode_Line", version).U32(50).I32(2);
    Segment(b, 40, 10, 30, 5);
    Segment(b, 60, 0, 25, 0);
    if (version >= 2) b.I32(1).U32(300);
    pw::WriteTexDynamicNode(b, Picture());
    uint64_t left = 1;
    std::unique_ptr<ZVI_PtclSysNode_Line> line = ReadItem<ZVI_PtclSysNode_Line>(b, &left);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(left, 0u);
    EXPECT_FLOAT_EQ(line->anchor.derived, -0.5f);
    ASSERT_EQ(line->segments.Count(), 2);
    EXPECT_EQ(line->segments.current_index, 0);
    const ZVI_StraightWidehtLine& first = *line->segments.value[0];
    EXPECT_EQ(first.value, 40u);
    EXPECT_FLOAT_EQ(first.opacity.value.derived, 0.9f);
    EXPECT_FLOAT_EQ(first.width.value.derived, 30.0f);
    EXPECT_FLOAT_EQ(first.width.jitter.derived, 0.95f);
    EXPECT_EQ(line->segments.value[1]->value, 60u);
    EXPECT_EQ(line->clipMode.value, version >= 2 ? 1 : 0);
    EXPECT_FLOAT_EQ(line->textureRepeat.derived, version >= 2 ? 4.0f : 2.0f);
    EXPECT_EQ(line->particleSize.value, 7u);
    line->RebuildSamples();
    EXPECT_FLOAT_EQ(line->totalLength, 100.0f);
  }
}

TEST(LineSegmentList, AddRemoveAndNames) {
  LineSegments list;
  list.current_index = -1;
  list.Add();  // nothing current: appended, then index 0 current
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.current_index, 0);
  SegmentPtr first = list.value[0];
  list.Add();  // after the current one
  list.current_index = 0;
  list.Add();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.value[0].get(), first.get());
  EXPECT_EQ(list.MoveUp(0), 0);
  EXPECT_EQ(list.MoveDown(2), 0);
  list.Remove(7);
  EXPECT_EQ(list.Count(), 3);
  list.Remove(1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.ItemName(0), u"Segment 01");
  EXPECT_EQ(list.ItemName(11), u"Segment 12");
}

class LineFill : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterFakes();
    model_ = new ZVI_PtclSys_Constructor;
    object_ = std::make_unique<ZVI_PtclSys_Obj>(model_);
    line_ = new ZVI_PtclSysNode_Line;
    line_->parent = model_->root.get();
    model_->root->children.Append(NodePtr(line_));
  }
  Particle* Add(float x, float y, float scaleX = 1.0f) {
    ParticlePtr p(new Particle(D3DXVECTOR3(x, y, 0)));
    p->size = 1.0f;
    p->alpha = 1.0f;
    p->color = D3DXVECTOR3(1, 1, 1);
    p->scale = D3DXVECTOR3(scaleX, 1, 1);
    line_->physics->particles.push_back(p);
    return p.get();
  }
  int32_t Fill() {
    object_->batches.resize(1);
    object_->filled.assign(1, 0);
    int32_t index = 0;
    line_->FillBatch(object_.get(), &index);
    return index;
  }
  // The x range of the batch's vertices.
  std::pair<float, float> XRange() {
    const MeshRecord& b = object_->batches[0];
    void* data = nullptr;
    EXPECT_EQ(b.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
    const auto* v = static_cast<const BandVertex*>(data);
    float lo = 1e9f, hi = -1e9f;
    for (int32_t k = 0; k < b.vertexCount; ++k) {
      lo = std::min(lo, v[k].x);
      hi = std::max(hi, v[k].x);
    }
    b.vertexBuffer->Unlock();
    return {lo, hi};
  }

  ZVI_PtclSys_Constructor* model_ = nullptr;
  std::unique_ptr<ZVI_PtclSys_Obj> object_;
  ZVI_PtclSysNode_Line* line_ = nullptr;
};

TEST_F(LineFill, AnchorAndClipModesPlaceTheRibbon) {
  Add(10, 20);
  struct Case {
    uint32_t anchor;
    int32_t clipMode;
    float scaleX, lo, hi;
  };
  const Case cases[] = {{0, 0, 1.0f, 10, 110}, {50, 0, 1.0f, -40, 60}, {0, 0, 0.5f, 10, 60},
                        {0, 1, 0.5f, 10, 60},  {0, 2, 0.25f, 10, 35}, {100, 1, 1.0f, -90, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "anchor " << c.anchor << " mode " << c.clipMode << " scale " << c.scaleX);
    line_->anchor.SetValue(c.anchor);
    line_->clipMode.value = c.clipMode;
    line_->physics->particles[0]->scale.x = c.scaleX;
    EXPECT_EQ(Fill(), 1);
    EXPECT_EQ(object_->batches[0].vertexCount, 5);  // two samples: 3 x 2 - 1
    EXPECT_EQ(object_->batches[0].triangleCount, 4);
    const auto [lo, hi] = XRange();
    EXPECT_NEAR(lo, c.lo, 1e-3f);
    EXPECT_NEAR(hi, c.hi, 1e-3f);
  }
}

TEST_F(LineFill, TheRibbonIs25WideAndItsVRunsByTheImageWidth) {
  Add(0, 0);
  ImageFrameSet image;
  image.imageWidth = 64;
  line_->texture.images = {image};
  Fill();
  const MeshRecord& b = object_->batches[0];
  void* data = nullptr;
  ASSERT_EQ(b.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  const auto* v = static_cast<const BandVertex*>(data);
  EXPECT_FLOAT_EQ(v[0].y - v[1].y, 25.0f);
  EXPECT_FLOAT_EQ(v[4].v0, 100.0f * 2.0f / 64.0f);
  EXPECT_EQ(v[4].color, 0xFFFFFFFFu);
  b.vertexBuffer->Unlock();
  // An image of width 0: v stays 0.
  line_->texture.images[0].imageWidth = 0;
  Fill();
  ASSERT_EQ(b.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  EXPECT_FLOAT_EQ(static_cast<const BandVertex*>(data)[4].v0, 0.0f);
  b.vertexBuffer->Unlock();
}

TEST_F(LineFill, WithoutSegmentsNoBatchAndNoStep) {
  Add(0, 0);
  line_->segments.value.clear();
  EXPECT_EQ(line_->Step(0.04f, nullptr), 0);
  EXPECT_EQ(Fill(), 0);
}

// A line's radial glow takes no batch: fill and draw both pass only the
// ribbon's, so the next node's batch follows it.
TEST_F(LineFill, NoRadialGlowBatch) {
  Add(0, 0);
  line_->radialGlow.enabled.value = 1;
  object_->batches.resize(2);
  object_->filled.assign(2, 0);
  int32_t index = 0;
  line_->FillBatch(object_.get(), &index);
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(object_->filled[1]);
  index = 0;
  int pass = 0;
  line_->DrawBatch(object_.get(), &index, nullptr, &pass);
  EXPECT_EQ(index, 1);
}

// A batch stops before the particle whose ribbon would pass 65 535 vertices.
TEST_F(LineFill, OneBatchHoldsAtMost65535Vertices) {
  for (int k = 0; k < 13108; ++k) Add(static_cast<float>(k % 100), 0);
  Fill();
  EXPECT_EQ(object_->batches[0].vertexCount, 65535);  // 13 107 ribbons of 5
  EXPECT_EQ(object_->batches[0].triangleCount, 13107 * 4);
}

}  // namespace
