#include "geometry/onion_offset.h"

#include <algorithm>
#include <cmath>

namespace {

// Rings past this many are not recorded: each ring follows a collision, and a
// run of degenerate collisions must not keep the loop alive forever.
constexpr size_t kMaxRings = 4096;

OffsetPoint Normalised(OffsetPoint v) { return skeleton::Normalised(v); }

ZVI_SkeletonEdge RingVertex(OffsetPoint p, OffsetPoint n, OffsetPoint b, OffsetPoint f) {
  return ZVI_SkeletonEdge(p, n, b, f);
}

void AddRingJoin(std::vector<ZVI_SkeletonEdge>& front, OffsetPoint p, OffsetPoint b, OffsetPoint f,
                 OffsetPoint m1, OffsetPoint m2, int depth) {
  if (depth > 16 || !(m1.x * m2.x + m1.y * m2.y < 0.707f)) return;
  const OffsetPoint m = Normalised({m1.x + m2.x, m1.y + m2.y});
  if (m.x == 0.0f && m.y == 0.0f) return;
  AddRingJoin(front, p, b, f, m1, m, depth + 1);
  front.push_back(RingVertex(p, m, b, f));
  AddRingJoin(front, p, b, f, m, m2, depth + 1);
}

// Extent of a vertex's path along one axis: a ray along its normal.
void PathExtent(float pos, float normal, float speed, float& lo, float& hi) {
  if (normal == 0.0f) {
    lo = hi = pos;
    return;
  }
  const float end = pos + normal * (FLT_MAX * speed);
  lo = std::min(pos, end);
  hi = std::max(pos, end);
}

bool RingPointAt(const OnionRing& ring, float L, D3DXVECTOR3& position, D3DXVECTOR3& direction) {
  if (ring.samples.empty()) return false;
  auto it = std::lower_bound(ring.samples.begin(), ring.samples.end(), L,
                             [](const OnionSample& s, float v) { return s.cumulative < v; });
  const OnionSample& s = it == ring.samples.end() ? ring.samples.back() : *it;
  const float along = L - (s.cumulative - s.length);
  position = D3DXVECTOR3(s.x + s.dx * along, s.y + s.dy * along, 0.0f);
  direction = D3DXVECTOR3(-s.dy, s.dx, 0.0f);
  return true;
}

bool NextRingPoint(const std::vector<OnionRing>* rings, bool first, uint32_t& cursor, D3DXVECTOR3& out) {
  if (!rings || rings->empty()) return false;
  const OnionRing& ring = first ? rings->front() : rings->back();
  const size_t n = ring.samples.size();
  if (cursor < n) {
    out = D3DXVECTOR3(ring.samples[cursor].x, ring.samples[cursor].y, 0.0f);
  } else if (cursor == n && n > 0) {
    const OnionSample& s = ring.samples.back();
    out = D3DXVECTOR3(s.x + s.dx * s.length, s.y + s.dy * s.length, 0.0f);
  } else {
    return false;
  }
  ++cursor;
  return true;
}

}  // namespace

bool ZVI_OnionOffseter::AddRingPoint(OnionRing& ring, OffsetPoint from, OffsetPoint to, bool last) {
  const float dx = to.x - from.x, dy = to.y - from.y;
  const float L = std::sqrt(dx * dx + dy * dy);
  if (L < 1.0f) return false;
  OnionSample s;
  s.x = from.x;
  s.y = from.y;
  s.dx = dx / L;
  s.dy = dy / L;
  s.length = L;
  if (ring.samples.empty()) {
    s.cumulative = L;
    s.turn = 0.0f;
    ring.samples.push_back(s);
    return true;
  }
  const OnionSample& prev = ring.samples.back();
  s.turn = prev.dx * s.dy - prev.dy * s.dx;
  s.cumulative = prev.cumulative + L;
  if (last || s.turn <= -1e-6f || s.turn >= 1e-6f) {
    ring.samples.push_back(s);
    return true;
  }
  return false;
}

std::vector<ZVI_SkeletonEdge> ZVI_OnionOffseter::BuildRingWavefront(const OnionRing& ring) {
  std::vector<ZVI_SkeletonEdge> front;
  const auto& ss = ring.samples;
  if (ss.empty()) return front;
  front.reserve(ss.size() * 2 + 2);
  front.push_back(RingVertex({ss[0].x, ss[0].y}, {ss[0].dy, -ss[0].dx}, {0, 0}, {ss[0].dx, ss[0].dy}));
  for (size_t i = 1; i < ss.size(); ++i) {
    const OnionSample& s = ss[i];
    const OnionSample& prev = ss[i - 1];
    const OffsetPoint p{s.x, s.y};
    const OffsetPoint b{-prev.dx, -prev.dy}, f{s.dx, s.dy};
    if (s.turn <= 0.0f || f.x * b.x + f.y * b.y <= -0.99f) {
      const OffsetPoint m = Normalised({b.x + f.x, b.y + f.y});
      ZVI_SkeletonEdge e = RingVertex(p, m, b, f);
      if (s.turn < 0.0f && (m.x != 0.0f || m.y != 0.0f)) {
        e.speed = 1.0f / std::fabs(f.y * m.x - m.y * f.x);
      } else if (m.x == 0.0f && m.y == 0.0f) {
        // No turn at all: the bisector vanishes; the vertex moves like its edge.
        e.normal = {f.y, -f.x};
      } else {
        e.normal = {-m.x, -m.y};
      }
      front.push_back(e);
    } else {
      const OffsetPoint m1{prev.dy, -prev.dx}, m2{s.dy, -s.dx};
      front.push_back(RingVertex(p, m1, b, f));
      AddRingJoin(front, p, b, f, m1, m2, 0);
      front.push_back(RingVertex(p, m2, b, f));
    }
  }
  const OnionSample& l = ss.back();
  front.push_back(RingVertex({l.x + l.dx * l.length, l.y + l.dy * l.length}, {l.dy, -l.dx}, {0, 0}, {l.dx, l.dy}));
  return front;
}

void ZVI_OnionOffseter::FirstCollision(const std::vector<ZVI_SkeletonEdge>& front, float limit, float& t,
                                       int32_t& k) {
  t = limit;
  k = -1;
  for (size_t i = 0; i + 1 < front.size(); ++i) {
    const ZVI_SkeletonEdge& r = front[i];
    const ZVI_SkeletonEdge& s = front[i + 1];
    if (std::fabs(r.position.x - s.position.x) < 1e-6f && std::fabs(r.position.y - s.position.y) < 1e-6f)
      continue;
    float rxl, rxh, ryl, ryh, sxl, sxh, syl, syh;
    PathExtent(r.position.x, r.normal.x, r.speed, rxl, rxh);
    PathExtent(r.position.y, r.normal.y, r.speed, ryl, ryh);
    PathExtent(s.position.x, s.normal.x, s.speed, sxl, sxh);
    PathExtent(s.position.y, s.normal.y, s.speed, syl, syh);
    if (!(rxl < sxh && sxl < rxh && ryl < syh && syl < ryh)) continue;
    const float den = r.normal.x * s.normal.y - s.normal.x * r.normal.y;
    if (den == 0.0f) continue;
    const float dx = s.position.x - r.position.x, dy = s.position.y - r.position.y;
    const float c = (dx * s.normal.y - dy * s.normal.x) / den;
    if (c < 0.0f || (dx * r.normal.y - dy * r.normal.x) / den < 0.0f) continue;
    const float when = c / r.speed;
    if (when < t) {
      t = when;
      k = static_cast<int32_t>(i);
    }
  }
}

bool ZVI_OnionOffseter::NextRing(OnionRing& ring) {
  if (ring.remaining <= 0.0f || ring.samples.empty()) return false;
  const std::vector<ZVI_SkeletonEdge> front = BuildRingWavefront(ring);
  float t;
  int32_t k;
  FirstCollision(front, ring.remaining, t, k);
  const size_t before = ring.samples.size();
  std::vector<OffsetPoint> moved(front.size());
  for (size_t j = 0; j < front.size(); ++j) {
    const ZVI_SkeletonEdge& e = front[j];
    moved[j] = {e.position.x + e.normal.x * e.speed * t, e.position.y + e.normal.y * e.speed * t};
  }
  ring.samples.clear();
  OffsetPoint prev = moved[0];
  for (size_t j = 1; j < moved.size(); ++j) {
    if (k >= 0 && j == static_cast<size_t>(k) + 1) continue;
    if (AddRingPoint(ring, prev, moved[j], false)) prev = moved[j];
  }
  ring.remaining -= t;
  // A collision at no distance that removed no segment changes nothing and
  // would repeat forever.
  if (!(t > 0.0f) && ring.samples.size() >= before) return false;
  return true;
}

void ZVI_OnionOffseter::RunRings(OnionRing& scratch, std::vector<OnionRing>& rings) {
  do {
    rings.push_back(scratch);
  } while (rings.size() < kMaxRings && NextRing(scratch));
}

void ZVI_OnionOffseter::Compute(float distance) {
  right_.clear();
  left_.clear();
  distance_ = distance;
  const size_t n = points_.size();
  OnionRing scratch;
  scratch.remaining = distance;
  size_t start = 0;
  for (size_t i = 1; i < n; ++i)
    if (AddRingPoint(scratch, points_[start], points_[i], i == n - 1)) start = i;
  RunRings(scratch, right_);

  scratch = OnionRing{};
  scratch.remaining = distance;
  if (n > 0) {
    start = n - 1;
    for (size_t i = n - 1; i-- > 0;)
      if (AddRingPoint(scratch, points_[start], points_[i], i == 0)) start = i;
  }
  RunRings(scratch, left_);
}

float ZVI_OnionOffseter::GetLength() {
  if (right_.empty() || right_.front().samples.empty()) return 0.0f;
  return right_.front().samples.back().cumulative;
}

std::unique_ptr<ZVI_StripeTracer> ZVI_OnionOffseter::CreateTracer() {
  return std::make_unique<ZVI_OnionTracer>(&right_, &left_);
}

bool ZVI_OnionTracer::NextCentrePoint(uint32_t& cursor, D3DXVECTOR3& out) {
  return NextRingPoint(right_, true, cursor, out);
}
bool ZVI_OnionTracer::NextRightPoint(uint32_t& cursor, D3DXVECTOR3& out) {
  return NextRingPoint(right_, false, cursor, out);
}
bool ZVI_OnionTracer::NextLeftPoint(uint32_t& cursor, D3DXVECTOR3& out) {
  return NextRingPoint(left_, false, cursor, out);
}

bool ZVI_OnionTracer::PointAt(float s, float b, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  if (!right_ || right_->empty() || right_->front().samples.empty()) return false;
  const float T = right_->front().samples.back().cumulative;
  const std::vector<OnionRing>* rings = right_;
  float x = s, sign = 1.0f;
  if (b < 0.0f) {
    rings = left_;
    x = T - s;
    sign = -1.0f;
    b = -b;
  }
  if (!rings || rings->empty()) return false;
  const float r = rings->front().remaining - b;
  if (r < 0.0f) return false;
  // Rings are stored with decreasing remaining distance.
  auto it = std::lower_bound(rings->begin(), rings->end(), r,
                             [](const OnionRing& ring, float v) { return ring.remaining > v; });
  bool clamp = false;
  if (it == rings->end()) {
    // The band collapsed before reaching this offset: its last ring stands for it.
    --it;
    clamp = true;
  }
  auto ring_length = [](const OnionRing& ring) {
    return ring.samples.empty() ? 0.0f : ring.samples.back().cumulative;
  };
  D3DXVECTOR3 pos, dir;
  const bool have = RingPointAt(*it, ring_length(*it) * x / T, pos, dir);
  if (!clamp && it != rings->begin()) {
    const OnionRing& q = *std::prev(it);
    D3DXVECTOR3 pos2, dir2;
    if (!RingPointAt(q, ring_length(q) * x / T, pos2, dir2)) return false;
    if (!have) {
      // The band has collapsed before this ring: its last ring stands for it.
      pos = pos2;
      dir = dir2;
    } else {
      const float w = (q.remaining - r) / (q.remaining - it->remaining);
      pos = D3DXVECTOR3(pos2.x + (pos.x - pos2.x) * w, pos2.y + (pos.y - pos2.y) * w, pos2.z + (pos.z - pos2.z) * w);
      dir = D3DXVECTOR3((dir2.x + (dir.x - dir2.x) * w) * sign, (dir2.y + (dir.y - dir2.y) * w) * sign,
                        (dir2.z + (dir.z - dir2.z) * w) * sign);
    }
  } else if (!have) {
    return false;
  }
  if (position) *position = pos;
  if (direction) *direction = dir;
  return true;
}

void ZVI_LoopZerroLine::Build(uint32_t count, OffsetPointAccessor point) {
  points_.assign(static_cast<size_t>(count) * 2, 0.0f);
  directions_.assign(static_cast<size_t>(count) * 2, 0.0f);
  lengths_.assign(count, 0.0f);
  cumulative_.assign(static_cast<size_t>(count) + 1, 0.0f);
  for (uint32_t i = 0; i < count; ++i) {
    const D3DXVECTOR3& p = point(i);
    points_[2 * i] = p.x;
    points_[2 * i + 1] = p.y;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t j = (i + 1) % count;
    float dx = points_[2 * j] - points_[2 * i], dy = points_[2 * j + 1] - points_[2 * i + 1];
    const float L = std::sqrt(dx * dx + dy * dy);
    if (L != 0.0f) {
      dx /= L;
      dy /= L;
    }
    directions_[2 * i] = dx;
    directions_[2 * i + 1] = dy;
    lengths_[i] = L;
    cumulative_[i + 1] = cumulative_[i] + L;
  }
}

std::unique_ptr<ZVI_StripeTracer> ZVI_LoopZerroLine::CreateTracer() { return std::make_unique<ZVI_LoopTracer>(this); }

bool ZVI_LoopTracer::NextCentrePoint(uint32_t& cursor, D3DXVECTOR3& out) {
  const uint32_t n = loop_->count();
  if (n == 0 || cursor > n) return false;
  const uint32_t i = cursor % n;
  out.x = loop_->points_[2 * i];
  out.y = loop_->points_[2 * i + 1];
  ++cursor;
  return true;
}

bool ZVI_LoopTracer::PointAt(float s, float, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  if (position) *position = D3DXVECTOR3(0, 0, 0);
  const uint32_t n = loop_->count();
  if (n == 0) return false;
  const auto& cum = loop_->cumulative_;
  const double perimeter = cum.back();
  // A loop of coincident points has no length to wrap around.
  const double L = perimeter > 0.0 ? std::fmod(static_cast<double>(s), perimeter) : 0.0;
  auto it = std::lower_bound(cum.begin(), cum.end(), L, [](float c, double v) { return c < v; });
  if (it == cum.end()) return false;
  const size_t idx = static_cast<size_t>(it - cum.begin());
  const uint32_t k = idx == 0 ? 0 : static_cast<uint32_t>(std::min<size_t>(idx - 1, n - 1));
  const float t = static_cast<float>(L - cum[k]);
  const float dx = loop_->directions_[2 * k], dy = loop_->directions_[2 * k + 1];
  if (position) *position = D3DXVECTOR3(loop_->points_[2 * k] + dx * t, loop_->points_[2 * k + 1] + dy * t, 0.0f);
  if (direction) *direction = D3DXVECTOR3(dy, -dx, 0.0f);
  return true;
}
