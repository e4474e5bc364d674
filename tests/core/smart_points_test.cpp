#include "core/smart_points.h"

#include <gtest/gtest.h>

#include <string>

#include "core/archive.h"
#include "tools/writer/byte_builder.h"
#include "tools/writer/values_writer.h"

namespace {

struct Counter : MediaControlT<MediaParam> {
  int count = 0;
  void OnChanged(MediaControl*) override { ++count; }
};

struct Tracked : DX_PntAttachment {
  explicit Tracked(int* deaths) : deaths(deaths) {}
  ~Tracked() override { ++*deaths; }
  int* deaths;
};

TEST(SmartPointTest, ConstructorsGiveFreshOrSharedBlocks) {
  DX_SmartPnt plain;
  EXPECT_EQ(plain.value, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(plain.shared.UseCount(), 1);
  EXPECT_EQ(plain.shared.get(), nullptr);

  DX_BSplinePnt fromXY(3.0f, 4.0f);
  EXPECT_EQ(fromXY.value, D3DXVECTOR3(3, 4, 0));
  EXPECT_EQ(fromXY.outTangent.value, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(fromXY.inTangent.value, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(fromXY.shared.UseCount(), 1);
  EXPECT_EQ(fromXY.outTangent.ControlCount(), 1u);  // its primed undo control
}

TEST(SmartPointTest, PlainPointConstructorDropsTangentsAndSharesTheBlock) {
  DX_BSplinePnt source(1.0f, 2.0f);
  source.outTangent.value = D3DXVECTOR3(5, 6, 7);
  source.inTangent.value = D3DXVECTOR3(-1, -2, -3);
  DX_BSplinePnt copy(static_cast<const DX_SmartPnt&>(source));
  EXPECT_EQ(copy.value, D3DXVECTOR3(1, 2, 0));
  EXPECT_EQ(copy.outTangent.value, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(copy.inTangent.value, D3DXVECTOR3(0, 0, 0));
  EXPECT_TRUE(copy.shared.SameBlock(source.shared));
  EXPECT_EQ(source.shared.UseCount(), 2);
}

TEST(SmartPointTest, CornerCopyKeepsTangentsWithItsOwnBlock) {
  ZVI_CornerBSplinePnt source(1.0f, 2.0f);
  source.outTangent.value = D3DXVECTOR3(5, 6, 7);
  source.inTangent.value = D3DXVECTOR3(-1, -2, -3);
  Counter watcher;
  watcher.Attach(&source);
  ZVI_CornerBSplinePnt copy(source);
  EXPECT_EQ(copy.value, D3DXVECTOR3(1, 2, 0));
  EXPECT_EQ(copy.outTangent.value, D3DXVECTOR3(5, 6, 7));
  EXPECT_EQ(copy.inTangent.value, D3DXVECTOR3(-1, -2, -3));
  EXPECT_FALSE(copy.shared.SameBlock(source.shared));
  EXPECT_EQ(copy.shared.UseCount(), 1);
  EXPECT_EQ(copy.undo.saved, D3DXVECTOR3(1, 2, 0));
  EXPECT_EQ(watcher.count, 0);
}

TEST(SmartPointTest, CameraPathPointDefaults) {
  DX_SmartPnt p(D3DXVECTOR3(7, 8, 9));
  DX_CamPathPnt cam(p);
  EXPECT_EQ(cam.value, D3DXVECTOR3(7, 8, 9));
  EXPECT_TRUE(cam.shared.SameBlock(p.shared));
  EXPECT_EQ(cam.duration.value, 5.0f);
  EXPECT_EQ(cam.zoom.value, 100u);
}

TEST(SmartPointTest, AcceptDispatchesToTheVisitorEntryOfEachClass) {
  struct Visitor : DX_PntVisitor {
    std::string seen;
    void VisitCorner(ZVI_CornerBSplinePnt*) override { seen += "corner "; }
    void VisitBSpline(DX_BSplinePnt*) override { seen += "bspline "; }
    void VisitSmart(DX_SmartPnt*) override { seen += "smart "; }
  } visitor;
  ZVI_CornerBSplinePnt corner;
  DX_BSplinePnt bspline;
  DX_SmartPnt smart;
  DX_CamPathPnt cam;
  for (DX_SmartPnt* p : {static_cast<DX_SmartPnt*>(&corner), static_cast<DX_SmartPnt*>(&bspline), &smart,
                         static_cast<DX_SmartPnt*>(&cam)}) {
    p->Accept(visitor);
  }
  EXPECT_EQ(visitor.seen, "corner bspline smart smart ");
}

TEST(SmartPointTest, ReadSmartPntGivesTheReaderAFreshBlock) {
  int deaths = 0;
  DX_SmartPnt a;
  a.shared = DS_SafePtr<DX_PntAttachment>(new Tracked(&deaths));
  DX_SmartPnt b(a);
  Counter watcher;
  watcher.Attach(&b);

  pw::ByteBuilder bytes;
  pw::WriteSmartPnt(bytes, 1.5f, -2.0f, 3.25f);
  MemoryArchive ar(bytes.bytes().data(), bytes.size());
  ReadSmartPnt(ar, b);

  EXPECT_EQ(b.value, D3DXVECTOR3(1.5f, -2.0f, 3.25f));
  EXPECT_EQ(b.undo.saved, b.value);
  EXPECT_EQ(watcher.count, 0);
  EXPECT_EQ(b.shared.get(), nullptr);
  EXPECT_EQ(b.shared.UseCount(), 1);
  EXPECT_EQ(deaths, 0);  // a's attachment lives on
  EXPECT_EQ(a.shared.UseCount(), 1);
}

TEST(SmartPointTest, ReadSmartPointsReplacesTheList) {
  struct Case {
    const char* name;
    pw::ByteBuilder bytes;
    size_t expected;
  };
  pw::ByteBuilder three;
  pw::WriteSmartPoints(three, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  pw::ByteBuilder negative;
  negative.I32(-4);
  pw::ByteBuilder truncated;
  truncated.I32(1000000).F32(1).F32(2).F32(3).F32(4).F32(5).F32(6);
  pw::ByteBuilder empty;
  const Case cases[] = {{"three", three, 3}, {"negative", negative, 0}, {"truncated", truncated, 2},
                        {"no data", empty, 0}};
  for (const Case& c : cases) {
    std::vector<DS_SafePtr<DX_SmartPnt>> points;
    points.push_back(DS_SafePtr<DX_SmartPnt>(new DX_SmartPnt()));
    MemoryArchive ar(c.bytes.bytes().data(), c.bytes.size());
    ReadSmartPoints(ar, points);
    ASSERT_EQ(points.size(), c.expected) << c.name;
    for (size_t i = 0; i < points.size(); ++i) {
      const float base = static_cast<float>(3 * i);
      EXPECT_EQ(points[i]->value, D3DXVECTOR3(base + 1, base + 2, base + 3)) << c.name;
      EXPECT_EQ(points[i].UseCount(), 1);
    }
  }
}

TEST(SmartPointTest, StrictArchiveRefusesACountTheDataCannotHold) {
  pw::ByteBuilder bytes;
  bytes.I32(5).F32(1).F32(2).F32(3);
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), /*strict=*/true);
  std::vector<DS_SafePtr<DX_SmartPnt>> points;
  EXPECT_THROW(ReadSmartPoints(ar, points), DS_Error);
}

// A figure type for the figure parameter that counts its deletions.
struct Figure {
  explicit Figure(int* deaths) : deaths(deaths) {}
  virtual ~Figure() { ++*deaths; }
  int* deaths;
};

TEST(SmartGeomTest, SetGeometryNotifiesOnceAndDeletesOnce) {
  int deaths = 0;
  {
    ZVI_SmartGeom<Figure> param;
    EXPECT_EQ(param.value.get(), nullptr);
    EXPECT_EQ(param.value.UseCount(), 2);  // the value and the primed undo copy
    Counter watcher;
    watcher.Attach(&param);
    Figure* f = new Figure(&deaths);
    param.SetGeometry(f);
    EXPECT_EQ(watcher.count, 1);
    EXPECT_EQ(param.value.get(), f);
    // The same figure again changes nothing.
    param.SetGeometry(f);
    EXPECT_EQ(watcher.count, 1);
    EXPECT_EQ(deaths, 0);
  }
  EXPECT_EQ(deaths, 1);
}

TEST(SmartGeomTest, ReplacingAndClearingReleaseTheOldFigure) {
  int deaths = 0;
  ZVI_SmartGeom<Figure> param;
  Counter watcher;
  watcher.Attach(&param);
  param.SetGeometry(nullptr);  // nothing held: no change
  EXPECT_EQ(watcher.count, 0);
  param.SetGeometry(new Figure(&deaths));
  param.SetGeometry(new Figure(&deaths));
  EXPECT_EQ(deaths, 1);
  param.SetGeometry(nullptr);
  EXPECT_EQ(deaths, 2);
  EXPECT_EQ(param.value.get(), nullptr);
  EXPECT_TRUE(param.value.HasBlock());
  EXPECT_EQ(watcher.count, 3);
}

}  // namespace

namespace {

TEST(SmartPointTest, CameraPathPointRecordsByVersion) {
  struct Case {
    uint32_t version;
    unsigned zoom;
  };
  for (const Case& c : {Case{1, 250}, Case{0, 100}}) {
    pw::ByteBuilder b;
    pw::WriteCamPathPnt(b, {10, 20, 0}, 2.5f, 250, c.version);
    b.U32(0xBEEFu);
    MemoryArchive ar(b.bytes().data(), b.size());
    DS_SafePtr<DX_CamPathPnt> point;
    ReadCamPathPoint(ar, point);
    ASSERT_NE(point.get(), nullptr);
    EXPECT_EQ(point->value, D3DXVECTOR3(10, 20, 0)) << c.version;
    EXPECT_EQ(point->duration.value, 2.5f) << c.version;
    EXPECT_EQ(point->zoom.value, c.zoom) << c.version;
    uint32_t next = 0;
    ar.ReadUInt(&next);
    EXPECT_EQ(next, 0xBEEFu) << c.version;
  }
}

TEST(SmartPointTest, CameraPathPointFillsTheHeldPointSilently) {
  pw::ByteBuilder b;
  pw::WriteCamPathPnt(b, {1, 2, 3}, 0.5f, 80);
  MemoryArchive ar(b.bytes().data(), b.size());
  DS_SafePtr<DX_CamPathPnt> point(new DX_CamPathPnt());
  DX_CamPathPnt* held = point.get();
  Counter position, zoom;
  position.Attach(held);
  zoom.Attach(&held->zoom);
  ReadCamPathPoint(ar, point);
  EXPECT_EQ(point.get(), held);
  EXPECT_EQ(held->zoom.value, 80u);
  EXPECT_EQ(held->zoom.undo.saved, 80u);
  EXPECT_EQ(position.count + zoom.count, 0);
}

}  // namespace
