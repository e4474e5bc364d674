#include "platform/d3dx9/d3dx9_effect_fx2.h"

#ifndef MOJOSHADER_EFFECT_SUPPORT
#define MOJOSHADER_EFFECT_SUPPORT
#endif
#include <mojoshader/mojoshader.h>
#include <mojoshader/mojoshader_effects.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/d3d9/d3d9_draw_hook.h"
#include "platform/d3d9/gl_loader.h"
#include "platform/d3d9/gl_program.h"
#include "platform/d3dx9/d3dx9_fx2_glsl.h"
#include "platform/d3dx9/d3dx9_fx2_values.h"

using namespace d3d9gl;
using namespace d3dx9fx;

namespace {

constexpr UINT kDeviceSamplers = 4;  // the device binds four stages
constexpr unsigned kShaderStates[] = {MOJOSHADER_RS_VERTEXSHADER, MOJOSHADER_RS_PIXELSHADER};

// The container numbers its render states 0, 1, 2 ... in this order.
constexpr DWORD kRenderStates[] = {
    7,   8,   9,   14,  15,  16,  19,  20,  22,  23,  24,  25,  26,  27,  28,  29,  34,  35,  36,  37,  38,
    48,  52,  53,  54,  55,  56,  57,  58,  59,  60,  128, 129, 130, 131, 132, 133, 134, 135, 198, 199, 200,
    201, 202, 203, 204, 205, 136, 137, 139, 140, 141, 142, 143, 145, 146, 147, 148, 151, 152, 154, 155, 156,
    157, 158, 159, 160, 161, 162, 163, 165, 166, 167, 168, 170, 171, 172, 173, 174, 175, 176, 178, 179, 180,
    181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 192, 193, 194, 195, 206, 207, 208, 209};
static_assert(std::size(kRenderStates) == MOJOSHADER_RS_BLENDOPALPHA + 1, "one entry per container state");

struct Shader {
  const MOJOSHADER_parseData* parse = nullptr;
  int refs = 1;
  TranslatedShader code;
  GLuint gl = 0;
  std::vector<int> symbolParams;  // per constant-table entry: the parameter, or -1
};

bool IsSamplerObject(MOJOSHADER_symbolType t) {
  return t >= MOJOSHADER_SYMTYPE_SAMPLER && t <= MOJOSHADER_SYMTYPE_SAMPLERCUBE;
}

class CompiledEffect;
// The runtime's shader callbacks carry no context: the effect being worked
// on is set around every call into the runtime.
thread_local CompiledEffect* t_effect = nullptr;
thread_local std::string t_error;

struct Using {
  explicit Using(CompiledEffect* e) : previous(t_effect) { t_effect = e; }
  ~Using() { t_effect = previous; }
  CompiledEffect* previous;
};

DWORD ValueBits(const MOJOSHADER_effectValue& v) {
  if (v.value_count < 1 || !v.values) return 0;
  DWORD bits = 0;
  std::memcpy(&bits, v.values, sizeof bits);  // floats keep their bit pattern, as Direct3D takes them
  return bits;
}

bool IsTexture(MOJOSHADER_symbolType t) {
  return t >= MOJOSHADER_SYMTYPE_TEXTURE && t <= MOJOSHADER_SYMTYPE_TEXTURECUBE;
}

class CompiledEffect final : public ID3DXEffect, private D3D9DrawHook {
 public:
  explicit CompiledEffect(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }

  ~CompiledEffect() {
    if (in_pass_) EndPass();
    if (begun_) End();
    for (IDirect3DBaseTexture9* t : textures_)
      if (t) t->Release();
    D3D9_MakeCurrent(device_);
    for (auto& entry : programs_)
      if (entry.second.id) glDeleteProgram(entry.second.id);
    if (fixed_vertex_) glDeleteShader(fixed_vertex_);
    // The runtime answers some failures with a static effect that has no
    // allocator: that one is not ours to delete.
    if (fx_ && fx_->ctx.f) {
      Using use(this);
      MOJOSHADER_deleteEffect(fx_);
    }
    if (black_) black_->Release();
    device_->Release();
  }

  bool Build(const void* data, UINT bytes, std::string* log) {
    D3D9_MakeCurrent(device_);
    MOJOSHADER_effectShaderContext ctx{};
    ctx.compileShader = &CompileCb;
    ctx.shaderAddRef = &AddRefCb;
    ctx.deleteShader = &DeleteCb;
    ctx.getParseData = &ParseDataCb;
    ctx.bindShaders = &BindCb;
    ctx.getBoundShaders = &BoundCb;
    ctx.mapUniformBufferMemory = &MapCb;
    ctx.unmapUniformBufferMemory = &UnmapCb;
    ctx.getError = &ErrorCb;
    ctx.m = &MallocCb;
    ctx.f = &FreeCb;
    {
      Using use(this);
      fx_ = MOJOSHADER_compileEffect(static_cast<const unsigned char*>(data), bytes, nullptr, 0, nullptr, 0, &ctx);
    }
    if (!fx_) return *log = "effect not read", false;
    if (fx_->error_count > 0) {
      *log = fx_->errors && fx_->errors[0].error ? fx_->errors[0].error : "effect not read";
      return false;
    }
    if (!build_error_.empty()) return *log = build_error_, false;
    if (fx_->technique_count < 1 || !fx_->techniques) return *log = "no technique", false;
    textures_.assign(static_cast<size_t>(std::max(0, fx_->param_count)), nullptr);
    if (!CheckPasses(log) || !LinkPasses(log)) return false;
    if (FAILED(device_->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &black_, nullptr)) || !black_)
      return *log = "no texture for null samplers", false;
    D3DLOCKED_RECT lr;
    if (SUCCEEDED(black_->LockRect(0, &lr, nullptr, 0))) {
      *static_cast<uint32_t*>(lr.pBits) = 0xFF000000u;
      black_->UnlockRect(0);
    }
    saved_states_.reserve(64);
    saved_samplers_.reserve(64);
    return true;
  }

  // IUnknown
  HRESULT QueryInterface(REFIID, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }

  HRESULT GetDesc(D3DXEFFECT_DESC* desc) override {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Creator = "fx_2_0";
    desc->Parameters = static_cast<UINT>(fx_->param_count);
    desc->Techniques = static_cast<UINT>(fx_->technique_count);
    desc->Functions = 0;
    return D3D_OK;
  }

  D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override {
    if (parent || !name) return nullptr;
    int i = FindParam(name);
    return i < 0 ? nullptr : fx_->params[i].value.name;
  }
  D3DXHANDLE GetTechnique(UINT index) override {
    return index < static_cast<UINT>(fx_->technique_count) ? fx_->techniques[index].name : nullptr;
  }
  D3DXHANDLE GetTechniqueByName(LPCSTR name) override {
    int i = FindTechnique(name);
    return i < 0 ? nullptr : fx_->techniques[i].name;
  }
  HRESULT SetTechnique(D3DXHANDLE technique) override {
    int i = FindTechnique(technique);
    if (i < 0) return D3DERR_INVALIDCALL;
    MOJOSHADER_effectSetTechnique(fx_, &fx_->techniques[i]);
    return D3D_OK;
  }
  D3DXHANDLE GetCurrentTechnique() override {
    return fx_->current_technique ? fx_->current_technique->name : fx_->techniques[0].name;
  }

  HRESULT SetValue(D3DXHANDLE h, LPCVOID data, UINT bytes) override {
    int i = FindParam(h);
    if (i < 0 || !data) return D3DERR_INVALIDCALL;
    MOJOSHADER_effectValue& v = fx_->params[i].value;
    if (IsTexture(v.type.parameter_type)) {
      if (bytes < sizeof(IDirect3DBaseTexture9*)) return D3DERR_INVALIDCALL;
      IDirect3DBaseTexture9* t;
      std::memcpy(&t, data, sizeof t);
      return SetTexture(h, t);
    }
    if (!IsNumeric(v)) return D3DERR_INVALIDCALL;
    // Raw values are packed, as Direct3D takes them: words, not floats.
    const auto* words = static_cast<const uint32_t*>(data);
    for (unsigned k = 0; k < std::min<unsigned>(bytes / 4, Packed(v)); ++k)
      std::memcpy(&v.valuesI[Slot(v, k)], &words[k], 4);
    return D3D_OK;
  }
  HRESULT GetValue(D3DXHANDLE h, LPVOID data, UINT bytes) override {
    int i = FindParam(h);
    if (i < 0 || !data) return D3DERR_INVALIDCALL;
    MOJOSHADER_effectValue& v = fx_->params[i].value;
    if (IsTexture(v.type.parameter_type)) {
      if (bytes < sizeof(IDirect3DBaseTexture9*)) return D3DERR_INVALIDCALL;
      if (textures_[i]) textures_[i]->AddRef();
      std::memcpy(data, &textures_[i], sizeof textures_[i]);
      return D3D_OK;
    }
    if (!IsNumeric(v)) return D3DERR_INVALIDCALL;
    auto* words = static_cast<uint32_t*>(data);
    for (unsigned k = 0; k < std::min<unsigned>(bytes / 4, Packed(v)); ++k)
      std::memcpy(&words[k], &v.valuesI[Slot(v, k)], 4);
    return D3D_OK;
  }
  HRESULT SetFloat(D3DXHANDLE h, FLOAT v) override { return SetFloatArray(h, &v, 1); }
  HRESULT GetFloat(D3DXHANDLE h, FLOAT* v) override { return GetFloatArray(h, v, 1); }
  HRESULT SetFloatArray(D3DXHANDLE h, const FLOAT* values, UINT count) override {
    int i = FindParam(h);
    if (i < 0 || !values || !IsNumeric(fx_->params[i].value)) return D3DERR_INVALIDCALL;
    WriteFloats(fx_->params[i].value, values, count);
    return D3D_OK;
  }
  HRESULT GetFloatArray(D3DXHANDLE h, FLOAT* values, UINT count) override {
    int i = FindParam(h);
    if (i < 0 || !values || !IsNumeric(fx_->params[i].value)) return D3DERR_INVALIDCALL;
    const MOJOSHADER_effectValue& v = fx_->params[i].value;
    bool asFloat = v.type.parameter_type == MOJOSHADER_SYMTYPE_FLOAT;
    for (UINT k = 0; k < std::min<UINT>(count, Packed(v)); ++k)
      values[k] = asFloat ? v.valuesF[Slot(v, k)] : static_cast<float>(v.valuesI[Slot(v, k)]);
    return D3D_OK;
  }
  // A vector fills the first element's columns.
  HRESULT SetVector(D3DXHANDLE h, const D3DXVECTOR4* v) override {
    int i = FindParam(h);
    if (i < 0 || !v || !IsNumeric(fx_->params[i].value)) return D3DERR_INVALIDCALL;
    const float f[4] = {v->x, v->y, v->z, v->w};
    MOJOSHADER_effectValue& value = fx_->params[i].value;
    WriteFloats(value, f, std::min(4u, Columns(value)));
    return D3D_OK;
  }
  HRESULT GetVector(D3DXHANDLE h, D3DXVECTOR4* v) override {
    int i = FindParam(h);
    if (i < 0 || !v || !IsNumeric(fx_->params[i].value)) return D3DERR_INVALIDCALL;
    float f[4] = {};
    HRESULT hr = GetFloatArray(h, f, std::min(4u, Columns(fx_->params[i].value)));
    if (SUCCEEDED(hr)) *v = D3DXVECTOR4(f[0], f[1], f[2], f[3]);
    return hr;
  }
  // Matrices are kept row by row whatever their class, each row in a slot
  // of four; the register copy turns them for the shader.
  HRESULT SetMatrix(D3DXHANDLE h, const D3DXMATRIX* m) override {
    int i = FindParam(h);
    if (i < 0 || !m || !IsMatrix(fx_->params[i].value)) return D3DERR_INVALIDCALL;
    MOJOSHADER_effectValue& v = fx_->params[i].value;
    unsigned rows = std::min(v.type.rows, 4u), columns = std::min(v.type.columns, 4u);
    for (unsigned r = 0; r < rows; ++r)
      for (unsigned c = 0; c < columns; ++c)
        if (r * 4 + c < v.value_count) v.valuesF[r * 4 + c] = m->m[r][c];
    return D3D_OK;
  }
  HRESULT GetMatrix(D3DXHANDLE h, D3DXMATRIX* m) override {
    int i = FindParam(h);
    if (i < 0 || !m || !IsMatrix(fx_->params[i].value)) return D3DERR_INVALIDCALL;
    const MOJOSHADER_effectValue& v = fx_->params[i].value;
    *m = D3DXMATRIX();
    unsigned rows = std::min(v.type.rows, 4u), columns = std::min(v.type.columns, 4u);
    for (unsigned r = 0; r < rows; ++r)
      for (unsigned c = 0; c < columns; ++c)
        if (r * 4 + c < v.value_count) m->m[r][c] = v.valuesF[r * 4 + c];
    return D3D_OK;
  }
  HRESULT SetTexture(D3DXHANDLE h, IDirect3DBaseTexture9* texture) override {
    int i = FindParam(h);
    if (i < 0 || !IsTexture(fx_->params[i].value.type.parameter_type)) return D3DERR_INVALIDCALL;
    if (texture) texture->AddRef();
    if (textures_[i]) textures_[i]->Release();
    textures_[i] = texture;
    return D3D_OK;
  }
  HRESULT GetTexture(D3DXHANDLE h, IDirect3DBaseTexture9** texture) override {
    int i = FindParam(h);
    if (i < 0 || !texture || !IsTexture(fx_->params[i].value.type.parameter_type)) return D3DERR_INVALIDCALL;
    if (textures_[i]) textures_[i]->AddRef();
    *texture = textures_[i];
    return D3D_OK;
  }
  HRESULT SetInt(D3DXHANDLE h, INT value) override {
    int i = FindParam(h);
    if (i < 0 || !IsNumeric(fx_->params[i].value)) return D3DERR_INVALIDCALL;
    MOJOSHADER_effectValue& v = fx_->params[i].value;
    if (v.type.parameter_type == MOJOSHADER_SYMTYPE_FLOAT) v.valuesF[0] = static_cast<float>(value);
    else v.valuesI[0] = v.type.parameter_type == MOJOSHADER_SYMTYPE_BOOL ? (value != 0) : value;
    return D3D_OK;
  }
  HRESULT SetBool(D3DXHANDLE h, BOOL value) override { return SetInt(h, value ? 1 : 0); }

  HRESULT Begin(UINT* passes, DWORD flags) override {
    if (begun_) return D3DERR_INVALIDCALL;
    Using use(this);
    begun_ = true;
    save_ = !(flags & D3DXFX_DONOTSAVESTATE);
    saved_states_.clear();
    saved_samplers_.clear();
    unsigned n = 0;
    changes_ = MOJOSHADER_effectStateChanges{};
    MOJOSHADER_effectBegin(fx_, &n, 1, &changes_);
    if (passes) *passes = n;
    return D3D_OK;
  }

  HRESULT BeginPass(UINT index) override {
    const MOJOSHADER_effectTechnique* t = fx_->current_technique;
    if (!begun_ || in_pass_ || !t || index >= t->pass_count) return D3DERR_INVALIDCALL;
    Using use(this);
    in_pass_ = true;
    vs_ = ps_ = nullptr;
    MOJOSHADER_effectBeginPass(fx_, index);
    CopyParameters();
    for (unsigned k = 0; k < changes_.render_state_change_count; ++k) {
      const MOJOSHADER_effectState& s = changes_.render_state_changes[k];
      if (static_cast<unsigned>(s.type) < std::size(kRenderStates))
        SetState(kRenderStates[s.type], ValueBits(s.value));
    }
    ApplySamplers();
    if (vs_ || ps_) {
      previous_hook_ = D3D9_GetDrawHook(device_);
      D3D9_SetDrawHook(device_, this);
      hooked_ = true;
    }
    return D3D_OK;
  }

  HRESULT CommitChanges() override {
    if (!in_pass_) return D3DERR_INVALIDCALL;
    Using use(this);
    MOJOSHADER_effectCommitChanges(fx_);
    CopyParameters();
    ApplySamplers();
    return D3D_OK;
  }

  HRESULT EndPass() override {
    if (!in_pass_) return D3DERR_INVALIDCALL;
    Using use(this);
    if (hooked_ && D3D9_GetDrawHook(device_) == this) D3D9_SetDrawHook(device_, previous_hook_);
    hooked_ = false;
    previous_hook_ = nullptr;
    MOJOSHADER_effectEndPass(fx_);
    in_pass_ = false;
    return D3D_OK;
  }

  HRESULT End() override {
    if (!begun_) return D3DERR_INVALIDCALL;
    if (in_pass_) EndPass();
    Using use(this);
    MOJOSHADER_effectEnd(fx_);
    begun_ = false;
    for (auto& e : saved_states_) device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(e.first), e.second);
    for (auto& e : saved_samplers_) {
      DWORD unit = e.first >> 8, type = e.first & 0xFF;
      if (type == 0) {
        device_->SetTexture(unit, saved_textures_[unit]);
        if (saved_textures_[unit]) saved_textures_[unit]->Release();
        saved_textures_[unit] = nullptr;
      } else {
        device_->SetSamplerState(unit, static_cast<D3DSAMPLERSTATETYPE>(type), e.second);
      }
    }
    saved_states_.clear();
    saved_samplers_.clear();
    return D3D_OK;
  }

  HRESULT GetDevice(IDirect3DDevice9** device) override {
    if (!device) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return D3D_OK;
  }
  // Textures in the default pool die with the device: an effect still
  // holding one would keep the device from being reset.
  HRESULT OnLostDevice() override {
    for (IDirect3DBaseTexture9*& t : textures_) {
      if (!t || t->GetType() != D3DRTYPE_TEXTURE) continue;
      D3DSURFACE_DESC d{};
      if (SUCCEEDED(static_cast<IDirect3DTexture9*>(t)->GetLevelDesc(0, &d)) && d.Pool == D3DPOOL_DEFAULT) {
        t->Release();
        t = nullptr;
      }
    }
    return D3D_OK;
  }
  HRESULT OnResetDevice() override { return D3D_OK; }

  // ---- the runtime's shader callbacks
  static void* CompileCb(const char* mainfn, const unsigned char* tokens, unsigned int size,
                         const MOJOSHADER_swizzle* swiz, unsigned int swizcount, const MOJOSHADER_samplerMap* smap,
                         unsigned int smapcount) {
    auto* s = new Shader;
    s->parse = MOJOSHADER_parse(MOJOSHADER_PROFILE_GLSL120, mainfn, tokens, size, swiz, swizcount, smap, smapcount,
                                nullptr, nullptr, nullptr);
    std::string why;
    if (!TranslateShader(*s->parse, &s->code, &why)) {
      t_effect->Fail("shader: " + why);
    } else {
      s->gl = CompileShader(s->code.vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER, s->code.source, &why);
      if (!s->gl) t_effect->Fail("shader: " + why);
    }
    return s;
  }
  static void AddRefCb(void* shader) {
    if (shader) ++static_cast<Shader*>(shader)->refs;
  }
  static void DeleteCb(void* shader) {
    auto* s = static_cast<Shader*>(shader);
    if (!s || --s->refs > 0) return;
    if (s->gl) glDeleteShader(s->gl);
    MOJOSHADER_freeParseData(s->parse);
    delete s;
  }
  static MOJOSHADER_parseData* ParseDataCb(void* shader) {
    return shader ? const_cast<MOJOSHADER_parseData*>(static_cast<Shader*>(shader)->parse) : nullptr;
  }
  static void BindCb(void* vs, void* ps) {
    t_effect->vs_ = static_cast<Shader*>(vs);
    t_effect->ps_ = static_cast<Shader*>(ps);
  }
  static void BoundCb(void** vs, void** ps) {
    if (vs) *vs = t_effect->vs_;
    if (ps) *ps = t_effect->ps_;
  }
  static void MapCb(float** vsf, int** vsi, unsigned char** vsb, float** psf, int** psi, unsigned char** psb) {
    CompiledEffect* e = t_effect;
    *vsf = e->vs_regs_.f;
    *vsi = e->vs_regs_.i;
    *vsb = e->vs_regs_.b;
    *psf = e->ps_regs_.f;
    *psi = e->ps_regs_.i;
    *psb = e->ps_regs_.b;
  }
  static void UnmapCb() {}
  static void* MallocCb(int bytes, void*) { return bytes > 0 ? std::malloc(static_cast<size_t>(bytes)) : nullptr; }
  static void FreeCb(void* p, void*) { std::free(p); }
  static const char* ErrorCb() { return t_error.c_str(); }

 private:
  struct Linked {
    GLuint id = 0;
    GLint vs_f = -1, vs_i = -1, vs_b = -1, ps_f = -1, ps_i = -1, ps_b = -1;
    GLint half = -1, wvp = -1, viewport = -1, rhw = -1;
  };

  void Fail(const std::string& why) {
    if (build_error_.empty()) build_error_ = why;
  }

  static bool IsNumeric(const MOJOSHADER_effectValue& v) {
    MOJOSHADER_symbolType t = v.type.parameter_type;
    return (t == MOJOSHADER_SYMTYPE_FLOAT || t == MOJOSHADER_SYMTYPE_INT || t == MOJOSHADER_SYMTYPE_BOOL) &&
           v.values && v.value_count >= 4 && v.value_count % 4 == 0;
  }
  static bool IsMatrix(const MOJOSHADER_effectValue& v) {
    return IsNumeric(v) && v.type.parameter_type == MOJOSHADER_SYMTYPE_FLOAT &&
           (v.type.parameter_class == MOJOSHADER_SYMCLASS_MATRIX_ROWS ||
            v.type.parameter_class == MOJOSHADER_SYMCLASS_MATRIX_COLUMNS);
  }
  int FindParam(D3DXHANDLE h) const {
    if (!h) return -1;
    for (int i = 0; i < fx_->param_count; ++i)
      if (fx_->params[i].value.name == h) return i;
    for (int i = 0; i < fx_->param_count; ++i)
      if (fx_->params[i].value.name && std::strcmp(fx_->params[i].value.name, h) == 0) return i;
    return -1;
  }
  int FindTechnique(D3DXHANDLE h) const {
    if (!h) return -1;
    for (int i = 0; i < fx_->technique_count; ++i)
      if (fx_->techniques[i].name == h) return i;
    for (int i = 0; i < fx_->technique_count; ++i)
      if (fx_->techniques[i].name && std::strcmp(fx_->techniques[i].name, h) == 0) return i;
    return -1;
  }

  // Every pass state must be one we carry; shaders must fit our registers.
  bool CheckPasses(std::string* log) {
    for (int t = 0; t < fx_->technique_count; ++t) {
      const MOJOSHADER_effectTechnique& tech = fx_->techniques[t];
      for (unsigned p = 0; p < tech.pass_count; ++p) {
        const MOJOSHADER_effectPass& pass = tech.passes[p];
        bool vertex = false, pixel = false;
        for (unsigned s = 0; s < pass.state_count; ++s) {
          unsigned type = static_cast<unsigned>(pass.states[s].type);
          if (type == MOJOSHADER_RS_VERTEXSHADER) vertex = true;
          else if (type == MOJOSHADER_RS_PIXELSHADER) pixel = true;
          else if (type >= std::size(kRenderStates))
            return *log = "pass " + std::string(pass.name ? pass.name : "") + ": state " + std::to_string(type) +
                          " is not supported",
                   false;
        }
        if (vertex && !pixel)
          return *log = "a vertex shader without a pixel shader is not supported", false;
      }
    }
    for (int o = 0; o < fx_->object_count; ++o) {
      const MOJOSHADER_effectObject& obj = fx_->objects[o];
      if (obj.type != MOJOSHADER_SYMTYPE_VERTEXSHADER && obj.type != MOJOSHADER_SYMTYPE_PIXELSHADER) continue;
      if (obj.shader.is_preshader) continue;
      Shader* s = static_cast<Shader*>(obj.shader.shader);
      if (!s) continue;
      if (!BindSymbols(s, log)) return false;
      for (int k = 0; k < static_cast<int>(s->code.samplers.size()); ++k)
        if (s->code.samplers[k] >= static_cast<int>(kDeviceSamplers))
          return *log = "sampler register past the device's stages", false;
    }
    return true;
  }

  // Parameters into the registers their shaders name them by; preshader
  // results stay as the runtime left them.
  void CopyParameters() {
    if (vs_) CopyParameters(*vs_, &vs_regs_);
    if (ps_) CopyParameters(*ps_, &ps_regs_);
  }
  void CopyParameters(const Shader& s, Registers* regs) {
    for (size_t k = 0; k < s.symbolParams.size(); ++k)
      if (s.symbolParams[k] >= 0) CopyToRegisters(fx_->params[s.symbolParams[k]].value, s.parse->symbols[k], regs);
  }

  // Each constant-table entry's parameter, and registers inside our files.
  bool BindSymbols(Shader* s, std::string* log) {
    s->symbolParams.assign(static_cast<size_t>(std::max(0, s->parse->symbol_count)), -1);
    for (int k = 0; k < s->parse->symbol_count; ++k) {
      const MOJOSHADER_symbol& sym = s->parse->symbols[k];
      unsigned limit = sym.register_set == MOJOSHADER_SYMREGSET_FLOAT4 ? kMaxFloatRegisters
                       : sym.register_set == MOJOSHADER_SYMREGSET_INT4 ? kMaxIntRegisters
                       : sym.register_set == MOJOSHADER_SYMREGSET_BOOL ? kMaxBoolRegisters
                                                                       : 16u;
      if (sym.register_index >= limit || sym.register_count > limit - sym.register_index)
        return *log = "shader constant outside the register file", false;
      if (sym.register_set == MOJOSHADER_SYMREGSET_SAMPLER || !sym.name) continue;
      int index = FindParam(sym.name);
      if (index >= 0 && IsNumeric(fx_->params[index].value)) s->symbolParams[k] = index;
    }
    return true;
  }

  void SetState(DWORD state, DWORD value) {
    if (save_) {
      bool known = false;
      for (auto& e : saved_states_) known |= e.first == state;
      if (!known) {
        DWORD old = 0;
        device_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state), &old);
        saved_states_.push_back({state, old});
      }
    }
    device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value);
  }
  // type 0 stands for the unit's texture.
  void SaveSampler(DWORD unit, DWORD type) {
    if (!save_) return;
    DWORD key = (unit << 8) | type;
    for (auto& e : saved_samplers_)
      if (e.first == key) return;
    DWORD old = 0;
    if (type == 0) device_->GetTexture(unit, &saved_textures_[unit]);
    else device_->GetSamplerState(unit, static_cast<D3DSAMPLERSTATETYPE>(type), &old);
    saved_samplers_.push_back({key, old});
  }

  // The pass's sampler states, and each sampler's texture from the texture
  // parameter it names (opaque black when none is set).
  void ApplySamplers() {
    for (unsigned k = 0; k < changes_.sampler_state_change_count; ++k) {
      const MOJOSHADER_samplerStateRegister& r = changes_.sampler_state_changes[k];
      DWORD unit = r.sampler_register;
      if (unit >= kDeviceSamplers) continue;
      for (unsigned j = 0; j < r.sampler_state_count; ++j) {
        const MOJOSHADER_effectSamplerState& s = r.sampler_states[j];
        if (s.type == MOJOSHADER_SAMP_TEXTURE) {
          int param = TextureOf(s.value);
          SaveSampler(unit, 0);
          device_->SetTexture(unit, param >= 0 && textures_[param] ? textures_[param] : black_);
        } else if (s.type >= MOJOSHADER_SAMP_ADDRESSU && s.type <= MOJOSHADER_SAMP_DMAPOFFSET) {
          DWORD type = static_cast<DWORD>(s.type) - 4;  // the device's numbering starts at ADDRESSU = 1
          SaveSampler(unit, type);
          device_->SetSamplerState(unit, static_cast<D3DSAMPLERSTATETYPE>(type), ValueBits(s.value));
        }
      }
    }
  }

  // The texture parameter a sampler's Texture state names: the state holds
  // an object, the object the parameter's name.
  int TextureOf(const MOJOSHADER_effectValue& v) const {
    if (v.value_count < 1 || !v.values) return -1;
    int object = v.valuesI[0];
    if (object < 0 || object >= fx_->object_count) return -1;
    const MOJOSHADER_effectObject& o = fx_->objects[object];
    if (!IsSamplerObject(o.type) || !o.mapping.name) return -1;
    int index = FindParam(o.mapping.name);
    return index >= 0 && IsTexture(fx_->params[index].value.type.parameter_type) ? index : -1;
  }

  // Links (once) the program of a pass's shaders; null with the linker's
  // message when they do not link.
  Linked* Program(Shader* vs, Shader* ps, std::string* log) {
    auto key = std::make_pair(vs, ps);
    auto found = programs_.find(key);
    if (found != programs_.end()) return found->second.id ? &found->second : nullptr;
    Linked& l = programs_[key];
    GLuint vertex = vs ? vs->gl : FixedVertex();
    if (!vertex || !ps || !ps->gl) return *log = "no shader to link", nullptr;
    std::vector<std::pair<int, std::string>> attributes;
    if (vs)
      for (const auto& a : vs->code.attributes) attributes.push_back({a.location, a.name});
    GLint bound = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &bound);
    l.id = LinkShaders(vertex, ps->gl, attributes, log);
    if (!l.id) return nullptr;
    glUseProgram(l.id);
    l.vs_f = glGetUniformLocation(l.id, "vs_uniforms_vec4");
    l.vs_i = glGetUniformLocation(l.id, "vs_uniforms_ivec4");
    l.vs_b = glGetUniformLocation(l.id, "vs_uniforms_bool");
    l.ps_f = glGetUniformLocation(l.id, "ps_uniforms_vec4");
    l.ps_i = glGetUniformLocation(l.id, "ps_uniforms_ivec4");
    l.ps_b = glGetUniformLocation(l.id, "ps_uniforms_bool");
    l.half = glGetUniformLocation(l.id, "u_half");
    l.wvp = glGetUniformLocation(l.id, "u_wvp");
    l.viewport = glGetUniformLocation(l.id, "u_viewport");
    l.rhw = glGetUniformLocation(l.id, "u_rhw");
    GLint flip = glGetUniformLocation(l.id, "vposFlip");
    if (flip >= 0) glUniform2f_(flip, 1.f, -0.5f);
    for (int s : ps->code.samplers) {
      std::string name = "ps_s" + std::to_string(s);
      GLint loc = glGetUniformLocation(l.id, name.c_str());
      if (loc >= 0) glUniform1i(loc, s);
    }
    glUseProgram(static_cast<GLuint>(bound));
    return &l;
  }

  // The shader object a pass's shader state names.
  Shader* PassShader(const MOJOSHADER_effectState& state) const {
    if (state.value.value_count < 1 || !state.value.values) return nullptr;
    int object = state.value.valuesI[0];
    if (object < 0 || object >= fx_->object_count) return nullptr;
    const MOJOSHADER_effectObject& o = fx_->objects[object];
    if (o.type != MOJOSHADER_SYMTYPE_VERTEXSHADER && o.type != MOJOSHADER_SYMTYPE_PIXELSHADER) return nullptr;
    return o.shader.is_preshader ? nullptr : static_cast<Shader*>(o.shader.shader);
  }

  // Every pass's program links now, so that one that cannot is refused at
  // creation rather than failing its draws.
  bool LinkPasses(std::string* log) {
    for (int t = 0; t < fx_->technique_count; ++t) {
      const MOJOSHADER_effectTechnique& tech = fx_->techniques[t];
      for (unsigned p = 0; p < tech.pass_count; ++p) {
        const MOJOSHADER_effectPass& pass = tech.passes[p];
        Shader* vs = nullptr;
        Shader* ps = nullptr;
        for (unsigned k = 0; k < pass.state_count; ++k) {
          if (pass.states[k].type == MOJOSHADER_RS_VERTEXSHADER) vs = PassShader(pass.states[k]);
          if (pass.states[k].type == MOJOSHADER_RS_PIXELSHADER) ps = PassShader(pass.states[k]);
        }
        if (!ps) continue;
        std::string why;
        if (!Program(vs, ps, &why)) return *log = "pass " + std::string(pass.name ? pass.name : "") + ": " + why, false;
      }
    }
    return true;
  }

  GLuint FixedVertex() {
    if (!fixed_vertex_) {
      std::string log;
      fixed_vertex_ = CompileShader(GL_VERTEX_SHADER, FixedVertexSource(), &log);
    }
    return fixed_vertex_;
  }

  // Packs a shader's registers into its uniform arrays: once per draw.
  void Upload(const Shader& s, const Registers& r, GLint f, GLint i, GLint b) {
    if (f >= 0 && s.code.float_count > 0) {
      int at = 0;
      for (const auto& range : s.code.floats) {
        std::memcpy(&pack_f_[at * 4], &r.f[range.first * 4], static_cast<size_t>(range.count) * 16);
        at += range.count;
      }
      glUniform4fv(f, s.code.float_count, pack_f_);
    }
    if (i >= 0 && s.code.int_count > 0) {
      int at = 0;
      for (const auto& range : s.code.ints) {
        std::memcpy(&pack_i_[at * 4], &r.i[range.first * 4], static_cast<size_t>(range.count) * 16);
        at += range.count;
      }
      glUniform4iv(i, s.code.int_count, pack_i_);
    }
    if (b >= 0 && s.code.bool_count > 0) {
      int at = 0;
      for (const auto& range : s.code.bools)
        for (int k = 0; k < range.count; ++k) pack_i_[at++] = r.b[range.first + k] != 0;
      glUniform1iv(b, s.code.bool_count, pack_i_);
    }
  }

  bool BindForDraw(IDirect3DDevice9* device, DWORD fvf) override {
    if (device != device_ || !in_pass_) return false;
    std::string unused;
    Linked* l = Program(vs_, ps_, &unused);
    if (!l) return false;
    glUseProgram(l->id);
    if (vs_) Upload(*vs_, vs_regs_, l->vs_f, l->vs_i, l->vs_b);
    Upload(*ps_, ps_regs_, l->ps_f, l->ps_i, l->ps_b);
    D3DVIEWPORT9 vp{};
    device_->GetViewport(&vp);
    float w = static_cast<float>(std::max<DWORD>(1, vp.Width)), h = static_cast<float>(std::max<DWORD>(1, vp.Height));
    if (l->half >= 0) glUniform4f(l->half, 1.f / w, -2.f * kD3D9RowCentreShift / h, 0.f, 0.f);
    if (!vs_) {
      D3DXMATRIX world, view, proj, wvp;
      device_->GetTransform(D3DTS_WORLD, &world);
      device_->GetTransform(D3DTS_VIEW, &view);
      device_->GetTransform(D3DTS_PROJECTION, &proj);
      D3DXMatrixMultiply(&wvp, D3DXMatrixMultiply(&wvp, &world, &view), &proj);
      // Row-major matrices read as column-major ones: M * v in GLSL is v * M here.
      if (l->wvp >= 0) glUniformMatrix4fv(l->wvp, 1, GL_FALSE, &wvp.m[0][0]);
      if (l->viewport >= 0)
        glUniform4f(l->viewport, static_cast<float>(vp.X), static_cast<float>(vp.Y), w, h);
      if (l->rhw >= 0) glUniform1i(l->rhw, (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW ? 1 : 0);
    }
    // A vertex without a diffuse colour reads opaque white.
    if (!(fvf & D3DFVF_DIFFUSE)) vertexAttrib4f_(2, 1.f, 1.f, 1.f, 1.f);
    if (!(fvf & D3DFVF_SPECULAR)) vertexAttrib4f_(3, 0.f, 0.f, 0.f, 0.f);
    return true;
  }

  std::atomic<ULONG> refs_{1};
  IDirect3DDevice9* device_;
  MOJOSHADER_effect* fx_ = nullptr;
  MOJOSHADER_effectStateChanges changes_{};
  std::string build_error_;
  std::vector<IDirect3DBaseTexture9*> textures_;  // per parameter
  IDirect3DTexture9* black_ = nullptr;
  Shader* vs_ = nullptr;
  Shader* ps_ = nullptr;
  Registers vs_regs_, ps_regs_;
  float pack_f_[kMaxFloatRegisters * 4] = {};
  int pack_i_[kMaxIntRegisters * 4] = {};
  std::map<std::pair<Shader*, Shader*>, Linked> programs_;
  GLuint fixed_vertex_ = 0;
  PFNGLVERTEXATTRIB4FPROC vertexAttrib4f_ =
      reinterpret_cast<PFNGLVERTEXATTRIB4FPROC>(SDL_GL_GetProcAddress("glVertexAttrib4f"));
  PFNGLUNIFORM2FPROC glUniform2f_ = reinterpret_cast<PFNGLUNIFORM2FPROC>(SDL_GL_GetProcAddress("glUniform2f"));
  bool begun_ = false, in_pass_ = false, save_ = true, hooked_ = false;
  D3D9DrawHook* previous_hook_ = nullptr;
  std::vector<std::pair<DWORD, DWORD>> saved_states_;
  std::vector<std::pair<DWORD, DWORD>> saved_samplers_;
  IDirect3DBaseTexture9* saved_textures_[kDeviceSamplers] = {};
};

}  // namespace

HRESULT CreateCompiledEffect(IDirect3DDevice9* device, const void* data, UINT bytes, ID3DXEffect** effect,
                             std::string* log) {
  auto* made = new CompiledEffect(device);
  if (!made->Build(data, bytes, log)) {
    made->Release();
    return D3DXERR_INVALIDDATA;
  }
  *effect = made;
  return D3D_OK;
}
