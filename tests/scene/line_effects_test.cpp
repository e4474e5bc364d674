// Line ribbons: the envelope factor, the quad writers, the ribbon built
// between two arc lengths, the line records, and the ranges the growing and
// sliding lines draw with their timelines.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "scene/line_effects.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/line_writer.h"

using namespace render_test;

namespace {

// A timeline the test sets by hand.
class HandTimeline : public ZVI_Timing {
 public:
  float GetPhaseProgress() override { return progress; }
  float GetCycleLength() override { return cycle; }
  float progress = 0.0f;
  float cycle = 0.0f;
};

HandTimeline* UseHandTimeline(ZVI_ParticleSystemCtrl& model) {
  auto* t = new HandTimeline();
  model.timing.SetCurrentTimeline(t);
  return t;
}

void SetEnvelope(LifeEnvelopeParams& e, unsigned in, unsigned out, unsigned s, unsigned f) {
  e.fadeInEnd.SetValue(in);
  e.fadeOutStart.SetValue(out);
  e.startFactor.SetValue(s);
  e.endFactor.SetValue(f);
}

TEST(LineEnvelope, FactorTable) {
  struct Row {
    unsigned in, out, s, e;
    float x, want;
  };
  const Row rows[] = {
      {0, 100, 0, 0, 0.0f, 1.0f},    {0, 100, 0, 0, 1.0f, 1.0f},   {20, 100, 0, 0, 0.1f, 0.5f},
      {20, 100, 50, 0, 0.0f, 0.5f},  {20, 100, 50, 0, 0.1f, 0.75f}, {20, 60, 0, 0, 0.4f, 1.0f},
      {20, 60, 0, 0, 0.8f, 0.5f},    {20, 60, 0, 50, 1.0f, 0.5f},   {20, 60, 0, 50, 0.8f, 0.75f},
  };
  for (const Row& r : rows) {
    LifeEnvelopeParams e;
    SetEnvelope(e, r.in, r.out, r.s, r.e);
    EXPECT_NEAR(EnvelopeAt(e, r.x), r.want, 1e-5f) << r.in << " " << r.out << " " << r.x;
  }
}

RibbonNode NodeAt(float x, float y, float tx, float ty) {
  RibbonNode n;
  n.position = D3DXVECTOR3(x, y, 0.0f);
  n.tangent = D3DXVECTOR3(tx, ty, 0.0f);
  n.r = n.g = n.b = n.a = 1.0f;
  return n;
}

TEST(RibbonQuads, MitredEdgesKeepTheWidthAcrossATurn) {
  RibbonNode prev = NodeAt(0, 0, 1, 0);
  prev.left = D3DXVECTOR3(0, 5, 0), prev.right = D3DXVECTOR3(0, -5, 0), prev.edges = 1;
  prev.v = 2.0f;
  // A 90-degree turn: cur's tangent bisects it at 45 degrees.
  const float h = std::sqrt(0.5f);
  RibbonNode cur = NodeAt(10, 0, h, h);
  cur.v = 1.0f;
  cur.r = 0.5f, cur.a = 0.25f;
  DX_V::PCT q[4];
  WriteRibbonQuadMitred(q, prev, 10.0f, cur);
  // f = cos 45: the edges lie 5 / sin 45 from the node.
  const float m = 5.0f / h;
  EXPECT_NEAR(cur.left.x, 10.0f - m * h, 1e-4f);
  EXPECT_NEAR(cur.left.y, m * h, 1e-4f);
  EXPECT_NEAR(cur.right.x, 10.0f + m * h, 1e-4f);
  EXPECT_FLOAT_EQ(cur.edges, 1.0f);
  // Vertex order and texture coordinates.
  EXPECT_FLOAT_EQ(q[0].x, cur.left.x);
  EXPECT_FLOAT_EQ(q[1].y, 5.0f);
  EXPECT_FLOAT_EQ(q[2].x, cur.right.x);
  EXPECT_FLOAT_EQ(q[3].y, -5.0f);
  const float uv[4][2] = {{1, 1}, {1, 2}, {0, 1}, {0, 2}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(q[i].u, uv[i][0]) << i;
    EXPECT_FLOAT_EQ(q[i].v, uv[i][1]) << i;
  }
  // Colour bytes: 0.5 x 255 + 0.5 truncated is 128; alpha 64.
  EXPECT_EQ(q[0].color, 0x40FFFFFFu & 0xFF00FFFFu | 0x00800000u);
  EXPECT_EQ(q[1].color, 0xFFFFFFFFu);
}

TEST(RibbonQuads, TurningBackHoldsTheMitreAndZeroStepsCopyThePreviousNode) {
  RibbonNode prev = NodeAt(0, 0, 1, 0);
  prev.left = D3DXVECTOR3(0, 5, 0), prev.right = D3DXVECTOR3(0, -5, 0), prev.edges = 1;
  RibbonNode cur = NodeAt(0, 10, 1, 0);  // step along cur's own normal
  DX_V::PCT q[4];
  WriteRibbonQuadMitred(q, prev, 10.0f, cur);
  EXPECT_NEAR(cur.left.y, 10.0f + 20.0f, 1e-3f);  // 4 half-widths
  EXPECT_NEAR(cur.right.y, 10.0f - 20.0f, 1e-3f);

  RibbonNode same = NodeAt(0, 0, 0, 1);
  same.v = 7.0f;
  WriteRibbonQuadMitred(q, prev, 30.0f, same);
  EXPECT_EQ(same.left, prev.left);
  EXPECT_EQ(same.right, prev.right);
  EXPECT_EQ(same.tangent, prev.tangent);
  EXPECT_FLOAT_EQ(same.v, prev.v);
  EXPECT_FLOAT_EQ(q[0].y, q[1].y);

  // Along the segment: edges square to the step, whatever the tangent.
  RibbonNode along = NodeAt(0, 10, 1, 0);
  WriteRibbonQuadAlongSegment(q, prev, 10.0f, along);
  EXPECT_NEAR(along.left.x, -5.0f, 1e-4f);
  EXPECT_NEAR(along.right.x, 5.0f, 1e-4f);
  // At the node: on the node's own normal, no length test.
  RibbonNode at = NodeAt(0, 0, 0, 1);
  WriteRibbonQuadAtNode(q, prev, 10.0f, at);
  EXPECT_NEAR(at.left.x, -5.0f, 1e-4f);
  EXPECT_FLOAT_EQ(at.edges, 1.0f);
}

TEST(RibbonQuads, ChannelBytes) {
  EXPECT_EQ(RibbonChannelByte(1.5f), 255u);
  EXPECT_EQ(RibbonChannelByte(-0.1f), 0u);
  EXPECT_EQ(RibbonChannelByte(std::nanf("")), 0u);
  EXPECT_EQ(RibbonChannelByte(0.5f), 128u);
  EXPECT_EQ(RibbonChannelByte(0.1f), 26u);
}

// A growing line whose test sets the head range directly.
class TestLine : public ZVI_GrovingLine {
 public:
  ZVI_ParticleSystemCtrl* Clone() const override { return new TestLine(*this); }
};

class LineRibbon : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    line_.width.SetValue(10u);
    // Tangents a third of the way: samples evenly spaced, 1 pixel apart.
    AddPoint(0, 50, 100.0f / 3.0f);
    AddPoint(100, 50, 100.0f / 3.0f);
  }
  void AddPoint(float x, float y, float tangent) {
    DS_SafePtr<DX_BSplinePnt> p(new DX_BSplinePnt());
    p->value = D3DXVECTOR3(x, y, 0.0f);
    p->outTangent.value = D3DXVECTOR3(tangent, 0.0f, 0.0f);
    p->inTangent.value = D3DXVECTOR3(-tangent, 0.0f, 0.0f);
    line_.path.points.push_back(p);
  }
  void Prepare() {
    mech_ = std::make_unique<ZVI_ParticleSystemMech>(line_.Clone());
    model_ = static_cast<TestLine*>(mech_->system);
    model_->Prepare(mech_.get());
  }
  DX_V::PCT* Lock() { return mech_->BatchAt(0)->LockVertices(); }
  void Unlock() { mech_->BatchAt(0)->Unlock(); }

  TestLine line_;
  std::unique_ptr<ZVI_ParticleSystemMech> mech_;
  TestLine* model_ = nullptr;
};

TEST_F(LineRibbon, StraightPathEdgesAndTextureCoordinates) {
  Prepare();
  EXPECT_NEAR(model_->PathLength(), 100.0f, 1e-3f);
  ASSERT_EQ(model_->samples.size(), 101u);
  model_->BuildRibbon(20.0f, 60.0f);
  const uint32_t n = mech_->CountAt(0);
  ASSERT_NEAR(n, 40u, 1u);
  DX_V::PCT* v = Lock();
  ASSERT_NE(v, nullptr);
  // The first quad's previous node is at 20 with v = 40 / 10; the last
  // node is the head at 60 with v 0.
  EXPECT_NEAR(v[1].x, 20.0f, 1e-3f);
  EXPECT_NEAR(v[1].v, 4.0f, 1e-4f);
  EXPECT_NEAR(v[0].v, 3.9f, 1e-3f);
  for (uint32_t k = 0; k < n; ++k) {
    const DX_V::PCT* q = v + 4 * k;
    // Left of the direction of travel (+x) is +y in these coordinates.
    EXPECT_NEAR(q[0].y, 55.0f, 1e-3f) << k;
    EXPECT_NEAR(q[2].y, 45.0f, 1e-3f) << k;
    EXPECT_FLOAT_EQ(q[0].u, 1.0f);
    EXPECT_FLOAT_EQ(q[2].u, 0.0f);
    EXPECT_NEAR(q[0].v, (60.0f - q[0].x) / 10.0f, 1e-3f) << k;
  }
  EXPECT_NEAR(v[4 * (n - 1)].x, 60.0f, 1e-3f);
  EXPECT_NEAR(v[4 * (n - 1)].v, 0.0f, 1e-5f);
  Unlock();
  // The head particle sits at the head, offsets 0.
  ASSERT_FALSE(model_->heads.empty());
  EXPECT_NEAR(model_->heads.front()->position.x, 60.0f, 1e-3f);
  EXPECT_NEAR(model_->heads.front()->position.y, 50.0f, 1e-3f);
}

TEST_F(LineRibbon, EmptyRangeAndRangePastTheEnd) {
  line_.headSideOffset.value = 3.0f;
  line_.headForwardOffset.value = 2.0f;
  Prepare();
  model_->BuildRibbon(30.0f, 30.0f);
  EXPECT_EQ(mech_->CountAt(0), 0u);
  EXPECT_NEAR(model_->heads.front()->position.x, 500.0f, 1e-3f);  // untouched

  model_->BuildRibbon(90.0f, 130.0f);
  const uint32_t n = mech_->CountAt(0);
  ASSERT_NEAR(n, 11u, 1u);
  DX_V::PCT* v = Lock();
  ASSERT_NE(v, nullptr);
  // The last quad ends on the last sample and repeats it.
  EXPECT_NEAR(v[4 * (n - 1)].x, 100.0f, 1e-3f);
  EXPECT_NEAR(v[4 * (n - 1) + 1].x, 100.0f, 1e-3f);
  EXPECT_FLOAT_EQ(v[4 * (n - 1)].v, v[4 * (n - 1) + 1].v);
  Unlock();
  // Head: at the end, moved 2 forwards and 3 along the normal (+y).
  EXPECT_NEAR(model_->heads.front()->position.x, 102.0f, 1e-3f);
  EXPECT_NEAR(model_->heads.front()->position.y, 53.0f, 1e-3f);
}

TEST_F(LineRibbon, EmptyColourListDrawsOpaqueWhiteAndZeroWidthGivesVZero) {
  line_.ribbon.colors.colours.value.clear();
  line_.width.SetValue(0u);
  Prepare();
  model_->BuildRibbon(0.0f, 10.0f);
  DX_V::PCT* v = Lock();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v[0].color, 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(v[1].v, 0.0f);
  Unlock();
}

TEST_F(LineRibbon, GrowingLineRanges) {
  struct Row {
    uint32_t state;
    float visibility;
    int retract;
    float first, last;  // x of the first and last node
  };
  const Row rows[] = {
      {3, 0.4f, 0, 0.0f, 40.0f},
      {3, 0.4f, 1, 60.0f, 100.0f},
      {2, 0.4f, 1, 0.0f, 40.0f},
      {0, 1.0f, 0, 0.0f, 100.0f},
  };
  for (const Row& r : rows) {
    line_.retractFromStart.value = r.retract;
    Prepare();
    HandTimeline* tl = UseHandTimeline(*model_);
    tl->state = r.state;
    tl->visibility = r.visibility;
    model_->UpdateParticles(0.0f);
    const uint32_t n = mech_->CountAt(0);
    ASSERT_GT(n, 0u);
    DX_V::PCT* v = Lock();
    ASSERT_NE(v, nullptr);
    EXPECT_NEAR(v[1].x, r.first, 1e-2f) << r.state << " " << r.retract;
    EXPECT_NEAR(v[4 * (n - 1)].x, r.last, 1e-2f) << r.state << " " << r.retract;
    Unlock();
  }
}

TEST_F(LineRibbon, GrowingLineHeadRestartsEveryShownFrameWithoutCycles) {
  Prepare();
  HandTimeline* tl = UseHandTimeline(*model_);
  // Restarted, then stepped once by the frame: the age never adds up.
  model_->UpdateParticles(0.0f);
  for (float t : {0.1f, 0.2f}) {
    model_->UpdateParticles(t);
    EXPECT_NEAR(model_->heads.front()->Age(), 0.1f, 1e-5f) << t;
  }
  // With cycles the head restarts only when the line leaves the hidden state.
  tl->cycle = 4.0f;
  model_->UpdateParticles(0.3f);
  EXPECT_NEAR(model_->heads.front()->Age(), 0.2f, 1e-5f);
  tl->state = 1;
  model_->UpdateParticles(0.4f);
  tl->state = 2;
  model_->UpdateParticles(0.5f);
  EXPECT_NEAR(model_->heads.front()->Age(), 0.1f, 1e-5f);
  EXPECT_FLOAT_EQ(model_->heads.front()->LifeSpan(), 4.0f);
}

// A sliding line on the same path.
class TestSlide : public ZVI_SlidingLine {
 public:
  ZVI_ParticleSystemCtrl* Clone() const override { return new TestSlide(*this); }
};

class SlidingLine : public LineRibbon {
 protected:
  void PrepareSlide(int mode, unsigned length) {
    slide_.width.SetValue(10u);
    slide_.path.points = line_.path.points;
    slide_.slideMode.value = mode;
    slide_.slideLength.value = length;
    mech_ = std::make_unique<ZVI_ParticleSystemMech>(slide_.Clone());
    model_ = static_cast<TestSlide*>(mech_->system);
    model_->Prepare(mech_.get());
    tl_ = UseHandTimeline(*model_);
  }
  // x of the head node after a frame at the given progress.
  float HeadX(float progress, float t) {
    tl_->progress = progress;
    model_->UpdateParticles(t);
    const uint32_t n = mech_->CountAt(0);
    if (n == 0) return -1.0f;
    DX_V::PCT* v = mech_->BatchAt(0)->LockVertices();
    const float x = v[4 * (n - 1)].x;
    mech_->BatchAt(0)->Unlock();
    return x;
  }
  TestSlide slide_;
  TestSlide* model_ = nullptr;
  HandTimeline* tl_ = nullptr;
};

TEST_F(SlidingLine, ProgressZeroDrawsNothingAndOneRunsOutOfTheEnd) {
  PrepareSlide(0, 25);
  EXPECT_FLOAT_EQ(HeadX(0.0f, 0.0f), -1.0f);
  EXPECT_NEAR(HeadX(0.5f, 0.1f), 62.5f, 1e-2f);
  // Progress 1: P .. P + G, clamped to the last sample; opacity pick 0.
  model_->heads.front()->Factor2() = 0.7f;
  EXPECT_NEAR(HeadX(1.0f, 0.2f), 100.0f, 1e-2f);
  EXPECT_FLOAT_EQ(model_->heads.front()->Factor2(), 0.0f);
}

TEST_F(SlidingLine, ModeOneTurnsAtEveryNewShowing) {
  PrepareSlide(1, 20);
  float t = 0.0f;
  auto showing = [&]() {
    tl_->state = 0;
    const float x = HeadX(0.3f, t += 0.1f);
    tl_->state = 1;
    HeadX(0.0f, t += 0.1f);
    return x;
  };
  // 0.3 of G + P = 36: forwards the head is at 36, backwards at 64.
  EXPECT_NEAR(showing(), 36.0f, 1e-2f);
  EXPECT_NEAR(showing(), 64.0f, 1e-2f);
  EXPECT_NEAR(showing(), 36.0f, 1e-2f);
  // Mode 0 after a reversed run goes forwards again.
  showing();
  EXPECT_EQ(model_->reverse, 1);
  model_->slideMode.value = 0;
  EXPECT_NEAR(showing(), 36.0f, 1e-2f);
  EXPECT_EQ(model_->reverse, 0);
}

TEST_F(SlidingLine, ZeroSlideLengthPutsEveryNodeAtTheHeadEnd) {
  PrepareSlide(0, 0);
  slide_.widthEnvelope.fadeInEnd.SetValue(50u);
  EXPECT_FLOAT_EQ(model_->GetWidthAt(10.0f), 10.0f);
  EXPECT_FLOAT_EQ(model_->GetAlphaAt(10.0f), model_->ribbon.AlphaByte());
}

// ---- records

using namespace pw;

StaticLineRecord LineBase(int32_t version) {
  StaticLineRecord s;
  s.width = 12;
  s.widthEnvelope = {10, 90, 20, 30};
  s.alphaEnvelope = {5, 95, 0, 40};
  s.line.version = version;
  s.line.points = {{{0, 0, 0}, {1, 2, 3}, {4, 5, 6}}, {{50, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
  s.line.showParticles = 1;
  s.line.ribbonShape = u"Ribbon";
  s.line.ribbon.particleSize = 7;  // line's own block
  s.line.ribbon.blendMode = 1;
  s.line.headSide = 1.5f;
  s.line.headForward = -2.5f;
  s.line.system.shapeName = u"Head";
  s.line.system.block.particleSize = 33;  // base record's block
  return s;
}

TEST(LineRecords, GrowingLineVersionsAndTheBlockExchange) {
  for (int32_t version : {1, 2}) {
    GrowingLineRecord r;
    r.version = version;
    r.growWidth = {1, 2, 3, 4};
    r.growAlpha = {5, 6, 7, 8};
    r.retractFromStart = 1;
    r.base = LineBase(version);
    ByteBuilder b;
    WriteGrowingLine(b, r);
    auto model = scene_test::ReadModel(b);
    auto* line = dynamic_cast<ZVI_GrovingLine*>(model.get());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetKind(), 9);
    EXPECT_EQ(line->growWidthEnvelope.endFactor.value, 4u);
    EXPECT_EQ(line->growAlphaEnvelope.fadeInEnd.value, 5u);
    EXPECT_EQ(line->retractFromStart.value, version == 2 ? 1 : 0);
    EXPECT_EQ(line->width.value, 12u);
    EXPECT_EQ(line->widthEnvelope.startFactor.value, 20u);
    EXPECT_EQ(line->alphaEnvelope.endFactor.value, 40u);
    ASSERT_EQ(line->path.points.size(), 2u);
    EXPECT_EQ(line->path.points[0]->outTangent.value, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(line->path.points[0]->inTangent.value, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(line->showParticles.value, 1);
    EXPECT_FLOAT_EQ(line->headSideOffset.value, 1.5f);
    EXPECT_FLOAT_EQ(line->headForwardOffset.value, -2.5f);
    // Version 1 keeps the ribbon in the base record.
    const bool swapped = version == 1;
    EXPECT_EQ(line->ribbon.particleSize.value, swapped ? 33u : 7u) << version;
    EXPECT_EQ(line->params.particleSize.value, swapped ? 7u : 33u) << version;
    EXPECT_EQ(line->ribbon.shapeName.value, swapped ? u"Head" : u"Ribbon");
  }
}

TEST(LineRecords, SlidingLineAndTruncations) {
  SlidingLineRecord r;
  r.slideLength = 77;
  r.slideMode = 1;
  r.base = LineBase(2);
  ByteBuilder b;
  WriteSlidingLine(b, r);
  auto model = scene_test::ReadModel(b);
  auto* line = dynamic_cast<ZVI_SlidingLine*>(model.get());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->slideLength.value, 77u);
  EXPECT_EQ(line->slideMode.value, 1);
  EXPECT_EQ(line->armed, 0);
  RegisterEverything();
  for (size_t cut = 0; cut + 1 < b.size(); cut += 5) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
  }
}

TEST(LineRecords, BackgroundPassCount) {
  struct Row {
    int blend, ribbonGlow, show, baseGlow, want;
  };
  const Row rows[] = {{0, 0, 0, 0, 0}, {1, 0, 0, 0, 1}, {3, 2, 0, 2, 2}, {1, 2, 1, 2, 3}, {0, 1, 1, 1, 0}};
  for (const Row& r : rows) {
    TestLine line;
    line.ribbon.blendMode.value = r.blend;
    line.ribbon.glowMode.value = r.ribbonGlow;
    line.showParticles.value = r.show;
    line.params.glowMode.value = r.baseGlow;
    EXPECT_EQ(line.NeedsBackground(), r.want) << r.blend << r.ribbonGlow << r.show << r.baseGlow;
  }
}

}  // namespace
