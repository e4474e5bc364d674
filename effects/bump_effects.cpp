#include "effects/bump_effects.h"

#include <cmath>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"

namespace {

// A second clock's values are not part of the parameter's copy.
void CopyClock(MediaSpeedParam& to, const MediaSpeedParam& from) {
  to.step = from.step;
  to.elapsed = from.elapsed;
  to.last_time = from.last_time;
}

}  // namespace

// ---------------------------------------------------------------------------
// Heat distortion

DS_HeatDistortion::DS_HeatDistortion() {
  heatSpeed.SetScaleOffset(0.001f, 0.0f, 1u);
  strength.SetScaleOffset(0.002f, 0.0f, 0u);
  bumpScale.SetScaleOffset(-0.009f, 1.0f, 0u);
}

DS_HeatDistortion::DS_HeatDistortion(const DS_HeatDistortion& other)
    : DS_PerspectiveBased(other),
      heatSpeed(other.heatSpeed),
      strength(other.strength),
      bumpScale(other.bumpScale),
      bumpTexture(other.bumpTexture),
      centerRead(other.centerRead) {
  CopyClock(heatSpeed, other.heatSpeed);
}

void DS_HeatDistortion::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  heatSpeed.Read(ar);
  strength.Read(ar);
  bumpScale.Read(ar);
  if (static_cast<uint32_t>(version) >= 3) {
    ReadPerspectiveRecord(ar);
    centerRead = true;
  } else {
    ReadFXBase(ar);
  }
}

void DS_HeatDistortion::LoadEffect(TextureHolder* maskHolder) {
  DS_CentralBased::LoadEffect(maskHolder);
  if (!centerRead) {
    const RenderSettings& settings = GetRenderSettings();
    center.value = D3DXVECTOR3(static_cast<float>(settings.pictureWidth) / 2.0f,
                               static_cast<float>(settings.pictureHeight) / 2.0f, 0.0f);
  }
  UpdateLines();
  MakeGrid();
  bumpTexture = nullptr;
  if (DS_DocResManager* manager = CurrentDocResManager()) {
    const DocImage& image = manager->GetTextures(DS_ImageFileLink(62, u"common_res.dll"));
    if (!image.textures.empty()) {
      const size_t i = image.frameIndex < image.textures.size() ? image.frameIndex : 0;
      bumpTexture = image.textures[i];
    }
  }
}

void DS_HeatDistortion::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  heatSpeed.Advance(t);
}

void DS_HeatDistortion::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  UploadLines(context);
  UploadPerspective(context);
  SetFloats(e, "stenght", {strength.derived * 0.05f});
  const float time = heatSpeed.elapsed;
  SetFloats(e, "Offset", {time, -time});
  const float b = bumpScale.derived;
  const float wt = static_cast<float>(context->GetTargetWidth()), ht = static_cast<float>(context->GetTargetHeight());
  SetFloats(e, "bump_scale", {b, b * ht / wt});
  e->SetTexture("Bumpmap", bumpTexture.Get());
  DrawOnGrid(context);
}

// ---------------------------------------------------------------------------
// Bump lighting

DS_BumpFX::DS_BumpFX() {
  animationAmount.SetScaleOffset(0.1f, 0.0f, 100u);
  lightElevation.SetValue(45u);
  bumpSpeed.SetScaleOffset(0.02f, 0.0f, 50u);
}

DS_BumpFX::DS_BumpFX(const DS_BumpFX& other)
    : DS_FX_Constructor(other),
      animationMode(other.animationMode),
      waveKind(other.waveKind),
      animationAmount(other.animationAmount),
      bumpImage(other.bumpImage),
      lightElevation(other.lightElevation),
      lightAzimuth(other.lightAzimuth),
      bumpSpeed(other.bumpSpeed),
      bumpFrames(other.bumpFrames) {
  CopyClock(bumpSpeed, other.bumpSpeed);
  for (int i = 0; i < 4; ++i) bumpTexScale[i] = other.bumpTexScale[i];
}

void DS_BumpFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadInt(&animationMode.value);
  ar.ReadInt(&waveKind.value);
  animationAmount.Read(ar);
  ReadFileLink3(ar, bumpImage);
  ReadScaledValue(ar, lightElevation);
  ReadScaledValue(ar, lightAzimuth);
  bumpSpeed.Read(ar);
  ReadFXBase(ar);
}

void DS_BumpFX::LoadEffect(TextureHolder* maskHolder) {
  DS_FX_Constructor::LoadEffect(maskHolder);
  MakeGrid();
  if (DS_DocResManager* manager = CurrentDocResManager()) bumpFrames = manager->GetImage(bumpImage, 4);
  UpdateGrid();
}

void DS_BumpFX::UpdateGrid() {
  const RenderSettings& settings = GetRenderSettings();
  const float wi = static_cast<float>(settings.pictureWidth), hi = static_cast<float>(settings.pictureHeight);
  DX_V::PT v[4];
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3& c = quad.corners[i].value;
    v[i] = DX_V::PT{c.x, c.y, c.z, c.x / wi, c.y / hi};
  }
  if (grid.vertexBuffer) grid.FillVertices(v[0], v[1], v[2], v[3]);
  bumpTexScale[0] = v[0].u;
  bumpTexScale[1] = v[0].v;
  bumpTexScale[2] = 1.0f / (v[2].u - v[0].u);
  bumpTexScale[3] = 1.0f / (v[3].v - v[0].v);
}

void DS_BumpFX::AdvanceTime(float t) {
  bumpSpeed.Advance(t);
  DS_FX_Constructor::AdvanceTime(t);
}

void DS_BumpFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  TextureHolder* background = context->GetBackgroundTexture();
  e->SetTexture("Background", background ? background->Get() : nullptr);
  const float el = lightElevation.radians, az = lightAzimuth.radians;
  SetFloats(e, "BumpStep",
            {1.0f / static_cast<float>(bumpFrames.imageWidth), 1.0f / static_cast<float>(bumpFrames.imageHeight)});
  SetFloats(e, "BumpTexScale", {bumpTexScale[0], bumpTexScale[1], bumpTexScale[2], bumpTexScale[3]});
  SetFloats(e, "LightDir", {-std::cos(az) * std::cos(el), -std::sin(az) * std::cos(el), std::sin(el)});
  SetFloats(e, "AmbientLight", {1.0f - std::sin(el)});
  float f = Visibility();
  if (waveKind.value > 0) f = (WaveValue(waveKind.value + 1) + 1.0f) * 0.5f * f;
  float x = animationAmount.derived, y = 0.0f;
  if (animationMode.value == 1) y = 1.0f - f;
  else if (animationMode.value == 0) x = animationAmount.derived * f;
  SetFloats(e, "Animator", {x, y});
  if (!bumpFrames.textures.empty()) {
    const size_t i = static_cast<size_t>(bumpFrames.frameIndex) < bumpFrames.textures.size()
                         ? static_cast<size_t>(bumpFrames.frameIndex)
                         : 0;
    e->SetTexture("Bumpmap1", bumpFrames.textures[i].Get());
  }
  ID3DXEffect* draw = e;
  if (mode.value == 0) {
    e->SetTechnique("Main");
    context->DrawIndexed(&grid, &draw);
  } else {
    e->SetTechnique("MainFX");
    context->DrawGeometry(context->GetScreenQuad(), &draw);
  }
}
