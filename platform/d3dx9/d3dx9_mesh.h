#pragma once
// D3DX meshes: .X files (text and binary, plain or compressed), meshes in system
// memory, normals and bounding spheres.
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9_math.h"

constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);
constexpr HRESULT D3DXERR_INVALIDMESH = static_cast<HRESULT>(0x88760B54u);

struct ID3DXBuffer : IUnknown {
  virtual LPVOID GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};
HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** out);

struct D3DXMATERIAL {
  D3DMATERIAL9 MatD3D;
  LPSTR pTextureFilename;
};

struct D3DXATTRIBUTERANGE {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
};

struct ID3DXBaseMesh : IUnknown {
  virtual HRESULT DrawSubset(DWORD attribId) = 0;
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  virtual DWORD GetFVF() = 0;
  virtual DWORD GetNumBytesPerVertex() = 0;
  virtual DWORD GetOptions() = 0;
  virtual HRESULT GetDevice(IDirect3DDevice9** out) = 0;
  virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, struct ID3DXMesh** out) = 0;
  virtual HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
  virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) = 0;
};

struct ID3DXMesh : ID3DXBaseMesh {
  virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
  virtual HRESULT UnlockAttributeBuffer() = 0;
  virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                  ID3DXBuffer** vertexRemap) = 0;
};

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** out);
HRESULT D3DXLoadMeshFromXInMemory(LPCVOID data, DWORD size, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh);
HRESULT D3DXLoadMeshFromXW(LPCWSTR path, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                           ID3DXMesh** mesh);
HRESULT D3DXComputeNormals(ID3DXBaseMesh* mesh, const DWORD* adjacency);
HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* first, DWORD count, DWORD stride, D3DXVECTOR3* center,
                                  float* radius);
UINT D3DXGetFVFVertexSize(DWORD fvf);
