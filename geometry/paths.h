#pragma once
// Control-point paths: a plain polyline walked back and forth (TravelPoint),
// the counted point list with its undo control, and SplinePath, whose
// segments are cubic Bezier curves shaped by the points' tangents.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/smart_points.h"
#include "geometry/curve.h"

class DS_IOF_Archive;

class ZVI_PathCtrlPoints : public ZVI_Curve {
 public:
  ZVI_PathCtrlPoints() : ZVI_Curve(20) {}
  ZVI_PathCtrlPoints(const ZVI_PathCtrlPoints& other) = default;

  // Rebuilds the polyline: the control points, or with smoothing and more
  // than two points a cubic spline through them sampled at 100 steps (z = 0).
  void Resample() override;
  void ForEachSegment(const SegmentVisitor& visitor) override;

  // Advances along the polyline by the travel distance the owner has added
  // to, running back and forth between its ends.
  void TravelPoint(D3DXVECTOR3* position);

  MediaParamT<int32_t> smoothing{0};
  float travel_distance = 0.0f;
  int32_t current_index = 0;
  uint8_t direction_flag = 1;  // 1: towards higher indices
  D3DXVECTOR3 travel_direction{0, 0, 0};
  std::vector<D3DXVECTOR3> polyline;
};

template <class P>
class SmartPath;

// Undo history of a path's point vector (the path never undoes in the player).
template <class P>
class UndoVectorCtrl : public UndoCtrl {
 public:
  using Vector = std::vector<DS_SafePtr<P>>;
  explicit UndoVectorCtrl(SmartPath<P>* p) : path(p) {}
  ~UndoVectorCtrl() override {
    if (path) path->RemoveControl(this);
  }
  void Detach() override { path = nullptr; }
  void OnChanged(MediaControl* source) override {
    if (source && !source->IsSilent()) {
      if (UndoManager* m = GetUndoManager()) m->RecordChange(this, source);
    }
    if (path) saved = path->points;
  }
  void Commit() override { history.Commit(saved); }
  void Undo() override {
    if (!path || !history.Undo(path->points)) return;
    saved = path->points;
    path->Notify(this);
  }
  void Redo() override {
    if (!path || !history.Redo(path->points)) return;
    saved = path->points;
    path->Notify(this);
  }

  SmartPath<P>* path;
  Vector saved;
  UndoHistory<Vector> history;
};

template <class P>
class SmartPath : public ZVI_PathCtrlPoints {
 public:
  SmartPath() : undo(this) { Hook(); }
  SmartPath(const SmartPath& other) : ZVI_PathCtrlPoints(other), points(other.points), undo(this) { Hook(); }
  SmartPath& operator=(const SmartPath&) = delete;

  int32_t GetPointCount() const override { return static_cast<int32_t>(points.size()); }
  void RemovePoint(int32_t index, MediaControl* source) override {
    if (index < 0 || index >= GetPointCount()) throw std::out_of_range("invalid vector subscript");
    points.erase(points.begin() + index);
    Notify(source);
  }
  DX_SmartPnt* GetPoint(int32_t index) override {
    if (index < 0 || index >= GetPointCount()) throw std::out_of_range("invalid vector subscript");
    return points[static_cast<size_t>(index)].get();
  }
  DX_SmartPnt* AddPoint(const DX_SmartPnt& point, MediaControl* source) override {
    points.emplace_back(new P(point));
    Notify(source);
    return points.back().get();
  }
  // Paths have no insertion: asking for one throws an integer 0.
  DX_SmartPnt* InsertPoint(int32_t, const DX_SmartPnt&, MediaControl*) override { throw 0; }

  std::vector<DS_SafePtr<P>> points;
  UndoVectorCtrl<P> undo;

 private:
  void Hook() {
    AddControl(&undo);
    undo.OnChanged(nullptr);
  }
};

class SplinePath : public SmartPath<DX_BSplinePnt> {
 public:
  SplinePath() = default;
  SplinePath(const SplinePath& other) = default;

  // Appends a point and gives it and the previous point their tangents
  // (one third of the way, as -0.33 and 0.33 of the step between them).
  DX_SmartPnt* AddPoint(const DX_SmartPnt& point, MediaControl* source) override;
  // Inserts nothing; returns the last point (null when there is none).
  DX_SmartPnt* InsertPoint(int32_t index, const DX_SmartPnt& point, MediaControl* source) override;
  void Resample() override;
  void ForEachSegment(const SegmentVisitor& visitor) override;

  // Samples the Bezier segments (reversed on request) and sets total_length.
  std::vector<PathSample> BuildSamples(int32_t steps, bool reverse);

  float total_length = 0.0f;
  int32_t samples_per_segment = 20;
};

// Count (signed; a negative count reads nothing), then that many 40-byte
// points, each a new point in a new block; the vector is replaced.
void ReadBSplinePoints(DS_IOF_Archive& ar, std::vector<DS_SafePtr<DX_BSplinePnt>>& points);
// One 40-byte point record into the given pointer (a new point when empty).
void ReadBSplinePnt(DS_IOF_Archive& ar, DS_SafePtr<DX_BSplinePnt>& point);
// The 40-byte point record read into an existing point.
void ReadBSplinePntFields(DS_IOF_Archive& ar, DX_BSplinePnt& point);
