#pragma once
// The root of a project: the slides, the music playlist, the current slide
// and the black overlay through which slides fade out and in.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "player/meshes.h"
#include "player/audio_file.h"
#include "player/quad_corners.h"
#include "player/slide_container.h"

class DS_IOF_Archive;
class RenderContext;

// A pre-transformed vertex: pixel position, rhw and colour (FVF 0x44).
struct ScreenVertex {
  float x, y, z, rhw;
  uint32_t color;
};

// A pre-transformed coloured quad (triangle strip, FVF 0x44) on the mesh
// holder. The vertices are kept here too, so the quad can be set up before
// a device exists.
class ScreenQuad : public VertexBufferHolder {
 public:
  ScreenQuad() = default;
  ScreenQuad(const ScreenQuad&) = delete;
  ScreenQuad& operator=(const ScreenQuad&) = delete;
  ~ScreenQuad() override;

  void Create(const QuadCorners& corners, uint32_t argb);
  void SetCorners(const QuadCorners& corners);
  // The alpha byte of vertex i becomes trunc(ai x 255), clamped to 0..255.
  void SetVertexAlphas(float a0, float a1, float a2, float a3);

  const DX_V::RHWC& Vertex(int i) const { return vertices[i]; }
  IDirect3DVertexBuffer9* Buffer() const { return vertexBuffer.Get(); }

  DX_V::RHWC vertices[4] = {};

 private:
  void Upload();
};

// The same with texture coordinates and a texture (FVF 0x144).
class TexturedScreenQuad : public VertexBufferHolder {
 public:
  TexturedScreenQuad() = default;
  TexturedScreenQuad(const TexturedScreenQuad&) = delete;
  TexturedScreenQuad& operator=(const TexturedScreenQuad&) = delete;
  ~TexturedScreenQuad() override;

  void Create(IDirect3DTexture9* texture, const QuadCorners& corners);
  // The executable has no "DDS" resource 0: the quad stays without texture.
  void CreateFromResource(const QuadCorners& corners);
  void SetCorners(const QuadCorners& corners);
  // A copy of the texture resized to 128 << n texels square (n clamped to
  // 0..5, so the size stays a valid texture size) into the second texture.
  void SetScaledTextureCopy(IDirect3DTexture9* source, int n);

  DX_V::RHWCT vertices[4] = {};
  ComPtr<IDirect3DTexture9> texture;
  ComPtr<IDirect3DTexture9> secondTexture;

 private:
  void Upload();
};

// The overlay opacity at slide-local time e: fading in from black, showing,
// fading out to black (never in the stay-until-link mode). Always in [0, 1].
float SlideFadeAlpha(float e, float fadeIn, float show, float fadeOut, int32_t mode);

using RenderContextDeleter = void (*)(RenderContext*);

class DS_SlideShow_Light : public DS_IOF_Item {
 public:
  DS_SlideShow_Light();
  ~DS_SlideShow_Light() override;
  DS_SlideShow_Light(const DS_SlideShow_Light&) = delete;
  DS_SlideShow_Light& operator=(const DS_SlideShow_Light&) = delete;

  void Write(DS_IOF_Archive& ar) const override {}
  virtual void Render(int argument);
  virtual void OnLostDevice();
  virtual void OnResetDevice();
  // Per-frame step with the absolute time t in seconds.
  virtual void Update(float t);
  // Prepares the current slide: view, camera, timings, device state, running.
  virtual void StartSlide();
  // Within the last second of a timed slide, a slice of the next slide's
  // device objects is made each frame, so its start does not stall (its
  // targets are those of the slide shown, handed over at the change).
  void PrepareNextSlide(float t);
  // The slide left lets go of its device memory; the slide now current takes
  // its targets first when its own were not made ahead (a link jump).
  void LeaveSlide(DS_SlideContainer* left);
  // The whole back buffer in strip order.
  virtual void GetScreenRect(QuadCorners* out);

  // The fields after the class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // Takes the context (freed with the deleter when replaced or at the end;
  // a null deleter leaves it to the caller) and publishes it in this
  // thread's slot. A null context only publishes the one held.
  void SetRenderContext(RenderContext* context, RenderContextDeleter deleter = nullptr);

  // The opacity last given to the overlay.
  float OverlayAlpha() const { return overlayAlpha; }
  DS_SlideContainer* CurrentSlide() const { return currentSlide.get(); }

  DS_SafePtr<DS_SlideContainer> currentSlide;
  std::vector<DS_SafePtr<DS_SlideContainer>> slides;
  std::vector<DS_SafePtr<DS_AudioFile>> playlist;
  MediaParamTB<int> integerParam{1};
  float slideStartTime = 0.0f;
  uint32_t nextSlideIndex = 1;
  std::unique_ptr<ScreenQuad> overlay;
  float lastTime = 0.0f;
  std::shared_ptr<RenderContext> renderContext;
  float overlayAlpha = 0.0f;
  // The slide whose device objects are being made ahead, or null.
  DS_SlideContainer* preparedSlide = nullptr;
  // A slide was let go: the freed heap goes back to the system a little
  // into the next one.
  bool heapReturnDue = false;
};

// How long before a timed slide ends the next one starts being prepared, and
// the time a frame gives to it.
constexpr float kSlidePrepareLead = 1.0f;
constexpr double kSlidePrepareBudget = 0.002;
// How far into a slide the heap that the slide before it freed is given back.
constexpr float kHeapReturnDelay = 0.5f;

// Registers the readers of slides, timelines and chrono controls.
void RegisterSlideReaders();
