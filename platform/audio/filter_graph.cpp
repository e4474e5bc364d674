#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/com_object.h"
#include "platform/audio/decoders.h"
#include "platform/audio/dshow.h"
#include "platform/audio/mixer.h"
#include "platform/win32/windows.h"

const CLSID CLSID_FilterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IGraphBuilder = {0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaControl = {0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaSeeking = {0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
const IID IID_IMediaEventEx = {0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IBasicAudio = {0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IBaseFilter = {0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IPin = {0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaEventSink = {0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
static const IID kIID_IEnumFilters = {0x56A86893, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

namespace {

constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT kNotConnected = static_cast<HRESULT>(0x80040209u);
constexpr LONGLONG kUnitsPerSecond = 10000000;
constexpr size_t kMaxQueuedEvents = 256;

std::atomic<uint32_t> g_liveGraphs{0};

class FilterGraph;
class Renderer;

// Filters and pins share one reference count per filter.
class FilterBase : public ComObject<IBaseFilter> {
 public:
  FilterBase() : ComObject(IID_IBaseFilter) {}
  FilterGraph* graph = nullptr;  // under the mixer lock
};

class FilterPin : public IPin {
 public:
  explicit FilterPin(FilterBase* owner) : owner_(owner) {}
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != kIID_IUnknown && iid != IID_IPin) return E_NOINTERFACE;
    *out = static_cast<IPin*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return owner_->AddRef(); }
  ULONG Release() override { return owner_->Release(); }
  HRESULT ConnectedTo(IPin** pin) override;
  FilterBase* Owner() const { return owner_; }
  FilterPin* peer = nullptr;  // under the mixer lock

 private:
  FilterBase* owner_;
};

HRESULT FilterPin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  auto g = AudioMixer_Guard();
  *pin = peer;
  if (!peer) return kNotConnected;
  peer->AddRef();
  return S_OK;
}

class SourceFilter final : public FilterBase {
 public:
  explicit SourceFilter(std::shared_ptr<const PcmData> pcm) : pcm(std::move(pcm)), output(this) {}
  HRESULT FindPin(LPCWSTR id, IPin** pin) override {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!id || std::u16string(id) != u"Output") return VFW_E_NOT_FOUND;
    output.AddRef();
    *pin = &output;
    return S_OK;
  }
  const std::shared_ptr<const PcmData> pcm;
  FilterPin output;
};

class Renderer final : public FilterBase, public MixerVoice {
 public:
  Renderer() : input(this) {}
  ~Renderer() override { AudioMixer_Remove(this); }
  HRESULT FindPin(LPCWSTR id, IPin** pin) override {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!id || std::u16string(id) != u"Audio Input pin (rendered)") return VFW_E_NOT_FOUND;
    input.AddRef();
    *pin = &input;
    return S_OK;
  }
  void Mix(float* out, uint32_t frames) override;

  SourceFilter* Source() const { return input.peer ? static_cast<SourceFilter*>(input.peer->Owner()) : nullptr; }
  FilterPin input;
  double position = 0;  // source frames
  bool ended = false;
};

class EnumFiltersImpl final : public ComObject<IEnumFilters> {
 public:
  explicit EnumFiltersImpl(std::vector<IBaseFilter*> filters)
      : ComObject(kIID_IEnumFilters), filters_(std::move(filters)) {
    for (IBaseFilter* f : filters_) f->AddRef();
  }
  ~EnumFiltersImpl() override {
    for (IBaseFilter* f : filters_) f->Release();
  }
  HRESULT Next(ULONG count, IBaseFilter** out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && pos_ < filters_.size(); ++n, ++pos_) {
      out[n] = filters_[pos_];
      out[n]->AddRef();
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    if (pos_ + count > filters_.size()) {
      pos_ = filters_.size();
      return S_FALSE;
    }
    pos_ += count;
    return S_OK;
  }
  HRESULT Reset() override {
    pos_ = 0;
    return S_OK;
  }

 private:
  std::vector<IBaseFilter*> filters_;
  size_t pos_ = 0;
};

struct GraphEvent {
  LONG code;
  LONG_PTR p1, p2;
};

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaSeeking,
                          public IMediaEventEx,
                          public IBasicAudio,
                          public IMediaEventSink {
 public:
  FilterGraph() { ++g_liveGraphs; }
  ~FilterGraph() override {
    std::vector<FilterEntry> filters;
    {
      auto g = AudioMixer_Guard();
      filters = filters_;
      for (FilterEntry& e : filters) Detach(e.filter);
      filters_.clear();
    }
    for (FilterEntry& e : filters) e.filter->Release();
    --g_liveGraphs;
  }

  // IUnknown
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == kIID_IUnknown || iid == IID_IGraphBuilder) *out = static_cast<IGraphBuilder*>(this);
    else if (iid == IID_IMediaControl) *out = static_cast<IMediaControl*>(this);
    else if (iid == IID_IMediaSeeking) *out = static_cast<IMediaSeeking*>(this);
    else if (iid == IID_IMediaEventEx) *out = static_cast<IMediaEventEx*>(this);
    else if (iid == IID_IBasicAudio) *out = static_cast<IBasicAudio*>(this);
    else if (iid == IID_IMediaEventSink) *out = static_cast<IMediaEventSink*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IFilterGraph
  HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override {
    auto* f = dynamic_cast<FilterBase*>(filter);
    if (!f) return E_POINTER;
    auto g = AudioMixer_Guard();
    if (f->graph) return E_INVALIDARG;  // already in a graph
    f->AddRef();
    f->graph = this;
    filters_.push_back({f, name ? std::u16string(name) : std::u16string()});
    return S_OK;
  }
  HRESULT RemoveFilter(IBaseFilter* filter) override {
    auto* f = dynamic_cast<FilterBase*>(filter);
    if (!f) return E_POINTER;
    {
      auto g = AudioMixer_Guard();
      auto it = std::find_if(filters_.begin(), filters_.end(), [f](const FilterEntry& e) { return e.filter == f; });
      if (it == filters_.end()) return VFW_E_NOT_IN_GRAPH;
      filters_.erase(it);
      Detach(f);
    }
    f->Release();
    return S_OK;
  }
  HRESULT EnumFilters(IEnumFilters** out) override {
    if (!out) return E_POINTER;
    std::vector<IBaseFilter*> list;
    auto g = AudioMixer_Guard();
    for (const FilterEntry& e : filters_) list.push_back(e.filter);
    *out = new EnumFiltersImpl(std::move(list));
    return S_OK;
  }

  // IGraphBuilder
  HRESULT Render(IPin* pin) override {
    auto* p = dynamic_cast<FilterPin*>(pin);
    if (!p) return E_POINTER;
    auto* source = dynamic_cast<SourceFilter*>(p->Owner());
    Renderer* created = nullptr;
    {
      auto g = AudioMixer_Guard();
      if (!source || &source->output != p || source->graph != this) return VFW_E_NOT_IN_GRAPH;
      if (p->peer) return VFW_E_ALREADY_CONNECTED;
      Renderer* r = nullptr;
      for (const FilterEntry& e : filters_) {
        auto* cand = dynamic_cast<Renderer*>(e.filter);
        if (cand && !cand->input.peer) {
          r = cand;
          break;
        }
      }
      if (!r) {
        created = new Renderer;
        AddFilter(created, u"Default DirectSound Device");
        r = created;
      }
      r->input.peer = p;
      p->peer = &r->input;
      r->position = 0;
      r->ended = false;
      completeSent_ = false;
      AudioMixer_Add(r);
    }
    if (created) created->Release();
    return S_OK;
  }
  HRESULT RenderFile(LPCWSTR file, LPCWSTR) override {
    IBaseFilter* source = nullptr;
    HRESULT hr = AddSourceFilter(file, file, &source);
    if (FAILED(hr)) return hr;
    IPin* pin = nullptr;
    hr = source->FindPin(u"Output", &pin);
    if (SUCCEEDED(hr)) {
      hr = Render(pin);
      pin->Release();
    }
    source->Release();
    return hr;
  }
  HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR name, IBaseFilter** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!file || !*file) return E_INVALIDARG;
    const std::string path = Win32_ToUtf8(file);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path), ec)) return kFileNotFound;
    auto pcm = std::make_shared<PcmData>();
    if (!DecodeAudioFile(path, pcm.get(), nullptr)) return VFW_E_UNSUPPORTED_STREAM;
    auto* source = new SourceFilter(std::move(pcm));
    HRESULT hr = AddFilter(source, name);
    if (FAILED(hr)) {
      source->Release();
      return hr;
    }
    *out = source;
    return S_OK;
  }

  // IMediaControl
  HRESULT Run() override { return SetState(State_Running); }
  HRESULT Pause() override { return SetState(State_Paused); }
  HRESULT Stop() override { return SetState(State_Stopped); }
  HRESULT GetState(LONG, OAFilterState* state) override {
    if (!state) return E_POINTER;
    auto g = AudioMixer_Guard();
    *state = state_;
    return S_OK;
  }

  // IMediaSeeking
  HRESULT GetDuration(LONGLONG* duration) override {
    if (!duration) return E_POINTER;
    auto g = AudioMixer_Guard();
    Renderer* r = Stream();
    if (!r) return E_NOTIMPL;
    const PcmData& pcm = *r->Source()->pcm;
    *duration = static_cast<LONGLONG>(pcm.Frames() * kUnitsPerSecond / pcm.rate);
    return S_OK;
  }
  HRESULT GetStopPosition(LONGLONG* stop) override { return GetPositions(nullptr, stop); }
  HRESULT GetCurrentPosition(LONGLONG* current) override { return GetPositions(current, nullptr); }
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override {
    auto g = AudioMixer_Guard();
    Renderer* stream = Stream();
    if (!stream) return E_NOTIMPL;
    const DWORD cur = currentFlags & AM_SEEKING_PositioningBitsMask;
    const DWORD stp = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((cur && !current) || (stp && !stop)) return E_POINTER;
    LONGLONG stopNow = StopUnits(stream);
    if (stp == AM_SEEKING_AbsolutePositioning) stopNow = *stop;
    else if (stp != AM_SEEKING_NoPositioning) stopNow += *stop;
    if (stp) stop_ = std::max<LONGLONG>(0, stopNow);
    if (cur) {
      LONGLONG target = *current;
      if (cur != AM_SEEKING_AbsolutePositioning) target += ToUnits(stream, stream->position);
      target = std::max<LONGLONG>(0, target);
      for (const FilterEntry& e : filters_) {
        auto* r = dynamic_cast<Renderer*>(e.filter);
        if (!r || !r->Source()) continue;
        r->position = static_cast<double>(target) * r->Source()->pcm->rate / kUnitsPerSecond;
        r->ended = false;
      }
      completeSent_ = false;
    }
    return S_OK;
  }
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override {
    auto g = AudioMixer_Guard();
    Renderer* r = Stream();
    if (!r) return E_NOTIMPL;
    if (current) *current = std::min(ToUnits(r, r->position), StopUnits(r));
    if (stop) *stop = StopUnits(r);
    return S_OK;
  }

  // IMediaEventEx
  HRESULT GetEvent(LONG* code, LONG_PTR* p1, LONG_PTR* p2, LONG msTimeout) override {
    if (!code || !p1 || !p2) return E_POINTER;
    std::unique_lock<std::mutex> lock(eventLock_);
    auto ready = [this] { return !events_.empty(); };
    if (msTimeout < 0) eventCv_.wait(lock, ready);
    else if (!eventCv_.wait_for(lock, std::chrono::milliseconds(msTimeout), ready)) return E_ABORT;
    const GraphEvent e = events_.front();
    events_.pop_front();
    *code = e.code;
    *p1 = e.p1;
    *p2 = e.p2;
    return S_OK;
  }
  HRESULT FreeEventParams(LONG, LONG_PTR, LONG_PTR) override { return S_OK; }
  HRESULT SetNotifyWindow(OAHWND hwnd, LONG message, LONG_PTR instanceData) override {
    std::lock_guard<std::mutex> lock(eventLock_);
    notifyWindow_ = hwnd;
    notifyMessage_ = message;
    notifyData_ = instanceData;
    return S_OK;
  }

  // IMediaEventSink (any thread)
  HRESULT Notify(LONG code, LONG_PTR p1, LONG_PTR p2) override {
    Queue({code, p1, p2});
    return S_OK;
  }

  // IBasicAudio
  HRESULT put_Volume(LONG volume) override {
    if (volume < -10000 || volume > 0) return E_INVALIDARG;
    auto g = AudioMixer_Guard();
    volume_ = volume;
    return S_OK;
  }
  HRESULT get_Volume(LONG* volume) override {
    if (!volume) return E_POINTER;
    auto g = AudioMixer_Guard();
    *volume = volume_;
    return S_OK;
  }
  HRESULT put_Balance(LONG balance) override {
    if (balance < -10000 || balance > 10000) return E_INVALIDARG;
    auto g = AudioMixer_Guard();
    balance_ = balance;
    return S_OK;
  }
  HRESULT get_Balance(LONG* balance) override {
    if (!balance) return E_POINTER;
    auto g = AudioMixer_Guard();
    *balance = balance_;
    return S_OK;
  }

  // Mixer side, under the mixer lock.
  bool Running() const { return state_ == State_Running; }
  LONG Volume() const { return volume_; }
  LONG Balance() const { return balance_; }
  double EndFrame(const Renderer* r) const {
    const PcmData& pcm = *r->Source()->pcm;
    const double all = static_cast<double>(pcm.Frames());
    if (stop_ < 0) return all;
    return std::min(all, static_cast<double>(stop_) * pcm.rate / kUnitsPerSecond);
  }
  void RendererEnded() {
    if (completeSent_) return;
    for (const FilterEntry& e : filters_) {
      auto* r = dynamic_cast<Renderer*>(e.filter);
      if (r && r->Source() && !r->ended) return;
    }
    completeSent_ = true;
    Queue({EC_COMPLETE, S_OK, 0});
  }

 private:
  struct FilterEntry {
    FilterBase* filter;
    std::u16string name;
  };

  // Drops the filter's connection and its place in the mixer (mixer lock held).
  void Detach(FilterBase* f) {
    f->graph = nullptr;
    FilterPin* pin = nullptr;
    if (auto* s = dynamic_cast<SourceFilter*>(f)) pin = &s->output;
    if (auto* r = dynamic_cast<Renderer*>(f)) {
      pin = &r->input;
      AudioMixer_Remove(r);
    }
    if (pin && pin->peer) {
      FilterPin* other = pin->peer;
      other->peer = nullptr;
      pin->peer = nullptr;
      if (auto* r = dynamic_cast<Renderer*>(other->Owner())) AudioMixer_Remove(r);
    }
  }

  Renderer* Stream() const {
    for (const FilterEntry& e : filters_) {
      auto* r = dynamic_cast<Renderer*>(e.filter);
      if (r && r->Source()) return r;
    }
    return nullptr;
  }
  static LONGLONG ToUnits(const Renderer* r, double frames) {
    return static_cast<LONGLONG>(frames * kUnitsPerSecond / r->Source()->pcm->rate);
  }
  LONGLONG StopUnits(const Renderer* r) const {
    const PcmData& pcm = *r->Source()->pcm;
    const LONGLONG all = static_cast<LONGLONG>(pcm.Frames() * kUnitsPerSecond / pcm.rate);
    return stop_ < 0 ? all : std::min(all, stop_);
  }

  HRESULT SetState(OAFilterState s) {
    auto g = AudioMixer_Guard();
    if (s == State_Running && state_ != State_Running) completeSent_ = false;
    state_ = s;
    return S_OK;
  }

  void Queue(const GraphEvent& e) {
    OAHWND hwnd;
    LONG message;
    LONG_PTR data;
    {
      std::lock_guard<std::mutex> lock(eventLock_);
      // Graphs nobody asks for events (the sound objects' own) keep only the newest.
      if (events_.size() >= kMaxQueuedEvents) events_.pop_front();
      events_.push_back(e);
      hwnd = notifyWindow_;
      message = notifyMessage_;
      data = notifyData_;
    }
    eventCv_.notify_all();
    if (hwnd) PostMessageW(reinterpret_cast<HWND>(hwnd), static_cast<UINT>(message), 0, data);
  }

  std::atomic<ULONG> refs_{1};
  // Under the mixer lock.
  std::vector<FilterEntry> filters_;
  OAFilterState state_ = State_Stopped;
  LONGLONG stop_ = -1;  // -1: the end of the stream
  LONG volume_ = 0;
  LONG balance_ = 0;
  bool completeSent_ = false;
  // Events.
  std::mutex eventLock_;
  std::condition_variable eventCv_;
  std::deque<GraphEvent> events_;
  OAHWND notifyWindow_ = 0;
  LONG notifyMessage_ = 0;
  LONG_PTR notifyData_ = 0;
};

void Renderer::Mix(float* out, uint32_t frames) {
  FilterGraph* g = graph;
  SourceFilter* s = Source();
  if (!g || !s || !g->Running() || ended) return;
  float left, right;
  AudioMixer_VolumePan(g->Volume(), g->Balance(), &left, &right);
  const PcmData& pcm = *s->pcm;
  const double end = g->EndFrame(this);
  AudioMixer_AddPcm16(out, frames, pcm.samples.data(), pcm.channels, pcm.rate, &position, end, left, right);
  if (position >= end) {
    ended = true;
    g->RendererEnded();
  }
}

HRESULT CreateFilterGraph(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  AudioMixer_Open();
  auto* graph = new FilterGraph;
  HRESULT hr = graph->QueryInterface(iid, out);
  graph->Release();
  return hr;
}

}  // namespace

void AudioLayer_Register() { CoRegisterClass(CLSID_FilterGraph, CreateFilterGraph); }

uint32_t FilterGraph_LiveGraphs() { return g_liveGraphs; }
