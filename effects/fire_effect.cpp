#include "effects/fire_effect.h"

#include "core/archive.h"
#include "core/thread_slots.h"
#include "effects/water_effects.h"
#include "player/current_device.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"

DS_FireFX::DS_FireFX() {
  density.SetScaleOffset(0.01f, -1.0f, 100u);
  brightness.SetScaleOffset(0.02f, 0.0f, 15u);
  repeat.SetScaleOffset(0.01f, 0.0f, 100u);
  speed.SetScaleOffset(0.02f, 0.0f, 50u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 92);
}

void DS_FireFX::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  const uint32_t v = static_cast<uint32_t>(version);
  if (v >= 2) {
    if (v == 2) ReadMediaQuad(ar, quad);
    ar.ReadDword(&tipColor.value);
    ar.ReadDword(&baseColor.value);
    ar.ReadInt(&spareInt.value);
    ReadFileLink3(ar, patternImage);
    ReadFileLink3(ar, noiseImage);
    if (v == 2) ar.ReadInt(&reserved.value);
    density.Read(ar);
    brightness.Read(ar);
    repeat.Read(ar);
  }
  ReadFXBase(ar);
}

void DS_FireFX::AssignFrom(const DS_FireFX& o) {
  speed = o.speed;
  mode.SetValue(o.mode.value);
  effectFile = o.effectFile;
  scale = o.scale;
  quad = o.quad;
  reserved.value = o.reserved.value;
  phase = o.phase;
  mask = o.mask;
  maskFlag = o.maskFlag;
  maskTexture = o.maskTexture;
  maskPosition = o.maskPosition;
  effect = o.effect;
  tipColor.SetValue(o.tipColor.value);
  baseColor.SetValue(o.baseColor.value);
  spareInt.SetValue(o.spareInt.value);
  patternImage = o.patternImage;
  noiseImage = o.noiseImage;
  density = o.density;
  brightness = o.brightness;
  repeat = o.repeat;
  patternTexture = o.patternTexture;
  noiseTexture = o.noiseTexture;
}

void DS_FireFX::LoadEffect(TextureHolder* maskHolder) {
  DS_FX_Constructor::LoadEffect(maskHolder);
  patternTexture = CurrentFrameTexture(patternImage);
  noiseTexture = CurrentFrameTexture(noiseImage);
  grid.Create(8, 8);
  UpdateMaskQuad();
}

void DS_FireFX::UpdateMaskQuad() {
  if (!grid.vertexBuffer) return;
  const float k = 1.0f / repeat.derived;
  const D3DXVECTOR3& c0 = quad.corners[0].value;
  const D3DXVECTOR3& c1 = quad.corners[1].value;
  const D3DXVECTOR3& c2 = quad.corners[2].value;
  const D3DXVECTOR3& c3 = quad.corners[3].value;
  grid.FillVertices(DX_V::PT{c0.x, c0.y, c0.z, 0.0f, 0.0f}, DX_V::PT{c1.x, c1.y, c1.z, 0.0f, 1.0f},
                    DX_V::PT{c2.x, c2.y, c2.z, k, 0.0f}, DX_V::PT{c3.x, c3.y, c3.z, k, 1.0f});
}

void DS_FireFX::SetFireParams(const D3DXMATRIX& gridMatrix) {
  ID3DXEffect* e = Effect();
  if (!e) return;
  D3DXMATRIX wvp, vp;
  D3DXMatrixIdentity(&wvp);
  D3DXMatrixIdentity(&vp);
  if (RenderContext* rc = CurrentRenderContext()) {
    rc->GetWorldViewProj(&wvp, gridMatrix);
    D3DXMatrixMultiply(&vp, &rc->view, &rc->projection);
  }
  e->SetMatrix("WorldViewProj", &wvp);
  e->SetMatrix("ViewProj", &vp);
  e->SetTexture("Noise", noiseTexture.Get());
  e->SetTexture("Pattern", patternTexture.Get());
  const float t = Time();
  SetFloats(e, "c11", {0.0f, 1.3f * t});
  SetFloats(e, "c12", {0.0f, 2.1f * t});
  SetFloats(e, "c13", {0.0f, 2.3f * t});
}

void DS_FireFX::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  IDirect3DDevice9* d = CurrentDevice();
  if (!e || !context) return;
  DWORD clip = 0;
  if (d) {
    d->GetRenderState(D3DRS_CLIPPLANEENABLE, &clip);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
  }
  SetFireParams(grid.world);
  float r0, g0, b0, r1, g1, b1;
  ColourRGB(baseColor.value, &r0, &g0, &b0);
  ColourRGB(tipColor.value, &r1, &g1, &b1);
  SetFloats(e, "ColorK1", {r0, g0, b0});
  SetFloats(e, "ColorK2", {r1 - r0, g1 - g0, b1 - b0});
  const RenderSettings& settings = GetRenderSettings();
  SetFloats(e, "bg_scale_factor", {1.0f / static_cast<float>(settings.pictureWidth),
                                   1.0f / static_cast<float>(settings.pictureHeight)});
  e->SetTexture("Mask", maskTexture.Get());
  TextureHolder* background = context->GetBackgroundTexture();
  e->SetTexture("Background", background ? background->Get() : nullptr);
  SetFloats(e, "Brightness", {brightness.derived * Visibility() * Visibility()});
  SetFloats(e, "Density", {(density.derived + 1.0f) * Visibility() - 1.0f});
  e->SetTechnique("Main");
  ID3DXEffect* draw = e;
  context->DrawIndexed(&grid, &draw);
  if (d) d->SetRenderState(D3DRS_CLIPPLANEENABLE, clip);
}
