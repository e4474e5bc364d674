#pragma once
// Sprites flowing in one direction across the view, each with its own
// sideways wobble and a speed growing with its size (leaves, snow, bubbles),
// with what happens at each side of the view set per side: fade out and come
// back at the opposite side, bounce, or pause outside. Rain is a flow with
// turned, twinkling drops.
#include <cstdint>

#include "core/io_item.h"
#include "core/scaled_param.h"
#include "scene/sprite_base.h"

class DS_FlowConstructor;

// What one side of the view does with the sprites that reach it.
class DS_BoundControl : public DS_IOF_Item {
 public:
  enum Edge : int32_t { kTop = 0, kBottom = 1, kLeft = 2, kRight = 3 };

  DS_BoundControl() = default;
  DS_BoundControl(const DS_BoundControl& other);
  DS_BoundControl& operator=(const DS_BoundControl&) = delete;

  // The record after its class name and version.
  void ReadRecord(DS_IOF_Archive& ar);

  bool FullyOutside(const SpriteRecord& s) const;
  bool Crossing(const SpriteRecord& s) const;
  // True when this side handles the sprite in this update.
  bool Check(SpriteRecord& s);
  // The sprite belongs to this side.
  void Continue(SpriteRecord& s);

  int32_t edge = -1;
  DS_FlowConstructor* owner = nullptr;
  MediaParamT<int> mode{0};
  MediaParamT<unsigned int> fadeOut{0u};  // milliseconds
  MediaParamT<unsigned int> fadeIn{0u};
  MediaParamT<unsigned int> minPause{0u};
  MediaParamT<unsigned int> maxPause{0u};

 private:
  // Negates the multiplier across this side.
  void Reflect(SpriteRecord& s) const;
  // Pause from now, frozen.
  void StartPause(SpriteRecord& s) const;
};

class DS_FlowConstructor : public DS_ParticleSystemCtrl {
 public:
  DS_FlowConstructor();
  DS_FlowConstructor(const DS_FlowConstructor& other);
  DS_FlowConstructor& operator=(const DS_FlowConstructor&) = delete;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  bool NeedsTrackBreak(int32_t) override { return frozen != 0; }
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  // Fewer sprites while the timeline fades (visibility use 0).
  uint32_t GetSpriteCount() override;
  uint32_t GetSpriteColor(uint32_t argb) override { return ColorByVisibilityUse(argb); }
  DS_ParticleSystemCtrl* Clone() const override { return new DS_FlowConstructor(*this); }

  void BindAngleCallback();
  // M, the flow vector D and the lateral vector P from the angle.
  void OnAngleChanged(unsigned int angle);
  // Half sizes, colour and, turned with the flow, the axes.
  void RefreshSprite(SpriteRecord& s);
  void FlowStep(SpriteRecord& s);

  float W() const;
  float H() const;

  MediaParamT<unsigned int> flowAngle{0u};
  MediaFloat<unsigned int> wobbleAmplitude;
  MediaFloat<unsigned int> wobbleRate;
  float flowSpeed = 0.0f;
  MediaParamT<int> orientation{0};
  DS_BoundControl bounds[4];
  D3DXVECTOR4 flowVector{0.0f, 0.0f, 0.0f, 0.0f};
  D3DXVECTOR4 lateralVector{0.0f, 1.0f, 0.0f, 0.0f};
  D3DXMATRIX flowRotation;

 private:
  void InitBounds();
  DS_FunLightCtrl<unsigned int, DS_FlowConstructor> angleControl_;
};

class DS_RainConstructor : public DS_FlowConstructor {
 public:
  DS_RainConstructor();
  DS_RainConstructor(const DS_RainConstructor&) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  bool NeedsTrackBreak(int32_t counter) override { return counter > 1; }
  void SpawnSprite(SpriteRecord& s) override;
  void UpdateSprite(SpriteRecord& s) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_RainConstructor(*this); }

  D3DXMATRIX dropRotation;
};
