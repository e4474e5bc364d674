#pragma once
// The generator chain's bases and their runtime object. A generator model
// keeps its particles, steps them on its own clock, writes one textured quad
// per particle into the layers of its DS_ParticlesObj and draws the layers,
// through an off-screen target and a blend of its effect, or straight.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/colour_params.h"
#include "core/scaled_param.h"
#include "particles/generators/generator_particle.h"
#include "player/doc_res_manager.h"
#include "player/file_links.h"
#include "player/meshes.h"
#include "player/scene_object.h"

class DS_IOF_Archive;
class DS_ParticlesObj;
class RenderTargetSet;
struct ID3DXEffect;

// The most quads one layer holds; the rest are not drawn.
constexpr uint32_t kMaxLayerQuads = 1u << 20;

class DS_ParticleGenerator : public DS_ABObj_Constructor {
 public:
  DS_ParticleGenerator();
  DS_ParticleGenerator(const DS_ParticleGenerator& other);
  ~DS_ParticleGenerator() override = default;

  DS_ABObj* CreateRuntime() override;

  virtual void Draw(DS_ABRender* context, DS_ParticlesObj* runtime) = 0;
  // The clock and the particle step of both lists.
  virtual void Update(float time, DS_ParticlesObj* runtime);
  virtual void AttachRenderObject(DS_ParticlesObj* runtime) = 0;
  virtual bool HitTest(float x, float y) { return false; }
  virtual int32_t NeedsBackground() { return 0; }
  // Fades from the head's opacity to 0 over the life, moving at a random
  // velocity up to the speed.
  virtual void InitEmittedParticle(GeneratorParticle& p, const GeneratorParticle& head);
  virtual DS_ParticleGenerator* Clone() const = 0;

  // The name stored in project files, which also picks the stand-in effect.
  virtual std::u16string_view ClassName() const = 0;

  // The "DS_ParticleGenerator" record body for the version, then the base.
  void ReadGeneratorRecord(DS_IOF_Archive& ar, int32_t version);
  // Advances the generator clock to time t and returns the step.
  float AdvanceClock(float time) { return clock.Advance(time); }
  // Emits particles evenly along each head particle's path since the last
  // emission, at clock time t.
  void EmitAlongHeadPaths(float t);

  UINTSclaleTo<float> life;
  PerSecondCounter rate;
  UINTSclaleTo<float> size;
  UINTSclaleTo<float> speed;
  MediaParamT<int> trail{0};
  MediaSpeedParam clock;
  GeneratorParticleList heads;
  GeneratorParticleList emitted;
};

// Blend modes of the composite.
enum GeneratorBlend : int32_t {
  kBlendCommon = 0,
  kBlendScreen = 1,
  kBlendColorDodge = 2,
  kBlendSum = 3,
};

class DS_TexParticleGenerator : public DS_ParticleGenerator {
 public:
  DS_TexParticleGenerator();
  DS_TexParticleGenerator(const DS_TexParticleGenerator& other);
  DS_TexParticleGenerator& operator=(const DS_TexParticleGenerator&) = delete;
  ~DS_TexParticleGenerator() override;

  void GetPreviewImage(PreviewImage* out) override;
  void AttachRenderObject(DS_ParticlesObj* runtime) override;
  int32_t NeedsBackground() override;

  // The "DS_TexParticleGenerator" record body, then the base record.
  void ReadTexGeneratorRecord(DS_IOF_Archive& ar, int32_t version);

  // The document's target set for this generator at back-buffer size.
  bool CreateRenderTargets();
  // Layer 0 with the texture: through the target and the composite with an
  // effect, else straight with fixed-function blending. A null texture draws
  // nothing.
  void DrawLayer(DS_ABRender* context, DS_ParticlesObj* runtime, IDirect3DTexture9* texture);
  // Layers 0..last, each with its image's current frame, into the target.
  void DrawLayersJoined(int32_t last, DS_ABRender* context, DS_ParticlesObj* runtime);
  // The target's result combined with the scene by the blend mode.
  void Composite(DS_ABRender* context);
  // Layer 0 with image 0 straight into the scene.
  void DrawLayerDirect(DS_ABRender* context, DS_ParticlesObj* runtime);

  // The texture of image i at its current frame; null when there is none.
  IDirect3DTexture9* CurrentTexture(size_t image) const;
  // The targets, made on first use when an effect wants them; null when
  // they cannot be made (the caller then draws straight).
  RenderTargetSet* TargetsForDrawing();
  // For classes that draw their layer through the targets whenever they have
  // an effect: the targets made at attach, with the slide's other device
  // objects (and so made ahead of its showing), not in its first frame.
  void CreateRenderTargetsForEffect();

  std::vector<DS_ImageFileLink> imageLinks;
  DS_HLSLEffectFile effectLink;
  SmartCOLORREF colour1;
  SmartCOLORREF colour2;
  MediaParamT<int> blendMode{0};
  MediaParamT<int> verticalMirror{0};
  MediaParamT<int> horizontalMirror{0};
  int32_t imageLinkKind = 0;
  std::vector<DocImage> images;
  ID3DXEffect* effect = nullptr;
  RenderTargetSet* targets = nullptr;
  NamedGuid targetKey;
  uint8_t targetFlag = 1;
  DS_ParticlesObj* runtime = nullptr;

 private:
  bool targetsTried_ = false;
  // Set when a layer was drawn into the target this frame.
  bool resultReady_ = false;
};

// A screen rectangle of a quad.
using QuadRects = std::vector<ScreenRect>;

// The runtime object of every generator: layers of quads that only grow.
class DS_ParticlesObj : public DS_ABObj {
 public:
  // Takes the clone and attaches it.
  explicit DS_ParticlesObj(DS_ParticleGenerator* clone);
  ~DS_ParticlesObj() override;

  void Draw(DS_ABRender* context) override;
  void Update(float localTime) override;
  int32_t NeedsBackground() override;
  bool HitTest(float x, float y) override;
  bool GetScreenRects(std::vector<ScreenRect>& list) override;

  void SetLayerCount(size_t n);
  size_t LayerCount() const { return layers.size(); }
  // n quads in the layer (at most kMaxLayerQuads); buffers only grow.
  void ReserveQuads(size_t layer, uint32_t n);
  // Locks the whole layer for writing; false when it cannot be.
  bool LockLayer(size_t layer);
  void UnlockLayer(size_t layer);
  // The four vertices of quad index of a locked layer and its rectangle.
  void SetQuad(size_t layer, uint32_t index, const DX_V::PCT vertices[4]);
  // A square quad of the particle's size x k at its position.
  void SetParticleQuad(size_t layer, uint32_t index, const GeneratorParticle& p, float k, float o,
                       const SmartCOLORREF& colour);
  // A quad of size x a by size x b turned by the particle's angle, in layer 0.
  void SetOrientedParticleQuad(uint32_t index, const GeneratorParticle& p, float a, float b, float o,
                               const SmartCOLORREF& colour);

  DS_IndexedMesh<DX_V::PCT>* LayerMesh(size_t layer) { return layer < layers.size() ? layers[layer].get() : nullptr; }
  uint32_t QuadCount(size_t layer) const { return layer < counts.size() ? counts[layer] : 0u; }

  std::vector<std::unique_ptr<DS_IndexedMesh<DX_V::PCT>>> layers;
  std::vector<QuadRects> rects;
  DS_ParticleGenerator* generator;
  std::vector<uint32_t> counts;
};

// Quad vertex builders (colour 0xFFFFFFFF unless set).
void BuildQuadVertices(DX_V::PCT out[4], float w, float h, const D3DXVECTOR3& centre);
void BuildOrientedQuadVertices(DX_V::PCT out[4], const D3DXVECTOR3& c, const D3DXVECTOR3& u, const D3DXVECTOR3& v,
                               float size);
// Positions and colours only; a zero length gives a zero-width quad.
void BuildSegmentQuadVertices(DX_V::PCT out[4], const D3DXVECTOR3& a, const D3DXVECTOR3& d, float length, float w0,
                              float w1);

// A channel in [0, 1] as a byte: 255 from 1 up, 0 from 0 down (and NaN),
// else truncate(x x 255 + 0.5).
uint8_t ChannelByte(float x);
// The vertex colour of a colour parameter at opacity o (ARGB).
D3DCOLOR VertexColour(const SmartCOLORREF& colour, float o);
// (x cos a - y sin a, x sin a + y cos a, z).
D3DXVECTOR3 RotateZ(const D3DXVECTOR3& v, float a);
