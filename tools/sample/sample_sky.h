#pragma once
// The sample's sky slides: sun rays turning over a sunrise with a smoke
// plume rising from a chimney, and a thunderstorm whose bolt strikes anew at
// every appearance beside an explosion that grows each time it appears.
#include <array>

namespace sample {

struct Description;

inline constexpr char16_t kSunriseSlideName[] = u"Sunrise";
inline constexpr char16_t kThunderSlideName[] = u"Thunder";
// Picture pixels of the 920 x 430 pictures.
inline constexpr std::array<float, 2> kSunCentre{460.0f, 300.0f};
inline constexpr std::array<float, 2> kChimney{180.0f, 360.0f};
inline constexpr std::array<float, 2> kBoltStart{260.0f, 20.0f};
inline constexpr std::array<float, 2> kBoltEnd{320.0f, 400.0f};
inline constexpr std::array<float, 2> kBlast{660.0f, 250.0f};
inline constexpr unsigned kBlastSize = 240;

// Adds both slides (before the closing pool slide) and their pictures.
void AddSkySlides(Description& d);

}  // namespace sample
