#include "geometry/skeleton_offset.h"

#include <cmath>
#include <list>

#include "geometry/onion_offset.h"
#include "geometry/stripe_mesh.h"

namespace {

OffsetPoint Sub(OffsetPoint a, OffsetPoint b) { return {a.x - b.x, a.y - b.y}; }
OffsetPoint Add(OffsetPoint a, OffsetPoint b) { return {a.x + b.x, a.y + b.y}; }
OffsetPoint Neg(OffsetPoint a) { return {-a.x, -a.y}; }
bool IsZero(OffsetPoint a) { return a.x == 0.0f && a.y == 0.0f; }
bool SamePlace(OffsetPoint a, OffsetPoint b) {
  return std::fabs(a.x - b.x) <= 1e-6f && std::fabs(a.y - b.y) <= 1e-6f;
}

// Speed that keeps a vertex moving along n at unit distance per unit offset
// from the edge line with direction d. A vertex running parallel to its edge
// (two parallel edges meeting head on) would need an infinite speed; it moves
// at unit speed instead so that traced points stay finite.
float BisectorSpeed(OffsetPoint n, OffsetPoint d) {
  const float sine = std::fabs(n.x * d.y - n.y * d.x);
  return sine > 0.0f ? 1.0f / sine : 1.0f;
}

}  // namespace

namespace skeleton {

OffsetPoint Normalised(OffsetPoint v) {
  const float len = std::sqrt(v.x * v.x + v.y * v.y);
  if (len == 0.0f) return {0.0f, 0.0f};
  return {v.x / len, v.y / len};
}

void ComputeCollapse(ZVI_SkeletonEdge& e1, const ZVI_SkeletonEdge& e2) {
  e1.has_collapse = true;
  e1.collapse = {0.0f, 0.0f, FLT_MAX};
  if (SamePlace(e1.position, e2.position)) return;
  const OffsetPoint m1 = e1.normal, m2 = e2.normal;
  const float den = m1.x * m2.y - m1.y * m2.x;
  if (den == 0.0f) return;
  const OffsetPoint d = Sub(e2.position, e1.position);
  const float s1 = (m2.y * d.x - m2.x * d.y) / den;
  const float s2 = (m1.y * d.x - m1.x * d.y) / den;
  if (s1 < 0.0f || s2 < 0.0f) return;
  const OffsetPoint p{e1.position.x + m1.x * s1, e1.position.y + m1.y * s1};
  const OffsetPoint o = e1.next_origin, f = e1.next_dir;
  e1.collapse = {p.x, p.y, std::fabs(f.y * (p.x - o.x) - f.x * (p.y - o.y))};
}

SkeletonEdgePtr MergeVertices(ZVI_SkeletonEdge& e1, ZVI_SkeletonEdge& e2) {
  auto v = std::make_shared<ZVI_SkeletonEdge>(OffsetPoint{e1.collapse.x, e1.collapse.y});
  v->prev_origin = e1.prev_origin;
  v->prev_dir = e1.prev_dir;
  v->prev_limit = e1.prev_limit;
  v->next_origin = e2.next_origin;
  v->next_dir = e2.next_dir;
  v->next_limit = e2.next_limit;
  v->inner = true;
  e1.end_time = e1.collapse.t;
  e2.end_time = e1.collapse.t;
  const OffsetPoint d1 = v->prev_dir, d2 = v->next_dir;
  if (e1.inner && e2.inner) {
    if (IsZero(d1) || IsZero(d2)) {
      v->normal = e1.normal;
      v->speed = e1.speed;
    } else {
      v->normal = Normalised(Add(d1, d2));
      v->speed = BisectorSpeed(v->normal, d2);
    }
    return v;
  }
  if (IsZero(d1) || IsZero(d2)) {
    v->normal = e1.inner ? e1.normal : e2.normal;
    return v;
  }
  const OffsetPoint p = v->position, o1 = v->prev_origin;
  const float s = (p.y - o1.y) * d1.x - (p.x - o1.x) * d1.y;
  float c = d1.y * d2.x - d1.x * d2.y;
  if (s < 0.0f) c = -c;
  if (c < -1e-6f) {
    v->normal = Normalised(Add(d1, d2));
    v->speed = BisectorSpeed(v->normal, d2);
  } else if (e2.inner) {
    v->normal = s >= 0.0f ? OffsetPoint{d2.y, -d2.x} : OffsetPoint{-d2.y, d2.x};
  } else {
    v->normal = s >= 0.0f ? OffsetPoint{-d1.y, d1.x} : OffsetPoint{d1.y, -d1.x};
  }
  return v;
}

void Propagate(const std::vector<SkeletonEdgePtr>& side, float max_distance) {
  std::list<SkeletonEdgePtr> front(side.begin(), side.end());
  for (size_t round = 0; round < side.size(); ++round) {
    float best = FLT_MAX;
    auto best_it = front.end();
    for (auto it = front.begin(); it != front.end(); ++it) {
      auto next = std::next(it);
      if (next == front.end()) break;
      if (!(*it)->has_collapse) ComputeCollapse(**it, **next);
      const float t = (*it)->collapse.t;
      if (t > 0.0f && t < best) {
        best = t;
        best_it = it;
      }
    }
    if (best_it == front.end() || max_distance <= best) return;
    auto next_it = std::next(best_it);
    SkeletonEdgePtr e = *best_it, n = *next_it;
    SkeletonEdgePtr v = MergeVertices(*e, *n);
    n->successor = v;
    e->successor = v;
    if (best_it != front.begin()) {
      const OffsetPoint at = e->position;
      for (auto it = best_it; it != front.begin(); --it) {
        ZVI_SkeletonEdge& w = **it;
        if (!SamePlace(w.position, at)) break;
        w.next_origin = v->prev_origin;
        w.next_dir = Neg(v->prev_dir);
        w.next_limit = v->prev_limit;
      }
    }
    *best_it = v;
    if (best_it != front.begin()) (*std::prev(best_it))->has_collapse = false;
    auto after = front.erase(next_it);
    if (after != front.end()) (*after)->has_collapse = false;
  }
}

}  // namespace skeleton

ZVI_CurveOffsetMaker::~ZVI_CurveOffsetMaker() = default;
std::unique_ptr<ZVI_StripeMeshBuilder> ZVI_CurveOffsetMaker::CreateMeshBuilder(ZVI_BandIndexHolder*,
                                                                               ZVI_BandVertexHolder*) {
  return nullptr;
}
std::unique_ptr<ZVI_StripeTracer> ZVI_CurveOffsetMaker::CreateTracer() { return nullptr; }

void ZVI_PointCurveOffseter::Build(uint32_t count, OffsetPointAccessor point) {
  points_.resize(count);
  for (uint32_t i = 0; i < count; ++i) {
    const D3DXVECTOR3& p = point(i);
    points_[i] = {p.x, p.y};
  }
}

uint32_t ZVI_StraightSkeletonOffset::Append(int32_t side, SkeletonEdgePtr e) {
  auto& v = side ? left_ : right_;
  v.push_back(std::move(e));
  return static_cast<uint32_t>(v.size() - 1);
}

void ZVI_StraightSkeletonOffset::Compute(float max_distance) {
  left_.clear();
  right_.clear();
  left_starts_.clear();
  right_starts_.clear();
  const uint32_t n = static_cast<uint32_t>(points_.size());
  if (n < 2) return;
  left_.reserve(n);
  right_.reserve(n);
  left_starts_.assign(n, {});
  right_starts_.assign(n, {});
  OffsetPoint b{0.0f, 0.0f};
  for (uint32_t i = 0; i + 1 < n; ++i) {
    const OffsetPoint f = skeleton::Normalised(Sub(points_[i + 1], points_[i]));
    AddVertex(i, b, f);
    b = Neg(f);
  }
  AddVertex(n - 1, b, {0.0f, 0.0f});
  skeleton::Propagate(left_, max_distance);
  skeleton::Propagate(right_, max_distance);
}

void ZVI_StraightSkeletonOffset::AddVertex(uint32_t i, OffsetPoint b, OffsetPoint f) {
  const OffsetPoint p = points_[i];
  const float c = b.y * f.x - b.x * f.y;
  if (c > 1e-6f || c < -1e-6f) {
    // The inner side gets one bisector vertex, the outer side a round fan.
    const int32_t inner = c > 1e-6f ? 1 : 0;
    const int32_t outer = 1 - inner;
    AddInnerVertex(inner, p, b, f);
    const OffsetPoint m1 = inner ? OffsetPoint{-b.y, b.x} : OffsetPoint{b.y, -b.x};
    const OffsetPoint m2 = inner ? OffsetPoint{f.y, -f.x} : OffsetPoint{-f.y, f.x};
    auto& starts = outer ? left_starts_ : right_starts_;
    starts[i].push_back(Append(outer, std::make_shared<ZVI_SkeletonEdge>(p, m1, b, f)));
    AddRoundJoin(outer, i, p, b, f, m1, m2, 0);
    Append(outer, std::make_shared<ZVI_SkeletonEdge>(p, m2, b, f));
  } else {
    auto right = std::make_shared<ZVI_SkeletonEdge>(p, OffsetPoint{}, b, f);
    auto left = std::make_shared<ZVI_SkeletonEdge>(p, OffsetPoint{}, b, f);
    if (IsZero(b)) {
      right->normal = {f.y, -f.x};
      left->normal = {-f.y, f.x};
    } else {
      right->normal = {-b.y, b.x};
      left->normal = {b.y, -b.x};
    }
    Append(0, right);
    Append(1, left);
  }
  right_starts_[i].push_back(static_cast<uint32_t>(right_.size() - 1));
  left_starts_[i].push_back(static_cast<uint32_t>(left_.size() - 1));
}

void ZVI_StraightSkeletonOffset::AddInnerVertex(int32_t side, OffsetPoint p, OffsetPoint b, OffsetPoint f) {
  const OffsetPoint m = skeleton::Normalised(Add(b, f));
  auto e = std::make_shared<ZVI_SkeletonEdge>(p, m, b, f);
  e->speed = BisectorSpeed(m, f);
  e->inner = true;
  Append(side, std::move(e));
}

void ZVI_StraightSkeletonOffset::AddRoundJoin(int32_t side, uint32_t i, OffsetPoint p, OffsetPoint b,
                                              OffsetPoint f, OffsetPoint m1, OffsetPoint m2, int depth) {
  // Opposite normals would bisect to nothing; the depth bound keeps a
  // degenerate join from recursing forever.
  if (depth > 16 || !(m1.x * m2.x + m1.y * m2.y < 0.707f)) return;
  const OffsetPoint m = skeleton::Normalised(Add(m1, m2));
  if (IsZero(m)) return;
  AddRoundJoin(side, i, p, b, f, m1, m, depth + 1);
  auto& starts = side ? left_starts_ : right_starts_;
  starts[i].push_back(Append(side, std::make_shared<ZVI_SkeletonEdge>(p, m, b, f)));
  AddRoundJoin(side, i, p, b, f, m, m2, depth + 1);
}

void ZVI_StraightSkeletonOffset::TraceVertex(int32_t side, uint32_t vertex, float distance,
                                             std::vector<D3DXVECTOR3>& out) {
  const auto& starts = side ? left_starts_ : right_starts_;
  const auto& verts = side ? left_ : right_;
  if (vertex >= starts.size()) return;
  for (uint32_t k : starts[vertex]) {
    const ZVI_SkeletonEdge* e = verts[k].get();
    float s = 0.0f;
    while (e->end_time < distance && e->successor) {
      s = e->end_time;
      e = e->successor.get();
    }
    const float d = distance - s;
    out.emplace_back(e->position.x + e->normal.x * d * e->speed, e->position.y + e->normal.y * d * e->speed, 0.0f);
  }
}

std::unique_ptr<ZVI_StripeMeshBuilder> ZVI_StraightSkeletonOffset::CreateMeshBuilder(
    ZVI_BandIndexHolder* indices, ZVI_BandVertexHolder* vertices) {
  return std::make_unique<ZVI_PointStripeMeshBuilder>(this, indices, vertices);
}
