#pragma once
// The per-thread render context: how the scene (the slide picture's pixel
// space) maps onto the current render target, the border bars around the
// visible region, and the camera and parallax matrices.
#include <cstdint>
#include <memory>

#include "platform/d3dx9/d3dx9_math.h"
#include "player/quad_corners.h"

struct IDirect3DDevice9;
struct D3DSURFACE_DESC;
struct TextureInfo;
class ColorQuad;

enum FitMode : int32_t { kFitStretch = 0, kFitLetterbox = 1, kFitCrop = 2, kFitOffscreenStretch = 3 };

struct FloatRect {
  float x = 0.0f, y = 0.0f, width = 0.0f, height = 0.0f;
};

// Maps the background image into the screen area in screen units.
struct ScreenFit {
  D3DXMATRIX imageToArea;
  D3DXMATRIX fill;
  D3DXMATRIX world;
  D3DXMATRIX view;
  D3DXMATRIX projection;
  float inverseFill[2] = {1.0f, 1.0f};
  float fillOffset[2] = {0.0f, 0.0f};
  float scale = 1.0f;
  float spare[2] = {0.0f, 0.0f};
  D3DXMATRIX screenMatrices[2];
  int32_t fitMode = 1;
  uint32_t imageSize[2] = {0, 0};
  float targetToFitted[2] = {1.0f, 1.0f};
  float imageScale = 1.0f;
  int32_t fitted[4] = {0, 0, 0, 0};  // left, top, right, bottom

  ScreenFit();
  void Update(int areaWidth, int areaHeight, uint32_t imageWidth, uint32_t imageHeight, int fitMode, bool locked);
};

class RenderContext {
 public:
  RenderContext();
  ~RenderContext();
  RenderContext(const RenderContext&) = delete;
  RenderContext& operator=(const RenderContext&) = delete;

  D3DXMATRIX projection;
  D3DXMATRIX view;
  D3DXMATRIX areaView;
  D3DXMATRIX inverseView;
  D3DXMATRIX baseWorld;
  D3DXMATRIX spare;
  D3DXMATRIX camera;
  D3DXMATRIX parallax;
  D3DXVECTOR3 cameraOffset{0.0f, 0.0f, 0.0f};
  D3DXVECTOR2 visibleSize{0.0f, 0.0f};
  D3DXVECTOR2 sceneSize{0.0f, 0.0f};
  D3DXVECTOR2 areaSize{0.0f, 0.0f};
  D3DXVECTOR2 areaExtent{0.0f, 0.0f};
  bool cameraMoving = false;
  // Top, left, bottom, right.
  std::unique_ptr<ColorQuad> borders[4];
  int32_t fitMode = 1;
  std::unique_ptr<ScreenFit> screenFit;

  void SetView(const QuadCorners& corners, uint32_t sceneWidth, uint32_t sceneHeight, uint32_t visibleWidth,
               uint32_t visibleHeight, int fitMode, bool locked);
  void FitView(const FloatRect& area, const FloatRect& visible, int fitMode);
  // The world matrix an object matrix gets: camera and parallax applied.
  D3DXMATRIX WorldFor(const D3DXMATRIX& object) const;
  void SetWorldTransform(const D3DXMATRIX& object) const;
  void GetWorldViewProj(D3DXMATRIX* out, const D3DXMATRIX& object) const;
  void DrawBorders() const;
};

// A context with its screen fit, as the application and the slide show make them.
RenderContext* CreateRenderContext();
void DestroyRenderContext(RenderContext* context);

// The back buffer and current render target descriptions (zeros without a device).
D3DSURFACE_DESC GetBackBufferDesc();
D3DSURFACE_DESC GetRenderTargetDesc();

// QuadCorners routines of the screen fit.
void SetBackBufferCorners(QuadCorners* corners);
void FitImageCorners(QuadCorners* corners, uint32_t imageWidth, uint32_t imageHeight, float w, float h);
void ScaleCornersToBackBuffer(QuadCorners* corners, int w, int h);
