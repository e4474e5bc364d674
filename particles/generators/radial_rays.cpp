#include "particles/generators/radial_rays.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"

DS_RadialRays::DS_RadialRays() {
  lengthVariation.SetScaleOffset(-0.01f, 1.0f);
  turnSpeed.SetScaleOffset(0.02f, 0.0f, 1u);
  fadeDepth.SetScaleOffset(-0.01f, 1.0f);
  swingAmplitude.SetScaleOffset(0.02f, 0.0f);
  D3DXMatrixIdentity(&rotation);
}

void DS_RadialRays::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadUInt(&rayLength.value);
  ar.ReadUInt(&rayWidth.value);
  ar.ReadUInt(&rayCount.value);
  ar.ReadInt(&imageIndex.value);
  ar.ReadInt(&randomRays.value);
  ar.ReadUInt(&seed.value);
  lengthVariation.Read(ar);
  turnSpeed.Read(ar);
  ar.ReadInt(&turnMode.value);
  fadeDepth.Read(ar);
  swingAmplitude.Read(ar);
  ReadStaticRecord(ar);
}

void DS_RadialRays::Update(float time, DS_ParticlesObj*) {
  turnSpeed.Advance(time);
  const float T = turnSpeed.elapsed;
  float angle = T;
  if (turnMode.value == 1)
    angle = -T;
  else if (turnMode.value == 2)
    angle = std::sin(T) * swingAmplitude.derived;
  D3DXMatrixRotationZ(&rotation, angle);
}

void DS_RadialRays::BuildRays(DS_ParticlesObj* object) {
  const int s0 = crt_rand();
  const bool random = randomRays.value != 0;
  if (random) crt_srand(static_cast<uint32_t>(seed.value));
  const uint32_t n = std::min(rayCount.value, kMaxLayerQuads);
  if (object) object->ReserveQuads(0, n);
  if (object && n > 0 && object->LockLayer(0)) {
    float L = static_cast<float>(rayLength.value);
    float W = static_cast<float>(rayWidth.value);
    uint32_t A = colour1.Alpha();
    ZVI_Timing* timeline = timing.Current();
    const float v = timeline ? timeline->GetVisibility() : 1.0f;
    const float m = fadeDepth.derived;
    const float e = (1.0f - m) * v + m;
    if (timing.timeMode.value == 0) {
      L = L * e;
      W = W * e;
    } else if (timing.timeMode.value == 1) {
      const float a = static_cast<float>(A) * e;
      A = a > 0.0f ? (a < 255.0f ? static_cast<uint32_t>(a) : 255u) : 0u;
    }
    const float k = lengthVariation.derived;
    // (L, 0, 0) turned by the rotation.
    D3DXVECTOR3 b(L * rotation._11, L * rotation._12, 0.0f);
    const float s = 2.0f * kDegToRadPi / static_cast<float>(n);
    float step = s;
    const D3DCOLOR colour = (VertexColour(colour1, 1.0f) & 0x00FFFFFFu) | (A << 24);
    DX_V::PCT quad[4];
    static constexpr float kU[4] = {0.01f, 0.01f, 0.99f, 0.99f};
    static constexpr float kV[4] = {0.99f, 0.01f, 0.99f, 0.01f};
    for (uint32_t i = 0; i < n; ++i) {
      float f = 1.0f;
      if (random) f = crt_rand01() * (1.0f - k) + k;
      BuildSegmentQuadVertices(quad, origin.value, b * f, f * L, f * W, f * W);
      for (int j = 0; j < 4; ++j) {
        quad[j].u = kU[j];
        quad[j].v = kV[j];
        quad[j].color = colour;
      }
      if (random) step = crt_rand01() * ((2.0f - k) * s - k * s) + k * s;
      b = RotateZ(b, step);
      object->SetQuad(0, i, quad);
    }
    object->UnlockLayer(0);
  }
  if (random) crt_srand(static_cast<uint32_t>(s0));
}

void DS_RadialRays::AttachRenderObject(DS_ParticlesObj* object) {
  DS_StaticGenerator::AttachRenderObject(object);
  CreateRenderTargets();
  if (object) object->SetLayerCount(1);
  BuildRays(object);
}

void DS_RadialRays::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  BuildRays(object);
  const int32_t index = imageIndex.value;
  if (index < 0 || static_cast<size_t>(index) >= images.size()) return;
  DrawLayer(context, object, CurrentTexture(static_cast<size_t>(index)));
}
