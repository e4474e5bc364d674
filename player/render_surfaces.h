#pragma once
// Objects that own default-pool render targets and follow the device through
// loss and reset: a plain prerender surface and the blur family, which draws
// content into a reduced-size target and blurs it with separable Gaussian
// passes of an effect. (The texture helpers are in doc_res_manager.h.)
#include <cstdint>

#include "core/media_param.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "player/doc_res_manager.h"
#include "player/file_links.h"
#include "player/texture_cache.h"

#include "platform/d3dx9/d3dx9_effect.h"
class DS_2D_Light;

// A render-target texture: 1 level, A8R8G8B8, default pool. Null on failure.
ComPtr<IDirect3DTexture9> CreateRenderTargetTexture(UINT width, UINT height);

class ZVI_PrerenderSurface : public ZVI_LosableObj {
 public:
  ZVI_PrerenderSurface() = default;
  ~ZVI_PrerenderSurface() override = default;

  void OnLost() override { texture = nullptr; }
  // A new texture of width x height (nothing for a zero size).
  void OnReset() override;

  UINT width = 0;
  UINT height = 0;
  ComPtr<IDirect3DTexture9> texture;
  ComPtr<IDirect3DSurface9> savedTarget;
  ComPtr<IDirect3DSurface9> savedDepth;
};

class ZVI_PrerenderEffect : public ZVI_LosableObj {
 public:
  ~ZVI_PrerenderEffect() override = default;

  // The effect of the link in the current document (the blur and glow
  // effect 202 of the resource pack by default); false when there is none.
  bool LoadEffect(const DS_HLSLEffectFile& link = DS_HLSLEffectFile(u"common_res.dll", 202));

  UINT fullWidth = 0;
  UINT fullHeight = 0;
  UINT scaledWidth = 0;
  UINT scaledHeight = 0;
  ComPtr<IDirect3DSurface9> savedTarget;
  ComPtr<IDirect3DSurface9> savedDepth;
  ComPtr<ID3DXEffect> effect;
};

class ZVI_BlurEffect : public ZVI_PrerenderEffect {
 public:
  ~ZVI_BlurEffect() override = default;

  void OnLost() override;
  void OnReset() override { CreateTargets(); }
  bool PrepareStep() override { return CreateTargetStep(); }

  // Each side max(1, side x (100 - min(quality, 80)) / 100).
  void ComputeTargetSize();
  // Targets A and B at the scaled size; false for a zero size or a failure.
  bool CreateTargets();
  // Makes target A current (cleared, with the context's view pushed) for the
  // owner to draw what is to be blurred. False, nothing changed, without
  // targets.
  bool Begin(DS_2D_Light* context);
  // Two passes, then n pairs; the result is in target A. Restores the
  // target and the view. Without an effect the content stays unblurred.
  void GaussianBlur(DS_2D_Light* context, int n);

  MediaParamT<unsigned int> quality{0u};
  ComPtr<IDirect3DTexture9> targetA;
  ComPtr<IDirect3DTexture9> targetB;

 protected:
  void Pass(DS_2D_Light* context, IDirect3DTexture9* destination, IDirect3DTexture9* source, const char* technique);
  // CreateTargets made in steps, target A in the first and B in the second:
  // true after the last.
  bool CreateTargetStep();
  bool begun_ = false;
  int targetStep_ = 0;  // of the steps made ahead; 0 again when whole or lost
};

class ZVI_BlurSurface : public ZVI_BlurEffect {
 public:
  ZVI_BlurSurface();
  ~ZVI_BlurSurface() override = default;

  void OnReset() override;
  bool PrepareStep() override;
  // Full size = the render context's scene size.
  void OnResize() override;
  void OnQualityChanged();

  SmartCalbackCtrl<ZVI_BlurSurface> qualityControl{&ZVI_BlurSurface::OnQualityChanged, this};
};

class ZVI_InnerGlowEffect : public ZVI_BlurEffect {
 public:
  ~ZVI_InnerGlowEffect() override = default;

  // Also releases the third target, which lives in the default pool.
  void OnLost() override;
  // As the blur surface, and the third target again at the visible size.
  void OnReset() override;
  bool PrepareStep() override;
  void OnResize() override { Resize(); }
  // Full size from the scene size, targets A and B, and the third target at
  // the render context's visible size; false for a zero scene size.
  bool Resize();

  ComPtr<IDirect3DTexture9> targetC;

 private:
  void CreateThirdTarget();
};
