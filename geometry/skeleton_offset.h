#pragma once
// Offset makers: turn an outline into a band around it. The straight-skeleton
// maker keeps moving wavefront vertices per outline vertex so that a band can
// be read at any half-width; the onion and loop makers live in onion_offset.h.
#include <cfloat>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/d3dx9/d3dx9_math.h"

class ZVI_StripeTracer;
class ZVI_StripeMeshBuilder;
class ZVI_BandVertexHolder;
class ZVI_BandIndexHolder;

// A plain 2D point of an outline or wavefront.
struct OffsetPoint {
  float x = 0, y = 0;
};

// Gives outline point i; the z coordinate is dropped by the makers.
using OffsetPointAccessor = std::function<const D3DXVECTOR3&(uint32_t)>;

class ZVI_CurveOffsetMaker {
 public:
  virtual void Build(uint32_t count, OffsetPointAccessor point) = 0;
  virtual void Compute(float max_distance) = 0;
  // A yes/no query no maker answers with yes.
  virtual bool QueryOption(int32_t) { return false; }
  virtual float GetLength() { return 0.0f; }
  // Null unless the maker builds meshes (straight skeleton) or is read by a
  // tracer (onion, loop).
  virtual std::unique_ptr<ZVI_StripeMeshBuilder> CreateMeshBuilder(ZVI_BandIndexHolder* indices,
                                                                   ZVI_BandVertexHolder* vertices);
  virtual std::unique_ptr<ZVI_StripeTracer> CreateTracer();
  virtual ~ZVI_CurveOffsetMaker();
};

class ZVI_PointCurveOffseter : public ZVI_CurveOffsetMaker {
 public:
  void Build(uint32_t count, OffsetPointAccessor point) override;
  // side != 0: left of the travel direction; 0: right. Appends to out.
  virtual void TraceVertex(int32_t side, uint32_t vertex, float distance, std::vector<D3DXVECTOR3>& out) = 0;

  const std::vector<OffsetPoint>& points() const { return points_; }

 protected:
  std::vector<OffsetPoint> points_;
};

// One moving wavefront vertex.
struct ZVI_SkeletonEdge {
  struct Collapse {
    float x = 0, y = 0, t = 0;
  };

  OffsetPoint position;
  OffsetPoint prev_origin, prev_dir;  // prev_dir points backward along the edge behind
  float prev_limit = FLT_MAX;
  OffsetPoint next_origin, next_dir;  // next_dir points forward along the edge ahead
  float next_limit = FLT_MAX;
  bool inner = false;
  OffsetPoint normal;
  float speed = 1.0f;
  float end_time = FLT_MAX;
  std::shared_ptr<ZVI_SkeletonEdge> successor;
  bool has_collapse = false;
  Collapse collapse;

  ZVI_SkeletonEdge() = default;
  explicit ZVI_SkeletonEdge(OffsetPoint p) : position(p) {}
  ZVI_SkeletonEdge(OffsetPoint p, OffsetPoint n, OffsetPoint b, OffsetPoint f)
      : position(p), prev_origin(p), prev_dir(b), next_origin(p), next_dir(f), normal(n) {}
  virtual ~ZVI_SkeletonEdge() = default;
};

using SkeletonEdgePtr = std::shared_ptr<ZVI_SkeletonEdge>;

class ZVI_StraightSkeletonOffset : public ZVI_PointCurveOffseter {
 public:
  void Compute(float max_distance) override;
  void TraceVertex(int32_t side, uint32_t vertex, float distance, std::vector<D3DXVECTOR3>& out) override;
  std::unique_ptr<ZVI_StripeMeshBuilder> CreateMeshBuilder(ZVI_BandIndexHolder* indices,
                                                           ZVI_BandVertexHolder* vertices) override;

  const std::vector<SkeletonEdgePtr>& vertices(int32_t side) const { return side ? left_ : right_; }
  const std::vector<std::vector<uint32_t>>& starts(int32_t side) const {
    return side ? left_starts_ : right_starts_;
  }

 private:
  void AddVertex(uint32_t i, OffsetPoint b, OffsetPoint f);
  void AddInnerVertex(int32_t side, OffsetPoint p, OffsetPoint b, OffsetPoint f);
  void AddRoundJoin(int32_t side, uint32_t i, OffsetPoint p, OffsetPoint b, OffsetPoint f, OffsetPoint m1,
                    OffsetPoint m2, int depth);
  uint32_t Append(int32_t side, SkeletonEdgePtr e);

  std::vector<SkeletonEdgePtr> left_, right_;
  std::vector<std::vector<uint32_t>> left_starts_, right_starts_;
};

// Wavefront helpers shared with the onion maker.
namespace skeleton {
OffsetPoint Normalised(OffsetPoint v);
// Stores in e1 where and when e1 and e2 meet; t = FLT_MAX when they never do.
void ComputeCollapse(ZVI_SkeletonEdge& e1, const ZVI_SkeletonEdge& e2);
SkeletonEdgePtr MergeVertices(ZVI_SkeletonEdge& e1, ZVI_SkeletonEdge& e2);
// Moves a side's wavefront until max_distance, merging vertices that meet.
void Propagate(const std::vector<SkeletonEdgePtr>& side, float max_distance);
}  // namespace skeleton
