// The device: state, default values, the framebuffer, drawing, clearing,
// presentation, reset and the lost-device simulation.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/d3d9/d3d9_impl.h"
#include "platform/d3d9/d3d9_draw_hook.h"
#include "platform/d3d9/gl_loader.h"
#include "platform/win32/window.h"

using namespace d3d9gl;

namespace d3d9impl {

namespace {

thread_local Device* t_current = nullptr;

inline DWORD F2DW(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.f;
  return m;
}

D3DMATRIX Mul(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0.f;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

// Inverse transpose of the upper 3 x 3 of m, row-major (normals as row vectors).
void NormalMatrix(const D3DMATRIX& m, float out[9]) {
  float a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31, h = m._32, i = m._33;
  float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
  float D = -(b * i - c * h), E = a * i - c * g, F = -(a * h - b * g);
  float G = b * f - c * e, H = -(a * f - c * d), I = a * e - b * d;
  float det = a * A + b * B + c * C;
  float inv = std::fabs(det) > 1e-20f ? 1.f / det : 0.f;
  // (M^-1)^T = cofactor matrix / det.
  float r[9] = {A, B, C, D, E, F, G, H, I};
  for (int k = 0; k < 9; ++k) out[k] = r[k] * inv;
}

void ColourToFloat(D3DCOLOR c, float out[4]) {
  out[0] = ((c >> 16) & 0xFF) / 255.f;
  out[1] = ((c >> 8) & 0xFF) / 255.f;
  out[2] = (c & 0xFF) / 255.f;
  out[3] = (c >> 24) / 255.f;
}

GLenum BlendFactor(DWORD b, bool alpha_of_src_only = false) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
  }
}

GLenum BlendOp(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLenum CompareFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum StencilOp(DWORD op) {
  switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLint AddressMode(DWORD a) {
  switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_MIRROR_CLAMP_TO_EDGE;
    default: return GL_REPEAT;
  }
}

bool PrimitiveShape(D3DPRIMITIVETYPE type, UINT count, GLenum* mode, GLsizei* vertices) {
  switch (type) {
    case D3DPT_POINTLIST: *mode = GL_POINTS; *vertices = static_cast<GLsizei>(count); break;
    case D3DPT_LINELIST: *mode = GL_LINES; *vertices = static_cast<GLsizei>(count * 2); break;
    case D3DPT_LINESTRIP: *mode = GL_LINE_STRIP; *vertices = static_cast<GLsizei>(count + 1); break;
    case D3DPT_TRIANGLELIST: *mode = GL_TRIANGLES; *vertices = static_cast<GLsizei>(count * 3); break;
    case D3DPT_TRIANGLESTRIP: *mode = GL_TRIANGLE_STRIP; *vertices = static_cast<GLsizei>(count + 2); break;
    case D3DPT_TRIANGLEFAN: *mode = GL_TRIANGLE_FAN; *vertices = static_cast<GLsizei>(count + 2); break;
    default: return false;
  }
  return count > 0;
}

// Bytes of one vertex of the format, 0 when the format has no position.
UINT VertexSize(DWORD fvf) {
  UINT n = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: n = 12; break;
    case D3DFVF_XYZRHW: n = 16; break;
    case D3DFVF_XYZW: n = 16; break;
    case D3DFVF_XYZB1: case D3DFVF_XYZB2: case D3DFVF_XYZB3: case D3DFVF_XYZB4: case D3DFVF_XYZB5:
      n = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZ) / 2);
      break;
    default: return 0;
  }
  if (fvf & D3DFVF_NORMAL) n += 12;
  if (fvf & D3DFVF_PSIZE) n += 4;
  if (fvf & D3DFVF_DIFFUSE) n += 4;
  if (fvf & D3DFVF_SPECULAR) n += 4;
  UINT tc = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  for (UINT i = 0; i < tc && i < 8; ++i) {
    static const UINT sizes[4] = {2, 3, 4, 1};
    n += 4 * sizes[(fvf >> (16 + 2 * i)) & 3];
  }
  return n;
}

bool IsRtFormat(D3DFORMAT f) { return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8; }

}  // namespace

size_t ProgramKeyHash::operator()(const ProgramKey& k) const {
  const uint32_t* w = reinterpret_cast<const uint32_t*>(&k);
  uint64_t h = 1469598103934665603ull;
  for (size_t i = 0; i < sizeof(ProgramKey) / 4; ++i) h = (h ^ w[i]) * 1099511628211ull;
  return static_cast<size_t>(h);
}

// ---------------------------------------------------------------- life
Device::Device(Direct3D* d3d, const D3DDEVICE_CREATION_PARAMETERS& creation) : d3d_(d3d), creation_(creation) {
  d3d_->AddRef();
}

Device::~Device() {
  if (context_ && gl_ready_) {
    MakeCurrent();
    delete back_buffer_;
    delete auto_depth_;
    back_buffer_ = auto_depth_ = nullptr;
    for (auto& kv : programs_) glDeleteProgram(kv.second.id);
    for (auto& kv : samplers_) glDeleteSamplers(1, &kv.second);
    glDeleteFramebuffers(1, &fbo_);
    glDeleteFramebuffers(1, &read_fbo_);
    glDeleteFramebuffers(1, &draw_fbo2_);
    glDeleteBuffers(1, &up_vbo_);
    glDeleteBuffers(1, &up_ibo_);
    glDeleteVertexArrays(1, &vao_);
  }
  if (context_) {
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
  }
  if (t_current == this) t_current = nullptr;
  if (own_window_ && window_) SDL_DestroyWindow(window_);
  d3d_->Release();
}

ULONG Device::Release() {
  ULONG r = --refs_;
  if (r == 0) delete this;
  return r;
}

HRESULT Device::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  static const IID kUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  if (riid == kUnknown || riid == IID_IDirect3DDevice9) {
    AddRef();
    *out = static_cast<IDirect3DDevice9*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

void Device::MakeCurrent() {
  if (t_current != this && context_) {
    SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
    t_current = this;
  }
}

HRESULT Device::Init(SDL_Window* window, bool own_window, const D3DPRESENT_PARAMETERS& pp) {
  window_ = window;
  own_window_ = own_window;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GLContext ctx = SDL_GL_CreateContext(window_);
  if (!ctx) return D3DERR_NOTAVAILABLE;
  context_ = ctx;
  t_current = nullptr;
  MakeCurrent();
  const char* missing = nullptr;
  if (!LoadFunctions(&missing)) return D3DERR_NOTAVAILABLE;
  gl_ready_ = true;
  glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  glGenVertexArrays(1, &vao_);
  glBindVertexArray(vao_);
  glGenFramebuffers(1, &fbo_);
  glGenFramebuffers(1, &read_fbo_);
  glGenFramebuffers(1, &draw_fbo2_);
  glGenBuffers(1, &up_vbo_);
  glGenBuffers(1, &up_ibo_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  pp_ = pp;
  CreateDeviceSurfaces();
  if (!back_buffer_) return D3DERR_NOTAVAILABLE;
  SDL_GL_SetSwapInterval(pp_.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
  SetDefaultStates();
  return D3D_OK;
}

void Device::CreateDeviceSurfaces() {
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window_, &dw, &dh);
  if (pp_.BackBufferWidth == 0) pp_.BackBufferWidth = dw > 0 ? static_cast<UINT>(dw) : 1;
  if (pp_.BackBufferHeight == 0) pp_.BackBufferHeight = dh > 0 ? static_cast<UINT>(dh) : 1;
  if (pp_.BackBufferFormat == D3DFMT_UNKNOWN) pp_.BackBufferFormat = D3DFMT_X8R8G8B8;
  if (pp_.BackBufferCount == 0) pp_.BackBufferCount = 1;
  D3DFORMAT bb = IsRtFormat(pp_.BackBufferFormat) ? pp_.BackBufferFormat : D3DFMT_X8R8G8B8;
  if (!back_buffer_) {
    back_buffer_ = new Surface(this, nullptr, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, bb,
                               D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, true);
    back_buffer_->CreateStorage();
  } else {
    back_buffer_->Resize(pp_.BackBufferWidth, pp_.BackBufferHeight);
  }
  if (pp_.EnableAutoDepthStencil) {
    const FormatDesc* d = FindFormat(pp_.AutoDepthStencilFormat);
    D3DFORMAT df = d && d->depth ? pp_.AutoDepthStencilFormat : D3DFMT_D24S8;
    if (!auto_depth_) {
      auto_depth_ = new Surface(this, nullptr, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, df,
                                D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, true);
      auto_depth_->CreateStorage();
    } else {
      auto_depth_->Resize(pp_.BackBufferWidth, pp_.BackBufferHeight);
    }
  } else if (auto_depth_) {
    delete auto_depth_;
    auto_depth_ = nullptr;
  }
}

void Device::SetDefaultStates() {
  std::memset(rs_, 0, sizeof(rs_));
  rs_[D3DRS_ZENABLE] = auto_depth_ ? D3DZB_TRUE : D3DZB_FALSE;
  rs_[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs_[D3DRS_ZWRITEENABLE] = TRUE;
  rs_[D3DRS_LASTPIXEL] = TRUE;
  rs_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs_[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs_[D3DRS_FOGEND] = F2DW(1.f);
  rs_[D3DRS_FOGDENSITY] = F2DW(1.f);
  rs_[D3DRS_STENCILFAIL] = rs_[D3DRS_STENCILZFAIL] = rs_[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs_[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs_[D3DRS_STENCILMASK] = rs_[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  rs_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs_[D3DRS_CLIPPING] = TRUE;
  rs_[D3DRS_LIGHTING] = TRUE;
  rs_[D3DRS_COLORVERTEX] = TRUE;
  rs_[D3DRS_LOCALVIEWER] = TRUE;
  rs_[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs_[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs_[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs_[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs_[D3DRS_POINTSIZE] = F2DW(1.f);
  rs_[D3DRS_POINTSIZE_MIN] = F2DW(1.f);
  rs_[D3DRS_POINTSCALE_A] = F2DW(1.f);
  rs_[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs_[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  rs_[D3DRS_POINTSIZE_MAX] = F2DW(64.f);
  rs_[D3DRS_COLORWRITEENABLE] = 0xF;
  rs_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  rs_[D3DRS_MINTESSELLATIONLEVEL] = F2DW(1.f);
  rs_[D3DRS_MAXTESSELLATIONLEVEL] = F2DW(1.f);
  rs_[D3DRS_ADAPTIVETESS_Z] = F2DW(1.f);
  rs_[D3DRS_CCW_STENCILFAIL] = rs_[D3DRS_CCW_STENCILZFAIL] = rs_[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs_[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
  rs_[D3DRS_COLORWRITEENABLE1] = rs_[D3DRS_COLORWRITEENABLE2] = rs_[D3DRS_COLORWRITEENABLE3] = 0xF;
  rs_[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
  rs_[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  rs_[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  rs_[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

  std::memset(tss_, 0, sizeof(tss_));
  for (DWORD s = 0; s < 8; ++s) {
    tss_[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    tss_[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    tss_[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
    tss_[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    tss_[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    tss_[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    tss_[s][D3DTSS_TEXCOORDINDEX] = s;
    tss_[s][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    tss_[s][D3DTSS_COLORARG0] = tss_[s][D3DTSS_ALPHAARG0] = tss_[s][D3DTSS_RESULTARG] = D3DTA_CURRENT;
  }
  std::memset(ss_, 0, sizeof(ss_));
  for (auto& s : ss_) {
    s[D3DSAMP_ADDRESSU] = s[D3DSAMP_ADDRESSV] = s[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    s[D3DSAMP_MAGFILTER] = s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    s[D3DSAMP_MAXANISOTROPY] = 1;
  }
  world_ = view_ = proj_ = Identity();
  for (auto& m : texm_) m = Identity();
  material_ = D3DMATERIAL9{};
  material_.Diffuse = {1.f, 1.f, 1.f, 1.f};
  lights_.clear();
  std::memset(clip_planes_, 0, sizeof(clip_planes_));
  for (auto& t : textures_) t = nullptr;
  stream_ = nullptr;
  stream_offset_ = stream_stride_ = 0;
  indices_ = nullptr;
  fvf_ = 0;
  render_target_ = back_buffer_;
  depth_ = auto_depth_;
  viewport_ = {0, 0, back_buffer_->Width(), back_buffer_->Height(), 0.f, 1.f};
  scissor_ = {0, 0, static_cast<LONG>(back_buffer_->Width()), static_cast<LONG>(back_buffer_->Height())};
  in_scene_ = false;
  fb_dirty_ = key_dirty_ = tex_dirty_ = true;
  ForgetGLState();
  for (auto& g : generation_) ++g;
  attr_offset_ = ~size_t(0);
}

void Device::ResourceDestroyed(bool internal, bool default_pool, const void* resource) {
  for (auto& t : textures_)
    if (static_cast<const void*>(t) == resource) {
      t = nullptr;
      key_dirty_ = true;
    }
  if (static_cast<const void*>(stream_) == resource) stream_ = nullptr;
  if (static_cast<const void*>(indices_) == resource) indices_ = nullptr;
  if (static_cast<const void*>(render_target_) == resource) render_target_ = nullptr;
  if (static_cast<const void*>(depth_) == resource) depth_ = nullptr;
  // GL names may be reused by the next object: forget what is bound.
  fb_dirty_ = tex_dirty_ = true;
  fbo_colour_ = fbo_depth_ = 0;
  for (auto& b : bound_textures_) b = ~0u;
  attr_offset_ = ~size_t(0);
  bound_index_buffer_ = ~0u;
  if (!internal) {
    if (default_pool && default_pool_ > 0) --default_pool_;
    Release();
  }
}

// ---------------------------------------------------------------- device-wide
HRESULT Device::TestCooperativeLevel() {
  if (lost_state_ == 1) {
    lost_state_ = 2;
    return D3DERR_DEVICELOST;
  }
  return lost_state_ == 2 ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT Device::GetDirect3D(IDirect3D9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  d3d_->AddRef();
  *out = d3d_;
  return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  FillCaps(caps);
  return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT, D3DDISPLAYMODE* mode) { return d3d_->GetAdapterDisplayMode(0, mode); }

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) {
  if (!p) return D3DERR_INVALIDCALL;
  *p = creation_;
  return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* params) {
  if (!params) return D3DERR_INVALIDCALL;
  // As on Direct3D 9, every default-pool resource must be gone first.
  if (default_pool_ > 0) return D3DERR_INVALIDCALL;
  MakeCurrent();
  pp_ = *params;
  CreateDeviceSurfaces();
  *params = pp_;
  SDL_GL_SetSwapInterval(pp_.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
  SetDefaultStates();
  lost_state_ = 0;
  return D3D_OK;
}

HRESULT Device::Present(const RECT*, const RECT*, HWND, const void*) {
  if (lost_state_) return D3DERR_DEVICELOST;
  MakeCurrent();
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window_, &dw, &dh);
  if (dw > 0 && dh > 0) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read_fbo_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, back_buffer_->GLTexture(), 0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    bool same = static_cast<UINT>(dw) == back_buffer_->Width() && static_cast<UINT>(dh) == back_buffer_->Height();
    // Our rows run top-down; the window's run bottom-up.
    glBlitFramebuffer(0, 0, static_cast<GLint>(back_buffer_->Width()), static_cast<GLint>(back_buffer_->Height()), 0,
                      dh, dw, 0, GL_COLOR_BUFFER_BIT, same ? GL_NEAREST : GL_LINEAR);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  }
  SDL_GL_SwapWindow(window_);
  fb_dirty_ = true;
  ForgetGLState();
  return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT swap_chain, UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface9** out) {
  if (!out || swap_chain != 0 || index != 0 || !back_buffer_) return D3DERR_INVALIDCALL;
  back_buffer_->AddRef();
  *out = back_buffer_;
  return D3D_OK;
}

HRESULT Device::GetRasterStatus(UINT, D3DRASTER_STATUS* status) {
  if (!status) return D3DERR_INVALIDCALL;
  status->InVBlank = FALSE;
  status->ScanLine = 0;
  return D3D_OK;
}

// ---------------------------------------------------------------- creation
HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** out, HANDLE*) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  const FormatDesc* d = FindFormat(format);
  if (width == 0 || height == 0 || !d || d->depth || (usage & D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
  if (width > kMaxTextureSize || height > kMaxTextureSize) return D3DERR_INVALIDCALL;
  if (format == D3DFMT_R8G8B8) return D3DERR_NOTAVAILABLE;  // read-back surfaces only
  if (usage & D3DUSAGE_RENDERTARGET) {
    if (pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if (!IsRtFormat(format)) return D3DERR_NOTAVAILABLE;
  }
  if (pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC)) return D3DERR_INVALIDCALL;
  auto* t = new Texture(this, width, height, levels, usage, format, pool);
  if (!t->Create()) {
    t->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *out = t;
  return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** out,
                                   HANDLE*) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (length == 0) return D3DERR_INVALIDCALL;
  *out = new VertexBuffer(this, length, usage, fvf, pool);
  return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** out, HANDLE*) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) return D3DERR_INVALIDCALL;
  *out = new IndexBuffer(this, length, usage, format, pool);
  return D3D_OK;
}

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE, DWORD, BOOL,
                                   IDirect3DSurface9** out, HANDLE*) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize) return D3DERR_INVALIDCALL;
  if (!IsRtFormat(format)) return D3DERR_NOTAVAILABLE;
  auto* s = new Surface(this, nullptr, 0, width, height, format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, false);
  if (!s->CreateStorage()) {
    s->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *out = s;
  return D3D_OK;
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE, DWORD,
                                          BOOL, IDirect3DSurface9** out, HANDLE*) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  const FormatDesc* d = FindFormat(format);
  if (!d || !d->depth || width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize)
    return D3DERR_INVALIDCALL;
  auto* s = new Surface(this, nullptr, 0, width, height, format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, false);
  if (!s->CreateStorage()) {
    s->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *out = s;
  return D3D_OK;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** out, HANDLE*) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  const FormatDesc* d = FindFormat(format);
  if (!d || d->depth || width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize ||
      pool == D3DPOOL_MANAGED)
    return D3DERR_INVALIDCALL;
  *out = new Surface(this, nullptr, 0, width, height, format, 0, pool, false);
  return D3D_OK;
}

// ---------------------------------------------------------------- copies
namespace {
bool ValidRect(const RECT& r, UINT w, UINT h) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= static_cast<LONG>(w) &&
         r.bottom <= static_cast<LONG>(h);
}
RECT Whole(Surface* s) { return {0, 0, static_cast<LONG>(s->Width()), static_cast<LONG>(s->Height())}; }

// Copies a rectangle of BGRA pixels into another, scaling by nearest texel.
void ScaleInto(const std::vector<uint8_t>& src, UINT sw, const RECT& sr, std::vector<uint8_t>& dst, UINT dw,
               const RECT& dr) {
  LONG w = dr.right - dr.left, h = dr.bottom - dr.top;
  LONG srw = sr.right - sr.left, srh = sr.bottom - sr.top;
  for (LONG y = 0; y < h; ++y) {
    LONG sy = sr.top + static_cast<LONG>((static_cast<int64_t>(y) * srh) / h);
    for (LONG x = 0; x < w; ++x) {
      LONG sx = sr.left + static_cast<LONG>((static_cast<int64_t>(x) * srw) / w);
      std::memcpy(&dst[(static_cast<size_t>(dr.top + y) * dw + dr.left + x) * 4],
                  &src[(static_cast<size_t>(sy) * sw + sx) * 4], 4);
    }
  }
  (void)sw;
}
}  // namespace

HRESULT Device::UpdateSurface(IDirect3DSurface9* source, const RECT* source_rect, IDirect3DSurface9* dest,
                              const POINT* dest_point) {
  auto* s = static_cast<Surface*>(source);
  auto* d = static_cast<Surface*>(dest);
  if (!s || !d || s->Format() != d->Format()) return D3DERR_INVALIDCALL;
  RECT sr = source_rect ? *source_rect : Whole(s);
  POINT p = dest_point ? *dest_point : POINT{0, 0};
  RECT dr = {p.x, p.y, p.x + (sr.right - sr.left), p.y + (sr.bottom - sr.top)};
  if (!ValidRect(sr, s->Width(), s->Height()) || !ValidRect(dr, d->Width(), d->Height())) return D3DERR_INVALIDCALL;
  if (s->HasMemory() && d->HasMemory() && s->Width() == d->Width() && s->Height() == d->Height() && !source_rect &&
      !dest_point) {
    std::memcpy(d->Memory(), s->Memory(), static_cast<size_t>(d->Pitch()) * RowCount(*d->Desc(), d->Height()));
    d->Upload();
    return D3D_OK;
  }
  std::vector<uint8_t> src = s->ReadBGRA(), dst = d->ReadBGRA();
  if (src.empty() || dst.empty()) return D3DERR_INVALIDCALL;
  ScaleInto(src, s->Width(), sr, dst, d->Width(), dr);
  return d->WriteBGRA(dst.data()) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* dest) {
  auto* s = static_cast<Texture*>(source);
  auto* d = static_cast<Texture*>(dest);
  if (!s || !d || s->Format() != d->Format()) return D3DERR_INVALIDCALL;
  for (UINT i = 0; i < d->GetLevelCount() && i < s->GetLevelCount(); ++i) {
    HRESULT hr = UpdateSurface(s->Level(i), nullptr, d->Level(i), nullptr);
    if (FAILED(hr)) return hr;
  }
  return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* render_target, IDirect3DSurface9* dest) {
  auto* s = static_cast<Surface*>(render_target);
  auto* d = static_cast<Surface*>(dest);
  if (!s || !d || s->Width() != d->Width() || s->Height() != d->Height() || !d->HasMemory())
    return D3DERR_INVALIDCALL;
  std::vector<uint8_t> px = s->ReadBGRA();
  if (px.empty() || !d->WriteBGRA(px.data())) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT Device::StretchRect(IDirect3DSurface9* source, const RECT* source_rect, IDirect3DSurface9* dest,
                            const RECT* dest_rect, D3DTEXTUREFILTERTYPE filter) {
  auto* s = static_cast<Surface*>(source);
  auto* d = static_cast<Surface*>(dest);
  if (!s || !d || s->IsDepth() || d->IsDepth()) return D3DERR_INVALIDCALL;
  RECT sr = source_rect ? *source_rect : Whole(s);
  RECT dr = dest_rect ? *dest_rect : Whole(d);
  if (!ValidRect(sr, s->Width(), s->Height()) || !ValidRect(dr, d->Width(), d->Height())) return D3DERR_INVALIDCALL;
  // GL copies only into surfaces that have no CPU copy to keep in step.
  if (s->GLTexture() && d->GLTexture() && !d->HasMemory() && !s->Desc()->compressed) {
    BlitSurfaces(s, sr, d, dr, filter == D3DTEXF_LINEAR);
    return D3D_OK;
  }
  std::vector<uint8_t> src = s->ReadBGRA(), dst = d->ReadBGRA();
  if (src.empty() || dst.empty()) return D3DERR_INVALIDCALL;
  ScaleInto(src, s->Width(), sr, dst, d->Width(), dr);
  return d->WriteBGRA(dst.data()) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
  auto* s = static_cast<Surface*>(surface);
  if (!s || s->IsDepth()) return D3DERR_INVALIDCALL;
  RECT r = rect ? *rect : Whole(s);
  if (!ValidRect(r, s->Width(), s->Height())) return D3DERR_INVALIDCALL;
  if (!s->HasMemory()) {
    ClearSurfaceGL(s, r, color);
    return D3D_OK;
  }
  std::vector<uint8_t> px = s->ReadBGRA();
  if (px.empty()) return D3DERR_INVALIDCALL;
  for (LONG y = r.top; y < r.bottom; ++y)
    for (LONG x = r.left; x < r.right; ++x) std::memcpy(&px[(static_cast<size_t>(y) * s->Width() + x) * 4], &color, 4);
  return s->WriteBGRA(px.data()) ? D3D_OK : D3DERR_INVALIDCALL;
}

std::vector<uint8_t> Device::ReadSurfaceGL(Surface* s) {
  std::vector<uint8_t> out;
  uint32_t tex = s->GLTexture();
  if (!tex || s->IsDepth()) return out;
  MakeCurrent();
  out.resize(static_cast<size_t>(s->Width()) * s->Height() * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, read_fbo_);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex,
                         static_cast<GLint>(s->Level()));
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, static_cast<GLsizei>(s->Width()), static_cast<GLsizei>(s->Height()), GL_BGRA, GL_UNSIGNED_BYTE,
               out.data());
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  if (s->Format() == D3DFMT_X8R8G8B8)
    for (size_t i = 3; i < out.size(); i += 4) out[i] = 255;
  return out;
}

void Device::BlitSurfaces(Surface* src, const RECT& sr, Surface* dst, const RECT& dr, bool linear) {
  MakeCurrent();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, read_fbo_);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, src->GLTexture(),
                         static_cast<GLint>(src->Level()));
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw_fbo2_);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, dst->GLTexture(),
                         static_cast<GLint>(dst->Level()));
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glBlitFramebuffer(sr.left, sr.top, sr.right, sr.bottom, dr.left, dr.top, dr.right, dr.bottom, GL_COLOR_BUFFER_BIT,
                    linear ? GL_LINEAR : GL_NEAREST);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  fb_dirty_ = true;
  ForgetGLState();
}

void Device::ClearSurfaceGL(Surface* s, const RECT& r, D3DCOLOR color) {
  MakeCurrent();
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw_fbo2_);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s->GLTexture(),
                         static_cast<GLint>(s->Level()));
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  float c[4];
  ColourToFloat(color, c);
  glClearColor(c[0], c[1], c[2], c[3]);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glEnable(GL_SCISSOR_TEST);
  glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
  glClear(GL_COLOR_BUFFER_BIT);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  fb_dirty_ = true;
  ForgetGLState();
}

// ---------------------------------------------------------------- targets
HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
  if (index != 0) return surface ? D3DERR_INVALIDCALL : D3D_OK;
  auto* s = static_cast<Surface*>(surface);
  if (!s || !s->IsRenderTarget()) return D3DERR_INVALIDCALL;
  render_target_ = s;
  // A new target resets the viewport and the scissor rectangle to the whole target.
  viewport_ = {0, 0, s->Width(), s->Height(), 0.f, 1.f};
  scissor_ = Whole(s);
  fb_dirty_ = rs_dirty_ = true;
  Touch(kUViewport);
  return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (index != 0) return D3DERR_INVALIDCALL;
  if (!render_target_) return D3DERR_NOTFOUND;
  render_target_->AddRef();
  *out = render_target_;
  return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* surface) {
  auto* s = static_cast<Surface*>(surface);
  if (s && !s->IsDepth()) return D3DERR_INVALIDCALL;
  depth_ = s;
  fb_dirty_ = rs_dirty_ = true;
  return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = depth_;
  if (!depth_) return D3DERR_NOTFOUND;
  depth_->AddRef();
  return D3D_OK;
}

HRESULT Device::BeginScene() {
  if (in_scene_) return D3DERR_INVALIDCALL;
  in_scene_ = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  if (!in_scene_) return D3DERR_INVALIDCALL;
  in_scene_ = false;
  return D3D_OK;
}

void Device::ApplyFramebuffer() {
  if (!fb_dirty_) return;
  glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
  uint32_t colour = render_target_ ? render_target_->GLTexture() : 0;
  UINT level = render_target_ ? render_target_->Level() : 0;
  if (colour != fbo_colour_ || level != fbo_colour_level_) {
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, static_cast<GLint>(level));
    fbo_colour_ = colour;
    fbo_colour_level_ = level;
  }
  uint32_t depth = depth_ ? depth_->GLTexture() : 0;
  if (depth != fbo_depth_) {
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
    fbo_depth_ = depth;
  }
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glViewport(static_cast<GLint>(viewport_.X), static_cast<GLint>(viewport_.Y), static_cast<GLsizei>(viewport_.Width),
             static_cast<GLsizei>(viewport_.Height));
  glDepthRange(viewport_.MinZ, viewport_.MaxZ);
  fb_dirty_ = false;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depth_) return D3DERR_INVALIDCALL;
  if (!render_target_) return D3DERR_INVALIDCALL;
  MakeCurrent();
  ApplyFramebuffer();
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
  if (flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
  if (flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
  if (!mask) return D3D_OK;
  float c[4];
  ColourToFloat(color, c);
  glClearColor(c[0], c[1], c[2], c[3]);
  glClearDepth(std::clamp(z, 0.f, 1.f));
  glClearStencil(static_cast<GLint>(stencil));
  // Clearing ignores the colour write mask.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFFFFFFFF);
  glEnable(GL_SCISSOR_TEST);
  RECT area = {static_cast<LONG>(viewport_.X), static_cast<LONG>(viewport_.Y),
               static_cast<LONG>(viewport_.X + viewport_.Width), static_cast<LONG>(viewport_.Y + viewport_.Height)};
  if (rs_[D3DRS_SCISSORTESTENABLE]) {
    area.left = std::max(area.left, scissor_.left);
    area.top = std::max(area.top, scissor_.top);
    area.right = std::min(area.right, scissor_.right);
    area.bottom = std::min(area.bottom, scissor_.bottom);
  }
  auto clear_rect = [&](LONG l, LONG t, LONG r, LONG b) {
    l = std::max(l, area.left);
    t = std::max(t, area.top);
    r = std::min(r, area.right);
    b = std::min(b, area.bottom);
    if (l >= r || t >= b) return;
    glScissor(l, t, r - l, b - t);
    glClear(mask);
  };
  if (count == 0 || !rects) {
    clear_rect(area.left, area.top, area.right, area.bottom);
  } else {
    for (DWORD i = 0; i < count; ++i) clear_rect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
  }
  ForgetGLState();
  return D3D_OK;
}

// ---------------------------------------------------------------- transforms, lights, states
HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) {
  if (!m) return D3DERR_INVALIDCALL;
  DWORD s = state;
  if (s == 256) {
    world_ = *m;
    Touch(kUTransform);
  } else if (s == D3DTS_VIEW) {
    view_ = *m;
    Touch(kUTransform);
    Touch(kULighting);
  } else if (s == D3DTS_PROJECTION) {
    proj_ = *m;
    Touch(kUTransform);
  } else if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7) {
    texm_[s - D3DTS_TEXTURE0] = *m;
    Touch(kUTexMatrix);
  } else if (s > 256 && s < 512) {
    return D3D_OK;  // further world matrices: vertex blending is not used
  } else {
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* m) {
  if (!m) return D3DERR_INVALIDCALL;
  DWORD s = state;
  if (s == 256) *m = world_;
  else if (s == D3DTS_VIEW) *m = view_;
  else if (s == D3DTS_PROJECTION) *m = proj_;
  else if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7) *m = texm_[s - D3DTS_TEXTURE0];
  else if (s > 256 && s < 512) *m = Identity();
  else return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* m) {
  if (!m) return D3DERR_INVALIDCALL;
  D3DMATRIX cur;
  HRESULT hr = GetTransform(state, &cur);
  if (FAILED(hr)) return hr;
  D3DMATRIX r = Mul(*m, cur);
  return SetTransform(state, &r);
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* v) {
  if (!v || !render_target_) return D3DERR_INVALIDCALL;
  if (v->Width == 0 || v->Height == 0 || static_cast<uint64_t>(v->X) + v->Width > render_target_->Width() ||
      static_cast<uint64_t>(v->Y) + v->Height > render_target_->Height())
    return D3DERR_INVALIDCALL;
  viewport_ = *v;
  fb_dirty_ = true;
  Touch(kUViewport);
  return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* v) {
  if (!v) return D3DERR_INVALIDCALL;
  *v = viewport_;
  return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* m) {
  if (!m) return D3DERR_INVALIDCALL;
  material_ = *m;
  Touch(kULighting);
  return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* m) {
  if (!m) return D3DERR_INVALIDCALL;
  *m = material_;
  return D3D_OK;
}

void Device::GrowLights(DWORD index) {
  if (index < lights_.size()) return;
  // A light never set is a white directional light along +z.
  size_t old = lights_.size();
  lights_.resize(index + 1);
  for (size_t i = old; i < lights_.size(); ++i) {
    D3DLIGHT9& l = lights_[i].light;
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1.f, 1.f, 1.f, 0.f};
    l.Direction = {0.f, 0.f, 1.f};
  }
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL || index > 0xFFFF)
    return D3DERR_INVALIDCALL;
  GrowLights(index);
  lights_[index].light = *light;
  Touch(kULighting);
  key_dirty_ = true;
  return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) {
  if (!light || index >= lights_.size()) return D3DERR_INVALIDCALL;
  *light = lights_[index].light;
  return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
  if (index > 0xFFFF) return D3DERR_INVALIDCALL;
  GrowLights(index);
  lights_[index].enabled = enable != FALSE;
  Touch(kULighting);
  key_dirty_ = true;
  return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
  if (!enable || index >= lights_.size()) return D3DERR_INVALIDCALL;
  *enable = lights_[index].enabled ? 128 : 0;
  return D3D_OK;
}

HRESULT Device::SetClipPlane(DWORD index, const float* plane) {
  if (!plane || index >= 6) return D3DERR_INVALIDCALL;
  std::memcpy(clip_planes_[index], plane, sizeof(float) * 4);
  return D3D_OK;
}

HRESULT Device::GetClipPlane(DWORD index, float* plane) {
  if (!plane || index >= 6) return D3DERR_INVALIDCALL;
  std::memcpy(plane, clip_planes_[index], sizeof(float) * 4);
  return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (static_cast<DWORD>(state) >= 256) return D3DERR_INVALIDCALL;
  if (rs_[state] == value) return D3D_OK;
  rs_[state] = value;
  switch (state) {
    case D3DRS_LIGHTING: case D3DRS_SPECULARENABLE: case D3DRS_NORMALIZENORMALS: case D3DRS_LOCALVIEWER:
    case D3DRS_COLORVERTEX: case D3DRS_DIFFUSEMATERIALSOURCE: case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE: case D3DRS_EMISSIVEMATERIALSOURCE: case D3DRS_SHADEMODE:
    case D3DRS_ALPHATESTENABLE: case D3DRS_ALPHAFUNC:
      key_dirty_ = true;
      break;
    case D3DRS_AMBIENT: Touch(kULighting); break;
    case D3DRS_TEXTUREFACTOR: case D3DRS_ALPHAREF: Touch(kUStage); break;
    default: rs_dirty_ = true; break;
  }
  return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (!value || static_cast<DWORD>(state) >= 256) return D3DERR_INVALIDCALL;
  *value = rs_[state];
  return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= 8) return stage >= D3DDMAPSAMPLER ? D3D_OK : D3DERR_INVALIDCALL;
  auto* t = static_cast<Texture*>(texture);
  if ((textures_[stage] != nullptr) != (t != nullptr)) key_dirty_ = true;
  textures_[stage] = t;
  tex_dirty_ = true;
  return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** out) {
  if (!out || stage >= 8) return D3DERR_INVALIDCALL;
  *out = textures_[stage];
  if (*out) (*out)->AddRef();
  return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= 8 || static_cast<DWORD>(type) > D3DTSS_CONSTANT) return D3DERR_INVALIDCALL;
  if (tss_[stage][type] == value) return D3D_OK;
  tss_[stage][type] = value;
  switch (type) {
    case D3DTSS_BUMPENVMAT00: case D3DTSS_BUMPENVMAT01: case D3DTSS_BUMPENVMAT10: case D3DTSS_BUMPENVMAT11:
    case D3DTSS_BUMPENVLSCALE: case D3DTSS_BUMPENVLOFFSET: case D3DTSS_CONSTANT:
      Touch(kUStage);
      break;
    default: key_dirty_ = true; break;
  }
  return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (!value || stage >= 8 || static_cast<DWORD>(type) > D3DTSS_CONSTANT) return D3DERR_INVALIDCALL;
  *value = tss_[stage][type];
  return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (static_cast<DWORD>(type) >= 14 || type == 0) return D3DERR_INVALIDCALL;
  if (sampler >= 16) return D3D_OK;  // displacement and vertex samplers are not used
  ss_[sampler][type] = value;
  tex_dirty_ = true;
  return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (!value || sampler >= 16 || static_cast<DWORD>(type) >= 14) return D3DERR_INVALIDCALL;
  *value = ss_[sampler][type];
  return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* passes) {
  if (passes) *passes = 1;
  return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* rect) {
  if (!rect) return D3DERR_INVALIDCALL;
  scissor_ = *rect;
  rs_dirty_ = true;
  return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* rect) {
  if (!rect) return D3DERR_INVALIDCALL;
  *rect = scissor_;
  return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
  if (fvf != fvf_) key_dirty_ = true;
  fvf_ = fvf;
  return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) {
  if (!fvf) return D3DERR_INVALIDCALL;
  *fvf = fvf_;
  return D3D_OK;
}

HRESULT Device::SetVertexShader(IDirect3DVertexShader9* shader) { return shader ? D3DERR_INVALIDCALL : D3D_OK; }
HRESULT Device::GetVertexShader(IDirect3DVertexShader9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  return D3D_OK;
}
HRESULT Device::SetPixelShader(IDirect3DPixelShader9* shader) { return shader ? D3DERR_INVALIDCALL : D3D_OK; }
HRESULT Device::GetPixelShader(IDirect3DPixelShader9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
  if (stream != 0) return buffer ? D3DERR_INVALIDCALL : D3D_OK;
  stream_ = static_cast<VertexBuffer*>(buffer);
  stream_offset_ = offset;
  stream_stride_ = stride;
  return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** out, UINT* offset, UINT* stride) {
  if (!out || !offset || !stride || stream != 0) return D3DERR_INVALIDCALL;
  *out = stream_;
  if (stream_) stream_->AddRef();
  *offset = stream_offset_;
  *stride = stream_stride_;
  return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* indices) {
  indices_ = static_cast<IndexBuffer*>(indices);
  return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = indices_;
  if (indices_) indices_->AddRef();
  return D3D_OK;
}

// ---------------------------------------------------------------- drawing
void Device::ForgetGLState() {
  for (auto& v : gl_cache_) v = ~uint64_t(0);
  rs_dirty_ = true;
}

// Sends a piece of state only when it differs from what GL already has.
template <class F>
inline void Device::Cached(GLSlot slot, uint64_t value, F apply) {
  if (gl_cache_[slot] == value) return;
  gl_cache_[slot] = value;
  apply();
}

void Device::ApplyRenderStates() {
  if (!rs_dirty_) return;
  rs_dirty_ = false;
  bool depth = depth_ != nullptr && rs_[D3DRS_ZENABLE] != D3DZB_FALSE;
  GLenum zfunc = CompareFunc(rs_[D3DRS_ZFUNC]);
  Cached(kGLDepth, depth ? zfunc : 0, [&] {
    if (depth) {
      glEnable(GL_DEPTH_TEST);
      glDepthFunc(zfunc);
    } else {
      glDisable(GL_DEPTH_TEST);
    }
  });
  bool zwrite = rs_[D3DRS_ZWRITEENABLE] != 0;
  Cached(kGLDepthMask, zwrite, [&] { glDepthMask(zwrite ? GL_TRUE : GL_FALSE); });
  bool blend = rs_[D3DRS_ALPHABLENDENABLE] != 0;
  Cached(kGLBlend, blend, [&] {
    if (blend) glEnable(GL_BLEND);
    else glDisable(GL_BLEND);
  });
  if (blend) {
    auto pair = [](DWORD src, DWORD dst, GLenum* s, GLenum* d) {
      if (src == D3DBLEND_BOTHSRCALPHA) {
        *s = GL_SRC_ALPHA;
        *d = GL_ONE_MINUS_SRC_ALPHA;
      } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
        *s = GL_ONE_MINUS_SRC_ALPHA;
        *d = GL_SRC_ALPHA;
      } else {
        *s = BlendFactor(src);
        *d = BlendFactor(dst);
      }
    };
    GLenum s, d, sa, da;
    pair(rs_[D3DRS_SRCBLEND], rs_[D3DRS_DESTBLEND], &s, &d);
    bool separate = rs_[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
    if (separate) {
      pair(rs_[D3DRS_SRCBLENDALPHA], rs_[D3DRS_DESTBLENDALPHA], &sa, &da);
    } else {
      sa = s;
      da = d;
    }
    Cached(kGLBlendFunc, (uint64_t(s) << 48) | (uint64_t(d) << 32) | (uint64_t(sa) << 16) | da,
           [&] { glBlendFuncSeparate(s, d, sa, da); });
    GLenum eq = BlendOp(rs_[D3DRS_BLENDOP]);
    GLenum eqa = separate ? BlendOp(rs_[D3DRS_BLENDOPALPHA]) : eq;
    Cached(kGLBlendEquation, (uint64_t(eq) << 32) | eqa, [&] { glBlendEquationSeparate(eq, eqa); });
    Cached(kGLBlendColour, rs_[D3DRS_BLENDFACTOR], [&] {
      float bf[4];
      ColourToFloat(rs_[D3DRS_BLENDFACTOR], bf);
      glBlendColor(bf[0], bf[1], bf[2], bf[3]);
    });
  }
  // Front faces are clockwise on screen (GL's facing follows the clip origin).
  DWORD cull = rs_[D3DRS_CULLMODE];
  Cached(kGLCull, cull, [&] {
    switch (cull) {
      case D3DCULL_CW:
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(GL_FRONT);
        break;
      case D3DCULL_CCW:
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(GL_BACK);
        break;
      default: glDisable(GL_CULL_FACE); break;
    }
  });
  DWORD cw = rs_[D3DRS_COLORWRITEENABLE] & 0xF;
  Cached(kGLColourMask, cw, [&] { glColorMask((cw & 1) != 0, (cw & 2) != 0, (cw & 4) != 0, (cw & 8) != 0); });
  bool scissor = rs_[D3DRS_SCISSORTESTENABLE] != 0;
  Cached(kGLScissor, scissor, [&] {
    if (scissor) glEnable(GL_SCISSOR_TEST);
    else glDisable(GL_SCISSOR_TEST);
  });
  if (scissor) {
    LONG w = std::max<LONG>(0, scissor_.right - scissor_.left), h = std::max<LONG>(0, scissor_.bottom - scissor_.top);
    Cached(kGLScissorRect,
           (uint64_t(uint16_t(scissor_.left)) << 48) | (uint64_t(uint16_t(scissor_.top)) << 32) |
               (uint64_t(uint16_t(w)) << 16) | uint16_t(h),
           [&] { glScissor(scissor_.left, scissor_.top, w, h); });
  }
  DWORD fill = rs_[D3DRS_FILLMODE];
  Cached(kGLFill, fill, [&] {
    glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
  });
  bool stencil = rs_[D3DRS_STENCILENABLE] && depth_;
  Cached(kGLStencil, stencil, [&] {
    if (stencil) glEnable(GL_STENCIL_TEST);
    else glDisable(GL_STENCIL_TEST);
  });
  if (stencil) {
    glStencilFunc(CompareFunc(rs_[D3DRS_STENCILFUNC]), static_cast<GLint>(rs_[D3DRS_STENCILREF]),
                  rs_[D3DRS_STENCILMASK]);
    glStencilOp(StencilOp(rs_[D3DRS_STENCILFAIL]), StencilOp(rs_[D3DRS_STENCILZFAIL]),
                StencilOp(rs_[D3DRS_STENCILPASS]));
    glStencilMask(rs_[D3DRS_STENCILWRITEMASK]);
    gl_cache_[kGLStencilMask] = ~uint64_t(0);
  }
}

uint32_t Device::SamplerFor(UINT stage) {
  const DWORD* s = ss_[stage];
  uint64_t key = (static_cast<uint64_t>(s[D3DSAMP_ADDRESSU] & 7)) | (static_cast<uint64_t>(s[D3DSAMP_ADDRESSV] & 7) << 3) |
                 (static_cast<uint64_t>(s[D3DSAMP_MINFILTER] & 7) << 6) |
                 (static_cast<uint64_t>(s[D3DSAMP_MAGFILTER] & 7) << 9) |
                 (static_cast<uint64_t>(s[D3DSAMP_MIPFILTER] & 7) << 12) |
                 (static_cast<uint64_t>(s[D3DSAMP_MAXMIPLEVEL] & 15) << 15) |
                 (static_cast<uint64_t>(s[D3DSAMP_BORDERCOLOR]) << 32);
  auto it = samplers_.find(key);
  if (it != samplers_.end()) return it->second;
  GLuint id = 0;
  glGenSamplers(1, &id);
  glSamplerParameteri(id, GL_TEXTURE_WRAP_S, AddressMode(s[D3DSAMP_ADDRESSU]));
  glSamplerParameteri(id, GL_TEXTURE_WRAP_T, AddressMode(s[D3DSAMP_ADDRESSV]));
  bool min_linear = s[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
  bool mag_linear = s[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR;
  GLint min;
  switch (s[D3DSAMP_MIPFILTER]) {
    case D3DTEXF_POINT: min = min_linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST; break;
    case D3DTEXF_LINEAR: min = min_linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR; break;
    default: min = min_linear ? GL_LINEAR : GL_NEAREST; break;
  }
  glSamplerParameteri(id, GL_TEXTURE_MIN_FILTER, min);
  glSamplerParameteri(id, GL_TEXTURE_MAG_FILTER, mag_linear ? GL_LINEAR : GL_NEAREST);
  glSamplerParameteri(id, GL_TEXTURE_MIN_LOD, static_cast<GLint>(s[D3DSAMP_MAXMIPLEVEL]));
  float border[4];
  ColourToFloat(s[D3DSAMP_BORDERCOLOR], border);
  glSamplerParameterfv(id, GL_TEXTURE_BORDER_COLOR, border);
  samplers_[key] = id;
  return id;
}

void Device::ApplyTextures() {
  if (!tex_dirty_) return;
  tex_dirty_ = false;
  for (UINT s = 0; s < kStages; ++s) {
    uint32_t t = textures_[s] ? textures_[s]->GL() : 0;
    if (bound_textures_[s] != t) {
      glActiveTexture(GL_TEXTURE0 + s);
      glBindTexture(GL_TEXTURE_2D, t);
      bound_textures_[s] = t;
    }
    uint32_t sm = SamplerFor(s);
    if (bound_samplers_[s] != sm) {
      glBindSampler(s, sm);
      bound_samplers_[s] = sm;
    }
  }
}

Program* Device::CurrentProgram(DWORD fvf) {
  if (!key_dirty_ && last_program_ && last_key_.fvf == fvf) return last_program_;
  ProgramKey k;
  k.fvf = fvf;
  bool rhw = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
  uint32_t f = 0;
  if (rs_[D3DRS_LIGHTING] && !rhw) {
    f |= kKeyLighting;
    uint32_t n = 0;
    for (const LightSlot& l : lights_)
      if (l.enabled && l.light.Type == D3DLIGHT_DIRECTIONAL && n < kMaxLights) ++n;
    f |= n << kKeyLightShift;
    if (rs_[D3DRS_SPECULARENABLE]) f |= kKeySpecular;
    if (rs_[D3DRS_NORMALIZENORMALS]) f |= kKeyNormalize;
    if (rs_[D3DRS_LOCALVIEWER]) f |= kKeyLocalViewer;
    if (rs_[D3DRS_COLORVERTEX]) f |= kKeyColorVertex;
    f |= (rs_[D3DRS_DIFFUSEMATERIALSOURCE] & 3) << kKeyMcsShift;
    f |= (rs_[D3DRS_SPECULARMATERIALSOURCE] & 3) << (kKeyMcsShift + 2);
    f |= (rs_[D3DRS_AMBIENTMATERIALSOURCE] & 3) << (kKeyMcsShift + 4);
    f |= (rs_[D3DRS_EMISSIVEMATERIALSOURCE] & 3) << (kKeyMcsShift + 6);
  } else if (rs_[D3DRS_SPECULARENABLE]) {
    f |= kKeySpecular;
  }
  if (rs_[D3DRS_SHADEMODE] == D3DSHADE_FLAT) f |= kKeyFlat;
  if (rs_[D3DRS_ALPHATESTENABLE]) f |= (rs_[D3DRS_ALPHAFUNC] & 15) << kKeyAlphaShift;
  k.flags = f;
  for (UINT s = 0; s < kStages; ++s) {
    const DWORD* t = tss_[s];
    if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    bool has_tex = textures_[s] != nullptr;
    // A stage with no texture whose first colour argument is the texture ends the chain.
    if (!has_tex && (t[D3DTSS_COLORARG1] & D3DTA_SELECTMASK) == D3DTA_TEXTURE) break;
    k.stages[s][0] = (t[D3DTSS_COLOROP] & 31) | ((t[D3DTSS_COLORARG1] & 63) << 5) | ((t[D3DTSS_COLORARG2] & 63) << 11) |
                     ((t[D3DTSS_ALPHAOP] & 31) << 17) | ((t[D3DTSS_ALPHAARG1] & 63) << 22) |
                     (has_tex ? 1u << 28 : 0u);
    DWORD tci = t[D3DTSS_TEXCOORDINDEX];
    DWORD ttff = t[D3DTSS_TEXTURETRANSFORMFLAGS];
    k.stages[s][1] = (t[D3DTSS_ALPHAARG2] & 63) | ((tci & 7) << 6) | (((tci >> 16) & 7) << 9) | ((ttff & 7) << 12) |
                     ((ttff & D3DTTFF_PROJECTED) ? 1u << 15 : 0u) | ((t[D3DTSS_COLORARG0] & 63) << 16) |
                     ((t[D3DTSS_ALPHAARG0] & 63) << 22);
  }
  key_dirty_ = false;
  last_key_ = k;
  auto it = programs_.find(k);
  if (it == programs_.end()) {
    std::string log;
    Program p;
    p.id = BuildProgram(k, &log);
    if (!p.id) {
      SDL_Log("d3d9: fixed-function program failed: %s", log.c_str());
      last_program_ = nullptr;
      return nullptr;
    }
    glUseProgram(p.id);
    bound_program_ = nullptr;
    for (int s = 0; s < static_cast<int>(kStages); ++s) {
      char name[16];
      std::snprintf(name, sizeof(name), "u_tex%d", s);
      GLint loc = glGetUniformLocation(p.id, name);
      if (loc >= 0) glUniform1i(loc, s);
    }
    p.u_wvp = glGetUniformLocation(p.id, "u_wvp");
    p.u_wv = glGetUniformLocation(p.id, "u_wv");
    p.u_nrm = glGetUniformLocation(p.id, "u_nrm");
    p.u_vp = glGetUniformLocation(p.id, "u_vp");
    p.u_half = glGetUniformLocation(p.id, "u_half");
    p.u_texm = glGetUniformLocation(p.id, "u_texm");
    p.u_mat = glGetUniformLocation(p.id, "u_mat");
    p.u_amb = glGetUniformLocation(p.id, "u_amb");
    p.u_power = glGetUniformLocation(p.id, "u_power");
    p.u_light = glGetUniformLocation(p.id, "u_light");
    p.u_tfactor = glGetUniformLocation(p.id, "u_tfactor");
    p.u_bump = glGetUniformLocation(p.id, "u_bump");
    p.u_const = glGetUniformLocation(p.id, "u_const");
    p.u_alpharef = glGetUniformLocation(p.id, "u_alpharef");
    it = programs_.emplace(k, p).first;
  }
  last_program_ = &it->second;
  return last_program_;
}

void Device::UploadUniforms(Program* p) {
  if (p->seen[kUTransform] != generation_[kUTransform]) {
    p->seen[kUTransform] = generation_[kUTransform];
    D3DMATRIX wv = Mul(world_, view_);
    D3DMATRIX wvp = Mul(wv, proj_);
    // Row-major D3D matrices read as column-major GLSL ones: M * v in GLSL is v * M here.
    if (p->u_wvp >= 0) glUniformMatrix4fv(p->u_wvp, 1, GL_FALSE, &wvp.m[0][0]);
    if (p->u_wv >= 0) glUniformMatrix4fv(p->u_wv, 1, GL_FALSE, &wv.m[0][0]);
    if (p->u_nrm >= 0) {
      float n[9];
      NormalMatrix(wv, n);
      glUniformMatrix3fv(p->u_nrm, 1, GL_FALSE, n);
    }
  }
  if (p->seen[kUViewport] != generation_[kUViewport]) {
    p->seen[kUViewport] = generation_[kUViewport];
    float w = static_cast<float>(std::max<DWORD>(1, viewport_.Width));
    float h = static_cast<float>(std::max<DWORD>(1, viewport_.Height));
    if (p->u_vp >= 0) glUniform4f(p->u_vp, static_cast<float>(viewport_.X), static_cast<float>(viewport_.Y), w, h);
    // Pixel centres sit on integer coordinates: shift by half a pixel (rows a
    // little less, see D3D9_ROW_CENTRE_SHIFT).
    if (p->u_half >= 0) glUniform4f(p->u_half, 1.f / w, -2.f * kD3D9RowCentreShift / h, 0.f, 0.f);
  }
  if (p->seen[kUTexMatrix] != generation_[kUTexMatrix]) {
    p->seen[kUTexMatrix] = generation_[kUTexMatrix];
    if (p->u_texm >= 0) glUniformMatrix4fv(p->u_texm, kStages, GL_FALSE, &texm_[0].m[0][0]);
  }
  if (p->seen[kULighting] != generation_[kULighting]) {
    p->seen[kULighting] = generation_[kULighting];
    if (p->u_mat >= 0) glUniform4fv(p->u_mat, 4, &material_.Diffuse.r);
    if (p->u_power >= 0) glUniform1f(p->u_power, material_.Power);
    if (p->u_amb >= 0) {
      float a[4];
      ColourToFloat(rs_[D3DRS_AMBIENT], a);
      glUniform4fv(p->u_amb, 1, a);
    }
    if (p->u_light >= 0) {
      float data[kMaxLights * 16] = {};
      UINT n = 0;
      for (const LightSlot& l : lights_) {
        if (!l.enabled || l.light.Type != D3DLIGHT_DIRECTIONAL || n >= kMaxLights) continue;
        const D3DVECTOR& d = l.light.Direction;
        // Towards the light, in view space.
        float v[3];
        for (int c = 0; c < 3; ++c) v[c] = -(d.x * view_.m[0][c] + d.y * view_.m[1][c] + d.z * view_.m[2][c]);
        float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (len > 0.f)
          for (float& c : v) c /= len;
        float* o = data + n * 16;
        o[0] = v[0], o[1] = v[1], o[2] = v[2], o[3] = 0.f;
        std::memcpy(o + 4, &l.light.Diffuse, 16);
        std::memcpy(o + 8, &l.light.Specular, 16);
        std::memcpy(o + 12, &l.light.Ambient, 16);
        ++n;
      }
      glUniform4fv(p->u_light, kMaxLights * 4, data);
    }
  }
  if (p->seen[kUStage] != generation_[kUStage]) {
    p->seen[kUStage] = generation_[kUStage];
    if (p->u_tfactor >= 0) {
      float c[4];
      ColourToFloat(rs_[D3DRS_TEXTUREFACTOR], c);
      glUniform4fv(p->u_tfactor, 1, c);
    }
    if (p->u_bump >= 0) {
      // Per stage: (m00, m01, m10, m11), (luminance scale, offset, 0, 0).
      float b[kStages * 8] = {};
      for (UINT s = 0; s < kStages; ++s) {
        std::memcpy(&b[s * 8], &tss_[s][D3DTSS_BUMPENVMAT00], 16);
        std::memcpy(&b[s * 8 + 4], &tss_[s][D3DTSS_BUMPENVLSCALE], 4);
        std::memcpy(&b[s * 8 + 5], &tss_[s][D3DTSS_BUMPENVLOFFSET], 4);
      }
      glUniform4fv(p->u_bump, kStages * 2, b);
    }
    if (p->u_const >= 0) {
      float c[kStages * 4];
      for (UINT s = 0; s < kStages; ++s) ColourToFloat(tss_[s][D3DTSS_CONSTANT], c + s * 4);
      glUniform4fv(p->u_const, kStages, c);
    }
    if (p->u_alpharef >= 0) glUniform1f(p->u_alpharef, static_cast<float>(rs_[D3DRS_ALPHAREF] & 0xFF));
  }
}

void Device::SetupAttributes(DWORD fvf, uint32_t buffer, size_t offset, UINT stride) {
  if (buffer == attr_buffer_ && offset == attr_offset_ && stride == attr_stride_ && fvf == attr_fvf_) return;
  attr_buffer_ = buffer;
  attr_offset_ = offset;
  attr_stride_ = stride;
  attr_fvf_ = fvf;
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  auto ptr = [&](size_t o) { return reinterpret_cast<const void*>(offset + o); };
  size_t o = 0;
  DWORD pos = fvf & D3DFVF_POSITION_MASK;
  glEnableVertexAttribArray(0);
  if (pos == D3DFVF_XYZRHW || pos == D3DFVF_XYZW) {
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, static_cast<GLsizei>(stride), ptr(0));
    o = 16;
  } else {
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, static_cast<GLsizei>(stride), ptr(0));
    o = 12 + (pos >= D3DFVF_XYZB1 && pos <= D3DFVF_XYZB5 ? 4 * ((pos - D3DFVF_XYZ) / 2) : 0);
  }
  auto attr = [&](GLuint index, bool on, GLint size, GLenum type, GLboolean norm, size_t bytes) {
    if (on) {
      glEnableVertexAttribArray(index);
      glVertexAttribPointer(index, size, type, norm, static_cast<GLsizei>(stride), ptr(o));
      o += bytes;
    } else {
      glDisableVertexAttribArray(index);
    }
  };
  attr(1, (fvf & D3DFVF_NORMAL) != 0, 3, GL_FLOAT, GL_FALSE, 12);
  if (fvf & D3DFVF_PSIZE) o += 4;
  attr(2, (fvf & D3DFVF_DIFFUSE) != 0, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
  attr(3, (fvf & D3DFVF_SPECULAR) != 0, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 4);
  UINT tc = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  for (UINT i = 0; i < 8; ++i) {
    static const GLint sizes[4] = {2, 3, 4, 1};
    GLint n = sizes[(fvf >> (16 + 2 * i)) & 3];
    attr(4 + i, i < tc, n, GL_FLOAT, GL_FALSE, 4 * static_cast<size_t>(n));
  }
}

HRESULT Device::Prepare(DWORD fvf, uint32_t buffer, UINT offset, UINT stride) {
  if (!render_target_ || VertexSize(fvf) == 0) return D3DERR_INVALIDCALL;
  MakeCurrent();
  ApplyFramebuffer();
  ApplyRenderStates();
  // An effect pass draws with its own program.
  int hooked = D3D9_BindHookedProgram(this, fvf);
  if (hooked < 0) return D3DERR_INVALIDCALL;
  if (hooked > 0) {
    bound_program_ = nullptr;
  } else {
    Program* p = CurrentProgram(fvf);
    if (!p) return D3DERR_INVALIDCALL;
    if (p != bound_program_) {
      glUseProgram(p->id);
      bound_program_ = p;
    }
    UploadUniforms(p);
  }
  ApplyTextures();
  SetupAttributes(fvf, buffer, offset, stride);
  return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start_vertex, UINT count) {
  GLenum mode;
  GLsizei n;
  if (!PrimitiveShape(type, count, &mode, &n) || !stream_ || stream_stride_ == 0) return D3DERR_INVALIDCALL;
  size_t need = (static_cast<size_t>(start_vertex) + n) * stream_stride_ + stream_offset_;
  D3DVERTEXBUFFER_DESC desc;
  stream_->GetDesc(&desc);
  if (need > desc.Size) return D3DERR_INVALIDCALL;
  HRESULT hr = Prepare(fvf_, stream_->GL(), stream_offset_, stream_stride_);
  if (FAILED(hr)) return hr;
  glDrawArrays(mode, static_cast<GLint>(start_vertex), n);
  ++draw_calls_;
  return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base_vertex, UINT min_index, UINT num_vertices,
                                     UINT start_index, UINT count) {
  GLenum mode;
  GLsizei n;
  if (!PrimitiveShape(type, count, &mode, &n) || !stream_ || !indices_ || stream_stride_ == 0)
    return D3DERR_INVALIDCALL;
  D3DVERTEXBUFFER_DESC vdesc;
  stream_->GetDesc(&vdesc);
  // The vertex range the indices may reach has to lie inside the buffer.
  int64_t first = static_cast<int64_t>(base_vertex) + min_index;
  if (first < 0 || (first + num_vertices) * stream_stride_ + stream_offset_ > vdesc.Size) return D3DERR_INVALIDCALL;
  D3DINDEXBUFFER_DESC idesc;
  indices_->GetDesc(&idesc);
  size_t isize = indices_->Format() == D3DFMT_INDEX32 ? 4 : 2;
  if ((static_cast<size_t>(start_index) + n) * isize > idesc.Size) return D3DERR_INVALIDCALL;
  HRESULT hr = Prepare(fvf_, stream_->GL(), stream_offset_, stream_stride_);
  if (FAILED(hr)) return hr;
  if (bound_index_buffer_ != indices_->GL()) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices_->GL());
    bound_index_buffer_ = indices_->GL();
  }
  glDrawElementsBaseVertex(mode, n, isize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                           reinterpret_cast<const void*>(start_index * isize), base_vertex);
  ++draw_calls_;
  return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) {
  GLenum mode;
  GLsizei n;
  if (!PrimitiveShape(type, count, &mode, &n) || !data || stride == 0) return D3DERR_INVALIDCALL;
  MakeCurrent();
  glBindBuffer(GL_COPY_WRITE_BUFFER, up_vbo_);
  glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(n) * stride, data, GL_STREAM_DRAW);
  attr_offset_ = ~size_t(0);  // the buffer storage changed
  stream_ = nullptr;
  stream_offset_ = stream_stride_ = 0;
  HRESULT hr = Prepare(fvf_, up_vbo_, 0, stride);
  if (FAILED(hr)) return hr;
  glDrawArrays(mode, 0, n);
  ++draw_calls_;
  return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT min_index, UINT num_vertices, UINT count,
                                       const void* index_data, D3DFORMAT index_format, const void* vertex_data,
                                       UINT stride) {
  GLenum mode;
  GLsizei n;
  if (!PrimitiveShape(type, count, &mode, &n) || !index_data || !vertex_data || stride == 0 ||
      (index_format != D3DFMT_INDEX16 && index_format != D3DFMT_INDEX32))
    return D3DERR_INVALIDCALL;
  size_t isize = index_format == D3DFMT_INDEX32 ? 4 : 2;
  MakeCurrent();
  glBindBuffer(GL_COPY_WRITE_BUFFER, up_vbo_);
  glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(min_index + num_vertices) * stride, vertex_data,
               GL_STREAM_DRAW);
  attr_offset_ = ~size_t(0);
  stream_ = nullptr;
  stream_offset_ = stream_stride_ = 0;
  indices_ = nullptr;
  HRESULT hr = Prepare(fvf_, up_vbo_, 0, stride);
  if (FAILED(hr)) return hr;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, up_ibo_);
  bound_index_buffer_ = up_ibo_;
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(n * isize), index_data, GL_STREAM_DRAW);
  glDrawElementsBaseVertex(mode, n, isize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, nullptr, 0);
  ++draw_calls_;
  return D3D_OK;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags, D3DPRESENT_PARAMETERS* pp,
                               IDirect3DDevice9** out) {
  if (!out || !pp) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  if (!video_) return D3DERR_NOTAVAILABLE;
  HWND hwnd = pp->hDeviceWindow ? pp->hDeviceWindow : focus;
  SDL_Window* window = hwnd ? Win32_GetSdlWindow(hwnd) : nullptr;
  bool own = false;
  if (hwnd && !window) return D3DERR_INVALIDCALL;
  if (!window) {
    // No window: a hidden one carries the context (headless use).
    window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                              static_cast<int>(std::max(1u, pp->BackBufferWidth)),
                              static_cast<int>(std::max(1u, pp->BackBufferHeight)),
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return D3DERR_NOTAVAILABLE;
    own = true;
  }
  D3DDEVICE_CREATION_PARAMETERS cp{adapter, type, focus, flags};
  auto* device = new Device(this, cp);
  HRESULT hr = device->Init(window, own, *pp);
  if (FAILED(hr)) {
    device->Release();
    return hr;
  }
  *pp = device->Params();
  *out = device;
  return D3D_OK;
}

}  // namespace d3d9impl
