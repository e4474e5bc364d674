// The embedded sample played headlessly through the player's application
// object: slides and fades follow the sample's table, the frames show the
// right pictures, the camera travels its path, a device reset reloads the
// sample from its first slide, and every fit mode places the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "audio/music_graph.h"
#include "e2e_support.h"
#include "platform/dxut/dxut.h"
#include "player/app/player_app.h"

using e2e::Darkened;
using e2e::PixelNear;

namespace {

constexpr int kCentreX = 230, kCentreY = 107;  // of the 460 x 215 window

sample::Rgb PictureCentre(const sample::Picture& p) { return p.At(p.width * 0.5f, p.height * 0.5f); }

// Where the path camera of the sample's third slide looks at local time tau
// of its first showing, frames coming every `step` seconds: each point is
// left for the next at the first frame after the previous leg's time is up,
// eased by a half cosine, back and forth along the path.
bool PathCameraAt(const sample::Camera& camera, float tau, double step, float* x, float* y) {
  const auto& p = camera.points;
  const int order[] = {0, 1, 2, 1, 0};
  int leg = -1;
  double begin = 0.0, end = 0.0;
  for (int j = 0; j * step <= tau + 1e-4; ++j) {
    if (j * step >= end - 1e-4) {
      if (++leg >= 4) return false;
      begin = j * step;
      // Forward the leg takes the duration of the point left, backward that of the point reached.
      end = begin + p[leg < 2 ? order[leg] : order[leg + 1]].duration;
    }
  }
  if (leg < 0) return false;
  float e = static_cast<float>((1.0 - std::cos(3.14159265358979 * (tau - begin) / (end - begin))) * 0.5);
  *x = p[order[leg]].x + (p[order[leg + 1]].x - p[order[leg]].x) * e;
  *y = p[order[leg]].y + (p[order[leg + 1]].y - p[order[leg]].y) * e;
  return true;
}

TEST(SamplePlayback, SlidesFadesAndPicturesFollowTheTable) {
  e2e::StartSample();
  const sample::Description& d = sample::TheSample();
  ASSERT_EQ(runner::Document()->slides.size(), d.slides.size());
  ASSERT_EQ(runner::Document()->playlist.size(), 1u);
  const bool draws = e2e::SlidesDraw();

  float loop = 0.0f;
  for (const auto& s : d.slides) loop += s.Duration();
  e2e::SlideClock clock(d);
  // Legs of the camera path end between frames, never on one.
  const double step = 0.03;
  const int frames = static_cast<int>((2.0f * loop + 1.0f) / step);
  int showings = 0, previous = -1, pixelChecks = 0;
  int forestLow = 255, forestHigh = 0;  // green at the centre while the camera wanders
  for (int n = 0; n < frames; ++n) {
    double t = n * step;
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    if (clock.slide != previous) ++showings;
    previous = clock.slide;
    ASSERT_EQ(runner::CurrentSlideIndex(), clock.slide) << "t " << t;
    ASSERT_NEAR(runner::Document()->OverlayAlpha(), clock.Alpha(), 1e-3) << "t " << t;
    if (!draws || n % 3 != 0) continue;

    const sample::Slide& slide = d.slides[clock.slide];
    const float alpha = clock.Alpha();
    runner::Frame frame = runner::ReadBackBuffer();
    ASSERT_EQ(frame.width, 460);
    // Slide renderers draw the picture their own way (a fire band, a wobble);
    // their own tests check them.
    if (slide.camera.mode == 0 && slide.objects.empty() && !slide.renderContext) {
      EXPECT_TRUE(PixelNear(frame, kCentreX, kCentreY, Darkened(PictureCentre(slide.picture), alpha)))
          << "slide " << clock.slide << " at t " << t;
      ++pixelChecks;
    } else if (slide.camera.mode == 2 && showings <= static_cast<int>(d.slides.size())) {
      float x = 0, y = 0;
      if (PathCameraAt(slide.camera, clock.local, step, &x, &y)) {
        // The spark swirl sits where the camera looks: the picture is read
        // with the slide's objects held back, the same frame drawn again.
        auto& objects = runner::Document()->slides[static_cast<size_t>(clock.slide)]->drawnObjects;
        for (auto& o : objects) o->SetRunning(false);
        runner::FrameAt(t);
        frame = runner::ReadBackBuffer();
        for (auto& o : objects) o->SetRunning(true);
        EXPECT_TRUE(PixelNear(frame, kCentreX, kCentreY, Darkened(slide.picture.At(x, y), alpha)))
            << "camera at " << x << ", " << y << ", local time " << clock.local;
        ++pixelChecks;
      }
    } else if (slide.camera.mode == 1 && alpha < 0.2f) {
      // The wandering camera looks at random points of the wide green wood
      // and never past its edges: what it shows (15-pixel side bars, the
      // picture 430 pixels wide in the middle of the window) is wood to its
      // corners, green over the middle row.
      int r = 0, g = 0, b = 0;
      for (int x = 20; x < 440; x += 4) {
        r += frame.Red(x, kCentreY), g += frame.Green(x, kCentreY), b += frame.Blue(x, kCentreY);
      }
      r /= 105, g /= 105, b /= 105;
      EXPECT_GT(g, r + 10) << "t " << t;
      EXPECT_GT(g, b + 10) << "t " << t;
      for (auto [x, y] : {std::pair{20, 3}, std::pair{439, 3}, std::pair{20, 211}, std::pair{439, 211}})
        EXPECT_GT(frame.Red(x, y) + frame.Green(x, y) + frame.Blue(x, y), 90) << "pixel (" << x << ", " << y << ") at t " << t;
      EXPECT_TRUE(PixelNear(frame, 5, kCentreY, {0.0f, 0.0f, 0.0f})) << "t " << t;
      forestLow = std::min(forestLow, g);
      forestHigh = std::max(forestHigh, g);
      ++pixelChecks;
    }
  }
  EXPECT_EQ(showings, 2 * static_cast<int>(d.slides.size()) + 1);  // two loops, then the first again
  if (!draws) GTEST_SKIP() << "the slides have no render context to draw them yet";
  EXPECT_GT(pixelChecks, 100);
  EXPECT_GT(forestHigh - forestLow, 10) << "the wandering camera moves";
}

TEST(SamplePlayback, DeviceResetReloadsTheSampleFromItsFirstSlide) {
  e2e::StartSample();
  const sample::Description& d = sample::TheSample();
  double t = 0.0;
  const double step = 0.1;
  // Into the third slide.
  const float third = d.slides[0].Duration() - d.slides[0].fadeIn + d.slides[1].Duration() + 1.0f;
  for (; t < third; t += step) runner::FrameAt(t);
  ASSERT_EQ(runner::CurrentSlideIndex(), 2);

  DXUT_SimulateDeviceLoss();
  int frames = 0;
  do {
    t += step;
    runner::FrameAt(t);
  } while (runner::CurrentSlideIndex() != 0 && ++frames < 5);
  ASSERT_EQ(runner::CurrentSlideIndex(), 0) << "the reload starts the sample again";
  EXPECT_EQ(runner::Document()->OverlayAlpha(), 0.0f) << "the first slide shows at once";
  // The reloaded music is not left silent.
  ASSERT_NE(g_MusicAudio, nullptr);
  LONG volume = 0;
  g_MusicAudio->get_Volume(&volume);
  EXPECT_EQ(volume, MusicGraphVolume(TheApp().masterVolume, TheApp().trackVolume));
  EXPECT_GT(volume, -10000);
  if (e2e::SlidesDraw()) {
    EXPECT_TRUE(PixelNear(runner::ReadBackBuffer(), kCentreX, kCentreY, PictureCentre(d.slides[0].picture)));
  }
  // Playback goes on: the second slide follows after the first one's time.
  const double reload = t;
  for (; t < reload + d.slides[0].Duration() - d.slides[0].fadeIn + 0.5; t += step) runner::FrameAt(t);
  EXPECT_EQ(runner::CurrentSlideIndex(), 1);
}

TEST(SamplePlayback, EveryFitModePlacesThePicture) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const sample::Description& d = sample::TheSample();
  const sample::Picture& night = d.slides[3].picture;  // 300 x 450, a still camera
  float before = 0.0f;
  for (int i = 0; i < 3; ++i) before += d.slides[i].Duration();
  double t = 0.0;
  const double step = 0.1;
  // Past the last slide's fade-in.
  for (; t < before - d.slides[0].fadeIn + d.slides[3].fadeIn + 0.5; t += step) runner::FrameAt(t);
  ASSERT_EQ(runner::CurrentSlideIndex(), 3);
  // The firework bursts over the picture's middle: its objects are held back.
  for (auto& o : runner::Document()->slides[3]->drawnObjects) o->SetRunning(false);

  // Window pixel (5, 190) on the left edge: in a bar when letterboxed,
  // otherwise on the picture's left edge, at a height that depends on the fit.
  const float px = 5.5f, py = 190.5f;
  const float crop = 460.0f / night.width;  // crop scales to fill the width
  const float cropTop = (215.0f - night.height * crop) * 0.5f;
  struct Case {
    int mode;
    sample::Rgb want;
  } cases[] = {
      {0, night.At(px * night.width / 460.0f, py * night.height / 215.0f)},
      {1, {0.0f, 0.0f, 0.0f}},
      {2, night.At(px / crop, (py - cropTop) / crop)},
      {3, night.At(px * night.width / 460.0f, py * night.height / 215.0f)},
  };
  for (const Case& c : cases) {
    for (auto& slide : runner::Document()->slides) slide->SetViewMode(c.mode);
    // The view in force is the one set last: the shown slide's.
    runner::Document()->slides[3]->SetViewMode(c.mode);
    t += step;
    runner::FrameAt(t);
    ASSERT_EQ(runner::Document()->OverlayAlpha(), 0.0f);
    runner::Frame frame = runner::ReadBackBuffer();
    EXPECT_TRUE(PixelNear(frame, 5, 190, c.want)) << "fit mode " << c.mode;
    EXPECT_TRUE(PixelNear(frame, kCentreX, kCentreY, night.At(night.width * 0.5f, night.height * 0.5f)))
        << "fit mode " << c.mode << " keeps the picture's centre in the middle";
  }
}

}  // namespace
