#include "effects/distortion_bases.h"

#include <cmath>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"

namespace {

void ReadHeader(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
}

void ReadVector(DS_IOF_Archive& ar, D3DXVECTOR3& v) {
  ar.ReadFloat(&v.x);
  ar.ReadFloat(&v.y);
  ar.ReadFloat(&v.z);
}

// Rows (c, -s), (s, c), (-u c - v s, u s - v c): subtract (u, v), then turn.
D3DXMATRIX ToPointAndTurn(float c, float s, float u, float v) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._11 = c;
  m._12 = -s;
  m._21 = s;
  m._22 = c;
  m._31 = -u * c - v * s;
  m._32 = u * s - v * c;
  return m;
}

float Radians(unsigned int degrees) { return static_cast<float>(degrees) * 3.1415927f / 180.0f; }

}  // namespace

// ---------------------------------------------------------------------------
// DS_DirectionBased

DS_DirectionBased::DS_DirectionBased() {
  controls_.Add(&DS_DirectionBased::UpdateDirection, &angle);
  UpdateDirection();
}

DS_DirectionBased::DS_DirectionBased(const DS_DirectionBased& other)
    : DS_FX_Constructor(other), amplitude(other.amplitude), angle(other.angle) {
  controls_.Add(&DS_DirectionBased::UpdateDirection, &angle);
  UpdateDirection();
}

void DS_DirectionBased::UpdateDirection() {
  // Unsigned subtraction first, as stored angles are.
  const float a = static_cast<float>(360u - angle.value);
  D3DXMATRIX r;
  D3DXMatrixRotationZ(&r, a * 3.1415927f / 180.0f);
  const D3DXVECTOR4 unit(1.0f, 0.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&direction, &unit, &r);
}

void DS_DirectionBased::ReadDirectionRecord(DS_IOF_Archive& ar) {
  ReadHeader(ar);
  amplitude.Read(ar);
  ar.ReadUInt(&angle.value);
  ReadFXBase(ar);
}

// ---------------------------------------------------------------------------
// DS_CentralBased

void DS_CentralBased::LoadEffect(TextureHolder* maskHolder) { DS_FX_Constructor::LoadEffect(maskHolder); }

void DS_CentralBased::ReadFields(DS_IOF_Archive& ar) {
  ReadVector(ar, center.value);
  ReadFXBase(ar);
}

void DS_CentralBased::ReadCentralRecord(DS_IOF_Archive& ar) {
  ReadHeader(ar);
  ReadFields(ar);
}

void DS_CentralBased::UploadCenter(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  SetCommonParams(context);
  const bool shifted = IsDisplacement();
  const float ox = shifted ? maskPosition.x : 0.0f, oy = shifted ? maskPosition.y : 0.0f;
  const D3DXVECTOR2 size = ViewportSize();
  SetFloats(e, "Center", {(center.value.x + ox) / size.x, (center.value.y + oy) / size.y});
}

// ---------------------------------------------------------------------------
// DS_LineBased

void DS_LineBased::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  UpdateLines();
}

void DS_LineBased::ReadLineRecord(DS_IOF_Archive& ar) {
  ReadHeader(ar);
  ar.ReadUInt(&axis.value);
  axis.Recompute();
  ReadFields(ar);
}

void DS_LineBased::ComputeLines(bool axisScaled) {
  D3DXVECTOR3 p = center.value;
  if (mode.value != 0 && IsDisplacement()) {
    p.x += maskPosition.x;
    p.y += maskPosition.y;
    p.z += maskPosition.z;
  }
  const D3DXVECTOR2 size = ViewportSize();
  const float w = size.x, h = size.y;
  const float x0 = p.x / w, y0 = p.y / h;
  const float x1 = (p.x + axis.direction.x) / w, y1 = (p.y - axis.direction.y) / h;
  float a = y0 - y1, b = x1 - x0, c = x0 * y1 - y0 * x1;
  const float axisLength = std::sqrt(a * a + b * b);
  axisLine[0] = a / axisLength;
  axisLine[1] = b / axisLength;
  axisLine[2] = c / axisLength;
  const float x2 = (p.x + axis.normal.x) / w, y2 = (p.y - axis.normal.y) / h;
  a = y0 - y2;
  b = x2 - x0;
  c = x0 * y2 - y0 * x2;
  const float divisor =
      axisScaled ? std::sqrt(axisLine[0] * axisLine[0] + axisLine[1] * axisLine[1]) : std::sqrt(a * a + b * b);
  normalLine[0] = a / divisor;
  normalLine[1] = b / divisor;
  normalLine[2] = c / divisor;
}

void DS_LineBased::UpdateLines() { ComputeLines(false); }

void DS_LineBased::UpdateLinesAxisScaled() { ComputeLines(true); }

void DS_LineBased::UploadLines(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadCenter(context);
  SetFloats(e, "Ln", {axisLine[0], axisLine[1], axisLine[2]});
  SetFloats(e, "Lt", {normalLine[0], normalLine[1], normalLine[2]});
  const D3DXVECTOR2 size = ViewportSize();
  auto unit = [](float x, float y) {
    const float l = std::sqrt(x * x + y * y);
    return D3DXVECTOR2(x / l, y / l);
  };
  const D3DXVECTOR2 t = unit(axis.normal.x / size.x, -axis.normal.y / size.y);
  const D3DXVECTOR2 n = unit(axis.direction.x / size.x, -axis.direction.y / size.y);
  SetFloats(e, "t", {t.x, t.y});
  SetFloats(e, "n", {n.x, n.y});
}

// ---------------------------------------------------------------------------
// DS_PerspectiveBased

DS_PerspectiveBased::DS_PerspectiveBased() {
  perspectiveScale.SetScaleOffset(0.01f, 0.0f, 100u);
  perspectiveOffset.SetScaleOffset(0.01f, 0.0f, 80u);
  axis.SetValue(90u);
}

void DS_PerspectiveBased::ReadPerspectiveRecord(DS_IOF_Archive& ar) {
  ReadHeader(ar);
  tilt.Read(ar);
  perspectiveScale.Read(ar);
  ar.ReadUInt(&axis.value);
  axis.Recompute();
  ReadFields(ar);
}

void DS_PerspectiveBased::UploadPerspective(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float a = tilt.derived;
  const float k1 = perspectiveScale.derived, k2 = perspectiveOffset.derived;
  const float s1 = std::sin(a) / k1;
  const float ca = std::cos(a);
  SetFloats(e, "Perspective", {ca, s1, k2 * ca / s1, ca / s1 - k2 * ca / s1});
  const float wt = static_cast<float>(context->GetTargetWidth());
  const float ht = static_cast<float>(context->GetTargetHeight());
  const float u = center.value.x / wt, v = center.value.y / ht;
  const float theta = -Radians(axis.value);
  const float c = std::cos(theta), s = std::sin(theta);
  const D3DXMATRIX m2 = ToPointAndTurn(c, s, u, v);
  e->SetMatrix("r_matrix2", &m2);
  D3DXMATRIX m5;
  D3DXMatrixIdentity(&m5);
  m5._11 = c;
  m5._12 = s;
  m5._21 = -s;
  m5._22 = c;
  D3DXMATRIX scaling, ms, r5;
  D3DXMatrixScaling(&scaling, wt, ht, 1.0f);
  D3DXMatrixMultiply(&ms, &m5, &scaling);
  D3DXMatrixMultiply(&r5, &ms, &m2);
  e->SetMatrix("r_matrix5", &r5);
  D3DXMATRIX wvp;
  D3DXMatrixIdentity(&wvp);
  RenderContext* rc = CurrentRenderContext();
  ImageQuad* screen = context->GetScreenQuad();
  if (rc && screen) rc->GetWorldViewProj(&wvp, screen->world);
  e->SetMatrix("WorldViewProj", &wvp);
}

void UploadRotationMatrices(DS_ABRender* context, ID3DXEffect* effect, unsigned int angle, const D3DXVECTOR3& point) {
  if (!effect || !context) return;
  const float r = Radians(angle + 90u);
  const float theta = -r;
  const float c = std::cos(theta), s = std::sin(theta);
  const float u = point.x / static_cast<float>(context->GetTargetWidth());
  const float v = point.y / static_cast<float>(context->GetTargetHeight());
  const D3DXMATRIX m2 = ToPointAndTurn(c, s, u, v);
  effect->SetMatrix("r_matrix2", &m2);
  D3DXMATRIX m5;
  D3DXMatrixIdentity(&m5);
  m5._11 = c;
  m5._12 = s;
  m5._21 = -s;
  m5._22 = c;
  m5._31 = u;
  m5._32 = v;
  effect->SetMatrix("r_matrix5", &m5);
}
