#pragma once
// The subset of the Win32 user and kernel interface that the player calls,
// over SDL2 and the C++ standard library. Values are the Win32 ones.
#include <string>

#include "platform/win32/resource_table.h"
#include "platform/win32/win_types.h"

// ---- messages
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_APP = 0x8000;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr LPARAM HTCLIENT = 1;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

inline LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<WORD>(lo)) | (static_cast<uint32_t>(static_cast<WORD>(hi)) << 16));
}
inline int GET_X_LPARAM(LPARAM lp) { return static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lp))); }
inline int GET_Y_LPARAM(LPARAM lp) { return static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(lp))); }

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// ---- window classes and windows
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT GW_CHILD = 5;

struct WNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
};

ATOM RegisterClassExW(const WNDCLASSEXW* wc);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL IsWindowVisible(HWND hwnd);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags);
HWND GetWindow(HWND hwnd, UINT cmd);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int capacity);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
BOOL ScreenToClient(HWND hwnd, POINT* pt);
BOOL ClientToScreen(HWND hwnd, POINT* pt);

// ---- message queue (one per process; PostMessageW may be called from any thread)
BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- cursors and icons
#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_HAND MAKEINTRESOURCEW(32649)
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
BOOL GetCursorPos(POINT* pt);
BOOL SetCursorPos(int x, int y);
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);

// ---- message boxes
constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_ICONERROR = 0x0010;
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// ---- system metrics
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
int GetSystemMetrics(int index);

// ---- resources (the executable's own table, and the built-in resource pack)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x00000002;
HINSTANCE GetModuleHandleW(LPCWSTR name);
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
HMODULE LoadLibraryW(LPCWSTR name);
BOOL FreeLibrary(HMODULE module);
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC res);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC res);
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity);

// ---- command line, files, time
LPWSTR GetCommandLineW();
LPWSTR* CommandLineToArgvW(LPCWSTR cmdLine, int* argc);
HANDLE LocalFree(HANDLE mem);
BOOL PathFileExistsW(LPCWSTR path);
DWORD GetTempPathW(DWORD capacity, LPWSTR buffer);
BOOL DeleteFileW(LPCWSTR path);
void Sleep(DWORD ms);
DWORD GetTickCount();

// ---- hooks of our own (not Win32): start-up, tests
// main() hands its arguments over so that GetCommandLineW can answer.
void Win32_SetCommandLine(int argc, char** argv);
// The executable's resources and string table; the built-in modules by name.
struct StringResource {
  UINT id;
  const char16_t* text;
};
void Win32_SetExecutableResources(const ResourceTable* table, const StringResource* strings, size_t stringCount);
void Win32_RegisterBuiltInModule(const char16_t* name, const ResourceTable* table);
// True for a module read from a file on disk, false for a built-in one.
bool Win32_ModuleIsFile(HMODULE module);
// Tests may fix the work area that GetSystemMetrics reports (0 restores it).
void Win32_SetWorkAreaForTest(int cx, int cy);
// True when a real display shows windows (not the offscreen or dummy driver).
bool Win32_HasDisplay();

// UTF-8 / UTF-16 for the platform's own use.
std::string Win32_ToUtf8(const std::u16string& text);
std::u16string Win32_FromUtf8(const std::string& text);
