#include "scene/explosion.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "player/doc_res_manager.h"
#include "player/texture_cache.h"
#include "player/timelines.h"

namespace {

IDirect3DTexture9* CurrentTexture(DS_DocResManager& doc, const DS_FileLink3& link) {
  DocImage& image = doc.GetTextures(link);
  return image.frameIndex < image.textures.size() ? image.textures[image.frameIndex].Get() : nullptr;
}

void Hold(ComPtr<IDirect3DTexture9>& held, IDirect3DTexture9* texture) {
  if (held.Get() != texture) held = ComPtr<IDirect3DTexture9>(texture);
}

}  // namespace

DS_ExplosionConstructor::DS_ExplosionConstructor() {
  noise1.SetScaleOffset(-0.01f, 1.0f, 21u);
  noise2.SetScaleOffset(0.01f, 0.0f, 15u);
  noise3.SetScaleOffset(0.01f, 0.0f, 42u);
  driftSpeed.SetScaleOffset(0.005f, 0.0f, 50u);
  size.SetValue(250u);
  viewSpeed.SetValue(100u);
}

void DS_ExplosionConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  noise1.Read(ar);
  noise2.Read(ar);
  noise3.Read(ar);
  ar.ReadUInt(&driftDirection.value);
  driftDirection.Recompute();
  driftSpeed.Read(ar);
  uint32_t legacy[5] = {};
  if (version < 2)
    for (uint32_t& v : legacy) ar.ReadUInt(&v);
  ar.ReadUInt(&seed.value);
  ar.ReadInt(&randomEachTime.value);
  uint32_t colourWord = 0;
  ar.ReadDword(&colourWord);
  secondColour.value = colourWord;
  ReadStatRecord(ar);
  if (version >= 2) return;
  DS_SafePtr<ZVI_Timing> made = CreateTimingByName(u"ZVI_RandomTimeLine");
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(made.get());
  if (!random) return;
  // Summed in 64 bits: two hostile values must not wrap.
  const auto hidden = static_cast<uint32_t>((uint64_t{legacy[3]} + legacy[4]) / 10u);
  random->minHidden.value = hidden;
  random->maxHidden.value = hidden;
  random->minShown.value = legacy[1] / 10u;
  random->maxShown.value = legacy[1] / 10u;
  random->fadeIn.SetValue(legacy[0] / 10u);
  random->fadeOut.SetValue(legacy[2] / 10u);
  timing.value = 1;
  timing.SetCurrentTimeline(made);
}

void DS_ExplosionConstructor::ResetTime() {
  previousOffset[0] = previousOffset[1] = 0.0f;
  nextOffset[0] = nextOffset[1] = 0.0f;
  drawCounter = 1;
  driftSpeed.elapsed = 0.0f;
  driftSpeed.last_time = 0.0f;
}

void DS_ExplosionConstructor::NewSeeds() {
  if (randomEachTime.value != 0) {
    nextOffset[0] = crt_rand01();
    nextOffset[1] = crt_rand01();
    return;
  }
  // The k-th pair of the sequence the seed starts; the shared sequence is
  // left alone.
  if (drawCounter <= 1) sequence_.Seed(seed.value);
  nextOffset[0] = static_cast<float>(sequence_.Next()) / 32767.0f;
  nextOffset[1] = static_cast<float>(sequence_.Next()) / 32767.0f;
  drawCounter += 1;
}

void DS_ExplosionConstructor::LoadEffect() {
  DS_FXParticleSystemCtrl::LoadEffect();
  if (DS_DocResManager* doc = CurrentDocResManager()) {
    Hold(gradientTexture, CurrentTexture(*doc, imageLink));
    IDirect3DTexture9* noise = CurrentTexture(*doc, secondImageLink);
    if (!noise) {
      // Without a noise picture of its own the fireball uses the player's.
      if (TextureCache* cache = GetTextureCache()) {
        ComPtr<IDirect3DTexture9> fallback = cache->GetNoiseTexture();
        Hold(noiseTexture, fallback.Get());
      }
    } else {
      Hold(noiseTexture, noise);
    }
  }
  NewSeeds();
}

void DS_ExplosionConstructor::AdvanceDriftClock() { driftSpeed.Advance(viewTime); }

void DS_ExplosionConstructor::UpdateSprite(SpriteRecord& s) {
  AdvanceDriftClock();
  ZVI_Timing* timeline = timing.Current();
  const uint32_t state = timeline ? timeline->GetState() : kTimelineShown;
  const float v = timeline ? timeline->GetVisibility() : 1.0f;
  if (state == kTimelineHidden) {
    ResetTime();
  }
  s.position = position.value;
  float d = 1.0f;
  if (state == kTimelineAppearing) {
    const float e = std::min(1.0f, 5.0f * v);
    s.alphaFactor = e;
    const float product = static_cast<float>(translucency.derived) * e;
    const uint32_t alpha = product > 0.0f ? static_cast<uint32_t>(product) & 0xFFu : 0u;
    s.colour = ArgbOf(colour.value, alpha);
    d = 0.25f + 0.75f * v;
  }
  const float h = static_cast<float>(size.value >> 1) * d;
  s.halfWidth = s.halfHeight = state == kTimelineHidden ? 0.0f : h;
}

DS_ExplosionConstructor::Upload DS_ExplosionConstructor::MakeUpload() {
  Upload u;
  const uint32_t c1 = colour.value, c2 = secondColour.value;
  for (int i = 0; i < 3; ++i) {
    u.color1[i] = static_cast<float>(c1 >> (8 * i) & 0xFFu) / 255.0f;
    u.color2[i] = static_cast<float>(c2 >> (8 * i) & 0xFFu) / 255.0f;
  }
  u.noiseParams[0] = noise1.derived;
  u.noiseParams[1] = noise2.derived;
  u.noiseParams[2] = noise3.derived;
  const float w = std::floor(viewTime);
  const float f = viewTime - w;
  if (w > lastWholeSecond) {
    previousOffset[0] = nextOffset[0];
    previousOffset[1] = nextOffset[1];
    NewSeeds();
    lastWholeSecond = w;
  }
  const float D = driftSpeed.elapsed;
  const float sx = -driftDirection.direction.x * D;
  const float sy = -driftDirection.direction.y * D;
  u.noiseShift[0] = previousOffset[0] + sx;
  u.noiseShift[1] = previousOffset[1] + sy;
  u.noiseShift[2] = nextOffset[0] + sx;
  u.noiseShift[3] = nextOffset[1] + sy;
  u.time[0] = f;
  u.time[1] = 1.0f - f;
  ZVI_Timing* timeline = timing.Current();
  const uint32_t state = timeline ? timeline->GetState() : kTimelineShown;
  const float v = timeline ? timeline->GetVisibility() : 1.0f;
  const float q = state == kTimelineDisappearing ? 1.0f - v : 0.0f;
  u.phase3rd[0] = q;
  u.phase3rd[1] = 1.0f - q;
  u.phase1st = state == kTimelineAppearing ? 2.0f * (1.0f - v) : 0.0f;
  return u;
}

bool DS_ExplosionConstructor::Draw(DS_ABRender*, ParticleGeomArray*) {
  last = MakeUpload();
  ID3DXEffect* e = effect.Get();
  if (!e) return true;
  e->SetTechnique(e->GetTechniqueByName("Main"));
  e->SetTexture("GradientTex", gradientTexture.Get());
  e->SetTexture("NoiseTex", noiseTexture.Get());
  e->SetFloatArray("color1", last.color1, 3);
  e->SetFloatArray("color2", last.color2, 3);
  e->SetFloatArray("noise_shift", last.noiseShift, 4);
  e->SetFloatArray("noise_params", last.noiseParams, 3);
  e->SetFloatArray("time", last.time, 2);
  e->SetFloatArray("phase_3rd", last.phase3rd, 2);
  e->SetFloat("phase_1st", last.phase1st);
  return true;
}
