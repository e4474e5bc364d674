#include "geometry/cubic_spline.h"

#include <limits>

void CubicSpline::Build(const double* x, const double* y, uint32_t n) {
  nodes_.assign(n, Node{});
  for (uint32_t i = 0; i < n; ++i) {
    nodes_[i].a = y[i];
    nodes_[i].x = x[i];
  }
  if (n < 2) return;
  if (n == 2) {
    // A straight piece: the sweep needs an inner knot.
    const double h = x[1] - x[0];
    nodes_[1].b = h != 0 ? (y[1] - y[0]) / h : 0.0;
    return;
  }
  std::vector<double> alpha(n - 1, 0.0), beta(n - 1, 0.0);
  double F = 0, p = 0, m = 0;
  for (uint32_t i = 1; i + 1 < n; ++i) {
    p = x[i] - x[i - 1];
    const double q = x[i + 1] - x[i];
    m = 2.0 * (p + q);
    F = 6.0 * ((y[i + 1] - y[i]) / q - (y[i] - y[i - 1]) / p);
    const double z = p * alpha[i - 1] + m;
    alpha[i] = -q / z;
    beta[i] = (F - p * beta[i - 1]) / z;
  }
  // The last node reuses F, p and m of the last sweep pass: the end keeps the
  // curvature of its neighbour rather than being forced to zero.
  nodes_[n - 1].c = (F - p * beta[n - 2]) / (m + p * alpha[n - 2]);
  for (uint32_t i = n - 2; i >= 1; --i) nodes_[i].c = alpha[i] * nodes_[i + 1].c + beta[i];
  for (uint32_t i = n - 1; i >= 1; --i) {
    const double h = x[i] - x[i - 1];
    nodes_[i].d = (nodes_[i].c - nodes_[i - 1].c) / h;
    nodes_[i].b = h * (2.0 * nodes_[i].c + nodes_[i - 1].c) / 6.0 + (y[i] - y[i - 1]) / h;
  }
}

double CubicSpline::Evaluate(double x) const {
  const uint32_t n = static_cast<uint32_t>(nodes_.size());
  if (n == 0) return std::numeric_limits<double>::quiet_NaN();
  if (n == 1) return nodes_[0].a;
  const Node* node;
  if (x <= nodes_[0].x) {
    node = &nodes_[1];
  } else if (x >= nodes_[n - 1].x) {
    node = &nodes_[n - 1];
  } else {
    uint32_t lo = 0, hi = n - 1;
    while (lo + 1 < hi) {
      const uint32_t mid = lo + (hi - lo) / 2;
      if (x <= nodes_[mid].x)
        hi = mid;
      else
        lo = mid;
    }
    node = &nodes_[hi];
  }
  const double dx = x - node->x;
  return ((node->d * dx / 6.0 + node->c * 0.5) * dx + node->b) * dx + node->a;
}

void CubicSpline2D::AddPoint(float x, float y) {
  x_.push_back(x);
  y_.push_back(y);
  knots_.push_back(static_cast<double>(knots_.size()));
}

void CubicSpline2D::Build() {
  const uint32_t n = static_cast<uint32_t>(knots_.size());
  xs_.Build(knots_.data(), x_.data(), n);
  ys_.Build(knots_.data(), y_.data(), n);
}

D3DXVECTOR3 CubicSpline2D::PointAtFraction(float f) const {
  if (knots_.empty()) return D3DXVECTOR3(0, 0, 0);
  const float first = static_cast<float>(knots_.front());
  const float last = static_cast<float>(knots_.back());
  const double t = static_cast<double>((last - first) * f + first);
  return D3DXVECTOR3(static_cast<float>(xs_.Evaluate(t)), static_cast<float>(ys_.Evaluate(t)), 0.0f);
}

void CubicSpline2D::Sample(std::vector<D3DXVECTOR3>& out) const {
  if (knots_.empty()) return;
  const double first = knots_.front(), last = knots_.back();
  const double step = (last - first) / 100.0;
  if (step <= 0) {
    // A single knot: one point; never loop on a zero step.
    if (first <= last)
      out.emplace_back(static_cast<float>(xs_.Evaluate(first)), static_cast<float>(ys_.Evaluate(first)), 0.0f);
    return;
  }
  for (double t = first; t <= last; t += step)
    out.emplace_back(static_cast<float>(xs_.Evaluate(t)), static_cast<float>(ys_.Evaluate(t)), 0.0f);
}

void SampleCubicBezier(std::vector<D3DXVECTOR3>& positions, std::vector<D3DXVECTOR3>& derivatives,
                       const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2,
                       const D3DXVECTOR3& p3, int32_t n) {
  const bool skip = !positions.empty() && positions.back().x == p0.x && positions.back().y == p0.y &&
                    positions.back().z == p0.z;
  const int32_t first = skip ? 1 : 0;
  if (n < first || n < 0) return;
  const float step = n > 0 ? 1.0f / static_cast<float>(n) : 0.0f;
  for (int32_t i = first; i <= n; ++i) {
    const float r = static_cast<float>(i) * step;
    const float u = 1.0f - r;
    const float b0 = u * u * u, b1 = 3.0f * r * u * u, b2 = 3.0f * r * r * u, b3 = r * r * r;
    positions.emplace_back(p0.x * b0 + p1.x * b1 + p2.x * b2 + p3.x * b3,
                           p0.y * b0 + p1.y * b1 + p2.y * b2 + p3.y * b3,
                           p0.z * b0 + p1.z * b1 + p2.z * b2 + p3.z * b3);
    const float d0 = 3.0f * u * u, d1 = 6.0f * u * r, d2 = 3.0f * r * r;
    derivatives.emplace_back(d0 * (p1.x - p0.x) + d1 * (p2.x - p1.x) + d2 * (p3.x - p2.x),
                             d0 * (p1.y - p0.y) + d1 * (p2.y - p1.y) + d2 * (p3.y - p2.y),
                             d0 * (p1.z - p0.z) + d1 * (p2.z - p1.z) + d2 * (p3.z - p2.z));
  }
}
