#pragma once
// DirectShow-shaped filter graph over the software mixer: file sources with an
// "Output" pin, one audio renderer, run/stop/state, positions in 100 ns units,
// volume and balance in hundredths of a decibel, EC_COMPLETE posted to a
// notify window. Only the calls the player makes exist.
#include "platform/com/com.h"
#include "platform/win32/win_types.h"

using REFERENCE_TIME = LONGLONG;
using OAFilterState = LONG;
using OAHWND = LONG_PTR;
using OAEVENT = LONG_PTR;

constexpr OAFilterState State_Stopped = 0;
constexpr OAFilterState State_Paused = 1;
constexpr OAFilterState State_Running = 2;

constexpr LONG EC_COMPLETE = 0x01;
constexpr LONG EC_USERABORT = 0x02;
constexpr LONG EC_ERRORABORT = 0x03;

constexpr DWORD AM_SEEKING_NoPositioning = 0x0;
constexpr DWORD AM_SEEKING_AbsolutePositioning = 0x1;
constexpr DWORD AM_SEEKING_RelativePositioning = 0x2;
constexpr DWORD AM_SEEKING_IncrementalPositioning = 0x3;
constexpr DWORD AM_SEEKING_PositioningBitsMask = 0x3;

constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025Fu);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265u);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);

extern const CLSID CLSID_FilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaSeeking;
extern const IID IID_IMediaEventEx;
extern const IID IID_IBasicAudio;
extern const IID IID_IMediaEventSink;
extern const IID IID_IBaseFilter;
extern const IID IID_IPin;

struct IPin : IUnknown {
  // The pin this one is connected to (added reference), or VFW_E_NOT_CONNECTED.
  virtual HRESULT ConnectedTo(IPin** pin) = 0;
};

struct IBaseFilter : IUnknown {
  virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
};

struct IEnumFilters : IUnknown {
  virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
};

struct IFilterGraph : IUnknown {
  virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT EnumFilters(IEnumFilters** out) = 0;
};

struct IGraphBuilder : IFilterGraph {
  virtual HRESULT Render(IPin* pin) = 0;
  virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
  virtual HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR filterName, IBaseFilter** out) = 0;
};

struct IMediaControl : IUnknown {
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
};

struct IMediaSeeking : IUnknown {
  virtual HRESULT GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
  virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
  virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) = 0;
  virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
};

struct IMediaEventEx : IUnknown {
  virtual HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
  virtual HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
  virtual HRESULT SetNotifyWindow(OAHWND hwnd, LONG message, LONG_PTR instanceData) = 0;
};

// How filters hand events to the graph; the graph queues them like its own.
struct IMediaEventSink : IUnknown {
  virtual HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IBasicAudio : IUnknown {
  virtual HRESULT put_Volume(LONG volume) = 0;
  virtual HRESULT get_Volume(LONG* volume) = 0;
  virtual HRESULT put_Balance(LONG balance) = 0;
  virtual HRESULT get_Balance(LONG* balance) = 0;
};

// Registers the filter graph class with CoCreateInstance; called at start-up.
void AudioLayer_Register();
// Test hook: filter graphs alive now.
uint32_t FilterGraph_LiveGraphs();
