#include "effects/procedural_effects.h"

#include <cmath>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"

// ---------------------------------------------------------------------------
// Clouds

CloudProjection::CloudProjection() {
  depth.SetScaleOffset(0.02f, 1.0f, 0u);
  height.SetScaleOffset(0.25f, 0.0f, 0u);
  shift.SetScaleOffset(0.01f, 0.0f, 0u);
  spare1.SetScaleOffset(0.1f, 1.0f, 0u);
  spare2.SetScaleOffset(0.01f, 0.0f, 0u);
}

void CloudProjection::Upload(ID3DXEffect* e) const {
  const float d = depth.derived, h = height.derived;
  SetFloats(e, "PX_Transform", {(d - 1.0f) / d});
  SetFloats(e, "PY_TransformH", {h / d + 1.0f});
  SetFloats(e, "PY_TransformZ", {h});
  const bool flip = flipShift.value != 0;
  SetFloats(e, "tex_shift", {1.0f, flip ? -1.0f : 1.0f, -shift.derived, flip ? 1.0f : 0.0f});
}

DS_CloudFX::DS_CloudFX() {
  speed.SetScaleOffset(0.001f, 0.0f, 1u);
  scale.SetScaleOffset(0.008f, 0.0f);
  threshold.SetScaleOffset(0.02f, 1.0f, 0u);
  density.SetScaleOffset(0.02f, 0.0f, 0u);
}

void DS_CloudFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&colorK1.value);
  ar.ReadUInt(&colorK2.value);
  ReadFileLink3(ar, cloudImage);
  ReadFileLink3(ar, secondImage);
  threshold.Read(ar);
  density.Read(ar);
  projection.depth.Read(ar);
  projection.height.Read(ar);
  projection.shift.Read(ar);
  ar.ReadInt(&projection.flipShift.value);
  projection.spare1.Read(ar);
  projection.spare2.Read(ar);
  ReadDirectionRecord(ar);
}

void DS_CloudFX::LoadEffect(TextureHolder* maskHolder) {
  if (DS_DocResManager* manager = CurrentDocResManager()) cloudFrames = manager->GetTextures(cloudImage);
  DS_FX_Constructor::LoadEffect(maskHolder);
  MakeGrid();
}

void DS_CloudFX::UpdateMaskQuad() {
  const RenderSettings& settings = GetRenderSettings();
  const float wi = static_cast<float>(settings.pictureWidth), hi = static_cast<float>(settings.pictureHeight);
  const D3DXVECTOR3& c0 = quad.corners[0].value;
  const D3DXVECTOR3& c1 = quad.corners[1].value;
  const D3DXVECTOR3& c2 = quad.corners[2].value;
  const D3DXVECTOR3& c3 = quad.corners[3].value;
  maskTexShift[0] = (c2.x - c0.x) / wi;
  maskTexShift[1] = c0.x / wi;
  maskTexShift[2] = (c3.y - c2.y) / hi;
  maskTexShift[3] = c0.y / hi;
  if (!grid.vertexBuffer) return;
  grid.FillVertices(DX_V::PT{c0.x, c0.y, c0.z, 0.0f, 0.0f}, DX_V::PT{c1.x, c1.y, c1.z, 0.0f, 1.0f},
                    DX_V::PT{c2.x, c2.y, c2.z, 1.0f, 0.0f}, DX_V::PT{c3.x, c3.y, c3.z, 1.0f, 1.0f});
}

void DS_CloudFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  e->SetTexture("Mask", GetMaskTexture()->Get());
  // A picture without frames binds nothing.
  IDirect3DTexture9* cloud = nullptr;
  if (!cloudFrames.textures.empty()) {
    const size_t i = cloudFrames.frameIndex < cloudFrames.textures.size() ? cloudFrames.frameIndex : 0;
    cloud = cloudFrames.textures[i].Get();
  }
  e->SetTexture("Background", cloud);
  const float s = scale.derived;
  const float wt = static_cast<float>(context->GetTargetWidth()), ht = static_cast<float>(context->GetTargetHeight());
  SetFloats(e, "Scale", {(wt / ht) / s, 1.0f / s});
  SetFloats(e, "Threshold", {threshold.derived});
  SetFloats(e, "Density", {density.derived});
  float r, g, b;
  ColourRGB(colorK1.value, &r, &g, &b);
  SetFloats(e, "ColorK1", {r, g, b});
  ColourRGB(colorK2.value, &r, &g, &b);
  SetFloats(e, "ColorK2", {r, g, b});
  SetFloats(e, "Velocity", {-direction.x * Time(), -direction.y * Time()});
  SetFloats(e, "mask_tex_shift", {maskTexShift[0], maskTexShift[1], maskTexShift[2], maskTexShift[3]});
  projection.Upload(e);
  DrawOnGrid(context);
}

// ---------------------------------------------------------------------------
// Caustics

DS_CausticFX::DS_CausticFX() : blendColor(0x00FFFFFFu) {
  speed.SetScaleOffset(0.01f, 0.0f, 100u);
  brightness.SetScaleOffset(0.25f, 0.0f, 100u);
  scaleX.SetScaleOffset(0.01f, 0.0f, 200u);
  scaleY.SetScaleOffset(0.01f, 0.0f, 200u);
  power.SetScaleOffset(0.07f, 0.0f, 100u);
}

void DS_CausticFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  brightness.Read(ar);
  scaleX.Read(ar);
  scaleY.Read(ar);
  ar.ReadUInt(&blendColor.value);
  ar.ReadInt(&blendMode.value);
  ar.ReadInt(&backgroundMode.value);
  power.Read(ar);
  if (static_cast<uint32_t>(version) < 2) ReadLineRecord(ar);
  else ReadPerspectiveRecord(ar);
}

void DS_CausticFX::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  UpdateLines();
  MakeGrid();
}

void DS_CausticFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadPerspective(context);
  SetFloats(e, "cauScale", {scaleX.derived, scaleY.derived});
  SetFloats(e, "fTime", {Time()});
  SetFloats(e, "fBrightness", {brightness.derived * Visibility()});
  SetFloats(e, "fPower", {power.derived});
  float r, g, b;
  ColourRGB(blendColor.value, &r, &g, &b);
  SetFloats(e, "BlendColor", {r, g, b, 1.0f});
  e->SetTexture("Mask", maskTexture.Get());
  TextureHolder* background = context->GetBackgroundTexture();
  e->SetTexture("Background", background ? background->Get() : nullptr);
  static const char* const kTechniques[] = {"Blend_Normal", "Blend_Screen", "Blend_ColorDodge", "Linear_Dodge",
                                            "Blend_Sum"};
  if (blendMode.value >= 0 && blendMode.value < 5) e->SetTechnique(kTechniques[blendMode.value]);
  ID3DXEffect* draw = e;
  context->DrawGeometry(context->GetScreenQuad(), &draw);
}

// ---------------------------------------------------------------------------
// Day to night

DS_DayToNight::DS_DayToNight() { desaturate.SetScaleOffset(0.01f, 0.0f, 0u); }

DS_DayToNight::DS_DayToNight(const DS_DayToNight& other)
    : DS_FX_Constructor(other), mulColor(other.mulColor), desaturate(other.desaturate) {
  softLightColor.SetHSB(other.softLightColor.hue.value, other.softLightColor.saturation.value,
                        other.softLightColor.brightness.value);
}

void DS_DayToNight::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&mulColor.value);
  ar.ReadUInt(&softLightColor.hue.value);
  ar.ReadUInt(&softLightColor.saturation.value);
  ar.ReadUInt(&softLightColor.brightness.value);
  ar.ReadFloat(&softLightColor.red);
  ar.ReadFloat(&softLightColor.green);
  ar.ReadFloat(&softLightColor.blue);
  ar.ReadFloat(&softLightColor.alpha);
  desaturate.Read(ar);
  ReadFXBase(ar);
}

void DS_DayToNight::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  SetCommonParams(context);
  float r, g, b;
  ColourRGB(mulColor.value, &r, &g, &b);
  SetFloats(e, "mul_color", {r, g, b, 1.0f});
  SetFloats(e, "soft_light_color",
            {softLightColor.red, softLightColor.green, softLightColor.blue, softLightColor.alpha});
  SetFloats(e, "Fade", {std::sin(Visibility() * 1.5707964f)});
  SetFloats(e, "Disaturate", {desaturate.derived});
  DrawOnGrid(context);
}
