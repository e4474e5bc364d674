// Textures from image data: sizes, formats, filters, mip chains, DDS blocks,
// surface copies and refused data.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/d3dx9/d3dx9_tex.h"
#include "tests/platform/d3d9_fixture.h"

// The writer's file functions are unused here.
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x88760B59u);

void Append(void* ctx, void* data, int size) {
  auto* v = static_cast<std::vector<uint8_t>*>(ctx);
  v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// Pixels in RGBA byte order, converted to the requested channel count.
std::vector<uint8_t> Channels(const std::vector<uint32_t>& argb, int comp) {
  std::vector<uint8_t> out;
  for (uint32_t c : argb) {
    uint8_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF, a = c >> 24;
    if (comp == 1) out.push_back(r);
    if (comp == 2) out.insert(out.end(), {r, a});
    if (comp == 3) out.insert(out.end(), {r, g, b});
    if (comp == 4) out.insert(out.end(), {r, g, b, a});
  }
  return out;
}

enum class Kind { Png, Bmp, Tga, Jpg };

std::vector<uint8_t> Encode(Kind k, int w, int h, int comp, const std::vector<uint32_t>& argb) {
  std::vector<uint8_t> out, px = Channels(argb, comp);
  switch (k) {
    case Kind::Png: stbi_write_png_to_func(Append, &out, w, h, comp, px.data(), w * comp); break;
    case Kind::Bmp: stbi_write_bmp_to_func(Append, &out, w, h, comp, px.data()); break;
    case Kind::Tga: stbi_write_tga_to_func(Append, &out, w, h, comp, px.data()); break;
    case Kind::Jpg: stbi_write_jpg_to_func(Append, &out, w, h, comp, px.data(), 100); break;
  }
  return out;
}

// A GIF of palette indices below 128, with 8-bit codes that never grow.
std::vector<uint8_t> Gif(uint16_t w, uint16_t h, const std::vector<uint8_t>& idx, const std::vector<uint32_t>& rgb) {
  std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a'};
  auto u16 = [&](uint16_t v) { g.insert(g.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}); };
  u16(w);
  u16(h);
  g.insert(g.end(), {0xF6, 0, 0});  // 128-entry global table
  for (int i = 0; i < 128; ++i) {
    uint32_t c = i < static_cast<int>(rgb.size()) ? rgb[i] : 0;
    g.insert(g.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
  }
  g.push_back(0x2C);
  u16(0);
  u16(0);
  u16(w);
  u16(h);
  g.push_back(0);
  g.push_back(7);  // minimum code size: codes are 8 bits, clear 128, end 129
  std::vector<uint8_t> codes = {128};
  for (size_t i = 0; i < idx.size(); ++i) {
    if (i && i % 100 == 0) codes.push_back(128);
    codes.push_back(idx[i]);
  }
  codes.push_back(129);
  for (size_t i = 0; i < codes.size(); i += 255) {
    size_t n = std::min<size_t>(255, codes.size() - i);
    g.push_back(static_cast<uint8_t>(n));
    g.insert(g.end(), codes.begin() + i, codes.begin() + i + n);
  }
  g.push_back(0);
  g.push_back(0x3B);
  return g;
}

// A DDS header for the pixel format fields, followed by the data.
std::vector<uint8_t> Dds(uint32_t w, uint32_t h, uint32_t mips, uint32_t pf_flags, uint32_t fourcc, uint32_t bits,
                         uint32_t r, uint32_t g, uint32_t b, uint32_t a, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> d(128 + data.size(), 0);
  auto put = [&](size_t off, uint32_t v) { std::memcpy(&d[off], &v, 4); };
  std::memcpy(d.data(), "DDS ", 4);
  put(4, 124);
  put(8, 0x1007 | (mips > 1 ? 0x20000 : 0));
  put(12, h);
  put(16, w);
  put(28, mips);
  put(76, 32);
  put(80, pf_flags);
  put(84, fourcc);
  put(88, bits);
  put(92, r);
  put(96, g);
  put(100, b);
  put(104, a);
  put(108, 0x1000);
  if (!data.empty()) std::memcpy(d.data() + 128, data.data(), data.size());
  return d;
}

class D3DXTexTest : public D3D9Test {
 protected:
  IDirect3DTexture9* Load(const std::vector<uint8_t>& bytes, D3DXIMAGE_INFO* info = nullptr,
                          D3DFORMAT fmt = D3DFMT_UNKNOWN, DWORD filter = D3DX_FILTER_NONE, UINT w = D3DX_DEFAULT,
                          UINT h = D3DX_DEFAULT, UINT mips = 1, DWORD mip_filter = D3DX_FILTER_NONE,
                          D3DCOLOR key = 0) {
    IDirect3DTexture9* t = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(dev_, bytes.data(), static_cast<UINT>(bytes.size()), w, h, mips,
                                                     0, fmt, D3DPOOL_MANAGED, filter, mip_filter, key, info, nullptr,
                                                     &t);
    EXPECT_EQ(hr, D3D_OK);
    return t;
  }
  static D3DCOLOR At(IDirect3DTexture9* t, UINT level, int x, int y) {
    IDirect3DSurface9* s = nullptr;
    t->GetSurfaceLevel(level, &s);
    D3DCOLOR c = PixelOf(s, x, y);
    s->Release();
    return c;
  }
  static D3DSURFACE_DESC Desc(IDirect3DTexture9* t, UINT level = 0) {
    D3DSURFACE_DESC d{};
    t->GetLevelDesc(level, &d);
    return d;
  }
};

TEST_F(D3DXTexTest, PictureIsPlacedTopLeftInAPowerOfTwoTexture) {
  std::vector<uint32_t> px(100 * 50, 0xFF3366CC);
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* t = Load(Encode(Kind::Png, 100, 50, 4, px), &info);
  ASSERT_NE(t, nullptr);
  D3DSURFACE_DESC d = Desc(t);
  EXPECT_EQ(info.Width, 100u);
  EXPECT_EQ(info.Height, 50u);
  EXPECT_EQ(d.Width, 128u);
  EXPECT_EQ(d.Height, 64u);
  EXPECT_EQ(t->GetLevelCount(), 1u);
  EXPECT_EQ(static_cast<float>(info.Width) / d.Width, 0.78125f);
  EXPECT_EQ(At(t, 0, 0, 0), 0xFF3366CCu);
  EXPECT_EQ(At(t, 0, 99, 49), 0xFF3366CCu);
  EXPECT_EQ(At(t, 0, 100, 0), 0u);  // transparent black beyond the picture
  EXPECT_EQ(At(t, 0, 0, 50), 0u);
  EXPECT_EQ(At(t, 0, 127, 63), 0u);
  t->Release();
  // With a filter the picture is stretched over the whole texture.
  t = Load(Encode(Kind::Png, 100, 50, 4, px), &info, D3DFMT_UNKNOWN, D3DX_FILTER_TRIANGLE);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(Near(At(t, 0, 127, 63), 0xFF3366CC, 1));
  t->Release();
}

TEST_F(D3DXTexTest, EachImageFormatDecodesToItsPixelsAndFormat) {
  // Left half and right half of a 4 x 2 picture.
  auto halves = [](uint32_t a, uint32_t b) { return std::vector<uint32_t>{a, a, b, b, a, a, b, b}; };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    D3DFORMAT format;
    D3DCOLOR left, right;
    int tol;
  };
  const Case cases[] = {
      {"png rgba", Encode(Kind::Png, 4, 2, 4, halves(0x80FF0000, 0xFF00FF00)), D3DFMT_A8R8G8B8, 0x80FF0000,
       0xFF00FF00, 0},
      {"png rgb", Encode(Kind::Png, 4, 2, 3, halves(0xFF123456, 0xFF654321)), D3DFMT_X8R8G8B8, 0xFF123456,
       0xFF654321, 0},
      {"png grey", Encode(Kind::Png, 4, 2, 1, halves(0xFF404040, 0xFFC0C0C0)), D3DFMT_L8, 0xFF404040, 0xFFC0C0C0, 0},
      {"png grey alpha", Encode(Kind::Png, 4, 2, 2, halves(0x20808080, 0xE0101010)), D3DFMT_A8L8, 0x20808080,
       0xE0101010, 0},
      {"bmp", Encode(Kind::Bmp, 4, 2, 3, halves(0xFF0000FF, 0xFFFFFF00)), D3DFMT_X8R8G8B8, 0xFF0000FF, 0xFFFFFF00, 0},
      {"tga", Encode(Kind::Tga, 4, 2, 4, halves(0x40102030, 0xFF405060)), D3DFMT_A8R8G8B8, 0x40102030, 0xFF405060,
       0},
      {"jpeg", Encode(Kind::Jpg, 4, 2, 3, halves(0xFF8040C0, 0xFF8040C0)), D3DFMT_X8R8G8B8, 0xFF8040C0, 0xFF8040C0,
       6},
      {"gif", Gif(4, 2, {1, 1, 2, 2, 1, 1, 2, 2}, {0, 0xFF0000, 0x0000FF}), D3DFMT_A8R8G8B8, 0xFFFF0000, 0xFF0000FF,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* t = Load(c.bytes, &info);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(Desc(t).Format, c.format);
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_TRUE(Near(At(t, 0, 0, 1), c.left, c.tol));
    EXPECT_TRUE(Near(At(t, 0, 3, 0), c.right, c.tol));
    t->Release();
  }
}

TEST_F(D3DXTexTest, GifRequestedAsDxt1IsBlockCompressed) {
  std::vector<uint8_t> idx(16 * 8);
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = (i % 16) < 8 ? 1 : 2;
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* t = Load(Gif(16, 8, idx, {0, 0xFF0000, 0x00FF00}), &info, D3DFMT_DXT1);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Desc(t).Format, D3DFMT_DXT1);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(lr.Pitch, 4 * 8);  // four blocks of eight bytes per block row
  t->UnlockRect(0);
  EXPECT_TRUE(Near(At(t, 0, 2, 2), 0xFFFF0000, 4));
  EXPECT_TRUE(Near(At(t, 0, 12, 6), 0xFF00FF00, 4));
  t->Release();
}

TEST_F(D3DXTexTest, DdsLevelsAreCopiedAsStored) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    D3DFORMAT format;
    UINT levels;
  };
  // A8R8G8B8 4 x 2 with a second level of 2 x 1.
  std::vector<uint8_t> argb;
  for (int i = 0; i < 8; ++i) argb.insert(argb.end(), {0x10, 0x20, 0x30, 0x40});
  for (int i = 0; i < 2; ++i) argb.insert(argb.end(), {0xAA, 0xBB, 0xCC, 0xDD});
  // DXT5: alpha 0x80 everywhere, colour 0 = pure green.
  std::vector<uint8_t> dxt5 = {0x80, 0x80, 0, 0, 0, 0, 0, 0, 0xE0, 0x07, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> v8u8 = {0x40, 0xC0, 0x7F, 0x81, 0x00, 0x01, 0x10, 0x20};
  const Case cases[] = {
      {"A8R8G8B8", Dds(4, 2, 2, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, argb), D3DFMT_A8R8G8B8, 2},
      {"DXT5", Dds(4, 4, 1, 0x4, D3DFMT_DXT5, 0, 0, 0, 0, 0, dxt5), D3DFMT_DXT5, 1},
      {"V8U8", Dds(2, 2, 1, 0x80000, 0, 16, 0xFF, 0xFF00, 0, 0, v8u8), D3DFMT_V8U8, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* t = Load(c.file, &info, D3DFMT_UNKNOWN, D3DX_FILTER_NONE, D3DX_DEFAULT, D3DX_DEFAULT,
                                D3DX_FROM_FILE);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(info.Format, c.format);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    EXPECT_EQ(Desc(t).Format, c.format);
    EXPECT_EQ(t->GetLevelCount(), c.levels);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(lr.pBits, c.file.data() + 128, static_cast<size_t>(lr.Pitch)), 0);
    t->UnlockRect(0);
    t->Release();
  }
  IDirect3DTexture9* t = Load(cases[0].file, nullptr, D3DFMT_UNKNOWN, D3DX_FILTER_NONE, D3DX_DEFAULT, D3DX_DEFAULT,
                              D3DX_FROM_FILE);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(At(t, 1, 1, 0), 0xDDCCBBAAu);
  t->Release();
  t = Load(cases[1].file);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(Near(At(t, 0, 1, 1), 0x8000FF00, 1));
  t->Release();
}

TEST_F(D3DXTexTest, FiltersScaleWithWrapOrMirrorAtTheEdges) {
  struct Case {
    const char* name;
    std::vector<uint32_t> src;
    UINT src_w, dst_w;
    DWORD filter;
    std::vector<uint8_t> want;  // red channel of the destination row
    int tol;
  };
  const uint32_t B = 0xFF000000, W = 0xFFFFFFFF;
  const Case cases[] = {
      {"point up", {B, W}, 2, 4, D3DX_FILTER_POINT, {0, 0, 255, 255}, 0},
      {"linear up wraps", {B, W}, 2, 4, D3DX_FILTER_LINEAR, {64, 64, 191, 191}, 1},
      {"linear up mirrored", {B, W}, 2, 4, D3DX_FILTER_LINEAR | D3DX_FILTER_MIRROR_U, {0, 64, 191, 255}, 1},
      {"triangle up mirrored", {B, W}, 2, 4, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, {0, 64, 191, 255}, 1},
      {"box down", {B, W, B, W}, 4, 2, D3DX_FILTER_BOX, {128, 128}, 1},
      {"box down blocks", {B, B, W, W}, 4, 2, D3DX_FILTER_BOX, {0, 255}, 0},
      {"point down", {B, W, B, W}, 4, 2, D3DX_FILTER_POINT, {255, 255}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IDirect3DTexture9* t = Load(Encode(Kind::Png, static_cast<int>(c.src_w), 1, 4, c.src), nullptr, D3DFMT_UNKNOWN,
                                c.filter, c.dst_w, 1);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(Desc(t).Width, c.dst_w);
    for (UINT x = 0; x < c.dst_w; ++x)
      EXPECT_NEAR(static_cast<int>((At(t, 0, static_cast<int>(x), 0) >> 16) & 0xFF), c.want[x], c.tol) << "x " << x;
    t->Release();
  }
}

TEST_F(D3DXTexTest, MipChainIsFilteredFromTheTopLevel) {
  std::vector<uint32_t> checker;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) checker.push_back(((x + y) & 1) ? 0xFFFFFFFF : 0xFF000000);
  IDirect3DTexture9* t = Load(Encode(Kind::Png, 4, 4, 4, checker), nullptr, D3DFMT_UNKNOWN, D3DX_FILTER_NONE,
                              D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->GetLevelCount(), 3u);
  EXPECT_EQ(Desc(t, 2).Width, 1u);
  EXPECT_TRUE(Near(At(t, 1, 1, 1), 0xFF808080, 1));
  EXPECT_TRUE(Near(At(t, 2, 0, 0), 0xFF808080, 1));
  t->Release();
}

TEST_F(D3DXTexTest, ColourKeyBecomesTransparentBlack) {
  IDirect3DTexture9* t = Load(Encode(Kind::Png, 2, 1, 3, {0xFFFF00FF, 0xFF00FF00}), nullptr, D3DFMT_A8R8G8B8,
                              D3DX_FILTER_NONE, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DX_FILTER_NONE, 0xFFFF00FF);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(At(t, 0, 0, 0), 0u);
  EXPECT_EQ(At(t, 0, 1, 0), 0xFF00FF00u);
  t->Release();
}

TEST_F(D3DXTexTest, CreateTextureAppliesTheDefaults) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(D3DXCreateTexture(dev_, 0, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &t), D3D_OK);
  D3DSURFACE_DESC d = Desc(t);
  EXPECT_EQ(d.Width, 256u);
  EXPECT_EQ(d.Height, 256u);
  EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(t->GetLevelCount(), 9u);
  t->Release();
  ASSERT_EQ(D3DXCreateTexture(dev_, 8000, 16, 1, 0, D3DFMT_A8, D3DPOOL_MANAGED, &t), D3D_OK);
  EXPECT_EQ(Desc(t).Width, 4096u);
  t->Release();
}

// 24-bit textures are not offered, so a request for one gets 32-bit texels
// whose words read blue, green, red and one unused byte.
TEST_F(D3DXTexTest, RequestFor24BitTexelsGets32BitOnes) {
  EXPECT_EQ(d3d_->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE,
                                    D3DFMT_R8G8B8),
            D3DERR_NOTAVAILABLE);
  IDirect3DTexture9* src = MakeTexture(dev_, 2, 2, {0xFF102030, 0xFF102030, 0xFF102030, 0xFF102030});
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(D3DXCreateTexture(dev_, 4, 4, 0, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
  EXPECT_EQ(Desc(t).Format, D3DFMT_X8R8G8B8);
  IDirect3DSurface9 *s = nullptr, *d = nullptr;
  src->GetSurfaceLevel(0, &s);
  t->GetSurfaceLevel(0, &d);
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(d, nullptr, nullptr, s, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(lr.Pitch, 16);
  EXPECT_EQ(static_cast<const uint32_t*>(lr.pBits)[5] & 0xFFFFFF, 0x102030u);
  t->UnlockRect(0);
  s->Release();
  d->Release();
  t->Release();
  src->Release();
  // Read-back surfaces of 24-bit pixels remain available.
  IDirect3DSurface9* rb = nullptr;
  ASSERT_EQ(dev_->CreateOffscreenPlainSurface(4, 4, D3DFMT_R8G8B8, D3DPOOL_SYSTEMMEM, &rb, nullptr), D3D_OK);
  rb->Release();
}

// Level 0 of a managed texture copied into a render-target texture.
TEST_F(D3DXTexTest, LoadSurfaceFromSurfaceScalesIntoARenderTarget) {
  IDirect3DTexture9* src = MakeTexture(dev_, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
  IDirect3DTexture9* rt = nullptr;
  ASSERT_EQ(dev_->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr),
            D3D_OK);
  IDirect3DSurface9 *s = nullptr, *d = nullptr;
  src->GetSurfaceLevel(0, &s);
  rt->GetSurfaceLevel(0, &d);
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(d, nullptr, nullptr, s, nullptr, nullptr, D3DX_FILTER_POINT, 0), D3D_OK);
  EXPECT_EQ(PixelOf(d, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelOf(d, 3, 0), 0xFF00FF00u);
  EXPECT_EQ(PixelOf(d, 0, 3), 0xFF0000FFu);
  EXPECT_EQ(PixelOf(d, 3, 3), 0xFFFFFFFFu);
  // A source rectangle into a destination rectangle; the rest stays.
  RECT sr = {1, 1, 2, 2}, dr = {0, 0, 2, 2};
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(d, nullptr, &dr, s, nullptr, &sr, D3DX_FILTER_TRIANGLE, 0), D3D_OK);
  EXPECT_EQ(PixelOf(d, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(PixelOf(d, 3, 0), 0xFF00FF00u);
  RECT bad = {0, 0, 3, 3};
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(d, nullptr, nullptr, s, nullptr, &bad, D3DX_FILTER_POINT, 0),
            D3DERR_INVALIDCALL);
  s->Release();
  d->Release();
  src->Release();
  rt->Release();
}

TEST_F(D3DXTexTest, FromFileReadsAWidePath) {
  std::filesystem::path p = std::filesystem::temp_directory_path() / "d3dx9_tex_test_\xC3\xA9.png";
  std::vector<uint8_t> png = Encode(Kind::Png, 3, 3, 4, std::vector<uint32_t>(9, 0xFF102030));
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
  IDirect3DTexture9* t = nullptr;
  D3DXIMAGE_INFO info{};
  std::u16string wide = p.u16string();
  ASSERT_EQ(D3DXCreateTextureFromFileExW(dev_, wide.c_str(), D3DX_DEFAULT,
                                         D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE,
                                         D3DX_FILTER_NONE, 0, &info, nullptr, &t),
            D3D_OK);
  EXPECT_EQ(info.Width, 3u);
  EXPECT_EQ(Desc(t).Width, 4u);
  t->Release();
  std::filesystem::remove(p);
  EXPECT_NE(D3DXCreateTextureFromFileExW(dev_, u"/nonexistent/picture.png", D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                         D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE, D3DX_FILTER_NONE, 0,
                                         nullptr, nullptr, &t),
            D3D_OK);
  EXPECT_EQ(t, nullptr);
}

// Pictures decoded ahead on other threads make the same textures and the
// same refusals as pictures decoded in the call, taken in any order, some
// twice and some never.
TEST_F(D3DXTexTest, PicturesDecodedAheadMakeTheSameTextures) {
  std::vector<std::vector<uint8_t>> files;
  for (int i = 0; i < 24; ++i) {
    std::vector<uint32_t> px(static_cast<size_t>(40 + i) * 30);
    for (size_t k = 0; k < px.size(); ++k) px[k] = 0xFF000000u | static_cast<uint32_t>(k * 2654435761u >> 8);
    files.push_back(Encode(i % 3 == 0 ? Kind::Bmp : Kind::Png, 40 + i, 30, 4, px));
  }
  files.push_back(std::vector<uint8_t>(40, 0x5A));  // refused
  auto make = [&](size_t i, HRESULT* hr) {
    IDirect3DTexture9* t = nullptr;
    *hr = D3DXCreateTextureFromFileInMemoryEx(dev_, files[i].data(), static_cast<UINT>(files[i].size()),
                                              D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, 1, 0, D3DFMT_UNKNOWN,
                                              D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr,
                                              nullptr, &t);
    std::vector<D3DCOLOR> px;
    if (t) {
      D3DSURFACE_DESC d = Desc(t);
      for (UINT y = 0; y < d.Height; y += 7)
        for (UINT x = 0; x < d.Width; x += 5) px.push_back(At(t, 0, static_cast<int>(x), static_cast<int>(y)));
      t->Release();
    }
    return px;
  };
  std::vector<std::vector<D3DCOLOR>> plain(files.size());
  std::vector<HRESULT> plainHr(files.size());
  for (size_t i = 0; i < files.size(); ++i) plain[i] = make(i, &plainHr[i]);
  EXPECT_EQ(plainHr.back(), kInvalidData);

  std::vector<D3DXPredecodeFile> ahead;
  for (const auto& f : files) ahead.push_back({f.data(), static_cast<UINT>(f.size())});
  {
    D3DXPredecode decoding(ahead.data(), ahead.size());
    const size_t order[] = {24, 0, 1, 5, 2, 2, 7, 3, 23, 4, 6, 8, 9, 10, 11, 12, 20, 21};
    for (size_t i : order) {
      SCOPED_TRACE(i);
      HRESULT hr = E_FAIL;
      EXPECT_EQ(make(i, &hr), plain[i]);
      EXPECT_EQ(hr, plainHr[i]);
    }
  }  // 13 to 19 and 22 never taken
  HRESULT hr = E_FAIL;
  EXPECT_EQ(make(13, &hr), plain[13]) << "decoded in the call once the decoding ahead has ended";
}

TEST_F(D3DXTexTest, DamagedDataIsRefused) {
  std::vector<uint8_t> png = Encode(Kind::Png, 8, 8, 4, std::vector<uint32_t>(64, 0xFFFFFFFF));
  std::vector<uint8_t> argb(32, 0x55);
  std::vector<uint8_t> huge = png;  // the header claims 9000 x 9000 pixels
  const uint8_t size[8] = {0, 0, 0x23, 0x28, 0, 0, 0x23, 0x28};
  std::memcpy(&huge[16], size, 8);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"garbage", std::vector<uint8_t>(40, 0x5A)},
      {"truncated png", std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2)},
      {"png of 81 million pixels", huge},
      {"dds header only", std::vector<uint8_t>(
                              Dds(4, 2, 1, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, {}))},
      {"dds short data", Dds(64, 64, 1, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, argb)},
      {"dds unknown format", Dds(4, 2, 1, 0x4, MAKEFOURCC('Z', 'Z', 'Z', 'Z'), 0, 0, 0, 0, 0, argb)},
      {"dds huge size", Dds(0x7FFFFFFF, 0x7FFFFFFF, 1, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, argb)},
      {"dds cut header", std::vector<uint8_t>({'D', 'D', 'S', ' ', 124, 0, 0, 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IDirect3DTexture9* t = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev_, c.bytes.data(), static_cast<UINT>(c.bytes.size()),
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                  D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &t),
              kInvalidData);
    EXPECT_EQ(t, nullptr);
  }
  IDirect3DTexture9* t = nullptr;
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(dev_, png.data(), 0, &t), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(dev_, nullptr, 10, &t), D3DERR_INVALIDCALL);
}

}  // namespace
