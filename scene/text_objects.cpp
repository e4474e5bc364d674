#include "scene/text_objects.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/current_device.h"
#include "player/render_context.h"

namespace {

void SetFloats(ID3DXEffect* e, const char* name, std::initializer_list<float> values) {
  e->SetFloatArray(name, values.begin(), static_cast<UINT>(values.size()));
}

// (r, g, b) / 255 of a COLORREF and the opacity byte / 255.
void SetColour(ID3DXEffect* e, COLORREF c, uint8_t opacity) {
  SetFloats(e, "Color",
            {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
             static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>(opacity) / 255.0f});
}

void SetWvp(ID3DXEffect* e, const GridMesh& grid) {
  D3DXMATRIX wvp;
  if (RenderContext* rc = CurrentRenderContext()) {
    rc->GetWorldViewProj(&wvp, grid.world);
  } else {
    wvp = grid.world;
  }
  e->SetMatrix("wvpMatrix", &wvp);
}

float Lerp(float a, float b, float v) { return a + (b - a) * v; }
D3DXVECTOR2 Lerp(const D3DXVECTOR2& a, const D3DXVECTOR2& b, float v) { return a + (b - a) * v; }

}  // namespace

// ---- the text family

void TextClock::Advance(float t, float speed) {
  if (t < previous) previous = t;
  step = speed * std::fmin(t - previous, 0.2f);
  previous = t;
  total += step;
}

DS_ABObj* ZVI_Text::CreateRuntime() {
  ZVI_Text* clone = Clone();
  auto* runtime = new ZVI_TextObj(clone);
  clone->Prepare();
  clone->ResetTime();
  return runtime;
}

void ZVI_Text::ReadTextBase(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  ReadTextParams(ar, text);
  ReadConstructorBase(ar);
}

// ---- the flat text

ZVI_2DTex::ZVI_2DTex() : storedTimeline(new ZVI_RandomTimeLine()) {
  speed.SetScaleOffset(0.01f, 0.0f, 100u);
  fillScale.SetScaleOffset(1.0f, 0.0f, 1u);
  keptPercent1.SetScaleOffset(0.01f, 0.0f);
  keptPercent2.SetScaleOffset(0.01f, 0.0f);
  shadowDirection.Recompute();
}

void ZVI_2DTex::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadFileLink3(ar, effectLink);
  ReadMediaQuad(ar, quad);
  ReadTextPaintParams(ar, paintA);
  ReadTextPaintParams(ar, paintB);
  ReadTextPaintParams(ar, shadow);
  ar.ReadUInt(&value6.value);
  ar.ReadUInt(&shadowDirection.value);
  shadowDirection.Recompute();
  ReadNamedFileLinkData(ar, textImages.value);
  ar.ReadInt(&fillEnabled.value);
  ReadNamedFileLinkData(ar, fillImage.value);
  fillScale.Read(ar);
  speed.Read(ar);
  ar.ReadInt(&keptInt1.value);
  keptPercent1.Read(ar);
  ar.ReadInt(&keptInt2.value);
  keptPercent2.Read(ar);
  for (auto& v : keptValues) ar.ReadUInt(&v.value);
  ar.ReadInt(&appearEffect.value);
  ar.ReadInt(&disappearEffect.value);
  storedTimeline = ReadTiming(ar);
  ReadTextBase(ar);
}

void ZVI_2DTex::Prepare() {
  DS_DocResManager* doc = CurrentDocResManager();
  ID3DXEffect* loaded = nullptr;
  if (doc) doc->GetEffect(&loaded, u"ZVI_2DTex", effectLink);
  effect.Attach(loaded);
  textGrid.Create(1, 1);
  backgroundGrid.Create(1, 1);
  if (storedTimeline) timing.SetRandomTimeline(storedTimeline);
  if (doc && fillImage.value.links.size() == 1) fill = doc->GetImage(fillImage.value.links[0], 4);
  Layout();
}

void ZVI_2DTex::Layout() {
  images.clear();
  if (DS_DocResManager* doc = CurrentDocResManager())
    for (const DS_ImageFileLink& link : textImages.value.links) images.push_back(doc->GetImage(link, 1));
  if (images.empty()) return;
  const ImageFrameSet& first = images[0];
  const float tw = first.textureWidth ? static_cast<float>(first.textureWidth) : 1.0f;
  const float th = first.textureHeight ? static_cast<float>(first.textureHeight) : 1.0f;
  const D3DXVECTOR3 c[4] = {quad.corners[0].value, quad.corners[1].value, quad.corners[2].value,
                            quad.corners[3].value};
  const float a = (c[3].x - c[0].x) / tw;
  const float cv = (c[3].y - c[0].y) / th;
  const float e = (first.uScale - a) * (static_cast<float>(text.horizontal_alignment.value) * 0.5f);
  const float f = (first.vScale - cv) * (static_cast<float>(text.vertical_alignment.value) * 0.5f);
  uExtent = a;
  vExtent = cv;
  uStart = e;
  vStart = f;
  auto at = [&](int i, float u, float v) { return DX_V::PT{c[i].x, c[i].y, c[i].z, u, v}; };
  textGrid.FillVertices(at(1, e, f + cv), at(0, e, f), at(3, a + e, f + cv), at(2, a + e, f));
  const float u2 = images.size() > 2 ? images[2].uScale : 1.0f;
  const float v2 = images.size() > 2 ? images[2].vScale : 1.0f;
  backgroundGrid.FillVertices(at(1, 0.0f, v2), at(0, 0.0f, 0.0f), at(3, u2, v2), at(2, u2, 0.0f));
  SetAnimationRanges();
}

void ZVI_2DTex::SetAnimationRanges() {
  appear = TextAnimationRange();
  disappear = TextAnimationRange();
  const float a = uExtent, c = vExtent, e = uStart, f = vStart;
  const float us = images.empty() ? 1.0f : images[0].uScale;
  const float vs = images.empty() ? 1.0f : images[0].vScale;
  auto set = [&](TextAnimationRange& r, int32_t kind, bool appearing) {
    switch (kind) {
      case 1: r.alpha[0] = 0.0f; break;
      case 2: r.offset[0].x = appearing ? e - us : a + e; break;
      case 3: r.offset[0].x = appearing ? a + e : e - us; break;
      case 4: r.offset[0].y = appearing ? f + c : f - vs; break;
      case 5: r.offset[0].y = appearing ? f - vs : f + c; break;
      case 6: r.fade[0] = D3DXVECTOR2(0.0f, 1.0f); break;
      case 7: r.fade[0] = D3DXVECTOR2(1.0f, 0.0f); break;
      case 8: r.fade[0] = D3DXVECTOR2(1.0f, 1.0f); break;
      default: break;
    }
  };
  set(appear, appearEffect.value, true);
  set(disappear, disappearEffect.value, false);
}

void ZVI_2DTex::Update(float t) {
  clock.Advance(t, speed.derived);
  if (!fill.textures.empty()) fill.AdvanceForward(clock.total);
}

const ImageFrameSet* ZVI_2DTex::ImageAt(size_t i) const {
  if (i >= images.size() || !images[i].CurrentTexture()) return nullptr;
  return &images[i];
}

FlatTextValues ZVI_2DTex::CurrentValues(uint32_t state, float visibility) const {
  FlatTextValues out;
  const TextAnimationRange* r = state == kTimelineAppearing      ? &appear
                                : state == kTimelineDisappearing ? &disappear
                                                                 : nullptr;
  if (!r) return out;
  out.alpha = Lerp(r->alpha[0], r->alpha[1], visibility);
  out.offset = Lerp(r->offset[0], r->offset[1], visibility);
  out.fade = Lerp(r->fade[0], r->fade[1], visibility);
  return out;
}

void ZVI_2DTex::Draw(DS_ABRender* context) {
  ID3DXEffect* e = effect.Get();
  // Without the text image there is nothing to show; the other passes are
  // drawn when their images exist.
  const ImageFrameSet* first = ImageAt(0);
  if (!e || !context || !first) return;
  ID3DXEffect* draw = e;
  if (const ImageFrameSet* back = ImageAt(2)) {
    SetWvp(e, backgroundGrid);
    e->SetTexture("TaxtImg", back->CurrentTexture());
    e->SetTechnique("Background");
    context->DrawIndexed(&backgroundGrid, &draw);
  }
  ZVI_Timing* timeline = timing.Current();
  const uint32_t state = timeline->GetState();
  if (state == kTimelineHidden) return;
  const FlatTextValues v = CurrentValues(state, timeline->GetVisibility());
  const D3DXVECTOR3& c0 = quad.corners[0].value;
  const D3DXVECTOR3& c3 = quad.corners[3].value;

  e->SetFloat("Fade_Alpha", v.alpha);
  IDirect3DDevice9* device = CurrentDevice();
  DWORD clip = 0;
  if (device) {
    device->GetRenderState(D3DRS_CLIPPLANEENABLE, &clip);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
  }
  SetWvp(e, textGrid);
  e->SetTexture("TaxtImg", first->CurrentTexture());
  const ImageFrameSet* second = ImageAt(1);
  e->SetTexture("TextEffect", second ? second->CurrentTexture() : nullptr);
  SetFloats(e, "fade_pos", {v.fade.x, v.fade.y, (c0.x + c3.x) / 2.0f, (c0.y + c3.y) / 2.0f});
  const float tw = first->textureWidth ? static_cast<float>(first->textureWidth) : 1.0f;
  const float th = first->textureHeight ? static_cast<float>(first->textureHeight) : 1.0f;
  if (shadow.mode.value != 0) {
    SetColour(e, shadow.colour.value, shadow.transparency.derived);
    const float d = static_cast<float>(shadow.amount.value);
    SetFloats(e, "Shift",
              {v.offset.x + shadowDirection.direction.x * d / tw, v.offset.y - shadowDirection.direction.y * d / th,
               0.0f, 0.0f});
    e->SetTechnique("Shadow");
    context->DrawIndexed(&textGrid, &draw);
  }
  SetColour(e, text.font.colour.value, text.font.transparency.derived);
  const float us = first->uScale != 0.0f ? first->uScale : 1.0f;
  const float vs = first->vScale != 0.0f ? first->vScale : 1.0f;
  SetFloats(e, "Shift",
            {v.offset.x, v.offset.y, (c3.x - c0.x) * v.offset.x / us, (c3.y - c0.y) * v.offset.y / vs});
  if (fillEnabled.value != 0) {
    const float fw = static_cast<float>(fill.imageWidth);
    const float fh = static_cast<float>(fill.imageHeight);
    SetFloats(e, "fill_tex_scale", {1.0f / fillScale.derived / fw, 1.0f / fillScale.derived / fh});
    if (!fill.textures.empty()) e->SetTexture("Filling", fill.CurrentTexture());
    e->SetTechnique("MainTexFill");
  } else {
    e->SetTechnique("MainColorFill");
  }
  context->DrawIndexed(&textGrid, &draw);
  if (device) device->SetRenderState(D3DRS_CLIPPLANEENABLE, clip);
}
