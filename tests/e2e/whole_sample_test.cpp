// The whole sample played headlessly, slide after slide as its table says, in
// a few groups of slides (one test each, so they can run side by side). On
// every slide, twice during its show time:
//  - the frame is not black (nor is any other frame of the show);
//  - its objects draw: the frame differs from the same slide rendered at the
//    same moment with its objects left out (the slide's plain picture through
//    its camera) on a visible number of pixels, and nowhere beyond the
//    objects' reach (whole_sample_reach.h, seen through the same camera);
//  - the slide does not stall: its clock follows the table frame by frame,
//    and a slide with a moving camera shows a different frame late in its
//    show than early;
//  - a device reset in the middle of the show comes back to the picture shown
//    just before it (same time, so nothing moves in between).
// The sample is played from a file written from its description (the bytes
// embedded in the player), since a reset of the embedded project starts it
// again from the first slide.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/thread_slots.h"
#include "e2e_support.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "platform/dxut/dxut.h"
#include "player/ds_ab_render.h"
#include "player/render_context.h"
#include "player/render_context_base.h"
#include "player/slide_container.h"
#include "whole_sample_reach.h"

namespace {

constexpr double kStep = 0.1;  // seconds between frames
constexpr int kGroups = 3;

// A level difference that no rounding or dithering reaches.
constexpr int kVisible = 24;
// Window pixels added round each reach box: filtering at the objects' edges.
constexpr float kReachMargin = 3.0f;
// Outside the reach a frame keeps the plain picture within this many levels.
constexpr int kReachLevels = 8;

std::string SampleFile() {
  static const std::string path = [] {
    std::string p = ::testing::TempDir() + "whole_sample_" + std::to_string(getpid()) + ".dds";
    std::vector<uint8_t> bytes = sample::BuildProject(sample::TheSample());
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    std::atexit([] { std::remove(SampleFile().c_str()); });
    return p;
  }();
  return path;
}

// The current slide drawn without its objects: what the player's frame
// render does, with an empty object list. No time passes.
runner::Frame RenderWithoutObjects() {
  IDirect3DDevice9* device = DXUTGetD3D9Device();
  DS_SlideShow_Light* document = runner::Document();
  DS_SlideContainer* slide = document ? document->CurrentSlide() : nullptr;
  if (!device || !slide) return {};
  RuntimeObjects none;
  if (SUCCEEDED(device->BeginScene())) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    slide->Render(none, 0);
    if (DS_ABRender* rc = slide->RenderContext()) {
      rc->EndFrame(0);
      if (document->overlay) rc->DrawOverlay(document->overlay.get());
    }
  }
  device->EndScene();
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  return runner::ReadBackBuffer();
}

int LargestChannelDifference(const runner::Frame& a, const runner::Frame& b, size_t pixel) {
  int d = 0;
  for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(a.bgra[pixel * 4 + c] - b.bgra[pixel * 4 + c]));
  return d;
}

// Pixels whose largest channel difference exceeds `levels`.
int PixelsApart(const runner::Frame& a, const runner::Frame& b, int levels) {
  if (a.bgra.size() != b.bgra.size()) return -1;
  int n = 0;
  for (size_t i = 0, count = a.bgra.size() / 4; i < count; ++i)
    if (LargestChannelDifference(a, b, i) > levels) ++n;
  return n;
}

// Pixels with some channel above a few levels.
int LitPixels(const runner::Frame& f) {
  int n = 0;
  for (size_t i = 0, count = f.bgra.size() / 4; i < count; ++i)
    if (std::max({f.bgra[i * 4], f.bgra[i * 4 + 1], f.bgra[i * 4 + 2]}) > 8) ++n;
  return n;
}

// Pixels apart from the plain picture outside the objects' reach, and the
// window rectangle holding them.
struct Stray {
  int count = 0;
  int left = 0, top = 0, right = -1, bottom = -1;
};

// The slide's reach boxes seen through its camera as it stands now (the
// transform an object with no matrix of its own is drawn with), then every
// pixel outside them that differs from the plain picture by over `levels`.
Stray OutsideReach(const runner::Frame& frame, const runner::Frame& plain, const reach::SlideReach& r,
                   const sample::Picture& picture, int levels) {
  Stray stray;
  RenderContext* rc = CurrentRenderContext();
  if (!rc || frame.bgra.size() != plain.bgra.size()) return {-1};
  D3DXMATRIX toClip, identity;
  D3DXMatrixIdentity(&identity);
  rc->GetWorldViewProj(&toClip, identity);
  const int w = frame.width, h = frame.height;
  std::vector<bool> inside(static_cast<size_t>(w) * h, false);
  std::vector<reach::Box> boxes = r.boxes;
  if (r.whole) boxes.push_back({0.0f, 0.0f, static_cast<float>(picture.width), static_cast<float>(picture.height)});
  for (const reach::Box& box : boxes) {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (float px : {box.left, box.right})
      for (float py : {box.top, box.bottom}) {
        D3DXVECTOR3 p(px, py, 0.0f);
        D3DXVECTOR4 c;
        D3DXVec3Transform(&c, &p, &toClip);
        if (c.w <= 0.0f) return {-1};
        const float wx = (c.x / c.w + 1.0f) * 0.5f * w, wy = (1.0f - c.y / c.w) * 0.5f * h;
        x0 = std::min(x0, wx), x1 = std::max(x1, wx), y0 = std::min(y0, wy), y1 = std::max(y1, wy);
      }
    const int left = std::max(0, static_cast<int>(std::floor(x0 - kReachMargin)));
    const int right = std::min(w - 1, static_cast<int>(std::ceil(x1 + kReachMargin)));
    const int top = std::max(0, static_cast<int>(std::floor(y0 - kReachMargin)));
    const int bottom = std::min(h - 1, static_cast<int>(std::ceil(y1 + kReachMargin)));
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) inside[static_cast<size_t>(y) * w + x] = true;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      if (inside[i] || LargestChannelDifference(frame, plain, i) <= levels) continue;
      if (stray.count++ == 0) stray.left = stray.right = x, stray.top = stray.bottom = y;
      stray.left = std::min(stray.left, x), stray.right = std::max(stray.right, x);
      stray.top = std::min(stray.top, y), stray.bottom = std::max(stray.bottom, y);
    }
  return stray;
}

// What one read-back during a slide's show found.
struct Look {
  runner::Frame frame;
  int objectPixels = 0;  // apart from the slide without its objects
  int strayPixels = 0;   // of those, outside the objects' reach
};

void PlayGroup(int group) {
  const sample::Description& d = sample::TheSample();
  const int count = static_cast<int>(d.slides.size());
  const int first = group * count / kGroups, end = (group + 1) * count / kGroups;
  if (first >= end) GTEST_SKIP() << "no slides in this group";

  e2e::StartSample();
  std::string error;
  ASSERT_TRUE(runner::Restart(SampleFile(), &error)) << error;
  ASSERT_EQ(static_cast<int>(runner::Document()->slides.size()), count);
  const bool draws = e2e::SlidesDraw();
  const int area = 460 * 215;

  e2e::SlideClock clock(d);
  double t = 0.0;
  // Earlier slides pass with one frame each, just after each one's time is up.
  runner::FrameAt(t);
  clock.Advance(static_cast<float>(t));
  while (clock.slide < first) {
    t += d.slides[clock.slide].Duration() - clock.local + 0.01;
    runner::FrameAt(t);
    clock.Advance(static_cast<float>(t));
    ASSERT_EQ(runner::CurrentSlideIndex(), clock.slide) << "t " << t;
  }

  for (int index = first; index < end; ++index) {
    const sample::Slide& slide = d.slides[index];
    const std::string name(slide.name.begin(), slide.name.end());
    SCOPED_TRACE("slide " + std::to_string(index) + " " + name);
    ASSERT_EQ(clock.slide, index);
    // Two looks during the show (overlay clear), the reset half-way.
    const float looks[2] = {slide.fadeIn + 0.25f * slide.show, slide.fadeIn + 0.75f * slide.show};
    const float resetAt = slide.fadeIn + 0.5f * slide.show;
    int looked = 0;
    bool reset = false;
    Look seen[2];
    float previousLocal = clock.local;
    while (clock.slide == index) {
      t += kStep;
      runner::FrameAt(t);
      clock.Advance(static_cast<float>(t));
      ASSERT_EQ(runner::CurrentSlideIndex(), clock.slide) << "t " << t;
      DS_SlideShow_Light* document = runner::Document();
      ASSERT_NEAR(document->lastTime - document->slideStartTime, clock.local, 1e-3) << "t " << t;
      if (clock.slide != index) break;
      ASSERT_GT(clock.local, previousLocal) << "the slide's clock stands at t " << t;
      previousLocal = clock.local;
      if (!draws) continue;
      // Every frame of the show (the overlay clear) shows something.
      if (clock.local > slide.fadeIn && clock.local < slide.fadeIn + slide.show) {
        const runner::Frame frame = runner::ReadBackBuffer();
        ASSERT_GT(LitPixels(frame), area / 10) << "a black frame at local time " << clock.local;
      }

      if (looked < 2 && clock.local >= looks[looked]) {
        Look& look = seen[looked++];
        look.frame = runner::ReadBackBuffer();
        ASSERT_EQ(look.frame.width, 460);
        EXPECT_GT(LitPixels(look.frame), area / 10) << "a black frame at local time " << clock.local;
        if (!slide.objects.empty()) {
          const runner::Frame plain = RenderWithoutObjects();
          look.objectPixels = PixelsApart(look.frame, plain, kVisible);
          const reach::SlideReach* r = reach::Find(slide.name);
          if (!r) {
            ADD_FAILURE() << "no reach stated for the objects of slide " << name << " (whole_sample_reach.h)";
          } else {
            const Stray stray = OutsideReach(look.frame, plain, *r, slide.picture, kReachLevels);
            look.strayPixels = stray.count;
            ASSERT_GE(stray.count, 0) << "no camera transform to place the objects' reach with";
            EXPECT_EQ(stray.count, 0) << "at local time " << clock.local << " the frame differs from the plain picture"
                                      << " outside the objects' reach, in window pixels [" << stray.left << ", "
                                      << stray.top << "] to [" << stray.right << ", " << stray.bottom << "]";
          }
        }
      }
      if (!reset && clock.local >= resetAt) {
        reset = true;
        runner::Frame before = runner::ReadBackBuffer();
        // Objects that change every frame (an arc's flicker) differ between
        // two frames at one time even without a reset: that much more may
        // differ after it, as long as the objects still draw.
        runner::FrameAt(t);
        const runner::Frame again = runner::ReadBackBuffer();
        const int flicker = PixelsApart(before, again, 16);
        DXUT_SimulateDeviceLoss();
        // The next frame step finds the device lost, the one after resets it
        // and draws again; a reset the device refuses is tried again at the
        // following steps. The time stays put meanwhile.
        int steps = 0;
        do {
          runner::FrameAt(t);
        } while (++steps < 2 || (DXUTGetD3D9Device()->TestCooperativeLevel() != D3D_OK && steps < 5));
        ASSERT_EQ(DXUTGetD3D9Device()->TestCooperativeLevel(), D3D_OK) << "the device is not reset";
        if (steps > 2) std::printf("[ slide %2d ] the device was reset at the %d. frame step\n", index, steps);
        ASSERT_EQ(runner::CurrentSlideIndex(), index) << "the reset keeps the slide";
        runner::Frame after = runner::ReadBackBuffer();
        const int apart = std::min(PixelsApart(before, after, 16), PixelsApart(again, after, 16));
        EXPECT_LE(apart, area / 50 + flicker) << "after a device reset at local time " << clock.local << ", "
                                              << apart << " pixels differ from the picture before it";
        if (flicker > area / 50 && !slide.objects.empty())
          EXPECT_GE(PixelsApart(after, RenderWithoutObjects(), kVisible), 50) << "its objects draw after the reset";
      }
    }
    if (!draws) continue;
    ASSERT_EQ(looked, 2);
    EXPECT_TRUE(reset);
    if (!slide.objects.empty()) {
      const int most = std::max(seen[0].objectPixels, seen[1].objectPixels);
      EXPECT_GE(most, 50) << "its objects draw on " << seen[0].objectPixels << " and " << seen[1].objectPixels
                          << " pixels";
    }
    // Objects may stand still (the lanterns); a moving camera never does.
    if (slide.camera.mode != 0) {
      EXPECT_GT(PixelsApart(seen[0].frame, seen[1].frame, 2), 0) << "the frame does not change over the show";
    }
    std::printf("[ slide %2d ] %-10s objects %zu: %6d and %6d pixels drawn by objects, %d and %d beyond reach\n",
                index, name.c_str(), slide.objects.size(), seen[0].objectPixels, seen[1].objectPixels,
                seen[0].strayPixels, seen[1].strayPixels);
  }
  if (!draws) GTEST_SKIP() << "the slides have no render context to draw them yet";
}

class WholeSample : public ::testing::TestWithParam<int> {};

TEST_P(WholeSample, EverySlideDrawsPlaysOnAndSurvivesAReset) { PlayGroup(GetParam()); }

INSTANTIATE_TEST_SUITE_P(SlideGroups, WholeSample, ::testing::Range(0, kGroups));

}  // namespace
