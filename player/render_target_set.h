#pragma once
// Three render-target textures of one size: a ping-pong pair and a spare,
// with the one being drawn into. Used by the slide render context and kept
// per GUID by the document resource manager.
#include <cstdint>

#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"

// Open while slides are built whose device memory is let go right after:
// their target sets are not made just to be dropped.
class DeferredTargets {
 public:
  DeferredTargets();
  ~DeferredTargets();
  DeferredTargets(const DeferredTargets&) = delete;
  DeferredTargets& operator=(const DeferredTargets&) = delete;
  static bool Open();

 private:
  bool previous_;
};

class RenderTargetSet {
 public:
  RenderTargetSet() = default;
  RenderTargetSet(const RenderTargetSet&) = delete;
  RenderTargetSet& operator=(const RenderTargetSet&) = delete;

  // False for a zero size or when a target cannot be made. While a
  // DeferredTargets scope is open only the size is kept: the set is as one
  // let go, made when its slide is prepared or starts.
  bool Create(UINT w, UINT h);
  // Makes one more of the three targets at this size (a set of another size
  // is let go first), so a set can be made a target at a time. 1 while some
  // are still missing, 0 once all three exist, -1 when one cannot be made.
  int CreateNext(UINT w, UINT h);
  // Takes the other set's three targets (it keeps none). They read as
  // transparent black, as new ones: each is cleared when the set is next
  // drawn into, so a slide that never draws into it pays no clear.
  void TakeFrom(RenderTargetSet& other);
  // Create, then level 0 of the texture copied into the active target.
  void CreateFromTexture(IDirect3DTexture9* texture, UINT w, UINT h);
  // Level 0 of the texture copied into the active target, filtered to its size.
  void LoadActiveFrom(IDirect3DTexture9* texture);
  // Binds the active target as render target 0 without depth-stencil,
  // saving the device's own.
  void Begin();
  // Restores the saved surfaces (clearing to transparent white when asked).
  ComPtr<IDirect3DTexture9>* End(bool clear);
  void Select(int32_t index);
  ComPtr<IDirect3DTexture9>* SwapSpare(bool clear);
  // Releases the active texture and the three targets (device loss).
  void ReleaseTextures();

  UINT width = 0;
  UINT height = 0;
  ComPtr<IDirect3DTexture9> active;
  ComPtr<IDirect3DTexture9> textures[3];
  ComPtr<IDirect3DSurface9> savedTarget;
  ComPtr<IDirect3DSurface9> savedDepth;
  int32_t activeIndex = 0;
  HRESULT lastError = 0;

 private:
  void ClearTaken();

  bool taken_[3] = {};
};
