#include "player/slide_render_context.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"
#include "player/render_surfaces.h"
#include "player/scene_object.h"
#include "player/slide_show.h"
#include "player/texture_sources.h"

namespace {

IDirect3DDevice9* Dev() { return CurrentDevice(); }

// Runs draw once per pass of the effect. A missing effect draws nothing.
template <class F>
bool EachPass(ID3DXEffect** effect, F&& draw) {
  if (!effect || !*effect) return false;
  ID3DXEffect* e = *effect;
  UINT passes = 0;
  if (FAILED(e->Begin(&passes, 0))) return false;
  for (UINT p = 0; p < passes; ++p) {
    if (FAILED(e->BeginPass(p))) continue;
    draw();
    e->EndPass();
  }
  e->End();
  return true;
}

D3DXMATRIX Translation(float x, float y) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, 0.0f);
  return m;
}

// Holds an AddRef'ed pointer without adding another reference.
ComPtr<IDirect3DTexture9> Adopt(IDirect3DTexture9* texture) {
  ComPtr<IDirect3DTexture9> held;
  held.Attach(texture);
  return held;
}

}  // namespace

// ---------------------------------------------------------------------------
// ImageQuad

bool ImageQuad::CreateVertexBuffer() {
  bool ok = CreateXYZTex1(4);
  vertexCount = 4;
  primitiveType = D3DPT_TRIANGLESTRIP;
  primitiveCount = 2;
  if (auto* v = LockVertices()) {
    static const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) v[i] = DX_V::PT{0.0f, 0.0f, 0.0f, uv[i][0], uv[i][1]};
    Unlock();
  }
  return ok;
}

void ImageQuad::SetImageLink(const DS_FileLink3& link) {
  TextureInfo info;
  if (DS_DocResManager* manager = CurrentDocResManager()) info = GetFirstFrameTexture(manager->GetTextures(link));
  picture = info;
  SetImage(info);
}

void ImageQuad::SetImage(const TextureInfo& info) {
  texture = info.texture;
  const float w = static_cast<float>(info.width), h = static_cast<float>(info.height);
  if (auto* v = LockVertices()) {
    const float pos[4][2] = {{0.0f, h}, {0.0f, 0.0f}, {w, h}, {w, 0.0f}};
    for (int i = 0; i < 4; ++i) {
      v[i].x = pos[i][0];
      v[i].y = pos[i][1];
      v[i].z = 0.0f;
    }
    Unlock();
  }
}

void DeleteFrameTree(DS_Frame* frame) {
  if (!frame) return;
  for (DS_Frame* child : frame->children) DeleteFrameTree(child);
  frame->children.clear();
  delete frame;
}

MeshInstance::MeshInstance() = default;

MeshInstance::MeshInstance(MeshInstance&& other) noexcept
    : DS_Frame(other),
      vertexBuffer(std::move(other.vertexBuffer)),
      vertexCount(other.vertexCount),
      primitiveType(other.primitiveType),
      indexBuffer(std::move(other.indexBuffer)),
      triangleCount(other.triangleCount),
      radius(other.radius),
      center(other.center),
      texture(std::move(other.texture)),
      transparent(other.transparent),
      subFrames(std::move(other.subFrames)) {
  controller = other.controller;
  other.controller = nullptr;
  other.children.clear();
  other.subFrames.clear();
}

MeshInstance& MeshInstance::operator=(MeshInstance&& other) noexcept {
  if (this == &other) return *this;
  DeleteFirstChildren(children.size());
  DS_Frame::operator=(other);
  SetController(other.controller);
  other.controller = nullptr;
  other.children.clear();
  vertexBuffer = std::move(other.vertexBuffer);
  vertexCount = other.vertexCount;
  primitiveType = other.primitiveType;
  indexBuffer = std::move(other.indexBuffer);
  triangleCount = other.triangleCount;
  radius = other.radius;
  center = other.center;
  texture = std::move(other.texture);
  transparent = other.transparent;
  subFrames = std::move(other.subFrames);
  other.subFrames.clear();
  return *this;
}

MeshInstance::~MeshInstance() { DeleteFirstChildren(children.size()); }

void MeshInstance::DeleteFirstChildren(size_t n) {
  while (n-- > 0 && !children.empty()) {
    DS_Frame* first = children.front();
    children.pop_front();
    DeleteFrameTree(first);
  }
}

void MeshInstance::SetMesh(const MeshBuffers& buffers) {
  vertexBuffer = buffers.vertexBuffer;
  indexBuffer = buffers.indexBuffer;
  vertexCount = static_cast<int32_t>(buffers.vertexCount);
  triangleCount = static_cast<int32_t>(buffers.faceCount);
  radius = buffers.radius;
  center = D3DXVECTOR3(buffers.center[0], buffers.center[1], buffers.center[2]);
  primitiveType = D3DPT_TRIANGLELIST;
}

void MeshInstance::LoadMesh(const DS_FileLink3& meshLink, const DS_FileLink3& imageLink) {
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return;
  texture = ComPtr<IDirect3DTexture9>(manager->GetImage(imageLink, D3DX_FILTER_NONE).CurrentTexture());
  MeshBuffers buffers;
  manager->GetMesh(&buffers, meshLink);
  SetMesh(buffers);
}

void MeshInstance::BindBuffers() {
  IDirect3DDevice9* d = Dev();
  if (!d) return;
  d->SetTexture(0, texture);
  d->SetIndices(indexBuffer);
  d->SetFVF(DX_V::PNT::FVF);
  d->SetStreamSource(0, vertexBuffer, 0, sizeof(DX_V::PNT));
}

void DrawColorQuad(ColorQuad* quad) {
  IDirect3DDevice9* d = Dev();
  if (!d || !quad || !quad->vertexBuffer) return;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  d->SetFVF(DX_V::PC::FVF);
  d->SetStreamSource(0, quad->vertexBuffer, 0, sizeof(DX_V::PC));
  d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(quad->primitiveType), 0, static_cast<UINT>(quad->primitiveCount));
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
}

// ---------------------------------------------------------------------------
// DS_2D_Light

DS_2D_Light::DS_2D_Light() { controls.Add(&DS_2D_Light::ResetView, &backgroundLink); }

DS_2D_Light::~DS_2D_Light() {
  viewStack.clear();
  fitModeStack.clear();
  lockStack.clear();
  controls.Clear();
}

void DS_2D_Light::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 2) ReadFileLink3(ar, backgroundLink);
  if (version >= 3) {
    zvi_string name;
    int32_t cameraVersion = 0;
    ar.ReadWideString(&name);
    ar.ReadInt(&cameraVersion);
    DSM_Camera read;
    read.ReadRecord(ar, cameraVersion);
    camera.CopyFrom(read);
  }
}

void DS_2D_Light::SetViewProjection() {
  IDirect3DDevice9* d = Dev();
  RenderContext* rc = CurrentRenderContext();
  if (!d || !rc) return;
  d->SetTransform(D3DTS_VIEW, &rc->view);
  d->SetTransform(D3DTS_PROJECTION, &rc->projection);
}

void DS_2D_Light::SetWorld(const DS_Frame& frame) {
  if (RenderContext* rc = CurrentRenderContext()) rc->SetWorldTransform(frame.world);
}

void DS_2D_Light::ApplyFlagBlend() {
  IDirect3DDevice9* d = Dev();
  if (!d) return;
  if (flags & (kLightFreshRun | kLightFreshStep)) {
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  }
  if (flags & kLightPremultiplied) d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
}

void DS_2D_Light::DrawImageQuad(IDirect3DTexture9* texture) {
  IDirect3DDevice9* d = Dev();
  if (!d || !imageQuad.vertexBuffer) return;
  SetViewProjection();
  SetWorld(imageQuad);
  d->SetTexture(0, texture);
  d->SetFVF(DX_V::PT::FVF);
  d->SetStreamSource(0, imageQuad.vertexBuffer, 0, sizeof(DX_V::PT));
  d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(imageQuad.primitiveType), 0,
                   static_cast<UINT>(imageQuad.primitiveCount));
}

void DS_2D_Light::PushTarget(int width, int height, int fitMode) {
  RenderContext* rc = CurrentRenderContext();
  fitModeStack.push_back(rc ? rc->fitMode : savedFitMode);
  viewStack.push_back(viewCorners);
  lockStack.push_back(viewLocked);
  viewLocked = true;
  viewCorners.SetRect(static_cast<float>(width), static_cast<float>(height));
  camera.ApplyView(viewCorners, imageQuad.picture, fitMode, true);
}

void DS_2D_Light::PopTarget() {
  // The slide show pops at every slide change without a push before it.
  if (viewStack.empty() || fitModeStack.empty() || lockStack.empty()) return;
  viewCorners = viewStack.back();
  viewStack.pop_back();
  int mode = fitModeStack.back();
  fitModeStack.pop_back();
  viewLocked = lockStack.back();
  lockStack.pop_back();
  camera.ApplyView(viewCorners, imageQuad.picture, mode, viewLocked);
}

template <class V>
void DS_2D_Light::DrawIndexedMesh(DS_IndexedMesh<V>* g, ID3DXEffect** effect) {
  IDirect3DDevice9* d = Dev();
  if (!d || !g) return;
  SetViewProjection();
  SetWorld(*g);
  d->SetIndices(g->indexBuffer);
  d->SetFVF(V::FVF);
  d->SetStreamSource(0, g->vertexBuffer, 0, sizeof(V));
  EachPass(effect, [&] {
    d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(g->primitiveType), 0, 0,
                            static_cast<UINT>(g->vertexCount), 0, static_cast<UINT>(g->triangleCount));
  });
}

void DS_2D_Light::DrawIndexed(GridMesh* g, ID3DXEffect** effect) { DrawIndexedMesh<DX_V::PT>(g, effect); }

void DS_2D_Light::DrawGeometry(VertexBufferHolder* g, ID3DXEffect** effect) {
  IDirect3DDevice9* d = Dev();
  if (!d || !g) return;
  SetViewProjection();
  SetWorld(*g);
  d->SetFVF(DX_V::PT::FVF);
  d->SetStreamSource(0, g->vertexBuffer, 0, sizeof(DX_V::PT));
  EachPass(effect, [&] {
    ApplyFlagBlend();
    d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(g->primitiveType), 0, static_cast<UINT>(g->primitiveCount));
  });
}

void DS_2D_Light::DrawQuadRange(DS_IndexedMesh<DX_V::PCT>* g, ID3DXEffect** effect, int first, int count) {
  IDirect3DDevice9* d = Dev();
  if (!d || !g || first < 0 || count <= 0) return;
  SetViewProjection();
  SetWorld(*g);
  d->SetIndices(g->indexBuffer);
  d->SetFVF(DX_V::PCT::FVF);
  d->SetStreamSource(0, g->vertexBuffer, 0, sizeof(DX_V::PCT));
  // 16-bit indices repeat every 16 384 quads: a range past that is drawn in
  // runs of 16 384 quads, each with its own base vertex.
  auto draw = [&] {
    constexpr int64_t kRun = 16384;
    const int64_t end = static_cast<int64_t>(first) + count;
    for (int64_t q = first; q < end;) {
      const int64_t run = q / kRun;
      const int64_t stop = std::min(end, (run + 1) * kRun);
      const int64_t base = run * kRun * 4;
      const int64_t vertices = std::min<int64_t>(kRun * 4, g->vertexCount - base);
      if (vertices <= 0) break;
      d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, static_cast<INT>(base), 0, static_cast<UINT>(vertices),
                              static_cast<UINT>(q * 6), static_cast<UINT>((stop - q) * 2));
      q = stop;
    }
  };
  if (effect && *effect) {
    EachPass(effect, draw);
    return;
  }
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  draw();
}

void DS_2D_Light::DrawColoredIndexed(DS_IndexedMesh<DX_V::PCT>* g, ID3DXEffect** effect) {
  DrawIndexedMesh<DX_V::PCT>(g, effect);
}

void DS_2D_Light::DrawMesh(MeshInstance* mesh) {
  IDirect3DDevice9* d = Dev();
  if (!d || !mesh || !mesh->HasMesh()) return;
  SetViewProjection();
  if (mesh->transparent) d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  mesh->BindBuffers();
  auto drawAll = [&](bool flipped) {
    for (DS_Frame* frame : mesh->subFrames) {
      if (!frame) continue;
      SetWorld(*frame);
      bool ccw = frame->mirror != flipped;
      d->SetRenderState(D3DRS_CULLMODE, ccw ? D3DCULL_CCW : D3DCULL_CW);
      d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(mesh->primitiveType), 0, 0,
                              static_cast<UINT>(mesh->vertexCount), 0, static_cast<UINT>(mesh->triangleCount));
    }
  };
  drawAll(false);
  if (mesh->transparent) drawAll(true);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_2D_Light::DrawMeshPerChild(MeshInstance* mesh) {
  IDirect3DDevice9* d = Dev();
  if (!d || !mesh || !mesh->HasMesh() || mesh->children.empty()) return;
  SetViewProjection();
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  mesh->BindBuffers();
  for (DS_Frame* child : mesh->children) {
    if (!child) continue;
    SetWorld(*child);
    for (D3DCULL cull : {D3DCULL_CCW, D3DCULL_CW}) {
      d->SetRenderState(D3DRS_CULLMODE, cull);
      d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(mesh->primitiveType), 0, 0,
                              static_cast<UINT>(mesh->vertexCount), 0, static_cast<UINT>(mesh->triangleCount));
    }
  }
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_2D_Light::DrawTexturedBatch(DS_SpriteArrayT<DX_V::PCT>* batch) {
  IDirect3DDevice9* d = Dev();
  if (!d || !batch) return;
  SetViewProjection();
  SetWorld(*batch);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  const bool masked = batch->mask != nullptr;
  const int32_t blend = batch->BlendMode();
  d->SetRenderState(D3DRS_DESTBLEND, !masked && blend != 0 ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
  ApplyFlagBlend();
  IDirect3DTexture9* frame =
      batch->frameIndex < batch->frames.size() ? batch->frames[batch->frameIndex].Get() : nullptr;
  d->SetTexture(0, frame);
  d->SetIndices(batch->indexBuffer);
  d->SetFVF(DX_V::PCT::FVF);
  d->SetStreamSource(0, batch->vertexBuffer, 0, sizeof(DX_V::PCT));
  const UINT triangles = static_cast<UINT>(std::max<int32_t>(0, batch->SpriteCount())) * 2;
  auto draw = [&] {
    d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(batch->primitiveType), 0, 0,
                            static_cast<UINT>(batch->vertexCount), 0, triangles);
  };
  draw();
  if (masked) {
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTexture(0, batch->mask);
    if (blend == 1) d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    draw();
  }
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  // Stage 0 back to its defaults: the fade overlay takes its alpha from the
  // diffuse colour alone.
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

void DS_2D_Light::DrawTexturedGrid(TexturedGridObject* object, int argument) {
  IDirect3DDevice9* d = Dev();
  if (!d || !object) return;
  object->UpdateGrid(argument);
  GridMesh* g = object->GetGrid();
  if (!g) return;
  SetViewProjection();
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
  d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetTexture(0, object->GetGridTexture());
  d->SetIndices(g->indexBuffer);
  d->SetFVF(DX_V::PT::FVF);
  d->SetStreamSource(0, g->vertexBuffer, 0, sizeof(DX_V::PT));
  d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(g->primitiveType), 0, 0, static_cast<UINT>(g->vertexCount),
                          0, static_cast<UINT>(g->triangleCount));
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
}

void DS_2D_Light::BackgroundStep(int* counter, bool intoTarget) {
  if (!counter) return;
  --*counter;
  // Inside a target an object pushed (a copy rendering its source) the
  // slide's chain is neither advanced nor ended.
  if (!lockStack.empty()) return;
  // Without an off-screen pass the slide is drawn straight onto the current
  // target and the objects read the background picture.
  if (!chainRunning_) return;
  if (*counter < 1) {
    ComPtr<IDirect3DTexture9> kept = backgroundCopy;
    TextureHolder* t = EndTarget(true);
    backgroundCopy = t ? *t : ComPtr<IDirect3DTexture9>();
    if (!intoTarget) DrawImageQuad(kept);
  } else {
    targets.Select((targets.activeIndex + 1) % 2);
    if (intoTarget) {
      if (IDirect3DDevice9* d = Dev()) d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    }
    backgroundCopy = targets.textures[(targets.activeIndex + 1) % 2];
  }
  if (intoTarget) flags |= kLightFreshStep;
  else flags &= ~kLightFreshRun;
}

void DS_2D_Light::DrawWithTechnique(DS_IndexedMesh<DX_V::PCT>* g, ID3DXEffect** effect, const char* technique,
                                    int primitiveCount) {
  IDirect3DDevice9* d = Dev();
  if (!d || !g || !effect || !*effect) return;
  SetViewProjection();
  SetWorld(*g);
  (*effect)->SetTechnique((*effect)->GetTechniqueByName(technique));
  EachPass(effect, [&] {
    ApplyFlagBlend();
    d->SetIndices(g->indexBuffer);
    d->SetFVF(DX_V::PCT::FVF);
    d->SetStreamSource(0, g->vertexBuffer, 0, sizeof(DX_V::PCT));
    d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(g->primitiveType), 0, 0,
                            static_cast<UINT>(g->vertexCount), 0, static_cast<UINT>(std::max(0, primitiveCount)));
  });
}

void DS_2D_Light::DrawGeometryDefault(VertexBufferHolder* g, ID3DXEffect** effect) { DrawGeometry(g, effect); }

void DS_2D_Light::BeginSlide() {
  imageQuad.CreateVertexBuffer();
  imageQuad.SetImageLink(backgroundLink);
  if (RenderContext* rc = CurrentRenderContext()) {
    for (auto& bar : rc->borders) {
      bar = std::make_unique<ColorQuad>();
      bar->Create(QuadRect{}, 0xFF000000u);
    }
  }
}

void DS_2D_Light::OnResetDevice() {
  if (IDirect3DDevice9* d = Dev()) {
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
    d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR);
    d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  if (DS_DocResManager* manager = CurrentDocResManager()) manager->OnResetDevice();
  MakeTargetsUnlessPrepared();
}

void DS_2D_Light::MakeTargetsUnlessPrepared() {
  // Targets made ahead are as fresh as new ones would be.
  if (!targetsPrepared_) CreateTargets();
  targetsPrepared_ = false;
  preparingFactor_ = 0;
}

bool DS_2D_Light::TakeTargetsFrom(DS_2D_Light* from) {
  if (!from || from == this || targetsPrepared_ || !from->HasTargetSet()) return false;
  // Both were made for this back buffer: a reset in between lets both go.
  targets.TakeFrom(from->targets);
  targetsPrepared_ = true;
  preparingFactor_ = 0;
  return true;
}

bool DS_2D_Light::PrepareTargets() {
  if (targetsPrepared_) return false;
  // One target a call: a set at three times the screen is three big
  // textures, each a noticeable part of a frame to make.
  const BackBufferInfo& bb = GetBackBufferInfo();
  if (preparingFactor_ == 0 || preparingFactor_ > bb.factor) preparingFactor_ = bb.factor;
  const int made = preparingFactor_ >= 1
                       ? targets.CreateNext(bb.width * preparingFactor_, bb.height * preparingFactor_)
                       : -1;
  if (made > 0) return true;
  if (made < 0 && preparingFactor_ > 1) {
    --preparingFactor_;
    return true;
  }
  // No factor worked: no targets, the slide is drawn straight.
  if (made < 0) targets.ReleaseTextures();
  preparingFactor_ = 0;
  targetsPrepared_ = true;
  return true;
}

void DS_2D_Light::CreateTargets() {
  const BackBufferInfo& bb = GetBackBufferInfo();
  for (uint32_t k = bb.factor; k >= 1; --k) {
    if (targets.Create(bb.width * k, bb.height * k)) return;
  }
  // No factor worked: no targets, the slide is drawn straight.
  targets.ReleaseTextures();
}

void DS_2D_Light::OnLostDevice() {
  targetsPrepared_ = false;
  preparingFactor_ = 0;
  targets.ReleaseTextures();
  backgroundCopy = nullptr;
  viewStack.clear();
  fitModeStack.clear();
  lockStack.clear();
  chainRunning_ = false;
}

void DS_2D_Light::EndFrame(int) {
  if (RenderContext* rc = CurrentRenderContext()) rc->DrawBorders();
}

void DS_2D_Light::ClearBackground(int) {
  IDirect3DDevice9* d = Dev();
  RenderContext* rc = CurrentRenderContext();
  if (!d) return;
  SetViewProjection();
  if (rc) D3DXMatrixIdentity(&rc->parallax);
  SetWorld(imageQuad);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  if (!imageQuad.vertexBuffer) return;
  d->SetTexture(0, imageQuad.texture);
  d->SetFVF(DX_V::PT::FVF);
  d->SetStreamSource(0, imageQuad.vertexBuffer, 0, sizeof(DX_V::PT));
  d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(imageQuad.primitiveType), 0,
                   static_cast<UINT>(imageQuad.primitiveCount));
}

void DS_2D_Light::SetupViewImpl(const QuadCorners& corners) {
  if (!viewLocked) viewCorners = corners;
  RenderContext* rc = CurrentRenderContext();
  camera.ApplyView(viewCorners, imageQuad.picture, rc ? rc->fitMode : kFitLetterbox, viewLocked);
  const int w = static_cast<int>(viewCorners.c[3].x - viewCorners.c[0].x);
  const int h = static_cast<int>(viewCorners.c[2].y - viewCorners.c[1].y);
  QuadCorners fitted;
  FitImageCorners(&fitted, imageQuad.picture.width, imageQuad.picture.height, static_cast<float>(w),
                  static_cast<float>(h));
  ScaleCornersToBackBuffer(&fitted, w, h);
  RenderSettings& settings = GetRenderSettings();
  const BackBufferInfo& bb = GetBackBufferInfo();
  // An empty view keeps the scale finite.
  settings.scaleX = w != 0 ? static_cast<float>(bb.width) / static_cast<float>(w) : 1.0f;
  settings.scaleY = h != 0 ? static_cast<float>(bb.height) / static_cast<float>(h) : 1.0f;
  settings.corners = fitted;
  settings.pictureWidth = imageQuad.picture.width;
  settings.pictureHeight = imageQuad.picture.height;
}

void DS_2D_Light::SetupView(const QuadCorners& corners) { SetupViewImpl(corners); }

void DS_2D_Light::SetViewMode(int fitMode) {
  savedFitMode = fitMode;
  camera.ApplyView(viewCorners, imageQuad.picture, fitMode, false);
  SetupViewImpl(viewCorners);
}

namespace {

// True when drawing the overlay cannot change a pixel: every vertex fully
// transparent, the diffuse alpha reaching the blend unchanged or scaled, and
// the blend keeping the destination where the source alpha is 0.
bool OverlayLeavesPixels(IDirect3DDevice9* d, const ScreenQuad& quad) {
  for (const DX_V::RHWC& v : quad.vertices)
    if ((v.color >> 24) != 0) return false;
  DWORD src = 0, dst = 0, op = 0, separate = 0, alphaOp = 0;
  d->GetRenderState(D3DRS_SRCBLEND, &src);
  d->GetRenderState(D3DRS_DESTBLEND, &dst);
  d->GetRenderState(D3DRS_BLENDOP, &op);
  d->GetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, &separate);
  d->GetTextureStageState(0, D3DTSS_ALPHAOP, &alphaOp);
  const bool alphaStaysZero = alphaOp == D3DTOP_SELECTARG1 || alphaOp == D3DTOP_MODULATE ||
                              alphaOp == D3DTOP_MODULATE2X || alphaOp == D3DTOP_MODULATE4X;
  return src == D3DBLEND_SRCALPHA && dst == D3DBLEND_INVSRCALPHA && op == D3DBLENDOP_ADD && !separate &&
         alphaStaysZero;
}

}  // namespace

void DS_2D_Light::DrawOverlay(ScreenQuad* quad) {
  IDirect3DDevice9* d = Dev();
  if (!d || !quad) return;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  d->SetFVF(DX_V::RHWC::FVF);
  d->SetStreamSource(0, quad->Buffer(), 0, sizeof(DX_V::RHWC));
  // A fully transparent overlay is not drawn; the states stay as a draw leaves them.
  if (!OverlayLeavesPixels(d, *quad))
    d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(quad->primitiveType), 0, static_cast<UINT>(quad->primitiveCount));
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
}

void DS_2D_Light::DrawTexturedScreenQuad(TexturedScreenQuad* quad) {
  IDirect3DDevice9* d = Dev();
  if (!d || !quad) return;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTexture(0, quad->texture);
  d->SetFVF(DX_V::RHWCT::FVF);
  d->SetStreamSource(0, quad->vertexBuffer, 0, sizeof(DX_V::RHWCT));
  d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(quad->primitiveType), 0, static_cast<UINT>(quad->primitiveCount));
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

void DS_2D_Light::RenderObjects(RuntimeObjects& objects, int count) {
  IDirect3DDevice9* d = Dev();
  RenderContext* rc = CurrentRenderContext();
  backgroundCopy = Adopt(GetCurrentTexture());

  RuntimeObjects flat;
  for (auto& holder : objects) {
    if (!holder) continue;
    if (!holder->AppendMembers(flat)) flat.push_back(holder);
  }

  flags = 0;
  bool run = false;
  for (size_t i = flat.size(); i-- > 0;) {
    DS_ABObj* obj = flat[i].get();
    if (!obj) continue;
    bool ahead = false;
    for (size_t j = i; j-- > 0;) {
      DS_ABObj* below = flat[j].get();
      if (!below) continue;
      const bool belowEraser = below->IsEraser();
      if (!below->running && belowEraser) continue;
      ahead = below->running && belowEraser;
      break;
    }
    const bool e = obj->IsEraser();
    const int32_t b = obj->NeedsBackground();
    if (b == 0 && ahead && !e) {
      if (chainRunning_) {
        targets.SwapSpare(true);
        flags |= kLightFreshRun;
        run = true;
      }
    } else if (run && !ahead && e) {
      TextureHolder* t = targets.SwapSpare(false);
      backgroundCopy = t ? *t : ComPtr<IDirect3DTexture9>();
      flags &= ~kLightFreshRun;
      run = false;
    }
    if (obj->running) {
      if (e) {
        BackgroundStep(&count, ahead);
        if (flags & kLightNextReads) flags |= kLightPremultiplied;
      }
      if (rc) {
        // Depth 100 keeps to the background picture; nearer objects move
        // further with the camera. A depth of 0 keeps to the picture too.
        uint32_t depth = obj->model ? static_cast<uint32_t>(obj->Model()->depth.value) : 100u;
        float f = depth != 0 ? 100.0f / static_cast<float>(depth) - 1.0f : 0.0f;
        rc->parallax = Translation(rc->cameraOffset.x * f, rc->cameraOffset.y * f);
      }
      obj->Render(this, &count);
      const bool passes = e || obj->PassesOutput();
      if (ahead && passes) flags |= kLightNextReads;
      else flags &= ~kLightNextReads;
      flags &= ~(kLightFreshStep | kLightPremultiplied);
    }
    if (!ahead) backgroundCopy = Adopt(GetCurrentTexture());
    if (d) {
      d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    }
  }
  flags = 0;
}

void DS_2D_Light::BeginBackgroundChain() {
  RenderContext* rc = CurrentRenderContext();
  savedFitMode = rc ? rc->fitMode : savedFitMode;
  if (!HasTargets()) return;
  targets.Begin();
  viewStack.push_back(viewCorners);
  viewCorners.SetRect(static_cast<float>(targets.width), static_cast<float>(targets.height));
  camera.ApplyView(viewCorners, imageQuad.picture, kFitOffscreenStretch, false);
  chainRunning_ = true;
}

TextureHolder* DS_2D_Light::NextTarget(bool clear) {
  if (!chainRunning_) return &backgroundCopy;
  targets.Select((targets.activeIndex + 1) % 2);
  if (clear) {
    if (IDirect3DDevice9* d = Dev()) d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  }
  return &targets.textures[(targets.activeIndex + 1) % 2];
}

TextureHolder* DS_2D_Light::EndTarget(bool clear) {
  if (!chainRunning_) return &backgroundCopy;
  chainRunning_ = false;
  TextureHolder* t = targets.End(clear);
  if (!viewStack.empty()) {
    viewCorners = viewStack.back();
    viewStack.pop_back();
  }
  camera.ApplyView(viewCorners, imageQuad.picture, savedFitMode, false);
  return t;
}

bool DS_2D_Light::RestartCamera(int enabled) { return camera.Restart(enabled, viewCorners, imageQuad.picture); }

void DS_2D_Light::ResetView() {
  imageQuad.SetImageLink(backgroundLink);
  camera.SetDefaultViewSize(imageQuad.picture.width, imageQuad.picture.height);
  SetupView(viewCorners);
}

IDirect3DTexture9* DS_2D_Light::GetCurrentTexture() {
  IDirect3DTexture9* t = imageQuad.picture.texture.Get();
  if (t) t->AddRef();
  return t;
}

void RegisterRenderReaders() {
  RegisterReader<DS_2D_Light, DS_2D_Light>(u"DS_2D_Light");
  RegisterTextureSourceReaders();
}
