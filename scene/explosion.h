#pragma once
// The explosion: one square quad on a point of the picture, drawn by an
// effect that turns two noise lookups and a colour gradient into a fireball.
// The quad grows while the timeline appears; the noise offsets are renewed
// once per whole second of view-clock time and drift against a direction.
#include <cstdint>
#include <string_view>

#include "core/crt.h"
#include "core/smart_values.h"
#include "scene/sprite_fx.h"

class DS_ExplosionConstructor : public DS_StatBaseFXCtrl {
 public:
  DS_ExplosionConstructor();
  DS_ExplosionConstructor(const DS_ExplosionConstructor& other) = default;

  // Versions 1 to 3; below 2 the five timing values become a random timeline.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // Offsets, draw counter and drift clock back to their start; the view
  // clock and the last whole second carry on.
  void ResetTime() override;
  void UpdateSprite(SpriteRecord& sprite) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_ExplosionConstructor(*this); }
  std::u16string_view EffectClass() const override { return u"DS_ExplosionConstructor"; }
  // The effect, the gradient and noise textures, then the first offsets.
  void LoadEffect() override;
  // Uploads the effect's parameters; the runtime then draws the quad.
  bool Draw(DS_ABRender* context, ParticleGeomArray* geometry) override;

  // Renews the next offset.
  void NewSeeds();
  // The drift clock follows the view clock's accumulated time.
  void AdvanceDriftClock();

  // What Draw uploads, kept for the runtime's checks.
  struct Upload {
    float color1[3] = {};
    float color2[3] = {};
    float noiseShift[4] = {};
    float noiseParams[3] = {};
    float time[2] = {};
    float phase3rd[2] = {};
    float phase1st = 0.0f;
  };
  // The parameters for the current clocks and timeline.
  Upload MakeUpload();

  UINTSclaleTo<float> noise1;
  UINTSclaleTo<float> noise2;
  UINTSclaleTo<float> noise3;
  MediaDirection driftDirection;
  MediaSpeedParam driftSpeed;
  MediaParamT<unsigned int> seed{0u};
  MediaParamT<int> randomEachTime{0};
  SmartCOLORREF secondColour{0u};
  ComPtr<IDirect3DTexture9> gradientTexture;
  ComPtr<IDirect3DTexture9> noiseTexture;
  float previousOffset[2] = {0.0f, 0.0f};
  float nextOffset[2] = {0.0f, 0.0f};
  float lastWholeSecond = 0.0f;
  int32_t drawCounter = 1;
  Upload last;

 private:
  // The seeded sequence, apart from the shared one: reseeded whenever the
  // counter starts again, so the k-th renewal gives the k-th pair.
  CrtRandom sequence_;
};
