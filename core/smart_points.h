#pragma once
// Editable points of paths and curves, and the parameter through which owners
// hold a 2-D figure.
#include <cstdint>
#include <vector>

#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "platform/d3dx9/d3dx9_math.h"

class DS_IOF_Archive;
class DX_SmartPnt;
class DX_BSplinePnt;
class ZVI_CornerBSplinePnt;

// Whatever an owner attaches to a point; copies of a point share it.
class DX_PntAttachment {
 public:
  virtual ~DX_PntAttachment() = default;
};

// Double dispatch over the point classes.
class DX_PntVisitor {
 public:
  virtual ~DX_PntVisitor() = default;
  virtual void VisitCorner(ZVI_CornerBSplinePnt* point) = 0;
  virtual void VisitBSpline(DX_BSplinePnt* point) = 0;
  virtual void VisitSmart(DX_SmartPnt* point) = 0;
};

// A position with a shared attachment block.
class DX_SmartPnt : public MediaParamT<D3DXVECTOR3> {
 public:
  DX_SmartPnt();
  explicit DX_SmartPnt(const D3DXVECTOR3& position);
  // Shares the source's attachment block.
  DX_SmartPnt(const DX_SmartPnt& other);
  DX_SmartPnt& operator=(const DX_SmartPnt&) = delete;

  virtual void Accept(DX_PntVisitor& visitor);

  DS_SafePtr<DX_PntAttachment> shared = DS_SafePtr<DX_PntAttachment>::MakeEmpty();
};

// A point of a cubic Bezier path: the tangents are relative to the position.
class DX_BSplinePnt : public DX_SmartPnt {
 public:
  DX_BSplinePnt();
  DX_BSplinePnt(float x, float y);
  // A plain point given to a path: position and shared block taken, tangents
  // zero (also when the point is itself a B-spline point).
  explicit DX_BSplinePnt(const DX_SmartPnt& point);
  // Copying must say which of the two meanings it wants.
  DX_BSplinePnt(const DX_BSplinePnt&) = delete;
  DX_BSplinePnt& operator=(const DX_BSplinePnt&) = delete;

  void Accept(DX_PntVisitor& visitor) override;
  // Version word 1, position, out tangent, in tangent: 40 bytes.
  void Write(DS_IOF_Archive& ar) const;

  MediaParamT<D3DXVECTOR3> outTangent{D3DXVECTOR3(0, 0, 0)};
  MediaParamT<D3DXVECTOR3> inTangent{D3DXVECTOR3(0, 0, 0)};
};

// The point type of polyline-based smart curves.
class ZVI_CornerBSplinePnt : public DX_BSplinePnt {
 public:
  ZVI_CornerBSplinePnt() = default;
  ZVI_CornerBSplinePnt(float x, float y) : DX_BSplinePnt(x, y) {}
  explicit ZVI_CornerBSplinePnt(const DX_SmartPnt& point) : DX_BSplinePnt(point) {}
  // Position and both tangents copied; its own fresh attachment block.
  ZVI_CornerBSplinePnt(const ZVI_CornerBSplinePnt& other);

  void Accept(DX_PntVisitor& visitor) override;
};

// A camera path point: how long the camera takes to the next point and the
// zoom there.
class DX_CamPathPnt : public DX_SmartPnt {
 public:
  DX_CamPathPnt();
  // Position and shared block taken from the point; duration 5 s, zoom 100 %.
  explicit DX_CamPathPnt(const DX_SmartPnt& point);

  ZVI_MediaFloat duration{5.0f};
  MediaParamT<unsigned int> zoom{100u};
};

// x, y, z (floats) stored without notification; the point gets a fresh empty
// attachment block. 12 bytes.
void ReadSmartPnt(DS_IOF_Archive& ar, DX_SmartPnt& point);
// Count (ReadInt), then that many points, each a new point in a new block.
void ReadSmartPoints(DS_IOF_Archive& ar, std::vector<DS_SafePtr<DX_SmartPnt>>& points);
void WriteSmartPoints(DS_IOF_Archive& ar, const std::vector<DS_SafePtr<DX_SmartPnt>>& points);

// A camera path point record: version, x, y, z, duration (float), then the
// zoom percent when the version is above 0. The holder gets a new default
// point when it holds none; values are stored without notification.
void ReadCamPathPoint(DS_IOF_Archive& ar, DS_SafePtr<DX_CamPathPnt>& point);

// The parameter through which owners hold a figure (G is a figure class).
template <class G>
class ZVI_SmartGeom : public MediaParamT<DS_SafePtr<G>> {
 public:
  ZVI_SmartGeom() = default;

  // Takes ownership of a newly created figure. The figure already held
  // changes nothing; otherwise it replaces the held one and the observers
  // are notified (always with no source).
  void SetGeometry(G* geometry, MediaControl* source = nullptr) {
    (void)source;
    if (geometry == this->value.get()) return;
    this->value = DS_SafePtr<G>(geometry);
    this->Notify(nullptr);
  }
};
