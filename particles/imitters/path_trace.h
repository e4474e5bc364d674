#pragma once
// Systems bound to a spline path: the path system streams particles along
// it with a sideways wobble; the trace drops a fixed number of particles
// along it once per timeline cycle, each flying off across the path.
#include <cstdint>
#include <string_view>

#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "geometry/curve.h"
#include "geometry/paths.h"
#include "particles/imitters/imitters.h"
#include "particles/imitters/particle_system.h"

class ZVI_ParticlePath : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_ParticlePath();
  ZVI_ParticlePath(const ZVI_ParticlePath& other);

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_ParticlePath(*this); }
  // Adds, sets up and steps the newborns itself; returns an empty list.
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  // The time a particle needs to cross the path at the base speed.
  float GetWarmUpTime() override;
  std::u16string_view ClassName() const override { return u"ZVI_ParticlePath"; }

  void SetupPathParticle(ClassicParticle& p);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);

  SplinePath path;
  ZVI_EvenImitter counter;
  MediaSpeedParam speed;
  UINTSclaleTo<float> speedVariation;
  MediaParamT<unsigned int> wobbleWidth{0u};
  MediaParamT<int32_t> wobbleMode{0};
  UINTSclaleTo<float> wobbleFrequency;
  UINTSclaleTo<float> startFactor;
  UINTSclaleTo<float> endFactor;
  UINTSclaleTo<float> rampInEnd;
  UINTSclaleTo<float> rampOutStart;
};

class ZVI_ParticleTrace : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_ParticleTrace();
  // Shares the cursor until its own Prepare makes a new one.
  ZVI_ParticleTrace(const ZVI_ParticleTrace& other);

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_ParticleTrace(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  float GetWarmUpTime() override { return 0.0f; }
  std::u16string_view ClassName() const override { return u"ZVI_ParticleTrace"; }

  void DropParticle(const D3DXVECTOR3& point, const D3DXVECTOR3& direction);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);

  SplinePath path;
  MediaParamT<unsigned int> particleCount{0u};
  TimeParam life;
  MediaParamT<unsigned int> spread{0u};
  UINTSclaleTo<float> flySpeed;
  float carried = 0.0f;
  DS_SafePtr<PathCursor> cursor = DS_SafePtr<PathCursor>::MakeEmpty();
};
