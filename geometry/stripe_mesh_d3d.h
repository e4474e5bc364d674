#pragma once
// Band buffers kept in Direct3D 9 vertex and index buffers (managed pool),
// as the line renderers hold them across frames.
#include "geometry/stripe_mesh.h"
#include "platform/d3d9/d3d9.h"

class ZVI_D3DBandVertexHolder : public ZVI_BandVertexHolder {
 public:
  explicit ZVI_D3DBandVertexHolder(IDirect3DDevice9* device) : device_(device) {}
  ~ZVI_D3DBandVertexHolder() override;
  ZVI_D3DBandVertexHolder(const ZVI_D3DBandVertexHolder&) = delete;
  ZVI_D3DBandVertexHolder& operator=(const ZVI_D3DBandVertexHolder&) = delete;

  BandVertex* Lock() override;
  void Unlock() override;
  uint32_t Capacity() const override { return capacity_; }
  // A new buffer of new_capacity x 32 bytes (usage 0, FVF 0x242) holding the
  // first `used` vertices; the old one is released.
  BandVertex* Grow(uint32_t used, uint32_t new_capacity) override;

  IDirect3DVertexBuffer9* Buffer() const { return buffer_; }

 private:
  IDirect3DDevice9* device_;
  IDirect3DVertexBuffer9* buffer_ = nullptr;
  BandVertex* locked_ = nullptr;
  uint32_t capacity_ = 0;
};

class ZVI_D3DBandIndexHolder : public ZVI_BandIndexHolder {
 public:
  explicit ZVI_D3DBandIndexHolder(IDirect3DDevice9* device) : device_(device) {}
  ~ZVI_D3DBandIndexHolder() override;
  ZVI_D3DBandIndexHolder(const ZVI_D3DBandIndexHolder&) = delete;
  ZVI_D3DBandIndexHolder& operator=(const ZVI_D3DBandIndexHolder&) = delete;

  uint16_t* Lock() override;
  void Unlock() override;
  uint32_t Capacity() const override { return capacity_; }
  // A new write-only 16-bit buffer of new_capacity triangles holding the
  // first `used`; the old one is released.
  uint16_t* Grow(uint32_t used, uint32_t new_capacity) override;

  IDirect3DIndexBuffer9* Buffer() const { return buffer_; }

 private:
  IDirect3DDevice9* device_;
  IDirect3DIndexBuffer9* buffer_ = nullptr;
  uint16_t* locked_ = nullptr;
  uint32_t capacity_ = 0;
};
