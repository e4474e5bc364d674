#pragma once
// Writers for the line effects (growing, sliding, shooting, tears, waving)
// with their line bases, and for the single objects (static object, object
// on a path) with theirs; every version each record has.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/imitters_writer.h"

namespace pw {

using Envelope = std::array<uint32_t, 4>;  // fade-in end, fade-out start, start, end
constexpr Envelope kFlatEnvelope{0, 100, 0, 0};

struct SplinePointRecord {
  std::array<float, 3> position{0, 0, 0};
  std::array<float, 3> outTangent{0, 0, 0};
  std::array<float, 3> inTangent{0, 0, 0};
};
// A u32 count, then the 40-byte points.
ByteBuilder& WriteSplinePoints(ByteBuilder& b, const std::vector<SplinePointRecord>& points);

// "ZVI_LineCtrl" (versions 1 and 2).
struct LineRecord {
  int32_t version = 2;
  std::vector<SplinePointRecord> points;
  int32_t showParticles = 0;
  std::u16string ribbonShape;
  ClassicBlockRecord ribbon;  // its version field is the block version written
  float headSide = 0.0f, headForward = 0.0f;
  int32_t ignored = 0;  // version 1 only
  ParticleSystemRecord system;
};
ByteBuilder& WriteLine(ByteBuilder& b, const LineRecord& r);

// "ZVI_StaticLineCtrl" (version 1).
struct StaticLineRecord {
  uint32_t width = 10;
  Envelope widthEnvelope = kFlatEnvelope, alphaEnvelope = kFlatEnvelope;
  LineRecord line;
};
ByteBuilder& WriteStaticLine(ByteBuilder& b, const StaticLineRecord& r);

// "ZVI_GrovingLine" (versions 1 and 2).
struct GrowingLineRecord {
  int32_t version = 2;
  Envelope growWidth = kFlatEnvelope, growAlpha = kFlatEnvelope;
  int32_t retractFromStart = 0;  // version 2
  StaticLineRecord base;
};
ByteBuilder& WriteGrowingLine(ByteBuilder& b, const GrowingLineRecord& r);

// "ZVI_SlidingLine" (version 1).
struct SlidingLineRecord {
  uint32_t slideLength = 50;
  int32_t slideMode = 0;
  StaticLineRecord base;
};
ByteBuilder& WriteSlidingLine(ByteBuilder& b, const SlidingLineRecord& r);

// "ZVI_ShootingLine" (versions 1 and 2).
struct ShootingLineRecord {
  int32_t version = 2;
  std::vector<SplinePointRecord> points;
  std::u16string ribbonShape;
  ClassicBlockRecord ribbon;
  float shotMin = 0.5f, shotMax = 1.5f;
  uint32_t speed = 100, amplitude = 0, tailLength = 50, width = 10;
  Envelope widthEnvelope = kFlatEnvelope;
  uint32_t frequency = 0;  // x 0.0002 radians per pixel
  int32_t showParticles = 0;
  float kept[2] = {0.0f, 0.0f};
  ParticleSystemRecord system;
};
ByteBuilder& WriteShootingLine(ByteBuilder& b, const ShootingLineRecord& r);
// "ZVI_Tears" (version 1): the whole shooting-line record after its header.
ByteBuilder& WriteTears(ByteBuilder& b, const ShootingLineRecord& r);

// "DS_StraightLine" (version 1).
struct StraightLineRecord {
  std::array<float, 3> start{0, 0, 0}, end{100, 0, 0};
  ParticleSystemRecord system;
};
ByteBuilder& WriteStraightLine(ByteBuilder& b, const StraightLineRecord& r);

// "ZVI_WavingLine" (version 1).
struct WavingLineRecord {
  uint32_t width = 10;
  Envelope widthEnvelope = kFlatEnvelope;
  std::u16string ribbonShape;
  ClassicBlockRecord ribbon;
  uint32_t amplitude = 0, secondWave = 0;
  int32_t showParticles = 0;
  float headSide = 0.0f, headForward = 0.0f;
  StraightLineRecord base;
};
ByteBuilder& WriteWavingLine(ByteBuilder& b, const WavingLineRecord& r);

// "ZVI_SingleParticle" (version 1).
struct SingleParticleRecord {
  std::array<float, 12> corners{};  // x, y, z of corners 0..3
  ParticleSystemRecord system;
};
ByteBuilder& WriteSingleParticle(ByteBuilder& b, const SingleParticleRecord& r);

// "ZVI_StaticObject" (version 1).
struct StaticObjectRecord {
  uint32_t rotationSpeed = 0;  // x 0.4 degrees per second
  int32_t clockwise = 0;
  SingleParticleRecord base;
};
ByteBuilder& WriteStaticObject(ByteBuilder& b, const StaticObjectRecord& r);

// "ZVI_ParticlePathCtrl" (version 1).
struct ParticlePathCtrlRecord {
  std::vector<std::array<float, 3>> points;
  ParticleSystemRecord system;
};
ByteBuilder& WriteParticlePathCtrl(ByteBuilder& b, const ParticlePathCtrlRecord& r);

// "ZVI_SigleObjectPath" (version 1).
struct ObjectPathRecord {
  uint32_t speed = 10;  // x 0.1 pixels per update
  int32_t orientation = 0;
  ParticlePathCtrlRecord base;
};
ByteBuilder& WriteObjectPath(ByteBuilder& b, const ObjectPathRecord& r);

// One record of every class and version above, each with a small image
// link of the pack: seeds for the readers.
std::vector<ByteBuilder> LineSampleRecords();

}  // namespace pw
