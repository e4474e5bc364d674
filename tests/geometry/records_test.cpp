#include <gtest/gtest.h>

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/ds_error.h"
#include "geometry/area_figures.h"
#include "geometry/emitter_figures.h"
#include "geometry/figures.h"
#include "geometry/registration.h"
#include "geometry/value_graph.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/values_writer.h"

namespace {

using namespace pw;

class Records : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterGeometryReaders();
    RegisterValueGraphReaders();
    crt_srand(1);
  }
  // Reads one figure from the bytes and checks that all of them were used.
  template <class T>
  T* Read(const ByteBuilder& b) {
    archive_ = std::make_unique<MemoryArchive>(b.bytes().data(), b.size(), true);
    held_ = ReadVGeom2D(*archive_);
    EXPECT_EQ(archive_->Remaining(), 0u);
    T* t = dynamic_cast<T*>(held_.get());
    EXPECT_NE(t, nullptr);
    return t;
  }
  std::unique_ptr<MemoryArchive> archive_;
  DS_SafePtr<ZVI_VGeom2D> held_;
};

const NodeList kNodes{{{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, {{10, 0, 0}, {1, 2, 3}, {-4, -5, -6}}, {{10, 10, 0}, {}, {}}};

TEST_F(Records, NodeFiguresInBothCurveVersions) {
  for (int32_t curveVersion : {1, 2}) {
    {
      ByteBuilder b;
      WriteVGeom2DPolyline(b, kNodes, curveVersion);
      auto* f = Read<ZVI_VGeom2D_Polyline>(b);
      ASSERT_TRUE(f);
      ASSERT_EQ(f->shape.GetPointCount(), 3);
      EXPECT_EQ(f->shape.Point(1)->outTangent.value, D3DXVECTOR3(1, 2, 3));
      EXPECT_EQ(f->shape.Point(1)->inTangent.value, D3DXVECTOR3(-4, -5, -6));
      EXPECT_EQ(f->GetLength(), 20.0f);  // resampled on reading
    }
    {
      ByteBuilder b;
      WriteVGeom2DLineSegment(b, {kNodes[0], kNodes[1]}, curveVersion);
      auto* f = Read<ZVI_VGeom2D_LineSegment>(b);
      ASSERT_TRUE(f);
      EXPECT_EQ(f->GetLength(), 10.0f);
    }
    {
      ByteBuilder b;
      WriteVGeom2DCubicSpline(b, kNodes, curveVersion);
      auto* f = Read<ZVI_VGeom2D_CubicSpline>(b);
      ASSERT_TRUE(f);
      EXPECT_EQ(f->shape.samples.size(), 61u);
    }
    {
      ByteBuilder b;
      WriteVGeom2DLoop(b, kNodes, curveVersion);
      auto* f = Read<ZVI_VGeom2D_Loop>(b);
      ASSERT_TRUE(f);
      EXPECT_NEAR(f->GetLength(), 20 + std::sqrt(200.0f), 1e-4f);
    }
    {
      ByteBuilder b;
      WriteVGeom2DBSpline(b, {{{0, 0, 0}, {}, {}}, {{50, 0, 0}, {}, {}}}, curveVersion);
      auto* f = Read<ZVI_VGeom2D_BSpline>(b);
      ASSERT_TRUE(f);
      EXPECT_NEAR(f->GetLength(), 50.0f, 1e-3f);
    }
  }
}

TEST_F(Records, AreaFigures) {
  {
    ByteBuilder b;
    WriteVGeom2DRect(b, 30, 40, {1, 2, 3});
    auto* r = Read<ZVI_VGeom2D_Rect>(b);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->width.value, 30u);
    EXPECT_EQ(r->height.value, 40u);
    EXPECT_EQ(r->centre.value, D3DXVECTOR3(1, 2, 3));
  }
  {
    ByteBuilder b;
    WriteVGeom2DSector(b, 90, 10, 180, 45, {4, 5, 6});
    auto* s = Read<ZVI_VGeom2D_Sector>(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->outer.value, 90u);
    EXPECT_EQ(s->inner.value, 10u);
    EXPECT_NEAR(s->direction.radians, 3.1415927f, 1e-6f);  // recomputed on reading
    EXPECT_NEAR(s->spread.derived, 0.7853982f, 1e-6f);
  }
  {
    ByteBuilder b;
    SpiralRecord rec;
    rec.radius = 77;
    rec.arms = 5;
    rec.sense = 1;
    rec.twist = 200;
    rec.step = 90;
    WriteVGeom2DSpiral(b, rec);
    auto* s = Read<ZVI_VGeom2D_Spiral>(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->radius.value, 77u);
    EXPECT_EQ(s->params.arms.value, 5u);
    EXPECT_EQ(s->params.sense.value, 1);
    EXPECT_NEAR(s->params.twist.derived, 200 * 6.2831855e-6f, 1e-9f);
    EXPECT_NEAR(s->params.step.derived, 1.5707963f, 1e-6f);
  }
  {
    ByteBuilder b;
    WriteVGeom2DSphere(b, 12, {0, 0, 9});
    auto* s = Read<ZVI_VGeom2D_Sphere>(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->radius.value, 12u);
  }
}

TEST_F(Records, FreeformAndText) {
  FreeformRecord ff;
  ff.totalWeight = 3;
  ff.cells = {{0, 0, 1, 1, 1}, {5, 5, 6, 7, 3}};
  ff.bytes = {1, 2, 3};
  ff.bytesFloat = 0.5f;
  {
    ByteBuilder b;
    WriteVGeom2DFreeform(b, ff);
    auto* f = Read<ZVI_VGeom2D_Freeform>(b);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->cells.size(), 2u);
    EXPECT_EQ(f->cells[1].cumulative, 3.0f);
    EXPECT_EQ(f->total_weight, 3.0f);
    ASSERT_TRUE(f->bytes);
    EXPECT_EQ(f->bytes->size(), 3u);
    EXPECT_EQ(f->bytes_float, 0.5f);
    // rnd 41/32767 x 3 picks the first cell.
    D3DXVECTOR3 p, uv;
    ASSERT_TRUE(f->RandomPoint(&p, &uv));
    EXPECT_LE(p.x, 1.0f);
  }
  for (uint32_t version : {1u, 2u}) {
    TextParamsRecord tp;
    tp.version = version;
    tp.text = u"Hello";
    tp.font.face = u"Serif";
    tp.font.size = 48;
    tp.font.transparency = 50;
    tp.verticalAlignment = 1;
    tp.layoutOption = 7;
    ByteBuilder b;
    WriteVGeom2DText(b, tp, {10, 20, 0}, ff);
    auto* t = Read<ZVI_VGeom2D_Text>(b);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->text.text.value, u"Hello");
    EXPECT_EQ(t->text.font.face.value, u"Serif");
    EXPECT_EQ(t->text.font.size.value, 48u);
    EXPECT_EQ(t->text.font.transparency.derived, 127);
    EXPECT_EQ(t->text.vertical_alignment.value, 1);
    EXPECT_EQ(t->text.layout_option.value, version >= 2 ? 7 : 0);  // older records leave it
    EXPECT_EQ(t->cells.size(), 2u);
    D3DXVECTOR3 c;
    t->CenterPoint(&c);
    EXPECT_EQ(c, D3DXVECTOR3(10, 20, 0));
  }
}

TEST_F(Records, StripeReadsItsCentreAndWidthInBothVersions) {
  for (int32_t version : {1, 2}) {
    ByteBuilder centre;
    WriteVGeom2DPolyline(centre, {{{0, 0, 0}, {}, {}}, {{100, 0, 0}, {}, {}}});
    ByteBuilder graph, width;
    WriteVGraphConst(graph);
    WriteJitterGraphParam(width, graph, 40, 0);
    ByteBuilder b;
    WriteVGeom2DStripe(b, centre, width, 20, 80, version);
    auto* s = Read<ZVI_VGeom2D_Stripe>(b);
    ASSERT_TRUE(s);
    ASSERT_NE(s->Centre(), nullptr);
    EXPECT_EQ(s->AxisLength(0), 100.0f);
    EXPECT_EQ(s->CrossWidth(0.5f), 40.0f);
    EXPECT_EQ(s->start.value, version >= 2 ? 20u : 0u);
    EXPECT_EQ(s->end.value, version >= 2 ? 80u : 100u);
    // The centre's band was computed for half the width on reading.
    D3DXVECTOR3 p;
    ASSERT_TRUE(s->PointAtUV(0.5f, 0.0f, &p, nullptr));
    EXPECT_NEAR(p.y, 20.0f, 1e-4f);
  }
  // A centre figure that is not a curve is read and dropped.
  ByteBuilder rect, graph, width, b;
  WriteVGeom2DRect(rect, 10, 10);
  WriteVGraphConst(graph);
  WriteJitterGraphParam(width, graph, 4, 0);
  WriteVGeom2DStripe(b, rect, width);
  auto* s = Read<ZVI_VGeom2D_Stripe>(b);
  ASSERT_TRUE(s);
  EXPECT_NE(dynamic_cast<ZVI_VGeom2D_Polyline*>(s->Centre()), nullptr);
}

TEST_F(Records, DamagedRecordsFailCleanly) {
  ByteBuilder full;
  WriteVGeom2DPolyline(full, kNodes);
  for (size_t cut : {size_t{10}, size_t{60}, full.size() - 3}) {
    MemoryArchive strict(full.bytes().data(), cut, true);
    EXPECT_THROW(ReadVGeom2D(strict), DS_Error) << cut;
    // A lenient stream stops quietly inside the fields; a cut class name
    // names no class and is refused.
    MemoryArchive lenient(full.bytes().data(), cut, false);
    if (cut > 48)
      EXPECT_NO_THROW(ReadVGeom2D(lenient)) << cut;
    else
      EXPECT_THROW(ReadVGeom2D(lenient), DS_Error);
  }
  ByteBuilder unknown;
  unknown.Header(u"ZVI_VGeom2D_Speral", 1).U32(1);
  MemoryArchive ar(unknown.bytes().data(), unknown.size());
  EXPECT_THROW(ReadVGeom2D(ar), DS_Error);
  // A hostile node count is cut to what the data holds.
  ByteBuilder hostile;
  hostile.Header(u"ZVI_VGeom2D_Polyline", 1).I32(0x7FFFFFFF);
  MemoryArchive ar2(hostile.bytes().data(), hostile.size());
  auto fig = ReadVGeom2D(ar2);
  EXPECT_EQ(static_cast<ZVI_VGeom2D_Polyline*>(fig.get())->shape.GetPointCount(), 0);
}

TEST_F(Records, EmitterFiguresAndGradients) {
  ByteBuilder b;
  WriteVFigureRect(b, 100, 50, {1, 2, 3});
  WriteVFigureSector(b, 10, 30, 90, 0, {0, 0, 0});
  WriteVFigureBSpline(b, {{{0, 0, 0}, {}, {}}, {{40, 30, 0}, {}, {}}}, {5, 5, 0});
  WriteVGradientLinear(b, {0, 0, 0}, {10, 0, 0}, 50, 100);
  WriteVGradientCircular(b, {0, 0, 0}, {10, 0, 0});
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  auto rect = ReadVFigure(ar);
  auto sector = ReadVFigure(ar);
  auto spline = ReadVFigure(ar);
  auto linear = ReadVGradient(ar);
  auto circular = ReadVGradient(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  auto* r = dynamic_cast<ZVI_VFigure_Rect*>(rect.get());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->width.value, 100u);
  EXPECT_EQ(r->position.value, D3DXVECTOR3(1, 2, 3));
  auto* s = dynamic_cast<ZVI_VFigure_Sector*>(sector.get());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->inner.value, 10u);
  EXPECT_EQ(s->outer.value, 30u);
  EXPECT_NEAR(s->sector.direction.y, 1.0f, 1e-5f);  // the rotation was recomputed
  auto* bs = dynamic_cast<ZVI_VFigure_BSpline*>(spline.get());
  ASSERT_TRUE(bs);
  EXPECT_EQ(bs->width.value, 0u);
  EXPECT_EQ(bs->path.samples.size(), 21u);
  for (int i = 0; i < 10; ++i) {
    D3DXVECTOR3 p(0, 0, 0), h;
    bs->SpawnWithHeading(&p, &h, false);
    // On the path itself: the straight segment from (5,5) to (45,35).
    EXPECT_NEAR((p.x - 5) * 0.6f - (p.y - 5) * 0.8f, 0.0f, 1e-3f);
    EXPECT_NEAR(h.x, 0.8f, 1e-4f);
  }
  ASSERT_TRUE(linear);
  EXPECT_FLOAT_EQ(linear->ValueAt(D3DXVECTOR3(5, 7, 0)), 0.75f);
  ASSERT_TRUE(circular);
  EXPECT_FLOAT_EQ(circular->ValueAt(D3DXVECTOR3(0, 5, 0)), 0.5f);
}

TEST_F(Records, RectEmitterGridAndSpawns) {
  ZVI_VFigure_Rect r;
  r.width = 100u;
  r.height = 50u;
  D3DXVECTOR3 p;
  struct Case {
    int32_t i, rows, cols;
    float x, y;
  } cases[] = {{0, 2, 4, -37.5f, -12.5f}, {5, 2, 4, -12.5f, 12.5f}, {7, 2, 4, 37.5f, 12.5f}, {3, 0, 0, 0, 0}};
  for (const Case& c : cases) {
    r.GridPoint(&p, c.i, c.rows, c.cols);
    EXPECT_NEAR(p.x, c.x, 1e-4f);
    EXPECT_NEAR(p.y, c.y, 1e-4f);
  }
  crt_srand(1);
  p = D3DXVECTOR3(1000, 0, 0);
  r.SpawnOffset(&p);
  EXPECT_NEAR(p.x, 1000 + (41 / 32767.0f) * 100 - 50, 1e-3f);
  EXPECT_NEAR(p.y, (18467 / 32767.0f) * 50 - 25, 1e-3f);

  ZVI_VFigure_Rect zero;
  for (int i = 0; i < 10; ++i) {
    D3DXVECTOR3 q(0, 0, 0), h;
    zero.SpawnWithHeading(&q, &h, false);
    EXPECT_EQ(q, D3DXVECTOR3(0, 0, 0));
    EXPECT_NEAR(D3DXVec3Length(&h), 1.0f, 1e-5f);
    EXPECT_EQ(h.z, 0.0f);
  }
}

TEST_F(Records, SectorEmitterHeadingsAndGrid) {
  ZVI_VFigure_Sector s;
  s.inner = 10u;
  s.outer = 30u;
  s.sector.SetValue(90u);
  for (int i = 0; i < 10; ++i) {
    D3DXVECTOR3 p(0, 0, 0), h;
    s.SpawnWithHeading(&p, &h, false);
    EXPECT_NEAR(h.x, 0.0f, 1e-5f);
    EXPECT_NEAR(h.y, -1.0f, 1e-5f);
    EXPECT_GE(-p.y, 10.0f - 1e-3f);
    EXPECT_LE(-p.y, 30.0f + 1e-3f);
  }
  D3DXVECTOR3 g;
  s.GridPoint(&g, 0, 2, 1);
  EXPECT_NEAR(g.x, 0.0f, 1e-4f);
  EXPECT_NEAR(g.y, -(10 + 0.75f * 20), 1e-4f);  // row 0 lies next to the outer edge
  s.GridPoint(&g, 0, 0, 5);
  EXPECT_EQ(g, D3DXVECTOR3(0, 0, 0));
}

TEST_F(Records, CustomFigureAndGradientDefaults) {
  ZVI_CustomFigure f;
  auto* r = dynamic_cast<ZVI_VFigure_Rect*>(f.Figure());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->width.value, 0u);
  EXPECT_EQ(r->height.value, 0u);
  EXPECT_EQ(f.callbacks.size(), 0u);
  f.SetSectorFigure(0, 45, 30, 200);
  auto* s = dynamic_cast<ZVI_VFigure_Sector*>(f.Figure());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->inner.value, 0u);
  EXPECT_EQ(s->outer.value, 200u);
  EXPECT_EQ(s->sector.spread.value, 30u);
  EXPECT_EQ(s->sector.value, 45u);

  ZVI_CustomGradient g;
  ASSERT_TRUE(g.Gradient());
  struct Case {
    D3DXVECTOR3 p;
    float want;
  } cases[] = {{D3DXVECTOR3(0, 0, 0), 1.0f},
               {D3DXVECTOR3(50, 50, 0), 0.5f},
               {D3DXVECTOR3(200, 200, 0), 0.0f},
               {D3DXVECTOR3(100, 100, 50), 0.0f},
               {D3DXVECTOR3(-10, 0, 0), 1.0f}};
  for (const Case& c : cases) EXPECT_NEAR(g.Gradient()->ValueAt(c.p), c.want, 1e-6f);
}

TEST_F(Records, CircularGradientAndCoincidentPoints) {
  ZVI_VGradient_Circular c;
  c.end_point = D3DXVECTOR3(10, 0, 0);
  struct Case {
    D3DXVECTOR3 p;
    float want;
  } cases[] = {{D3DXVECTOR3(0, 0, 0), 1.0f}, {D3DXVECTOR3(0, 5, 0), 0.5f}, {D3DXVECTOR3(20, 0, 0), 0.0f}};
  for (const Case& k : cases) EXPECT_NEAR(c.ValueAt(k.p), k.want, 1e-6f);
  c.end_point = c.start_point.value;
  EXPECT_EQ(c.ValueAt(D3DXVECTOR3(0, 0, 0)), 1.0f);
  EXPECT_EQ(c.ValueAt(D3DXVECTOR3(3, 0, 0)), 0.0f);
  ZVI_VGradient_Linear l;
  l.end_point = l.start_point.value;
  EXPECT_EQ(l.ValueAt(D3DXVECTOR3(3, 0, 0)), 1.0f);
}

TEST_F(Records, HostileFieldsNeverCrash) {
  // Every registered figure, emitter figure and gradient over noise, extreme
  // floats and huge counts: a clean error or a finite stop, never a crash.
  const char16_t* figures[] = {u"ZVI_VGeom2D_Polyline", u"ZVI_VGeom2D_LineSegment", u"ZVI_VGeom2D_CubicSpline",
                               u"ZVI_VGeom2D_Loop",     u"ZVI_VGeom2D_BSpline",     u"ZVI_VGeom2D_Stripe",
                               u"ZVI_VGeom2D_Rect",     u"ZVI_VGeom2D_Sector",      u"ZVI_VGeom2D_Spiral",
                               u"ZVI_VGeom2D_Sphere",   u"ZVI_VGeom2D_Freeform",    u"ZVI_VGeom2D_Text"};
  const uint32_t words[] = {0xFFFFFFFFu, 0x7F800000u, 0x7FC00000u, 0x00000003u, 0x3F800000u, 0xC2C80000u};
  for (int round = 0; round < 6; ++round) {
    for (const char16_t* name : figures) {
      ByteBuilder b;
      b.Header(name, 1);
      for (int i = 0; i < 64; ++i) b.U32(round < 3 ? words[(i + round) % 6] : static_cast<uint32_t>(crt_rand()) << 8);
      for (bool strict : {false, true}) {
        MemoryArchive ar(b.bytes().data(), b.size(), strict);
        try {
          DS_SafePtr<ZVI_VGeom2D> f = ReadVGeom2D(ar);
          D3DXVECTOR3 p, uv;
          f->RandomPoint(&p, &uv);
          f->CenterPoint(&p);
        } catch (const DS_Error&) {
        }
      }
    }
  }
}

}  // namespace
