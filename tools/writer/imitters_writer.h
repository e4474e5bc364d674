#pragma once
// Writers for the classic particle systems: the parameter block (versions 1
// to 11), the system record (5, and the legacy 1 to 4), bursts (1 to 4),
// fountains (1 and 2) and the five fountain presets.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/values_writer.h"

namespace pw {

struct VariationRecord {
  uint32_t amplitude = 100;
  uint32_t frequency = 50;
  int32_t mode = 0;
};

// "ClassicParticleParams" has no header of its own: the system record gives
// its version.
struct ClassicBlockRecord {
  int32_t version = 11;
  NamedFileLinkSpec image;  // version 7 on; before it only its links are written
  std::u16string effectName;
  int64_t effectId = 0;
  uint32_t frameSpeed = 1;
  int32_t reverseFrames = 0, mirrorV = 0, mirrorU = 0;
  uint32_t particleSize = 16;
  ColorSetRecord colours;  // version 11; before it the first colour and the transparency
  // Version 2 on.
  uint32_t sizeFadeIn = 0, sizeFadeOut = 100, alphaFadeIn = 0, alphaFadeOut = 100;
  uint32_t sizeVariation = 0, alphaVariation = 0;
  int32_t spinDirection = 0;
  uint32_t spinSpeed = 0, spinSpread = 0;
  int32_t blendMode = 0;
  // Version 3 on: the alpha start factor is stored twice.
  uint32_t sizeStart = 0, sizeEnd = 0, alphaStart = 0;
  // Version 4 on.
  int32_t orientation = 0;
  uint32_t startAngle = 0, angleSpread = 0;
  // Version 5 on.
  int32_t glowMode = 0;
  uint32_t blurQuality = 50;
  uint32_t glowColour = 0x0000FFFFu;
  uint32_t glowLevel = 100;
  int32_t blurPasses = 2;
  // Version 8 on.
  VariationRecord alphaOscillation, sizeOscillation;
  // Version 9 on.
  int32_t flags = 0;
  int32_t gravityDirection = 0;
  uint32_t gravity = 0, airResistance = 0;
  // Version 10 on.
  VariationRecord forwardOscillation{50, 50, 0}, sideOscillation{50, 50, 0};
};
ByteBuilder& WriteClassicBlock(ByteBuilder& b, const ClassicBlockRecord& r);

// "ZVI_ParticleSystemCtrl" (versions 1 to 5).
struct ParticleSystemRecord {
  int32_t version = 5;
  std::u16string shapeName;  // version 5
  ClassicBlockRecord block;  // version 5: whole; before: its legacy fields
  int32_t shapeIndex = 0;             // versions 1 and 2
  std::vector<int32_t> shapeList{0};  // versions 3 and 4
  uint32_t systemSpeed = 100;         // version 4 on
  ConstructorRecord base;
};
ByteBuilder& WriteParticleSystem(ByteBuilder& b, const ParticleSystemRecord& r);

// "ZVI_BurstPtclSys" (versions 1 to 4).
struct BurstRecord {
  int32_t version = 4;
  float source[3] = {0.0f, 0.0f, 0.0f};
  uint32_t burstCount = 50;
  uint32_t speed = 25;  // x 4 units per second
  uint32_t range = 200;
  int32_t spatial = 0;
  uint32_t angle = 90, spread = 60;
  uint32_t gravity = 0;      // versions 1 to 3
  int32_t gravityFlag = 0;   // versions 1 to 3
  int32_t areaMode = 0;      // version 2 on
  uint32_t areaRadius = 0;   // version 2 on
  ParticleSystemRecord system;
};
// The burst fields of the record's version, without header or base record.
ByteBuilder& WriteBurstFields(ByteBuilder& b, const BurstRecord& r);
ByteBuilder& WriteBurst(ByteBuilder& b, const BurstRecord& r);

// "ZVI_FontainPtclSys" (versions 1 and 2); version 1 writes the burst's
// version-1 fields and the system record without the burst header.
struct FountainRecord {
  int32_t version = 2;
  uint32_t rate = 100;  // x 0.2 particles per second
  BurstRecord burst;
};
ByteBuilder& WriteFountain(ByteBuilder& b, const FountainRecord& r);

// "DS_PtclFire" (1), "DS_WaterJet" (0), "DS_LightBeams" (1), "DS_PtclSmoke"
// (1), "DS_PtclFireStream" (1): own fields, then the fountain record.
struct PresetRecord {
  std::u16string className = u"DS_WaterJet";
  int32_t version = -1;  // -1: the class's own
  int32_t fireValue = 0;
  uint32_t kept[3] = {0, 0, 0};
  uint32_t wind = 50;  // smoke: x 10 - 500
  FountainRecord fountain;
};
ByteBuilder& WritePreset(ByteBuilder& b, const PresetRecord& r);

// "ZVI_SplashPtclSys" (versions 1 and 2).
struct SplashRecord {
  int32_t version = 2;
  std::array<float, 12> area{};  // x, y, z of corners 0..3
  float sectorPosition[3] = {0.0f, 0.0f, 0.0f};
  uint32_t sectorRadius = 0, sectorAngle = 0, sectorSpread = 0;
  int32_t useSector = 0;
  uint32_t burstCount = 20;
  // Version 2.
  uint32_t life = 100;  // hundredths of a second
  uint32_t velocityAngle = 90, velocitySpread = 30;
  uint32_t speed = 50;
  // Version 1: the old timing form.
  uint32_t sizeVariation = 0;
  int32_t ignored = 0;
  uint32_t durations[3] = {25, 50, 25};
  int32_t envelopeFlag = 0;
  ParticleSystemRecord system;
};
// The splash fields of the record's version, without header or base record.
ByteBuilder& WriteSplashFields(ByteBuilder& b, const SplashRecord& r);
ByteBuilder& WriteSplash(ByteBuilder& b, const SplashRecord& r);

// "ZVI_SprayPtclSys" (versions 1 and 2); version 1 writes the rate, the
// area, the old timing form and the system record without the splash header.
struct SprayRecord {
  int32_t version = 2;
  uint32_t rate = 100;
  SplashRecord splash;
};
ByteBuilder& WriteSpray(ByteBuilder& b, const SprayRecord& r);

// "DS_PtclFog", "DS_BokehLights", "DS_PtclSmoke3", "DS_Shimmer" (version 1):
// the kept field (none for the shimmer), then the spray record.
struct SprayPresetRecord {
  std::u16string className = u"DS_PtclFog";
  uint32_t kept = 0;
  SprayRecord spray;
};
ByteBuilder& WriteSprayPreset(ByteBuilder& b, const SprayPresetRecord& r);

// "DS_StreamPtclSys" (version 1): the speed pair is written twice.
struct StreamRecord {
  uint32_t rate = 100;
  std::array<float, 12> edges{};
  uint32_t life = 200;
  uint32_t speed = 25, jitter = 0;  // the pair written second
  uint32_t firstSpeed = 25, firstJitter = 0;
  uint32_t deviation = 0;
  ParticleSystemRecord system;
};
ByteBuilder& WriteStream(ByteBuilder& b, const StreamRecord& r);
// "DS_PtclSmoke2" (version 1): two unsigned values, an integer, the stream.
ByteBuilder& WriteSmoke2(ByteBuilder& b, uint32_t kept1, uint32_t kept2, int32_t kept3, const StreamRecord& r);

// "ZVI_VortexPtclSys" (version 1).
struct VortexRecord {
  uint32_t rate = 100;
  float source[3] = {0.0f, 0.0f, 0.0f};
  uint32_t speed = 25;  // x 2
  uint32_t twist = 100;  // x 0.01
  int32_t reverse = 0;
  uint32_t angle = 0, spread = 20;
  uint32_t arms = 4;
  uint32_t rotationSpeed = 1;  // x 2 degrees per second
  int32_t rotationReverse = 0;
  uint32_t range = 200;
  ParticleSystemRecord system;
};
ByteBuilder& WriteVortex(ByteBuilder& b, const VortexRecord& r);

// Whole model records of every classic class and record version: bursts 1
// to 4, fountains 1 and 2, the five fountain presets, splashes and sprays 1
// and 2, the four spray presets, the streams and the vortex, the ray of
// light, through-space 1 to 3, the Brownian system and fireflies 1 and 2
// (tracers 1 to 4); system records 1 to 5 and blocks 1 to 11 among them.
std::vector<ByteBuilder> ClassicSampleRecords();

// "DS_RayOfLight" (version 1).
struct RayOfLightRecord {
  std::array<float, 12> edges{};  // x, y, z of corners 0..3
  uint32_t rayCount = 10;
  uint32_t life = 50, lifeJitter = 0;
  uint32_t width = 10, widthJitter = 0;
  uint32_t drift = 0, driftJitter = 0;
  uint32_t endWidth = 0, fadeIn = 25, fadeOut = 25, edgeFade = 0;
  int32_t kept = 0;
  ParticleSystemRecord system;
};
ByteBuilder& WriteRayOfLight(ByteBuilder& b, const RayOfLightRecord& r);

// "ZVI_ThroughSpaceCtrl" (versions 1 to 3; the motion speed from 2 on).
struct ThroughSpaceRecord {
  int32_t version = 3;
  uint32_t rate = 100;            // x 0.2 per second of motion time
  std::array<float, 12> area{};   // x, y, z of corners 0..3
  uint32_t rotationSpeed = 1;     // x 0.4 degrees per second
  int32_t rotationDirection = 0;
  float centre[3] = {0.0f, 0.0f, 0.0f};
  uint8_t reverse = 0;
  uint32_t motionSpeed = 100;     // x 0.01
  ParticleSystemRecord system;
};
ByteBuilder& WriteThroughSpace(ByteBuilder& b, const ThroughSpaceRecord& r);

// "ZVI_BrownAnimation" (version 1).
struct BrownianRecord {
  uint32_t count = 10;
  uint32_t speed = 25;          // x 0.04
  uint32_t changeRate = 50;     // x 0.02 + 0.1 per second
  uint32_t responseTime = 25;   // x 0.02 + 0.02 s
  std::array<float, 12> area{};
  ParticleSystemRecord system;
};
ByteBuilder& WriteBrownian(ByteBuilder& b, const BrownianRecord& r);

// The firefly's tracer record (versions 1 to 4), no class name.
struct TracerRecord {
  int32_t version = 4;
  std::u16string shapeName;  // version 2 on, with the block
  ClassicBlockRecord block;  // version 2 on
  uint32_t rate = 100;
  uint32_t life = 50;          // hundredths of a second
  uint32_t particleSize = 8;   // version 1
  uint32_t circleSize = 100;   // x 0.01
  uint32_t drift = 0;          // x 0.02 - 1
  int32_t discarded = 0;       // versions 1 to 3
};
ByteBuilder& WriteTracer(ByteBuilder& b, const TracerRecord& r);

// "ZVI_Firefly" (versions 1 and 2): the tracer, then the Brownian record.
struct FireflyRecord {
  int32_t version = 2;
  TracerRecord tracer;
  BrownianRecord brownian;
};
ByteBuilder& WriteFirefly(ByteBuilder& b, const FireflyRecord& r);
// A control point of a path record: position and the two tangents.
struct PathPointRecord {
  std::array<float, 3> position{};
  std::array<float, 3> outTangent{};
  std::array<float, 3> inTangent{};
};
// A straight line of n points from a to b, tangents a third of a step.
std::vector<PathPointRecord> StraightPathPoints(const std::array<float, 2>& a, const std::array<float, 2>& b, int n);

// "ZVI_ParticlePath" (version 1).
struct ParticlePathRecord {
  std::vector<PathPointRecord> points;
  uint32_t rate = 100;  // x 0.2 particles per second
  uint32_t speed = 50;
  uint32_t speedVariation = 0;  // percent
  uint32_t wobbleWidth = 0;
  int32_t wobbleMode = 0;
  uint32_t wobbleFrequency = 0;  // x 0.0004
  uint32_t startFactor = 0, endFactor = 0, rampInEnd = 0, rampOutStart = 0;  // percent
  ParticleSystemRecord system;
};
ByteBuilder& WriteParticlePath(ByteBuilder& b, const ParticlePathRecord& r);

// "ZVI_ParticleTrace" (version 1).
struct ParticleTraceRecord {
  std::vector<PathPointRecord> points;
  uint32_t particleCount = 20;
  uint32_t life = 100;  // hundredths of a second
  uint32_t spread = 0;
  uint32_t flySpeed = 0;
  ParticleSystemRecord system;
};
ByteBuilder& WriteParticleTrace(ByteBuilder& b, const ParticleTraceRecord& r);

// "ZVI_FieldPtclSys" (version 1).
struct FieldRecord {
  uint32_t life = 100;  // hundredths of a second
  uint32_t fill = 50;   // percent
  std::vector<std::array<float, 3>> positions;
  uint32_t angle = 0, spread = 0;
  uint32_t speed = 0;
  ParticleSystemRecord system;
};
ByteBuilder& WriteField(ByteBuilder& b, const FieldRecord& r);

// "DS_RainOnGlass" (version 1).
struct RainOnGlassRecord {
  uint32_t rate = 100;
  std::array<float, 12> area{};  // x, y, z of corners 0..3
  uint32_t gravity = 0;
  uint32_t gravityAngle = 90;
  ParticleSystemRecord system;
};
ByteBuilder& WriteRainOnGlass(ByteBuilder& b, const RainOnGlassRecord& r);

// One record of each of the path, trace, field and rain classes.
void AppendPathFieldRainSamples(std::vector<ByteBuilder>& out);

}  // namespace pw
