#pragma once
// Lets an effect pass draw with its own GL program: while a hook is set on a
// device, every draw call binds the hook's program (the device still applies
// its render states, textures and the vertex layout of the current FVF)
// instead of the generated fixed-function one.
#include "platform/d3d9/d3d9.h"

class D3D9DrawHook {
 public:
  // Binds the program and sets its uniforms for a draw with this FVF; false
  // fails the draw.
  virtual bool BindForDraw(IDirect3DDevice9* device, DWORD fvf) = 0;

 protected:
  ~D3D9DrawHook() = default;
};

// Installs (or with null removes) the hook of a device.
void D3D9_SetDrawHook(IDirect3DDevice9* device, D3D9DrawHook* hook);
D3D9DrawHook* D3D9_GetDrawHook(IDirect3DDevice9* device);

// Called by the device's draw path: 1 when the hook bound its program, 0 when
// no hook is set, -1 when the hook failed.
int D3D9_BindHookedProgram(IDirect3DDevice9* device, DWORD fvf);

// Makes the device's GL context current, for code that creates GL objects
// outside a draw (effect programs).
void D3D9_MakeCurrent(IDirect3DDevice9* device);
