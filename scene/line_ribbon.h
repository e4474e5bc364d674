#pragma once
// What every line effect shares: the ribbon parameter block with its
// multiply surface, the ribbon node and its three quad writers, and the
// path-following line bases ZVI_LineCtrl and ZVI_StaticLineCtrl, whose
// BuildRibbon lays a ribbon between two arc lengths of the sampled path.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/envelope_params.h"
#include "geometry/paths.h"
#include "particles/imitters/particle_system.h"
#include "player/render_surfaces.h"

// All floats: 72 bytes.
struct RibbonNode {
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 tangent{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 left{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 right{0.0f, 0.0f, 0.0f};
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
  float v = 0.0f;
  float edges = 0.0f;  // 1 once left and right are set
};
static_assert(sizeof(RibbonNode) == 72);

// The factor of an envelope at x: rising from the start factor to 1 over
// [0, in], 1 in between, falling to the end factor over [out, 1].
inline float EnvelopeAt(const LifeEnvelopeParams& e, float x) { return e.Evaluate(x, 1.0f); }

// Normal of a tangent in the picture plane: (-t.y, t.x, 0).
inline D3DXVECTOR3 RibbonNormal(const D3DXVECTOR3& t) { return D3DXVECTOR3(-t.y, t.x, 0.0f); }

// A colour channel 0..1 as a byte; NaN gives 0.
uint32_t RibbonChannelByte(float c);

// Quad writers: set cur's edges (edges flag 1) and write the four vertices
// cur.left, prev.left, cur.right, prev.right.
// Mitred: the edges on cur's normal, stretched so that the ribbon keeps its
// width across the turn (the stretch capped at 4); a zero-length step
// copies prev into cur.
void WriteRibbonQuadMitred(DX_V::PCT* quad, const RibbonNode& prev, float w, RibbonNode& cur);
// As mitred with cur's tangent along the segment: edges at w / 2 across it.
void WriteRibbonQuadAlongSegment(DX_V::PCT* quad, const RibbonNode& prev, float w, RibbonNode& cur);
// The edges at w / 2 on cur's own normal; no length test.
void WriteRibbonQuadAtNode(DX_V::PCT* quad, const RibbonNode& prev, float w, RibbonNode& cur);

// The ribbon's classic block followed by the full-screen surface the
// multiply mode draws into.
class LineRibbonParams : public ClassicParticleParams {
 public:
  LineRibbonParams();
  // The block's values; the surface is made again by PrepareSurface.
  LineRibbonParams(const LineRibbonParams& other);
  LineRibbonParams& operator=(const LineRibbonParams&) = delete;

  // The block's effect, then the surface at the back buffer's size.
  void PrepareSurface(std::u16string_view askingClass);
  // Batch b drawn normally, or (any non-zero blend mode) multiplied over
  // the background copy through the surface.
  void Draw(ZVI_ParticleSystemMech* runtime, uint32_t b, DS_ABRender* context, int* pass);
  // Background steps Draw takes.
  int32_t BackgroundSteps() const;

  // Height / width of the first image; 1 while no image is resolved.
  float ImageAspect() const;
  // The first colour as 0..1 channels; opaque white for an empty list.
  void FirstColour(float* r, float* g, float* b) const;
  float AlphaByte() const { return static_cast<float>(colors.transparency.derived); }
  // Texture v of a distance d along a ribbon of width w: d / (w x aspect),
  // 0 where that repeat length is 0.
  float TextureV(float d, float w) const;

  std::unique_ptr<ZVI_PrerenderSurface> surface;
};

// Background steps of a line: the ribbon's and, when the head particles
// are drawn, the base block's screen glow.
int32_t LineBackgroundPasses(const LineRibbonParams& ribbon, const ClassicParticleParams& base, int32_t showParticles);

class ZVI_LineCtrl : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_LineCtrl() = default;
  ZVI_LineCtrl(const ZVI_LineCtrl& other) = default;

  int32_t GetKind() const override { return 9; }
  int32_t NeedsBackground() override { return LineBackgroundPasses(ribbon, params, showParticles.value); }
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void DrawParticles(DS_ABRender* context, int* pass) override;

  // Samples at 100 steps per path segment, reversed when Reverse is set.
  void RebuildSamples();
  // The "ZVI_LineCtrl" record body (versions 1 and 2), the system record
  // after it; version 1 keeps the ribbon in the base record: swapped.
  bool ReadLineRecord(DS_IOF_Archive& ar, int32_t version);

  SplinePath path;
  MediaParamT<int32_t> showParticles{0};
  LineRibbonParams ribbon;
  ZVI_MediaFloat headSideOffset;
  ZVI_MediaFloat headForwardOffset;
  uint8_t reverse = 0;
  std::vector<PathSample> samples;
};

// Exchanges the values of two blocks (files of the first version keep the
// ribbon in the system record).
void ExchangeBlocks(ClassicParticleParams& a, ClassicParticleParams& b);

class ZVI_StaticLineCtrl : public ZVI_LineCtrl {
 public:
  ZVI_StaticLineCtrl();
  ZVI_StaticLineCtrl(const ZVI_StaticLineCtrl& other) = default;

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  // Width in pixels and alpha 0..255 of a node d behind the head.
  virtual float GetWidthAt(float d) = 0;
  virtual float GetAlphaAt(float d) = 0;

  // Batch 0: the ribbon from arc length from to to (the head); the head
  // particle placed at the head; batch 1: the head particles.
  void BuildRibbon(float from, float to);
  // The "ZVI_StaticLineCtrl" record body, the line record after it.
  bool ReadStaticRecord(DS_IOF_Archive& ar, int32_t version);
  // Every line frame starts so: the object's clock, then the image frames.
  float ClockStep(float t);
  // The head particle lives on with a new IPR_HeadAge of the given age.
  void ReinitHead(float maxAge);
  // Length of the sampled path.
  float PathLength() const { return path.total_length; }

  LifeEnvelopeParams widthEnvelope;
  UINTSclaleTo<float> width;
  LifeEnvelopeParams alphaEnvelope;
  // The first is the one placed at the head.
  ClassicParticleList heads;
};

// The head particle's life: it ages and never dies.
class IPR_HeadAge : public IPR_ConstantAge {
 public:
  explicit IPR_HeadAge(float max) : IPR_ConstantAge(max) {}
  bool Apply(float dt, ClassicParticle& p) override;
};
