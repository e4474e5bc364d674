#include "geometry/paths.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "geometry/cubic_spline.h"

void ZVI_PathCtrlPoints::Resample() {
  polyline.clear();
  const int32_t n = GetPointCount();
  if (smoothing.value != 0 && n > 2) {
    CubicSpline2D spline;
    for (int32_t i = 0; i < n; ++i) {
      const D3DXVECTOR3& p = GetPoint(i)->value;
      spline.AddPoint(p.x, p.y);
    }
    spline.Build();
    spline.Sample(polyline);
    return;
  }
  for (int32_t i = 0; i < n; ++i) polyline.push_back(GetPoint(i)->value);
}

void ZVI_PathCtrlPoints::ForEachSegment(const SegmentVisitor& visitor) {
  for (size_t i = 0; i + 1 < polyline.size(); ++i) visitor(polyline[i], polyline[i + 1]);
}

void ZVI_PathCtrlPoints::TravelPoint(D3DXVECTOR3* position) {
  const int32_t n = static_cast<int32_t>(polyline.size());
  if (current_index >= n || current_index < 0) {
    travel_distance = 0.0f;
    current_index = 0;
    direction_flag = 1;
    travel_direction = D3DXVECTOR3(0, 0, 0);
  }
  if (n == 0) return;
  // With one point, or with every point in one place, there is no way to
  // travel: the walk stays on its current point.
  double total = 0.0;
  for (int32_t i = 0; i + 1 < n; ++i) {
    const D3DXVECTOR3 d = polyline[i + 1] - polyline[i];
    total += D3DXVec3Length(&d);
  }
  if (n < 2 || !(total > 0.0)) {
    if (position) *position = polyline[current_index];
    return;
  }
  // A full round trip returns to the same state; an oversized step is cut to
  // what is left of whole round trips so that the walk always ends.
  const float round_trip = static_cast<float>(2.0 * total);
  if (travel_distance > round_trip) travel_distance = std::fmod(travel_distance, round_trip);
  for (;;) {
    const D3DXVECTOR3& A = polyline[current_index];
    const int32_t next = direction_flag ? current_index + 1 : current_index - 1;
    const D3DXVECTOR3& B = polyline[next];
    const D3DXVECTOR3 D = B - A;
    const float L = D3DXVec3Length(&D);
    travel_direction = L > 0.0f ? D / L : D3DXVECTOR3(0, 0, 0);
    if (L > travel_distance) {
      if (position) *position = A + travel_direction * travel_distance;
      return;
    }
    current_index = next;
    if (next == 0 || next == n - 1) direction_flag = direction_flag ? 0 : 1;
    travel_distance -= L;
  }
}

DX_SmartPnt* SplinePath::AddPoint(const DX_SmartPnt& point, MediaControl* source) {
  DS_SafePtr<DX_BSplinePnt> p(new DX_BSplinePnt(point));
  if (!points.empty()) {
    DX_BSplinePnt& q = *points.back();
    const D3DXVECTOR3 step = p->value - q.value;
    p->inTangent = step * -0.33f;
    const D3DXVECTOR3 opposite = -q.inTangent.value;
    if (q.outTangent.value != opposite) {
      q.outTangent.value = opposite;
      q.outTangent.Notify(nullptr);
    }
    if (q.outTangent.value == D3DXVECTOR3(0, 0, 0)) {
      q.outTangent.value = -p->inTangent.value;
      q.outTangent.Notify(nullptr);
    }
  }
  points.push_back(p);
  Notify(source);
  return points.back().get();
}

DX_SmartPnt* SplinePath::InsertPoint(int32_t, const DX_SmartPnt&, MediaControl*) {
  return points.empty() ? nullptr : points.back().get();
}

void SplinePath::Resample() { samples = BuildSamples(samples_per_segment, false); }

void SplinePath::ForEachSegment(const SegmentVisitor& visitor) {
  const SegmentVisitor copy = visitor;
  for (size_t i = 1; i < samples.size(); ++i) copy(samples[i - 1].position, samples[i].position);
}

std::vector<PathSample> SplinePath::BuildSamples(int32_t steps, bool reverse) {
  total_length = 0.0f;
  std::vector<PathSample> out;
  const size_t n = points.size();
  if (n == 0) return out;
  if (n == 1) {
    PathSample s;
    s.position = points[0]->value;
    s.tangent = D3DXVECTOR3(1, 0, 0);
    out.push_back(s);
    return out;
  }
  std::vector<D3DXVECTOR3> pos, der;
  auto segment = [&](size_t i, bool backward) {
    const DX_BSplinePnt& a = *points[i - 1];
    const DX_BSplinePnt& b = *points[i];
    const D3DXVECTOR3 p0 = a.value, p1 = a.value + a.outTangent.value, p2 = b.value + b.inTangent.value,
                      p3 = b.value;
    if (backward)
      SampleCubicBezier(pos, der, p3, p2, p1, p0, steps);
    else
      SampleCubicBezier(pos, der, p0, p1, p2, p3, steps);
  };
  if (!reverse) {
    for (size_t i = 1; i < n; ++i) segment(i, false);
  } else {
    for (size_t i = n - 1; i >= 1; --i) segment(i, true);
  }
  out = SamplesFromBezier(pos, der);
  if (out.size() >= 2) total_length = out[out.size() - 2].cumulative;
  return out;
}

void ReadBSplinePntFields(DS_IOF_Archive& ar, DX_BSplinePnt& point) {
  uint32_t version = 0;
  ar.ReadDword(&version);
  ReadSmartPnt(ar, point);
  D3DXVECTOR3 out, in;
  ar.ReadFloat(&out.x);
  ar.ReadFloat(&out.y);
  ar.ReadFloat(&out.z);
  ar.ReadFloat(&in.x);
  ar.ReadFloat(&in.y);
  ar.ReadFloat(&in.z);
  point.outTangent = out;
  point.inTangent = in;
}

void ReadBSplinePnt(DS_IOF_Archive& ar, DS_SafePtr<DX_BSplinePnt>& point) {
  if (!point) point = DS_SafePtr<DX_BSplinePnt>(new DX_BSplinePnt());
  ReadBSplinePntFields(ar, *point);
}

void ReadBSplinePoints(DS_IOF_Archive& ar, std::vector<DS_SafePtr<DX_BSplinePnt>>& points) {
  const uint32_t n = ar.ReadSignedCount(40);
  points.clear();
  points.reserve(n);
  for (uint32_t i = 0; i < n; ++i) {
    DS_SafePtr<DX_BSplinePnt> p;
    ReadBSplinePnt(ar, p);
    points.push_back(std::move(p));
  }
}
