#pragma once
// Particle effects as the nodes hold them: the effect base with its record,
// the wrapper that makes an effect a particle transform of its own, and the
// per-particle transform that runs a particle's clones of its node's effects
// on the particle's own effect clock. The effect classes are in
// particles/sources.
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <vector>

#include "core/io_item.h"
#include "core/list_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/zvi_string.h"
#include "particles/nodes/particle.h"

class DS_IOF_Archive;
class ZVI_VGeom2D;
class ZVI_PtclSysEffectVisitor;

// The kind of an effect: a name. Nothing registers kinds, so effects hold none.
class EffectKind {
 public:
  virtual ~EffectKind() = default;
  zvi_string name;
};
// Kind factories by name; empty in this program.
using EffectKindFactory = std::function<EffectKind*()>;
std::map<zvi_string, EffectKindFactory, std::less<>>& EffectKindRegistry();

// What an effect sees of its particle's effect clock.
struct EffectContext {
  EffectContext();
  // speed.derived: the speed factor; speed.step: the scaled length of this
  // frame; speed.elapsed: the clock; speed.last_time: the raw time (starts
  // at +infinity, nothing reads it).
  MediaSpeedParam speed;
  // The figure of the parent node's physics, or null.
  ZVI_VGeom2D* source = nullptr;

  float Step() const { return speed.step; }
  float Clock() const { return speed.elapsed; }
};

class ZVI_ParticlSystem_Effect : public ZVI_IOF_Item {
 public:
  ZVI_ParticlSystem_Effect();
  ZVI_ParticlSystem_Effect(const ZVI_ParticlSystem_Effect& other) = default;
  ZVI_ParticlSystem_Effect& operator=(const ZVI_ParticlSystem_Effect&) = delete;
  ~ZVI_ParticlSystem_Effect() override = default;

  // Prepares a newborn particle; only the motion-law effect does anything.
  virtual bool InitParticle(Particle* particle) { return true; }
  virtual bool ApplyEffect(EffectContext& context, Particle* particle) = 0;
  // A copy of the same class: counted parameters shared, plain values
  // copied, per-clone random values drawn anew.
  virtual ZVI_ParticlSystem_Effect* Clone() const = 0;
  virtual void Accept(ZVI_PtclSysEffectVisitor& visitor) {}
  // True only for the scrolling-texture effect (wrapped addressing).
  virtual bool ScrollsTexture() const { return false; }

  // The base record: name; from version 2 the kind name; from version 3 the
  // time-source byte.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Reads the base record's class name and version, then the base record.
  void ReadBaseRecord(DS_IOF_Archive& ar);

  zvi_string name;
  // Set: the angle effects take the effect clock as time, else the age.
  uint8_t timeSource = 0;
  DS_SafePtr<EffectKind> kind;
};

class ZVI_OrientationInMotion;
class ZVI_PtclSysEff_ColorGradient;
class ZVI_PtclSysEff_Gradient;
class ZVI_PtclSysEff_Graph;
class ZVI_PtclSysEff_VariatorMF;
class ZVI_PtclSysEffect_AlignToSource;
class ZVI_PtclSysEffect_AngleBase;
class ZVI_PtclSysEffect_AngleDyn;
class ZVI_PtclSysEffect_BgTex;
class ZVI_PtclSysEffect_ClockHand;
class ZVI_PtclSysEffect_ClockTime;
class ZVI_PtclSysEffect_ColorD;
class ZVI_PtclSysEffect_ForceDrag;
class ZVI_PtclSysEffect_ForceGravitation;
class ZVI_PtclSysEffect_MotionLaw;
class ZVI_PtclSysEffect_NailToSource;
class ZVI_PtclSysEffect_Rotation;
class ZVI_PtclSysEffect_ScrollTex;
class ZVI_PtclSysEffect_Spin;
class ZVI_PtclSysEffect_Stretch;
class ZVI_PtclSysEffect_TimeFunc;
class ZVI_PtclSysEffect_Vibration;

// One operation per effect class (subclasses share their base's).
class ZVI_PtclSysEffectVisitor {
 public:
  virtual ~ZVI_PtclSysEffectVisitor() = default;
  virtual void VisitEffect(ZVI_ParticlSystem_Effect&) {}
  virtual void VisitClockHand(ZVI_PtclSysEffect_ClockHand&) {}
  virtual void VisitClockTime(ZVI_PtclSysEffect_ClockTime&) {}
  virtual void VisitStretch(ZVI_PtclSysEffect_Stretch&) {}
  virtual void VisitColorGradient(ZVI_PtclSysEff_ColorGradient&) {}
  virtual void VisitGradient(ZVI_PtclSysEff_Gradient&) {}
  virtual void VisitMotionLaw(ZVI_PtclSysEffect_MotionLaw&) {}
  virtual void VisitScrollTex(ZVI_PtclSysEffect_ScrollTex&) {}
  virtual void VisitBgTex(ZVI_PtclSysEffect_BgTex&) {}
  virtual void VisitForceDrag(ZVI_PtclSysEffect_ForceDrag&) {}
  virtual void VisitForceGravitation(ZVI_PtclSysEffect_ForceGravitation&) {}
  virtual void VisitAngleDyn(ZVI_PtclSysEffect_AngleDyn&) {}
  virtual void VisitAngleBase(ZVI_PtclSysEffect_AngleBase&) {}
  virtual void VisitSpin(ZVI_PtclSysEffect_Spin&) {}
  virtual void VisitGraph(ZVI_PtclSysEff_Graph&) {}
  virtual void VisitVariatorMF(ZVI_PtclSysEff_VariatorMF&) {}
  virtual void VisitColorD(ZVI_PtclSysEffect_ColorD&) {}
  virtual void VisitRotation(ZVI_PtclSysEffect_Rotation&) {}
  virtual void VisitNailToSource(ZVI_PtclSysEffect_NailToSource&) {}
  virtual void VisitAlignToSource(ZVI_PtclSysEffect_AlignToSource&) {}
  virtual void VisitOrientationInMotion(ZVI_OrientationInMotion&) {}
  virtual void VisitVibration(ZVI_PtclSysEffect_Vibration&) {}
  // Pulsation and Swinging.
  virtual void VisitPulsation(ZVI_PtclSysEffect_TimeFunc&) {}
};

using EffectPtr = DS_SafePtr<ZVI_ParticlSystem_Effect>;
using EffectList = ZVI_SmartVectorPtr<ZVI_ParticlSystem_Effect>;

// An effect E that is also a particle transform: hung on a particle directly
// it runs E with a fresh context (clock 0) every frame.
template <class E>
class ZVI_PtclSysEffect : public E, public ZVI_PtclTransform {
 public:
  ZVI_PtclSysEffect() = default;
  ZVI_PtclSysEffect(const ZVI_PtclSysEffect&) = default;
  explicit ZVI_PtclSysEffect(const E& effect) : E(effect) {}

  ZVI_ParticlSystem_Effect* Clone() const override { return new ZVI_PtclSysEffect<E>(*this); }
  bool Apply(float dt, Particle* particle) override {
    EffectContext context;
    return E::ApplyEffect(context, particle);
  }
};

// The particle's own clones of its node's effects and its effect clock.
class PtclTr_EffectsVector : public ZVI_PtclTransform {
 public:
  // prototypes: the node's effects parameter (not owned); source: the
  // parent node's figure or null.
  PtclTr_EffectsVector(const EffectList* prototypes, ZVI_VGeom2D* source);

  // Clones the node's present effects anew and runs their InitParticle.
  void Reset(Particle* particle) override;
  // Advances the clock by speed x min(dt, 0.2), then runs every clone.
  bool Apply(float dt, Particle* particle) override;

  std::vector<EffectPtr> clones;
  const EffectList* prototypes;
  EffectContext context;
};
