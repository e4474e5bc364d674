#pragma once
// Distortions of the picture drawn so far around a centre: swelling or
// pinching, rings running out or in, turning on an ellipse, bending, and two
// cyclic radial and vortex patterns.
#include <cstdint>

#include "effects/distortion_bases.h"

class DS_ExpandFX : public DS_CentralBased {
 public:
  DS_ExpandFX();
  DS_ExpandFX(const DS_ExpandFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_ExpandFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_ExpandFX(*this); }

  UINTSclaleTo<float> upperAmplitude;
  UINTSclaleTo<float> lowerAmplitude;
  MediaParamT<int> waveKind{0};
  float currentAmplitude = 0.0f;
};

class DS_RadialWaveFX : public DS_CentralBased {
 public:
  DS_RadialWaveFX();
  DS_RadialWaveFX(const DS_RadialWaveFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_RadialWaveFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_RadialWaveFX(*this); }

  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> wavelength;
  UINTSclaleTo<float> ringScale;
  MediaParamT<int> waveDirection{0};
};

class DS_RotationFX : public DS_CentralBased {
 public:
  DS_RotationFX();
  DS_RotationFX(const DS_RotationFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_RotationFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_RotationFX(*this); }

  UINTSclaleTo<float> ellipseRatio;
  MediaParamT<unsigned int> ellipseAngle{0u};
  MediaParamT<int> reverse{0};
  MediaParamT<int> rotationMode{0};
  UINTSclaleTo<float> rotation;
  float currentRotation = 0.0f;
};

class DS_BendFX : public DS_CentralBased {
 public:
  DS_BendFX();
  DS_BendFX(const DS_BendFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_BendFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_BendFX(*this); }

  UINTSclaleTo<float> upperAmplitude;
  UINTSclaleTo<float> lowerAmplitude;
  UINTSclaleTo<float> bend;
  MediaParamT<int> waveKind{0};
  float currentAngle = 0.0f;
};

class DS_KestraneRadial : public DS_CentralBased {
 public:
  DS_KestraneRadial();
  DS_KestraneRadial(const DS_KestraneRadial& other) = default;

  std::u16string_view ClassName() const override { return u"DS_KestraneRadial"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_KestraneRadial(*this); }

  UINTSclaleTo<float> amplitude;
  MediaParamT<int> variant{0};
};

class DS_KestraneVortical : public DS_CentralBased {
 public:
  DS_KestraneVortical();
  DS_KestraneVortical(const DS_KestraneVortical& other) = default;

  std::u16string_view ClassName() const override { return u"DS_KestraneVortical"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_KestraneVortical(*this); }

  UINTSclaleTo<float> ellipseDeform;
  MediaParamT<unsigned int> ellipseAngle{0u};
  MediaParamT<int> reverse{0};
  UINTSclaleTo<float> amplitude;
};
