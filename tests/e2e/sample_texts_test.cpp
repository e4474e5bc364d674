// The sample's texts slide: the "BACK" label shows its pixel font where its
// link lies, and a click on it takes the show back to the first slide; the
// clock's hands show the local time and the butterfly keeps near its view.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/crt.h"
#include "e2e_support.h"
#include "player/app/player_app.h"
#include "player/current_document.h"
#include "player/slide_container.h"
#include "scene/butterfly_clock.h"
#include "tools/sample/sample_texts.h"

namespace {

int SlideIndex(const sample::Description& d) {
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == sample::kTextsSlideName) return static_cast<int>(i);
  return -1;
}

TEST(SampleTexts, LabelShowsAndItsClickGoesBack) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const int index = SlideIndex(sample::TheSample());
  ASSERT_GE(index, 0);
  runner::FrameAt(0.0);
  GoToSlide(static_cast<unsigned>(index));
  runner::FrameAt(1.0);  // past the slide's half-second fade-in
  runner::FrameAt(1.1);
  ASSERT_EQ(runner::CurrentSlideIndex(), index);
  const runner::Frame f = runner::ReadBackBuffer();
  // The label: 17 x 7 pixels, 8 picture pixels each, centred at (460, 320);
  // the window shows the picture at half size.
  EXPECT_TRUE(e2e::PixelNear(f, 202, 152, {250.0f, 240.0f, 200.0f}, 12));  // B's first pixel
  EXPECT_TRUE(e2e::PixelNear(f, 198, 148, {30.0f, 30.0f, 60.0f}, 12));     // the plate

  InstallHitTestSource();
  DS_SlideContainer* slide = runner::Document()->CurrentSlide();
  ASSERT_NE(slide, nullptr);
  int over = 0;
  for (auto& object : slide->drawnObjects) over += object->MouseOver(10, 10);
  EXPECT_EQ(over, 0);
  for (auto& object : slide->drawnObjects) over += object->MouseOver(230, 160);
  EXPECT_EQ(over, 1);
  for (size_t i = slide->drawnObjects.size(); i-- > 0;) slide->drawnObjects[i]->Click(230, 160);
  EXPECT_EQ(runner::CurrentSlideIndex(), 0);
}

// Dark as the hand picture, and the dial's cream (red well above blue).
bool Dark(const runner::Frame& f, int x, int y) { return f.Red(x, y) < 110 && f.Green(x, y) < 110 && f.Blue(x, y) < 110; }
bool Cream(const runner::Frame& f, int x, int y) { return f.Red(x, y) > 190 && f.Blue(x, y) < f.Red(x, y) - 10; }
std::string At(const runner::Frame& f, int x, int y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " + std::to_string(f.Red(x, y)) + " " +
         std::to_string(f.Green(x, y)) + " " + std::to_string(f.Blue(x, y));
}

struct LocalTimeAt {
  explicit LocalTimeAt(CrtTimeOfDay t) { crt_set_local_time([t] { return t; }); }
  ~LocalTimeAt() { crt_set_local_time(nullptr); }
};

TEST(SampleTexts, ClockShowsTheLocalTimeAndTheButterflyKeepsNearItsView) {
  e2e::StartSample();
  if (!e2e::SlidesDraw()) GTEST_SKIP() << "the slides have no render context to draw them yet";
  const int index = SlideIndex(sample::TheSample());
  ASSERT_GE(index, 0);
  LocalTimeAt threeOClock({3, 0, 0});
  runner::FrameAt(0.0);
  GoToSlide(static_cast<unsigned>(index));
  runner::FrameAt(1.0);
  runner::FrameAt(1.1);
  ASSERT_EQ(runner::CurrentSlideIndex(), index);
  const runner::Frame f = runner::ReadBackBuffer();
  if (const char* out = std::getenv("E2E_FRAMES_OUT")) runner::WritePng(f, std::string(out) + "/texts.png");

  // The window shows the picture at half size: the clock's centre, and its
  // hands a hundredth of its size wide.
  const int cx = static_cast<int>(sample::kClockCentre[0] / 2), cy = static_cast<int>(sample::kClockCentre[1] / 2);
  const int quarter = static_cast<int>(sample::kClockSize / 16);  // a quarter of the radius in the window
  // The hands fade towards their narrow tips as the picture shrinks, so they
  // are looked at in their inner half.
  for (int r : {quarter / 4, quarter / 2, 3 * quarter / 4}) {
    EXPECT_TRUE(Dark(f, cx + r, cy)) << "hour hand: " << At(f, cx + r, cy);
    EXPECT_TRUE(Dark(f, cx, cy - r)) << "minute hand: " << At(f, cx, cy - r);
    EXPECT_TRUE(Cream(f, cx - 2 * quarter, cy + r / 4)) << "dial: " << At(f, cx - 2 * quarter, cy + r / 4);
    EXPECT_TRUE(Cream(f, cx + r / 4, cy + 2 * quarter)) << "dial: " << At(f, cx + r / 4, cy + 2 * quarter);
  }

  // The butterfly turns back within about a hundred pixels of its view.
  DS_SlideContainer* slide = runner::Document()->CurrentSlide();
  ASSERT_NE(slide, nullptr);
  AC_Butterfly* flight = nullptr;
  for (auto& object : slide->drawnObjects)
    if (auto* array = dynamic_cast<DS_3DObjArray*>(object.get()))
      if (dynamic_cast<DS_ButterflyConstructor*>(array->ObjModel()) && !array->roots.empty())
        flight = dynamic_cast<AC_Butterfly*>(array->roots.front()->controller);
  ASSERT_NE(flight, nullptr);
  const float W = 920.0f, H = 430.0f, m = sample::kButterflyOvershoot;
  const float* v = sample::kButterflyView;
  for (double t = 1.15; t < 3.45; t += 0.05) {
    runner::FrameAt(t);
    if (runner::CurrentSlideIndex() != index) break;  // its objects are gone
    const D3DXVECTOR3 p = flight->position;
    EXPECT_TRUE(p.x >= v[0] * W - m && p.x <= v[1] * W + m && p.y >= v[2] * H - m && p.y <= v[3] * H + m)
        << "at " << t << " s the butterfly is at (" << p.x << ", " << p.y << ")";
  }
}

}  // namespace
