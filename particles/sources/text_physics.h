#pragma once
// Text particles: one particle per laid-out glyph, textured with its atlas
// cell, clipped to the physics' figure, appearing and disappearing glyph by
// glyph with the scene object's timeline (static text), or running along
// the figure as along a path (crawling text). The type effects turn a
// glyph's appearing progress into transparency, displacement, turning or
// scaling.
#include <cstdint>
#include <string>
#include <vector>

#include "core/graph_params.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "core/text_params.h"
#include "particles/sources/point_groups.h"

class ZVI_SmartTiming;
class ZVI_Timing;

// ---- Type effects ---------------------------------------------------------

class ZVI_PtclSys_TextEffect : public ZVI_IOF_Item {
 public:
  virtual std::string GetTypeName() const = 0;
  // x: the glyph's progress (0 to 1); mode 0 appearing, 1 disappearing.
  virtual bool ApplyAppearance(Particle* p, float x, int32_t mode) = 0;
  // The base record: name and version, no fields.
  void ReadTextEffectRecord(DS_IOF_Archive& ar);
};

class ZVI_PtclSys_TxtTypeEffect : public ZVI_PtclSys_TextEffect {
 public:
  // Duration (stored, always announced), then the base record.
  void ReadTypeBody(DS_IOF_Archive& ar);
  // Name and version, then the body.
  void ReadTypeRecord(DS_IOF_Archive& ar);

  TimeParam duration;  // seconds, 0
};
using TxtTypeEffectPtr = DS_SafePtr<ZVI_PtclSys_TxtTypeEffect>;

class ZVI_PtclSys_TxtTypeEffect_Fade : public ZVI_PtclSys_TxtTypeEffect {
 public:
  std::string GetTypeName() const override { return "ZVI_PtclSys_TxtTypeEffect_Fade"; }
  bool ApplyAppearance(Particle* p, float x, int32_t mode) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadTypeRecord(ar); }
};

// Fades in over the first part of the progress.
class ZVI_PtclSys_TxtTypeEffectSmooth : public ZVI_PtclSys_TxtTypeEffect {
 public:
  ZVI_PtclSys_TxtTypeEffectSmooth() { fadePortion.SetScaleOffset(0.01f, 0.0f, 50u); }
  bool ApplyAppearance(Particle* p, float x, int32_t mode) override;
  // x / portion up to the portion, then 1.
  float FadeFactor(float x) const;

  UINTSclaleTo<float> fadePortion;
};

class ZVI_PtclSys_TxtTypeEffect_Slide : public ZVI_PtclSys_TxtTypeEffectSmooth {
 public:
  ZVI_PtclSys_TxtTypeEffect_Slide();
  std::string GetTypeName() const override { return "ZVI_PtclSys_TxtTypeEffect_Slide"; }
  bool ApplyAppearance(Particle* p, float x, int32_t mode) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_SmartAngle direction;  // 180
  MediaParamT<unsigned int> distance{100u};
};

class ZVI_PtclSys_TxtTypeEffect_Fly : public ZVI_PtclSys_TxtTypeEffectSmooth {
 public:
  ZVI_PtclSys_TxtTypeEffect_Fly();
  std::string GetTypeName() const override { return "ZVI_PtclSys_TxtTypeEffect_Fly"; }
  bool ApplyAppearance(Particle* p, float x, int32_t mode) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_Angle direction;  // 90 degrees
  ZVI_Angle spread;     // 360 degrees
  MediaParamT<unsigned int> distance{100u};
  UINTSclaleTo<float> spin;  // degrees, scale 4, 100
  MediaParamT<int32_t> spinMode{2};
};

class ZVI_PtclSys_TxtTypeEffect_Zoom : public ZVI_PtclSys_TxtTypeEffectSmooth {
 public:
  ZVI_PtclSys_TxtTypeEffect_Zoom();
  std::string GetTypeName() const override { return "ZVI_PtclSys_TxtTypeEffect_Zoom"; }
  bool ApplyAppearance(Particle* p, float x, int32_t mode) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  UINTSclaleTo<float> startScale;  // 0.1
  UINTSclaleTo<float> anchorX;     // 0.5
  UINTSclaleTo<float> anchorY;     // 0.25
  MediaParamT<int32_t> horizontal{1};
  MediaParamT<int32_t> vertical{1};
};

// Starts a glyph's appearing when the visibility reaches its threshold
// (-1: all glyphs together, following the visibility).
class TxtAppear : public ZVI_PtclTransform {
 public:
  TxtAppear(ZVI_SmartTiming* t, const TxtTypeEffectPtr& e, float at) : timing(t), effect(e), threshold(at) {}
  bool Apply(float dt, Particle* p) override;
  ZVI_SmartTiming* timing;
  TxtTypeEffectPtr effect;
  float threshold;
};

// Starts a glyph's disappearing when the visibility falls to its threshold
// (2: all glyphs together).
class TxtDisappear : public ZVI_PtclTransform {
 public:
  TxtDisappear(ZVI_SmartTiming* t, const TxtTypeEffectPtr& e, float at) : timing(t), effect(e), threshold(at) {}
  bool Apply(float dt, Particle* p) override;
  ZVI_SmartTiming* timing;
  TxtTypeEffectPtr effect;
  float threshold;
};

// ---- Text physics ----------------------------------------------------------

class ZVI_PtclSysPhys_Text : public ZVI_PtclSysPhys_ConstPntGroup {
 public:
  ZVI_PtclSysPhys_Text();
  // Keeps the timing and makes the own timeline its random-mode one.
  void SetTiming(ZVI_SmartTiming* timing) override;
  // One particle per glyph per parent.
  ParticleVector Generate(const ParticleVector* parents) override;
  virtual void InitGlyphParticle(Particle* p, const TextLine& line, size_t glyph);
  // Cuts the glyph box to the figure's bounds; false when nothing is left.
  virtual bool ClipToFigure(Particle* p);
  // The appear and disappear transforms (only with a timing that is not
  // continuous).
  virtual void AttachAppearance(Particle* p, float glyphFraction, float visibleFraction);
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  TextParams text;
  MediaParamT<int32_t> reserved{0};
  MediaParamT<int32_t> appearOrder{0};
  MediaParamT<int32_t> disappearOrder{1};
  MediaParamT<TxtTypeEffectPtr> appearEffect;
  MediaParamT<TxtTypeEffectPtr> disappearEffect;
  std::vector<TextLine> lines;
  GlyphAtlas atlas;
  DS_SafePtr<ZVI_Timing> ownTimeline;
  ZVI_SmartTiming* timing = nullptr;

 protected:
  // The timing's mode is continuous (or there is no timing).
  bool Continuous() const;
  // A Fade of duration 0 standing in for a missing effect.
  TxtTypeEffectPtr standIn;
};

class ZVI_PtclSysPhys_CrawlingText;

// Places a glyph along the figure's path at the crawl offset.
class PtclTr_CrawlingText : public ZVI_PtclTransform {
 public:
  bool Apply(float dt, Particle* p) override;

  DS_SafePtr<ZVI_VGeom2D> figure;
  const ZVI_PtclSysPhys_CrawlingText* physics = nullptr;
  float glyphX = 0, glyphY = 0, lineHeight = 0, glyphWidth = 0, lineWidth = 0;
};

class ZVI_PtclSysPhys_CrawlingText : public ZVI_PtclSysPhys_Text {
 public:
  ZVI_PtclSysPhys_CrawlingText();
  // The crawl step, then the point update (nothing at all without lines).
  ParticleVector Update(const ParticleVector* sources, float dt) override;
  void InitGlyphParticle(Particle* p, const TextLine& line, size_t glyph) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  JitterGraphParam crawlSpeed;  // scale 2, 100
  UINTSclaleTo<float> gap;      // 100
  MediaParamT<int32_t> direction{0};
  float crawlOffset = 0.0f;
  bool continuous = true;
};

void RegisterTextPhysicsReaders();
