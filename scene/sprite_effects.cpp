#include "scene/sprite_effects.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "player/doc_res_manager.h"

namespace {

float W() { return static_cast<float>(GetRenderSettings().pictureWidth); }
float H() { return static_cast<float>(GetRenderSettings().pictureHeight); }

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

// The base record after the own fields: its header, then its fields.
void ReadSpriteBase(DS_BaseSpriteProp& model, DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  model.ReadFields(ar, version);
}

}  // namespace

// ---------------------------------------------------------------------------

void DS_GodRayConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadUInt(&rayAngle.value);
  ReadSpriteBase(*this, ar);
}

void DS_GodRayConstructor::SpawnSprite(SpriteRecord& s) {
  s.xMultiplier = 0.0f;
  s.yMultiplier = 0.0f;
  s.word = 0;
  const float x = Uniform(left * W(), right * W());
  const float vx = Uniform(-10.0f, 10.0f);
  s.velocity = D3DXVECTOR3(vx, 0.0f, 0.0f);
  s.position = D3DXVECTOR3(x, (bottom * H() - top * H()) * 0.5f, 0.0f);
  s.halfWidth = static_cast<float>(size.value) * 0.5f;
  s.halfHeight = H() * 0.5f;
  const float angle = static_cast<float>(rayAngle.value);
  const float a = ((angle < 180.0f ? 180.0f : 360.0f) - angle) * 2.0f * 3.1415927f / 360.0f;
  s.yAxis = D3DXVECTOR3(1.0f / std::tan(a), 1.0f, 0.0f);
  s.alphaFactor = crt_rand01();
}

void DS_GodRayConstructor::UpdateSprite(SpriteRecord& s) {
  if (viewTime - s.switchTime > 0.25f) {
    s.switchTime = viewTime;
    if (crt_rand() & 1) s.velocity = D3DXVECTOR3(Uniform(-10.0f, 10.0f), 0.0f, 0.0f);
  }
  s.position.x += s.velocity.x * viewStep;
  s.position.y += s.velocity.y * viewStep;
  s.alphaFactor += s.twinkleSpeed * viewStep;
  if (s.alphaFactor < twinkleMin) {
    SpawnSprite(s);
    s.alphaFactor = twinkleMin;
    s.twinkleSpeed = -s.twinkleSpeed;
  } else if (s.alphaFactor > twinkleMax) {
    s.alphaFactor = twinkleMax;
    s.twinkleSpeed = -s.twinkleSpeed;
  }
  s.colour = BaseArgb(s.alphaFactor);
}

// ---------------------------------------------------------------------------

DS_SparkleConstructor::DS_SparkleConstructor() {
  flagByte = 1;
  timing.flags |= 1u;
  unsavedValue = 1;
}

void DS_SparkleConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadSpriteBase(*this, ar); }

void DS_SparkleConstructor::SpawnSprite(SpriteRecord& s) {
  const float vx = Uniform(-25.0f, 25.0f);
  const float vy = Uniform(-25.0f, 25.0f);
  s.velocity = D3DXVECTOR3(vx, vy, 0.0f);
  s.position = RandomPointInView();
  s.xMultiplier = 0.0f;
  s.yMultiplier = 0.0f;
  s.word = 0;
  s.alphaFactor = crt_rand01();
}

void DS_SparkleConstructor::UpdateSprite(SpriteRecord& s) {
  s.position.x += s.velocity.x * viewStep;
  s.position.y += s.velocity.y * viewStep;
  s.alphaFactor += s.twinkleSpeed * viewStep;
  if (s.alphaFactor < twinkleMin) {
    SpawnSprite(s);
    s.alphaFactor = twinkleMin;
    s.twinkleSpeed = -s.twinkleSpeed;
  } else if (s.alphaFactor > twinkleMax) {
    s.alphaFactor = twinkleMax;
    s.twinkleSpeed = -s.twinkleSpeed;
  }
  s.colour = BaseArgb(s.alphaFactor);
  const float e = static_cast<float>(size.value) * s.sizeFactor * 0.25f;
  const float A = s.alphaFactor;
  s.halfWidth = e * A + e;
  s.halfHeight = (e * A + e) * 0.5f * A + e;
}

// ---------------------------------------------------------------------------

DS_FogConstructor::DS_FogConstructor() {
  twinkleMin = 0.2f;
  twinkleMax = 1.0f;
  translucency.SetValue(50u);
  timing.timeMode.value = 1;
  timing.flags |= 1u;
  unsavedValue = 2;
}

void DS_FogConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadFloat(&maxSpeedX);
  ar.ReadFloat(&maxSpeedY);
  ReadSpriteBase(*this, ar);
}

void DS_FogConstructor::SpawnSprite(SpriteRecord& s) {
  s.position = RandomPointInView();
  const float vx = Uniform(-maxSpeedX, maxSpeedX);
  const float vy = Uniform(-maxSpeedY, maxSpeedY);
  s.velocity.x = vx;
  s.velocity.y = vy;
  s.alphaFactor = crt_rand01();
  D3DXMatrixRotationZ(&s.matrix, Uniform(-0.004f, 0.004f));
}

void DS_FogConstructor::UpdateSprite(SpriteRecord& s) {
  s.position.x += s.velocity.x * viewStep;
  s.position.y += s.velocity.y * viewStep;
  s.alphaFactor += s.twinkleSpeed * viewStep;
  if (s.alphaFactor < twinkleMin) {
    s.alphaFactor = twinkleMin;
    s.twinkleSpeed = -s.twinkleSpeed;
  } else if (s.alphaFactor > twinkleMax) {
    s.alphaFactor = twinkleMax;
    s.twinkleSpeed = -s.twinkleSpeed;
  }
  if (s.position.y > bottom * H()) s.velocity.y = -std::fabs(s.velocity.y);
  if (s.position.y < top * H()) s.velocity.y = std::fabs(s.velocity.y);
  if (s.position.x < left * W()) s.velocity.x = std::fabs(s.velocity.x);
  if (s.position.x > right * W()) s.velocity.x = -std::fabs(s.velocity.x);
  s.xAxis = Transformed(s.xAxis, s.matrix);
  s.yAxis = Transformed(s.yAxis, s.matrix);
  s.colour = BaseArgb(s.alphaFactor);
}

// ---------------------------------------------------------------------------

DS_LightingConstructor::DS_LightingConstructor() {
  blendMode.value = 1;
  flagByte = 1;
}

void DS_LightingConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 2) {
    ar.ReadUInt(&minPause.value);
    ar.ReadUInt(&maxPause.value);
  }
  ReadSpriteBase(*this, ar);
  // Flashes come and go with a random timeline.
  timing.flags &= ~1u;
  timing.SetValue(1);
}

void DS_LightingConstructor::PlaceFlash(SpriteRecord& s) {
  s.SetHalfSizes(*this);
  const float hw = s.halfWidth, hh = s.halfHeight;
  const float x = Uniform(left * W() + hw, right * W() - hw);
  const float y = Uniform(top * H() + hh, bottom * H() - hh);
  s.position = D3DXVECTOR3(x, y, 0.0f);
  D3DXMATRIX r;
  D3DXMatrixRotationZ(&r, Uniform(0.0f, 0.7853982f) - 0.3926991f);
  const float sign = (crt_rand() & 1) == 0 ? 1.0f : -1.0f;
  s.xAxis = Transformed(D3DXVECTOR3(sign, 0.0f, 0.0f), r);
  s.yAxis = Transformed(D3DXVECTOR3(0.0f, 1.0f, 0.0f), r);
}

float DS_LightingConstructor::DrawPause() {
  const uint32_t lo = minPause.value, hi = maxPause.value;
  if (lo >= hi) return static_cast<float>(lo) * 0.01f;
  // The range can hold 2^32 values: counted in 64 bits.
  const uint64_t range = static_cast<uint64_t>(hi) - lo + 1;
  const uint64_t pause = lo + static_cast<uint64_t>(crt_rand()) % range;
  return static_cast<float>(pause) * 0.01f;
}

void DS_LightingConstructor::SpawnSprite(SpriteRecord& s) {
  PlaceFlash(s);
  s.alphaFactor = 0.0f;
}

void DS_LightingConstructor::UpdateSprite(SpriteRecord& s) {
  const float t = viewLast;
  if (s.alphaFactor != 0.0f) {
    s.alphaFactor -= 6.0f * viewStep;
    if (viewTime - s.switchTime > 0.15f) {
      s.switchTime = viewTime;
      if (crt_rand() & 1) s.alphaFactor = 1.0f;
    }
  } else if (s.delay < t - s.switchTime) {
    PlaceFlash(s);
    s.alphaFactor = 1.0f;
    s.switchTime = viewTime;
  }
  if (s.alphaFactor < 0.0f) {
    s.alphaFactor = 0.0f;
    s.switchTime = t;
    s.delay = DrawPause();
  }
  s.colour = BaseArgb(s.alphaFactor);
}
