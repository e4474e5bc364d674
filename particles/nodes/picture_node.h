#pragma once
// Picture nodes: emitters that draw every particle as a tinted, textured
// quad, with a fixed random rotation per particle, atlas cells and three
// drawing options (outer glow, radial glow sprites, blurred shadow). The
// blank node keeps the picture's set-up but draws nothing; the dynamic
// picture re-reads its texture whenever its source changes.
#include <cstdint>

#include "core/colour_params.h"
#include "core/graph_params.h"
#include "core/jitter_params.h"
#include "core/smart_values.h"
#include "particles/nodes/node_batches.h"
#include "particles/nodes/nodes.h"
#include "player/file_links.h"
#include "player/render_surfaces.h"
#include "player/texture_sources.h"

class DS_2D_Light;
class ZVI_PtclSysNode_Picture;

// --- the rotation effect ---

// Turns a particle by a fixed angle: angle + spread x (2 phase - 1), the
// phase drawn anew for every copy. Copies share the angle block.
class ZVI_PtclSysEffect_Rotation : public ZVI_ParticlSystem_Effect {
 public:
  ZVI_PtclSysEffect_Rotation();
  ZVI_PtclSysEffect_Rotation(const ZVI_PtclSysEffect_Rotation& other);
  bool ApplyEffect(EffectContext& context, Particle* particle) override;
  ZVI_ParticlSystem_Effect* Clone() const override { return new ZVI_PtclSysEffect_Rotation(*this); }
  void Accept(ZVI_PtclSysEffectVisitor& visitor) override { visitor.VisitRotation(*this); }

  DS_SafePtr<JitterAngle> angle;
  float phase = 0.0f;
};
using RotationEffect = ZVI_PtclSysEffect<ZVI_PtclSysEffect_Rotation>;

// --- options ---

class ZVI_PtclSys_Option {
 public:
  explicit ZVI_PtclSys_Option(const char16_t* optionName) : name(optionName) {}
  virtual bool AcceptOption(ZVI_PtclSysNodeVisitor& visitor) = 0;

  MediaParamT<int> enabled{0};
  zvi_string name;

 protected:
  ~ZVI_PtclSys_Option() = default;
};

class ZVI_PtclSysOption_Glow : public ZVI_PtclSys_Option {
 public:
  ZVI_PtclSysOption_Glow();
  bool AcceptOption(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(3, this); }

  // The headerless record.
  void ReadRecord(DS_IOF_Archive& ar);
  // Blur targets at the scene size and the glow effect.
  void AttachOption();
  // The compose technique for a mode and whether the context has a
  // background copy.
  static const char* Technique(int32_t mode, bool backgroundCopy);

  MediaParamT<int> mode{3};
  MediaParamT<int> blurPasses{1};
  MediaParamT<uint32_t> color{0x0000FFFFu};
  UINTSclaleTo<float> brightness;
  ZVI_BlurSurface blur;
};

class ZVI_PtclSysOption_RadialGlow : public ZVI_PtclSys_Option {
 public:
  ZVI_PtclSysOption_RadialGlow();
  bool AcceptOption(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(2, this); }

  void ReadRecord(DS_IOF_Archive& ar);
  void AttachOption();
  // Resolves and premultiplies the sprite pictures (also on every change).
  void UpdateTexture();
  // One sprite per particle into the next batch when enabled.
  void Fill(ZVI_PtclSys_Obj* object, int32_t* index, const ParticleVector& particles, float particleSize);
  const char* Technique() const { return blendMode.value == 1 ? "BlendSum" : "BlendNormal_AlphaPM"; }

  UINTSclaleTo<float> size;
  MediaParamT<int> blendMode{0};
  SmartCOLORREF color;
  DS_SafePtr<ZVI_TextureSRC> source;
  ZVI_AlerterTextureSRC texture;
  ComPtr<ID3DXEffect> effect;
  SmartCalbackCtrl<ZVI_PtclSysOption_RadialGlow> textureControl{&ZVI_PtclSysOption_RadialGlow::UpdateTexture, this};
};

class ZVI_PtclSysOption_Blur : public ZVI_PtclSys_Option {
 public:
  explicit ZVI_PtclSysOption_Blur(const char16_t* optionName);

  MediaParamT<uint32_t> color{0u};
  MediaParamT<int> blurPasses{0};
  UINTSclaleTo<float> brightness;
  ZVI_BlurSurface blur;

 protected:
  ~ZVI_PtclSysOption_Blur() = default;
};

class ZVI_PtclSysOption_Shadow : public ZVI_PtclSysOption_Blur {
 public:
  ZVI_PtclSysOption_Shadow();
  bool AcceptOption(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(1, this); }

  void ReadRecord(DS_IOF_Archive& ar);
  void AttachOption();
  // The offset of the copy: distance graph at 0 x jitter factor x value,
  // along the angle's direction.
  D3DXVECTOR3 Offset() const;

  JitterGraphParam distance;
  ZVI_SmartAngle angle;
};

// The effect a node class asks the current document for (null without one).
ID3DXEffect* PackEffect(std::u16string_view askingClass, const DS_FileLink3& link);

// Blur targets of a glow or shadow at the current scene size, and effect 202.
void AttachBlurSurface(ZVI_BlurSurface& blur);

// --- picture nodes ---

class ZVI_PtclSysNode_Picture : public ZVI_PtclSysNode_Emitter {
 public:
  ZVI_PtclSysNode_Picture();

  void Attach(ZVI_PtclSys_Constructor* controller) override;
  void ResetNode() override;
  int32_t Step(float dt, const ParticleVector* sources) override;
  void FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) override;
  void DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) override;
  int32_t PassCount() override;
  ZVI_PtclSysOption_Glow* GetGlowOption() override { return &glow; }
  bool AcceptFamily(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(3, this); }
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(11, this); }
  void SetupParticle(Particle* particle) override;

  // The class the effect table knows this node by.
  virtual const char16_t* EffectClass() const { return u"ZVI_PtclSysNode_Picture"; }
  // Resolves the texture (filter 0x70004, premultiplied) and derives the
  // particle size and the cell aspect from the first image.
  void UpdateTexture();
  // Sorts the particles back to front by world z (NaN last).
  void DepthSort();
  // Atlas columns and rows of the source, below 1 counted as 1.
  int32_t Columns() const;
  int32_t Rows() const;
  // The first image's current frame, or null.
  IDirect3DTexture9* CurrentFrame() const;
  // The glow's background pass when the subtree asks for any; true.
  bool StepBackground(DS_ABRender* context, int* pass);

  // Versions 1 to 13 after the class name and version.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  ZVI_AlerterTextureSRC texture;
  MediaParamT<unsigned int> particleSize{0u};
  MediaParamT<int> flipVertical{0};
  MediaParamT<int> flipHorizontal{0};
  SmartCOLORREF tint;
  MediaParamT<int> blendSum{0};
  MediaParamT<int> visible{1};
  RotationEffect rotation;
  MediaParamT<int> atlasLoop{1};
  MediaParamT<int> childrenAfter{0};
  DS_HLSLEffectFile effectLink{zvi_string(u"common_res.dll"), 306};
  ComPtr<ID3DXEffect> effect;
  D3DXVECTOR3 axisU{1, 0, 0};
  D3DXVECTOR3 axisV{0, 1, 0};
  uint32_t drawFlags = 0;
  ZVI_PtclSysOption_Glow glow;
  ZVI_PtclSysOption_RadialGlow radialGlow;
  ZVI_PtclSysOption_Shadow shadow;

 protected:
  // Batches this node took in its last fill: 0 (hidden), 1, or 2 with the
  // radial glow's. The draw takes exactly as many, in the same order.
  int32_t filledBatches_ = 0;
};

class ZVI_PtclSysNode_Blank : public ZVI_PtclSysNode_Picture {
 public:
  void FillBatch(ZVI_PtclSys_Obj* object, int32_t* index) override { FillChildren(object, index); }
  void DrawBatch(ZVI_PtclSys_Obj* object, int32_t* index, DS_ABRender* context, int* pass) override {
    DrawChildren(object, index, context, pass);
  }
  int32_t PassCount() override { return ZVI_PtclSys_Node::PassCount(); }
  // The emitter header and record; no picture fields.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadEmitterRecord(ar); }
};

class ZVI_PtclSysNodePic_TexDynamic : public ZVI_PtclSysNode_Picture {
 public:
  ZVI_PtclSysNodePic_TexDynamic();
  const char16_t* EffectClass() const override { return u"ZVI_PtclSysNodePic_TexDynamic"; }
  // The picture's header and record follow the own header.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  SmartCalbackCtrl<ZVI_PtclSysNode_Picture> textureControl{&ZVI_PtclSysNode_Picture::UpdateTexture, this};
};

// The vertex colour of a quad: tint bytes times the particle colour, alpha
// the world alpha (at most 1) times the tint alpha; every channel keeps the
// low 8 bits of its truncated product.
uint32_t QuadColour(COLORREF tint, uint8_t tintAlpha, const D3DXVECTOR3& colour, float worldAlpha);
