#pragma once
// Shared set-up of the generator tests: the readers registered, a headless
// device with a render context, documents that store our own pictures, a
// slide render context showing a background picture, and read-back.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"
#include "tools/writer/docres_writer.h"

namespace gen_test {

constexpr UINT kBack = 64;

IDirect3DDevice9* Device();

std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgba);
// A w x h PNG; colour(x, y) gives each pixel as ARGB.
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

std::unique_ptr<DS_DocResManager> MakeDocument(const pw::DocResRecord& record);

struct Pixels {
  UINT width = 0, height = 0;
  std::vector<D3DCOLOR> argb;
  D3DCOLOR at(UINT x, UINT y) const { return argb[static_cast<size_t>(y) * width + x]; }
};
Pixels ReadBackBuffer();
// Brightness (r + g + b) of a pixel.
int Sum(D3DCOLOR c);
bool Near(D3DCOLOR got, D3DCOLOR want, int tol = 4);

// Registers every reader once, publishes the device, a back-buffer size and
// a render context; a document when given.
class DeviceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;
  void UseDocument(std::unique_ptr<DS_DocResManager> doc);

  IDirect3DDevice9* dev_ = nullptr;
  RenderContext* rc_ = nullptr;
  std::unique_ptr<DS_DocResManager> doc_;
};

// A slide render context showing a document picture over the back buffer.
std::unique_ptr<DS_2D_Light> MakeLight(const std::u16string& background, int fitMode);
// One frame of the light and the objects, as the slide draws it.
Pixels Frame(DS_2D_Light& light, RuntimeObjects& objects);

}  // namespace gen_test
