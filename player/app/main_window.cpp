#include "player/app/main_window.h"

#include <cstdio>

#include "core/ds_error.h"
#include "player/app/player_app.h"
#include "player/current_document.h"
#include "platform/dxut/dxut.h"

namespace {
HINSTANCE g_instance = nullptr;
HWND g_window = nullptr;
const char16_t kClassName[] = u"ZVWManager";

int ParseDecimal(const char16_t* text) {
  int value = 0;
  for (const char16_t* p = text; *p >= u'0' && *p <= u'9'; ++p) value = value * 10 + (*p - u'0');
  return value;
}

// The client-space cursor position of the application's window.
POINT ClientCursor() {
  POINT p{0, 0};
  GetCursorPos(&p);
  ScreenToClient(TheApp().window, &p);
  return p;
}

void SleepIfDeviceLost() {
  IDirect3DDevice9* device = DXUTGetD3D9Device();
  if (device && device->TestCooperativeLevel() == D3DERR_DEVICELOST) Sleep(50);
}
}  // namespace

HWND MainWindow() { return g_window; }
void SetMainWindow(HWND window) { g_window = window; }

void FitWindowToWorkArea(int* width, int* height, int cx, int cy) {
  if (cx < *width) {
    *height = static_cast<int>(static_cast<float>(cx) * static_cast<float>(*height) / static_cast<float>(*width));
    *width = cx;
  }
  if (cy < *height) {
    *width = static_cast<int>(static_cast<float>(cy) * static_cast<float>(*width) / static_cast<float>(*height));
    *height = cy;
  }
}

int WinMain(HINSTANCE instance) {
  try {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::u16string path;
    bool hasPath = argc >= 2 && argv;
    if (hasPath) path = argv[1];
    LocalFree(reinterpret_cast<HANDLE>(argv));

    if (!CreateMainWindow(instance, hasPath ? path.c_str() : nullptr)) return 1;

    MSG msg{};
    msg.message = 0;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    while (msg.message != WM_QUIT) {
      if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      } else {
        DXUTRender3DEnvironment();
        SleepIfDeviceLost();
        Sleep(10);
      }
    }
    return 0;
  } catch (...) {
    return 1;
  }
}

BOOL CreateMainWindow(HINSTANCE instance, LPCWSTR path) {
  WNDCLASSEXW wc{};
  wc.cbSize = 48;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc)) return FALSE;

  char16_t text[260] = {};
  LoadStringW(instance, 8, text, 260);
  int height = ParseDecimal(text);
  std::fill(std::begin(text), std::end(text), u'\0');
  LoadStringW(instance, 7, text, 260);
  int width = ParseDecimal(text);
  char16_t title[260] = {};
  LoadStringW(instance, 6, title, 260);

  int cx = GetSystemMetrics(SM_CXFULLSCREEN);
  int cy = GetSystemMetrics(SM_CYFULLSCREEN);
  FitWindowToWorkArea(&width, &height, cx, cy);

  HWND window = CreateWindowExW(0, kClassName, title, WS_SYSMENU, (cx - width) / 2, (cy - height) / 2, width, height,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return FALSE;
  RECT client{};
  GetClientRect(window, &client);
  SetWindowPos(window, nullptr, 0, 0, 2 * width - client.right, 2 * height - client.bottom, SWP_NOMOVE);
  return RunStartUp(instance, window, path);
}

BOOL RunStartUp(HINSTANCE instance, HWND window, LPCWSTR path) {
  g_instance = instance;
  g_window = window;
  try {
    return StartUp(path) ? TRUE : FALSE;
  } catch (...) {
    MessageBoxW(nullptr, u"Cannot open file: Wrong file format.", u"Brisvane", MB_ICONERROR);
    return FALSE;
  }
}

LRESULT MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      DXUTRender3DEnvironment();
      SleepIfDeviceLost();
      return 1;
    }
    case WM_SETCURSOR: {
      POINT p = ClientCursor();
      if (CursorWalk(p.x, p.y) > 0) return 0;
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_KEYDOWN:
      SendMessageW(g_window, WM_CLOSE, 0, 0);
      return 0;
    case WM_COMMAND:
      if (wParam == 40001) SendMessageW(g_window, WM_CLOSE, 0, 0);
      return 0;
    case WM_LBUTTONDOWN: {
      POINT p = ClientCursor();
      ClickWalk(p.x, p.y);
      return DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_APP:
      TheApp().OnMediaEvent(FetchMediaEvent());
      return DefWindowProcW(window, WM_APP, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
