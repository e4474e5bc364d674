#pragma once
// D3DX effects: compiled fx_2_0 binaries (d3dx9_effect_fx2.h), and for the
// built-in pack our own text format: parameters with types and defaults,
// techniques whose passes set render and sampler states and draw with GLSL
// 330 programs.
//
// The format, one statement per line ('#' starts a comment line):
//
//   effect 1                                  first line, always
//   float TexW = 256                          float, float2, float3, float4
//   float3 GlowColor = 1 1 0                  (missing values are 0)
//   matrix Transform                          4x4, identity by default
//   texture Texture                           null by default (opaque black)
//   program Blur                              GLSL body up to a line "end";
//     void main() { o_color = ...; }          parameters are uniforms of
//   end                                       the same names
//   technique GaussianBlurH
//     pass P0
//       state ALPHABLENDENABLE = TRUE         render states by name, values
//       state SRCBLEND = ONE                  by name or number
//       sampler Texture MINFILTER = LINEAR    sampler states of a texture
//       fragment Blur                         required
//       vertex Transform                      optional
//     end
//   end
//
// A fragment program reads v_col0, v_col1 (vec4) and v_tc0 .. v_tc3 (vec2)
// and writes o_color. A pass without a vertex program transforms like the
// fixed-function stage with the device's WORLD, VIEW and PROJECTION (or takes
// pre-transformed pixel positions). A vertex program reads a_pos, a_nrm,
// a_col0, a_col1, a_tc0 .. a_tc3 and writes gl_Position and the outputs
// above; u_world, u_view, u_proj, u_wvp and u_viewport (x, y, width, height)
// hold the device's state. Matrices keep the D3DX row-vector order: in GLSL,
// M * v stands for v x M. At most four textures per pass; a null texture
// samples opaque black. Values set inside a pass reach its draws after
// CommitChanges; the states a technique sets are restored at End. Programs
// have no preprocessor lines, and their only loops are
// "for (int i = A; i < B; ++i)" (or <=, i++, i += 1) with constant bounds
// that the body leaves alone, so that every draw ends.
#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "platform/d3dx9/d3dx9_mesh.h"

using D3DXHANDLE = const char*;

struct D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
};
struct ID3DXInclude;
struct ID3DXEffectPool;

struct D3DXEFFECT_DESC {
  LPCSTR Creator;
  UINT Parameters;
  UINT Techniques;
  UINT Functions;
};

constexpr DWORD D3DXFX_DONOTSAVESTATE = 1u << 0;
constexpr HRESULT D3DXERR_INVALIDHANDLE = static_cast<HRESULT>(0x88760B55u);

// A handle is the parameter's or technique's name as the effect stores it;
// any other string naming one is accepted as well.
struct ID3DXEffect : IUnknown {
  virtual HRESULT GetDesc(D3DXEFFECT_DESC* desc) = 0;
  virtual D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) = 0;
  virtual D3DXHANDLE GetTechnique(UINT index) = 0;
  virtual D3DXHANDLE GetTechniqueByName(LPCSTR name) = 0;
  virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
  virtual D3DXHANDLE GetCurrentTechnique() = 0;

  virtual HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) = 0;
  virtual HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) = 0;
  virtual HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) = 0;
  virtual HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) = 0;
  virtual HRESULT SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) = 0;
  virtual HRESULT GetFloatArray(D3DXHANDLE parameter, FLOAT* values, UINT count) = 0;
  virtual HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) = 0;
  virtual HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) = 0;
  virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
  virtual HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) = 0;
  virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT GetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9** texture) = 0;
  virtual HRESULT SetInt(D3DXHANDLE parameter, INT value) = 0;
  virtual HRESULT SetBool(D3DXHANDLE parameter, BOOL value) = 0;

  virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
  virtual HRESULT BeginPass(UINT pass) = 0;
  virtual HRESULT CommitChanges() = 0;
  virtual HRESULT EndPass() = 0;
  virtual HRESULT End() = 0;
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT OnLostDevice() = 0;
  virtual HRESULT OnResetDevice() = 0;
};
using LPD3DXEFFECT = ID3DXEffect*;

// Makes an effect from a compiled binary (recognised by its leading tag) or
// from its text. Bytes that fail the container check, shaders or states this
// layer cannot run, text in any other form or programs that do not compile
// give D3DXERR_INVALIDDATA and a message in *errors when asked.
HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT bytes, const D3DXMACRO* defines,
                         ID3DXInclude* include, DWORD flags, ID3DXEffectPool* pool, ID3DXEffect** effect,
                         ID3DXBuffer** errors);


// The built-in stand-in effect with this id (RT_RCDATA) from the resource pack
// "common_res.dll", for a class whose project effect cannot be made.
HRESULT CreateBuiltInEffect(IDirect3DDevice9* device, uint32_t effectId, ID3DXEffect** effect);
