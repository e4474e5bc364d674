#pragma once
// Pieces the slide renderers share: the vertex with two coordinate pairs and
// its holder, and the colour conversions of stored COLORREF values.
#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "player/meshes.h"

namespace DX_V {
// XYZ|TEX2 (0x202), 28 bytes.
struct PT2 {
  float x, y, z, u0, v0, u1, v1;
  static constexpr DWORD FVF = 0x202;
};
static_assert(sizeof(PT2) == 28);
}  // namespace DX_V

// Vertices of XYZ|TEX2, managed and write-only.
class Tex2Quad : public DS_SimpleMesh<DX_V::PT2> {
 public:
  bool Create(UINT n) { return CreateVertices(n, sizeof(DX_V::PT2), DX_V::PT2::FVF); }
};

// COLORREF (red in the low byte) as D3DCOLOR with the given alpha byte.
inline D3DCOLOR ColorrefToArgb(uint32_t colorref, uint32_t alpha) {
  return (alpha << 24) | ((colorref & 0xFFu) << 16) | (colorref & 0xFF00u) | ((colorref >> 16) & 0xFFu);
}
