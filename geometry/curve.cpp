#include "geometry/curve.h"

#include <cmath>

namespace {

D3DXVECTOR3 Lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float u) {
  return D3DXVECTOR3(a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u, a.z + (b.z - a.z) * u);
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

}  // namespace

void FinishSampleLengths(std::vector<PathSample>& samples) {
  float total = 0.0f;
  for (size_t k = 1; k < samples.size(); ++k) {
    const D3DXVECTOR3 d = samples[k].position - samples[k - 1].position;
    const float L = D3DXVec3Length(&d);
    samples[k - 1].length = L;
    total += L;
    samples[k - 1].cumulative = total;
  }
}

std::vector<PathSample> SamplesFromBezier(const std::vector<D3DXVECTOR3>& positions,
                                          const std::vector<D3DXVECTOR3>& derivatives) {
  std::vector<PathSample> out(positions.size());
  for (size_t k = 0; k < positions.size(); ++k) {
    out[k].position = positions[k];
    if (k < derivatives.size()) D3DXVec3Normalize(&out[k].tangent, &derivatives[k]);
  }
  FinishSampleLengths(out);
  return out;
}

bool PathCursor::Seek(float s, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  if (position) *position = D3DXVECTOR3(0, 0, 0);
  if (direction) *direction = D3DXVECTOR3(1, 0, 0);
  if (s < 0.0f || !samples) return false;
  const std::vector<PathSample>& v = *samples;
  const int32_t n = static_cast<int32_t>(v.size());
  if (n == 1) {
    if (position) *position = v[0].position;
    if (direction) *direction = v[0].tangent;
    return true;
  }
  if (n == 0) return false;
  if (s > v[n - 2].cumulative) {
    segment = n - 2;
    distance = v[n - 2].length;
    AdvanceOffset(0.0f, offset, position, direction);
    return false;
  }
  int32_t lo = 0, hi = n - 1;
  while (hi - lo > 1) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (s > v[mid].cumulative)
      lo = mid;
    else if (s < v[mid].cumulative - v[mid].length)
      hi = mid;
    else
      break;
  }
  segment = lo;
  distance = 0.0f;
  return AdvanceOffset(s - (v[lo].cumulative - v[lo].length), offset, position, direction);
}

bool PathCursor::Advance(float d, D3DXVECTOR3* position, D3DXVECTOR3* tangent) {
  if (!samples || samples->size() < 2) return false;
  const std::vector<PathSample>& v = *samples;
  const int32_t n = static_cast<int32_t>(v.size());
  if (segment < 0) segment = 0;
  while (segment < n - 1) {
    distance += d;
    d = 0.0f;
    const PathSample& a = v[segment];
    if (distance <= a.length) {
      // A zero-length segment reached with nothing left stands at its start.
      const float u = a.length > 0.0f ? distance / a.length : 0.0f;
      if (position) *position = Lerp(a.position, v[segment + 1].position, u);
      // Interpolated, not normalised: callers that want a unit direction
      // normalise it themselves.
      if (tangent) *tangent = Lerp(a.tangent, v[segment + 1].tangent, u);
      return true;
    }
    distance -= a.length;
    ++segment;
  }
  segment = n - 2;
  distance = v[n - 2].length;
  if (position) *position = v[n - 1].position;
  if (tangent) *tangent = v[n - 1].tangent;
  return false;
}

bool PathCursor::AdvanceOffset(float d, float b, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  if (!samples || samples->size() < 2) return false;
  const std::vector<PathSample>& v = *samples;
  const int32_t n = static_cast<int32_t>(v.size());
  if (segment < 0) segment = 0;
  auto write = [&](int32_t i, float along) {
    const PathSample& s0 = v[i];
    const PathSample& s1 = v[i + 1];
    const float x0 = s0.position.x + b * s0.tangent.y, y0 = s0.position.y - b * s0.tangent.x;
    const float x1 = s1.position.x + b * s1.tangent.y, y1 = s1.position.y - b * s1.tangent.x;
    const float f = s0.length > 0.0f ? along / s0.length : 0.0f;
    if (position) *position = D3DXVECTOR3(x0 + (x1 - x0) * f, y0 + (y1 - y0) * f, 0.0f);
    if (direction) *direction = D3DXVECTOR3(x1 - x0, y1 - y0, 0.0f);
  };
  while (segment < n - 1) {
    distance += d;
    d = 0.0f;
    if (distance <= v[segment].length) {
      write(segment, distance);
      return true;
    }
    distance -= v[segment].length;
    ++segment;
  }
  segment = n - 2;
  distance = v[n - 2].length;
  write(segment, distance);
  return false;
}

bool ZVI_Curve::NearestPoint(const D3DXVECTOR3& p, D3DXVECTOR3* nearest, D3DXVECTOR3* direction) {
  const size_t n = samples.size();
  if (n < 2) return false;
  size_t best = 0;
  float best_d2 = 0.0f;
  D3DXVECTOR3 best_point;
  for (size_t i = 0; i + 1 < n; ++i) {
    const D3DXVECTOR3& A = samples[i].position;
    const D3DXVECTOR3& B = samples[i + 1].position;
    const float L = samples[i].length;
    D3DXVECTOR3 c = A;
    if (L != 0.0f) {
      const D3DXVECTOR3 ab = B - A, ap = p - A;
      const float t = D3DXVec3Dot(&ap, &ab) / (L * L);
      if (t < 0.0f)
        c = A;
      else if (t > 1.0f)
        c = B;
      else
        c = A + ab * t;
    }
    const D3DXVECTOR3 diff = p - c;
    const float d2 = D3DXVec3LengthSq(&diff);
    if (i == 0 || d2 < best_d2) {
      best = i;
      best_d2 = d2;
      best_point = c;
    }
  }
  if (nearest) *nearest = best_point;
  if (direction) {
    const float L = samples[best].length;
    const D3DXVECTOR3 ab = samples[best + 1].position - samples[best].position;
    *direction = L != 0.0f ? ab / L : D3DXVECTOR3(0, 0, 0);
  }
  return true;
}

float ZVI_Curve::GetLength() { return samples.size() < 2 ? 0.0f : samples[samples.size() - 2].cumulative; }

bool ZVI_Curve::PointAtLength(float s, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  PathCursor cursor(&samples);
  return cursor.Seek(s, offset, position, direction);
}

bool ZVI_Curve::DirectionAtLength(float s, D3DXVECTOR3* direction) {
  const int32_t n = static_cast<int32_t>(samples.size());
  if (s < 0.0f || n < 2) return false;
  int32_t lo = 0, hi = n - 1;
  while (hi - lo > 1) {
    const int32_t mid = lo + (hi - lo) / 2;
    const float c = samples[mid].cumulative, L = samples[mid].length;
    if (s > c) {
      lo = mid;
    } else if (c - L > s) {
      hi = mid;
    } else {
      hi = mid + 1;
      if (hi == n) return false;
      lo = mid;
      break;
    }
  }
  if (direction) *direction = Normalised(samples[hi].position - samples[lo].position);
  return true;
}

void ZVI_Curve::Resample() { samples = Sample(resolution); }

std::vector<PathSample> ZVI_Curve::Sample(int32_t) { return {}; }

void ZVI_Curve::ForEachSegment(const SegmentVisitor& visitor) {
  for (size_t i = 1; i < samples.size(); ++i) visitor(samples[i - 1].position, samples[i].position);
}

void ZVI_Curve::ForEachLengthSpan(const LengthSpanVisitor& visitor) {
  for (size_t i = 0; i + 1 < samples.size(); ++i)
    visitor(i == 0 ? 0.0f : samples[i - 1].cumulative, samples[i].cumulative);
}
