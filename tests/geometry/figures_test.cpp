#include <gtest/gtest.h>

#include <cmath>

#include "core/crt.h"
#include "geometry/area_figures.h"
#include "geometry/figures.h"
#include "geometry/registration.h"
#include "geometry/value_graph.h"

// The owner node of the change callbacks, as far as figures see it.
class ZVI_PtclSys_Node {
 public:
  void Changed() { ++calls; }
  int calls = 0;
};

namespace {

constexpr float kR0 = 41 / 32767.0f, kR1 = 18467 / 32767.0f, kR2 = 6334 / 32767.0f;  // first draws after seed 1

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-4f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

class Figures : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterGeometryReaders();
    RegisterValueGraphReaders();
    crt_srand(1);
  }
};

template <class F>
void AddNodes(F& fig, std::initializer_list<D3DXVECTOR3> pts) {
  for (const auto& p : pts) fig.shape.AddPoint(DX_SmartPnt(p), nullptr);
  fig.shape.Resample();
}

TEST_F(Figures, RandomPointOnPolylineUsesOnlyU) {
  ZVI_VGeom2D_Polyline f;
  AddNodes(f, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(100, 0, 0)});
  D3DXVECTOR3 p, uv(9, 9, 9);
  ASSERT_TRUE(f.RandomPoint(&p, &uv));
  EXPECT_FLOAT_EQ(uv.x, kR0);
  EXPECT_FLOAT_EQ(uv.y, kR1);
  ExpectVec(p, 100 * kR0, 0, 0);
  EXPECT_EQ(f.GetLength(), 100.0f);
  D3DXVECTOR3 d;
  EXPECT_FALSE(f.DirectionAt(p, uv, &d));
  EXPECT_FALSE(f.NormalAt(p, uv, &d, &d));
}

TEST_F(Figures, CubicSplineFigureAnswersFromSamples) {
  ZVI_VGeom2D_CubicSpline f;
  AddNodes(f, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0)});
  D3DXVECTOR3 c, n, d;
  ASSERT_TRUE(f.CenterPoint(&c));
  ExpectVec(c, 5, 0, 0);
  for (auto p : {D3DXVECTOR3(3, 4, 0), D3DXVECTOR3(-2, -1, 0), D3DXVECTOR3(12, 0.5f, 0)}) {
    ASSERT_TRUE(f.NormalNear(&n, p));
    ExpectVec(n, 0, -1, 0);
    EXPECT_TRUE(std::signbit(n.z));
  }
  for (float u : {0.0f, 0.3f, 1.0f}) {
    ASSERT_TRUE(f.NormalAt(D3DXVECTOR3(), D3DXVECTOR3(u, 0, 0), &d, &n));
    ExpectVec(n, 0, 1, 0);
  }
}

TEST_F(Figures, RandomDirectionIsPlanarUnit) {
  ZVI_VGeom2D_Loop f;
  D3DXVECTOR3 d;
  ASSERT_TRUE(f.RandomDirection(&d));
  const float a = kR0 * 6.2831855f;
  ExpectVec(d, std::cos(a), -std::sin(a), 0);
  for (int i = 0; i < 20; ++i) {
    f.RandomDirection(&d);
    EXPECT_EQ(d.z, 0.0f);
    EXPECT_NEAR(D3DXVec3Length(&d), 1.0f, 1e-5f);
  }
}

TEST_F(Figures, PolylineBoundsAndInitShapes) {
  ZVI_VGeom2D_Polyline f;
  D3DXVECTOR3 lo, hi;
  EXPECT_THROW(f.GetBounds(&lo, &hi), std::out_of_range);
  AddNodes(f, {D3DXVECTOR3(0, 5, 1), D3DXVECTOR3(10, -5, 2), D3DXVECTOR3(4, 20, 3)});
  ASSERT_TRUE(f.GetBounds(&lo, &hi));
  ExpectVec(lo, 0, -5, 1);
  ExpectVec(hi, 10, 20, 1);

  ZVI_VGeom2D_Loop loop;
  ASSERT_TRUE(loop.InitShape(0, 0, 0, 4, 2, 0));
  EXPECT_TRUE(loop.IsClosed());
  const float want[4][2] = {{0, 2}, {4, 2}, {4, 0}, {0, 0}};
  for (int i = 0; i < 4; ++i) ExpectVec(loop.GetNode(i)->value, want[i][0], want[i][1], 0);
  EXPECT_EQ(loop.GetNode(4), nullptr);
  EXPECT_THROW(loop.GetNode(-1), std::out_of_range);

  ZVI_VGeom2D_BSpline bs;
  ASSERT_TRUE(bs.InitShape(1, 1, 0, 11, 21, 0));
  ExpectVec(bs.shape.Point(0)->outTangent.value, 3, 6, 0);
  ExpectVec(bs.shape.Point(1)->inTangent.value, -3, -6, 0);
  ZVI_VGeom2D_CubicSpline cs;
  EXPECT_FALSE(cs.InitShape(0, 0, 0, 1, 1, 0));
}

TEST_F(Figures, CreateByNameConvertsNodeFigures) {
  ZVI_VGeom2D_Polyline f;
  AddNodes(f, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(10, 10, 0)});
  DS_SafePtr<ZVI_VGeom2D_Curve> made = f.CreateByName("ZVI_VGeom2D_BSpline");
  auto* bs = dynamic_cast<ZVI_VGeom2D_BSpline*>(made.get());
  ASSERT_NE(bs, nullptr);
  ASSERT_EQ(bs->shape.GetPointCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(bs->shape.Point(i)->value, f.shape.Point(i)->value);
    EXPECT_EQ(bs->shape.Point(i)->outTangent.value, f.shape.Point(i)->outTangent.value);
    EXPECT_EQ(bs->shape.Point(i)->inTangent.value, f.shape.Point(i)->inTangent.value);
  }
  EXPECT_FALSE(f.CreateByName("ZVI_VGeom2D_Rect"));
  EXPECT_FALSE(f.CreateByName("NoSuchFigure"));
  EXPECT_FALSE(CreateVGeom2DByName("ZVI_VGeom2D_Speral"));
  EXPECT_TRUE(CreateVGeom2DByName("ZVI_VGeom2D_Spiral"));
}

TEST_F(Figures, CloneOutlivesItsSource) {
  auto* f = new ZVI_VGeom2D_CubicSpline();
  AddNodes(*f, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(10, 0, 0)});
  std::unique_ptr<ZVI_VGeom2D> copy(f->Clone());
  delete f;
  auto* c = static_cast<ZVI_VGeom2D_CubicSpline*>(copy.get());
  EXPECT_EQ(c->curve, &c->shape);
  D3DXVECTOR3 p;
  ASSERT_TRUE(c->CenterPoint(&p));
  ExpectVec(p, 5, 0, 0);
}

TEST_F(Figures, LineSegmentEnds) {
  ZVI_VGeom2D_LineSegment f;
  f.SetEnds(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 30, 0));
  EXPECT_EQ(f.GetLength(), 30.0f);
  f.AppendNode(f.GetNode(0));  // ignored
  EXPECT_EQ(f.shape.GetPointCount(), 2);
  f.SetEnds(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(40, 0, 0));
  EXPECT_EQ(f.GetLength(), 40.0f);
}

TEST_F(Figures, RectQueries) {
  ZVI_VGeom2D_Rect r;
  r.width = 100u;
  r.height = 50u;
  r.centre = D3DXVECTOR3(10, 20, 3);
  D3DXVECTOR3 p;
  struct Case {
    float u, v, x, y;
  } pts[] = {{0.5f, 0.5f, 10, 20}, {0, 0, -40, -5}, {1, 1, 60, 45}};
  for (const Case& c : pts) {
    D3DXVECTOR3 uv(c.u, c.v, 0);
    ASSERT_TRUE(r.PointAt(&uv, &p, nullptr));
    ExpectVec(p, c.x, c.y, 3);
  }
  EXPECT_TRUE(r.Contains(D3DXVECTOR3(60, 45, 0)));
  EXPECT_FALSE(r.Contains(D3DXVECTOR3(60.5f, 20, 0)));
  struct Exit {
    D3DXVECTOR3 from, dir;
    bool ok;
    float x, y;
  } exits[] = {
      {D3DXVECTOR3(10, 20, 3), D3DXVECTOR3(1, 0, 0), true, 60, 20},
      {D3DXVECTOR3(10, 20, 3), D3DXVECTOR3(0, -1, 0), true, 10, -5},
      {D3DXVECTOR3(10, 20, 3), D3DXVECTOR3(1, 1, 0), true, 35, 45},
      {D3DXVECTOR3(12, 21, 3), D3DXVECTOR3(0, 0, 0), true, 12, 21},
      {D3DXVECTOR3(99, 20, 3), D3DXVECTOR3(1, 0, 0), false, 0, 0},
  };
  for (const Exit& e : exits) {
    ASSERT_EQ(r.ExitPoint(e.from, e.dir, &p), e.ok);
    if (e.ok) ExpectVec(p, e.x, e.y, 3);
  }
  D3DXVECTOR3 n;
  r.NormalNear(&n, D3DXVECTOR3(55, 20, 0));
  ExpectVec(n, 1, 0, 0);
  r.NormalNear(&n, D3DXVECTOR3(10, -4, 0));
  ExpectVec(n, 0, -1, 0);
  r.NormalNear(&n, D3DXVECTOR3(-30, 40, 0));  // 10 from left and bottom edges
  ExpectVec(n, 0, 1, 0);
  D3DXVECTOR3 lo, hi;
  ASSERT_TRUE(r.GetBounds(&lo, &hi));
  ExpectVec(lo, -50, -25, 0);
  ExpectVec(hi, 50, 25, 0);
  EXPECT_EQ(r.CrossWidth(0.3f), 50.0f);
  EXPECT_EQ(r.AxisLength(0), 100.0f);
}

TEST_F(Figures, SectorQueries) {
  ZVI_VGeom2D_Sector s;
  s.centre = D3DXVECTOR3(1, 2, 3);
  s.outer = 100u;
  s.spread.SetValue(90u);
  D3DXVECTOR3 p, uv(0, 0.5f, 0);
  ASSERT_TRUE(s.PointAt(&uv, &p, nullptr));
  ExpectVec(p, 101, 2, 3);
  s.direction.SetValue(90u);
  ASSERT_TRUE(s.PointAt(&uv, &p, nullptr));
  ExpectVec(p, 1, -98, 3);
  // Inner radius 0: radii are R sqrt(rnd), normals always outwards.
  crt_srand(1);
  ASSERT_TRUE(s.RandomPointUniform(&p));
  const D3DXVECTOR3 d = p - s.centre.value;
  EXPECT_NEAR(D3DXVec3Length(&d), 100 * std::sqrt(kR1), 1e-3f);
  D3DXVECTOR3 n;
  s.NormalNear(&n, D3DXVECTOR3(1, 12, 3));
  ExpectVec(n, 0, 1, 0);
  s.inner = 50u;
  s.NormalNear(&n, D3DXVECTOR3(1, 62, 3));  // 60 from the centre, nearer the inner edge
  ExpectVec(n, 0, -1, 0);
  s.NormalNear(&n, D3DXVECTOR3(1, 82, 3));
  ExpectVec(n, 0, 1, 0);
  s.NormalNear(&n, s.centre.value);  // the centre itself stays finite
  EXPECT_TRUE(std::isfinite(n.x));
  EXPECT_NEAR(s.CrossWidth(0.5f), 75 * 1.5707963f, 1e-3f);
  EXPECT_EQ(s.AxisLength(0), 50.0f);
  ASSERT_TRUE(s.NormalAt(D3DXVECTOR3(11, 2, 3), D3DXVECTOR3(), &p, &n));
  ExpectVec(p, -1, 0, 0);
  ExpectVec(n, 0, 1, 0);
}

TEST_F(Figures, SpiralArmsAndGuards) {
  ZVI_VGeom2D_Spiral s;
  EXPECT_EQ(s.GetTypeName(), "ZVI_VGeom2D_Speral");
  s.params.step.SetValue(0u);
  s.params.twist.SetValue(0u);
  s.params.start.SetValue(30u);
  for (int i = 0; i < 30; ++i) {
    D3DXVECTOR3 p, uv;
    ASSERT_TRUE(s.RandomPoint(&p, &uv));
    const float rho = std::sqrt(p.x * p.x + p.y * p.y);
    if (rho < 1e-3f) continue;
    const float deg = std::atan2(-p.y, p.x) * 180 / 3.1415927f;
    const float rel = std::fmod(deg - 30 + 720, 120.0f);
    EXPECT_TRUE(rel < 1e-2f || rel > 120 - 1e-2f) << deg;
  }
  D3DXVECTOR3 d;
  ASSERT_TRUE(s.DirectionAt(D3DXVECTOR3(0, 10, 0), D3DXVECTOR3(), &d));  // twist 0: radial, finite
  EXPECT_NEAR(std::fabs(d.y), 1.0f, 1e-5f);
  s.params.arms = 0u;
  D3DXVECTOR3 uv(0.5f, 0.5f, 0), p;
  ASSERT_TRUE(s.PointAt(&uv, &p, nullptr));
  EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
  s.params.twist.SetValue(100u);
  ASSERT_TRUE(s.DirectionAt(D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(), &d));
  EXPECT_NEAR(D3DXVec3Length(&d), 1.0f, 1e-5f);
}

TEST_F(Figures, SphereAndFreeform) {
  ZVI_VGeom2D_Sphere s;
  s.centre = D3DXVECTOR3(5, 5, 5);
  D3DXVECTOR3 p(7, 8, 9), uv;
  EXPECT_TRUE(s.PointAt(&uv, &p, nullptr));
  ExpectVec(p, 7, 8, 9);
  for (int i = 0; i < 20; ++i) {
    s.RandomPoint(&p, &uv);
    const D3DXVECTOR3 d = p - s.centre.value;
    EXPECT_LE(D3DXVec3Length(&d), 200.001f);
    s.RandomDirection(&p);
    EXPECT_NEAR(D3DXVec3Length(&p), 1.0f, 1e-5f);
  }

  ZVI_VGeom2D_Freeform f;
  EXPECT_FALSE(f.RandomPoint(&p, &uv));
  EXPECT_FALSE(f.HasDirections());
  f.cells.push_back({0, 0, 10, 10, 1, 1});
  f.total_weight = 1;
  crt_srand(1);
  ASSERT_TRUE(f.RandomPoint(&p, &uv));
  ExpectVec(p, 10 * kR2, 10 * kR1, 0);  // y drawn before x
  ZVI_VGeom2D_Text t;
  t.offset = D3DXVECTOR3(3, 4, 5);
  p = D3DXVECTOR3(100, 100, 100);
  ASSERT_TRUE(t.RandomPoint(&p, &uv));  // no glyph cells: the offset itself
  ExpectVec(p, 3, 4, 5);
  ASSERT_TRUE(t.CenterPoint(&p));
  ExpectVec(p, 3, 4, 5);
}

TEST_F(Figures, StripeMapsUAndOffsetsAcross) {
  ZVI_VGeom2D_Stripe s;
  auto* centre = new ZVI_VGeom2D_Polyline();
  AddNodes(*centre, {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(100, 0, 0)});
  s.centre.SetGeometry(centre);
  s.width.value.SetValue(20u);
  s.start.SetValue(20u);
  s.end.SetValue(80u);
  s.ComputeBand();
  D3DXVECTOR3 uv(0, 0.5f, 0), p, d;
  ASSERT_TRUE(s.PointAt(&uv, &p, &d));
  EXPECT_FLOAT_EQ(uv.x, 0.2f);
  ExpectVec(p, 20, 0, 0);
  uv = D3DXVECTOR3(0.5f, 1.0f, 0);
  ASSERT_TRUE(s.PointAt(&uv, &p, &d));
  ExpectVec(p, 50, -10, 0);  // half the width to the right of the centre line
  ExpectVec(d, 1, 0, 0);
  ASSERT_TRUE(s.PointAtUV(0.1f, 0.0f, &p, &d));
  ExpectVec(p, 10, 10, 0);
  EXPECT_EQ(s.CrossWidth(0.4f), 20.0f);
  EXPECT_EQ(s.AxisLength(0), 100.0f);
  ASSERT_TRUE(s.CenterPoint(&p));
  ExpectVec(p, 50, 0, 0);
}

TEST_F(Figures, ChangeCallbacksFollowTheListedParameters) {
  ZVI_PtclSys_Node node;
  struct Case {
    std::unique_ptr<ZVI_VGeom2D> fig;
    size_t controls;
  } cases[3];
  cases[0] = {std::make_unique<ZVI_VGeom2D_Rect>(), 3};
  cases[1] = {std::make_unique<ZVI_VGeom2D_Sector>(), 3};
  cases[2] = {std::make_unique<ZVI_VGeom2D_Spiral>(), 2};
  for (auto& c : cases) {
    FigureCallbackList list(&node);
    c.fig->BindChangeCallbacks(list, &ZVI_PtclSys_Node::Changed);
    EXPECT_EQ(list.size(), c.controls);
    node.calls = 0;
    static_cast<ZVI_VGeom2D_Figure*>(c.fig.get())->centre.SetValue(D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(node.calls, 1);
  }
  ZVI_VGeom2D_Rect r;
  {
    FigureCallbackList list(&node);
    r.BindChangeCallbacks(list, &ZVI_PtclSys_Node::Changed);
    node.calls = 0;
    r.height.SetValue(7u);
    EXPECT_EQ(node.calls, 1);
  }
  r.width.SetValue(9u);  // the list is gone: its controls unhooked themselves
  EXPECT_EQ(node.calls, 1);
}

}  // namespace
