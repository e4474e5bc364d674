#pragma once
// The drawing interface every drawable of a slide receives. The slide's
// render context (DS_2D_Light and the slide renderers) implements it.
#include <cstdint>
#include <vector>

#include "player/quad_corners.h"

struct ID3DXEffect;
struct IDirect3DTexture9;
namespace DX_V {
struct PCT;
}
template <class V> class DS_IndexedMesh;
template <class V> class DS_SpriteArrayT;
template <class T> class DS_SafePtr;
class VertexBufferHolder;
class GridMesh;
class ImageQuad;
class MeshInstance;
class ScreenQuad;
class TexturedScreenQuad;
class ZVI_RenderObj;
class DS_ABObj;

template <class I> class ComPtr;
using TextureHolder = ComPtr<IDirect3DTexture9>;

// An object drawn through DrawTexturedGrid: it updates its grid first.
class TexturedGridObject {
 public:
  virtual void UpdateGrid(int argument) = 0;
  virtual GridMesh* GetGrid() = 0;
  virtual IDirect3DTexture9* GetGridTexture() = 0;
 protected:
  virtual ~TexturedGridObject() = default;
};

using RuntimeObjects = std::vector<DS_SafePtr<DS_ABObj>>;

// A screen area in scene pixels.
struct ScreenRect {
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
};

class DS_ABRender {
 public:
  virtual ~DS_ABRender() = default;

  // View stacks: an object drawing into its own target pushes and pops.
  virtual void PushTarget(int width, int height, int fitMode) = 0;
  // Harmless on empty stacks: the slide show pops at every slide change.
  virtual void PopTarget() = 0;

  virtual void DrawIndexed(GridMesh* geometry, ID3DXEffect** effect) = 0;
  virtual void DrawGeometry(VertexBufferHolder* geometry, ID3DXEffect** effect) = 0;
  virtual void DrawQuadRange(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect,
                             int first, int count) = 0;
  virtual void DrawColoredIndexed(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect) = 0;
  virtual void DrawMesh(MeshInstance* mesh) = 0;
  virtual void DrawTexturedBatch(DS_SpriteArrayT<DX_V::PCT>* batch) = 0;
  virtual void DrawMeshPerChild(MeshInstance* mesh) = 0;
  virtual void DrawTexturedGrid(TexturedGridObject* object, int argument) = 0;

  // One step of the frame's background chain; counter is decremented.
  virtual void BackgroundStep(int* counter, bool intoTarget) = 0;
  virtual void DrawWithTechnique(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect,
                                 const char* technique, int primitiveCount) = 0;
  virtual void DrawGeometryDefault(VertexBufferHolder* geometry, ID3DXEffect** effect) = 0;

  virtual bool HasBackgroundCopy() = 0;
  virtual TextureHolder* GetBackgroundTexture() = 0;
  virtual ImageQuad* GetScreenQuad() = 0;
  virtual int GetTargetWidth() = 0;
  virtual int GetTargetHeight() = 0;

  // Slide and device lifecycle.
  virtual void BeginSlide() = 0;
  virtual void OnResetDevice() = 0;
  virtual void OnLostDevice() = 0;
  // Makes the slide's own targets ahead of its start; false when they are
  // made already (or the context has none).
  virtual bool PrepareTargets() { return false; }
  virtual void EndFrame(int argument) = 0;
  virtual void ClearBackground(int argument) = 0;
  virtual void UpdateCamera(float time) = 0;
  virtual void SetupView(const QuadCorners& corners) = 0;
  virtual void SetViewMode(int fitMode) = 0;

  // Fixed answers in the slide render context.
  virtual int Query3(int a, int b, int c) { return 0; }
  virtual int Query1(int a) { return 0; }
  virtual bool QueryFalse() { return false; }
  virtual bool QueryTrue() { return true; }
  virtual bool IsCameraEnabled() = 0;

  virtual void DrawOverlay(ScreenQuad* quad) = 0;
  virtual void DrawTexturedScreenQuad(TexturedScreenQuad* quad) = 0;
  virtual void RenderObjects(RuntimeObjects& objects, int count) = 0;
  virtual bool GetScreenRects(std::vector<ScreenRect>& list) { return false; }
  virtual void BeginBackgroundChain() = 0;
  virtual TextureHolder* NextTarget(bool clear) = 0;
  virtual TextureHolder* EndTarget(bool clear) = 0;
  // Returns whether the camera was enabled before.
  virtual bool RestartCamera(int enabled) = 0;
  virtual bool NeedsClear() { return false; }
  virtual void ResetView() = 0;
  virtual IDirect3DTexture9* GetCurrentTexture() = 0;

  // The names other families use for the same entry points.
  void DrawBatchWithEffect(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect) {
    DrawColoredIndexed(geometry, effect);
  }
  void DrawIndexedBatch(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect,
                        const char* technique, int primitiveCount) {
    DrawWithTechnique(geometry, effect, technique, primitiveCount);
  }
  void DrawTexturedIndexed(TexturedGridObject* object, int argument) {
    DrawTexturedGrid(object, argument);
  }
  void DrawMeshCopies(MeshInstance* mesh) { DrawMeshPerChild(mesh); }
  void BeginOffscreen() { BeginBackgroundChain(); }
  bool CanCopyBackground() { return HasBackgroundCopy(); }
  bool WantsOffscreen() { return NeedsClear(); }
  bool SetOffscreenMode(int enabled) { return RestartCamera(enabled); }
};
