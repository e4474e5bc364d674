#include "scene/sprite_fx.h"

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/doc_res_manager.h"
#include "scene/sprite_runtime.h"

namespace {

// The texture at the image's current frame, or null.
IDirect3DTexture9* CurrentTexture(DS_DocResManager& doc, const DS_FileLink3& link) {
  DocImage& image = doc.GetTextures(link);
  return image.frameIndex < image.textures.size() ? image.textures[image.frameIndex].Get() : nullptr;
}

void Replace(ComPtr<IDirect3DTexture9>& held, IDirect3DTexture9* texture) {
  if (held.Get() != texture) held = ComPtr<IDirect3DTexture9>(texture);
}

}  // namespace

// ---------------------------------------------------------------------------

void DS_FXParticleSystemCtrl::LoadEffect() {
  DS_DocResManager* doc = CurrentDocResManager();
  if (!doc) return;
  ID3DXEffect* loaded = nullptr;
  doc->GetEffect(&loaded, EffectClass(), effectLink);
  if (loaded != effect.Get()) effect = ComPtr<ID3DXEffect>(loaded);
  if (loaded) loaded->Release();
}

void DS_FXParticleSystemCtrl::ReadFXRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  ReadFileLink3(ar, effectLink);
  ReadRecordHeader(ar, &version);
  ReadFields(ar, version);
}

// ---------------------------------------------------------------------------

DS_GlowEffectCtrl::DS_GlowEffectCtrl() { glowIntensity.SetScaleOffset(0.01f, 0.0f, 100u); }

DS_ABObj* DS_GlowEffectCtrl::CreateRuntime() {
  auto* clone = dynamic_cast<DS_GlowEffectCtrl*>(Clone());
  if (!clone) return nullptr;
  return new DS_GlowingObj(clone);
}

void DS_GlowEffectCtrl::LoadEffect() {
  DS_FXParticleSystemCtrl::LoadEffect();
  LoadTextures();
}

void DS_GlowEffectCtrl::LoadTextures() {
  DS_DocResManager* doc = CurrentDocResManager();
  if (!doc) return;
  Replace(glowTexture, CurrentTexture(*doc, secondImageLink));
  Replace(spriteTexture, CurrentTexture(*doc, imageLink));
}

void DS_GlowEffectCtrl::ReadGlowRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  uint32_t colourWord = 0;
  ar.ReadDword(&colourWord);
  glowColour.value = colourWord;
  glowIntensity.Read(ar);
  ReadFXRecord(ar);
}

// ---------------------------------------------------------------------------

DS_StatBaseFXCtrl::DS_StatBaseFXCtrl()
    : position(D3DXVECTOR3(static_cast<float>(GetRenderSettings().pictureWidth) * 0.5f,
                           static_cast<float>(GetRenderSettings().pictureHeight) * 0.5f, 0.0f)) {}

DS_ABObj* DS_StatBaseFXCtrl::CreateRuntime() {
  auto* clone = dynamic_cast<DS_StatBaseFXCtrl*>(Clone());
  if (!clone) return nullptr;
  return new DS_FXObj(clone);
}

void DS_StatBaseFXCtrl::ReadStatRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  ar.ReadFloat(&position.value.x);
  ar.ReadFloat(&position.value.y);
  ar.ReadFloat(&position.value.z);
  if (version >= 2) {
    ar.ReadUInt(&height.value);
    ar.ReadUInt(&width.value);
  }
  ReadRecordHeader(ar, &version);
  ReadFXRecord(ar);
}
