#pragma once
// The sample's texts slide: a "BACK" link, a wall clock at the local time and
// a butterfly flying about the upper right (picture pixels of the 920 x 430
// picture).
#include <cstdint>

#include "tools/sample/sample_project.h"

namespace sample {

inline constexpr char16_t kTextsSlideName[] = u"Texts";

// The clock: a face of kClockSize pixels about its centre; its hands are
// kClockSize / 100 pixels wide, the hour hand about a quarter of the size
// long, the minute hand a third.
inline constexpr float kClockCentre[2] = {200.0f, 215.0f};
inline constexpr uint32_t kClockSize = 360;

// The butterfly's view rectangle (normalised edges) and size in percent: it
// turns back once it leaves the rectangle, by at most about a hundred
// pixels, and its body and wings reach kButterflyExtent pixels about its
// position.
inline constexpr float kButterflyView[4] = {0.65f, 0.92f, 0.15f, 0.6f};  // left, right, top, bottom
inline constexpr uint32_t kButterflySize = 250;
inline constexpr float kButterflyOvershoot = 110.0f;
inline constexpr float kButterflyExtent = 90.0f;

// Appends the slide.
void AddTextsSlide(Description& d);

}  // namespace sample
