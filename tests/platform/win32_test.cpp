#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/win32/windows.h"

namespace {

std::vector<std::u16string> Split(const char16_t* line) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(line, &argc);
  std::vector<std::u16string> out;
  for (int i = 0; i < argc; ++i) out.push_back(argv[i]);
  EXPECT_EQ(argv[argc], nullptr);
  LocalFree(reinterpret_cast<HANDLE>(argv));
  return out;
}

TEST(CommandLine, SplitsLikeWindows) {
  struct Case {
    const char16_t* line;
    std::vector<std::u16string> args;
  } cases[] = {
      {u"player", {u"player"}},
      {u"player  show.qmf", {u"player", u"show.qmf"}},
      {u"player \"My Shows\\a b.qmf\"", {u"player", u"My Shows\\a b.qmf"}},
      {u"player a\\\\\"b c\"", {u"player", u"a\\b c"}},
      {u"player a\\\"b", {u"player", u"a\"b"}},
      {u"player C:\\dir\\", {u"player", u"C:\\dir\\"}},
      {u"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.args) << std::string(c.line, c.line + 0);
}

TEST(CommandLine, MainArgumentsRoundTrip) {
  const char* argv[] = {"/usr/bin/player", "/tmp/with space/ä.qmf", "quote\"d\\", ""};
  Win32_SetCommandLine(4, const_cast<char**>(argv));
  std::vector<std::u16string> args = Split(GetCommandLineW());
  ASSERT_EQ(args.size(), 4u);
  EXPECT_EQ(args[1], u"/tmp/with space/\u00e4.qmf");
  EXPECT_EQ(args[2], u"quote\"d\\");
  EXPECT_EQ(args[3], u"");
}

TEST(Guid, TextIsUpperCaseBracedAndParsesBack) {
  GUID g{0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  char16_t text[39];
  ASSERT_EQ(StringFromGUID2(g, text, 39), 39);
  EXPECT_EQ(std::u16string(text), u"{E436EBB3-524F-11CE-9F53-0020AF0BA770}");
  GUID back{};
  ASSERT_TRUE(SUCCEEDED(CLSIDFromString(u"{e436ebb3-524f-11ce-9f53-0020af0ba770}", &back)));
  EXPECT_EQ(back, g);
  EXPECT_EQ(StringFromGUID2(g, text, 38), 0);
}

TEST(Guid, TextThatDoesNotParseLeavesNull) {
  for (const char16_t* bad : {u"", u"{E436EBB3-524F-11CE-9F53-0020AF0BA77}", u"{E436EBB3-524F-11CE-9F53-0020AF0BA770",
                              u"E436EBB3-524F-11CE-9F53-0020AF0BA770}", u"{G436EBB3-524F-11CE-9F53-0020AF0BA770}",
                              u"{E436EBB3-524F-11CE-9F53-0020AF0BA770}x"}) {
    GUID g{1, 2, 3, {4}};
    EXPECT_TRUE(FAILED(CLSIDFromString(bad, &g)));
    EXPECT_EQ(g, GUID_NULL);
  }
}

TEST(Guid, CreatedGuidsDiffer) {
  GUID a, b;
  CoCreateGuid(&a);
  CoCreateGuid(&b);
  EXPECT_NE(a, b);
  EXPECT_NE(a, GUID_NULL);
}

const uint8_t kPicture[] = {1, 2, 3};
const uint8_t kEffect[] = {9, 8};
const ResourceEntry kExeEntries[] = {
    {u"DDS", 0, 2, kPicture, sizeof kPicture},
    {nullptr, 10, 2, kEffect, sizeof kEffect},
};
const ResourceTable kExe = {kExeEntries, 2};
const ResourceEntry kPackEntries[] = {{u"DDS", 0, 202, kEffect, sizeof kEffect}};
const ResourceTable kPack = {kPackEntries, 1};
const StringResource kStrings[] = {{6, u"Brisvane"}, {7, u"460"}};

TEST(Resources, FoundByIdAndTypeInTheirModuleOnly) {
  Win32_SetExecutableResources(&kExe, kStrings, 2);
  Win32_RegisterBuiltInModule(u"common_res.dll", &kPack);

  HRSRC dds = FindResourceW(nullptr, MAKEINTRESOURCEW(2), u"dds");
  ASSERT_NE(dds, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, dds), 3u);
  EXPECT_EQ(static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, dds)))[2], 3);
  HRSRC rc = FindResourceW(nullptr, MAKEINTRESOURCEW(2), RT_RCDATA);
  ASSERT_NE(rc, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, rc), 2u);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(0), u"DDS"), nullptr);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(202), u"DDS"), nullptr);

  HMODULE pack = LoadLibraryExW(u"C:\\Program Files\\Suite\\COMMON_RES.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(pack, nullptr);
  EXPECT_EQ(LoadLibraryExW(u"common_res.dll", nullptr, 0), pack);
  EXPECT_NE(FindResourceW(pack, MAKEINTRESOURCEW(202), u"DDS"), nullptr);
  EXPECT_EQ(FindResourceW(pack, MAKEINTRESOURCEW(2), u"DDS"), nullptr);
  EXPECT_EQ(LoadLibraryExW(u"other.dll", nullptr, 0), nullptr);
  EXPECT_EQ(LoadLibraryExW(u"common_res.dll.bak", nullptr, 0), nullptr);
}

TEST(Resources, StringsLoadIntoTheBufferAndMissingOnesAreEmpty) {
  Win32_SetExecutableResources(&kExe, kStrings, 2);
  char16_t buffer[260] = {};
  EXPECT_EQ(LoadStringW(nullptr, 6, buffer, 260), 8);
  EXPECT_EQ(std::u16string(buffer), u"Brisvane");
  char16_t small[4];
  EXPECT_EQ(LoadStringW(nullptr, 6, small, 4), 3);
  EXPECT_EQ(std::u16string(small), u"Bri");
  char16_t empty[8] = {};
  EXPECT_EQ(LoadStringW(nullptr, 8, empty, 8), 0);
  EXPECT_EQ(empty[0], 0);
}

TEST(Files, ExistenceAndTemporaryFolder) {
  EXPECT_FALSE(PathFileExistsW(nullptr));
  EXPECT_FALSE(PathFileExistsW(u""));
  EXPECT_FALSE(PathFileExistsW(u"/no/such/file.qmf"));
  char16_t temp[260];
  DWORD n = GetTempPathW(260, temp);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(temp[n - 1], u'/');
  EXPECT_TRUE(PathFileExistsW(temp));
}

// ---- windows and the message queue

std::vector<UINT> g_seen;
LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  g_seen.push_back(m);
  if (m == WM_DESTROY) PostQuitMessage(3);
  return DefWindowProcW(h, m, w, l);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXW wc{};
    wc.cbSize = 48;
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = u"TestWindow";
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_NE(RegisterClassExW(&wc), 0);
    window = CreateWindowExW(0, u"TestWindow", u"T", WS_SYSMENU, 0, 0, 64, 32, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT) {
    }
    g_seen.clear();
  }
  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  HWND window = nullptr;
};

TEST_F(WindowTest, PostedMessagesComeInOrderAndQuitComesLast) {
  PostQuitMessage(7);
  PostMessageW(window, WM_APP, 1, 2);
  PostMessageW(window, WM_KEYDOWN, 0x41, 0);
  MSG m{};
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_APP);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_APP);
  EXPECT_EQ(m.wParam, 1u);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_KEYDOWN);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, CloseDestroysTheWindowWhichPostsQuit) {
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(g_seen, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
  MSG m{};
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WindowTest, ClientAreaResizesAndPaintWaitsForAVisibleWindow) {
  SetWindowPos(window, nullptr, 0, 0, 460, 215, SWP_NOMOVE);
  RECT r{};
  GetClientRect(window, &r);
  EXPECT_EQ(r.right, 460);
  EXPECT_EQ(r.bottom, 215);
  MSG m{};
  InvalidateRect(window, nullptr, TRUE);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  ShowWindow(window, SW_SHOW);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(m.message, WM_PAINT);
  DispatchMessageW(&m);  // the default procedure validates
  EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
}

TEST_F(WindowTest, CursorPositionConvertsToClientCoordinates) {
  RECT wr{};
  GetWindowRect(window, &wr);
  SetCursorPos(wr.left + 10, wr.top + 20);
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(window, &p);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 20);
}

TEST(Metrics, WorkAreaCanBeFixedForTests) {
  Win32_SetWorkAreaForTest(300, 200);
  EXPECT_EQ(GetSystemMetrics(SM_CXFULLSCREEN), 300);
  EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), 200);
  Win32_SetWorkAreaForTest(0, 0);
  EXPECT_GT(GetSystemMetrics(SM_CXFULLSCREEN), 0);
}

}  // namespace
