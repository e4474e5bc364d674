#pragma once
// Screen effects driven by a bump map, each with a clock of its own: a heat
// shimmer scrolling the pack's offset map through a perspective plane, and
// bump lighting of the picture from a light direction.
#include <cstdint>

#include "core/smart_values.h"
#include "effects/distortion_bases.h"
#include "player/doc_res_manager.h"

class DS_HeatDistortion : public DS_PerspectiveBased {
 public:
  DS_HeatDistortion();
  DS_HeatDistortion(const DS_HeatDistortion& other);

  std::u16string_view ClassName() const override { return u"DS_HeatDistortion"; }
  // Before version 3 the base record follows directly, without a centre.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Records without a centre use the picture's centre.
  void LoadEffect(TextureHolder* maskHolder) override;
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_HeatDistortion(*this); }

  MediaSpeedParam heatSpeed;
  UINTSclaleTo<float> strength;
  UINTSclaleTo<float> bumpScale;
  TextureHolder bumpTexture;
  bool centerRead = false;
};

class DS_BumpFX : public DS_FX_Constructor {
 public:
  DS_BumpFX();
  DS_BumpFX(const DS_BumpFX& other);

  std::u16string_view ClassName() const override { return u"DS_BumpFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  void AdvanceTime(float t) override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_BumpFX(*this); }
  // The grid from the quad, and the quad's place in the picture's uv.
  void UpdateGrid();

  MediaParamT<int> animationMode{1};
  MediaParamT<int> waveKind{1};
  UINTSclaleTo<float> animationAmount;
  DS_ImageFileLink bumpImage;
  ZVI_SmartAngle lightElevation;
  ZVI_SmartAngle lightAzimuth;
  MediaSpeedParam bumpSpeed;
  ImageFrameSet bumpFrames;
  float bumpTexScale[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
