#pragma once
// The sample's flight through a starfield and fireflies on the Night slide
// and light rays on the Forest slide; the end-to-end tests read the places
// from here (picture pixels).
#include <array>
#include <cstddef>
#include <cstdint>

#include "tools/sample/sample_project.h"

namespace sample {

// Stars born in a box above the centre fly out of it towards the viewer:
// they stay above the centre's row.
struct NightStarfield {
  size_t slide = 3;
  float cx = 150.0f, cy = 150.0f;
  float left = 100.0f, top = 40.0f, right = 200.0f, bottom = 130.0f;
  uint32_t size = 4;
};
const NightStarfield& TheNightStarfield();

// Fireflies wandering in a box of the lower picture, trailing green sparks.
struct NightFireflies {
  size_t slide = 3;
  float left = 70.0f, top = 300.0f, right = 230.0f, bottom = 400.0f;
  uint32_t count = 6;
  uint32_t size = 14;
};
const NightFireflies& TheNightFireflies();

// Pale rays falling from the top edge of the Forest picture to its bottom.
struct ForestRays {
  size_t slide = 1;
  std::array<float, 12> edges{860, 0, 0, 1000, 640, 0, 420, 0, 0, 560, 640, 0};
  uint32_t count = 6;
};
const ForestRays& TheForestRays();

void AddNightAndForestSystems(Description& d);

}  // namespace sample
