#pragma once
// The drawing nodes of the tree-structured systems: the leaf (one textured
// quad per particle, with pivot, stretch, flips, two blends and a glow),
// the trace (a fading ribbon behind every parent particle) and the party
// balloon (a picture lit by two light maps). All draw with the root's effect
// into 24-byte quad batches.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/colour_params.h"
#include "core/envelope_params.h"
#include "core/graph_params.h"
#include "core/smart_values.h"
#include "particles/nodes/tree_nodes.h"
#include "player/render_surfaces.h"
#include "player/texture_sources.h"

struct IDirect3DTexture9;

class ZVI_PSTree_Leaf : public ZVI_PSTree_Node {
 public:
  ZVI_PSTree_Leaf();

  int32_t NeedsBackground() override { return glowMode.value == 2 ? 1 : 0; }
  // Places particles for the parent; each gets its colour transform.
  void Generate(const ParticlePtr& parent) override;
  int32_t Step(float dt, const ParticleVector& parents) override;
  void Fill(ZVI_PtclSys_Mesh* mesh, int32_t* index) override;
  void Draw(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context, int* pass) override;
  void Activate() override;
  // Re-resolves the texture; the geometry's atlas grid follows it and every
  // held particle draws a new cell.
  virtual void RefreshTexture();

  // Versions 1 to 5 after the class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The leaf header, then its record.
  void ReadLeafRecord(DS_IOF_Archive& ar);

  // The texture grid, below 1 counted as 1.
  int32_t Columns() const;
  int32_t Rows() const;
  // The current frame of an image, or null.
  IDirect3DTexture9* Frame(size_t image = 0) const;
  // The first image's aspect (height / width), 1 without an image.
  float Aspect() const;
  bool Premultiplied() const;
  // The blend technique of the mode; a mode other than 0 and 1 adds.
  const char* Technique() const;
  // The opacity byte of the colour set.
  float OpacityByte() const { return static_cast<float>(colors.transparency.derived); }

  DS_HLSLEffectFile effect{zvi_string(u"common_res.dll"), 202};
  ZVI_AlerterTextureSRC texture;
  MediaParamT<int> flipVertical{0};
  MediaParamT<int> flipHorizontal{0};
  MediaParamT<unsigned int> quadSize{0u};
  ColorSetParams colors;
  MediaParamT<int> blendMode{0};
  MediaParamT<int> glowMode{0};
  SmartCOLORREF glowColor{0u};
  UINTSclaleTo<float> glowBrightness;
  MediaParamT<int> glowBlur{0};
  JitterGraphParam stretch;
  MediaDirection stretchDirection;
  UINTSclaleTo<float> anchorX;
  UINTSclaleTo<float> anchorY;
  SmartCalbackCtrl<ZVI_PSTree_Leaf> textureControl{&ZVI_PSTree_Leaf::RefreshCallback, this};
  ZVI_BlurSurface glow;
  uint32_t sceneWidth = 0;
  uint32_t sceneHeight = 0;
  ComPtr<ID3DXEffect> compiledEffect;

 protected:
  // The batch of this node's fill, fitted to n quads; null without one.
  MeshRecord* FitBatch(ZVI_PtclSys_Mesh* mesh, int32_t* index, int32_t n);
  // The glow of a filled batch: captured, blurred, composed over the scene.
  void DrawGlow(MeshRecord* batch, ID3DXEffect* effect, DS_ABRender* context);
  void RefreshCallback() { RefreshTexture(); }
};

class ZVI_PSTree_Trace : public ZVI_PSTree_Leaf {
 public:
  struct Trail {
    ParticlePtr parent;
    ParticleVector points;
  };

  void Generate(const ParticlePtr& parent) override;
  int32_t Step(float dt, const ParticleVector& parents) override;
  void Fill(ZVI_PtclSys_Mesh* mesh, int32_t* index) override;
  void Clear() override;

  // Moves the newest point while the second newest is within 5 units,
  // otherwise appends a point.
  void AddTrailPoint(const ParticlePtr& parent, Trail& trail);
  ParticlePtr MakeTrailPoint(float distance, const ParticlePtr& parent);
  // The parent's trail, made empty when it has none.
  Trail& TrailOf(const ParticlePtr& parent);

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamTB<float> trailLife{1.0f};
  ScaledParamGroup sizeEnvelope;
  ScaledParamGroup opacityEnvelope;
  // In the order their parents arrived, so that runs do not differ.
  std::vector<Trail> trails;

 private:
  std::unordered_map<const Particle*, size_t> trailIndex_;
};

class ZVI_PartyBalloon : public ZVI_PSTree_Leaf {
 public:
  ZVI_PartyBalloon();
  void Draw(ZVI_PtclSys_Mesh* mesh, int32_t* index, ID3DXEffect* effect, DS_ABRender* context, int* pass) override;
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  UINTSclaleTo<float> lightMap1Opacity;
  UINTSclaleTo<float> lightMap2Opacity;
};
