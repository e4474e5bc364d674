#pragma once
// Generators anchored at one point of the scene (the origin): the animated
// font, which shows a laid-out line of glyph pictures scaled about the
// origin, and the single-rectangle generators with the swaying plant.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "core/smart_values.h"
#include "particles/generators/particle_generator.h"

class DS_StaticGenerator : public DS_TexParticleGenerator {
 public:
  DS_StaticGenerator() = default;
  DS_StaticGenerator(const DS_StaticGenerator& other) = default;

  // The origin stays as the record stored it.
  void AttachRenderObject(DS_ParticlesObj* object) override { DS_TexParticleGenerator::AttachRenderObject(object); }
  // "DS_StaticGenerator": class name and version (neither tested), the
  // origin, then the texture generator's record.
  void ReadStaticRecord(DS_IOF_Archive& ar);

  MediaParamT<D3DXVECTOR3> origin{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
};

// The frame timer of a picture at the owner's clock time t: at most one frame
// further per call.
void AdvanceGlyphAnimation(DocImage& picture, float t);

class DS_AnimatedFont : public DS_StaticGenerator {
 public:
  DS_AnimatedFont();
  DS_AnimatedFont(const DS_AnimatedFont& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override;
  void AttachRenderObject(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_AnimatedFont(*this); }
  std::u16string_view ClassName() const override { return u"DS_AnimatedFont"; }

  // Glyphs drawn: pairs of a head particle and a picture.
  size_t GlyphCount() const { return std::min(heads.size(), glyphPictures.size()); }

  MediaParamT<zvi_string> text;
  MediaSpeedParam animationSpeed;
  UINTSclaleTo<float> scale;
  MediaParamT<unsigned int> settings[3] = {MediaParamT<unsigned int>(0u), MediaParamT<unsigned int>(0u),
                                           MediaParamT<unsigned int>(0u)};
  MediaParamT<int> setting{0};
  std::map<char16_t, LinkKey> glyphMap;
  MediaQuad shownBounds;
  std::vector<DS_ImageFileLink> glyphLinks;
  std::vector<DocImage> glyphPictures;
  MediaQuad layoutBounds;
};

// One textured quad spanning a rectangle of the scene.
class DS_SingleRectGN : public DS_StaticGenerator {
 public:
  DS_SingleRectGN() = default;
  DS_SingleRectGN(const DS_SingleRectGN& other) = default;

  void AttachRenderObject(DS_ParticlesObj* object) override;
  // "DS_SingleRectGN" with its class name and version, then the static part.
  void ReadSingleRectRecord(DS_IOF_Archive& ar);
  // Quad 0 of layer 0: corners 2, 1, 4, 3, mirrored as the flags say, colour 1.
  void BuildRectQuad();

  MediaQuad rect;
};

// A picture that sways like a plant, drawn with its effect's "Main".
class DS_Plant : public DS_SingleRectGN {
 public:
  DS_Plant();
  DS_Plant(const DS_Plant& other) = default;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void Draw(DS_ABRender* context, DS_ParticlesObj* object) override;
  void Update(float time, DS_ParticlesObj* object) override { speed.Advance(time); }
  DS_ParticleGenerator* Clone() const override { return new DS_Plant(*this); }
  std::u16string_view ClassName() const override { return u"DS_Plant"; }

  MediaSpeedParam speed;
  UINTSclaleTo<float> frequency;
  UINTSclaleTo<float> wMagnitude;
  UINTSclaleTo<float> bMagnitude;
};
