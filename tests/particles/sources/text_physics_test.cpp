// Text particles: glyph particles and their fractions, clipping, the appear
// and disappear transforms with the type effects, crawling along a path, and
// the records.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/archive.h"
#include "core/crt.h"
#include "core/reader_registry.h"
#include "particles/nodes/transforms.h"
#include "particles/sources/text_physics.h"
#include "player/scene_object.h"
#include "player/timelines.h"
#include "tests/particles/sources/source_fakes.h"
#include "tests/particles/sources/stripe_seeds.h"

namespace {

// A rectangle centred on (cx, cy) with its bounds about the centre and a
// path of `path` units along x.
class TextFigure : public node_fakes::FakeFigure {
 public:
  TextFigure(float width, float height, float path_length = 0.0f) : path(path_length) {
    x0 = -width / 2;
    y0 = -height / 2;
    w = width;
    h = height;
  }
  bool GetBounds(D3DXVECTOR3* lo, D3DXVECTOR3* hi) override {
    if (!bounded) return false;
    *lo = D3DXVECTOR3(-w / 2, -h / 2, 0);
    *hi = D3DXVECTOR3(w / 2, h / 2, 0);
    return true;
  }
  float AxisLength(float) override { return path; }
  bool PointAtUV(float u, float v, D3DXVECTOR3* position, D3DXVECTOR3* direction) override {
    if (position) *position = D3DXVECTOR3(u * path, 0, 0);
    if (direction) *direction = D3DXVECTOR3(1, 0, 0);
    return true;
  }
  float path;
  bool bounded = true;
};

TextLine Line(float x, float y, int glyphs, const std::vector<uint8_t>& visible = {}) {
  TextLine line;
  line.x = x;
  line.y = y;
  line.height = 10;
  for (int i = 0; i < glyphs; ++i) {
    TextGlyph g;
    g.code = 'A' + i;
    g.x = 10.0f * i;
    g.w = 10;
    g.h = 10;
    g.visible = i < static_cast<int>(visible.size()) ? visible[i] : 1;
    line.glyphs.push_back(g);
  }
  line.width = 10.0f * glyphs;
  return line;
}

class TextPhysicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_fakes::RegisterAll();
    RegisterTimelineReaders();
    crt_srand(1);
    holder = DS_SafePtr<ZVI_Timing>(new ZVI_Timing());
    timeline = holder.get();
    timing.value = 1;
  }

  // Attaches the test's timing and makes the scripted timeline current.
  void Attach(ZVI_PtclSysPhys_Text& text) {
    text.SetTiming(&timing);
    timing.current = holder;
  }

  static float Threshold(const Particle& p, bool appear) {
    for (const TransformPtr& t : p.transforms) {
      if (appear) {
        if (auto* a = dynamic_cast<TxtAppear*>(t.get())) return a->threshold;
      } else if (auto* d = dynamic_cast<TxtDisappear*>(t.get())) {
        return d->threshold;
      }
    }
    return -100.0f;
  }

  ZVI_SmartTiming timing;
  DS_SafePtr<ZVI_Timing> holder;
  ZVI_Timing* timeline = nullptr;
};

TEST_F(TextPhysicsTest, GlyphAndVisibleFractions) {
  struct Case {
    int32_t order;
    std::vector<TextLine> lines;
    std::vector<float> thresholds;
  };
  const Case cases[] = {
      {0, {Line(0, 0, 3), Line(0, -12, 2)}, {0, 0.2f, 0.4f, 0.6f, 0.8f}},
      {1, {Line(0, 0, 3, {1, 0, 1})}, {0, 0.5f, 0.5f}},
      // No visible glyph: fraction 0, not 0 / 0.
      {1, {Line(0, 0, 2, {0, 0})}, {0, 0}},
      {2, {Line(0, 0, 2)}, {-1, -1}},
  };
  for (const Case& c : cases) {
    ZVI_PtclSysPhys_Text text;
    text.appearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade());
    text.disappearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade());
    text.appearOrder = c.order;
    text.disappearOrder = c.order;
    text.lines = c.lines;
    Attach(text);
    ParticleVector parents = source_fakes::Parents(1);
    ParticleVector made = text.Generate(&parents);
    ASSERT_EQ(made.size(), c.thresholds.size());
    for (size_t i = 0; i < made.size(); ++i) {
      EXPECT_FLOAT_EQ(Threshold(*made[i], true), c.thresholds[i]) << i;
      EXPECT_FLOAT_EQ(Threshold(*made[i], false), c.order == 2 ? 2.0f : 1.0f - c.thresholds[i]) << i;
      EXPECT_TRUE(made[i]->flags & ParticleFlags::TextMarker);
    }
  }
}

TEST_F(TextPhysicsTest, GlyphParticleFromLayoutAndAtlas) {
  ZVI_PtclSysPhys_Text text;
  text.lines = {Line(5, 7, 2)};
  text.atlas['A'] = GlyphAtlasEntry{0.1f, 0.2f, 0.3f, 0.4f, 1};
  text.text.font.colour.SetValue(0x00FF8000u);
  text.text.font.transparency.SetValue(50u);
  auto* figure = new TextFigure(400, 400);
  figure->x0 = 100;  // centre (300, 0)
  text.figure.SetGeometry(figure);
  ParticleVector parents = source_fakes::Parents(2);
  ParticleVector made = text.Generate(&parents);
  ASSERT_EQ(made.size(), 4u);
  EXPECT_EQ(made[2]->parent.get(), parents[1].get());
  const Particle& a = *made[0];
  EXPECT_EQ(a.flags & 0x44u, 0x44u);
  EXPECT_EQ(a.position, D3DXVECTOR3(305, 7, 0));
  EXPECT_EQ(a.scale, D3DXVECTOR3(10, 10, 0));
  EXPECT_NEAR(a.color.x, 0.0f, 1e-6f);
  EXPECT_NEAR(a.color.y, 128 / 255.0f, 1e-6f);
  EXPECT_NEAR(a.color.z, 1.0f, 1e-6f);
  EXPECT_EQ(a.texWindow[0], 0.1f);
  EXPECT_EQ(a.texWindow[1], 0.3f);
  EXPECT_EQ(a.texWindow[2], 0.2f);
  EXPECT_EQ(a.texWindow[3], 0.4f);
  EXPECT_FLOAT_EQ(a.auxVector.x, 7.0f);
  EXPECT_FLOAT_EQ(a.auxVector.y, 10.0f);
  // A code missing from the atlas gets an empty cell, and the map keeps it.
  EXPECT_EQ(made[1]->texWindow[1], 0.0f);
  EXPECT_EQ(text.atlas.count('B'), 1u);
  // Without a timing glyphs get no appearance transforms: only the alpha
  // multiplier, 127 / 255.
  ASSERT_EQ(a.transforms.size(), 1u);
  text.Update(nullptr, 0.1f);
  EXPECT_NEAR(made[0]->alpha, 127 / 255.0f, 1e-6f);
}

TEST_F(TextPhysicsTest, ClippingToTheFigure) {
  ZVI_PtclSysPhys_Text text;
  TextLine line = Line(0, 0, 3);
  line.glyphs[0].x = 45;  // half out on the right
  line.glyphs[1].x = 60;  // wholly out
  line.glyphs[2].x = -55;  // half out on the left
  line.glyphs[2].w = 10;
  text.lines = {line};
  text.appearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade());
  for (uint32_t code : {'A', 'B', 'C'}) text.atlas[code] = GlyphAtlasEntry{0.0f, 0.0f, 0.5f, 1.0f, 1};
  auto* figure = new TextFigure(100, 100);
  text.figure.SetGeometry(figure);
  Attach(text);
  ParticleVector parents = source_fakes::Parents(1);
  ParticleVector made = text.Generate(&parents);
  ASSERT_EQ(made.size(), 2u);
  EXPECT_FLOAT_EQ(made[0]->scale.x, 5.0f);
  EXPECT_FLOAT_EQ(made[0]->texWindow[1], 0.25f);
  EXPECT_FLOAT_EQ(made[0]->texWindow[0], 0.0f);
  EXPECT_FLOAT_EQ(made[1]->position.x, -50.0f);
  EXPECT_FLOAT_EQ(made[1]->scale.x, 5.0f);
  EXPECT_FLOAT_EQ(made[1]->texWindow[0], 0.25f);
  // The dropped glyph still counts: the third glyph's fraction is 2 / 3.
  EXPECT_FLOAT_EQ(Threshold(*made[1], true), 2.0f / 3.0f);
  // A figure without bounds clips nothing.
  figure->bounded = false;
  ParticleVector all = text.Generate(&parents);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_FLOAT_EQ(all[0]->scale.x, 10.0f);
}

TEST_F(TextPhysicsTest, FadeOfOneSecondOverFiveGlyphs) {
  ZVI_PtclSysPhys_Text text;
  auto* appear = new ZVI_PtclSys_TxtTypeEffect_Fade();
  appear->duration.SetValue(100u);
  text.appearEffect.value = TxtTypeEffectPtr(appear);
  text.disappearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade());
  text.disappearEffect.value->duration.SetValue(100u);
  text.lines = {Line(0, 0, 5)};
  Attach(text);
  timeline->state = kTimelineAppearing;
  timeline->visibility = 0.5f;
  ParticleVector parents = source_fakes::Parents(1);
  ParticleVector made = text.Generate(&parents);
  for (int i = 0; i < 3; ++i) text.Update(nullptr, 0.1f);
  for (size_t i = 0; i < 5; ++i) {
    const bool started = i < 3;
    EXPECT_EQ((made[i]->flags & ParticleFlags::TextMarker) == 0, started) << i;
    EXPECT_NEAR(made[i]->age, started ? 0.3f : 0.0f, 1e-5f) << i;
    EXPECT_NEAR(made[i]->alpha, started ? 0.3f : 0.0f, 1e-5f) << i;
  }
  // Shown at last: every glyph has started; hidden again, they fade out in
  // the same order.
  timeline->state = kTimelineShown;
  timeline->visibility = 1.0f;
  for (int i = 0; i < 10; ++i) text.Update(nullptr, 0.1f);
  for (const ParticlePtr& p : made) EXPECT_NEAR(p->alpha, 1.0f, 1e-5f);
  timeline->state = kTimelineDisappearing;
  timeline->visibility = 0.5f;
  text.Update(nullptr, 0.1f);
  EXPECT_NEAR(made[0]->alpha, 0.9f, 1e-5f);
  EXPECT_NEAR(made[4]->alpha, 1.0f, 1e-5f);
}

// Four glyphs of a four-colour atlas, Fade by glyph with no duration.
TEST_F(TextPhysicsTest, FourGlyphsLightInTurn) {
  ZVI_PtclSysPhys_Text text;
  text.appearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade());
  text.disappearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade());
  text.lines = {Line(0, 0, 4)};
  for (uint32_t i = 0; i < 4; ++i) text.atlas['A' + i] = GlyphAtlasEntry{0.25f * i, 0, 0.25f * (i + 1), 1, 1};
  Attach(text);
  timeline->state = kTimelineAppearing;
  timeline->visibility = 0.4f;
  ParticleVector parents = source_fakes::Parents(1);
  ParticleVector made = text.Generate(&parents);
  ASSERT_EQ(made.size(), 4u);
  text.Update(nullptr, 0.05f);
  const float lit[] = {1, 1, 0, 0};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(made[i]->alpha, lit[i]) << i;
    EXPECT_EQ(made[i]->texWindow[0], 0.25f * i);
  }
  timeline->state = kTimelineShown;
  timeline->visibility = 1.0f;
  text.Update(nullptr, 0.05f);
  for (const ParticlePtr& p : made) EXPECT_EQ(p->alpha, 1.0f);
}

TEST_F(TextPhysicsTest, ZeroDurationAndMissingEffectsJump) {
  for (bool missing : {false, true}) {
    SCOPED_TRACE(missing);
    ZVI_PtclSysPhys_Text text;
    if (!missing) {
      text.appearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade());
      text.disappearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fade());
    }
    text.lines = {Line(0, 0, 2)};
    Attach(text);
    timeline->state = kTimelineHidden;
    timeline->visibility = 0.0f;
    ParticleVector parents = source_fakes::Parents(1);
    ParticleVector made = text.Generate(&parents);
    text.Update(nullptr, 0.1f);
    EXPECT_EQ(made[0]->alpha, 0.0f);
    timeline->state = kTimelineAppearing;
    timeline->visibility = 0.6f;
    text.Update(nullptr, 0.1f);
    EXPECT_EQ(made[0]->alpha, 1.0f);
    // The second glyph (0.5) has passed too; with a missing effect every
    // glyph appears at once.
    EXPECT_EQ(made[1]->alpha, 1.0f);
    timeline->state = kTimelineHidden;
    timeline->visibility = 0.0f;
    text.Update(nullptr, 0.1f);
    EXPECT_EQ(made[0]->alpha, 0.0f);
  }
}

TEST_F(TextPhysicsTest, TypeEffectsAtProgress) {
  ZVI_PtclSys_TxtTypeEffect_Slide slide;
  Particle p;
  slide.ApplyAppearance(&p, 0.0f, 0);
  EXPECT_NEAR(p.offset.x, 100.0f, 1e-4f);
  EXPECT_NEAR(p.offset.y, 0.0f, 1e-4f);
  EXPECT_EQ(p.alpha, 0.0f);
  p.ResetFrameState();
  slide.ApplyAppearance(&p, 0.0f, 1);
  EXPECT_NEAR(p.offset.x, -100.0f, 1e-4f);
  p.ResetFrameState();
  // Smooth effects are fully opaque from the fade portion (0.5) on.
  slide.ApplyAppearance(&p, 0.25f, 0);
  EXPECT_FLOAT_EQ(p.alpha, 0.5f);
  p.ResetFrameState();
  slide.ApplyAppearance(&p, 0.5f, 0);
  EXPECT_FLOAT_EQ(p.alpha, 1.0f);
  // A zoom with both flags 0 only fades.
  ZVI_PtclSys_TxtTypeEffect_Zoom zoom;
  zoom.horizontal = 0;
  zoom.vertical = 0;
  p.ResetFrameState();
  zoom.ApplyAppearance(&p, 0.25f, 0);
  EXPECT_FLOAT_EQ(p.alpha, 0.5f);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_EQ(p.modifier2, identity);
  zoom.horizontal = 1;
  p.ResetFrameState();
  zoom.ApplyAppearance(&p, 0.0f, 0);
  EXPECT_FLOAT_EQ(p.modifier2._11, 0.1f);
  EXPECT_FLOAT_EQ(p.modifier2._22, 1.0f);
  // Fly: at progress 1 nothing moves; at 0 the glyph is `distance` away
  // and turned by the whole spin.
  ZVI_PtclSys_TxtTypeEffect_Fly fly;
  fly.spread.SetValue(0u);
  p.ResetFrameState();
  fly.ApplyAppearance(&p, 1.0f, 0);
  EXPECT_EQ(p.offset, D3DXVECTOR3(0, 0, 0));
  p.ResetFrameState();
  fly.ApplyAppearance(&p, 0.0f, 0);
  // Direction 90: u = (0, -1, 0), so (x - 1) x 100 x u = (0, 100, 0).
  EXPECT_NEAR(p.offset.y, 100.0f, 1e-3f);
  EXPECT_NEAR(std::fabs(p.modifier2._12), std::fabs(std::sin(400.0f * 3.14159265f / 180.0f)), 1e-4f);
}

TEST_F(TextPhysicsTest, CrawlRepeatsWithItsPeriod) {
  for (int32_t direction : {0, 1}) {
    SCOPED_TRACE(direction);
    ZVI_PtclSysPhys_CrawlingText crawl;
    crawl.direction = direction;
    TextLine line = Line(0, 0, 1);
    line.width = 300;
    crawl.lines = {line};
    crawl.figure.SetGeometry(new TextFigure(500, 100, 500));
    ParticleVector parents = source_fakes::Parents(1);
    ParticleVector made = crawl.Generate(&parents);
    ASSERT_EQ(made.size(), 1u);
    std::vector<float> xs;
    // 200 units a second: one period of 600 units is 3 s.
    for (int frame = 0; frame < 60; ++frame) {
      crawl.Update(&parents, 0.1f);
      xs.push_back(made[0]->position.x);
      EXPECT_GE(made[0]->position.x, -100.0f - 1e-3f);
      EXPECT_LE(made[0]->position.x, 500.0f + 1e-3f);
    }
    for (size_t i = 30; i < xs.size(); ++i) EXPECT_NEAR(xs[i], xs[i - 30], 1e-2f) << i;
    EXPECT_NE(xs[1], xs[0]);
  }
}

TEST_F(TextPhysicsTest, CrawlOffsetsByTimelineState) {
  ZVI_PtclSysPhys_CrawlingText crawl;
  crawl.direction = 1;
  TextLine line = Line(0, 0, 3);
  line.width = 30;
  crawl.lines = {line};
  crawl.figure.SetGeometry(new TextFigure(500, 100, 500));
  Attach(crawl);
  timeline->state = kTimelineAppearing;
  timeline->visibility = 0.0f;
  ParticleVector parents = source_fakes::Parents(1);
  ParticleVector made = crawl.Generate(&parents);
  crawl.Update(&parents, 0.1f);
  EXPECT_FALSE(crawl.continuous);
  EXPECT_FLOAT_EQ(crawl.crawlOffset, -30.0f);
  // The whole line lies before the path's start: nothing of it shows.
  for (const ParticlePtr& p : made) EXPECT_EQ(p->quadWindow[0], p->quadWindow[1]);
  timeline->state = kTimelineShown;
  crawl.Update(&parents, 0.1f);
  EXPECT_FLOAT_EQ(crawl.crawlOffset, 235.0f);
  EXPECT_FLOAT_EQ(made[1]->position.x, 245.0f);
  EXPECT_EQ(made[1]->quadWindow[0], 0.0f);
  EXPECT_EQ(made[1]->quadWindow[1], 1.0f);
  timeline->state = kTimelineHidden;
  crawl.Update(&parents, 0.1f);
  EXPECT_FLOAT_EQ(crawl.crawlOffset, -30.0f);
}

TEST_F(TextPhysicsTest, CrawlWithoutPathLeavesGlyphsInPlace) {
  ZVI_PtclSysPhys_CrawlingText crawl;
  crawl.lines = {Line(3, 4, 2)};
  crawl.figure.SetGeometry(new TextFigure(500, 100, 0));
  ParticleVector parents = source_fakes::Parents(1);
  ParticleVector made = crawl.Generate(&parents);
  for (int i = 0; i < 5; ++i) crawl.Update(&parents, 0.1f);
  EXPECT_EQ(made[1]->position, D3DXVECTOR3(13, 4, 0));
  // No lines: nothing at all happens.
  ZVI_PtclSysPhys_CrawlingText empty;
  empty.Update(&parents, 0.1f);
  EXPECT_EQ(empty.crawlOffset, 0.0f);
}

TEST_F(TextPhysicsTest, DestroyingAPlayingTextInAnyOrder) {
  ParticleVector parents = source_fakes::Parents(1);
  ParticleVector made;
  {
    ZVI_PtclSysPhys_Text text;
    text.appearEffect.value = TxtTypeEffectPtr(new ZVI_PtclSys_TxtTypeEffect_Fly());
    text.lines = {Line(0, 0, 3)};
    Attach(text);
    made = text.Generate(&parents);
    text.Update(nullptr, 0.1f);
  }
  // The glyphs outlive their physics; their transforms still hold the
  // effects.
  for (const ParticlePtr& p : made) StepParticle(p.get(), 0.1f);
  made.clear();
}

TEST_F(TextPhysicsTest, TextRecordVersions) {
  for (int32_t v = 1; v <= 3; ++v) {
    SCOPED_TRACE(v);
    pw::TextPhysicsRecord r = stripe_seeds::Text(v);
    r.appearDuration = 150;
    r.disappearDuration = 250;
    r.reserved = 9;
    pw::ByteBuilder b;
    pw::WriteTextPhysics(b, r);
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    auto* text = dynamic_cast<ZVI_PtclSysPhys_Text*>(item.get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text.text.value, u"ABC DE");
    EXPECT_EQ(text->reserved.value, 9);
    // Version 1 plays an order of 1 as all together.
    EXPECT_EQ(text->appearOrder.value, v == 1 ? 2 : 1);
    ASSERT_EQ(text->lines.size(), 2u);
    EXPECT_EQ(text->lines[1].glyphs.size(), 2u);
    EXPECT_EQ(text->atlas.size(), 4u);
    ASSERT_NE(text->appearEffect.value.get(), nullptr);
    ASSERT_NE(text->disappearEffect.value.get(), nullptr);
    if (v <= 2) {
      EXPECT_EQ(text->appearEffect.value->GetTypeName(), "ZVI_PtclSys_TxtTypeEffect_Fade");
      EXPECT_FLOAT_EQ(text->appearEffect.value->duration.derived, 1.5f);
      EXPECT_FLOAT_EQ(text->disappearEffect.value->duration.derived, 2.5f);
    } else {
      EXPECT_EQ(text->appearEffect.value->GetTypeName(), "ZVI_PtclSys_TxtTypeEffect_Slide");
      EXPECT_EQ(text->disappearEffect.value->GetTypeName(), "ZVI_PtclSys_TxtTypeEffect_Fly");
    }
    ASSERT_NE(text->ownTimeline.get(), nullptr);
    ASSERT_NE(text->figure.value.get(), nullptr);
    text->SetTiming(&timing);
    EXPECT_EQ(timing.byKind[1].get(), text->ownTimeline.get());
  }
}

// A negative line count reads no line; the atlas and the rest follow.
TEST_F(TextPhysicsTest, NegativeLineCountReadsNoLine) {
  pw::TextPhysicsRecord r = stripe_seeds::Text(3);
  r.lines.clear();
  r.lineCount = -3;
  pw::ByteBuilder b;
  pw::WriteTextPhysics(b, r);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  auto* text = dynamic_cast<ZVI_PtclSysPhys_Text*>(item.get());
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->lines.empty());
  EXPECT_EQ(text->atlas.size(), 4u);
  EXPECT_NE(text->figure.value.get(), nullptr);
}

TEST_F(TextPhysicsTest, EffectOfAnotherClassLeavesTheEffectEmpty) {
  pw::TextPhysicsRecord r = stripe_seeds::Text(3);
  r.appear = pw::ByteBuilder();
  pw::WriteConstPntGroup(r.appear, 2);
  pw::ByteBuilder b;
  pw::WriteTextPhysics(b, r);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  auto* text = dynamic_cast<ZVI_PtclSysPhys_Text*>(item.get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->appearEffect.value.get(), nullptr);
  EXPECT_NE(text->disappearEffect.value.get(), nullptr);
}

TEST_F(TextPhysicsTest, EffectAndCrawlRecords) {
  for (int32_t v : {1, 2}) {
    pw::ByteBuilder b;
    pw::WriteTxtSlide(b, v, 90, 40, 30, 20);
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    auto* slide = dynamic_cast<ZVI_PtclSys_TxtTypeEffect_Slide*>(item.get());
    ASSERT_NE(slide, nullptr);
    EXPECT_EQ(slide->direction.value, 90u);
    EXPECT_EQ(slide->distance.value, 40u);
    EXPECT_FLOAT_EQ(slide->duration.derived, 0.3f);
    // Version 1 restores its stored fade portion; version 2 keeps 0.5.
    EXPECT_FLOAT_EQ(slide->fadePortion.derived, v == 1 ? 0.2f : 0.5f);
  }
  pw::TxtFlyRecord f;
  f.direction = 45;
  f.spread = 10;
  f.distance = 7;
  f.spin = 20;
  f.spinMode = 1;
  pw::TxtZoomRecord z;
  z.startScale = 30;
  z.anchorX = 10;
  z.anchorY = 90;
  z.horizontal = 0;
  pw::CrawlRecord c;
  c.speed = 40;
  c.direction = 1;
  c.gap = 60;
  pw::ByteBuilder all;
  pw::WriteTxtFly(all, f);
  pw::WriteTxtZoom(all, z);
  pw::WriteCrawlingText(all, c, stripe_seeds::Text(3));
  MemoryArchive ar(all.bytes().data(), all.size(), true);
  auto fly = ReadObjectAs<ZVI_PtclSys_TxtTypeEffect_Fly, ZVI_IOF_Item>(ar);
  auto zoom = ReadObjectAs<ZVI_PtclSys_TxtTypeEffect_Zoom, ZVI_IOF_Item>(ar);
  auto crawl = ReadObjectAs<ZVI_PtclSysPhys_CrawlingText, ZVI_IOF_Item>(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  ASSERT_TRUE(fly && zoom && crawl);
  EXPECT_FLOAT_EQ(fly->spin.derived, 80.0f);
  EXPECT_EQ(fly->distance.value, 7u);
  EXPECT_EQ(fly->spinMode.value, 1);
  EXPECT_FLOAT_EQ(zoom->startScale.derived, 0.3f);
  EXPECT_FLOAT_EQ(zoom->anchorY.derived, 0.9f);
  EXPECT_EQ(zoom->horizontal.value, 0);
  EXPECT_FLOAT_EQ(crawl->crawlSpeed.value.derived, 80.0f);
  EXPECT_EQ(crawl->direction.value, 1);
  EXPECT_FLOAT_EQ(crawl->gap.derived, 60.0f);
  EXPECT_EQ(crawl->lines.size(), 2u);
}

TEST_F(TextPhysicsTest, DefaultText) {
  ZVI_PtclSysPhys_Text text;
  EXPECT_EQ(text.text.font.face.value, u"Arial");
  EXPECT_EQ(text.text.font.size.value, 48u);
  EXPECT_EQ(text.text.font.colour.value, 0u);
  EXPECT_EQ(text.text.vertical_alignment.value, 1);
  EXPECT_EQ(text.disappearOrder.value, 1);
  ASSERT_NE(text.ownTimeline.get(), nullptr);
  ZVI_PtclSysPhys_CrawlingText crawl;
  EXPECT_EQ(crawl.text.vertical_alignment.value, 0);
  EXPECT_FLOAT_EQ(crawl.crawlSpeed.value.derived, 200.0f);
}

}  // namespace
