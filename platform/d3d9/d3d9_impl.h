#pragma once
// Internal classes of the device layer. Engine code uses d3d9.h only.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/d3d9_formats.h"
#include "platform/d3d9/pixel_memory.h"

struct SDL_Window;

namespace d3d9impl {

class Device;
class Texture;

// Bytes of the application's live surfaces and texture levels.
uint64_t LiveSurfaceBytes();

// Application data attached to a resource (SetPrivateData).
class PrivateData {
 public:
  ~PrivateData() { Clear(); }
  HRESULT Set(REFGUID guid, const void* data, DWORD size, DWORD flags);
  HRESULT Get(REFGUID guid, void* data, DWORD* size) const;
  HRESULT Free(REFGUID guid);
  void Clear();

 private:
  struct Entry {
    std::vector<uint8_t> bytes;
    IUnknown* object = nullptr;
  };
  struct Less {
    bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
  };
  std::map<GUID, Entry, Less> entries_;
};

// Reference counting, device link and private data shared by every resource.
template <class Iface>
class ResourceBase : public Iface {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }
  HRESULT GetDevice(IDirect3DDevice9** out) override;
  HRESULT SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) override {
    return private_.Set(guid, data, size, flags);
  }
  HRESULT GetPrivateData(REFGUID guid, void* data, DWORD* size) override { return private_.Get(guid, data, size); }
  HRESULT FreePrivateData(REFGUID guid) override { return private_.Free(guid); }
  DWORD SetPriority(DWORD p) override {
    DWORD old = priority_;
    priority_ = p;
    return old;
  }
  DWORD GetPriority() override { return priority_; }
  void PreLoad() override {}

 protected:
  // Internal resources (texture levels, the back buffer) neither hold the
  // device nor count as the application's default-pool resources.
  ResourceBase(Device* device, D3DPOOL pool, bool internal);
  virtual ~ResourceBase();
  Device* device_;
  D3DPOOL pool_;
  bool internal_;
  std::atomic<ULONG> refs_{1};
  PrivateData private_;
  DWORD priority_ = 0;
};

// One two-dimensional image: a texture level, a standalone render target or
// depth surface, an offscreen surface, or the back buffer.
class Surface final : public ResourceBase<IDirect3DSurface9> {
 public:
  Surface(Device* device, Texture* container, UINT level, UINT width, UINT height, D3DFORMAT format, DWORD usage,
          D3DPOOL pool, bool internal);
  ~Surface() override;

  HRESULT QueryInterface(REFIID riid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetContainer(REFIID riid, void** container) override;
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect() override;

  // Creates the GL storage of a standalone surface; false on failure.
  bool CreateStorage();
  // Sends the CPU copy to GL (texture levels of GL-backed textures).
  void Upload();
  // Pixels as BGRA rows; reads GL for render targets.
  std::vector<uint8_t> ReadBGRA();
  // Replaces the pixels from BGRA rows (CPU copy and GL).
  bool WriteBGRA(const uint8_t* bgra);
  // Changes the size of a device-owned surface (back buffer, automatic depth).
  void Resize(UINT width, UINT height);

  bool IsRenderTarget() const { return (usage_ & D3DUSAGE_RENDERTARGET) != 0; }
  bool IsDepth() const { return (usage_ & D3DUSAGE_DEPTHSTENCIL) != 0; }
  bool HasMemory() const { return !memory_.empty(); }
  uint32_t GLTexture() const;
  UINT Level() const { return level_; }
  UINT Width() const { return width_; }
  UINT Height() const { return height_; }
  D3DFORMAT Format() const { return format_; }
  const FormatDesc* Desc() const { return desc_; }
  uint8_t* Memory() { return memory_.data(); }
  uint32_t Pitch() const { return pitch_; }
  Texture* Container() const { return container_; }

 private:
  Texture* container_;
  UINT level_;
  UINT width_, height_;
  D3DFORMAT format_;
  const FormatDesc* desc_;
  DWORD usage_;
  uint32_t pitch_ = 0;
  PixelBytes memory_;
  uint32_t own_texture_ = 0;  // GL texture of a standalone surface
  uint64_t counted_ = 0;      // bytes added to the live-surface count
  bool locked_ = false;
  bool read_only_lock_ = false;
};

class Texture final : public ResourceBase<IDirect3DTexture9> {
 public:
  Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  ~Texture() override;
  bool Create();

  HRESULT QueryInterface(REFIID riid, void** out) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD SetLOD(DWORD lod) override;
  DWORD GetLOD() override { return lod_; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE f) override {
    autogen_ = f;
    return D3D_OK;
  }
  D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autogen_; }
  void GenerateMipSubLevels() override;
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** out) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;
  HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

  uint32_t GL() const { return gl_; }
  bool GLBacked() const { return gl_ != 0; }
  Surface* Level(UINT i) const { return i < levels_.size() ? levels_[i].get() : nullptr; }
  D3DFORMAT Format() const { return format_; }
  DWORD Usage() const { return usage_; }
  D3DPOOL Pool() const { return pool_; }

 private:
  friend class Surface;
  UINT width_, height_;
  DWORD usage_;
  D3DFORMAT format_;
  std::vector<std::unique_ptr<Surface>> levels_;
  uint32_t gl_ = 0;
  DWORD lod_ = 0;
  D3DTEXTUREFILTERTYPE autogen_ = D3DTEXF_LINEAR;
};

// Vertex and index buffers: a CPU copy that Unlock sends to a GL buffer.
class Buffer {
 public:
  HRESULT Lock(Device* device, UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock(Device* device);
  uint32_t gl = 0;
  std::vector<uint8_t> bytes;
  UINT lock_count = 0;
  UINT dirty_begin = 0, dirty_end = 0;
  bool discard = false;
};

class VertexBuffer final : public ResourceBase<IDirect3DVertexBuffer9> {
 public:
  VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
  ~VertexBuffer() override;
  HRESULT QueryInterface(REFIID riid, void** out) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return buffer_.Lock(device_, offset, size, data, flags);
  }
  HRESULT Unlock() override { return buffer_.Unlock(device_); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
  uint32_t GL() const { return buffer_.gl; }

 private:
  Buffer buffer_;
  DWORD usage_, fvf_;
};

class IndexBuffer final : public ResourceBase<IDirect3DIndexBuffer9> {
 public:
  IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  ~IndexBuffer() override;
  HRESULT QueryInterface(REFIID riid, void** out) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return buffer_.Lock(device_, offset, size, data, flags);
  }
  HRESULT Unlock() override { return buffer_.Unlock(device_); }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
  uint32_t GL() const { return buffer_.gl; }
  D3DFORMAT Format() const { return format_; }

 private:
  Buffer buffer_;
  DWORD usage_;
  D3DFORMAT format_;
};

// The state that selects a generated fixed-function program.
struct ProgramKey {
  uint32_t fvf = 0;
  uint32_t flags = 0;
  uint32_t stages[4][2] = {};
  bool operator==(const ProgramKey& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};
struct ProgramKeyHash {
  size_t operator()(const ProgramKey& k) const;
};

enum UniformGroup { kUTransform, kUViewport, kUTexMatrix, kULighting, kUStage, kUGroupCount };

struct Program {
  uint32_t id = 0;
  int32_t u_wvp = -1, u_wv = -1, u_nrm = -1, u_vp = -1, u_half = -1, u_texm = -1;
  int32_t u_mat = -1, u_amb = -1, u_power = -1, u_light = -1;
  int32_t u_tfactor = -1, u_bump = -1, u_const = -1, u_alpharef = -1;
  uint64_t seen[kUGroupCount] = {};
};

// Flag bits of ProgramKey::flags.
constexpr uint32_t kKeyLighting = 1u << 0;
constexpr uint32_t kKeyLightShift = 1;  // 4 bits: number of lights
constexpr uint32_t kKeySpecular = 1u << 5;
constexpr uint32_t kKeyNormalize = 1u << 6;
constexpr uint32_t kKeyLocalViewer = 1u << 7;
constexpr uint32_t kKeyColorVertex = 1u << 8;
constexpr uint32_t kKeyMcsShift = 9;  // 4 x 2 bits: diffuse, specular, ambient, emissive sources
constexpr uint32_t kKeyFlat = 1u << 17;
constexpr uint32_t kKeyAlphaShift = 18;  // 4 bits: alpha test function, 0 = off

// Generates and links the program for a key; 0 on failure (message in *log).
uint32_t BuildProgram(const ProgramKey& key, std::string* log);

class Direct3D final : public IDirect3D9 {
 public:
  Direct3D();
  ~Direct3D() override;
  HRESULT QueryInterface(REFIID riid, void** out) override;
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }
  UINT GetAdapterCount() override { return 1; }
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) override;
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out) override;
  HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapter_format, D3DFORMAT bb_format,
                          BOOL windowed) override;
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapter_format, DWORD usage,
                            D3DRESOURCETYPE rtype, D3DFORMAT check_format) override;
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT fmt, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE ms, DWORD* quality) override;
  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapter_format, D3DFORMAT rt_format,
                                 D3DFORMAT ds_format) override;
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                       IDirect3DDevice9** out) override;

 private:
  std::atomic<ULONG> refs_{1};
  bool video_ = false;
};

void FillCaps(D3DCAPS9* caps);
constexpr UINT kMaxTextureSize = 4096;
constexpr UINT kStages = 4;     // texture stages and samplers that draw
constexpr UINT kMaxLights = 8;  // directional lights in the generated program

class Device final : public IDirect3DDevice9 {
 public:
  Device(Direct3D* d3d, const D3DDEVICE_CREATION_PARAMETERS& creation);
  ~Device() override;
  // Creates the context and the back buffer; an error HRESULT on failure.
  HRESULT Init(SDL_Window* window, bool own_window, const D3DPRESENT_PARAMETERS& pp);

  HRESULT QueryInterface(REFIID riid, void** out) override;
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override;

  HRESULT TestCooperativeLevel() override;
  UINT GetAvailableTextureMem() override { return 512u << 20; }
  HRESULT EvictManagedResources() override { return D3D_OK; }
  HRESULT GetDirect3D(IDirect3D9** out) override;
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
  HRESULT GetDisplayMode(UINT swap_chain, D3DDISPLAYMODE* mode) override;
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
  HRESULT Present(const RECT* source, const RECT* dest, HWND dest_window, const void* dirty_region) override;
  HRESULT GetBackBuffer(UINT swap_chain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** out) override;
  HRESULT GetRasterStatus(UINT swap_chain, D3DRASTER_STATUS* status) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** out, HANDLE* shared) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out,
                             HANDLE* shared) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** out,
                            HANDLE* shared) override;
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms, DWORD q,
                             BOOL lockable, IDirect3DSurface9** out, HANDLE* shared) override;
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE ms, DWORD q,
                                    BOOL discard, IDirect3DSurface9** out, HANDLE* shared) override;
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** out, HANDLE* shared) override;
  HRESULT UpdateSurface(IDirect3DSurface9* source, const RECT* source_rect, IDirect3DSurface9* dest,
                        const POINT* dest_point) override;
  HRESULT UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* dest) override;
  HRESULT GetRenderTargetData(IDirect3DSurface9* render_target, IDirect3DSurface9* dest) override;
  HRESULT StretchRect(IDirect3DSurface9* source, const RECT* source_rect, IDirect3DSurface9* dest,
                      const RECT* dest_rect, D3DTEXTUREFILTERTYPE filter) override;
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override;
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** out) override;
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** out) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT SetMaterial(const D3DMATERIAL9* material) override;
  HRESULT GetMaterial(D3DMATERIAL9* material) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
  HRESULT SetClipPlane(DWORD index, const float* plane) override;
  HRESULT GetClipPlane(DWORD index, float* plane) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** out) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT ValidateDevice(DWORD* passes) override;
  HRESULT SetScissorRect(const RECT* rect) override;
  HRESULT GetScissorRect(RECT* rect) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start_vertex, UINT count) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base_vertex, UINT min_index, UINT num_vertices,
                               UINT start_index, UINT count) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override;
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT min_index, UINT num_vertices, UINT count,
                                 const void* index_data, D3DFORMAT index_format, const void* vertex_data,
                                 UINT stride) override;
  HRESULT SetFVF(DWORD fvf) override;
  HRESULT GetFVF(DWORD* fvf) override;
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
  HRESULT GetVertexShader(IDirect3DVertexShader9** out) override;
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
  HRESULT GetPixelShader(IDirect3DPixelShader9** out) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) override;
  HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** out, UINT* offset, UINT* stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* indices) override;
  HRESULT GetIndices(IDirect3DIndexBuffer9** out) override;

  // For the resources and the hooks.
  void MakeCurrent();
  void ResourceCreated(bool default_pool) {
    if (default_pool) ++default_pool_;
    AddRef();
  }
  // Unbinds the resource; releases the device reference of an application resource.
  void ResourceDestroyed(bool internal, bool default_pool, const void* resource);
  UINT DefaultPoolCount() const { return default_pool_; }
  uint64_t DrawCalls() const { return draw_calls_; }
  const D3DPRESENT_PARAMETERS& Params() const { return pp_; }
  void SimulateLoss() { lost_state_ = 1; }
  // Read-back helpers: a read framebuffer with the surface attached.
  std::vector<uint8_t> ReadSurfaceGL(Surface* s);
  void BlitSurfaces(Surface* src, const RECT& sr, Surface* dst, const RECT& dr, bool linear);
  void ClearSurfaceGL(Surface* s, const RECT& r, D3DCOLOR color);

 private:
  void SetDefaultStates();
  void GrowLights(DWORD index);
  void CreateDeviceSurfaces();
  HRESULT Prepare(DWORD fvf, uint32_t buffer, UINT offset, UINT stride);
  void ApplyFramebuffer();
  void ApplyRenderStates();
  void ApplyTextures();
  Program* CurrentProgram(DWORD fvf);
  void UploadUniforms(Program* p);
  void SetupAttributes(DWORD fvf, uint32_t buffer, size_t offset, UINT stride);
  void AttachColour(uint32_t target, Surface* s);
  uint32_t SamplerFor(UINT stage);
  void Touch(UniformGroup g) { ++generation_[g]; }
  enum GLSlot {
    kGLDepth, kGLDepthMask, kGLBlend, kGLBlendFunc, kGLBlendEquation, kGLBlendColour, kGLCull, kGLColourMask,
    kGLScissor, kGLScissorRect, kGLFill, kGLStencil, kGLStencilMask, kGLSlotCount
  };
  template <class F>
  void Cached(GLSlot slot, uint64_t value, F apply);
  // After GL state was changed behind the cache (clears, copies, presentation).
  void ForgetGLState();
  uint64_t gl_cache_[kGLSlotCount] = {};

  std::atomic<ULONG> refs_{1};
  Direct3D* d3d_;
  D3DDEVICE_CREATION_PARAMETERS creation_;
  D3DPRESENT_PARAMETERS pp_{};
  SDL_Window* window_ = nullptr;
  bool own_window_ = false;
  void* context_ = nullptr;
  bool gl_ready_ = false;
  int lost_state_ = 0;  // 0 fine, 1 lost (report once), 2 waiting for Reset
  UINT default_pool_ = 0;

  // Device state as the application set it.
  DWORD rs_[256] = {};
  DWORD tss_[8][33] = {};
  DWORD ss_[16][14] = {};
  D3DMATRIX world_{}, view_{}, proj_{}, texm_[8] = {};
  D3DVIEWPORT9 viewport_{};
  D3DMATERIAL9 material_{};
  struct LightSlot {
    D3DLIGHT9 light{};
    bool enabled = false;
  };
  std::vector<LightSlot> lights_;
  float clip_planes_[6][4] = {};
  RECT scissor_{};
  Texture* textures_[8] = {};
  VertexBuffer* stream_ = nullptr;
  UINT stream_offset_ = 0, stream_stride_ = 0;
  IndexBuffer* indices_ = nullptr;
  DWORD fvf_ = 0;
  Surface* render_target_ = nullptr;
  Surface* depth_ = nullptr;
  Surface* back_buffer_ = nullptr;
  Surface* auto_depth_ = nullptr;
  bool in_scene_ = false;
  uint64_t draw_calls_ = 0;  // draws that reached GL, for tests

  // GL side.
  uint32_t fbo_ = 0, read_fbo_ = 0, draw_fbo2_ = 0, vao_ = 0, up_vbo_ = 0, up_ibo_ = 0;
  std::unordered_map<ProgramKey, Program, ProgramKeyHash> programs_;
  std::unordered_map<uint64_t, uint32_t> samplers_;
  uint64_t generation_[kUGroupCount] = {1, 1, 1, 1, 1};
  bool fb_dirty_ = true, rs_dirty_ = true, key_dirty_ = true, tex_dirty_ = true;
  ProgramKey last_key_{};
  Program* last_program_ = nullptr;
  Program* bound_program_ = nullptr;
  uint32_t bound_textures_[kStages] = {}, bound_samplers_[kStages] = {};
  uint32_t attr_buffer_ = 0;
  size_t attr_offset_ = ~size_t(0);
  UINT attr_stride_ = 0;
  DWORD attr_fvf_ = 0;
  uint32_t bound_index_buffer_ = 0;
  uint32_t fbo_colour_ = 0, fbo_depth_ = 0;
  UINT fbo_colour_level_ = 0;
};

template <class Iface>
ResourceBase<Iface>::ResourceBase(Device* device, D3DPOOL pool, bool internal)
    : device_(device), pool_(pool), internal_(internal) {
  if (!internal_) device_->ResourceCreated(pool_ == D3DPOOL_DEFAULT);
}

template <class Iface>
ResourceBase<Iface>::~ResourceBase() {
  device_->ResourceDestroyed(internal_, pool_ == D3DPOOL_DEFAULT, this);
}

template <class Iface>
HRESULT ResourceBase<Iface>::GetDevice(IDirect3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  device_->AddRef();
  *out = device_;
  return D3D_OK;
}

}  // namespace d3d9impl
