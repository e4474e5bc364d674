#pragma once
// Shared set-up of the render tests: a headless device, PNG pictures, a
// document holding them, and read-back of surfaces as ARGB words.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "platform/d3d9/d3d9.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"
#include "tools/writer/docres_writer.h"

namespace render_test {

constexpr UINT kBack = 64;

// One device for the whole program.
IDirect3DDevice9* Device();

// A w x h PNG; colour(x, y) gives each pixel as ARGB.
template <class F>
std::vector<uint8_t> Png(int w, int h, F colour);
std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgba);

template <class F>
std::vector<uint8_t> Png(int w, int h, F colour) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      D3DCOLOR c = colour(x, y);
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = (c >> 16) & 0xFF;
      p[1] = (c >> 8) & 0xFF;
      p[2] = c & 0xFF;
      p[3] = c >> 24;
    }
  return EncodePng(w, h, px);
}

// A document whose record stores the given files under (name, id) links.
std::unique_ptr<DS_DocResManager> MakeDocument(const pw::DocResRecord& record);
// A slide light on the document's "bg.png" (id 1), started on a size x size
// screen, letterboxed, with its device objects made.
std::unique_ptr<DS_2D_Light> StartPictureLight(UINT size);

// A surface or texture level 0 read back as ARGB words, row by row.
struct Pixels {
  UINT width = 0, height = 0;
  std::vector<D3DCOLOR> argb;
  D3DCOLOR at(UINT x, UINT y) const { return argb[static_cast<size_t>(y) * width + x]; }
};
Pixels ReadSurface(IDirect3DSurface9* surface);
Pixels ReadTexture(IDirect3DTexture9* texture);
Pixels ReadBackBuffer();

// Colour channels within tol levels (alpha ignored unless withAlpha).
bool Near(D3DCOLOR got, D3DCOLOR want, int tol = 4, bool withAlpha = false);

// Publishes a device, a back-buffer size, a render context and optionally a
// document for one test; restores the slots afterwards.
class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void UseDocument(std::unique_ptr<DS_DocResManager> doc);

  IDirect3DDevice9* dev_ = nullptr;
  RenderContext* rc_ = nullptr;
  std::unique_ptr<DS_DocResManager> doc_;
};

// A slide's render context over a grey picture: Frame() draws objects_ as a
// slide does.
constexpr D3DCOLOR kSlideGrey = 0xFFC8C8C8;

class SlideLightTest : public RenderTest {
 protected:
  // Publishes a document of the record's files plus the grey background,
  // and starts the slide over it.
  void StartSlide(pw::DocResRecord record = {});
  void TearDown() override;
  template <class F>
  Pixels Frame(F&& draw) {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light_->ClearBackground(0);
    draw();
    light_->EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }
  Pixels Frame() {
    return Frame([&] { light_->RenderObjects(objects_, 0); });
  }

  std::unique_ptr<DS_2D_Light> light_;
  RuntimeObjects objects_;
};

}  // namespace render_test
