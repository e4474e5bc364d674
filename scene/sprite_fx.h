#pragma once
// Sprite models that draw their quads with an effect of their own: the
// effect link and its loaded effect, the glowing sprites (glow colour and
// textures, drawn by DS_GlowingObj) and the single placed quad drawn by the
// model itself (DS_FXObj).
#include <cstdint>
#include <string_view>

#include "core/colour_params.h"
#include "core/scaled_param.h"
#include "platform/com/com_ptr.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "player/file_links.h"
#include "scene/sprite_base.h"

class DS_ABRender;
class ParticleGeomArray;

class DS_FXParticleSystemCtrl : public DS_ParticleSystemCtrl {
 public:
  DS_FXParticleSystemCtrl() = default;
  // Shares the loaded effect.
  DS_FXParticleSystemCtrl(const DS_FXParticleSystemCtrl& other) = default;

  // The effect of the link through the current document; held once.
  virtual void LoadEffect();
  // The class that asks the document for its effect (its stand-in row).
  virtual std::u16string_view EffectClass() const { return u"DS_FXParticleSystemCtrl"; }

  // The whole "DS_FXParticleSystemCtrl" record: class name and version
  // (ignored), the effect link, then the sprite record.
  void ReadFXRecord(DS_IOF_Archive& ar);

  DS_HLSLEffectFile effectLink;
  ComPtr<ID3DXEffect> effect;
};

class DS_GlowEffectCtrl : public DS_FXParticleSystemCtrl {
 public:
  DS_GlowEffectCtrl();
  // Shares the effect and both textures.
  DS_GlowEffectCtrl(const DS_GlowEffectCtrl& other) = default;

  DS_ABObj* CreateRuntime() override;
  // The effect, then the glow and sprite textures.
  void LoadEffect() override;
  // Called by the runtime at the start of every update.
  virtual void PrepareFrame() {}

  // Glow texture from the second image link, sprite texture from the image
  // link, each replaced only when it differs.
  void LoadTextures();
  // "DS_GlowEffectCtrl" name and version, colour, intensity, then the
  // "DS_FXParticleSystemCtrl" record.
  void ReadGlowRecord(DS_IOF_Archive& ar);

  SmartCOLORREF glowColour{0u};
  UINTSclaleTo<float> glowIntensity;
  ComPtr<IDirect3DTexture9> glowTexture;
  ComPtr<IDirect3DTexture9> spriteTexture;
};

class DS_BaseFXCtrl : public DS_FXParticleSystemCtrl {
 public:
  DS_BaseFXCtrl() = default;
  DS_BaseFXCtrl(const DS_BaseFXCtrl& other) = default;
};

class DS_StatBaseFXCtrl : public DS_BaseFXCtrl {
 public:
  // Centred on the current picture.
  DS_StatBaseFXCtrl();
  DS_StatBaseFXCtrl(const DS_StatBaseFXCtrl& other) = default;

  DS_ABObj* CreateRuntime() override;
  // True when the runtime should then draw the array with the effect.
  virtual bool Draw(DS_ABRender* context, ParticleGeomArray* geometry) = 0;

  // The whole "DS_StatBaseFXCtrl" record (class name and version first).
  void ReadStatRecord(DS_IOF_Archive& ar);

  MediaParamT<D3DXVECTOR3> position;
  MediaParamT<unsigned int> height{0u};
  MediaParamT<unsigned int> width{0u};
};
