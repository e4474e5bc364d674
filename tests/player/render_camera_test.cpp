// The slide camera: its record by version, the clamped and never negative
// time step, wandering, path travel with cosine easing, and the view sizes it
// hands to the render context.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/archive.h"
#include "core/crt.h"
#include "core/thread_slots.h"
#include "player/camera.h"
#include "player/render_context.h"
#include "player/texture_cache.h"
#include "tools/writer/render_writer.h"

namespace {

TextureInfo Picture(UINT w, UINT h) {
  TextureInfo info;
  info.width = w;
  info.height = h;
  info.aspect = w ? static_cast<float>(h) / static_cast<float>(w) : 1.0f;
  return info;
}

QuadCorners Area(float w, float h) {
  QuadCorners c;
  c.SetRect(w, h);
  return c;
}

D3DXVECTOR3 Apply(const D3DXMATRIX& m, float x, float y) {
  D3DXVECTOR3 in(x, y, 0.0f), out;
  D3DXVec3TransformCoord(&out, &in, &m);
  return out;
}

class Camera : public ::testing::Test {
 protected:
  void SetUp() override {
    rc_ = CreateRenderContext();
    SetCurrentRenderContext(rc_);
  }
  void TearDown() override {
    SetCurrentRenderContext(nullptr);
    DestroyRenderContext(rc_);
  }

  void Read(DSM_Camera& camera, const pw::CameraRecord& r) {
    pw::ByteBuilder b;
    pw::WriteCamera(b, r);
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    zvi_string name;
    int32_t version = 0;
    ar.ReadWideString(&name);
    ar.ReadInt(&version);
    camera.ReadRecord(ar, version);
    EXPECT_EQ(ar.Remaining(), 0u);
  }

  // A path camera over a 640 x 480 picture, restarted.
  void PathCamera(DSM_Camera& camera, const std::vector<pw::CameraPointRecord>& points, uint32_t viewW = 320,
                  uint32_t viewH = 240) {
    pw::CameraRecord r;
    r.mode = 2;
    r.viewWidth = viewW;
    r.viewHeight = viewH;
    r.points = points;
    Read(camera, r);
    camera.ApplyView(Area(640, 480), Picture(640, 480), kFitLetterbox, false);
    camera.Restart(1, Area(640, 480), Picture(640, 480));
  }

  RenderContext* rc_ = nullptr;
};

TEST_F(Camera, Defaults) {
  DSM_Camera c;
  EXPECT_EQ(c.mode.value, 0);
  EXPECT_FLOAT_EQ(c.zoom.derived, 1.2f);
  EXPECT_FLOAT_EQ(c.speed.derived, 1.0f);
  EXPECT_EQ(c.imageLink.name, u"common_res.dll");
  EXPECT_EQ(c.imageLink.id, 6);
  EXPECT_EQ(c.enabled, 0);
  EXPECT_TRUE(c.forward);
}

TEST_F(Camera, RecordByVersion) {
  struct Case {
    int32_t version;
    uint32_t moving;
    int expectedMode;
    bool hasPath, hasLink;
  };
  const Case cases[] = {{1, 1, 1, false, false}, {1, 0, 0, false, false}, {2, 7, 1, false, true}, {3, 0, 2, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    pw::CameraRecord r;
    r.version = c.version;
    r.moving = c.moving;
    r.mode = 2;
    r.viewWidth = 300;
    r.viewHeight = 200;
    r.points = {{1, 10, 20, 0, 2.5f, 150}, {0, 30, 40, 1, 4.0f, 999}};
    r.zoom = 150;
    r.speed = 100;
    r.linkName = u"camera.png";
    r.linkId = 42;
    DSM_Camera camera;
    Read(camera, r);
    EXPECT_EQ(camera.mode.value, c.expectedMode);
    EXPECT_FLOAT_EQ(camera.zoom.derived, 1.5f);
    EXPECT_FLOAT_EQ(camera.speed.derived, 2.0f);
    EXPECT_EQ(camera.imageLink.name, c.hasLink ? u"camera.png" : u"common_res.dll");
    EXPECT_EQ(camera.imageLink.id, c.hasLink ? 42 : 6);
    if (c.hasPath) {
      EXPECT_EQ(camera.viewWidth.value, 300u);
      ASSERT_EQ(camera.path.points.size(), 2u);
      EXPECT_FLOAT_EQ(camera.path.points[0]->value.x, 10.0f);
      EXPECT_FLOAT_EQ(camera.path.points[0]->duration.value, 2.5f);
      EXPECT_EQ(camera.path.points[0]->zoom.value, 150u);
      EXPECT_EQ(camera.path.points[1]->zoom.value, 100u) << "a version 0 point keeps 100 %";
    } else {
      EXPECT_EQ(camera.viewWidth.value, 0u);
      EXPECT_TRUE(camera.path.points.empty());
    }
  }
}

TEST_F(Camera, NegativePointCountIsNoPoints) {
  pw::CameraRecord r;
  r.mode = 2;
  r.viewWidth = 0x5EED;
  r.zoom = 150;
  pw::ByteBuilder b;
  pw::WriteCamera(b, r);
  // The count follows the view height; stored signed, -1 here.
  const uint8_t height[4] = {0, 0, 0, 0};
  auto& bytes = b.bytes();
  size_t at = 0;
  for (size_t i = 0; i + 8 <= bytes.size(); ++i)
    if (bytes[i] == 0xED && bytes[i + 1] == 0x5E && std::memcmp(&bytes[i + 4], height, 4) == 0) at = i + 8;
  ASSERT_NE(at, 0u);
  std::memset(&bytes[at], 0xFF, 4);
  MemoryArchive ar(bytes.data(), bytes.size(), true);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  DSM_Camera camera;
  camera.ReadRecord(ar, version);
  EXPECT_TRUE(camera.path.points.empty());
  EXPECT_EQ(camera.zoom.value, 150u) << "the fields after the count read in step";
  EXPECT_EQ(camera.imageLink.id, 6);
  EXPECT_EQ(ar.Remaining(), 0u);
}

TEST_F(Camera, TruncatedRecordIsAnError) {
  pw::CameraRecord r;
  r.points = {{1, 10, 20, 0, 2.5f, 150}};
  pw::ByteBuilder b;
  pw::WriteCamera(b, r);
  for (size_t cut : {size_t{30}, b.size() - 3}) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    zvi_string name;
    int32_t version = 0;
    DSM_Camera camera;
    EXPECT_THROW(
        {
          ar.ReadWideString(&name);
          ar.ReadInt(&version);
          camera.ReadRecord(ar, version);
        },
        DS_Error);
  }
}

TEST_F(Camera, StepIsClampedAndNeverNegative) {
  DSM_Camera c;
  c.speed.SetValue(100);  // 2.0
  struct Step {
    float t, step, clock;
  };
  const Step steps[] = {{0.0f, 0.0f, 0.0f}, {0.1f, 0.2f, 0.2f}, {1.0f, 0.4f, 0.6f}, {0.5f, 0.0f, 0.6f}, {0.6f, 0.2f, 0.8f}};
  for (const Step& s : steps) {
    c.Update(s.t);
    EXPECT_NEAR(c.step, s.step, 1e-6) << s.t;
    EXPECT_NEAR(c.clock, s.clock, 1e-6) << s.t;
  }
}

TEST_F(Camera, StillOrDisabledCameraDoesNotMove) {
  for (auto [mode, enabled] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{2, 0}}) {
    DSM_Camera c;
    c.mode.value = mode;
    c.ApplyView(Area(640, 480), Picture(640, 480), kFitLetterbox, false);
    c.Restart(enabled, Area(640, 480), Picture(640, 480));
    rc_->cameraMoving = true;
    c.Update(0.1f);
    EXPECT_FALSE(rc_->cameraMoving) << mode;
    EXPECT_FLOAT_EQ(rc_->visibleSize.x, 640.0f) << "the whole picture is visible";
  }
}

TEST_F(Camera, PathVisitsPointsBackAndForth) {
  DSM_Camera c;
  PathCamera(c, {{1, 0, 0, 0, 1.0f, 100}, {1, 100, 0, 0, 2.0f, 100}, {1, 200, 0, 0, 3.0f, 100}});
  // Target x and segment length after each new segment.
  const std::pair<float, float> expected[] = {{100, 1}, {200, 2}, {100, 2}, {0, 1}, {100, 1}, {200, 2}, {100, 2}};
  float t = 0.0f;
  for (auto [x, length] : expected) {
    c.NextSegment(t);
    EXPECT_FLOAT_EQ(c.targetPosition.x, x) << t;
    EXPECT_FLOAT_EQ(c.segmentEnd - c.segmentStart, length) << t;
    t = c.segmentEnd;
  }
}

TEST_F(Camera, PathTravelEasesWithCosineAndZooms) {
  DSM_Camera c;
  PathCamera(c, {{1, 100, 100, 0, 4.0f, 100}, {1, 300, 100, 0, 4.0f, 200}});
  EXPECT_FLOAT_EQ(rc_->visibleSize.x, 320.0f);
  // Frames of 0.1 s at speed 1: the first update starts the segment at 0.
  float t = 0.0f;
  c.Update(t);
  EXPECT_TRUE(rc_->cameraMoving);
  struct Probe {
    float clock, x, zoom;
  };
  const float quarter = (1.0f - std::cos(3.1415927f * 0.25f)) * 0.5f;
  const Probe probes[] = {{1.0f, 100 + 200 * quarter, 1.0f + quarter}, {2.0f, 200, 1.5f}};
  for (const Probe& p : probes) {
    while (c.clock < p.clock - 1e-4f) c.Update(t += 0.1f);
    // The point on the path is shown at the centre of the visible region,
    // scaled about it.
    D3DXVECTOR3 centre = Apply(rc_->camera, p.x, 100.0f);
    EXPECT_NEAR(centre.x, 160.0f, 1e-2) << p.clock;
    EXPECT_NEAR(centre.y, 120.0f, 1e-2) << p.clock;
    EXPECT_NEAR(rc_->camera._11, p.zoom, 1e-4) << p.clock;
    EXPECT_NEAR(rc_->cameraOffset.x, 320.0f - p.x, 1e-2) << p.clock;
    EXPECT_NEAR(rc_->cameraOffset.y, 240.0f - 100.0f, 1e-2) << p.clock;
  }
}

TEST_F(Camera, WanderAtZoomOneStaysAtTheCentre) {
  crt_srand(7);
  DSM_Camera c;
  c.mode.value = 1;
  c.zoom.SetValue(100);
  c.ApplyView(Area(640, 480), Picture(640, 480), kFitLetterbox, false);
  c.Restart(1, Area(640, 480), Picture(640, 480));
  int holds = 0, travels = 0;
  for (int i = 0; i < 40; ++i) {
    c.NextSegment(static_cast<float>(i) * 10.0f);
    EXPECT_FLOAT_EQ(c.targetPosition.x, 320.0f);
    EXPECT_FLOAT_EQ(c.targetPosition.y, 240.0f);
    float length = c.segmentEnd - c.segmentStart;
    if (length == 0.5f) ++holds;
    else {
      ++travels;
      EXPECT_GE(length, 5.0f);
      EXPECT_LE(length, 7.0f);
    }
  }
  EXPECT_GT(holds, 0);
  EXPECT_GT(travels, 0);
}

TEST_F(Camera, WanderKeepsTheVisibleRectangleInsideThePicture) {
  crt_srand(3);
  DSM_Camera c;
  c.mode.value = 1;
  c.zoom.SetValue(200);
  c.ApplyView(Area(640, 480), Picture(640, 480), kFitLetterbox, false);
  c.Restart(1, Area(640, 480), Picture(640, 480));
  EXPECT_FLOAT_EQ(rc_->visibleSize.x, 320.0f);
  for (int i = 0; i < 60; ++i) {
    c.NextSegment(static_cast<float>(i) * 10.0f);
    EXPECT_GE(c.targetPosition.x, 160.0f);
    EXPECT_LE(c.targetPosition.x, 480.0f);
    EXPECT_GE(c.targetPosition.y, 120.0f);
    EXPECT_LE(c.targetPosition.y, 360.0f);
  }
}

TEST_F(Camera, VisibleSizeByModeAndFit) {
  struct Case {
    int mode, enabled, fitMode;
    float width, height;
  };
  const Case cases[] = {
      {1, 1, kFitLetterbox, 426, 320},  // 640 / 1.5 truncated
      {2, 1, kFitCrop, 300, 200},
      {2, 1, kFitOffscreenStretch, 640, 480},
      {1, 0, kFitLetterbox, 640, 480},
      {0, 1, kFitLetterbox, 640, 480},
  };
  for (const Case& k : cases) {
    DSM_Camera c;
    c.mode.value = k.mode;
    c.zoom.SetValue(150);
    c.viewWidth.value = 300;
    c.viewHeight.value = 200;
    c.enabled = k.enabled;
    c.ApplyView(Area(640, 480), Picture(640, 480), k.fitMode, false);
    EXPECT_FLOAT_EQ(rc_->visibleSize.x, k.width) << k.mode << k.fitMode;
    EXPECT_FLOAT_EQ(rc_->visibleSize.y, k.height) << k.mode << k.fitMode;
    EXPECT_FLOAT_EQ(rc_->sceneSize.x, 640.0f);
    EXPECT_EQ(rc_->fitMode, k.fitMode);
  }
  DSM_Camera c;
  c.SetDefaultViewSize(640, 481);
  EXPECT_EQ(c.viewWidth.value, 512u);
  EXPECT_EQ(c.viewHeight.value, 384u);
}

TEST_F(Camera, PathCameraWithoutAStoredViewShowsTheDefaultView) {
  pw::CameraRecord r;
  // A record may carry no view size (older ones never do).
  r.mode = 2;
  DSM_Camera c;
  Read(c, r);
  c.enabled = 1;
  c.ApplyView(Area(640, 480), Picture(640, 480), kFitLetterbox, false);
  EXPECT_FLOAT_EQ(rc_->visibleSize.x, 512.0f);
  EXPECT_FLOAT_EQ(rc_->visibleSize.y, 384.0f);
}

TEST_F(Camera, ZeroZoomAndEmptySegmentsGiveFiniteMatrices) {
  auto finite = [&] {
    for (int i = 0; i < 16; ++i)
      if (!std::isfinite(rc_->camera.m[i / 4][i % 4]) || !std::isfinite(rc_->view.m[i / 4][i % 4])) return false;
    return std::isfinite(rc_->cameraOffset.x) && std::isfinite(rc_->visibleSize.x);
  };
  {
    DSM_Camera c;  // wandering at zoom 0
    c.mode.value = 1;
    c.zoom.SetValue(0);
    c.ApplyView(Area(640, 480), Picture(640, 480), kFitLetterbox, false);
    c.Restart(1, Area(640, 480), Picture(640, 480));
    for (float t = 0.0f; t < 20.0f; t += 0.2f) c.Update(t);
    EXPECT_TRUE(finite());
  }
  for (auto points : {std::vector<pw::CameraPointRecord>{{1, 50, 60, 0, 5.0f, 100}},
                      std::vector<pw::CameraPointRecord>{{1, 50, 60, 0, 0.0f, 0}, {1, 80, 60, 0, 0.0f, 100}}}) {
    DSM_Camera c;  // one point, or points of no duration
    PathCamera(c, points, 0, 0);
    for (float t = 0.0f; t < 2.0f; t += 0.1f) c.Update(t);
    EXPECT_TRUE(finite());
    EXPECT_FLOAT_EQ(c.startPosition.y, 60.0f);
  }
  {
    DSM_Camera c;  // a picture of no size
    c.ApplyView(Area(640, 480), Picture(0, 0), kFitCrop, false);
    EXPECT_TRUE(finite());
  }
}

TEST_F(Camera, CopySharesPointsAndMotion) {
  DSM_Camera a;
  PathCamera(a, {{1, 1, 2, 3, 1.0f, 120}, {1, 4, 5, 6, 1.0f, 80}});
  a.NextSegment(0.0f);
  DSM_Camera b;
  b.CopyFrom(a);
  ASSERT_EQ(b.path.points.size(), 2u);
  EXPECT_EQ(b.path.points[0].get(), a.path.points[0].get());
  EXPECT_EQ(b.mode.value, 2);
  EXPECT_EQ(b.viewWidth.value, 320u);
  EXPECT_EQ(b.currentPoint, a.currentPoint);
  EXPECT_FLOAT_EQ(b.targetPosition.x, 4.0f);
  EXPECT_FLOAT_EQ(b.zoomTarget, 0.8f);
  EXPECT_FLOAT_EQ(b.zoom.derived, a.zoom.derived);
}

TEST_F(Camera, PathAddAndRemovePoints) {
  CameraPath path;
  DX_SmartPnt p(D3DXVECTOR3(3, 4, 0));
  DX_CamPathPnt* added = path.AddPoint(p);
  ASSERT_EQ(path.points.size(), 1u);
  EXPECT_FLOAT_EQ(added->value.x, 3.0f);
  EXPECT_FLOAT_EQ(added->duration.value, 5.0f);
  EXPECT_EQ(added->zoom.value, 100u);
  EXPECT_EQ(added->shared.get(), p.shared.get());
  path.RemovePoint(added);
  EXPECT_TRUE(path.points.empty());
}

}  // namespace
