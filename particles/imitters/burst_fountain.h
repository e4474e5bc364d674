#pragma once
// Bursts and fountains: particles thrown away from one point, a fixed
// number each time the object shows (burst) or at an even rate (fountain),
// and the five presets built on the fountain.
#include <cstdint>
#include <string_view>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "particles/imitters/imitters.h"
#include "particles/imitters/particle_system.h"

class ZVI_BurstPtclSys : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_BurstPtclSys();
  ZVI_BurstPtclSys(const ZVI_BurstPtclSys& other);

  void ResetTime() override;
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_BurstPtclSys(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_BurstPtclSys"; }
  // Life, look, motion and start offset of one newborn.
  virtual void SetupParticle(const ClassicParticlePtr& p);

  // count newborns at the source, set up and appended to the particles;
  // never more than the batch has room for.
  ClassicParticleList& MakeParticles(ClassicParticleList& out, int count);
  // The fields after the class name and version, then the base record.
  bool ReadFields(DS_IOF_Archive& ar, int32_t v);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadFields(ar, v); }

  ZVI_PointImitter source;
  MediaParamT<unsigned int> burstCount{0u};
  UINTSclaleTo<float> speed;
  MediaParamT<unsigned int> range{0u};
  MediaParamT<int32_t> spatial{0};
  MediaSector direction;
  MediaParamT<int32_t> areaMode{0};
  MediaParamT<unsigned int> areaRadius{0u};
  // Wide enough for any stored burst count.
  int64_t emittedCount = 0;

 protected:
  // The burst fields of a record of version v (no base record).
  void ReadBurstFields(DS_IOF_Archive& ar, int32_t v);
  // Envelopes the records before version 3 imply.
  void ApplyOldEnvelopes();
  float Visibility();
  int32_t TimelineState();
};

class ZVI_FontainPtclSys : public ZVI_BurstPtclSys {
 public:
  ZVI_FontainPtclSys() = default;
  ZVI_FontainPtclSys(const ZVI_FontainPtclSys& other) = default;

  void ResetTime() override { ZVI_ParticleSystemCtrl::ResetTime(); }
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_FontainPtclSys(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_FontainPtclSys"; }

  bool ReadFields(DS_IOF_Archive& ar, int32_t v);
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadFields(ar, v); }
  // The nested fountain record: class name, version, fields.
  bool ReadNestedFountain(DS_IOF_Archive& ar);

  ZVI_EvenImitter counter;
};

// Particles accelerate along the emission direction.
class DS_PtclFire : public ZVI_FontainPtclSys {
 public:
  DS_PtclFire() = default;
  DS_PtclFire(const DS_PtclFire& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_PtclFire(*this); }
  std::u16string_view ClassName() const override { return u"DS_PtclFire"; }
  void SetupParticle(const ClassicParticlePtr& p) override;
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v);

  int32_t kept0 = 0;
  MediaParamT<unsigned int> kept1{0u}, kept2{0u}, kept3{0u};
};

class DS_WaterJet : public ZVI_FontainPtclSys {
 public:
  DS_WaterJet() = default;
  DS_WaterJet(const DS_WaterJet& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_WaterJet(*this); }
  std::u16string_view ClassName() const override { return u"DS_WaterJet"; }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadNestedFountain(ar); }
};

class DS_LightBeams : public ZVI_FontainPtclSys {
 public:
  DS_LightBeams() = default;
  DS_LightBeams(const DS_LightBeams& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_LightBeams(*this); }
  std::u16string_view ClassName() const override { return u"DS_LightBeams"; }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v) { return ReadNestedFountain(ar); }
};

// A wind routine instead of the block's physics.
class DS_PtclSmoke : public ZVI_FontainPtclSys {
 public:
  DS_PtclSmoke() { wind.SetScaleOffset(10.0f, -500.0f); }
  DS_PtclSmoke(const DS_PtclSmoke& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_PtclSmoke(*this); }
  std::u16string_view ClassName() const override { return u"DS_PtclSmoke"; }
  void SetupParticle(const ClassicParticlePtr& p) override;
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v);

  MediaParamT<unsigned int> kept{0u};
  UINTSclaleTo<float> wind;
};

class DS_PtclFireStream : public ZVI_FontainPtclSys {
 public:
  DS_PtclFireStream() = default;
  DS_PtclFireStream(const DS_PtclFireStream& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_PtclFireStream(*this); }
  std::u16string_view ClassName() const override { return u"DS_PtclFireStream"; }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t v);

  MediaParamT<unsigned int> kept{0u};
};
