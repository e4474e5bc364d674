#include "platform/win32/focus.h"

#include <SDL2/SDL.h>

#include "platform/win32/window.h"

HWND GetForegroundWindow() {
  SDL_Window* w = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetKeyboardFocus() : nullptr;
  return w ? Win32_WindowFromSdlId(SDL_GetWindowID(w)) : nullptr;
}
