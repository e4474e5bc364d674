#include "player/slide_show.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "core/time_params.h"
#include "platform/d3d9/d3d9.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"

namespace {

uint8_t AlphaByte(float a) {
  float scaled = a * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return static_cast<uint8_t>(static_cast<int32_t>(scaled));
}

}  // namespace

// ---------------------------------------------------------------------------

ScreenQuad::~ScreenQuad() = default;

void ScreenQuad::Create(const QuadCorners& corners, uint32_t argb) {
  CreateVertices(4, sizeof(DX_V::RHWC), DX_V::RHWC::FVF);
  primitiveType = D3DPT_TRIANGLESTRIP;
  primitiveCount = 2;
  for (DX_V::RHWC& v : vertices) v.color = argb;
  SetCorners(corners);
}

void ScreenQuad::SetCorners(const QuadCorners& corners) {
  for (int i = 0; i < 4; ++i) {
    vertices[i].x = corners.c[i].x;
    vertices[i].y = corners.c[i].y;
    vertices[i].z = 0.0f;
    vertices[i].rhw = corners.c[i].z;
  }
  Upload();
}

void ScreenQuad::SetVertexAlphas(float a0, float a1, float a2, float a3) {
  const float a[4] = {a0, a1, a2, a3};
  for (int i = 0; i < 4; ++i) {
    vertices[i].color = (vertices[i].color & 0x00FFFFFFu) | (static_cast<uint32_t>(AlphaByte(a[i])) << 24);
  }
  Upload();
}

void ScreenQuad::Upload() {
  if (void* data = Lock()) {
    std::memcpy(data, vertices, sizeof(vertices));
    Unlock();
  }
}

TexturedScreenQuad::~TexturedScreenQuad() = default;

void TexturedScreenQuad::Create(IDirect3DTexture9* tex, const QuadCorners& corners) {
  texture = ComPtr<IDirect3DTexture9>(tex);
  CreateScreenQuadTex1();
  primitiveType = D3DPT_TRIANGLESTRIP;
  primitiveCount = 2;
  for (DX_V::RHWCT& v : vertices) v.color = 0xFFFFFFFFu;
  SetCorners(corners);
}

void TexturedScreenQuad::CreateFromResource(const QuadCorners& corners) { Create(nullptr, corners); }

void TexturedScreenQuad::SetCorners(const QuadCorners& corners) {
  for (int i = 0; i < 4; ++i) {
    vertices[i].x = corners.c[i].x;
    vertices[i].y = corners.c[i].y;
    vertices[i].z = 0.0f;
    vertices[i].rhw = corners.c[i].z;
    vertices[i].u = corners.c[i].u;
    vertices[i].v = corners.c[i].v;
  }
  Upload();
}

void TexturedScreenQuad::SetScaledTextureCopy(IDirect3DTexture9* source, int n) {
  const UINT size = 128u << std::clamp(n, 0, 5);
  secondTexture = CopyTextureResized(source, size, size, D3DFMT_A8R8G8B8);
}

void TexturedScreenQuad::Upload() {
  if (void* data = Lock()) {
    std::memcpy(data, vertices, sizeof(vertices));
    Unlock();
  }
}

// ---------------------------------------------------------------------------

float SlideFadeAlpha(float e, float fadeIn, float show, float fadeOut, int32_t mode) {
  float alpha = 0.0f;
  if (fadeIn > e) {
    alpha = (fadeIn - e) / fadeIn;
  } else if (mode != kSlideModeUntilLink && e > fadeIn + show) {
    alpha = (e - (fadeIn + show)) / fadeOut;
  }
  // Zero fades divide by zero; a broken value shows the slide.
  if (std::isnan(alpha)) return 0.0f;
  return std::fmin(1.0f, std::fmax(0.0f, alpha));
}

// ---------------------------------------------------------------------------

DS_SlideShow_Light::DS_SlideShow_Light() = default;

DS_SlideShow_Light::~DS_SlideShow_Light() {
  // The thread's slot must not name a context freed with this document.
  if (renderContext && CurrentRenderContext() == renderContext.get()) SetCurrentRenderContext(nullptr);
}

void DS_SlideShow_Light::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  // Every slide record holds at least its class name and version.
  uint32_t count = ar.ReadCount(8);
  for (uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<DS_SlideContainer> slide = ReadObjectOf<DS_SlideContainer>(ar);
    slides.push_back(DS_SafePtr<DS_SlideContainer>(slide.release()));
  }
  uint32_t entries = ar.ReadCount(8);
  for (uint32_t i = 0; i < entries; ++i) {
    zvi_string name;
    int32_t entryVersion = 0;
    ar.ReadWideString(&name);
    ar.ReadInt(&entryVersion);
    DS_SafePtr<DS_AudioFile> entry(new DS_AudioFile());
    entry->ReadRecord(ar, entryVersion);
    playlist.push_back(entry);
  }
  if (version >= 2) {
    int32_t v = 1;
    ar.ReadInt(&v);
    integerParam.value = v;
  }
}

void DS_SlideShow_Light::GetScreenRect(QuadCorners* out) {
  out->Reset();
  const BackBufferInfo& bb = GetBackBufferInfo();
  out->SetRect(static_cast<float>(bb.width), static_cast<float>(bb.height));
}

void DS_SlideShow_Light::SetRenderContext(RenderContext* context, RenderContextDeleter deleter) {
  if (context) {
    if (deleter) {
      renderContext = std::shared_ptr<RenderContext>(context, deleter);
    } else {
      renderContext = std::shared_ptr<RenderContext>(context, [](RenderContext*) {});
    }
  }
  SetCurrentRenderContext(renderContext.get());
}

void DS_SlideShow_Light::StartSlide() {
  DS_SlideContainer* slide = currentSlide.get();
  if (!slide) return;
  LosableOwnerScope owner(slide);
  DS_DocResManager* manager = CurrentDocResManager();
  // From here the device memory of other slides' objects is let go.
  if (manager) manager->SetLiveOwners(slide, nullptr);
  preparedSlide = nullptr;
  DS_ABRender* rc = slide->RenderContext();
  if (rc && GetBackBufferInfo().width != 0) {
    QuadCorners corners;
    GetScreenRect(&corners);
    rc->SetupView(corners);
  }
  if (rc) rc->RestartCamera(1);
  for (auto& obj : slide->drawnObjects) {
    if (obj) obj->ResetTiming();
  }
  if (rc) rc->OnResetDevice();
  if (manager) manager->ClearPrepared(slide);
  slide->SetObjectsRunning(true);
}

void DS_SlideShow_Light::PrepareNextSlide(float t) {
  DS_SlideContainer* slide = currentSlide.get();
  if (!slide || slides.size() < 2 || slide->Mode() == kSlideModeUntilLink) return;
  const float left = slide->FadeOut() + slide->ShowTime() + slide->FadeIn() - (t - slideStartTime);
  if (!(left < kSlidePrepareLead)) return;
  DS_SlideContainer* next = slides[nextSlideIndex < slides.size() ? nextSlideIndex : 0].get();
  if (!next || next == slide) return;
  DS_DocResManager* manager = CurrentDocResManager();
  if (preparedSlide != next) {
    preparedSlide = next;
    if (manager) manager->SetLiveOwners(slide, next);
  }
  LosableOwnerScope owner(next);
  DS_ABRender* rc = next->RenderContext();
  // The slide shown hands its targets to the next at the change: they are
  // made ahead only when it has none to hand.
  DS_2D_Light* shown = slide->renderContext.get();
  const bool handed = shown && shown->HasTargetSet();
  const auto start = std::chrono::steady_clock::now();
  // Slices until the frame's share is spent; whatever is left is made at the
  // start as before.
  do {
    const bool made = (rc && !handed && rc->PrepareTargets()) ||
                      (manager && (manager->PrepareOneObject(next) || manager->PrepareOneTargetSet(next)));
    if (!made) return;
  } while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < kSlidePrepareBudget);
}

void DS_SlideShow_Light::LeaveSlide(DS_SlideContainer* left) {
  DS_SlideContainer* shown = currentSlide.get();
  if (!left || left == shown) return;
  if (shown && shown->renderContext) shown->renderContext->TakeTargetsFrom(left->renderContext.get());
  left->ReleaseDeviceMemory();
  heapReturnDue = true;
}

void DS_SlideShow_Light::Update(float t) {
  ChronoTick(CurrentChronoContext(), t);
  lastTime = t;
  // A project without slides shows nothing but black.
  if (slides.empty()) return;

  if (currentSlide && overlay) {
    if (slides.size() >= 2) {
      DS_SlideContainer* slide = currentSlide.get();
      if (slide->Mode() != kSlideModeUntilLink &&
          t - slideStartTime > slide->FadeOut() + slide->ShowTime() + slide->FadeIn()) {
        if (DS_ABRender* rc = slide->RenderContext()) rc->PopTarget();
        slide->SetObjectsRunning(false);
        if (nextSlideIndex >= slides.size()) nextSlideIndex = 0;
        currentSlide = slides[nextSlideIndex];
        if (currentSlide.get() != slide) LeaveSlide(slide);
        slideStartTime = t;
        nextSlideIndex = nextSlideIndex + 1;
        if (nextSlideIndex >= slides.size()) nextSlideIndex = 0;
        StartSlide();
      }
      slide = currentSlide.get();
      overlayAlpha = SlideFadeAlpha(t - slideStartTime, slide->FadeIn(), slide->ShowTime(), slide->FadeOut(),
                                    slide->Mode());
      overlay->SetVertexAlphas(overlayAlpha, overlayAlpha, overlayAlpha, overlayAlpha);
      PrepareNextSlide(t);
    }
  } else {
    if (currentSlide) {
      if (DS_ABRender* rc = currentSlide->RenderContext()) rc->PopTarget();
    }
    currentSlide = slides[0];
    slideStartTime = t - currentSlide->FadeIn();
    StartSlide();
    overlay = std::make_unique<ScreenQuad>();
    QuadCorners corners;
    GetScreenRect(&corners);
    overlay->Create(corners, 0x00000000u);
    overlayAlpha = 0.0f;
  }

  DS_SlideContainer* slide = currentSlide.get();
  LosableOwnerScope owner(slide);
  float tau = t - slideStartTime;
  // Not in the frame of the change, which has the most to do.
  if (heapReturnDue && tau >= kHeapReturnDelay) {
    heapReturnDue = false;
    ReturnFreedHeapToSystem();
  }
  if (DS_ABRender* rc = slide->RenderContext()) rc->UpdateCamera(tau);
  for (auto& obj : slide->drawnObjects) {
    if (obj) obj->UpdateTime(tau);
  }
  for (auto& obj : slide->updatedObjects) {
    if (obj) obj->UpdateTime(tau);
  }
}

void DS_SlideShow_Light::Render(int argument) {
  DS_SlideContainer* slide = currentSlide.get();
  if (slide) {
    LosableOwnerScope owner(slide);
    slide->Render(slide->drawnObjects, argument);
    if (DS_ABRender* rc = slide->RenderContext()) {
      rc->EndFrame(argument);
      if (overlay) rc->DrawOverlay(overlay.get());
    }
  }
  if (IDirect3DDevice9* device = CurrentDevice()) device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_SlideShow_Light::OnLostDevice() {
  for (auto& slide : slides) {
    if (slide) slide->OnLostDevice();
  }
}

void DS_SlideShow_Light::OnResetDevice() {
  if (!currentSlide) return;
  if (DS_ABRender* rc = currentSlide->RenderContext()) rc->OnResetDevice();
}

// ---------------------------------------------------------------------------

void RegisterSlideReaders() {
  RegisterSlideContainerReader();
  RegisterTimelineReaders();
  RegisterChronoReaders();
}
