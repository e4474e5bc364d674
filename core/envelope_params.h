#pragma once
// Life envelopes that fade a value in and out over a particle's life, and the
// variation block that makes a property oscillate.
#include <cstdint>

#include "core/media_param.h"
#include "core/scaled_param.h"

class DS_IOF_Archive;

// A percentage: stored value x 0.01.
class PercentParam : public UINTSclaleTo<float> {
 public:
  PercentParam() { SetScaleOffset(0.01f, 0.0f); }
  explicit PercentParam(unsigned int value) { SetScaleOffset(0.01f, 0.0f, value); }
  PercentParam(const PercentParam&) = default;
  PercentParam& operator=(const PercentParam&) = default;
};

// The envelope factor at age fraction t: from a x A up to A over [0, t_in],
// A in between, and from A down to b x A over [t_out, 1]. An empty fade
// interval (t_in = 0 or t_out = 1) never divides by zero: it fades nothing.
float EnvelopeFactor(float t, float fadeInEnd, float fadeOutStart, float startFactor,
                     float endFactor, float base);

// Four percentages: fade-in end 0, fade-out start 100, start and end factor 0.
class LifeEnvelopeParams {
 public:
  LifeEnvelopeParams();
  LifeEnvelopeParams(const LifeEnvelopeParams&) = default;
  LifeEnvelopeParams& operator=(const LifeEnvelopeParams& other) {
    Assign(other);
    return *this;
  }

  // Each value that differs is stored and notified, in field order.
  void Assign(const LifeEnvelopeParams& other);
  // The envelope rule with the owner's own base value.
  float Evaluate(float t, float base) const {
    return EnvelopeFactor(t, fadeInEnd.derived, fadeOutStart.derived, startFactor.derived,
                          endFactor.derived, base);
  }

  PercentParam fadeInEnd;
  PercentParam fadeOutStart{100u};
  PercentParam startFactor;
  PercentParam endFactor;
};

// The four values in order, each notified when it changed.
void ReadLifeEnvelopeParams(DS_IOF_Archive& ar, LifeEnvelopeParams& block);
void WriteLifeEnvelopeParams(DS_IOF_Archive& ar, const LifeEnvelopeParams& block);

// The seven-value envelope of the node emitters.
class ScaledParamGroup {
 public:
  ScaledParamGroup();
  ScaledParamGroup(const ScaledParamGroup&) = default;
  ScaledParamGroup& operator=(const ScaledParamGroup&) = default;

  // The factor at age fraction t (fade-in end, fade-out start, start and end
  // factor, base value).
  float Evaluate(float t) const {
    return EnvelopeFactor(t, fadeInEnd.derived, fadeOutStart.derived, startFactor.derived,
                          endFactor.derived, base.derived);
  }

  int32_t version = 1;
  PercentParam first;
  PercentParam fadeInEnd;
  PercentParam fadeOutStart{100u};
  PercentParam fourth{fadeOutStart};
  PercentParam startFactor;
  PercentParam endFactor;
  UINTSclaleTo<float> base;
};

// Version word (ignored), then the seven values, each notified when changed.
void ReadScaledParamGroup(DS_IOF_Archive& ar, ScaledParamGroup& block);
void WriteScaledParamGroup(DS_IOF_Archive& ar, const ScaledParamGroup& block);

// Variation of a property: 0 none, 1 harmonic oscillation, 2 noise.
class VariationParams {
 public:
  VariationParams();
  VariationParams(const VariationParams&) = default;
  VariationParams& operator=(const VariationParams&) = default;

  MediaParamT<int32_t> mode{0};
  UINTSclaleTo<float> frequency;
  UINTSclaleTo<float> amplitude;
};

// Amplitude, then frequency (each notified when changed), then the mode (raw).
void ReadVariationParams(DS_IOF_Archive& ar, VariationParams& block);
void WriteVariationParams(DS_IOF_Archive& ar, const VariationParams& block);
