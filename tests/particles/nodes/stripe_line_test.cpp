// Stripe lines with a fake curve physics: their record, the clipping window
// of a curve, the mapping by matrix or along the parent's figure, and the
// bands filled into one batch.
#include <gtest/gtest.h>

#include <memory>

#include "node_tree_fixtures.h"
#include "particles/nodes/stripe_line.h"
#include "render_fixtures.h"
#include "tools/writer/render_writer.h"

using namespace node_tree_test;

namespace {

// Curves under the curve physics' class names; the test record is one tag.
class FakeCurves : public ZVI_PtclSys_Physics, public ZVI_PtclSys_CurveOps {
 public:
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version) override {
    ar.ReadInt(&tag);
    readVersion = version;
    return true;
  }
  void Clear() override { curves.clear(); }
  ParticleVector Generate(const ParticleVector* sources) override {
    if (sources)
      for (const ParticlePtr& p : *sources) curves.push_back({p, DS_SafePtr<ZVI_PtclSys_Physics>(new HeldPoints)});
    return {};
  }
  ParticleVector Update(const ParticleVector*, float) override {
    ++updates;
    return {};
  }
  std::vector<ParticleStripe>& Curves() override { return curves; }
  DS_SafePtr<ZVI_PtclSys_Physics> RebuildCurve(const ParticlePtr&) override { return {}; }
  void AttachCurveTransforms(Particle*) override {}
  JitterGraphParam& SizeBlock() override { return size; }
  JitterGraphParam& WidthBlock() override { return width; }
  JitterGraphParam& AlphaBlock() override { return alpha; }

  std::vector<ParticleStripe> curves;
  JitterGraphParam size, width, alpha;
  int32_t tag = 0, readVersion = 0, updates = 0;
};

void RegisterCurveFakes() {
  RegisterFakes();
  for (const char16_t* name : {u"ZVI_PtclSysPhys_FractalCurv", u"ZVI_PtclSysPhys_RandomCurv", u"ZVI_PtclSysPhys_PerlinCurv"})
    RegisterReader<FakeCurves, ZVI_IOF_Item>(name);
}

pw::ByteBuilder DynamicPicture() {
  pw::TextureSourceRecord dot;
  dot.block.links = {{u"dot.png", 2}};
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, dot);
  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.particleSize = 5;
  picture.physics = PointsRecord(1);
  pw::ByteBuilder b;
  pw::WriteTexDynamicNode(b, picture);
  return b;
}

TEST(StripeLineRecord, CurvePhysicsThenThePartByVersion) {
  RegisterCurveFakes();
  struct Case {
    const char16_t* node;
    const char16_t* curves;
    uint32_t part;
  };
  for (const Case& c : {Case{u"ZVI_PtclSysNode_FractalLine", u"ZVI_PtclSysPhys_FractalCurv", 1},
                        Case{u"ZVI_PtclSysNode_RandomLine", u"ZVI_PtclSysPhys_RandomCurv", 2},
                        Case{u"ZVI_PtclSysNode_PerlinLine", u"ZVI_PtclSysPhys_PerlinCurv", 3}}) {
    SCOPED_TRACE(c.part);
    pw::ByteBuilder b;
    b.Header(c.node, 1).Header(c.curves, 4).I32(21);
    b.WideString(u"ZVI_PtclSysNode_StripeLine").U32(c.part);
    if (c.part > 1) b.I32(1);
    if (c.part > 2) b.I32(2);
    b.Append(DynamicPicture());
    uint64_t left = 1;
    std::unique_ptr<ZVI_PtclSysNode_CurveLine> node = ReadItem<ZVI_PtclSysNode_CurveLine>(b, &left);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(left, 0u);
    auto* curves = dynamic_cast<FakeCurves*>(node->curvePhysics.get());
    ASSERT_NE(curves, nullptr);
    EXPECT_EQ(curves->tag, 21);
    EXPECT_EQ(curves->readVersion, 4);
    EXPECT_EQ(node->clipMode.value, c.part > 1 ? 1 : 0);
    EXPECT_EQ(node->figureMapping.value, c.part > 2 ? 2 : 0);
    EXPECT_EQ(node->particleSize.value, 5u);
  }
}

class StripeLines : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterCurveFakes();
    model_ = new ZVI_PtclSys_Constructor;
    object_ = std::make_unique<ZVI_PtclSys_Obj>(model_);
    line_ = new ZVI_PtclSysNode_FractalLine;
    line_->parent = model_->root.get();
    model_->root->children.Append(NodePtr(line_));
    curves_ = dynamic_cast<FakeCurves*>(line_->curvePhysics.get());
  }
  // A node particle with its curve of points at the given x (y = 0).
  void AddCurve(const std::vector<float>& xs, float headX = 1.0f) {
    ParticlePtr head(new Particle);
    head->scale = D3DXVECTOR3(headX, 1, 1);
    line_->physics->particles.push_back(head);
    ParticlePtr record(new Particle);
    curves_->curves.push_back({record, DS_SafePtr<ZVI_PtclSys_Physics>(new HeldPoints)});
    for (float x : xs) curves_->curves.back().points->particles.push_back(ParticlePtr(new Particle(D3DXVECTOR3(x, 0, 0))));
  }

  ZVI_PtclSys_Constructor* model_ = nullptr;
  std::unique_ptr<ZVI_PtclSys_Obj> object_;
  ZVI_PtclSysNode_FractalLine* line_ = nullptr;
  FakeCurves* curves_ = nullptr;
};

// Clip mode 1 at a head x-scale of 0.3 shows the points with x in [0, 0.3],
// t running 0 to 1 across them; the point past the window ends the walk with
// one at 0.3.
TEST_F(StripeLines, TheTrailingWindowOfACurve) {
  ASSERT_NE(curves_, nullptr);
  auto* rising = new ZVI_VGraph_Line;
  rising->SetKeys({{0, 0}, {1, 1}});
  curves_->alpha.graph.InstallGraph(DS_SafePtr<ZVI_VGraph>(rising));
  curves_->alpha.value.SetValue(1u);
  curves_->size.value.SetValue(1u);
  curves_->width.value.SetValue(10u);
  line_->clipMode.value = 1;
  AddCurve({0.0f, 0.1f, 0.2f, 0.3f, 0.5f, 0.9f}, 0.3f);
  line_->BuildStripes();
  ASSERT_EQ(line_->stripes.size(), 1u);
  const std::vector<StripeSample>& s = line_->stripes[0].samples;
  const float xs[5] = {0.0f, 0.1f, 0.2f, 0.3f, 0.3f};
  ASSERT_EQ(s.size(), 5u);
  for (size_t k = 0; k < 5; ++k) {
    EXPECT_NEAR(s[k].x, xs[k], 1e-5f) << k;
    EXPECT_NEAR(s[k].a, xs[k] / 0.3f, 1e-5f) << k;
    EXPECT_FLOAT_EQ(s[k].width, 10.0f) << k;
  }
  EXPECT_NE(line_->stripes[0].maker, nullptr);
}

// An empty window (head x-scale 0 in clip mode 1) draws nothing.
TEST_F(StripeLines, AnEmptyWindowDrawsNothing) {
  line_->clipMode.value = 1;
  AddCurve({0.0f, 0.5f, 1.0f}, 0.0f);
  line_->BuildStripes();
  ASSERT_EQ(line_->stripes.size(), 1u);
  EXPECT_TRUE(line_->stripes[0].samples.empty());
  object_->batches.resize(1);
  object_->filled.assign(1, 0);
  int32_t index = 0;
  line_->FillBatch(object_.get(), &index);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(object_->batches[0].triangleCount, 0);
}

// Figure modes need the figure of the node's parent and the curve's
// ancestors two and three steps up; without them, or with a mapping outside
// 0 to 2, the curve is placed by matrix.
TEST_F(StripeLines, FigureMappingFallsBackToTheMatrix) {
  auto* emitter = new ZVI_PtclSysNode_Emitter;
  emitter->physics = PhysicsPtr(new HeldPoints);
  emitter->physics->figure.value = DS_SafePtr<ZVI_VGeom2D>(new node_fakes::FakeFigure);
  line_->parent = emitter;
  NodePtr owner(emitter);
  AddCurve({0.0f, 1.0f});
  line_->figureMapping.value = 1;
  EXPECT_EQ(line_->MakeStripeTransform(0).mode, 0);  // no ancestors
  ParticlePtr three(new Particle(D3DXVECTOR3(5, 6, 0)));
  ParticlePtr two(new Particle(three));
  two->auxVector = D3DXVECTOR3(0.25f, 0.75f, 0);
  ParticlePtr one(new Particle(two));
  curves_->curves[0].particle->parent = one;
  StripeTransform t = line_->MakeStripeTransform(0);
  EXPECT_EQ(t.mode, 1);
  EXPECT_EQ(t.mapping, D3DXVECTOR3(0.25f, 0.75f, 0));
  EXPECT_FLOAT_EQ(t.matrix._41, 5.0f);
  line_->figureMapping.value = 5;
  EXPECT_EQ(line_->MakeStripeTransform(0).mode, 0);
  line_->parent = model_->root.get();
}

TEST_F(StripeLines, TwoCurvesFillOneBatch) {
  curves_->width.value.SetValue(4u);
  curves_->size.value.SetValue(100u);  // curves 100 long
  AddCurve({0.0f, 0.25f, 0.5f, 0.75f, 1.0f});
  AddCurve({0.0f, 0.5f, 1.0f});
  line_->BuildStripes();
  object_->batches.resize(1);
  object_->filled.assign(1, 0);
  int32_t index = 0;
  line_->FillBatch(object_.get(), &index);
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(object_->filled[0]);
  EXPECT_GT(object_->batches[0].triangleCount, 0);
  EXPECT_GT(object_->batches[0].vertexCount, 0);
  EXPECT_EQ(line_->Step(0.04f, nullptr), 1);
  EXPECT_EQ(curves_->updates, 1);
}

// A stripe line's radial glow takes no batch: fill and draw both pass only
// the band's.
TEST_F(StripeLines, NoRadialGlowBatch) {
  AddCurve({0.0f, 0.5f, 1.0f});
  line_->BuildStripes();
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

}  // namespace
