// Reads arbitrary bytes as a slide-show record, builds its slides and plays
// a few dozen frames at times taken from the input: every input must end in
// the reader's own error or in frames that return, never in a crash or hang.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/archive.h"
#include "core/ds_error.h"
#include "fuzz/fuzz_physics.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "player/app/register_all.h"
#include "player/chrono_context.h"
#include "player/slide_show.h"

namespace {

// A render context that draws nothing, for builds where none is registered.
class SilentLight : public DS_2D_Light {
 public:
  void ReadRecord(DS_IOF_Archive&, int32_t) {}
  void PushTarget(int, int, int) override {}
  void PopTarget() override {}
  void DrawIndexed(GridMesh*, ID3DXEffect**) override {}
  void DrawGeometry(VertexBufferHolder*, ID3DXEffect**) override {}
  void DrawQuadRange(DS_IndexedMesh<DX_V::PCT>*, ID3DXEffect**, int, int) override {}
  void DrawColoredIndexed(DS_IndexedMesh<DX_V::PCT>*, ID3DXEffect**) override {}
  void DrawMesh(MeshInstance*) override {}
  void DrawTexturedBatch(DS_SpriteArrayT<DX_V::PCT>*) override {}
  void DrawMeshPerChild(MeshInstance*) override {}
  void DrawTexturedGrid(TexturedGridObject*, int) override {}
  void BackgroundStep(int* counter, bool) override { --*counter; }
  void DrawWithTechnique(DS_IndexedMesh<DX_V::PCT>*, ID3DXEffect**, const char*, int) override {}
  void DrawGeometryDefault(VertexBufferHolder*, ID3DXEffect**) override {}
  bool HasBackgroundCopy() override { return false; }
  TextureHolder* GetBackgroundTexture() override { return nullptr; }
  ImageQuad* GetScreenQuad() override { return nullptr; }
  int GetTargetWidth() override { return 0; }
  int GetTargetHeight() override { return 0; }
  void BeginSlide() override {}
  void OnResetDevice() override {}
  void OnLostDevice() override {}
  void EndFrame(int) override {}
  void ClearBackground(int) override {}
  void UpdateCamera(float) override {}
  void SetupView(const QuadCorners&) override {}
  void SetViewMode(int) override {}
  bool IsCameraEnabled() override { return false; }
  void DrawOverlay(ScreenQuad*) override {}
  void DrawTexturedScreenQuad(TexturedScreenQuad*) override {}
  void RenderObjects(RuntimeObjects&, int) override {}
  void BeginBackgroundChain() override {}
  TextureHolder* NextTarget(bool) override { return nullptr; }
  TextureHolder* EndTarget(bool) override { return nullptr; }
  bool RestartCamera(int) override { return false; }
  void ResetView() override {}
  IDirect3DTexture9* GetCurrentTexture() override { return nullptr; }
};

// A scene object that is nothing but the base record, so that inputs reach
// the timelines and legacy timing records.
class FuzzModel : public DS_ABObj_Constructor {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadConstructorBase(ar); }
  DS_ABObj* CreateRuntime() override;
};

class FuzzObject : public DS_ABObj {
 public:
  explicit FuzzObject(FuzzModel* model) : DS_ABObj(model) {}
  void Update(float) override {}
};

DS_ABObj* FuzzModel::CreateRuntime() { return new FuzzObject(new FuzzModel(*this)); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RegisterEverything();
  fuzz::RegisterFuzzPhysics();
  if (!FindReader<DS_2D_Light>(u"DS_2D_Light")) RegisterReader<SilentLight, DS_2D_Light>(u"DS_2D_Light");
  RegisterReader<FuzzModel, DS_ABObj_Constructor>(u"FuzzSceneModel");
  PublishPlayerChronoContext();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first bytes choose the frame times; the rest is the record.
  constexpr size_t kFrames = 32;
  if (size < kFrames) return 0;
  auto show = std::make_unique<DS_SlideShow_Light>();
  try {
    MemoryArchive ar(data + kFrames, size - kFrames, true);
    int32_t version = 0;
    ar.ReadInt(&version);
    show->ReadRecord(ar, version);
    for (auto& slide : show->slides) slide->BuildRuntime();
  } catch (const DS_Error&) {
    return 0;
  }
  float t = 0.0f;
  for (size_t i = 0; i < kFrames; ++i) {
    // Steps from -1.27 s to +1.28 s, so time also runs backwards.
    t += (static_cast<float>(data[i]) - 127.0f) * 0.01f;
    show->Update(t);
    show->Render(0);
  }
  return 0;
}
