#include "gen_fixtures.h"

#include <cstdlib>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/app/register_all.h"
#include "player/current_device.h"
#include "player/scene_object.h"
#include "resources/builtin_resources.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
#pragma GCC diagnostic pop

namespace gen_test {

IDirect3DDevice9* Device() {
  static IDirect3DDevice9* device = [] {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = kBack;
    pp.BackBufferHeight = kBack;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    IDirect3DDevice9* dev = nullptr;
    if (d3d) d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                               &dev);
    return dev;
  }();
  return device;
}

std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgba) {
  int len = 0;
  unsigned char* mem = stbi_write_png_to_mem(rgba.data(), w * 4, w, h, 4, &len);
  std::vector<uint8_t> out(mem, mem + len);
  STBIW_FREE(mem);
  return out;
}

std::unique_ptr<DS_DocResManager> MakeDocument(const pw::DocResRecord& record) {
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, record, 4);
  MemoryArchive ar(b.bytes().data(), b.size());
  return ReadDocResManagerRecord(ar);
}

Pixels ReadBackBuffer() {
  IDirect3DSurface9* s = nullptr;
  Device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &s);
  Pixels p;
  D3DSURFACE_DESC desc{};
  s->GetDesc(&desc);
  p.width = desc.Width;
  p.height = desc.Height;
  std::vector<uint8_t> bgra = D3D9_ReadBack(s);
  s->Release();
  p.argb.resize(bgra.size() / 4);
  for (size_t i = 0; i < p.argb.size(); ++i)
    p.argb[i] = D3DCOLOR_ARGB(bgra[i * 4 + 3], bgra[i * 4 + 2], bgra[i * 4 + 1], bgra[i * 4]);
  return p;
}

int Sum(D3DCOLOR c) { return static_cast<int>(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)); }

bool Near(D3DCOLOR got, D3DCOLOR want, int tol) {
  for (int sh = 0; sh < 24; sh += 8) {
    int a = static_cast<int>((got >> sh) & 0xFF), b = static_cast<int>((want >> sh) & 0xFF);
    if (std::abs(a - b) > tol) return false;
  }
  return true;
}

void DeviceTest::SetUpTestSuite() {
  RegisterEverything();
  RegisterBuiltInResources();
}

void DeviceTest::SetUp() {
  dev_ = Device();
  ASSERT_NE(dev_, nullptr);
  SetCurrentDevice(dev_);
  SetBackBufferInfo(kBack, kBack);
  rc_ = CreateRenderContext();
  SetCurrentRenderContext(rc_);
}

void DeviceTest::UseDocument(std::unique_ptr<DS_DocResManager> doc) {
  doc_ = std::move(doc);
  SetCurrentDocResManager(doc_.get());
}

void DeviceTest::TearDown() {
  SetCurrentRenderContext(nullptr);
  DestroyRenderContext(rc_);
  if (doc_) SetCurrentDocResManager(nullptr);
  doc_.reset();
  SetBackBufferInfo(0, 0);
  SetCurrentDevice(nullptr);
}

std::unique_ptr<DS_2D_Light> MakeLight(const std::u16string& background, int fitMode) {
  auto light = std::make_unique<DS_2D_Light>();
  light->backgroundLink.name = background;
  light->backgroundLink.id = 0;
  light->BeginSlide();
  QuadCorners screen;
  screen.SetRect(kBack, kBack);
  light->SetupView(screen);
  light->SetViewMode(fitMode);
  light->RestartCamera(1);
  light->OnResetDevice();
  return light;
}

Pixels Frame(DS_2D_Light& light, RuntimeObjects& objects) {
  IDirect3DDevice9* dev = Device();
  EXPECT_EQ(dev->BeginScene(), D3D_OK);
  int n = 0;
  for (auto& o : objects) n += o->NeedsBackground();
  if (n > 0) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    light.BeginBackgroundChain();
  }
  light.ClearBackground(0);
  light.RenderObjects(objects, n);
  light.EndFrame(0);
  EXPECT_EQ(dev->EndScene(), D3D_OK);
  return ReadBackBuffer();
}

}  // namespace gen_test
