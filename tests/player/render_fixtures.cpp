#include "render_fixtures.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
#pragma GCC diagnostic pop

namespace render_test {

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

std::unique_ptr<DS_2D_Light> StartPictureLight(UINT size) {
  auto light = std::make_unique<DS_2D_Light>();
  light->backgroundLink.name = u"bg.png";
  light->backgroundLink.id = 1;
  light->BeginSlide();
  QuadCorners screen;
  screen.SetRect(size, size);
  light->SetupView(screen);
  light->SetViewMode(kFitLetterbox);
  light->RestartCamera(1);
  light->OnResetDevice();
  return light;
}

std::unique_ptr<DS_DocResManager> MakeDocument(const pw::DocResRecord& record) {
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, record, 4);
  MemoryArchive ar(b.bytes().data(), b.size());
  return ReadDocResManagerRecord(ar);
}

Pixels ReadSurface(IDirect3DSurface9* surface) {
  Pixels p;
  D3DSURFACE_DESC desc{};
  surface->GetDesc(&desc);
  p.width = desc.Width;
  p.height = desc.Height;
  std::vector<uint8_t> bgra = D3D9_ReadBack(surface);
  p.argb.resize(bgra.size() / 4);
  for (size_t i = 0; i < p.argb.size(); ++i)
    p.argb[i] = D3DCOLOR_ARGB(bgra[i * 4 + 3], bgra[i * 4 + 2], bgra[i * 4 + 1], bgra[i * 4]);
  return p;
}

Pixels ReadTexture(IDirect3DTexture9* texture) {
  IDirect3DSurface9* s = nullptr;
  texture->GetSurfaceLevel(0, &s);
  Pixels p = ReadSurface(s);
  s->Release();
  return p;
}

Pixels ReadBackBuffer() {
  IDirect3DSurface9* s = nullptr;
  Device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &s);
  Pixels p = ReadSurface(s);
  s->Release();
  return p;
}

bool Near(D3DCOLOR got, D3DCOLOR want, int tol, bool withAlpha) {
  for (int sh = 0; sh < (withAlpha ? 32 : 24); sh += 8) {
    int a = static_cast<int>((got >> sh) & 0xFF), b = static_cast<int>((want >> sh) & 0xFF);
    if (std::abs(a - b) > tol) return false;
  }
  return true;
}

void RenderTest::SetUp() {
  dev_ = Device();
  ASSERT_NE(dev_, nullptr);
  SetCurrentDevice(dev_);
  SetBackBufferInfo(kBack, kBack);
  rc_ = CreateRenderContext();
  SetCurrentRenderContext(rc_);
}

void RenderTest::UseDocument(std::unique_ptr<DS_DocResManager> doc) {
  doc_ = std::move(doc);
  SetCurrentDocResManager(doc_.get());
}

void RenderTest::TearDown() {
  SetCurrentRenderContext(nullptr);
  DestroyRenderContext(rc_);
  if (doc_) SetCurrentDocResManager(nullptr);
  doc_.reset();
  SetBackBufferInfo(0, 0);
  SetCurrentDevice(nullptr);
}

void SlideLightTest::StartSlide(pw::DocResRecord record) {
  record.imageFiles.insert(record.imageFiles.begin(),
                           {u"bg.png", 1, {{0, u"", u"bg.png", Png(kBack, kBack, [](int, int) { return kSlideGrey; })}}});
  UseDocument(MakeDocument(record));
  light_ = StartPictureLight(kBack);
}

void SlideLightTest::TearDown() {
  objects_.clear();
  light_.reset();
  RenderTest::TearDown();
}

}  // namespace render_test
