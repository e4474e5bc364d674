#include "platform/dxut/dxut.h"

#include <SDL2/SDL.h>

#include <chrono>

#include "platform/win32/window.h"

namespace {

struct Framework {
  LPDXUTCALLBACKMODIFYDEVICESETTINGS modify = nullptr;
  void* modifyCtx = nullptr;
  LPDXUTCALLBACKFRAMEMOVE frameMove = nullptr;
  void* frameMoveCtx = nullptr;
  LPDXUTCALLBACKISD3D9DEVICEACCEPTABLE acceptable = nullptr;
  void* acceptableCtx = nullptr;
  LPDXUTCALLBACKD3D9DEVICECREATED created = nullptr;
  void* createdCtx = nullptr;
  LPDXUTCALLBACKD3D9DEVICERESET reset = nullptr;
  void* resetCtx = nullptr;
  LPDXUTCALLBACKD3D9DEVICELOST lost = nullptr;
  void* lostCtx = nullptr;
  LPDXUTCALLBACKD3D9DEVICEDESTROYED destroyed = nullptr;
  void* destroyedCtx = nullptr;
  LPDXUTCALLBACKD3D9FRAMERENDER frameRender = nullptr;
  void* frameRenderCtx = nullptr;

  bool initialised = false;
  HWND focus = nullptr;
  HWND deviceFullScreen = nullptr;
  HWND deviceWindowed = nullptr;
  bool windowed = true;
  bool showCursorFullScreen = true;
  bool clipCursorFullScreen = false;

  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  DXUTDeviceSettings settings{};
  D3DSURFACE_DESC backBuffer{};
  bool deviceLost = false;
  bool simulateLoss = false;
  // The last size change of the full-screen device window not yet followed.
  bool fullScreenResized = false;
  UINT fullScreenWidth = 0, fullScreenHeight = 0;

  // The absolute clock reads 0 until the first frame is presented and runs
  // from that moment, so loading and the first frame's own work never count
  // as time the picture was shown.
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  bool clockRunning = false;
  bool manualClock = false;
  double manualTime = 0.0;
  double lastTime = 0.0;
  float elapsed = 0.0f;
  unsigned long presented = 0;
  DXUT_PresentListener presentListener = nullptr;
};

Framework& F() {
  static Framework f;
  return f;
}

HWND DeviceWindow() { return F().windowed ? F().deviceWindowed : F().deviceFullScreen; }

void ReadBackBufferDesc() {
  Framework& f = F();
  f.backBuffer = D3DSURFACE_DESC{};
  IDirect3DSurface9* surface = nullptr;
  if (f.device && SUCCEEDED(f.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)) && surface) {
    surface->GetDesc(&f.backBuffer);
    surface->Release();
  }
}

void ClientSize(HWND hwnd, UINT* w, UINT* h) {
  RECT r{0, 0, 0, 0};
  GetClientRect(hwnd, &r);
  *w = static_cast<UINT>(r.right > 0 ? r.right : 1);
  *h = static_cast<UINT>(r.bottom > 0 ? r.bottom : 1);
}

// Lost callback, device reset, reset callback: the framework's reset path.
bool ResetEnvironment() {
  Framework& f = F();
  if (f.lost) f.lost(f.lostCtx);
  HRESULT hr = f.device->Reset(&f.settings.d3d9.pp);
  if (FAILED(hr)) {
    f.deviceLost = true;
    return false;
  }
  f.deviceLost = false;
  ReadBackBufferDesc();
  if (f.reset) f.reset(f.device, &f.backBuffer, f.resetCtx);
  return true;
}

void OnWindowSize(HWND hwnd, int width, int height) {
  Framework& f = F();
  if (f.windowed || hwnd != f.deviceFullScreen || width <= 0 || height <= 0) return;
  f.fullScreenResized = true;
  f.fullScreenWidth = static_cast<UINT>(width);
  f.fullScreenHeight = static_cast<UINT>(height);
}

}  // namespace

void DXUTSetCallbackDeviceChanging(LPDXUTCALLBACKMODIFYDEVICESETTINGS cb, void* ctx) {
  F().modify = cb;
  F().modifyCtx = ctx;
}
void DXUTSetCallbackFrameMove(LPDXUTCALLBACKFRAMEMOVE cb, void* ctx) {
  F().frameMove = cb;
  F().frameMoveCtx = ctx;
}
void DXUTSetCallbackD3D9DeviceAcceptable(LPDXUTCALLBACKISD3D9DEVICEACCEPTABLE cb, void* ctx) {
  F().acceptable = cb;
  F().acceptableCtx = ctx;
}
void DXUTSetCallbackD3D9DeviceCreated(LPDXUTCALLBACKD3D9DEVICECREATED cb, void* ctx) {
  F().created = cb;
  F().createdCtx = ctx;
}
void DXUTSetCallbackD3D9DeviceReset(LPDXUTCALLBACKD3D9DEVICERESET cb, void* ctx) {
  F().reset = cb;
  F().resetCtx = ctx;
}
void DXUTSetCallbackD3D9DeviceLost(LPDXUTCALLBACKD3D9DEVICELOST cb, void* ctx) {
  F().lost = cb;
  F().lostCtx = ctx;
}
void DXUTSetCallbackD3D9DeviceDestroyed(LPDXUTCALLBACKD3D9DEVICEDESTROYED cb, void* ctx) {
  F().destroyed = cb;
  F().destroyedCtx = ctx;
}
void DXUTSetCallbackD3D9FrameRender(LPDXUTCALLBACKD3D9FRAMERENDER cb, void* ctx) {
  F().frameRender = cb;
  F().frameRenderCtx = ctx;
}

HRESULT DXUTInit(bool, bool, LPCWSTR, bool) {
  F().initialised = true;
  F().clockRunning = false;
  F().presented = 0;
  return S_OK;
}

void DXUTSetCursorSettings(bool show, bool clip) {
  F().showCursorFullScreen = show;
  F().clipCursorFullScreen = clip;
}

void DXUTSetupCursor() {
  Framework& f = F();
  SDL_Window* w = Win32_GetSdlWindow(DeviceWindow());
  if (f.windowed) {
    SDL_ShowCursor(SDL_ENABLE);
    if (w) SDL_SetWindowGrab(w, SDL_FALSE);
    return;
  }
  SDL_ShowCursor(f.showCursorFullScreen ? SDL_ENABLE : SDL_DISABLE);
  if (w) SDL_SetWindowGrab(w, f.clipCursorFullScreen ? SDL_TRUE : SDL_FALSE);
}

HRESULT DXUTSetWindow(HWND focus, HWND deviceFullScreen, HWND deviceWindowed, bool) {
  if (!focus || !deviceFullScreen || !deviceWindowed) return E_INVALIDARG;
  // Messages stay with the application's own window procedure.
  F().focus = focus;
  F().deviceFullScreen = deviceFullScreen;
  F().deviceWindowed = deviceWindowed;
  Win32_SetSizeListener(OnWindowSize);
  return S_OK;
}

HRESULT DXUTCreateDevice(bool windowed, int suggestedWidth, int suggestedHeight) {
  Framework& f = F();
  if (!f.initialised || !f.deviceWindowed) return E_FAIL;
  f.windowed = windowed;
  HWND hwnd = DeviceWindow();
  if (!f.d3d) f.d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!f.d3d) return E_FAIL;

  DXUTDeviceSettings s{};
  s.ver = DXUT_D3D9_DEVICE;
  s.d3d9.AdapterOrdinal = 0;
  s.d3d9.DeviceType = D3DDEVTYPE_HAL;
  D3DDISPLAYMODE mode{};
  f.d3d->GetAdapterDisplayMode(0, &mode);
  s.d3d9.AdapterFormat = mode.Format ? mode.Format : D3DFMT_X8R8G8B8;
  s.d3d9.BehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
  D3DPRESENT_PARAMETERS& pp = s.d3d9.pp;
  pp.Windowed = windowed ? TRUE : FALSE;
  if (windowed) {
    ClientSize(hwnd, &pp.BackBufferWidth, &pp.BackBufferHeight);
    if (suggestedWidth > 0 && suggestedHeight > 0) {
      pp.BackBufferWidth = static_cast<UINT>(suggestedWidth);
      pp.BackBufferHeight = static_cast<UINT>(suggestedHeight);
    }
  } else {
    pp.BackBufferWidth = mode.Width;
    pp.BackBufferHeight = mode.Height;
    pp.FullScreen_RefreshRateInHz = mode.RefreshRate;
  }
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = hwnd;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
  if (f.modify && !f.modify(&s, f.modifyCtx)) return E_FAIL;

  D3DCAPS9 caps{};
  if (FAILED(f.d3d->GetDeviceCaps(s.d3d9.AdapterOrdinal, s.d3d9.DeviceType, &caps))) return E_FAIL;
  if (f.acceptable && !f.acceptable(&caps, s.d3d9.AdapterFormat, pp.BackBufferFormat, windowed, f.acceptableCtx))
    return static_cast<HRESULT>(0x8876100Du);  // no compatible device

  // A full-screen back buffer has the display mode's size. The window's own
  // size is not read here: right after the switch it may not have grown yet;
  // later size changes of the window reset the device (see the frame step).
  if (!windowed) {
    if (SDL_Window* w = Win32_GetSdlWindow(hwnd)) SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
  }
  f.fullScreenResized = false;

  IDirect3DDevice9* device = nullptr;
  HRESULT hr = f.d3d->CreateDevice(s.d3d9.AdapterOrdinal, s.d3d9.DeviceType, f.focus, s.d3d9.BehaviorFlags, &pp, &device);
  if (FAILED(hr) || !device) return FAILED(hr) ? hr : E_FAIL;
  f.device = device;
  f.settings = s;
  f.deviceLost = false;
  ReadBackBufferDesc();
  if (f.created && FAILED(f.created(device, &f.backBuffer, f.createdCtx))) return E_FAIL;
  if (f.reset && FAILED(f.reset(device, &f.backBuffer, f.resetCtx))) return E_FAIL;
  f.lastTime = DXUTGetTime();
  return S_OK;
}

void DXUTRender3DEnvironment() {
  Framework& f = F();
  if (!f.device) return;
  if (f.simulateLoss) {
    f.simulateLoss = false;
    D3D9_SimulateDeviceLoss(f.device);
    f.deviceLost = true;
  }
  if (f.deviceLost) {
    HRESULT hr = f.device->TestCooperativeLevel();
    if (hr == D3DERR_DEVICELOST) return;
    if (hr == D3DERR_DEVICENOTRESET && !ResetEnvironment()) return;
    f.deviceLost = false;
  }
  // A resized window gets a back buffer of its new size: a windowed device
  // follows the client area, a full-screen one each size change of its window.
  UINT w = 0, h = 0;
  if (f.windowed) {
    ClientSize(DeviceWindow(), &w, &h);
  } else if (f.fullScreenResized) {
    w = f.fullScreenWidth;
    h = f.fullScreenHeight;
  }
  f.fullScreenResized = false;
  D3DPRESENT_PARAMETERS& pp = f.settings.d3d9.pp;
  if (w > 0 && h > 0 && (w != pp.BackBufferWidth || h != pp.BackBufferHeight)) {
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    if (!ResetEnvironment()) return;
  }

  double now = DXUTGetTime();
  f.elapsed = static_cast<float>(now - f.lastTime);
  f.lastTime = now;
  if (f.frameMove) f.frameMove(now, f.elapsed, f.frameMoveCtx);
  if (f.frameRender) f.frameRender(f.device, now, f.elapsed, f.frameRenderCtx);
  HRESULT hr = f.device->Present(nullptr, nullptr, nullptr, nullptr);
  if (hr == D3DERR_DEVICELOST) {
    f.deviceLost = true;
    return;
  }
  ++f.presented;
  if (!f.clockRunning) {
    f.clockRunning = true;
    f.start = std::chrono::steady_clock::now();
  }
  if (f.presentListener) f.presentListener(f.presented);
}

void DXUTShutdown(int) {
  Framework& f = F();
  if (f.device) {
    if (f.lost) f.lost(f.lostCtx);
    if (f.destroyed) f.destroyed(f.destroyedCtx);
    f.device->Release();
    f.device = nullptr;
  }
  if (f.d3d) {
    f.d3d->Release();
    f.d3d = nullptr;
  }
}

HWND DXUTGetHWND() { return DeviceWindow(); }
HWND DXUTGetHWNDFocus() { return F().focus; }
IDirect3DDevice9* DXUTGetD3D9Device() { return F().device; }
const D3DSURFACE_DESC* DXUTGetD3D9BackBufferSurfaceDesc() { return &F().backBuffer; }
bool DXUTIsWindowed() { return F().windowed; }

double DXUTGetTime() {
  Framework& f = F();
  if (f.manualClock) return f.manualTime;
  if (!f.clockRunning) return 0.0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - f.start).count();
}

float DXUTGetElapsedTime() { return F().elapsed; }

void DXUT_UseManualClock(bool manual) {
  F().manualTime = DXUTGetTime();
  F().manualClock = manual;
}
void DXUT_SetTime(double seconds) { F().manualTime = seconds; }
void DXUT_SimulateDeviceLoss() { F().simulateLoss = true; }
void DXUT_SetPresentListener(DXUT_PresentListener listener) { F().presentListener = listener; }
