#include "effects/slide_renderers_lake.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"
#include "player/texture_cache.h"

namespace {

DWORD AsDword(float f) {
  DWORD w;
  std::memcpy(&w, &f, 4);
  return w;
}

}  // namespace

FakeLake2D::FakeLake2D() {
  WaveSpeed.SetScaleOffset(0.02f, 0.0f, 50u);
  WaveScale.SetScaleOffset(0.01f, 0.0f, 100u);
  Horizon.SetScaleOffset(-0.005f, 0.5f, 25u);
  NoiseOpacity.SetScaleOffset(0.01f, 0.0f, 100u);
  TintOpacity.SetScaleOffset(0.008f, 0.0f, 31u);
  TintFade.SetScaleOffset(0.01f, 0.0f, 58u);
  CoCreateGuid(&NormalMapKey.guid);
}

FakeLake2D::~FakeLake2D() = default;

void FakeLake2D::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version > 1) {
    WaveScale.Read(ar);
    WaveSpeed.Read(ar);
    Horizon.Read(ar);
    NoiseOpacity.Read(ar);
    TintOpacity.Read(ar);
    TintFade.Read(ar);
    ar.ReadUInt(&BumpAmplitude.value);
    ar.ReadUInt(&HazeHeight.value);
    uint32_t detail = 0;
    ar.ReadUInt(&detail);
    ReflectionDetail.value = static_cast<int32_t>(detail);
    ar.ReadDword(&LakeColor.value);
  }
  ar.ReadGuid(&NormalMapKey.guid);
  ar.ReadWideString(&NormalMapKey.name);
  ar.ReadByte(&NormalMapKey.flag);
  zvi_string baseName;
  int32_t baseVersion = 0;
  ar.ReadWideString(&baseName);
  ar.ReadInt(&baseVersion);
  DS_2D_Light::ReadRecord(ar, baseVersion);
}

void FakeLake2D::UploadLake() {
  if (DX_V::PT2* v = lakeQuad.LockVertices()) {
    std::memcpy(v, lakeVertices, sizeof(lakeVertices));
    lakeQuad.Unlock();
  }
}

void FakeLake2D::InitLakeQuad() {
  lakeQuad.Create(6);
  lakeQuad.primitiveType = D3DPT_TRIANGLELIST;
  lakeQuad.primitiveCount = 2;
  const float T = WaveScale.derived;
  const float uv[6][2] = {{0.01f, 0.01f}, {0.01f, T}, {T, T}, {0.01f, 0.01f}, {T, T}, {T, 0.01f}};
  for (int i = 0; i < 6; ++i) {
    lakeVertices[i] = DX_V::PT2{0.0f, 0.0f, 0.0f, uv[i][0], uv[i][1], 0.0f, 0.0f};
  }
  UploadLake();
}

void FakeLake2D::LayoutLake() {
  const float W = static_cast<float>(GetTargetWidth()), H = static_cast<float>(GetTargetHeight());
  const float hf = Horizon.derived;
  // A horizon at or below the bottom leaves no lake: 0 / 0 and inverted
  // bands otherwise.
  lakeVisible = hf > 0.0f;
  if (!lakeVisible) return;
  const float horizon = H * (1.0f - hf);
  const float pos[6][4] = {{0, horizon, 0, 1 - hf},     {0, H, 0, 1 - 2 * hf}, {W, H, 1, 1 - 2 * hf},
                           {0, horizon, 0, 1 - hf},     {W, H, 1, 1 - 2 * hf}, {W, horizon, 1, 1 - hf}};
  for (int i = 0; i < 6; ++i) {
    lakeVertices[i].x = pos[i][0];
    lakeVertices[i].y = pos[i][1];
    lakeVertices[i].z = 0.0f;
    lakeVertices[i].u1 = pos[i][2];
    lakeVertices[i].v1 = pos[i][3];
  }
  UploadLake();
  if (tintQuad.LockVertices()) {
    tintQuad.SetRect(QuadRect{0.0f, horizon, W, H * hf});
    tintQuad.Unlock();
  }
  if (hazeQuad.LockVertices()) {
    const float band = std::trunc(H * hf / H * static_cast<float>(HazeHeight.value) / hf);
    hazeQuad.SetRect(QuadRect{0.0f, horizon, std::trunc(W), -band});
    hazeQuad.Unlock();
  }
}

void FakeLake2D::CopyReflection() {
  reflection.SetScaledTextureCopy(imageQuad.picture.texture.Get(), ReflectionDetail.value);
}

ComPtr<IDirect3DTexture9> FakeLake2D::MakeNormalMap() const {
  IDirect3DDevice9* d = CurrentDevice();
  TextureCache* cache = GetTextureCache();
  if (!d || !cache) return {};
  ComPtr<IDirect3DTexture9> noise = cache->GetNoiseTexture();
  if (!noise) return {};
  D3DSURFACE_DESC desc{};
  noise->GetLevelDesc(0, &desc);
  // Where the red (or grey) byte of a texel sits.
  UINT texel = 0, redOffset = 0;
  switch (desc.Format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: texel = 4; redOffset = 2; break;
    case D3DFMT_A8L8: texel = 2; break;
    case D3DFMT_L8: texel = 1; break;
    default: return {};
  }
  if (desc.Width == 0 || desc.Height == 0) return {};
  D3DLOCKED_RECT src{};
  if (FAILED(noise->LockRect(0, &src, nullptr, D3DLOCK_READONLY))) return {};
  const UINT w = desc.Width, h = desc.Height;
  const float veil = std::clamp(NoiseOpacity.derived, 0.0f, 1.0f);
  std::vector<float> height(static_cast<size_t>(w) * h);
  for (UINT y = 0; y < h; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(src.pBits) + static_cast<size_t>(y) * src.Pitch;
    for (UINT x = 0; x < w; ++x) {
      // Red under the grey veil.
      const float red = static_cast<float>(row[x * texel + redOffset]) * (1.0f - veil) + 128.0f * veil;
      height[static_cast<size_t>(y) * w + x] = red / 255.0f * static_cast<float>(BumpAmplitude.value);
    }
  }
  noise->UnlockRect(0);
  ComPtr<IDirect3DTexture9> out;
  if (FAILED(d->CreateTexture(w, h, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, out.ReleaseAndGetAddressOf(), nullptr))) {
    return {};
  }
  D3DLOCKED_RECT dst{};
  if (FAILED(out->LockRect(0, &dst, nullptr, 0))) return {};
  auto slope = [](float v) { return static_cast<int8_t>(std::clamp(std::lround(v * 16.0f), -127L, 127L)); };
  for (UINT y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<int8_t*>(static_cast<uint8_t*>(dst.pBits) + static_cast<size_t>(y) * dst.Pitch);
    for (UINT x = 0; x < w; ++x) {
      const float h0 = height[static_cast<size_t>(y) * w + x];
      const float hx = height[static_cast<size_t>(y) * w + (x + 1) % w];
      const float hy = height[static_cast<size_t>((y + 1) % h) * w + x];
      row[x * 2] = slope(h0 - hx);
      row[x * 2 + 1] = slope(h0 - hy);
    }
  }
  out->UnlockRect(0);
  return out;
}

void FakeLake2D::BeginSlide() {
  DS_2D_Light::BeginSlide();
  InitLakeQuad();
  const D3DCOLOR rgb = ColorrefToArgb(LakeColor.value, 0);
  tintQuad.Create(QuadRect{}, rgb);
  hazeQuad.Create(QuadRect{}, rgb);
  // Stored values beyond the usual range give opacities outside 0..1: clamped.
  const float bottom = std::clamp(TintOpacity.derived, 0.0f, 1.0f);
  const float atHorizon = std::clamp((1.0f - TintFade.derived) * TintOpacity.derived, 0.0f, 1.0f);
  tintQuad.SetVertexAlphas(bottom, atHorizon, bottom, atHorizon);
  hazeQuad.SetVertexAlphas(0.0f, atHorizon, 0.0f, atHorizon);
  imageQuad.SetImageLink(backgroundLink);
  camera.SetDefaultViewSize(static_cast<uint32_t>(GetTargetWidth()), static_cast<uint32_t>(GetTargetHeight()));
  SetupView(viewCorners);
  CopyReflection();
  DS_2D_Light::SetupView(viewCorners);
  LayoutLake();
  LayoutLake();
  tintQuad.SetRGB(rgb);
  hazeQuad.SetRGB(rgb);
  normalMap = nullptr;
  if (DS_DocResManager* manager = CurrentDocResManager()) {
    if (ComPtr<IDirect3DTexture9>* slot = manager->GetTextureByGuid(NormalMapKey.guid)) normalMap = *slot;
  }
  // Without a stored normal map the water is made from the noise picture.
  if (!normalMap) normalMap = MakeNormalMap();
  rebuild = 0;
}

void FakeLake2D::ResetView() {
  imageQuad.SetImageLink(backgroundLink);
  camera.SetDefaultViewSize(static_cast<uint32_t>(GetTargetWidth()), static_cast<uint32_t>(GetTargetHeight()));
  SetupView(viewCorners);
  CopyReflection();
  SetupView(viewCorners);
  LayoutLake();
}

void FakeLake2D::UpdateCamera(float t) {
  camera.Update(t);
  WaveSpeed.Advance(t);
  const float theta = WaveSpeed.elapsed * 0.5f * 9.0f;
  const float c = std::cos(theta), s = std::sin(theta);
  bumpMatrix[0] = 0.04f * c;
  bumpMatrix[1] = -0.04f * s;
  bumpMatrix[2] = 0.04f * s;
  bumpMatrix[3] = 0.04f * c;
}

void FakeLake2D::SetWaterStages() {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d) return;
  d->SetTexture(0, normalMap);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  d->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, AsDword(bumpMatrix[0]));
  d->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, AsDword(bumpMatrix[1]));
  d->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, AsDword(bumpMatrix[2]));
  d->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, AsDword(bumpMatrix[3]));
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  d->SetTexture(1, reflection.secondTexture);
  d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._11 = 0.8f;
  m._22 = 0.8f;
  m._31 = 0.5f;
  m._32 = -0.5f;
  d->SetTransform(D3DTS_TEXTURE1, &m);
}

void FakeLake2D::ClearBackground(int argument) {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d) return;
  d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  DS_2D_Light::ClearBackground(argument);
  if (!lakeVisible || !lakeQuad.vertexBuffer) return;
  SetViewProjection();
  SetWorld(lakeQuad);
  d->SetStreamSource(0, lakeQuad.vertexBuffer, 0, sizeof(DX_V::PT2));
  SetWaterStages();
  d->SetVertexShader(nullptr);
  d->SetFVF(DX_V::PT2::FVF);
  d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
  d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
  d->SetTexture(1, nullptr);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  DrawColorQuad(&tintQuad);
  DrawColorQuad(&hazeQuad);
}

void FakeLake2D::OnResetDevice() {
  if (IDirect3DDevice9* d = CurrentDevice()) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetTransform(D3DTS_WORLD, &identity);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFFu);
    d->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    for (DWORD s = 0; s < 2; ++s) {
      d->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
      d->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
      d->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
      d->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR);
    }
    d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    SetWaterStages();
    d->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFFu);
    d->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  }
  if (DS_DocResManager* manager = CurrentDocResManager()) manager->OnResetDevice();
  MakeTargetsUnlessPrepared();
}

void FakeLake2D::DrawTexturedBatch(DS_SpriteArrayT<DX_V::PCT>* batch) {
  DS_2D_Light::DrawTexturedBatch(batch);
  if (IDirect3DDevice9* d = CurrentDevice()) d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

void FakeLake2D::DrawTexturedGrid(TexturedGridObject* object, int argument) {
  IDirect3DDevice9* d = CurrentDevice();
  if (d) {
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
  }
  DS_2D_Light::DrawTexturedGrid(object, argument);
  if (d) {
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  }
}

bool FakeLake2D::GetScreenRects(std::vector<ScreenRect>& list) {
  const BackBufferInfo& bb = GetBackBufferInfo();
  list.push_back(ScreenRect{0.0f, 0.0f, static_cast<float>(bb.width), static_cast<float>(bb.height)});
  return true;
}

void RegisterLakeReader() { RegisterReader<FakeLake2D, DS_2D_Light>(u"FakeLake2D"); }
