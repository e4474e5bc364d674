#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "player/app/main_window.h"
#include "player/app/player_app.h"
#include "audio/music_graph.h"
#include "core/smart_values.h"
#include "core/thread_slots.h"
#include "player/render_context.h"

namespace {

TEST(WindowFit, KeepsTheRatioFirstByWidthThenByHeight) {
  struct Case {
    int width, height, cx, cy, wantWidth, wantHeight;
  } cases[] = {
      {460, 215, 1920, 1080, 460, 215},  // fits as it is
      {460, 215, 230, 1080, 230, 107},   // too wide: 230 * 215 / 460 = 107.5
      {460, 215, 1920, 100, 213, 100},   // too tall: 100 * 460 / 215 = 213.9
      {2000, 1000, 1000, 300, 600, 300}, // both: width first (1000 x 500), then height
      {0, 0, 1920, 1080, 0, 0},          // missing strings ask for a 0 x 0 window
  };
  for (const Case& c : cases) {
    int w = c.width, h = c.height;
    FitWindowToWorkArea(&w, &h, c.cx, c.cy);
    EXPECT_EQ(w, c.wantWidth) << c.width << "x" << c.height << " in " << c.cx << "x" << c.cy;
    EXPECT_EQ(h, c.wantHeight) << c.width << "x" << c.height << " in " << c.cx << "x" << c.cy;
  }
}

TEST(MusicGraphVolume, FollowsTheVolumeLaw) {
  EXPECT_EQ(MusicGraphVolume(100, 1.0f), 0);
  EXPECT_EQ(MusicGraphVolume(100, 0.5f), -2000);
  EXPECT_EQ(MusicGraphVolume(0, 1.0f), -4000);
  EXPECT_EQ(MusicGraphVolume(50, 0.99f), -2040);  // trunc(49.5) = 49
}

TEST(ClickableAreas, AreTestedInSceneUnitsThroughTheCurrentContext) {
  // A text link's area in scene units, under a view that zooms by 4 and
  // places the visible region at (40, 20) of the window.
  MediaRectangle link;
  link.left.value = 10;
  link.right.value = 20;
  link.top.value = 10;
  link.bottom.value = 20;
  RenderContext* context = CreateRenderContext();
  context->FitView(FloatRect{40.0f, 20.0f, 400.0f, 300.0f}, FloatRect{0.0f, 0.0f, 100.0f, 75.0f}, kFitLetterbox);
  RenderContext* before = CurrentRenderContext();
  SetCurrentRenderContext(context);
  InstallHitTestSource();
  EXPECT_TRUE(link.HitTest(100.0f, 80.0f));  // scene (15, 15)
  EXPECT_TRUE(link.HitTest(80.0f, 60.0f));   // scene (10, 10): bounds inclusive
  EXPECT_FALSE(link.HitTest(15.0f, 15.0f));  // the area's numbers taken as window pixels
  EXPECT_FALSE(link.HitTest(121.0f, 80.0f)); // scene (20.25, 15)
  // With no context published the client point is taken as it is.
  SetCurrentRenderContext(nullptr);
  EXPECT_TRUE(link.HitTest(15.0f, 15.0f));
  EXPECT_FALSE(link.HitTest(100.0f, 80.0f));
  SetHitTestMatricesSource(nullptr);
  SetCurrentRenderContext(before);
  DestroyRenderContext(context);
}

}  // namespace

namespace {

struct PlayerRun {
  int exitCode = -1;
  std::string errors;
};

// Runs the real player binary headless and collects its standard error.
PlayerRun RunPlayer(const std::string& args) {
  std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 60 " + std::string(PLAYER_BINARY) +
                        " " + args + " 2>&1 1>/dev/null";
  PlayerRun run;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return run;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, p)) run.errors += buffer;
  int status = pclose(p);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(PlayerBinary, UnreadableProjectFileShowsTheMessageAndEndsWithOne) {
  std::string path = testing::TempDir() + "/not_a_project.qmf";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("this is not a project", f);
  fclose(f);
  PlayerRun run = RunPlayer("'" + path + "'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errors.find("Brisvane: Cannot open file: Wrong file format."), std::string::npos) << run.errors;
}

}  // namespace

#include "platform/image_decode.h"
#include "resources/builtin_resources.h"

namespace {

TEST(ExecutableResources, WindowStringsAndIcon) {
  RegisterBuiltInResources();
  HINSTANCE self = GetModuleHandleW(nullptr);
  char16_t text[260] = {};
  LoadStringW(self, 6, text, 260);
  EXPECT_EQ(std::u16string(text), u"Brisvane");
  LoadStringW(self, 7, text, 260);
  EXPECT_EQ(std::u16string(text), u"460");
  LoadStringW(self, 8, text, 260);
  EXPECT_EQ(std::u16string(text), u"215");
  HRSRC icon = FindResourceW(self, MAKEINTRESOURCEW(1), RT_ICON);
  ASSERT_NE(icon, nullptr);
  EXPECT_NE(LoadIconW(self, MAKEINTRESOURCEW(1)), nullptr);
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  ASSERT_TRUE(Platform_DecodeImageRGBA(static_cast<const uint8_t*>(LockResource(LoadResource(self, icon))),
                                       SizeofResource(self, icon), &rgba, &w, &h));
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 32);
  EXPECT_EQ(FindResourceW(self, MAKEINTRESOURCEW(0), u"DDS"), nullptr);
}

}  // namespace

namespace {

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

TEST(DeviceReset, RepaintsNoWindowButThePlayersOwn) {
  WNDCLASSEXW wc{};
  wc.cbSize = 48;
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = u"OtherWindow";
  RegisterClassExW(&wc);
  HWND other = CreateWindowExW(0, u"OtherWindow", u"o", WS_SYSMENU, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  ShowWindow(other, SW_SHOW);
  MSG m{};
  while (PeekMessageW(&m, other, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&m);
  PlayerApp app;
  app.OnDeviceReset();
  EXPECT_FALSE(PeekMessageW(&m, other, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  DestroyWindow(other);
}

}  // namespace

#include "core/ds_error.h"
#include "core/thread_slots.h"
#include "player/render_context.h"

namespace {

TEST(EmbeddedProject, MissingResourceThrowsTheOpenCodeAndKeepsNoFreedContext) {
  RegisterBuiltInResources();
  PlayerApp app;
  try {
    app.LoadEmbeddedProject(999);
    FAIL() << "no exception";
  } catch (uint32_t code) {
    EXPECT_EQ(code, kCannotOpenFileCode);
  }
  EXPECT_EQ(app.document, nullptr);
  ASSERT_NE(CurrentRenderContext(), nullptr);
  // Still usable: the slot names a live context, not the one made for the load.
  EXPECT_EQ(CurrentRenderContext()->fitMode, 1);
}

}  // namespace
