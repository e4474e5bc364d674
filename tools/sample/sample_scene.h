#pragma once
// The sample's slide of scene objects: a storm sky with an electric arc.
#include "tools/sample/sample_project.h"

namespace sample {

// The arc's ends in picture pixels of the storm slide's 920 x 430 picture.
inline constexpr float kArcStart[2] = {140.0f, 90.0f};
inline constexpr float kArcEnd[2] = {780.0f, 120.0f};
inline constexpr char16_t kStormSlideName[] = u"Storm";

// Appends the storm slide.
void AddSceneSlides(Description& d);

}  // namespace sample
