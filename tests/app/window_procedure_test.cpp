#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/app/main_window.h"
#include "player/app/player_app.h"
#include "player/current_document.h"
#include "player/scene_object.h"
#include "player/slide_container.h"
#include "player/slide_show.h"

namespace {

std::vector<std::string> g_calls;

// A model that answers the cursor with a fixed value and records the walks.
class FakeModel : public DS_ABObj_Constructor {
 public:
  FakeModel(std::string name, int answer) : name_(std::move(name)), answer_(answer) {}
  int32_t MouseOver(int32_t x, int32_t y) override {
    g_calls.push_back("over " + name_ + " " + std::to_string(x) + "," + std::to_string(y));
    return answer_;
  }
  void Click(int32_t x, int32_t y) override {
    g_calls.push_back("click " + name_);
    if (jumpTo >= 0) GoToSlide(static_cast<unsigned>(jumpTo));
  }
  DS_ABObj* CreateRuntime() override;
  int jumpTo = -1;

 private:
  std::string name_;
  int answer_;
};

class FakeRuntime : public DS_ABObj {
 public:
  explicit FakeRuntime(FakeModel* model) : DS_ABObj(model) {}
  void Update(float) override {}
};

DS_ABObj* FakeModel::CreateRuntime() { return new FakeRuntime(new FakeModel(*this)); }

class WindowProcedure : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXW wc{};
    wc.cbSize = 48;
    wc.lpfnWndProc = MainWndProc;
    wc.lpszClassName = u"ZVWManagerTest";
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassExW(&wc);
    window = CreateWindowExW(0, u"ZVWManagerTest", u"t", WS_SYSMENU, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetMainWindow(window);
    TheApp().window = window;
    Drain();
    g_calls.clear();

    document = new DS_SlideShow_Light();
    for (int s = 0; s < 3; ++s) document->slides.push_back(DS_SafePtr<DS_SlideContainer>(new DS_SlideContainer()));
    document->currentSlide = document->slides[0];
    for (auto [name, answer] : {std::pair<const char*, int>{"first", 1}, {"second", 0}, {"third", 1}}) {
      auto* model = new FakeModel(name, answer);
      models.push_back(model);
      document->slides[0]->drawnObjects.push_back(DS_SafePtr<DS_ABObj>(new FakeRuntime(model)));
    }
    SetCurrentDocument(document);
  }
  void TearDown() override {
    SetCurrentDocument(nullptr);
    delete document;
    if (IsWindow(window)) DestroyWindow(window);
    Drain();
  }
  static void Drain() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  bool QuitPosted() {
    MSG m{};
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
      if (m.message == WM_QUIT) return true;
    return false;
  }
  void PlaceCursor(int x, int y) {
    RECT r{};
    GetWindowRect(window, &r);
    SetCursorPos(r.left + x, r.top + y);
  }

  HWND window = nullptr;
  DS_SlideShow_Light* document = nullptr;
  std::vector<FakeModel*> models;
};

TEST_F(WindowProcedure, AnyKeyClosesAndEndsTheLoop) {
  EXPECT_EQ(MainWndProc(window, WM_KEYDOWN, 'Q', 0), 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(QuitPosted());
}

TEST_F(WindowProcedure, OnlyCommand40001ExactlyCloses) {
  const WPARAM ignored[] = {40000, 40002, 1, (1u << 16) | 40001};
  for (WPARAM w : ignored) {
    EXPECT_EQ(MainWndProc(window, WM_COMMAND, w, 0), 0);
    EXPECT_TRUE(IsWindow(window)) << w;
  }
  EXPECT_EQ(MainWndProc(window, WM_COMMAND, 40001, 0), 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(QuitPosted());
}

TEST_F(WindowProcedure, CursorWalkAsksEveryObjectLastToFirstAndConsumesWhenPositive) {
  PlaceCursor(12, 34);
  EXPECT_EQ(MainWndProc(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT), 0);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"over third 12,34", "over second 12,34", "over first 12,34"}));
}

TEST_F(WindowProcedure, CursorWalkWithNothingUnderTheCursorFallsThrough) {
  document->slides[0]->drawnObjects.erase(document->slides[0]->drawnObjects.begin());
  document->slides[0]->drawnObjects.pop_back();
  EXPECT_EQ(CursorWalk(1, 1), 0);
  SetCurrentDocument(nullptr);
  EXPECT_EQ(CursorWalk(1, 1), 0);
}

TEST_F(WindowProcedure, ClickReachesEveryObjectEvenAfterAJump) {
  models[2]->jumpTo = 2;  // the last object is asked first and jumps
  models[0]->jumpTo = 1;
  document->lastTime = 40.0f;
  MainWndProc(window, WM_LBUTTONDOWN, 1, 0);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"click third", "click second", "click first"}));
  // The jump made last wins and restarts its slide from black.
  EXPECT_EQ(document->CurrentSlide(), document->slides[1].get());
  EXPECT_EQ(document->nextSlideIndex, 2u);
  EXPECT_FLOAT_EQ(document->slideStartTime, 40.0f);
}

TEST_F(WindowProcedure, GoToSlideBeyondTheSlidesChangesNothing) {
  GoToSlide(3);
  EXPECT_EQ(document->CurrentSlide(), document->slides[0].get());
  GoToSlide(2);
  EXPECT_EQ(document->CurrentSlide(), document->slides[2].get());
  EXPECT_EQ(document->nextSlideIndex, 0u);  // wraps after the last slide
}

TEST_F(WindowProcedure, FailedEventFetchStillReachesTheApplication) {
  // No music graph: GetEvent cannot run, the application gets -1 and ignores it.
  EXPECT_EQ(FetchMediaEvent(), -1);
  EXPECT_EQ(MainWndProc(window, WM_APP, 0, 0), 0);
  EXPECT_TRUE(IsWindow(window));
}

}  // namespace
