#include "effects/centre_distortions.h"

#include <cmath>

#include "core/archive.h"
#include "player/doc_res_manager.h"
#include "player/timelines.h"

namespace {

// The fractional part of time / 2 pi: a pattern's place in its cycle.
float CycleShift(float time) {
  const float x = time / 6.2831855f;
  return x - std::floor(x);
}

}  // namespace

// ---------------------------------------------------------------------------
// Expand

DS_ExpandFX::DS_ExpandFX() {
  speed.SetScaleOffset(0.02f, 0.0f, 50u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 102);
  upperAmplitude.SetScaleOffset(0.005f, 0.0f, 50u);
  lowerAmplitude.SetScaleOffset(0.005f, 0.0f, 0u);
}

void DS_ExpandFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  upperAmplitude.Read(ar);
  lowerAmplitude.Read(ar);
  ar.ReadInt(&waveKind.value);
  if (static_cast<uint32_t>(version) < 2) waveKind.value += 2;
  ReadCentralRecord(ar);
}

void DS_ExpandFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float upper = upperAmplitude.derived, lower = lowerAmplitude.derived;
  float a;
  if (waveKind.value == 0) a = upper;
  else if (waveKind.value >= 2) a = WaveValue(waveKind.value) * (upper + lower) / 2.0f + (upper - lower) / 2.0f;
  else a = -lower;
  currentAmplitude = a * Visibility();
}

void DS_ExpandFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadCenter(context);
  const float a = currentAmplitude;
  if (a > 0.0f) SetFloats(e, "amplitude", {a, 0.0f});
  else SetFloats(e, "amplitude", {0.0f, std::fabs(a)});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Radial wave

DS_RadialWaveFX::DS_RadialWaveFX() {
  speed.SetScaleOffset(1.0f, 0.0f, 50u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 103);
  amplitude.SetScaleOffset(0.00025f, 0.0f, 50u);
  wavelength.SetScaleOffset(0.0001f, 0.001f, 50u);
  ringScale.SetScaleOffset(1.0f, 25.0f, 50u);
}

void DS_RadialWaveFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (static_cast<uint32_t>(version) > 1) {
    amplitude.Read(ar);
    wavelength.Read(ar);
    ringScale.Read(ar);
    ar.ReadInt(&waveDirection.value);
  }
  ReadCentralRecord(ar);
}

void DS_RadialWaveFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float wt = static_cast<float>(context->GetTargetWidth());
  const float ht = static_cast<float>(context->GetTargetHeight());
  SetFloats(e, "bg_scale_factor", {1.0f, (75.0f / ringScale.derived) * ht / wt});
  const RenderSettings& settings = GetRenderSettings();
  SetFloats(e, "center", {(center.value.x + maskPosition.x) / static_cast<float>(settings.pictureWidth),
                          (center.value.y + maskPosition.y) / static_cast<float>(settings.pictureHeight)});
  SetFloats(e, "frequency", {1.0f / wavelength.derived});
  SetFloats(e, "amplitude", {amplitude.derived * Visibility()});
  SetFloats(e, "time", {Time() * (waveDirection.value != 0 ? 0.08f : -0.08f)});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Rotation

DS_RotationFX::DS_RotationFX() {
  speed.SetScaleOffset(0.005f, 0.0f, 1u);
  ellipseRatio.SetScaleOffset(0.001f, 0.0f, 0u);
  rotation.SetScaleOffset(0.017453292f, 0.0f, 0u);
  timing.value = 2;
}

void DS_RotationFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ellipseRatio.Read(ar);
  ar.ReadUInt(&ellipseAngle.value);
  ar.ReadInt(&reverse.value);
  if (static_cast<uint32_t>(version) > 1) {
    ar.ReadInt(&rotationMode.value);
    rotation.Read(ar);
  }
  ReadCentralRecord(ar);
}

void DS_RotationFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float sign = reverse.value == 0 ? 1.0f : -1.0f;
  if (rotationMode.value == 0) currentRotation = (Time() + rotation.derived) * sign;
  else currentRotation = Visibility() * sign * rotation.derived;
}

void DS_RotationFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float k = ellipseRatio.derived;
  const float angle = static_cast<float>(ellipseAngle.value) * 3.1415927f / 180.0f;
  D3DXMATRIX r, back, forth, tmp, m;
  D3DXMatrixRotationZ(&r, currentRotation);
  r._12 = r._12 * k;
  r._21 = r._21 / k;
  D3DXMatrixRotationZ(&back, -angle);
  D3DXMatrixRotationZ(&forth, angle);
  D3DXMatrixMultiply(&tmp, &back, &r);
  D3DXMatrixMultiply(&m, &tmp, &forth);
  SetFloats(e, "coord_transf", {m._11, m._12, m._21, m._22});
  const D3DXVECTOR2 size = ViewportSize();
  SetFloats(e, "offset", {-(center.value.x + maskPosition.x) / size.x, -(center.value.y + maskPosition.y) / size.y});
  SetFloats(e, "mix_color", {1.0f, 1.0f, 1.0f, timing.value == 1 ? Visibility() : 1.0f});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Bend

DS_BendFX::DS_BendFX() {
  speed.SetScaleOffset(0.02f, 0.0f, 1u);
  upperAmplitude.SetScaleOffset(0.002f, 0.0f, 0u);
  lowerAmplitude.SetScaleOffset(0.002f, 0.0f, 0u);
  bend.SetScaleOffset(0.02f, 0.0f, 0u);
}

void DS_BendFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  upperAmplitude.Read(ar);
  lowerAmplitude.Read(ar);
  bend.Read(ar);
  ar.ReadInt(&waveKind.value);
  if (static_cast<uint32_t>(version) < 2) waveKind.value += 3;
  ReadCentralRecord(ar);
}

void DS_BendFX::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  MakeGrid();
}

void DS_BendFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float upper = upperAmplitude.derived, lower = lowerAmplitude.derived;
  if (waveKind.value >= 2) currentAngle = WaveValue(waveKind.value) * (upper + lower) / 2.0f + (upper - lower) / 2.0f;
  else if (waveKind.value == 0) currentAngle = -upper;
  else currentAngle = upper;
}

void DS_BendFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadCenter(context);
  SetFloats(e, "Angle", {currentAngle * Visibility()});
  SetFloats(e, "Bend", {bend.derived});
  DrawOnGrid(context);
}

// ---------------------------------------------------------------------------
// Kestrane radial and vortical

DS_KestraneRadial::DS_KestraneRadial() {
  speed.SetScaleOffset(0.1f, 0.0f, 1u);
  amplitude.SetScaleOffset(0.005f, 0.0f, 0u);
}

void DS_KestraneRadial::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  amplitude.Read(ar);
  if (static_cast<uint32_t>(version) >= 2) ar.ReadInt(&variant.value);
  else variant.value = 0;
  ReadCentralRecord(ar);
}

void DS_KestraneRadial::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  MakeGrid();
}

void DS_KestraneRadial::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadCenter(context);
  const float a = amplitude.derived;
  if (variant.value == 0) SetFloats(e, "Amplitude", {0.0f, a});
  else SetFloats(e, "Amplitude", {a, 0.0f});
  SetFloats(e, "Shift", {CycleShift(Time())});
  DrawOnGrid(context);
}

DS_KestraneVortical::DS_KestraneVortical() {
  speed.SetScaleOffset(0.1f, 0.0f, 1u);
  ellipseDeform.SetScaleOffset(0.001f, 0.0f, 0u);
  amplitude.SetScaleOffset(0.005f, 0.0f, 0u);
}

void DS_KestraneVortical::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ellipseDeform.Read(ar);
  ar.ReadUInt(&ellipseAngle.value);
  ar.ReadInt(&reverse.value);
  amplitude.Read(ar);
  ReadCentralRecord(ar);
}

void DS_KestraneVortical::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  MakeGrid();
}

void DS_KestraneVortical::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadCenter(context);
  const float angle = static_cast<float>(ellipseAngle.value) * 3.1415927f / 180.0f;
  D3DXMATRIX r2, r3;
  D3DXMatrixRotationZ(&r2, angle);
  D3DXMatrixRotationZ(&r3, -angle);
  e->SetMatrix("r_matrix2", &r2);
  e->SetMatrix("r_matrix3", &r3);
  SetFloats(e, "ElipsDeform", {ellipseDeform.derived});
  SetFloats(e, "Amplitude", {reverse.value == 1 ? -amplitude.derived : amplitude.derived});
  SetFloats(e, "Shift", {CycleShift(Time())});
  DrawOnGrid(context);
}
