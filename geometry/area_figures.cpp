#include "geometry/area_figures.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "geometry/paths.h"
#include "geometry/record_reads.h"

namespace {

using namespace geometry_records;

constexpr float kPi = 3.1415927f;

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &v);
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------

bool ZVI_VGeom2D_Figure::CenterPoint(D3DXVECTOR3* point) {
  if (point) *point = centre.value;
  return true;
}

void ZVI_VGeom2D_Figure::ReadFigureRecord(DS_IOF_Archive& ar) {
  SkipRecordHeader(ar);
  centre = ReadVector(ar);
  ReadVGeom2DBaseRecord(ar);
}

// ---------------------------------------------------------------------------

bool ZVI_VGeom2D_Rect::GetBounds(D3DXVECTOR3* min, D3DXVECTOR3* max) {
  const float w = static_cast<float>(width.value), h = static_cast<float>(height.value);
  if (min) *min = D3DXVECTOR3(-w / 2, -h / 2, 0);
  if (max) *max = D3DXVECTOR3(w / 2, h / 2, 0);
  return true;
}

bool ZVI_VGeom2D_Rect::PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3*) {
  const float w = static_cast<float>(width.value), h = static_cast<float>(height.value);
  const D3DXVECTOR3& c = centre.value;
  if (position) *position = D3DXVECTOR3(c.x + w * (uv->x - 0.5f), c.y + h * (uv->y - 0.5f), c.z);
  return true;
}

bool ZVI_VGeom2D_Rect::Contains(const D3DXVECTOR3& p) {
  const float w = static_cast<float>(width.value), h = static_cast<float>(height.value);
  const D3DXVECTOR3& c = centre.value;
  return w >= std::fabs(2 * (p.x - c.x)) && h >= std::fabs(2 * (p.y - c.y));
}

bool ZVI_VGeom2D_Rect::ExitPoint(const D3DXVECTOR3& p, const D3DXVECTOR3& d, D3DXVECTOR3* out) {
  if (!Contains(p)) return false;
  const float w = static_cast<float>(width.value), h = static_cast<float>(height.value);
  const D3DXVECTOR3& c = centre.value;
  const D3DXVECTOR3 q(p.x - c.x + w / 2, p.y - c.y + h / 2, p.z - c.z);
  D3DXVECTOR3 r = q;
  if (d.x != 0.0f) {
    const float X = d.x > 0.0f ? w : 0.0f;
    const float Y = (X - q.x) * d.y / d.x + q.y;
    if (Y >= 0.0f && Y <= h) r = D3DXVECTOR3(X, Y, 0);
  }
  if (d.y != 0.0f) {
    const float Y = d.y > 0.0f ? h : 0.0f;
    const float X = (Y - q.y) * d.x / d.y + q.x;
    if (X >= 0.0f && X <= w) r = D3DXVECTOR3(X, Y, 0);
  }
  if (out) *out = D3DXVECTOR3(c.x - w / 2 + r.x, c.y - h / 2 + r.y, c.z + r.z);
  return true;
}

bool ZVI_VGeom2D_Rect::NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) {
  const float w = static_cast<float>(width.value), h = static_cast<float>(height.value);
  const float dx = p.x - centre.value.x, dy = p.y - centre.value.y;
  const float ex = std::min(w / 2 - dx, w / 2 + dx);
  const float ey = std::min(h / 2 - dy, h / 2 + dy);
  if (normal) {
    if (ey > ex)
      *normal = D3DXVECTOR3(std::copysign(1.0f, dx), 0, 0);
    else
      *normal = D3DXVECTOR3(0, std::copysign(1.0f, dy), 0);
  }
  return true;
}

bool ZVI_VGeom2D_Rect::DirectionAt(const D3DXVECTOR3&, const D3DXVECTOR3&, D3DXVECTOR3* direction) {
  if (direction) *direction = D3DXVECTOR3(1, 0, 0);
  return true;
}

void ZVI_VGeom2D_Rect::BindChangeCallbacks(FigureCallbackList& owner_list, FigureCallback callback) {
  owner_list.Add(callback, &centre);
  owner_list.Add(callback, &width);
  owner_list.Add(callback, &height);
}

void ZVI_VGeom2D_Rect::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawU32(ar, width);
  ReadRawU32(ar, height);
  ReadFigureRecord(ar);
}

// ---------------------------------------------------------------------------

ZVI_VGeom2D_Sector::ZVI_VGeom2D_Sector() { spread.SetValue(360u); }

bool ZVI_VGeom2D_Sector::PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3*) {
  const float R = static_cast<float>(outer.value), r = static_cast<float>(inner.value);
  const float phi = direction.radians, sigma = spread.derived;
  const float a = phi + sigma / 2 - sigma * uv->y;
  const float rho = R + (r - R) * uv->x;
  const D3DXVECTOR3& c = centre.value;
  if (position) *position = D3DXVECTOR3(c.x + std::cos(a) * rho, c.y - std::sin(a) * rho, c.z);
  return true;
}

bool ZVI_VGeom2D_Sector::RandomPointUniform(D3DXVECTOR3* position) {
  const float R = static_cast<float>(outer.value), r = static_cast<float>(inner.value);
  const float phi = direction.radians, sigma = spread.derived;
  const float a = phi + sigma / 2 - sigma * crt_rand01();
  float rho = 0.0f;
  if (R != 0.0f) {
    const float k = r / R;
    rho = R * std::sqrt(crt_rand01() * (1 - k * k) + k * k);
  }
  const D3DXVECTOR3& c = centre.value;
  if (position) *position = D3DXVECTOR3(c.x + std::cos(a) * rho, c.y - std::sin(a) * rho, c.z);
  return true;
}

bool ZVI_VGeom2D_Sector::NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) {
  const D3DXVECTOR3 d = p - centre.value;
  const float L = D3DXVec3Length(&d);
  if (!normal) return true;
  if (L == 0.0f) {
    // The centre has no outward side.
    *normal = D3DXVECTOR3(1, 0, 0);
    return true;
  }
  const unsigned int r = inner.value, R = outer.value;
  const bool inwards = r != 0 && r != R && L <= static_cast<float>((r + R) / 2);
  *normal = inwards ? -d / L : d / L;
  return true;
}

bool ZVI_VGeom2D_Sector::DirectionAt(const D3DXVECTOR3& p, const D3DXVECTOR3&, D3DXVECTOR3* out) {
  if (out) *out = Normalised(centre.value - p);
  return true;
}

bool ZVI_VGeom2D_Sector::NormalAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* out_direction,
                                  D3DXVECTOR3* normal) {
  D3DXVECTOR3 d;
  DirectionAt(p, uv, &d);
  if (out_direction) *out_direction = d;
  if (normal) *normal = D3DXVECTOR3(d.y, -d.x, -0.0f);
  return true;
}

float ZVI_VGeom2D_Sector::CrossWidth(float u) {
  const float R = static_cast<float>(outer.value), r = static_cast<float>(inner.value);
  return ((R - r) * (1 - u) + r) * spread.derived;
}

void ZVI_VGeom2D_Sector::BindChangeCallbacks(FigureCallbackList& owner_list, FigureCallback callback) {
  owner_list.Add(callback, &centre);
  owner_list.Add(callback, &outer);
  owner_list.Add(callback, &inner);
}

void ZVI_VGeom2D_Sector::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawU32(ar, outer);
  ReadRawU32(ar, inner);
  ReadNotifiedU32(ar, direction);
  ReadNotifiedU32(ar, spread);
  ReadFigureRecord(ar);
}

// ---------------------------------------------------------------------------

SpiralParams::SpiralParams() {
  step.SetValue(45u);
  twist.SetScaleOffset(6.2831855e-6f, 0.0f, 100u);
}

bool ZVI_VGeom2D_Spiral::RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv) {
  D3DXVECTOR3 local;
  D3DXVECTOR3* p = uv ? uv : &local;
  p->x = std::sqrt(crt_rand01());
  p->y = crt_rand01();
  return PointAt(p, position, nullptr);
}

bool ZVI_VGeom2D_Spiral::PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3*) {
  const float rho = static_cast<float>(radius.value) * uv->x;
  // No arms would divide by zero: one arm stands for them.
  const float n = static_cast<float>(std::max(params.arms.value, 1u));
  float whole = 0.0f;
  const float f = std::modf(n * uv->y, &whole);
  const float s = static_cast<float>(params.sense.value);
  const float a = whole * 2 * kPi / n + params.start.radians + f * params.step.derived +
                  (2 * s - 1) * rho * 2 * kPi * params.twist.derived;
  const D3DXVECTOR3& c = centre.value;
  if (position) *position = D3DXVECTOR3(c.x + std::cos(a) * rho, c.y - std::sin(a) * rho, c.z);
  return true;
}

D3DXVECTOR3 ZVI_VGeom2D_Spiral::Tangent(const D3DXVECTOR3& p) const {
  const D3DXVECTOR3 d = p - centre.value;
  const float L = D3DXVec3Length(&d);
  const float ux = L > 0.0f ? d.x / L : 0.0f, uy = L > 0.0f ? d.y / L : 0.0f;
  const float turn = (2 * static_cast<float>(params.sense.value) - 1) * 2 * kPi * params.twist.derived;
  if (turn == 0.0f) {
    // Without twist the arms are rays: the tangent is the radial direction
    // the infinite factor would point along.
    const float sign = (2 * params.sense.value - 1) < 0 ? 1.0f : -1.0f;
    return D3DXVECTOR3(sign * ux, sign * uy, 0);
  }
  const float m = -1.0f / turn;
  return Normalised(D3DXVECTOR3(-d.y + m * ux, d.x + m * uy, 0));
}

bool ZVI_VGeom2D_Spiral::DirectionAt(const D3DXVECTOR3& p, const D3DXVECTOR3&, D3DXVECTOR3* direction) {
  if (direction) *direction = Tangent(p);
  return true;
}

bool ZVI_VGeom2D_Spiral::NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) {
  if (normal) *normal = Tangent(p);
  return true;
}

bool ZVI_VGeom2D_Spiral::NormalAt(const D3DXVECTOR3& p, const D3DXVECTOR3&, D3DXVECTOR3* direction,
                                  D3DXVECTOR3* normal) {
  if (direction) *direction = Tangent(p);
  const D3DXVECTOR3 e = Normalised(p - centre.value);
  if (normal) *normal = D3DXVECTOR3(e.y, -e.x, -0.0f);
  return true;
}

void ZVI_VGeom2D_Spiral::BindChangeCallbacks(FigureCallbackList& owner_list, FigureCallback callback) {
  owner_list.Add(callback, &centre);
  owner_list.Add(callback, &radius);
}

void ZVI_VGeom2D_Spiral::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawU32(ar, radius);
  uint32_t version = 0;
  ar.ReadDword(&version);
  ReadNotifiedU32(ar, params.start);
  ReadNotifiedU32(ar, params.step);
  ReadRawU32(ar, params.arms);
  int32_t sense = 0;
  ar.ReadInt(&sense);
  params.sense = sense;
  ReadNotifiedU32(ar, params.twist);
  ReadFigureRecord(ar);
}

// ---------------------------------------------------------------------------

D3DXVECTOR3 ZVI_VGeom2D_Sphere::SpatialDirection() {
  const float theta = crt_rand01() * 6.2831855f;
  const float psi = crt_rand01() * 3.1415927f;
  const D3DXVECTOR3 flat(std::cos(theta), -std::sin(theta), 0);
  D3DXMATRIX m;
  D3DXMatrixRotationY(&m, psi);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &flat, &m);
  return out;
}

bool ZVI_VGeom2D_Sphere::RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3*) {
  const float rho = static_cast<float>(radius.value) * crt_rand01();
  const D3DXVECTOR3 d = SpatialDirection();
  if (position) *position = centre.value + d * rho;
  return true;
}

bool ZVI_VGeom2D_Sphere::RandomDirection(D3DXVECTOR3* direction) {
  const D3DXVECTOR3 d = SpatialDirection();
  if (direction) *direction = d;
  return true;
}

bool ZVI_VGeom2D_Sphere::NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) {
  if (normal) *normal = Normalised(p - centre.value);
  return true;
}

void ZVI_VGeom2D_Sphere::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawU32(ar, radius);
  ReadFigureRecord(ar);
}

// ---------------------------------------------------------------------------

ZVI_VGeom2D_Stripe::ZVI_VGeom2D_Stripe() {
  centre.SetGeometry(new ZVI_VGeom2D_Polyline());
  start.SetScaleOffset(0.01f, 0.0f, 0u);
  end.SetScaleOffset(0.01f, 0.0f, 100u);
  ComputeBand();
}

float ZVI_VGeom2D_Stripe::WidthAt(float u) const {
  int32_t cursor = 1;
  const ZVI_VGraph* g = width.graph.Graph();
  const float G = g ? g->ValueAt(u, cursor) : 1.0f;
  return G * width.value.derived * width.jitter.derived;
}

void ZVI_VGeom2D_Stripe::ComputeBand() {
  ZVI_VGeom2D_Curve* c = Centre();
  if (!c || !c->curve) return;
  DS_SafePtr<ZVI_CurveOffsetMaker> maker = c->curve->GetOffsetMaker();
  if (maker) maker->Compute(static_cast<float>(width.value.value) * 0.5f);
}

bool ZVI_VGeom2D_Stripe::PointAtMapped(float u, float v, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  ZVI_VGeom2D_Curve* c = Centre();
  if (!c) return false;
  const float b = WidthAt(u) * (v - 0.5f);
  D3DXVECTOR3 d;
  c->PointAtLength(c->GetLength() * u, b, position, direction ? &d : nullptr);
  if (direction) {
    d = Normalised(d);
    *direction = b <= 0.0f ? D3DXVECTOR3(-d.y, d.x, 0) : D3DXVECTOR3(d.y, -d.x, -0.0f);
  }
  return true;
}

bool ZVI_VGeom2D_Stripe::PointAt(D3DXVECTOR3* uv, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  const float s = start.derived, e = end.derived;
  uv->x = s + (e - s) * uv->x;
  return PointAtMapped(uv->x, uv->y, position, direction);
}

bool ZVI_VGeom2D_Stripe::PointAtUV(float u, float v, D3DXVECTOR3* position, D3DXVECTOR3* direction) {
  return PointAtMapped(u, v, position, direction);
}

bool ZVI_VGeom2D_Stripe::CenterPoint(D3DXVECTOR3* point) {
  return Centre() ? Centre()->CenterPoint(point) : false;
}

bool ZVI_VGeom2D_Stripe::NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3& p) {
  ZVI_VGeom2D_Curve* c = Centre();
  D3DXVECTOR3 n, D;
  if (!c || !c->curve->NearestPoint(p, &n, &D)) {
    // Offset centre curves keep no samples to find a nearest segment in.
    if (normal) *normal = D3DXVECTOR3(1, 0, 0);
    return false;
  }
  if (!normal) return true;
  if (width.value.value != 0) {
    const float side = std::copysign(1.0f, (p.y - n.y) * D.x - (p.x - n.x) * D.y);
    *normal = D3DXVECTOR3(side * -D.y, side * D.x, 0);
  } else {
    *normal = D3DXVECTOR3(D.y, -D.x, -0.0f);
  }
  return true;
}

bool ZVI_VGeom2D_Stripe::DirectionAt(const D3DXVECTOR3& p, const D3DXVECTOR3& uv, D3DXVECTOR3* direction) {
  return Centre() ? Centre()->DirectionAt(p, uv, direction) : false;
}

bool ZVI_VGeom2D_Stripe::IsClosed() { return Centre() ? Centre()->IsClosed() : false; }
bool ZVI_VGeom2D_Stripe::QueryFlag() { return Centre() ? Centre()->QueryFlag() : false; }
float ZVI_VGeom2D_Stripe::AxisLength(float) { return Centre() ? Centre()->GetLength() : 0.0f; }

void ZVI_VGeom2D_Stripe::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  std::unique_ptr<ZVI_VGeom2D> fig = ReadObjectOf<ZVI_VGeom2D>(ar);
  if (auto* as_curve = dynamic_cast<ZVI_VGeom2D_Curve*>(fig.get())) {
    fig.release();
    centre.SetGeometry(as_curve);
  }
  ReadJitterGraphParam(ar, width);
  if (version >= 2) {
    start.Read(ar);
    end.Read(ar);
  }
  ReadVGeom2DBaseRecord(ar);
  ComputeBand();
}

// ---------------------------------------------------------------------------

bool ZVI_VGeom2D_Freeform::RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3*) {
  if (cells.empty()) return false;
  const float t = crt_rand01() * total_weight;
  auto it = std::lower_bound(cells.begin(), cells.end(), t,
                             [](const FreeformCell& c, float v) { return c.cumulative < v; });
  if (it == cells.end()) {
    if (position) *position = D3DXVECTOR3(0, 0, 0);
    return true;
  }
  const float y = it->y0 + crt_rand01() * (it->y1 - it->y0);
  const float x = it->x0 + crt_rand01() * (it->x1 - it->x0);
  if (position) *position = D3DXVECTOR3(x, y, 0);
  return true;
}

bool ZVI_VGeom2D_Freeform::CenterPoint(D3DXVECTOR3* point) {
  if (point) *point = D3DXVECTOR3(0, 0, 0);
  return true;
}

bool ZVI_VGeom2D_Freeform::NormalNear(D3DXVECTOR3* normal, const D3DXVECTOR3&) {
  if (normal) *normal = D3DXVECTOR3(1, 0, 0);
  return true;
}

void ZVI_VGeom2D_Freeform::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  uint32_t word = 0;
  ar.ReadDword(&word);
  ar.ReadFloat(&total_weight);
  const uint32_t n = ar.ReadSignedCount(24);
  cells.assign(n, FreeformCell{});
  for (FreeformCell& c : cells) {
    ar.ReadDword(&word);
    ar.ReadFloat(&c.x0);
    ar.ReadFloat(&c.y0);
    ar.ReadFloat(&c.x1);
    ar.ReadFloat(&c.y1);
    ar.ReadFloat(&c.cumulative);
    c.word = 1;
  }
  ar.ReadDword(&word);
  const uint32_t size = ar.ReadSignedCount(1);
  bytes = DS_SafePtr<std::vector<uint8_t>>(new std::vector<uint8_t>(size));
  if (size) ar.ReadBytes(size, bytes->data());
  ar.ReadFloat(&bytes_float);
  ReadVGeom2DBaseRecord(ar);
}

bool ZVI_VGeom2D_Text::RandomPoint(D3DXVECTOR3* position, D3DXVECTOR3* uv) {
  D3DXVECTOR3 p(0, 0, 0);
  ZVI_VGeom2D_Freeform::RandomPoint(&p, uv);
  if (position) *position = p + offset.value;
  return true;
}

bool ZVI_VGeom2D_Text::CenterPoint(D3DXVECTOR3* point) {
  if (point) *point = offset.value;
  return true;
}

void ZVI_VGeom2D_Text::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadTextParams(ar, text);
  offset = ReadVector(ar);
  SkipRecordHeader(ar);
  ZVI_VGeom2D_Freeform::ReadRecord(ar, version);
}
