#include "platform/win32/windows.h"
#include "player/app/main_window.h"
#include "player/app/register_all.h"
#include "resources/builtin_resources.h"

int main(int argc, char** argv) {
  Win32_SetCommandLine(argc, argv);
  RegisterBuiltInResources();
  RegisterEverything();
  return WinMain(GetModuleHandleW(nullptr));
}
