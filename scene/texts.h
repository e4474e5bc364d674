#pragma once
// Texts drawn from images the authoring tool rendered: the static text (a
// single quad with a drop shadow), the scrolling text and the text link,
// which shows the hand cursor and jumps to its slide when clicked.
#include <cstdint>

#include "core/colour_params.h"
#include "core/smart_values.h"
#include "scene/single_objects.h"

class DS_StaticText : public ZVI_StaticObject {
 public:
  DS_StaticText();
  DS_StaticText(const DS_StaticText& other) = default;

  // Effect {"common_res.dll", 198}, then the single quad.
  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  // Second image, then the shadow and the first image.
  void DrawParticles(DS_ABRender* context, int* pass) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_StaticText(*this); }
  std::u16string_view ClassName() const override { return u"DS_StaticText"; }

  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The shadow (when on) and the first image, both moved by shift.
  void DrawTextPasses(float shiftX, float shiftY);
  // The image of the list at index i when it has a frame, else null.
  const ImageFrameSet* ImageAt(size_t i) const;

  // Read and kept for the authoring tool.
  MediaParamT<zvi_string> text;
  MediaParamT<zvi_string> face;
  MediaParamT<unsigned int> size{0u};
  MediaParamT<int32_t> fontValues[2] = {MediaParamT<int32_t>{0}, MediaParamT<int32_t>{0}};
  MediaParamT<COLORREF> colour{0u};
  MediaParamT<int32_t> layoutValues[3] = {MediaParamT<int32_t>{0}, MediaParamT<int32_t>{0}, MediaParamT<int32_t>{0}};
  MediaParamT<COLORREF> colour2{0u};
  MediaParamT<unsigned int> textValues[2] = {MediaParamT<unsigned int>{0u}, MediaParamT<unsigned int>{0u}};
  MediaParamT<int32_t> paintMode{0};
  MediaParamT<COLORREF> paintColour{0u};
  MediaParamT<unsigned int> paintAmount{0u};
  // The drop shadow.
  MediaParamT<int32_t> shadowEnabled{0};
  SmartCOLORREF shadowColour;
  MediaParamT<unsigned int> shadowDistance{0u};
  MediaDirection shadowDirection;
  // Read and kept.
  SmartCOLORREF colours[2];
  MediaParamT<unsigned int> moreValues[2] = {MediaParamT<unsigned int>{0u}, MediaParamT<unsigned int>{0u}};
};

class DS_ScrollingTex : public DS_StaticText {
 public:
  DS_ScrollingTex() = default;
  DS_ScrollingTex(const DS_ScrollingTex& other) = default;

  void Prepare(ZVI_ParticleSystemMech* runtimeObject) override;
  void UpdateQuad() override;
  void UpdateParticles(float t) override;
  void ResetTime() override;
  void DrawParticles(DS_ABRender* context, int* pass) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_ScrollingTex(*this); }
  std::u16string_view ClassName() const override { return u"DS_ScrollingTex"; }

  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The offset where a cycle starts, by direction.
  void StartOffset();
  // Texture coordinates spanning the quad along the scroll axis.
  void FillTexCoords();

  MediaParamT<int32_t> direction{0};  // 0 up, 1 down, 2 left, 3 right
  float offset = 0.0f;
  float rate = 0.0f;
  float extent = 0.0f;
};

class DS_TextLink : public DS_StaticText {
 public:
  DS_TextLink() = default;
  DS_TextLink(const DS_TextLink& other) = default;

  int32_t MouseOver(int32_t x, int32_t y) override;
  void Click(int32_t x, int32_t y) override;
  ZVI_ParticleSystemCtrl* Clone() const override { return new DS_TextLink(*this); }
  std::u16string_view ClassName() const override { return u"DS_TextLink"; }

  bool ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // The client point taken to the scene by the render context's
  // window-to-scene matrices, inside corners 0..3 (bounds inclusive).
  bool HitTest(int32_t x, int32_t y) const;
  // Live unless the timeline is hidden.
  bool Live();

  MediaParamT<unsigned int> slideIndex{0u};
};
