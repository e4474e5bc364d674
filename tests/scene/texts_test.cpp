// Texts drawn from stored images: the records, the pass order of a static
// text with its shadow, one scrolling cycle, and the link's hooks.
#include <gtest/gtest.h>

#include <memory>

#include "core/smart_values.h"
#include "player/current_document.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "player/slide_render_context.h"
#include "player/timelines.h"
#include "platform/win32/windows.h"
#include "resources/builtin_resources.h"
#include "scene/texts.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/text_writer.h"

using namespace render_test;

namespace {

using namespace pw;

TEST(TextRecords, LinkReadsItsIndexTheTextFieldsAndTheStaticObject) {
  TextLinkRecord r;
  r.slideIndex = 7;
  r.base.text = u"Hello";
  r.base.face = u"Mono";
  r.base.size = 18;
  r.base.shadowEnabled = 1;
  r.base.shadowColour = 0x00112233;
  r.base.shadowTransparency = 20;
  r.base.shadowDistance = 6;
  r.base.shadowDirection = 90;
  r.base.transparencies[1] = 100;
  r.base.moreValues[1] = 99;
  r.base.base.rotationSpeed = 5;
  r.base.base.base.corners = {1, 2, 0, 1, 9, 0, 8, 2, 0, 8, 9, 0};
  ByteBuilder b;
  WriteTextLink(b, r);
  auto model = scene_test::ReadModel(b);
  auto* link = dynamic_cast<DS_TextLink*>(model.get());
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->slideIndex.value, 7u);
  EXPECT_EQ(link->text.value, u"Hello");
  EXPECT_EQ(link->face.value, u"Mono");
  EXPECT_EQ(link->size.value, 18u);
  EXPECT_EQ(link->shadowEnabled.value, 1);
  EXPECT_EQ(link->shadowColour.value, 0x00112233u);
  EXPECT_EQ(link->shadowColour.Alpha(), 204);  // 255 - 2.55 x 20
  EXPECT_EQ(link->shadowDistance.value, 6u);
  EXPECT_NEAR(link->shadowDirection.direction.x, 0.0f, 1e-6f);
  EXPECT_NEAR(link->shadowDirection.direction.y, 1.0f, 1e-6f);
  EXPECT_EQ(link->colours[1].Alpha(), 0);
  EXPECT_EQ(link->moreValues[1].value, 99u);
  EXPECT_EQ(link->rotationSpeed.value, 5u);
  EXPECT_EQ(link->quad.corners[3].value, D3DXVECTOR3(8, 9, 0));
  EXPECT_EQ(link->ClassName(), u"DS_TextLink");

  // Every class, every cut short: a clear error.
  RegisterEverything();
  for (const ByteBuilder& bytes : TextSampleRecords()) {
    EXPECT_NO_THROW(scene_test::ReadModel(bytes));
    for (size_t cut = 0; cut + 1 < bytes.size(); cut += 5) {
      MemoryArchive ar(bytes.bytes().data(), cut, true);
      EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
    }
  }
  ScrollingTexRecord s;
  s.direction = 3;
  ByteBuilder c;
  WriteScrollingTex(c, s);
  model = scene_test::ReadModel(c);
  auto* scroll = dynamic_cast<DS_ScrollingTex*>(model.get());
  ASSERT_NE(scroll, nullptr);
  EXPECT_EQ(scroll->direction.value, 3);
}

constexpr D3DCOLOR kGrey = kSlideGrey;  // the slide picture
constexpr D3DCOLOR kRed = 0xFFFF0000;
constexpr D3DCOLOR kBlue = 0xFF0000FF;

// A timeline with a cycle of fixed length, shown or hidden at will.
class CycleTimeline : public ZVI_Timing {
 public:
  float GetCycleLength() override { return length; }
  uint32_t GetState() override { return state; }
  float GetVisibility() override { return 1.0f; }
  float length = 2.0f;
};

class Texts : public SlideLightTest {
 protected:
  void SetUp() override {
    SlideLightTest::SetUp();
    RegisterBuiltInResources();
    DocResRecord r;
    // First image: red in its left half, clear elsewhere. Second: blue.
    r.rawFrames.push_back(
        {u"text.png", 3, {{1, Png(32, 32, [](int x, int) { return x < 16 ? kRed : 0x00000000u; }), 0.0f}}});
    r.rawFrames.push_back({u"back.png", 4, {{1, Png(32, 32, [](int, int) { return kBlue; }), 0.0f}}});
    // Two frames a twentieth of a second apart: red, then blue.
    r.rawFrames.push_back({u"frames.png",
                           5,
                           {{1, Png(32, 32, [](int, int) { return kRed; }), 0.05f},
                            {1, Png(32, 32, [](int, int) { return kBlue; }), 0.05f}}});
    StartSlide(r);
  }
  static void Link(ClassicParticleParams& block, const char16_t* name, int64_t id) {
    block.particleImage.value.links.push_back(DS_ImageFileLink(DS_FileLink3()));
    block.particleImage.value.links.back().name = name;
    block.particleImage.value.links.back().id = id;
  }
  // A 32 x 32 quad at (16, 16), white vertices.
  static void Place(DS_StaticText& text, bool withSecond) {
    text.quad.SetCentredRect(32.0f, 32.0f, D3DXVECTOR3(32.0f, 32.0f, 0.0f));
    text.params.colors.colours.value = {0x00FFFFFFu};
    Link(text.params, u"text.png", 3);
    if (withSecond) Link(text.params, u"back.png", 4);
  }
};

TEST_F(Texts, SecondImageThenShadowThenFirstImage) {
  struct Case {
    bool second;
    D3DCOLOR right;  // beyond the shadow, inside the quad
  };
  for (const Case& c : {Case{true, kBlue}, Case{false, kGrey}}) {
    DS_StaticText text;
    Place(text, c.second);
    text.shadowEnabled.value = 1;
    text.shadowColour.value = 0x00000000;
    text.shadowDistance.value = 8;  // a quarter of the 32-texel image, to the right
    objects_.clear();
    objects_.push_back(DS_SafePtr<DS_ABObj>(text.CreateRuntime()));
    objects_.back()->Update(0.0f);
    Pixels px = Frame();
    EXPECT_TRUE(Near(px.at(20, 32), kRed, 6)) << std::hex << px.at(20, 32);
    EXPECT_TRUE(Near(px.at(29, 32), kRed, 6)) << std::hex << px.at(29, 32);  // over its shadow
    EXPECT_TRUE(Near(px.at(36, 32), 0xFF000000, 6)) << std::hex << px.at(36, 32);
    EXPECT_TRUE(Near(px.at(44, 32), c.right, 6)) << std::hex << px.at(44, 32);
    EXPECT_TRUE(Near(px.at(8, 8), kGrey)) << std::hex << px.at(8, 8);
  }
}

TEST_F(Texts, ShadowDistanceZeroLiesUnderTheText) {
  DS_StaticText text;
  Place(text, false);
  text.shadowEnabled.value = 1;
  text.shadowColour.value = 0x00000000;
  objects_.push_back(DS_SafePtr<DS_ABObj>(text.CreateRuntime()));
  objects_.back()->Update(0.0f);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(20, 32), kRed, 6)) << std::hex << px.at(20, 32);
  EXPECT_TRUE(Near(px.at(36, 32), kGrey, 6)) << std::hex << px.at(36, 32);
}

TEST_F(Texts, ScrollingTextCrossesOnceInOneCycle) {
  struct Case {
    int32_t direction;
    float start, end;
  };
  // The quad is 32 high and wide over a 32-texel image: extent 1.
  for (const Case& c : {Case{0, 1.0f, -1.0f}, Case{1, -1.0f, 1.0f}, Case{3, -1.0f, 1.0f}, Case{4, 0.0f, 0.0f}}) {
    DS_ScrollingTex model;
    Place(model, false);
    model.direction.value = c.direction;
    model.systemSpeed.SetValue(100u);
    std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
    auto* text = static_cast<DS_ScrollingTex*>(static_cast<ZVI_ParticleSystemMech*>(runtime.get())->system);
    auto* cycle = new CycleTimeline();
    text->timing.SetCurrentTimeline(cycle);
    EXPECT_FLOAT_EQ(text->extent, 1.0f) << c.direction;
    EXPECT_FLOAT_EQ(text->offset, c.start) << c.direction;
    for (int k = 0; k <= 20; ++k) text->UpdateParticles(0.1f * static_cast<float>(k));
    EXPECT_NEAR(text->offset, c.end, 1e-4f) << c.direction;
    // Hidden: back at the start.
    cycle->state = kTimelineHidden;
    text->UpdateParticles(2.1f);
    EXPECT_FLOAT_EQ(text->offset, c.start) << c.direction;
  }
}

TEST_F(Texts, ScrollingTextHalfWayShowsHalfTheImage) {
  DS_ScrollingTex model;
  Place(model, false);
  model.direction.value = 2;  // leftwards
  model.systemSpeed.SetValue(100u);
  objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
  auto* text = static_cast<DS_ScrollingTex*>(static_cast<ZVI_ParticleSystemMech*>(objects_.back().get())->system);
  text->timing.SetCurrentTimeline(new CycleTimeline());
  // Offset 1 -> 0.5 after a quarter cycle: the red half starts at the middle.
  for (int k = 0; k <= 5; ++k) text->UpdateParticles(0.1f * static_cast<float>(k));
  ASSERT_NEAR(text->offset, 0.5f, 1e-4f);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(24, 32), kGrey, 6)) << std::hex << px.at(24, 32);
  EXPECT_TRUE(Near(px.at(36, 32), kRed, 6)) << std::hex << px.at(36, 32);
}

// A scrolling text moves its image and never turns its frames, however fast
// the block's frame clock runs.
TEST_F(Texts, ScrollingTextKeepsItsFirstFrame) {
  DS_ScrollingTex model;
  model.quad.SetCentredRect(32.0f, 32.0f, D3DXVECTOR3(32.0f, 32.0f, 0.0f));
  model.params.colors.colours.value = {0x00FFFFFFu};
  Link(model.params, u"frames.png", 5);
  model.params.frameSpeed.SetValue(100u);
  model.direction.value = 4;  // no scrolling: the image stays in place
  objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
  auto* text = static_cast<DS_ScrollingTex*>(static_cast<ZVI_ParticleSystemMech*>(objects_.back().get())->system);
  text->timing.SetCurrentTimeline(new CycleTimeline());
  ASSERT_EQ(text->params.FirstImage()->textures.size(), 2u);
  for (int k = 0; k <= 6; ++k) text->UpdateParticles(0.03f * static_cast<float>(k));
  EXPECT_EQ(text->params.FirstImage()->frameIndex, 0);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 32), kRed, 6)) << std::hex << px.at(32, 32);
}

// ---- links

TEST(TextLinkHooks, HitTestThroughTheWindowMatricesEdgesInclusive) {
  DS_TextLink link;
  link.quad.corners[0].value = D3DXVECTOR3(10, 20, 0);
  link.quad.corners[3].value = D3DXVECTOR3(30, 40, 0);
  // Client x lands at scene x - 100; client y at scene y / 2.
  SetHitTestMatricesSource([](D3DXMATRIX* inverseView, D3DXMATRIX* spare) {
    D3DXMatrixTranslation(inverseView, -100.0f, 0.0f, 0.0f);
    D3DXMatrixScaling(spare, 1.0f, 0.5f, 1.0f);
  });
  struct Case {
    int x, y;
    bool hit;
  };
  for (const Case& c : {Case{110, 40, true}, Case{130, 80, true}, Case{109, 60, false}, Case{131, 60, false},
                        Case{120, 39, false}, Case{120, 81, false}, Case{20, 60, false}})
    EXPECT_EQ(link.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
  SetHitTestMatricesSource(nullptr);
}

TEST(TextLinkHooks, HandWhileLiveAndClicksJump) {
  auto* show = new DS_SlideShow_Light();
  for (int s = 0; s < 3; ++s) show->slides.push_back(DS_SafePtr<DS_SlideContainer>(new DS_SlideContainer()));
  show->currentSlide = show->slides[0];
  SetCurrentDocument(show);
  DS_TextLink link;
  link.quad.corners[0].value = D3DXVECTOR3(0, 0, 0);
  link.quad.corners[3].value = D3DXVECTOR3(10, 10, 0);
  link.slideIndex.value = 2;
  auto* timeline = new CycleTimeline();
  link.timing.SetCurrentTimeline(timeline);
  HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));

  // Hidden: no hand, no jump, even inside.
  timeline->state = kTimelineHidden;
  EXPECT_EQ(link.MouseOver(5, 5), 0);
  link.Click(5, 5);
  EXPECT_EQ(show->currentSlide.get(), show->slides[0].get());
  EXPECT_NE(GetCursor(), hand);
  // Appearing and shown are live.
  for (uint32_t state : {kTimelineAppearing, kTimelineShown}) {
    timeline->state = state;
    EXPECT_EQ(link.MouseOver(20, 5), 0);
    EXPECT_EQ(link.MouseOver(10, 10), 1) << state;
    EXPECT_EQ(GetCursor(), hand);
  }
  link.Click(20, 5);
  EXPECT_EQ(show->currentSlide.get(), show->slides[0].get());
  link.Click(3, 3);
  EXPECT_EQ(show->currentSlide.get(), show->slides[2].get());
  // An index beyond the slides: the hand, never a jump.
  link.slideIndex.value = 3;
  EXPECT_EQ(link.MouseOver(3, 3), 1);
  link.Click(3, 3);
  EXPECT_EQ(show->currentSlide.get(), show->slides[2].get());
  SetCurrentDocument(nullptr);
  delete show;
}

}  // namespace
