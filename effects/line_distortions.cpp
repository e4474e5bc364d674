#include "effects/line_distortions.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "player/doc_res_manager.h"
#include "player/timelines.h"

// ---------------------------------------------------------------------------
// Perspective

DS_PerspectiveFX::DS_PerspectiveFX() {
  speed.SetScaleOffset(0.02f, 0.0f, 1u);
  upperAmplitude.SetScaleOffset(0.002f, 0.0f, 0u);
  lowerAmplitude.SetScaleOffset(0.002f, 0.0f, 0u);
  depthAmount.SetScaleOffset(10.0f, 0.0f, 0u);
}

void DS_PerspectiveFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  const uint32_t v = static_cast<uint32_t>(version);
  upperAmplitude.Read(ar);
  depthAmount.Read(ar);
  if (v >= 2) {
    ar.ReadInt(&waveKind.value);
    if (v >= 3) lowerAmplitude.Read(ar);
  } else {
    int32_t legacyMode = 0;
    ar.ReadInt(&legacyMode);
    lowerAmplitude.SetValue(upperAmplitude.value);
    waveKind.value = 3;
    if (legacyMode == 0) lowerAmplitude.SetValue(0u);
    else if (legacyMode == 1) upperAmplitude.SetValue(0u);
  }
  ReadLineRecord(ar);
}

void DS_PerspectiveFX::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  UpdateLines();
  UpdateLinesAxisScaled();
  MakeGrid();
}

void DS_PerspectiveFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  UpdateLinesAxisScaled();
}

void DS_PerspectiveFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadLines(context);
  float a = upperAmplitude.derived, b = lowerAmplitude.derived, w;
  if (waveKind.value >= 2) {
    w = WaveValue(waveKind.value);
  } else if (waveKind.value == 0) {
    w = 1.0f;
    b = 0.0f;
  } else {
    w = -1.0f;
    a = 0.0f;
  }
  const float m = std::max(a, b);
  if (m > 0.0f) {
    a /= m;
    b /= m;
  }
  const double x = static_cast<double>(Visibility()) *
                   ((static_cast<double>(a) + b) / 2.0 * w + (static_cast<double>(a) - b) / 2.0);
  SetFloats(e, "amplitude", {static_cast<float>((std::fabs(std::cos(x)) - 1.0) * m)});
  SetFloats(e, "p_amplitude", {static_cast<float>(std::sin(x) * depthAmount.derived * m * 10.0)});
  DrawOnGrid(context);
}

// ---------------------------------------------------------------------------
// Stretch

DS_StretchFX::DS_StretchFX() {
  speed.SetScaleOffset(0.05f, 0.0f, 1u);
  upperAmplitude.SetScaleOffset(0.01f, 0.0f, 0u);
  lowerAmplitude.SetScaleOffset(0.01f, 0.0f, 0u);
}

void DS_StretchFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadInt(&waveKind.value);
  upperAmplitude.Read(ar);
  lowerAmplitude.Read(ar);
  ReadLineRecord(ar);
}

void DS_StretchFX::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  UpdateLines();
  MakeGrid();
}

void DS_StretchFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float upper = upperAmplitude.derived, lower = lowerAmplitude.derived;
  float a;
  if (waveKind.value == 0) a = -lower;
  else if (waveKind.value >= 2) a = WaveValue(waveKind.value) * (upper + lower) / 2.0f + (upper - lower) / 2.0f;
  else a = upper;
  currentAmplitude = a * Visibility();
  UpdateLines();
}

void DS_StretchFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadLines(context);
  SetFloats(e, "amplitude", {currentAmplitude});
  DrawOnGrid(context);
}

// ---------------------------------------------------------------------------
// Turn

DS_TurnFX::DS_TurnFX() {
  speed.SetScaleOffset(0.02f, 0.0f, 50u);
  lowerAmplitude.SetScaleOffset(0.004f, 0.0f, 50u);
  upperAmplitude.SetScaleOffset(0.004f, 0.0f, 50u);
}

void DS_TurnFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadPerspectiveRecord(ar); }

void DS_TurnFX::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  UpdateLines();
  MakeGrid();
}

void DS_TurnFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  SetCommonParams(context);
  UploadRotationMatrices(context, e, axis.value, center.value);
  float lo = -lowerAmplitude.derived, hi = upperAmplitude.derived, w;
  if (waveKind.value >= 2) {
    w = WaveValue(waveKind.value);
  } else if (waveKind.value == 0) {
    w = -1.0f;
    hi = 0.0f;
  } else {
    w = 1.0f;
    lo = 0.0f;
  }
  const float p = Visibility() * ((hi - lo) * (w + 1.0f) / 2.0f + lo);
  SetFloats(e, "PerspectivePrm", {p, 1.0f / perspectiveScale.derived});
  DrawOnGrid(context);
}

// ---------------------------------------------------------------------------
// Kestrane linear

DS_KestraneLinear::DS_KestraneLinear() {
  speed.SetScaleOffset(0.1f, 0.0f, 1u);
  amplitude.SetScaleOffset(0.002f, 0.0f);
  perspectiveScale.SetScaleOffset(0.01f, 0.0f, 100u);
}

void DS_KestraneLinear::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (static_cast<uint32_t>(version) > 1) {
    tilt.Read(ar);
    perspectiveScale.Read(ar);
    ar.ReadUInt(&axis.value);
    axis.Recompute();
    ar.ReadFloat(&center.value.x);
    ar.ReadFloat(&center.value.y);
    ar.ReadFloat(&center.value.z);
    centerRead = true;
  }
  ReadDirectionRecord(ar);
}

void DS_KestraneLinear::LoadEffect(TextureHolder* maskHolder) {
  DS_FX_Constructor::LoadEffect(maskHolder);
  if (!centerRead) {
    const RenderSettings& settings = GetRenderSettings();
    center.value = D3DXVECTOR3(static_cast<float>(settings.pictureWidth) / 2.0f,
                               static_cast<float>(settings.pictureHeight) / 2.0f, 0.0f);
  }
  MakeGrid();
}

void DS_KestraneLinear::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  SetCommonParams(context);
  UploadRotationMatrices(context, e, axis.value, center.value);
  SetFloats(e, "PerspectivePrm", {tilt.derived, 1.0f / perspectiveScale.derived});
  SetFloats(e, "Direction", {direction.x * amplitude.derived, direction.y * amplitude.derived});
  const float x = Time() / 6.2831855f;
  SetFloats(e, "Shift", {x - std::floor(x)});
  DrawOnGrid(context);
}
