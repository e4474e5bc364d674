#include "particles/imitters/through_space.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/math_routines.h"
#include "core/smart_values.h"

namespace {
constexpr float kLife = 5.0f;
constexpr float kDepthSpeed = 0.2f;
}  // namespace

ZVI_ThroughSpaceCtrl::ZVI_ThroughSpaceCtrl() {
  rotationSpeed.SetScaleOffset(0.4f, 0.0f, 1u);
  motionSpeed.SetScaleOffset(0.01f, 0.0f, 1u);
}

void ZVI_ThroughSpaceCtrl::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(1);
}

void ZVI_ThroughSpaceCtrl::SetupParticle(ClassicParticle& p) {
  p.AddRoutine(RoutinePtr(new IPR_Kinematic()), false);
  params.InitParticle(p, RoutinePtr(new IPR_ConstantAge(kLife)));
  p.position.z = reverse ? 0.0f : 1.0f;
  p.velocity.z = reverse ? kDepthSpeed : -kDepthSpeed;
}

ClassicParticleList& ZVI_ThroughSpaceCtrl::Emit(ClassicParticleList& out, float dt) {
  const float seen = dt * timing.Current()->GetVisibility();
  const int n = std::min(counter.Count(seen), RoomLeft(particles));
  spawnArea.Make(out, std::max(n, 0));
  for (auto& p : out)
    if (p) SetupParticle(*p);
  // Drawn in list order: the farther particles first in both modes.
  if (reverse) particles.insert(particles.end(), out.begin(), out.end());
  else particles.insert(particles.begin(), out.begin(), out.end());
  return out;
}

D3DXMATRIX ZVI_ThroughSpaceCtrl::BatchMatrix() const {
  const D3DXVECTOR3& c = centre.value;
  D3DXMATRIX to, turn, back, m;
  D3DXMatrixTranslation(&to, -c.x, -c.y, -c.z);
  const D3DXVECTOR3 axis(0.0f, 0.0f, 1.0f);
  D3DXMatrixRotationAxis(&turn, &axis, rotationAngle * 2.0f * 3.14159265358979f / 360.0f);
  D3DXMatrixTranslation(&back, c.x, c.y, c.z);
  D3DXMatrixMultiply(&m, &to, &turn);
  D3DXMatrixMultiply(&m, &m, &back);
  return m;
}

void ZVI_ThroughSpaceCtrl::WriteQuad(const ClassicParticle& p, float aspect, DX_V::PCT* v) const {
  const D3DXVECTOR3& c = centre.value;
  const D3DXVECTOR3& q = p.position;
  const float s = static_cast<float>(params.particleSize.value);
  D3DXVECTOR3 x(s, 0.0f, 0.0f), y(0.0f, s * aspect, 0.0f);
  D3DXMATRIX r = p.matrix;
  if (params.orientation.value == 2) {
    const float turn = p.run[ClassicParticle::kSpin] * params.spinSpeed.elapsed;
    if (params.spinSpeed.value != 0 && turn != 0.0f) {
      D3DXMATRIX z;
      D3DXMatrixRotationZ(&z, turn);
      D3DXMatrixMultiply(&r, &r, &z);
    }
  } else if (params.orientation.value == 1) {
    D3DXVECTOR3 away = q - c;
    D3DXVec3Normalize(&away, &away);
    D3DXMATRIX z;
    MatrixRotationBetween(&z, away, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
    D3DXMatrixMultiply(&r, &r, &z);
  }
  D3DXVec3TransformCoord(&x, &x, &r);
  D3DXVec3TransformCoord(&y, &y, &r);
  const D3DXVECTOR3 hx = x * 0.5f, hy = y * 0.5f;
  const D3DXVECTOR3 corners[4] = {q - hx + hy, q - hx - hy, q + hx + hy, q + hx - hy};
  // No finite projection at depth 0 or behind the viewer: a collapsed quad
  // on the centre draws nothing.
  const float z = q.z;
  const bool finite = z > 0.0f;
  for (int k = 0; k < 4; ++k) {
    const D3DXVECTOR3 w = finite ? c + (corners[k] - c) / z : c;
    v[k].x = w.x, v[k].y = w.y, v[k].z = w.z;
    v[k].u = v[k].u * p.atlasScale[0] + p.atlasOffset[0];
    v[k].v = v[k].v * p.atlasScale[1] + p.atlasOffset[1];
  }
}

void ZVI_ThroughSpaceCtrl::UpdateParticles(float t) {
  const float step = motionSpeed.Advance(t);
  const float turn = rotationSpeed.Advance(t);
  params.AdvanceTime(t);
  StepClassicParticles(particles, step);
  Simulate(step);
  rotationAngle += rotationDirection.value == 0 ? turn : -turn;
  if (!runtime) return;
  ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(0);
  if (!batch) return;
  const D3DXMATRIX m = BatchMatrix();
  batch->Update(&m);
  const ImageFrameSet* image = params.FirstImage();
  // No picture: nothing to draw.
  if (!image) {
    runtime->SetCount(0, 0);
    return;
  }
  const uint32_t n = static_cast<uint32_t>(std::min<size_t>(particles.size(), kMaxBatchParticles));
  runtime->PrepareBatch(0, n, *image, params);
  if (n == 0 || !batch->vertexBuffer) return;
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  const uint32_t room = static_cast<uint32_t>(std::max(0, batch->vertexCount / 4));
  for (uint32_t i = 0; i < n && i < room; ++i, v += 4) {
    const ClassicParticle* p = particles[i].get();
    if (!p) continue;
    WriteQuad(*p, image->aspect, v);
    runtime->SetQuadColor(params.AlphaFactor(*p), v);
  }
  batch->Unlock();
}

bool ZVI_ThroughSpaceCtrl::ReadFields(DS_IOF_Archive& ar, int32_t version) {
  counter.rate.Read(ar);
  ReadMediaQuad(ar, spawnArea.rect);
  rotationSpeed.Read(ar);
  ar.ReadInt(&rotationDirection.value);
  D3DXVECTOR3 c;
  ar.ReadFloat(&c.x);
  ar.ReadFloat(&c.y);
  ar.ReadFloat(&c.z);
  centre.value = c;
  uint8_t byte = 0;
  ar.ReadByte(&byte);
  reverse = byte != 0;
  if (version > 1) motionSpeed.Read(ar);
  if (version < 3) {
    // Set before the block is read, so a block that stores envelopes wins.
    params.sizeEnvelope.fadeInEnd.SetValue(0u);
    params.sizeEnvelope.fadeOutStart.SetValue(100u);
    params.alphaEnvelope.fadeInEnd.SetValue(reverse ? 0u : 10u);
    params.alphaEnvelope.fadeOutStart.SetValue(reverse ? 90u : 100u);
  }
  const bool ok = ReadNestedRecord(ar);
  if (version == 1) {
    // The motion speed was the block's frame speed.
    const MediaSpeedParam& frame = params.frameSpeed;
    motionSpeed.value = frame.value;
    motionSpeed.scale = frame.scale;
    motionSpeed.offset = frame.offset;
    motionSpeed.step = frame.step;
    motionSpeed.elapsed = frame.elapsed;
    motionSpeed.last_time = frame.last_time;
    motionSpeed.Notify(nullptr);
    motionSpeed.Recompute();
    params.frameSpeed.SetValue(100u);
  }
  return ok;
}
