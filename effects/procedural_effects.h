#pragma once
// Screen effects that add their own content: drifting clouds from a cloud
// picture projected on a receding plane, an animated caustic net in
// perspective with five layer blends, and a grade from day to night.
#include <cstdint>

#include "core/colour_params.h"
#include "effects/distortion_bases.h"
#include "player/doc_res_manager.h"

// How the cloud picture lies on its plane.
struct CloudProjection {
  CloudProjection();
  // "PX_Transform", "PY_TransformH", "PY_TransformZ", "tex_shift".
  void Upload(ID3DXEffect* effect) const;

  UINTSclaleTo<float> depth;
  UINTSclaleTo<float> height;
  UINTSclaleTo<float> shift;
  MediaParamT<int> flipShift{0};
  UINTSclaleTo<float> spare1;
  UINTSclaleTo<float> spare2;
};

class DS_CloudFX : public DS_DirectionBased {
 public:
  DS_CloudFX();
  DS_CloudFX(const DS_CloudFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_CloudFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override;
  // The grid's uv spans 0..1 over the quad; the mask's place goes to
  // maskTexShift.
  void UpdateMaskQuad() override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_CloudFX(*this); }

  SmartCOLORREF colorK1{0u};
  SmartCOLORREF colorK2{0u};
  DS_ImageFileLink cloudImage;
  DS_ImageFileLink secondImage;
  UINTSclaleTo<float> threshold;
  UINTSclaleTo<float> density;
  CloudProjection projection;
  DocImage cloudFrames;
  float maskTexShift[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

class DS_CausticFX : public DS_PerspectiveBased {
 public:
  DS_CausticFX();
  DS_CausticFX(const DS_CausticFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_CausticFX"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The stretch's load: lines and a grid that is never drawn.
  void LoadEffect(TextureHolder* maskHolder) override;
  void DrawEffect(DS_ABRender* context) override;
  bool IsActive() const override { return true; }
  bool IsMode1() const override { return backgroundMode.value == 0; }
  bool IsEraseMode() const override { return backgroundMode.value == 1; }
  DS_FX_Constructor* Clone() const override { return new DS_CausticFX(*this); }

  UINTSclaleTo<float> brightness;
  UINTSclaleTo<float> scaleX;
  UINTSclaleTo<float> scaleY;
  SmartCOLORREF blendColor;
  MediaParamT<int> blendMode{0};
  MediaParamT<int> backgroundMode{0};
  UINTSclaleTo<float> power;
};

class DS_DayToNight : public DS_FX_Constructor {
 public:
  DS_DayToNight();
  // The soft-light colour is recomputed from its three values.
  DS_DayToNight(const DS_DayToNight& other);

  std::u16string_view ClassName() const override { return u"DS_DayToNight"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void LoadEffect(TextureHolder* maskHolder) override { LoadEffectOnGrid(maskHolder); }
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_DayToNight(*this); }

  SmartCOLORREF mulColor{0u};
  SmartColorHSB softLightColor;
  UINTSclaleTo<float> desaturate;
};
