#pragma once
// What the end-to-end tests share: the runner opened once per process on the
// embedded sample, the sample's slide table played frame by frame, and pixel
// comparisons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "player/slide_show.h"
#include "tools/frame_runner/frame_runner.h"
#include "tools/sample/sample_project.h"

namespace e2e {

// Opens the runner on the embedded sample at the window's size (first call)
// and starts the sample from its first slide at time 0.
inline void StartSample() {
  static bool open = false;
  std::string error;
  if (!open) {
    ASSERT_TRUE(runner::Open(runner::Options{}, &error)) << error;
    open = true;
  }
  ASSERT_TRUE(runner::Restart(std::string(), &error)) << error;
}

// Whether these tests run in CI (CI=true), where nothing may be skipped.
inline bool InCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

// A check that could not run: a failure in CI, so that a machine or build
// that lost it cannot turn the suite into passes; elsewhere a quiet false.
inline bool Available(bool available, const std::string& what) {
  if (!available && InCi()) ADD_FAILURE() << what << " (CI=true: not skipped)";
  return available;
}

// Whether the slides have a render context that draws their pictures.
inline bool SlidesHaveRenderContext() {
  DS_SlideShow_Light* document = runner::Document();
  if (!document || document->slides.empty()) return false;
  for (auto& slide : document->slides)
    if (!slide || !slide->RenderContext()) return false;
  return true;
}

// Whether the pixel checks can run; in CI they must.
inline bool SlidesDraw() {
  return Available(SlidesHaveRenderContext(), "the slides have no render context to draw them");
}

// The slide table as the show plays it: a slide lives fade-in + show +
// fade-out seconds and the next starts at the first frame after that; the
// first is shown at once, without its fade-in.
struct SlideClock {
  explicit SlideClock(const sample::Description& d) : description(d) {}

  void Advance(float t) {
    const auto& slides = description.slides;
    if (!started) {
      started = true;
      start = t - slides[0].fadeIn;
    } else if (slides.size() >= 2 && t - start > slides[slide].Duration()) {
      slide = (slide + 1) % static_cast<int>(slides.size());
      start = t;
    }
    local = t - start;
  }
  // The overlay's opacity at the current local time.
  float Alpha() const {
    const sample::Slide& s = description.slides[slide];
    if (s.fadeIn > local) return (s.fadeIn - local) / s.fadeIn;
    if (local > s.fadeIn + s.show) return (local - (s.fadeIn + s.show)) / s.fadeOut;
    return 0.0f;
  }

  const sample::Description& description;
  bool started = false;
  int slide = 0;
  float start = 0.0f;
  float local = 0.0f;
};

// The time to the next frame for a test that looks at slide `index`: `fine`
// on it; before it, one frame just after each slide's time is up. A slide
// starts at the first frame after the previous one ends, so its own timeline
// is the same however the frames before it were spaced.
inline double NextStep(const SlideClock& clock, int index, double fine) {
  if (!clock.started || clock.slide == index) return fine;
  const double left = clock.description.slides[clock.slide].Duration() - clock.local;
  return std::max(fine, left + 0.01);
}

// Plays on from time t (its frame not yet shown) to the first frame of slide
// `index`, passing the slides before it as NextStep does; t is then that
// frame's time.
inline void PlayToSlide(SlideClock& clock, double& t, int index) {
  const int most = 2 * static_cast<int>(clock.description.slides.size()) + 2;
  for (int n = 0;; ++n) {
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide == index || n > most) return;
    t += NextStep(clock, index, 0.05);
  }
}

// Plays on from time t (its frame not yet shown), `step` apart on slide
// `index` and as NextStep before it, to the first frame where that slide has
// been shown `local` seconds; t is then that frame's time. False if that
// does not come within two loops of the show.
inline bool PlayInto(SlideClock& clock, double& t, int index, float local, double step) {
  double loop = 0.0;
  for (const auto& s : clock.description.slides) loop += s.Duration();
  for (const double end = t + 2.0 * loop + 1.0; t < end; t += NextStep(clock, index, step)) {
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide == index && clock.local >= local) return true;
  }
  return false;
}

// The colour seen through the fade overlay: black blended over with the
// overlay's 8-bit alpha.
inline sample::Rgb Darkened(sample::Rgb c, float alpha) {
  float a = std::floor(alpha * 255.0f) / 255.0f;
  return {c.r * (1.0f - a), c.g * (1.0f - a), c.b * (1.0f - a)};
}

inline ::testing::AssertionResult PixelNear(const runner::Frame& frame, int x, int y, sample::Rgb want,
                                            int tolerance = 4) {
  if (frame.bgra.empty()) return ::testing::AssertionFailure() << "no frame";
  int r = frame.Red(x, y), g = frame.Green(x, y), b = frame.Blue(x, y);
  if (std::abs(r - static_cast<int>(std::lround(want.r))) <= tolerance &&
      std::abs(g - static_cast<int>(std::lround(want.g))) <= tolerance &&
      std::abs(b - static_cast<int>(std::lround(want.b))) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << r << " " << g << " " << b
                                       << ", expected " << want.r << " " << want.g << " " << want.b;
}

}  // namespace e2e
