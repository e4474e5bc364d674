#pragma once
// The geometry behind the line and trace nodes: ribbon samples of a straight
// segment taken at the knots of its width and opacity graphs, the clipping of
// a line per particle, the writing of a ribbon into locked buffers, and the
// per-point callbacks that feed the stripe mesh builder.
#include <cstdint>
#include <vector>

#include "core/graph_params.h"
#include "core/media_param.h"
#include "geometry/skeleton_offset.h"
#include "geometry/stripe_mesh.h"
#include "particles/nodes/particle.h"
#include "platform/d3dx9/d3dx9_math.h"

class DS_IOF_Archive;

// One ribbon sample.
struct StripSample {
  D3DXVECTOR3 position{0, 0, 0};
  D3DXVECTOR3 sideA{0, -1, 0};  // offset direction of the vertex with u = 1
  D3DXVECTOR3 sideB{0, 1, 0};   // offset direction of the vertex with u = 0
  float t = 0.0f;               // 0 at the segment's start, 1 at its end
  uint8_t flag = 1;
  float length = 0.0f;  // running length, for the texture v coordinate
  float width = 1.0f;   // full width
  float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};

// A segment of a line node: its length (the parameter's value) with opacity
// and width profiles along it.
class ZVI_StraightWidehtLine : public MediaParamT<unsigned int> {
 public:
  ZVI_StraightWidehtLine();
  ZVI_StraightWidehtLine(const ZVI_StraightWidehtLine&) = default;

  // Two flags (read, unused), length, opacity and width blocks.
  void ReadRecord(DS_IOF_Archive& ar);

  JitterGraphParam opacity;  // factor 1 - value / 100
  JitterGraphParam width;
  int32_t flags[2] = {1, 1};
};

// The samples of one segment after those already in `samples`, starting at
// the running length x0, which grows by the segment's length.
void AppendSegmentSamples(const ZVI_StraightWidehtLine& segment, std::vector<StripSample>& samples, float& x0);
// S, the knots of the width and opacity graphs strictly inside (S.t, E.t), E.
void SampleSegment(const ZVI_StraightWidehtLine& segment, const StripSample& start, const StripSample& end,
                   std::vector<StripSample>& samples);

// a with position, length, width and colour moved towards b as far as x lies
// between their x; a itself when both have the same x.
StripSample LerpStripSample(const StripSample& a, const StripSample& b, float x);

// The samples of a line as a particle shows them: clip mode 0 keeps all;
// 1 keeps [max(0, (sx - 1) L), sx L]; 2 shifts by (sx - 1) L and keeps [0, L];
// others keep all. sx is the particle's x-scale, L the line's length.
std::vector<StripSample> ClipLineSamples(const std::vector<StripSample>& samples, int32_t clipMode,
                                         float totalLength, const Particle& particle);

// Where a ribbon goes: cursors into locked buffers and the counts so far.
struct RibbonOutput {
  BandVertex* vertices = nullptr;
  uint16_t* indices = nullptr;
  uint32_t vertexCount = 0;
  uint32_t indexCount = 0;
};

// Colour factors and the v rate of a ribbon.
struct RibbonPaint {
  float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float uRate = 0.0f;
};

// Vertices and triangles of one ribbon: 3n - 1 vertices and 4 (n - 1)
// triangles for n >= 2 samples, nothing otherwise. Cursors and counts advance.
void WriteRibbon(const std::vector<StripSample>& samples, const D3DXMATRIX& m, const RibbonPaint& paint,
                 RibbonOutput& out);
// The two edge vertices of one sample.
void WriteSamplePair(const StripSample& s, const D3DXMATRIX& m, const RibbonPaint& paint, RibbonOutput& out);
// Vertices a ribbon of n samples takes (0 below two samples).
inline uint32_t RibbonVertices(size_t n) { return n < 2 ? 0u : static_cast<uint32_t>(3 * n - 1); }
inline uint32_t RibbonTriangles(size_t n) { return n < 2 ? 0u : static_cast<uint32_t>(4 * n - 4); }

// ARGB from channel factors: each factor x 255 truncated, of which the low
// 8 bits are kept (NaN gives 0).
uint32_t PackFactors(float r, float g, float b, float a);

// One sample of a stripe line's band.
struct StripeSample {
  float x = 0, y = 0, z = 0;
  float r = 1, g = 1, b = 1, a = 1;
  float width = 0;
};

// The stripe line's per-point callback: half the sample's width, the tint
// (COLORREF and alpha byte) times the sample's colour.
BandPointCallback StripeLineCallback(const std::vector<StripeSample>& samples, uint32_t tint, uint8_t tintAlpha);

// The trace node's per-point callback over trail particles: half the
// particle's size; the trace colour's bytes with the particle's world alpha
// (at most 1), each channel rounded.
BandPointCallback TraceCallback(const ParticleVector& particles, uint32_t traceColor);

// The trace node's point accessor for the offsetter: point i is the world
// position of particle i; the largest half-size seen is kept.
class TracePointAccessor {
 public:
  explicit TracePointAccessor(const ParticleVector& particles) : particles_(particles) {}
  const D3DXVECTOR3& operator()(uint32_t i);
  OffsetPointAccessor Function() {
    return [this](uint32_t i) -> const D3DXVECTOR3& { return (*this)(i); };
  }
  float maxHalfWidth = 0.0f;

 private:
  const ParticleVector& particles_;
  D3DXVECTOR3 holder_{0, 0, 0};
};
