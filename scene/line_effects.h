#pragma once
// Lines that follow their path with the timeline: the growing line, drawn
// from the start up to the visible share of the path, and the sliding line,
// a segment of fixed length running along the path once per shown phase.
#include <cstdint>

#include "scene/line_ribbon.h"

class ZVI_GrovingLine : public ZVI_StaticLineCtrl {
 public:
  ZVI_GrovingLine() = default;
  ZVI_GrovingLine(const ZVI_GrovingLine& other) = default;

  void UpdateParticles(float t) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_GrovingLine(*this); }
  std::u16string_view ClassName() const override { return u"ZVI_GrovingLine"; }
  float GetWidthAt(float d) override;
  float GetAlphaAt(float d) override;

  // Versions 1 and 2; the static-line record follows.
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);

  LifeEnvelopeParams growWidthEnvelope;
  LifeEnvelopeParams growAlphaEnvelope;
  MediaParamT<int32_t> retractFromStart{0};
  float head = 0.0f;
  int32_t lastState = 1;
};

class ZVI_SlidingLine : public ZVI_StaticLineCtrl {
 public:
  ZVI_SlidingLine() = default;
  ZVI_SlidingLine(const ZVI_SlidingLine& other) = default;

  void UpdateParticles(float t) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_SlidingLine(*this); }
  std::u16string_view ClassName() const override { return u"ZVI_SlidingLine"; }
  float GetWidthAt(float d) override;
  float GetAlphaAt(float d) override;

  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> slideLength{0u};
  MediaParamT<int32_t> slideMode{0};
  uint8_t armed = 0;

 private:
  // Position 0 at the segment's tail, 1 at its head; 1 for a segment of
  // length 0.
  float Place(float d) const;
};
