#pragma once
// The fire screen effect: a flame pattern bent by three scrolling copies of a
// noise picture and coloured from its base to its tip colour, on an 8 x 8
// grid over the effect's quad. The flame slide renderer embeds one.
#include <cstdint>

#include "core/colour_params.h"
#include "effects/fx_constructor.h"

class DS_FireFX : public DS_FX_Constructor {
 public:
  DS_FireFX();
  DS_FireFX(const DS_FireFX& other) = default;

  std::u16string_view ClassName() const override { return u"DS_FireFX"; }
  // Version 1 has no own fields; version 2 carries the base quad and the
  // reserved word itself; from 3 on the base record holds them.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Every value of another fire (parameters, links, shared textures and
  // effect), as a member-wise assignment does.
  void AssignFrom(const DS_FireFX& other);
  void LoadEffect(TextureHolder* maskHolder) override;
  // Grid positions from the quad, u across to 1 / repeat, v 0 at corners 0
  // and 2; without a grid (before LoadEffect) nothing is done.
  void UpdateMaskQuad() override;
  void DrawEffect(DS_ABRender* context) override;
  DS_FX_Constructor* Clone() const override { return new DS_FireFX(*this); }

  // Matrices, the two pictures and the noise scrolls of the clock.
  void SetFireParams(const D3DXMATRIX& gridMatrix);

  SmartCOLORREF tipColor{0x0000FFFFu};
  SmartCOLORREF baseColor{0x000000FFu};
  MediaParamT<int> spareInt{0};
  DS_ImageFileLink patternImage{93, u"common_res.dll"};
  DS_ImageFileLink noiseImage{8, u"common_res.dll"};
  UINTSclaleTo<float> density;
  UINTSclaleTo<float> brightness;
  UINTSclaleTo<float> repeat;
  ComPtr<IDirect3DTexture9> patternTexture;
  ComPtr<IDirect3DTexture9> noiseTexture;
};
