#pragma once
// What the screen-effect tests share: a headless device with a document that
// holds a flat or striped picture and a probe effect in our format (every
// parameter the effects send, read back with GetFloatArray), models read
// from crafted records, their runtime objects and whole frames of a slide.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "effects/fx_constructor.h"
#include "player/slide_render_context.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/effects_writer.h"

namespace fx_test {

using namespace render_test;

// The link under which the document stores the probe effect.
inline constexpr char16_t kProbeName[] = u"probe.fx";
inline constexpr int64_t kProbeId = 7;

// The probe: every parameter as a float4 (a matrix for WorldViewProj), every
// technique the effects choose, each drawing nothing.
std::string ProbeEffectText();

// Picture of the slide: w x h, colour(x, y) as ARGB.
struct PictureSpec {
  int width = 32;
  int height = 16;
  D3DCOLOR (*colour)(int x, int y) = nullptr;
};

class EffectTest : public RenderTest {
 protected:
  void SetUp() override;
  // A document with the picture as its own name (id 1) and the probe.
  void MakeDocumentWith(const PictureSpec& picture, const pw::DocResRecord& extra = {});
  // A light showing the picture on the whole back buffer in the fit mode.
  std::unique_ptr<DS_2D_Light> MakeLight(int fitMode = 1);
  // One frame of the objects over the light's picture; the back buffer.
  Pixels Frame(DS_2D_Light& light, RuntimeObjects& objects);

  // A model read through the scene-object registry; all bytes consumed.
  template <class T>
  std::unique_ptr<T> Read(const pw::ByteBuilder& b) {
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    std::unique_ptr<DS_ABObj_Constructor> m = ReadObjectOf<DS_ABObj_Constructor>(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    T* t = dynamic_cast<T*>(m.get());
    EXPECT_NE(t, nullptr);
    if (!t) return nullptr;
    m.release();
    return std::unique_ptr<T>(t);
  }
  // The runtime object of a model, its clone loaded with its effect.
  static DS_SafePtr<DS_ABObj> Runtime(DS_FX_Constructor& model) { return DS_SafePtr<DS_ABObj>(model.CreateRuntime()); }
  static DS_FX_Constructor* Clone(const DS_SafePtr<DS_ABObj>& runtime) {
    return static_cast<DS_BrushObj*>(runtime.get())->fx;
  }

  std::u16string pictureName_;

  // n floats of a parameter of the clone's effect.
  static std::vector<float> Floats(DS_FX_Constructor* fx, const char* name, int n);
  static std::string Technique(DS_FX_Constructor* fx);
  static D3DXMATRIX Matrix(DS_FX_Constructor* fx, const char* name);
};

// An FX base record drawing with the probe.
pw::FXRecord ProbeFX(int32_t mode = 0);

}  // namespace fx_test
