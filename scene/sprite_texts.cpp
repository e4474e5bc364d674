#include "scene/sprite_texts.h"

#include <cmath>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "platform/com/com.h"
#include "platform/win32/windows.h"
#include "player/current_device.h"
#include "player/current_document.h"
#include "player/doc_res_manager.h"
#include "player/timelines.h"

// ---- static text

DS_StaticTextConstructor::DS_StaticTextConstructor() {
  colour.value = 255;  // red
  timing.timeMode.value = 1;
  timing.flags |= 1u;
  unsavedValue = 2;
  CoCreateGuid(&imageGuid);
}

void DS_StaticTextConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadInt(&authoring1.value);
  ar.ReadInt(&authoring2.value);
  ar.ReadWideString(&text.value);
  ar.ReadInt(&font.value.size);
  ar.ReadUInt(&font.value.weight);
  ar.ReadInt(&font.value.style);
  ar.ReadWideString(&font.value.face);
  uint32_t legacy[4] = {};  // fade-in, fade-out, shown, hidden (ms)
  if (version >= 3) {
    ar.ReadGuid(&imageGuid);
    ar.ReadWideString(&imageName);
    ar.ReadByte(&imageFlag);
  } else if (version <= 1) {
    for (uint32_t& v : legacy) ar.ReadUInt(&v);
  }
  ReadStatRecord(ar);
  if (version > 1 || legacy[2] == 0) return;
  DS_SafePtr<ZVI_Timing> made = CreateTimingByName(u"ZVI_RandomTimeLine");
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(made.get());
  if (!random) return;
  random->minHidden.value = legacy[3] / 10u;
  random->maxHidden.value = legacy[3] / 10u;
  random->minShown.value = legacy[2] / 10u;
  random->maxShown.value = legacy[2] / 10u;
  random->fadeIn.SetValue(legacy[0] / 10u);
  random->fadeOut.SetValue(legacy[1] / 10u);
  timing.SetCurrentTimeline(made);
}

void DS_StaticTextConstructor::UpdateSprite(SpriteRecord& s) {
  s.position = position.value;
  s.halfWidth = static_cast<float>(width.value) * 0.5f;
  s.halfHeight = static_cast<float>(height.value) * 0.5f;
  const float alpha = static_cast<float>(translucency.derived) * s.alphaFactor;
  s.colour = ArgbOf(colour.value, alpha > 0.0f ? static_cast<uint32_t>(alpha) : 0u);
}

void DS_StaticTextConstructor::LoadEffect() {
  DS_FXParticleSystemCtrl::LoadEffect();
  textTexture = nullptr;
  if (DS_DocResManager* doc = CurrentDocResManager())
    if (ComPtr<IDirect3DTexture9>* held = doc->GetTextureByGuid(imageGuid)) textTexture = *held;
}

bool DS_StaticTextConstructor::Draw(DS_ABRender*, ParticleGeomArray*) {
  ID3DXEffect* e = effect.Get();
  if (!e) return false;
  if (IDirect3DDevice9* d = CurrentDevice()) {
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  e->SetTechnique(e->GetTechniqueByName("CommonVretexColor"));
  e->SetTexture("Texture1", textTexture.Get());
  // The runtime draws the quad with the effect.
  return true;
}

// ---- scrolling text

float DS_ScrollingTextConstructor::TextureWidth() const {
  if (textureWidth > 0.0f) return textureWidth;
  D3DSURFACE_DESC desc{};
  if (textTexture && SUCCEEDED(textTexture->GetLevelDesc(0, &desc)) && desc.Width > 0)
    return static_cast<float>(desc.Width);
  return 1.0f;
}

float DS_ScrollingTextConstructor::TextureHeight() const {
  if (textureHeight > 0.0f) return textureHeight;
  D3DSURFACE_DESC desc{};
  if (textTexture && SUCCEEDED(textTexture->GetLevelDesc(0, &desc)) && desc.Height > 0)
    return static_cast<float>(desc.Height);
  return 1.0f;
}

void DS_ScrollingTextConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadUInt(&period.value);
  ar.ReadInt(&direction.value);
  if (version >= 2) {
    ar.ReadFloat(&textureHeight);
    ar.ReadFloat(&textureWidth);
  }
  int32_t baseVersion = 0;
  ReadRecordHeader(ar, &baseVersion);
  DS_StaticTextConstructor::ReadRecord(ar, baseVersion);
}

namespace {
// A phase's fraction mapped to the range the technique expects.
float MapPhase(float f) { return f >= 0.0f ? 3.0f * f - 1.0f : 3.0f * f + 1.0f; }
float Fraction(float p) {
  const float f = p - std::trunc(p);
  return std::isfinite(f) ? f : 0.0f;
}
}  // namespace

void DS_ScrollingTextConstructor::UpdateSprite(SpriteRecord& s) {
  DS_StaticTextConstructor::UpdateSprite(s);
  s.uRange[0] = 0.0f;
  s.uRange[1] = static_cast<float>(width.value) / TextureWidth();
  s.vRange[0] = 0.0f;
  s.vRange[1] = static_cast<float>(height.value) / TextureHeight();
  ZVI_Timing* timeline = timing.Current();
  if (timeline && timeline->GetState() == kTimelineHidden) {
    verticalPhase = horizontalPhase = 0.0f;
  } else {
    const float step = period.value > 0 ? spriteStep / static_cast<float>(period.value) : 0.0f;
    switch (direction.value) {
      case 0: verticalPhase = Fraction(verticalPhase + step); break;
      case 1: verticalPhase = Fraction(verticalPhase - step); break;
      case 2: horizontalPhase = Fraction(horizontalPhase + step); break;
      case 3: horizontalPhase = Fraction(horizontalPhase - step); break;
      default: break;
    }
  }
  scrollValues[0] = MapPhase(horizontalPhase);
  scrollValues[1] = MapPhase(verticalPhase);
}

bool DS_ScrollingTextConstructor::Draw(DS_ABRender*, ParticleGeomArray*) {
  ID3DXEffect* e = effect.Get();
  if (!e) return false;
  e->SetTechnique(e->GetTechniqueByName("ScrollText"));
  e->SetTexture("Texture1", textTexture.Get());
  e->SetFloatArray("ScrollPhase", scrollValues, 2);
  return true;
}

// ---- link

void DS_TextLinkConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadUInt(&slideIndex.value);
  int32_t baseVersion = 0;
  ReadRecordHeader(ar, &baseVersion);
  DS_StaticTextConstructor::ReadRecord(ar, baseVersion);
}

bool DS_TextLinkConstructor::HitTest(float x, float y) {
  const RenderSettings& settings = GetRenderSettings();
  // A picture of no width or height on screen holds no point.
  if (settings.corners.c[3].x == settings.corners.c[0].x || settings.corners.c[2].y == settings.corners.c[1].y)
    return false;
  D3DXVECTOR3 p;
  settings.WindowToPicture(&p, x * settings.scaleX, y * settings.scaleY, 0.0f);
  const float hw = static_cast<float>(width.value >> 1);
  const float hh = static_cast<float>(height.value >> 1);
  const D3DXVECTOR3& c = position.value;
  return c.x - hw <= p.x && p.x <= c.x + hw && c.y - hh <= p.y && p.y <= c.y + hh;
}

int32_t DS_TextLinkConstructor::MouseOver(int32_t x, int32_t y) {
  ZVI_Timing* timeline = timing.Current();
  if (timeline && timeline->GetState() == kTimelineHidden) return 0;
  if (!HitTest(static_cast<float>(x), static_cast<float>(y))) return 0;
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return 1;
}

void DS_TextLinkConstructor::Click(int32_t x, int32_t y) {
  ZVI_Timing* timeline = timing.Current();
  if (timeline && timeline->GetState() == kTimelineHidden) return;
  if (HitTest(static_cast<float>(x), static_cast<float>(y))) GoToSlide(slideIndex.value);
}
