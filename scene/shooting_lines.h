#pragma once
// Shooting lines: shots fired along a path at random intervals, each
// wobbling sideways on a cosine of the distance it has travelled, with a
// tapering trail ribbon drawn through the same curve behind it until the
// trail's tail has left the path. ZVI_Tears is the same effect under its
// own class name.
#include <cstdint>
#include <list>

#include "core/safe_ptr.h"
#include "particles/imitters/imitters.h"
#include "scene/line_ribbon.h"

// One trail: the head travelling on, the tail TailLength behind it.
struct ClassicParticlePair {
  ClassicParticlePtr head;
  ClassicParticlePtr tail;
  float phase = 0.0f;
};

class ZVI_ShootingLine : public ZVI_ParticleSystemCtrl {
 public:
  ZVI_ShootingLine();
  // Values, samples and trails (their particles shared); a cursor of its own
  // on its own samples.
  ZVI_ShootingLine(const ZVI_ShootingLine& other);

  void ResetTime() override;
  int32_t NeedsBackground() override { return LineBackgroundPasses(ribbon, params, showParticles.value); }
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void UpdateParticles(float t) override;
  void DrawParticles(DS_ABRender* context, int* pass) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_ShootingLine(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  // The time a shot needs for the path: P / Speed.
  float GetWarmUpTime() override;
  std::u16string_view ClassName() const override { return u"ZVI_ShootingLine"; }

  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void RebuildSamples();
  void AttachShotRoutines(float phase, ClassicParticle& shot);
  ClassicParticlePair MakeTrailPair(const ClassicParticle& shot, float phase);
  // The node of p on a trail whose head is h.
  void MakeRibbonNode(const ClassicParticle& p, const ClassicParticle& h, RibbonNode& out) const;
  // Place 0 at the tail of a trail, 1 at its head.
  float TrailPlace(const ClassicParticle& p, const ClassicParticle& h) const;
  float TrailWidth(const ClassicParticle& p, const ClassicParticle& h) const;
  float PathLength() const { return path.total_length; }

  SplinePath path;
  LineRibbonParams ribbon;
  ZVI_RndImitter shotTimer;
  UINTSclaleTo<float> speed;
  MediaParamT<unsigned int> amplitude{0u};
  MediaParamT<unsigned int> tailLength{0u};
  LifeEnvelopeParams widthEnvelope;
  UINTSclaleTo<float> width;
  UINTSclaleTo<float> frequency;
  MediaParamT<int32_t> showParticles{0};
  float kept[2] = {0.0f, 0.0f};
  std::vector<PathSample> samples;
  DS_SafePtr<PathCursor> cursor;
  std::list<ClassicParticlePair> trails;

 private:
  // Writes the trail's quads from q on, at most room of them; the count.
  uint32_t WriteTrail(ClassicParticlePair& trail, DX_V::PCT* q, uint32_t room);
  // Steps the walker onto sample segment (its arc length as its age).
  void PlaceWalker(int32_t segment);

  // The walker that visits a trail's samples, reused every frame.
  ClassicParticle walker_{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  IPR_Harmonic* walkerWave_ = nullptr;
};

class ZVI_Tears : public ZVI_ShootingLine {
 public:
  ZVI_Tears() = default;
  ZVI_Tears(const ZVI_Tears& other) = default;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_Tears(*this); }
  std::u16string_view ClassName() const override { return u"ZVI_Tears"; }
  // The whole shooting-line record follows the header.
  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
};
