#include "scene/line_ribbon.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "particles/imitters/imitters.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/ds_ab_render.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"

namespace {

// Where a path turns back on itself the mitre is infinite: held at four
// half-widths.
constexpr float kMaxMitre = 4.0f;

float Length(const D3DXVECTOR3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

D3DCOLOR NodeColour(const RibbonNode& n) {
  return RibbonChannelByte(n.a) << 24 | RibbonChannelByte(n.r) << 16 | RibbonChannelByte(n.g) << 8 |
         RibbonChannelByte(n.b);
}

void Vertex(DX_V::PCT& out, const D3DXVECTOR3& p, D3DCOLOR c, float u, float v) {
  out.x = p.x, out.y = p.y, out.z = p.z;
  out.color = c;
  out.u = u, out.v = v;
}

void WriteQuad(DX_V::PCT* q, const RibbonNode& prev, const RibbonNode& cur) {
  const D3DCOLOR cc = NodeColour(cur), pc = NodeColour(prev);
  Vertex(q[0], cur.left, cc, 1.0f, cur.v);
  Vertex(q[1], prev.left, pc, 1.0f, prev.v);
  Vertex(q[2], cur.right, cc, 0.0f, cur.v);
  Vertex(q[3], prev.right, pc, 0.0f, prev.v);
}

void PlaceEdges(RibbonNode& n, float m) {
  const D3DXVECTOR3 k = RibbonNormal(n.tangent);
  n.left = D3DXVECTOR3(n.position.x + m * k.x, n.position.y + m * k.y, n.position.z);
  n.right = D3DXVECTOR3(n.position.x - m * k.x, n.position.y - m * k.y, n.position.z);
  n.edges = 1.0f;
}

void Mitred(DX_V::PCT* quad, const RibbonNode& prev, float w, RibbonNode& cur, bool alongSegment) {
  const D3DXVECTOR3 d = cur.position - prev.position;
  const float len = Length(d);
  if (len > 0.0f) {
    const D3DXVECTOR3 u = d / len;
    if (alongSegment) cur.tangent = u;
    const D3DXVECTOR3 k = RibbonNormal(cur.tangent);
    const float f = u.x * k.x + u.y * k.y + u.z * k.z;
    const float half = w / 2.0f;
    float m = half / std::sqrt(1.0f - f * f);
    if (!(std::fabs(m) <= kMaxMitre * std::fabs(half))) m = kMaxMitre * half;
    PlaceEdges(cur, m);
  } else {
    cur = prev;
    cur.edges = 1.0f;
  }
  WriteQuad(quad, prev, cur);
}

}  // namespace

uint32_t RibbonChannelByte(float c) {
  if (c >= 1.0f) return 255;
  if (!(c > 0.0f)) return 0;
  return static_cast<uint32_t>(c * 255.0f + 0.5f);
}

void WriteRibbonQuadMitred(DX_V::PCT* quad, const RibbonNode& prev, float w, RibbonNode& cur) {
  Mitred(quad, prev, w, cur, false);
}

void WriteRibbonQuadAlongSegment(DX_V::PCT* quad, const RibbonNode& prev, float w, RibbonNode& cur) {
  Mitred(quad, prev, w, cur, true);
}

void WriteRibbonQuadAtNode(DX_V::PCT* quad, const RibbonNode& prev, float w, RibbonNode& cur) {
  PlaceEdges(cur, w / 2.0f);
  WriteQuad(quad, prev, cur);
}

// ---------------------------------------------------------------------------

LineRibbonParams::LineRibbonParams() : surface(std::make_unique<ZVI_PrerenderSurface>()) {}

LineRibbonParams::LineRibbonParams(const LineRibbonParams& other)
    : ClassicParticleParams(other), surface(std::make_unique<ZVI_PrerenderSurface>()) {}

void LineRibbonParams::PrepareSurface(std::u16string_view askingClass) {
  LoadEffects(askingClass);
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  surface->width = desc.Width;
  surface->height = desc.Height;
  surface->OnReset();
}

int32_t LineRibbonParams::BackgroundSteps() const {
  return (blendMode.value != 0 ? 1 : 0) + (glowMode.value == 2 ? 1 : 0);
}

float LineRibbonParams::ImageAspect() const {
  const ImageFrameSet* image = FirstImage();
  return image ? image->aspect : 1.0f;
}

void LineRibbonParams::FirstColour(float* r, float* g, float* b) const {
  const std::vector<COLORREF>& list = colors.colours.value;
  const COLORREF c = list.empty() ? 0x00FFFFFFu : list.front();
  *r = static_cast<float>(c & 0xFF) / 255.0f;
  *g = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
  *b = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
}

float LineRibbonParams::TextureV(float d, float w) const {
  const float K = w * ImageAspect();
  if (K == 0.0f || !std::isfinite(K)) return 0.0f;
  return d / K;
}

void LineRibbonParams::Draw(ZVI_ParticleSystemMech* runtime, uint32_t b, DS_ABRender* context, int* pass) {
  if (!runtime || !context) return;
  if (glowMode.value == 2) context->BackgroundStep(pass, false);
  DrawGlow(runtime, b, context);
  // Every non-zero mode multiplies, in step with the background count.
  const bool multiply = blendMode.value != 0;
  if (multiply) context->BackgroundStep(pass, false);
  const ImageFrameSet* image = FirstImage();
  ID3DXEffect* e = device.effect.Get();
  if (!e || !image || runtime->CountAt(b) == 0) return;
  if (!multiply) {
    e->SetTexture("Texture0", image->CurrentTexture());
    runtime->DrawBatch(e, "BlendNormal", b);
    return;
  }
  IDirect3DDevice9* d = CurrentDevice();
  if (!d || !surface || !surface->texture) return;
  ComPtr<IDirect3DSurface9> level;
  if (FAILED(surface->texture->GetSurfaceLevel(0, level.ReleaseAndGetAddressOf()))) return;
  d->GetRenderTarget(0, surface->savedTarget.ReleaseAndGetAddressOf());
  d->GetDepthStencilSurface(surface->savedDepth.ReleaseAndGetAddressOf());
  d->SetRenderTarget(0, level.Get());
  d->SetDepthStencilSurface(nullptr);
  context->PushTarget(static_cast<int>(surface->width), static_cast<int>(surface->height), 3);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  e->SetTexture("Texture0", image->CurrentTexture());
  runtime->DrawBatch(e, "BlendNormal", b);
  d->SetRenderTarget(0, surface->savedTarget.Get());
  d->SetDepthStencilSurface(surface->savedDepth.Get());
  surface->savedTarget = nullptr;
  surface->savedDepth = nullptr;
  context->PopTarget();
  TextureHolder* background = context->GetBackgroundTexture();
  e->SetTexture("Background", background ? background->Get() : nullptr);
  e->SetTexture("Texture0", surface->texture.Get());
  e->SetTechnique(e->GetTechniqueByName("BlendMultiplay"));
  context->DrawGeometry(context->GetScreenQuad(), &e);
  e->SetTexture("Texture0", nullptr);
}

int32_t LineBackgroundPasses(const LineRibbonParams& ribbon, const ClassicParticleParams& base, int32_t showParticles) {
  return ribbon.BackgroundSteps() + (showParticles != 0 && base.glowMode.value == 2 ? 1 : 0);
}

void ExchangeBlocks(ClassicParticleParams& a, ClassicParticleParams& b) {
  const ClassicParticleParams copy(a);
  a.Assign(b);
  b.Assign(copy);
}

// ---------------------------------------------------------------------------

void ZVI_LineCtrl::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  RebuildSamples();
}

void ZVI_LineCtrl::RebuildSamples() { samples = path.BuildSamples(100, reverse != 0); }

void ZVI_LineCtrl::DrawParticles(DS_ABRender* context, int* pass) {
  if (!context) return;
  ribbon.Draw(runtime, 0, context, pass);
  if (showParticles.value == 0) return;
  if (params.glowMode.value == 2) context->BackgroundStep(pass, false);
  params.DrawBatch(runtime, 1, context);
}

bool ZVI_LineCtrl::ReadLineRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadBSplinePoints(ar, path.points);
  ar.ReadInt(&showParticles.value);
  int32_t blockVersion = 0;
  ar.ReadInt(&blockVersion);
  zvi_string shape;
  ar.ReadWideString(&shape);
  ribbon.shapeName.value = shape;
  ribbon.Read(ar, blockVersion);
  ar.ReadFloat(&headSideOffset.value);
  ar.ReadFloat(&headForwardOffset.value);
  if (version < 2) {
    int32_t ignored = 0;
    ar.ReadInt(&ignored);
  }
  const bool ok = ReadNestedRecord(ar);
  if (version < 2) ExchangeBlocks(ribbon, params);
  return ok;
}

// ---------------------------------------------------------------------------

ZVI_StaticLineCtrl::ZVI_StaticLineCtrl() { width.SetScaleOffset(1.0f, 0.0f); }

ClassicParticleList& ZVI_StaticLineCtrl::Emit(ClassicParticleList& out, float) {
  out.clear();
  return out;
}

void ZVI_StaticLineCtrl::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ribbon.flags |= kClassicFilterImages;
  ZVI_LineCtrl::Prepare(runtimeObject);
  ribbon.ResolveImages();
  ribbon.PrepareSurface(ClassName());
  if (runtimeObject) runtimeObject->SizeBatches(2);
  heads.push_back(ClassicParticlePtr(new ClassicParticle(D3DXVECTOR3(500.0f, 500.0f, 0.0f))));
}

float ZVI_StaticLineCtrl::ClockStep(float t) {
  const float dt = systemSpeed.Advance(t);
  params.AdvanceTime(t);
  return dt;
}

void ZVI_StaticLineCtrl::ReinitHead(float maxAge) {
  if (heads.empty() || !heads.front()) return;
  ClassicParticle& h = *heads.front();
  h.routines.clear();
  params.InitParticle(h, RoutinePtr(new IPR_HeadAge(maxAge)));
  h.Age() = 0.0f;
}

void ZVI_StaticLineCtrl::BuildRibbon(float from, float to) {
  if (!runtime) return;
  PathCursor cursor(&samples);
  D3DXVECTOR3 p(0.0f, 0.0f, 0.0f), t(0.0f, 0.0f, 0.0f);
  cursor.Advance(from, &p, &t);
  D3DXVec3Normalize(&t, &t);
  float L = to - from;
  const float w = static_cast<float>(width.value);
  float red, green, blue;
  ribbon.FirstColour(&red, &green, &blue);

  RibbonNode prev;
  prev.position = p;
  prev.tangent = t;
  PlaceEdges(prev, GetWidthAt(L) / 2.0f);
  prev.v = ribbon.TextureV(L, w);
  prev.r = red, prev.g = green, prev.b = blue;
  prev.a = GetAlphaAt(L) / 255.0f;

  const int32_t n = static_cast<int32_t>(samples.size());
  uint32_t q = 0;
  if (n >= 2 && L > 0.0f) {
    int32_t s = std::max(0, cursor.segment);
    const int32_t s0 = s;
    float r = cursor.distance + L;
    while (s < n - 1 && r > samples[static_cast<size_t>(s)].length) {
      r -= samples[static_cast<size_t>(s)].length;
      ++s;
    }
    q = static_cast<uint32_t>(s - s0 + 1);
  }
  runtime->PrepareBatch(0, q, ribbon.FirstImage() ? *ribbon.FirstImage() : ImageFrameSet(), ribbon);
  ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(0);
  if (q == 0 || !batch || !batch->vertexBuffer) return;
  const uint32_t room = std::min(runtime->CountAt(0), static_cast<uint32_t>(batch->vertexCount / 4));
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  uint32_t written = 0;
  while (L > 0.0f && written < room) {
    RibbonNode node;
    float rest = 0.0f;
    const int32_t seg = cursor.segment;
    if (seg >= n - 1) {
      node.position = samples[static_cast<size_t>(n - 1)].position;
      node.tangent = samples[static_cast<size_t>(n - 1)].tangent;
    } else {
      const PathSample& a = samples[static_cast<size_t>(seg)];
      const PathSample& next = samples[static_cast<size_t>(seg + 1)];
      const float r = cursor.distance + L;
      cursor.distance = 0.0f;
      if (r > a.length) {
        node.position = next.position;
        node.tangent = next.tangent;
        rest = r - a.length;
        cursor.segment = seg + 1;
      } else {
        const D3DXVECTOR3 dir = (next.position - a.position) / a.length;
        node.position = a.position + dir * r;
        node.tangent = dir;
      }
    }
    node.v = ribbon.TextureV(rest, w);
    node.r = red, node.g = green, node.b = blue;
    node.a = GetAlphaAt(rest) / 255.0f;
    WriteRibbonQuadMitred(v + 4 * written, prev, GetWidthAt(rest), node);
    ++written;
    prev = node;
    L = rest;
  }
  batch->Unlock();
  runtime->SetCount(0, written);

  StepClassicParticles(heads, systemSpeed.step);
  if (!heads.empty() && heads.front()) {
    ClassicParticle& h = *heads.front();
    const D3DXVECTOR3 k = RibbonNormal(prev.tangent);
    h.position = prev.position + k * headSideOffset.value + prev.tangent * headForwardOffset.value;
    h.velocity = prev.tangent;
  }
  params.FillBatch(heads, runtime, params.particleSize.value, 1);
}

bool ZVI_StaticLineCtrl::ReadStaticRecord(DS_IOF_Archive& ar, int32_t) {
  width.Read(ar);
  ReadLifeEnvelopeParams(ar, widthEnvelope);
  ReadLifeEnvelopeParams(ar, alphaEnvelope);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return ReadLineRecord(ar, version);
}

bool IPR_HeadAge::Apply(float dt, ClassicParticle& p) {
  p.Age() += dt;
  return true;
}
