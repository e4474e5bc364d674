#include "player/render_surfaces.h"

#include <algorithm>
#include <cmath>

#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "player/current_device.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"

namespace {

void BindLevel0(IDirect3DDevice9* d, IDirect3DTexture9* texture) {
  if (!d || !texture) return;
  ComPtr<IDirect3DSurface9> surface;
  if (SUCCEEDED(texture->GetSurfaceLevel(0, surface.ReleaseAndGetAddressOf()))) d->SetRenderTarget(0, surface);
}

}  // namespace

ComPtr<IDirect3DTexture9> CreateRenderTargetTexture(UINT width, UINT height) {
  ComPtr<IDirect3DTexture9> texture;
  IDirect3DDevice9* d = CurrentDevice();
  if (!d || width == 0 || height == 0) return texture;
  if (FAILED(d->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                              texture.ReleaseAndGetAddressOf(), nullptr)))
    texture = nullptr;
  return texture;
}

void ZVI_PrerenderSurface::OnReset() {
  OnLost();
  texture = CreateRenderTargetTexture(width, height);
}

bool ZVI_PrerenderEffect::LoadEffect(const DS_HLSLEffectFile& link) {
  effect = nullptr;
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return false;
  ID3DXEffect* e = nullptr;
  manager->GetEffect(&e, link);
  effect.Attach(e);
  return e != nullptr;
}

void ZVI_BlurEffect::OnLost() {
  targetA = nullptr;
  targetB = nullptr;
  targetStep_ = 0;
}

void ZVI_BlurEffect::ComputeTargetSize() {
  const uint32_t p = 100u - std::min(quality.value, 80u);
  auto scaled = [p](UINT full) {
    const uint32_t product = full * p;
    const float side = static_cast<float>(product) / 100.0f;
    return std::max<UINT>(1u, static_cast<UINT>(side));
  };
  scaledWidth = scaled(fullWidth);
  scaledHeight = scaled(fullHeight);
}

// Whole at once: also ends any steps made ahead.
bool ZVI_BlurEffect::CreateTargets() {
  if (scaledWidth == 0 || scaledHeight == 0) return false;
  targetStep_ = 0;
  while (!CreateTargetStep()) {
  }
  return targetA && targetB;
}

bool ZVI_BlurEffect::CreateTargetStep() {
  if (scaledWidth == 0 || scaledHeight == 0) return true;  // none to make
  if (targetStep_ == 0) {
    JoinCurrentDocument();
    targetA = nullptr;
    targetB = nullptr;
    targetA = CreateRenderTargetTexture(scaledWidth, scaledHeight);
    targetStep_ = 1;
    return false;
  }
  targetB = CreateRenderTargetTexture(scaledWidth, scaledHeight);
  targetStep_ = 0;
  return true;
}

bool ZVI_BlurEffect::Begin(DS_2D_Light* context) {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d || !context || !targetA || !targetB || begun_) return false;
  context->flags |= kLightBlurTarget;
  d->GetRenderTarget(0, savedTarget.ReleaseAndGetAddressOf());
  d->GetDepthStencilSurface(savedDepth.ReleaseAndGetAddressOf());
  BindLevel0(d, targetA);
  d->SetDepthStencilSurface(nullptr);
  context->PushTarget(static_cast<int>(scaledWidth), static_cast<int>(scaledHeight), kFitOffscreenStretch);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  begun_ = true;
  return true;
}

void ZVI_BlurEffect::Pass(DS_2D_Light* context, IDirect3DTexture9* destination, IDirect3DTexture9* source,
                          const char* technique) {
  IDirect3DDevice9* d = CurrentDevice();
  BindLevel0(d, destination);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  effect->SetTexture("Texture", source);
  effect->SetTechnique(technique);
  ID3DXEffect* e = effect.Get();
  context->DrawGeometry(context->GetScreenQuad(), &e);
}

void ZVI_BlurEffect::GaussianBlur(DS_2D_Light* context, int n) {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d || !context || !begun_) return;
  begun_ = false;
  if (effect) {
    effect->SetFloat("TexW", static_cast<float>(scaledWidth));
    effect->SetFloat("TexH", static_cast<float>(scaledHeight));
    Pass(context, targetB, targetA, "GaussianBlurVFirst");
    Pass(context, targetA, targetB, "GaussianBlurH");
    for (int i = 0; i < n; ++i) {
      Pass(context, targetB, targetA, "GaussianBlurV");
      Pass(context, targetA, targetB, "GaussianBlurH");
    }
  }
  if (savedTarget) d->SetRenderTarget(0, savedTarget);
  d->SetDepthStencilSurface(savedDepth);
  savedTarget = nullptr;
  savedDepth = nullptr;
  context->PopTarget();
  context->flags &= ~kLightBlurTarget;
}

ZVI_BlurSurface::ZVI_BlurSurface() { qualityControl.Attach(&quality); }

void ZVI_BlurSurface::OnReset() {
  if (fullWidth != 0 && fullHeight != 0) {
    ComputeTargetSize();
    CreateTargets();
  }
}

bool ZVI_BlurSurface::PrepareStep() {
  if (fullWidth == 0 || fullHeight == 0) return true;
  if (targetStep_ == 0) ComputeTargetSize();
  return CreateTargetStep();
}

void ZVI_BlurSurface::OnResize() {
  RenderContext* rc = CurrentRenderContext();
  if (!rc) return;
  fullWidth = static_cast<UINT>(rc->sceneSize.x);
  fullHeight = static_cast<UINT>(rc->sceneSize.y);
  if (fullWidth != 0 && fullHeight != 0) {
    ComputeTargetSize();
    CreateTargets();
  }
}

void ZVI_BlurSurface::OnQualityChanged() {
  ComputeTargetSize();
  targetA = nullptr;
  targetB = nullptr;
  CreateTargets();
}

void ZVI_InnerGlowEffect::OnLost() {
  ZVI_BlurEffect::OnLost();
  targetC = nullptr;
}

void ZVI_InnerGlowEffect::OnReset() {
  if (fullWidth != 0 && fullHeight != 0) {
    ComputeTargetSize();
    CreateTargets();
    CreateThirdTarget();
  }
}

// Targets A and B in steps, then the third.
bool ZVI_InnerGlowEffect::PrepareStep() {
  if (fullWidth == 0 || fullHeight == 0) return true;
  if (targetStep_ < 2) {
    if (targetStep_ == 0) ComputeTargetSize();
    if (CreateTargetStep()) targetStep_ = 2;
    return false;
  }
  CreateThirdTarget();
  targetStep_ = 0;
  return true;
}

void ZVI_InnerGlowEffect::CreateThirdTarget() {
  targetC = nullptr;
  RenderContext* rc = CurrentRenderContext();
  if (!rc) return;
  targetC = CreateRenderTargetTexture(static_cast<UINT>(rc->visibleSize.x), static_cast<UINT>(rc->visibleSize.y));
}

bool ZVI_InnerGlowEffect::Resize() {
  RenderContext* rc = CurrentRenderContext();
  if (!rc) return false;
  fullWidth = static_cast<UINT>(rc->sceneSize.x);
  fullHeight = static_cast<UINT>(rc->sceneSize.y);
  if (fullWidth == 0 || fullHeight == 0) return false;
  ComputeTargetSize();
  CreateTargets();
  CreateThirdTarget();
  return true;
}
