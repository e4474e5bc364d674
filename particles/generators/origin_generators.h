#pragma once
// Generators with a clock of their own, a launch sector and moving origins
// that are launched at a rate and expire; and the fireworks built on them:
// bursts (or a stream) of sparks leaving trails, drawn with a glow.
#include <cstdint>
#include <limits>
#include <list>
#include <memory>
#include <string_view>

#include "core/smart_values.h"
#include "particles/generators/static_generators.h"

struct OriginRecord;

// A behaviour of an origin, stepped with it and destroyed with it.
class OriginBehaviour {
 public:
  virtual ~OriginBehaviour() = default;
  virtual void Step(OriginRecord& origin, float dt) = 0;
  virtual OriginBehaviour* Clone() const = 0;
};

struct OriginRecord {
  OriginRecord() = default;
  // Copies clone the behaviours, so every copy owns its own.
  OriginRecord(const OriginRecord& other);
  OriginRecord& operator=(const OriginRecord&) = delete;

  float remaining = 0.0f;
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 acceleration{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 axisU{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 axisV{0.0f, 0.0f, 0.0f};
  float sizeFactor = 100.0f;
  float opacity = 1.0f;
  std::list<std::unique_ptr<OriginBehaviour>> behaviours;
};

// The most origins launched in one step.
constexpr int kMaxLaunchesPerStep = 4096;

class DS_ParticleOriginGenerator : public DS_StaticGenerator {
 public:
  DS_ParticleOriginGenerator();
  // Origins are copied with their behaviours.
  DS_ParticleOriginGenerator(const DS_ParticleOriginGenerator& other);

  void Update(float time, DS_ParticlesObj* object) override;
  // A new origin at the origin point, flying out of the sector.
  virtual std::unique_ptr<OriginRecord> LaunchOrigin();

  // "DS_ParticleOriginGenerator" with its class name and version (1 or 2),
  // then the static generator's record.
  void ReadOriginRecord(DS_IOF_Archive& ar);
  void UpdateOrigins(float dt);
  float Visibility();
  // The most origins alive at once: a launch due while they are all alive is
  // dropped.
  virtual size_t MaxOrigins() const { return std::numeric_limits<size_t>::max(); }

  UINTSclaleTo<float> originLifetime;
  MediaParamT<unsigned int> launchRate{0u};
  MediaParamT<unsigned int> originSize{0u};
  MediaSector sector;
  // The clock of these generators, in place of the base clock.
  MediaSpeedParam generatorSpeed;
  std::list<std::unique_ptr<OriginRecord>> origins;
  float accumulator = 0.0f;
};

class DS_Firework : public DS_ParticleOriginGenerator {
 public:
  DS_Firework();
  DS_Firework(const DS_Firework& other) = default;

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  // Gives a new spark its life of L seconds and its flight.
  virtual void InitSpark(GeneratorParticle& spark, float L) = 0;

  // Sparks in layer 0, their glows in layer 1.
  void FillLayers(DS_ParticlesObj* object);

  MediaParamT<unsigned int> sparkCount{0u};
  MediaParamT<unsigned int> sparkSize{0u};
  UINTSclaleTo<float> launchSpeed;
  UINTSclaleTo<float> glowFactor;
  UINTSclaleTo<float> gravity;
  uint8_t armed = 1;
  float nextLaunch = 0.0f;
};

class DS_FireworkSimple : public DS_Firework {
 public:
  DS_FireworkSimple() = default;
  DS_FireworkSimple(const DS_FireworkSimple& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void InitSpark(GeneratorParticle& spark, float L) override;
  void InitEmittedParticle(GeneratorParticle& p, const GeneratorParticle& head) override;
  DS_ParticleGenerator* Clone() const override { return new DS_FireworkSimple(*this); }
  std::u16string_view ClassName() const override { return u"DS_FireworkSimple"; }
};
