// The flat and 3-D texts: their records and the 3-D text's mesh block, the
// flat text's layout, animation values and passes, the glyph motions and
// the lit glyphs.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"
#include "resources/builtin_resources.h"
#include "scene/text_objects.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/text_objects_writer.h"

using namespace render_test;

namespace {

using namespace pw;

constexpr D3DCOLOR kGrey = kSlideGrey;  // the slide picture
constexpr D3DCOLOR kBlue = 0xFF0000FF;

// A timeline whose state and visibility the test sets.
class SetTimeline : public ZVI_Timing {
 public:
  float GetVisibility() override { return shownPart; }
  uint32_t GetState() override { return shownState; }
  uint32_t shownState = kTimelineShown;
  float shownPart = 1.0f;
};

void AddLink(DS_NamedFileLink& block, const char16_t* name, int64_t id) {
  block.value.links.push_back(DS_ImageFileLink(DS_FileLink3()));
  block.value.links.back().name = name;
  block.value.links.back().id = id;
}

// ---- records

class TextObjectRecords : public RenderTest {};

TEST_F(TextObjectRecords, FlatTextReadsEveryField) {
  FlatTextRecord r;
  r.effectName = u"fx.bin";
  r.effectId = 77;
  r.corners = {1, 2, 0, 1, 9, 0, 8, 2, 0, 8, 9, 0};
  r.shadow = {1, 0x00112233, 20, 6};
  r.shadowDirection = 90;
  r.textImages.links = {{u"a.png", 1}, {u"b.png", 2}, {u"c.png", 3}};
  r.fillEnabled = 1;
  r.fillImage.links = {{u"fill.png", 4}};
  r.fillScale = 3;
  r.speed = 50;
  r.keptPercent2 = 40;
  r.appearEffect = 4;
  r.disappearEffect = 7;
  RandomTimeLineRecord timeline;
  timeline.minShown = 300;
  WriteRandomTimeLine(r.timeline, timeline);
  r.base.text.text = u"Hello";
  r.base.text.font.face = u"Mono";
  r.base.text.font.colour = 0x000000FF;
  r.base.text.font.transparency = 50;
  r.base.text.horizontalAlignment = 2;
  r.base.text.verticalAlignment = 1;
  r.base.base.name = u"flat";
  ByteBuilder b;
  WriteFlatText(b, r);
  auto model = scene_test::ReadModel(b);
  auto* text = dynamic_cast<ZVI_2DTex*>(model.get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->effectLink.name, u"fx.bin");
  EXPECT_EQ(text->effectLink.id, 77);
  EXPECT_EQ(text->quad.corners[3].value, D3DXVECTOR3(8, 9, 0));
  EXPECT_EQ(text->shadow.mode.value, 1);
  EXPECT_EQ(text->shadow.colour.value, 0x00112233u);
  EXPECT_EQ(text->shadow.transparency.derived, 204);  // 255 - 2.55 x 20
  EXPECT_EQ(text->shadow.amount.value, 6u);
  EXPECT_NEAR(text->shadowDirection.direction.y, 1.0f, 1e-6f);
  ASSERT_EQ(text->textImages.value.links.size(), 3u);
  EXPECT_EQ(text->textImages.value.links[2].name, u"c.png");
  EXPECT_EQ(text->fillEnabled.value, 1);
  ASSERT_EQ(text->fillImage.value.links.size(), 1u);
  EXPECT_FLOAT_EQ(text->fillScale.derived, 3.0f);
  EXPECT_FLOAT_EQ(text->speed.derived, 0.5f);
  EXPECT_FLOAT_EQ(text->keptPercent2.derived, 0.4f);
  EXPECT_EQ(text->appearEffect.value, 4);
  EXPECT_EQ(text->disappearEffect.value, 7);
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(text->storedTimeline.get());
  ASSERT_NE(random, nullptr);
  EXPECT_EQ(random->minShown.value, 300u);
  EXPECT_EQ(text->text.text.value, u"Hello");
  EXPECT_EQ(text->text.font.face.value, u"Mono");
  EXPECT_EQ(text->text.font.colour.value, 0x000000FFu);
  EXPECT_EQ(text->text.font.transparency.derived, 127);
  EXPECT_EQ(text->text.horizontal_alignment.value, 2);
  EXPECT_EQ(text->text.vertical_alignment.value, 1);
  EXPECT_EQ(text->name, u"flat");
}

TEST_F(TextObjectRecords, TextBlockVersionOneHasNoThirdInteger) {
  // The font block's colour starts black.
  EXPECT_EQ(TextFontParams().colour.value, 0u);
  for (uint32_t version : {1u, 2u}) {
    FlatTextRecord r;
    r.base.text.version = version;
    r.base.text.layoutOption = 7;
    r.base.text.horizontalAlignment = 1;
    ByteBuilder b;
    WriteFlatText(b, r);
    auto model = scene_test::ReadModel(b);  // every byte used
    auto* text = dynamic_cast<ZVI_2DTex*>(model.get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text.layout_option.value, version == 2 ? 7 : 0);
    EXPECT_EQ(text->text.horizontal_alignment.value, 1);
  }
}

SolidTextRecord OneGlyphText() {
  SolidTextRecord r;
  r.mesh = GlyphQuadMesh({{0, 0, 1, 1}});
  r.textQuad = {0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0};
  r.glyphQuads = {{0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0}};
  r.base.text.font.size = 20;
  r.position[0] = 32;
  r.position[1] = 32;
  return r;
}

TEST_F(TextObjectRecords, SolidTextVersionsAndScaledValues) {
  SolidTextRecord r = OneGlyphText();
  r.depth = 250;
  r.storedInteger = 9;
  r.ambient = 40;
  r.lightAngle1 = 30;
  r.rotationAxis = 1;
  r.rotationKind = 3;
  r.rotationAmplitude = 15;
  r.rotationSpeed = 50;
  r.glyphAnimation = 4;
  r.repeatMode = 1;
  r.glyphAmplitude = 70;
  r.glyphSpeed = 200;
  r.glyphDelay = 250;
  r.period = 10;
  r.arcAngle = 45;
  r.arcSide = 1;
  for (int32_t version : {1, 2}) {
    SCOPED_TRACE(version);
    r.version = version;
    ByteBuilder b;
    WriteSolidText(b, r);
    auto model = scene_test::ReadModel(b);  // every byte used
    auto* text = dynamic_cast<ZVI_3DTex*>(model.get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->position.value, D3DXVECTOR3(32, 32, 0));
    EXPECT_FLOAT_EQ(text->depth.derived, 250 * 0.004f + 0.001f);
    EXPECT_EQ(text->storedInteger, 1);  // ignored on reading
    EXPECT_EQ(text->ambient.value, 40u);
    EXPECT_EQ(text->lightAngle1.value, 30u);
    EXPECT_EQ(text->rotationAxis.value, 1);
    EXPECT_EQ(text->rotationKind.value, 3);
    EXPECT_FLOAT_EQ(text->rotationAmplitude.derived, 15.0f);
    EXPECT_FLOAT_EQ(text->rotationSpeed.derived, 0.5f);
    EXPECT_EQ(text->glyphAnimation.value, 4);
    EXPECT_EQ(text->glyphAmplitude.value, 70u);
    EXPECT_FLOAT_EQ(text->glyphSpeed.derived, 2.0f);
    EXPECT_FLOAT_EQ(text->glyphDelay.derived, 0.25f);
    EXPECT_FLOAT_EQ(text->period.derived, 2.0f);
    ASSERT_NE(text->mesh.Get(), nullptr);
    EXPECT_EQ(text->mesh->GetNumFaces(), 2u);
    EXPECT_EQ(text->glyphQuads.size(), 1u);
    EXPECT_EQ(text->glyphMatrices.size(), 1u);
    EXPECT_EQ(text->textQuad.corners[3].value, D3DXVECTOR3(1, 1, 0));
    // Version 1 has no arc fields: drawn straight.
    EXPECT_FLOAT_EQ(text->arcAngle.derived, version == 2 ? 45.0f : 0.0f);
    EXPECT_EQ(text->arcSide.value, version == 2 ? 1 : 0);
    EXPECT_EQ(text->text.font.size.value, 20u);
  }
}

TEST_F(TextObjectRecords, EveryRecordCutShortIsAClearError) {
  RegisterEverything();
  for (const ByteBuilder& bytes : TextObjectSampleRecords()) {
    EXPECT_NO_THROW(scene_test::ReadModel(bytes));
    for (size_t cut = 0; cut + 1 < bytes.size(); cut += 7) {
      MemoryArchive ar(bytes.bytes().data(), cut, true);
      EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
    }
  }
}

// The mesh block: refused blocks draw nothing, and the bytes they announce
// are still consumed, as far as the data goes.
TEST_F(TextObjectRecords, DamagedMeshBlocksAreRefusedAndConsumed) {
  const TextMeshRecord good = GlyphQuadMesh({{0, 0, 1, 1}});  // 2 faces, 4 vertices of 24 bytes
  struct Case {
    const char* what;
    int32_t faces, vertices, options, fvf, stride;
    size_t payload;  // bytes the block announces
    bool mesh;
  };
  const Case cases[] = {
      {"whole", 2, 4, 0x110, 0x012, 24, 96 + 12 + 8, true},
      {"with diffuse and uv", 2, 4, 0x110, 0x152, 36, 144 + 12 + 8, true},
      {"negative faces", -2, 4, 0x110, 0x012, 24, 96, false},
      {"negative vertices", 2, -4, 0x110, 0x012, 24, 12 + 8, false},
      {"vertex size not the format's", 2, 4, 0x110, 0x012, 28, 112 + 12 + 8, false},
      {"32-bit indices", 2, 4, 0x111, 0x012, 24, 96 + 12 + 8, false},
      {"nine coordinate sets", 2, 4, 0x110, 0x912, 24, 96 + 12 + 8, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ByteBuilder b;
    b.I32(c.faces).I32(c.vertices).I32(c.options).I32(c.fvf).I32(c.stride);
    std::vector<uint8_t> payload(c.payload, 0);
    // Indices 0..3 stay in range; the whole-mesh cases take the real bytes.
    if (c.mesh && c.stride == 24) payload = good.bytes;
    b.Raw(payload);
    b.U32(0xABCD1234u);
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    ComPtr<ID3DXMesh> mesh = ReadTextMesh(ar, dev_);
    EXPECT_EQ(mesh.Get() != nullptr, c.mesh);
    uint32_t marker = 0;
    ar.ReadUInt(&marker);
    EXPECT_EQ(marker, 0xABCD1234u);
  }
  // Counts beyond the data: refused, what is left consumed, no throw.
  for (int32_t vertices : {100000, 0x7FFFFFFF}) {
    ByteBuilder b;
    b.I32(2).I32(vertices).I32(0x110).I32(0x012).I32(24).Raw(good.bytes);
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    EXPECT_EQ(ReadTextMesh(ar, dev_).Get(), nullptr);
    EXPECT_EQ(ar.Remaining(), 0u);
  }
  // An index past the vertices.
  TextMeshRecord bad = good;
  bad.bytes[96] = 9;
  ByteBuilder b;
  WriteTextMesh(b, bad);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  EXPECT_EQ(ReadTextMesh(ar, dev_).Get(), nullptr);
  EXPECT_EQ(ar.Remaining(), 0u);
}

// ---- the flat text

class FlatText : public SlideLightTest {
 protected:
  void SetUp() override {
    SlideLightTest::SetUp();
    RegisterBuiltInResources();
    DocResRecord r;
    // The text: opaque white in its left half, clear elsewhere.
    r.rawFrames.push_back(
        {u"text.png", 3, {{1, Png(32, 32, [](int x, int) { return x < 16 ? 0xFFFFFFFFu : 0x00000000u; }), 0.0f}}});
    r.rawFrames.push_back({u"clear.png", 4, {{1, Png(32, 32, [](int, int) { return 0x00000000u; }), 0.0f}}});
    r.rawFrames.push_back({u"back.png", 5, {{1, Png(32, 32, [](int, int) { return kBlue; }), 0.0f}}});
    r.rawFrames.push_back({u"green.png", 7, {{1, Png(8, 8, [](int, int) { return 0xFF00FF00u; }), 0.0f}}});
    r.rawFrames.push_back({u"wide.png", 6, {{1, Png(300, 20, [](int, int) { return 0xFFFFFFFFu; }), 0.0f}}});
    StartSlide(r);
  }
  // A red text over a 32 x 32 quad at (16, 16) with n of its three images.
  static void Place(ZVI_2DTex& text, size_t n) {
    text.quad.SetCentredRect(32.0f, 32.0f, D3DXVECTOR3(32.0f, 32.0f, 0.0f));
    text.text.font.colour.value = 0x000000FF;
    const std::pair<const char16_t*, int64_t> links[] = {{u"text.png", 3}, {u"clear.png", 4}, {u"back.png", 5}};
    for (size_t i = 0; i < n; ++i) AddLink(text.textImages, links[i].first, links[i].second);
  }
  // The runtime's clone, on a timeline the test sets.
  ZVI_2DTex* Run(ZVI_2DTex& model, SetTimeline** timeline) {
    objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
    auto* clone = static_cast<ZVI_2DTex*>(static_cast<ZVI_TextObj*>(objects_.back().get())->textModel);
    *timeline = new SetTimeline();
    clone->timing.SetCurrentTimeline(*timeline);
    objects_.back()->Update(0.0f);
    return clone;
  }
};

TEST_F(FlatText, CentredLayoutOfANarrowQuadOverAWideImage) {
  // 300 texels of a 512-wide texture in a quad 200 units wide.
  ZVI_2DTex model;
  model.quad.SetCentredRect(200.0f, 20.0f, D3DXVECTOR3(100.0f, 10.0f, 0.0f));
  model.text.horizontal_alignment.value = 1;
  AddLink(model.textImages, u"wide.png", 6);
  std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
  auto* text = static_cast<ZVI_2DTex*>(static_cast<ZVI_TextObj*>(runtime.get())->textModel);
  ASSERT_EQ(text->images.size(), 1u);
  EXPECT_EQ(text->images[0].textureWidth, 512u);
  EXPECT_EQ(text->uStart, 0.09765625f);
  DX_V::PT* v = text->textGrid.LockVertices();
  ASSERT_NE(v, nullptr);
  float lo = 1e9f, hi = -1e9f;
  for (int i = 0; i < 4; ++i) {
    lo = std::min(lo, v[i].u);
    hi = std::max(hi, v[i].u);
    // The left corners take the start, the right ones start + extent.
    EXPECT_EQ(v[i].u, v[i].x < 100.0f ? 0.09765625f : 0.48828125f) << i;
  }
  text->textGrid.Unlock();
  EXPECT_EQ(lo, 0.09765625f);
  EXPECT_EQ(hi, 0.48828125f);
}

TEST_F(FlatText, AppearAndDisappearRanges) {
  ZVI_2DTex model;
  model.quad.SetCentredRect(200.0f, 20.0f, D3DXVECTOR3(100.0f, 10.0f, 0.0f));
  model.text.horizontal_alignment.value = 1;
  AddLink(model.textImages, u"wide.png", 6);
  const float us = 300.0f / 512.0f, vs = 20.0f / 32.0f;
  const float a = 200.0f / 512.0f, e = 0.09765625f, c = 20.0f / 32.0f, f = 0.0f;
  struct Case {
    int32_t effect;
    FlatTextValues appear, disappear;  // at visibility 0
  };
  const Case cases[] = {
      {0, {1, {0, 0}, {0, 0}}, {1, {0, 0}, {0, 0}}},
      {1, {0, {0, 0}, {0, 0}}, {0, {0, 0}, {0, 0}}},
      {2, {1, {e - us, 0}, {0, 0}}, {1, {a + e, 0}, {0, 0}}},
      {3, {1, {a + e, 0}, {0, 0}}, {1, {e - us, 0}, {0, 0}}},
      {4, {1, {0, f + c}, {0, 0}}, {1, {0, f - vs}, {0, 0}}},
      {5, {1, {0, f - vs}, {0, 0}}, {1, {0, f + c}, {0, 0}}},
      {6, {1, {0, 0}, {0, 1}}, {1, {0, 0}, {0, 1}}},
      {7, {1, {0, 0}, {1, 0}}, {1, {0, 0}, {1, 0}}},
      {8, {1, {0, 0}, {1, 1}}, {1, {0, 0}, {1, 1}}},
      {9, {1, {0, 0}, {0, 0}}, {1, {0, 0}, {0, 0}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.effect);
    model.appearEffect.value = k.effect;
    model.disappearEffect.value = k.effect;
    std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
    auto* text = static_cast<ZVI_2DTex*>(static_cast<ZVI_TextObj*>(runtime.get())->textModel);
    for (uint32_t state : {kTimelineAppearing, kTimelineDisappearing}) {
      const FlatTextValues& want = state == kTimelineAppearing ? k.appear : k.disappear;
      const FlatTextValues got = text->CurrentValues(state, 0.0f);
      EXPECT_FLOAT_EQ(got.alpha, want.alpha) << state;
      EXPECT_FLOAT_EQ(got.offset.x, want.offset.x) << state;
      EXPECT_FLOAT_EQ(got.offset.y, want.offset.y) << state;
      EXPECT_FLOAT_EQ(got.fade.x, want.fade.x) << state;
      EXPECT_FLOAT_EQ(got.fade.y, want.fade.y) << state;
      // Fully visible: every animation at rest.
      const FlatTextValues end = text->CurrentValues(state, 1.0f);
      EXPECT_EQ(end.alpha, 1.0f);
      EXPECT_EQ(end.offset, D3DXVECTOR2(0, 0));
      EXPECT_EQ(end.fade, D3DXVECTOR2(0, 0));
    }
    // Shown or hidden: no animation.
    EXPECT_EQ(text->CurrentValues(kTimelineShown, 0.0f).alpha, 1.0f);
  }
}

TEST_F(FlatText, BackgroundWhileHiddenTextFadingInOverIt) {
  ZVI_2DTex model;
  Place(model, 3);
  model.appearEffect.value = 1;
  SetTimeline* timeline = nullptr;
  ZVI_2DTex* text = Run(model, &timeline);
  ASSERT_NE(text->effect.Get(), nullptr);

  Pixels shown = Frame();
  EXPECT_TRUE(Near(shown.at(20, 32), 0xFFFF0000)) << std::hex << shown.at(20, 32);  // the text
  EXPECT_TRUE(Near(shown.at(40, 32), kBlue)) << std::hex << shown.at(40, 32);        // image 2 beside it
  EXPECT_TRUE(Near(shown.at(8, 8), kGrey)) << std::hex << shown.at(8, 8);

  timeline->shownState = kTimelineHidden;
  Pixels hidden = Frame();
  EXPECT_TRUE(Near(hidden.at(20, 32), kBlue)) << std::hex << hidden.at(20, 32);
  EXPECT_TRUE(Near(hidden.at(40, 32), kBlue)) << std::hex << hidden.at(40, 32);

  timeline->shownState = kTimelineAppearing;
  timeline->shownPart = 0.25f;
  Pixels appearing = Frame();
  float fadeAlpha = 0.0f;
  text->effect->GetFloat("Fade_Alpha", &fadeAlpha);
  EXPECT_EQ(fadeAlpha, 0.25f);
  EXPECT_TRUE(Near(appearing.at(20, 32), 0xFF4000BF)) << std::hex << appearing.at(20, 32);
}

TEST_F(FlatText, ShadowBesideTheTextAndMissingImages) {
  struct Case {
    size_t images;
    bool shadow;
    D3DCOLOR text, beside, farther;  // at x = 20, 36, 44
  };
  // The shadow moves 8 texels (8 units) to the right: under the text's
  // clear half from x = 24 to 40.
  const Case cases[] = {
      {3, true, 0xFFFF0000, 0xFF000000, kBlue},
      {3, false, 0xFFFF0000, kBlue, kBlue},
      {1, true, 0xFFFF0000, 0xFF000000, kGrey},  // no background pass
      {0, true, kGrey, kGrey, kGrey},            // no text image: nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.images * 2 + c.shadow);
    ZVI_2DTex model;
    Place(model, c.images);
    if (c.shadow) model.shadow.mode.value = 1;
    model.shadow.colour.value = 0x00000000;
    model.shadow.amount.value = 8;
    model.shadowDirection.SetValue(0u);
    objects_.clear();
    SetTimeline* timeline = nullptr;
    Run(model, &timeline);
    Pixels px = Frame();
    EXPECT_TRUE(Near(px.at(20, 32), c.text)) << std::hex << px.at(20, 32);
    EXPECT_TRUE(Near(px.at(36, 32), c.beside)) << std::hex << px.at(36, 32);
    EXPECT_TRUE(Near(px.at(44, 32), c.farther)) << std::hex << px.at(44, 32);
  }
}

TEST_F(FlatText, PictureFillAndTheWipeFromTheCentre) {
  ZVI_2DTex model;
  Place(model, 3);
  model.fillEnabled.value = 1;
  AddLink(model.fillImage, u"green.png", 7);
  SetTimeline* timeline = nullptr;
  ZVI_2DTex* text = Run(model, &timeline);
  ASSERT_EQ(text->fill.textures.size(), 1u);
  Pixels filled = Frame();
  EXPECT_TRUE(Near(filled.at(20, 32), 0xFF00FF00)) << std::hex << filled.at(20, 32);
  EXPECT_TRUE(Near(filled.at(40, 32), kBlue)) << std::hex << filled.at(40, 32);

  // Appear effect 7 half way: the text shows within a quarter of its width
  // of the centre (x 24 to 40).
  objects_.clear();
  model.fillEnabled.value = 0;
  model.appearEffect.value = 7;
  text = Run(model, &timeline);
  timeline->shownState = kTimelineAppearing;
  timeline->shownPart = 0.5f;
  Pixels wiped = Frame();
  EXPECT_TRUE(Near(wiped.at(20, 32), kBlue)) << std::hex << wiped.at(20, 32);
  EXPECT_TRUE(Near(wiped.at(28, 32), 0xFFFF0000)) << std::hex << wiped.at(28, 32);
}

// ---- the 3-D text

std::unique_ptr<ZVI_3DTex> ReadSolid(const SolidTextRecord& r) {
  ByteBuilder b;
  WriteSolidText(b, r);
  auto model = scene_test::ReadModel(b);
  return std::unique_ptr<ZVI_3DTex>(dynamic_cast<ZVI_3DTex*>(model.release()));
}

class SolidText : public SlideLightTest {};

TEST_F(SolidText, BaseMatrixPutsTheTextCentreAtThePosition) {
  SolidTextRecord r = OneGlyphText();
  r.textQuad = {2, 4, 0, 2, 10, 0, 8, 4, 0, 8, 10, 0};
  r.position[2] = 5;
  auto text = ReadSolid(r);
  ASSERT_NE(text, nullptr);
  text->UpdateBaseMatrix();
  D3DXVECTOR3 centre(5, 7, 0), out;
  D3DXVec3TransformCoord(&out, &centre, &text->baseMatrix);
  EXPECT_NEAR(out.x, 32.0f, 1e-4f);
  EXPECT_NEAR(out.y, 32.0f, 1e-4f);
  EXPECT_NEAR(out.z, 5.0f, 1e-4f);
  // Mesh y up becomes scene y down, by the font size.
  D3DXVECTOR3 above(5, 8, 0);
  D3DXVec3TransformCoord(&out, &above, &text->baseMatrix);
  EXPECT_NEAR(out.y, 12.0f, 1e-4f);
}

TEST_F(SolidText, JumpLiftsAGlyphAtPhaseZeroByTwentyUnits) {
  // Glyph animation 1, amplitude 50, text height 40.
  SolidTextRecord r = OneGlyphText();
  r.textQuad = {0, 0, 0, 0, 40, 0, 10, 0, 0, 10, 40, 0};
  r.glyphAnimation = 1;
  r.glyphAmplitude = 50;
  auto text = ReadSolid(r);
  ASSERT_NE(text, nullptr);
  text->glyphClock.previous = 3.0f;
  text->glyphClock.total = 0.5f;  // frac 0.5: phase 0
  text->UpdateGlyphs(3.0f);
  EXPECT_FLOAT_EQ(text->GlyphPhase(0), 0.0f);
  EXPECT_FLOAT_EQ(text->glyphMatrices[0]._42, 20.0f);
  EXPECT_FLOAT_EQ(text->glyphMatrices[0]._41, 0.0f);
  // Three quarters through: phase -0.5, lifted by 15.
  text->glyphClock.total = 0.75f;
  text->UpdateGlyphs(3.0f);
  EXPECT_FLOAT_EQ(text->glyphMatrices[0]._42, 15.0f);
}

TEST_F(SolidText, RepeatWithPeriodZeroKeepsEveryGlyphAtRest) {
  SolidTextRecord r = OneGlyphText();
  r.repeatMode = 1;
  r.period = 0;
  r.glyphAmplitude = 50;
  r.glyphDelay = 100;
  r.mesh = GlyphQuadMesh({{0, 0, 1, 1}, {1, 0, 2, 1}});
  r.glyphQuads.push_back({1, 0, 0, 1, 1, 0, 2, 0, 0, 2, 1, 0});
  for (int32_t animation = 1; animation <= 6; ++animation) {
    SCOPED_TRACE(animation);
    r.glyphAnimation = animation;
    auto text = ReadSolid(r);
    ASSERT_NE(text, nullptr);
    for (float t = 0.0f; t < 2.0f; t += 0.15f) text->UpdateGlyphs(t);
    EXPECT_GT(text->glyphClock.total, 1.0f);
    for (size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(text->GlyphPhase(i), 1.0f);
      for (int k = 0; k < 16; ++k)
        EXPECT_NEAR(text->glyphMatrices[i].m[k / 4][k % 4], k % 5 == 0 ? 1.0f : 0.0f, 1e-4f) << i << " " << k;
    }
  }
  // Without the repeat, glyphs move and a later glyph trails (phase in (1, 3]
  // before it starts).
  r.repeatMode = 0;
  r.glyphAnimation = 1;
  auto text = ReadSolid(r);
  text->glyphClock.previous = 0.0f;
  text->glyphClock.total = 0.05f;
  EXPECT_FLOAT_EQ(text->GlyphPhase(0), 0.9f);
  EXPECT_FLOAT_EQ(text->GlyphPhase(1), 1.1f);
}

TEST_F(SolidText, ArcBendKeepsTheMiddleGlyphAndTurnsTheOthers) {
  SolidTextRecord r = OneGlyphText();
  r.mesh = GlyphQuadMesh({{0, 0, 1, 1}, {1, 0, 2, 1}, {2, 0, 3, 1}});
  r.textQuad = {0, 0, 0, 0, 1, 0, 3, 0, 0, 3, 1, 0};
  r.glyphQuads = {{0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0},
                  {1, 0, 0, 1, 1, 0, 2, 0, 0, 2, 1, 0},
                  {2, 0, 0, 2, 1, 0, 3, 0, 0, 3, 1, 0}};
  r.arcAngle = 90;
  for (int32_t side : {0, 1}) {
    SCOPED_TRACE(side);
    r.arcSide = side;
    auto text = ReadSolid(r);
    text->UpdateGlyphs(0.0f);
    for (int k = 0; k < 16; ++k)
      EXPECT_NEAR(text->glyphMatrices[1].m[k / 4][k % 4], k % 5 == 0 ? 1.0f : 0.0f, 1e-5f) << k;
    // The outer glyphs' centres move off the line, both the same way, and
    // lean in opposite directions.
    D3DXVECTOR3 left(0.5f, 0.5f, 0), right(2.5f, 0.5f, 0), l, rr;
    D3DXVec3TransformCoord(&l, &left, &text->glyphMatrices[0]);
    D3DXVec3TransformCoord(&rr, &right, &text->glyphMatrices[2]);
    EXPECT_NEAR(l.y, rr.y, 1e-4f);
    EXPECT_GT(std::fabs(l.y - 0.5f), 0.05f);
    EXPECT_NEAR(text->glyphMatrices[0]._12, -text->glyphMatrices[2]._12, 1e-5f);
    EXPECT_NEAR(l.x - 0.5f, -(rr.x - 2.5f), 1e-4f);
    // Side 0 bends the ends down the mesh's y, side 1 up.
    if (side == 0) {
      EXPECT_GT(l.y, 0.55f);
    } else {
      EXPECT_LT(l.y, 0.45f);
    }
  }
}

TEST_F(SolidText, RotationClockStopsAtSpeedZeroAndTimeResets) {
  SolidTextRecord r = OneGlyphText();
  r.rotationKind = 1;
  r.rotationAxis = 2;
  auto text = ReadSolid(r);
  text->UpdateBaseMatrix();
  for (int k = 0; k <= 10; ++k) text->UpdateTextMatrix(0.1f * static_cast<float>(k));
  EXPECT_NEAR(text->rotationClock.total, 1.0f, 1e-5f);
  // The pivot, the text centre, stays where it is.
  D3DXVECTOR3 centre(0.5f, 0.5f, -text->depth.derived / 2.0f), a, b;
  D3DXVec3TransformCoord(&a, &centre, &text->baseMatrix);
  D3DXVec3TransformCoord(&b, &centre, &text->textMatrix);
  EXPECT_NEAR(a.x, b.x, 1e-3f);
  EXPECT_NEAR(a.y, b.y, 1e-3f);
  text->rotationSpeed.SetValue(0u);
  text->UpdateTextMatrix(1.1f);
  EXPECT_EQ(text->rotationClock.total, 0.0f);
  EXPECT_EQ(text->rotationClock.previous, 0.0f);
  text->glyphClock.total = 4.0f;
  text->ResetTime();
  EXPECT_EQ(text->glyphClock.total, 0.0f);
}

TEST(SolidTextLight, DirectionFromTheTwoAngles) {
  ZVI_3DTex text;
  struct Case {
    uint32_t a1, a2;
    D3DXVECTOR3 want;
  };
  const float h = std::sqrt(0.75f);
  for (const Case& c : {Case{0, 90, {0, 1, 0}}, Case{90, 90, {0, 0, 1}}, Case{30, 90, {0, h, 0.5f}},
                        Case{0, 0, {1, 0, 0}}, Case{45, 0, {1, 0, 0}},
                        // 1 - x^2 - y^2 rounds below 0 here.
                        Case{0, 4, {std::cos(4 * D3DX_PI / 180), std::sin(4 * D3DX_PI / 180), 0}}}) {
    text.lightAngle1.value = c.a1;
    text.lightAngle2.value = c.a2;
    const D3DXVECTOR3 d = text.LightDirection();
    EXPECT_FALSE(std::isnan(d.z)) << c.a1 << " " << c.a2;
    EXPECT_GE(d.z, 0.0f);
    EXPECT_NEAR(d.x, c.want.x, 1e-4f) << c.a1 << " " << c.a2;
    EXPECT_NEAR(d.y, c.want.y, 1e-4f) << c.a1 << " " << c.a2;
    EXPECT_NEAR(d.z, c.want.z, 2e-3f) << c.a1 << " " << c.a2;
  }
}

class SolidTextPixels : public FlatText {};

// One glyph quad of 20 x 20 units at the picture's centre, lit by the
// directional light; a quad of subset 0 sits to its left.
TEST_F(SolidTextPixels, GlyphLitHeadOnShowsTheFontColourAndHalfAtSixtyDegrees) {
  SolidTextRecord r = OneGlyphText();
  const GlyphQuad subset0{-1, 0, 0, 1};
  r.mesh = GlyphQuadMesh({{0, 0, 1, 1}}, 0.0f, 1.0f, &subset0);
  r.base.text.font.colour = 0x002864C8;  // red 200, green 100, blue 40
  struct Case {
    uint32_t a1;
    D3DCOLOR want;
  };
  for (const Case& c : {Case{90, 0xFFC86428}, Case{30, 0xFF643214}}) {
    SCOPED_TRACE(c.a1);
    r.lightAngle1 = c.a1;
    r.lightAngle2 = 90;
    auto model = ReadSolid(r);
    ASSERT_NE(model, nullptr);
    ASSERT_NE(model->mesh.Get(), nullptr);
    objects_.clear();
    objects_.push_back(DS_SafePtr<DS_ABObj>(model->CreateRuntime()));
    objects_.back()->Update(0.0f);
    Pixels px = Frame();
    EXPECT_TRUE(Near(px.at(32, 32), c.want)) << std::hex << px.at(32, 32);
    EXPECT_TRUE(Near(px.at(24, 24), c.want)) << std::hex << px.at(24, 24);
    EXPECT_TRUE(Near(px.at(12, 32), kGrey)) << std::hex << px.at(12, 32);  // subset 0
    EXPECT_TRUE(Near(px.at(46, 32), kGrey)) << std::hex << px.at(46, 32);
    // The states the draw leaves.
    DWORD lighting = 1, zenable = 1, cull = 0;
    dev_->GetRenderState(D3DRS_LIGHTING, &lighting);
    dev_->GetRenderState(D3DRS_ZENABLE, &zenable);
    dev_->GetRenderState(D3DRS_CULLMODE, &cull);
    EXPECT_EQ(lighting, 0u);
    EXPECT_EQ(zenable, 0u);
    EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_NONE));
  }
}

}  // namespace

namespace {

// The mesh with a colour (XYZ|NORMAL|DIFFUSE) or texture coordinates
// (XYZ|NORMAL|TEX1) after each 24-byte vertex.
TextMeshRecord WithExtra(const TextMeshRecord& in, int32_t fvfBit, const std::vector<uint32_t>& extraWords) {
  TextMeshRecord out = in;
  out.fvf |= fvfBit;
  out.stride = 24 + static_cast<int32_t>(extraWords.size() * 4);
  const size_t v = static_cast<size_t>(in.vertices);
  out.bytes.clear();
  for (size_t i = 0; i < v; ++i) {
    out.bytes.insert(out.bytes.end(), in.bytes.begin() + static_cast<ptrdiff_t>(i * 24),
                     in.bytes.begin() + static_cast<ptrdiff_t>(i * 24 + 24));
    for (uint32_t w : extraWords)
      for (int k = 0; k < 4; ++k) out.bytes.push_back(static_cast<uint8_t>(w >> (8 * k)));
  }
  out.bytes.insert(out.bytes.end(), in.bytes.begin() + static_cast<ptrdiff_t>(v * 24), in.bytes.end());
  return out;
}

// Two meshes' glyph subsets in one: b's attributes follow a's.
TextMeshRecord Merge(const TextMeshRecord& a, const TextMeshRecord& b, uint32_t attributeShift) {
  TextMeshRecord out = a;
  const size_t va = static_cast<size_t>(a.vertices) * static_cast<size_t>(a.stride);
  const size_t vb = static_cast<size_t>(b.vertices) * static_cast<size_t>(b.stride);
  const size_t ia = static_cast<size_t>(a.faces) * 6, ib = static_cast<size_t>(b.faces) * 6;
  out.faces = a.faces + b.faces;
  out.vertices = a.vertices + b.vertices;
  std::vector<uint8_t> bytes(a.bytes.begin(), a.bytes.begin() + static_cast<ptrdiff_t>(va));
  bytes.insert(bytes.end(), b.bytes.begin(), b.bytes.begin() + static_cast<ptrdiff_t>(vb));
  bytes.insert(bytes.end(), a.bytes.begin() + static_cast<ptrdiff_t>(va),
               a.bytes.begin() + static_cast<ptrdiff_t>(va + ia));
  for (size_t k = 0; k < ib; k += 2) {
    uint16_t i = static_cast<uint16_t>(b.bytes[vb + k] | b.bytes[vb + k + 1] << 8);
    i = static_cast<uint16_t>(i + a.vertices);
    bytes.push_back(static_cast<uint8_t>(i));
    bytes.push_back(static_cast<uint8_t>(i >> 8));
  }
  bytes.insert(bytes.end(), a.bytes.begin() + static_cast<ptrdiff_t>(va + ia), a.bytes.end());
  for (size_t k = vb + ib; k < b.bytes.size(); k += 4) {
    const uint32_t attribute = b.bytes[k] + attributeShift;
    for (int s = 0; s < 4; ++s) bytes.push_back(static_cast<uint8_t>(s == 0 ? attribute : 0));
  }
  out.bytes = bytes;
  return out;
}

}  // namespace

// Texture coordinates change nothing (no texture is set); a vertex colour
// takes the material's place, as the fixed-function default has it; with a
// depth buffer the nearer glyph stays in front whatever the order.
TEST_F(SolidTextPixels, MeshFormatsAndTheDepthBuffer) {
  SolidTextRecord r = OneGlyphText();
  r.base.text.font.colour = 0x002864C8;
  const TextMeshRecord plain = GlyphQuadMesh({{0, 0, 1, 1}});
  struct Case {
    const char* what;
    TextMeshRecord mesh;
    D3DCOLOR want;
  };
  const Case cases[] = {
      {"tex1", WithExtra(plain, 0x100, {0, 0}), 0xFFC86428},
      {"diffuse", WithExtra(plain, 0x040, {0xFF00FF00u}), 0xFF00FF00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    r.mesh = c.mesh;
    auto model = ReadSolid(r);
    ASSERT_NE(model->mesh.Get(), nullptr);
    objects_.clear();
    objects_.push_back(DS_SafePtr<DS_ABObj>(model->CreateRuntime()));
    objects_.back()->Update(0.0f);
    Pixels px = Frame();
    EXPECT_TRUE(Near(px.at(32, 32), c.want)) << std::hex << px.at(32, 32);
  }

  // Glyph 1 green, nearer the camera (mesh z up to the flip's -z); glyph 2
  // red behind it, drawn after it.
  const TextMeshRecord nearGreen = WithExtra(GlyphQuadMesh({{0, 0, 1, 1}}, 0.5f), 0x040, {0xFF00FF00u});
  const TextMeshRecord farRed = WithExtra(GlyphQuadMesh({{0, 0, 1, 1}}, 0.0f), 0x040, {0xFFFF0000u});
  r.mesh = Merge(nearGreen, farRed, 1);
  r.glyphQuads.push_back(r.glyphQuads[0]);
  auto model = ReadSolid(r);
  ASSERT_NE(model->mesh.Get(), nullptr);
  objects_.clear();
  objects_.push_back(DS_SafePtr<DS_ABObj>(model->CreateRuntime()));
  objects_.back()->Update(0.0f);
  Pixels without = Frame();
  EXPECT_TRUE(Near(without.at(32, 32), 0xFFFF0000)) << std::hex << without.at(32, 32);
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(dev_->CreateDepthStencilSurface(kBack, kBack, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, nullptr),
            D3D_OK);
  dev_->SetDepthStencilSurface(depth);
  dev_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);  // the draw's own clear must undo this
  Pixels with = Frame();
  dev_->SetDepthStencilSurface(nullptr);
  depth->Release();
  EXPECT_TRUE(Near(with.at(32, 32), 0xFF00FF00)) << std::hex << with.at(32, 32);
  EXPECT_TRUE(Near(with.at(8, 8), kGrey)) << std::hex << with.at(8, 8);
}
