#include "scene/sprite_wanderers.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "player/doc_res_manager.h"
#include "player/timelines.h"

namespace {

float W() { return static_cast<float>(GetRenderSettings().pictureWidth); }
float H() { return static_cast<float>(GetRenderSettings().pictureHeight); }

float WithSignOf(float magnitude, float sign) { return std::copysign(std::fabs(magnitude), sign); }

}  // namespace

void DS_FishConstructor::ReadFishFields(DS_IOF_Archive& ar) {
  ar.ReadFloat(&maxSpeedX);
  ar.ReadFloat(&maxSpeedY);
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  ReadFields(ar, version);
}

void DS_FishConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadFishFields(ar); }

void DS_FishConstructor::ReadFishRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  ReadFishFields(ar);
}

void DS_FishConstructor::SpawnSprite(SpriteRecord& s) {
  const float vx = Uniform(-maxSpeedX, maxSpeedX);
  const float vy = Uniform(-maxSpeedY, maxSpeedY);
  s.position = RandomPointInView();
  s.xMultiplier = 0.0f;
  s.yMultiplier = 0.0f;
  s.word = 0;
  s.velocity = D3DXVECTOR3(vx, vy, 0.0f);
  s.SetHalfSizes(*this);
  s.colour = BaseArgb(s.alphaFactor);
  // Facing left: the quad is mirrored.
  if (vx < 0.0f) s.halfWidth = -s.halfWidth;
}

void DS_FishConstructor::SwimStep(SpriteRecord& s) {
  s.position.x += s.velocity.x * viewStep;
  s.position.y += s.velocity.y * viewStep;
  const float x = s.position.x, y = s.position.y;
  const float hw = std::fabs(s.halfWidth);
  if (left * W() > hw + x) {
    s.velocity.x = std::fabs(s.velocity.x);
    s.halfWidth = hw;
    frozen = 1;
  } else if (x - hw > right * W()) {
    s.velocity.x = -std::fabs(s.velocity.x);
    s.halfWidth = -hw;
    frozen = 1;
  }
  if (top * H() > y - s.halfHeight) {
    s.velocity.y = std::fabs(s.velocity.y);
    frozen = 1;
  } else if (y + s.halfHeight > bottom * H()) {
    s.velocity.y = -std::fabs(s.velocity.y);
    frozen = 1;
  }
  if (viewLast - s.switchTime > 1.0f) {
    s.switchTime = viewLast;
    if (crt_rand() & 1) {
      const float vx = Uniform(-maxSpeedX, maxSpeedX);
      s.velocity.x = WithSignOf(vx, s.velocity.x);
      s.velocity.y = Uniform(-maxSpeedY, maxSpeedY);
      s.velocity.z = 0.0f;
      frozen = 1;
    }
  }
}

void DS_FishConstructor::UpdateSprite(SpriteRecord& s) { SwimStep(s); }

// ---------------------------------------------------------------------------

void DS_BirdConstructor::UpdateSprite(SpriteRecord& s) {
  SwimStep(s);
  if (std::fabs(s.velocity.y) < 0.7f * maxSpeedY) s.velocity.y = s.velocity.y * 0.3f / 0.7f + 0.7f * maxSpeedY;
  if (std::fabs(s.velocity.x) < 0.7f * maxSpeedX)
    s.velocity.x = WithSignOf(Uniform(0.7f * maxSpeedX, maxSpeedX), s.velocity.x);
}

// ---------------------------------------------------------------------------

DS_GhostConstructor::DS_GhostConstructor() {
  maxSpeedX = 50.0f;
  maxSpeedY = 50.0f;
  twinkleSpeed = 0.66f;
  translucency.SetValue(50u);
  sizeMin = 1.0f;
  sizeMax = 1.0f;
  timing.timeMode.value = 1;
  timing.flags |= 1u;
  unsavedValue = 2;
}

void DS_GhostConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadFishRecord(ar);
  if (version >= 2) return;
  // Old ghosts fade in and out continuously over 1.5 s.
  DS_SafePtr<ZVI_Timing> made = CreateTimingByName(u"ZVI_RandomTimeLine");
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(made.get());
  if (!random) return;
  random->minHidden.SetValue(0u);
  random->maxHidden.SetValue(0u);
  random->minShown.SetValue(0u);
  random->maxShown.SetValue(0u);
  random->fadeIn.SetValue(150u);
  random->fadeOut.SetValue(150u);
  timing.value = 1;
  timing.SetRandomTimeline(made);
}

void DS_GhostConstructor::SpawnSprite(SpriteRecord& s) {
  DS_FishConstructor::SpawnSprite(s);
  s.alphaFactor = crt_rand01();
}

void DS_GhostConstructor::UpdateSprite(SpriteRecord& s) {
  SwimStep(s);
  ZVI_Timing* timeline = timing.Current();
  if (timeline->GetState() == 1) {
    hiddenMarker = 1;
  } else if (hiddenMarker) {
    SpawnSprite(s);
    frozen = 1;
    hiddenMarker = 0;
  }
  s.alphaFactor = timeline->GetVisibility();
  s.colour = BaseArgb(s.alphaFactor);
}
