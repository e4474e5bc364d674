#include "particles/imitters/ray_of_light.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"

namespace {

float Uniform() { return static_cast<float>(crt_rand()) / 32767.0f; }

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
  const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return len > 0.0f ? v / len : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void Place(DX_V::PCT& vertex, const D3DXVECTOR3& p, float u, float v) {
  vertex.x = p.x, vertex.y = p.y, vertex.z = p.z;
  vertex.u = u, vertex.v = v;
}

}  // namespace

DS_RayOfLight::DS_RayOfLight() {
  rayLife.SetScaleOffset(0.1f, 0.0f);
  rayWidth.SetScaleOffset(1.0f, 0.0f);
  drift.SetScaleOffset(0.0002f, 0.0f);
  endWidth.SetScaleOffset(0.05f, 1.0f);
  fadeIn.SetScaleOffset(0.01f, 0.0f);
  fadeOut.SetScaleOffset(0.01f, 0.0f);
  edgeFade.SetScaleOffset(0.005f, 0.0f);
}

uint32_t DS_RayOfLight::Rays() const { return std::min<uint32_t>(rayCount.value, kMaxRays); }

void DS_RayOfLight::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
}

ClassicParticleList& DS_RayOfLight::Emit(ClassicParticleList& out, float) {
  out.clear();
  const uint32_t n = Rays();
  const float jL = rayLife.jitter.derived, jW = rayWidth.jitter.derived, jD = drift.jitter.derived;
  while (particles.size() < n) {
    ClassicParticlePtr p(new ClassicParticle(D3DXVECTOR3(Uniform(), 0.0f, 0.0f)));
    const float life = rayLife.derived * (Uniform() * (1.0f - jL) + jL);
    const float half = life / 2.0f;
    p->AddRoutine(RoutinePtr(new IPR_ConstantAge(life)), false);
    p->AddRoutine(RoutinePtr(new IPR_Increment(ClassicParticle::kFactor2, 1.0f, 1.0f / half)), false);
    auto* fall = new IPR_Increment(ClassicParticle::kFactor2, 1.0f, -1.0f / half);
    fall->lastAge = half;  // starts at half the life
    p->AddRoutine(RoutinePtr(fall), false);
    p->AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
    p->Factor2() = 0.0f;
    p->Factor1() = rayWidth.derived * (Uniform() * (1.0f - jW) + jW);
    const float sign = (crt_rand() % 2 == 0) ? 1.0f : -1.0f;
    p->velocity = D3DXVECTOR3(sign * drift.derived * (Uniform() * (1.0f - jD) + jD), 0.0f, 0.0f);
    particles.push_back(p);
  }
  return out;
}

void DS_RayOfLight::WriteRay(const ClassicParticle& ray, float U, float V, DX_V::PCT* q) const {
  const float r = ray.position.x, w = ray.Factor1(), i = ray.Factor2();
  const float E = fadeIn.derived, F = fadeOut.derived, G = edgeFade.derived, K = endWidth.derived;
  float l = 1.0f;
  if (G > r)
    l = r / G;
  else if (r > 1.0f - G)
    l = (1.0f - r) / G;
  const auto& cs = params.colors;
  // A place outside [0, 1] gives a negative (or NaN) factor: alpha 0.
  const float a = static_cast<float>(cs.transparency.derived) * i * l;
  const D3DXVECTOR3 c0 = edges.corners[0].value, c1 = edges.corners[1].value;
  const D3DXVECTOR3 c2 = edges.corners[2].value, c3 = edges.corners[3].value;
  const D3DXVECTOR3 A = c2 + (c0 - c2) * r, B = c3 + (c1 - c3) * r;
  const D3DXVECTOR3 P1 = A + (B - A) * E, P2 = B + (A - B) * F;
  const D3DXVECTOR3 oA = Normalised(c2 - c0) * (w / 2.0f);
  const D3DXVECTOR3 oB = Normalised(c3 - c1) * (w / 2.0f * K);
  const D3DXVECTOR3 O1 = oA + (oB - oA) * E, O2 = oB + (oA - oB) * F;
  const float vE = V * E, vF = V * (1.0f - F);
  Place(q[0], P2 - O2, 0.0f, vF), Place(q[1], P1 - O1, 0.0f, vE);
  Place(q[2], P2 + O2, U, vF), Place(q[3], P1 + O1, U, vE);
  Place(q[4], P1 - O1, 0.0f, vE), Place(q[5], A - oA, 0.0f, 0.0f);
  Place(q[6], P1 + O1, U, vE), Place(q[7], A + oA, U, 0.0f);
  Place(q[8], B - oB, 0.0f, V), Place(q[9], P2 - O2, 0.0f, vF);
  Place(q[10], B + oB, U, V), Place(q[11], P2 + O2, U, vF);
  // An empty colour set draws white.
  const COLORREF c = cs.colours.value.empty() ? 0x00FFFFFFu : cs.colours.value.front();
  for (int k = 0; k < 3; ++k) SetQuadVertexColor(c, q + 4 * k, a);
  const D3DCOLOR clear = q[0].color & 0x00FFFFFFu;
  q[5].color = q[7].color = q[8].color = q[10].color = clear;
}

void DS_RayOfLight::UpdateParticles(float t) {
  const float step = systemSpeed.Advance(t);
  StepClassicParticles(particles, step);
  Simulate(step);
  if (!runtime) return;
  const ImageFrameSet* image = params.FirstImage();
  const uint32_t quads = 3 * Rays();
  if (runtime->batches.empty()) return;
  // No picture: nothing to draw.
  if (!image) {
    runtime->SetCount(0, 0);
    return;
  }
  runtime->PrepareBatch(0, quads, *image, params);
  ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(0);
  if (quads == 0 || !batch || !batch->vertexBuffer) return;
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  const size_t room = static_cast<size_t>(batch->vertexCount / 12);
  size_t k = 0;
  for (const auto& p : particles) {
    if (!p || k >= room) continue;
    WriteRay(*p, image->uScale, image->vScale, v + 12 * k);
    ++k;
  }
  batch->Unlock();
}

bool DS_RayOfLight::ReadFields(DS_IOF_Archive& ar, int32_t) {
  ReadMediaQuad(ar, edges);
  uint32_t u = 0;
  ar.ReadUInt(&u);
  rayCount.value = u;
  ReadJitterParam(ar, rayLife);
  ReadJitterParam(ar, rayWidth);
  ReadJitterParam(ar, drift);
  endWidth.Read(ar);
  fadeIn.Read(ar);
  fadeOut.Read(ar);
  edgeFade.Read(ar);
  int32_t i = 0;
  ar.ReadInt(&i);
  kept.value = i;
  return ReadNestedRecord(ar);
}
