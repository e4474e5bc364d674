#include "scene/sprite_base.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/thread_slots.h"
#include "player/doc_res_manager.h"
#include "player/doc_resource_set.h"
#include "scene/sprite_runtime.h"

namespace {

float PictureWidth() { return static_cast<float>(GetRenderSettings().pictureWidth); }
float PictureHeight() { return static_cast<float>(GetRenderSettings().pictureHeight); }

// Truncated to an unsigned pixel count; what does not fit is clamped.
int32_t WholePixels(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 4294967295.0f) return static_cast<int32_t>(0xFFFFFFFFu);
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// Smallest stored EmbeddedFile: id, empty module name, byte count, empty path.
constexpr uint32_t kMinEmbeddedFileBytes = 4 + 4 + 4 + 4;

}  // namespace

void ReadRecordHeader(DS_IOF_Archive& ar, int32_t* version) {
  zvi_string name;
  ar.ReadWideString(&name);
  ar.ReadInt(version);
}

// ---------------------------------------------------------------------------
// DS_ViewObjCtrl

DS_ViewObjCtrl::DS_ViewObjCtrl() { BindEdgeCallbacks(); }

DS_ViewObjCtrl::DS_ViewObjCtrl(const DS_ViewObjCtrl& other)
    : DS_ABObj_Constructor(other),
      viewSpeed(other.viewSpeed),
      flagByte(other.flagByte),
      left(other.left),
      right(other.right),
      top(other.top),
      bottom(other.bottom) {
  BindEdgeCallbacks();
}

DS_ViewObjCtrl::~DS_ViewObjCtrl() = default;

void DS_ViewObjCtrl::ResetTime() {
  viewStep = 0.0f;
  viewTime = 0.0f;
  viewLast = 0.0f;
}

void DS_ViewObjCtrl::GetViewRect(QuadCorners* out) {
  out->Reset();
  const float W = PictureWidth(), H = PictureHeight();
  out->c[0].x = left * W;
  out->c[0].y = bottom * H;
  out->c[1].x = left * W;
  out->c[1].y = top * H;
  out->c[2].x = right * W;
  out->c[2].y = bottom * H;
  out->c[3].x = right * W;
  out->c[3].y = top * H;
}

void DS_ViewObjCtrl::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadMediaRectangle(ar, pixelRect);
  ar.ReadFloat(&left);
  ar.ReadFloat(&right);
  ar.ReadFloat(&top);
  ar.ReadFloat(&bottom);
  ar.ReadByte(&flagByte);
  if (version >= 2) ar.ReadUInt(&viewSpeed.value);
  ReadConstructorBase(ar);
}

void DS_ViewObjCtrl::ReadViewRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  DS_ViewObjCtrl::ReadRecord(ar, version);
}

void DS_ViewObjCtrl::SyncPixelRect() {
  const float W = PictureWidth(), H = PictureHeight();
  pixelRect.left.SetValue(WholePixels(left * W));
  pixelRect.right.SetValue(WholePixels(right * W));
  pixelRect.top.SetValue(WholePixels(top * H));
  pixelRect.bottom.SetValue(WholePixels(bottom * H));
}

void DS_ViewObjCtrl::BindEdgeCallbacks() {
  SyncPixelRect();
  using Callback = void (DS_ViewObjCtrl::*)(int);
  const Callback callbacks[4] = {&DS_ViewObjCtrl::OnLeft, &DS_ViewObjCtrl::OnRight, &DS_ViewObjCtrl::OnTop,
                                 &DS_ViewObjCtrl::OnBottom};
  MediaParamT<int>* edges[4] = {&pixelRect.left, &pixelRect.right, &pixelRect.top, &pixelRect.bottom};
  for (int i = 0; i < 4; ++i) {
    edgeControls_[i].Set(callbacks[i], this);
    edgeControls_[i].Attach(edges[i]);
    edgeControls_[i].Prime();
  }
}

void DS_ViewObjCtrl::OnEdgeChanged(int edge, int pixels) {
  const float size = edge < 2 ? PictureWidth() : PictureHeight();
  // Without a picture the normalised edge stays where it is.
  if (size == 0.0f) return;
  const float v = static_cast<float>(pixels) / size;
  switch (edge) {
    case 0: left = v; break;
    case 1: right = v; break;
    case 2: top = v; break;
    default: bottom = v; break;
  }
}

D3DXVECTOR3 DS_ViewObjCtrl::RandomPointInView() const {
  const float W = PictureWidth(), H = PictureHeight();
  const float l = left * W, r = right * W, t = top * H, b = bottom * H;
  const float x = crt_rand01() * (r - l) + l;
  const float y = crt_rand01() * (b - t) + t;
  return D3DXVECTOR3(x, y, 0.0f);
}

void DS_ViewObjCtrl::AdvanceViewClock(float t) {
  const float dt = std::fabs(t - viewLast);
  viewStep = std::fmin(dt, 0.2f) * ViewSpeedFactor();
  viewLast = t;
  viewTime += viewStep;
}

// ---------------------------------------------------------------------------
// SpriteRecord

void SpriteRecord::Init(DS_BaseSpriteProp& model) {
  xMultiplier = 0.0f;
  yMultiplier = 0.0f;
  word = 0;
  velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  position = D3DXVECTOR3(100.0f, 100.0f, 0.0f);

  aspect = 1.0f;
  if (DS_DocResManager* doc = CurrentDocResManager()) {
    if (model.imageKind == 2) aspect = doc->GetImage(model.imageLink, 1).aspect;
    else aspect = doc->GetTextures(model.imageLink).aspect;
  }
  if (model.atlasFlag) aspect *= static_cast<float>(model.FrameCount());

  uRange[0] = 0.0f;
  uRange[1] = 1.0f;
  vRange[0] = 0.0f;
  vRange[1] = 1.0f;
  xAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  yAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);

  sizeFactor = crt_rand01() * (model.sizeMax - model.sizeMin) + model.sizeMin;
  SetHalfSizes(model);
}

void SpriteRecord::SetHalfSizes(const DS_BaseSpriteProp& model) {
  const float d = static_cast<float>(model.size.value) * sizeFactor * 0.5f;
  if (aspect < 1.0f) {
    halfWidth = d;
    halfHeight = d * aspect;
  } else {
    halfWidth = d / aspect;
    halfHeight = d;
  }
}

// ---------------------------------------------------------------------------
// DS_BaseSpriteProp

DS_BaseSpriteProp::DS_BaseSpriteProp() { speed.SetScaleOffset(0.01f, 0.0f, 100u); }

DS_BaseSpriteProp::DS_BaseSpriteProp(const DS_BaseSpriteProp& other)
    : DS_ViewObjCtrl(other),
      count(other.count),
      size(other.size),
      translucency(other.translucency),
      blendMode(other.blendMode),
      colour(other.colour),
      twinkleSpeed(other.twinkleSpeed),
      twinkleMin(other.twinkleMin),
      twinkleMax(other.twinkleMax),
      sizeMin(other.sizeMin),
      sizeMax(other.sizeMax),
      imageLink(other.imageLink),
      secondImageLink(other.secondImageLink),
      reservedUnsigned(other.reservedUnsigned),
      reservedFloat(other.reservedFloat),
      frameCount(other.frameCount),
      frameRate(other.frameRate),
      atlasFlag(other.atlasFlag),
      imageKind(other.imageKind),
      flipVertical(other.flipVertical),
      flipHorizontal(other.flipHorizontal),
      staticFlag(other.staticFlag),
      legacyDelays(other.legacyDelays),
      speed(other.speed),
      spriteStep(other.spriteStep),
      spriteTime(other.spriteTime),
      spriteLast(other.spriteLast),
      frozen(other.frozen) {
  legacyFrames.reserve(other.legacyFrames.size());
  for (const EmbeddedFile& f : other.legacyFrames) legacyFrames.push_back(f.Copy());
  legacySecond = other.legacySecond.Copy();
}

DS_BaseSpriteProp::~DS_BaseSpriteProp() = default;

void DS_BaseSpriteProp::GetPreviewImage(PreviewImage* out) {
  *out = PreviewImage();
  if (DS_DocResManager* doc = CurrentDocResManager()) {
    DocImage& image = doc->GetTextures(imageLink);
    if (image.frameIndex < image.textures.size()) out->texture = image.textures[image.frameIndex].Get();
  }
  out->width = static_cast<uint32_t>(imageKind);
  out->height = 0;
  out->aspect = 1.0f / static_cast<float>(FrameCount());
}

void DS_BaseSpriteProp::CollectResources(DocResourceSet& set) {
  DocResourceEntry entry;
  entry.link = imageLink;
  entry.colour = colour.value;
  set.entries.push_back(std::move(entry));
}

uint32_t DS_BaseSpriteProp::GetSpriteColor(uint32_t argb) {
  const float v = timing.Current()->GetVisibility();
  const float product = static_cast<float>(argb >> 24) * v;
  // Only the low byte of the product is kept.
  const uint32_t alpha = product > 0.0f && product < 4294967295.0f ? static_cast<uint32_t>(product) : 0u;
  return (argb & 0x00FFFFFFu) | (alpha & 0xFFu) << 24;
}

uint32_t DS_BaseSpriteProp::BaseArgb(float alphaFactor) const {
  const float a = static_cast<float>(translucency.derived) * alphaFactor;
  const uint32_t alpha = a > 0.0f ? (a >= 255.0f ? 255u : static_cast<uint32_t>(a)) : 0u;
  return ArgbOf(colour.value, alpha);
}

uint32_t DS_BaseSpriteProp::ColorByVisibilityUse(uint32_t argb) {
  if (timing.timeMode.value != 1) return argb;
  return DS_BaseSpriteProp::GetSpriteColor(argb);
}

float DS_BaseSpriteProp::Uniform(float a, float b) { return crt_rand01() * (b - a) + a; }

void DS_BaseSpriteProp::ReadFields(DS_IOF_Archive& ar, int32_t v) {
  ReadViewRecord(ar);
  ar.ReadUInt(&count.value);
  if (v < 3) ar.ReadUInt(&viewSpeed.value);
  ar.ReadUInt(&size.value);
  translucency.Read(ar);
  ar.ReadInt(&blendMode.value);
  uint32_t colourWord = 0;
  ar.ReadDword(&colourWord);
  colour.value = colourWord;
  ar.ReadFloat(&twinkleSpeed);
  ar.ReadFloat(&twinkleMin);
  ar.ReadFloat(&twinkleMax);
  ar.ReadFloat(&sizeMin);
  ar.ReadFloat(&sizeMax);
  const bool legacy = v < 2;
  if (legacy) {
    const uint32_t n = ar.ReadSignedCount(kMinEmbeddedFileBytes);
    legacyFrames.clear();
    for (uint32_t i = 0; i < n; ++i) {
      EmbeddedFile file;
      ar.ReadEmbeddedFile(&file);
      legacyFrames.push_back(std::move(file));
    }
    ar.ReadEmbeddedFile(&legacySecond);
  } else {
    ReadFileLink3(ar, imageLink);
    ReadFileLink3(ar, secondImageLink);
  }
  ar.ReadUInt(&reservedUnsigned);
  ar.ReadFloat(&reservedFloat);
  ar.ReadUInt(&frameCount);
  ar.ReadFloat(&frameRate);
  ar.ReadByte(&atlasFlag);
  if (legacy) {
    ar.ReadFloatVector(&legacyDelays);
    return;
  }
  if (v >= 4) ar.ReadInt(&imageKind);
  if (v >= 5) {
    ar.ReadInt(&flipVertical.value);
    ar.ReadInt(&flipHorizontal.value);
  }
  if (v >= 6) ar.ReadInt(&staticFlag.value);
  if (v >= 7) speed.Read(ar);
}

void DS_BaseSpriteProp::ConvertLegacyImages() {
  if (!imageLink.name.empty()) return;
  DS_DocResManager* doc = CurrentDocResManager();
  if (!doc) return;
  DS_ImageFileLink made;
  doc->AddImageFrames(&made, legacyFrames, legacyDelays);
  imageLink.name = made.name;
  imageLink.id = made.id;
  if (legacySecond.resourceId != 0) {
    DS_ImageFileLink second;
    doc->AddImageFile(&second, legacySecond);
    secondImageLink.name = second.name;
    secondImageLink.id = second.id;
  }
  legacyFrames.clear();
  legacyDelays.clear();
}

void DS_BaseSpriteProp::AdvanceSpriteClock(float t) {
  const float e = std::fmin(spriteLast, t);
  const float raw = t - e;
  spriteLast = t;
  spriteStep = speed.derived * std::fmin(raw, 0.2f);
  spriteTime += spriteStep;
}

// ---------------------------------------------------------------------------

DS_ABObj* DS_ParticleSystemCtrl::CreateRuntime() {
  ConvertLegacyImages();
  return new DS_SpriteArrayObj(Clone());
}
