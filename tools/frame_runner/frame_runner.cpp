#include "tools/frame_runner/frame_runner.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <exception>

#include "core/ds_error.h"
#include "core/thread_slots.h"
#include "platform/d3d9/d3d9.h"
#include "platform/dxut/dxut.h"
#include "platform/win32/windows.h"
#include "player/app/main_window.h"
#include "player/app/player_app.h"
#include "player/app/register_all.h"
#include "player/project_reader.h"
#include "player/render_context.h"
#include "player/slide_show.h"
#include "resources/builtin_resources.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace runner {
namespace {

bool g_open = false;
Options g_options;
// A project read from a file keeps one render context for the whole run, as
// the player keeps its static default one.
RenderContext* g_fileContext = nullptr;

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

void ApplyViewMode() {
  PlayerApp& app = TheApp();
  if (!app.document) return;
  int mode = g_options.fitMode >= 0 ? g_options.fitMode : app.viewMode;
  for (auto& slide : app.document->slides)
    if (slide) slide->SetViewMode(mode);
}

bool StartFileProject(std::string* error) {
  PlayerApp& app = TheApp();
  if (!g_fileContext) g_fileContext = CreateRenderContext();
  SetCurrentRenderContext(g_fileContext);
  std::u16string path = Win32_FromUtf8(g_options.project);
  // The document played so far goes first, as when the player starts on a
  // file: its memory is not counted with the new one's.
  app.SetDocument(nullptr);
  SetCurrentRenderContext(g_fileContext);
  DS_SlideShow_Light* document = nullptr;
  try {
    document = ReadProjectFile(path.c_str());
  } catch (const DS_Error& e) {
    return Fail(error, "cannot open " + g_options.project + ": " + Win32_ToUtf8(e.message));
  } catch (...) {
    return Fail(error, "cannot open " + g_options.project);
  }
  app.embeddedProjectId = 0;
  app.SetDocument(document);
  SetCurrentRenderContext(g_fileContext);
  app.StartDocument();
  return true;
}

// A window of the player's class at the asked client size.
HWND CreateRunnerWindow(HINSTANCE instance, int width, int height) {
  WNDCLASSEXW wc{};
  wc.cbSize = 48;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = u"ZVWManager";
  if (!RegisterClassExW(&wc)) return nullptr;
  HWND window = CreateWindowExW(0, wc.lpszClassName, u"frame runner", WS_SYSMENU, 0, 0, width, height, nullptr,
                                nullptr, instance, nullptr);
  if (!window) return nullptr;
  RECT client{};
  GetClientRect(window, &client);
  SetWindowPos(window, nullptr, 0, 0, 2 * width - client.right, 2 * height - client.bottom, SWP_NOMOVE);
  return window;
}

void PumpMessages() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    // Painting would run an extra frame step; the runner steps on its own.
    if (msg.message == WM_PAINT) {
      DefWindowProcW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
      continue;
    }
    if (msg.message == WM_QUIT) continue;
    DispatchMessageW(&msg);
  }
}

}  // namespace

bool Open(const Options& options, std::string* error) {
  if (g_open) return Fail(error, "the runner is already open");
  if (options.width <= 0 || options.height <= 0) return Fail(error, "the size must be positive");
  g_options = options;
  RegisterBuiltInResources();
  RegisterEverything();
  DXUT_UseManualClock(true);
  DXUT_SetTime(0.0);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND window = CreateRunnerWindow(instance, options.width, options.height);
  if (!window) return Fail(error, "cannot create the window");
  // The player's own start-up: framework, device and the embedded project.
  if (!RunStartUp(instance, window, nullptr)) return Fail(error, "the player's start-up failed");
  g_open = true;
  if (!options.project.empty() && !StartFileProject(error)) return false;
  ApplyViewMode();
  TheApp().ApplyMusicVolume();
  return true;
}

bool Restart(std::string* error) {
  if (!g_open) return Fail(error, "the runner is not open");
  DXUT_SetTime(0.0);
  PlayerApp& app = TheApp();
  if (g_options.project.empty()) {
    try {
      app.LoadEmbeddedProject(107);
    } catch (...) {
      return Fail(error, "cannot read the embedded project");
    }
  } else if (!StartFileProject(error)) {
    return false;
  }
  ApplyViewMode();
  app.ApplyMusicVolume();
  return true;
}

bool Restart(const std::string& project, std::string* error) {
  if (!g_open) return Fail(error, "the runner is not open");
  g_options.project = project;
  return Restart(error);
}

namespace {
double g_lastFrameCpu = 0.0;

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
}  // namespace

double LastFrameCpuSeconds() { return g_lastFrameCpu; }

double FrameAt(double t) {
  PumpMessages();
  DXUT_SetTime(t);
  auto start = std::chrono::steady_clock::now();
  const double cpu = ThreadCpuSeconds();
  DXUTRender3DEnvironment();
  g_lastFrameCpu = ThreadCpuSeconds() - cpu;
  // The renderer may still be drawing the frame; its time ends with its pixels.
  D3D9_Finish(DXUTGetD3D9Device());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double FillLimit(int frames) {
  IDirect3DDevice9* device = DXUTGetD3D9Device();
  if (!device || frames <= 0) return 0.0;
  IDirect3DTexture9* texture = nullptr;
  if (FAILED(device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr)) || !texture)
    return 0.0;
  D3DLOCKED_RECT locked{};
  if (SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0))) {
    for (int y = 0; y < 256; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (int x = 0; x < 256; ++x) row[x] = 0x80000000u | static_cast<uint32_t>(x << 16 | y << 8 | (x ^ y));
    }
    texture->UnlockRect(0);
  }
  D3DSURFACE_DESC desc{};
  IDirect3DSurface9* back = nullptr;
  if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && back) {
    back->GetDesc(&desc);
    back->Release();
  }
  const float w = static_cast<float>(desc.Width), h = static_cast<float>(desc.Height);
  struct Vertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
  } quad[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFFu, 0, 0},
               {w - 0.5f, -0.5f, 0, 1, 0xFFFFFFFFu, 1, 0},
               {-0.5f, h - 0.5f, 0, 1, 0xFFFFFFFFu, 0, 1},
               {w - 0.5f, h - 0.5f, 0, 1, 0xFFFFFFFFu, 1, 1}};
  double total = 0.0;
  for (int n = 0; n <= frames; ++n) {
    auto start = std::chrono::steady_clock::now();
    if (SUCCEEDED(device->BeginScene())) {
      device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040u, 1.0f, 0);
      device->SetTexture(0, texture);
      device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
      device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      device->SetFVF(0x144);
      device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex));
      device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    // The first frame sets up the shader and the texture: not counted.
    if (n > 0) total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  device->SetTexture(0, nullptr);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  texture->Release();
  return total / frames;
}

Frame ReadBackBuffer() {
  Frame frame;
  IDirect3DDevice9* device = DXUTGetD3D9Device();
  if (!device) return frame;
  IDirect3DSurface9* back = nullptr;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back) return frame;
  D3DSURFACE_DESC desc{};
  back->GetDesc(&desc);
  frame.bgra = D3D9_ReadBack(back);
  back->Release();
  if (frame.bgra.size() == static_cast<size_t>(desc.Width) * desc.Height * 4) {
    frame.width = static_cast<int>(desc.Width);
    frame.height = static_cast<int>(desc.Height);
  } else {
    frame.bgra.clear();
  }
  return frame;
}

bool WritePng(const Frame& frame, const std::string& path) {
  if (frame.bgra.empty()) return false;
  std::vector<uint8_t> rgb(static_cast<size_t>(frame.width) * frame.height * 3);
  for (size_t i = 0, n = static_cast<size_t>(frame.width) * frame.height; i < n; ++i) {
    rgb[i * 3] = frame.bgra[i * 4 + 2];
    rgb[i * 3 + 1] = frame.bgra[i * 4 + 1];
    rgb[i * 3 + 2] = frame.bgra[i * 4];
  }
  return stbi_write_png(path.c_str(), frame.width, frame.height, 3, rgb.data(), frame.width * 3) != 0;
}

DS_SlideShow_Light* Document() { return TheApp().document; }

int CurrentSlideIndex() {
  DS_SlideShow_Light* document = Document();
  if (!document || !document->CurrentSlide()) return -1;
  for (size_t i = 0; i < document->slides.size(); ++i)
    if (document->slides[i].get() == document->CurrentSlide()) return static_cast<int>(i);
  return -1;
}

namespace {
// A "Name:  N kB" line of the process status.
size_t StatusBytes(const char* field) {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  size_t kb = 0;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, field, n) == 0) {
      kb = static_cast<size_t>(std::strtoull(line + n, nullptr, 10));
      break;
    }
  std::fclose(f);
  return kb * 1024;
}
}  // namespace

size_t PeakMemoryBytes() { return StatusBytes("VmHWM:"); }

size_t ResidentMemoryBytes() { return StatusBytes("VmRSS:"); }

uint64_t DeviceMemoryBytes() { return D3D9_LiveSurfaceBytes(); }

}  // namespace runner
