// Windows, the message queue and input of the Win32 stand-in, over SDL2.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/window.h"
#include "platform/win32/windows.h"
#include "platform/image_decode.h"

struct HWND__ {
  SDL_Window* sdl = nullptr;
  WNDPROC proc = nullptr;
  std::u16string className;
  std::u16string title;
  HCURSOR classCursor = nullptr;
  bool alive = true;
  bool visible = false;
  bool needsPaint = false;
};

struct HCURSOR__ {
  SDL_Cursor* sdl = nullptr;
  int id = 0;
};

namespace {

struct WindowClass {
  WNDCLASSEXW wc{};
  std::u16string name;
};

struct State {
  std::recursive_mutex lock;  // window procedures may post while we hold it
  std::map<std::u16string, WindowClass> classes;
  std::vector<std::unique_ptr<HWND__>> windows;
  std::deque<MSG> queue;
  bool quitPosted = false;
  int quitCode = 0;
  POINT cursor{0, 0};
  HCURSOR current = nullptr;
  std::map<int, std::unique_ptr<HCURSOR__>> cursors;
  int workCx = 0, workCy = 0;
  bool videoTried = false;
  bool videoOk = false;
  Win32_SizeListener sizeListener = nullptr;
};

State& S() {
  static State s;
  return s;
}

bool EnsureVideo() {
  State& s = S();
  if (s.videoTried) return s.videoOk;
  s.videoTried = true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
    s.videoOk = true;
  } else {
    // No display: fall back to the offscreen driver, which still has OpenGL.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    s.videoOk = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  }
  return s.videoOk;
}

HWND Live(HWND h) {
  if (!h) return nullptr;
  for (auto& w : S().windows)
    if (w.get() == h && w->alive) return h;
  return nullptr;
}

HWND FirstLiveWindow() {
  for (auto& w : S().windows)
    if (w->alive) return w.get();
  return nullptr;
}

void Post(HWND h, UINT m, WPARAM w, LPARAM l) {
  MSG msg{};
  msg.hwnd = h;
  msg.message = m;
  msg.wParam = w;
  msg.lParam = l;
  msg.time = GetTickCount();
  msg.pt = S().cursor;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().queue.push_back(msg);
}

WPARAM VirtualKey(const SDL_Keysym& k) {
  SDL_Keycode c = k.sym;
  if (c >= 'a' && c <= 'z') return static_cast<WPARAM>(c - 'a' + 'A');
  if (c >= '0' && c <= '9') return static_cast<WPARAM>(c);
  switch (c) {
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_RETURN: return 0x0D;
    case SDLK_SPACE: return 0x20;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    default: return static_cast<WPARAM>(k.scancode) | 0x100;
  }
}

// Turns pending SDL events into window messages.
void PumpSdl() {
  State& s = S();
  if (!s.videoOk) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_KEYDOWN: {
        HWND h = Win32_WindowFromSdlId(e.key.windowID);
        if (!h) h = FirstLiveWindow();
        if (h) Post(h, WM_KEYDOWN, VirtualKey(e.key.keysym), 1);
        break;
      }
      case SDL_MOUSEMOTION: {
        HWND h = Win32_WindowFromSdlId(e.motion.windowID);
        if (!h) break;
        POINT p{e.motion.x, e.motion.y};
        ClientToScreen(h, &p);
        s.cursor = p;
        Post(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(static_cast<int>(HTCLIENT), static_cast<int>(WM_MOUSEMOVE)));
        Post(h, WM_MOUSEMOVE, 0, MAKELPARAM(e.motion.x, e.motion.y));
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        HWND h = Win32_WindowFromSdlId(e.button.windowID);
        if (!h || e.button.button != SDL_BUTTON_LEFT) break;
        POINT p{e.button.x, e.button.y};
        ClientToScreen(h, &p);
        s.cursor = p;
        Post(h, e.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, 1, MAKELPARAM(e.button.x, e.button.y));
        break;
      }
      case SDL_WINDOWEVENT: {
        HWND h = Win32_WindowFromSdlId(e.window.windowID);
        if (!h) break;
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) Post(h, WM_CLOSE, 0, 0);
        else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) h->needsPaint = true;
        else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          if (s.sizeListener) s.sizeListener(h, e.window.data1, e.window.data2);
          Post(h, WM_SIZE, 0, MAKELPARAM(e.window.data1, e.window.data2));
        }
        break;
      }
      case SDL_QUIT: {
        HWND h = FirstLiveWindow();
        if (h) Post(h, WM_CLOSE, 0, 0);
        break;
      }
      default:
        break;
    }
  }
}

HCURSOR SystemCursor(int id) {
  State& s = S();
  auto it = s.cursors.find(id);
  if (it != s.cursors.end()) return it->second.get();
  auto c = std::make_unique<HCURSOR__>();
  c->id = id;
  if (EnsureVideo()) c->sdl = SDL_CreateSystemCursor(id == 32649 ? SDL_SYSTEM_CURSOR_HAND : SDL_SYSTEM_CURSOR_ARROW);
  HCURSOR h = c.get();
  s.cursors[id] = std::move(c);
  return h;
}

// The class icon is a PNG picture in the resource table.
void SetSdlIcon(SDL_Window* window, HICON icon) {
  auto* entry = reinterpret_cast<const ResourceEntry*>(icon);
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  if (!Platform_DecodeImageRGBA(entry->data, entry->size, &rgba, &w, &h)) return;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(rgba.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_RGBA32);
  if (surface) {
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
  }
}

}  // namespace

SDL_Window* Win32_GetSdlWindow(HWND hwnd) { return Live(hwnd) ? hwnd->sdl : nullptr; }

void Win32_SetSizeListener(Win32_SizeListener listener) { S().sizeListener = listener; }

HWND Win32_WindowFromSdlId(uint32_t id) {
  SDL_Window* w = SDL_GetWindowFromID(id);
  if (!w) return nullptr;
  for (auto& h : S().windows)
    if (h->alive && h->sdl == w) return h.get();
  return nullptr;
}

bool Win32_HasDisplay() {
  if (!EnsureVideo()) return false;
  const char* d = SDL_GetCurrentVideoDriver();
  return d && std::strcmp(d, "offscreen") != 0 && std::strcmp(d, "dummy") != 0;
}

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
  std::lock_guard<std::recursive_mutex> g(S().lock);
  WindowClass c;
  c.wc = *wc;
  c.name = wc->lpszClassName;
  c.wc.lpszClassName = nullptr;
  S().classes[c.name] = c;
  return static_cast<ATOM>(0xC000 + S().classes.size());
}

HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width, int height, HWND,
                     HMENU, HINSTANCE, LPVOID) {
  if (!className || !EnsureVideo()) return nullptr;
  State& s = S();
  WindowClass cls;
  {
    std::lock_guard<std::recursive_mutex> g(s.lock);
    auto it = s.classes.find(className);
    if (it == s.classes.end()) return nullptr;
    cls = it->second;
  }
  auto w = std::make_unique<HWND__>();
  w->proc = cls.wc.lpfnWndProc;
  w->className = cls.name;
  w->title = title ? title : u"";
  w->classCursor = cls.wc.hCursor;
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  // GL needs a surface of at least one pixel.
  w->sdl = SDL_CreateWindow(Win32_ToUtf8(w->title).c_str(), x, y, width > 0 ? width : 1, height > 0 ? height : 1, flags);
  if (!w->sdl) return nullptr;
  if (cls.wc.hIcon) SetSdlIcon(w->sdl, cls.wc.hIcon);
  HWND h = w.get();
  {
    std::lock_guard<std::recursive_mutex> g(s.lock);
    s.windows.push_back(std::move(w));
  }
  SendMessageW(h, WM_CREATE, 0, 0);
  if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return h;
}

BOOL DestroyWindow(HWND hwnd) {
  if (!Live(hwnd)) return FALSE;
  SendMessageW(hwnd, WM_DESTROY, 0, 0);
  hwnd->alive = false;
  // The SDL window stays until exit: a device may still hold a context on it.
  if (hwnd->sdl) SDL_HideWindow(hwnd->sdl);
  hwnd->visible = false;
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Live(hwnd) ? TRUE : FALSE; }

BOOL ShowWindow(HWND hwnd, int cmd) {
  if (!Live(hwnd)) return FALSE;
  BOOL was = hwnd->visible ? TRUE : FALSE;
  if (cmd == SW_HIDE) {
    SDL_HideWindow(hwnd->sdl);
    hwnd->visible = false;
  } else {
    SDL_ShowWindow(hwnd->sdl);
    hwnd->visible = true;
    hwnd->needsPaint = true;
  }
  return was;
}

BOOL IsWindowVisible(HWND hwnd) { return Live(hwnd) && hwnd->visible ? TRUE : FALSE; }

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  if (!Live(hwnd) || !rect) return FALSE;
  int w = 0, h = 0;
  SDL_GetWindowSize(hwnd->sdl, &w, &h);
  *rect = RECT{0, 0, w, h};
  return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (!Live(hwnd) || !rect) return FALSE;
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(hwnd->sdl, &x, &y);
  SDL_GetWindowSize(hwnd->sdl, &w, &h);
  *rect = RECT{x, y, x + w, y + h};
  return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
  if (!Live(hwnd)) return FALSE;
  if (!(flags & SWP_NOMOVE)) SDL_SetWindowPosition(hwnd->sdl, x, y);
  if (!(flags & SWP_NOSIZE)) SDL_SetWindowSize(hwnd->sdl, cx > 0 ? cx : 1, cy > 0 ? cy : 1);
  return TRUE;
}

// The player creates no child windows.
HWND GetWindow(HWND, UINT) { return nullptr; }

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int capacity) {
  if (!Live(hwnd) || !buffer || capacity <= 0) return 0;
  size_t n = std::min<size_t>(hwnd->title.size(), static_cast<size_t>(capacity - 1));
  std::memcpy(buffer, hwnd->title.data(), n * sizeof(char16_t));
  buffer[n] = 0;
  return static_cast<int>(n);
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
  if (hwnd == nullptr) {
    for (auto& w : S().windows)
      if (w->alive) w->needsPaint = true;
    return TRUE;
  }
  if (!Live(hwnd)) return FALSE;
  hwnd->needsPaint = true;
  return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  if (!Live(hwnd)) return nullptr;
  hwnd->needsPaint = false;
  if (ps) {
    *ps = PAINTSTRUCT{};
    GetClientRect(hwnd, &ps->rcPaint);
  }
  return reinterpret_cast<HDC>(hwnd);
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  if (!Live(hwnd) || !pt) return FALSE;
  int x = 0, y = 0;
  SDL_GetWindowPosition(hwnd->sdl, &x, &y);
  pt->x -= x;
  pt->y -= y;
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  if (!Live(hwnd) || !pt) return FALSE;
  int x = 0, y = 0;
  SDL_GetWindowPosition(hwnd->sdl, &x, &y);
  pt->x += x;
  pt->y += y;
  return TRUE;
}

// ---- queue

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
  State& s = S();
  PumpSdl();
  std::lock_guard<std::recursive_mutex> g(s.lock);
  auto passes = [&](UINT m) { return !(filterMin || filterMax) || (m >= filterMin && m <= filterMax); };
  for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
    if (hwnd && it->hwnd != hwnd) continue;
    if (!passes(it->message)) continue;
    if (msg) *msg = *it;
    if (remove & PM_REMOVE) s.queue.erase(it);
    return TRUE;
  }
  if (s.quitPosted && passes(WM_QUIT)) {
    if (msg) {
      *msg = MSG{};
      msg->message = WM_QUIT;
      msg->wParam = static_cast<WPARAM>(s.quitCode);
    }
    if (remove & PM_REMOVE) s.quitPosted = false;
    return TRUE;
  }
  // Painting comes last, and stays pending until BeginPaint.
  for (auto& w : s.windows) {
    if (w->alive && w->needsPaint && w->visible && (!hwnd || hwnd == w.get()) && passes(WM_PAINT)) {
      if (msg) {
        *msg = MSG{};
        msg->hwnd = w.get();
        msg->message = WM_PAINT;
      }
      return TRUE;
    }
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Live(hwnd) || !hwnd->proc) return 0;
  return hwnd->proc(hwnd, message, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd && !Live(hwnd)) return FALSE;
  Post(hwnd, message, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().quitPosted = true;
  S().quitCode = exitCode;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETCURSOR:
      if (Live(hwnd) && LOWORD(static_cast<uintptr_t>(lParam)) == HTCLIENT) {
        SetCursor(hwnd->classCursor);
        return TRUE;
      }
      return FALSE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return 0;
  }
}

// ---- cursors

HCURSOR LoadCursorW(HINSTANCE, LPCWSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
  if (id != 32512 && id != 32649) return nullptr;
  return SystemCursor(id);
}

HCURSOR SetCursor(HCURSOR cursor) {
  State& s = S();
  HCURSOR previous = s.current;
  s.current = cursor;
  if (cursor && cursor->sdl) SDL_SetCursor(cursor->sdl);
  return previous;
}

HCURSOR GetCursor() { return S().current; }

BOOL GetCursorPos(POINT* pt) {
  if (!pt) return FALSE;
  *pt = S().cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  S().cursor = POINT{x, y};
  return TRUE;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  // The icon is a picture in the resource table; the handle only names it.
  HRSRC r = FindResourceW(instance, name, RT_ICON);
  return reinterpret_cast<HICON>(r);
}

// ---- message boxes and metrics

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  std::string t = Win32_ToUtf8(text ? text : u"");
  std::string c = Win32_ToUtf8(caption ? caption : u"");
  std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
  std::fflush(stderr);
  if (Win32_HasDisplay()) {
    Uint32 flags = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), nullptr);
  }
  return 1;  // IDOK
}

void Win32_SetWorkAreaForTest(int cx, int cy) {
  S().workCx = cx;
  S().workCy = cy;
}

int GetSystemMetrics(int index) {
  State& s = S();
  if ((index == SM_CXFULLSCREEN || index == SM_CXSCREEN) && s.workCx > 0) return s.workCx;
  if ((index == SM_CYFULLSCREEN || index == SM_CYSCREEN) && s.workCy > 0) return s.workCy;
  if (!EnsureVideo()) return 0;
  SDL_Rect r{0, 0, 0, 0};
  if (index == SM_CXFULLSCREEN || index == SM_CYFULLSCREEN) {
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) SDL_GetDisplayBounds(0, &r);
  } else {
    SDL_GetDisplayBounds(0, &r);
  }
  switch (index) {
    case SM_CXFULLSCREEN:
    case SM_CXSCREEN: return r.w;
    case SM_CYFULLSCREEN:
    case SM_CYSCREEN: return r.h;
    default: return 0;
  }
}
