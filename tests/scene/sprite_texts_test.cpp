// Sprite texts: the record versions, the sprite the static text places,
// its GUID image on screen, the scrolling range and the link's hit test in
// picture pixels.
#include <gtest/gtest.h>

#include <memory>

#include "player/current_document.h"
#include "player/slide_container.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"
#include "player/timelines.h"
#include "resources/builtin_resources.h"
#include "scene/sprite_texts.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/text_writer.h"

using namespace render_test;

namespace {

using namespace pw;

constexpr GUID kTextGuid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(SpriteTextRecords, VersionsGuidAndLegacyTimeline) {
  scene_test::PictureDocument picture(200, 100);
  StaticTextConstructorRecord r;
  r.text = u"Hi";
  r.fontSize = 12;
  r.face = u"Mono";
  r.guid = kTextGuid;
  r.imageName = u"hi.png";
  r.imageFlag = 0;
  r.base.x = 50;
  r.base.y = 60;
  r.base.width = 5;
  r.base.height = 8;
  ByteBuilder b;
  WriteStaticTextConstructor(b, r);
  auto model = scene_test::ReadModel(b);
  auto* text = dynamic_cast<DS_StaticTextConstructor*>(model.get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text.value, u"Hi");
  EXPECT_EQ(text->font.value.size, 12);
  EXPECT_EQ(text->font.value.weight, 700u);
  EXPECT_EQ(text->font.value.face, u"Mono");
  EXPECT_TRUE(text->imageGuid == kTextGuid);
  EXPECT_EQ(text->imageName, u"hi.png");
  EXPECT_EQ(text->imageFlag, 0);
  EXPECT_EQ(text->position.value, D3DXVECTOR3(50, 60, 0));

  SpriteRecord s;
  s.alphaFactor = 0.5f;
  text->translucency.SetValue(0u);  // opacity 255
  text->colour.value = DS_StaticTextConstructor().colour.value;
  text->UpdateSprite(s);
  EXPECT_FLOAT_EQ(s.halfWidth, 2.5f);
  EXPECT_FLOAT_EQ(s.halfHeight, 4.0f);
  EXPECT_EQ(s.colour >> 24, 127u);
  EXPECT_EQ(s.colour & 0xFFFFFFu, 0xFF0000u);  // COLORREF 255 is red

  // Version 1: shown 3000 ms becomes a random timeline shown 300; shown 0
  // keeps the base's. Version 2 keeps the GUID it was made with.
  r.version = 1;
  r.fadeIn = 500;
  r.fadeOut = 700;
  r.shown = 3000;
  r.hidden = 1200;
  ByteBuilder c;
  WriteStaticTextConstructor(c, r);
  model = scene_test::ReadModel(c);
  auto* random = dynamic_cast<ZVI_RandomTimeLine*>(model->timing.Current());
  ASSERT_NE(random, nullptr);
  EXPECT_EQ(random->minShown.value, 300u);
  EXPECT_EQ(random->maxShown.value, 300u);
  EXPECT_EQ(random->minHidden.value, 120u);
  EXPECT_EQ(random->fadeIn.value, 50u);
  EXPECT_EQ(random->fadeOut.value, 70u);
  r.shown = 0;
  ByteBuilder d;
  WriteStaticTextConstructor(d, r);
  model = scene_test::ReadModel(d);
  EXPECT_EQ(dynamic_cast<ZVI_RandomTimeLine*>(model->timing.Current()), nullptr);
  r.version = 2;
  ByteBuilder e;
  WriteStaticTextConstructor(e, r);
  model = scene_test::ReadModel(e);
  EXPECT_FALSE(static_cast<DS_StaticTextConstructor*>(model.get())->imageGuid == kTextGuid);

  ScrollingTextConstructorRecord sr;
  sr.version = 1;
  sr.period = 4;
  sr.direction = 2;
  sr.base = r;
  ByteBuilder f;
  WriteScrollingTextConstructor(f, sr);
  model = scene_test::ReadModel(f);
  auto* scroll = dynamic_cast<DS_ScrollingTextConstructor*>(model.get());
  ASSERT_NE(scroll, nullptr);
  EXPECT_EQ(scroll->period.value, 4u);
  EXPECT_EQ(scroll->direction.value, 2);
  EXPECT_EQ(scroll->textureWidth, 0.0f);
  // Without a texture of its own size the range stays finite.
  SpriteRecord t;
  scroll->UpdateSprite(t);
  EXPECT_FLOAT_EQ(t.uRange[1], 5.0f);
}

TEST(SpriteTextLink, HitTestInPicturePixels) {
  scene_test::PictureDocument picture(100, 50);
  RenderSettings& settings = picture.doc().Settings();
  settings.scaleX = 2.0f;  // the window is half the back buffer
  settings.scaleY = 2.0f;
  settings.corners.SetRect(100.0f, 50.0f);
  DS_TextLinkConstructor link;
  link.position.value = D3DXVECTOR3(40, 20, 0);
  link.width.value = 5;  // half extent 2, not 2.5
  link.height.value = 4;
  struct Case {
    float x, y;  // window pixels
    bool hit;
  };
  for (const Case& c : {Case{19, 10, true}, Case{21, 9, true}, Case{21, 11, true}, Case{18.75f, 10, false},
                        Case{21.25f, 10, false}, Case{20, 8.9f, false}})
    EXPECT_EQ(link.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
  // A picture with no width on screen holds no point.
  settings.corners.SetRect(0.0f, 50.0f);
  EXPECT_FALSE(link.HitTest(20, 10));
}

TEST(SpriteTextLink, OverlappingLinksAndTheLastActingLink) {
  scene_test::PictureDocument picture(100, 50);
  picture.doc().Settings().scaleX = picture.doc().Settings().scaleY = 1.0f;
  picture.doc().Settings().corners.SetRect(100.0f, 50.0f);
  auto* show = new DS_SlideShow_Light();
  for (int s = 0; s < 3; ++s) show->slides.push_back(DS_SafePtr<DS_SlideContainer>(new DS_SlideContainer()));
  show->currentSlide = show->slides[0];
  SetCurrentDocument(show);
  DS_TextLinkConstructor a, b;
  for (DS_TextLinkConstructor* l : {&a, &b}) {
    l->position.value = D3DXVECTOR3(50, 25, 0);
    l->width.value = 20;
    l->height.value = 10;
  }
  a.slideIndex.value = 1;
  b.slideIndex.value = 2;
  EXPECT_EQ(a.MouseOver(50, 25) + b.MouseOver(50, 25), 2);
  // Walked last to first: a acts last and decides.
  b.Click(50, 25);
  a.Click(50, 25);
  EXPECT_EQ(show->currentSlide.get(), show->slides[1].get());
  SetCurrentDocument(nullptr);
  delete show;
}

class SpriteTextPixels : public RenderTest {};

TEST_F(SpriteTextPixels, GuidImageShowsOnItsQuad) {
  RegisterBuiltInResources();
  DocResRecord r;
  r.imageFiles.push_back(
      {u"bg.png", 1, {{0, u"", u"bg.png", Png(kBack, kBack, [](int, int) { return 0xFF000000u; })}}});
  r.guidImages.push_back({kTextGuid, u"t.png", 1, u"t.png", Png(16, 16, [](int, int) { return 0xFF00FF00u; })});
  UseDocument(MakeDocument(r));
  doc_->Settings().pictureWidth = kBack;
  doc_->Settings().pictureHeight = kBack;
  DS_2D_Light light;
  light.backgroundLink.name = u"bg.png";
  light.backgroundLink.id = 1;
  light.BeginSlide();
  QuadCorners screen;
  screen.SetRect(kBack, kBack);
  light.SetupView(screen);
  light.SetViewMode(kFitLetterbox);
  light.RestartCamera(1);
  light.OnResetDevice();

  for (bool known : {true, false}) {
    DS_StaticTextConstructor text;
    text.colour.value = 0x00FFFFFF;
    text.position.value = D3DXVECTOR3(32, 32, 0);
    text.width.value = 20;
    text.height.value = 20;
    if (known) text.imageGuid = kTextGuid;
    RuntimeObjects objects;
    objects.push_back(DS_SafePtr<DS_ABObj>(text.CreateRuntime()));
    objects.back()->Update(0.0f);
    objects.back()->Update(0.1f);
    ASSERT_EQ(dev_->BeginScene(), D3D_OK);
    light.ClearBackground(0);
    light.RenderObjects(objects, 0);
    light.EndFrame(0);
    ASSERT_EQ(dev_->EndScene(), D3D_OK);
    Pixels px = ReadBackBuffer();
    if (known) EXPECT_TRUE(Near(px.at(32, 32), 0xFF00FF00, 6)) << std::hex << px.at(32, 32);
    EXPECT_TRUE(Near(px.at(10, 10), 0xFF000000, 6)) << std::hex << px.at(10, 10);
  }
}

}  // namespace
