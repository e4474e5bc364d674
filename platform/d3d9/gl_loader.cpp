#include "platform/d3d9/gl_loader.h"

#include <SDL.h>

namespace d3d9gl {
#define D3D9GL_DEFINE(type, name) type name = nullptr;
D3D9GL_FUNCTIONS(D3D9GL_DEFINE)
#undef D3D9GL_DEFINE

bool LoadFunctions(const char** missing) {
#define D3D9GL_LOAD(type, name)                                        \
  name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));         \
  if (!name) {                                                         \
    if (missing) *missing = #name;                                     \
    return false;                                                      \
  }
  D3D9GL_FUNCTIONS(D3D9GL_LOAD)
#undef D3D9GL_LOAD
  return true;
}
}  // namespace d3d9gl
