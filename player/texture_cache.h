#pragma once
// Textures and mesh buffers made from the pictures and meshes a project
// names: stored bytes, resources of a resource module ("common_res.dll" is
// the built-in pack) or the executable's own resources. One cache keeps them
// so that a picture used by many objects is decoded once.
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "core/zvi_string.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/win32/win_types.h"

struct EmbeddedFile;
class DS_FileLink3;

struct TextureInfo {
  ComPtr<IDirect3DTexture9> texture;
  UINT width = 0;
  UINT height = 0;
  float aspect = 1.0f;  // height / width
};

struct MeshBuffers {
  ComPtr<IDirect3DVertexBuffer9> vertexBuffer;
  ComPtr<IDirect3DIndexBuffer9> indexBuffer;  // 16-bit indices
  UINT vertexCount = 0;
  UINT faceCount = 0;
  float radius = 0.0f;
  float center[3] = {0.0f, 0.0f, 0.0f};
};

// Bytes shared by counted reference; copies share one block.
class SharedByteBuffer {
 public:
  uint32_t count = 0;

  const uint8_t* data() const { return block_ ? block_.get() : nullptr; }
  uint8_t* data() { return block_ ? block_.get() : nullptr; }
  void Allocate(uint32_t n);
  // The whole file; an unopenable file (or one over 4 GB) changes nothing.
  void LoadFile(const zvi_string& path);

 private:
  std::shared_ptr<uint8_t[]> block_;
};

class TextureCache {
 public:
  TextureCache() = default;
  ~TextureCache() = default;
  TextureCache(const TextureCache&) = delete;
  TextureCache& operator=(const TextureCache&) = delete;

  // Stored bytes of a path, a file; for a module entry the resource of a
  // module file found on disk, else its stored copy when that decodes, else
  // the built-in pack's resource; a module that cannot be opened gives an
  // 800 x 600 entry when its copy does not decode.
  TextureInfo GetTexture(const EmbeddedFile& entry);
  TextureInfo GetFileTexture(const zvi_string& path);
  // The executable's "DDS" 2 (grey noise) with a full mip chain.
  ComPtr<IDirect3DTexture9> GetNoiseTexture();
  // Callers pass a stride of 32 (XYZ|NORMAL|TEX1). An entry of resource id 0
  // is made from its own bytes (or path) every time, never cached.
  void GetMesh(MeshBuffers* out, const EmbeddedFile& entry, uint32_t stride);
  // False only when a named module cannot be opened; "" is the executable.
  bool GetModule(const zvi_string& moduleName, HMODULE* out);

 private:
  std::map<int, ComPtr<IDirect3DTexture9>> program_;
  std::map<zvi_string, TextureInfo> files_;
  std::map<std::pair<HMODULE, uint32_t>, TextureInfo> moduleTextures_;
  std::map<std::pair<zvi_string, uint32_t>, TextureInfo> storedTextures_;
  std::map<uint32_t, std::list<MeshBuffers>> meshes_;
  // Slots that hold the pack's stand-in; a stored copy met later replaces it.
  std::set<std::pair<HMODULE, uint32_t>> fromPack_;
  std::set<uint32_t> meshesFromPack_;
  std::map<zvi_string, HMODULE> modules_;
};

// The process-wide cache: the most recently installed one still alive.
// A document manager installs its cache when made and removes it when
// destroyed, so the pointer never names a destroyed cache.
TextureCache* GetTextureCache();
void InstallTextureCache(TextureCache* cache);
void UninstallTextureCache(TextureCache* cache);

// Decodes with the shared parameters (1 level, managed, triangle filter);
// never cached.
TextureInfo CreateTextureFromMemory(const uint8_t* bytes, uint32_t count);
// A resource module opened as data and cached by file name; null when it
// cannot be opened.
HMODULE LoadResourceModule(const zvi_string& path);
// The executable's "DDS" resource id decoded, with a full mip chain when asked.
HRESULT LoadProgramTexture(int id, ComPtr<IDirect3DTexture9>* out, bool fullMipChain);
// The module of a module link when it is a file found on disk (whose
// resources come before the project's stored copies), else null.
HMODULE ModuleFileOf(const DS_FileLink3& link);
// The bytes of a resource of a module, or null.
const uint8_t* LockModuleResource(HMODULE module, uint32_t id, LPCWSTR type, uint32_t* size);

bool LoadXMeshFromMemory(const uint8_t* bytes, uint32_t count, uint32_t stride, MeshBuffers* out);
bool LoadXMeshFromFile(const zvi_string& path, uint32_t stride, MeshBuffers* out);
