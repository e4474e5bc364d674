#pragma once
// The sample's slide of scene objects: a storm sky with an electric arc.
#include "tools/sample/sample_project.h"

namespace sample {

// The arc's ends in picture pixels of the storm slide's 920 x 430 picture.
inline constexpr float kArcStart[2] = {140.0f, 90.0f};
inline constexpr float kArcEnd[2] = {780.0f, 120.0f};
inline constexpr char16_t kStormSlideName[] = u"Storm";

// The garden slide: rain over the right of the picture, fish in the pond's view and
// grass standing on the bottom edge of its view (normalised edges).
inline constexpr char16_t kGardenSlideName[] = u"Garden";
inline constexpr float kPondView[4] = {0.1f, 0.9f, 0.6f, 0.8f};  // left, right, top, bottom
inline constexpr float kGrassView[4] = {0.0f, 1.0f, 0.5f, 0.95f};
inline constexpr uint32_t kDropSize = 24;
// A leaf travelling back and forth between two points of the garden's sky
// (picture pixels) at 60 pixels a second (travel speed 20 x 3).
inline constexpr float kLeafFrom[2] = {120.0f, 110.0f};
inline constexpr float kLeafTo[2] = {420.0f, 110.0f};
inline constexpr float kLeafSpeed = 60.0f;

// Appends the storm and garden slides and their sprite pictures.
void AddSceneSlides(Description& d);

}  // namespace sample
