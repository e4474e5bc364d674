#pragma once
// The onion maker records an open outline's band as stacks of offset rings
// (one per wavefront collision) on each side; the loop maker closes the
// control points into a measured loop. Tracers read their results.
#include <cstdint>
#include <vector>

#include "geometry/skeleton_offset.h"

// Reads an offset maker's result; must not outlive the maker or a rebuild.
class ZVI_StripeTracer {
 public:
  virtual ~ZVI_StripeTracer() = default;
  // The cursor starts at 0 and advances with every successful call.
  virtual bool NextCentrePoint(uint32_t& cursor, D3DXVECTOR3& out) = 0;
  virtual bool NextRightPoint(uint32_t& cursor, D3DXVECTOR3& out) { return false; }
  virtual bool NextLeftPoint(uint32_t& cursor, D3DXVECTOR3& out) { return false; }
  virtual bool PointAt(float length, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction) = 0;
};

// One segment of a ring.
struct OnionSample {
  float x = 0, y = 0;    // start
  float dx = 0, dy = 0;  // unit direction
  float length = 0;
  float cumulative = 0;  // at the segment's end
  float turn = 0;        // previous direction x own direction
};

struct OnionRing {
  std::vector<OnionSample> samples;
  float remaining = 0;  // the ring lies at offset = requested distance - remaining
};

class ZVI_OnionOffseter : public ZVI_PointCurveOffseter {
 public:
  void Compute(float distance) override;
  float GetLength() override;
  std::unique_ptr<ZVI_StripeTracer> CreateTracer() override;
  void TraceVertex(int32_t, uint32_t, float, std::vector<D3DXVECTOR3>&) override {}

  // The distance of the last Compute; the curves recompute with it after
  // their points change.
  float last_distance() const { return distance_; }
  const std::vector<OnionRing>& right_rings() const { return right_; }
  const std::vector<OnionRing>& left_rings() const { return left_; }

  // Ring building steps, public for the tracer and for tests.
  static bool AddRingPoint(OnionRing& ring, OffsetPoint from, OffsetPoint to, bool last);
  static std::vector<ZVI_SkeletonEdge> BuildRingWavefront(const OnionRing& ring);
  // (time, index of the first vertex of the pair) of the earliest meeting of
  // neighbouring wavefront vertices before `limit`; index -1 when none.
  static void FirstCollision(const std::vector<ZVI_SkeletonEdge>& front, float limit, float& t, int32_t& k);
  static bool NextRing(OnionRing& ring);

 private:
  void RunRings(OnionRing& scratch, std::vector<OnionRing>& rings);

  std::vector<OnionRing> right_, left_;
  float distance_ = 0.0f;
};

class ZVI_OnionTracer : public ZVI_StripeTracer {
 public:
  ZVI_OnionTracer(const std::vector<OnionRing>* right, const std::vector<OnionRing>* left)
      : right_(right), left_(left) {}
  bool NextCentrePoint(uint32_t& cursor, D3DXVECTOR3& out) override;
  bool NextRightPoint(uint32_t& cursor, D3DXVECTOR3& out) override;
  bool NextLeftPoint(uint32_t& cursor, D3DXVECTOR3& out) override;
  bool PointAt(float length, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction) override;

 private:
  const std::vector<OnionRing>* right_;
  const std::vector<OnionRing>* left_;
};

class ZVI_LoopZerroLine : public ZVI_CurveOffsetMaker {
 public:
  void Build(uint32_t count, OffsetPointAccessor point) override;
  void Compute(float) override {}
  float GetLength() override { return cumulative_.empty() ? 0.0f : cumulative_.back(); }
  std::unique_ptr<ZVI_StripeTracer> CreateTracer() override;

  uint32_t count() const { return static_cast<uint32_t>(lengths_.size()); }

 private:
  friend class ZVI_LoopTracer;
  std::vector<float> points_;      // x, y per point
  std::vector<float> directions_;  // x, y per edge
  std::vector<float> lengths_;
  std::vector<float> cumulative_;  // n + 1 entries
};

class ZVI_LoopTracer : public ZVI_StripeTracer {
 public:
  explicit ZVI_LoopTracer(const ZVI_LoopZerroLine* loop) : loop_(loop) {}
  bool NextCentrePoint(uint32_t& cursor, D3DXVECTOR3& out) override;
  // The offset is not used: a loop has no band.
  bool PointAt(float length, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction) override;

 private:
  const ZVI_LoopZerroLine* loop_;
};
