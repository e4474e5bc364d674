#pragma once
// Texts whose look the authoring tool finished: the flat text, drawn by a
// shader from stored images (text, effect and background pictures), and the
// 3-D text, a stored mesh with one subset per glyph whose glyphs move one by
// one. Both run as a ZVI_TextObj holding a private clone of the model.
#include <cstdint>
#include <vector>

#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "core/text_params.h"
#include "platform/com/com_ptr.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_mesh.h"
#include "player/doc_res_manager.h"
#include "player/file_links.h"
#include "player/meshes.h"
#include "player/scene_object.h"
#include "player/timelines.h"

class DS_IOF_Archive;

class ZVI_Text : public DS_ABObj_Constructor {
 public:
  ZVI_Text() = default;
  ZVI_Text(const ZVI_Text& other) = default;

  virtual void Prepare() = 0;
  virtual void Draw(DS_ABRender* context) = 0;
  virtual void Update(float t) = 0;
  virtual ZVI_Text* Clone() const = 0;

  // Clone, wrapped in a ZVI_TextObj, prepared, then its time reset.
  DS_ABObj* CreateRuntime() override;

  // The "ZVI_Text" part a subclass record ends with: class name and
  // version, the text block, then the base record.
  void ReadTextBase(DS_IOF_Archive& ar);

  TextParams text;
};

class ZVI_TextObj : public DS_ABObj {
 public:
  explicit ZVI_TextObj(ZVI_Text* clone) : DS_ABObj(clone), textModel(clone) {}

  void Draw(DS_ABRender* context) override { textModel->Draw(context); }
  void Update(float t) override { textModel->Update(t); }

  ZVI_Text* textModel;
};

// The clock of the texts: a time earlier than the last only moves the last
// time back; no step is longer than 0.2 s.
struct TextClock {
  float previous = 0.0f;
  float step = 0.0f;
  float total = 0.0f;
  void Advance(float t, float speed);
  void Reset() { previous = total = 0.0f; }
};

// What the appearing or disappearing text goes through, from visibility 0
// (index 0) to visibility 1 (index 1).
struct TextAnimationRange {
  float alpha[2] = {1.0f, 1.0f};
  D3DXVECTOR2 offset[2] = {D3DXVECTOR2(0.0f, 0.0f), D3DXVECTOR2(0.0f, 0.0f)};
  D3DXVECTOR2 fade[2] = {D3DXVECTOR2(0.0f, 0.0f), D3DXVECTOR2(0.0f, 0.0f)};
};

// What one flat-text draw sends after its background pass.
struct FlatTextValues {
  float alpha = 1.0f;
  D3DXVECTOR2 offset{0.0f, 0.0f};
  D3DXVECTOR2 fade{0.0f, 0.0f};
};

class ZVI_2DTex : public ZVI_Text {
 public:
  ZVI_2DTex();
  ZVI_2DTex(const ZVI_2DTex& other) = default;

  void Prepare() override;
  void Draw(DS_ABRender* context) override;
  void Update(float t) override;
  ZVI_Text* Clone() const override { return new ZVI_2DTex(*this); }

  // Every version reads the same fields.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // The text images, the grids' texture coordinates and the animation ranges.
  void Layout();
  void SetAnimationRanges();
  // The animation values of the timeline's state and visibility.
  FlatTextValues CurrentValues(uint32_t state, float visibility) const;
  // The image at index i when it has a texture, else null.
  const ImageFrameSet* ImageAt(size_t i) const;

  DS_HLSLEffectFile effectLink;
  MediaQuad quad;
  TextPaintParams paintA;
  TextPaintParams paintB;
  TextPaintParams shadow;  // mode non-zero: on; amount: distance in texels
  MediaParamT<unsigned int> value6{0u};
  MediaDirection shadowDirection;
  DS_NamedFileLink textImages;
  MediaParamT<int32_t> fillEnabled{0};
  DS_NamedFileLink fillImage;
  UINTSclaleTo<float> fillScale;
  MediaSpeedParam speed;
  // Read and kept.
  MediaParamT<int32_t> keptInt1{0};
  UINTSclaleTo<float> keptPercent1;
  MediaParamT<int32_t> keptInt2{0};
  UINTSclaleTo<float> keptPercent2;
  MediaParamT<unsigned int> keptValues[2] = {MediaParamT<unsigned int>{0u}, MediaParamT<unsigned int>{0u}};
  MediaParamT<int32_t> appearEffect{0};
  MediaParamT<int32_t> disappearEffect{0};
  DS_SafePtr<ZVI_Timing> storedTimeline;

  // Runtime.
  std::vector<ImageFrameSet> images;
  ImageFrameSet fill;
  GridMesh textGrid;
  GridMesh backgroundGrid;
  ComPtr<ID3DXEffect> effect;
  float uExtent = 0.0f, vExtent = 0.0f, uStart = 0.0f, vStart = 0.0f;
  TextAnimationRange appear;
  TextAnimationRange disappear;
  TextClock clock;
};

// The stored mesh block of a 3-D text: face and vertex counts, options,
// FVF, vertex size, then the vertex, 16-bit index and attribute bytes.
// Returns the mesh, or null when the block is refused (negative counts,
// counts beyond the data, a vertex size not the FVF's, 32-bit indices, an
// index past the vertices) or creation fails; the block's bytes are
// consumed either way, as far as the data goes.
ComPtr<ID3DXMesh> ReadTextMesh(DS_IOF_Archive& ar, IDirect3DDevice9* device);

class ZVI_3DTex : public ZVI_Text {
 public:
  ZVI_3DTex();
  ZVI_3DTex(const ZVI_3DTex& other) = default;

  void Prepare() override {}
  void Draw(DS_ABRender* context) override;
  void Update(float t) override;
  ZVI_Text* Clone() const override { return new ZVI_3DTex(*this); }
  void ResetTime() override;

  // Version 1 has no arc fields.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // The steps of Update, for the tests.
  void UpdateBaseMatrix();
  void UpdateTextMatrix(float t);
  void UpdateGlyphs(float t);
  // The glyph's phase from its clock value f: 1 at rest, -1 half way.
  float GlyphPhase(size_t i) const;
  // The light's direction from the two angles (its z never below 0).
  D3DXVECTOR3 LightDirection() const;

  MediaParamT<D3DXVECTOR3> position{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  UINTSclaleTo<float> depth;
  int32_t storedInteger = 1;
  MediaParamT<unsigned int> ambient{0u};
  MediaParamT<unsigned int> lightAngle1{0u};
  MediaParamT<unsigned int> lightAngle2{90u};
  MediaParamT<int32_t> rotationAxis{0};
  MediaParamT<int32_t> rotationKind{0};
  UINTSclaleTo<float> rotationAmplitude;
  MediaSpeedParam rotationSpeed;
  MediaParamT<int32_t> glyphAnimation{0};
  MediaParamT<int32_t> repeatMode{0};
  MediaParamT<unsigned int> glyphAmplitude{0u};
  MediaSpeedParam glyphSpeed;
  UINTSclaleTo<float> glyphDelay;
  UINTSclaleTo<float> period;
  ComPtr<ID3DXMesh> mesh;
  MediaQuad textQuad;
  std::vector<MediaQuad> glyphQuads;
  UINTSclaleTo<float> arcAngle;
  MediaParamT<int32_t> arcSide{0};

  // Runtime.
  std::vector<D3DXMATRIX> glyphMatrices;
  D3DXMATRIX baseMatrix;
  D3DXMATRIX textMatrix;
  TextClock rotationClock;
  TextClock glyphClock;
};
