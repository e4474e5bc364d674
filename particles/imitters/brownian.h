#pragma once
// Brownian animations: a fixed population wandering inside a rectangle, each
// particle turning smoothly towards a new random velocity now and then and
// steered home when it strays outside. Fireflies are Brownian leaders that
// leave short-lived trails, drawn as a second batch beneath them.
#include <cstdint>
#include <string_view>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "particles/imitters/imitters.h"
#include "particles/imitters/particle_system.h"

class ZVI_BrownAnimation : public ZVI_ParticleSystemCtrl {
 public:
  static constexpr uint32_t kMaxCount = kMaxBatchParticles;

  ZVI_BrownAnimation();
  // Copies every value; the population is not shared: its routines point at
  // the source's parameters, so the copy makes its own at Prepare.
  ZVI_BrownAnimation(const ZVI_BrownAnimation& other);

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void UpdateParticles(float t) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_BrownAnimation(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_BrownAnimation"; }

  // Population to count (capped at kMaxCount): new ones appended, surplus
  // removed from the end.
  void SyncCount();
  void AttachBrownian(ClassicParticle& p);
  // Count, speed, change rate, response time, area, then the nested record.
  bool ReadFields(DS_IOF_Archive& ar);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t) { return ReadFields(ar); }

  MediaParamT<unsigned int> count{0u};
  UINTSclaleTo<float> speed;
  UINTSclaleTo<float> changeRate;
  UINTSclaleTo<float> responseTime;
  ZVI_RectImitter area;
  MediaSpeedParam timeSpeed;

 protected:
  // Steps the leaders with the fixed time speed; returns the step.
  float StepLeaders(float t);
};

// Wandering motion of one particle; reads its system's values live.
class IPR_Brownian : public InnerParticleRoutine {
 public:
  IPR_Brownian(const MediaQuad* areaQuad, const UINTSclaleTo<float>* speedParam,
               const UINTSclaleTo<float>* rateParam, const UINTSclaleTo<float>* responseParam)
      : area(areaQuad), speed(speedParam), changeRate(rateParam), responseTime(responseParam) {}
  bool Apply(float dt, ClassicParticle& p) override;
  // Uniform in [0.5 / rate, 1.5 / rate].
  float NextChange() const;

  const MediaQuad* area;
  const UINTSclaleTo<float>* speed;
  const UINTSclaleTo<float>* changeRate;
  const UINTSclaleTo<float>* responseTime;
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 acceleration{0.0f, 0.0f, 0.0f};
  float accelerationTime = 0.0f;
  float timeToChange = 0.0f;
  bool inside = true;
};

// Emits trail particles around leaders into a trail list.
class ZVI_ParticleTracer {
 public:
  ZVI_ParticleTracer();
  ZVI_ParticleTracer(const ZVI_ParticleTracer&) = default;
  virtual ~ZVI_ParticleTracer() = default;

  // The tracer record (versions 1 to 4).
  void ReadFields(DS_IOF_Archive& ar);
  // Emits around every leader (s the leader size) while the trail life is
  // above 0, then steps the whole trail list by dt.
  void Update(float s, float dt, const ClassicParticleList& leaders, ClassicParticleList& trails);
  virtual void SetupTrailParticle(ClassicParticle& p, const D3DXVECTOR3& c, float s);

  ZVI_CircleImitter circle;
  ZVI_EvenImitter counter;
  ClassicParticleParams block;
  UINTSclaleTo<float> trailLife;
  UINTSclaleTo<float> circleSize;
  UINTSclaleTo<float> drift;

 private:
  ClassicParticleList made_;
};

class ZVI_Firefly : public ZVI_BrownAnimation {
 public:
  ZVI_Firefly() = default;
  // Shares the trail particles with the source.
  ZVI_Firefly(const ZVI_Firefly& other) = default;

  int32_t NeedsBackground() override;
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void UpdateParticles(float t) override;
  void DrawParticles(DS_ABRender* context, int* pass) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_Firefly(*this); }
  std::u16string_view ClassName() const override { return u"ZVI_Firefly"; }

  // The tracer record, then the whole Brownian record; before version 2 the
  // block's two image links are split between trails and fireflies.
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_ParticleTracer tracer;
  ClassicParticleList trails;
};
