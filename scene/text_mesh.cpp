// The 3-D text: its stored mesh, the whole-text and per-glyph motions and
// the lit draw of one subset per glyph.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/current_device.h"
#include "player/render_context.h"
#include "scene/text_objects.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kDegrees = kPi / 180.0f;

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, v.x, v.y, v.z);
  return m;
}

// T(-p) x m x T(p): m about the point p.
D3DXMATRIX About(const D3DXVECTOR3& p, const D3DXMATRIX& m) { return Translation(-p) * m * Translation(p); }

D3DXMATRIX RotationAbout(const D3DXVECTOR3& p, const D3DXVECTOR3& axis, float degrees) {
  D3DXMATRIX r;
  D3DXMatrixRotationAxis(&r, &axis, degrees * kDegrees);
  return About(p, r);
}

D3DXMATRIX ScalingAbout(const D3DXVECTOR3& p, float k) {
  D3DXMATRIX s;
  D3DXMatrixScaling(&s, k, k, k);
  return About(p, s);
}

// Fractional part keeping the sign.
float SignedFraction(float f) { return f - std::trunc(f); }

// Reads and drops n bytes, no further than the data goes.
void Skip(DS_IOF_Archive& ar, uint64_t n) {
  uint8_t scratch[4096];
  n = std::min(n, ar.Remaining());
  while (n > 0) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(n, sizeof scratch));
    ar.ReadBytes(chunk, scratch);
    n -= chunk;
  }
}

float Centre(float a, float b) { return (a + b) / 2.0f; }

}  // namespace

ComPtr<ID3DXMesh> ReadTextMesh(DS_IOF_Archive& ar, IDirect3DDevice9* device) {
  int32_t faces = 0, vertices = 0, options = 0, fvf = 0, stride = 0;
  ar.ReadInt(&faces);
  ar.ReadInt(&vertices);
  ar.ReadInt(&options);
  ar.ReadInt(&fvf);
  ar.ReadInt(&stride);
  const bool negative = faces < 0 || vertices < 0 || stride < 0;
  const uint64_t f = faces < 0 ? 0 : static_cast<uint64_t>(faces);
  const uint64_t v = vertices < 0 ? 0 : static_cast<uint64_t>(vertices);
  const uint64_t vertexBytes = v * (stride < 0 ? 0 : static_cast<uint64_t>(stride));
  const uint64_t indexBytes = f * 6;
  const uint64_t attributeBytes = f * 4;
  const uint64_t total = vertexBytes + indexBytes + attributeBytes;
  const bool usable = !negative && faces > 0 && vertices > 0 && total <= ar.Remaining() &&
                      static_cast<UINT>(stride) == D3DXGetFVFVertexSize(static_cast<DWORD>(fvf)) &&
                      (static_cast<DWORD>(options) & D3DXMESH_32BIT) == 0;
  ComPtr<ID3DXMesh> mesh;
  if (usable && device) {
    ID3DXMesh* created = nullptr;
    if (SUCCEEDED(D3DXCreateMeshFVF(static_cast<DWORD>(faces), static_cast<DWORD>(vertices),
                                    static_cast<DWORD>(options), static_cast<DWORD>(fvf), device, &created)))
      mesh.Attach(created);
  }
  if (!mesh) {
    Skip(ar, total);
    return mesh;
  }
  void* data = nullptr;
  if (SUCCEEDED(mesh->LockVertexBuffer(D3DLOCK_DISCARD, &data))) {
    ar.ReadBytes(static_cast<uint32_t>(vertexBytes), data);
    mesh->UnlockVertexBuffer();
  }
  bool indicesInRange = true;
  if (SUCCEEDED(mesh->LockIndexBuffer(D3DLOCK_DISCARD, &data))) {
    ar.ReadBytes(static_cast<uint32_t>(indexBytes), data);
    const auto* indices = static_cast<const uint16_t*>(data);
    for (uint64_t i = 0; i < f * 3; ++i)
      if (indices[i] >= v) indicesInRange = false;
    mesh->UnlockIndexBuffer();
  }
  DWORD* attributes = nullptr;
  if (SUCCEEDED(mesh->LockAttributeBuffer(D3DLOCK_DISCARD, &attributes))) {
    ar.ReadBytes(static_cast<uint32_t>(attributeBytes), attributes);
    mesh->UnlockAttributeBuffer();
  }
  // An index past the vertices would draw from outside the vertex data.
  if (!indicesInRange) mesh = nullptr;
  return mesh;
}

ZVI_3DTex::ZVI_3DTex() {
  depth.SetScaleOffset(0.004f, 0.001f);
  rotationAmplitude.SetScaleOffset(1.0f, 0.0f);
  rotationSpeed.SetScaleOffset(0.01f, 0.0f, 100u);
  glyphSpeed.SetScaleOffset(0.01f, 0.0f, 100u);
  glyphDelay.SetScaleOffset(0.001f, 0.0f);
  period.SetScaleOffset(0.2f, 0.0f);
  arcAngle.SetScaleOffset(1.0f, 0.0f);
  D3DXMatrixIdentity(&baseMatrix);
  D3DXMatrixIdentity(&textMatrix);
}

void ZVI_3DTex::ResetTime() {
  rotationClock.Reset();
  glyphClock.Reset();
}

void ZVI_3DTex::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  D3DXVECTOR3& p = position.value;
  ar.ReadFloat(&p.x);
  ar.ReadFloat(&p.y);
  ar.ReadFloat(&p.z);
  depth.Read(ar);
  int32_t ignored = 0;
  ar.ReadInt(&ignored);
  ar.ReadUInt(&ambient.value);
  ar.ReadUInt(&lightAngle1.value);
  ar.ReadUInt(&lightAngle2.value);
  ar.ReadInt(&rotationAxis.value);
  ar.ReadInt(&rotationKind.value);
  rotationAmplitude.Read(ar);
  rotationSpeed.Read(ar);
  ar.ReadInt(&glyphAnimation.value);
  ar.ReadInt(&repeatMode.value);
  ar.ReadUInt(&glyphAmplitude.value);
  glyphSpeed.Read(ar);
  glyphDelay.Read(ar);
  period.Read(ar);
  mesh = ReadTextMesh(ar, CurrentDevice());
  ReadMediaQuad(ar, textQuad);
  // A glyph quad takes 48 bytes.
  const uint32_t n = ar.ReadSignedCount(48);
  std::vector<MediaQuad> quads(n);
  for (MediaQuad& q : quads) ReadMediaQuad(ar, q);
  glyphQuads = std::move(quads);
  glyphMatrices.assign(n, D3DXMATRIX());
  for (D3DXMATRIX& m : glyphMatrices) D3DXMatrixIdentity(&m);
  if (version >= 2) {
    arcAngle.Read(ar);
    ar.ReadInt(&arcSide.value);
  } else {
    arcAngle.SetValue(0u);
    arcSide.SetValue(0);
  }
  ReadTextBase(ar);
}

void ZVI_3DTex::UpdateBaseMatrix() {
  const float s = static_cast<float>(text.font.size.value);
  const D3DXVECTOR3& c0 = textQuad.corners[0].value;
  const D3DXVECTOR3& c3 = textQuad.corners[3].value;
  const D3DXVECTOR3& p = position.value;
  D3DXMATRIX scale, flip;
  D3DXMatrixScaling(&scale, s, s, s);
  D3DXMatrixRotationX(&flip, kPi);
  baseMatrix = scale * flip *
               Translation(D3DXVECTOR3(-Centre(c0.x, c3.x) * s + p.x, Centre(c0.y, c3.y) * s + p.y, p.z));
}

void ZVI_3DTex::UpdateTextMatrix(float t) {
  if (rotationSpeed.derived == 0.0f) {
    rotationClock.Reset();
  } else {
    rotationClock.Advance(t, rotationSpeed.derived);
  }
  const float d = rotationClock.total;
  const D3DXVECTOR3& c0 = textQuad.corners[0].value;
  const D3DXVECTOR3& c3 = textQuad.corners[3].value;
  const D3DXVECTOR3 centre(Centre(c0.x, c3.x), Centre(c0.y, c3.y), -depth.derived / 2.0f);
  D3DXVECTOR3 pivot;
  D3DXVec3TransformCoord(&pivot, &centre, &baseMatrix);
  const int32_t a = rotationAxis.value;
  const D3DXVECTOR3 axis(a == 1 || a == 2 ? 0.0f : 1.0f, a == 1 ? 1.0f : 0.0f, a == 2 ? 1.0f : 0.0f);
  D3DXMATRIX r;
  D3DXMatrixIdentity(&r);
  switch (rotationKind.value) {
    case 1: r = RotationAbout(pivot, axis, d); break;
    case 2: r = RotationAbout(pivot, axis, -d); break;
    case 3: r = RotationAbout(pivot, axis, std::sin(0.1f * d) * rotationAmplitude.derived); break;
    case 4: r = ScalingAbout(pivot, std::sin(0.1f * d) * rotationAmplitude.derived * 0.01f + 1.0f); break;
    default: break;
  }
  textMatrix = baseMatrix * r;
}

float ZVI_3DTex::GlyphPhase(size_t i) const {
  float f = glyphClock.total - static_cast<float>(i) * glyphDelay.derived;
  if (repeatMode.value == 1) {
    const float g = period.derived * glyphSpeed.derived;
    if (g == 0.0f) {
      f = 0.0f;
    } else {
      f = std::fmod(f, g);
      if (f > 1.0f || f < 0.0f) f = 0.0f;
    }
  }
  return 1.0f - 2.0f * SignedFraction(f);
}

void ZVI_3DTex::UpdateGlyphs(float t) {
  glyphClock.Advance(t, glyphSpeed.derived);
  const D3DXVECTOR3& t0 = textQuad.corners[0].value;
  const D3DXVECTOR3& t3 = textQuad.corners[3].value;
  const float height = t3.y - t0.y;
  const float amplitude = static_cast<float>(glyphAmplitude.value);
  const float b = arcAngle.derived;
  const size_t n = std::min(glyphMatrices.size(), glyphQuads.size());
  for (size_t i = 0; i < n; ++i) {
    const D3DXVECTOR3& q0 = glyphQuads[i].corners[0].value;
    const D3DXVECTOR3& q3 = glyphQuads[i].corners[3].value;
    const D3DXVECTOR3 g(Centre(q0.x, q3.x), Centre(q0.y, q3.y), -depth.derived / 2.0f);
    const float x = GlyphPhase(i);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX& m = glyphMatrices[i];
    D3DXMatrixIdentity(&m);
    switch (glyphAnimation.value) {
      case 1: m = Translation(D3DXVECTOR3(0.0f, height * 0.01f * amplitude * (1.0f - x * x), 0.0f)); break;
      case 2: m = RotationAbout(g, up, (x - 1.0f) * 180.0f); break;
      case 3: m = Translation(D3DXVECTOR3(0.0f, std::sin(x * kPi) * height * 0.01f * amplitude, 0.0f)); break;
      case 4: m = RotationAbout(g, up, std::sin(x * kPi) * amplitude * 0.9f); break;
      case 5:
      case 6: {
        const float sign = glyphAnimation.value == 5 ? 0.005f : -0.005f;
        m = ScalingAbout(g, (std::cos(x * kPi) + 1.0f) * amplitude * sign * 0.5f + 1.0f);
        break;
      }
      default: break;
    }
    if (b != 0.0f) {
      float r = (t3.x - t0.x) / (b * kPi / 180.0f);
      if (arcSide.value == 0) r = -r;
      const float mid = Centre(t0.x, t3.x);
      const float gx = g.x;
      const float theta = (gx - mid) / r;
      const float py = arcSide.value != 0 ? t3.y : t0.y;
      D3DXMATRIX turn;
      D3DXMatrixRotationZ(&turn, -theta);
      m = m * Translation(D3DXVECTOR3(-gx, -py, 0.0f)) * turn * Translation(D3DXVECTOR3(gx, py, 0.0f)) *
          Translation(D3DXVECTOR3(std::sin(theta) * r + mid - gx, -(r - std::cos(theta) * r), 0.0f));
    }
  }
}

void ZVI_3DTex::Update(float t) {
  UpdateBaseMatrix();
  UpdateTextMatrix(t);
  UpdateGlyphs(t);
}

D3DXVECTOR3 ZVI_3DTex::LightDirection() const {
  const float a1 = static_cast<float>(lightAngle1.value) * kDegrees;
  const float a2 = static_cast<float>(lightAngle2.value) * kDegrees;
  const float x = std::cos(a2);
  const float y = std::cos(a1) * std::sin(a2);
  // Rounding can take 1 - x^2 - y^2 just below 0 (angles 0 and 90).
  return D3DXVECTOR3(x, y, std::sqrt(std::max(0.0f, 1.0f - x * x - y * y)));
}

void ZVI_3DTex::Draw(DS_ABRender*) {
  IDirect3DDevice9* d = CurrentDevice();
  RenderContext* rc = CurrentRenderContext();
  if (!d || !rc || !mesh) return;
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  d->SetRenderState(D3DRS_ZENABLE, TRUE);
  d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  d->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  const DWORD level = ambient.value & 0xFF;
  d->SetRenderState(D3DRS_AMBIENT, level << 24 | level << 16 | level << 8 | level);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);

  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  const D3DXVECTOR3 dir = LightDirection();
  light.Direction = {dir.x, dir.y, dir.z};
  d->SetLight(0, &light);
  d->LightEnable(0, TRUE);

  D3DMATERIAL9 material{};
  const COLORREF c = text.font.colour.value;
  material.Diffuse = {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                      static_cast<float>((c >> 16) & 0xFF) / 255.0f, 1.0f};
  d->SetMaterial(&material);

  d->SetTransform(D3DTS_VIEW, &rc->view);
  d->SetTransform(D3DTS_PROJECTION, &rc->projection);
  // The layer clamps the depth to 1.
  d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1000.0f, 0);
  d->SetTexture(0, nullptr);
  // Subset 0 is never drawn; glyph i is subset i + 1.
  for (size_t i = 0; i < glyphMatrices.size(); ++i) {
    rc->SetWorldTransform(glyphMatrices[i] * textMatrix);
    mesh->DrawSubset(static_cast<DWORD>(i + 1));
  }
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
}
