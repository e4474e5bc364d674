#include "particles/nodes/node_batches.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/thread_slots.h"
#include "geometry/stripe_mesh.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/meshes.h"
#include "player/render_context.h"

namespace {
constexpr DWORD kFvf24 = DX_V::PCT::FVF;
constexpr UINT kStride24 = sizeof(DX_V::PCT);
constexpr UINT kStride32 = sizeof(BandVertex);
}  // namespace

MeshRecord::~MeshRecord() {
  indexBuffer = nullptr;
  vertexBuffer = nullptr;
}

bool MeshRecord::MakeVertexBuffer(int32_t vertices, UINT stride, DWORD fvf, DWORD usage) {
  vertexBuffer = nullptr;
  vertexLock = nullptr;
  vertexCount = vertices;
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || vertices <= 0) return false;
  HRESULT hr = device->CreateVertexBuffer(static_cast<UINT>(vertices) * stride, usage, fvf, D3DPOOL_MANAGED,
                                          vertexBuffer.ReleaseAndGetAddressOf(), nullptr);
  return SUCCEEDED(hr) && vertexBuffer;
}

bool MeshRecord::MakeIndexBuffer(int32_t indices) {
  indexBuffer = nullptr;
  indexLock = nullptr;
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || indices <= 0) return false;
  HRESULT hr = device->CreateIndexBuffer(static_cast<UINT>(indices) * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                         D3DPOOL_MANAGED, indexBuffer.ReleaseAndGetAddressOf(), nullptr);
  return SUCCEEDED(hr) && indexBuffer;
}

bool MeshRecord::PrepareQuadBatch(int32_t quads) { return PrepareQuads(quads, kStride32, kBandVertexFVF); }

bool MeshRecord::PrepareQuadBatch24(int32_t quads) { return PrepareQuads(quads, kStride24, kFvf24); }

bool MeshRecord::PrepareQuads(int32_t quads, UINT stride, DWORD fvf) {
  if (quads < 0) quads = 0;
  const bool vertices = MakeVertexBuffer(4 * quads, stride, fvf, D3DUSAGE_WRITEONLY);
  primitiveType = D3DPT_TRIANGLELIST;
  primitiveCount = 0;
  triangleCapacity = 2 * quads;
  quadRuns = true;
  // One run's pattern serves every run: each is drawn with its own base vertex.
  const int32_t patterned = std::min(quads, kQuadsPerRun);
  if (!MakeIndexBuffer(6 * patterned)) return false;
  void* data = nullptr;
  if (FAILED(indexBuffer->Lock(0, 0, &data, 0)) || !data) return false;
  auto* index = static_cast<uint16_t*>(data);
  for (int32_t i = 0; i < patterned; ++i) {
    const auto base = static_cast<uint16_t>(4 * i);
    index[6 * i + 0] = base;
    index[6 * i + 1] = static_cast<uint16_t>(base + 1);
    index[6 * i + 2] = static_cast<uint16_t>(base + 2);
    index[6 * i + 3] = static_cast<uint16_t>(base + 2);
    index[6 * i + 4] = static_cast<uint16_t>(base + 1);
    index[6 * i + 5] = static_cast<uint16_t>(base + 3);
  }
  indexBuffer->Unlock();
  return vertices;
}

bool MeshRecord::EnsureBatchCapacity(int32_t vertices, int32_t triangles) {
  bool ok = true;
  if (triangles > triangleCapacity || !indexBuffer) ok = MakeIndexBuffer(3 * triangles) && ok;
  triangleCapacity = triangles;
  if (vertices > vertexCount || !vertexBuffer) {
    ok = MakeVertexBuffer(vertices, kStride32, kBandVertexFVF, D3DUSAGE_WRITEONLY) && ok;
  } else {
    vertexCount = vertices;
  }
  primitiveType = D3DPT_TRIANGLELIST;
  primitiveCount = 0;
  triangleCount = triangles;
  quadRuns = false;
  return ok;
}

bool MeshRecord::EnsureBatchCapacity24(int32_t vertices, int32_t triangles) {
  bool ok = true;
  if (triangles > triangleCapacity || !indexBuffer) ok = MakeIndexBuffer(3 * triangles) && ok;
  triangleCapacity = triangles;
  if (vertices > vertexCount || !vertexBuffer) {
    ok = MakeVertexBuffer(vertices, kStride24, kFvf24, D3DUSAGE_WRITEONLY) && ok;
  } else {
    vertexCount = vertices;
  }
  primitiveType = D3DPT_TRIANGLELIST;
  primitiveCount = 0;
  triangleCount = triangles;
  quadRuns = false;
  return ok;
}

bool MeshRecord::RecreateVertexBuffer(int32_t vertices, DWORD usage) {
  return MakeVertexBuffer(vertices, kStride32, kBandVertexFVF, usage);
}

void* MeshRecord::LockVertices() {
  vertexLock = nullptr;
  if (!vertexBuffer) return nullptr;
  void* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0))) return nullptr;
  vertexLock = data;
  return data;
}

void MeshRecord::UnlockVertices() {
  if (vertexBuffer && vertexLock) vertexBuffer->Unlock();
  vertexLock = nullptr;
}

void MeshRecord::Draw(ID3DXEffect* effect, const char* technique, bool wrap, UINT stride, DWORD fvf) {
  IDirect3DDevice9* d = CurrentDevice();
  RenderContext* rc = CurrentRenderContext();
  if (!d || !effect || !vertexBuffer || !indexBuffer || triangleCount <= 0) return;
  if (rc) {
    d->SetTransform(D3DTS_VIEW, &rc->view);
    d->SetTransform(D3DTS_PROJECTION, &rc->projection);
    rc->SetWorldTransform(world);
  }
  if (FAILED(effect->SetTechnique(technique))) return;
  DWORD saved[2][2] = {};
  if (wrap) {
    for (DWORD s = 0; s < 2; ++s) {
      d->GetSamplerState(s, D3DSAMP_ADDRESSU, &saved[s][0]);
      d->GetSamplerState(s, D3DSAMP_ADDRESSV, &saved[s][1]);
    }
  }
  UINT passes = 0;
  if (SUCCEEDED(effect->Begin(&passes, 0))) {
    for (UINT p = 0; p < passes; ++p) {
      if (FAILED(effect->BeginPass(p))) continue;
      if (wrap) {
        for (DWORD s = 0; s < 2; ++s) {
          d->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
          d->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        }
      }
      d->SetIndices(indexBuffer);
      d->SetFVF(fvf);
      d->SetStreamSource(0, vertexBuffer, 0, stride);
      if (quadRuns) {
        // Runs of 16 384 quads share the index pattern; each has its own
        // base vertex, so every quad is drawn and no index wraps.
        const int32_t quads = std::min(triangleCount / 2, vertexCount / 4);
        for (int32_t first = 0; first < quads; first += kQuadsPerRun) {
          const int32_t n = std::min(kQuadsPerRun, quads - first);
          d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4 * first, 0, static_cast<UINT>(4 * n), 0,
                                  static_cast<UINT>(2 * n));
        }
      } else {
        d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(primitiveType), 0, 0, static_cast<UINT>(vertexCount),
                                0, static_cast<UINT>(triangleCount));
      }
      effect->EndPass();
    }
    effect->End();
  }
  if (wrap) {
    for (DWORD s = 0; s < 2; ++s) {
      d->SetSamplerState(s, D3DSAMP_ADDRESSU, saved[s][0]);
      d->SetSamplerState(s, D3DSAMP_ADDRESSV, saved[s][1]);
    }
  }
}

void MeshRecord::DrawBatchWithEffect(ID3DXEffect* effect, const char* technique, bool wrap) {
  Draw(effect, technique, wrap, kStride32, kBandVertexFVF);
}

void MeshRecord::DrawBatchWithEffect24(ID3DXEffect* effect, const char* technique) {
  Draw(effect, technique, false, kStride24, kFvf24);
}

// --- band stores ---

BandVertex* MeshBandVertexHolder::Lock() { return static_cast<BandVertex*>(record_.LockVertices()); }

void MeshBandVertexHolder::Unlock() { record_.UnlockVertices(); }

uint32_t MeshBandVertexHolder::Capacity() const {
  return record_.vertexBuffer && record_.vertexCount > 0 ? static_cast<uint32_t>(record_.vertexCount) : 0u;
}

BandVertex* MeshBandVertexHolder::Grow(uint32_t used, uint32_t newCapacity) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || newCapacity == 0 || newCapacity > static_cast<uint32_t>(INT32_MAX) / kStride32 || used > newCapacity)
    return nullptr;
  ComPtr<IDirect3DVertexBuffer9> grown;
  if (FAILED(device->CreateVertexBuffer(newCapacity * kStride32, D3DUSAGE_WRITEONLY, kBandVertexFVF, D3DPOOL_MANAGED,
                                        grown.ReleaseAndGetAddressOf(), nullptr)) ||
      !grown)
    return nullptr;
  void* to = nullptr;
  if (FAILED(grown->Lock(0, 0, &to, 0)) || !to) return nullptr;
  used = std::min(used, Capacity());
  if (used > 0) {
    // The old store may be locked by the builder already.
    void* from = record_.vertexLock;
    const bool lockedHere = !from;
    if (lockedHere && (FAILED(record_.vertexBuffer->Lock(0, 0, &from, 0)) || !from)) {
      grown->Unlock();
      return nullptr;
    }
    std::memcpy(to, from, static_cast<size_t>(used) * kStride32);
    if (lockedHere) record_.vertexBuffer->Unlock();
  }
  if (record_.vertexLock && record_.vertexBuffer) record_.vertexBuffer->Unlock();
  record_.vertexBuffer = grown;
  record_.vertexCount = static_cast<int32_t>(newCapacity);
  record_.vertexLock = to;
  return static_cast<BandVertex*>(to);
}

uint16_t* MeshBandIndexHolder::Lock() {
  record_.indexLock = nullptr;
  if (!record_.indexBuffer) return nullptr;
  void* data = nullptr;
  if (FAILED(record_.indexBuffer->Lock(0, 0, &data, 0)) || !data) return nullptr;
  record_.indexLock = data;
  return static_cast<uint16_t*>(data);
}

void MeshBandIndexHolder::Unlock() {
  if (record_.indexBuffer && record_.indexLock) record_.indexBuffer->Unlock();
  record_.indexLock = nullptr;
}

uint32_t MeshBandIndexHolder::Capacity() const {
  return record_.indexBuffer && record_.triangleCapacity > 0 ? static_cast<uint32_t>(record_.triangleCapacity) : 0u;
}

uint16_t* MeshBandIndexHolder::Grow(uint32_t used, uint32_t newCapacity) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || newCapacity == 0 || newCapacity > static_cast<uint32_t>(INT32_MAX) / 6 || used > newCapacity)
    return nullptr;
  ComPtr<IDirect3DIndexBuffer9> grown;
  if (FAILED(device->CreateIndexBuffer(newCapacity * 6, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                       grown.ReleaseAndGetAddressOf(), nullptr)) ||
      !grown)
    return nullptr;
  void* to = nullptr;
  if (FAILED(grown->Lock(0, 0, &to, 0)) || !to) return nullptr;
  used = std::min(used, Capacity());
  if (used > 0) {
    void* from = record_.indexLock;
    const bool lockedHere = !from;
    if (lockedHere && (FAILED(record_.indexBuffer->Lock(0, 0, &from, 0)) || !from)) {
      grown->Unlock();
      return nullptr;
    }
    std::memcpy(to, from, static_cast<size_t>(used) * 6);
    if (lockedHere) record_.indexBuffer->Unlock();
  }
  if (record_.indexLock && record_.indexBuffer) record_.indexBuffer->Unlock();
  record_.indexBuffer = grown;
  record_.triangleCapacity = static_cast<int32_t>(newCapacity);
  record_.indexLock = to;
  return static_cast<uint16_t*>(to);
}
