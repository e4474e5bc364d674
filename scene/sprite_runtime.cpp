#include "scene/sprite_runtime.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "core/crt.h"
#include "core/thread_slots.h"
#include "platform/com/com.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/current_device.h"
#include "player/render_context.h"
#include "player/render_target_set.h"
#include "scene/sprite_fx.h"

namespace {

DocImage* ResolveDocImage(const DS_BaseSpriteProp& model) {
  DS_DocResManager* doc = CurrentDocResManager();
  if (!doc) return nullptr;
  if (model.imageKind == 1) return &doc->LoadModuleImage(model.imageLink);
  return &doc->GetTextures(model.imageLink);
}

// The four corners of a sprite's quad: 0 = P - wX + hY, 1 = P - wX - hY,
// 2 = P + wX + hY, 3 = P + wX - hY.
void QuadCorners4(const SpriteRecord& s, D3DXVECTOR3 out[4]) {
  const D3DXVECTOR3 wx = s.xAxis * s.halfWidth, hy = s.yAxis * s.halfHeight;
  out[0] = s.position - wx + hy;
  out[1] = s.position - wx - hy;
  out[2] = s.position + wx + hy;
  out[3] = s.position + wx - hy;
}

}  // namespace

// ---------------------------------------------------------------------------
// ParticleGeomArray

ParticleGeomArray::~ParticleGeomArray() = default;

void ParticleGeomArray::Attach(DS_BaseSpriteProp* model) {
  spriteModel = model;
  countControl_.Set(&ParticleGeomArray::OnCountChanged, this);
  countControl_.Attach(&model->count);
  countControl_.Prime();
}

uint32_t ParticleGeomArray::ModelCount() const {
  return spriteModel ? std::min(spriteModel->count.value, kMaxSprites) : 0u;
}

void ParticleGeomArray::OnCountChanged(unsigned int count) {
  if (!spriteModel) return;
  const uint32_t n = std::min<uint32_t>(count, kMaxSprites);
  countChanged = true;
  if (n != 0) {
    vertexBuffer = nullptr;
    Allocate(n);
  }
  DS_BaseSpriteProp& model = *spriteModel;
  sprites.reserve(n);
  while (sprites.size() < n) {
    auto s = std::make_unique<SpriteRecord>();
    s->Init(model);
    s->switchTime = 0.0f;
    s->delay = 0.0f;
    s->deadline = 0.0f;
    s->waitClock = 0.0f;
    s->reentered = 0;
    s->frozen = 0;
    s->handlingEdge = -1;
    s->alphaFactor = 1.0f;
    const float sign = (crt_rand() & 1) ? -1.0f : 1.0f;
    s->twinkleSpeed = sign * model.twinkleSpeed;
    s->colour = model.BaseArgb(s->alphaFactor);
    sprites.push_back(std::move(s));
    model.SpawnSprite(*sprites.back());
  }
  while (sprites.size() > n) sprites.pop_back();
}

void ParticleGeomArray::Advance(float t) {
  if (!spriteModel) return;
  spriteModel->AdvanceViewClock(t);
  spriteModel->AdvanceSpriteClock(t);
  for (auto& s : sprites) spriteModel->UpdateSprite(*s);
}

void ParticleGeomArray::FillVertices(DS_BaseSpriteProp* model) {
  if (!model || !vertexBuffer) return;
  const uint32_t n = std::min(model->count.value, kMaxSprites);
  if (static_cast<uint32_t>(vertexCount / 4) != n || sprites.size() < n) return;
  DX_V::PCT* v = LockVertices();
  if (!v) return;
  const float T = model->viewTime;
  const float fc = static_cast<float>(model->FrameCount());
  for (uint32_t i = 0; i < n; ++i, v += 4) {
    const SpriteRecord& s = *sprites[i];
    D3DXVECTOR3 c[4];
    QuadCorners4(s, c);
    const uint32_t colour = model->GetSpriteColor(s.colour);
    float va = s.vRange[0], vb = s.vRange[1];
    if (model->flipVertical.value) std::swap(va, vb);
    float ua = s.uRange[0], ub = s.uRange[1];
    if (model->flipHorizontal.value) std::swap(ua, ub);
    if (model->atlasFlag) {
      if (T - atlasSwitchTime > 1.0f / model->frameRate) {
        atlasFrame = model->NextFrame(atlasFrame);
        atlasSwitchTime = T;
      } else if (T < atlasSwitchTime) {
        atlasSwitchTime = 0.0f;
      }
      ua = static_cast<float>(atlasFrame) / fc;
      ub = static_cast<float>(atlasFrame + 1) / fc;
      if (model->flipHorizontal.value) std::swap(ua, ub);
    }
    const float uv[4][2] = {{ua, vb}, {ua, va}, {ub, vb}, {ub, va}};
    for (int k = 0; k < 4; ++k) {
      v[k].x = c[k].x;
      v[k].y = c[k].y;
      v[k].z = c[k].z;
      v[k].color = colour;
      v[k].u = uv[k][0];
      v[k].v = uv[k][1];
    }
  }
  Unlock();
}

int32_t ParticleGeomArray::SpriteCount() const {
  if (!spriteModel || !vertexBuffer) return 0;
  // Never more quads than the buffers hold.
  const uint32_t n = std::min(spriteModel->GetSpriteCount(), Capacity());
  return static_cast<int32_t>(n);
}

int32_t ParticleGeomArray::BlendMode() const { return spriteModel ? spriteModel->blendMode.value : 0; }

void ParticleGeomArray::ClearSpriteTimers() {
  for (auto& s : sprites) s->ClearTimers();
}

void ParticleGeomArray::WriteTrack(SpriteTrackCollector* c, bool last) {
  if (!c || !spriteModel) return;
  const int32_t s = static_cast<int32_t>(spriteModel->timing.Current()->GetState());
  c->frames += 1;
  if (c->header.empty()) {
    c->header += "[ [0,1,";
    c->body += "[ ";
    WriteKeyFrame(&c->body);
  } else if (last) {
    WriteKeyFrame(&c->body);
    c->body += " ]";
    c->header += std::to_string(c->frames) + "] ]";
  } else if (spriteModel->NeedsTrackBreak(c->frames) || s != trackState) {
    WriteKeyFrame(&c->body);
    c->segments += 1;
    c->header += std::to_string(c->frames) + "],[" + std::to_string(c->segments) + "," +
                 std::to_string(c->segments + 1) + ",";
    c->frames = 0;
  }
  if (trackState != -1) trackState = s;
}

void ParticleGeomArray::WriteKeyFrame(std::string* text) {
  std::ostringstream out;
  out << "[ ";
  const RenderContext* rc = CurrentRenderContext();
  D3DXMATRIX view;
  if (rc) view = rc->view;
  else D3DXMatrixIdentity(&view);
  const uint32_t n = std::min<size_t>(ModelCount(), sprites.size());
  for (uint32_t i = 0; i < n; ++i) {
    const SpriteRecord& sp = *sprites[i];
    const float w = sp.halfWidth, h = sp.halfHeight;
    const D3DXVECTOR3 K = sp.position - sp.xAxis * w - sp.yAxis * h;
    const float width = 2.0f * std::fabs(w), height = 2.0f * std::fabs(h);
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    const float fx = width != 0.0f ? 2.0f * w / width : 0.0f;
    const float fy = height != 0.0f ? 2.0f * h / height : 0.0f;
    m._11 = sp.xAxis.x * fx;
    m._12 = sp.xAxis.y * fx;
    m._13 = sp.xAxis.z * fx;
    m._21 = sp.yAxis.x * fy;
    m._22 = sp.yAxis.y * fy;
    m._23 = sp.yAxis.z * fy;
    D3DXMATRIX inv;
    if (D3DXMatrixInverse(&inv, nullptr, &m)) m = inv;
    D3DXVECTOR4 p, size;
    D3DXVec3Transform(&p, &K, &view);
    const D3DXVECTOR3 extent(width, height, 0.0f);
    D3DXVec3Transform(&size, &extent, &view);
    const float a = static_cast<float>(spriteModel->GetSpriteColor(sp.colour) >> 24) / 255.0f;
    auto whole = [](float f) { return std::isfinite(f) && std::fabs(f) < 2e9f ? static_cast<int32_t>(f) : 0; };
    out << "{x:" << whole(p.x) << ",y:" << whole(p.y) << ",cx:" << whole(size.x) << ",cy:" << whole(size.y)
        << ",tr:[" << m._11 << "," << m._12 << "," << m._13 << "," << m._21 << "," << m._22 << "," << m._23
        << "],a:" << a << "},";
  }
  out << " ],";
  *text += out.str();
}

// ---------------------------------------------------------------------------
// DS_SpriteArrayObj

DS_SpriteArrayObj::DS_SpriteArrayObj(DS_ParticleSystemCtrl* clone) : DS_ABObj(clone) {
  DS_DocResManager* doc = CurrentDocResManager();
  if (doc && clone->imageKind == 2) {
    imageSet = doc->GetImage(clone->imageLink, 1);
  } else if (DocImage* image = ResolveDocImage(*clone)) {
    imageSet.textures = image->textures;
    imageSet.delays = image->delays;
    imageSet.uScale = 1.0f;
    imageSet.vScale = 1.0f;
    imageSet.imageWidth = image->width;
    imageSet.imageHeight = image->height;
    imageSet.aspect = image->aspect;
  }
  imageSet.frameIndex = 0;
  imageSet.lastSwitch = 0.0f;
  frames = imageSet.textures;
  frameIndex = 0;
  Attach(clone);
  if (doc && !clone->secondImageLink.name.empty()) {
    DocImage& second = doc->GetTextures(clone->secondImageLink);
    if (second.frameIndex < second.textures.size()) mask = second.textures[second.frameIndex];
  }
}

DS_SpriteArrayObj::~DS_SpriteArrayObj() { mask = nullptr; }

void DS_SpriteArrayObj::Draw(DS_ABRender* context) {
  // An image without textures has nothing to show.
  if (!context || frames.empty() || frameIndex >= frames.size()) return;
  context->DrawTexturedBatch(this);
}

void DS_SpriteArrayObj::ResetTiming() {
  DS_ABObj::ResetTiming();
  ClearSpriteTimers();
}

void DS_SpriteArrayObj::Restart() {
  DS_ABObj::Restart();
  ClearSpriteTimers();
}

void DS_SpriteArrayObj::Update(float localTime) {
  DS_BaseSpriteProp* model = spriteModel;
  if (!model) return;
  model->frozen = 0;
  Advance(localTime);
  bool switched = false;
  const auto& delays = imageSet.delays;
  if (!delays.empty()) {
    const size_t i = frameIndex < delays.size() ? frameIndex : 0;
    if (model->spriteTime - lastSwitch >= delays[i]) {
      lastSwitch = model->spriteTime;
      frameIndex = static_cast<uint32_t>((i + 1) % delays.size());
      switched = true;
    }
  }
  // A static model fills at frame switches, and once after every count
  // change (its first update included) so that it shows at all.
  if (model->staticFlag.value && !switched && !countChanged) return;
  countChanged = false;
  FillVertices(model);
  if (model->imageKind != 2 || !vertexBuffer) return;
  const uint32_t n = std::min(ModelCount(), Capacity());
  DX_V::PCT* v = LockVertices();
  if (!v) return;
  float va = imageSet.vScale, vb = 0.0f;
  if (model->flipVertical.value) std::swap(va, vb);
  float ua = 0.0f, ub = imageSet.uScale;
  if (model->flipHorizontal.value) std::swap(ua, ub);
  for (uint32_t i = 0; i < n; ++i, v += 4) {
    v[0].u = ua;
    v[0].v = va;
    v[1].u = ua;
    v[1].v = vb;
    v[2].u = ub;
    v[2].v = va;
    v[3].u = ub;
    v[3].v = vb;
  }
  Unlock();
}

void DS_SpriteArrayObj::SyncView() {
  if (spriteModel) spriteModel->SyncPixelRect();
}

bool DS_SpriteArrayObj::HitTest(float x, float y) { return spriteModel && spriteModel->HitTest(x, y); }

bool DS_SpriteArrayObj::GetScreenRects(std::vector<ScreenRect>& list) {
  for (const auto& s : sprites) {
    D3DXVECTOR3 c[4];
    QuadCorners4(*s, c);
    float x0 = c[0].x, x1 = c[0].x, y0 = c[0].y, y1 = c[0].y;
    for (int k = 1; k < 4; ++k) {
      x0 = std::min(x0, c[k].x);
      x1 = std::max(x1, c[k].x);
      y0 = std::min(y0, c[k].y);
      y1 = std::max(y1, c[k].y);
    }
    list.push_back(ScreenRect{x0, y0, x1 - x0, y1 - y0});
  }
  return false;
}

void DS_SpriteArrayObj::WriteTrack(void* collector, bool last) {
  ParticleGeomArray::WriteTrack(static_cast<SpriteTrackCollector*>(collector), last);
}

// ---------------------------------------------------------------------------
// DS_GlowingObj

DS_GlowingObj::DS_GlowingObj(DS_GlowEffectCtrl* clone) : DS_ABObj(clone), glowModel(clone) {
  CoCreateGuid(&key.guid);
  Attach(clone);
  clone->LoadEffect();
  if (DS_DocResManager* doc = CurrentDocResManager()) {
    targets = doc->GetTargetSetByGuid(key);
    if (targets) targets->Create(512, 512);
  }
}

DS_GlowingObj::~DS_GlowingObj() = default;

int32_t DS_GlowingObj::NeedsBackground() {
  // Without its effect or target the composite cannot be drawn, and the
  // background step would leave the picture drawn so far behind.
  if (!running || !glowModel || !glowModel->effect || !targets || !targets->active) return 0;
  return 1;
}

void DS_GlowingObj::Update(float localTime) {
  if (!glowModel) return;
  glowModel->PrepareFrame();
  Advance(localTime);
  FillVertices(glowModel);
}

void DS_GlowingObj::Draw(DS_ABRender* context) {
  if (!context || !glowModel) return;
  ID3DXEffect* e = glowModel->effect.Get();
  if (!e) return;
  ID3DXEffect* effectSlot = e;
  IDirect3DDevice9* device = CurrentDevice();
  const float v = glowModel->timing.Current()->GetVisibility();
  const uint32_t gc = glowModel->glowColour.value;
  const D3DXVECTOR4 blendColour(static_cast<float>(gc & 0xFF) / 255.0f, static_cast<float>(gc >> 8 & 0xFF) / 255.0f,
                                static_cast<float>(gc >> 16 & 0xFF) / 255.0f, glowModel->glowIntensity.derived * v);
  const bool canGlow = targets && targets->active && NeedsBackground() != 0;
  if (canGlow) {
    e->SetVector("BlendColor", &blendColour);
    e->SetTexture("Texture1", glowModel->glowTexture.Get());
    e->SetTechnique("Blend_Max");
    targets->Begin();
    context->PushTarget(static_cast<int>(targets->width), static_cast<int>(targets->height), 3);
    if (device) device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    context->DrawBatchWithEffect(this, &effectSlot);
    targets->End(false);
    context->PopTarget();

    e->SetTechnique(glowModel->blendMode.value == 1 ? "Blend_Screen" : "Blend_Normal");
    e->SetVector("BlendColor", &blendColour);
    TextureHolder* background = context->GetBackgroundTexture();
    e->SetTexture("Texture1", background ? background->Get() : nullptr);
    e->SetTexture("Texture2", targets->active.Get());
    context->DrawGeometry(context->GetScreenQuad(), &effectSlot);
  }
  e->SetTechnique("Common");
  e->SetTexture("Texture1", glowModel->spriteTexture.Get());
  context->DrawBatchWithEffect(this, &effectSlot);
}

// ---------------------------------------------------------------------------
// DS_FXObj

DS_FXObj::DS_FXObj(DS_StatBaseFXCtrl* clone) : DS_ABObj(clone), fxModel(clone) {
  Attach(clone);
  clone->LoadEffect();
}

void DS_FXObj::Update(float localTime) {
  Advance(localTime);
  FillVertices(fxModel);
}

void DS_FXObj::Draw(DS_ABRender* context) {
  if (!context || !fxModel) return;
  if (!fxModel->Draw(context, this)) return;
  ID3DXEffect* e = fxModel->effect.Get();
  if (!e) return;
  context->DrawBatchWithEffect(this, &e);
}

void DS_FXObj::WriteTrack(void* collector, bool last) {
  ParticleGeomArray::WriteTrack(static_cast<SpriteTrackCollector*>(collector), last);
}
