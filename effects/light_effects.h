#pragma once
// Screen effects that change the light, colour or sharpness of what lies
// behind them: an erasing layer, flickering and coloured lights (the second
// with five layer blends, and its travelling-wave form), a hue, saturation
// and brightness shift, a travelling saturation wave and its uniform form,
// and a two-pass blur.
#include <cstdint>
#include <memory>

#include "core/colour_params.h"
#include "core/smart_values.h"
#include "effects/fx_constructor.h"
#include "player/render_target_set.h"

class DS_EraseLayerFX : public DS_FX_Constructor {
 public:
  DS_EraseLayerFX();
  DS_EraseLayerFX(const DS_EraseLayerFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_EraseLayerFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_EraseLayerFX(*this); }

  MediaParamT<int> invert{0};
};

class DS_LightFX : public DS_FX_Constructor {
 public:
  DS_LightFX();
  DS_LightFX(const DS_LightFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_LightFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_LightFX(*this); }

  UINTSclaleTo<float> intensity;
  MediaParamT<int> flicker{0};
};

class DS_LightFX_II : public DS_FX_Constructor {
 public:
  DS_LightFX_II();
  DS_LightFX_II(const DS_LightFX_II& other) = default;

  std::u16string_view ClassName() const override { return u"DS_LightFX_II"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override { LoadEffectOnGrid(maskHolder); }
  void DrawEffect(DS_ABRender* context) override;
  bool IsActive() const override { return true; }
  bool IsMode1() const override { return layerMode.value == 0; }
  bool IsEraseMode() const override { return layerMode.value == 1; }
  DS_FX_Constructor* Clone() const override { return new DS_LightFX_II(*this); }

  UINTSclaleTo<float> intensity;
  MediaParamT<int> flicker{0};
  MediaParamT<int> blendMode{0};
  SmartCOLORREF color{0u};
  MediaParamT<int> layerMode{0};
};

class DS_LightWaveFX : public DS_LightFX_II {
 public:
  DS_LightWaveFX();
  DS_LightWaveFX(const DS_LightWaveFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_LightWaveFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_LightWaveFX(*this); }

  MediaParamT<D3DXVECTOR3> waveStart{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  MediaParamT<D3DXVECTOR3> waveEnd{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  MediaParamT<unsigned int> waveLength{0u};
  MediaParamT<int> oneWay{0};
  D3DXVECTOR3 wavePos{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 waveDir{0.0f, 0.0f, 0.0f};
};

class DS_ColorShiftFX : public DS_FX_Constructor {
 public:
  DS_ColorShiftFX();
  DS_ColorShiftFX(const DS_ColorShiftFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_ColorShiftFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_ColorShiftFX(*this); }

  MediaParamT<int> waveKind{2};
  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> hueShift;
  UINTSclaleTo<float> saturation;
  UINTSclaleTo<float> brightness;
  float colorShift = 0.0f;
  float satFactor = 1.0f;
  float valFactor = 1.0f;
};

class DS_SaturationWaveFX : public DS_FX_Constructor {
 public:
  DS_SaturationWaveFX();
  DS_SaturationWaveFX(const DS_SaturationWaveFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_SaturationWaveFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override { LoadEffectOnGrid(maskHolder); }
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_SaturationWaveFX(*this); }

  MediaParamT<int> waveKind{2};
  UINTSclaleTo<float> spareFactor;
  UINTSclaleTo<float> strength;
  MediaDirection direction;
  MediaParamT<unsigned int> waveWidth{100u};
  D3DXVECTOR3 wavePos{0.0f, 0.0f, 0.0f};
  float minProj = 0.0f;
  float maxProj = 0.0f;
  uint8_t raising = 1;
  float currentStrength = 0.0f;
};

// The uniform form: the whole area at one strength that rises and falls.
class DS_SaturationFX : public DS_SaturationWaveFX {
 public:
  DS_SaturationFX();
  DS_SaturationFX(const DS_SaturationFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_SaturationFX"; }
  // The class name "DS_SaturationWaveFX" and its version, then that record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void AdvanceTime(float t) override;
  DS_FX_Constructor* Clone() const override { return new DS_SaturationFX(*this); }
};

class DS_BlureFX : public DS_FX_Constructor {
 public:
  DS_BlureFX();
  // Shares the private targets.
  DS_BlureFX(const DS_BlureFX& other);

  std::u16string_view ClassName() const override { return u"DS_BlureFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void CreateDeviceObjects() override;
  void ReleaseDeviceObjects() override;
  void LoadEffect(TextureHolder* maskHolder) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_BlureFX(*this); }

  MediaParamT<unsigned int> radius{0u};
  MediaParamT<int> waveKind{0};
  std::shared_ptr<RenderTargetSet> targets;

 private:
  std::unique_ptr<DeviceObjectsGuard> guard_;
};
