#include "particles/nodes/tree_leaves.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/thread_slots.h"
#include "particles/nodes/transforms.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/meshes.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"

namespace {

// Linear filter for minifying and magnifying, with a mip chain.
constexpr DWORD kLeafFilter = 0x70004;
// Trail points closer than this to the second newest move the newest one.
constexpr float kTrailSpacing = 5.0f;

uint32_t ClampByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint32_t>(v);
}

uint32_t Colour(float alphaByte, const D3DXVECTOR3& c) {
  return (ClampByte(alphaByte) << 24) | (ClampByte(c.x) << 16) | (ClampByte(c.y) << 8) | ClampByte(c.z);
}

D3DXVECTOR3 PointBy(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

ID3DXEffect* ResolveEffect(std::u16string_view askingClass, const DS_FileLink3& link) {
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return nullptr;
  ID3DXEffect* e = nullptr;
  manager->GetEffect(&e, askingClass, link);
  return e;
}

void ReadRaw(DS_IOF_Archive& ar, MediaParamT<int>& p) { ar.ReadInt(&p.value); }
void ReadRaw(DS_IOF_Archive& ar, MediaParamT<unsigned int>& p) { ar.ReadUInt(&p.value); }

}  // namespace

// --- leaf ---

ZVI_PSTree_Leaf::ZVI_PSTree_Leaf() {
  glowBrightness.SetScaleOffset(0.02f, 0.0f);
  stretch.value.SetScaleOffset(0.01f, 0.0f, 100u);
  anchorX.SetScaleOffset(0.01f, -0.5f, 50u);
  anchorY.SetScaleOffset(0.01f, -0.5f, 50u);
}

int32_t ZVI_PSTree_Leaf::Columns() const {
  const ZVI_TextureSRC* s = texture.value.get();
  return s && s->atlasColumns >= 1 ? static_cast<int32_t>(std::min<uint32_t>(s->atlasColumns, 0x7FFFFFFF)) : 1;
}

int32_t ZVI_PSTree_Leaf::Rows() const {
  const ZVI_TextureSRC* s = texture.value.get();
  return s && s->atlasRows >= 1 ? static_cast<int32_t>(std::min<uint32_t>(s->atlasRows, 0x7FFFFFFF)) : 1;
}

IDirect3DTexture9* ZVI_PSTree_Leaf::Frame(size_t image) const {
  return image < texture.images.size() ? texture.images[image].CurrentTexture() : nullptr;
}

float ZVI_PSTree_Leaf::Aspect() const { return texture.images.empty() ? 1.0f : texture.images.front().aspect; }

bool ZVI_PSTree_Leaf::Premultiplied() const {
  if (texture.value && texture.value->premultiplied != 0) return true;
  IDirect3DTexture9* frame = Frame();
  return frame && IsMarkedPremultiplied(frame);
}

const char* ZVI_PSTree_Leaf::Technique() const {
  static const char* const kTable[4] = {"BlendNormal", "BlendNormal_AlphaPM", "BlendSum", "BlendSum"};
  const int mode = blendMode.value == 0 ? 0 : 1;
  return kTable[2 * mode + (Premultiplied() ? 1 : 0)];
}

void ZVI_PSTree_Leaf::Generate(const ParticlePtr& parent) {
  if (!geometry) return;
  const ParticleVector made = geometry->Place(parent);
  for (const ParticlePtr& p : made) {
    if (p) p->AddTransform(new PtclTr_Color(&colors, crt_rand01()));
  }
}

int32_t ZVI_PSTree_Leaf::Step(float dt, const ParticleVector& parents) {
  texture.Advance(dt);
  if (geometry) StepParticleVector(geometry->held, dt);
  return 1;
}

void ZVI_PSTree_Leaf::Activate() {
  // Registered once however often the tree is prepared.
  if (textureControl.watched) textureControl.watched->RemoveControl(&textureControl);
  textureControl.watched = nullptr;
  textureControl.Attach(&texture);
  RefreshTexture();
  sceneWidth = sceneHeight = 0;
  if (RenderContext* rc = CurrentRenderContext()) {
    sceneWidth = rc->sceneSize.x > 0 ? static_cast<uint32_t>(rc->sceneSize.x) : 0;
    sceneHeight = rc->sceneSize.y > 0 ? static_cast<uint32_t>(rc->sceneSize.y) : 0;
  }
  if (sceneWidth != 0 && sceneHeight != 0) {
    glow.fullWidth = sceneWidth;
    glow.fullHeight = sceneHeight;
    glow.ComputeTargetSize();
    glow.CreateTargets();
  }
  glow.LoadEffect(DS_HLSLEffectFile(zvi_string(u"common_res.dll"), 202));
  compiledEffect.Attach(ResolveEffect(u"ZVI_PSTree_Leaf", effect));
}

void ZVI_PSTree_Leaf::RefreshTexture() {
  if (texture.value) texture.Resolve(kLeafFilter);
  const int32_t columns = Columns();
  const int32_t rows = Rows();
  if (!geometry) return;
  geometry->atlasColumns = columns;
  geometry->atlasRows = rows;
  for (const ParticlePtr& p : geometry->held) {
    if (!p) continue;
    const int32_t c = crt_rand() % columns;
    const int32_t r = crt_rand() % rows;
    p->texScaleOffset[0] = 1.0f / static_cast<float>(columns);
    p->texScaleOffset[1] = 1.0f / static_cast<float>(rows);
    p->texScaleOffset[2] = static_cast<float>(c) / static_cast<float>(columns);
    p->texScaleOffset[3] = static_cast<float>(r) / static_cast<float>(rows);
  }
}

MeshRecord* ZVI_PSTree_Leaf::FitBatch(ZVI_PtclSys_Mesh* mesh, int32_t* index, int32_t n) {
  MeshRecord* b = mesh ? mesh->Batch((*index)++) : nullptr;
  if (!b) return nullptr;
  if (b->triangleCapacity < 2 * n || b->triangleCount != 2 * n || !b->vertexBuffer) b->PrepareQuadBatch24(n);
  b->triangleCount = 2 * n;
  return b;
}

void ZVI_PSTree_Leaf::Fill(ZVI_PtclSys_Mesh* mesh, int32_t* index) {
  static const ParticleVector none;
  const ParticleVector& particles = geometry ? geometry->held : none;
  const auto n = static_cast<int32_t>(particles.size());
  MeshRecord* b = FitBatch(mesh, index, n);
  if (!b || n == 0) return;
  auto* v = static_cast<DX_V::PCT*>(b->LockVertices());
  if (!v) {
    b->triangleCount = 0;
    return;
  }
  const float w = static_cast<float>(quadSize.value);
  const float h = static_cast<float>(Columns()) * Aspect() / static_cast<float>(Rows());
  D3DXMATRIX pivot;
  D3DXMatrixTranslation(&pivot, -w * anchorX.derived, -w * anchorY.derived * h, 0.0f);
  const D3DXMATRIX& turn = stretchDirection.rotation;
  D3DXMATRIX back;
  D3DXMatrixTranspose(&back, &turn);
  const D3DXVECTOR3 corners[4] = {D3DXVECTOR3(-w / 2, w * h / 2, 0), D3DXVECTOR3(-w / 2, -w * h / 2, 0),
                                  D3DXVECTOR3(w / 2, w * h / 2, 0), D3DXVECTOR3(w / 2, -w * h / 2, 0)};
  const ImageFrameSet* first = texture.images.empty() ? nullptr : &texture.images.front();
  const float extentU = first ? first->uScale : 1.0f;
  const float extentV = first ? first->vScale : 1.0f;
  float uStart = 0.0f, uEnd = extentU, vStart = extentV, vEnd = 0.0f;
  if (flipHorizontal.value != 0) std::swap(uStart, uEnd);
  if (flipVertical.value != 0) std::swap(vStart, vEnd);
  const float cornerUV[4][2] = {{uStart, vStart}, {uStart, vEnd}, {uEnd, vStart}, {uEnd, vEnd}};
  const float opacity = OpacityByte();
  const float k = stretch.jitter.derived;
  const float value = stretch.value.derived;
  ZVI_VGraph* graph = stretch.graph.Graph();
  for (int32_t i = 0; i < n; ++i) {
    DX_V::PCT* q = v + 4 * i;
    const Particle* p = particles[static_cast<size_t>(i)].get();
    if (!p) {
      std::fill(q, q + 4, DX_V::PCT{});
      continue;
    }
    float a = p->alpha * (p->parent.get() ? p->parent->GetWorldAlpha() : 1.0f);
    a = std::min(1.0f, a) * opacity;
    int32_t cursor = 1;
    const float g = graph ? graph->ValueAt(p->age, cursor) : 1.0f;
    // Drawn every frame for every particle: a jittered stretch flickers.
    const float r = crt_rand01();
    const float s = g * (k + (1.0f - k) * r) * value;
    D3DXMATRIX scaleX;
    D3DXMatrixScaling(&scaleX, s, 1.0f, 1.0f);
    const D3DXMATRIX m = pivot * back * scaleX * turn * p->modifier1;
    const D3DXVECTOR3 at = p->GetWorldPosition();
    const uint32_t colour = Colour(a, p->color);
    for (int j = 0; j < 4; ++j) {
      const D3DXVECTOR3 c = PointBy(PointBy(corners[j], m) + at, p->scaleMatrix);
      q[j] = DX_V::PCT{c.x, c.y, c.z, colour, cornerUV[j][0] * p->texScaleOffset[0] + p->texScaleOffset[2],
                       cornerUV[j][1] * p->texScaleOffset[1] + p->texScaleOffset[3]};
    }
  }
  b->UnlockVertices();
}

void ZVI_PSTree_Leaf::DrawGlow(MeshRecord* batch, ID3DXEffect* effect, DS_ABRender* context) {
  auto* light = dynamic_cast<DS_2D_Light*>(context);
  ID3DXEffect* own = compiledEffect.Get();
  // Without a glow surface (a zero scene size) or the leaf's own effect
  // there is no glow to draw.
  if (!light || !own || !glow.targetA || !glow.Begin(light)) return;
  effect->SetTexture("Texture0", Frame());
  // The glow reads the target's alpha, which the player masks off the
  // screen: the leaves write it into the target.
  IDirect3DDevice9* d = CurrentDevice();
  DWORD mask = 0xF;
  if (d) {
    d->GetRenderState(D3DRS_COLORWRITEENABLE, &mask);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  }
  batch->DrawBatchWithEffect24(effect, "BlendNormal_AlphaPM");
  if (d) d->SetRenderState(D3DRS_COLORWRITEENABLE, mask);
  glow.GaussianBlur(light, glowBlur.value);
  own->SetTexture("Texture0", glow.targetA.Get());
  const COLORREF c = glowColor.value;
  const float rgb[3] = {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                        static_cast<float>((c >> 16) & 0xFF) / 255.0f};
  own->SetFloatArray("GlowColor", rgb, 3);
  own->SetFloat("GlowBrightness", glowBrightness.derived);
  if (glowMode.value > 1 && light->HasBackgroundCopy()) {
    TextureHolder* copy = light->GetBackgroundTexture();
    own->SetTexture("Background", copy ? copy->Get() : nullptr);
    own->SetTechnique("DrawGlowScreen");
  } else {
    own->SetTechnique("DrawGlowNormal");
  }
  ID3DXEffect* raw = own;
  light->DrawGeometry(light->GetScreenQuad(), &raw);
}

void ZVI_PSTree_Leaf::Draw(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context,
                           int* pass) {
  if (NeedsBackground() != 0 && context && pass) context->BackgroundStep(pass, false);
  MeshRecord* b = mesh ? mesh->Batch((*index)++) : nullptr;
  // A root without an effect, or an empty batch, draws nothing.
  if (!b || !effect || b->triangleCount <= 0) return;
  if (glowMode.value > 0) DrawGlow(b, effect, context);
  effect->SetTexture("Texture0", Frame());
  b->DrawBatchWithEffect24(effect, Technique());
}

void ZVI_PSTree_Leaf::ReadLeafRecord(DS_IOF_Archive& ar) {
  zvi_string className;
  int32_t version = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&version);
  ReadRecord(ar, version);
}

void ZVI_PSTree_Leaf::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadFileLink3(ar, effect);
  if (version <= 1) {
    // An old named link block: a resource-id source is made from it.
    auto* source = new ZVI_ResIDTex;
    ReadNamedFileLinkData(ar, *source);
    texture.value = DS_SafePtr<ZVI_TextureSRC>(source);
    texture.speed.Read(ar);
    ar.ReadInt(&texture.reverse.value);
  } else {
    texture.ReadRecord(ar);
  }
  ReadRaw(ar, flipVertical);
  ReadRaw(ar, flipHorizontal);
  ReadRaw(ar, quadSize);
  ReadColorSetParams(ar, colors);
  ReadRaw(ar, blendMode);
  ReadRaw(ar, glowMode);
  ar.ReadUInt(&glow.quality.value);
  ar.ReadUInt(&glowColor.value);
  glowBrightness.Read(ar);
  ReadRaw(ar, glowBlur);
  if (version == 3) {
    stretch.value.Read(ar);
    stretch.jitter.Read(ar);
  } else if (version >= 4) {
    ReadJitterGraphParam(ar, stretch);
  }
  if (version >= 3) {
    ar.ReadUInt(&stretchDirection.value);
    stretchDirection.Recompute();
  }
  if (version >= 5) {
    anchorX.Read(ar);
    anchorY.Read(ar);
  } else {
    anchorX.SetValue(50u);
    anchorY.SetValue(50u);
  }
  ReadPSTreeNodeRecord(ar, *this);
}

// --- trace ---

ZVI_PSTree_Trace::Trail& ZVI_PSTree_Trace::TrailOf(const ParticlePtr& parent) {
  auto it = trailIndex_.find(parent.get());
  if (it != trailIndex_.end()) return trails[it->second];
  trailIndex_.emplace(parent.get(), trails.size());
  trails.push_back(Trail{parent, {}});
  return trails.back();
}

void ZVI_PSTree_Trace::Generate(const ParticlePtr& parent) {
  if (!parent) return;
  AddTrailPoint(parent, TrailOf(parent));
}

ParticlePtr ZVI_PSTree_Trace::MakeTrailPoint(float distance, const ParticlePtr& parent) {
  ParticlePtr point(new Particle);
  point->AddTransform(new PtclTr_MaxAge(trailLife.value));
  point->AddTransform(new PtclTr_Color(&colors, crt_rand01()));
  point->AddTransform(new PtclTr_AgeTransform(1, &sizeEnvelope));
  point->AddTransform(new PtclTr_AgeTransform(2, &opacityEnvelope));
  const float age = parent->age;
  point->AddTransform(new PtclTr_PrmMultiplicator(1, geometry ? geometry->sizeEnvelope.Evaluate(age) : 1.0f));
  point->AddTransform(new PtclTr_PrmMultiplicator(2, geometry ? geometry->alphaEnvelope.Evaluate(age) : 1.0f));
  point->position = parent->GetWorldPosition();
  point->heading = parent->heading;
  point->velocity = parent->velocity;
  point->texScaleOffset[0] = distance;
  return point;
}

void ZVI_PSTree_Trace::AddTrailPoint(const ParticlePtr& parent, Trail& trail) {
  const D3DXVECTOR3 at = parent->GetWorldPosition();
  ParticleVector& points = trail.points;
  if (points.size() >= 2) {
    const D3DXVECTOR3 d = at - points[points.size() - 2]->position;
    const float distance = D3DXVec3Length(&d);
    if (distance < kTrailSpacing) {
      Particle* newest = points.back().get();
      newest->position = at;
      newest->heading = parent->heading;
      newest->velocity = parent->velocity;
      newest->texScaleOffset[0] = distance;
      return;
    }
    points.push_back(MakeTrailPoint(distance, parent));
    return;
  }
  points.push_back(MakeTrailPoint(0.0f, parent));
}

int32_t ZVI_PSTree_Trace::Step(float dt, const ParticleVector& parents) {
  texture.Advance(dt);
  for (const ParticlePtr& parent : parents) {
    if (parent) AddTrailPoint(parent, TrailOf(parent));
  }
  size_t kept = 0;
  for (size_t i = 0; i < trails.size(); ++i) {
    Trail& trail = trails[i];
    StepParticleVector(trail.points, dt);
    const bool gone = trail.points.empty() && (!trail.parent || trail.parent->IsDead());
    if (gone) continue;
    if (kept != i) trails[kept] = std::move(trail);
    ++kept;
  }
  if (kept != trails.size()) {
    trails.resize(kept);
    trailIndex_.clear();
    for (size_t i = 0; i < trails.size(); ++i) trailIndex_[trails[i].parent.get()] = i;
  }
  return 1;
}

void ZVI_PSTree_Trace::Clear() {
  trails.clear();
  trailIndex_.clear();
  ZVI_PSTree_Leaf::Clear();
}

void ZVI_PSTree_Trace::Fill(ZVI_PtclSys_Mesh* mesh, int32_t* index) {
  int64_t quads = 0;
  for (const Trail& t : trails) {
    if (t.points.size() >= 2) quads += static_cast<int64_t>(t.points.size()) - 1;
  }
  const auto n = static_cast<int32_t>(std::min<int64_t>(quads, 1 << 24));
  MeshRecord* b = FitBatch(mesh, index, n);
  if (!b || n == 0) return;
  auto* v = static_cast<DX_V::PCT*>(b->LockVertices());
  if (!v) {
    b->triangleCount = 0;
    return;
  }
  const float size = static_cast<float>(quadSize.value);
  const float across = size * size * Aspect();
  // Without a quad size or an aspect the texture does not run along.
  const float vScale = across != 0.0f && std::isfinite(across) ? 1.0f / across : 0.0f;
  const float opacity = OpacityByte();
  int32_t q = 0;
  for (const Trail& t : trails) {
    if (t.points.size() < 2) continue;
    const float chain = t.parent ? std::min(1.0f, t.parent->GetWorldAlpha()) : 1.0f;
    const D3DXMATRIX scale = t.parent ? t.parent->scaleMatrix : D3DXMATRIX();
    float along = 0.0f;
    for (size_t i = 1; i < t.points.size() && q < n; ++i, ++q) {
      const Particle& e = *t.points[i - 1];
      const Particle& g = *t.points[i];
      const float we = e.size * size, wg = g.size * size;
      const float ae = opacity * std::min(1.0f, e.alpha) * chain;
      const float ag = opacity * std::min(1.0f, g.alpha) * chain;
      const D3DXVECTOR3 se(-e.heading.y * we, e.heading.x * we, 0.0f);
      const D3DXVECTOR3 sg(-g.heading.y * wg, g.heading.x * wg, 0.0f);
      const D3DXVECTOR3 pe = e.GetWorldPosition(), pg = g.GetWorldPosition();
      const float vFrom = along;
      along += g.texScaleOffset[0] * vScale;
      const D3DXVECTOR3 at[4] = {pg + sg, pe + se, pg - sg, pe - se};
      const float alphas[4] = {ag, ae, ag, ae};
      const float uv[4][2] = {{1, along}, {1, vFrom}, {0, along}, {0, vFrom}};
      for (int j = 0; j < 4; ++j) {
        const D3DXVECTOR3 c = t.parent ? PointBy(at[j], scale) : at[j];
        v[4 * q + j] = DX_V::PCT{c.x, c.y, c.z, Colour(alphas[j], e.color), uv[j][0], uv[j][1]};
      }
    }
  }
  b->UnlockVertices();
}

void ZVI_PSTree_Trace::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadFloat(&trailLife.value);
  ReadScaledParamGroup(ar, sizeEnvelope);
  ReadScaledParamGroup(ar, opacityEnvelope);
  ReadLeafRecord(ar);
}

// --- balloon ---

ZVI_PartyBalloon::ZVI_PartyBalloon() {
  lightMap1Opacity.SetScaleOffset(0.01f, 0.0f);
  lightMap2Opacity.SetScaleOffset(0.01f, 0.0f);
}

void ZVI_PartyBalloon::Draw(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context,
                            int* pass) {
  MeshRecord* b = mesh ? mesh->Batch((*index)++) : nullptr;
  if (!b || !effect || b->triangleCount <= 0) return;
  effect->SetTexture("Texture0", Frame(0));
  effect->SetTexture("Texture1", Frame(1));
  effect->SetTexture("Texture2", Frame(2));
  const float opacities[3] = {1.0f, lightMap1Opacity.derived, lightMap2Opacity.derived};
  effect->SetFloatArray("LightMapsOpacity", opacities, 3);
  b->DrawBatchWithEffect24(effect, "PartyBalloon");
}

void ZVI_PartyBalloon::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  lightMap1Opacity.Read(ar);
  lightMap2Opacity.Read(ar);
  ReadLeafRecord(ar);
}
