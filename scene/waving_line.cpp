#include "scene/waving_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/archive.h"

namespace {

constexpr float kPi = 3.1415927f;

}  // namespace

bool DS_StraightLine::ReadStraightRecord(DS_IOF_Archive& ar, int32_t) {
  D3DXVECTOR3 a, b;
  ar.ReadFloat(&a.x);
  ar.ReadFloat(&a.y);
  ar.ReadFloat(&a.z);
  ar.ReadFloat(&b.x);
  ar.ReadFloat(&b.y);
  ar.ReadFloat(&b.z);
  start.value = a;
  end.value = b;
  return ReadNestedRecord(ar);
}

ZVI_WavingLine::ZVI_WavingLine() {
  width.SetScaleOffset(1.0f, 0.0f);
  secondWave.SetScaleOffset(0.01f, 0.0f);
}

ClassicParticleList& ZVI_WavingLine::Emit(ClassicParticleList& out, float) {
  out.clear();
  return out;
}

float ZVI_WavingLine::SecondShape(float c) { return (std::cos(kPi * c) - std::cos(2.0f * kPi * c)) / 2.0f; }

D3DXVECTOR3 ZVI_WavingLine::WavePoint(int32_t i) const {
  const float c = static_cast<float>(i) / static_cast<float>(segments);
  const float T = systemSpeed.elapsed;
  const float A = static_cast<float>(amplitude.value), F = secondWave.derived;
  const float side = A * std::sin(kPi * c / 2.0f) * std::sin(T) + A * F * SecondShape(c) * std::cos(1.7f * T);
  return start.value + direction * (length * c) + normal * side;
}

D3DXVECTOR3 ZVI_WavingLine::WaveTangent(int32_t i) const {
  const float c = static_cast<float>(i) / static_cast<float>(segments);
  const float T = systemSpeed.elapsed;
  const float A = static_cast<float>(amplitude.value), F = secondWave.derived;
  const float slope = A * (kPi / 2.0f) * std::cos(kPi * c / 2.0f) * std::sin(T) -
                      A * F * (kPi * std::sin(kPi * c) - 2.0f * kPi * std::sin(2.0f * kPi * c)) / 2.0f *
                          std::cos(1.7f * T);
  const D3DXVECTOR3 d = direction * length + normal * slope;
  D3DXVECTOR3 out;
  D3DXVec3Normalize(&out, &d);
  return out;
}

void ZVI_WavingLine::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  if (runtimeObject) runtimeObject->SizeBatches(2);
  ribbon.ResolveImages();
  ribbon.PrepareSurface(ClassName());
  direction = end.value - start.value;
  length = D3DXVec3Length(&direction);
  if (length > 0.0f) direction /= length;
  normal = D3DXVECTOR3(-direction.y, direction.x, 0.0f);
  ClassicParticlePtr head(new ClassicParticle(end.value));
  params.InitParticle(*head, RoutinePtr(new IPR_ConstantAge(std::numeric_limits<float>::infinity())));
  particles.push_back(head);
}

void ZVI_WavingLine::WriteRope(DX_V::PCT* v, ClassicParticle* head) {
  const float w = static_cast<float>(width.value);
  const float a0 = ribbon.AlphaByte();
  float r, g, b;
  ribbon.FirstColour(&r, &g, &b);
  RibbonNode prev;
  prev.position = WavePoint(0);
  prev.tangent = WaveTangent(0);
  const D3DXVECTOR3 T0 = prev.tangent;
  const D3DXVECTOR3 k = RibbonNormal(T0);
  const float h = w * EnvelopeAt(widthEnvelope, 0.0f) / 2.0f;
  prev.left = D3DXVECTOR3(prev.position.x + h * k.x, prev.position.y + h * k.y, prev.position.z);
  prev.right = D3DXVECTOR3(prev.position.x - h * k.x, prev.position.y - h * k.y, prev.position.z);
  prev.edges = 1.0f;
  prev.r = r, prev.g = g, prev.b = b;
  prev.a = a0 * EnvelopeAt(ribbon.alphaEnvelope, 0.0f) / 255.0f;
  float V = 0.0f;
  for (int32_t B = 0; B < segments; ++B) {
    if (head) head->velocity = WaveTangent(B);
    RibbonNode cur;
    cur.position = WavePoint(B + 1);
    cur.tangent = WaveTangent(B);
    cur.r = r, cur.g = g, cur.b = b;
    const D3DXVECTOR3 step = cur.position - prev.position;
    V += D3DXVec3Length(&step);
    const bool cut = V > length;
    float x;
    if (cut) {
      cur.position -= T0 * (V - length);
      cur.v = ribbon.TextureV(length, w);
      x = 1.0f;
    } else {
      cur.v = ribbon.TextureV(V, w);
      x = V / length;
    }
    cur.a = a0 * EnvelopeAt(ribbon.alphaEnvelope, x) / 255.0f;
    WriteRibbonQuadMitred(v + 4 * B, prev, w * EnvelopeAt(widthEnvelope, x), cur);
    if (head) head->position = cur.position;
    if (cut) {
      runtime->SetCount(0, static_cast<uint32_t>(B + 1));
      return;
    }
    prev = cur;
  }
}

void ZVI_WavingLine::UpdateParticles(float t) {
  systemSpeed.Advance(t);
  ClassicParticle* head = particles.empty() ? nullptr : particles.front().get();
  const uint32_t n = static_cast<uint32_t>(std::max(0, segments));
  if (runtime && !runtime->batches.empty()) {
    runtime->PrepareBatch(0, n, ribbon.FirstImage() ? *ribbon.FirstImage() : ImageFrameSet(), ribbon);
    ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(0);
    // Start = End: no rope to draw; the head stays at End.
    if (!(length > 0.0f)) {
      runtime->SetCount(0, 0);
      if (head) head->position = end.value;
    } else if (batch && batch->vertexBuffer && batch->vertexCount >= static_cast<int32_t>(4 * n)) {
      if (DX_V::PCT* v = batch->LockVertices()) {
        WriteRope(v, head);
        batch->Unlock();
      }
    }
  }
  params.AdvanceTime(t);
  Simulate(systemSpeed.step);
  head = particles.empty() ? nullptr : particles.front().get();
  if (head) {
    D3DXMatrixRotationZ(&head->matrix, -static_cast<float>(params.startAngle.value) * kPi / 180.0f);
    head->Spin() = params.spinDirection.value != 0 ? -1.0f : 1.0f;
    const D3DXVECTOR3 d = head->velocity;
    head->position += D3DXVECTOR3(-d.y, d.x, 0.0f) * headSideOffset.value + d * headForwardOffset.value;
  }
  params.FillBatch(particles, runtime, params.particleSize.value, 1);
}

void ZVI_WavingLine::DrawParticles(DS_ABRender* context, int* pass) {
  if (!context) return;
  ribbon.Draw(runtime, 0, context, pass);
  if (showParticles.value == 0) return;
  if (params.glowMode.value == 2) context->BackgroundStep(pass, true);
  params.DrawBatch(runtime, 1, context);
}

bool ZVI_WavingLine::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  width.Read(ar);
  ReadLifeEnvelopeParams(ar, widthEnvelope);
  int32_t blockVersion = 0;
  ar.ReadInt(&blockVersion);
  zvi_string shape;
  ar.ReadWideString(&shape);
  ribbon.shapeName.value = shape;
  ribbon.Read(ar, blockVersion);
  ar.ReadUInt(&amplitude.value);
  secondWave.Read(ar);
  ar.ReadInt(&showParticles.value);
  ar.ReadFloat(&headSideOffset.value);
  ar.ReadFloat(&headForwardOffset.value);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return ReadStraightRecord(ar, version);
}
