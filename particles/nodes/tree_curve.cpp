#include "particles/nodes/tree_curve.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/thread_slots.h"
#include "particles/nodes/nodes.h"
#include "particles/nodes/transforms.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"

namespace {

// 16-bit indices address at most this many vertices in one batch.
constexpr int32_t kMaxCurveVertices = 65536;

// a / b, unclamped: a graph reads its own ends. A zero length gives 0 for
// 0 and 1 past it.
float Section(float a, float b) {
  if (!(b > 0.0f)) return a > 0.0f ? 1.0f : 0.0f;
  return a / b;
}

float GraphAt(const ZVI_CustomGraph& g, float x) {
  ZVI_VGraph* graph = g.Graph();
  if (!graph) return 1.0f;
  int32_t cursor = 1;
  return graph->ValueAt(x, cursor);
}

uint32_t ClampByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint32_t>(v);
}

D3DXVECTOR3 Normal(const D3DXVECTOR3& from, const D3DXVECTOR3& to) {
  D3DXVECTOR3 d = to - from;
  const float len = D3DXVec3Length(&d);
  if (!(len > 0.0f)) return D3DXVECTOR3(0, 0, 0);
  d /= len;
  return D3DXVECTOR3(d.y, -d.x, 0.0f);
}

// A physics record by class name, also giving the name.
std::unique_ptr<ZVI_PtclSys_Physics> ReadNamedPhysics(DS_IOF_Archive& ar, zvi_string* name) {
  int32_t version = 0;
  ar.ReadWideString(name);
  ar.ReadInt(&version);
  const IOF_Virtual_ReaderII<ZVI_IOF_Item>* reader = FindReader<ZVI_IOF_Item>(*name);
  if (!reader) throw DS_Error(kWrongFileFormat);
  ar.EnterRecord();
  std::unique_ptr<ZVI_IOF_Item> item;
  try {
    item = reader->Create(ar, version);
  } catch (...) {
    ar.LeaveRecord();
    throw;
  }
  ar.LeaveRecord();
  auto* physics = dynamic_cast<ZVI_PtclSys_Physics*>(item.get());
  if (!physics) return nullptr;
  item.release();
  return std::unique_ptr<ZVI_PtclSys_Physics>(physics);
}

// A stored value, observers told when it changed.
void ReadNotified(DS_IOF_Archive& ar, MediaParamT<unsigned int>& p) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  p.SetValue(v);
}

void GiveCell(Particle* p, int32_t columns, int32_t rows) {
  const int32_t c = crt_rand() % columns;
  const int32_t r = crt_rand() % rows;
  p->texScaleOffset[0] = 1.0f / static_cast<float>(columns);
  p->texScaleOffset[1] = 1.0f / static_cast<float>(rows);
  p->texScaleOffset[2] = static_cast<float>(c) / static_cast<float>(columns);
  p->texScaleOffset[3] = static_cast<float>(r) / static_cast<float>(rows);
}

}  // namespace

ZVI_PSTree_Curve::ZVI_PSTree_Curve() {
  physics = CreateDefaultPhysics(u"ZVI_PtclSysPhys_FractalCurv");
  selector.Set(1, physics);
}

ZVI_PtclSys_CurveOps* ZVI_PSTree_Curve::Curves() const { return dynamic_cast<ZVI_PtclSys_CurveOps*>(physics.get()); }

void ZVI_PSTree_Curve::Restart() {
  ZVI_PtclSys_CurveOps* ops = Curves();
  if (!ops) return;
  for (ParticleStripe& curve : ops->Curves()) {
    if (!curve.particle) continue;
    curve.particle->transforms.clear();
    ops->AttachCurveTransforms(curve.particle.get());
    curve.points = ops->RebuildCurve(curve.particle);
  }
}

void ZVI_PSTree_Curve::GenerateForAll(const ParticleVector& parents) {
  // A wrong-class physics makes no curves.
  if (!Curves()) return;
  const ParticleVector made = physics->Generate(&parents);
  const int32_t columns = Columns(), rows = Rows();
  for (const ParticlePtr& p : made) {
    if (!p) continue;
    p->AddTransform(new PtclTr_Color(&colors, crt_rand01()));
    GiveCell(p.get(), columns, rows);
  }
}

int32_t ZVI_PSTree_Curve::Step(float dt, const ParticleVector& parents) {
  if (Curves()) physics->Update(nullptr, dt);
  return 1;
}

void ZVI_PSTree_Curve::Activate() {
  ZVI_PSTree_Leaf::Activate();
  innerGlow.Resize();
  innerGlow.LoadEffect(DS_HLSLEffectFile(zvi_string(u"common_res.dll"), 202));
  glowCompiled = nullptr;
  if (DS_DocResManager* manager = CurrentDocResManager()) {
    ID3DXEffect* e = nullptr;
    manager->GetEffect(&e, u"ZVI_PSTree_Curve", glowEffect);
    glowCompiled.Attach(e);
  }
}

void ZVI_PSTree_Curve::Clear() {
  if (physics) physics->Clear();
  ZVI_PSTree_Leaf::Clear();
}

void ZVI_PSTree_Curve::RefreshTexture() {
  ZVI_PSTree_Leaf::RefreshTexture();
  ZVI_PtclSys_CurveOps* ops = Curves();
  if (!ops) return;
  const int32_t columns = Columns(), rows = Rows();
  for (ParticleStripe& curve : ops->Curves()) {
    if (curve.particle) GiveCell(curve.particle.get(), columns, rows);
  }
}

float ZVI_PSTree_Curve::CurveProfile(float t, const Profile& profile, float k) const {
  const float s = static_cast<float>(startLength.value);
  const float e = static_cast<float>(endLength.value);
  const float m = static_cast<float>(middleLength.value);
  const float total = (s + e + m) * k;
  const float x = total * t;
  const float d = total - (s + e);
  const ZVI_CustomGraph& middle = profile[0];
  const ZVI_CustomGraph& end = profile[1];
  const ZVI_CustomGraph& start = profile[2];
  if (d <= 0.0f) return GraphAt(start, Section(x, s)) * GraphAt(end, Section(x - s - d, e));
  if (x < s) return GraphAt(start, Section(x, s));
  if (x - s <= d) return GraphAt(middle, Section(x - s, d));
  return GraphAt(end, Section(x - s - d, e));
}

void ZVI_PSTree_Curve::BuildCurveSamples(const ParticleStripe& curve, std::vector<CurveSample>& out) const {
  out.clear();
  if (!curve.points) return;
  const ParticleVector& points = curve.points->particles;
  const size_t n = points.size();
  if (n < 2) return;
  out.resize(n);
  for (size_t j = 0; j < n; ++j) {
    out[j].position = points[j] ? points[j]->GetWorldPosition() : D3DXVECTOR3(0, 0, 0);
    out[j].side = 1;
  }
  float arc = 0.0f;
  for (size_t j = 0; j < n; ++j) {
    if (j > 0) {
      const D3DXVECTOR3 d = out[j].position - out[j - 1].position;
      arc += D3DXVec3Length(&d);
    }
    out[j].t = arc;
  }
  // Coinciding points keep arc parameters 0.
  if (normalizeLength.value != 0 && arc > 0.0f) {
    for (CurveSample& s : out) s.t /= arc;
  }
  for (size_t j = 0; j < n; ++j) {
    if (j > 0) out[j].sa = Normal(out[j - 1].position, out[j].position);
    if (j + 1 < n) out[j].sb = Normal(out[j].position, out[j + 1].position);
  }
  out[0].sa = out[0].sb;
  out[n - 1].sb = out[n - 1].sa;
  out[0].sc = -out[0].sb;
  out[n - 1].sc = -out[n - 1].sa;
  for (size_t j = 1; j + 1 < n; ++j) {
    CurveSample& c = out[j];
    c.sc = -c.sa;
    if (c.sa == c.sb) continue;
    D3DXVECTOR3 m;
    if (IntersectLines(out[j - 1].position + out[j - 1].sb, c.position + c.sa, c.position + c.sb,
                       out[j + 1].position + out[j + 1].sa, &m)) {
      m.z = 0.0f;
      c.sc = c.position - m;
    }
  }
  for (size_t j = 1; j + 1 < n; ++j) {
    const D3DXVECTOR3& a = out[j - 1].position;
    const D3DXVECTOR3& b = out[j].position;
    const D3DXVECTOR3& c = out[j + 1].position;
    if ((c.y - a.y) * (b.x - a.x) - (b.y - a.y) * (c.x - a.x) < 0.0f) {
      out[j].sa = -out[j].sa;
      out[j].sb = -out[j].sb;
      out[j].sc = -out[j].sc;
      out[j].side = 0;
    }
  }
}

void ZVI_PSTree_Curve::FillCurve(const ParticleStripe& curve, DX_V::PCT* vertices, uint16_t* indices, int32_t first,
                                 int32_t* vertexCount, int32_t* triangleCount) {
  *vertexCount = 0;
  *triangleCount = 0;
  BuildCurveSamples(curve, samples_);
  const Particle* cp = curve.particle.get();
  if (samples_.size() < 2 || !cp) return;
  const float from = cp->curveWindow[2];
  const float to = cp->curveWindow[3];
  const float k = cp->curveWindow[1];
  const float total = (static_cast<float>(startLength.value) + static_cast<float>(endLength.value) +
                       static_cast<float>(middleLength.value)) *
                      k;
  const float widthScale = static_cast<float>(curveWidth.value) * cp->curveWindow[0];
  const float lt = static_cast<float>(Columns()) * Aspect() / static_cast<float>(Rows()) * widthScale;
  const float vScale = lt != 0.0f && std::isfinite(lt) ? total / lt : 0.0f;
  const ImageFrameSet* image = texture.images.empty() ? nullptr : &texture.images.front();
  const float extentU = image ? image->uScale : 1.0f;
  const float su = cp->texScaleOffset[0], ou = cp->texScaleOffset[2];
  const float uFar = extentU * su + ou, uNear = ou, uMiddle = extentU / 2.0f * su + ou;
  const float alphaChain = std::min(1.0f, cp->alpha * (cp->parent.get() ? cp->parent->GetWorldAlpha() : 1.0f));
  const float opacity = OpacityByte();
  const D3DXVECTOR3 at = cp->GetWorldPosition();
  const float shift = anchorX.derived + 0.5f;

  int32_t kept = 0;
  uint8_t previousSide = 1;
  auto emit = [&](CurveSample s) {
    if (first + 4 * (kept + 1) > kMaxCurveVertices) return false;
    const D3DXVECTOR3 p((s.position.x - shift) * total, s.position.y * total, s.position.z * total);
    const float u = CurveProfile(s.t, widthProfile, k) * widthScale * 0.5f;
    const D3DXVECTOR3 corner[4] = {p + s.sc * u, p, p + s.sa * u, p + s.sb * u};
    const float a = opacity * std::min(1.0f, CurveProfile(s.t, alphaProfile, k) * alphaChain);
    const uint32_t colour = (ClampByte(a) << 24) | (ClampByte(cp->color.x) << 16) | (ClampByte(cp->color.y) << 8) |
                            ClampByte(cp->color.z);
    float us[4] = {uNear, uMiddle, uFar, uFar};
    if (s.side == 0) {
      us[0] = uFar;
      us[2] = us[3] = uNear;
    }
    const float v = s.t * vScale;
    DX_V::PCT* q = vertices + first + 4 * kept;
    for (int j = 0; j < 4; ++j) {
      D3DXVECTOR3 c;
      D3DXVec3TransformCoord(&c, &corner[j], &cp->modifier1);
      c += at;
      D3DXVec3TransformCoord(&c, &c, &cp->scaleMatrix);
      q[j] = DX_V::PCT{c.x, c.y, c.z, colour, us[j], v};
    }
    if (kept > 0) {
      const auto l = static_cast<uint16_t>(first + 4 * (kept - 1));
      const int sSame = previousSide == s.side ? 1 : 0;
      const uint16_t tri[15] = {l, static_cast<uint16_t>(l + 6 - 2 * sSame), static_cast<uint16_t>(l + 5),
                                l, static_cast<uint16_t>(l + 1), static_cast<uint16_t>(l + 5),
                                static_cast<uint16_t>(l + 1), static_cast<uint16_t>(l + 5),
                                static_cast<uint16_t>(l + 4 + 2 * sSame), static_cast<uint16_t>(l + 1),
                                static_cast<uint16_t>(l + 3), static_cast<uint16_t>(l + 4 + 2 * sSame),
                                static_cast<uint16_t>(l + 6), static_cast<uint16_t>(l + 5),
                                static_cast<uint16_t>(l + 7)};
      std::copy(tri, tri + 15, indices + 3 * *triangleCount);
      *triangleCount += 5;
    }
    previousSide = s.side;
    ++kept;
    return true;
  };
  for (size_t j = 0; j < samples_.size(); ++j) {
    CurveSample s = samples_[j];
    if (s.t < from) continue;
    if (kept == 0 && j > 0 && s.t > from) {
      // The first kept sample moves back to t = from.
      const CurveSample& b = samples_[j - 1];
      const float f = (from - b.t) / (s.t - b.t);
      s.position = b.position + (s.position - b.position) * f;
      s.t = from;
    }
    if (s.t > to) {
      if (j > 0 && kept > 0) {
        const CurveSample& b = samples_[j - 1];
        const float f = (to - b.t) / (s.t - b.t);
        s.position = b.position + (s.position - b.position) * f;
        s.t = to;
        emit(s);
      }
      break;
    }
    if (!emit(s)) break;
  }
  *vertexCount = 4 * kept;
}

void ZVI_PSTree_Curve::Fill(ZVI_PtclSys_Mesh* mesh, int32_t* index) {
  MeshRecord* b = mesh ? mesh->Batch((*index)++) : nullptr;
  if (!b) return;
  ZVI_PtclSys_CurveOps* ops = Curves();
  int64_t vertices = 0, triangles = 0;
  if (ops) {
    for (const ParticleStripe& curve : ops->Curves()) {
      const int64_t n = curve.points ? static_cast<int64_t>(curve.points->particles.size()) : 0;
      vertices += 4 * n;
      if (n > 0) triangles += 5 * (n - 1);
    }
  }
  vertices = std::min<int64_t>(vertices, kMaxCurveVertices);
  triangles = std::min<int64_t>(triangles, 5 * (kMaxCurveVertices / 4));
  b->EnsureBatchCapacity24(static_cast<int32_t>(vertices), static_cast<int32_t>(triangles));
  if (vertices == 0 || triangles == 0 || !b->indexBuffer) {
    b->triangleCount = 0;
    return;
  }
  auto* v = static_cast<DX_V::PCT*>(b->LockVertices());
  void* indexData = nullptr;
  if (!v || FAILED(b->indexBuffer->Lock(0, 0, &indexData, 0)) || !indexData) {
    if (v) b->UnlockVertices();
    b->triangleCount = 0;
    return;
  }
  auto* indices = static_cast<uint16_t*>(indexData);
  int32_t writtenVertices = 0, writtenTriangles = 0;
  for (const ParticleStripe& curve : ops->Curves()) {
    int32_t nv = 0, nt = 0;
    FillCurve(curve, v, indices + 3 * writtenTriangles, writtenVertices, &nv, &nt);
    writtenVertices += nv;
    writtenTriangles += nt;
  }
  b->indexBuffer->Unlock();
  b->UnlockVertices();
  b->EnsureBatchCapacity24(writtenVertices, writtenTriangles);
}

void ZVI_PSTree_Curve::DrawInnerGlow(MeshRecord* batch, ID3DXEffect* effect, DS_ABRender* context) {
  auto* light = dynamic_cast<DS_2D_Light*>(context);
  IDirect3DDevice9* d = CurrentDevice();
  ID3DXEffect* glow = glowCompiled.Get();
  RenderContext* rc = CurrentRenderContext();
  if (!light || !d || !glow || !rc || !innerGlow.targetC || !innerGlow.effect) return;
  // The mask and the blur are alpha, which the player masks off the screen:
  // they write it into their targets; the screen's mask is back for the
  // last pass.
  DWORD screenMask = 0xF;
  d->GetRenderState(D3DRS_COLORWRITEENABLE, &screenMask);
  d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  struct MaskBack {
    IDirect3DDevice9* d;
    DWORD mask;
    ~MaskBack() { d->SetRenderState(D3DRS_COLORWRITEENABLE, mask); }
  } maskBack{d, screenMask};
  // The strip's shape into the mask, at the scene size.
  {
    ComPtr<IDirect3DSurface9> savedTarget, savedDepth, mask;
    d->GetRenderTarget(0, savedTarget.ReleaseAndGetAddressOf());
    d->GetDepthStencilSurface(savedDepth.ReleaseAndGetAddressOf());
    if (FAILED(innerGlow.targetC->GetSurfaceLevel(0, mask.ReleaseAndGetAddressOf()))) return;
    d->SetRenderTarget(0, mask);
    d->SetDepthStencilSurface(nullptr);
    d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    light->PushTarget(static_cast<int>(rc->sceneSize.x), static_cast<int>(rc->sceneSize.y), kFitOffscreenStretch);
    batch->DrawBatchWithEffect24(effect, Technique());
    light->PopTarget();
    if (savedTarget) d->SetRenderTarget(0, savedTarget);
    d->SetDepthStencilSurface(savedDepth);
  }
  if (!innerGlow.Begin(light)) return;
  glow->SetTexture("Texture", innerGlow.targetC.Get());
  glow->SetTechnique("InnerGlowFirstStep");
  ID3DXEffect* raw = glow;
  light->DrawGeometry(light->GetScreenQuad(), &raw);
  innerGlow.GaussianBlur(light, 3);
  glow->SetTexture("Mask", innerGlow.targetC.Get());
  glow->SetTexture("Texture", innerGlow.targetA.Get());
  glow->SetFloat("TexW", static_cast<float>(light->GetTargetWidth()));
  glow->SetFloat("TexH", static_cast<float>(light->GetTargetHeight()));
  const COLORREF c = innerGlowColor.value;
  const float colour[4] = {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                           static_cast<float>((c >> 16) & 0xFF) / 255.0f,
                           static_cast<float>(innerGlowColor.Alpha()) / 255.0f};
  glow->SetFloatArray("Color", colour, 4);
  glow->SetTechnique("MaskedNormalEffect");
  d->SetRenderState(D3DRS_COLORWRITEENABLE, screenMask);
  light->DrawGeometry(light->GetScreenQuad(), &raw);
}

void ZVI_PSTree_Curve::Draw(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context,
                            int* pass) {
  const int32_t i = *index;
  ZVI_PSTree_Leaf::Draw(mesh, index, effect, context, pass);
  MeshRecord* b = mesh ? mesh->Batch(i) : nullptr;
  if (innerGlowSize.value != 0 && b && effect && b->triangleCount > 0) DrawInnerGlow(b, effect, context);
}

void ZVI_PSTree_Curve::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  zvi_string physicsName;
  if (version <= 1) {
    std::unique_ptr<ZVI_PtclSys_Physics> read = ReadNamedPhysics(ar, &physicsName);
    physics = DS_SafePtr<ZVI_PtclSys_Physics>(read.release());
    selector.Set(physicsName == u"ZVI_PtclSysPhys_FractalCurv" ? 1 : 2, physics);
  } else {
    uint32_t selected = 0;
    ar.ReadUInt(&selected);
    std::unique_ptr<ZVI_PtclSys_Physics> read = ReadNamedPhysics(ar, &physicsName);
    selector.items[static_cast<int>(selected)] = DS_SafePtr<ZVI_PtclSys_Physics>(read.release());
    selector.value = static_cast<int>(selected);
    physics = selector.Get(selector.value);
  }
  ReadNotified(ar, middleLength);
  ReadNotified(ar, endLength);
  ReadNotified(ar, startLength);
  for (ZVI_CustomGraph& g : widthProfile) g.InstallGraph(DS_SafePtr<ZVI_VGraph>(ReadVGraph(ar).release()));
  for (ZVI_CustomGraph& g : alphaProfile) g.InstallGraph(DS_SafePtr<ZVI_VGraph>(ReadVGraph(ar).release()));
  if (version <= 1) {
    if (ZVI_PtclSys_CurveOps* ops = Curves()) curveWidth.value = ops->WidthBlock().value.value;
  } else {
    ReadNotified(ar, curveWidth);
  }
  if (version >= 3) ar.ReadInt(&normalizeLength.value);
  if (version >= 4) {
    ReadNotified(ar, innerGlowSize);
    ar.ReadUInt(&innerGlowColor.value);
    innerGlowColor.transparency.Read(ar);
  }
  ReadLeafRecord(ar);
}
