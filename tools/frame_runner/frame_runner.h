#pragma once
// Plays a project headlessly through the player's own application object, on
// the framework's manual clock, one frame step at a time: the machinery of the
// frame runner program and of the end-to-end tests.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class DS_SlideShow_Light;

namespace runner {

struct Options {
  std::string project;   // a project file; empty plays the embedded sample
  int width = 460;       // client area of the window
  int height = 215;
  int fitMode = -1;      // view mode given to every slide; -1 keeps the player's
};

// Sets up the framework, the window and the device, reads the project and
// starts it, as the player does at start-up. Once per process; false with a
// message when something fails.
bool Open(const Options& options, std::string* error);

// Reads the project again and starts it from its first slide at time 0.
bool Restart(std::string* error);
// The same with another project (empty: the embedded sample) from now on.
bool Restart(const std::string& project, std::string* error);

// One frame step (frame move, frame render, present) at absolute time t, the
// window's pending messages handled first. Returns the step's wall time in
// seconds.
double FrameAt(double t);
// The processor time the calling thread spent in the last FrameAt, in
// seconds: the player's own work and the driver's, without the renderer's
// threads drawing the pixels.
double LastFrameCpuSeconds();

// The fill limit: mean wall time in seconds of a frame that clears the back
// buffer, draws one textured, alpha-blended quad over all of it and
// presents, over `frames` frames. The device's states are set back to the
// player's defaults the next frame needs (blending off, no texture).
double FillLimit(int frames);

// The back buffer as top-down BGRA rows.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgra;
  // Channel values at a pixel, 0..255.
  int Blue(int x, int y) const { return bgra[Index(x, y)]; }
  int Green(int x, int y) const { return bgra[Index(x, y) + 1]; }
  int Red(int x, int y) const { return bgra[Index(x, y) + 2]; }
  size_t Index(int x, int y) const { return (static_cast<size_t>(y) * width + x) * 4; }
};
Frame ReadBackBuffer();
bool WritePng(const Frame& frame, const std::string& path);

// The document being played (replaced by Restart and by device resets of the
// embedded project).
DS_SlideShow_Light* Document();

// Index of the current slide in the document, -1 when there is none.
int CurrentSlideIndex();

// Peak resident memory of the process, in bytes (0 when unknown).
size_t PeakMemoryBytes();
// Resident memory of the process now, in bytes (0 when unknown).
size_t ResidentMemoryBytes();
// Bytes of the live textures and surfaces the player made (device memory).
uint64_t DeviceMemoryBytes();

}  // namespace runner
