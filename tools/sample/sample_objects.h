#pragma once
// The sample's slide of lines and single objects: a growing ribbon across
// the sky and a turning tile below it.
#include "tools/sample/sample_project.h"

namespace sample {

inline constexpr char16_t kObjectsSlideName[] = u"Lines";

// The growing line: a straight path at y = kRibbonY from kRibbonFrom to
// kRibbonTo (picture pixels of the 920 x 430 picture), kRibbonWidth wide,
// appearing over kRibbonFadeIn seconds from the start of the slide.
inline constexpr float kRibbonY = 120.0f;
inline constexpr float kRibbonFrom = 100.0f;
inline constexpr float kRibbonTo = 820.0f;
inline constexpr float kRibbonWidth = 24.0f;
inline constexpr float kRibbonFadeIn = 2.0f;
inline constexpr Rgb kRibbonColour{255.0f, 200.0f, 60.0f};

// The turning tile: kTileWidth x kTileHeight about its centre, turning by
// kTileDegreesPerSecond counter-clockwise from the start of the slide.
inline constexpr float kTileCentre[2] = {460.0f, 300.0f};
inline constexpr float kTileWidth = 160.0f;
inline constexpr float kTileHeight = 60.0f;
inline constexpr float kTileDegreesPerSecond = 30.0f;
inline constexpr Rgb kTileColour{40.0f, 220.0f, 120.0f};

// Appends the slide.
void AddObjectsSlide(Description& d);

}  // namespace sample
