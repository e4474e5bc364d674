#include "particles/nodes/effects.h"

#include <algorithm>

#include "core/archive.h"

std::map<zvi_string, EffectKindFactory, std::less<>>& EffectKindRegistry() {
  static std::map<zvi_string, EffectKindFactory, std::less<>> registry;
  return registry;
}

EffectContext::EffectContext() {
  // A fresh speed parameter already holds 1 (scale 1, offset 0), step 0,
  // clock 0 and raw time +infinity.
  speed.SetScaleOffset(1.0f, 0.0f, 1u);
}

ZVI_ParticlSystem_Effect::ZVI_ParticlSystem_Effect() : kind(DS_SafePtr<EffectKind>::MakeEmpty()) {}

void ZVI_ParticlSystem_Effect::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadWideString(&name);
  if (version >= 2) {
    zvi_string kind_name;
    ar.ReadWideString(&kind_name);
    EffectKind* found = nullptr;
    const auto& registry = EffectKindRegistry();
    auto it = registry.find(kind_name);
    if (it != registry.end() && it->second) {
      found = it->second();
      if (found) found->name = kind_name;
    }
    kind = DS_SafePtr<EffectKind>(found);
  }
  if (version >= 3) ar.ReadByte(&timeSource);
}

void ZVI_ParticlSystem_Effect::ReadBaseRecord(DS_IOF_Archive& ar) {
  zvi_string class_name;
  int32_t version = 0;
  ar.ReadWideString(&class_name);
  ar.ReadInt(&version);
  ReadRecord(ar, version);
}

PtclTr_EffectsVector::PtclTr_EffectsVector(const EffectList* effects, ZVI_VGeom2D* source)
    : prototypes(effects) {
  context.source = source;
}

void PtclTr_EffectsVector::Reset(Particle* particle) {
  clones.clear();
  if (!prototypes) return;
  clones.reserve(prototypes->value.size());
  for (const EffectPtr& effect : prototypes->value) {
    // Entries left empty by unknown class names are passed over.
    if (!effect) continue;
    EffectPtr clone(effect->Clone());
    if (!clone) continue;
    clone->InitParticle(particle);
    clones.push_back(clone);
  }
}

bool PtclTr_EffectsVector::Apply(float dt, Particle* particle) {
  MediaSpeedParam& s = context.speed;
  s.last_time += dt;
  s.step = s.derived * std::min(dt, 0.2f);
  s.elapsed += s.step;
  for (const EffectPtr& clone : clones) clone->ApplyEffect(context, particle);
  return true;
}
