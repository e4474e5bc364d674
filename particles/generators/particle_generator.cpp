#include "particles/generators/particle_generator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/archive.h"
#include "core/crt.h"
#include "core/math_routines.h"
#include "core/thread_slots.h"
#include "platform/com/com.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/render_target_set.h"
#include "player/slide_render_context.h"

// ---- vertex builders and colours

namespace {

void SetVertex(DX_V::PCT& v, const D3DXVECTOR3& p, float u, float tv) {
  v.x = p.x;
  v.y = p.y;
  v.z = p.z;
  v.color = 0xFFFFFFFFu;
  v.u = u;
  v.v = tv;
}

}  // namespace

void BuildQuadVertices(DX_V::PCT out[4], float w, float h, const D3DXVECTOR3& c) {
  const float hw = w / 2.0f, hh = h / 2.0f;
  SetVertex(out[0], D3DXVECTOR3(c.x - hw, c.y + hh, c.z), 0.0f, 1.0f);
  SetVertex(out[1], D3DXVECTOR3(c.x - hw, c.y - hh, c.z), 0.0f, 0.0f);
  SetVertex(out[2], D3DXVECTOR3(c.x + hw, c.y + hh, c.z), 1.0f, 1.0f);
  SetVertex(out[3], D3DXVECTOR3(c.x + hw, c.y - hh, c.z), 1.0f, 0.0f);
}

void BuildOrientedQuadVertices(DX_V::PCT out[4], const D3DXVECTOR3& c, const D3DXVECTOR3& u, const D3DXVECTOR3& v,
                               float size) {
  const D3DXVECTOR3 U = u * (size / 2.0f), V = v * (size / 2.0f);
  SetVertex(out[0], c + V - U, 0.0f, 1.0f);
  SetVertex(out[1], c - V - U, 0.0f, 0.0f);
  SetVertex(out[2], c + U + V, 1.0f, 1.0f);
  SetVertex(out[3], c + U - V, 1.0f, 0.0f);
}

void BuildSegmentQuadVertices(DX_V::PCT out[4], const D3DXVECTOR3& a, const D3DXVECTOR3& d, float length, float w0,
                              float w1) {
  D3DXVECTOR3 n(0.0f, 0.0f, 0.0f);
  if (length != 0.0f) n = D3DXVECTOR3(-d.y, d.x, 0.0f) / (2.0f * length);
  const D3DXVECTOR3 p[4] = {a + n * w0, a - n * w0, a + d + n * w1, a + d - n * w1};
  for (int i = 0; i < 4; ++i) {
    out[i].x = p[i].x;
    out[i].y = p[i].y;
    out[i].z = p[i].z;
    out[i].color = 0xFFFFFFFFu;
  }
}

uint8_t ChannelByte(float x) {
  if (!(x > 0.0f)) return 0;  // also NaN
  if (x >= 1.0f) return 255;
  return static_cast<uint8_t>(static_cast<int32_t>(x * 255.0f + 0.5f));
}

D3DCOLOR VertexColour(const SmartCOLORREF& colour, float o) {
  const COLORREF c = colour.value;
  const uint32_t r = ChannelByte(static_cast<float>(c & 0xFF) / 255.0f);
  const uint32_t g = ChannelByte(static_cast<float>((c >> 8) & 0xFF) / 255.0f);
  const uint32_t b = ChannelByte(static_cast<float>((c >> 16) & 0xFF) / 255.0f);
  const uint32_t a = ChannelByte(static_cast<float>(colour.Alpha()) * o / 255.0f);
  return (a << 24) | (r << 16) | (g << 8) | b;
}

D3DXVECTOR3 RotateZ(const D3DXVECTOR3& v, float a) {
  const float c = std::cos(a), s = std::sin(a);
  return D3DXVECTOR3(v.x * c - v.y * s, v.x * s + v.y * c, v.z);
}

// ---- DS_ParticleGenerator

DS_ParticleGenerator::DS_ParticleGenerator() { clock.SetScaleOffset(0.02f, 0.0f, 50u); }

DS_ParticleGenerator::DS_ParticleGenerator(const DS_ParticleGenerator& other)
    : DS_ABObj_Constructor(other),
      life(other.life),
      rate(other.rate),
      size(other.size),
      speed(other.speed),
      trail(other.trail),
      clock(other.clock),
      heads(other.heads),
      emitted(other.emitted) {}

DS_ABObj* DS_ParticleGenerator::CreateRuntime() { return new DS_ParticlesObj(Clone()); }

void DS_ParticleGenerator::Update(float time, DS_ParticlesObj*) {
  const float step = AdvanceClock(time);
  StepGeneratorParticles(heads, step);
  StepGeneratorParticles(emitted, step);
}

void DS_ParticleGenerator::EmitAlongHeadPaths(float t) {
  const int64_t n = rate.Count(t);
  if (trail.value == 0 || n <= 0 || heads.empty()) return;
  const float c = 1.0f / static_cast<float>(n + 1);
  for (GeneratorParticle& h : heads) {
    const D3DXVECTOR3 d = h.position - h.previous;
    // A full list drops the rest; positions keep their spacing.
    const size_t room = kMaxGeneratorParticles - std::min(kMaxGeneratorParticles, emitted.size());
    const int64_t count = std::min<int64_t>(n, static_cast<int64_t>(room));
    for (int64_t i = 1; i <= count; ++i) {
      const D3DXVECTOR3 at = h.previous + d * (static_cast<float>(i) * c);
      GeneratorParticle p(at.x, at.y, at.z);
      InitEmittedParticle(p, h);
      emitted.push_back(std::move(p));
    }
  }
  for (GeneratorParticle& h : heads) h.SavePreviousPosition();
}

void DS_ParticleGenerator::InitEmittedParticle(GeneratorParticle& p, const GeneratorParticle& head) {
  p.channels[kChannelOpacity] = head.channels[kChannelOpacity];
  const float l = life.derived;
  p.AddProcess(new PAgeConst(l));
  p.AddProcess(new PFade(kChannelOpacity, 0.0f, l, -1.0f));
  const float length = speed.derived * crt_rand01();
  p.AddProcess(new PKinetic(RandomConeDirection(length, 0.0f, 360.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
}

void DS_ParticleGenerator::ReadGeneratorRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 2) {
    const uint32_t count = ar.ReadSignedCount(12);
    for (uint32_t i = 0; i < count; ++i) {
      float x = 0.0f, y = 0.0f, z = 0.0f;
      ar.ReadFloat(&x);
      ar.ReadFloat(&y);
      ar.ReadFloat(&z);
      if (heads.size() < kMaxGeneratorParticles) heads.emplace_back(x, y, z);
    }
  }
  if (version >= 3) {
    life.Read(ar);
    ar.ReadUInt(&rate.value);
    size.Read(ar);
    speed.Read(ar);
    int32_t flag = 0;
    ar.ReadInt(&flag);
    trail.value = flag;
  } else {
    life.SetValue(20u);
    rate.value = 30u;
    size.SetValue(0u);
    speed.SetValue(0u);
    trail.value = 0;
  }
  ReadConstructorBase(ar);
}

// ---- DS_TexParticleGenerator

DS_TexParticleGenerator::DS_TexParticleGenerator() { CoCreateGuid(&targetKey.guid); }

DS_TexParticleGenerator::DS_TexParticleGenerator(const DS_TexParticleGenerator& other)
    : DS_ParticleGenerator(other),
      imageLinks(other.imageLinks),
      effectLink(other.effectLink),
      colour1(other.colour1),
      colour2(other.colour2),
      blendMode(other.blendMode),
      verticalMirror(other.verticalMirror),
      horizontalMirror(other.horizontalMirror),
      imageLinkKind(other.imageLinkKind),
      images(other.images),
      effect(other.effect),
      targets(other.targets),
      targetKey(other.targetKey),
      targetFlag(other.targetFlag),
      runtime(other.runtime) {
  if (effect) effect->AddRef();
}

DS_TexParticleGenerator::~DS_TexParticleGenerator() {
  if (effect) effect->Release();
}

void DS_TexParticleGenerator::GetPreviewImage(PreviewImage* out) {
  *out = PreviewImage();
  if (imageLinks.empty() || images.empty() || images.front().textures.empty()) return;
  out->texture = images.front().textures.front().Get();
}

int32_t DS_TexParticleGenerator::NeedsBackground() {
  return blendMode.value == kBlendScreen || blendMode.value == kBlendColorDodge ? 1 : 0;
}

void DS_TexParticleGenerator::ReadTexGeneratorRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadImageFileLinks(ar, imageLinks);
  ReadFileLink(ar, effectLink);
  int32_t c = 0;
  ar.ReadInt(&c);
  colour1.value = static_cast<COLORREF>(c);
  colour1.transparency.Read(ar);
  ar.ReadInt(&c);
  colour2.value = static_cast<COLORREF>(c);
  colour2.transparency.Read(ar);
  int32_t v = 0;
  ar.ReadInt(&v);
  blendMode.value = v;
  if (version >= 2) {
    ar.ReadInt(&v);
    verticalMirror.value = v;
    ar.ReadInt(&v);
    horizontalMirror.value = v;
  } else {
    verticalMirror.value = 0;
    horizontalMirror.value = 0;
  }
  imageLinkKind = 0;
  if (version >= 3) ar.ReadInt(&imageLinkKind);
  zvi_string baseName;
  int32_t baseVersion = 0;
  ar.ReadWideString(&baseName);
  ar.ReadInt(&baseVersion);
  ReadGeneratorRecord(ar, baseVersion);
}

void DS_TexParticleGenerator::AttachRenderObject(DS_ParticlesObj* object) {
  runtime = object;
  DS_DocResManager* manager = CurrentDocResManager();
  std::vector<DocImage> resolved;
  resolved.reserve(imageLinks.size());
  if (manager) {
    for (const DS_ImageFileLink& link : imageLinks)
      resolved.push_back(imageLinkKind == 0 ? manager->GetTextures(link) : manager->LoadModuleImage(link));
  }
  images = std::move(resolved);
  if (effect) effect->Release();
  effect = nullptr;
  if (manager) manager->GetEffect(&effect, ClassName(), effectLink);
}

bool DS_TexParticleGenerator::CreateRenderTargets() {
  targetsTried_ = true;
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return false;
  const BackBufferInfo& bb = GetBackBufferInfo();
  targets = manager->GetTargetSetByGuid(targetKey);
  return targets && targets->Create(bb.width, bb.height);
}

RenderTargetSet* DS_TexParticleGenerator::TargetsForDrawing() {
  // A generator whose class never makes its targets gets them with the first
  // draw that needs them.
  if (!targets && !targetsTried_) CreateRenderTargets();
  return targets && targets->active ? targets : nullptr;
}

void DS_TexParticleGenerator::CreateRenderTargetsForEffect() {
  if (effect && !targets) CreateRenderTargets();
}

IDirect3DTexture9* DS_TexParticleGenerator::CurrentTexture(size_t image) const {
  if (image >= images.size()) return nullptr;
  const DocImage& i = images[image];
  // Delays and frames may differ in number: a frame past the textures is no picture.
  if (i.frameIndex >= i.textures.size()) return nullptr;
  return i.textures[i.frameIndex].Get();
}

namespace {

void DrawLayerQuads(DS_ABRender* context, DS_ParticlesObj* runtime, size_t layer, ID3DXEffect** effect) {
  DS_IndexedMesh<DX_V::PCT>* mesh = runtime->LayerMesh(layer);
  const uint32_t count = runtime->QuadCount(layer);
  if (!mesh || !mesh->vertexBuffer || count == 0) return;
  context->DrawQuadRange(mesh, effect, 0, static_cast<int>(count));
}

// Fixed-function drawing of a layer straight into the scene.
void DrawLayerPlain(DS_ABRender* context, DS_ParticlesObj* runtime, size_t layer, IDirect3DTexture9* texture) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!device || !texture) return;
  device->SetTexture(0, texture);
  DrawLayerQuads(context, runtime, layer, nullptr);
}

void SetTechnique(ID3DXEffect* effect, const char* name) { effect->SetTechnique(effect->GetTechniqueByName(name)); }

}  // namespace

void DS_TexParticleGenerator::DrawLayer(DS_ABRender* context, DS_ParticlesObj* object, IDirect3DTexture9* texture) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!context || !object || !texture || !device) return;
  RenderTargetSet* set = effect ? TargetsForDrawing() : nullptr;
  if (!set) {
    DrawLayerPlain(context, object, 0, texture);
    return;
  }
  SetTechnique(effect, "BlendMask");
  set->Begin();
  context->PushTarget(static_cast<int>(set->width), static_cast<int>(set->height), 3);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  effect->SetTexture("Texture1", texture);
  DrawLayerQuads(context, object, 0, &effect);
  set->End(false);
  context->PopTarget();
  resultReady_ = true;
  Composite(context);
}

void DS_TexParticleGenerator::DrawLayersJoined(int32_t last, DS_ABRender* context, DS_ParticlesObj* object) {
  IDirect3DDevice9* device = CurrentDevice();
  if (!context || !object || !device) return;
  RenderTargetSet* set = effect ? TargetsForDrawing() : nullptr;
  if (!set) {
    for (int32_t i = 0; i <= last; ++i) DrawLayerPlain(context, object, static_cast<size_t>(i), CurrentTexture(i));
    return;
  }
  SetTechnique(effect, "JoinMask");
  set->Begin();
  context->PushTarget(static_cast<int>(set->width), static_cast<int>(set->height), 3);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FFFFFF, 1.0f, 0);
  for (int32_t i = 0; i <= last; ++i) {
    IDirect3DTexture9* texture = CurrentTexture(static_cast<size_t>(i));
    if (!texture) continue;
    effect->SetTexture("Texture1", texture);
    DrawLayerQuads(context, object, static_cast<size_t>(i), &effect);
  }
  set->End(false);
  context->PopTarget();
  resultReady_ = true;
}

void DS_TexParticleGenerator::Composite(DS_ABRender* context) {
  // Only a result drawn this frame is combined with the scene.
  if (!resultReady_ || !context || !effect || !targets || !targets->active) return;
  resultReady_ = false;
  IDirect3DTexture9* result = targets->active.Get();
  TextureHolder* background = context->GetBackgroundTexture();
  IDirect3DTexture9* scene = background ? background->Get() : nullptr;
  switch (blendMode.value) {
    case kBlendCommon:
      SetTechnique(effect, "CommonTex");
      effect->SetTexture("Texture1", result);
      break;
    case kBlendScreen:
      SetTechnique(effect, "Blend_ScreenTex");
      effect->SetTexture("Texture1", scene);
      effect->SetTexture("Texture2", result);
      break;
    case kBlendColorDodge:
      SetTechnique(effect, "Blend_ColorDodgeTex");
      effect->SetTexture("Texture1", scene);
      effect->SetTexture("Texture2", result);
      break;
    case kBlendSum:
      SetTechnique(effect, "Blend_SumTex");
      effect->SetTexture("Texture1", result);
      break;
    default:
      // Another mode picks no technique and binds nothing: the quad is drawn
      // with what the effect holds from the layers.
      break;
  }
  context->DrawGeometry(context->GetScreenQuad(), &effect);
  // The effect must not keep render targets alive: a device reset needs them gone.
  effect->SetTexture("Texture1", nullptr);
  effect->SetTexture("Texture2", nullptr);
}

void DS_TexParticleGenerator::DrawLayerDirect(DS_ABRender* context, DS_ParticlesObj* object) {
  IDirect3DDevice9* device = CurrentDevice();
  IDirect3DTexture9* texture = CurrentTexture(0);
  if (!context || !object || !device || !texture) return;
  device->SetTexture(0, texture);
  if (effect) {
    // Our effects read their picture from a parameter, not from stage 0.
    SetTechnique(effect, "BlendMask");
    effect->SetTexture("Texture1", texture);
  }
  DrawLayerQuads(context, object, 0, effect ? &effect : nullptr);
}

// ---- DS_ParticlesObj

DS_ParticlesObj::DS_ParticlesObj(DS_ParticleGenerator* clone) : DS_ABObj(clone), generator(clone) {
  generator->AttachRenderObject(this);
}

DS_ParticlesObj::~DS_ParticlesObj() {
  counts.clear();
  rects.clear();
  layers.clear();
}

void DS_ParticlesObj::Draw(DS_ABRender* context) { generator->Draw(context, this); }

void DS_ParticlesObj::Update(float localTime) { generator->Update(localTime, this); }

int32_t DS_ParticlesObj::NeedsBackground() { return running ? generator->NeedsBackground() : 0; }

bool DS_ParticlesObj::HitTest(float x, float y) { return generator->HitTest(x, y); }

bool DS_ParticlesObj::GetScreenRects(std::vector<ScreenRect>& list) {
  for (const QuadRects& layer : rects) list.insert(list.end(), layer.begin(), layer.end());
  return false;
}

void DS_ParticlesObj::SetLayerCount(size_t n) {
  while (layers.size() < n) layers.push_back(std::make_unique<DS_IndexedMesh<DX_V::PCT>>());
  layers.resize(n);
  counts.resize(n, 0u);
  rects.resize(n);
}

void DS_ParticlesObj::ReserveQuads(size_t layer, uint32_t n) {
  if (layer >= layers.size()) return;
  n = std::min(n, kMaxLayerQuads);
  DS_IndexedMesh<DX_V::PCT>& mesh = *layers[layer];
  if (static_cast<uint64_t>(mesh.triangleCount) < 2ull * n) {
    // Half as much again, so a count that creeps up does not rebuild the
    // buffers every frame.
    const uint32_t capacity = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{n} + n / 2, kMaxLayerQuads));
    mesh.vertexBuffer = nullptr;
    mesh.Allocate(capacity);
  }
  rects[layer].resize(n);
  counts[layer] = n;
}

bool DS_ParticlesObj::LockLayer(size_t layer) {
  if (layer >= layers.size()) return false;
  DS_IndexedMesh<DX_V::PCT>& mesh = *layers[layer];
  mesh.lockPointer = nullptr;
  if (!mesh.vertexBuffer) return false;
  // Only the quads in use: the rest of a grown buffer is not sent again.
  const uint64_t quads = std::max<uint64_t>(1, std::min<uint64_t>(counts[layer], static_cast<uint64_t>(mesh.vertexCount) / 4));
  void* data = nullptr;
  if (FAILED(mesh.vertexBuffer->Lock(0, static_cast<UINT>(quads * 4 * sizeof(DX_V::PCT)), &data, 0))) return false;
  mesh.lockPointer = data;
  return data != nullptr;
}

void DS_ParticlesObj::UnlockLayer(size_t layer) {
  if (layer < layers.size()) layers[layer]->Unlock();
}

void DS_ParticlesObj::SetQuad(size_t layer, uint32_t index, const DX_V::PCT v[4]) {
  if (layer >= layers.size()) return;
  DS_IndexedMesh<DX_V::PCT>& mesh = *layers[layer];
  auto* vertices = static_cast<DX_V::PCT*>(mesh.lockPointer);
  if (!vertices || static_cast<uint64_t>(index) * 4 + 4 > static_cast<uint64_t>(mesh.vertexCount) ||
      index >= rects[layer].size())
    return;
  std::memcpy(vertices + static_cast<size_t>(index) * 4, v, 4 * sizeof(DX_V::PCT));
  float minX = v[0].x, maxX = v[0].x, minY = v[0].y, maxY = v[0].y;
  for (int i = 1; i < 4; ++i) {
    minX = std::min(minX, v[i].x);
    maxX = std::max(maxX, v[i].x);
    minY = std::min(minY, v[i].y);
    maxY = std::max(maxY, v[i].y);
  }
  rects[layer][index] = ScreenRect{minX, minY, maxX - minX, maxY - minY};
}

void DS_ParticlesObj::SetParticleQuad(size_t layer, uint32_t index, const GeneratorParticle& p, float k, float o,
                                      const SmartCOLORREF& colour) {
  DX_V::PCT v[4];
  const float side = p.channels[kChannelSize] * k;
  BuildQuadVertices(v, side, side, p.position);
  const D3DCOLOR c = VertexColour(colour, p.channels[kChannelOpacity] * o);
  for (auto& vertex : v) vertex.color = c;
  SetQuad(layer, index, v);
}

void DS_ParticlesObj::SetOrientedParticleQuad(uint32_t index, const GeneratorParticle& p, float a, float b, float o,
                                              const SmartCOLORREF& colour) {
  DX_V::PCT v[4];
  const float s = p.channels[kChannelSize];
  const float angle = p.channels[kChannelAngle];
  const D3DXVECTOR3 U = RotateZ(D3DXVECTOR3(s * a, 0.0f, 0.0f), angle);
  const D3DXVECTOR3 V = RotateZ(D3DXVECTOR3(0.0f, s * b, 0.0f), angle);
  BuildOrientedQuadVertices(v, p.position, U, V, 1.0f);
  const D3DCOLOR c = VertexColour(colour, p.channels[kChannelOpacity] * o);
  for (auto& vertex : v) vertex.color = c;
  SetQuad(0, index, v);
}
