#include "core/envelope_params.h"

#include "core/archive.h"

float EnvelopeFactor(float t, float fadeInEnd, float fadeOutStart, float startFactor,
                     float endFactor, float base) {
  if (t < fadeInEnd) {
    if (fadeInEnd == 0.0f) return base;
    return (t / fadeInEnd * (1.0f - startFactor) + startFactor) * base;
  }
  if (t > fadeOutStart) {
    const float span = 1.0f - fadeOutStart;
    if (span == 0.0f) return base;
    return ((1.0f - t) / span * (1.0f - endFactor) + endFactor) * base;
  }
  return base;
}

// ---------------------------------------------------------------------------

LifeEnvelopeParams::LifeEnvelopeParams() = default;

void LifeEnvelopeParams::Assign(const LifeEnvelopeParams& other) {
  fadeInEnd.SetValue(other.fadeInEnd.value);
  fadeOutStart.SetValue(other.fadeOutStart.value);
  startFactor.SetValue(other.startFactor.value);
  endFactor.SetValue(other.endFactor.value);
}

void ReadLifeEnvelopeParams(DS_IOF_Archive& ar, LifeEnvelopeParams& block) {
  block.fadeInEnd.Read(ar);
  block.fadeOutStart.Read(ar);
  block.startFactor.Read(ar);
  block.endFactor.Read(ar);
}

void WriteLifeEnvelopeParams(DS_IOF_Archive& ar, const LifeEnvelopeParams& block) {
  DS_IOF_Virtual* s = ar.Stream();
  s->WriteUInt(&block.fadeInEnd.value);
  s->WriteUInt(&block.fadeOutStart.value);
  s->WriteUInt(&block.startFactor.value);
  s->WriteUInt(&block.endFactor.value);
}

// ---------------------------------------------------------------------------

ScaledParamGroup::ScaledParamGroup() { base.SetScaleOffset(1.0f, 0.0f, 1u); }

void ReadScaledParamGroup(DS_IOF_Archive& ar, ScaledParamGroup& block) {
  uint32_t version = 0;
  ar.ReadDword(&version);
  block.first.Read(ar);
  block.fadeInEnd.Read(ar);
  block.fadeOutStart.Read(ar);
  block.fourth.Read(ar);
  block.startFactor.Read(ar);
  block.endFactor.Read(ar);
  block.base.Read(ar);
}

void WriteScaledParamGroup(DS_IOF_Archive& ar, const ScaledParamGroup& block) {
  DS_IOF_Virtual* s = ar.Stream();
  const uint32_t version = static_cast<uint32_t>(block.version);
  s->WriteDword(&version);
  const UINTSclaleTo<float>* values[] = {&block.first,       &block.fadeInEnd, &block.fadeOutStart,
                                         &block.fourth,      &block.startFactor, &block.endFactor,
                                         &block.base};
  for (const UINTSclaleTo<float>* p : values) {
    s->WriteUInt(&p->value);
  }
}

// ---------------------------------------------------------------------------

VariationParams::VariationParams() {
  frequency.SetScaleOffset(0.1f, 0.0f, 50u);
  amplitude.SetScaleOffset(0.005f, 0.0f, 100u);
}

void ReadVariationParams(DS_IOF_Archive& ar, VariationParams& block) {
  block.amplitude.Read(ar);
  block.frequency.Read(ar);
  uint32_t word = static_cast<uint32_t>(block.mode.value);
  ar.ReadDword(&word);
  block.mode.value = static_cast<int32_t>(word);
}

void WriteVariationParams(DS_IOF_Archive& ar, const VariationParams& block) {
  DS_IOF_Virtual* s = ar.Stream();
  s->WriteUInt(&block.amplitude.value);
  s->WriteUInt(&block.frequency.value);
  const uint32_t mode = static_cast<uint32_t>(block.mode.value);
  s->WriteDword(&mode);
}
