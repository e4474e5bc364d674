#include "geometry/smart_curves.h"

#include "geometry/cubic_spline.h"

template <class P>
std::vector<PathSample> ZVI_SmartCurve<P>::PolylineSamples() const {
  const auto& pts = points.value;
  std::vector<PathSample> out(pts.size());
  float total = 0.0f;
  for (size_t i = 0; i < pts.size(); ++i) {
    out[i].position = pts[i]->value;
    if (i == 0) continue;
    const D3DXVECTOR3 d = out[i].position - out[i - 1].position;
    const float L = D3DXVec3Length(&d);
    total += L;
    out[i - 1].length = L;
    out[i - 1].cumulative = total;
    // Coincident neighbours have no direction: their tangent stays zero.
    out[i - 1].tangent = L > 0.0f ? d / L : D3DXVECTOR3(0, 0, 0);
  }
  for (size_t i = out.size(); i-- > 1;) {
    const D3DXVECTOR3 sum = out[i].tangent + out[i - 1].tangent;
    D3DXVec3Normalize(&out[i].tangent, &sum);
  }
  return out;
}

template <class P>
std::vector<PathSample> ZVI_SmartCurve<P>::BSplineSamples(int32_t r) const {
  const auto& pts = points.value;
  std::vector<PathSample> out;
  if (pts.empty()) return out;
  if (pts.size() == 1) {
    PathSample s;
    s.position = pts[0]->value;
    s.tangent = D3DXVECTOR3(1, 0, 0);
    out.push_back(s);
    return out;
  }
  std::vector<D3DXVECTOR3> pos, der;
  for (size_t i = 1; i < pts.size(); ++i) {
    const P& a = *pts[i - 1];
    const P& b = *pts[i];
    SampleCubicBezier(pos, der, a.value, a.value + a.outTangent.value, b.value + b.inTangent.value, b.value, r);
  }
  return SamplesFromBezier(pos, der);
}

template class ZVI_SmartCurve<ZVI_CornerBSplinePnt>;
template class ZVI_SmartCurve<DX_BSplinePnt>;

std::vector<PathSample> ZVI_SmartCubicSpline::Sample(int32_t r) {
  const int32_t n = GetPointCount();
  if (n < 3) return PolylineSamples();
  CubicSpline2D spline;
  for (const auto& p : points.value) spline.AddPoint(p->value.x, p->value.y);
  spline.Build();
  const int32_t N = n * (r > 0 ? r : 1);
  std::vector<PathSample> out(static_cast<size_t>(N) + 1);
  for (int32_t i = 0; i <= N; ++i)
    out[i].position = spline.PointAtFraction(static_cast<float>(i) / static_cast<float>(N));
  FinishSampleLengths(out);
  return out;
}

namespace {

// Builds a maker from the positions of a point list; an onion maker is
// computed again at the distance its owner last asked for.
template <class Pts>
void RebuildMaker(ZVI_CurveOffsetMaker* maker, const Pts& pts) {
  if (!maker) return;
  maker->Build(static_cast<uint32_t>(pts.size()), [&](uint32_t i) -> const D3DXVECTOR3& {
    if (i >= pts.size()) smart_curve_detail::OutOfRange();
    return pts[i]->value;
  });
  if (auto* onion = dynamic_cast<ZVI_OnionOffseter*>(maker)) onion->Compute(onion->last_distance());
}

}  // namespace

std::vector<PathSample> ZVI_SmartPolyLoop::Sample(int32_t) {
  RebuildMaker(maker_.get(), points.value);
  return samples;
}

void ZVI_SmartPolyLoop::ForEachSegment(const SegmentVisitor& visitor) {
  std::unique_ptr<ZVI_StripeTracer> tracer = maker_ ? maker_->CreateTracer() : nullptr;
  if (!tracer) return;
  uint32_t cursor = 0;
  D3DXVECTOR3 prev, p;
  if (!tracer->NextCentrePoint(cursor, prev)) return;
  while (tracer->NextCentrePoint(cursor, p)) {
    visitor(prev, p);
    prev = p;
  }
}

std::vector<PathSample> ZVI_SmartOffsetPolyline::Sample(int32_t) {
  RebuildMaker(maker_.get(), points.value);
  return samples;
}

void ZVI_SmartOffsetPolyline::ForEachSegment(const SegmentVisitor& visitor) {
  for (size_t i = 1; i < points.value.size(); ++i) visitor(points.value[i - 1]->value, points.value[i]->value);
}

std::vector<PathSample> ZVI_SmartOffsetBSpline::Sample(int32_t r) {
  const std::vector<PathSample> fine = BSplineSamples(r);
  if (maker_) {
    maker_->Build(static_cast<uint32_t>(fine.size()), [&](uint32_t i) -> const D3DXVECTOR3& {
      if (i >= fine.size()) smart_curve_detail::OutOfRange();
      return fine[i].position;
    });
    if (auto* onion = dynamic_cast<ZVI_OnionOffseter*>(maker_.get())) onion->Compute(onion->last_distance());
  }
  return samples;
}
