#include "platform/d3dx9/d3dx9_effect.h"

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT bytes, const D3DXMACRO*, ID3DXInclude*, DWORD,
                         ID3DXEffectPool*, ID3DXEffect** effect, ID3DXBuffer** errors) {
  if (effect) *effect = nullptr;
  if (errors) *errors = nullptr;
  return D3DXERR_INVALIDDATA;
}
