#pragma once
// The glass-ball slide renderer: the finished slide drawn off-screen and seen
// through a bump-mapped ball quad in a small 3-D scene, over a gradient or a
// picture with black bars, under optional overlays and a stand.
#include <cstdint>
#include <list>

#include "core/colour_params.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_points.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"
#include "effects/slide_renderers_common.h"

class DS_GlassBallLight : public DS_2D_Light {
 public:
  DS_GlassBallLight();
  ~DS_GlassBallLight() override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void PushTarget(int width, int height, int fitMode) override;
  void PopTarget() override;
  void BeginSlide() override;
  void OnResetDevice() override;
  void OnLostDevice() override;
  void EndFrame(int argument) override;
  void UpdateCamera(float time) override;
  void SetupView(const QuadCorners& corners) override;
  void SetViewMode(int targetIndex) override;
  bool GetScreenRects(std::vector<ScreenRect>& list) override;
  bool NeedsClear() override { return true; }

  // 256 x 256 V16U16 slopes of a half sphere; null on failure.
  static ComPtr<IDirect3DTexture9> CreateBumpMap();
  // 256 x 256 A8R8G8B8, rows from TopColor to BottomColor, every level filled.
  ComPtr<IDirect3DTexture9> CreateGradient() const;
  // 1024 x 1024 A8: 255 outside the circle of radius 508 round (512, 512).
  static ComPtr<IDirect3DTexture9> CreateCircleMask();
  void UpdateBallGeometry();
  void SetBallTransforms(bool turning);
  // The stage-1 matrix of the frame pass: camera-space positions of the ball
  // plane to the background quad's uv at the same screen pixel.
  void SetFrameTextureMatrix();

  // The turning phase all glass-ball lights share, and its previous time.
  struct SharedPhase {
    bool started = false;
    float previous = 0.0f;
    float phase = 0.0f;
  };
  static SharedPhase& Phase();

  DS_ImageFileLink OverlayImage1{58, u"common_res.dll"};
  DS_ImageFileLink OverlayImage2{59, u"common_res.dll"};
  DS_ImageFileLink StandImage{184, u"common_res.dll"};
  DS_ImageFileLink PictureImage{5, u"common_res.dll"};
  UINTSclaleTo<float> RotationSpeed;
  MediaParamT<POINT> BallPosition{POINT{0, 0}};
  MediaParamT<unsigned int> BallSize{100u};
  MediaParamT<unsigned int> LensStrength{0u};
  MediaParamT<int> Overlay1{1};
  MediaParamT<int> Overlay2{1};
  MediaParamT<int> Stand{0};
  MediaParamT<int> PictureMode{0};
  MediaParamT<int> Motion{3};
  SmartCOLORREF TopColor{0u};
  SmartCOLORREF BottomColor{0u};

  Tex2Quad ballQuad;
  Tex2Quad standQuad;
  float swing = 0.0f;
  ComPtr<IDirect3DTexture9> bumpMap;
  ComPtr<IDirect3DTexture9> circleMask;
  ComPtr<IDirect3DTexture9> gradient;
  TextureInfo picture;
  ComPtr<IDirect3DTexture9> overlay1Texture;
  ComPtr<IDirect3DTexture9> overlay2Texture;
  ComPtr<IDirect3DTexture9> standTexture;
  ScreenQuad bars[4];
  TexturedScreenQuad backgroundQuad;
  QuadCorners backgroundCorners;
  TexturedScreenQuad scrollA;
  TexturedScreenQuad scrollB;
  float distance = -600.0f;
  float depthZoom = 1.0f;
  float swingAmplitude = 0.0f;
  float kx = 1.0f, ky = 1.0f;
  int32_t targetIndex = 1;
  float ox = 0.0f, oy = 0.0f;
  float sx = 1.0f, sy = 1.0f;
  bool insideTarget = false;
  std::list<bool> insideStack;
  D3DXMATRIX textureMatrix;

 private:
  // Width and height of the saved view corners.
  float ViewWidth() const { return viewCorners.c[3].x - viewCorners.c[0].x; }
  float ViewHeight() const { return viewCorners.c[2].y - viewCorners.c[1].y; }
  void DrawScreenQuad(TexturedScreenQuad& quad);
  void DrawBall(IDirect3DVertexBuffer9* buffer);
};

void RegisterGlassBallReader();
