// The exploding-picture node (pieces tile the picture at rest) and the 2D
// text node (glyph quads from their windows; the model's timing handed to
// the text physics).
#include <gtest/gtest.h>

#include <memory>

#include "node_tree_fixtures.h"
#include "particles/nodes/picture_kinds.h"
#include "render_fixtures.h"
#include "tools/writer/render_writer.h"

using namespace node_tree_test;

namespace {

// Stands in for the exploding picture and the text physics.
class PiecesPhysics : public node_fakes::FakePointPhysics {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t) { ar.ReadInt(&tag); }
  void SetTiming(ZVI_SmartTiming* t) override { timing = t; }
  int32_t tag = 0;
  ZVI_SmartTiming* timing = nullptr;
};

void RegisterKindFakes() {
  RegisterFakes();
  RegisterReader<PiecesPhysics, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_ExplodingPic");
}

pw::ByteBuilder PictureTail(uint32_t particleSize) {
  pw::TextureSourceRecord dot;
  dot.block.links = {{u"dot.png", 2}};
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, dot);
  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.particleSize = particleSize;
  pw::ByteBuilder pieces;
  pieces.Header(u"ZVI_PtclSysPhys_ExplodingPic", 1).I32(44);
  picture.physics = pieces;
  pw::ByteBuilder b;
  pw::WritePictureNode(b, picture);
  return b;
}

TEST(PictureKinds, RecordsAreTheirHeaderAndAPictureRecord) {
  RegisterKindFakes();
  for (const char16_t* name : {u"ZVI_PtclSysNodePic_Explode", u"ZVI_PtclSysNodePic_2DText"}) {
    pw::ByteBuilder b;
    b.Header(name, 1).Append(PictureTail(33));
    uint64_t left = 1;
    std::unique_ptr<ZVI_PtclSysNode_Picture> node = ReadItem<ZVI_PtclSysNode_Picture>(b, &left);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(node->particleSize.value, 33u);
    auto* pieces = dynamic_cast<PiecesPhysics*>(node->physics.get());
    ASSERT_NE(pieces, nullptr);
    EXPECT_EQ(pieces->tag, 44);
  }
  ZVI_PtclSysNodePic_Explode fresh;
  EXPECT_NE(dynamic_cast<PiecesPhysics*>(fresh.physics.get()), nullptr);
}

// 4 x 4 pieces of size 0.25: the windows tile [0, 1] x [0, 1], and at a
// particle size of 256 the pieces sit 64 apart.
TEST(PictureKinds, ExplodedPiecesTileThePicture) {
  RegisterKindFakes();
  ZVI_PtclSysNodePic_Explode node;
  node.particleSize.value = 256;
  const float at[4] = {-0.375f, -0.125f, 0.125f, 0.375f};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      Particle p(D3DXVECTOR3(at[i], at[j], 0));
      p.size = 0.25f;
      node.SetupParticle(&p);
      SCOPED_TRACE(testing::Message() << i << ", " << j);
      EXPECT_FLOAT_EQ(p.texWindow[0], 0.25f * i);
      EXPECT_FLOAT_EQ(p.texWindow[1], 0.25f * (i + 1));
      EXPECT_FLOAT_EQ(p.texWindow[2], 0.25f * j);
      EXPECT_FLOAT_EQ(p.texWindow[3], 0.25f * (j + 1));
      EXPECT_FLOAT_EQ(p.position.x, -96.0f + 64.0f * i);
      EXPECT_FLOAT_EQ(p.position.y, -96.0f + 64.0f * j);
    }
  }
}

class TextFill : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterKindFakes();
    model_ = new ZVI_PtclSys_Constructor;
    object_ = std::make_unique<ZVI_PtclSys_Obj>(model_);
    text_ = new ZVI_PtclSysNodePic_2DText;
    text_->parent = model_->root.get();
    model_->root->children.Append(NodePtr(text_));
    pieces_ = new PiecesPhysics;
    text_->physics = PhysicsPtr(pieces_);
  }
  int32_t Fill() {
    object_->batches.resize(2);
    object_->filled.assign(2, 0);
    int32_t index = 0;
    text_->FillBatch(object_.get(), &index);
    return index;
  }

  ZVI_PtclSys_Constructor* model_ = nullptr;
  std::unique_ptr<ZVI_PtclSys_Obj> object_;
  ZVI_PtclSysNodePic_2DText* text_ = nullptr;
  PiecesPhysics* pieces_ = nullptr;
};

// A quad window of (0.25, 0.75) draws the middle half of the glyph at half
// its width, starting a quarter in.
TEST_F(TextFill, AGlyphQuadFromItsWindows) {
  ParticlePtr glyph(new Particle(D3DXVECTOR3(100, 50, 0)));
  glyph->size = 1.0f;
  glyph->alpha = 1.0f;
  glyph->color = D3DXVECTOR3(1, 1, 1);
  glyph->scale = D3DXVECTOR3(20, 10, 1);
  glyph->quadWindow = ParticleQuad{{0.25f, 0.75f, 0, 0}};
  glyph->texWindow = ParticleQuad{{0.5f, 0.75f, 0.0f, 0.5f}};
  pieces_->particles.push_back(glyph);
  EXPECT_EQ(Fill(), 1);
  const MeshRecord& b = object_->batches[0];
  ASSERT_EQ(b.triangleCount, 2);
  void* data = nullptr;
  ASSERT_EQ(b.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
  const auto* v = static_cast<const BandVertex*>(data);
  const float want[4][4] = {{105, 60, 0.5625f, 0.5f}, {105, 50, 0.5625f, 0}, {115, 60, 0.6875f, 0.5f},
                            {115, 50, 0.6875f, 0}};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_FLOAT_EQ(v[k].x, want[k][0]);
    EXPECT_FLOAT_EQ(v[k].y, want[k][1]);
    EXPECT_FLOAT_EQ(v[k].u0, want[k][2]);
    EXPECT_FLOAT_EQ(v[k].v0, want[k][3]);
    EXPECT_EQ(v[k].u1, v[k].u0);
    EXPECT_EQ(v[k].color, 0xFFFFFFFFu);
  }
  b.vertexBuffer->Unlock();
}

// One batch rule: a hidden text node takes no batch of its own, a radial
// glow takes the next, and the model's timing reaches the physics.
TEST_F(TextFill, VisibleRadialGlowAndTiming) {
  pieces_->particles.push_back(ParticlePtr(new Particle));
  text_->visible.value = 0;
  EXPECT_EQ(Fill(), 0);
  text_->visible.value = 1;
  text_->radialGlow.enabled.value = 1;
  EXPECT_EQ(Fill(), 2);
  text_->Attach(model_);
  EXPECT_EQ(pieces_->timing, &model_->timing);
}

}  // namespace
