#include "scene/line_effects.h"

#include <algorithm>

#include "core/archive.h"

namespace {

// A fraction of a length; 0 where the length is not positive.
float Fraction(float x, float length) { return length > 0.0f ? x / length : 0.0f; }

}  // namespace

// ---- growing line

void ZVI_GrovingLine::UpdateParticles(float t) {
  ClockStep(t);
  ZVI_Timing* tl = timing.Current();
  const float c = tl->GetCycleLength();
  const int32_t s = static_cast<int32_t>(tl->GetState());
  if ((c == 0.0f && s != 1) || (lastState == 1 && s != 1)) ReinitHead(c);
  lastState = s;
  const float P = PathLength();
  head = P * tl->GetVisibility();
  if (retractFromStart.value != 0 && s == 3) BuildRibbon(P - head, P);
  else BuildRibbon(0.0f, head);
}

float ZVI_GrovingLine::GetWidthAt(float d) {
  const float P = PathLength();
  return static_cast<float>(width.value) * EnvelopeAt(widthEnvelope, Fraction(d, P)) *
         EnvelopeAt(growWidthEnvelope, Fraction(head - d, P));
}

float ZVI_GrovingLine::GetAlphaAt(float d) {
  const float P = PathLength();
  return ribbon.AlphaByte() * EnvelopeAt(alphaEnvelope, Fraction(d, P)) *
         EnvelopeAt(growAlphaEnvelope, Fraction(head - d, P));
}

bool ZVI_GrovingLine::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadLifeEnvelopeParams(ar, growWidthEnvelope);
  ReadLifeEnvelopeParams(ar, growAlphaEnvelope);
  if (version >= 2) ar.ReadInt(&retractFromStart.value);
  else retractFromStart.SetValue(0);
  zvi_string name;
  int32_t baseVersion = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&baseVersion);
  return ReadStaticRecord(ar, baseVersion);
}

// ---- sliding line

void ZVI_SlidingLine::UpdateParticles(float t) {
  ClockStep(t);
  ZVI_Timing* tl = timing.Current();
  const uint32_t s = tl->GetState();
  const float G = static_cast<float>(slideLength.value);
  float P = PathLength();
  if (armed != 0) {
    // Only the frame that finds the line shown again restarts it.
    if (s == 0) {
      armed = 0;
      if (slideMode.value == 1) {
        reverse = reverse != 0 ? 0 : 1;
        RebuildSamples();
      } else if (reverse != 0) {
        reverse = 0;
        RebuildSamples();
      }
      P = PathLength();
      ReinitHead(Fraction(P * tl->GetCycleLength(), G + P));
    }
  } else if (s != 0) {
    armed = 1;
  }
  const float x = (G + P) * tl->GetPhaseProgress();
  const float from = std::max(0.0f, x - G);
  if (x > P && !heads.empty() && heads.front()) heads.front()->Factor2() = 0.0f;
  BuildRibbon(from, x);
}

float ZVI_SlidingLine::Place(float d) const {
  const float G = static_cast<float>(slideLength.value);
  return G > 0.0f ? 1.0f - d / G : 1.0f;
}

float ZVI_SlidingLine::GetWidthAt(float d) {
  return static_cast<float>(width.value) * EnvelopeAt(widthEnvelope, Place(d));
}

float ZVI_SlidingLine::GetAlphaAt(float d) { return ribbon.AlphaByte() * EnvelopeAt(alphaEnvelope, Place(d)); }

bool ZVI_SlidingLine::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadUInt(&slideLength.value);
  ar.ReadInt(&slideMode.value);
  zvi_string name;
  int32_t baseVersion = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&baseVersion);
  return ReadStaticRecord(ar, baseVersion);
}
