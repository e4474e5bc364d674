#pragma once
// Interpolating cubic splines (double precision) and cubic Bezier sampling,
// shared by the control-point paths, the smart curves and the camera path.
#include <cstdint>
#include <vector>

#include "platform/d3dx9/d3dx9_math.h"

// One interpolating cubic spline of a single value over increasing knots.
class CubicSpline {
 public:
  // Node j (j >= 1) covers (x_(j-1), x_j], expanded about x_j:
  // S(x) = a + b*dx + c/2*dx^2 + d/6*dx^3 with dx = x - x_j.
  struct Node {
    double a = 0, b = 0, c = 0, d = 0, x = 0;
  };

  // Replaces the nodes. Fewer than three knots cannot carry the sweep; such a
  // spline is built as straight pieces (two knots) or a constant (one knot).
  void Build(const double* knots, const double* values, uint32_t n);
  // Quiet NaN when no nodes are built; both ends extrapolate their end cubics.
  double Evaluate(double x) const;

  const std::vector<Node>& nodes() const { return nodes_; }

 private:
  std::vector<Node> nodes_;
};

// A plane curve through points, parameterised by point index.
class CubicSpline2D {
 public:
  void AddPoint(float x, float y);
  void Build();
  D3DXVECTOR3 PointAtFraction(float f) const;
  // Appends (x(t), y(t), 0) for t = t_first, t_first + step, ... while t <= t_last,
  // with step = (t_last - t_first) / 100 accumulated in double precision.
  void Sample(std::vector<D3DXVECTOR3>& out) const;

  size_t size() const { return knots_.size(); }
  const CubicSpline& x_spline() const { return xs_; }
  const CubicSpline& y_spline() const { return ys_; }

 private:
  CubicSpline xs_, ys_;
  std::vector<double> x_, y_, knots_;
};

// Samples one cubic Bezier segment into n + 1 positions and derivatives; the
// first is skipped when the positions already end exactly at p0, so chained
// segments share their joint. n <= 0 adds at most the joint point.
void SampleCubicBezier(std::vector<D3DXVECTOR3>& positions, std::vector<D3DXVECTOR3>& derivatives,
                       const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2,
                       const D3DXVECTOR3& p3, int32_t n);
