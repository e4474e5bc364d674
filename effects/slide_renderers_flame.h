#pragma once
// Two slide renderers built on screen effects: the flame light (a band of
// shader fire behind the slide's objects, the finished slide seen through a
// moving heat shimmer) and the underwater scene (the finished slide drawn
// through the underwater wobble).
#include <cstdint>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "effects/fire_effect.h"
#include "effects/water_effects.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"

// A 4-vertex XYZ|TEX1 strip whose vertices are kept beside the buffer, so
// positions can change with the texture coordinates left as they are.
class PositionedQuad : public DS_SimpleMesh<DX_V::PT> {
 public:
  PositionedQuad() {
    primitiveType = D3DPT_TRIANGLESTRIP;
    primitiveCount = 2;
  }
  // Recreates the buffer and writes the four vertices in order.
  bool SetVertices(const DX_V::PT (&v)[4]);
  // New positions in vertex order, z 0; texture coordinates kept.
  void SetPositions(const float (&xy)[4][2]);

  DX_V::PT vertices[4] = {};

 private:
  void Upload();
};

// The heat shimmer of the flame light: a bump picture scrolled over the
// finished slide.
class DistortionQuad {
 public:
  DistortionQuad();

  // Vertices, bump texture and effect; true when the effect exists.
  bool LoadResources();
  // Positions (0, h), (0, 0), (w, h), (w, 0); aspect = h / w.
  void SetSize(float width, float height);

  PositionedQuad mesh;
  DS_ImageFileLink bumpImage{62, u"common_res.dll"};
  DS_HLSLEffectFile effectFile{u"common_res.dll", 63};
  MediaSpeedParam Speed;
  UINTSclaleTo<float> Strength;
  UINTSclaleTo<float> BumpScale;
  ComPtr<ID3DXEffect> effect;
  ComPtr<IDirect3DTexture9> texture;
  float aspect = 1.0f;
};

class DS_FlameLight : public DS_2D_Light {
 public:
  DS_FlameLight();
  ~DS_FlameLight() override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void BeginSlide() override;
  void OnResetDevice() override;
  void EndFrame(int argument) override;
  void ClearBackground(int argument) override;
  void UpdateCamera(float t) override;
  bool GetScreenRects(std::vector<ScreenRect>& list) override;
  // Any non-zero Distortion draws the slide off-screen, as EndFrame ends
  // the pass for any non-zero value; without the shimmer's effect the slide
  // is drawn straight (nothing would show it).
  bool NeedsClear() override { return Distortion.value != 0 && heat.effect; }
  void ResetView() override;

  // The fire band's positions from the picture size and FireOffset.
  void PlaceFireQuad(float width, float height);

  MediaParamT<int> FireLayer{1};
  MediaParamT<int> Distortion{1};
  MediaParamT<unsigned int> FireOffset{0u};
  DS_FireFX fire;
  DistortionQuad heat;
  PositionedQuad FireQuad;
};

class FakeUndervater : public DS_2D_Light {
 public:
  FakeUndervater() = default;
  ~FakeUndervater() override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void BeginSlide() override;
  void EndFrame(int argument) override;
  void UpdateCamera(float t) override;
  bool GetScreenRects(std::vector<ScreenRect>& list) override;
  bool NeedsClear() override { return true; }

  DS_UnderwaterFX effect;
};
