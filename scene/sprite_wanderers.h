#pragma once
// Sprites that wander the view with random velocities and face where they
// go: fish, birds (never slower than 70 % of the maximum speeds) and ghosts
// (fading with their timeline, placed anew after every hidden phase).
#include <cstdint>

#include "scene/sprite_base.h"

class DS_FishConstructor : public DS_ParticleSystemCtrl {
 public:
  DS_FishConstructor() = default;
  DS_FishConstructor(const DS_FishConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  bool NeedsTrackBreak(int32_t) override { return frozen != 0; }
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_FishConstructor(*this); }

  // The fish fields and the sprite record.
  void ReadFishFields(DS_IOF_Archive& ar);
  // The fish record of a subclass: its header, then its fields.
  void ReadFishRecord(DS_IOF_Archive& ar);
  void SwimStep(SpriteRecord& s);

  float maxSpeedX = 80.0f;
  float maxSpeedY = 50.0f;
};

class DS_BirdConstructor : public DS_FishConstructor {
 public:
  DS_BirdConstructor() = default;
  DS_BirdConstructor(const DS_BirdConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadFishRecord(ar); }
  void UpdateSprite(SpriteRecord& s) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_BirdConstructor(*this); }
};

class DS_GhostConstructor : public DS_FishConstructor {
 public:
  DS_GhostConstructor();
  DS_GhostConstructor(const DS_GhostConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_GhostConstructor(*this); }

  uint8_t hiddenMarker = 0;
};
