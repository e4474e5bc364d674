#pragma once
// Builds the triangles of a straight-skeleton band: a centre line through the
// outline and, per side, the wavefront points traced at each point's
// half-width. Vertices and 16-bit indices go straight into buffers that the
// caller keeps across frames; several bands may share one pair of buffers.
#include <cstdint>
#include <functional>
#include <vector>

class ZVI_StraightSkeletonOffset;

// FVF 0x242: position, diffuse, two texture-coordinate sets (32 bytes).
struct BandVertex {
  float x, y, z;
  uint32_t color;
  float u0, v0, u1, v1;
};
static_assert(sizeof(BandVertex) == 32, "band vertices are 32 bytes");
constexpr uint32_t kBandVertexFVF = 0x242;
constexpr uint32_t kBandGrowStep = 1024;

// The vertex store of a band (a vertex buffer and its capacity). Implemented
// by the batches of the renderers; MemoryBandVertexHolder is a plain one.
class ZVI_BandVertexHolder {
 public:
  virtual ~ZVI_BandVertexHolder() = default;
  // Locks the whole store; null when it has none or cannot be locked.
  virtual BandVertex* Lock() = 0;
  virtual void Unlock() = 0;
  virtual uint32_t Capacity() const = 0;
  // Replaces the store by one of new_capacity vertices holding a copy of the
  // first `used`, and returns it locked; null on failure (the old store stays).
  virtual BandVertex* Grow(uint32_t used, uint32_t new_capacity) = 0;
};

// The index store of a band, counted in triangles (three 16-bit indices each).
class ZVI_BandIndexHolder {
 public:
  virtual ~ZVI_BandIndexHolder() = default;
  virtual uint16_t* Lock() = 0;
  virtual void Unlock() = 0;
  virtual uint32_t Capacity() const = 0;
  virtual uint16_t* Grow(uint32_t used, uint32_t new_capacity) = 0;
};

class MemoryBandVertexHolder : public ZVI_BandVertexHolder {
 public:
  BandVertex* Lock() override { return data.empty() ? nullptr : data.data(); }
  void Unlock() override {}
  uint32_t Capacity() const override { return static_cast<uint32_t>(data.size()); }
  BandVertex* Grow(uint32_t used, uint32_t new_capacity) override;
  std::vector<BandVertex> data;
  uint32_t grow_count = 0;
  uint32_t fail_grow_after = UINT32_MAX;  // growths allowed before failing
};

class MemoryBandIndexHolder : public ZVI_BandIndexHolder {
 public:
  uint16_t* Lock() override { return data.empty() ? nullptr : data.data(); }
  void Unlock() override {}
  uint32_t Capacity() const override { return static_cast<uint32_t>(data.size() / 3); }
  uint16_t* Grow(uint32_t used, uint32_t new_capacity) override;
  std::vector<uint16_t> data;
  uint32_t grow_count = 0;
  uint32_t fail_grow_after = UINT32_MAX;
};

// Per outline point: (index, out half-width, out colour ARGB).
using BandPointCallback = std::function<void(uint32_t, float&, uint32_t&)>;

class ZVI_StripeMeshBuilder {
 public:
  virtual ~ZVI_StripeMeshBuilder() = default;
  // Appends after the counters and advances them. False when nothing could be
  // written in full (no memory, failed growth, or more than 65 535 vertices or
  // triangles in the buffers); the counters are then left as they were.
  virtual bool Build(uint16_t& triangles, uint16_t& vertices, const BandPointCallback& point) = 0;
};

class ZVI_PointStripeMeshBuilder : public ZVI_StripeMeshBuilder {
 public:
  ZVI_PointStripeMeshBuilder(ZVI_StraightSkeletonOffset* maker, ZVI_BandIndexHolder* indices,
                             ZVI_BandVertexHolder* vertices)
      : maker_(maker), index_holder_(indices), vertex_holder_(vertices) {}
  bool Build(uint16_t& triangles, uint16_t& vertices, const BandPointCallback& point) override;

 private:
  bool AddBandVertex(uint32_t& counter, float x, float y, uint32_t color, float u);
  bool AddBandTriangle(uint32_t& counter, uint32_t a, uint32_t b, uint32_t c);

  ZVI_StraightSkeletonOffset* maker_;
  ZVI_BandIndexHolder* index_holder_;
  ZVI_BandVertexHolder* vertex_holder_;
  uint16_t* index_data_ = nullptr;
  BandVertex* vertex_data_ = nullptr;
  uint16_t first_vertex_ = 0;
  uint16_t first_triangle_ = 0;
};
