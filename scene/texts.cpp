#include "scene/texts.h"

#include <cmath>

#include "core/archive.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/win32/windows.h"
#include "player/current_device.h"
#include "player/current_document.h"
#include "player/timelines.h"

namespace {

void ReadRawInt(DS_IOF_Archive& ar, MediaParamT<int32_t>& p) { ar.ReadInt(&p.value); }
void ReadRawUInt(DS_IOF_Archive& ar, MediaParamT<unsigned int>& p) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  p.value = v;
}
void ReadRawColour(DS_IOF_Archive& ar, MediaParamT<COLORREF>& p) {
  int32_t v = 0;
  ar.ReadInt(&v);
  p.value = static_cast<COLORREF>(v);
}
// The colour raw, its transparency notified when it differs, so the
// opacity byte follows.
void ReadSmartColour(DS_IOF_Archive& ar, SmartCOLORREF& c) {
  ReadRawColour(ar, c);
  uint32_t t = 0;
  ar.ReadUInt(&t);
  if (t != c.transparency.value) c.transparency.SetValue(t);
}

void SetShift(ID3DXEffect* e, float x, float y) {
  const float v[2] = {x, y};
  e->SetFloatArray("Shift", v, 2);
}

}  // namespace

// ---- static text

DS_StaticText::DS_StaticText() { shadowDirection.Recompute(); }

void DS_StaticText::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  params.effectLink.name = u"common_res.dll";
  params.effectLink.id = 198;
  ZVI_StaticObject::Prepare(runtimeObject);
}

const ImageFrameSet* DS_StaticText::ImageAt(size_t i) const {
  const auto& images = params.device.images;
  if (i >= images.size() || !images[i].CurrentTexture()) return nullptr;
  return &images[i];
}

void DS_StaticText::DrawParticles(DS_ABRender*, int*) {
  ID3DXEffect* e = params.device.effect.Get();
  if (!e || !runtime) return;
  // Without a first image there is no text; without a second one its pass
  // is left out.
  if (!ImageAt(0)) return;
  if (const ImageFrameSet* second = ImageAt(1)) {
    e->SetTexture("Texture", second->CurrentTexture());
    SetShift(e, 0.0f, 0.0f);
    runtime->DrawBatch(e, "Main", 0);
  }
  DrawTextPasses(0.0f, 0.0f);
}

void DS_StaticText::DrawTextPasses(float shiftX, float shiftY) {
  ID3DXEffect* e = params.device.effect.Get();
  const ImageFrameSet* first = ImageAt(0);
  if (!e || !runtime || !first) return;
  e->SetTexture("Texture", first->CurrentTexture());
  if (shadowEnabled.value != 0) {
    const float d = static_cast<float>(shadowDistance.value);
    const float tw = first->textureWidth ? static_cast<float>(first->textureWidth) : 1.0f;
    const float th = first->textureHeight ? static_cast<float>(first->textureHeight) : 1.0f;
    const float sx = shadowDirection.direction.x * d / tw + shiftX;
    const float sy = -shadowDirection.direction.y * d / th + shiftY;
    const COLORREF c = shadowColour.value;
    const float colour[4] = {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
                             static_cast<float>((c >> 16) & 0xFF) / 255.0f,
                             static_cast<float>(shadowColour.Alpha()) / 255.0f};
    e->SetFloatArray("Color", colour, 4);
    SetShift(e, sx, sy);
    runtime->DrawBatch(e, "Shadow", 0);
  }
  SetShift(e, shiftX, shiftY);
  runtime->DrawBatch(e, "Main", 0);
}

bool DS_StaticText::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadWideString(&text.value);
  ar.ReadWideString(&face.value);
  ReadRawUInt(ar, size);
  for (auto& v : fontValues) ReadRawInt(ar, v);
  ReadRawColour(ar, colour);
  for (auto& v : layoutValues) ReadRawInt(ar, v);
  ReadRawColour(ar, colour2);
  for (auto& v : textValues) ReadRawUInt(ar, v);
  ReadRawInt(ar, paintMode);
  ReadRawColour(ar, paintColour);
  ReadRawUInt(ar, paintAmount);
  ReadRawInt(ar, shadowEnabled);
  ReadSmartColour(ar, shadowColour);
  ReadRawUInt(ar, shadowDistance);
  ReadRawUInt(ar, shadowDirection);
  shadowDirection.Recompute();
  for (auto& c : colours) ReadSmartColour(ar, c);
  for (auto& v : moreValues) ReadRawUInt(ar, v);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return ZVI_StaticObject::ReadRecord(ar, version);
}

// ---- scrolling text

void DS_ScrollingTex::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  DS_StaticText::Prepare(runtimeObject);
  FillTexCoords();
  StartOffset();
}

void DS_ScrollingTex::UpdateQuad() {
  DS_StaticText::UpdateQuad();
  FillTexCoords();
}

void DS_ScrollingTex::FillTexCoords() {
  const ImageFrameSet* image = params.FirstImage();
  if (!image) return;
  const float w = image->imageWidth ? static_cast<float>(image->imageWidth) : 1.0f;
  const float h = image->imageHeight ? static_cast<float>(image->imageHeight) : 1.0f;
  const D3DXVECTOR3& c0 = quad.corners[0].value;
  const D3DXVECTOR3& c3 = quad.corners[3].value;
  float uMax = image->uScale, vMax = image->vScale;
  if (direction.value < 2) {
    extent = image->vScale * ((c3.y - c0.y) / h);
    vMax = extent;
  } else {
    extent = image->uScale * ((c3.x - c0.x) / w);
    uMax = extent;
  }
  if (!std::isfinite(extent)) extent = 0.0f;
  ZVI_ParticleSystemMech::Batch* batch = runtime ? runtime->BatchAt(0) : nullptr;
  if (!batch || !batch->vertexBuffer || batch->vertexCount < 4) return;
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  v[0].u = 0.0f, v[0].v = vMax;
  v[1].u = 0.0f, v[1].v = 0.0f;
  v[2].u = uMax, v[2].v = vMax;
  v[3].u = uMax, v[3].v = 0.0f;
  batch->Unlock();
}

void DS_ScrollingTex::StartOffset() {
  const ImageFrameSet* image = params.FirstImage();
  switch (direction.value) {
    case 0:
    case 2:
      offset = extent;
      break;
    case 1:
      offset = image ? -image->vScale : 0.0f;
      break;
    case 3:
      offset = image ? -image->uScale : 0.0f;
      break;
    default:
      break;
  }
}

void DS_ScrollingTex::ResetTime() {
  DS_StaticText::ResetTime();
  StartOffset();
}

void DS_ScrollingTex::UpdateParticles(float t) {
  // The text scrolls; its image frames stand still.
  const float step = systemSpeed.Advance(t);
  ZVI_Timing* timeline = timing.Current();
  ZVI_ParticleSystemMech::Batch* batch = runtime ? runtime->BatchAt(0) : nullptr;
  if (batch && batch->vertexBuffer && batch->vertexCount >= 4) {
    if (DX_V::PCT* v = batch->LockVertices()) {
      runtime->SetQuadColor(timeline ? timeline->GetVisibility() : 1.0f, v);
      batch->Unlock();
    }
  }
  const float length = timeline ? timeline->GetCycleLength() : 0.0f;
  const ImageFrameSet* image = params.FirstImage();
  if (length > 0.0f && timeline->GetState() != kTimelineHidden) {
    const float span = !image ? 0.0f : direction.value < 2 ? image->vScale : image->uScale;
    rate = -(span + extent) / length;
    if (direction.value % 2 != 0) rate = -rate;
    // Only the four directions scroll.
    if (direction.value < 0 || direction.value > 3) rate = 0.0f;
    offset += step * rate;
  } else {
    ResetTime();
  }
}

void DS_ScrollingTex::DrawParticles(DS_ABRender*, int*) {
  if (direction.value < 2)
    DrawTextPasses(0.0f, offset);
  else
    DrawTextPasses(offset, 0.0f);
}

bool DS_ScrollingTex::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawInt(ar, direction);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return DS_StaticText::ReadRecord(ar, version);
}

// ---- text link

bool DS_TextLink::Live() {
  ZVI_Timing* timeline = timing.Current();
  return !timeline || timeline->GetState() != kTimelineHidden;
}

bool DS_TextLink::HitTest(int32_t x, int32_t y) const {
  D3DXMATRIX inverseView, spare;
  GetHitTestMatrices(&inverseView, &spare);
  const D3DXVECTOR4 client(static_cast<float>(x), static_cast<float>(y), 0.0f, 1.0f);
  D3DXVECTOR4 viewed, v;
  D3DXVec4Transform(&viewed, &client, &inverseView);
  D3DXVec4Transform(&v, &viewed, &spare);
  const D3DXVECTOR3& c0 = quad.corners[0].value;
  const D3DXVECTOR3& c3 = quad.corners[3].value;
  return c0.x <= v.x && v.x <= c3.x && c0.y <= v.y && v.y <= c3.y;
}

int32_t DS_TextLink::MouseOver(int32_t x, int32_t y) {
  if (!Live() || !HitTest(x, y)) return 0;
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return 1;
}

void DS_TextLink::Click(int32_t x, int32_t y) {
  if (Live() && HitTest(x, y)) GoToSlide(slideIndex.value);
}

bool DS_TextLink::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadRawUInt(ar, slideIndex);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return DS_StaticText::ReadRecord(ar, version);
}
