#include <SDL2/SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/audio/mixer.h"
#include "platform/dxut/dxut.h"
#include "platform/win32/windows.h"
#include "player/app/main_window.h"
#include "player/app/register_all.h"
#include "player/audio_file.h"
#include "resources/builtin_resources.h"

namespace {

unsigned long g_keyAfterFrames = 0;
bool g_logTimes = false;

long long WallClockMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Measuring hooks: the wall-clock time of the first presented frame, and a
// key press injected into the window's input after a number of frames.
void OnPresented(unsigned long presented) {
  if (g_logTimes && presented == 1) {
    std::fprintf(stderr, "timing: first frame presented %lld\n", WallClockMs());
    std::fflush(stderr);
  }
  if (g_keyAfterFrames != 0 && presented == g_keyAfterFrames) {
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.state = SDL_PRESSED;
    key.key.keysym.sym = SDLK_ESCAPE;
    key.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    if (g_logTimes) {
      std::fprintf(stderr, "timing: key %lld\n", WallClockMs());
      std::fflush(stderr);
    }
    SDL_PushEvent(&key);
  }
}

// The window is closed and the loop has ended: the sound stops at once and
// the files we wrote go; everything else (device, textures, the document,
// worker threads) the system takes back with the process, without the
// seconds that releasing it one by one would cost.
[[noreturn]] void EndProcess(int exitCode) {
  AudioMixer_Silence();
  RemoveTempCopies();
  if (g_logTimes) std::fprintf(stderr, "timing: exit %lld\n", WallClockMs());
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(exitCode);
}

}  // namespace

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
  // Measuring hooks (tools/measure_startup.sh): PLAYER_TIMING=1 logs wall-clock
  // times to stderr; PLAYER_KEY_AFTER_FRAMES=n presses a key after frame n.
  if (const char* on = std::getenv("PLAYER_TIMING")) g_logTimes = on[0] == '1';
  if (const char* n = std::getenv("PLAYER_KEY_AFTER_FRAMES")) g_keyAfterFrames = std::strtoul(n, nullptr, 10);
  if (g_logTimes || g_keyAfterFrames != 0) DXUT_SetPresentListener(OnPresented);
  Win32_SetCommandLine(argc, argv);
  RegisterBuiltInResources();
  RegisterEverything();
  EndProcess(WinMain(GetModuleHandleW(nullptr)));
}
