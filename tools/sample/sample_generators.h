#pragma once
// The sample's generators: sparkles on the dawn slide, twinkling stars and
// an aurora on the night slide, drawn with pictures of our own stored in the
// project and an effect link whose stored bytes the player refuses, so that
// the generators' built-in effect stands in. The end-to-end tests read the
// positions from here.
#include <array>

namespace sample {

struct Description;

// Sparkle centres on the dawn picture (920 x 430), in picture pixels.
inline constexpr std::array<std::array<float, 2>, 4> kSparkles{{{150, 100}, {780, 110}, {300, 330}, {700, 320}}};
// The aurora's band on the night picture (300 x 450): dabs from x 20 to 280
// at y 110, the curtain about 90 pixels high.
inline constexpr float kAuroraY = 110.0f;
inline constexpr float kAuroraHeight = 90.0f;

// The night slide's fireworks and falling stars (picture pixels).
inline constexpr std::array<float, 2> kFireworkOrigin{150.0f, 280.0f};
inline constexpr unsigned kFireworkSparks = 48;
inline constexpr std::array<float, 4> kStarRegion{20.0f, 10.0f, 280.0f, 60.0f};  // left, top, right, bottom
// The plant on the forest picture (1280 x 640): its rectangle.
inline constexpr std::array<float, 4> kPlantRect{130.0f, 300.0f, 430.0f, 630.0f};  // left, top, right, bottom
// The dawn title: "DAWN" from (380, 24), each glyph 20 x 28, stored under
// pack ids the built-in pack lacks.
inline constexpr unsigned kTitleFirstId = 9101;

// Adds the generators and their stored files to the slides.
void AddGenerators(Description& d);

}  // namespace sample
