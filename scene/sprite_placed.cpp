#include "scene/sprite_placed.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "player/doc_res_manager.h"

namespace {

constexpr float kPi = 3.1415927f;

float W() { return static_cast<float>(GetRenderSettings().pictureWidth); }
float H() { return static_cast<float>(GetRenderSettings().pictureHeight); }

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

int32_t Truncated(float v) {
  if (!(std::fabs(v) < 2147483520.0f)) return 0;
  return static_cast<int32_t>(v);
}

void ReadSpriteBase(DS_BaseSpriteProp& model, DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  model.ReadFields(ar, version);
}

// Visibility scales the time step; flags bit 0; trailing integer 6.
void SwayingTiming(DS_ABObj_Constructor& model) {
  model.timing.timeMode.value = 2;
  model.timing.flags |= 1u;
  model.unsavedValue = 6;
}

}  // namespace

float LeanSlope(float lean) {
  // At 90 degrees the slope would be infinite.
  constexpr float kMaxLean = 89.9f;
  if (!(lean < kMaxLean)) lean = lean > 0.0f ? kMaxLean : 0.0f;
  if (lean < -kMaxLean) lean = -kMaxLean;
  return 1.0f / std::tan((90.0f - lean) * kPi / 180.0f);
}

// ---------------------------------------------------------------------------

DS_StatObjConstructor::DS_StatObjConstructor() { D3DXMatrixIdentity(&rotation); }

void DS_StatObjConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadMediaRectangle(ar, objectRect);
  ar.ReadUInt(&rotationAngle.value);
  if (version < 2) {
    ar.ReadInt(&flipVertical.value);
    ar.ReadInt(&flipHorizontal.value);
  }
  ReadSpriteBase(*this, ar);
}

void DS_StatObjConstructor::ReadStatRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  DS_StatObjConstructor::ReadRecord(ar, version);
}

void DS_StatObjConstructor::GetViewRect(QuadCorners* out) {
  out->Reset();
  const float l = static_cast<float>(objectRect.left.value), r = static_cast<float>(objectRect.right.value);
  const float t = static_cast<float>(objectRect.top.value), b = static_cast<float>(objectRect.bottom.value);
  out->c[0].x = l;
  out->c[0].y = b;
  out->c[1].x = l;
  out->c[1].y = t;
  out->c[2].x = r;
  out->c[2].y = b;
  out->c[3].x = r;
  out->c[3].y = t;
}

void DS_StatObjConstructor::SpawnSprite(SpriteRecord& s) {
  const float x = static_cast<float>(objectRect.extra1.value), y = static_cast<float>(objectRect.extra2.value);
  s.position = D3DXVECTOR3(x, y, 0.0f);
  s.SetHalfSizes(*this);
  s.colour = BaseArgb(s.alphaFactor);
  D3DXMatrixRotationZ(&rotation, static_cast<float>(rotationAngle.value) * -kPi / 180.0f);
  s.xAxis = Transformed(D3DXVECTOR3(1.0f, 0.0f, 0.0f), rotation);
  s.yAxis = Transformed(D3DXVECTOR3(0.0f, 1.0f, 0.0f), rotation);
  const float ex = std::fabs(s.halfWidth * s.xAxis.x) + std::fabs(s.halfHeight * s.yAxis.x);
  const float ey = std::fabs(s.halfHeight * s.yAxis.y) + std::fabs(s.halfWidth * s.xAxis.y);
  objectRect.left.value = Truncated(x - ex);
  objectRect.right.value = Truncated(x + ex);
  objectRect.top.value = Truncated(y - ey);
  objectRect.bottom.value = Truncated(y + ey);
}

// ---------------------------------------------------------------------------

DS_FlowerConstructor::DS_FlowerConstructor() { SwayingTiming(*this); }

void DS_FlowerConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadFloat(&swayAmplitude);
  ReadStatRecord(ar);
}

void DS_FlowerConstructor::UpdateSprite(SpriteRecord& s) {
  const float sway = std::sin(spriteTime + s.velocity.y);
  const float c = LeanSlope(sway * swayAmplitude);
  s.yAxis = Transformed(D3DXVECTOR3(c, 1.0f, 0.0f), rotation);
  const float cx = static_cast<float>(objectRect.extra1.value), cy = static_cast<float>(objectRect.extra2.value);
  s.position.x = cx - s.xAxis.x * s.halfHeight * c;
  s.position.y = cy - s.xAxis.y * s.halfHeight * c;
}

// ---------------------------------------------------------------------------

uint32_t DS_DischargeConstructor::NextFrame(uint32_t frame) {
  const uint32_t n = FrameCount();
  if (n < 2) return frame;
  uint32_t f = frame;
  do {
    f = static_cast<uint32_t>(crt_rand()) % n;
  } while (f == frame);
  return f;
}

// ---------------------------------------------------------------------------

DS_GrassConstructor::DS_GrassConstructor() { SwayingTiming(*this); }

void DS_GrassConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadFloat(&swayAmplitude);
  ReadSpriteBase(*this, ar);
}

void DS_GrassConstructor::SpawnSprite(SpriteRecord& s) {
  const float x = Uniform(left * W(), right * W());
  s.velocity.z = x;
  s.position = D3DXVECTOR3(x, bottom * H() - s.halfHeight, 0.0f);
  s.velocity.y = Uniform(0.0f, 1.5707964f);
  s.xAxis = D3DXVECTOR3((crt_rand() & 1) == 0 ? 1.0f : -1.0f, 0.0f, 0.0f);
}

void DS_GrassConstructor::UpdateSprite(SpriteRecord& s) {
  const float w = W();
  const float phase = w != 0.0f ? s.position.x / w * 2.0f * kPi : 0.0f;
  const float sway = std::sin(viewTime + s.velocity.y + phase);
  const float c = LeanSlope(sway * swayAmplitude);
  s.yAxis = D3DXVECTOR3(c, 1.0f, 0.0f);
  s.position.x = s.velocity.z - s.halfHeight * c;
}
