#pragma once
// Sprite models: the view rectangle every sprite effect lives in, the sprite
// parameters shared by all sprite effects with the per-sprite operations the
// runtime array calls, the per-sprite record and the two clocks the array
// advances on the model every frame. Coordinates are picture pixels of the
// current document (x right, y down).
#include <cstdint>
#include <vector>

#include "core/colour_params.h"
#include "core/embedded_file.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "player/file_links.h"
#include "player/quad_corners.h"
#include "player/scene_object.h"

class DS_IOF_Archive;
class DS_BaseSpriteProp;

// A sprite array holds at most this many sprites: 16-bit indices address
// 16 384 quads.
constexpr uint32_t kMaxSprites = 16384;

// A scene object living in a view rectangle of the picture. The normalised
// edges are authoritative; the pixel rectangle follows them in whole pixels
// and moves them back when it is edited.
class DS_ViewObjCtrl : public DS_ABObj_Constructor {
 public:
  DS_ViewObjCtrl();
  DS_ViewObjCtrl(const DS_ViewObjCtrl& other);
  DS_ViewObjCtrl& operator=(const DS_ViewObjCtrl&) = delete;
  ~DS_ViewObjCtrl() override;

  // Zeroes the view clock.
  void ResetTime() override;
  // The view in picture pixels, in strip order.
  virtual void GetViewRect(QuadCorners* out);
  virtual bool HitTest(float x, float y) { return false; }

  // The record's fields after its class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Class name and version (neither compared), then the fields.
  void ReadViewRecord(DS_IOF_Archive& ar);

  // Pixel edges = the normalised edges in whole pixels of the picture.
  void SyncPixelRect();
  // Syncs, then has every pixel edge move its normalised edge (primed once).
  void BindEdgeCallbacks();
  // Edge 0 left, 1 right, 2 top, 3 bottom.
  void OnEdgeChanged(int edge, int pixels);
  // A uniform point of the view (x drawn first), z 0.
  D3DXVECTOR3 RandomPointInView() const;

  // The view clock: |dt| clamped to 0.2 s, times the view speed x 0.02.
  void AdvanceViewClock(float t);
  float ViewSpeedFactor() const { return static_cast<float>(viewSpeed.value) * 0.02f; }

  MediaRectangle pixelRect;
  MediaParamT<unsigned int> viewSpeed{50u};
  uint8_t flagByte = 0;
  float left = 0.0f, right = 1.0f, top = 0.0f, bottom = 1.0f;
  float viewStep = 0.0f;
  float viewTime = 0.0f;
  float viewLast = 0.0f;

 private:
  void OnLeft(int v) { OnEdgeChanged(0, v); }
  void OnRight(int v) { OnEdgeChanged(1, v); }
  void OnTop(int v) { OnEdgeChanged(2, v); }
  void OnBottom(int v) { OnEdgeChanged(3, v); }
  // Destroyed before the pixel rectangle they watch.
  DS_FunLightCtrl<int, DS_ViewObjCtrl> edgeControls_[4];
};

// One sprite of a sprite array.
struct SpriteRecord {
  float xMultiplier = 0.0f;
  float yMultiplier = 0.0f;
  int32_t word = 0;
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  float sizeFactor = 1.0f;
  D3DXMATRIX matrix;
  float vRange[2] = {0.0f, 1.0f};
  float uRange[2] = {0.0f, 1.0f};
  float halfWidth = 0.0f;
  float halfHeight = 0.0f;
  float aspect = 1.0f;
  D3DXVECTOR3 xAxis{1.0f, 0.0f, 0.0f};
  D3DXVECTOR3 yAxis{0.0f, 1.0f, 0.0f};
  float alphaFactor = 1.0f;
  float switchTime = 0.0f;
  float delay = 0.0f;
  int32_t handlingEdge = -1;
  int32_t reentered = 0;
  float deadline = 0.0f;
  float waitClock = 0.0f;
  uint8_t frozen = 0;
  uint32_t colour = 0;
  float twinkleSpeed = 0.0f;

  // Position (100, 100), the image's aspect, whole-image ranges, upright
  // axes, a random size factor and the half sizes it gives.
  void Init(DS_BaseSpriteProp& model);
  // Half sizes of size x size factor / 2 shaped by the aspect.
  void SetHalfSizes(const DS_BaseSpriteProp& model);
  // Switch time, delay, deadline and wait clock to 0.
  void ClearTimers() {
    switchTime = 0.0f;
    delay = 0.0f;
    deadline = 0.0f;
    waitClock = 0.0f;
  }
};

// ARGB of a COLORREF with an alpha byte.
inline uint32_t ArgbOf(uint32_t colorref, uint32_t alpha) {
  return (alpha & 0xFFu) << 24 | (colorref & 0xFFu) << 16 | (colorref & 0xFF00u) | (colorref >> 16 & 0xFFu);
}

// The sprite parameters of every sprite effect and the operations the
// runtime array asks the model for.
class DS_BaseSpriteProp : public DS_ViewObjCtrl {
 public:
  DS_BaseSpriteProp();
  DS_BaseSpriteProp(const DS_BaseSpriteProp& other);
  ~DS_BaseSpriteProp() override;

  // {image link's first texture, image kind, 0, 1 / frame count}.
  void GetPreviewImage(PreviewImage* out) override;
  // One entry: the image link and the colour.
  void CollectResources(DocResourceSet& set) override;

  virtual bool NeedsTrackBreak(int32_t counter) { return counter > 10; }
  virtual void SpawnSprite(SpriteRecord& sprite) {}
  virtual void UpdateSprite(SpriteRecord& sprite) {}
  virtual uint32_t NextFrame(uint32_t frame) { return (frame + 1) % FrameCount(); }
  virtual uint32_t GetSpriteCount() { return count.value; }
  // The colour with its alpha byte scaled by the timeline's visibility.
  virtual uint32_t GetSpriteColor(uint32_t argb);

  // The fields of a "DS_BaseSpriteProp" record of version v, after its class
  // name and version (the view record comes first).
  void ReadFields(DS_IOF_Archive& ar, int32_t v);
  // Legacy frames and second image become document images behind the links.
  void ConvertLegacyImages();

  // The sprite clock: the raw step (0 when time went back) clamped to 0.2 s,
  // times the speed.
  void AdvanceSpriteClock(float t);
  // Atlas frames; a stored count of 0 counts as 1.
  uint32_t FrameCount() const { return frameCount == 0 ? 1u : frameCount; }
  // The sprite colour as ARGB with the translucency's alpha byte scaled.
  uint32_t BaseArgb(float alphaFactor) const;
  // The colour with the alpha scaled by the visibility when the visibility
  // is used for opacity (visibility use 1); otherwise unchanged.
  uint32_t ColorByVisibilityUse(uint32_t argb);
  // A uniform value in [a, b] from the next random number.
  static float Uniform(float a, float b);

  MediaParamT<unsigned int> count{1u};
  MediaParamT<unsigned int> size{0u};
  TransparencyParam translucency;
  MediaParamT<int> blendMode{0};
  SmartCOLORREF colour;
  float twinkleSpeed = 0.0f;
  float twinkleMin = 0.0f;
  float twinkleMax = 1.0f;
  float sizeMin = 1.0f;
  float sizeMax = 1.0f;
  DS_ImageFileLink imageLink;
  DS_ImageFileLink secondImageLink;
  uint32_t reservedUnsigned = 1;
  float reservedFloat = 0.0f;
  uint32_t frameCount = 1;
  float frameRate = 0.0f;
  uint8_t atlasFlag = 0;
  int32_t imageKind = 0;
  MediaParamT<int> flipVertical{0};
  MediaParamT<int> flipHorizontal{0};
  MediaParamT<int> staticFlag{0};
  std::vector<float> legacyDelays;
  std::vector<EmbeddedFile> legacyFrames;
  EmbeddedFile legacySecond;
  MediaSpeedParam speed;
  float spriteStep = 0.0f;
  float spriteTime = 0.0f;
  float spriteLast = 0.0f;
  uint8_t frozen = 0;
};

// Base of every concrete sprite effect.
class DS_ParticleSystemCtrl : public DS_BaseSpriteProp {
 public:
  DS_ParticleSystemCtrl() = default;
  DS_ParticleSystemCtrl(const DS_ParticleSystemCtrl& other) = default;

  // Plain sprite effects: legacy images converted, then a sprite array of a
  // clone.
  DS_ABObj* CreateRuntime() override;
  // A heap copy by the concrete class.
  virtual DS_ParticleSystemCtrl* Clone() const = 0;
};

// Reads a record header: class name (not compared) and version.
void ReadRecordHeader(DS_IOF_Archive& ar, int32_t* version);
