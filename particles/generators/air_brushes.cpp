#include "particles/generators/air_brushes.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/thread_slots.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

// The dab values the record stores per dab; more are read and dropped.
constexpr uint32_t kDabValues = 5;

void ReadBaseHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

}  // namespace

// ---- DS_AirBrush

void DS_AirBrush::ReadAirBrushRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&brushSize.value);
  strokes.clear();
  if (version >= 2) {
    const uint32_t count = ar.ReadCount(16);
    for (uint32_t i = 0; i < count; ++i) {
      GeneratorParticle dab;
      ar.ReadFloat(&dab.position.x);
      ar.ReadFloat(&dab.position.y);
      ar.ReadFloat(&dab.position.z);
      dab.previous = dab.position;
      const uint32_t k = ar.ReadCount(version >= 3 ? 8 : 4);
      for (uint32_t j = 0; j < k; ++j) {
        float channel = 0.0f, factor = 1.0f;
        ar.ReadFloat(&channel);
        if (version >= 3) ar.ReadFloat(&factor);
        if (j >= kDabValues) continue;
        dab.channels[j] = channel;
        if (version >= 3) dab.factors[j] = factor;
      }
      if (version == 2) dab.factors[4] = 0.0f;
      if (strokes.size() < kMaxGeneratorParticles) strokes.push_back(std::move(dab));
    }
  } else {
    const uint32_t count = ar.ReadSignedCount(12);
    for (uint32_t i = 0; i < count; ++i) {
      float x = 0.0f, y = 0.0f, z = 0.0f;
      ar.ReadFloat(&x);
      ar.ReadFloat(&y);
      ar.ReadFloat(&z);
      if (strokes.size() < kMaxGeneratorParticles) strokes.emplace_back(x, y, z);
    }
  }
  int32_t baseVersion = 0;
  ReadBaseHeader(ar, &baseVersion);
  ReadTexGeneratorRecord(ar, baseVersion);
}

void DS_AirBrush::Draw(DS_ABRender* context, DS_ParticlesObj* object) { DrawLayer(context, object, CurrentTexture(0)); }

void DS_AirBrush::AttachRenderObject(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::AttachRenderObject(object);
  CreateRenderTargetsForEffect();
  object->SetLayerCount(1);
}

void DS_AirBrush::AddStrokeParticle(float x, float y, float z, float, float, float, float) {
  strokes.emplace_back(x, y, z);
  RebuildQuads();
}

float DS_AirBrush::Visibility() {
  ZVI_Timing* timeline = timing.Current();
  return timeline ? timeline->GetVisibility() : 1.0f;
}

void DS_AirBrush::RebuildQuads() {
  if (!runtime) return;
  const uint32_t n = static_cast<uint32_t>(std::min(strokes.size(), static_cast<size_t>(kMaxLayerQuads)));
  runtime->ReserveQuads(0, n);
  if (!runtime->LockLayer(0)) return;
  const float v = Visibility();
  const float w = static_cast<float>(brushSize.value);
  uint32_t i = 0;
  for (const GeneratorParticle& dab : strokes) {
    if (i >= n) break;
    runtime->SetOrientedParticleQuad(i++, dab, w, aspect * w, v, colour1);
  }
  runtime->UnlockLayer(0);
}

// ---- DS_Bling

DS_Bling::DS_Bling() {
  pulseSpeed.SetScaleOffset(0.02f, 0.0f, 1u);
  turnSpeed.SetScaleOffset(0.02f, 0.0f, 1u);
  minimumSize.SetScaleOffset(0.01f, 0.0f);
}

void DS_Bling::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  pulseSpeed.Read(ar);
  shrinkTime.Read(ar);
  growTime.Read(ar);
  if (version >= 2) {
    turnSpeed.Read(ar);
    minimumSize.Read(ar);
  }
  int32_t baseVersion = 0;
  ReadBaseHeader(ar, &baseVersion);
  ReadAirBrushRecord(ar, baseVersion);
}

float DS_Bling::InitSparkle(GeneratorParticle& dab) {
  const float t1 = growTime.derived, t2 = shrinkTime.derived;
  const float T = t1 + t2;
  dab.channels[kChannelLife] = 0.0f;
  dab.channels[kChannelSize] = 0.0f;
  // Without a pulse the sparkle stays at size 0, shown at its minimum size.
  if (!(T > 0.0f)) return 0.0f;
  const float rate = 1.0f / T;
  const float grow = t1 / T, shrink = t2 / T;
  dab.AddProcess(new PLifeConst(rate));
  dab.AddProcess(new PSteady(kChannelSize, 0.0f, grow, rate / grow));
  dab.AddProcess(new PSteady(kChannelSize, grow, grow + shrink, -rate / shrink));
  return T;
}

void DS_Bling::PreRoll(GeneratorParticle& dab, float T) {
  const float c = crt_rand01() * T;
  for (int i = 0; i < 10; ++i) dab.StepProcesses(c * 0.1f);
}

void DS_Bling::AttachRenderObject(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::AttachRenderObject(object);
  object->SetLayerCount(2);
  CreateRenderTargets();
  for (GeneratorParticle& dab : strokes) {
    const float T = InitSparkle(dab);
    PreRoll(dab, T);
  }
}

void DS_Bling::AddStrokeParticle(float x, float y, float z, float a, float, float c, float) {
  GeneratorParticle dab(x, y, z);
  const float T = InitSparkle(dab);
  dab.factors[1] = a;
  dab.factors[4] = c * kTwoPi;
  PreRoll(dab, T);
  strokes.push_back(std::move(dab));
}

void DS_Bling::Update(float time, DS_ParticlesObj* object) {
  const float step = pulseSpeed.Advance(time);
  turnSpeed.Advance(time);
  for (GeneratorParticle& dab : strokes) {
    if (dab.StepProcesses(step)) continue;
    dab.ClearProcesses();
    InitSparkle(dab);
  }
  if (!object) return;
  const uint32_t n = static_cast<uint32_t>(std::min(strokes.size(), static_cast<size_t>(kMaxLayerQuads)));
  object->ReserveQuads(0, n);
  object->ReserveQuads(1, n);
  if (object->LayerCount() < 2) return;
  if (!object->LockLayer(0)) return;
  if (!object->LockLayer(1)) {
    object->UnlockLayer(0);
    return;
  }
  const float v = Visibility();
  const float m = minimumSize.derived;
  const float w = static_cast<float>(brushSize.value);
  const float turn = turnSpeed.elapsed;
  uint32_t i = 0;
  DX_V::PCT quad[4];
  for (const GeneratorParticle& dab : strokes) {
    if (i >= n) break;
    const float angle = dab.factors[4] + turn;
    const D3DXVECTOR3 U = RotateZ(D3DXVECTOR3(1.0f, 0.0f, 0.0f), angle);
    const D3DXVECTOR3 V = RotateZ(D3DXVECTOR3(0.0f, 1.0f, 0.0f), angle);
    const float s = ((1.0f - m) * dab.channels[kChannelSize] + m) * w * dab.factors[1];
    const float o = dab.channels[kChannelOpacity] * v;
    BuildOrientedQuadVertices(quad, dab.position, U, V, s);
    const D3DCOLOR c2 = VertexColour(colour2, o), c1 = VertexColour(colour1, o);
    for (auto& vertex : quad) vertex.color = c2;
    object->SetQuad(0, i, quad);
    for (auto& vertex : quad) vertex.color = c1;
    object->SetQuad(1, i, quad);
    ++i;
  }
  object->UnlockLayer(0);
  object->UnlockLayer(1);
}

void DS_Bling::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  DrawLayersJoined(1, context, object);
  Composite(context);
}

// ---- DS_CustomAirBrush

DS_CustomAirBrush::DS_CustomAirBrush() { animationSpeed.SetScaleOffset(0.01f, 0.0f, 1u); }

void DS_CustomAirBrush::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadFileLink(ar, pictureLink);
  animationSpeed.Read(ar);
  int32_t baseVersion = 0;
  ReadBaseHeader(ar, &baseVersion);
  ReadAirBrushRecord(ar, baseVersion);
}

void DS_CustomAirBrush::AttachRenderObject(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::AttachRenderObject(object);
  CreateRenderTargetsForEffect();
  object->SetLayerCount(1);
  if (DS_DocResManager* manager = CurrentDocResManager()) picture = manager->GetTextures(pictureLink);
  aspect = picture.aspect;
  // Written once: later changes of the timeline's visibility do not show.
  RebuildQuads();
}

void DS_CustomAirBrush::Update(float time, DS_ParticlesObj*) {
  animationSpeed.Advance(time);
  const float t = animationSpeed.elapsed;
  if (t - picture.lastSwitch < 0.0f) picture.lastSwitch = t;
  if (picture.delays.empty()) return;
  if (picture.frameIndex >= picture.delays.size()) picture.frameIndex = 0;
  if (t - picture.lastSwitch > picture.delays[picture.frameIndex]) {
    picture.lastSwitch = t;
    picture.frameIndex = static_cast<uint32_t>((picture.frameIndex + 1) % picture.delays.size());
  }
}

void DS_CustomAirBrush::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  IDirect3DTexture9* texture =
      picture.frameIndex < picture.textures.size() ? picture.textures[picture.frameIndex].Get() : nullptr;
  DrawLayer(context, object, texture);
}

// ---- DS_TwinklingStars

DS_TwinklingStars::DS_TwinklingStars() { twinkleSpeed.SetScaleOffset(0.01f, 1.0f, 1u); }

void DS_TwinklingStars::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  twinkleSpeed.Read(ar);
  int32_t baseVersion = 0;
  ReadBaseHeader(ar, &baseVersion);
  ReadAirBrushRecord(ar, baseVersion);
}

void DS_TwinklingStars::AddTwinkle(GeneratorParticle& dab) {
  dab.AddProcess(new PTwinkle(kChannelSize, 0.0f, dab.channels[kChannelSize], 0.0f));
}

void DS_TwinklingStars::AttachRenderObject(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::AttachRenderObject(object);
  CreateRenderTargetsForEffect();
  object->SetLayerCount(1);
  for (GeneratorParticle& dab : strokes) AddTwinkle(dab);
}

void DS_TwinklingStars::AddStrokeParticle(float x, float y, float z, float a, float, float, float) {
  GeneratorParticle dab(x, y, z);
  dab.channels[kChannelSize] = a;
  dab.channels[kChannelOpacity] = crt_rand01() * 0.5f + 0.5f;
  AddTwinkle(dab);
  strokes.push_back(std::move(dab));
}

void DS_TwinklingStars::Update(float time, DS_ParticlesObj*) {
  const float step = twinkleSpeed.Advance(time);
  for (GeneratorParticle& dab : strokes) dab.StepProcesses(step);
  RebuildQuads();
}

// ---- DS_Aurora

DS_Aurora::DS_Aurora() {
  for (int i = 0; i < 3; ++i) {
    waves[i].speed.SetScaleOffset(0.03f, 0.0f, 1u);
    waves[i].amplitude.SetScaleOffset(i == 2 ? 1.0f : 0.01f, 0.0f);
    waves[i].length.SetScaleOffset(1.0f, 1.0f);
  }
}

void DS_Aurora::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadUInt(&curtainHeight.value);
  for (Wave& w : waves) {
    w.speed.Read(ar);
    w.amplitude.Read(ar);
    w.length.Read(ar);
  }
  ar.ReadUInt(&direction.value);
  int32_t baseVersion = 0;
  ReadBaseHeader(ar, &baseVersion);
  ReadAirBrushRecord(ar, baseVersion);
}

void DS_Aurora::AttachRenderObject(DS_ParticlesObj* object) {
  DS_TexParticleGenerator::AttachRenderObject(object);
  object->SetLayerCount(1);
  CreateRenderTargets();
}

void DS_Aurora::AddStrokeParticle(float x, float y, float z, float a, float b, float c, float d) {
  GeneratorParticle dab(x, y, z);
  dab.channels[kChannelSize] = a;
  dab.channels[kChannelOpacity] = b;
  dab.channels[kChannelAngle] = c;
  dab.channels[kChannelLife] = d;
  strokes.push_back(std::move(dab));
}

void DS_Aurora::Update(float time, DS_ParticlesObj*) {
  for (Wave& w : waves) w.speed.Advance(time);
  BuildQuads();
}

void DS_Aurora::BuildQuads() {
  if (!runtime) return;
  const uint32_t n = static_cast<uint32_t>(std::min(strokes.size(), static_cast<size_t>(kMaxLayerQuads)));
  runtime->ReserveQuads(0, n);
  if (!runtime->LockLayer(0)) return;
  const float theta = static_cast<float>(direction.value) * kDegToRadPi / 180.0f;
  const D3DXVECTOR3 d = RotateZ(D3DXVECTOR3(1.0f, 0.0f, 0.0f), theta);
  const float w = static_cast<float>(brushSize.value);
  const float height = static_cast<float>(curtainHeight.value);
  uint32_t k = 0;
  for (GeneratorParticle& dab : strokes) {
    if (k >= n) break;
    const float p = dab.channels[kChannelLife];
    const float f1 = std::sin(p / waves[0].length.derived + waves[0].speed.elapsed) * waves[0].amplitude.derived + 1.0f;
    const float f2 = std::sin(p / waves[1].length.derived + waves[1].speed.elapsed) * waves[1].amplitude.derived + 1.0f;
    const float h = std::sin(p / waves[2].length.derived + waves[2].speed.elapsed) * waves[2].amplitude.derived;
    const D3DXVECTOR3 kept = dab.position;
    dab.position = kept + d * h;
    runtime->SetOrientedParticleQuad(k++, dab, w, height * f1, f2, colour1);
    dab.position = kept;
  }
  runtime->UnlockLayer(0);
}

void DS_Aurora::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  DrawLayersJoined(0, context, object);
  Composite(context);
}
