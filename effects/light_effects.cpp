#include "effects/light_effects.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/noise.h"
#include "core/thread_slots.h"
#include "player/current_device.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"

namespace {

constexpr float kPi = 3.1415927f;

void SetBackground(ID3DXEffect* e, DS_ABRender* context) {
  TextureHolder* background = context->GetBackgroundTexture();
  e->SetTexture("Background", background ? background->Get() : nullptr);
}

void ReadHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

float Fraction(float x) { return x - std::floor(x); }

// A (factor, offset) pair that scales toward 0 below 1 and toward 1 above.
void ShiftPair(ID3DXEffect* e, const char* name, float factor) {
  if (factor < 1.0f) SetFloats(e, name, {factor, 0.0f});
  else SetFloats(e, name, {2.0f - factor, factor - 1.0f});
}

}  // namespace

// ---------------------------------------------------------------------------
// Erase layer

DS_EraseLayerFX::DS_EraseLayerFX() { mode.value = 2; }

void DS_EraseLayerFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadInt(&invert.value);
  ReadFXBase(ar);
}

void DS_EraseLayerFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float v = Visibility();
  if (invert.value != 0) SetFloats(e, "mask_mod", {0.0f, v});
  else SetFloats(e, "mask_mod", {1.0f, -v});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Light

DS_LightFX::DS_LightFX() {
  intensity.SetScaleOffset(0.01f, 0.0f, 40u);
  speed.SetScaleOffset(1.0f, 0.0f, 40u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 76);
}

void DS_LightFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  intensity.Read(ar);
  ar.ReadInt(&flicker.value);
  ReadFXBase(ar);
}

void DS_LightFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float t = Time();
  float f;
  if (flicker.value < 2) {
    f = (std::sin(0.2f * t) + 1.0f) * 0.5f;
    if (flicker.value == 1) f = f > 0.5f ? 1.0f : 0.0f;
  } else {
    f = (static_cast<float>(OctaveNoise1D(2, 10.0 * t, 75.0, 0.5)) + 1.0f) * 0.5f;
  }
  SetFloats(e, "multiplier", {intensity.derived * f * Visibility()});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Light II

DS_LightFX_II::DS_LightFX_II() { intensity.SetScaleOffset(0.01f, 0.0f, 0u); }

void DS_LightFX_II::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  const uint32_t v = static_cast<uint32_t>(version);
  intensity.Read(ar);
  ar.ReadInt(&flicker.value);
  ar.ReadInt(&blendMode.value);
  ar.ReadUInt(&color.value);
  if (v >= 3) ar.ReadInt(&layerMode.value);
  ReadFXBase(ar);
  if (v < 2) {
    effectFile = DS_HLSLEffectFile(u"common_res.dll", 190);
    if (blendMode.value == 3) blendMode.SetValue(4);
  }
}

void DS_LightFX_II::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float t = Time();
  const float wave = (std::sin(0.2f * t) + 1.0f) * 0.5f;
  float f;
  switch (flicker.value) {
    case 1: f = wave; break;
    case 2: f = wave > 0.5f ? 1.0f : 0.0f; break;
    case 3: f = (static_cast<float>(OctaveNoise1D(2, 10.0 * t, 75.0, 0.5)) + 1.0f) * 0.5f; break;
    default: f = 1.0f; break;
  }
  float r, g, b;
  ColourRGB(color.value, &r, &g, &b);
  SetFloats(e, "BlendColor", {r, g, b, intensity.derived * f * Visibility()});
  e->SetTexture("Mask", maskTexture.Get());
  SetBackground(e, context);
  static const char* const kTechniques[] = {"Blend_Normal", "Blend_Screen", "Blend_ColorDodge", "Linear_Dodge",
                                            "Blend_Sum"};
  if (blendMode.value >= 0 && blendMode.value < 5) e->SetTechnique(kTechniques[blendMode.value]);
  ID3DXEffect* draw = e;
  context->DrawGeometry(context->GetScreenQuad(), &draw);
}

// ---------------------------------------------------------------------------
// Light wave

DS_LightWaveFX::DS_LightWaveFX() { speed.SetScaleOffset(0.02f, 0.0f); }

void DS_LightWaveFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  for (float* f : {&waveStart.value.x, &waveStart.value.y, &waveStart.value.z}) ar.ReadFloat(f);
  for (float* f : {&waveEnd.value.x, &waveEnd.value.y, &waveEnd.value.z}) ar.ReadFloat(f);
  ar.ReadUInt(&waveLength.value);
  if (static_cast<uint32_t>(version) >= 2) ar.ReadInt(&oneWay.value);
  int32_t inner = 0;
  ReadHeader(ar, &inner);
  DS_LightFX_II::ReadRecord(ar, inner);
}

void DS_LightWaveFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const int32_t k = flicker.value;
  float p;
  if (k == 0) {
    p = Visibility();
  } else {
    float w = WaveValue(k + 1);
    if (oneWay.value != 0 && k < 3 && std::cos(phase.derived + Time()) < 0.0f) w = -w;
    p = (w + 1.0f) * 0.5f;
  }
  const D3DXVECTOR3& s = waveStart.value;
  const D3DXVECTOR3& e = waveEnd.value;
  wavePos = D3DXVECTOR3(s.x + (e.x - s.x) * p, s.y + (e.y - s.y) * p, s.z + (e.z - s.z) * p);
  D3DXVECTOR3 back(s.x - e.x, s.y - e.y, s.z - e.z);
  D3DXVec3Normalize(&waveDir, &back);
}

void DS_LightWaveFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  SetFloats(e, "WaveDir", {waveDir.x, waveDir.y});
  SetFloats(e, "WavePos", {wavePos.x, wavePos.y});
  const D3DXVECTOR2 size = ViewportSize();
  SetFloats(e, "BgSize", {size.x, size.y});
  SetFloats(e, "WaveFreq", {kPi / static_cast<float>(waveLength.value)});
  float a = intensity.derived;
  if (flicker.value != 0) a *= Visibility();
  float r, g, b;
  ColourRGB(color.value, &r, &g, &b);
  SetFloats(e, "BlendColor", {r, g, b, a});
  e->SetTexture("Mask", maskTexture.Get());
  SetBackground(e, context);
  e->SetTechnique("Blend_Normal");
  ID3DXEffect* draw = e;
  context->DrawGeometry(context->GetScreenQuad(), &draw);
}

// ---------------------------------------------------------------------------
// Colour shift

DS_ColorShiftFX::DS_ColorShiftFX() {
  amplitude.SetScaleOffset(0.005f, 0.0f, 50u);
  hueShift.SetScaleOffset(0.01f, 0.0f, 0u);
  saturation.SetScaleOffset(0.01f, -1.0f, 100u);
  brightness.SetScaleOffset(0.01f, -1.0f, 100u);
  speed.SetScaleOffset(0.02f, 0.0f, 50u);
}

void DS_ColorShiftFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadInt(&waveKind.value);
  amplitude.Read(ar);
  hueShift.Read(ar);
  saturation.Read(ar);
  brightness.Read(ar);
  ReadFXBase(ar);
}

void DS_ColorShiftFX::AdvanceTime(float t) {
  const float v = Visibility();
  satFactor = saturation.derived * v + 1.0f;
  valFactor = brightness.derived * v + 1.0f;
  float s;
  switch (waveKind.value) {
    case 0:
      s = 0.0f;
      break;
    case 1: {
      const float m = std::fmod(std::floor(Time()), 2.0f);
      s = m * amplitude.derived;
      satFactor = (satFactor - 1.0f) * m + 1.0f;
      valFactor = (valFactor - 1.0f) * m + 1.0f;
      break;
    }
    case 5:
      s = Time() / 6.2831855f;
      break;
    default:
      s = WaveValue(waveKind.value) * amplitude.derived;
      break;
  }
  colorShift = (hueShift.derived + s) * v;
  DS_FX_Constructor::AdvanceTime(t);
}

void DS_ColorShiftFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  SetFloats(e, "color_shift", {colorShift});
  ShiftPair(e, "val_shift", valFactor);
  ShiftPair(e, "sat_shift", satFactor);
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Saturation wave and its uniform form

DS_SaturationWaveFX::DS_SaturationWaveFX() {
  spareFactor.SetScaleOffset(0.01f, 0.0f, 50u);
  strength.SetScaleOffset(0.01f, 0.0f, 100u);
  speed.SetScaleOffset(0.01f, 0.0f, 50u);
}

void DS_SaturationWaveFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadInt(&waveKind.value);
  spareFactor.Read(ar);
  strength.Read(ar);
  ar.ReadUInt(&direction.value);
  direction.Recompute();
  ar.ReadUInt(&waveWidth.value);
  ReadFXBase(ar);
}

void DS_SaturationWaveFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  raising = 1;
  const float dx = direction.direction.x, dy = direction.direction.y, dz = direction.direction.z;
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3& c = quad.corners[i].value;
    const float p = c.x * dx - c.y * dy + c.z * dz;
    if (i == 0 || p < minProj) minProj = p;
    if (i == 0 || p > maxProj) maxProj = p;
  }
  maxProj += static_cast<float>(waveWidth.value);
  const float sx = minProj * dx, sy = minProj * -dy;
  const float ex = maxProj * dx, ey = maxProj * -dy;
  const float time = Time();
  float f;
  switch (waveKind.value) {
    case 0:
      f = 1.0f;
      break;
    case 1:
      f = Fraction(time);
      raising = std::fmod(std::floor(time), 2.0f) == 0.0f ? 1 : 0;
      break;
    case 2:
      f = 1.0f - 2.0f * std::fabs(Fraction(time) - 0.5f);
      break;
    default:
      f = time;
      break;
  }
  f *= Visibility();
  wavePos = D3DXVECTOR3(sx + (ex - sx) * f, sy + (ey - sy) * f, 0.0f);
  currentStrength = strength.derived;
}

void DS_SaturationWaveFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const D3DXVECTOR2 size = ViewportSize();
  SetFloats(e, "BgSize", {size.x, size.y});
  SetFloats(e, "WaveDir", {direction.direction.x, -direction.direction.y});
  SetFloats(e, "WavePos", {wavePos.x, wavePos.y});
  SetFloats(e, "WaveFreq", {kPi / static_cast<float>(waveWidth.value)});
  if (raising != 0) {
    SetFloats(e, "SatMax", {currentStrength});
    SetFloats(e, "SatMin", {0.0f});
  } else {
    SetFloats(e, "SatMax", {0.0f});
    SetFloats(e, "SatMin", {currentStrength});
  }
  e->SetTexture("Mask", maskTexture.Get());
  SetBackground(e, context);
  DrawOnGrid(context);
}

DS_SaturationFX::DS_SaturationFX() {
  waveWidth.value = 0;
  speed.SetScaleOffset(0.1f, 0.0f);
}

void DS_SaturationFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  int32_t inner = 0;
  ReadHeader(ar, &inner);
  DS_SaturationWaveFX::ReadRecord(ar, inner);
}

void DS_SaturationFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float f = waveKind.value == 0 ? 1.0f : (1.0f - WaveValue(waveKind.value + 1)) * 0.5f;
  currentStrength = strength.derived * f * Visibility();
  wavePos = D3DXVECTOR3(ViewportSize().x, 0.0f, 0.0f);
}

// ---------------------------------------------------------------------------
// Blur

DS_BlureFX::DS_BlureFX() : targets(std::make_shared<RenderTargetSet>()) { speed.SetScaleOffset(0.04f, 0.0f); }

DS_BlureFX::DS_BlureFX(const DS_BlureFX& other)
    : DS_FX_Constructor(other), radius(other.radius), waveKind(other.waveKind), targets(other.targets) {}

void DS_BlureFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&radius.value);
  ar.ReadInt(&waveKind.value);
  ReadFXBase(ar);
}

void DS_BlureFX::CreateDeviceObjects() { CreateBackBufferTargets(*targets); }

void DS_BlureFX::ReleaseDeviceObjects() { targets->ReleaseTextures(); }

void DS_BlureFX::LoadEffect(TextureHolder* maskHolder) {
  DS_FX_Constructor::LoadEffect(maskHolder);
  CreateDeviceObjects();
  if (!guard_) guard_ = std::make_unique<DeviceObjectsGuard>(this);
}

void DS_BlureFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  RenderContext* rc = CurrentRenderContext();
  IDirect3DDevice9* d = CurrentDevice();
  ImageQuad* screen = context->GetScreenQuad();
  ID3DXEffect* draw = e;
  auto setWorldViewProj = [&] {
    D3DXMATRIX wvp;
    D3DXMatrixIdentity(&wvp);
    if (rc && screen) rc->GetWorldViewProj(&wvp, screen->world);
    e->SetMatrix("WorldViewProj", &wvp);
  };
  const float w = static_cast<float>(context->GetTargetWidth());
  const float h = static_cast<float>(context->GetTargetHeight());
  SetFloats(e, "Radius", {(WaveValue(waveKind.value + 1) * 0.5f + 0.5f) * static_cast<float>(radius.value) *
                          Visibility()});
  e->SetTexture("Mask", maskTexture.Get());
  SetBackground(e, context);
  IDirect3DTexture9* blurred = nullptr;
  TextureHolder result;
  // Without targets the two off-screen passes are skipped.
  if (targets->active) {
    targets->Begin();
    context->PushTarget(static_cast<int>(targets->width), static_cast<int>(targets->height), 3);
    if (d) d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    setWorldViewProj();
    SetFloats(e, "PixelSize", {0.0f, 1.0f / h});
    e->SetTechnique(mode.value == 0 ? "BlurPassBG" : "BlurPass");
    context->DrawGeometry(screen, &draw);
    const int32_t first = targets->activeIndex;
    targets->Select((first + 1) % 2);
    if (d) d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    e->SetTexture("Background", targets->textures[first].Get());
    SetFloats(e, "PixelSize", {1.0f / w, 0.0f});
    context->DrawGeometry(screen, &draw);
    TextureHolder* done = targets->End(false);
    if (done) result = *done;
    context->PopTarget();
    blurred = result.Get();
    e->SetTexture("Background", blurred);
  }
  e->SetTechnique("FinalPass");
  setWorldViewProj();
  context->DrawGeometry(screen, &draw);
}
