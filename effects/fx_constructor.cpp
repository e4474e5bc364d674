#include "effects/fx_constructor.h"

#include <cmath>

#include "core/archive.h"
#include "core/noise.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "player/current_device.h"
#include "player/render_context.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"

namespace {

NamedGuid FreshMask() {
  NamedGuid g;
  CoCreateGuid(&g.guid);
  return g;
}

}  // namespace

D3DXVECTOR2 ViewportSize() {
  RenderContext* rc = CurrentRenderContext();
  return rc ? rc->visibleSize : D3DXVECTOR2(0.0f, 0.0f);
}

void ColourRGB(COLORREF colour, float* r, float* g, float* b) {
  *r = static_cast<float>(colour & 0xFF) / 255.0f;
  *g = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
  *b = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
}

bool CreateBackBufferTargets(RenderTargetSet& targets) {
  const BackBufferInfo& bb = GetBackBufferInfo();
  for (uint32_t k = bb.factor; k >= 1; --k) {
    if (targets.Create(k * bb.width, k * bb.height)) return true;
  }
  targets.ReleaseTextures();
  return false;
}

// ---------------------------------------------------------------------------
// DS_FX_Constructor

DS_FX_Constructor::DS_FX_Constructor() : mask(FreshMask()) {
  scale.SetScaleOffset(0.02f, 0.0f, 50u);
  phase.SetScaleOffset(0.06283186f, 0.0f, 0u);
}

DS_FX_Constructor::DS_FX_Constructor(const DS_FX_Constructor& other)
    : DS_ABObj_Constructor(other),
      speed(other.speed),
      mode(other.mode),
      effectFile(other.effectFile),
      scale(other.scale),
      quad(other.quad),
      reserved(other.reserved),
      phase(other.phase),
      mask(other.mask),
      maskFlag(other.maskFlag),
      maskTexture(other.maskTexture),
      maskPosition(other.maskPosition),
      effect(other.effect),
      grid(other.grid) {
  // The clock values are not part of the parameter's copy.
  speed.step = other.speed.step;
  speed.elapsed = other.speed.elapsed;
  speed.last_time = other.speed.last_time;
}

DS_FX_Constructor::~DS_FX_Constructor() = default;

void DS_FX_Constructor::ResetTime() {
  speed.last_time = 0.0f;
  speed.elapsed = 0.0f;
}

void DS_FX_Constructor::AdvanceTime(float t) { speed.Advance(t); }

float DS_FX_Constructor::Visibility() { return timing.Current()->GetVisibility(); }

float DS_FX_Constructor::WaveValue(int32_t kind) const {
  const float x = phase.derived + speed.elapsed;
  switch (kind) {
    case 2: {
      float a = x / 6.2831855f + 0.25f;
      a = a - std::floor(a);
      if (a > 0.5f) a = 1.0f - a;
      return (a - 0.25f) * 4.0f;
    }
    case 3:
      return std::sin(x);
    case 4:
      return static_cast<float>(OctaveNoise1D(3, 50.0 * x, 75.0, 0.5));
    case 5:
      return 0.6f * std::sin(2.0f * x + 1.5707964f) + std::sin(x);
    default:
      return 0.0f;
  }
}

void DS_FX_Constructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  const uint32_t v = static_cast<uint32_t>(version);
  speed.Read(ar);
  ar.ReadInt(&mode.value);
  ar.ReadGuid(&mask.guid);
  ar.ReadWideString(&mask.name);
  ar.ReadByte(&maskFlag);
  ReadFileLink3(ar, effectFile);
  if (v >= 2) scale.Read(ar);
  if (v >= 3) {
    ReadMediaQuad(ar, quad);
    ar.ReadInt(&reserved.value);
  }
  if (v >= 4) phase.Read(ar);
  else phase.SetValue(0u);
  ReadConstructorBase(ar);
}

void DS_FX_Constructor::ReadFXBase(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  DS_FX_Constructor::ReadRecord(ar, version);
}

bool DS_FX_Constructor::GetScreenRects(std::vector<ScreenRect>& list) {
  const D3DXVECTOR3& c0 = quad.corners[0].value;
  const D3DXVECTOR3& c3 = quad.corners[3].value;
  list.push_back(ScreenRect{c0.x, c0.y, c3.x - c0.x, c3.y - c0.y});
  return false;
}

DS_ABObj* DS_FX_Constructor::CreateRuntime() {
  DS_FX_Constructor* clone = Clone();
  auto* runtime = new DS_BrushObj(clone);
  TextureHolder* holder = nullptr;
  if (DS_DocResManager* manager = CurrentDocResManager()) holder = manager->GetTextureByGuid(clone->mask.guid);
  clone->LoadEffect(holder);
  return runtime;
}

void DS_FX_Constructor::LoadEffect(TextureHolder* maskHolder) {
  ID3DXEffect* loaded = nullptr;
  if (DS_DocResManager* manager = CurrentDocResManager()) manager->GetEffect(&loaded, ClassName(), effectFile);
  effect.Attach(loaded);
  SetMaskTexture(maskHolder);
}

void DS_FX_Constructor::LoadEffectOnGrid(TextureHolder* maskHolder) {
  DS_FX_Constructor::LoadEffect(maskHolder);
  MakeGrid();
}

void DS_FX_Constructor::MakeGrid() {
  grid.Create(2, 2);
  UpdateMaskQuad();
}

void DS_FX_Constructor::SetMaskTexture(TextureHolder* holder) {
  if (holder == &maskTexture) return;
  maskTexture = holder ? *holder : TextureHolder();
}

void DS_FX_Constructor::NewMask() {
  maskTexture = nullptr;
  mask = FreshMask();
  maskFlag = 1;
}

void DS_FX_Constructor::LoadMask() {
  NamedGuid fresh = FreshMask();
  DS_DocResManager* manager = CurrentDocResManager();
  if (manager) {
    TextureHolder* slot = manager->GetTextureByGuid(fresh.guid);
    auto it = manager->RawFrames().find(GuidToString(mask.guid));
    IDirect3DDevice9* device = CurrentDevice();
    if (it != manager->RawFrames().end() && it->second.size() == 1 && device) {
      const RawFrame& frame = it->second.front();
      *slot = nullptr;
      IDirect3DTexture9* texture = nullptr;
      if (frame.count > 0 &&
          SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(device, frame.bytes.data(), frame.count, D3DX_DEFAULT,
                                                        D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                        D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr,
                                                        &texture)))
        slot->Attach(texture);
    }
    maskTexture = *slot;
  }
  mask = fresh;
  maskFlag = 1;
}

void DS_FX_Constructor::UpdateMaskQuad() {
  if (!grid.vertexBuffer) return;
  const RenderSettings& settings = GetRenderSettings();
  const float wi = static_cast<float>(settings.pictureWidth);
  const float hi = static_cast<float>(settings.pictureHeight);
  DX_V::PT v[4];
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3& c = quad.corners[i].value;
    v[i] = DX_V::PT{c.x, c.y, c.z, c.x / wi, c.y / hi};
  }
  grid.FillVertices(v[0], v[1], v[2], v[3]);
}

void DS_FX_Constructor::SetMaskPositionParam(DS_ABRender* context) {
  if (!effect) return;
  const float w = static_cast<float>(context->GetTargetWidth());
  const float h = static_cast<float>(context->GetTargetHeight());
  SetFloats(effect, "mask_position", {-(maskPosition.x / w), -(maskPosition.y / h)});
}

void DS_FX_Constructor::DrawFullScreen(DS_ABRender* context) {
  ID3DXEffect* e = effect.Get();
  if (!e || !context) return;
  const float a = static_cast<float>(context->GetTargetWidth()) / static_cast<float>(context->GetTargetHeight());
  const float s = scale.derived;
  e->SetTechnique(mode.value != 0 ? "MainFX" : "Main");
  SetMaskPositionParam(context);
  SetFloats(e, "Scale", {a / s, 1.0f / s});
  e->SetTexture("Mask", maskTexture.Get());
  TextureHolder* background = context->GetBackgroundTexture();
  e->SetTexture("Background", background ? background->Get() : nullptr);
  ID3DXEffect* draw = e;
  context->DrawGeometry(context->GetScreenQuad(), &draw);
}

void DS_FX_Constructor::DrawOnGrid(DS_ABRender* context) {
  ID3DXEffect* e = effect.Get();
  if (!e || !context) return;
  SetMaskPositionParam(context);
  ID3DXEffect* draw = e;
  if (mode.value == 0) {
    if (IsDisplacement()) {
      D3DXMatrixTranslation(&grid.world, maskPosition.x, maskPosition.y, maskPosition.z);
      grid.local = grid.world;
    }
    e->SetTechnique("Main");
    context->DrawIndexed(&grid, &draw);
    return;
  }
  e->SetTechnique("MainFX");
  context->DrawGeometry(context->GetScreenQuad(), &draw);
}

void DS_FX_Constructor::SetCommonParams(DS_ABRender* context) {
  ID3DXEffect* e = effect.Get();
  if (!e || !context) return;
  const float a = static_cast<float>(context->GetTargetWidth()) / static_cast<float>(context->GetTargetHeight());
  const float s = scale.derived;
  SetFloats(e, "Scale", {a / s, 1.0f / s, s / a, s});
  e->SetTexture("Mask", maskTexture.Get());
  TextureHolder* background = context->GetBackgroundTexture();
  e->SetTexture("Background", background ? background->Get() : nullptr);
  e->SetTechnique(mode.value != 0 ? "MainFX" : "Main");
}

// ---------------------------------------------------------------------------
// DS_BrushObj

DS_BrushObj::DS_BrushObj(DS_FX_Constructor* clone) : DS_ABObj(clone), fx(clone) {}

void DS_BrushObj::Draw(DS_ABRender* context) { fx->DrawEffect(context); }

void DS_BrushObj::Render(DS_ABRender* context, int* counter) {
  if (fx->IsActive() && fx->IsMode1()) context->BackgroundStep(counter, fx->ClearsOnBackgroundStep());
  Draw(context);
}

int32_t DS_BrushObj::NeedsBackground() {
  if (!running || !fx->IsActive()) return 0;
  return fx->IsMode1() || fx->IsEraseMode() ? 1 : 0;
}
