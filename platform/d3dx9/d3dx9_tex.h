#pragma once
// D3DX texture and surface helpers: textures from image files in memory or
// on disk (PNG, JPEG, BMP, TGA, GIF first frame, DDS), empty textures with
// the D3DX size rules, and surface copies with filtering.
#include "platform/d3d9/d3d9.h"

#ifndef D3DX_DEFAULT
#define D3DX_DEFAULT static_cast<UINT>(-1)
#endif
#ifndef D3DX_DEFAULT_NONPOW2
#define D3DX_DEFAULT_NONPOW2 static_cast<UINT>(-2)
#endif
#ifndef D3DX_FROM_FILE
#define D3DX_FROM_FILE static_cast<UINT>(-3)
#endif
#ifndef D3DFMT_FROM_FILE
#define D3DFMT_FROM_FILE static_cast<D3DFORMAT>(-3)
#endif

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (1 << 19)
#define D3DX_FILTER_DITHER_DIFFUSION (2 << 19)

enum D3DXIMAGE_FILEFORMAT : DWORD {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
  D3DXIFF_HDR = 7,
  D3DXIFF_PFM = 8
};

struct D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};

// Sizes of 0 or D3DX_DEFAULT become 256, mip levels 0 or D3DX_DEFAULT a full
// chain, D3DFMT_UNKNOWN A8R8G8B8; sizes are kept within the device caps.
HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mip_levels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out);

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID data, UINT size, D3DXIMAGE_INFO* info);

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID data, UINT size,
                                          IDirect3DTexture9** out);

// Width and height of 0 or D3DX_DEFAULT are the image's, rounded up to powers
// of two (D3DX_DEFAULT_NONPOW2 and D3DX_FROM_FILE keep them); D3DFMT_UNKNOWN
// takes the image's own form (RGBA A8R8G8B8, RGB X8R8G8B8, grey L8, grey and
// alpha A8L8, or the DDS format). info receives the source image's size.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT width,
                                            UINT height, UINT mip_levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mip_filter, D3DCOLOR color_key,
                                            D3DXIMAGE_INFO* info, PALETTEENTRY* palette, IDirect3DTexture9** out);

HRESULT D3DXCreateTextureFromFileW(IDirect3DDevice9* device, LPCWSTR path, IDirect3DTexture9** out);
HRESULT D3DXCreateTextureFromFileExW(IDirect3DDevice9* device, LPCWSTR path, UINT width, UINT height,
                                     UINT mip_levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mip_filter, D3DCOLOR color_key, D3DXIMAGE_INFO* info,
                                     PALETTEENTRY* palette, IDirect3DTexture9** out);

// Copies (and scales with the filter) a rectangle of one surface into a
// rectangle of another; null rectangles mean whole surfaces.
HRESULT D3DXLoadSurfaceFromSurface(IDirect3DSurface9* dest, const PALETTEENTRY* dest_palette, const RECT* dest_rect,
                                   IDirect3DSurface9* source, const PALETTEENTRY* source_palette,
                                   const RECT* source_rect, DWORD filter, D3DCOLOR color_key);

// Fills the levels below source_level from it with the filter.
HRESULT D3DXFilterTexture(IDirect3DBaseTexture9* texture, const PALETTEENTRY* palette, UINT source_level,
                          DWORD filter);

// Not D3DX: pictures in memory decoded on worker threads, in order, ahead of
// the calls that make textures of them, while an object of this class lives.
// D3DXCreateTextureFromFileInMemory(Ex) on one of these ranges (the same
// pointer and size) takes its decoded picture instead of decoding it again;
// one that no worker has reached yet is decoded by the caller as before.
// Decoded pictures not yet taken are bounded in memory. The bytes must stay
// alive while it lives; its end waits for the workers and drops what was not
// taken. One at a time, used from one thread.
struct D3DXPredecodeFile {
  const void* data;
  UINT size;
};
class D3DXPredecode {
 public:
  D3DXPredecode(const D3DXPredecodeFile* files, size_t count);
  ~D3DXPredecode();
  D3DXPredecode(const D3DXPredecode&) = delete;
  D3DXPredecode& operator=(const D3DXPredecode&) = delete;
};
