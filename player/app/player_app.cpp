#include "player/app/player_app.h"

#include <memory>
#include <optional>

#include "audio/music_graph.h"
#include "audio/music_output.h"
#include "core/ds_error.h"
#include "core/smart_values.h"
#include "core/thread_slots.h"
#include "platform/com/com.h"
#include "platform/dxut/dxut.h"
#include "player/app/main_window.h"
#include "player/audio_file.h"
#include "player/chrono_context.h"
#include "player/current_device.h"
#include "player/current_document.h"
#include "player/doc_res_manager.h"
#include "player/project_reader.h"
#include "player/render_context.h"
#include "player/render_target_set.h"
#include "player/slide_container.h"
#include "player/scene_object.h"
#include "player/slide_show.h"
#include "player/texture_cache.h"

namespace {

// Built before the entry point, so it exists before any window message.
PlayerApp g_app;
PlayerApp* g_installed = nullptr;
RenderContext& DefaultRenderContext() {
  static RenderContext* context = CreateRenderContext();
  return *context;
}

constexpr long kEcComplete = 1;

bool CALLBACK_ModifyDeviceSettings(DXUTDeviceSettings* settings, void*) {
  settings->d3d9.BehaviorFlags |= D3DCREATE_MULTITHREADED;
  settings->d3d9.pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  settings->d3d9.pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  return true;
}

void CALLBACK_FrameMove(double time, float, void*) {
  if (g_installed) g_installed->FrameMove(time);
}

bool CALLBACK_IsDeviceAcceptable(D3DCAPS9* caps, D3DFORMAT adapterFormat, D3DFORMAT, bool, void*) {
  if (!(caps->TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP)) return false;
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) return false;
  bool ok = SUCCEEDED(d3d->CheckDeviceFormat(caps->AdapterOrdinal, caps->DeviceType, adapterFormat,
                                              D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8)) &&
            SUCCEEDED(d3d->CheckDeviceFormat(caps->AdapterOrdinal, caps->DeviceType, adapterFormat, 0,
                                              D3DRTYPE_TEXTURE, D3DFMT_V8U8));
  d3d->Release();
  return ok;
}

HRESULT CALLBACK_DeviceCreated(IDirect3DDevice9* device, const D3DSURFACE_DESC*, void*) {
  SetCurrentDevice(device);
  return S_OK;
}

// The framework hands over the description of back buffer 0.
HRESULT CALLBACK_DeviceReset(IDirect3DDevice9* device, const D3DSURFACE_DESC* backBuffer, void*) {
  SetCurrentDevice(device);
  SetBackBufferInfo(backBuffer ? backBuffer->Width : 0, backBuffer ? backBuffer->Height : 0);
  if (g_installed) g_installed->OnDeviceReset();
  return S_OK;
}

void CALLBACK_DeviceLost(void*) {
  if (g_installed && g_installed->document) g_installed->document->OnLostDevice();
  // Video memory goes before the reset, not only when the document goes.
  if (DS_DocResManager* manager = CurrentDocResManager()) manager->OnLostDevice();
}

void CALLBACK_FrameRender(IDirect3DDevice9* device, double, float, void*) {
  if (!g_installed || !g_installed->document) return;
  if (SUCCEEDED(device->BeginScene())) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    g_installed->document->Render(0);
  }
  device->EndScene();
}

// Clickable areas are in scene units: a client point goes back through the
// current context's view. Without a context the matrices stay identity.
void CurrentHitTestMatrices(D3DXMATRIX* inverseView, D3DXMATRIX* spare) {
  if (RenderContext* context = CurrentRenderContext()) {
    *inverseView = context->inverseView;
    *spare = context->spare;
  }
}

DS_SlideContainer* CurrentSlide() {
  DS_SlideShow_Light* document = GetCurrentDocument();
  return document ? document->CurrentSlide() : nullptr;
}

}  // namespace

PlayerApp& TheApp() { return g_app; }

void InstallHitTestSource() { SetHitTestMatricesSource(CurrentHitTestMatrices); }

bool StartUp(LPCWSTR path) {
  PlayerApp& app = TheApp();
  bool exists = path && PathFileExistsW(path);
  bool windowed = !exists;
  if (!CurrentRenderContext()) SetCurrentRenderContext(&DefaultRenderContext());
  if (!CurrentChronoContext()) PublishPlayerChronoContext();
  InstallHitTestSource();
  if (!app.Setup(MainWindow(), windowed)) return false;
  if (exists) {
    DS_SlideShow_Light* document = ReadProjectFile(path);
    app.SetDocument(document);
    app.StartDocument();
  } else {
    app.LoadEmbeddedProject(107);
  }
  app.viewMode = 1;
  if (app.document)
    for (auto& slide : app.document->slides)
      if (slide) slide->SetViewMode(1);
  app.masterVolume = 100;
  app.ApplyMusicVolume();
  ShowWindow(app.window, SW_SHOW);
  return true;
}

bool PlayerApp::Setup(HWND hwnd, bool windowed) {
  window = hwnd;
  static TextureCache cache;
  InstallTextureCache(&cache);
  DXUTSetCallbackDeviceChanging(CALLBACK_ModifyDeviceSettings);
  DXUTSetCallbackFrameMove(CALLBACK_FrameMove);
  DXUTSetCallbackD3D9DeviceAcceptable(CALLBACK_IsDeviceAcceptable);
  DXUTSetCallbackD3D9DeviceCreated(CALLBACK_DeviceCreated);
  DXUTSetCallbackD3D9DeviceReset(CALLBACK_DeviceReset);
  DXUTSetCallbackD3D9DeviceLost(CALLBACK_DeviceLost);
  DXUTSetCallbackD3D9FrameRender(CALLBACK_FrameRender);
  if (FAILED(DXUTInit(false, false))) return false;
  DXUTSetCursorSettings(true, true);
  DXUTSetupCursor();
  if (FAILED(DXUTSetWindow(hwnd, hwnd, hwnd, false))) return false;
  if (FAILED(DXUTCreateDevice(windowed)) || !DXUTGetD3D9Device()) return false;
  DXUTGetD3D9Device()->SetRenderState(D3DRS_COLORWRITEENABLE, 7);

  if (SUCCEEDED(CoInitialize(nullptr))) {
    void* out = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                   IID_IGraphBuilder, &out))) {
      g_MusicGraph = static_cast<IGraphBuilder*>(out);
      if (SUCCEEDED(g_MusicGraph->QueryInterface(IID_IMediaControl, &out))) {
        g_MusicControl = static_cast<IMediaControl*>(out);
        if (SUCCEEDED(g_MusicGraph->QueryInterface(IID_IMediaSeeking, &out))) {
          g_MusicSeeking = static_cast<IMediaSeeking*>(out);
          if (SUCCEEDED(g_MusicGraph->QueryInterface(IID_IMediaEventEx, &out))) {
            g_MusicEvents = static_cast<IMediaEventEx*>(out);
            if (SUCCEEDED(g_MusicGraph->QueryInterface(IID_IBasicAudio, &out))) {
              g_MusicAudio = static_cast<IBasicAudio*>(out);
              g_MusicEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(hwnd), WM_APP, 0);
            }
          }
        }
      }
    }
  }
  g_installed = this;
  return true;
}

void PlayerApp::SetDocument(DS_SlideShow_Light* next) {
  if (document == next) return;
  delete document;
  document = next;
  SetCurrentDocument(next);
}

void PlayerApp::LoadEmbeddedProject(int id) {
  embeddedProjectId = id;
  SetDocument(nullptr);
  std::unique_ptr<RenderContext, void (*)(RenderContext*)> context(CreateRenderContext(), DestroyRenderContext);
  SetCurrentRenderContext(context.get());
  DS_SlideShow_Light* show = nullptr;
  try {
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(id), u"DDS");
    DWORD size = res ? SizeofResource(nullptr, res) : 0;
    const void* data = size ? LockResource(LoadResource(nullptr, res)) : nullptr;
    if (!data) throw kCannotOpenFileCode;
    show = ReadProjectMemory(static_cast<const uint8_t*>(data), size);
  } catch (...) {
    // The slot must not keep naming the context freed with this failure.
    SetCurrentRenderContext(&DefaultRenderContext());
    throw;
  }
  SetDocument(show);
  show->SetRenderContext(context.release(), DestroyRenderContext);
  StartDocument();
}

void PlayerApp::StartDocument() {
  if (!document) return;
  for (auto& slide : document->slides) {
    if (!slide) continue;
    // Only the first slide keeps the device memory its objects made while
    // built; the others' is made again when they are prepared or shown, so
    // the start holds one slide's objects, not those of every slide. Their
    // target sets are not made at all meanwhile.
    const bool first = slide == document->slides.front();
    {
      std::optional<DeferredTargets> deferred;
      if (!first) deferred.emplace();
      slide->BuildRuntime();
    }
    // Given back slide by slide, the start ends with less memory held than
    // when given back once after all of them.
    if (!first) {
      slide->ReleaseDeviceMemory();
      ReturnFreedHeapToSystem();
    }
  }
  auto& playlist = document->playlist;
  for (auto& entry : playlist)
    if (entry) entry->ExtractEmbeddedData();
  playlistCursor = 0;
  if (!playlist.empty()) StartMusicTrack();
  if (playlistCursor >= playlist.size()) playlistCursor = 0;
  if (g_MusicAudio) g_MusicAudio->put_Volume(-10000);
}

void PlayerApp::StartMusicTrack() {
  // Entries that cannot sound are passed over, each tried once, so a broken
  // track neither silences the playlist nor makes it spin.
  if (DS_AudioFile* entry = StartPlaylistEntry(document->playlist, &playlistCursor)) trackVolume = entry->Volume();
  ApplyMusicVolume();
}

void PlayerApp::ApplyMusicVolume() {
  if (g_MusicAudio) g_MusicAudio->put_Volume(MusicGraphVolume(masterVolume, trackVolume));
}

void PlayerApp::OnMediaEvent(long code) {
  if (code != kEcComplete || !document) return;
  auto& playlist = document->playlist;
  if (playlistCursor < playlist.size()) StartMusicTrack();
  if (playlistCursor >= playlist.size()) playlistCursor = 0;
}

void PlayerApp::FrameMove(double time) {
  if (document) document->Update(static_cast<float>(time));
}

void PlayerApp::OnDeviceReset() {
  // Only our own window is repainted, never every window of the desktop.
  HWND child = GetWindow(GetWindow(DXUTGetHWND(), GW_CHILD), GW_CHILD);
  if (child) InvalidateRect(child, nullptr, TRUE);
  if (!document) return;
  if (embeddedProjectId != 0) {
    LoadEmbeddedProject(embeddedProjectId);
    // The reloaded music would otherwise stay silent until the next track.
    ApplyMusicVolume();
  } else {
    document->OnResetDevice();
  }
}

int CursorWalk(int x, int y) {
  DS_SlideContainer* slide = CurrentSlide();
  if (!slide) return 0;
  auto& objects = slide->drawnObjects;
  int sum = 0;
  for (size_t i = objects.size(); i-- > 0;)
    if (objects[i]) sum += objects[i]->MouseOver(x, y);
  return sum;
}

void ClickWalk(int x, int y) {
  DS_SlideContainer* slide = CurrentSlide();
  if (!slide) return;
  // A click may jump to another slide; the walk finishes on this one.
  auto objects = slide->drawnObjects;
  for (size_t i = objects.size(); i-- > 0;)
    if (objects[i]) objects[i]->Click(x, y);
}

long FetchMediaEvent() {
  IMediaEventEx* events = g_MusicEvents;
  if (!events) return -1;
  LONG code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  if (FAILED(events->GetEvent(&code, &p1, &p2, 0))) return -1;
  events->FreeEventParams(code, p1, p2);
  return code;
}
