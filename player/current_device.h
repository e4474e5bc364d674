#pragma once
// The one Direct3D device of the process and the back buffer's size, written
// by the framework's device-created and device-reset callbacks, read by
// everything that draws.
#include <cstdint>

struct IDirect3DDevice9;

IDirect3DDevice9* CurrentDevice();
void SetCurrentDevice(IDirect3DDevice9* device);

struct BackBufferInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  // The largest supersample factor the render context tries for its targets.
  uint32_t factor = 3;
};

const BackBufferInfo& GetBackBufferInfo();
void SetBackBufferInfo(uint32_t width, uint32_t height);
