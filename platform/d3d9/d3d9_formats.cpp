#include "platform/d3d9/d3d9_formats.h"

#include <GL/glcorearb.h>

#include <algorithm>
#include <cstring>
#include <vector>

// Only the DXT block compressor of the library is used.
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_DXT_STATIC
#define STB_DXT_IMPLEMENTATION
#include <stb_dxt.h>

namespace d3d9impl {
namespace {

constexpr int32_t R = GL_RED, G = GL_GREEN, B = GL_BLUE, A = GL_ALPHA, Z = GL_ZERO, O = GL_ONE;

const FormatDesc kFormats[] = {
    {D3DFMT_A8R8G8B8, 4, false, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, A}},
    {D3DFMT_X8R8G8B8, 4, false, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, O}},
    {D3DFMT_A8B8G8R8, 4, false, false, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {R, G, B, A}},
    {D3DFMT_X8B8G8R8, 4, false, false, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {R, G, B, O}},
    {D3DFMT_R8G8B8, 3, false, false, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, {R, G, B, O}},
    {D3DFMT_R5G6B5, 2, false, false, GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {R, G, B, O}},
    {D3DFMT_A1R5G5B5, 2, false, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, {R, G, B, A}},
    {D3DFMT_X1R5G5B5, 2, false, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, {R, G, B, O}},
    {D3DFMT_A4R4G4B4, 2, false, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, {R, G, B, A}},
    {D3DFMT_A8, 1, false, false, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {Z, Z, Z, R}},
    {D3DFMT_L8, 1, false, false, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {R, R, R, O}},
    {D3DFMT_A8L8, 2, false, false, GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {R, R, R, G}},
    {D3DFMT_L16, 2, false, false, GL_R16, GL_RED, GL_UNSIGNED_SHORT, {R, R, R, O}},
    {D3DFMT_V8U8, 2, false, false, GL_RG8_SNORM, GL_RG, GL_BYTE, {R, G, O, O}},
    {D3DFMT_V16U16, 4, false, false, GL_RG16_SNORM, GL_RG, GL_SHORT, {R, G, O, O}},
    {D3DFMT_G16R16, 4, false, false, GL_RG16, GL_RG, GL_UNSIGNED_SHORT, {R, G, O, O}},
    {D3DFMT_A16B16G16R16, 8, false, false, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, {R, G, B, A}},
    {D3DFMT_R16F, 2, false, false, GL_R16F, GL_RED, GL_HALF_FLOAT, {R, O, O, O}},
    {D3DFMT_G16R16F, 4, false, false, GL_RG16F, GL_RG, GL_HALF_FLOAT, {R, G, O, O}},
    {D3DFMT_A16B16G16R16F, 8, false, false, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, {R, G, B, A}},
    {D3DFMT_R32F, 4, false, false, GL_R32F, GL_RED, GL_FLOAT, {R, O, O, O}},
    {D3DFMT_G32R32F, 8, false, false, GL_RG32F, GL_RG, GL_FLOAT, {R, G, O, O}},
    {D3DFMT_A32B32G32R32F, 16, false, false, GL_RGBA32F, GL_RGBA, GL_FLOAT, {R, G, B, A}},
    {D3DFMT_DXT1, 8, true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, A}},
    {D3DFMT_DXT2, 16, true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, A}},
    {D3DFMT_DXT3, 16, true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, A}},
    {D3DFMT_DXT4, 16, true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, A}},
    {D3DFMT_DXT5, 16, true, false, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {R, G, B, A}},
    {D3DFMT_D24S8, 4, false, true, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, {R, G, B, A}},
    {D3DFMT_D24X8, 4, false, true, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, {R, G, B, A}},
    {D3DFMT_D16, 2, false, true, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, {R, G, B, A}},
    {D3DFMT_D32, 4, false, true, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, {R, G, B, A}},
    {D3DFMT_D15S1, 2, false, true, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, {R, G, B, A}},
};

inline uint8_t Expand5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
inline uint8_t Expand6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }
inline uint16_t Rd16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Rd32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// One 4 x 4 colour block of DXT into BGRA texels; alpha set to 255 or, for
// the three-colour mode of DXT1, 0 on the fourth code.
void DecodeColourBlock(const uint8_t* blk, bool dxt1, uint8_t out[16][4]) {
  uint16_t c0 = Rd16(blk), c1 = Rd16(blk + 2);
  uint32_t bits = Rd32(blk + 4);
  uint8_t pal[4][4];
  auto set = [&](int i, uint16_t c) {
    pal[i][0] = Expand5(c & 31);
    pal[i][1] = Expand6((c >> 5) & 63);
    pal[i][2] = Expand5(c >> 11);
    pal[i][3] = 255;
  };
  set(0, c0);
  set(1, c1);
  if (c0 > c1 || !dxt1) {
    for (int k = 0; k < 3; ++k) {
      pal[2][k] = static_cast<uint8_t>((2 * pal[0][k] + pal[1][k] + 1) / 3);
      pal[3][k] = static_cast<uint8_t>((pal[0][k] + 2 * pal[1][k] + 1) / 3);
    }
    pal[2][3] = pal[3][3] = 255;
  } else {
    for (int k = 0; k < 3; ++k) {
      pal[2][k] = static_cast<uint8_t>((pal[0][k] + pal[1][k]) / 2);
      pal[3][k] = 0;
    }
    pal[2][3] = 255;
    pal[3][3] = 0;
  }
  for (int i = 0; i < 16; ++i) std::memcpy(out[i], pal[(bits >> (2 * i)) & 3], 4);
}

void DecodeDxtBlock(D3DFORMAT fmt, const uint8_t* blk, uint8_t out[16][4]) {
  if (fmt == D3DFMT_DXT1) {
    DecodeColourBlock(blk, true, out);
    return;
  }
  DecodeColourBlock(blk + 8, false, out);
  if (fmt == D3DFMT_DXT2 || fmt == D3DFMT_DXT3) {
    for (int i = 0; i < 16; ++i) {
      uint32_t a = (blk[i / 2] >> ((i & 1) * 4)) & 15;
      out[i][3] = static_cast<uint8_t>(a * 17);
    }
    return;
  }
  uint32_t a0 = blk[0], a1 = blk[1];
  uint8_t pal[8];
  pal[0] = static_cast<uint8_t>(a0);
  pal[1] = static_cast<uint8_t>(a1);
  if (a0 > a1) {
    for (int i = 1; i < 7; ++i) pal[i + 1] = static_cast<uint8_t>(((7 - i) * a0 + i * a1 + 3) / 7);
  } else {
    for (int i = 1; i < 5; ++i) pal[i + 1] = static_cast<uint8_t>(((5 - i) * a0 + i * a1 + 2) / 5);
    pal[6] = 0;
    pal[7] = 255;
  }
  uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(blk[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) out[i][3] = pal[(bits >> (3 * i)) & 7];
}

}  // namespace

const FormatDesc* FindFormat(D3DFORMAT format) {
  for (const FormatDesc& f : kFormats)
    if (f.format == format) return &f;
  return nullptr;
}

uint32_t RowPitch(const FormatDesc& f, uint32_t width) {
  return f.compressed ? std::max(1u, (width + 3) / 4) * f.bytes : width * f.bytes;
}

uint32_t RowCount(const FormatDesc& f, uint32_t height) {
  return f.compressed ? std::max(1u, (height + 3) / 4) : height;
}

bool ToBGRA(const FormatDesc& f, const uint8_t* src, uint32_t pitch, uint32_t w, uint32_t h, uint8_t* dst) {
  if (f.compressed) {
    uint8_t blk[16][4];
    for (uint32_t by = 0; by < RowCount(f, h); ++by)
      for (uint32_t bx = 0; bx < (w + 3) / 4; ++bx) {
        DecodeDxtBlock(f.format, src + by * pitch + bx * f.bytes, blk);
        for (uint32_t i = 0; i < 16; ++i) {
          uint32_t x = bx * 4 + (i & 3), y = by * 4 + i / 4;
          if (x < w && y < h) std::memcpy(dst + (y * w + x) * 4, blk[i], 4);
        }
      }
    return true;
  }
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* s = src + y * pitch;
    uint8_t* d = dst + y * w * 4;
    for (uint32_t x = 0; x < w; ++x, d += 4) {
      switch (f.format) {
        case D3DFMT_A8R8G8B8: std::memcpy(d, s + x * 4, 4); break;
        case D3DFMT_X8R8G8B8: std::memcpy(d, s + x * 4, 3); d[3] = 255; break;
        case D3DFMT_A8B8G8R8: d[0] = s[x * 4 + 2]; d[1] = s[x * 4 + 1]; d[2] = s[x * 4]; d[3] = s[x * 4 + 3]; break;
        case D3DFMT_X8B8G8R8: d[0] = s[x * 4 + 2]; d[1] = s[x * 4 + 1]; d[2] = s[x * 4]; d[3] = 255; break;
        case D3DFMT_R8G8B8: std::memcpy(d, s + x * 3, 3); d[3] = 255; break;
        case D3DFMT_A8: d[0] = d[1] = d[2] = 0; d[3] = s[x]; break;
        case D3DFMT_L8: d[0] = d[1] = d[2] = s[x]; d[3] = 255; break;
        case D3DFMT_A8L8: d[0] = d[1] = d[2] = s[x * 2]; d[3] = s[x * 2 + 1]; break;
        case D3DFMT_R5G6B5: {
          uint16_t c = Rd16(s + x * 2);
          d[0] = Expand5(c & 31); d[1] = Expand6((c >> 5) & 63); d[2] = Expand5(c >> 11); d[3] = 255;
          break;
        }
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5: {
          uint16_t c = Rd16(s + x * 2);
          d[0] = Expand5(c & 31); d[1] = Expand5((c >> 5) & 31); d[2] = Expand5((c >> 10) & 31);
          d[3] = (f.format == D3DFMT_X1R5G5B5 || (c & 0x8000)) ? 255 : 0;
          break;
        }
        case D3DFMT_A4R4G4B4: {
          uint16_t c = Rd16(s + x * 2);
          d[0] = static_cast<uint8_t>((c & 15) * 17); d[1] = static_cast<uint8_t>(((c >> 4) & 15) * 17);
          d[2] = static_cast<uint8_t>(((c >> 8) & 15) * 17); d[3] = static_cast<uint8_t>((c >> 12) * 17);
          break;
        }
        case D3DFMT_V8U8:  // u in red, v in green, as the bump stage reads them
          d[0] = 0; d[1] = static_cast<uint8_t>(s[x * 2 + 1] ^ 0x80); d[2] = static_cast<uint8_t>(s[x * 2] ^ 0x80);
          d[3] = 255;
          break;
        default: return false;
      }
    }
  }
  return true;
}

bool FromBGRA(const FormatDesc& f, const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, uint32_t pitch) {
  if (f.compressed) {
    if (f.format != D3DFMT_DXT1 && f.format != D3DFMT_DXT3 && f.format != D3DFMT_DXT5) return false;
    uint8_t rgba[64];
    for (uint32_t by = 0; by < RowCount(f, h); ++by)
      for (uint32_t bx = 0; bx < (w + 3) / 4; ++bx) {
        for (uint32_t i = 0; i < 16; ++i) {
          uint32_t x = std::min(bx * 4 + (i & 3), w - 1), y = std::min(by * 4 + i / 4, h - 1);
          const uint8_t* p = src + (y * w + x) * 4;
          rgba[i * 4] = p[2]; rgba[i * 4 + 1] = p[1]; rgba[i * 4 + 2] = p[0]; rgba[i * 4 + 3] = p[3];
        }
        uint8_t* out = dst + by * pitch + bx * f.bytes;
        if (f.format == D3DFMT_DXT1) {
          stb_compress_dxt_block(out, rgba, 0, STB_DXT_NORMAL);
        } else if (f.format == D3DFMT_DXT5) {
          stb_compress_dxt_block(out, rgba, 1, STB_DXT_NORMAL);
        } else {
          for (int i = 0; i < 8; ++i)
            out[i] = static_cast<uint8_t>((rgba[(2 * i) * 4 + 3] >> 4) | (rgba[(2 * i + 1) * 4 + 3] & 0xF0));
          stb_compress_dxt_block(out + 8, rgba, 0, STB_DXT_NORMAL);
        }
      }
    return true;
  }
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* s = src + y * w * 4;
    uint8_t* d = dst + y * pitch;
    for (uint32_t x = 0; x < w; ++x, s += 4) {
      // Grey from colour with the usual luminance weights.
      auto lum = [&] { return static_cast<uint8_t>((s[2] * 77u + s[1] * 150u + s[0] * 29u + 128u) >> 8); };
      switch (f.format) {
        case D3DFMT_A8R8G8B8: std::memcpy(d + x * 4, s, 4); break;
        case D3DFMT_X8R8G8B8: std::memcpy(d + x * 4, s, 3); d[x * 4 + 3] = 255; break;
        case D3DFMT_A8B8G8R8:
        case D3DFMT_X8B8G8R8:
          d[x * 4] = s[2]; d[x * 4 + 1] = s[1]; d[x * 4 + 2] = s[0];
          d[x * 4 + 3] = f.format == D3DFMT_A8B8G8R8 ? s[3] : 255;
          break;
        case D3DFMT_R8G8B8: std::memcpy(d + x * 3, s, 3); break;
        case D3DFMT_A8: d[x] = s[3]; break;
        case D3DFMT_L8: d[x] = lum(); break;
        case D3DFMT_A8L8: d[x * 2] = lum(); d[x * 2 + 1] = s[3]; break;
        case D3DFMT_R5G6B5: {
          uint16_t c = static_cast<uint16_t>(((s[2] >> 3) << 11) | ((s[1] >> 2) << 5) | (s[0] >> 3));
          d[x * 2] = static_cast<uint8_t>(c); d[x * 2 + 1] = static_cast<uint8_t>(c >> 8);
          break;
        }
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5: {
          uint16_t c = static_cast<uint16_t>(((s[3] >= 128 ? 1 : 0) << 15) | ((s[2] >> 3) << 10) | ((s[1] >> 3) << 5) |
                                             (s[0] >> 3));
          d[x * 2] = static_cast<uint8_t>(c); d[x * 2 + 1] = static_cast<uint8_t>(c >> 8);
          break;
        }
        case D3DFMT_A4R4G4B4: {
          uint16_t c = static_cast<uint16_t>(((s[3] >> 4) << 12) | ((s[2] >> 4) << 8) | ((s[1] >> 4) << 4) | (s[0] >> 4));
          d[x * 2] = static_cast<uint8_t>(c); d[x * 2 + 1] = static_cast<uint8_t>(c >> 8);
          break;
        }
        default: return false;
      }
    }
  }
  return true;
}

const uint8_t* UploadData(const FormatDesc& f, const uint8_t* src, uint32_t pitch, uint32_t w, uint32_t h,
                          std::vector<uint8_t>* scratch) {
  if (!f.compressed) return src;
  scratch->assign(static_cast<size_t>(w) * h * 4, 0);
  ToBGRA(f, src, pitch, w, h, scratch->data());
  return scratch->data();
}

}  // namespace d3d9impl
