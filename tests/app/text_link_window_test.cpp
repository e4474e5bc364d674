// A two-slide project read from its bytes, its first slide holding a text link
// to the second: the window procedure keeps the hand over the link and a
// click on it changes the slide.
#include <gtest/gtest.h>

#include <memory>

#include "core/smart_values.h"
#include "player/app/main_window.h"
#include "player/app/player_app.h"
#include "player/app/register_all.h"
#include "player/current_document.h"
#include "player/doc_res_manager.h"
#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/text_writer.h"

namespace {

// The link covers picture pixels x 20..60, y 30..50.
std::vector<uint8_t> TwoSlidesWithALink() {
  pw::SlideShowRecord show;
  for (int i = 0; i < 2; ++i) {
    pw::SlideRecord slide;
    slide.name = i == 0 ? u"first" : u"second";
    pw::WriteLight(slide.renderContext, pw::LightRecord{});
    if (i == 0) {
      pw::TextLinkRecord link;
      link.slideIndex = 1;
      link.base.text = u"Next";
      link.base.base.base.corners = {20, 30, 0, 20, 50, 0, 60, 30, 0, 60, 50, 0};
      pw::ByteBuilder b;
      pw::WriteTextLink(b, link);
      slide.drawn.push_back(std::move(b));
    }
    show.slides.push_back(pw::ByteBuilder());
    pw::WriteSlide(show.slides.back(), slide);
  }
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  return pw::BuildProject(show, manager).bytes();
}

class TextLinkWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterEverything(); }
  void SetUp() override {
    WNDCLASSEXW wc{};
    wc.cbSize = 48;
    wc.lpfnWndProc = MainWndProc;
    wc.lpszClassName = u"ZVWTextLinkTest";
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassExW(&wc);
    window = CreateWindowExW(0, u"ZVWTextLinkTest", u"t", WS_SYSMENU, 0, 0, 200, 200, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(window, nullptr);
    SetMainWindow(window);
    TheApp().window = window;
    // Client pixels are picture pixels here: no render context moves them.
    SetHitTestMatricesSource(nullptr);
    const std::vector<uint8_t> bytes = TwoSlidesWithALink();
    show.reset(ReadProjectMemory(bytes.data(), static_cast<uint32_t>(bytes.size())));
    ASSERT_NE(show, nullptr);
    ASSERT_EQ(show->slides.size(), 2u);
    SetCurrentDocument(show.get());
    for (auto& slide : show->slides) slide->BuildRuntime();  // as the application starts a document
    show->Update(0.0f);
    show->Update(2.0f);  // the first slide shown, its link live
    ASSERT_EQ(show->CurrentSlide(), show->slides[0].get());
    ASSERT_EQ(show->slides[0]->drawnObjects.size(), 1u);
  }
  void TearDown() override {
    SetCurrentDocument(nullptr);
    show.reset();
    DestroyCurrentDocResManager();
    if (IsWindow(window)) DestroyWindow(window);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  void PlaceCursor(int x, int y) {
    RECT r{};
    GetWindowRect(window, &r);
    SetCursorPos(r.left + x, r.top + y);
  }

  HWND window = nullptr;
  std::unique_ptr<DS_SlideShow_Light> show;
};

TEST_F(TextLinkWindow, CursorOverTheLinkKeepsTheHand) {
  const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  struct Case {
    int x, y;
    bool over;
  };
  // Edges inclusive.
  for (const Case& c : {Case{40, 40, true}, Case{20, 30, true}, Case{60, 50, true}, Case{19, 40, false},
                        Case{40, 51, false}, Case{100, 100, false}}) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    PlaceCursor(c.x, c.y);
    MainWndProc(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT);
    EXPECT_EQ(GetCursor() == hand, c.over);
  }
}

TEST_F(TextLinkWindow, ClickOnTheLinkGoesToItsSlide) {
  // Beside the link: nothing happens.
  PlaceCursor(70, 40);
  MainWndProc(window, WM_LBUTTONDOWN, 1, MAKELPARAM(70, 40));
  EXPECT_EQ(show->CurrentSlide(), show->slides[0].get());
  PlaceCursor(45, 35);
  MainWndProc(window, WM_LBUTTONDOWN, 1, MAKELPARAM(45, 35));
  EXPECT_EQ(show->CurrentSlide(), show->slides[1].get());
}

}  // namespace
