// Makes effects from arbitrary bytes on a headless device: every input must
// end in an effect or a clean refusal, never in a crash, hang or unbounded
// allocation. An effect that is made is also begun and drawn once.
#include <cstddef>
#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9_effect.h"

namespace {
IDirect3DDevice9* g_device = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) return 0;
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 16;
  pp.BackBufferHeight = 16;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &g_device);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!g_device || size > (1u << 20)) return 0;
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  D3DXCreateEffect(g_device, data, static_cast<UINT>(size), nullptr, nullptr, 0, nullptr, &effect, &errors);
  if (errors) errors->Release();
  if (!effect) return 0;
  struct V {
    float x, y, z, rhw;
    D3DCOLOR c;
    float u, v;
  } quad[4] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0}, {16, 0, 0, 1, 0xFFFFFFFF, 1, 0}, {0, 16, 0, 1, 0xFFFFFFFF, 0, 1},
               {16, 16, 0, 1, 0xFFFFFFFF, 1, 1}};
  g_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  UINT passes = 0;
  if (SUCCEEDED(effect->Begin(&passes, 0))) {
    for (UINT p = 0; p < passes; ++p) {
      effect->BeginPass(p);
      g_device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V));
      effect->EndPass();
    }
    effect->End();
  }
  effect->Release();
  return 0;
}
