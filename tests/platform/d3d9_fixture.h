#pragma once
// A headless device with a small back buffer, and pixel checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9.h"

class D3D9Test : public ::testing::Test {
 protected:
  static constexpr UINT kW = 64, kH = 64;

  void SetUp() override {
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d_, nullptr);
    D3DPRESENT_PARAMETERS pp = Params();
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &pp, &dev_),
              D3D_OK);
    ASSERT_EQ(dev_->GetRenderTarget(0, &back_), D3D_OK);
  }

  void TearDown() override {
    if (back_) back_->Release();
    if (dev_) {
      EXPECT_EQ(dev_->Release(), 0u);
    }
    if (d3d_) d3d_->Release();
  }

  static D3DPRESENT_PARAMETERS Params(UINT w = kW, UINT h = kH) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
  }

  // The colour at (x, y) of a surface as A8R8G8B8.
  static D3DCOLOR PixelOf(IDirect3DSurface9* s, int x, int y) {
    D3DSURFACE_DESC d;
    s->GetDesc(&d);
    std::vector<uint8_t> px = D3D9_ReadBack(s);
    if (px.empty()) return 0xDEADBEEF;
    const uint8_t* p = &px[(static_cast<size_t>(y) * d.Width + x) * 4];
    return D3DCOLOR_ARGB(p[3], p[2], p[1], p[0]);
  }
  D3DCOLOR Pixel(int x, int y) { return PixelOf(back_, x, y); }

  // Channel-wise comparison within a few levels.
  static ::testing::AssertionResult Near(D3DCOLOR got, D3DCOLOR want, int tol = 3) {
    for (int sh = 0; sh < 32; sh += 8) {
      int a = static_cast<int>((got >> sh) & 0xFF), b = static_cast<int>((want >> sh) & 0xFF);
      if (std::abs(a - b) > tol) {
        char buf[64];
        std::snprintf(buf, sizeof(buf), "got %08X, want %08X", got, want);
        return ::testing::AssertionFailure() << buf;
      }
    }
    return ::testing::AssertionSuccess();
  }

  void Begin(D3DCOLOR clear = 0xFF000000) {
    ASSERT_EQ(dev_->BeginScene(), D3D_OK);
    ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.f, 0), D3D_OK);
  }
  void End() { ASSERT_EQ(dev_->EndScene(), D3D_OK); }

  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* dev_ = nullptr;
  IDirect3DSurface9* back_ = nullptr;
};

// Pre-transformed vertex with colour and one texture coordinate.
struct TLVertex {
  float x, y, z, rhw;
  D3DCOLOR c;
  float u, v;
};
constexpr DWORD kTLFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A screen rectangle [x0, x1) x [y0, y1) as a clockwise two-triangle strip.
inline void ScreenQuad(TLVertex out[4], float x0, float y0, float x1, float y1, D3DCOLOR c, float u0 = 0,
                       float v0 = 0, float u1 = 1, float v1 = 1) {
  // Pixel centres are on integers: the edges sit half a pixel outside them.
  x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
  out[0] = {x0, y0, 0.5f, 1.f, c, u0, v0};
  out[1] = {x1, y0, 0.5f, 1.f, c, u1, v0};
  out[2] = {x0, y1, 0.5f, 1.f, c, u0, v1};
  out[3] = {x1, y1, 0.5f, 1.f, c, u1, v1};
}

// A managed texture of one level filled with 32-bit pixels (A8R8G8B8 or
// X8R8G8B8), row by row.
inline IDirect3DTexture9* MakeTexture(IDirect3DDevice9* dev, UINT w, UINT h, const std::vector<D3DCOLOR>& px,
                                      D3DFORMAT fmt = D3DFMT_A8R8G8B8) {
  IDirect3DTexture9* t = nullptr;
  if (FAILED(dev->CreateTexture(w, h, 1, 0, fmt, D3DPOOL_MANAGED, &t, nullptr))) return nullptr;
  D3DLOCKED_RECT lr;
  if (FAILED(t->LockRect(0, &lr, nullptr, 0))) return t;
  for (UINT y = 0; y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &px[y * w], w * 4);
  t->UnlockRect(0);
  return t;
}

// Byte-per-texel formats (A8, L8) or two-byte ones (A8L8, V8U8) from raw bytes.
inline IDirect3DTexture9* MakeRawTexture(IDirect3DDevice9* dev, UINT w, UINT h, D3DFORMAT fmt,
                                         const std::vector<uint8_t>& bytes, UINT bpp) {
  IDirect3DTexture9* t = nullptr;
  if (FAILED(dev->CreateTexture(w, h, 1, 0, fmt, D3DPOOL_MANAGED, &t, nullptr))) return nullptr;
  D3DLOCKED_RECT lr;
  if (FAILED(t->LockRect(0, &lr, nullptr, 0))) return t;
  for (UINT y = 0; y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &bytes[y * w * bpp], w * bpp);
  t->UnlockRect(0);
  return t;
}
