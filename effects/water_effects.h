#pragma once
// Screen effects that move or ripple the picture behind them like water:
// travelling waves, the underwater wobble (embedded in the underwater slide
// renderer, no reader of its own), a lit bump-mapped water surface, a sway of
// the whole picture and a waterfall of sliding noise and colour layers.
#include <cstdint>
#include <vector>

#include "core/colour_params.h"
#include "effects/distortion_bases.h"
#include "player/doc_res_manager.h"

class DS_WavesFX : public DS_FX_Constructor {
 public:
  DS_WavesFX();
  DS_WavesFX(const DS_WavesFX& other);

  std::u16string_view ClassName() const override { return u"DS_WavesFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // direction and normal from angle (turned by 360 - angle) and longitudinal.
  void UpdateDirection();
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_WavesFX(*this); }

  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> frequency;
  MediaParamT<unsigned int> angle{0u};
  MediaParamT<int> longitudinal{0};
  D3DXVECTOR4 direction{1.0f, 0.0f, 0.0f, 0.0f};
  D3DXVECTOR4 normal{0.0f, 1.0f, 0.0f, 0.0f};

 private:
  CallbackCtrlList<DS_WavesFX> controls_{this};
};

class DS_UnderwaterFX : public DS_FX_Constructor {
 public:
  DS_UnderwaterFX();
  DS_UnderwaterFX(const DS_UnderwaterFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_UnderwaterFX"; }
  // amplitude, frequency, then the "DS_FX_Constructor" record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_UnderwaterFX(*this); }

  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> frequency;
};

class DS_WaterFX : public DS_FX_Constructor {
 public:
  DS_WaterFX();
  DS_WaterFX(const DS_WaterFX& other);

  std::u16string_view ClassName() const override { return u"DS_WaterFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // direction = (1, 0) turned by angle.
  void UpdateDirection();
  void LoadEffect(TextureHolder* maskHolder) override;
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_WaterFX(*this); }

  UINTSclaleTo<float> surface;
  UINTSclaleTo<float> bumpScale;
  UINTSclaleTo<float> waveStrength;
  UINTSclaleTo<float> waveLength;
  MediaParamT<unsigned int> angle{40u};
  UINTSclaleTo<float> shadows;
  UINTSclaleTo<float> lightHeight;
  SmartCOLORREF color{0x00FFFFFFu};
  DS_ImageFileLink bumpImage{89, u"common_res.dll"};
  ComPtr<IDirect3DTexture9> bumpTexture;
  float bumpTransform[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  D3DXVECTOR4 direction{1.0f, 0.0f, 0.0f, 0.0f};

 private:
  CallbackCtrlList<DS_WaterFX> controls_{this};
};

class DS_MoveFX : public DS_DirectionBased {
 public:
  DS_MoveFX();
  DS_MoveFX(const DS_MoveFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_MoveFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsDisplacement() const override { return true; }
  DS_FX_Constructor* Clone() const override { return new DS_MoveFX(*this); }

  MediaParamT<int> waveKind{0};
  UINTSclaleTo<float> backAmplitude;
  float offset[2] = {0.0f, 0.0f};
};

struct WaterfallLayer {
  float x = 0.0f;
  float y = 0.0f;
  float alpha = 0.0f;
};

class DS_WaterfallFX : public DS_DirectionBased {
 public:
  // Each layer is a draw per frame and the count comes from the file: a
  // bound far above any authored count keeps a damaged one from stalling.
  static constexpr unsigned int kMaxLayers = 1024;

  DS_WaterfallFX();
  DS_WaterfallFX(const DS_WaterfallFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_WaterfallFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_WaterfallFX(*this); }

  UINTSclaleTo<float> layerFade;
  MediaParamT<unsigned int> layerCount{0u};
  UINTSclaleTo<float> noiseAmplitude;
  UINTSclaleTo<float> spareValue;
  UINTSclaleTo<float> threshold;
  DS_ImageFileLink noiseImage;
  SmartCOLORREF color{0u};
  MediaParamT<int> disabled{0};
  std::vector<WaterfallLayer> layers;
  ComPtr<IDirect3DTexture9> noiseTexture;
  float flow[2] = {0.0f, 0.0f};
};

// The texture of a picture link at the frame index its record holds; null
// when the picture cannot be resolved.
ComPtr<IDirect3DTexture9> CurrentFrameTexture(const DS_FileLink3& link);
