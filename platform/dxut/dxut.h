#pragma once
// The sample framework's subset that the player uses: device creation and
// reset, the frame step and the device callbacks, the absolute clock.
#include "platform/d3d9/d3d9.h"
#include "platform/win32/windows.h"

enum DXUTDeviceVersion { DXUT_D3D9_DEVICE = 0 };

struct DXUTD3D9DeviceSettings {
  UINT AdapterOrdinal;
  D3DDEVTYPE DeviceType;
  D3DFORMAT AdapterFormat;
  DWORD BehaviorFlags;
  D3DPRESENT_PARAMETERS pp;
};

struct DXUTDeviceSettings {
  DXUTDeviceVersion ver;
  DXUTD3D9DeviceSettings d3d9;
};

using LPDXUTCALLBACKMODIFYDEVICESETTINGS = bool (*)(DXUTDeviceSettings* settings, void* userContext);
using LPDXUTCALLBACKFRAMEMOVE = void (*)(double time, float elapsedTime, void* userContext);
using LPDXUTCALLBACKISD3D9DEVICEACCEPTABLE = bool (*)(D3DCAPS9* caps, D3DFORMAT adapterFormat,
                                                      D3DFORMAT backBufferFormat, bool windowed, void* userContext);
using LPDXUTCALLBACKD3D9DEVICECREATED = HRESULT (*)(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBuffer,
                                                    void* userContext);
using LPDXUTCALLBACKD3D9DEVICERESET = HRESULT (*)(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBuffer,
                                                  void* userContext);
using LPDXUTCALLBACKD3D9DEVICELOST = void (*)(void* userContext);
using LPDXUTCALLBACKD3D9DEVICEDESTROYED = void (*)(void* userContext);
using LPDXUTCALLBACKD3D9FRAMERENDER = void (*)(IDirect3DDevice9* device, double time, float elapsedTime,
                                               void* userContext);

void DXUTSetCallbackDeviceChanging(LPDXUTCALLBACKMODIFYDEVICESETTINGS cb, void* userContext = nullptr);
void DXUTSetCallbackFrameMove(LPDXUTCALLBACKFRAMEMOVE cb, void* userContext = nullptr);
void DXUTSetCallbackD3D9DeviceAcceptable(LPDXUTCALLBACKISD3D9DEVICEACCEPTABLE cb, void* userContext = nullptr);
void DXUTSetCallbackD3D9DeviceCreated(LPDXUTCALLBACKD3D9DEVICECREATED cb, void* userContext = nullptr);
void DXUTSetCallbackD3D9DeviceReset(LPDXUTCALLBACKD3D9DEVICERESET cb, void* userContext = nullptr);
void DXUTSetCallbackD3D9DeviceLost(LPDXUTCALLBACKD3D9DEVICELOST cb, void* userContext = nullptr);
void DXUTSetCallbackD3D9DeviceDestroyed(LPDXUTCALLBACKD3D9DEVICEDESTROYED cb, void* userContext = nullptr);
void DXUTSetCallbackD3D9FrameRender(LPDXUTCALLBACKD3D9FRAMERENDER cb, void* userContext = nullptr);

HRESULT DXUTInit(bool parseCommandLine = true, bool showMsgBoxOnError = true, LPCWSTR extraCommandLineParams = nullptr,
                 bool threadSafe = false);
void DXUTSetCursorSettings(bool showCursorWhenFullScreen, bool clipCursorWhenFullScreen);
// Applies the cursor settings to the current window and mode.
void DXUTSetupCursor();
HRESULT DXUTSetWindow(HWND focus, HWND deviceFullScreen, HWND deviceWindowed, bool handleMessages = true);
HRESULT DXUTCreateDevice(bool windowed = true, int suggestedWidth = 0, int suggestedHeight = 0);
// One frame step: lost-device handling, frame move, frame render, present.
void DXUTRender3DEnvironment();
void DXUTShutdown(int exitCode = 0);

HWND DXUTGetHWND();
HWND DXUTGetHWNDFocus();
IDirect3DDevice9* DXUTGetD3D9Device();
const D3DSURFACE_DESC* DXUTGetD3D9BackBufferSurfaceDesc();
// Seconds since the first frame was presented (0 until then).
double DXUTGetTime();
float DXUTGetElapsedTime();
bool DXUTIsWindowed();

// ---- hooks of our own (not the framework's): tests
// With a manual clock the absolute time only moves by DXUT_SetTime.
void DXUT_UseManualClock(bool manual);
void DXUT_SetTime(double seconds);
// The next frame step finds the device lost, then resets it (with the lost
// and reset callbacks), as after a display change.
void DXUT_SimulateDeviceLoss();
// Told after every presented frame, with the count of frames presented since
// DXUTInit.
using DXUT_PresentListener = void (*)(unsigned long presented);
void DXUT_SetPresentListener(DXUT_PresentListener listener);
