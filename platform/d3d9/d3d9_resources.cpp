// Textures, surfaces, vertex and index buffers, private data, the adapter
// object and the test hooks.
#include <SDL.h>

#include <malloc.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9/d3d9_impl.h"
#include "platform/d3d9/gl_loader.h"

using namespace d3d9gl;

namespace d3d9impl {

namespace {
// Texture unit used for uploads, away from the units the stages use.
constexpr GLenum kScratchUnit = GL_TEXTURE0 + 7;

void SetSwizzle(const FormatDesc* d) {
  if (!d || d->depth) return;
  glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, d->swizzle);
}

HRESULT QueryChain(IUnknown* self, REFIID riid, void** out, std::initializer_list<const IID*> iids) {
  if (!out) return E_POINTER;
  static const IID kUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  bool match = riid == kUnknown;
  for (const IID* i : iids) match = match || riid == *i;
  if (!match) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  self->AddRef();
  *out = self;
  return S_OK;
}
}  // namespace

// ---------------------------------------------------------------- private data
HRESULT PrivateData::Set(REFGUID guid, const void* data, DWORD size, DWORD flags) {
  if (!data && size) return D3DERR_INVALIDCALL;
  Free(guid);
  Entry e;
  if (flags & D3DSPD_IUNKNOWN) {
    if (size != sizeof(IUnknown*)) return D3DERR_INVALIDCALL;
    std::memcpy(&e.object, data, sizeof(IUnknown*));
    if (e.object) e.object->AddRef();
  } else {
    e.bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  }
  entries_[guid] = std::move(e);
  return D3D_OK;
}

HRESULT PrivateData::Get(REFGUID guid, void* data, DWORD* size) const {
  auto it = entries_.find(guid);
  if (it == entries_.end()) return D3DERR_NOTFOUND;
  if (!size) return D3DERR_INVALIDCALL;
  const Entry& e = it->second;
  DWORD need = e.object ? static_cast<DWORD>(sizeof(IUnknown*)) : static_cast<DWORD>(e.bytes.size());
  if (!data) {
    *size = need;
    return D3D_OK;
  }
  if (*size < need) {
    *size = need;
    return D3DERR_MOREDATA;
  }
  if (e.object) {
    e.object->AddRef();
    std::memcpy(data, &e.object, sizeof(IUnknown*));
  } else if (need) {
    std::memcpy(data, e.bytes.data(), need);
  }
  *size = need;
  return D3D_OK;
}

HRESULT PrivateData::Free(REFGUID guid) {
  auto it = entries_.find(guid);
  if (it == entries_.end()) return D3DERR_NOTFOUND;
  if (it->second.object) it->second.object->Release();
  entries_.erase(it);
  return D3D_OK;
}

void PrivateData::Clear() {
  for (auto& kv : entries_)
    if (kv.second.object) kv.second.object->Release();
  entries_.clear();
}

// ---------------------------------------------------------------- surface
namespace {
std::atomic<uint64_t> g_liveSurfaceBytes{0};
}  // namespace

uint64_t LiveSurfaceBytes() { return g_liveSurfaceBytes.load(); }

Surface::Surface(Device* device, Texture* container, UINT level, UINT width, UINT height, D3DFORMAT format,
                 DWORD usage, D3DPOOL pool, bool internal)
    : ResourceBase(device, pool, internal),
      container_(container),
      level_(level),
      width_(width),
      height_(height),
      format_(format),
      desc_(FindFormat(format)),
      usage_(usage) {
  if (desc_) pitch_ = RowPitch(*desc_, width);
  if (desc_ && !IsRenderTarget() && !IsDepth())
    memory_.assign(static_cast<size_t>(pitch_) * RowCount(*desc_, height), 0);
  // The device's own surfaces are resized in place and not the application's.
  if (desc_ && (container_ || !internal)) {
    counted_ = static_cast<uint64_t>(pitch_) * RowCount(*desc_, height);
    g_liveSurfaceBytes += counted_;
  }
}

Surface::~Surface() {
  g_liveSurfaceBytes -= counted_;
  if (own_texture_) {
    device_->MakeCurrent();
    glDeleteTextures(1, &own_texture_);
  }
}

HRESULT Surface::QueryInterface(REFIID riid, void** out) {
  return QueryChain(this, riid, out, {&IID_IDirect3DResource9, &IID_IDirect3DSurface9});
}

ULONG Surface::AddRef() { return container_ ? container_->AddRef() : ResourceBase::AddRef(); }
ULONG Surface::Release() { return container_ ? container_->Release() : ResourceBase::Release(); }

HRESULT Surface::GetContainer(REFIID riid, void** out) {
  if (container_) return container_->QueryInterface(riid, out);
  return device_->QueryInterface(riid, out);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* d) {
  if (!d) return D3DERR_INVALIDCALL;
  d->Format = format_;
  d->Type = D3DRTYPE_SURFACE;
  d->Usage = usage_;
  d->Pool = pool_;
  d->MultiSampleType = D3DMULTISAMPLE_NONE;
  d->MultiSampleQuality = 0;
  d->Width = width_;
  d->Height = height_;
  return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  if (!locked || memory_.empty() || locked_) return D3DERR_INVALIDCALL;
  LONG left = 0, top = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(width_) ||
        rect->bottom > static_cast<LONG>(height_) || rect->left >= rect->right || rect->top >= rect->bottom)
      return D3DERR_INVALIDCALL;
    left = rect->left;
    top = rect->top;
  }
  size_t offset = desc_->compressed ? static_cast<size_t>(top / 4) * pitch_ + static_cast<size_t>(left / 4) * desc_->bytes
                                    : static_cast<size_t>(top) * pitch_ + static_cast<size_t>(left) * desc_->bytes;
  locked->Pitch = static_cast<INT>(pitch_);
  locked->pBits = memory_.data() + offset;
  locked_ = true;
  read_only_lock_ = (flags & D3DLOCK_READONLY) != 0;
  return D3D_OK;
}

HRESULT Surface::UnlockRect() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (!read_only_lock_) Upload();
  return D3D_OK;
}

uint32_t Surface::GLTexture() const { return container_ ? container_->gl_ : own_texture_; }

bool Surface::CreateStorage() {
  if (!desc_) return false;
  device_->MakeCurrent();
  if (!own_texture_) glGenTextures(1, &own_texture_);
  glActiveTexture(kScratchUnit);
  glBindTexture(GL_TEXTURE_2D, own_texture_);
  while (glGetError() != GL_NO_ERROR) {
  }
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(desc_->internal), static_cast<GLsizei>(width_),
               static_cast<GLsizei>(height_), 0, desc_->pixel_format, desc_->pixel_type, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  SetSwizzle(desc_);
  return glGetError() == GL_NO_ERROR;
}

void Surface::Resize(UINT width, UINT height) {
  width_ = width;
  height_ = height;
  if (desc_) pitch_ = RowPitch(*desc_, width);
  CreateStorage();
}

void Surface::Upload() {
  if (!container_ || !container_->GLBacked() || memory_.empty()) return;
  device_->MakeCurrent();
  std::vector<uint8_t> scratch;
  const uint8_t* data = UploadData(*desc_, memory_.data(), pitch_, width_, height_, &scratch);
  glActiveTexture(kScratchUnit);
  glBindTexture(GL_TEXTURE_2D, container_->gl_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level_), 0, 0, static_cast<GLsizei>(width_),
                  static_cast<GLsizei>(height_), desc_->pixel_format, desc_->pixel_type, data);
}

std::vector<uint8_t> Surface::ReadBGRA() {
  std::vector<uint8_t> out;
  if (!desc_ || IsDepth()) return out;
  if (!memory_.empty()) {
    out.resize(static_cast<size_t>(width_) * height_ * 4);
    if (!ToBGRA(*desc_, memory_.data(), pitch_, width_, height_, out.data())) out.clear();
    return out;
  }
  return device_->ReadSurfaceGL(this);
}

bool Surface::WriteBGRA(const uint8_t* bgra) {
  if (!desc_ || IsDepth()) return false;
  if (!memory_.empty()) {
    if (!FromBGRA(*desc_, bgra, width_, height_, memory_.data(), pitch_)) return false;
    Upload();
    return true;
  }
  uint32_t tex = GLTexture();
  if (!tex) return false;
  device_->MakeCurrent();
  glActiveTexture(kScratchUnit);
  glBindTexture(GL_TEXTURE_2D, tex);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level_), 0, 0, static_cast<GLsizei>(width_),
                  static_cast<GLsizei>(height_), GL_BGRA, GL_UNSIGNED_BYTE, bgra);
  return true;
}

// ---------------------------------------------------------------- texture
Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ResourceBase(device, pool, false), width_(width), height_(height), usage_(usage), format_(format) {
  UINT full = 1;
  for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) ++full;
  UINT n = (levels == 0 || levels > full) ? full : levels;
  if (usage & D3DUSAGE_AUTOGENMIPMAP) n = full;
  for (UINT i = 0; i < n; ++i)
    levels_.push_back(std::make_unique<Surface>(device, this, i, std::max(1u, width >> i), std::max(1u, height >> i),
                                                format, usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC), pool, true));
}

Texture::~Texture() {
  levels_.clear();
  if (gl_) {
    device_->MakeCurrent();
    glDeleteTextures(1, &gl_);
  }
}

bool Texture::Create() {
  const FormatDesc* d = FindFormat(format_);
  if (!d || d->depth) return false;
  if (pool_ == D3DPOOL_SYSTEMMEM || pool_ == D3DPOOL_SCRATCH) return true;
  device_->MakeCurrent();
  glGenTextures(1, &gl_);
  glActiveTexture(kScratchUnit);
  glBindTexture(GL_TEXTURE_2D, gl_);
  while (glGetError() != GL_NO_ERROR) {
  }
  for (size_t i = 0; i < levels_.size(); ++i)
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), static_cast<GLint>(d->internal),
                 static_cast<GLsizei>(levels_[i]->Width()), static_cast<GLsizei>(levels_[i]->Height()), 0,
                 d->pixel_format, d->pixel_type, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_.size() - 1));
  SetSwizzle(d);
  return glGetError() == GL_NO_ERROR;
}

HRESULT Texture::QueryInterface(REFIID riid, void** out) {
  return QueryChain(this, riid, out, {&IID_IDirect3DResource9, &IID_IDirect3DBaseTexture9, &IID_IDirect3DTexture9});
}

DWORD Texture::SetLOD(DWORD lod) {
  DWORD old = lod_;
  if (pool_ == D3DPOOL_MANAGED) lod_ = std::min<DWORD>(lod, static_cast<DWORD>(levels_.size() - 1));
  return old;
}

void Texture::GenerateMipSubLevels() {
  if (!gl_ || levels_.size() < 2) return;
  device_->MakeCurrent();
  glActiveTexture(kScratchUnit);
  glBindTexture(GL_TEXTURE_2D, gl_);
  glGenerateMipmap(GL_TEXTURE_2D);
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  Surface* s = Level(level);
  return s ? s->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** out) {
  Surface* s = Level(level);
  if (!s || !out) return D3DERR_INVALIDCALL;
  s->AddRef();
  *out = s;
  return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  Surface* s = Level(level);
  return s ? s->LockRect(locked, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT Texture::UnlockRect(UINT level) {
  Surface* s = Level(level);
  return s ? s->UnlockRect() : D3DERR_INVALIDCALL;
}

// ---------------------------------------------------------------- buffers
HRESULT Buffer::Lock(Device* device, UINT offset, UINT size, void** data, DWORD flags) {
  if (!data || offset > bytes.size()) return D3DERR_INVALIDCALL;
  if (size == 0) size = static_cast<UINT>(bytes.size()) - offset;
  if (size > bytes.size() - offset) return D3DERR_INVALIDCALL;
  *data = bytes.data() + offset;
  if (!(flags & D3DLOCK_READONLY)) {
    if (dirty_begin == dirty_end) {
      dirty_begin = offset;
      dirty_end = offset + size;
    } else {
      dirty_begin = std::min(dirty_begin, offset);
      dirty_end = std::max(dirty_end, offset + size);
    }
    if (flags & D3DLOCK_DISCARD) discard = true;
  }
  ++lock_count;
  return D3D_OK;
}

HRESULT Buffer::Unlock(Device* device) {
  if (lock_count == 0) return D3DERR_INVALIDCALL;
  if (--lock_count > 0 || dirty_begin == dirty_end) return D3D_OK;
  device->MakeCurrent();
  glBindBuffer(GL_COPY_WRITE_BUFFER, gl);
  if (discard || (dirty_begin == 0 && dirty_end == bytes.size()))
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(bytes.size()), bytes.data(), GL_DYNAMIC_DRAW);
  else
    glBufferSubData(GL_COPY_WRITE_BUFFER, dirty_begin, dirty_end - dirty_begin, bytes.data() + dirty_begin);
  dirty_begin = dirty_end = 0;
  discard = false;
  return D3D_OK;
}

namespace {
void CreateGLBuffer(Device* device, Buffer& b, UINT length) {
  b.bytes.assign(length, 0);
  device->MakeCurrent();
  glGenBuffers(1, &b.gl);
  glBindBuffer(GL_COPY_WRITE_BUFFER, b.gl);
  glBufferData(GL_COPY_WRITE_BUFFER, length, b.bytes.data(), GL_DYNAMIC_DRAW);
}
}  // namespace

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : ResourceBase(device, pool, false), usage_(usage), fvf_(fvf) {
  CreateGLBuffer(device, buffer_, length);
}

VertexBuffer::~VertexBuffer() {
  device_->MakeCurrent();
  glDeleteBuffers(1, &buffer_.gl);
}

HRESULT VertexBuffer::QueryInterface(REFIID riid, void** out) {
  return QueryChain(this, riid, out, {&IID_IDirect3DResource9, &IID_IDirect3DVertexBuffer9});
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* d) {
  if (!d) return D3DERR_INVALIDCALL;
  d->Format = D3DFMT_VERTEXDATA;
  d->Type = D3DRTYPE_VERTEXBUFFER;
  d->Usage = usage_;
  d->Pool = pool_;
  d->Size = static_cast<UINT>(buffer_.bytes.size());
  d->FVF = fvf_;
  return D3D_OK;
}

IndexBuffer::IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ResourceBase(device, pool, false), usage_(usage), format_(format) {
  CreateGLBuffer(device, buffer_, length);
}

IndexBuffer::~IndexBuffer() {
  device_->MakeCurrent();
  glDeleteBuffers(1, &buffer_.gl);
}

HRESULT IndexBuffer::QueryInterface(REFIID riid, void** out) {
  return QueryChain(this, riid, out, {&IID_IDirect3DResource9, &IID_IDirect3DIndexBuffer9});
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* d) {
  if (!d) return D3DERR_INVALIDCALL;
  d->Format = format_;
  d->Type = D3DRTYPE_INDEXBUFFER;
  d->Usage = usage_;
  d->Pool = pool_;
  d->Size = static_cast<UINT>(buffer_.bytes.size());
  return D3D_OK;
}

// ---------------------------------------------------------------- adapter
void FillCaps(D3DCAPS9* c) {
  std::memset(c, 0, sizeof(*c));
  c->DeviceType = D3DDEVTYPE_HAL;
  c->PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
  c->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
  c->PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                         D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_SEPARATEALPHABLEND;
  c->RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SCISSORTEST;
  c->ZCmpCaps = c->AlphaCmpCaps = 0xFF;
  c->SrcBlendCaps = c->DestBlendCaps = 0x3FF;
  c->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  c->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PROJECTED |
                   D3DPTEXTURECAPS_MIPMAP;
  c->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                         D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  c->StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                             D3DPTFILTERCAPS_MAGFLINEAR;
  c->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                          D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV;
  c->MaxTextureWidth = c->MaxTextureHeight = kMaxTextureSize;
  c->MaxTextureRepeat = 8192;
  c->MaxTextureAspectRatio = kMaxTextureSize;
  c->MaxAnisotropy = 1;
  c->MaxVertexW = 1e10f;
  c->GuardBandLeft = c->GuardBandTop = -32768.f;
  c->GuardBandRight = c->GuardBandBottom = 32768.f;
  c->FVFCaps = 8 | D3DFVFCAPS_DONOTSTRIPELEMENTS;
  c->TextureOpCaps = 0x03FFFFFF;
  c->MaxTextureBlendStages = kStages;
  c->MaxSimultaneousTextures = kStages;
  c->VertexProcessingCaps =
      D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
  c->MaxActiveLights = kMaxLights;
  c->MaxUserClipPlanes = 6;
  c->MaxPointSize = 64.f;
  c->MaxPrimitiveCount = 0xFFFFF;
  c->MaxVertexIndex = 0xFFFFFF;
  c->MaxStreams = 1;
  c->MaxStreamStride = 255;
  c->VertexShaderVersion = D3DVS_VERSION(3, 0);
  c->MaxVertexShaderConst = 256;
  c->PixelShaderVersion = D3DPS_VERSION(3, 0);
  c->PixelShader1xMaxValue = 65504.f;
  c->NumberOfAdaptersInGroup = 1;
  c->NumSimultaneousRTs = 1;
}

Direct3D::Direct3D() { video_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0; }
Direct3D::~Direct3D() {
  if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

HRESULT Direct3D::QueryInterface(REFIID riid, void** out) { return QueryChain(this, riid, out, {&IID_IDirect3D9}); }

UINT Direct3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  return adapter == 0 && (format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8) ? 1 : 0;
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) {
  if (mode >= GetAdapterModeCount(adapter, format)) return D3DERR_INVALIDCALL;
  return GetAdapterDisplayMode(adapter, out);
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out) {
  if (adapter != 0 || !out) return D3DERR_INVALIDCALL;
  SDL_DisplayMode m{};
  if (!video_ || SDL_GetDesktopDisplayMode(0, &m) != 0 || m.w <= 0 || m.h <= 0) {
    m.w = 1920;
    m.h = 1080;
    m.refresh_rate = 60;
  }
  out->Width = static_cast<UINT>(m.w);
  out->Height = static_cast<UINT>(m.h);
  out->RefreshRate = static_cast<UINT>(m.refresh_rate > 0 ? m.refresh_rate : 60);
  out->Format = D3DFMT_X8R8G8B8;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapter_format, D3DFORMAT bb_format,
                                  BOOL) {
  if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  if (adapter_format != D3DFMT_X8R8G8B8) return D3DERR_NOTAVAILABLE;
  if (bb_format != D3DFMT_X8R8G8B8 && bb_format != D3DFMT_A8R8G8B8 && bb_format != D3DFMT_UNKNOWN)
    return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT, DWORD usage, D3DRESOURCETYPE rtype,
                                    D3DFORMAT fmt) {
  if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  const FormatDesc* d = FindFormat(fmt);
  if (!d) return D3DERR_NOTAVAILABLE;
  if (usage & D3DUSAGE_DEPTHSTENCIL) return d->depth && rtype == D3DRTYPE_SURFACE ? D3D_OK : D3DERR_NOTAVAILABLE;
  if (d->depth) return D3DERR_NOTAVAILABLE;
  if (usage & D3DUSAGE_RENDERTARGET)
    return (fmt == D3DFMT_A8R8G8B8 || fmt == D3DFMT_X8R8G8B8) ? D3D_OK : D3DERR_NOTAVAILABLE;
  if (rtype != D3DRTYPE_TEXTURE && rtype != D3DRTYPE_SURFACE) return D3DERR_NOTAVAILABLE;
  // 24-bit pixels exist for read-back surfaces only, as on most adapters.
  if (fmt == D3DFMT_R8G8B8 && rtype != D3DRTYPE_SURFACE) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE ms,
                                             DWORD* quality) {
  if (quality) *quality = ms == D3DMULTISAMPLE_NONE ? 1 : 0;
  return adapter == 0 && ms == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT ds) {
  const FormatDesc* d = FindFormat(ds);
  return adapter == 0 && d && d->depth ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  FillCaps(caps);
  return D3D_OK;
}

}  // namespace d3d9impl

IDirect3D9* Direct3DCreate9(UINT sdk_version) {
  if (sdk_version != D3D_SDK_VERSION) return nullptr;
  // The GL driver keeps texture storage in malloc blocks. With a fixed mmap
  // threshold every big block is mapped on its own and goes back to the
  // system when its texture is freed; glibc's moving threshold would put
  // later ones in the heap, where a show's slides pile them up.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  return new d3d9impl::Direct3D();
}

void D3D9_SimulateDeviceLoss(IDirect3DDevice9* device) {
  if (device) static_cast<d3d9impl::Device*>(device)->SimulateLoss();
}

uint64_t D3D9_LiveSurfaceBytes() { return d3d9impl::LiveSurfaceBytes(); }

std::vector<uint8_t> D3D9_ReadBack(IDirect3DSurface9* surface) {
  if (!surface) return {};
  return static_cast<d3d9impl::Surface*>(surface)->ReadBGRA();
}

HRESULT D3D9_WritePixels(IDirect3DSurface9* surface, const uint8_t* bgra) {
  if (!surface || !bgra) return D3DERR_INVALIDCALL;
  return static_cast<d3d9impl::Surface*>(surface)->WriteBGRA(bgra) ? D3D_OK : D3DERR_INVALIDCALL;
}

UINT D3D9_DefaultPoolResourceCount(IDirect3DDevice9* device) {
  return device ? static_cast<d3d9impl::Device*>(device)->DefaultPoolCount() : 0;
}

uint64_t D3D9_DrawCallCount(IDirect3DDevice9* device) {
  return device ? static_cast<d3d9impl::Device*>(device)->DrawCalls() : 0;
}

void D3D9_Finish(IDirect3DDevice9* device) {
  if (!device) return;
  static_cast<d3d9impl::Device*>(device)->MakeCurrent();
  glFinish();
}
