#include "particles/generators/smoke.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/warm_up.h"

void SmokeMotion(OriginRecord& puff, float dt, const std::vector<float>&) {
  puff.position = puff.position + puff.velocity * dt + puff.acceleration * (dt * dt / 2.0f);
  puff.velocity = puff.velocity + puff.acceleration * dt;
}

void SmokeGrowth(OriginRecord& puff, float dt, const std::vector<float>& p) { puff.sizeFactor += p[0] * dt; }

void SmokeFadeIn(OriginRecord& puff, float dt, const std::vector<float>& p) {
  if (puff.remaining > p[1]) puff.opacity += p[0] * dt;
}

void SmokeFadeOut(OriginRecord& puff, float dt, const std::vector<float>& p) {
  if (p[1] > puff.remaining) puff.opacity -= p[0] * dt;
}

void SmokeSpin(OriginRecord& puff, float dt, const std::vector<float>& p) {
  const float a = dt * kDegToRadPi * p[0] / 180.0f;
  puff.axisU = RotateZ(puff.axisU, a);
  puff.axisV = RotateZ(puff.axisV, a);
}

DS_Smoke::DS_Smoke() { wind.SetScaleOffset(2.0f, -100.0f); }

void DS_Smoke::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  wind.Read(ar);
  ReadOriginRecord(ar);
}

std::unique_ptr<OriginRecord> DS_Smoke::LaunchPuff() {
  const float L = originLifetime.derived;
  const float v = Visibility();
  auto puff = std::make_unique<OriginRecord>();
  puff->remaining = L;
  puff->position = origin.value;
  puff->velocity = sector.RandomDirection() * 100.0f;
  puff->acceleration = D3DXVECTOR3(wind.derived, 0.0f, 0.0f);
  puff->sizeFactor = 0.5f;
  puff->opacity = 0.0f;
  const float spin = crt_rand01() * 100.0f - 50.0f;
  auto& b = puff->behaviours;
  b.emplace_back(new SmokeBehaviour(SmokeMotion, {}));
  b.emplace_back(new SmokeBehaviour(SmokeGrowth, {L != 0.0f ? 1.0f / L : 0.0f}));
  b.emplace_back(new SmokeBehaviour(SmokeFadeIn, {5.0f * v, 0.8f * L}));
  b.emplace_back(new SmokeBehaviour(SmokeFadeOut, {1.0f, L}));
  b.emplace_back(new SmokeBehaviour(SmokeSpin, {spin}));
  const float start = crt_rand01() * 360.0f * kDegToRadPi / 180.0f;
  puff->axisU = RotateZ(D3DXVECTOR3(1.0f, 0.0f, 0.0f), start);
  puff->axisV = RotateZ(D3DXVECTOR3(0.0f, 1.0f, 0.0f), start);
  return puff;
}

void DS_Smoke::Update(float time, DS_ParticlesObj* object) {
  StepPuffs(generatorSpeed.Advance(time));
  WritePuffs(object);
}

void DS_Smoke::StepPuffs(float dt) {
  UpdateOrigins(dt);
}

void DS_Smoke::WritePuffs(DS_ParticlesObj* object) {
  if (!object || origins.empty()) return;
  const uint32_t n = static_cast<uint32_t>(std::min<size_t>(origins.size(), kMaxLayerQuads));
  object->ReserveQuads(0, n);
  if (!object->LockLayer(0)) return;
  const float side = static_cast<float>(originSize.value);
  DX_V::PCT quad[4];
  uint32_t k = 0;
  for (const auto& puff : origins) {
    if (k >= n) break;
    BuildOrientedQuadVertices(quad, puff->position, puff->axisU, puff->axisV, side * puff->sizeFactor);
    const D3DCOLOR c = VertexColour(colour1, puff->opacity);
    for (auto& vertex : quad) vertex.color = c;
    object->SetQuad(0, k++, quad);
  }
  object->UnlockLayer(0);
}

void DS_Smoke::AttachRenderObject(DS_ParticlesObj* object) {
  DS_StaticGenerator::AttachRenderObject(object);
  if (object) object->SetLayerCount(1);
  WarmUpBudget budget;
  for (int i = 0; i < 100; ++i) {
    StepPuffs(0.05f);
    if (!budget.Spend(origins.size())) break;
  }
}
