#pragma once
// Our window is an SDL window created with an OpenGL-capable surface; the
// device layer draws into it.
#include "platform/win32/win_types.h"

struct SDL_Window;
SDL_Window* Win32_GetSdlWindow(HWND hwnd);
// The window that owns an SDL window id (for event routing).
HWND Win32_WindowFromSdlId(uint32_t window_id);
