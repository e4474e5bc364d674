#pragma once
// The vertex and index batch of the node renderers: quads of 32-byte band
// vertices (position, colour, two texture pairs) or 24-byte vertices of the
// tree-structured systems, with 16-bit indices. A batch of more than 16 384
// quads keeps one index pattern and is drawn in runs of 16 384 quads, each
// with its own base vertex, so that no index wraps.
#include <cstdint>

#include "core/ds_frame.h"
#include "geometry/stripe_mesh.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"

struct ID3DXEffect;

// Quads one 16-bit index pattern can address.
constexpr int32_t kQuadsPerRun = 16384;

class MeshRecord : public DS_Frame {
 public:
  MeshRecord() = default;
  MeshRecord(MeshRecord&&) noexcept = default;
  MeshRecord& operator=(MeshRecord&&) noexcept = default;
  MeshRecord(const MeshRecord&) = delete;
  MeshRecord& operator=(const MeshRecord&) = delete;
  ~MeshRecord();

  // New buffers for n quads: 4n vertices, indices of min(n, 16 384) quads.
  bool PrepareQuadBatch(int32_t quads);
  // The same with 24-byte vertices.
  bool PrepareQuadBatch24(int32_t quads);
  // Grows the buffers of a caller-indexed batch (32-byte vertices).
  bool EnsureBatchCapacity(int32_t vertices, int32_t triangles);
  bool EnsureBatchCapacity24(int32_t vertices, int32_t triangles);
  bool RecreateVertexBuffer(int32_t vertices, DWORD usage);

  // The whole vertex buffer locked; null when there is none or it fails.
  void* LockVertices();
  void UnlockVertices();

  // Draws triangleCount triangles once per pass of the technique; a
  // quad batch past 16 384 quads is drawn run by run. With `wrap`, samplers
  // 0 and 1 wrap during the draw and are restored after it.
  void DrawBatchWithEffect(ID3DXEffect* effect, const char* technique, bool wrap);
  void DrawBatchWithEffect24(ID3DXEffect* effect, const char* technique);

  ComPtr<IDirect3DVertexBuffer9> vertexBuffer;
  void* vertexLock = nullptr;
  int32_t vertexCount = 0;
  int32_t primitiveType = D3DPT_TRIANGLESTRIP;
  int32_t primitiveCount = 0;
  ComPtr<IDirect3DIndexBuffer9> indexBuffer;
  int32_t triangleCapacity = 0;
  void* indexLock = nullptr;
  int32_t triangleCount = 0;
  // Set by PrepareQuadBatch: the index pattern repeats every 16 384 quads.
  bool quadRuns = false;

 private:
  bool MakeVertexBuffer(int32_t vertices, UINT stride, DWORD fvf, DWORD usage);
  bool MakeIndexBuffer(int32_t indices);
  bool PrepareQuads(int32_t quads, UINT stride, DWORD fvf);
  void Draw(ID3DXEffect* effect, const char* technique, bool wrap, UINT stride, DWORD fvf);
};

// A batch's buffers as the band builder's stores: locks of the whole buffer,
// and growth that replaces the record's own buffer by a larger copy.
class MeshBandVertexHolder : public ZVI_BandVertexHolder {
 public:
  explicit MeshBandVertexHolder(MeshRecord& record) : record_(record) {}
  BandVertex* Lock() override;
  void Unlock() override;
  uint32_t Capacity() const override;
  BandVertex* Grow(uint32_t used, uint32_t newCapacity) override;

 private:
  MeshRecord& record_;
};

class MeshBandIndexHolder : public ZVI_BandIndexHolder {
 public:
  explicit MeshBandIndexHolder(MeshRecord& record) : record_(record) {}
  uint16_t* Lock() override;
  void Unlock() override;
  uint32_t Capacity() const override;  // triangles
  uint16_t* Grow(uint32_t used, uint32_t newCapacity) override;

 private:
  MeshRecord& record_;
};
