#include "effects/water_effects.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"

namespace {

constexpr float kPi = 3.1415927f;

D3DXVECTOR4 Turned(float x, float y, float degrees) {
  D3DXMATRIX r;
  D3DXMatrixRotationZ(&r, degrees * kPi / 180.0f);
  const D3DXVECTOR4 v(x, y, 0.0f, 0.0f);
  D3DXVECTOR4 out;
  D3DXVec4Transform(&out, &v, &r);
  return out;
}

float TargetAspect(DS_ABRender* context) {
  return static_cast<float>(context->GetTargetWidth()) / static_cast<float>(context->GetTargetHeight());
}

}  // namespace

ComPtr<IDirect3DTexture9> CurrentFrameTexture(const DS_FileLink3& link) {
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return {};
  const DocImage& image = manager->GetTextures(link);
  if (image.frameIndex >= image.textures.size()) return {};
  return image.textures[image.frameIndex];
}

// ---------------------------------------------------------------------------
// Waves

DS_WavesFX::DS_WavesFX() {
  amplitude.SetScaleOffset(0.00025f, 0.0f, 50u);
  frequency.SetScaleOffset(0.0005f, 0.001f, 50u);
  speed.SetValue(25u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 77);
  controls_.Add(&DS_WavesFX::UpdateDirection, &angle);
  controls_.Add(&DS_WavesFX::UpdateDirection, &longitudinal);
  UpdateDirection();
}

DS_WavesFX::DS_WavesFX(const DS_WavesFX& other)
    : DS_FX_Constructor(other),
      amplitude(other.amplitude),
      frequency(other.frequency),
      angle(other.angle),
      longitudinal(other.longitudinal) {
  controls_.Add(&DS_WavesFX::UpdateDirection, &angle);
  controls_.Add(&DS_WavesFX::UpdateDirection, &longitudinal);
  UpdateDirection();
}

void DS_WavesFX::UpdateDirection() {
  // Unsigned subtraction first, as stored angles are.
  const float a = static_cast<float>(360u - angle.value);
  direction = Turned(1.0f, 0.0f, a);
  normal = longitudinal.value == 0 ? Turned(0.0f, 1.0f, a) : Turned(-1.0f, 0.0f, a);
}

void DS_WavesFX::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  amplitude.Read(ar);
  frequency.Read(ar);
  ar.ReadUInt(&angle.value);
  ar.ReadInt(&longitudinal.value);
  ReadFXBase(ar);
}

void DS_WavesFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  SetFloats(e, "direction", {-direction.x, -direction.y});
  SetFloats(e, "direction_n", {normal.x, normal.y});
  SetFloats(e, "frequency", {1.0f / frequency.derived});
  SetFloats(e, "amplitude", {amplitude.derived * Visibility()});
  SetFloats(e, "time", {0.08f * Time()});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Underwater

DS_UnderwaterFX::DS_UnderwaterFX() {
  amplitude.SetScaleOffset(0.000125f, 0.0f, 50u);
  frequency.SetScaleOffset(0.002f, 0.001f, 50u);
  speed.SetValue(25u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 88);
}

void DS_UnderwaterFX::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  amplitude.Read(ar);
  frequency.Read(ar);
  ReadFXBase(ar);
}

void DS_UnderwaterFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float f = 1.0f / frequency.derived;
  SetFloats(e, "frequency", {f * TargetAspect(context), f});
  SetFloats(e, "amplitude", {amplitude.derived});
  SetFloats(e, "time", {0.08f * Time()});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Water surface

DS_WaterFX::DS_WaterFX() {
  surface.SetScaleOffset(0.0001f, 0.0f, 20u);
  bumpScale.SetScaleOffset(0.001f, 0.0f, 20u);
  waveStrength.SetScaleOffset(0.00025f, 0.0f, 20u);
  waveLength.SetScaleOffset(0.0005f, 0.001f, 20u);
  shadows.SetScaleOffset(0.01f, 0.0f, 0u);
  lightHeight.SetScaleOffset(0.1f, 0.0f, 0u);
  speed.SetScaleOffset(0.02f, 0.0f, 50u);
  scale.SetValue(30u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 90);
  controls_.Add(&DS_WaterFX::UpdateDirection, &angle);
  UpdateDirection();
}

DS_WaterFX::DS_WaterFX(const DS_WaterFX& other)
    : DS_FX_Constructor(other),
      surface(other.surface),
      bumpScale(other.bumpScale),
      waveStrength(other.waveStrength),
      waveLength(other.waveLength),
      angle(other.angle),
      shadows(other.shadows),
      lightHeight(other.lightHeight),
      color(other.color),
      bumpImage(other.bumpImage),
      bumpTexture(other.bumpTexture) {
  std::copy(std::begin(other.bumpTransform), std::end(other.bumpTransform), bumpTransform);
  controls_.Add(&DS_WaterFX::UpdateDirection, &angle);
  UpdateDirection();
}

void DS_WaterFX::UpdateDirection() { direction = Turned(1.0f, 0.0f, static_cast<float>(angle.value)); }

void DS_WaterFX::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  surface.Read(ar);
  bumpScale.Read(ar);
  waveStrength.Read(ar);
  waveLength.Read(ar);
  ar.ReadUInt(&angle.value);
  shadows.Read(ar);
  lightHeight.Read(ar);
  ar.ReadDword(&color.value);
  ReadFileLink3(ar, bumpImage);
  ReadFXBase(ar);
}

void DS_WaterFX::LoadEffect(TextureHolder* maskHolder) {
  bumpTexture = CurrentFrameTexture(bumpImage);
  DS_FX_Constructor::LoadEffect(maskHolder);
}

void DS_WaterFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float a = 4.5f * Time();
  const float c = std::cos(a) * bumpScale.derived, s = std::sin(a) * bumpScale.derived;
  bumpTransform[0] = c;
  bumpTransform[1] = -s;
  bumpTransform[2] = s;
  bumpTransform[3] = c;
}

void DS_WaterFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float p = surface.derived;
  const float x = 2.0f / p - 1.0f;
  e->SetTexture("BumpMap", bumpTexture.Get());
  SetFloats(e, "BampTrans", {bumpTransform[0], bumpTransform[1], bumpTransform[2], bumpTransform[3]});
  SetFloats(e, "P1", {p - 1.0f, -1.0f, p - 1.0f});
  // A surface of 0 or 1 gives values that are not finite; sent as they are.
  SetFloats(e, "P2", {1.0f, (std::sqrt(x) + x) / (x - 1.0f), 1.0f});
  SetFloats(e, "Time", {2.0f * Time()});
  const float l = waveLength.derived, w = waveStrength.derived;
  SetFloats(e, "Direction1", {-0.5f * direction.x / l, -0.5f * direction.y / l});
  SetFloats(e, "Direction2", {-0.5f * w * direction.x, -0.5f * w * direction.y});
  SetFloats(e, "Shadows", {shadows.derived});
  D3DXVECTOR3 half(1.0f, 2.0f, lightHeight.derived);
  D3DXVec3Normalize(&half, &half);
  SetFloats(e, "Vhalf", {half.x, half.y, half.z});
  float r, g, b;
  ColourRGB(color.value, &r, &g, &b);
  SetFloats(e, "Color", {r, g, b});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Move

DS_MoveFX::DS_MoveFX() {
  backAmplitude.SetScaleOffset(0.0002f, 0.0f, 0u);
  amplitude.SetScaleOffset(0.0002f, 0.0f, 50u);
  speed.SetScaleOffset(0.02f, 0.0f, 50u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 91);
}

void DS_MoveFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  const uint32_t v = static_cast<uint32_t>(version);
  ar.ReadInt(&waveKind.value);
  if (v >= 2) backAmplitude.Read(ar);
  ReadDirectionRecord(ar);
  if (v < 2) backAmplitude.SetScaleOffset(amplitude.scale, amplitude.offset, amplitude.value);
  // Older kinds: 0 and 1 were the waves that are now 3 and 4.
  if (v < 3) waveKind.SetValue(waveKind.value + 3);
}

void DS_MoveFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float a = amplitude.derived, b = backAmplitude.derived;
  const int32_t k = waveKind.value;
  float m;
  if (k > 1) m = WaveValue(k) * (a + b) / 2.0f + (a - b) / 2.0f;
  else if (k == 0) m = a;
  else m = -a;
  offset[0] = -(direction.x * m * Visibility());
  offset[1] = -(direction.y * m * Visibility());
}

void DS_MoveFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  SetFloats(e, "Direction", {offset[0], offset[1]});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// Waterfall

DS_WaterfallFX::DS_WaterfallFX() {
  layerFade.SetScaleOffset(-0.01f, 1.0f, 0u);
  noiseAmplitude.SetScaleOffset(0.0001f, 0.0f, 0u);
  spareValue.SetScaleOffset(1.0f, 0.0f, 0u);
  threshold.SetScaleOffset(-0.001f, 1.0f, 0u);
  amplitude.SetScaleOffset(0.004f, 0.0f);
  speed.SetScaleOffset(0.02f, 0.0f);
  effectFile = DS_HLSLEffectFile();
}

void DS_WaterfallFX::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  layerFade.Read(ar);
  ar.ReadUInt(&layerCount.value);
  noiseAmplitude.Read(ar);
  spareValue.Read(ar);
  threshold.Read(ar);
  ReadFileLink3(ar, noiseImage);
  ar.ReadDword(&color.value);
  ar.ReadInt(&disabled.value);
  ReadDirectionRecord(ar);
}

void DS_WaterfallFX::LoadEffect(TextureHolder* maskHolder) {
  layers.resize(std::min(layerCount.value, kMaxLayers));
  noiseTexture = CurrentFrameTexture(noiseImage);
  DS_FX_Constructor::LoadEffect(maskHolder);
  grid.Create(2, 2);
  UpdateMaskQuad();
}

void DS_WaterfallFX::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float time = Time();
  float s = time;
  const float n = static_cast<float>(layers.size());
  for (WaterfallLayer& layer : layers) {
    const float f = s - std::trunc(s);
    layer.x = -(direction.x * f * amplitude.derived);
    layer.y = -(direction.y * f * amplitude.derived);
    layer.alpha = (1.0f - std::fabs(2.0f * f - 1.0f)) * layerFade.derived;
    s += 1.0f / n;
  }
  flow[0] = -(direction.x * 0.1f * time / scale.derived);
  flow[1] = -(direction.y * 0.1f * time / scale.derived);
}

void DS_WaterfallFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  e->SetTexture("Mask", maskTexture.Get());
  TextureHolder* background = context->GetBackgroundTexture();
  e->SetTexture("Background", background ? background->Get() : nullptr);
  if (disabled.value != 0) return;
  ID3DXEffect* draw = e;
  if (noiseAmplitude.value > 0) {
    e->SetTexture("NoiseMap", noiseTexture.Get());
    e->SetTechnique("Noise");
    SetFloats(e, "noise_shift", {flow[0], flow[1]});
    const float s = scale.derived;
    SetFloats(e, "bump_scale", {TargetAspect(context) / s, 1.0f / s});
    SetFloats(e, "noise_amplitude", {noiseAmplitude.derived});
    context->DrawIndexed(&grid, &draw);
  }
  if (layers.empty()) return;
  e->SetTechnique("ColorWaves");
  float r, g, b;
  ColourRGB(color.value, &r, &g, &b);
  SetFloats(e, "base_color", {r, g, b});
  SetFloats(e, "treshold", {threshold.derived});
  for (const WaterfallLayer& layer : layers) {
    SetFloats(e, "shift", {layer.x, layer.y});
    SetFloats(e, "transluency", {layer.alpha});
    context->DrawIndexed(&grid, &draw);
  }
}
