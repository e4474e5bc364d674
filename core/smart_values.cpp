#include "core/smart_values.h"

#include "core/archive.h"
#include "core/crt.h"

namespace {

// float(degrees) x pi / 180, multiplied before dividing, in single precision.
float DegreesToRadians(float degrees) {
  float product = degrees * kDegToRadPi;
  return product / 180.0f;
}

float DegreesOf(unsigned int value) { return static_cast<float>(static_cast<double>(value)); }

}  // namespace

// ---------------------------------------------------------------------------

ZVI_SmartAngle::ZVI_SmartAngle() : MediaParamT<unsigned int>(0u) {
  recompute.Attach(this);
  Recompute();
}

ZVI_SmartAngle::ZVI_SmartAngle(const MediaParamT<unsigned int>& other)
    : MediaParamT<unsigned int>(other.value) {
  recompute.Attach(this);
  Recompute();
}

ZVI_SmartAngle::ZVI_SmartAngle(const ZVI_SmartAngle& other) : ZVI_SmartAngle(static_cast<const MediaParamT<unsigned int>&>(other)) {}

ZVI_SmartAngle& ZVI_SmartAngle::operator=(const ZVI_SmartAngle& other) {
  MediaParamT<unsigned int>::operator=(other);
  Recompute();
  return *this;
}

void ZVI_SmartAngle::Recompute() {
  radians = DegreesToRadians(DegreesOf(value));
  D3DXMatrixRotationZ(&rotation, -radians);
  const D3DXVECTOR4 unitX(1.0f, 0.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&direction, &unitX, &rotation);
  D3DXMatrixTranspose(&inverseRotation, &rotation);
}

// ---------------------------------------------------------------------------

MediaDirection::MediaDirection() : MediaParamT<unsigned int>(0u) {
  recompute.Attach(this);
  Recompute();
}

MediaDirection::MediaDirection(const MediaParamT<unsigned int>& other)
    : MediaParamT<unsigned int>(other.value) {
  recompute.Attach(this);
  Recompute();
}

MediaDirection::MediaDirection(const MediaDirection& other) : MediaDirection(static_cast<const MediaParamT<unsigned int>&>(other)) {}

MediaDirection& MediaDirection::operator=(const MediaDirection& other) {
  MediaParamT<unsigned int>::operator=(other);
  Recompute();
  return *this;
}

void MediaDirection::Recompute() {
  D3DXMatrixRotationZ(&rotation, DegreesToRadians(DegreesOf(value)));
  const D3DXVECTOR4 unitX(1.0f, 0.0f, 0.0f, 0.0f);
  const D3DXVECTOR4 unitY(0.0f, 1.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&direction, &unitX, &rotation);
  D3DXVec4Transform(&normal, &unitY, &rotation);
}

D3DXVECTOR3 MediaSector::RandomDirection() const {
  const float s = DegreesOf(spread.value);
  const float r = crt_rand01();
  const float width = s - (-s);
  const float offset = r * width + (-s);
  const float turned = 360.0f - (DegreesOf(value) + offset);
  const float angle = DegreesToRadians(turned);
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, angle);
  const D3DXVECTOR3 unitX(1.0f, 0.0f, 0.0f);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &unitX, &m);
  return out;
}

// ---------------------------------------------------------------------------

void MediaQuad::SetCentredRect(float width, float height, const D3DXVECTOR3& c) {
  const float hw = width / 2.0f;
  const float hh = height / 2.0f;
  corners[0].value = D3DXVECTOR3(c.x - hw, c.y - hh, c.z);
  corners[1].value = D3DXVECTOR3(c.x - hw, c.y + hh, c.z);
  corners[2].value = D3DXVECTOR3(c.x + hw, c.y - hh, c.z);
  corners[3].value = D3DXVECTOR3(c.x + hw, c.y + hh, c.z);
}

void ReadMediaQuad(DS_IOF_Archive& ar, MediaQuad& quad) {
  for (auto& corner : quad.corners) {
    ar.ReadFloat(&corner.value.x);
    ar.ReadFloat(&corner.value.y);
    ar.ReadFloat(&corner.value.z);
  }
}

void WriteMediaQuad(DS_IOF_Archive& ar, const MediaQuad& quad) {
  for (const auto& corner : quad.corners) {
    ar.Stream()->WriteFloat(&corner.value.x);
    ar.Stream()->WriteFloat(&corner.value.y);
    ar.Stream()->WriteFloat(&corner.value.z);
  }
}

// ---------------------------------------------------------------------------

namespace {
thread_local HitTestMatricesSource g_hitTestSource = nullptr;
}

void SetHitTestMatricesSource(HitTestMatricesSource source) { g_hitTestSource = source; }

void GetHitTestMatrices(D3DXMATRIX* inverseView, D3DXMATRIX* spare) {
  D3DXMatrixIdentity(inverseView);
  D3DXMatrixIdentity(spare);
  if (g_hitTestSource) g_hitTestSource(inverseView, spare);
}

bool MediaRectangle::HitTest(float x, float y) const {
  D3DXMATRIX inverseView;
  D3DXMATRIX spare;
  GetHitTestMatrices(&inverseView, &spare);
  return HitTest(x, y, inverseView, spare);
}

bool MediaRectangle::HitTest(float x, float y, const D3DXMATRIX& inverseView,
                             const D3DXMATRIX& spare) const {
  const D3DXVECTOR4 client(x, y, 0.0f, 1.0f);
  D3DXVECTOR4 viewed;
  D3DXVECTOR4 scene;
  D3DXVec4Transform(&viewed, &client, &inverseView);
  D3DXVec4Transform(&scene, &viewed, &spare);
  return static_cast<float>(left.value) <= scene.x && scene.x <= static_cast<float>(right.value) &&
         static_cast<float>(top.value) <= scene.y && scene.y <= static_cast<float>(bottom.value);
}

namespace {
void ReadRawInt(DS_IOF_Archive& ar, int& target) {
  uint32_t word = static_cast<uint32_t>(target);
  ar.ReadDword(&word);
  target = static_cast<int32_t>(word);
}
void WriteRawInt(DS_IOF_Archive& ar, int source) {
  const uint32_t word = static_cast<uint32_t>(source);
  ar.Stream()->WriteDword(&word);
}
}  // namespace

void ReadMediaRectangle(DS_IOF_Archive& ar, MediaRectangle& rect) {
  ReadRawInt(ar, rect.left.value);
  ReadRawInt(ar, rect.right.value);
  ReadRawInt(ar, rect.top.value);
  ReadRawInt(ar, rect.bottom.value);
  ReadRawInt(ar, rect.extra1.value);
  ReadRawInt(ar, rect.extra2.value);
}

void WriteMediaRectangle(DS_IOF_Archive& ar, const MediaRectangle& rect) {
  WriteRawInt(ar, rect.left.value);
  WriteRawInt(ar, rect.right.value);
  WriteRawInt(ar, rect.top.value);
  WriteRawInt(ar, rect.bottom.value);
  WriteRawInt(ar, rect.extra1.value);
  WriteRawInt(ar, rect.extra2.value);
}
