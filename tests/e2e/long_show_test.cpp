// A long show: a few distinct slides repeated. Device memory stays bounded by
// the slides on screen (whatever their kind, and from the first frame on,
// however many slides the show holds), a slide shown again draws what it drew
// the first time, the next slide is made ahead without changing its clock, and a device
// reset while it waits leaves both slides right.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/dxut/dxut.h"
#include "player/current_document.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"
#include "tests/e2e/e2e_support.h"
#include "tools/frame_runner/frame_runner.h"
#include "tools/sample/sample_project.h"

namespace {

const std::vector<const char16_t*> kDistinct = {u"Glow", u"Lines", u"Lanterns"};
constexpr int kDistinctCount = 3;
// Night's generators draw through screen-sized target sets of their own.
const std::vector<const char16_t*> kWithNight = {u"Night", u"Glow"};
// One screen-sized texture at the runner's size (460 x 215, 4 bytes a pixel).
constexpr double kScreenTextureBytes = 460.0 * 215.0 * 4.0;

// The sample's slides named, `rounds` times over, as a project file.
sample::Description LongShow(int rounds, const std::vector<const char16_t*>& names = kDistinct) {
  sample::Description d = sample::TheSample();
  std::vector<sample::Slide> kept;
  for (const char16_t* name : names)
    for (const sample::Slide& s : d.slides)
      if (s.name == name) kept.push_back(s);
  d.slides.clear();
  for (int i = 0; i < rounds; ++i) d.slides.insert(d.slides.end(), kept.begin(), kept.end());
  return d;
}

std::string WriteProject(const sample::Description& d, const char* file) {
  const std::string path = ::testing::TempDir() + file;
  std::vector<uint8_t> bytes = sample::BuildProject(d);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return std::string();
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok ? path : std::string();
}

// Opens the runner (once per process) and starts the project at time 0.
void StartProject(const std::string& path) {
  e2e::StartSample();
  std::string error;
  ASSERT_TRUE(runner::Restart(path, &error)) << error;
}

DS_2D_Light* Context(int slide) {
  DS_SlideShow_Light* show = runner::Document();
  return show ? show->slides[static_cast<size_t>(slide)]->renderContext.get() : nullptr;
}

int DifferingPixels(const runner::Frame& a, const runner::Frame& b, int tolerance) {
  if (a.bgra.size() != b.bgra.size() || a.bgra.empty()) return -1;
  int n = 0;
  for (size_t i = 0; i < a.bgra.size(); i += 4)
    for (size_t c = 0; c < 3; ++c)
      if (std::abs(a.bgra[i + c] - b.bgra[i + c]) > tolerance) {
        ++n;
        break;
      }
  return n;
}

// Plays the show with a frame at each slide's start, one at `local` seconds
// into it and one half a second before its end (when the next is made
// ahead). Calls at(slide index, frame kind 0/1/2, time) after each frame.
template <class At>
void PlaySlides(const sample::Description& d, int count, float local, At at) {
  double t = 0.0;
  for (int i = 0; i < count; ++i) {
    const sample::Slide& s = d.slides[static_cast<size_t>(i)];
    // The first slide is shown at once, past its fade-in.
    const double start = i == 0 ? t - s.fadeIn : t;
    const double times[3] = {t, start + local, start + s.Duration() - 0.5};
    for (int k = 0; k < 3; ++k) {
      if (k > 0 && times[k] <= times[k - 1]) continue;
      runner::FrameAt(times[k]);
      ASSERT_EQ(runner::CurrentSlideIndex(), i) << "frame kind " << k;
      at(i, k, times[k]);
    }
    t = start + s.Duration() + 0.01;
  }
}

TEST(LongShow, DeviceMemoryStaysBoundedBySlidesOnScreen) {
  const sample::Description d = LongShow(4);
  const std::string path = WriteProject(d, "long_show_memory.dds");
  ASSERT_FALSE(path.empty());
  StartProject(path);
  const int count = static_cast<int>(d.slides.size());
  std::vector<uint64_t> atStart(static_cast<size_t>(count));
  PlaySlides(d, count, 1.5f, [&](int slide, int kind, double) {
    if (kind == 0) atStart[static_cast<size_t>(slide)] = runner::DeviceMemoryBytes();
  });
  ASSERT_GT(atStart[0], 0u);
  // Each showing of a slide holds what its first showing held.
  for (int i = kDistinctCount; i < count; ++i) {
    const double a = static_cast<double>(atStart[static_cast<size_t>(i)]);
    const double b = static_cast<double>(atStart[static_cast<size_t>(i - kDistinctCount)]);
    EXPECT_NEAR(a, b, b * 0.01 + 65536.0) << "slide " << i;
  }
  EXPECT_NEAR(static_cast<double>(atStart[static_cast<size_t>(count - 1)]), static_cast<double>(atStart[2]),
              static_cast<double>(atStart[2]) * 0.01 + 65536.0);
}

// Every copy of a slide kind holds, at its start, what the first copy held:
// a copy's own target sets are let go when it is left.
TEST(LongShow, CopiesOfASlideWithTargetSetsHoldNoMoreThanTheFirst) {
  const sample::Description d = LongShow(3, kWithNight);
  const std::string path = WriteProject(d, "long_show_night.dds");
  ASSERT_FALSE(path.empty());
  StartProject(path);
  const int count = static_cast<int>(d.slides.size());
  const int kinds = static_cast<int>(kWithNight.size());
  std::vector<uint64_t> atStart(static_cast<size_t>(count));
  PlaySlides(d, count, 1.5f, [&](int slide, int kind, double) {
    if (kind == 0) atStart[static_cast<size_t>(slide)] = runner::DeviceMemoryBytes();
  });
  for (int i = kinds; i < count; ++i)
    EXPECT_NEAR(static_cast<double>(atStart[static_cast<size_t>(i)]),
                static_cast<double>(atStart[static_cast<size_t>(i % kinds)]), kScreenTextureBytes / 2)
        << "slide " << i;
}

// A slide's device objects made while the show is built are let go as soon
// as it is built (the first slide's stay): the start and the first frame
// hold the same whether the show has its slides once or four times over.
TEST(LongShow, FirstFrameDeviceMemoryDoesNotGrowWithTheSlides) {
  struct Held {
    uint64_t built = 0;  // the show started, no frame drawn yet
    uint64_t first = 0;  // after the first frame
  };
  auto held = [](int rounds, const char* file) {
    Held h;
    const std::string path = WriteProject(LongShow(rounds, kWithNight), file);
    EXPECT_FALSE(path.empty());
    StartProject(path);
    h.built = runner::DeviceMemoryBytes();
    runner::FrameAt(0.0);
    h.first = runner::DeviceMemoryBytes();
    return h;
  };
  const Held once = held(1, "long_show_first_once.dds");
  const Held four = held(4, "long_show_first_four.dds");
  ASSERT_GT(once.first, 0u);
  EXPECT_NEAR(static_cast<double>(four.built), static_cast<double>(once.built), kScreenTextureBytes / 2)
      << "once " << once.built << ", four times over " << four.built;
  EXPECT_NEAR(static_cast<double>(four.first), static_cast<double>(once.first), kScreenTextureBytes / 2)
      << "once " << once.first << ", four times over " << four.first;
}

TEST(LongShow, SlideShownAgainDrawsItsFirstPicture) {
  const sample::Description d = LongShow(2);
  const std::string path = WriteProject(d, "long_show_again.dds");
  ASSERT_FALSE(path.empty());
  StartProject(path);
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  std::vector<runner::Frame> frames(d.slides.size());
  // Not the first slide: it starts past its fade-in.
  PlaySlides(d, static_cast<int>(d.slides.size()), 1.5f, [&](int slide, int kind, double) {
    if (kind == 1) frames[static_cast<size_t>(slide)] = runner::ReadBackBuffer();
  });
  for (int i = 1; i < kDistinctCount; ++i) {
    const runner::Frame& first = frames[static_cast<size_t>(i)];
    const runner::Frame& again = frames[static_cast<size_t>(i + kDistinctCount)];
    const int differing = DifferingPixels(first, again, 4);
    ASSERT_GE(differing, 0);
    EXPECT_LE(differing, first.width * first.height / 200) << "slide " << i;
  }
}

TEST(LongShow, NextSlideIsMadeAheadAndStartsOnItsOwnClock) {
  const sample::Description d = LongShow(1);
  const std::string path = WriteProject(d, "long_show_clock.dds");
  ASSERT_FALSE(path.empty());
  StartProject(path);
  DS_SlideShow_Light* show = runner::Document();
  ASSERT_NE(show, nullptr);
  const double step = 0.05;
  double t = 0.0;
  // Slide 0 shows at once past its fade-in; play to half a second before
  // its end, when slide 1 is being made ahead.
  const double end = d.slides[0].Duration() - d.slides[0].fadeIn;
  for (; t < end - 0.5; t += step) runner::FrameAt(t);
  ASSERT_EQ(runner::CurrentSlideIndex(), 0);
  ASSERT_NE(Context(1), nullptr);
  EXPECT_EQ(show->preparedSlide, show->slides[1].get());
  EXPECT_FALSE(Context(1)->HasTargets()) << "the targets of the slide shown are handed over, not made twice";
  ASSERT_TRUE(Context(0)->HasTargetSet());
  IDirect3DTexture9* shown = Context(0)->targets.textures[0].Get();
  // On to the first frame of slide 1.
  while (runner::CurrentSlideIndex() == 0 && t < end + 1.0) {
    t += step;
    runner::FrameAt(t);
  }
  ASSERT_EQ(runner::CurrentSlideIndex(), 1);
  EXPECT_FALSE(Context(1)->TargetsPrepared()) << "taken by the start";
  EXPECT_EQ(Context(1)->targets.textures[0].Get(), shown);
  EXPECT_FALSE(Context(0)->HasTargets()) << "the slide left keeps no targets";
  // The first shown frame is local time 0: fully faded, every object at 0.
  EXPECT_EQ(show->slideStartTime, static_cast<float>(t));
  EXPECT_EQ(show->OverlayAlpha(), 1.0f);
  DS_SlideContainer* slide = show->CurrentSlide();
  ASSERT_FALSE(slide->drawnObjects.empty());
  for (auto& obj : slide->drawnObjects)
    if (obj) EXPECT_EQ(obj->model->timing.lastTime, 0.0f);
  t += step;
  runner::FrameAt(t);
  const float tau = static_cast<float>(t) - show->slideStartTime;
  for (auto& obj : slide->drawnObjects)
    if (obj) EXPECT_EQ(obj->model->timing.lastTime, tau);
}

TEST(LongShow, DeviceResetWhileNextSlideWaitsLeavesBothRight) {
  const sample::Description d = LongShow(1);
  const std::string path = WriteProject(d, "long_show_reset.dds");
  ASSERT_FALSE(path.empty());
  // Frames of slide 0 and slide 1, with or without a device loss while slide
  // 1 is made ahead.
  auto play = [&](bool lose, runner::Frame* before, runner::Frame* after) {
    StartProject(path);
    const double end = d.slides[0].Duration() - d.slides[0].fadeIn;
    const double times[] = {0.0, end - 0.5, end - 0.4, end - 0.3, end + 0.01, end + 1.5};
    for (double t : times) {
      runner::FrameAt(t);
      if (lose && t == times[1]) {
        ASSERT_EQ(runner::Document()->preparedSlide, runner::Document()->slides[1].get());
        DXUT_SimulateDeviceLoss();
      }
      if (t == times[3]) *before = runner::ReadBackBuffer();
    }
    ASSERT_EQ(runner::CurrentSlideIndex(), 1);
    *after = runner::ReadBackBuffer();
  };
  runner::Frame plainBefore, plainAfter, lostBefore, lostAfter;
  play(false, &plainBefore, &plainAfter);
  if (HasFatalFailure()) return;
  play(true, &lostBefore, &lostAfter);
  if (HasFatalFailure()) return;
  ASSERT_EQ(runner::Document()->slides.size(), d.slides.size()) << "the file project is kept through the reset";
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const int most = plainAfter.width * plainAfter.height / 200;
  EXPECT_LE(DifferingPixels(plainBefore, lostBefore, 4), most);
  EXPECT_GE(DifferingPixels(plainBefore, lostBefore, 4), 0);
  EXPECT_LE(DifferingPixels(plainAfter, lostAfter, 4), most);
  EXPECT_GE(DifferingPixels(plainAfter, lostAfter, 4), 0);
}

TEST(LongShow, LinkJumpTakesTheTargetsOfTheSlideLeft) {
  const sample::Description d = LongShow(1);
  const std::string path = WriteProject(d, "long_show_jump.dds");
  ASSERT_FALSE(path.empty());
  StartProject(path);
  runner::FrameAt(0.0);
  runner::FrameAt(0.5);
  ASSERT_EQ(runner::CurrentSlideIndex(), 0);
  ASSERT_TRUE(Context(0)->HasTargetSet());
  ASSERT_FALSE(Context(2)->HasTargets()) << "not made ahead: slide 1 comes next";
  IDirect3DTexture9* left[3];
  for (int k = 0; k < 3; ++k) left[k] = Context(0)->targets.textures[k].Get();

  GoToSlide(2);
  ASSERT_EQ(runner::CurrentSlideIndex(), 2);
  EXPECT_FALSE(Context(0)->HasTargets());
  for (int k = 0; k < 3; ++k) ASSERT_EQ(Context(2)->targets.textures[k].Get(), left[k]) << "target " << k;
  // As the first frame of the slide jumped to starts drawing into them.
  Context(2)->targets.Begin();
  Context(2)->targets.End(false);
  for (int k = 0; k < 3; ++k) {
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(left[k]->GetSurfaceLevel(0, &level), D3D_OK);
    const std::vector<uint8_t> pixels = D3D9_ReadBack(level);
    level->Release();
    ASSERT_FALSE(pixels.empty());
    size_t set = 0;
    for (uint8_t b : pixels) set += b != 0;
    EXPECT_EQ(set, 0u) << "target " << k << " holds what the slide left drew";
  }
  runner::FrameAt(0.55);
  EXPECT_EQ(runner::CurrentSlideIndex(), 2);
  EXPECT_TRUE(Context(2)->HasTargets());
}

}  // namespace
