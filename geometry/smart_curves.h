#pragma once
// The editable control-point curves inside the 2D figures: polylines, cubic
// splines, B-splines and closed loops. A stripe also owns an offset maker
// through which length and point queries are answered.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/list_param.h"
#include "core/smart_points.h"
#include "geometry/curve.h"
#include "geometry/onion_offset.h"
#include "geometry/skeleton_offset.h"

namespace smart_curve_detail {
[[noreturn]] inline void OutOfRange() { throw std::out_of_range("invalid vector subscript"); }
void FinishPolyline(std::vector<PathSample>& samples);
}  // namespace smart_curve_detail

template <class P>
class ZVI_SmartCurve : public ZVI_Curve {
 public:
  ZVI_SmartCurve() : ZVI_Curve(20) {}
  ZVI_SmartCurve(const ZVI_SmartCurve& other) : ZVI_Curve(other), points(other.points) {}

  int32_t GetPointCount() const override { return static_cast<int32_t>(points.value.size()); }
  void RemovePoint(int32_t index, MediaControl* source) override {
    Check(index);
    points.value.erase(points.value.begin() + index);
    points.Notify(source);
    Notify(source);
  }
  DX_SmartPnt* GetPoint(int32_t index) override {
    Check(index);
    return points.value[static_cast<size_t>(index)].get();
  }
  P* Point(int32_t index) {
    Check(index);
    return points.value[static_cast<size_t>(index)].get();
  }
  // A plain append: the concrete curves add their tangents (AddCornerPoint).
  DX_SmartPnt* AddPoint(const DX_SmartPnt& point, MediaControl* source) override {
    DS_SafePtr<P> p(new P(point));
    Append(p, source);
    return p.get();
  }
  DX_SmartPnt* InsertPoint(int32_t index, const DX_SmartPnt& point, MediaControl* source) override {
    if (index < 0 || index > GetPointCount()) smart_curve_detail::OutOfRange();
    DS_SafePtr<P> p(new P(point));
    points.value.insert(points.value.begin() + index, p);
    points.selected.SetValue(index, nullptr);
    points.Notify(source);
    Notify(source);
    return p.get();
  }
  // Appends a point made by the caller (readers; copies of nodes).
  void AppendPoint(const DS_SafePtr<P>& p, MediaControl* source) { Append(p, source); }

  ZVI_SmartVectorPtr<P> points;

 protected:
  void Check(int32_t index) const {
    if (index < 0 || index >= GetPointCount()) smart_curve_detail::OutOfRange();
  }
  void Append(const DS_SafePtr<P>& p, MediaControl* source) {
    points.value.push_back(p);
    points.selected.SetValue(static_cast<int32_t>(points.value.size()) - 1, nullptr);
    points.Notify(source);
    Notify(source);
  }
  // The corner rule: the new point arrives with a third of the step as its
  // in-tangent and the previous point leaves with the opposite of its own.
  DX_SmartPnt* AddCornerPoint(const DX_SmartPnt& point, MediaControl* source) {
    DS_SafePtr<P> p(new P(point));
    if (!points.value.empty()) {
      P& prev = *points.value.back();
      p->inTangent = (p->value - prev.value) * -0.33f;
      const D3DXVECTOR3 opposite = -prev.inTangent.value;
      if (prev.outTangent.value != opposite) {
        prev.outTangent.value = opposite;
        prev.outTangent.Notify(nullptr);
      }
      if (prev.outTangent.value == D3DXVECTOR3(0, 0, 0)) prev.outTangent.SetValue(-p->inTangent.value);
    }
    Append(p, source);
    return p.get();
  }
  std::vector<PathSample> PolylineSamples() const;
  std::vector<PathSample> BSplineSamples(int32_t r) const;
};

class ZVI_SmartPolyline : public ZVI_SmartCurve<ZVI_CornerBSplinePnt> {
 public:
  ZVI_SmartPolyline() = default;
  ZVI_SmartPolyline(const ZVI_SmartPolyline&) = default;
  DX_SmartPnt* AddPoint(const DX_SmartPnt& point, MediaControl* source) override {
    return AddCornerPoint(point, source);
  }
  std::vector<PathSample> Sample(int32_t resolution) override { return PolylineSamples(); }
};

class ZVI_SmartCubicSpline : public ZVI_SmartPolyline {
 public:
  ZVI_SmartCubicSpline() = default;
  ZVI_SmartCubicSpline(const ZVI_SmartCubicSpline&) = default;
  std::vector<PathSample> Sample(int32_t resolution) override;
};

class ZVI_SmartBSpline : public ZVI_SmartCurve<DX_BSplinePnt> {
 public:
  ZVI_SmartBSpline() = default;
  ZVI_SmartBSpline(const ZVI_SmartBSpline&) = default;
  DX_SmartPnt* AddPoint(const DX_SmartPnt& point, MediaControl* source) override {
    return AddCornerPoint(point, source);
  }
  std::vector<PathSample> Sample(int32_t resolution) override { return BSplineSamples(resolution); }
};

// A smart curve with an offset maker, shared by its copies.
template <class B>
class ZVI_Stripe : public B {
 public:
  explicit ZVI_Stripe(ZVI_CurveOffsetMaker* maker) : maker_(maker) {}
  ZVI_Stripe(const ZVI_Stripe&) = default;
  ZVI_CurveOffsetMaker* PeekOffsetMaker() override { return maker_.get(); }
  DS_SafePtr<ZVI_CurveOffsetMaker> GetOffsetMaker() override { return maker_; }

 protected:
  DS_SafePtr<ZVI_CurveOffsetMaker> maker_;
};

// Stripes whose length and points come from their maker's tracer.
template <class B>
class ZVI_TracedStripe : public ZVI_Stripe<B> {
 public:
  using ZVI_Stripe<B>::ZVI_Stripe;
  float GetLength() override { return this->maker_ ? this->maker_->GetLength() : 0.0f; }
  bool PointAtLength(float s, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction) override {
    std::unique_ptr<ZVI_StripeTracer> tracer = this->maker_ ? this->maker_->CreateTracer() : nullptr;
    return tracer ? tracer->PointAt(s, offset, position, direction) : false;
  }
};

// A closed polyline through the control points.
class ZVI_SmartPolyLoop : public ZVI_TracedStripe<ZVI_SmartPolyline> {
 public:
  ZVI_SmartPolyLoop() : ZVI_TracedStripe(new ZVI_LoopZerroLine()) {}
  ZVI_SmartPolyLoop(const ZVI_SmartPolyLoop&) = default;
  bool DirectionAtLength(float, D3DXVECTOR3*) override { return false; }
  std::vector<PathSample> Sample(int32_t resolution) override;
  void ForEachSegment(const SegmentVisitor& visitor) override;
};

// An open polyline with an onion band around it.
class ZVI_SmartOffsetPolyline : public ZVI_TracedStripe<ZVI_SmartPolyline> {
 public:
  ZVI_SmartOffsetPolyline() : ZVI_TracedStripe(new ZVI_OnionOffseter()) {}
  ZVI_SmartOffsetPolyline(const ZVI_SmartOffsetPolyline&) = default;
  void Resample() override { Sample(0); }
  std::vector<PathSample> Sample(int32_t resolution) override;
  void ForEachSegment(const SegmentVisitor& visitor) override;
};

// A B-spline, sampled at 100 steps per segment, with an onion band around it.
class ZVI_SmartOffsetBSpline : public ZVI_TracedStripe<ZVI_SmartBSpline> {
 public:
  ZVI_SmartOffsetBSpline() : ZVI_TracedStripe(new ZVI_OnionOffseter()) {}
  ZVI_SmartOffsetBSpline(const ZVI_SmartOffsetBSpline&) = default;
  void Resample() override { Sample(100); }
  std::vector<PathSample> Sample(int32_t resolution) override;
};
