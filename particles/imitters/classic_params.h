#pragma once
// The parameter block of every classic particle system: the particle image
// and its frames, size, colour and alpha over the life, spin and
// orientation, glow and the few physical options. It sets up newborns,
// writes their quads into a batch and draws the batch with its effect.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/colour_params.h"
#include "core/envelope_params.h"
#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/zvi_string.h"
#include "particles/imitters/classic_particle.h"
#include "platform/com/com_ptr.h"
#include "player/doc_res_manager.h"
#include "player/file_links.h"

class DS_ABRender;
class DS_IOF_Archive;
class ZVI_BlurSurface;
class ZVI_ParticleSystemCtrl;
class ZVI_ParticleSystemMech;
struct ID3DXEffect;
namespace DX_V {
struct PCT;
}

// Option bits of ClassicParticleParams::flags.
enum ClassicFlags : int32_t {
  kClassicPhysics = 1,          // gravity and air resistance at set-up
  kClassicFilterImages = 2,     // images made with the default filter
  kClassicSizeFactorOnly = 4,   // size = factor 1 alone
  kClassicAlphaFactorOnly = 8,  // alpha = factor 2 alone
  kClassicOffsetOscillations = 16,
};

// What a prepared block holds on the device side; a copy starts without it
// and is prepared again.
struct ClassicDeviceParts {
  ClassicDeviceParts();
  ClassicDeviceParts(const ClassicDeviceParts&);
  ClassicDeviceParts& operator=(const ClassicDeviceParts&) { return *this; }
  ~ClassicDeviceParts();

  std::vector<ImageFrameSet> images;
  ComPtr<ID3DXEffect> effect;
  std::unique_ptr<ZVI_BlurSurface> glow;
};

// The extra blur pass pairs a glow draws each frame: the stored count. The
// count comes straight from the file and every pair is two full passes, so
// it stops at a number far above any made by hand.
constexpr int32_t kMaxGlowBlurPasses = 256;
int32_t GlowBlurPasses(int32_t stored);

// Four corners' colour from a COLORREF and an alpha 0..255.
void SetQuadVertexColor(COLORREF colour, DX_V::PCT* quad, float alpha);

class ClassicParticleParams {
 public:
  ClassicParticleParams();
  ClassicParticleParams(const ClassicParticleParams&) = default;
  ~ClassicParticleParams();

  // Copies every value of the other block, notifying what changed.
  void Assign(const ClassicParticleParams& other);
  // The block record of version v (written as 11).
  void Read(DS_IOF_Archive& ar, int32_t v);

  // The images of the links as the current document resolved them.
  void ResolveImages();
  // The particle effect through the asking class's stand-in, and the glow.
  void LoadEffects(std::u16string_view askingClass);
  // Frame and spin clocks, then the image frames.
  void AdvanceTime(float now);
  // Atlas cell, colour, random factors, spin, angle, oscillations, physics.
  void InitParticle(ClassicParticle& p, const RoutinePtr& lifeController);
  // A new random atlas cell from the image's columns and rows.
  void PickAtlasCell(ClassicParticle& p) const;
  float AlphaFactor(const ClassicParticle& p) const;
  float SizeFactor(const ClassicParticle& p) const;
  // One quad per particle into batch b of the runtime object.
  void FillBatch(const ClassicParticleList& list, ZVI_ParticleSystemMech* runtime, uint32_t size, uint32_t b);
  // Upright sprites into batch 0 of the system's runtime object: the image's
  // pixel size x scale x factor 1, coloured by the first colour x factor 2.
  void FillUprightBatch(ZVI_ParticleSystemCtrl* system, float scale, const ClassicParticleList& list);
  void DrawBatch(ZVI_ParticleSystemMech* runtime, uint32_t b, DS_ABRender* context);
  void DrawGlow(ZVI_ParticleSystemMech* runtime, uint32_t b, DS_ABRender* context);

  // The first resolved image when it has a texture, else null.
  const ImageFrameSet* FirstImage() const;
  const char* ParticleTechnique() const { return blendMode.value == 1 ? "BlendSum" : "BlendNormal"; }
  uint32_t AtlasColumns() const;
  uint32_t AtlasRows() const;

  MediaParamT<zvi_string> shapeName;
  DS_NamedFileLink particleImage;
  DS_HLSLEffectFile effectLink;
  MediaSpeedParam frameSpeed;
  MediaParamT<int32_t> reverseFrames{0};
  MediaParamT<int32_t> mirrorV{0};
  MediaParamT<int32_t> mirrorU{0};
  ColorSetParams colors;
  MediaParamT<unsigned int> particleSize{0u};
  LifeEnvelopeParams sizeEnvelope;
  PercentParam sizeVariation;
  LifeEnvelopeParams alphaEnvelope;
  PercentParam alphaVariation;
  MediaParamT<int32_t> spinDirection{0};
  MediaSpeedParam spinSpeed;
  ZVI_JitterMediaPrm spinSpread;
  MediaParamT<int32_t> blendMode{0};
  MediaParamT<int32_t> orientation{0};
  MediaParamT<unsigned int> startAngle{0u};
  MediaParamT<unsigned int> angleSpread{0u};
  MediaParamT<int32_t> glowMode{0};
  MediaParamT<unsigned int> blurQuality{50u};
  MediaParamT<COLORREF> glowColorRef{0x0000FFFFu};
  UINTSclaleTo<float> glowLevel;
  MediaParamT<int32_t> blurPasses{2};
  VariationParams alphaOscillation;
  VariationParams sizeOscillation;
  int32_t flags = 0;
  MediaParamT<int32_t> gravityDirection{0};
  UINTSclaleTo<float> gravity;
  PercentParam airResistance;
  VariationParams forwardOscillation;
  VariationParams sideOscillation;
  ClassicDeviceParts device;
};
