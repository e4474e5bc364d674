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

// Adds the classic systems to the slides of the description.
void AddClassicSystems(Description& d);

}  // namespace sample
