#include "geometry/emitter_figures.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "geometry/record_reads.h"

namespace {

constexpr float kDegToRad = 0.017453292f;

using namespace geometry_records;

D3DXVECTOR3 Transform(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

// A grid of no rows or columns has no cells: its points are the position.
bool EmptyGrid(int32_t rows, int32_t columns) { return rows <= 0 || columns <= 0; }

}  // namespace

void ZVI_VFigure::ReadFigureBase(DS_IOF_Archive& ar) {
  SkipRecordHeader(ar);
  position = ReadVector(ar);
}

// ---------------------------------------------------------------------------

void ZVI_VFigure_Rect::SpawnOffset(D3DXVECTOR3* p) {
  const float w = static_cast<float>(width.value), h = static_cast<float>(height.value);
  *p += position.value;
  p->x += crt_rand01() * w - w / 2;
  p->y += crt_rand01() * h - h / 2;
}

void ZVI_VFigure_Rect::SpawnWithHeading(D3DXVECTOR3* p, D3DXVECTOR3* heading, bool spatial) {
  const float w = static_cast<float>(width.value), h = static_cast<float>(height.value);
  const D3DXVECTOR3& c = position.value;
  const float qx = c.x + crt_rand01() * w - w / 2;
  const float qy = c.y + crt_rand01() * h - h / 2;
  D3DXVECTOR3 q(qx, qy, c.z);
  const float len = D3DXVec3Length(&q);
  D3DXVECTOR3 hd;
  if (len > 0.0f) {
    hd = q / len;
  } else {
    D3DXMATRIX rz;
    D3DXMatrixRotationZ(&rz, -(crt_rand01() * 360.0f) * kDegToRad);
    hd = Transform(D3DXVECTOR3(1, 0, 0), rz);
  }
  if (spatial) {
    D3DXMATRIX ry;
    D3DXMatrixRotationY(&ry, crt_rand01() * 6.2831855f);
    q = Transform(q, ry);
    hd = Transform(hd, ry);
  }
  if (heading) *heading = hd;
  *p += q;
}

void ZVI_VFigure_Rect::GridPoint(D3DXVECTOR3* out, int32_t i, int32_t rows, int32_t columns) {
  const D3DXVECTOR3& c = position.value;
  if (EmptyGrid(rows, columns) || i < 0) {
    *out = c;
    return;
  }
  const float w = static_cast<float>(width.value), h = static_cast<float>(height.value);
  const float j = static_cast<float>(i % columns), k = static_cast<float>(i / columns);
  *out = D3DXVECTOR3(c.x - w / 2 + (w / static_cast<float>(columns)) * (j + 0.5f),
                     c.y - h / 2 + (h / static_cast<float>(rows)) * (k + 0.5f), c.z);
}

void ZVI_VFigure_Rect::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawU32(ar, width);
  ReadRawU32(ar, height);
  ReadFigureBase(ar);
}

// ---------------------------------------------------------------------------

void ZVI_VFigure_Sector::SpawnWithHeading(D3DXVECTOR3* p, D3DXVECTOR3* heading, bool spatial) {
  const float ri = static_cast<float>(inner.value), ro = static_cast<float>(outer.value);
  const float d = static_cast<float>(sector.value), s = static_cast<float>(sector.spread.value);
  float rho = 0.0f;
  if (ro != 0.0f) {
    const float k = ri / ro;
    rho = ro * std::sqrt(crt_rand01() * (1 - k * k) + k * k);
  }
  const float a = (360.0f - d - (crt_rand01() * s - s / 2)) * kDegToRad;
  D3DXVECTOR3 hd(std::cos(a), std::sin(a), 0);
  if (spatial) {
    const float b = (360.0f - d - (crt_rand01() * s - s / 2)) * kDegToRad;
    D3DXMATRIX ry;
    D3DXMatrixRotationY(&ry, b);
    hd = Transform(hd, ry);
  }
  if (heading) *heading = hd;
  *p += position.value + hd * rho;
}

void ZVI_VFigure_Sector::SpawnOffset(D3DXVECTOR3* p) {
  D3DXVECTOR3 discarded;
  SpawnWithHeading(p, &discarded, false);
}

void ZVI_VFigure_Sector::GridPoint(D3DXVECTOR3* out, int32_t i, int32_t rows, int32_t columns) {
  const D3DXVECTOR3& c = position.value;
  if (EmptyGrid(rows, columns) || i < 0) {
    *out = c;
    return;
  }
  const float ri = static_cast<float>(inner.value), ro = static_cast<float>(outer.value);
  const float d = static_cast<float>(sector.value), s = static_cast<float>(sector.spread.value);
  const float a = (d - s / 2 + (s / static_cast<float>(columns)) * (static_cast<float>(i % columns) + 0.5f)) * kDegToRad;
  const float rho = ri + ((ro - ri) / static_cast<float>(rows)) * (static_cast<float>(rows - i / columns) - 0.5f);
  *out = D3DXVECTOR3(c.x + std::cos(a) * rho, c.y - std::sin(a) * rho, c.z);
}

void ZVI_VFigure_Sector::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawU32(ar, inner);
  ReadRawU32(ar, outer);
  uint32_t v = 0;
  ar.ReadDword(&v);
  sector.value = v;
  sector.undo.OnChanged(nullptr);
  sector.Recompute();
  ReadRawU32(ar, sector.spread);
  ReadFigureBase(ar);
}

// ---------------------------------------------------------------------------

void ZVI_VFigure_BSpline::SpawnWithHeading(D3DXVECTOR3* p, D3DXVECTOR3* heading, bool) {
  const auto& s = path.samples;
  const float L = s.size() < 2 ? 0.0f : s[s.size() - 2].cumulative;
  const float w = static_cast<float>(width.value);
  const float along = crt_rand01() * L;
  const float b = crt_rand01() * 2 * w - w;
  PathCursor cursor(&path.samples);
  D3DXVECTOR3 q, d;
  cursor.Seek(along, b, &q, &d);
  if (heading) D3DXVec3Normalize(heading, &d);
  *p += position.value + q;
}

void ZVI_VFigure_BSpline::SpawnOffset(D3DXVECTOR3* p) {
  D3DXVECTOR3 discarded;
  SpawnWithHeading(p, &discarded, false);
}

void ZVI_VFigure_BSpline::GridPoint(D3DXVECTOR3* out, int32_t, int32_t, int32_t) { *out = position.value; }

void ZVI_VFigure_BSpline::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadBSplinePoints(ar, path.points);
  path.Resample();
  ReadFigureBase(ar);
}

DS_SafePtr<ZVI_VFigure> CreateVFigureByName(std::string_view name) {
  return DS_SafePtr<ZVI_VFigure>(CreateDefaultByName<ZVI_VFigure>(ClassNameFromUtf8(name)).release());
}

DS_SafePtr<ZVI_VFigure> ReadVFigure(DS_IOF_Archive& ar) {
  return DS_SafePtr<ZVI_VFigure>(ReadObjectOf<ZVI_VFigure>(ar).release());
}

// ---------------------------------------------------------------------------

ZVI_CustomFigure::ZVI_CustomFigure() {
  value = DS_SafePtr<ZVI_VFigure>(new ZVI_VFigure_Rect());
  undo.OnChanged(nullptr);
}

ZVI_CustomFigure::~ZVI_CustomFigure() { callbacks.Clear(); }

void ZVI_CustomFigure::SetFigure(const DS_SafePtr<ZVI_VFigure>& figure, MediaControl* source) {
  if (figure.get() != value.get()) {
    value = figure;
    Notify(source);
  }
  callbacks.Clear();
  if (value) value->RegisterCallbacks(&callbacks);
}

void ZVI_CustomFigure::SetSectorFigure(int32_t, unsigned int direction, unsigned int spread, unsigned int radius) {
  auto* sector = new ZVI_VFigure_Sector();
  sector->inner = 0u;
  sector->outer = radius;
  sector->sector.spread = spread;
  sector->sector.SetValue(direction);
  SetFigure(DS_SafePtr<ZVI_VFigure>(sector), nullptr);
}

// ---------------------------------------------------------------------------

ZVI_VGradient_Linear::ZVI_VGradient_Linear() {
  start_value.SetScaleOffset(0.01f, 0.0f, 100u);
  end_value.SetScaleOffset(0.01f, 0.0f, 0u);
}

float ZVI_VGradient_Linear::ValueAt(const D3DXVECTOR3& p) {
  const D3DXVECTOR3 ab = end_point.value - start_point.value;
  const D3DXVECTOR3 ap = p - start_point.value;
  const float len2 = D3DXVec3LengthSq(&ab);
  const float S = start_value.derived, E = end_value.derived;
  if (len2 == 0.0f) return S;
  const float t = D3DXVec3Dot(&ap, &ab) / len2;
  if (t < 0.0f) return S;
  if (t > 1.0f) return E;
  return S + (E - S) * t;
}

void ZVI_VGradient_Linear::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  start_point = ReadVector(ar);
  end_point = ReadVector(ar);
  start_value.Read(ar);
  end_value.Read(ar);
  SkipRecordHeader(ar);
}

float ZVI_VGradient_Circular::ValueAt(const D3DXVECTOR3& p) {
  const D3DXVECTOR3 ab = end_point.value - start_point.value;
  const D3DXVECTOR3 ap = p - start_point.value;
  const float len2 = D3DXVec3LengthSq(&ab), d2 = D3DXVec3LengthSq(&ap);
  const float S = start_value.derived, E = end_value.derived;
  if (len2 == 0.0f) return d2 == 0.0f ? S : E;
  const float f = std::fmin(1.0f, std::sqrt(d2 / len2));
  return S + (E - S) * f;
}

void ZVI_VGradient_Circular::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  SkipRecordHeader(ar);
  ZVI_VGradient_Linear::ReadRecord(ar, version);
}

DS_SafePtr<ZVI_VGradient> ReadVGradient(DS_IOF_Archive& ar) {
  return DS_SafePtr<ZVI_VGradient>(ReadObjectOf<ZVI_VGradient>(ar).release());
}

ZVI_CustomGradient::ZVI_CustomGradient() {
  if (std::unique_ptr<ZVI_VGradient> g = CreateDefaultByName<ZVI_VGradient>(u"ZVI_VGradient_Linear"))
    SetValue(DS_SafePtr<ZVI_VGradient>(g.release()), nullptr);
}
