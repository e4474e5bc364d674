#pragma once
// Sprite animations on the generator chain: one sprite travelling back and
// forth along the straight segments of a path, one rectangle with an
// animated picture, and a fixed number of sprites wandering at random in a
// rectangle. None of them emits particles.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/smart_points.h"
#include "geometry/paths.h"
#include "particles/generators/particle_generator.h"
#include "particles/generators/region_generators.h"
#include "particles/generators/static_generators.h"

// The Brownian animation keeps at most this many sprites (16-bit indices).
constexpr uint32_t kMaxBrownSprites = 16384;

// One frame step of an animated picture at clock total c: at most one frame
// on (or back) once the current frame's delay has passed.
void StepImageFrame(DocImage& image, float c, bool backwards);

class DS_PathGenerator : public DS_TexParticleGenerator {
 public:
  DS_PathGenerator() = default;
  DS_PathGenerator(const DS_PathGenerator& other) = default;

  // "DS_PathGenerator": class name and version (not tested), the points,
  // then the texture generator's record.
  void ReadPathRecord(DS_IOF_Archive& ar);

  SmartPath<DX_SmartPnt> path;
};

class DS_PathAnimtion : public DS_PathGenerator {
 public:
  DS_PathAnimtion();
  DS_PathAnimtion(const DS_PathAnimtion& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override { DrawLayerDirect(context, object); }
  void Update(float time, DS_ParticlesObj* object) override;
  // One layer; the sprite starts at the first point, travelling forwards.
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_PathAnimtion(*this); }
  std::u16string_view ClassName() const override { return u"DS_PathAnimtion"; }

  // Moves the sprite by the travel clock's last step, turning at both ends.
  void MoveAlongPath();
  // The sprite's quad in layer 0.
  void WriteSpriteQuad(DS_ParticlesObj* object);

  MediaSpeedParam travelSpeed;
  MediaSpeedParam frameSpeed;
  UINTSclaleTo<float> spriteSize;
  MediaParamT<int> orientation{0};
  MediaParamT<int> flipVertical{0};
  MediaParamT<int> flipHorizontal{0};
  D3DXVECTOR3 previousPosition{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  float segmentOffset = 0.0f;
  // The point the sprite left last, as an index: the points belong to the
  // path, which a copy shares.
  size_t cursor = 0;
  uint8_t backwards = 0;
};

class DS_StaticAnimation : public DS_SingleRectGN {
 public:
  DS_StaticAnimation();
  DS_StaticAnimation(const DS_StaticAnimation& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_StaticAnimation(*this); }
  std::u16string_view ClassName() const override { return u"DS_StaticAnimation"; }

  // Colour 1 with its alpha scaled by the visibility, as "Color".
  void SpriteColour(float out[4]);

  MediaSpeedParam frameSpeed;
  MediaParamT<int> reverse{0};
};

class DS_BrownAnimation : public DS_ParticleRctRgnGenerator {
 public:
  DS_BrownAnimation();
  // The copy's particles and settings refer to the copy's own parameters.
  DS_BrownAnimation(const DS_BrownAnimation& other);

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override { DrawLayerDirect(context, object); }
  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_BrownAnimation(*this); }
  std::u16string_view ClassName() const override { return u"DS_BrownAnimation"; }

  // New wanderers until Count are there; surplus ones go from the end.
  void KeepSpriteCount();
  // One quad per wanderer in layer 0.
  void WriteSpriteQuads(DS_ParticlesObj* object);
  // Count as kept: at most kMaxBrownSprites.
  uint32_t SpriteCount() const { return count.value < kMaxBrownSprites ? count.value : kMaxBrownSprites; }

  MediaParamT<unsigned int> count{0u};
  UINTSclaleTo<float> spriteSize;
  UINTSclaleTo<float> wanderSpeed;
  UINTSclaleTo<float> retargetInterval;
  UINTSclaleTo<float> steeringTime;
  MediaSpeedParam frameSpeed;
  BrownianSettings settings;

 private:
  void PointSettingsHere();
};
