#include "player/current_device.h"

namespace {
IDirect3DDevice9* g_device = nullptr;
BackBufferInfo g_backBuffer;
}  // namespace

IDirect3DDevice9* CurrentDevice() { return g_device; }
void SetCurrentDevice(IDirect3DDevice9* device) { g_device = device; }

const BackBufferInfo& GetBackBufferInfo() { return g_backBuffer; }
void SetBackBufferInfo(uint32_t width, uint32_t height) {
  g_backBuffer.width = width;
  g_backBuffer.height = height;
  g_backBuffer.factor = 3;
}
