#pragma once
// A headless device with a back buffer of the given size, for the drawing
// benchmarks.
#include <cstdlib>

#include "platform/d3d9/d3d9.h"

inline IDirect3DDevice9* CreateBenchDevice(IDirect3D9** d3d, UINT width, UINT height) {
  if (!std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  *d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!*d3d) return nullptr;
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.Windowed = TRUE;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  IDirect3DDevice9* dev = nullptr;
  if (FAILED((*d3d)->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev)))
    return nullptr;
  return dev;
}
