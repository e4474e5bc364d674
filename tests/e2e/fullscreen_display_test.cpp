// The player on a real X display: an 800 x 600 virtual screen with a window
// manager, as a user starts it with a project on the command line. The
// full-screen slide of a 4:3 project must cover the whole screen, however the
// window manager grows the window after the switch to full screen.
// Needs Xvfb, openbox and xwd (tools/deps.sh installs them); skipped with a
// message when they are missing or the virtual display cannot start (a
// failure in CI).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "e2e_support.h"
#include "tools/sample/sample_project.h"

namespace {

constexpr int kScreenW = 800, kScreenH = 600;
const sample::Rgb kSlide{40.0f, 160.0f, 90.0f};

// A child process with extra environment; stdout and stderr to a log file.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& log) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
  FILE* out = fopen(log.c_str(), "w");
  if (out) {
    dup2(fileno(out), 1);
    dup2(fileno(out), 2);
  }
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

bool OnPath(const char* program) {
  std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An X window dump (xwd) of a 24- or 32-bit TrueColor screen as RGB.
struct Screen {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

uint32_t Be32(const std::string& d, size_t at) {
  return (uint32_t(uint8_t(d[at])) << 24) | (uint32_t(uint8_t(d[at + 1])) << 16) |
         (uint32_t(uint8_t(d[at + 2])) << 8) | uint32_t(uint8_t(d[at + 3]));
}

bool ParseXwd(const std::string& d, Screen* s) {
  if (d.size() < 100) return false;
  const uint32_t headerSize = Be32(d, 0), format = Be32(d, 8), width = Be32(d, 16), height = Be32(d, 20);
  const uint32_t byteOrder = Be32(d, 28), bitsPerPixel = Be32(d, 44), bytesPerLine = Be32(d, 48);
  const uint32_t redMask = Be32(d, 56), greenMask = Be32(d, 60), blueMask = Be32(d, 64);
  const uint32_t colours = Be32(d, 76);
  if (format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) || width == 0 || height == 0) return false;
  const size_t pixels = static_cast<size_t>(headerSize) + static_cast<size_t>(colours) * 12;
  if (pixels + static_cast<size_t>(bytesPerLine) * height > d.size()) return false;
  auto channel = [](uint32_t v, uint32_t mask) {
    if (!mask) return uint8_t{0};
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    return static_cast<uint8_t>((v & mask) >> shift);
  };
  s->width = static_cast<int>(width);
  s->height = static_cast<int>(height);
  s->rgb.resize(static_cast<size_t>(width) * height * 3);
  const size_t step = bitsPerPixel / 8;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const size_t at = pixels + static_cast<size_t>(y) * bytesPerLine + x * step;
      uint32_t v = 0;
      for (size_t k = 0; k < step; ++k) {
        const uint32_t byte = uint8_t(d[at + k]);
        v |= byteOrder == 0 ? byte << (8 * k) : byte << (8 * (step - 1 - k));
      }
      uint8_t* p = &s->rgb[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = channel(v, redMask);
      p[1] = channel(v, greenMask);
      p[2] = channel(v, blueMask);
    }
  }
  return true;
}

std::string Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return {};
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
  return path;
}

TEST(FullScreenDisplay, AFourToThreeSlideCoversTheWholeScreen) {
  const std::string missing = "Xvfb, openbox or xwd is not installed (tools/deps.sh installs them)";
  if (!e2e::Available(OnPath("Xvfb") && OnPath("openbox") && OnPath("xwd"), missing)) GTEST_SKIP() << missing;

  const std::string dir = testing::TempDir();
  sample::Description d;
  sample::Slide slide;
  slide.name = u"Green";
  slide.picture = {u"green.png", 64, 48, [](float, float, float, float) { return kSlide; }};
  slide.fadeIn = 0.1f;
  slide.show = 60.0f;
  d.slides = {slide};
  const std::string project = Save(dir + "/four_by_three.qmf", sample::BuildProject(d));
  ASSERT_FALSE(project.empty());

  // A display number nobody uses.
  int display = 90 + static_cast<int>(getpid() % 100);
  struct stat st;
  while (stat(("/tmp/.X11-unix/X" + std::to_string(display)).c_str(), &st) == 0 ||
         stat(("/tmp/.X" + std::to_string(display) + "-lock").c_str(), &st) == 0)
    ++display;
  const std::string name = ":" + std::to_string(display);
  pid_t server = Spawn({"Xvfb", name, "-screen", "0", "800x600x24", "-nolisten", "tcp"}, {}, dir + "/xvfb.log");
  bool up = false;
  for (int i = 0; i < 250 && !up; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    up = stat(("/tmp/.X11-unix/X" + std::to_string(display)).c_str(), &st) == 0;
    if (waitpid(server, nullptr, WNOHANG) == server) break;
  }
  if (!up) {
    Stop(server);
    const std::string why = "Xvfb could not start: " + ReadFile(dir + "/xvfb.log");
    e2e::Available(false, why);
    GTEST_SKIP() << why;
  }
  const std::string displayEnv = "DISPLAY=" + name;
  pid_t wm = Spawn({"openbox"}, {displayEnv}, dir + "/openbox.log");
  std::this_thread::sleep_for(std::chrono::milliseconds(800));

  pid_t player = Spawn({PLAYER_BINARY, project},
                       {displayEnv, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "PLAYER_TEST_CLOSE_AFTER_MS=30000"},
                       dir + "/player.log");
  // The screen is taken until it shows the slide everywhere (a loaded machine
  // may take a while to map and grow the window), for at most 20 s.
  const std::string dump = dir + "/screen.xwd";
  const std::string grab = displayEnv + " xwd -root -silent > '" + dump + "' 2>/dev/null";
  int exitCode = -1;
  bool ended = false;
  std::string problem = "no screen taken";
  for (int attempt = 0; attempt < 40; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    int status = 0;
    if (waitpid(player, &status, WNOHANG) == player) {
      ended = true;
      exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    Screen screen;
    if (std::system(grab.c_str()) != 0 || !ParseXwd(ReadFile(dump), &screen)) continue;
    if (screen.width != kScreenW || screen.height != kScreenH) {
      problem = "screen of " + std::to_string(screen.width) + " x " + std::to_string(screen.height);
      continue;
    }
    // The slide's colour everywhere: a grid over the screen and its corners.
    problem.clear();
    std::vector<std::pair<int, int>> probes = {{0, 0}, {kScreenW - 1, 0}, {0, kScreenH - 1}, {kScreenW - 1, kScreenH - 1}};
    for (int y = 2; y < kScreenH; y += 37)
      for (int x = 2; x < kScreenW; x += 41) probes.emplace_back(x, y);
    for (auto [x, y] : probes) {
      const uint8_t* p = screen.at(x, y);
      if (std::abs(p[0] - 40) > 6 || std::abs(p[1] - 160) > 6 || std::abs(p[2] - 90) > 6) {
        problem = "at " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(p[0]) + " " +
                  std::to_string(p[1]) + " " + std::to_string(p[2]);
        break;
      }
    }
    if (problem.empty()) break;
  }
  if (!ended) Stop(player);
  Stop(wm);
  Stop(server);

  EXPECT_FALSE(ended && exitCode != 0) << "the player ended early: " << ReadFile(dir + "/player.log");
  EXPECT_EQ(problem, "") << "the slide does not cover the screen";
}

}  // namespace
