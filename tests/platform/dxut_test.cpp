#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <SDL2/SDL.h>

#include "platform/dxut/dxut.h"
#include "platform/win32/window.h"

namespace {

std::vector<std::string> g_events;
double g_lastMoveTime = -1.0;

bool Modify(DXUTDeviceSettings* s, void*) {
  g_events.push_back("modify");
  s->d3d9.BehaviorFlags |= D3DCREATE_MULTITHREADED;
  return true;
}
bool Acceptable(D3DCAPS9* caps, D3DFORMAT, D3DFORMAT, bool windowed, void*) {
  g_events.push_back(windowed ? "acceptable windowed" : "acceptable full");
  return (caps->TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP) != 0;
}
HRESULT Created(IDirect3DDevice9*, const D3DSURFACE_DESC*, void*) {
  g_events.push_back("created");
  return S_OK;
}
HRESULT Reset(IDirect3DDevice9*, const D3DSURFACE_DESC* bb, void*) {
  g_events.push_back("reset " + std::to_string(bb->Width) + "x" + std::to_string(bb->Height));
  return S_OK;
}
void Lost(void*) { g_events.push_back("lost"); }
void Move(double t, float, void*) {
  g_lastMoveTime = t;
  g_events.push_back("move");
}
int g_renderDelayMs = 0;
void Render(IDirect3DDevice9* d, double, float, void*) {
  if (g_renderDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(g_renderDelayMs));
  d->BeginScene();
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
  d->EndScene();
  g_events.push_back("render");
}

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

void InstallCallbacks() {
  DXUTSetCallbackDeviceChanging(Modify);
  DXUTSetCallbackD3D9DeviceAcceptable(Acceptable);
  DXUTSetCallbackD3D9DeviceCreated(Created);
  DXUTSetCallbackD3D9DeviceReset(Reset);
  DXUTSetCallbackD3D9DeviceLost(Lost);
  DXUTSetCallbackFrameMove(Move);
  DXUTSetCallbackD3D9FrameRender(Render);
}

// One framework for the whole test program, as in the player.
TEST(Framework, CreatesStepsAndSurvivesALostDevice) {
  WNDCLASSEXW wc{};
  wc.cbSize = 48;
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = u"DxutTest";
  RegisterClassExW(&wc);
  HWND w = CreateWindowExW(0, u"DxutTest", u"t", WS_SYSMENU, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  InstallCallbacks();
  ASSERT_EQ(DXUTInit(false, false), S_OK);
  ASSERT_EQ(DXUTSetWindow(w, w, w, false), S_OK);
  ASSERT_EQ(DXUTCreateDevice(true), S_OK);
  ASSERT_NE(DXUTGetD3D9Device(), nullptr);
  EXPECT_EQ(g_events, (std::vector<std::string>{"modify", "acceptable windowed", "created", "reset 64x48"}));
  DWORD flags = 0;
  D3DDEVICE_CREATION_PARAMETERS cp{};
  DXUTGetD3D9Device()->GetCreationParameters(&cp);
  flags = cp.BehaviorFlags;
  EXPECT_TRUE(flags & D3DCREATE_MULTITHREADED);

  DXUT_UseManualClock(true);
  DXUT_SetTime(2.5);
  g_events.clear();
  DXUTRender3DEnvironment();
  EXPECT_EQ(g_events, (std::vector<std::string>{"move", "render"}));
  EXPECT_DOUBLE_EQ(g_lastMoveTime, 2.5);
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(DXUTGetD3D9Device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), S_OK);
  std::vector<uint8_t> px = D3D9_ReadBack(back);
  back->Release();
  ASSERT_EQ(px.size(), 64u * 48u * 4u);
  EXPECT_EQ(px[3], 255);  // opaque black
  EXPECT_EQ(px[0] + px[1] + px[2], 0);

  // Lost: no frame while lost, then one lost and one reset call, then frames again.
  g_events.clear();
  DXUT_SimulateDeviceLoss();
  DXUTRender3DEnvironment();
  EXPECT_EQ(g_events, std::vector<std::string>{});
  DXUTRender3DEnvironment();
  DXUTRender3DEnvironment();
  EXPECT_EQ(g_events, (std::vector<std::string>{"lost", "reset 64x48", "move", "render", "move", "render"}));

  // A resized window gets a back buffer of its size.
  g_events.clear();
  SetWindowPos(w, nullptr, 0, 0, 80, 40, SWP_NOMOVE);
  DXUTRender3DEnvironment();
  EXPECT_EQ(g_events, (std::vector<std::string>{"lost", "reset 80x40", "move", "render"}));
  DXUTShutdown();
}

TEST(Framework, FullScreenBackBufferHasTheDisplaySizeAndFollowsWindowSizeChanges) {
  WNDCLASSEXW wc{};
  wc.cbSize = 48;
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = u"DxutFullTest";
  RegisterClassExW(&wc);
  // The window starts narrower than the screen, as right after the switch.
  HWND w = CreateWindowExW(0, u"DxutFullTest", u"t", WS_SYSMENU, 0, 0, 50, 60, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
  d3d->Release();
  const std::string screen = std::to_string(mode.Width) + "x" + std::to_string(mode.Height);

  InstallCallbacks();
  g_events.clear();
  ASSERT_EQ(DXUTInit(false, false), S_OK);
  ASSERT_EQ(DXUTSetWindow(w, w, w, false), S_OK);
  ASSERT_EQ(DXUTCreateDevice(false), S_OK);
  EXPECT_EQ(g_events, (std::vector<std::string>{"modify", "acceptable full", "created", "reset " + screen}));
  EXPECT_EQ(DXUTGetD3D9BackBufferSurfaceDesc()->Width, mode.Width);
  EXPECT_EQ(DXUTGetD3D9BackBufferSurfaceDesc()->Height, mode.Height);

  // Events of the switch itself are taken first; the frame after them keeps
  // (or takes) the window's size.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  DXUTRender3DEnvironment();

  // A size change of the full-screen window, as the window manager sends it.
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  e.window.windowID = SDL_GetWindowID(Win32_GetSdlWindow(w));
  e.window.data1 = 320;
  e.window.data2 = 200;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  bool sawSize = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) sawSize = sawSize || msg.message == WM_SIZE;
  EXPECT_TRUE(sawSize) << "the window procedure still gets WM_SIZE";
  g_events.clear();
  DXUTRender3DEnvironment();
  EXPECT_EQ(g_events, (std::vector<std::string>{"lost", "reset 320x200", "move", "render"}));
  EXPECT_EQ(DXUTGetD3D9BackBufferSurfaceDesc()->Width, 320u);
  EXPECT_EQ(DXUTGetD3D9BackBufferSurfaceDesc()->Height, 200u);
  // No further change, no further reset.
  g_events.clear();
  DXUTRender3DEnvironment();
  EXPECT_EQ(g_events, (std::vector<std::string>{"move", "render"}));
  DXUTShutdown();
}

std::vector<double> g_moveTimes;
void TimedMove(double t, float, void*) {
  g_moveTimes.push_back(t);
  g_events.push_back("move");
}
void Presented(unsigned long n) { g_events.push_back("present " + std::to_string(n)); }

// A slow load and a slow first frame: the clock reads 0 until the first frame
// is on screen, that frame is moved at 0, and the next one only by the time
// since it was presented.
TEST(Framework, ClockStartsWithTheFirstPresentedFrame) {
  WNDCLASSEXW wc{};
  wc.cbSize = 48;
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = u"DxutClockTest";
  RegisterClassExW(&wc);
  HWND w = CreateWindowExW(0, u"DxutClockTest", u"t", WS_SYSMENU, 0, 0, 32, 32, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  InstallCallbacks();
  DXUTSetCallbackFrameMove(TimedMove);
  DXUT_SetPresentListener(Presented);
  DXUT_UseManualClock(false);
  ASSERT_EQ(DXUTInit(false, false), S_OK);
  ASSERT_EQ(DXUTSetWindow(w, w, w, false), S_OK);
  ASSERT_EQ(DXUTCreateDevice(true), S_OK);

  constexpr int kSlowMs = 500;
  std::this_thread::sleep_for(std::chrono::milliseconds(kSlowMs));  // loading
  EXPECT_EQ(DXUTGetTime(), 0.0);
  g_events.clear();
  g_moveTimes.clear();
  g_renderDelayMs = kSlowMs;  // a first frame that builds a lot
  DXUTRender3DEnvironment();
  g_renderDelayMs = 0;
  DXUTRender3DEnvironment();
  EXPECT_EQ(g_events, (std::vector<std::string>{"move", "render", "present 1", "move", "render", "present 2"}));
  ASSERT_EQ(g_moveTimes.size(), 2u);
  EXPECT_EQ(g_moveTimes[0], 0.0);
  EXPECT_GT(g_moveTimes[1], 0.0);
  EXPECT_LT(g_moveTimes[1], kSlowMs / 1000.0) << "neither the load nor the first frame's work counts";
  EXPECT_GE(DXUTGetTime(), g_moveTimes[1]);

  DXUT_SetPresentListener(nullptr);
  DXUTShutdown();
}

}  // namespace
