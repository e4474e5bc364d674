#pragma once
// The water-ring slide renderer: drops fall at a steady rate and spread as
// rings on a height field; the lit surface refracts the background picture
// (in place of the background) or the finished slide (at the end of the
// frame). WaterGrid holds the simulation and its default-pool buffers.
#include <cstdint>
#include <vector>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "player/slide_render_context.h"

struct RefractionEntry {
  float a = 0.0f;
  float b = 0.0f;
  uint32_t colour = 0;
};

// The process-wide table, built on first use.
const RefractionEntry* RefractionTable();

// 36-byte vertex {position, normal, diffuse, uv}, FVF 0x152.
struct WaterVertex {
  float x, y, z, nx, ny, nz;
  D3DCOLOR color;
  float u, v;
  static constexpr DWORD FVF = 0x152;
};
static_assert(sizeof(WaterVertex) == 36);

struct WaterNode {
  float height = 0.0f;
  float velocity = 0.0f;
};

struct WaterGrid {
  // The strip that covers a columns x rows grid in rings two nodes wide,
  // from the border inwards; 2 x node count indices, any index past the
  // last node set to 0.
  static std::vector<uint16_t> RingStripIndices(int32_t columns, int32_t rows);

  // Each buffer made only when missing; the error code of a failure.
  HRESULT CreateBuffers();
  void ReleaseBuffers();
  void AddDrop();
  // Four substeps of the wave equation, then the vertices for eye E.
  void Step(const D3DXVECTOR3& eye);
  void Simulate();
  void FillVertices(const D3DXVECTOR3& eye, WaterVertex* out) const;

  float width = 30.0f, height = 30.0f;
  float inverseWidth = 1.0f / 30.0f, inverseHeight = 1.0f / 30.0f;
  float meanRemoved = 0.0f;
  int32_t stripIndexCount = 32;
  int32_t nodeCount = 16;
  std::vector<WaterNode> nodes = std::vector<WaterNode>(16);
  const RefractionEntry* table = nullptr;
  int32_t columns = 4, rows = 4;
  ComPtr<IDirect3DIndexBuffer9> indexBuffer;
  ComPtr<IDirect3DVertexBuffer9> vertexBuffer;
  float speed = 1.0f;
  float impulse = 0.5f;
  float damping = 0.99f;
  float refraction = 0.2f;
  // Velocities of the current substep (kept to avoid a per-frame allocation).
  std::vector<float> next;
};

class DS_WaterRingLight : public DS_2D_Light {
 public:
  DS_WaterRingLight();
  ~DS_WaterRingLight() override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void DrawQuadRange(DS_IndexedMesh<DX_V::PCT>* geometry, ID3DXEffect** effect, int first, int count) override;
  void DrawMesh(MeshInstance* mesh) override;
  void DrawTexturedBatch(DS_SpriteArrayT<DX_V::PCT>* batch) override;
  void DrawMeshPerChild(MeshInstance* mesh) override;
  void BeginSlide() override;
  void OnResetDevice() override;
  void OnLostDevice() override;
  void EndFrame(int argument) override;
  void ClearBackground(int argument) override;
  void UpdateCamera(float t) override;
  void SetupView(const QuadCorners& corners) override;
  void SetViewMode(int targetIndex) override;
  void DrawOverlay(ScreenQuad* quad) override;
  void DrawTexturedScreenQuad(TexturedScreenQuad* quad) override;
  bool GetScreenRects(std::vector<ScreenRect>& list) override;
  void BeginBackgroundChain() override;
  TextureHolder* EndTarget(bool clear) override;
  bool NeedsClear() override { return OverSlide.value == 1; }

  // Damping factor of a Damping value.
  static float DampingFactor(uint32_t value);
  // Grid size for a picture aspect (height / width) and the two settings.
  static void GridSize(float aspect, uint32_t detail, uint32_t stretch, int32_t* columns, int32_t* rows);
  void BuildGrid();
  void DrawWater(IDirect3DTexture9* texture);
  void ApplyMaterial();

  MediaParamT<int> OverSlide{0};
  MediaParamT<unsigned int> RingSpeed{0u};
  MediaParamT<unsigned int> GridStretch{0u};
  MediaParamT<unsigned int> GridDetail{0u};
  MediaParamT<unsigned int> DropStrength{50u};
  MediaParamT<unsigned int> Damping{50u};
  MediaParamT<unsigned int> RefractionDepth{20u};
  UINTSclaleTo<float> DropRate;
  UINTSclaleTo<float> SpecularLevel;
  UINTSclaleTo<float> Shininess;

  WaterGrid grid;
  D3DXVECTOR3 lightDirection{0.5f, 1.0f, -1.0f};
  float lightColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  D3DXMATRIX world, viewInverse, view, projection;
  float lastDrop = 0.0f;

 private:
  void OrthographicView(const QuadCorners& corners);
  void SetLighting(bool on);
};

void RegisterWaterRingReader();
