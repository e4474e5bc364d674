// The render context's fit of the visible region into the screen area, the
// screen fit of the picture, and the world transform with camera and parallax.
#include <gtest/gtest.h>

#include <cmath>

#include "core/thread_slots.h"
#include "player/current_device.h"
#include "player/render_context.h"
#include "render_fixtures.h"

namespace {

D3DXVECTOR3 Apply(const D3DXMATRIX& m, float x, float y) {
  D3DXVECTOR3 in(x, y, 0.0f), out;
  D3DXVec3TransformCoord(&out, &in, &m);
  return out;
}

bool AllFinite(const D3DXMATRIX& m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (!std::isfinite(m.m[r][c])) return false;
  return true;
}

struct FitCase {
  const char* name;
  FloatRect area;
  float visibleWidth, visibleHeight;
  int mode;
  // Expected scale, placement of the visible region's origin and extent.
  float sx, sy, left, top, extentX, extentY;
};

TEST(RenderContextFit, FitViewPlacesTheVisibleRegion) {
  const FitCase cases[] = {
      {"same aspect, letterbox", {0, 0, 800, 600}, 400, 300, kFitLetterbox, 2, 2, 0, 0, 400, 300},
      {"same aspect, crop", {0, 0, 800, 600}, 400, 300, kFitCrop, 2, 2, 0, 0, 400, 300},
      {"taller, letterbox", {10, 20, 800, 600}, 400, 400, kFitLetterbox, 1.5f, 1.5f, 100, 0, 400.0f / 600 * 700, 400},
      {"taller, crop", {10, 20, 800, 600}, 400, 400, kFitCrop, 2, 2, 0, -100, 400, 350},
      {"wider, crop", {0, 0, 800, 600}, 800, 400, kFitCrop, 1.5f, 1.5f, -200, 0, 800.0f / 1200 * 1000, 400},
      {"wider, letterbox", {0, 0, 800, 600}, 800, 400, kFitLetterbox, 1, 1, 0, 100, 800, 500},
      {"stretch", {0, 0, 800, 600}, 400, 400, kFitStretch, 2, 1.5f, 0, 0, 400, 400},
      {"off-screen stretch", {0, 0, 800, 600}, 400, 400, kFitOffscreenStretch, 2, 1.5f, 0, 0, 400, 400},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.name);
    RenderContext rc;
    rc.FitView(c.area, FloatRect{0, 0, c.visibleWidth, c.visibleHeight}, c.mode);
    EXPECT_EQ(rc.fitMode, c.mode);
    EXPECT_FLOAT_EQ(rc.visibleSize.x, c.visibleWidth);
    EXPECT_FLOAT_EQ(rc.areaSize.y, c.area.height);
    EXPECT_FLOAT_EQ(rc.view._11, c.sx);
    EXPECT_FLOAT_EQ(rc.view._22, c.sy);
    EXPECT_FLOAT_EQ(rc.view._41, c.area.x + c.left);
    EXPECT_FLOAT_EQ(rc.view._42, c.area.y + c.top);
    EXPECT_FLOAT_EQ(rc.areaView._41, c.left);
    EXPECT_FLOAT_EQ(rc.areaView._42, c.top);
    EXPECT_NEAR(rc.areaExtent.x, c.extentX, 1e-3);
    EXPECT_NEAR(rc.areaExtent.y, c.extentY, 1e-3);
    D3DXVECTOR3 back = Apply(rc.inverseView, rc.view._41 + 8 * c.sx, rc.view._42 + 4 * c.sy);
    EXPECT_NEAR(back.x, 8.0f, 1e-3);
    EXPECT_NEAR(back.y, 4.0f, 1e-3);
  }
}

TEST(RenderContextFit, EmptyPictureOrAreaGivesFiniteMatrices) {
  for (FloatRect visible : {FloatRect{0, 0, 0, 0}, FloatRect{0, 0, 100, 0}, FloatRect{0, 0, 0, 100}}) {
    for (FloatRect area : {FloatRect{0, 0, 0, 0}, FloatRect{0, 0, 640, 480}}) {
      for (int mode : {kFitStretch, kFitLetterbox, kFitCrop, kFitOffscreenStretch}) {
        RenderContext rc;
        rc.FitView(area, visible, mode);
        EXPECT_TRUE(AllFinite(rc.view) && AllFinite(rc.inverseView) && AllFinite(rc.areaView)) << mode;
        EXPECT_TRUE(std::isfinite(rc.areaExtent.x) && std::isfinite(rc.areaExtent.y));
      }
    }
  }
  ScreenFit fit;
  fit.Update(0, 0, 0, 0, kFitCrop, true);
  EXPECT_TRUE(AllFinite(fit.imageToArea) && AllFinite(fit.fill) && AllFinite(fit.projection));
}

struct ScreenFitCase {
  const char* name;
  int w, h;
  uint32_t imageWidth, imageHeight;
  int mode;
  bool locked;
  int32_t fitted[4];
  float imageScale, targetX, targetY, moveX, moveY, fillX, fillY, offsetX, offsetY;
};

TEST(RenderContextFit, ScreenFitMapsThePictureIntoTheArea) {
  const ScreenFitCase cases[] = {
      {"fills the width", 800, 600, 400, 300, kFitLetterbox, true, {0, 0, 800, 600}, 0.5f, 1, 1, 0, 0, 1, 1, 0, 0},
      {"taller, crop", 800, 600, 400, 400, kFitCrop, true, {100, 0, 700, 600}, 400.0f / 600, 800.0f / 600, 1, 100, 0,
       800.0f / 600, 800.0f / 600, -50, -50},
      {"taller, stretch", 800, 600, 400, 400, kFitStretch, true, {100, 0, 700, 600}, 400.0f / 600, 800.0f / 600, 1,
       100, 0, 800.0f / 600, 1, -50, 0},
      {"taller, letterbox", 800, 600, 400, 400, kFitLetterbox, true, {100, 0, 700, 600}, 400.0f / 600, 800.0f / 600,
       1, 100, 0, 1, 1, 0, 0},
      // Unlocked: the corners go to the 1600 x 1200 back buffer.
      {"unlocked", 800, 600, 400, 400, kFitCrop, false, {200, 0, 1400, 1200}, 400.0f / 600, 1600.0f / 1200, 1, 100, 0,
       (2 * 200.0f + 1200) / 1200, (2 * 200.0f + 1200) / 1200, -50, -50},
  };
  SetBackBufferInfo(1600, 1200);
  for (const ScreenFitCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScreenFit fit;
    fit.Update(c.w, c.h, c.imageWidth, c.imageHeight, c.mode, c.locked);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(fit.fitted[i], c.fitted[i]) << i;
    EXPECT_FLOAT_EQ(fit.imageScale, c.imageScale);
    EXPECT_FLOAT_EQ(fit.targetToFitted[0], c.targetX);
    EXPECT_FLOAT_EQ(fit.targetToFitted[1], c.targetY);
    EXPECT_FLOAT_EQ(fit.imageToArea._11, 1.0f / c.imageScale);
    EXPECT_FLOAT_EQ(fit.imageToArea._41, c.moveX);
    EXPECT_FLOAT_EQ(fit.imageToArea._42, c.moveY);
    EXPECT_FLOAT_EQ(1.0f / fit.inverseFill[0], c.fillX);
    EXPECT_FLOAT_EQ(1.0f / fit.inverseFill[1], c.fillY);
    EXPECT_NEAR(fit.fillOffset[0], c.offsetX, 1e-3);
    EXPECT_NEAR(fit.fillOffset[1], c.offsetY, 1e-3);
    EXPECT_EQ(fit.imageSize[0], c.imageWidth);
  }
  SetBackBufferInfo(0, 0);
}

struct WorldCase {
  int mode;
  bool moving;
  // Where the object point (1, 2) lands.
  float x, y;
};

TEST(RenderContextWorld, CameraAndParallaxByFitMode) {
  // Object: translate (1, 2); base: identity; camera: scale 2; parallax: +10 x.
  const WorldCase cases[] = {
      {kFitLetterbox, false, 1, 2},
      {kFitLetterbox, true, 12, 4},
      {kFitStretch, true, 12, 4},
      {kFitOffscreenStretch, false, 1, 2},
      {kFitOffscreenStretch, true, 11, 2},
  };
  for (const WorldCase& c : cases) {
    SCOPED_TRACE(c.mode * 10 + c.moving);
    RenderContext rc;
    rc.FitView(FloatRect{0, 0, 100, 100}, FloatRect{0, 0, 100, 100}, c.mode);
    D3DXMatrixScaling(&rc.camera, 2, 2, 1);
    D3DXMatrixTranslation(&rc.parallax, 10, 0, 0);
    rc.cameraMoving = c.moving;
    D3DXMATRIX object;
    D3DXMatrixTranslation(&object, 1, 2, 0);
    D3DXVECTOR3 p = Apply(rc.WorldFor(object), 0, 0);
    EXPECT_FLOAT_EQ(p.x, c.x);
    EXPECT_FLOAT_EQ(p.y, c.y);
    D3DXMATRIX wvp;
    rc.GetWorldViewProj(&wvp, object);
    D3DXMATRIX expected = rc.WorldFor(object) * rc.view * rc.projection;
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(wvp.m[i / 4][i % 4], expected.m[i / 4][i % 4]);
  }
}

using RenderContextDevice = render_test::RenderTest;

TEST_F(RenderContextDevice, SetWorldTransformAndProjectionReachTheDevice) {
  QuadCorners area;
  area.SetRect(64, 64);
  rc_->SetView(area, 32, 16, 32, 16, kFitLetterbox, true);
  // The projection spans the render target in pixels, y downwards.
  D3DXVECTOR3 corner = Apply(rc_->projection, 64, 64);
  EXPECT_FLOAT_EQ(corner.x, 1.0f);
  EXPECT_FLOAT_EQ(corner.y, -1.0f);
  EXPECT_FLOAT_EQ(rc_->sceneSize.x, 32.0f);
  rc_->cameraMoving = true;
  D3DXMatrixTranslation(&rc_->camera, 5, 0, 0);
  D3DXMatrixTranslation(&rc_->parallax, 0, 7, 0);
  D3DXMATRIX object;
  D3DXMatrixIdentity(&object);
  rc_->SetWorldTransform(object);
  D3DXMATRIX world;
  dev_->GetTransform(D3DTS_WORLD, &world);
  EXPECT_FLOAT_EQ(world._41, 5.0f);
  EXPECT_FLOAT_EQ(world._42, 7.0f);
}

}  // namespace
