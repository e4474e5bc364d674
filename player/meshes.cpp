#include "player/meshes.h"

#include <cstring>

#include "player/current_device.h"

namespace {

constexpr DWORD kBufferUsage = D3DUSAGE_WRITEONLY;

}  // namespace

// ---- vertex buffers

VertexBufferHolder::VertexBufferHolder(const VertexBufferHolder& other)
    : DS_Frame(other),
      vertexBuffer(other.vertexBuffer),
      vertexCount(other.vertexCount),
      primitiveType(other.primitiveType),
      primitiveCount(other.primitiveCount),
      stride_(other.stride_) {}

VertexBufferHolder::~VertexBufferHolder() { vertexBuffer = nullptr; }

bool VertexBufferHolder::CreateVertices(UINT n, UINT stride, DWORD fvf) {
  vertexBuffer = nullptr;
  lockPointer = nullptr;
  vertexCount = static_cast<int32_t>(n);
  stride_ = stride;
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || n == 0) return false;
  HRESULT hr = device->CreateVertexBuffer(n * stride, kBufferUsage, fvf, D3DPOOL_MANAGED,
                                          vertexBuffer.ReleaseAndGetAddressOf(), nullptr);
  return SUCCEEDED(hr) && vertexBuffer;
}

bool VertexBufferHolder::CreateXYZTex1(UINT n) { return CreateVertices(n, 20, 0x102); }
bool VertexBufferHolder::CreateXYZDiffuseTex1(UINT n) { return CreateVertices(n, 24, 0x142); }
bool VertexBufferHolder::CreateXYZDiffuse() { return CreateVertices(4, 16, 0x42); }
bool VertexBufferHolder::CreateScreenQuadTex1() { return CreateVertices(4, 28, 0x144); }

void* VertexBufferHolder::Lock() {
  lockPointer = nullptr;
  if (!vertexBuffer) return nullptr;
  void* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0))) return nullptr;
  lockPointer = data;
  return data;
}

void VertexBufferHolder::Unlock() {
  if (lockPointer && vertexBuffer) vertexBuffer->Unlock();
  lockPointer = nullptr;
}

// ---- indexed batches

template <class V>
DS_IndexedMesh<V>::DS_IndexedMesh(const DS_IndexedMesh& other)
    : DS_SimpleMesh<V>(other), indexBuffer(other.indexBuffer), triangleCount(other.triangleCount) {}

template <class V>
DS_IndexedMesh<V>::~DS_IndexedMesh() {
  indexBuffer = nullptr;
}

template <class V>
bool DS_IndexedMesh<V>::CreateBuffers(UINT vertices, UINT indices) {
  bool ok = this->CreateVertices(vertices, sizeof(V), V::FVF);
  this->primitiveType = D3DPT_TRIANGLELIST;
  this->primitiveCount = 0;
  triangleCount = static_cast<int32_t>(indices / 3);
  indexBuffer = nullptr;
  indexLock = nullptr;
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || indices == 0) return false;
  HRESULT hr = device->CreateIndexBuffer(indices * 2, kBufferUsage, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                         indexBuffer.ReleaseAndGetAddressOf(), nullptr);
  return ok && SUCCEEDED(hr) && indexBuffer;
}

template <class V>
uint16_t* DS_IndexedMesh<V>::LockIndices() {
  indexLock = nullptr;
  if (!indexBuffer) return nullptr;
  void* data = nullptr;
  if (FAILED(indexBuffer->Lock(0, 0, &data, 0))) return nullptr;
  indexLock = data;
  return static_cast<uint16_t*>(data);
}

template <class V>
void DS_IndexedMesh<V>::UnlockIndices() {
  if (indexLock && indexBuffer) indexBuffer->Unlock();
  indexLock = nullptr;
}

template <class V>
bool DS_IndexedMesh<V>::Allocate(UINT quads) {
  bool ok = CreateBuffers(4 * quads, 6 * quads);
  if (quads == 0) return ok;
  uint16_t* idx = LockIndices();
  if (!idx) return false;
  for (UINT k = 0; k < quads; ++k) {
    auto base = static_cast<uint16_t>(4 * k);
    uint16_t* q = idx + 6 * k;
    q[0] = base;
    q[1] = static_cast<uint16_t>(base + 1);
    q[2] = static_cast<uint16_t>(base + 2);
    q[3] = static_cast<uint16_t>(base + 2);
    q[4] = static_cast<uint16_t>(base + 1);
    q[5] = static_cast<uint16_t>(base + 3);
  }
  UnlockIndices();
  return ok;
}

template <class V>
bool DS_IndexedMesh<V>::AllocateSprites(UINT quads) {
  bool ok = Allocate(quads);
  if (quads == 0) return ok;
  V* v = this->LockVertices();
  if (!v) return false;
  static const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (UINT i = 0; i < 4 * quads; ++i) {
    std::memset(&v[i], 0, sizeof(V));
    v[i].u = uv[i % 4][0];
    v[i].v = uv[i % 4][1];
  }
  this->Unlock();
  return ok;
}

template class DS_IndexedMesh<DX_V::PCT>;
template class DS_IndexedMesh<DX_V::PT>;

// ---- grids

std::pair<ComPtr<IDirect3DIndexBuffer9>, int32_t> CreateGridIndexBuffer(UINT c, UINT r) {
  std::pair<ComPtr<IDirect3DIndexBuffer9>, int32_t> result{nullptr, 0};
  if (c < 2 || r < 2) return result;
  UINT cells = (c - 1) * (r - 1);
  result.second = static_cast<int32_t>(2 * cells);
  IDirect3DDevice9* device = CurrentDevice();
  if (!device) return result;
  if (FAILED(device->CreateIndexBuffer(6 * cells * 2, kBufferUsage, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                       result.first.ReleaseAndGetAddressOf(), nullptr)) ||
      !result.first)
    return result;
  void* data = nullptr;
  if (FAILED(result.first->Lock(0, 0, &data, 0)) || !data) return result;
  auto* idx = static_cast<uint16_t*>(data);
  for (UINT j = 0; j + 1 < r; ++j) {
    for (UINT k = 0; k + 1 < c; ++k) {
      UINT a = k + c * j;
      *idx++ = static_cast<uint16_t>(a);
      *idx++ = static_cast<uint16_t>(a + 1);
      *idx++ = static_cast<uint16_t>(a + c);
      *idx++ = static_cast<uint16_t>(a + c);
      *idx++ = static_cast<uint16_t>(a + 1);
      *idx++ = static_cast<uint16_t>(a + c + 1);
    }
  }
  result.first->Unlock();
  return result;
}

bool GridMesh::Create(int32_t cols, int32_t rowCount) {
  columns = cols;
  rows = rowCount;
  if (cols < 1 || rowCount < 1) return false;
  bool ok = CreateXYZTex1(static_cast<UINT>((cols + 1) * (rowCount + 1)));
  primitiveType = D3DPT_TRIANGLELIST;
  primitiveCount = 0;
  auto [buffer, triangles] = CreateGridIndexBuffer(static_cast<UINT>(cols + 1), static_cast<UINT>(rowCount + 1));
  indexBuffer = buffer;
  triangleCount = triangles;
  return ok && indexBuffer;
}

void GridMesh::FillVertices(const DX_V::PT& c0, const DX_V::PT& c1, const DX_V::PT& c2, const DX_V::PT& c3) {
  if (columns < 1 || rows < 1) return;
  DX_V::PT* v = LockVertices();
  if (!v) return;
  auto lerp = [](const DX_V::PT& a, const DX_V::PT& b, float t) {
    return DX_V::PT{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t, a.u + (b.u - a.u) * t,
                    a.v + (b.v - a.v) * t};
  };
  for (int32_t i = 0; i <= rows; ++i) {
    float s = static_cast<float>(i) / static_cast<float>(rows);
    DX_V::PT a = lerp(c0, c2, s);
    DX_V::PT b = lerp(c1, c3, s);
    for (int32_t j = 0; j <= columns; ++j) {
      float t = static_cast<float>(j) / static_cast<float>(columns);
      v[i * (columns + 1) + j] = lerp(a, b, t);
    }
  }
  Unlock();
}

// ---- coloured quads

bool ColorQuad::Create(const QuadRect& rect, D3DCOLOR colour) {
  bool ok = CreateXYZDiffuse();
  primitiveType = D3DPT_TRIANGLESTRIP;
  primitiveCount = 2;
  if (!LockVertices()) return false;
  SetRect(rect);
  auto* v = static_cast<DX_V::PC*>(lockPointer);
  for (int i = 0; i < 4; ++i) v[i].color = colour;
  Unlock();
  return ok;
}

void ColorQuad::SetRect(const QuadRect& rect) {
  auto* v = static_cast<DX_V::PC*>(lockPointer);
  if (!v) return;
  const float x = rect.x, y = rect.y, w = rect.width, h = rect.height;
  v[0].x = x;     v[0].y = y + h; v[0].z = 0.0f;
  v[1].x = x;     v[1].y = y;     v[1].z = 0.0f;
  v[2].x = x + w; v[2].y = y + h; v[2].z = 0.0f;
  v[3].x = x + w; v[3].y = y;     v[3].z = 0.0f;
}

void ColorQuad::SetRGB(D3DCOLOR colour) {
  DX_V::PC* v = LockVertices();
  if (!v) return;
  for (int i = 0; i < 4; ++i) v[i].color = (v[i].color & 0xFF000000u) | (colour & 0x00FFFFFFu);
  Unlock();
}

void ColorQuad::SetVertexAlphas(float a0, float a1, float a2, float a3) {
  DX_V::PC* v = LockVertices();
  if (!v) return;
  const float alphas[4] = {a0, a1, a2, a3};
  for (int i = 0; i < 4; ++i) {
    auto alpha = static_cast<uint32_t>(static_cast<int32_t>(alphas[i] * 255.0f)) & 0xFFu;
    v[i].color = (v[i].color & 0x00FFFFFFu) | (alpha << 24);
  }
  Unlock();
}
