#pragma once
// Surface formats: memory layout, the OpenGL form they are kept in, and
// conversion to and from BGRA bytes (D3DFMT_A8R8G8B8 memory order).
#include <cstdint>

#include "platform/d3d9/d3d9.h"

namespace d3d9impl {

struct FormatDesc {
  D3DFORMAT format;
  uint32_t bytes;      // per pixel, or per 4 x 4 block when compressed
  bool compressed;
  bool depth;
  uint32_t internal;   // GL internal format
  uint32_t pixel_format;
  uint32_t pixel_type;
  int32_t swizzle[4];  // how a sample reads: GL_RED.., GL_ZERO, GL_ONE
};

// Null for a format the layer does not keep.
const FormatDesc* FindFormat(D3DFORMAT format);
// Bytes of one row of pixels (of blocks when compressed).
uint32_t RowPitch(const FormatDesc& f, uint32_t width);
// Number of rows of pixels (of blocks when compressed).
uint32_t RowCount(const FormatDesc& f, uint32_t height);
// Pixels of a level as BGRA; false for formats with no colour reading.
bool ToBGRA(const FormatDesc& f, const uint8_t* src, uint32_t pitch, uint32_t width, uint32_t height, uint8_t* bgra);
// Stores BGRA pixels in the format (compressing DXT blocks); false for
// formats that cannot be written from colour.
bool FromBGRA(const FormatDesc& f, const uint8_t* bgra, uint32_t width, uint32_t height, uint8_t* dst, uint32_t pitch);
// The data OpenGL receives for a level: the bytes themselves, or decoded
// BGRA for compressed formats (returns a pointer into *scratch then).
const uint8_t* UploadData(const FormatDesc& f, const uint8_t* src, uint32_t pitch, uint32_t width, uint32_t height,
                          std::vector<uint8_t>* scratch);

}  // namespace d3d9impl
