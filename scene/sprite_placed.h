#pragma once
// Sprites that stay where they are put: one image placed at the centre of an
// authored rectangle and turned by an angle, the same swaying about its lower
// edge (flowers) or showing a random atlas frame at every frame change, and
// grass blades standing on the view's bottom edge, each swaying in its phase.
#include <cstdint>

#include "scene/sprite_base.h"

class DS_StatObjConstructor : public DS_ParticleSystemCtrl {
 public:
  DS_StatObjConstructor();
  DS_StatObjConstructor(const DS_StatObjConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The "DS_StatObjConstructor" record of a subclass: header, then fields.
  void ReadStatRecord(DS_IOF_Archive& ar);

  void GetViewRect(QuadCorners* out) override;
  bool HitTest(float x, float y) override { return objectRect.HitTest(x, y); }
  bool NeedsTrackBreak(int32_t) override { return false; }
  void SpawnSprite(SpriteRecord& s) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_StatObjConstructor(*this); }

  MediaRectangle objectRect;  // extra1, extra2: the centre
  MediaParamT<unsigned int> rotationAngle{0u};
  D3DXMATRIX rotation;
};

class DS_FlowerConstructor : public DS_StatObjConstructor {
 public:
  DS_FlowerConstructor();
  DS_FlowerConstructor(const DS_FlowerConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void UpdateSprite(SpriteRecord& s) override;
  uint32_t GetSpriteColor(uint32_t argb) override { return ColorByVisibilityUse(argb); }
  DS_ParticleSystemCtrl* Clone() const override { return new DS_FlowerConstructor(*this); }

  float swayAmplitude = 1.5f;
  float unusedFloat = 0.0f;
};

class DS_DischargeConstructor : public DS_StatObjConstructor {
 public:
  DS_DischargeConstructor() = default;
  DS_DischargeConstructor(const DS_DischargeConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadStatRecord(ar); }
  // A random frame other than the current one; with fewer than two frames
  // there is none, and the current frame stays.
  uint32_t NextFrame(uint32_t frame) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_DischargeConstructor(*this); }
};

class DS_GrassConstructor : public DS_ParticleSystemCtrl {
 public:
  DS_GrassConstructor();
  DS_GrassConstructor(const DS_GrassConstructor&) = default;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  uint32_t GetSpriteColor(uint32_t argb) override { return ColorByVisibilityUse(argb); }
  DS_ParticleSystemCtrl* Clone() const override { return new DS_GrassConstructor(*this); }

  float swayAmplitude = 3.0f;
};

// 1 / tan of (90 - lean) degrees, the lean kept inside (-90, 90) degrees.
float LeanSlope(float leanDegrees);
