#pragma once
// Distortions relative to an axis or a direction: a perspective tilt about
// the axis line, a stretch across it, a perspective turn about the axis
// through the centre, and a cyclic shift along a direction in perspective.
#include <cstdint>

#include "effects/distortion_bases.h"

class DS_PerspectiveFX : public DS_LineBased {
 public:
  DS_PerspectiveFX();
  DS_PerspectiveFX(const DS_PerspectiveFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_PerspectiveFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_PerspectiveFX(*this); }

  UINTSclaleTo<float> upperAmplitude;
  UINTSclaleTo<float> lowerAmplitude;
  UINTSclaleTo<float> depthAmount;
  MediaParamT<int> waveKind{0};
};

class DS_StretchFX : public DS_LineBased {
 public:
  DS_StretchFX();
  DS_StretchFX(const DS_StretchFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_StretchFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_StretchFX(*this); }

  MediaParamT<int> waveKind{0};
  UINTSclaleTo<float> upperAmplitude;
  UINTSclaleTo<float> lowerAmplitude;
  float currentAmplitude = 0.0f;
};

// Its amplitudes and wave kind are never saved: it runs on its defaults.
class DS_TurnFX : public DS_PerspectiveBased {
 public:
  DS_TurnFX();
  DS_TurnFX(const DS_TurnFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_TurnFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_TurnFX(*this); }

  UINTSclaleTo<float> lowerAmplitude;
  UINTSclaleTo<float> upperAmplitude;
  MediaParamT<int> waveKind{3};
};

class DS_KestraneLinear : public DS_DirectionBased {
 public:
  DS_KestraneLinear();
  DS_KestraneLinear(const DS_KestraneLinear& other) = default;

  std::u16string_view ClassName() const override { return u"DS_KestraneLinear"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Records before version 2 carry no centre: the picture's centre is used.
  void LoadEffect(TextureHolder* maskHolder) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_KestraneLinear(*this); }

  ZVI_Angle tilt;
  UINTSclaleTo<float> perspectiveScale;
  MediaDirection axis;
  MediaParamT<D3DXVECTOR3> center{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  bool centerRead = false;
};
