#include "scene/leaf_animations.h"

#include <cmath>

#include "core/crt.h"
#include "player/doc_res_manager.h"

namespace {

float PictureWidth() { return static_cast<float>(GetRenderSettings().pictureWidth); }
float PictureHeight() { return static_cast<float>(GetRenderSettings().pictureHeight); }

// (7 + random x 3) with a random sign.
float SpinValue() {
  const float v = 7.0f + crt_rand01() * 3.0f;
  return (crt_rand() & 1) ? -v : v;
}

// (3 + random x 4) times 0, 1 or -1.
float SwingValue() {
  float m = 0.0f;
  if (crt_rand() & 1) m = (crt_rand() & 1) ? -1.0f : 1.0f;
  return (3.0f + crt_rand01() * 4.0f) * m;
}

// m = m x the rotation made by make (degrees).
void Turn(D3DXMATRIX* m, D3DXMATRIX* (*make)(D3DXMATRIX*, float), float degrees) {
  D3DXMATRIX r;
  make(&r, D3DXToRadian(degrees));
  D3DXMatrixMultiply(m, m, &r);
}

}  // namespace

void LeafParams::SetDirection(int32_t degrees) {
  direction.value = degrees;
  const float a = D3DXToRadian(static_cast<float>(degrees));
  dir = D3DXVECTOR2(std::cos(a), -std::sin(a));
  side = D3DXVECTOR2(-std::sin(a), -std::cos(a));
}

// ---------------------------------------------------------------------------

float DS_SreamAnim::frameTime = 0.0f;

DS_SreamAnim::DS_SreamAnim(const LeafParams* p, float x, float y) : params(p) {
  D3DXMatrixTranslation(&drift, x, y, 0.0f);
  wobble = crt_rand01() * 2.0f - 1.0f;
  speedFactor = 0.07f + crt_rand01() * 0.06f;
}

DS_SreamAnim::DS_SreamAnim(const LeafParams* p) : DS_SreamAnim(p, 0.0f, 0.0f) {}

float DS_SreamAnim::Drift() {
  const float t = frameTime;
  const float dt = std::fmin(std::fabs(t - previousTime), 0.2f);
  previousTime = t;
  step = dt;
  const float W = PictureWidth(), H = PictureHeight();
  const float k = static_cast<float>(params->sway.value) * 0.02f * wobble;
  const float m = static_cast<float>(params->speed.value) * speedFactor * dt * 50.0f;
  const float dx = (params->side.x * k + params->dir.x) * m;
  const float dy = (params->side.y * k + params->dir.y) * m;
  const float r = static_cast<float>(params->size.value) * 0.5f;
  float& x = drift._41;
  float& y = drift._42;
  if (dy > 0.0f && y > H + r) {
    x = crt_rand01() * W;
    y = -r;
  } else if (dy < 0.0f && y < -r) {
    x = crt_rand01() * W;
    y = H + r;
  } else if (dx > 0.0f && x > W + r) {
    x = -r;
    y = crt_rand01() * H;
  } else if (dx < 0.0f && x < -r) {
    x = W + r;
    y = crt_rand01() * H;
  } else {
    x += dx;
    y += dy;
  }
  // A change rate of 0 never changes the wobble.
  const float rate = static_cast<float>(params->changeRate.value);
  if (rate > 0.0f && static_cast<float>(params->speed.value) * (t - lastWobbleChange) * 0.1f > 100.0f / rate) {
    lastWobbleChange = t;
    if (crt_rand() & 1) wobble = crt_rand01() * 2.0f - 1.0f;
  }
  return dt;
}

void DS_SreamAnim::Apply(DS_Frame* frame) {
  Drift();
  D3DXMatrixMultiply(&frame->world, &frame->local, &drift);
}

// ---------------------------------------------------------------------------

DS_LeafFallAnim::Start DS_LeafFallAnim::RandomStart() {
  Start at;
  at.x = crt_rand01() * PictureWidth();
  at.y = crt_rand01() * PictureHeight();
  return at;
}

DS_LeafFallAnim::DS_LeafFallAnim(const LeafParams* p) : DS_LeafFallAnim(p, RandomStart()) {}

DS_LeafFallAnim::DS_LeafFallAnim(const LeafParams* p, Start at) : DS_SreamAnim(p, at.x, at.y) {
  for (int i = 0; i < 3; ++i) {
    spinAngle[i] = SpinValue();
    spinRate[i] = SpinValue();
  }
  for (int j = 0; j < 2; ++j) {
    swingAngle[j] = SwingValue();
    swingRate[j] = SwingValue();
  }
}

void DS_LeafFallAnim::Apply(DS_Frame* frame) {
  const float dt = Drift();
  const float spin = static_cast<float>(params->spin.value) * 0.4f;
  const float sway = static_cast<float>(params->sway.value) * 0.4f;
  for (int i = 0; i < 3; ++i) spinAngle[i] += spinRate[i] * dt * spin;
  for (int j = 0; j < 2; ++j) swingAngle[j] += swingRate[j] * dt * sway;
  const float half = static_cast<float>(params->size.value) * 0.5f;
  // A frame without a recorded sphere keeps the mesh's own units.
  const float scale = frame->sphere_radius != 0.0f ? half / frame->sphere_radius : half;
  D3DXMATRIX m, t;
  D3DXMatrixScaling(&m, scale, scale, scale);
  Turn(&m, D3DXMatrixRotationX, spinAngle[0]);
  Turn(&m, D3DXMatrixRotationZ, spinAngle[2]);
  Turn(&m, D3DXMatrixRotationY, spinAngle[1]);
  D3DXMatrixTranslation(&t, 0.0f, 0.0f, 50.0f);
  Turn(&t, D3DXMatrixRotationY, swingAngle[0]);
  D3DXMatrixMultiply(&m, &m, &t);
  Turn(&m, D3DXMatrixRotationX, swingAngle[1]);
  D3DXMatrixMultiply(&m, &m, &drift);
  D3DXMatrixMultiply(&frame->world, &frame->local, &m);
}
