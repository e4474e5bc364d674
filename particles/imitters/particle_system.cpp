#include "particles/imitters/particle_system.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "core/warm_up.h"
#include "particles/imitters/imitters.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/render_context.h"

const char16_t* LegacyShapeName(int32_t index) {
  static const char16_t* const kNames[] = {u"Particle shape 1", u"Particle shape 2", u"Particle shape 3",
                                           u"Sphere",           u"Bubble",           u"Rain dreop"};
  if (index < 0 || index > 5) return nullptr;
  return kNames[index];
}

ZVI_ParticleSystemCtrl::ZVI_ParticleSystemCtrl() { systemSpeed.SetScaleOffset(0.01f, 0.0f, 100u); }

ZVI_ParticleSystemCtrl::ZVI_ParticleSystemCtrl(const ZVI_ParticleSystemCtrl& other)
    : DS_ABObj_Constructor(other),
      params(other.params),
      systemSpeed(other.systemSpeed),
      particles(other.particles),
      runtime(other.runtime),
      callbacks(other.callbacks.owner, other.callbacks.owns_owner) {
  systemSpeed.step = other.systemSpeed.step;
  systemSpeed.elapsed = other.systemSpeed.elapsed;
  systemSpeed.last_time = other.systemSpeed.last_time;
}

ZVI_ParticleSystemCtrl::~ZVI_ParticleSystemCtrl() {
  callbacks.Clear();
  particles.clear();
  newborn_.clear();
}

void ZVI_ParticleSystemCtrl::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  runtime = runtimeObject;
  params.ResolveImages();
  params.LoadEffects(ClassName());
  callbacks.owner = this;
  callbacks.owns_owner = false;
  callbacks.Add(&ZVI_ParticleSystemCtrl::OnImageChanged, &params.particleImage);
}

void ZVI_ParticleSystemCtrl::OnImageChanged() {
  params.ResolveImages();
  for (auto& p : particles)
    if (p) params.PickAtlasCell(*p);
}

void ZVI_ParticleSystemCtrl::UpdateParticles(float t) {
  const float dt = systemSpeed.Advance(t);
  params.AdvanceTime(t);
  Simulate(dt);
  params.FillBatch(particles, runtime, params.particleSize.value, 0);
}

void ZVI_ParticleSystemCtrl::Simulate(float dt) {
  StepClassicParticles(particles, dt);
  ClassicParticleList& born = Emit(newborn_, dt);
  const size_t n = born.size();
  for (size_t i = 0; i < n; ++i) {
    if (born[i]) StepClassicParticle(*born[i], static_cast<float>(i) * dt / static_cast<float>(n));
  }
  born.clear();
}

void ZVI_ParticleSystemCtrl::ResetTime() {
  if (timing.value != 0) {
    particles.clear();
    return;
  }
  if (!(WarmUpLength(GetWarmUpTime()) > 0.0f)) return;
  WarmUpBudget budget;
  float x = 0.0f;
  do {
    Simulate(0.1f);
    x += 0.1f;
    if (!budget.Spend(particles.size())) return;
  } while (WarmUpLength(GetWarmUpTime()) > x);
}

void ZVI_ParticleSystemCtrl::DrawParticles(DS_ABRender* context, int* pass) {
  if (!context) return;
  if (params.glowMode.value == 2) context->BackgroundStep(pass, false);
  params.DrawBatch(runtime, 0, context);
}

DS_ABObj* ZVI_ParticleSystemCtrl::CreateRuntime() {
  auto* mech = new ZVI_ParticleSystemMech(Clone());
  mech->system->Prepare(mech);
  mech->system->ResetTime();
  return mech;
}

bool ZVI_ParticleSystemCtrl::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 5) {
    int32_t blockVersion = 0;
    ar.ReadInt(&blockVersion);
    zvi_string shape;
    ar.ReadWideString(&shape);
    params.shapeName.SetValue(shape);
    params.Read(ar, blockVersion);
  } else {
    DS_NamedFileLinkData& image = params.particleImage.value;
    ReadImageFileLinks(ar, image.links);
    image.currentLinkName = image.links.empty() ? zvi_string() : image.links.front().name;
    image.currentLinkId = image.links.empty() ? 0 : image.links.front().id;
    int32_t shapeIndex = -1;
    if (version < 3) {
      ar.ReadInt(&shapeIndex);
    } else {
      const uint32_t count = ar.ReadCount(4);
      for (uint32_t i = 0; i < count; ++i) {
        int32_t s = 0;
        ar.ReadInt(&s);
        if (i == 0) shapeIndex = s;
      }
    }
    if (const char16_t* name = LegacyShapeName(shapeIndex)) params.shapeName.SetValue(zvi_string(name));
    ReadFileLink(ar, params.effectLink);
    params.frameSpeed.Read(ar);
    uint32_t size = 0;
    ar.ReadUInt(&size);
    params.particleSize.value = size;
    uint32_t colour = 0;
    ar.ReadDword(&colour);
    std::vector<COLORREF>& list = params.colors.colours.value;
    if (list.empty()) list.push_back(colour);
    else list[0] = colour;
    params.colors.transparency.Read(ar);
    if (version >= 2) {
      ar.ReadInt(&params.reverseFrames.value);
      ar.ReadInt(&params.mirrorV.value);
      ar.ReadInt(&params.mirrorU.value);
    }
  }
  if (version >= 4) systemSpeed.Read(ar);
  return ReadConstructorBase(ar);
}

bool ZVI_ParticleSystemCtrl::ReadNestedRecord(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return ReadRecord(ar, version);
}

// ---------------------------------------------------------------------------

ZVI_ParticleSystemMech::ZVI_ParticleSystemMech(ZVI_ParticleSystemCtrl* ownedModel)
    : DS_ABObj(ownedModel), system(ownedModel) {}

ZVI_ParticleSystemMech::~ZVI_ParticleSystemMech() {
  batchCounts.clear();
  batches.clear();
}

void ZVI_ParticleSystemMech::Render(DS_ABRender* context, int* counter) { system->DrawParticles(context, counter); }

int32_t ZVI_ParticleSystemMech::NeedsBackground() { return running ? system->NeedsBackground() : 0; }

void ZVI_ParticleSystemMech::Update(float localTime) { system->UpdateParticles(localTime); }

void ZVI_ParticleSystemMech::SizeBatches(size_t n) {
  batches.resize(n);
  for (auto& b : batches)
    if (!b) b = std::make_unique<Batch>();
  batchCounts.assign(n, 0u);
}

void ZVI_ParticleSystemMech::PrepareBatch(uint32_t b, uint32_t n, const ImageFrameSet& image,
                                          const ClassicParticleParams& block) {
  Batch* batch = BatchAt(b);
  if (!batch || b >= batchCounts.size()) return;
  n = std::min(n, kMaxBatchParticles);
  if (static_cast<uint32_t>(std::max(0, batch->triangleCount)) < 2 * n || !batch->vertexBuffer) {
    batch->vertexBuffer = nullptr;
    batch->indexBuffer = nullptr;
    batch->triangleCount = 0;
    batch->vertexCount = 0;
    if (n > 0 && !batch->Allocate(n)) {
      batch->triangleCount = 0;
      batchCounts[b] = 0;
      return;
    }
  }
  WriteTexCoords(b, image, block);
  batchCounts[b] = n;
}

void ZVI_ParticleSystemMech::WriteTexCoords(uint32_t b, const ImageFrameSet& image, const ClassicParticleParams& block) {
  Batch* batch = BatchAt(b);
  if (!batch || !batch->vertexBuffer) return;
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  const float left = block.mirrorU.value != 0 ? image.uScale : 0.0f;
  const float right = block.mirrorU.value != 0 ? 0.0f : image.uScale;
  const float upper = block.mirrorV.value != 0 ? 0.0f : image.vScale;
  const float lower = block.mirrorV.value != 0 ? image.vScale : 0.0f;
  const int32_t quads = batch->vertexCount / 4;
  for (int32_t q = 0; q < quads; ++q, v += 4) {
    v[0].u = left, v[0].v = upper;
    v[1].u = left, v[1].v = lower;
    v[2].u = right, v[2].v = upper;
    v[3].u = right, v[3].v = lower;
  }
  batch->Unlock();
}

void ZVI_ParticleSystemMech::DrawBatch(ID3DXEffect* effect, const char* technique, uint32_t b) {
  Batch* batch = BatchAt(b);
  IDirect3DDevice9* d = CurrentDevice();
  RenderContext* rc = CurrentRenderContext();
  const uint32_t count = CountAt(b);
  if (!batch || !effect || !d || !rc || count == 0 || !batch->vertexBuffer) return;
  d->SetTransform(D3DTS_VIEW, &rc->view);
  d->SetTransform(D3DTS_PROJECTION, &rc->projection);
  rc->SetWorldTransform(batch->world);
  effect->SetTechnique(effect->GetTechniqueByName(technique));
  UINT passes = 0;
  if (FAILED(effect->Begin(&passes, 0))) return;
  for (UINT p = 0; p < passes; ++p) {
    if (FAILED(effect->BeginPass(p))) continue;
    d->SetIndices(batch->indexBuffer);
    d->SetFVF(DX_V::PCT::FVF);
    d->SetStreamSource(0, batch->vertexBuffer, 0, sizeof(DX_V::PCT));
    d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(batch->vertexCount), 0, 2 * count);
    effect->EndPass();
  }
  effect->End();
}

void ZVI_ParticleSystemMech::SetQuadColor(float f, DX_V::PCT* quad) {
  const std::vector<COLORREF>& list = system->params.colors.colours.value;
  const COLORREF c = list.empty() ? 0x00FFFFFFu : list.front();
  SetQuadVertexColor(c, quad, static_cast<float>(system->params.colors.transparency.derived) * f);
}
