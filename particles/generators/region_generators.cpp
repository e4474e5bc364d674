#include "particles/generators/region_generators.h"

#include <algorithm>

#include "core/archive.h"
#include "core/crt.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/render_target_set.h"
#include "player/slide_render_context.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

void ReadHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

uint32_t LayerSize(size_t n) { return static_cast<uint32_t>(std::min<size_t>(n, kMaxLayerQuads)); }

}  // namespace

// ---- DS_ParticleRctRgnGenerator

void DS_ParticleRctRgnGenerator::ReadRegionPart(DS_IOF_Archive& ar) {
  for (auto& corner : region.corners) {
    ar.ReadFloat(&corner.value.x);
    ar.ReadFloat(&corner.value.y);
    ar.ReadFloat(&corner.value.z);
  }
  int32_t baseVersion = 0;
  ReadHeader(ar, &baseVersion);
  ReadTexGeneratorRecord(ar, baseVersion);
}

void DS_ParticleRctRgnGenerator::ReadRegionRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadHeader(ar, &version);
  ReadRegionPart(ar);
}

// ---- DS_FallingStars

DS_FallingStars::DS_FallingStars() {
  life.SetScaleOffset(0.01f, 0.0f);
  rate.SetScaleOffset(2.0f, 0.0f);
  size.SetScaleOffset(0.01f, 0.0f);
  fallSpeed.SetScaleOffset(8.0f, 0.0f);
  starRate.SetScaleOffset(0.02f, 0.0f);
  glowFactor.SetScaleOffset(0.04f, 1.0f);
}

void DS_FallingStars::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  fallSpeed.Read(ar);
  ar.ReadUInt(&starRate.value);
  ar.ReadUInt(&direction.value);
  direction.Recompute();
  ar.ReadUInt(&starSize.value);
  glowFactor.Read(ar);
  holdTime.Read(ar);
  fadeInTime.Read(ar);
  fadeOutTime.Read(ar);
  ReadRegionPart(ar);
}

void DS_FallingStars::AttachRenderObject(DS_ParticlesObj* object) {
  DS_ParticleRctRgnGenerator::AttachRenderObject(object);
  CreateRenderTargets();
  heads.clear();
  object->SetLayerCount(4);
}

void DS_FallingStars::Update(float time, DS_ParticlesObj* object) {
  const float dt = AdvanceClock(time);
  StepGeneratorParticles(heads, dt);
  StepGeneratorParticles(emitted, dt);
  EmitAlongHeadPaths(clock.elapsed);
  SpawnStars();
  FillLayers(object);
}

void DS_FallingStars::SpawnStars() {
  const float t = clock.elapsed;
  // Counted in 64 bits and kept far from overflow: rand() never exceeds 32767.
  const int64_t whole = std::clamp<int64_t>(
      SaturatingTruncate(static_cast<double>(starRate.derived * (t - starRate.lastTime))), -(int64_t{1} << 40),
      int64_t{1} << 40);
  const int64_t n = whole * 2;
  if (n != 0) starRate.lastTime = t;
  if (n <= 0) return;
  const int64_t count = crt_rand() % (n + 1);
  const D3DXVECTOR3 c1 = region.corners[0].value, c4 = region.corners[3].value;
  const float hold = holdTime.derived, in = fadeInTime.derived, out = fadeOutTime.derived;
  const float s = fallSpeed.derived;
  const D3DXVECTOR4& d = direction.direction;
  for (int64_t i = 0; i < count; ++i) {
    if (heads.size() >= kMaxGeneratorParticles) break;
    const float y = crt_rand01() * (c4.y - c1.y) + c1.y;
    const float x = crt_rand01() * (c4.x - c1.x) + c1.x;
    GeneratorParticle star(x, y, 0.0f);
    star.channels[kChannelOpacity] = 0.0f;
    star.channels[kChannelAngle] = crt_rand01() * kTwoPi;
    star.AddProcess(new PAgeConst(hold + in + out));
    star.AddProcess(new PKinetic(D3DXVECTOR3(d.x * s, -d.y * s, d.z * s), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
    star.AddProcess(new PFade(kChannelOpacity, 0.0f, in, 1.0f));
    const float spin = s * 0.002f;
    star.AddProcess(new PSpin((crt_rand() & 1) ? -spin : spin));
    star.AddProcess(new PFade(kChannelOpacity, hold + in, hold + in + out, -1.0f));
    heads.push_back(std::move(star));
  }
}

void DS_FallingStars::FillLayers(DS_ParticlesObj* object) {
  if (!object) return;
  const uint32_t stars = LayerSize(heads.size()), trails = LayerSize(emitted.size());
  object->ReserveQuads(0, stars);
  object->ReserveQuads(2, stars);
  object->ReserveQuads(1, trails);
  object->ReserveQuads(3, trails);
  ZVI_Timing* timeline = timing.Current();
  const float v = timeline ? timeline->GetVisibility() : 1.0f;
  const float S = static_cast<float>(starSize.value);
  const float glow = glowFactor.derived;
  if (object->LockLayer(0)) {
    if (object->LockLayer(2)) {
      uint32_t i = 0;
      for (const GeneratorParticle& p : heads) {
        if (i >= stars) break;
        object->SetOrientedParticleQuad(i, p, S, S, v, colour1);
        object->SetParticleQuad(2, i++, p, S * glow, v, colour2);
      }
      object->UnlockLayer(2);
    }
    object->UnlockLayer(0);
  }
  if (object->LayerCount() >= 2 && object->LockLayer(1)) {
    if (object->LockLayer(3)) {
      const float k = S * size.derived;
      uint32_t i = 0;
      for (const GeneratorParticle& p : emitted) {
        if (i >= trails) break;
        object->SetParticleQuad(1, i, p, k, v, colour1);
        object->SetParticleQuad(3, i++, p, k * glow, v, colour2);
      }
      object->UnlockLayer(3);
    }
    object->UnlockLayer(1);
  }
}

void DS_FallingStars::Draw(DS_ABRender* context, DS_ParticlesObj* object) {
  GlowPass::Draw(*this, context, object, {{0, CurrentTexture(0)}, {1, CurrentTexture(1)}},
                 {{3, CurrentTexture(3)}, {2, CurrentTexture(2)}});
}

// ---- the glow pass

void GlowPass::Draw(DS_TexParticleGenerator& g, DS_ABRender* context, DS_ParticlesObj* object,
                    std::initializer_list<Layer> first, std::initializer_list<Layer> glow) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!context || !object || !device) return;
  auto drawLayer = [&](const Layer& l, ID3DXEffect** effect) {
    DS_IndexedMesh<DX_V::PCT>* mesh = object->LayerMesh(l.layer);
    const uint32_t count = object->QuadCount(l.layer);
    // A layer without its picture is left out.
    if (!l.texture || !mesh || !mesh->vertexBuffer || count == 0) return;
    if (effect) {
      (*effect)->SetTexture("Texture1", l.texture);
    } else {
      device->SetTexture(0, l.texture);
    }
    context->DrawQuadRange(mesh, effect, 0, static_cast<int>(count));
  };
  RenderTargetSet* set = g.effect ? g.TargetsForDrawing() : nullptr;
  if (!set) {
    for (const Layer& l : glow) drawLayer(l, nullptr);
    for (const Layer& l : first) drawLayer(l, nullptr);
    return;
  }
  ID3DXEffect* effect = g.effect;
  effect->SetTechnique(effect->GetTechniqueByName("BlendMask_Max"));
  set->Begin();
  context->PushTarget(static_cast<int>(set->width), static_cast<int>(set->height), 3);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  for (const Layer& l : first) drawLayer(l, &effect);
  const int32_t firstIndex = set->activeIndex;
  set->Select((set->activeIndex + 1) % 2);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  for (const Layer& l : glow) drawLayer(l, &effect);
  set->End(false);
  context->PopTarget();
  TextureHolder* background = context->GetBackgroundTexture();
  effect->SetTechnique(effect->GetTechniqueByName("Main"));
  effect->SetTexture("Texture1", background ? background->Get() : nullptr);
  effect->SetTexture("Texture2", set->active.Get());
  effect->SetTexture("Texture3", firstIndex >= 0 && firstIndex < 3 ? set->textures[firstIndex].Get() : nullptr);
  context->DrawGeometry(context->GetScreenQuad(), &effect);
  // The effect must not keep render targets alive across a device reset.
  for (const char* name : {"Texture1", "Texture2", "Texture3"}) effect->SetTexture(name, nullptr);
}
