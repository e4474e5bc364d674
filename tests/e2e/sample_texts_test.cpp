// The sample's texts slide: the "BACK" label shows its pixel font where its
// link lies, and a click on it takes the show back to the first slide.
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "player/app/player_app.h"
#include "player/current_document.h"
#include "player/slide_container.h"

namespace {

int SlideIndex(const sample::Description& d) {
  for (size_t i = 0; i < d.slides.size(); ++i)
    if (d.slides[i].name == u"Texts") return static_cast<int>(i);
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

}  // namespace
