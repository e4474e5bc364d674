#pragma once
// Our window is an SDL window created with an OpenGL-capable surface; the
// device layer draws into it.
#include "platform/win32/win_types.h"

struct SDL_Window;
SDL_Window* Win32_GetSdlWindow(HWND hwnd);
// The window that owns an SDL window id (for event routing).
HWND Win32_WindowFromSdlId(uint32_t window_id);
// Told of every client-size change of a window as the events arrive, before
// the WM_SIZE message is queued (the graphics framework follows its device
// window this way without taking over the window procedure).
using Win32_SizeListener = void (*)(HWND hwnd, int width, int height);
void Win32_SetSizeListener(Win32_SizeListener listener);
