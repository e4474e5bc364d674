#include "particles/imitters/classic_params.h"
#include "particles/imitters/imitters.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/smart_values.h"
#include "core/thread_slots.h"
#include "particles/imitters/particle_system.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "player/current_device.h"
#include "player/ds_ab_render.h"
#include "player/render_context.h"
#include "player/render_surfaces.h"
#include "player/slide_render_context.h"

namespace {

void ReadInt(DS_IOF_Archive& ar, MediaParamT<int32_t>& param) {
  int32_t v = 0;
  ar.ReadInt(&v);
  param.SetValue(v);
}

void ReadUnsigned(DS_IOF_Archive& ar, MediaParamT<unsigned int>& param) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  param.SetValue(v);
}

// The envelope rule of the size and alpha factors; a non-positive span
// leaves the value as it is.
float Envelope(float value, const ClassicParticle& p, const LifeEnvelopeParams& env) {
  const float span = p.LifeSpan();
  if (!(span > 0.0f)) return value;
  const float f = p.Age() / span;
  const float i = env.fadeInEnd.derived;
  const float o = env.fadeOutStart.derived;
  if (i > f) return value * ((f / i) * (1.0f - env.startFactor.derived) + env.startFactor.derived);
  if (f > o) return value * (((1.0f - f) / (1.0f - o)) * (1.0f - env.endFactor.derived) + env.endFactor.derived);
  return value;
}

uint8_t UnitByte(float v) {
  v = std::clamp(v, 0.0f, 1.0f);
  if (!(v == v)) v = 0.0f;
  return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

void CopyVariation(VariationParams& to, const VariationParams& from) {
  to.mode.SetValue(from.mode.value);
  to.frequency.SetValue(from.frequency.value);
  to.amplitude.SetValue(from.amplitude.value);
}

}  // namespace

ClassicDeviceParts::ClassicDeviceParts() = default;
ClassicDeviceParts::ClassicDeviceParts(const ClassicDeviceParts&) {}
ClassicDeviceParts::~ClassicDeviceParts() = default;

void SetQuadVertexColor(COLORREF c, DX_V::PCT* quad, float alpha) {
  const uint32_t r = UnitByte(static_cast<float>(c & 0xFF) / 255.0f);
  const uint32_t g = UnitByte(static_cast<float>((c >> 8) & 0xFF) / 255.0f);
  const uint32_t b = UnitByte(static_cast<float>((c >> 16) & 0xFF) / 255.0f);
  const uint32_t a = UnitByte(alpha / 255.0f);
  const D3DCOLOR packed = (a << 24) | (r << 16) | (g << 8) | b;
  for (int i = 0; i < 4; ++i) quad[i].color = packed;
}

ClassicParticleParams::ClassicParticleParams() {
  frameSpeed.SetScaleOffset(0.01f, 0.0f, 1u);
  spinSpeed.SetScaleOffset(0.05f, 0.0f, 0u);
  glowLevel.SetScaleOffset(0.02f, 0.0f, 100u);
  gravity.SetScaleOffset(5.0f, 0.0f);
  forwardOscillation.amplitude.SetScaleOffset(1.0f, 0.0f, 50u);
  sideOscillation.amplitude.SetScaleOffset(1.0f, 0.0f, 50u);
}

ClassicParticleParams::~ClassicParticleParams() = default;

void ClassicParticleParams::Assign(const ClassicParticleParams& o) {
  shapeName.SetValue(o.shapeName.value);
  particleImage.SetValue(o.particleImage.value);
  if (effectLink.DiffersFrom(o.effectLink.Key())) {
    effectLink = o.effectLink;
    effectLink.Notify(nullptr);
  }
  frameSpeed.SetValue(o.frameSpeed.value);
  reverseFrames.SetValue(o.reverseFrames.value);
  mirrorV.SetValue(o.mirrorV.value);
  mirrorU.SetValue(o.mirrorU.value);
  colors.colourMode.SetValue(o.colors.colourMode.value);
  colors.pick.SetValue(o.colors.pick.value);
  colors.colours.SetValue(o.colors.colours.value);
  colors.transparency.SetValue(o.colors.transparency.value);
  particleSize.SetValue(o.particleSize.value);
  sizeEnvelope.Assign(o.sizeEnvelope);
  sizeVariation.SetValue(o.sizeVariation.value);
  alphaEnvelope.Assign(o.alphaEnvelope);
  alphaVariation.SetValue(o.alphaVariation.value);
  spinDirection.SetValue(o.spinDirection.value);
  spinSpeed.SetValue(o.spinSpeed.value);
  spinSpread.SetValue(o.spinSpread.value);
  blendMode.SetValue(o.blendMode.value);
  orientation.SetValue(o.orientation.value);
  startAngle.SetValue(o.startAngle.value);
  angleSpread.SetValue(o.angleSpread.value);
  glowMode.SetValue(o.glowMode.value);
  blurQuality.SetValue(o.blurQuality.value);
  glowColorRef.SetValue(o.glowColorRef.value);
  glowLevel.SetValue(o.glowLevel.value);
  blurPasses.SetValue(o.blurPasses.value);
  CopyVariation(alphaOscillation, o.alphaOscillation);
  CopyVariation(sizeOscillation, o.sizeOscillation);
  flags = o.flags;
  gravityDirection.SetValue(o.gravityDirection.value);
  gravity.SetValue(o.gravity.value);
  airResistance.SetValue(o.airResistance.value);
  CopyVariation(forwardOscillation, o.forwardOscillation);
  CopyVariation(sideOscillation, o.sideOscillation);
}

void ClassicParticleParams::Read(DS_IOF_Archive& ar, int32_t v) {
  DS_NamedFileLinkData& image = particleImage.value;
  if (v >= 7) {
    ReadNamedFileLinkData(ar, image);
  } else {
    ReadImageFileLinks(ar, image.links);
    // No link: nothing current rather than a link read from nowhere.
    image.currentLinkName = image.links.empty() ? zvi_string() : image.links.front().name;
    image.currentLinkId = image.links.empty() ? 0 : image.links.front().id;
  }
  ReadFileLink(ar, effectLink);
  frameSpeed.Read(ar);
  ReadInt(ar, reverseFrames);
  ReadInt(ar, mirrorV);
  ReadInt(ar, mirrorU);
  ReadUnsigned(ar, particleSize);
  if (v >= 11) {
    ReadColorSetParams(ar, colors);
  } else {
    uint32_t first = 0;
    ar.ReadDword(&first);
    std::vector<COLORREF> list = colors.colours.value;
    if (list.empty()) list.push_back(first);
    else list[0] = first;
    colors.colours.SetValue(list);
    colors.transparency.Read(ar);
  }
  if (v >= 2) {
    sizeEnvelope.fadeInEnd.Read(ar);
    sizeEnvelope.fadeOutStart.Read(ar);
    alphaEnvelope.fadeInEnd.Read(ar);
    alphaEnvelope.fadeOutStart.Read(ar);
    sizeVariation.Read(ar);
    alphaVariation.Read(ar);
    ReadInt(ar, spinDirection);
    spinSpeed.Read(ar);
    spinSpread.Read(ar);
    ReadInt(ar, blendMode);
  }
  if (v >= 3) {
    sizeEnvelope.startFactor.Read(ar);
    sizeEnvelope.endFactor.Read(ar);
    alphaEnvelope.startFactor.Read(ar);
    // Stored twice; the alpha end factor is never stored.
    alphaEnvelope.startFactor.Read(ar);
  }
  if (v >= 4) {
    ReadInt(ar, orientation);
    ReadUnsigned(ar, startAngle);
    ReadUnsigned(ar, angleSpread);
  } else {
    orientation.SetValue(spinSpeed.value != 0 ? 2 : 0);
    startAngle.SetValue(0u);
    angleSpread.SetValue(0u);
  }
  if (v >= 5) {
    ReadInt(ar, glowMode);
    ReadUnsigned(ar, blurQuality);
    uint32_t colour = 0;
    ar.ReadDword(&colour);
    glowColorRef.SetValue(colour);
    glowLevel.Read(ar);
    ReadInt(ar, blurPasses);
  }
  if (v >= 6) {
    DS_HLSLEffectFile discarded;
    ReadFileLink(ar, discarded);
  }
  if (v >= 8) {
    ReadVariationParams(ar, alphaOscillation);
    ReadVariationParams(ar, sizeOscillation);
  }
  if (v >= 9) {
    ar.ReadInt(&flags);
    ReadInt(ar, gravityDirection);
    gravity.Read(ar);
    airResistance.Read(ar);
  }
  if (v >= 10) {
    ReadVariationParams(ar, forwardOscillation);
    ReadVariationParams(ar, sideOscillation);
  }
}

uint32_t ClassicParticleParams::AtlasColumns() const { return std::max(1u, particleImage.value.atlasColumns); }
uint32_t ClassicParticleParams::AtlasRows() const { return std::max(1u, particleImage.value.atlasRows); }

void ClassicParticleParams::ResolveImages() {
  device.images.clear();
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return;
  const DWORD filter = (flags & kClassicFilterImages) ? D3DX_DEFAULT : D3DX_FILTER_NONE;
  for (const DS_ImageFileLink& link : particleImage.value.links) device.images.push_back(manager->GetImage(link, filter));
}

void ClassicParticleParams::LoadEffects(std::u16string_view askingClass) {
  device.effect = nullptr;
  DS_DocResManager* manager = CurrentDocResManager();
  if (manager) {
    ID3DXEffect* e = nullptr;
    manager->GetEffect(&e, askingClass, effectLink);
    device.effect.Attach(e);
  }
  // The glow's targets are made only for a block that glows.
  device.glow.reset();
  if (glowMode.value <= 0) return;
  device.glow = std::make_unique<ZVI_BlurSurface>();
  device.glow->quality.value = blurQuality.value;
  if (RenderContext* rc = CurrentRenderContext()) {
    device.glow->fullWidth = static_cast<UINT>(std::max(0.0f, rc->sceneSize.x));
    device.glow->fullHeight = static_cast<UINT>(std::max(0.0f, rc->sceneSize.y));
  }
  if (device.glow->fullWidth != 0 && device.glow->fullHeight != 0) {
    device.glow->ComputeTargetSize();
    device.glow->CreateTargets();
  }
  device.glow->LoadEffect();
}

void ClassicParticleParams::AdvanceTime(float now) {
  frameSpeed.Advance(now);
  spinSpeed.Advance(now);
  for (ImageFrameSet& image : device.images) {
    if (reverseFrames.value != 0) image.StepBackward(frameSpeed.elapsed);
    else image.StepForward(frameSpeed.elapsed);
  }
}

void ClassicParticleParams::PickAtlasCell(ClassicParticle& p) const {
  const uint32_t cols = AtlasColumns();
  const uint32_t rows = AtlasRows();
  p.atlasScale[0] = 1.0f / static_cast<float>(cols);
  p.atlasScale[1] = 1.0f / static_cast<float>(rows);
  p.atlasOffset[0] = static_cast<float>(static_cast<uint32_t>(crt_rand()) % cols) / static_cast<float>(cols);
  p.atlasOffset[1] = static_cast<float>(static_cast<uint32_t>(crt_rand()) % rows) / static_cast<float>(rows);
}

void ClassicParticleParams::InitParticle(ClassicParticle& p, const RoutinePtr& lifeController) {
  PickAtlasCell(p);
  if (lifeController) p.SetLifeController(lifeController);
  const float pick = crt_rand01();
  p.AddRoutine(RoutinePtr(new IPR_Color(&colors, pick)), true);
  const float s = spinSpread.derived;
  const float r = crt_rand01() * (1.0f - s) + s;
  p.Factor1() = crt_rand01();
  p.Factor2() = crt_rand01();
  switch (spinDirection.value) {
    case 0: p.Spin() = r; break;
    case 1: p.Spin() = -r; break;
    case 2: p.Spin() = (crt_rand() % 2 == 0) ? r : -r; break;
    default: break;
  }
  const float spread = static_cast<float>(angleSpread.value);
  const float angle = static_cast<float>(startAngle.value) + crt_rand01() * 2.0f * spread - spread;
  D3DXMatrixRotationZ(&p.matrix, -angle * kDegToRadPi / 180.0f);
  AttachRoutineAroundOne(alphaOscillation, 2, p);
  AttachRoutineAroundOne(sizeOscillation, 1, p);
  if (flags & kClassicOffsetOscillations) {
    AttachRoutineAroundZero(forwardOscillation, 4, p);
    AttachRoutineAroundZero(sideOscillation, 5, p);
  }
  if (flags & kClassicPhysics) {
    const float g = gravity.derived;
    if (gravityDirection.value == 1) p.acceleration = D3DXVECTOR3(0.0f, g, 0.0f);
    else if (gravityDirection.value == 2) p.acceleration = D3DXVECTOR3(0.0f, -g, 0.0f);
    if (airResistance.derived > 0.0f) p.AddRoutine(RoutinePtr(new IPR_AirResist(airResistance.derived)), false);
  }
}

float ClassicParticleParams::AlphaFactor(const ClassicParticle& p) const {
  if (flags & kClassicAlphaFactorOnly) return p.Factor2();
  const float a = (1.0f - alphaVariation.derived * p.Factor2()) * p.Multiplier(2);
  return Envelope(a, p, alphaEnvelope);
}

float ClassicParticleParams::SizeFactor(const ClassicParticle& p) const {
  if (flags & kClassicSizeFactorOnly) return p.Factor1();
  const float z = (1.0f - sizeVariation.derived * p.Factor1()) * p.Multiplier(1);
  return Envelope(z, p, sizeEnvelope);
}

const ImageFrameSet* ClassicParticleParams::FirstImage() const {
  if (device.images.empty() || device.images.front().textures.empty()) return nullptr;
  return &device.images.front();
}

void ClassicParticleParams::FillBatch(const ClassicParticleList& list, ZVI_ParticleSystemMech* runtime, uint32_t size,
                                      uint32_t b) {
  if (!runtime) return;
  const ImageFrameSet* image = FirstImage();
  if (!image) {
    runtime->SetCount(b, 0);
    return;
  }
  const uint32_t n = static_cast<uint32_t>(std::min<size_t>(list.size(), kMaxBatchParticles));
  runtime->PrepareBatch(b, n, *image, *this);
  ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(b);
  if (!batch || n == 0) return;
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  const float w = static_cast<float>(size);
  const float h = image->aspect * w;
  // The base coordinates WriteTexCoords stores, mapped into each cell.
  const float uLeft = mirrorU.value != 0 ? image->uScale : 0.0f;
  const float uRight = mirrorU.value != 0 ? 0.0f : image->uScale;
  const float vUpper = mirrorV.value != 0 ? 0.0f : image->vScale;
  const float vLower = mirrorV.value != 0 ? image->vScale : 0.0f;
  const float baseU[4] = {uLeft, uLeft, uRight, uRight};
  const float baseV[4] = {vUpper, vLower, vUpper, vLower};
  const float spinTotal = spinSpeed.elapsed;
  const uint8_t alphaByte = colors.transparency.derived;
  for (uint32_t i = 0; i < n; ++i, v += 4) {
    const ClassicParticle& p = *list[i];
    const float z = SizeFactor(p);
    D3DXVECTOR3 x(w * z, 0.0f, 0.0f);
    D3DXVECTOR3 y(0.0f, h * z, 0.0f);
    D3DXMATRIX m = p.matrix;
    if (orientation.value == 2) {
      const float t = p.run[ClassicParticle::kSpin] * spinTotal;
      if (spinSpeed.value != 0 && t != 0.0f) {
        D3DXMATRIX r;
        D3DXMatrixRotationZ(&r, t);
        D3DXMatrixMultiply(&m, &m, &r);
      }
    } else if (orientation.value == 1) {
      D3DXVECTOR3 heading;
      D3DXVec3Normalize(&heading, &p.velocity);
      D3DXMATRIX r;
      MatrixRotationBetween(&r, heading, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
      D3DXMatrixMultiply(&m, &m, &r);
    }
    D3DXVec3TransformCoord(&x, &x, &m);
    D3DXVec3TransformCoord(&y, &y, &m);
    const D3DXVECTOR3 q = p.TestPoint();
    const D3DXVECTOR3 hx = x * 0.5f;
    const D3DXVECTOR3 hy = y * 0.5f;
    const D3DXVECTOR3 corners[4] = {q - hx + hy, q - hx - hy, q + hx + hy, q + hx - hy};
    for (int c = 0; c < 4; ++c) {
      v[c].x = corners[c].x;
      v[c].y = corners[c].y;
      v[c].z = corners[c].z;
      v[c].u = baseU[c] * p.atlasScale[0] + p.atlasOffset[0];
      v[c].v = baseV[c] * p.atlasScale[1] + p.atlasOffset[1];
    }
    SetQuadVertexColor(p.colour, v, AlphaFactor(p) * static_cast<float>(alphaByte));
  }
  batch->Unlock();
}

void ClassicParticleParams::FillUprightBatch(ZVI_ParticleSystemCtrl* system, float scale,
                                             const ClassicParticleList& list) {
  ZVI_ParticleSystemMech* runtime = system ? system->runtime : nullptr;
  if (!runtime) return;
  const ImageFrameSet* image = FirstImage();
  if (!image) {
    runtime->SetCount(0, 0);
    return;
  }
  const uint32_t n = static_cast<uint32_t>(std::min<size_t>(list.size(), kMaxBatchParticles));
  runtime->PrepareBatch(0, n, *image, *this);
  ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(0);
  if (!batch || n == 0) return;
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  const float w = static_cast<float>(image->imageWidth) * scale;
  const float h = static_cast<float>(image->imageHeight) * scale;
  for (uint32_t i = 0; i < n; ++i, v += 4) {
    const ClassicParticle& p = *list[i];
    const float hw = w * p.Factor1() / 2.0f;
    const float hh = h * p.Factor1() / 2.0f;
    const D3DXVECTOR3& q = p.position;
    const float xs[4] = {q.x - hw, q.x - hw, q.x + hw, q.x + hw};
    const float ys[4] = {q.y + hh, q.y - hh, q.y + hh, q.y - hh};
    for (int c = 0; c < 4; ++c) {
      v[c].x = xs[c];
      v[c].y = ys[c];
      v[c].z = q.z;
    }
    runtime->SetQuadColor(p.Factor2(), v);
  }
  batch->Unlock();
}

void ClassicParticleParams::DrawBatch(ZVI_ParticleSystemMech* runtime, uint32_t b, DS_ABRender* context) {
  if (!runtime || !context) return;
  DrawGlow(runtime, b, context);
  const ImageFrameSet* image = FirstImage();
  ZVI_ParticleSystemMech::Batch* batch = runtime->BatchAt(b);
  if (!device.effect || !image || !batch || runtime->CountAt(b) == 0) return;
  device.effect->SetTexture("Texture0", image->CurrentTexture());
  ID3DXEffect* e = device.effect.Get();
  context->DrawIndexedBatch(batch, &e, ParticleTechnique(), static_cast<int>(2 * runtime->CountAt(b)));
}

int32_t GlowBlurPasses(int32_t stored) { return std::clamp(stored, 0, kMaxGlowBlurPasses); }

void ClassicParticleParams::DrawGlow(ZVI_ParticleSystemMech* runtime, uint32_t b, DS_ABRender* context) {
  if (glowMode.value <= 0) return;
  const ImageFrameSet* image = FirstImage();
  auto* light = dynamic_cast<DS_2D_Light*>(context);
  ZVI_BlurSurface* glow = device.glow.get();
  if (!device.effect || !image || !light || !glow || runtime->CountAt(b) == 0) return;
  ID3DXEffect* e = device.effect.Get();
  e->SetTexture("Texture0", image->CurrentTexture());
  if (!glow->Begin(light)) return;
  // The glow reads the target's alpha, which the player masks off the
  // screen: the particles write it into the target.
  IDirect3DDevice9* d = CurrentDevice();
  DWORD mask = 0xF;
  if (d) {
    d->GetRenderState(D3DRS_COLORWRITEENABLE, &mask);
    d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  }
  runtime->DrawBatch(e, "BlendNormal", b);
  if (d) d->SetRenderState(D3DRS_COLORWRITEENABLE, mask);
  glow->GaussianBlur(light, GlowBlurPasses(blurPasses.value));
  e->SetTexture("Texture0", glow->targetA.Get());
  const COLORREF c = glowColorRef.value;
  const float colour[3] = {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                           static_cast<float>((c >> 16) & 0xFF) / 255.0f};
  e->SetFloatArray("GlowColor", colour, 3);
  e->SetFloat("GlowBrightness", glowLevel.derived);
  const char* technique = "DrawGlowNormal";
  if (glowMode.value > 1 && context->CanCopyBackground()) {
    TextureHolder* background = context->GetBackgroundTexture();
    e->SetTexture("Background", background ? background->Get() : nullptr);
    technique = "DrawGlowScreen";
  }
  e->SetTechnique(e->GetTechniqueByName(technique));
  context->DrawGeometry(context->GetScreenQuad(), &e);
  e->SetTexture("Texture0", nullptr);
}
