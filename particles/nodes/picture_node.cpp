#include "particles/nodes/picture_node.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/archive.h"
#include "core/colour_params.h"
#include "core/crt.h"
#include "core/thread_slots.h"
#include "geometry/stripe_mesh.h"
#include "particles/nodes/particle_system.h"
#include "particles/nodes/transforms.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"

namespace {

// Linear filter for minifying and magnifying, with a mip chain.
constexpr DWORD kPictureFilter = 0x70004;
constexpr DWORD kSpriteFilter = 1;

D3DXVECTOR3 PointBy(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

D3DXVECTOR3 DirectionBy(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformNormal(&out, &v, &m);
  return out;
}

// The radial glow's rounding: 255 at 1 or more, 0 at 0 or less.
uint32_t UnitToByte(float v) {
  if (v >= 1.0f) return 255;
  if (!(v > 0.0f)) return 0;
  return static_cast<uint32_t>(v * 255.0f + 0.5f);
}

// Four corners around a centre: -u+v, -u-v, +u+v, +u-v.
void Corners(const D3DXVECTOR3& p, const D3DXVECTOR3& hu, const D3DXVECTOR3& hv, D3DXVECTOR3 out[4]) {
  out[0] = p - hu + hv;
  out[1] = p - hu - hv;
  out[2] = p + hu + hv;
  out[3] = p + hu - hv;
}

// Rebuilds a quad batch when its capacity or its count no longer fits.
void FitQuadBatch(MeshRecord& b, int32_t n) {
  if (b.triangleCapacity < 2 * n || b.triangleCount != 2 * n || !b.vertexBuffer) b.PrepareQuadBatch(n);
  b.triangleCount = 2 * n;
}


void ReadRaw(DS_IOF_Archive& ar, MediaParamT<int>& p) { ar.ReadInt(&p.value); }
void ReadRaw(DS_IOF_Archive& ar, MediaParamT<unsigned int>& p) { ar.ReadUInt(&p.value); }
void SkipDword(DS_IOF_Archive& ar) {
  uint32_t unused = 0;
  ar.ReadUInt(&unused);
}

// The blur-surface compose of the glow and the shadow.
void ComposeBlur(DS_2D_Light* light, ZVI_BlurSurface& blur, uint32_t colour, float brightness, const char* technique,
                 bool background) {
  ID3DXEffect* e = blur.effect.Get();
  e->SetTexture("GlowTexture", blur.targetA.Get());
  const float rgb[3] = {static_cast<float>(colour & 0xFF) / 255.0f, static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                        static_cast<float>((colour >> 16) & 0xFF) / 255.0f};
  e->SetFloatArray("GlowColor", rgb, 3);
  e->SetFloat("GlowBrightness", brightness);
  if (background) {
    TextureHolder* copy = light->GetBackgroundTexture();
    e->SetTexture("Background", copy ? copy->Get() : nullptr);
  }
  e->SetTechnique(technique);
  ID3DXEffect* raw = e;
  light->DrawGeometry(light->GetScreenQuad(), &raw);
}

}  // namespace

ID3DXEffect* PackEffect(std::u16string_view askingClass, const DS_FileLink3& link) {
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return nullptr;
  ID3DXEffect* e = nullptr;
  manager->GetEffect(&e, askingClass, link);
  return e;
}

uint32_t QuadColour(COLORREF tint, uint8_t tintAlpha, const D3DXVECTOR3& colour, float worldAlpha) {
  const uint32_t r = TruncatedLowByte(static_cast<float>(tint & 0xFF) * colour.x);
  const uint32_t g = TruncatedLowByte(static_cast<float>((tint >> 8) & 0xFF) * colour.y);
  const uint32_t b = TruncatedLowByte(static_cast<float>((tint >> 16) & 0xFF) * colour.z);
  const float alpha = worldAlpha > 1.0f ? 1.0f : worldAlpha;
  const uint32_t a = TruncatedLowByte(alpha * static_cast<float>(tintAlpha));
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// --- rotation effect ---

ZVI_PtclSysEffect_Rotation::ZVI_PtclSysEffect_Rotation() : angle(new JitterAngle), phase(crt_rand01()) {}

ZVI_PtclSysEffect_Rotation::ZVI_PtclSysEffect_Rotation(const ZVI_PtclSysEffect_Rotation& other)
    : ZVI_ParticlSystem_Effect(other), angle(other.angle), phase(crt_rand01()) {}

bool ZVI_PtclSysEffect_Rotation::ApplyEffect(EffectContext& context, Particle* particle) {
  const float a = angle ? angle->value.derived : 0.0f;
  const float s = angle ? angle->jitter.derived : 0.0f;
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, -(a + s * (2.0f * phase - 1.0f)));
  particle->modifier1 = particle->modifier1 * turn;
  return true;
}

// --- options ---

void AttachBlurSurface(ZVI_BlurSurface& blur) {
  if (RenderContext* rc = CurrentRenderContext()) {
    blur.fullWidth = static_cast<UINT>(rc->sceneSize.x);
    blur.fullHeight = static_cast<UINT>(rc->sceneSize.y);
  }
  if (blur.fullWidth != 0 && blur.fullHeight != 0) {
    blur.ComputeTargetSize();
    blur.CreateTargets();
  }
  blur.LoadEffect(DS_HLSLEffectFile(zvi_string(u"common_res.dll"), 202));
}

ZVI_PtclSysOption_Glow::ZVI_PtclSysOption_Glow() : ZVI_PtclSys_Option(u"Outer Glow") {
  brightness.SetScaleOffset(0.02f, 0.0f, 100u);
  blur.quality.value = 50;
}

void ZVI_PtclSysOption_Glow::ReadRecord(DS_IOF_Archive& ar) {
  SkipDword(ar);
  ReadRaw(ar, enabled);
  ar.ReadWideString(&name);
  SkipDword(ar);
  ReadRaw(ar, mode);
  ReadRaw(ar, blurPasses);
  ReadRaw(ar, color);
  brightness.Read(ar);
  ar.ReadUInt(&blur.quality.value);
}

void ZVI_PtclSysOption_Glow::AttachOption() { AttachBlurSurface(blur); }

const char* ZVI_PtclSysOption_Glow::Technique(int32_t mode, bool backgroundCopy) {
  if (backgroundCopy) {
    if (mode == 1) return "DrawGlowScreen";
    if (mode == 2) return "DrawGlowColorDodge";
    if (mode == 3) return "DrawGlowLinearDodge";
  }
  return "DrawGlowNormal";
}

ZVI_PtclSysOption_RadialGlow::ZVI_PtclSysOption_RadialGlow() : ZVI_PtclSys_Option(u"Radial Glow") {
  size.SetScaleOffset(0.01f, 0.0f, 50u);
  std::unique_ptr<ZVI_TextureSRC> circle = CreateDefaultByName<ZVI_TextureSRC>(u"ZVI_SoftCircleTex");
  source = DS_SafePtr<ZVI_TextureSRC>(circle.release());
  texture.value = source;
  textureControl.Attach(&texture);
}

void ZVI_PtclSysOption_RadialGlow::ReadRecord(DS_IOF_Archive& ar) {
  SkipDword(ar);
  ReadRaw(ar, enabled);
  ar.ReadWideString(&name);
  SkipDword(ar);
  size.Read(ar);
  ReadRaw(ar, blendMode);
  ar.ReadUInt(&color.value);
  color.transparency.Read(ar);
  source = ReadTextureSRC(ar);
  texture.value = source;
}

void ZVI_PtclSysOption_RadialGlow::AttachOption() {
  effect.Attach(PackEffect(u"ZVI_PtclSysOption_RadialGlow", DS_HLSLEffectFile(zvi_string(u"common_res.dll"), 185)));
  UpdateTexture();
}

void ZVI_PtclSysOption_RadialGlow::UpdateTexture() {
  if (!source) return;
  texture.Resolve(kSpriteFilter);
  texture.PremultiplyTextures();
}

void ZVI_PtclSysOption_RadialGlow::Fill(ZVI_PtclSys_Obj* object, int32_t* index, const ParticleVector& particles,
                                        float particleSize) {
  if (enabled.value == 0) return;
  MeshRecord* b = object->Batch((*index)++);
  if (!b) return;
  const auto n = static_cast<int32_t>(particles.size());
  FitQuadBatch(*b, n);
  const float d = size.derived * particleSize;
  auto* v = static_cast<BandVertex*>(b->LockVertices());
  if (!v) {
    b->triangleCount = 0;
    return;
  }
  const float r = static_cast<float>(color.value & 0xFF) / 255.0f;
  const float g = static_cast<float>((color.value >> 8) & 0xFF) / 255.0f;
  const float bl = static_cast<float>((color.value >> 16) & 0xFF) / 255.0f;
  const float a = static_cast<float>(color.Alpha()) / 255.0f;
  static const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (int32_t k = 0; k < n; ++k) {
    const Particle* p = particles[static_cast<size_t>(k)].get();
    BandVertex* q = v + 4 * k;
    if (!p) {
      std::fill(q, q + 4, BandVertex{});
      continue;
    }
    const D3DXMATRIX w = p->GetWorldMatrix();
    D3DXVECTOR3 c[4];
    Corners(PointBy(D3DXVECTOR3(0, 0, 0), w), DirectionBy(D3DXVECTOR3(d, 0, 0), w) * 0.5f,
            DirectionBy(D3DXVECTOR3(0, d, 0), w) * 0.5f, c);
    const uint32_t colour = (UnitToByte(p->GetWorldAlpha() * a) << 24) | (UnitToByte(r) << 16) |
                            (UnitToByte(g) << 8) | UnitToByte(bl);
    for (int i = 0; i < 4; ++i) {
      q[i] = BandVertex{c[i].x, c[i].y, c[i].z, colour, uv[i][0], uv[i][1], uv[i][0], uv[i][1]};
    }
  }
  b->UnlockVertices();
  object->filled[static_cast<size_t>(*index - 1)] = 1;
}

ZVI_PtclSysOption_Blur::ZVI_PtclSysOption_Blur(const char16_t* optionName) : ZVI_PtclSys_Option(optionName) {
  brightness.SetScaleOffset(0.01f, 0.0f, 50u);
  blur.quality.value = 50;
}

ZVI_PtclSysOption_Shadow::ZVI_PtclSysOption_Shadow() : ZVI_PtclSysOption_Blur(u"Shadow") {
  distance.value.SetValue(10u);
  angle.SetValue(315u);
}

void ZVI_PtclSysOption_Shadow::ReadRecord(DS_IOF_Archive& ar) {
  SkipDword(ar);
  SkipDword(ar);
  SkipDword(ar);
  ReadRaw(ar, enabled);
  ar.ReadWideString(&name);
  ar.ReadUInt(&blur.quality.value);
  ReadRaw(ar, color);
  ReadRaw(ar, blurPasses);
  brightness.Read(ar);
  ReadJitterGraphParam(ar, distance);
  ReadScaledValue(ar, angle);
}

void ZVI_PtclSysOption_Shadow::AttachOption() { AttachBlurSurface(blur); }

D3DXVECTOR3 ZVI_PtclSysOption_Shadow::Offset() const {
  float g = 1.0f;
  if (ZVI_VGraph* graph = distance.graph.Graph()) {
    int32_t cursor = 1;
    g = graph->ValueAt(0.0f, cursor);
  }
  const float e = g * distance.jitter.derived * distance.value.derived;
  return D3DXVECTOR3(e * angle.direction.x, e * angle.direction.y, e * angle.direction.z);
}

// --- picture node ---

ZVI_PtclSysNode_Picture::ZVI_PtclSysNode_Picture() {
  physics = CreateDefaultPhysics(u"ZVI_PtclSysPhys_ConstPntGroup");
}

int32_t ZVI_PtclSysNode_Picture::Columns() const {
  const ZVI_TextureSRC* s = texture.value.get();
  return s && s->atlasColumns >= 1 ? static_cast<int32_t>(std::min<uint32_t>(s->atlasColumns, 0x7FFFFFFF)) : 1;
}

int32_t ZVI_PtclSysNode_Picture::Rows() const {
  const ZVI_TextureSRC* s = texture.value.get();
  return s && s->atlasRows >= 1 ? static_cast<int32_t>(std::min<uint32_t>(s->atlasRows, 0x7FFFFFFF)) : 1;
}

IDirect3DTexture9* ZVI_PtclSysNode_Picture::CurrentFrame() const {
  return texture.images.empty() ? nullptr : texture.images.front().CurrentTexture();
}

void ZVI_PtclSysNode_Picture::Attach(ZVI_PtclSys_Constructor* controller) {
  ZVI_PtclSys_Node::Attach(controller);
  effect.Attach(PackEffect(EffectClass(), effectLink));
  UpdateTexture();
  glow.AttachOption();
  radialGlow.AttachOption();
  shadow.AttachOption();
}

void ZVI_PtclSysNode_Picture::UpdateTexture() {
  if (!texture.value) return;
  texture.Resolve(kPictureFilter);
  texture.PremultiplyTextures();
  if (texture.images.empty()) return;
  const ImageFrameSet& first = texture.images.front();
  const int32_t columns = Columns();
  // An image of width 0 leaves the size as it is (no division by 0).
  if (particleSize.value == 0 && first.imageWidth > 0) {
    particleSize.value = first.imageWidth / static_cast<uint32_t>(columns);
  }
  axisV.y = static_cast<float>(columns) * first.aspect / static_cast<float>(Rows());
}

void ZVI_PtclSysNode_Picture::ResetNode() {
  ZVI_PtclSysNode_Emitter::ResetNode();
  texture.speed.elapsed = 0.0f;
  texture.speed.step = 0.0f;
  for (ImageFrameSet& set : texture.images) set.ResetAnimation();
}

void ZVI_PtclSysNode_Picture::DepthSort() {
  if (!physics) return;
  ParticleVector& v = physics->particles;
  std::vector<std::pair<float, ParticlePtr>> keyed;
  keyed.reserve(v.size());
  for (ParticlePtr& p : v) keyed.emplace_back(p ? p->GetWorldPosition().z : NAN, std::move(p));
  // Largest z first; NaN after every number (a strict weak order).
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    const bool an = std::isnan(a.first), bn = std::isnan(b.first);
    if (an || bn) return !an && bn;
    return a.first > b.first;
  });
  for (size_t i = 0; i < v.size(); ++i) v[i] = std::move(keyed[i].second);
}

int32_t ZVI_PtclSysNode_Picture::Step(float dt, const ParticleVector* sources) {
  if (visible.value == 0) return ZVI_PtclSysNode_Emitter::Step(dt, sources);
  texture.Advance(dt);
  if (NeedsDepthSort()) DepthSort();
  return ZVI_PtclSysNode_Emitter::Step(dt, sources) + 1 + (radialGlow.enabled.value != 0 ? 1 : 0);
}

void ZVI_PtclSysNode_Picture::SetupParticle(Particle* particle) {
  ZVI_PtclSysNode_Emitter::SetupParticle(particle);
  particle->AddTransform(new PtclTr_InheritAge);
  particle->AddTransform(new RotationEffect(rotation));
  const int32_t columns = Columns();
  const int32_t rows = Rows();
  if (!texture.images.empty() && static_cast<int64_t>(columns) * rows > 1 && texture.value) {
    const int32_t mode = texture.value->atlasMode.value;
    if (mode == 0) {
      particle->AddTransform(new PtclTr_TexAtlasAnimation(columns, rows, &texture.speed, &atlasLoop));
    } else if (mode == 1) {
      particle->atlasCell[0] = static_cast<float>(crt_rand() % columns);
      particle->atlasCell[2] = static_cast<float>(crt_rand() % rows);
    }
  }
  particle->flags |= ParticleFlags::ParentRelative;
  particle->birthMatrix = particle->GetWorldMatrix();
}

void ZVI_PtclSysNode_Picture::FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) {
  filledBatches_ = 0;
  if (visible.value == 0) {
    FillChildren(object, index);
    return;
  }
  if (childrenAfter.value == 0) FillChildren(object, index);
  drawFlags &= ~1u;
  const int32_t i = (*index)++;
  filledBatches_ = 1;
  MeshRecord* b = object->Batch(i);
  static const ParticleVector none;
  const ParticleVector& particles = physics ? physics->particles : none;
  const float s = static_cast<float>(particleSize.value);
  if (b) {
    const auto n = static_cast<int32_t>(particles.size());
    FitQuadBatch(*b, n);
    auto* v = static_cast<BandVertex*>(b->LockVertices());
    if (v) {
      const ImageFrameSet* first = texture.images.empty() ? nullptr : &texture.images.front();
      const float columns = static_cast<float>(Columns());
      const float rows = static_cast<float>(Rows());
      const D3DXVECTOR3 cellOffset = texture.value ? texture.value->cellOffset.value : D3DXVECTOR3(0, 0, 0);
      // Without an image width the cell offset is not scaled (no division by 0).
      const float l = first && first->imageWidth > 0 ? s / static_cast<float>(first->imageWidth) : 0.0f;
      const D3DXVECTOR3 centre(columns * cellOffset.x * l, rows * cellOffset.y * l, cellOffset.z * l);
      const float du = (first ? first->uScale : 1.0f) / columns;
      const float dv = (first ? first->vScale : 1.0f) / rows;
      RenderContext* rc = CurrentRenderContext();
      const float sceneW = rc && rc->sceneSize.x > 0 ? rc->sceneSize.x : 1.0f;
      const float sceneH = rc && rc->sceneSize.y > 0 ? rc->sceneSize.y : 1.0f;
      const COLORREF tintColour = tint.value;
      const uint8_t tintAlpha = tint.Alpha();
      for (int32_t k = 0; k < n; ++k) {
        const Particle* p = particles[static_cast<size_t>(k)].get();
        BandVertex* q = v + 4 * k;
        if (!p) {
          std::fill(q, q + 4, BandVertex{});
          continue;
        }
        const D3DXVECTOR3 u1 = s * axisU * p->scale.x;
        const D3DXVECTOR3 v1 = s * axisV * p->scale.y;
        const D3DXMATRIX w = p->GetWorldMatrix();
        D3DXVECTOR3 c[4];
        Corners(PointBy(centre, w), DirectionBy(u1, w) * 0.5f, DirectionBy(v1, w) * 0.5f, c);
        const uint32_t colour = QuadColour(tintColour, tintAlpha, p->color, p->GetWorldAlpha());
        const float x = p->atlasCell[0], y = p->atlasCell[2];
        float uA = x * du + p->texWindow[0] * du, uB = x * du + p->texWindow[1] * du;
        float vA = y * dv + p->texWindow[2] * dv, vB = y * dv + p->texWindow[3] * dv;
        if (flipHorizontal.value != 0) std::swap(uA, uB);
        if (flipVertical.value != 0) std::swap(vA, vB);
        const float tex[4][2] = {{uA, vB}, {uA, vA}, {uB, vB}, {uB, vA}};
        for (int j = 0; j < 4; ++j) {
          q[j] = BandVertex{c[j].x, c[j].y, c[j].z, colour, tex[j][0], tex[j][1], tex[j][0], tex[j][1]};
        }
        if (p->flags & ParticleFlags::BackgroundTexture) {
          drawFlags |= 1u;
          D3DXVECTOR3 screen[4];
          Corners(PointBy(centre, p->birthMatrix), DirectionBy(s * axisU * 0.5f, p->birthMatrix),
                  DirectionBy(s * axisV * 0.5f, p->birthMatrix), screen);
          for (int j = 0; j < 4; ++j) {
            q[j].u1 = screen[j].x / sceneW;
            q[j].v1 = screen[j].y / sceneH;
          }
        }
      }
      b->UnlockVertices();
      object->filled[static_cast<size_t>(i)] = 1;
    } else {
      // Nothing written: nothing to draw.
      b->triangleCount = 0;
    }
  }
  if (radialGlow.enabled.value != 0) {
    radialGlow.Fill(object, index, particles, s);
    filledBatches_ = 2;
  }
  if (childrenAfter.value == 1) FillChildren(object, index);
}

void ZVI_PtclSysNode_Picture::DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) {
  if (filledBatches_ == 0) {
    DrawChildren(object, index, context, pass);
    return;
  }
  IDirect3DTexture9* frame = CurrentFrame();
  bool wrap = false;
  for (const EffectPtr& e : effects.value) wrap = wrap || (e && e->ScrollsTexture());
  if (childrenAfter.value == 0) DrawChildren(object, index, context, pass);
  const int32_t i = (*index)++;
  MeshRecord* b = object->Batch(i);
  ID3DXEffect* e = effect.Get();
  // A picture without a frame, an unfilled batch or a missing effect draws
  // nothing of its own; the indices stay in step with the fill.
  bool stepped = false;
  if (b && frame && e && object->filled[static_cast<size_t>(i)]) {
    e->SetTexture("Texture0", frame);
    std::string technique = blendSum.value != 0 ? "BlendSum" : "BlendNormal";
    if (drawFlags & 1u) {
      TextureHolder* background = context ? context->GetBackgroundTexture() : nullptr;
      e->SetTexture("Texture1", background ? background->Get() : nullptr);
    } else {
      e->SetTexture("Texture1", frame);
      technique += "_PMTexture";
    }
    auto* light = dynamic_cast<DS_2D_Light*>(context);
    if (light && shadow.enabled.value != 0 && shadow.blur.effect && shadow.blur.Begin(light)) {
      const D3DXVECTOR3 o = shadow.Offset();
      D3DXMATRIX t;
      D3DXMatrixTranslation(&t, o.x, o.y, o.z);
      const D3DXMATRIX saved = b->world;
      b->world = t * saved;
      b->DrawBatchWithEffect(e, "BlendNormal_AlphaPM", wrap);
      b->world = saved;
      shadow.blur.GaussianBlur(light, shadow.blurPasses.value);
      ComposeBlur(light, shadow.blur, shadow.color.value, shadow.brightness.derived, "DrawGlowNormal", false);
    }
    if (glow.enabled.value != 0) {
      stepped = StepBackground(context, pass);
    }
    if (light && glow.enabled.value != 0 && glow.blur.effect) {
      if (glow.blur.Begin(light)) {
        b->DrawBatchWithEffect(e, "BlendNormal_AlphaPM", wrap);
        glow.blur.GaussianBlur(light, glow.blurPasses.value);
        const bool copy = glow.mode.value >= 1 && glow.mode.value <= 3 && light->HasBackgroundCopy();
        ComposeBlur(light, glow.blur, glow.color.value, glow.brightness.derived,
                    ZVI_PtclSysOption_Glow::Technique(glow.mode.value, light->HasBackgroundCopy()), copy);
      }
    }
    b->DrawBatchWithEffect(e, technique.c_str(), wrap);
  }
  // The background pass the glow asked for is taken even when nothing of
  // the node is drawn, so that the slide's chain of passes still ends.
  if (!stepped && glow.enabled.value != 0) StepBackground(context, pass);
  if (filledBatches_ == 2) {
    const int32_t j = (*index)++;
    MeshRecord* r = object->Batch(j);
    ID3DXEffect* re = radialGlow.effect.Get();
    if (r && re && object->filled[static_cast<size_t>(j)]) {
      IDirect3DTexture9* sprite =
          radialGlow.texture.images.empty() ? nullptr : radialGlow.texture.images.front().CurrentTexture();
      re->SetTexture("Texture0", sprite);
      r->DrawBatchWithEffect(re, radialGlow.Technique(), false);
    }
  }
  if (childrenAfter.value == 1) DrawChildren(object, index, context, pass);
}

bool ZVI_PtclSysNode_Picture::StepBackground(DS_ABRender* context, int* pass) {
  if (context && pass && PassCount() != 0) context->BackgroundStep(pass, false);
  return true;
}

int32_t ZVI_PtclSysNode_Picture::PassCount() {
  int32_t sum = ZVI_PtclSys_Node::PassCount();
  if (glow.enabled.value != 0 && glow.mode.value > 0) ++sum;
  return sum;
}

void ZVI_PtclSysNode_Picture::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadFileLink3(ar, effectLink);
  texture.ReadRecord(ar);
  ReadRaw(ar, particleSize);
  ReadRaw(ar, flipVertical);
  ReadRaw(ar, flipHorizontal);
  if (version >= 6) {
    ar.ReadUInt(&tint.value);
    tint.transparency.Read(ar);
  } else {
    ColorSetParams unused;
    ReadColorSetParams(ar, unused);
  }
  if (version >= 4 && version <= 9) glow.ReadRecord(ar);
  if (version >= 5) ReadRaw(ar, blendSum);
  if (version >= 7 && version <= 9) radialGlow.ReadRecord(ar);
  if (version == 9) shadow.ReadRecord(ar);
  if (version >= 10) {
    SkipDword(ar);
    SkipDword(ar);
    glow.ReadRecord(ar);
    radialGlow.ReadRecord(ar);
    shadow.ReadRecord(ar);
  }
  if (version >= 11) {
    zvi_string className;
    int32_t rotationVersion = 0;
    ar.ReadWideString(&className);
    ar.ReadInt(&rotationVersion);
    ReadJitterAngle(ar, rotation.angle);
    rotation.ReadBaseRecord(ar);
    ReadRaw(ar, atlasLoop);
  }
  if (version >= 12) ReadRaw(ar, childrenAfter);
  if (version >= 13) ReadRaw(ar, visible);
  if (version == 1) {
    ZVI_PtclSysNode_Emitter::ReadRecord(ar, version);
  } else {
    ReadEmitterRecord(ar);
  }
}

ZVI_PtclSysNodePic_TexDynamic::ZVI_PtclSysNodePic_TexDynamic() { textureControl.Attach(&texture); }

void ZVI_PtclSysNodePic_TexDynamic::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  zvi_string className;
  int32_t pictureVersion = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&pictureVersion);
  ZVI_PtclSysNode_Picture::ReadRecord(ar, pictureVersion);
}
