#pragma once
// The mesh holders every renderer shares: a vertex buffer on a transform
// frame, the indexed quad batch, the textured grid with its bilinear fill and
// the coloured scene-space quad. Buffers are write-only, managed-pool, with
// 16-bit indices.
#include <cstdint>
#include <utility>

#include "core/ds_frame.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"

namespace DX_V {
// XYZ|TEX1 (0x102), 20 bytes.
struct PT {
  float x, y, z, u, v;
  static constexpr DWORD FVF = 0x102;
};
// XYZ|DIFFUSE|TEX1 (0x142), 24 bytes.
struct PCT {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
  static constexpr DWORD FVF = 0x142;
};
// XYZ|DIFFUSE (0x42), 16 bytes.
struct PC {
  float x, y, z;
  D3DCOLOR color;
  static constexpr DWORD FVF = 0x42;
};
// XYZRHW|DIFFUSE (0x44), 20 bytes.
struct RHWC {
  float x, y, z, rhw;
  D3DCOLOR color;
  static constexpr DWORD FVF = 0x44;
};
// XYZRHW|DIFFUSE|TEX1 (0x144), 28 bytes.
struct RHWCT {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
  static constexpr DWORD FVF = 0x144;
};
// XYZ|NORMAL|TEX1 (0x112), 32 bytes: .X meshes.
struct PNT {
  float x, y, z, nx, ny, nz, u, v;
  static constexpr DWORD FVF = 0x112;
};
static_assert(sizeof(PT) == 20 && sizeof(PCT) == 24 && sizeof(PC) == 16);
static_assert(sizeof(RHWC) == 20 && sizeof(RHWCT) == 28 && sizeof(PNT) == 32);
}  // namespace DX_V

// A vertex buffer on a frame; base of every quad and batch holder.
class VertexBufferHolder : public DS_Frame {
 public:
  VertexBufferHolder() = default;
  VertexBufferHolder(const VertexBufferHolder& other);
  VertexBufferHolder& operator=(const VertexBufferHolder&) = delete;
  virtual ~VertexBufferHolder();

  // Each releases the held buffer, records the count and makes a new one.
  bool CreateXYZTex1(UINT n);
  bool CreateXYZDiffuseTex1(UINT n);
  bool CreateXYZDiffuse();
  bool CreateScreenQuadTex1();

  // The whole buffer; null when there is none or it cannot be locked.
  void* Lock();
  void Unlock();

  ComPtr<IDirect3DVertexBuffer9> vertexBuffer;
  void* lockPointer = nullptr;
  int32_t vertexCount = 0;
  int32_t primitiveType = D3DPT_TRIANGLESTRIP;
  int32_t primitiveCount = 2;

 protected:
  bool CreateVertices(UINT n, UINT stride, DWORD fvf);
  UINT stride_ = 0;
};

template <class V>
class DS_SimpleMesh : public VertexBufferHolder {
 public:
  V* LockVertices() { return static_cast<V*>(Lock()); }
};

template <class V>
class DS_IndexedMesh : public DS_SimpleMesh<V> {
 public:
  DS_IndexedMesh() = default;
  DS_IndexedMesh(const DS_IndexedMesh& other);
  ~DS_IndexedMesh() override;

  // v vertices of V, i 16-bit indices, triangle list of i / 3 triangles.
  bool CreateBuffers(UINT vertices, UINT indices);
  // n quads: indices 4k, 4k+1, 4k+2, 4k+2, 4k+1, 4k+3.
  bool Allocate(UINT quads);
  // As Allocate, with every vertex zeroed and uv (0,1) (0,0) (1,1) (1,0).
  bool AllocateSprites(UINT quads);

  uint16_t* LockIndices();
  void UnlockIndices();

  ComPtr<IDirect3DIndexBuffer9> indexBuffer;
  int32_t triangleCount = 0;
  void* indexLock = nullptr;
};

// Index buffer of a grid of c x r vertices: two triangles per cell, a, a+1,
// a+c, a+c, a+1, a+c+1 with a = k + c*j. Returns the buffer and 2(c-1)(r-1).
std::pair<ComPtr<IDirect3DIndexBuffer9>, int32_t> CreateGridIndexBuffer(UINT c, UINT r);

// A textured grid of (columns + 1) x (rows + 1) XYZ|TEX1 vertices.
class GridMesh : public DS_IndexedMesh<DX_V::PT> {
 public:
  GridMesh() { primitiveCount = 0; }
  // Shares both buffers.
  GridMesh(const GridMesh& other) = default;

  bool Create(int32_t cols, int32_t rowCount);
  // Bilinear fill: c0, c1 the ends of the first row, c2, c3 of the last.
  void FillVertices(const DX_V::PT& c0, const DX_V::PT& c1, const DX_V::PT& c2, const DX_V::PT& c3);

  int32_t columns = 0;
  int32_t rows = 0;
};

struct QuadRect {
  float x = 0.0f;
  float y = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
};

// A coloured quad in scene space (triangle strip of 2).
class ColorQuad : public DS_SimpleMesh<DX_V::PC> {
 public:
  bool Create(const QuadRect& rect, D3DCOLOR colour);
  // On locked vertices: (x, y+h), (x, y), (x+w, y+h), (x+w, y).
  void SetRect(const QuadRect& rect);
  // Keeps each vertex's alpha.
  void SetRGB(D3DCOLOR colour);
  // Alpha byte = low byte of truncate(a * 255); colours kept.
  void SetVertexAlphas(float a0, float a1, float a2, float a3);
};
