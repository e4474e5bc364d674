#include "player/texture_cache.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

#include "core/embedded_file.h"
#include "platform/d3dx9/d3dx9_mesh.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "platform/win32/windows.h"
#include "player/current_device.h"
#include "player/file_links.h"

namespace {

std::vector<TextureCache*>& InstalledCaches() {
  static std::vector<TextureCache*> caches;
  return caches;
}

// The shared creation parameters: default size, 1 level, managed pool,
// triangle filter, no mip filter, no colour key.
HRESULT DecodeTexture(const uint8_t* bytes, uint32_t count, D3DXIMAGE_INFO* info, IDirect3DTexture9** out) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || !bytes || count == 0) return E_FAIL;
  return D3DXCreateTextureFromFileInMemoryEx(device, bytes, count, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN,
                                             D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE, D3DX_FILTER_NONE, 0, info, nullptr,
                                             out);
}

float AspectOf(UINT width, UINT height) {
  return width ? static_cast<float>(height) / static_cast<float>(width) : 1.0f;
}

// Decodes into a slot; the slot keeps the given size when decoding fails.
void DecodeInto(TextureInfo* slot, const uint8_t* bytes, uint32_t count) {
  D3DXIMAGE_INFO info{};
  info.Width = slot->width;
  info.Height = slot->height;
  IDirect3DTexture9* texture = nullptr;
  HRESULT hr = DecodeTexture(bytes, count, &info, &texture);
  if (FAILED(hr) && texture) {
    texture->Release();
    texture = nullptr;
  }
  slot->texture.Attach(texture);
  if (texture) {
    slot->width = info.Width;
    slot->height = info.Height;
  }
  slot->aspect = AspectOf(slot->width, slot->height);
}

}  // namespace

// ---- process-wide cache

TextureCache* GetTextureCache() {
  auto& caches = InstalledCaches();
  return caches.empty() ? nullptr : caches.back();
}

void InstallTextureCache(TextureCache* cache) {
  if (cache) InstalledCaches().push_back(cache);
}

void UninstallTextureCache(TextureCache* cache) {
  auto& caches = InstalledCaches();
  caches.erase(std::remove(caches.begin(), caches.end(), cache), caches.end());
}

// ---- bytes

void SharedByteBuffer::Allocate(uint32_t n) {
  count = n;
  block_ = std::shared_ptr<uint8_t[]>(new uint8_t[n > 0 ? n : 1]);
}

void SharedByteBuffer::LoadFile(const zvi_string& path) {
  std::ifstream in(Win32_ToUtf8(path), std::ios::binary);
  if (!in.is_open()) return;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0 || size > static_cast<std::streamoff>(UINT32_MAX)) return;
  in.seekg(0, std::ios::beg);
  Allocate(static_cast<uint32_t>(size));
  in.read(reinterpret_cast<char*>(data()), size);
  if (in.gcount() != size) count = static_cast<uint32_t>(std::max<std::streamsize>(in.gcount(), 0));
}

// ---- loading routines

TextureInfo CreateTextureFromMemory(const uint8_t* bytes, uint32_t count) {
  TextureInfo result;
  DecodeInto(&result, bytes, count);
  return result;
}

HMODULE LoadResourceModule(const zvi_string& path) {
  static std::mutex lock;
  static std::map<zvi_string, HMODULE> modules;
  zvi_string file = path;
  size_t slash = file.find_last_of(u"\\/");
  if (slash != zvi_string::npos) file = file.substr(slash + 1);
  std::lock_guard<std::mutex> guard(lock);
  auto it = modules.find(file);
  if (it != modules.end()) return it->second;
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, 0x40 /* LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE */);
  if (module) modules[file] = module;
  return module;
}

HMODULE ModuleFileOf(const DS_FileLink3& link) {
  if (link.IsFileLink() || link.name.empty()) return nullptr;
  HMODULE module = LoadResourceModule(link.name);
  return Win32_ModuleIsFile(module) ? module : nullptr;
}

const uint8_t* LockModuleResource(HMODULE module, uint32_t id, LPCWSTR type, uint32_t* size) {
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id & 0xFFFF), type);
  if (!res) return nullptr;
  HGLOBAL handle = LoadResource(module, res);
  if (!handle) return nullptr;
  const void* bytes = LockResource(handle);
  if (!bytes) return nullptr;
  *size = SizeofResource(module, res);
  return static_cast<const uint8_t*>(bytes);
}

HRESULT LoadProgramTexture(int id, ComPtr<IDirect3DTexture9>* out, bool fullMipChain) {
  uint32_t size = 0;
  const uint8_t* bytes = LockModuleResource(nullptr, static_cast<uint32_t>(id), u"DDS", &size);
  IDirect3DDevice9* device = CurrentDevice();
  if (bytes && size > 0 && device) {
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
        device, bytes, size, D3DX_DEFAULT, D3DX_DEFAULT, fullMipChain ? D3DX_DEFAULT : 1, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_FILTER_NONE, fullMipChain ? D3DX_DEFAULT : D3DX_FILTER_NONE, 0, nullptr, nullptr,
        &texture);
    if (FAILED(hr)) {
      if (texture) texture->Release();
      return hr;
    }
    out->Attach(texture);
  }
  return out->Get() ? S_OK : E_FAIL;
}

namespace {

// The loaded mesh as 32-byte XYZ|NORMAL|TEX1 vertices with normals, optimised,
// copied into write-only managed buffers.
bool BuildMeshBuffers(ID3DXMesh* loaded, ID3DXBuffer* adjacency, uint32_t stride, MeshBuffers* out) {
  IDirect3DDevice9* device = CurrentDevice();
  ComPtr<ID3DXMesh> mesh;
  if (!device || FAILED(loaded->CloneMeshFVF(D3DXMESH_SYSTEMMEM, 0x112, device, mesh.ReleaseAndGetAddressOf())) ||
      !mesh)
    return false;
  const DWORD* adj = adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer()) : nullptr;
  D3DXComputeNormals(mesh, adj);
  mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, adj, nullptr, nullptr,
                        nullptr);
  MeshBuffers result;
  result.vertexCount = mesh->GetNumVertices();
  result.faceCount = mesh->GetNumFaces();
  if (result.vertexCount == 0 || result.faceCount == 0) return false;

  void* src = nullptr;
  void* dst = nullptr;
  UINT indexBytes = result.faceCount * 6;
  if (FAILED(device->CreateIndexBuffer(indexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                       result.indexBuffer.ReleaseAndGetAddressOf(), nullptr)) ||
      !result.indexBuffer)
    return false;
  if (SUCCEEDED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &src)) && src) {
    if (SUCCEEDED(result.indexBuffer->Lock(0, 0, &dst, 0)) && dst) {
      std::memcpy(dst, src, indexBytes);
      result.indexBuffer->Unlock();
    }
    mesh->UnlockIndexBuffer();
  }

  // The clone holds 32 bytes per vertex: a wider stride copies no further.
  UINT vertexBytes = result.vertexCount * stride;
  UINT available = result.vertexCount * 32;
  if (FAILED(device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                        result.vertexBuffer.ReleaseAndGetAddressOf(), nullptr)) ||
      !result.vertexBuffer)
    return false;
  src = nullptr;
  if (SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &src)) && src) {
    dst = nullptr;
    if (SUCCEEDED(result.vertexBuffer->Lock(0, 0, &dst, 0)) && dst) {
      std::memcpy(dst, src, std::min(vertexBytes, available));
      result.vertexBuffer->Unlock();
    }
    D3DXVECTOR3 center;
    D3DXComputeBoundingSphere(static_cast<const D3DXVECTOR3*>(src), result.vertexCount, 32, &center, &result.radius);
    result.center[0] = center.x;
    result.center[1] = center.y;
    result.center[2] = center.z;
    mesh->UnlockVertexBuffer();
  }
  *out = result;
  return true;
}

}  // namespace

bool LoadXMeshFromMemory(const uint8_t* bytes, uint32_t count, uint32_t stride, MeshBuffers* out) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || !bytes || count == 0) return false;
  ComPtr<ID3DXBuffer> adjacency, materials;
  ComPtr<ID3DXMesh> mesh;
  DWORD materialCount = 0;
  if (FAILED(D3DXLoadMeshFromXInMemory(bytes, count, D3DXMESH_SYSTEMMEM, device, adjacency.GetAddressOf(),
                                       materials.GetAddressOf(), nullptr, &materialCount, mesh.GetAddressOf())) ||
      !mesh)
    return false;
  return BuildMeshBuffers(mesh, adjacency, stride, out);
}

bool LoadXMeshFromFile(const zvi_string& path, uint32_t stride, MeshBuffers* out) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device) return false;
  ComPtr<ID3DXBuffer> adjacency, materials;
  ComPtr<ID3DXMesh> mesh;
  DWORD materialCount = 0;
  if (FAILED(D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_SYSTEMMEM, device, adjacency.GetAddressOf(),
                                materials.GetAddressOf(), nullptr, &materialCount, mesh.GetAddressOf())) ||
      !mesh)
    return false;
  return BuildMeshBuffers(mesh, adjacency, stride, out);
}

// ---- the cache

bool TextureCache::GetModule(const zvi_string& moduleName, HMODULE* out) {
  auto it = modules_.find(moduleName);
  if (it != modules_.end()) {
    *out = it->second;
    return true;
  }
  HMODULE module = nullptr;
  if (!moduleName.empty()) {
    module = LoadResourceModule(moduleName);
    if (!module) return false;
  }
  modules_[moduleName] = module;
  *out = module;
  return true;
}

TextureInfo TextureCache::GetTexture(const EmbeddedFile& entry) {
  if (!entry.path.empty()) {
    if (entry.data && entry.size > 0) return CreateTextureFromMemory(entry.data.get(), entry.size);
    return GetFileTexture(entry.path);
  }
  HMODULE module = nullptr;
  if (GetModule(entry.moduleName, &module)) {
    const std::pair<HMODULE, uint32_t> key{module, entry.resourceId};
    TextureInfo& slot = moduleTextures_[key];
    if (!slot.texture && Win32_ModuleIsFile(module)) {
      // A module found on disk is the real one: its picture first, the
      // stored copy when it has none that decodes.
      uint32_t size = 0;
      const uint8_t* bytes = LockModuleResource(module, entry.resourceId, u"DDS", &size);
      if (bytes) DecodeInto(&slot, bytes, size);
      if (!slot.texture && entry.data && entry.size > 0) DecodeInto(&slot, entry.data.get(), entry.size);
      return slot;
    }
    // The project's stored copy is the picture it was made with; the pack's
    // picture only stands in for a copy the project does not carry.
    if (entry.data && entry.size > 0 && (!slot.texture || fromPack_.count(key))) {
      TextureInfo stored;
      DecodeInto(&stored, entry.data.get(), entry.size);
      fromPack_.erase(key);  // a copy that does not decode is not tried again
      if (stored.texture) slot = stored;
    }
    if (!slot.texture) {
      uint32_t size = 0;
      const uint8_t* bytes = LockModuleResource(module, entry.resourceId, u"DDS", &size);
      if (bytes) DecodeInto(&slot, bytes, size);
      if (slot.texture) fromPack_.insert(key);
    }
    return slot;
  }
  TextureInfo& slot = storedTextures_[{entry.moduleName, entry.resourceId}];
  if (!slot.texture) {
    slot.width = 800;
    slot.height = 600;
    DecodeInto(&slot, entry.data.get(), entry.size);
  }
  return slot;
}

TextureInfo TextureCache::GetFileTexture(const zvi_string& path) {
  TextureInfo& slot = files_[path];
  if (!slot.texture) {
    IDirect3DDevice9* device = CurrentDevice();
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = nullptr;
    if (device &&
        SUCCEEDED(D3DXCreateTextureFromFileExW(device, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                               D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE,
                                               D3DX_FILTER_NONE, 0, &info, nullptr, &texture))) {
      slot.texture.Attach(texture);
      slot.width = info.Width;
      slot.height = info.Height;
      slot.aspect = AspectOf(info.Width, info.Height);
    } else if (texture) {
      texture->Release();
    }
  }
  return slot;
}

ComPtr<IDirect3DTexture9> TextureCache::GetNoiseTexture() {
  ComPtr<IDirect3DTexture9>& slot = program_[2];
  if (!slot) LoadProgramTexture(2, &slot, true);
  return slot;
}

void TextureCache::GetMesh(MeshBuffers* out, const EmbeddedFile& entry, uint32_t stride) {
  // Meshes stored without a resource id have no key to share: two objects'
  // different meshes would both get the first one.
  if (entry.resourceId == 0) {
    MeshBuffers loaded;
    if (entry.data && entry.size > 0)
      LoadXMeshFromMemory(entry.data.get(), entry.size, stride, &loaded);
    else if (!entry.path.empty())
      LoadXMeshFromFile(entry.path, stride, &loaded);
    *out = loaded;
    return;
  }
  std::list<MeshBuffers>& list = meshes_[entry.resourceId];
  const bool hasCopy = entry.data && entry.size > 0;
  if (list.size() == 1 && !(hasCopy && meshesFromPack_.count(entry.resourceId))) {
    *out = list.front();
    return;
  }
  HMODULE module = nullptr;
  if (GetModule(entry.moduleName, &module) && list.empty() && Win32_ModuleIsFile(module)) {
    // A module found on disk comes first, then the stored copy.
    MeshBuffers loaded;
    uint32_t size = 0;
    const uint8_t* bytes = LockModuleResource(module, entry.resourceId, u"DDS", &size);
    if (!(bytes && LoadXMeshFromMemory(bytes, size, stride, &loaded)) && hasCopy) {
      loaded = MeshBuffers();
      LoadXMeshFromMemory(entry.data.get(), entry.size, stride, &loaded);
    }
    list.push_back(loaded);
    *out = loaded;
    return;
  }
  if (GetModule(entry.moduleName, &module)) {
    // As with pictures, a stored copy that loads wins over the pack's mesh.
    MeshBuffers loaded;
    const bool stored = hasCopy && LoadXMeshFromMemory(entry.data.get(), entry.size, stride, &loaded);
    if (list.size() == 1) {
      // A pack mesh met a stored copy: the copy replaces it when it loads.
      meshesFromPack_.erase(entry.resourceId);
      if (stored) list.front() = loaded;
      *out = list.front();
      return;
    }
    if (!stored) {
      uint32_t size = 0;
      const uint8_t* bytes = LockModuleResource(module, entry.resourceId, u"DDS", &size);
      if (bytes && LoadXMeshFromMemory(bytes, size, stride, &loaded)) meshesFromPack_.insert(entry.resourceId);
    }
    // A failed load stays as an empty entry: the id is not tried again.
    list.push_back(loaded);
    *out = loaded;
    return;
  }
  MeshBuffers loaded;
  if (entry.data && entry.size > 0)
    LoadXMeshFromMemory(entry.data.get(), entry.size, stride, &loaded);
  else
    LoadXMeshFromFile(entry.path, stride, &loaded);
  *out = loaded;
}
