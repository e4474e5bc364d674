#include "geometry/stripe_mesh.h"

#include <algorithm>

#include "geometry/skeleton_offset.h"

namespace {
constexpr uint32_t kMaxCounter = 0xFFFF;  // the counters and indices are 16-bit
}

BandVertex* MemoryBandVertexHolder::Grow(uint32_t used, uint32_t new_capacity) {
  if (grow_count >= fail_grow_after) return nullptr;
  ++grow_count;
  std::vector<BandVertex> bigger(new_capacity);
  std::copy_n(data.begin(), std::min<size_t>(used, data.size()), bigger.begin());
  data.swap(bigger);
  return data.data();
}

uint16_t* MemoryBandIndexHolder::Grow(uint32_t used, uint32_t new_capacity) {
  if (grow_count >= fail_grow_after) return nullptr;
  ++grow_count;
  std::vector<uint16_t> bigger(static_cast<size_t>(new_capacity) * 3);
  std::copy_n(data.begin(), std::min<size_t>(static_cast<size_t>(used) * 3, data.size()), bigger.begin());
  data.swap(bigger);
  return data.data();
}

bool ZVI_PointStripeMeshBuilder::AddBandVertex(uint32_t& counter, float x, float y, uint32_t color, float u) {
  if (counter >= kMaxCounter) return false;
  if (counter >= vertex_holder_->Capacity() || !vertex_data_) {
    BandVertex* grown = vertex_holder_->Grow(counter, counter + kBandGrowStep);
    if (!grown) return false;
    vertex_data_ = grown;
  }
  vertex_data_[counter] = BandVertex{x, y, 0.0f, color, u, 0.0f, u, 0.0f};
  ++counter;
  return true;
}

bool ZVI_PointStripeMeshBuilder::AddBandTriangle(uint32_t& counter, uint32_t a, uint32_t b, uint32_t c) {
  if (counter >= kMaxCounter) return false;
  if (counter >= index_holder_->Capacity() || !index_data_) {
    uint16_t* grown = index_holder_->Grow(counter, counter + kBandGrowStep);
    if (!grown) return false;
    index_data_ = grown;
  }
  uint16_t* tri = index_data_ + static_cast<size_t>(counter) * 3;
  tri[0] = static_cast<uint16_t>(a);
  tri[1] = static_cast<uint16_t>(b);
  tri[2] = static_cast<uint16_t>(c);
  ++counter;
  return true;
}

bool ZVI_PointStripeMeshBuilder::Build(uint16_t& triangles, uint16_t& vertices, const BandPointCallback& point) {
  first_triangle_ = triangles;
  first_vertex_ = vertices;
  const auto& outline = maker_->points();
  const uint32_t n = static_cast<uint32_t>(outline.size());
  if (n < 2) return true;
  if (!point) throw std::bad_function_call();
  vertex_data_ = vertex_holder_->Lock();
  if (!vertex_data_ && vertex_holder_->Capacity() > 0) return false;
  index_data_ = index_holder_->Lock();
  if (!index_data_ && index_holder_->Capacity() > 0) {
    vertex_holder_->Unlock();
    vertex_data_ = nullptr;
    return false;
  }

  uint32_t vc = vertices, tc = triangles;
  bool ok = true;
  for (uint32_t i = 0; ok && i < n; ++i) {
    float half = 0.0f;
    uint32_t color = 0;
    point(i, half, color);
    ok = AddBandVertex(vc, outline[i].x, outline[i].y, color, 0.5f);
  }
  std::vector<D3DXVECTOR3> traced;
  for (int32_t side = 0; ok && side < 2; ++side) {
    const float u = side == 0 ? 0.0f : 1.0f;
    for (uint32_t i = 0; ok && i < n; ++i) {
      float half = 0.0f;
      uint32_t color = 0;
      point(i, half, color);
      traced.clear();
      maker_->TraceVertex(side, i, half, traced);
      const uint32_t centre = first_vertex_ + i;
      for (size_t k = 0; ok && k < traced.size(); ++k) {
        ok = AddBandVertex(vc, traced[k].x, traced[k].y, color, u);
        if (ok && (k > 0 || i > 0)) ok = AddBandTriangle(tc, centre, vc - 2, vc - 1);
      }
      if (ok && i + 1 < n && !traced.empty()) ok = AddBandTriangle(tc, centre, centre + 1, vc - 1);
    }
  }

  index_holder_->Unlock();
  index_data_ = nullptr;
  vertex_holder_->Unlock();
  vertex_data_ = nullptr;
  if (!ok) {
    // Leave the buffers as they were before this band: no wrapped indices.
    triangles = first_triangle_;
    vertices = first_vertex_;
    return false;
  }
  triangles = static_cast<uint16_t>(tc);
  vertices = static_cast<uint16_t>(vc);
  return true;
}
