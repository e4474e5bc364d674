// The fade overlay drawn on a headless device: black over the slide with the
// opacity of the fade.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "player/current_device.h"
#include "player/slide_show.h"
#include "slides_fixtures.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/slides_writer.h"

using namespace slides_test;

namespace {

constexpr UINT kSize = 32;

// Clears to white as a slide background would, and draws the overlay as the
// slide render context does: blending on, colour and alpha from the diffuse.
class PaintingLight : public RecordingLight {
 public:
  void ClearBackground(int) override { CurrentDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0); }
  void DrawOverlay(ScreenQuad* quad) override {
    IDirect3DDevice9* d = CurrentDevice();
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d->SetFVF(0x44);
    d->SetStreamSource(0, quad->Buffer(), 0, 20);
    d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(quad->primitiveType), 0, quad->primitiveCount);
  }
};

class SlidesOverlayPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d_, nullptr);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = kSize;
    pp.BackBufferHeight = kSize;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &pp, &dev_),
              D3D_OK);
    SetCurrentDevice(dev_);
    SetBackBufferInfo(kSize, kSize);
    RegisterTestClasses();
    RegisterReader<PaintingLight, DS_2D_Light>(u"TestPaintingLight");
    RegisterSlideReaders();
  }
  void TearDown() override {
    show_.reset();
    SetCurrentDevice(nullptr);
    SetBackBufferInfo(0, 0);
    if (dev_) dev_->Release();
    if (d3d_) d3d_->Release();
  }

  void MakeShow() {
    pw::SlideShowRecord rec;
    for (int i = 0; i < 2; ++i) {
      pw::SlideRecord r;
      r.renderContext.Header(u"TestPaintingLight", 1);
      pw::ByteBuilder b;
      rec.slides.push_back(pw::WriteSlide(b, r));
    }
    pw::ByteBuilder bytes;
    pw::WriteSlideShow(bytes, rec);
    show_ = std::make_unique<DS_SlideShow_Light>();
    ReadBytes(bytes, [&](DS_IOF_Archive& ar) {
      zvi_string name;
      int32_t version = 0;
      ar.ReadWideString(&name);
      ar.ReadInt(&version);
      show_->ReadRecord(ar, version);
    });
    for (auto& s : show_->slides) s->BuildRuntime();
  }

  // The centre and a corner pixel of a frame at time t, as ARGB.
  std::vector<D3DCOLOR> FrameAt(float t) {
    show_->Update(t);
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    show_->Render(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    dev_->GetRenderTarget(0, &back);
    std::vector<uint8_t> px = D3D9_ReadBack(back);
    back->Release();
    std::vector<D3DCOLOR> out;
    for (auto [x, y] : {std::pair{kSize / 2, kSize / 2}, std::pair{0u, kSize - 1}}) {
      const uint8_t* p = &px[(static_cast<size_t>(y) * kSize + x) * 4];
      out.push_back(D3DCOLOR_ARGB(0xFF, p[2], p[1], p[0]));
    }
    return out;
  }

  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* dev_ = nullptr;
  std::unique_ptr<DS_SlideShow_Light> show_;
};

bool Near(D3DCOLOR got, D3DCOLOR want, int tol = 3) {
  for (int sh = 0; sh < 24; sh += 8) {
    int a = static_cast<int>((got >> sh) & 0xFF), b = static_cast<int>((want >> sh) & 0xFF);
    if (std::abs(a - b) > tol) return false;
  }
  return true;
}

}  // namespace

TEST_F(SlidesOverlayPixels, FadeDarkensTheWholeFrame) {
  MakeShow();
  struct Frame {
    float t;
    D3DCOLOR expected;
  };
  // Slides of 1 + 10 + 1 s; the first starts at 9 with no fade.
  const Frame frames[] = {
      {10.0f, 0xFFFFFFFF}, {15.0f, 0xFFFFFFFF}, {20.5f, 0xFF808080}, {21.0f, 0xFF000000},
      {21.25f, 0xFF000000}, {21.75f, 0xFF808080}, {22.25f, 0xFFFFFFFF},
  };
  for (const Frame& f : frames) {
    std::vector<D3DCOLOR> px = FrameAt(f.t);
    ASSERT_EQ(px.size(), 2u);
    for (D3DCOLOR c : px) EXPECT_TRUE(Near(c, f.expected)) << "t " << f.t << std::hex << " got " << c;
  }
  EXPECT_EQ(show_->CurrentSlide(), show_->slides[1].get());
}
