#pragma once
// Texts of the sprite-effect family: one quad showing the text image the
// document keeps under the object's GUID, a scrolling variant and a link
// that maps the window point into picture pixels.
#include <cstdint>
#include <string_view>

#include "core/text_params.h"
#include "scene/sprite_fx.h"

class DS_StaticTextConstructor : public DS_StatBaseFXCtrl {
 public:
  DS_StaticTextConstructor();
  DS_StaticTextConstructor(const DS_StaticTextConstructor& other) = default;

  // Versions 0 to 3: 0 and 1 carry timing values that become a random
  // timeline, 3 the GUID of the text image.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void UpdateSprite(SpriteRecord& sprite) override;
  // The effect, then the text image under the GUID.
  void LoadEffect() override;
  bool Draw(DS_ABRender* context, ParticleGeomArray* geometry) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_StaticTextConstructor(*this); }
  std::u16string_view EffectClass() const override { return u"DS_StaticTextConstructor"; }

  MediaParamT<int32_t> authoring1{0};
  MediaParamT<int32_t> authoring2{0};
  MediaParamT<zvi_string> text;
  FontMediaParam font{FontData()};
  ComPtr<IDirect3DTexture9> textTexture;
  GUID imageGuid{};
  zvi_string imageName;
  uint8_t imageFlag = 1;
};

class DS_ScrollingTextConstructor : public DS_StaticTextConstructor {
 public:
  DS_ScrollingTextConstructor() = default;
  DS_ScrollingTextConstructor(const DS_ScrollingTextConstructor& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The quad's texture range repeats the image over the rectangle; the
  // scroll phases advance.
  void UpdateSprite(SpriteRecord& sprite) override;
  bool Draw(DS_ABRender* context, ParticleGeomArray* geometry) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_ScrollingTextConstructor(*this); }
  std::u16string_view EffectClass() const override { return u"DS_ScrollingTextConstructor"; }
  // The stored texture size, else the text texture's own (1 without one).
  float TextureWidth() const;
  float TextureHeight() const;

  MediaParamT<unsigned int> period{0u};
  MediaParamT<int32_t> direction{0};
  float textureHeight = 0.0f;
  float textureWidth = 0.0f;
  float verticalPhase = 1.0f / 3.0f;
  float horizontalPhase = 0.0f;
  // The phases mapped for the technique: (horizontal, vertical).
  float scrollValues[2] = {0.0f, 0.0f};
};

class DS_TextLinkConstructor : public DS_StaticTextConstructor {
 public:
  DS_TextLinkConstructor() = default;
  DS_TextLinkConstructor(const DS_TextLinkConstructor& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  int32_t MouseOver(int32_t x, int32_t y) override;
  void Click(int32_t x, int32_t y) override;
  DS_ParticleSystemCtrl* Clone() const override { return new DS_TextLinkConstructor(*this); }
  std::u16string_view EffectClass() const override { return u"DS_TextLinkConstructor"; }
  // The window point scaled to the back buffer, taken to picture pixels and
  // tested against position -+ (size >> 1), bounds inclusive.
  bool HitTest(float x, float y) override;

  MediaParamT<unsigned int> slideIndex{0u};
};
