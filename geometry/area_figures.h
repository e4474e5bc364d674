#pragma once
// Area figures: rectangle, annular sector, spiral of arms, disc in space,
// stripe of varying width along a centre figure, free-form weighted cells and
// the text figure whose area is the glyph cells of a text.
#include <cstdint>
#include <vector>

#include "core/graph_params.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "geometry/figures.h"
#include "core/text_params.h"

// Base of the centred figures.
class ZVI_VGeom2D_Figure : public ZVI_VGeom2D {
 public:
  ZVI_VGeom2D_Figure() = default;
  ZVI_VGeom2D_Figure(const ZVI_VGeom2D_Figure& other) : ZVI_VGeom2D(other), centre(other.centre) {}
  bool CenterPoint(D3DXVECTOR3* point) override;

  MediaParamT<D3DXVECTOR3> centre{D3DXVECTOR3(0, 0, 0)};

 protected:
  // "ZVI_VGeom2D_Figure", version, centre (raw), then the figure base record.
  void ReadFigureRecord(DS_IOF_Archive& ar);
};

class ZVI_VGeom2D_Rect : public ZVI_VGeom2D_Figure {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Rect"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Rect(*this); }
  bool GetBounds(D3DXVECTOR3* min, D3DXVECTOR3* max) override;
  bool PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3* direction) override;
  bool Contains(const D3DXVECTOR3& p) override;
  bool ExitPoint(const D3DXVECTOR3& p, const D3DXVECTOR3& d, D3DXVECTOR3* out) override;
  bool NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) override;
  bool DirectionAt(const D3DXVECTOR3&, const D3DXVECTOR3&, D3DXVECTOR3* direction) override;
  float CrossWidth(float) override { return static_cast<float>(height.value); }
  float AxisLength(float) override { return static_cast<float>(width.value); }
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void BindChangeCallbacks(FigureCallbackList& owner_list, FigureCallback callback) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> width{600u};
  MediaParamT<unsigned int> height{400u};
};

class ZVI_VGeom2D_Sector : public ZVI_VGeom2D_Figure {
 public:
  ZVI_VGeom2D_Sector();
  ZVI_VGeom2D_Sector(const ZVI_VGeom2D_Sector&) = default;
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Sector"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Sector(*this); }
  bool PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3* direction) override;
  bool NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) override;
  bool DirectionAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction) override;
  bool NormalAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction, D3DXVECTOR3* normal) override;
  float CrossWidth(float u) override;
  float AxisLength(float) override { return static_cast<float>(outer.value - inner.value); }
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void BindChangeCallbacks(FigureCallbackList& owner_list, FigureCallback callback) override;
  // Uniform over the ring's area.
  virtual bool RandomPointUniform(D3DXVECTOR3* position);
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> outer{400u};
  MediaParamT<unsigned int> inner{0u};
  ZVI_SmartAngle direction;
  ZVI_Angle spread;
};

struct SpiralParams {
  SpiralParams();
  SpiralParams(const SpiralParams&) = default;

  ZVI_SmartAngle start;
  ZVI_Angle step;
  MediaParamT<unsigned int> arms{3u};
  MediaParamT<int32_t> sense{0};  // 0 turns one way (-1), 1 the other (+1)
  UINTSclaleTo<float> twist;      // derived: value x 2 pi x 1e-6
};

class ZVI_VGeom2D_Spiral : public ZVI_VGeom2D_Figure {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Speral"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Spiral(*this); }
  bool RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv) override;
  bool PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3* direction) override;
  bool NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) override;
  bool DirectionAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction) override;
  bool NormalAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction, D3DXVECTOR3* normal) override;
  float AxisLength(float) override { return static_cast<float>(radius.value); }
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void BindChangeCallbacks(FigureCallbackList& owner_list, FigureCallback callback) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> radius{300u};
  SpiralParams params;

 private:
  D3DXVECTOR3 Tangent(const D3DXVECTOR3& p) const;
};

class ZVI_VGeom2D_Sphere : public ZVI_VGeom2D_Figure {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Sphere"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Sphere(*this); }
  bool RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv) override;
  // True and writes nothing: a disc in space has no parameterisation.
  bool PointAt(D3DXVECTOR3*, D3DXVECTOR3*, D3DXVECTOR3*) override { return true; }
  bool RandomDirection(D3DXVECTOR3* direction) override;
  bool NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) override;
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> radius{200u};

 private:
  D3DXVECTOR3 SpatialDirection();
};

class ZVI_VGeom2D_Stripe : public ZVI_VGeom2D {
 public:
  ZVI_VGeom2D_Stripe();
  ZVI_VGeom2D_Stripe(const ZVI_VGeom2D_Stripe&) = default;
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Stripe"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Stripe(*this); }
  bool PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3* direction) override;
  bool PointAtUV(float u, float v, D3DXVECTOR3* position, D3DXVECTOR3* direction) override;
  bool CenterPoint(D3DXVECTOR3* point) override;
  bool NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) override;
  bool DirectionAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction) override;
  bool IsClosed() override;
  bool QueryFlag() override;
  float CrossWidth(float u) override { return WidthAt(u); }
  float AxisLength(float) override;
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // G(u) x value x jitter factor: the narrow end of the jittered range.
  float WidthAt(float u) const;
  // Computes the centre curve's band for half the width.
  void ComputeBand();
  ZVI_VGeom2D_Curve* Centre() const { return centre.value.get(); }

  ZVI_SmartGeom<ZVI_VGeom2D_Curve> centre;
  JitterGraphParam width;
  UINTSclaleTo<float> start;
  UINTSclaleTo<float> end;

 private:
  bool PointAtMapped(float u, float v, D3DXVECTOR3* position, D3DXVECTOR3* direction);
};

struct FreeformCell {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  uint32_t word = 1;
  float cumulative = 0;  // running sum of the cell weights up to this cell
};

class ZVI_VGeom2D_Freeform : public ZVI_VGeom2D {
 public:
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Freeform"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Freeform(*this); }
  // A cell picked in proportion to its weight, then a point inside it (y first).
  bool RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv) override;
  bool CenterPoint(D3DXVECTOR3* point) override;
  bool NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3&) override;
  bool HasDirections() override { return false; }
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  std::vector<FreeformCell> cells;
  float total_weight = 0.0f;
  int32_t integer_field = 1;
  DS_SafePtr<std::vector<uint8_t>> bytes;
  float bytes_float = 0.0f;
  zvi_string name;
};

class ZVI_VGeom2D_Text : public ZVI_VGeom2D_Freeform {
 public:
  ZVI_VGeom2D_Text() = default;
  ZVI_VGeom2D_Text(const ZVI_VGeom2D_Text&) = default;
  std::string GetTypeName() const override { return "ZVI_VGeom2D_Text"; }
  ZVI_VGeom2D* Clone() const override { return new ZVI_VGeom2D_Text(*this); }
  // The free-form pick plus the offset; the offset alone without cells.
  bool RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv) override;
  bool CenterPoint(D3DXVECTOR3* point) override;
  void Accept(ZVI_VGeom2DVisitor& v) override { v.Visit(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  TextParams text;
  MediaParamT<D3DXVECTOR3> offset{D3DXVECTOR3(0, 0, 0)};
};
