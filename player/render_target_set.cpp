#include "player/render_target_set.h"

#include <utility>

#include "platform/d3dx9/d3dx9_tex.h"
#include "player/current_device.h"

namespace {

void BindLevel0(IDirect3DDevice9* device, IDirect3DTexture9* texture) {
  if (!device || !texture) return;
  ComPtr<IDirect3DSurface9> surface;
  if (SUCCEEDED(texture->GetSurfaceLevel(0, surface.ReleaseAndGetAddressOf()))) device->SetRenderTarget(0, surface);
}

bool g_deferredTargets = false;

}  // namespace

DeferredTargets::DeferredTargets() : previous_(g_deferredTargets) { g_deferredTargets = true; }
DeferredTargets::~DeferredTargets() { g_deferredTargets = previous_; }
bool DeferredTargets::Open() { return g_deferredTargets; }

bool RenderTargetSet::Create(UINT w, UINT h) {
  width = w;
  height = h;
  if (w == 0 || h == 0) return false;
  ReleaseTextures();
  if (g_deferredTargets) return true;
  int made;
  while ((made = CreateNext(w, h)) > 0) {
  }
  return made == 0;
}

int RenderTargetSet::CreateNext(UINT w, UINT h) {
  if (w == 0 || h == 0) return -1;
  IDirect3DDevice9* device = CurrentDevice();
  if (!device) return -1;
  if (width != w || height != h) {
    ReleaseTextures();
    width = w;
    height = h;
  }
  for (auto& t : textures) {
    if (t) continue;
    HRESULT hr = device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                       t.ReleaseAndGetAddressOf(), nullptr);
    if (FAILED(hr) || !t) {
      lastError = FAILED(hr) ? hr : E_FAIL;
      ReleaseTextures();
      return -1;
    }
    break;
  }
  for (auto& t : textures)
    if (!t) return 1;
  active = textures[activeIndex == 1 ? 1 : 0];
  return 0;
}

void RenderTargetSet::TakeFrom(RenderTargetSet& other) {
  if (&other == this) return;
  for (int i = 0; i < 3; ++i) {
    textures[i] = std::move(other.textures[i]);
    taken_[i] = textures[i] != nullptr;
  }
  width = other.width;
  height = other.height;
  other.ReleaseTextures();
  active = textures[activeIndex == 1 ? 1 : 0];
}

void RenderTargetSet::ClearTaken() {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || !(taken_[0] || taken_[1] || taken_[2])) return;
  // What the other slide drew must not show through in this one.
  ComPtr<IDirect3DSurface9> target, depth;
  device->GetRenderTarget(0, target.ReleaseAndGetAddressOf());
  device->GetDepthStencilSurface(depth.ReleaseAndGetAddressOf());
  device->SetDepthStencilSurface(nullptr);
  for (int i = 0; i < 3; ++i) {
    if (!taken_[i]) continue;
    taken_[i] = false;
    if (!textures[i]) continue;
    BindLevel0(device, textures[i]);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  }
  if (target) device->SetRenderTarget(0, target);
  device->SetDepthStencilSurface(depth);
}

void RenderTargetSet::CreateFromTexture(IDirect3DTexture9* texture, UINT w, UINT h) {
  Create(w, h);
  if (!texture) return;
  width = w;
  height = h;
  LoadActiveFrom(texture);
}

void RenderTargetSet::LoadActiveFrom(IDirect3DTexture9* texture) {
  if (!texture || !active) return;
  ComPtr<IDirect3DSurface9> src, dst;
  if (SUCCEEDED(texture->GetSurfaceLevel(0, src.ReleaseAndGetAddressOf())) &&
      SUCCEEDED(active->GetSurfaceLevel(0, dst.ReleaseAndGetAddressOf())))
    D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0);
}

void RenderTargetSet::Begin() {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device) return;
  ClearTaken();
  device->GetRenderTarget(0, savedTarget.ReleaseAndGetAddressOf());
  device->GetDepthStencilSurface(savedDepth.ReleaseAndGetAddressOf());
  BindLevel0(device, active);
  device->SetDepthStencilSurface(nullptr);
}

ComPtr<IDirect3DTexture9>* RenderTargetSet::End(bool clear) {
  IDirect3DDevice9* device = CurrentDevice();
  if (device) {
    if (savedTarget) device->SetRenderTarget(0, savedTarget);
    device->SetDepthStencilSurface(savedDepth);
    if (clear) device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FFFFFF, 1.0f, 0);
  }
  savedTarget = nullptr;
  savedDepth = nullptr;
  return &active;
}

void RenderTargetSet::Select(int32_t index) {
  ClearTaken();
  activeIndex = index;
  if (index >= 0 && index < 3) active = textures[index];
  BindLevel0(CurrentDevice(), active);
}

ComPtr<IDirect3DTexture9>* RenderTargetSet::SwapSpare(bool clear) {
  ClearTaken();
  int32_t a = activeIndex == 1 ? 1 : 0;
  if (clear) {
    std::swap(textures[a], textures[2]);
    Select(a);
    if (IDirect3DDevice9* device = CurrentDevice()) device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  } else {
    std::swap(textures[(a + 1) % 2], textures[2]);
  }
  return &textures[(a + 1) % 2];
}

void RenderTargetSet::ReleaseTextures() {
  active = nullptr;
  for (auto& t : textures) t = nullptr;
  for (bool& t : taken_) t = false;
}
