#include "particles/sources/text_physics.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/block_readers.h"
#include "particles/sources/stripe_physics.h"
#include "player/scene_object.h"
#include "player/timelines.h"

namespace {

constexpr float kDegreesToRadians = 3.14159265358979f / 180.0f;

void ReadNotified(DS_IOF_Archive& ar, MediaParamT<unsigned int>& p) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  p.SetValue(v);
}

template <class T>
void ReadRaw(DS_IOF_Archive& ar, MediaParamT<T>& p) {
  uint32_t v = 0;
  ar.ReadDword(&v);
  p.value = static_cast<T>(v);
}

// Matrix = Translation(-pivot) x m x Translation(pivot), multiplied onto
// the particle's second modifier matrix.
void ApplyAboutPivot(Particle* p, const D3DXMATRIX& m, const D3DXVECTOR3& pivot) {
  D3DXMATRIX to, back, r;
  D3DXMatrixTranslation(&to, -pivot.x, -pivot.y, -pivot.z);
  D3DXMatrixTranslation(&back, pivot.x, pivot.y, pivot.z);
  D3DXMatrixMultiply(&r, &to, &m);
  D3DXMatrixMultiply(&r, &r, &back);
  D3DXMatrixMultiply(&p->modifier2, &p->modifier2, &r);
}

bool IsVisibleState(uint32_t state) { return state == kTimelineAppearing || state == kTimelineShown; }
bool IsHidingState(uint32_t state) { return state == kTimelineDisappearing || state == kTimelineHidden; }

}  // namespace

// ---- Type effects -----------------------------------------------------------

void ZVI_PtclSys_TextEffect::ReadTextEffectRecord(DS_IOF_Archive& ar) { SkipRecordName(ar); }

void ZVI_PtclSys_TxtTypeEffect::ReadTypeBody(DS_IOF_Archive& ar) {
  uint32_t v = 0;
  ar.ReadUInt(&v);
  duration.value = v;
  duration.Notify(nullptr);
  ReadTextEffectRecord(ar);
}

void ZVI_PtclSys_TxtTypeEffect::ReadTypeRecord(DS_IOF_Archive& ar) {
  SkipRecordName(ar);
  ReadTypeBody(ar);
}

bool ZVI_PtclSys_TxtTypeEffect_Fade::ApplyAppearance(Particle* p, float x, int32_t) {
  p->alpha *= x;
  return true;
}

float ZVI_PtclSys_TxtTypeEffectSmooth::FadeFactor(float x) const {
  const float a = fadePortion.derived;
  return x <= a ? (a > 0.0f ? x / a : 1.0f) : 1.0f;
}

bool ZVI_PtclSys_TxtTypeEffectSmooth::ApplyAppearance(Particle* p, float x, int32_t) {
  p->alpha *= FadeFactor(x);
  return true;
}

ZVI_PtclSys_TxtTypeEffect_Slide::ZVI_PtclSys_TxtTypeEffect_Slide() { direction.SetValue(180u); }

bool ZVI_PtclSys_TxtTypeEffect_Slide::ApplyAppearance(Particle* p, float x, int32_t mode) {
  ZVI_PtclSys_TxtTypeEffectSmooth::ApplyAppearance(p, x, mode);
  const float m = mode == 1 ? -1.0f : 1.0f;
  const float k = (x - 1.0f) * static_cast<float>(distance.value) * m;
  p->offset += D3DXVECTOR3(k * direction.direction.x, k * direction.direction.y, 0.0f);
  return true;
}

void ZVI_PtclSys_TxtTypeEffect_Slide::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadNotified(ar, direction);
  ReadRaw(ar, distance);
  if (version == 1) fadePortion.Read(ar);
  ReadTypeRecord(ar);
}

ZVI_PtclSys_TxtTypeEffect_Fly::ZVI_PtclSys_TxtTypeEffect_Fly() {
  direction.SetValue(90u);
  spread.SetValue(360u);
  spin.SetScaleOffset(4.0f, 0.0f, 100u);
}

bool ZVI_PtclSys_TxtTypeEffect_Fly::ApplyAppearance(Particle* p, float x, int32_t mode) {
  ZVI_PtclSys_TxtTypeEffectSmooth::ApplyAppearance(p, x, mode);
  const float m = mode == 1 ? -1.0f : 1.0f;
  const float theta = direction.derived + (p->random[1] - 0.5f) * spread.derived;
  const float k = (x - 1.0f) * static_cast<float>(distance.value) * m;
  p->offset += D3DXVECTOR3(k * std::cos(theta), -k * std::sin(theta), 0.0f);
  float r = (1.0f - x) * spin.derived;
  if (spinMode.value == 1) r = -r;
  else if (spinMode.value == 2 && !(p->random[2] > 0.5f)) r = -r;
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, r * kDegreesToRadians);
  const D3DXVECTOR3 pivot(0.5f * p->scale.x, p->auxVector.x - p->position.y - 0.25f * p->auxVector.y, p->scale.z);
  ApplyAboutPivot(p, rotation, pivot);
  return true;
}

void ZVI_PtclSys_TxtTypeEffect_Fly::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  direction.Read(ar);
  spread.Read(ar);
  ReadRaw(ar, distance);
  spin.Read(ar);
  ReadRaw(ar, spinMode);
  ReadTypeRecord(ar);
}

ZVI_PtclSys_TxtTypeEffect_Zoom::ZVI_PtclSys_TxtTypeEffect_Zoom() {
  startScale.SetScaleOffset(0.01f, 0.0f, 10u);
  anchorX.SetScaleOffset(0.01f, 0.0f, 50u);
  anchorY.SetScaleOffset(0.01f, 0.0f, 25u);
}

bool ZVI_PtclSys_TxtTypeEffect_Zoom::ApplyAppearance(Particle* p, float x, int32_t mode) {
  ZVI_PtclSys_TxtTypeEffectSmooth::ApplyAppearance(p, x, mode);
  const float s0 = startScale.derived;
  const float s = (1.0f - s0) * x + s0;
  D3DXMATRIX scaling;
  D3DXMatrixScaling(&scaling, horizontal.value != 0 ? s : 1.0f, vertical.value != 0 ? s : 1.0f, 1.0f);
  const D3DXVECTOR3 pivot(anchorX.derived * p->scale.x,
                          p->auxVector.x - p->position.y - anchorY.derived * p->auxVector.y, p->scale.z);
  ApplyAboutPivot(p, scaling, pivot);
  return true;
}

void ZVI_PtclSys_TxtTypeEffect_Zoom::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  startScale.Read(ar);
  anchorX.Read(ar);
  anchorY.Read(ar);
  ReadRaw(ar, horizontal);
  ReadRaw(ar, vertical);
  ReadTypeRecord(ar);
}

bool TxtAppear::Apply(float dt, Particle* p) {
  ZVI_Timing* timeline = timing->Current();
  const uint32_t state = timeline->GetState();
  const float visibility = timeline->GetVisibility();
  if ((p->flags & ParticleFlags::TextMarker) && IsVisibleState(state) && visibility >= threshold) {
    p->flags &= ~ParticleFlags::TextMarker;
  }
  if (p->flags & ParticleFlags::TextMarker) return true;
  if (threshold >= 0.0f) {
    const float d = effect->duration.derived;
    p->age = d > 0.0f ? std::min(1.0f, p->age + dt / d) : 1.0f;
  } else if (IsVisibleState(state)) {
    p->age = visibility;
  }
  effect->ApplyAppearance(p, p->age, 0);
  return true;
}

bool TxtDisappear::Apply(float dt, Particle* p) {
  ZVI_Timing* timeline = timing->Current();
  const uint32_t state = timeline->GetState();
  const float visibility = timeline->GetVisibility();
  if (!(p->flags & ParticleFlags::TextMarker) && IsHidingState(state) && threshold >= visibility) {
    p->flags |= ParticleFlags::TextMarker;
  }
  if (!(p->flags & ParticleFlags::TextMarker)) return true;
  if (threshold <= 1.0f) {
    const float d = effect->duration.derived;
    p->age = d > 0.0f ? std::max(0.0f, p->age - dt / d) : 0.0f;
  } else if (IsHidingState(state)) {
    p->age = visibility;
  }
  effect->ApplyAppearance(p, p->age, 1);
  return true;
}

// ---- Text physics -------------------------------------------------------------

ZVI_PtclSysPhys_Text::ZVI_PtclSysPhys_Text() : standIn(new ZVI_PtclSys_TxtTypeEffect_Fade()) {
  text.text = zvi_string(u"We have rebuilt the program to resolve the missing DLL errors.");
  text.font.face = zvi_string(u"Arial");
  text.font.size = 48u;
  text.vertical_alignment = 1;
  text.horizontal_alignment = 1;
  ownTimeline = CreateTimingByName(u"ZVI_RandomTimeLine");
  SetOriginUI(OriginUIPtr(CreateOriginUIByName(u"DS_PtclSys_Origin_UI_Rect")));
}

void ZVI_PtclSysPhys_Text::SetTiming(ZVI_SmartTiming* t) {
  timing = t;
  if (timing && ownTimeline) timing->SetRandomTimeline(ownTimeline);
}

bool ZVI_PtclSysPhys_Text::Continuous() const { return !timing || timing->value == 0; }

ParticleVector ZVI_PtclSysPhys_Text::Generate(const ParticleVector* parents) {
  if (!parents) return {};
  size_t glyphs = 0, visible = 0;
  for (const TextLine& line : lines) {
    glyphs += line.glyphs.size();
    for (const TextGlyph& g : line.glyphs) visible += g.visible ? 1 : 0;
  }
  // No figure centres the text on the origin.
  D3DXVECTOR3 centre(0, 0, 0);
  if (ZVI_VGeom2D* f = figure.value.get()) {
    if (!f->CenterPoint(&centre)) centre = D3DXVECTOR3(0, 0, 0);
  }
  const size_t room = Room();
  ParticleVector out;
  for (const ParticlePtr& parent : *parents) {
    float g = 0.0f, k = 0.0f;
    for (const TextLine& line : lines) {
      for (size_t i = 0; i < line.glyphs.size(); ++i) {
        if (out.size() >= room) break;
        ParticlePtr p(new Particle(parent));
        InitGlyphParticle(p.get(), line, i);
        p->position += D3DXVECTOR3(line.x, line.y, line.z);
        p->auxVector = D3DXVECTOR3(centre.y + line.y + line.top, line.height, 0.0f);
        if (ClipToFigure(p.get())) {
          p->position += centre;
          // No glyph to count gives fraction 0, not 0 / 0.
          AttachAppearance(p.get(), glyphs ? g / static_cast<float>(glyphs) : 0.0f,
                           visible ? k / static_cast<float>(visible) : 0.0f);
          out.push_back(p);
        }
        if (line.glyphs[i].visible) k += 1.0f;
        g += 1.0f;
      }
    }
  }
  AppendParticles(out);
  return out;
}

void ZVI_PtclSysPhys_Text::InitGlyphParticle(Particle* p, const TextLine& line, size_t index) {
  const TextGlyph& glyph = line.glyphs[index];
  p->flags |= ParticleFlags::KeepScale | ParticleFlags::DiesWithParent;
  p->size = 1.0f;
  p->position = D3DXVECTOR3(glyph.x, glyph.y, 0.0f);
  p->scale = D3DXVECTOR3(glyph.w, glyph.h, 0.0f);
  const uint32_t c = text.font.colour.value;
  p->color = D3DXVECTOR3((c & 0xFFu) / 255.0f, ((c >> 8) & 0xFFu) / 255.0f, ((c >> 16) & 0xFFu) / 255.0f);
  const GlyphAtlasEntry& cell = atlas.try_emplace(glyph.code, GlyphAtlasEntry{0, 0, 0, 0, 1}).first->second;
  p->texWindow[0] = cell.umin;
  p->texWindow[1] = cell.umax;
  p->texWindow[2] = cell.vmin;
  p->texWindow[3] = cell.vmax;
  p->AddTransform(new PtclTr_PrmMultiplicator(2, text.font.transparency.derived / 255.0f));
}

namespace {
// One axis of the clip: position x, extent w, texture range [t0, t1].
// False when the box lies wholly outside [lo, hi].
bool ClipAxis(float lo, float hi, float& x, float& w, float& t0, float& t1) {
  if (lo > x + w) return false;
  // A box of no extent is neither divided by nor cut.
  if (x < lo && w != 0.0f) {
    const float cut = w - (lo - x);
    t0 = t1 - (t1 - t0) * cut / w;
    x = lo;
    w = cut;
  }
  if (x > hi) return false;
  if (hi < x + w && w != 0.0f) {
    const float cut = hi - x;
    t1 = t0 + (t1 - t0) * cut / w;
    w = cut;
  }
  return true;
}
}  // namespace

bool ZVI_PtclSysPhys_Text::ClipToFigure(Particle* p) {
  ZVI_VGeom2D* f = figure.value.get();
  D3DXVECTOR3 lo(0, 0, 0), hi(0, 0, 0);
  // A figure without bounds clips nothing.
  if (!f || !f->GetBounds(&lo, &hi)) return true;
  if (!ClipAxis(lo.x, hi.x, p->position.x, p->scale.x, p->texWindow[0], p->texWindow[1])) return false;
  return ClipAxis(lo.y, hi.y, p->position.y, p->scale.y, p->texWindow[2], p->texWindow[3]);
}

void ZVI_PtclSysPhys_Text::AttachAppearance(Particle* p, float fg, float fv) {
  if (Continuous()) return;
  p->flags |= ParticleFlags::TextMarker;
  const float appearAt = appearOrder.value == 0 ? fg : appearOrder.value == 1 ? fv : -1.0f;
  const float disappearAt = disappearOrder.value == 0 ? 1.0f - fg : disappearOrder.value == 1 ? 1.0f - fv : 2.0f;
  // A missing effect acts as a Fade of duration 0.
  const TxtTypeEffectPtr& appear = appearEffect.value ? appearEffect.value : standIn;
  const TxtTypeEffectPtr& disappear = disappearEffect.value ? disappearEffect.value : standIn;
  p->AddTransform(new TxtAppear(timing, appear, appearEffect.value ? appearAt : 0.0f));
  p->AddTransform(new TxtDisappear(timing, disappear, disappearEffect.value ? disappearAt : 1.0f));
}

namespace {
// A text effect record: a known class that is not a type effect is read and
// dropped; an unknown name cannot be skipped and refuses the file.
TxtTypeEffectPtr ReadTextEffect(DS_IOF_Archive& ar) {
  std::unique_ptr<ZVI_PtclSys_TxtTypeEffect> e = ReadObjectAs<ZVI_PtclSys_TxtTypeEffect, ZVI_IOF_Item>(ar);
  return TxtTypeEffectPtr(e.release());
}

void ReplaceEffect(MediaParamT<TxtTypeEffectPtr>& param, const TxtTypeEffectPtr& effect) {
  param.value = effect;
  param.Notify(nullptr);
}

void PromoteOrder(MediaParamT<int32_t>& order) {
  if (order.value == 1) order.SetValue(2);
}
}  // namespace

void ZVI_PtclSysPhys_Text::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadTextParams(ar, text);
  ReadRaw(ar, reserved);
  if (version <= 2) {
    uint32_t dropped = 0;
    ar.ReadDword(&dropped);
    ar.ReadDword(&dropped);
  }
  ReadRaw(ar, appearOrder);
  ReadRaw(ar, disappearOrder);
  if (version <= 2) {
    ReplaceEffect(appearEffect, TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade()));
    ReplaceEffect(disappearEffect, TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade()));
    for (MediaParamT<TxtTypeEffectPtr>* e : {&appearEffect, &disappearEffect}) {
      uint32_t v = 0;
      ar.ReadUInt(&v);
      e->value->duration.value = v;
      e->value->duration.Notify(nullptr);
    }
  }
  // A line takes at least 24 bytes; a negative count reads no line.
  const uint32_t count = ar.ReadSignedCount(24);
  lines.clear();
  for (uint32_t i = 0; i < count; ++i) {
    TextLine line;
    ReadTextLine(ar, line);
    lines.push_back(std::move(line));
  }
  ReadGlyphAtlas(ar, atlas);
  if (version >= 3) {
    ReplaceEffect(appearEffect, ReadTextEffect(ar));
    ReplaceEffect(disappearEffect, ReadTextEffect(ar));
  }
  if (version == 1) {
    PromoteOrder(appearOrder);
    PromoteOrder(disappearOrder);
  }
  ownTimeline = ReadTiming(ar);
  if (timing && ownTimeline) timing->SetRandomTimeline(ownTimeline);
  ReadGroupBase(ar);
}

// ---- Crawling text ---------------------------------------------------------

ZVI_PtclSysPhys_CrawlingText::ZVI_PtclSysPhys_CrawlingText() {
  crawlSpeed.value.SetScaleOffset(2.0f, 0.0f, 100u);
  gap.SetValue(100u);
  text.vertical_alignment = 0;
  text.horizontal_alignment = 0;
  SetOriginUI(OriginUIPtr(CreateOriginUIByName(u"DS_PtclSys_Origin_UI_Curve")));
}

void ZVI_PtclSysPhys_CrawlingText::InitGlyphParticle(Particle* p, const TextLine& line, size_t index) {
  ZVI_PtclSysPhys_Text::InitGlyphParticle(p, line, index);
  auto* crawl = new PtclTr_CrawlingText();
  crawl->figure = figure.value;
  crawl->physics = this;
  crawl->glyphX = line.glyphs[index].x;
  crawl->glyphY = line.glyphs[index].y;
  crawl->lineHeight = line.height;
  crawl->glyphWidth = line.glyphs[index].w;
  crawl->lineWidth = line.width;
  p->AddTransform(crawl);
}

ParticleVector ZVI_PtclSysPhys_CrawlingText::Update(const ParticleVector* sources, float dt) {
  if (lines.empty()) return {};
  continuous = Continuous();
  if (continuous) {
    const float j = crawlSpeed.jitter.derived;
    const float v = crawlSpeed.value.derived * (j + crt_rand01() * (1.0f - j)) * BlockGraphAt(crawlSpeed, 0.0f);
    crawlOffset += (2.0f * static_cast<float>(direction.value) - 1.0f) * v * dt;
  } else {
    const float w = lines.front().width;
    const float l = figure.value ? figure.value->AxisLength() : 0.0f;
    const float c = (l - w) / 2.0f;
    ZVI_Timing* timeline = timing->Current();
    const float s = timeline->GetVisibility();
    switch (timeline->GetState()) {
      case kTimelineHidden: crawlOffset = -w; break;
      case kTimelineShown: crawlOffset = c; break;
      case kTimelineAppearing: crawlOffset = direction.value == 1 ? -w + s * (c + w) : l + s * (c - l); break;
      case kTimelineDisappearing: crawlOffset = direction.value == 1 ? l + s * (c - l) : -w + s * (c + w); break;
      default: break;
    }
  }
  return ZVI_PtclSysPhys_Points::Update(sources, dt);
}

void ZVI_PtclSysPhys_CrawlingText::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  uint32_t blockVersion = 0;
  ar.ReadDword(&blockVersion);
  ReadJitterGraphParam(ar, crawlSpeed);
  ReadRaw(ar, direction);
  gap.Read(ar);
  ZVI_PtclSysPhys_Text::ReadRecord(ar, ReadRecordName(ar));
}

bool PtclTr_CrawlingText::Apply(float, Particle* p) {
  ZVI_VGeom2D* f = figure.get();
  const float length = f ? f->AxisLength() : 0.0f;
  // Without a path length the glyphs stay where they are.
  if (!(length > 0.0f) || !physics) return true;
  float a = physics->crawlOffset + glyphX;
  if (physics->continuous) {
    const float period = physics->gap.derived + std::max(length, lineWidth);
    if (period > 0.0f) {
      if (physics->direction.value == 0) {
        const float r = std::fmod(std::fabs(a), period);
        a = a < 0.0f ? period - r : r;
      } else if (physics->direction.value == 1) {
        a = std::fmod(a, period);
      }
    }
    a -= physics->gap.derived;
  }
  const float u = a / length;
  // Far off the path (a damaged layout) the figure has no point to give.
  if (!(std::fabs(u) < 1e6f)) return true;
  D3DXVECTOR3 at(0, 0, 0), tangent(1, 0, 0);
  f->PointAtUV(u, 0.0f, &at, &tangent);
  const D3DXVECTOR3 n(tangent.y, -tangent.x, 0.0f);
  p->position = at + (glyphY - lineHeight) * n;
  const D3DXVECTOR3 up(0, 1, 0);
  D3DXVECTOR3 axis;
  D3DXVec3Cross(&axis, &up, &n);
  D3DXMATRIX turn;
  if (D3DXVec3LengthSq(&axis) < 1e-6f) {
    if (n.y >= 0.0f) D3DXMatrixIdentity(&turn);
    else {
      const D3DXVECTOR3 down(0, 0, -1);
      D3DXMatrixRotationAxis(&turn, &down, 3.14159265358979f);
    }
  } else {
    D3DXMatrixRotationAxis(&turn, &axis, std::acos(std::clamp(n.y, -1.0f, 1.0f)));
  }
  D3DXMatrixMultiply(&p->modifier1, &p->modifier1, &turn);
  if (glyphWidth != 0.0f) {
    p->quadWindow[0] = std::min(std::max(-a, 0.0f) / glyphWidth, 1.0f);
    p->quadWindow[1] = std::min(std::max(length - a, 0.0f) / glyphWidth, 1.0f);
  }
  p->quadWindow[2] = 0.0f;
  p->quadWindow[3] = 1.0f;
  return true;
}

void RegisterTextPhysicsReaders() {
  RegisterReader<ZVI_PtclSys_TxtTypeEffect_Fade, ZVI_IOF_Item>(u"ZVI_PtclSys_TxtTypeEffect_Fade");
  RegisterReader<ZVI_PtclSys_TxtTypeEffect_Slide, ZVI_IOF_Item>(u"ZVI_PtclSys_TxtTypeEffect_Slide");
  RegisterReader<ZVI_PtclSys_TxtTypeEffect_Fly, ZVI_IOF_Item>(u"ZVI_PtclSys_TxtTypeEffect_Fly");
  RegisterReader<ZVI_PtclSys_TxtTypeEffect_Zoom, ZVI_IOF_Item>(u"ZVI_PtclSys_TxtTypeEffect_Zoom");
  RegisterReader<ZVI_PtclSysPhys_Text, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_Text");
  RegisterReader<ZVI_PtclSysPhys_CrawlingText, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_CrawlingText");
  // Registered twice: the later registration replaces the earlier.
  RegisterReader<ZVI_PtclSys_TxtTypeEffect_Fade, ZVI_IOF_Item>(u"ZVI_PtclSys_TxtTypeEffect_Fade");
  RegisterReader<ZVI_PtclSys_TxtTypeEffect_Slide, ZVI_IOF_Item>(u"ZVI_PtclSys_TxtTypeEffect_Slide");
}
