#pragma once
// The classic particle systems of the sample project.
#include "tools/sample/sample_project.h"

namespace sample {

// A fountain of soft white dots, added over its slide's picture.
struct ClassicFountain {
  size_t slide = 0;
  float x = 0.0f, y = 0.0f;  // source, in picture pixels
  uint32_t angle = 90;       // up the picture
  uint32_t spread = 16;      // degrees
  float speed = 160.0f;      // picture pixels per second
  float range = 240.0f;      // travelled before a dot fades out
  uint32_t size = 40;        // dot width in picture pixels
};

const ClassicFountain& DawnFountain();

// Ground fog drifting along the bottom of its slide's picture.
struct ClassicFog {
  size_t slide = 1;
  float left = 0.0f, top = 520.0f, right = 1280.0f, bottom = 610.0f;  // birth area
  uint32_t size = 200;
};
const ClassicFog& ForestFog();

// A vortex of added sparks; no spark leaves the range about its centre.
struct ClassicVortex {
  size_t slide = 2;
  // In the middle of the camera's travel and wide, so every view shows it.
  float x = 600.0f, y = 200.0f;
  float range = 240.0f;
  uint32_t size = 14;
};
const ClassicVortex& VoyageVortex();

// Adds the classic systems to the slides of the description.
void AddClassicSystems(Description& d);

}  // namespace sample
