#pragma once
// The tree-structured particle system of the sample project.
#include "tools/sample/sample_project.h"

namespace sample {

// A stem at the picture's centre scattering yellow leaves all round; a row
// of pale blue dots along the bottom pulsing in waves (a source group whose
// cells swing their size in phases along the row); a fan of orange sparks
// from a stream at the upper left.
struct TreeGrove {
  float x = 460.0f, y = 215.0f;  // the root, in picture pixels
  float speed = 70.0f;           // picture pixels per second
  float life = 2.0f;             // seconds a leaf flies
  uint32_t leafSize = 28;        // picture pixels
  // The row: `cells` dots `cellStep` apart, centred `rowBelow` under the root.
  int cells = 7;
  float cellStep = 100.0f, rowBelow = 175.0f;
  uint32_t cellSize = 80;
  // The stream: from (streamX, streamY) to 40 further right (root-relative),
  // sparks heading 0 to 40 degrees up from the right at sparkSpeed.
  float streamX = -440.0f, streamY = -60.0f;
  float sparkSpeed = 120.0f, sparkLife = 1.2f;
};
const TreeGrove& Grove();

// Appends the "Grove" slide.
void AddTreeSlide(Description& d);

}  // namespace sample
