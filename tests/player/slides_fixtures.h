#pragma once
// Small stand-ins for the slide tests: a render context that records what the
// slide show asks of it, and a scene object that records its local times.
#include <memory>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "player/render_context_base.h"
#include "player/scene_object.h"
#include "tools/writer/byte_builder.h"

namespace slides_test {

inline constexpr char16_t kLightClass[] = u"TestSlideLight";
inline constexpr char16_t kModelClass[] = u"TestSceneModel";

class RecordingLight : public DS_2D_Light {
 public:
  void ReadRecord(DS_IOF_Archive&, int32_t) {}

  void PushTarget(int, int, int) override {}
  void PopTarget() override { ++pops; }
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
  bool HasBackgroundCopy() override { return true; }
  TextureHolder* GetBackgroundTexture() override { return nullptr; }
  ImageQuad* GetScreenQuad() override { return nullptr; }
  int GetTargetWidth() override { return 640; }
  int GetTargetHeight() override { return 480; }
  void BeginSlide() override { ++beginSlides; }
  void OnResetDevice() override { ++resets; }
  void OnLostDevice() override { ++losses; }
  void EndFrame(int) override { ++endFrames; }
  void ClearBackground(int) override { log += "clear;"; }
  void UpdateCamera(float time) override { cameraTimes.push_back(time); }
  void SetupView(const QuadCorners& corners) override { views.push_back(corners); }
  void SetViewMode(int fitMode) override { viewMode = fitMode; }
  bool IsCameraEnabled() override { return true; }
  void DrawOverlay(ScreenQuad* quad) override { ++overlays; }
  void DrawTexturedScreenQuad(TexturedScreenQuad*) override {}
  void RenderObjects(RuntimeObjects& objects, int count) override {
    log += "objects " + std::to_string(objects.size()) + " count " + std::to_string(count) + ";";
  }
  void BeginBackgroundChain() override { log += "chain;"; }
  TextureHolder* NextTarget(bool) override { return nullptr; }
  TextureHolder* EndTarget(bool) override { return nullptr; }
  bool RestartCamera(int enabled) override {
    ++cameraRestarts;
    return true;
  }
  bool NeedsClear() override { return needsClear; }
  void ResetView() override {}
  IDirect3DTexture9* GetCurrentTexture() override { return nullptr; }

  int pops = 0, beginSlides = 0, resets = 0, losses = 0, endFrames = 0, overlays = 0, cameraRestarts = 0;
  int viewMode = -1;
  bool needsClear = false;
  std::vector<float> cameraTimes;
  std::vector<QuadCorners> views;
  std::string log;
};

// A model whose record is a u32 "background passes" value and the base part.
class TestModel : public DS_ABObj_Constructor {
 public:
  TestModel() = default;
  TestModel(const TestModel&) = default;
  ~TestModel() override { ++destroyed; }

  void ReadRecord(DS_IOF_Archive& ar, int32_t version) {
    ar.ReadUInt(&passes);
    ReadConstructorBase(ar);
  }
  void ReleaseDeviceObjects() override { ++releases; }
  DS_ABObj* CreateRuntime() override;

  uint32_t passes = 0;
  int releases = 0;
  static inline int destroyed = 0;
};

class TestObject : public DS_ABObj {
 public:
  explicit TestObject(TestModel* model) : DS_ABObj(model) {}
  void Update(float localTime) override { times.push_back(localTime); }
  int32_t NeedsBackground() override { return static_cast<int32_t>(static_cast<TestModel*>(model)->passes); }
  std::vector<float> times;
};

inline DS_ABObj* TestModel::CreateRuntime() { return new TestObject(new TestModel(*this)); }

inline void RegisterTestClasses() {
  RegisterReader<RecordingLight, DS_2D_Light>(kLightClass);
  RegisterReader<TestModel, DS_ABObj_Constructor>(kModelClass);
}

inline pw::ByteBuilder LightRecord() {
  pw::ByteBuilder b;
  b.Header(kLightClass, 1);
  return b;
}

// Reads a record (header included) from bytes with the given reader.
template <class F>
void ReadBytes(const pw::ByteBuilder& bytes, F&& read) {
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
  read(static_cast<DS_IOF_Archive&>(ar));
}

inline GUID MakeGuid(uint32_t n) {
  GUID g = GUID_NULL;
  g.Data1 = n;
  g.Data4[7] = 0x5A;
  return g;
}

}  // namespace slides_test
