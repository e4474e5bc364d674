#include "scene/sprite_flow.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "player/doc_res_manager.h"

namespace {

constexpr float kPi = 3.1415927f;

D3DXVECTOR3 Transformed(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

// Adds x per second over dt; a time of 0 ms jumps.
float FadeStep(unsigned int milliseconds, float dt, bool down, float a) {
  if (milliseconds == 0) return down ? 0.0f : 1.0f;
  const float delta = 1000.0f / static_cast<float>(milliseconds) * dt;
  return down ? a - delta : a + delta;
}

}  // namespace

// ---------------------------------------------------------------------------
// DS_BoundControl

DS_BoundControl::DS_BoundControl(const DS_BoundControl& other)
    : DS_IOF_Item(other),
      edge(other.edge),
      mode(other.mode),
      fadeOut(other.fadeOut),
      fadeIn(other.fadeIn),
      minPause(other.minPause),
      maxPause(other.maxPause) {}

void DS_BoundControl::ReadRecord(DS_IOF_Archive& ar) {
  ar.ReadInt(&mode.value);
  ar.ReadUInt(&fadeOut.value);
  ar.ReadUInt(&fadeIn.value);
  ar.ReadUInt(&minPause.value);
  ar.ReadUInt(&maxPause.value);
}

bool DS_BoundControl::FullyOutside(const SpriteRecord& s) const {
  const DS_FlowConstructor& m = *owner;
  const float x = s.position.x, y = s.position.y;
  const float hw = std::fabs(s.halfWidth), hh = std::fabs(s.halfHeight);
  switch (edge) {
    case kTop: return m.top * m.H() > y + hh;
    case kBottom: return y - hh > m.bottom * m.H();
    case kLeft: return m.left * m.W() > x + hw;
    case kRight: return x - hw > m.right * m.W();
    default: return false;
  }
}

bool DS_BoundControl::Crossing(const SpriteRecord& s) const {
  const DS_FlowConstructor& m = *owner;
  const float x = s.position.x, y = s.position.y;
  switch (edge) {
    case kTop: return m.top * m.H() > y - s.halfHeight;
    case kBottom: return y + s.halfHeight > m.bottom * m.H();
    case kLeft: return m.left * m.W() > x - s.halfWidth;
    case kRight: return x + s.halfWidth > m.right * m.W();
    default: return false;
  }
}

void DS_BoundControl::Reflect(SpriteRecord& s) const {
  if (edge == kLeft || edge == kRight) s.xMultiplier = -s.xMultiplier;
  else s.yMultiplier = -s.yMultiplier;
}

void DS_BoundControl::StartPause(SpriteRecord& s) const {
  const float T = owner->viewTime;
  s.deadline = DS_BaseSpriteProp::Uniform(static_cast<float>(minPause.value) * 0.001f,
                                          static_cast<float>(maxPause.value) * 0.001f) +
               T;
  s.waitClock = T;
  s.frozen = 1;
}

bool DS_BoundControl::Check(SpriteRecord& s) {
  if (!owner) return false;
  if (s.handlingEdge == edge) {
    Continue(s);
    return true;
  }
  if (s.handlingEdge != -1) return false;
  const DS_FlowConstructor& m = *owner;
  switch (mode.value) {
    case 0: {
      if (!FullyOutside(s)) return false;
      if (s.alphaFactor > 0.0f) {
        s.handlingEdge = edge;
        return true;
      }
      const float W = m.W(), H = m.H();
      const float hw = s.halfWidth, hh = s.halfHeight;
      switch (edge) {
        case kTop:
          s.position.y = m.bottom * H + hh - 1.0f;
          s.position.x = DS_BaseSpriteProp::Uniform(m.left * W, m.right * W);
          break;
        case kBottom:
          s.position.y = m.top * H - hh + 1.0f;
          s.position.x = DS_BaseSpriteProp::Uniform(m.left * W, m.right * W);
          break;
        case kLeft:
          s.position.x = m.right * W + hw - 1.0f;
          s.position.y = DS_BaseSpriteProp::Uniform(m.top * H, m.bottom * H);
          break;
        default:
          s.position.x = m.left * W - hw + 1.0f;
          s.position.y = DS_BaseSpriteProp::Uniform(m.top * H, m.bottom * H);
          break;
      }
      s.reentered = 1;
      s.handlingEdge = edge;
      return true;
    }
    case 1:
      if (!Crossing(s)) return false;
      Reflect(s);
      s.handlingEdge = edge;
      return true;
    case 2:
      if (!FullyOutside(s)) return false;
      Reflect(s);
      StartPause(s);
      s.handlingEdge = edge;
      return true;
    default:
      return false;
  }
}

void DS_BoundControl::Continue(SpriteRecord& s) {
  const DS_FlowConstructor& m = *owner;
  const float dt = m.viewStep;
  const bool sideways = edge == kLeft || edge == kRight;
  const float lo = sideways ? m.left * m.W() : m.top * m.H();
  const float hi = sideways ? m.right * m.W() : m.bottom * m.H();
  const float half = sideways ? s.halfWidth : s.halfHeight;
  float& p = sideways ? s.position.x : s.position.y;
  switch (mode.value) {
    case 0:
      if (!s.reentered) {
        if (s.alphaFactor > 0.0f) {
          s.alphaFactor = std::fmax(0.0f, FadeStep(fadeOut.value, dt, true, s.alphaFactor));
        } else {
          s.handlingEdge = -1;
          StartPause(s);
        }
        return;
      }
      s.waitClock += dt;
      if (s.waitClock <= s.deadline) return;
      s.frozen = 0;
      if (s.alphaFactor < 1.0f) {
        s.alphaFactor = std::fmin(1.0f, FadeStep(fadeIn.value, dt, false, s.alphaFactor));
      } else {
        s.reentered = 0;
        s.handlingEdge = -1;
      }
      return;
    case 1:
      if (p > hi - half) p = hi - half - 1.0f;
      if (p < half + lo) p = half + lo + 1.0f;
      if (!Crossing(s)) s.handlingEdge = -1;
      return;
    case 2:
      if (p > half + hi) p = half + hi - 1.0f;
      if (p < lo - half) p = lo - half + 1.0f;
      s.waitClock += dt;
      if (s.waitClock <= s.deadline) return;
      s.frozen = 0;
      if (!FullyOutside(s)) s.handlingEdge = -1;
      return;
    default:
      return;
  }
}

// ---------------------------------------------------------------------------
// DS_FlowConstructor

DS_FlowConstructor::DS_FlowConstructor() {
  wobbleAmplitude.SetScaleOffset(3.0f, 0.0f);
  wobbleRate.SetScaleOffset(0.25f, 0.0f);
  timing.flags |= 1u;
  unsavedValue = 1;
  frozen = 0;
  InitBounds();
  BindAngleCallback();
}

DS_FlowConstructor::DS_FlowConstructor(const DS_FlowConstructor& other)
    : DS_ParticleSystemCtrl(other),
      flowAngle(other.flowAngle),
      wobbleAmplitude(other.wobbleAmplitude),
      wobbleRate(other.wobbleRate),
      flowSpeed(other.flowSpeed),
      orientation(other.orientation),
      bounds{other.bounds[0], other.bounds[1], other.bounds[2], other.bounds[3]} {
  for (DS_BoundControl& b : bounds) b.owner = this;
  BindAngleCallback();
}

void DS_FlowConstructor::InitBounds() {
  for (int32_t i = 0; i < 4; ++i) {
    bounds[i].edge = i;
    bounds[i].owner = this;
  }
}

float DS_FlowConstructor::W() const { return static_cast<float>(GetRenderSettings().pictureWidth); }
float DS_FlowConstructor::H() const { return static_cast<float>(GetRenderSettings().pictureHeight); }

void DS_FlowConstructor::BindAngleCallback() {
  angleControl_.Set(&DS_FlowConstructor::OnAngleChanged, this);
  angleControl_.Attach(&flowAngle);
  angleControl_.Prime();
}

void DS_FlowConstructor::OnAngleChanged(unsigned int angle) {
  D3DXMatrixRotationZ(&flowRotation, (360.0f - static_cast<float>(angle)) * kPi / 180.0f);
  const D3DXVECTOR4 d(flowSpeed, 0.0f, 0.0f, 0.0f), p(0.0f, 1.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&flowVector, &d, &flowRotation);
  D3DXVec4Transform(&lateralVector, &p, &flowRotation);
}

void DS_FlowConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&flowAngle.value);
  ar.ReadUInt(&wobbleAmplitude.value);
  ar.ReadUInt(&wobbleRate.value);
  ar.ReadFloat(&flowSpeed);
  if (version == 2) {
    int32_t turned = 0;
    ar.ReadInt(&turned);
    orientation.SetValue(turned != 0 ? 1 : 0);
  } else if (version >= 3) {
    ar.ReadInt(&orientation.value);
  }
  if (version >= 4) {
    for (DS_BoundControl& b : bounds) {
      int32_t v = 0;
      ReadRecordHeader(ar, &v);
      b.ReadRecord(ar);
    }
  }
  int32_t base = 0;
  ReadRecordHeader(ar, &base);
  ReadFields(ar, base);
}

uint32_t DS_FlowConstructor::GetSpriteCount() {
  const uint32_t n = count.value;
  if (timing.timeMode.value != 0 || n < 2) return n;
  const float v = static_cast<float>(n) * timing.Current()->GetVisibility();
  if (!(v > 0.0f)) return 0;
  return v >= static_cast<float>(n) ? n : static_cast<uint32_t>(v);
}

void DS_FlowConstructor::RefreshSprite(SpriteRecord& s) {
  s.SetHalfSizes(*this);
  s.colour = BaseArgb(s.alphaFactor);
  if (orientation.value == 1) {
    s.xAxis = Transformed(D3DXVECTOR3(1.0f, 0.0f, 0.0f), flowRotation);
    s.yAxis = Transformed(D3DXVECTOR3(0.0f, 1.0f, 0.0f), flowRotation);
  } else if (orientation.value == 0) {
    s.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    s.yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  }
}

void DS_FlowConstructor::SpawnSprite(SpriteRecord& s) {
  s.velocity.z = Uniform(-1.0f, 1.0f);
  s.position = RandomPointInView();
  s.xMultiplier = 1.0f;
  s.yMultiplier = 1.0f;
  s.word = 0;
  s.velocity.x = 0.0f;
  s.velocity.y = 0.0f;
  RefreshSprite(s);
}

void DS_FlowConstructor::FlowStep(SpriteRecord& s) {
  const float a = wobbleAmplitude.derived, f = s.sizeFactor, w = s.velocity.z;
  const float vx = (flowVector.x * s.xMultiplier + lateralVector.x * w * a) * f;
  const float vy = (flowVector.y * s.yMultiplier + lateralVector.y * w * a) * f;
  s.velocity.x = vx;
  s.velocity.y = vy;
  if (!s.frozen) {
    s.position.x += viewStep * vx;
    s.position.y += viewStep * vy;
  }
  for (DS_BoundControl& b : bounds)
    if (b.Check(s)) break;
  frozen |= s.frozen;
  if (orientation.value == 2) {
    s.xAxis = D3DXVECTOR3(vx < 0.0f ? -1.0f : 1.0f, 0.0f, 0.0f);
    s.yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  } else if (orientation.value == 3) {
    s.xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    s.yAxis = D3DXVECTOR3(0.0f, vy < 0.0f ? -1.0f : 1.0f, 0.0f);
  }
  if (viewTime - s.switchTime > 1.0f / wobbleRate.derived) {
    s.switchTime = viewTime;
    if (crt_rand() & 1) s.velocity.z = Uniform(-1.0f, 1.0f);
  }
  s.colour = BaseArgb(s.alphaFactor);
}

void DS_FlowConstructor::UpdateSprite(SpriteRecord& s) { FlowStep(s); }

// ---------------------------------------------------------------------------
// DS_RainConstructor

DS_RainConstructor::DS_RainConstructor() {
  D3DXMatrixRotationZ(&dropRotation, 4.712389f);
  wobbleAmplitude.value = 0;
  wobbleAmplitude.OnChanged(nullptr);
  flowSpeed = 2000.0f;
  sizeMin = 0.5f;
  sizeMax = 1.0f;
  orientation.value = 1;
  flowAngle.SetValue(270u);
  OnAngleChanged(flowAngle.value);
}

void DS_RainConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  DS_FlowConstructor::ReadRecord(ar, version);
}

void DS_RainConstructor::SpawnSprite(SpriteRecord& s) {
  DS_FlowConstructor::SpawnSprite(s);
  s.alphaFactor = crt_rand01();
  RefreshSprite(s);
  if (orientation.value == 1) {
    s.xAxis = Transformed(s.xAxis, dropRotation);
    s.yAxis = Transformed(s.yAxis, dropRotation);
  }
}

void DS_RainConstructor::UpdateSprite(SpriteRecord& s) {
  const float a = s.alphaFactor;
  s.alphaFactor = 1.0f;
  FlowStep(s);
  s.alphaFactor = a + s.twinkleSpeed * viewStep;
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
