#pragma once
// Lets an effect pass draw with its own GL program: while a hook is set on a
// device, every draw call binds the hook's program (the device still applies
// its render states, textures and the vertex layout of the current FVF)
// instead of the generated fixed-function one.
#include "platform/d3d9/d3d9.h"

// Direct3D puts pixel centres on integer coordinates, GL half a pixel further
// on, so positions move by half a pixel. Rows run the other way in GL's
// window space: an edge through a row of centres, moved by exactly half a
// pixel, would take the row below it. Moving rows a little less than half a
// pixel keeps Direct3D's top-left rule (top row in, bottom row out).
#define D3D9_ROW_CENTRE_SHIFT "0.4921875"
constexpr float kD3D9RowCentreShift = 0.4921875f;  // 0.5 - 1/128

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
