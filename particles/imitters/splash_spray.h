#pragma once
// Splashes and sprays: particles born over an area (a rectangle or a circular
// sector) leaving in a random direction of a second sector at a fixed speed
// for a fixed life; a fixed number each time the object shows (splash) or at
// an even rate (spray), and the four presets built on the spray.
#include <cstdint>
#include <string_view>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "particles/imitters/imitters.h"
#include "particles/imitters/particle_system.h"

class ZVI_SplashPtclSys : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_SplashPtclSys() = default;
  ZVI_SplashPtclSys(const ZVI_SplashPtclSys& other) = default;

  void ResetTime() override;
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_SplashPtclSys(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_SplashPtclSys"; }

  // count newborns over the area, set up and appended; at most the room left.
  ClassicParticleList& MakeParticles(ClassicParticleList& out, int count);
  void SetupParticle(const ClassicParticlePtr& p);
  bool ReadFields(DS_IOF_Archive& ar, int32_t v);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadFields(ar, v); }

  ZVI_RectImitter area;
  ZVI_SectorImitter sectorSource;
  MediaParamT<int32_t> useSector{0};
  MediaParamT<unsigned int> burstCount{0u};
  TimeParam life;
  MediaSector velocitySector;
  UINTSclaleTo<float> speed;
  int64_t emittedCount = 0;

 protected:
  // Size variation, an ignored integer, three durations and the envelope
  // flag of the first records, turned into a life and envelopes.
  void ReadOldTiming(DS_IOF_Archive& ar);
};

class ZVI_SprayPtclSys : public ZVI_SplashPtclSys {
 public:
  ZVI_SprayPtclSys() = default;
  ZVI_SprayPtclSys(const ZVI_SprayPtclSys& other) = default;

  void ResetTime() override { ZVI_ParticleSystemCtrl::ResetTime(); }
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_SprayPtclSys(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_SprayPtclSys"; }

  bool ReadFields(DS_IOF_Archive& ar, int32_t v);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadFields(ar, v); }
  // The nested spray record: class name, version, fields.
  bool ReadNestedSpray(DS_IOF_Archive& ar);

  ZVI_EvenImitter counter;
};

// Slow ground fog: its spin, speed and rate scales are a hundredth or a
// twentieth of the spray's.
class DS_PtclFog : public ZVI_SprayPtclSys {
 public:
  DS_PtclFog() = default;
  DS_PtclFog(const DS_PtclFog& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_PtclFog(*this); }
  std::u16string_view ClassName() const override { return u"DS_PtclFog"; }
  float GetWarmUpTime() override { return 8.0f; }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v);

  MediaParamT<unsigned int> kept{0u};
};

class DS_BokehLights : public ZVI_SprayPtclSys {
 public:
  DS_BokehLights() = default;
  DS_BokehLights(const DS_BokehLights& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_BokehLights(*this); }
  std::u16string_view ClassName() const override { return u"DS_BokehLights"; }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v);

  MediaParamT<int32_t> kept{0};
};

class DS_PtclSmoke3 : public ZVI_SprayPtclSys {
 public:
  DS_PtclSmoke3() = default;
  DS_PtclSmoke3(const DS_PtclSmoke3& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_PtclSmoke3(*this); }
  std::u16string_view ClassName() const override { return u"DS_PtclSmoke3"; }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v);

  MediaParamT<unsigned int> kept{0u};
};

class DS_Shimmer : public ZVI_SprayPtclSys {
 public:
  DS_Shimmer() = default;
  DS_Shimmer(const DS_Shimmer& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_Shimmer(*this); }
  std::u16string_view ClassName() const override { return u"DS_Shimmer"; }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadNestedSpray(ar); }
};
