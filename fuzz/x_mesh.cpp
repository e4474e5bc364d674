// Loads arbitrary bytes as an .X mesh (text or binary tokens, plain or
// compressed): every input must end in a mesh or a clean refusal, never in a
// crash, hang or unbounded allocation. A mesh that loads also gets normals
// and a bounding sphere.
#include <cstddef>
#include <cstdint>

#include "platform/d3dx9/d3dx9_mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  HRESULT hr = D3DXLoadMeshFromXInMemory(data, static_cast<DWORD>(size), D3DXMESH_SYSTEMMEM, nullptr, &adjacency,
                                         &materials, nullptr, &count, &mesh);
  if (SUCCEEDED(hr) && mesh) {
    ID3DXMesh* clone = nullptr;
    if (SUCCEEDED(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, nullptr, &clone)) &&
        clone) {
      D3DXComputeNormals(clone, adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer()) : nullptr);
      void* v = nullptr;
      if (SUCCEEDED(clone->LockVertexBuffer(0, &v)) && v) {
        D3DXVECTOR3 centre;
        float radius = 0;
        D3DXComputeBoundingSphere(static_cast<D3DXVECTOR3*>(v), clone->GetNumVertices(), 32, &centre, &radius);
        clone->UnlockVertexBuffer();
      }
      clone->Release();
    }
  }
  if (mesh) mesh->Release();
  if (adjacency) adjacency->Release();
  if (materials) materials->Release();
  return 0;
}
