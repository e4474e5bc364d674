#pragma once
// The tree-structured particle system of the sample project.
#include "tools/sample/sample_project.h"

namespace sample {

// A stem at the picture's centre scattering yellow leaves all round.
struct TreeGrove {
  float x = 460.0f, y = 215.0f;  // the root, in picture pixels
  float speed = 90.0f;           // picture pixels per second
  float life = 2.0f;             // seconds a leaf flies
  uint32_t leafSize = 28;        // picture pixels
};
const TreeGrove& Grove();

// Appends the "Grove" slide.
void AddTreeSlide(Description& d);

}  // namespace sample
