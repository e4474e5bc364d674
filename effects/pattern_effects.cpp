#include "effects/pattern_effects.h"

#include <algorithm>
#include <vector>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/current_device.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"

namespace {

// Copies whose source is being rendered, innermost last: a source among them
// (the copy itself, or copies naming each other) is not rendered again.
thread_local std::vector<GUID> g_copiesBusy;

bool IsBusy(const GUID& guid) {
  return std::find(g_copiesBusy.begin(), g_copiesBusy.end(), guid) != g_copiesBusy.end();
}

}  // namespace

// ---------------------------------------------------------------------------
// DS_PatternBrush

DS_PatternBrush::DS_PatternBrush() {
  speed.SetScaleOffset(0.02f, 0.0f, 50u);
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 78);
  patternScale.SetScaleOffset(0.01f, 0.0f, 100u);
  offsetX.SetScaleOffset(-0.01f, 0.0f, 0u);
  offsetY.SetScaleOffset(0.01f, 0.0f, 0u);
}

void DS_PatternBrush::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadFileLink3(ar, patternImage);
  ar.ReadInt(&flipY.value);
  ar.ReadInt(&flipX.value);
  ar.ReadUInt(&angle.value);
  patternScale.Read(ar);
  offsetX.Read(ar);
  offsetY.Read(ar);
  ReadFXBase(ar);
}

void DS_PatternBrushC::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  zvi_string name;
  int32_t inner = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&inner);
  DS_PatternBrush::ReadRecord(ar, inner);
}

void DS_PatternBrush::LoadEffect(TextureHolder* maskHolder) {
  DS_FX_Constructor::LoadEffect(maskHolder);
  if (DS_DocResManager* manager = CurrentDocResManager()) {
    pattern = patternImage.GetExtension() == u".dll" ? manager->LoadModuleImage(patternImage)
                                                     : manager->GetTextures(patternImage);
  }
  frameIndex = 0;
}

void DS_PatternBrush::AdvanceTime(float t) {
  DS_FX_Constructor::AdvanceTime(t);
  const float time = Time();
  if (time - frameStart < 0.0f) frameStart = time;
  if (!pattern.delays.empty()) {
    const size_t n = pattern.delays.size();
    if (frameIndex >= n) frameIndex = 0;
    if (time - frameStart > pattern.delays[frameIndex]) {
      frameStart = time;
      frameIndex = static_cast<uint32_t>((frameIndex + 1) % n);
    }
  }
}

void DS_PatternBrush::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float alpha = timing.value == 1 ? Visibility() : 1.0f;
  SetFloats(e, "mix_color", {1.0f, 1.0f, 1.0f, alpha});
  const float w = static_cast<float>(pattern.width);
  const float h = static_cast<float>(pattern.height);
  if (pattern.height == 0) return;
  if (!pattern.textures.empty()) {
    const size_t i = frameIndex < pattern.textures.size() ? frameIndex : 0;
    e->SetTexture("Pattern", pattern.textures[i].Get());
  }
  SetFloats(e, "scale", {w / h, 1.0f});
  SetFloats(e, "offset", {offsetX.derived, offsetY.derived});
  const float s = patternScale.derived;
  float sx = static_cast<float>(context->GetTargetWidth()) / (w * s);
  float sy = static_cast<float>(context->GetTargetHeight()) / (h * s);
  if (flipX.value != 0) sx = -sx;
  if (flipY.value != 0) sy = -sy;
  D3DXMATRIX scaling, rotation, m;
  D3DXMatrixScaling(&scaling, sx, sy, 1.0f);
  D3DXMatrixRotationZ(&rotation, static_cast<float>(angle.value) * 3.1415927f / 180.0f);
  D3DXMatrixMultiply(&m, &scaling, &rotation);
  SetFloats(e, "coord_transf", {m._11, m._12, m._21, m._22});
  DrawFullScreen(context);
}

// ---------------------------------------------------------------------------
// DS_BackgroundCopy

DS_BackgroundCopy::DS_BackgroundCopy() : targets(std::make_shared<RenderTargetSet>()) {
  effectFile = DS_HLSLEffectFile(u"common_res.dll", 75);
}

DS_BackgroundCopy::DS_BackgroundCopy(const DS_BackgroundCopy& other)
    : DS_FX_Constructor(other),
      copyRect(other.copyRect),
      shiftY(other.shiftY),
      shiftX(other.shiftX),
      sourceObject(other.sourceObject),
      targets(other.targets) {}

void DS_BackgroundCopy::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadMediaRectangle(ar, copyRect);
  ar.ReadInt(&shiftY.value);
  ar.ReadInt(&shiftX.value);
  if (static_cast<uint32_t>(version) >= 2) ar.ReadGuid(&sourceObject.value);
  ReadFXBase(ar);
}

void DS_BackgroundCopy::CreateDeviceObjects() { CreateBackBufferTargets(*targets); }

void DS_BackgroundCopy::ReleaseDeviceObjects() { targets->ReleaseTextures(); }

void DS_BackgroundCopy::LoadEffect(TextureHolder* maskHolder) {
  DS_FX_Constructor::LoadEffect(maskHolder);
  CreateDeviceObjects();
  if (!guard_) guard_ = std::make_unique<DeviceObjectsGuard>(this);
}

IDirect3DTexture9* DS_BackgroundCopy::RenderSource(DS_ABRender* context) {
  // Without a private target there is nothing to copy into.
  if (!targets->active) return nullptr;
  DS_ABObj* source = FindRuntimeObject(sourceObject.value);
  targets->Begin();
  context->PushTarget(static_cast<int>(targets->width), static_cast<int>(targets->height), 3);
  if (IDirect3DDevice9* d = CurrentDevice()) d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  if (source && sourceObject.value != guid && !IsBusy(sourceObject.value)) {
    g_copiesBusy.push_back(guid);
    g_copiesBusy.push_back(sourceObject.value);
    int pass = 0;
    source->Render(context, &pass);
    g_copiesBusy.pop_back();
    g_copiesBusy.pop_back();
  }
  TextureHolder* drawn = targets->End(false);
  context->PopTarget();
  return drawn ? drawn->Get() : nullptr;
}

void DS_BackgroundCopy::DrawEffect(DS_ABRender* context) {
  ID3DXEffect* e = Effect();
  if (!e || !context) return;
  const float w = static_cast<float>(context->GetTargetWidth());
  const float h = static_cast<float>(context->GetTargetHeight());
  const float ox = static_cast<float>(copyRect.extra1.value) / w + (shiftX.value != 0 ? 1.0f : 0.0f);
  const float oy = static_cast<float>(copyRect.extra2.value) / h + (shiftY.value != 0 ? 1.0f : 0.0f);
  SetFloats(e, "offset", {ox, oy});
  e->SetTechnique(mode.value != 0 ? "MainFX" : "Main");
  SetMaskPositionParam(context);
  const float s = scale.derived;
  SetFloats(e, "Scale", {(w / h) / s, 1.0f / s});
  e->SetTexture("Mask", maskTexture.Get());
  if (IsNullGuid(sourceObject.value)) {
    TextureHolder* background = context->GetBackgroundTexture();
    e->SetTexture("Background", background ? background->Get() : nullptr);
  } else {
    IDirect3DTexture9* copied = RenderSource(context);
    if (!copied) return;
    e->SetTexture("Background", copied);
  }
  ID3DXEffect* draw = e;
  context->DrawGeometry(context->GetScreenQuad(), &draw);
}
