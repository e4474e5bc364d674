#pragma once
// The sample's path, field and rain systems: the Rain slide (the fifth),
// rain running down a window pane with a field of twinkling lights behind
// it, and a stream of sparks along the Voyage slide's horizon.
#include <cstdint>

#include "tools/sample/sample_project.h"

namespace sample {

// The Rain slide's picture is a window; the rain lands on its pane only.
struct RainWindow {
  size_t slide = 4;
  float left = 60.0f, top = 40.0f, right = 860.0f, bottom = 370.0f;  // the pane, picture pixels
  uint32_t dropSize = 28;
  uint32_t twinkleSize = 18;
};
const RainWindow& TheRainWindow();
// The window picture: a rainy night city seen through a pane in a frame.
Rgb WindowColour(float x, float y, float w, float h);

// Sparks streaming along the Voyage picture's horizon, swinging across it
// by at most half the wobble width.
struct VoyageHorizonPath {
  size_t slide = 2;
  float y = 340.0f;
  float left = 100.0f, right = 1100.0f;
  uint32_t wobbleWidth = 16;
  uint32_t size = 10;
};
const VoyageHorizonPath& TheVoyageHorizonPath();

// Inserts the Rain slide after Night and adds the horizon path to Voyage.
void AddTraceSystems(Description& d);

}  // namespace sample
