#pragma once
// The runtime objects of the sprite models: a sprite array that keeps one
// record per sprite, follows the model's count, advances the model's clocks
// and writes the quads; drawn with fixed-function states (plain sprites),
// through a glow target and the model's effect (glowing sprites), or by the
// model's own effect (placed effect sprites).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "player/doc_res_manager.h"
#include "player/meshes.h"
#include "player/scene_object.h"
#include "player/slide_render_context.h"
#include "scene/sprite_base.h"

class DS_GlowEffectCtrl;
class DS_StatBaseFXCtrl;
class RenderTargetSet;

// What the sprite-track dump collects (authoring side).
struct SpriteTrackCollector {
  std::string header;
  std::string body;
  int32_t segments = 0;
  int32_t frames = 0;
};

class ParticleGeomArray : public DS_SpriteArrayT<DX_V::PCT> {
 public:
  ParticleGeomArray() = default;
  ParticleGeomArray(const ParticleGeomArray&) = delete;
  ParticleGeomArray& operator=(const ParticleGeomArray&) = delete;
  ~ParticleGeomArray() override;

  // Follows the model's count from now on; the first call makes every sprite.
  void Attach(DS_BaseSpriteProp* sprites);
  // At most kMaxSprites sprites: buffers for n quads (n > 0), new sprites
  // appended and spawned, surplus ones deleted from the end.
  void OnCountChanged(unsigned int n);
  // The model's clocks, then every sprite's update.
  void Advance(float t);
  // The quads of the first count sprites, when buffers and list agree.
  void FillVertices(DS_BaseSpriteProp* sprites);
  // Sprites whose quads the buffers hold.
  uint32_t Capacity() const { return static_cast<uint32_t>(vertexCount > 0 ? vertexCount / 4 : 0); }
  // The model's count as the array keeps it.
  uint32_t ModelCount() const;

  int32_t SpriteCount() const override;
  int32_t BlendMode() const override;

  void WriteTrack(SpriteTrackCollector* collector, bool last);
  void WriteKeyFrame(std::string* text);

  void ClearSpriteTimers();

  DS_BaseSpriteProp* spriteModel = nullptr;
  std::vector<std::unique_ptr<SpriteRecord>> sprites;
  float atlasSwitchTime = 0.0f;
  uint32_t atlasFrame = 0;
  // The dump starts from the state of its first frame.
  int32_t trackState = 0;
  // Set by a count change; a static model fills once after it.
  bool countChanged = false;

 private:
  DS_FunLightCtrl<unsigned int, ParticleGeomArray> countControl_;
};

// Plain sprite effects.
class DS_SpriteArrayObj : public ParticleGeomArray, public DS_ABObj {
 public:
  explicit DS_SpriteArrayObj(DS_ParticleSystemCtrl* clone);
  ~DS_SpriteArrayObj() override;

  void Draw(DS_ABRender* context) override;
  void ResetTiming() override;
  void Restart() override;
  void Update(float localTime) override;
  void SyncView() override;
  bool HitTest(float x, float y) override;
  bool GetScreenRects(std::vector<ScreenRect>& list) override;
  void WriteTrack(void* collector, bool last) override;

  DS_BaseSpriteProp* SpriteModel() const { return spriteModel; }

  ImageFrameSet imageSet;
  float lastSwitch = 0.0f;
};

// Glowing sprites: the glow shapes into a 512 x 512 target, composited over
// the background, then the sprites.
class DS_GlowingObj : public ParticleGeomArray, public DS_ABObj {
 public:
  explicit DS_GlowingObj(DS_GlowEffectCtrl* clone);
  ~DS_GlowingObj() override;

  void Draw(DS_ABRender* context) override;
  int32_t NeedsBackground() override;
  void Update(float localTime) override;

  DS_GlowEffectCtrl* glowModel = nullptr;
  RenderTargetSet* targets = nullptr;
  NamedGuid key;
  int32_t one = 1;
};

// Placed effect sprites drawn by their model.
class DS_FXObj : public ParticleGeomArray, public DS_ABObj {
 public:
  explicit DS_FXObj(DS_StatBaseFXCtrl* clone);

  void Draw(DS_ABRender* context) override;
  void Update(float localTime) override;
  void WriteTrack(void* collector, bool last) override;

  DS_StatBaseFXCtrl* fxModel = nullptr;
};
