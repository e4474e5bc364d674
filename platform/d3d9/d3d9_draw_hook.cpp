#include "platform/d3d9/d3d9_draw_hook.h"

#include <unordered_map>

namespace {
// Devices live on the main thread; usually none or one hook is set.
std::unordered_map<const IDirect3DDevice9*, D3D9DrawHook*>& Hooks() {
  static std::unordered_map<const IDirect3DDevice9*, D3D9DrawHook*> hooks;
  return hooks;
}
}  // namespace

void D3D9_SetDrawHook(IDirect3DDevice9* device, D3D9DrawHook* hook) {
  if (!device) return;
  if (hook)
    Hooks()[device] = hook;
  else
    Hooks().erase(device);
}

D3D9DrawHook* D3D9_GetDrawHook(IDirect3DDevice9* device) {
  auto& hooks = Hooks();
  if (hooks.empty()) return nullptr;
  auto it = hooks.find(device);
  return it == hooks.end() ? nullptr : it->second;
}

int D3D9_BindHookedProgram(IDirect3DDevice9* device, DWORD fvf) {
  D3D9DrawHook* hook = D3D9_GetDrawHook(device);
  if (!hook) return 0;
  return hook->BindForDraw(device, fvf) ? 1 : -1;
}

#include "platform/d3d9/d3d9_impl.h"

void D3D9_MakeCurrent(IDirect3DDevice9* device) {
  if (device) static_cast<d3d9impl::Device*>(device)->MakeCurrent();
}
