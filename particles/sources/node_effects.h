#pragma once
// The particle effects that nodes hold: motion and orientation, oscillation
// and shape, colour and texture, angle, spin and clock, and multiplicators.
// Every effect is made and read as ZVI_PtclSysEffect<E>; copies share the
// counted parameter blocks, copy plain values and draw their own random
// values, so the clones of one node's particles follow every edit of the
// node's effect while each particle stays steady.
#include <cstdint>
#include <memory>

#include "core/colour_params.h"
#include "core/graph_params.h"
#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/reader_registry.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "geometry/emitter_figures.h"
#include "particles/nodes/effects.h"
#include "particles/sources/block_readers.h"

class ZVI_PtclSys_MotionLaw;
class ZVI_OrientationInMotion;
class ZVI_PtclSysEffect_AlignToSource;
class ZVI_PtclSysEffect_NailToSource;
class ZVI_PtclSysEffect_ForceGravitation;
class ZVI_PtclSysEffect_ForceDrag;
class ZVI_PtclSysEffect_MotionLaw;
class ZVI_PtclSysEffect_TimeFunc;
class ZVI_PtclSysEffect_Vibration;
class ZVI_PtclSysEffect_Stretch;
class ZVI_PtclSysEffect_ColorD;
class ZVI_PtclSysEff_ColorGradient;
class ZVI_PtclSysEffect_BgTex;
class ZVI_PtclSysEffect_ScrollTex;
class ZVI_PtclSysEffect_AngleBase;
class ZVI_PtclSysEffect_AngleDyn;
class ZVI_PtclSysEffect_Spin;
class ZVI_PtclSysEffect_Rotation;
class ZVI_PtclSysEffect_ClockTime;
class ZVI_PtclSysEffect_ClockHand;
class ZVI_PtclSysEff_Graph;
class ZVI_PtclSysEff_Gradient;
class ZVI_PtclSysEff_VariatorMF;

// The effect visitor (ZVI_PtclSysEffectVisitor) is in particles/nodes/effects.h.

// Reader of effect E: a default wrapper, then E's record.
template <class E>
class IOF_Effect_ReaderT : public IOF_Virtual_ReaderII<ZVI_IOF_Item> {
 public:
  std::unique_ptr<ZVI_IOF_Item> Create(DS_IOF_Archive& ar, int32_t version) const override {
    auto effect = std::make_unique<ZVI_PtclSysEffect<E>>();
    effect->ReadRecord(ar, version);
    return effect;
  }
  std::unique_ptr<ZVI_IOF_Item> CreateDefault() const override { return std::make_unique<ZVI_PtclSysEffect<E>>(); }
};

// The rotation about z that turns the x axis onto the unit vector n (x-y
// plane); the identity when n lies along the x axis or is zero.
D3DXMATRIX TurnToDirection(const D3DXVECTOR3& n);

// ---- Motion and orientation ----------------------------------------------

// Mode 1 turns the particle's x axis along its world velocity; mode 2
// mirrors in x while it moves left; mode 3 mirrors in y while it moves +y.
class ZVI_OrientationInMotion : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_OrientationInMotion();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitOrientationInMotion(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<MediaParamT<int32_t>> mode;
};

// Turns the particle along the source figure's normal where it stands.
class ZVI_PtclSysEffect_AlignToSource : public ZVI_ParticlSystem_Effect {
 public:
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitAlignToSource(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadBaseRecord(ar); }
};

// Moves the particle's parent to the source figure's centre.
class ZVI_PtclSysEffect_NailToSource : public ZVI_ParticlSystem_Effect {
 public:
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitNailToSource(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadBaseRecord(ar); }
};

// A constant acceleration: strength along the direction (270 degrees: +y).
class ZVI_PtclSysEffect_ForceGravitation : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_ForceGravitation();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitForceGravitation(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<ZVI_SmartAngle> direction;
  DS_SafePtr<UINTSclaleTo<float>> strength;
};

// Quadratic drag on the world velocity: k |V| V with k = -value / 10000.
class ZVI_PtclSysEffect_ForceDrag : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_ForceDrag();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitForceDrag(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<UINTSclaleTo<float>> drag;
};

// Hands the newborn particle to a motion law (no figure).
class ZVI_PtclSysEffect_MotionLaw : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_MotionLaw();
  bool InitParticle(Particle* particle) override;
  bool ApplyEffect(EffectContext& context, Particle* particle) override { return true; }
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitMotionLaw(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // Null when the record named another class: the effect then does nothing.
  DS_SafePtr<ZVI_PtclSys_MotionLaw> law;
};

// ---- Oscillation and shape -----------------------------------------------

// One oscillator of the effect clock: cos(F c + phase), or a smooth noise.
class ZVI_PtclSysEffect_TimeFunc : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_TimeFunc();
  ZVI_PtclSysEffect_TimeFunc(const ZVI_PtclSysEffect_TimeFunc& other);

  float Oscillator(float clock) const;
  // Jitter block, oscillator block, from version 2 the random-phase switch
  // and the phase, then the base record.
  void ReadTimeFuncRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<JitterValue> jitter;
  DS_SafePtr<TimeFuncParams> oscillator;
  DS_SafePtr<MediaParamT<int32_t>> randomPhase;
  DS_SafePtr<UINTSclaleTo<float>> phase;
  // Drawn in every construction; used while the switch is set.
  float clonePhase = 0.0f;
};

// parameter[index] x (1 - (o + 1) A / 2).
class ZVI_PtclSysEffect_Pulsation : public ZVI_PtclSysEffect_TimeFunc {
 public:
  ZVI_PtclSysEffect_Pulsation();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitPulsation(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  int32_t index = 1;
};

// Turns by o x A degrees.
class ZVI_PtclSysEffect_Swinging : public ZVI_PtclSysEffect_TimeFunc {
 public:
  ZVI_PtclSysEffect_Swinging();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitPulsation(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// Shifts the particle by o x A along the direction (optionally turned with
// the particle).
class ZVI_PtclSysEffect_Vibration : public ZVI_PtclSysEffect_TimeFunc {
 public:
  ZVI_PtclSysEffect_Vibration();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitVibration(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadVibrationRecord(ar, version); }
  void ReadVibrationRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<ZVI_SmartAngle> direction;
  MediaParamT<int32_t> localAxes{0};
};

// Scales the particle by 1 + o x A along the direction.
class ZVI_PtclSysEffect_Deformation : public ZVI_PtclSysEffect_Vibration {
 public:
  ZVI_PtclSysEffect_Deformation();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// Scales the particle along the direction by a factor drawn every frame.
class ZVI_PtclSysEffect_Stretch : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_Stretch();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitStretch(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<ZVI_SmartAngle> direction;
  DS_SafePtr<JitterValue> stretch;
};

// ---- Colour and texture --------------------------------------------------

// Packed 0x00BBGGRR into the particle's colour.
void SetParticleColour(Particle* particle, COLORREF colour);

// The colour source over the particle's life.
class ZVI_PtclSysEffect_ColorD : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_ColorD();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitColorD(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadColorDRecord(ar, version); }
  void ReadColorDRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<ColorSourceParams> source;
};

// One colour per particle, picked at a random position of the source.
class ZVI_PtclSysEffect_ColorV : public ZVI_PtclSysEffect_ColorD {
 public:
  ZVI_PtclSysEffect_ColorV();
  ZVI_PtclSysEffect_ColorV(const ZVI_PtclSysEffect_ColorV& other);
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  float position = 0.0f;
};

// The colour at 1 - the gradient's value at the parent's position.
class ZVI_PtclSysEff_ColorGradient : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEff_ColorGradient();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitColorGradient(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<ColorSourceParams> source;
  ZVI_CustomGradient gradient;
};

// Draws the particle with the background picture this frame.
class ZVI_PtclSysEffect_BgTex : public ZVI_ParticlSystem_Effect {
 public:
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitBgTex(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadBaseRecord(ar); }
};

// Scrolls the texture range by speed per second of effect clock; modes 0
// and 1 along u, 2 and up along v, odd modes the positive way.
class ZVI_PtclSysEffect_ScrollTex : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_ScrollTex();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitScrollTex(*this); }
  bool ScrollsTexture() const override { return true; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<UINTSclaleTo<float>> speed;
  DS_SafePtr<MediaParamTB<int32_t>> directionMode;
  // Grows without bound; the texture addressing wraps it.
  float position = 0.0f;
};

// ---- Angle, spin and clock -----------------------------------------------

// Multiplies AngleMatrix(t) into modifier matrix 1, t being the effect clock
// when the time-source flag is set, else the age fraction.
class ZVI_PtclSysEffect_Angle : public ZVI_ParticlSystem_Effect {
 public:
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  virtual D3DXMATRIX* AngleMatrix(D3DXMATRIX* out, float t) const = 0;
  // The angle record (name and version, no fields), then the base record.
  void ReadAngleRecord(DS_IOF_Archive& ar);
};

// A fixed angle per particle, uniform in [A - X, A + X], turned the other way.
class ZVI_PtclSysEffect_AngleBase : public ZVI_PtclSysEffect_Angle {
 public:
  ZVI_PtclSysEffect_AngleBase();
  ZVI_PtclSysEffect_AngleBase(const ZVI_PtclSysEffect_AngleBase& other);
  D3DXMATRIX* AngleMatrix(D3DXMATRIX* out, float t) const override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitAngleBase(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<JitterAngle> angle;
  float w = 0.0f;
};

// Whole turns given by a graph of t.
class ZVI_PtclSysEffect_AngleDyn : public ZVI_PtclSysEffect_Angle {
 public:
  ZVI_PtclSysEffect_AngleDyn();
  ZVI_PtclSysEffect_AngleDyn(const ZVI_PtclSysEffect_AngleDyn& other);
  D3DXMATRIX* AngleMatrix(D3DXMATRIX* out, float t) const override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitAngleDyn(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_CustomGraph graph;
  DS_SafePtr<MediaParamT<int32_t>> mode;
  // 0 in a prototype; +1 or -1 in a copy.
  float sign = 0.0f;
};

// S degrees per unit of t, each particle's rate between S x j and S.
class ZVI_PtclSysEffect_Spin : public ZVI_PtclSysEffect_Angle {
 public:
  ZVI_PtclSysEffect_Spin();
  ZVI_PtclSysEffect_Spin(const ZVI_PtclSysEffect_Spin& other);
  D3DXMATRIX* AngleMatrix(D3DXMATRIX* out, float t) const override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitSpin(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<JitterValue> speed;
  DS_SafePtr<MediaParamT<int32_t>> mode;
  float w = 0.0f;
  // 0 in a prototype; +1 or -1 in a copy.
  float sign = 0.0f;
};

// Spin by the particle's time alive in seconds, whatever the context.
class ZVI_PtclSysEffect_Spiner : public ZVI_PtclSysEffect_Spin {
 public:
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
};

// Writes the time of day into the particle's time alive as degrees of a
// second hand (6 per second).
class ZVI_PtclSysEffect_ClockTime : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_ClockTime();
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitClockTime(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<UINTSclaleTo<float>> speed;
  DS_SafePtr<MediaParamT<int32_t>> realTime;
  DS_SafePtr<MediaParamT<unsigned char>> hours;
  DS_SafePtr<MediaParamT<unsigned char>> minutes;
  DS_SafePtr<MediaParamT<unsigned char>> seconds;
};

// Turns by (the parent's time alive x factor - 90) degrees.
class ZVI_PtclSysEffect_ClockHand : public ZVI_ParticlSystem_Effect {
 public:
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitClockHand(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  float factor = 1.0f;
};

// ---- Multiplicators ------------------------------------------------------

// Kind 0 scales float parameter[index]; kind 1 the x and y of vector[index],
// each blended towards 1 by its weight.
class ZVI_PtclSysEff_Multiplicator : public ZVI_ParticlSystem_Effect {
 public:
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  virtual float FactorAt(float clock, float age, Particle* particle) = 0;
  // Index; from version 2 kind and the three weights; then the base record.
  void ReadMultiplicatorRecord(DS_IOF_Archive& ar, int32_t version);

  int32_t index = 0;
  int32_t kind = 0;
  float weightX = 0.0f;
  float weightY = 0.0f;
  float weightZ = 0.0f;  // kept, unused
};

class ZVI_PtclSysEff_Graph : public ZVI_PtclSysEff_Multiplicator {
 public:
  float FactorAt(float clock, float age, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitGraph(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_CustomGraph graph;
};

// The gradient at the parent's position; 1 (no change) without a parent or
// a gradient.
class ZVI_PtclSysEff_Gradient : public ZVI_PtclSysEff_Multiplicator {
 public:
  float FactorAt(float clock, float age, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitGradient(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_CustomGradient gradient;
};

// A random constant per particle: V x (j + w (1 - j)).
class ZVI_PtclSysEff_VariatorMF : public ZVI_PtclSysEff_Multiplicator {
 public:
  ZVI_PtclSysEff_VariatorMF();
  ZVI_PtclSysEff_VariatorMF(const ZVI_PtclSysEff_VariatorMF& other);
  float FactorAt(float clock, float age, Particle* particle) override;
  void Accept(ZVI_PtclSysEffectVisitor& v) override { v.VisitVariatorMF(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  DS_SafePtr<JitterValue> factor;
  float w = 0.0f;
};

// Registers the 24 effect readers.
void RegisterParticleEffectReaders();
