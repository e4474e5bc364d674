#include "effects/slide_renderers_flame.h"

#include <cstring>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"

namespace {

void ReadHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

void AddWholeBackBuffer(std::vector<ScreenRect>& list) {
  const BackBufferInfo& bb = GetBackBufferInfo();
  list.push_back(ScreenRect{0.0f, 0.0f, static_cast<float>(bb.width), static_cast<float>(bb.height)});
}

}  // namespace

// ---------------------------------------------------------------------------
// PositionedQuad

bool PositionedQuad::SetVertices(const DX_V::PT (&v)[4]) {
  std::memcpy(vertices, v, sizeof(vertices));
  const bool ok = CreateXYZTex1(4);
  vertexCount = 4;
  primitiveType = D3DPT_TRIANGLESTRIP;
  primitiveCount = 2;
  Upload();
  return ok;
}

void PositionedQuad::SetPositions(const float (&xy)[4][2]) {
  for (int i = 0; i < 4; ++i) {
    vertices[i].x = xy[i][0];
    vertices[i].y = xy[i][1];
    vertices[i].z = 0.0f;
  }
  Upload();
}

void PositionedQuad::Upload() {
  if (!vertexBuffer) return;
  if (DX_V::PT* v = LockVertices()) {
    std::memcpy(v, vertices, sizeof(vertices));
    Unlock();
  }
}

// ---------------------------------------------------------------------------
// DistortionQuad

DistortionQuad::DistortionQuad() {
  Speed.SetScaleOffset(0.001f, 0.0f, 50u);
  Strength.SetScaleOffset(0.002f, 0.0f, 25u);
  BumpScale.SetScaleOffset(-0.009f, 1.0f, 88u);
}

bool DistortionQuad::LoadResources() {
  const DX_V::PT v[4] = {{0.0f, 600.0f, 0.0f, 0.0f, 1.0f},
                         {0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
                         {800.0f, 600.0f, 0.0f, 1.0f, 1.0f},
                         {800.0f, 0.0f, 0.0f, 1.0f, 0.0f}};
  mesh.SetVertices(v);
  effect = nullptr;
  texture = nullptr;
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return false;
  texture = GetFirstFrameTexture(manager->GetTextures(bumpImage)).texture;
  ID3DXEffect* loaded = nullptr;
  manager->GetEffect(&loaded, u"DS_FlameLight", effectFile);
  effect.Attach(loaded);
  return effect != nullptr;
}

void DistortionQuad::SetSize(float w, float h) {
  const float xy[4][2] = {{0.0f, h}, {0.0f, 0.0f}, {w, h}, {w, 0.0f}};
  mesh.SetPositions(xy);
  aspect = h / w;
}

// ---------------------------------------------------------------------------
// DS_FlameLight

DS_FlameLight::DS_FlameLight() {
  fire.patternImage = DS_ImageFileLink(7, u"common_res.dll");
  fire.noiseImage = DS_ImageFileLink(8, u"common_res.dll");
}

DS_FlameLight::~DS_FlameLight() = default;

void DS_FlameLight::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  FireLayer.value = static_cast<int32_t>(v);
  ar.ReadUInt(&v);
  Distortion.value = static_cast<int32_t>(v);
  ar.ReadUInt(&FireOffset.value);
  if (version < 2) fire.speed.Read(ar);
  ReadFileLink3(ar, heat.bumpImage);
  ReadFileLink3(ar, heat.effectFile);
  heat.Speed.Read(ar);
  heat.Strength.Read(ar);
  heat.BumpScale.Read(ar);
  if (version < 2) {
    DS_ImageFileLink skipped;
    ReadFileLink3(ar, skipped);
    ReadFileLink3(ar, skipped);
  } else {
    int32_t fireVersion = 0;
    ReadHeader(ar, &fireVersion);
    DS_FireFX read;
    read.ReadRecord(ar, fireVersion);
    fire.AssignFrom(read);
  }
  int32_t baseVersion = 0;
  ReadHeader(ar, &baseVersion);
  DS_2D_Light::ReadRecord(ar, baseVersion);
}

void DS_FlameLight::BeginSlide() {
  DS_2D_Light::BeginSlide();
  const DX_V::PT v[4] = {{0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
                         {800.0f, 0.0f, 0.0f, 1.0f, 0.0f},
                         {0.0f, 600.0f, 0.0f, 0.0f, 0.95f},
                         {800.0f, 600.0f, 0.0f, 1.0f, 0.95f}};
  FireQuad.SetVertices(v);
  // Without the shimmer's effect the slide is drawn straight.
  if (!heat.LoadResources()) Distortion.value = 0;
  ResetView();
  fire.LoadEffect(nullptr);
}

void DS_FlameLight::PlaceFireQuad(float w, float h) {
  const float F = h * (1.0f + 0.005f * static_cast<float>(FireOffset.value));
  const float G = F - 0.65f * h;
  const float xy[4][2] = {{0.0f, G}, {w, G}, {0.0f, F}, {w, F}};
  FireQuad.SetPositions(xy);
}

void DS_FlameLight::ResetView() {
  imageQuad.SetImageLink(backgroundLink);
  camera.SetDefaultViewSize(static_cast<uint32_t>(GetTargetWidth()), static_cast<uint32_t>(GetTargetHeight()));
  SetupView(viewCorners);
  const float w = static_cast<float>(GetTargetWidth()), h = static_cast<float>(GetTargetHeight());
  heat.SetSize(w, h);
  PlaceFireQuad(w, h);
}

void DS_FlameLight::UpdateCamera(float t) {
  fire.AdvanceTime(t);
  camera.Update(t);
  ID3DXEffect* e = heat.effect.Get();
  if (!e) return;
  heat.Speed.Advance(t);
  const float phase = heat.Speed.elapsed;
  SetFloats(e, "stenght", {heat.Strength.derived * 0.05f});
  SetFloats(e, "Offset", {phase, -phase});
  SetFloats(e, "bump_scale", {heat.BumpScale.derived, heat.BumpScale.derived * heat.aspect});
}

void DS_FlameLight::ClearBackground(int argument) {
  DS_2D_Light::ClearBackground(argument);
  // A fire without its effect draws no layer.
  ID3DXEffect* e = fire.Effect();
  if (FireLayer.value == 0 || !e) return;
  IDirect3DDevice9* d = CurrentDevice();
  DWORD clip = 0;
  if (d) {
    d->GetRenderState(D3DRS_CLIPPLANEENABLE, &clip);
    d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
  }
  fire.SetFireParams(FireQuad.world);
  e->SetTechnique("AsEffect");
  ID3DXEffect* draw = e;
  DrawGeometry(&FireQuad, &draw);
  if (d) d->SetRenderState(D3DRS_CLIPPLANEENABLE, clip);
}

void DS_FlameLight::EndFrame(int) {
  IDirect3DDevice9* d = CurrentDevice();
  // Only a pass that ran holds the slide; without targets it was drawn
  // straight and the shimmer would cover it with the bare picture.
  if (Distortion.value != 0 && chainRunning_) {
    TextureHolder* slide = EndTarget(false);
    SetViewProjection();
    SetWorld(heat.mesh);
    ID3DXEffect* e = heat.effect.Get();
    if (e && d && heat.mesh.vertexBuffer) {
      e->SetTexture("Background", slide ? slide->Get() : nullptr);
      e->SetTexture("Bumpmap", heat.texture.Get());
      e->SetTechnique("BumpmapDistortLow2");
      UINT passes = 0;
      if (SUCCEEDED(e->Begin(&passes, 0))) {
        for (UINT p = 0; p < passes; ++p) {
          if (FAILED(e->BeginPass(p))) continue;
          d->SetFVF(DX_V::PT::FVF);
          d->SetStreamSource(0, heat.mesh.vertexBuffer, 0, sizeof(DX_V::PT));
          d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(heat.mesh.primitiveType), 0,
                           static_cast<UINT>(heat.mesh.primitiveCount));
          e->EndPass();
        }
        e->End();
      }
      // The slide's target is a default-pool texture: not held past the draw,
      // so a device reset can release it.
      e->SetTexture("Background", nullptr);
    }
  }
  if (d) d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  if (RenderContext* rc = CurrentRenderContext()) rc->DrawBorders();
  if (d) d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

void DS_FlameLight::OnResetDevice() {
  if (IDirect3DDevice9* d = CurrentDevice()) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetTransform(D3DTS_WORLD, &identity);
    d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    for (DWORD s = 0; s < 4; ++s) {
      d->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
      d->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    }
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
  }
  if (DS_DocResManager* manager = CurrentDocResManager()) manager->OnResetDevice();
  SetupView(viewCorners);
  MakeTargetsUnlessPrepared();
}

bool DS_FlameLight::GetScreenRects(std::vector<ScreenRect>& list) {
  AddWholeBackBuffer(list);
  return true;
}

// ---------------------------------------------------------------------------
// FakeUndervater

FakeUndervater::~FakeUndervater() = default;

void FakeUndervater::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version == 1) {
    uint32_t speed = 0;
    ar.ReadUInt(&speed);
    effect.speed.SetValue(speed);
    effect.speed.SetValue(effect.speed.value >> 1);
  } else {
    // The effect's own record into the embedded effect: the values a fresh
    // effect reads, as the assignment from one would leave them.
    int32_t effectVersion = 0;
    ReadHeader(ar, &effectVersion);
    effect.ReadRecord(ar, effectVersion);
  }
  int32_t baseVersion = 0;
  ReadHeader(ar, &baseVersion);
  DS_2D_Light::ReadRecord(ar, baseVersion);
}

void FakeUndervater::BeginSlide() {
  DS_2D_Light::BeginSlide();
  effect.LoadEffect(nullptr);
}

void FakeUndervater::UpdateCamera(float t) {
  camera.Update(t);
  effect.AdvanceTime(t);
}

void FakeUndervater::EndFrame(int) {
  TextureHolder* slide = EndTarget(false);
  backgroundCopy = slide ? *slide : ComPtr<IDirect3DTexture9>();
  effect.DrawEffect(this);
  // The slide's target is a default-pool texture: not held past the draw, so
  // a device reset can release it.
  if (ID3DXEffect* e = effect.Effect()) e->SetTexture("Background", nullptr);
  if (RenderContext* rc = CurrentRenderContext()) rc->DrawBorders();
}

bool FakeUndervater::GetScreenRects(std::vector<ScreenRect>& list) {
  AddWholeBackBuffer(list);
  return true;
}
