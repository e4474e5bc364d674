#pragma once
// 2D figures: authored shapes in the slide plane that emitters, motions and
// lines sample. Every figure answers the same questions through ZVI_VGeom2D;
// this header holds the interface and the curve figures (area figures are in
// area_figures.h). Coordinates have y growing downwards, so angles turn
// counter-clockwise on screen.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/smart_points.h"
#include "geometry/smart_curves.h"

class DS_IOF_Archive;
class ZVI_PtclSys_Node;
class ZVI_VGeom2D_Polyline;
class ZVI_VGeom2D_LineSegment;
class ZVI_VGeom2D_CubicSpline;
class ZVI_VGeom2D_Loop;
class ZVI_VGeom2D_BSpline;
class ZVI_VGeom2D_Rect;
class ZVI_VGeom2D_Sector;
class ZVI_VGeom2D_Spiral;
class ZVI_VGeom2D_Sphere;
class ZVI_VGeom2D_Stripe;
class ZVI_VGeom2D_Freeform;
class ZVI_VGeom2D_Text;

// Double dispatch over the figure classes; every entry does nothing by default.
class ZVI_VGeom2DVisitor {
 public:
  virtual ~ZVI_VGeom2DVisitor() = default;
  virtual void Visit(ZVI_VGeom2D_Polyline&) {}
  virtual void Visit(ZVI_VGeom2D_LineSegment&) {}
  virtual void Visit(ZVI_VGeom2D_CubicSpline&) {}
  virtual void Visit(ZVI_VGeom2D_Loop&) {}
  virtual void Visit(ZVI_VGeom2D_BSpline&) {}
  virtual void Visit(ZVI_VGeom2D_Rect&) {}
  virtual void Visit(ZVI_VGeom2D_Sector&) {}
  virtual void Visit(ZVI_VGeom2D_Spiral&) {}
  virtual void Visit(ZVI_VGeom2D_Sphere&) {}
  virtual void Visit(ZVI_VGeom2D_Stripe&) {}
  virtual void Visit(ZVI_VGeom2D_Freeform&) {}
  virtual void Visit(ZVI_VGeom2D_Text&) {}
};

// The owner node's callbacks made when a figure's parameters change.
using FigureCallbackList = CallbackCtrlList<ZVI_PtclSys_Node>;
using FigureCallback = void (ZVI_PtclSys_Node::*)();

class ZVI_VGeom2D : public DS_IOF_Item {
 public:
  virtual std::string GetTypeName() const = 0;
  virtual ZVI_VGeom2D* Clone() const = 0;
  // Gives an empty figure a default shape spanning two corners.
  virtual bool InitShape(float x0, float y0, float z0, float x1, float y1, float z1) { return false; }
  virtual bool GetBounds(D3DXVECTOR3* min, D3DXVECTOR3* max) { return false; }
  // uv receives the two parameters drawn (x, y).
  virtual bool RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv);
  virtual bool PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3* direction) { return false; }
  virtual bool PointAtUV(float u, float v, D3DXVECTOR3* position, D3DXVECTOR3* direction);
  virtual bool Contains(const D3DXVECTOR3& p) { return false; }
  // Where a ray from an inside point leaves the figure.
  virtual bool ExitPoint(const D3DXVECTOR3& p, const D3DXVECTOR3& d, D3DXVECTOR3* out) { return false; }
  virtual bool RandomDirection(D3DXVECTOR3* direction);
  virtual bool CenterPoint(D3DXVECTOR3* point) { return false; }
  virtual bool NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) { return false; }
  virtual bool HasDirections() { return true; }
  virtual bool NormalAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction, D3DXVECTOR3* normal) {
    return false;
  }
  virtual bool DirectionAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction) { return false; }
  virtual bool IsClosed() { return false; }
  virtual bool QueryFlag() { return false; }
  virtual float CrossWidth(float u) { return 0.0f; }
  virtual float AxisLength(float ignored = 0.0f) { return 0.0f; }
  virtual void Accept(ZVI_VGeom2DVisitor& visitor) = 0;
  virtual void BindChangeCallbacks(FigureCallbackList& owner_list, FigureCallback callback) {}
};

// A figure whose shape is a curve member of the concrete class.
class ZVI_VGeom2D_Curve : public ZVI_VGeom2D {
 public:
  bool PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3* direction) override;
  bool CenterPoint(D3DXVECTOR3* point) override;
  // Offset-curve figures have no samples and thus no nearest segment: (1, 0, 0), false.
  bool NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) override;
  bool NormalAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction, D3DXVECTOR3* normal) override;
  bool DirectionAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction) override;
  // A default curve figure of the named class (null when unknown or not a
  // curve figure); node-defined figures pass their nodes on.
  virtual DS_SafePtr<ZVI_VGeom2D_Curve> CreateByName(std::string_view name);
  virtual float GetLength();
  virtual bool PointAtLength(float s, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction);

  ZVI_Curve* curve = nullptr;

 protected:
  // The base records: "ZVI_VGeom2D_Curve" (an ignored u32 before version 2),
  // then "ZVI_VGeom2D".
  static void ReadCurveBaseRecords(DS_IOF_Archive& ar);
};

// Curve figures whose shape is a list of nodes.
class ZVI_VGeom2D_NodeDefined {
 public:
  virtual ~ZVI_VGeom2D_NodeDefined() = default;
  // Null past the end; a negative index fails with "invalid vector subscript".
  virtual DX_SmartPnt* GetNode(int32_t index) = 0;
  virtual void AppendNode(const DX_SmartPnt* point) = 0;
};

// Shared parts of the node figures over a curve class C.
template <class C>
class NodeFigure : public ZVI_VGeom2D_NodeDefined, public ZVI_VGeom2D_Curve {
 public:
  NodeFigure() { curve = &shape; }
  NodeFigure(const NodeFigure& other) : ZVI_VGeom2D_NodeDefined(), ZVI_VGeom2D_Curve(other), shape(other.shape) {
    curve = &shape;
  }
  NodeFigure& operator=(const NodeFigure&) = delete;

  DX_SmartPnt* GetNode(int32_t index) override {
    if (index >= shape.GetPointCount()) return nullptr;
    return shape.GetPoint(index);
  }
  DS_SafePtr<ZVI_VGeom2D_Curve> CreateByName(std::string_view name) override;

  C shape;
};

class ZVI_VGeom2D_Polyline : public NodeFigure<ZVI_SmartOffsetPolyline> {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Polyline"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Polyline(*this); }
  bool InitShape(float x0, float y0, float z0, float x1, float y1, float z1) override;
  bool GetBounds(D3DXVECTOR3* min, D3DXVECTOR3* max) override;
  void AppendNode(const DX_SmartPnt* point) override;
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  // Node list, then the curve base records.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

class ZVI_VGeom2D_LineSegment : public ZVI_VGeom2D_Polyline {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_LineSegment"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_LineSegment(*this); }
  void AppendNode(const DX_SmartPnt*) override {}
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  // Places the two ends (made when missing) and resamples.
  void SetEnds(const D3DXVECTOR3& first, const D3DXVECTOR3& second);
  // The Polyline header, then the Polyline fields.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

class ZVI_VGeom2D_CubicSpline : public NodeFigure<ZVI_SmartCubicSpline> {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_CubicSpline"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_CubicSpline(*this); }
  void AppendNode(const DX_SmartPnt* point) override;
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

class ZVI_VGeom2D_Loop : public NodeFigure<ZVI_SmartPolyLoop> {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Loop"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Loop(*this); }
  bool InitShape(float x0, float y0, float z0, float x1, float y1, float z1) override;
  bool IsClosed() override { return true; }
  void AppendNode(const DX_SmartPnt* point) override;
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

class ZVI_VGeom2D_BSpline : public NodeFigure<ZVI_SmartOffsetBSpline> {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_BSpline"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_BSpline(*this); }
  bool InitShape(float x0, float y0, float z0, float x1, float y1, float z1) override;
  void AppendNode(const DX_SmartPnt* point) override;
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// Reads a figure object record (class name, version, fields) through the
// figure registry; a name without a reader makes the data invalid (DS_Error).
DS_SafePtr<ZVI_VGeom2D> ReadVGeom2D(DS_IOF_Archive& ar);
// A default figure of the named class, or null when the name is unknown.
DS_SafePtr<ZVI_VGeom2D> CreateVGeom2DByName(std::string_view name);
// The record of the figure base: wide class name and version, both ignored.
void ReadVGeom2DBaseRecord(DS_IOF_Archive& ar);
