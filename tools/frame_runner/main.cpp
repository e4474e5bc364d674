// frame_runner: plays a project headlessly for a number of frames at a fixed
// frame step, writes chosen frames as PNG and prints the frame times and the
// peak memory.
//
//   frame_runner [--project FILE] [--size WxH] [--frames N] [--step SECONDS]
//                [--fit MODE] [--png N[,N...]] [--out DIR] [--fill N]
//                [--memory 0|1] [--loops N] [--times FILE]
//
// --fill N also times N frames of one full-screen textured, blended quad at
// the same size on the same device (the fill limit), after the project's.
// --memory 1 prints the device and resident memory at every slide change.
// --loops N plays the frames N times over on one clock (a soak: the show goes
// round its slides again) and prints the memory at the end of each loop.
// --times FILE writes one line a frame: frame, slide index, milliseconds, and
// the milliseconds of processor time the player's thread spent on it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "tools/frame_runner/frame_runner.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: frame_runner [--project FILE] [--size WxH] [--frames N] [--step SECONDS]\n"
               "                    [--fit MODE] [--png N[,N...]] [--out DIR] [--fill N]\n"
               "                    [--memory 0|1] [--loops N] [--times FILE]\n");
  return 2;
}

bool ParseInt(const char* text, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!text[0] || *end || v < 0 || v > 1000000) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Headless unless told otherwise.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);

  runner::Options options;
  int frames = 300;
  double step = 1.0 / 60.0;
  std::set<int> pngFrames;
  std::string outDir = ".";
  int fillFrames = 0;
  int memoryReport = 0;
  int loops = 1;
  std::string timesPath;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) return Usage();
    ++i;
    if (arg == "--project") {
      options.project = value;
    } else if (arg == "--size") {
      int w = 0, h = 0;
      if (std::sscanf(value, "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0 || w > 8192 || h > 8192) return Usage();
      options.width = w;
      options.height = h;
    } else if (arg == "--frames") {
      if (!ParseInt(value, &frames) || frames == 0) return Usage();
    } else if (arg == "--step") {
      char* end = nullptr;
      step = std::strtod(value, &end);
      if (*end || !(step > 0.0 && step <= 10.0)) return Usage();
    } else if (arg == "--fit") {
      if (!ParseInt(value, &options.fitMode) || options.fitMode > 3) return Usage();
    } else if (arg == "--png") {
      std::string list = value;
      size_t at = 0;
      while (at <= list.size()) {
        size_t comma = list.find(',', at);
        std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        int n = 0;
        if (!ParseInt(item.c_str(), &n)) return Usage();
        pngFrames.insert(n);
        if (comma == std::string::npos) break;
        at = comma + 1;
      }
    } else if (arg == "--fill") {
      if (!ParseInt(value, &fillFrames)) return Usage();
    } else if (arg == "--memory") {
      if (!ParseInt(value, &memoryReport) || memoryReport > 1) return Usage();
    } else if (arg == "--loops") {
      if (!ParseInt(value, &loops) || loops == 0 || loops > 1000) return Usage();
    } else if (arg == "--times") {
      timesPath = value;
    } else if (arg == "--out") {
      outDir = value;
    } else {
      return Usage();
    }
  }

  std::string error;
  if (!runner::Open(options, &error)) {
    std::fprintf(stderr, "frame_runner: %s\n", error.c_str());
    return 1;
  }
  FILE* times = nullptr;
  if (!timesPath.empty() && !(times = std::fopen(timesPath.c_str(), "w"))) {
    std::fprintf(stderr, "frame_runner: cannot write %s\n", timesPath.c_str());
    return 1;
  }
  // The first frame compiles the shaders and makes the first textures; it is
  // reported on its own.
  double total = 0.0, worst = 0.0, first = 0.0;
  int worstFrame = 0;
  int slide = -1;
  const double mb = 1024.0 * 1024.0;
  frames *= loops;
  const int loopFrames = frames / loops;
  for (int n = 0; n < frames; ++n) {
    double seconds = runner::FrameAt(n * step);
    if (memoryReport && runner::CurrentSlideIndex() != slide) {
      slide = runner::CurrentSlideIndex();
      std::printf("slide %d at frame %d: device memory %.1f MB, resident %.1f MB\n", slide, n,
                  static_cast<double>(runner::DeviceMemoryBytes()) / mb,
                  static_cast<double>(runner::ResidentMemoryBytes()) / mb);
    }
    if (loops > 1 && (n + 1) % loopFrames == 0)
      std::printf("loop %d: device memory %.1f MB, resident %.1f MB, peak %.1f MB\n", (n + 1) / loopFrames,
                  static_cast<double>(runner::DeviceMemoryBytes()) / mb,
                  static_cast<double>(runner::ResidentMemoryBytes()) / mb,
                  static_cast<double>(runner::PeakMemoryBytes()) / mb);
    if (times)
      std::fprintf(times, "%d %d %.3f %.3f\n", n, runner::CurrentSlideIndex(), seconds * 1000.0,
                   runner::LastFrameCpuSeconds() * 1000.0);
    total += seconds;
    if (n == 0) first = seconds;
    if (n > 0 && seconds > worst) {
      worst = seconds;
      worstFrame = n;
    }
    if (pngFrames.count(n)) {
      char name[64];
      std::snprintf(name, sizeof name, "/frame_%05d.png", n);
      if (!runner::WritePng(runner::ReadBackBuffer(), outDir + name))
        std::fprintf(stderr, "frame_runner: cannot write %s%s\n", outDir.c_str(), name);
    }
  }
  if (times) std::fclose(times);
  // The mean leaves out the first frame, reported on its own.
  double mean = frames > 1 ? (total - first) / (frames - 1) : total;
  std::printf("frames %d at %dx%d, step %.4f s\n", frames, options.width, options.height, step);
  std::printf("mean frame %.3f ms (%.1f fps), worst frame %.3f ms (frame %d), first frame %.3f ms\n",
              mean * 1000.0, mean > 0 ? 1.0 / mean : 0.0, worst * 1000.0, worstFrame, first * 1000.0);
  if (fillFrames > 0) {
    double fill = runner::FillLimit(fillFrames);
    std::printf("fill limit %.3f ms (one full-screen textured blended quad, %d frames)\n", fill * 1000.0, fillFrames);
  }
  std::printf("peak memory %.1f MB\n", static_cast<double>(runner::PeakMemoryBytes()) / (1024.0 * 1024.0));
  std::fflush(stdout);
  return 0;
}
