#include "effects/slide_renderers_glass.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"

namespace {

constexpr float kPi = 3.14159265358979f;

float Div(float a, float b) { return b != 0.0f ? a / b : 0.0f; }

// Height of the half sphere of radius 128 over squared distance r.
float SphereHeight(int r) { return r <= 16384 ? std::sqrt(static_cast<float>(16384 - r)) : 0.0f; }

// The x-range by y-range rectangle as strip-ordered corners.
QuadCorners Rect(float x0, float x1, float y0, float y1) {
  QuadCorners q;
  q.c[0].x = x0; q.c[0].y = y1;
  q.c[1].x = x0; q.c[1].y = y0;
  q.c[2].x = x1; q.c[2].y = y1;
  q.c[3].x = x1; q.c[3].y = y0;
  return q;
}

QuadCorners BackBufferRect() {
  const BackBufferInfo& bb = GetBackBufferInfo();
  return Rect(0.0f, static_cast<float>(bb.width), 0.0f, static_cast<float>(bb.height));
}

ComPtr<IDirect3DTexture9> FirstFrame(const DS_FileLink3& link) {
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return {};
  return GetFirstFrameTexture(manager->GetTextures(link)).texture;
}

}  // namespace

DS_GlassBallLight::DS_GlassBallLight() {
  RotationSpeed.SetScaleOffset(0.03f, 0.0f, 33u);
  D3DXMatrixIdentity(&textureMatrix);
}

DS_GlassBallLight::~DS_GlassBallLight() = default;

DS_GlassBallLight::SharedPhase& DS_GlassBallLight::Phase() {
  static SharedPhase phase;
  return phase;
}

void DS_GlassBallLight::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadFileLink3(ar, OverlayImage1);
  ReadFileLink3(ar, OverlayImage2);
  ReadFileLink3(ar, StandImage);
  ReadFileLink3(ar, PictureImage);
  RotationSpeed.Read(ar);
  int32_t x = 0, y = 0;
  ar.ReadInt(&x);
  ar.ReadInt(&y);
  BallPosition.value = POINT{x, y};
  ar.ReadUInt(&BallSize.value);
  ar.ReadUInt(&LensStrength.value);
  for (MediaParamT<int>* p : {&Overlay1, &Overlay2, &Stand, &PictureMode, &Motion}) {
    uint32_t v = 0;
    ar.ReadUInt(&v);
    p->value = static_cast<int32_t>(v);
  }
  ar.ReadDword(&TopColor.value);
  ar.ReadDword(&BottomColor.value);
  if (version < 2) RotationSpeed.SetValue((2u * RotationSpeed.value) / 3u + 33u);
  zvi_string baseName;
  int32_t baseVersion = 0;
  ar.ReadWideString(&baseName);
  ar.ReadInt(&baseVersion);
  DS_2D_Light::ReadRecord(ar, baseVersion);
}

ComPtr<IDirect3DTexture9> DS_GlassBallLight::CreateBumpMap() {
  IDirect3DDevice9* d = CurrentDevice();
  ComPtr<IDirect3DTexture9> t;
  if (!d || FAILED(d->CreateTexture(256, 256, 1, 0, D3DFMT_V16U16, D3DPOOL_MANAGED, t.ReleaseAndGetAddressOf(),
                                    nullptr)))
    return {};
  D3DLOCKED_RECT lr{};
  if (FAILED(t->LockRect(0, &lr, nullptr, 0))) return {};
  auto sq = [](int v) { return (v - 128) * (v - 128); };
  for (int y = 0; y < 256; ++y) {
    auto* row = reinterpret_cast<int16_t*>(static_cast<uint8_t*>(lr.pBits) + static_cast<size_t>(y) * lr.Pitch);
    const int yn = y == 255 ? y : y + 1;
    for (int x = 0; x < 256; ++x) {
      const int xn = x == 255 ? x : x + 1;
      const float h0 = SphereHeight(sq(x) + sq(y));
      const float hx = SphereHeight(sq(xn) + sq(y));
      const float hy = SphereHeight(sq(x) + sq(yn));
      row[x * 2] = static_cast<int16_t>(std::atan(h0 - hx) * 16297.466f);
      row[x * 2 + 1] = static_cast<int16_t>(std::atan(h0 - hy) * 16297.466f);
    }
  }
  t->UnlockRect(0);
  return t;
}

ComPtr<IDirect3DTexture9> DS_GlassBallLight::CreateGradient() const {
  IDirect3DDevice9* d = CurrentDevice();
  ComPtr<IDirect3DTexture9> t;
  if (!d || FAILED(D3DXCreateTexture(d, 256, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                     t.ReleaseAndGetAddressOf())))
    return {};
  const uint32_t top = TopColor.value, bottom = BottomColor.value;
  auto channel = [&](int shift, int y) {
    const float a = static_cast<float>((top >> shift) & 0xFF), b = static_cast<float>((bottom >> shift) & 0xFF);
    return static_cast<uint32_t>(a + (b - a) * static_cast<float>(y) / 255.0f);
  };
  // Every level is filled (the smaller ones sample the top level's rows), so
  // a minified gradient does not read undefined levels.
  const DWORD levels = t->GetLevelCount();
  for (DWORD level = 0; level < levels; ++level) {
    D3DSURFACE_DESC desc{};
    t->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT lr{};
    if (FAILED(t->LockRect(level, &lr, nullptr, 0))) continue;
    for (UINT y = 0; y < desc.Height; ++y) {
      const int ty = std::min(255, static_cast<int>((y * 256 + 128) / std::max(1u, desc.Height)));
      // COLORREF: red in the low byte.
      const D3DCOLOR c = (channel(0, ty) << 16) | (channel(8, ty) << 8) | channel(16, ty);
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + static_cast<size_t>(y) * lr.Pitch);
      std::fill(row, row + desc.Width, c);
    }
    t->UnlockRect(level);
  }
  return t;
}

ComPtr<IDirect3DTexture9> DS_GlassBallLight::CreateCircleMask() {
  IDirect3DDevice9* d = CurrentDevice();
  ComPtr<IDirect3DTexture9> t;
  if (!d || FAILED(d->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8, D3DPOOL_MANAGED, t.ReleaseAndGetAddressOf(),
                                    nullptr)))
    return {};
  D3DLOCKED_RECT lr{};
  if (FAILED(t->LockRect(0, &lr, nullptr, 0))) return {};
  for (int j = 0; j < 1024; ++j) {
    uint8_t* row = static_cast<uint8_t*>(lr.pBits) + static_cast<size_t>(j) * lr.Pitch;
    for (int i = 0; i < 1024; ++i) row[i] = (j - 512) * (j - 512) + (i - 512) * (i - 512) > 258064 ? 255 : 0;
  }
  t->UnlockRect(0);
  return t;
}

void DS_GlassBallLight::UpdateBallGeometry() {
  const float s = static_cast<float>(BallSize.value);
  const float f = static_cast<float>(LensStrength.value) * 0.5f;
  const float k = kx * sx;
  distance = (-600.0f / (s * 0.75f / 100.0f + 0.25f)) / (k != 0.0f ? k : 1.0f);
  depthZoom = ((kx * s * sx / 100.0f) * 1.105f + 0.385f) * 1.05f * (f / 100.0f + 1.0f);
  swingAmplitude = f * 0.125f / 100.0f + 0.125f;
}

void DS_GlassBallLight::SetBallTransforms(bool turning) {
  IDirect3DDevice9* d = CurrentDevice();
  const BackBufferInfo& bb = GetBackBufferInfo();
  float c = static_cast<float>(bb.width), dd = static_cast<float>(bb.height);
  if (insideTarget) {
    c = ViewWidth();
    dd = ViewHeight();
  }
  const float vw = ViewWidth(), vh = ViewHeight();
  float X = ((static_cast<float>(BallPosition.value.x) + 250.0f) * sx - 250.0f + Div(Div(ox * 500.0f, c), kx)) *
            (distance / -600.0f);
  float Y = ((static_cast<float>(BallPosition.value.y) + 250.0f) * sy - 250.0f + Div(Div(oy * 500.0f, dd), ky)) *
            (distance / 600.0f);
  if (PictureMode.value == 1) {
    Y = Y * ky;
    X = X * Div(vw, vh) * kx;
  }
  float U = 0.0f, V = 0.0f;
  if (turning) {
    const float D = 1.5f - static_cast<float>(LensStrength.value / 2) * 0.02f * 0.5f;
    const int tw = GetTargetWidth(), th = GetTargetHeight();
    U = swingAmplitude * swing;
    // A portrait picture would give an integer quotient of 0: at least 1.
    if (th != 0) U -= Div(X, c) * D / static_cast<float>(std::max(1, tw / th));
    V = Div(Y, dd) * D;
  }
  D3DXMATRIX world, view, projection;
  D3DXMatrixTranslation(&world, X, Y, 0.0f);
  D3DXVECTOR3 eye(0.0f, 0.0f, distance), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, kPi / 4.0f, Div(vw, vh), 1.0f, 3000.0f);
  float aspect;
  if (turning || PictureMode.value == 0) {
    aspect = Div(static_cast<float>(GetTargetWidth()), static_cast<float>(GetTargetHeight()));
  } else {
    aspect = Div(static_cast<float>(picture.width), static_cast<float>(picture.height));
  }
  D3DXMATRIX P;
  D3DXMatrixPerspectiveFovLH(&P, kPi / 4.0f, aspect, 1.0f, 3000.0f);
  const float L = P._33 * (std::fabs(distance) * depthZoom) + P._43;
  D3DXMatrixIdentity(&textureMatrix);
  textureMatrix._11 = Div(P._11, L) * 0.5f;
  textureMatrix._22 = -Div(P._22, L) * 0.5f;
  textureMatrix._41 = U - std::floor(U) + 0.5f;
  textureMatrix._42 = V + 0.5f;
  if (!d) return;
  d->SetTransform(D3DTS_WORLD, &world);
  d->SetTransform(D3DTS_VIEW, &view);
  d->SetTransform(D3DTS_PROJECTION, &projection);
  d->SetTransform(D3DTS_TEXTURE1, &textureMatrix);
  d->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1);
}

void DS_GlassBallLight::PushTarget(int width, int height, int fitMode) {
  insideStack.push_back(insideTarget);
  insideTarget = true;
  DS_2D_Light::PushTarget(width, height, fitMode);
}

void DS_GlassBallLight::PopTarget() {
  if (!insideStack.empty()) {
    insideTarget = insideStack.back();
    insideStack.pop_back();
  }
  DS_2D_Light::PopTarget();
}

void DS_GlassBallLight::BeginSlide() {
  DS_2D_Light::BeginSlide();
  overlay1Texture = FirstFrame(OverlayImage1);
  overlay2Texture = FirstFrame(OverlayImage2);
  standTexture = FirstFrame(StandImage);
  bumpMap = CreateBumpMap();
  gradient = CreateGradient();
  circleMask = CreateCircleMask();
  const QuadCorners screen = BackBufferRect();
  backgroundQuad.Create(gradient, screen);
  scrollA.CreateFromResource(screen);
  scrollB.CreateFromResource(screen);
  for (ScreenQuad& bar : bars) bar.Create(screen, 0xFF000000u);

  if (!ballQuad.Create(4) || !standQuad.Create(4)) return;
  if (DX_V::PT2* v = ballQuad.LockVertices()) {
    const float pos[4][5] = {{-256, -256, 0, 0, 1}, {-256, 256, 0, 0, 0}, {256, -256, 0, 1, 1}, {256, 256, 0, 1, 0}};
    for (int i = 0; i < 4; ++i) v[i] = DX_V::PT2{pos[i][0], pos[i][1], pos[i][2], pos[i][3], pos[i][4], 0.0f, 0.0f};
    ballQuad.Unlock();
  }
  if (DX_V::PT2* v = standQuad.LockVertices()) {
    const float pos[4][4] = {{-230.4f, -372.19293f, 0, 1},
                             {-230.4f, -185.61412f, 0, 0},
                             {232.9f, -372.19293f, 1, 1},
                             {232.9f, -185.61412f, 1, 0}};
    for (int i = 0; i < 4; ++i) v[i] = DX_V::PT2{pos[i][0], pos[i][1], 0.0f, pos[i][2], pos[i][3], 0.0f, 0.0f};
    standQuad.Unlock();
  }

  backgroundQuad.texture = gradient;
  targetIndex = PictureMode.value == 1 ? 1 : 2;
  const QuadCorners saved = viewCorners;
  SetupView(saved);
  SetupView(saved);
  picture = TextureInfo{};
  if (DS_DocResManager* manager = CurrentDocResManager()) {
    picture = GetFirstFrameTexture(manager->GetTextures(PictureImage));
  }
  if (PictureMode.value == 1) {
    backgroundQuad.texture = picture.texture;
    SetupView(viewCorners);
  }
}

void DS_GlassBallLight::OnResetDevice() {
  DS_2D_Light::OnResetDevice();
  IDirect3DDevice9* d = CurrentDevice();
  if (!d) return;
  d->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  d->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
  d->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  auto asDword = [](float f) {
    DWORD w;
    std::memcpy(&w, &f, 4);
    return w;
  };
  d->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, asDword(0.2f));
  d->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, asDword(0.0f));
  d->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, asDword(0.0f));
  d->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, asDword(0.25f));
  d->SetTextureStageState(0, D3DTSS_BUMPENVLSCALE, asDword(1.0f));
  d->SetTextureStageState(0, D3DTSS_BUMPENVLOFFSET, asDword(0.0f));
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
  d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void DS_GlassBallLight::OnLostDevice() {
  DS_2D_Light::OnLostDevice();
  scrollA.texture = nullptr;
  scrollB.texture = nullptr;
}

void DS_GlassBallLight::UpdateCamera(float t) {
  camera.Update(t);
  SetupView(viewCorners);
  if (Motion.value == 0) {
    swing = 0.0f;
    return;
  }
  SharedPhase& shared = Phase();
  if (!shared.started) {
    shared.started = true;
    shared.previous = t;
  }
  shared.phase += (t - shared.previous) * RotationSpeed.derived * 0.0625f;
  if (Motion.value == 1 || Motion.value == 2) {
    swing = 0.0f;
    const float k = shared.phase * (Motion.value == 1 ? -0.5f : 0.5f);
    const float fr = k - std::floor(k);
    const float W = static_cast<float>(targets.width), H = static_cast<float>(targets.height);
    scrollA.SetCorners(Rect(fr * W, fr * W + W, 0.0f, H));
    scrollB.SetCorners(Rect((fr - 1.0f) * W, fr * W, 0.0f, H));
  } else if (Motion.value == 3) {
    const float h = shared.phase * 0.5f;
    swing = std::fabs((h - std::floor(h)) * 2.0f - 1.0f) * 2.0f - 1.0f;
  }
  shared.previous = t;
}

void DS_GlassBallLight::DrawScreenQuad(TexturedScreenQuad& quad) {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d || !quad.vertexBuffer) return;
  d->SetTexture(0, quad.texture);
  d->SetFVF(DX_V::RHWCT::FVF);
  d->SetStreamSource(0, quad.vertexBuffer, 0, sizeof(DX_V::RHWCT));
  d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(quad.primitiveType), 0, static_cast<UINT>(quad.primitiveCount));
}

void DS_GlassBallLight::DrawBall(IDirect3DVertexBuffer9* buffer) {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d || !buffer) return;
  d->SetFVF(DX_V::PT2::FVF);
  d->SetStreamSource(0, buffer, 0, sizeof(DX_V::PT2));
  d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void DS_GlassBallLight::EndFrame(int) {
  IDirect3DDevice9* d = CurrentDevice();
  if (!d) return;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  if (Motion.value == 1 || Motion.value == 2) {
    TextureHolder* drawn = NextTarget(true);
    scrollA.texture = drawn ? *drawn : ComPtr<IDirect3DTexture9>();
    scrollB.texture = scrollA.texture;
    DrawScreenQuad(scrollA);
    DrawScreenQuad(scrollB);
  }
  TextureHolder* slide = EndTarget(false);
  ComPtr<IDirect3DTexture9> S = slide ? *slide : ComPtr<IDirect3DTexture9>();
  DrawScreenQuad(backgroundQuad);

  SetBallTransforms(true);
  d->SetTexture(0, bumpMap);
  d->SetTexture(1, S);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  DrawBall(ballQuad.vertexBuffer);

  SetBallTransforms(false);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d->SetTexture(1, nullptr);
  // A missing picture would draw an opaque white square: skipped.
  if (Overlay1.value && overlay1Texture) {
    d->SetTexture(0, overlay1Texture);
    DrawBall(ballQuad.vertexBuffer);
  }
  if (Overlay2.value && overlay2Texture) {
    d->SetTexture(0, overlay2Texture);
    DrawBall(ballQuad.vertexBuffer);
  }

  d->SetTexture(0, circleMask);
  SetFrameTextureMatrix();
  d->SetTransform(D3DTS_TEXTURE1, &textureMatrix);
  // Around the background quad the screen stays black, as its bars are: the
  // corners are painted black first (no texture samples opaque black), then
  // the background over them on the quad's own pixels.
  d->SetTexture(1, nullptr);
  DrawBall(ballQuad.vertexBuffer);
  const RECT covered = {static_cast<LONG>(std::ceil(std::max(0.0f, backgroundCorners.c[0].x))),
                        static_cast<LONG>(std::ceil(std::max(0.0f, backgroundCorners.c[1].y))),
                        static_cast<LONG>(std::ceil(std::max(0.0f, backgroundCorners.c[3].x))),
                        static_cast<LONG>(std::ceil(std::max(0.0f, backgroundCorners.c[2].y)))};
  DWORD scissor = FALSE;
  d->GetRenderState(D3DRS_SCISSORTESTENABLE, &scissor);
  RECT savedRect{};
  d->GetScissorRect(&savedRect);
  d->SetScissorRect(&covered);
  d->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  d->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  d->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  d->SetTexture(1, backgroundQuad.texture);
  DrawBall(ballQuad.vertexBuffer);
  d->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  d->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
  d->SetRenderState(D3DRS_SCISSORTESTENABLE, scissor);
  d->SetScissorRect(&savedRect);

  d->SetTexture(1, nullptr);
  if (Stand.value && standTexture) {
    d->SetTexture(0, standTexture);
    DrawBall(standQuad.vertexBuffer);
  }
  d->SetTexture(0, nullptr);
  if (PictureMode.value == 1 && targetIndex == 1) {
    for (ScreenQuad& bar : bars) DrawOverlay(&bar);
  }
  d->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
}

void DS_GlassBallLight::SetFrameTextureMatrix() {
  // The ball plane faces the camera at depth |distance|, so a camera-space
  // position maps to its screen pixel by a scale and a shift; the matrix takes
  // it on to the background quad's uv there, so that the corners outside the
  // circle show the background exactly as the quad around them does (the
  // lens zoom of the slide's matrix would show a shifted band of it).
  const BackBufferInfo& bb = GetBackBufferInfo();
  const float E = insideTarget ? ViewWidth() : static_cast<float>(bb.width);
  const float F = insideTarget ? ViewHeight() : static_cast<float>(bb.height);
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, kPi / 4.0f, Div(ViewWidth(), ViewHeight()), 1.0f, 3000.0f);
  const float z = std::fabs(distance);
  const float left = backgroundCorners.c[0].x, top = backgroundCorners.c[1].y;
  const float width = backgroundCorners.c[3].x - left, height = backgroundCorners.c[2].y - top;
  D3DXMatrixIdentity(&textureMatrix);
  // Pixel centres sit on integer positions, as the screen quads place them.
  textureMatrix._11 = Div(projection._11 * E, 2.0f * z * width);
  textureMatrix._41 = Div(E * 0.5f - 0.5f - left, width);
  textureMatrix._22 = -Div(projection._22 * F, 2.0f * z * height);
  textureMatrix._42 = Div(F * 0.5f - 0.5f - top, height);
}

void DS_GlassBallLight::SetupView(const QuadCorners& corners) {
  DS_2D_Light::SetupView(corners);
  const float W = corners.c[3].x - corners.c[0].x, H = corners.c[2].y - corners.c[1].y;
  camera.ApplyView(corners, picture, targetIndex, viewLocked);
  UpdateBallGeometry();

  QuadCorners q;
  const int tw = static_cast<int>(W), th = static_cast<int>(H);
  FitImageCorners(&q, picture.width, picture.height, static_cast<float>(tw), static_cast<float>(th));
  if (!insideTarget) ScaleCornersToBackBuffer(&q, tw, th);
  const float x0 = q.c[0].x, x3 = q.c[3].x, y1 = q.c[1].y, y2 = q.c[2].y;
  const float pw = static_cast<float>(picture.width), ph = static_cast<float>(picture.height);

  RenderContext* rc = CurrentRenderContext();
  D3DXMATRIX M;
  D3DXMatrixIdentity(&M);
  float zx = 1.0f, zy = 1.0f, px = 0.0f, py = 0.0f;
  if (rc && rc->screenFit) {
    const ScreenFit& fit = *rc->screenFit;
    D3DXMatrixMultiply(&M, &fit.screenMatrices[0], &fit.screenMatrices[1]);
    zx = fit.inverseFill[0];
    zy = fit.inverseFill[1];
    px = fit.fillOffset[0];
    py = fit.fillOffset[1];
  }
  sx = M._11;
  sy = M._22;
  ox = Div(Div(M._41, M._11) * sx * (x3 - x0), pw);
  oy = Div(Div(M._42, M._22) * sy * (y2 - y1), ph);

  QuadCorners b = q;
  for (QuadCorner& c : b.c) {
    c.x = x0 + (c.x - x0) * sx + ox;
    c.y = y1 + (c.y - y1) * sy + oy;
  }
  backgroundQuad.SetCorners(b);
  backgroundCorners = b;

  const float L0 = x0 * sx, R0 = x3 * sx, T0 = y1 * sy, B0 = y2 * sy;
  kx = Div(R0 - L0, (R0 - L0) + 2.0f * (std::trunc(L0) + 1.0f));
  ky = Div(B0 - T0, (B0 - T0) + 2.0f * (std::trunc(T0) + 1.0f));
  // An empty picture gives no fraction; the ball keeps its own scale.
  if (kx == 0.0f) kx = 1.0f;
  if (ky == 0.0f) ky = 1.0f;

  const float pxs = Div(px * zx * (R0 - L0), pw), pys = Div(py * zy * (B0 - T0), ph);
  const float L = x0 + pxs, R = x0 + (x3 - x0) * zx + pxs;
  const float T = y1 + pys, B = y1 + (y2 - y1) * zy + pys;
  const float side = std::trunc(L) + 1.0f, band = std::trunc(T) + 1.0f;
  bars[0].SetCorners(Rect(0.0f, side, 0.0f, std::trunc(B - T)));
  bars[1].SetCorners(Rect(R, R + side, 0.0f, std::trunc(B - T)));
  bars[2].SetCorners(Rect(0.0f, std::trunc(R - L), 0.0f, band));
  bars[3].SetCorners(Rect(0.0f, std::trunc(R - L), B, B + band));

  UpdateBallGeometry();
  camera.ApplyView(viewCorners, picture, 1, viewLocked);
}

void DS_GlassBallLight::SetViewMode(int index) {
  targetIndex = PictureMode.value == 1 ? index : 2;
  SetupView(viewCorners);
}

bool DS_GlassBallLight::GetScreenRects(std::vector<ScreenRect>& list) {
  const BackBufferInfo& bb = GetBackBufferInfo();
  list.push_back(ScreenRect{0.0f, 0.0f, static_cast<float>(bb.width), static_cast<float>(bb.height)});
  return true;
}

void RegisterGlassBallReader() { RegisterReader<DS_GlassBallLight, DS_2D_Light>(u"DS_GlassBallLight"); }
