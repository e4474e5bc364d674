#pragma once
// The electric discharge: a jagged arc between two points, rebuilt at random
// ten times a second, each segment one sprite stretched along it and
// textured with a bolt picture; the whole arc glows.
#include <cstdint>
#include <vector>

#include "scene/sprite_fx.h"

struct ArcSegment {
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};  // midpoint
  D3DXVECTOR3 direction{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 normal{0.0f, 0.0f, 0.0f};
  float length = 0.0f;
};

class DS_DischargeFXConstructor : public DS_GlowEffectCtrl {
 public:
  DS_DischargeFXConstructor();
  DS_DischargeFXConstructor(const DS_DischargeFXConstructor& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void ResetTime() override;
  void SpawnSprite(SpriteRecord& sprite) override;
  void UpdateSprite(SpriteRecord& sprite) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_DischargeFXConstructor(*this); }
  std::u16string_view EffectClass() const override { return u"DS_DischargeFXConstructor"; }
  // The effect, the bolt picture of the style, then the textures.
  void LoadEffect() override;
  // Every 0.1 s of view-clock time a new arc; the last one morphs from.
  void PrepareFrame() override;

  // A new arc of arc.size() segments from the start to the end point.
  void BuildArc(std::vector<ArcSegment>& arc);
  // Builds the arcs the last spawn left to build.
  void EnsureArcs();
  // Segments as the sprite array holds them.
  uint32_t SegmentCount() const { return count.value < kMaxSprites ? count.value : kMaxSprites; }

  MediaParamT<D3DXVECTOR3> startPoint{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  MediaParamT<D3DXVECTOR3> endPoint{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  UINTSclaleTo<float> jitter;
  MediaParamT<int> style{1};
  UINTSclaleTo<float> flickerInterval;
  UINTSclaleTo<float> morphRate;
  std::vector<ArcSegment> previousArc;
  std::vector<ArcSegment> currentArc;
  D3DXVECTOR3 startCopy{0.0f, 0.0f, 0.0f};
  int32_t segmentCounter = 0;
  float rebuildTime = 0.0f;
  uint8_t rebuilt = 1;
  // Every spawn rebuilds both arcs of all segments; for long arcs only the
  // last spawn's arcs are built, from the random state it started with,
  // and the numbers the others would draw are skipped.
  bool arcsPending = false;
  uint32_t pendingRandState = 0;
};
