#pragma once
// The lake slide renderer: the picture above a horizon mirrored into the part
// below it, rippled by a normal map through bump-environment mapping whose
// matrix turns with time, tinted towards the bottom, with a haze band.
#include <cstdint>

#include "core/media_param.h"
#include "core/scaled_param.h"
#include "effects/slide_renderers_common.h"
#include "platform/com/com.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"

struct NormalMapKeyRecord {
  GUID guid{};
  zvi_string name;
  uint8_t flag = 1;
};

class FakeLake2D : public DS_2D_Light {
 public:
  FakeLake2D();
  ~FakeLake2D() override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void DrawTexturedBatch(DS_SpriteArrayT<DX_V::PCT>* batch) override;
  void DrawTexturedGrid(TexturedGridObject* object, int argument) override;
  void BeginSlide() override;
  void OnResetDevice() override;
  void ClearBackground(int argument) override;
  void UpdateCamera(float t) override;
  bool GetScreenRects(std::vector<ScreenRect>& list) override;
  void ResetView() override;

  void InitLakeQuad();
  void LayoutLake();
  void SetWaterStages();
  // A V8U8 normal map from the noise picture under a grey veil of
  // NoiseOpacity, its red channel as height times BumpAmplitude.
  ComPtr<IDirect3DTexture9> MakeNormalMap() const;
  void CopyReflection();

  MediaSpeedParam WaveSpeed;
  UINTSclaleTo<float> WaveScale;
  UINTSclaleTo<float> Horizon;
  UINTSclaleTo<float> NoiseOpacity;
  UINTSclaleTo<float> TintOpacity;
  UINTSclaleTo<float> TintFade;
  MediaParamT<unsigned int> BumpAmplitude{25u};
  MediaParamT<unsigned int> HazeHeight{7u};
  MediaParamT<int> ReflectionDetail{1};
  MediaParamT<unsigned int> LakeColor{0x408000u};

  TexturedScreenQuad reflection;
  ColorQuad tintQuad, hazeQuad;
  Tex2Quad lakeQuad;
  DX_V::PT2 lakeVertices[6] = {};
  NormalMapKeyRecord NormalMapKey;
  ComPtr<IDirect3DTexture9> normalMap;
  uint8_t rebuild = 1;
  float bumpMatrix[4] = {0.04f, 0.0f, 0.0f, 0.04f};
  // False when the horizon leaves no lake (hf <= 0): nothing is drawn.
  bool lakeVisible = true;

 private:
  void UploadLake();
};

void RegisterLakeReader();
