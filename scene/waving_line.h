#pragma once
// The waving line: a ribbon from a start point towards an end point that
// waves sideways like a rope fixed at its start, cut where its length along
// the wave reaches the straight distance, with a head particle at its free
// end. DS_StraightLine, its base, holds the two points.
#include <cstdint>

#include "scene/line_ribbon.h"

class DS_StraightLine : public ZVI_ParticleSystemCtrl {
 public:
  DS_StraightLine() = default;
  DS_StraightLine(const DS_StraightLine& other) = default;

  // The "DS_StraightLine" record body: the two points, the system record.
  bool ReadStraightRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<D3DXVECTOR3> start{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  MediaParamT<D3DXVECTOR3> end{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
};

class ZVI_WavingLine : public DS_StraightLine {
 public:
  ZVI_WavingLine();
  ZVI_WavingLine(const ZVI_WavingLine& other) = default;

  int32_t NeedsBackground() override { return LineBackgroundPasses(ribbon, params, showParticles.value); }
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void UpdateParticles(float t) override;
  void DrawParticles(DS_ABRender* context, int* pass) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new ZVI_WavingLine(*this); }
  ClassicParticleList& Emit(ClassicParticleList& out, float dt) override;
  std::u16string_view ClassName() const override { return u"ZVI_WavingLine"; }

  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Rope point i (0 .. Segments) and its unit tangent at the clock's total.
  D3DXVECTOR3 WavePoint(int32_t i) const;
  D3DXVECTOR3 WaveTangent(int32_t i) const;
  // The second wave's shape: 0 at the start, -1 at the end.
  static float SecondShape(float c);

  LifeEnvelopeParams widthEnvelope;
  UINTSclaleTo<float> width;
  LineRibbonParams ribbon;
  MediaParamT<unsigned int> amplitude{0u};
  UINTSclaleTo<float> secondWave;
  MediaParamT<int32_t> showParticles{0};
  ZVI_MediaFloat headSideOffset;
  ZVI_MediaFloat headForwardOffset;
  int32_t segments = 100;
  float length = 0.0f;
  D3DXVECTOR3 direction{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 normal{0.0f, 0.0f, 0.0f};

 private:
  // Ribbon quads into batch 0; the head particle follows the free end.
  void WriteRope(DX_V::PCT* v, ClassicParticle* head);
};
