#include "player/render_context.h"

#include <cmath>

#include "platform/d3d9/d3d9.h"
#include "player/current_device.h"
#include "player/meshes.h"

namespace {

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

D3DXMATRIX Scale(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, x, y, z);
  return m;
}

D3DXMATRIX Translate(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

// Divisions that would not give a finite number give the fallback instead,
// so a picture or area of zero size still yields usable matrices.
float SafeDiv(float a, float b, float fallback = 1.0f) {
  if (b == 0.0f) return fallback;
  float r = a / b;
  return std::isfinite(r) ? r : fallback;
}

// Orthographic over a target of w x h pixels, y downwards. Without a target
// (no device, zero size) a 1-pixel span keeps the matrix finite.
D3DXMATRIX PixelProjection(float w, float h) {
  D3DXMATRIX m;
  D3DXMatrixOrthoOffCenterLH(&m, 0.0f, w > 0.0f ? w : 1.0f, h > 0.0f ? h : 1.0f, 0.0f, -5000.0f, 5000.0f);
  return m;
}

D3DSURFACE_DESC DescribeSurface(bool backBuffer) {
  D3DSURFACE_DESC desc{};
  IDirect3DDevice9* device = CurrentDevice();
  if (!device) return desc;
  IDirect3DSurface9* surface = nullptr;
  HRESULT hr = backBuffer ? device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)
                          : device->GetRenderTarget(0, &surface);
  if (SUCCEEDED(hr) && surface) {
    surface->GetDesc(&desc);
    surface->Release();
  }
  return desc;
}

}  // namespace

D3DSURFACE_DESC GetBackBufferDesc() { return DescribeSurface(true); }
D3DSURFACE_DESC GetRenderTargetDesc() { return DescribeSurface(false); }

void SetBackBufferCorners(QuadCorners* corners) {
  corners->Reset();
  D3DSURFACE_DESC d = GetBackBufferDesc();
  corners->SetRect(static_cast<float>(d.Width), static_cast<float>(d.Height));
}

void FitImageCorners(QuadCorners* corners, uint32_t imageWidth, uint32_t imageHeight, float w, float h) {
  corners->Reset();
  float r = SafeDiv(static_cast<float>(imageHeight), static_cast<float>(imageWidth));
  float left = 0.0f, top = 0.0f, width, height;
  if (r > SafeDiv(h, w)) {
    height = h;
    width = SafeDiv(h, r, 0.0f);
    left = (w - width) * 0.5f;
  } else {
    width = w;
    height = w * r;
    top = (h - height) * 0.5f;
  }
  float right = left + width, bottom = top + height;
  corners->c[0].x = left;  corners->c[0].y = bottom;
  corners->c[1].x = left;  corners->c[1].y = top;
  corners->c[2].x = right; corners->c[2].y = bottom;
  corners->c[3].x = right; corners->c[3].y = top;
}

void ScaleCornersToBackBuffer(QuadCorners* corners, int w, int h) {
  const BackBufferInfo& bb = GetBackBufferInfo();
  float sx = SafeDiv(static_cast<float>(bb.width), static_cast<float>(w));
  float sy = SafeDiv(static_cast<float>(bb.height), static_cast<float>(h));
  for (auto& c : corners->c) {
    c.x *= sx;
    c.y *= sy;
  }
}

ScreenFit::ScreenFit()
    : imageToArea(Identity()), fill(Identity()), world(Identity()), projection(Identity()) {
  D3DXVECTOR3 eye(0.0f, 0.0f, -1.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  screenMatrices[0] = Identity();
  screenMatrices[1] = Identity();
}

void ScreenFit::Update(int w, int h, uint32_t imageWidth, uint32_t imageHeight, int mode, bool locked) {
  fitMode = mode;
  imageSize[0] = imageWidth;
  imageSize[1] = imageHeight;
  QuadCorners corners;
  FitImageCorners(&corners, imageWidth, imageHeight, static_cast<float>(w), static_cast<float>(h));
  auto takeRect = [&] {
    fitted[0] = static_cast<int32_t>(corners.c[0].x);
    fitted[1] = static_cast<int32_t>(corners.c[1].y);
    fitted[2] = static_cast<int32_t>(corners.c[3].x);
    fitted[3] = static_cast<int32_t>(corners.c[2].y);
  };
  takeRect();
  float fittedWidth = corners.c[3].x - corners.c[0].x;
  imageScale = fittedWidth == static_cast<float>(w) ? SafeDiv(static_cast<float>(imageWidth), static_cast<float>(w))
                                                    : SafeDiv(static_cast<float>(imageHeight), static_cast<float>(h));
  if (!locked) {
    ScaleCornersToBackBuffer(&corners, w, h);
    takeRect();
  }
  projection = PixelProjection(static_cast<float>(w), static_cast<float>(h));
  float bw = locked ? static_cast<float>(w) : static_cast<float>(GetBackBufferInfo().width);
  float bh = locked ? static_cast<float>(h) : static_cast<float>(GetBackBufferInfo().height);
  float left = static_cast<float>(fitted[0]), top = static_cast<float>(fitted[1]);
  float fw = static_cast<float>(fitted[2] - fitted[0]), fh = static_cast<float>(fitted[3] - fitted[1]);
  targetToFitted[0] = SafeDiv(bw, fw);
  targetToFitted[1] = SafeDiv(bh, fh);
  float inv = SafeDiv(1.0f, imageScale);
  imageToArea = Scale(inv, inv, 1.0f) * Translate(left * SafeDiv(static_cast<float>(w), bw),
                                                  top * SafeDiv(static_cast<float>(h), bh), 0.0f);
  if (IDirect3DDevice9* device = CurrentDevice()) {
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
  }
  float sx = 1.0f, sy = 1.0f;
  if (mode == kFitStretch || mode == kFitOffscreenStretch) {
    sx = SafeDiv(2.0f * left + fw, fw);
    sy = SafeDiv(2.0f * top + fh, fh);
  } else if (mode == kFitCrop) {
    float s = left != 0.0f ? SafeDiv(2.0f * left + fw, fw) : SafeDiv(2.0f * top + fh, fh);
    sx = sy = s;
  }
  fillOffset[0] = (1.0f - sx) * 0.5f * static_cast<float>(imageWidth) / sx;
  fillOffset[1] = (1.0f - sy) * 0.5f * static_cast<float>(imageHeight) / sy;
  inverseFill[0] = 1.0f / sx;
  inverseFill[1] = 1.0f / sy;
  fill = Translate(fillOffset[0], fillOffset[1], 0.0f) * Scale(sx, sy, 1.0f);
}

RenderContext::RenderContext()
    : projection(Identity()),
      view(Identity()),
      areaView(Identity()),
      inverseView(Identity()),
      baseWorld(Identity()),
      spare(Identity()),
      camera(Identity()),
      parallax(Identity()) {
  for (auto& b : borders) b = std::make_unique<ColorQuad>();
}

RenderContext::~RenderContext() = default;

RenderContext* CreateRenderContext() {
  auto* context = new RenderContext();
  context->screenFit = std::make_unique<ScreenFit>();
  return context;
}

void DestroyRenderContext(RenderContext* context) { delete context; }

void RenderContext::SetView(const QuadCorners& corners, uint32_t sceneWidth, uint32_t sceneHeight,
                            uint32_t visibleWidth, uint32_t visibleHeight, int mode, bool locked) {
  FloatRect area{corners.c[0].x, corners.c[1].y, corners.c[3].x - corners.c[0].x, corners.c[2].y - corners.c[1].y};
  FloatRect visible{0.0f, 0.0f, static_cast<float>(visibleWidth), static_cast<float>(visibleHeight)};
  FitView(area, visible, mode);
  sceneSize = D3DXVECTOR2(static_cast<float>(sceneWidth), static_cast<float>(sceneHeight));
  if (screenFit)
    screenFit->Update(static_cast<int>(area.width), static_cast<int>(area.height), sceneWidth, sceneHeight, mode,
                      locked);
}

void RenderContext::FitView(const FloatRect& A, const FloatRect& V, int mode) {
  visibleSize = D3DXVECTOR2(V.width, V.height);
  areaSize = D3DXVECTOR2(A.width, A.height);
  fitMode = mode;
  float W = A.width, H = A.height, left = 0.0f, top = 0.0f;
  float vr = SafeDiv(V.height, V.width), ar = SafeDiv(A.height, A.width);
  if (mode == kFitLetterbox || mode == kFitCrop) {
    bool taller = vr > ar;
    if (taller == (mode == kFitLetterbox)) {
      H = A.height;
      W = SafeDiv(A.height, vr, A.width);
      left = (A.width - W) * 0.5f;
    } else {
      W = A.width;
      H = vr * A.width;
      top = (A.height - H) * 0.5f;
    }
  }
  areaExtent = D3DXVECTOR2(SafeDiv(V.width, W) * (A.width - left), SafeDiv(V.height, H) * (A.height - top));
  D3DSURFACE_DESC rt = GetRenderTargetDesc();
  projection = PixelProjection(static_cast<float>(rt.Width), static_cast<float>(rt.Height));
  D3DXMATRIX s = Scale(SafeDiv(W, V.width), SafeDiv(H, V.height), 1.0f);
  view = s * Translate(A.x + left, A.y + top, 0.0f);
  if (!D3DXMatrixInverse(&inverseView, nullptr, &view)) D3DXMatrixIdentity(&inverseView);
  areaView = s * Translate(left, top, 0.0f);
  const float big = 1000.0f;
  const float vw = V.width, vh = V.height;
  const float rects[4][4] = {
      {-big, -big, vw + big, 0.0f},      // top
      {-big, -big, 0.0f, vh + big},      // left
      {-big, vh, vw + big, vh + big},    // bottom
      {vw, -big, vw + big, vh + big},    // right
  };
  for (int i = 0; i < 4; ++i) {
    if (!borders[i] || !borders[i]->Lock()) continue;
    borders[i]->SetRect(QuadRect{rects[i][0], rects[i][1], rects[i][2] - rects[i][0], rects[i][3] - rects[i][1]});
    borders[i]->Unlock();
  }
}

D3DXMATRIX RenderContext::WorldFor(const D3DXMATRIX& m) const {
  D3DXMATRIX world;
  if (fitMode == kFitOffscreenStretch) world = m;
  else world = m * (cameraMoving ? camera : baseWorld);
  if (cameraMoving) world = world * parallax;
  return world;
}

void RenderContext::SetWorldTransform(const D3DXMATRIX& m) const {
  D3DXMATRIX world = WorldFor(m);
  if (IDirect3DDevice9* device = CurrentDevice()) device->SetTransform(D3DTS_WORLD, &world);
}

void RenderContext::GetWorldViewProj(D3DXMATRIX* out, const D3DXMATRIX& m) const {
  *out = WorldFor(m) * view * projection;
}

void RenderContext::DrawBorders() const {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device) return;
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTransform(D3DTS_WORLD, &baseWorld);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  for (const auto& b : borders) {
    if (!b || !b->vertexBuffer) continue;
    device->SetStreamSource(0, b->vertexBuffer.Get(), 0, 16);
    device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(b->primitiveType), 0, static_cast<UINT>(b->primitiveCount));
  }
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
}
