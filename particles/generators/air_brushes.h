#pragma once
// Air brushes: generators that paint with dabs the author placed by hand.
// Sparkles that pulse and turn (DS_Bling), a picture of the author's choice
// (DS_CustomAirBrush), twinkling stars and an aurora curtain moved by three
// travelling sine waves. The dabs never die.
#include <cstdint>
#include <string_view>

#include "particles/generators/particle_generator.h"

class DS_AirBrush : public DS_TexParticleGenerator {
 public:
  DS_AirBrush() = default;
  DS_AirBrush(const DS_AirBrush& other) = default;
  ~DS_AirBrush() override = default;

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override {}
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_AirBrush(*this); }
  std::u16string_view ClassName() const override { return u"DS_AirBrush"; }
  // A dab at (x, y, z); what a to d mean depends on the class.
  virtual void AddStrokeParticle(float x, float y, float z, float a, float b, float c, float d);

  // The "DS_AirBrush" record body for the version, then the base record.
  void ReadAirBrushRecord(DS_IOF_Archive& ar, int32_t version);
  // One quad per dab into layer 0, at the timeline's current visibility.
  void RebuildQuads();
  // The visibility of the current timeline.
  float Visibility();

  MediaParamT<unsigned int> brushSize{0u};
  float aspect = 1.0f;
  GeneratorParticleList strokes;
};

class DS_Bling : public DS_AirBrush {
 public:
  DS_Bling();
  DS_Bling(const DS_Bling& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_Bling(*this); }
  std::u16string_view ClassName() const override { return u"DS_Bling"; }
  // a: size factor; c: turn offset in turns.
  void AddStrokeParticle(float x, float y, float z, float a, float b, float c, float d) override;

  // Restarts the pulse of a dab; returns its length T = grow + shrink time.
  float InitSparkle(GeneratorParticle& dab);

  MediaSpeedParam pulseSpeed;
  TimeParam growTime;
  TimeParam shrinkTime;
  MediaSpeedParam turnSpeed;
  UINTSclaleTo<float> minimumSize;

 private:
  // Starts the dab at a random point of its pulse.
  void PreRoll(GeneratorParticle& dab, float T);
};

class DS_CustomAirBrush : public DS_AirBrush {
 public:
  DS_CustomAirBrush();
  DS_CustomAirBrush(const DS_CustomAirBrush& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_CustomAirBrush(*this); }
  std::u16string_view ClassName() const override { return u"DS_CustomAirBrush"; }

  DS_ImageFileLink pictureLink;
  MediaSpeedParam animationSpeed;
  DocImage picture;
};

class DS_TwinklingStars : public DS_AirBrush {
 public:
  DS_TwinklingStars();
  DS_TwinklingStars(const DS_TwinklingStars& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_TwinklingStars(*this); }
  std::u16string_view ClassName() const override { return u"DS_TwinklingStars"; }
  // a: the dab's size.
  void AddStrokeParticle(float x, float y, float z, float a, float b, float c, float d) override;

  void AddTwinkle(GeneratorParticle& dab);

  MediaSpeedParam twinkleSpeed;
};

class DS_Aurora : public DS_AirBrush {
 public:
  DS_Aurora();
  DS_Aurora(const DS_Aurora& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_Aurora(*this); }
  std::u16string_view ClassName() const override { return u"DS_Aurora"; }
  // a size, b opacity, c angle, d stroke position.
  void AddStrokeParticle(float x, float y, float z, float a, float b, float c, float d) override;

  // The curtain's quads at the waves' current clocks.
  void BuildQuads();

  struct Wave {
    MediaSpeedParam speed;
    UINTSclaleTo<float> amplitude;
    UINTSclaleTo<float> length;
  };

  MediaParamT<unsigned int> curtainHeight{0u};
  Wave waves[3];
  MediaParamT<unsigned int> direction{0u};
};
