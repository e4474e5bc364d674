#pragma once
// Sprites that appear at random places of the view and change their opacity
// over time: slanted light rays that drift and pulse, twinkling sparkles,
// slowly turning fog patches that bounce inside the view, and lightning
// flashes that flicker and come back elsewhere after random pauses.
#include <cstdint>

#include "scene/sprite_base.h"

class DS_GodRayConstructor : public DS_ParticleSystemCtrl {
 public:
  DS_GodRayConstructor() = default;
  DS_GodRayConstructor(const DS_GodRayConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_GodRayConstructor(*this); }

  MediaParamT<unsigned int> rayAngle{80u};
};

class DS_SparkleConstructor : public DS_ParticleSystemCtrl {
 public:
  DS_SparkleConstructor();
  DS_SparkleConstructor(const DS_SparkleConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_SparkleConstructor(*this); }
};

class DS_FogConstructor : public DS_ParticleSystemCtrl {
 public:
  DS_FogConstructor();
  DS_FogConstructor(const DS_FogConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_FogConstructor(*this); }

  float maxSpeedX = 40.0f;
  float maxSpeedY = 40.0f;
};

class DS_LightingConstructor : public DS_ParticleSystemCtrl {
 public:
  DS_LightingConstructor();
  DS_LightingConstructor(const DS_LightingConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  // Flashes are not dimmed by the timeline.
  uint32_t GetSpriteColor(uint32_t argb) override { return argb; }
  DS_ParticleSystemCtrl* Clone() const override { return new DS_LightingConstructor(*this); }

  // A flash's size, place and turn.
  void PlaceFlash(SpriteRecord& s);
  // The pause after a flash, in seconds.
  float DrawPause();

  MediaParamT<unsigned int> minPause{100u};
  MediaParamT<unsigned int> maxPause{500u};
};
