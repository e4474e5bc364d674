#pragma once
// The slide's render context: the background picture and its quad, the
// camera, the off-screen targets a slide is composed in when an object reads
// what was drawn before it, the view stacks of objects drawing into targets
// of their own, and the draw entry points for the engine's vertex layouts.
#include <cstdint>
#include <list>
#include <vector>

#include "core/io_item.h"
#include "core/media_param.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "player/camera.h"
#include "player/ds_ab_render.h"
#include "player/file_links.h"
#include "player/meshes.h"
#include "player/quad_corners.h"
#include "player/render_target_set.h"
#include "player/texture_cache.h"

class DS_IOF_Archive;
struct DocImage;

// The background picture as a 4-vertex XYZ|TEX1 strip in scene pixels.
class ImageQuad : public DS_SimpleMesh<DX_V::PT> {
 public:
  ImageQuad() {
    primitiveType = D3DPT_TRIANGLESTRIP;
    primitiveCount = 2;
  }
  ImageQuad(const ImageQuad&) = delete;
  ImageQuad& operator=(const ImageQuad&) = delete;

  // A new 4-vertex buffer with uv (0,1) (0,0) (1,1) (1,0).
  bool CreateVertexBuffer();
  // The first frame of the link's image in the current document.
  void SetImageLink(const DS_FileLink3& link);
  // Positions (0,h) (0,0) (w,h) (w,0) at z 0; uv kept.
  void SetImage(const TextureInfo& info);

  ComPtr<IDirect3DTexture9> texture;
  bool flag = false;
  TextureInfo picture;
};

// The mesh record of a 3-D object: 32-byte XYZ|NORMAL|TEX1 vertices with
// 16-bit indices, drawn at each frame of its list (DrawMesh) or at each of
// its own child frames (DrawMeshCopies). It owns its child frames (with their
// children); the frames of its list belong to whoever built them.
class MeshInstance : public DS_Frame {
 public:
  MeshInstance();
  // Takes the other's buffers, texture, lists and child frames.
  MeshInstance(MeshInstance&& other) noexcept;
  MeshInstance& operator=(MeshInstance&& other) noexcept;
  MeshInstance(const MeshInstance&) = delete;
  MeshInstance& operator=(const MeshInstance&) = delete;
  // Deletes its child frames with their children.
  ~MeshInstance();

  // Shares the buffers of a loaded mesh (triangle list) with its counts and
  // bounding sphere.
  void SetMesh(const MeshBuffers& buffers);
  // Texture = the current frame of the image link's pictures in the current
  // document; mesh = the document's mesh of the mesh link. Without a
  // document, or for links that yield nothing, the instance stays empty.
  void LoadMesh(const DS_FileLink3& meshLink, const DS_FileLink3& imageLink);
  // Texture on stage 0, index buffer, FVF 0x112, stream 0 stride 32.
  void BindBuffers();
  // True when there is something to draw.
  bool HasMesh() const { return vertexBuffer && indexBuffer && triangleCount > 0 && vertexCount > 0; }
  // Deletes the first n child frames (with their children).
  void DeleteFirstChildren(size_t n);

  ComPtr<IDirect3DVertexBuffer9> vertexBuffer;
  int32_t vertexCount = 0;
  int32_t primitiveType = D3DPT_TRIANGLESTRIP;
  ComPtr<IDirect3DIndexBuffer9> indexBuffer;
  int32_t triangleCount = 0;
  float radius = 0.0f;
  D3DXVECTOR3 center{0.0f, 0.0f, 0.0f};
  ComPtr<IDirect3DTexture9> texture;
  bool transparent = false;
  std::vector<DS_Frame*> subFrames;
};

// Deletes a frame and, first, every frame below it.
void DeleteFrameTree(DS_Frame* frame);

// A sprite batch: XYZ|DIFFUSE|TEX1 quads with one texture per animation
// frame and an optional mask. Sprite runtime objects derive from it.
template <class V>
class DS_SpriteArrayT : public DS_IndexedMesh<V> {
 public:
  // The owning model's blend mode (0 alpha, 1 additive) and sprite count.
  virtual int32_t BlendMode() const { return blendMode; }
  virtual int32_t SpriteCount() const { return spriteCount; }

  std::vector<ComPtr<IDirect3DTexture9>> frames;
  uint32_t frameIndex = 0;
  ComPtr<IDirect3DTexture9> mask;
  int32_t blendMode = 0;
  int32_t spriteCount = 0;
};

// Render-state bits valid while RenderObjects runs.
enum LightFlags : uint32_t {
  kLightFreshRun = 1,
  kLightFreshStep = 2,
  kLightBlurTarget = 4,
  kLightNextReads = 8,
  kLightPremultiplied = 0x10,
};

class DS_2D_Light : public DS_ABRender, public DS_IOF_Item {
 public:
  DS_2D_Light();
  ~DS_2D_Light() override;
  DS_2D_Light(const DS_2D_Light&) = delete;
  DS_2D_Light& operator=(const DS_2D_Light&) = delete;

  // Version 0 or 1 reads nothing; 2 the background link; 3 also the camera.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void PushTarget(int width, int height, int fitMode) override;
  void PopTarget() override;
  void DrawIndexed(GridMesh* geometry, ID3DXEffect** effect) override;
  void DrawGeometry(VertexBufferHolder* geometry, ID3DXEffect** effect) override;
  void DrawQuadRange(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect, int first, int count) override;
  void DrawColoredIndexed(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect) override;
  void DrawMesh(MeshInstance* mesh) override;
  void DrawTexturedBatch(DS_SpriteArrayT<DX_V::PCT>* batch) override;
  void DrawMeshPerChild(MeshInstance* mesh) override;
  void DrawTexturedGrid(TexturedGridObject* object, int argument) override;
  void BackgroundStep(int* counter, bool intoTarget) override;
  void DrawWithTechnique(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect, const char* technique,
                         int primitiveCount) override;
  void DrawGeometryDefault(VertexBufferHolder* geometry, ID3DXEffect** effect) override;
  bool HasBackgroundCopy() override { return true; }
  TextureHolder* GetBackgroundTexture() override { return &backgroundCopy; }
  ImageQuad* GetScreenQuad() override { return &imageQuad; }
  int GetTargetWidth() override { return static_cast<int>(imageQuad.picture.width); }
  int GetTargetHeight() override { return static_cast<int>(imageQuad.picture.height); }
  void BeginSlide() override;
  void OnResetDevice() override;
  void OnLostDevice() override;
  void EndFrame(int argument) override;
  void ClearBackground(int argument) override;
  void UpdateCamera(float time) override { camera.Update(time); }
  void SetupView(const QuadCorners& corners) override;
  void SetViewMode(int fitMode) override;
  bool IsCameraEnabled() override { return camera.enabled == 1; }
  void DrawOverlay(ScreenQuad* quad) override;
  void DrawTexturedScreenQuad(TexturedScreenQuad* quad) override;
  void RenderObjects(RuntimeObjects& objects, int count) override;
  void BeginBackgroundChain() override;
  TextureHolder* NextTarget(bool clear) override;
  TextureHolder* EndTarget(bool clear) override;
  bool RestartCamera(int enabled) override;
  void ResetView() override;
  IDirect3DTexture9* GetCurrentTexture() override;

  // The target set at the largest supersample factor that can be made.
  void CreateTargets();
  // Makes the targets ahead of the slide's start; the start's reset then
  // keeps them (they are untouched until the slide shows).
  // A target a call (true while there was something to make).
  bool PrepareTargets() override;
  bool TargetsPrepared() const { return targetsPrepared_; }
  // The targets at a reset: those made ahead when there are, else new ones.
  void MakeTargetsUnlessPrepared();
  // Takes the targets of the slide being left when its own are not made
  // yet, so a change need not make them; false when nothing was taken.
  bool TakeTargetsFrom(DS_2D_Light* left);
  // Whether the off-screen targets exist; without them the slide is drawn
  // straight onto the current target.
  bool HasTargets() const { return targets.active != nullptr; }
  // All three targets exist, to be handed to the next slide.
  bool HasTargetSet() const { return targets.textures[0] && targets.textures[1] && targets.textures[2]; }

  uint32_t flags = 0;
  DS_ImageFileLink backgroundLink{5, u"common_res.dll"};
  DSM_Camera camera;
  ImageQuad imageQuad;
  ComPtr<IDirect3DTexture9> backgroundCopy;
  int32_t savedFitMode = 1;
  RenderTargetSet targets;
  CallbackCtrlList<DS_2D_Light> controls{this};
  QuadCorners viewCorners;
  bool viewLocked = false;
  std::list<bool> lockStack;
  std::list<int32_t> fitModeStack;
  std::list<QuadCorners> viewStack;

 protected:
  // VIEW and PROJECTION from the render context.
  void SetViewProjection();
  // WORLD from a frame's world matrix through the render context.
  void SetWorld(const DS_Frame& frame);
  // Source ONE / destination ZERO for fresh targets; ONE for premultiplied.
  void ApplyFlagBlend();
  // Draws the image quad with the given texture.
  void DrawImageQuad(IDirect3DTexture9* texture);
  // An indexed mesh of vertex type V, once per pass of the effect.
  template <class V>
  void DrawIndexedMesh(DS_IndexedMesh<V>* geometry, ID3DXEffect** effect);
  void SetupViewImpl(const QuadCorners& corners);
  // The off-screen pass that BeginBackgroundChain started, when one runs.
  bool chainRunning_ = false;
  bool targetsPrepared_ = false;
  // The factor the targets being made ahead have, 0 when none are under way.
  uint32_t preparingFactor_ = 0;
};

// Draws a coloured scene-space quad as DrawOverlay does (FVF 0x42, stride 16).
void DrawColorQuad(ColorQuad* quad);

// Readers of the render-context family and the texture sources.
void RegisterRenderReaders();
