#include "core/smart_points.h"

#include "core/archive.h"

DX_SmartPnt::DX_SmartPnt() : MediaParamT<D3DXVECTOR3>(D3DXVECTOR3(0, 0, 0)) {}

DX_SmartPnt::DX_SmartPnt(const D3DXVECTOR3& position) : MediaParamT<D3DXVECTOR3>(position) {}

DX_SmartPnt::DX_SmartPnt(const DX_SmartPnt& other)
    : MediaParamT<D3DXVECTOR3>(other), shared(other.shared) {}

void DX_SmartPnt::Accept(DX_PntVisitor& visitor) { visitor.VisitSmart(this); }

// ---------------------------------------------------------------------------

DX_BSplinePnt::DX_BSplinePnt() = default;

DX_BSplinePnt::DX_BSplinePnt(float x, float y) : DX_SmartPnt(D3DXVECTOR3(x, y, 0.0f)) {}

DX_BSplinePnt::DX_BSplinePnt(const DX_SmartPnt& point) : DX_SmartPnt(point) {}

void DX_BSplinePnt::Accept(DX_PntVisitor& visitor) { visitor.VisitBSpline(this); }

void DX_BSplinePnt::Write(DS_IOF_Archive& ar) const {
  DS_IOF_Virtual* s = ar.Stream();
  const uint32_t version = 1;
  s->WriteDword(&version);
  for (const D3DXVECTOR3* v : {&value, &outTangent.value, &inTangent.value}) {
    s->WriteFloat(&v->x);
    s->WriteFloat(&v->y);
    s->WriteFloat(&v->z);
  }
}

ZVI_CornerBSplinePnt::ZVI_CornerBSplinePnt(const ZVI_CornerBSplinePnt& other) : DX_BSplinePnt() {
  value = other.value;
  undo.OnChanged(nullptr);
  outTangent = other.outTangent;
  inTangent = other.inTangent;
}

void ZVI_CornerBSplinePnt::Accept(DX_PntVisitor& visitor) { visitor.VisitCorner(this); }

// ---------------------------------------------------------------------------

DX_CamPathPnt::DX_CamPathPnt() = default;

DX_CamPathPnt::DX_CamPathPnt(const DX_SmartPnt& point) : DX_SmartPnt(point) {}

// ---------------------------------------------------------------------------

void ReadSmartPnt(DS_IOF_Archive& ar, DX_SmartPnt& point) {
  D3DXVECTOR3 p = point.value;
  ar.ReadFloat(&p.x);
  ar.ReadFloat(&p.y);
  ar.ReadFloat(&p.z);
  point.value = p;
  point.undo.OnChanged(nullptr);
  point.shared = DS_SafePtr<DX_PntAttachment>::MakeEmpty();
}

void ReadSmartPoints(DS_IOF_Archive& ar, std::vector<DS_SafePtr<DX_SmartPnt>>& points) {
  int32_t count = 0;
  ar.ReadInt(&count);
  points.clear();
  if (count <= 0) return;
  // A count the data cannot hold is cut to what fits (or refused when strict).
  const uint64_t fits = ar.Stream()->CapLength(static_cast<uint64_t>(count) * 12u) / 12u;
  for (uint64_t i = 0; i < fits; ++i) {
    DS_SafePtr<DX_SmartPnt> point(new DX_SmartPnt());
    ReadSmartPnt(ar, *point);
    points.push_back(point);
  }
}

void ReadCamPathPoint(DS_IOF_Archive& ar, DS_SafePtr<DX_CamPathPnt>& point) {
  if (!point) point = DS_SafePtr<DX_CamPathPnt>(new DX_CamPathPnt());
  DX_CamPathPnt& p = *point;
  uint32_t version = 0;
  ar.ReadUInt(&version);
  ar.ReadFloat(&p.value.x);
  ar.ReadFloat(&p.value.y);
  ar.ReadFloat(&p.value.z);
  p.undo.OnChanged(nullptr);
  ar.ReadFloat(&p.duration.value);
  p.duration.undo.OnChanged(nullptr);
  if (version > 0) {
    ar.ReadUInt(&p.zoom.value);
    p.zoom.undo.OnChanged(nullptr);
  }
}

void WriteSmartPoints(DS_IOF_Archive& ar, const std::vector<DS_SafePtr<DX_SmartPnt>>& points) {
  DS_IOF_Virtual* s = ar.Stream();
  const int32_t count = static_cast<int32_t>(points.size());
  s->WriteInt(&count);
  for (const auto& point : points) {
    s->WriteFloat(&point->value.x);
    s->WriteFloat(&point->value.y);
    s->WriteFloat(&point->value.z);
  }
}
