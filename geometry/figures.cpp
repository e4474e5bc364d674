#include "geometry/figures.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "geometry/paths.h"
#include "geometry/record_reads.h"

bool ZVI_VGeom2D::RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv) {
  D3DXVECTOR3 local;
  D3DXVECTOR3* p = uv ? uv : &local;
  p->x = crt_rand01();
  p->y = crt_rand01();
  return PointAt(p, position, nullptr);
}

bool ZVI_VGeom2D::PointAtUV(float u, float v, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  D3DXVECTOR3 uv(u, v, 0);
  return PointAt(&uv, position, direction);
}

bool ZVI_VGeom2D::RandomDirection(D3DXVECTOR3* direction) {
  const float a = crt_rand01() * 6.2831855f;
  if (direction) *direction = D3DXVECTOR3(std::cos(a), -std::sin(a), 0.0f);
  return true;
}

bool ZVI_VGeom2D_Curve::PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  return curve->PointAtLength(curve->GetLength() * uv->x, 0.0f, position, direction);
}

bool ZVI_VGeom2D_Curve::CenterPoint(D3DXVECTOR3* point) {
  return curve->PointAtLength(0.5f * curve->GetLength(), 0.0f, point, nullptr);
}

bool ZVI_VGeom2D_Curve::NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) {
  D3DXVECTOR3 d;
  if (!curve->NearestPoint(p, nullptr, &d)) {
    if (normal) *normal = D3DXVECTOR3(1, 0, 0);
    return false;
  }
  if (normal) *normal = D3DXVECTOR3(d.y, -d.x, -0.0f);
  return true;
}

bool ZVI_VGeom2D_Curve::NormalAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction,
                                 D3DXVECTOR3* normal) {
  D3DXVECTOR3 d;
  if (!DirectionAt(p, uv, &d)) return false;
  if (direction) *direction = d;
  if (normal) *normal = D3DXVECTOR3(-d.y, d.x, 0.0f);
  return true;
}

bool ZVI_VGeom2D_Curve::DirectionAt(const D3DXVECTOR3&, const D3DXVECTOR3& uv, D3DXVECTOR3* direction) {
  return curve->DirectionAtLength(curve->GetLength() * uv.x, direction);
}

DS_SafePtr<ZVI_VGeom2D_Curve> ZVI_VGeom2D_Curve::CreateByName(std::string_view name) {
  std::unique_ptr<ZVI_VGeom2D> made = CreateDefaultByName<ZVI_VGeom2D>(ClassNameFromUtf8(name));
  auto* as_curve = dynamic_cast<ZVI_VGeom2D_Curve*>(made.get());
  if (!as_curve) return DS_SafePtr<ZVI_VGeom2D_Curve>(nullptr);
  made.release();
  return DS_SafePtr<ZVI_VGeom2D_Curve>(as_curve);
}

float ZVI_VGeom2D_Curve::GetLength() { return curve->GetLength(); }

bool ZVI_VGeom2D_Curve::PointAtLength(float s, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  return curve->PointAtLength(s, offset, position, direction);
}

void ReadVGeom2DBaseRecord(DS_IOF_Archive& ar) { geometry_records::SkipRecordHeader(ar); }

void ZVI_VGeom2D_Curve::ReadCurveBaseRecords(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  if (version < 2) {
    uint32_t ignored = 0;
    ar.ReadDword(&ignored);
  }
  ReadVGeom2DBaseRecord(ar);
}

namespace {

// Copies a node's tangents when it has them.
template <class P>
DS_SafePtr<P> CopyNode(const DX_SmartPnt& point) {
  DS_SafePtr<P> p(new P(point));
  if (auto* b = dynamic_cast<const DX_BSplinePnt*>(&point)) {
    p->outTangent = b->outTangent.value;
    p->inTangent = b->inTangent.value;
  }
  return p;
}

// Count, then per node: version, position, out tangent, in tangent.
template <class C>
void ReadNodeList(DS_IOF_Archive& ar, C& curve) {
  using P = typename decltype(curve.points.value)::value_type;
  const uint32_t n = ar.ReadSignedCount(40);
  curve.points.value.clear();
  for (uint32_t i = 0; i < n; ++i) {
    P p(new typename std::remove_reference_t<decltype(*std::declval<P>())>());
    ReadBSplinePntFields(ar, *p);
    curve.points.value.push_back(p);
  }
  curve.Resample();
}

D3DXVECTOR3 V(float x, float y) { return D3DXVECTOR3(x, y, 0.0f); }

}  // namespace

template <class C>
DS_SafePtr<ZVI_VGeom2D_Curve> NodeFigure<C>::CreateByName(std::string_view name) {
  DS_SafePtr<ZVI_VGeom2D_Curve> made = ZVI_VGeom2D_Curve::CreateByName(name);
  if (auto* nodes = dynamic_cast<ZVI_VGeom2D_NodeDefined*>(made.get())) {
    for (int32_t i = 0;; ++i) {
      DX_SmartPnt* node = GetNode(i);
      if (!node) break;
      nodes->AppendNode(node);
    }
    made->curve->Resample();
  }
  return made;
}

template class NodeFigure<ZVI_SmartOffsetPolyline>;
template class NodeFigure<ZVI_SmartCubicSpline>;
template class NodeFigure<ZVI_SmartPolyLoop>;
template class NodeFigure<ZVI_SmartOffsetBSpline>;

bool ZVI_VGeom2D_Polyline::InitShape(float x0, float y0, float, float x1, float y1, float) {
  shape.AddPoint(DX_SmartPnt(V(x0, y0)), nullptr);
  shape.AddPoint(DX_SmartPnt(V(x1, y1)), nullptr);
  shape.Resample();
  return true;
}

bool ZVI_VGeom2D_Polyline::GetBounds(D3DXVECTOR3* min, D3DXVECTOR3* max) {
  D3DXVECTOR3 lo = shape.GetPoint(0)->value;  // no nodes: "invalid vector subscript"
  D3DXVECTOR3 hi = lo;
  for (int32_t i = 1; i < shape.GetPointCount(); ++i) {
    const D3DXVECTOR3& p = shape.GetPoint(i)->value;
    hi.x = std::max(hi.x, p.x);
    hi.y = std::max(hi.y, p.y);
    lo.x = std::min(lo.x, p.x);
    lo.y = std::min(lo.y, p.y);
  }
  if (min) *min = lo;
  if (max) *max = hi;
  return true;
}

void ZVI_VGeom2D_Polyline::AppendNode(const DX_SmartPnt* point) {
  if (point) shape.AppendPoint(CopyNode<ZVI_CornerBSplinePnt>(*point), nullptr);
}

void ZVI_VGeom2D_Polyline::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadNodeList(ar, shape);
  ReadCurveBaseRecords(ar);
}

void ZVI_VGeom2D_LineSegment::SetEnds(const D3DXVECTOR3& first, const D3DXVECTOR3& second) {
  while (shape.GetPointCount() < 2) shape.AppendPoint(DS_SafePtr<ZVI_CornerBSplinePnt>(new ZVI_CornerBSplinePnt()), nullptr);
  shape.GetPoint(0)->SetValue(first);
  shape.GetPoint(1)->SetValue(second);
  shape.Resample();
}

void ZVI_VGeom2D_LineSegment::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  geometry_records::SkipRecordHeader(ar);
  ZVI_VGeom2D_Polyline::ReadRecord(ar, version);
}

void ZVI_VGeom2D_CubicSpline::AppendNode(const DX_SmartPnt* point) {
  if (point) shape.AppendPoint(CopyNode<ZVI_CornerBSplinePnt>(*point), nullptr);
}

void ZVI_VGeom2D_CubicSpline::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadNodeList(ar, shape);
  ReadCurveBaseRecords(ar);
}

bool ZVI_VGeom2D_Loop::InitShape(float x0, float y0, float, float x1, float y1, float) {
  for (D3DXVECTOR3 p : {V(x0, y1), V(x1, y1), V(x1, y0), V(x0, y0)}) shape.AddPoint(DX_SmartPnt(p), nullptr);
  shape.Resample();
  return true;
}

void ZVI_VGeom2D_Loop::AppendNode(const DX_SmartPnt* point) {
  if (point) shape.AppendPoint(CopyNode<ZVI_CornerBSplinePnt>(*point), nullptr);
}

void ZVI_VGeom2D_Loop::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadNodeList(ar, shape);
  ReadCurveBaseRecords(ar);
}

bool ZVI_VGeom2D_BSpline::InitShape(float x0, float y0, float z0, float x1, float y1, float z1) {
  const D3DXVECTOR3 D(x1 - x0, y1 - y0, z1 - z0);
  DS_SafePtr<DX_BSplinePnt> a(new DX_BSplinePnt(x0, y0)), b(new DX_BSplinePnt(x1, y1));
  a->outTangent = D * 0.3f;
  b->inTangent = D * -0.3f;
  shape.AppendPoint(a, nullptr);
  shape.AppendPoint(b, nullptr);
  shape.Resample();
  return true;
}

void ZVI_VGeom2D_BSpline::AppendNode(const DX_SmartPnt* point) {
  if (point) shape.AppendPoint(CopyNode<DX_BSplinePnt>(*point), nullptr);
}

void ZVI_VGeom2D_BSpline::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadNodeList(ar, shape);
  ReadCurveBaseRecords(ar);
}

DS_SafePtr<ZVI_VGeom2D> ReadVGeom2D(DS_IOF_Archive& ar) {
  return DS_SafePtr<ZVI_VGeom2D>(ReadObjectOf<ZVI_VGeom2D>(ar).release());
}

DS_SafePtr<ZVI_VGeom2D> CreateVGeom2DByName(std::string_view name) {
  return DS_SafePtr<ZVI_VGeom2D>(CreateDefaultByName<ZVI_VGeom2D>(ClassNameFromUtf8(name)).release());
}
