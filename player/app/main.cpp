#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/win32/windows.h"
#include "player/app/main_window.h"
#include "player/app/register_all.h"
#include "resources/builtin_resources.h"

int main(int argc, char** argv) {
  // Test hook: PLAYER_TEST_CLOSE_AFTER_MS=n ends the message loop n ms after
  // start, as closing the window would, so tests can run the real program.
  if (const char* ms = std::getenv("PLAYER_TEST_CLOSE_AFTER_MS")) {
    long delay = std::strtol(ms, nullptr, 10);
    std::thread([delay] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      PostQuitMessage(0);
    }).detach();
  }
  Win32_SetCommandLine(argc, argv);
  RegisterBuiltInResources();
  RegisterEverything();
  return WinMain(GetModuleHandleW(nullptr));
}
