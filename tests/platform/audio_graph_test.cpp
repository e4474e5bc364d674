#include <gtest/gtest.h>

#include <vector>

#include "platform/audio/dshow.h"
#include "platform/audio/mixer.h"
#include "platform/win32/windows.h"
#include "tests/platform/audio_fixtures.h"

namespace {

using namespace audio_test;

// A graph made the way the player shell makes its music graph.
class GraphTest : public SinkTest {
 protected:
  void SetUp() override {
    SinkTest::SetUp();
    AudioLayer_Register();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                               IID_IGraphBuilder, reinterpret_cast<void**>(&graph)),
              S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events)), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);
  }
  void TearDown() override {
    for (IUnknown* p : std::initializer_list<IUnknown*>{audio, events, seeking, control, graph})
      if (p) p->Release();
  }
  // A WAV of constant samples at the mixer rate.
  std::u16string ConstantWav(const char* name, uint32_t frames, int16_t left, int16_t right) {
    const auto path = dir / name;
    WriteFile(path, WavBytes(kMixerRate, 2, 16, frames, Constant(left, right)));
    return Win32_FromUtf8(path.string());
  }
  IBaseFilter* AddSource(const std::u16string& path) {
    IBaseFilter* f = nullptr;
    EXPECT_EQ(graph->AddSourceFilter(path.c_str(), path.c_str(), &f), S_OK);
    return f;
  }
  HRESULT RenderOutput(IBaseFilter* f) {
    IPin* pin = nullptr;
    HRESULT hr = f->FindPin(u"Output", &pin);
    if (FAILED(hr)) return hr;
    hr = graph->Render(pin);
    pin->Release();
    return hr;
  }
  LONG NextEvent() {
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    if (events->GetEvent(&code, &p1, &p2, 0) != S_OK) return -1;
    events->FreeEventParams(code, p1, p2);
    return code;
  }
  uint32_t FilterCount() {
    IEnumFilters* en = nullptr;
    graph->EnumFilters(&en);
    uint32_t n = 0;
    while (en->Skip(1) == S_OK) ++n;
    en->Release();
    return n;
  }

  TempDir dir;
  IGraphBuilder* graph = nullptr;
  IMediaControl* control = nullptr;
  IMediaSeeking* seeking = nullptr;
  IMediaEventEx* events = nullptr;
  IBasicAudio* audio = nullptr;
};

TEST_F(GraphTest, PlaysARenderedSourceToItsEndAndReportsCompletionOnce) {
  IBaseFilter* src = AddSource(ConstantWav("a.wav", 100, 3276, -3276));
  ASSERT_EQ(RenderOutput(src), S_OK);
  EXPECT_EQ(FilterCount(), 2u);  // source and renderer
  LONGLONG duration = 0;
  ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, 100LL * 10000000 / kMixerRate);

  EXPECT_FLOAT_EQ(Pull(1)[0], 0.0f);  // stopped graphs are silent
  ASSERT_EQ(control->Run(), S_OK);
  OAFilterState state = -1;
  control->GetState(100, &state);
  EXPECT_EQ(state, State_Running);
  std::vector<float> mix = Pull(120);
  EXPECT_FLOAT_EQ(mix[0], 3276 / 32768.0f);
  EXPECT_FLOAT_EQ(mix[1], -3276 / 32768.0f);
  EXPECT_FLOAT_EQ(mix[2 * 99], 3276 / 32768.0f);
  EXPECT_FLOAT_EQ(mix[2 * 100], 0.0f);
  EXPECT_EQ(NextEvent(), EC_COMPLETE);
  EXPECT_EQ(NextEvent(), -1);
  Pull(50);
  EXPECT_EQ(NextEvent(), -1);

  // At the end the graph still runs; current = stop position.
  LONGLONG cur = -1, stop = -1;
  seeking->GetPositions(&cur, &stop);
  EXPECT_EQ(cur, stop);
  EXPECT_EQ(stop, duration);

  // Seeking back to 0 plays it again and completes again.
  LONGLONG zero = 0;
  seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, &zero, AM_SEEKING_NoPositioning);
  EXPECT_FLOAT_EQ(Pull(1)[0], 3276 / 32768.0f);
  Pull(200);
  EXPECT_EQ(NextEvent(), EC_COMPLETE);
  src->Release();
}

TEST_F(GraphTest, VolumeAndBalanceFollowTheDecibelLaws) {
  IBaseFilter* src = AddSource(ConstantWav("a.wav", 1000, 16384, 16384));
  ASSERT_EQ(RenderOutput(src), S_OK);
  control->Run();
  struct Case {
    LONG volume, balance;
    double left, right;
  } cases[] = {
      {0, 0, 0.5, 0.5},
      {-2000, 0, 0.05, 0.05},      // track volume 0.5 at master 100
      {-4000, -4000, 0.005, 0.005 * 0.01},  // MP3 object at volume 0, pan 0
      {0, 4000, 0.5 * 0.01, 0.5},
      {-10000, 0, 0, 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(audio->put_Volume(c.volume), S_OK);
    ASSERT_EQ(audio->put_Balance(c.balance), S_OK);
    std::vector<float> mix = Pull(2);
    EXPECT_NEAR(mix[2], c.left, 1e-7 + c.left * 1e-4) << c.volume << "," << c.balance;
    EXPECT_NEAR(mix[3], c.right, 1e-7 + c.right * 1e-4) << c.volume << "," << c.balance;
  }
  LONG v = 1;
  audio->get_Volume(&v);
  EXPECT_EQ(v, -10000);
  EXPECT_EQ(audio->put_Volume(1), E_INVALIDARG);
  EXPECT_EQ(audio->put_Balance(-10001), E_INVALIDARG);
  src->Release();
}

TEST_F(GraphTest, RemovingAndAddingFiltersDropsConnectionsAndReusesTheRenderer) {
  IBaseFilter* first = AddSource(ConstantWav("a.wav", 50, 1000, 1000));
  ASSERT_EQ(RenderOutput(first), S_OK);
  EXPECT_EQ(RenderOutput(first), VFW_E_ALREADY_CONNECTED);
  IBaseFilter* second = AddSource(ConstantWav("b.wav", 50, 2000, 2000));

  // What the music output does before rendering the next track.
  IEnumFilters* en = nullptr;
  ASSERT_EQ(graph->EnumFilters(&en), S_OK);
  IBaseFilter* all[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(en->Next(3, all, &fetched), S_OK);
  EXPECT_EQ(fetched, 3u);
  en->Release();
  for (IBaseFilter* f : all) {
    EXPECT_EQ(graph->RemoveFilter(f), S_OK);
    EXPECT_EQ(graph->AddFilter(f, nullptr), S_OK);
    f->Release();
  }
  IPin* pin = nullptr;
  first->FindPin(u"Output", &pin);
  IPin* peer = nullptr;
  EXPECT_TRUE(FAILED(pin->ConnectedTo(&peer)));
  pin->Release();

  ASSERT_EQ(RenderOutput(second), S_OK);
  EXPECT_EQ(FilterCount(), 3u);  // the free renderer was taken again
  control->Run();
  EXPECT_FLOAT_EQ(Pull(1)[0], 2000 / 32768.0f);
  EXPECT_EQ(graph->RemoveFilter(second), S_OK);
  EXPECT_EQ(graph->RemoveFilter(second), VFW_E_NOT_IN_GRAPH);
  EXPECT_FLOAT_EQ(Pull(1)[0], 0.0f);
  first->Release();
  second->Release();
}

TEST_F(GraphTest, SourcesThatCannotPlayAreRefused) {
  WriteFile(dir / "junk.mp3", std::vector<uint8_t>(500, 0x42));
  WriteFile(dir / "cut.wav", std::vector<uint8_t>{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
  struct Case {
    std::u16string path;
    HRESULT expected;
  } cases[] = {
      {Win32_FromUtf8((dir / "missing.mp3").string()), static_cast<HRESULT>(0x80070002u)},
      {Win32_FromUtf8((dir / "junk.mp3").string()), VFW_E_UNSUPPORTED_STREAM},
      {Win32_FromUtf8((dir / "cut.wav").string()), VFW_E_UNSUPPORTED_STREAM},
      {u"", E_INVALIDARG},
  };
  for (const Case& c : cases) {
    IBaseFilter* f = reinterpret_cast<IBaseFilter*>(1);
    EXPECT_EQ(graph->AddSourceFilter(c.path.c_str(), c.path.c_str(), &f), c.expected);
    EXPECT_EQ(f, nullptr);
    EXPECT_EQ(graph->RenderFile(c.path.c_str(), nullptr), c.expected);
  }
  EXPECT_EQ(FilterCount(), 0u);
  LONGLONG d = 0;
  EXPECT_TRUE(FAILED(seeking->GetDuration(&d)));
}

TEST_F(GraphTest, RenderFileBuildsTheWholeChainAndDecodedFormatsPlay) {
  const std::u16string ogg = Win32_FromUtf8(DataFile("tone_stereo.ogg").string());
  ASSERT_EQ(graph->RenderFile(ogg.c_str(), nullptr), S_OK);
  LONGLONG duration = 0;
  seeking->GetDuration(&duration);
  EXPECT_EQ(duration, 10000000);
  control->Run();
  std::vector<float> mix = Pull(44100);
  EXPECT_NEAR(Rms(mix, 0), 8000 / 32768.0 / std::sqrt(2.0), 0.01);
  EXPECT_NEAR(Rms(mix, 1), 4000 / 32768.0 / std::sqrt(2.0), 0.01);
  Pull(10);
  EXPECT_EQ(NextEvent(), EC_COMPLETE);
}

LRESULT TestWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

TEST_F(GraphTest, CompletionIsPostedToTheNotifyWindowAndQueued) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = TestWndProc;
  wc.lpszClassName = u"AudioGraphTestWindow";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, u"AudioGraphTestWindow", u"t", WS_SYSMENU, 0, 0, 64, 64, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(hwnd), WM_APP, 77), S_OK);

  IBaseFilter* src = AddSource(ConstantWav("a.wav", 10, 100, 100));
  ASSERT_EQ(RenderOutput(src), S_OK);
  control->Run();
  Pull(20);
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, hwnd, WM_APP, WM_APP, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_APP);
  EXPECT_EQ(msg.lParam, 77);
  EXPECT_EQ(NextEvent(), EC_COMPLETE);

  // Events handed in through the sink interface travel the same way.
  IMediaEventSink* sink = nullptr;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)), S_OK);
  sink->Notify(EC_COMPLETE, 0, 0);
  EXPECT_TRUE(PeekMessageW(&msg, hwnd, WM_APP, WM_APP, PM_REMOVE));
  EXPECT_EQ(NextEvent(), EC_COMPLETE);
  LONG code;
  LONG_PTR p1, p2;
  EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 10), E_ABORT);
  events->SetNotifyWindow(0, 0, 0);

  // Events nobody fetches do not pile up without end.
  for (int i = 0; i < 5000; ++i) sink->Notify(i, 0, 0);
  int queued = 0;
  LONG last = -1;
  while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) ++queued, last = code;
  EXPECT_LT(queued, 5000);
  EXPECT_EQ(last, 4999);
  sink->Release();
  src->Release();
  DestroyWindow(hwnd);
}

TEST(GraphLifetime, ReleasingTheGraphReleasesItsFilters) {
  AudioMixer_UseTestSink(true);
  AudioLayer_Register();
  TempDir dir;
  WriteFile(dir / "a.wav", WavBytes(kMixerRate, 1, 16, 10, Constant(5000, 5000)));
  const uint32_t before = FilterGraph_LiveGraphs();
  IGraphBuilder* graph = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, 3, IID_IGraphBuilder, reinterpret_cast<void**>(&graph)), S_OK);
  EXPECT_EQ(FilterGraph_LiveGraphs(), before + 1);
  const std::u16string path = Win32_FromUtf8((dir / "a.wav").string());
  IBaseFilter* src = nullptr;
  ASSERT_EQ(graph->AddSourceFilter(path.c_str(), path.c_str(), &src), S_OK);
  IMediaControl* control = nullptr;
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  IPin* pin = nullptr;
  src->FindPin(u"Output", &pin);
  graph->Render(pin);
  pin->Release();
  control->Run();
  control->Release();
  graph->Release();
  EXPECT_EQ(FilterGraph_LiveGraphs(), before);
  EXPECT_FLOAT_EQ(Pull(1)[0], 0.0f);  // its renderer left the mixer
  IPin* stale = nullptr;
  EXPECT_EQ(src->FindPin(u"Output", &stale), S_OK);  // the filter outlives its graph
  stale->Release();
  src->Release();
}

}  // namespace
