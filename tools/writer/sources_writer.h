#pragma once
// Records of the particle sources: physics, point groups, the root point,
// motion laws and their parameter blocks, at any version.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/geometry_writer.h"

namespace pw {

// A constant-graph jitter block.
ByteBuilder& WriteConstJitterGraph(ByteBuilder& b, uint32_t value, uint32_t jitter);

// Blocks (each starts with its version word).
ByteBuilder& WriteSpinParams(ByteBuilder& b, int32_t directionMode, uint32_t rate, uint32_t rateJitter,
                             int32_t orientationMode, uint32_t startAngle, uint32_t spread);
ByteBuilder& WriteFollowCurveHead(ByteBuilder& b, uint32_t speed, int32_t pingPong, int32_t easing,
                                  int32_t orientation);
ByteBuilder& WriteSwarmParams(ByteBuilder& b, const std::array<uint32_t, 4>& values);
ByteBuilder& WriteFlowParams(ByteBuilder& b, uint32_t speed, uint32_t jitter, uint32_t direction, uint32_t third);
struct VelocityFieldRecord {
  int32_t version = 2;
  uint32_t amplitude = 100, noiseScale = 100, timeRate = 100, drift = 0, driftJitter = 0, driftDirection = 0;
};
ByteBuilder& WriteVelocityFieldParams(ByteBuilder& b, const VelocityFieldRecord& r);
struct LoopMotionRecord {
  int32_t version = 2;
  uint32_t speed = 100, jitter = 0, direction = 0;
  int32_t edgeMode = 0;
};
ByteBuilder& WriteLoopMotionParams(ByteBuilder& b, const LoopMotionRecord& r);
struct SpiralMotionRecord {
  int32_t version = 2;
  uint32_t angular = 100, angularJitter = 0, radial = 0, radialJitter = 0;
  std::array<float, 3> offset{0, 0, 0};
  int32_t sense = 0, inward = 0;
};
ByteBuilder& WriteSpiralMotionParams(ByteBuilder& b, const SpiralMotionRecord& r);

// The physics base record; figure: a whole figure record, or empty for none.
ByteBuilder& WritePhysicsBase(ByteBuilder& b, int32_t version = 3, const ByteBuilder& figure = ByteBuilder());
// The points record, then the base record.
ByteBuilder& WritePointsTail(ByteBuilder& b, int32_t baseVersion = 3, const ByteBuilder& figure = ByteBuilder());

// Source physics.
struct SourceRecord {
  int32_t version = 4;
  uint32_t count = 10;
  int32_t cycle = 0;
  float duration = 1.0f, pause = 0.0f, delay = 0.0f;
  uint32_t lifetime = 10, lifetimeJitter = 0;
  int32_t baseVersion = 3;
  ByteBuilder baseFigure;  // the base record's figure (version 3)
};
// "ZVI_PtclSysPhys_Source" header, its fields, the life-limit and points tail.
ByteBuilder& WriteSourceBase(ByteBuilder& b, const SourceRecord& r);
// figure: written below version 2. law: a whole motion-law record.
ByteBuilder& WriteSourceFig(ByteBuilder& b, int32_t version, const ByteBuilder& figure, const ByteBuilder& law,
                            const SourceRecord& source);
struct LatticeRecord {
  uint32_t rows = 5, columns = 5;
  int32_t rowFlip = 0, columnFlip = 0;
  uint32_t rowDelay = 0, columnDelay = 20;
};
ByteBuilder& WriteLattice(ByteBuilder& b, int32_t version, const ByteBuilder& figure, const LatticeRecord& r,
                          const SourceRecord& source);

// Point groups. The group record: header, count, points tail.
ByteBuilder& WriteGroupBase(ByteBuilder& b, uint32_t count, const ByteBuilder& baseFigure = ByteBuilder());
ByteBuilder& WriteConstPntGroup(ByteBuilder& b, uint32_t count, const ByteBuilder& baseFigure = ByteBuilder(),
                                std::u16string_view name = u"ZVI_PtclSysPhys_ConstPntGroup");
struct TrackRecord {
  int32_t inner = 2;  // the value that precedes the depth (version 2 on)
  uint32_t depth = 50;
  int32_t reverse = 0;
  uint32_t speed = 50;
  int32_t pingPong = 1, easing = 0, orientation = 0;
  uint32_t startPause = 0, endPause = 0;
  int32_t hideStart = 0, hideEnd = 0;
  uint32_t count = 1;
};
// The fields of a track at a version (no header), then the group record.
ByteBuilder& WriteTrackBody(ByteBuilder& b, int32_t version, const ByteBuilder& curve, const TrackRecord& r);
ByteBuilder& WriteTrack(ByteBuilder& b, int32_t version, const ByteBuilder& curve, const TrackRecord& r);
ByteBuilder& WriteTrackPerspective(ByteBuilder& b, int32_t trackVersion, const ByteBuilder& curve,
                                   const TrackRecord& r);
ByteBuilder& WriteSwarm(ByteBuilder& b, int32_t version, const ByteBuilder& figure,
                        const std::array<uint32_t, 4>& swarm, uint32_t count);
ByteBuilder& WriteFlow(ByteBuilder& b, int32_t version, const ByteBuilder& figure, const std::array<uint32_t, 4>& flow,
                       uint32_t count);
struct SpotsRecord {
  uint32_t rows = 3, columns = 3;
  int32_t loop = 0;
  LoopMotionRecord loopBlock;
  uint32_t lifetime = 10, lifetimeJitter = 0;
};
// baseFigure: the figure the physics base record carries.
ByteBuilder& WriteFixedSpots(ByteBuilder& b, int32_t version, const SpotsRecord& r,
                             const ByteBuilder& baseFigure = ByteBuilder());
struct RootRecord {
  std::array<float, 3> position{0, 0, 0};
  int32_t encoding = 2, direction = 0;
  uint32_t speed = 0, angle = 0;
  uint32_t scale = 100, transparency = 0;
};
ByteBuilder& WriteRootPnt(ByteBuilder& b, int32_t version, const RootRecord& r);

// Motion laws (whole records).
ByteBuilder& WriteMotionLawBase(ByteBuilder& b, int32_t version = 2, int32_t detach = 0);
ByteBuilder& WriteKinematicBase(ByteBuilder& b, uint32_t speed = 100, uint32_t jitter = 0, int32_t detach = 0);
ByteBuilder& WriteKinematicLaw(ByteBuilder& b, uint32_t speed = 100, uint32_t jitter = 0, int32_t detach = 0);
ByteBuilder& WriteVectorLaw(ByteBuilder& b, int32_t version, uint32_t direction, uint32_t spread, uint32_t speed,
                            uint32_t jitter = 0, int32_t detach = 0, std::u16string_view name = u"ZVI_PtclSysMLaw_Vector");
ByteBuilder& WriteNormalLaw(ByteBuilder& b, uint32_t direction, uint32_t spread, uint32_t speed);
ByteBuilder& WriteVelocityFieldLaw(ByteBuilder& b, int32_t version, const VelocityFieldRecord& r);
ByteBuilder& WriteLoopLaw(ByteBuilder& b, int32_t version, const LoopMotionRecord& r, int32_t followMode);
ByteBuilder& WriteCentredBase(ByteBuilder& b, uint32_t speed, uint32_t jitter, const std::array<float, 3>& offset,
                              int32_t detach = 0);
ByteBuilder& WriteRadialLaw(ByteBuilder& b, int32_t version, int32_t signMode, uint32_t speed,
                            const std::array<float, 3>& offset = {0, 0, 0});
ByteBuilder& WriteSpiralLaw(ByteBuilder& b, int32_t version, const SpiralMotionRecord& r, uint32_t speed = 50);
ByteBuilder& WriteTunelLaw(ByteBuilder& b, uint32_t depth, int32_t rotationMode, int32_t inward, uint32_t focal,
                           uint32_t speed = 50, const std::array<float, 3>& offset = {0, 0, 0});

// Trail and curve physics.
struct TraceLineRecord {
  uint32_t lifetime = 10, lifetimeJitter = 0;
  uint32_t size = 20, sizeJitter = 0;
  uint32_t alpha = 100, alphaJitter = 0;
};
ByteBuilder& WriteTraceLine(ByteBuilder& b, const TraceLineRecord& r = TraceLineRecord());
// "ZVI_PtclSysPhys_PntStripes" then the physics base record.
ByteBuilder& WriteStripesTail(ByteBuilder& b, int32_t baseVersion = 3);
struct CurvesRecord {
  int32_t version = 2;  // 1 has no start and end blocks
  int32_t spinDirection = 0, spinOrientation = 0;
  uint32_t spinRate = 50, spinJitter = 0, spinStart = 0, spinSpread = 0;
  uint32_t size = 1, width = 1, alpha = 1, start = 1, end = 1;
  uint32_t widthJitter = 0;
};
// The curve base record (all graphs constant) and its tails.
ByteBuilder& WriteCurvesBase(ByteBuilder& b, const CurvesRecord& r = CurvesRecord());
ByteBuilder& WriteLineCurv(ByteBuilder& b, uint32_t segments, const CurvesRecord& r = CurvesRecord());
// The fields after the outer header (what the line nodes read after their
// own name and version), then the curve base record.
ByteBuilder& WriteFractalCurvBody(ByteBuilder& b, int32_t version, uint32_t levels, uint32_t amplitude = 50,
                                  uint32_t speed = 50, const CurvesRecord& r = CurvesRecord());
ByteBuilder& WriteFractalCurv(ByteBuilder& b, int32_t version, uint32_t levels, uint32_t amplitude = 50,
                              uint32_t speed = 50, const CurvesRecord& r = CurvesRecord());
ByteBuilder& WriteRandomCurvBody(ByteBuilder& b, uint32_t segments, uint32_t amplitude = 50, uint32_t speed = 50,
                                 const CurvesRecord& r = CurvesRecord());
ByteBuilder& WriteRandomCurv(ByteBuilder& b, uint32_t segments, uint32_t amplitude = 50, uint32_t speed = 50,
                             const CurvesRecord& r = CurvesRecord());
struct PerlinCurvRecord {
  int32_t version = 4;
  uint32_t subdivisions = 5;
  uint32_t amplitude = 50, amplitudeJitter = 0;
  uint32_t octaves = 2, multiplier = 1;
  uint32_t change = 50, scroll = 0;
};
ByteBuilder& WritePerlinCurvBody(ByteBuilder& b, const PerlinCurvRecord& p, const CurvesRecord& r = CurvesRecord());
ByteBuilder& WritePerlinCurv(ByteBuilder& b, const PerlinCurvRecord& p, const CurvesRecord& r = CurvesRecord());

// Text records: the paint block, glyph lines and the glyph atlas map.
ByteBuilder& WriteTextPaintParams(ByteBuilder& b, int32_t mode, uint32_t colour, uint32_t transparency,
                                  uint32_t amount);
struct GlyphRecord {
  int32_t version = 2;  // 1 has no visible byte
  uint32_t code = 'A';
  float x = 0, y = 0, w = 10, h = 10;
  uint8_t visible = 1;
};
struct TextLineRecord {
  int32_t version = 3;  // 1: no height, no top; 2: no top
  float x = 0, y = 0, z = 0;
  std::vector<GlyphRecord> glyphs;
  float width = 0, height = 0, top = 0;
};
ByteBuilder& WriteTextLine(ByteBuilder& b, const TextLineRecord& r);
struct AtlasRecord {
  uint32_t code = 'A';
  float umin = 0, vmin = 0, umax = 1, vmax = 1;
};
// Count, then code, count 1, umin, umax, vmin, vmax per entry.
ByteBuilder& WriteGlyphAtlas(ByteBuilder& b, const std::vector<AtlasRecord>& entries);

// The exploding picture (version 1); the spinner as a spin effect record.
struct ExplodingPicRecord {
  uint32_t wholeMin = 100, wholeMax = 100, burstMin = 100, burstMax = 100;
  uint32_t fragments = 100;
  uint32_t size = 8, sizeJitter = 50;
  uint32_t lifetime = 50, lifetimeJitter = 50;
  uint32_t speed = 60, speedJitter = 50;
  uint32_t spinRate = 100, spinJitter = 100;
  int32_t spinMode = 2;
  uint32_t count = 1;
};
ByteBuilder& WriteExplodingPic(ByteBuilder& b, const ExplodingPicRecord& r = ExplodingPicRecord());

// Text type effects (whole records). The type-effect tail: its header,
// the duration (hundredths of a second) and the text-effect header.
ByteBuilder& WriteTxtTypeTail(ByteBuilder& b, uint32_t duration);
ByteBuilder& WriteTxtFade(ByteBuilder& b, uint32_t duration);
// Version 1 also stores the fade portion.
ByteBuilder& WriteTxtSlide(ByteBuilder& b, int32_t version, uint32_t direction = 180, uint32_t distance = 100,
                           uint32_t duration = 100, uint32_t fadePortion = 50);
struct TxtFlyRecord {
  uint32_t direction = 90, spread = 360, distance = 100, spin = 100;
  int32_t spinMode = 2;
  uint32_t duration = 100;
};
ByteBuilder& WriteTxtFly(ByteBuilder& b, const TxtFlyRecord& r = TxtFlyRecord());
struct TxtZoomRecord {
  uint32_t startScale = 10, anchorX = 50, anchorY = 25;
  int32_t horizontal = 1, vertical = 1;
  uint32_t duration = 100;
};
ByteBuilder& WriteTxtZoom(ByteBuilder& b, const TxtZoomRecord& r = TxtZoomRecord());

// Text physics. Versions 1 and 2 store two durations of Fade effects;
// version 3 whole effect records.
struct TextPhysicsRecord {
  int32_t version = 3;
  TextParamsRecord text;
  int32_t reserved = 0;
  int32_t appearOrder = 0, disappearOrder = 1;
  uint32_t appearDuration = 100, disappearDuration = 100;  // versions 1, 2
  std::vector<TextLineRecord> lines;
  std::optional<int32_t> lineCount;  // stored instead of the number of lines
  std::vector<AtlasRecord> atlas;
  ByteBuilder appear, disappear;  // version 3: whole effect records
  ByteBuilder timeline;           // empty: a default random timeline
  uint32_t count = 1;
  ByteBuilder baseFigure;
};
ByteBuilder& WriteTextPhysicsBody(ByteBuilder& b, const TextPhysicsRecord& r);
ByteBuilder& WriteTextPhysics(ByteBuilder& b, const TextPhysicsRecord& r);
struct CrawlRecord {
  uint32_t speed = 100, speedJitter = 0;
  int32_t direction = 0;
  uint32_t gap = 100;
};
ByteBuilder& WriteCrawlingText(ByteBuilder& b, const CrawlRecord& c, const TextPhysicsRecord& r);

}  // namespace pw
